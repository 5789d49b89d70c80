// Formulas that live outside cells: the formulas of defined names, data
// validations and conditional formats. Each is compiled by the workbook's
// compiler, set for the place it is used in, and checked for what that place
// admits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex {

class TXLSWorkbook;
class TXLSFormula;

/// Sets the workbook's compiler for one use while it lives, and restores it.
class TXLSFormulaUse {
 public:
  enum class Kind : std::uint8_t {
    Name,             ///< a name's formula: references are 3-D, qualified with the name's sheet
    ValidationList,   ///< a list's cells: a reference, a name, or a function giving cells
    ValidationValue,  ///< a bound or custom formula of a validation
    Condition,        ///< a conditional format's formula
  };

  /// sheet: 1-based position of the sheet the formula belongs to, 0 for none.
  /// baseRow, baseCol: for validations and conditional formats, the first cell
  /// of their area, which relative references are written relative to.
  TXLSFormulaUse(TXLSWorkbook& workbook, Kind kind, std::int32_t sheet, std::int32_t baseRow = -1,
                 std::int32_t baseCol = -1);
  ~TXLSFormulaUse();
  TXLSFormulaUse(const TXLSFormulaUse&) = delete;
  TXLSFormulaUse& operator=(const TXLSFormulaUse&) = delete;

  /// Checks a formula (without "=") when it is set: everything but the existence
  /// of the sheets it names, which the save decides. Returns 1, or -1 with the
  /// workbook's last error "where: formula "=text": what is wrong".
  std::int32_t Check(std::string_view text, std::string_view where);
  /// Encodes a formula in the form of the save in progress: the tokens, without
  /// their length. Returns 1, or -1 with the last error set as Check sets it.
  std::int32_t Encode(std::string_view text, std::vector<std::uint8_t>& tokens, std::string_view where);

 private:
  /// What the place does not admit in the compiled tree, or empty.
  std::string Restriction() const;
  std::int32_t Fail(std::string_view text, std::string_view where, const std::string& what);

  TXLSWorkbook& workbook_;
  TXLSFormula& formula_;
  Kind kind_;
  std::int32_t savedSheet_;
  bool savedQualify_;
  std::int32_t savedClass_;
  std::int32_t savedRow_;
  std::int32_t savedCol_;
};

/// A formula text as the object model hands it over: without a leading "=".
std::string_view WithoutEquals(std::string_view text) noexcept;

}  // namespace tablirex
