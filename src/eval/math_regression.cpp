// Two-variable statistics (CORREL, SLOPE, FORECAST...), least-squares fits
// (LINEST, TREND, LOGEST, GROWTH) and the matrix functions.
#include <algorithm>
#include <cmath>
#include <utility>

#include "eval/math_common.h"

namespace tablirex::eval::math {
namespace {

using TArgs = std::span<const TValue>;

// Sums of the centred products of paired data.
struct TMoments {
  double n = 0, mx = 0, my = 0, sxx = 0, syy = 0, sxy = 0;
};

TMoments MomentsOf(const std::vector<double>& x, const std::vector<double>& y) {
  TMoments m;
  m.n = static_cast<double>(x.size());
  m.mx = Mean(x);
  m.my = Mean(y);
  for (std::size_t i = 0; i < x.size(); ++i) {
    double dx = x[i] - m.mx, dy = y[i] - m.my;
    m.sxx += dx * dx;
    m.syy += dy * dy;
    m.sxy += dx * dy;
  }
  return m;
}

// Reads two paired arguments: the first array into x (swap to read known_y's
// first, as SLOPE(known_y, known_x) gives them).
bool Pairs(TEvalContext& ctx, const TValue& xs, const TValue& ys, TMoments& m, TValue& err) {
  std::vector<double> x, y;
  if (!ReadPairs(ctx, xs, ys, x, y, err)) return false;
  m = MomentsOf(x, y);
  return true;
}

TValue Correl(TEvalContext& ctx, TArgs args) {
  TMoments m;
  TValue err;
  if (!Pairs(ctx, args[0], args[1], m, err)) return err;
  if (m.sxx == 0 || m.syy == 0) return Err(TEvalError::Div0);
  return Result(m.sxy / std::sqrt(m.sxx * m.syy));
}

TValue Rsq(TEvalContext& ctx, TArgs args) {
  TMoments m;
  TValue err;
  if (!Pairs(ctx, args[1], args[0], m, err)) return err;
  if (m.sxx == 0 || m.syy == 0) return Err(TEvalError::Div0);
  return Result(m.sxy * m.sxy / (m.sxx * m.syy));
}

TValue Covar(TEvalContext& ctx, TArgs args) {
  TMoments m;
  TValue err;
  if (!Pairs(ctx, args[0], args[1], m, err)) return err;
  if (m.n == 0) return Err(TEvalError::Div0);
  return Result(m.sxy / m.n);
}

TValue Slope(TEvalContext& ctx, TArgs args) {
  TMoments m;
  TValue err;
  if (!Pairs(ctx, args[1], args[0], m, err)) return err;
  if (m.sxx == 0) return Err(TEvalError::Div0);
  return Result(m.sxy / m.sxx);
}

TValue Intercept(TEvalContext& ctx, TArgs args) {
  TMoments m;
  TValue err;
  if (!Pairs(ctx, args[1], args[0], m, err)) return err;
  if (m.sxx == 0) return Err(TEvalError::Div0);
  return Result(m.my - m.sxy / m.sxx * m.mx);
}

TValue Steyx(TEvalContext& ctx, TArgs args) {
  TMoments m;
  TValue err;
  if (!Pairs(ctx, args[1], args[0], m, err)) return err;
  if (m.n < 3 || m.sxx == 0) return Err(TEvalError::Div0);
  return Result(std::sqrt(std::max(0.0, m.syy - m.sxy * m.sxy / m.sxx) / (m.n - 2)));
}

TValue Forecast(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  double x = a.Get(0);
  if (a.Failed()) return a.Error();
  TMoments m;
  TValue err;
  if (!Pairs(ctx, args[2], args[1], m, err)) return err;
  if (m.n == 0) return Err(TEvalError::NA);
  if (m.sxx == 0) return Err(TEvalError::Div0);
  double slope = m.sxy / m.sxx;
  return Result(m.my + slope * (x - m.mx));
}

// ---- matrices ----------------------------------------------------------------------

enum class TSolve { Ok, Singular, Unsteady };

// Inverts the n x n matrix a (row by row) in place by Gauss-Jordan elimination
// with partial pivoting; det receives its determinant.
TSolve Invert(std::size_t n, std::vector<double>& a, double& det) {
  std::vector<double> inv(n * n, 0);
  for (std::size_t i = 0; i < n; ++i) inv[i * n + i] = 1;
  double scale = 0;
  for (double v : a) scale = std::max(scale, std::fabs(v));
  det = 1;
  TSolve state = TSolve::Ok;
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r * n + c]) > std::fabs(a[p * n + c])) p = r;
    double pivot = a[p * n + c];
    if (pivot == 0) { det = 0; return TSolve::Singular; }
    if (std::fabs(pivot) <= scale * 1e-13) state = TSolve::Unsteady;
    if (p != c) {
      for (std::size_t k = 0; k < n; ++k) {
        std::swap(a[p * n + k], a[c * n + k]);
        std::swap(inv[p * n + k], inv[c * n + k]);
      }
      det = -det;
    }
    det *= pivot;
    for (std::size_t k = 0; k < n; ++k) {
      a[c * n + k] /= pivot;
      inv[c * n + k] /= pivot;
    }
    for (std::size_t r = 0; r < n; ++r) {
      if (r == c) continue;
      double f = a[r * n + c];
      if (f == 0) continue;
      for (std::size_t k = 0; k < n; ++k) {
        a[r * n + k] -= f * a[c * n + k];
        inv[r * n + k] -= f * inv[c * n + k];
      }
    }
  }
  a.swap(inv);
  return state;
}

TValue MDeterm(TEvalContext& ctx, TArgs args) {
  std::int32_t rows, cols;
  std::vector<double> a;
  TValue err;
  if (!ReadNumberGrid(ctx, args[0], rows, cols, a, err)) return err;
  if (rows != cols) return Err(TEvalError::Value);
  // Determinant by elimination with partial pivoting.
  std::size_t n = static_cast<std::size_t>(rows);
  double det = 1;
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r * n + c]) > std::fabs(a[p * n + c])) p = r;
    if (a[p * n + c] == 0) return Num(0);
    if (p != c) {
      for (std::size_t k = 0; k < n; ++k) std::swap(a[p * n + k], a[c * n + k]);
      det = -det;
    }
    double pivot = a[c * n + c];
    det *= pivot;
    for (std::size_t r = c + 1; r < n; ++r) {
      double f = a[r * n + c] / pivot;
      for (std::size_t k = c; k < n; ++k) a[r * n + k] -= f * a[c * n + k];
    }
  }
  return Result(det);
}

TValue MInverse(TEvalContext& ctx, TArgs args) {
  std::int32_t rows, cols;
  std::vector<double> a;
  TValue err;
  if (!ReadNumberGrid(ctx, args[0], rows, cols, a, err)) return err;
  if (rows != cols) return Err(TEvalError::Value);
  double det;
  TSolve s = Invert(static_cast<std::size_t>(rows), a, det);
  if (s == TSolve::Singular) return Err(TEvalError::Num);
  if (s == TSolve::Unsteady) {
    ctx.MarkUncomputable("MINVERSE of a nearly singular matrix");
    return Err(TEvalError::Num);
  }
  return MakeNumberArray(rows, cols, a);
}

TValue MMult(TEvalContext& ctx, TArgs args) {
  std::int32_t ar, ac, br, bc;
  std::vector<double> a, b;
  TValue err;
  if (!ReadNumberGrid(ctx, args[0], ar, ac, a, err) || !ReadNumberGrid(ctx, args[1], br, bc, b, err)) return err;
  if (ac != br) return Err(TEvalError::Value);
  std::vector<double> c(static_cast<std::size_t>(ar) * bc, 0);
  for (std::int32_t i = 0; i < ar; ++i)
    for (std::int32_t k = 0; k < ac; ++k) {
      double f = a[static_cast<std::size_t>(i) * ac + k];
      for (std::int32_t j = 0; j < bc; ++j)
        c[static_cast<std::size_t>(i) * bc + j] += f * b[static_cast<std::size_t>(k) * bc + j];
    }
  return MakeNumberArray(ar, bc, c);
}

// ---- least squares -------------------------------------------------------------------

// Observations of a fit: y[i] against the k values x[i * k + j].
struct TData {
  std::size_t n = 0, k = 0;
  std::vector<double> y, x;
  bool byRow = false;           // known_y's is a row: each variable is a row of known_x's
  std::int32_t yRows = 0, yCols = 0;
};

struct TFit {
  std::vector<double> m;  // slopes, one per variable
  double b = 0;
  std::vector<double> inv;  // inverse of the (centred) cross-product matrix
  std::vector<double> mean;  // the variables' means (with a constant)
};

bool ReadData(TEvalContext& ctx, TArgs args, bool logY, TData& d, TValue& err) {
  std::vector<double> y;
  if (!ReadNumberGrid(ctx, args[0], d.yRows, d.yCols, y, err)) return false;
  if (logY)
    for (double& v : y) {
      if (v <= 0) { err = Err(TEvalError::Num); return false; }
      v = std::log(v);
    }
  d.n = y.size();
  d.y = y;
  if (args.size() < 2 || args[1].IsMissing()) {
    d.k = 1;
    d.x.resize(d.n);
    for (std::size_t i = 0; i < d.n; ++i) d.x[i] = static_cast<double>(i + 1);
    return true;
  }
  std::int32_t xr, xc;
  std::vector<double> x;
  if (!ReadNumberGrid(ctx, args[1], xr, xc, x, err)) return false;
  if (xr == d.yRows && xc == d.yCols) {
    d.k = 1;
    d.x = x;
  } else if (d.yCols == 1 && xr == d.yRows) {
    d.k = static_cast<std::size_t>(xc);
    d.x = x;
  } else if (d.yRows == 1 && xc == d.yCols) {
    d.k = static_cast<std::size_t>(xr);
    d.byRow = true;
    d.x.resize(x.size());
    for (std::size_t i = 0; i < d.n; ++i)
      for (std::size_t j = 0; j < d.k; ++j) d.x[i * d.k + j] = x[j * d.n + i];
  } else {
    err = Err(TEvalError::Ref);
    return false;
  }
  return true;
}

bool Fit(TEvalContext& ctx, const TData& d, bool konst, TFit& f, TValue& err) {
  std::size_t n = d.n, k = d.k;
  if (n < k + (konst ? 1 : 0) || n == 0) {
    ctx.MarkUncomputable("a least-squares fit with fewer points than coefficients");
    err = Err(TEvalError::Num);
    return false;
  }
  f.mean.assign(k, 0);
  double ym = 0;
  if (konst) {
    for (std::size_t i = 0; i < n; ++i) {
      ym += d.y[i];
      for (std::size_t j = 0; j < k; ++j) f.mean[j] += d.x[i * k + j];
    }
    ym /= static_cast<double>(n);
    for (double& v : f.mean) v /= static_cast<double>(n);
  }
  std::vector<double> a(k * k, 0), c(k, 0);
  for (std::size_t i = 0; i < n; ++i) {
    double dy = d.y[i] - ym;
    for (std::size_t j = 0; j < k; ++j) {
      double dj = d.x[i * k + j] - f.mean[j];
      c[j] += dj * dy;
      for (std::size_t l = 0; l < k; ++l) a[j * k + l] += dj * (d.x[i * k + l] - f.mean[l]);
    }
  }
  double det;
  if (Invert(k, a, det) != TSolve::Ok) {
    // The spreadsheet drops variables that depend on others; we do not guess.
    ctx.MarkUncomputable("a least-squares fit over collinear variables");
    err = Err(TEvalError::Num);
    return false;
  }
  f.inv = a;
  f.m.assign(k, 0);
  for (std::size_t j = 0; j < k; ++j)
    for (std::size_t l = 0; l < k; ++l) f.m[j] += a[j * k + l] * c[l];
  f.b = ym;
  for (std::size_t j = 0; j < k; ++j) f.b -= f.m[j] * f.mean[j];
  return true;
}

double Predict(const TFit& f, const double* x) {
  double v = f.b;
  for (std::size_t j = 0; j < f.m.size(); ++j) v += f.m[j] * x[j];
  return v;
}

// LINEST and LOGEST: the coefficients last variable first, then the constant;
// with statistics, four more rows (standard errors; r2 and the standard error
// of y; F and the degrees of freedom; the regression and residual sums of
// squares), the cells past the second column #N/A.
template <bool Log>
TValue Estimate(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  bool konst = a.GetBool(2, true), stats = a.GetBool(3, false);
  if (a.Failed()) return a.Error();
  TData d;
  TFit f;
  TValue err;
  if (!ReadData(ctx, args, Log, d, err) || !Fit(ctx, d, konst, f, err)) return err;
  std::size_t k = d.k, cols = k + 1, n = d.n;
  auto arr = std::make_shared<TArray>();
  arr->rows = stats ? 5 : 1;
  arr->cols = static_cast<std::int32_t>(cols);
  arr->items.assign(static_cast<std::size_t>(arr->rows) * cols, Err(TEvalError::NA));
  auto put = [&](std::size_t r, std::size_t c, double v) { arr->items[r * cols + c] = Result(v); };
  for (std::size_t j = 0; j < k; ++j) put(0, k - 1 - j, Log ? std::exp(f.m[j]) : f.m[j]);
  put(0, k, Log ? std::exp(f.b) : f.b);
  if (stats) {
    double ym = konst ? Mean(d.y) : 0, ssres = 0, ssreg = 0;
    for (std::size_t i = 0; i < n; ++i) {
      double p = Predict(f, &d.x[i * k]);
      ssres += (d.y[i] - p) * (d.y[i] - p);
      ssreg += (p - ym) * (p - ym);
    }
    double df = static_cast<double>(n) - static_cast<double>(k) - (konst ? 1 : 0);
    if (df <= 0) {
      ctx.MarkUncomputable("regression statistics without degrees of freedom");
      return Err(TEvalError::Num);
    }
    double sey2 = ssres / df;
    for (std::size_t j = 0; j < k; ++j) put(1, k - 1 - j, std::sqrt(sey2 * f.inv[j * k + j]));
    if (konst) {
      double q = 0;
      for (std::size_t j = 0; j < k; ++j)
        for (std::size_t l = 0; l < k; ++l) q += f.mean[j] * f.inv[j * k + l] * f.mean[l];
      put(1, k, std::sqrt(sey2 * (1 / static_cast<double>(n) + q)));
    }
    put(2, 0, ssreg + ssres == 0 ? 1 : ssreg / (ssreg + ssres));
    put(2, 1, std::sqrt(sey2));
    if (ssres == 0) arr->items[3 * cols] = Err(TEvalError::Num);
    else put(3, 0, (ssreg / static_cast<double>(k)) / sey2);
    put(3, 1, df);
    put(4, 0, ssreg);
    put(4, 1, ssres);
  }
  return TValue::MakeArray(std::move(arr));
}

// TREND and GROWTH: the fitted values at new_x's (by default the known ones),
// shaped as new_x's are for one variable, else one per observation.
template <bool Log>
TValue Project(TEvalContext& ctx, TArgs args) {
  TNumArgs a(ctx, args);
  bool konst = a.GetBool(3, true);
  if (a.Failed()) return a.Error();
  TData d;
  TFit f;
  TValue err;
  if (!ReadData(ctx, args, Log, d, err) || !Fit(ctx, d, konst, f, err)) return err;
  std::int32_t nr, nc;
  std::vector<double> nx;
  if (args.size() >= 3 && !args[2].IsMissing()) {
    if (!ReadNumberGrid(ctx, args[2], nr, nc, nx, err)) return err;
  } else if (args.size() >= 2 && !args[1].IsMissing()) {
    if (!ReadNumberGrid(ctx, args[1], nr, nc, nx, err)) return err;
  } else {
    nr = d.yRows;
    nc = d.yCols;
    nx = d.x;
  }
  std::vector<double> out;
  std::int32_t rr, rc;
  if (d.k == 1) {
    rr = nr;
    rc = nc;
    for (double x : nx) out.push_back(Predict(f, &x));
  } else if (!d.byRow) {
    if (static_cast<std::size_t>(nc) != d.k) return Err(TEvalError::Ref);
    rr = nr;
    rc = 1;
    for (std::int32_t i = 0; i < nr; ++i) out.push_back(Predict(f, &nx[static_cast<std::size_t>(i) * nc]));
  } else {
    if (static_cast<std::size_t>(nr) != d.k) return Err(TEvalError::Ref);
    rr = 1;
    rc = nc;
    std::vector<double> obs(d.k);
    for (std::int32_t i = 0; i < nc; ++i) {
      for (std::size_t j = 0; j < d.k; ++j) obs[j] = nx[j * static_cast<std::size_t>(nc) + i];
      out.push_back(Predict(f, obs.data()));
    }
  }
  if (Log)
    for (double& v : out) v = std::exp(v);
  return MakeNumberArray(rr, rc, out);
}

constexpr TFunctionDef kFunctions[] = {
    {49, Estimate<false>}, {50, Project<false>}, {51, Estimate<true>}, {52, Project<true>}, {163, MDeterm},
    {164, MInverse}, {165, MMult}, {307, Correl}, {308, Covar}, {309, Lifted<Forecast, 1u>}, {311, Intercept},
    {312, Correl}, {313, Rsq}, {314, Steyx}, {315, Slope},
};

}  // namespace

std::span<const TFunctionDef> RegressionFunctions() noexcept { return kFunctions; }

}  // namespace tablirex::eval::math
