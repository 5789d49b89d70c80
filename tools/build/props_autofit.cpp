// Fitting columns in build scripts: {"range": "A:C", "call": "AutoFit"} makes each
// column of the range as wide as the widest text its cells in the range show.
#include "build/registry.h"
#include "tablirex/result.h"

namespace tablirex::tool::build {
namespace {

[[maybe_unused]] const bool registered = [] {
  RegisterRangeOperation("AutoFit", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    if (r.AutoFit() != xlsOK) throw ScriptError("AutoFit failed: the range's sheet is gone");
    return TVariant();
  });
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
