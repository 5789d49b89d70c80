// Defined names: a name for cells, a constant or a formula, usable in formulas
// (=Rate*B2, =SUM(Sales)). The workbook's names hold everywhere; a sheet's names
// hold on that sheet and come first there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/object.h"

namespace tablirex {

/// One defined name: a counted view. Once the name is deleted (or its sheet, or
/// the workbook, is gone) getters return the empty text and setters -1.
class IXLSName : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// The name as it was added.
  virtual std::string GetName() = 0;
  /// What it stands for, with its "=": "=Sheet1!$B$1", "=0.07".
  virtual std::string GetRefersTo() = 0;
  /// Checks and replaces the formula as Add does. Returns 1 or -1.
  virtual std::int32_t SetRefersTo(std::string_view refersTo) = 0;
  /// Hidden names are kept in the file but not listed by spreadsheet applications.
  virtual bool GetVisible() = 0;
  virtual std::int32_t SetVisible(bool visible) = 0;
  /// The sheet the name belongs to (UTF-8), empty for a workbook name.
  virtual std::string GetParentSheet() = 0;
  /// Removes the name. Formulas that use it stay as written; saving fails while
  /// one does, naming its cell. Returns 1, or -1 when it is gone already.
  virtual std::int32_t Delete() = 0;
};

/// The names of the workbook or of one sheet, in the order they were added.
///
/// A name is 1 to 255 characters: a letter or "_" first, then letters (A to Z,
/// a to z), digits, "_" and "."; it may not read as a cell reference (A1, IV7,
/// R1C1, R, C) or as TRUE or FALSE, and must differ, without regard to case,
/// from the other names of its collection. refersTo is a formula, with or without
/// "=": references in it name their sheet (Sheet1!$B$1) unless the name belongs
/// to a sheet, whose cells a reference without sheet then means. Refusals leave
/// their reason with the workbook (GetLastError).
class IXLSNames : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// Adds a name, or returns nullptr for a name or formula refused.
  virtual Ref<IXLSName> Add(std::string_view name, std::string_view refersTo) = 0;
  virtual std::int32_t GetCount() = 0;
  /// The name at a one-based index, or nullptr outside 1 … GetCount().
  virtual Ref<IXLSName> GetItem(std::int32_t index) = 0;
  /// The name spelt so (without regard to case), or nullptr.
  virtual Ref<IXLSName> GetItem(std::string_view name) = 0;
  /// Removes the name spelt so. Returns 1, or -1 when there is none.
  virtual std::int32_t Delete(std::string_view name) = 0;
};

}  // namespace tablirex
