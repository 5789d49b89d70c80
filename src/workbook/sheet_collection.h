// The sheet collection behind IXLSWorkSheets.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"

namespace tablirex {

class TXLSWorkbook;

/// Owns the worksheets in tab order and tracks the active sheet. Uncounted: the
/// workbook owns and frees it.
class TXLSWorkSheets final : public IXLSWorkSheets {
 public:
  explicit TXLSWorkSheets(TXLSWorkbook& workbook);
  ~TXLSWorkSheets() override;

  IXLSWorksheet* Get(std::int32_t index) override;
  std::int32_t GetIndexByName(std::string_view name) override;
  std::int32_t GetCount() override { return static_cast<std::int32_t>(sheets_.size()); }
  IXLSWorksheet* Add() override;
  IXLSWorksheet* Add(IXLSWorksheet* before, IXLSWorksheet* after, std::int32_t count,
                     const TVariant& type = TVariant()) override;
  void Delete(std::int32_t index) override;

  /// Position of the first sheet whose wide name equals name, or -1.
  std::int32_t IndexOfName(std::u16string_view name) const;
  /// Creates a sheet at the one-based position (1 … count + 1).
  IXLSWorksheet* AddSheet(std::int32_t position);
  /// True when the name is valid and unique; the sheet at `index` (0: none) is skipped.
  /// A valid name has 1 to 31 characters, no control character, none of
  /// []:*?/\, no apostrophe at either end, and differs from every other sheet's
  /// name without regard to case.
  bool CheckName(std::int32_t index, std::u16string_view name) const;
  /// Why CheckName refuses the name, or the empty text.
  std::string NameProblem(std::int32_t index, std::u16string_view name) const;
  std::u16string GetNewName() const;
  IXLSWorksheet* GetSheet(std::int32_t index) { return Get(index); }
  IXLSWorksheet* GetActiveSheet() const noexcept { return active_; }
  void SetActiveSheet(IXLSWorksheet* s) noexcept { active_ = s; }
  void Deselect();
  void MoveSheet(std::int32_t from, std::int32_t to);
  /// Count() as an unsigned size, for loops.
  std::size_t Size() const noexcept { return sheets_.size(); }
  IXLSWorksheet& At(std::size_t i) noexcept { return *sheets_[i]; }

 private:
  void Renumber(std::size_t from);

  TXLSWorkbook* workbook_;
  std::vector<std::unique_ptr<IXLSWorksheet>> sheets_;
  IXLSWorksheet* active_ = nullptr;
};

}  // namespace tablirex
