// Merging and the structural range operations.
#include <algorithm>

#include "cells/cell_store.h"
#include "range/range_impl.h"
#include "tablirex/worksheet.h"

namespace tablirex {

void TXLSRange::ExtendRange() {
  TXLSCellHeap& store = sheet_->Cells();
  if (store.RowCount() <= 0) return;
  std::uint16_t r1 = MinRow(), r2 = MaxRow();
  std::uint8_t c1 = MinCol(), c2 = MaxCol();
  bool grown = true;
  while (grown) {
    grown = false;
    const auto rFrom = static_cast<std::uint32_t>(std::max<std::int32_t>(r1, store.FirstRow()));
    const auto rTo = static_cast<std::uint32_t>(std::min<std::int32_t>(r2, store.LastRow()));
    const auto cFrom = static_cast<std::uint32_t>(std::max<std::int32_t>(c1, store.FirstCol()));
    const auto cTo = static_cast<std::uint32_t>(std::min<std::int32_t>(c2, store.LastCol()));
    for (std::uint32_t r = rFrom; r <= rTo && !grown; ++r)
      for (std::uint32_t c = cFrom; c <= cTo && !grown; ++c) {
        const TXLSCellRef* cell = store.GetValue(r, c);
        if (!cell || !cell->IsMerged) continue;
        const TXLSCellExtra* e = store.Extra(*cell);
        if (!e) continue;
        const TXLSCellRef* owner = store.GetValue(e->OwnerRow, e->OwnerCol);
        const TXLSCellExtra* oe = owner ? store.Extra(*owner) : nullptr;
        if (!oe) continue;
        const std::uint16_t ar1 = e->OwnerRow;
        const auto ar2 = static_cast<std::uint16_t>(e->OwnerRow + oe->MergeRows - 1);
        const std::uint8_t ac1 = e->OwnerCol;
        const auto ac2 = static_cast<std::uint8_t>(e->OwnerCol + oe->MergeCols - 1);
        if (ar1 < r1 || ar2 > r2 || ac1 < c1 || ac2 > c2) {
          r1 = std::min(r1, ar1);
          r2 = std::max(r2, ar2);
          c1 = std::min(c1, ac1);
          c2 = std::max(c2, ac2);
          grown = true;
        }
      }
  }
  firstRow_ = r1;
  lastRow_ = r2;
  firstCol_ = c1;
  lastCol_ = c2;
}

void TXLSRange::Merge(bool across) {
  Unmerge();
  if (across) {
    for (std::uint32_t r = MinRow(); r <= MaxRow(); ++r)
      if (MinCol() != MaxCol())
        (void)sheet_->MergeCells(static_cast<std::uint16_t>(r), MinCol(), static_cast<std::uint16_t>(r),
                                 MaxCol());
    return;
  }
  if (MinRow() != MaxRow() || MinCol() != MaxCol())
    (void)sheet_->MergeCells(MinRow(), MinCol(), MaxRow(), MaxCol());
}

void TXLSRange::Unmerge() {
  TXLSRange area(sheet_, firstRow_, firstCol_, lastRow_, lastCol_);
  area.ExtendRange();
  TXLSCellHeap& store = sheet_->Cells();
  for (std::uint32_t r = area.MinRow(); r <= area.MaxRow(); ++r)
    for (std::uint32_t c = area.MinCol(); c <= area.MaxCol(); ++c)
      if (TXLSCellRef* cell = store.GetValue(r, c)) {
        cell->IsMerged = false;
        cell->IsMergeOwner = false;
      }
}

// Inserting, deleting, moving and copying cells are not supported yet: they leave
// the sheet unchanged.
void TXLSRange::PasteFrom(IXLSRange*, std::int32_t, bool) {}
TVariant TXLSRange::Insert(std::int32_t) { return TVariant::Null(); }
TVariant TXLSRange::Delete(std::int32_t) { return TVariant::Null(); }
void TXLSRange::Move(IXLSRange*) {}
void TXLSRange::Copy(IXLSRange*) {}
void TXLSRange::Move(IXLSRange*, std::int32_t) {}
void TXLSRange::Copy(IXLSRange*, std::int32_t) {}

}  // namespace tablirex
