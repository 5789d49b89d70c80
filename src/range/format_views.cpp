// The font, interior and border views: the object model's constants and colour
// indices (1 … 56) on one side, the range's palette indices and XF-list codes on
// the other.
#include <cstdint>

#include "formats/palette.h"
#include "range/format_views_impl.h"
#include "tablirex/colors.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"

namespace tablirex {
namespace {

// Colour index (1 … 56) = palette index - 7.
constexpr std::int32_t kPaletteOffset = 7;
constexpr std::int32_t kBuiltinLast = 7;
constexpr std::int32_t kTopEdge = 8;

TXLSPalette& PaletteOf(TXLSRange& range) { return range.Sheet()->Workbook().Palette(); }

}  // namespace

// ---- conversions shared with the conditional-format views ---------------------------

namespace {
// Underline: the object model's constant and the font's underline byte.
struct UnderlinePair {
  std::int32_t constant;
  std::uint8_t code;
};
constexpr UnderlinePair kUnderlines[] = {
    {2, 0x01}, {-4119, 0x02}, {4, 0x21}, {5, 0x22}, {xlColorIndexNone, 0x00}};

// Fill patterns: the object model's constant at each pattern number 0 … 8;
// patterns 9 to 18 carry their own number.
constexpr std::int32_t kPatterns[] = {xlColorIndexNone, 1, -4125, -4126, -4124, -4128, -4166, -4121, -4162};
constexpr std::int32_t kLastPattern = 18;

}  // namespace

std::uint16_t PatternOf(std::int32_t constant) noexcept {
  if (constant == xlColorIndexAutomatic) return 1;  // automatic fill: solid
  for (std::uint16_t p = 1; p < std::size(kPatterns); ++p)
    if (kPatterns[p] == constant) return p;
  if (constant >= 9 && constant <= kLastPattern) return static_cast<std::uint16_t>(constant);
  return 0;
}

// A fill colour index as the palette index the range stores, or -1 to ignore it.
std::int32_t FillPaletteIndex(std::int32_t index, std::int32_t automatic) noexcept {
  if (index == 0 || index == xlColorIndexNone) return 0;
  if (index >= 1 && index <= 56) return index + kPaletteOffset;
  if (index == xlColorIndexAutomatic) return automatic;
  return -1;
}

std::int32_t FillColorIndex(std::int32_t stored) noexcept {
  if (stored == 0) return xlColorIndexNone;
  if (stored <= kBuiltinLast) return stored;
  if (stored == kPaletteSystemForeground || stored == kPaletteSystemBackground) return xlColorIndexAutomatic;
  return stored - kPaletteOffset;
}

// The RGB a fill colour shows: colour indices through the palette; no fill shows
// white, and the system colours as the stored entry says (64 foreground black,
// 65 background white).
std::uint32_t FillRgb(TXLSPalette& palette, std::int32_t stored) noexcept {
  const std::int32_t index = FillColorIndex(stored);
  if (index == xlColorIndexNone) return palette.GetPaletteColor(kPaletteSystemBackground);
  if (index == xlColorIndexAutomatic) return palette.GetPaletteColor(stored);
  return palette.GetCustomColor(index);
}


std::int32_t PatternConstant(std::uint16_t p) noexcept {
  if (p < std::size(kPatterns)) return kPatterns[p];
  return p <= kLastPattern ? p : 0;
}

std::int32_t UnderlineConstant(std::uint8_t code) noexcept {
  for (const UnderlinePair& u : kUnderlines)
    if (u.code == code) return u.constant;
  return xlColorIndexNone;
}

std::int32_t UnderlineCode(std::uint32_t constant) noexcept {
  for (const UnderlinePair& u : kUnderlines)
    if (static_cast<std::uint32_t>(u.constant) == constant) return u.code;
  return -1;
}

// ---- font -------------------------------------------------------------------------------------

std::string TXLSFont::GetName() {
  if (range_->Dead()) return {};
  return Utf16ToUtf8(range_->GetFontName());
}
float TXLSFont::GetSize() {
  if (range_->Dead()) return {};
  return static_cast<float>(range_->GetFontSize());
}

std::int32_t TXLSFont::GetColorIndex() {
  if (range_->Dead()) return {};
  const std::int32_t stored = range_->GetFontColorIndex();
  if (stored == xlColorIndexAutomatic) return xlColorIndexAutomatic;
  const auto c = static_cast<std::uint16_t>(stored);
  return c <= kBuiltinLast ? c : static_cast<std::uint16_t>(c - kPaletteOffset);
}

std::uint32_t TXLSFont::GetColor() {
  if (range_->Dead()) return {};
  return PaletteOf(*range_).GetCustomColor(GetColorIndex());
}
bool TXLSFont::GetBold() {
  if (range_->Dead()) return {};
  return range_->GetFontBold();
}
bool TXLSFont::GetItalic() {
  if (range_->Dead()) return {};
  return range_->GetFontItalic();
}
bool TXLSFont::GetStrikethrough() {
  if (range_->Dead()) return {};
  return range_->GetFontStrikethrough();
}
bool TXLSFont::GetOutLineFont() {
  if (range_->Dead()) return {};
  return range_->GetFontOutLineFont();
}
bool TXLSFont::GetShadow() {
  if (range_->Dead()) return {};
  return range_->GetFontShadow();
}

std::int32_t TXLSFont::GetUnderLine() {
  if (range_->Dead()) return {};
  return UnderlineConstant(range_->GetFontUnderLine());
}

bool TXLSFont::GetSubScript() {
  if (range_->Dead()) return {};
  return range_->GetFontSubScript();
}
bool TXLSFont::GetSuperScript() {
  if (range_->Dead()) return {};
  return range_->GetFontSuperScript();
}
void TXLSFont::SetSize(float size) {
  if (range_->Dead()) return;
  range_->SetFontSize(size);
}

void TXLSFont::SetColorIndex(std::int32_t index) {
  if (range_->Dead()) return;
  // The automatic colour has a code of its own in the font; every other index
  // names the palette entry 7 above it.
  if (index != xlColorIndexAutomatic && (index < 0 || index > 56)) {
    range_->Refuse("font colour index " + std::to_string(index) + " is outside 0 to 56");
    return;
  }
  if (index == xlColorIndexAutomatic)
    range_->SetFontColorIndex(static_cast<std::uint32_t>(xlColorIndexAutomatic));
  else
    range_->SetFontColorIndex(index == 0 ? 0u : static_cast<std::uint16_t>(index + kPaletteOffset));
}

void TXLSFont::SetColor(std::uint32_t rgb) {
  if (range_->Dead()) return;
  SetColorIndex(PaletteOf(*range_).GetCustomColorIndex(rgb));
}
void TXLSFont::SetBold(bool value) {
  if (range_->Dead()) return;
  range_->SetFontBold(value);
}
void TXLSFont::SetItalic(bool value) {
  if (range_->Dead()) return;
  range_->SetFontItalic(value);
}
void TXLSFont::SetStrikethrough(bool value) {
  if (range_->Dead()) return;
  range_->SetFontStrikethrough(value);
}
void TXLSFont::SetOutLineFont(bool value) {
  if (range_->Dead()) return;
  range_->SetFontOutLineFont(value);
}
void TXLSFont::SetShadow(bool value) {
  if (range_->Dead()) return;
  range_->SetFontShadow(value);
}

void TXLSFont::SetUnderLine(std::uint32_t value) {
  if (range_->Dead()) return;
  if (const std::int32_t code = UnderlineCode(value); code >= 0)
    range_->SetFontUnderLine(static_cast<std::uint8_t>(code));
}

void TXLSFont::SetSubScript(bool value) {
  if (range_->Dead()) return;
  range_->SetFontSubScript(value);
}
void TXLSFont::SetSuperScript(bool value) {
  if (range_->Dead()) return;
  range_->SetFontSuperScript(value);
}
void TXLSFont::SetName(std::string_view name) {
  if (range_->Dead()) return;
  range_->SetFontName(Utf8ToUtf16(name));
}

// ---- interior ---------------------------------------------------------------------------------

void TXLSInterior::SetColor(std::uint32_t rgb) {
  if (range_->Dead()) return;
  SetColorIndex(static_cast<std::uint32_t>(PaletteOf(*range_).GetCustomColorIndex(rgb)));
}

std::uint32_t TXLSInterior::GetColor() {
  if (range_->Dead()) return {};
  return FillRgb(PaletteOf(*range_), range_->GetInteriorColor());
}

void TXLSInterior::SetPatternColor(std::uint32_t rgb) {
  if (range_->Dead()) return;
  SetPatternColorIndex(static_cast<std::uint32_t>(PaletteOf(*range_).GetCustomColorIndex(rgb)));
}

std::uint32_t TXLSInterior::GetPatternColor() {
  if (range_->Dead()) return {};
  return FillRgb(PaletteOf(*range_), range_->GetInteriorPatternColor());
}

void TXLSInterior::SetColorIndex(std::uint32_t index) {
  if (range_->Dead()) return;
  const std::int32_t p = FillPaletteIndex(static_cast<std::int32_t>(index), kPaletteSystemBackground);
  if (p >= 0) range_->SetInteriorColor(static_cast<std::uint16_t>(p));
}

void TXLSInterior::SetPatternColorIndex(std::uint32_t index) {
  if (range_->Dead()) return;
  const std::int32_t p = FillPaletteIndex(static_cast<std::int32_t>(index), kPaletteSystemForeground);
  if (p >= 0) range_->SetInteriorPatternColor(static_cast<std::uint16_t>(p));
}

void TXLSInterior::SetPattern(std::uint32_t pattern) {
  if (range_->Dead()) return;
  range_->SetInteriorPattern(PatternOf(static_cast<std::int32_t>(pattern)));
}

std::int32_t TXLSInterior::GetColorIndex() {
  if (range_->Dead()) return {};
  return FillColorIndex(range_->GetInteriorColor());
}
std::int32_t TXLSInterior::GetPatternColorIndex() {
  if (range_->Dead()) return {};
  return FillColorIndex(range_->GetInteriorPatternColor());
}

std::int32_t TXLSInterior::GetPattern() {
  if (range_->Dead()) return {};
  return PatternConstant(range_->GetInteriorPattern());
}

// ---- one border -------------------------------------------------------------------------------

std::uint32_t TXLSBorder::GetColor() {
  if (range_->Dead()) return {};
  return PaletteOf(*range_).GetCustomColor(GetColorIndex());
}
std::int32_t TXLSBorder::GetColorIndex() {
  if (range_->Dead()) return {};
  return range_->GetBorderColorIndex(index_);
}
std::int32_t TXLSBorder::GetLineStyle() {
  if (range_->Dead()) return {};
  return range_->GetBorderLineStyle(index_);
}
void TXLSBorder::SetColor(std::uint32_t rgb) {
  if (range_->Dead()) return;
  SetColorIndex(static_cast<std::uint32_t>(PaletteOf(*range_).GetCustomColorIndex(rgb)));
}
void TXLSBorder::SetColorIndex(std::uint32_t index) {
  if (range_->Dead()) return;
  range_->SetBorderColorIndex(index_, index);
}
void TXLSBorder::SetLineStyle(std::uint32_t style) {
  if (range_->Dead()) return;
  range_->SetBorderLineStyle(index_, style);
}
std::int32_t TXLSBorder::GetWeight() {
  if (range_->Dead()) return {};
  return range_->GetBorderWeight(index_);
}
void TXLSBorder::SetWeight(std::uint32_t weight) {
  if (range_->Dead()) return;
  range_->SetBorderWeight(index_, weight);
}

// ---- all borders ------------------------------------------------------------------------------

template <class F>
void TXLSBorders::ForAll(F&& f) {
  // Top, left, bottom, right, inside horizontal, inside vertical.
  for (const std::int32_t index : {8, 7, 9, 10, 12, 11}) f(index);
}

std::uint32_t TXLSBorders::GetColor() {
  if (range_->Dead()) return {};
  return PaletteOf(*range_).GetCustomColor(GetColorIndex());
}
std::int32_t TXLSBorders::GetColorIndex() {
  if (range_->Dead()) return {};
  return range_->GetBorderColorIndex(kTopEdge);
}
std::int32_t TXLSBorders::GetLineStyle() {
  if (range_->Dead()) return {};
  return range_->GetBorderLineStyle(kTopEdge);
}
std::int32_t TXLSBorders::GetWeight() {
  if (range_->Dead()) return {};
  return range_->GetBorderWeight(kTopEdge);
}

void TXLSBorders::SetColor(std::uint32_t rgb) {
  if (range_->Dead()) return;
  SetColorIndex(static_cast<std::uint32_t>(PaletteOf(*range_).GetCustomColorIndex(rgb)));
}
void TXLSBorders::SetColorIndex(std::uint32_t index) {
  if (range_->Dead()) return;
  ForAll([&](std::int32_t i) { range_->SetBorderColorIndex(i, index); });
}
void TXLSBorders::SetLineStyle(std::uint32_t style) {
  if (range_->Dead()) return;
  ForAll([&](std::int32_t i) { range_->SetBorderLineStyle(i, style); });
}
void TXLSBorders::SetWeight(std::uint32_t weight) {
  if (range_->Dead()) return;
  ForAll([&](std::int32_t i) { range_->SetBorderWeight(i, weight); });
}

Ref<IXLSBorder> TXLSBorders::GetBorder(std::int32_t index) {
  // An index of no border gives a view whose every operation does nothing.
  if (index < 7 || index > 14) range_->Refuse("border index " + std::to_string(index) + " is outside 7 to 14");
  return MakeRef<TXLSBorder>(range_.get(), index);
}

}  // namespace tablirex
