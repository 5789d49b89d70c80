// The semantics every part of the evaluator shares: coercion, comparison,
// criteria and wildcards.
#include "eval/eval_value.h"

namespace tablirex::eval {

const std::u16string& TValue::Str() const noexcept {
  static const std::u16string kEmpty;
  return text_ ? *text_ : kEmpty;
}

}  // namespace tablirex::eval
