#include "formats/num_format_list.h"

#include "biff/records.h"
#include "tablirex/result.h"
#include "text/text.h"

namespace tablirex {

TXLSNumFormatList::TXLSNumFormatList() {
  SetCount(kFirstCustom);
  // An empty format text is the general format 0, so it never becomes a custom
  // format that no FORMAT record would define.
  SetItem(0, u"");
}

void TXLSNumFormatList::SetBuiltinFormats() {
  SetItem(5, u"(\"$\"#,##0_);(\"$\"#,##0)");
  SetItem(6, u"(\"$\"#,##0_);[Red](\"$\"#,##0)");
  SetItem(7, u"(\"$\"#,##0.00_);(\"$\"#,##0.00)");
  SetItem(8, u"(\"$\"#,##0.00_);[Red](\"$\"#,##0.00)");
}

std::optional<TXLSBlob> TXLSNumFormatList::GetNumFormatBlob(std::int32_t index, const TRecordContext& ctx) const {
  const std::u16string& s = GetItem(index);
  if (s.empty()) return std::nullopt;
  if (ctx.IsBiff5()) {
    // The length is one byte: longer texts are cut to 255 characters.
    std::string narrow = Utf16ToCodePage(CutUtf16(s, kMaxBiff5Length), ctx.codePage);
    if (narrow.size() > kMaxBiff5Length) narrow.resize(kMaxBiff5Length);
    const std::uint32_t body = 3 + static_cast<std::uint32_t>(narrow.size());
    TXLSBlob b(4 + body);
    b.AddWord(RecNo(Rec::FORMAT));
    b.AddWord(static_cast<std::uint16_t>(body));
    b.AddWord(static_cast<std::uint16_t>(index));             // 0: format index
    b.AddByte(static_cast<std::uint8_t>(narrow.size()));      // 2: length
    b.AddString(narrow);                                      // 3: text, 8-bit
    return b;
  }
  const std::u16string_view text = CutUtf16(s, 0xFFFF);
  const std::uint32_t body = 5 + 2 * static_cast<std::uint32_t>(text.size());
  TXLSBlob b(4 + body);
  b.AddWord(RecNo(Rec::FORMAT));
  b.AddWord(static_cast<std::uint16_t>(body));
  b.AddWord(static_cast<std::uint16_t>(index));        // 0: format index
  b.AddWord(static_cast<std::uint16_t>(text.size()));  // 2: character count
  b.AddByte(1);                                        // 4: 16-bit characters
  b.AddWideString(text);                               // 5: text
  b.SetWord(static_cast<std::uint16_t>(b.GetDataSize() - 4), 2);
  return b;
}

std::int32_t TXLSNumFormatList::StoreAllNumFormats(IRecordSink& sink, const TRecordContext& ctx) const {
  std::int32_t result = xlsFail;
  for (std::int32_t i = 0; i < Count(); ++i) {
    std::optional<TXLSBlob> b = GetNumFormatBlob(i, ctx);
    if (!b) continue;
    result = sink.AppendRecord(*b);
    if (result != xlsOK) return result;
  }
  return result;
}

}  // namespace tablirex
