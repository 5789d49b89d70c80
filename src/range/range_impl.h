// The range object behind IXLSRange.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/xf_list.h"
#include "range/areas.h"
#include "tablirex/range.h"
#include "tablirex/worksheet.h"

namespace tablirex {

class IXLSWorksheet;
struct TXLSCellRef;

/// The edges and inside lines a range's border operations work on.
enum class TXLSEdge : std::uint8_t { Left, Right, Top, Bottom, VerticalInside, HorizontalInside };

/// A view of a rectangle of one worksheet. Counted: it lives as long as references
/// to it exist. Its corners are put in order when it is made (B2:A1 is A1:B2). It
/// reaches its sheet through the sheet's link, so once the sheet is
/// deleted (or its workbook destroyed) every operation fails without touching it.
/// Ranges are allocated from a free list, so the many
/// single-cell ranges of per-cell loops cost no trip to the general allocator.
class TXLSRange final : public IXLSRange {
 public:
  /// Parses the two A1 texts; a text that does not parse leaves its corner at A1.
  TXLSRange(IXLSWorksheet* sheet, std::string_view firstRef, std::string_view lastRef);
  TXLSRange(IXLSWorksheet* sheet, std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
            std::uint16_t col2);
  TXLSRange(TXLSSheetLink* link, std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
            std::uint16_t col2);
  ~TXLSRange() override;

  static void* operator new(std::size_t size);
  static void operator delete(void* p) noexcept;

  void PasteFrom(IXLSRange* source, std::int32_t flags, bool copy) override;
  Ref<IXLSRange> GetItem(std::uint32_t row, std::uint16_t col) override;
  void SetValue(const TVariant& value) override;
  TVariant GetValue() override;
  Ref<IXLSRange> GetEntireRow() override;
  Ref<IXLSRange> GetEntireColumn() override;
  Ref<IXLSRange> GetRows() override;
  Ref<IXLSRange> GetColumns() override;
  Ref<IXLSRange> GetOffsetRange(std::int32_t rowOffset, std::int32_t colOffset) override;
  void ShiftTo(std::uint32_t row, std::uint16_t col) override;
  std::int32_t GetRow() override { return firstRow_ + 1; }
  std::int32_t GetColumn() override { return firstCol_ + 1; }
  std::int32_t GetCount() override;
  Ref<IXLSFont> GetFont() override;
  Ref<IXLSInterior> GetInterior() override;
  TVariant GetColumnWidth() override;
  void SetColumnWidth(const TVariant& value) override;
  TVariant GetRowHeight() override;
  void SetRowHeight(const TVariant& value) override;
  TVariant GetHidden() override;
  void SetHidden(const TVariant& value) override;
  TVariant GetWrapText() override;
  void SetWrapText(const TVariant& value) override;
  TVariant GetOrientation() override;
  void SetOrientation(const TVariant& value) override;
  Ref<IXLSBorders> GetBorders() override;
  TVariant GetNumFormat() override;
  void SetNumFormat(std::string_view text) override;
  TVariant GetHAlign() override;
  void SetHAlign(const TVariant& value) override;
  TVariant GetVAlign() override;
  void SetVAlign(const TVariant& value) override;
  Ref<IXLSRange> GetCells() override;
  void Merge(bool across) override;
  void Select() override;
  void ClearContents() override;
  void Clear() override;
  TVariant Insert(std::int32_t shift) override;
  TVariant Delete(std::int32_t shift) override;
  void Move(IXLSRange* destination) override;
  void Copy(IXLSRange* destination) override;
  void Move(IXLSRange* destination, std::int32_t flags) override;
  void Copy(IXLSRange* destination, std::int32_t flags) override;
  std::int32_t GetFirstCol() override { return firstCol_; }
  std::int32_t GetLastCol() override { return lastCol_; }
  std::int32_t GetFirstRow() override { return firstRow_; }
  std::int32_t GetLastRow() override { return lastRow_; }
  void Unmerge() override;
  std::int32_t XFIndex() override;
  void SetText(std::string_view text) override;
  void SetXFIndex(std::int32_t xf) override;
  std::int32_t AutoFit() override;  // column_fit.cpp
  std::int32_t Group() override;
  std::int32_t Ungroup() override;
  TVariant GetShowDetail() override;
  std::int32_t SetShowDetail(bool show) override;
  Ref<IXLSCharacters> Characters(std::int32_t start, std::int32_t length = -1) override;
  // Comments and the autofilter (src/drawing/drawing_api.cpp).
  std::int32_t AddComment(std::string_view text, bool visible) override;
  using IXLSRange::AddComment;
  std::string GetComment() override;
  bool HasComment() override;
  void ClearComments() override;
  std::int32_t AutoFilter() override;
  Ref<IXLSValidation> GetValidation() override;
  Ref<IXLSFormatConditions> GetFormatConditions() override;
  /// The range's cells as an area (corners in order).
  TXLSArea Area() const noexcept {
    return {static_cast<std::uint32_t>(MinRow()), static_cast<std::uint32_t>(MinCol()),
            static_cast<std::uint32_t>(MaxRow()), static_cast<std::uint32_t>(MaxCol())};
  }

  /// 1 when the range spans all rows, 2 when it spans all columns, else 0.
  std::int32_t GetRangeType() const noexcept;
  /// Grows the range over the merged areas it touches.
  void ExtendRange();
  /// Merge with the argument as a variant: across when it is true or a number above 0.
  void Merge(const TVariant& across);
  /// Dissolves every merged area that crosses the border of the rectangle.
  void UnMergeOutgoingRanges(std::int32_t row1, std::int32_t col1, std::int32_t row2, std::int32_t col2);
  /// Dissolves the merged area whose top-left cell is owner; values are not restored.
  void UnMergeCell(TXLSCellRef& owner);
  TXLSRangeType Kind() const noexcept { return kind_; }
  void SetKind(TXLSRangeType k) noexcept { kind_ = k; }
  /// The sheet, or nullptr once it is deleted.
  IXLSWorksheet* Sheet() const noexcept { return link_->Sheet(); }
  /// True once the sheet is deleted: operations then do nothing.
  bool Dead() const noexcept { return link_->Sheet() == nullptr; }
  /// Records a refused operation with the workbook (see TXLSWorkbook::GetLastError).
  void Refuse(std::string message) const;
  /// The A1 texts of the two corners.
  std::string FirstRef() const;
  std::string LastRef() const;
  std::int32_t Row1() const noexcept { return firstRow_; }
  std::int32_t Row2() const noexcept { return lastRow_; }
  std::int32_t Col1() const noexcept { return firstCol_; }
  std::int32_t Col2() const noexcept { return lastCol_; }
  /// Smaller and larger corner values, for loops.
  std::int32_t MinRow() const noexcept { return firstRow_ < lastRow_ ? firstRow_ : lastRow_; }
  std::int32_t MaxRow() const noexcept { return firstRow_ < lastRow_ ? lastRow_ : firstRow_; }
  std::int32_t MinCol() const noexcept { return firstCol_ < lastCol_ ? firstCol_ : lastCol_; }
  std::int32_t MaxCol() const noexcept { return firstCol_ < lastCol_ ? lastCol_ : firstCol_; }

  // ---- formatting (range_format.cpp, range_borders.cpp) ------------------------------
  // Getters read the format the range's top-left cell shows; setters change every
  // cell of the range through the workbook's XF list, and for whole rows and
  // columns the rows' and columns' formats too.

  /// The XF the cell at (row, col) shows: the cell's own XF when the store has the
  /// cell and its XF is above 0 (own = true); otherwise the column's XF when it is
  /// not 0, otherwise the row's (own = false). 0 stands for the default format.
  std::int32_t GetXFIndex(std::int32_t row, std::int32_t col, bool& own);
  /// Applies one XF-list property setter to the range: blocks cell by cell
  /// (creating cells), whole columns and whole rows through their formats and the
  /// cells that exist. Covered cells of merged areas are left alone.
  void SetXFProperty(const TVariant& value, TSetXFProperty setter);

  bool GetFontBold();
  std::u16string GetFontName();
  double GetFontSize();
  /// Palette index as stored; -4105 for the automatic colour.
  std::int32_t GetFontColorIndex();
  bool GetFontItalic();
  bool GetFontStrikethrough();
  bool GetFontOutLineFont();
  bool GetFontShadow();
  /// The underline byte: 0 none, 1 single, 2 double, 0x21 and 0x22 accounting.
  std::uint8_t GetFontUnderLine();
  bool GetFontSubScript();
  bool GetFontSuperScript();
  void SetFontBold(bool value);
  /// A palette index as stored, or -4105 (as its 32-bit pattern) for automatic.
  void SetFontColorIndex(std::uint32_t value);
  void SetFontItalic(bool value);
  void SetFontName(std::u16string_view name);
  void SetFontOutLineFont(bool value);
  void SetFontShadow(bool value);
  void SetFontSize(float size);
  void SetFontStrikethrough(bool value);
  void SetFontSubScript(bool value);
  void SetFontSuperScript(bool value);
  void SetFontUnderLine(std::uint8_t value);

  /// Fill colours and pattern as stored: palette indices (0 when unfilled) and
  /// the pattern number 0 … 18.
  std::uint16_t GetInteriorColor();
  std::uint16_t GetInteriorPattern();
  std::uint16_t GetInteriorPatternColor();
  void SetInteriorColor(std::uint16_t paletteIndex);
  void SetInteriorPattern(std::uint16_t pattern);
  void SetInteriorPatternColor(std::uint16_t paletteIndex);

  // Borders by the object model's index: 7 left, 8 top, 9 bottom, 10 right,
  // 11 inside vertical, 12 inside horizontal, 13 the outline, 14 the inside
  // lines. Colour indices are 1 … 56 (or -4142, -4105); values arrive as unsigned
  // 32-bit numbers carrying negative constants in two's complement.
  std::int32_t GetBorderColorIndex(std::int32_t index);
  std::int32_t GetBorderLineStyle(std::int32_t index);
  std::int32_t GetBorderWeight(std::int32_t index);
  void SetBorderColorIndex(std::int32_t index, std::uint32_t value);
  void SetBorderLineStyle(std::int32_t index, std::uint32_t value);
  void SetBorderWeight(std::int32_t index, std::uint32_t value);

  /// One edge or the inside lines: setters draw along the whole edge, getters
  /// read the edge's first cell pair.
  std::int32_t GetEdgeColorIndex(TXLSEdge edge);
  std::int32_t GetEdgeLineStyle(TXLSEdge edge);
  std::int32_t GetEdgeWeight(TXLSEdge edge);
  void SetEdgeColorIndex(TXLSEdge edge, std::uint32_t value);
  void SetEdgeLineStyle(TXLSEdge edge, std::uint32_t value);
  void SetEdgeWeight(TXLSEdge edge, std::uint32_t value);

  std::int32_t GetBorderLeftColorIndex() { return GetEdgeColorIndex(TXLSEdge::Left); }
  std::int32_t GetBorderRightColorIndex() { return GetEdgeColorIndex(TXLSEdge::Right); }
  std::int32_t GetBorderTopColorIndex() { return GetEdgeColorIndex(TXLSEdge::Top); }
  std::int32_t GetBorderBottomColorIndex() { return GetEdgeColorIndex(TXLSEdge::Bottom); }
  std::int32_t GetBorderVerticalInsideColorIndex() { return GetEdgeColorIndex(TXLSEdge::VerticalInside); }
  std::int32_t GetBorderHorizontalInsideColorIndex() { return GetEdgeColorIndex(TXLSEdge::HorizontalInside); }
  std::int32_t GetBorderLeftLineStyle() { return GetEdgeLineStyle(TXLSEdge::Left); }
  std::int32_t GetBorderRightLineStyle() { return GetEdgeLineStyle(TXLSEdge::Right); }
  std::int32_t GetBorderTopLineStyle() { return GetEdgeLineStyle(TXLSEdge::Top); }
  std::int32_t GetBorderBottomLineStyle() { return GetEdgeLineStyle(TXLSEdge::Bottom); }
  std::int32_t GetBorderVerticalInsideLineStyle() { return GetEdgeLineStyle(TXLSEdge::VerticalInside); }
  std::int32_t GetBorderHorizontalInsideLineStyle() { return GetEdgeLineStyle(TXLSEdge::HorizontalInside); }
  std::int32_t GetBorderLeftLineWeight() { return GetEdgeWeight(TXLSEdge::Left); }
  std::int32_t GetBorderRightLineWeight() { return GetEdgeWeight(TXLSEdge::Right); }
  std::int32_t GetBorderTopLineWeight() { return GetEdgeWeight(TXLSEdge::Top); }
  std::int32_t GetBorderBottomLineWeight() { return GetEdgeWeight(TXLSEdge::Bottom); }
  std::int32_t GetBorderVerticalInsideLineWeight() { return GetEdgeWeight(TXLSEdge::VerticalInside); }
  std::int32_t GetBorderHorizontalInsideLineWeight() { return GetEdgeWeight(TXLSEdge::HorizontalInside); }
  void SetBorderLeftColorIndex(std::uint32_t v) { SetEdgeColorIndex(TXLSEdge::Left, v); }
  void SetBorderRightColorIndex(std::uint32_t v) { SetEdgeColorIndex(TXLSEdge::Right, v); }
  void SetBorderTopColorIndex(std::uint32_t v) { SetEdgeColorIndex(TXLSEdge::Top, v); }
  void SetBorderBottomColorIndex(std::uint32_t v) { SetEdgeColorIndex(TXLSEdge::Bottom, v); }
  void SetBorderVerticalInsideColorIndex(std::uint32_t v) { SetEdgeColorIndex(TXLSEdge::VerticalInside, v); }
  void SetBorderHorizontalInsideColorIndex(std::uint32_t v) { SetEdgeColorIndex(TXLSEdge::HorizontalInside, v); }
  void SetBorderLeftLineStyle(std::uint32_t v) { SetEdgeLineStyle(TXLSEdge::Left, v); }
  void SetBorderRightLineStyle(std::uint32_t v) { SetEdgeLineStyle(TXLSEdge::Right, v); }
  void SetBorderTopLineStyle(std::uint32_t v) { SetEdgeLineStyle(TXLSEdge::Top, v); }
  void SetBorderBottomLineStyle(std::uint32_t v) { SetEdgeLineStyle(TXLSEdge::Bottom, v); }
  void SetBorderVerticalInsideLineStyle(std::uint32_t v) { SetEdgeLineStyle(TXLSEdge::VerticalInside, v); }
  void SetBorderHorizontalInsideLineStyle(std::uint32_t v) { SetEdgeLineStyle(TXLSEdge::HorizontalInside, v); }
  void SetBorderLeftLineWeight(std::uint32_t v) { SetEdgeWeight(TXLSEdge::Left, v); }
  void SetBorderRightLineWeight(std::uint32_t v) { SetEdgeWeight(TXLSEdge::Right, v); }
  void SetBorderTopLineWeight(std::uint32_t v) { SetEdgeWeight(TXLSEdge::Top, v); }
  void SetBorderBottomLineWeight(std::uint32_t v) { SetEdgeWeight(TXLSEdge::Bottom, v); }
  void SetBorderVerticalInsideLineWeight(std::uint32_t v) { SetEdgeWeight(TXLSEdge::VerticalInside, v); }
  void SetBorderHorizontalInsideLineWeight(std::uint32_t v) { SetEdgeWeight(TXLSEdge::HorizontalInside, v); }

  /// The border between two neighbouring cells A and B (A left of B when
  /// vertical, above B otherwise) is kept on one of them. Draws it on A (onA) or
  /// on B with the setter, creating that cell, and removes the other cell's half
  /// of the line when that cell exists. Cells outside the sheet are left alone.
  void SetCellXFBorderProperty(std::int32_t rowA, std::int32_t colA, std::int32_t rowB, std::int32_t colB,
                               bool vertical, bool onA, const TVariant& value, TSetXFBorderProperty setter);
  void SetCellBorderColorIndex(std::int32_t rowA, std::int32_t colA, std::int32_t rowB, std::int32_t colB,
                               bool vertical, bool onA, std::uint32_t value);
  void SetCellBorderLineStyle(std::int32_t rowA, std::int32_t colA, std::int32_t rowB, std::int32_t colB,
                              bool vertical, bool onA, std::uint32_t value);
  void SetCellBorderLineWeight(std::int32_t rowA, std::int32_t colA, std::int32_t rowB, std::int32_t colB,
                               bool vertical, bool onA, std::uint32_t value);
  /// The line between A and B as drawn: A's half when A has one, else B's.
  std::int32_t GetCellBorderColorIndex(std::int32_t rowA, std::int32_t colA, std::int32_t rowB,
                                       std::int32_t colB, bool vertical);
  std::int32_t GetCellBorderLineStyle(std::int32_t rowA, std::int32_t colA, std::int32_t rowB,
                                      std::int32_t colB, bool vertical);
  std::int32_t GetCellBorderLineWeight(std::int32_t rowA, std::int32_t colA, std::int32_t rowB,
                                       std::int32_t colB, bool vertical);

 private:
  void Normalise() noexcept;
  Ref<IXLSRange> Make(std::uint32_t r1, std::uint32_t c1, std::uint32_t r2, std::uint32_t c2,
                      TXLSRangeType kind) const;
  void SetCellsValue(const TVariant& value);
  /// False, with the workbook's last error set, when the value is a formula the
  /// cells row1:col1 to row2:col2 may not take; true for any other value.
  bool AcceptsFormula(const TVariant& value, std::uint32_t row1, std::uint32_t col1, std::uint32_t row2,
                      std::uint32_t col2);
  /// The XF the top-left cell shows.
  std::int32_t TopLeftXF();
  /// GetXFIndex for a cell already at hand.
  std::int32_t ShownXF(const TXLSCellRef& cell, bool& own);
  /// The conversions one border run remembers (range_borders.cpp).
  struct TBorderRun;
  void SetCellPair(std::int32_t rowA, std::int32_t colA, std::int32_t rowB, std::int32_t colB, bool vertical,
                   bool onA, const TVariant& value, TSetXFBorderProperty setter, TBorderRun& run);
  /// Runs an XF-list border setter along an edge.
  void SetEdge(TXLSEdge edge, std::uint32_t value, TSetXFBorderProperty setter);
  /// Reads one side of a cell pair: 0 colour, 1 line style, 2 weight.
  std::int32_t GetCellBorder(std::int32_t rowA, std::int32_t colA, std::int32_t rowB, std::int32_t colB,
                             bool vertical, int what);

  IXLSWorksheet* sheet_;
  Ref<TXLSSheetLink> link_;
  Ref<IXLSRange> offset_;
  // Signed, so that spans and offsets are computed without wrapping.
  std::int32_t firstRow_ = 0, lastRow_ = 0;
  std::int32_t firstCol_ = 0, lastCol_ = 0;
  TXLSRangeType kind_ = xlRangeCells;
};

}  // namespace tablirex
