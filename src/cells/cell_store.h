// The per-sheet sparse cell store.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "formula/formula_code.h"
#include "tablirex/datetime.h"
#include "tablirex/limits.h"
#include "tablirex/variant.h"

namespace tablirex {

/// True when a cell may hold the value: a finite number, and for a date-time a
/// serial within the years 1 to 9999.
constexpr bool IsCellNumber(double value, bool isDate) noexcept {
  return isDate ? IsDateSerial(value) : value - value == 0.0;
}

class TXLSStringTable;
class IXLSWorksheet;

/// One cell that was ever touched. A formula cell's text and code live in the
/// store's formula slots, found from the cell itself; the rarely used merged-area
/// details live beside the store, keyed by the cell's position, so that a plain
/// cell costs 24 bytes.
struct TXLSCellRef {
  double NumValue = 0.0;        // number, or date-time as a serial day number
  std::int32_t XF = 0;          // XF key; 0 or less: no format of its own
  std::int32_t SSTIndex = 0;    // xlString: string-table index, -1 once released;
                                // xlFormula: the formula slot (1-based), 0 none
  std::uint32_t Row = 0;
  std::uint16_t Col = 0;
  TXLSValueType ValueType = xlEmpty;
  bool IsMerged : 1 = false;
  bool IsMergeOwner : 1 = false;
};

/// Merged-area details of a cell.
struct TXLSCellExtra {
  std::uint32_t OwnerRow = 0;    // top-left cell of the merged area
  std::uint16_t OwnerCol = 0;
  std::int32_t MergeRows = 0;    // on the owner: rows of the merged area
  std::uint16_t MergeCols = 0;   // on the owner: columns of the merged area
};

/// Sparse (row, column) table of cells over the whole grid (rows 0 … XLSXMaxRow,
/// columns 0 … XLSXMaxCol): rows in 256-row pages, made as rows are used; each row
/// split in 32-column groups. The groups of columns A … IV sit in the row's own
/// block, so lookups there are four array indexations; the groups of the columns
/// beyond live in a wide block that only rows using them have, found through one
/// hash lookup. Cells and groups live in chunked pools, so a reference stays valid
/// until its cell is dropped. Clearing a cell only changes its fields;
/// DropEmptyCells removes the cells an operation left with nothing to save, and
/// their places are reused by later cells.
class TXLSCellHeap {
  /// A formula's code, which holds the text it was made from; a text not yet
  /// compiled is kept as a code of the text alone.
  struct FormulaSlot {
    std::shared_ptr<const TFormulaCode> code;
    /// Whether code is compiled, kept here so that finding a cell's code does not
    /// read the code itself (the evaluation looks at every formula cell first).
    bool compiled = false;
    void Set(std::shared_ptr<const TFormulaCode> c) noexcept {
      compiled = c && c->compiled;
      code = std::move(c);
    }
  };

 public:
  explicit TXLSCellHeap(IXLSWorksheet* sheet = nullptr);
  IXLSWorksheet* Sheet() const noexcept { return sheet_; }
  ~TXLSCellHeap();
  TXLSCellHeap(const TXLSCellHeap&) = delete;
  TXLSCellHeap& operator=(const TXLSCellHeap&) = delete;

  /// The cell or nullptr; never allocates.
  TXLSCellRef* GetValue(std::uint32_t row, std::uint32_t col) noexcept {
    if ((row >> 8) >= pages_.size()) return nullptr;
    const Page* page = pages_[row >> 8].get();
    if (!page) return nullptr;
    const std::uint32_t rowBlock = page->rows[row & 0xFF];
    if (!rowBlock) return nullptr;
    std::uint32_t group;
    if (col < kNarrowCols) {
      group = RowGroups(rowBlock)[col >> 5];
    } else {
      const std::uint32_t* wide = col <= XLSXMaxCol ? WideGroups(row) : nullptr;
      if (!wide) return nullptr;
      group = wide[(col - kNarrowCols) >> 5];
    }
    if (!group) return nullptr;
    const std::uint32_t cell = Group(group)[col & 31];
    return cell ? &CellAt(cell) : nullptr;
  }
  /// The cell, created when missing (nullptr outside the sheet).
  TXLSCellRef* GetOrCreateValue(std::uint32_t row, std::uint32_t col);

  /// Sets a cell's value from a variant (numbers, dates, booleans, texts, formulas for
  /// texts beginning with "=", empty/null). Other variant kinds (errors, arrays) leave
  /// the value as it is after releasing a string. A merged cell that is not its
  /// area's owner is left alone.
  void SetCellValue(TXLSCellRef& cell, TXLSStringTable& sst, const TVariant& value);
  /// Fast paths of SetCellValue. SetCellNumber leaves the cell alone for a value
  /// IsCellNumber refuses.
  void SetCellNumber(TXLSCellRef& cell, TXLSStringTable& sst, double value, bool isDate);
  /// A text beginning with "=" becomes a formula unless literal is true.
  void SetCellText(TXLSCellRef& cell, TXLSStringTable& sst, std::u16string_view text,
                   bool literal = false);
  void SetCellBoolean(TXLSCellRef& cell, TXLSStringTable& sst, bool value);
  /// Makes the cell a formula cell: its text (without "=") and the code compiled
  /// from it (may be null: compiled when needed; a code made from another text is
  /// not kept).
  void SetCellFormula(TXLSCellRef& cell, TXLSStringTable& sst, std::string_view text,
                      std::shared_ptr<const TFormulaCode> code);
  /// The cell's value as a variant (null for an empty or covered cell; texts as UTF-8).
  TVariant GetCellValue(const TXLSCellRef& cell, TXLSStringTable& sst) const;
  /// Empties the value, releasing a string reference.
  void ClearCellValue(TXLSCellRef& cell, TXLSStringTable& sst);

  /// Removes the cells of the rectangle that hold no value, have no format of their
  /// own and belong to no merged area (what clearing, deleting, moving and unmerging
  /// leave behind), and narrows the used-area bounds when they were on its edge.
  /// Pointers to the removed cells become invalid.
  void DropEmptyCells(std::int32_t row1, std::int32_t col1, std::int32_t row2, std::int32_t col2);

  /// Details of a merged cell (nullptr when it has none).
  TXLSCellExtra* Extra(const TXLSCellRef& cell) noexcept;
  TXLSCellExtra& MakeExtra(const TXLSCellRef& cell);

  /// A formula cell's text (UTF-8, without the leading "="); "" for other cells.
  const std::string& FormulaText(const TXLSCellRef& cell) const noexcept {
    static const std::string kEmpty;
    const FormulaSlot* slot = Slot(cell);
    return slot && slot->code ? slot->code->source : kEmpty;
  }
  /// The code compiled from a formula cell's text when it took it or since, or
  /// nullptr; shared by the cells that took the same formula at once.
  const TFormulaCode* FormulaCode(const TXLSCellRef& cell) const noexcept {
    const FormulaSlot* slot = Slot(cell);
    return slot && slot->compiled ? slot->code.get() : nullptr;
  }
  /// Keeps code, compiled from the formula cell's own text, for the cell.
  void SetFormulaCode(TXLSCellRef& cell, std::shared_ptr<const TFormulaCode> code);
  /// Drops a formula cell's code, keeping its text: compiled again when needed.
  void ForgetFormulaCode(TXLSCellRef& cell);

  /// Used-area bounds: they widen with every new cell and narrow only when
  /// DropEmptyCells removes a cell on their edge. Counts are 0 while the store is empty.
  std::int32_t FirstRow() const noexcept { return firstRow_; }
  std::int32_t LastRow() const noexcept { return lastRow_; }
  std::int32_t RowCount() const noexcept { return rowCount_; }
  std::int32_t FirstCol() const noexcept { return firstCol_; }
  std::int32_t LastCol() const noexcept { return lastCol_; }
  std::int32_t ColCount() const noexcept { return colCount_; }

  /// Calls f(cell) for every cell in row-major order (rows ascending, columns
  /// ascending within a row): the order of the records in the file.
  template <class F>
  void ForEach(F&& f) {
    for (std::uint32_t p = 0; p < pages_.size(); ++p) {
      const Page* page = pages_[p].get();
      if (!page) continue;
      for (std::uint32_t r = 0; r < 256; ++r) {
        const std::uint32_t rowBlock = page->rows[r];
        if (!rowBlock) continue;
        VisitGroups(RowGroups(rowBlock), kGroupsPerRow, f);
        if (!wideRows_.empty())
          if (const std::uint32_t* wide = WideGroups((p << 8) | r)) VisitGroups(wide, kWideGroups, f);
      }
    }
  }

  /// Gives every string reference back to the table (before the table goes away).
  void ReleaseStrings(TXLSStringTable& sst);
  /// Formula cells held.
  std::size_t FormulaCount() const noexcept { return formulaCount_ - freeFormulas_.size(); }
  /// Cells held (dropped ones not counted).
  std::size_t CellCount() const noexcept { return cellCount_ - freeCells_.size(); }

 private:
  static constexpr std::uint32_t kGroupSize = 32;
  static constexpr std::uint32_t kGroupsPerRow = 8;
  static constexpr std::uint32_t kNarrowCols = kGroupSize * kGroupsPerRow;  // A … IV
  static constexpr std::uint32_t kWideGroups = (XLSXMaxCol + 1 - kNarrowCols) / kGroupSize;
  using WideBlock = std::array<std::uint32_t, kWideGroups>;
  static constexpr std::uint32_t kChunkShift = 10;  // 1024 items per pool chunk
  static constexpr std::uint32_t kChunk = 1u << kChunkShift;

  struct Page {
    std::array<std::uint32_t, 256> rows{};  // row-block index + 1, 0 = none
  };

  // Pools: item i (1-based) lives in chunk (i-1) >> kChunkShift.
  TXLSCellRef& CellAt(std::uint32_t i) noexcept {
    return cells_[(i - 1) >> kChunkShift][(i - 1) & (kChunk - 1)];
  }
  std::uint32_t* RowGroups(std::uint32_t i) noexcept {
    return rowBlocks_[(i - 1) >> kChunkShift][(i - 1) & (kChunk - 1)].data();
  }
  std::uint32_t* Group(std::uint32_t i) noexcept {
    return groups_[(i - 1) >> kChunkShift][(i - 1) & (kChunk - 1)].data();
  }
  const std::uint32_t* RowGroups(std::uint32_t i) const noexcept {
    return rowBlocks_[(i - 1) >> kChunkShift][(i - 1) & (kChunk - 1)].data();
  }
  const std::uint32_t* Group(std::uint32_t i) const noexcept {
    return groups_[(i - 1) >> kChunkShift][(i - 1) & (kChunk - 1)].data();
  }
  const TXLSCellRef& CellAt(std::uint32_t i) const noexcept {
    return cells_[(i - 1) >> kChunkShift][(i - 1) & (kChunk - 1)];
  }
  /// The wide block of a row (groups of the columns past IV), or nullptr.
  const std::uint32_t* WideGroups(std::uint32_t row) const noexcept {
    if (wideRows_.empty()) return nullptr;
    const auto it = wideRows_.find(row);
    return it == wideRows_.end() ? nullptr : it->second->data();
  }
  /// The group entry that holds column col of the row with block rowBlock, made
  /// when create is set (nullptr when it is missing and create is not).
  std::uint32_t* GroupEntry(std::uint32_t row, std::uint32_t rowBlock, std::uint32_t col, bool create);
  template <class F>
  void VisitGroups(const std::uint32_t* groups, std::uint32_t n, F& f) {
    for (std::uint32_t g = 0; g < n; ++g) {
      if (!groups[g]) continue;
      const std::uint32_t* cells = Group(groups[g]);
      for (std::uint32_t c = 0; c < kGroupSize; ++c)
        if (cells[c]) f(CellAt(cells[c]));
    }
  }
  template <class T>
  static std::uint32_t NewItem(std::vector<std::unique_ptr<T[]>>& pool, std::uint32_t& count);
  void Widen(std::uint32_t row, std::uint32_t col) noexcept;
  void RecomputeBounds() noexcept;
  static std::shared_ptr<const TFormulaCode> TextOnly(std::string text);
  FormulaSlot* Slot(const TXLSCellRef& c) const noexcept {
    if (c.ValueType != xlFormula || c.SSTIndex <= 0) return nullptr;
    const auto i = static_cast<std::uint32_t>(c.SSTIndex) - 1;
    return &formulas_[i >> kChunkShift][i & (kChunk - 1)];
  }
  /// The cell's slot, made when missing (the cell is a formula cell).
  FormulaSlot& MakeSlot(TXLSCellRef& c);
  static std::uint64_t Key(const TXLSCellRef& c) noexcept {
    return (static_cast<std::uint64_t>(c.Row) << 16) | c.Col;
  }

  IXLSWorksheet* sheet_;
  std::vector<std::unique_ptr<Page>> pages_;  // grown as rows further down are used
  std::vector<std::unique_ptr<std::array<std::uint32_t, kGroupsPerRow>[]>> rowBlocks_;
  std::vector<std::unique_ptr<std::array<std::uint32_t, kGroupSize>[]>> groups_;
  std::vector<std::unique_ptr<TXLSCellRef[]>> cells_;
  std::uint32_t rowBlockCount_ = 0, groupCount_ = 0, cellCount_ = 0;
  std::vector<std::uint32_t> freeCells_;  // pool items of dropped cells, for reuse
  std::unordered_map<std::uint32_t, std::unique_ptr<WideBlock>> wideRows_;  // row -> wide block
  std::unordered_map<std::uint64_t, TXLSCellExtra> extras_;
  std::vector<std::unique_ptr<FormulaSlot[]>> formulas_;
  std::uint32_t formulaCount_ = 0;
  std::vector<std::uint32_t> freeFormulas_;  // slots of cells that no longer hold a formula
  std::int32_t firstRow_ = 0, lastRow_ = 0, rowCount_ = 0;
  std::int32_t firstCol_ = 0, lastCol_ = 0, colCount_ = 0;
};

}  // namespace tablirex
