// Logic, text, dates and times, lookups and references, information, criteria
// and the database functions: the tables of the text_*.cpp files in one.
#include <algorithm>
#include <vector>

#include "eval/text_common.h"

namespace tablirex::eval {

namespace text {

TValue LiftOverArrays(TEvalContext& ctx, std::span<const TValue> args, TEvalFunction fn, unsigned mask) {
  std::int32_t rows = 1, cols = 1;
  auto lifts = [&](std::size_t i) { return i < 32 && ((mask >> i) & 1u) && args[i].IsArray(); };
  for (std::size_t i = 0; i < args.size(); ++i)
    if (lifts(i)) rows = std::max(rows, args[i].Arr().rows), cols = std::max(cols, args[i].Arr().cols);
  if (static_cast<std::int64_t>(rows) * cols > (1 << 22)) return Err(TEvalError::Num);
  std::vector<TValue> one(args.begin(), args.end());
  std::vector<TValue> items;
  items.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
  for (std::int32_t r = 0; r < rows; ++r)
    for (std::int32_t c = 0; c < cols; ++c) {
      bool outside = false;
      for (std::size_t i = 0; i < args.size(); ++i) {
        if (!lifts(i)) continue;
        const TArray& a = args[i].Arr();
        const std::int32_t ar = a.rows == 1 ? 0 : r, ac = a.cols == 1 ? 0 : c;
        if (ar >= a.rows || ac >= a.cols)
          outside = true;
        else
          one[i] = a.At(ar, ac);
      }
      if (outside) {
        items.push_back(Err(TEvalError::NA));
        continue;
      }
      TValue v = fn(ctx, one);
      if (v.IsArea() || v.IsArray()) v = Scalar(ctx, v);
      items.push_back(v.IsEmpty() ? TValue::Number(0) : v);
    }
  return MakeArray(rows, cols, std::move(items));
}

}  // namespace text

std::span<const TFunctionDef> TextFunctions() noexcept {
  static const std::vector<TFunctionDef> all = [] {
    std::vector<TFunctionDef> v;
    for (const auto& table : {text::LogicFunctions(), text::StringFunctions(), text::FormatFunctions(),
                              text::DateFunctions(), text::LookupFunctions(), text::DatabaseFunctions()})
      v.insert(v.end(), table.begin(), table.end());
    return v;
  }();
  return all;
}

}  // namespace tablirex::eval
