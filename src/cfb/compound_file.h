// Writer of compound documents (version 3: 512-byte sectors, 64-byte mini
// sectors) holding a main stream and a few added streams in the root storage.
// The save pipeline creates the document, creates its main stream, writes it in
// blocks, adds the small streams it knows whole and commits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/atomic_file.h"

namespace tablirex {

/// Largest stream the writer accepts, in bytes (the version 3 limit).
inline constexpr std::uint64_t kCfbMaxStreamSize = 0x80000000u;
/// Longest stream name, in UTF-16 code units (the terminator not counted).
inline constexpr std::size_t kCfbMaxNameLength = 31;

/// A stream known whole, written beside the main stream.
struct TCompoundStreamData {
  std::u16string name;
  std::vector<std::uint8_t> bytes;
};

/// One compound document being written to a file: at most one main stream,
/// written as it comes, and any number of added streams given whole. Streams
/// shorter than 4096 bytes live in the mini stream, as the format requires.
///
/// The document is written to a temporary file beside the target (TAtomicFile:
/// links followed, read-only targets refused, permissions kept): the stream's
/// bytes go there as they come (through a write buffer), since they are laid
/// out first and contiguously, and Commit adds the tables that depend on the
/// final size and the header. Only when every step succeeded does the temporary
/// take the target's place. A failed save, Abort, or destruction without
/// Commit removes the temporary and leaves whatever file was at the target
/// untouched.
///
/// Every operation returns xlsOK (1) or xlsFail (-1). Not thread-safe.
class TCompoundFile {
 public:
  TCompoundFile() = default;
  ~TCompoundFile();
  TCompoundFile(const TCompoundFile&) = delete;
  TCompoundFile& operator=(const TCompoundFile&) = delete;

  /// Starts a new document to be saved at path (UTF-8, as the file system
  /// takes it). Creates the temporary file in the target's directory at once,
  /// so a missing directory, a read-only place or target, a target that is not
  /// a regular file and a name with a NUL byte fail here. Fails when a
  /// document is already open.
  std::int32_t Create(const std::string& path);

  /// Creates the document's main stream. The name is 1 to 31 UTF-16 code
  /// units without '/', '\\', ':' or '!'. Fails before Create, for a second
  /// main stream, for an invalid name or one an added stream has.
  std::int32_t CreateStream(std::u16string_view name);

  /// Adds a stream given whole, written at Commit. The name follows the rules of
  /// CreateStream and differs from every other stream's (letter case ignored,
  /// as the format compares names). Fails before Create or for a name that is
  /// invalid or taken, with the reason in Error().
  std::int32_t AddStream(std::u16string_view name, std::vector<std::uint8_t> bytes);

  /// Appends n bytes to the stream. Fails without a stream, when writing to
  /// the temporary file fails, or when the stream would grow past
  /// kCfbMaxStreamSize; after a failure the document cannot be committed.
  std::int32_t Write(const std::uint8_t* data, std::size_t n);

  /// Writes the whole document and replaces the target with it. Without a
  /// stream the document holds only its root storage. After Commit, success
  /// or not, the object is closed and may Create again.
  std::int32_t Commit();

  /// Drops the document: removes the temporary file; the target is untouched.
  /// Harmless when nothing is open.
  void Abort() noexcept;

  /// Why the last operation failed, for messages.
  const std::string& Error() const noexcept { return error_; }

  /// Bytes written to the stream so far.
  std::uint64_t StreamSize() const noexcept { return size_; }

  /// The bytes of a whole document whose main stream is named name and holds
  /// stream, with the added streams; empty when a name is invalid or taken, or
  /// a stream too large.
  static std::vector<std::uint8_t> Build(std::u16string_view name, std::span<const std::uint8_t> stream,
                                         const std::vector<TCompoundStreamData>& added = {});

 private:
  bool Flush() noexcept;
  void WriteFailed() noexcept;
  void Reset() noexcept;

  TAtomicFile file_;
  std::string error_;
  int fd_ = -1;
  bool hasStream_ = false;
  bool failed_ = false;
  std::u16string name_;
  std::vector<TCompoundStreamData> added_;
  std::unique_ptr<std::uint8_t[]> buffer_;  // kept across documents
  std::size_t buffered_ = 0;
  std::uint64_t size_ = 0;
};

}  // namespace tablirex
