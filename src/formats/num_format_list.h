// Number-format strings, referred to by extended formats, and their FORMAT records.
#pragma once

#include <cstdint>
#include <optional>

#include "biff/blob.h"
#include "biff/record_sink.h"
#include "cells/keylist.h"

namespace tablirex {

/// Number formats indexed from 0. Indices 0 to 162 are the built-in format numbers
/// and hold no text unless set (the workbook sets 5 to 8); formats that callers add
/// follow from 163 on and are never removed.
class TXLSNumFormatList : public TXLSStringList {
 public:
  static constexpr std::int32_t kFirstCustom = 163;
  /// Longest string of the one-byte length of the older file version.
  static constexpr std::size_t kMaxBiff5Length = 255;

  TXLSNumFormatList();

  /// Sets the four built-in currency formats 5 to 8.
  void SetBuiltinFormats();
  /// The FORMAT record of index, or nothing when its string is empty. In the older
  /// file version a string longer than 255 characters is cut to 255.
  std::optional<TXLSBlob> GetNumFormatBlob(std::int32_t index, const TRecordContext& ctx) const;
  /// Hands every FORMAT record to sink in index order. Returns the first failure,
  /// otherwise the last result, or -1 when no record was written.
  [[nodiscard]] std::int32_t StoreAllNumFormats(IRecordSink& sink, const TRecordContext& ctx) const;
};

}  // namespace tablirex
