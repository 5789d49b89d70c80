#include "formula/lexer.h"

#include <gtest/gtest.h>

#include <string>

namespace tablirex {
namespace {

// Tokens as "kind[value]" separated by blanks; "FAIL" when Analyse fails.
std::string Lex(const std::string& text) {
  TXLSLexer lexer;
  lexer.SetSource(text);
  if (lexer.Analyse() != 1) return "FAIL";
  std::string out;
  const TXLSTokens& t = lexer.Tokens();
  for (std::int32_t i = 0; i < t.Count(); ++i) {
    if (!out.empty()) out.push_back(' ');
    out += std::to_string(static_cast<int>(t[i].kind)) + "[" + t[i].value + "]";
  }
  return out;
}

struct LexCase {
  const char* text;
  const char* tokens;
};

class LexerCases : public ::testing::TestWithParam<LexCase> {};

TEST_P(LexerCases, Tokens) { EXPECT_EQ(Lex(GetParam().text), GetParam().tokens) << GetParam().text; }

// The cases, as an array: a variadic list of this length costs the compiler minutes.
const LexCase kLexCases[] = {
        // Worked examples.
        LexCase{"SUM(A1:B2;C3)", "1[SUM] 4[(] 11[A1:B2] 6[;] 1[C3] 5[)]"},
        LexCase{"'My Sheet'!$A$1*2", "20[My Sheet!$A$1] 9[*] 2[2]"},
        LexCase{"\"say \"\"hi\"\"\"&A1", "3[say \"hi\"] 12[&] 1[A1]"},
        LexCase{"A1>=10", "1[A1] 17[>=] 2[10]"},
        // Every single-character operator and the two-character comparisons.
        LexCase{"(1);+-*/^=&", "4[(] 2[1] 5[)] 6[;] 7[+] 8[-] 9[*] 10[/] 19[^] 13[=] 12[&]"},
        LexCase{"<><=<>=>", "14[<>] 18[<=] 14[<>] 13[=] 15[>]"},
        LexCase{"A1<>=B1", "1[A1] 14[<>] 13[=] 1[B1]"},
        LexCase{"a<b", "1[a] 16[<] 1[b]"},
        // Blanks separate and vanish.
        LexCase{"", ""},
        LexCase{"   ", ""},
        LexCase{" SUM ( A1 ) ", "1[SUM] 4[(] 1[A1] 5[)]"},
        // Numbers: one ".", an exponent; names go on over an inner ".".
        LexCase{".5", "2[.5]"},
        LexCase{"5.", "2[5.]"},
        LexCase{"1E5", "2[1E5]"},
        LexCase{"1.5e-3*2", "2[1.5E-3] 9[*] 2[2]"},
        LexCase{"2E+3", "2[2E+3]"},
        LexCase{"1E", "2[1] 1[E]"},
        LexCase{"1Ex", "2[1] 1[Ex]"},
        LexCase{"1.2.3", "FAIL"},
        LexCase{".", "FAIL"},
        LexCase{"..", "FAIL"},
        LexCase{"1.5.E3", "FAIL"},
        LexCase{"1E5.5", "FAIL"},
        LexCase{"ERROR.TYPE(A1)", "1[ERROR.TYPE] 4[(] 1[A1] 5[)]"},
        LexCase{"A.", "FAIL"},
        // Commas, error constants in any case.
        LexCase{"A1,B1", "1[A1] 21[,] 1[B1]"},
        LexCase{"#N/A+#div/0!", "22[#N/A] 7[+] 22[#DIV/0!]"},
        LexCase{"#NULL!#VALUE!#REF!#NAME?#NUM!", "22[#NULL!] 22[#VALUE!] 22[#REF!] 22[#NAME?] 22[#NUM!]"},
        LexCase{"#N/B", "FAIL"},
        // References: "$" or ":" makes one; "!" makes a sheet-qualified one.
        LexCase{"$A$1:$B$2", "11[$A$1:$B$2]"},
        LexCase{"a1", "1[a1]"},
        LexCase{"A$1", "11[A$1]"},
        LexCase{"my_name2", "1[my_name2]"},
        LexCase{"Sheet1!A1:B2", "20[Sheet1!A1:B2]"},
        LexCase{"Sheet1:Sheet3!A1", "11[Sheet1:Sheet3!A1]"},
        LexCase{"'a b':'c d'!A1", "20[a b:c d!A1]"},
        LexCase{"'it''s'!A1", "20[it's!A1]"},
        LexCase{"'a''''b'!A1", "20[a''b!A1]"},
        LexCase{"'x'", "20[x]"},
        LexCase{"$A1+'S 1'!B2", "11[$A1] 7[+] 20[S 1!B2]"},
        // Strings keep everything between the quotes, UTF-8 included.
        LexCase{"\"\"", "3[]"},
        LexCase{"\"a;b(c)'\"", "3[a;b(c)']"},
        LexCase{"\"\xC3\xA9t\xC3\xA9\"", "3[\xC3\xA9t\xC3\xA9]"},
        LexCase{"\"\"\"\"", "3[\"]"},
        // Failures: a character that starts no token, unclosed quotes.
        LexCase{"10%", "2[10] 23[%]"},
        LexCase{"A1\tB1", "1[A1] 1[B1]"},
        LexCase{"A1\n", "1[A1]"},
        LexCase{"{1,2;3,4}", "24[{] 2[1] 21[,] 2[2] 6[;] 2[3] 21[,] 2[4] 25[}]"},
        LexCase{"{1}", "24[{] 2[1] 25[}]"},
        LexCase{"!A1", "FAIL"},
        LexCase{"\xC3\xA9", "FAIL"},
        LexCase{"\"abc", "FAIL"},
        LexCase{"\"abc\"\"", "FAIL"},
        LexCase{"'Sheet 1!A1", "FAIL"}
};

INSTANTIATE_TEST_SUITE_P(
    Formula, LexerCases,
    ::testing::ValuesIn(kLexCases));

// Failures say what is wrong and where; positions count from 1 + the offset given.
TEST(FormulaLexer, FailuresNameTheFaultAndItsPosition) {
  const struct {
    const char* text;
    std::int32_t offset;
    const char* error;
  } cases[] = {
      {"1+2@", 0, "unexpected character \"@\" at position 4"},
      {"1+2@", 1, "unexpected character \"@\" at position 5"},
      {"A1+\"abc", 0, "unclosed string constant at position 4"},
      {"'Sheet 1!A1", 0, "unclosed quoted sheet name at position 1"},
      {"SUM(1.2.3)", 0, "malformed number \"1.2.3\" at position 5"},
      {"#N/B", 0, "unknown error constant at position 1"},
      {"A1\x01" "B1", 0, "unexpected character (byte 1) at position 3"},
  };
  for (const auto& c : cases) {
    TXLSLexer lexer;
    lexer.SetSource(c.text, c.offset);
    EXPECT_EQ(lexer.Analyse(), -1) << c.text;
    EXPECT_EQ(lexer.Error(), c.error) << c.text;
  }
}

TEST(FormulaLexer, KeepsTokensFoundBeforeAFailure) {
  TXLSLexer lexer;
  lexer.SetSource("1+2@");
  EXPECT_EQ(lexer.Analyse(), -1);
  EXPECT_EQ(lexer.Tokens().Count(), 3);
  // A new source starts from an empty list.
  lexer.SetSource("7");
  EXPECT_EQ(lexer.Analyse(), 1);
  ASSERT_EQ(lexer.Tokens().Count(), 1);
  EXPECT_EQ(lexer.Tokens()[0].value, "7");
}

TEST(FormulaLexer, SymbolsOutsideTheTextAreZero) {
  TXLSLexer lexer;
  lexer.SetSource("ab");
  EXPECT_EQ(lexer.GetSymbol(-1), '\0');
  EXPECT_EQ(lexer.GetSymbol(0), 'a');
  EXPECT_EQ(lexer.GetSymbol(1), 'b');
  EXPECT_EQ(lexer.GetSymbol(2), '\0');
  lexer.Next();
  lexer.Next();
  EXPECT_TRUE(lexer.GetEof());
}

TEST(FormulaLexer, CursorRunsOffBothEndsAndStaysOff) {
  TXLSTokens t;
  EXPECT_TRUE(t.AtEnd());
  EXPECT_EQ(t.GetTokenType(), TXLSTokenKind::None);
  t.AddToken(TXLSTokenKind::Number, "1");
  EXPECT_FALSE(t.AtEnd());  // the first token becomes current
  t.AddToken(TXLSTokenKind::Plus, "+");
  t.AddToken(TXLSTokenKind::Number, "2");
  ASSERT_NE(t.GetToken(2), nullptr);
  EXPECT_EQ(t.GetToken(2)->value, "2");
  EXPECT_EQ(t.GetToken(3), nullptr);
  EXPECT_EQ(t.GetToken(-1), nullptr);
  t.Next();
  t.Next();
  EXPECT_EQ(t.GetTokenValue(), "2");
  EXPECT_EQ(t.GetToken(-2)->value, "1");
  t.Next();
  EXPECT_TRUE(t.AtEnd());
  EXPECT_EQ(t.GetTokenValue(), "");
  t.Prev();  // off the list stays off
  EXPECT_TRUE(t.AtEnd());
  t.GoToFirst();
  t.Prev();
  EXPECT_TRUE(t.AtEnd());
  EXPECT_EQ(t.GetToken(0), nullptr);
}

}  // namespace
}  // namespace tablirex
