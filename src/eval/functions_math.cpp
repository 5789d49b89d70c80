// Mathematics, statistics, distributions, matrices and finance: the families'
// tables gathered into one.
#include <vector>

#include "eval/math_common.h"

namespace tablirex::eval {

std::span<const TFunctionDef> MathFunctions() noexcept {
  static const std::vector<TFunctionDef> all = [] {
    std::vector<TFunctionDef> v;
    for (auto family : {math::AggregateFunctions(), math::ElementaryFunctions(), math::StatisticFunctions(),
                        math::RegressionFunctions(), math::DistributionFunctions(), math::FinanceFunctions()})
      v.insert(v.end(), family.begin(), family.end());
    return v;
  }();
  return all;
}

}  // namespace tablirex::eval
