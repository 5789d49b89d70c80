// A CSV file as a dataset.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "tablirex/data.h"

namespace tablirex {

/// The records of a CSV file (RFC 4180: fields in double quotes may hold the
/// delimiter, line breaks and doubled quotes; lines end in CRLF or LF; UTF-8 with
/// or without a byte order mark). The first record names the fields.
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

  /// Opens a CSV file whose fields are separated by delimiter (',' by default; ';'
  /// and '\t' are common) and moves to its first record. Returns xlsOK, or xlsFail
  /// with GetErrorText() naming the file and, for a malformed file (a quote left
  /// open, a quote inside an unquoted field, text after a closing quote, a record
  /// whose field count differs from the header's), the line. A dataset opens once:
  /// use a new one for another file.
  std::int32_t Open(std::string_view fileName, char delimiter = ',');
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
