#include "formats/font_list.h"

#include <cmath>

#include "biff/records.h"
#include "formats/hex_key.h"
#include "tablirex/result.h"
#include "tablirex/colors.h"
#include "text/text.h"

namespace tablirex {
namespace {

// Field offsets (zero-based) and widths of a font key.
constexpr std::size_t kHeight = 0, kColor = 4, kBold = 8, kItalic = 9, kStrike = 10, kOutline = 11,
                      kShadow = 12, kUnderline = 13, kSub = 15, kSuper = 16, kFamily = 17, kCharSet = 19;

constexpr std::u16string_view kDefaultFontKey = u"00C8" u"0000" u"00000" u"00" u"00" u"00" u"00" u"Arial";
static_assert(kDefaultFontKey.size() == TXLSFontList::kFixedLength + 5);

}  // namespace

TXLSFontList::TXLSFontList() {
  SetBaseIndex(0);
  SetPredefinedCount(kPredefined);
  SetDefaultKey(kDefaultFontKey);
}

std::u16string_view TXLSFontList::DefaultFontKey() noexcept { return kDefaultFontKey; }

std::uint32_t TXLSFontList::Field(std::int32_t index, std::size_t offset, std::size_t width) const noexcept {
  const std::u16string* k = &GetKey(index);
  if (k->size() < kFixedLength) k = &GetDefaultKey();
  return hexkey::Read(k->data() + offset, width);
}

std::int32_t TXLSFontList::SetField(std::int32_t index, std::size_t offset, std::size_t width,
                                    std::uint32_t value) {
  const std::u16string& k = GetKey(index);
  if (k.size() < kFixedLength) return index;
  char16_t buf[kFixedLength + kMaxNameLength];
  if (k.size() <= std::size(buf)) {
    k.copy(buf, k.size());
    hexkey::Write(buf + offset, width, value);
    return SetKey(index, std::u16string_view(buf, k.size()));
  }
  std::u16string longKey(k);
  hexkey::Write(longKey.data() + offset, width, value);
  return SetKey(index, longKey);
}

double TXLSFontList::GetSize(std::int32_t index) const noexcept { return Field(index, kHeight, 4) / 20.0; }

std::int32_t TXLSFontList::GetColorIndex(std::int32_t index) const noexcept {
  const std::uint32_t c = Field(index, kColor, 4);
  return c == static_cast<std::uint32_t>(xlFontColorAutomatic) ? xlColorIndexAutomatic : static_cast<std::int32_t>(c);
}

bool TXLSFontList::GetBold(std::int32_t index) const noexcept { return Field(index, kBold, 1) == 1; }
bool TXLSFontList::GetItalic(std::int32_t index) const noexcept { return Field(index, kItalic, 1) == 1; }
bool TXLSFontList::GetStrikethrough(std::int32_t index) const noexcept { return Field(index, kStrike, 1) == 1; }
bool TXLSFontList::GetOutLineFont(std::int32_t index) const noexcept { return Field(index, kOutline, 1) == 1; }
bool TXLSFontList::GetShadow(std::int32_t index) const noexcept { return Field(index, kShadow, 1) == 1; }
bool TXLSFontList::GetSubScript(std::int32_t index) const noexcept { return Field(index, kSub, 1) == 1; }
bool TXLSFontList::GetSuperScript(std::int32_t index) const noexcept { return Field(index, kSuper, 1) == 1; }
std::uint8_t TXLSFontList::GetUnderLine(std::int32_t index) const noexcept {
  return static_cast<std::uint8_t>(Field(index, kUnderline, 2));
}
std::uint8_t TXLSFontList::GetFamily(std::int32_t index) const noexcept {
  return static_cast<std::uint8_t>(Field(index, kFamily, 2));
}
std::uint8_t TXLSFontList::GetCharSet(std::int32_t index) const noexcept {
  return static_cast<std::uint8_t>(Field(index, kCharSet, 2));
}

std::u16string TXLSFontList::GetName(std::int32_t index) const {
  const std::u16string* k = &GetKey(index);
  if (k->size() < kFixedLength) k = &GetDefaultKey();
  return k->substr(kFixedLength);
}

std::int32_t TXLSFontList::SetSize(std::int32_t index, float size) {
  // nearbyint rounds halves to the even neighbour in the default rounding mode.
  const double height = std::nearbyint(static_cast<double>(size) * 20.0);
  if (!(height >= 0.0 && height <= 65535.0)) return index;
  return SetField(index, kHeight, 4, static_cast<std::uint32_t>(height));
}

std::int32_t TXLSFontList::SetColorIndex(std::int32_t index, std::uint32_t color) {
  const std::uint32_t stored = color == static_cast<std::uint32_t>(xlColorIndexAutomatic)
                                   ? static_cast<std::uint32_t>(xlFontColorAutomatic)
                                   : (color & 0xFFFF);
  return SetField(index, kColor, 4, stored);
}

std::int32_t TXLSFontList::SetBold(std::int32_t index, bool value) { return SetField(index, kBold, 1, value); }
std::int32_t TXLSFontList::SetItalic(std::int32_t index, bool value) { return SetField(index, kItalic, 1, value); }
std::int32_t TXLSFontList::SetStrikethrough(std::int32_t index, bool value) {
  return SetField(index, kStrike, 1, value);
}
std::int32_t TXLSFontList::SetOutLineFont(std::int32_t index, bool value) {
  return SetField(index, kOutline, 1, value);
}
std::int32_t TXLSFontList::SetShadow(std::int32_t index, bool value) { return SetField(index, kShadow, 1, value); }
std::int32_t TXLSFontList::SetSubScript(std::int32_t index, bool value) { return SetField(index, kSub, 1, value); }
std::int32_t TXLSFontList::SetSuperScript(std::int32_t index, bool value) {
  return SetField(index, kSuper, 1, value);
}
std::int32_t TXLSFontList::SetUnderLine(std::int32_t index, std::uint8_t value) {
  return SetField(index, kUnderline, 2, value);
}
std::int32_t TXLSFontList::SetFamily(std::int32_t index, std::uint8_t value) {
  return SetField(index, kFamily, 2, value);
}
std::int32_t TXLSFontList::SetCharSet(std::int32_t index, std::uint8_t value) {
  return SetField(index, kCharSet, 2, value);
}

std::string TXLSFontList::CheckName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxFaceLength)
    return "a font name has 1 to " + std::to_string(kMaxFaceLength) + " characters, this one " +
           std::to_string(name.size());
  for (const char16_t c : name)
    if (c < 0x20 || c == 0x7F) return "a font name holds no control characters";
  return {};
}

std::int32_t TXLSFontList::SetName(std::int32_t index, std::u16string_view name) {
  if (name.size() > kMaxNameLength) return index;
  const std::u16string* k = &GetKey(index);
  if (k->size() < kFixedLength) k = &GetDefaultKey();
  char16_t buf[kFixedLength + kMaxNameLength];
  k->copy(buf, kFixedLength);
  name.copy(buf + kFixedLength, name.size());
  return SetKey(index, std::u16string_view(buf, kFixedLength + name.size()));
}

TXLSBlob TXLSFontList::GetFont(std::int32_t position, const TRecordContext& ctx) const {
  const TXLSKeyEntry* e = GetReferredItem(position);
  const std::u16string& key = e && e->key.size() >= kFixedLength ? e->key : GetDefaultKey();
  const std::u16string_view name = CutUtf16(std::u16string_view(key).substr(kFixedLength), kMaxNameLength);
  const auto field = [&key](std::size_t offset, std::size_t width) {
    return hexkey::Read(key.data() + offset, width);
  };

  std::string narrow;
  std::uint32_t body = 0;
  if (ctx.IsBiff5()) {
    narrow = Utf16ToCodePage(name, ctx.codePage);
    if (narrow.size() > kMaxNameLength) narrow.resize(kMaxNameLength);
    body = 15 + static_cast<std::uint32_t>(narrow.size());
  } else {
    body = 16 + 2 * static_cast<std::uint32_t>(name.size());
  }
  // Bit 0 repeats the weight's boldness (700 or more): some readers look only at it.
  const bool bold = field(kBold, 1) == 1;
  const std::uint16_t options = static_cast<std::uint16_t>((bold ? 0x01 : 0) |
                                                           (field(kItalic, 1) == 1 ? 0x02 : 0) |
                                                           (field(kStrike, 1) == 1 ? 0x08 : 0) |
                                                           (field(kOutline, 1) == 1 ? 0x10 : 0) |
                                                           (field(kShadow, 1) == 1 ? 0x20 : 0));

  TXLSBlob b(4 + body);
  b.AddWord(RecNo(Rec::FONT));
  b.AddWord(static_cast<std::uint16_t>(body));
  b.AddWord(static_cast<std::uint16_t>(field(kHeight, 4)));           // 0: height, twentieths of a point
  b.AddWord(options);                                                  // 2: option flags
  b.AddWord(static_cast<std::uint16_t>(field(kColor, 4)));            // 4: colour index
  b.AddWord(bold ? 700 : 400);                                         // 6: weight
  b.AddWord(static_cast<std::uint16_t>((field(kSuper, 1) == 1 ? 1 : 0) +
                                       (field(kSub, 1) == 1 ? 2 : 0)));  // 8: escapement
  b.AddByte(static_cast<std::uint8_t>(field(kUnderline, 2)));         // 10: underline
  b.AddByte(static_cast<std::uint8_t>(field(kFamily, 2)));            // 11: family
  b.AddByte(static_cast<std::uint8_t>(field(kCharSet, 2)));           // 12: character set
  b.AddByte(0);                                                        // 13: reserved
  if (ctx.IsBiff5()) {
    b.AddByte(static_cast<std::uint8_t>(narrow.size()));  // 14: name length
    b.AddString(narrow);                                  // 15: name, 8-bit
  } else {
    b.AddByte(static_cast<std::uint8_t>(name.size()));  // 14: name length
    b.AddByte(1);                                       // 15: 16-bit characters
    b.AddWideString(name);                              // 16: name
  }
  b.SetWord(static_cast<std::uint16_t>(b.GetDataSize() - 4), 2);
  return b;
}

std::int32_t TXLSFontList::StoreAllFonts(IRecordSink& sink, const TRecordContext& ctx) const {
  for (std::int32_t pos = 0; pos < ReferredListCount(); ++pos) {
    TXLSBlob b = GetFont(pos, ctx);
    TXLS_RETURN_ON_ERROR(sink.AppendRecord(b));
  }
  return xlsOK;
}

}  // namespace tablirex
