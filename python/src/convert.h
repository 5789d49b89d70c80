// Values between Python objects and the library's variants, and the exceptions the
// package raises.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "tablirex/variant.h"

namespace tablirex::python {

namespace py = pybind11;

/// The package's exception classes, created once by RegisterErrors.
struct TErrors {
  PyObject* error = nullptr;         // tablirex.Error(Exception): base of the others
  PyObject* rangeError = nullptr;    // tablirex.RangeError(Error, ValueError)
  PyObject* formulaError = nullptr;  // tablirex.FormulaError(Error, ValueError)
  PyObject* saveError = nullptr;     // tablirex.SaveError(Error, OSError)
  PyObject* dataLossWarning = nullptr;  // tablirex.DataLossWarning(UserWarning)
};
const TErrors& Errors() noexcept;
void RegisterErrors(py::module_& m);

/// Sets the Python error and throws so that pybind11 hands it to the caller.
[[noreturn]] void Raise(PyObject* type, const std::string& message);

/// Issues each warning of the workbook's latest save as a DataLossWarning (the
/// warning filters may turn one into an exception, which is then raised).
void WarnDataLoss(const std::vector<std::string>& warnings);

/// Imports the datetime C API; called once when the module loads.
void InitConvert();

/// What a Python value becomes in a cell: None empty, bool boolean, int and float
/// numbers (also numpy's scalars and anything with __index__ or __float__),
/// decimal.Decimal a number, str a text (a formula when it starts with "="),
/// bytes, bytearray and memoryview the text "0x" + upper-case hex digits,
/// datetime.date / datetime.datetime / datetime.time a date-time serial. NaN and
/// infinities raise ValueError unless nanAsEmpty (then they are empty, as pandas'
/// NaT is); other types raise TypeError.
TVariant ToVariant(py::handle value, bool nanAsEmpty = false);

/// A variant as a Python value: None for empty and null, int for integer kinds,
/// float for other numbers, bool, str, datetime.date for a whole-day serial and
/// datetime.datetime otherwise, lists of lists for two-dimensional arrays.
py::object FromVariant(const TVariant& value);

/// True for Python's and numpy's floating NaN, pandas' and numpy's NaT and pandas' NA.
bool IsMissing(py::handle value);

/// A date-time serial from a datetime.date, datetime.datetime, datetime.time or
/// numpy.datetime64; false when the object is none of them (or numpy's NaT).
bool ToSerial(py::handle value, double& serial);

/// 1 for a datetime.date (and a numpy.datetime64 in days or longer units), 2 for a
/// datetime.datetime (pandas' Timestamp and other numpy.datetime64 included), 3 for
/// a datetime.time, 0 for anything else.
int DateKind(py::handle value);

/// A date-time serial as a Python datetime.date (whole days) or datetime.datetime.
py::object SerialToPython(double serial);

/// A path argument (str or os.PathLike) as UTF-8.
std::string PathArg(py::handle path);

}  // namespace tablirex::python
