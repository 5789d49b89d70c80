// The property and operation table of build scripts, its lookup, the arguments
// of operations and the conversions between script values and variants.
#include "build/registry.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <type_traits>

#include "tablirex/datetime.h"
#include "tablirex/worksheets.h"

namespace tablirex::tool::build {
namespace {

template <class T>
struct Table {
  struct Property {
    IndexedGetter<T> get;
    IndexedSetter<T> set;
  };
  std::map<std::string, Property, std::less<>> properties;
  std::map<std::string, Operation<T>, std::less<>> operations;
};

template <class T>
Table<T>& TableOf() {
  static Table<T> table;
  return table;
}

template <class T>
const char* KindName() {
  if constexpr (std::is_same_v<T, IXLSRange>) return "range";
  else if constexpr (std::is_same_v<T, IXLSWorksheet>) return "sheet";
  else return "workbook";
}

// A programming error in a registration stops the tool before any script runs.
[[noreturn]] void BadRegistration(const char* kind, const std::string& name, const char* why) {
  std::fprintf(stderr, "tablirex: registering %s name \"%s\": %s\n", kind, name.c_str(), why);
  std::abort();
}

template <class T>
void CheckName(const std::string& name, bool indexed) {
  if (name.empty()) BadRegistration(KindName<T>(), name, "empty name");
  std::size_t slots = 0;
  for (std::size_t at = name.find('('); at != std::string::npos; at = name.find('(', at + 1)) {
    if (name.compare(at, 3, "(n)") != 0 && name.compare(at, 5, "(n,n)") != 0)
      BadRegistration(KindName<T>(), name, "parentheses must read (n) or (n,n)");
    ++slots;
  }
  if (indexed && slots == 0) BadRegistration(KindName<T>(), name, "an indexed name needs (n)");
  if (!indexed && slots > 0) BadRegistration(KindName<T>(), name, "(n) needs an indexed registration");
}

template <class T>
void AddProperty(std::string name, IndexedGetter<T> get, IndexedSetter<T> set, bool indexed) {
  CheckName<T>(name, indexed);
  if (!get && !set) BadRegistration(KindName<T>(), name, "neither getter nor setter");
  auto& props = TableOf<T>().properties;
  if (props.count(name)) BadRegistration(KindName<T>(), name, "registered twice");
  props.emplace(std::move(name), typename Table<T>::Property{std::move(get), std::move(set)});
}

template <class T>
void AddPlainProperty(std::string name, Getter<T> get, Setter<T> set) {
  IndexedGetter<T> g;
  IndexedSetter<T> s;
  if (get) g = [get = std::move(get)](T& t, const Indices&) { return get(t); };
  if (set) s = [set = std::move(set)](T& t, const Indices&, const TVariant& v) { set(t, v); };
  AddProperty<T>(std::move(name), std::move(g), std::move(s), false);
}

template <class T>
void AddOperation(std::string name, Operation<T> run) {
  CheckName<T>(name, name.find('(') != std::string::npos);
  if (!run) BadRegistration(KindName<T>(), name, "no handler");
  auto& ops = TableOf<T>().operations;
  if (ops.count(name)) BadRegistration(KindName<T>(), name, "registered twice");
  ops.emplace(std::move(name), std::move(run));
}

// "Borders(7).LineStyle" → key "Borders(n).LineStyle", indices {7};
// "Characters(1, 4).Font.Bold" → "Characters(n,n).Font.Bold", {1, 4}. Parentheses
// that do not hold one or two integers are left as written, so the lookup fails.
std::string Normalize(std::string_view name, Indices& indices) {
  std::string key;
  std::size_t i = 0;
  while (i < name.size()) {
    if (name[i] == '(') {
      std::size_t j = i + 1;
      Indices found;
      bool ok = true;
      for (;;) {
        while (j < name.size() && name[j] == ' ') ++j;
        const bool negative = j < name.size() && name[j] == '-';
        if (negative) ++j;
        std::int64_t value = 0;
        const std::size_t digits = j;
        while (j < name.size() && name[j] >= '0' && name[j] <= '9' && value <= std::numeric_limits<std::int32_t>::max())
          value = value * 10 + (name[j++] - '0');
        while (j < name.size() && name[j] == ' ') ++j;
        ok = j > digits && j < name.size() && value <= std::numeric_limits<std::int32_t>::max() && found.size() < 2;
        if (!ok) break;
        found.push_back(static_cast<std::int32_t>(negative ? -value : value));
        if (name[j] != ',') break;
        ++j;
      }
      if (ok && name[j] == ')') {
        indices.insert(indices.end(), found.begin(), found.end());
        key += found.size() == 1 ? "(n)" : "(n,n)";
        i = j + 1;
        continue;
      }
    }
    key.push_back(name[i++]);
  }
  return key;
}

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

template <class T>
const typename Table<T>::Property& FindProperty(std::string_view name, Indices& indices) {
  const auto& props = TableOf<T>().properties;
  const std::string key = Normalize(name, indices);
  const auto it = props.find(key);
  if (it == props.end())
    throw ScriptError(std::string("unknown ") + KindName<T>() + " property " + Quoted(name));
  return it->second;
}

template <class T>
void SetIn(T& target, std::string_view name, const TVariant& value) {
  Indices indices;
  const auto& p = FindProperty<T>(name, indices);
  if (!p.set) throw ScriptError(std::string(KindName<T>()) + " property " + Quoted(name) + " is read-only");
  p.set(target, indices, value);
}

template <class T>
TVariant GetFrom(T& target, std::string_view name) {
  Indices indices;
  const auto& p = FindProperty<T>(name, indices);
  if (!p.get) throw ScriptError(std::string(KindName<T>()) + " property " + Quoted(name) + " cannot be read");
  return p.get(target, indices);
}

template <class T>
TVariant Call(T& target, std::string_view name, const Json& args, TXLSWorkbook& workbook,
              IXLSWorksheet* sheet) {
  Indices indices;
  const auto& ops = TableOf<T>().operations;
  const auto it = ops.find(Normalize(name, indices));
  if (it == ops.end()) throw ScriptError(std::string("unknown ") + KindName<T>() + " operation " + Quoted(name));
  return it->second(target, Args(args, workbook, sheet, std::move(indices)));
}

template <class T>
std::vector<std::pair<std::string, std::string>> Names() {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& [name, p] : TableOf<T>().properties)
    out.emplace_back(name, p.get && p.set ? "get/set" : p.get ? "get" : "set");
  for (const auto& [name, op] : TableOf<T>().operations) out.emplace_back(name, "call");
  return out;
}

TVariant ToScalar(const Json& v) {
  switch (v.type()) {
    case Json::value_t::null: return TVariant::Null();
    case Json::value_t::boolean: return TVariant(v.get<bool>());
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return TVariant(v.get<double>());
    case Json::value_t::string: return TVariant(v.get<std::string>());
    case Json::value_t::object: {
      const auto date = v.find("date");
      if (v.size() != 1 || date == v.end() || !date->is_string())
        throw ScriptError("the only object a value may be is {\"date\": \"YYYY-MM-DDThh:mm:ss\"}, not " + v.dump());
      const auto serial = ParseIsoDateTime(date->get<std::string>());
      if (!serial) throw ScriptError(date->dump() + " is not a date (YYYY-MM-DD or YYYY-MM-DDThh:mm:ss)");
      return TVariant::Date(*serial);
    }
    default: throw ScriptError("unsupported value " + v.dump());
  }
}

}  // namespace

// ---- registration -----------------------------------------------------------------

void RegisterRangeProperty(std::string name, Getter<IXLSRange> get, Setter<IXLSRange> set) {
  AddPlainProperty<IXLSRange>(std::move(name), std::move(get), std::move(set));
}
void RegisterIndexedRangeProperty(std::string name, IndexedGetter<IXLSRange> get,
                                  IndexedSetter<IXLSRange> set) {
  AddProperty<IXLSRange>(std::move(name), std::move(get), std::move(set), true);
}
void RegisterRangeOperation(std::string name, Operation<IXLSRange> run) {
  AddOperation<IXLSRange>(std::move(name), std::move(run));
}
void RegisterSheetProperty(std::string name, Getter<IXLSWorksheet> get, Setter<IXLSWorksheet> set) {
  AddPlainProperty<IXLSWorksheet>(std::move(name), std::move(get), std::move(set));
}
void RegisterIndexedSheetProperty(std::string name, IndexedGetter<IXLSWorksheet> get,
                                  IndexedSetter<IXLSWorksheet> set) {
  AddProperty<IXLSWorksheet>(std::move(name), std::move(get), std::move(set), true);
}
void RegisterSheetOperation(std::string name, Operation<IXLSWorksheet> run) {
  AddOperation<IXLSWorksheet>(std::move(name), std::move(run));
}
void RegisterWorkbookProperty(std::string name, Getter<TXLSWorkbook> get, Setter<TXLSWorkbook> set) {
  AddPlainProperty<TXLSWorkbook>(std::move(name), std::move(get), std::move(set));
}
void RegisterIndexedWorkbookProperty(std::string name, IndexedGetter<TXLSWorkbook> get,
                                     IndexedSetter<TXLSWorkbook> set) {
  AddProperty<TXLSWorkbook>(std::move(name), std::move(get), std::move(set), true);
}
void RegisterWorkbookOperation(std::string name, Operation<TXLSWorkbook> run) {
  AddOperation<TXLSWorkbook>(std::move(name), std::move(run));
}

// ---- lookup -----------------------------------------------------------------------

void SetProperty(IXLSRange& t, std::string_view name, const TVariant& v) { SetIn(t, name, v); }
void SetProperty(IXLSWorksheet& t, std::string_view name, const TVariant& v) { SetIn(t, name, v); }
void SetProperty(TXLSWorkbook& t, std::string_view name, const TVariant& v) { SetIn(t, name, v); }
TVariant GetProperty(IXLSRange& t, std::string_view name) { return GetFrom(t, name); }
TVariant GetProperty(IXLSWorksheet& t, std::string_view name) { return GetFrom(t, name); }
TVariant GetProperty(TXLSWorkbook& t, std::string_view name) { return GetFrom(t, name); }

TVariant CallOperation(IXLSRange& t, std::string_view name, const Json& args, TXLSWorkbook& wb,
                       IXLSWorksheet* sheet) {
  return Call(t, name, args, wb, sheet);
}
TVariant CallOperation(IXLSWorksheet& t, std::string_view name, const Json& args, TXLSWorkbook& wb,
                       IXLSWorksheet* sheet) {
  return Call(t, name, args, wb, sheet);
}
TVariant CallOperation(TXLSWorkbook& t, std::string_view name, const Json& args, TXLSWorkbook& wb,
                       IXLSWorksheet* sheet) {
  return Call(t, name, args, wb, sheet);
}

std::vector<std::pair<std::string, std::string>> ListNames(TargetKind kind) {
  switch (kind) {
    case TargetKind::Range: return Names<IXLSRange>();
    case TargetKind::Sheet: return Names<IXLSWorksheet>();
    case TargetKind::Workbook: break;
  }
  return Names<TXLSWorkbook>();
}

// ---- arguments ----------------------------------------------------------------------

Args::Args(const Json& list, TXLSWorkbook& workbook, IXLSWorksheet* sheet, Indices indices)
    : list_(list), workbook_(workbook), sheet_(sheet), indices_(std::move(indices)) {}

bool Args::Has(std::size_t i) const noexcept { return i < list_.size() && !list_[i].is_null(); }

void Args::ExpectAtMost(std::size_t n) const {
  if (list_.size() > n)
    throw ScriptError("takes at most " + std::to_string(n) + " argument" + (n == 1 ? "" : "s") + ", " +
                      std::to_string(list_.size()) + " given");
}

void Args::ExpectAtLeast(std::size_t n) const {
  if (list_.size() < n)
    throw ScriptError("needs at least " + std::to_string(n) + " argument" + (n == 1 ? "" : "s") + ", " +
                      std::to_string(list_.size()) + " given");
}

const Json& Args::At(std::size_t i) const {
  if (!Has(i)) throw ScriptError("argument " + std::to_string(i + 1) + " is missing");
  return list_[i];
}

namespace {
// Runs a conversion of argument i and names the argument when it fails.
template <class F>
auto Converted(std::size_t i, F&& f) {
  try {
    return f();
  } catch (const EVariantError& e) {
    throw ScriptError("argument " + std::to_string(i + 1) + " is of the wrong kind: " + e.what());
  } catch (const ScriptError& e) {
    throw ScriptError("argument " + std::to_string(i + 1) + ": " + e.what());
  }
}
}  // namespace

TVariant Args::Value(std::size_t i) const {
  const Json& v = At(i);
  return Converted(i, [&] { return ToVariant(v); });
}
double Args::Number(std::size_t i) const {
  const Json& v = At(i);
  return Converted(i, [&] { return ToVariant(v).AsDouble(); });
}
std::int32_t Args::Int(std::size_t i) const {
  const Json& v = At(i);
  return Converted(i, [&] { return ToVariant(v).AsInteger(); });
}
std::int32_t Args::Int(std::size_t i, std::int32_t fallback) const { return Has(i) ? Int(i) : fallback; }
bool Args::Bool(std::size_t i) const {
  const Json& v = At(i);
  return Converted(i, [&] { return ToVariant(v).AsBoolean(); });
}
bool Args::Bool(std::size_t i, bool fallback) const { return Has(i) ? Bool(i) : fallback; }
std::string Args::Text(std::size_t i) const {
  const Json& v = At(i);
  return Converted(i, [&] { return ToVariant(v).AsString(); });
}
double Args::Date(std::size_t i) const {
  const Json& v = At(i);
  return Converted(i, [&] { return ToVariant(v).AsDate(); });
}

IXLSWorksheet& Args::SheetRef(const Json& ref) const { return ResolveSheet(workbook_, ref); }

Ref<IXLSRange> Args::RangeRef(const Json& ref) const {
  if (ref.is_string()) return ResolveRange(Sheet(), ref.get<std::string>());
  if (ref.is_object() && ref.size() == 2 && ref.contains("sheet") && ref.contains("range") &&
      ref["range"].is_string())
    return ResolveRange(ResolveSheet(workbook_, ref["sheet"]), ref["range"].get<std::string>());
  throw ScriptError("a range is an A1 text or {\"sheet\": ..., \"range\": ...}, not " + ref.dump());
}

IXLSWorksheet& Args::Sheet() const {
  if (!sheet_) throw ScriptError("this operation needs a sheet step");
  return *sheet_;
}

// ---- conversions --------------------------------------------------------------------

TVariant ToVariant(const Json& value) {
  if (!value.is_array()) return ToScalar(value);
  const auto n = static_cast<std::int32_t>(value.size());
  const bool rows = n > 0 && value[0].is_array();
  if (!rows) {
    TVariant out = TVariant::Array1(0, n);
    for (std::int32_t i = 0; i < n; ++i) {
      if (value[static_cast<std::size_t>(i)].is_array())
        throw ScriptError("an array mixes rows (arrays) and single values");
      out.Array().At(i) = ToScalar(value[static_cast<std::size_t>(i)]);
    }
    return out;
  }
  const auto cols = static_cast<std::int32_t>(value[0].size());
  TVariant out = TVariant::Array2(0, n, 0, cols);
  for (std::int32_t r = 0; r < n; ++r) {
    const Json& row = value[static_cast<std::size_t>(r)];
    if (!row.is_array()) throw ScriptError("an array mixes rows (arrays) and single values");
    if (static_cast<std::int32_t>(row.size()) != cols)
      throw ScriptError("the rows of a two-dimensional array differ in length");
    for (std::int32_t c = 0; c < cols; ++c) {
      const Json& item = row[static_cast<std::size_t>(c)];
      if (item.is_array()) throw ScriptError("arrays have at most two dimensions");
      out.Array().At(r, c) = ToScalar(item);
    }
  }
  return out;
}

Json ToJson(const TVariant& value) {
  switch (value.Type()) {
    case varEmpty:
    case varNull: return nullptr;
    case varBoolean: return value.AsBoolean();
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return value.AsInt64();
    case varSingle: case varDouble: case varCurrency: return value.AsDouble();
    case varDate: return Json{{"date", FormatIsoDateTime(value.AsDouble())}};
    case varString: case varOleStr: return value.AsString();
    case varArray: {
      const TVariantArray& a = value.Array();
      Json out = Json::array();
      if (a.DimCount() == 1) {
        for (std::int32_t i = a.Low(1); i <= a.High(1); ++i) out.push_back(ToJson(a.At(i)));
        return out;
      }
      for (std::int32_t r = a.Low(1); r <= a.High(1); ++r) {
        Json row = Json::array();
        for (std::int32_t c = a.Low(2); c <= a.High(2); ++c) row.push_back(ToJson(a.At(r, c)));
        out.push_back(std::move(row));
      }
      return out;
    }
    case varError: return Json{{"error", true}};
  }
  return Json{{"type", static_cast<int>(value.Type())}};
}

IXLSWorksheet& ResolveSheet(TXLSWorkbook& workbook, const Json& ref) {
  IXLSWorkSheets& sheets = *workbook.GetWorksheets();
  if (ref.is_string()) {
    const std::string name = ref.get<std::string>();
    const std::int32_t index = sheets.GetIndexByName(name);
    if (index < 1) throw ScriptError("no sheet named " + Quoted(name));
    return *sheets.Get(index);
  }
  if (ref.is_number()) {
    const double d = ref.get<double>();
    const std::int32_t count = sheets.GetCount();
    if (d != std::floor(d) || d < 1 || d > count)
      throw ScriptError("no sheet at position " + ref.dump() + " (the workbook has " + std::to_string(count) +
                        " sheet" + (count == 1 ? ")" : "s)"));
    return *sheets.Get(static_cast<std::int32_t>(d));
  }
  throw ScriptError("a sheet is given by its name or its one-based position, not " + ref.dump());
}

Ref<IXLSRange> ResolveRange(IXLSWorksheet& sheet, std::string_view a1) {
  Ref<IXLSRange> r = sheet.Range(a1);
  if (!r) throw ScriptError(Quoted(a1) + " is not a range (a cell B2, an area A1:C3, rows 3:5 or columns B:D)");
  return r;
}

}  // namespace tablirex::tool::build
