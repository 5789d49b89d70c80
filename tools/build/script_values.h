// Script values the object model takes in its own forms: colours and constants.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>

#include "build/registry.h"

namespace tablirex::tool::build {

/// A script's colour as RGB with red in the low byte: a number 0 … 16777215
/// (0xBBGGRR) or a text "#RRGGBB" as web pages write them.
inline std::uint32_t ColorValue(const TVariant& v) {
  if (v.IsString()) {
    const std::string s = v.AsString();
    bool hex = s.size() == 7 && s[0] == '#';
    for (std::size_t i = 1; hex && i < s.size(); ++i) hex = std::isxdigit(static_cast<unsigned char>(s[i])) != 0;
    if (!hex) throw ScriptError("a colour text must be \"#RRGGBB\", not \"" + s + "\"");
    const std::uint32_t rrggbb = static_cast<std::uint32_t>(std::stoul(s.substr(1), nullptr, 16));
    return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16);
  }
  const std::int64_t n = v.AsInt64();
  if (n < 0 || n > 0xFFFFFF) throw ScriptError("a colour number must lie in 0 … 16777215 (0xBBGGRR)");
  return static_cast<std::uint32_t>(n);
}

/// A constant of the object model (negative ones included) as the unsigned value
/// the views take.
inline std::uint32_t Constant(const TVariant& v) { return static_cast<std::uint32_t>(v.AsInteger()); }

}  // namespace tablirex::tool::build
