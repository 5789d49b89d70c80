// The ordered collection of a workbook's worksheets.
#pragma once

#include <cstdint>
#include <string_view>

#include "tablirex/object.h"
#include "tablirex/variant.h"

namespace tablirex {

class IXLSWorksheet;

/// The sheet collection of a workbook. Positions are one-based and are the order of
/// the sheet tabs and of the sheet streams in the file. The workbook owns the
/// collection and the sheets; pointers handed out stay valid until the sheet is
/// deleted or the workbook destroyed.
class IXLSWorkSheets : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// The sheet at the one-based position, or nullptr when out of range.
  virtual IXLSWorksheet* Get(std::int32_t index) = 0;
  /// The position of the first sheet named exactly so (case-sensitive), or -1.
  virtual std::int32_t GetIndexByName(std::string_view name) = 0;
  virtual std::int32_t GetCount() = 0;
  /// Appends a new sheet named "Sheet" + the first free number.
  virtual IXLSWorksheet* Add() = 0;
  /// Adds count sheets before `before` (when given), else after `after` (when
  /// given), else at the end; returns the last one added, or nullptr when count <= 0.
  /// The type argument has no effect.
  virtual IXLSWorksheet* Add(IXLSWorksheet* before, IXLSWorksheet* after, std::int32_t count,
                             const TVariant& type = TVariant()) = 0;
  /// Deletes the sheet at the one-based position; out of range does nothing.
  virtual void Delete(std::int32_t index) = 0;
};

}  // namespace tablirex
