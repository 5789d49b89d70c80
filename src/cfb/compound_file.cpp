// Compound document layout. Sectors are placed in this order, each region
// contiguous:
//
//   header (512 bytes, not a numbered sector)
//   data       the main stream itself (4096 bytes and longer) or the mini
//              stream that holds it first (shorter streams), padded with zeros
//   added      the added streams of 4096 bytes and longer, one after another
//   mini       the mini stream, when the main stream did not open it
//   mini FAT   only when the mini stream is used
//   directory  the root entry, one entry per stream, unused entries to the
//              end of the sector
//   FAT        enough sectors to map every sector, themselves included
//   DIFAT      only when the FAT outgrows the header's 109 entries
//
// Because the main stream comes first and is contiguous, its bytes go to the
// file as they are written, from offset 512 on; Commit appends the rest, which
// depends on the final size (the added streams are held until then), and then
// fills in the header.
#include "cfb/compound_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tablirex/result.h"

namespace tablirex {
namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint32_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kEntriesPerSector = kSectorSize / 4;    // FAT, mini FAT
constexpr std::uint32_t kHeaderDifatEntries = 109;
constexpr std::uint32_t kDifatEntriesPerSector = kEntriesPerSector - 1;  // last: next
constexpr std::uint32_t kDirEntrySize = 128;
constexpr std::uint32_t kDirEntriesPerSector = kSectorSize / kDirEntrySize;

constexpr std::uint32_t kDifSect = 0xFFFFFFFCu;
constexpr std::uint32_t kFatSect = 0xFFFFFFFDu;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFFu;
constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;

enum class TEntryType : std::uint8_t { Empty = 0, Storage = 1, Stream = 2, Root = 5 };
enum class TEntryColor : std::uint8_t { Red = 0, Black = 1 };

constexpr std::size_t kBufferSize = 256 * 1024;

void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

constexpr std::uint32_t CeilDiv(std::uint64_t a, std::uint64_t b) {
  return static_cast<std::uint32_t>((a + b - 1) / b);
}

bool ValidName(std::u16string_view name) {
  if (name.empty() || name.size() > kCfbMaxNameLength) return false;
  return std::none_of(name.begin(), name.end(), [](char16_t c) {
    return c == u'/' || c == u'\\' || c == u':' || c == u'!' || c == 0;
  });
}

// Where one stream lives: mini sectors of the mini stream, or sectors of the file.
struct TPlace {
  std::u16string_view name;
  const std::uint8_t* bytes = nullptr;  // nullptr for the main stream (written already)
  std::uint32_t size = 0;
  bool mini = false;
  std::uint32_t start = kEndOfChain;  // first sector or mini sector
  std::uint32_t count = 0;            // sectors or mini sectors
};

// Sector counts and positions of every region. The main stream (index 0 of
// streams, when there is one) comes first: its own sectors when it is large, or
// the mini stream that holds it first when it is small. Large added streams
// follow, then the mini stream (when the main stream did not open it), the mini
// FAT, the directory, the FAT and the DIFAT.
struct TLayout {
  bool hasStream = false;
  std::uint32_t streamSize = 0;   // the main stream's
  std::vector<TPlace> streams;    // main stream (when there is one), then the added ones
  std::uint32_t miniSectors = 0;  // mini sectors of every stream in the mini stream
  std::uint32_t miniStreamStart = kEndOfChain;
  std::uint32_t miniStreamSectors = 0;
  std::uint32_t miniFatSectors = 0;
  std::uint32_t dirSectors = 1;
  std::uint32_t fatSectors = 0;
  std::uint32_t difatSectors = 0;
  std::uint32_t miniFatStart = 0, dirStart = 0, fatStart = 0, difatStart = 0;
  std::uint32_t totalSectors = 0;

  // Bytes from the end of the main stream's data to the end of the file.
  std::size_t TailSize() const {
    return static_cast<std::size_t>(totalSectors) * kSectorSize - streamSize;
  }
};

std::uint32_t DifatSectorsFor(std::uint32_t fatSectors) {
  return fatSectors <= kHeaderDifatEntries
             ? 0
             : CeilDiv(fatSectors - kHeaderDifatEntries, kDifatEntriesPerSector);
}

TLayout MakeLayout(bool hasStream, std::uint32_t size, std::u16string_view name,
                   const std::vector<TCompoundStreamData>& added) {
  TLayout l;
  l.hasStream = hasStream;
  l.streamSize = hasStream ? size : 0;
  if (hasStream) l.streams.push_back(TPlace{name, nullptr, size});
  for (const TCompoundStreamData& a : added)
    l.streams.push_back(TPlace{a.name, a.bytes.data(), static_cast<std::uint32_t>(a.bytes.size())});
  // Mini sectors first: a short main stream opens the mini stream, so that its
  // bytes, written as they came from offset 512 on, are the mini stream's start.
  for (TPlace& p : l.streams) {
    if (p.size == 0 || p.size >= kMiniStreamCutoff) continue;
    p.mini = true;
    p.start = l.miniSectors;
    p.count = CeilDiv(p.size, kMiniSectorSize);
    l.miniSectors += p.count;
  }
  l.miniStreamSectors = CeilDiv(std::uint64_t{l.miniSectors} * kMiniSectorSize, kSectorSize);
  l.miniFatSectors = CeilDiv(l.miniSectors, kEntriesPerSector);
  std::uint32_t next = 0;
  const bool mainInMini = hasStream && l.streams.front().mini;
  if (mainInMini) {
    l.miniStreamStart = 0;
    next = l.miniStreamSectors;
  }
  for (TPlace& p : l.streams) {
    if (p.size == 0 || p.mini) continue;
    p.start = next;
    p.count = CeilDiv(p.size, kSectorSize);
    next += p.count;
  }
  if (!mainInMini && l.miniStreamSectors > 0) {
    l.miniStreamStart = next;
    next += l.miniStreamSectors;
  }
  l.dirSectors = CeilDiv(1 + l.streams.size(), kDirEntriesPerSector);
  l.miniFatStart = next;
  l.dirStart = l.miniFatStart + l.miniFatSectors;
  const std::uint64_t others = std::uint64_t{l.dirStart} + l.dirSectors;
  // The FAT maps every sector, its own and the DIFAT's included: take the
  // smallest count that covers them all.
  std::uint32_t fat = CeilDiv(others, kEntriesPerSector);
  while (std::uint64_t{fat} * kEntriesPerSector < others + fat + DifatSectorsFor(fat)) ++fat;
  l.fatSectors = fat;
  l.difatSectors = DifatSectorsFor(fat);
  l.fatStart = l.dirStart + l.dirSectors;
  l.difatStart = l.fatStart + l.fatSectors;
  l.totalSectors = l.difatStart + l.difatSectors;
  return l;
}

// The 512-byte header.
void BuildHeader(const TLayout& l, std::uint8_t* h) {
  static constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0,
                                                 0xA1, 0xB1, 0x1A, 0xE1};
  std::memset(h, 0, kSectorSize);
  std::memcpy(h, kSignature, sizeof kSignature);  // 0: signature; 8: CLSID zero
  PutU16(h + 24, 0x003E);                          // minor version
  PutU16(h + 26, 0x0003);                          // major version
  PutU16(h + 28, 0xFFFE);                          // byte order mark
  PutU16(h + 30, 9);                               // sector shift: 512
  PutU16(h + 32, 6);                               // mini sector shift: 64
  // 34: 6 reserved bytes; 40: directory sector count, always 0 in version 3
  PutU32(h + 44, l.fatSectors);
  PutU32(h + 48, l.dirStart);
  // 52: transaction signature 0
  PutU32(h + 56, kMiniStreamCutoff);
  PutU32(h + 60, l.miniFatSectors ? l.miniFatStart : kEndOfChain);
  PutU32(h + 64, l.miniFatSectors);
  PutU32(h + 68, l.difatSectors ? l.difatStart : kEndOfChain);
  PutU32(h + 72, l.difatSectors);
  for (std::uint32_t i = 0; i < kHeaderDifatEntries; ++i)
    PutU32(h + 76 + 4 * i, i < l.fatSectors ? l.fatStart + i : kFreeSect);
}

// One 128-byte directory entry; p is zeroed already.
void PutDirEntry(std::uint8_t* p, std::u16string_view name, TEntryType type, TEntryColor color,
                 std::uint32_t left, std::uint32_t right, std::uint32_t child, std::uint32_t start,
                 std::uint32_t size) {
  for (std::size_t i = 0; i < name.size(); ++i) PutU16(p + 2 * i, name[i]);
  PutU16(p + 64, static_cast<std::uint16_t>((name.size() + 1) * 2));  // with terminator
  p[66] = static_cast<std::uint8_t>(type);
  p[67] = static_cast<std::uint8_t>(color);
  PutU32(p + 68, left);
  PutU32(p + 72, right);
  PutU32(p + 76, child);
  // 80: CLSID, 96: state bits, 100 and 108: times, all zero
  PutU32(p + 116, start);
  PutU32(p + 120, size);  // 124: high half of the size, zero
}

// The format's order of names in a storage: shorter first, then code unit by
// code unit with letters upper-cased.
bool NameBefore(std::u16string_view a, std::u16string_view b) noexcept {
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return x < y;
  }
  return false;
}

bool SameName(std::u16string_view a, std::u16string_view b) noexcept {
  return !NameBefore(a, b) && !NameBefore(b, a);
}

// The links of a balanced search tree over sorted[first, last): each subtree's
// middle entry is its root. Every level but the deepest is full, so colouring
// the entries of the deepest level red (when it is not full) and all others
// black keeps the red-black rules.
struct TTreeLinks {
  std::vector<std::uint32_t> left, right;
  std::vector<TEntryColor> color;
};

std::uint32_t LinkTree(const std::vector<std::uint32_t>& sorted, std::size_t first, std::size_t last,
                       std::uint32_t depth, std::uint32_t deepest, bool deepestFull, TTreeLinks& t) {
  if (first >= last) return kNoStream;
  const std::size_t mid = first + (last - first) / 2;
  const std::uint32_t e = sorted[mid];
  t.left[e] = LinkTree(sorted, first, mid, depth + 1, deepest, deepestFull, t);
  t.right[e] = LinkTree(sorted, mid + 1, last, depth + 1, deepest, deepestFull, t);
  t.color[e] = depth == deepest && !deepestFull ? TEntryColor::Red : TEntryColor::Black;
  return e;
}

// Chains sectors first .. first + count - 1 in the table at t.
void PutChain(std::uint8_t* t, std::uint32_t first, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i)
    PutU32(t + 4 * (first + i), i + 1 < count ? first + i + 1 : kEndOfChain);
}

// Everything after the main stream's bytes: the padding of its region, the
// added streams, the mini FAT, directory, FAT and DIFAT. tail holds TailSize()
// zero bytes.
void BuildTail(const TLayout& l, std::uint8_t* tail) {
  // Offset of byte b of the data area (sector 0 onwards) within the tail.
  const auto byteAt = [&](std::uint64_t b) { return tail + (b - l.streamSize); };
  const auto at = [&](std::uint32_t s) { return byteAt(std::uint64_t{s} * kSectorSize); };

  for (const TPlace& p : l.streams) {
    if (!p.bytes || p.size == 0) continue;
    const std::uint64_t b = p.mini ? std::uint64_t{l.miniStreamStart} * kSectorSize +
                                         std::uint64_t{p.start} * kMiniSectorSize
                                   : std::uint64_t{p.start} * kSectorSize;
    std::memcpy(byteAt(b), p.bytes, p.size);
  }

  if (l.miniFatSectors) {
    std::uint8_t* mf = at(l.miniFatStart);
    std::fill(mf, mf + std::size_t{l.miniFatSectors} * kSectorSize, std::uint8_t{0xFF});
    for (const TPlace& p : l.streams)
      if (p.mini) PutChain(mf, p.start, p.count);
  }

  // Entry 0 is the root; entry i + 1 is streams[i].
  const auto n = static_cast<std::uint32_t>(l.streams.size());
  std::vector<std::uint32_t> sorted(n);
  for (std::uint32_t i = 0; i < n; ++i) sorted[i] = i + 1;
  std::sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
    return NameBefore(l.streams[a - 1].name, l.streams[b - 1].name);
  });
  TTreeLinks links{std::vector<std::uint32_t>(n + 1, kNoStream), std::vector<std::uint32_t>(n + 1, kNoStream),
                   std::vector<TEntryColor>(n + 1, TEntryColor::Black)};
  std::uint32_t deepest = 0;
  while ((std::uint64_t{2} << deepest) - 1 < n) ++deepest;
  const bool deepestFull = (std::uint64_t{2} << deepest) - 1 == n;
  const std::uint32_t top = LinkTree(sorted, 0, n, 0, deepest, deepestFull, links);

  std::uint8_t* dir = at(l.dirStart);
  const bool miniStream = l.miniSectors > 0;
  PutDirEntry(dir, u"Root Entry", TEntryType::Root, TEntryColor::Black, kNoStream, kNoStream, top,
              miniStream ? l.miniStreamStart : kEndOfChain, miniStream ? l.miniSectors * kMiniSectorSize : 0);
  for (std::uint32_t i = 1; i <= n; ++i) {
    const TPlace& p = l.streams[i - 1];
    PutDirEntry(dir + i * kDirEntrySize, p.name, TEntryType::Stream, links.color[i], links.left[i],
                links.right[i], kNoStream, p.size ? p.start : kEndOfChain, p.size);
  }
  for (std::uint32_t i = n + 1; i < l.dirSectors * kDirEntriesPerSector; ++i) {
    std::uint8_t* e = dir + i * kDirEntrySize;  // unused: zero but for the links
    PutU32(e + 68, kNoStream);
    PutU32(e + 72, kNoStream);
    PutU32(e + 76, kNoStream);
  }

  std::uint8_t* fat = at(l.fatStart);
  std::fill(fat, fat + std::size_t{l.fatSectors} * kSectorSize, std::uint8_t{0xFF});
  for (const TPlace& p : l.streams)
    if (!p.mini && p.size) PutChain(fat, p.start, p.count);
  if (l.miniStreamSectors) PutChain(fat, l.miniStreamStart, l.miniStreamSectors);
  PutChain(fat, l.miniFatStart, l.miniFatSectors);
  PutChain(fat, l.dirStart, l.dirSectors);
  for (std::uint32_t i = 0; i < l.fatSectors; ++i) PutU32(fat + 4 * (l.fatStart + i), kFatSect);
  for (std::uint32_t i = 0; i < l.difatSectors; ++i)
    PutU32(fat + 4 * (l.difatStart + i), kDifSect);

  if (l.difatSectors) {
    std::uint8_t* d = at(l.difatStart);
    std::fill(d, d + std::size_t{l.difatSectors} * kSectorSize, std::uint8_t{0xFF});
    for (std::uint32_t f = kHeaderDifatEntries; f < l.fatSectors; ++f) {
      const std::uint32_t k = f - kHeaderDifatEntries;
      PutU32(d + (k / kDifatEntriesPerSector) * kSectorSize + 4 * (k % kDifatEntriesPerSector),
             l.fatStart + f);
    }
    for (std::uint32_t i = 0; i < l.difatSectors; ++i)
      PutU32(d + i * kSectorSize + 4 * kDifatEntriesPerSector,
             i + 1 < l.difatSectors ? l.difatStart + i + 1 : kEndOfChain);
  }
}

// Why an added stream cannot join the document, or nullptr.
const char* AddedStreamProblem(std::u16string_view name, std::size_t size, bool hasMain,
                               std::u16string_view mainName, const std::vector<TCompoundStreamData>& added) {
  if (!ValidName(name)) return "an invalid stream name";
  if (size > kCfbMaxStreamSize) return "a stream larger than a compound document holds";
  if (hasMain && SameName(name, mainName)) return "a stream name used twice";
  for (const TCompoundStreamData& a : added)
    if (SameName(name, a.name)) return "a stream name used twice";
  return nullptr;
}

}  // namespace

TCompoundFile::~TCompoundFile() { Abort(); }

std::int32_t TCompoundFile::Create(const std::string& path) {
  if (fd_ >= 0) return xlsFail;
  error_.clear();
  if (!file_.Open(path)) {
    error_ = file_.Error();
    return xlsFail;
  }
  // The header is written last, once the layout is known.
  if (::lseek(file_.Fd(), kSectorSize, SEEK_SET) != kSectorSize) {
    error_ = std::string("cannot seek: ") + std::strerror(errno);
    file_.Abort();
    return xlsFail;
  }
  Reset();
  fd_ = file_.Fd();
  return xlsOK;
}

std::int32_t TCompoundFile::CreateStream(std::u16string_view name) {
  if (fd_ < 0 || hasStream_ || !ValidName(name)) return xlsFail;
  for (const TCompoundStreamData& a : added_)
    if (SameName(name, a.name)) return xlsFail;
  hasStream_ = true;
  name_.assign(name);
  return xlsOK;
}

std::int32_t TCompoundFile::AddStream(std::u16string_view name, std::vector<std::uint8_t> bytes) {
  if (fd_ < 0) return xlsFail;
  if (const char* problem = AddedStreamProblem(name, bytes.size(), hasStream_, name_, added_)) {
    error_ = problem;
    return xlsFail;
  }
  added_.push_back(TCompoundStreamData{std::u16string(name), std::move(bytes)});
  return xlsOK;
}

std::int32_t TCompoundFile::Write(const std::uint8_t* data, std::size_t n) {
  if (fd_ < 0 || !hasStream_ || failed_) return xlsFail;
  if (n == 0) return xlsOK;
  if (data == nullptr || n > kCfbMaxStreamSize - size_) {
    failed_ = true;
    error_ = data ? "the stream is larger than a compound document holds" : "no data";
    return xlsFail;
  }
  size_ += n;
  if (!buffer_) buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize);
  if (buffered_ + n > kBufferSize) {
    if (!Flush()) return xlsFail;
    if (n >= kBufferSize) {
      if (!file_.Write(data, n)) WriteFailed();
      return failed_ ? xlsFail : xlsOK;
    }
  }
  std::memcpy(buffer_.get() + buffered_, data, n);
  buffered_ += n;
  return xlsOK;
}

void TCompoundFile::WriteFailed() noexcept {
  const int err = errno;
  failed_ = true;
  try {
    error_ = std::string("cannot write the file: ") + std::strerror(err);
  } catch (...) {
  }
}

bool TCompoundFile::Flush() noexcept {
  if (buffered_ > 0 && !file_.Write(buffer_.get(), buffered_)) WriteFailed();
  buffered_ = 0;
  return !failed_;
}

std::int32_t TCompoundFile::Commit() {
  if (fd_ < 0) return xlsFail;
  if (failed_) {
    Abort();  // keeps the message of the failed write
    return xlsFail;
  }
  const TLayout l = MakeLayout(hasStream_, static_cast<std::uint32_t>(size_), name_, added_);
  std::vector<std::uint8_t> tail(l.TailSize());
  BuildTail(l, tail.data());
  std::uint8_t header[kSectorSize];
  BuildHeader(l, header);

  bool ok = Flush() && file_.Write(tail.data(), tail.size()) &&
            ::lseek(fd_, 0, SEEK_SET) == 0 && file_.Write(header, sizeof header);
  if (!ok) {
    error_ = std::string("cannot write the file: ") + std::strerror(errno);
    file_.Abort();
  } else if (!file_.Commit()) {
    error_ = file_.Error();
    ok = false;
  }
  fd_ = -1;
  Reset();
  return ok ? xlsOK : xlsFail;
}

void TCompoundFile::Abort() noexcept {
  file_.Abort();
  fd_ = -1;
  Reset();
}

void TCompoundFile::Reset() noexcept {
  hasStream_ = false;
  added_.clear();
  failed_ = false;
  name_.clear();
  buffered_ = 0;
  size_ = 0;
}

std::vector<std::uint8_t> TCompoundFile::Build(std::u16string_view name, std::span<const std::uint8_t> stream,
                                               const std::vector<TCompoundStreamData>& added) {
  if (!ValidName(name) || stream.size() > kCfbMaxStreamSize) return {};
  for (std::size_t i = 0; i < added.size(); ++i) {
    const std::vector<TCompoundStreamData> before(added.begin(), added.begin() + static_cast<std::ptrdiff_t>(i));
    if (AddedStreamProblem(added[i].name, added[i].bytes.size(), true, name, before)) return {};
  }
  const TLayout l = MakeLayout(true, static_cast<std::uint32_t>(stream.size()), name, added);
  std::vector<std::uint8_t> out(kSectorSize + std::size_t{l.totalSectors} * kSectorSize);
  BuildHeader(l, out.data());
  if (!stream.empty()) std::memcpy(out.data() + kSectorSize, stream.data(), stream.size());
  BuildTail(l, out.data() + kSectorSize + stream.size());
  return out;
}

}  // namespace tablirex
