// Writes exported workbooks for the independent-reader test
// (test_export_interop.py). Runs only when TABLIREX_EXPORT_SAMPLES names a
// directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tablirex/dataset2excel.h"
#include "tablirex/datetime.h"
#include "tablirex/dbgrid2excel.h"
#include "tablirex/memory_dataset.h"
#include "tablirex/result.h"

namespace tablirex {
namespace {

TEST(ExportSamples, Write) {
  const char* dir = std::getenv("TABLIREX_EXPORT_SAMPLES");
  if (!dir) GTEST_SKIP() << "TABLIREX_EXPORT_SAMPLES not set";
  const std::string base = std::string(dir) + "/";

  // Five records split 3 + 2 over two sheets (RowsPerSheet 4).
  TMemoryDataSet ds;
  ds.AddField("id", ftInteger, 6);
  ds.AddField("name", ftString, 12);
  ds.AddField("price", ftCurrency);
  ds.AddField("day", ftDate, 10);
  ds.AddField("stamp", ftDateTime, 19);
  ds.AddField("at", ftTime);
  for (int i = 0; i < 5; ++i)
    ds.AppendRecord({TVariant(i + 1), TVariant(i == 1 ? std::string("=1+2") : "item " + std::to_string(i + 1)),
                     TVariant::Currency(1234.5 + i), TVariant::Date(EncodeDate(2024, 2, 10 + i)),
                     TVariant::Date(EncodeDate(2024, 2, 10 + i) + (i % 2 ? EncodeTime(8, 30, 15) : 0.0)),
                     TVariant::Date(EncodeTime(9 + i, 15, 0))});

  TDataset2Excel d;
  d.SetDataset(&ds);
  d.SetWorksheetName("Orders");
  d.SetRowsPerSheet(4);
  d.SetDetailBorderStyle(BorderStyleSingleThin);
  ASSERT_EQ(d.ExportDataset(), xlsOK) << d.GetErrorText();
  ASSERT_EQ(d.SaveAs(base + "dataset8.xls"), xlsOK) << d.GetErrorText();
  ASSERT_EQ(d.SaveAs(base + "dataset5.xls", 1), xlsOK) << d.GetErrorText();
  ASSERT_EQ(d.SaveAs(base + "dataset.html"), xlsOK) << d.GetErrorText();
  ASSERT_EQ(d.SaveAs(base + "dataset.xlsx"), xlsOK) << d.GetErrorText();

  // A grid: "name" hidden, "price" 100 pixels wide and right-aligned.
  TDBGrid grid(&ds);
  grid.AddDefaultColumns();
  grid.Columns()[1].Visible = false;
  grid.Columns()[2].Width = 100;
  grid.Columns()[2].Title.Caption = "Price";
  TDBGrid2Excel g;
  g.SetDBGrid(&grid);
  g.SetOriginalHeaderFont(false);
  ASSERT_EQ(g.SaveDBGridAs(base + "grid8.xls"), xlsOK) << g.GetErrorText();
}

}  // namespace
}  // namespace tablirex
