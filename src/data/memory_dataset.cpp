// A dataset of records held in memory.
#include "tablirex/memory_dataset.h"

#include <memory>
#include <string>

#include "tablirex/result.h"

namespace tablirex {
namespace {

// A field of a memory dataset reads its dataset's current record.
class TMemoryField final : public TField {
 public:
  TMemoryField(const TMemoryDataSet& dataset, std::int32_t index, std::string_view name, TFieldType type,
               std::int32_t displayWidth)
      : TField(std::string(name), type, displayWidth), dataset_(dataset), index_(index) {}

  TVariant GetValue() const override { return dataset_.ValueAt(index_); }

 private:
  const TMemoryDataSet& dataset_;
  std::int32_t index_;
};

}  // namespace

TField* TMemoryDataSet::AddField(std::string_view name, TFieldType type, std::int32_t displayWidth) {
  if (!values_.empty()) return nullptr;
  return TDataSet::AddField(std::make_unique<TMemoryField>(*this, GetFieldCount(), name, type, displayWidth));
}

std::int32_t TMemoryDataSet::AppendRecord(std::vector<TVariant> values) {
  const auto n = static_cast<std::size_t>(GetFieldCount());
  if (n == 0) return Fail("the dataset has no fields: add the fields before the records");
  if (values.size() > n)
    return Fail("a record of " + std::to_string(values.size()) + " values for " + std::to_string(n) +
                " fields");
  values.resize(n);
  for (TVariant& v : values) values_.push_back(std::move(v));
  return xlsOK;
}

std::int64_t TMemoryDataSet::GetRecordCount() const noexcept {
  const auto n = static_cast<std::size_t>(GetFieldCount());
  return n == 0 ? 0 : static_cast<std::int64_t>(values_.size() / n);
}

void TMemoryDataSet::ClearRecords() noexcept {
  values_.clear();
  SetRecNo(-1);
  SetEof(true);
}

std::int32_t TMemoryDataSet::First() {
  ClearError();
  SetRecNo(0);
  SetEof(GetRecordCount() == 0);
  return xlsOK;
}

std::int32_t TMemoryDataSet::Next() {
  if (Eof()) return xlsOK;
  SetRecNo(GetRecNo() + 1);
  SetEof(GetRecNo() >= GetRecordCount());
  return xlsOK;
}

std::int32_t TMemoryDataSet::GotoBookmark(TBookmark bookmark) {
  if (bookmark < -1 || bookmark > GetRecordCount())
    return Fail("bookmark " + std::to_string(bookmark) + " names no record");
  SetRecNo(bookmark);
  SetEof(bookmark < 0 || bookmark >= GetRecordCount());
  return xlsOK;
}

const TVariant& TMemoryDataSet::ValueAt(std::int32_t index) const noexcept {
  static const TVariant kEmpty;
  const std::int64_t rec = GetRecNo();
  if (index < 0 || index >= GetFieldCount() || rec < 0 || rec >= GetRecordCount()) return kEmpty;
  return values_[static_cast<std::size_t>(rec) * static_cast<std::size_t>(GetFieldCount()) +
                 static_cast<std::size_t>(index)];
}

}  // namespace tablirex
