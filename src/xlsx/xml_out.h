// Writing XML straight into a buffer: markup as given, texts escaped, numbers
// in their shortest form that reads back to the same value, cell names in A1
// form. No tree is built: each part is written in its element order at once.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace tablirex::xlsx {

class TXmlOut {
 public:
  std::string& Buffer() noexcept { return s_; }
  std::string Take() { return std::move(s_); }
  /// Room for n bytes; a large buffer asks for the system's large pages, so
  /// that filling it takes a few hundred page faults rather than thousands.
  void Reserve(std::size_t n);

  TXmlOut& operator<<(std::string_view markup) {
    s_.append(markup);
    return *this;
  }
  void Append(const char* begin, const char* end) { s_.append(begin, static_cast<std::size_t>(end - begin)); }
  TXmlOut& operator<<(char c) {
    s_.push_back(c);
    return *this;
  }
  /// A whole number.
  TXmlOut& Int(std::int64_t v) {
    char b[24];
    s_.append(b, std::to_chars(b, b + sizeof b, v).ptr);
    return *this;
  }
  /// A number in the shortest form that reads back to the same double ("0" for -0).
  TXmlOut& Number(double v) {
    char b[kNumberChars];
    s_.append(b, NumberText(b, v));
    return *this;
  }
  /// Room that NumberText needs at most.
  static constexpr std::size_t kNumberChars = 32;
  /// Writes what Number writes at p and returns its end: whole numbers below
  /// 10^15 as their digits where those are no longer than the exponent form,
  /// every other number as the shortest form that reads back the same.
  static char* NumberText(char* p, double v) noexcept;
  /// A cell name: column letters A … XFD, then the one-based row.
  TXmlOut& Cell(std::uint32_t row, std::uint32_t col) {
    Column(col);
    return Int(static_cast<std::int64_t>(row) + 1);
  }
  /// The column letters of a zero-based column.
  TXmlOut& Column(std::uint32_t col) {
    char b[4];
    int n = 0;
    for (std::uint32_t c = col + 1; c > 0; c = (c - 1) / 26) b[n++] = static_cast<char>('A' + (c - 1) % 26);
    while (n > 0) s_.push_back(b[--n]);
    return *this;
  }
  /// An UTF-8 text as element content or (attribute true) inside double quotes.
  TXmlOut& Text(std::string_view utf8, bool attribute = false);
  /// A UTF-16 text, written as UTF-8; at most maxUnits code units (a pair is
  /// never split).
  TXmlOut& Text(std::u16string_view text, bool attribute = false, std::size_t maxUnits = std::u16string_view::npos);

  /// Four upper-case hexadecimal digits (a password hash).
  TXmlOut& Hex16(std::uint16_t v);

 private:
  void Hex4(std::uint32_t v);
  /// Writes the escaped form of an ASCII character or one XML cannot hold;
  /// false when c stands as it is.
  bool Escaped(std::uint32_t c, bool attribute, bool startsEscape);
  std::string s_;
};

/// True when a text would lose its first or last spaces or its line breaks in
/// an element unless marked xml:space="preserve".
bool NeedsPreserve(std::u16string_view text) noexcept;
bool NeedsPreserve(std::string_view text) noexcept;

}  // namespace tablirex::xlsx
