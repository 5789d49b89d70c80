// Hyperlinks, data validation, conditional formats and defined names from Python:
// Sheet.add_hyperlink / hyperlinks, Range.validation / add_validation,
// Range.add_condition / conditions, Workbook.names and Sheet.names. Every refusal
// of the library raises with the workbook's reason.
#include <pybind11/stl.h>

#include <optional>

#include "convert.h"
#include "object_model.h"
#include "tablirex/conditions.h"
#include "tablirex/hyperlinks.h"
#include "tablirex/names.h"
#include "tablirex/result.h"
#include "tablirex/validation.h"

namespace tablirex::python {
namespace {

struct TConstName {
  const char* name;
  std::int32_t value;
};
constexpr TConstName kTypes[] = {{"any", 0},  {"whole", 1}, {"decimal", 2},     {"list", 3},
                                 {"date", 4}, {"time", 5},  {"text_length", 6}, {"custom", 7}};
constexpr TConstName kAlerts[] = {{"stop", 1}, {"warning", 2}, {"information", 3}};
constexpr TConstName kOperators[] = {{"between", 1}, {"not_between", 2}, {"equal", 3},          {"not_equal", 4},
                                     {"greater", 5}, {"less", 6},        {"greater_equal", 7}, {"less_equal", 8}};
constexpr TConstName kConditionTypes[] = {{"cell", 1}, {"expression", 2}};

template <std::size_t N>
std::int32_t Const(py::handle v, const TConstName (&table)[N], const char* what) {
  if (py::isinstance<py::str>(v)) {
    const std::string s = v.cast<std::string>();
    for (const TConstName& t : table)
      if (s == t.name) return t.value;
  } else if (py::isinstance<py::int_>(v) && !py::isinstance<py::bool_>(v)) {
    const long long i = v.cast<long long>();
    for (const TConstName& t : table)
      if (i == t.value) return t.value;
  }
  std::string names;
  for (const TConstName& t : table) names += (names.empty() ? "" : ", ") + std::string(t.name);
  Raise(PyExc_ValueError, std::string(what) + " must be one of " + names + ", not " + py::repr(v).cast<std::string>());
}

template <std::size_t N>
py::object NameOf(std::int32_t v, const TConstName (&table)[N]) {
  for (const TConstName& t : table)
    if (t.value == v) return py::str(t.name);
  return py::none();
}

// Raises with the workbook's reason for a refusal.
[[noreturn]] void Refused(TBookHolder& b, const char* what) {
  const std::string why = b.Book().GetLastError();
  Raise(why.find("formula") != std::string::npos ? Errors().formulaError : Errors().error,
        why.empty() ? std::string(what) + " was refused" : why);
}

void Check(TBookHolder& b, std::int32_t result, const char* what) {
  if (result != xlsOK) Refused(b, what);
}

// ---- hyperlinks ----------------------------------------------------------------------

struct PyHyperlink {
  PySheet s;
  Ref<IXLSHyperlink> v;
  IXLSHyperlink& Get() const {
    s.Get();
    return *v;
  }
};

// ---- names -----------------------------------------------------------------------------

struct PyNames {
  TBookPtr b;
  IXLSWorksheet* sheet = nullptr;  // nullptr: the workbook's names
  Ref<IXLSNames> Get() const {
    b->CheckIdle();
    if (!sheet) return b->Book().GetNames();
    return PySheet{b, sheet}.Get().GetNames();
  }
};

struct PyName {
  PyNames n;
  Ref<IXLSName> v;
  IXLSName& Get() const {
    n.Get();
    return *v;
  }
};

// ---- validation --------------------------------------------------------------------------

/// A validation's settings as Python holds them, before and after they meet a range.
struct PyValidation {
  std::int32_t type = 0;
  std::int32_t alert = 1;
  std::int32_t op = 1;
  std::string formula1, formula2;
  bool ignoreBlank = true, inCellDropdown = true, showInput = true, showError = true;
  std::string inputTitle, inputMessage, errorTitle, errorMessage;
};

void ApplyValidation(PyRange& r, const PyValidation& v) {
  const Ref<IXLSValidation> dv = r.Get().GetValidation();
  TBookHolder& b = *r.b;
  b.Book().ClearLastError();
  Check(b, dv->Add(v.type, v.alert, v.op, v.formula1, v.formula2), "the validation");
  Check(b, dv->SetIgnoreBlank(v.ignoreBlank), "ignore_blank");
  Check(b, dv->SetInCellDropdown(v.inCellDropdown), "in_cell_dropdown");
  Check(b, dv->SetShowInput(v.showInput), "show_input");
  Check(b, dv->SetShowError(v.showError), "show_error");
  Check(b, dv->SetInputTitle(v.inputTitle), "input_title");
  Check(b, dv->SetInputMessage(v.inputMessage), "input_message");
  Check(b, dv->SetErrorTitle(v.errorTitle), "error_title");
  Check(b, dv->SetErrorMessage(v.errorMessage), "error_message");
}

PyValidation ReadValidation(IXLSValidation& dv) {
  PyValidation v;
  v.type = dv.GetType();
  v.alert = dv.GetAlertStyle();
  v.op = dv.GetOperator();
  v.formula1 = dv.GetFormula1();
  v.formula2 = dv.GetFormula2();
  v.ignoreBlank = dv.GetIgnoreBlank();
  v.inCellDropdown = dv.GetInCellDropdown();
  v.showInput = dv.GetShowInput();
  v.showError = dv.GetShowError();
  v.inputTitle = dv.GetInputTitle();
  v.inputMessage = dv.GetInputMessage();
  v.errorTitle = dv.GetErrorTitle();
  v.errorMessage = dv.GetErrorMessage();
  return v;
}

PyValidation MakeValidation(py::handle type, const std::string& formula1, const std::string& formula2,
                            py::handle op, py::handle alert, bool ignoreBlank, bool inCellDropdown,
                            const std::string& inputTitle, const std::string& inputMessage,
                            const std::string& errorTitle, const std::string& errorMessage, bool showInput,
                            bool showError) {
  PyValidation v;
  v.type = Const(type, kTypes, "type");
  v.op = Const(op, kOperators, "operator");
  v.alert = Const(alert, kAlerts, "alert");
  v.formula1 = formula1;
  v.formula2 = formula2;
  v.ignoreBlank = ignoreBlank;
  v.inCellDropdown = inCellDropdown;
  v.inputTitle = inputTitle;
  v.inputMessage = inputMessage;
  v.errorTitle = errorTitle;
  v.errorMessage = errorMessage;
  v.showInput = showInput;
  v.showError = showError;
  return v;
}

// ---- conditional formats --------------------------------------------------------------------

struct PyCondition {
  PyRange r;
  Ref<IXLSFormatCondition> v;
  IXLSFormatCondition& Get() const {
    r.Get();
    return *v;
  }
};

}  // namespace

void BindSheetExtras(py::module_& m) {
  py::class_<PyHyperlink>(m, "Hyperlink", "A hyperlink of a sheet (Sheet.add_hyperlink, Sheet.hyperlinks).")
      .def_property(
          "address", [](PyHyperlink& h) { return h.Get().GetAddress(); },
          [](PyHyperlink& h, std::string_view v) { Check(*h.s.b, h.Get().SetAddress(v), "address"); },
          "The web or mail address or file; empty for a place in the workbook.")
      .def_property(
          "sub_address", [](PyHyperlink& h) { return h.Get().GetSubAddress(); },
          [](PyHyperlink& h, std::string_view v) { Check(*h.s.b, h.Get().SetSubAddress(v), "sub_address"); },
          "A place in the target: \"'Sheet 2'!A1\" for this workbook.")
      .def_property(
          "tip", [](PyHyperlink& h) { return h.Get().GetScreenTip(); },
          [](PyHyperlink& h, std::string_view v) { Check(*h.s.b, h.Get().SetScreenTip(v), "tip"); })
      .def_property(
          "text", [](PyHyperlink& h) { return h.Get().GetTextToDisplay(); },
          [](PyHyperlink& h, std::string_view v) { Check(*h.s.b, h.Get().SetTextToDisplay(v), "text"); },
          "The text of the anchor's first cell.")
      .def_property_readonly("range",
                             [](PyHyperlink& h) {
                               Ref<IXLSRange> r = h.Get().GetRange();
                               if (!r) Raise(Errors().error, "the hyperlink was deleted");
                               return WrapRange(h.s.b, h.s.sheet, r.get());
                             })
      .def("delete", [](PyHyperlink& h) { Check(*h.s.b, h.Get().Delete(), "delete"); }, "Removes the link.");

  auto sheet = py::reinterpret_borrow<py::class_<PySheet>>(m.attr("Sheet"));
  sheet
      .def(
          "add_hyperlink",
          [](PySheet& s, std::string_view a1, const std::string& address, const std::string& subAddress,
             const std::string& tip, const std::string& text) {
            IXLSWorksheet& ws = s.Get();
            Ref<IXLSRange> anchor = ws.Range(a1);
            if (!anchor) Raise(Errors().rangeError, "\"" + std::string(a1) + "\" is not a cell or range reference");
            s.b->Book().ClearLastError();
            Ref<IXLSHyperlink> h = ws.GetHyperlinks()->Add(anchor.get(), address, subAddress, tip, text);
            if (!h) Refused(*s.b, "the hyperlink");
            return PyHyperlink{s, h};
          },
          py::arg("a1"), py::arg("address") = "", py::kw_only(), py::arg("sub_address") = "", py::arg("tip") = "",
          py::arg("text") = "",
          "Makes the cells at a1 a link to address (https://..., mailto:..., a file) and/or\n"
          "sub_address (a place in this workbook: \"'Sheet 2'!A1\"). The first cell shows text,\n"
          "or the address when it is empty; tip is shown when the pointer rests on it.")
      .def_property_readonly(
          "hyperlinks",
          [](PySheet& s) {
            Ref<IXLSHyperlinks> links = s.Get().GetHyperlinks();
            std::vector<PyHyperlink> out;
            for (std::int32_t i = 1; i <= links->GetCount(); ++i) out.push_back(PyHyperlink{s, links->GetItem(i)});
            return out;
          },
          "The sheet's hyperlinks, in the order they were added.")
      .def_property_readonly("names", [](PySheet& s) {
        s.Get();
        return PyNames{s.b, s.sheet};
      }, "The names of this sheet's own.");

  auto book = py::reinterpret_borrow<py::class_<PyWorkbook>>(m.attr("Workbook"));
  book.def_property_readonly("names", [](PyWorkbook& w) { return PyNames{w.b, nullptr}; },
                             "The workbook's defined names: book.names.add(\"Rate\", \"=Sheet1!$B$1\").");

  py::class_<PyNames>(m, "Names", "Defined names of the workbook or of one sheet.")
      .def(
          "add",
          [](PyNames& n, const std::string& name, const std::string& refersTo) {
            n.b->Book().ClearLastError();
            Ref<IXLSName> v = n.Get()->Add(name, refersTo);
            if (!v) Refused(*n.b, "the name");
            return PyName{n, v};
          },
          py::arg("name"), py::arg("refers_to"),
          "Adds a name for a formula (\"=Sheet1!$B$1\", \"=0.07\"); formulas can then use it.")
      .def("__len__", [](PyNames& n) { return n.Get()->GetCount(); })
      .def("__contains__", [](PyNames& n, const std::string& name) { return n.Get()->GetItem(name) != nullptr; })
      .def("__getitem__",
           [](PyNames& n, py::handle key) {
             Ref<IXLSNames> names = n.Get();
             Ref<IXLSName> v;
             if (py::isinstance<py::str>(key)) {
               v = names->GetItem(key.cast<std::string>());
               if (!v) throw py::key_error(key.cast<std::string>());
             } else {
               const long long i = key.cast<long long>();
               const long long count = names->GetCount();
               const long long at = i < 0 ? count + i : i;
               if (at < 0 || at >= count) throw py::index_error("name index out of range");
               v = names->GetItem(static_cast<std::int32_t>(at + 1));
             }
             return PyName{n, v};
           })
      .def("__delitem__",
           [](PyNames& n, const std::string& name) {
             if (n.Get()->Delete(name) != xlsOK) throw py::key_error(name);
           })
      .def("__iter__",
           [](PyNames& n) {
             Ref<IXLSNames> names = n.Get();
             py::list out;
             for (std::int32_t i = 1; i <= names->GetCount(); ++i) out.append(PyName{n, names->GetItem(i)});
             return py::iter(out);
           });

  py::class_<PyName>(m, "Name", "One defined name.")
      .def_property_readonly("name", [](PyName& n) { return n.Get().GetName(); })
      .def_property(
          "refers_to", [](PyName& n) { return n.Get().GetRefersTo(); },
          [](PyName& n, std::string_view v) { Check(*n.n.b, n.Get().SetRefersTo(v), "refers_to"); })
      .def_property(
          "visible", [](PyName& n) { return n.Get().GetVisible(); },
          [](PyName& n, bool v) { Check(*n.n.b, n.Get().SetVisible(v), "visible"); })
      .def_property_readonly("sheet", [](PyName& n) { return n.Get().GetParentSheet(); },
                             "The sheet it belongs to; empty for a workbook name.")
      .def("delete", [](PyName& n) { Check(*n.n.b, n.Get().Delete(), "delete"); });

  py::class_<PyValidation>(m, "Validation", R"doc(
Data validation settings, given to a range: sheet["B2:B100"].validation =
tablirex.Validation("list", "Yes,No,Maybe", input_message="Pick one").

type: any, whole, decimal, list, date, time, text_length or custom (or 0 … 7).
formula1/formula2: formulas ("10", "=$H$1", "=DATE(2024;1;1)"); a list is its
entries without "=" ("Yes,No") or the cells holding them ("=$H$1:$H$5",
"=Lists!A1:A9"). operator: between, not_between, equal, not_equal, greater, less,
greater_equal, less_equal. alert: stop, warning or information.
)doc")
      .def(py::init(&MakeValidation), py::arg("type"), py::arg("formula1") = "", py::arg("formula2") = "",
           py::kw_only(), py::arg("operator") = "between", py::arg("alert") = "stop", py::arg("ignore_blank") = true,
           py::arg("in_cell_dropdown") = true, py::arg("input_title") = "", py::arg("input_message") = "",
           py::arg("error_title") = "", py::arg("error_message") = "", py::arg("show_input") = true,
           py::arg("show_error") = true)
      .def_property_readonly("type", [](PyValidation& v) { return NameOf(v.type, kTypes); })
      .def_property_readonly("operator", [](PyValidation& v) { return NameOf(v.op, kOperators); })
      .def_property_readonly("alert", [](PyValidation& v) { return NameOf(v.alert, kAlerts); })
      .def_readonly("formula1", &PyValidation::formula1)
      .def_readonly("formula2", &PyValidation::formula2)
      .def_readonly("ignore_blank", &PyValidation::ignoreBlank)
      .def_readonly("in_cell_dropdown", &PyValidation::inCellDropdown)
      .def_readonly("input_title", &PyValidation::inputTitle)
      .def_readonly("input_message", &PyValidation::inputMessage)
      .def_readonly("error_title", &PyValidation::errorTitle)
      .def_readonly("error_message", &PyValidation::errorMessage)
      .def_readonly("show_input", &PyValidation::showInput)
      .def_readonly("show_error", &PyValidation::showError);

  py::class_<PyCondition>(m, "FormatCondition", R"doc(
A condition of a range's conditional format. font, interior and borders set what the
cells show while it holds: font bold, italic, underline, strikethrough and colour;
fill colour and pattern; edge styles and colours.
)doc")
      .def_property_readonly("type", [](PyCondition& c) { return NameOf(c.Get().GetType(), kConditionTypes); })
      .def_property_readonly("operator", [](PyCondition& c) { return NameOf(c.Get().GetOperator(), kOperators); })
      .def_property_readonly("formula1", [](PyCondition& c) { return c.Get().GetFormula1(); })
      .def_property_readonly("formula2", [](PyCondition& c) { return c.Get().GetFormula2(); })
      .def_property_readonly("font", [](PyCondition& c) { return PyFont{c.r, c.Get().GetFont()}; })
      .def_property_readonly("interior", [](PyCondition& c) { return PyInterior{c.r, c.Get().GetInterior()}; })
      .def_property_readonly("borders", [](PyCondition& c) { return PyBorders{c.r, c.Get().GetBorders()}; })
      .def("delete", [](PyCondition& c) { Check(*c.r.b, c.Get().Delete(), "delete"); });

  auto range = py::reinterpret_borrow<py::class_<PyRange>>(m.attr("Range"));
  range
      .def_property(
          "validation",
          [](PyRange& r) -> std::optional<PyValidation> {
            const Ref<IXLSValidation> dv = r.Get().GetValidation();
            if (!dv->Exists()) return std::nullopt;
            return ReadValidation(*dv);
          },
          [](PyRange& r, std::optional<PyValidation> v) {
            if (!v) {
              Check(*r.b, r.Get().GetValidation()->Delete(), "the validation");
              return;
            }
            ApplyValidation(r, *v);
          },
          "The Validation of the range's first cell, or None; setting one validates the\n"
          "range's cells (replacing what validated them), None removes it.")
      .def(
          "add_validation",
          [](PyRange& r, py::handle type, const std::string& formula1, const std::string& formula2, py::handle op,
             py::handle alert, bool ignoreBlank, bool inCellDropdown, const std::string& inputTitle,
             const std::string& inputMessage, const std::string& errorTitle, const std::string& errorMessage,
             bool showInput, bool showError) {
            ApplyValidation(r, MakeValidation(type, formula1, formula2, op, alert, ignoreBlank, inCellDropdown,
                                              inputTitle, inputMessage, errorTitle, errorMessage, showInput,
                                              showError));
          },
          py::arg("type"), py::arg("formula1") = "", py::arg("formula2") = "", py::kw_only(),
          py::arg("operator") = "between", py::arg("alert") = "stop", py::arg("ignore_blank") = true,
          py::arg("in_cell_dropdown") = true, py::arg("input_title") = "", py::arg("input_message") = "",
          py::arg("error_title") = "", py::arg("error_message") = "", py::arg("show_input") = true,
          py::arg("show_error") = true, "range.validation = Validation(...) in one call.")
      .def(
          "add_condition",
          [](PyRange& r, py::handle type, const std::string& formula1, const std::string& formula2, py::handle op) {
            const std::int32_t t = Const(type, kConditionTypes, "type");
            const std::int32_t o = t == 1 ? Const(op, kOperators, "operator") : 0;
            r.b->Book().ClearLastError();
            Ref<IXLSFormatCondition> c = r.Get().GetFormatConditions()->Add(t, o, formula1, formula2);
            if (!c) Refused(*r.b, "the condition");
            return PyCondition{r, c};
          },
          py::arg("type"), py::arg("formula1"), py::arg("formula2") = "", py::kw_only(),
          py::arg("operator") = "greater",
          "Adds a condition (at most 3 per range): type \"cell\" compares the value by operator\n"
          "with formula1 (and formula2 for between/not_between); \"expression\" holds when\n"
          "formula1 is true. Returns the FormatCondition whose font, interior and borders say\n"
          "what the cells show while it holds.")
      .def_property_readonly(
          "conditions",
          [](PyRange& r) {
            Ref<IXLSFormatConditions> all = r.Get().GetFormatConditions();
            std::vector<PyCondition> out;
            for (std::int32_t i = 1; i <= all->GetCount(); ++i) out.push_back(PyCondition{r, all->GetItem(i)});
            return out;
          },
          "The conditions of the range's conditional format.")
      .def("delete_conditions", [](PyRange& r) { r.Get().GetFormatConditions()->Delete(); },
           "Takes the range's cells out of every conditional format.");
}

}  // namespace tablirex::python
