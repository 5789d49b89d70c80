// A dataset over Python data, for the exporters: columns held by numpy arrays or
// lists (a DataFrame), or rows pulled one at a time from an iterator (a DB-API
// cursor, a list of dicts). Values are read while the exporter runs, with the GIL
// held; a Python error while reading stops the export at the next record and is
// raised when the export returns.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tablirex/data.h"

namespace tablirex::python {

namespace py = pybind11;

class TPyDataSet final : public TDataSet {
 public:
  /// How a column stores its values.
  enum class TStorage { Float, Int, Bool, DateTimeNs, Object, Category };

  TPyDataSet() = default;

  /// Columnar: one entry per field; `data` is a one-dimensional numpy array
  /// (float64, int64, bool, int64 nanoseconds since 1970 with NaT as the smallest
  /// int64), a sequence of Python values, or for categories an int64 array of
  /// codes (-1 missing) with the categories' values in `categories`.
  void AddColumn(std::string name, TFieldType type, TStorage storage, py::object data,
                 py::object categories, std::int32_t displayWidth);
  void SetRowCount(std::int64_t rows) noexcept { rows_ = rows; }

  /// Row-wise: rows are sequences with one value per field, in field order, pulled
  /// from iterator; fields are added with AddRowField first.
  void AddRowField(std::string name, TFieldType type, std::int32_t displayWidth);
  void SetRowSource(py::object iterator) { iterator_ = std::move(iterator); }
  /// Reads rows ahead until every field of unknown type has a value or `limit`
  /// rows are buffered, and gives those fields the type their first value implies.
  void InferRowTypes(std::size_t limit);

  std::int32_t First() override;
  std::int32_t Next() override;
  std::int32_t GotoBookmark(TBookmark bookmark) override;

  /// The value of field `index` in the current record.
  TVariant ValueAt(std::int32_t index);
  /// Stops the export at the next record and keeps the error (the first one wins).
  void Abort(py::error_already_set& error);
  /// Raises the kept error, if any, and forgets it.
  void RaisePending();
  bool Aborted() const noexcept { return pending_ != nullptr; }
  std::int64_t RowCount() const noexcept { return rows_; }

  /// The data type code a Python value implies (ftUnknown for None).
  static TFieldType TypeOfValue(py::handle value);

 private:
  struct TColumn {
    TStorage storage = TStorage::Object;
    py::object keep;              // the array or sequence the pointers below read
    const void* data = nullptr;   // numpy buffer (numeric storages and codes)
    py::sequence objects;         // Object storage
    std::vector<TVariant> categories;
  };
  bool Columnar() const noexcept { return !columns_.empty(); }
  std::int32_t FetchRow();
  TVariant ConvertAt(std::int32_t index, py::handle value);

  std::vector<TColumn> columns_;
  std::int64_t rows_ = 0;
  py::object iterator_;
  py::object row_;                // the current row (row-wise)
  std::deque<py::object> ahead_;  // rows read by InferRowTypes, not yet current
  bool started_ = false;
  std::unique_ptr<py::error_already_set> pending_;
};

void BindDataSet(py::module_& m);

}  // namespace tablirex::python
