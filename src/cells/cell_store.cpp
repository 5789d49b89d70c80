#include "cells/cell_store.h"

#include <algorithm>

#include "cells/sst.h"
#include "formula/formula_code.h"
#include "text/text.h"

namespace tablirex {

TXLSCellHeap::TXLSCellHeap(IXLSWorksheet* sheet) : sheet_(sheet) {}

TXLSCellHeap::~TXLSCellHeap() = default;

template <class T>
std::uint32_t TXLSCellHeap::NewItem(std::vector<std::unique_ptr<T[]>>& pool, std::uint32_t& count) {
  if ((count & (kChunk - 1)) == 0) pool.emplace_back(new T[kChunk]());
  return ++count;
}

void TXLSCellHeap::Widen(std::uint32_t row, std::uint32_t col) noexcept {
  const auto r = static_cast<std::int32_t>(row);
  const auto c = static_cast<std::int32_t>(col);
  if (r < firstRow_ || rowCount_ == 0) {
    firstRow_ = r;
    rowCount_ = lastRow_ - r + 1;
  }
  if (r > lastRow_ || rowCount_ == 0 || rowCount_ <= 0) {
    lastRow_ = r;
    rowCount_ = r - firstRow_ + 1;
  }
  if (c < firstCol_ || colCount_ == 0) {
    firstCol_ = c;
    colCount_ = lastCol_ - c + 1;
  }
  if (c > lastCol_ || colCount_ == 0 || colCount_ <= 0) {
    lastCol_ = c;
    colCount_ = c - firstCol_ + 1;
  }
}

std::uint32_t* TXLSCellHeap::GroupEntry(std::uint32_t row, std::uint32_t rowBlock, std::uint32_t col,
                                        bool create) {
  if (col < kNarrowCols) return &RowGroups(rowBlock)[col >> 5];
  auto it = wideRows_.find(row);
  if (it == wideRows_.end()) {
    if (!create) return nullptr;
    it = wideRows_.emplace(row, std::make_unique<WideBlock>()).first;
  }
  return &(*it->second)[(col - kNarrowCols) >> 5];
}

TXLSCellRef* TXLSCellHeap::GetOrCreateValue(std::uint32_t row, std::uint32_t col) {
  if (row > XLSXMaxRow || col > XLSXMaxCol) return nullptr;
  if ((row >> 8) >= pages_.size()) pages_.resize((row >> 8) + 1);
  auto& page = pages_[row >> 8];
  if (!page) page = std::make_unique<Page>();
  std::uint32_t& rowBlock = page->rows[row & 0xFF];
  if (!rowBlock) rowBlock = NewItem(rowBlocks_, rowBlockCount_);
  std::uint32_t& group = *GroupEntry(row, rowBlock, col, true);
  if (!group) group = NewItem(groups_, groupCount_);
  // `group` may refer into a pool chunk; pools never move their chunks, so the
  // reference stays valid while new items are added.
  std::uint32_t& cell = Group(group)[col & 31];
  if (!cell) {
    if (freeCells_.empty()) {
      cell = NewItem(cells_, cellCount_);
    } else {
      cell = freeCells_.back();
      freeCells_.pop_back();
      CellAt(cell) = TXLSCellRef{};
    }
    TXLSCellRef& c = CellAt(cell);
    c.Row = row;
    c.Col = static_cast<std::uint16_t>(col);
    Widen(row, col);
  }
  return &CellAt(cell);
}

void TXLSCellHeap::RecomputeBounds() noexcept {
  firstRow_ = lastRow_ = rowCount_ = 0;
  firstCol_ = lastCol_ = colCount_ = 0;
  ForEach([this](const TXLSCellRef& c) { Widen(c.Row, c.Col); });
}

void TXLSCellHeap::DropEmptyCells(std::int32_t row1, std::int32_t col1, std::int32_t row2,
                                  std::int32_t col2) {
  if (rowCount_ <= 0 || colCount_ <= 0) return;
  row1 = std::max(row1, firstRow_);
  row2 = std::min(row2, lastRow_);
  col1 = std::max(col1, firstCol_);
  col2 = std::min(col2, lastCol_);
  bool edge = false;
  for (std::int32_t r = row1; r <= row2; ++r) {
    const auto ur = static_cast<std::uint32_t>(r);
    const Page* page = (ur >> 8) < pages_.size() ? pages_[ur >> 8].get() : nullptr;
    if (!page) {
      r |= 0xFF;  // the whole page is empty: on to the next one
      continue;
    }
    const std::uint32_t rowBlock = page->rows[ur & 0xFF];
    if (!rowBlock) continue;
    for (std::int32_t c = col1; c <= col2; ++c) {
      const std::uint32_t* entry = GroupEntry(ur, rowBlock, static_cast<std::uint32_t>(c), false);
      if (!entry) {  // no column past IV in this row
        c = col2;
        continue;
      }
      const std::uint32_t group = *entry;
      if (!group) {
        c |= 31;
        continue;
      }
      std::uint32_t& slot = Group(group)[static_cast<std::uint32_t>(c) & 31];
      if (!slot) continue;
      const TXLSCellRef& cell = CellAt(slot);
      if (cell.ValueType != xlEmpty || cell.XF > 0 || cell.IsMerged || cell.IsMergeOwner) continue;
      if (!extras_.empty()) extras_.erase(Key(cell));
      freeCells_.push_back(slot);
      slot = 0;
      if (r == firstRow_ || r == lastRow_ || c == firstCol_ || c == lastCol_) edge = true;
    }
  }
  if (edge) RecomputeBounds();
}

TXLSCellExtra* TXLSCellHeap::Extra(const TXLSCellRef& cell) noexcept {
  if (extras_.empty()) return nullptr;
  const auto it = extras_.find(Key(cell));
  return it == extras_.end() ? nullptr : &it->second;
}

TXLSCellExtra& TXLSCellHeap::MakeExtra(const TXLSCellRef& cell) { return extras_[Key(cell)]; }

TXLSCellHeap::FormulaSlot& TXLSCellHeap::MakeSlot(TXLSCellRef& cell) {
  if (FormulaSlot* slot = Slot(cell)) return *slot;
  std::uint32_t i;
  if (freeFormulas_.empty()) {
    i = NewItem(formulas_, formulaCount_);
  } else {
    i = freeFormulas_.back();
    freeFormulas_.pop_back();
  }
  cell.SSTIndex = static_cast<std::int32_t>(i);
  return *Slot(cell);
}

std::shared_ptr<const TFormulaCode> TXLSCellHeap::TextOnly(std::string text) {
  auto code = std::make_shared<TFormulaCode>();
  code->source = std::move(text);
  code->compiled = false;
  return code;
}

void TXLSCellHeap::SetFormulaCode(TXLSCellRef& cell, std::shared_ptr<const TFormulaCode> code) {
  FormulaSlot* slot = Slot(cell);
  if (!slot || !slot->code || !code || !code->compiled || code->source != slot->code->source) return;
  slot->Set(std::move(code));
}

void TXLSCellHeap::ForgetFormulaCode(TXLSCellRef& cell) {
  FormulaSlot* slot = Slot(cell);
  if (!slot || !slot->compiled) return;
  slot->Set(TextOnly(slot->code->source));
}

void TXLSCellHeap::ClearCellValue(TXLSCellRef& cell, TXLSStringTable& sst) {
  if (cell.ValueType == xlString) {
    sst.Remove(cell.SSTIndex);
    cell.SSTIndex = -1;
  } else if (FormulaSlot* slot = Slot(cell)) {
    *slot = FormulaSlot{};
    freeFormulas_.push_back(static_cast<std::uint32_t>(cell.SSTIndex));
    cell.SSTIndex = 0;
  }
  cell.ValueType = xlEmpty;
}

void TXLSCellHeap::SetCellNumber(TXLSCellRef& cell, TXLSStringTable& sst, double value, bool isDate) {
  if (cell.IsMerged && !cell.IsMergeOwner) return;
  if (!IsCellNumber(value, isDate)) return;
  if (cell.ValueType == xlString || cell.ValueType == xlFormula) ClearCellValue(cell, sst);
  cell.ValueType = isDate ? xlDateTime : xlDoubleNumber;
  cell.NumValue = value;
}

void TXLSCellHeap::SetCellBoolean(TXLSCellRef& cell, TXLSStringTable& sst, bool value) {
  if (cell.IsMerged && !cell.IsMergeOwner) return;
  if (cell.ValueType == xlString || cell.ValueType == xlFormula) ClearCellValue(cell, sst);
  cell.ValueType = xlBoolean;
  cell.NumValue = value ? 1.0 : 0.0;
}

void TXLSCellHeap::SetCellText(TXLSCellRef& cell, TXLSStringTable& sst, std::u16string_view text,
                               bool literal) {
  if (cell.IsMerged && !cell.IsMergeOwner) return;
  if (!literal && !text.empty() && text[0] == u'=') {
    ClearCellValue(cell, sst);
    cell.ValueType = xlFormula;
    cell.SSTIndex = 0;
    MakeSlot(cell).Set(TextOnly(Utf16ToUtf8(text.substr(1))));
    return;
  }
  // Add before releasing, so that setting a cell's own text again keeps the entry.
  const std::int32_t index = sst.Add(text);
  ClearCellValue(cell, sst);
  cell.ValueType = xlString;
  cell.SSTIndex = index;
}

void TXLSCellHeap::SetCellFormula(TXLSCellRef& cell, TXLSStringTable& sst, std::string_view text,
                                  std::shared_ptr<const TFormulaCode> code) {
  if (cell.IsMerged && !cell.IsMergeOwner) return;
  // The text may be the cell's own: its code lives until the new one is in.
  const FormulaSlot* own = Slot(cell);
  const std::shared_ptr<const TFormulaCode> before = own ? own->code : nullptr;
  ClearCellValue(cell, sst);
  cell.ValueType = xlFormula;
  cell.SSTIndex = 0;
  FormulaSlot& slot = MakeSlot(cell);
  if (code && code->compiled && code->source == text)
    slot.Set(std::move(code));
  else
    slot.Set(TextOnly(std::string(text)));
}

void TXLSCellHeap::SetCellValue(TXLSCellRef& cell, TXLSStringTable& sst, const TVariant& v) {
  if (cell.IsMerged && !cell.IsMergeOwner) return;
  switch (v.Type()) {
    case varEmpty: case varNull:
      ClearCellValue(cell, sst);
      return;
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
    case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
      SetCellNumber(cell, sst, v.AsDouble(), false);
      return;
    case varDate:
      SetCellNumber(cell, sst, v.AsDouble(), true);
      return;
    case varBoolean:
      SetCellBoolean(cell, sst, v.AsBoolean());
      return;
    case varOleStr:
      SetCellText(cell, sst, v.WideRef());
      return;
    case varString: {
      // Formulas stay UTF-8; only texts go through the wide form.
      const std::string& s = v.StringRef();
      if (!s.empty() && s[0] == '=') {
        ClearCellValue(cell, sst);
        cell.ValueType = xlFormula;
        cell.SSTIndex = 0;
        MakeSlot(cell).Set(TextOnly(s.substr(1)));
      } else {
        SetCellText(cell, sst, Utf8ToUtf16(s));
      }
      return;
    }
    default:
      // Errors, arrays: no cell form. A string is still released.
      if (cell.ValueType == xlString) ClearCellValue(cell, sst);
      return;
  }
}

TVariant TXLSCellHeap::GetCellValue(const TXLSCellRef& cell, TXLSStringTable& sst) const {
  if (cell.IsMerged && !cell.IsMergeOwner) return TVariant::Null();
  switch (cell.ValueType) {
    case xlString: return TVariant(Utf16ToUtf8(sst.GetValue(cell.SSTIndex)));
    case xlDoubleNumber: return TVariant(cell.NumValue);
    case xlDateTime: return TVariant::Date(cell.NumValue);
    case xlBoolean: return TVariant(cell.NumValue != 0.0);
    case xlFormula: return TVariant("=" + FormulaText(cell));
    default: return TVariant::Null();
  }
}

void TXLSCellHeap::ReleaseStrings(TXLSStringTable& sst) {
  ForEach([&](TXLSCellRef& c) {
    if (c.ValueType == xlString) {
      sst.Remove(c.SSTIndex);
      c.SSTIndex = -1;
      c.ValueType = xlEmpty;
    }
  });
}

}  // namespace tablirex
