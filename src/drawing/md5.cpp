// MD5 as its published definition gives it: 64-byte blocks, four rounds of
// sixteen steps over four 32-bit words, the length in bits at the end.
#include "drawing/md5.h"

#include <cmath>

namespace tablirex {
namespace {

constexpr std::uint8_t kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                     5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                     4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                     6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

// The step constants: the integer part of 2^32 * |sin(i + 1)|.
struct TSineTable {
  std::uint32_t k[64];
  TSineTable() {
    for (int i = 0; i < 64; ++i)
      k[i] = static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(static_cast<double>(i + 1))) * 4294967296.0));
  }
};

std::uint32_t Rotate(std::uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }

void Block(std::uint32_t state[4], const std::uint8_t* p, const std::uint32_t k[64]) {
  std::uint32_t m[16];
  for (int i = 0; i < 16; ++i)
    m[i] = static_cast<std::uint32_t>(p[4 * i]) | (static_cast<std::uint32_t>(p[4 * i + 1]) << 8) |
           (static_cast<std::uint32_t>(p[4 * i + 2]) << 16) | (static_cast<std::uint32_t>(p[4 * i + 3]) << 24);
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int i = 0; i < 64; ++i) {
    std::uint32_t f;
    int g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    const std::uint32_t next = d;
    d = c;
    c = b;
    b = b + Rotate(a + f + k[i] + m[g], kShift[i]);
    a = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

TDigest Md5(const std::uint8_t* data, std::size_t n) noexcept {
  static const TSineTable table;
  std::uint32_t state[4] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
  std::size_t whole = n / 64;
  for (std::size_t i = 0; i < whole; ++i) Block(state, data + 64 * i, table.k);
  // The tail, a 1 bit, zeros, and the length in bits (little-endian) fill one or two blocks.
  std::uint8_t tail[128] = {};
  const std::size_t rest = n - 64 * whole;
  for (std::size_t i = 0; i < rest; ++i) tail[i] = data[64 * whole + i];
  tail[rest] = 0x80;
  const std::size_t blocks = rest < 56 ? 1 : 2;
  const std::uint64_t bits = static_cast<std::uint64_t>(n) * 8;
  for (int i = 0; i < 8; ++i) tail[64 * blocks - 8 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  for (std::size_t i = 0; i < blocks; ++i) Block(state, tail + 64 * i, table.k);
  TDigest out{};
  for (int i = 0; i < 16; ++i) out[i] = static_cast<std::uint8_t>(state[i / 4] >> (8 * (i % 4)));
  return out;
}

}  // namespace tablirex
