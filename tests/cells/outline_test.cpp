// Outline grouping: levels, collapsing and expanding (nested groups kept as they
// were), summary rows above, shown levels, refusals, and the ROW, COLINFO, GUTS
// and WSBOOL records that carry them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cells/rowcol.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"
#include "../workbook/stream_reader.h"

namespace tablirex {
namespace {

// Rows 1 … 10 as "level, h when hidden, c when collapsed": "0 1 2h 2h 1c ...".
std::string Rows(IXLSWorksheet& s) {
  std::string out;
  for (std::int32_t r = 0; r < 10; ++r) {
    const TXLSRowInfo* info = s.RowInfo().GetRowInfo(r);
    out += (r ? " " : "") + std::to_string(info ? info->OutlineLevel : 0);
    if (s.RowInfo().GetHidden(r)) out += "h";
    if (info && info->Collapsed) out += "c";
  }
  return out;
}

TEST(Outline, GroupsCollapseAndExpand) {
  struct TStep {
    const char* range;
    char what;  // 'g' group, 'u' ungroup, '-' collapse, '+' expand, 'a' summary rows above, 'L' show levels 2
  };
  struct TCase {
    std::vector<TStep> steps;
    const char* rows;
  } cases[] = {
      {{{"2:5", 'g'}}, "0 1 1 1 1 0 0 0 0 0"},
      {{{"2:5", 'g'}, {"3:4", 'g'}}, "0 1 2 2 1 0 0 0 0 0"},
      {{{"2:5", 'g'}, {"2:5", '-'}}, "0 1h 1h 1h 1h 0c 0 0 0 0"},
      {{{"2:5", 'g'}, {"6:6", '-'}}, "0 1h 1h 1h 1h 0c 0 0 0 0"},  // its summary row
      {{{"2:5", 'g'}, {"3:3", '-'}}, "0 1h 1h 1h 1h 0c 0 0 0 0"},  // a row inside it
      {{{"2:5", 'g'}, {"2:5", '-'}, {"2:5", '+'}}, "0 1 1 1 1 0 0 0 0 0"},
      // Expanding the outer group leaves the collapsed inner one as it was.
      {{{"2:6", 'g'}, {"3:4", 'g'}, {"3:4", '-'}, {"2:6", '-'}, {"2:6", '+'}}, "0 1 2h 2h 1c 1 0 0 0 0"},
      {{{"2:6", 'g'}, {"3:4", 'g'}, {"5:5", '-'}}, "0 1 2h 2h 1c 1 0 0 0 0"},  // summary of the inner one
      {{{"1:1", 'a'}, {"3:5", 'g'}, {"3:5", '-'}}, "0 0c 1h 1h 1h 0 0 0 0 0"},
      {{{"2:5", 'g'}, {"2:5", 'u'}}, "0 0 0 0 0 0 0 0 0 0"},
      {{{"2:7", 'g'}, {"3:6", 'g'}, {"4:5", 'g'}, {"1:1", 'L'}}, "0 1 2h 3h 3h 2hc 1c 0 0 0"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.rows);
    Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
    IXLSWorksheet& s = *wb->GetWorksheets()->Add();
    for (const TStep& st : c.steps) {
      const Ref<IXLSRange> r = s.Range(st.range);
      std::int32_t result = 1;
      switch (st.what) {
        case 'g': result = r->Group(); break;
        case 'u': result = r->Ungroup(); break;
        case '-': result = r->SetShowDetail(false); break;
        case '+': result = r->SetShowDetail(true); break;
        case 'a': s.GetOutline()->SetSummaryRow(xlSummaryAbove); break;
        default: result = s.GetOutline()->ShowLevels(2, 0); break;
      }
      EXPECT_EQ(result, 1) << st.range << " " << st.what << ": " << wb->GetLastError();
    }
    EXPECT_EQ(Rows(s), c.rows);
  }
}

TEST(Outline, RefusalsNameTheirReason) {
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  IXLSWorksheet& s = *wb->GetWorksheets()->Add();
  for (int i = 0; i < 7; ++i) ASSERT_EQ(s.Range("2:3")->Group(), 1);
  const struct {
    std::int32_t result;
    const char* reason;
  } cases[] = {
      {s.Range("3:4")->Group(), "row 3 is grouped 7 levels deep"},
      {s.Range("A1:B2")->Group(), "whole rows (2:5) or whole columns (B:D)"},
      {s.Range("E:F")->Ungroup(), "columns E to F: they are in no group"},
      {s.Range("9:9")->SetShowDetail(false), "row 9 is in no group"},
      {s.GetOutline()->ShowLevels(9, 0), "outside 0 to 8"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, -1) << c.reason;
  wb->ClearLastError();
  EXPECT_TRUE(s.Range("9:9")->GetShowDetail().IsEmptyOrNull());
  EXPECT_NE(wb->GetLastError().find("row 9 is in no group"), std::string::npos) << wb->GetLastError();
  s.GetOutline()->SetSummaryRow(5);
  EXPECT_NE(wb->GetLastError().find("summary row 5"), std::string::npos);
  EXPECT_EQ(s.GetOutline()->GetSummaryRow(), xlSummaryBelow);
}

TEST(Outline, RecordsCarryLevelsAndSettings) {
  using testing::Find;
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  IXLSWorksheet& s = *wb->GetWorksheets()->Add();
  ASSERT_EQ(s.Range("2:4")->Group(), 1);
  ASSERT_EQ(s.Range("3:3")->Group(), 1);
  ASSERT_EQ(s.Range("2:4")->SetShowDetail(false), 1);
  s.GetOutline()->SetSummaryColumn(xlSummaryOnLeft);
  ASSERT_EQ(s.Range("C:D")->Group(), 1);
  ASSERT_EQ(s.Range("C:D")->SetShowDetail(false), 1);
  for (const std::int32_t format : {1, 2}) {
    SCOPED_TRACE(format);
    const auto all = testing::SaveRecords(*wb, format);
    const std::size_t guts = Find(all, Rec::GUTS);
    ASSERT_NE(guts, SIZE_MAX);
    EXPECT_EQ(all[guts].body, (std::vector<std::uint8_t>{43, 0, 29, 0, 3, 0, 2, 0}));
    EXPECT_EQ(all[guts + 1].Name(), "WSBOOL");
    EXPECT_EQ(all[guts + 1].Word(0), 0x0441);  // summary rows below, columns left
    // ROW option flags: level, collapsed 0x10, hidden 0x20, always 0x100.
    std::vector<std::uint16_t> rows;
    for (std::size_t i = Find(all, Rec::ROW); i < all.size() && all[i].Name() == "ROW"; ++i)
      rows.push_back(all[i].Word(12));
    EXPECT_EQ(rows, (std::vector<std::uint16_t>{0x121, 0x122, 0x121, 0x110}));
    // COLINFO: level in bits 8-10, collapsed 0x1000, hidden 1; the summary column B.
    std::vector<std::uint16_t> cols;
    for (std::size_t i = Find(all, Rec::COLINFO); all[i].Name() == "COLINFO"; ++i) cols.push_back(all[i].Word(8));
    EXPECT_EQ(cols, (std::vector<std::uint16_t>{0x1000, 0x101, 0x101}));
  }
  // Without groups the sheet has no GUTS and WSBOOL keeps its usual value.
  Ref<TXLSWorkbook> plain = MakeRef<TXLSWorkbook>();
  plain->GetWorksheets()->Add();
  const auto all = testing::SaveRecords(*plain, 2);
  EXPECT_EQ(Find(all, Rec::GUTS), SIZE_MAX);
  EXPECT_EQ(all[Find(all, Rec::WSBOOL)].Word(0), 0x04C1);
}

}  // namespace
}  // namespace tablirex
