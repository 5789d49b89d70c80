// Text conversions in one place: UTF-8 (the public API), UTF-16 (wide strings
// inside the library and in BIFF8 records) and 8-bit code pages (BIFF5 records).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tablirex {

/// UTF-8 to UTF-16. Malformed bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view s);
/// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view s);
/// Appends the UTF-8 bytes of one code point.
void AppendUtf8(char32_t cp, std::string& out);
/// True when two texts are equal but for the letter case of ASCII letters.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept;
/// Appends the UTF-16 form of s to out.
void AppendUtf8AsUtf16(std::string_view s, std::u16string& out);

/// True when the code page has a conversion table here (1252 western, 1250 central
/// European, 1251 Cyrillic, 28591 Latin-1, 20127 ASCII, 1200 is UTF-16 itself).
bool CodePageSupported(std::uint16_t codePage) noexcept;
/// UTF-16 text to bytes of an 8-bit code page; characters the page lacks become
/// '?' (counted in *unmapped when given).
std::string Utf16ToCodePage(std::u16string_view s, std::uint16_t codePage, std::size_t* unmapped = nullptr);
/// Bytes of an 8-bit code page to UTF-16.
std::u16string CodePageToUtf16(std::string_view s, std::uint16_t codePage);
/// UTF-8 text straight to an 8-bit code page.
std::string Utf8ToCodePage(std::string_view s, std::uint16_t codePage);

/// Longest prefix of s holding at most maxUnits UTF-16 code units without cutting
/// a surrogate pair in two.
std::u16string_view CutUtf16(std::u16string_view s, std::size_t maxUnits) noexcept;

/// True when every code unit is below 0x100 (the text fits the compressed form of
/// a BIFF8 string).
bool IsCompressible(std::u16string_view s) noexcept;

/// True when a and b are equal but for letter case, as sheet names are compared:
/// the letters of ASCII, Latin-1, Greek and Cyrillic are folded; other characters
/// must be equal.
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept;

}  // namespace tablirex
