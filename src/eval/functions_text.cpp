// Logic, text, dates and times, lookups and references, information, criteria
// and the database functions: the tables of the text_*.cpp files in one.
#include <vector>

#include "eval/text_common.h"

namespace tablirex::eval {

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
