#include "conditional/condition_records.h"

#include "biff/records.h"
#include "tablirex/result.h"

namespace tablirex {
namespace {

// Option flags of the differential format: a set bit leaves that part of the
// cell's own format as it is.
constexpr std::uint32_t kKeepAll = 0x003FFFFF;
constexpr std::uint32_t kKeepEdge[4] = {0x00000400, 0x00000800, 0x00001000, 0x00002000};  // left right top bottom
constexpr std::uint32_t kKeepPattern = 0x00010000;
constexpr std::uint32_t kKeepPatternColor = 0x00020000;
constexpr std::uint32_t kKeepFillColor = 0x00040000;
constexpr std::uint32_t kHasFont = 0x04000000;
constexpr std::uint32_t kHasBorder = 0x10000000;
constexpr std::uint32_t kHasPattern = 0x20000000;
// Font colour "the default foreground".
constexpr std::uint32_t kAutomaticFontColor = 0x7FFF;
constexpr std::uint8_t kSystemForeground = 64;
constexpr std::uint8_t kSolid = 1;

void Long(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Word(std::vector<std::uint8_t>& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void AddFontBlock(std::vector<std::uint8_t>& b, const TXLSConditionStyle& s) {
  b.insert(b.end(), 64, 0);  // 0: no font name
  Long(b, 0xFFFFFFFF);       // 64: height: unchanged
  std::uint32_t ts = 0;
  if (s.italic.value_or(false)) ts |= 0x02;
  if (s.strikethrough.value_or(false)) ts |= 0x80;
  Long(b, ts);                                          // 68: italic, strikethrough
  Word(b, s.bold.value_or(false) ? 700 : 400);          // 72: weight
  Word(b, 0);                                           // 74: escapement
  b.push_back(s.underline.value_or(0));                 // 76: underline
  b.insert(b.end(), 3, 0);                              // 77: family, character set, unused
  std::uint32_t color = 0xFFFFFFFF;                     // unchanged
  if (s.fontColor) color = *s.fontColor == kSystemForeground ? kAutomaticFontColor : *s.fontColor;
  Long(b, color);                                       // 80: colour
  Long(b, 0);                                           // 84: reserved
  Long(b, (s.italic ? 0 : 0x02) | (s.strikethrough ? 0 : 0x80));  // 88: keep italic, strikethrough
  Long(b, 1);                                           // 92: keep escapement
  Long(b, s.underline ? 0 : 1);                         // 96: keep underline
  Long(b, s.bold ? 0 : 1);                              // 100: keep weight
  Long(b, 0);                                           // 104: unused
  Long(b, 0);                                           // 108
  Long(b, 0);                                           // 112
  Word(b, 1);                                           // 116
}

void AddBorderBlock(std::vector<std::uint8_t>& b, const TXLSConditionStyle& s) {
  const auto style = [&](int e) -> std::uint32_t { return s.edges[e] ? s.edges[e]->style & 0x0F : 0; };
  const auto color = [&](int e) -> std::uint32_t { return s.edges[e] ? s.edges[e]->color & 0x7F : 0; };
  // Edges in the order left, right, top, bottom.
  Long(b, style(0) | style(1) << 4 | style(2) << 8 | style(3) << 12 | color(0) << 16 | color(1) << 23);
  Long(b, color(2) | color(3) << 7);
}

void AddPatternBlock(std::vector<std::uint8_t>& b, const TXLSConditionStyle& s) {
  const std::uint32_t pattern = s.pattern.value_or(s.fillColor ? kSolid : 0);
  // A solid fill shows its colour in both fields, so that readers taking either
  // see it; other patterns draw the pattern colour over the fill colour.
  std::uint32_t fore = s.patternColor.value_or(kSystemForeground);
  const std::uint32_t back = s.fillColor.value_or(65);
  if (pattern == kSolid && s.fillColor) fore = *s.fillColor;
  Word(b, static_cast<std::uint16_t>((pattern & 0x3F) << 10));
  Word(b, static_cast<std::uint16_t>((fore & 0x7F) | (back & 0x7F) << 7));
}

}  // namespace

std::vector<std::uint8_t> ConditionFormatBytes(const TXLSConditionStyle& s) {
  std::uint32_t flags = kKeepAll;
  for (int e = 0; e < 4; ++e)
    if (s.edges[e]) flags &= ~kKeepEdge[e];
  if (s.pattern || s.fillColor) flags &= ~kKeepPattern;
  if (s.patternColor || (s.fillColor && s.pattern.value_or(kSolid) == kSolid)) flags &= ~kKeepPatternColor;
  if (s.fillColor) flags &= ~kKeepFillColor;
  if (s.HasFont()) flags |= kHasFont;
  if (s.HasBorder()) flags |= kHasBorder;
  if (s.HasFill()) flags |= kHasPattern;
  std::vector<std::uint8_t> b;
  Long(b, flags);
  Word(b, 0x8002);  // unused parts zeroed
  if (s.HasFont()) AddFontBlock(b, s);
  if (s.HasBorder()) AddBorderBlock(b, s);
  if (s.HasFill()) AddPatternBlock(b, s);
  return b;
}

std::uint32_t ConditionHeaderSize(const TXLSAreaList& areas) {
  return 2 + 2 + 8 + 2 + 8 * static_cast<std::uint32_t>(areas.size());
}

std::int32_t StoreConditionalFormat(const TXLSAreaList& areas, const std::vector<TXLSEncodedCondition>& conditions,
                                    IRecordSink& sink, const TRecordContext&) {
  if (areas.empty() || conditions.empty()) return xlsOK;
  const TXLSArea bound = BoundingArea(areas);
  const std::uint32_t body = ConditionHeaderSize(areas);
  TXLSBlob h(4 + body);
  h.AddWord(RecNo(Rec::CONDFMT));
  h.AddWord(static_cast<std::uint16_t>(body));
  h.AddWord(static_cast<std::uint16_t>(conditions.size()));  // 0: CF records that follow
  h.AddWord(0);                                              // 2: options
  h.AddWord(static_cast<std::uint16_t>(bound.row1));        // 4: the cells' bounds
  h.AddWord(static_cast<std::uint16_t>(bound.row2));
  h.AddWord(static_cast<std::uint16_t>(bound.col1));
  h.AddWord(static_cast<std::uint16_t>(bound.col2));
  h.AddWord(static_cast<std::uint16_t>(areas.size()));      // 12: the cells, area by area
  for (const TXLSArea& a : areas) {
    h.AddWord(static_cast<std::uint16_t>(a.row1));
    h.AddWord(static_cast<std::uint16_t>(a.row2));
    h.AddWord(static_cast<std::uint16_t>(a.col1));
    h.AddWord(static_cast<std::uint16_t>(a.col2));
  }
  TXLS_RETURN_ON_ERROR(sink.AppendRecord(h));
  for (const TXLSEncodedCondition& e : conditions) {
    const TXLSCondition& c = *e.condition;
    const std::vector<std::uint8_t> format = ConditionFormatBytes(c.style);
    const auto size = static_cast<std::uint32_t>(6 + format.size() + e.formula1.size() + e.formula2.size());
    TXLSBlob b(4 + size);
    b.AddWord(RecNo(Rec::CF));
    b.AddWord(static_cast<std::uint16_t>(size));
    b.AddByte(static_cast<std::uint8_t>(c.type));                // 0: cell value or expression
    b.AddByte(static_cast<std::uint8_t>(c.type == 1 ? c.op : 0));  // 1: operator
    b.AddWord(static_cast<std::uint16_t>(e.formula1.size()));    // 2: lengths of the two formulas
    b.AddWord(static_cast<std::uint16_t>(e.formula2.size()));
    b.AddBytes(format.data(), static_cast<std::uint32_t>(format.size()));  // 6: the format
    if (!e.formula1.empty()) b.AddBytes(e.formula1.data(), static_cast<std::uint32_t>(e.formula1.size()));
    if (!e.formula2.empty()) b.AddBytes(e.formula2.data(), static_cast<std::uint32_t>(e.formula2.size()));
    TXLS_RETURN_ON_ERROR(sink.AppendRecord(b));
  }
  return xlsOK;
}

}  // namespace tablirex
