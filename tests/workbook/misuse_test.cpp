// The public object model used wrongly: views that outlive their sheet or
// workbook, a workbook in a static object, numbers outside what a cell or the
// palette can hold. Run under the sanitizers these catch freed memory and
// undefined arithmetic; in a release build they catch crashes and wrong values.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <limits>

#include "tablirex/datetime.h"
#include "tablirex/format_views.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

TEST(Misuse, ViewsOfADeletedSheetOrWorkbookFailSafely) {
  Ref<IXLSRange> range, other;
  Ref<IXLSFont> font;
  Ref<IXLSBorders> borders;
  Ref<IXLSInterior> interior;
  {
    auto wb = MakeRef<TXLSWorkbook>();
    IXLSWorksheet* gone = wb->GetWorksheets()->Add();
    IXLSWorksheet* kept = wb->GetWorksheets()->Add();
    range = gone->Range("B2:C3");
    range->SetValue(TVariant(std::string("text")));
    font = range->GetFont();
    borders = range->GetBorders();
    interior = range->GetInterior();
    other = kept->Range("A1");
    other->SetValue(TVariant(1.0));
    gone->Delete();

    // Every kind of operation on the views of the deleted sheet: no effect.
    range->SetValue(TVariant(2.0));
    EXPECT_TRUE(range->GetValue().IsNull());
    range->Merge(false);
    range->ClearContents();
    (void)range->Insert(xlShiftDown);
    range->SetNumFormat("0.00");
    EXPECT_TRUE(range->GetNumFormat().IsNull());
    range->GetItem(1, 1)->SetValue(TVariant(3.0));
    range->GetEntireRow()->SetRowHeight(TVariant(30.0));
    font->SetBold(true);
    EXPECT_FALSE(font->GetBold());
    font->SetName("Arial");
    borders->SetLineStyle(1);
    borders->GetBorder(7)->SetWeight(2);
    interior->SetColorIndex(3);
    EXPECT_EQ(interior->GetColorIndex(), 0);
    // Pasting from or onto a dead range changes nothing on the live sheet.
    range->Copy(other.get());
    other->Copy(range.get());
    EXPECT_EQ(other->GetValue().AsDouble(), 1.0);
  }
  // The workbook is gone too: the views may still be used and released.
  other->SetValue(TVariant(5.0));
  EXPECT_TRUE(other->GetValue().IsNull());
  font->SetItalic(true);
}

TEST(Misuse, WorkbookInAStaticObjectEndsCleanly) {
  EXPECT_EXIT(
      {
        static Ref<IXLSWorkBook> held = CreateWorkbook();
        IXLSWorksheet* s = held->GetWorksheets()->Add();
        // Ranges go back to the per-thread free list; the sheet keeps two of its own.
        for (int i = 0; i < 300; ++i) s->Range("A1")->SetValue(TVariant(1.0 * i));
        static Ref<IXLSRange> kept = s->Range("B2");
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

TEST(Misuse, NumbersOutsideTheirRangeAreRefused) {
  TXLSWorkbook wb;
  IXLSWorksheet* s = wb.GetWorksheets()->Add();
  // Date-times outside the years 1 to 9999, and numbers that are not finite.
  for (const double bad : {1e300, -1e300, 2958466.0, -693594.0})
    EXPECT_EQ(s->WriteDateTime(0, 0, bad), -1) << bad;
  EXPECT_EQ(s->WriteNumber(0, 0, std::numeric_limits<double>::infinity()), -1);
  EXPECT_EQ(s->WriteNumber(0, 0, std::numeric_limits<double>::quiet_NaN()), -1);
  EXPECT_EQ(s->WriteDateTime(0, 0, 2958465.5), 1);
  auto a2 = s->Range("A2");
  a2->SetValue(TVariant::Date(1e300));
  EXPECT_TRUE(a2->GetValue().IsNull());
  EXPECT_EQ(DecodeDateTime(1e300).year, 1899);
  EXPECT_EQ(FormatIsoDateTime(-1e300), "1899-12-30");

  // Colour indices past the palette.
  wb.ClearLastError();
  EXPECT_EQ(wb.GetCustomColor2(INT_MAX, 0), 0u);
  EXPECT_NE(wb.GetLastError(), "");
  wb.ClearLastError();
  wb.SetCustomColor(INT_MAX, 0, 0xFF);
  EXPECT_NE(wb.GetLastError(), "");
  auto font = a2->GetFont();
  const std::int32_t before = font->GetColorIndex();
  for (const std::int32_t bad : {INT_MAX, 77777, 57, -1, INT_MIN}) {
    wb.ClearLastError();
    font->SetColorIndex(bad);
    EXPECT_NE(wb.GetLastError(), "") << bad;
    EXPECT_EQ(font->GetColorIndex(), before) << bad;
  }
}

}  // namespace
}  // namespace tablirex
