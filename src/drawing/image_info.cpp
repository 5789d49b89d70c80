// Header checks of PNG, JPEG and bitmap files.
#include "drawing/image_info.h"

#include <algorithm>
#include <vector>

#include "layout/pictures.h"
#include "tablirex/result.h"

namespace tablirex {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// Neither side of a picture may pass this many pixels (the anchor arithmetic
// and every reader's limits stay far away from it).
constexpr std::uint32_t kMaxSide = 65535;

std::uint32_t Big32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}
std::uint16_t Big16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

bool Is(const std::uint8_t* p, const char* tag) {
  return p[0] == tag[0] && p[1] == tag[1] && p[2] == tag[2] && p[3] == tag[3];
}

std::string CheckSize(const TXLSImageInfo& info) {
  if (info.width == 0 || info.height == 0) return "the image has no pixels";
  if (info.width > kMaxSide || info.height > kMaxSide) return "the image is larger than 65535 pixels";
  return {};
}

std::string ProbePng(const std::uint8_t* p, std::size_t n, TXLSImageInfo& info) {
  // Signature, then IHDR: length 13, type, 13 bytes, CRC.
  if (n < 8 + 25 || Big32(p + 8) != 13 || !Is(p + 12, "IHDR")) return "the PNG file is cut short or lacks its header";
  info.format = TXLSImageFormat::Png;
  info.width = Big32(p + 16);
  info.height = Big32(p + 20);
  const std::uint8_t depth = p[24], colour = p[25];
  const bool depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
  if (!depthOk || (colour != 0 && colour != 2 && colour != 3 && colour != 4 && colour != 6))
    return "the PNG header names no valid pixel format";
  bool data = false;
  for (std::size_t at = 8; at + 12 <= n;) {
    const std::uint32_t length = Big32(p + at);
    if (length > n - at - 12) break;
    const std::uint8_t* type = p + at + 4;
    if (Is(type, "IDAT")) data = true;
    if (Is(type, "pHYs") && length == 9 && p[at + 16] == 1) {
      // Pixels per metre.
      const double x = Big32(p + at + 8) * 0.0254, y = Big32(p + at + 12) * 0.0254;
      if (x > 0 && y > 0) {
        info.dpiX = x;
        info.dpiY = y;
      }
    }
    if (Is(type, "IEND")) {
      if (!data) return "the PNG file holds no image data";
      return CheckSize(info);
    }
    at += 12 + length;
  }
  return "the PNG file is cut short";
}

std::string ProbeJpeg(const std::uint8_t* p, std::size_t n, TXLSImageInfo& info) {
  info.format = TXLSImageFormat::Jpeg;
  bool frame = false;
  std::size_t at = 2;
  while (true) {
    while (at < n && p[at] == 0xFF && at + 1 < n && p[at + 1] == 0xFF) ++at;  // fill bytes
    if (at + 4 > n || p[at] != 0xFF) return "the JPEG file is cut short or damaged";
    const std::uint8_t marker = p[at + 1];
    if (marker == 0xD9) return "the JPEG file ends before its image data";
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      at += 2;
      continue;
    }
    const std::uint16_t length = Big16(p + at + 2);
    if (length < 2 || at + 2 + length > n) return "the JPEG file is cut short";
    const std::uint8_t* seg = p + at + 4;
    if (marker == 0xE0 && length >= 16 && seg[0] == 'J' && seg[1] == 'F' && seg[2] == 'I' && seg[3] == 'F' &&
        seg[4] == 0) {
      const std::uint8_t units = seg[7];
      const double x = Big16(seg + 8), y = Big16(seg + 10);
      const double perInch = units == 1 ? 1.0 : units == 2 ? 2.54 : 0.0;
      if (perInch > 0 && x > 0 && y > 0) {
        info.dpiX = x * perInch;
        info.dpiY = y * perInch;
      }
    }
    const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (sof) {
      if (length < 8) return "the JPEG frame header is cut short";
      info.height = Big16(seg + 1);
      info.width = Big16(seg + 3);
      frame = true;
    }
    if (marker == 0xDA) {
      if (!frame) return "the JPEG file has no frame header before its image data";
      // The scan runs to the end marker; 0xFF inside it is always followed by 0x00
      // or a restart marker, so the first FF D9 after it ends the image.
      for (std::size_t i = at + 2 + length; i + 1 < n; ++i)
        if (p[i] == 0xFF && p[i + 1] == 0xD9) return CheckSize(info);
      return "the JPEG file is cut short";
    }
    at += 2 + length;
  }
}

}  // namespace

const char* ImageExtension(TXLSImageFormat format) noexcept {
  switch (format) {
    case TXLSImageFormat::Bitmap:
      return "bmp";
    case TXLSImageFormat::Png:
      return "png";
    case TXLSImageFormat::Jpeg:
      return "jpg";
  }
  return "bin";
}

std::string ProbeImage(const std::uint8_t* data, std::size_t size, TXLSImageInfo& info) {
  info = TXLSImageInfo{};
  if (!data || size < 4) return "not a PNG, JPEG or bitmap file";
  if (size >= 8 && std::equal(kPngSignature, kPngSignature + 8, data)) return ProbePng(data, size, info);
  if (data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return ProbeJpeg(data, size, info);
  if (data[0] == 'B' && data[1] == 'M') {
    std::uint32_t w = 0, h = 0, bytes = 0;
    std::vector<std::uint8_t> image;
    if (ParseBitmap(data, size, w, h, bytes, image) != xlsOK)
      return "not a readable 24-bit uncompressed bitmap with all its pixels";
    info.format = TXLSImageFormat::Bitmap;
    info.width = w;
    info.height = h;
    return CheckSize(info);
  }
  return "not a PNG, JPEG or bitmap file";
}

}  // namespace tablirex
