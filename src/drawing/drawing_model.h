// What a sheet shows above its cells: comments, pictures and the autofilter's
// drop-downs. The model is plain data, independent of any file format; the
// Excel 97 and Excel 5 writers (drawing_records), the HTML pages and later
// writers read it through this header.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drawing/image_info.h"
#include "drawing/md5.h"

namespace tablirex {

/// The longest comment text a file holds, in UTF-16 code units; longer texts
/// are cut at save with a warning.
inline constexpr std::size_t kMaxCommentText = 32767;
/// The longest comment author a file holds, in UTF-16 code units.
inline constexpr std::size_t kMaxCommentAuthor = 255;

/// A cell's comment.
struct TXLSComment {
  std::u16string text;
  std::u16string author;  ///< the workbook's comment author when it was added
  bool visible = false;   ///< shown all the time, not only under the mouse
};

/// An image as it is stored, shared by every picture that shows it.
struct TXLSImage {
  TXLSImageFormat format = TXLSImageFormat::Png;
  /// The bytes a drawing stores: the file itself for PNG and JPEG, the bitmap
  /// without its 14-byte file header for a bitmap.
  std::vector<std::uint8_t> blip;
  TDigest digest{};  ///< MD5 of blip: the image's key
  std::uint32_t pixelWidth = 0, pixelHeight = 0;
  /// Bitmaps only: the image data of the Excel 5 form (core header and pixels).
  std::vector<std::uint8_t> imData;
};

/// A picture placed on a sheet: its top-left corner x, y pixels into the cell
/// (row, col), and the size it is shown at, in pixels.
struct TXLSSheetPicture {
  std::shared_ptr<const TXLSImage> image;
  std::uint32_t row = 0, col = 0;
  std::uint16_t x = 0, y = 0;
  std::uint32_t width = 0, height = 0;
};

/// The autofilter of a sheet: drop-downs over the header row row1, columns
/// col1 to col2. lastRow is the last row filtered when the caller gave more
/// than the header; when the caller gave the header alone it is the header's
/// row and the save takes the rows below it down to the sheet's last cell.
struct TXLSAutoFilter {
  std::uint32_t row1 = 0, lastRow = 0;
  std::uint32_t col1 = 0, col2 = 0;
};

/// The drawing layer of one sheet.
class TXLSSheetDrawing {
 public:
  using TCommentMap = std::map<std::uint64_t, TXLSComment>;
  static constexpr std::uint64_t Key(std::uint32_t row, std::uint32_t col) noexcept {
    return (static_cast<std::uint64_t>(row) << 32) | col;
  }
  static std::uint32_t RowOf(std::uint64_t key) noexcept { return static_cast<std::uint32_t>(key >> 32); }
  static std::uint32_t ColOf(std::uint64_t key) noexcept { return static_cast<std::uint32_t>(key); }

  bool Empty() const noexcept { return comments_.empty() && pictures_.empty() && !filter_; }

  // ---- comments, in row and column order -----------------------------------------
  const TCommentMap& Comments() const noexcept { return comments_; }
  /// The comment of a cell, or nullptr.
  const TXLSComment* CommentAt(std::uint32_t row, std::uint32_t col) const;
  void SetComment(std::uint32_t row, std::uint32_t col, TXLSComment comment);
  /// Removes the comments of the rectangle; returns how many there were.
  std::size_t RemoveComments(std::uint32_t row1, std::uint32_t col1, std::uint32_t row2, std::uint32_t col2);
  /// The comments of the rectangle, keyed by their place relative to its corner.
  TCommentMap TakeComments(std::uint32_t row1, std::uint32_t col1, std::uint32_t row2, std::uint32_t col2,
                           bool remove);
  /// Moves the comments in columns col1..col2 at or below row `from` by `delta`
  /// rows (cells inserted or deleted above them). False, with nothing changed,
  /// when one would leave rows 0..lastRow.
  bool ShiftRows(std::uint32_t col1, std::uint32_t col2, std::uint32_t from, std::int64_t delta,
                 std::uint32_t lastRow);
  /// The same across columns, for the rows row1..row2.
  bool ShiftCols(std::uint32_t row1, std::uint32_t row2, std::uint32_t from, std::int64_t delta,
                 std::uint32_t lastCol);

  // ---- pictures, in insertion order ----------------------------------------------
  const std::vector<TXLSSheetPicture>& Pictures() const noexcept { return pictures_; }
  void AddPicture(TXLSSheetPicture picture) { pictures_.push_back(std::move(picture)); }

  // ---- the autofilter ------------------------------------------------------------
  const TXLSAutoFilter* AutoFilter() const noexcept { return filter_.get(); }
  void SetAutoFilter(const TXLSAutoFilter& filter) { filter_ = std::make_unique<TXLSAutoFilter>(filter); }
  void ClearAutoFilter() noexcept { filter_.reset(); }

 private:
  TCommentMap comments_;
  std::vector<TXLSSheetPicture> pictures_;
  std::unique_ptr<TXLSAutoFilter> filter_;
};

}  // namespace tablirex
