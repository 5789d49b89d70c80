// The worksheet functions the evaluator computes, by function-table number.
#pragma once

#include <cstdint>
#include <span>

#include "eval/eval_value.h"

namespace tablirex::eval {

struct TFunctionDef {
  std::int32_t number;  // the function-table number the call token carries
  TEvalFunction fn;
};

/// Mathematics, statistics, distributions, matrices and finance.
std::span<const TFunctionDef> MathFunctions() noexcept;
/// Logic, text, dates and times, lookups and references, information, criteria
/// and the database functions.
std::span<const TFunctionDef> TextFunctions() noexcept;

}  // namespace tablirex::eval
