// Workbooks with page layout, panes, page breaks and protection, saved in both
// versions. test_layout_interop.py runs this with TABLIREX_LAYOUT_SAMPLES set and
// reads the files back with an independent reader. The break ranges are also
// checked here, through a real worksheet.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "layout/page_breaks.h"
#include "layout/protect.h"
#include "tablirex/page_setup.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"

namespace tablirex {
namespace {

// Sheet1: title rows 1:2 and title columns A:B, one frozen row, zoom 75, row
// breaks 5, 10, 20 and a column break at D, landscape A4 with header and footer.
// Sheet2: print area B2:D20, protected with a password. Sheet3: title column C
// only. The workbook is protected without a password.
Ref<TXLSWorkbook> MakeSample() {
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  IXLSWorkSheets* sheets = wb->GetWorksheets();
  for (int i = 0; i < 3; ++i) sheets->Add();
  IXLSWorksheet* s1 = sheets->Get(1);
  IXLSWorksheet* s2 = sheets->Get(2);
  IXLSWorksheet* s3 = sheets->Get(3);
  for (IXLSWorksheet* s : {s1, s2, s3}) s->WriteNumber(0, 0, 1.0);

  IXLSPageSetup* p1 = s1->GetPageSetup();
  p1->SetPrintTitleRows("1:2");
  p1->SetPrintTitleColumns("A:B");
  p1->SetOrientation(xlLandscape);
  p1->SetPaperSize(xlPaperA4);
  p1->SetLeftHeader("Page");
  p1->SetRightFooter("x");
  s1->FreezePanes(1, 0, 1, 0);
  s1->SetZoom(75);
  for (const std::uint32_t row : {20, 5, 10}) s1->GetHPageBreaks().Add(row);
  s1->GetVPageBreaks().Add(std::uint16_t{3});

  s2->GetPageSetup()->FSetPrintArea("B2:D20");
  s2->Protect("abcdefghij");

  s3->GetPageSetup()->SetPrintTitleColumns("C:C");
  wb->Protect();
  return wb;
}

TEST(LayoutSamples, Write) {
  const char* dir = std::getenv("TABLIREX_LAYOUT_SAMPLES");
  if (!dir) GTEST_SKIP() << "TABLIREX_LAYOUT_SAMPLES not set";
  for (const auto& [name, format] : {std::pair{"layout8.xls", 2}, std::pair{"layout5.xls", 1}}) {
    Ref<TXLSWorkbook> wb = MakeSample();
    const std::string path = (std::filesystem::path(dir) / name).string();
    wb->SaveAs(path, format);
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
  }
}

TEST(LayoutSamples, BreakLocationsAreWholeRowsAndColumns) {
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  IXLSWorksheet* sheet = wb->GetWorksheets()->Add();
  Ref<IXLSRange> c5 = sheet->Range("C5:D9");
  TXLSHPageBreak* rowBreak = sheet->GetHPageBreaks().Add(c5.get());
  TXLSVPageBreak* colBreak = sheet->GetVPageBreaks().Add(c5.get());
  ASSERT_NE(rowBreak, nullptr);
  ASSERT_NE(colBreak, nullptr);
  EXPECT_EQ(rowBreak->GetLocationIndex(), 4);
  EXPECT_EQ(colBreak->GetLocationIndex(), 2);

  Ref<IXLSRange> row = rowBreak->GetLocation();
  ASSERT_TRUE(row);
  EXPECT_EQ(row->GetFirstRow(), 4);
  EXPECT_EQ(row->GetLastRow(), 4);
  EXPECT_EQ(row->GetFirstCol(), 0);
  EXPECT_EQ(row->GetLastCol(), 16383);
  Ref<IXLSRange> col = sheet->GetVPageBreaks().GetLocation(1);
  ASSERT_TRUE(col);
  EXPECT_EQ(col->GetFirstCol(), 2);
  EXPECT_EQ(col->GetLastCol(), 2);
  EXPECT_EQ(col->GetFirstRow(), 0);
  EXPECT_EQ(col->GetLastRow(), 1048575);
  EXPECT_FALSE(sheet->GetVPageBreaks().GetLocation(2));
  EXPECT_EQ(sheet->GetHPageBreaks().Add(nullptr), nullptr);

  sheet->ResetAllPageBreaks();
  EXPECT_EQ(sheet->GetHPageBreaks().GetCount(), 0);
  EXPECT_EQ(sheet->GetVPageBreaks().GetCount(), 0);
}

}  // namespace
}  // namespace tablirex
