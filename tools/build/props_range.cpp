// Range properties and operations of build scripts: values, row heights, column
// widths, hidden rows and columns, the corners, clearing, selecting, merging and
// the structural operations. Navigation is the step's range text ("B2", "A1:C3",
// "3:5" for whole rows, "B:D" for whole columns).
#include "build/registry.h"

namespace tablirex::tool::build {
namespace {

void RegisterValues() {
  RegisterRangeProperty(
      "Value", [](IXLSRange& r) { return r.GetValue(); },
      [](IXLSRange& r, const TVariant& v) { r.SetValue(v); });
  RegisterRangeProperty(
      "ColumnWidth", [](IXLSRange& r) { return r.GetColumnWidth(); },
      [](IXLSRange& r, const TVariant& v) { r.SetColumnWidth(v); });
  RegisterRangeProperty(
      "RowHeight", [](IXLSRange& r) { return r.GetRowHeight(); },
      [](IXLSRange& r, const TVariant& v) { r.SetRowHeight(v); });
  RegisterRangeProperty(
      "Hidden", [](IXLSRange& r) { return r.GetHidden(); },
      [](IXLSRange& r, const TVariant& v) { r.SetHidden(v); });
}

void RegisterCorners() {
  struct Corner {
    const char* name;
    std::int32_t (IXLSRange::*get)();
  };
  static const Corner corners[] = {
      {"Count", &IXLSRange::GetCount},         {"Row", &IXLSRange::GetRow},
      {"Column", &IXLSRange::GetColumn},       {"FirstRow", &IXLSRange::GetFirstRow},
      {"LastRow", &IXLSRange::GetLastRow},     {"FirstCol", &IXLSRange::GetFirstCol},
      {"LastCol", &IXLSRange::GetLastCol},     {"XFIndex", &IXLSRange::XFIndex},
  };
  for (const Corner& c : corners)
    RegisterRangeProperty(c.name, [get = c.get](IXLSRange& r) { return TVariant((r.*get)()); }, nullptr);
}

void RegisterOperations() {
  RegisterRangeOperation("ClearContents", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    r.ClearContents();
    return TVariant();
  });
  RegisterRangeOperation("Clear", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    r.Clear();
    return TVariant();
  });
  RegisterRangeOperation("Select", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    r.Select();
    return TVariant();
  });
  // Merge([across]): across (default false) merges each row of the range apart.
  RegisterRangeOperation("Merge", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(1);
    r.Merge(a.Bool(0, false));
    return TVariant();
  });
  RegisterRangeOperation("Unmerge", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    r.Unmerge();
    return TVariant();
  });
  // Insert([shift]) and Delete([shift]) return what the range returns.
  RegisterRangeOperation("Insert", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(1);
    return r.Insert(a.Int(0, 0));
  });
  RegisterRangeOperation("Delete", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(1);
    return r.Delete(a.Int(0, 0));
  });
  // Move(destination[, flags]) and Copy(destination[, flags]): the destination is
  // a range text on the step's sheet or {"sheet": ..., "range": ...}.
  RegisterRangeOperation("Move", [](IXLSRange& r, const Args& a) {
    a.ExpectAtLeast(1);
    a.ExpectAtMost(2);
    Ref<IXLSRange> to = a.RangeRef(a.At(0));
    if (a.Has(1)) r.Move(to.get(), a.Int(1));
    else r.Move(to.get());
    return TVariant();
  });
  RegisterRangeOperation("Copy", [](IXLSRange& r, const Args& a) {
    a.ExpectAtLeast(1);
    a.ExpectAtMost(2);
    Ref<IXLSRange> to = a.RangeRef(a.At(0));
    if (a.Has(1)) r.Copy(to.get(), a.Int(1));
    else r.Copy(to.get());
    return TVariant();
  });
  // PasteFrom(source, flags, copy): the source as Move's destination.
  RegisterRangeOperation("PasteFrom", [](IXLSRange& r, const Args& a) {
    a.ExpectAtLeast(3);
    a.ExpectAtMost(3);
    Ref<IXLSRange> from = a.RangeRef(a.At(0));
    r.PasteFrom(from.get(), a.Int(1), a.Bool(2));
    return TVariant();
  });
}

[[maybe_unused]] const bool registered = [] {
  RegisterValues();
  RegisterCorners();
  RegisterOperations();
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
