// Frozen and split panes of a worksheet window, and the sheet-level operations
// that set them and the zoom.
#pragma once

#include <cstdint>
#include <memory>

namespace tablirex {

/// The panes of one worksheet window. The worksheet creates it on the first
/// FreezePanes or ThawPanes and owns it.
///
/// For frozen panes x and y count the frozen columns and rows; for split panes x
/// is the split position in column-width units and y in points. Top row and left
/// column are the first row of the lower pane and the first column of the right
/// pane, −1 when not set.
class TXLSPanes {
 public:
  TXLSPanes() = default;

  /// Stored when 0 ≤ row ≤ XLSXMaxRow.
  void SetRow(std::int32_t row);
  /// Stored when 0 ≤ column ≤ XLSXMaxCol.
  void SetCol(std::int32_t column);
  /// Stored when −1 ≤ row ≤ XLSXMaxRow (−1: not set).
  void SetRowTop(std::int32_t row);
  /// Stored when −1 ≤ column ≤ XLSXMaxCol (−1: not set).
  void SetColLeft(std::int32_t column);
  /// Stored when ≥ 0.
  void SetX(float x);
  /// Stored when ≥ 0.
  void SetY(float y);
  void SetFrozen(bool frozen) noexcept { frozen_ = frozen; }

  /// Row, column, top row and left column through the setters; frozen, x and y 0.
  void Freeze(std::int32_t row, std::int32_t column, std::int32_t topRow, std::int32_t leftColumn);
  /// Row and column 0, top row and left column through the setters, not frozen,
  /// then x and y through theirs.
  void Thaw(float x, float y, std::int32_t topRow, std::int32_t leftColumn);
  /// Back to the state at creation.
  void Clear();

  bool GetFrozen() const noexcept { return frozen_; }
  float GetX() const noexcept { return x_; }
  float GetY() const noexcept { return y_; }
  std::int32_t GetRow() const noexcept { return row_; }
  std::int16_t GetCol() const noexcept { return col_; }
  std::int32_t GetRowTop() const noexcept { return rowTop_; }
  std::int16_t GetColLeft() const noexcept { return colLeft_; }

 private:
  bool frozen_ = false;
  float x_ = 0;
  float y_ = 0;
  std::int32_t row_ = 0;
  std::int16_t col_ = 0;
  std::int32_t rowTop_ = -1;
  std::int16_t colLeft_ = -1;
};

// The worksheet keeps its panes (created on demand), its frozen flag and its zoom
// as fields of its own; these functions hold the rules of its FreezePanes,
// ThawPanes and SetZoom so that the worksheet's methods only forward.

/// Worksheet FreezePanes: creates the panes when needed, sets y = rows and
/// x = columns (frozen rows and columns), the top row and left column through the
/// panes' setters, and sets the sheet's frozen flag. Returns 1.
std::int32_t FreezeSheetPanes(std::unique_ptr<TXLSPanes>& panes, bool& sheetFrozen,
                              std::int32_t rows, std::int32_t columns, std::int32_t topRow,
                              std::int32_t leftColumn);

/// Worksheet ThawPanes (split panes): creates the panes when needed, sets
/// y = verticalSplit (points) and x = horizontalSplit (column-width units), the
/// top row and left column, and clears the sheet's frozen flag. Returns 1.
std::int32_t ThawSheetPanes(std::unique_ptr<TXLSPanes>& panes, bool& sheetFrozen,
                            float verticalSplit, float horizontalSplit, std::int32_t topRow,
                            std::int32_t leftColumn);

/// True for a sheet zoom the window accepts: 10 … 400 percent.
constexpr bool IsValidSheetZoom(std::int32_t value) noexcept { return value >= 10 && value <= 400; }

/// Worksheet SetZoom: stores the zoom and returns 1 when 10 ≤ value ≤ 400;
/// returns −1 and leaves it unchanged otherwise.
template <class Int>
std::int32_t SetSheetZoom(Int& zoom, std::int32_t value) {
  if (!IsValidSheetZoom(value)) return -1;
  zoom = static_cast<Int>(value);
  return 1;
}

}  // namespace tablirex
