// Formatting properties of ranges for build scripts: the font, fill and border
// views ("Font.Bold", "Interior.ColorIndex", "Borders(7).LineStyle"), number
// formats, alignment, wrapping and rotation. Values are the object model's: colour
// indices 1 … 56 (-4142 none, -4105 automatic), line styles, weights, alignment
// and pattern constants as numbers. Colours are RGB numbers with red in bits 0-7,
// or texts "#RRGGBB" as web pages write them.
//
//   {"range": "A1:D1", "set": {"Font.Bold": true, "Interior.Color": "#FFCC00",
//                              "Borders(9).Weight": -4138, "HAlign": -4108}}
#include <string>

#include "build/registry.h"
#include "build/script_values.h"
#include "tablirex/format_views.h"

namespace tablirex::tool::build {
namespace {

void RegisterFont() {
  struct Flag {
    const char* name;
    bool (IXLSFont::*get)();
    void (IXLSFont::*set)(bool);
  };
  static const Flag flags[] = {
      {"Font.Bold", &IXLSFont::GetBold, &IXLSFont::SetBold},
      {"Font.Italic", &IXLSFont::GetItalic, &IXLSFont::SetItalic},
      {"Font.Strikethrough", &IXLSFont::GetStrikethrough, &IXLSFont::SetStrikethrough},
      {"Font.OutLineFont", &IXLSFont::GetOutLineFont, &IXLSFont::SetOutLineFont},
      {"Font.Shadow", &IXLSFont::GetShadow, &IXLSFont::SetShadow},
      {"Font.SubScript", &IXLSFont::GetSubScript, &IXLSFont::SetSubScript},
      {"Font.SuperScript", &IXLSFont::GetSuperScript, &IXLSFont::SetSuperScript},
  };
  for (const Flag& f : flags)
    RegisterRangeProperty(
        f.name, [get = f.get](IXLSRange& r) { return TVariant((*r.GetFont().*get)()); },
        [set = f.set](IXLSRange& r, const TVariant& v) { (*r.GetFont().*set)(v.AsBoolean()); });

  RegisterRangeProperty(
      "Font.Name", [](IXLSRange& r) { return TVariant(r.GetFont()->GetName()); },
      [](IXLSRange& r, const TVariant& v) { r.GetFont()->SetName(v.AsString()); });
  RegisterRangeProperty(
      "Font.Size", [](IXLSRange& r) { return TVariant(static_cast<double>(r.GetFont()->GetSize())); },
      [](IXLSRange& r, const TVariant& v) { r.GetFont()->SetSize(static_cast<float>(v.AsDouble())); });
  RegisterRangeProperty(
      "Font.ColorIndex", [](IXLSRange& r) { return TVariant(r.GetFont()->GetColorIndex()); },
      [](IXLSRange& r, const TVariant& v) { r.GetFont()->SetColorIndex(v.AsInteger()); });
  RegisterRangeProperty(
      "Font.Color", [](IXLSRange& r) { return TVariant(static_cast<std::int64_t>(r.GetFont()->GetColor())); },
      [](IXLSRange& r, const TVariant& v) { r.GetFont()->SetColor(ColorValue(v)); });
  // The object model spells it UnderLine; scripts may write either.
  for (const char* name : {"Font.Underline", "Font.UnderLine"})
    RegisterRangeProperty(
        name, [](IXLSRange& r) { return TVariant(r.GetFont()->GetUnderLine()); },
        [](IXLSRange& r, const TVariant& v) { r.GetFont()->SetUnderLine(Constant(v)); });
}

void RegisterInterior() {
  RegisterRangeProperty(
      "Interior.Pattern", [](IXLSRange& r) { return TVariant(r.GetInterior()->GetPattern()); },
      [](IXLSRange& r, const TVariant& v) { r.GetInterior()->SetPattern(Constant(v)); });
  RegisterRangeProperty(
      "Interior.ColorIndex", [](IXLSRange& r) { return TVariant(r.GetInterior()->GetColorIndex()); },
      [](IXLSRange& r, const TVariant& v) { r.GetInterior()->SetColorIndex(Constant(v)); });
  RegisterRangeProperty(
      "Interior.PatternColorIndex", [](IXLSRange& r) { return TVariant(r.GetInterior()->GetPatternColorIndex()); },
      [](IXLSRange& r, const TVariant& v) { r.GetInterior()->SetPatternColorIndex(Constant(v)); });
  RegisterRangeProperty(
      "Interior.Color",
      [](IXLSRange& r) { return TVariant(static_cast<std::int64_t>(r.GetInterior()->GetColor())); },
      [](IXLSRange& r, const TVariant& v) { r.GetInterior()->SetColor(ColorValue(v)); });
  RegisterRangeProperty(
      "Interior.PatternColor",
      [](IXLSRange& r) { return TVariant(static_cast<std::int64_t>(r.GetInterior()->GetPatternColor())); },
      [](IXLSRange& r, const TVariant& v) { r.GetInterior()->SetPatternColor(ColorValue(v)); });
}

// The four properties of a border, for all edges at once ("Borders.LineStyle")
// and for one index ("Borders(7).LineStyle": 7 left, 8 top, 9 bottom, 10 right,
// 11 inside vertical, 12 inside horizontal, 13 outline, 14 inside lines).
template <class View>
struct BorderProps {
  static TVariant Get(View& b, const std::string& what) {
    if (what == "LineStyle") return TVariant(b.GetLineStyle());
    if (what == "Weight") return TVariant(b.GetWeight());
    if (what == "ColorIndex") return TVariant(b.GetColorIndex());
    return TVariant(static_cast<std::int64_t>(b.GetColor()));
  }
  static void Set(View& b, const std::string& what, const TVariant& v) {
    if (what == "LineStyle") b.SetLineStyle(Constant(v));
    else if (what == "Weight") b.SetWeight(Constant(v));
    else if (what == "ColorIndex") b.SetColorIndex(Constant(v));
    else b.SetColor(ColorValue(v));
  }
};

void RegisterBorders() {
  for (const std::string what : {"LineStyle", "Weight", "ColorIndex", "Color"}) {
    RegisterRangeProperty(
        "Borders." + what, [what](IXLSRange& r) { return BorderProps<IXLSBorders>::Get(*r.GetBorders(), what); },
        [what](IXLSRange& r, const TVariant& v) { BorderProps<IXLSBorders>::Set(*r.GetBorders(), what, v); });
    RegisterIndexedRangeProperty(
        "Borders(n)." + what,
        [what](IXLSRange& r, const Indices& i) {
          return BorderProps<IXLSBorder>::Get(*r.GetBorders()->GetBorder(i.at(0)), what);
        },
        [what](IXLSRange& r, const Indices& i, const TVariant& v) {
          BorderProps<IXLSBorder>::Set(*r.GetBorders()->GetBorder(i.at(0)), what, v);
        });
  }
}

void RegisterCellFormat() {
  RegisterRangeProperty(
      "NumFormat", [](IXLSRange& r) { return r.GetNumFormat(); },
      [](IXLSRange& r, const TVariant& v) { r.SetNumFormat(v.AsString()); });
  RegisterRangeProperty(
      "HAlign", [](IXLSRange& r) { return r.GetHAlign(); },
      [](IXLSRange& r, const TVariant& v) { r.SetHAlign(TVariant(v.AsInteger())); });
  RegisterRangeProperty(
      "VAlign", [](IXLSRange& r) { return r.GetVAlign(); },
      [](IXLSRange& r, const TVariant& v) { r.SetVAlign(TVariant(v.AsInteger())); });
  RegisterRangeProperty(
      "WrapText", [](IXLSRange& r) { return r.GetWrapText(); },
      [](IXLSRange& r, const TVariant& v) { r.SetWrapText(TVariant(v.AsBoolean())); });
  RegisterRangeProperty(
      "Orientation", [](IXLSRange& r) { return r.GetOrientation(); },
      [](IXLSRange& r, const TVariant& v) { r.SetOrientation(TVariant(v.AsInteger())); });
}

[[maybe_unused]] const bool registered = [] {
  RegisterFont();
  RegisterInterior();
  RegisterBorders();
  RegisterCellFormat();
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
