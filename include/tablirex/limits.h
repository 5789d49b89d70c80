// Sheet limits of the file formats.
#pragma once

#include <cstdint>

namespace tablirex {

/// Highest zero-based row and column of an Excel 97 (and Excel 5) sheet: 65536
/// rows, columns A to IV.
inline constexpr std::uint16_t XLSMaxRow = 65535;
inline constexpr std::uint8_t XLSMaxCol = 255;
/// Highest zero-based row and column of an .xlsx sheet, and of the object model:
/// 1,048,576 rows, columns A to XFD. Rows cross the API as 32-bit numbers,
/// columns as 16-bit (or wider) ones.
inline constexpr std::int32_t XLSXMaxRow = 1048575;
inline constexpr std::uint16_t XLSXMaxCol = 16383;
/// Longest text of an Excel 5 text cell, in bytes.
inline constexpr std::uint8_t XLSStrMax = 255;

/// Cell value kinds of the cell store.
enum TXLSValueType : std::uint8_t {
  xlEmpty = 0,
  xlString = 1,
  xlDoubleNumber = 2,
  xlDateTime = 3,
  xlFormula = 4,
  xlBoolean = 5,  // NumValue 1 for true, 0 for false
};

/// How a range was obtained; decides Count, Hidden and which dimension is walked.
enum TXLSRangeType : std::uint8_t {
  xlRangeCells = 0,
  xlRangeRows = 1,
  xlRangeColumns = 2,
};

/// File formats accepted by SaveAs.
inline constexpr std::int32_t xlExcel5 = 1;
inline constexpr std::int32_t xlExcel97 = 2;
inline constexpr std::int32_t xlHTML = 3;
/// Office Open XML workbook (.xlsx).
inline constexpr std::int32_t xlOpenXMLWorkbook = 4;

}  // namespace tablirex
