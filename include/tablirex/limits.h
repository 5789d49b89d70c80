// Sheet limits of the file formats.
#pragma once

#include <cstdint>

namespace tablirex {

/// Highest zero-based row of a sheet.
inline constexpr std::uint16_t XLSMaxRow = 65535;
/// Highest zero-based column of a sheet.
inline constexpr std::uint8_t XLSMaxCol = 255;
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
