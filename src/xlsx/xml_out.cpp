// Escaping texts for the parts of a package.
#include "xlsx/xml_out.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "text/text.h"

namespace tablirex::xlsx {
namespace {

// Characters XML 1.0 cannot carry at all, written as _xHHHH_ the way the
// spreadsheet reads them back: controls other than tab and line breaks, and
// the two non-characters U+FFFE and U+FFFF.
constexpr bool IsIllegal(std::uint32_t c) noexcept {
  return (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D) || c == 0xFFFE || c == 0xFFFF;
}

bool IsHex(char16_t c) noexcept {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// "_x0041_" in a text is how an escaped character looks: a text holding such a
// run itself has its underscore escaped, so it reads back unchanged.
template <class Ch>
bool StartsEscape(std::basic_string_view<Ch> s, std::size_t i) noexcept {
  if (i + 7 > s.size() || s[i] != '_' || s[i + 1] != 'x' || s[i + 6] != '_') return false;
  for (std::size_t k = 2; k < 6; ++k)
    if (!IsHex(static_cast<char16_t>(s[i + k]))) return false;
  return true;
}

template <class Ch>
bool PreserveOf(std::basic_string_view<Ch> s) noexcept {
  if (s.empty()) return false;
  const auto space = [](Ch c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  if (space(s.front()) || space(s.back())) return true;
  for (const Ch c : s)
    if (c == '\n' || c == '\r' || c == '\t') return true;
  for (std::size_t i = 1; i < s.size(); ++i)
    if (s[i] == ' ' && s[i - 1] == ' ') return true;
  return false;
}

}  // namespace

bool NeedsPreserve(std::u16string_view text) noexcept { return PreserveOf(text); }
bool NeedsPreserve(std::string_view text) noexcept { return PreserveOf(text); }

void TXmlOut::Hex4(std::uint32_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  s_ += "_x";
  for (int shift = 12; shift >= 0; shift -= 4) s_.push_back(kDigits[(v >> shift) & 0xF]);
  s_.push_back('_');
}

bool TXmlOut::Escaped(std::uint32_t c, bool attribute, bool startsEscape) {
  switch (c) {
    case '&': s_ += "&amp;"; return true;
    case '<': s_ += "&lt;"; return true;
    case '>': s_ += "&gt;"; return true;
    case '"':
      if (!attribute) return false;
      s_ += "&quot;";
      return true;
    case '\r':
      // A carriage return as it stands would be read as a line feed (readers
      // fold CR LF and lone CRs into LF): a character reference keeps it.
      s_ += "&#13;";
      return true;
    case '\n':
    case '\t':
      // Attribute values would have their line breaks and tabs read as spaces.
      if (!attribute) return false;
      s_ += c == '\n' ? "&#10;" : "&#9;";
      return true;
    case '_':
      if (!startsEscape) return false;
      s_ += "_x005F_";
      return true;
    default:
      if (!IsIllegal(c)) return false;
      Hex4(c);
      return true;
  }
}

TXmlOut& TXmlOut::Text(std::string_view utf8, bool attribute) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      if (!Escaped(c, attribute, c == '_' && StartsEscape(utf8, i))) s_.push_back(static_cast<char>(c));
      continue;
    }
    // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
    if (c == 0xEF && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0xBF &&
        (static_cast<unsigned char>(utf8[i + 2]) & 0xFE) == 0xBE) {
      Hex4(0xFFFE | (static_cast<unsigned char>(utf8[i + 2]) & 1));
      i += 2;
      continue;
    }
    s_.push_back(static_cast<char>(c));
  }
  return *this;
}

TXmlOut& TXmlOut::Text(std::u16string_view text, bool attribute, std::size_t maxUnits) {
  std::size_t n = text.size() < maxUnits ? text.size() : maxUnits;
  if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  for (std::size_t i = 0; i < n; ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      if (!Escaped(c, attribute, c == '_' && StartsEscape(text, i))) s_.push_back(static_cast<char>(c));
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // half a pair: no character XML can hold
    } else if (IsIllegal(c)) {
      Hex4(c);
      continue;
    }
    AppendUtf8(c, s_);
  }
  return *this;
}

char* TXmlOut::NumberText(char* p, double v) noexcept {
  if (v > -1e15 && v < 1e15) {
    const auto whole = static_cast<std::int64_t>(v);
    if (static_cast<double>(whole) == v) {
      char* end = std::to_chars(p, p + kNumberChars, whole).ptr;
      // "1e+05" is shorter than "100000": the exponent form is the shortest
      // once the trailing zeros outweigh its four characters and its point.
      const char* digits = p + (whole < 0);
      const char* last = end;
      while (last - 1 > digits && last[-1] == '0') --last;
      const std::ptrdiff_t all = end - digits, significant = last - digits;
      if (all <= significant + (significant > 1) + 4) return end;
    }
  }
  // A number with up to four decimals, as amounts and measures mostly are: the
  // fewest decimals that read back the same are its shortest form. Below 10^11
  // at most one number of that many decimals reads back as v, so the nearest
  // one is the one to try.
  const double size = v < 0 ? -v : v;
  if (size >= 1 && size < 1e11 && std::trunc(v) != v) {
    double scale = 1;
    for (int decimals = 1; decimals <= 4; ++decimals) {
      scale *= 10;
      const auto scaled = static_cast<std::int64_t>(std::llround(v * scale));
      if (static_cast<double>(scaled) / scale != v) continue;
      char* end = std::to_chars(p, p + kNumberChars, scaled).ptr;
      // The point goes before the last `decimals` digits; there are more digits
      // than that, as size is at least 1.
      std::memmove(end - decimals + 1, end - decimals, static_cast<std::size_t>(decimals));
      end[-decimals] = '.';
      return end + 1;
    }
  }
  if (v == 0) v = 0;
  return std::to_chars(p, p + kNumberChars, v).ptr;
}

void TXmlOut::Reserve(std::size_t n) {
  s_.reserve(n);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
  if (s_.capacity() < 4 * kLargePage) return;
  // Only the whole large pages inside the buffer; a system without them
  // ignores the advice.
  const auto begin = reinterpret_cast<std::uintptr_t>(s_.data());
  const std::uintptr_t from = (begin + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t to = (begin + s_.capacity()) & ~(kLargePage - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

TXmlOut& TXmlOut::Hex16(std::uint16_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 12; shift >= 0; shift -= 4) s_.push_back(kDigits[(v >> shift) & 0xF]);
  return *this;
}

}  // namespace tablirex::xlsx
