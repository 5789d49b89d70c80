// Hidden sheets and tab colours: who stays active and selected, what is refused,
// the BOUNDSHEET state and the SHEETEXT record, and the Excel 5 warning.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "biff/record_sink.h"
#include "stream_reader.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"

namespace tablirex {
namespace {

using testing::Find;

TEST(HiddenSheets, ActiveAndSelectedSheetsStayVisible) {
  struct TCase {
    const char* steps;  // per character: sheet (1-4) then action: h hide, v very hide, s show, a activate, d delete
    const char* active;
    const char* states;  // per sheet: v visible, h hidden, x very hidden
    bool refused;
  } cases[] = {
      {"1h", "Sheet2", "hvvv", false},        // the next visible sheet takes over
      {"4a4h", "Sheet3", "vvvh", false},      // the last one: the one before
      {"2a1h2v", "Sheet3", "hxvv", false},
      {"1h2h3h4h", "Sheet4", "hhhv", true},   // the last visible sheet stays
      {"2h2a", "Sheet1", "vhvv", true},       // a hidden sheet is never active
      {"1h2h3h4d", "Sheet4", "hhhv", true},   // nor is the last visible one deleted
      {"1h2h3h1s4d", "Sheet1", "vhh", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.steps);
    Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
    IXLSWorkSheets& sheets = *wb->GetWorksheets();
    for (int i = 0; i < 4; ++i) sheets.Add();
    bool refused = false;
    for (const char* p = c.steps; *p; p += 2) {
      IXLSWorksheet* s = nullptr;
      for (std::int32_t i = 1; i <= sheets.GetCount(); ++i)
        if (sheets.Get(i)->GetWorkSheetName() == std::string("Sheet") + p[0]) s = sheets.Get(i);
      ASSERT_NE(s, nullptr);
      wb->ClearLastError();
      switch (p[1]) {
        case 'h': (void)s->SetVisible(xlSheetHidden); break;
        case 'v': (void)s->SetVisible(xlSheetVeryHidden); break;
        case 's': (void)s->SetVisible(xlSheetVisible); break;
        case 'a': s->Activate(); break;
        default: s->Delete(); break;
      }
      refused = refused || !wb->GetLastError().empty();
    }
    EXPECT_EQ(refused, c.refused) << wb->GetLastError();
    EXPECT_EQ(wb->GetActiveSheet()->GetWorkSheetName(), c.active);
    std::string states;
    for (std::int32_t i = 1; i <= sheets.GetCount(); ++i) {
      const IXLSWorksheet* s = sheets.Get(i);
      states += s->GetVisible() == xlSheetVisible ? 'v' : s->GetVisible() == xlSheetHidden ? 'h' : 'x';
      EXPECT_TRUE(s->GetVisible() == xlSheetVisible || !s->IsSelected()) << s->GetWorkSheetName();
    }
    EXPECT_EQ(states, c.states);
  }
}

TEST(HiddenSheets, BoundSheetCarriesTheState) {
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  IXLSWorkSheets& sheets = *wb->GetWorksheets();
  for (int i = 0; i < 3; ++i) sheets.Add();
  ASSERT_EQ(sheets.Get(2)->SetVisible(xlSheetHidden), 1);
  ASSERT_EQ(sheets.Get(3)->SetVisible(xlSheetVeryHidden), 1);
  EXPECT_EQ(sheets.Get(1)->SetVisible(7), -1);
  for (const std::int32_t format : {1, 2}) {
    const auto all = testing::SaveRecords(*wb, format);
    for (std::size_t k = 0; k < 3; ++k) {
      const testing::Record& b = all.at(Find(all, Rec::BOUNDSHEET, k));
      EXPECT_EQ(b.body.at(4), k) << format;  // 0 visible, 1 hidden, 2 very hidden
      EXPECT_EQ(b.body.at(5), 0) << format;  // a worksheet
    }
  }
}

TEST(TabColours, SheetExtInExcel97WarningInExcel5) {
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  IXLSWorksheet& s = *wb->GetWorksheets()->Add();
  const Ref<IXLSTab> tab = s.GetTab();
  EXPECT_EQ(tab->GetColorIndex(), -4142);
  tab->SetColor(0x0000FF);  // red: colour index 3
  EXPECT_EQ(tab->GetColorIndex(), 3);
  EXPECT_EQ(tab->GetColor(), 0x0000FFu);
  tab->SetColorIndex(57);
  EXPECT_NE(wb->GetLastError().find("tab colour index 57"), std::string::npos);
  EXPECT_EQ(tab->GetColorIndex(), 3);

  const auto all = testing::SaveRecords(*wb, 2);
  const std::size_t ext = Find(all, Rec::SHEETEXT);
  ASSERT_NE(ext, SIZE_MAX);
  EXPECT_EQ(all[ext + 1].Name(), "EOF");
  EXPECT_EQ(all[ext].body, (std::vector<std::uint8_t>{0x62, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                      20, 0, 0, 0, 10, 0, 0, 0}));
  EXPECT_TRUE(wb->GetWarnings().empty());

  EXPECT_EQ(Find(testing::SaveRecords(*wb, 1), Rec::SHEETEXT), SIZE_MAX);
  ASSERT_EQ(wb->GetWarnings().size(), 1u);
  EXPECT_NE(wb->GetWarnings()[0].find("tab colour left out"), std::string::npos);
  wb->BeginWarnings(true);
  TMemorySink sink;
  (void)wb->SaveStream(sink, 1);
  EXPECT_NE(wb->StrictFailure().find("tab colour"), std::string::npos);

  tab->SetColorIndex(-4142);
  EXPECT_EQ(Find(testing::SaveRecords(*wb, 2), Rec::SHEETEXT), SIZE_MAX);
}

}  // namespace
}  // namespace tablirex
