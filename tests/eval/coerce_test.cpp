#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "eval/eval_value.h"
#include "fake_context.h"

namespace tablirex::eval {
namespace {

std::u16string U(std::string_view s) { return std::u16string(s.begin(), s.end()); }
TValue T(std::string_view s) { return TValue::Text(U(s)); }
TValue N(double v) { return TValue::Number(v); }
TValue B(bool v) { return TValue::Boolean(v); }

TEST(Coerce, TextsAsNumbers) {
  // text, expected number; NAN for #VALUE!, INFINITY for a form the caller cannot read faithfully
  struct Case { const char* text; double expected; };
  const Case cases[] = {
      {"12", 12}, {" 12 ", 12}, {"-1.5", -1.5}, {"+.5", 0.5}, {"1e3", 1000}, {"1.5E-2", 0.015},
      {"1,000", 1000}, {"1,234,567.5", 1234567.5}, {"(12)", -12}, {"$1,000.50", 1000.5}, {"-$5", -5},
      {"$-5", -5}, {"50%", 0.5}, {"12.5 %", 0.125}, {"", NAN}, {"abc", NAN}, {"1,00", INFINITY},
      {"12a", NAN}, {"TRUE", NAN}, {"1e", NAN}, {"--1", NAN}, {"$", NAN}, {".", NAN}, {"1e999", NAN},
      {"2026-01-31", 46053}, {"2026/1/31", 46053}, {"1/31/2026", 46053}, {"1/31/26", 46053},
      {"1/1/30", 10959}, {"31-Jan-2026", 46053}, {"31 January 2026", 46053}, {"Jan 31, 2026", 46053},
      {"January 2026", 46023}, {"2/29/1900", 60}, {"3/1/1900", 61}, {"1/1/1900", 1}, {"2/29/2026", NAN},
      {"12/31/1899", NAN}, {"13/1/2026", NAN}, {"1/31", INFINITY}, {"31-Jan", INFINITY},
      {"31.1.2026", INFINITY}, {"1 1/2", INFINITY}, {"1 2", NAN}, {"12:30", 0.5208333333333334}, {"12:30:45", 45045.0 / 86400},
      {"1:30 PM", 0.5625}, {"12:00 am", 0}, {"25:00", 25.0 / 24}, {"12:60", NAN}, {"13:00 PM", NAN},
      {"2026-01-31 06:00", 46053.25}, {"1/31/2026 6:00 PM", 46053.75},
  };
  for (const Case& c : cases) {
    double v = 0;
    const TTextNumber r = ParseNumberText(U(c.text), false, v);
    if (std::isnan(c.expected)) {
      EXPECT_EQ(r, TTextNumber::NotNumber) << c.text << " read as " << v;
      EXPECT_TRUE(ToNumber(T(c.text)).IsError()) << c.text;
    } else if (std::isinf(c.expected)) {
      EXPECT_EQ(r, TTextNumber::Unsure) << c.text;
    } else {
      ASSERT_EQ(r, TTextNumber::Number) << c.text;
      EXPECT_NEAR(v, c.expected, 1e-12) << c.text;
    }
  }
  double v = 0;
  EXPECT_EQ(ParseNumberText(u"2026-01-31", true, v), TTextNumber::Number);
  EXPECT_EQ(v, 46053 - 1462);
  EXPECT_EQ(ParseNumberText(u"2/29/1900", true, v), TTextNumber::NotNumber);
  EXPECT_EQ(ToNumber(TValue()).Num(), 0);
  EXPECT_EQ(ToNumber(B(true)).Num(), 1);
  EXPECT_EQ(ToNumber(TValue::Error(TEvalError::NA)).Err(), TEvalError::NA);
}

TEST(Coerce, NumbersAsText) {
  struct Case { double v; const char* text; };
  const Case cases[] = {
      {0, "0"}, {1, "1"}, {-1.5, "-1.5"}, {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"},
      {123.45678901234568, "123.456789012346"}, {1234567.8901234567, "1234567.89012346"},
      {1.2345678901234568e-5, "1.23456789012346E-05"}, {1.2345678901234567e-4, "0.000123456789012346"},
      {1.23456789e-5, "0.0000123456789"}, {5.6789012345e-8, "0.000000056789012345"},
      {5.67890123456e-8, "5.67890123456E-08"}, {2e-50, "2E-50"}, {1.2345678901234578e-307, "1.2345678901235E-307"},
      {1.2345678901234568e13, "12345678901234.6"}, {123456789012, "123456789012"},
      {1e19, "10000000000000000000"}, {1e20, "1E+20"}, {-1e20, "-1E+20"}, {1.5e300, "1.5E+300"},
      {45292, "45292"}, {99999999999999.9, "99999999999999.9"}, {-2.5e-100, "-2.5E-100"},
  };
  for (const Case& c : cases) {
    const TValue t = ToText(N(c.v));
    ASSERT_TRUE(t.IsText());
    EXPECT_EQ(t.Str(), U(c.text)) << c.v;
  }
  EXPECT_EQ(ToText(B(false)).Str(), u"FALSE");
  EXPECT_EQ(ToText(TValue()).Str(), u"");
  EXPECT_EQ(ErrorText(TEvalError::Div0), u"#DIV/0!");
  EXPECT_EQ(Round15(0.1 + 0.2), 0.3);
  EXPECT_EQ(Round15(-1234.56789012345678), -1234.56789012346);
}

TEST(Coerce, BooleansComparisonAndIntersection) {
  EXPECT_TRUE(ToBoolean(T("true")).Bool());
  EXPECT_FALSE(ToBoolean(N(0)).Bool());
  EXPECT_TRUE(ToBoolean(N(-0.5)).Bool());
  EXPECT_TRUE(ToBoolean(T("yes")).IsError());
  EXPECT_TRUE(ToBoolean(T("1")).IsError());

  struct Case { TValue a, b; int expected; };
  const Case cases[] = {
      {N(1), N(2), -1}, {N(0.1 + 0.2), N(0.3), 0}, {N(1e300), T(""), -1}, {T("b"), T("A"), 1},
      {T("abc"), T("ABC"), 0}, {T("ab"), T("abc"), -1}, {T("zzz"), B(false), -1}, {B(true), B(false), 1},
      {TValue(), N(0), 0}, {TValue(), N(-1), 1}, {TValue(), T(""), 0}, {TValue(), T("a"), -1},
      {TValue(), B(false), 0}, {B(true), TValue(), 1}, {TValue(), TValue(), 0},
      {TValue::Text(u"\u00e9t\u00e9"), TValue::Text(u"\u00c9T\u00c9"), 0},
  };
  for (const Case& c : cases) {
    const int r = CompareScalars(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.expected) << ::testing::PrintToString(c.a.Str()) << " vs " << c.b.Num();
  }
  EXPECT_EQ(UpperChar(u'\u00e9'), u'\u00c9');
  EXPECT_EQ(LowerChar(u'\u0416'), u'\u0436');

  testing::TFakeContext ctx;
  ctx.Column(1, 0, {N(10), N(20), N(30)});
  ctx.row = 1, ctx.col = 4;
  EXPECT_EQ(Scalar(ctx, testing::Area(0, 1, 2, 1)).Num(), 20);  // one column: the current row
  EXPECT_EQ(Scalar(ctx, testing::Area(2, 1, 2, 1)).Num(), 30);  // one cell
  EXPECT_TRUE(Scalar(ctx, testing::Area(0, 1, 2, 2)).IsError());  // two columns
  EXPECT_TRUE(Scalar(ctx, testing::Area(0, 0, 0, 3)).IsError());  // one row that misses column E
  ctx.row = 5;
  EXPECT_TRUE(Scalar(ctx, testing::Area(0, 1, 2, 1)).IsError());
  auto arr = std::make_shared<TArray>();
  arr->rows = 1, arr->cols = 2, arr->items = {N(7), N(8)};
  EXPECT_EQ(Scalar(ctx, TValue::MakeArray(arr)).Num(), 7);
}

TEST(Coerce, CriteriaAndWildcards) {
  struct Case { TValue criteria; TValue cell; bool expected; };
  const TValue blank;
  const Case cases[] = {
      {T(">2"), N(3), true}, {T(">2"), N(2), false}, {T(">2"), T("3"), false}, {T(">2"), blank, false},
      {T(">=2"), N(2), true}, {T("<2"), N(-1), true}, {T("<=2"), B(true), false}, {T("<>2"), N(2), false},
      {T("<>2"), T("x"), true}, {T("<>2"), blank, true}, {N(3), N(3), true}, {N(3), T("3"), true},
      {T("3"), T(" 3"), true}, {T("3"), N(3.0000000000000004), true}, {N(1), B(true), false},
      {B(true), B(true), true}, {T("TRUE"), B(true), true}, {T("true"), T("TRUE"), false},
      {T("apple"), T("APPLE"), true}, {T("apple"), T("apple pie"), false}, {T("apple*"), T("Apple pie"), true},
      {T("a?ple"), T("apple"), true}, {T("a~*"), T("a*"), true}, {T("a~*"), T("ab"), false},
      {T("<>a*"), T("apple"), false}, {T("<>a*"), N(1), true}, {T(">b"), T("Banana"), true},
      {T(">b"), T("apple"), false}, {T(">b"), N(5), false}, {T("="), blank, true}, {T("="), T(""), false},
      {T(""), blank, true}, {T(""), T(""), true}, {T(""), N(0), false}, {T("<>"), blank, false},
      {T("<>"), T(""), true}, {T("<>"), N(0), true}, {T("#N/A"), TValue::Error(TEvalError::NA), true},
      {T("#N/A"), TValue::Error(TEvalError::Div0), false}, {T("1/31/2026"), N(46053), true},
      {T(">1/1/2026"), N(46053), true}, {T("50%"), N(0.5), true}, {T("=apple"), T("Apple"), true},
      {blank, N(0), true}, {blank, blank, false}, {T(">2"), TValue::Error(TEvalError::NA), false},
  };
  for (const Case& c : cases) {
    const TCriteria k(c.criteria);
    EXPECT_EQ(k.Matches(c.cell), c.expected)
        << ::testing::PrintToString(c.criteria.Str()) << " / " << ::testing::PrintToString(c.cell.Str()) << " "
        << c.cell.Num();
    if (c.cell.IsEmpty()) { EXPECT_EQ(k.MatchesBlank(), c.expected); }
  }
  struct Wild { const char* pattern; const char* text; bool expected; };
  const Wild wild[] = {
      {"*", "", true}, {"?", "", false}, {"a*c", "abbbc", true}, {"a*c", "abcd", false}, {"*b*", "abc", true},
      {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaa", false}, {"~?", "?", true}, {"~?", "a", false}, {"~~", "~", true},
      {"a~", "a~", true}, {"A?C", "abc", true}, {"??", "abc", false},
  };
  for (const Wild& w : wild) EXPECT_EQ(WildcardMatch(U(w.pattern), U(w.text)), w.expected) << w.pattern << " " << w.text;
}

}  // namespace
}  // namespace tablirex::eval
