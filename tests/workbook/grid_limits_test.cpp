// What the larger grid holds, and what each file format refuses of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "cells/cell_store.h"
#include "cells/sst.h"
#include "formula/formula_code.h"
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
// Formula cells find their text and code from the cell: slots given back by
// cells that took other values are reused without touching the other formulas.
TEST(GridStore, FormulaSlotsFollowTheirCells) {
  TXLSCellHeap store;
  TXLSStringTable sst;
  const auto compiled = [](std::string text) {
    auto code = std::make_shared<TFormulaCode>();
    code->source = std::move(text);
    code->items.push_back(TCodeItem{});
    return std::shared_ptr<const TFormulaCode>(code);
  };
  const auto text = [&](std::uint32_t r) { return "A" + std::to_string(r + 1) + "*2+1"; };
  constexpr std::uint32_t kRows = 3000;  // more than one chunk of slots
  for (std::uint32_t r = 0; r < kRows; ++r)
    store.SetCellFormula(*store.GetOrCreateValue(r, 1), sst, text(r), r % 3 ? compiled(text(r)) : nullptr);
  // Every third row takes another value, then a new formula in another column.
  for (std::uint32_t r = 0; r < kRows; r += 3) {
    TXLSCellRef& cell = *store.GetOrCreateValue(r, 1);
    if (r % 2)
      store.SetCellNumber(cell, sst, r, false);
    else
      store.SetCellText(cell, sst, u"plain");
    EXPECT_EQ(store.FormulaText(cell), "");
    EXPECT_EQ(store.FormulaCode(cell), nullptr);
    store.SetCellFormula(*store.GetOrCreateValue(r, 2), sst, "SUM(B1:B" + std::to_string(r + 1) + ")", nullptr);
  }
  EXPECT_EQ(store.FormulaCount(), kRows);
  for (std::uint32_t r = 0; r < kRows; ++r) {
    const TXLSCellRef& b = *store.GetValue(r, 1);
    if (r % 3 == 0) {
      EXPECT_EQ(store.FormulaText(*store.GetValue(r, 2)), "SUM(B1:B" + std::to_string(r + 1) + ")");
      continue;
    }
    ASSERT_EQ(store.FormulaText(b), text(r)) << r;
    ASSERT_NE(store.FormulaCode(b), nullptr) << r;
    EXPECT_EQ(store.FormulaCode(b)->source, text(r));
  }
  struct Case {
    const char* what;
    std::function<void(TXLSCellRef&)> change;
    std::string text;
    bool code;
  } cases[] = {
      {"a code made from another text is not kept",
       [&](TXLSCellRef& c) { store.SetCellFormula(c, sst, "B1+1", compiled("B1+2")); }, "B1+1", false},
      {"a code made later from the cell's own text is kept",
       [&](TXLSCellRef& c) {
         store.SetCellFormula(c, sst, "C1", nullptr);
         store.SetFormulaCode(c, compiled("C1"));
       },
       "C1", true},
      {"nor from another",
       [&](TXLSCellRef& c) {
         store.SetCellFormula(c, sst, "C1", nullptr);
         store.SetFormulaCode(c, compiled("C2"));
       },
       "C1", false},
      {"the cell's own text taken again",
       [&](TXLSCellRef& c) { store.SetCellFormula(c, sst, store.FormulaText(c), compiled(store.FormulaText(c))); },
       text(1), true},
      {"forgetting the code keeps the text", [&](TXLSCellRef& c) { store.ForgetFormulaCode(c); }, text(1), false},
      {"a formula from a variant", [&](TXLSCellRef& c) { store.SetCellValue(c, sst, TVariant(std::string("=D4"))); },
       "D4", false},
  };
  for (const Case& c : cases) {
    TXLSCellRef& cell = *store.GetOrCreateValue(1, 1);
    store.SetCellFormula(cell, sst, text(1), compiled(text(1)));
    c.change(cell);
    EXPECT_EQ(store.FormulaText(cell), c.text) << c.what;
    EXPECT_EQ(store.FormulaCode(cell) != nullptr, c.code) << c.what;
    EXPECT_EQ(store.GetCellValue(cell, sst).AsString(), "=" + c.text) << c.what;
    EXPECT_EQ(store.FormulaText(*store.GetValue(2, 1)), text(2)) << c.what;  // the neighbour is untouched
  }
  store.ReleaseStrings(sst);
}

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
