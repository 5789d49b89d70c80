// A1 notation: cell references, cell ranges, column names and row and column
// spans ($1:$3, $A:$C), and the directory test used by the HTML writer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tablirex {

/// A1 reference of a zero-based cell: (0, 0) is "A1", (65535, 255) "IV65536",
/// (1048575, 16383) "XFD1048576". Rows past XLSXMaxRow and columns past
/// XLSXMaxCol are taken as the last row and column.
std::string EncodeCellRef(std::uint32_t row, std::uint32_t col);

/// EncodeCellRef of both corners joined by ":"; the corners are not reordered.
std::string EncodeCellRange(std::uint32_t row1, std::uint32_t col1, std::uint32_t row2,
                            std::uint32_t col2);

/// Parses one A1 reference: one to three letters (either case) naming a column up
/// to XFD, followed directly by a row number 1 … 1048576; no "$", no spaces,
/// nothing after the digits. Returns 1 and the zero-based row and column, or -1
/// with the outputs left unchanged. Allocates nothing.
std::int32_t GetCellRef(std::string_view text, std::uint32_t& row, std::uint16_t& col) noexcept;

/// Parses "ref1:ref2" (no trimming, no reordering). Returns 1, or -1 when there is
/// no ":" after the first character or either reference fails; the first corner
/// may already be written when only the second fails.
std::int32_t GetCellRange(std::string_view text, std::uint32_t& row1, std::uint16_t& col1,
                          std::uint32_t& row2, std::uint16_t& col2) noexcept;

/// Name of a one-based column number: 1 "A", 27 "AA", 256 "IV", 16384 "XFD".
/// Empty unless 1 <= number <= XLSXMaxCol + 1.
std::string ColIndexToColName(std::int32_t number);

/// One-based column number of the letters in text (either case); every other
/// character is skipped, so "$B", "B5" and "b" all give 2. -1 when there is no
/// letter. There is no upper bound ("ZZ" gives 702).
std::int32_t ColNameToColIndex(std::string_view text) noexcept;

/// Parses a row span such as "$2:$5" or " 5 : 2 " into one-based row numbers,
/// first <= last. Each side may carry one leading "$"; spaces and control
/// characters around each side are ignored. False (outputs unchanged) unless there
/// is exactly one ":" and each side is a number from 1 to 1048576 (XLSXMaxRow + 1).
bool RowDiapasonToValues(std::string_view text, std::int32_t& first, std::int32_t& last) noexcept;

/// Parses a column span such as "$A:$C" into one-based column numbers, first <=
/// last; "$", spaces and control characters are taken as in RowDiapasonToValues.
/// False (outputs unchanged) unless there is exactly one ":" and each side is one
/// to three letters and nothing else, naming a column up to XFD (16384).
bool ColDiapasonToValues(std::string_view text, std::int32_t& first, std::int32_t& last) noexcept;

/// "$first:$last" for one-based row numbers, in the order given; empty when either
/// is below 1.
std::string ValuesToRowDiapason(std::int32_t first, std::int32_t last);

/// "$A:$C" for one-based column numbers, in the order given; empty when either
/// has no name (ColIndexToColName).
std::string ValuesToColDiapason(std::int32_t first, std::int32_t last);

/// True when path (UTF-8) exists and is a directory; false when it cannot be queried.
bool DirExists(std::string_view path) noexcept;

}  // namespace tablirex
