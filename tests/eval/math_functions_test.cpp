#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "eval/eval_value.h"
#include "eval/function_registry.h"
#include "fake_context.h"

namespace tablirex::eval {
namespace {

using testing::Area;
using testing::TFakeContext;

TValue N(double v) { return TValue::Number(v); }
TValue S(const char16_t* s) { return TValue::Text(s); }
TValue B(bool v) { return TValue::Boolean(v); }
TValue E(TEvalError e) { return TValue::Error(e); }
const TValue kMissing = TValue::Missing();
TValue Arr(std::int32_t rows, std::int32_t cols, std::initializer_list<TValue> items) {
  auto a = std::make_shared<TArray>();
  a->rows = rows;
  a->cols = cols;
  a->items = items;
  return TValue::MakeArray(a);
}
TValue Row(std::initializer_list<double> v) {
  std::vector<TValue> items;
  for (double d : v) items.push_back(N(d));
  auto a = std::make_shared<TArray>();
  a->rows = 1;
  a->cols = static_cast<std::int32_t>(items.size());
  a->items = items;
  return TValue::MakeArray(a);
}
TValue Col(std::int32_t col, std::int32_t row1, std::int32_t row2) { return Area(row1, col, row2, col); }

// Sheet 0: A1:A10 = 1..10; B1:B6 = 2, "7", TRUE, (blank), 4, "" ; C1:C2 = 1, #DIV/0!;
// D1:D4 = 3, 2, 4, 5 and E1:E4 = 9, 7, 12, 15 (pairs); F1:G2 = 4, -1; 2, 0 (a matrix).
void Fixture(TFakeContext& ctx) {
  for (int i = 0; i < 10; ++i) ctx.Set(0, i, 0, N(i + 1));
  ctx.Column(1, 0, {N(2), S(u"7"), B(true), TValue(), N(4), S(u"")});
  ctx.Column(2, 0, {N(1), E(TEvalError::Div0)});
  ctx.Column(3, 0, {N(3), N(2), N(4), N(5)});
  ctx.Column(4, 0, {N(9), N(7), N(12), N(15)});
  ctx.Column(5, 0, {N(4), N(2)});
  ctx.Column(6, 0, {N(-1), N(0)});
}

struct TCase {
  const char* what;  // the call as a formula would write it
  std::int32_t fn;   // function-table number
  std::vector<TValue> args;
  TValue expected;   // a number (to within tol, relative; negative: absolute), an error or an array
  double tol = 1e-6;
};

void Check(const TCase& c, const TValue& got, const TValue& want, const std::string& where) {
  if (want.IsNumber()) {
    ASSERT_TRUE(got.IsNumber()) << where << " gave kind " << static_cast<int>(got.Kind())
                                << (got.IsError() ? " error " + std::to_string(static_cast<int>(got.Err())) : "");
    EXPECT_NEAR(got.Num(), want.Num(), c.tol < 0 ? -c.tol : c.tol * std::max(1.0, std::fabs(want.Num()))) << where;
  } else if (want.IsError()) {
    ASSERT_TRUE(got.IsError()) << where << " gave " << got.Num();
    EXPECT_EQ(got.Err(), want.Err()) << where;
  } else if (want.IsArray()) {
    ASSERT_TRUE(got.IsArray()) << where;
    ASSERT_EQ(got.Arr().rows, want.Arr().rows) << where;
    ASSERT_EQ(got.Arr().cols, want.Arr().cols) << where;
    for (std::size_t i = 0; i < want.Arr().items.size(); ++i)
      Check(c, got.Arr().items[i], want.Arr().items[i], where + " item " + std::to_string(i));
  }
}

void RunCases(std::initializer_list<TCase> cases) {
  for (const TCase& c : cases) {
    TFakeContext ctx;
    Fixture(ctx);
    TEvalFunction f = FindFunction(c.fn);
    ASSERT_NE(f, nullptr) << c.what;
    TValue got = f(ctx, c.args);
    Check(c, got, c.expected, c.what);
    EXPECT_EQ(ctx.uncomputable, "") << c.what;
  }
}

constexpr auto kNum = TEvalError::Num;
constexpr auto kDiv0 = TEvalError::Div0;
constexpr auto kValue = TEvalError::Value;
constexpr auto kNA = TEvalError::NA;
constexpr double kCents = -0.005;  // money as the examples print it

// What counts: numbers in references and arrays only; values given directly are
// coerced; errors propagate; omitted arguments are 0.
TEST(MathFunctions, ArgumentRules) {
  RunCases({
      {"SUM(B1:B6)", 4, {Col(1, 0, 5)}, N(6)},
      {"SUM(TRUE,\"3\",)", 4, {B(true), S(u"3"), kMissing}, N(4)},
      {"SUM(\"x\")", 4, {S(u"x")}, E(kValue)},
      {"SUM(A1:A10,C1:C2)", 4, {Col(0, 0, 9), Col(2, 0, 1)}, E(kDiv0)},
      {"SUM({1,\"2\",TRUE})", 4, {Arr(1, 3, {N(1), S(u"2"), B(true)})}, N(1)},
      {"SUM(A:A)", 4, {Area(0, 0, 65535, 0)}, N(55)},
      {"COUNT(B1:B6,C1:C2)", 0, {Col(1, 0, 5), Col(2, 0, 1)}, N(3)},
      {"COUNT(TRUE,\"3\",\"x\",#N/A,)", 0, {B(true), S(u"3"), S(u"x"), E(kNA), kMissing}, N(3)},
      {"AVERAGE(B1:B6)", 5, {Col(1, 0, 5)}, N(3)},
      {"AVERAGE(B4)", 5, {Col(1, 3, 3)}, E(kDiv0)},
      {"MIN(B3:B4)", 6, {Col(1, 2, 3)}, N(0)},
      {"MAX(A1:A10,-1)", 7, {Col(0, 0, 9), N(-1)}, N(10)},
      {"PRODUCT(B1:B6)", 183, {Col(1, 0, 5)}, N(8)},
      {"PRODUCT(B4)", 183, {Col(1, 3, 3)}, N(0)},
      {"SUMSQ(D1:D4)", 321, {Col(3, 0, 3)}, N(54)},
      {"SQRT(B2)", 20, {Col(1, 1, 1)}, N(std::sqrt(7.0))},
      {"SQRT(B6)", 20, {Col(1, 5, 5)}, E(kValue)},
      {"ABS(A1:A10) in row 1", 24, {Col(0, 0, 9)}, N(1)},  // implicit intersection
      {"ROUND(2.5,)", 27, {N(2.5), kMissing}, N(3)},
      {"NORMDIST(1,0,1,\"TRUE\")", 293, {N(1), N(0), N(1), S(u"TRUE")}, N(0.841344746)},
      // Value arguments take arrays item by item; the value lists of NPV do not.
      {"SQRT({1,4,9})", 20, {Row({1, 4, 9})}, Row({1, 2, 3})},
      {"ROUND({1.25;2.5},{1,0})", 27, {Arr(2, 1, {N(1.25), N(2.5)}), Row({1, 0})}, Arr(2, 2, {N(1.3), N(1), N(2.5), N(3)})},
      {"LARGE(A1:A10,{1,2,3})", 325, {Col(0, 0, 9), Row({1, 2, 3})}, Row({10, 9, 8})},
      {"NPV(0.1,{1.1,1.21})", 11, {N(0.1), Row({1.1, 1.21})}, N(2)},
  });
}

TEST(MathFunctions, Mathematics) {
  const double pi = 3.14159265358979;
  RunCases({
      {"PI()", 19, {}, N(pi)},
      {"SIN(PI()/2)", 15, {N(pi / 2)}, N(1)},
      {"ASIN(2)", 98, {N(2)}, E(kNum)},
      {"ACOSH(0.5)", 233, {N(0.5)}, E(kNum)},
      {"ATANH(1)", 234, {N(1)}, E(kNum)},
      {"ATAN2(-1,-1)", 97, {N(-1), N(-1)}, N(-2.35619449)},
      {"ATAN2(0,0)", 97, {N(0), N(0)}, E(kDiv0)},
      {"LN(0)", 22, {N(0)}, E(kNum)},
      {"LOG(8,2)", 109, {N(8), N(2)}, N(3)},
      {"LOG(86,2.7182818)", 109, {N(86), N(2.7182818)}, N(4.4543473)},
      {"LOG(5,1)", 109, {N(5), N(1)}, E(kDiv0)},
      {"EXP(1000)", 21, {N(1000)}, E(kNum)},
      {"INT(-8.9)", 25, {N(-8.9)}, N(-9)},
      {"TRUNC(-8.9)", 197, {N(-8.9)}, N(-8)},
      {"TRUNC(3.14159,2)", 197, {N(3.14159), N(2)}, N(3.14)},
      {"ROUND(2.15,1)", 27, {N(2.15), N(1)}, N(2.2)},
      {"ROUND(-1.475,2)", 27, {N(-1.475), N(2)}, N(-1.48)},
      {"ROUND(2.675,2)", 27, {N(2.675), N(2)}, N(2.68)},
      {"ROUND(21.5,-1)", 27, {N(21.5), N(-1)}, N(20)},
      {"ROUNDUP(-3.14159,1)", 212, {N(-3.14159), N(1)}, N(-3.2)},
      {"ROUNDUP(0.1*3,1)", 212, {N(0.1 * 3), N(1)}, N(0.3)},
      {"ROUNDUP(31415.92654,-2)", 212, {N(31415.92654), N(-2)}, N(31500)},
      {"ROUNDDOWN(-3.14159,1)", 213, {N(-3.14159), N(1)}, N(-3.1)},
      {"MOD(-3,2)", 39, {N(-3), N(2)}, N(1)},
      {"MOD(3,-2)", 39, {N(3), N(-2)}, N(-1)},
      {"MOD(3,0)", 39, {N(3), N(0)}, E(kDiv0)},
      {"POWER(4,5/4)", 337, {N(4), N(1.25)}, N(5.656854)},
      {"POWER(-8,1/3)", 337, {N(-8), N(1.0 / 3)}, E(kNum)},
      {"POWER(-8,0.5)", 337, {N(-8), N(0.5)}, E(kNum)},
      {"POWER(0,0)", 337, {N(0), N(0)}, E(kNum)},
      {"POWER(0,-1)", 337, {N(0), N(-1)}, E(kDiv0)},
      {"FACT(1.9)", 184, {N(1.9)}, N(1)},
      {"FACT(171)", 184, {N(171)}, E(kNum)},
      {"COMBIN(8,2)", 276, {N(8), N(2)}, N(28)},
      {"COMBIN(2,3)", 276, {N(2), N(3)}, E(kNum)},
      {"PERMUT(100,3)", 299, {N(100), N(3)}, N(970200)},
      {"EVEN(-1)", 279, {N(-1)}, N(-2)},
      {"EVEN(0)", 279, {N(0)}, N(0)},
      {"ODD(2)", 298, {N(2)}, N(3)},
      {"ODD(0)", 298, {N(0)}, N(1)},
      {"ODD(-1.5)", 298, {N(-1.5)}, N(-3)},
      {"FLOOR(1.58,0.1)", 285, {N(1.58), N(0.1)}, N(1.5)},
      {"FLOOR(-2.5,-2)", 285, {N(-2.5), N(-2)}, N(-2)},
      {"FLOOR(2.5,-2)", 285, {N(2.5), N(-2)}, E(kNum)},
      {"FLOOR(2.5,0)", 285, {N(2.5), N(0)}, E(kDiv0)},
      {"CEILING(2.5,1)", 288, {N(2.5), N(1)}, N(3)},
      {"CEILING(-2.5,-2)", 288, {N(-2.5), N(-2)}, N(-4)},
      {"CEILING(0.3,0.1)", 288, {N(0.1 * 3), N(0.1)}, N(0.3)},
      {"RADIANS(270)", 342, {N(270)}, N(4.712389)},
      {"DEGREES(PI())", 343, {N(pi)}, N(180)},
      {"SIGN(-0.5)", 26, {N(-0.5)}, N(-1)},
  });
  TFakeContext ctx;
  ctx.random = 0.25;
  EXPECT_EQ(FindFunction(63)(ctx, {}).Num(), 0.25);
  EXPECT_TRUE(ctx.volatileMarked);
}

TEST(MathFunctions, Aggregation) {
  TValue m1 = Arr(3, 2, {N(3), N(4), N(8), N(6), N(1), N(9)});
  TValue m2 = Arr(3, 2, {N(2), N(7), N(6), N(7), N(5), N(3)});
  TValue xs = Row({2, 3, 9, 1, 8, 7, 5}), ys = Row({6, 5, 11, 7, 5, 4, 4});
  RunCases({
      {"SUMPRODUCT(m1,m2)", 228, {m1, m2}, N(156)},
      {"SUMPRODUCT(A1:A2,D1:D3)", 228, {Col(0, 0, 1), Col(3, 0, 2)}, E(kValue)},
      {"SUMPRODUCT(B1:B3,D1:D3)", 228, {Col(1, 0, 2), Col(3, 0, 2)}, N(6)},
      {"SUMXMY2", 303, {xs, ys}, N(79)},
      {"SUMX2MY2", 304, {xs, ys}, N(-55)},
      {"SUMX2PY2", 305, {xs, ys}, N(521)},
      {"SUMXMY2 of unequal sizes", 303, {Row({1, 2}), Row({1})}, E(kNA)},
      {"SUBTOTAL(9,A1:A10)", 344, {N(9), Col(0, 0, 9)}, N(55)},
      {"SUBTOTAL(1,B1:B6)", 344, {N(1), Col(1, 0, 5)}, N(3)},
      {"SUBTOTAL(3,B1:B6)", 344, {N(3), Col(1, 0, 5)}, N(5)},
      {"SUBTOTAL(7,D1:D4)", 344, {N(7), Col(3, 0, 3)}, N(1.290994449)},
      {"SUBTOTAL(9,C1:C2)", 344, {N(9), Col(2, 0, 1)}, E(kDiv0)},
      {"SUBTOTAL(12,A1:A10)", 344, {N(12), Col(0, 0, 9)}, E(kValue)},
  });
  // Nested subtotals and (for 101-111) hidden rows are left out.
  TFakeContext ctx;
  Fixture(ctx);
  ctx.subtotalCells.insert({0, 9, 0});
  ctx.hiddenRows.insert({0, 0});
  const std::vector<TValue> all{N(9), Col(0, 0, 9)}, visible{N(109), Col(0, 0, 9)};
  EXPECT_EQ(FindFunction(344)(ctx, all).Num(), 45);
  EXPECT_EQ(FindFunction(344)(ctx, visible).Num(), 44);
}

TEST(MathFunctions, Statistics) {
  TValue s = Row({1345, 1301, 1368, 1322, 1310, 1370, 1318, 1350, 1303, 1299});
  TValue k = Row({3, 4, 5, 2, 3, 4, 5, 6, 4, 7});
  TValue p = Row({13, 12, 11, 8, 4, 3, 2, 1, 1, 1});
  TValue g = Row({4, 5, 8, 7, 11, 4, 3});
  RunCases({
      {"STDEV", 12, {s}, N(27.46391572)},
      {"STDEVP", 193, {s}, N(26.05455814)},
      {"VAR", 46, {s}, N(754.2666667)},
      {"VARP", 194, {s}, N(678.84)},
      {"VAR(1)", 46, {N(1)}, E(kDiv0)},
      {"MEDIAN(1,2,3,4,5,6)", 227, {N(1), N(2), N(3), N(4), N(5), N(6)}, N(3.5)},
      {"MEDIAN(B4)", 227, {Col(1, 3, 3)}, E(kNum)},
      {"MODE({5.6,4,4,3,2,4})", 330, {Row({5.6, 4, 4, 3, 2, 4})}, N(4)},
      {"MODE({1,2,2,1})", 330, {Row({1, 2, 2, 1})}, N(1)},
      {"MODE({1,2,3})", 330, {Row({1, 2, 3})}, E(kNA)},
      {"RANK(3.5,{7,3.5,3.5,1,2})", 216, {N(3.5), Row({7, 3.5, 3.5, 1, 2})}, N(2)},
      {"RANK(7,{7,3.5,3.5,1,2},1)", 216, {N(7), Row({7, 3.5, 3.5, 1, 2}), N(1)}, N(5)},
      {"RANK(6,A1:A10)", 216, {N(6), Col(0, 0, 9)}, N(5)},
      {"RANK(11,A1:A10)", 216, {N(11), Col(0, 0, 9)}, E(kNA)},
      {"AVEDEV(4,5,6,7,5,4,3)", 269, {Row({4, 5, 6, 7, 5, 4, 3})}, N(1.020408)},
      {"DEVSQ", 318, {g}, N(48)},
      {"GEOMEAN", 319, {g}, N(5.476987)},
      {"GEOMEAN(1,0)", 319, {N(1), N(0)}, E(kNum)},
      {"HARMEAN", 320, {g}, N(5.028376)},
      {"KURT", 322, {k}, N(-0.151799637)},
      {"SKEW", 323, {k}, N(0.359543)},
      {"KURT(1,2,3)", 322, {N(1), N(2), N(3)}, E(kDiv0)},
      {"LARGE(A1:A10,3)", 325, {Col(0, 0, 9), N(3)}, N(8)},
      {"SMALL(A1:A10,0)", 326, {Col(0, 0, 9), N(0)}, E(kNum)},
      {"QUARTILE({1,2,4,7,8,9,10,12},1)", 327, {Row({1, 2, 4, 7, 8, 9, 10, 12}), N(1)}, N(3.5)},
      {"QUARTILE(A1:A10,5)", 327, {Col(0, 0, 9), N(5)}, E(kNum)},
      {"PERCENTILE({1,3,2,4},0.3)", 328, {Row({1, 3, 2, 4}), N(0.3)}, N(1.9)},
      {"PERCENTRANK(p,2)", 329, {p, N(2)}, N(0.333)},
      {"PERCENTRANK(p,4)", 329, {p, N(4)}, N(0.555)},
      {"PERCENTRANK(p,8)", 329, {p, N(8)}, N(0.666)},
      {"PERCENTRANK(p,5)", 329, {p, N(5)}, N(0.583)},
      {"PERCENTRANK(p,14)", 329, {p, N(14)}, E(kNA)},
      {"TRIMMEAN", 331, {Row({4, 5, 6, 7, 2, 3, 4, 5, 1, 2, 3}), N(0.2)}, N(3.777778)},
      {"FREQUENCY", 252, {Row({79, 85, 78, 85, 50, 81, 95, 88, 97}), Row({89, 70, 79})},
       Arr(4, 1, {N(4), N(1), N(2), N(2)})},
      {"ZTEST({3,6,7,8,6,5,4,2,1,9},4)", 324, {Row({3, 6, 7, 8, 6, 5, 4, 2, 1, 9}), N(4)}, N(0.090574)},
      {"TTEST paired", 316,
       {Row({3, 4, 5, 8, 9, 1, 2, 4, 5}), Row({6, 19, 3, 2, 14, 4, 5, 17, 1}), N(2), N(1)}, N(0.196016)},
      {"TTEST tails 3", 316, {Row({1, 2}), Row({3, 4}), N(3), N(1)}, E(kNum)},
      {"FTEST", 310, {Row({6, 7, 9, 15, 21}), Row({20, 28, 31, 38, 40})}, N(0.648318)},
      {"CHITEST", 306,
       {Arr(3, 2, {N(58), N(35), N(11), N(25), N(10), N(23)}),
        Arr(3, 2, {N(45.35), N(47.65), N(17.56), N(18.44), N(16.09), N(16.91)})},
       N(0.0003082), 1e-3},
      {"PROB({0,1,2,3},{0.2,0.3,0.1,0.4},2)", 317, {Row({0, 1, 2, 3}), Row({0.2, 0.3, 0.1, 0.4}), N(2)}, N(0.1)},
      {"PROB(..,1,3)", 317, {Row({0, 1, 2, 3}), Row({0.2, 0.3, 0.1, 0.4}), N(1), N(3)}, N(0.8)},
      {"PROB summing to 0.9", 317, {Row({0, 1}), Row({0.5, 0.4}), N(1)}, E(kNum)},
      {"STANDARDIZE(42,40,1.5)", 297, {N(42), N(40), N(1.5)}, N(1.333333)},
      {"CONFIDENCE(0.05,2.5,50)", 277, {N(0.05), N(2.5), N(50)}, N(0.692951912)},
  });
}

TEST(MathFunctions, RegressionAndMatrices) {
  TValue ys = Row({2, 3, 9, 1, 8, 7, 5}), xs = Row({6, 5, 11, 7, 5, 4, 4});
  RunCases({
      {"CORREL(D1:D4,E1:E4)", 307, {Col(3, 0, 3), Col(4, 0, 3)}, N(0.995910003310479)},
      {"CORREL({3,2,4,5,6},{9,7,12,15,17})", 307, {Row({3, 2, 4, 5, 6}), Row({9, 7, 12, 15, 17})}, N(0.997054)},
      {"PEARSON", 312, {Row({9, 7, 5, 3, 1}), Row({10, 6, 1, 5, 3})}, N(0.699379)},
      {"COVAR", 308, {Row({3, 2, 4, 5, 6}), Row({9, 7, 12, 15, 17})}, N(5.2)},
      {"RSQ", 313, {ys, xs}, N(0.05795)},
      {"SLOPE", 315, {ys, xs}, N(0.305556)},
      {"INTERCEPT", 311, {Row({2, 3, 9, 1, 8}), Row({6, 5, 11, 7, 5})}, N(0.0483871)},
      {"STEYX", 314, {ys, xs}, N(3.305719)},
      {"FORECAST", 309, {N(30), Row({6, 7, 9, 15, 21}), Row({20, 28, 31, 38, 40})}, N(10.607253)},
      {"SLOPE of a constant x", 315, {Row({1, 2}), Row({3, 3})}, E(kDiv0)},
      {"CORREL of unequal sizes", 307, {Row({1, 2, 3}), Row({1, 2})}, E(kNA)},
      {"MDETERM", 163,
       {Arr(4, 4, {N(1), N(3), N(8), N(5), N(1), N(3), N(6), N(1), N(1), N(1), N(1), N(0), N(7), N(3), N(10), N(2)})},
       N(88)},
      {"MDETERM(F1:G1)", 163, {Area(0, 5, 0, 6)}, E(kValue)},
      {"MDETERM(B1:C2)", 163, {Area(0, 1, 1, 2)}, E(kDiv0)},
      {"MDETERM({1,\"2\";3,4})", 163, {Arr(2, 2, {N(1), S(u"2"), N(3), N(4)})}, E(kValue)},
      {"MINVERSE(F1:G2)", 164, {Area(0, 5, 1, 6)}, Arr(2, 2, {N(0), N(0.5), N(-1), N(2)})},
      {"MINVERSE({1,2;2,4})", 164, {Arr(2, 2, {N(1), N(2), N(2), N(4)})}, E(kNum)},
      {"MMULT", 165, {Arr(2, 2, {N(1), N(2), N(3), N(4)}), Arr(2, 1, {N(5), N(6)})}, Arr(2, 1, {N(17), N(39)})},
      {"MMULT of mismatched shapes", 165, {Row({1, 2}), Row({1, 2})}, E(kValue)},
      {"LINEST({1,9,5,7},{0,4,2,3})", 49, {Row({1, 9, 5, 7}), Row({0, 4, 2, 3})}, Row({2, 1})},
      {"LINEST(E1:E4,D1:D4,TRUE,TRUE)", 49, {Col(4, 0, 3), Col(3, 0, 3), B(true), B(true)},
       Arr(5, 2, {N(2.7), N(1.3), N(0.173205080756888), N(0.636396103067893), N(0.991836734693878),
                  N(0.387298334620742), N(243), N(2), N(36.45), N(0.3)}),
       1e-12},
      {"LINEST(y, two variables)", 49,
       {Arr(4, 1, {N(1), N(2), N(4), N(3)}), Arr(4, 2, {N(1), N(1), N(2), N(1), N(3), N(2), N(4), N(5)})},
       Row({-0.739130434782609, 1.76086956521739, -0.239130434782608}), 1e-12},
      {"LINEST without a constant", 49, {Row({2, 4, 7}), Row({1, 2, 3}), B(false)}, Row({2.2142857, 0})},
      {"TREND({1,9,5,7},{0,4,2,3},{5,6})", 50, {Row({1, 9, 5, 7}), Row({0, 4, 2, 3}), Row({5, 6})}, Row({11, 13})},
      {"TREND(y) by position", 50, {Row({3, 5, 7})}, Row({3, 5, 7})},
      {"GROWTH", 52,
       {Row({33100, 47300, 69000, 102000, 150000, 220000}), Row({11, 12, 13, 14, 15, 16}), Row({17, 18})},
       Row({320196.7184, 468536.0530})},
      {"LOGEST", 51, {Row({2, 4, 8, 16})}, Row({2, 1})},
      {"LOGEST of a negative y", 51, {Row({2, -4})}, E(kNum)},
  });
  // Collinear variables are left to the spreadsheet to sort out.
  TFakeContext ctx;
  const std::vector<TValue> args{Row({1, 2, 3}), Arr(2, 3, {N(1), N(2), N(3), N(2), N(4), N(6)})};
  FindFunction(49)(ctx, args);
  EXPECT_NE(ctx.uncomputable, "");
}

TEST(MathFunctions, Distributions) {
  RunCases({
      {"NORMDIST(42,40,1.5,TRUE)", 293, {N(42), N(40), N(1.5), B(true)}, N(0.9087888)},
      {"NORMDIST(42,40,1.5,FALSE)", 293, {N(42), N(40), N(1.5), B(false)}, N(0.10934005)},
      {"NORMDIST(42,40,0,TRUE)", 293, {N(42), N(40), N(0), B(true)}, E(kNum)},
      {"NORMSDIST(1.333333)", 294, {N(1.333333)}, N(0.908788726)},
      {"NORMSDIST(-10)", 294, {N(-10)}, N(7.61985302416047E-24), 1e-9},
      {"NORMINV(0.908789,40,1.5)", 295, {N(0.908789), N(40), N(1.5)}, N(42.000002)},
      {"NORMSINV(0.908789)", 296, {N(0.908789)}, N(1.3333347)},
      {"NORMSINV(1E-20)", 296, {N(1e-20)}, N(-9.262340089798408), 1e-12},
      {"NORMSINV(1)", 296, {N(1)}, E(kNum)},
      {"LOGNORMDIST(4,3.5,1.2)", 290, {N(4), N(3.5), N(1.2)}, N(0.0390836)},
      {"LOGINV(0.039084,3.5,1.2)", 291, {N(0.039084), N(3.5), N(1.2)}, N(4.0000252)},
      {"BINOMDIST(6,10,0.5,FALSE)", 273, {N(6), N(10), N(0.5), B(false)}, N(0.205078125), 1e-12},
      {"BINOMDIST(6,10,0.5,TRUE)", 273, {N(6), N(10), N(0.5), B(true)}, N(0.828125), 1e-12},
      {"BINOMDIST(11,10,0.5,TRUE)", 273, {N(11), N(10), N(0.5), B(true)}, E(kNum)},
      {"CRITBINOM(6,0.5,0.75)", 278, {N(6), N(0.5), N(0.75)}, N(4)},
      {"NEGBINOMDIST(10,5,0.25)", 292, {N(10), N(5), N(0.25)}, N(0.055048156)},
      {"POISSON(2,5,FALSE)", 300, {N(2), N(5), B(false)}, N(0.084224337)},
      {"POISSON(2,5,TRUE)", 300, {N(2), N(5), B(true)}, N(0.124652)},
      {"EXPONDIST(0.2,10,TRUE)", 280, {N(0.2), N(10), B(true)}, N(0.86466472)},
      {"EXPONDIST(0.2,10,FALSE)", 280, {N(0.2), N(10), B(false)}, N(1.353352832)},
      {"GAMMADIST(10,9,2,FALSE)", 286, {N(10), N(9), N(2), B(false)}, N(0.032639)},
      {"GAMMADIST(10,9,2,TRUE)", 286, {N(10), N(9), N(2), B(true)}, N(0.068094)},
      {"GAMMAINV(0.068094,9,2)", 287, {N(0.068094), N(9), N(2)}, N(10.00001)},
      {"GAMMALN(4)", 271, {N(4)}, N(1.791759469)},
      {"BETADIST(2,8,10,1,3)", 270, {N(2), N(8), N(10), N(1), N(3)}, N(0.6854706)},
      {"BETADIST(4,8,10,1,3)", 270, {N(4), N(8), N(10), N(1), N(3)}, E(kNum)},
      {"BETAINV(0.685470581,8,10,1,3)", 272, {N(0.685470581), N(8), N(10), N(1), N(3)}, N(2)},
      {"CHIDIST(18.307,10)", 274, {N(18.307), N(10)}, N(0.050000589)},
      {"CHIINV(0.050001,10)", 275, {N(0.050001), N(10)}, N(18.30697)},
      {"TDIST(1.96,60,2)", 301, {N(1.96), N(60), N(2)}, N(0.054644927)},
      {"TDIST(1.96,60,1)", 301, {N(1.96), N(60), N(1)}, N(0.027322463)},
      {"TDIST(-1,60,1)", 301, {N(-1), N(60), N(1)}, E(kNum)},
      {"TINV(0.054644927,60)", 332, {N(0.054644927), N(60)}, N(1.96)},
      {"FDIST(15.20686,6,4)", 281, {N(15.20686), N(6), N(4)}, N(0.01)},
      {"FINV(0.01,6,4)", 282, {N(0.01), N(6), N(4)}, N(15.20686)},
      {"HYPGEOMDIST(1,4,8,20)", 289, {N(1), N(4), N(8), N(20)}, N(0.363261)},
      {"HYPGEOMDIST(5,4,8,20)", 289, {N(5), N(4), N(8), N(20)}, E(kNum)},
      {"WEIBULL(105,20,100,TRUE)", 302, {N(105), N(20), N(100), B(true)}, N(0.929581)},
      {"WEIBULL(105,20,100,FALSE)", 302, {N(105), N(20), N(100), B(false)}, N(0.035589)},
      {"FISHER(0.75)", 283, {N(0.75)}, N(0.972955)},
      {"FISHER(1)", 283, {N(1)}, E(kNum)},
      {"FISHERINV(0.972955)", 284, {N(0.972955)}, N(0.75)},
  });
}

TEST(MathFunctions, Finance) {
  RunCases({
      {"PV(0.08/12,12*20,500)", 56, {N(0.08 / 12), N(240), N(500)}, N(-59777.15), kCents},
      {"PV(0,10,-100)", 56, {N(0), N(10), N(-100)}, N(1000)},
      {"FV(0.06/12,10,-200,-500,1)", 57, {N(0.005), N(10), N(-200), N(-500), N(1)}, N(2581.40), kCents},
      {"PMT(0.08/12,10,10000)", 59, {N(0.08 / 12), N(10), N(10000)}, N(-1037.03), kCents},
      {"PMT(0.1,0,1000)", 59, {N(0.1), N(0), N(1000)}, E(kNum)},
      {"NPER(0.01,-100,-1000,10000,1)", 58, {N(0.01), N(-100), N(-1000), N(10000), N(1)}, N(59.6738657)},
      {"NPER(0,0,100)", 58, {N(0), N(0), N(100)}, E(kNum)},
      {"RATE(48,-200,8000)", 60, {N(48), N(-200), N(8000)}, N(0.00770147248820165)},
      {"RATE(10,100,1000)", 60, {N(10), N(100), N(1000)}, E(kNum)},
      {"IPMT(0.1/12,1,36,8000)", 167, {N(0.1 / 12), N(1), N(36), N(8000)}, N(-66.67), kCents},
      {"IPMT(0.1,3,3,8000)", 167, {N(0.1), N(3), N(3), N(8000)}, N(-292.45), kCents},
      {"IPMT(0.1,1,3,8000,0,1)", 167, {N(0.1), N(1), N(3), N(8000), N(0), N(1)}, N(0)},
      {"IPMT(0.1,4,3,8000)", 167, {N(0.1), N(4), N(3), N(8000)}, E(kNum)},
      {"PPMT(0.1/12,1,24,2000)", 168, {N(0.1 / 12), N(1), N(24), N(2000)}, N(-75.62), kCents},
      {"PPMT(0.08,10,10,200000)", 168, {N(0.08), N(10), N(10), N(200000)}, N(-27598.05), kCents},
      {"NPV(0.1,-10000,3000,4200,6800)", 11, {N(0.1), N(-10000), N(3000), N(4200), N(6800)}, N(1188.44), kCents},
      {"NPV(0.1,B1:B6)", 11, {N(0.1), Col(1, 0, 5)}, N(2 / 1.1 + 4 / 1.21)},
      {"IRR", 62, {Row({-70000, 12000, 15000, 18000, 21000, 26000})}, N(0.086630948)},
      {"IRR(..,-0.1) of four flows", 62, {Row({-70000, 12000, 15000, 18000}), N(-0.1)}, N(-0.1821374)},
      {"IRR of positive flows", 62, {Row({1, 2})}, E(kNum)},
      {"MIRR", 61, {Row({-120000, 39000, 30000, 21000, 37000, 46000}), N(0.1), N(0.12)}, N(0.126094)},
      {"SLN(30000,7500,10)", 142, {N(30000), N(7500), N(10)}, N(2250)},
      {"SYD(30000,7500,10,10)", 143, {N(30000), N(7500), N(10), N(10)}, N(409.09), kCents},
      {"DDB(2400,300,10,1,2)", 144, {N(2400), N(300), N(10), N(1), N(2)}, N(480)},
      {"DDB(2400,300,10,10)", 144, {N(2400), N(300), N(10), N(10)}, N(22.12), kCents},
      {"DDB(2400,300,3650,1)", 144, {N(2400), N(300), N(3650), N(1)}, N(1.32), kCents},
      {"DB(1000000,100000,6,1,7)", 247, {N(1e6), N(1e5), N(6), N(1), N(7)}, N(186083.33), kCents},
      {"DB(1000000,100000,6,7,7)", 247, {N(1e6), N(1e5), N(6), N(7), N(7)}, N(15845.10), kCents},
      {"DB(1000000,100000,6,8,7)", 247, {N(1e6), N(1e5), N(6), N(8), N(7)}, E(kNum)},
      {"VDB(2400,300,3650,0,1)", 222, {N(2400), N(300), N(3650), N(0), N(1)}, N(1.32), kCents},
      {"VDB(2400,300,120,6,18)", 222, {N(2400), N(300), N(120), N(6), N(18)}, N(396.31), kCents},
      {"VDB(2400,300,120,6,18,1.5)", 222, {N(2400), N(300), N(120), N(6), N(18), N(1.5)}, N(311.81), kCents},
      {"VDB(2400,300,10,0,0.875,1.5)", 222, {N(2400), N(300), N(10), N(0), N(0.875), N(1.5)}, N(315)},
      {"VDB(2400,300,10,0,10)", 222, {N(2400), N(300), N(10), N(0), N(10)}, N(2100)},
  });
  // Interest and principal parts add up to the payment, and the principal parts
  // to the loan, paid at either end of the period.
  for (double type : {0, 1}) {
    TFakeContext ctx;
    double principal = 0;
    for (int per = 1; per <= 12; ++per) {
      const std::vector<TValue> a{N(0.01), N(per), N(12), N(1000), N(0), N(type)};
      double ip = FindFunction(167)(ctx, a).Num(), pp = FindFunction(168)(ctx, a).Num();
      const std::vector<TValue> p{N(0.01), N(12), N(1000), N(0), N(type)};
      EXPECT_NEAR(ip + pp, FindFunction(59)(ctx, p).Num(), 1e-9);
      principal += pp;
    }
    EXPECT_NEAR(principal, -1000, 1e-9) << "type " << type;
  }
}

// Inverses give back what the distributions gave, across the range.
TEST(MathFunctions, InversesRoundTrip) {
  struct TPair { std::int32_t dist, inv; std::vector<TValue> extra; bool rightTail; };
  const TPair pairs[] = {
      {294, 296, {}, false}, {274, 275, {N(7)}, true}, {301, 332, {N(12), N(2)}, true},
      {281, 282, {N(3), N(9)}, true},
  };
  for (const TPair& pr : pairs) {
    for (double x : {0.01, 0.3, 1.0, 2.5, 4.0}) {
      TFakeContext ctx;
      std::vector<TValue> a{N(x)};
      a.insert(a.end(), pr.extra.begin(), pr.extra.end());
      double p = FindFunction(pr.dist)(ctx, a).Num();
      std::vector<TValue> b{N(p)};
      b.insert(b.end(), pr.extra.begin(), pr.extra.end() - (pr.dist == 301 ? 1 : 0));
      TValue back = FindFunction(pr.inv)(ctx, b);
      ASSERT_TRUE(back.IsNumber()) << pr.dist << " at " << x;
      EXPECT_NEAR(back.Num(), x, 1e-9 * std::max(1.0, x)) << pr.dist << " at " << x;
    }
  }
}

// Values recalculated by an independent engine on the same arguments, to
// full precision.
TEST(MathFunctions, FullPrecision) {
  const double t = 1e-12;
  RunCases({
      {"TTEST(..,2,3)", 316, {Row({3, 4, 5, 8, 9, 1, 2, 4, 5}), Row({6, 19, 3, 2, 14, 4, 5, 17, 1}), N(2), N(3)},
       N(0.202293923368678), t},
      {"TTEST(..,1,2)", 316, {Row({3, 4, 5, 8, 9, 1, 2, 4, 5}), Row({6, 19, 3, 2, 14, 4, 5, 17, 1}), N(1), N(2)},
       N(0.0959979433801984), t},
      {"ZTEST(..,6,2)", 324, {Row({3, 6, 7, 8, 6, 5, 4, 2, 1, 9}), N(6), N(2)}, N(0.922635538257311), t},
      {"CHITEST({10,20,30},{15,20,25})", 306, {Row({10, 20, 30}), Row({15, 20, 25})}, N(0.263597138115727), t},
      {"PERCENTRANK({1,2,2,3},2.5)", 329, {Row({1, 2, 2, 3}), N(2.5)}, N(0.833), t},
      {"PERCENTRANK(A1:A10,4.5,2)", 329, {Col(0, 0, 9), N(4.5), N(2)}, N(0.38), t},  // truncated, not rounded
      {"GAMMAINV(0.5,0.5,1)", 287, {N(0.5), N(0.5), N(1)}, N(0.227468211559786), t},
      {"CHIINV(0.99,1)", 275, {N(0.99), N(1)}, N(0.000157087857909704), t},
      {"FINV(0.5,3,9)", 282, {N(0.5), N(3), N(9)}, N(0.851683950384598), t},
      {"BETAINV(0.5,2,3)", 272, {N(0.5), N(2), N(3)}, N(0.38572756813239), t},
      {"TINV(0.5,1)", 332, {N(0.5), N(1)}, N(1), t},
      {"HYPGEOMDIST(0,3,2,10)", 289, {N(0), N(3), N(2), N(10)}, N(0.466666666666667), t},
      {"CRITBINOM(100,0.3,0.5)", 278, {N(100), N(0.3), N(0.5)}, N(30)},
      {"BINOMDIST(600,2000,0.3,TRUE)", 273, {N(600), N(2000), N(0.3), B(true)}, N(0.511028618635805), 1e-11},
      {"NEGBINOMDIST(10,5,0.25)", 292, {N(10), N(5), N(0.25)}, N(0.0550486603751779), t},
      {"POISSON(2,5,TRUE)", 300, {N(2), N(5), B(true)}, N(0.124652019483081), t},
      {"GAMMADIST(10,9,2,TRUE)", 286, {N(10), N(9), N(2), B(true)}, N(0.0680936347218484), t},
      {"CHIDIST(18.307,10)", 274, {N(18.307), N(10)}, N(0.0500005890913981), t},
      {"FDIST(15.20686,6,4)", 281, {N(15.20686), N(6), N(4)}, N(0.0100000059490853), t},
      {"NORMSINV(0.001)", 296, {N(0.001)}, N(-3.09023230616781), t},
      {"GAMMAINV(1E-100,0.5,1)", 287, {N(1e-100), N(0.5), N(1)}, N(7.853981633974483e-201), 1e-9},
      {"PV(0.05,10,-100,0,1)", 56, {N(0.05), N(10), N(-100), N(0), N(1)}, N(810.782167564406), t},
      {"PMT(0.08/12,10,10000,0,1)", 59, {N(0.08 / 12), N(10), N(10000), N(0), N(1)}, N(-1030.16432717797), t},
      {"NPER(0.01,-100,1000)", 58, {N(0.01), N(-100), N(1000)}, N(10.5886444594232), t},
      {"IPMT(0.1,2,3,8000,0,1)", 167, {N(0.1), N(2), N(3), N(8000), N(0), N(1)}, N(-507.552870090635), t},
      {"PPMT(0.1,2,3,8000,0,1)", 168, {N(0.1), N(2), N(3), N(8000), N(0), N(1)}, N(-2416.91842900302), t},
      {"IRR({-100,50,60})", 62, {Row({-100, 50, 60})}, N(0.0639410298049853), t},
      {"MIRR of four flows", 61, {Row({-120000, 39000, 30000, 21000}), N(0.1), N(0.12)}, N(-0.0480446552499808), t},
      {"DB(1000000,100000,6,2,7)", 247, {N(1e6), N(1e5), N(6), N(2), N(7)}, N(259639.416666667), t},
      {"DB(1000000,100000,6,6)", 247, {N(1e6), N(1e5), N(6), N(6)}, N(46722.5182806209), t},
      {"DDB(2400,300,10,2,1.5)", 144, {N(2400), N(300), N(10), N(2), N(1.5)}, N(306), t},
      {"VDB(2400,300,10,5,10,2,TRUE)", 222, {N(2400), N(300), N(10), N(5), N(10), N(2), B(true)}, N(486.432), t},
      {"TREND({2,4,7},{1,2,3},4,FALSE)", 50, {Row({2, 4, 7}), Row({1, 2, 3}), N(4), B(false)},
       Arr(1, 1, {N(8.85714285714286)}), t},
      {"GROWTH({10,20,30,40},{1,2,3,4},5)", 52, {Row({10, 20, 30, 40}), Row({1, 2, 3, 4}), N(5)}, Arr(1, 1, {N(69.2820323027551)}), t},
  });
  // Single items of array results.
  struct TItem { const char* what; std::int32_t fn; std::vector<TValue> args; std::size_t item; double expected; };
  const TItem items[] = {
      {"LINEST se of m1", 49,
       {Arr(5, 1, {N(1), N(2), N(4), N(3), N(7)}),
        Arr(5, 2, {N(1), N(1), N(2), N(1), N(3), N(2), N(4), N(5), N(5), N(3)}), B(true), B(true)},
       3, 0.255155181539914},
      {"LINEST se of b", 49,
       {Arr(5, 1, {N(1), N(2), N(4), N(3), N(7)}),
        Arr(5, 2, {N(1), N(1), N(2), N(1), N(3), N(2), N(4), N(5), N(5), N(3)}), B(true), B(true)},
       5, 0.586301969977929},
      {"LINEST r2 without a constant", 49, {Row({2, 4, 7}), Row({1, 2, 3}), B(false), B(true)}, 4, 0.994824016563147},
      {"LOGEST r2", 51, {Row({3, 5, 11, 20}), Row({1, 2, 3, 4}), B(true), B(true)}, 4, 0.993913740623567},
      {"MINVERSE 3x3 (3,1)", 164, {Arr(3, 3, {N(-3), N(2), N(0), N(3), N(0), N(-1), N(2), N(1), N(1)})}, 6,
       -0.230769230769231},
  };
  for (const TItem& c : items) {
    TFakeContext ctx;
    TValue r = FindFunction(c.fn)(ctx, c.args);
    ASSERT_TRUE(r.IsArray()) << c.what;
    EXPECT_NEAR(r.Arr().items.at(c.item).Num(), c.expected, 1e-12) << c.what;
  }
  TFakeContext ctx;
  const std::vector<TValue> large{Row({3, 1, 2}), N(1.5)};
  FindFunction(325)(ctx, large);
  EXPECT_NE(ctx.uncomputable, "") << "LARGE with a fractional position";
}

// Every function over awkward arguments (huge, tiny, negative, texts, errors,
// omitted, ranges, arrays) at every argument count it takes: a scalar or an
// array of scalars comes back, in bounded time.
TEST(MathFunctions, AwkwardArgumentsSweep) {
  struct TDef { std::int32_t number, least, most; };
  static const TDef defs[] = {
#define TXLS_FUNCTION(name, number, least, most, cls) {number, least, most},
#include "formula/function_table.def"
#undef TXLS_FUNCTION
  };
  std::set<std::int32_t> ours;
  for (const TFunctionDef& d : MathFunctions()) ours.insert(d.number);
  const TValue pool[] = {N(0), N(-1), N(1e308), N(1e-300), N(0.5), S(u"x"), E(kNA), kMissing,
                         B(true), Col(0, 0, 9), Row({1, -2, 3}), N(1e10), N(3), Area(0, 0, 65535, 255)};
  constexpr std::size_t kPool = sizeof pool / sizeof pool[0];
  std::size_t calls = 0;
  for (const TDef& d : defs) {
    if (!ours.count(d.number)) continue;
    ours.erase(d.number);
    for (std::int32_t n = d.least; n <= std::min(d.most, d.least + 3); ++n) {
      for (std::size_t seed = 0; seed < kPool * 3; ++seed) {
        std::vector<TValue> args;
        for (std::int32_t i = 0; i < n; ++i) args.push_back(pool[(seed + i * (seed / kPool + 1)) % kPool]);
        TFakeContext ctx;
        Fixture(ctx);
        TValue r = FindFunction(d.number)(ctx, args);
        ASSERT_FALSE(r.IsArea() || r.IsEmpty()) << d.number << " seed " << seed;
        if (r.IsNumber()) {
          ASSERT_TRUE(std::isfinite(r.Num())) << d.number << " seed " << seed;
        }
        ++calls;
      }
    }
  }
  EXPECT_TRUE(ours.empty()) << "a function outside the function table: " << *ours.begin();
  EXPECT_GT(calls, 1000u);
}

}  // namespace
}  // namespace tablirex::eval
