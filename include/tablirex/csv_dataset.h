// A CSV file as a dataset.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tablirex/data.h"

namespace tablirex {

/// The text encodings a CSV file may be in.
enum class TCsvEncoding : std::uint8_t {
  Utf8,    // the default
  Cp1252,  // Windows western European
  Latin1,  // ISO 8859-1
  Utf16,   // little-endian unless a byte order mark says otherwise
};

/// An encoding by name, in any letter case: utf-8 (utf8), cp1252 (windows-1252),
/// latin-1 (latin1, iso-8859-1), utf-16 (utf16). False for any other name.
bool ParseCsvEncoding(std::string_view name, TCsvEncoding& encoding) noexcept;

/// How TCsvDataSet reads a file.
struct TCsvOptions {
  /// The field separator; 0 takes from the header line whichever of comma,
  /// semicolon and tab it holds most often outside quotes (a comma when none).
  char Delimiter = 0;
  /// The file's encoding. A byte order mark decides over it: EF BB BF is UTF-8,
  /// FF FE and FE FF UTF-16 (little- and big-endian).
  TCsvEncoding Encoding = TCsvEncoding::Utf8;
  /// Bytes the encoding does not allow fail the open, naming the line, instead of
  /// being read as U+FFFD with a warning (GetWarnings).
  bool Strict = false;
};

/// The records of a CSV file (RFC 4180: fields in double quotes may hold the
/// delimiter, line breaks and doubled quotes; lines end in CRLF or LF; UTF-8,
/// cp1252, latin-1 or UTF-16 text, see TCsvOptions). The first record names the
/// fields.
///
/// Opening reads the file once to check its form and to infer each column's type
/// over all its values: integer (ftInteger, or ftLargeint beyond 32 bits), real
/// (ftFloat), ISO date (ftDate), ISO date and time (ftDateTime), time of day
/// hh:mm[:ss] (ftTime), true/false (ftBoolean), else text (ftString). A column
/// mixing integers and reals is real, dates and date-times date-time, any other
/// mix text; integers written with a leading zero ("007") are codes and make the
/// column text. Empty fields are NULL and do not count; a column of NULLs only is
/// ftUnknown. Records are then read one at a time as the dataset moves; the file's
/// rows are never held in memory. Blank lines are skipped.
///
/// Display widths are the longest value of the column in characters (at least the
/// field name's length, at most 50).
class TCsvDataSet : public TDataSet {
 public:
  TCsvDataSet();
  ~TCsvDataSet() override;

  /// Opens a UTF-8 CSV file whose fields are separated by delimiter (',' by
  /// default; ';' and '\t' are common): Open(fileName, {delimiter}).
  std::int32_t Open(std::string_view fileName, char delimiter = ',');
  /// Opens a CSV file as the options say and moves to its first record. Returns
  /// xlsOK, or xlsFail with GetErrorText() naming the file and, for a malformed file
  /// (a quote left open, a quote inside an unquoted field, text after a closing
  /// quote, a record whose field count differs from the header's, in a strict open
  /// bytes the encoding does not allow), the line. A file in another encoding than
  /// UTF-8, or with invalid bytes, is read through a UTF-8 copy in a temporary file.
  /// A dataset opens once: use a new one for another file.
  std::int32_t Open(std::string_view fileName, const TCsvOptions& options);
  /// What the open had to replace, one UTF-8 line each: the lines holding bytes
  /// the encoding does not allow, read as U+FFFD ("CSV file 'a.csv', line 3: 2
  /// bytes invalid in UTF-8 read as U+FFFD"); the first 5 are listed, the rest
  /// summed up in one line. Empty for a clean file.
  const std::vector<std::string>& GetWarnings() const noexcept;
  /// The field separator in use (the one found when the options left it to the file).
  char GetDelimiter() const noexcept;
  /// Closes the file; fields then read as null.
  void Close() noexcept;
  bool IsOpen() const noexcept;
  /// The number of records (the header excluded), known once open.
  std::int64_t GetRecordCount() const noexcept;

  std::int32_t First() override;
  std::int32_t Next() override;
  std::int32_t GotoBookmark(TBookmark bookmark) override;

 private:
  struct Impl;
  std::int32_t ReadNext();
  std::unique_ptr<Impl> impl_;
};

}  // namespace tablirex
