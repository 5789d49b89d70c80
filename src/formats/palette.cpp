#include "formats/palette.h"

#include "biff/records.h"
#include "tablirex/colors.h"

namespace tablirex {
namespace {

constexpr std::uint32_t Rgb(std::uint32_t rrggbb) noexcept {
  // Written as red-green-blue hex; held with red in the low byte.
  return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16);
}

// The 56 changeable colours of a new workbook (palette entries 8 to 63).
constexpr std::uint32_t kDefaultColors[56] = {
    Rgb(0x000000), Rgb(0xFFFFFF), Rgb(0xFF0000), Rgb(0x00FF00), Rgb(0x0000FF), Rgb(0xFFFF00),
    Rgb(0xFF00FF), Rgb(0x00FFFF), Rgb(0x800000), Rgb(0x008000), Rgb(0x000080), Rgb(0x808000),
    Rgb(0x800080), Rgb(0x008080), Rgb(0xC0C0C0), Rgb(0x808080), Rgb(0x9999FF), Rgb(0x993366),
    Rgb(0xFFFFCC), Rgb(0xCCFFFF), Rgb(0x660066), Rgb(0xFF8080), Rgb(0x0066CC), Rgb(0xCCCCFF),
    Rgb(0x000080), Rgb(0xFF00FF), Rgb(0xFFFF00), Rgb(0x00FFFF), Rgb(0x800080), Rgb(0x800000),
    Rgb(0x008080), Rgb(0x0000FF), Rgb(0x00CCFF), Rgb(0xCCFFFF), Rgb(0xCCFFCC), Rgb(0xFFFF99),
    Rgb(0x99CCFF), Rgb(0xFF99CC), Rgb(0xCC99FF), Rgb(0xFFCC99), Rgb(0x3366FF), Rgb(0x33CCCC),
    Rgb(0x99CC00), Rgb(0xFFCC00), Rgb(0xFF9900), Rgb(0xFF6600), Rgb(0x666699), Rgb(0x969696),
    Rgb(0x003366), Rgb(0x339966), Rgb(0x003300), Rgb(0x333300), Rgb(0x993300), Rgb(0x993366),
    Rgb(0x333399), Rgb(0x333333),
};

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

std::int32_t ChannelDistance(std::uint32_t a, std::uint32_t b) noexcept {
  std::int32_t sum = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::int32_t d = static_cast<std::int32_t>((a >> shift) & 0xFF) - static_cast<std::int32_t>((b >> shift) & 0xFF);
    sum += d < 0 ? -d : d;
  }
  return sum;
}

}  // namespace

std::int32_t TXLSPalette::SetPaletteXL97() noexcept {
  for (std::int32_t i = 0; i < 56; ++i) rgb_[static_cast<std::size_t>(kFirstCustom + i)] = kDefaultColors[i];
  // The built-in entries repeat the first eight changeable colours.
  for (std::int32_t i = 0; i < kFirstCustom; ++i) rgb_[static_cast<std::size_t>(i)] = kDefaultColors[i];
  return 1;
}

void TXLSPalette::SetCustomColor(std::int32_t index, std::uint32_t rgb) noexcept {
  if (index < 1 || index > 56) return;
  rgb_[static_cast<std::size_t>(index + 7)] = rgb & 0xFFFFFF;
}

std::uint32_t TXLSPalette::GetCustomColor(std::int32_t index) const noexcept {
  if (index < 0) return index == xlColorIndexNone ? kWhite : kBlack;
  if (index >= kEntryCount - 7) return 0;
  return index == 0 ? rgb_[0] : rgb_[static_cast<std::size_t>(index + 7)];
}

std::int32_t TXLSPalette::GetCustomColorIndex(std::uint32_t rgb) const noexcept {
  std::int32_t best = kFirstCustom;
  std::int32_t bestDistance = 768;
  for (std::int32_t i = kFirstCustom; i < kEntryCount; ++i) {
    const std::int32_t d = ChannelDistance(rgb, rgb_[static_cast<std::size_t>(i)]);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best - 7;
}

std::uint32_t TXLSPalette::GetPaletteColor(std::int32_t paletteIndex) const noexcept {
  if (paletteIndex >= 0 && paletteIndex < kEntryCount) return rgb_[static_cast<std::size_t>(paletteIndex)];
  return paletteIndex == kPaletteSystemBackground ? kWhite : kBlack;
}

TXLSBlob TXLSPalette::GetPaletteBlob() const {
  constexpr std::uint16_t kBody = 2 + 4 * 56;
  TXLSBlob b(4 + kBody);
  b.AddWord(RecNo(Rec::PALETTE));
  b.AddWord(kBody);
  b.AddWord(56);  // 0: number of colours
  for (std::int32_t i = kFirstCustom; i < kEntryCount; ++i) {
    const std::uint32_t c = rgb_[static_cast<std::size_t>(i)];
    b.AddByte(static_cast<std::uint8_t>(c));        // red
    b.AddByte(static_cast<std::uint8_t>(c >> 8));   // green
    b.AddByte(static_cast<std::uint8_t>(c >> 16));  // blue
    b.AddByte(0);
  }
  return b;
}

std::int32_t TXLSPalette::StorePalette(IRecordSink& sink, const TRecordContext& /*ctx*/) const {
  TXLSBlob b = GetPaletteBlob();
  return sink.AppendRecord(b);
}

// ---- colour names -------------------------------------------------------------

std::int32_t GetColorIndex(std::string_view name) noexcept {
  std::size_t first = 0, last = name.size();
  while (first < last && static_cast<unsigned char>(name[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(name[last - 1]) <= ' ') --last;
  if (last - first > 16) return xlFontColorAutomatic;
  char lower[16];
  const std::size_t n = last - first;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = name[first + i];
    lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  const std::string_view s(lower, n);
  struct Named {
    std::string_view name;
    std::int32_t index;
  };
  static constexpr Named kNames[] = {
      {"aqua", 15},   {"cyan", 15},   {"black", 8},   {"blue", 12},    {"brown", 16},
      {"magenta", 14}, {"fuchsia", 14}, {"gray", 23},  {"grey", 23},    {"green", 17},
      {"lime", 11},   {"navy", 18},   {"orange", 53}, {"purple", 20},  {"red", 10},
      {"silver", 22}, {"white", 9},   {"yellow", 13},
  };
  for (const Named& c : kNames)
    if (c.name == s) return c.index;
  return xlFontColorAutomatic;
}

}  // namespace tablirex
