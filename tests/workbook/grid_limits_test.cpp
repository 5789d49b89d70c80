// What the larger grid holds, and what each file format refuses of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "cells/cell_store.h"
#include "tablirex/format_views.h"
#include "tablirex/hyperlinks.h"
#include "tablirex/page_setup.h"
#include "tablirex/validation.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

namespace fs = std::filesystem;

// The store keeps cells anywhere on the grid and walks them in row order, the
// columns past IV of a row after its first 256.
TEST(GridStore, CellsAcrossTheWholeGrid) {
  TXLSCellHeap store;
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> cells = {
      {1048575, 16383}, {0, 300}, {70000, 5}, {0, 0}, {0, 16383}, {70000, 255}, {70000, 256}, {65535, 255}};
  for (const auto& [r, c] : cells) ASSERT_NE(store.GetOrCreateValue(r, c), nullptr) << r << "," << c;
  EXPECT_EQ(store.GetOrCreateValue(1048576, 0), nullptr);
  EXPECT_EQ(store.GetOrCreateValue(0, 16384), nullptr);
  EXPECT_EQ(store.GetValue(1048576, 0), nullptr);
  EXPECT_EQ(store.GetValue(0, 16384), nullptr);
  EXPECT_EQ(store.GetValue(0, 301), nullptr);    // a wide group, another cell
  EXPECT_EQ(store.GetValue(70001, 300), nullptr);  // a row without wide columns
  std::vector<std::pair<std::uint32_t, std::uint32_t>> order;
  store.ForEach([&](const TXLSCellRef& c) { order.emplace_back(c.Row, c.Col); });
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> want = {
      {0, 0}, {0, 300}, {0, 16383}, {65535, 255}, {70000, 5}, {70000, 255}, {70000, 256}, {1048575, 16383}};
  EXPECT_EQ(order, want);
  EXPECT_EQ(store.LastRow(), 1048575);
  EXPECT_EQ(store.LastCol(), 16383);
  // Dropping the far corner narrows the bounds again.
  store.DropEmptyCells(1048575, 16383, 1048575, 16383);
  store.DropEmptyCells(0, 300, 0, 16383);
  EXPECT_EQ(store.GetValue(1048575, 16383), nullptr);
  EXPECT_EQ(store.GetValue(0, 16383), nullptr);
  EXPECT_EQ(store.LastRow(), 70000);
  EXPECT_EQ(store.LastCol(), 256);
  EXPECT_EQ(store.CellCount(), 5u);
}

// One case per kind of thing past the Excel 97 grid: what each format's save
// answers (1 written, -1 refused) and the cell the refusal names.
TEST(GridLimits, SavesRefuseWhatLiesPastTheirGrid) {
  struct Case {
    const char* name;
    std::function<void(IXLSWorksheet&)> build;
    std::int32_t excel5, excel97, html;
    const char* cell;  // named by the refusal
  };
  const auto set = [](const char* a1, TVariant v) {
    return [a1, v](IXLSWorksheet& s) { s.Range(a1)->SetValue(v); };
  };
  const Case cases[] = {
      {"the last Excel 97 cell", set("IV65536", TVariant(1.0)), -1, 1, 1, "IV65536"},
      {"the last Excel 5 row", set("A16384", TVariant(1.0)), 1, 1, 1, ""},
      {"a cell below row 65536", set("B65537", TVariant("far")), -1, -1, 1, "B65537"},
      {"a cell right of IV", set("IW3", TVariant(2.0)), -1, -1, 1, "IW3"},
      {"the grid's last cell", set("XFD1048576", TVariant(3.0)), -1, -1, 1, "XFD1048576"},
      {"a formatted empty cell", [](IXLSWorksheet& s) { s.Range("IW5")->GetFont()->SetBold(true); }, -1, -1, 1,
       "IW5"},
      {"a merge across IV", [](IXLSWorksheet& s) { s.Range("IU1:IX2")->Merge(false); }, -1, -1, 1, "IW1"},
      {"the whole sheet bold", [](IXLSWorksheet& s) { s.GetCells()->GetFont()->SetBold(true); }, 1, 1, 1, ""},
      {"a column past IV with a width",
       [](IXLSWorksheet& s) { s.Range("JA:JA")->SetColumnWidth(TVariant(20.0)); }, -1, -1, 1, "JA1"},
      {"a row past 65536 with a height",
       [](IXLSWorksheet& s) { s.Range("70000:70000")->SetRowHeight(TVariant(30.0)); }, -1, -1, 1, "A70000"},
      {"a hyperlink", [](IXLSWorksheet& s) { s.GetHyperlinks()->Add(s.Range("C70000").get(), "http://x.org/", "", "", "x"); },
       -1, -1, 1, "C70000"},
      {"a validation",
       [](IXLSWorksheet& s) { s.Range("IW1:IW4")->GetValidation()->Add(xlValidateList, xlValidAlertStop, 0, "a,b", ""); },
       -1, -1, 1, "IW1"},
      {"a comment", [](IXLSWorksheet& s) { s.Range("A70000")->AddComment("late"); }, -1, -1, 1, "A70000"},
      {"a formula naming a far cell", set("A1", TVariant("=B70000+1")), -1, -1, 1, "B70000"},
      {"a print area", [](IXLSWorksheet& s) { s.GetPageSetup()->FSetPrintArea("A1:IW2"); }, -1, -1, 1, "IW1"},
      {"frozen panes", [](IXLSWorksheet& s) { s.FreezePanes(69999, 0, -1, -1); }, -1, -1, 1, "A70000"},
  };
  const fs::path dir = fs::temp_directory_path() / "tablirex_grid_limits";
  fs::create_directories(dir);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TXLSWorkbook book;
    IXLSWorksheet& s = *book.GetWorksheets()->Add();
    s.SetWorkSheetName("Wide");
    c.build(s);
    for (const auto& [format, want] : {std::pair{1, c.excel5}, std::pair{2, c.excel97}, std::pair{3, c.html}}) {
      const fs::path path = dir / (std::string("out") + std::to_string(format) + (format == 3 ? ".htm" : ".xls"));
      fs::remove_all(path);
      book.ClearLastError();
      EXPECT_EQ(book.SaveAs(path.string(), format), want) << "format " << format << ": " << book.GetLastError();
      if (want == 1) continue;
      EXPECT_FALSE(fs::exists(path)) << "format " << format;
      const std::string why = book.GetLastError();
      EXPECT_NE(why.find("Wide"), std::string::npos) << why;
      EXPECT_NE(why.find(c.cell), std::string::npos) << why;
    }
  }
  // HTML writes what there is: the far cells are on the pages.
  TXLSWorkbook book;
  book.GetWorksheets()->Add()->Range("A70000")->SetValue(TVariant("far down"));
  book.GetWorksheets()->Add()->Range("IW1")->SetValue(TVariant("far right"));
  const fs::path page = dir / "page.htm";
  ASSERT_EQ(book.SaveAs(page.string(), 3), 1) << book.GetLastError();
  std::ostringstream text;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file() && entry.path().string().find("page") != std::string::npos)
      text << std::ifstream(entry.path()).rdbuf();
  EXPECT_NE(text.str().find("far down"), std::string::npos);
  EXPECT_NE(text.str().find("far right"), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tablirex
