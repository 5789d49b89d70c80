// Workbook properties and operations of build scripts: palette, protection,
// code page, the active sheet and the sheet collection.
#include "build/registry.h"
#include "tablirex/worksheets.h"

namespace tablirex::tool::build {
namespace {

// Colour indices 1 … 56; RGB values have red in bits 0-7.
std::uint32_t Rgb(const TVariant& v) {
  const std::int64_t rgb = v.AsInt64();
  if (rgb < 0 || rgb > 0xFFFFFF) throw ScriptError("an RGB colour lies in 0 … 16777215 (0xFFFFFF)");
  return static_cast<std::uint32_t>(rgb);
}

void RegisterPalette() {
  RegisterIndexedWorkbookProperty(
      "CustomColor(n)",
      [](TXLSWorkbook& wb, const Indices& i) {
        return TVariant(static_cast<std::int64_t>(wb.GetCustomColor2(i[0], 0)));
      },
      [](TXLSWorkbook& wb, const Indices& i, const TVariant& v) { wb.SetCustomColor(i[0], 0, Rgb(v)); });
  // SetCustomColor(index, rgb), as the workbook takes it without its unused argument.
  RegisterWorkbookOperation("SetCustomColor", [](TXLSWorkbook& wb, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(2);
    wb.SetCustomColor(a.Int(0), 0, Rgb(a.Value(1)));
    return TVariant();
  });
  RegisterWorkbookOperation("ResetColors", [](TXLSWorkbook& wb, const Args& a) {
    a.ExpectAtMost(0);
    wb.ResetColors();
    return TVariant();
  });
}

void RegisterProtection() {
  RegisterWorkbookOperation("Protect", [](TXLSWorkbook& wb, const Args& a) {
    a.ExpectAtMost(1);
    if (a.Has(0)) wb.Protect(a.Text(0));
    else wb.Protect();
    return TVariant();
  });
  // UnProtect() returns false when the workbook stays protected (it has a password).
  RegisterWorkbookOperation("UnProtect", [](TXLSWorkbook& wb, const Args& a) {
    a.ExpectAtMost(1);
    if (!a.Has(0)) return TVariant(wb.UnProtect());
    wb.UnProtect(a.Text(0));
    return TVariant();
  });
}

std::uint16_t CodePage(std::int32_t cp) {
  if (cp < 0 || cp > 0xFFFF) throw ScriptError("a code page lies in 0 … 65535");
  return static_cast<std::uint16_t>(cp);
}

void RegisterWorkbookState() {
  RegisterWorkbookProperty(
      "CodePage", [](TXLSWorkbook& wb) { return TVariant(std::int32_t{wb.GetCodePage()}); },
      [](TXLSWorkbook& wb, const TVariant& v) { (void)wb.SetCodePage(CodePage(v.AsInteger())); });
  RegisterWorkbookOperation("SetCodePage", [](TXLSWorkbook& wb, const Args& a) {
    a.ExpectAtLeast(1);
    a.ExpectAtMost(1);
    (void)wb.SetCodePage(CodePage(a.Int(0)));
    return TVariant();
  });
  // The active sheet's name, null when there is none.
  RegisterWorkbookProperty(
      "ActiveSheet",
      [](TXLSWorkbook& wb) {
        IXLSWorksheet* s = wb.GetActiveSheet();
        return s ? TVariant(s->GetWorkSheetName()) : TVariant::Null();
      },
      nullptr);
  RegisterWorkbookProperty(
      "Worksheets.Count", [](TXLSWorkbook& wb) { return TVariant(wb.GetWorksheets()->GetCount()); }, nullptr);
  // The sheet names in order.
  RegisterWorkbookProperty(
      "Worksheets.Names",
      [](TXLSWorkbook& wb) {
        IXLSWorkSheets& sheets = *wb.GetWorksheets();
        const std::int32_t n = sheets.GetCount();
        TVariant out = TVariant::Array1(0, n);
        for (std::int32_t i = 0; i < n; ++i) out.Array().At(i) = TVariant(sheets.Get(i + 1)->GetWorkSheetName());
        return out;
      },
      nullptr);
  // Worksheets.Add([{"before": sheet, "after": sheet, "count": n, "name": text}]):
  // every key is optional; "name" renames the one sheet added and needs count 1.
  RegisterWorkbookOperation("Worksheets.Add", [](TXLSWorkbook& wb, const Args& a) {
    a.ExpectAtMost(1);
    IXLSWorksheet* before = nullptr;
    IXLSWorksheet* after = nullptr;
    std::int32_t count = 1;
    const Json* name = nullptr;
    if (a.Has(0)) {
      const Json& o = a.At(0);
      if (!o.is_object()) throw ScriptError("the argument is {\"before\", \"after\", \"count\", \"name\"}");
      for (const auto& item : o.items()) {
        if (item.key() == "before") before = &a.SheetRef(item.value());
        else if (item.key() == "after") after = &a.SheetRef(item.value());
        else if (item.key() == "count") count = ToVariant(item.value()).AsInteger();
        else if (item.key() == "name") name = &item.value();
        else throw ScriptError("unknown key \"" + item.key() + "\"");
      }
    }
    if (name && count != 1) throw ScriptError("\"name\" needs count 1");
    IXLSWorksheet* added = wb.GetWorksheets()->Add(before, after, count);
    if (!added) throw ScriptError("no sheet was added");
    if (name) {
      const std::string text = ToVariant(*name).AsString();
      added->SetWorkSheetName(text);
      if (added->GetWorkSheetName() != text) throw ScriptError("the name \"" + text + "\" was refused");
    }
    return TVariant();
  });
}

[[maybe_unused]] const bool registered = [] {
  RegisterPalette();
  RegisterProtection();
  RegisterWorkbookState();
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
