// Line styles and weights of cell borders, as callers give them.
#pragma once

#include <cstdint>

namespace tablirex {

/// Border line styles.
enum TXLSLineStyle : std::int32_t {
  xlLineStyleNone = -4142,
  xlContinuous = 1,
  xlDash = -4115,
  xlDot = -4118,
  xlDouble = -4119,
  xlDashDot = 4,
  xlDashDotDot = 5,
  xlSlantDashDot = 13,
};

/// Border weights.
enum TXLSBorderWeight : std::int32_t {
  xlHairline = 1,
  xlThin = 2,
  xlMedium = -4138,
  xlThick = 4,
};

}  // namespace tablirex
