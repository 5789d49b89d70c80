// Argument helpers shared by the logic, text, date, lookup, information and
// database functions (the TextFunctions() family).
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <string>

#include "eval/function_registry.h"

namespace tablirex::eval::text {

inline TValue Err(TEvalError e) { return TValue::Error(e); }
inline TValue ValueErr() { return TValue::Error(TEvalError::Value); }

/// Argument i as one value (implicit intersection of an area), Missing when absent.
inline TValue Arg(TEvalContext& ctx, std::span<const TValue> args, std::size_t i) {
  return i < args.size() ? Scalar(ctx, args[i]) : TValue::Missing();
}
inline bool Given(std::span<const TValue> args, std::size_t i) { return i < args.size() && !args[i].IsMissing(); }

/// Argument i as a number (Missing gives def); false with err set on failure.
inline bool NumArg(TEvalContext& ctx, std::span<const TValue> args, std::size_t i, double& out, TValue& err,
                   double def = 0) {
  if (!Given(args, i)) {
    out = def;
    return true;
  }
  const TValue v = ToNumber(Scalar(ctx, args[i]), ctx.Date1904());
  if (v.IsError()) {
    err = v;
    return false;
  }
  out = v.Num();
  return true;
}

/// Argument i as a text value (ToText); false with err set on failure.
inline bool TextArg(TEvalContext& ctx, std::span<const TValue> args, std::size_t i, TValue& out, TValue& err) {
  const TValue v = ToText(Arg(ctx, args, i));
  if (v.IsError()) {
    err = v;
    return false;
  }
  out = v;
  return true;
}

/// Argument i as a boolean (Missing gives def); false with err set on failure.
inline bool BoolArg(TEvalContext& ctx, std::span<const TValue> args, std::size_t i, bool& out, TValue& err,
                    bool def = false) {
  if (!Given(args, i)) {
    out = def;
    return true;
  }
  const TValue v = ToBoolean(Scalar(ctx, args[i]));
  if (v.IsError()) {
    err = v;
    return false;
  }
  out = v.Bool();
  return true;
}

/// A number result, or #NUM! for what is not finite.
inline TValue NumResult(double v) { return std::isfinite(v) ? TValue::Number(v) : Err(TEvalError::Num); }

/// Truncates toward zero as the functions that take whole counts do.
inline double Trunc(double v) { return std::trunc(v); }

/// The size of an Area or Array argument (a scalar is 1 x 1).
inline void Dimensions(const TValue& v, std::int64_t& rows, std::int64_t& cols) {
  if (v.IsArea())
    rows = v.Area().Rows(), cols = v.Area().Cols();
  else if (v.IsArray())
    rows = v.Arr().rows, cols = v.Arr().cols;
  else
    rows = cols = 1;
}

/// Item (r, c), zero-based, of an Area (first sheet), Array or scalar.
inline TValue ItemAt(TEvalContext& ctx, const TValue& v, std::int64_t r, std::int64_t c) {
  if (v.IsArea()) {
    const TArea& a = v.Area();
    return ctx.CellValue(a.sheetFirst, a.row1 + static_cast<std::int32_t>(r), a.col1 + static_cast<std::int32_t>(c));
  }
  if (v.IsArray()) return v.Arr().At(static_cast<std::int32_t>(r), static_cast<std::int32_t>(c));
  return v;
}

/// The last row and column of the sheets (Excel 97 limits).
inline constexpr std::int32_t kLastRow = 65535;
inline constexpr std::int32_t kLastCol = 255;

/// Builds an Array value.
inline TValue MakeArray(std::int32_t rows, std::int32_t cols, std::vector<TValue> items) {
  auto a = std::make_shared<TArray>();
  a->rows = rows, a->cols = cols, a->items = std::move(items);
  return TValue::MakeArray(std::move(a));
}

/// Applies fn item by item where the arguments picked by mask (bit i: argument
/// i) hold arrays: the result is an array as large as the largest of them (a
/// one-row or one-column array repeats along the other side; items past a
/// smaller array are #N/A). Without array arguments fn is called as it is.
TValue LiftOverArrays(TEvalContext& ctx, std::span<const TValue> args, TEvalFunction fn, unsigned mask);

template <TEvalFunction kFn, unsigned kMask = ~0u>
TValue Lifted(TEvalContext& ctx, std::span<const TValue> args) {
  for (std::size_t i = 0; i < args.size() && i < 32; ++i)
    if (((kMask >> i) & 1u) && args[i].IsArray()) return LiftOverArrays(ctx, args, kFn, kMask);
  return kFn(ctx, args);
}

// The tables of each file, collected by TextFunctions().
std::span<const TFunctionDef> LogicFunctions() noexcept;
std::span<const TFunctionDef> StringFunctions() noexcept;
std::span<const TFunctionDef> FormatFunctions() noexcept;
std::span<const TFunctionDef> DateFunctions() noexcept;
std::span<const TFunctionDef> LookupFunctions() noexcept;
std::span<const TFunctionDef> InfoFunctions() noexcept;
std::span<const TFunctionDef> DatabaseFunctions() noexcept;

}  // namespace tablirex::eval::text
