#include "core/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace tablirex {
namespace {

constexpr std::string_view kTempMark = ".~tlx";
constexpr std::string_view kTempEnd = ".tmp";
constexpr int kMaxLinks = 40;  // symbolic links followed before giving up

std::atomic<unsigned> gTempCounter{0};
std::atomic<int> gFailNth{0};

std::string BaseOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process number in a temporary name that TemporaryNameOf gave for a file
// named base ("<base>.~tlx<pid>-<n>.tmp"), or 0 for any other name.
long ProcessOfTemporary(std::string_view name, std::string_view base) {
  if (name.size() <= base.size() + kTempMark.size() + kTempEnd.size() || !name.starts_with(base) ||
      name.substr(base.size(), kTempMark.size()) != kTempMark || !name.ends_with(kTempEnd))
    return 0;
  name.remove_prefix(base.size() + kTempMark.size());
  name.remove_suffix(kTempEnd.size());
  const std::size_t dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size()) return 0;
  long pid = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') {
      if (i != dash) return 0;
    } else if (i < dash) {
      if (pid > 1L << 30) return 0;
      pid = pid * 10 + (name[i] - '0');
    }
  }
  return pid;
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TemporaryNameOf(const std::string& path) {
  std::string name = path;
  name.append(kTempMark).append(std::to_string(::getpid())).append("-");
  name.append(std::to_string(gTempCounter.fetch_add(1))).append(kTempEnd);
  return name;
}

bool CreateTemporaryDirectoryBeside(const std::string& path, std::string& tempPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = TemporaryNameOf(path);
    if (::mkdir(temp.c_str(), 0777) == 0) {
      tempPath = std::move(temp);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

void RemoveStaleTemporaries(const std::string& path) {
  const std::string dir = DirectoryOf(path);
  const std::string base = BaseOf(path);
  if (base.empty()) return;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(d)) {
    const long pid = ProcessOfTemporary(e->d_name, base);
    if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      stale.emplace_back(e->d_name);
  }
  ::closedir(d);
  for (const std::string& name : stale) {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(dir) / name, ec);
  }
}

bool SyncDirectory(const std::string& directory) noexcept {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
  const int err = errno;
  ::close(fd);
  errno = err;
  return synced;
}

void FailNthTemporaryWriteForTesting(int n) noexcept { gFailNth.store(n < 0 ? 0 : n); }

TAtomicFile::~TAtomicFile() { Abort(); }

bool TAtomicFile::Fail(std::string what, int err) {
  error_ = std::move(what);
  if (err != 0) error_.append(": ").append(std::strerror(err));
  return false;
}

bool TAtomicFile::Open(const std::string& path, const std::string& like) {
  error_.clear();
  if (fd_ >= 0) return Fail("a save is already open", 0);
  if (path.empty()) return Fail("the file name is empty", 0);
  if (path.find('\0') != std::string::npos) return Fail("the file name contains a NUL character", 0);

  // The file the path names: a symbolic link is followed to the file it points
  // at, which is what gets the new content; the link itself stays.
  std::string target = path;
  struct stat st {};
  existed_ = keepAttrs_ = false;
  for (int hops = 0;; ++hops) {
    if (::lstat(target.c_str(), &st) != 0) {
      if (errno != ENOENT) return Fail("cannot inspect " + target, errno);
      break;
    }
    if (!S_ISLNK(st.st_mode)) {
      existed_ = true;
      break;
    }
    if (hops == kMaxLinks) return Fail("too many symbolic links in " + path, 0);
    std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(target.c_str(), buf.data(), buf.size());
    if (n < 0) return Fail("cannot read the link " + target, errno);
    std::string next(buf.data(), static_cast<std::size_t>(n));
    target = (next.empty() || next[0] == '/') ? next : DirectoryOf(target) + "/" + next;
  }
  if (existed_) {
    if (!S_ISREG(st.st_mode)) return Fail(target + " is not a regular file", 0);
    if ((st.st_mode & 0222) == 0) return Fail(target + " is read-only", 0);
    if (::access(target.c_str(), W_OK) != 0) return Fail("may not write " + target, errno);
    links_ = st.st_nlink;
    keepAttrs_ = true;
  } else if (!like.empty() && ::stat(like.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    keepAttrs_ = true;
  }
  if (keepAttrs_) {
    mode_ = st.st_mode & 07777;
    uid_ = st.st_uid;
    gid_ = st.st_gid;
  }

  RemoveStaleTemporaries(target);
  // A unique name beside the target, so that the rename stays within one file
  // system and replaces the target in one step.
  const std::string dir = DirectoryOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = TemporaryNameOf(target);
    // A new file that takes kept permission bits gets them at Commit; until then
    // the temporary is private.
    const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, keepAttrs_ ? 0600 : 0666);
    if (fd >= 0) {
      fd_ = fd;
      target_ = std::move(target);
      temp_ = std::move(temp);
      dir_ = dir;
      const int nth = gFailNth.load();
      failWrites_ = nth == 1;
      if (nth > 0) gFailNth.store(nth - 1);
      return true;
    }
    if (errno != EEXIST) return Fail("cannot create a file in " + dir, errno);
  }
  return Fail("cannot create a temporary file in " + dir, EEXIST);
}

bool TAtomicFile::Write(const void* data, std::size_t size) noexcept {
  const auto* p = static_cast<const char*>(data);
  if (failWrites_) {
    // The test seam: part of the bytes, then the disk is full.
    failWrites_ = false;
    if (!Write(p, size / 2)) return false;
    errno = ENOSPC;
    return false;
  }
  while (size > 0) {
    const ssize_t w = ::write(fd_, p, size);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    size -= static_cast<std::size_t>(w);
  }
  return true;
}

bool TAtomicFile::CopyIntoTarget() {
  // Every hard link sees the new content only if it goes into the same file.
  const off_t size = ::lseek(fd_, 0, SEEK_END);
  if (size < 0) return Fail("cannot read back " + temp_, errno);
  const int out = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
  if (out < 0) return Fail("cannot open " + target_, errno);
  // Reserve the space first: a full disk then fails before anything is overwritten.
  const int reserved = ::posix_fallocate(out, 0, size);
  if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
    ::close(out);
    return Fail("no room for " + target_, reserved);
  }
  std::vector<char> buf(1 << 16);
  bool ok = true;
  for (off_t at = 0; ok && at < size;) {
    const ssize_t n = ::pread(fd_, buf.data(), buf.size(), at);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      ok = false;
      break;
    }
    ok = ::pwrite(out, buf.data(), static_cast<std::size_t>(n), at) == n;
    at += n;
  }
  const int err = errno;
  ok = ok && ::ftruncate(out, size) == 0 && ::fsync(out) == 0;
  ok = (::close(out) == 0) && ok;
  if (!ok) return Fail("cannot write " + target_, err);
  return true;
}

bool TAtomicFile::Commit() {
  error_.clear();
  if (fd_ < 0) return Fail("no save is open", 0);
  bool ok = true;
  if (::fsync(fd_) != 0) ok = Fail("cannot flush " + temp_, errno);
  if (ok && keepAttrs_) {
    // The owner first: changing it may clear the set-id bits that chmod restores.
    // Only a privileged process may give a file away (EPERM otherwise): the owner
    // is kept where the process may.
    if (::fchown(fd_, uid_, gid_) != 0 && errno != EPERM)
      ok = Fail("cannot keep the owner of " + target_, errno);
    else if (::fchmod(fd_, mode_) != 0)
      ok = Fail("cannot set the permissions of " + temp_, errno);
  }
  if (ok && existed_ && links_ > 1) {
    ok = CopyIntoTarget();
    Abort();  // the temporary has served
    return ok;
  }
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0 && ok) ok = Fail("cannot write " + temp_, errno);
  if (ok && std::rename(temp_.c_str(), target_.c_str()) != 0) ok = Fail("cannot replace " + target_, errno);
  if (!ok) {
    (void)::unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  temp_.clear();
  // The rename itself is durable only once the directory is on the disk: a save
  // that cannot say so is not reported as done.
  if (!SyncDirectory(dir_))
    return Fail("the file is written but its folder cannot be flushed to disk: " + dir_, errno);
  return true;
}

void TAtomicFile::Abort() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
    (void)::unlink(temp_.c_str());
  }
  temp_.clear();
}

}  // namespace tablirex
