// Manual page breaks of a worksheet: breaks between rows (horizontal) and between
// columns (vertical), each collection kept sorted by location without duplicates.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "tablirex/limits.h"
#include "tablirex/object.h"
#include "tablirex/range.h"

namespace tablirex {

class IXLSWorksheet;
class TXLSPageBreaks;

/// The whole row or whole column a break lies before, zero-based, with the kind
/// of range it makes (xlRangeRows for a horizontal break, xlRangeColumns for a
/// vertical one).
struct TXLSBreakArea {
  std::uint32_t firstRow = 0;
  std::uint16_t firstCol = 0;
  std::uint32_t lastRow = 0;
  std::uint16_t lastCol = 0;
  TXLSRangeType kind = xlRangeCells;
};

/// One manual page break. Its collection owns it (uncounted): a pointer stays valid
/// until the break is deleted or its collection cleared or destroyed.
class TXLSPageBreak : public TXLSObject {
 public:
  explicit TXLSPageBreak(TXLSPageBreaks& owner) noexcept : owner_(&owner) {}

  /// One-based place in the collection.
  std::int32_t GetPosition() const noexcept { return position_; }
  /// The row (horizontal break) or column (vertical break) the break lies before,
  /// zero-based.
  std::uint32_t GetLocationIndex() const noexcept { return location_; }
  TXLSPageBreaks& Owner() const noexcept { return *owner_; }
  /// The whole row or column of the break.
  TXLSBreakArea GetLocationArea() const;
  /// A new whole-row or whole-column range over the break's row or column;
  /// nullptr when the collection belongs to no worksheet.
  Ref<IXLSRange> GetLocation() const;
  /// Removes the break from its collection and frees it: do not use it afterwards.
  void Delete();

 private:
  friend class TXLSPageBreaks;
  std::int32_t position_ = 0;
  std::uint32_t location_ = 0;
  TXLSPageBreaks* owner_;
};

/// A break between rows.
class TXLSHPageBreak final : public TXLSPageBreak {
 public:
  using TXLSPageBreak::TXLSPageBreak;
};

/// A break between columns.
class TXLSVPageBreak final : public TXLSPageBreak {
 public:
  using TXLSPageBreak::TXLSPageBreak;
};

/// The common part of both collections. Positions are one-based; the breaks are
/// ascending by location and no two share one.
class TXLSPageBreaks {
 public:
  TXLSPageBreaks(IXLSWorksheet* worksheet, bool vertical) noexcept
      : worksheet_(worksheet), vertical_(vertical) {}
  TXLSPageBreaks(const TXLSPageBreaks&) = delete;
  TXLSPageBreaks& operator=(const TXLSPageBreaks&) = delete;
  virtual ~TXLSPageBreaks() = default;

  /// Adds a break before the range's first row (horizontal collection) or first
  /// column (vertical collection). When a break is already there it is returned
  /// and nothing is added. nullptr when range is nullptr.
  TXLSPageBreak* AddPageBreak(IXLSRange* range);
  /// Adds a break at a zero-based row or column, as AddPageBreak does; a column
  /// beyond XLSXMaxCol adds nothing and gives nullptr.
  TXLSPageBreak* AddPageBreakAt(std::uint32_t location);
  /// Removes and frees the break at a one-based position; nothing when out of range.
  void Delete(std::int32_t index);
  /// Removes and frees every break.
  void ClearAll() noexcept { breaks_.clear(); }
  /// The break at a one-based position, or nullptr.
  TXLSPageBreak* Get(std::int32_t index) const noexcept;
  std::int32_t GetCount() const noexcept { return static_cast<std::int32_t>(breaks_.size()); }
  /// The whole row or column of the break at a one-based position; false (area
  /// unchanged) when the position is out of range.
  bool GetLocationArea(std::int32_t index, TXLSBreakArea& area) const noexcept;
  /// A new range over the whole row (horizontal) or column (vertical) of the break
  /// at a one-based position, marked as a row or column range; nullptr when the
  /// position is out of range or the collection belongs to no worksheet.
  Ref<IXLSRange> GetLocation(std::int32_t index) const;
  bool IsVertical() const noexcept { return vertical_; }
  IXLSWorksheet* Worksheet() const noexcept { return worksheet_; }

 protected:
  /// Makes a break of the collection's kind; the base makes none.
  virtual std::unique_ptr<TXLSPageBreak> CreatePageBreak() { return nullptr; }

 private:
  void Renumber(std::size_t from) noexcept;

  std::vector<std::unique_ptr<TXLSPageBreak>> breaks_;
  IXLSWorksheet* worksheet_;
  bool vertical_;
};

/// Breaks between rows; each lies before a row.
class TXLSHPageBreaks final : public TXLSPageBreaks {
 public:
  explicit TXLSHPageBreaks(IXLSWorksheet* worksheet = nullptr) noexcept
      : TXLSPageBreaks(worksheet, false) {}
  /// AddPageBreak for the range's first row.
  TXLSHPageBreak* Add(IXLSRange* range) {
    return static_cast<TXLSHPageBreak*>(AddPageBreak(range));
  }
  /// A break before a zero-based row.
  TXLSHPageBreak* Add(std::uint32_t row) {
    return static_cast<TXLSHPageBreak*>(AddPageBreakAt(row));
  }
  TXLSHPageBreak* GetPageBreak(std::int32_t index) const noexcept {
    return static_cast<TXLSHPageBreak*>(Get(index));
  }

 protected:
  std::unique_ptr<TXLSPageBreak> CreatePageBreak() override {
    return std::make_unique<TXLSHPageBreak>(*this);
  }
};

/// Breaks between columns; each lies before a column.
class TXLSVPageBreaks final : public TXLSPageBreaks {
 public:
  explicit TXLSVPageBreaks(IXLSWorksheet* worksheet = nullptr) noexcept
      : TXLSPageBreaks(worksheet, true) {}
  /// AddPageBreak for the range's first column.
  TXLSVPageBreak* Add(IXLSRange* range) {
    return static_cast<TXLSVPageBreak*>(AddPageBreak(range));
  }
  /// A break before a zero-based column.
  TXLSVPageBreak* Add(std::uint16_t column) {
    return static_cast<TXLSVPageBreak*>(AddPageBreakAt(column));
  }
  TXLSVPageBreak* GetPageBreak(std::int32_t index) const noexcept {
    return static_cast<TXLSVPageBreak*>(Get(index));
  }

 protected:
  std::unique_ptr<TXLSPageBreak> CreatePageBreak() override {
    return std::make_unique<TXLSVPageBreak>(*this);
  }
};

}  // namespace tablirex
