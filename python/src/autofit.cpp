// Range.autofit(): columns as wide as what their cells show.
#include <pybind11/pybind11.h>

#include "convert.h"
#include "object_model.h"
#include "tablirex/result.h"

namespace tablirex::python {

void BindAutoFit(py::module_& m) {
  auto range = py::reinterpret_borrow<py::class_<PyRange>>(m.attr("Range"));
  range.def(
      "autofit",
      [](PyRange& r) {
        if (r.Get().AutoFit() != xlsOK) Raise(Errors().error, "the range's sheet was deleted");
      },
      "Makes each of the range's columns as wide as the widest text its cells in the\n"
      "range show (whole columns, e.g. sheet[\"A:C\"]: every cell): numbers and dates\n"
      "through their number formats, bold and font size counted, 2 to 80 characters.\n"
      "Columns without values keep their widths; merged cells and formulas are not\n"
      "measured.");
}

}  // namespace tablirex::python
