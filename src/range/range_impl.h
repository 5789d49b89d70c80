// The range object behind IXLSRange.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/range.h"

namespace tablirex {

class IXLSWorksheet;

/// A view of a rectangle of one worksheet. Counted: it lives as long as references
/// to it exist. Corners are kept in the order they were given; most operations
/// expect first <= last. Ranges are allocated from a free list, so the many
/// single-cell ranges of per-cell loops cost no trip to the general allocator.
class TXLSRange final : public IXLSRange {
 public:
  /// Parses the two A1 texts; a text that does not parse leaves its corner at A1.
  TXLSRange(IXLSWorksheet* sheet, std::string_view firstRef, std::string_view lastRef);
  TXLSRange(IXLSWorksheet* sheet, std::uint16_t row1, std::uint8_t col1, std::uint16_t row2,
            std::uint8_t col2);
  ~TXLSRange() override;

  static void* operator new(std::size_t size);
  static void operator delete(void* p) noexcept;

  void PasteFrom(IXLSRange* source, std::int32_t flags, bool copy) override;
  Ref<IXLSRange> GetItem(std::uint16_t row, std::uint8_t col) override;
  void SetValue(const TVariant& value) override;
  TVariant GetValue() override;
  Ref<IXLSRange> GetEntireRow() override;
  Ref<IXLSRange> GetEntireColumn() override;
  Ref<IXLSRange> GetRows() override;
  Ref<IXLSRange> GetColumns() override;
  Ref<IXLSRange> GetOffsetRange(std::int32_t rowOffset, std::int32_t colOffset) override;
  void ShiftTo(std::uint16_t row, std::uint8_t col) override;
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

  /// 1 when the range spans all rows, 2 when it spans all columns, else 0.
  std::int32_t GetRangeType() const noexcept;
  /// Grows the range over the merged areas it touches.
  void ExtendRange();
  TXLSRangeType Kind() const noexcept { return kind_; }
  void SetKind(TXLSRangeType k) noexcept { kind_ = k; }
  IXLSWorksheet* Sheet() const noexcept { return sheet_; }
  /// The A1 texts of the two corners.
  std::string FirstRef() const;
  std::string LastRef() const;
  std::uint16_t Row1() const noexcept { return firstRow_; }
  std::uint16_t Row2() const noexcept { return lastRow_; }
  std::uint8_t Col1() const noexcept { return firstCol_; }
  std::uint8_t Col2() const noexcept { return lastCol_; }
  /// Smaller and larger corner values, for loops.
  std::uint16_t MinRow() const noexcept { return firstRow_ < lastRow_ ? firstRow_ : lastRow_; }
  std::uint16_t MaxRow() const noexcept { return firstRow_ < lastRow_ ? lastRow_ : firstRow_; }
  std::uint8_t MinCol() const noexcept { return firstCol_ < lastCol_ ? firstCol_ : lastCol_; }
  std::uint8_t MaxCol() const noexcept { return firstCol_ < lastCol_ ? lastCol_ : firstCol_; }

 private:
  Ref<IXLSRange> Make(std::uint16_t r1, std::uint8_t c1, std::uint16_t r2, std::uint8_t c2,
                      TXLSRangeType kind) const;
  void SetCellsValue(const TVariant& value);

  IXLSWorksheet* sheet_;
  Ref<IXLSRange> offset_;
  std::uint16_t firstRow_ = 0, lastRow_ = 0;
  std::uint8_t firstCol_ = 0, lastCol_ = 0;
  TXLSRangeType kind_ = xlRangeCells;
};

}  // namespace tablirex
