// Formula text as a workbook package stores it. The object model takes formulas
// with ";" (or ",") between a call's arguments; the package wants "," there,
// and everything else exactly as written.
#pragma once

#include <string>
#include <string_view>

namespace tablirex {

/// The formula (without its "=") with every ";" outside string constants and
/// quoted sheet names replaced by ",". A union inside parentheses already uses
/// ",", so the result reads the same.
std::string FormulaFileText(std::string_view text);

}  // namespace tablirex
