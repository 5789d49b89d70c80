// The zip container over the deflate library.
#include "xlsx/zip_writer.h"

#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
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

// The pieces of one entry, deflated side by side: helper threads take them in
// the order they come, this thread too when the helpers fall behind and at
// the end. Every piece but the last is opened for the one after it.
class TZipWriter::TPieces {
 public:
  TPieces(int level, libdeflate_compressor* own) : level_(level), own_(own) {}
  ~TPieces() { Stop(false); }
  TPieces(const TPieces&) = delete;
  TPieces& operator=(const TPieces&) = delete;

  /// Queues a copy of bytes, or with borrow the bytes themselves (they stay
  /// until Finish); last: the entry's last piece.
  void Put(std::string_view bytes, bool last, bool borrow = false) {
    if (!started_) Start();
    auto piece = std::make_unique<TPiece>();
    if (borrow)
      piece->view = bytes;
    else
      piece->view = piece->copy.assign(bytes);
    piece->last = last;
    std::size_t waiting = 0;
    {
      const std::lock_guard<std::mutex> lock(m_);
      queue_.push_back(piece.get());
      pieces_.push_back(std::move(piece));
      waiting = queue_.size();
    }
    cv_.notify_one();
    // The queue stays short, and with it the memory its copies take.
    if (waiting > 2 * (threads_.size() + 1))
      if (TPiece* p = Take(false)) Deflate(*p, own_);
  }
  /// Deflates what is left and waits for the helpers; false when a piece could
  /// not be made (out of memory).
  bool Finish() {
    Stop(true);
    return !failed_;
  }
  std::uint64_t Size() const noexcept {
    std::uint64_t n = 0;
    for (const auto& p : pieces_) n += p->size;
    return n;
  }
  template <class F>
  bool ForEach(F&& f) const {
    for (const auto& p : pieces_)
      if (!f(p->bytes.get(), p->size)) return false;
    return true;
  }

 private:
  struct TPiece {
    std::string copy;       // the bytes when they are not borrowed
    std::string_view view;  // the bytes
    bool last = false;
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0;
  };

  void Start() {
    started_ = true;
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    const unsigned helpers = std::min(processors - 1, 7u);
    compressors_.reserve(helpers);
    threads_.reserve(helpers);
    for (unsigned t = 0; t < helpers; ++t) {
      libdeflate_compressor* c = libdeflate_alloc_compressor(level_);
      if (!c) break;
      compressors_.push_back(c);
      try {
        threads_.emplace_back([this, c] {
          while (TPiece* p = Take(true)) Deflate(*p, c);
        });
      } catch (...) {
        break;  // the threads there are do the work
      }
    }
  }
  // The next queued piece; with wait, blocks until there is one or the end.
  TPiece* Take(bool wait) {
    std::unique_lock<std::mutex> lock(m_);
    if (wait) cv_.wait(lock, [&] { return closing_ || !queue_.empty(); });
    if (queue_.empty()) return nullptr;
    TPiece* p = queue_.front();
    queue_.pop_front();
    return p;
  }
  void Deflate(TPiece& p, libdeflate_compressor* c) noexcept {
    const std::size_t n = p.view.size();
    const auto* input = reinterpret_cast<const unsigned char*>(p.view.data());
    const std::size_t bound = std::max(libdeflate_deflate_compress_bound(c, n) + kJoinSlack, StoredBound(n));
    p.bytes.reset(new (std::nothrow) unsigned char[bound]);
    if (!p.bytes) {
      failed_ = true;
      return;
    }
    p.size = libdeflate_deflate_compress(c, input, n, p.bytes.get(), bound - kJoinSlack);
    // A stream that cannot be opened is never made; were it, the piece would go
    // in stored blocks, which always join.
    if (p.size == 0 || (!p.last && !OpenFinalBlock(p.bytes.get(), p.size)))
      p.size = PutStoredBlocks(input, n, p.last, p.bytes.get());
    p.view = {};
    std::string().swap(p.copy);
  }
  // Ends the helpers; with help, this thread deflates what is queued first.
  void Stop(bool help) {
    if (help)
      while (TPiece* p = Take(false)) Deflate(*p, own_);
    {
      const std::lock_guard<std::mutex> lock(m_);
      closing_ = true;
      if (!help) queue_.clear();
    }
    cv_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
    for (libdeflate_compressor* c : compressors_) libdeflate_free_compressor(c);
    compressors_.clear();
  }

  int level_;
  libdeflate_compressor* own_;
  bool started_ = false;
  std::vector<std::unique_ptr<TPiece>> pieces_;
  std::deque<TPiece*> queue_;
  std::mutex m_;
  std::condition_variable cv_;
  bool closing_ = false;
  std::atomic<bool> failed_{false};
  std::vector<std::thread> threads_;
  std::vector<libdeflate_compressor*> compressors_;
};

TZipWriter::TZipWriter(TZipOutput out, int level)
    : out_(std::move(out)), level_(level), compressor_(libdeflate_alloc_compressor(level)) {}

TZipWriter::~TZipWriter() {
  pieces_.reset();  // its helpers are done before the compressor goes
  libdeflate_free_compressor(static_cast<libdeflate_compressor*>(compressor_));
}

bool TZipWriter::OutOfMemory() {
  pieces_.reset();
  return Fail("out of memory while packing " + open_);
}

void TZipWriter::StartPieces() {
  pieces_ = std::make_unique<TPieces>(level_, static_cast<libdeflate_compressor*>(compressor_));
}

bool TZipWriter::Check(std::string_view name) {
  if (!error_.empty()) return false;
  if (opened_) return Fail("an entry is still being written");
  if (name.empty() || name.size() > 0xFFFF) return Fail("a part name is empty or too long");
  if (entries_.size() >= kMaxEntries) return Fail("the package would hold more than 65535 parts");
  if (!compressor_) return Fail("the compressor cannot be made (out of memory)");
  return true;
}

bool TZipWriter::Add(std::string_view name, std::string_view data, bool store) {
  if (!Check(name)) return false;
  if (data.size() > kMaxOffset) return Fail("a part is larger than 4 GB, the most the package holds");
  if (store || data.size() < 2 * kPieceSize) return Whole(name, data, store);
  open_.assign(name);
  return Pieces(data);
}

bool TZipWriter::Pieces(std::string_view data) {
  // The data lives until the pieces are made: they read it where it is, and
  // the CRC is worked out while the helpers deflate.
  try {
    StartPieces();
    for (std::size_t at = 0; at < data.size(); at += kPieceSize)
      pieces_->Put(data.substr(at, kPieceSize), at + kPieceSize >= data.size(), true);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  TEntry e;
  e.name = open_;
  e.crc = ZipCrc32(data);
  e.size = static_cast<std::uint32_t>(data.size());
  return PiecesEntry(std::move(e));
}

bool TZipWriter::PiecesEntry(TEntry e) {
  if (!pieces_->Finish()) return OutOfMemory();
  e.method = 8;
  const std::uint64_t packed = pieces_->Size();
  if (packed > kMaxOffset) return Fail("the package would be larger than 4 GB, the most it holds");
  e.packed = static_cast<std::uint32_t>(packed);
  return WriteEntry(std::move(e), {});
}

bool TZipWriter::Whole(std::string_view name, std::string_view data, bool store) {
  TEntry e;
  e.name = std::string(name);
  e.crc = ZipCrc32(data);
  e.size = static_cast<std::uint32_t>(data.size());
  std::string_view body = data;
  if (!store && !data.empty()) {
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
  e.packed = static_cast<std::uint32_t>(body.size());
  return WriteEntry(std::move(e), body);
}

bool TZipWriter::Begin(std::string_view name) {
  if (!Check(name)) return false;
  open_.assign(name);
  opened_ = true;
  pending_.clear();
  fed_ = 0;
  crc_ = 0;
  pieces_.reset();
  return true;
}

bool TZipWriter::Feed(std::string_view bytes) {
  if (!error_.empty()) return false;
  if (!opened_) return Fail("no entry is being written");
  fed_ += bytes.size();
  if (fed_ > kMaxOffset) return Fail("a part is larger than 4 GB, the most the package holds");
  crc_ = libdeflate_crc32(crc_, bytes.data(), bytes.size());
  // An entry of two pieces or more is cut at whole pieces: those with bytes
  // behind them go to be deflated now, the last one at the end. Until the
  // entry is that long the bytes wait.
  if (fed_ < 2 * kPieceSize) {
    pending_.append(bytes);
    return true;
  }
  try {
    if (!pieces_) StartPieces();
    // What waits first, made up to whole pieces from the new bytes; each piece
    // with bytes behind it goes.
    std::size_t at = 0;
    if (!pending_.empty()) {
      const std::size_t partial = pending_.size() % kPieceSize;
      at = partial ? std::min(kPieceSize - partial, bytes.size()) : 0;
      pending_.append(bytes.substr(0, at));
      std::size_t done = 0;
      while (pending_.size() - done >= kPieceSize && (pending_.size() - done > kPieceSize || at < bytes.size())) {
        pieces_->Put(std::string_view(pending_).substr(done, kPieceSize), false);
        done += kPieceSize;
      }
      pending_.erase(0, done);
    }
    // Then whole pieces straight from the new bytes.
    if (pending_.empty())
      for (; bytes.size() - at > kPieceSize; at += kPieceSize) pieces_->Put(bytes.substr(at, kPieceSize), false);
    pending_.append(bytes.substr(at));
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return true;
}

bool TZipWriter::End() {
  if (!error_.empty()) return false;
  if (!opened_) return Fail("no entry is being written");
  opened_ = false;
  if (!pieces_) {
    // Fewer than two pieces: deflated whole, as Add does.
    const bool written = Whole(open_, pending_, false);
    pending_.clear();
    return written;
  }
  try {
    pieces_->Put(pending_, true, true);  // pending_ stays as it is until the pieces are made
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  TEntry e;
  e.name = open_;
  e.crc = crc_;
  e.size = static_cast<std::uint32_t>(fed_);
  const bool written = PiecesEntry(std::move(e));
  pending_.clear();
  pending_.shrink_to_fit();
  return written;
}

bool TZipWriter::End(std::string_view last) {
  if (!error_.empty()) return false;
  if (!opened_) return Fail("no entry is being written");
  // An entry given whole at its end is read where it is, as Add reads it.
  if (fed_ == 0 && last.size() >= 2 * kPieceSize) {
    opened_ = false;
    return Pieces(last);
  }
  return Feed(last) && End();
}

bool TZipWriter::WriteEntry(TEntry e, std::string_view body) {
  const std::uint64_t end = offset_ + 30 + e.name.size() + e.packed;
  if (end > kMaxOffset) return Fail("the package would be larger than 4 GB, the most it holds");
  e.offset = static_cast<std::uint32_t>(offset_);

  std::string h;
  h.reserve(30 + e.name.size());
  Put32(h, 0x04034B50);  // 0: local file header
  Put16(h, 20);          // 4: version needed (2.0: deflate)
  Put16(h, 0x0800);      // 6: flags: names in UTF-8
  Put16(h, e.method);    // 8: method
  Put16(h, kDosTime);    // 10: time
  Put16(h, kDosDate);    // 12: date
  Put32(h, e.crc);       // 14: CRC-32
  Put32(h, e.packed);    // 18: compressed size
  Put32(h, e.size);      // 22: size
  Put16(h, static_cast<std::uint32_t>(e.name.size()));  // 26: name length
  Put16(h, 0);           // 28: extra field length
  h.append(e.name);
  if (!Emit(h.data(), h.size()) || !Emit(body.data(), body.size())) return false;
  if (pieces_) {
    const bool written = pieces_->ForEach([&](const void* p, std::size_t n) { return Emit(p, n); });
    pieces_.reset();
    if (!written) return false;
  }
  entries_.push_back(std::move(e));
  // The buffer is kept for the parts after this one: only the pages a part's
  // deflated bytes took are in memory, and the next sheet reuses them.
  return true;
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
