// The table of worksheet functions the formula compiler knows, keyed by name.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "cells/hash.h"

namespace tablirex {

/// One function: what the encoder writes for a call and how it encodes the
/// arguments.
class THashFuncEntry : public THashEntry {
 public:
  /// Index in the built-in function table (written after the call token).
  std::int32_t funcNumber = 0;
  /// Fewest and most arguments a call may give. Equal: a fixed count, written
  /// as a FuncV token; otherwise the count varies and is written with the call
  /// (a FuncVarV token).
  std::int32_t minArgs = 0;
  std::int32_t maxArgs = 0;
  /// Token class of every argument: 0 reference, 1 value, 2 array.
  std::int32_t argClass = 0;

  bool IsFixed() const noexcept { return minArgs == maxArgs; }
};

/// Function table keyed by upper-case name. Lookups ignore the case of ASCII
/// letters.
class THashFunc : public THash {
 public:
  /// Creates or updates the entry of name (stored in upper case).
  void SetValue(std::string_view name, std::int32_t funcNumber, std::int32_t minArgs,
                std::int32_t maxArgs, std::int32_t argClass);
  /// The entry of name in any letter case, or nullptr. Creates nothing.
  const THashFuncEntry* GetValue(std::string_view name) const noexcept;

  /// Number of functions in the built-in table (function_table.def).
  static std::int32_t BuiltinCount() noexcept;

 protected:
  std::unique_ptr<THashEntry> CreateEntry() override { return std::make_unique<THashFuncEntry>(); }
};

}  // namespace tablirex
