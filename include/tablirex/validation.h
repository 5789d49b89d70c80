// Data validation: what a cell accepts, the prompt it shows and the alert that
// refuses other entries. A range reaches it through IXLSRange::GetValidation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/object.h"

namespace tablirex {

/// What a validation accepts (the object model's values).
enum TXLSValidationType : std::int32_t {
  xlValidateInputOnly = 0,    ///< anything: only the prompt is shown
  xlValidateWholeNumber = 1,  ///< whole numbers the operator and formulas admit
  xlValidateDecimal = 2,      ///< numbers
  xlValidateList = 3,         ///< an entry of a list (formula1)
  xlValidateDate = 4,         ///< dates
  xlValidateTime = 5,         ///< times
  xlValidateTextLength = 6,   ///< texts whose length the operator admits
  xlValidateCustom = 7,       ///< whatever makes formula1 true
};

/// How the alert refuses an entry.
enum TXLSValidationAlert : std::int32_t {
  xlValidAlertStop = 1,         ///< refuses it
  xlValidAlertWarning = 2,      ///< asks whether to keep it
  xlValidAlertInformation = 3,  ///< only tells
};

/// Comparison operators of validations and conditional formats.
enum TXLSOperator : std::int32_t {
  xlBetween = 1,  ///< formula1 <= value <= formula2 (either order)
  xlNotBetween = 2,
  xlEqual = 3,
  xlNotEqual = 4,
  xlGreater = 5,
  xlLess = 6,
  xlGreaterEqual = 7,
  xlLessEqual = 8,
};

/// The validation of a range: a counted view. Getters and the property setters
/// work on the validation that covers the range's first cell (which may cover
/// more cells than the range); Add and Delete work on the range's cells.
///
/// A validation belongs to its cells: Insert and Delete move it with them (cells
/// inserted below or right of validated ones take the validation, as they take
/// the format), Copy and Move with formats carry it to the destination cells,
/// replacing theirs. Formula texts with relative references are relative to the
/// first cell of the validation's area and are kept as written. Once the range's
/// sheet is deleted every operation fails (-1) and getters return the defaults.
/// Refusals leave their reason with the workbook (GetLastError).
class IXLSValidation : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// Validates the range's cells, replacing what validated them before.
  /// formula1 and formula2 are formulas (with or without "="): numbers, dates as
  /// serial numbers or DATE(...), references, names; formula2 only for xlBetween
  /// and xlNotBetween. A list is either inline, items separated by "," ("Yes,No",
  /// at most 255 characters, no "="), or a formula naming cells ("=$H$1:$H$5",
  /// "=Lists!A1:A9", a defined name). The operator is ignored for lists and
  /// custom formulas, the formulas for xlValidateInputOnly. Returns 1, or -1 for
  /// an unknown type, alert style or operator, a formula missing or refused (as a
  /// cell would refuse it, or for what a validation cannot hold: references to
  /// another sheet except a list's cells, unions, an area where a value belongs).
  /// The prompt and alert settings start as IgnoreBlank, InCellDropdown,
  /// ShowInput and ShowError true and the texts empty.
  virtual std::int32_t Add(std::int32_t type, std::int32_t alertStyle, std::int32_t op,
                           std::string_view formula1, std::string_view formula2) = 0;
  /// Takes the range's cells out of every validation. Returns 1.
  virtual std::int32_t Delete() = 0;
  /// True when a validation covers the range's first cell.
  virtual bool Exists() = 0;
  /// The values given to Add; 0 when nothing validates the first cell.
  virtual std::int32_t GetType() = 0;
  virtual std::int32_t GetAlertStyle() = 0;
  virtual std::int32_t GetOperator() = 0;
  /// The formulas with their "=" (an inline list as given, without one).
  virtual std::string GetFormula1() = 0;
  virtual std::string GetFormula2() = 0;
  /// Empty cells pass (true at first).
  virtual bool GetIgnoreBlank() = 0;
  virtual std::int32_t SetIgnoreBlank(bool value) = 0;
  /// A list offers its entries in a drop-down in the cell (true at first).
  virtual bool GetInCellDropdown() = 0;
  virtual std::int32_t SetInCellDropdown(bool value) = 0;
  /// The prompt shown while the cell is selected: title at most 32 characters,
  /// message at most 255; the alert: title at most 32, message at most 225.
  virtual std::string GetInputTitle() = 0;
  virtual std::int32_t SetInputTitle(std::string_view text) = 0;
  virtual std::string GetInputMessage() = 0;
  virtual std::int32_t SetInputMessage(std::string_view text) = 0;
  virtual std::string GetErrorTitle() = 0;
  virtual std::int32_t SetErrorTitle(std::string_view text) = 0;
  virtual std::string GetErrorMessage() = 0;
  virtual std::int32_t SetErrorMessage(std::string_view text) = 0;
  /// Whether the prompt and the alert are shown (true at first).
  virtual bool GetShowInput() = 0;
  virtual std::int32_t SetShowInput(bool value) = 0;
  virtual bool GetShowError() = 0;
  virtual std::int32_t SetShowError(bool value) = 0;
};

}  // namespace tablirex
