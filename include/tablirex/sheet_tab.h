// A worksheet's tab: whether the sheet shows at all, and the tab's colour.
#pragma once

#include <cstdint>

#include "tablirex/object.h"

namespace tablirex {

/// The values of IXLSWorksheet::SetVisible and GetVisible.
enum TXLSSheetVisibility : std::int32_t {
  xlSheetVisible = -1,
  xlSheetHidden = 0,
  /// Hidden, and not listed among the sheets a user can show again.
  xlSheetVeryHidden = 2,
};

/// The colour of a sheet's tab (IXLSWorksheet::GetTab). Colours are palette
/// entries: colour indices 1 … 56, RGB values (red in bits 0-7) taken as the
/// nearest palette colour, as fonts and fills take them. The view keeps its
/// sheet's link: once the sheet is deleted every operation does nothing. The
/// Excel 97 form writes the colour; the Excel 5 form has none (a save warning);
/// HTML pages show it under the tab.
class IXLSTab : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// The tab colour's RGB, or 0 while the tab has none.
  virtual std::uint32_t GetColor() = 0;
  /// The nearest palette colour to rgb (0 … 0xFFFFFF) becomes the tab's; a value
  /// past 0xFFFFFF is refused (reason with the workbook's GetLastError).
  virtual void SetColor(std::uint32_t rgb) = 0;
  /// 1 … 56, or -4142 (xlColorIndexNone) while the tab has no colour.
  virtual std::int32_t GetColorIndex() = 0;
  /// 1 … 56; -4142 or -4105 (none, automatic) remove the colour. Another value
  /// is refused (reason with the workbook's GetLastError).
  virtual void SetColorIndex(std::int32_t index) = 0;
};

}  // namespace tablirex
