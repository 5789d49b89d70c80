// The dataset over Python data.
#include "py_dataset.h"

#include <cmath>
#include <limits>

#include "convert.h"
#include "tablirex/result.h"

namespace tablirex::python {

namespace {

/// A field whose value the dataset reads from its current record.
class TPyField final : public TField {
 public:
  TPyField(std::string name, TFieldType type, std::int32_t width, TPyDataSet& owner, std::int32_t index)
      : TField(std::move(name), type, width), owner_(owner), index_(index) {}
  TVariant GetValue() const override { return owner_.ValueAt(index_); }
  void SetType(TFieldType type) noexcept { SetDataType(type); }

 private:
  TPyDataSet& owner_;
  std::int32_t index_;
};

// Days between 1899-12-30 (serial 0) and 1970-01-01.
constexpr double kUnixEpochSerial = 25569.0;
constexpr std::int64_t kNsPerDay = 86400LL * 1000000000LL;

double SerialOfNanoseconds(std::int64_t ns) {
  std::int64_t days = ns / kNsPerDay;
  std::int64_t rest = ns % kNsPerDay;
  if (rest < 0) {
    rest += kNsPerDay;
    --days;
  }
  // Whole milliseconds, as the cells keep them.
  const std::int64_t ms = (rest + 500000) / 1000000;
  return kUnixEpochSerial + static_cast<double>(days) + static_cast<double>(ms) / 86400000.0;
}

const char* StorageName(TPyDataSet::TStorage s) {
  switch (s) {
    case TPyDataSet::TStorage::Float: return "float";
    case TPyDataSet::TStorage::Int: return "int";
    case TPyDataSet::TStorage::Bool: return "bool";
    case TPyDataSet::TStorage::DateTimeNs: return "datetime_ns";
    case TPyDataSet::TStorage::Object: return "object";
    case TPyDataSet::TStorage::Category: return "category";
  }
  return "?";
}

TPyDataSet::TStorage StorageOf(const std::string& name) {
  for (auto s : {TPyDataSet::TStorage::Float, TPyDataSet::TStorage::Int, TPyDataSet::TStorage::Bool,
                 TPyDataSet::TStorage::DateTimeNs, TPyDataSet::TStorage::Object,
                 TPyDataSet::TStorage::Category})
    if (name == StorageName(s)) return s;
  Raise(PyExc_ValueError, "unknown column storage \"" + name + "\"");
}

// data as a 1-D numpy array of T (converted when it is of another type), with
// buffer pointing at its first element.
template <class T>
py::object NumpyColumn(py::handle data, const char* message, const void*& buffer) {
  auto a = py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(data);
  if (!a || a.ndim() != 1) Raise(PyExc_TypeError, message);
  buffer = a.data();
  return a;
}

}  // namespace

TFieldType TPyDataSet::TypeOfValue(py::handle value) {
  PyObject* o = value.ptr();
  if (o == Py_None || IsMissing(value)) return ftUnknown;
  if (PyBool_Check(o)) return ftBoolean;
  if (PyLong_Check(o)) return ftLargeint;
  if (PyFloat_Check(o)) return ftFloat;
  if (PyUnicode_Check(o)) return ftString;
  if (PyBytes_Check(o) || PyByteArray_Check(o) || PyMemoryView_Check(o)) return ftBlob;
  switch (DateKind(value)) {
    case 1: return ftDate;
    case 2: return ftDateTime;
    case 3: return ftTime;
    default: break;
  }
  const std::string type = py::str(py::type::handle_of(value).attr("__name__"));
  if (type == "Decimal") return ftBCD;
  if (type == "bool_") return ftBoolean;
  if (type.rfind("int", 0) == 0 || type.rfind("uint", 0) == 0) return ftLargeint;
  if (type.rfind("float", 0) == 0) return ftFloat;
  return ftUnknown;
}

void TPyDataSet::AddColumn(std::string name, TFieldType type, TStorage storage, py::object data,
                           py::object categories, std::int32_t displayWidth) {
  TColumn c;
  c.storage = storage;
  switch (storage) {
    case TStorage::Float: {
      c.keep = NumpyColumn<double>(data, "a float column needs a 1-D float64 array", c.data);
      break;
    }
    case TStorage::Int: case TStorage::DateTimeNs: case TStorage::Category: {
      c.keep = NumpyColumn<std::int64_t>(data, "this column needs a 1-D int64 array", c.data);
      if (storage == TStorage::Category) {
        for (py::handle v : py::reinterpret_borrow<py::iterable>(categories))
          c.categories.push_back(ToVariant(v, true));
      }
      break;
    }
    case TStorage::Bool: {
      c.keep = NumpyColumn<bool>(data, "a bool column needs a 1-D bool array", c.data);
      break;
    }
    case TStorage::Object: {
      py::list values = py::isinstance<py::list>(data) ? py::reinterpret_borrow<py::list>(data)
                                                        : py::list(data);
      c.objects = values;
      c.keep = std::move(values);
      break;
    }
  }
  const auto index = static_cast<std::int32_t>(columns_.size());
  columns_.push_back(std::move(c));
  AddField(std::make_unique<TPyField>(std::move(name), type, displayWidth, *this, index));
}

void TPyDataSet::AddRowField(std::string name, TFieldType type, std::int32_t displayWidth) {
  AddField(std::make_unique<TPyField>(std::move(name), type, displayWidth, *this, GetFieldCount()));
}

void TPyDataSet::InferRowTypes(std::size_t limit) {
  auto unknown = [this] {
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0; i < GetFieldCount(); ++i)
      if (GetField(i)->GetDataType() == ftUnknown) out.push_back(i);
    return out;
  };
  std::vector<std::int32_t> open = unknown();
  std::size_t seen = 0;
  while (!open.empty() && seen < limit) {
    py::object row;
    if (seen < ahead_.size()) {
      row = ahead_[seen];
    } else {
      PyObject* next = PyIter_Next(iterator_.ptr());
      if (next == nullptr) {
        if (PyErr_Occurred()) throw py::error_already_set();
        break;
      }
      row = py::reinterpret_steal<py::object>(next);
      ahead_.push_back(row);
    }
    ++seen;
    py::sequence values = py::reinterpret_borrow<py::sequence>(row);
    std::vector<std::int32_t> still;
    for (std::int32_t i : open) {
      const TFieldType t = static_cast<std::size_t>(i) < values.size() ? TypeOfValue(values[static_cast<std::size_t>(i)])
                                                                        : ftUnknown;
      if (t == ftUnknown) still.push_back(i);
      else static_cast<TPyField*>(GetField(i))->SetType(t);
    }
    open = std::move(still);
  }
}

std::int32_t TPyDataSet::FetchRow() {
  if (!ahead_.empty()) {
    row_ = std::move(ahead_.front());
    ahead_.pop_front();
  } else {
    PyObject* next = iterator_ ? PyIter_Next(iterator_.ptr()) : nullptr;
    if (next == nullptr) {
      row_ = py::object();
      SetEof(true);
      if (PyErr_Occurred()) {
        py::error_already_set e;
        Abort(e);
        return Fail("reading a row failed");
      }
      return xlsOK;
    }
    row_ = py::reinterpret_steal<py::object>(next);
  }
  if (!PySequence_Check(row_.ptr()) || PySequence_Size(row_.ptr()) != GetFieldCount()) {
    PyErr_SetString(PyExc_ValueError, ("row " + std::to_string(GetRecNo() + 1) + " does not hold " +
                                       std::to_string(GetFieldCount()) + " values")
                                          .c_str());
    py::error_already_set e;
    Abort(e);
    SetEof(true);
    return Fail("a row of the wrong length");
  }
  SetEof(false);
  return xlsOK;
}

std::int32_t TPyDataSet::First() {
  ClearError();
  if (Columnar()) {
    SetRecNo(0);
    SetEof(rows_ <= 0 || Aborted());
    return xlsOK;
  }
  if (started_) {
    SetEof(true);
    return Fail("the rows of an iterator can be read only once");
  }
  started_ = true;
  SetRecNo(0);
  if (Aborted()) {
    SetEof(true);
    return xlsOK;
  }
  return FetchRow();
}

std::int32_t TPyDataSet::Next() {
  if (Eof()) return xlsOK;
  SetRecNo(GetRecNo() + 1);
  if (Aborted()) {
    SetEof(true);
    return xlsOK;
  }
  if (Columnar()) {
    SetEof(GetRecNo() >= rows_);
    return xlsOK;
  }
  return FetchRow();
}

std::int32_t TPyDataSet::GotoBookmark(TBookmark bookmark) {
  if (bookmark == GetRecNo()) return xlsOK;
  if (bookmark == -1) {
    SetRecNo(-1);
    return xlsOK;
  }
  if (Columnar() && bookmark >= 0 && bookmark < rows_) {
    SetRecNo(bookmark);
    SetEof(false);
    return xlsOK;
  }
  return Fail("no record " + std::to_string(bookmark) + " to go back to");
}

TVariant TPyDataSet::ConvertAt(std::int32_t index, py::handle value) {
  try {
    return ToVariant(value, true);
  } catch (py::error_already_set& e) {
    const std::string message = "column \"" + GetField(index)->GetFieldName() + "\", record " +
                                std::to_string(GetRecNo() + 1) + ": " + e.what();
    PyErr_SetString(e.matches(PyExc_TypeError) ? PyExc_TypeError : PyExc_ValueError, message.c_str());
    py::error_already_set wrapped;
    Abort(wrapped);
    return TVariant();
  }
}

TVariant TPyDataSet::ValueAt(std::int32_t index) {
  const std::int64_t r = GetRecNo();
  if (Eof() || r < 0 || index < 0 || index >= GetFieldCount()) return TVariant();
  if (!Columnar()) {
    if (!row_) return TVariant();
    py::object v = py::reinterpret_steal<py::object>(PySequence_GetItem(row_.ptr(), index));
    if (!v) {
      py::error_already_set e;
      Abort(e);
      return TVariant();
    }
    return ConvertAt(index, v);
  }
  const TColumn& c = columns_[static_cast<std::size_t>(index)];
  const auto i = static_cast<std::size_t>(r);
  switch (c.storage) {
    case TStorage::Float: {
      const double d = static_cast<const double*>(c.data)[i];
      return std::isfinite(d) ? TVariant(d) : TVariant();
    }
    case TStorage::Int:
      return TVariant(static_cast<std::int64_t>(static_cast<const std::int64_t*>(c.data)[i]));
    case TStorage::Bool:
      return TVariant(static_cast<const bool*>(c.data)[i]);
    case TStorage::DateTimeNs: {
      const std::int64_t ns = static_cast<const std::int64_t*>(c.data)[i];
      if (ns == std::numeric_limits<std::int64_t>::min()) return TVariant();
      return TVariant::Date(SerialOfNanoseconds(ns));
    }
    case TStorage::Category: {
      const std::int64_t code = static_cast<const std::int64_t*>(c.data)[i];
      if (code < 0 || static_cast<std::size_t>(code) >= c.categories.size()) return TVariant();
      return c.categories[static_cast<std::size_t>(code)];
    }
    case TStorage::Object:
      if (i >= c.objects.size()) return TVariant();
      return ConvertAt(index, PyList_GET_ITEM(c.keep.ptr(), static_cast<Py_ssize_t>(i)));
  }
  return TVariant();
}

void TPyDataSet::Abort(py::error_already_set& error) {
  // Only the first error is raised; later ones follow from it and are dropped.
  if (!pending_) pending_ = std::make_unique<py::error_already_set>(std::move(error));
}

void TPyDataSet::RaisePending() {
  if (!pending_) return;
  std::unique_ptr<py::error_already_set> e = std::move(pending_);
  e->restore();
  throw py::error_already_set();
}

void BindDataSet(py::module_& m) {
  py::class_<TPyDataSet>(m, "DataSet", R"doc(
A dataset over Python data for the exporters (built by tablirex.as_dataset; most
callers pass their data to write_frame or export_frame directly). Columnar
datasets read numpy arrays or lists; row datasets pull rows from an iterator once.
)doc")
      .def(py::init<>())
      .def(
          "add_column",
          [](TPyDataSet& d, std::string name, int type, const std::string& storage, py::object data,
             py::object categories, int width) {
            d.AddColumn(std::move(name), static_cast<TFieldType>(type), StorageOf(storage), std::move(data),
                        std::move(categories), width);
          },
          py::arg("name"), py::arg("type"), py::arg("storage"), py::arg("data"),
          py::arg("categories") = py::none(), py::arg("width") = 0)
      .def("set_row_count", &TPyDataSet::SetRowCount)
      .def(
          "add_row_field",
          [](TPyDataSet& d, std::string name, int type, int width) {
            d.AddRowField(std::move(name), static_cast<TFieldType>(type), width);
          },
          py::arg("name"), py::arg("type") = 0, py::arg("width") = 0)
      .def("set_row_source", [](TPyDataSet& d, py::object it) { d.SetRowSource(py::iter(it)); })
      .def("infer_row_types", &TPyDataSet::InferRowTypes, py::arg("limit") = 1000)
      .def_static(
          "type_of_value", [](py::handle v) { return static_cast<int>(TPyDataSet::TypeOfValue(v)); },
          "The data type code a Python value implies (0 for None).")
      .def_property_readonly(
          "fields",
          [](TPyDataSet& d) {
            py::list out;
            for (std::int32_t i = 0; i < d.GetFieldCount(); ++i)
              out.append(py::make_tuple(d.GetField(i)->GetFieldName(), static_cast<int>(d.GetField(i)->GetDataType())));
            return out;
          },
          "(name, data type code) of every field.")
      .def(
          "records",
          [](TPyDataSet& d) {
            py::list out;
            d.First();
            while (!d.Eof()) {
              py::list row;
              for (std::int32_t i = 0; i < d.GetFieldCount(); ++i) row.append(FromVariant(d.GetField(i)->GetValue()));
              out.append(row);
              d.Next();
            }
            d.RaisePending();
            return out;
          },
          "Every record's values as the exporter reads them (for inspection and tests).");
}

}  // namespace tablirex::python
