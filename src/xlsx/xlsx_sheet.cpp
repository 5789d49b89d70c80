// The worksheet part: sheet properties, view, columns, the cell table and what
// follows it, in the element order of the worksheet schema.
#include "xlsx/xlsx_sheet.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <vector>

#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "cells/sst.h"
#include "eval/engine.h"
#include "eval/eval_value.h"
#include "formats/palette.h"
#include "layout/layout_records.h"
#include "layout/page_breaks.h"
#include "layout/page_setup.h"
#include "layout/panes.h"
#include "layout/protect.h"
#include "range/areas.h"
#include "range/range_impl.h"
#include "tablirex/colors.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "xlsx/xlsx_formula.h"
#include "xlsx/xlsx_styles.h"
#include "xlsx/xml_out.h"

namespace tablirex::xlsx {
namespace {

constexpr std::uint32_t kLastRow = 1048575;
constexpr std::uint32_t kLastCol = 16383;
constexpr const char* kPaneNames[] = {"bottomRight", "topRight", "bottomLeft", "topLeft"};

using TArea = TXLSArea;

// The most a cell's markup takes before its formula: name, style, a number.
constexpr std::size_t kCellChars = 48 + TXmlOut::kNumberChars;

template <std::size_t N>
char* Put(char* p, const char (&markup)[N]) noexcept {
  std::memcpy(p, markup, N - 1);
  return p + N - 1;
}

// The column letters of a zero-based column.
char* PutColumn(char* p, std::uint32_t col) noexcept {
  if (col < 26) {
    *p++ = static_cast<char>('A' + col);
    return p;
  }
  char b[4];
  int n = 0;
  for (std::uint32_t c = col + 1; c > 0; c = (c - 1) / 26) b[n++] = static_cast<char>('A' + (c - 1) % 26);
  while (n > 0) *p++ = b[--n];
  return p;
}

void AreaRef(TXmlOut& x, const TArea& a) {
  x.Cell(a.row1, a.col1);
  if (a.row1 != a.row2 || a.col1 != a.col2) {
    x << ':';
    x.Cell(a.row2, a.col2);
  }
}

void Attr(TXmlOut& x, std::string_view name, std::int64_t v) {
  x << ' ' << name << "=\"";
  x.Int(v);
  x << '"';
}
void AttrNumber(TXmlOut& x, std::string_view name, double v) {
  x << ' ' << name << "=\"";
  x.Number(v);
  x << '"';
}

// A row's own element attributes; false when the row needs no element of its own.
bool RowAttributes(TXmlOut& x, const TXLSRowInfo* info, const TXlsxStyles& styles) {
  if (!info) return false;
  bool any = false;
  if (info->HasXF) {
    if (const std::int32_t s = styles.StyleOf(info->XF); s != 0) {
      Attr(x, "s", s);
      x << " customFormat=\"1\"";
      any = true;
    }
  }
  if (info->HeightSet) {
    AttrNumber(x, "ht", info->Height / 20.0);
    x << " customHeight=\"1\"";
    any = true;
  }
  if (info->Hidden) {
    x << " hidden=\"1\"";
    any = true;
  }
  if (info->OutlineLevel) {
    Attr(x, "outlineLevel", info->OutlineLevel & 7);
    any = true;
  }
  if (info->Collapsed) {
    x << " collapsed=\"1\"";
    any = true;
  }
  return any;
}

void SheetPr(TXmlOut& x, IXLSWorksheet& sheet, TXLSWorkbook& book) {
  const bool tab = sheet.TabColorIndex() >= 1 && sheet.TabColorIndex() <= 56;
  const bool outline = !sheet.SummaryRowsBelow() || !sheet.SummaryColumnsRight();
  const bool fit = sheet.PageSetup().FitsToPages();
  if (!tab && !outline && !fit) return;
  x << "<sheetPr>";
  if (tab) x << "<tabColor rgb=\"" << ArgbOf(book.Palette().GetCustomColor(sheet.TabColorIndex())) << "\"/>";
  if (outline) {
    x << "<outlinePr";
    if (!sheet.SummaryRowsBelow()) x << " summaryBelow=\"0\"";
    if (!sheet.SummaryColumnsRight()) x << " summaryRight=\"0\"";
    x << "/>";
  }
  if (fit) x << "<pageSetUpPr fitToPage=\"1\"/>";
  x << "</sheetPr>";
}

void SheetViews(TXmlOut& x, IXLSWorksheet& sheet) {
  x << "<sheetViews><sheetView";
  if (!sheet.GetDisplayGridLines()) x << " showGridLines=\"0\"";
  if (sheet.IsSelected()) x << " tabSelected=\"1\"";
  if (sheet.GetZoom() != 100) {
    Attr(x, "zoomScale", sheet.GetZoom());
    Attr(x, "zoomScaleNormal", sheet.GetZoom());
  }
  x << " workbookViewId=\"0\">";
  std::uint16_t activePane = 3;
  if (const TXLSPanes* panes = sheet.Panes()) {
    const TXLSPaneValues v = ComputePaneValues(*panes, sheet.PanesFrozen());
    activePane = v.activePane;
    if (activePane != 3) {
      x << "<pane";
      if (v.x) Attr(x, "xSplit", v.x);
      if (v.y) Attr(x, "ySplit", v.y);
      x << " topLeftCell=\"";
      x.Cell(v.topRow, v.leftCol);
      x << "\" activePane=\"" << kPaneNames[activePane] << '"';
      if (sheet.PanesFrozen()) x << " state=\"frozen\"";
      x << "/>";
    }
  }
  Ref<IXLSRange> selection = sheet.GetSelection();
  const auto* sel = static_cast<TXLSRange*>(selection.get());
  const bool plain = sel->Row1() == 0 && sel->Col1() == 0 && sel->MaxRow() == 0 && sel->MaxCol() == 0;
  if (!plain || activePane != 3) {
    x << "<selection";
    if (activePane != 3) x << " pane=\"" << kPaneNames[activePane] << '"';
    x << " activeCell=\"";
    x.Cell(sel->Row1(), sel->Col1());
    x << "\" sqref=\"";
    AreaRef(x, sel->Area());
    x << "\"/>";
  }
  x << "</sheetView></sheetViews>";
}

// Columns with a record, runs of equal neighbours as one element.
void Cols(TXmlOut& x, const TXLSColumnInfoList& cols, const TXlsxStyles& styles) {
  if (cols.GetCount() == 0) return;
  const TXLSColumnInfo& def = cols.DefaultColumn();
  bool open = false;
  std::int32_t c = cols.GetFirstCol();
  const std::int32_t last = cols.GetLastCol();
  while (c <= last) {
    const TXLSColumnInfo* info = cols.GetColumnInfo(c);
    if (!info) {
      ++c;
      continue;
    }
    std::int32_t end = c;
    while (end + 1 <= last) {
      const TXLSColumnInfo* next = cols.GetColumnInfo(end + 1);
      if (!next || next->Width != info->Width || next->XF != info->XF || next->Hidden != info->Hidden ||
          next->OutlineLevel != info->OutlineLevel || next->Collapsed != info->Collapsed)
        break;
      ++end;
    }
    if (!open) x << "<cols>";
    open = true;
    x << "<col";
    Attr(x, "min", c + 1);
    Attr(x, "max", end + 1);
    AttrNumber(x, "width", info->Width / 256.0);
    if (const std::int32_t s = styles.StyleOf(info->XF); s != 0) Attr(x, "style", s);
    if (info->Hidden) x << " hidden=\"1\"";
    if (info->Width != def.Width) x << " customWidth=\"1\"";
    if (info->OutlineLevel) Attr(x, "outlineLevel", info->OutlineLevel & 7);
    if (info->Collapsed) x << " collapsed=\"1\"";
    x << "/>";
    c = end + 1;
  }
  if (open) x << "</cols>";
}

void Breaks(TXmlOut& x, std::string_view element, const TXLSPageBreaks& breaks, std::uint32_t across) {
  const std::int32_t n = breaks.GetCount();
  if (n == 0) return;
  x << '<' << element;
  Attr(x, "count", n);
  Attr(x, "manualBreakCount", n);
  x << '>';
  for (std::int32_t i = 1; i <= n; ++i) {
    x << "<brk";
    Attr(x, "id", breaks.Get(i)->GetLocationIndex());
    Attr(x, "max", across);
    x << " man=\"1\"/>";
  }
  x << "</" << element << '>';
}

void PageLayout(TXmlOut& x, const TXLSPageSetup& setup) {
  if (setup.GetCenterHorizontally() || setup.GetCenterVertically() || setup.GetPrintHeadings() ||
      setup.GetPrintGridlines()) {
    x << "<printOptions";
    if (setup.GetCenterHorizontally()) x << " horizontalCentered=\"1\"";
    if (setup.GetCenterVertically()) x << " verticalCentered=\"1\"";
    if (setup.GetPrintHeadings()) x << " headings=\"1\"";
    if (setup.GetPrintGridlines()) x << " gridLines=\"1\"";
    x << "/>";
  }
  x << "<pageMargins";
  AttrNumber(x, "left", setup.GetLeftMargin());
  AttrNumber(x, "right", setup.GetRightMargin());
  AttrNumber(x, "top", setup.GetTopMargin());
  AttrNumber(x, "bottom", setup.GetBottomMargin());
  AttrNumber(x, "header", setup.GetHeaderMargin());
  AttrNumber(x, "footer", setup.GetFooterMargin());
  x << "/><pageSetup";
  if (setup.GetStoredPaperSize() != 0) Attr(x, "paperSize", setup.GetStoredPaperSize());
  if (setup.GetStoredZoom() >= 10 && setup.GetStoredZoom() <= 400 && setup.GetStoredZoom() != 100)
    Attr(x, "scale", setup.GetStoredZoom());
  if (setup.FitsToPages()) {
    Attr(x, "fitToWidth", setup.GetStoredFitToPagesWide());
    Attr(x, "fitToHeight", setup.GetStoredFitToPagesTall());
  }
  x << " orientation=\"" << (setup.IsPortrait() ? "portrait" : "landscape") << "\"/>";
  const std::u16string header = setup.HeaderText(), footer = setup.FooterText();
  if (!header.empty() || !footer.empty()) {
    x << "<headerFooter>";
    if (!header.empty()) {
      x << "<oddHeader>";
      x.Text(header);
      x << "</oddHeader>";
    }
    if (!footer.empty()) {
      x << "<oddFooter>";
      x.Text(footer);
      x << "</oddFooter>";
    }
    x << "</headerFooter>";
  }
}

// A formula's result after its <f>: the cell's type goes before, so the <c>
// element's attributes are completed here, at f (where its "><f>" begins).
void CachedValue(TXmlOut& x, const eval::TValue& v, std::size_t f) {
  std::string& s = x.Buffer();
  switch (v.Kind()) {
    case eval::TValueKind::Number:
      x << "<v>";
      x.Number(v.Num());
      x << "</v></c>";
      return;
    case eval::TValueKind::Boolean:
      s.insert(f, " t=\"b\"");
      x << (v.Bool() ? "<v>1</v></c>" : "<v>0</v></c>");
      return;
    case eval::TValueKind::Error:
      s.insert(f, " t=\"e\"");
      x << "<v>";
      x.Text(eval::ErrorText(v.Err()));
      x << "</v></c>";
      return;
    case eval::TValueKind::Text:
      s.insert(f, " t=\"str\"");
      x << (NeedsPreserve(v.Str()) ? "<v xml:space=\"preserve\">" : "<v>");
      x.Text(v.Str(), false, TXLSStringTable::kMaxChars);
      x << "</v></c>";
      return;
    default: x << "</c>"; return;
  }
}

}  // namespace

std::int32_t WriteWorksheet(TXLSWorkbook& book, IXLSWorksheet& sheet, const TSheetExtras& extras,
                            TSheetContext& context, std::string& out) {
  TXLSCellHeap& store = sheet.Cells();
  const TXLSRowInfoList& rows = sheet.RowInfo();
  const TXLSColumnInfoList& cols = sheet.ColumnInfo();
  const TXlsxStyles& styles = context.styles;
  TXLSStringTable& sst = book.StringTable();
  const eval::TWorkbookEvaluator* results = book.Evaluation();

  TXmlOut x;
  x.Buffer().swap(out);
  x.Buffer().clear();
  // About what a numeric cell takes, so that the buffer grows once at most; a
  // sheet handed on in runs needs room for one run.
  constexpr std::size_t kRun = std::size_t{1} << 20;
  const std::size_t whole = 4096 + store.CellCount() * 44;
  x.Reserve(context.drain ? std::min(whole, kRun + (std::size_t{1} << 20)) : whole);
  x << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
  SheetPr(x, sheet, book);
  x << "<dimension ref=\"";
  if (store.RowCount() > 0)
    AreaRef(x, TArea{static_cast<std::uint32_t>(store.FirstRow()), static_cast<std::uint32_t>(store.FirstCol()),
                 static_cast<std::uint32_t>(store.LastRow()), static_cast<std::uint32_t>(store.LastCol())});
  else
    x << "A1";
  x << "\"/>";
  SheetViews(x, sheet);

  // Outline levels of the rows and columns, for the outline symbols' room.
  std::int32_t rowLevels = 0, colLevels = 0;
  if (rows.GetCount() > 0)
    for (std::int32_t r = rows.GetFirstRow(); r <= rows.GetLastRow(); ++r)
      if (const TXLSRowInfo* info = rows.GetRowInfo(r)) rowLevels = std::max<std::int32_t>(rowLevels, info->OutlineLevel & 7);
  if (cols.GetCount() > 0)
    for (std::int32_t c = cols.GetFirstCol(); c <= cols.GetLastCol(); ++c)
      if (const TXLSColumnInfo* info = cols.GetColumnInfo(c)) colLevels = std::max<std::int32_t>(colLevels, info->OutlineLevel & 7);
  x << "<sheetFormatPr";
  AttrNumber(x, "defaultRowHeight",
             (rows.DefaultRow().HeightSet ? rows.DefaultRow().Height : 255) / 20.0);
  if (rows.DefaultRow().HeightSet) x << " customHeight=\"1\"";
  if (rowLevels) Attr(x, "outlineLevelRow", rowLevels);
  if (colLevels) Attr(x, "outlineLevelCol", colLevels);
  x << "/>";
  Cols(x, cols, styles);

  // The cell table: rows with cells or a record of their own, ascending.
  std::vector<TArea> merged;
  std::int32_t result = xlsOK;
  std::int64_t openRow = -1;
  std::int64_t nextInfoRow = rows.GetCount() > 0 ? rows.GetFirstRow() : -1;
  const std::int64_t lastInfoRow = rows.GetCount() > 0 ? rows.GetLastRow() : -1;
  char rowNumber[12];  // the digits of the open row, for its cells' names
  std::size_t rowDigits = 0;
  // Every cell carries its name, though the schema lets a cell right after the
  // one before it in its row go without: some readers drop such cells.
  std::string formula, error;
  bool anyRow = false;
  const auto openRowElement = [&](std::uint32_t r, bool withCells) {
    if (!anyRow) x << "<sheetData>";
    anyRow = true;
    x << "<row r=\"";
    rowDigits = static_cast<std::size_t>(std::to_chars(rowNumber, rowNumber + sizeof rowNumber, r + 1).ptr - rowNumber);
    x << std::string_view(rowNumber, rowDigits) << '"';
    RowAttributes(x, rows.GetRowInfo(static_cast<std::int32_t>(r)), styles);
    x << (withCells ? ">" : "/>");
  };
  // Rows with a record and no cells, before row `before`.
  const auto flushInfoRows = [&](std::int64_t before) {
    while (nextInfoRow >= 0 && nextInfoRow < before && nextInfoRow <= lastInfoRow) {
      const TXLSRowInfo* info = rows.GetRowInfo(static_cast<std::int32_t>(nextInfoRow));
      if (info && nextInfoRow != openRow) {
        TXmlOut probe;
        if (RowAttributes(probe, info, styles)) openRowElement(static_cast<std::uint32_t>(nextInfoRow), false);
      }
      ++nextInfoRow;
    }
  };
  store.ForEach([&](TXLSCellRef& cell) {
    if (result != xlsOK) return;
    const std::uint32_t r = cell.Row, c = cell.Col;
    const bool covered = cell.IsMerged && !cell.IsMergeOwner;
    const std::int32_t s = styles.StyleOf(ShownXF(cell.XF, static_cast<std::int32_t>(r), static_cast<std::int32_t>(c), rows, cols));
    const TXLSValueType type = covered ? xlEmpty : cell.ValueType;
    if (type == xlEmpty && s == 0 && !(cell.IsMerged && cell.IsMergeOwner)) return;
    if (static_cast<std::int64_t>(r) != openRow) {
      if (openRow >= 0) x << "</row>";
      if (context.drain && x.Buffer().size() >= kRun) {
        result = context.drain(x.Buffer());
        if (result != xlsOK) return;
      }
      flushInfoRows(r);
      openRowElement(r, true);
      openRow = r;
      if (nextInfoRow == r) ++nextInfoRow;
    }
    // The cell is put together here and added to the part at once.
    char text[kCellChars];
    char* p = Put(text, "<c r=\"");
    p = PutColumn(p, c);
    std::memcpy(p, rowNumber, rowDigits);
    p += rowDigits;
    *p++ = '"';
    if (s != 0) {
      p = Put(p, " s=\"");
      p = std::to_chars(p, p + 11, s).ptr;
      *p++ = '"';
    }
    switch (type) {
      case xlEmpty:
        p = Put(p, "/>");
        x.Append(text, p);
        break;
      case xlDoubleNumber:
      case xlDateTime:
        p = Put(p, "><v>");
        p = TXmlOut::NumberText(p, cell.NumValue);
        p = Put(p, "</v></c>");
        x.Append(text, p);
        break;
      case xlBoolean:
        p = cell.NumValue != 0.0 ? Put(p, " t=\"b\"><v>1</v></c>") : Put(p, " t=\"b\"><v>0</v></c>");
        x.Append(text, p);
        break;
      case xlString: {
        if (const std::size_t n = sst.GetValue(cell.SSTIndex).size(); n > TXLSStringTable::kMaxChars) {
          const std::int32_t warned = book.Warn(
              sheet.CellName(r, c, r, c), "text of " + std::to_string(n) + " characters cut to 32767 (the cell limit)",
              "texts cut to 32767 characters (the cell limit)");
          if (warned != xlsOK) {
            result = warned;
            return;
          }
        }
        p = Put(p, " t=\"s\"><v>");
        p = std::to_chars(p, p + 11, sst.GetExtIndex(cell.SSTIndex)).ptr;
        p = Put(p, "</v></c>");
        x.Append(text, p);
        break;
      }
      case xlFormula: {
        // A compiled formula in capitals without strings, sheets or spaces is
        // stored as it stands; any other is spelt again from its tokens.
        const std::string& source = store.FormulaText(cell);
        const bool plain = store.FormulaCode(cell) && IsStoredFormulaForm(source);
        if (!plain) formula.clear();
        if ((!plain && !AppendFormula(book, source, formula, error)) ||
            !FormulaFits(plain ? std::string_view(source) : std::string_view(formula), error)) {
          result = book.Refuse(sheet.CellName(r, c, r, c) + ": formula " + FormulaForMessage(source) + ": " + error);
          return;
        }
        x.Append(text, p);
        const std::size_t at = x.Buffer().size();
        x << "><f>" << (plain ? std::string_view(source) : std::string_view(formula)) << "</f>";
        // The result the evaluation found; without one the file asks for the
        // formulas to be worked out when it is opened.
        const eval::TFormulaResult* result =
            results ? results->Result(sheet.GetIndex() - 1, static_cast<std::int32_t>(r), static_cast<std::int32_t>(c))
                    : nullptr;
        // A text result longer than a cell holds is left to the reader to work out.
        if (!result || !result->trusted ||
            (result->value.IsText() && result->value.Str().size() > TXLSStringTable::kMaxChars)) {
          context.uncalculated = true;
          x << "</c>";
          break;
        }
        CachedValue(x, result->value, at);
        break;
      }
    }
    if (cell.IsMerged && cell.IsMergeOwner) {
      const TXLSCellExtra* e = store.Extra(cell);
      const std::int32_t rows2 = e ? e->MergeRows : 1, cols2 = e ? e->MergeCols : 1;
      if (rows2 > 1 || cols2 > 1)
        merged.push_back(TArea{r, c, std::min<std::uint32_t>(r + static_cast<std::uint32_t>(rows2) - 1, kLastRow),
                               std::min<std::uint32_t>(c + static_cast<std::uint32_t>(cols2) - 1, kLastCol)});
    }
  });
  if (result != xlsOK) return result;
  if (openRow >= 0) x << "</row>";
  flushInfoRows(lastInfoRow + 1);
  x << (anyRow ? "</sheetData>" : "<sheetData/>");

  if (const TXLSProtect& p = sheet.Protection(); p.IsProtected()) {
    x << "<sheetProtection";
    if (p.HasPassword()) {
      x << " password=\"";
      x.Hex16(p.GetPasswordHash()) << '"';
    }
    x << " sheet=\"1\"/>";
  }
  x << extras.autoFilter;
  if (!merged.empty()) {
    x << "<mergeCells";
    Attr(x, "count", static_cast<std::int64_t>(merged.size()));
    x << '>';
    for (const TArea& a : merged) {
      x << "<mergeCell ref=\"";
      AreaRef(x, a);
      x << "\"/>";
    }
    x << "</mergeCells>";
  }
  x << extras.conditionalFormatting << extras.dataValidations << extras.hyperlinks;
  PageLayout(x, sheet.PageSetup());
  Breaks(x, "rowBreaks", sheet.GetHPageBreaks(), kLastCol);
  Breaks(x, "colBreaks", sheet.GetVPageBreaks(), kLastRow);
  x << extras.drawing << extras.legacyDrawing;
  x << "</worksheet>";
  out = x.Take();
  return xlsOK;
}

}  // namespace tablirex::xlsx
