#include "eval/engine.h"
#include "html/html_extras.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "cells/cell_store.h"
#include "formats/palette.h"
#include "formats/xf_list.h"
#include "html/html_writer.h"
#include "tablirex/addressing.h"
#include "tablirex/colors.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/sheet_collection.h"
#include "workbook/sheet_extras.h"

namespace tablirex {
namespace {

// Schemes a page links to; any other (javascript:, data:, file: ...) stays text.
constexpr std::string_view kLinkedSchemes[] = {"http", "https", "mailto", "ftp"};

// A constant operand of a condition: a number or a string, as written.
struct TConstant {
  bool isText = false;
  double number = 0;
  std::u16string text;
};

std::optional<TConstant> ConstantOf(std::string_view f) {
  while (!f.empty() && f.front() == ' ') f.remove_prefix(1);
  while (!f.empty() && f.back() == ' ') f.remove_suffix(1);
  TConstant c;
  if (f.size() >= 2 && f.front() == '"' && f.back() == '"') {
    std::string s;
    for (std::size_t i = 1; i + 1 < f.size(); ++i) {
      if (f[i] == '"') {
        if (f[i + 1] != '"') return std::nullopt;
        ++i;
      }
      s.push_back(f[i]);
    }
    c.isText = true;
    c.text = Utf8ToUtf16(s);
    return c;
  }
  bool negative = false;
  if (!f.empty() && (f.front() == '-' || f.front() == '+')) {
    negative = f.front() == '-';
    f.remove_prefix(1);
  }
  const auto res = std::from_chars(f.data(), f.data() + f.size(), c.number);
  if (f.empty() || res.ec != std::errc() || res.ptr != f.data() + f.size() || !std::isfinite(c.number))
    return std::nullopt;
  if (negative) c.number = -c.number;
  return c;
}

// -1, 0 or 1: the cell's value against a constant as the spreadsheet orders
// them: numbers before texts, texts without regard to case.
int Compare(const TVariant& value, const TConstant& k) {
  const bool text = value.Type() == varString || value.Type() == varOleStr;
  if (k.isText) {
    if (!text) return value.IsEmpty() || value.IsNull() ? (k.text.empty() ? 0 : -1) : -1;
    std::u16string a = Utf8ToUtf16(value.AsString()), b = k.text;
    const auto lower = [](std::u16string& s) {
      for (char16_t& ch : s)
        if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch + 32);
    };
    lower(a);
    lower(b);
    return a < b ? -1 : (a == b ? 0 : 1);
  }
  if (text) return 1;
  double v = 0;
  if (value.Type() == varBoolean) v = value.AsBoolean() ? 1 : 0;
  else if (!value.IsEmpty() && !value.IsNull()) v = value.AsDouble();
  return v < k.number ? -1 : (v == k.number ? 0 : 1);
}

std::string Color(const TXLSPalette& palette, std::uint8_t stored) {
  return "#" + HTMLColor(palette.GetPaletteColor(stored));
}

// The first cell of an in-workbook target: "'My Sheet'!B2:C3" gives the sheet
// and B2; a target without a sheet means this one.
bool PlaceOf(std::u16string_view sub, std::u16string& sheet, std::uint16_t& row, std::uint8_t& col) {
  std::u16string_view cells = sub;
  sheet.clear();
  if (const std::size_t bang = sub.rfind(u'!'); bang != std::u16string_view::npos) {
    std::u16string_view s = sub.substr(0, bang);
    if (s.size() >= 2 && s.front() == u'\'' && s.back() == u'\'') s = s.substr(1, s.size() - 2);
    for (std::size_t i = 0; i < s.size(); ++i) {
      sheet.push_back(s[i]);
      if (s[i] == u'\'' && i + 1 < s.size() && s[i + 1] == u'\'') ++i;
    }
    cells = sub.substr(bang + 1);
  }
  std::string a1 = Utf16ToUtf8(cells.substr(0, cells.find(u':')));
  a1.erase(std::remove(a1.begin(), a1.end(), '$'), a1.end());
  return GetCellRef(a1, row, col) == 1;
}

}  // namespace

std::optional<bool> ConditionHolds(IXLSWorksheet& sheet, const TXLSConditionalFormat& format, const TXLSCondition& c,
                                   std::uint32_t row, std::uint32_t col, const TVariant& value) {
  eval::TWorkbookEvaluator* results = sheet.Workbook().Evaluation();
  const std::int32_t position = sheet.GetIndex() - 1;
  if (c.type == 2) {
    // An expression, written for the first cell of the format's area.
    if (!results || format.areas.empty()) return std::nullopt;
    const eval::TValue v = eval::ToBoolean(results->Evaluate(
        c.formula1, position, static_cast<std::int32_t>(row), static_cast<std::int32_t>(col),
        static_cast<std::int32_t>(format.areas[0].row1), static_cast<std::int32_t>(format.areas[0].col1)));
    return v.IsBoolean() && v.Bool();
  }
  if (c.type != 1) return std::nullopt;
  const TXLSCellRef* cell = sheet.Cells().GetValue(row, col);
  // A formula cell compares by its result (the value shown), when there is one.
  if (cell && cell->ValueType == xlFormula) {
    const eval::TFormulaResult* r =
        results ? results->Result(position, static_cast<std::int32_t>(row), static_cast<std::int32_t>(col)) : nullptr;
    if (!r || !r->trusted) return std::nullopt;
  }
  const std::optional<TConstant> k1 = ConstantOf(c.formula1);
  if (!k1) return std::nullopt;
  const int r1 = Compare(value, *k1);
  if (!c.UsesFormula2()) {
    switch (c.op) {
      case 3: return r1 == 0;
      case 4: return r1 != 0;
      case 5: return r1 > 0;
      case 6: return r1 < 0;
      case 7: return r1 >= 0;
      case 8: return r1 <= 0;
      default: return std::nullopt;
    }
  }
  const std::optional<TConstant> k2 = ConstantOf(c.formula2);
  if (!k2) return std::nullopt;
  const int r2 = Compare(value, *k2);
  // Between either way round: the bounds may come in any order.
  const bool inside = (r1 >= 0 && r2 <= 0) || (r1 <= 0 && r2 >= 0);
  return c.op == 1 ? inside : !inside;
}

std::string ConditionCSS(IXLSWorksheet& sheet, const TXLSCondition& c) {
  const TXLSPalette& palette = sheet.Workbook().Palette();
  const TXLSConditionStyle& s = c.style;
  std::string css;
  if (s.bold) css += *s.bold ? "font-weight: bold; " : "font-weight: normal; ";
  if (s.italic) css += *s.italic ? "font-style: italic; " : "font-style: normal; ";
  if (s.underline || s.strikethrough) {
    std::string lines;
    if (s.underline.value_or(0) != 0) lines += "underline ";
    if (s.strikethrough.value_or(false)) lines += "line-through ";
    css += "text-decoration: " + (lines.empty() ? std::string("none ") : lines);
    css.back() = ';';
    css += ' ';
  }
  if (s.fontColor) css += "color: " + Color(palette, *s.fontColor) + "; ";
  if (s.fillColor && s.pattern.value_or(1) != 0) css += "background-color: " + Color(palette, *s.fillColor) + "; ";
  else if (s.pattern && *s.pattern == 0) css += "background-color: transparent; ";
  static const char* const kEdges[4] = {"border-left: ", "border-right: ", "border-top: ", "border-bottom: "};
  for (int e = 0; e < 4; ++e) {
    if (!s.edges[e]) continue;
    const std::int32_t style = GetLineStyleFromBorderStyle(s.edges[e]->style);
    if (style == xlColorIndexNone) {
      css += std::string(kEdges[e]) + "none; ";
      continue;
    }
    css += kEdges[e] + HTMLBorderWidth(GetWeightFromBorderStyle(s.edges[e]->style), style) + " " +
           std::string(HTMLBorderStyle(style)) + " " + Color(palette, s.edges[e]->color) + "; ";
  }
  return css;
}

std::string EscapeURLAttribute(std::string_view url) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : url) {
    const auto u = static_cast<unsigned char>(ch);
    if (u <= 0x20 || u == 0x7F || ch == '"' || ch == '\'' || ch == '<' || ch == '>' || ch == '`') {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else if (ch == '&') {
      out += "&amp;";
    } else {
      out += ch;
    }
  }
  return out;
}

THTMLExtras::THTMLExtras(IXLSWorksheet& sheet, bool allPages)
    : sheet_(sheet), extras_(sheet.ExtrasIfAny()), allPages_(allPages) {
  if (extras_ && extras_->Empty()) extras_ = nullptr;
  // The cells that links of the pages written point at get an id.
  TXLSWorkSheets& sheets = sheet.Workbook().Sheets();
  for (std::size_t i = 0; i < sheets.Size(); ++i) {
    IXLSWorksheet& from = sheets.At(i);
    if (!allPages && &from != &sheet) continue;
    const TXLSSheetExtras* x = from.ExtrasIfAny();
    if (!x) continue;
    for (const TXLSHyperlinkData& l : x->hyperlinks.Items()) {
      if (l.Kind() != TXLSLinkKind::Place) continue;
      std::u16string name;
      std::uint16_t row = 0;
      std::uint8_t col = 0;
      if (!PlaceOf(l.subAddress, name, row, col)) continue;
      const IXLSWorksheet* to = name.empty() ? &from : nullptr;
      if (!to) {
        const std::int32_t p = sheet.Workbook().GetSheetIndexByName(name);
        if (p > 0) to = &sheets.At(static_cast<std::size_t>(p - 1));
      }
      if (to == &sheet) targets_.emplace_back(row, col);
    }
  }
}

std::string THTMLExtras::CellAttributes(std::uint32_t row, std::uint32_t col, const TVariant& value) {
  std::string a;
  if (std::find(targets_.begin(), targets_.end(), std::make_pair(row, col)) != targets_.end())
    a += "id=\"" + EncodeCellRef(static_cast<std::uint16_t>(row), static_cast<std::uint8_t>(col)) + "\" ";
  if (!extras_) return a;
  if (const TXLSValidationRule* r = extras_->validations.At(row, col);
      r && r->showInput && (!r->inputTitle.empty() || !r->inputMessage.empty())) {
    std::string tip = Utf16ToUtf8(r->inputTitle);
    if (!tip.empty() && !r->inputMessage.empty()) tip += ": ";
    tip += Utf16ToUtf8(r->inputMessage);
    a += "title=\"" + EscapeHTML(tip, TLineBreaks::Space) + "\" ";
  }
  for (const TXLSConditionalFormat& f : extras_->conditions.Items()) {
    if (!AreasContain(f.areas, row, col)) continue;
    for (const TXLSCondition& c : f.conditions) {
      const std::optional<bool> holds = ConditionHolds(sheet_, f, c, row, col, value);
      if (!holds) {
        if (std::find(undecided_.begin(), undecided_.end(), c.id) == undecided_.end()) undecided_.push_back(c.id);
        continue;
      }
      if (!*holds) continue;
      const std::string css = ConditionCSS(sheet_, c);
      if (!css.empty()) a += "style=\"" + EscapeHTML(css) + "\" ";
      return a;
    }
  }
  return a;
}

std::string THTMLExtras::Href(const TXLSHyperlinkData& l) {
  if (l.Kind() == TXLSLinkKind::Url) {
    const std::string scheme = l.Scheme();
    if (std::find(std::begin(kLinkedSchemes), std::end(kLinkedSchemes), scheme) == std::end(kLinkedSchemes))
      return {};
    std::string url = Utf16ToUtf8(l.address);
    if (!l.subAddress.empty()) url += "#" + Utf16ToUtf8(l.subAddress);
    return EscapeURLAttribute(url);
  }
  if (l.Kind() != TXLSLinkKind::Place) return {};
  std::u16string name;
  std::uint16_t row = 0;
  std::uint8_t col = 0;
  if (!PlaceOf(l.subAddress, name, row, col)) return {};
  const std::string cell = "#" + EncodeCellRef(row, col);
  if (name.empty()) return cell;
  const std::int32_t p = sheet_.Workbook().GetSheetIndexByName(name);
  if (p < 1) return {};
  if (p == sheet_.GetIndex()) return cell;
  if (!allPages_) return {};
  return "Sheet" + SheetNumberText(p) + ".htm" + cell;
}

std::string THTMLExtras::LinkText(std::uint32_t row, std::uint32_t col, const std::string& escaped) {
  if (!extras_) return escaped;
  const TXLSHyperlinkData* l = extras_->hyperlinks.At(row, col);
  if (!l) return escaped;
  const std::string href = Href(*l);
  if (href.empty()) {
    if (std::find(unlinked_.begin(), unlinked_.end(), l->id) == unlinked_.end()) unlinked_.push_back(l->id);
    return escaped;
  }
  std::string a = "<a href=\"" + href + "\"";
  if (!l->screenTip.empty()) a += " title=\"" + EscapeHTML(Utf16ToUtf8(l->screenTip), TLineBreaks::Space) + "\"";
  return a + ">" + escaped + "</a>";
}

void THTMLExtras::Warn() {
  if (!extras_) return;
  TXLSWorkbook& wb = sheet_.Workbook();
  const auto where = [&](const TXLSArea& a) { return sheet_.CellName(a.row1, a.col1, a.row2, a.col2); };
  for (const TXLSHyperlinkData& l : extras_->hyperlinks.Items())
    if (std::find(unlinked_.begin(), unlinked_.end(), l.id) != unlinked_.end())
      (void)wb.Warn(where(l.anchor), "hyperlink to " + Utf16ToUtf8(l.address.empty() ? l.subAddress : l.address).substr(0, 80) +
                                         " written as text",
                    "hyperlinks a page does not link to written as text (only web, mail, FTP and sheet targets)");
  for (const TXLSConditionalFormat& f : extras_->conditions.Items())
    for (const TXLSCondition& c : f.conditions)
      if (std::find(undecided_.begin(), undecided_.end(), c.id) != undecided_.end())
        (void)wb.Warn(where(f.areas.front()), "condition \"=" + c.formula1.substr(0, 60) + "\" not shown",
                      "conditions a page cannot decide without evaluating formulas not shown");
  for (const TXLSValidationRule& r : extras_->validations.Items())
    (void)wb.Warn(where(r.areas.front()), "data validation not enforced",
                  "data validations left out of HTML pages (their prompts show as tips)");
}

}  // namespace tablirex
