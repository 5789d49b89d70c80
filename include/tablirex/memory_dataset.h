// A dataset whose records live in memory: define the fields, append records as
// rows of variants, and hand it to an exporter.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tablirex/data.h"
#include "tablirex/variant.h"

namespace tablirex {

/// Records held in memory, one TVariant per field and record. Fields are defined
/// first (AddField), then records appended (AppendRecord); the dataset starts
/// before its first record (call First). Values are returned as they were given,
/// so a field's data type code only tells the exporters how to format them.
class TMemoryDataSet : public TDataSet {
 public:
  TMemoryDataSet() = default;

  /// Adds a field of a data type code and a display width in characters (0:
  /// unknown). Returns the field (owned by the dataset), or nullptr once records
  /// have been appended.
  TField* AddField(std::string_view name, TFieldType type, std::int32_t displayWidth = 0);
  /// Appends a record: values[i] is the value of field i. A shorter row leaves the
  /// remaining fields empty (NULL). Returns xlsOK, or xlsFail with a message when
  /// the row has more values than there are fields, or there are no fields.
  std::int32_t AppendRecord(std::vector<TVariant> values);
  /// Number of records appended.
  std::int64_t GetRecordCount() const noexcept;
  /// Drops every record (the fields stay) and goes before the first record.
  void ClearRecords() noexcept;

  std::int32_t First() override;
  std::int32_t Next() override;
  /// Bookmarks are record numbers; one outside the records returns xlsFail and
  /// leaves the position as it was (-1 goes before the first record).
  std::int32_t GotoBookmark(TBookmark bookmark) override;

  /// The value of field index in the current record (empty outside a record).
  const TVariant& ValueAt(std::int32_t index) const noexcept;

 private:
  std::vector<TVariant> values_;  // records one after the other, GetFieldCount() values each
};

}  // namespace tablirex
