// The integrals under the distributions: the normal integral and its
// inverse, the incomplete gamma and beta functions, and a bounded root finder.
#include <cmath>
#include <numbers>

#include "eval/math_common.h"

namespace tablirex::eval::math {
namespace {

// Series and fractions that have not settled after this many terms give NaN.
constexpr int kMaxTerms = 100000;
constexpr double kEps = 1e-16;
constexpr double kTiny = 1e-300;

// P(a, x) by its power series (x < a + 1).
double GammaSeries(double a, double x) {
  double term = 1 / a, sum = term;
  for (int n = 1;; ++n) {
    if (n == kMaxTerms) return std::nan("");
    term *= x / (a + n);
    sum += term;
    if (std::fabs(term) < std::fabs(sum) * kEps) break;
  }
  return sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

// Q(a, x) by its continued fraction (x >= a + 1), evaluated by Lentz's method.
double GammaFraction(double a, double x) {
  double b = x + 1 - a, c = 1 / kTiny, d = 1 / b, h = d;
  for (int i = 1;; ++i) {
    if (i == kMaxTerms) return std::nan("");
    double an = -i * (i - a);
    b += 2;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    double delta = d * c;
    h *= delta;
    if (std::fabs(delta - 1) < kEps) break;
  }
  return std::exp(-x + a * std::log(x) - std::lgamma(a)) * h;
}

// The continued fraction of the incomplete beta function.
double BetaFraction(double x, double a, double b) {
  double qab = a + b, qap = a + 1, qam = a - 1;
  double c = 1, d = 1 - qab * x / qap;
  if (std::fabs(d) < kTiny) d = kTiny;
  d = 1 / d;
  double h = d;
  for (int m = 1;; ++m) {
    if (m == kMaxTerms) return std::nan("");
    double m2 = 2.0 * m;
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    double delta = d * c;
    h *= delta;
    if (std::fabs(delta - 1) < kEps) break;
  }
  return h;
}

}  // namespace

double NormalCdf(double z) { return 0.5 * std::erfc(-z / std::numbers::sqrt2); }

double NormalInv(double p) {
  if (p <= 0 || p >= 1) return std::nan("");
  // A rational first guess (good to about 4e-4), then Halley steps on the exact
  // integral, which settle to full precision in two or three steps.
  double q = p < 0.5 ? p : 1 - p;
  double t = std::sqrt(-2 * std::log(q));
  double x = t - (2.515517 + t * (0.802853 + t * 0.010328)) / (1 + t * (1.432788 + t * (0.189269 + t * 0.001308)));
  if (p < 0.5) x = -x;
  for (int i = 0; i < 8; ++i) {
    double e = NormalCdf(x) - p;
    double u = e * std::sqrt(2 * std::numbers::pi) * std::exp(x * x / 2);
    double step = u / (1 + x * u / 2);
    x -= step;
    if (std::fabs(step) <= 1e-16 * std::fabs(x)) break;
  }
  return x;
}

double GammaP(double a, double x) {
  if (x <= 0) return 0;
  if (!std::isfinite(x)) return 1;
  return x < a + 1 ? GammaSeries(a, x) : 1 - GammaFraction(a, x);
}

double GammaQ(double a, double x) {
  if (x <= 0) return 1;
  if (!std::isfinite(x)) return 0;
  return x < a + 1 ? 1 - GammaSeries(a, x) : GammaFraction(a, x);
}

double BetaI(double x, double a, double b) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) +
                          b * std::log1p(-x));
  if (x < (a + 1) / (a + b + 2)) return front * BetaFraction(x, a, b) / a;
  return 1 - front * BetaFraction(1 - x, b, a) / b;
}

double LogCombin(double n, double k) { return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1); }

bool SolveIncreasing(const std::function<double(double)>& f, double target, double lo, double hi, double& x) {
  double flo = f(lo), fhi = f(hi);
  if (std::isnan(flo) || std::isnan(fhi)) { x = std::nan(""); return true; }
  if (!(flo <= target && fhi >= target)) return false;
  // Near zero, bracket the root within a factor of two first, so that a tiny
  // root keeps its significant digits.
  if (lo == 0 && flo < target) {
    for (double l = hi / 2; l > 1e-300; l /= 2) {
      double fl = f(l);
      if (std::isnan(fl)) { x = fl; return true; }
      if (fl < target) { lo = l; break; }
      hi = l;
    }
  }
  for (int i = 0; i < 400; ++i) {
    double mid = lo + (hi - lo) / 2;
    if (mid <= lo || mid >= hi) break;
    double fm = f(mid);
    if (std::isnan(fm)) { x = fm; return true; }
    if (fm == target) { x = mid; return true; }
    if (fm < target) lo = mid;
    else hi = mid;
    if (hi - lo <= 1e-16 * std::fabs(lo + hi)) break;
  }
  x = lo + (hi - lo) / 2;
  return true;
}

}  // namespace tablirex::eval::math
