// Writes the workbooks that independent readers check in test_readers_libreoffice.py:
// booleans through values, arrays and the structural operations; row heights,
// hidden rows and row formats with a merged area among the cells; unformatted cells
// and columns; bold fonts; a page setup fitted to pages; cells emptied by the
// structural operations; and (BIFF8 and .xlsx) more distinct strings than one EXTSST
// record of eight strings an entry could index. Runs only when
// TABLIREX_READER_SAMPLES names a directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "cells/rowcol.h"
#include "tablirex/format_views.h"
#include "tablirex/page_setup.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"

namespace tablirex {
namespace {

void Set(IXLSWorksheet* s, std::string_view a1, const TVariant& v) { s->Range(a1)->SetValue(v); }

void WriteBook(const std::string& path, std::int32_t format) {
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  IXLSWorkSheets* sheets = wb->GetWorksheets();

  // Booleans: set one by one and as an array, then copied, moved, pushed down by
  // an insert and pasted as values.
  IXLSWorksheet* bools = sheets->Add();
  bools->SetWorkSheetName("Bools");
  Set(bools, "A1", TVariant(true));
  Set(bools, "A2", TVariant(false));
  TVariant row = TVariant::Array1(0, 3);
  row.Array().At(0) = TVariant(false);
  row.Array().At(1) = TVariant(1.5);
  row.Array().At(2) = TVariant(true);
  Set(bools, "C1:E1", row);
  bools->Range("A1:A2")->Copy(bools->Range("B1:B2").get());
  bools->Range("B1:B2")->Move(bools->Range("F1:F2").get());
  bools->Range("A1:A2")->Copy(bools->Range("G1:G2").get(), xlPasteValues);
  bools->Range("1:1")->Insert(xlShiftDown);  // everything one row down

  // Rows with a height, hidden and formatted, around a merged area A1:B2.
  IXLSWorksheet* cells = sheets->Add();
  cells->SetWorkSheetName("Cells");
  cells->Range("A1:B2")->Merge(false);
  Set(cells, "A1", TVariant("merged"));
  Set(cells, "C1", TVariant(1.0));
  Set(cells, "C2", TVariant(2.0));
  Set(cells, "A3", TVariant(3.0));
  cells->Range("2:2")->SetRowHeight(TVariant(30.0));
  cells->Range("4:4")->SetHidden(TVariant(true));
  Set(cells, "A4", TVariant("hidden"));
  cells->Range("6:6")->GetFont()->SetBold(true);
  Set(cells, "B6", TVariant("bold row"));
  Set(cells, "D5", TVariant("plain"));   // no format of its own: XF 15
  cells->Range("F:F")->SetColumnWidth(TVariant(20.0));  // COLINFO without a format
  IXLSPageSetup* setup = cells->GetPageSetup();
  setup->SetZoom(TVariant(false));
  setup->SetFitToPagesWide(TVariant(std::int32_t{1}));

  // Cells emptied by the structural operations; B1 keeps a format of its own.
  IXLSWorksheet* emptied = sheets->Add();
  emptied->SetWorkSheetName("Emptied");
  for (int r = 1; r <= 10; ++r) Set(emptied, "A" + std::to_string(r), TVariant(double(r)));
  Set(emptied, "B1", TVariant("formatted"));
  emptied->Range("B1")->GetFont()->SetBold(true);
  emptied->Range("B1")->ClearContents();
  emptied->Range("A6:A10")->ClearContents();
  emptied->Range("D1:D3")->Merge(false);
  emptied->Range("D1:D3")->Unmerge();
  Set(emptied, "E2", TVariant("moved"));
  emptied->Range("E2")->Move(emptied->Range("A5").get());
  Set(emptied, "C9", TVariant("deleted"));
  emptied->Range("C9")->Delete(xlShiftUp);

  if (format != xlExcel5) {
    IXLSWorksheet* strings = sheets->Add();
    strings->SetWorkSheetName("Strings");
    for (int r = 0; r < 20000; ++r)
      strings->Range("A" + std::to_string(r + 1))->SetValue(TVariant("text " + std::to_string(r)));
  }
  ASSERT_EQ(wb->SaveAs(path, format), 1);
}

TEST(ReaderSamples, Write) {
  const char* dir = std::getenv("TABLIREX_READER_SAMPLES");
  if (!dir) GTEST_SKIP() << "TABLIREX_READER_SAMPLES not set";
  WriteBook(std::string(dir) + "/book8.xls", xlExcel97);
  WriteBook(std::string(dir) + "/book5.xls", xlExcel5);
  WriteBook(std::string(dir) + "/book.xlsx", xlOpenXMLWorkbook);
}

}  // namespace
}  // namespace tablirex
