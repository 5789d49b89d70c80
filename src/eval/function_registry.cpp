// Collects the function tables into one lookup by function-table number.
#include "eval/function_registry.h"

#include <array>

namespace tablirex::eval {
namespace {

constexpr std::int32_t kMaxNumber = 512;

struct TRegistry {
  std::array<TEvalFunction, kMaxNumber> byNumber{};
  TRegistry() {
    for (const auto& table : {MathFunctions(), TextFunctions()})
      for (const TFunctionDef& d : table)
        if (d.number >= 0 && d.number < kMaxNumber) byNumber[static_cast<std::size_t>(d.number)] = d.fn;
  }
};

}  // namespace

TEvalFunction FindFunction(std::int32_t functionNumber) noexcept {
  static const TRegistry registry;
  if (functionNumber < 0 || functionNumber >= kMaxNumber) return nullptr;
  return registry.byNumber[static_cast<std::size_t>(functionNumber)];
}

}  // namespace tablirex::eval
