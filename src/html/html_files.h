// File services of the HTML writer: the places of the pages of a saved
// workbook, directory creation and 8-bit text files written in one piece.
#pragma once

#include <string>
#include <string_view>

namespace tablirex {

/// Where a workbook of several sheets goes when saved to D/B.E: the main page is
/// the path given, the sheet pages and the tab strip live in the folder D/B.files.
struct THTMLPaths {
  std::string folder;          ///< D/B.files
  std::string relativeFolder;  ///< B.files, as the main page refers to it
};

/// The folder of a frameset saved to fileName (UTF-8). The extension is cut from
/// the last path component only ("a.b/book" gives "a.b/book.files"). Raises
/// EFileError when fileName names no file (empty, or ending in a separator).
THTMLPaths HTMLFolderOf(std::string_view fileName);

/// fileName inside folder: folder + "/" + fileName.
std::string HTMLPathIn(std::string_view folder, std::string_view fileName);

/// Creates the directory when DirExists says it is missing (one level: its
/// parent must exist). Raises EFileError when it cannot be created.
void ForceHTMLDirectory(const std::string& path);

/// Writes bytes to a new file (replacing any file of that name) and closes it.
/// Raises EFileError when the file cannot be created, written or closed.
void WriteHTMLFile(const std::string& path, std::string_view bytes);

}  // namespace tablirex
