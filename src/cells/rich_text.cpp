// Rich text: the runs' one form, the Excel 5 cell record of a text with runs,
// and whole-cell font changes carried into the runs.
#include "cells/rich_text.h"

#include <algorithm>
#include <string>

#include "biff/blob.h"
#include "biff/records.h"
#include "cells/cell_store.h"
#include "cells/sst.h"
#include "formats/font_list.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

// The highest font number an Excel 5 run can carry (one byte).
constexpr std::int32_t kBiff5MaxRunFont = 255;

// A font change of the whole cell, as a font-list operation.
struct TFontChange {
  TSetXFProperty setter;
  std::int32_t (*apply)(TXLSFontList& fonts, std::int32_t font, const TVariant& value);
};

const TFontChange kFontChanges[] = {
    {&TXLSXFList::SetFontBold, [](TXLSFontList& f, std::int32_t i, const TVariant& v) { return f.SetBold(i, v.AsBoolean()); }},
    {&TXLSXFList::SetFontItalic,
     [](TXLSFontList& f, std::int32_t i, const TVariant& v) { return f.SetItalic(i, v.AsBoolean()); }},
    {&TXLSXFList::SetFontStrikethrough,
     [](TXLSFontList& f, std::int32_t i, const TVariant& v) { return f.SetStrikethrough(i, v.AsBoolean()); }},
    {&TXLSXFList::SetFontOutLineFont,
     [](TXLSFontList& f, std::int32_t i, const TVariant& v) { return f.SetOutLineFont(i, v.AsBoolean()); }},
    {&TXLSXFList::SetFontShadow,
     [](TXLSFontList& f, std::int32_t i, const TVariant& v) { return f.SetShadow(i, v.AsBoolean()); }},
    {&TXLSXFList::SetFontSubScript,
     [](TXLSFontList& f, std::int32_t i, const TVariant& v) { return f.SetSubScript(i, v.AsBoolean()); }},
    {&TXLSXFList::SetFontSuperScript,
     [](TXLSFontList& f, std::int32_t i, const TVariant& v) { return f.SetSuperScript(i, v.AsBoolean()); }},
    {&TXLSXFList::SetFontUnderLine,
     [](TXLSFontList& f, std::int32_t i, const TVariant& v) {
       return f.SetUnderLine(i, static_cast<std::uint8_t>(v.AsInteger()));
     }},
    {&TXLSXFList::SetFontColorIndex,
     [](TXLSFontList& f, std::int32_t i, const TVariant& v) {
       return f.SetColorIndex(i, static_cast<std::uint32_t>(v.AsInt64()));
     }},
    {&TXLSXFList::SetFontSize,
     [](TXLSFontList& f, std::int32_t i, const TVariant& v) { return f.SetSize(i, static_cast<float>(v.AsDouble())); }},
    {&TXLSXFList::SetFontName, [](TXLSFontList& f, std::int32_t i, const TVariant& v) { return f.SetName(i, v.AsWideString()); }},
};

}  // namespace

void NormalizeRuns(TXLSRichRuns& runs, std::size_t textLength) {
  // Of runs starting at one character the last one given counts.
  std::stable_sort(runs.begin(), runs.end(), [](const TXLSRichRun& a, const TXLSRichRun& b) { return a.First < b.First; });
  TXLSRichRuns out;
  out.reserve(runs.size());
  for (const TXLSRichRun& r : runs) {
    if (r.First >= textLength) break;
    if (!out.empty() && out.back().First == r.First) out.pop_back();
    if (!out.empty() && out.back().Font == r.Font) continue;
    out.push_back(r);
  }
  runs = std::move(out);
}

std::int32_t StoreRichLabel(IXLSWorksheet& sheet, std::uint32_t row, std::uint16_t col, std::uint16_t savedXF,
                            std::string_view bytes, std::u16string_view text, const TXLSRichRuns& runs) {
  // Where each character of the text went in the cell's bytes: a CR LF pair
  // became one CR, a surrogate pair one "?".
  std::vector<std::uint32_t> at(text.size() + 1, 0);
  std::uint32_t out = 0;
  for (std::size_t i = 0; i < text.size(); ++out) {
    at[i] = out;
    const bool pair = (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ||
                      (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                       text[i + 1] <= 0xDFFF);
    if (pair) at[i + 1] = out;
    i += pair ? 2 : 1;
  }
  const TXLSFontList& fonts = sheet.Workbook().XFList().GetFontList();
  TXLSRichRuns placed;
  bool numbered = true;
  for (const TXLSRichRun& r : runs) {
    if (r.First >= text.size()) continue;
    const std::int32_t number = fonts.GetSaveIndex(r.Font);
    numbered = numbered && number >= 1 && number <= kBiff5MaxRunFont;
    placed.push_back(TXLSRichRun{at[r.First], number});
  }
  NormalizeRuns(placed, bytes.size());
  if (!numbered) {
    TXLS_RETURN_ON_ERROR(sheet.Workbook().Warn(
        sheet.CellName(row, col, row, col), "fonts of parts of the text left out",
        "fonts of parts of texts left out (an Excel 5 text numbers at most 255 fonts)"));
    placed.clear();
  }
  const auto n = static_cast<std::uint16_t>(bytes.size());
  const bool rich = !placed.empty();
  const auto body = static_cast<std::uint16_t>(8 + n + (rich ? 1 + 2 * placed.size() : 0));
  TXLSBlob b(4u + body);
  b.AddWord(RecNo(rich ? Rec::RSTRING : Rec::LABEL));
  b.AddWord(body);
  b.AddWord(row);      // 0: row
  b.AddWord(col);      // 2: column
  b.AddWord(savedXF);  // 4: XF
  b.AddWord(n);        // 6: character count
  b.AddString(bytes);  // 8: the text
  if (rich) {
    b.AddByte(static_cast<std::uint8_t>(placed.size()));  // 8 + n: run count
    for (const TXLSRichRun& r : placed) {                 // then first character and font
      b.AddByte(static_cast<std::uint8_t>(r.First));
      b.AddByte(static_cast<std::uint8_t>(r.Font));
    }
  }
  return sheet.AppendData(b);
}

void ApplyFontChangeToRuns(TXLSWorkbook& workbook, TXLSCellRef& cell, TSetXFProperty setter,
                           const TVariant& value) {
  if (cell.ValueType != xlString) return;
  TXLSStringTable& sst = workbook.StringTable();
  const TXLSRichRuns* runs = sst.GetRuns(cell.SSTIndex);
  if (!runs) return;
  const TFontChange* change = nullptr;
  for (const TFontChange& c : kFontChanges)
    if (c.setter == setter) change = &c;
  if (!change) return;
  TXLSFontList& fonts = workbook.XFList().GetFontList();
  TXLSRichRuns changed = *runs;
  for (TXLSRichRun& r : changed) r.Font = change->apply(fonts, r.Font, value);
  const std::u16string text(sst.GetValue(cell.SSTIndex));
  const std::int32_t index = sst.AddRich(text, std::move(changed));
  sst.Remove(cell.SSTIndex);
  cell.SSTIndex = index;
}

}  // namespace tablirex
