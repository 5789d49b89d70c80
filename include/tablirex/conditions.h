// Conditional formats: fonts, fills and borders a cell shows while a condition
// holds. A range reaches them through IXLSRange::GetFormatConditions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/format_views.h"
#include "tablirex/object.h"
#include "tablirex/validation.h"

namespace tablirex {

/// Kinds of conditions.
enum TXLSFormatConditionType : std::int32_t {
  xlCellValue = 1,   ///< the cell's value compared by the operator with formula1 (and formula2)
  xlExpression = 2,  ///< formula1 is true (relative references are taken from the first cell)
};

/// One condition of a range's conditional format: a counted view. Its Font,
/// Interior and Borders set what the cells show while it holds: font bold,
/// italic, underline (single or double), strikethrough and colour; fill colour,
/// pattern and pattern colour; the four edges' line style, weight and colour.
/// Other settings (a font's name or size, inside lines) are refused with their
/// reason left with the workbook. Once the condition is deleted every operation
/// does nothing and returns -1, 0 or the empty text.
class IXLSFormatCondition : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  virtual std::int32_t GetType() = 0;
  /// The operator of a cell-value condition (TXLSOperator), 0 for an expression.
  virtual std::int32_t GetOperator() = 0;
  /// The formulas with their "=".
  virtual std::string GetFormula1() = 0;
  virtual std::string GetFormula2() = 0;
  /// Replaces kind, operator and formulas as Add checks them. Returns 1 or -1.
  virtual std::int32_t Modify(std::int32_t type, std::int32_t op, std::string_view formula1,
                              std::string_view formula2) = 0;
  /// Removes this condition. Returns 1, or -1 when it is gone already.
  virtual std::int32_t Delete() = 0;
  virtual Ref<IXLSFont> GetFont() = 0;
  virtual Ref<IXLSInterior> GetInterior() = 0;
  virtual Ref<IXLSBorders> GetBorders() = 0;
};

/// The conditions of a range, a counted view: those of the conditional format
/// over exactly the range's cells, or when there is none, of the one that covers
/// the range's first cell. An Excel 97 file holds at most three conditions per
/// format; the first that holds decides what a cell shows.
///
/// Conditional formats belong to their cells, as validations do: Insert and
/// Delete move them with their cells (new cells beside formatted ones take them),
/// Copy and Move with formats carry them to the destination. Formulas are kept as
/// written, relative to the first cell of the format's area.
class IXLSFormatConditions : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// Adds a condition to the format over exactly the range's cells (made when
  /// there is none). type xlCellValue: op is a TXLSOperator, formula2 only for
  /// xlBetween and xlNotBetween; xlExpression: op is ignored and formula1 must be
  /// true or false. Formulas take "=" or not ("100", "=$A$1*2", "=MOD(ROW();2)=0").
  /// Returns the condition, or nullptr with the reason left with the workbook: a
  /// fourth condition, an unknown type or operator, a formula missing or refused
  /// (as for cells, and for what a condition cannot hold: references to other
  /// sheets, unions, an area alone).
  virtual Ref<IXLSFormatCondition> Add(std::int32_t type, std::int32_t op, std::string_view formula1,
                                       std::string_view formula2) = 0;
  virtual std::int32_t GetCount() = 0;
  /// The condition at a one-based index, or nullptr (with the reason) outside 1 … GetCount().
  virtual Ref<IXLSFormatCondition> GetItem(std::int32_t index) = 0;
  /// Takes the range's cells out of every conditional format.
  virtual void Delete() = 0;
};

}  // namespace tablirex
