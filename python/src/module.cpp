// The extension module tablirex._core; the package tablirex re-exports it.
#include <pybind11/pybind11.h>

#include "convert.h"
#include "dates.h"
#include "object_model.h"
#include "py_dataset.h"
#include "tablirex/limits.h"

namespace py = pybind11;

namespace tablirex::python {
void BindExporter(py::module_& m);
void BindAutoFit(py::module_& m);
void BindSheetFeatures(py::module_& m);
void BindDrawing(py::module_& m);
void BindSheetExtras(py::module_& m);
}

PYBIND11_MODULE(_core, m) {
  m.doc() = "Spreadsheet workbooks in memory, saved as .xls (Excel 97 / Excel 5) or HTML.";
  tablirex::python::InitConvert();
  tablirex::python::RegisterErrors(m);
  tablirex::python::BindObjectModel(m);
  tablirex::python::BindDates(m);
  tablirex::python::BindAutoFit(m);
  tablirex::python::BindDataSet(m);
  tablirex::python::BindExporter(m);
  tablirex::python::BindSheetFeatures(m);
  tablirex::python::BindDrawing(m);
  tablirex::python::BindSheetExtras(m);
  // The Excel 97 grid, and the larger one of .xlsx files that sheets hold.
  m.attr("MAX_ROW") = tablirex::XLSMaxRow;
  m.attr("MAX_COL") = tablirex::XLSMaxCol;
  m.attr("XLSX_MAX_ROW") = tablirex::XLSXMaxRow;
  m.attr("XLSX_MAX_COL") = tablirex::XLSXMaxCol;
  m.attr("__version__") = TABLIREX_VERSION;  // the project's version, from CMake
}
