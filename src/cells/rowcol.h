// What a worksheet knows about whole rows and whole columns: heights, widths,
// hidden state and the rows' and columns' own formats, and the DEFAULTROWHEIGHT,
// ROW, DEFCOLWIDTH, COLINFO and STANDARDWIDTH records written from them.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

#include "biff/blob.h"
#include "biff/record_sink.h"
#include "tablirex/units.h"

namespace tablirex {

class TXLSKeyList;

/// One row's dimensions and format.
struct TXLSRowInfo {
  /// Twips; 255 (12.75 points) until set.
  std::uint16_t Height = 255;
  /// A caller set the height.
  bool HeightSet = false;
  /// Key of the row's format in the XF list; meaningful when HasXF.
  std::int32_t XF = 15;
  /// The row has a format of its own.
  bool HasXF = false;
  bool Hidden = false;
  /// Outline level 0 … 7 (0: in no group).
  std::uint8_t OutlineLevel = 0;
  /// The group this row summarises is collapsed.
  bool Collapsed = false;

  /// Height in points; 0 while the row is hidden.
  float GetHeight() const noexcept { return Hidden ? 0.0f : Excel2Height(Height); }
  /// Sets the height in points and shows the row. Heights outside 0 … 409.5
  /// points are ignored.
  void SetHeight(double points) noexcept;
};

/// One column's width and format.
struct TXLSColumnInfo {
  /// Column units; 2340 (8.43 characters) until set.
  std::uint16_t Width = 2340;
  /// Key of the column's format in the XF list.
  std::int32_t XF = 15;
  bool Hidden = false;
  /// Outline level 0 … 7 (0: in no group).
  std::uint8_t OutlineLevel = 0;
  /// The group this column summarises is collapsed.
  bool Collapsed = false;

  /// Width in characters (also while hidden).
  float GetWidth() const noexcept { return Excel2Width(Width); }
  /// Sets the width in characters; the hidden state stays. Widths outside 0 … 255
  /// characters are ignored.
  void SetWidth(double characters) noexcept;
};

/// The rows of one worksheet that have a record. Rows are zero-based 0 … 1048575;
/// every operation ignores other rows and the getters answer 0 or false for them.
/// Records are made by the first setter that touches a row and are never removed.
class TXLSRowInfoList {
 public:
  /// xfList is the workbook's XF list (not owned; may be null in tests), through
  /// which format references are moved and saved XF numbers looked up.
  explicit TXLSRowInfoList(TXLSKeyList* xfList);
  TXLSRowInfoList(const TXLSRowInfoList&) = delete;
  TXLSRowInfoList& operator=(const TXLSRowInfoList&) = delete;
  ~TXLSRowInfoList();

  /// The row's record, or nullptr.
  TXLSRowInfo* GetRowInfo(std::int32_t row) const noexcept;
  /// The row's record, made from the default when missing; nullptr for a row out
  /// of range.
  TXLSRowInfo* GetOrCreateRowInfo(std::int32_t row);

  /// Height in points (0 when hidden) of the row or of the default row.
  float GetHeight(std::int32_t row) const noexcept;
  bool GetHidden(std::int32_t row) const noexcept;
  /// XF key of the row's record (15 when it has no format of its own), or the
  /// default row's 0 when the row has no record.
  std::int32_t GetXF(std::int32_t row) const noexcept;
  void SetHeight(std::int32_t row, double points);
  void SetHidden(std::int32_t row, bool hidden);
  /// Gives the row the format xf, moving its reference in the XF list.
  void SetXF(std::int32_t row, std::int32_t xf);

  /// First and last row with a record and the number of records (all 0 while
  /// there is none).
  std::int32_t GetFirstRow() const noexcept { return static_cast<std::int32_t>(firstRow_); }
  std::int32_t GetLastRow() const noexcept { return static_cast<std::int32_t>(lastRow_); }
  std::int32_t GetCount() const noexcept { return count_; }

  /// The ROW record of row (all defaults when the row has no record); an empty
  /// blob for a row past the rows of the file (65536).
  TXLSBlob GetRowInfoBlob(std::int32_t row) const;
  /// The DEFAULTROWHEIGHT record.
  TXLSBlob GetDefRowInfoBlob() const;
  /// DEFAULTROWHEIGHT, then a ROW record for every row with a record, ascending.
  /// Stops at the first failing append and returns its result; 1 otherwise.
  [[nodiscard]] std::int32_t StoreAllRowInfo(IRecordSink& sink, const TRecordContext& ctx) const;
  /// The ROW records alone, ascending, for the rows up to lastRow. They open the
  /// sheet's cell table, after DIMENSIONS: readers take a ROW record as its start.
  [[nodiscard]] std::int32_t StoreRows(IRecordSink& sink, std::int32_t lastRow) const;

  /// What rows without a record of their own are like.
  const TXLSRowInfo& DefaultRow() const noexcept { return default_; }
  /// Row height in pixels for placing pictures: 17 for every row.
  static std::int32_t SizeRow(std::int32_t row) noexcept;
  /// True when every row past lastRow that has a record is like lastRow (as
  /// setting the height or format of whole columns' rows leaves them): a file
  /// that ends at lastRow then loses nothing of them.
  bool SameAsLastBeyond(std::int32_t lastRow) const noexcept;

 private:
  struct Block {
    std::array<TXLSRowInfo, 256> rows;
    std::bitset<256> present;
  };

  TXLSKeyList* xfList_;
  std::vector<std::unique_ptr<Block>> blocks_;  // 256 rows each, grown as rows are used
  TXLSRowInfo default_;
  std::uint32_t firstRow_ = 0;
  std::uint32_t lastRow_ = 0;
  std::int32_t count_ = 0;
};

/// The columns of one worksheet that have a record. Columns are zero-based
/// 0 … 16383; setters ignore other columns, getters answer the default column's
/// width or XF, or false, for them.
class TXLSColumnInfoList {
 public:
  /// xfList is the workbook's XF list (not owned; may be null in tests).
  explicit TXLSColumnInfoList(TXLSKeyList* xfList);
  TXLSColumnInfoList(const TXLSColumnInfoList&) = delete;
  TXLSColumnInfoList& operator=(const TXLSColumnInfoList&) = delete;
  ~TXLSColumnInfoList();

  /// The column's record, or nullptr.
  TXLSColumnInfo* GetColumnInfo(std::int32_t column) noexcept;
  const TXLSColumnInfo* GetColumnInfo(std::int32_t column) const noexcept;
  /// The column's record, made from the default (its width and XF) when missing;
  /// nullptr for a column out of range.
  TXLSColumnInfo* CreateColumnInfo(std::int32_t column);

  /// Width in characters of the column or of the default column.
  float GetWidth(std::int32_t column) const noexcept;
  bool GetHidden(std::int32_t column) const noexcept;
  std::int32_t GetXF(std::int32_t column) const noexcept;
  void SetWidth(std::int32_t column, double characters);
  void SetHidden(std::int32_t column, bool hidden);
  /// Gives the column the format xf, moving its reference in the XF list.
  void SetXF(std::int32_t column, std::int32_t xf);

  /// What columns without a record of their own are like.
  const TXLSColumnInfo& DefaultColumn() const noexcept { return default_; }
  std::uint16_t GetFirstCol() const noexcept { return firstCol_; }
  std::uint16_t GetLastCol() const noexcept { return lastCol_; }
  std::int32_t GetCount() const noexcept { return count_; }

  /// The COLINFO record of column (its own record or the default); an empty blob
  /// for a column past the columns of the file (256). The BIFF5 form has a 12-byte
  /// body, the BIFF8 form 11.
  TXLSBlob GetColInfoBlob(std::int32_t column, const TRecordContext& ctx) const;
  /// The DEFCOLWIDTH record: the default width in whole 256ths (9).
  TXLSBlob GetDefColWidthBlob() const;
  /// The STANDARDWIDTH record (written in BIFF5 only): the default width in units.
  TXLSBlob GetDefColInfoBlob() const;
  /// DEFCOLWIDTH, then a COLINFO record for every column with a record, ascending.
  /// Stops at the first failing append and returns its result; 1 otherwise.
  [[nodiscard]] std::int32_t StoreAllColumnInfo(IRecordSink& sink, const TRecordContext& ctx) const;

  /// Column width in pixels for placing pictures: 64 for every column.
  static std::int32_t SizeCol(std::int32_t column) noexcept;
  /// True when every column past lastCol that has a record is like lastCol (as
  /// formatting the whole sheet leaves them): a file that ends at lastCol then
  /// loses nothing of them.
  bool SameAsLastBeyond(std::int32_t lastCol) const noexcept;

 private:
  struct Block {
    std::array<TXLSColumnInfo, 256> cols;
    std::bitset<256> present;
  };
  TXLSKeyList* xfList_;
  std::vector<std::unique_ptr<Block>> blocks_;  // 256 columns each, made on first use
  TXLSColumnInfo default_;
  std::uint16_t firstCol_ = 0;
  std::uint16_t lastCol_ = 0;
  std::int32_t count_ = 0;
};

/// The format a cell shows, which the file gives it: its own (xf above 0), else
/// its column's, else its row's.
inline std::int32_t ShownXF(std::int32_t xf, std::int32_t row, std::int32_t col, const TXLSRowInfoList& rows,
                            const TXLSColumnInfoList& cols) noexcept {
  if (xf > 0) return xf;
  if (const std::int32_t colXF = cols.GetXF(col); colXF != 0) return colXF;
  if (const TXLSRowInfo* info = rows.GetRowInfo(row); info && info->HasXF) return info->XF;
  return xf;
}

}  // namespace tablirex
