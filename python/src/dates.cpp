// Date formats of cells given Python dates.
#include "dates.h"

#include <string>

#include "convert.h"
#include "tablirex/range.h"
#include "tablirex/variant.h"

namespace tablirex::python {
namespace {

const std::string& FormatFor(const TBookHolder& b, std::int32_t kind) {
  const TBookHolder::TDateFormats& f = b.dateFormats;
  return kind == 1 ? f.date : kind == 3 ? f.time : f.datetime;
}

// A cell shows no number format of its own when it shows General (an empty text).
void FormatCell(IXLSRange& cell, const std::string& format) {
  const TVariant shown = cell.GetNumFormat();
  if (shown.IsString() && shown.AsString().empty()) cell.SetNumFormat(format);
}

}  // namespace

void TDateCells::Note(std::int32_t row, std::int32_t col, py::handle value) {
  if (const int kind = DateKind(value); kind != 0 && !IsMissing(value)) cells_.push_back({row, col, kind});
}

void TDateCells::Format(PyRange& target) const {
  IXLSRange& r = target.Get();
  for (const TCell& c : cells_) {
    const Ref<IXLSRange> cell = r.GetItem(static_cast<std::uint32_t>(c.row + 1), static_cast<std::uint16_t>(c.col + 1));
    if (cell) FormatCell(*cell, FormatFor(*target.b, c.kind));
  }
}

void FormatDateRange(PyRange& target, py::handle value) {
  const int kind = DateKind(value);
  if (kind == 0 || IsMissing(value)) return;
  IXLSRange& r = target.Get();
  const std::string& format = FormatFor(*target.b, kind);
  const std::int32_t rows = r.GetLastRow() - r.GetFirstRow() + 1, cols = r.GetLastCol() - r.GetFirstCol() + 1;
  if (rows == 1 && cols == 1) {
    FormatCell(r, format);
    return;
  }
  for (std::int32_t i = 1; i <= rows; ++i)
    for (std::int32_t j = 1; j <= cols; ++j)
      FormatCell(*r.GetItem(static_cast<std::uint16_t>(i), static_cast<std::uint8_t>(j)), format);
}

void BindDates(py::module_& m) {
  auto workbook = py::reinterpret_borrow<py::class_<PyWorkbook>>(m.attr("Workbook"));
  const auto prop = [&](const char* name, std::string TBookHolder::TDateFormats::*member, const char* doc) {
    workbook.def_property(
        name, [member](PyWorkbook& w) { return w.b->dateFormats.*member; },
        [member](PyWorkbook& w, const std::string& format) {
          if (format.empty()) Raise(PyExc_ValueError, "a date format cannot be empty");
          w.b->dateFormats.*member = format;
        },
        doc);
  };
  prop("date_format", &TBookHolder::TDateFormats::date,
       "The number format a cell without one gets with a datetime.date (\"yyyy-mm-dd\").");
  prop("datetime_format", &TBookHolder::TDateFormats::datetime,
       "The number format a cell without one gets with a datetime.datetime, pandas.Timestamp\n"
       "or numpy.datetime64 (\"yyyy-mm-dd hh:mm:ss\").");
  prop("time_format", &TBookHolder::TDateFormats::time,
       "The number format a cell without one gets with a datetime.time (\"hh:mm:ss\").");
}

}  // namespace tablirex::python
