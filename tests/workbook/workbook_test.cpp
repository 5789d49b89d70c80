#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "cells/cell_store.h"
#include "stream_reader.h"
#include "tablirex/format_views.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "workbook/sheet_collection.h"

namespace tablirex {
namespace {

using testing::Find;
using testing::Names;
using testing::Record;
using testing::SaveRecords;

std::vector<Record> SheetRecords(const std::vector<Record>& all, std::size_t sheet) {
  // The (sheet+1)-th BOF starts the sheet's substream.
  const std::size_t from = Find(all, Rec::BOF, sheet + 1);
  std::size_t to = from;
  while (to < all.size() && all[to].type != RecNo(Rec::EOF_)) ++to;
  return std::vector<Record>(all.begin() + static_cast<std::ptrdiff_t>(from),
                             all.begin() + static_cast<std::ptrdiff_t>(to + 1));
}

TEST(WorkbookSave, EmptyWorkbookGetsSheet1) {
  TXLSWorkbook wb;
  const auto rs = SaveRecords(wb, 2);
  ASSERT_FALSE(rs.empty());
  EXPECT_EQ(wb.GetWorksheets()->GetCount(), 1);
  EXPECT_EQ(wb.GetWorksheets()->Get(1)->GetWorkSheetName(), "Sheet1");
}

TEST(WorkbookSave, EmptySheetRecordsBiff8) {
  TXLSWorkbook wb;
  wb.GetWorksheets()->Add();
  const auto all = SaveRecords(wb, 2);
  const auto rs = SheetRecords(all, 0);
  const std::vector<std::string> want = {
      "BOF",          "DEFCOLWIDTH", "DEFAULTROWHEIGHT", "PRINTHEADERS", "PRINTGRIDLINES",
      "GRIDSET",      "WSBOOL",      "SETUP",            "DIMENSIONS",   "BOTTOMMARGIN",
      "TOPMARGIN",    "RIGHTMARGIN", "LEFTMARGIN",       "VCENTER",      "HCENTER",
      "FOOTER",       "HEADER",      "WINDOW2",          "SELECTION",    "EOF"};
  EXPECT_EQ(Names(rs), want);
  EXPECT_EQ(rs[0].body, (std::vector<std::uint8_t>{0x00, 0x06, 0x10, 0x00, 0xAF, 0x18, 0xCD, 0x07,
                                                   0x41, 0x40, 0, 0, 0x06, 0x01, 0, 0}));
  EXPECT_EQ(rs[3].Word(0), 0);       // no headings printed
  EXPECT_EQ(rs[4].Word(0), 1);       // gridlines printed
  EXPECT_EQ(rs[5].Word(0), 0);
  EXPECT_EQ(rs[6].Word(0), 0x04C1);
  EXPECT_EQ(rs[8].body, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}));
  EXPECT_EQ(rs[17].Word(0), 0x06B6);  // selected, gridlines shown
  EXPECT_EQ(rs[17].body.size(), 18u);
  EXPECT_EQ(rs[18].body, (std::vector<std::uint8_t>{3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(WorkbookSave, GlobalsOrderBiff8AndBiff5) {
  TXLSWorkbook wb;
  wb.GetWorksheets()->Add();
  wb.GetWorksheets()->Add();
  auto rs = SaveRecords(wb, 2);
  const std::size_t sst = Find(rs, Rec::SST), ext = Find(rs, Rec::EXTSST);
  const std::size_t bs = Find(rs, Rec::BOUNDSHEET), sup = Find(rs, Rec::SUPBOOK);
  const std::size_t xs = Find(rs, Rec::EXTERNSHEET), eof = Find(rs, Rec::EOF_);
  ASSERT_NE(bs, SIZE_MAX);
  EXPECT_LT(Find(rs, Rec::PALETTE), bs);
  if (sst != SIZE_MAX) {
    EXPECT_LT(sst, bs);
  }
  if (ext != SIZE_MAX) {
    EXPECT_LT(ext, bs);
  }
  EXPECT_LT(bs, sup);
  EXPECT_LT(sup, xs);
  EXPECT_LT(xs, eof);
  EXPECT_EQ(Names(rs, 0, 5), (std::vector<std::string>{"BOF", "CODEPAGE", "WINDOW1", "1904", "FONT"}));
  EXPECT_EQ(rs[1].Word(0), 1200);

  rs = SaveRecords(wb, 1);
  EXPECT_EQ(Names(rs, 0, 5),
            (std::vector<std::string>{"BOF", "CODEPAGE", "EXTERNCOUNT", "EXTERNSHEET", "EXTERNSHEET"}));
  EXPECT_EQ(rs[1].Word(0), 1252);
  EXPECT_EQ(rs[0].Word(0), 0x0500);
  EXPECT_EQ(Find(rs, Rec::SST), SIZE_MAX);
  EXPECT_EQ(Find(rs, Rec::SUPBOOK), SIZE_MAX);
  // Each sheet repeats the external sheet list and ends with STANDARDWIDTH.
  const auto sheet = SheetRecords(rs, 1);
  EXPECT_EQ(Names(sheet, 3, 6), (std::vector<std::string>{"EXTERNCOUNT", "EXTERNSHEET", "EXTERNSHEET"}));
  EXPECT_EQ(sheet[4].body, (std::vector<std::uint8_t>{6, 3, 'S', 'h', 'e', 'e', 't', '1'}));
  EXPECT_EQ(sheet[5].body, (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(sheet[sheet.size() - 2].Name(), "STANDARDWIDTH");
}

TEST(WorkbookSave, BoundSheetOffsetsPointAtEachBof) {
  for (const std::int32_t format : {1, 2}) {
    TXLSWorkbook wb;
    wb.GetWorksheets()->Add();
    wb.GetWorksheets()->Add()->SetWorkSheetName("Data");
    wb.GetWorksheets()->Get(1)->Range("B2")->SetValue(TVariant("text"));
    const auto rs = SaveRecords(wb, format);
    const std::size_t b0 = Find(rs, Rec::BOUNDSHEET);
    ASSERT_NE(b0, SIZE_MAX);
    EXPECT_EQ(rs[b0].Long(0), rs[Find(rs, Rec::BOF, 1)].offset) << format;
    EXPECT_EQ(rs[b0 + 1].Long(0), rs[Find(rs, Rec::BOF, 2)].offset) << format;
    if (format == 2) {
      // Everything before the BOUNDSHEET records plus 24 + 20 bytes of them.
      std::uint32_t before = 0;
      for (const auto& r : rs)
        if (r.type != RecNo(Rec::BOUNDSHEET) && r.offset < rs[Find(rs, Rec::BOF, 1)].offset)
          before += 4 + static_cast<std::uint32_t>(r.body.size());
      EXPECT_EQ(rs[b0].Long(0), before + 24 + 20);
    }
  }
}

TEST(WorkbookSave, SelectedSheetCountIsStableAcrossSaves) {
  TXLSWorkbook wb;
  auto* s1 = wb.GetWorksheets()->Add();
  auto* s2 = wb.GetWorksheets()->Add();
  s1->Select(true);
  s2->Select(false);
  for (int i = 0; i < 2; ++i) {
    const auto rs = SaveRecords(wb, 2);
    EXPECT_EQ(rs[Find(rs, Rec::WINDOW1)].Word(14), 2);
  }
}

TEST(WorkbookSave, CellRecordsAndDimensions) {
  TXLSWorkbook wb;
  auto* s = wb.GetWorksheets()->Add();
  s->Range("B3")->SetValue(TVariant(1.5));
  s->Range("D10")->SetValue(TVariant());  // a blank cell
  const auto rs = SheetRecords(SaveRecords(wb, 2), 0);
  const auto& dim = rs[Find(rs, Rec::DIMENSIONS)];
  EXPECT_EQ(dim.Long(0), 2u);
  EXPECT_EQ(dim.Long(4), 10u);
  EXPECT_EQ(dim.Word(8), 1);
  EXPECT_EQ(dim.Word(10), 4);
  const auto& num = rs[Find(rs, Rec::NUMBER)];
  EXPECT_EQ(num.Word(0), 2);
  EXPECT_EQ(num.Word(2), 1);
  EXPECT_EQ(rs[Find(rs, Rec::BLANK)].Word(0), 9);
}

TEST(WorkbookSave, MergedAreaRecords) {
  for (const std::int32_t format : {1, 2}) {
    TXLSWorkbook wb;
    auto* s = wb.GetWorksheets()->Add();
    s->Range("B2")->SetValue(TVariant("owner"));
    s->Range("B2:D3")->Merge(false);
    const auto rs = SheetRecords(SaveRecords(wb, format), 0);
    const std::size_t first = Find(rs, format == 2 ? Rec::LABELSST : Rec::LABEL);
    ASSERT_NE(first, SIZE_MAX);
    for (std::size_t i = 1; i <= 5; ++i) EXPECT_EQ(rs[first + i].Name(), "BLANK");
    EXPECT_EQ(rs[first + 6].Name(), "MERGEDCELLS");
    EXPECT_EQ(rs[first + 6].body, (std::vector<std::uint8_t>{1, 0, 1, 0, 2, 0, 1, 0, 3, 0}));
  }
}

TEST(WorkbookSave, FailedSaveKeepsPreviousFile) {
  const auto dir = std::filesystem::temp_directory_path() / "tablirex_wb_test";
  std::filesystem::create_directories(dir);
  const auto path = (dir / "keep.xls").string();
  { std::ofstream(path) << "previous"; }
  TXLSWorkbook wb;
  EXPECT_EQ(wb.SaveAs((dir / "missing" / "x.xls").string()), -1);
  EXPECT_EQ(wb.SaveAs("   "), -1);
  EXPECT_EQ(wb.SaveAs(path, 7), -1);
  std::ifstream in(path);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "previous");
  EXPECT_EQ(wb.SaveAs(path), 1);
  EXPECT_GT(std::filesystem::file_size(path), 512u);
  std::filesystem::remove_all(dir);
}

// ---- the sheet collection ----------------------------------------------------------------

std::string Order(IXLSWorkSheets& s) {
  std::string out;
  for (int i = 1; i <= s.GetCount(); ++i) {
    if (!out.empty()) out += ",";
    out += s.Get(i)->GetWorkSheetName();
    EXPECT_EQ(s.Get(i)->GetIndex(), i);
  }
  return out;
}

TEST(SheetCollection, NamesAndValidation) {
  TXLSWorkbook wb;
  auto& sheets = *wb.GetWorksheets();
  EXPECT_EQ(wb.GetActiveSheet(), nullptr);
  auto* a = sheets.Add();
  EXPECT_EQ(wb.GetActiveSheet(), a);
  EXPECT_TRUE(a->IsSelected());
  auto* b = sheets.Add();
  struct Case {
    const char* name;
    std::string expect;
  };
  // Refused names leave the name and say why; a sheet may take its own name again.
  for (const Case& c :
       {Case{"bad/name", "Sheet2"}, Case{"bad[", "Sheet2"}, Case{"0123456789012345678901234567890X", "Sheet2"},
        Case{"Sheet1", "Sheet2"}, Case{"sHEET1", "Sheet2"}, Case{"", "Sheet2"}, Case{"'quoted", "Sheet2"},
        Case{"quoted'", "Sheet2"}, Case{"tab\there", "Sheet2"}, Case{"\x7f", "Sheet2"},
        Case{"\xC3\xA9T\xC3\xA9", "\xC3\xA9T\xC3\xA9"}, Case{"Sheet2", "Sheet2"}, Case{"Data's", "Data's"},
        Case{"0123456789012345678901234567890", "0123456789012345678901234567890"}}) {
    wb.ClearLastError();
    b->SetWorkSheetName(c.name);
    EXPECT_EQ(b->GetWorkSheetName(), c.expect) << c.name;
    EXPECT_EQ(wb.GetLastError().empty(), c.expect == c.name) << c.name << ": " << wb.GetLastError();
  }
  // A NUL byte, and letters that differ only in case beyond ASCII.
  b->SetWorkSheetName(std::string("nul\0x", 5));
  EXPECT_EQ(b->GetWorkSheetName(), "0123456789012345678901234567890");
  a->SetWorkSheetName("\xC3\x89t\xC3\xA9");  // "Été" against "été"
  b->SetWorkSheetName("\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(b->GetWorkSheetName(), "0123456789012345678901234567890");
  // An Excel 5 name must survive its code page: "?" in its place is refused.
  b->SetWorkSheetName("\xD0\x94\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5");  // Cyrillic
  EXPECT_TRUE(SaveRecords(wb, 1).empty());
  EXPECT_NE(wb.GetLastError().find("code page 1252 lacks"), std::string::npos) << wb.GetLastError();
  EXPECT_FALSE(SaveRecords(wb, 2).empty());
  EXPECT_EQ(wb.SetCodePage(932), -1);
  ASSERT_EQ(wb.SetCodePage(1251), 1);
  a->SetWorkSheetName("Sheet1");
  EXPECT_FALSE(SaveRecords(wb, 1).empty());
  b->SetWorkSheetName("Sheet3");
  a->SetWorkSheetName("Sheet2");
  EXPECT_EQ(sheets.Add()->GetWorkSheetName(), "Sheet4");
  EXPECT_EQ(sheets.GetIndexByName("nope"), -1);
  EXPECT_EQ(sheets.Get(0), nullptr);
}

TEST(SheetCollection, AddBeforeMoveDelete) {
  TXLSWorkbook wb;
  auto& sheets = *wb.GetWorksheets();
  sheets.Add();
  sheets.Add();
  sheets.Add();
  auto* last = sheets.Add(sheets.Get(2), nullptr, 2);
  EXPECT_EQ(last->GetIndex(), 3);
  EXPECT_EQ(Order(sheets), "Sheet1,Sheet4,Sheet5,Sheet2,Sheet3");
  sheets.Get(1)->Move(sheets.Get(3));  // before the third: lands at 2
  EXPECT_EQ(Order(sheets), "Sheet4,Sheet1,Sheet5,Sheet2,Sheet3");
  sheets.Get(5)->Move(nullptr, sheets.Get(1));  // after the first: lands at 2
  EXPECT_EQ(Order(sheets), "Sheet4,Sheet3,Sheet1,Sheet5,Sheet2");
  auto* active = wb.GetActiveSheet();
  EXPECT_EQ(active->GetWorkSheetName(), "Sheet1");
  sheets.Delete(1);
  EXPECT_EQ(wb.GetActiveSheet(), active);
  active->Delete();
  EXPECT_EQ(wb.GetActiveSheet()->GetWorkSheetName(), "Sheet3");
  EXPECT_EQ(Order(sheets), "Sheet3,Sheet5,Sheet2");
  sheets.Delete(9);
  EXPECT_EQ(sheets.GetCount(), 3);
}

}  // namespace
}  // namespace tablirex

namespace tablirex {
namespace {

TEST(WorkbookSave, FormulaCellsCompileAtSave) {
  for (const std::int32_t format : {1, 2}) {
    TXLSWorkbook wb;
    auto* s = wb.GetWorksheets()->Add();
    s->Range("A1")->SetValue(TVariant(2.0));
    s->Range("B1")->SetValue(TVariant("=A1*2"));
    s->Range("C1")->SetValue(TVariant("=SUM(("));  // does not compile: refused, C1 stays empty
    s->Range("E1")->SetValue(TVariant(1.0));
    const auto all = SaveRecords(wb, format);
    const std::size_t bof = Find(all, Rec::BOF, 1);
    std::vector<std::string> cells;
    for (std::size_t i = bof; i < all.size(); ++i)
      if (all[i].type == RecNo(Rec::NUMBER) || all[i].type == RecNo(Rec::FORMULA))
        cells.push_back(all[i].Name() + "@" + std::to_string(all[i].Word(2)));
    EXPECT_EQ(cells, (std::vector<std::string>{"NUMBER@0", "FORMULA@1", "NUMBER@4"})) << format;
    const auto& f = all[Find(all, Rec::FORMULA)];
    EXPECT_EQ(f.Double(6), 4.0);                        // the result, worked out at save
    EXPECT_EQ(f.Word(14), 0x0000);                      // nothing to work out again on load
    EXPECT_EQ(f.Word(20), f.body.size() - 22);           // token length word
    EXPECT_TRUE(s->Range("C1")->GetValue().IsNull());
  }
}

// A formula that cannot be written is refused when a cell is to take it: the cell
// keeps its value, and the workbook's last error names the cell, the fault and
// its position in the text as written (the "=" is position 1).
TEST(WorkbookFormulas, RefusedWhenSetWithTheCellAndTheFault) {
  TXLSWorkbook wb;
  auto* s = wb.GetWorksheets()->Add();
  s->Range("C1")->SetValue(TVariant(5.0));
  const std::pair<const char*, const char*> cases[] = {
      {"=SUM((", "expected an operand, found the end of the formula"},
      {"=", "empty formula"},
      {"=== Totals ===", "expected an operand, found \"=\" at position 2"},
      {"=IF(1)", "IF takes 2 to 3 arguments, not 1 at position 2"},
      {"=1.2.3", "malformed number \"1.2.3\" at position 2"},
      {"=A1+NOSUCH(1)", "unknown function NOSUCH at position 5"},
      {"=B1,B2", "\",\" outside the arguments of a function (a union of references needs parentheses: (A1,B2)) at position 4"},
  };
  for (const auto& [text, error] : cases) {
    wb.ClearLastError();
    s->Range("C1")->SetValue(TVariant(text));
    EXPECT_EQ(wb.GetLastError(), std::string("Sheet1!C1: formula \"") + text + "\": " + error);
    EXPECT_EQ(s->Range("C1")->GetValue().AsDouble(), 5.0) << text;
  }
  // Wide texts, the writers and a range of several cells are judged alike.
  s->Range("C1")->SetValue(TVariant(std::u16string(u"=SUM(")));
  EXPECT_EQ(s->Range("C1")->GetValue().AsDouble(), 5.0);
  wb.ClearLastError();
  EXPECT_EQ(s->WriteFormula(0, 2, "IF()"), -1);
  EXPECT_EQ(wb.GetLastError(), "Sheet1!C1: formula \"=IF()\": IF takes 2 to 3 arguments, not 0 at position 2");
  EXPECT_EQ(s->MergeWriteFormula("C1:D2", "FOO(1)", 0), -1);
  EXPECT_FALSE(s->Cells().GetValue(0, 2)->IsMerged);
  EXPECT_EQ(s->Range("C1")->GetValue().AsDouble(), 5.0);
  s->SetWorkSheetName("My Data");
  s->Range("A5:B6")->SetValue(TVariant("=1+"));
  EXPECT_EQ(wb.GetLastError().rfind("'My Data'!A5:B6: formula \"=1+\"", 0), 0u) << wb.GetLastError();
  EXPECT_TRUE(s->Range("A5")->GetValue().IsNull());
  // An array: each formula judged on its own, the others stored.
  wb.ClearLastError();
  TVariant row = TVariant::Array2(0, 1, 0, 3);
  row.Array().At(0, 0) = TVariant("=1+1");
  row.Array().At(0, 1) = TVariant("=1+)");
  row.Array().At(0, 2) = TVariant(3.0);
  s->Range("A8:C8")->SetValue(row);
  EXPECT_EQ(wb.GetLastError().rfind("'My Data'!B8:", 0), 0u) << wb.GetLastError();
  EXPECT_EQ(s->Range("A8")->GetValue().AsString(), "=1+1");
  EXPECT_TRUE(s->Range("B8")->GetValue().IsNull());
  EXPECT_EQ(s->Range("C8")->GetValue().AsDouble(), 3.0);
  // What was accepted saves; a formula accepted never fails the save on its syntax.
  wb.ClearLastError();
  EXPECT_FALSE(SaveRecords(wb, 2).empty());
  EXPECT_EQ(wb.GetLastError(), "");
}

// Sheet names are looked up at save, in any letter case: a formula may name a
// sheet added later, and one whose sheet is missing at save fails the save, which
// then writes nothing and names the sheet and the cell.
TEST(WorkbookFormulas, SheetNamesResolvedAtSave) {
  const auto dir = std::filesystem::temp_directory_path() / "tablirex_wb_formula_test";
  std::filesystem::create_directories(dir);
  const auto path = (dir / "book.xls").string();
  std::filesystem::remove(path);
  for (const std::int32_t format : {1, 2}) {
    TXLSWorkbook wb;
    auto* first = wb.GetWorksheets()->Add();
    first->Range("A1")->SetValue(TVariant("=later!B2*2+sheet1!A2"));
    EXPECT_EQ(wb.GetLastError(), "");
    EXPECT_TRUE(SaveRecords(wb, format).empty());
    EXPECT_EQ(wb.GetLastError(), "Sheet1!A1: formula \"=later!B2*2+sheet1!A2\": no sheet named \"later\"");
    EXPECT_EQ(wb.SaveAs(path, format), -1);
    EXPECT_FALSE(std::filesystem::exists(path));

    auto* later = wb.GetWorksheets()->Add();
    later->SetWorkSheetName("Later");
    const auto all = SaveRecords(wb, format);
    ASSERT_FALSE(all.empty());
    const auto& f = all[Find(all, Rec::FORMULA)];
    EXPECT_EQ(f.body[22], 0x7A);  // a 3-D reference first
    // BIFF8: reference index n - p = 0; BIFF5: EXTERNSHEET -2, sheets 1 to 1.
    if (format == 2) EXPECT_EQ(f.Word(23), 0);
    else EXPECT_EQ(f.Word(23), 0xFFFE);

    later->SetWorkSheetName("Renamed");
    wb.ClearLastError();
    EXPECT_EQ(wb.SaveAs(path, format), -1);
    EXPECT_NE(wb.GetLastError().find("no sheet named \"later\""), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  std::filesystem::remove_all(dir);
}

// A range of sheets covers every sheet from the first to the last in both forms:
// BIFF8 gives it an EXTERNSHEET entry of its own; a range named last to first is
// put in order.
TEST(WorkbookFormulas, SheetRangesCoverEverySheet) {
  TXLSWorkbook wb;
  for (const char* name : {"T", "U", "V"}) wb.GetWorksheets()->Add()->SetWorkSheetName(name);
  auto* t = wb.GetWorksheets()->Get(1);
  t->Range("B1")->SetValue(TVariant("=SUM(V:T!A1)"));
  t->Range("B2")->SetValue(TVariant("=SUM(T:U!A1)+SUM(t:v!A1)"));
  const auto biff8 = SaveRecords(wb, 2);
  const auto& ext = biff8[Find(biff8, Rec::EXTERNSHEET)];
  ASSERT_EQ(ext.Word(0), 5);  // three sheets, then T:V and T:U in order of use
  EXPECT_EQ(ext.Word(2 + 6 * 3 + 2), 0);
  EXPECT_EQ(ext.Word(2 + 6 * 3 + 4), 2);
  EXPECT_EQ(ext.Word(2 + 6 * 4 + 2), 0);
  EXPECT_EQ(ext.Word(2 + 6 * 4 + 4), 1);
  const auto& f1 = biff8[Find(biff8, Rec::FORMULA)];
  EXPECT_EQ(f1.body[22], 0x3A);
  EXPECT_EQ(f1.Word(23), 3);
  const auto& f2 = biff8[Find(biff8, Rec::FORMULA, 1)];
  EXPECT_EQ(f2.Word(23), 4);      // T:U
  EXPECT_EQ(f2.Word(23 + 11), 3);  // t:v is T:V again

  const auto biff5 = SaveRecords(wb, 1);
  const auto& g = biff5[Find(biff5, Rec::FORMULA)];
  EXPECT_EQ(g.Word(23), 0xFFFF);  // the first sheet's EXTERNSHEET
  EXPECT_EQ(g.Word(33), 0);        // first sheet
  EXPECT_EQ(g.Word(35), 2);        // last sheet
}

}  // namespace
}  // namespace tablirex

namespace tablirex {
namespace {

TEST(WorkbookSave, UnformattedCellsCarryTheirColumnOrRowFormat) {
  TXLSWorkbook wb;
  auto* s = wb.GetWorksheets()->Add();
  s->Range("B:B")->GetFont()->SetBold(true);   // column format first,
  s->Range("3:3")->GetFont()->SetItalic(true);  // a row format,
  s->Range("B5")->SetValue(TVariant(1.0));      // then values in them
  s->Range("D3")->SetValue(TVariant(2.0));
  s->Range("D4")->SetValue(TVariant(3.0));      // neither: the default format
  const auto rs = SheetRecords(SaveRecords(wb, 2), 0);
  std::map<std::uint16_t, std::uint16_t> xfByRow;
  for (const auto& r : rs)
    if (r.type == RecNo(Rec::NUMBER)) xfByRow[r.Word(0)] = r.Word(4);
  const auto& col = rs[Find(rs, Rec::COLINFO)];
  const auto& row = rs[Find(rs, Rec::ROW)];
  EXPECT_EQ(xfByRow[4], col.Word(6));   // B5 shows column B's format
  EXPECT_EQ(xfByRow[2], row.Word(14));  // D3 shows row 3's format
  EXPECT_EQ(xfByRow[3], 15);            // D4 has none: the default cell format
  EXPECT_NE(col.Word(6), row.Word(14));
}

}  // namespace
}  // namespace tablirex
