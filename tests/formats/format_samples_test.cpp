// Writes workbooks with formatted cells for the independent-reader test
// (test_formats_interop.py). Runs only when TABLIREX_FORMAT_SAMPLES names a
// directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "formats/palette.h"
#include "formats/xf_list.h"
#include "tablirex/lines.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"

namespace tablirex {
namespace {

TEST(FormatSamples, Write) {
  const char* dir = std::getenv("TABLIREX_FORMAT_SAMPLES");
  if (!dir) GTEST_SKIP() << "TABLIREX_FORMAT_SAMPLES not set";

  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  IXLSWorksheet* sheet = wb->GetWorksheets()->Add();
  TXLSXFList& xf = wb->XFList();
  // A cell writer takes its own reference to the XF it is given; the setters'
  // references stay with this test and only keep the formats written.
  const auto cell = [&](std::uint32_t row, std::uint16_t col, std::int32_t x) {
    ASSERT_EQ(sheet->WriteNumber(row, col, row * 10 + col, x), 1);
  };

  cell(0, 0, xf.SetFontBold(0, true, false));

  std::int32_t x = xf.SetFontItalic(0, true, false);
  x = xf.SetFontSize(x, 14.0, true);
  x = xf.SetFontColorIndex(x, 10, true);
  x = xf.SetFontName(x, TVariant("Courier New"), true);
  x = xf.SetFontUnderLine(x, 1, true);
  cell(0, 1, x);

  cell(1, 0, xf.SetNumFormat(0, TVariant("0.00"), false));

  x = xf.SetBorderColorIndex(0, xlsBorderLeft, 3, false);
  x = xf.SetBorderLineStyle(x, xlsBorderTop, xlDashDot, true);
  x = xf.SetBorderWeight(x, xlsBorderTop, xlMedium, true);
  x = xf.SetBorderLineStyle(x, xlsBorderBottom, xlDouble, true);
  x = xf.SetBorderLineStyle(x, xlsBorderRight, xlDot, true);
  cell(1, 1, x);

  cell(2, 0, xf.SetInteriorColorIndex(0, 13, false));
  x = xf.SetInteriorPattern(0, 3, false);
  cell(2, 1, xf.SetInteriorPatternColorIndex(x, 12, true));

  x = xf.SetHorAlign(0, 2, false);
  x = xf.SetVerAlign(x, 0, true);
  x = xf.SetWrap(x, true, true);
  x = xf.SetOrientation(x, 45, true);
  x = xf.SetIndentLevel(x, 2, true);
  cell(3, 0, x);
  x = xf.SetLocked(0, false, false);
  cell(3, 1, xf.SetHidden(x, true, true));

  // An XF no cell uses is not written; the stacked rotation is.
  xf.ReplaceIndex(xf.SetFontShadow(0, true, false), 0);
  cell(4, 0, xf.SetOrientation(0, 255, false));
  wb->SetCustomColor(1, 0, 0x80FF00);
  cell(4, 1, xf.SetFontColorIndex(0, 8, false));

  const std::string base = std::string(dir) + "/formats";
  EXPECT_EQ(wb->SaveAs(base + "8.xls", 2), 1);
  EXPECT_EQ(wb->SaveAs(base + "5.xls", 1), 1);
}

}  // namespace
}  // namespace tablirex
