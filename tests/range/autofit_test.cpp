// Fitting columns to what their cells show: one column per case, fitted together.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tablirex/datetime.h"
#include "tablirex/format_views.h"
#include "tablirex/range.h"
#include "tablirex/variant.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

struct FitCell {
  TVariant value;
  const char* format = nullptr;
  bool bold = false;
  float size = 10;
};

struct FitCase {
  const char* name;
  std::vector<FitCell> cells;  // rows 1, 2, ... of the case's column
  double width;                // characters
};

TEST(AutoFit, ColumnsTakeTheWidestShownText) {
  const double day = EncodeDate(2026, 9, 28);
  const FitCase cases[] = {
      {"texts", {{TVariant("abc")}, {TVariant("hello world")}}, 11},
      {"longest line", {{TVariant("ab\nlonger line\ncd")}}, 11},
      {"wide characters", {{TVariant("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E")}, {TVariant("abc")}}, 6},
      {"bold header", {{TVariant("Name"), nullptr, true}, {TVariant("ab")}}, 4.4},
      {"font size", {{TVariant("abcd"), nullptr, false, 20}}, 8},
      {"plain numbers", {{TVariant(1234.5)}, {TVariant(-0.25)}, {TVariant(7)}}, 6},
      {"money", {{TVariant(1234567.891), "#,##0.00"}, {TVariant(-5), "#,##0.00"}}, 12},
      {"negative widest", {{TVariant(-1234567), "#,##0.00"}, {TVariant(99), "#,##0.00"}}, 13},
      {"percent", {{TVariant(0.5), "0.0%"}, {TVariant(12.345), "0.0%"}}, 7},
      {"fixed date", {{TVariant::Date(day), "dd.mm.yyyy"}, {TVariant::Date(day + 40), "dd.mm.yyyy"}}, 10},
      {"month names", {{TVariant::Date(day), "d mmmm yyyy"}, {TVariant::Date(day + 40), "d mmmm yyyy"}}, 17},
      {"plain dates", {{TVariant::Date(day)}, {TVariant::Date(day + 0.5)}}, 19},
      {"booleans", {{TVariant(true)}, {TVariant(false)}}, 5},
      {"at least 2", {{TVariant("x")}}, 2},
      {"at most 80", {{TVariant(std::string(200, 'w'))}}, 80},
      {"formulas unmeasured", {{TVariant("=1+2")}}, 0},
  };
  TXLSWorkbook book;
  IXLSWorksheet* sheet = book.GetWorksheets()->Add();
  const Ref<IXLSRange> cells = sheet->GetCells();
  const float before = static_cast<float>(sheet->Range("P1")->GetColumnWidth().AsDouble());
  for (std::size_t c = 0; c < std::size(cases); ++c)
    for (std::size_t r = 0; r < cases[c].cells.size(); ++r) {
      const FitCell& f = cases[c].cells[r];
      const Ref<IXLSRange> cell = cells->GetItem(static_cast<std::uint32_t>(r + 1), static_cast<std::uint16_t>(c + 1));
      cell->SetValue(f.value);
      if (f.format) cell->SetNumFormat(f.format);
      if (f.bold) cell->GetFont()->SetBold(true);
      if (f.size != 10) cell->GetFont()->SetSize(f.size);
    }
  // A merged area's text widens nothing.
  sheet->Range("A20")->SetValue(TVariant(std::string(40, 'm')));
  sheet->Range("A20:B20")->Merge(false);
  ASSERT_EQ(sheet->Range("A:P")->AutoFit(), 1);
  for (std::size_t c = 0; c < std::size(cases); ++c) {
    SCOPED_TRACE(cases[c].name);
    const Ref<IXLSRange> column = cells->GetItem(1, static_cast<std::uint16_t>(c + 1))->GetEntireColumn();
    const double expected = cases[c].width == 0 ? before : cases[c].width;
    EXPECT_NEAR(column->GetColumnWidth().AsDouble(), expected, 0.01);
  }

  // A block is fitted to its own rows only.
  sheet->Range("Q1")->SetValue(TVariant("short"));
  sheet->Range("Q2")->SetValue(TVariant(std::string(30, 'q')));
  ASSERT_EQ(sheet->Range("Q1")->AutoFit(), 1);
  EXPECT_NEAR(sheet->Range("Q1")->GetColumnWidth().AsDouble(), 5, 0.01);
}

}  // namespace
}  // namespace tablirex
