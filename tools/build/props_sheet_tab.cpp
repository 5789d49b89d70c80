// A sheet's visibility and tab colour in build scripts.
//
//   {"sheet": "Lists", "set": {"Visible": 0}}
//   {"sheet": "Data", "set": {"Tab.ColorIndex": 3}}
//   {"sheet": "Data", "set": {"Tab.Color": 255}}
#include "build/registry.h"

namespace tablirex::tool::build {
namespace {

[[maybe_unused]] const bool registered = [] {
  // -1 visible, 0 hidden, 2 very hidden; true and false stand for -1 and 0.
  RegisterSheetProperty(
      "Visible", [](IXLSWorksheet& s) { return TVariant(s.GetVisible()); },
      [](IXLSWorksheet& s, const TVariant& v) {
        (void)s.SetVisible(v.Type() == varBoolean ? (v.AsBoolean() ? xlSheetVisible : xlSheetHidden) : v.AsInteger());
      });
  RegisterSheetProperty(
      "Tab.ColorIndex", [](IXLSWorksheet& s) { return TVariant(s.GetTab()->GetColorIndex()); },
      [](IXLSWorksheet& s, const TVariant& v) { s.GetTab()->SetColorIndex(v.AsInteger()); });
  // RGB with red in bits 0-7; the nearest palette colour is taken.
  RegisterSheetProperty(
      "Tab.Color", [](IXLSWorksheet& s) { return TVariant(static_cast<std::int64_t>(s.GetTab()->GetColor())); },
      [](IXLSWorksheet& s, const TVariant& v) {
        const std::int64_t rgb = v.AsInt64();
        if (rgb < 0 || rgb > 0xFFFFFF) throw ScriptError("an RGB colour lies in 0 … 16777215 (0xFFFFFF)");
        s.GetTab()->SetColor(static_cast<std::uint32_t>(rgb));
      });
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
