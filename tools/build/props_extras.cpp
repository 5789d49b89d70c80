// Hyperlinks, data validation, conditional formats and defined names in build
// scripts:
//
//   {"sheet": "S", "call": "Hyperlinks.Add", "args": ["A1", "https://example.org", "", "tip", "Example"]}
//   {"sheet": "S", "range": "B2:B100", "call": "Validation.Add", "args": [3, 1, 1, "Yes,No"]}
//   {"sheet": "S", "range": "B2:B100", "set": {"Validation.InputMessage": "Pick one"}}
//   {"sheet": "S", "range": "C2:C50", "call": "FormatConditions.Add", "args": [1, 5, "100"]}
//   {"sheet": "S", "range": "C2:C50", "set": {"FormatConditions(1).Interior.Color": 255,
//                                             "FormatConditions(1).Font.Bold": true}}
//   {"workbook": true, "call": "Names.Add", "args": ["Rate", "=Sheet1!$B$1"]}
//   {"sheet": "S", "call": "Names.Add", "args": ["Local", "=$A$1"]}
//
// Operations whose object-model call refuses (nullptr or -1) fail the step with
// the workbook's reason.
#include <string>

#include "build/registry.h"
#include "build/script_values.h"
#include "tablirex/addressing.h"
#include "tablirex/conditions.h"
#include "tablirex/hyperlinks.h"
#include "tablirex/names.h"
#include "tablirex/result.h"
#include "tablirex/validation.h"

namespace tablirex::tool::build {
namespace {

void Check(std::int32_t result, const char* what) {
  if (result != xlsOK) throw ScriptError(std::string(what) + " was refused");
}

template <class T>
Ref<T> Need(Ref<T> p, const char* what) {
  if (!p) throw ScriptError(std::string(what) + " was refused");
  return p;
}

// ---- hyperlinks ----------------------------------------------------------------------

Ref<IXLSHyperlink> Link(IXLSWorksheet& s, const Indices& i) {
  return Need(s.GetHyperlinks()->GetItem(i.at(0)), "the hyperlink");
}

void RegisterHyperlinks() {
  // Add(anchor, address[, subAddress[, screenTip[, textToDisplay]]])
  RegisterSheetOperation("Hyperlinks.Add", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(5);
    const Ref<IXLSRange> anchor = a.RangeRef(a.At(0));
    const auto text = [&](std::size_t k) { return a.Has(k) ? a.Text(k) : std::string(); };
    Need(s.GetHyperlinks()->Add(anchor.get(), text(1), text(2), text(3), text(4)), "Hyperlinks.Add");
    return TVariant();
  });
  RegisterSheetProperty("Hyperlinks.Count", [](IXLSWorksheet& s) { return TVariant(s.GetHyperlinks()->GetCount()); },
                        nullptr);
  RegisterSheetOperation("Hyperlinks.Delete", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtMost(0);
    s.GetHyperlinks()->Delete();
    return TVariant();
  });
  RegisterSheetOperation("Hyperlinks(n).Delete", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtMost(0);
    Check(Link(s, a.Index())->Delete(), "Delete");
    return TVariant();
  });
  struct Field {
    const char* name;
    std::string (IXLSHyperlink::*get)();
    std::int32_t (IXLSHyperlink::*set)(std::string_view);
  };
  static const Field fields[] = {
      {"Address", &IXLSHyperlink::GetAddress, &IXLSHyperlink::SetAddress},
      {"SubAddress", &IXLSHyperlink::GetSubAddress, &IXLSHyperlink::SetSubAddress},
      {"ScreenTip", &IXLSHyperlink::GetScreenTip, &IXLSHyperlink::SetScreenTip},
      {"TextToDisplay", &IXLSHyperlink::GetTextToDisplay, &IXLSHyperlink::SetTextToDisplay},
  };
  for (const Field& f : fields)
    RegisterIndexedSheetProperty(
        std::string("Hyperlinks(n).") + f.name,
        [get = f.get](IXLSWorksheet& s, const Indices& i) { return TVariant((*Link(s, i).*get)()); },
        [set = f.set, name = f.name](IXLSWorksheet& s, const Indices& i, const TVariant& v) {
          Check((*Link(s, i).*set)(v.AsString()), name);
        });
  RegisterIndexedSheetProperty(
      "Hyperlinks(n).Range",
      [](IXLSWorksheet& s, const Indices& i) {
        const Ref<IXLSRange> r = Need(Link(s, i)->GetRange(), "the hyperlink's range");
        return TVariant(EncodeCellRange(static_cast<std::uint32_t>(r->GetFirstRow()),
                                        static_cast<std::uint16_t>(r->GetFirstCol()),
                                        static_cast<std::uint32_t>(r->GetLastRow()),
                                        static_cast<std::uint16_t>(r->GetLastCol())));
      },
      nullptr);
}

// ---- validation ------------------------------------------------------------------------

void RegisterValidation() {
  // Add(type, alertStyle[, operator[, formula1[, formula2]]])
  RegisterRangeOperation("Validation.Add", [](IXLSRange& r, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(5);
    Check(r.GetValidation()->Add(a.Int(0), a.Int(1), a.Int(2, 1), a.Has(3) ? a.Text(3) : std::string(),
                                 a.Has(4) ? a.Text(4) : std::string()),
          "Validation.Add");
    return TVariant();
  });
  RegisterRangeOperation("Validation.Delete", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    Check(r.GetValidation()->Delete(), "Validation.Delete");
    return TVariant();
  });
  using V = IXLSValidation;
  struct Number {
    const char* name;
    std::int32_t (V::*get)();
  };
  static const Number numbers[] = {
      {"Validation.Type", &V::GetType}, {"Validation.AlertStyle", &V::GetAlertStyle},
      {"Validation.Operator", &V::GetOperator}};
  for (const Number& n : numbers)
    RegisterRangeProperty(n.name, [get = n.get](IXLSRange& r) { return TVariant((*r.GetValidation().*get)()); },
                          nullptr);
  RegisterRangeProperty("Validation.Formula1", [](IXLSRange& r) { return TVariant(r.GetValidation()->GetFormula1()); },
                        nullptr);
  RegisterRangeProperty("Validation.Formula2", [](IXLSRange& r) { return TVariant(r.GetValidation()->GetFormula2()); },
                        nullptr);
  struct Flag {
    const char* name;
    bool (V::*get)();
    std::int32_t (V::*set)(bool);
  };
  static const Flag flags[] = {
      {"Validation.IgnoreBlank", &V::GetIgnoreBlank, &V::SetIgnoreBlank},
      {"Validation.InCellDropdown", &V::GetInCellDropdown, &V::SetInCellDropdown},
      {"Validation.ShowInput", &V::GetShowInput, &V::SetShowInput},
      {"Validation.ShowError", &V::GetShowError, &V::SetShowError},
  };
  for (const Flag& f : flags)
    RegisterRangeProperty(
        f.name, [get = f.get](IXLSRange& r) { return TVariant((*r.GetValidation().*get)()); },
        [set = f.set, name = f.name](IXLSRange& r, const TVariant& v) {
          Check((*r.GetValidation().*set)(v.AsBoolean()), name);
        });
  struct Text {
    const char* name;
    std::string (V::*get)();
    std::int32_t (V::*set)(std::string_view);
  };
  static const Text texts[] = {
      {"Validation.InputTitle", &V::GetInputTitle, &V::SetInputTitle},
      {"Validation.InputMessage", &V::GetInputMessage, &V::SetInputMessage},
      {"Validation.ErrorTitle", &V::GetErrorTitle, &V::SetErrorTitle},
      {"Validation.ErrorMessage", &V::GetErrorMessage, &V::SetErrorMessage},
  };
  for (const Text& t : texts)
    RegisterRangeProperty(
        t.name, [get = t.get](IXLSRange& r) { return TVariant((*r.GetValidation().*get)()); },
        [set = t.set, name = t.name](IXLSRange& r, const TVariant& v) {
          Check((*r.GetValidation().*set)(v.AsString()), name);
        });
}

// ---- conditional formats ----------------------------------------------------------------

Ref<IXLSFormatCondition> Condition(IXLSRange& r, const Indices& i) {
  return Need(r.GetFormatConditions()->GetItem(i.at(0)), "the condition");
}

// The font, fill and border properties of condition n, named as a range's are.
void RegisterConditionViews() {
  struct FontFlag {
    const char* name;
    bool (IXLSFont::*get)();
    void (IXLSFont::*set)(bool);
  };
  static const FontFlag flags[] = {{"Bold", &IXLSFont::GetBold, &IXLSFont::SetBold},
                                   {"Italic", &IXLSFont::GetItalic, &IXLSFont::SetItalic},
                                   {"Strikethrough", &IXLSFont::GetStrikethrough, &IXLSFont::SetStrikethrough}};
  const std::string font = "FormatConditions(n).Font.";
  for (const FontFlag& f : flags)
    RegisterIndexedRangeProperty(
        font + f.name,
        [get = f.get](IXLSRange& r, const Indices& i) { return TVariant((*Condition(r, i)->GetFont().*get)()); },
        [set = f.set](IXLSRange& r, const Indices& i, const TVariant& v) {
          (*Condition(r, i)->GetFont().*set)(v.AsBoolean());
        });
  RegisterIndexedRangeProperty(
      font + "Underline", [](IXLSRange& r, const Indices& i) { return TVariant(Condition(r, i)->GetFont()->GetUnderLine()); },
      [](IXLSRange& r, const Indices& i, const TVariant& v) { Condition(r, i)->GetFont()->SetUnderLine(Constant(v)); });
  RegisterIndexedRangeProperty(
      font + "ColorIndex",
      [](IXLSRange& r, const Indices& i) { return TVariant(Condition(r, i)->GetFont()->GetColorIndex()); },
      [](IXLSRange& r, const Indices& i, const TVariant& v) { Condition(r, i)->GetFont()->SetColorIndex(v.AsInteger()); });
  RegisterIndexedRangeProperty(
      font + "Color",
      [](IXLSRange& r, const Indices& i) {
        return TVariant(static_cast<std::int64_t>(Condition(r, i)->GetFont()->GetColor()));
      },
      [](IXLSRange& r, const Indices& i, const TVariant& v) { Condition(r, i)->GetFont()->SetColor(ColorValue(v)); });

  const std::string fill = "FormatConditions(n).Interior.";
  RegisterIndexedRangeProperty(
      fill + "Color",
      [](IXLSRange& r, const Indices& i) {
        return TVariant(static_cast<std::int64_t>(Condition(r, i)->GetInterior()->GetColor()));
      },
      [](IXLSRange& r, const Indices& i, const TVariant& v) { Condition(r, i)->GetInterior()->SetColor(ColorValue(v)); });
  RegisterIndexedRangeProperty(
      fill + "ColorIndex",
      [](IXLSRange& r, const Indices& i) { return TVariant(Condition(r, i)->GetInterior()->GetColorIndex()); },
      [](IXLSRange& r, const Indices& i, const TVariant& v) {
        Condition(r, i)->GetInterior()->SetColorIndex(Constant(v));
      });
  RegisterIndexedRangeProperty(
      fill + "Pattern", [](IXLSRange& r, const Indices& i) { return TVariant(Condition(r, i)->GetInterior()->GetPattern()); },
      [](IXLSRange& r, const Indices& i, const TVariant& v) { Condition(r, i)->GetInterior()->SetPattern(Constant(v)); });
  RegisterIndexedRangeProperty(
      fill + "PatternColorIndex",
      [](IXLSRange& r, const Indices& i) { return TVariant(Condition(r, i)->GetInterior()->GetPatternColorIndex()); },
      [](IXLSRange& r, const Indices& i, const TVariant& v) {
        Condition(r, i)->GetInterior()->SetPatternColorIndex(Constant(v));
      });

  for (const std::string what : {"LineStyle", "Weight", "ColorIndex", "Color"}) {
    const auto get = [what](IXLSBorder& b) -> TVariant {
      if (what == "LineStyle") return TVariant(b.GetLineStyle());
      if (what == "Weight") return TVariant(b.GetWeight());
      if (what == "ColorIndex") return TVariant(b.GetColorIndex());
      return TVariant(static_cast<std::int64_t>(b.GetColor()));
    };
    const auto set = [what](auto& b, const TVariant& v) {
      if (what == "LineStyle") b.SetLineStyle(Constant(v));
      else if (what == "Weight") b.SetWeight(Constant(v));
      else if (what == "ColorIndex") b.SetColorIndex(Constant(v));
      else b.SetColor(ColorValue(v));
    };
    RegisterIndexedRangeProperty(
        "FormatConditions(n).Borders." + what, nullptr,
        [set](IXLSRange& r, const Indices& i, const TVariant& v) { set(*Condition(r, i)->GetBorders(), v); });
    RegisterIndexedRangeProperty(
        "FormatConditions(n).Borders(n)." + what,
        [get](IXLSRange& r, const Indices& i) {
          return get(*Need(Condition(r, i)->GetBorders()->GetBorder(i.at(1)), "the border"));
        },
        [set](IXLSRange& r, const Indices& i, const TVariant& v) {
          set(*Need(Condition(r, i)->GetBorders()->GetBorder(i.at(1)), "the border"), v);
        });
  }
}

void RegisterConditions() {
  // Add(type, operator, formula1[, formula2])
  RegisterRangeOperation("FormatConditions.Add", [](IXLSRange& r, const Args& a) {
    a.ExpectAtLeast(3);
    a.ExpectAtMost(4);
    Need(r.GetFormatConditions()->Add(a.Int(0), a.Int(1), a.Text(2), a.Has(3) ? a.Text(3) : std::string()),
         "FormatConditions.Add");
    return TVariant();
  });
  RegisterRangeProperty("FormatConditions.Count",
                        [](IXLSRange& r) { return TVariant(r.GetFormatConditions()->GetCount()); }, nullptr);
  RegisterRangeOperation("FormatConditions.Delete", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    r.GetFormatConditions()->Delete();
    return TVariant();
  });
  RegisterRangeOperation("FormatConditions(n).Delete", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    Check(Condition(r, a.Index())->Delete(), "Delete");
    return TVariant();
  });
  // Modify(type, operator, formula1[, formula2])
  RegisterRangeOperation("FormatConditions(n).Modify", [](IXLSRange& r, const Args& a) {
    a.ExpectAtLeast(3);
    a.ExpectAtMost(4);
    Check(Condition(r, a.Index())->Modify(a.Int(0), a.Int(1), a.Text(2), a.Has(3) ? a.Text(3) : std::string()),
          "Modify");
    return TVariant();
  });
  RegisterIndexedRangeProperty(
      "FormatConditions(n).Type", [](IXLSRange& r, const Indices& i) { return TVariant(Condition(r, i)->GetType()); },
      nullptr);
  RegisterIndexedRangeProperty(
      "FormatConditions(n).Operator",
      [](IXLSRange& r, const Indices& i) { return TVariant(Condition(r, i)->GetOperator()); }, nullptr);
  RegisterIndexedRangeProperty(
      "FormatConditions(n).Formula1",
      [](IXLSRange& r, const Indices& i) { return TVariant(Condition(r, i)->GetFormula1()); }, nullptr);
  RegisterIndexedRangeProperty(
      "FormatConditions(n).Formula2",
      [](IXLSRange& r, const Indices& i) { return TVariant(Condition(r, i)->GetFormula2()); }, nullptr);
  RegisterConditionViews();
}

// ---- names ---------------------------------------------------------------------------------

// The same names for the workbook's collection and a sheet's.
template <class Target, class RegisterOp, class RegisterProp, class RegisterIndexed>
void RegisterNames(RegisterOp op, RegisterProp prop, RegisterIndexed indexed) {
  op("Names.Add", [](Target& t, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(2);
    Need(t.GetNames()->Add(a.Text(0), a.Text(1)), "Names.Add");
    return TVariant();
  });
  op("Names.Delete", [](Target& t, const Args& a) {
    a.ExpectAtLeast(1);
    a.ExpectAtMost(1);
    Check(t.GetNames()->Delete(a.Text(0)), "Names.Delete");
    return TVariant();
  });
  prop("Names.Count", [](Target& t) { return TVariant(t.GetNames()->GetCount()); }, nullptr);
  const auto item = [](Target& t, const Indices& i) { return Need(t.GetNames()->GetItem(i.at(0)), "the name"); };
  indexed("Names(n).Name", [item](Target& t, const Indices& i) { return TVariant(item(t, i)->GetName()); }, nullptr);
  indexed(
      "Names(n).RefersTo", [item](Target& t, const Indices& i) { return TVariant(item(t, i)->GetRefersTo()); },
      [item](Target& t, const Indices& i, const TVariant& v) { Check(item(t, i)->SetRefersTo(v.AsString()), "RefersTo"); });
  indexed(
      "Names(n).Visible", [item](Target& t, const Indices& i) { return TVariant(item(t, i)->GetVisible()); },
      [item](Target& t, const Indices& i, const TVariant& v) { Check(item(t, i)->SetVisible(v.AsBoolean()), "Visible"); });
}

[[maybe_unused]] const bool registered = [] {
  RegisterHyperlinks();
  RegisterValidation();
  RegisterConditions();
  RegisterNames<TXLSWorkbook>(RegisterWorkbookOperation, RegisterWorkbookProperty, RegisterIndexedWorkbookProperty);
  RegisterNames<IXLSWorksheet>(RegisterSheetOperation, RegisterSheetProperty, RegisterIndexedSheetProperty);
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
