// The format tables at their limits: a new format past them is refused with a
// reason, cells keep the format they had, and the file never holds more.
#include <gtest/gtest.h>

#include <string>

#include "../workbook/stream_reader.h"
#include "formats/xf_list.h"
#include "tablirex/format_views.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

using testing::SaveRecords;

TEST(FormatLimits, NewFormatsPastTheLimitAreRefused) {
  TXLSWorkbook wb;
  IXLSWorksheet* s = wb.GetWorksheets()->Add();
  constexpr int kCells = 5000;
  int firstRefused = -1;
  for (int i = 0; i < kCells; ++i) {
    auto cell = s->Range("A" + std::to_string(i + 1));
    cell->SetValue(TVariant(1.0 * i));
    wb.ClearLastError();
    cell->SetNumFormat("0.00\"" + std::to_string(i) + "\"");
    if (!wb.GetLastError().empty() && firstRefused < 0) firstRefused = i;
  }
  ASSERT_GT(firstRefused, 3000);
  // The refused cells kept the general format; the earlier ones their own.
  EXPECT_EQ(s->Range("A" + std::to_string(kCells))->GetNumFormat().AsString(), "");
  EXPECT_EQ(s->Range("A1")->GetNumFormat().AsString(), "0.00\"0\"");
  // A format that is already in use can still be given to more cells.
  wb.ClearLastError();
  s->Range("B1:B10")->SetNumFormat("0.00\"0\"");
  EXPECT_EQ(wb.GetLastError(), "");
  for (const int format : {1, 2}) {
    const auto rs = SaveRecords(wb, format);
    ASSERT_FALSE(rs.empty()) << wb.GetLastError();
    int xfs = 0, formats = 0;
    for (const auto& r : rs) {
      xfs += r.type == RecNo(Rec::XF);
      formats += r.type == RecNo(Rec::FORMAT);
    }
    EXPECT_LE(xfs, TXLSXFList::kMaxXFRecords) << format;
    EXPECT_LE(formats, TXLSXFList::kMaxNumFormats) << format;
    EXPECT_GT(xfs, 3000) << format;
  }
  // Freed formats make room again.
  s->Range("A1:A5000")->Clear();
  wb.ClearLastError();
  s->Range("C1")->GetFont()->SetSize(12);
  EXPECT_EQ(wb.GetLastError(), "");
}

}  // namespace
}  // namespace tablirex
