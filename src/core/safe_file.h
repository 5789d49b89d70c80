// Files replaced in one step: a save writes beside its target under a temporary
// name and renames over the target only once everything is on disk, so that a
// failed or killed save leaves the earlier file as it was. Used by the workbook
// file writer and by the HTML pages.
#pragma once

#include <string>
#include <string_view>

namespace tablirex {

/// Creates a new, empty file beside path under a temporary name that shows it
/// is ours ("<name>.tablirex-<process>-<n>.tmp" in path's directory) and opens
/// it for writing. Returns the descriptor and sets tempPath, or -1 (errno set).
int CreateTemporaryBeside(const std::string& path, std::string& tempPath);

/// As CreateTemporaryBeside, for a directory (created with mode 0777 less the
/// umask). Returns false (errno set) when it cannot be created.
bool CreateTemporaryDirectoryBeside(const std::string& path, std::string& tempPath);

/// True when name is a temporary name that CreateTemporaryBeside gave for a
/// target named base (both are file names without a directory).
bool IsTemporaryNameOf(std::string_view name, std::string_view base);

/// Removes what killed saves left beside path: files and directories with
/// temporary names of path whose process is gone. Errors are ignored.
void RemoveStaleTemporaries(const std::string& path);

/// Gives the open file fd the permission bits (and, where the process may, the
/// owner) of the existing file `like`; nothing when `like` does not exist.
void KeepAttributesOf(int fd, const std::string& like) noexcept;

/// Writes all bytes to fd, retrying after interruptions. False on failure.
bool WriteAllTo(int fd, const void* data, std::size_t size) noexcept;

/// Writes bytes to a new temporary file beside path, with the attributes of
/// any file at `like`, flushed to the disk and closed. Returns false (and
/// removes the temporary) when any step fails; sets tempPath on success.
bool WriteTemporaryBeside(const std::string& path, std::string_view bytes, const std::string& like,
                          std::string& tempPath);

/// Flushes a directory's entries (the renames done in it) to the disk.
void SyncDirectory(const std::string& directory) noexcept;
/// The directory part of a path ("." for a bare name).
std::string DirectoryOf(const std::string& path);

/// Test seam: the n-th file written through WriteTemporaryBeside from now on
/// (1 = the next one) fails as on a full disk; 0 turns the fault off.
void FailNthTemporaryWriteForTesting(int n) noexcept;

}  // namespace tablirex
