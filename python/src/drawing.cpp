// Comments, pictures and the autofilter in Python: methods and properties added
// to the Workbook, Sheet and Range classes that object_model.cpp defines.
#include <pybind11/pybind11.h>

#include <string>

#include "convert.h"
#include "object_model.h"
#include "tablirex/addressing.h"
#include "tablirex/result.h"

namespace py = pybind11;

namespace tablirex::python {

void BindDrawing(py::module_& m) {
  auto workbook = py::reinterpret_borrow<py::class_<PyWorkbook>>(m.attr("Workbook"));
  auto sheet = py::reinterpret_borrow<py::class_<PySheet>>(m.attr("Sheet"));
  auto range = py::reinterpret_borrow<py::class_<PyRange>>(m.attr("Range"));

  workbook.def_property(
      "comment_author", [](PyWorkbook& w) { return w.b->Book().GetCommentAuthor(); },
      [](PyWorkbook& w, const std::string& author) {
        w.b->CheckIdle();
        w.b->Book().SetCommentAuthor(author);
      },
      "The author that comments added from now on carry ('' at first).");
  workbook.def_property(
      "html_formula_text", [](PyWorkbook& w) { return w.b->Book().GetHtmlFormulaText(); },
      [](PyWorkbook& w, bool on) {
        w.b->CheckIdle();
        w.b->Book().SetHtmlFormulaText(on);
      },
      "HTML pages show formula text (=SUM(A1:A3)) instead of results (False at first: results, "
      "with the formula in the cell's title).");

  range.def_property(
      "comment",
      [](PyRange& r) -> py::object {
        IXLSRange& range = r.Get();
        if (!range.HasComment()) return py::none();
        return py::str(range.GetComment());
      },
      [](PyRange& r, py::object text) {
        IXLSRange& range = r.Get();
        if (text.is_none()) {
          range.ClearComments();
          return;
        }
        if (!py::isinstance<py::str>(text)) Raise(PyExc_TypeError, "a comment is a str, or None to remove it");
        if (range.AddComment(text.cast<std::string>(), false) != xlsOK)
          Raise(Errors().rangeError, r.b->Book().GetLastError());
      },
      "The comment of the range's one cell (str), None when it has none. Setting a\n"
      "str gives the cell that comment (hidden until the mouse is over the cell);\n"
      "None removes it. A range of several cells refuses a comment (RangeError).\n"
      "Texts past 32767 characters are cut when saved, with a DataLossWarning.");
  range.def(
      "add_comment",
      [](PyRange& r, const std::string& text, bool visible) {
        if (r.Get().AddComment(text, visible) != xlsOK) Raise(Errors().rangeError, r.b->Book().GetLastError());
      },
      py::arg("text"), py::kw_only(), py::arg("visible") = false,
      "Gives the range's one cell a comment; visible=True shows it all the time.");
  range.def(
      "clear_comments", [](PyRange& r) { r.Get().ClearComments(); }, "Removes the comments of every cell.");
  range.def(
      "auto_filter", [](PyRange& r) { r.Get().AutoFilter(); },
      "Puts filter drop-downs on the range's first row, one per column (the sheet's\n"
      "only autofilter). A one-row range is the header: the filter covers the rows\n"
      "below it down to the last cell when saved.");

  sheet.def(
      "insert_picture",
      [](PySheet& s, py::object source, py::object cellArg, int x, int y, double scale, py::object scaleX,
         py::object scaleY) {
        IXLSWorksheet& ws = s.Get();
        // The older order, (cell, path), is taken too.
        std::uint16_t r = 0;
        std::uint8_t c = 0;
        if (py::isinstance<py::str>(source) && py::isinstance<py::str>(cellArg) &&
            GetCellRef(source.cast<std::string>(), r, c) == xlsOK &&
            GetCellRef(cellArg.cast<std::string>(), r, c) != xlsOK)
          std::swap(source, cellArg);
        if (!py::isinstance<py::str>(cellArg)) Raise(PyExc_TypeError, "the cell is a str such as \"B2\"");
        const std::string cell = cellArg.cast<std::string>();
        if (x < 0 || y < 0 || x > 0xFFFF || y > 0xFFFF) Raise(PyExc_ValueError, "offsets are 0 … 65535 pixels");
        const double sx = scaleX.is_none() ? scale : scaleX.cast<double>();
        const double sy = scaleY.is_none() ? scale : scaleY.cast<double>();
        if (!(sx > 0) || !(sy > 0)) Raise(PyExc_ValueError, "scales must be positive");
        const auto ux = static_cast<std::uint16_t>(x), uy = static_cast<std::uint16_t>(y);
        std::int32_t result;
        if (py::isinstance<py::bytes>(source) || py::isinstance<py::bytearray>(source) ||
            py::isinstance<py::memoryview>(source)) {
          const std::string bytes = py::module_::import("builtins").attr("bytes")(source).cast<std::string>();
          result = ws.InsertPicture(std::span<const std::uint8_t>(
                                        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                                    cell, ux, uy, sx, sy);
        } else {
          result = ws.InsertPicture(PathArg(source), cell, ux, uy, sx, sy);
        }
        if (result != xlsOK) Raise(Errors().error, s.b->Book().GetLastError());
      },
      py::arg("source"), py::arg("cell"), py::kw_only(), py::arg("x") = 0, py::arg("y") = 0,
      py::arg("scale") = 1.0, py::arg("scale_x") = py::none(), py::arg("scale_y") = py::none(),
      "Places a PNG, JPEG or 24-bit .bmp picture, from a path or from bytes, with\n"
      "its top-left corner x, y pixels into the cell (\"B2\"), at its size at 96 dpi\n"
      "times scale (or scale_x and scale_y). Raises tablirex.Error with the reason\n"
      "for a file that is not such an image, is cut short, or would not fit on the\n"
      "sheet. Excel 5 saves leave PNG and JPEG pictures out (DataLossWarning).\n"
      "The older order, insert_picture(cell, path), is taken as well.");
  sheet.def_property_readonly(
      "picture_count", [](PySheet& s) { return s.Get().GetPictureCount(); }, "Pictures placed on the sheet.");
  sheet.def_property(
      "auto_filter_mode", [](PySheet& s) { return s.Get().AutoFilterMode(); },
      [](PySheet& s, bool on) {
        IXLSWorksheet& ws = s.Get();
        ws.Workbook().ClearLastError();
        ws.SetAutoFilterMode(on);
        if (!ws.Workbook().GetLastError().empty()) Raise(PyExc_ValueError, ws.Workbook().GetLastError());
      },
      "True when the sheet has an autofilter; False removes it.");
}

}  // namespace tablirex::python
