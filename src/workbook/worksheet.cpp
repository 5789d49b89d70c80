// The worksheet: construction, the collection's operations, ranges, and the record
// lists of a save.
#include "tablirex/worksheet.h"

#include "biff/blob.h"
#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "cells/sst.h"
#include "formats/xf_list.h"
#include "layout/page_breaks.h"
#include "layout/page_setup.h"
#include "layout/panes.h"
#include "drawing/drawing_model.h"
#include "layout/pictures.h"
#include "layout/protect.h"
#include "range/range_impl.h"
#include "tablirex/addressing.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "text/text.h"
#include "workbook/sheet_collection.h"
#include "workbook/sheet_extras.h"

namespace tablirex {

IXLSWorksheet::IXLSWorksheet(TXLSWorkbook& workbook)
    : TXLSObject(false),
      workbook_(&workbook),
      link_(MakeRef<TXLSSheetLink>(this)),
      cells_(std::make_unique<TXLSCellHeap>(this)),
      rows_(std::make_unique<TXLSRowInfoList>(&workbook.XFList())),
      cols_(std::make_unique<TXLSColumnInfoList>(&workbook.XFList())),
      pageSetup_(std::make_unique<TXLSPageSetup>()),
      hBreaks_(std::make_unique<TXLSHPageBreaks>(this)),
      vBreaks_(std::make_unique<TXLSVPageBreaks>(this)),
      protect_(std::make_unique<TXLSProtect>()) {
  pageSetup_->SetWorkbook(&workbook);
  cellsRange_ = MakeRef<TXLSRange>(this, 0, 0, XLSXMaxRow, XLSXMaxCol);
  selection_ = MakeRef<TXLSRange>(this, 0, 0, 0, 0);
}

IXLSWorksheet::~IXLSWorksheet() {
  // Views of this sheet that callers still hold fail from now on.
  link_->Clear();
  // Text cells give their string references back while the table still exists.
  // (A table that holds no reference has none to take back.)
  if (workbook_->HasStringTable() && workbook_->StringTable().GetTotalRefs() > 0)
    cells_->ReleaseStrings(workbook_->StringTable());
}

TXLSSheetExtras& IXLSWorksheet::Extras() {
  if (!extras_) extras_ = std::make_unique<TXLSSheetExtras>();
  return *extras_;
}

std::string IXLSWorksheet::GetWorkSheetName() const { return Utf16ToUtf8(name_); }

void IXLSWorksheet::SetWorkSheetName(std::string_view name) {
  std::u16string wide = Utf8ToUtf16(name);
  if (collection_) {
    if (std::string problem = collection_->NameProblem(position_, wide); !problem.empty()) {
      (void)workbook_->Refuse("cannot rename sheet " + GetWorkSheetName() + " to \"" + std::string(name) +
                              "\": " + problem);
      return;
    }
  }
  name_ = std::move(wide);
}

void IXLSWorksheet::Activate() {
  if (!collection_) return;
  if (visible_ != xlSheetVisible) {
    (void)workbook_->Refuse("sheet " + GetWorkSheetName() + " is hidden: it cannot be active");
    return;
  }
  if (!selected_) {
    collection_->Deselect();
    selected_ = true;
  }
  collection_->SetActiveSheet(this);
}

void IXLSWorksheet::Select() { Select(true); }

void IXLSWorksheet::Select(bool replace) {
  if (!collection_) return;
  if (visible_ != xlSheetVisible) {
    (void)workbook_->Refuse("sheet " + GetWorkSheetName() + " is hidden: it cannot be selected");
    return;
  }
  if (replace) {
    collection_->Deselect();
    collection_->SetActiveSheet(this);
  }
  selected_ = true;
}

void IXLSWorksheet::Select(bool replace, std::int32_t) { Select(replace); }

void IXLSWorksheet::Delete() {
  if (collection_) collection_->Delete(position_);
}

void IXLSWorksheet::Delete(std::int32_t) { Delete(); }

void IXLSWorksheet::Move(IXLSWorksheet* before) { Move(before, nullptr); }

void IXLSWorksheet::Move(IXLSWorksheet* before, IXLSWorksheet* after) {
  if (!collection_) return;
  const std::int32_t i = position_;
  const std::int32_t a = before ? before->GetIndex() : 0;
  const std::int32_t b = after ? after->GetIndex() : 0;
  std::int32_t target = i;
  if (a > 0)
    target = i < a ? a - 1 : a;
  else if (b > 0)
    target = i >= b ? b + 1 : b;
  if (target != i) collection_->MoveSheet(i, target);
}

void IXLSWorksheet::Move(IXLSWorksheet* before, IXLSWorksheet* after, std::int32_t) {
  Move(before, after);
}

IXLSWorksheet* IXLSWorksheet::GetNextWorkSheet() {
  return collection_ ? collection_->Get(position_ + 1) : nullptr;
}

IXLSWorksheet* IXLSWorksheet::GetPreviousWorkSheet() {
  return collection_ ? collection_->Get(position_ - 1) : nullptr;
}

std::int32_t IXLSWorksheet::SetFirstSheet() {
  workbook_->SetFirstVisibleTab(static_cast<std::uint16_t>(position_ > 0 ? position_ - 1 : 0));
  return xlsOK;
}

std::int32_t IXLSWorksheet::ThawPanes(float verticalSplit, float horizontalSplit, std::int32_t topRow,
                                      std::int32_t leftCol) {
  return ThawSheetPanes(panes_, frozen_, verticalSplit, horizontalSplit, topRow, leftCol);
}

std::int32_t IXLSWorksheet::FreezePanes(std::int32_t rows, std::int32_t cols, std::int32_t topRow,
                                        std::int32_t leftCol) {
  return FreezeSheetPanes(panes_, frozen_, rows, cols, topRow, leftCol);
}

std::int32_t IXLSWorksheet::RepeatRows(std::int32_t, std::int32_t) { return xlsFail; }
std::int32_t IXLSWorksheet::RepeatColumns(std::int32_t, std::int32_t) { return xlsFail; }
std::int32_t IXLSWorksheet::SetZoom(std::int32_t zoom) { return SetSheetZoom(zoom_, zoom); }

IXLSPageSetup* IXLSWorksheet::GetPageSetup() { return pageSetup_.get(); }

void IXLSWorksheet::ResetAllPageBreaks() {
  hBreaks_->ClearAll();
  vBreaks_->ClearAll();
}

void IXLSWorksheet::Protect() { protect_->Protect("", workbook_->GetCodePage()); }
void IXLSWorksheet::Protect(std::string_view password) {
  protect_->Protect(password, workbook_->GetCodePage());
}
bool IXLSWorksheet::UnProtect() { return protect_->UnProtect("", true, workbook_->GetCodePage()); }
void IXLSWorksheet::UnProtect(std::string_view password) {
  protect_->UnProtect(password, true, workbook_->GetCodePage());
}

void IXLSWorksheet::UnProtect(std::string_view password, std::int32_t) { UnProtect(password); }

// ---- ranges -------------------------------------------------------------------------------

Ref<IXLSRange> IXLSWorksheet::GetRange(std::string_view cell1, std::string_view cell2) {
  return MakeRef<TXLSRange>(this, cell1, cell2);
}

Ref<IXLSRange> IXLSWorksheet::FGetRange(std::string_view cell1, std::string_view cell2) {
  return GetRange(cell1, cell2);
}

Ref<IXLSRange> IXLSWorksheet::Range(std::string_view a1) {
  std::uint32_t r1 = 0, r2 = 0;
  std::uint16_t c1 = 0, c2 = 0;
  if (GetCellRef(a1, r1, c1) == xlsOK) return MakeRef<TXLSRange>(this, r1, c1, r1, c1);
  if (GetCellRange(a1, r1, c1, r2, c2) == xlsOK) return MakeRef<TXLSRange>(this, r1, c1, r2, c2);
  std::int32_t first = 0, last = 0;
  if (a1.find(':') != std::string_view::npos) {
    bool digitsOnly = true;
    for (const char ch : a1)
      if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')) digitsOnly = false;
    if (digitsOnly && RowDiapasonToValues(a1, first, last) && first >= 1) {
      auto r = MakeRef<TXLSRange>(this, static_cast<std::uint32_t>(first - 1), 0,
                                  static_cast<std::uint32_t>(last - 1), XLSXMaxCol);
      r->SetKind(xlRangeRows);
      return r;
    }
    if (!digitsOnly && ColDiapasonToValues(a1, first, last) && first >= 1 && last <= XLSXMaxCol + 1) {
      auto r = MakeRef<TXLSRange>(this, 0, static_cast<std::uint16_t>(first - 1), XLSXMaxRow,
                                  static_cast<std::uint16_t>(last - 1));
      r->SetKind(xlRangeColumns);
      return r;
    }
  }
  return nullptr;
}

Ref<IXLSRange> IXLSWorksheet::GetCells() { return cellsRange_; }

Ref<IXLSRange> IXLSWorksheet::GetUsedRange() {
  const TXLSCellHeap& c = *cells_;
  if (c.RowCount() <= 0 || c.ColCount() <= 0) return MakeRef<TXLSRange>(this, 0, 0, 0, 0);
  return MakeRef<TXLSRange>(this, static_cast<std::uint32_t>(c.FirstRow()),
                            static_cast<std::uint16_t>(c.FirstCol()),
                            static_cast<std::uint32_t>(c.LastRow()),
                            static_cast<std::uint16_t>(c.LastCol()));
}

Ref<IXLSRange> IXLSWorksheet::GetSelection() { return selection_; }

void IXLSWorksheet::SetSelection(std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
                                 std::uint16_t col2) {
  selection_ = MakeRef<TXLSRange>(this, row1, col1, row2, col2);
}

// ---- record lists of a save ---------------------------------------------------------------

void IXLSWorksheet::BeginSave() {
  headerList_ = std::make_unique<TXLSBlobList>();
  dataList_ = std::make_unique<TXLSBlobList>();
  streamSize_ = 0;
  used_ = false;
  firstRow_ = lastRow_ = 0;
  firstCol_ = lastCol_ = 0;
}

void IXLSWorksheet::EndSave() {
  headerList_.reset();
  dataList_.reset();
}

std::int32_t IXLSWorksheet::AppendTo(TXLSBlobList& list, TXLSBlob& blob) {
  SplitOversizedRecord(blob, workbook_->MaxRecordBody());
  streamSize_ += blob.GetDataSize();
  return list.Append(blob);
}

std::int32_t IXLSWorksheet::AppendHeader(TXLSBlob& blob) {
  if (!headerList_) return xlsFail;
  return AppendTo(*headerList_, blob);
}

std::int32_t IXLSWorksheet::AppendData(TXLSBlob& blob) {
  if (!dataList_) return xlsFail;
  return AppendTo(*dataList_, blob);
}

std::int32_t IXLSWorksheet::CheckDimensions(std::uint32_t row, std::uint32_t col) {
  if (row > XLSXMaxRow || col > XLSXMaxCol) return xlsOutOfRange;
  if (!IsSaving()) return xlsOK;  // the cell store keeps its own bounds
  // The file's grid: 65536 rows and 256 columns, of which an Excel 5 sheet has
  // 16384 rows. Readers refuse a file with cells past it; the workbook refuses
  // such a save before it starts.
  if (row > XLSMaxRow || col > XLSMaxCol) return xlsOutOfRange;
  if (workbook_->CurrentFormat() == xlExcel5 && row > kBiff5LastRow) return xlsOutOfRange;
  const auto r = row;
  const auto c = static_cast<std::uint16_t>(col);
  if (!used_) {
    used_ = true;
    firstRow_ = lastRow_ = r;
    firstCol_ = lastCol_ = c;
    return xlsOK;
  }
  if (r < firstRow_) firstRow_ = r;
  if (r > lastRow_) lastRow_ = r;
  if (c < firstCol_) firstCol_ = c;
  if (c > lastCol_) lastCol_ = c;
  return xlsOK;
}

std::int32_t IXLSWorksheet::WriteData(IByteSink& stream) {
  if (!headerList_ || !dataList_) return xlsFail;
  TXLS_RETURN_ON_ERROR(headerList_->Write(stream));
  return dataList_->Write(stream);
}

}  // namespace tablirex
