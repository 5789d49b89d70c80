// A worksheet's outline: where the summary rows and columns of its groups lie,
// and which levels show. Rows and columns are grouped through ranges
// (IXLSRange::Group, Ungroup, SetShowDetail).
#pragma once

#include <cstdint>

#include "tablirex/object.h"

namespace tablirex {

/// Most outline levels rows or columns can be grouped into.
inline constexpr std::int32_t kMaxOutlineLevel = 7;

/// Where a group's summary row lies (IXLSOutline::SetSummaryRow).
enum TXLSSummaryRow : std::int32_t {
  xlSummaryAbove = 0,
  xlSummaryBelow = 1,
};
/// Where a group's summary column lies (IXLSOutline::SetSummaryColumn).
enum TXLSSummaryColumn : std::int32_t {
  xlSummaryOnLeft = -4131,
  xlSummaryOnRight = -4152,
};

/// The outline settings of one worksheet (IXLSWorksheet::GetOutline). The view
/// keeps its sheet's link: once the sheet is deleted every operation does
/// nothing. Refused values leave the setting as it was and their reason with
/// the workbook's GetLastError.
class IXLSOutline : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// xlSummaryBelow (the default) or xlSummaryAbove: the row that collapses
  /// with a group and carries its collapsed mark lies after or before it.
  virtual std::int32_t GetSummaryRow() = 0;
  virtual void SetSummaryRow(std::int32_t where) = 0;
  /// xlSummaryOnRight (the default) or xlSummaryOnLeft.
  virtual std::int32_t GetSummaryColumn() = 0;
  virtual void SetSummaryColumn(std::int32_t where) = 0;
  /// Shows the rows of levels 1 … rowLevels and the columns of levels 1 …
  /// columnLevels and collapses every deeper group; 0 leaves that direction as
  /// it is. Levels are 1 … 8 (8 shows everything). Returns 1, or -1 for a level
  /// outside 0 … 8.
  virtual std::int32_t ShowLevels(std::int32_t rowLevels, std::int32_t columnLevels) = 0;
};

}  // namespace tablirex
