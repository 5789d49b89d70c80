// The worksheet part of one sheet.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "xlsx/xlsx_parts.h"

namespace tablirex::xlsx {

class TXlsxStyles;

/// What the sheets of one save share besides the styles.
struct TSheetContext {
  const TXlsxStyles& styles;
  /// Set when a formula cell was written without its result: the workbook then
  /// asks for a full calculation on load.
  bool uncalculated = false;
  /// When set, takes the XML made so far whenever a few MiB of it are ready (a
  /// large sheet's, in runs) and empties the string; a failure stops the sheet.
  std::function<std::int32_t(std::string& xml)> drain;
};

/// Writes xl/worksheets/sheetN.xml of a sheet: its cells, rows, columns, view,
/// layout and protection, and the features' fragments at their places. Returns
/// 1, or the failure (with the workbook's last error naming the cell) of a cell
/// that cannot be written or of a strict save's warning.
[[nodiscard]] std::int32_t WriteWorksheet(TXLSWorkbook& book, IXLSWorksheet& sheet, const TSheetExtras& extras,
                                          TSheetContext& context, std::string& out);

}  // namespace tablirex::xlsx
