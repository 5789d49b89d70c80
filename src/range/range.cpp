// Range navigation, values, widths, heights and hidden states.
#include <algorithm>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "cells/sst.h"
#include "formats/xf_list.h"
#include "range/range_impl.h"
#include "tablirex/addressing.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"

namespace tablirex {
namespace {

// Free list of range-sized blocks. Workbooks are used from one thread at a time,
// but different workbooks may live on different threads, so the list is per thread.
// The list itself is plain data, which stays usable for the whole life of the
// thread: a workbook held in a static object releases its ranges after the
// thread's objects are destroyed at exit, and those blocks then go straight back to
// the general allocator.
constexpr std::size_t kPoolSize = 256;
thread_local void* tFree[kPoolSize];
thread_local std::size_t tFreeCount = 0;
thread_local bool tPoolClosed = false;

// Empties the list when the thread ends and closes it for later releases.
struct RangePoolCloser {
  ~RangePoolCloser() {
    tPoolClosed = true;
    while (tFreeCount > 0) ::operator delete(tFree[--tFreeCount]);
  }
};
thread_local RangePoolCloser tPoolCloser;

}  // namespace

void* TXLSRange::operator new(std::size_t size) {
  if (size == sizeof(TXLSRange) && tFreeCount > 0) return tFree[--tFreeCount];
  return ::operator new(size);
}

void TXLSRange::operator delete(void* p) noexcept {
  if (!p) return;
  if (!tPoolClosed && tFreeCount < kPoolSize) {
    // Touching the closer registers it for the end of the thread, the first time.
    (void)&tPoolCloser;
    tFree[tFreeCount++] = p;
    return;
  }
  ::operator delete(p);
}

TXLSRange::TXLSRange(IXLSWorksheet* sheet, std::string_view firstRef, std::string_view lastRef)
    : IXLSRange(true), sheet_(sheet), link_(sheet->Link()) {
  std::uint32_t r1 = 0, r2 = 0;
  std::uint16_t c1 = 0, c2 = 0;
  if (GetCellRef(firstRef, r1, c1) == xlsOK) {
    firstRow_ = static_cast<std::int32_t>(r1);
    firstCol_ = c1;
    if (GetCellRef(lastRef, r2, c2) == xlsOK) {
      lastRow_ = static_cast<std::int32_t>(r2);
      lastCol_ = c2;
    }
  }
  Normalise();
}

TXLSRange::TXLSRange(IXLSWorksheet* sheet, std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
                     std::uint16_t col2)
    : IXLSRange(true),
      sheet_(sheet),
      link_(sheet->Link()),
      firstRow_(row1),
      lastRow_(row2),
      firstCol_(col1),
      lastCol_(col2) {
  Normalise();
}

TXLSRange::TXLSRange(TXLSSheetLink* link, std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
                     std::uint16_t col2)
    : IXLSRange(true),
      sheet_(link->Sheet()),
      link_(link),
      firstRow_(row1),
      lastRow_(row2),
      firstCol_(col1),
      lastCol_(col2) {
  Normalise();
}

TXLSRange::~TXLSRange() = default;

void TXLSRange::Normalise() noexcept {
  if (lastRow_ < firstRow_) std::swap(firstRow_, lastRow_);
  if (lastCol_ < firstCol_) std::swap(firstCol_, lastCol_);
}

void TXLSRange::Refuse(std::string message) const {
  if (IXLSWorksheet* sheet = link_->Sheet()) (void)sheet->Workbook().Refuse(std::move(message));
}

std::string TXLSRange::FirstRef() const { return EncodeCellRef(firstRow_, firstCol_); }
std::string TXLSRange::LastRef() const { return EncodeCellRef(lastRow_, lastCol_); }

std::int32_t TXLSRange::GetRangeType() const noexcept {
  if (firstRow_ == 0 && lastRow_ == XLSXMaxRow) return 1;
  if (firstCol_ == 0 && lastCol_ == XLSXMaxCol) return 2;
  return 0;
}

Ref<IXLSRange> TXLSRange::Make(std::uint32_t r1, std::uint32_t c1, std::uint32_t r2, std::uint32_t c2,
                               TXLSRangeType kind) const {
  auto* r = new TXLSRange(link_.get(), r1, c1, r2, c2);
  r->kind_ = kind;
  return Ref<IXLSRange>(r);
}

Ref<IXLSRange> TXLSRange::GetItem(std::uint32_t row, std::uint16_t col) {
  const auto r = static_cast<std::uint32_t>(firstRow_ + row - 1);
  const auto c = static_cast<std::uint16_t>(firstCol_ + col - 1);
  return Make(r, c, r, c, xlRangeCells);
}

Ref<IXLSRange> TXLSRange::GetCells() { return Make(firstRow_, firstCol_, lastRow_, lastCol_, xlRangeCells); }
Ref<IXLSRange> TXLSRange::GetRows() { return Make(firstRow_, firstCol_, lastRow_, lastCol_, xlRangeRows); }
Ref<IXLSRange> TXLSRange::GetColumns() {
  return Make(firstRow_, firstCol_, lastRow_, lastCol_, xlRangeColumns);
}
Ref<IXLSRange> TXLSRange::GetEntireRow() { return Make(firstRow_, 0, lastRow_, XLSXMaxCol, xlRangeRows); }
Ref<IXLSRange> TXLSRange::GetEntireColumn() {
  return Make(0, firstCol_, XLSXMaxRow, lastCol_, xlRangeColumns);
}

Ref<IXLSRange> TXLSRange::GetOffsetRange(std::int32_t rowOffset, std::int32_t colOffset) {
  if (!offset_) offset_ = Make(firstRow_, firstCol_, lastRow_, lastCol_, xlRangeCells);
  offset_->ShiftTo(static_cast<std::uint32_t>(firstRow_ + rowOffset),
                   static_cast<std::uint16_t>(firstCol_ + colOffset));
  return offset_;
}

void TXLSRange::ShiftTo(std::uint32_t row, std::uint16_t col) {
  lastRow_ = static_cast<std::uint32_t>(row + (lastRow_ - firstRow_));
  lastCol_ = static_cast<std::uint16_t>(col + (lastCol_ - firstCol_));
  firstRow_ = row;
  firstCol_ = col;
}

std::int32_t TXLSRange::GetCount() {
  const std::int32_t rows = std::abs(lastRow_ - firstRow_) + 1;
  const std::int32_t cols = std::abs(lastCol_ - firstCol_) + 1;
  switch (kind_) {
    case xlRangeRows: return rows;
    case xlRangeColumns: return cols;
    default: return rows * cols;
  }
}

// ---- values ----------------------------------------------------------------------------

TVariant TXLSRange::GetValue() {
  if (Dead()) return TVariant::Null();
  TXLSCellHeap& store = sheet_->Cells();
  TXLSStringTable& sst = sheet_->Workbook().StringTable();
  if (firstRow_ == lastRow_ && firstCol_ == lastCol_) {
    const TXLSCellRef* cell = store.GetValue(firstRow_, firstCol_);
    return cell ? store.GetCellValue(*cell, sst) : TVariant::Null();
  }
  const std::int32_t rows = lastRow_ - firstRow_ + 1;
  const std::int32_t cols = lastCol_ - firstCol_ + 1;
  if (rows <= 0 || cols <= 0) return TVariant::Null();
  TVariant out = TVariant::Array2(0, rows, 0, cols);
  TVariantArray& a = out.Array();
  for (std::int32_t i = 0; i < rows; ++i)
    for (std::int32_t j = 0; j < cols; ++j) {
      const TXLSCellRef* cell = store.GetValue(static_cast<std::uint32_t>(firstRow_ + i),
                                               static_cast<std::uint32_t>(firstCol_ + j));
      a.At(i, j) = cell ? store.GetCellValue(*cell, sst) : TVariant::Null();
    }
  return out;
}

namespace {

// True when the value is a text that begins with "=": a formula.
bool IsFormulaText(const TVariant& v) noexcept {
  if (v.Type() == varString) return !v.StringRef().empty() && v.StringRef()[0] == '=';
  if (v.Type() == varOleStr) return !v.WideRef().empty() && v.WideRef()[0] == u'=';
  return false;
}

// The text of a formula value after its "=".
std::string FormulaBody(const TVariant& v) {
  if (v.Type() == varString) return v.StringRef().substr(1);
  return Utf16ToUtf8(std::u16string_view(v.WideRef()).substr(1));
}

}  // namespace

bool TXLSRange::AcceptsFormula(const TVariant& value, std::uint32_t row1, std::uint32_t col1, std::uint32_t row2,
                               std::uint32_t col2) {
  if (!IsFormulaText(value)) return true;
  return sheet_->CheckFormula(FormulaBody(value), row1, col1, row2, col2) == xlsOK;
}

void TXLSRange::SetCellsValue(const TVariant& value) {
  if (Dead()) return;
  TXLSCellHeap& store = sheet_->Cells();
  TXLSStringTable& sst = sheet_->Workbook().StringTable();
  // A formula that cannot be written is refused for the whole range, which keeps
  // its values; the workbook's last error says why.
  const bool formula = IsFormulaText(value);
  const std::string body = formula ? FormulaBody(value) : std::string();
  if (formula && sheet_->CheckFormula(body, MinRow(), MinCol(), MaxRow(), MaxCol()) != xlsOK) return;
  // A number that is not finite, or a date outside the years 1 to 9999, is refused
  // with its reason; the cells keep their values.
  const bool isDate = value.Type() == varDate;
  if ((isDate || value.IsNumeric()) && !IsCellNumber(value.AsDouble(), isDate)) {
    Refuse(FirstRef() + (isDate ? ": the date lies outside the years 1 to 9999"
                                : ": the number is not finite"));
    return;
  }
  // Cells that take a formula keep the compiled form the check made, one for all.
  static const std::shared_ptr<const TFormulaCode> kNone;
  const std::shared_ptr<const TFormulaCode>& code = formula ? sheet_->Workbook().CheckedCode(body) : kNone;
  for (std::int32_t r = MinRow(); r <= MaxRow(); ++r)
    for (std::int32_t c = MinCol(); c <= MaxCol(); ++c) {
      TXLSCellRef& cell = *store.GetOrCreateValue(r, c);
      if (code)
        store.SetCellFormula(cell, sst, body, code);
      else
        store.SetCellValue(cell, sst, value);
    }
}

void TXLSRange::SetValue(const TVariant& value) {
  if (Dead()) return;
  if (!value.IsArray()) {
    SetCellsValue(value);
    return;
  }
  const TVariantArray& a = value.Array();
  TXLSCellHeap& store = sheet_->Cells();
  TXLSStringTable& sst = sheet_->Workbook().StringTable();
  static const TVariant kNotAvailable(std::string("#N/D"));
  const std::uint32_t rows = static_cast<std::uint32_t>(MaxRow() - MinRow()) + 1;
  const std::uint32_t cols = static_cast<std::uint32_t>(MaxCol() - MinCol()) + 1;
  if (a.DimCount() == 1) {
    const auto n = static_cast<std::uint32_t>(a.Count(1));
    for (std::uint32_t i = 0; i < rows; ++i)
      for (std::uint32_t j = 0; j < cols; ++j) {
        const TVariant& v = j < n ? a.At(a.Low(1) + static_cast<std::int32_t>(j))
                            : n == 1 ? a.At(a.Low(1))
                                     : kNotAvailable;
        if (!AcceptsFormula(v, MinRow() + i, MinCol() + j, MinRow() + i, MinCol() + j)) continue;
        store.SetCellValue(*store.GetOrCreateValue(MinRow() + i, MinCol() + j), sst, v);
      }
  } else if (a.DimCount() == 2) {
    const auto nr = static_cast<std::uint32_t>(a.Count(1));
    const auto nc = static_cast<std::uint32_t>(a.Count(2));
    for (std::uint32_t i = 0; i < rows; ++i) {
      const bool rowIn = i < nr || nr == 1;
      const std::int32_t ai = a.Low(1) + static_cast<std::int32_t>(nr == 1 ? 0 : i);
      for (std::uint32_t j = 0; j < cols; ++j) {
        const bool colIn = j < nc || nc == 1;
        const std::int32_t aj = a.Low(2) + static_cast<std::int32_t>(nc == 1 ? 0 : j);
        const TVariant& v = rowIn && colIn && nr > 0 && nc > 0 ? a.At(ai, aj) : kNotAvailable;
        if (!AcceptsFormula(v, MinRow() + i, MinCol() + j, MinRow() + i, MinCol() + j)) continue;
        store.SetCellValue(*store.GetOrCreateValue(MinRow() + i, MinCol() + j), sst, v);
      }
    }
  }
}

void TXLSRange::SetText(std::string_view text) {
  TXLSCellHeap& store = sheet_->Cells();
  TXLSStringTable& sst = sheet_->Workbook().StringTable();
  const std::u16string wide = Utf8ToUtf16(text);
  for (std::int32_t r = MinRow(); r <= MaxRow(); ++r)
    for (std::int32_t c = MinCol(); c <= MaxCol(); ++c)
      store.SetCellText(*store.GetOrCreateValue(r, c), sst, wide, true);
}

void TXLSRange::SetXFIndex(std::int32_t xf) {
  TXLSXFList& xfs = sheet_->Workbook().XFList();
  if (xf < 0 || (xf > 0 && xfs.GetItem(xf) == nullptr)) return;
  TXLSCellHeap& store = sheet_->Cells();
  for (std::int32_t r = MinRow(); r <= MaxRow(); ++r)
    for (std::int32_t c = MinCol(); c <= MaxCol(); ++c) {
      TXLSCellRef& cell = *store.GetOrCreateValue(r, c);
      if (cell.IsMerged && !cell.IsMergeOwner) continue;
      // The cell's own reference moves; a cell that showed its row's or column's
      // format takes a new one.
      if (cell.XF > 0)
        xfs.ReplaceIndex(cell.XF, xf);
      else
        xfs.IncReferredCount(xf);
      cell.XF = xf;
    }
}

void TXLSRange::ClearContents() {
  if (Dead()) return;
  TXLSCellHeap& store = sheet_->Cells();
  TXLSStringTable& sst = sheet_->Workbook().StringTable();
  // Only the part of the range that holds cells: a whole sheet is 17 billion
  // places, most of them empty.
  const std::int32_t c1 = std::max(MinCol(), store.FirstCol()), c2 = std::min(MaxCol(), store.LastCol());
  const std::int32_t r1 = std::max(MinRow(), store.FirstRow()), r2 = std::min(MaxRow(), store.LastRow());
  for (std::int32_t c = c1; store.RowCount() > 0 && c <= c2; ++c)
    for (std::int32_t r = r1; r <= r2; ++r)
      if (TXLSCellRef* cell = store.GetValue(r, c)) store.ClearCellValue(*cell, sst);
  // A cleared cell with no format of its own has nothing left to save.
  store.DropEmptyCells(MinRow(), MinCol(), MaxRow(), MaxCol());
}

void TXLSRange::Clear() {
  if (Dead()) return;
  TXLSCellHeap& store = sheet_->Cells();
  TXLSStringTable& sst = sheet_->Workbook().StringTable();
  TXLSXFList& xfs = sheet_->Workbook().XFList();
  // Only the part of the range that holds cells: a whole sheet is 17 billion
  // places, most of them empty.
  const std::int32_t c1 = std::max(MinCol(), store.FirstCol()), c2 = std::min(MaxCol(), store.LastCol());
  const std::int32_t r1 = std::max(MinRow(), store.FirstRow()), r2 = std::min(MaxRow(), store.LastRow());
  for (std::int32_t c = c1; store.RowCount() > 0 && c <= c2; ++c)
    for (std::int32_t r = r1; r <= r2; ++r)
      if (TXLSCellRef* cell = store.GetValue(r, c)) {
        store.ClearCellValue(*cell, sst);
        xfs.ReplaceIndex(cell->XF, 0);
        cell->XF = 0;
      }
  store.DropEmptyCells(MinRow(), MinCol(), MaxRow(), MaxCol());
  ClearComments();  // a cleared cell keeps no comment either
}

// ---- widths, heights, hidden ---------------------------------------------------------------

namespace {

// Applies a scalar or a one-dimensional array to n positions: element j for
// position j, a single element for all, and positions past a longer array left alone.
template <class Set>
void ApplyLine(const TVariant& value, std::int32_t n, Set&& set) {
  if (!value.IsArray()) {
    for (std::int32_t j = 0; j < n; ++j) set(j, value);
    return;
  }
  const TVariantArray& a = value.Array();
  if (a.DimCount() != 1) return;
  const std::int32_t count = a.Count(1);
  for (std::int32_t j = 0; j < n; ++j) {
    if (j < count)
      set(j, a.At(a.Low(1) + j));
    else if (count == 1)
      set(j, a.At(a.Low(1)));
  }
}

template <class Get>
TVariant GetLine(std::int32_t n, Get&& get) {
  if (n == 1) return get(0);
  TVariant out = TVariant::Array1(0, n);
  for (std::int32_t j = 0; j < n; ++j) out.Array().At(j) = get(j);
  return out;
}

}  // namespace

TVariant TXLSRange::GetColumnWidth() {
  if (Dead()) return TVariant::Null();
  TXLSColumnInfoList& cols = sheet_->ColumnInfo();
  return GetLine(MaxCol() - MinCol() + 1,
                 [&](std::int32_t j) { return TVariant(static_cast<double>(cols.GetWidth(MinCol() + j))); });
}

void TXLSRange::SetColumnWidth(const TVariant& value) {
  if (Dead()) return;
  TXLSColumnInfoList& cols = sheet_->ColumnInfo();
  ApplyLine(value, MaxCol() - MinCol() + 1,
            [&](std::int32_t j, const TVariant& v) { cols.SetWidth(MinCol() + j, v.AsDouble()); });
}

TVariant TXLSRange::GetRowHeight() {
  if (Dead()) return TVariant::Null();
  TXLSRowInfoList& rows = sheet_->RowInfo();
  return GetLine(MaxRow() - MinRow() + 1,
                 [&](std::int32_t j) { return TVariant(static_cast<double>(rows.GetHeight(MinRow() + j))); });
}

void TXLSRange::SetRowHeight(const TVariant& value) {
  if (Dead()) return;
  TXLSRowInfoList& rows = sheet_->RowInfo();
  ApplyLine(value, MaxRow() - MinRow() + 1,
            [&](std::int32_t j, const TVariant& v) { rows.SetHeight(MinRow() + j, v.AsDouble()); });
}

TVariant TXLSRange::GetHidden() {
  if (Dead()) return TVariant::Null();
  if (kind_ == xlRangeRows) {
    TXLSRowInfoList& rows = sheet_->RowInfo();
    return GetLine(MaxRow() - MinRow() + 1,
                   [&](std::int32_t j) { return TVariant(rows.GetHidden(MinRow() + j)); });
  }
  if (kind_ == xlRangeColumns) {
    TXLSColumnInfoList& cols = sheet_->ColumnInfo();
    return GetLine(MaxCol() - MinCol() + 1,
                   [&](std::int32_t j) { return TVariant(cols.GetHidden(MinCol() + j)); });
  }
  return TVariant::Null();
}

void TXLSRange::SetHidden(const TVariant& value) {
  if (Dead()) return;
  if (kind_ == xlRangeRows) {
    TXLSRowInfoList& rows = sheet_->RowInfo();
    ApplyLine(value, MaxRow() - MinRow() + 1,
              [&](std::int32_t j, const TVariant& v) { rows.SetHidden(MinRow() + j, v.AsBoolean()); });
  } else if (kind_ == xlRangeColumns) {
    TXLSColumnInfoList& cols = sheet_->ColumnInfo();
    ApplyLine(value, MaxCol() - MinCol() + 1,
              [&](std::int32_t j, const TVariant& v) { cols.SetHidden(MinCol() + j, v.AsBoolean()); });
  }
}

void TXLSRange::Select() {
  if (Dead()) return;
  TXLSRange extended(sheet_, firstRow_, firstCol_, lastRow_, lastCol_);
  extended.ExtendRange();
  sheet_->SetSelection(extended.firstRow_, extended.firstCol_, extended.lastRow_, extended.lastCol_);
}

}  // namespace tablirex
