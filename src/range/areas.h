// Rectangles of cells on one sheet, as hyperlinks, validations and conditional
// formats cover them, and how the sheet's structural operations move them.
//
// What the range operations do to the cells, these functions do to the areas
// that lie on them: Insert and Delete shift what lies beyond the inserted or
// deleted cells, Copy and Move carry what covers the source to the destination.
// Results are clipped to the sheet: no area ever covers a cell outside it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tablirex {

/// A rectangle of cells, zero-based, first <= last in both dimensions.
struct TXLSArea {
  std::uint32_t row1 = 0;
  std::uint32_t col1 = 0;
  std::uint32_t row2 = 0;
  std::uint32_t col2 = 0;

  bool Contains(std::uint32_t row, std::uint32_t col) const noexcept {
    return row >= row1 && row <= row2 && col >= col1 && col <= col2;
  }
  bool Contains(const TXLSArea& a) const noexcept {
    return a.row1 >= row1 && a.row2 <= row2 && a.col1 >= col1 && a.col2 <= col2;
  }
  bool Intersects(const TXLSArea& a) const noexcept {
    return a.row1 <= row2 && a.row2 >= row1 && a.col1 <= col2 && a.col2 >= col1;
  }
  std::uint64_t CellCount() const noexcept {
    return std::uint64_t{row2 - row1 + 1} * std::uint64_t{col2 - col1 + 1};
  }
  friend bool operator==(const TXLSArea&, const TXLSArea&) = default;
};

using TXLSAreaList = std::vector<TXLSArea>;

/// The area in A1 notation: "B2", or "A1:C3" for more than one cell.
std::string AreaText(const TXLSArea& area);
/// The areas separated by blanks, as the object model lists them ("A1:B2 D4").
std::string AreaListText(const TXLSAreaList& areas);
/// The smallest area holding every area of the list (the list must not be empty).
TXLSArea BoundingArea(const TXLSAreaList& areas) noexcept;
/// True when a cell of the list lies at (row, col).
bool AreasContain(const TXLSAreaList& areas, std::uint32_t row, std::uint32_t col) noexcept;

/// Appends what is left of `a` once the cells of `cut` are taken out: up to four
/// rectangles (none when cut covers a).
void SubtractArea(const TXLSArea& a, const TXLSArea& cut, TXLSAreaList& out);
/// Takes the cells of cut out of every area of the list.
void SubtractFromList(TXLSAreaList& areas, const TXLSArea& cut);

/// An Insert or Delete with a shift, as the areas on the sheet see it.
struct TXLSCellShift {
  enum class Kind : std::uint8_t {
    InsertDown,   // cells at and below the block move down by its height
    InsertRight,  // cells at and right of the block move right by its width
    DeleteUp,     // the block goes; the cells below move up
    DeleteLeft,   // the block goes; the cells to the right move left
  };
  Kind kind = Kind::InsertDown;
  /// The inserted (or deleted) cells.
  TXLSArea block;
  /// Last row and column of the sheet.
  std::uint32_t lastRow = 0;
  std::uint32_t lastCol = 0;
};

/// Where the cell at (row, col) goes: false when it is deleted or pushed off the
/// sheet.
bool ShiftCell(const TXLSCellShift& shift, std::uint32_t& row, std::uint32_t& col) noexcept;
/// Appends the pieces `a` becomes. The part of `a` that the shift moves moves;
/// a part that spans the inserted cells, or (inherit) covers the cells the new
/// ones take their format from (the row above, the column to the left; at the
/// sheet's edge the cells pushed away), grows over them, as cell formats do;
/// deleted cells leave it.
void ShiftArea(const TXLSCellShift& shift, const TXLSArea& a, bool inherit, TXLSAreaList& out);
/// ShiftArea for every area of the list, in place.
void ShiftList(const TXLSCellShift& shift, TXLSAreaList& areas, bool inherit);

/// A paste from the source rectangle to the destination: the source is repeated
/// over the destination and cut at its edges, as the cells are.
struct TXLSPaste {
  TXLSArea source;  // the used part of the source
  TXLSArea dest;    // the whole destination
};
/// Appends the destination pieces of the part of `a` that lies in the source.
void PasteArea(const TXLSPaste& paste, const TXLSArea& a, TXLSAreaList& out);

/// The items of a list kept over areas (conditional formats, validations) as the
/// paste copies them: each with the pieces of its areas the source holds, those
/// it holds none of left out.
template <class Item>
std::vector<Item> PastedItems(const std::vector<Item>& items, const TXLSPaste& paste) {
  std::vector<Item> out;
  for (const Item& item : items) {
    TXLSAreaList pieces;
    for (const TXLSArea& a : item.areas) PasteArea(paste, a, pieces);
    if (pieces.empty()) continue;
    Item copy = item;
    copy.areas = std::move(pieces);
    out.push_back(std::move(copy));
  }
  return out;
}

}  // namespace tablirex
