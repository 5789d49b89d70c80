// The conditional formats of a sheet as plain data, independent of any file
// format: which cells, which conditions, and what each condition changes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "range/areas.h"

namespace tablirex {

/// One edge of a condition's border: the line code of the XF border fields
/// (0 none, 1 thin, 2 medium, ... 13) and its palette index.
struct TXLSConditionEdge {
  std::uint8_t style = 0;
  std::uint8_t color = 64;
};

/// What a condition changes. An empty optional leaves the cell's own setting.
/// Colours are palette indices as stored (8 … 63, 64 and 65 the system colours).
struct TXLSConditionStyle {
  std::optional<bool> bold;
  std::optional<bool> italic;
  std::optional<bool> strikethrough;
  std::optional<std::uint8_t> underline;  // the font's underline byte: 0, 1, 2, 0x21, 0x22
  std::optional<std::uint8_t> fontColor;
  std::optional<std::uint8_t> pattern;  // fill pattern number 0 … 18 (1 solid)
  std::optional<std::uint8_t> fillColor;
  std::optional<std::uint8_t> patternColor;
  /// Left, right, top, bottom.
  std::optional<TXLSConditionEdge> edges[4];

  bool HasFont() const noexcept { return bold || italic || strikethrough || underline || fontColor; }
  bool HasFill() const noexcept { return pattern || fillColor || patternColor; }
  bool HasBorder() const noexcept { return edges[0] || edges[1] || edges[2] || edges[3]; }
};

/// One condition. Formulas are UTF-8 without their "=".
struct TXLSCondition {
  std::uint64_t id = 0;
  std::int32_t type = 1;  // TXLSFormatConditionType
  std::int32_t op = 0;    // TXLSOperator for cell-value conditions, 0 for expressions
  std::string formula1;
  std::string formula2;
  TXLSConditionStyle style;
  bool UsesFormula2() const noexcept { return type == 1 && (op == 1 || op == 2); }
};

/// A conditional format: cells and up to kMaxConditions conditions, the first
/// that holds deciding.
struct TXLSConditionalFormat {
  std::uint64_t id = 0;
  TXLSAreaList areas;
  std::vector<TXLSCondition> conditions;
};

/// Most conditions of one format in an Excel 97 file.
inline constexpr std::size_t kMaxConditions = 3;

/// The conditional formats of a sheet, in the order they were made.
class TXLSConditionalFormatList {
 public:
  const std::vector<TXLSConditionalFormat>& Items() const noexcept { return items_; }
  bool Empty() const noexcept { return items_.empty(); }
  /// The format over exactly these areas (in any order), or nullptr.
  TXLSConditionalFormat* Exact(const TXLSArea& area) noexcept;
  /// The first format covering the cell, or nullptr.
  TXLSConditionalFormat* At(std::uint32_t row, std::uint32_t col) noexcept;
  TXLSConditionalFormat* Find(std::uint64_t id) noexcept;
  /// Makes an empty format over one area; returns it.
  TXLSConditionalFormat& Make(const TXLSArea& area);
  /// Adds a format as it is (its conditions keep their ids), e.g. one pasted.
  void Append(TXLSConditionalFormat format);
  /// A fresh id for a condition.
  std::uint64_t NewConditionId() noexcept { return nextId_++; }
  /// The condition of that id and its format, or nullptr.
  TXLSCondition* FindCondition(std::uint64_t id, TXLSConditionalFormat** format = nullptr) noexcept;
  /// Removes one condition; a format left without conditions goes.
  bool RemoveCondition(std::uint64_t id);
  /// Takes the cells of area out of every format; formats left without cells go.
  void RemoveCells(const TXLSArea& area);
  void Shift(const TXLSCellShift& shift);
  /// The formats as the paste puts them on the destination.
  std::vector<TXLSConditionalFormat> Pasted(const TXLSPaste& paste) const;

 private:
  void DropEmpty();
  std::vector<TXLSConditionalFormat> items_;
  std::uint64_t nextId_ = 1;
};

}  // namespace tablirex
