// The fast compile road makes exactly the code of the full road (lexer, parser,
// code builder) for every formula it takes, and leaves the rest to it.
#include <gtest/gtest.h>

#include "../eval/corpus.h"
#include "formula/formula.h"
#include "formula/formula_code.h"
#include "tablirex/result.h"

namespace tablirex {
namespace {

std::string Describe(const TFormulaCode& code) {
  std::string out;
  for (const TCodeItem& i : code.items) {
    out += std::to_string(static_cast<int>(i.op)) + "/" + std::to_string(i.cls) + "/" + std::to_string(i.flags) + "/" +
           std::to_string(i.argc) + "/" + std::to_string(i.row1) + "," + std::to_string(i.col1) + "," +
           std::to_string(i.row2) + "," + std::to_string(i.col2) + "@" + std::to_string(i.pos);
    if (i.text >= 0) out += "'" + code.texts[static_cast<std::size_t>(i.text)] + "'";
    out += " ";
  }
  return out;
}

TEST(QuickFormulaCode, MatchesTheFullRoad) {
  std::vector<std::string> formulas = {
      "A1*2+1", "SUM(A$1:A20000)", "-2^2", "2^3^2", "1-2-3", "(1+2)*3", "A1<>B1", "A1>=10", "\"a\"\"b\"&C3",
      "IF(A1>0,\"yes\",\"no\")", "TRUE", "true()", "SUMPRODUCT(A1:A3*B1:B3,C1:C3)", "$IV$65536", "iv1+a65536",
      "ROUND(A1/3;2)", "SUM()", "PI()*2", "1E3+1.5e-3+.5+5.", "-A1", "+A1", "--A1", "NOT(A1=B1)",
      "SUM(A1,B2,C3:D4)", "MAX(MIN(A1:A3),1)*(B2-C2)/2",
      // Left to the full road: spaces, sheets, names, %, arrays, errors, unions,
      // missing arguments, cells past the sheet, unknown functions.
      "A1 +1", "Sheet1!A1", "Rate*2", "5%", "{1,2}", "#N/A", "SUM((A1,B1))", "IF(A1,,1)", "IW1", "A65537",
      "FOO(1)", "A1:B2:C3", "1.2.3", "SUM(1", "", "\"caf\xc3\xa9\""};
  for (const auto& c : testing::LoadCorpus(std::string(TABLIREX_SOURCE_DIR) + "/tests/eval/corpus"))
    formulas.push_back(c.formula.substr(1));
  TXLSFormula full;
  std::size_t quick = 0;
  for (const std::string& f : formulas) {
    TFormulaCode a, b;
    if (!QuickFormulaCode(f, full.Functions(), 2, 1, a)) continue;
    ++quick;
    ASSERT_EQ(full.Check(f, 2, 1), xlsOK) << f << ": " << full.Error();
    ASSERT_TRUE(full.MakeCode(b)) << f;
    EXPECT_EQ(Describe(a), Describe(b)) << f;
    EXPECT_EQ(a.source, f);
  }
  // The road is taken by most of them.
  EXPECT_GT(quick, formulas.size() / 2);
  for (const char* f : {"A1 +1", "Sheet1!A1", "Rate*2", "5%", "{1,2}", "IF(A1,,1)", "IW1", "A65537", "FOO(1)"}) {
    TFormulaCode a;
    EXPECT_FALSE(QuickFormulaCode(f, full.Functions(), 2, 1, a)) << f;
  }
}

// What the cells keep (the code and its items in one block) is the code as
// compiled, outlives it, and copies of it are lists of their own.
TEST(KeepFormulaCode, KeepsEveryPartAndCopiesOwnTheirItems) {
  TXLSFormula full;
  for (const auto& c : testing::LoadCorpus(std::string(TABLIREX_SOURCE_DIR) + "/tests/eval/corpus")) {
    const std::string f = c.formula.substr(1);
    if (full.Check(f, 2, 1) != xlsOK) continue;
    auto made = std::make_unique<TFormulaCode>();
    ASSERT_TRUE(full.MakeCode(*made)) << f;
    made->source = f;
    const std::string expected = Describe(*made);
    const std::size_t consts = made->consts.size();
    const bool arrays = made->hasArrays;
    const std::shared_ptr<const TFormulaCode> kept = KeepFormulaCode(*made);
    made.reset();
    EXPECT_EQ(Describe(*kept), expected) << f;
    EXPECT_EQ(kept->source, f);
    EXPECT_EQ(kept->consts.size(), consts) << f;
    EXPECT_EQ(kept->hasArrays, arrays) << f;
    EXPECT_TRUE(kept->compiled);
    TFormulaCode copy = *kept;
    copy.items.push_back(TCodeItem{});
    copy.items[0].row1 += 7;
    EXPECT_EQ(Describe(*kept), expected) << f;
    copy.items.clear();
    EXPECT_EQ(Describe(*kept), expected) << f;
  }
}

}  // namespace
}  // namespace tablirex
