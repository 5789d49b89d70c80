// Probability distributions and their inverses.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "eval/math_common.h"

namespace tablirex::eval::math {
namespace {

using TArgs = std::span<const TValue>;

#define READ_ARGS_OR_RETURN(a) \
  if ((a).Failed()) return (a).Error()

// An inverse by search: the root of f(x) = target for an increasing f on
// [lo, hi), widening hi until it brackets the root. An inverse that does not
// settle is #N/A, as the spreadsheet reports it.
TValue Inverse(TEvalContext& ctx, const std::function<double(double)>& f, double target, double lo, double hi,
               bool widen) {
  if (widen) {
    for (int i = 0; i < 1000 && f(hi) < target; ++i) hi *= 2;  // NaN stops the widening too
  }
  double x;
  if (!SolveIncreasing(f, target, lo, hi, x)) return Err(TEvalError::NA);
  return Checked(ctx, x);
}

double BinomPmf(double k, double n, double p) {
  if (p == 0) return k == 0 ? 1 : 0;
  if (p == 1) return k == n ? 1 : 0;
  return std::exp(LogCombin(n, k) + k * std::log(p) + (n - k) * std::log1p(-p));
}

double BinomCdf(double s, double n, double p) {
  if (s >= n) return 1;
  if (n <= 1000) {
    double c = 0;
    for (double k = 0; k <= s; ++k) c += BinomPmf(k, n, p);
    return std::min(c, 1.0);
  }
  return BetaI(1 - p, n - s, s + 1);
}

TValue NormDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), mu = a.Get(1), sd = a.Get(2);
  bool cum = a.GetBool(3, false);
  READ_ARGS_OR_RETURN(a);
  if (sd <= 0) return Err(TEvalError::Num);
  double z = (x - mu) / sd;
  if (cum) return Checked(ctx, NormalCdf(z));
  return Checked(ctx, std::exp(-z * z / 2) / (sd * std::sqrt(2 * std::numbers::pi)));
}

TValue NormSDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double z = a.Get(0);
  READ_ARGS_OR_RETURN(a);
  return Checked(ctx, NormalCdf(z));
}

TValue NormInv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double p = a.Get(0), mu = a.Get(1), sd = a.Get(2);
  READ_ARGS_OR_RETURN(a);
  if (p <= 0 || p >= 1 || sd <= 0) return Err(TEvalError::Num);
  return Checked(ctx, mu + sd * NormalInv(p));
}

TValue NormSInv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double p = a.Get(0);
  READ_ARGS_OR_RETURN(a);
  if (p <= 0 || p >= 1) return Err(TEvalError::Num);
  return Checked(ctx, NormalInv(p));
}

TValue LogNormDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), mu = a.Get(1), sd = a.Get(2);
  READ_ARGS_OR_RETURN(a);
  if (x <= 0 || sd <= 0) return Err(TEvalError::Num);
  return Checked(ctx, NormalCdf((std::log(x) - mu) / sd));
}

TValue LogInv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double p = a.Get(0), mu = a.Get(1), sd = a.Get(2);
  READ_ARGS_OR_RETURN(a);
  if (p <= 0 || p >= 1 || sd <= 0) return Err(TEvalError::Num);
  return Checked(ctx, std::exp(mu + sd * NormalInv(p)));
}

TValue BinomDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double s = std::trunc(a.Get(0)), n = std::trunc(a.Get(1)), p = a.Get(2);
  bool cum = a.GetBool(3, false);
  READ_ARGS_OR_RETURN(a);
  if (s < 0 || s > n || p < 0 || p > 1) return Err(TEvalError::Num);
  return Checked(ctx, cum ? BinomCdf(s, n, p) : BinomPmf(s, n, p));
}

TValue CritBinom(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double n = std::trunc(a.Get(0)), p = a.Get(1), alpha = a.Get(2);
  READ_ARGS_OR_RETURN(a);
  if (n < 0 || p < 0 || p > 1 || alpha < 0 || alpha > 1) return Err(TEvalError::Num);
  if (n <= 1e6) {
    double c = 0;
    for (double k = 0; k < n; ++k) {
      c += BinomPmf(k, n, p);
      if (c >= alpha * (1 - 1e-15)) return Num(k);
    }
    return Num(n);
  }
  double lo = -1, hi = n;  // BinomCdf(lo) < alpha <= BinomCdf(hi)
  while (hi - lo > 1) {
    double mid = std::floor((lo + hi) / 2);
    if (BinomCdf(mid, n, p) >= alpha) hi = mid;
    else lo = mid;
  }
  return Num(hi);
}

TValue NegBinomDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double f = std::trunc(a.Get(0)), s = std::trunc(a.Get(1)), p = a.Get(2);
  READ_ARGS_OR_RETURN(a);
  if (p < 0 || p > 1 || f < 0 || s < 1) return Err(TEvalError::Num);
  if (p == 0) return Num(0);
  if (p == 1) return Num(f == 0 ? 1 : 0);
  return Checked(ctx, std::exp(LogCombin(f + s - 1, s - 1) + s * std::log(p) + f * std::log1p(-p)));
}

TValue Poisson(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = std::trunc(a.Get(0)), m = a.Get(1);
  bool cum = a.GetBool(2, false);
  READ_ARGS_OR_RETURN(a);
  if (x < 0 || m < 0) return Err(TEvalError::Num);
  if (m == 0) return Num(cum || x == 0 ? 1 : 0);
  auto pmf = [m](double k) { return std::exp(-m + k * std::log(m) - std::lgamma(k + 1)); };
  if (!cum) return Checked(ctx, pmf(x));
  if (x <= 1000) {
    double c = 0;
    for (double k = 0; k <= x; ++k) c += pmf(k);
    return Checked(ctx, std::min(c, 1.0));
  }
  return Checked(ctx, GammaQ(x + 1, m));
}

TValue ExponDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), l = a.Get(1);
  bool cum = a.GetBool(2, false);
  READ_ARGS_OR_RETURN(a);
  if (x < 0 || l <= 0) return Err(TEvalError::Num);
  return Checked(ctx, cum ? -std::expm1(-l * x) : l * std::exp(-l * x));
}

TValue GammaDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), al = a.Get(1), b = a.Get(2);
  bool cum = a.GetBool(3, false);
  READ_ARGS_OR_RETURN(a);
  if (x < 0 || al <= 0 || b <= 0) return Err(TEvalError::Num);
  if (cum) return Checked(ctx, GammaP(al, x / b));
  if (x == 0) return al < 1 ? Err(TEvalError::Num) : Num(al == 1 ? 1 / b : 0);
  return Checked(ctx, std::exp((al - 1) * std::log(x) - x / b - al * std::log(b) - std::lgamma(al)));
}

TValue GammaInv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double p = a.Get(0), al = a.Get(1), b = a.Get(2);
  READ_ARGS_OR_RETURN(a);
  if (p < 0 || p >= 1 || al <= 0 || b <= 0) return Err(TEvalError::Num);
  if (p == 0) return Num(0);
  TValue y = Inverse(ctx, [al](double v) { return GammaP(al, v); }, p, 0, std::max(1.0, al), true);
  return y.IsNumber() ? Checked(ctx, y.Num() * b) : y;
}

TValue GammaLn(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0);
  READ_ARGS_OR_RETURN(a);
  if (x <= 0) return Err(TEvalError::Num);
  return Checked(ctx, std::lgamma(x));
}

TValue BetaDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), al = a.Get(1), b = a.Get(2), lo = a.Get(3, 0), hi = a.Get(4, 1);
  READ_ARGS_OR_RETURN(a);
  if (al <= 0 || b <= 0 || lo >= hi || x < lo || x > hi) return Err(TEvalError::Num);
  return Checked(ctx, BetaI((x - lo) / (hi - lo), al, b));
}

TValue BetaInv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double p = a.Get(0), al = a.Get(1), b = a.Get(2), lo = a.Get(3, 0), hi = a.Get(4, 1);
  READ_ARGS_OR_RETURN(a);
  if (p <= 0 || p > 1 || al <= 0 || b <= 0 || lo >= hi) return Err(TEvalError::Num);
  if (p == 1) return Num(hi);
  TValue y = Inverse(ctx, [al, b](double v) { return BetaI(v, al, b); }, p, 0, 1, false);
  return y.IsNumber() ? Checked(ctx, lo + y.Num() * (hi - lo)) : y;
}

TValue ChiDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), df = std::trunc(a.Get(1));
  READ_ARGS_OR_RETURN(a);
  if (x < 0 || df < 1 || df > 1e10) return Err(TEvalError::Num);
  return Checked(ctx, GammaQ(df / 2, x / 2));
}

TValue ChiInv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double p = a.Get(0), df = std::trunc(a.Get(1));
  READ_ARGS_OR_RETURN(a);
  if (p <= 0 || p > 1 || df < 1 || df > 1e10) return Err(TEvalError::Num);
  if (p == 1) return Num(0);
  return Inverse(ctx, [df](double v) { return -GammaQ(df / 2, v / 2); }, -p, 0, std::max(1.0, df), true);
}

double TwoTailT(double t, double df) { return BetaI(df / (df + t * t), df / 2, 0.5); }

TValue TDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), df = std::trunc(a.Get(1)), tails = std::trunc(a.Get(2));
  READ_ARGS_OR_RETURN(a);
  if (x < 0 || df < 1 || (tails != 1 && tails != 2)) return Err(TEvalError::Num);
  double two = TwoTailT(x, df);
  return Checked(ctx, tails == 1 ? two / 2 : two);
}

TValue TInv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double p = a.Get(0), df = std::trunc(a.Get(1));
  READ_ARGS_OR_RETURN(a);
  if (p <= 0 || p > 1 || df < 1) return Err(TEvalError::Num);
  if (p == 1) return Num(0);
  return Inverse(ctx, [df](double t) { return -TwoTailT(t, df); }, -p, 0, 1, true);
}

double FRight(double x, double d1, double d2) { return BetaI(d2 / (d2 + d1 * x), d2 / 2, d1 / 2); }

TValue FDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), d1 = std::trunc(a.Get(1)), d2 = std::trunc(a.Get(2));
  READ_ARGS_OR_RETURN(a);
  if (x < 0 || d1 < 1 || d2 < 1 || d1 >= 1e10 || d2 >= 1e10) return Err(TEvalError::Num);
  return Checked(ctx, FRight(x, d1, d2));
}

TValue FInv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double p = a.Get(0), d1 = std::trunc(a.Get(1)), d2 = std::trunc(a.Get(2));
  READ_ARGS_OR_RETURN(a);
  if (p <= 0 || p > 1 || d1 < 1 || d2 < 1 || d1 >= 1e10 || d2 >= 1e10) return Err(TEvalError::Num);
  if (p == 1) return Num(0);
  return Inverse(ctx, [d1, d2](double x) { return -FRight(x, d1, d2); }, -p, 0, 1, true);
}

TValue HypGeomDist(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double s = std::trunc(a.Get(0)), n = std::trunc(a.Get(1)), m = std::trunc(a.Get(2)),
         pop = std::trunc(a.Get(3));
  READ_ARGS_OR_RETURN(a);
  if (s < 0 || s > n || s > m || s < n - pop + m || n <= 0 || n > pop || m <= 0 || m > pop || pop <= 0)
    return Err(TEvalError::Num);
  return Checked(ctx, std::exp(LogCombin(m, s) + LogCombin(pop - m, n - s) - LogCombin(pop, n)));
}

TValue Weibull(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), al = a.Get(1), b = a.Get(2);
  bool cum = a.GetBool(3, false);
  READ_ARGS_OR_RETURN(a);
  if (x < 0 || al <= 0 || b <= 0) return Err(TEvalError::Num);
  double t = std::pow(x / b, al);
  if (cum) return Checked(ctx, -std::expm1(-t));
  return Checked(ctx, al / std::pow(b, al) * std::pow(x, al - 1) * std::exp(-t));
}

TValue Fisher(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0);
  READ_ARGS_OR_RETURN(a);
  if (x <= -1 || x >= 1) return Err(TEvalError::Num);
  return Checked(ctx, std::atanh(x));
}

TValue FisherInv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double y = a.Get(0);
  READ_ARGS_OR_RETURN(a);
  return Checked(ctx, std::tanh(y));
}

TValue Standardize(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0), mean = a.Get(1), sd = a.Get(2);
  READ_ARGS_OR_RETURN(a);
  if (sd <= 0) return Err(TEvalError::Num);
  return Checked(ctx, (x - mean) / sd);
}

TValue Confidence(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double alpha = a.Get(0), sd = a.Get(1), n = std::trunc(a.Get(2));
  READ_ARGS_OR_RETURN(a);
  if (alpha <= 0 || alpha >= 1 || sd <= 0 || n < 1) return Err(TEvalError::Num);
  return Checked(ctx, NormalInv(1 - alpha / 2) * sd / std::sqrt(n));
}

#undef READ_ARGS_OR_RETURN

constexpr TFunctionDef kFunctions[] = {
    {270, Lifted<BetaDist>}, {271, Lifted<GammaLn>}, {272, Lifted<BetaInv>}, {273, Lifted<BinomDist>},
    {274, Lifted<ChiDist>}, {275, Lifted<ChiInv>}, {277, Lifted<Confidence>}, {278, Lifted<CritBinom>},
    {280, Lifted<ExponDist>}, {281, Lifted<FDist>}, {282, Lifted<FInv>}, {283, Lifted<Fisher>},
    {284, Lifted<FisherInv>}, {286, Lifted<GammaDist>}, {287, Lifted<GammaInv>}, {289, Lifted<HypGeomDist>},
    {290, Lifted<LogNormDist>}, {291, Lifted<LogInv>}, {292, Lifted<NegBinomDist>}, {293, Lifted<NormDist>},
    {294, Lifted<NormSDist>}, {295, Lifted<NormInv>}, {296, Lifted<NormSInv>}, {297, Lifted<Standardize>},
    {300, Lifted<Poisson>}, {301, Lifted<TDist>}, {302, Lifted<Weibull>}, {332, Lifted<TInv>},
};

}  // namespace

std::span<const TFunctionDef> DistributionFunctions() noexcept { return kFunctions; }

}  // namespace tablirex::eval::math
