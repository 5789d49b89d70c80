// The dataset exporter from Python: TDataset2Excel over a TPyDataSet, its
// properties from keyword arguments and its events as Python callables.
#include <pybind11/pybind11.h>

#include "convert.h"
#include "object_model.h"
#include "py_dataset.h"
#include "export/export_core.h"
#include "tablirex/dataset2excel.h"
#include "tablirex/result.h"

namespace tablirex::python {

namespace {

TColor ColorOption(py::handle v) {
  if (py::isinstance<py::str>(v)) {
    TColor c = clNone;
    if (ParseColor(v.cast<std::string>(), c)) return c;
  } else if (py::isinstance<py::tuple>(v) && py::len(v) == 3) {
    py::tuple t = py::reinterpret_borrow<py::tuple>(v);
    std::int32_t rgb = 0;
    for (std::size_t i = 0; i < 3; ++i) rgb |= (t[i].cast<std::int32_t>() & 0xFF) << (8 * i);
    return rgb;
  } else if (py::isinstance<py::int_>(v)) {
    const long long c = v.cast<long long>();
    if (c >= 0 && c <= 0xFFFFFF)
      return static_cast<TColor>(((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16));
  }
  Raise(PyExc_ValueError, "a colour is \"#RRGGBB\", a colour name, \"none\", an (r, g, b) tuple or an "
                          "int 0xRRGGBB, not " + py::repr(v).cast<std::string>());
}

TFont FontOption(py::handle v, TFont font) {
  if (py::isinstance<py::str>(v)) {
    if (!ParseFont(v.cast<std::string>(), font))
      Raise(PyExc_ValueError, "a font is \"Name[,size][,bold][,italic][,underline][,strikeout]\", not " +
                                  py::repr(v).cast<std::string>());
    return font;
  }
  if (!py::isinstance<py::dict>(v))
    Raise(PyExc_TypeError, "a font is a text like \"Arial,10,bold\" or a dict with name, size, bold, "
                           "italic, underline, strikeout and color");
  py::dict d = py::reinterpret_borrow<py::dict>(v);
  TFontStyles style = font.GetStyle();
  auto flag = [&](const char* key, TFontStyle bit) {
    if (!d.contains(key)) return;
    style = d[key].cast<bool>() ? static_cast<TFontStyles>(style | bit)
                                : static_cast<TFontStyles>(style & ~bit);
  };
  for (auto item : d) {
    const std::string key = py::str(item.first);
    if (key != "name" && key != "size" && key != "bold" && key != "italic" && key != "underline" &&
        key != "strikeout" && key != "color")
      Raise(PyExc_ValueError, "unknown font key \"" + key + "\"");
  }
  if (d.contains("name")) font.SetName(d["name"].cast<std::string>());
  if (d.contains("size")) {
    const int size = d["size"].cast<int>();
    if (size < 1 || size > 409) Raise(PyExc_ValueError, "a font size is 1 … 409 points");
    font.SetSize(size);
  }
  flag("bold", fsBold);
  flag("italic", fsItalic);
  flag("underline", fsUnderline);
  flag("strikeout", fsStrikeOut);
  font.SetStyle(style);
  if (d.contains("color")) font.SetColor(ColorOption(d["color"]));
  return font;
}

TBorderStyle BorderOption(py::handle v) {
  static const std::pair<const char*, TBorderStyle> kStyles[] = {
      {"none", BorderStyleNone}, {"hair", BorderStyleSingleHair}, {"thick", BorderStyleSingleThick},
      {"thin", BorderStyleSingleThin}, {"double", BorderStyleDouble}};
  const std::string s = py::str(v);
  for (const auto& [name, style] : kStyles)
    if (s == name) return style;
  Raise(PyExc_ValueError, "a border style is none, hair, thin, thick or double, not \"" + s + "\"");
}

// The exporter's properties as keyword arguments. export_frame and write_frame take
// exactly these names (EXPORT_OPTIONS): a new property is one entry here, in
// kSwitches when it is a boolean, otherwise in kValueOptions and ApplyValueOption.
struct TSwitch {
  const char* name;
  void (TDataset2Excel::*set)(bool) noexcept;
};
constexpr TSwitch kSwitches[] = {
    {"set_columns_width", &TDataset2Excel::SetSetColumnsWidth},
    {"allow_formulas", &TDataset2Excel::SetAllowFormulas},
    {"freeze_header", &TDataset2Excel::SetFreezeHeader},
    {"autofit", &TDataset2Excel::SetAutoFitColumns},
    {"autofilter", &TDataset2Excel::SetAutoFilter},
    {"hyperlinks", &TDataset2Excel::SetHyperlinks},
};
constexpr const char* kValueOptions[] = {
    "sheet_name",          "start_row",           "start_col",          "rows_per_sheet",
    "header_font",         "detail_font",         "header_color",       "detail_color",
    "header_border_style", "detail_border_style", "header_border_color", "detail_border_color",
    "title",               "file_format",
};

// Sets one option of kValueOptions (rows_per_sheet waits for start_row: see below).
void ApplyValueOption(TDataset2Excel& ex, const std::string& key, py::handle v) {
  if (key == "sheet_name") ex.SetWorksheetName(v.cast<std::string>());
  else if (key == "title") ex.SetTitle(v.cast<std::string>());
  else if (key == "header_font") ex.SetHeaderFont(FontOption(v, ex.GetHeaderFont()));
  else if (key == "detail_font") ex.SetDetailFont(FontOption(v, ex.GetDetailFont()));
  else if (key == "header_color") ex.SetHeaderColor(ColorOption(v));
  else if (key == "detail_color") ex.SetDetailColor(ColorOption(v));
  else if (key == "header_border_style") ex.SetHeaderBorderStyle(BorderOption(v));
  else if (key == "detail_border_style") ex.SetDetailBorderStyle(BorderOption(v));
  else if (key == "header_border_color") ex.SetHeaderBorderColor(ColorOption(v));
  else if (key == "detail_border_color") ex.SetDetailBorderColor(ColorOption(v));
  else if (key == "file_format") {
    const int n = v.cast<int>();
    if (n < 1 || n > 4) Raise(PyExc_ValueError, "file_format is 1 (Excel 5), 2 (Excel 97), 3 (HTML) or 4 (.xlsx)");
    ex.SetFileFormat(n);
  } else if (key == "start_row" || key == "start_col") {
    const int n = v.cast<int>();
    if (n < 0 || n > (key == "start_row" ? XLSXMaxRow - 1 : XLSXMaxCol))
      Raise(Errors().rangeError, key + " lies outside the sheet");
    if (key == "start_row") ex.SetStartRow(static_cast<std::uint32_t>(n));
    else ex.SetStartCol(static_cast<std::uint16_t>(n));
  } else if (key != "rows_per_sheet") {
    Raise(PyExc_TypeError, "unknown exporter option \"" + key + "\"");
  }
}

std::int64_t ExportDataset(PyWorkbook& book, TPyDataSet& ds, bool newSheet, int row, int col,
                           const py::dict& options, const py::dict& events) {
  TBookHolder& holder = *book.b;
  holder.CheckIdle();
  TDataset2Excel ex;
  ex.SetWorkbook(Ref<IXLSWorkBook>(holder.BookRef().get()));
  ex.SetDataset(&ds);
  for (auto item : options) {
    const std::string key = py::str(item.first);
    py::handle v = item.second;
    if (v.is_none()) continue;
    bool done = false;
    for (const TSwitch& s : kSwitches)
      if (key == s.name) {
        (ex.*s.set)(v.cast<bool>());
        done = true;
      }
    if (!done) ApplyValueOption(ex, key, v);
  }
  if (options.contains("rows_per_sheet") && !options["rows_per_sheet"].is_none()) {
    const long long rows = options["rows_per_sheet"].cast<long long>();
    // What a sheet of the file format holds: 65535 rows for Excel 97, 1048576 for .xlsx.
    const std::int32_t most = RowsPerSheetFor(ex.GetFileFormat());
    if (!(ex.GetStartRow() + 1 < rows && rows <= most))
      Raise(PyExc_ValueError, "rows_per_sheet must lie in start_row + 2 … " + std::to_string(most));
    ex.SetRowsPerSheet(static_cast<std::int32_t>(rows));
  }

  const TBookPtr b = book.b;
  auto range = [&ex, b](IXLSRange* r) { return WrapRange(b, ex.GetCurrentWorksheet(), r); };
  auto call = [&ds](const py::object& callback, auto&&... args) {
    if (ds.Aborted()) return;
    try {
      callback(std::forward<decltype(args)>(args)...);
    } catch (py::error_already_set& e) {
      ds.Abort(e);
    }
  };
  auto name = [](TField* f) { return f ? f->GetFieldName() : std::string(); };
  for (auto item : events) {
    const std::string key = py::str(item.first);
    if (item.second.is_none()) continue;
    py::object cb = py::reinterpret_borrow<py::object>(item.second);
    if (!PyCallable_Check(cb.ptr())) Raise(PyExc_TypeError, key + " must be callable");
    if (key == "after_detail_cell")
      ex.AfterDetailCell = [=](TDataset2Excel&, IXLSRange* c, std::int32_t row, std::int32_t field, TField* f) {
        call(cb, range(c), row, field, name(f));
      };
    else if (key == "after_header_cell")
      ex.AfterHeaderCell = [=](TDataset2Excel&, IXLSRange* c, std::int32_t field, TField* f) {
        call(cb, range(c), field, name(f));
      };
    else if (key == "after_detail_row")
      ex.AfterDetailRow = [=](TDataset2Excel&, IXLSRange* r, std::int32_t row) { call(cb, range(r), row); };
    else if (key == "after_header")
      ex.AfterHeader = [=](TDataset2Excel&, IXLSRange* r) { call(cb, range(r)); };
    else if (key == "after_detail")
      ex.AfterDetail = [=](TDataset2Excel&, IXLSRange* r) { call(cb, range(r)); };
    else if (key == "after_export")
      ex.AfterExport = [=](TDataset2Excel&, IXLSRange* r) { call(cb, range(r)); };
    else if (key == "on_worksheet_create")
      ex.OnWorksheetCreate = [=](TDataset2Excel&, IXLSWorksheet* ws) { call(cb, PySheet{b, ws}); };
    else
      Raise(PyExc_TypeError, "unknown exporter event \"" + key + "\"");
  }

  // A workbook without sheets gets its first one from the export.
  if (holder.Book().GetWorksheets()->GetCount() == 0) newSheet = true;
  const std::int32_t result = ex.ExportDataset(newSheet, row, col);
  ds.RaisePending();
  if (result != xlsOK)
    Raise(Errors().error, "the export failed: " +
                              (ex.GetErrorText().empty() ? std::string(ResultName(result)) : ex.GetErrorText()));
  return ex.GetRecordsExported();
}

}  // namespace

void BindExporter(py::module_& m) {
  py::tuple names(std::size(kSwitches) + std::size(kValueOptions));
  std::size_t i = 0;
  for (const char* name : kValueOptions) names[i++] = py::str(name);
  for (const TSwitch& s : kSwitches) names[i++] = py::str(s.name);
  m.attr("EXPORT_OPTIONS") = names;
  m.def("export_dataset", &ExportDataset, py::arg("book"), py::arg("dataset"), py::arg("new_sheet"),
        py::arg("row"), py::arg("col"), py::arg("options"), py::arg("events"),
        "The exporter's one call (use tablirex.export_frame or tablirex.write_frame).");
}

}  // namespace tablirex::python
