// Argument rules shared by the numeric worksheet functions: numbers read from
// references and arrays, single values coerced, grids for the array functions,
// and the special functions the distributions stand on.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "eval/function_registry.h"
#include "eval/text_common.h"

namespace tablirex::eval::math {

// Value functions take array arguments item by item (SQRT({1,4,9}) is {1,2,3}):
// Lifted<F, mask> as the text functions have it.
using text::Lifted;

inline TValue Err(TEvalError e) { return TValue::Error(e); }
inline TValue Num(double v) { return TValue::Number(v); }
/// A number result: #NUM! for an infinity or NaN, which no cell can hold.
TValue Result(double v);
/// A result of the special functions below, which give NaN where a series did
/// not settle: that is marked uncomputable rather than shown as #NUM!.
TValue Checked(TEvalContext& ctx, double v);

/// A text given as a number argument read as a number: #VALUE! when it is none;
/// a form the spreadsheet reads by the machine's locale or date ("1/31", "1 1/2")
/// is marked uncomputable.
TValue TextToNumber(TEvalContext& ctx, const TValue& text);

/// Calls f(x) for every number the aggregates (SUM, AVERAGE, STDEV...) see in
/// the arguments: in references and arrays only numbers count (texts, booleans
/// and empty cells are skipped, errors stop the walk); a value given directly is
/// coerced (TRUE is 1, "3" is 3, "x" is #VALUE!, an omitted argument is 0).
/// Returns an Empty value, or the error that stopped the walk.
TValue ForEachNumber(TEvalContext& ctx, std::span<const TValue> args, const std::function<void(double)>& f);
/// The numbers of ForEachNumber, in argument order; false (with err set) on error.
bool CollectNumbers(TEvalContext& ctx, std::span<const TValue> args, std::vector<double>& out, TValue& err);

/// Reads value arguments one at a time as numbers: an Area is intersected with
/// the current cell, texts parsed, booleans 0/1. The first failure is kept.
class TNumArgs {
 public:
  TNumArgs(TEvalContext& ctx, std::span<const TValue> args) : ctx_(ctx), args_(args) {}
  /// Argument i as a number (an omitted one is 0).
  double Get(std::size_t i);
  /// Argument i, or def when it is absent or omitted.
  double Get(std::size_t i, double def);
  /// Argument i as a boolean, or def when absent or omitted.
  bool GetBool(std::size_t i, bool def);
  bool Present(std::size_t i) const { return i < args_.size() && !args_[i].IsMissing(); }
  bool Failed() const { return failed_; }
  const TValue& Error() const { return error_; }

 private:
  void Fail(const TValue& e) {
    if (!failed_) { failed_ = true; error_ = e; }
  }
  TEvalContext& ctx_;
  std::span<const TValue> args_;
  bool failed_ = false;
  TValue error_;
};

/// An argument of an array function as a grid, row by row, keeping what the
/// array functions look at (nine bytes a cell, so whole columns stay cheap): an
/// Area (one sheet) cell by cell, an Array as it is, a single value as a 1x1 grid.
struct TGrid {
  std::int32_t rows = 0;
  std::int32_t cols = 0;
  std::vector<double> num;          // the item's number (0 for any other item)
  std::vector<std::uint8_t> isNum;  // 1 where the item is a number
  std::size_t Size() const { return num.size(); }
};
/// Reads a grid; false with err set at the first error item, when the area spans
/// sheets (#VALUE!) or is too large to hold (also marked uncomputable).
bool ReadGrid(TEvalContext& ctx, const TValue& arg, TGrid& out, TValue& err);
/// A grid of numbers only (MMULT, MDETERM, LINEST): any other item is #VALUE!,
/// an error item that error.
bool ReadNumberGrid(TEvalContext& ctx, const TValue& arg, std::int32_t& rows, std::int32_t& cols,
                    std::vector<double>& out, TValue& err);
/// The pairs (x, y) of two equally sized grids where both items are numbers
/// (CORREL, SLOPE, COVAR...); an error item stops with that error; grids of
/// different sizes are #N/A.
bool ReadPairs(TEvalContext& ctx, const TValue& a, const TValue& b, std::vector<double>& x,
               std::vector<double>& y, TValue& err);
/// An array result of rows x cols numbers.
TValue MakeNumberArray(std::int32_t rows, std::int32_t cols, const std::vector<double>& v);

/// Rounds v to 15 significant digits when it lies that close to an integer, so
/// that 0.1*3*10 floors and ceils as the 3 it shows.
double Snap(double v);
/// x rounded to digits decimals: mode 0 half away from zero, 1 away from zero,
/// -1 toward zero.
double RoundDigits(double x, double digits, int mode);

double Mean(const std::vector<double>& v);
/// The sum of squared deviations from the mean (two passes, for accuracy).
double DevSq(const std::vector<double>& v);
/// VAR, VARP, STDEV, STDEVP of the numbers: #DIV/0! with too few of them.
TValue Variance(const std::vector<double>& v, bool sample, bool root);

// ---- integrals and roots (math_integrals.cpp) --------------------------------------
// They give NaN where a series or fraction does not settle (extreme arguments).
double NormalCdf(double z);
/// The inverse of NormalCdf for 0 < p < 1.
double NormalInv(double p);
/// Regularised lower incomplete gamma P(a, x).
double GammaP(double a, double x);
/// Regularised upper incomplete gamma Q(a, x) = 1 - P(a, x).
double GammaQ(double a, double x);
/// Regularised incomplete beta I_x(a, b).
double BetaI(double x, double a, double b);
/// ln C(n, k) for real n >= k >= 0.
double LogCombin(double n, double k);
/// Solves f(x) = target on [lo, hi] for an increasing f by bisection; false when
/// the bracket holds no root; x is NaN where f could not be computed.
bool SolveIncreasing(const std::function<double(double)>& f, double target, double lo, double hi, double& x);

// ---- function families ----------------------------------------------------------
std::span<const TFunctionDef> AggregateFunctions() noexcept;
std::span<const TFunctionDef> ElementaryFunctions() noexcept;
std::span<const TFunctionDef> StatisticFunctions() noexcept;
std::span<const TFunctionDef> RegressionFunctions() noexcept;
std::span<const TFunctionDef> DistributionFunctions() noexcept;
std::span<const TFunctionDef> FinanceFunctions() noexcept;

}  // namespace tablirex::eval::math
