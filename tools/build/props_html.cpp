// HTML pages from build scripts: the workbook's SaveAsHTML (one page, or the
// frameset with its folder) and a sheet's SaveAsHTML (that sheet's page).
//
//   {"workbook": true, "call": "SaveAsHTML", "args": ["book.htm"]}
//   {"sheet": "Data", "call": "SaveAsHTML", "args": ["data.htm"]}
//   {"workbook": true, "set": {"HtmlFormulaText": true}}   formulas as text, not results
//
// Paths are taken as given (relative ones from the current directory). A file
// that cannot be written stops the script with the writer's message.
#include <string>

#include "build/registry.h"
#include "tablirex/file_error.h"

namespace tablirex::tool::build {
namespace {

template <class Save>
TVariant SaveHTML(const Args& a, Save&& save) {
  a.ExpectAtLeast(1);
  a.ExpectAtMost(1);
  const std::string file = a.Text(0);
  if (file.empty()) throw ScriptError("the file name is empty");
  try {
    save(file);
  } catch (const EFileError& e) {
    throw ScriptError(std::string("saving HTML failed: ") + e.what());
  }
  return TVariant();
}

[[maybe_unused]] const bool registered = [] {
  RegisterWorkbookProperty(
      "HtmlFormulaText", [](TXLSWorkbook& wb) { return TVariant(wb.GetHtmlFormulaText()); },
      [](TXLSWorkbook& wb, const TVariant& v) { wb.SetHtmlFormulaText(v.AsBoolean()); });
  RegisterWorkbookOperation("SaveAsHTML", [](TXLSWorkbook& wb, const Args& a) {
    return SaveHTML(a, [&](const std::string& f) { (void)wb.SaveAsHTML(f); });
  });
  RegisterSheetOperation("SaveAsHTML", [](IXLSWorksheet& sheet, const Args& a) {
    return SaveHTML(a, [&](const std::string& f) { (void)sheet.SaveAsHTML(f); });
  });
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
