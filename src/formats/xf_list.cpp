#include "formats/xf_list.h"

#include <algorithm>
#include <cmath>

#include "biff/records.h"
#include "formats/hex_key.h"
#include "tablirex/colors.h"
#include "tablirex/lines.h"
#include "tablirex/result.h"

namespace tablirex {
namespace {

// Field offsets (zero-based) and widths of an XF key.
constexpr std::size_t kFont = 0, kNumFormat = 4, kProtection = 8, kParent = 9, kAlign = 13, kBorder = 19,
                      kBorder2 = 27, kFill = 35, kFillColors = 37, kFlags = 41;

// Used-attribute flag bits.
constexpr std::uint8_t kFlagNumFormat = 0, kFlagFont = 1, kFlagAlign = 2, kFlagBorder = 3, kFlagFill = 4,
                       kFlagProtection = 5;

constexpr std::u16string_view kKeyXF0 = u"0000" u"0000" u"1" u"FFFF" u"20" u"00" u"00" u"00000000" u"00000000" u"00" u"20C0" u"00";
constexpr std::u16string_view kKeyStyleXF = u"0000" u"0000" u"1" u"FFFF" u"20" u"00" u"00" u"00000000" u"00000000" u"00" u"20C0" u"F4";
constexpr std::u16string_view kKeyXF15 = u"0000" u"0000" u"1" u"0000" u"20" u"00" u"00" u"00000000" u"00000000" u"00" u"20C0" u"00";
static_assert(kKeyXF0.size() == TXLSXFList::kKeyLength && kKeyStyleXF.size() == TXLSXFList::kKeyLength &&
              kKeyXF15.size() == TXLSXFList::kKeyLength);

/// Where one side of a border lives in the two border words.
struct Side {
  std::uint8_t codeShift;    // in word 1, 4 bits
  std::uint8_t colorWord;    // 0: word 1, 1: word 2
  std::uint8_t colorShift;   // 7 bits
};
constexpr Side kSides[4] = {
    {0, 0, 16},   // left
    {4, 0, 23},   // right
    {8, 1, 0},    // top
    {12, 1, 7},   // bottom
};

struct BorderWords {
  std::uint32_t w[2];
  std::uint32_t Code(const Side& s) const noexcept { return (w[0] >> s.codeShift) & 0xF; }
  std::uint32_t Color(const Side& s) const noexcept { return (w[s.colorWord] >> s.colorShift) & 0x7F; }
  void SetCode(const Side& s, std::uint32_t code) noexcept {
    w[0] = (w[0] & ~(0xFu << s.codeShift)) | ((code & 0xF) << s.codeShift);
  }
  void SetColor(const Side& s, std::uint32_t color) noexcept {
    w[s.colorWord] = (w[s.colorWord] & ~(0x7Fu << s.colorShift)) | ((color & 0x7F) << s.colorShift);
  }
};

BorderWords ReadBorder(const xlsBorderBlock& b) noexcept {
  return {{hexkey::Read(b.c.data(), 8), hexkey::Read(b.c.data() + 8, 8)}};
}
xlsBorderBlock WriteBorder(const BorderWords& w) noexcept {
  xlsBorderBlock b;
  hexkey::Write(b.c.data(), 8, w.w[0]);
  hexkey::Write(b.c.data() + 8, 8, w.w[1]);
  return b;
}

/// The border block with change(words, side) applied to each side named by mask.
template <class Change>
xlsBorderBlock ChangeSides(const xlsBorderBlock& block, std::uint8_t mask, Change change) {
  BorderWords w = ReadBorder(block);
  for (int i = 0; i < 4; ++i)
    if (mask & (1u << i)) change(w, kSides[i]);
  return WriteBorder(w);
}

/// The first side named by mask (left, right, top, bottom), or -1.
int FirstSide(std::uint8_t mask) noexcept {
  for (int i = 0; i < 4; ++i)
    if (mask & (1u << i)) return i;
  return -1;
}

/// A line code of the newer version as the nearest line of the older one, whose
/// line fields hold codes 0 to 7 only.
std::uint32_t Biff5LineCode(std::uint32_t code) noexcept {
  switch (code) {
    case 8:   // medium dashed
    case 10:  // medium dash-dotted
    case 12:  // medium dash-dot-dotted
    case 13:  // slanted medium dash-dotted
      return 2;  // medium
    case 9:  // thin dash-dotted
      return 3;  // dashed
    case 11:  // thin dash-dot-dotted
      return 4;  // dotted
    default:
      return code & 0x7;
  }
}

/// A variant read as a 32-bit integer; values that arrive as the unsigned form of a
/// negative constant (4294963191 for -4105) are taken as that constant.
bool AsInt32(const TVariant& v, std::int32_t& out) noexcept {
  try {
    const std::int64_t x = v.AsInt64();
    if (x < INT32_MIN || x > static_cast<std::int64_t>(UINT32_MAX)) return false;
    out = static_cast<std::int32_t>(static_cast<std::uint32_t>(x));
    return true;
  } catch (...) {
    return false;
  }
}

bool AsBool(const TVariant& v, bool& out) noexcept {
  try {
    out = v.AsBoolean();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

// ---- line-code conversions ------------------------------------------------------

std::int32_t GetLineStyleFromBorderStyle(std::int32_t code) noexcept {
  switch (code) {
    case 1: case 2: case 5: case 7: return xlContinuous;
    case 3: case 8: return xlDash;
    case 4: return xlDot;
    case 6: return xlDouble;
    case 9: case 10: return xlDashDot;
    case 11: case 12: return xlDashDotDot;
    case 13: return xlSlantDashDot;
    default: return xlLineStyleNone;
  }
}

std::int32_t GetWeightFromBorderStyle(std::int32_t code) noexcept {
  switch (code) {
    case 2: case 8: case 10: case 12: case 13: return xlMedium;
    case 5: return xlThick;
    case 7: return xlHairline;
    default: return xlThin;
  }
}

std::int32_t GetXFBorderLineStyle(std::int32_t lineStyle, std::int32_t weight, bool byStyle) noexcept {
  if (byStyle) {
    switch (lineStyle) {
      case xlContinuous:
        if (weight == xlHairline) return 7;
        if (weight == xlThick) return 5;
        if (weight == xlMedium) return 2;
        return 1;
      case xlDash: return weight == xlMedium ? 8 : 3;
      case xlDot: return 4;
      case xlDouble: return 6;
      case xlDashDot: return weight == xlMedium ? 10 : 9;
      case xlDashDotDot: return weight == xlMedium ? 12 : 11;
      case xlSlantDashDot: return 13;
      default: return 0;
    }
  }
  switch (weight) {
    case xlHairline: return 7;
    case xlThin:
      switch (lineStyle) {
        case xlDash: return 3;
        case xlDot: return 4;
        case xlDouble: return 6;
        case xlDashDot: return 9;
        case xlDashDotDot: return 11;
        default: return 1;
      }
    case xlThick: return 5;
    case xlMedium:
      switch (lineStyle) {
        case xlDash: return 8;
        case xlDashDot: return 10;
        case xlDashDotDot: return 12;
        case xlSlantDashDot: return 13;
        default: return 2;
      }
    default: return 0;
  }
}

// ---- construction and saving ------------------------------------------------------

TXLSXFList::TXLSXFList() {
  SetBaseIndex(0);
  SetPredefinedCount(kPredefined);
  SetDefaultKey(kKeyXF15);
  styles_ = std::make_unique<TXLSStyles>(*this);
  numFormats_ = std::make_unique<TXLSNumFormatList>();
  fonts_ = std::make_unique<TXLSFontList>();
}

TXLSXFList::~TXLSXFList() = default;

void TXLSXFList::CreateDefault() {
  styles_->AddBuiltinStyle(0, 0);
  numFormats_->SetBuiltinFormats();
  for (std::int32_t i = 0; i < TXLSFontList::kPredefined; ++i) fonts_->SetKeyItem(i, TXLSFontList::DefaultFontKey());
  fonts_->SetKeyIndex(TXLSFontList::DefaultFontKey(), 0);
  SetKeyItem(0, kKeyXF0);
  for (std::int32_t i = 1; i <= 14; ++i) SetKeyItem(i, kKeyStyleXF);
  SetKeyItem(kDefaultXF, kKeyXF15);
}

void TXLSXFList::CreateAllReferredList(const std::vector<std::int32_t>& extraFonts) {
  fonts_->ClearAllReferredCount();
  CreateReferredList();
  for (std::int32_t pos = 0; pos < ReferredListCount(); ++pos) {
    const std::u16string& k = GetReferredItem(pos)->key;
    if (k.size() == kKeyLength) fonts_->IncReferredCount(static_cast<std::int32_t>(hexkey::Read(k.data() + kFont, 4)));
  }
  for (const std::int32_t font : extraFonts) fonts_->IncReferredCount(font);
  fonts_->CreateReferredList();
}

TXLSBlob TXLSXFList::GetXFBlob(std::int32_t position, const TRecordContext& ctx) const {
  const TXLSKeyEntry* e = GetReferredItem(position);
  const std::u16string& key = e && e->key.size() == kKeyLength ? e->key : GetDefaultKey();
  const auto field = [&key](std::size_t offset, std::size_t width) {
    return hexkey::Read(key.data() + offset, width);
  };
  const std::uint16_t font = static_cast<std::uint16_t>(fonts_->GetSaveIndex(static_cast<std::int32_t>(field(kFont, 4))));
  const std::uint16_t numFormat = static_cast<std::uint16_t>(field(kNumFormat, 4));
  const std::uint32_t parent = field(kParent, 4);
  const std::uint16_t type = static_cast<std::uint16_t>(field(kProtection, 1) | (parent == 0xFFFF ? 0x4 : 0) |
                                                        ((parent & 0xFFF) << 4));
  const std::uint32_t align = field(kAlign, 2);
  const std::uint32_t rotation = field(kAlign + 2, 2);
  const std::uint32_t indent = field(kAlign + 4, 2);
  const std::uint32_t flags = field(kFlags, 2);
  const std::uint32_t w1 = field(kBorder, 8);
  const std::uint32_t w2 = field(kBorder2, 8);
  const std::uint32_t pattern = field(kFill, 2);
  const std::uint16_t colors = static_cast<std::uint16_t>(field(kFillColors, 4));

  if (ctx.IsBiff5()) {
    std::uint32_t orientation = 0;
    if (rotation == 255)
      orientation = 1;
    else if (rotation >= 136)
      orientation = 3;
    else if (rotation >= 46)
      orientation = 2;
    const std::uint32_t left = Biff5LineCode(w1 & 0xF), right = Biff5LineCode((w1 >> 4) & 0xF),
                        top = Biff5LineCode((w1 >> 8) & 0xF), bottom = Biff5LineCode((w1 >> 12) & 0xF);
    const std::uint32_t leftColor = (w1 >> 16) & 0x7F, rightColor = (w1 >> 23) & 0x7F, topColor = w2 & 0x7F,
                        bottomColor = (w2 >> 7) & 0x7F;
    TXLSBlob b(4 + 16);
    b.AddWord(RecNo(Rec::XF));
    b.AddWord(16);
    b.AddWord(font);                                                                          // 0: font
    b.AddWord(numFormat);                                                                     // 2: number format
    b.AddWord(type);                                                                          // 4: type, protection, parent
    b.AddWord(static_cast<std::uint16_t>(align | (orientation << 8) | ((flags & 0x3F) << 10)));  // 6: alignment
    b.AddWord(colors);                                                                        // 8: fill colours
    b.AddWord(static_cast<std::uint16_t>((pattern & 0x3F) | (bottom << 6) | (bottomColor << 9)));  // 10: pattern, bottom
    b.AddWord(static_cast<std::uint16_t>(top | (left << 3) | (right << 6) | (topColor << 9)));      // 12: top, left, right
    b.AddWord(static_cast<std::uint16_t>(leftColor | (rightColor << 7)));                           // 14: left, right colour
    return b;
  }
  TXLSBlob b(4 + 20);
  b.AddWord(RecNo(Rec::XF));
  b.AddWord(20);
  b.AddWord(font);                                            // 0: font
  b.AddWord(numFormat);                                       // 2: number format
  b.AddWord(type);                                            // 4: type, protection, parent
  b.AddByte(static_cast<std::uint8_t>(align));                // 6: alignment
  b.AddByte(static_cast<std::uint8_t>(rotation));             // 7: rotation
  b.AddByte(static_cast<std::uint8_t>(indent));               // 8: indent, shrink
  b.AddByte(static_cast<std::uint8_t>(flags << 2));           // 9: used attributes
  b.AddLong(w1);                                              // 10: border lines, left/right colour
  b.AddLong((w2 & 0x03FFFFFF) | ((pattern & 0x3F) << 26));    // 14: top/bottom colour, pattern
  b.AddWord(colors);                                          // 18: fill colours
  return b;
}

std::int32_t TXLSXFList::StoreAllXFS(IRecordSink& sink, const TRecordContext& ctx) const {
  for (std::int32_t pos = 0; pos < ReferredListCount(); ++pos) {
    TXLSBlob b = GetXFBlob(pos, ctx);
    TXLS_RETURN_ON_ERROR(sink.AppendRecord(b));
  }
  return xlsOK;
}

std::int32_t TXLSXFList::StoreAllFonts(IRecordSink& sink, const TRecordContext& ctx) const {
  return fonts_->StoreAllFonts(sink, ctx);
}
std::int32_t TXLSXFList::StoreAllNumFormats(IRecordSink& sink, const TRecordContext& ctx) const {
  return numFormats_->StoreAllNumFormats(sink, ctx);
}
std::int32_t TXLSXFList::StoreAllStyles(IRecordSink& sink, const TRecordContext& ctx) const {
  return styles_->StoreAllStyles(sink, ctx);
}

// ---- keys and groups ----------------------------------------------------------------

TXLSXFList::Key TXLSXFList::OwnKey(std::int32_t XFIndex) const noexcept {
  const std::u16string* k = &GetKey(XFIndex == 0 ? kDefaultXF : XFIndex);
  if (k->size() != kKeyLength) k = &GetDefaultKey();
  Key out;
  k->copy(out.data(), kKeyLength);
  return out;
}

TXLSXFList::Key TXLSXFList::EffectiveKey(std::int32_t XFIndex, std::uint8_t flagBit) const noexcept {
  Key own = OwnKey(XFIndex);
  if (hexkey::Read(own.data() + kFlags, 2) & (1u << flagBit)) return own;
  const std::uint32_t parent = hexkey::Read(own.data() + kParent, 4);
  const std::int32_t styleXF = parent == 0 ? 0 : styles_->GetXFIndex(static_cast<std::int32_t>(parent));
  const std::u16string& k = GetKey(styleXF);
  if (k.size() != kKeyLength) return own;
  if (hexkey::Read(k.data() + kFlags, 2) & (1u << flagBit)) return own;
  Key style;
  k.copy(style.data(), kKeyLength);
  return style;
}

std::int32_t TXLSXFList::SetGroup(std::int32_t XFIndex, std::size_t offset, std::u16string_view chars,
                                  std::uint8_t flagBit, bool ReplaceIndex) {
  Key k = OwnKey(XFIndex);
  chars.copy(k.data() + offset, chars.size());
  hexkey::Write(k.data() + kFlags, 2, hexkey::Read(k.data() + kFlags, 2) | (1u << flagBit));
  const std::u16string_view key(k.data(), kKeyLength);
  // A format no cell uses yet would be one XF record more: past the limit the
  // cell keeps the format it has.
  if (GetPredefinedCount() + GetReferredCount() >= kMaxXFRecords) {
    const std::int32_t found = FindKey(key);
    if (found <= 0 || GetRefCount(found) == 0) {
      limitReached_ = true;
      return Unchanged(XFIndex, ReplaceIndex);
    }
  }
  return SetKey(ReplaceIndex ? XFIndex : 0, key);
}

std::int32_t TXLSXFList::Unchanged(std::int32_t XFIndex, bool ReplaceIndex) noexcept {
  if (!ReplaceIndex) IncReferredCount(XFIndex);
  return XFIndex;
}

std::int32_t TXLSXFList::GetListIndex(std::int32_t XFIndex, std::size_t offset, std::uint8_t flagBit) const noexcept {
  const Key k = EffectiveKey(XFIndex, flagBit);
  return static_cast<std::int32_t>(hexkey::Read(k.data() + offset, 4));
}

std::int32_t TXLSXFList::SetListIndex(std::int32_t XFIndex, std::int32_t index, std::size_t offset,
                                      std::uint8_t flagBit, bool ReplaceIndex) {
  if (index < 0 || index > 0xFFFF) return Unchanged(XFIndex, ReplaceIndex);
  char16_t f[4];
  hexkey::Write(f, 4, static_cast<std::uint32_t>(index));
  return SetGroup(XFIndex, offset, std::u16string_view(f, 4), flagBit, ReplaceIndex);
}

std::int32_t TXLSXFList::GetFontIndex(std::int32_t XFIndex) const noexcept {
  return GetListIndex(XFIndex, kFont, kFlagFont);
}

std::int32_t TXLSXFList::SetFontIndex(std::int32_t XFIndex, std::int32_t fontIndex, bool ReplaceIndex) {
  return SetListIndex(XFIndex, fontIndex, kFont, kFlagFont, ReplaceIndex);
}

std::int32_t TXLSXFList::GetNumFormatIndex(std::int32_t XFIndex) const noexcept {
  return GetListIndex(XFIndex, kNumFormat, kFlagNumFormat);
}

std::int32_t TXLSXFList::SetNumFormatIndex(std::int32_t XFIndex, std::int32_t formatIndex, bool ReplaceIndex) {
  return SetListIndex(XFIndex, formatIndex, kNumFormat, kFlagNumFormat, ReplaceIndex);
}

std::uint8_t TXLSXFList::GetProtection(std::int32_t XFIndex) const noexcept {
  const Key k = EffectiveKey(XFIndex, kFlagProtection);
  return static_cast<std::uint8_t>(hexkey::Read(k.data() + kProtection, 1));
}

std::int32_t TXLSXFList::SetProtection(std::int32_t XFIndex, std::uint8_t protection, bool ReplaceIndex) {
  char16_t p[1];
  hexkey::Write(p, 1, protection);
  return SetGroup(XFIndex, kProtection, std::u16string_view(p, 1), kFlagProtection, ReplaceIndex);
}

template <class Block>
Block TXLSXFList::GetBlock(std::int32_t XFIndex, std::size_t offset, std::uint8_t flagBit) const noexcept {
  const Key k = EffectiveKey(XFIndex, flagBit);
  Block b;
  std::copy_n(k.data() + offset, b.c.size(), b.c.data());
  return b;
}

xlsAlignBlock TXLSXFList::GetAlignBlock(std::int32_t XFIndex) const noexcept {
  return GetBlock<xlsAlignBlock>(XFIndex, kAlign, kFlagAlign);
}

std::int32_t TXLSXFList::SetAlignBlock(std::int32_t XFIndex, const xlsAlignBlock& block, bool ReplaceIndex) {
  return SetGroup(XFIndex, kAlign, block.View(), kFlagAlign, ReplaceIndex);
}

xlsBorderBlock TXLSXFList::GetBorderBlock(std::int32_t XFIndex) const noexcept {
  return GetBlock<xlsBorderBlock>(XFIndex, kBorder, kFlagBorder);
}

std::int32_t TXLSXFList::SetBorderBlock(std::int32_t XFIndex, const xlsBorderBlock& block, bool ReplaceIndex) {
  return SetGroup(XFIndex, kBorder, block.View(), kFlagBorder, ReplaceIndex);
}

xlsBackgroundBlock TXLSXFList::GetBackgroundBlock(std::int32_t XFIndex) const noexcept {
  return GetBlock<xlsBackgroundBlock>(XFIndex, kFill, kFlagFill);
}

std::int32_t TXLSXFList::SetBackgroundBlock(std::int32_t XFIndex, const xlsBackgroundBlock& block,
                                            bool ReplaceIndex) {
  return SetGroup(XFIndex, kFill, block.View(), kFlagFill, ReplaceIndex);
}

bool TXLSXFList::GetBordersDefined(std::int32_t XFIndex) const noexcept {
  const Key k = OwnKey(XFIndex);
  return (hexkey::Read(k.data() + kFlags, 2) >> kFlagBorder) & 1;
}

// ---- font properties ------------------------------------------------------------------

bool TXLSXFList::GetFontBold(std::int32_t XFIndex) const noexcept { return fonts_->GetBold(GetFontIndex(XFIndex)); }
std::uint8_t TXLSXFList::GetFontCharSet(std::int32_t XFIndex) const noexcept {
  return fonts_->GetCharSet(GetFontIndex(XFIndex));
}
std::int32_t TXLSXFList::GetFontColorIndex(std::int32_t XFIndex) const noexcept {
  return fonts_->GetColorIndex(GetFontIndex(XFIndex));
}
std::uint8_t TXLSXFList::GetFontFamily(std::int32_t XFIndex) const noexcept {
  return fonts_->GetFamily(GetFontIndex(XFIndex));
}
bool TXLSXFList::GetFontItalic(std::int32_t XFIndex) const noexcept {
  return fonts_->GetItalic(GetFontIndex(XFIndex));
}
std::u16string TXLSXFList::GetFontName(std::int32_t XFIndex) const { return fonts_->GetName(GetFontIndex(XFIndex)); }
bool TXLSXFList::GetFontOutLineFont(std::int32_t XFIndex) const noexcept {
  return fonts_->GetOutLineFont(GetFontIndex(XFIndex));
}
bool TXLSXFList::GetFontShadow(std::int32_t XFIndex) const noexcept {
  return fonts_->GetShadow(GetFontIndex(XFIndex));
}
double TXLSXFList::GetFontSize(std::int32_t XFIndex) const noexcept { return fonts_->GetSize(GetFontIndex(XFIndex)); }
bool TXLSXFList::GetFontStrikethrough(std::int32_t XFIndex) const noexcept {
  return fonts_->GetStrikethrough(GetFontIndex(XFIndex));
}
bool TXLSXFList::GetFontSubScript(std::int32_t XFIndex) const noexcept {
  return fonts_->GetSubScript(GetFontIndex(XFIndex));
}
bool TXLSXFList::GetFontSuperScript(std::int32_t XFIndex) const noexcept {
  return fonts_->GetSuperScript(GetFontIndex(XFIndex));
}
std::uint8_t TXLSXFList::GetFontUnderLine(std::int32_t XFIndex) const noexcept {
  return fonts_->GetUnderLine(GetFontIndex(XFIndex));
}

#define TXLS_FONT_BOOL_SETTER(Name, FontSetter)                                               \
  std::int32_t TXLSXFList::Name(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) { \
    bool v;                                                                                   \
    if (!AsBool(Value, v)) return Unchanged(XFIndex, ReplaceIndex);                           \
    const std::int32_t f = fonts_->FontSetter(GetFontIndex(XFIndex), v);                      \
    return SetFontIndex(XFIndex, f, ReplaceIndex);                                            \
  }
TXLS_FONT_BOOL_SETTER(SetFontBold, SetBold)
TXLS_FONT_BOOL_SETTER(SetFontItalic, SetItalic)
TXLS_FONT_BOOL_SETTER(SetFontStrikethrough, SetStrikethrough)
TXLS_FONT_BOOL_SETTER(SetFontOutLineFont, SetOutLineFont)
TXLS_FONT_BOOL_SETTER(SetFontShadow, SetShadow)
TXLS_FONT_BOOL_SETTER(SetFontSubScript, SetSubScript)
TXLS_FONT_BOOL_SETTER(SetFontSuperScript, SetSuperScript)
#undef TXLS_FONT_BOOL_SETTER

#define TXLS_FONT_BYTE_SETTER(Name, FontSetter)                                               \
  std::int32_t TXLSXFList::Name(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) { \
    std::int32_t v;                                                                           \
    if (!AsInt32(Value, v)) return Unchanged(XFIndex, ReplaceIndex);                          \
    const std::int32_t f = fonts_->FontSetter(GetFontIndex(XFIndex), static_cast<std::uint8_t>(v)); \
    return SetFontIndex(XFIndex, f, ReplaceIndex);                                            \
  }
TXLS_FONT_BYTE_SETTER(SetFontCharSet, SetCharSet)
TXLS_FONT_BYTE_SETTER(SetFontFamily, SetFamily)
TXLS_FONT_BYTE_SETTER(SetFontUnderLine, SetUnderLine)
#undef TXLS_FONT_BYTE_SETTER

std::int32_t TXLSXFList::SetFontColorIndex(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  std::int64_t v;
  try {
    v = Value.AsInt64();
  } catch (...) {
    return Unchanged(XFIndex, ReplaceIndex);
  }
  const std::int32_t f = fonts_->SetColorIndex(GetFontIndex(XFIndex), static_cast<std::uint32_t>(v));
  return SetFontIndex(XFIndex, f, ReplaceIndex);
}

std::int32_t TXLSXFList::SetFontSize(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  double size;
  try {
    size = Value.AsDouble();
  } catch (...) {
    return Unchanged(XFIndex, ReplaceIndex);
  }
  // The key holds the height in 4 hexadecimal digits of twentieths of a point;
  // the range is checked before the size is narrowed to single precision.
  if (!(size > -1.0 && size < 4000.0)) return Unchanged(XFIndex, ReplaceIndex);
  const double height = std::nearbyint(static_cast<double>(static_cast<float>(size)) * 20.0);
  if (!(height >= 0.0 && height <= 65535.0)) return Unchanged(XFIndex, ReplaceIndex);
  const std::int32_t f = fonts_->SetSize(GetFontIndex(XFIndex), static_cast<float>(size));
  return SetFontIndex(XFIndex, f, ReplaceIndex);
}

std::int32_t TXLSXFList::SetFontName(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  std::u16string name;
  try {
    name = Value.AsWideString();
  } catch (...) {
    return Unchanged(XFIndex, ReplaceIndex);
  }
  if (name.size() > TXLSFontList::kMaxNameLength) return Unchanged(XFIndex, ReplaceIndex);
  const std::int32_t f = fonts_->SetName(GetFontIndex(XFIndex), name);
  return SetFontIndex(XFIndex, f, ReplaceIndex);
}

// ---- number format and protection --------------------------------------------------

const std::u16string& TXLSXFList::GetNumFormat(std::int32_t XFIndex) const noexcept {
  return numFormats_->GetItem(GetNumFormatIndex(XFIndex));
}

std::int32_t TXLSXFList::SetNumFormat(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  std::u16string text;
  try {
    text = Value.AsWideString();
  } catch (...) {
    return Unchanged(XFIndex, ReplaceIndex);
  }
  if (numFormats_->GetIndex(text) <= 0 && !text.empty() && numFormats_->Count() >= kMaxNumFormats) {
    limitReached_ = true;
    return Unchanged(XFIndex, ReplaceIndex);
  }
  return SetNumFormatIndex(XFIndex, numFormats_->AddValue(text), ReplaceIndex);
}

bool TXLSXFList::GetLocked(std::int32_t XFIndex) const noexcept { return GetProtection(XFIndex) & 1; }
bool TXLSXFList::GetHidden(std::int32_t XFIndex) const noexcept { return (GetProtection(XFIndex) >> 1) & 1; }

std::int32_t TXLSXFList::SetLocked(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  bool v;
  if (!AsBool(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  const std::uint8_t p = GetProtection(XFIndex);
  return SetProtection(XFIndex, static_cast<std::uint8_t>(v ? (p | 1) : (p & ~1)), ReplaceIndex);
}

std::int32_t TXLSXFList::SetHidden(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  bool v;
  if (!AsBool(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  const std::uint8_t p = GetProtection(XFIndex);
  return SetProtection(XFIndex, static_cast<std::uint8_t>(v ? (p | 2) : (p & ~2)), ReplaceIndex);
}

// ---- alignment ---------------------------------------------------------------------------

namespace {
// Bytes of the alignment block: 0 alignment, 1 rotation, 2 indent.
std::uint32_t AlignByte(const xlsAlignBlock& b, std::size_t byteNo) noexcept {
  return hexkey::Read(b.c.data() + 2 * byteNo, 2);
}
}  // namespace

std::int32_t TXLSXFList::SetAlignField(std::int32_t XFIndex, std::size_t byteNo, std::uint8_t keep,
                                       std::uint8_t set, bool ReplaceIndex) {
  xlsAlignBlock b = GetAlignBlock(XFIndex);
  const std::uint32_t v = (AlignByte(b, byteNo) & keep) | set;
  hexkey::Write(b.c.data() + 2 * byteNo, 2, v);
  return SetAlignBlock(XFIndex, b, ReplaceIndex);
}

std::int32_t TXLSXFList::GetHorAlign(std::int32_t XFIndex) const noexcept {
  return static_cast<std::int32_t>(AlignByte(GetAlignBlock(XFIndex), 0) & 0x7);
}
std::int32_t TXLSXFList::GetVerAlign(std::int32_t XFIndex) const noexcept {
  return static_cast<std::int32_t>((AlignByte(GetAlignBlock(XFIndex), 0) >> 4) & 0x7);
}
bool TXLSXFList::GetWrap(std::int32_t XFIndex) const noexcept {
  return (AlignByte(GetAlignBlock(XFIndex), 0) >> 3) & 1;
}
std::int32_t TXLSXFList::GetOrientation(std::int32_t XFIndex) const noexcept {
  return static_cast<std::int32_t>(AlignByte(GetAlignBlock(XFIndex), 1));
}
std::int32_t TXLSXFList::GetIndentLevel(std::int32_t XFIndex) const noexcept {
  return static_cast<std::int32_t>(AlignByte(GetAlignBlock(XFIndex), 2) & 0xF);
}
bool TXLSXFList::GetShrinkToFit(std::int32_t XFIndex) const noexcept {
  return (AlignByte(GetAlignBlock(XFIndex), 2) >> 4) & 1;
}

std::int32_t TXLSXFList::SetHorAlign(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  std::int32_t v;
  if (!AsInt32(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  return SetAlignField(XFIndex, 0, 0xF8, static_cast<std::uint8_t>(v & 0x7), ReplaceIndex);
}

std::int32_t TXLSXFList::SetVerAlign(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  std::int32_t v;
  if (!AsInt32(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  return SetAlignField(XFIndex, 0, 0x8F, static_cast<std::uint8_t>((v & 0x7) << 4), ReplaceIndex);
}

std::int32_t TXLSXFList::SetWrap(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  bool v;
  if (!AsBool(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  return SetAlignField(XFIndex, 0, 0xF7, v ? 0x08 : 0, ReplaceIndex);
}

std::int32_t TXLSXFList::SetOrientation(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  std::int32_t v;
  if (!AsInt32(Value, v) || v < 0 || v > 255) return Unchanged(XFIndex, ReplaceIndex);
  return SetAlignField(XFIndex, 1, 0, static_cast<std::uint8_t>(v), ReplaceIndex);
}

std::int32_t TXLSXFList::SetIndentLevel(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  std::int32_t v;
  if (!AsInt32(Value, v) || v < 0 || v > 15) return Unchanged(XFIndex, ReplaceIndex);
  return SetAlignField(XFIndex, 2, 0xF0, static_cast<std::uint8_t>(v), ReplaceIndex);
}

std::int32_t TXLSXFList::SetShrinkToFit(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  bool v;
  if (!AsBool(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  return SetAlignField(XFIndex, 2, 0xEF, v ? 0x10 : 0, ReplaceIndex);
}

// ---- fill -------------------------------------------------------------------------------------

namespace {

/// The fill block taken apart: pattern P, foreground F, background B, and the
/// carried bits 14-15 of the colours word.
struct Fill {
  std::uint32_t pattern, fore, back, carried;

  static Fill Read(const xlsBackgroundBlock& b) noexcept {
    const std::uint32_t colors = hexkey::Read(b.c.data() + 2, 4);
    return {hexkey::Read(b.c.data(), 2), colors & 0x7F, (colors >> 7) & 0x7F, colors & 0xC000};
  }
  xlsBackgroundBlock Write() const noexcept {
    xlsBackgroundBlock b;
    hexkey::Write(b.c.data(), 2, pattern);
    hexkey::Write(b.c.data() + 2, 4, carried | (back << 7) | fore);
    return b;
  }
  void Clear() noexcept {
    pattern = 0;
    fore = kPaletteForeground;
    back = kPaletteBackground;
  }
  static constexpr std::uint32_t kPaletteForeground = 64;
  static constexpr std::uint32_t kPaletteBackground = 65;
};

}  // namespace

std::int32_t TXLSXFList::GetInteriorPattern(std::int32_t XFIndex) const noexcept {
  return static_cast<std::int32_t>(Fill::Read(GetBackgroundBlock(XFIndex)).pattern & 0x7F);
}

std::int32_t TXLSXFList::GetInteriorColorIndex(std::int32_t XFIndex) const noexcept {
  const Fill f = Fill::Read(GetBackgroundBlock(XFIndex));
  const std::uint32_t p = f.pattern & 0x7F;
  return static_cast<std::int32_t>(p == 0 ? 0 : p == 1 ? f.fore : f.back);
}

std::int32_t TXLSXFList::GetInteriorPatternColorIndex(std::int32_t XFIndex) const noexcept {
  const Fill f = Fill::Read(GetBackgroundBlock(XFIndex));
  const std::uint32_t p = f.pattern & 0x7F;
  return static_cast<std::int32_t>(p == 0 ? 0 : p == 1 ? f.back : f.fore);
}

std::int32_t TXLSXFList::SetInteriorPattern(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  std::int32_t v;
  if (!AsInt32(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  Fill f = Fill::Read(GetBackgroundBlock(XFIndex));
  if (v == 0) {
    f.Clear();
  } else {
    // Solid fills draw in the foreground colour, patterns show the background
    // between their dots: the colours swap when the fill changes between the two.
    if ((f.pattern == 1) != (v == 1)) std::swap(f.fore, f.back);
    f.pattern = static_cast<std::uint32_t>(v) & 0x7F;
  }
  return SetBackgroundBlock(XFIndex, f.Write(), ReplaceIndex);
}

// A fill colour: the interior colour is the foreground of a solid fill and the
// background between a pattern's dots, the pattern colour the other way round.
std::int32_t TXLSXFList::SetFillColorIndex(std::int32_t XFIndex, const TVariant& Value, bool patternColor,
                                           bool ReplaceIndex) {
  std::int32_t v;
  if (!AsInt32(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  Fill f = Fill::Read(GetBackgroundBlock(XFIndex));
  std::uint32_t& solid = patternColor ? f.back : f.fore;  // the one set in a solid fill
  std::uint32_t& other = patternColor ? f.fore : f.back;
  const std::uint32_t c = static_cast<std::uint32_t>(v) & 0x7F;
  if (v == 0) {
    f.Clear();
  } else if (f.pattern == 0) {
    f.pattern = 1;
    other = solid;
    solid = c;
  } else if (f.pattern == 1) {
    solid = c;
  } else {
    other = c;
  }
  return SetBackgroundBlock(XFIndex, f.Write(), ReplaceIndex);
}

std::int32_t TXLSXFList::SetInteriorColorIndex(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex) {
  return SetFillColorIndex(XFIndex, Value, false, ReplaceIndex);
}

std::int32_t TXLSXFList::SetInteriorPatternColorIndex(std::int32_t XFIndex, const TVariant& Value,
                                                      bool ReplaceIndex) {
  return SetFillColorIndex(XFIndex, Value, true, ReplaceIndex);
}

// ---- borders ------------------------------------------------------------------------------------

std::int32_t TXLSXFList::GetBorderLineStyle(std::int32_t XFIndex, std::uint8_t BorderMask) const noexcept {
  const int side = FirstSide(BorderMask);
  const std::uint32_t code = side < 0 ? 0 : ReadBorder(GetBorderBlock(XFIndex)).Code(kSides[side]);
  return GetLineStyleFromBorderStyle(static_cast<std::int32_t>(code));
}

std::int32_t TXLSXFList::GetBorderWeight(std::int32_t XFIndex, std::uint8_t BorderMask) const noexcept {
  const int side = FirstSide(BorderMask);
  const std::uint32_t code = side < 0 ? 0 : ReadBorder(GetBorderBlock(XFIndex)).Code(kSides[side]);
  return GetWeightFromBorderStyle(static_cast<std::int32_t>(code));
}

std::int32_t TXLSXFList::GetBorderColorIndex(std::int32_t XFIndex, std::uint8_t BorderMask) const noexcept {
  const int side = FirstSide(BorderMask);
  const std::int32_t c =
      side < 0 ? 0 : static_cast<std::int32_t>(ReadBorder(GetBorderBlock(XFIndex)).Color(kSides[side]));
  if (c == 0) return xlColorIndexNone;
  if (c == 64) return xlColorIndexAutomatic;
  return c <= 7 ? c : c - 7;
}

std::int32_t TXLSXFList::SetBorderLineStyle(std::int32_t XFIndex, std::uint8_t BorderMask, const TVariant& Value,
                                            bool ReplaceIndex) {
  std::int32_t v;
  if ((BorderMask & 0xF) == 0 || !AsInt32(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  const auto change = [v](BorderWords& w, const Side& s) {
    const std::int32_t weight = GetWeightFromBorderStyle(static_cast<std::int32_t>(w.Code(s)));
    w.SetCode(s, static_cast<std::uint32_t>(GetXFBorderLineStyle(v, weight, true)));
    if (v == xlLineStyleNone)
      w.SetColor(s, 0);
    else if (w.Color(s) == 0)
      w.SetColor(s, 64);
  };
  return SetBorderBlock(XFIndex, ChangeSides(GetBorderBlock(XFIndex), BorderMask, change), ReplaceIndex);
}

std::int32_t TXLSXFList::SetBorderWeight(std::int32_t XFIndex, std::uint8_t BorderMask, const TVariant& Value,
                                         bool ReplaceIndex) {
  std::int32_t v;
  if ((BorderMask & 0xF) == 0 || !AsInt32(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  const auto change = [v](BorderWords& w, const Side& s) {
    const std::int32_t style = GetLineStyleFromBorderStyle(static_cast<std::int32_t>(w.Code(s)));
    w.SetCode(s, static_cast<std::uint32_t>(GetXFBorderLineStyle(style, v, false)));
    if (w.Color(s) == 0) w.SetColor(s, 64);
  };
  return SetBorderBlock(XFIndex, ChangeSides(GetBorderBlock(XFIndex), BorderMask, change), ReplaceIndex);
}

std::int32_t TXLSXFList::SetBorderColorIndex(std::int32_t XFIndex, std::uint8_t BorderMask, const TVariant& Value,
                                             bool ReplaceIndex) {
  std::int32_t v;
  if ((BorderMask & 0xF) == 0 || !AsInt32(Value, v)) return Unchanged(XFIndex, ReplaceIndex);
  std::uint32_t c;
  if (v == 0 || v == xlColorIndexNone)
    c = 0;
  else if (v >= 1 && v <= 56)
    c = static_cast<std::uint32_t>(v + 7);
  else if (v == xlColorIndexAutomatic)
    c = 64;
  else
    return Unchanged(XFIndex, ReplaceIndex);
  const auto change = [c](BorderWords& w, const Side& s) {
    w.SetColor(s, c);
    if (c == 0)
      w.SetCode(s, 0);
    else if (w.Code(s) == 0)
      w.SetCode(s, 1);
  };
  return SetBorderBlock(XFIndex, ChangeSides(GetBorderBlock(XFIndex), BorderMask, change), ReplaceIndex);
}

}  // namespace tablirex
