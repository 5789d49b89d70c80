#include "workbook/grid_check.h"

#include <algorithm>

#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "drawing/drawing_model.h"
#include "layout/page_breaks.h"
#include "layout/page_setup.h"
#include "layout/panes.h"
#include "tablirex/addressing.h"
#include "tablirex/worksheet.h"
#include "workbook/sheet_extras.h"

namespace tablirex {
namespace {

struct TGridProbe {
  std::uint32_t lastRow, lastCol;
  std::string& what;
  std::string& where;

  bool Past(std::uint32_t row, std::uint32_t col) const noexcept { return row > lastRow || col > lastCol; }
  // True (and the finding kept) when the area reaches past the grid.
  bool Area(const TXLSArea& a, const char* kind) {
    if (!Past(a.row2, a.col2)) return false;
    what = kind;
    // The first cell of the area that lies past the grid.
    where = EncodeCellRef(a.row1 > lastRow ? a.row1 : a.row2 > lastRow ? lastRow + 1 : a.row1,
                          a.col1 > lastCol ? a.col1 : a.col2 > lastCol ? lastCol + 1 : a.col1);
    return true;
  }
  bool Cell(std::uint32_t row, std::uint32_t col, const char* kind) {
    return Area({row, col, row, col}, kind);
  }
};

bool CellsPast(IXLSWorksheet& sheet, TGridProbe& p) {
  TXLSCellHeap& store = sheet.Cells();
  if (store.RowCount() <= 0 ||
      (static_cast<std::uint32_t>(store.LastRow()) <= p.lastRow && static_cast<std::uint32_t>(store.LastCol()) <= p.lastCol))
    return false;
  bool found = false;
  store.ForEach([&](const TXLSCellRef& c) {
    if (!found && p.Past(c.Row, c.Col)) found = p.Cell(c.Row, c.Col, "cells");
  });
  return found;
}

bool DimensionsPast(IXLSWorksheet& sheet, TGridProbe& p) {
  const TXLSRowInfoList& rows = sheet.RowInfo();
  if (!rows.SameAsLastBeyond(static_cast<std::int32_t>(p.lastRow))) {
    for (std::int32_t r = static_cast<std::int32_t>(p.lastRow) + 1; r <= rows.GetLastRow(); ++r)
      if (rows.GetRowInfo(r)) return p.Cell(static_cast<std::uint32_t>(r), 0, "rows with a height or format");
  }
  const TXLSColumnInfoList& cols = sheet.ColumnInfo();
  if (!cols.SameAsLastBeyond(static_cast<std::int32_t>(p.lastCol))) {
    for (std::int32_t c = static_cast<std::int32_t>(p.lastCol) + 1; c <= cols.GetLastCol(); ++c)
      if (cols.GetColumnInfo(c)) return p.Cell(0, static_cast<std::uint32_t>(c), "columns with a width or format");
  }
  return false;
}

bool DrawingPast(IXLSWorksheet& sheet, TGridProbe& p) {
  const TXLSSheetDrawing* d = sheet.DrawingIfAny();
  if (!d) return false;
  for (const auto& [key, comment] : d->Comments())
    if (p.Cell(TXLSSheetDrawing::RowOf(key), TXLSSheetDrawing::ColOf(key), "a comment")) return true;
  for (const TXLSSheetPicture& pic : d->Pictures())
    if (p.Cell(pic.row, pic.col, "a picture")) return true;
  if (const TXLSAutoFilter* f = d->AutoFilter())
    if (p.Area({f->row1, f->col1, f->lastRow, f->col2}, "the autofilter")) return true;
  return false;
}

bool ExtrasPast(IXLSWorksheet& sheet, TGridProbe& p) {
  const TXLSSheetExtras* x = sheet.ExtrasIfAny();
  if (!x) return false;
  for (const TXLSHyperlinkData& h : x->hyperlinks.Items())
    if (p.Area(h.anchor, "a hyperlink")) return true;
  for (const TXLSValidationRule& v : x->validations.Items())
    for (const TXLSArea& a : v.areas)
      if (p.Area(a, "a validation")) return true;
  for (const TXLSConditionalFormat& f : x->conditions.Items())
    for (const TXLSArea& a : f.areas)
      if (p.Area(a, "a conditional format")) return true;
  return false;
}

bool LayoutPast(IXLSWorksheet& sheet, TGridProbe& p) {
  const TXLSPageSetup& s = sheet.PageSetup();
  if (s.HasPrintArea() &&
      p.Area({static_cast<std::uint32_t>(s.GetPrintAreaFirstRow()), static_cast<std::uint32_t>(s.GetPrintAreaFirstCol()),
              static_cast<std::uint32_t>(s.GetPrintAreaLastRow()), static_cast<std::uint32_t>(s.GetPrintAreaLastCol())},
             "the print area"))
    return true;
  // Print titles are one-based row and column numbers.
  if (s.GetTitleRowLast() > 0 && static_cast<std::uint32_t>(s.GetTitleRowLast()) > p.lastRow + 1)
    return p.Cell(static_cast<std::uint32_t>(s.GetTitleRowLast() - 1), 0, "the print titles");
  if (s.GetTitleColLast() > 0 && static_cast<std::uint32_t>(s.GetTitleColLast()) > p.lastCol + 1)
    return p.Cell(0, static_cast<std::uint32_t>(s.GetTitleColLast() - 1), "the print titles");
  if (const TXLSPanes* panes = sheet.Panes()) {
    // The first row and column of the lower and right panes; frozen panes count
    // the rows and columns above and left of their split.
    std::int32_t row = panes->GetRowTop(), col = panes->GetColLeft();
    if (sheet.PanesFrozen()) {
      row = std::max(row, static_cast<std::int32_t>(panes->GetY()));
      col = std::max(col, static_cast<std::int32_t>(panes->GetX()));
    }
    if (p.Cell(static_cast<std::uint32_t>(std::max(row, 0)), static_cast<std::uint32_t>(std::max(col, 0)),
               "the panes"))
      return true;
  }
  TXLSHPageBreaks& h = sheet.GetHPageBreaks();
  for (std::int32_t i = 1; i <= h.GetCount(); ++i)
    if (p.Cell(h.Get(i)->GetLocationIndex(), 0, "a page break")) return true;
  TXLSVPageBreaks& v = sheet.GetVPageBreaks();
  for (std::int32_t i = 1; i <= v.GetCount(); ++i)
    if (p.Cell(0, v.Get(i)->GetLocationIndex(), "a page break")) return true;
  return false;
}

}  // namespace

bool FindPastGrid(IXLSWorksheet& sheet, std::uint32_t lastRow, std::uint32_t lastCol, std::string& what,
                  std::string& where) {
  TGridProbe p{lastRow, lastCol, what, where};
  return CellsPast(sheet, p) || DimensionsPast(sheet, p) || DrawingPast(sheet, p) || ExtrasPast(sheet, p) ||
         LayoutPast(sheet, p);
}

}  // namespace tablirex
