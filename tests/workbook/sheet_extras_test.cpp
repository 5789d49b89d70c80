// Hyperlinks, validations and conditional formats: how structural operations
// move their areas, the records they become, and what is refused and why.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "range/areas.h"
#include "stream_reader.h"
#include "tablirex/addressing.h"
#include "tablirex/conditions.h"
#include "tablirex/hyperlinks.h"
#include "tablirex/validation.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "workbook/sheet_extras.h"

namespace tablirex {
namespace {

using testing::Record;
using testing::SaveRecords;

TXLSArea A(std::string_view a1) {
  std::uint32_t r1 = 0, r2 = 0;
  std::uint16_t c1 = 0, c2 = 0;
  if (a1.find(':') == std::string_view::npos) {
    EXPECT_EQ(GetCellRef(a1, r1, c1), 1) << a1;
    return {r1, c1, r1, c1};
  }
  EXPECT_EQ(GetCellRange(a1, r1, c1, r2, c2), 1) << a1;
  return {r1, c1, r2, c2};
}

std::string Texts(const TXLSAreaList& l) { return AreaListText(l); }

TEST(Areas, ShiftSubtractAndPaste) {
  using K = TXLSCellShift::Kind;
  struct Case {
    const char* what;
    K kind;
    const char* block;
    const char* area;
    bool inherit;
    const char* want;
  } cases[] = {
      {"below moves down", K::InsertDown, "A3:C4", "B5:B6", true, "B7:B8"},
      {"above stays", K::InsertDown, "A3:C4", "B1:B1", true, "B1"},
      {"spanning grows", K::InsertDown, "A3:C4", "B2:B5", false, "B2:B7"},
      {"row above inherits", K::InsertDown, "A3:C4", "B1:B2", true, "B1:B4"},
      {"row above, no inheriting", K::InsertDown, "A3:C4", "B1:B2", false, "B1:B2"},
      {"first row inherits from the pushed row", K::InsertDown, "A1:A2", "A1:A3", true, "A1:A5"},
      {"beside the columns stays, inside moves", K::InsertDown, "B3:B3", "A3:C3", true, "A3 C3 B4"},
      {"pushed past the sheet goes", K::InsertDown, "A1:A10", "A65530:A65536", true, ""},
      {"pushed partly past the sheet is cut", K::InsertDown, "A1:A5", "A65530:A65536", true, "A65535:A65536"},
      {"right", K::InsertRight, "B1:C9", "B2:D2", true, "D2:F2"},
      {"column left inherits", K::InsertRight, "B1:C9", "A2:B2", true, "A2:D2"},
      {"deleted wholly", K::DeleteUp, "A2:C4", "B3:B4", true, ""},
      {"deleted partly", K::DeleteUp, "A2:C4", "B1:B6", true, "B1:B3"},
      {"below moves up", K::DeleteUp, "A2:C4", "B8:B9", true, "B5:B6"},
      {"left", K::DeleteLeft, "A1:B9", "C2:D2", true, "A2:B2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TXLSAreaList out;
    ShiftArea({c.kind, A(c.block), 65535, 255}, A(c.area), c.inherit, out);
    EXPECT_EQ(Texts(out), c.want);
  }
  TXLSAreaList cut;
  SubtractArea(A("A1:C3"), A("B2"), cut);
  EXPECT_EQ(Texts(cut), "A1:C1 A3:C3 A2 C2");
  TXLSAreaList pasted;
  PasteArea({A("A1:A2"), A("C1:C5")}, A("A2:A9"), pasted);  // the source's A2, repeated over C1:C5
  EXPECT_EQ(Texts(pasted), "C2 C4");
}

struct TSheet {
  TXLSWorkbook wb;
  IXLSWorksheet* s = nullptr;
  TSheet() { s = wb.GetWorksheets()->Add(); }
  Ref<IXLSRange> R(const char* a1) { return s->Range(a1); }
  std::string Validations() {
    std::string out;
    for (const auto& r : s->Extras().validations.Items()) out += (out.empty() ? "" : "|") + AreaListText(r.areas);
    return out;
  }
  std::string Conditions() {
    std::string out;
    for (const auto& f : s->Extras().conditions.Items()) out += (out.empty() ? "" : "|") + AreaListText(f.areas);
    return out;
  }
  std::string Links() {
    std::string out;
    for (const auto& l : s->Extras().hyperlinks.Items()) out += (out.empty() ? "" : "|") + AreaText(l.anchor);
    return out;
  }
};

TEST(SheetExtras, FollowInsertDeleteCopyAndMove) {
  TSheet t;
  ASSERT_EQ(t.R("B2:B5")->GetValidation()->Add(xlValidateWholeNumber, xlValidAlertStop, xlGreater, "0", ""), 1);
  ASSERT_TRUE(t.R("C2:C5")->GetFormatConditions()->Add(xlCellValue, xlLess, "0", ""));
  ASSERT_TRUE(t.s->GetHyperlinks()->Add(t.R("D3").get(), "https://a.example/", "", "", ""));
  t.R("3:4")->Insert(xlShiftDown);
  EXPECT_EQ(t.Validations(), "B2:B7");
  EXPECT_EQ(t.Conditions(), "C2:C7");
  EXPECT_EQ(t.Links(), "D5");
  t.R("2:3")->Delete(xlShiftUp);
  EXPECT_EQ(t.Validations(), "B2:B5");
  EXPECT_EQ(t.Links(), "D3");
  // Copy with formats carries all three; a copy of values only none.
  t.R("B2:D3")->Copy(t.R("F10:H13").get());
  EXPECT_EQ(t.Validations(), "B2:B5|F10:F11 F12:F13");
  EXPECT_EQ(t.Links(), "D3|H11|H13");
  t.R("B2:D3")->Copy(t.R("J1").get(), xlPasteValues);
  EXPECT_EQ(t.Links(), "D3|H11|H13");
  // A move takes them from the source cells.
  t.R("F10:H11")->Move(t.R("F20:H21").get());
  EXPECT_EQ(t.Validations(), "B2:B5|F12:F13|F20:F21");
  EXPECT_EQ(t.Links(), "D3|H13|H21");
  // Deleting a link's first cell deletes the link; cells pushed past the sheet
  // take their areas' parts with them.
  t.R("D3")->Delete(xlShiftToLeft);
  EXPECT_EQ(t.Links(), "H13|H21");
  ASSERT_EQ(t.R("A1048570:A1048576")->GetValidation()->Add(xlValidateList, xlValidAlertStop, 0, "a,b", ""), 1);
  t.R("A1:A5")->Insert(xlShiftDown);
  EXPECT_EQ(t.s->Extras().validations.Items().back().areas.back(), A("A1048575:A1048576"));
}

std::string BodyHex(const Record& r) {
  std::string s;
  char buf[4];
  for (const std::uint8_t b : r.body) {
    std::snprintf(buf, sizeof buf, "%s%02X", s.empty() ? "" : " ", b);
    s += buf;
  }
  return s;
}

std::vector<Record> Only(const std::vector<Record>& all, std::initializer_list<Rec> types) {
  std::vector<Record> out;
  for (const Record& r : all)
    for (const Rec t : types)
      if (r.type == RecNo(t)) out.push_back(r);
  return out;
}

TEST(SheetExtras, RecordBytes) {
  TSheet t;
  ASSERT_TRUE(t.s->GetHyperlinks()->Add(t.R("B2").get(), "http://a.b/", "", "tip", "go"));
  ASSERT_TRUE(t.s->GetHyperlinks()->Add(t.R("C3:D4").get(), "", "Sheet1!A1", "", "here"));
  ASSERT_EQ(t.R("E1:E9")->GetValidation()->Add(xlValidateList, xlValidAlertWarning, 0, "Yes,No", ""), 1);
  Ref<IXLSFormatCondition> c = t.R("F1")->GetFormatConditions()->Add(xlCellValue, xlGreater, "=5", "");
  ASSERT_TRUE(c);
  c->GetFont()->SetBold(true);
  c->GetInterior()->SetColorIndex(3);  // palette entry 10
  const auto rs = Only(SaveRecords(t.wb, 2), {Rec::HLINK, Rec::HLINKTOOLTIP, Rec::DVAL, Rec::DV, Rec::CONDFMT, Rec::CF});
  std::vector<std::string> names;
  for (const Record& r : rs) names.push_back(r.Name());
  // The sheet writes them after the selection in this order.
  EXPECT_EQ(names, (std::vector<std::string>{"CONDFMT", "CF", "HLINK", "HLINKTOOLTIP", "HLINK", "DVAL", "DV"}));
  EXPECT_EQ(BodyHex(rs[0]), "01 00 00 00 00 00 00 00 05 00 05 00 01 00 00 00 00 00 05 00 05 00");
  const std::string cf = BodyHex(rs[1]);
  // Value greater than, formula 9 bytes; fonts and pattern changed, the rest kept.
  EXPECT_EQ(cf.substr(0, 3 * 12 - 1), "01 05 09 00 00 00 FF FF 38 24 02 80");
  EXPECT_EQ(cf.substr(cf.size() - (3 * 9 - 1)), "1F 00 00 00 00 00 00 14 40");  // 5.0
  EXPECT_EQ(BodyHex(rs[2]),
            "01 00 01 00 01 00 01 00 D0 C9 EA 79 F9 BA CE 11 8C 82 00 AA 00 4B A9 0B 02 00 00 00 17 00 00 00 "
            "03 00 00 00 67 00 6F 00 00 00 E0 C9 EA 79 F9 BA CE 11 8C 82 00 AA 00 4B A9 0B 18 00 00 00 68 00 74 00 "
            "74 00 70 00 3A 00 2F 00 2F 00 61 00 2E 00 62 00 2F 00 00 00");
  EXPECT_EQ(BodyHex(rs[3]), "00 08 01 00 01 00 01 00 01 00 74 00 69 00 70 00 00 00");
  // A place in the workbook: no moniker, only the location.
  EXPECT_EQ(BodyHex(rs[4]).substr(0, 3 * 32 - 1),
            "02 00 03 00 02 00 03 00 D0 C9 EA 79 F9 BA CE 11 8C 82 00 AA 00 4B A9 0B 02 00 00 00 1C 00 00 00");
  EXPECT_EQ(BodyHex(rs[5]), "00 00 00 00 00 00 00 00 00 00 FF FF FF FF 01 00 00 00");
  // List, warning, explicit list, blanks pass, prompt and alert shown.
  EXPECT_EQ(BodyHex(rs[6]),
            "93 01 0C 00 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00 0F 00 00 00 17 06 01 59 00 65 00 73 00 "
            "00 00 4E 00 6F 00 00 00 00 00 01 00 00 00 08 00 04 00 04 00");
}

TEST(SheetExtras, RefusalsNameTheirReason) {
  TSheet t;
  t.wb.GetWorksheets()->Add();  // Sheet2
  const auto condition = [&](const char* f1) {
    return t.R("A1")->GetFormatConditions()->Add(xlExpression, 0, f1, "") ? 1 : -1;
  };
  struct Case {
    const char* what;
    std::function<std::int32_t()> run;
    const char* reason;
  } cases[] = {
      {"fourth condition",
       [&] {
         for (int i = 0; i < 3; ++i) t.R("B1")->GetFormatConditions()->Add(xlCellValue, xlEqual, "1", "");
         return t.R("B1")->GetFormatConditions()->Add(xlCellValue, xlEqual, "1", "") ? 1 : -1;
       },
       "at most 3 conditions"},
      {"condition on another sheet", [&] { return condition("=Sheet2!A1>1"); }, "cannot refer to another sheet"},
      {"condition with a union", [&] { return condition("=SUM((A1,B1))>1"); }, "union"},
      {"condition on an area", [&] { return condition("=A1:B2"); }, "not the area"},
      {"unknown operator",
       [&] { return t.R("A1")->GetFormatConditions()->Add(xlCellValue, 9, "1", "") ? 1 : -1; }, "unknown operator"},
      {"long inline list",
       [&] { return t.R("C1")->GetValidation()->Add(xlValidateList, 1, 0, std::string(256, 'x'), ""); },
       "at most 255"},
      {"list of a value",
       [&] { return t.R("C1")->GetValidation()->Add(xlValidateList, 1, 0, "=1+2", ""); }, "a list names its cells"},
      {"bound on another sheet",
       [&] { return t.R("C1")->GetValidation()->Add(xlValidateDecimal, 1, xlLess, "=Sheet2!A1", ""); },
       "another sheet"},
      {"between without a second bound",
       [&] { return t.R("C1")->GetValidation()->Add(xlValidateDecimal, 1, xlBetween, "1", ""); },
       "the formula is empty"},
      {"unknown type", [&] { return t.R("C1")->GetValidation()->Add(8, 1, 1, "1", ""); }, "unknown type"},
      {"prompt title too long",
       [&] {
         t.R("D1")->GetValidation()->Add(xlValidateInputOnly, 1, 0, "", "");
         return t.R("D1")->GetValidation()->SetInputTitle(std::string(33, 't'));
       },
       "at most 32"},
      {"no validation to change", [&] { return t.R("E9")->GetValidation()->SetShowError(false); },
       "has no validation"},
      {"link without target",
       [&] { return t.s->GetHyperlinks()->Add(t.R("A1").get(), "", "", "", "") ? 1 : -1; },
       "needs an address or a sub-address"},
      {"tip too long",
       [&] { return t.s->GetHyperlinks()->Add(t.R("A1").get(), "x.xls", "", std::string(256, 't'), "") ? 1 : -1; },
       "at most 255"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    t.wb.ClearLastError();
    EXPECT_EQ(c.run(), -1);
    EXPECT_NE(t.wb.GetLastError().find(c.reason), std::string::npos) << t.wb.GetLastError();
  }
}

TEST(SheetExtras, Excel5LeavesThemOutWithWarningsAndAStrictSaveFails) {
  TSheet t;
  t.s->GetHyperlinks()->Add(t.R("A1").get(), "https://a.example/", "", "", "");
  t.R("B1:B3")->GetValidation()->Add(xlValidateList, 1, 0, "a,b", "");
  t.R("C1")->GetFormatConditions()->Add(xlCellValue, xlEqual, "1", "");
  TMemorySink sink;
  t.wb.BeginWarnings(false);
  ASSERT_EQ(t.wb.SaveStream(sink, 1), 1);
  const std::vector<std::string> w = t.wb.GetWarnings();
  ASSERT_EQ(w.size(), 3u);
  EXPECT_EQ(w[1], "Sheet1!A1: hyperlink to https://a.example/ left out (the text stays)");
  t.wb.BeginWarnings(true);
  TMemorySink strict;
  EXPECT_EQ(t.wb.SaveStream(strict, 1), -1);
  EXPECT_NE(t.wb.GetLastError().find("strict save: Sheet1!C1: conditional format left out"), std::string::npos);
}

}  // namespace
}  // namespace tablirex
