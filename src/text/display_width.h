// How wide a text shows in a cell, in characters of the sheet's default font.
#pragma once

#include <cstddef>
#include <string_view>

namespace tablirex {

/// The width of a text as a cell shows it: its longest line (lines end at LF or CR),
/// in characters, where East Asian wide and full-width characters and emoji count
/// two and combining marks none; a surrogate pair is one character.
std::size_t TextDisplayWidth(std::u16string_view text) noexcept;

}  // namespace tablirex
