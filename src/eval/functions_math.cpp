// Mathematics, statistics, distributions, matrices and finance.
#include "eval/function_registry.h"

namespace tablirex::eval {

std::span<const TFunctionDef> MathFunctions() noexcept { return {}; }

}  // namespace tablirex::eval
