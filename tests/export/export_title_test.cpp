// The exporters title the workbook: after the first sheet exported, with the
// title they are given, or not at all when the workbook has one.
#include <gtest/gtest.h>

#include "tablirex/dataset2excel.h"
#include "tablirex/memory_dataset.h"
#include "tablirex/result.h"

namespace tablirex {
namespace {

TEST(ExportTitle, FromTheSheetUnlessToldOtherwise) {
  struct TCase {
    const char* sheetName;
    const char* title;
    const char* earlier;  // the workbook's own title, when it is given one
    const char* want;
  } cases[] = {
      {"Orders", "", nullptr, "Orders"},
      {"", "", nullptr, "Sheet1"},
      {"Orders", "Orders 2026", nullptr, "Orders 2026"},
      {"Orders", "Orders 2026", "Kept", "Kept"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.want);
    TMemoryDataSet ds;
    ds.AddField("id", ftInteger);
    ASSERT_EQ(ds.AppendRecord({TVariant(1)}), xlsOK);
    TDataset2Excel ex;
    ex.SetDataset(&ds);
    ex.SetWorksheetName(c.sheetName);
    ex.SetTitle(c.title);
    if (c.earlier) {
      ex.SetWorkbook(CreateWorkbook());
      ASSERT_EQ(ex.GetWorkbook()->SetTitle(c.earlier), xlsOK);
    }
    ASSERT_EQ(ex.ExportDataset(), xlsOK) << ex.GetErrorText();
    EXPECT_EQ(ex.GetWorkbook()->GetTitle(), c.want);
  }
}

}  // namespace
}  // namespace tablirex
