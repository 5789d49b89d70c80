// Aggregation: COUNT, SUM, AVERAGE, MIN, MAX, PRODUCT, SUMSQ, SUBTOTAL,
// SUMPRODUCT and the sums over pairs of arrays.
#include <algorithm>
#include <cmath>
#include <limits>

#include "eval/math_common.h"

namespace tablirex::eval::math {
namespace {

using TArgs = std::span<const TValue>;

TValue Count(TEvalContext& ctx, TArgs args) {
  double n = 0;
  for (const TValue& a : args) {
    switch (a.Kind()) {
      case TValueKind::Area:
        ctx.ForEachCell(a.Area(), [&](std::int32_t, std::int32_t, std::int32_t, const TValue& v) {
          if (v.IsNumber()) ++n;
          return true;
        });
        break;
      case TValueKind::Array:
        for (const TValue& v : a.Arr().items) n += v.IsNumber();
        break;
      case TValueKind::Number:
      case TValueKind::Boolean:
      case TValueKind::Empty:
        ++n;
        break;
      case TValueKind::Text:
        n += !TextToNumber(ctx, a).IsError();
        break;
      case TValueKind::Error:
        break;
    }
  }
  return Num(n);
}

TValue Sum(TEvalContext& ctx, TArgs args) {
  double s = 0;
  TValue e = ForEachNumber(ctx, args, [&](double x) { s += x; });
  return e.IsError() ? e : Result(s);
}

TValue SumSq(TEvalContext& ctx, TArgs args) {
  double s = 0;
  TValue e = ForEachNumber(ctx, args, [&](double x) { s += x * x; });
  return e.IsError() ? e : Result(s);
}

TValue Average(TEvalContext& ctx, TArgs args) {
  double s = 0, n = 0;
  TValue e = ForEachNumber(ctx, args, [&](double x) { s += x; ++n; });
  if (e.IsError()) return e;
  return n == 0 ? Err(TEvalError::Div0) : Result(s / n);
}

TValue Extreme(TEvalContext& ctx, TArgs args, bool max) {
  double best = max ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  bool any = false;
  TValue e = ForEachNumber(ctx, args, [&](double x) {
    best = max ? std::max(best, x) : std::min(best, x);
    any = true;
  });
  if (e.IsError()) return e;
  return Num(any ? best : 0);
}
TValue Min(TEvalContext& ctx, TArgs args) { return Extreme(ctx, args, false); }
TValue Max(TEvalContext& ctx, TArgs args) { return Extreme(ctx, args, true); }

TValue Product(TEvalContext& ctx, TArgs args) {
  double p = 1;
  bool any = false;
  TValue e = ForEachNumber(ctx, args, [&](double x) { p *= x; any = true; });
  if (e.IsError()) return e;
  return Result(any ? p : 0);
}

// SUBTOTAL(function, reference...): 1 AVERAGE, 2 COUNT, 3 COUNTA, 4 MAX, 5 MIN,
// 6 PRODUCT, 7 STDEV, 8 STDEVP, 9 SUM, 10 VAR, 11 VARP; 101-111 the same leaving
// hidden rows out. Cells that hold subtotals themselves are always left out, and
// so are rows a filter hides.
TValue Subtotal(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args.first(1));
  double f = std::trunc(a.Get(0));
  if (a.Failed()) return a.Error();
  if (!(f >= 1 && f <= 111)) return Err(TEvalError::Value);
  bool skipHidden = f > 100;
  int fn = static_cast<int>(skipHidden ? f - 100 : f);
  if (fn < 1 || fn > 11 || (f > 11 && f < 101)) return Err(TEvalError::Value);
  std::vector<double> nums;
  double counta = 0;
  TValue err;
  bool unknown = false;
  for (const TValue& ref : args.subspan(1)) {
    if (!ref.IsArea()) return Err(TEvalError::Value);
    ctx.ForEachCell(ref.Area(), [&](std::int32_t s, std::int32_t r, std::int32_t c, const TValue& v) {
      int sub = ctx.IsSubtotalCell(s, r, c);
      int hidden = ctx.IsRowHidden(s, r);
      if (sub < 0 || hidden < 0) { unknown = true; return false; }
      if (sub == 1 || (skipHidden && hidden == 1)) return true;
      if (fn == 3) { ++counta; return true; }
      if (v.IsNumber()) nums.push_back(v.Num());
      else if (v.IsError() && fn != 2) { err = v; return false; }
      return true;
    });
    if (unknown) {
      ctx.MarkUncomputable("SUBTOTAL over cells the engine cannot classify");
      return Err(TEvalError::Value);
    }
    if (err.IsError()) return err;
  }
  double s = 0, p = 1;
  for (double x : nums) { s += x; p *= x; }
  switch (fn) {
    case 1: return nums.empty() ? Err(TEvalError::Div0) : Result(s / static_cast<double>(nums.size()));
    case 2: return Num(static_cast<double>(nums.size()));
    case 3: return Num(counta);
    case 4: return Num(nums.empty() ? 0 : *std::max_element(nums.begin(), nums.end()));
    case 5: return Num(nums.empty() ? 0 : *std::min_element(nums.begin(), nums.end()));
    case 6: return Result(nums.empty() ? 0 : p);
    case 7: return Variance(nums, true, true);
    case 8: return Variance(nums, false, true);
    case 9: return Result(s);
    case 10: return Variance(nums, true, false);
    default: return Variance(nums, false, false);
  }
}

TValue SumProduct(TEvalContext& ctx, TArgs args) {
  std::vector<TGrid> grids(args.size());
  TValue err;
  for (std::size_t i = 0; i < args.size(); ++i)
    if (!ReadGrid(ctx, args[i], grids[i], err)) return err;
  for (const TGrid& g : grids)
    if (g.rows != grids[0].rows || g.cols != grids[0].cols) return Err(TEvalError::Value);
  // Items that are not numbers count as 0.
  double s = 0;
  for (std::size_t k = 0; k < grids[0].Size(); ++k) {
    double p = 1;
    for (const TGrid& g : grids) p *= g.num[k];
    s += p;
  }
  return Result(s);
}

template <class F>
TValue PairSum(TEvalContext& ctx, TArgs args, F f) {
  std::vector<double> x, y;
  TValue err;
  if (!ReadPairs(ctx, args[0], args[1], x, y, err)) return err;
  double s = 0;
  for (std::size_t i = 0; i < x.size(); ++i) s += f(x[i], y[i]);
  return Result(s);
}
TValue SumXMY2(TEvalContext& ctx, TArgs args) {
  return PairSum(ctx, args, [](double x, double y) { return (x - y) * (x - y); });
}
TValue SumX2MY2(TEvalContext& ctx, TArgs args) {
  return PairSum(ctx, args, [](double x, double y) { return x * x - y * y; });
}
TValue SumX2PY2(TEvalContext& ctx, TArgs args) {
  return PairSum(ctx, args, [](double x, double y) { return x * x + y * y; });
}

constexpr TFunctionDef kFunctions[] = {
    {0, Count},      {4, Sum},          {5, Average},      {6, Min},          {7, Max},
    {183, Product},  {321, SumSq},      {344, Subtotal},   {228, SumProduct}, {303, SumXMY2},
    {304, SumX2MY2}, {305, SumX2PY2},
};

}  // namespace

std::span<const TFunctionDef> AggregateFunctions() noexcept { return kFunctions; }

}  // namespace tablirex::eval::math
