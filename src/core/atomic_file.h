// Saving files so that what was there is kept until the new content is
// complete: every save (the workbook file, the HTML pages and their folder)
// writes beside its target under a temporary name and puts it in place in one
// step only once everything is on the disk.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace tablirex {

/// One save of one file. Open finds the file the path names (following symbolic
/// links, so the link stays and its target gets the new content), refuses a name
/// with a NUL byte, a target that is not a regular file and a target that is
/// read-only (no write permission for this user, or no write bit at all), removes
/// what killed saves of the same file left behind, and creates a temporary file
/// beside the target (see TemporaryNameOf). The caller writes the temporary
/// through Write (or Fd()). Commit flushes it to the disk, gives it the target's
/// permission bits (and its owner where the process may), and renames it over
/// the target, then flushes the directory; a target with several hard links gets
/// the new content written into it instead, so that every name keeps seeing it
/// (the space is reserved first, so a full disk fails before the old content is
/// touched). Abort, a failed Commit and destruction without Commit remove the
/// temporary and leave the target as it was. Not thread-safe.
class TAtomicFile {
 public:
  TAtomicFile() = default;
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  /// Starts the save of path. False, with Error() set, when it is refused or the
  /// temporary cannot be created; false as well when a save is already open.
  /// When path names no file yet, the new file takes the permission bits and
  /// owner of the regular file `like` (if any), as a page rewritten into a fresh
  /// folder keeps those of the page it replaces.
  bool Open(const std::string& path, const std::string& like = {});
  /// The temporary's descriptor, -1 when none is open.
  int Fd() const noexcept { return fd_; }
  /// Writes all of data at the temporary's current offset, retrying after
  /// interruptions. False (errno set) on failure.
  bool Write(const void* data, std::size_t size) noexcept;
  /// Puts the temporary in the target's place. False, with Error() set, on failure;
  /// the object is closed afterwards either way.
  bool Commit();
  /// Removes the temporary; harmless when nothing is open.
  void Abort() noexcept;
  /// Why the last Open or Commit failed.
  const std::string& Error() const noexcept { return error_; }
  /// The file that receives the content (the path with symbolic links followed).
  const std::string& Target() const noexcept { return target_; }

 private:
  bool Fail(std::string what, int err);
  bool CopyIntoTarget();

  int fd_ = -1;
  std::string target_;
  std::string temp_;
  std::string dir_;
  std::string error_;
  bool existed_ = false;    // the target was there: hard links matter
  bool keepAttrs_ = false;  // mode_, uid_ and gid_ go to the new file
  bool failWrites_ = false;  // chosen by FailNthTemporaryWriteForTesting
  mode_t mode_ = 0;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  nlink_t links_ = 0;
};

/// A fresh temporary name beside path: "<path>.~tlx<process id>-<n>.tmp". Every
/// temporary file and directory of a save is named so, which is how the next
/// save recognises what a killed one left behind.
std::string TemporaryNameOf(const std::string& path);

/// Creates a directory beside path under a temporary name (mode 0777 less the
/// umask) and sets tempPath. False (errno set) when it cannot be created.
bool CreateTemporaryDirectoryBeside(const std::string& path, std::string& tempPath);

/// Removes what killed saves left beside path: files and directories with
/// temporary names of path whose process is gone (another save of the same file
/// may still be running). Errors are ignored.
void RemoveStaleTemporaries(const std::string& path);

/// Flushes a directory's entries (the renames done in it) to the disk. Returns
/// false (errno set) when the directory cannot be opened or flushed; a file system
/// that cannot flush directories at all (EINVAL) counts as flushed.
bool SyncDirectory(const std::string& directory) noexcept;
/// The directory part of a path ("." for a bare name).
std::string DirectoryOf(const std::string& path);

/// Test seam: the n-th temporary file opened by TAtomicFile from now on (1 = the
/// next one) fails its first write halfway, as on a full disk; 0 turns the fault
/// off.
void FailNthTemporaryWriteForTesting(int n) noexcept;

}  // namespace tablirex
