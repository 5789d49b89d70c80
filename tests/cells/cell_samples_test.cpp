// Writes workbooks with many shared strings (long ones crossing CONTINUE records,
// surrogate pairs at the splits, an over-long one) and with row heights, column
// widths and hidden rows and columns, for the independent-reader test
// (test_strings_dims_interop.py). Runs only when TABLIREX_CELL_SAMPLES names a
// directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "cells/rowcol.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"

namespace tablirex {
namespace {

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(CellSamples, Write) {
  const char* dir = std::getenv("TABLIREX_CELL_SAMPLES");
  if (!dir) GTEST_SKIP() << "TABLIREX_CELL_SAMPLES not set";

  for (const int format : {2, 1}) {
    Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
    IXLSWorksheet* sheet = wb->GetWorksheets()->Add();
    // Column A: 3000 short texts, each used twice (column B repeats them), in
    // three forms: Latin-1 beyond ASCII, ASCII, Cyrillic.
    static const char* const kPrefix[] = {"\xc3\xa9-", "s-", "\xd0\xb6-"};
    for (int i = 0; i < 3000; ++i) {
      const std::string text = kPrefix[i % 3] + std::to_string(i);
      const std::string row = std::to_string(i + 1);
      sheet->Range("A" + row)->SetValue(TVariant(text));
      sheet->Range("B" + row)->SetValue(TVariant(text));
    }
    // Column C: long texts.
    sheet->Range("C1")->SetValue(TVariant(Repeat("\xd0\xb6", 10000)));       // Cyrillic
    sheet->Range("C2")->SetValue(TVariant(Repeat("q", 9000)));               // Latin
    sheet->Range("C3")->SetValue(TVariant(Repeat("\xf0\x9f\x98\x80", 5000)));  // emoji
    sheet->Range("C4")->SetValue(TVariant(Repeat("x", 40000)));              // over-long
    sheet->Range("C5")->SetValue(TVariant(std::string()));

    TXLSRowInfoList& rows = sheet->RowInfo();
    TXLSColumnInfoList& cols = sheet->ColumnInfo();
    rows.SetHeight(1, 20);
    rows.SetHidden(3, true);
    cols.SetWidth(1, 20);
    cols.SetHidden(3, true);
    const std::string path = std::string(dir) + "/cells" + (format == 2 ? "8" : "5") + ".xls";
    ASSERT_EQ(wb->SaveAs(path, format), 1);
  }
}

}  // namespace
}  // namespace tablirex
