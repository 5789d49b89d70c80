// Pictures on a worksheet: reading a 24-bit bitmap file, anchoring it to cells and
// the OBJ and IMDATA records that carry the anchor and the image.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "biff/record_sink.h"
#include "drawing/escher.h"

namespace tablirex {

/// Bytes of the core bitmap header that starts the stored image data.
inline constexpr std::uint32_t kCoreHeaderSize = 12;

/// Checks a whole bitmap file held in memory (14-byte file header, 40-byte
/// information header, 24 bits per pixel, one plane, uncompressed, at most 65535
/// pixels each way, bottom-up) and builds the image data as stored: a 12-byte core
/// header, then the pixel data unchanged. The pixel data ends where the header's
/// file-size field says, which must lie within the bytes given, and must hold every
/// row the header claims (rows padded to 4 bytes). Returns 1, or -1
/// for anything else (and leaves the outputs untouched).
std::int32_t ParseBitmap(const std::uint8_t* file, std::size_t length, std::uint32_t& width,
                         std::uint32_t& height, std::uint32_t& size, std::vector<std::uint8_t>& image);

/// Reads the file and checks it as ParseBitmap does. Returns 1, or -1 when the file
/// is missing, unreadable or not an accepted bitmap. The image buffer belongs to
/// the caller.
std::int32_t ProcessBitmap(std::string_view fileName, std::uint32_t& width, std::uint32_t& height,
                           std::uint32_t& size, std::vector<std::uint8_t>& image);

/// Builds one OBJ record of type picture with the given anchor (offsets in 1/1024
/// of a column's width and 1/256 of a row's height) and hands it to the sink.
std::int32_t StoreObjPicture(IRecordSink& sink, std::uint16_t leftCol, std::uint16_t leftOffset,
                             std::uint16_t topRow, std::uint16_t topOffset, std::uint16_t rightCol,
                             std::uint16_t rightOffset, std::uint16_t bottomRow,
                             std::uint16_t bottomOffset);

/// The anchor of a picture of width × height pixels whose top-left corner lies x,
/// y pixels into the cell (row, col); an offset not smaller than the start cell
/// is taken as 0. False when a column or row on the anchor has no size (hidden)
/// or the picture reaches past column IV or row 65536.
bool ComputeAnchor(std::uint16_t col, std::uint32_t row, std::uint16_t x, std::uint16_t y, std::uint32_t width,
                   std::uint32_t height, TXLSAnchor& anchor);

/// Anchors a picture of width × height pixels whose top-left corner lies x, y pixels
/// into the cell (row, col), and emits its OBJ record. An offset not smaller than
/// the start cell is taken as 0. Returns -1 when a column or row on the anchor has
/// no size (hidden) or the picture reaches past column IV or row 65536, else the
/// sink's result.
std::int32_t PositionImage(IRecordSink& sink, std::uint16_t col, std::uint32_t row, std::uint16_t x,
                           std::uint16_t y, std::uint32_t width, std::uint32_t height);

/// Builds the IMDATA record around the image data and hands it to the sink, which
/// splits it into CONTINUE records when it is longer than the record limit.
std::int32_t StoreImData(IRecordSink& sink, const std::vector<std::uint8_t>& image);

/// A picture placed on a sheet: where it goes, its size after scaling and its
/// image data.
struct TXLSPicture {
  std::uint32_t Row = 0;
  std::uint16_t Col = 0;
  std::uint16_t X = 0;
  std::uint16_t Y = 0;
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::vector<std::uint8_t> Image;
};

/// Reads the bitmap and scales its size (rounded to the nearest pixel, halves to
/// even; the image itself is not resampled). Returns 1, or -1 for a bad file or a
/// width or height that scaling takes to 0 (or beyond 65535).
std::int32_t MakePicture(std::string_view fileName, std::uint32_t row, std::uint16_t col,
                         std::uint16_t x, std::uint16_t y, float scaleX, float scaleY,
                         TXLSPicture& picture);

/// Emits a picture's OBJ record, then its IMDATA record.
std::int32_t StorePicture(IRecordSink& sink, const TXLSPicture& picture);

}  // namespace tablirex
