// Reader of compound documents (versions 3 and 4): lists the streams of a file's
// bytes and reads a stream whole, following the FAT (found through the header
// and the DIFAT chain) and, for short streams, the mini FAT and the mini stream.
// It serves the dumper of the tablirex tool and the tests; the library itself
// only writes such documents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex {

/// One stream of a compound document, as its directory entry describes it.
struct TCompoundStream {
  /// Path below the root storage, storages joined by "/" ("Workbook",
  /// "ObjectPool/_1/Ole"); UTF-8.
  std::string path;
  std::u16string name;          // the entry's own name
  std::uint64_t size = 0;       // in bytes
  bool mini = false;            // stored in the mini stream (size below the cutoff)
  std::uint32_t startSector = 0;
  std::uint32_t entry = 0;      // index of the directory entry
};

/// A compound document opened from its bytes. Every structure is checked before
/// it is used: sector numbers against the file's length, chains against loops,
/// sizes against the chains that hold them. A fault makes the operation return
/// xlsFail (-1) with a message in ErrorText(); nothing is read out of bounds.
/// Not thread-safe.
class TCompoundReader {
 public:
  /// Parses the header, the FAT, the directory and the mini FAT. Returns xlsOK (1)
  /// or xlsFail (-1). The reader keeps its own copy of the bytes.
  std::int32_t Open(std::vector<std::uint8_t> bytes);
  /// Reads a whole file and opens it. Returns xlsOK or xlsFail.
  std::int32_t OpenFile(const std::string& path);

  /// What went wrong in the last failing operation.
  const std::string& ErrorText() const noexcept { return error_; }

  /// 3 or 4 once opened.
  std::uint16_t MajorVersion() const noexcept { return major_; }
  std::uint32_t SectorSize() const noexcept { return sectorSize_; }
  /// Size of the mini stream (the root entry's size).
  std::uint64_t MiniStreamSize() const noexcept { return miniStreamSize_; }
  std::size_t FatSectorCount() const noexcept { return fatSectors_.size(); }
  std::uint32_t DifatSectorCount() const noexcept { return difatCount_; }

  /// The streams reachable from the root storage, in directory-tree order
  /// (names sorted as the format sorts them: by length, then case-insensitively).
  const std::vector<TCompoundStream>& Streams() const noexcept { return streams_; }
  /// The stream whose path equals path, ASCII case ignored as the format does;
  /// nullptr when there is none.
  const TCompoundStream* Find(std::string_view path) const noexcept;

  /// Reads a stream whole into out. Returns xlsOK or xlsFail (a broken chain, or a
  /// chain shorter than the stream's size).
  std::int32_t ReadStream(const TCompoundStream& stream, std::vector<std::uint8_t>& out);

 private:
  bool Fail(std::string message);
  bool ParseHeader();
  bool LoadFat();
  bool LoadDirectory();
  bool LoadMini();
  bool WalkTree(std::uint32_t entry, const std::string& prefix, std::vector<bool>& seen,
                int depth);
  /// Follows a chain of sectors in the FAT from start; fails on a sector beyond
  /// the file or a loop. `what` names the chain in the message.
  bool Chain(std::uint32_t start, std::vector<std::uint32_t>& sectors, const char* what);
  bool MiniChain(std::uint32_t start, std::vector<std::uint32_t>& sectors);
  /// The bytes of sector s, or an empty span when it lies beyond the file.
  std::span<const std::uint8_t> Sector(std::uint32_t s) const noexcept;
  std::uint32_t Word(std::size_t at) const noexcept;

  std::vector<std::uint8_t> bytes_;
  std::string error_;
  std::uint16_t major_ = 0;
  std::uint32_t sectorSize_ = 512;
  std::uint32_t miniSectorSize_ = 64;
  std::uint32_t miniCutoff_ = 4096;
  std::uint32_t sectorCount_ = 0;  // whole or partial sectors after the header
  std::uint32_t difatCount_ = 0;
  std::vector<std::uint32_t> fatSectors_;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  std::vector<std::uint8_t> directory_;
  std::vector<std::uint8_t> miniStream_;
  std::uint64_t miniStreamSize_ = 0;
  std::vector<TCompoundStream> streams_;
};

}  // namespace tablirex
