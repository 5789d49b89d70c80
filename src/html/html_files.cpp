#include "html/html_files.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tablirex/addressing.h"
#include "tablirex/file_error.h"

namespace tablirex {
namespace {

std::filesystem::path PathOf(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

}  // namespace

THTMLPaths HTMLFolderOf(std::string_view fileName) {
  const std::filesystem::path path = PathOf(fileName);
  if (fileName.empty() || !path.has_filename()) throw EFileError("no file name", std::string(fileName));
  // stem() keeps a leading dot ("".htm" stays ".htm") and cuts only the last extension.
  const std::string base = Utf8Of(path.stem()) + ".files";
  THTMLPaths out;
  out.relativeFolder = base;
  out.folder = Utf8Of(path.parent_path() / PathOf(base));
  return out;
}

std::string HTMLPathIn(std::string_view folder, std::string_view fileName) {
  return Utf8Of(PathOf(folder) / PathOf(fileName));
}

void ForceHTMLDirectory(const std::string& path) {
  if (DirExists(path)) return;
  std::error_code ec;
  if (!std::filesystem::create_directory(PathOf(path), ec) || ec)
    throw EFileError("cannot create the directory", path);
}

void WriteHTMLFile(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(Utf8Of(PathOf(path)).c_str(), "wb");
  if (!f) throw EFileError("cannot create the file", path);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) throw EFileError("cannot write the file", path);
}

}  // namespace tablirex
