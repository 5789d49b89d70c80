#include "validation/validation_records.h"

#include "biff/records.h"
#include "tablirex/result.h"
#include "text/text.h"

namespace tablirex {
namespace {

// Option flags of DV.
constexpr std::uint32_t kExplicitList = 0x00000080;
constexpr std::uint32_t kAllowBlank = 0x00000100;
constexpr std::uint32_t kNoDropDown = 0x00000200;
constexpr std::uint32_t kShowPrompt = 0x00040000;
constexpr std::uint32_t kShowAlert = 0x00080000;

// An empty text is stored as one NUL character: the application then shows its
// own default title or message.
std::uint32_t StringSize(std::u16string_view s) { return s.empty() ? 4 : 3 + 2 * static_cast<std::uint32_t>(s.size()); }

void AddString(TXLSBlob& b, std::u16string_view s) {
  if (s.empty()) {
    b.AddWord(1);
    b.AddByte(0x00);
    b.AddByte(0x00);
    return;
  }
  b.AddWord(static_cast<std::uint16_t>(s.size()));  // characters
  b.AddByte(0x01);                                  // UTF-16
  b.AddWideString(s);
}

}  // namespace

std::vector<std::uint8_t> InlineListTokens(const TXLSValidationRule& rule) {
  std::u16string entries = Utf8ToUtf16(rule.formula1);
  for (char16_t& c : entries)
    if (c == u',') c = u'\0';
  std::vector<std::uint8_t> t;
  t.push_back(0x17);  // string constant
  t.push_back(static_cast<std::uint8_t>(entries.size()));
  t.push_back(0x01);  // UTF-16
  for (const char16_t c : entries) {
    t.push_back(static_cast<std::uint8_t>(c));
    t.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return t;
}

std::uint32_t ValidationBodySize(const TXLSEncodedRule& e) {
  const TXLSValidationRule& r = *e.rule;
  return 4 + StringSize(r.inputTitle) + StringSize(r.errorTitle) + StringSize(r.inputMessage) +
         StringSize(r.errorMessage) + 4 + static_cast<std::uint32_t>(e.formula1.size()) + 4 +
         static_cast<std::uint32_t>(e.formula2.size()) + 2 + 8 * static_cast<std::uint32_t>(r.areas.size());
}

std::int32_t StoreValidations(const std::vector<TXLSEncodedRule>& rules, IRecordSink& sink, const TRecordContext&) {
  if (rules.empty()) return xlsOK;
  TXLSBlob head(4 + 18);
  head.AddWord(RecNo(Rec::DVAL));
  head.AddWord(18);
  head.AddWord(0);           // 0: options: the prompt window is neither closed nor pinned
  head.AddLong(0);           // 2: prompt window position
  head.AddLong(0);           // 6
  head.AddLong(0xFFFFFFFF);  // 10: no drop-down object
  head.AddLong(static_cast<std::uint32_t>(rules.size()));  // 14: DV records that follow
  TXLS_RETURN_ON_ERROR(sink.AppendRecord(head));

  for (const TXLSEncodedRule& e : rules) {
    const TXLSValidationRule& r = *e.rule;
    std::uint32_t flags = static_cast<std::uint32_t>(r.type) & 0x0F;
    flags |= (static_cast<std::uint32_t>(r.alertStyle - 1) & 0x07) << 4;
    if (r.inlineList) flags |= kExplicitList;
    if (r.ignoreBlank) flags |= kAllowBlank;
    if (!r.inCellDropdown) flags |= kNoDropDown;
    if (r.showInput) flags |= kShowPrompt;
    if (r.showError) flags |= kShowAlert;
    if (r.UsesOperator()) flags |= (static_cast<std::uint32_t>(r.op - 1) & 0x0F) << 20;
    const std::uint32_t body = ValidationBodySize(e);
    TXLSBlob b(4 + body);
    b.AddWord(RecNo(Rec::DV));
    b.AddWord(static_cast<std::uint16_t>(body));
    b.AddLong(flags);            // 0: type, alert style, options, operator
    AddString(b, r.inputTitle);  // 4: prompt title, alert title, prompt text, alert text
    AddString(b, r.errorTitle);
    AddString(b, r.inputMessage);
    AddString(b, r.errorMessage);
    b.AddWord(static_cast<std::uint16_t>(e.formula1.size()));  // first formula: length, unused, tokens
    b.AddWord(0);
    if (!e.formula1.empty()) b.AddBytes(e.formula1.data(), static_cast<std::uint32_t>(e.formula1.size()));
    b.AddWord(static_cast<std::uint16_t>(e.formula2.size()));  // second formula
    b.AddWord(0);
    if (!e.formula2.empty()) b.AddBytes(e.formula2.data(), static_cast<std::uint32_t>(e.formula2.size()));
    b.AddWord(static_cast<std::uint16_t>(r.areas.size()));  // the cells: count, then each area
    for (const TXLSArea& a : r.areas) {
      b.AddWord(static_cast<std::uint16_t>(a.row1));
      b.AddWord(static_cast<std::uint16_t>(a.row2));
      b.AddWord(static_cast<std::uint16_t>(a.col1));
      b.AddWord(static_cast<std::uint16_t>(a.col2));
    }
    TXLS_RETURN_ON_ERROR(sink.AppendRecord(b));
  }
  return xlsOK;
}

}  // namespace tablirex
