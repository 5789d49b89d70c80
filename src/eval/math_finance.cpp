// Finance: annuities (PV, FV, PMT, NPER, RATE, IPMT, PPMT), cash flows (NPV,
// IRR, MIRR) and depreciation (SLN, SYD, DDB, DB, VDB).
#include <algorithm>
#include <cmath>

#include "eval/math_common.h"

namespace tablirex::eval::math {
namespace {

using TArgs = std::span<const TValue>;

// Depreciation is computed period by period up to this many periods.
constexpr double kMaxPeriods = 1e6;

#define READ_ARGS_OR_RETURN(a) \
  if ((a).Failed()) return (a).Error()

// The annuity equation, signed as the spreadsheet signs it (money paid out is
// negative): pv (1+r)^n + pmt (1 + r type) ((1+r)^n - 1) / r + fv = 0.
double FutureValue(double r, double n, double pmt, double pv, double type) {
  if (r == 0) return -(pv + pmt * n);
  double g = std::pow(1 + r, n);
  return -(pv * g + pmt * (1 + r * type) * (g - 1) / r);
}

double Payment(double r, double n, double pv, double fv, double type) {
  if (r == 0) return -(pv + fv) / n;
  double g = std::pow(1 + r, n);
  return -(pv * g + fv) * r / ((1 + r * type) * (g - 1));
}

double InterestPart(double r, double per, double n, double pv, double fv, double type) {
  double pmt = Payment(r, n, pv, fv, type);
  double ip;
  if (per == 1) ip = type != 0 ? 0 : -pv;
  else if (type != 0) ip = FutureValue(r, per - 2, pmt, pv, 1) - pmt;
  else ip = FutureValue(r, per - 1, pmt, pv, 0);
  return ip * r;
}

TValue Pv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double r = a.Get(0), n = a.Get(1), pmt = a.Get(2), fv = a.Get(3, 0), t = a.Get(4, 0) != 0;
  READ_ARGS_OR_RETURN(a);
  if (r == 0) return Result(-(fv + pmt * n));
  double g = std::pow(1 + r, n);
  return Result(-(fv + pmt * (1 + r * t) * (g - 1) / r) / g);
}

TValue Fv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double r = a.Get(0), n = a.Get(1), pmt = a.Get(2), pv = a.Get(3, 0), t = a.Get(4, 0) != 0;
  READ_ARGS_OR_RETURN(a);
  return Result(FutureValue(r, n, pmt, pv, t));
}

TValue Pmt(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double r = a.Get(0), n = a.Get(1), pv = a.Get(2), fv = a.Get(3, 0), t = a.Get(4, 0) != 0;
  READ_ARGS_OR_RETURN(a);
  if (n == 0) return Err(TEvalError::Num);
  return Result(Payment(r, n, pv, fv, t));
}

TValue NPer(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double r = a.Get(0), pmt = a.Get(1), pv = a.Get(2), fv = a.Get(3, 0), t = a.Get(4, 0) != 0;
  READ_ARGS_OR_RETURN(a);
  if (r == 0) {
    if (pmt == 0) return Err(TEvalError::Num);
    return Result(-(pv + fv) / pmt);
  }
  if (r <= -1) return Err(TEvalError::Num);
  double num = pmt * (1 + r * t) - fv * r, den = pmt * (1 + r * t) + pv * r;
  if (den == 0 || num / den <= 0) return Err(TEvalError::Num);
  return Result(std::log(num / den) / std::log1p(r));
}

// The rate that solves the annuity equation, by Newton's method from the guess.
TValue Rate(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double n = a.Get(0), pmt = a.Get(1), pv = a.Get(2), fv = a.Get(3, 0), t = a.Get(4, 0) != 0,
         r = a.Get(5, 0.1);
  READ_ARGS_OR_RETURN(a);
  if (n <= 0) return Err(TEvalError::Num);
  auto f = [&](double x) {
    if (std::fabs(x) < 1e-12) return pv + pmt * n + fv;
    double g = std::pow(1 + x, n);
    return pv * g + pmt * (1 + x * t) * (g - 1) / x + fv;
  };
  double scale = std::max({std::fabs(pv), std::fabs(fv), std::fabs(pmt) * n, 1e-300});
  for (int i = 0; i < 100; ++i) {
    if (r <= -1) return Err(TEvalError::Num);
    double h = 1e-7 * std::max(1.0, std::fabs(r));
    double fr = f(r), d = (f(r + h) - f(r - h)) / (2 * h);
    if (!std::isfinite(fr) || !std::isfinite(d) || d == 0) return Err(TEvalError::Num);
    double step = fr / d;
    r -= step;
    if (std::fabs(step) < 1e-12 * std::max(1.0, std::fabs(r)) && std::fabs(f(r)) < 1e-9 * scale) return Result(r);
  }
  return Err(TEvalError::Num);
}

TValue IPmt(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double r = a.Get(0), per = a.Get(1), n = a.Get(2), pv = a.Get(3), fv = a.Get(4, 0), t = a.Get(5, 0) != 0;
  READ_ARGS_OR_RETURN(a);
  if (per < 1 || per > n || n <= 0) return Err(TEvalError::Num);
  return Result(InterestPart(r, per, n, pv, fv, t));
}

TValue PPmt(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double r = a.Get(0), per = a.Get(1), n = a.Get(2), pv = a.Get(3), fv = a.Get(4, 0), t = a.Get(5, 0) != 0;
  READ_ARGS_OR_RETURN(a);
  if (per < 1 || per > n || n <= 0) return Err(TEvalError::Num);
  return Result(Payment(r, n, pv, fv, t) - InterestPart(r, per, n, pv, fv, t));
}

TValue Npv(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double r = a.Get(0);
  READ_ARGS_OR_RETURN(a);
  if (r == -1) return Err(TEvalError::Div0);
  double s = 0, f = 1;
  TValue e = ForEachNumber(ctx, args.subspan(1), [&](double v) {
    f /= 1 + r;
    s += v * f;
  });
  return e.IsError() ? e : Result(s);
}

// The rate at which the cash flows' present value is zero, by Newton's method
// from the guess; #NUM! when that does not settle.
TValue Irr(TEvalContext& ctx, TArgs args) {
  std::vector<double> v;
  TValue err;
  if (!CollectNumbers(ctx, args.first(1), v, err)) return err;
  TNumArgs a(ctx, args);
  double r = a.Get(1, 0.1);
  READ_ARGS_OR_RETURN(a);
  bool pos = false, neg = false;
  for (double x : v) { pos |= x > 0; neg |= x < 0; }
  if (!pos || !neg) return Err(TEvalError::Num);
  auto npv = [&](double x, double* deriv) {
    double s = 0, d = 0, f = 1;
    for (std::size_t i = 0; i < v.size(); ++i) {
      s += v[i] * f;
      d -= static_cast<double>(i) * v[i] * f / (1 + x);
      f /= 1 + x;
    }
    if (deriv) *deriv = d;
    return s;
  };
  double scale = 0;
  for (double x : v) scale = std::max(scale, std::fabs(x));
  for (int i = 0; i < 100 && r > -1; ++i) {
    double d, s = npv(r, &d);
    if (!std::isfinite(s) || !std::isfinite(d) || d == 0) break;
    double step = s / d;
    r -= step;
    if (std::fabs(step) < 1e-12 * std::max(1.0, std::fabs(r)))
      return std::fabs(npv(r, nullptr)) < 1e-7 * scale && r > -1 ? Result(r) : Err(TEvalError::Num);
  }
  return Err(TEvalError::Num);
}

TValue Mirr(TEvalContext& ctx, TArgs args) {
  std::vector<double> v;
  TValue err;
  if (!CollectNumbers(ctx, args.first(1), v, err)) return err;
  TNumArgs a(ctx, args);
  double fr = a.Get(1), rr = a.Get(2);
  READ_ARGS_OR_RETURN(a);
  if (fr == -1 || rr == -1) return Err(TEvalError::Div0);
  double n = static_cast<double>(v.size()), npvPos = 0, npvNeg = 0, ff = 1, fr2 = 1;
  for (double x : v) {
    ff /= 1 + fr;
    fr2 /= 1 + rr;
    if (x > 0) npvPos += x * fr2;
    else if (x < 0) npvNeg += x * ff;
  }
  if (npvPos == 0 || npvNeg == 0 || n < 2) return Err(TEvalError::Div0);
  double ratio = -npvPos * std::pow(1 + rr, n) / (npvNeg * (1 + fr));
  return Result(std::pow(ratio, 1 / (n - 1)) - 1);
}

TValue Sln(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double cost = a.Get(0), salvage = a.Get(1), life = a.Get(2);
  READ_ARGS_OR_RETURN(a);
  if (life == 0) return Err(TEvalError::Div0);
  return Result((cost - salvage) / life);
}

TValue Syd(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double cost = a.Get(0), salvage = a.Get(1), life = a.Get(2), per = a.Get(3);
  READ_ARGS_OR_RETURN(a);
  if (life <= 0 || per <= 0 || per > life) return Err(TEvalError::Num);
  return Result((cost - salvage) * (life - per + 1) * 2 / (life * (life + 1)));
}

// Declining balance at factor / life a period, never below the salvage value.
double DecliningBalance(double cost, double salvage, double life, double period, double factor) {
  double rate = factor / life;
  if (rate >= 1) return period <= 1 ? std::max(0.0, cost - salvage) : 0;
  double kept = std::pow(1 - rate, period - 1);
  double prior = cost * (1 - kept), dep = cost * kept * rate;
  return std::max(0.0, std::min(dep, cost - salvage - prior));
}

TValue Ddb(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double cost = a.Get(0), salvage = a.Get(1), life = a.Get(2), period = a.Get(3), factor = a.Get(4, 2);
  READ_ARGS_OR_RETURN(a);
  if (cost < 0 || salvage < 0 || life <= 0 || period <= 0 || period > life || factor <= 0)
    return Err(TEvalError::Num);
  return Result(DecliningBalance(cost, salvage, life, period, factor));
}

// Fixed declining balance at a rate rounded to three decimals; the first year
// counts only its months in service and the year after the last the rest.
TValue Db(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double cost = a.Get(0), salvage = a.Get(1), life = a.Get(2), period = std::trunc(a.Get(3)),
         month = std::trunc(a.Get(4, 12));
  READ_ARGS_OR_RETURN(a);
  if (cost < 0 || salvage < 0 || life <= 0 || month < 1 || month > 12 || period < 1 ||
      period > life + (month < 12 ? 1 : 0))
    return Err(TEvalError::Num);
  if (cost == 0) return Num(0);
  if (period > kMaxPeriods) {
    ctx.MarkUncomputable("DB past a million periods");
    return Err(TEvalError::Num);
  }
  double rate = RoundDigits(1 - std::pow(salvage / cost, 1 / life), 3, 0);
  double total = cost * rate * month / 12, dep = total;
  for (double p = 2; p <= period; ++p) {
    dep = (cost - total) * rate;
    if (p > life) dep *= (12 - month) / 12;
    total += dep;
  }
  return Result(dep);
}

// Depreciation between two moments of the asset's life: declining balance,
// switching to straight line over the remaining life once that is larger
// (unless told not to). A part of a period counts in proportion.
TValue Vdb(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double cost = a.Get(0), salvage = a.Get(1), life = a.Get(2), start = a.Get(3), end = a.Get(4),
         factor = a.Get(5, 2);
  bool noSwitch = a.GetBool(6, false);
  READ_ARGS_OR_RETURN(a);
  if (cost < 0 || salvage < 0 || life <= 0 || start < 0 || end < start || end > life || factor < 0)
    return Err(TEvalError::Num);
  if (end > kMaxPeriods) {
    ctx.MarkUncomputable("VDB past a million periods");
    return Err(TEvalError::Num);
  }
  bool fractional = start != std::floor(start) || end != std::floor(end) || life != std::floor(life);
  double book = cost, total = 0, straight = -1;
  bool switched = false;
  for (double p = 1; p <= std::ceil(end); ++p) {
    double ddb = std::min(book * factor / life, std::max(0.0, book - salvage));
    double dep = ddb;
    if (!noSwitch) {
      double sl = straight >= 0 ? straight : (book - salvage) / (life - p + 1);
      if (straight >= 0 || sl > ddb) {
        dep = sl;
        straight = sl;
        switched = true;
      }
    }
    dep = std::max(0.0, dep);
    double overlap = std::min(end, p) - std::max(start, p - 1);
    if (overlap > 0) total += dep * overlap;
    book -= dep;
  }
  if (fractional && switched) {
    ctx.MarkUncomputable("VDB over part of a period after the switch to straight line");
    return Err(TEvalError::Num);
  }
  return Result(total);
}

#undef READ_ARGS_OR_RETURN

constexpr TFunctionDef kFunctions[] = {
    {11, Lifted<Npv, 1u>}, {56, Lifted<Pv>}, {57, Lifted<Fv>}, {58, Lifted<NPer>}, {59, Lifted<Pmt>},
    {60, Lifted<Rate>}, {61, Mirr}, {62, Irr}, {142, Lifted<Sln>}, {143, Lifted<Syd>}, {144, Lifted<Ddb>},
    {167, Lifted<IPmt>}, {168, Lifted<PPmt>}, {222, Lifted<Vdb>}, {247, Lifted<Db>},
};

}  // namespace

std::span<const TFunctionDef> FinanceFunctions() noexcept { return kFunctions; }

}  // namespace tablirex::eval::math
