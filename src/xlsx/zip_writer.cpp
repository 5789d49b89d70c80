// The zip container over the deflate library.
#include "xlsx/zip_writer.h"

#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "xlsx/deflate_join.h"

namespace tablirex::xlsx {
namespace {

// Every entry's time stamp: 1 January 1980, 00:00, the first the container knows.
constexpr std::uint16_t kDosTime = 0;
constexpr std::uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;
constexpr std::uint64_t kMaxOffset = 0xFFFFFFFFull;
constexpr std::size_t kMaxEntries = 0xFFFF;

void Put16(std::string& s, std::uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

}  // namespace

std::uint32_t ZipCrc32(std::string_view data) noexcept {
  return libdeflate_crc32(0, data.data(), data.size());
}

TZipWriter::TZipWriter(TZipOutput out, int level)
    : out_(std::move(out)), level_(level), compressor_(libdeflate_alloc_compressor(level)) {}

TZipWriter::~TZipWriter() { libdeflate_free_compressor(static_cast<libdeflate_compressor*>(compressor_)); }

bool TZipWriter::Fail(std::string why) {
  if (error_.empty()) error_ = std::move(why);
  return false;
}

bool TZipWriter::Emit(const void* data, std::size_t size) {
  if (size == 0) return true;
  if (!out_(data, size)) return Fail("the file cannot be written");
  offset_ += size;
  return true;
}

bool TZipWriter::Add(std::string_view name, std::string_view data, bool store) {
  if (!error_.empty()) return false;
  if (name.empty() || name.size() > 0xFFFF) return Fail("a part name is empty or too long");
  if (entries_.size() >= kMaxEntries) return Fail("the package would hold more than 65535 parts");
  if (!compressor_) return Fail("the compressor cannot be made (out of memory)");
  if (data.size() > kMaxOffset) return Fail("a part is larger than 4 GB, the most the package holds");
  TEntry e;
  e.name = std::string(name);
  e.size = static_cast<std::uint32_t>(data.size());
  std::string_view body = data;
  pieces_.clear();
  if (!store && data.size() >= 2 * kPieceSize && DeflatePieces(data, e.crc)) {
    std::size_t packed = 0;
    for (const TPiece& p : pieces_) packed += p.size;
    if (packed < data.size()) {
      e.method = 8;
      body = {};
      e.packed = static_cast<std::uint32_t>(packed);
    } else {
      pieces_.clear();
    }
  } else {
    pieces_.clear();
    e.crc = ZipCrc32(data);
  }
  if (!store && !data.empty() && e.method == 0) {
    auto* c = static_cast<libdeflate_compressor*>(compressor_);
    const std::size_t bound = libdeflate_deflate_compress_bound(c, data.size());
    if (bound > packedSize_) {
      packed_.reset();
      packed_.reset(new unsigned char[bound]);
      packedSize_ = bound;
    }
    const std::size_t n = libdeflate_deflate_compress(c, data.data(), data.size(), packed_.get(), packedSize_);
    // Data that does not shrink is stored as it is.
    if (n > 0 && n < data.size()) {
      body = std::string_view(reinterpret_cast<const char*>(packed_.get()), n);
      e.method = 8;
    }
  }
  if (pieces_.empty()) e.packed = static_cast<std::uint32_t>(body.size());
  const std::uint64_t end = offset_ + 30 + name.size() + e.packed;
  if (end > kMaxOffset) return Fail("the package would be larger than 4 GB, the most it holds");
  e.offset = static_cast<std::uint32_t>(offset_);

  std::string h;
  h.reserve(30 + name.size());
  Put32(h, 0x04034B50);  // 0: local file header
  Put16(h, 20);          // 4: version needed (2.0: deflate)
  Put16(h, 0x0800);      // 6: flags: names in UTF-8
  Put16(h, e.method);    // 8: method
  Put16(h, kDosTime);    // 10: time
  Put16(h, kDosDate);    // 12: date
  Put32(h, e.crc);       // 14: CRC-32
  Put32(h, e.packed);    // 18: compressed size
  Put32(h, e.size);      // 22: size
  Put16(h, static_cast<std::uint32_t>(name.size()));  // 26: name length
  Put16(h, 0);           // 28: extra field length
  h.append(name);
  if (!Emit(h.data(), h.size()) || !Emit(body.data(), body.size())) return false;
  for (const TPiece& p : pieces_)
    if (!Emit(p.bytes.get(), p.size)) return false;
  pieces_.clear();
  entries_.push_back(std::move(e));
  // The buffer is kept for the parts after this one: only the pages a part's
  // deflated bytes took are in memory, and the next sheet reuses them.
  return true;
}

bool TZipWriter::DeflatePieces(std::string_view data, std::uint32_t& crc) {
  const std::size_t count = (data.size() + kPieceSize - 1) / kPieceSize;
  pieces_.clear();
  pieces_.resize(count);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  // Each thread takes the next piece until none is left; every piece but the
  // last is opened for the one after it.
  const auto work = [&](libdeflate_compressor* c) {
    for (std::size_t i = next++; i < count && !failed; i = next++) {
      const std::size_t from = i * kPieceSize, n = std::min(kPieceSize, data.size() - from);
      TPiece& p = pieces_[i];
      const std::size_t bound = libdeflate_deflate_compress_bound(c, n) + kJoinSlack;
      p.bytes.reset(new (std::nothrow) unsigned char[bound]);
      if (!p.bytes) {
        failed = true;
        return;
      }
      p.size = libdeflate_deflate_compress(c, data.data() + from, n, p.bytes.get(), bound - kJoinSlack);
      if (p.size == 0 || (i + 1 < count && !OpenFinalBlock(p.bytes.get(), p.size))) failed = true;
    }
  };
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t helpers = std::min<std::size_t>({processors - 1, count - 1, 7});
  std::vector<std::thread> threads;
  std::vector<libdeflate_compressor*> compressors;
  for (std::size_t t = 0; t < helpers; ++t) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(level_);
    if (!c) break;
    compressors.push_back(c);
    try {
      threads.emplace_back(work, c);
    } catch (...) {
      break;  // the threads there are do the work
    }
  }
  // The CRC is worked out while the helpers deflate, then this thread helps.
  crc = ZipCrc32(data);
  work(static_cast<libdeflate_compressor*>(compressor_));
  for (std::thread& t : threads) t.join();
  for (libdeflate_compressor* c : compressors) libdeflate_free_compressor(c);
  if (failed) pieces_.clear();
  return !failed;
}

bool TZipWriter::Finish() {
  packed_.reset();
  packedSize_ = 0;
  if (!error_.empty()) return false;
  const std::uint64_t start = offset_;
  std::string d;
  for (const TEntry& e : entries_) {
    Put32(d, 0x02014B50);  // 0: central directory header
    Put16(d, 20);          // 4: made by version 2.0, DOS attributes
    Put16(d, 20);          // 6: version needed
    Put16(d, 0x0800);      // 8: flags: names in UTF-8
    Put16(d, e.method);    // 10: method
    Put16(d, kDosTime);    // 12: time
    Put16(d, kDosDate);    // 14: date
    Put32(d, e.crc);       // 16: CRC-32
    Put32(d, e.packed);    // 20: compressed size
    Put32(d, e.size);      // 24: size
    Put16(d, static_cast<std::uint32_t>(e.name.size()));  // 28: name length
    Put16(d, 0);           // 30: extra field length
    Put16(d, 0);           // 32: comment length
    Put16(d, 0);           // 34: disk number
    Put16(d, 0);           // 36: internal attributes
    Put32(d, 0);           // 38: external attributes
    Put32(d, e.offset);    // 42: offset of the local header
    d.append(e.name);
  }
  if (start + d.size() + 22 > kMaxOffset) return Fail("the package would be larger than 4 GB, the most it holds");
  const auto count = static_cast<std::uint32_t>(entries_.size());
  const auto dirSize = static_cast<std::uint32_t>(d.size());
  Put32(d, 0x06054B50);  // 0: end of central directory
  Put16(d, 0);           // 4: this disk
  Put16(d, 0);           // 6: disk of the directory
  Put16(d, count);       // 8: entries on this disk
  Put16(d, count);       // 10: entries
  Put32(d, dirSize);     // 12: directory size
  Put32(d, static_cast<std::uint32_t>(start));           // 16: directory offset
  Put16(d, 0);           // 20: comment length
  return Emit(d.data(), d.size());
}

}  // namespace tablirex::xlsx
