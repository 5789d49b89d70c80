// What the drawing layer needs to know of a picture file before it keeps it: its
// kind (PNG, JPEG or a 24-bit bitmap), its size in pixels and its resolution.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tablirex {

/// The image kinds a picture can hold.
enum class TXLSImageFormat : std::uint8_t { Bitmap, Png, Jpeg };

/// The file name extension of a kind: "bmp", "png" or "jpg".
const char* ImageExtension(TXLSImageFormat format) noexcept;

struct TXLSImageInfo {
  TXLSImageFormat format = TXLSImageFormat::Png;
  std::uint32_t width = 0;   ///< pixels
  std::uint32_t height = 0;  ///< pixels
  double dpiX = 96;          ///< the file's resolution, 96 when it names none
  double dpiY = 96;
};

/// Reads the kind, size and resolution of a whole image file held in memory:
/// a PNG (signature, IHDR, chunks that fit the file up to IEND, IDAT among
/// them, pHYs for the resolution), a JPEG (SOI, segments that fit the file, a
/// frame header with the size, JFIF density for the resolution, a scan and the
/// end marker) or a bitmap as InsertBitmap takes it. Returns an empty text, or
/// what is wrong with the file ("not a PNG, JPEG or bitmap file", "the PNG file
/// is cut short", "the image has no pixels" ...).
std::string ProbeImage(const std::uint8_t* data, std::size_t size, TXLSImageInfo& info);

}  // namespace tablirex
