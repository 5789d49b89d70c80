// Cell styles, to which the parent field of an extended format refers, and their
// STYLE records.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "biff/blob.h"
#include "biff/record_sink.h"
#include "cells/keylist.h"

namespace tablirex {

/// A style: its key is the built-in style number as two hexadecimal digits, or
/// "XX" followed by the name of a user-defined style.
class TXLSStyleEntry : public TXLSObjEntry {
 public:
  TXLSStyleEntry(std::u16string_view key, std::int32_t xf) : TXLSObjEntry(key), xfIndex(xf) {}
  /// The extended format that holds the style.
  std::int32_t xfIndex;
  bool IsBuiltin() const noexcept { return name.size() < 2 || name[0] != u'X' || name[1] != u'X'; }
};

/// Styles indexed from 0. Keeps the extended-format list to number the records.
class TXLSStyles : public TXLSObjList {
 public:
  /// Styles hold a reference to their XF in xfList, which must outlive them.
  explicit TXLSStyles(TXLSKeyList& xfList);

  /// Adds (or replaces) built-in style id on xfIndex; returns the style's index.
  std::int32_t AddBuiltinStyle(std::uint8_t id, std::int32_t xfIndex);
  /// Adds (or replaces) a user-defined style; returns the style's index.
  std::int32_t AddStyle(std::u16string_view name, std::int32_t xfIndex);
  /// The XF of style index, 0 when there is none.
  std::int32_t GetXFIndex(std::int32_t index) const noexcept;
  /// The STYLE record of style index, nothing when there is none. The XF field is
  /// the XF's save number - 1, so the XF list must have been numbered.
  std::optional<TXLSBlob> GetStyleBlob(std::int32_t index, const TRecordContext& ctx) const;
  /// Hands every STYLE record to sink in index order. Returns the first failure,
  /// otherwise the last result, or -1 when no record was written.
  [[nodiscard]] std::int32_t StoreAllStyles(IRecordSink& sink, const TRecordContext& ctx) const;

 private:
  std::int32_t Add(std::u16string_view key, std::int32_t xfIndex);
  TXLSKeyList& xfList_;
};

}  // namespace tablirex
