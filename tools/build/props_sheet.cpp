// Sheet properties and operations of build scripts: the sheet's place in the
// workbook, its window, panes, protection, the merge writers and the page setup.
#include "build/registry.h"
#include "layout/page_breaks.h"
#include "tablirex/addressing.h"
#include "tablirex/limits.h"
#include "tablirex/page_setup.h"
#include "tablirex/result.h"

namespace tablirex::tool::build {
namespace {

std::string RangeText(IXLSRange& r) {
  return EncodeCellRange(static_cast<std::uint32_t>(r.GetFirstRow()), static_cast<std::uint16_t>(r.GetFirstCol()),
                         static_cast<std::uint32_t>(r.GetLastRow()), static_cast<std::uint16_t>(r.GetLastCol()));
}

TVariant SheetName(IXLSWorksheet* s) { return s ? TVariant(s->GetWorkSheetName()) : TVariant::Null(); }

// The writers report failures by result codes; a script stops on them.
void Check(std::int32_t result, const char* what) {
  if (result != xlsOK)
    throw ScriptError(std::string(what) + " returned " + std::to_string(result) + " (" + ResultName(result) + ")");
}

// Integer-valued page-setup properties take integer variants; false passes as it is.
TVariant IntegerOrFalse(const TVariant& v) {
  if (v.Type() == varBoolean) return v;
  return TVariant(v.AsInteger());
}

void RegisterPlace() {
  RegisterSheetProperty(
      "Name", [](IXLSWorksheet& s) { return TVariant(s.GetWorkSheetName()); },
      [](IXLSWorksheet& s, const TVariant& v) { s.SetWorkSheetName(v.AsString()); });
  RegisterSheetProperty("Index", [](IXLSWorksheet& s) { return TVariant(s.GetIndex()); }, nullptr);
  RegisterSheetProperty("Selected", [](IXLSWorksheet& s) { return TVariant(s.IsSelected()); }, nullptr);
  RegisterSheetProperty("NextWorkSheet", [](IXLSWorksheet& s) { return SheetName(s.GetNextWorkSheet()); },
                        nullptr);
  RegisterSheetProperty("PreviousWorkSheet",
                        [](IXLSWorksheet& s) { return SheetName(s.GetPreviousWorkSheet()); }, nullptr);
  RegisterSheetProperty("UsedRange", [](IXLSWorksheet& s) { return TVariant(RangeText(*s.GetUsedRange())); },
                        nullptr);
  RegisterSheetProperty("Selection", [](IXLSWorksheet& s) { return TVariant(RangeText(*s.GetSelection())); },
                        nullptr);

  RegisterSheetOperation("Activate", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtMost(0);
    s.Activate();
    return TVariant();
  });
  // Select([replace]): replace (default true) deselects the other sheets and
  // makes this one active; false adds it to the selection.
  RegisterSheetOperation("Select", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtMost(1);
    s.Select(a.Bool(0, true));
    return TVariant();
  });
  // The sheet is destroyed: later steps name the remaining sheets.
  RegisterSheetOperation("Delete", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtMost(0);
    s.Delete();
    return TVariant();
  });
  // Move([{"before": sheet}] or [{"after": sheet}]): a sheet by name or position.
  RegisterSheetOperation("Move", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(1);
    a.ExpectAtMost(1);
    const Json& where = a.At(0);
    if (!where.is_object() || where.empty())
      throw ScriptError("the argument is {\"before\": sheet} or {\"after\": sheet}");
    IXLSWorksheet* before = nullptr;
    IXLSWorksheet* after = nullptr;
    for (const auto& item : where.items()) {
      if (item.key() == "before") before = &a.SheetRef(item.value());
      else if (item.key() == "after") after = &a.SheetRef(item.value());
      else throw ScriptError("unknown key \"" + item.key() + "\" (before or after)");
    }
    s.Move(before, after);
    return TVariant();
  });
  RegisterSheetOperation("SetFirstSheet", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtMost(0);
    Check(s.SetFirstSheet(), "SetFirstSheet");
    return TVariant();
  });
}

void RegisterWindow() {
  RegisterSheetProperty(
      "DisplayGridLines", [](IXLSWorksheet& s) { return TVariant(s.GetDisplayGridLines()); },
      [](IXLSWorksheet& s, const TVariant& v) { s.SetDisplayGridLines(v.AsBoolean()); });
  RegisterSheetProperty(
      "Zoom", [](IXLSWorksheet& s) { return TVariant(s.GetZoom()); },
      [](IXLSWorksheet& s, const TVariant& v) { Check(s.SetZoom(v.AsInteger()), "SetZoom"); });
  // FreezePanes(rows, cols, topRow, leftCol), as the worksheet takes them.
  RegisterSheetOperation("FreezePanes", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(4);
    a.ExpectAtMost(4);
    Check(s.FreezePanes(a.Int(0), a.Int(1), a.Int(2), a.Int(3)), "FreezePanes");
    return TVariant();
  });
  // ThawPanes([verticalSplit, horizontalSplit, topRow, leftCol]): without
  // arguments the panes go; with them the window is split there.
  RegisterSheetOperation("ThawPanes", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtMost(4);
    const auto split = [&](std::size_t i) { return a.Has(i) ? static_cast<float>(a.Number(i)) : 0.0f; };
    Check(s.ThawPanes(split(0), split(1), a.Int(2, -1), a.Int(3, -1)), "ThawPanes");
    return TVariant();
  });
  // InsertBitmap(row, col, file[, x, y[, scaleX, scaleY]]): zero-based cell, pixel
  // offsets within it, scale factors 1 when left out.
  RegisterSheetOperation("InsertBitmap", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(3);
    a.ExpectAtMost(7);
    const auto word = [&](std::size_t i, std::int32_t fallback) {
      const std::int32_t v = a.Int(i, fallback);
      if (v < 0 || v > 65535)
        throw ScriptError("InsertBitmap: argument " + std::to_string(i + 1) + " is not 0 … 65535");
      return static_cast<std::uint16_t>(v);
    };
    const auto scale = [&](std::size_t i) { return a.Has(i) ? static_cast<float>(a.Number(i)) : 1.0f; };
    Check(s.InsertBitmap(word(0, 0), word(1, 0), a.Text(2), word(3, 0), word(4, 0), scale(5), scale(6)),
          "InsertBitmap");
    return TVariant();
  });
  RegisterSheetOperation("Protect", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtMost(1);
    if (a.Has(0)) s.Protect(a.Text(0));
    else s.Protect();
    return TVariant();
  });
  // UnProtect() returns false when the sheet stays protected (it has a password).
  RegisterSheetOperation("UnProtect", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtMost(1);
    if (!a.Has(0)) return TVariant(s.UnProtect());
    s.UnProtect(a.Text(0));
    return TVariant();
  });
}

// The A1 forms of the writers: Write(ref[, xf]), WriteNumber(ref, number[, xf]),
// WriteDateTime(ref, date[, xf]), WriteFormula(ref, text[, xf]), and the merge
// writers MergeWrite(area[, xf]), MergeWriteNumber(area, number[, xf]) and so on.
// xf is a key of the workbook's format list (0, the default format, when left out).
//
// WriteString and MergeWriteString take the text itself, not a string-table
// index: the script has no string table of its own. They write the cell (or the
// merged area, as MergeWrite) with the format and then set the first cell's
// Value to the text, which enters the workbook's string table as any value does;
// a text beginning with "=" therefore becomes a formula, as with Value.
void RegisterWriters() {
  RegisterSheetOperation("Write", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(1);
    a.ExpectAtMost(2);
    Check(s.Write(a.Text(0), a.Int(1, 0)), "Write");
    return TVariant();
  });
  RegisterSheetOperation("WriteNumber", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(3);
    Check(s.WriteNumber(a.Text(0), a.Number(1), a.Int(2, 0)), "WriteNumber");
    return TVariant();
  });
  RegisterSheetOperation("WriteDateTime", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(3);
    Check(s.WriteDateTime(a.Text(0), a.Date(1), a.Int(2, 0)), "WriteDateTime");
    return TVariant();
  });
  RegisterSheetOperation("WriteFormula", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(3);
    std::string text = a.Text(1);
    if (!text.empty() && text[0] == '=') text.erase(0, 1);
    Check(s.WriteFormula(a.Text(0), text, a.Int(2, 0)), "WriteFormula");
    return TVariant();
  });
  RegisterSheetOperation("WriteString", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(3);
    const std::string ref = a.Text(0);
    Check(s.Write(ref, a.Int(2, 0)), "WriteString");
    ResolveRange(s, ref)->SetValue(TVariant(a.Text(1)));
    return TVariant();
  });
  RegisterSheetOperation("MergeWrite", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(1);
    a.ExpectAtMost(2);
    Check(s.MergeWrite(a.Text(0), a.Int(1, 0)), "MergeWrite");
    return TVariant();
  });
  RegisterSheetOperation("MergeWriteNumber", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(3);
    Check(s.MergeWriteNumber(a.Text(0), a.Number(1), a.Int(2, 0)), "MergeWriteNumber");
    return TVariant();
  });
  RegisterSheetOperation("MergeWriteDateTime", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(3);
    Check(s.MergeWriteDateTime(a.Text(0), a.Date(1), a.Int(2, 0)), "MergeWriteDateTime");
    return TVariant();
  });
  RegisterSheetOperation("MergeWriteFormula", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(3);
    std::string text = a.Text(1);
    if (!text.empty() && text[0] == '=') text.erase(0, 1);
    Check(s.MergeWriteFormula(a.Text(0), text, a.Int(2, 0)), "MergeWriteFormula");
    return TVariant();
  });
  RegisterSheetOperation("MergeWriteString", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(3);
    const std::string area = a.Text(0);
    Check(s.MergeWrite(area, a.Int(2, 0)), "MergeWriteString");
    Ref<IXLSRange> r = ResolveRange(s, area);
    // The area's first cell, whichever order its corners were written in.
    const auto row = static_cast<std::uint16_t>(std::min(r->GetFirstRow(), r->GetLastRow()));
    const auto col = static_cast<std::uint8_t>(std::min(r->GetFirstCol(), r->GetLastCol()));
    ResolveRange(s, EncodeCellRef(row, col))->SetValue(TVariant(a.Text(1)));
    return TVariant();
  });
}

// Every Get/Set pair of the page setup, as "PageSetup.<name>".
void RegisterPageSetup() {
  using PS = IXLSPageSetup;
  struct Text {
    const char* name;
    std::string (PS::*get)() const;
    void (PS::*set)(std::string_view);
  };
  static const Text texts[] = {
      {"PageSetup.CenterFooter", &PS::GetCenterFooter, &PS::SetCenterFooter},
      {"PageSetup.CenterHeader", &PS::GetCenterHeader, &PS::SetCenterHeader},
      {"PageSetup.LeftFooter", &PS::GetLeftFooter, &PS::SetLeftFooter},
      {"PageSetup.LeftHeader", &PS::GetLeftHeader, &PS::SetLeftHeader},
      {"PageSetup.RightFooter", &PS::GetRightFooter, &PS::SetRightFooter},
      {"PageSetup.RightHeader", &PS::GetRightHeader, &PS::SetRightHeader},
      {"PageSetup.PrintArea", &PS::FGetPrintArea, &PS::FSetPrintArea},
      {"PageSetup.PrintTitleColumns", &PS::GetPrintTitleColumns, &PS::SetPrintTitleColumns},
      {"PageSetup.PrintTitleRows", &PS::GetPrintTitleRows, &PS::SetPrintTitleRows},
  };
  for (const Text& t : texts)
    RegisterSheetProperty(
        t.name, [get = t.get](IXLSWorksheet& s) { return TVariant((s.GetPageSetup()->*get)()); },
        [set = t.set](IXLSWorksheet& s, const TVariant& v) { (s.GetPageSetup()->*set)(v.AsString()); });

  struct Number {
    const char* name;
    double (PS::*get)() const;
    void (PS::*set)(double);
  };
  static const Number numbers[] = {
      {"PageSetup.BottomMargin", &PS::GetBottomMargin, &PS::SetBottomMargin},
      {"PageSetup.TopMargin", &PS::GetTopMargin, &PS::SetTopMargin},
      {"PageSetup.LeftMargin", &PS::GetLeftMargin, &PS::SetLeftMargin},
      {"PageSetup.RightMargin", &PS::GetRightMargin, &PS::SetRightMargin},
      {"PageSetup.HeaderMargin", &PS::GetHeaderMargin, &PS::SetHeaderMargin},
      {"PageSetup.FooterMargin", &PS::GetFooterMargin, &PS::SetFooterMargin},
  };
  for (const Number& n : numbers)
    RegisterSheetProperty(
        n.name, [get = n.get](IXLSWorksheet& s) { return TVariant((s.GetPageSetup()->*get)()); },
        [set = n.set](IXLSWorksheet& s, const TVariant& v) { (s.GetPageSetup()->*set)(v.AsDouble()); });

  struct Flag {
    const char* name;
    bool (PS::*get)() const;
    void (PS::*set)(bool);
  };
  static const Flag flags[] = {
      {"PageSetup.CenterHorizontally", &PS::GetCenterHorizontally, &PS::SetCenterHorizontally},
      {"PageSetup.CenterVertically", &PS::GetCenterVertically, &PS::SetCenterVertically},
      {"PageSetup.PrintGridlines", &PS::GetPrintGridlines, &PS::SetPrintGridlines},
      {"PageSetup.PrintHeadings", &PS::GetPrintHeadings, &PS::SetPrintHeadings},
  };
  for (const Flag& f : flags)
    RegisterSheetProperty(
        f.name, [get = f.get](IXLSWorksheet& s) { return TVariant((s.GetPageSetup()->*get)()); },
        [set = f.set](IXLSWorksheet& s, const TVariant& v) { (s.GetPageSetup()->*set)(v.AsBoolean()); });

  struct Integer {
    const char* name;
    std::int32_t (PS::*get)() const;
    void (PS::*set)(std::int32_t);
  };
  static const Integer integers[] = {
      {"PageSetup.Orientation", &PS::GetOrientation, &PS::SetOrientation},
      {"PageSetup.PaperSize", &PS::GetPaperSize, &PS::SetPaperSize},
  };
  for (const Integer& i : integers)
    RegisterSheetProperty(
        i.name, [get = i.get](IXLSWorksheet& s) { return TVariant((s.GetPageSetup()->*get)()); },
        [set = i.set](IXLSWorksheet& s, const TVariant& v) { (s.GetPageSetup()->*set)(v.AsInteger()); });

  // A number, or false for "not set" (fit to pages) or "off" (percentage zoom).
  struct Scaling {
    const char* name;
    TVariant (PS::*get)() const;
    void (PS::*set)(const TVariant&);
  };
  static const Scaling scalings[] = {
      {"PageSetup.FitToPagesTall", &PS::GetFitToPagesTall, &PS::SetFitToPagesTall},
      {"PageSetup.FitToPagesWide", &PS::GetFitToPagesWide, &PS::SetFitToPagesWide},
      {"PageSetup.Zoom", &PS::GetZoom, &PS::SetZoom},
  };
  for (const Scaling& z : scalings)
    RegisterSheetProperty(
        z.name, [get = z.get](IXLSWorksheet& s) { return (s.GetPageSetup()->*get)(); },
        [set = z.set](IXLSWorksheet& s, const TVariant& v) { (s.GetPageSetup()->*set)(IntegerOrFalse(v)); });

  // SetPrintArea(firstRow, firstColumn, lastRow, lastColumn), zero-based.
  RegisterSheetOperation("PageSetup.SetPrintArea", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(4);
    a.ExpectAtMost(4);
    // Numbers past the grid stay past it (the page setup refuses them) instead of wrapping.
    const auto row = [&](std::size_t i) {
      const std::int64_t v = a.Int(i);
      return static_cast<std::uint32_t>(v < 0 || v > XLSXMaxRow ? XLSXMaxRow + 1 : v);
    };
    const auto col = [&](std::size_t i) {
      const std::int64_t v = a.Int(i);
      return static_cast<std::uint16_t>(v < 0 || v > XLSXMaxCol ? XLSXMaxCol + 1 : v);
    };
    s.GetPageSetup()->SetPrintArea(row(0), col(1), row(2), col(3));
    return TVariant();
  });
}

// Manual page breaks: HPageBreaks (between rows) and VPageBreaks (between columns).
//   {"sheet": "Data", "call": "HPageBreaks.Add", "args": ["A10"]}   a break before row 10
//   {"sheet": "Data", "call": "VPageBreaks.Add", "args": ["D1"]}    a break before column D
//   {"sheet": "Data", "call": "HPageBreaks(1).Delete"}              the first break (one-based)
//   {"sheet": "Data", "get": ["HPageBreaks.Count", "HPageBreaks(1).Location"]}
// Add takes a range of the sheet (an A1 text) and returns the break's
// position; a break already there is not added twice.
void RegisterPageBreaks() {
  struct Kind {
    const char* name;
    TXLSPageBreaks& (*of)(IXLSWorksheet&);
  };
  static const Kind kinds[] = {
      {"HPageBreaks", [](IXLSWorksheet& s) -> TXLSPageBreaks& { return s.GetHPageBreaks(); }},
      {"VPageBreaks", [](IXLSWorksheet& s) -> TXLSPageBreaks& { return s.GetVPageBreaks(); }},
  };
  for (const Kind& k : kinds) {
    const std::string name = k.name;
    RegisterSheetProperty(
        name + ".Count", [of = k.of](IXLSWorksheet& s) { return TVariant(of(s).GetCount()); }, nullptr);
    RegisterIndexedSheetProperty(
        name + "(n).Location",
        [of = k.of, name](IXLSWorksheet& s, const Indices& i) {
          const Ref<IXLSRange> where = of(s).GetLocation(i[0]);
          if (!where)
            throw ScriptError(name + "(" + std::to_string(i[0]) + "): there are " +
                              std::to_string(of(s).GetCount()) + " breaks");
          return TVariant(RangeText(*where));
        },
        nullptr);
    RegisterSheetOperation(name + ".Add", [of = k.of, name](IXLSWorksheet& s, const Args& a) {
      a.ExpectAtLeast(1);
      a.ExpectAtMost(1);
      const Ref<IXLSRange> before = ResolveRange(s, a.Text(0));
      const TXLSPageBreak* added = of(s).AddPageBreak(before.get());
      if (!added) throw ScriptError(name + ".Add: no break added");
      return TVariant(added->GetPosition());
    });
    RegisterSheetOperation(name + "(n).Delete", [of = k.of, name](IXLSWorksheet& s, const Args& a) {
      a.ExpectAtMost(0);
      const std::int32_t at = a.Index()[0];
      if (!of(s).Get(at))
        throw ScriptError(name + "(" + std::to_string(at) + ").Delete: there are " +
                          std::to_string(of(s).GetCount()) + " breaks");
      of(s).Delete(at);
      return TVariant();
    });
  }
  RegisterSheetOperation("ResetAllPageBreaks", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtMost(0);
    s.ResetAllPageBreaks();
    return TVariant();
  });
}

[[maybe_unused]] const bool registered = [] {
  RegisterPageBreaks();
  RegisterPlace();
  RegisterWindow();
  RegisterWriters();
  RegisterPageSetup();
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
