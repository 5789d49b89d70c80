// A SQLite query's result as a dataset (the tablirex_sqlite library, which links
// libsqlite3).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "tablirex/data.h"

namespace tablirex {

/// The data type code of a declared SQLite column type such as "INTEGER",
/// "varchar(40)" or "DECIMAL(12,2)" (case and blanks do not matter). Returns
/// ftUnknown for an empty declaration and for names neither the type table nor
/// SQLite's affinity rules place; the dataset types such columns from the first
/// row's value. docs/data_sources.md lists the table.
TFieldType SQLiteDeclaredType(std::string_view declaredType) noexcept;

/// The rows of one query on a SQLite database file, read one at a time as the
/// dataset moves: the result is never held in memory. Fields follow the query's
/// columns, typed by their declared types; values come as SQLite stores them,
/// with dates (ISO 8601 texts, Julian day numbers stored as REAL, Unix times
/// stored as INTEGER) as date serials, money as currency and booleans (0/1,
/// 'true'/'false') as booleans. A value that does not read as its column's type
/// comes as it is stored (text or number). NULL gives a null variant.
///
/// Moving backwards (First, or GotoBookmark to an earlier record) runs the query
/// again from its start. Failures return xlsFail with SQLite's own message in
/// GetErrorText().
class TSQLiteDataSet : public TDataSet {
 public:
  TSQLiteDataSet();
  ~TSQLiteDataSet() override;

  /// Opens the database file (read-only unless readOnly is false; a missing file
  /// is never created), prepares the query (one statement returning columns) and
  /// moves to its first record. Returns xlsOK, or xlsFail for a missing file, a
  /// file that is no database, bad SQL or a failing first step. A dataset opens
  /// once: use a new one for another query.
  std::int32_t Open(std::string_view fileName, std::string_view query, bool readOnly = true);
  /// Frees the statement and closes the database; fields then read as null.
  void Close() noexcept;
  bool IsOpen() const noexcept;

  std::int32_t First() override;
  std::int32_t Next() override;
  std::int32_t GotoBookmark(TBookmark bookmark) override;

 private:
  struct Impl;
  std::int32_t Step();
  std::int32_t Rewind();
  std::unique_ptr<Impl> impl_;
};

}  // namespace tablirex
