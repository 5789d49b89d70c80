// Values between Python objects and variants: the mapping every writer of the
// package shares (cells, ranges, datasets).
#include "convert.h"

#include <datetime.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "data/text_values.h"
#include "tablirex/datetime.h"

namespace tablirex::python {

namespace {

TErrors g_errors;

PyObject* MakeError(py::module_& m, const char* name, PyObject* base1, PyObject* base2,
                    const char* doc) {
  py::tuple bases = base2 ? py::make_tuple(py::handle(base1), py::handle(base2))
                          : py::make_tuple(py::handle(base1));
  py::dict body;
  body["__doc__"] = doc;
  body["__module__"] = "tablirex";
  py::object type = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyType_Type))(
      name, bases, body);
  m.attr(name) = type;
  return type.release().ptr();  // kept for the life of the process
}

// The short name of an object's type, for the few foreign types recognised by name
// (numpy's and pandas' scalars, decimal.Decimal) without importing their modules.
const char* TypeName(py::handle value) noexcept { return Py_TYPE(value.ptr())->tp_name; }

bool TypeIs(py::handle value, const char* name) noexcept {
  const char* t = TypeName(value);
  const char* dot = std::strrchr(t, '.');
  return std::strcmp(dot ? dot + 1 : t, name) == 0;
}

TVariant FromDouble(double d, bool nanAsEmpty) {
  if (!std::isfinite(d)) {
    if (nanAsEmpty) return TVariant();
    Raise(PyExc_ValueError, "a cell cannot hold NaN or an infinity (use None for an empty cell)");
  }
  return TVariant(d);
}

TVariant FromLong(py::handle value) {
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow != 0) {
    // Cells hold doubles: an integer beyond 64 bits is kept as its nearest double.
    const double d = PyLong_AsDouble(value.ptr());
    if (d == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    return TVariant(d);
  }
  if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
    return TVariant(static_cast<std::int32_t>(v));
  return TVariant(static_cast<std::int64_t>(v));
}

// A numpy.datetime64 as a serial, and whether its unit is a day or longer (a date
// without a time); false for NaT.
bool NumpyDateTime(py::handle value, double& serial, bool& wholeDays) {
  if (!TypeIs(value, "datetime64")) return false;
  const long long ms = value.attr("astype")("datetime64[ms]").attr("astype")("int64").cast<long long>();
  if (ms == std::numeric_limits<long long>::min()) return false;
  const std::string unit = py::str(value.attr("dtype").attr("str"));
  wholeDays = unit.size() >= 3 && unit.compare(unit.size() - 3, 3, "[D]") == 0;
  for (const char* longer : {"[W]", "[M]", "[Y]"})
    wholeDays = wholeDays || (unit.size() >= 3 && unit.compare(unit.size() - 3, 3, longer) == 0);
  constexpr double kUnixEpochSerial = 25569.0;
  serial = kUnixEpochSerial + static_cast<double>(ms) / 86400000.0;
  return true;
}

// Bytes as a cell shows binary data: "0x" and upper-case hex digits.
TVariant BinaryValue(py::handle value) {
  PyObject* o = value.ptr();
  py::object bytes = PyBytes_Check(o) ? py::reinterpret_borrow<py::object>(value)
                                      : py::reinterpret_steal<py::object>(PyBytes_FromObject(o));
  if (!bytes) throw py::error_already_set();
  return TVariant(data::BinaryText(std::string_view(PyBytes_AS_STRING(bytes.ptr()),
                                                    static_cast<std::size_t>(PyBytes_GET_SIZE(bytes.ptr())))));
}

}  // namespace

const TErrors& Errors() noexcept { return g_errors; }

void RegisterErrors(py::module_& m) {
  g_errors.error = MakeError(m, "Error", PyExc_Exception, nullptr,
                             "Base class of the errors the library reports.");
  g_errors.rangeError = MakeError(m, "RangeError", g_errors.error, PyExc_ValueError,
                                  "A cell or range reference that does not parse or lies outside "
                                  "the sheet (rows 1-1048576, columns A-XFD).");
  g_errors.formulaError = MakeError(m, "FormulaError", g_errors.error, PyExc_ValueError,
                                    "A formula text the formula compiler refuses.");
  g_errors.saveError = MakeError(m, "SaveError", g_errors.error, PyExc_OSError,
                                 "A workbook that could not be saved; no file is left behind.");
  g_errors.dataLossWarning = MakeError(m, "DataLossWarning", PyExc_UserWarning, nullptr,
                                       "What a save had to shorten, replace or leave out (a text "
                                       "longer than a cell holds, ...); save(..., strict=True) "
                                       "raises SaveError instead.");
}

void WarnDataLoss(const std::vector<std::string>& warnings) {
  for (const std::string& w : warnings)
    if (PyErr_WarnEx(g_errors.dataLossWarning, w.c_str(), 2) != 0) throw py::error_already_set();
}

void Raise(PyObject* type, const std::string& message) {
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

void InitConvert() {
  PyDateTime_IMPORT;
  if (PyDateTimeAPI == nullptr) throw py::error_already_set();
}

bool IsMissing(py::handle value) {
  PyObject* o = value.ptr();
  if (PyFloat_Check(o)) return std::isnan(PyFloat_AS_DOUBLE(o));
  if (o == Py_None || PyUnicode_Check(o) || PyLong_Check(o)) return false;
  // numpy's NaT is the one datetime64 unequal to itself.
  if (TypeIs(value, "datetime64")) {
    py::object unequal = py::reinterpret_steal<py::object>(PyObject_RichCompare(o, o, Py_NE));
    if (!unequal) throw py::error_already_set();
    return PyObject_IsTrue(unequal.ptr()) == 1;
  }
  return TypeIs(value, "NaTType") || TypeIs(value, "NAType") ||
         ((TypeIs(value, "float64") || TypeIs(value, "float32")) &&
          std::isnan(PyFloat_AsDouble(o)));
}

bool ToSerial(py::handle value, double& serial) {
  PyObject* o = value.ptr();
  if (PyDateTime_Check(o)) {
    TDateParts p;
    p.year = PyDateTime_GET_YEAR(o);
    p.month = PyDateTime_GET_MONTH(o);
    p.day = PyDateTime_GET_DAY(o);
    p.hour = PyDateTime_DATE_GET_HOUR(o);
    p.minute = PyDateTime_DATE_GET_MINUTE(o);
    p.second = PyDateTime_DATE_GET_SECOND(o);
    p.millisecond = PyDateTime_DATE_GET_MICROSECOND(o) / 1000;
    serial = EncodeDateTime(p);
    return true;
  }
  if (PyDate_Check(o)) {
    serial = EncodeDate(PyDateTime_GET_YEAR(o), PyDateTime_GET_MONTH(o), PyDateTime_GET_DAY(o));
    return true;
  }
  if (PyTime_Check(o)) {
    serial = EncodeTime(PyDateTime_TIME_GET_HOUR(o), PyDateTime_TIME_GET_MINUTE(o),
                        PyDateTime_TIME_GET_SECOND(o), PyDateTime_TIME_GET_MICROSECOND(o) / 1000);
    return true;
  }
  bool wholeDays = false;
  return NumpyDateTime(value, serial, wholeDays);
}

int DateKind(py::handle value) {
  PyObject* o = value.ptr();
  if (PyDateTime_Check(o)) return 2;
  if (PyDate_Check(o)) return 1;
  if (PyTime_Check(o)) return 3;
  double serial = 0;
  bool wholeDays = false;
  if (NumpyDateTime(value, serial, wholeDays)) return wholeDays ? 1 : 2;
  return 0;
}

py::object SerialToPython(double serial) {
  const TDateParts p = DecodeDateTime(serial);
  if (p.hour == 0 && p.minute == 0 && p.second == 0 && p.millisecond == 0)
    return py::reinterpret_steal<py::object>(PyDate_FromDate(p.year, p.month, p.day));
  return py::reinterpret_steal<py::object>(PyDateTime_FromDateAndTime(
      p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond * 1000));
}

TVariant ToVariant(py::handle value, bool nanAsEmpty) {
  PyObject* o = value.ptr();
  if (o == Py_None) return TVariant();
  if (PyBool_Check(o)) return TVariant(o == Py_True);
  if (PyUnicode_Check(o)) {
    Py_ssize_t size = 0;
    const char* s = PyUnicode_AsUTF8AndSize(o, &size);
    if (s == nullptr) throw py::error_already_set();
    return TVariant(std::string(s, static_cast<std::size_t>(size)));
  }
  if (PyFloat_Check(o)) return FromDouble(PyFloat_AS_DOUBLE(o), nanAsEmpty);
  if (PyLong_Check(o)) return FromLong(value);
  if (PyBytes_Check(o) || PyByteArray_Check(o) || PyMemoryView_Check(o)) return BinaryValue(value);
  double serial = 0;
  if (IsMissing(value)) {
    if (nanAsEmpty) return TVariant();
    Raise(PyExc_ValueError, std::string("a cell cannot hold ") + TypeName(value) +
                                " (use None for an empty cell)");
  }
  if (ToSerial(value, serial)) return TVariant::Date(serial);
  if (TypeIs(value, "bool_")) return TVariant(PyObject_IsTrue(o) == 1);
  if (TypeIs(value, "Decimal")) {
    const double d = PyFloat_AsDouble(o);
    if (d == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    return FromDouble(d, nanAsEmpty);
  }
  if (PyIndex_Check(o)) {
    py::object i = py::reinterpret_steal<py::object>(PyNumber_Index(o));
    if (!i) throw py::error_already_set();
    return FromLong(i);
  }
  if (Py_TYPE(o)->tp_as_number != nullptr && Py_TYPE(o)->tp_as_number->nb_float != nullptr) {
    const double d = PyFloat_AsDouble(o);
    if (d == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    return FromDouble(d, nanAsEmpty);
  }
  Raise(PyExc_TypeError, std::string("a cell cannot hold a value of type ") + TypeName(value));
}

py::object FromVariant(const TVariant& v) {
  switch (v.Type()) {
    case varEmpty: case varNull: case varError:
      return py::none();
    case varBoolean:
      return py::bool_(v.AsBoolean());
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return py::int_(v.AsInt64());
    case varSingle: case varDouble: case varCurrency:
      return py::float_(v.AsDouble());
    case varDate:
      return SerialToPython(v.AsDouble());
    case varString:
      return py::str(v.StringRef());
    case varOleStr:
      return py::str(v.AsString());
    case varArray: {
      const TVariantArray& a = v.Array();
      if (a.DimCount() == 1) {
        py::list out;
        for (std::int32_t i = a.Low(1); i <= a.High(1); ++i) out.append(FromVariant(a.At(i)));
        return out;
      }
      py::list rows;
      for (std::int32_t i = a.Low(1); i <= a.High(1); ++i) {
        py::list row;
        for (std::int32_t j = a.Low(2); j <= a.High(2); ++j) row.append(FromVariant(a.At(i, j)));
        rows.append(row);
      }
      return rows;
    }
  }
  return py::none();
}

std::string PathArg(py::handle path) {
  py::object p = py::reinterpret_steal<py::object>(PyOS_FSPath(path.ptr()));
  if (!p) throw py::error_already_set();
  if (PyBytes_Check(p.ptr())) return std::string(PyBytes_AS_STRING(p.ptr()), PyBytes_GET_SIZE(p.ptr()));
  Py_ssize_t size = 0;
  const char* s = PyUnicode_AsUTF8AndSize(p.ptr(), &size);
  if (s == nullptr) throw py::error_already_set();
  return std::string(s, static_cast<std::size_t>(size));
}

}  // namespace tablirex::python
