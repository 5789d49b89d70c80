// The exception raised when a text file of the HTML writer cannot be written.
#pragma once

#include <stdexcept>
#include <string>

namespace tablirex {

/// Raised by the HTML writer (IXLSWorksheet::SaveAsHTML, TXLSWorkbook::SaveAsHTML)
/// when a file cannot be created or written or a directory cannot be created.
/// The message names the path. The earlier pages and folder stay as they were.
class EFileError : public std::runtime_error {
 public:
  EFileError(const std::string& what, std::string path)
      : std::runtime_error(what + ": " + path), path_(std::move(path)) {}
  /// The file or directory that could not be written (UTF-8).
  const std::string& Path() const noexcept { return path_; }

 private:
  std::string path_;
};

}  // namespace tablirex
