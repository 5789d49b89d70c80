// Finding the last block of a deflate stream means reading every block before
// it: the blocks are decoded symbol by symbol, without making their output.
#include "xlsx/deflate_join.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace tablirex::xlsx {
namespace {

constexpr unsigned kMaxCodeBits = 15;

std::uint64_t Load64(const unsigned char* p) noexcept {
  std::uint64_t v = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&v, p, 8);
  } else {
    for (unsigned i = 0; i < 8; ++i) v |= std::uint64_t{p[i]} << (8 * i);
  }
  return v;
}

// Bits of the stream, first bit first, through a buffer of up to 63 bits.
class TBits {
 public:
  TBits(const unsigned char* data, std::size_t size) noexcept : begin_(data), p_(data), end_(data + size) {}
  // Fills the buffer to at least 56 bits (zeros past the end of the stream).
  void Refill() noexcept {
    if (end_ - p_ >= 8) {
      buf_ |= Load64(p_) << count_;
      p_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    while (count_ <= 56) {
      if (p_ < end_) {
        buf_ |= std::uint64_t{*p_++} << count_;
      } else {
        over_ += 8;
      }
      count_ += 8;
    }
  }
  std::uint64_t Buffer() const noexcept { return buf_; }
  void Drop(unsigned n) noexcept {
    buf_ >>= n;
    count_ -= n;
  }
  std::uint32_t Take(unsigned n) noexcept {
    if (count_ < n) Refill();
    const auto v = static_cast<std::uint32_t>(buf_ & ((std::uint64_t{1} << n) - 1));
    Drop(n);
    return v;
  }
  std::size_t Pos() const noexcept { return static_cast<std::size_t>(p_ - begin_) * 8 + over_ - count_; }
  bool Past() const noexcept { return Pos() > static_cast<std::size_t>(end_ - begin_) * 8; }
  // Moves on to the next byte boundary, then skips n whole bytes.
  void SkipBytes(std::size_t n) noexcept {
    const std::size_t at = (Pos() + 7) / 8 + n;
    const auto size = static_cast<std::size_t>(end_ - begin_);
    p_ = begin_ + std::min(at, size);
    over_ = at > size ? (at - size) * 8 : 0;
    buf_ = 0;
    count_ = 0;
  }

 private:
  const unsigned char* begin_;
  const unsigned char* p_;
  const unsigned char* end_;
  std::uint64_t buf_ = 0;
  unsigned count_ = 0;
  std::size_t over_ = 0;  // zero bits read past the end
};

// A prefix code as a table indexed by the next bits. An entry is the symbol
// << 5 | the bits it takes with its extra bits; 0 for bits that start no code.
struct THuffman {
  std::uint16_t* table = nullptr;
  unsigned bits = 1;

  // lengths of symbols 0 … n-1 (0: unused); extra(s): the extra bits behind s.
  // False for an over-subscribed code.
  template <class Extra>
  bool Build(const std::uint8_t* lengths, unsigned n, Extra extra) noexcept {
    unsigned count[kMaxCodeBits + 1] = {};
    for (unsigned s = 0; s < n; ++s) ++count[lengths[s]];
    count[0] = 0;
    int left = 1;
    unsigned longest = 0;
    for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
      left = left * 2 - static_cast<int>(count[len]);
      if (left < 0) return false;
      if (count[len]) longest = len;
    }
    bits = longest ? longest : 1;
    // A complete code fills every entry; an incomplete one leaves holes.
    if (left > 0 || !longest) std::memset(table, 0, (std::size_t{1} << bits) * sizeof *table);
    unsigned next[kMaxCodeBits + 2] = {};
    unsigned code = 0;
    for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
      code = (code + count[len - 1]) << 1;
      next[len] = code;
    }
    for (unsigned s = 0; s < n; ++s) {
      const unsigned len = lengths[s];
      if (!len) continue;
      const unsigned c = next[len]++;
      unsigned reversed = 0;
      for (unsigned b = 0; b < len; ++b) reversed |= ((c >> b) & 1u) << (len - 1 - b);
      const auto entry = static_cast<std::uint16_t>(s << 5 | (len + extra(s)));
      for (unsigned i = reversed; i < (1u << bits); i += 1u << len) table[i] = entry;
    }
    return true;
  }
  unsigned Entry(std::uint64_t buffer) const noexcept { return table[buffer & ((1u << bits) - 1)]; }
};

struct TTables {
  std::uint16_t lit[1u << kMaxCodeBits];
  std::uint16_t dist[1u << kMaxCodeBits];
  std::uint16_t lengths[1u << 7];
};

constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::uint8_t kLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

unsigned LitExtra(unsigned s) noexcept { return s >= 257 && s < 257 + 29 ? kLengthExtra[s - 257] : 0; }
unsigned DistExtra(unsigned s) noexcept { return s < 30 ? kDistanceExtra[s] : 0; }
unsigned NoExtra(unsigned) noexcept { return 0; }

// Reads the symbols of one block up to its end. A symbol with its extra bits
// takes at most 20 bits and a distance 28, so one refill serves a whole match.
bool SkipSymbols(TBits& in, const THuffman& lit, const THuffman& dist) noexcept {
  for (;;) {
    if (in.Past()) return false;
    in.Refill();
    const unsigned e = lit.Entry(in.Buffer());
    if (!(e & 31)) return false;
    in.Drop(e & 31);
    const unsigned sym = e >> 5;
    if (sym < 256) continue;
    if (sym == 256) return !in.Past();
    if (sym > 285) return false;
    const unsigned d = dist.Entry(in.Buffer());
    if (!(d & 31) || (d >> 5) >= 30) return false;
    in.Drop(d & 31);
    if (in.Past()) return false;
  }
}

// The two codes of a block with codes of its own, from its header.
bool ReadCodes(TBits& in, TTables& t, THuffman& lit, THuffman& dist) noexcept {
  const unsigned nlit = in.Take(5) + 257, ndist = in.Take(5) + 1, nlen = in.Take(4) + 4;
  if (nlit > 286 || ndist > 30) return false;
  std::uint8_t order[19] = {};
  for (unsigned i = 0; i < nlen; ++i) order[kLengthOrder[i]] = static_cast<std::uint8_t>(in.Take(3));
  THuffman lengthCode{t.lengths};
  if (!lengthCode.Build(order, 19, NoExtra)) return false;
  std::uint8_t lengths[286 + 30] = {};
  const unsigned total = nlit + ndist;
  for (unsigned n = 0; n < total;) {
    in.Refill();
    if (in.Past()) return false;
    const unsigned e = lengthCode.Entry(in.Buffer());
    if (!(e & 31)) return false;
    in.Drop(e & 31);
    const unsigned sym = e >> 5;
    if (sym < 16) {
      lengths[n++] = static_cast<std::uint8_t>(sym);
      continue;
    }
    std::uint8_t value = 0;
    unsigned repeat = 0;
    if (sym == 16) {
      if (n == 0) return false;
      value = lengths[n - 1];
      repeat = 3 + in.Take(2);
    } else if (sym == 17) {
      repeat = 3 + in.Take(3);
    } else {
      repeat = 11 + in.Take(7);
    }
    if (n + repeat > total) return false;
    while (repeat--) lengths[n++] = value;
  }
  if (!lengths[256]) return false;  // a block always has its end code
  lit.table = t.lit;
  dist.table = t.dist;
  return lit.Build(lengths, nlit, LitExtra) && dist.Build(lengths + nlit, ndist, DistExtra);
}

bool FixedCodes(TTables& t, THuffman& lit, THuffman& dist) noexcept {
  std::uint8_t lengths[288 + 30];
  for (unsigned s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  for (unsigned s = 288; s < 288 + 30; ++s) lengths[s] = 5;
  lit.table = t.lit;
  dist.table = t.dist;
  return lit.Build(lengths, 288, LitExtra) && dist.Build(lengths + 288, 30, DistExtra);
}

}  // namespace

bool OpenFinalBlock(unsigned char* data, std::size_t& size) noexcept {
  const std::unique_ptr<TTables> tables(new (std::nothrow) TTables);
  if (!tables || size == 0) return false;
  TBits in(data, size);
  THuffman lit, dist;
  bool fixedBuilt = false;
  std::size_t finalAt = 0;
  for (;;) {
    const std::size_t at = in.Pos();
    const std::uint32_t final = in.Take(1), type = in.Take(2);
    if (type == 0) {
      in.SkipBytes(0);
      const std::uint32_t len = in.Take(16), nlen = in.Take(16);
      if (len != (~nlen & 0xFFFFu)) return false;
      in.SkipBytes(len);
    } else if (type == 1) {
      if (!fixedBuilt && !FixedCodes(*tables, lit, dist)) return false;
      fixedBuilt = true;
      if (!SkipSymbols(in, lit, dist)) return false;
    } else if (type == 2) {
      fixedBuilt = false;
      if (!ReadCodes(in, *tables, lit, dist) || !SkipSymbols(in, lit, dist)) return false;
    } else {
      return false;
    }
    if (in.Past()) return false;
    if (final) {
      finalAt = at;
      break;
    }
  }
  // Nothing may follow the final block but the bits that fill its last byte.
  const std::size_t end = in.Pos();
  if ((end + 7) / 8 != size) return false;
  data[finalAt >> 3] = static_cast<unsigned char>(data[finalAt >> 3] & ~(1u << (finalAt & 7)));
  if (end & 7) data[end >> 3] = static_cast<unsigned char>(data[end >> 3] & ((1u << (end & 7)) - 1));
  // An empty stored block: three bits (not final, stored), the rest of the
  // byte, then its length 0 and the complement.
  const std::size_t aligned = (end + 3 + 7) / 8;
  if (aligned > size) data[size] = 0;
  data[aligned] = 0;
  data[aligned + 1] = 0;
  data[aligned + 2] = 0xFF;
  data[aligned + 3] = 0xFF;
  size = aligned + 4;
  return true;
}

std::size_t PutStoredBlocks(const unsigned char* data, std::size_t n, bool final, unsigned char* out) noexcept {
  std::size_t written = 0, at = 0;
  do {
    const std::size_t len = std::min<std::size_t>(n - at, 0xFFFF);
    const bool last = at + len == n;
    out[written++] = final && last ? 1 : 0;  // final mark, type stored, the byte's rest
    out[written++] = static_cast<unsigned char>(len & 0xFF);
    out[written++] = static_cast<unsigned char>(len >> 8);
    out[written++] = static_cast<unsigned char>(~len & 0xFF);
    out[written++] = static_cast<unsigned char>((~len >> 8) & 0xFF);
    if (len) std::memcpy(out + written, data + at, len);
    written += len;
    at += len;
  } while (at < n);
  return written;
}

}  // namespace tablirex::xlsx
