// Workbook properties of build scripts: the built-in document properties.
//
//   {"workbook": true, "set": {"Title": "Sales 2026", "Author": "Finance",
//                              "CreationDate": {"date": "2026-01-31T08:00:00"}}}
#include "build/registry.h"

namespace tablirex::tool::build {
namespace {

struct TPropertyName {
  const char* script;
  std::int32_t property;
};
constexpr TPropertyName kProperties[] = {
    {"Title", xlPropertyTitle},       {"Subject", xlPropertySubject},
    {"Author", xlPropertyAuthor},     {"Manager", xlPropertyManager},
    {"Company", xlPropertyCompany},   {"Category", xlPropertyCategory},
    {"Keywords", xlPropertyKeywords}, {"Comments", xlPropertyComments},
    {"CreationDate", xlPropertyCreationDate}, {"LastSaveTime", xlPropertyLastSaveTime},
};

[[maybe_unused]] const bool registered = [] {
  for (const TPropertyName& p : kProperties) {
    const std::int32_t property = p.property;
    // A refused value leaves its reason with the workbook, which fails the step.
    RegisterWorkbookProperty(
        p.script, [property](TXLSWorkbook& wb) { return wb.GetDocumentProperty(property); },
        [property](TXLSWorkbook& wb, const TVariant& v) { (void)wb.SetDocumentProperty(property, v); });
  }
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
