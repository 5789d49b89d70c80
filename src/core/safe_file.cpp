#include "core/safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tablirex {
namespace {

constexpr std::string_view kTag = ".tablirex-";
constexpr std::string_view kSuffix = ".tmp";

std::atomic<unsigned> gCounter{0};
std::atomic<int> gFailAfter{0};

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string NextTemporaryName(const std::string& path) {
  return path + std::string(kTag) + std::to_string(::getpid()) + "-" + std::to_string(gCounter.fetch_add(1)) +
         std::string(kSuffix);
}

// The process number inside a temporary name of base, or 0.
long ProcessOf(std::string_view name, std::string_view base) {
  if (!IsTemporaryNameOf(name, base)) return 0;
  name.remove_prefix(base.size() + kTag.size());
  long pid = 0;
  for (const char c : name) {
    if (c < '0' || c > '9') break;
    pid = pid * 10 + (c - '0');
    if (pid > 1L << 30) return 0;
  }
  return pid;
}

}  // namespace

int CreateTemporaryBeside(const std::string& path, std::string& tempPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = NextTemporaryName(path);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      tempPath = std::move(temp);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

bool CreateTemporaryDirectoryBeside(const std::string& path, std::string& tempPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = NextTemporaryName(path);
    if (::mkdir(temp.c_str(), 0777) == 0) {
      tempPath = std::move(temp);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool IsTemporaryNameOf(std::string_view name, std::string_view base) {
  if (name.size() <= base.size() + kTag.size() + kSuffix.size()) return false;
  if (name.substr(0, base.size()) != base || name.substr(base.size(), kTag.size()) != kTag) return false;
  if (!name.ends_with(kSuffix)) return false;
  // "<pid>-<n>" between the tag and the suffix.
  const std::string_view middle = name.substr(base.size() + kTag.size(),
                                              name.size() - base.size() - kTag.size() - kSuffix.size());
  const std::size_t dash = middle.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == middle.size()) return false;
  for (std::size_t i = 0; i < middle.size(); ++i)
    if (i != dash && (middle[i] < '0' || middle[i] > '9')) return false;
  return true;
}

void RemoveStaleTemporaries(const std::string& path) {
  const std::string base = NameOf(path);
  if (base.empty()) return;
  DIR* dir = ::opendir(DirectoryOf(path).c_str());
  if (!dir) return;
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(dir)) {
    const long pid = ProcessOf(e->d_name, base);
    // Another save of the same file may be running: only a dead process's leftovers go.
    if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      stale.emplace_back(e->d_name);
  }
  ::closedir(dir);
  for (const std::string& name : stale) {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(DirectoryOf(path)) / name, ec);
  }
}

void KeepAttributesOf(int fd, const std::string& like) noexcept {
  struct stat st {};
  if (::stat(like.c_str(), &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))) return;
  (void)::fchmod(fd, st.st_mode & 07777);
  if (::geteuid() == 0 && ::fchown(fd, st.st_uid, st.st_gid) == 0) (void)::fchmod(fd, st.st_mode & 07777);
}

bool WriteAllTo(int fd, const void* data, std::size_t size) noexcept {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t w = ::write(fd, p, size);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    size -= static_cast<std::size_t>(w);
  }
  return true;
}

bool WriteTemporaryBeside(const std::string& path, std::string_view bytes, const std::string& like,
                          std::string& tempPath) {
  std::string temp;
  const int fd = CreateTemporaryBeside(path, temp);
  if (fd < 0) return false;
  bool ok = true;
  // The seam counts down to the file that is to fail; the failure comes after
  // part of the bytes, as a full disk would have it.
  if (const int n = gFailAfter.load(); n > 0) {
    gFailAfter.store(n - 1);
    if (n == 1) {
      (void)WriteAllTo(fd, bytes.data(), bytes.size() / 2);
      ok = false;
      errno = ENOSPC;
    }
  }
  ok = ok && WriteAllTo(fd, bytes.data(), bytes.size());
  if (ok) KeepAttributesOf(fd, like);
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok) {
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return false;
  }
  tempPath = std::move(temp);
  return true;
}

void SyncDirectory(const std::string& directory) noexcept {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void FailNthTemporaryWriteForTesting(int n) noexcept { gFailAfter.store(n < 0 ? 0 : n); }

}  // namespace tablirex
