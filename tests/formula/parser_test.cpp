#include "formula/parser.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tablirex {
namespace {

// The tree of text as an S-expression, or "FAIL" when lexing or parsing fails.
std::string Tree(const std::string& text) {
  TXLSLexer lexer;
  lexer.SetSource(text);
  if (lexer.Analyse() != 1) return "LEXFAIL";
  TXLSSyntax syntax;
  syntax.SetTokens(&lexer.Tokens());
  const std::int32_t r = syntax.Parse();
  if (r != 1) {
    EXPECT_EQ(syntax.Root(), nullptr);
    return "FAIL";
  }
  return SyntaxToSExpr(*syntax.Root());
}

struct ParseCase {
  const char* text;
  const char* tree;
};

class ParserCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParserCases, Tree) { EXPECT_EQ(Tree(GetParam().text), GetParam().tree) << GetParam().text; }

// The cases, as an array: a variadic list of this length costs the compiler minutes.
const ParseCase kParseCases[] = {
        // Operands.
        ParseCase{"A1", "(ref A1)"},
        ParseCase{"$A$1:B2", "(ref $A$1:B2)"},
        ParseCase{"'My Sheet'!A1", "(ref My Sheet!A1)"},
        ParseCase{"1.5", "(num 1.5)"},
        ParseCase{"\"a\"\"b\"", "(str \"a\"\"b\")"},
        ParseCase{"PI", "(ref PI)"},
        ParseCase{"TRUE", "(bool TRUE)"},
        ParseCase{"false", "(bool false)"},
        ParseCase{"TRUE()", "(call TRUE)"},
        ParseCase{"#N/A", "(err #N/A)"},
        // Calls.
        ParseCase{"PI()", "(call PI)"},
        ParseCase{"SUM()", "(call SUM)"},
        ParseCase{"SUM(A1:B2;C3)", "(call SUM (ref A1:B2) (ref C3))"},
        ParseCase{"IF(A1>0;SUM(B1;2);-1)", "(call IF (> (ref A1) (num 0)) (call SUM (ref B1) (num 2)) (neg (num 1)))"},
        ParseCase{"foo(1)", "(call foo (num 1))"},
        ParseCase{"ERROR.TYPE(A1)", "(call ERROR.TYPE (ref A1))"},
        // "," separates arguments like ";"; inside plain parentheses it joins
        // references into a union.
        ParseCase{"SUM(B1,B2;3)", "(call SUM (ref B1) (ref B2) (num 3))"},
        ParseCase{"IF(B1>0,TRUE,FALSE)", "(call IF (> (ref B1) (num 0)) (bool TRUE) (bool FALSE))"},
        ParseCase{"SUM((A1,B1:C2,D3),1)", "(call SUM (paren (, (, (ref A1) (ref B1:C2)) (ref D3))) (num 1))"},
        ParseCase{"SUM(((A1,B1)),C1)", "(call SUM (paren (paren (, (ref A1) (ref B1)))) (ref C1))"},
        // Left grouping at every level.
        ParseCase{"10-2-3", "(- (- (num 10) (num 2)) (num 3))"},
        ParseCase{"8/4/2", "(/ (/ (num 8) (num 4)) (num 2))"},
        ParseCase{"2^3^2", "(^ (^ (num 2) (num 3)) (num 2))"},
        ParseCase{"1=2=3", "(= (= (num 1) (num 2)) (num 3))"},
        ParseCase{"1-2+3", "(+ (- (num 1) (num 2)) (num 3))"},
        // Precedence: comparison < (+ - &) < (* /) < ^ < sign.
        ParseCase{"1+2*3", "(+ (num 1) (* (num 2) (num 3)))"},
        ParseCase{"1*2+3", "(+ (* (num 1) (num 2)) (num 3))"},
        ParseCase{"1+2=3", "(= (+ (num 1) (num 2)) (num 3))"},
        ParseCase{"A1+1>B1", "(> (+ (ref A1) (num 1)) (ref B1))"},
        ParseCase{"A1&B1+1", "(+ (& (ref A1) (ref B1)) (num 1))"},
        ParseCase{"2*3^2", "(* (num 2) (^ (num 3) (num 2)))"},
        ParseCase{"-2^2", "(^ (neg (num 2)) (num 2))"},
        ParseCase{"2^-1", "(^ (num 2) (neg (num 1)))"},
        ParseCase{"--1", "(neg (neg (num 1)))"},
        ParseCase{"+-A1", "(pos (neg (ref A1)))"},
        ParseCase{"1<>2", "(<> (num 1) (num 2))"},
        ParseCase{"1<=2", "(<= (num 1) (num 2))"},
        ParseCase{"1>=2", "(>= (num 1) (num 2))"},
        ParseCase{"1<2", "(< (num 1) (num 2))"},
        // Parentheses stay in the tree.
        ParseCase{"((A1))", "(paren (paren (ref A1)))"},
        ParseCase{"(1+2)*3", "(* (paren (+ (num 1) (num 2))) (num 3))"},
        // Failures.
        ParseCase{"", "FAIL"},
        ParseCase{"   ", "FAIL"},
        ParseCase{"1+", "FAIL"},
        ParseCase{"-", "FAIL"},
        ParseCase{"(1+2", "FAIL"},
        ParseCase{"1 2", "FAIL"},
        ParseCase{"1)", "FAIL"},
        ParseCase{"()", "FAIL"},
        ParseCase{"SUM(;1)", "(call SUM (missing) (num 1))"},
        ParseCase{"SUM(1;)", "(call SUM (num 1) (missing))"},
        ParseCase{"SUM(1", "FAIL"},
        ParseCase{"SUM(1 2)", "FAIL"},
        ParseCase{"=1", "FAIL"},
        ParseCase{"*2", "FAIL"},
        ParseCase{"A$1(2)", "FAIL"},
        ParseCase{"A1,B1", "FAIL"},
        ParseCase{"(1,2)", "FAIL"},
        ParseCase{"(A1,1+2)", "FAIL"},
        ParseCase{"SUM(1,,2)", "(call SUM (num 1) (missing) (num 2))"},
        // Percent, array constants, intersection, line breaks.
        ParseCase{"-5%^2", "(^ (% (neg (num 5))) (num 2))"},
        ParseCase{"A1*10%", "(* (ref A1) (% (num 10)))"},
        ParseCase{"{1,-2;\"a\",TRUE}", "(array 2 (num 1) (num -2) (str \"a\") (bool TRUE))"},
        ParseCase{"SUM(A1:C3 B2:D4)", "(call SUM (isect (ref A1:C3) (ref B2:D4)))"},
        ParseCase{"A1:C3 Rate +1", "(+ (isect (ref A1:C3) (ref Rate)) (num 1))"},
        ParseCase{"SUM(\r\n A1,\tB1)", "(call SUM (ref A1) (ref B1))"},
        ParseCase{"{1,2;3}", "FAIL"},
        ParseCase{"{1,A1}", "FAIL"},
        ParseCase{"{1,2", "FAIL"},
        ParseCase{"{}", "FAIL"}
};

INSTANTIATE_TEST_SUITE_P(
    Formula, ParserCases,
    ::testing::ValuesIn(kParseCases));

// Failures say what is wrong and where.
TEST(FormulaParser, FailuresNameTheFaultAndItsPosition) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "empty formula"},
      {"1+", "expected an operand, found the end of the formula"},
      {"(1+2", "expected \")\" to close the \"(\" at position 1, found the end of the formula"},
      {"SUM(1 2)", "expected \")\" to close the call of SUM (at position 1), found \"2\" at position 7"},
      {"1 2", "unexpected \"2\" after a complete expression at position 3"},
      {"1)", "\")\" without a matching \"(\" at position 2"},
      {"SUM(1;*2)", "expected an operand, found \"*\" at position 7"},
      {"{1;2,3}", "the rows of the array constant opened at position 1 differ in length at position 7"},
      {"A1,B1", "\",\" outside the arguments of a function (a union of references needs parentheses: (A1,B2)) at position 3"},
      {"(1,A1)", "a union joins references only; \",\" follows a non-reference at position 3"},
      {"== Totals", "expected an operand, found \"=\" at position 1"},
  };
  for (const auto& [text, error] : cases) {
    TXLSLexer lexer;
    lexer.SetSource(text);
    ASSERT_EQ(lexer.Analyse(), 1) << text;
    TXLSSyntax syntax;
    syntax.SetTokens(&lexer.Tokens());
    EXPECT_EQ(syntax.Parse(), -1) << text;
    EXPECT_EQ(syntax.Error(), error) << text;
  }
}

TEST(FormulaParser, ChildrenKnowTheirParent) {
  TXLSLexer lexer;
  lexer.SetSource("SUM(1;2)");
  ASSERT_EQ(lexer.Analyse(), 1);
  TXLSSyntax syntax;
  syntax.SetTokens(&lexer.Tokens());
  ASSERT_EQ(syntax.Parse(), 1);
  const TXLSSyntaxItem* root = syntax.Root();
  ASSERT_EQ(root->Count(), 2);
  EXPECT_EQ(root->Parent(), nullptr);
  EXPECT_EQ(root->GetChild(2)->Parent(), root);
  EXPECT_EQ(root->GetChild(0), nullptr);
  EXPECT_EQ(root->GetChild(3), nullptr);
  EXPECT_EQ(root->Height(), 2);
}

TEST(FormulaParser, AFailedParseDropsTheEarlierTree) {
  TXLSLexer lexer;
  lexer.SetSource("1+2");
  ASSERT_EQ(lexer.Analyse(), 1);
  TXLSSyntax syntax;
  syntax.SetTokens(&lexer.Tokens());
  ASSERT_EQ(syntax.Parse(), 1);
  lexer.SetSource("1+");
  ASSERT_EQ(lexer.Analyse(), 1);
  EXPECT_EQ(syntax.Parse(), -1);
  EXPECT_EQ(syntax.Root(), nullptr);
}

// Nesting and operator chains are bounded so that no recursion over the tree can
// exhaust the stack; formulas just inside the bound still parse.
TEST(FormulaParser, DepthIsBounded) {
  const std::int32_t n = TXLSSyntax::kMaxDepth;
  const std::int32_t m = TXLSSyntax::kMaxNesting;
  struct Case {
    std::string text;
    bool ok;
  };
  const auto repeat = [](const std::string& s, std::int32_t k) {
    std::string out;
    for (std::int32_t i = 0; i < k; ++i) out += s;
    return out;
  };
  const Case cases[] = {
      {repeat("(", m - 1) + "1" + repeat(")", m - 1), true},
      {repeat("(", m) + "1" + repeat(")", m), false},
      {repeat("(", 100000) + "1", false},
      {repeat("-", m - 1) + "1", true},
      {repeat("-", 100000) + "1", false},
      {"1" + repeat("+1", n - 1), true},
      {"1" + repeat("+1", 100000), false},
      // Calls nest 64 deep at most, as the spreadsheet application reads them.
      {repeat("ABS(", TXLSSyntax::kMaxCallNesting) + "1" + repeat(")", TXLSSyntax::kMaxCallNesting), true},
      {repeat("ABS(", TXLSSyntax::kMaxCallNesting + 1) + "1" + repeat(")", TXLSSyntax::kMaxCallNesting + 1), false},
      {repeat("ABS((", 60) + "1" + repeat("))", 60), true},
      {repeat("ABS((", m) + "1" + repeat("))", m), false},
  };
  for (const Case& c : cases) {
    const std::string tree = Tree(c.text);
    EXPECT_EQ(tree != "FAIL", c.ok) << c.text.substr(0, 40) << "... length " << c.text.size();
  }
}

}  // namespace
}  // namespace tablirex
