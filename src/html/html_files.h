// File services of the HTML writer: the places of the pages of a saved
// workbook, and a save that puts every page in place in one step.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/atomic_file.h"

namespace tablirex {

/// Where a workbook of several sheets goes when saved to D/B.E: the main page is
/// the path given, the sheet pages and the tab strip live in the folder D/B.files.
struct THTMLPaths {
  std::string folder;          ///< D/B.files
  std::string relativeFolder;  ///< B.files, as the main page refers to it
};

/// The folder of a frameset saved to fileName (UTF-8). The extension is cut from
/// the last path component only ("a.b/book" gives "a.b/book.files"). Raises
/// EFileError when fileName names no file (see CheckHTMLFileName).
THTMLPaths HTMLFolderOf(std::string_view fileName);

/// fileName inside folder: folder + "/" + fileName.
std::string HTMLPathIn(std::string_view folder, std::string_view fileName);

/// Raises EFileError unless fileName names a file: not empty or blanks only,
/// no NUL character, not ending in a separator.
void CheckHTMLFileName(std::string_view fileName);

/// One save of HTML pages, done so that a failure changes nothing: the main
/// page (and, for a frameset, the folder with its pages) are written beside
/// their targets under temporary names, flushed to the disk, and moved into
/// place by Commit only when everything is written. Each page is saved through
/// TAtomicFile, as the workbook file is: a main page that is read-only or that
/// the user may not write is refused before anything is written, a symbolic
/// link as the main page is written through to the file it names, a page that
/// replaces an existing one keeps its permission bits and owner, and what
/// killed saves left is removed. Files of the earlier folder that are not pages
/// of ours (the tab strip, SheetNNN.htm) move into the new one. Each step raises
/// EFileError naming the file or folder that could not be written; the earlier
/// page and folder are then as they were, and the temporaries go when the
/// object is destroyed.
class THTMLSave {
 public:
  /// Starts a save of fileName; withFolder: a frameset, whose folder (see
  /// HTMLFolderOf) is written too.
  THTMLSave(std::string_view fileName, bool withFolder);
  ~THTMLSave();
  THTMLSave(const THTMLSave&) = delete;
  THTMLSave& operator=(const THTMLSave&) = delete;

  /// The folder's places (empty without a folder).
  const THTMLPaths& Paths() const noexcept { return paths_; }
  /// Writes a page of the folder.
  void AddPage(const std::string& name, std::string_view bytes);
  /// Writes the main page and moves everything into place.
  void Commit(std::string_view mainPage);

 private:
  void MoveIntoPlace();

  std::string fileName_;
  TAtomicFile main_;  // the main page, open from the start
  THTMLPaths paths_;
  bool withFolder_;
  bool hadFolder_ = false;
  std::string freshFolder_;  // the new folder while it is written
};

}  // namespace tablirex
