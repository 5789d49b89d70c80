// Result codes shared by every operation of the library that can fail.
#pragma once

#include <cstdint>

namespace tablirex {

/// Success.
inline constexpr std::int32_t xlsOK = 1;
/// An invalid request or a failure.
inline constexpr std::int32_t xlsFail = -1;
/// A cell outside XLSMaxRow / XLSMaxCol.
inline constexpr std::int32_t xlsOutOfRange = -2;

/// A short English text naming a result code ("ok", "failed", "cell out of range",
/// or "unexpected result" for any other value).
const char* ResultName(std::int32_t result) noexcept;

}  // namespace tablirex

/// Runs an expression yielding a result and returns from the enclosing function
/// when it is not xlsOK; chains of record writers stop at the first failure.
#define TXLS_RETURN_ON_ERROR(expr)                 \
  do {                                             \
    const std::int32_t txls_r_ = (expr);           \
    if (txls_r_ != ::tablirex::xlsOK) return txls_r_; \
  } while (0)
