#include "tablirex/addressing.h"

#include <filesystem>
#include <system_error>

#include "tablirex/limits.h"

namespace tablirex {
namespace {

constexpr char Upper(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
constexpr bool IsUpperLetter(char c) noexcept { return c >= 'A' && c <= 'Z'; }
constexpr bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Writes the column letters of a zero-based column (at most XLSXMaxCol); returns
// the number written.
int PutColLetters(std::uint32_t col, char* out) noexcept {
  if (col > XLSXMaxCol) col = XLSXMaxCol;
  if (col < 26) {
    out[0] = static_cast<char>('A' + col);
    return 1;
  }
  if (col < 26 + 26 * 26) {
    out[0] = static_cast<char>('@' + col / 26);
    out[1] = static_cast<char>('A' + col % 26);
    return 2;
  }
  const std::uint32_t n = col - 26 - 26 * 26;  // AAA = 0
  out[0] = static_cast<char>('A' + n / (26 * 26));
  out[1] = static_cast<char>('A' + n / 26 % 26);
  out[2] = static_cast<char>('A' + n % 26);
  return 3;
}

// Writes the decimal digits of n; returns the number written.
int PutDecimal(std::uint32_t n, char* out) noexcept {
  char tmp[10];
  int len = 0;
  do {
    tmp[len++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  for (int i = 0; i < len; ++i) out[i] = tmp[len - 1 - i];
  return len;
}

// The decimal number spelled by s (digits only, at least one), or -1. Values that
// would pass 9 digits are answered with -1 as well: no caller accepts them.
std::int32_t ParseDecimal(std::string_view s) noexcept {
  if (s.empty() || s.size() > 9) return -1;
  std::int32_t v = 0;
  for (const char c : s) {
    if (!IsDigit(c)) return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

// Drops spaces and control characters at both ends.
std::string_view Trim(std::string_view s) noexcept {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// One side of a span: trimmed, one leading "$" dropped and trimmed again.
std::string_view SpanPart(std::string_view s) noexcept {
  s = Trim(s);
  if (!s.empty() && s.front() == '$') s = Trim(s.substr(1));
  return s;
}

// The one-based column number of one to three letters (either case) and nothing
// else, or -1.
std::int32_t StrictColumn(std::string_view s) noexcept {
  if (s.empty() || s.size() > 3) return -1;
  std::int32_t v = 0;
  for (const char ch : s) {
    const char c = Upper(ch);
    if (!IsUpperLetter(c)) return -1;
    v = v * 26 + (c - '@');
  }
  return v;
}

// The two sides of a span with exactly one ":", or false.
bool SplitSpan(std::string_view text, std::string_view& a, std::string_view& b) noexcept {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos) return false;
  a = SpanPart(text.substr(0, colon));
  b = SpanPart(text.substr(colon + 1));
  return true;
}

}  // namespace

std::string EncodeCellRef(std::uint32_t row, std::uint32_t col) {
  if (row > XLSXMaxRow) row = XLSXMaxRow;
  char buf[12];
  int n = PutColLetters(col, buf);
  n += PutDecimal(static_cast<std::uint32_t>(row) + 1, buf + n);
  return std::string(buf, static_cast<std::size_t>(n));
}

std::string EncodeCellRange(std::uint32_t row1, std::uint32_t col1, std::uint32_t row2,
                            std::uint32_t col2) {
  if (row1 > XLSXMaxRow) row1 = XLSXMaxRow;
  if (row2 > XLSXMaxRow) row2 = XLSXMaxRow;
  char buf[24];
  int n = PutColLetters(col1, buf);
  n += PutDecimal(static_cast<std::uint32_t>(row1) + 1, buf + n);
  buf[n++] = ':';
  n += PutColLetters(col2, buf + n);
  n += PutDecimal(static_cast<std::uint32_t>(row2) + 1, buf + n);
  return std::string(buf, static_cast<std::size_t>(n));
}

std::int32_t GetCellRef(std::string_view text, std::uint32_t& row, std::uint16_t& col) noexcept {
  std::size_t letters = 0;
  std::int32_t column = 0;
  while (letters < text.size() && letters < 4 && IsUpperLetter(Upper(text[letters]))) {
    column = column * 26 + (Upper(text[letters]) - '@');
    ++letters;
  }
  if (letters == 0 || letters > 3) return -1;
  const std::int32_t number = ParseDecimal(text.substr(letters));
  if (number < 1 || number > static_cast<std::int32_t>(XLSXMaxRow) + 1 || column > XLSXMaxCol + 1) return -1;
  row = static_cast<std::uint32_t>(number - 1);
  col = static_cast<std::uint16_t>(column - 1);
  return 1;
}

std::int32_t GetCellRange(std::string_view text, std::uint32_t& row1, std::uint16_t& col1,
                          std::uint32_t& row2, std::uint16_t& col2) noexcept {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0) return -1;
  std::int32_t r = GetCellRef(text.substr(0, colon), row1, col1);
  if (r == 1) r = GetCellRef(text.substr(colon + 1), row2, col2);
  return r;
}

std::string ColIndexToColName(std::int32_t number) {
  if (number < 1 || number > XLSXMaxCol + 1) return std::string();
  char name[3];
  const int n = PutColLetters(static_cast<std::uint32_t>(number - 1), name);
  return std::string(name, static_cast<std::size_t>(n));
}

std::int32_t ColNameToColIndex(std::string_view text) noexcept {
  std::int64_t value = 0;
  bool any = false;
  for (const char ch : text) {
    const char c = Upper(ch);
    if (!IsUpperLetter(c)) continue;
    any = true;
    // Saturate instead of wrapping: a long run of letters stays "too large".
    if (value < INT32_MAX) value = value * 26 + (c - '@');
  }
  if (!any) return -1;
  return value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
}

bool RowDiapasonToValues(std::string_view text, std::int32_t& first, std::int32_t& last) noexcept {
  std::string_view sa, sb;
  if (!SplitSpan(text, sa, sb)) return false;
  const std::int32_t a = ParseDecimal(sa);
  const std::int32_t b = ParseDecimal(sb);
  // Row numbers are one-based: 0 names no row, 1048576 the last one.
  constexpr std::int32_t kRows = static_cast<std::int32_t>(XLSXMaxRow) + 1;
  if (a < 1 || b < 1 || a > kRows || b > kRows) return false;
  first = a < b ? a : b;
  last = a < b ? b : a;
  return true;
}

bool ColDiapasonToValues(std::string_view text, std::int32_t& first, std::int32_t& last) noexcept {
  std::string_view sa, sb;
  if (!SplitSpan(text, sa, sb)) return false;
  const std::int32_t a = StrictColumn(sa);
  const std::int32_t b = StrictColumn(sb);
  if (a < 1 || b < 1 || a > XLSXMaxCol + 1 || b > XLSXMaxCol + 1) return false;
  first = a < b ? a : b;
  last = a < b ? b : a;
  return true;
}

std::string ValuesToRowDiapason(std::int32_t first, std::int32_t last) {
  if (first < 1 || last < 1) return std::string();
  char buf[24];
  int n = 0;
  buf[n++] = '$';
  n += PutDecimal(static_cast<std::uint32_t>(first), buf + n);
  buf[n++] = ':';
  buf[n++] = '$';
  n += PutDecimal(static_cast<std::uint32_t>(last), buf + n);
  return std::string(buf, static_cast<std::size_t>(n));
}

std::string ValuesToColDiapason(std::int32_t first, std::int32_t last) {
  const std::string a = ColIndexToColName(first);
  const std::string b = ColIndexToColName(last);
  // A half-written span would be read back as a different one.
  if (a.empty() || b.empty()) return std::string();
  return "$" + a + ":$" + b;
}

bool DirExists(std::string_view path) noexcept {
  if (path.empty()) return false;
  try {
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::path(std::string(path)), ec) && !ec;
  } catch (...) {
    return false;
  }
}

}  // namespace tablirex
