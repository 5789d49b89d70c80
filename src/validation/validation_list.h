// The data validations of a sheet as plain data, independent of any file format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "range/areas.h"

namespace tablirex {

/// One validation and the cells it covers. Formulas are UTF-8 without their "=";
/// an inline list keeps its items as given ("Yes,No").
struct TXLSValidationRule {
  std::uint64_t id = 0;
  TXLSAreaList areas;
  std::int32_t type = 0;        // TXLSValidationType
  std::int32_t alertStyle = 1;  // TXLSValidationAlert
  std::int32_t op = 1;          // TXLSOperator; meaningful for types 1, 2, 4, 5, 6
  std::string formula1;
  std::string formula2;
  bool inlineList = false;
  bool ignoreBlank = true;
  bool inCellDropdown = true;
  bool showInput = true;
  bool showError = true;
  std::u16string inputTitle;
  std::u16string inputMessage;
  std::u16string errorTitle;
  std::u16string errorMessage;

  /// True when the operator decides, and formula2 is used for between and not between.
  bool UsesOperator() const noexcept;
  bool UsesFormula2() const noexcept;
};

/// Longest prompt and alert texts.
inline constexpr std::size_t kMaxValidationTitle = 32;
inline constexpr std::size_t kMaxInputMessage = 255;
inline constexpr std::size_t kMaxErrorMessage = 225;
/// Longest inline list, separators included.
inline constexpr std::size_t kMaxInlineList = 255;

/// The validations of a sheet; each cell is covered by at most one.
class TXLSValidationList {
 public:
  const std::vector<TXLSValidationRule>& Items() const noexcept { return items_; }
  bool Empty() const noexcept { return items_.empty(); }
  /// Adds a rule over its areas, taking those cells out of the other rules.
  /// Returns the id.
  std::uint64_t Add(TXLSValidationRule rule);
  /// The rule covering the cell, or nullptr.
  TXLSValidationRule* At(std::uint32_t row, std::uint32_t col) noexcept;
  const TXLSValidationRule* At(std::uint32_t row, std::uint32_t col) const noexcept;
  /// Takes the cells of area out of every rule; rules left without cells go.
  void RemoveCells(const TXLSArea& area);
  void Shift(const TXLSCellShift& shift);
  /// The rules as the paste puts them on the destination (their areas cut to
  /// what lies in the source, then placed); rules without a piece are left out.
  std::vector<TXLSValidationRule> Pasted(const TXLSPaste& paste) const;

 private:
  void DropEmpty();
  std::vector<TXLSValidationRule> items_;
  std::uint64_t nextId_ = 1;
};

}  // namespace tablirex
