// The table of properties and operations that `tablirex build` scripts can use.
//
// A script step targets a range, a sheet or the workbook and then sets
// properties, reads them, or calls one operation:
//
//   {"sheet": "Data", "range": "B2:C3", "set": {"Value": 1, "Font.Bold": true}}
//   {"sheet": 1, "call": "Move", "args": [{"after": "Data"}]}
//   {"workbook": true, "get": ["ActiveSheet"]}
//
// Names are the object model's own: a property is the name after Get/Set of its
// accessors, an operation its method name, and the views of a range or sheet are
// reached with a dot ("Font.Bold", "PageSetup.PrintArea"). A number in
// parentheses selects an item ("Borders(7).LineStyle", "CustomColor(3)"): such a
// name is registered with "(n)" in place of the number (two numbers, as in
// "Characters(1,4).Font.Bold", with "(n,n)"), and the handler receives the
// numbers in order as Indices.
//
// Each subsystem fills the table from a file of its own with a static
// registration, for example tools/build/props_format.cpp:
//
//   namespace tablirex::tool::build {
//   namespace {
//   [[maybe_unused]] const bool registered = [] {
//     RegisterRangeProperty(
//         "Font.Bold", [](IXLSRange& r) { return TVariant(r.GetFont()->GetBold()); },
//         [](IXLSRange& r, const TVariant& v) { r.GetFont()->SetBold(v.AsBoolean()); });
//     RegisterIndexedRangeProperty(
//         "Borders(n).LineStyle",
//         [](IXLSRange& r, const Indices& i) {
//           return TVariant(r.GetBorders()->GetBorder(i[0])->GetLineStyle());
//         },
//         [](IXLSRange& r, const Indices& i, const TVariant& v) {
//           r.GetBorders()->GetBorder(i[0])->SetLineStyle(static_cast<std::uint32_t>(v.AsInteger()));
//         });
//     RegisterRangeOperation("AutoFit", [](IXLSRange& r, const Args& a) {
//       a.ExpectAtMost(0);
//       ...;
//       return TVariant();
//     });
//     return true;
//   }();
//   }  // namespace
//   }  // namespace tablirex::tool::build
//
// tools/*.cpp are compiled into the tool, so a new file is picked up by the
// build without touching anything else. Rules for handlers:
//   - A setter receives the script's value as a variant: numbers are doubles,
//     texts UTF-8 strings, true/false booleans, null the null variant, JSON
//     arrays one- or two-dimensional variant arrays, {"date": ...} a date.
//     Convert with the variant's As… functions; their EVariantError is reported
//     as a value of the wrong kind, naming the step. Setters whose object-model
//     counterpart wants a particular integer kind convert explicitly
//     (TVariant(v.AsInteger())).
//   - A getter returns a variant; it is printed as JSON (dates as {"date": ...}).
//   - An operation validates its arguments through Args (which raises
//     ScriptError with a clear text) and returns a variant that is printed when
//     it is not empty.
//   - Throw ScriptError for anything else the script got wrong, and when the
//     object model answers with a failing result code (not 1).
//   - Pass nullptr as the getter or the setter of a write-only or read-only
//     property.
//   - A name may be registered once per kind of target; a second registration
//     stops the tool at start-up with a message.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "tablirex/range.h"
#include "tablirex/variant.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex::tool::build {

/// JSON as scripts hold it: objects keep the order their keys were written in, so
/// "set" applies its properties in that order.
using Json = nlohmann::ordered_json;

/// Something the script got wrong; the runner reports it with the step that caused it.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The numbers in parentheses of a property or operation name, in order: {7} for
/// "Borders(7).LineStyle".
using Indices = std::vector<std::int32_t>;

/// The arguments of a "call" step, with the context needed to resolve sheets and
/// ranges named in them. Every accessor raises ScriptError naming the argument
/// (one-based, as people count) when it is missing or of the wrong kind.
class Args {
 public:
  Args(const Json& list, TXLSWorkbook& workbook, IXLSWorksheet* sheet, Indices indices);

  std::size_t Count() const noexcept { return list_.size(); }
  /// True when argument i (zero-based) is present and not null.
  bool Has(std::size_t i) const noexcept;
  /// Fails unless at most n arguments were given.
  void ExpectAtMost(std::size_t n) const;
  /// Fails unless at least n arguments were given.
  void ExpectAtLeast(std::size_t n) const;

  /// Argument i as JSON.
  const Json& At(std::size_t i) const;
  /// Argument i as a variant, converted as "set" values are.
  TVariant Value(std::size_t i) const;
  double Number(std::size_t i) const;
  std::int32_t Int(std::size_t i) const;
  std::int32_t Int(std::size_t i, std::int32_t fallback) const;
  bool Bool(std::size_t i) const;
  bool Bool(std::size_t i, bool fallback) const;
  std::string Text(std::size_t i) const;
  /// A date argument: {"date": "YYYY-MM-DDThh:mm:ss"} or a serial day number.
  double Date(std::size_t i) const;

  /// A sheet given as a name or a one-based position.
  IXLSWorksheet& SheetRef(const Json& ref) const;
  /// A range given as an A1 text on the step's sheet, or as
  /// {"sheet": name or position, "range": A1 text}.
  Ref<IXLSRange> RangeRef(const Json& ref) const;

  TXLSWorkbook& Workbook() const noexcept { return workbook_; }
  /// The sheet of a sheet or range step; fails for a workbook step.
  IXLSWorksheet& Sheet() const;
  const Indices& Index() const noexcept { return indices_; }

 private:
  const Json& list_;
  TXLSWorkbook& workbook_;
  IXLSWorksheet* sheet_;
  Indices indices_;
};

// ---- handler types --------------------------------------------------------------

template <class Target>
using Getter = std::function<TVariant(Target&)>;
template <class Target>
using Setter = std::function<void(Target&, const TVariant&)>;
template <class Target>
using IndexedGetter = std::function<TVariant(Target&, const Indices&)>;
template <class Target>
using IndexedSetter = std::function<void(Target&, const Indices&, const TVariant&)>;
template <class Target>
using Operation = std::function<TVariant(Target&, const Args&)>;

// ---- registration -----------------------------------------------------------------
// Plain names contain no parentheses; indexed names carry "(n)" for each number.

void RegisterRangeProperty(std::string name, Getter<IXLSRange> get, Setter<IXLSRange> set);
void RegisterIndexedRangeProperty(std::string name, IndexedGetter<IXLSRange> get,
                                  IndexedSetter<IXLSRange> set);
void RegisterRangeOperation(std::string name, Operation<IXLSRange> run);

void RegisterSheetProperty(std::string name, Getter<IXLSWorksheet> get, Setter<IXLSWorksheet> set);
void RegisterIndexedSheetProperty(std::string name, IndexedGetter<IXLSWorksheet> get,
                                  IndexedSetter<IXLSWorksheet> set);
void RegisterSheetOperation(std::string name, Operation<IXLSWorksheet> run);

void RegisterWorkbookProperty(std::string name, Getter<TXLSWorkbook> get, Setter<TXLSWorkbook> set);
void RegisterIndexedWorkbookProperty(std::string name, IndexedGetter<TXLSWorkbook> get,
                                     IndexedSetter<TXLSWorkbook> set);
void RegisterWorkbookOperation(std::string name, Operation<TXLSWorkbook> run);

// ---- lookup (used by the script runner) ---------------------------------------------
// Names are looked up as written ("Borders(7).LineStyle" finds
// "Borders(n).LineStyle" with indices {7}). Each call raises ScriptError for an
// unknown name or for a property without the accessor asked for. The workbook
// and the step's sheet (nullptr for a workbook step) let operations resolve the
// sheets and ranges named in their arguments.

void SetProperty(IXLSRange& target, std::string_view name, const TVariant& value);
void SetProperty(IXLSWorksheet& target, std::string_view name, const TVariant& value);
void SetProperty(TXLSWorkbook& target, std::string_view name, const TVariant& value);
TVariant GetProperty(IXLSRange& target, std::string_view name);
TVariant GetProperty(IXLSWorksheet& target, std::string_view name);
TVariant GetProperty(TXLSWorkbook& target, std::string_view name);
TVariant CallOperation(IXLSRange& target, std::string_view name, const Json& args,
                       TXLSWorkbook& workbook, IXLSWorksheet* sheet);
TVariant CallOperation(IXLSWorksheet& target, std::string_view name, const Json& args,
                       TXLSWorkbook& workbook, IXLSWorksheet* sheet);
TVariant CallOperation(TXLSWorkbook& target, std::string_view name, const Json& args,
                       TXLSWorkbook& workbook, IXLSWorksheet* sheet);

/// Which kind of object a step targets.
enum class TargetKind { Range, Sheet, Workbook };

/// Every registered name of a kind with "get", "set", "get/set" or "call",
/// properties first, each group sorted by name.
std::vector<std::pair<std::string, std::string>> ListNames(TargetKind kind);

// ---- conversions shared by the runner and the handlers ------------------------------

/// A script value as a variant (see the rules above). Raises ScriptError for an
/// object other than {"date": text}, a bad date, nested arrays deeper than two
/// levels, mixed or ragged rows.
TVariant ToVariant(const Json& value);
/// A variant as JSON: null for empty and null, numbers, texts, booleans,
/// {"date": "YYYY-MM-DD hh:mm:ss"} for dates, arrays (two-dimensional ones as rows).
Json ToJson(const TVariant& value);

/// The sheet a script names: a name (exact) or a one-based position.
IXLSWorksheet& ResolveSheet(TXLSWorkbook& workbook, const Json& ref);
/// A range text on a sheet: a cell (B2), an area (A1:C3), rows (3:5) or columns (B:D).
Ref<IXLSRange> ResolveRange(IXLSWorksheet& sheet, std::string_view a1);

}  // namespace tablirex::tool::build
