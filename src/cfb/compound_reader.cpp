// Reader of compound documents: header, FAT through the DIFAT, directory tree,
// mini FAT and mini stream, each checked against the file before use.
#include "cfb/compound_reader.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tablirex/result.h"
#include "text/text.h"

namespace tablirex {
namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kEntrySize = 128;
constexpr int kMaxTreeDepth = 1024;

// Directory entry types.
constexpr std::uint8_t kTypeStorage = 1;
constexpr std::uint8_t kTypeStream = 2;
constexpr std::uint8_t kTypeRoot = 5;

std::uint32_t Le32(const std::uint8_t* p) noexcept {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
std::uint16_t Le16(const std::uint8_t* p) noexcept {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::string Hex(std::uint32_t v) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) s.push_back(digits[(v >> shift) & 0xF]);
  return s;
}

// The format compares names by length first, then by upper-cased code units;
// for lookups an ASCII case-insensitive comparison is what matters.
bool SameNameIgnoringCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

bool TCompoundReader::Fail(std::string message) {
  error_ = std::move(message);
  return false;
}

std::uint32_t TCompoundReader::Word(std::size_t at) const noexcept { return Le32(bytes_.data() + at); }

std::span<const std::uint8_t> TCompoundReader::Sector(std::uint32_t s) const noexcept {
  if (s >= sectorCount_) return {};
  const std::size_t at = (std::size_t{s} + 1) * sectorSize_;
  return {bytes_.data() + at, sectorSize_};
}

std::int32_t TCompoundReader::OpenFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error_ = "cannot open " + path;
    return xlsFail;
  }
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error_ = "cannot read " + path;
    return xlsFail;
  }
  return Open(std::move(bytes));
}

std::int32_t TCompoundReader::Open(std::vector<std::uint8_t> bytes) {
  bytes_ = std::move(bytes);
  error_.clear();
  fatSectors_.clear();
  fat_.clear();
  miniFat_.clear();
  directory_.clear();
  miniStream_.clear();
  streams_.clear();
  miniStreamSize_ = 0;
  const bool ok = ParseHeader() && LoadFat() && LoadDirectory() && LoadMini();
  if (!ok) {
    streams_.clear();
    return xlsFail;
  }
  return xlsOK;
}

bool TCompoundReader::ParseHeader() {
  if (bytes_.size() < 512) return Fail("not a compound document: shorter than its 512-byte header");
  if (!std::equal(std::begin(kSignature), std::end(kSignature), bytes_.begin()))
    return Fail("not a compound document: wrong signature");
  if (Le16(&bytes_[0x1C]) != 0xFFFE) return Fail("compound document: byte-order mark is not 0xFFFE");
  major_ = Le16(&bytes_[0x1A]);
  const std::uint16_t shift = Le16(&bytes_[0x1E]);
  if (!((major_ == 3 && shift == 9) || (major_ == 4 && shift == 12)))
    return Fail("compound document: version " + std::to_string(major_) + " with sector shift " +
                std::to_string(shift) + " is not supported");
  sectorSize_ = 1u << shift;
  const std::uint16_t miniShift = Le16(&bytes_[0x20]);
  if (miniShift != 6) return Fail("compound document: mini sector shift " + std::to_string(miniShift) + " is not 6");
  miniSectorSize_ = 64;
  miniCutoff_ = Word(0x38);
  if (bytes_.size() < sectorSize_) return Fail("compound document: shorter than its header sector");
  // A last sector cut short is read as if padded with zeros.
  const std::size_t body = bytes_.size() - sectorSize_;
  const std::size_t count = (body + sectorSize_ - 1) / sectorSize_;
  if (count > 0xFFFFFFF0u) return Fail("compound document: too many sectors");
  sectorCount_ = static_cast<std::uint32_t>(count);
  bytes_.resize((count + 1) * sectorSize_, 0);
  difatCount_ = Word(0x48);
  return true;
}

bool TCompoundReader::LoadFat() {
  const std::uint32_t fatCount = Word(0x2C);
  if (fatCount == 0) return Fail("compound document: the header declares no FAT sector");
  if (fatCount > sectorCount_)
    return Fail("compound document: " + std::to_string(fatCount) + " FAT sectors declared, the file has " +
                std::to_string(sectorCount_) + " sectors");
  for (std::size_t i = 0; i < kHeaderDifatEntries && fatSectors_.size() < fatCount; ++i)
    fatSectors_.push_back(Word(0x4C + 4 * i));
  // The rest of the FAT's sector list lives in the DIFAT chain; each of its
  // sectors ends with the number of the next one.
  std::uint32_t next = Word(0x44);
  const std::size_t perSector = sectorSize_ / 4 - 1;
  std::uint32_t walked = 0;
  while (fatSectors_.size() < fatCount) {
    if (walked >= difatCount_ || walked >= sectorCount_)
      return Fail("compound document: the DIFAT lists " + std::to_string(fatSectors_.size()) + " of " +
                  std::to_string(fatCount) + " FAT sectors");
    const auto sector = Sector(next);
    if (sector.empty()) return Fail("compound document: DIFAT sector " + Hex(next) + " lies outside the file");
    for (std::size_t i = 0; i < perSector && fatSectors_.size() < fatCount; ++i)
      fatSectors_.push_back(Le32(sector.data() + 4 * i));
    next = Le32(sector.data() + 4 * perSector);
    ++walked;
  }
  fat_.reserve(std::size_t{fatCount} * (sectorSize_ / 4));
  for (const std::uint32_t s : fatSectors_) {
    const auto sector = Sector(s);
    if (sector.empty()) return Fail("compound document: FAT sector " + Hex(s) + " lies outside the file");
    for (std::size_t i = 0; i < sectorSize_; i += 4) fat_.push_back(Le32(sector.data() + i));
  }
  return true;
}

bool TCompoundReader::Chain(std::uint32_t start, std::vector<std::uint32_t>& sectors, const char* what) {
  sectors.clear();
  std::vector<bool> seen(sectorCount_, false);
  for (std::uint32_t s = start; s != kEndOfChain; s = fat_[s]) {
    if (s >= sectorCount_ || s >= fat_.size())
      return Fail(std::string("compound document: the chain of ") + what + " reaches sector " + Hex(s) +
                  ", outside the file");
    if (seen[s]) return Fail(std::string("compound document: the chain of ") + what + " loops at sector " + Hex(s));
    seen[s] = true;
    sectors.push_back(s);
  }
  return true;
}

bool TCompoundReader::MiniChain(std::uint32_t start, std::vector<std::uint32_t>& sectors) {
  sectors.clear();
  const std::size_t count = std::min<std::size_t>(miniFat_.size(), miniStream_.size() / miniSectorSize_);
  std::vector<bool> seen(count, false);
  for (std::uint32_t s = start; s != kEndOfChain; s = miniFat_[s]) {
    if (s >= count)
      return Fail("compound document: a mini chain reaches mini sector " + Hex(s) + ", outside the mini stream");
    if (seen[s]) return Fail("compound document: a mini chain loops at mini sector " + Hex(s));
    seen[s] = true;
    sectors.push_back(s);
  }
  return true;
}

bool TCompoundReader::LoadDirectory() {
  std::vector<std::uint32_t> chain;
  if (!Chain(Word(0x30), chain, "the directory")) return false;
  if (chain.empty()) return Fail("compound document: the directory is empty");
  directory_.reserve(chain.size() * sectorSize_);
  for (const std::uint32_t s : chain) {
    const auto sector = Sector(s);
    directory_.insert(directory_.end(), sector.begin(), sector.end());
  }
  if (directory_[0x42] != kTypeRoot) return Fail("compound document: the first directory entry is not the root");
  const std::uint32_t root = 0;
  std::vector<bool> seen(directory_.size() / kEntrySize, false);
  seen[root] = true;
  const std::uint32_t child = Le32(&directory_[0x4C]);
  return child == kNoStream || WalkTree(child, "", seen, 0);
}

bool TCompoundReader::WalkTree(std::uint32_t entry, const std::string& prefix, std::vector<bool>& seen,
                               int depth) {
  if (depth > kMaxTreeDepth) return Fail("compound document: the directory tree is too deep");
  if (entry >= seen.size()) return Fail("compound document: directory entry " + std::to_string(entry) + " does not exist");
  if (seen[entry]) return Fail("compound document: directory entry " + std::to_string(entry) + " is reached twice");
  seen[entry] = true;
  const std::uint8_t* e = &directory_[std::size_t{entry} * kEntrySize];
  const std::uint16_t nameBytes = Le16(e + 0x40);
  if (nameBytes > 64 || nameBytes % 2 != 0)
    return Fail("compound document: directory entry " + std::to_string(entry) + " has a bad name length");
  std::u16string name;
  for (std::size_t i = 0; i + 2 < nameBytes; i += 2) name.push_back(static_cast<char16_t>(Le16(e + i)));
  const std::uint8_t type = e[0x42];
  if (type != kTypeStorage && type != kTypeStream)
    return Fail("compound document: directory entry " + std::to_string(entry) + " has type " +
                std::to_string(type) + " inside the tree");

  const std::uint32_t left = Le32(e + 0x44), right = Le32(e + 0x48), child = Le32(e + 0x4C);
  if (left != kNoStream && !WalkTree(left, prefix, seen, depth + 1)) return false;
  const std::string path = prefix + Utf16ToUtf8(name);
  if (type == kTypeStream) {
    TCompoundStream s;
    s.path = path;
    s.name = name;
    s.startSector = Le32(e + 0x74);
    // Version 3 files keep only the low 32 bits of the size meaningful.
    s.size = major_ == 3 ? Le32(e + 0x78) : (std::uint64_t{Le32(e + 0x7C)} << 32 | Le32(e + 0x78));
    s.mini = s.size < miniCutoff_;
    s.entry = entry;
    streams_.push_back(std::move(s));
  } else if (child != kNoStream && !WalkTree(child, path + "/", seen, depth + 1)) {
    return false;
  }
  return right == kNoStream || WalkTree(right, prefix, seen, depth + 1);
}

bool TCompoundReader::LoadMini() {
  const bool needed = std::any_of(streams_.begin(), streams_.end(),
                                  [](const TCompoundStream& s) { return s.mini && s.size > 0; });
  const std::uint8_t* root = directory_.data();
  miniStreamSize_ = major_ == 3 ? Le32(root + 0x78) : (std::uint64_t{Le32(root + 0x7C)} << 32 | Le32(root + 0x78));
  if (!needed) return true;
  std::vector<std::uint32_t> chain;
  if (!Chain(Le32(root + 0x74), chain, "the mini stream")) return false;
  if (miniStreamSize_ > std::uint64_t{chain.size()} * sectorSize_)
    return Fail("compound document: the mini stream is longer than its chain");
  miniStream_.reserve(chain.size() * sectorSize_);
  for (const std::uint32_t s : chain) {
    const auto sector = Sector(s);
    miniStream_.insert(miniStream_.end(), sector.begin(), sector.end());
  }
  // Whole mini sectors: a size that is not a multiple of 64 still reaches the
  // last one, padded with zeros.
  const auto mini = static_cast<std::size_t>(miniStreamSize_);
  miniStream_.resize((mini + miniSectorSize_ - 1) / miniSectorSize_ * miniSectorSize_, 0);
  if (!Chain(Word(0x3C), chain, "the mini FAT")) return false;
  for (const std::uint32_t s : chain) {
    const auto sector = Sector(s);
    for (std::size_t i = 0; i < sectorSize_; i += 4) miniFat_.push_back(Le32(sector.data() + i));
  }
  return true;
}

const TCompoundStream* TCompoundReader::Find(std::string_view path) const noexcept {
  for (const TCompoundStream& s : streams_)
    if (SameNameIgnoringCase(s.path, path)) return &s;
  return nullptr;
}

std::int32_t TCompoundReader::ReadStream(const TCompoundStream& stream, std::vector<std::uint8_t>& out) {
  out.clear();
  if (stream.size == 0) return xlsOK;
  std::vector<std::uint32_t> chain;
  const std::uint32_t unit = stream.mini ? miniSectorSize_ : sectorSize_;
  const bool ok = stream.mini ? MiniChain(stream.startSector, chain)
                              : Chain(stream.startSector, chain, "a stream");
  if (!ok) return xlsFail;
  if (stream.size > std::uint64_t{chain.size()} * unit) {
    error_ = "compound document: stream " + stream.path + " claims " + std::to_string(stream.size) +
             " bytes, its chain holds " + std::to_string(chain.size() * unit);
    return xlsFail;
  }
  out.reserve(static_cast<std::size_t>(stream.size));
  for (const std::uint32_t s : chain) {
    const std::size_t left = static_cast<std::size_t>(stream.size) - out.size();
    const std::size_t n = std::min<std::size_t>(unit, left);
    const std::uint8_t* from = stream.mini ? miniStream_.data() + std::size_t{s} * unit : Sector(s).data();
    out.insert(out.end(), from, from + n);
    if (out.size() == stream.size) break;
  }
  return xlsOK;
}

}  // namespace tablirex
