// Statistics of samples: spread and shape, order statistics, frequencies and
// the tests of hypotheses.
#include <algorithm>
#include <cmath>
#include <map>

#include "eval/math_common.h"

namespace tablirex::eval::math {
namespace {

using TArgs = std::span<const TValue>;

#define COLLECT_OR_RETURN(args, v)            \
  std::vector<double> v;                      \
  {                                           \
    TValue e_;                                \
    if (!CollectNumbers(ctx, args, v, e_)) return e_; \
  }

template <bool Sample, bool Root>
TValue Spread(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args, v);
  return Variance(v, Sample, Root);
}

TValue Median(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args, v);
  if (v.empty()) return Err(TEvalError::Num);
  std::sort(v.begin(), v.end());
  std::size_t n = v.size();
  return Result(n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// The most frequent value; among equally frequent ones the first in the data.
TValue Mode(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args, v);
  std::map<double, std::size_t> counts;
  for (double x : v) ++counts[x];
  std::size_t best = 1;
  double mode = 0;
  for (double x : v) {
    std::size_t c = counts[x];
    if (c > best) { best = c; mode = x; }
  }
  return best > 1 ? Num(mode) : Err(TEvalError::NA);
}

TValue Rank(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0);
  bool ascending = a.Get(2, 0) != 0;
  if (a.Failed()) return a.Error();
  if (!args[1].IsArea() && !args[1].IsArray()) return Err(TEvalError::Value);
  COLLECT_OR_RETURN(args.subspan(1, 1), v);
  double rank = 1;
  bool found = false;
  for (double y : v) {
    if (y == x) found = true;
    else if (ascending ? y < x : y > x) ++rank;
  }
  return found ? Num(rank) : Err(TEvalError::NA);
}

TValue AveDev(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args, v);
  if (v.empty()) return Err(TEvalError::Num);
  double m = Mean(v), s = 0;
  for (double x : v) s += std::fabs(x - m);
  return Result(s / static_cast<double>(v.size()));
}

TValue DevSqFn(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args, v);
  if (v.empty()) return Err(TEvalError::Num);
  return Result(DevSq(v));
}

TValue GeoMean(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args, v);
  if (v.empty()) return Err(TEvalError::Num);
  double s = 0;
  for (double x : v) {
    if (x <= 0) return Err(TEvalError::Num);
    s += std::log(x);
  }
  return Result(std::exp(s / static_cast<double>(v.size())));
}

TValue HarMean(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args, v);
  if (v.empty()) return Err(TEvalError::Num);
  double s = 0;
  for (double x : v) {
    if (x <= 0) return Err(TEvalError::Num);
    s += 1 / x;
  }
  return Result(static_cast<double>(v.size()) / s);
}

// KURT (Power 4) and SKEW (Power 3) from the standardised moments.
template <int Power>
TValue Moment(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args, v);
  double n = static_cast<double>(v.size());
  if (n < Power) return Err(TEvalError::Div0);
  double m = Mean(v), sd = std::sqrt(DevSq(v) / (n - 1));
  if (sd == 0) return Err(TEvalError::Div0);
  double s = 0;
  for (double x : v) s += std::pow((x - m) / sd, Power);
  if (Power == 3) return Result(n / ((n - 1) * (n - 2)) * s);
  return Result(n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) * s - 3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)));
}

template <bool Largest>
TValue Kth(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args.first(1), v);
  TNumArgs a(ctx, args);
  double k = Snap(a.Get(1));
  if (a.Failed()) return a.Error();
  if (k != std::floor(k)) {
    // Readers disagree on a k between two positions; leave it to the spreadsheet.
    ctx.MarkUncomputable("LARGE or SMALL with a fractional position");
    k = std::ceil(k);
  }
  if (v.empty() || k < 1 || k > static_cast<double>(v.size())) return Err(TEvalError::Num);
  std::size_t i = static_cast<std::size_t>(k) - 1;
  if (Largest) i = v.size() - 1 - i;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(i), v.end());
  return Num(v[i]);
}

double PercentileOf(std::vector<double>& v, double k) {
  std::sort(v.begin(), v.end());
  double h = (static_cast<double>(v.size()) - 1) * k;
  std::size_t lo = static_cast<std::size_t>(std::floor(h));
  if (lo + 1 >= v.size()) return v.back();
  return v[lo] + (h - static_cast<double>(lo)) * (v[lo + 1] - v[lo]);
}

TValue Percentile(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args.first(1), v);
  TNumArgs a(ctx, args);
  double k = a.Get(1);
  if (a.Failed()) return a.Error();
  if (v.empty() || k < 0 || k > 1) return Err(TEvalError::Num);
  return Result(PercentileOf(v, k));
}

TValue Quartile(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args.first(1), v);
  TNumArgs a(ctx, args);
  double q = std::trunc(a.Get(1));
  if (a.Failed()) return a.Error();
  if (v.empty() || q < 0 || q > 4) return Err(TEvalError::Num);
  return Result(PercentileOf(v, q / 4));
}

// The share of the data below x: for a data value, the values below it over
// n - 1; between two data values, the position of the last value below x plus
// the fraction of the way to the next, over n - 1. Truncated to the given number
// of digits.
TValue PercentRank(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args.first(1), v);
  TNumArgs a(ctx, args);
  double x = a.Get(1), digits = std::trunc(a.Get(2, 3));
  if (a.Failed()) return a.Error();
  if (digits < 1) return Err(TEvalError::Num);
  if (v.empty()) return Err(TEvalError::NA);
  std::sort(v.begin(), v.end());
  if (x < v.front() || x > v.back()) return Err(TEvalError::NA);
  if (v.size() == 1) return Num(1);
  double n = static_cast<double>(v.size());
  auto it = std::lower_bound(v.begin(), v.end(), x);
  double below = static_cast<double>(it - v.begin());
  double r = *it == x ? below / (n - 1) : (below - 1 + (x - *(it - 1)) / (*it - *(it - 1))) / (n - 1);
  double p = std::pow(10.0, digits);
  return Result(std::floor(Snap(r * p)) / p);
}

TValue TrimMean(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args.first(1), v);
  TNumArgs a(ctx, args);
  double pct = a.Get(1);
  if (a.Failed()) return a.Error();
  if (v.empty() || pct < 0 || pct >= 1) return Err(TEvalError::Num);
  std::size_t k = static_cast<std::size_t>(std::floor(Snap(static_cast<double>(v.size()) * pct / 2)));
  std::sort(v.begin(), v.end());
  double s = 0;
  for (std::size_t i = k; i < v.size() - k; ++i) s += v[i];
  return Result(s / static_cast<double>(v.size() - 2 * k));
}

// FREQUENCY(data, bins): a column of len(bins) + 1 counts, each bin counting the
// data above the next lower bin up to itself, in the bins' own order.
TValue Frequency(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args.first(1), data);
  COLLECT_OR_RETURN(args.subspan(1, 1), bins);
  std::vector<std::size_t> order(bins.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return bins[x] < bins[y]; });
  std::vector<double> sorted;
  for (std::size_t i : order) sorted.push_back(bins[i]);
  std::vector<double> counts(bins.size() + 1, 0);
  std::vector<double> bySorted(bins.size() + 1, 0);
  for (double x : data) {
    std::size_t j = static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), x) - sorted.begin());
    ++bySorted[j];
  }
  for (std::size_t j = 0; j < order.size(); ++j) counts[order[j]] = bySorted[j];
  counts.back() = bySorted.back();
  return MakeNumberArray(static_cast<std::int32_t>(counts.size()), 1, counts);
}

TValue ZTest(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args.first(1), v);
  TNumArgs a(ctx, args);
  double x = a.Get(1);
  bool given = a.Present(2);
  double sigma = a.Get(2, 0);
  if (a.Failed()) return a.Error();
  if (v.empty()) return Err(TEvalError::NA);
  double n = static_cast<double>(v.size());
  if (!given) {
    if (v.size() < 2) return Err(TEvalError::Div0);
    sigma = std::sqrt(DevSq(v) / (n - 1));
  }
  if (sigma <= 0) return given ? Err(TEvalError::Num) : Err(TEvalError::Div0);
  return Checked(ctx, 1 - NormalCdf((Mean(v) - x) / (sigma / std::sqrt(n))));
}

TValue Prob(TEvalContext& ctx, TArgs args) {
  std::vector<double> x, p;
  TGrid gx, gp;
  TValue err;
  if (!ReadGrid(ctx, args[0], gx, err) || !ReadGrid(ctx, args[1], gp, err)) return err;
  if (gx.Size() != gp.Size()) return Err(TEvalError::NA);
  double total = 0;
  for (std::size_t i = 0; i < gx.Size(); ++i) {
    if (!gx.isNum[i] || !gp.isNum[i]) continue;
    if (gp.num[i] < 0 || gp.num[i] > 1) return Err(TEvalError::Num);
    x.push_back(gx.num[i]);
    p.push_back(gp.num[i]);
    total += gp.num[i];
  }
  if (std::fabs(total - 1) > 1e-12) return Err(TEvalError::Num);
  TNumArgs a(ctx, args);
  double lo = a.Get(2), hi = a.Present(3) ? a.Get(3) : lo;
  if (a.Failed()) return a.Error();
  double s = 0;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (x[i] >= lo && x[i] <= hi) s += p[i];
  return Result(s);
}

double TwoTail(double t, double df) { return BetaI(df / (df + t * t), df / 2, 0.5); }

TValue TTest(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double tails = std::trunc(a.Get(2)), type = std::trunc(a.Get(3));
  if (a.Failed()) return a.Error();
  if ((tails != 1 && tails != 2) || type < 1 || type > 3) return Err(TEvalError::Num);
  double t, df;
  if (type == 1) {
    std::vector<double> x, y;
    TValue err;
    if (!ReadPairs(ctx, args[0], args[1], x, y, err)) return err;
    for (std::size_t i = 0; i < x.size(); ++i) x[i] -= y[i];
    double n = static_cast<double>(x.size());
    if (n < 2) return Err(TEvalError::Div0);
    double sd = std::sqrt(DevSq(x) / (n - 1));
    if (sd == 0) return Err(TEvalError::Div0);
    t = Mean(x) / (sd / std::sqrt(n));
    df = n - 1;
  } else {
    COLLECT_OR_RETURN(args.first(1), x);
    COLLECT_OR_RETURN(args.subspan(1, 1), y);
    double n1 = static_cast<double>(x.size()), n2 = static_cast<double>(y.size());
    if (n1 < 2 || n2 < 2) return Err(TEvalError::Div0);
    double v1 = DevSq(x) / (n1 - 1), v2 = DevSq(y) / (n2 - 1), se;
    if (type == 2) {
      df = n1 + n2 - 2;
      se = std::sqrt(((n1 - 1) * v1 + (n2 - 1) * v2) / df * (1 / n1 + 1 / n2));
    } else {
      double a1 = v1 / n1, a2 = v2 / n2;
      se = std::sqrt(a1 + a2);
      df = (a1 + a2) * (a1 + a2) / (a1 * a1 / (n1 - 1) + a2 * a2 / (n2 - 1));
    }
    if (se == 0) return Err(TEvalError::Div0);
    t = (Mean(x) - Mean(y)) / se;
  }
  double p = TwoTail(std::fabs(t), df);
  return Checked(ctx, tails == 1 ? p / 2 : p);
}

TValue FTest(TEvalContext& ctx, TArgs args) {
  COLLECT_OR_RETURN(args.first(1), x);
  COLLECT_OR_RETURN(args.subspan(1, 1), y);
  double n1 = static_cast<double>(x.size()), n2 = static_cast<double>(y.size());
  if (n1 < 2 || n2 < 2) return Err(TEvalError::Div0);
  double v1 = DevSq(x) / (n1 - 1), v2 = DevSq(y) / (n2 - 1);
  if (v1 == 0 || v2 == 0) return Err(TEvalError::Div0);
  double d1 = n1 - 1, d2 = n2 - 1, f = v1 / v2;
  double right = BetaI(d2 / (d2 + d1 * f), d2 / 2, d1 / 2);
  return Checked(ctx, 2 * std::min(right, 1 - right));
}

TValue ChiTest(TEvalContext& ctx, TArgs args) {
  TGrid ga, ge;
  TValue err;
  if (!ReadGrid(ctx, args[0], ga, err) || !ReadGrid(ctx, args[1], ge, err)) return err;
  if (ga.rows != ge.rows || ga.cols != ge.cols) return Err(TEvalError::NA);
  double chi = 0;
  for (std::size_t i = 0; i < ga.Size(); ++i) {
    if (!ga.isNum[i] || !ge.isNum[i]) continue;
    double e = ge.num[i], d = ga.num[i] - e;
    if (e == 0) return Err(TEvalError::Div0);
    chi += d * d / e;
  }
  double df;
  if (ga.rows > 1 && ga.cols > 1) df = static_cast<double>(ga.rows - 1) * (ga.cols - 1);
  else if (ga.Size() > 1) df = static_cast<double>(ga.Size()) - 1;
  else return Err(TEvalError::NA);
  if (chi < 0) return Err(TEvalError::Num);
  return Checked(ctx, GammaQ(df / 2, chi / 2));
}

#undef COLLECT_OR_RETURN

constexpr TFunctionDef kFunctions[] = {
    {12, Spread<true, true>}, {46, Spread<true, false>}, {193, Spread<false, true>},
    {194, Spread<false, false>}, {216, Lifted<Rank, 1u>}, {227, Median}, {252, Frequency}, {269, AveDev},
    {306, ChiTest}, {310, FTest}, {316, TTest}, {317, Prob}, {318, DevSqFn}, {319, GeoMean}, {320, HarMean},
    {322, Moment<4>}, {323, Moment<3>}, {324, ZTest}, {325, Lifted<Kth<true>, 2u>},
    {326, Lifted<Kth<false>, 2u>}, {327, Lifted<Quartile, 2u>}, {328, Lifted<Percentile, 2u>},
    {329, Lifted<PercentRank, 2u>}, {330, Mode}, {331, TrimMean},
};

}  // namespace

std::span<const TFunctionDef> StatisticFunctions() noexcept { return kFunctions; }

}  // namespace tablirex::eval::math
