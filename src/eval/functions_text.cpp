// Logic, text, dates and times, lookups and references, information, criteria
// and the database functions.
#include "eval/function_registry.h"

namespace tablirex::eval {

std::span<const TFunctionDef> TextFunctions() noexcept { return {}; }

}  // namespace tablirex::eval
