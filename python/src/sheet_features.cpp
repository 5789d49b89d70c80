// Document properties, sheet visibility and tab colour, outline grouping and
// rich text from Python:
//
//   book.properties.title = "Sales 2026"
//   sheet.visible = "hidden"            # "visible", "hidden", "very_hidden"
//   sheet.tab_color = "#FF0000"
//   sheet["2:5"].group(); sheet["2:5"].show_detail = False
//   sheet["A1"].characters(7, 4).font.bold = True
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>

#include "convert.h"
#include "object_model.h"
#include "tablirex/characters.h"
#include "tablirex/colors.h"
#include "tablirex/result.h"

namespace tablirex::python {
namespace {

struct PyProperties {
  TBookPtr b;
};
struct PyOutline {
  PySheet s;
};
struct PyCharacters {
  PyRange r;
  Ref<IXLSCharacters> c;
};

// A refused operation raises with the workbook's reason.
void Check(TBookHolder& b, std::int32_t result, PyObject* type) {
  if (result != xlsOK) Raise(type, b.Book().GetLastError());
}

// A summary position as one of two words: the default's for its value, the other's
// for any other value; the setter takes either word.
template <std::int32_t (IXLSOutline::*Get)()>
auto SummaryWord(const char* word, std::int32_t value, const char* other) {
  return [=](PyOutline& o) { return std::string(((*o.s.Get().GetOutline()).*Get)() == value ? word : other); };
}

template <void (IXLSOutline::*Set)(std::int32_t)>
auto SetSummaryWord(const char* name, const char* word, std::int32_t value, const char* other,
                    std::int32_t otherValue) {
  return [=](PyOutline& o, const std::string& v) {
    if (v != word && v != other)
      Raise(PyExc_ValueError, std::string(name) + " is \"" + word + "\" or \"" + other + "\"");
    ((*o.s.Get().GetOutline()).*Set)(v == word ? value : otherValue);
  };
}

void BindProperties(py::module_& m) {
  py::class_<PyProperties> props(m, "DocumentProperties", R"doc(
The workbook's built-in document properties, saved in every .xls file (both
versions) and as <title> and <meta> in HTML pages. Texts are str, None while not
set; created and last_saved are datetime.datetime (UTC) or None. Nothing is set
in a new workbook: the times are written only when given.
)doc");
  struct TText {
    const char* name;
    std::int32_t property;
  };
  static constexpr TText kTexts[] = {{"title", xlPropertyTitle},       {"subject", xlPropertySubject},
                                     {"author", xlPropertyAuthor},     {"manager", xlPropertyManager},
                                     {"company", xlPropertyCompany},   {"category", xlPropertyCategory},
                                     {"keywords", xlPropertyKeywords}, {"comments", xlPropertyComments}};
  for (const TText& t : kTexts) {
    const std::int32_t p = t.property;
    props.def_property(
        t.name,
        [p](PyProperties& ps) -> py::object {
          ps.b->CheckIdle();
          const TVariant v = ps.b->Book().GetDocumentProperty(p);
          return v.IsEmptyOrNull() ? py::object(py::none()) : py::object(py::str(v.AsString()));
        },
        [p](PyProperties& ps, std::optional<std::string> v) {
          ps.b->CheckIdle();
          Check(*ps.b, ps.b->Book().SetDocumentProperty(p, v ? TVariant(*v) : TVariant()), PyExc_ValueError);
        });
  }
  for (const TText& t : {TText{"created", xlPropertyCreationDate}, TText{"last_saved", xlPropertyLastSaveTime}}) {
    const std::int32_t p = t.property;
    props.def_property(
        t.name,
        [p](PyProperties& ps) -> py::object {
          ps.b->CheckIdle();
          const TVariant v = ps.b->Book().GetDocumentProperty(p);
          return v.IsEmptyOrNull() ? py::object(py::none()) : SerialToPython(v.AsDouble());
        },
        [p](PyProperties& ps, py::handle v) {
          ps.b->CheckIdle();
          double serial = 0;
          if (!v.is_none() && (DateKind(v) == 0 || DateKind(v) == 3 || !ToSerial(v, serial)))
            Raise(PyExc_TypeError, "a document time is a datetime.datetime or datetime.date, or None");
          Check(*ps.b, ps.b->Book().SetDocumentProperty(p, v.is_none() ? TVariant() : TVariant::Date(serial)),
                PyExc_ValueError);
        });
  }
  auto wb = py::reinterpret_borrow<py::class_<PyWorkbook>>(m.attr("Workbook"));
  wb.def_property_readonly(
      "properties", [](PyWorkbook& w) { return PyProperties{w.b}; },
      "The document properties (title, subject, author, ...): tablirex.DocumentProperties.");
}

constexpr const char* kVisibility[] = {"hidden", "visible", "very_hidden"};

void BindSheet(py::module_& m) {
  auto sheet = py::reinterpret_borrow<py::class_<PySheet>>(m.attr("Sheet"));
  sheet.def_property(
      "visible",
      [](PySheet& s) {
        const std::int32_t v = s.Get().GetVisible();
        return std::string(v == xlSheetVisible ? "visible" : v == xlSheetHidden ? "hidden" : "very_hidden");
      },
      [](PySheet& s, py::handle v) {
        IXLSWorksheet& ws = s.Get();
        std::int32_t value = 1;  // none of the three
        if (py::isinstance<py::bool_>(v)) {
          value = v.cast<bool>() ? xlSheetVisible : xlSheetHidden;
        } else if (py::isinstance<py::str>(v)) {
          const std::string name = v.cast<std::string>();
          for (std::int32_t i = 0; i < 3; ++i)
            if (name == kVisibility[i]) value = i == 0 ? xlSheetHidden : i == 1 ? xlSheetVisible : xlSheetVeryHidden;
        }
        if (value == 1)
          Raise(PyExc_ValueError, "visible is \"visible\", \"hidden\", \"very_hidden\", True or False, not " +
                                      py::repr(v).cast<std::string>());
        Check(*s.b, ws.SetVisible(value), Errors().error);
      },
      "\"visible\", \"hidden\" or \"very_hidden\" (set also True/False). A hidden sheet is neither active "
      "nor selected; the last visible sheet cannot be hidden (tablirex.Error).");
  sheet.def_property(
      "tab_color",
      [](PySheet& s) -> py::object {
        const Ref<IXLSTab> tab = s.Get().GetTab();
        if (tab->GetColorIndex() == xlColorIndexNone) return py::none();
        return py::str(ColorText(tab->GetColor()));
      },
      [](PySheet& s, py::handle c) {
        const Ref<IXLSTab> tab = s.Get().GetTab();
        if (c.is_none())
          tab->SetColorIndex(xlColorIndexNone);
        else
          tab->SetColor(ColorArg(c));
      },
      "The tab's colour, \"#RRGGBB\" or None; set from \"#RRGGBB\", a colour name, (r, g, b) or 0xRRGGBB "
      "(the nearest palette colour is taken). Excel 5 files have no tab colours: saving one there warns.");
  sheet.def_property(
      "tab_color_index",
      [](PySheet& s) -> py::object {
        const std::int32_t i = s.Get().GetTab()->GetColorIndex();
        return i == xlColorIndexNone ? py::object(py::none()) : py::object(py::int_(i));
      },
      [](PySheet& s, std::optional<std::int32_t> i) {
        if (i && (*i < 1 || *i > 56)) Raise(PyExc_ValueError, "a colour index is 1 … 56, or None");
        s.Get().GetTab()->SetColorIndex(i ? *i : xlColorIndexNone);
      },
      "The tab's palette colour 1 … 56, or None.");
  sheet.def_property_readonly("outline", [](PySheet& s) {
    s.Get();
    return PyOutline{s};
  }, "Where summary rows and columns lie, and which outline levels show.");

  py::class_<PyOutline>(m, "Outline", "The outline settings of a sheet.")
      .def_property("summary_row", SummaryWord<&IXLSOutline::GetSummaryRow>("below", xlSummaryBelow, "above"),
                    SetSummaryWord<&IXLSOutline::SetSummaryRow>("summary_row", "below", xlSummaryBelow, "above",
                                                                xlSummaryAbove),
                    "\"below\" (the default) or \"above\" the rows of its group.")
      .def_property("summary_column",
                    SummaryWord<&IXLSOutline::GetSummaryColumn>("right", xlSummaryOnRight, "left"),
                    SetSummaryWord<&IXLSOutline::SetSummaryColumn>("summary_column", "right", xlSummaryOnRight, "left",
                                                                   xlSummaryOnLeft),
                    "\"right\" (the default) or \"left\" of the columns of its group.")
      .def(
          "show_levels",
          [](PyOutline& o, std::int32_t rows, std::int32_t columns) {
            Check(*o.s.b, o.s.Get().GetOutline()->ShowLevels(rows, columns), PyExc_ValueError);
          },
          py::arg("rows") = 0, py::arg("columns") = 0,
          "Shows the rows (columns) of outline levels below the number given (1 only those outside every "
          "group, 8 all) and collapses the deeper groups; 0 leaves a direction as it is.");
}

void BindRange(py::module_& m) {
  auto range = py::reinterpret_borrow<py::class_<PyRange>>(m.attr("Range"));
  range
      .def(
          "group", [](PyRange& r) { Check(*r.b, r.Get().Group(), Errors().error); },
          "Groups the range's whole rows (\"2:5\") or columns (\"B:D\") one outline level deeper (7 at most).")
      .def(
          "ungroup", [](PyRange& r) { Check(*r.b, r.Get().Ungroup(), Errors().error); },
          "Takes the range's grouped rows (columns) one outline level up.")
      .def_property(
          "show_detail",
          [](PyRange& r) {
            const TVariant v = r.Get().GetShowDetail();
            if (v.IsEmptyOrNull()) Raise(Errors().error, r.b->Book().GetLastError());
            return v.AsBoolean();
          },
          [](PyRange& r, bool show) { Check(*r.b, r.Get().SetShowDetail(show), Errors().error); },
          "Whether the group of the range's rows (columns) is expanded; False collapses it.")
      .def(
          "characters",
          [](PyRange& r, std::int32_t start, std::optional<std::int32_t> length) {
            if (start < 1) Raise(PyExc_ValueError, "the first character is 1");
            if (length && *length < 0) Raise(PyExc_ValueError, "a length is 0 or more, or None (to the end)");
            Ref<IXLSCharacters> c = r.Get().Characters(start, length ? *length : -1);
            if (c->GetCount() == 0)
              Raise(PyExc_ValueError, "no text of the range reaches character " + std::to_string(start));
            return PyCharacters{r, c};
          },
          py::arg("start"), py::arg("length") = py::none(),
          "Characters start … start + length - 1 (one-based; None: to the end) of the range's texts, whose "
          "font can differ from the rest: range.characters(1, 4).font.bold = True.");

  py::class_<PyCharacters>(m, "Characters", "Part of the texts of a range, with a font of its own.")
      .def_property_readonly("font", [](PyCharacters& c) { return PyFont{c.r, c.c->GetFont()}; })
      .def_property_readonly("text", [](PyCharacters& c) {
        c.r.Get();
        return c.c->GetText();
      }, "These characters of the range's first cell.")
      .def("__len__", [](PyCharacters& c) {
        c.r.Get();
        return c.c->GetCount();
      });
}

}  // namespace

void BindSheetFeatures(py::module_& m) {
  BindProperties(m);
  BindSheet(m);
  BindRange(m);
}

}  // namespace tablirex::python
