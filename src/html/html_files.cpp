#include "html/html_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <system_error>

#if defined(__linux__)
#include <fcntl.h>  // renameat2
#endif

#include "core/atomic_file.h"
#include "tablirex/file_error.h"

namespace tablirex {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8Of(const fs::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

bool IsOurPage(const std::string& name) {
  if (name == "tabstrip.htm") return true;
  // The pictures' files: imageNNN.png, .jpg or .bmp.
  if (name.rfind("image", 0) == 0 && name.size() >= 12 &&
      (name.ends_with(".png") || name.ends_with(".jpg") || name.ends_with(".bmp"))) {
    for (std::size_t i = 5; i + 4 < name.size(); ++i)
      if (name[i] < '0' || name[i] > '9') return false;
    return true;
  }
  if (name.size() < 11 || name.rfind("Sheet", 0) != 0 || !name.ends_with(".htm")) return false;
  for (std::size_t i = 5; i + 4 < name.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

void RemoveTree(const std::string& path) {
  std::error_code ec;
  fs::remove_all(PathOf(path), ec);
}

// Swaps two directory entries in one step where the system can; otherwise the
// old one is renamed aside first. Afterwards `fresh` names what was at
// `target`. False (nothing changed) on failure.
bool ExchangeDirectories(const std::string& fresh, const std::string& target) {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
  if (::renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
#endif
  const std::string aside = TemporaryNameOf(target);
  if (std::rename(target.c_str(), aside.c_str()) != 0) return false;
  if (std::rename(fresh.c_str(), target.c_str()) != 0) {
    (void)std::rename(aside.c_str(), target.c_str());
    return false;
  }
  return std::rename(aside.c_str(), fresh.c_str()) == 0 || (RemoveTree(aside), true);
}

// Raises the failure of a page's save: the reason (a refusal of TAtomicFile, or
// errno of a failed write) and the file.
[[noreturn]] void RaiseWriteError(const TAtomicFile& file, int err, const std::string& path) {
  const std::string reason = file.Error().empty() ? std::strerror(err) : file.Error();
  throw EFileError("cannot write the file (" + reason + ")", path);
}

}  // namespace

void CheckHTMLFileName(std::string_view fileName) {
  if (fileName.find('\0') != std::string_view::npos)
    throw EFileError("a file name holds a NUL character", std::string(fileName.substr(0, fileName.find('\0'))));
  if (fileName.find_first_not_of(" \t\r\n") == std::string_view::npos)
    throw EFileError("no file name", std::string(fileName));
  if (!PathOf(fileName).has_filename() || PathOf(fileName).filename().string().find_first_not_of(' ') ==
                                              std::string::npos)
    throw EFileError("no file name", std::string(fileName));
}

THTMLPaths HTMLFolderOf(std::string_view fileName) {
  CheckHTMLFileName(fileName);
  const fs::path path = PathOf(fileName);
  // stem() keeps a leading dot (".htm" stays ".htm") and cuts only the last extension.
  const std::string base = Utf8Of(path.stem()) + ".files";
  THTMLPaths out;
  out.relativeFolder = base;
  out.folder = Utf8Of(path.parent_path() / PathOf(base));
  return out;
}

std::string HTMLPathIn(std::string_view folder, std::string_view fileName) {
  return Utf8Of(PathOf(folder) / PathOf(fileName));
}

THTMLSave::THTMLSave(std::string_view fileName, bool withFolder)
    : fileName_(fileName), withFolder_(withFolder) {
  CheckHTMLFileName(fileName);
  // The main page is checked (and its temporary created) before anything is written.
  if (!main_.Open(fileName_)) RaiseWriteError(main_, 0, fileName_);
  if (!withFolder_) return;
  paths_ = HTMLFolderOf(fileName);
  RemoveStaleTemporaries(paths_.folder);
  struct stat st {};
  if (::stat(paths_.folder.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) throw EFileError("cannot create the directory", paths_.folder);
    hadFolder_ = true;
  }
  if (!CreateTemporaryDirectoryBeside(paths_.folder, freshFolder_))
    throw EFileError("cannot create the directory", paths_.folder);
  if (hadFolder_) (void)::chmod(freshFolder_.c_str(), st.st_mode & 07777);
}

THTMLSave::~THTMLSave() {
  if (!freshFolder_.empty()) RemoveTree(freshFolder_);
}

void THTMLSave::AddPage(const std::string& name, std::string_view bytes) {
  const std::string shown = HTMLPathIn(paths_.folder, name);
  if (freshFolder_.empty()) throw EFileError("cannot write the file", shown);
  // The page goes into the fresh folder, with the attributes of the page it replaces.
  TAtomicFile page;
  if (!page.Open(HTMLPathIn(freshFolder_, name), shown)) RaiseWriteError(page, 0, shown);
  if (!page.Write(bytes.data(), bytes.size())) RaiseWriteError(page, errno, shown);
  if (!page.Commit()) RaiseWriteError(page, 0, shown);
}

void THTMLSave::Commit(std::string_view mainPage) {
  if (withFolder_ && freshFolder_.empty()) throw EFileError("cannot create the directory", paths_.folder);
  if (!main_.Write(mainPage.data(), mainPage.size())) {
    const int err = errno;
    main_.Abort();
    RaiseWriteError(main_, err, fileName_);
  }
  MoveIntoPlace();
}

void THTMLSave::MoveIntoPlace() {
  if (withFolder_) {
    const bool moved = hadFolder_ ? ExchangeDirectories(freshFolder_, paths_.folder)
                                  : std::rename(freshFolder_.c_str(), paths_.folder.c_str()) == 0;
    if (!moved) throw EFileError("cannot create the directory", paths_.folder);
    // freshFolder_ now names the earlier folder, or nothing.
    if (!hadFolder_) freshFolder_.clear();
  }
  if (!main_.Commit()) {
    if (withFolder_) {
      // The earlier folder goes back (or the new one away).
      if (hadFolder_) (void)ExchangeDirectories(freshFolder_, paths_.folder);
      else RemoveTree(paths_.folder);
    }
    RaiseWriteError(main_, 0, fileName_);
  }
  // The page's commit flushed the directory it was renamed in; the folder's
  // rename needs its own flush only when a symbolic link put the page elsewhere.
  if (withFolder_) {
    const std::string folderDir = DirectoryOf(paths_.folder);
    if (folderDir != DirectoryOf(main_.Target()) && !SyncDirectory(folderDir))
      throw EFileError("cannot flush the directory to disk", folderDir);
  }
  if (!withFolder_ || !hadFolder_) return;
  // Files of the earlier folder that are not our pages move on; the rest goes.
  std::error_code ec;
  const fs::path folder = PathOf(paths_.folder);
  for (fs::directory_iterator it(PathOf(freshFolder_), ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path name = it->path().filename();
    std::error_code ignored;
    if (!IsOurPage(Utf8Of(name)) && !fs::exists(folder / name, ignored)) fs::rename(it->path(), folder / name, ignored);
  }
  RemoveTree(freshFolder_);
  freshFolder_.clear();
}

}  // namespace tablirex
