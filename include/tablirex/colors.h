// Colour numbering seen by callers, and colour names.
#pragma once

#include <cstdint>
#include <string_view>

namespace tablirex {

/// Colour indices of the formatting views (fonts, borders, fills). Indices 1 to
/// 56 name the workbook's changeable colours; these two name no palette entry.
enum TXLSColorIndex : std::int32_t {
  xlColorIndexAutomatic = -4105,
  xlColorIndexNone = -4142,
};

/// Palette index (as stored in the file) of the automatic font colour.
inline constexpr std::int32_t xlFontColorAutomatic = 0x7FFF;

/// The palette index of a colour name: the name is lower-cased (A to Z only) and
/// stripped of leading and trailing blanks and control characters, then compared
/// exactly with aqua, cyan, black, blue, brown, magenta, fuchsia, gray, grey,
/// green, lime, navy, orange, purple, red, silver, white and yellow. Any other
/// name gives xlFontColorAutomatic (0x7FFF).
std::int32_t GetColorIndex(std::string_view name) noexcept;

}  // namespace tablirex
