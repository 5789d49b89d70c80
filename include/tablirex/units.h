// Conversions between the caller's units (points for row heights, characters for
// column widths) and the units stored in the file.
#pragma once

#include <cstdint>

namespace tablirex {

/// Row height in points to twips (1/20 point), rounded to the nearest quarter
/// point first: 12.75 gives 255, 10.1 gives 200, 10.2 gives 205.
std::int32_t Height2Excel(double points) noexcept;
/// Twips to points, in quarter-point steps: 255 gives 12.75.
float Excel2Height(std::int32_t twips) noexcept;
/// Column width in characters to the file's column units: 8.43 gives 2340, 1
/// gives 438, 0.5 gives 230. Widths of one character or more carry a margin of
/// 182 units; narrower ones are scaled without it.
std::uint16_t Width2Excel(double characters) noexcept;
/// Column units to characters, to two decimals: 2340 gives 8.43.
float Excel2Width(std::uint16_t units) noexcept;

}  // namespace tablirex
