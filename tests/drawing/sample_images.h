// Picture files made from scratch for the drawing tests: a PNG with stored
// (uncompressed) deflate blocks, a baseline JPEG of one grey level (every 8 x 8
// block holds only its DC value, coded with one-symbol Huffman tables), and a
// 24-bit bitmap. sample_images.py makes the same for the Python tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tablirex::testing {

using TBytes = std::vector<std::uint8_t>;

inline void PutBig32(TBytes& b, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
}
inline void PutBig16(TBytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v >> 8));
  b.push_back(static_cast<std::uint8_t>(v));
}
inline void PutLittle(TBytes& b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(i < 4 ? static_cast<std::uint8_t>(v >> (8 * i)) : 0);
}

inline std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

inline void PngChunk(TBytes& out, const char* type, const TBytes& data) {
  PutBig32(out, static_cast<std::uint32_t>(data.size()));
  TBytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  PutBig32(out, Crc32(body.data(), body.size()));
}

/// A width x height RGB PNG of one colour; dpi 0 writes no resolution.
inline TBytes MakePng(std::uint32_t width, std::uint32_t height, std::uint32_t dpi = 0, std::uint8_t red = 200) {
  TBytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  TBytes ihdr;
  PutBig32(ihdr, width);
  PutBig32(ihdr, height);
  for (const std::uint8_t b : {8, 2, 0, 0, 0}) ihdr.push_back(b);
  PngChunk(out, "IHDR", ihdr);
  if (dpi) {
    TBytes phys;
    const auto ppm = static_cast<std::uint32_t>(dpi / 0.0254 + 0.5);
    PutBig32(phys, ppm);
    PutBig32(phys, ppm);
    phys.push_back(1);
    PngChunk(out, "pHYs", phys);
  }
  TBytes raw;
  for (std::uint32_t y = 0; y < height; ++y) {
    raw.push_back(0);
    for (std::uint32_t x = 0; x < width; ++x)
      for (const std::uint8_t b : {red, std::uint8_t(40), std::uint8_t(x)}) raw.push_back(b);
  }
  TBytes z;
  z.reserve(raw.size() + raw.size() / 65535 * 5 + 16);
  z.push_back(0x78);
  z.push_back(0x01);
  for (std::size_t at = 0; at < raw.size() || at == 0;) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z.push_back(at + n >= raw.size() ? 1 : 0);
    PutLittle(z, static_cast<std::uint32_t>(n), 2);
    PutLittle(z, static_cast<std::uint32_t>(~n & 0xFFFF), 2);
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
    if (n == 0) break;
  }
  std::uint32_t a = 1, b = 0;
  for (const std::uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(z, (b << 16) | a);
  PngChunk(out, "IDAT", z);
  PngChunk(out, "IEND", {});
  return out;
}

inline void JpegSegment(TBytes& out, std::uint8_t marker, const TBytes& data) {
  out.push_back(0xFF);
  out.push_back(marker);
  PutBig16(out, static_cast<std::uint16_t>(data.size() + 2));
  out.insert(out.end(), data.begin(), data.end());
}

inline TBytes MakeJpeg(std::uint16_t width, std::uint16_t height, std::uint16_t dpi = 72) {
  TBytes out = {0xFF, 0xD8};
  TBytes jfif = {'J', 'F', 'I', 'F', 0, 1, 1, 1};
  PutBig16(jfif, dpi);
  PutBig16(jfif, dpi);
  jfif.push_back(0);
  jfif.push_back(0);
  JpegSegment(out, 0xE0, jfif);
  TBytes dqt(65, 1);
  dqt[0] = 0;
  JpegSegment(out, 0xDB, dqt);
  TBytes sof = {8};
  PutBig16(sof, height);
  PutBig16(sof, width);
  for (const std::uint8_t b : {1, 1, 0x11, 0}) sof.push_back(b);
  JpegSegment(out, 0xC0, sof);
  for (const std::uint8_t table : {0x00, 0x10}) {
    // One code of length 1 for the one symbol 0.
    TBytes dht(18, 0);
    dht[0] = table;
    dht[1] = 1;
    JpegSegment(out, 0xC4, dht);
  }
  JpegSegment(out, 0xDA, {1, 1, 0, 0, 0x3F, 0});
  const std::size_t blocks = ((width + 7u) / 8u) * ((height + 7u) / 8u);
  // Two 0 bits a block (DC category 0, end of block), padded with 1 bits.
  const std::size_t bits = 2 * blocks;
  TBytes scan((bits + 7) / 8, 0);
  for (std::size_t i = bits; i < scan.size() * 8; ++i) scan[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
  out.insert(out.end(), scan.begin(), scan.end());
  out.push_back(0xFF);
  out.push_back(0xD9);
  return out;
}

inline TBytes MakeBmp(std::uint32_t width, std::uint32_t height) {
  const std::uint32_t stride = (width * 3 + 3) & ~3u;
  const std::uint32_t size = 54 + stride * height;
  TBytes b = {'B', 'M'};
  PutLittle(b, size, 4);
  PutLittle(b, 0, 4);
  PutLittle(b, 54, 4);
  PutLittle(b, 40, 4);
  PutLittle(b, width, 4);
  PutLittle(b, height, 4);
  PutLittle(b, 1, 2);
  PutLittle(b, 24, 2);
  PutLittle(b, 0, 24);
  for (std::uint32_t i = 54; i < size; ++i) b.push_back(static_cast<std::uint8_t>(i * 7));
  return b;
}

}  // namespace tablirex::testing
