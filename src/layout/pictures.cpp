// Pictures on a worksheet: bitmap reading, anchoring and the OBJ and IMDATA records.
#include "layout/pictures.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

#include "biff/blob.h"
#include "biff/records.h"
#include "cells/rowcol.h"
#include "tablirex/addressing.h"
#include "tablirex/limits.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

// The bitmap file header (14 bytes) and information header (40 bytes) before the
// pixel data.
constexpr std::uint32_t kBitmapHeaders = 54;
constexpr std::uint32_t kMaxPixels = 65535;
// Image format and environment codes of a bitmap made on Windows.
constexpr std::uint16_t kFormatBitmap = 9;
constexpr std::uint16_t kEnvironmentWindows = 1;

std::uint16_t Word(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Long(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Nearest integer, halves to even; NaN and negative results come out as -1.
std::int64_t RoundPixels(double v) {
  if (!(v >= 0) || v > 4294967295.0) return -1;
  return static_cast<std::int64_t>(std::nearbyint(v));
}

std::uint16_t Fraction(std::uint32_t part, std::int32_t whole, double unit) {
  return static_cast<std::uint16_t>(std::nearbyint(static_cast<double>(part) / whole * unit));
}

// The walk right (down): from the cell at, the offset rest is taken down by the
// size of each cell it passes until it lies inside one (or a cell has no size, or
// the walk is past last).
template <class Size>
void WalkCells(std::uint32_t& at, std::uint32_t& rest, std::uint32_t last, Size size) {
  while (true) {
    const std::int32_t s = size(static_cast<std::int32_t>(at));
    if (s <= 0 || rest < static_cast<std::uint32_t>(s) || at > last) break;
    rest -= static_cast<std::uint32_t>(s);
    ++at;
  }
}

}  // namespace

std::int32_t ParseBitmap(const std::uint8_t* file, std::size_t length, std::uint32_t& width,
                         std::uint32_t& height, std::uint32_t& size, std::vector<std::uint8_t>& image) {
  if (!file || length <= kBitmapHeaders) return xlsFail;
  if (file[0] != 'B' || file[1] != 'M') return xlsFail;
  // The size field is the writer's claim; the pixel data may not reach past the
  // bytes actually there, nor start before the headers end.
  const std::uint32_t fileSize = Long(file + 2);
  if (fileSize < kBitmapHeaders || fileSize > length) return xlsFail;
  // Unsigned, so a negative (top-down) height is rejected as too large.
  const std::uint32_t w = Long(file + 18);
  const std::uint32_t h = Long(file + 22);
  if (w > kMaxPixels || h > kMaxPixels) return xlsFail;
  if (Word(file + 28) != 24) return xlsFail;  // bits per pixel
  if (Word(file + 26) != 1) return xlsFail;   // planes
  if (Long(file + 30) != 0) return xlsFail;   // compression
  const std::uint32_t pixels = fileSize - kBitmapHeaders;
  // Every row of pixels is padded to 4 bytes: the data must hold all the rows the
  // header claims.
  const std::uint64_t rowBytes = (std::uint64_t{w} * 3 + 3) / 4 * 4;
  if (pixels < rowBytes * h) return xlsFail;
  std::vector<std::uint8_t> out(kCoreHeaderSize + pixels);
  const std::uint8_t core[kCoreHeaderSize] = {
      kCoreHeaderSize, 0, 0, 0,  // header size
      static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
      static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8),
      1, 0,   // planes
      24, 0,  // bits per pixel
  };
  std::copy(core, core + kCoreHeaderSize, out.begin());
  std::copy(file + kBitmapHeaders, file + fileSize, out.begin() + kCoreHeaderSize);
  width = w;
  height = h;
  size = static_cast<std::uint32_t>(out.size());
  image = std::move(out);
  return xlsOK;
}

std::int32_t ProcessBitmap(std::string_view fileName, std::uint32_t& width, std::uint32_t& height,
                           std::uint32_t& size, std::vector<std::uint8_t>& image) {
  std::ifstream in(std::string(fileName), std::ios::binary | std::ios::ate);
  if (!in) return xlsFail;
  const std::streamoff length = in.tellg();
  if (length <= static_cast<std::streamoff>(kBitmapHeaders) || length > 0xFFFFFFFFll) return xlsFail;
  std::vector<std::uint8_t> file(static_cast<std::size_t>(length));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(file.data()), length)) return xlsFail;
  return ParseBitmap(file.data(), file.size(), width, height, size, image);
}

std::int32_t StoreObjPicture(IRecordSink& sink, std::uint16_t leftCol, std::uint16_t leftOffset,
                             std::uint16_t topRow, std::uint16_t topOffset, std::uint16_t rightCol,
                             std::uint16_t rightOffset, std::uint16_t bottomRow,
                             std::uint16_t bottomOffset) {
  constexpr std::uint16_t body = 60;
  TXLSBlob b(4 + body);
  b.AddWord(RecNo(Rec::OBJ));
  b.AddWord(body);
  b.AddLong(1);        //  0: object count
  b.AddWord(8);        //  4: object type: picture
  b.AddWord(1);        //  6: object id
  b.AddWord(0x0614);   //  8: option flags
  b.AddWord(leftCol);  // 10: anchor
  b.AddWord(leftOffset);
  b.AddWord(topRow);
  b.AddWord(topOffset);
  b.AddWord(rightCol);
  b.AddWord(rightOffset);
  b.AddWord(bottomRow);
  b.AddWord(bottomOffset);
  b.AddWord(0);     // 26: macro formula length
  b.AddLong(0);     // 28: reserved
  b.AddWord(0);     // 32: reserved
  b.AddByte(9);     // 34: background colour index
  b.AddByte(9);     // 35: foreground colour index
  b.AddByte(0);     // 36: fill pattern
  b.AddByte(0);     // 37: automatic fill
  b.AddByte(8);     // 38: line colour index
  b.AddByte(0xFF);  // 39: line style
  b.AddByte(1);     // 40: line weight
  b.AddByte(0);     // 41: automatic border
  b.AddWord(0);     // 42: frame style
  b.AddLong(kFormatBitmap);  // 44: image format
  b.AddWord(0);     // 48: reserved
  b.AddWord(0);     // 50: picture formula length
  b.AddWord(0);     // 52: reserved
  b.AddWord(1);     // 54: option flags
  b.AddLong(0);     // 56: reserved
  return sink.AppendRecord(b);
}

bool ComputeAnchor(std::uint16_t col, std::uint32_t row, std::uint16_t x, std::uint16_t y, std::uint32_t width,
                   std::uint32_t height, TXLSAnchor& anchor) {
  const std::int32_t startWidth = TXLSColumnInfoList::SizeCol(col);
  const std::int32_t startHeight = TXLSRowInfoList::SizeRow(row);
  if (x >= startWidth) x = 0;
  if (y >= startHeight) y = 0;

  // Walk right (down) from the start cell until the last pixel lies inside a cell.
  // The walk stops past the sheet's last column (row), which fails below.
  std::uint32_t c = col;
  // Widened so that a wide picture far into its cell does not wrap.
  std::uint32_t w = width + x - 1;
  WalkCells(c, w, XLSMaxCol, [](std::int32_t i) { return TXLSColumnInfoList::SizeCol(i); });
  std::uint32_t r = row;
  std::uint32_t h = height + y - 1;
  WalkCells(r, h, XLSMaxRow, [](std::int32_t i) { return TXLSRowInfoList::SizeRow(i); });
  if (col > XLSMaxCol || c > XLSMaxCol || r > XLSMaxRow) return false;
  const std::int32_t endWidth = TXLSColumnInfoList::SizeCol(static_cast<std::int32_t>(c));
  const std::int32_t endHeight = TXLSRowInfoList::SizeRow(static_cast<std::int32_t>(r));
  if (startWidth <= 0 || endWidth <= 0 || startHeight <= 0 || endHeight <= 0) return false;
  anchor.col1 = col;
  anchor.dx1 = Fraction(x, startWidth, 1024);
  anchor.row1 = row;
  anchor.dy1 = Fraction(y, startHeight, 256);
  anchor.col2 = static_cast<std::uint16_t>(c);
  anchor.dx2 = Fraction(w, endWidth, 1024);
  anchor.row2 = static_cast<std::uint32_t>(r);
  anchor.dy2 = Fraction(h, endHeight, 256);
  return true;
}

std::int32_t PositionImage(IRecordSink& sink, std::uint16_t col, std::uint32_t row, std::uint16_t x,
                           std::uint16_t y, std::uint32_t width, std::uint32_t height) {
  TXLSAnchor a;
  if (!ComputeAnchor(col, row, x, y, width, height, a)) return xlsFail;
  return StoreObjPicture(sink, a.col1, a.dx1, a.row1, a.dy1, a.col2, a.dx2, a.row2, a.dy2);
}

std::int32_t StoreImData(IRecordSink& sink, const std::vector<std::uint8_t>& image) {
  const auto size = static_cast<std::uint32_t>(image.size());
  const std::uint32_t body = 8 + size;
  TXLSBlob b(4 + body);
  b.AddWord(RecNo(Rec::IMDATA));
  // A body too long for the length field is split into CONTINUE records by the
  // sink, which rewrites the length.
  b.AddWord(static_cast<std::uint16_t>(body));
  b.AddWord(kFormatBitmap);        // 0: image format
  b.AddWord(kEnvironmentWindows);  // 2: environment
  b.AddLong(size);                 // 4: image data length
  b.AddBytes(image.data(), size);  // 8: image data
  return sink.AppendRecord(b);
}

std::int32_t MakePicture(std::string_view fileName, std::uint32_t row, std::uint16_t col,
                         std::uint16_t x, std::uint16_t y, float scaleX, float scaleY,
                         TXLSPicture& picture) {
  std::uint32_t width = 0, height = 0, size = 0;
  std::vector<std::uint8_t> image;
  TXLS_RETURN_ON_ERROR(ProcessBitmap(fileName, width, height, size, image));
  const std::int64_t w = RoundPixels(static_cast<double>(width) * scaleX);
  const std::int64_t h = RoundPixels(static_cast<double>(height) * scaleY);
  // A picture with no extent has no anchor; one beyond 65535 pixels would wrap.
  if (w < 1 || h < 1 || w > kMaxPixels || h > kMaxPixels) return xlsFail;
  picture.Row = row;
  picture.Col = col;
  picture.X = x;
  picture.Y = y;
  picture.Width = static_cast<std::uint32_t>(w);
  picture.Height = static_cast<std::uint32_t>(h);
  picture.Image = std::move(image);
  return xlsOK;
}

std::int32_t StorePicture(IRecordSink& sink, const TXLSPicture& picture) {
  TXLS_RETURN_ON_ERROR(
      PositionImage(sink, picture.Col, picture.Row, picture.X, picture.Y, picture.Width, picture.Height));
  return StoreImData(sink, picture.Image);
}

}  // namespace tablirex
