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
#include <string_view>
#include <utility>
#include <vector>

namespace tablirex {
namespace {

constexpr char kTempMark[] = ".~tlx";
constexpr char kTempEnd[] = ".tmp";
constexpr int kMaxLinks = 40;  // symbolic links followed before giving up

std::atomic<unsigned> gTempCounter{0};

std::string DirOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TAtomicFile::~TAtomicFile() { Abort(); }

bool TAtomicFile::Fail(std::string what, int err) {
  error_ = std::move(what);
  if (err != 0) error_.append(": ").append(std::strerror(err));
  return false;
}

bool TAtomicFile::Open(const std::string& path) {
  error_.clear();
  if (fd_ >= 0) return Fail("a save is already open", 0);
  if (path.empty()) return Fail("the file name is empty", 0);
  if (path.find('\0') != std::string::npos) return Fail("the file name contains a NUL character", 0);

  // The file the path names: a symbolic link is followed to the file it points
  // at, which is what gets the new content; the link itself stays.
  std::string target = path;
  struct stat st {};
  existed_ = false;
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
    target = (next.empty() || next[0] == '/') ? next : DirOf(target) + "/" + next;
  }
  if (existed_) {
    if (!S_ISREG(st.st_mode)) return Fail(target + " is not a regular file", 0);
    if ((st.st_mode & 0222) == 0) return Fail(target + " is read-only", 0);
    if (::access(target.c_str(), W_OK) != 0) return Fail("may not write " + target, errno);
    mode_ = st.st_mode & 07777;
    uid_ = st.st_uid;
    gid_ = st.st_gid;
    links_ = st.st_nlink;
  }

  const std::string dir = DirOf(target);
  const std::string base = BaseOf(target);
  CleanLeftovers(dir, base);
  // A unique name beside the target, so that the rename stays within one file
  // system and replaces the target in one step.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = dir + "/" + base + kTempMark + std::to_string(::getpid()) + "-" +
                       std::to_string(gTempCounter.fetch_add(1)) + kTempEnd;
    // A file that existed gets its own permission bits at Commit; until then the
    // temporary is private.
    const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, existed_ ? 0600 : 0666);
    if (fd >= 0) {
      fd_ = fd;
      target_ = std::move(target);
      temp_ = std::move(temp);
      dir_ = dir;
      return true;
    }
    if (errno != EEXIST) return Fail("cannot create a file in " + dir, errno);
  }
  return Fail("cannot create a temporary file in " + dir, EEXIST);
}

void TAtomicFile::CleanLeftovers(const std::string& dir, const std::string& base) const {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  const std::string prefix = base + kTempMark;
  const std::size_t endLen = sizeof kTempEnd - 1;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name(e->d_name);
    if (name.size() <= prefix.size() + endLen || name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - endLen) != kTempEnd)
      continue;
    // "<pid>-<n>": only a temporary whose process is gone is a leftover.
    const std::string_view rest = name.substr(prefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos) continue;
    long pid = 0;
    bool digits = true;
    for (const char c : rest.substr(0, dash)) {
      if (c < '0' || c > '9' || pid > 99999999) {
        digits = false;
        break;
      }
      pid = pid * 10 + (c - '0');
    }
    if (!digits || pid <= 0 || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    (void)::unlink((dir + "/" + std::string(name)).c_str());
  }
  ::closedir(d);
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
  if (ok && existed_) {
    // The owner first: changing it may clear the set-id bits that chmod restores.
    (void)::fchown(fd_, uid_, gid_);
    if (::fchmod(fd_, mode_) != 0) ok = Fail("cannot set the permissions of " + temp_, errno);
  }
  if (ok && existed_ && links_ > 1) {
    ok = CopyIntoTarget();
    ::close(fd_);
    fd_ = -1;
    (void)::unlink(temp_.c_str());
    temp_.clear();
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
  // The rename itself is durable only once the directory is on the disk.
  const int dirFd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    (void)::fsync(dirFd);
    ::close(dirFd);
  }
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
