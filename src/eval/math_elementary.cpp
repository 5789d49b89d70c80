// Mathematics of single values: trigonometry, logarithms, rounding, integer
// arithmetic, PI and RAND.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "eval/math_common.h"

namespace tablirex::eval::math {
namespace {

using TArgs = std::span<const TValue>;

// A function of one number; domain returns false where the result is #NUM!.
template <double (*F)(double), bool (*Domain)(double)>
TValue Unary(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0);
  if (a.Failed()) return a.Error();
  if (!Domain(x)) return Err(TEvalError::Num);
  return Result(F(x));
}

bool Any(double) { return true; }
bool UnitInterval(double x) { return x >= -1 && x <= 1; }
bool Positive(double x) { return x > 0; }
bool NonNegative(double x) { return x >= 0; }
bool AtLeastOne(double x) { return x >= 1; }
bool OpenUnit(double x) { return x > -1 && x < 1; }

double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Atan(double x) { return std::atan(x); }
double Asin(double x) { return std::asin(x); }
double Acos(double x) { return std::acos(x); }
double Sinh(double x) { return std::sinh(x); }
double Cosh(double x) { return std::cosh(x); }
double Tanh(double x) { return std::tanh(x); }
double Asinh(double x) { return std::asinh(x); }
double Acosh(double x) { return std::acosh(x); }
double Atanh(double x) { return std::atanh(x); }
double Sqrt(double x) { return std::sqrt(x); }
double Exp(double x) { return std::exp(x); }
double Ln(double x) { return std::log(x); }
double Log10(double x) { return std::log10(x); }
double Abs(double x) { return std::fabs(x); }
double IntPart(double x) { return std::floor(x); }
double Sign(double x) { return x > 0 ? 1 : x < 0 ? -1 : 0; }
double Radians(double x) { return x * std::numbers::pi / 180; }
double Degrees(double x) { return x * 180 / std::numbers::pi; }
double Even(double x) {
  double r = std::ceil(std::fabs(x) / 2) * 2;
  return x < 0 ? -r : r;
}
double Odd(double x) {
  double r = std::ceil((std::fabs(x) - 1) / 2) * 2 + 1;
  if (r < 1) r = 1;
  return x < 0 ? -r : r;
}

TValue Pi(TEvalContext&, TArgs) { return Num(std::numbers::pi); }

TValue Rand(TEvalContext& ctx, TArgs) {
  ctx.MarkVolatile();
  return Num(ctx.Random());
}

TValue Log(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), base = a.Get(1, 10);
  if (a.Failed()) return a.Error();
  if (x <= 0 || base <= 0) return Err(TEvalError::Num);
  if (base == 1) return Err(TEvalError::Div0);
  return Result(base == 10 ? std::log10(x) : std::log(x) / std::log(base));
}

TValue Atan2(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), y = a.Get(1);
  if (a.Failed()) return a.Error();
  if (x == 0 && y == 0) return Err(TEvalError::Div0);
  return Result(std::atan2(y, x));
}

template <int Mode>
TValue Round(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), d = a.Get(1);
  if (a.Failed()) return a.Error();
  return Result(RoundDigits(x, d, Mode));
}

TValue Trunc(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), d = a.Get(1, 0);
  if (a.Failed()) return a.Error();
  return Result(RoundDigits(x, d, -1));
}

TValue Mod(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double n = a.Get(0), d = a.Get(1);
  if (a.Failed()) return a.Error();
  if (d == 0) return Err(TEvalError::Div0);
  double q = Snap(n / d);
  if (std::fabs(q) >= 9007199254740992.0) return Err(TEvalError::Num);
  double r = n - d * std::floor(q);
  // The remainder takes the divisor's sign and stays below it in size.
  if (r != 0 && (r < 0) != (d < 0)) r += d;
  if (std::fabs(r) >= std::fabs(d)) r = 0;
  return Result(r);
}

TValue Power(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), y = a.Get(1);
  if (a.Failed()) return a.Error();
  if (x == 0) {
    if (y == 0) return Err(TEvalError::Num);
    if (y < 0) return Err(TEvalError::Div0);
    return Num(0);
  }
  // A negative base has no real power for a fractional exponent (the spreadsheet
  // does not look for odd roots either: (-8)^(1/3) is #NUM!).
  if (x < 0 && y != std::trunc(y)) return Err(TEvalError::Num);
  return Result(std::pow(x, y));
}

TValue Fact(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double n = std::trunc(a.Get(0));
  if (a.Failed()) return a.Error();
  if (n < 0 || n > 170) return Err(TEvalError::Num);
  double f = 1;
  for (int i = 2; i <= static_cast<int>(n); ++i) f *= i;
  return Num(f);
}

TValue Combin(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double n = std::trunc(a.Get(0)), k = std::trunc(a.Get(1));
  if (a.Failed()) return a.Error();
  if (n < 0 || k < 0 || k > n) return Err(TEvalError::Num);
  k = std::min(k, n - k);
  if (k > 1030) return Result(std::round(std::exp(LogCombin(n, k))));
  double c = 1;
  for (double i = 1; i <= k; ++i) c = c * (n - k + i) / i;
  return Result(c < 9007199254740992.0 ? std::round(c) : c);
}

TValue Permut(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double n = std::trunc(a.Get(0)), k = std::trunc(a.Get(1));
  if (a.Failed()) return a.Error();
  if (n <= 0 || k < 0 || k > n) return Err(TEvalError::Num);
  double p = 1;
  for (double i = 0; i < k && std::isfinite(p); ++i) p *= n - i;
  return Result(p);
}

// FLOOR and CEILING: multiples of significance toward or away from zero; a
// positive number with a negative significance is #NUM!.
template <bool Up>
TValue Multiple(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), sig = a.Get(1);
  if (a.Failed()) return a.Error();
  if (x == 0) return Num(0);
  if (sig == 0) return Up ? Num(0) : Err(TEvalError::Div0);
  if (x > 0 && sig < 0) return Err(TEvalError::Num);
  double q = Snap(x / sig);
  return Result((Up ? std::ceil(q) : std::floor(q)) * sig);
}

constexpr TFunctionDef kFunctions[] = {
    {15, Lifted<Unary<Sin, Any>>},
    {16, Lifted<Unary<Cos, Any>>},
    {17, Lifted<Unary<Tan, Any>>},
    {18, Lifted<Unary<Atan, Any>>},
    {19, Pi},
    {20, Lifted<Unary<Sqrt, NonNegative>>},
    {21, Lifted<Unary<Exp, Any>>},
    {22, Lifted<Unary<Ln, Positive>>},
    {23, Lifted<Unary<Log10, Positive>>},
    {24, Lifted<Unary<Abs, Any>>},
    {25, Lifted<Unary<IntPart, Any>>},
    {26, Lifted<Unary<Sign, Any>>},
    {27, Lifted<Round<0>>},
    {39, Lifted<Mod>},
    {63, Rand},
    {97, Lifted<Atan2>},
    {98, Lifted<Unary<Asin, UnitInterval>>},
    {99, Lifted<Unary<Acos, UnitInterval>>},
    {109, Lifted<Log>},
    {184, Lifted<Fact>},
    {197, Lifted<Trunc>},
    {212, Lifted<Round<1>>},
    {213, Round<-1>},
    {229, Lifted<Unary<Sinh, Any>>},
    {230, Lifted<Unary<Cosh, Any>>},
    {231, Lifted<Unary<Tanh, Any>>},
    {232, Lifted<Unary<Asinh, Any>>},
    {233, Lifted<Unary<Acosh, AtLeastOne>>},
    {234, Lifted<Unary<Atanh, OpenUnit>>},
    {276, Lifted<Combin>},
    {279, Lifted<Unary<Even, Any>>},
    {285, Lifted<Multiple<false>>},
    {288, Lifted<Multiple<true>>},
    {298, Lifted<Unary<Odd, Any>>},
    {299, Lifted<Permut>},
    {337, Lifted<Power>},
    {342, Lifted<Unary<Radians, Any>>},
    {343, Lifted<Unary<Degrees, Any>>},
};

}  // namespace

std::span<const TFunctionDef> ElementaryFunctions() noexcept { return kFunctions; }

}  // namespace tablirex::eval::math
