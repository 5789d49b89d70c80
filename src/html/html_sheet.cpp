// A worksheet as one HTML page: a CSS class per extended format in use, and a
// table of the used range with merged areas, column widths and row heights.
#include <cstdint>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "cells/cell_store.h"
#include "eval/engine.h"
#include "tablirex/file_error.h"
#include "cells/hash.h"
#include "cells/rowcol.h"
#include "drawing/drawing_model.h"
#include "formats/palette.h"
#include "formats/xf_list.h"
#include "formats/font_list.h"
#include "html/html_extras.h"
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
#include "workbook/document_properties.h"

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
// The default cell format: a cell, row or column record without a format of its own.
constexpr std::int32_t kDefaultCellXF = 15;

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
std::string CSSFontName(std::string_view name) {
  std::string clean;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '<' || c == '>' || c == '{' || c == '}' || c == ';' || c == '"' || c == '\'' ||
        c == '\\' || c == '&')
      continue;
    clean.push_back(c);
  }
  return clean;
}

bool IsWrapped(IXLSRange& cell) {
  try {
    return cell.GetWrapText().AsBoolean();
  } catch (const EVariantError&) {
    return false;
  }
}

// The RGB of a border colour index from the XF list: the automatic colour (and a
// line without colour) shows the system foreground, black.
std::uint32_t BorderRGB(const TXLSPalette& palette, std::int32_t colorIndex) {
  if (colorIndex == xlColorIndexAutomatic || colorIndex == kNone || colorIndex <= 0)
    return palette.GetPaletteColor(kPaletteSystemForeground);
  return palette.GetCustomColor(colorIndex);
}

// Which way a value on one line spills over the empty cells beside it.
enum class TSpill { None, Right, Left };

// What one visible cell of a row writes.
struct TSlot {
  Ref<IXLSRange> cell;       // the cell whose value and format are shown
  std::int32_t xf = 0;
  std::int32_t colspan = 1;
  std::int32_t rowspan = 1;
  const char* align = nullptr;  // general alignment: "right", "center" or none (left)
  std::string text;             // escaped
  TSpill spill = TSpill::None;
  std::uint32_t row = 0, col = 0;  // the cell shown
  TVariant value;
  bool covered = false;   // part of a merged area written elsewhere, or of a spilling text
  bool blank = false;     // empty, unmerged and without a format of its own: text may spill over it
  std::int64_t width = 0; // pixels
  const struct THTMLCellExtra* extra = nullptr;  // comments and pictures of the cell shown
  std::string formula;    // the formula of a cell that shows its result ("=A1*2")
};

// A formula's result as the value a cell would hold: numbers, texts, truth
// values, and errors as their text.
TVariant ResultVariant(const eval::TValue& v) {
  switch (v.Kind()) {
    case eval::TValueKind::Number: return TVariant(v.Num());
    case eval::TValueKind::Text: return TVariant(Utf16ToUtf8(v.Str()));
    case eval::TValueKind::Boolean: return TVariant(v.Bool());
    case eval::TValueKind::Error: return TVariant(Utf16ToUtf8(eval::ErrorText(v.Err())));
    default: return TVariant();
  }
}

// The alignment a cell with general alignment shows for its value: numbers and
// dates on the right, truth values centred, texts on the left.
const char* GeneralAlignment(const TVariant& value) {
  if (value.IsNumeric() || value.Type() == varDate) return "right";
  return value.Type() == varBoolean ? "center" : nullptr;
}

bool IsTextValue(const TVariant& value) { return value.Type() == varString || value.Type() == varOleStr; }

// A generous guess of a text's width in pixels (about three quarters of the
// font size per character), to decide how many empty neighbours it needs.
std::int64_t GuessTextWidth(std::string_view utf8, double points) {
  std::int64_t chars = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
  return static_cast<std::int64_t>(static_cast<double>(chars) * points * 0.75) + 8;
}

// The one-cell range at a zero-based position of the sheet (the used range's
// Item(r, c), built from the absolute position).
Ref<IXLSRange> CellRange(IXLSWorksheet& sheet, std::int32_t row, std::int32_t col) {
  const auto r = static_cast<std::uint32_t>(row);
  const auto c = static_cast<std::uint16_t>(col);
  return MakeRef<TXLSRange>(&sheet, r, c, r, c);
}

}  // namespace

namespace {

// What a cell of the page carries besides its value: the tooltip of its
// comments and the pictures drawn from it.
struct THTMLCellExtra {
  std::string title;
  std::vector<const TXLSSheetPicture*> pictures;
};

// The comments and pictures of a sheet by the cell whose td shows them (the
// first cell of a merged area shows the area's), and the cells they need.
struct THTMLDrawing {
  std::map<std::uint64_t, THTMLCellExtra> cells;
  bool any = false;
  std::int32_t row0 = 0, col0 = 0, rowN = 0, colN = 0;
  const THTMLCellExtra* ExtraAt(std::int32_t row, std::int32_t col) const {
    if (cells.empty()) return nullptr;
    const auto it = cells.find(TXLSSheetDrawing::Key(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col)));
    return it == cells.end() ? nullptr : &it->second;
  }
};

THTMLDrawing CollectDrawing(IXLSWorksheet& sheet, bool withPictures) {
  THTMLDrawing out;
  const TXLSSheetDrawing* d = sheet.DrawingIfAny();
  if (!d) return out;
  TXLSCellHeap& store = sheet.Cells();
  const auto place = [&](std::uint32_t row, std::uint32_t col) -> THTMLCellExtra& {
    if (const TXLSCellRef* cell = store.GetValue(row, col); cell && cell->IsMerged)
      if (const TXLSCellExtra* e = store.Extra(*cell)) {
        row = e->OwnerRow;
        col = e->OwnerCol;
      }
    const auto r = static_cast<std::int32_t>(row), c = static_cast<std::int32_t>(col);
    if (!out.any) {
      out.row0 = out.rowN = r;
      out.col0 = out.colN = c;
      out.any = true;
    }
    out.row0 = std::min(out.row0, r);
    out.rowN = std::max(out.rowN, r);
    out.col0 = std::min(out.col0, c);
    out.colN = std::max(out.colN, c);
    return out.cells[TXLSSheetDrawing::Key(row, col)];
  };
  for (const auto& [key, comment] : d->Comments()) {
    THTMLCellExtra& e = place(TXLSSheetDrawing::RowOf(key), TXLSSheetDrawing::ColOf(key));
    if (!e.title.empty()) e.title += "\n";
    e.title += Utf16ToUtf8(comment.text);
  }
  if (!withPictures) return out;
  std::size_t n = 0;
  for (const TXLSSheetPicture& p : d->Pictures()) {
    ++n;
    if (sheet.RowInfo().GetHidden(static_cast<std::int32_t>(p.row)) ||
        sheet.ColumnInfo().GetHidden(static_cast<std::int32_t>(p.col))) {
      (void)sheet.Workbook().Warn(sheet.GetWorkSheetName() + " picture " + std::to_string(n),
                                  "left out of the page: its cell is hidden",
                                  "pictures in hidden rows or columns left out of HTML pages");
      continue;
    }
    place(p.row, p.col).pictures.push_back(&p);
  }
  return out;
}

// A picture drawn from the top-left corner of its cell.
std::string PictureHTML(const TXLSSheetPicture& p, THTMLImages& images) {
  return "<div style=\"position:relative;width:0;height:0\"><img src=\"" + images.UrlOf(p.image) +
         "\" width=" + std::to_string(p.width) + " height=" + std::to_string(p.height) +
         " alt=\"\" style=\"position:absolute;left:" + std::to_string(p.x) + "px;top:" + std::to_string(p.y) +
         "px;z-index:1\"></div>";
}

}  // namespace

std::string THTMLImages::UrlOf(const std::shared_ptr<const TXLSImage>& image) {
  for (const TFile& f : files_)
    if (f.image == image || f.image->digest == image->digest) return prefix_ + f.name;
  files_.push_back({"image" + SheetNumberText(static_cast<std::int32_t>(files_.size() + 1)) + "." +
                        ImageExtension(image->format),
                    image});
  return prefix_ + files_.back().name;
}

std::string DefaultCSSItem(TXLSWorkbook& workbook) {
  const TXLSFontList& fonts = workbook.XFList().GetFontList();
  return " td {font-family: " + CSSFontName(Utf16ToUtf8(fonts.GetName(0))) +
         "; font-size: " + std::to_string(RoundToInt(fonts.GetSize(0))) +
         "pt; vertical-align: bottom; white-space: nowrap; overflow: hidden; "
         "padding: 1px 3px 0px 3px; }\r\n";
}

std::string GetCSSItem(IXLSWorksheet& sheet, std::int32_t xfIndex, IXLSRange& cell) {
  TXLSWorkbook& wb = sheet.Workbook();
  const Ref<IXLSFont> font = cell.GetFont();
  std::string rule = " td.f" + std::to_string(xfIndex) + " {";
  rule += "font-family: " + CSSFontName(font->GetName()) + "; ";
  rule += "font-size: " + std::to_string(RoundToInt(font->GetSize())) + "pt; ";
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
    case kAlignTop: rule += "vertical-align: top; "; break;
    case kAlignCenter: rule += "vertical-align: middle; "; break;
    case kAlignBottom: rule += "vertical-align: bottom; "; break;
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
  rule += IsWrapped(cell) ? "white-space: normal; overflow-wrap: break-word; " : "white-space: nowrap; ";
  rule += "}";
  rule += kCRLF;
  return rule;
}

std::string BuildSheetHTML(IXLSWorksheet& sheet, bool allPages, THTMLImages* images) {
  TXLSWorkbook& wb = sheet.Workbook();
  TXLSCellHeap& store = sheet.Cells();
  const TXLSRowInfoList& rowInfo = sheet.RowInfo();
  const TXLSColumnInfoList& colInfo = sheet.ColumnInfo();
  const Ref<IXLSRange> used = sheet.GetUsedRange();
  const std::int32_t rows = used->GetRows()->GetCount();
  const std::int32_t cols = used->GetColumns()->GetCount();
  std::int32_t row0 = used->GetRow() - 1, col0 = used->GetColumn() - 1;
  std::int32_t rowN = row0 + rows - 1, colN = col0 + cols - 1;
  wb.XFList().CreateAllReferredList();
  // Comments and pictures belong to cells that the table must show too.
  THTMLDrawing drawing = CollectDrawing(sheet, images != nullptr);
  if (drawing.any) {
    row0 = std::min(row0, drawing.row0);
    col0 = std::min(col0, drawing.col0);
    rowN = std::max(rowN, drawing.rowN);
    colN = std::max(colN, drawing.colN);
  }

  // Hidden rows and columns are not written at all: what the author keeps out
  // of sight stays out of the page.
  std::vector<std::int32_t> shownCols;
  for (std::int32_t c = col0; c <= colN; ++c)
    if (!colInfo.GetHidden(c)) shownCols.push_back(c);
  const auto shownRowsIn = [&](std::int32_t first, std::int32_t last) {
    std::int32_t n = 0;
    for (std::int32_t r = first; r <= last; ++r) n += rowInfo.GetHidden(r) ? 0 : 1;
    return n;
  };
  const auto shownColsIn = [&](std::int32_t first, std::int32_t last) {
    std::int32_t n = 0;
    for (std::int32_t c = first; c <= last; ++c) n += colInfo.GetHidden(c) ? 0 : 1;
    return n;
  };
  const auto firstShownRow = [&](std::int32_t first, std::int32_t last) {
    for (std::int32_t r = first; r <= last; ++r)
      if (!rowInfo.GetHidden(r)) return r;
    return -1;
  };
  const auto firstShownCol = [&](std::int32_t first, std::int32_t last) {
    for (std::int32_t c = first; c <= last; ++c)
      if (!colInfo.GetHidden(c)) return c;
    return -1;
  };

  std::string head = "<!DOCTYPE html>\r\n<html><head>\r\n<meta charset=\"utf-8\">\r\n";
  head += DocumentPropertiesHTML(wb.DocumentProperties());
  head += "<STYLE TYPE=\"text/css\">\r\n<!--\r\n";
  head += DefaultCSSItem(wb);
  std::string body;
  std::vector<std::int64_t> widths(shownCols.size());
  std::int64_t tableWidth = 0;
  for (std::size_t j = 0; j < shownCols.size(); ++j) {
    const Ref<IXLSRange> top = CellRange(sheet, row0, shownCols[j]);
    widths[j] = RoundToInt(NumberOf(top->GetColumnWidth()) * kPixelsPerCharacter);
    tableWidth += widths[j];
  }
  body += "<table border=0 cellpadding=0 cellspacing=0 width=" + std::to_string(tableWidth) +
          " style='border-collapse:collapse;table-layout:fixed'>";
  body += kCRLF;
  for (const std::int64_t w : widths) body += "  <col width=" + std::to_string(w) + ">" + kCRLF;

  THTMLExtras extras(sheet, allPages);
  THashBool written;  // XF indexes whose rule is in the style sheet
  std::vector<TSlot> slots(shownCols.size());
  for (std::int32_t r = row0; r <= rowN; ++r) {
    if (rowInfo.GetHidden(r)) continue;
    // First what each visible cell shows, then which empty cells the texts spill
    // over, then the row.
    for (std::size_t j = 0; j < shownCols.size(); ++j) {
      TSlot& slot = slots[j];
      slot = TSlot{};
      slot.width = widths[j];
      const std::int32_t c = shownCols[j];
      std::int32_t shownRow = r, shownCol = c;
      const TXLSCellRef* cell = store.GetValue(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c));
      bool merged = false;
      if (cell && cell->IsMerged) {
        const TXLSCellExtra* extra = store.Extra(*cell);
        const TXLSCellRef* owner = extra ? store.GetValue(extra->OwnerRow, extra->OwnerCol) : nullptr;
        const TXLSCellExtra* area = owner ? store.Extra(*owner) : nullptr;
        if (area) {
          merged = true;
          // The area is written at its first visible cell, spanning its visible rows and columns.
          const std::int32_t r1 = extra->OwnerRow, c1 = extra->OwnerCol;
          const std::int32_t r2 = std::min(rowN, r1 + std::max(area->MergeRows, 1) - 1);
          const std::int32_t c2 = std::min(colN, c1 + std::max<std::int32_t>(area->MergeCols, 1) - 1);
          if (r != firstShownRow(std::max(r1, row0), r2) || c != firstShownCol(std::max(c1, col0), c2)) {
            slot.covered = true;
            continue;
          }
          slot.rowspan = shownRowsIn(r, r2);
          slot.colspan = shownColsIn(c, c2);
          shownRow = r1;
          shownCol = c1;
        }
      }
      slot.cell = CellRange(sheet, shownRow, shownCol);
      slot.row = static_cast<std::uint32_t>(shownRow);
      slot.col = static_cast<std::uint32_t>(shownCol);
      IXLSRange& k = *slot.cell;
      slot.xf = k.XFIndex();
      TVariant value = k.GetValue();
      // A formula cell shows its result (the formula goes in its title), unless
      // the workbook asks for the formula text.
      if (const TXLSCellRef* shown = store.GetValue(slot.row, slot.col); shown && shown->ValueType == xlFormula)
        if (eval::TWorkbookEvaluator* results = sheet.Workbook().Evaluation())
          if (const eval::TFormulaResult* res = results->Result(sheet.GetIndex() - 1, shownRow, shownCol);
              res && res->trusted) {
            slot.formula = value.AsString();
            value = ResultVariant(res->value);
          }
      const bool wrapped = IsWrapped(k);
      const std::int32_t hAlign = IntegerOf(k.GetHAlign());
      if (hAlign == kAlignGeneral) slot.align = GeneralAlignment(value);
      std::string text;
      try {
        text = FormatCellValue(value, k.GetNumFormat().AsString());
      } catch (const EVariantError&) {
        text = PlainValueText(value);
      }
      slot.extra = drawing.ExtraAt(shownRow, shownCol);
      slot.blank = text.empty() && !merged && (slot.xf == 0 || slot.xf == kDefaultCellXF) && !slot.extra;
      // A value on one line spills the way it is aligned: texts to the right,
      // numbers and dates (on the right) to the left, rather than lose digits.
      if (!text.empty() && !merged && !wrapped) {
        const bool left = hAlign == kAlignLeft || (hAlign == kAlignGeneral && IsTextValue(value));
        const bool right = hAlign == kAlignRight || (hAlign == kAlignGeneral && slot.align &&
                                                     std::string_view(slot.align) == "right");
        slot.spill = left ? TSpill::Right : right ? TSpill::Left : TSpill::None;
      }
      slot.text = EscapeHTML(text, wrapped ? TLineBreaks::Break : TLineBreaks::Space);
      if (std::string rich = RichTextHTML(sheet, shownRow, shownCol, text, wrapped ? TLineBreaks::Break : TLineBreaks::Space);
          !rich.empty())
        slot.text = std::move(rich);
      if (slot.text.empty()) slot.text = "&nbsp;";
      if (!extras.Empty()) {
        slot.value = value;
        slot.text = extras.LinkText(slot.row, slot.col, slot.text);
      }
      if (slot.spill != TSpill::None) slot.width = GuessTextWidth(text, static_cast<double>(k.GetFont()->GetSize()));
    }
    // A text wider than its cell takes in the blank cells beside it, as far as it
    // needs: it is cut at a cell that is not blank, and never covers another text.
    for (std::size_t j = 0; j < slots.size(); ++j) {
      TSlot& slot = slots[j];
      if (slot.covered || slot.spill == TSpill::None) continue;
      std::int64_t room = widths[j];
      const bool right = slot.spill == TSpill::Right;
      for (std::size_t i = j; room < slot.width;) {
        if (right ? i + 1 >= slots.size() : i == 0) break;
        i = right ? i + 1 : i - 1;
        TSlot& next = slots[i];
        if (next.covered || !next.blank) break;
        next.covered = true;
        room += widths[i];
        ++slot.colspan;
      }
    }
    body += "  <tr>";
    std::string line = "    ";
    bool first = true;
    for (std::size_t j = 0; j < slots.size(); ++j) {
      TSlot& slot = slots[j];
      if (slot.covered) continue;
      std::string attributes;
      if (first) {
        // The row's height goes with its first cell written.
        const double points = rowInfo.GetHeight(r);
        attributes = " height=" + std::to_string(RoundToInt(points * kPixelsPerPoint)) + " ";
        first = false;
      }
      if (slot.align) attributes += std::string("align=") + slot.align + " ";
      if (slot.colspan > 1) attributes += "colspan=" + std::to_string(slot.colspan) + " ";
      if (slot.rowspan > 1) attributes += "rowspan=" + std::to_string(slot.rowspan);
      if (!extras.Empty()) {
        const std::string more = extras.CellAttributes(slot.row, slot.col, slot.value);
        if (!more.empty() && !attributes.empty() && attributes.back() != ' ') attributes += ' ';
        attributes += more;
      }
      const std::int32_t x = slot.xf;
      const std::u16string key = Utf8ToUtf16(std::to_string(x));
      if (x > 0 && !written.GetValue(key)) {
        head += GetCSSItem(sheet, x, *slot.cell);
        written.SetValue(key, true);
      }
      std::string content;
      std::string title = slot.formula;
      if (slot.extra && !slot.extra->title.empty()) title += (title.empty() ? "" : "\n") + slot.extra->title;
      if (!title.empty()) attributes += " title=\"" + EscapeHTML(title, TLineBreaks::Entity) + "\"";
      if (slot.extra)
        for (const TXLSSheetPicture* p : slot.extra->pictures) content += PictureHTML(*p, *images);
      line += "<td " + attributes + " class=f" + std::to_string(x) + ">" + content + slot.text + "</td>  ";
    }
    body += line + "</tr>" + kCRLF;
  }
  body += kCRLF;
  body += "</table></body></html>";
  extras.Warn();
  head += "-->";
  head += kCRLF;
  head += "</STYLE>";
  head += kCRLF;
  head += "</head><body>";
  head += kCRLF;
  return head + kCRLF + body + kCRLF;
}

void ThrowIfStrictLoss(TXLSWorkbook& workbook, std::string_view fileName) {
  if (const std::string failure = workbook.StrictFailure(); !failure.empty())
    throw EFileError(failure, std::string(fileName));
}

THTMLEvaluation::THTMLEvaluation(TXLSWorkbook& workbook) : workbook_(workbook) {
  // The pages show results unless they are to show the formulas.
  if (!workbook.GetHtmlFormulaText() && !workbook.Evaluation()) {
    workbook.BeginDisplayEvaluation();
    owned_ = true;
  }
}

THTMLEvaluation::~THTMLEvaluation() {
  if (owned_) workbook_.EndEvaluation();
}

void SaveSheetAsHTML(IXLSWorksheet& sheet, std::string_view fileName) {
  // A page with pictures keeps their files in the folder beside it.
  const bool pictures = sheet.GetPictureCount() > 0;
  THTMLSave save(fileName, pictures);
  THTMLImages images(pictures ? EncodeURLComponent(save.Paths().relativeFolder) + "/" : std::string());
  std::string page = BuildSheetHTML(sheet, false, pictures ? &images : nullptr);
  SaveImageFiles(save, images);
  ThrowIfStrictLoss(sheet.Workbook(), fileName);
  save.Commit(page);
}

void SaveImageFiles(THTMLSave& save, const THTMLImages& images) {
  for (const THTMLImages::TFile& f : images.Files()) {
    const TXLSImage& image = *f.image;
    if (image.format != TXLSImageFormat::Bitmap) {
      save.AddPage(f.name, std::string_view(reinterpret_cast<const char*>(image.blip.data()), image.blip.size()));
      continue;
    }
    // A bitmap file again: its 14-byte file header before the stored bitmap.
    const auto size = static_cast<std::uint32_t>(14 + image.blip.size());
    std::string file = "BM";
    const std::uint8_t* b = image.blip.data();
    const std::uint32_t header = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    for (const std::uint32_t v : {size, 0u, 14u + header})
      for (int i = 0; i < 4; ++i) file.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    file.append(reinterpret_cast<const char*>(image.blip.data()), image.blip.size());
    save.AddPage(f.name, file);
  }
}

std::int32_t IXLSWorksheet::SaveAsHTML(std::string_view fileName) {
  workbook_->BeginWarnings(false);
  const THTMLEvaluation results(*workbook_);
  SaveSheetAsHTML(*this, fileName);
  return xlsOK;
}

}  // namespace tablirex
