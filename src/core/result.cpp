#include "tablirex/result.h"

namespace tablirex {

const char* ResultName(std::int32_t result) noexcept {
  switch (result) {
    case xlsOK: return "ok";
    case xlsFail: return "failed";
    case xlsOutOfRange: return "cell out of range";
    default: return "unexpected result";
  }
}

}  // namespace tablirex
