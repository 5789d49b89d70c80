// A worksheet as one HTML page: a CSS class per extended format in use, and a
// table of the used range with merged areas, column widths and row heights.
#include <cstdint>
#include <string>

#include "cells/cell_store.h"
#include "cells/hash.h"
#include "formats/palette.h"
#include "formats/xf_list.h"
#include "html/html_files.h"
#include "html/html_writer.h"
#include "range/range_impl.h"
#include "tablirex/colors.h"
#include "tablirex/format_views.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/number_format.h"
#include "text/text.h"

namespace tablirex {
namespace {

constexpr char kCRLF[] = "\r\n";

// Horizontal and vertical alignments of the object model.
constexpr std::int32_t kAlignGeneral = 1;
constexpr std::int32_t kAlignLeft = -4131;
constexpr std::int32_t kAlignRight = -4152;
constexpr std::int32_t kAlignCenter = -4108;
constexpr std::int32_t kAlignJustify = -4130;
constexpr std::int32_t kAlignTop = -4160;
constexpr std::int32_t kAlignBottom = -4107;
constexpr std::int32_t kNone = xlColorIndexNone;

// Points to pixels for row heights, characters to pixels for column widths.
constexpr double kPixelsPerPoint = 1.333;
constexpr double kPixelsPerCharacter = 8;

std::int64_t RoundToInt(double v) { return static_cast<std::int64_t>(RoundHalfEven(v)); }

double NumberOf(const TVariant& v) {
  try {
    return v.AsDouble();
  } catch (const EVariantError&) {
    return 0;
  }
}

std::int32_t IntegerOf(const TVariant& v) {
  try {
    return v.AsInteger();
  } catch (const EVariantError&) {
    return 0;
  }
}

// A font name inside a style sheet: characters that could end the declaration,
// the rule or the style element are dropped.
std::string CSSFontName(std::string_view name, std::uint16_t codePage) {
  std::string clean;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '<' || c == '>' || c == '{' || c == '}' || c == ';' || c == '"' || c == '\'' ||
        c == '\\' || c == '&')
      continue;
    clean.push_back(c);
  }
  return Utf8ToCodePage(clean, codePage);
}

// The RGB of a border colour index from the XF list: the automatic colour (and a
// line without colour) shows the system foreground, black.
std::uint32_t BorderRGB(const TXLSPalette& palette, std::int32_t colorIndex) {
  if (colorIndex == xlColorIndexAutomatic || colorIndex == kNone || colorIndex <= 0)
    return palette.GetPaletteColor(kPaletteSystemForeground);
  return palette.GetCustomColor(colorIndex);
}

// The one-cell range at a zero-based position of the sheet (the used range's
// Item(r, c), built from the absolute position).
Ref<IXLSRange> CellRange(IXLSWorksheet& sheet, std::int32_t row, std::int32_t col) {
  const auto r = static_cast<std::uint16_t>(row);
  const auto c = static_cast<std::uint8_t>(col);
  return MakeRef<TXLSRange>(&sheet, r, c, r, c);
}

}  // namespace

std::string GetCSSItem(IXLSWorksheet& sheet, std::int32_t xfIndex, IXLSRange& cell) {
  TXLSWorkbook& wb = sheet.Workbook();
  const std::uint16_t codePage = wb.GetCodePage();
  const Ref<IXLSFont> font = cell.GetFont();
  std::string rule = " td.f" + std::to_string(xfIndex) + " {";
  rule += "font-family: " + CSSFontName(font->GetName(), codePage) + "; ";
  rule += "font-size: " + std::to_string(RoundToInt(font->GetSize())) + "pt; ";
  rule += " padding-top:1px; padding-right:1px; padding-left:1px; ";
  if (font->GetBold()) rule += "font-weight: bold; ";
  if (font->GetItalic()) rule += "font-style: italic; ";
  switch (IntegerOf(cell.GetHAlign())) {
    case kAlignRight: rule += "text-align: right; "; break;
    case kAlignLeft: rule += "text-align: left; "; break;
    case kAlignJustify: rule += "text-align: justify; "; break;
    case kAlignCenter: rule += "text-align: center; "; break;
    default: break;
  }
  switch (IntegerOf(cell.GetVAlign())) {
    case kAlignTop: rule += "vertical-align: text-top; "; break;
    case kAlignCenter: rule += "vertical-align: middle; "; break;
    case kAlignBottom: rule += "vertical-align: text-bottom; "; break;
    default: break;
  }
  rule += "color: #" + HTMLColor(font->GetColor()) + "; ";
  const Ref<IXLSInterior> interior = cell.GetInterior();
  if (interior->GetPattern() != kNone) rule += "background-color: #" + HTMLColor(interior->GetColor()) + "; ";
  // The rule describes the format, so each edge comes from the XF itself: a
  // neighbour's half of a shared line belongs to the neighbour's rule.
  const TXLSXFList& xfs = wb.XFList();
  struct Edge {
    const char* name;
    std::uint8_t side;
  };
  constexpr Edge kEdges[] = {{"border-top: ", xlsBorderTop},
                             {"border-bottom: ", xlsBorderBottom},
                             {"border-left: ", xlsBorderLeft},
                             {"border-right: ", xlsBorderRight}};
  for (const Edge& e : kEdges) {
    const std::int32_t style = xfs.GetBorderLineStyle(xfIndex, e.side);
    if (style == kNone) continue;
    rule += e.name;
    rule += HTMLBorderWidth(xfs.GetBorderWeight(xfIndex, e.side), style);
    rule += ' ';
    rule += HTMLBorderStyle(style);
    rule += " #" + HTMLColor(BorderRGB(wb.Palette(), xfs.GetBorderColorIndex(xfIndex, e.side))) + "; ";
  }
  bool wrap = false;
  try {
    wrap = cell.GetWrapText().AsBoolean();
  } catch (const EVariantError&) {
  }
  if (!wrap) rule += "white-space: nowrap; ";
  rule += "}";
  rule += kCRLF;
  return rule;
}

std::string BuildSheetHTML(IXLSWorksheet& sheet) {
  TXLSWorkbook& wb = sheet.Workbook();
  const std::uint16_t codePage = wb.GetCodePage();
  TXLSCellHeap& store = sheet.Cells();
  const Ref<IXLSRange> used = sheet.GetUsedRange();
  const std::int32_t rows = used->GetRows()->GetCount();
  const std::int32_t cols = used->GetColumns()->GetCount();
  const std::int32_t row0 = used->GetRow() - 1, col0 = used->GetColumn() - 1;
  wb.XFList().CreateAllReferredList();

  std::string head = "<html><head>\r\n<STYLE TYPE=\"text/css\">\r\n<!--\r\n";
  std::string body;
  std::vector<std::int64_t> widths(static_cast<std::size_t>(cols));
  std::int64_t tableWidth = 0;
  for (std::int32_t c = 1; c <= cols; ++c) {
    const Ref<IXLSRange> top = CellRange(sheet, row0, col0 + c - 1);
    widths[static_cast<std::size_t>(c - 1)] = RoundToInt(NumberOf(top->GetColumnWidth()) * kPixelsPerCharacter);
    tableWidth += widths[static_cast<std::size_t>(c - 1)];
  }
  body += "<table border=0 cellpadding=0 cellspacing=0 width=" + std::to_string(tableWidth) +
          " style='border-collapse:collapse;table-layout:fixed'>";
  body += kCRLF;
  for (const std::int64_t w : widths) body += "  <col width=" + std::to_string(w) + ">" + kCRLF;

  THashBool written;  // XF indexes whose rule is in the style sheet
  for (std::int32_t r = 1; r <= rows; ++r) {
    body += "  <tr>";
    std::string line = "    ";
    for (std::int32_t c = 1; c <= cols; ++c) {
      const Ref<IXLSRange> k = CellRange(sheet, row0 + r - 1, col0 + c - 1);
      std::string attributes;
      const std::int32_t x = k->XFIndex();
      if (c == 1)
        attributes = " height=" + std::to_string(RoundToInt(NumberOf(k->GetRowHeight()) * kPixelsPerPoint)) + " ";
      if (const TXLSCellRef* cell = store.GetValue(static_cast<std::uint32_t>(row0 + r - 1),
                                                   static_cast<std::uint32_t>(col0 + c - 1))) {
        if (cell->ValueType == xlDoubleNumber && IntegerOf(k->GetHAlign()) == kAlignGeneral)
          attributes += "align=right ";
        if (cell->IsMerged) {
          if (!cell->IsMergeOwner) continue;  // the owner's spans cover it
          if (const TXLSCellExtra* extra = store.Extra(*cell)) {
            if (extra->MergeCols > 1) attributes += "colspan=" + std::to_string(extra->MergeCols) + " ";
            if (extra->MergeRows > 1) attributes += "rowspan=" + std::to_string(extra->MergeRows);
          }
        }
      }
      const std::u16string key = Utf8ToUtf16(std::to_string(x));
      if (x > 0 && !written.GetValue(key)) {
        head += GetCSSItem(sheet, x, *k);
        written.SetValue(key, true);
      }
      std::string text;
      try {
        text = FormatCellValue(k->GetValue(), k->GetNumFormat().AsString());
      } catch (const EVariantError&) {
        text = PlainValueText(k->GetValue());
      }
      text = EncodeHTMLText(EscapeHTML(text), codePage);
      if (text.empty()) text = "&nbsp;";
      line += "<td " + attributes + " class=f" + std::to_string(x) + ">" + text + "</td>  ";
    }
    body += line + "</tr>" + kCRLF;
  }
  body += kCRLF;
  body += "</table></body></html>";
  head += "-->";
  head += kCRLF;
  head += "</STYLE>";
  head += kCRLF;
  head += "</head><body>";
  head += kCRLF;
  return head + kCRLF + body + kCRLF;
}

std::int32_t IXLSWorksheet::SaveAsHTML(std::string_view fileName) {
  WriteHTMLFile(std::string(fileName), BuildSheetHTML(*this));
  return xlsOK;
}

}  // namespace tablirex
