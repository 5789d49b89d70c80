// Saving a file so that what was there is kept until the new content is complete.
#pragma once

#include <sys/types.h>

#include <string>

namespace tablirex {

/// One save of one file. Open finds the file the path names (following symbolic
/// links, so the link stays and its target gets the new content), refuses a name
/// with a NUL byte, a target that is not a regular file and a target that is
/// read-only (no write permission for this user, or no write bit at all), removes
/// what killed saves of the same file left behind, and creates a temporary file
/// beside the target, named "<name>.~tlx<process id>-<n>.tmp". The caller writes
/// the temporary through Fd(). Commit flushes it to the disk, gives it the
/// target's permission bits (and its owner where the process may), and renames it
/// over the target, then flushes the directory; a target with several hard links
/// gets the new content written into it instead, so that every name keeps seeing
/// it (the space is reserved first, so a full disk fails before the old content is
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
  bool Open(const std::string& path);
  /// The temporary's descriptor, -1 when none is open.
  int Fd() const noexcept { return fd_; }
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
  void CleanLeftovers(const std::string& dir, const std::string& base) const;

  int fd_ = -1;
  std::string target_;
  std::string temp_;
  std::string dir_;
  std::string error_;
  bool existed_ = false;
  mode_t mode_ = 0;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  nlink_t links_ = 0;
};

}  // namespace tablirex
