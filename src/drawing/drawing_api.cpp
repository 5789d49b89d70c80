// The object model's side of the drawing layer: comments on ranges, pictures
// and the autofilter on sheets, the workbook's comment author.
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "drawing/drawing_model.h"
#include "drawing/image_info.h"
#include "drawing/md5.h"
#include "layout/pictures.h"
#include "range/range_impl.h"
#include "tablirex/addressing.h"
#include "tablirex/limits.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"

namespace tablirex {
namespace {

constexpr std::uint32_t kMaxPixels = 65535;

bool ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) {
  std::ifstream in(std::string(path), std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff length = in.tellg();
  if (length < 0 || length > 0x7FFFFFFFll) return false;
  out.resize(static_cast<std::size_t>(length));
  in.seekg(0);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(out.data()), length));
}

std::uint32_t Long(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The shown size of one side: pixels at the file's resolution, scaled; 0 when
// that is no pixel at all or more than a side may have.
std::uint32_t ShownPixels(std::uint32_t pixels, double dpi, double scale) {
  const double v = std::nearbyint(static_cast<double>(pixels) * (96.0 / dpi) * scale);
  if (!(v >= 1) || v > kMaxPixels) return 0;
  return static_cast<std::uint32_t>(v);
}

// Checks a picture file, sizes it and places it on the sheet. label names the
// picture in messages (its file, or "the picture data").
std::int32_t PlacePicture(IXLSWorksheet& sheet, std::vector<std::uint8_t> file, const std::string& label,
                          std::uint32_t row, std::uint32_t col, std::uint16_t x, std::uint16_t y, double scaleX,
                          double scaleY, bool bitmapOnly) {
  TXLSWorkbook& wb = sheet.Workbook();
  if (col > XLSMaxCol) return wb.Refuse("a picture cannot start past column IV");
  if (row > XLSMaxRow) return wb.Refuse("a picture cannot start past row 65536");
  TXLSImageInfo info;
  std::string fault = ProbeImage(file.data(), file.size(), info);
  if (fault.empty() && bitmapOnly && info.format != TXLSImageFormat::Bitmap)
    fault = "not a readable 24-bit uncompressed bitmap with all its pixels";
  if (!fault.empty()) return wb.Refuse("cannot place " + label + ": " + fault);
  const std::uint32_t width = ShownPixels(info.width, info.dpiX, scaleX);
  const std::uint32_t height = ShownPixels(info.height, info.dpiY, scaleY);
  if (width == 0 || height == 0)
    return wb.Refuse("cannot place " + label + ": scaled to nothing, or to more than 65535 pixels");
  const auto at = EncodeCellRef(static_cast<std::uint32_t>(row), static_cast<std::uint16_t>(col));
  // Cells have fixed sizes in pixels, so the anchor is known now: a picture that
  // would reach past the sheet's last row or column is refused.
  TXLSAnchor anchor;
  if (!ComputeAnchor(static_cast<std::uint16_t>(col), static_cast<std::uint32_t>(row), x, y, width, height, anchor))
    return wb.Refuse("the picture " + label + " does not fit on the sheet from " + at);
  auto image = std::make_shared<TXLSImage>();
  image->format = info.format;
  image->pixelWidth = info.width;
  image->pixelHeight = info.height;
  if (info.format == TXLSImageFormat::Bitmap) {
    // The stored form drops the 14-byte file header; the Excel 5 form keeps a
    // core header and the pixels.
    std::uint32_t w = 0, h = 0, size = 0;
    if (ParseBitmap(file.data(), file.size(), w, h, size, image->imData) != xlsOK)
      return wb.Refuse("cannot place " + label + ": not a readable bitmap");
    image->blip.assign(file.begin() + 14, file.begin() + Long(file.data() + 2));
  } else {
    image->blip = std::move(file);
  }
  image->digest = Md5(image->blip.data(), image->blip.size());
  TXLSSheetPicture picture;
  picture.image = std::move(image);
  picture.row = row;
  picture.col = col;
  picture.x = x;
  picture.y = y;
  picture.width = width;
  picture.height = height;
  sheet.Drawing().AddPicture(std::move(picture));
  return xlsOK;
}

std::int32_t ParseCell(TXLSWorkbook& wb, std::string_view cell, std::uint32_t& row, std::uint16_t& col) {
  if (GetCellRef(cell, row, col) != xlsOK)
    return wb.Refuse("\"" + std::string(cell) + "\" is not a cell reference such as B2");
  return xlsOK;
}

}  // namespace

// ---- the workbook -----------------------------------------------------------------

void TXLSWorkbook::SetCommentAuthor(std::string_view author) { commentAuthor_ = Utf8ToUtf16(author); }
std::string TXLSWorkbook::GetCommentAuthor() { return Utf16ToUtf8(commentAuthor_); }

// ---- the sheet --------------------------------------------------------------------

TXLSSheetDrawing& IXLSWorksheet::Drawing() {
  if (!drawing_) drawing_ = std::make_unique<TXLSSheetDrawing>();
  return *drawing_;
}

std::int32_t IXLSWorksheet::InsertBitmap(std::uint32_t row, std::uint16_t col, std::string_view fileName,
                                         std::uint16_t x, std::uint16_t y, float scaleX, float scaleY) {
  if (col > XLSMaxCol) return workbook_->Refuse("a picture cannot start past column IV");
  std::vector<std::uint8_t> file;
  if (!ReadWholeFile(fileName, file))
    return workbook_->Refuse("cannot place " + std::string(fileName) + ": the file cannot be read");
  return PlacePicture(*this, std::move(file), std::string(fileName), row, col, x, y, scaleX, scaleY, true);
}

std::int32_t IXLSWorksheet::InsertBitmap(std::uint32_t row, std::uint16_t col, std::string_view fileName) {
  return InsertBitmap(row, col, fileName, 0, 0, 1.0f, 1.0f);
}

std::int32_t IXLSWorksheet::InsertBitmap(std::uint32_t row, std::uint16_t col, std::string_view fileName,
                                         std::uint16_t x, std::uint16_t y) {
  return InsertBitmap(row, col, fileName, x, y, 1.0f, 1.0f);
}

std::int32_t IXLSWorksheet::InsertPicture(std::string_view fileName, std::string_view cell, std::uint16_t x,
                                          std::uint16_t y, double scaleX, double scaleY) {
  std::uint32_t row = 0;
  std::uint16_t col = 0;
  TXLS_RETURN_ON_ERROR(ParseCell(*workbook_, cell, row, col));
  std::vector<std::uint8_t> file;
  if (!ReadWholeFile(fileName, file))
    return workbook_->Refuse("cannot place " + std::string(fileName) + ": the file cannot be read");
  return PlacePicture(*this, std::move(file), std::string(fileName), row, col, x, y, scaleX, scaleY, false);
}

std::int32_t IXLSWorksheet::InsertPicture(std::span<const std::uint8_t> bytes, std::string_view cell,
                                          std::uint16_t x, std::uint16_t y, double scaleX, double scaleY) {
  std::uint32_t row = 0;
  std::uint16_t col = 0;
  TXLS_RETURN_ON_ERROR(ParseCell(*workbook_, cell, row, col));
  return PlacePicture(*this, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), "the picture data", row, col,
                      x, y, scaleX, scaleY, false);
}

std::int32_t IXLSWorksheet::GetPictureCount() const noexcept {
  return drawing_ ? static_cast<std::int32_t>(drawing_->Pictures().size()) : 0;
}

bool IXLSWorksheet::AutoFilterMode() const noexcept { return drawing_ && drawing_->AutoFilter(); }

void IXLSWorksheet::SetAutoFilterMode(bool on) {
  if (on) {
    if (!AutoFilterMode())
      (void)workbook_->Refuse("sheet " + GetWorkSheetName() +
                              " has no autofilter to turn on: give one with a range's AutoFilter");
    return;
  }
  if (drawing_) drawing_->ClearAutoFilter();
}

// ---- the range ----------------------------------------------------------------------

std::int32_t TXLSRange::AddComment(std::string_view text, bool visible) {
  if (Dead()) return xlsFail;
  if (MinRow() != MaxRow() || MinCol() != MaxCol()) {
    Refuse("a comment belongs to one cell, not to " + EncodeCellRange(MinRow(), MinCol(), MaxRow(), MaxCol()));
    return xlsFail;
  }
  TXLSComment comment;
  comment.text = Utf8ToUtf16(text);
  comment.author = sheet_->Workbook().CommentAuthor();
  comment.visible = visible;
  sheet_->Drawing().SetComment(MinRow(), MinCol(), std::move(comment));
  return xlsOK;
}

std::string TXLSRange::GetComment() {
  if (Dead() || !sheet_->DrawingIfAny()) return {};
  const TXLSComment* c = sheet_->DrawingIfAny()->CommentAt(MinRow(), MinCol());
  return c ? Utf16ToUtf8(c->text) : std::string();
}

bool TXLSRange::HasComment() {
  if (Dead() || !sheet_->DrawingIfAny()) return false;
  return sheet_->DrawingIfAny()->CommentAt(MinRow(), MinCol()) != nullptr;
}

void TXLSRange::ClearComments() {
  if (Dead() || !sheet_->DrawingIfAny()) return;
  sheet_->Drawing().RemoveComments(MinRow(), MinCol(), MaxRow(), MaxCol());
}

std::int32_t TXLSRange::AutoFilter() {
  if (Dead()) return xlsFail;
  TXLSAutoFilter f;
  f.row1 = MinRow();
  f.lastRow = MaxRow();
  f.col1 = MinCol();
  f.col2 = MaxCol();
  sheet_->Drawing().SetAutoFilter(f);
  return xlsOK;
}

}  // namespace tablirex
