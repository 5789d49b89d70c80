// The zip container of a workbook package: parts deflated (or stored) one after
// the other, then the central directory. Every entry carries the same fixed
// time stamp and the parts keep the order they are added in, so the same
// workbook always gives the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex::xlsx {

/// Receives the container's bytes in order; false stops the writer.
using TZipOutput = std::function<bool(const void* data, std::size_t size)>;

class TZipWriter {
 public:
  /// level: the deflate level (1 fastest … 12 smallest); 5 packs sheets as
  /// small as the common default of other writers, in half the time of 6.
  explicit TZipWriter(TZipOutput out, int level = 5);
  ~TZipWriter();
  TZipWriter(const TZipWriter&) = delete;
  TZipWriter& operator=(const TZipWriter&) = delete;

  /// Adds one entry: name (UTF-8, '/' between folders) and its bytes, deflated
  /// unless store is set. False, with Error() set, when the output fails, the
  /// name is empty or longer than 65535 bytes, or the container would pass
  /// 4 GB or 65535 entries (the limits of the container without its 64-bit
  /// extension).
  bool Add(std::string_view name, std::string_view data, bool store = false);
  /// An entry whose bytes come in runs while they are made (a sheet's XML):
  /// Begin, Feed as often as there are bytes, End. The same limits and the same
  /// bytes as Add of the whole; the runs are deflated while the next are made.
  bool Begin(std::string_view name);
  bool Feed(std::string_view bytes);
  bool End();
  /// Feed of the last bytes, then End; bytes given whole at the end are read
  /// where they are.
  bool End(std::string_view last);
  /// Parts of at least twice this size are deflated in pieces of this size, side
  /// by side on the machine's processors, and the pieces joined into the entry's
  /// one stream. The pieces do not depend on the number of processors, so the
  /// bytes stay the same on every machine.
  static constexpr std::size_t kPieceSize = std::size_t{1} << 20;
  /// Writes the central directory. False, with Error() set, when the output fails.
  bool Finish();
  const std::string& Error() const noexcept { return error_; }
  /// Bytes written so far.
  std::uint64_t Size() const noexcept { return offset_; }

 private:
  struct TEntry {
    std::string name;
    std::uint32_t crc = 0;
    std::uint32_t packed = 0;
    std::uint32_t size = 0;
    std::uint32_t offset = 0;
    std::uint16_t method = 0;
  };
  class TPieces;
  bool Emit(const void* data, std::size_t size);
  bool Fail(std::string why);
  bool Check(std::string_view name);
  /// Fails for want of memory while an entry is packed, its pieces dropped.
  bool OutOfMemory();
  void StartPieces();
  /// An entry deflated in one stream (or stored).
  bool Whole(std::string_view name, std::string_view data, bool store);
  /// An entry of data in pieces, read where it is (pieces_ then holds them).
  bool Pieces(std::string_view data);
  /// Waits for the pieces and writes their entry.
  bool PiecesEntry(TEntry e);
  /// Writes an entry's local header and body (the deflated pieces when there
  /// are any).
  bool WriteEntry(TEntry e, std::string_view body);

  TZipOutput out_;
  int level_;
  void* compressor_ = nullptr;
  // The entry between Begin and End: the name, its bytes not yet cut into
  // pieces, their count and CRC, and the pieces on their way.
  std::string open_;
  bool opened_ = false;
  std::string pending_;
  std::uint64_t fed_ = 0;
  std::uint32_t crc_ = 0;
  std::unique_ptr<TPieces> pieces_;
  std::vector<TEntry> entries_;
  // The deflated bytes of one part. Left uninitialised: deflate writes only the
  // start of its bound, so the pages past that are never touched.
  std::unique_ptr<unsigned char[]> packed_;
  std::size_t packedSize_ = 0;
  std::uint64_t offset_ = 0;
  std::string error_;
};

/// CRC-32 of the container's entries.
std::uint32_t ZipCrc32(std::string_view data) noexcept;

}  // namespace tablirex::xlsx
