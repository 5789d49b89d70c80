// tablirex build: builds a workbook from a JSON script through the object model
// and saves it.
//
//   {
//     "sheets": ["Data", "Summary"],
//     "steps": [
//       {"sheet": "Data", "range": "A1:C1", "set": {"Value": ["x", "y", "z"]}},
//       {"sheet": 2, "call": "Activate"},
//       {"sheet": "Data", "range": "A1", "get": ["Value"]}
//     ],
//     "save": [{"file": "out.xls", "format": 2}, {"file": "out5.xls", "format": 1}]
//   }
//
// "sheets" creates the sheets in order with those names (none: the save adds
// Sheet1). Each step names its target ("sheet" by name or one-based position,
// with an optional "range" text; or "workbook": true) and does one thing: "set"
// properties in the order written, "call" an operation with "args", or "get"
// properties, printed as one JSON object per line on standard output. "call"
// prints {"operation": result} when the operation returns a value. The names
// come from the table in build/registry.h; `tablirex build --list` prints them.
//
// The first step that fails stops the script with a message naming it, and
// nothing is saved. A step fails on an unknown sheet, range, property or
// operation, a value or argument of the wrong kind, and on a failing result code
// from the object model (a writer out of the sheet, a zoom outside 10 … 400). "save" paths are taken as given (relative ones from the
// current directory); formats are 1 (BIFF5), 2 (BIFF8), 3 (HTML) and 4 (.xlsx);
// without one, a file named *.xlsx is saved as .xlsx and any other as BIFF8.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "build/registry.h"
#include "command.h"
#include "tablirex/result.h"
#include "tablirex/worksheets.h"

namespace tablirex::tool::build {
namespace {

struct SaveTarget {
  std::string file;
  std::int32_t format = 0;  // 0: by the file's name
};

std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

void CheckKeys(const Json& object, std::initializer_list<const char*> allowed, const std::string& where) {
  for (const auto& item : object.items()) {
    bool known = false;
    for (const char* a : allowed) known = known || item.key() == a;
    if (!known) throw ScriptError(where + ": unknown key \"" + item.key() + "\"");
  }
}

std::vector<SaveTarget> ReadSaves(const Json& script) {
  std::vector<SaveTarget> out;
  const auto it = script.find("save");
  if (it == script.end()) return out;
  if (!it->is_array()) throw ScriptError("\"save\" must be an array of {\"file\": ..., \"format\": ...}");
  for (std::size_t i = 0; i < it->size(); ++i) {
    const Json& s = (*it)[i];
    const std::string where = "save[" + std::to_string(i) + "]";
    if (!s.is_object()) throw ScriptError(where + ": must be an object");
    CheckKeys(s, {"file", "format"}, where);
    SaveTarget t;
    if (!s.contains("file") || !s["file"].is_string() || s["file"].get<std::string>().empty())
      throw ScriptError(where + ": \"file\" must be a non-empty text");
    t.file = s["file"].get<std::string>();
    if (s.contains("format")) {
      const Json& f = s["format"];
      if (!f.is_number_integer() || f.get<std::int64_t>() < 1 || f.get<std::int64_t>() > 4)
        throw ScriptError(where + ": \"format\" must be 1 (BIFF5), 2 (BIFF8), 3 (HTML) or 4 (.xlsx)");
      t.format = f.get<std::int32_t>();
    }
    out.push_back(std::move(t));
  }
  return out;
}

void CreateSheets(TXLSWorkbook& wb, const Json& script) {
  const auto it = script.find("sheets");
  if (it == script.end()) return;
  if (!it->is_array()) throw ScriptError("\"sheets\" must be an array of names");
  IXLSWorkSheets& sheets = *wb.GetWorksheets();
  for (std::size_t i = 0; i < it->size(); ++i) {
    const Json& name = (*it)[i];
    const std::string where = "sheets[" + std::to_string(i) + "]";
    if (!name.is_string()) throw ScriptError(where + ": a sheet name must be a text");
    IXLSWorksheet* sheet = sheets.Add();
    if (!sheet) throw ScriptError(where + ": the workbook refused a new sheet");
    const std::string text = name.get<std::string>();
    wb.ClearLastError();
    sheet->SetWorkSheetName(text);
    if (sheet->GetWorkSheetName() != text)
      throw ScriptError(where + ": the name " + Dump(name) + " was refused: " +
                        (wb.GetLastError().empty() ? std::string("invalid") : wb.GetLastError()));
  }
}

// A short description of a step for messages: its target and action.
std::string Describe(const Json& step) {
  if (!step.is_object()) return "";
  std::string d;
  auto add = [&](const std::string& part) { d += (d.empty() ? "" : ", ") + part; };
  if (step.contains("workbook")) add("workbook");
  if (step.contains("sheet")) add("sheet " + Dump(step["sheet"]));
  if (step.contains("range")) add("range " + Dump(step["range"]));
  if (step.contains("call")) add("call " + Dump(step["call"]));
  if (step.contains("set")) add("set");
  if (step.contains("get")) add("get");
  return " (" + d + ")";
}

// Runs one action on a resolved target. T is IXLSRange, IXLSWorksheet or TXLSWorkbook.
template <class T>
void RunAction(T& target, const Json& step, TXLSWorkbook& wb, IXLSWorksheet* sheet) {
  if (const auto set = step.find("set"); set != step.end()) {
    if (!set->is_object() || set->empty())
      throw ScriptError("\"set\" must be an object of property names and values");
    for (const auto& item : set->items()) {
      TVariant value;
      try {
        value = ToVariant(item.value());
      } catch (const ScriptError& e) {
        throw ScriptError("property \"" + item.key() + "\": " + e.what());
      }
      // Setters that return nothing (a range's Value) report a refusal through the
      // workbook's last error.
      wb.ClearLastError();
      try {
        SetProperty(target, item.key(), value);
      } catch (const EVariantError& e) {
        throw ScriptError("property \"" + item.key() + "\": the value " + Dump(item.value()) +
                          " is of the wrong kind (" + e.what() + ")");
      }
      if (const std::string refused = wb.GetLastError(); !refused.empty())
        throw ScriptError("property \"" + item.key() + "\": refused: " + refused);
    }
    return;
  }
  if (const auto get = step.find("get"); get != step.end()) {
    Json names = get->is_string() ? Json::array({*get}) : *get;
    if (!names.is_array() || names.empty()) throw ScriptError("\"get\" must be a property name or a list of them");
    Json out = Json::object();
    for (const Json& n : names) {
      if (!n.is_string()) throw ScriptError("\"get\" lists property names, not " + Dump(n));
      out[n.get<std::string>()] = ToJson(GetProperty(target, n.get<std::string>()));
    }
    std::cout << Dump(out) << '\n';
    return;
  }
  const Json& call = step["call"];
  if (!call.is_string()) throw ScriptError("\"call\" must be an operation name");
  const Json none = Json::array();
  const Json& args = step.contains("args") ? step["args"] : none;
  if (!args.is_array()) throw ScriptError("\"args\" must be an array");
  const std::string name = call.get<std::string>();
  TVariant result;
  wb.ClearLastError();
  try {
    result = CallOperation(target, name, args, wb, sheet);
  } catch (const ScriptError& e) {
    const std::string why = wb.GetLastError();
    throw ScriptError("operation \"" + name + "\": " + e.what() + (why.empty() ? "" : ": " + why));
  } catch (const EVariantError& e) {
    throw ScriptError("operation \"" + name + "\": an argument is of the wrong kind (" + e.what() + ")");
  }
  if (const std::string refused = wb.GetLastError(); !refused.empty())
    throw ScriptError("operation \"" + name + "\": refused: " + refused);
  if (!result.IsEmpty()) std::cout << Dump(Json{{name, ToJson(result)}}) << '\n';
}

void RunTarget(TXLSWorkbook& wb, const Json& step);

// Runs one step. The object model leaves the reason of every refusal with the
// workbook, also where the operation itself returns nothing: the step fails then.
void RunStep(TXLSWorkbook& wb, const Json& step) {
  wb.ClearLastError();
  RunTarget(wb, step);
  if (!wb.GetLastError().empty()) throw ScriptError("refused: " + wb.GetLastError());
}

void RunTarget(TXLSWorkbook& wb, const Json& step) {
  if (!step.is_object()) throw ScriptError("a step must be an object");
  CheckKeys(step, {"sheet", "range", "workbook", "set", "get", "call", "args", "comment"}, "the step");
  const int actions = static_cast<int>(step.contains("set")) + static_cast<int>(step.contains("get")) +
                      static_cast<int>(step.contains("call"));
  if (actions != 1) throw ScriptError("a step does exactly one of \"set\", \"get\" and \"call\"");
  if (step.contains("args") && !step.contains("call")) throw ScriptError("\"args\" belongs to a \"call\"");
  if (step.contains("workbook")) {
    if (step["workbook"] != true) throw ScriptError("\"workbook\" must be true");
    if (step.contains("sheet") || step.contains("range"))
      throw ScriptError("a step targets the workbook or a sheet, not both");
    RunAction(wb, step, wb, nullptr);
    return;
  }
  if (!step.contains("sheet")) throw ScriptError("the step names no target: give \"sheet\" or \"workbook\": true");
  IXLSWorksheet& sheet = ResolveSheet(wb, step["sheet"]);
  if (!step.contains("range")) {
    RunAction(sheet, step, wb, &sheet);
    return;
  }
  if (!step["range"].is_string()) throw ScriptError("\"range\" must be an A1 text");
  Ref<IXLSRange> range = ResolveRange(sheet, step["range"].get<std::string>());
  RunAction(*range, step, wb, &sheet);
}

int ListAll() {
  const std::pair<TargetKind, const char*> kinds[] = {
      {TargetKind::Workbook, "workbook"}, {TargetKind::Sheet, "sheet"}, {TargetKind::Range, "range"}};
  for (const auto& [kind, title] : kinds) {
    std::printf("%s:\n", title);
    for (const auto& [name, access] : ListNames(kind)) std::printf("  %-32s %s\n", name.c_str(), access.c_str());
  }
  return 0;
}

int Build(const std::vector<std::string>& allArgs) {
  if (allArgs.size() == 1 && allArgs[0] == "--list") return ListAll();
  // --strict: a save that would lose something fails instead of warning.
  std::vector<std::string> args;
  bool strict = false;
  for (const std::string& a : allArgs) {
    if (a == "--strict") strict = true;
    else args.push_back(a);
  }
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    std::fprintf(stderr, "usage: tablirex build [--strict] SCRIPT.json | tablirex build --list\n");
    return 2;
  }
  const std::string& path = args[0];
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tablirex build: cannot open %s\n", path.c_str());
    return 1;
  }
  Json script;
  try {
    script = Json::parse(in);
  } catch (const Json::exception& e) {
    std::fprintf(stderr, "tablirex build: %s: not valid JSON: %s\n", path.c_str(), e.what());
    return 1;
  }
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  std::vector<SaveTarget> saves;
  try {
    if (!script.is_object()) throw ScriptError("the script must be a JSON object");
    CheckKeys(script, {"sheets", "steps", "save", "comment"}, "the script");
    saves = ReadSaves(script);
    CreateSheets(*wb, script);
  } catch (const ScriptError& e) {
    std::fprintf(stderr, "tablirex build: %s: %s\n", path.c_str(), e.what());
    return 1;
  }
  if (const auto steps = script.find("steps"); steps != script.end()) {
    if (!steps->is_array()) {
      std::fprintf(stderr, "tablirex build: %s: \"steps\" must be an array\n", path.c_str());
      return 1;
    }
    for (std::size_t i = 0; i < steps->size(); ++i) {
      const Json& step = (*steps)[i];
      try {
        RunStep(*wb, step);
      } catch (const ScriptError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "tablirex build: %s: steps[%zu]%s: %s\n", path.c_str(), i, Describe(step).c_str(),
                     e.what());
        return 1;
      } catch (const EVariantError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "tablirex build: %s: steps[%zu]%s: a value is of the wrong kind (%s)\n",
                     path.c_str(), i, Describe(step).c_str(), e.what());
        return 1;
      }
    }
  }
  std::cout.flush();
  for (SaveTarget s : saves) {
    wb->ClearLastError();
    if (s.format == 0) s.format = wb->FormatOfName(s.file);
    if (wb->SaveAs(s.file, s.format, strict) != xlsOK) {
      const std::string why = wb->GetLastError();
      std::fprintf(stderr, "tablirex build: %s: saving %s (format %d) failed%s%s\n", path.c_str(), s.file.c_str(),
                   s.format, why.empty() ? "" : ": ", why.c_str());
      return 1;
    }
    for (const std::string& w : wb->GetWarnings()) std::fprintf(stderr, "tablirex build: warning: %s\n", w.c_str());
  }
  return 0;
}

[[maybe_unused]] const bool registered = RegisterCommand(
    {"build", "build [--strict] SCRIPT.json  build a workbook from a JSON script and save it (--list: names)",
     &Build});

}  // namespace
}  // namespace tablirex::tool::build
