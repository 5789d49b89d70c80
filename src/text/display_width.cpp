#include "text/display_width.h"

#include <cstdint>

namespace tablirex {
namespace {

// Code point ranges a cell shows two characters wide, ascending.
struct TRange {
  std::uint32_t first, last;
};
constexpr TRange kWide[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F},
    {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD},
};

std::size_t Columns(std::uint32_t c) noexcept {
  if (c < 0x300) return 1;
  if (c <= 0x36F || (c >= 0x200B && c <= 0x200F)) return 0;  // combining marks, zero-width spaces
  if (c < kWide[0].first) return 1;
  for (const TRange& r : kWide)
    if (c >= r.first && c <= r.last) return 2;
  return 1;
}

}  // namespace

std::size_t TextDisplayWidth(std::u16string_view text) noexcept {
  std::size_t widest = 0, line = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c == u'\n' || c == u'\r') {
      if (line > widest) widest = line;
      line = 0;
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    line += Columns(c);
  }
  return line > widest ? line : widest;
}

}  // namespace tablirex
