// NAME records of the name table: built-in print names and defined names, their
// order, the name tokens of formulas that use them, and the rules names follow.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../workbook/stream_reader.h"
#include "layout/page_setup.h"
#include "names/name_table.h"
#include "tablirex/names.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

using testing::Record;
using testing::SaveRecords;

std::string Hex(const Record& r) {
  std::string s;
  char buf[4];
  const auto add = [&](std::uint8_t b) {
    std::snprintf(buf, sizeof buf, "%s%02X", s.empty() ? "" : " ", b);
    s += buf;
  };
  add(static_cast<std::uint8_t>(r.type));
  add(static_cast<std::uint8_t>(r.type >> 8));
  add(static_cast<std::uint8_t>(r.body.size()));
  add(static_cast<std::uint8_t>(r.body.size() >> 8));
  for (const std::uint8_t b : r.body) add(b);
  return s;
}

// The NAME records of a save, as hex.
std::vector<std::string> NameRecords(TXLSWorkbook& wb, std::int32_t format) {
  std::vector<std::string> out;
  for (const Record& r : SaveRecords(wb, format))
    if (r.type == RecNo(Rec::NAME)) out.push_back(Hex(r));
  return out;
}

IXLSWorksheet& AddSheets(TXLSWorkbook& wb, int n) {
  for (int i = 0; i < n; ++i) wb.GetWorksheets()->Add();
  return *wb.GetWorksheets()->Get(1);
}

TEST(NameRecords, BuiltinPrintNames) {
  struct Case {
    const char* what;
    int sheets, on;  // sheet count, 1-based sheet with the setting
    void (*set)(TXLSPageSetup&);
    std::int32_t format;
    const char* want;
  } cases[] = {
      // Print area B2:D20 on the second of three sheets: reference index 3 - 1 - 1.
      {"area8", 3, 2, [](TXLSPageSetup& p) { p.FSetPrintArea("B2:D20"); }, 2,
       "18 00 1B 00 20 00 00 01 0B 00 02 00 02 00 00 00 00 00 00 06 3B 01 00 01 00 13 00 01 00 03 00"},
      {"area5", 3, 2, [](TXLSPageSetup& p) { p.FSetPrintArea("B2:D20"); }, 1,
       "18 00 24 00 20 00 00 01 15 00 02 00 02 00 00 00 00 00 06 "
       "3B FE FF 00 00 00 00 87 10 05 80 01 00 01 00 01 00 13 00 01 03"},
      {"rows8", 1, 1, [](TXLSPageSetup& p) { p.SetPrintTitleRows("$1:$2"); }, 2,
       "18 00 1B 00 20 00 00 01 0B 00 01 00 01 00 00 00 00 00 00 07 3B 00 00 00 00 01 00 00 00 FF 00"},
      {"cols5", 1, 1, [](TXLSPageSetup& p) { p.SetPrintTitleColumns("B:C"); }, 1,
       "18 00 24 00 20 00 00 01 15 00 01 00 01 00 00 00 00 00 07 "
       "3B FF FF 00 00 00 00 87 10 05 80 00 00 00 00 00 00 FF 3F 01 02"},
      // Both titles: the columns, then the rows, in a list.
      {"both8", 1, 1,
       [](TXLSPageSetup& p) {
         p.SetPrintTitleRows("3:3");
         p.SetPrintTitleColumns("A:A");
       },
       2,
       "18 00 2A 00 20 00 00 01 1A 00 01 00 01 00 00 00 00 00 00 07 29 17 00 "
       "3B 00 00 00 00 FF FF 00 00 00 00 3B 00 00 02 00 02 00 00 00 FF 00 10"},
      {"both5", 1, 1,
       [](TXLSPageSetup& p) {
         p.SetPrintTitleRows("3:3");
         p.SetPrintTitleColumns("A:A");
       },
       1,
       "18 00 3D 00 20 00 00 01 2E 00 01 00 01 00 00 00 00 00 07 29 2B 00 "
       "3B FF FF 00 00 00 00 87 10 08 80 00 00 00 00 00 00 FF 3F 00 00 "
       "3B FF FF 00 00 00 00 87 10 08 80 00 00 00 00 02 00 02 00 00 FF 10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TXLSWorkbook wb;
    AddSheets(wb, c.sheets);
    c.set(wb.GetWorksheets()->Get(c.on)->PageSetup());
    EXPECT_EQ(NameRecords(wb, c.format), std::vector<std::string>{c.want});
  }
}

// Built-in names first (all print areas, then all print titles), then the
// workbook's names, then each sheet's; formulas carry those positions.
TEST(NameRecords, DefinedNamesFollowTheBuiltinOnesAndFormulasUseTheirPositions) {
  TXLSWorkbook wb;
  IXLSWorksheet& s1 = AddSheets(wb, 2);
  IXLSWorksheet& s2 = *wb.GetWorksheets()->Get(2);
  s2.PageSetup().SetPrintTitleRows("1:1");
  s1.PageSetup().FSetPrintArea("A1:B2");
  ASSERT_TRUE(s2.GetNames()->Add("Local", "=$C$3"));
  ASSERT_TRUE(wb.GetNames()->Add("Rate", "=Sheet1!$B$1"));
  Ref<IXLSName> hidden = wb.GetNames()->Add("_Hidden.x", "=0.5");
  ASSERT_TRUE(hidden);
  hidden->SetVisible(false);
  s2.Range("A1")->SetValue(TVariant(std::string("=Rate*Local")));
  for (const std::int32_t format : {2, 1}) {
    SCOPED_TRACE(format);
    const std::vector<std::string> names = NameRecords(wb, format);
    ASSERT_EQ(names.size(), 5u);
    if (format == 2) {
      EXPECT_EQ(names[2],  // Rate: 3-D reference to Sheet1 (reference index 2 - 1), $B$1
                "18 00 1A 00 00 00 00 04 07 00 00 00 00 00 00 00 00 00 00 52 61 74 65 3A 01 00 00 00 01 00");
      EXPECT_EQ(names[3],  // hidden, a number
                "18 00 21 00 01 00 00 09 09 00 00 00 00 00 00 00 00 00 00 5F 48 69 64 64 65 6E 2E 78 "
                "1F 00 00 00 00 00 00 E0 3F");
      EXPECT_EQ(names[4],  // local to sheet 2, its $C$3
                "18 00 1B 00 00 00 00 05 07 00 02 00 02 00 00 00 00 00 00 4C 6F 63 61 6C 3A 00 00 02 00 02 00");
    } else {
      EXPECT_EQ(names[4],  // the Excel 5 form: EXTERNSHEET -2, sheets 1..1
                "18 00 25 00 00 00 00 05 12 00 02 00 02 00 00 00 00 00 4C 6F 63 61 6C "
                "3A FE FF 00 00 00 00 00 00 00 00 01 00 01 00 02 00 02");
    }
    // =Rate*Local on sheet 2: names 3 and 5 in array class, then the product.
    const auto all = SaveRecords(wb, format);
    std::vector<std::uint8_t> tokens;
    for (const Record& r : all)
      if (r.type == RecNo(Rec::FORMULA)) tokens.assign(r.body.begin() + 22, r.body.end());
    const std::vector<std::uint8_t> want8 = {0x63, 3, 0, 0, 0, 0x63, 5, 0, 0, 0, 0x05};
    std::vector<std::uint8_t> want5 = {0x63, 3, 0};
    want5.insert(want5.end(), 12, 0);
    want5.insert(want5.end(), {0x63, 5, 0});
    want5.insert(want5.end(), 12, 0);
    want5.push_back(0x05);
    EXPECT_EQ(tokens, format == 2 ? want8 : want5);
  }
}

TEST(Names, RulesAndRefusals) {
  struct Case {
    const char* name;
    const char* refersTo;
    bool ok;
  } cases[] = {
      {"Rate", "=Sheet1!$B$1", true}, {"_total", "=1+2", true}, {"tax.rate", "0.2", true},
      {"AAA1", "=1", false},           {"XFE1", "=1", true},     {"Sales2024", "=SUM(Sheet1!A1:A3)", true},
      {"", "=1", false},               {"1st", "=1", false},     {"A1", "=1", false},
      {"xfd1048576", "=1", false},     {"R1C1", "=1", false},    {"rc", "=1", false},
      {"C", "=1", false},              {"TRUE", "=1", false},    {"my name", "=1", false},
      {"Rate", "=2", false},           // taken already, whatever the case
      {"Cells", "=$A$1", false},       // a workbook name's reference names its sheet
      {"Bad", "=SUM(", false},         {"Unknown", "=Nowhere*2", false},
  };
  TXLSWorkbook wb;
  AddSheets(wb, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    wb.ClearLastError();
    const bool added = wb.GetNames()->Add(c.name, c.refersTo) != nullptr;
    EXPECT_EQ(added, c.ok) << wb.GetLastError();
    EXPECT_EQ(wb.GetLastError().empty(), c.ok);
  }
  EXPECT_EQ(wb.GetNames()->Add(std::string(256, 'a'), "=1"), nullptr);
  EXPECT_NE(wb.GetNames()->Add(std::string(255, 'a'), "=1"), nullptr);
  // A sheet's name may use the sheet's cells without naming the sheet.
  EXPECT_NE(wb.GetWorksheets()->Get(1)->GetNames()->Add("Cells", "=$A$1"), nullptr);
}

// A formula naming an unknown name is refused when set; one whose name was
// deleted afterwards fails the save, naming its cell.
TEST(Names, DeletedNameFailsTheSaveNamingTheCell) {
  TXLSWorkbook wb;
  IXLSWorksheet& s = AddSheets(wb, 1);
  s.Range("A1")->SetValue(TVariant(std::string("=Missing+1")));
  EXPECT_NE(wb.GetLastError().find("unknown name \"Missing\""), std::string::npos);
  ASSERT_TRUE(wb.GetNames()->Add("Rate", "=0.1"));
  s.Range("B2")->SetValue(TVariant(std::string("=Rate*2")));
  EXPECT_EQ(wb.GetNames()->Delete("RATE"), 1);
  TMemorySink sink;
  EXPECT_EQ(wb.SaveStream(sink, 2), -1);
  EXPECT_NE(wb.GetLastError().find("Sheet1!B2"), std::string::npos) << wb.GetLastError();
}

}  // namespace
}  // namespace tablirex
