// Merging, and the operations that move cells around: Insert and Delete with a
// shift, and PasteFrom behind Copy and Move. They work on the cell store directly,
// moving string-table and XF references along with the values and formats.
#include <algorithm>
#include <string>
#include <vector>

#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "cells/sst.h"
#include "drawing/drawing_model.h"
#include "formats/xf_list.h"
#include "range/range_impl.h"
#include "workbook/sheet_extras.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

/// The cell at (row, col), or nullptr; CreateAt makes it when missing. Positions
/// outside the sheet have no cell.
TXLSCellRef* CellAt(TXLSCellHeap& store, std::int32_t row, std::int32_t col) {
  return store.GetValue(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col));
}
TXLSCellRef* CreateAt(TXLSCellHeap& store, std::int32_t row, std::int32_t col) {
  return store.GetOrCreateValue(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col));
}

/// Position of a cell's merged area: its owner and the area's last row and column.
struct TMergeArea {
  TXLSCellRef* owner = nullptr;
  std::int32_t row1 = 0, col1 = 0, row2 = 0, col2 = 0;
};

/// The merged area a merged cell belongs to; no owner when the cell is not merged
/// or its owner cannot be found.
TMergeArea AreaOf(TXLSCellHeap& store, const TXLSCellRef& cell) {
  TMergeArea a;
  if (!cell.IsMerged) return a;
  const TXLSCellExtra* e = store.Extra(cell);
  if (!e) return a;
  TXLSCellRef* owner = store.GetValue(e->OwnerRow, e->OwnerCol);
  const TXLSCellExtra* oe = owner ? store.Extra(*owner) : nullptr;
  if (!oe || !owner->IsMergeOwner) return a;
  a.owner = owner;
  a.row1 = e->OwnerRow;
  a.col1 = e->OwnerCol;
  a.row2 = a.row1 + std::max<std::int32_t>(oe->MergeRows, 1) - 1;
  a.col2 = a.col1 + std::max<std::int32_t>(oe->MergeCols, 1) - 1;
  return a;
}

void ClearMerge(TXLSCellHeap& store, TXLSCellRef& cell) {
  if (!cell.IsMerged && !cell.IsMergeOwner) return;
  cell.IsMerged = false;
  cell.IsMergeOwner = false;
  if (TXLSCellExtra* e = store.Extra(cell)) {
    e->OwnerRow = 0;
    e->OwnerCol = 0;
    e->MergeRows = 0;
    e->MergeCols = 0;
  }
}

/// Gives a cell the format xf (0 for none), moving its XF reference.
void SetCellFormat(TXLSXFList& xfs, TXLSCellRef& cell, std::int32_t xf) {
  if (xf < 0) xf = 0;
  xfs.ReplaceIndex(cell.XF, xf);
  cell.XF = xf;
}

/// The format shown at (row, col) of the range's sheet, 0 outside the sheet. A
/// row or column that only carries the default cell format counts as none, so
/// that moving cells does not copy it into cells of their own.
std::int32_t ShownFormat(TXLSRange& on, std::int32_t row, std::int32_t col, bool& own) {
  own = false;
  if (row < 0 || row > XLSXMaxRow || col < 0 || col > XLSXMaxCol) return 0;
  const std::int32_t xf = on.GetXFIndex(row, col, own);
  if (!own && (xf <= 0 || xf == TXLSXFList::kDefaultXF)) return 0;
  return xf;
}

/// Clip of [from, to] to the store's used rows or columns; empty (from > to) when
/// the store holds no cell.
struct TSpan {
  std::int32_t from, to;
};
TSpan ClipRows(const TXLSCellHeap& s, std::int32_t from, std::int32_t to) {
  if (s.RowCount() <= 0) return {1, 0};
  return {std::max(from, s.FirstRow()), std::min(to, s.LastRow())};
}
TSpan ClipCols(const TXLSCellHeap& s, std::int32_t from, std::int32_t to) {
  if (s.ColCount() <= 0) return {1, 0};
  return {std::max(from, s.FirstCol()), std::min(to, s.LastCol())};
}

/// Moves the cell at S = (sRow, sCol) to D = S + (dRow, dCol) on the same sheet:
/// its value, its format and its place in a merged area. S need not hold a cell;
/// D then takes S's row or column format as its own and loses its value. A source
/// outside the sheet or outside the used area counts as empty and unformatted, so
/// D is cleared.
void MoveCell(TXLSRange& range, std::int32_t sRow, std::int32_t sCol, std::int32_t dRow, std::int32_t dCol,
              bool sourceInside) {
  IXLSWorksheet& sheet = *range.Sheet();
  TXLSCellHeap& store = sheet.Cells();
  TXLSStringTable& sst = sheet.Workbook().StringTable();
  TXLSXFList& xfs = sheet.Workbook().XFList();
  bool own = false;
  const std::int32_t f = sourceInside ? ShownFormat(range, sRow, sCol, own) : 0;
  TXLSCellRef* s = sourceInside ? CellAt(store, sRow, sCol) : nullptr;
  TXLSCellRef* d = (s || f > 0) ? CreateAt(store, dRow, dCol) : CellAt(store, dRow, dCol);
  if (s && d) {
    // The value, and with it the string reference, passes from S to D.
    store.ClearCellValue(*d, sst);
    d->ValueType = s->ValueType;
    d->NumValue = s->NumValue;
    // A formula's slot passes too; its code is made again from the text.
    d->SSTIndex = s->SSTIndex;
    if (s->ValueType == xlFormula) store.ForgetFormulaCode(*d);
    s->ValueType = xlEmpty;
    s->SSTIndex = -1;
    s->NumValue = 0.0;
    // The merged area moves with its cells: D points at the owner's new place
    // (the owner itself may already have moved, or move later).
    const TXLSCellExtra* se = s->IsMerged ? store.Extra(*s) : nullptr;
    if (se) {
      const std::int32_t ownerRow = se->OwnerRow + dRow - sRow, ownerCol = se->OwnerCol + dCol - sCol;
      const bool isOwner = s->IsMergeOwner;
      const std::int32_t mergeRows = se->MergeRows;
      const std::uint16_t mergeCols = se->MergeCols;
      (void)CreateAt(store, ownerRow, ownerCol);
      d->IsMerged = true;
      d->IsMergeOwner = isOwner;
      TXLSCellExtra& de = store.MakeExtra(*d);
      de.OwnerRow = static_cast<std::uint32_t>(ownerRow);
      de.OwnerCol = static_cast<std::uint16_t>(ownerCol);
      de.MergeRows = isOwner ? mergeRows : 0;
      de.MergeCols = isOwner ? mergeCols : 0;
    } else {
      ClearMerge(store, *d);
    }
    ClearMerge(store, *s);
    // The format: S's own reference passes to D; a row or column format shown at
    // S gives D a reference of its own.
    xfs.ReplaceIndex(d->XF, 0);
    if (!own) xfs.IncReferredCount(f);
    d->XF = f;
    s->XF = 0;
    return;
  }
  if (!d) return;
  store.ClearCellValue(*d, sst);
  ClearMerge(store, *d);
  SetCellFormat(xfs, *d, f);
}

/// What PasteFrom reads from one source position before anything is written. The
/// string and the format hold a reference of their own while the paste runs, so
/// that emptying the source cannot free them.
struct TSourceCell {
  bool exists = false;
  TXLSValueType type = xlEmpty;
  double number = 0.0;
  std::int32_t sstIndex = -1;
  std::string formula;
  std::int32_t xf = 0;
  std::int32_t numFormat = 0;
};

}  // namespace

// ---- merged areas ---------------------------------------------------------------------

void TXLSRange::ExtendRange() {
  if (Dead()) return;
  TXLSCellHeap& store = sheet_->Cells();
  std::int32_t r1 = MinRow(), r2 = MaxRow();
  std::int32_t c1 = MinCol(), c2 = MaxCol();
  bool grown = store.RowCount() > 0;
  while (grown) {
    grown = false;
    const TSpan rows = ClipRows(store, r1, r2), cols = ClipCols(store, c1, c2);
    for (std::int32_t r = rows.from; r <= rows.to && !grown; ++r)
      for (std::int32_t c = cols.from; c <= cols.to && !grown; ++c) {
        const TXLSCellRef* cell = CellAt(store, r, c);
        if (!cell || !cell->IsMerged) continue;
        const TMergeArea a = AreaOf(store, *cell);
        if (!a.owner) continue;
        if (a.row1 < r1 || a.row2 > r2 || a.col1 < c1 || a.col2 > c2) {
          r1 = std::min<std::int32_t>(r1, a.row1);
          r2 = std::min<std::int32_t>(std::max<std::int32_t>(r2, a.row2), XLSXMaxRow);
          c1 = std::min<std::int32_t>(c1, a.col1);
          c2 = std::min<std::int32_t>(std::max<std::int32_t>(c2, a.col2), XLSXMaxCol);
          grown = true;
        }
      }
  }
  firstRow_ = r1;
  lastRow_ = r2;
  firstCol_ = c1;
  lastCol_ = c2;
}

void TXLSRange::Merge(const TVariant& across) {
  if (Dead()) return;
  bool flag = false;
  if (across.Type() == varBoolean) flag = across.AsBoolean();
  else if (across.IsNumeric()) flag = across.AsDouble() > 0;
  Merge(flag);
}

void TXLSRange::Merge(bool across) {
  if (Dead()) return;
  ExtendRange();
  TXLSCellHeap& store = sheet_->Cells();
  TXLSStringTable& sst = sheet_->Workbook().StringTable();
  const std::int32_t rows = MaxRow() - MinRow() + 1, cols = MaxCol() - MinCol() + 1;
  for (std::int32_t r = MinRow(); r <= MaxRow(); ++r)
    for (std::int32_t c = MinCol(); c <= MaxCol(); ++c) {
      TXLSCellRef& cell = *store.GetOrCreateValue(r, c);
      const bool owner = c == MinCol() && (across || r == MinRow());
      if (!owner) store.ClearCellValue(cell, sst);
      cell.IsMerged = true;
      cell.IsMergeOwner = owner;
      TXLSCellExtra& e = store.MakeExtra(cell);
      e.OwnerRow = static_cast<std::uint32_t>(across ? r : MinRow());
      e.OwnerCol = MinCol();
      e.MergeRows = owner ? (across ? 1 : rows) : 0;
      e.MergeCols = owner ? static_cast<std::uint16_t>(cols) : 0;
    }
}

void TXLSRange::UnMergeCell(TXLSCellRef& owner) {
  if (Dead()) return;
  TXLSCellHeap& store = sheet_->Cells();
  const TXLSCellExtra* oe = store.Extra(owner);
  if (!owner.IsMergeOwner || !oe) {
    ClearMerge(store, owner);
    return;
  }
  const std::int32_t r1 = owner.Row, c1 = owner.Col;
  const std::int32_t rows = std::max<std::int32_t>(oe->MergeRows, 1);
  const std::int32_t cols = std::max<std::int32_t>(oe->MergeCols, 1);
  const std::int32_t r2 = std::min<std::int32_t>(r1 + rows - 1, XLSXMaxRow);
  const std::int32_t c2 = std::min<std::int32_t>(c1 + cols - 1, XLSXMaxCol);
  for (std::int32_t r = r1; r <= r2; ++r)
    for (std::int32_t c = c1; c <= c2; ++c) {
      TXLSCellRef* cell = CellAt(store, r, c);
      if (!cell || !cell->IsMerged || cell == &owner) continue;
      // Only the area's own cells: a cell claimed by another area keeps its link.
      const TXLSCellExtra* e = store.Extra(*cell);
      if (e && e->OwnerRow == static_cast<std::uint32_t>(r1) && e->OwnerCol == c1) ClearMerge(store, *cell);
    }
  ClearMerge(store, owner);
  // Covered cells that only held their place in the area are not kept.
  store.DropEmptyCells(r1, c1, r2, c2);
}

void TXLSRange::Unmerge() {
  if (Dead()) return;
  TXLSCellHeap& store = sheet_->Cells();
  const TSpan rows = ClipRows(store, MinRow(), MaxRow()), cols = ClipCols(store, MinCol(), MaxCol());
  for (std::int32_t r = rows.from; r <= rows.to; ++r)
    for (std::int32_t c = cols.from; c <= cols.to; ++c) {
      TXLSCellRef* cell = CellAt(store, r, c);
      if (!cell || !cell->IsMerged) continue;
      const TMergeArea a = AreaOf(store, *cell);
      if (a.owner) UnMergeCell(*a.owner);
      else ClearMerge(store, *cell);
    }
}

void TXLSRange::UnMergeOutgoingRanges(std::int32_t row1, std::int32_t col1, std::int32_t row2,
                                      std::int32_t col2) {
  if (Dead()) return;
  TXLSCellHeap& store = sheet_->Cells();
  if (row1 > row2 || col1 > col2) return;
  // Dissolves the area of the cell at (r, c) when `outside` says it leaves the rectangle.
  const auto check = [&](std::int32_t r, std::int32_t c, auto&& outside) {
    TXLSCellRef* cell = CellAt(store, r, c);
    if (!cell || !cell->IsMerged) return;
    const TMergeArea a = AreaOf(store, *cell);
    if (a.owner && outside(a)) UnMergeCell(*a.owner);
  };
  const TSpan rows = ClipRows(store, row1, row2), cols = ClipCols(store, col1, col2);
  for (std::int32_t c = cols.from; c <= cols.to; ++c) {
    check(row1, c, [&](const TMergeArea& a) { return a.row1 < row1; });
    check(row2, c, [&](const TMergeArea& a) { return a.row2 > row2; });
  }
  for (std::int32_t r = rows.from; r <= rows.to; ++r) {
    check(r, col1, [&](const TMergeArea& a) { return a.col1 < col1; });
    check(r, col2, [&](const TMergeArea& a) { return a.col2 > col2; });
  }
}

// ---- inserting and deleting -----------------------------------------------------------------

TVariant TXLSRange::Delete(std::int32_t shift) {
  if (Dead()) return TVariant::Null();
  const bool up = shift == xlShiftUp || (shift != xlShiftToLeft && GetRangeType() != 1);
  TXLSCellHeap& store = sheet_->Cells();
  const std::int32_t r1 = MinRow(), r2 = MaxRow(), c1 = MinCol(), c2 = MaxCol();
  // Comments of the deleted cells go; those beyond move in with their cells.
  if (sheet_->DrawingIfAny()) {
    TXLSSheetDrawing& drawing = sheet_->Drawing();
    drawing.RemoveComments(r1, c1, r2, c2);
    const bool moved = up ? drawing.ShiftRows(c1, c2, r2 + 1, -(r2 - r1 + 1), XLSXMaxRow)
                          : drawing.ShiftCols(r1, r2, c2 + 1, -(c2 - c1 + 1), XLSXMaxCol);
    if (!moved) return TVariant(false);
  }
  if (store.RowCount() <= 0) {
    ShiftSheetExtras(*sheet_, up ? TXLSCellShift::Kind::DeleteUp : TXLSCellShift::Kind::DeleteLeft, Area());
    return TVariant(true);
  }
  // The block that moves: from the range to the end of the used area in the
  // direction of the shift, as wide (high) as the range. Positions outside the
  // used area hold no cell, so the other dimension is cut to it.
  const TSpan rows = up ? TSpan{r1, store.LastRow()} : ClipRows(store, r1, r2);
  const TSpan cols = up ? ClipCols(store, c1, c2) : TSpan{c1, store.LastCol()};
  if (rows.from > rows.to || cols.from > cols.to) {
    ShiftSheetExtras(*sheet_, up ? TXLSCellShift::Kind::DeleteUp : TXLSCellShift::Kind::DeleteLeft, Area());
    return TVariant(true);
  }
  // Areas reaching out of the moving block or across the deleted range's border
  // cannot move as a whole: dissolve them first.
  if (up) UnMergeOutgoingRanges(r1, c1, store.LastRow(), c2);
  else UnMergeOutgoingRanges(r1, c1, r2, store.LastCol());
  UnMergeOutgoingRanges(r1, c1, r2, c2);
  const std::int32_t dr = up ? r2 - r1 + 1 : 0, dc = up ? 0 : c2 - c1 + 1;
  // Every position of the block takes the cell dr rows below (dc columns right);
  // positions past the used area have none, so the last dr rows (dc columns) of
  // the block, and any part of the range nothing moves into, end up empty.
  for (std::int32_t r = rows.from; r <= rows.to; ++r)
    for (std::int32_t c = cols.from; c <= cols.to; ++c) {
      const std::int32_t sr = r + dr, sc = c + dc;
      MoveCell(*this, sr, sc, r, c, sr <= rows.to && sc <= cols.to);
    }
  store.DropEmptyCells(rows.from, cols.from, rows.to, cols.to);
  ShiftSheetExtras(*sheet_, up ? TXLSCellShift::Kind::DeleteUp : TXLSCellShift::Kind::DeleteLeft, Area());
  return TVariant(true);
}

TVariant TXLSRange::Insert(std::int32_t shift) {
  if (Dead()) return TVariant::Null();
  const bool down = shift == xlShiftDown || (shift != xlShiftToRight && GetRangeType() != 1);
  TXLSCellHeap& store = sheet_->Cells();
  TXLSXFList& xfs = sheet_->Workbook().XFList();
  const std::int32_t r1 = MinRow(), r2 = MaxRow(), c1 = MinCol(), c2 = MaxCol();
  const std::int32_t dr = down ? r2 - r1 + 1 : 0, dc = down ? 0 : c2 - c1 + 1;
  const std::int32_t lastRow = store.RowCount() > 0 ? store.LastRow() : 0;
  const std::int32_t lastCol = store.ColCount() > 0 ? store.LastCol() : 0;
  if (lastRow + dr > XLSXMaxRow || lastCol + dc > XLSXMaxCol) return TVariant(false);
  // Comments move with their cells; one that would be pushed off the sheet
  // refuses the insert as a cell would.
  if (sheet_->DrawingIfAny()) {
    TXLSSheetDrawing& drawing = sheet_->Drawing();
    const bool moved = down ? drawing.ShiftRows(c1, c2, r1, dr, XLSXMaxRow) : drawing.ShiftCols(r1, r2, c1, dc, XLSXMaxCol);
    if (!moved) return TVariant(false);
  }
  const TSpan rows = down ? TSpan{r1, store.RowCount() > 0 ? lastRow : -1} : ClipRows(store, r1, r2);
  const TSpan cols = down ? ClipCols(store, c1, c2) : TSpan{c1, store.ColCount() > 0 ? lastCol : -1};
  if (rows.from <= rows.to && cols.from <= cols.to) {
    if (down) UnMergeOutgoingRanges(r1, c1, lastRow, c2);
    else UnMergeOutgoingRanges(r1, c1, r2, lastCol);
    // From the far end back, so that no cell is overwritten before it has moved.
    for (std::int32_t r = rows.to; r >= rows.from; --r)
      for (std::int32_t c = cols.to; c >= cols.from; --c) MoveCell(*this, r, c, r + dr, c + dc, true);
  }
  // The new cells take the format of the row above (column to the left); at the
  // sheet's first row (column) that of the cells just pushed away. Only positions
  // within the used area are given cells; the rest show their row and column formats.
  const TSpan fillRows = down ? TSpan{r1, r2} : ClipRows(store, r1, r2);
  const TSpan fillCols = down ? ClipCols(store, c1, c2) : TSpan{c1, c2};
  for (std::int32_t r = fillRows.from; r <= fillRows.to; ++r)
    for (std::int32_t c = fillCols.from; c <= fillCols.to; ++c) {
      const std::int32_t fr = down ? (r1 > 0 ? r1 - 1 : r2 + 1) : r;
      const std::int32_t fc = down ? c : (c1 > 0 ? c1 - 1 : c2 + 1);
      bool own;
      const std::int32_t f = ShownFormat(*this, fr, fc, own);
      TXLSCellRef* cell = f > 0 ? CreateAt(store, r, c)
                                : CellAt(store, r, c);
      if (!cell) continue;
      SetCellFormat(xfs, *cell, f);
      ClearMerge(store, *cell);
    }
  // Positions the cells moved away from, and new cells without a format.
  store.DropEmptyCells(r1, c1, std::max(rows.to + dr, r2), std::max(cols.to + dc, c2));
  ShiftSheetExtras(*sheet_, down ? TXLSCellShift::Kind::InsertDown : TXLSCellShift::Kind::InsertRight, Area());
  return TVariant(true);
}

// ---- copying and moving ------------------------------------------------------------------------

void TXLSRange::PasteFrom(IXLSRange* source, std::int32_t flags, bool copy) {
  if (Dead()) return;
  auto* src = dynamic_cast<TXLSRange*>(source);
  if (!src || src->Dead()) return;
  TXLSWorkbook& wb = sheet_->Workbook();
  // String indices and format keys belong to one workbook.
  if (&src->sheet_->Workbook() != &wb) return;
  TXLSCellHeap& from = src->sheet_->Cells();
  TXLSCellHeap& to = sheet_->Cells();
  TXLSStringTable& sst = wb.StringTable();
  TXLSXFList& xfs = wb.XFList();
  const bool formats = flags & xlPasteFormats, values = flags & xlPasteValues;
  const bool widths = flags & xlPasteColumnWidths, numFormats = flags & xlPasteNumberFormats;

  const std::int32_t sr1 = src->MinRow(), sc1 = src->MinCol();
  const std::int32_t dr1 = MinRow(), dc1 = MinCol();
  const std::int32_t dRows = MaxRow() - dr1 + 1, dCols = MaxCol() - dc1 + 1;
  // The part of the source that is used: all of it when the destination is as
  // large or larger (and repeats it), else the destination's size from its corner.
  const std::int32_t uRows = std::min(src->MaxRow() - sr1 + 1, dRows);
  const std::int32_t uCols = std::min(src->MaxCol() - sc1 + 1, dCols);

  // Read the whole source before anything changes, so that a destination that
  // overlaps the source, or repeats it, sees the source as it was.
  std::vector<TSourceCell> cells(static_cast<std::size_t>(uRows) * static_cast<std::size_t>(uCols));
  for (std::int32_t i = 0; i < uRows; ++i)
    for (std::int32_t j = 0; j < uCols; ++j) {
      TSourceCell& sc = cells[static_cast<std::size_t>(i * uCols + j)];
      bool own;
      sc.xf = ShownFormat(*src, sr1 + i, sc1 + j, own);
      xfs.IncReferredCount(sc.xf);
      sc.numFormat = xfs.GetNumFormatIndex(sc.xf);
      const TXLSCellRef* cell = CellAt(from, sr1 + i, sc1 + j);
      if (!cell) continue;
      sc.exists = true;
      sc.type = cell->ValueType;
      sc.number = cell->NumValue;
      if (cell->ValueType == xlString) {
        sc.sstIndex = cell->SSTIndex;
        sst.ReplaceIndex(0, sc.sstIndex);
      } else if (cell->ValueType == xlFormula) {
        sc.formula = from.FormulaText(*cell);
      }
    }
  // Merged areas wholly inside the used source travel with their cells: their
  // places relative to the source corner. Every merged area the destination
  // touches is dissolved first (its values stay in its top-left cells), and a
  // move dissolves the areas of the source cells it empties, so no value is left
  // in a covered cell.
  struct TRelativeArea {
    std::int32_t row, col, rows, cols;
  };
  std::vector<TRelativeArea> areas;
  for (std::int32_t i = 0; i < uRows; ++i)
    for (std::int32_t j = 0; j < uCols; ++j) {
      const TXLSCellRef* cell = CellAt(from, sr1 + i, sc1 + j);
      if (!cell || !cell->IsMergeOwner) continue;
      const TMergeArea a = AreaOf(from, *cell);
      if (a.owner && a.row2 < sr1 + uRows && a.col2 < sc1 + uCols)
        areas.push_back({i, j, a.row2 - a.row1 + 1, a.col2 - a.col1 + 1});
    }
  // Comments travel with a whole paste (values and formats) and with every
  // move: those of the destination give way, the source's are repeated as its
  // cells are.
  if (src->sheet_->DrawingIfAny() && (!copy || (values && formats))) {
    const TXLSSheetDrawing::TCommentMap moving =
        src->sheet_->Drawing().TakeComments(sr1, sc1, sr1 + uRows - 1, sc1 + uCols - 1, !copy);
    TXLSSheetDrawing& drawing = sheet_->Drawing();
    drawing.RemoveComments(dr1, dc1, dr1 + dRows - 1, dc1 + dCols - 1);
    for (std::int32_t ti = 0; ti < dRows; ti += uRows)
      for (std::int32_t tj = 0; tj < dCols; tj += uCols)
        for (const auto& [key, comment] : moving) {
          const std::int64_t r = dr1 + ti + TXLSSheetDrawing::RowOf(key);
          const std::int64_t c = dc1 + tj + TXLSSheetDrawing::ColOf(key);
          if (r < dr1 + dRows && c < dc1 + dCols)
            drawing.SetComment(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c), comment);
        }
  } else if (sheet_->DrawingIfAny() && values && formats) {
    sheet_->Drawing().RemoveComments(dr1, dc1, dr1 + dRows - 1, dc1 + dCols - 1);
  }
  if (!copy) TXLSRange(src->link_.get(), static_cast<std::uint32_t>(sr1), static_cast<std::uint16_t>(sc1),
                       static_cast<std::uint32_t>(sr1 + uRows - 1), static_cast<std::uint16_t>(sc1 + uCols - 1))
                 .Unmerge();
  TXLSRange(link_.get(), static_cast<std::uint32_t>(dr1), static_cast<std::uint16_t>(dc1),
            static_cast<std::uint32_t>(dr1 + dRows - 1), static_cast<std::uint16_t>(dc1 + dCols - 1))
      .Unmerge();

  std::vector<std::uint16_t> colUnits(static_cast<std::size_t>(uCols));
  std::vector<bool> colHasInfo(static_cast<std::size_t>(uCols));
  for (std::int32_t j = 0; j < uCols; ++j) {
    const TXLSColumnInfo* info = src->sheet_->ColumnInfo().GetColumnInfo(sc1 + j);
    colHasInfo[static_cast<std::size_t>(j)] = info != nullptr;
    colUnits[static_cast<std::size_t>(j)] = info ? info->Width : TXLSColumnInfo().Width;
  }

  // A move empties the source cells it used, values and formats, whatever the flags.
  if (!copy)
    for (std::int32_t i = 0; i < uRows; ++i)
      for (std::int32_t j = 0; j < uCols; ++j)
        if (TXLSCellRef* cell = CellAt(from, sr1 + i, sc1 + j)) {
          from.ClearCellValue(*cell, sst);
          SetCellFormat(xfs, *cell, 0);
        }

  TXLSColumnInfoList& destCols = sheet_->ColumnInfo();
  if (widths)
    for (std::int32_t j = 0; j < dCols; ++j) {
      const auto k = static_cast<std::size_t>(j % uCols);
      const std::int32_t col = dc1 + j;
      if (!colHasInfo[k] && !destCols.GetColumnInfo(col)) continue;
      if (TXLSColumnInfo* info = destCols.CreateColumnInfo(col)) info->Width = colUnits[k];
    }

  for (std::int32_t i = 0; i < dRows; ++i)
    for (std::int32_t j = 0; j < dCols; ++j) {
      const TSourceCell& sc = cells[static_cast<std::size_t>((i % uRows) * uCols + j % uCols)];
      const auto row = static_cast<std::uint32_t>(dr1 + i), col = static_cast<std::uint32_t>(dc1 + j);
      if (numFormats && !formats) {
        bool own;
        const std::int32_t shown = GetXFIndex(dr1 + i, dc1 + j, own);
        if (xfs.GetNumFormatIndex(shown) != sc.numFormat) {
          TXLSCellRef& d = *to.GetOrCreateValue(row, col);
          d.XF = xfs.SetNumFormatIndex(shown, sc.numFormat, own);
        }
      }
      const bool create = sc.exists || (formats && sc.xf > 0);
      TXLSCellRef* d = create ? to.GetOrCreateValue(row, col) : to.GetValue(row, col);
      if (!d) continue;
      if (values) {
        if (sc.type == xlString) sst.ReplaceIndex(0, sc.sstIndex);
        to.ClearCellValue(*d, sst);
        if (sc.exists) {
          d->NumValue = sc.number;
          if (sc.type == xlFormula) {
            to.SetCellFormula(*d, sst, sc.formula, nullptr);
          } else {
            d->ValueType = sc.type;
            if (sc.type == xlString) d->SSTIndex = sc.sstIndex;
          }
        }
      }
      if (formats) SetCellFormat(xfs, *d, sc.xf);
    }

  // The source's merged areas again, in every repetition of the source that
  // holds them whole.
  if (formats)
    for (std::int32_t ti = 0; ti < dRows; ti += uRows)
      for (std::int32_t tj = 0; tj < dCols; tj += uCols)
        for (const TRelativeArea& a : areas) {
          const std::int32_t r = dr1 + ti + a.row, c = dc1 + tj + a.col;
          if (r + a.rows > dr1 + dRows || c + a.cols > dc1 + dCols) continue;
          TXLSRange(link_.get(), static_cast<std::uint32_t>(r), static_cast<std::uint16_t>(c),
                    static_cast<std::uint32_t>(r + a.rows - 1), static_cast<std::uint16_t>(c + a.cols - 1))
              .Merge(false);
        }

  // The references the source snapshot held.
  for (const TSourceCell& sc : cells) {
    if (sc.type == xlString) sst.Remove(sc.sstIndex);
    xfs.ReplaceIndex(sc.xf, 0);
  }
  // Cells the move emptied, and destination cells an empty source overwrote.
  if (!copy) from.DropEmptyCells(sr1, sc1, sr1 + uRows - 1, sc1 + uCols - 1);
  to.DropEmptyCells(dr1, dc1, dr1 + dRows - 1, dc1 + dCols - 1);
  // Hyperlinks, validations and conditional formats travel with the formats.
  if (formats) {
    const auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
    PasteSheetExtras(*src->sheet_, *sheet_, {u(sr1), u(sc1), u(sr1 + uRows - 1), u(sc1 + uCols - 1)},
                     {u(dr1), u(dc1), u(dr1 + dRows - 1), u(dc1 + dCols - 1)}, copy);
  }
}

void TXLSRange::Move(IXLSRange* destination) { Move(destination, xlPasteDefault); }
void TXLSRange::Copy(IXLSRange* destination) { Copy(destination, xlPasteDefault); }
void TXLSRange::Move(IXLSRange* destination, std::int32_t flags) {
  if (destination) destination->PasteFrom(this, flags, false);
}
void TXLSRange::Copy(IXLSRange* destination, std::int32_t flags) {
  if (destination) destination->PasteFrom(this, flags, true);
}

}  // namespace tablirex
