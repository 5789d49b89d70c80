// Argument rules shared by the numeric worksheet functions.
#include "eval/math_common.h"

#include <charconv>
#include <cmath>

namespace tablirex::eval::math {
namespace {

// A grid larger than this many cells (a whole sheet) is not held in memory.
constexpr std::int64_t kMaxGridCells = std::int64_t{1} << 23;

// v rounded to 15 significant digits, as the spreadsheet shows it.
double Sig15(double v) {
  if (v == 0 || !std::isfinite(v)) return v;
  char buf[40];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  double r = v;
  std::from_chars(buf, res.ptr, r);
  return r;
}

}  // namespace

TValue Result(double v) {
  if (!std::isfinite(v)) return TValue::Error(TEvalError::Num);
  return TValue::Number(v == 0 ? 0.0 : v);  // no negative zero: it would show as "-0"
}

TValue TextToNumber(TEvalContext& ctx, const TValue& text) {
  double v = 0;
  switch (ParseNumberText(text.Str(), ctx.Date1904(), v)) {
    case TTextNumber::Number: return Num(v);
    case TTextNumber::Unsure: ctx.MarkUncomputable("a number written in a form read by the locale"); break;
    case TTextNumber::NotNumber: break;
  }
  return Err(TEvalError::Value);
}

TValue Checked(TEvalContext& ctx, double v) {
  if (std::isnan(v)) {
    ctx.MarkUncomputable("a distribution at arguments where its series does not settle");
    return Err(TEvalError::Num);
  }
  return Result(v);
}

TValue ForEachNumber(TEvalContext& ctx, std::span<const TValue> args, const std::function<void(double)>& f) {
  TValue err;
  for (const TValue& a : args) {
    switch (a.Kind()) {
      case TValueKind::Area:
        ctx.ForEachCell(a.Area(), [&](std::int32_t, std::int32_t, std::int32_t, const TValue& v) {
          if (v.IsNumber()) f(v.Num());
          else if (v.IsError()) { err = v; return false; }
          return true;
        });
        if (err.IsError()) return err;
        break;
      case TValueKind::Array:
        for (const TValue& v : a.Arr().items) {
          if (v.IsNumber()) f(v.Num());
          else if (v.IsError()) return v;
        }
        break;
      case TValueKind::Error:
        return a;
      case TValueKind::Number:
      case TValueKind::Boolean:
      case TValueKind::Empty:
        f(a.Num());
        break;
      case TValueKind::Text: {
        TValue n = TextToNumber(ctx, a);
        if (n.IsError()) return n;
        f(n.Num());
        break;
      }
    }
  }
  return TValue();
}

bool CollectNumbers(TEvalContext& ctx, std::span<const TValue> args, std::vector<double>& out, TValue& err) {
  err = ForEachNumber(ctx, args, [&](double x) { out.push_back(x); });
  return !err.IsError();
}

double TNumArgs::Get(std::size_t i) {
  if (i >= args_.size()) return 0;
  TValue s = Scalar(ctx_, args_[i]);
  if (s.IsError()) { Fail(s); return 0; }
  if (s.IsNumber() || s.IsBoolean() || s.IsEmpty()) return s.Num();
  TValue n = TextToNumber(ctx_, s);
  if (n.IsError()) { Fail(n); return 0; }
  return n.Num();
}

double TNumArgs::Get(std::size_t i, double def) { return Present(i) ? Get(i) : def; }

bool TNumArgs::GetBool(std::size_t i, bool def) {
  if (!Present(i)) return def;
  TValue s = Scalar(ctx_, args_[i]);
  if (s.IsError()) { Fail(s); return def; }
  if (s.IsNumber() || s.IsBoolean() || s.IsEmpty()) return s.Num() != 0;
  TValue b = ToBoolean(s);
  if (b.IsError()) { Fail(b); return def; }
  return b.Bool();
}

bool ReadGrid(TEvalContext& ctx, const TValue& arg, TGrid& out, TValue& err) {
  auto put = [&](std::size_t i, const TValue& v) {
    if (v.IsNumber()) {
      out.num[i] = v.Num();
      out.isNum[i] = 1;
    }
  };
  if (arg.IsArea()) {
    const TArea& a = arg.Area();
    if (a.sheetFirst != a.sheetLast) { err = Err(TEvalError::Value); return false; }
    if (a.Rows() * a.Cols() > kMaxGridCells) {
      ctx.MarkUncomputable("an array argument of more than eight million cells");
      err = Err(TEvalError::Value);
      return false;
    }
    out.rows = static_cast<std::int32_t>(a.Rows());
    out.cols = static_cast<std::int32_t>(a.Cols());
    out.num.assign(static_cast<std::size_t>(out.rows) * out.cols, 0);
    out.isNum.assign(out.num.size(), 0);
    ctx.ForEachCell(a, [&](std::int32_t, std::int32_t r, std::int32_t c, const TValue& v) {
      if (v.IsError()) { err = v; return false; }
      put(static_cast<std::size_t>(r - a.row1) * out.cols + (c - a.col1), v);
      return true;
    });
    return !err.IsError();
  }
  if (arg.IsArray()) {
    out.rows = arg.Arr().rows;
    out.cols = arg.Arr().cols;
  } else {
    out.rows = out.cols = 1;
  }
  out.num.assign(static_cast<std::size_t>(out.rows) * out.cols, 0);
  out.isNum.assign(out.num.size(), 0);
  if (!arg.IsArray()) {
    if (arg.IsError()) { err = arg; return false; }
    put(0, arg);
    return true;
  }
  for (std::size_t i = 0; i < out.num.size(); ++i) {
    const TValue& v = arg.Arr().items[i];
    if (v.IsError()) { err = v; return false; }
    put(i, v);
  }
  return true;
}

bool ReadNumberGrid(TEvalContext& ctx, const TValue& arg, std::int32_t& rows, std::int32_t& cols,
                    std::vector<double>& out, TValue& err) {
  if (!arg.IsArea() && !arg.IsArray()) {
    // A value given directly is coerced.
    TValue n = arg.IsText() ? TextToNumber(ctx, arg) : arg.IsMissing() ? Err(TEvalError::Value) : ToNumber(arg);
    if (n.IsError()) { err = n; return false; }
    rows = cols = 1;
    out.assign(1, n.Num());
    return true;
  }
  TGrid g;
  if (!ReadGrid(ctx, arg, g, err)) return false;
  for (std::uint8_t isNum : g.isNum)
    if (!isNum) { err = Err(TEvalError::Value); return false; }
  rows = g.rows;
  cols = g.cols;
  out = std::move(g.num);
  return true;
}

bool ReadPairs(TEvalContext& ctx, const TValue& a, const TValue& b, std::vector<double>& x,
               std::vector<double>& y, TValue& err) {
  TGrid ga, gb;
  if (!ReadGrid(ctx, a, ga, err) || !ReadGrid(ctx, b, gb, err)) return false;
  if (ga.Size() != gb.Size()) { err = Err(TEvalError::NA); return false; }
  for (std::size_t i = 0; i < ga.Size(); ++i) {
    if (ga.isNum[i] && gb.isNum[i]) {
      x.push_back(ga.num[i]);
      y.push_back(gb.num[i]);
    }
  }
  return true;
}

TValue MakeNumberArray(std::int32_t rows, std::int32_t cols, const std::vector<double>& v) {
  auto arr = std::make_shared<TArray>();
  arr->rows = rows;
  arr->cols = cols;
  arr->items.reserve(v.size());
  for (double d : v) arr->items.push_back(Result(d));
  return TValue::MakeArray(std::move(arr));
}

double Mean(const std::vector<double>& v) {
  double s = 0;
  for (double x : v) s += x;
  return v.empty() ? 0 : s / static_cast<double>(v.size());
}

double DevSq(const std::vector<double>& v) {
  double m = Mean(v), s = 0;
  for (double x : v) s += (x - m) * (x - m);
  return s;
}

TValue Variance(const std::vector<double>& v, bool sample, bool root) {
  std::size_t n = v.size();
  if (n < (sample ? 2u : 1u)) return Err(TEvalError::Div0);
  double var = DevSq(v) / static_cast<double>(sample ? n - 1 : n);
  return Result(root ? std::sqrt(var) : var);
}

double Snap(double v) {
  double r = std::nearbyint(v);
  if (r != v && std::fabs(v - r) <= std::fabs(v) * 4e-15) return r;
  return v;
}

double RoundDigits(double x, double digits, int mode) {
  if (!std::isfinite(x) || x == 0) return x;
  double d = std::trunc(digits);
  if (d > 300) return x;
  if (d < -308) return 0;
  double p = std::pow(10.0, std::fabs(d));
  double y = d >= 0 ? x * p : x / p;
  if (!std::isfinite(y) || std::fabs(y) >= 1e15) return x;  // no digits to drop
  y = Sig15(y);
  double r;
  if (mode == 0) r = std::round(y);
  else if (mode > 0) r = y < 0 ? -std::ceil(-y) : std::ceil(y);
  else r = std::trunc(y);
  return d >= 0 ? r / p : r * p;
}

}  // namespace tablirex::eval::math
