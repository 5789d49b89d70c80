// The object model from Python: Workbook, Sheets, Sheet, Range and the font,
// interior, border and page-setup views. The library ignores invalid arguments to
// its setters; here every such argument raises instead, so that nothing a Python
// caller asks for is dropped in silence.
#include "object_model.h"

#include <pybind11/stl.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "convert.h"
#include "dates.h"
#include "layout/protect.h"
#include "tablirex/addressing.h"
#include "tablirex/data.h"
#include "tablirex/file_error.h"
#include "tablirex/limits.h"
#include "tablirex/page_setup.h"
#include "tablirex/result.h"
#include "tablirex/worksheets.h"

namespace tablirex::python {

// ---- the holder ------------------------------------------------------------------

TBookHolder::TBookHolder() : book_(MakeRef<TXLSWorkbook>()) {}
TBookHolder::~TBookHolder() = default;

void TBookHolder::CheckIdle() const {
  if (saving_) Raise(Errors().error, "the workbook is being saved by another thread");
}

bool TBookHolder::HasSheet(const IXLSWorksheet* sheet) const {
  IXLSWorkSheets* sheets = book_->GetWorksheets();
  const std::int32_t n = sheets->GetCount();
  for (std::int32_t i = 1; i <= n; ++i)
    if (sheets->Get(i) == sheet) return true;
  return false;
}

void TBookHolder::CheckFormula(std::string_view text, std::int32_t sheet) {
  // The workbook's own check, with its message (what is wrong, and where).
  if (book_->CheckFormula(text, "value", sheet) != xlsOK) Raise(Errors().formulaError, book_->GetLastError());
}

TBookHolder::TSaving::TSaving(TBookHolder& h) : h_(h) {
  h.CheckIdle();
  h.saving_ = true;
}

IXLSWorksheet& PySheet::Get() const {
  b->CheckIdle();
  if (sheet == nullptr || !b->HasSheet(sheet)) Raise(Errors().error, "the sheet was deleted");
  return *sheet;
}

// A format setter that cannot make the format (the workbook holds as many as a
// file can) leaves the cells as they were and says why through the workbook: the
// refusal becomes the exception.
template <class Set>
void Formatted(const PyRange& r, Set&& set) {
  TXLSWorkbook& book = r.b->Book();
  book.ClearLastError();
  set();
  if (!book.GetLastError().empty()) Raise(Errors().rangeError, book.GetLastError());
}

IXLSRange& PyRange::Get() const {
  b->CheckIdle();
  if (!b->HasSheet(sheet)) Raise(Errors().error, "the range's sheet was deleted");
  return *range;
}

PyRange WrapRange(const TBookPtr& b, IXLSWorksheet* sheet, IXLSRange* range) {
  return PyRange{b, sheet, Ref<IXLSRange>(range)};
}

namespace {

// ---- names of the object model's constants -----------------------------------------

struct TName {
  const char* name;
  std::int32_t value;
};

constexpr TName kHAlign[] = {{"general", 1},      {"left", -4131},     {"center", -4108},
                             {"right", -4152},    {"fill", 5},         {"justify", -4130},
                             {"center_across", 7}, {"distributed", -4117}};
constexpr TName kVAlign[] = {{"top", -4160}, {"center", -4108}, {"bottom", -4107},
                             {"justify", -4130}, {"distributed", -4117}};
constexpr TName kLineStyles[] = {{"none", -4142},      {"continuous", 1},  {"dash", -4115},
                                 {"dot", -4118},       {"double", -4119},  {"dash_dot", 4},
                                 {"dash_dot_dot", 5},  {"slant_dash_dot", 13}};
constexpr TName kWeights[] = {{"hairline", 1}, {"thin", 2}, {"medium", -4138}, {"thick", 4}};
constexpr TName kUnderlines[] = {{"none", -4142}, {"single", 2}, {"double", -4119},
                                 {"single_accounting", 4}, {"double_accounting", 5}};
constexpr TName kEdges[] = {{"left", 7}, {"top", 8}, {"bottom", 9}, {"right", 10},
                            {"inside_vertical", 11}, {"inside_horizontal", 12}};
constexpr TName kPatterns[] = {{"none", -4142}, {"solid", 1}, {"gray50", -4125}, {"gray75", -4126},
                               {"gray25", -4124}, {"horizontal", -4128}, {"vertical", -4166},
                               {"down", -4121}, {"up", -4162}};
constexpr TName kShifts[] = {{"up", xlShiftUp}, {"left", xlShiftToLeft}, {"down", xlShiftDown},
                             {"right", xlShiftToRight}};

template <std::size_t N>
std::string Names(const TName (&table)[N]) {
  std::string s;
  for (const TName& t : table) s += (s.empty() ? "" : ", ") + std::string(t.name);
  return s;
}

// A constant given by name or by its number; anything outside the table raises.
template <std::size_t N>
std::int32_t ConstantOf(py::handle v, const TName (&table)[N], const char* what) {
  if (py::isinstance<py::str>(v)) {
    const std::string s = v.cast<std::string>();
    for (const TName& t : table)
      if (s == t.name) return t.value;
  } else if (py::isinstance<py::int_>(v) && !py::isinstance<py::bool_>(v)) {
    const long long i = v.cast<long long>();
    for (const TName& t : table)
      if (i == t.value) return t.value;
  }
  Raise(PyExc_ValueError, std::string(what) + " must be one of " + Names(table) + ", not " +
                              py::repr(v).cast<std::string>());
}

template <std::size_t N>
py::object NameOf(std::int32_t value, const TName (&table)[N]) {
  for (const TName& t : table)
    if (t.value == value) return py::str(t.name);
  return py::int_(value);
}

template <std::size_t N>
py::object NameOf(const TVariant& value, const TName (&table)[N]) {
  if (value.IsEmptyOrNull() || !value.IsNumeric()) return FromVariant(value);
  return NameOf(value.AsInteger(), table);
}

}  // namespace

// ---- colours: "#RRGGBB", a colour name, (r, g, b) or 0xRRGGBB --------------------

std::uint32_t ColorArg(py::handle v) {
  if (py::isinstance<py::str>(v)) {
    TColor c = clNone;
    if (ParseColor(v.cast<std::string>(), c) && c != clNone) return ColorToRGB(c);
  } else if (py::isinstance<py::tuple>(v) || py::isinstance<py::list>(v)) {
    py::sequence s = py::reinterpret_borrow<py::sequence>(v);
    if (s.size() == 3) {
      std::uint32_t rgb = 0;
      bool ok = true;
      for (std::size_t i = 0; i < 3; ++i) {
        const long long c = s[i].cast<long long>();
        ok = ok && c >= 0 && c <= 255;
        rgb |= static_cast<std::uint32_t>(c & 0xFF) << (8 * i);
      }
      if (ok) return rgb;
    }
  } else if (py::isinstance<py::int_>(v) && !py::isinstance<py::bool_>(v)) {
    const long long c = v.cast<long long>();
    if (c >= 0 && c <= 0xFFFFFF)
      return static_cast<std::uint32_t>(((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16));
  }
  Raise(PyExc_ValueError, "a colour is \"#RRGGBB\", a colour name (red, navy, ...), an (r, g, b) "
                          "tuple or an int 0xRRGGBB, not " + py::repr(v).cast<std::string>());
}

std::string ColorText(std::uint32_t rgb) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s = "#";
  for (std::uint32_t c : {rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF}) {
    s += kHex[c >> 4];
    s += kHex[c & 15];
  }
  return s;
}

namespace {

std::int32_t ColorIndexArg(py::handle v) {
  const long long i = v.cast<long long>();
  if ((i < 1 || i > 56) && i != -4142 && i != -4105)
    Raise(PyExc_ValueError, "a colour index is 1 … 56, -4142 (none) or -4105 (automatic)");
  return static_cast<std::int32_t>(i);
}

// ---- ranges ---------------------------------------------------------------------------

[[noreturn]] void BadReference(std::string_view text) {
  Raise(Errors().rangeError, "\"" + std::string(text) +
                                 "\" is not a cell or range reference inside the sheet (A1, "
                                 "A1:C3, 3:5, B:D; rows 1-1048576, columns A-XFD)");
}

PyRange MakeRange(const PySheet& s, std::string_view a1) {
  IXLSWorksheet& sheet = s.Get();
  Ref<IXLSRange> r = sheet.Range(a1);
  if (!r) BadReference(a1);
  return PyRange{s.b, s.sheet, std::move(r)};
}

PyRange MakeRange(const TBookPtr& b, IXLSWorksheet* sheet, std::int64_t row1, std::int64_t col1,
                  std::int64_t row2, std::int64_t col2) {
  if (row1 < 0 || row2 < 0 || col1 < 0 || col2 < 0 || row1 > XLSXMaxRow || row2 > XLSXMaxRow ||
      col1 > XLSXMaxCol || col2 > XLSXMaxCol)
    Raise(Errors().rangeError, "cell (" + std::to_string(row1) + ", " + std::to_string(col1) +
                                   ") to (" + std::to_string(row2) + ", " + std::to_string(col2) +
                                   ") lies outside the sheet (rows 0-1048575, columns 0-16383)");
  const std::string a1 = EncodeCellRange(static_cast<std::uint32_t>(row1), static_cast<std::uint16_t>(col1),
                                         static_cast<std::uint32_t>(row2), static_cast<std::uint16_t>(col2));
  Ref<IXLSRange> r = sheet->Range(a1);
  if (!r) BadReference(a1);
  return PyRange{b, sheet, std::move(r)};
}

struct TCorners {
  std::int32_t row1, col1, row2, col2;
  std::int64_t Rows() const { return row2 - row1 + 1; }
  std::int64_t Cols() const { return col2 - col1 + 1; }
};

TCorners CornersOf(IXLSRange& r) {
  std::int32_t r1 = r.GetFirstRow(), r2 = r.GetLastRow(), c1 = r.GetFirstCol(), c2 = r.GetLastCol();
  if (r1 > r2) std::swap(r1, r2);
  if (c1 > c2) std::swap(c1, c2);
  return {r1, c1, r2, c2};
}

// A cell value, with formulas checked by the workbook's compiler before they are stored.
TVariant CellValue(TBookHolder& b, py::handle value, std::int32_t sheet) {
  TVariant v = ToVariant(value);
  if (v.Type() == varString && !v.StringRef().empty() && v.StringRef()[0] == '=')
    b.CheckFormula(std::string_view(v.StringRef()).substr(1), sheet);
  return v;
}

bool IsRowList(py::handle v) { return py::isinstance<py::list>(v) || py::isinstance<py::tuple>(v); }

void SetValuesAndDateFormats(PyRange& pr, py::handle value) {
  IXLSRange& r = pr.Get();
  if (!IsRowList(value)) {
    r.SetValue(CellValue(*pr.b, value, pr.sheet->GetIndex()));
    FormatDateRange(pr, value);
    return;
  }
  py::sequence rows = py::reinterpret_borrow<py::sequence>(value);
  const std::size_t n = rows.size();
  const bool twoDim = n > 0 && IsRowList(rows[0]);
  const std::size_t m = twoDim ? py::len(rows[0]) : n;
  const std::size_t height = twoDim ? n : 1;
  TCorners c = CornersOf(r);
  std::int64_t wantRows = c.Rows(), wantCols = c.Cols();
  if (!twoDim && wantCols == 1 && wantRows > 1) {  // a flat list down one column
    wantRows = 1;
    wantCols = c.Rows();
  }
  if (n == 0 || m == 0) Raise(PyExc_ValueError, "an empty list holds no cell values");
  const bool single = c.Rows() == 1 && c.Cols() == 1;
  if (!single && (static_cast<std::int64_t>(height) != wantRows || static_cast<std::int64_t>(m) != wantCols))
    Raise(PyExc_ValueError, "the values are " + std::to_string(height) + " x " + std::to_string(m) +
                                " but the range is " + std::to_string(c.Rows()) + " x " +
                                std::to_string(c.Cols()));
  const bool column = !twoDim && !single && c.Cols() == 1 && c.Rows() > 1;
  const std::int32_t outRows = column ? static_cast<std::int32_t>(m) : static_cast<std::int32_t>(height);
  const std::int32_t outCols = column ? 1 : static_cast<std::int32_t>(m);
  TVariant array = TVariant::Array2(0, outRows, 0, outCols);
  TVariantArray& a = array.Array();
  TDateCells dates;
  for (std::size_t i = 0; i < height; ++i) {
    py::handle row = twoDim ? rows[i] : value;
    if (twoDim && (!IsRowList(row) || py::len(row) != m))
      Raise(PyExc_ValueError, "row " + std::to_string(i) + " of the values is not a list of " +
                                  std::to_string(m) + " values");
    py::sequence cells = py::reinterpret_borrow<py::sequence>(row);
    for (std::size_t j = 0; j < m; ++j) {
      const auto oi = static_cast<std::int32_t>(column ? j : i);
      const auto oj = static_cast<std::int32_t>(column ? 0 : j);
      a.At(oi, oj) = CellValue(*pr.b, cells[j], pr.sheet->GetIndex());
      dates.Note(oi, oj, cells[j]);
    }
  }
  if (single && (outRows > 1 || outCols > 1)) {
    // One cell given a block of values: the block starts at that cell.
    PyRange grown = MakeRange(pr.b, pr.sheet, c.row1, c.col1, c.row1 + outRows - 1, c.col1 + outCols - 1);
    grown.range->SetValue(array);
    dates.Format(grown);
    return;
  }
  r.SetValue(array);
  dates.Format(pr);
}

// Dates get their number format with their values: a workbook that can make no
// more formats refuses, and the refusal is raised.
void SetRangeValue(PyRange& pr, py::handle value) {
  Formatted(pr, [&] { SetValuesAndDateFormats(pr, value); });
}

std::string RangeAddress(IXLSRange& r) {
  const TCorners c = CornersOf(r);
  if (c.Rows() == 1 && c.Cols() == 1)
    return EncodeCellRef(static_cast<std::uint32_t>(c.row1), static_cast<std::uint16_t>(c.col1));
  return EncodeCellRange(static_cast<std::uint32_t>(c.row1), static_cast<std::uint16_t>(c.col1),
                         static_cast<std::uint32_t>(c.row2), static_cast<std::uint16_t>(c.col2));
}

double PositiveNumber(py::handle v, const char* what, double max) {
  const double d = v.cast<double>();
  if (!(d >= 0 && d <= max))
    Raise(PyExc_ValueError, std::string(what) + " must lie in 0 … " + std::to_string(static_cast<int>(max)));
  return d;
}

// ---- saving -------------------------------------------------------------------------

const char* FormatName(std::int32_t format) {
  return format == 1 ? "Excel 5" : format == xlOpenXMLWorkbook ? ".xlsx" : "Excel 97";
}

std::string ParentDir(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::int32_t BiffArg(int biff) {
  if (biff == 8) return 2;
  if (biff == 5) return 1;
  Raise(PyExc_ValueError, "biff must be 8 (Excel 97) or 5 (Excel 5), not " + std::to_string(biff));
}

void SaveHtml(TBookHolder& b, const std::string& path, IXLSWorksheet* sheet, bool strict) {
  std::string failure;
  {
    TBookHolder::TSaving busy(b);
    py::gil_scoped_release unlocked;
    if (sheet) {
      try {
        if (strict) b.Book().SetStrict(true);
        sheet->SaveAsHTML(path);
      } catch (const EFileError& e) {
        failure = e.what();
      }
      if (strict) b.Book().SetStrict(false);
    } else if (b.Book().SaveAs(path, xlHTML, strict) != xlsOK) {
      failure = b.Book().GetLastError();
    }
  }
  if (!failure.empty()) Raise(Errors().saveError, "cannot save HTML: " + failure);
  WarnDataLoss(b.Book().GetWarnings());
}

PySheet SheetAt(const TBookPtr& b, py::handle key) {
  b->CheckIdle();
  IXLSWorkSheets* sheets = b->Book().GetWorksheets();
  std::int32_t pos = -1;
  if (py::isinstance<py::str>(key)) {
    pos = sheets->GetIndexByName(key.cast<std::string>());
    if (pos < 0) throw py::key_error("no sheet named " + py::repr(key).cast<std::string>());
  } else {
    long long i = key.cast<long long>();
    const std::int32_t n = sheets->GetCount();
    if (i < 0) i += n;
    if (i < 0 || i >= n) throw py::index_error("sheet index out of range");
    pos = static_cast<std::int32_t>(i + 1);
  }
  return PySheet{b, sheets->Get(pos)};
}

void Rename(IXLSWorksheet& sheet, const std::string& name) {
  sheet.SetWorkSheetName(name);
  if (sheet.GetWorkSheetName() != name)
    Raise(PyExc_ValueError, "\"" + name + "\" is not a valid sheet name here: 1 to 31 characters, none of "
                            "[ ] : * ? / \\, and not the name of another sheet");
}

PySheet AddSheet(const TBookPtr& b, const std::optional<std::string>& name, const PySheet* before,
                 const PySheet* after) {
  b->CheckIdle();
  IXLSWorkSheets* sheets = b->Book().GetWorksheets();
  IXLSWorksheet* ws = nullptr;
  if (before || after) {
    IXLSWorksheet* bs = before ? &before->Get() : nullptr;
    IXLSWorksheet* as = after ? &after->Get() : nullptr;
    ws = sheets->Add(bs, as, 1);
  } else {
    ws = sheets->Add();
  }
  if (ws == nullptr) Raise(Errors().error, "the workbook refused a new sheet");
  if (name) {
    try {
      Rename(*ws, *name);
    } catch (...) {
      ws->Delete();
      throw;
    }
  }
  return PySheet{b, ws};
}

}  // namespace

void SaveBook(TBookHolder& b, const std::string& path, std::int32_t format, bool strict) {
  std::int32_t result = xlsFail;
  {
    TBookHolder::TSaving busy(b);
    py::gil_scoped_release unlocked;
    result = b.Book().SaveAs(path, format, strict);
  }
  if (result == xlsOK) {
    WarnDataLoss(b.Book().GetWarnings());
    return;
  }
  std::string why;
  const std::string dir = ParentDir(path);
  if (!DirExists(dir))
    why = "the folder " + dir + " does not exist";
  else if (!b.Book().GetLastError().empty())
    why = b.Book().GetLastError();
  else
    why = "the file cannot be written";
  Raise(Errors().saveError, std::string("cannot save ") + path + " as " + FormatName(format) + ": " +
                                ResultName(result) + ": " + why + "; no file was written");
}

void BindObjectModel(py::module_& m) {
  py::class_<PyWorkbook> wb(m, "Workbook", R"doc(
A workbook held in memory, saved as an .xlsx workbook, an .xls file (Excel 97 or
Excel 5) or as HTML.

    book = tablirex.Workbook()
    sheet = book.sheets.add("Sales")
    sheet["A1"].value = "Region"
    sheet.range("A2:C3").value = [["North", 10, date(2026, 1, 1)],
                                  ["South", 12.5, None]]
    sheet["A1:C1"].font.bold = True
    book.save("sales.xlsx")             # by the name: .xlsx
    book.save("sales.xls")              # Excel 97; biff=5 for Excel 5
    book.save_html("sales.htm")

A workbook without sheets gets "Sheet1" when it is saved. Every handle (sheets,
ranges, fonts, ...) keeps its workbook alive. Failures raise tablirex.Error or one
of its subclasses (RangeError, FormulaError, SaveError) with the reason; TypeError
and ValueError report values of the wrong kind.
)doc");
  wb.def(py::init<>())
      .def_property_readonly("sheets", [](PyWorkbook& w) { return PySheets{w.b}; },
                             "The sheet collection (len, iteration, [index or name], add).")
      .def_property_readonly(
          "active_sheet",
          [](PyWorkbook& w) -> py::object {
            w.b->CheckIdle();
            IXLSWorksheet* s = w.b->Book().GetActiveSheet();
            if (s == nullptr) return py::none();
            return py::cast(PySheet{w.b, s});
          },
          "The active sheet, or None when the workbook has no sheet.")
      .def(
          "save",
          [](PyWorkbook& w, py::object path, std::optional<int> biff, bool strict) {
            const std::string file = PathArg(path);
            SaveBook(*w.b, file, biff ? BiffArg(*biff) : w.b->Book().FormatOfName(file), strict);
          },
          py::arg("path"), py::kw_only(), py::arg("biff") = py::none(), py::arg("strict") = false,
          "Saves as an .xlsx workbook when path ends in .xlsx, else as an .xls file;\n"
          "biff=8 (Excel 97, the default for other names) or biff=5 (Excel 5) asks for\n"
          "an .xls file whatever the name.\n"
          "Raises SaveError when the file cannot be written or a formula cannot be\n"
          "encoded; an earlier file at that path is then left as it was. Other threads\n"
          "run while the file is written. What the format cannot hold (a text longer\n"
          "than a cell holds, ...) is issued as tablirex.DataLossWarning; with\n"
          "strict=True (or book.strict = True) it raises SaveError instead and writes\n"
          "nothing.")
      .def(
          "save_html",
          [](PyWorkbook& w, py::object path, bool strict) { SaveHtml(*w.b, PathArg(path), nullptr, strict); },
          py::arg("path"), py::kw_only(), py::arg("strict") = false,
          "Saves as HTML: one sheet as one page; several as a frameset at path with the\n"
          "sheet pages in the folder <name>.files beside it. Raises SaveError when a file\n"
          "cannot be written. Warnings and strict as for save.")
      .def_property_readonly(
          "warnings", [](PyWorkbook& w) { return w.b->Book().GetWarnings(); },
          "What the latest save had to shorten, replace or leave out, one text each.")
      .def_property(
          "strict", [](PyWorkbook& w) { return w.b->Book().GetStrict(); },
          [](PyWorkbook& w, bool v) {
            w.b->CheckIdle();
            w.b->Book().SetStrict(v);
          },
          "True: every save fails (SaveError) instead of losing anything.")
      .def(
          "protect",
          [](PyWorkbook& w, const std::string& password) {
            w.b->CheckIdle();
            w.b->Book().Protect(password);
          },
          py::arg("password") = "", "Protects the workbook's structure, with a password when given.")
      .def(
          "unprotect",
          [](PyWorkbook& w, const std::string& password) {
            w.b->CheckIdle();
            w.b->Book().UnProtect(password);
            if (w.b->Book().Protection().IsProtected())
              Raise(PyExc_ValueError, "the password does not unprotect the workbook");
          },
          py::arg("password") = "", "Removes the protection; raises ValueError for a wrong password.")
      .def_property_readonly(
          "protected", [](PyWorkbook& w) { return w.b->Book().Protection().IsProtected(); },
          "True while the workbook is protected.")
      .def(
          "set_palette_color",
          [](PyWorkbook& w, int index, py::handle color) {
            w.b->CheckIdle();
            if (index < 1 || index > 56) Raise(PyExc_ValueError, "a colour index is 1 … 56");
            w.b->Book().SetCustomColor(index, 0, ColorArg(color));
          },
          py::arg("index"), py::arg("color"), "Changes the palette entry of colour index 1 … 56.")
      .def(
          "palette_color",
          [](PyWorkbook& w, int index) {
            if (index < 1 || index > 56) Raise(PyExc_ValueError, "a colour index is 1 … 56");
            return ColorText(w.b->Book().GetCustomColor2(index, 0));
          },
          py::arg("index"), "The colour (\"#RRGGBB\") of palette entry 1 … 56.")
      .def(
          "reset_palette", [](PyWorkbook& w) { w.b->Book().ResetColors(); }, "Restores the default palette.")
      .def_property(
          "code_page", [](PyWorkbook& w) { return w.b->Book().GetCodePage(); },
          [](PyWorkbook& w, std::uint16_t cp) {
            w.b->CheckIdle();
            w.b->Book().SetCodePage(cp);
          },
          "Code page of the 8-bit texts of Excel 5 files and HTML pages (1252 at first).")
      .def("__repr__", [](PyWorkbook& w) {
        return "<tablirex.Workbook with " + std::to_string(w.b->Book().GetWorksheets()->GetCount()) +
               " sheet(s)>";
      });

  py::class_<PySheets>(m, "Sheets", "The ordered sheets of a workbook; indices are zero-based.")
      .def("__len__", [](PySheets& s) { return s.b->Book().GetWorksheets()->GetCount(); })
      .def("__getitem__", [](PySheets& s, py::object key) { return SheetAt(s.b, key); },
           "A sheet by zero-based position (negative counts from the end) or by name.")
      .def("__contains__",
           [](PySheets& s, const std::string& name) {
             return s.b->Book().GetWorksheets()->GetIndexByName(name) > 0;
           })
      .def("__iter__",
           [](PySheets& s) {
             py::list out;
             IXLSWorkSheets* sheets = s.b->Book().GetWorksheets();
             for (std::int32_t i = 1; i <= sheets->GetCount(); ++i) out.append(PySheet{s.b, sheets->Get(i)});
             return py::iter(out);
           })
      .def(
          "add",
          [](PySheets& s, std::optional<std::string> name, const PySheet* before, const PySheet* after) {
            return AddSheet(s.b, name, before, after);
          },
          py::arg("name") = py::none(), py::kw_only(), py::arg("before") = py::none(),
          py::arg("after") = py::none(),
          "Adds a sheet (at the end, or before/after the given sheet) and returns it.\n"
          "Without a name it is called Sheet<n>. A name that is invalid or taken raises\n"
          "ValueError and adds nothing.")
      .def("__repr__", [](PySheets& s) {
        std::string names;
        IXLSWorkSheets* sheets = s.b->Book().GetWorksheets();
        for (std::int32_t i = 1; i <= sheets->GetCount(); ++i)
          names += (i > 1 ? ", " : "") + sheets->Get(i)->GetWorkSheetName();
        return "<tablirex.Sheets [" + names + "]>";
      });

  py::class_<PySheet>(m, "Sheet", R"doc(
A worksheet: 1048576 rows and 16384 columns (A … XFD). An Excel 97 file holds the
first 65536 rows and 256 columns (A … IV): saving one refuses a sheet with anything
past them.

sheet["B2"] and sheet.range("A1:C3") are ranges in A1 notation (also "3:5" for rows
and "B:D" for columns); sheet.cell(row, col) and sheet.range(row1, col1, row2, col2)
take zero-based numbers. sheet["B2"] = value sets a value directly.
)doc")
      .def_property(
          "name", [](PySheet& s) { return s.Get().GetWorkSheetName(); },
          [](PySheet& s, const std::string& name) { Rename(s.Get(), name); },
          "The sheet's name (1 to 31 characters, unique in the workbook).")
      .def_property_readonly("index", [](PySheet& s) { return s.Get().GetIndex() - 1; },
                             "Zero-based position in the workbook.")
      .def_property_readonly("workbook", [](PySheet& s) {
        PyWorkbook w;
        w.b = s.b;
        return w;
      })
      .def("range", [](PySheet& s, std::string_view a1) { return MakeRange(s, a1); }, py::arg("a1"),
           "The range of an A1 text: \"B2\", \"A1:C3\", rows \"3:5\", columns \"B:D\".")
      .def(
          "range",
          [](PySheet& s, std::int64_t row1, std::int64_t col1, std::int64_t row2, std::int64_t col2) {
            s.Get();
            return MakeRange(s.b, s.sheet, row1, col1, row2, col2);
          },
          py::arg("row1"), py::arg("col1"), py::arg("row2"), py::arg("col2"),
          "The range between two zero-based corners.")
      .def(
          "cell",
          [](PySheet& s, std::int64_t row, std::int64_t col) {
            s.Get();
            return MakeRange(s.b, s.sheet, row, col, row, col);
          },
          py::arg("row"), py::arg("col"), "The cell at a zero-based row and column.")
      .def("__getitem__", [](PySheet& s, std::string_view a1) { return MakeRange(s, a1); })
      .def("__setitem__",
           [](PySheet& s, std::string_view a1, py::handle value) {
             PyRange r = MakeRange(s, a1);
             SetRangeValue(r, value);
           })
      .def(
          "write",
          [](PySheet& s, std::int64_t row, std::int64_t col, py::handle value) {
            s.Get();
            PyRange r = MakeRange(s.b, s.sheet, row, col, row, col);
            SetRangeValue(r, value);
          },
          py::arg("row"), py::arg("col"), py::arg("value"),
          "Sets the value at a zero-based row and column (a list of lists fills the\n"
          "block starting there).")
      .def_property_readonly(
          "used_range",
          [](PySheet& s) {
            IXLSWorksheet& ws = s.Get();
            return PyRange{s.b, s.sheet, ws.GetUsedRange()};
          },
          "The range from the first to the last cell in use (A1 on an empty sheet).")
      .def_property_readonly("page_setup", [](PySheet& s) {
        s.Get();
        return PyPageSetup{s};
      })
      .def(
          "freeze_panes",
          [](PySheet& s, int rows, int cols, int topRow, int leftCol) {
            if (rows < 0 || cols < 0 || rows > XLSXMaxRow || cols > XLSXMaxCol)
              Raise(PyExc_ValueError, "rows and cols must lie inside the sheet");
            s.Get().FreezePanes(rows, cols, topRow, leftCol);
          },
          py::arg("rows"), py::arg("cols") = 0, py::kw_only(), py::arg("top_row") = -1,
          py::arg("left_col") = -1,
          "Freezes the first `rows` rows and `cols` columns; top_row and left_col are the\n"
          "first rows/columns shown in the scrolling panes (-1: right after the frozen ones).")
      .def(
          "split_panes",
          [](PySheet& s, float y, float x, int topRow, int leftCol) {
            if (!(x >= 0) || !(y >= 0)) Raise(PyExc_ValueError, "split positions must not be negative");
            s.Get().ThawPanes(y, x, topRow, leftCol);
          },
          py::arg("y") = 0.0f, py::arg("x") = 0.0f, py::kw_only(), py::arg("top_row") = -1,
          py::arg("left_col") = -1,
          "Splits the window without freezing: y in points from the top, x in column widths.")
      .def_property(
          "zoom", [](PySheet& s) { return s.Get().GetZoom(); },
          [](PySheet& s, int zoom) {
            if (s.Get().SetZoom(zoom) != xlsOK) Raise(PyExc_ValueError, "zoom must lie in 10 … 400");
          },
          "Zoom of the sheet's window in percent (10 … 400).")
      .def_property(
          "display_gridlines", [](PySheet& s) { return s.Get().GetDisplayGridLines(); },
          [](PySheet& s, bool v) { s.Get().SetDisplayGridLines(v); })
      .def(
          "protect", [](PySheet& s, const std::string& password) { s.Get().Protect(password); },
          py::arg("password") = "", "Protects the sheet's contents, with a password when given.")
      .def(
          "unprotect",
          [](PySheet& s, const std::string& password) {
            IXLSWorksheet& ws = s.Get();
            ws.UnProtect(password);
            if (ws.Protection().IsProtected())
              Raise(PyExc_ValueError, "the password does not unprotect the sheet");
          },
          py::arg("password") = "", "Removes the protection; raises ValueError for a wrong password.")
      .def_property_readonly("protected", [](PySheet& s) { return s.Get().Protection().IsProtected(); })
      .def("activate", [](PySheet& s) { s.Get().Activate(); }, "Makes this the active sheet.")
      .def("select", [](PySheet& s) { s.Get().Select(); }, "Selects this sheet's tab.")
      .def(
          "delete", [](PySheet& s) { s.Get().Delete(); },
          "Deletes the sheet; its handles and ranges raise afterwards.")
      .def(
          "save_html",
          [](PySheet& s, py::object path, bool strict) {
            s.Get();
            SaveHtml(*s.b, PathArg(path), s.sheet, strict);
          },
          py::arg("path"), py::kw_only(), py::arg("strict") = false,
          "Saves this sheet's used range as one HTML page (warnings and strict as for\n"
          "Workbook.save).")
      .def("__eq__", [](PySheet& a, PySheet& b) { return a.sheet == b.sheet; })
      .def("__hash__", [](PySheet& s) { return std::hash<const void*>()(s.sheet); })
      .def("__repr__", [](PySheet& s) {
        if (!s.b->HasSheet(s.sheet)) return std::string("<tablirex.Sheet (deleted)>");
        return "<tablirex.Sheet " + py::repr(py::str(s.sheet->GetWorkSheetName())).cast<std::string>() + ">";
      });

  py::class_<PyRange>(m, "Range", R"doc(
A rectangle of cells. Values: None (empty), bool, int, float, decimal.Decimal, str
(a formula when it starts with "="), bytes ("0x" + hex digits), datetime.date/
datetime/time and numpy/pandas timestamps (a cell without a number format of its
own then shows Workbook.date_format, datetime_format or time_format). A scalar sets
every cell; a list of lists sets one value per cell (its shape must match, or the
range is a single cell where the block starts); a flat list fills one row or one
column. Reading a single cell gives its value (dates as datetime.date when they
have no time of day); a larger range gives a list of lists.
)doc")
      .def_property(
          "value", [](PyRange& r) { return FromVariant(r.Get().GetValue()); },
          [](PyRange& r, py::handle v) { SetRangeValue(r, v); })
      .def_property_readonly("address", [](PyRange& r) { return RangeAddress(r.Get()); },
                             "The range in A1 notation, e.g. \"A1:C3\".")
      .def_property_readonly("row", [](PyRange& r) { return CornersOf(r.Get()).row1; }, "Zero-based first row.")
      .def_property_readonly("column", [](PyRange& r) { return CornersOf(r.Get()).col1; },
                             "Zero-based first column.")
      .def_property_readonly(
          "shape",
          [](PyRange& r) {
            const TCorners c = CornersOf(r.Get());
            return py::make_tuple(c.Rows(), c.Cols());
          },
          "(rows, columns).")
      .def_property_readonly("sheet", [](PyRange& r) {
        r.Get();
        return PySheet{r.b, r.sheet};
      })
      .def(
          "cell",
          [](PyRange& r, std::int64_t row, std::int64_t col) {
            const TCorners c = CornersOf(r.Get());
            return MakeRange(r.b, r.sheet, c.row1 + row, c.col1 + col, c.row1 + row, c.col1 + col);
          },
          py::arg("row"), py::arg("col"), "The cell at a zero-based offset from the first corner.")
      .def(
          "offset",
          [](PyRange& r, std::int64_t rows, std::int64_t cols) {
            const TCorners c = CornersOf(r.Get());
            return MakeRange(r.b, r.sheet, c.row1 + rows, c.col1 + cols, c.row2 + rows, c.col2 + cols);
          },
          py::arg("rows"), py::arg("cols"), "The same shape moved by rows and columns.")
      .def_property_readonly("entire_row", [](PyRange& r) { return PyRange{r.b, r.sheet, r.Get().GetEntireRow()}; })
      .def_property_readonly("entire_column",
                             [](PyRange& r) { return PyRange{r.b, r.sheet, r.Get().GetEntireColumn()}; })
      .def_property_readonly("font", [](PyRange& r) { return PyFont{r, r.Get().GetFont()}; })
      .def_property_readonly("interior", [](PyRange& r) { return PyInterior{r, r.Get().GetInterior()}; })
      .def_property_readonly("borders", [](PyRange& r) { return PyBorders{r, r.Get().GetBorders()}; })
      .def_property(
          "number_format", [](PyRange& r) { return FromVariant(r.Get().GetNumFormat()); },
          [](PyRange& r, std::string_view f) { Formatted(r, [&] { r.Get().SetNumFormat(f); }); },
          "Number format of the cells, e.g. \"0.00\", \"#,##0\", \"dd.mm.yyyy\".")
      .def_property(
          "column_width", [](PyRange& r) { return FromVariant(r.Get().GetColumnWidth()); },
          [](PyRange& r, py::handle v) {
            r.Get().SetColumnWidth(TVariant(PositiveNumber(v, "column_width (characters)", 255)));
          },
          "Width of the range's columns in characters (0 … 255).")
      .def_property(
          "row_height", [](PyRange& r) { return FromVariant(r.Get().GetRowHeight()); },
          [](PyRange& r, py::handle v) {
            r.Get().SetRowHeight(TVariant(PositiveNumber(v, "row_height (points)", 409)));
          },
          "Height of the range's rows in points (0 … 409).")
      .def_property(
          "hidden", [](PyRange& r) { return FromVariant(r.Get().GetHidden()); },
          [](PyRange& r, bool v) { r.Get().SetHidden(TVariant(v)); },
          "Whole rows or columns of the range hidden.")
      .def_property(
          "wrap_text", [](PyRange& r) { return FromVariant(r.Get().GetWrapText()); },
          [](PyRange& r, bool v) { Formatted(r, [&] { r.Get().SetWrapText(TVariant(v)); }); })
      .def_property(
          "orientation", [](PyRange& r) { return FromVariant(r.Get().GetOrientation()); },
          [](PyRange& r, int degrees) {
            if (degrees < -90 || degrees > 90) Raise(PyExc_ValueError, "orientation is -90 … 90 degrees");
            Formatted(r, [&] { r.Get().SetOrientation(TVariant(degrees)); });
          },
          "Text rotation in degrees, -90 … 90.")
      .def_property(
          "horizontal_alignment", [](PyRange& r) { return NameOf(r.Get().GetHAlign(), kHAlign); },
          [](PyRange& r, py::handle v) {
            const std::int32_t code = ConstantOf(v, kHAlign, "horizontal_alignment");
            Formatted(r, [&] { r.Get().SetHAlign(TVariant(code)); });
          },
          "general, left, center, right, fill, justify, center_across, distributed.")
      .def_property(
          "vertical_alignment", [](PyRange& r) { return NameOf(r.Get().GetVAlign(), kVAlign); },
          [](PyRange& r, py::handle v) {
            const std::int32_t code = ConstantOf(v, kVAlign, "vertical_alignment");
            Formatted(r, [&] { r.Get().SetVAlign(TVariant(code)); });
          },
          "top, center, bottom, justify, distributed.")
      .def(
          "merge", [](PyRange& r, bool across) { r.Get().Merge(across); }, py::arg("across") = false,
          "Merges the cells into one area (across=True: one area per row); the first\n"
          "cell keeps its value.")
      .def("unmerge", [](PyRange& r) { r.Get().Unmerge(); }, "Dissolves the merged areas the range touches.")
      .def("clear", [](PyRange& r) { r.Get().Clear(); }, "Empties the cells and drops their formats.")
      .def("clear_contents", [](PyRange& r) { r.Get().ClearContents(); }, "Empties the cells; formats stay.")
      .def("select", [](PyRange& r) { r.Get().Select(); }, "Makes the range the sheet's selection.")
      .def(
          "insert",
          [](PyRange& r, py::object shift) {
            const std::int32_t code = shift.is_none() ? 0 : ConstantOf(shift, kShifts, "shift");
            if (!r.Get().Insert(code).AsBoolean())
              Raise(Errors().rangeError, "inserting would push cells past row 1048576 or column XFD");
          },
          py::arg("shift") = py::none(), "Inserts empty cells here, shifting the others \"down\" or \"right\".")
      .def(
          "delete",
          [](PyRange& r, py::object shift) {
            const std::int32_t code = shift.is_none() ? 0 : ConstantOf(shift, kShifts, "shift");
            r.Get().Delete(code);
          },
          py::arg("shift") = py::none(), "Deletes the cells, moving the others \"up\" or \"left\".")
      .def(
          "copy_to", [](PyRange& r, PyRange& dest) { r.Get().Copy(&dest.Get()); }, py::arg("destination"),
          "Copies values, formats and column widths to the destination range.")
      .def(
          "move_to", [](PyRange& r, PyRange& dest) { r.Get().Move(&dest.Get()); }, py::arg("destination"),
          "Moves values, formats and column widths to the destination range.")
      .def(
          "format_like",
          [](PyRange& r, PyRange& cell) {
            if (r.b != cell.b) Raise(PyExc_ValueError, "the cell belongs to another workbook");
            r.Get().SetXFIndex(cell.Get().XFIndex());
          },
          py::arg("cell"),
          "Gives every cell of the range the format the cell shows (font, borders, fill,\n"
          "alignment, number format) as one, not property by property; values stay.")
      .def("__repr__", [](PyRange& r) {
        if (!r.b->HasSheet(r.sheet)) return std::string("<tablirex.Range (sheet deleted)>");
        return "<tablirex.Range " + r.sheet->GetWorkSheetName() + "!" + RangeAddress(*r.range) + ">";
      });

  py::class_<PyFont>(m, "Font", "The font of a range (getters read its first cell).")
      .def_property("name", [](PyFont& f) { return f.Get().GetName(); },
                    [](PyFont& f, std::string_view n) {
                      Formatted(f.r, [&] { f.Get().SetName(n); });
                    })
      .def_property("size", [](PyFont& f) { return f.Get().GetSize(); },
                    [](PyFont& f, float s) {
                      if (!(s >= 1 && s <= 409)) Raise(PyExc_ValueError, "a font size is 1 … 409 points");
                      Formatted(f.r, [&] { f.Get().SetSize(s); });
                    })
      .def_property("bold", [](PyFont& f) { return f.Get().GetBold(); },
                    [](PyFont& f, bool v) { Formatted(f.r, [&] { f.Get().SetBold(v); }); })
      .def_property("italic", [](PyFont& f) { return f.Get().GetItalic(); },
                    [](PyFont& f, bool v) { Formatted(f.r, [&] { f.Get().SetItalic(v); }); })
      .def_property("strikethrough", [](PyFont& f) { return f.Get().GetStrikethrough(); },
                    [](PyFont& f, bool v) { Formatted(f.r, [&] { f.Get().SetStrikethrough(v); }); })
      .def_property("superscript", [](PyFont& f) { return f.Get().GetSuperScript(); },
                    [](PyFont& f, bool v) { Formatted(f.r, [&] { f.Get().SetSuperScript(v); }); })
      .def_property("subscript", [](PyFont& f) { return f.Get().GetSubScript(); },
                    [](PyFont& f, bool v) { Formatted(f.r, [&] { f.Get().SetSubScript(v); }); })
      .def_property(
          "underline", [](PyFont& f) { return NameOf(f.Get().GetUnderLine(), kUnderlines); },
          [](PyFont& f, py::handle v) {
            std::int32_t code = 0;
            if (py::isinstance<py::bool_>(v)) code = v.cast<bool>() ? 2 : -4142;
            else code = ConstantOf(v, kUnderlines, "underline");
            Formatted(f.r, [&] { f.Get().SetUnderLine(static_cast<std::uint32_t>(code)); });
          },
          "True/False, or none, single, double, single_accounting, double_accounting.")
      .def_property("color", [](PyFont& f) { return ColorText(f.Get().GetColor()); },
                    [](PyFont& f, py::handle c) { Formatted(f.r, [&] { f.Get().SetColor(ColorArg(c)); }); },
                    "\"#RRGGBB\"; set also from a colour name, (r, g, b) or 0xRRGGBB.")
      .def_property("color_index", [](PyFont& f) { return f.Get().GetColorIndex(); },
                    [](PyFont& f, py::handle i) { Formatted(f.r, [&] { f.Get().SetColorIndex(ColorIndexArg(i)); }); });

  py::class_<PyInterior>(m, "Interior", "The fill of a range.")
      .def_property("color", [](PyInterior& f) { return ColorText(f.Get().GetColor()); },
                    [](PyInterior& f, py::handle c) { Formatted(f.r, [&] { f.Get().SetColor(ColorArg(c)); }); })
      .def_property("pattern_color", [](PyInterior& f) { return ColorText(f.Get().GetPatternColor()); },
                    [](PyInterior& f, py::handle c) { Formatted(f.r, [&] { f.Get().SetPatternColor(ColorArg(c)); }); })
      .def_property("color_index", [](PyInterior& f) { return f.Get().GetColorIndex(); },
                    [](PyInterior& f, py::handle i) {
                      Formatted(f.r, [&] { f.Get().SetColorIndex(static_cast<std::uint32_t>(ColorIndexArg(i))); });
                    })
      .def_property(
          "pattern", [](PyInterior& f) { return NameOf(f.Get().GetPattern(), kPatterns); },
          [](PyInterior& f, py::handle v) {
            std::int32_t code = 0;
            if (py::isinstance<py::int_>(v) && v.cast<long long>() >= 9 && v.cast<long long>() <= 18)
              code = v.cast<std::int32_t>();
            else
              code = ConstantOf(v, kPatterns, "pattern");
            Formatted(f.r, [&] { f.Get().SetPattern(static_cast<std::uint32_t>(code)); });
          },
          "none, solid, gray50, gray75, gray25, horizontal, vertical, down, up, or 9 … 18.");

  auto lineStyle = [](auto& view, py::handle v) {
    const auto code = static_cast<std::uint32_t>(ConstantOf(v, kLineStyles, "line_style"));
    Formatted(view.r, [&] { view.Get().SetLineStyle(code); });
  };
  auto weight = [](auto& view, py::handle v) {
    const auto code = static_cast<std::uint32_t>(ConstantOf(v, kWeights, "weight"));
    Formatted(view.r, [&] { view.Get().SetWeight(code); });
  };
  py::class_<PyBorders>(m, "Borders", R"doc(
All edges of a range at once (line_style, weight, color), and each edge through
borders["left"], ["top"], ["bottom"], ["right"], ["inside_vertical"],
["inside_horizontal"] (or the numbers 7 … 12).
Line styles: none, continuous, dash, dot, double, dash_dot, dash_dot_dot,
slant_dash_dot. Weights: hairline, thin, medium, thick.
)doc")
      .def_property("line_style", [](PyBorders& b) { return NameOf(b.Get().GetLineStyle(), kLineStyles); },
                    [lineStyle](PyBorders& b, py::handle v) { lineStyle(b, v); })
      .def_property("weight", [](PyBorders& b) { return NameOf(b.Get().GetWeight(), kWeights); },
                    [weight](PyBorders& b, py::handle v) { weight(b, v); })
      .def_property("color", [](PyBorders& b) { return ColorText(b.Get().GetColor()); },
                    [](PyBorders& b, py::handle c) { Formatted(b.r, [&] { b.Get().SetColor(ColorArg(c)); }); })
      .def_property("color_index", [](PyBorders& b) { return b.Get().GetColorIndex(); },
                    [](PyBorders& b, py::handle i) {
                      Formatted(b.r, [&] { b.Get().SetColorIndex(static_cast<std::uint32_t>(ColorIndexArg(i))); });
                    })
      .def("__getitem__", [](PyBorders& b, py::handle edge) {
        const std::int32_t index = ConstantOf(edge, kEdges, "edge");
        return PyBorder{b.r, b.Get().GetBorder(index)};
      });

  py::class_<PyBorder>(m, "Border", "One edge of a range.")
      .def_property("line_style", [](PyBorder& b) { return NameOf(b.Get().GetLineStyle(), kLineStyles); },
                    [lineStyle](PyBorder& b, py::handle v) { lineStyle(b, v); })
      .def_property("weight", [](PyBorder& b) { return NameOf(b.Get().GetWeight(), kWeights); },
                    [weight](PyBorder& b, py::handle v) { weight(b, v); })
      .def_property("color", [](PyBorder& b) { return ColorText(b.Get().GetColor()); },
                    [](PyBorder& b, py::handle c) { Formatted(b.r, [&] { b.Get().SetColor(ColorArg(c)); }); })
      .def_property("color_index", [](PyBorder& b) { return b.Get().GetColorIndex(); },
                    [](PyBorder& b, py::handle i) {
                      Formatted(b.r, [&] { b.Get().SetColorIndex(static_cast<std::uint32_t>(ColorIndexArg(i))); });
                    });

  using PS = IXLSPageSetup;
  auto ps = [](PyPageSetup& p) -> PS& { return *p.s.Get().GetPageSetup(); };
  auto textProp = [&](py::class_<PyPageSetup>& c, const char* name, std::string (PS::*get)() const,
                      void (PS::*set)(std::string_view)) {
    c.def_property(name, [ps, get](PyPageSetup& p) { return (ps(p).*get)(); },
                   [ps, set](PyPageSetup& p, std::string_view t) {
                     // A header or footer past its length is refused through the workbook.
                     TXLSWorkbook& book = p.s.b->Book();
                     book.ClearLastError();
                     (ps(p).*set)(t);
                     if (!book.GetLastError().empty()) Raise(PyExc_ValueError, book.GetLastError());
                   });
  };
  auto marginProp = [&](py::class_<PyPageSetup>& c, const char* name, double (PS::*get)() const,
                        void (PS::*set)(double)) {
    c.def_property(name, [ps, get](PyPageSetup& p) { return (ps(p).*get)(); },
                   [ps, set](PyPageSetup& p, double v) {
                     if (!(v >= 0 && v < 100)) Raise(PyExc_ValueError, "margins are 0 … 100 inches");
                     (ps(p).*set)(v);
                   });
  };
  auto boolProp = [&](py::class_<PyPageSetup>& c, const char* name, bool (PS::*get)() const,
                      void (PS::*set)(bool)) {
    c.def_property(name, [ps, get](PyPageSetup& p) { return (ps(p).*get)(); },
                   [ps, set](PyPageSetup& p, bool v) { (ps(p).*set)(v); });
  };
  auto pagesProp = [&](py::class_<PyPageSetup>& c, const char* name, TVariant (PS::*get)() const,
                       void (PS::*set)(const TVariant&)) {
    c.def_property(name, [ps, get](PyPageSetup& p) { return FromVariant((ps(p).*get)()); },
                   [ps, set](PyPageSetup& p, py::handle v) {
                     if (py::isinstance<py::bool_>(v) && !v.cast<bool>()) {
                       (ps(p).*set)(TVariant(false));
                       return;
                     }
                     const long long n = v.cast<long long>();
                     if (n < 0 || n > 32767) Raise(PyExc_ValueError, "a page count is 0 … 32767");
                     (ps(p).*set)(TVariant(static_cast<std::int32_t>(n)));
                   });
  };
  py::class_<PyPageSetup> pageSetup(m, "PageSetup", R"doc(
How a sheet prints: orientation ("portrait"/"landscape"), paper_size (9 = A4,
1 = Letter, ...), margins in inches, headers and footers, print_area ("A1:D20"),
print_title_rows ("1:2"), print_title_columns ("A:B"), gridlines, headings,
centring, zoom (10 … 400 percent, or False to fit to pages) and
fit_to_pages_wide / fit_to_pages_tall.
)doc");
  pageSetup
      .def_property(
          "orientation", [ps](PyPageSetup& p) { return ps(p).GetOrientation() == xlLandscape ? "landscape" : "portrait"; },
          [ps](PyPageSetup& p, const std::string& v) {
            if (v != "portrait" && v != "landscape")
              Raise(PyExc_ValueError, "orientation is \"portrait\" or \"landscape\"");
            ps(p).SetOrientation(v == "landscape" ? xlLandscape : xlPortrait);
          })
      .def_property(
          "paper_size", [ps](PyPageSetup& p) { return ps(p).GetPaperSize(); },
          [ps](PyPageSetup& p, int v) {
            if (v < 1 || v > 256) Raise(PyExc_ValueError, "a paper size code is 1 … 256");
            ps(p).SetPaperSize(v);
          })
      .def_property(
          "print_area", [ps](PyPageSetup& p) { return ps(p).FGetPrintArea(); },
          [ps](PyPageSetup& p, std::string_view a1) {
            std::uint32_t r1 = 0, r2 = 0;
            std::uint16_t c1 = 0, c2 = 0;
            if (!a1.empty() && GetCellRange(a1, r1, c1, r2, c2) != xlsOK) BadReference(a1);
            ps(p).FSetPrintArea(a1);
          },
          "The printed cells, e.g. \"A1:D20\"; \"\" prints the used range.")
      .def_property(
          "print_title_rows", [ps](PyPageSetup& p) { return ps(p).GetPrintTitleRows(); },
          [ps](PyPageSetup& p, std::string_view rows) {
            std::int32_t a = 0, b = 0;
            if (!RowDiapasonToValues(rows, a, b)) BadReference(rows);
            ps(p).SetPrintTitleRows(rows);
          },
          "Rows repeated on every page, e.g. \"1:2\".")
      .def_property(
          "print_title_columns", [ps](PyPageSetup& p) { return ps(p).GetPrintTitleColumns(); },
          [ps](PyPageSetup& p, std::string_view cols) {
            std::int32_t a = 0, b = 0;
            if (!ColDiapasonToValues(cols, a, b)) BadReference(cols);
            ps(p).SetPrintTitleColumns(cols);
          },
          "Columns repeated on every page, e.g. \"A:B\".")
      .def_property(
          "zoom", [ps](PyPageSetup& p) { return FromVariant(ps(p).GetZoom()); },
          [ps](PyPageSetup& p, py::handle v) {
            if (py::isinstance<py::bool_>(v) && !v.cast<bool>()) {
              ps(p).SetZoom(TVariant(false));
              return;
            }
            const long long z = v.cast<long long>();
            if (z < 10 || z > 400) Raise(PyExc_ValueError, "print zoom is 10 … 400 percent, or False");
            ps(p).SetZoom(TVariant(static_cast<std::int32_t>(z)));
          });
  textProp(pageSetup, "left_header", &PS::GetLeftHeader, &PS::SetLeftHeader);
  textProp(pageSetup, "center_header", &PS::GetCenterHeader, &PS::SetCenterHeader);
  textProp(pageSetup, "right_header", &PS::GetRightHeader, &PS::SetRightHeader);
  textProp(pageSetup, "left_footer", &PS::GetLeftFooter, &PS::SetLeftFooter);
  textProp(pageSetup, "center_footer", &PS::GetCenterFooter, &PS::SetCenterFooter);
  textProp(pageSetup, "right_footer", &PS::GetRightFooter, &PS::SetRightFooter);
  marginProp(pageSetup, "left_margin", &PS::GetLeftMargin, &PS::SetLeftMargin);
  marginProp(pageSetup, "right_margin", &PS::GetRightMargin, &PS::SetRightMargin);
  marginProp(pageSetup, "top_margin", &PS::GetTopMargin, &PS::SetTopMargin);
  marginProp(pageSetup, "bottom_margin", &PS::GetBottomMargin, &PS::SetBottomMargin);
  marginProp(pageSetup, "header_margin", &PS::GetHeaderMargin, &PS::SetHeaderMargin);
  marginProp(pageSetup, "footer_margin", &PS::GetFooterMargin, &PS::SetFooterMargin);
  boolProp(pageSetup, "print_gridlines", &PS::GetPrintGridlines, &PS::SetPrintGridlines);
  boolProp(pageSetup, "print_headings", &PS::GetPrintHeadings, &PS::SetPrintHeadings);
  boolProp(pageSetup, "center_horizontally", &PS::GetCenterHorizontally, &PS::SetCenterHorizontally);
  boolProp(pageSetup, "center_vertically", &PS::GetCenterVertically, &PS::SetCenterVertically);
  pagesProp(pageSetup, "fit_to_pages_wide", &PS::GetFitToPagesWide, &PS::SetFitToPagesWide);
  pagesProp(pageSetup, "fit_to_pages_tall", &PS::GetFitToPagesTall, &PS::SetFitToPagesTall);
}

}  // namespace tablirex::python
