// The engine at save: results in the FORMULA records of both versions, STRING
// records after text results, the flags that ask for recalculation, long chains,
// circular references and their warnings.
#include <gtest/gtest.h>

#include <cstdio>

#include "../workbook/stream_reader.h"
#include "corpus.h"
#include "eval/engine.h"
#include "tablirex/range.h"

namespace tablirex::testing {
namespace {

// Every FORMULA record whose result is a text is followed by its STRING record,
// and every STRING record follows one. Returns the texts in order.
std::vector<std::string> CheckStringRecords(const std::vector<Record>& all, bool biff5) {
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Record& r = all[i];
    if (r.type == RecNo(Rec::STRING)) {
      EXPECT_TRUE(i > 0 && all[i - 1].type == RecNo(Rec::FORMULA) && all[i - 1].body[6] == 0 &&
                  all[i - 1].Word(12) == 0xFFFF)
          << "a STRING record at " << r.offset << " follows no text result";
      continue;
    }
    if (r.type != RecNo(Rec::FORMULA) || r.Word(12) != 0xFFFF || r.body[6] != 0) continue;
    EXPECT_TRUE(i + 1 < all.size() && all[i + 1].type == RecNo(Rec::STRING))
        << "the text result at " << r.offset << " has no STRING record";
    if (i + 1 >= all.size()) break;
    const Record& s = all[i + 1];
    const std::uint16_t n = s.Word(0);
    std::string t;
    if (biff5 || s.body[2] == 0) {
      const std::size_t at = biff5 ? 2 : 3;
      t.assign(s.body.begin() + static_cast<std::ptrdiff_t>(at), s.body.begin() + static_cast<std::ptrdiff_t>(at + n));
    } else {
      for (std::size_t k = 0; k < n; ++k) t.push_back(static_cast<char>(s.Word(3 + 2 * k)));
    }
    texts.push_back(t);
  }
  return texts;
}

TEST(FormulaResults, RecordsCarryEveryKindInBothVersions) {
  TXLSWorkbook book;
  IXLSWorksheet* s = book.GetWorksheets()->Add();
  s->Range("A1")->SetValue(TVariant(2.0));
  const char* formulas[] = {"=A1*3", "=\"ab\"&A1", "=A1>1", "=1/0", "=\"\"", "=NOW()", "=B7", "=B7+1"};
  for (int i = 0; i < 8; ++i) s->Range("B" + std::to_string(i + 1))->SetValue(TVariant(std::string(formulas[i])));
  for (const std::int32_t format : {1, 2}) {
    book.BeginWarnings(false);
    const auto all = SaveRecords(book, format);
    ASSERT_FALSE(all.empty());
    std::vector<const Record*> f;
    for (const Record& r : all)
      if (r.type == RecNo(Rec::FORMULA)) f.push_back(&r);
    ASSERT_EQ(f.size(), 8u);
    EXPECT_EQ(f[0]->Double(6), 6.0);
    EXPECT_EQ(f[0]->Word(14), 0x0000);
    EXPECT_EQ(f[2]->body[6], 1);  // boolean TRUE
    EXPECT_EQ(f[2]->body[8], 1);
    EXPECT_EQ(f[3]->body[6], 2);  // error #DIV/0!
    EXPECT_EQ(f[3]->body[8], 0x07);
    // An empty text: its own mark in Excel 97, an empty STRING record in Excel 5.
    EXPECT_EQ(f[4]->body[6], format == 2 ? 3 : 0);
    EXPECT_EQ(f[5]->Word(14), 0x0003);  // NOW(): worked out again whenever and on load
    EXPECT_EQ(f[6]->body[6], 2);        // B7 names itself: #N/A, worked out on load
    EXPECT_EQ(f[6]->body[8], 0x2A);
    EXPECT_EQ(f[6]->Word(14), 0x0002);
    EXPECT_EQ(f[7]->Word(14), 0x0002);  // depends on the circle
    const auto texts = CheckStringRecords(all, format == 1);
    EXPECT_EQ(texts, (format == 2 ? std::vector<std::string>{"ab2"} : std::vector<std::string>{"ab2", ""}));
    const auto w = book.GetWarnings();
    ASSERT_EQ(w.size(), 2u) << format << ": " << (w.empty() ? "" : w.back());
    EXPECT_EQ(w[0], "Sheet1!B7: circular reference: no result stored; the formula is worked out when the file is opened");
    EXPECT_NE(w[1].find("Sheet1!B8: no result stored (it depends on Sheet1!B7, which has no result)"), std::string::npos)
        << w[1];
  }
  // A strict save refuses a file with a formula left without its result.
  const std::string path = ::testing::TempDir() + "formula_results_strict.xls";
  std::remove(path.c_str());
  EXPECT_EQ(book.SaveAs(path, 2, true), -1);
  EXPECT_NE(book.GetLastError().find("circular reference"), std::string::npos) << book.GetLastError();
  EXPECT_NE(std::fopen(path.c_str(), "rb") != nullptr, true);
}

TEST(FormulaResults, LongChainsAndRunningTotals) {
  // 65,536 formulas, each naming the one above: worked out in order, no recursion.
  TXLSWorkbook book;
  IXLSWorksheet* s = book.GetWorksheets()->Add();
  s->WriteNumber(0, 0, 1.0);
  for (std::uint32_t r = 1; r < 65536; ++r)
    s->WriteFormula(static_cast<std::uint16_t>(r), 0, "A" + std::to_string(r) + "+1");
  // A running total down a column (kept from row to row).
  for (std::uint32_t r = 0; r < 2000; ++r)
    s->WriteFormula(static_cast<std::uint16_t>(r), 1, "SUM(A$1:A" + std::to_string(r + 1) + ")");
  ASSERT_EQ(book.BeginEvaluation(), 1);
  const eval::TFormulaResult* last = book.Evaluation()->Result(0, 65535, 0);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->value.Num(), 65536.0);
  EXPECT_EQ(book.Evaluation()->Result(0, 1999, 1)->value.Num(), 2000.0 * 2001 / 2);
  EXPECT_EQ(book.Evaluation()->Result(0, 99, 1)->value.Num(), 5050.0);
  book.EndEvaluation();
  EXPECT_TRUE(book.GetWarnings().empty());
}

TEST(FormulaResults, KeptCodeFollowsSheetsAndNames) {
  // The formula is compiled once, when set; the save looks its sheets and names
  // up again: the name before the one it uses goes.
  TXLSWorkbook book;
  IXLSWorksheet* a = book.GetWorksheets()->Add();
  IXLSWorksheet* b = book.GetWorksheets()->Add();
  b->SetWorkSheetName("Prices");
  b->Range("A1")->SetValue(TVariant(5.0));
  ASSERT_NE(book.GetNames()->Add("Alpha", "=1"), nullptr);
  ASSERT_NE(book.GetNames()->Add("Tax", "=Prices!$A$1"), nullptr);
  a->Range("A1")->SetValue(TVariant(std::string("=Prices!A1*Tax")));
  ASSERT_EQ(book.GetNames()->GetItem("Alpha")->Delete(), 1);
  const auto all = SaveRecords(book, 2);
  const std::size_t formula = Find(all, Rec::FORMULA);
  ASSERT_NE(formula, SIZE_MAX);
  const Record& f = all[formula];
  EXPECT_EQ(f.Double(6), 25.0);
  EXPECT_EQ(f.body[22 + 7], 0x63);     // the name token, after the 3-D reference
  EXPECT_EQ(f.Word(22 + 8), 1);        // Tax is now the first NAME record
  // A name the formula uses that is deleted fails the save, naming the cell.
  ASSERT_EQ(book.GetNames()->GetItem("Tax")->Delete(), 1);
  TMemorySink sink;
  EXPECT_EQ(book.SaveStream(sink, 2), -1);
  EXPECT_NE(book.GetLastError().find("unknown name \"Tax\""), std::string::npos) << book.GetLastError();
}

}  // namespace
}  // namespace tablirex::testing
