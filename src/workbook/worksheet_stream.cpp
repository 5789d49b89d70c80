// The worksheet's substream: every record from BOF to EOF that is not a cell record.
#include "biff/blob.h"
#include "biff/record_sink.h"
#include "biff/records.h"
#include "cells/outline.h"
#include "cells/rowcol.h"
#include "drawing/drawing_records.h"
#include "layout/layout_records.h"
#include "layout/page_breaks.h"
#include "layout/page_setup.h"
#include "layout/panes.h"
#include "layout/protect.h"
#include "range/range_impl.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/sheet_collection.h"
#include "workbook/sheet_tab.h"

namespace tablirex {
namespace {

// Routes records to one of the sheet's two lists.
class SheetListSink final : public IRecordSink {
 public:
  SheetListSink(IXLSWorksheet& sheet, bool header) : sheet_(sheet), header_(header) {}
  std::int32_t AppendRecord(TXLSBlob& record) override {
    return header_ ? sheet_.AppendHeader(record) : sheet_.AppendData(record);
  }

 private:
  IXLSWorksheet& sheet_;
  bool header_;
};

}  // namespace

std::int32_t IXLSWorksheet::StoreBof() {
  const bool biff5 = workbook_->CurrentFormat() == xlExcel5;
  const std::uint16_t body = biff5 ? 8 : 16;
  TXLSBlob b(4u + body);
  b.AddWord(RecNo(Rec::BOF));
  b.AddWord(body);
  b.AddWord(biff5 ? 0x0500 : 0x0600);
  b.AddWord(0x0010);  // worksheet substream
  b.AddWord(biff5 ? 0x096C : 0x18AF);
  b.AddWord(biff5 ? 0x07C9 : 0x07CD);
  if (!biff5) {
    b.AddLong(0x4041);
    b.AddLong(0x0106);
  }
  return AppendHeader(b);
}

std::int32_t IXLSWorksheet::StoreExterns() {
  TXLSWorkSheets& sheets = workbook_->Sheets();
  TXLSBlob count(4 + 2);
  count.AddWord(RecNo(Rec::EXTERNCOUNT));
  count.AddWord(2);
  count.AddWord(static_cast<std::uint16_t>(sheets.Size()));
  TXLS_RETURN_ON_ERROR(AppendHeader(count));
  for (std::size_t i = 0; i < sheets.Size(); ++i) {
    IXLSWorksheet& other = sheets.At(i);
    if (&other == this) {
      TXLSBlob b(4 + 2);
      b.AddWord(RecNo(Rec::EXTERNSHEET));
      b.AddWord(2);
      b.AddByte(0x01);
      b.AddByte(0x02);  // this sheet
      TXLS_RETURN_ON_ERROR(AppendHeader(b));
      continue;
    }
    std::string name = Utf16ToCodePage(other.Name(), workbook_->GetCodePage());
    if (name.size() > 255) name.resize(255);
    const auto n = static_cast<std::uint16_t>(name.size());
    TXLSBlob b(4u + 2u + n);
    b.AddWord(RecNo(Rec::EXTERNSHEET));
    b.AddWord(static_cast<std::uint16_t>(2 + n));
    b.AddByte(static_cast<std::uint8_t>(n));
    b.AddByte(0x03);  // another sheet of this workbook
    b.AddString(name);
    TXLS_RETURN_ON_ERROR(AppendHeader(b));
  }
  return xlsOK;
}

std::int32_t IXLSWorksheet::StoreDimensions() {
  const bool biff5 = workbook_->CurrentFormat() == xlExcel5;
  std::uint32_t r1 = 0, r2 = 0;
  std::uint16_t c1 = 0, c2 = 256;
  if (used_) {
    r1 = firstRow_;
    r2 = static_cast<std::uint32_t>(lastRow_) + 1;
    c1 = firstCol_;
    c2 = static_cast<std::uint16_t>(lastCol_ + 1);
  }
  const std::uint16_t body = biff5 ? 10 : 14;
  TXLSBlob b(4u + body);
  b.AddWord(RecNo(Rec::DIMENSIONS));
  b.AddWord(body);
  if (biff5) {
    // The last row + 1 of row 65535 does not fit 16 bits; the older form wraps.
    b.AddWord(static_cast<std::uint16_t>(r1));
    b.AddWord(static_cast<std::uint16_t>(r2));
  } else {
    b.AddLong(r1);
    b.AddLong(r2);
  }
  b.AddWord(c1);
  b.AddWord(c2);
  b.AddWord(0);
  return AppendHeader(b);
}

std::int32_t IXLSWorksheet::StoreWindow2() {
  const bool biff5 = workbook_->CurrentFormat() == xlExcel5;
  std::uint16_t flags = 0x04B4;
  if (gridLines_) flags |= 0x0002;
  if (frozen_) flags |= 0x0008;
  if (selected_) flags |= 0x0200;
  const std::uint16_t body = biff5 ? 10 : 18;
  TXLSBlob b(4u + body);
  b.AddWord(RecNo(Rec::WINDOW2));
  b.AddWord(body);
  b.AddWord(flags);
  b.AddWord(0);  // top row
  b.AddWord(0);  // left column
  if (!biff5) {
    b.AddWord(64);  // automatic gridline colour
    b.AddWord(0);
    b.AddWord(0);  // page-break preview zoom
    b.AddWord(0);  // normal zoom
  }
  b.AddLong(0);
  return AppendData(b);
}

std::int32_t IXLSWorksheet::StoreSelection() {
  auto* sel = static_cast<TXLSRange*>(selection_.get());
  TXLSBlob b(4 + 15);
  b.AddWord(RecNo(Rec::SELECTION));
  b.AddWord(15);
  b.AddByte(static_cast<std::uint8_t>(activePane_));
  // A selection reaching past the file's grid (whole rows or columns of the
  // larger sheet) is cut at its edge.
  const auto row = [](std::int32_t r) { return static_cast<std::uint16_t>(std::min<std::int32_t>(r, XLSMaxRow)); };
  const auto col = [](std::int32_t c) { return static_cast<std::uint8_t>(std::min<std::int32_t>(c, XLSMaxCol)); };
  b.AddWord(row(sel->Row1()));
  b.AddWord(col(sel->Col1()));
  b.AddWord(0);  // active reference
  b.AddWord(1);  // one reference
  b.AddWord(row(sel->MinRow()));
  b.AddWord(row(sel->MaxRow()));
  b.AddByte(col(sel->MinCol()));
  b.AddByte(col(sel->MaxCol()));
  return AppendData(b);
}

std::int32_t IXLSWorksheet::StoreEof() {
  TXLSBlob b(4);
  b.AddWord(RecNo(Rec::EOF_));
  b.AddWord(0);
  return AppendData(b);
}

std::int32_t IXLSWorksheet::Close() {
  const TRecordContext& ctx = workbook_->Context();
  const bool biff5 = ctx.IsBiff5();
  SheetListSink header(*this, true);
  SheetListSink data(*this, false);
  const TXLSPageSetup& setup = *pageSetup_;

  TXLS_RETURN_ON_ERROR(StoreBof());
  TXLS_RETURN_ON_ERROR(cols_->StoreAllColumnInfo(header, ctx));
  // The ROW records themselves open the cell table (StoreCells).
  TXLSBlob defaultRowHeight = rows_->GetDefRowInfoBlob();
  TXLS_RETURN_ON_ERROR(AppendHeader(defaultRowHeight));
  if (biff5) TXLS_RETURN_ON_ERROR(StoreExterns());
  TXLS_RETURN_ON_ERROR(StorePrintHeaders(setup, header, ctx));
  TXLS_RETURN_ON_ERROR(StorePrintGridLines(setup, header, ctx));
  TXLS_RETURN_ON_ERROR(StoreGridSet(setup, header, ctx));
  TXLS_RETURN_ON_ERROR(StoreOutline(*this, header, ctx));  // GUTS, WSBOOL
  TXLS_RETURN_ON_ERROR(StoreHBreak(*hBreaks_, header, ctx));
  TXLS_RETURN_ON_ERROR(StoreVBreak(*vBreaks_, header, ctx));
  TXLS_RETURN_ON_ERROR(StoreSetup(setup, header, ctx));
  TXLS_RETURN_ON_ERROR(StoreProtection(*protect_, header, ctx));
  TXLS_RETURN_ON_ERROR(StoreAutoFilterInfo(drawing_.get(), header));
  TXLS_RETURN_ON_ERROR(StoreDimensions());

  // The cell records are in the data list already; the drawing layer follows them.
  TXLS_RETURN_ON_ERROR(StoreSheetDrawing(*this, data));
  TXLS_RETURN_ON_ERROR(StoreMarginBottom(setup, data, ctx));
  TXLS_RETURN_ON_ERROR(StoreMarginTop(setup, data, ctx));
  TXLS_RETURN_ON_ERROR(StoreMarginRight(setup, data, ctx));
  TXLS_RETURN_ON_ERROR(StoreMarginLeft(setup, data, ctx));
  TXLS_RETURN_ON_ERROR(StoreVcenter(setup, data, ctx));
  TXLS_RETURN_ON_ERROR(StoreHcenter(setup, data, ctx));
  TXLS_RETURN_ON_ERROR(StoreFooter(setup, data, ctx));
  TXLS_RETURN_ON_ERROR(StoreHeader(setup, data, ctx));
  TXLS_RETURN_ON_ERROR(StoreWindow2());
  TXLS_RETURN_ON_ERROR(StoreZoom(static_cast<std::uint16_t>(zoom_), data, ctx));
  TXLS_RETURN_ON_ERROR(StorePanes(panes_.get(), frozen_, activePane_, data, ctx));
  TXLS_RETURN_ON_ERROR(StoreSelection());
  if (biff5) {
    TXLSBlob standardWidth = cols_->GetDefColInfoBlob();
    TXLS_RETURN_ON_ERROR(AppendData(standardWidth));
  }
  TXLS_RETURN_ON_ERROR(StoreExtras());
  TXLS_RETURN_ON_ERROR(StoreSheetTab(*this, data, ctx));
  return StoreEof();
}

}  // namespace tablirex
