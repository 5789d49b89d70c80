#include "formats/styles.h"

#include "formats/hex_key.h"
#include "tablirex/result.h"
#include "text/text.h"

#include "biff/records.h"

namespace tablirex {
namespace {

constexpr std::size_t kMaxNameLength = 255;

}  // namespace

TXLSStyles::TXLSStyles(TXLSKeyList& xfList) : xfList_(xfList) { SetBaseIndex(0); }

std::int32_t TXLSStyles::Add(std::u16string_view key, std::int32_t xfIndex) {
  // A style holds a reference to its XF so that the XF is written while the style
  // is; a replaced style gives its reference back.
  xfList_.IncReferredCount(xfIndex);
  if (const auto* old = static_cast<const TXLSStyleEntry*>(GetItembyName(key)))
    xfList_.ReplaceIndex(old->xfIndex, 0);
  return AddItem(std::make_unique<TXLSStyleEntry>(key, xfIndex));
}

std::int32_t TXLSStyles::AddBuiltinStyle(std::uint8_t id, std::int32_t xfIndex) {
  char16_t key[2];
  hexkey::Write(key, 2, id);
  return Add(std::u16string_view(key, 2), xfIndex);
}

std::int32_t TXLSStyles::AddStyle(std::u16string_view name, std::int32_t xfIndex) {
  std::u16string key(u"XX");
  key.append(name);
  return Add(key, xfIndex);
}

std::int32_t TXLSStyles::GetXFIndex(std::int32_t index) const noexcept {
  const auto* e = static_cast<const TXLSStyleEntry*>(GetItem(index));
  return e ? e->xfIndex : 0;
}

std::optional<TXLSBlob> TXLSStyles::GetStyleBlob(std::int32_t index, const TRecordContext& ctx) const {
  const auto* e = static_cast<const TXLSStyleEntry*>(GetItem(index));
  if (!e) return std::nullopt;
  const std::int32_t save = xfList_.GetSaveIndex(e->xfIndex);
  const std::uint16_t xf = static_cast<std::uint16_t>((save > 0 ? save - 1 : 0) & 0x0FFF);

  if (e->IsBuiltin()) {
    TXLSBlob b(4 + 4);
    b.AddWord(RecNo(Rec::STYLE));
    b.AddWord(4);
    b.AddWord(static_cast<std::uint16_t>(xf | 0x8000));  // 0: XF index, built-in flag
    b.AddByte(static_cast<std::uint8_t>(e->name.size() >= 2 ? hexkey::Read(e->name.data(), 2) : 0));  // 2: style number
    b.AddByte(0xFF);                                                                                  // 3: outline level
    return b;
  }

  const std::u16string_view name = CutUtf16(std::u16string_view(e->name).substr(2), kMaxNameLength);
  if (ctx.IsBiff5()) {
    std::string narrow = Utf16ToCodePage(name, ctx.codePage);
    if (narrow.size() > kMaxNameLength) narrow.resize(kMaxNameLength);
    const std::uint32_t body = 3 + static_cast<std::uint32_t>(narrow.size());
    TXLSBlob b(4 + body);
    b.AddWord(RecNo(Rec::STYLE));
    b.AddWord(static_cast<std::uint16_t>(body));
    b.AddWord(xf);                                         // 0: XF index
    b.AddByte(static_cast<std::uint8_t>(narrow.size()));  // 2: name length
    b.AddString(narrow);                                   // 3: name, 8-bit
    return b;
  }
  const std::uint32_t body = 5 + 2 * static_cast<std::uint32_t>(name.size());
  TXLSBlob b(4 + body);
  b.AddWord(RecNo(Rec::STYLE));
  b.AddWord(static_cast<std::uint16_t>(body));
  b.AddWord(xf);                                       // 0: XF index
  b.AddWord(static_cast<std::uint16_t>(name.size()));  // 2: character count
  b.AddByte(1);                                        // 4: 16-bit characters
  b.AddWideString(name);                               // 5: name
  return b;
}

std::int32_t TXLSStyles::StoreAllStyles(IRecordSink& sink, const TRecordContext& ctx) const {
  std::int32_t result = xlsFail;
  for (std::int32_t i = 0; i < Count(); ++i) {
    std::optional<TXLSBlob> b = GetStyleBlob(GetBaseIndex() + i, ctx);
    if (!b) continue;
    result = sink.AppendRecord(*b);
    if (result != xlsOK) return result;
  }
  return result;
}

}  // namespace tablirex
