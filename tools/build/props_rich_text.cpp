// Rich text in build scripts: the font of part of a text cell, as the range's
// Characters(start, length) view has it (start one-based).
//
//   {"range": "A1", "set": {"Value": "Total 2026", "Characters(7,4).Font.Bold": true,
//                           "Characters(7,4).Font.Color": "#C00000"}}
#include <cctype>
#include <string>

#include "build/registry.h"
#include "tablirex/characters.h"

namespace tablirex::tool::build {
namespace {

// RGB with red in the low byte, from a number or "#RRGGBB".
std::uint32_t Rgb(const TVariant& v) {
  if (v.IsString()) {
    const std::string s = v.AsString();
    bool hex = s.size() == 7 && s[0] == '#';
    for (std::size_t i = 1; hex && i < s.size(); ++i) hex = std::isxdigit(static_cast<unsigned char>(s[i])) != 0;
    if (!hex) throw ScriptError("a colour text must be \"#RRGGBB\", not \"" + s + "\"");
    const auto rrggbb = static_cast<std::uint32_t>(std::stoul(s.substr(1), nullptr, 16));
    return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16);
  }
  const std::int64_t n = v.AsInt64();
  if (n < 0 || n > 0xFFFFFF) throw ScriptError("a colour number must lie in 0 … 16777215 (0xBBGGRR)");
  return static_cast<std::uint32_t>(n);
}

Ref<IXLSFont> FontOf(IXLSRange& r, const Indices& i) { return r.Characters(i[0], i[1])->GetFont(); }

using Get = TVariant (*)(IXLSFont&);
using Set = void (*)(IXLSFont&, const TVariant&);
struct TFontProperty {
  const char* name;
  Get get;
  Set set;
};
const TFontProperty kProperties[] = {
    {"Bold", [](IXLSFont& f) { return TVariant(f.GetBold()); }, [](IXLSFont& f, const TVariant& v) { f.SetBold(v.AsBoolean()); }},
    {"Italic", [](IXLSFont& f) { return TVariant(f.GetItalic()); },
     [](IXLSFont& f, const TVariant& v) { f.SetItalic(v.AsBoolean()); }},
    {"Strikethrough", [](IXLSFont& f) { return TVariant(f.GetStrikethrough()); },
     [](IXLSFont& f, const TVariant& v) { f.SetStrikethrough(v.AsBoolean()); }},
    {"SubScript", [](IXLSFont& f) { return TVariant(f.GetSubScript()); },
     [](IXLSFont& f, const TVariant& v) { f.SetSubScript(v.AsBoolean()); }},
    {"SuperScript", [](IXLSFont& f) { return TVariant(f.GetSuperScript()); },
     [](IXLSFont& f, const TVariant& v) { f.SetSuperScript(v.AsBoolean()); }},
    {"Underline", [](IXLSFont& f) { return TVariant(f.GetUnderLine()); },
     [](IXLSFont& f, const TVariant& v) { f.SetUnderLine(static_cast<std::uint32_t>(v.AsInteger())); }},
    {"Name", [](IXLSFont& f) { return TVariant(f.GetName()); }, [](IXLSFont& f, const TVariant& v) { f.SetName(v.AsString()); }},
    {"Size", [](IXLSFont& f) { return TVariant(static_cast<double>(f.GetSize())); },
     [](IXLSFont& f, const TVariant& v) { f.SetSize(static_cast<float>(v.AsDouble())); }},
    {"ColorIndex", [](IXLSFont& f) { return TVariant(f.GetColorIndex()); },
     [](IXLSFont& f, const TVariant& v) { f.SetColorIndex(v.AsInteger()); }},
    {"Color", [](IXLSFont& f) { return TVariant(static_cast<std::int64_t>(f.GetColor())); },
     [](IXLSFont& f, const TVariant& v) { f.SetColor(Rgb(v)); }},
};

[[maybe_unused]] const bool registered = [] {
  for (const TFontProperty& p : kProperties)
    RegisterIndexedRangeProperty(
        std::string("Characters(n,n).Font.") + p.name,
        [get = p.get](IXLSRange& r, const Indices& i) { return get(*FontOf(r, i)); },
        [set = p.set](IXLSRange& r, const Indices& i, const TVariant& v) { set(*FontOf(r, i), v); });
  // The characters' text.
  RegisterIndexedRangeProperty(
      "Characters(n,n).Text", [](IXLSRange& r, const Indices& i) { return TVariant(r.Characters(i[0], i[1])->GetText()); },
      nullptr);
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
