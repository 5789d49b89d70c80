// Dates that look like dates: a cell given a Python date, date-time or time value
// without a number format of its own shows it through the workbook's date format.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <vector>

#include "object_model.h"

namespace tablirex::python {

/// The date cells a value set writes, by their zero-based offsets in the range.
class TDateCells {
 public:
  /// Notes the cell at (row, col) when value is a date, date-time or time.
  void Note(std::int32_t row, std::int32_t col, py::handle value);
  bool Empty() const noexcept { return cells_.empty(); }
  /// Gives each noted cell of target that shows no number format (General) the
  /// workbook's format for its kind of value; a cell that has a format keeps it.
  void Format(PyRange& target) const;

 private:
  struct TCell {
    std::int32_t row, col, kind;
  };
  std::vector<TCell> cells_;
};

/// Every cell of target took value: when it is a date, date-time or time, the
/// cells showing no number format get the workbook's format for it.
void FormatDateRange(PyRange& target, py::handle value);

/// Workbook.date_format, datetime_format and time_format.
void BindDates(py::module_& m);

}  // namespace tablirex::python
