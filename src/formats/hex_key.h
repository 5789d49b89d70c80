// Reading and writing the fixed-width upper-case hexadecimal fields of the font
// and extended-format keys.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tablirex::hexkey {

/// The value of width hexadecimal digits at p; characters that are no digits
/// count as 0.
inline std::uint32_t Read(const char16_t* p, std::size_t width) noexcept {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < width; ++i) {
    const char16_t c = p[i];
    std::uint32_t d = 0;
    if (c >= u'0' && c <= u'9')
      d = static_cast<std::uint32_t>(c - u'0');
    else if (c >= u'A' && c <= u'F')
      d = static_cast<std::uint32_t>(c - u'A' + 10);
    else if (c >= u'a' && c <= u'f')
      d = static_cast<std::uint32_t>(c - u'a' + 10);
    v = (v << 4) | d;
  }
  return v;
}

/// Writes the low 4 * width bits of value as width upper-case digits at p.
inline void Write(char16_t* p, std::size_t width, std::uint32_t value) noexcept {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  for (std::size_t i = width; i-- > 0;) {
    p[i] = kDigits[value & 0xF];
    value >>= 4;
  }
}

}  // namespace tablirex::hexkey
