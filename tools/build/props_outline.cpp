// Outline grouping in build scripts: ranges of whole rows or columns are grouped,
// ungrouped, collapsed and expanded; the sheet keeps the summary settings.
//
//   {"range": "2:5", "call": "Group"}
//   {"range": "B:C", "call": "Group"}
//   {"range": "2:5", "set": {"ShowDetail": false}}
//   {"sheet": "Data", "set": {"Outline.SummaryRow": 0}}
//   {"sheet": "Data", "call": "Outline.ShowLevels", "args": [1, 0]}
#include "build/registry.h"
#include "tablirex/result.h"

namespace tablirex::tool::build {
namespace {

// The outline operations leave their reason with the workbook, which fails the
// step; the result only says that they did.
TVariant Done(std::int32_t result) {
  if (result != xlsOK) throw ScriptError("refused");
  return TVariant();
}

[[maybe_unused]] const bool registered = [] {
  RegisterRangeOperation("Group", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    return Done(r.Group());
  });
  RegisterRangeOperation("Ungroup", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    return Done(r.Ungroup());
  });
  RegisterRangeProperty(
      "ShowDetail", [](IXLSRange& r) { return r.GetShowDetail(); },
      [](IXLSRange& r, const TVariant& v) { (void)r.SetShowDetail(v.AsBoolean()); });
  RegisterSheetProperty(
      "Outline.SummaryRow", [](IXLSWorksheet& s) { return TVariant(s.GetOutline()->GetSummaryRow()); },
      [](IXLSWorksheet& s, const TVariant& v) { s.GetOutline()->SetSummaryRow(v.AsInteger()); });
  RegisterSheetProperty(
      "Outline.SummaryColumn", [](IXLSWorksheet& s) { return TVariant(s.GetOutline()->GetSummaryColumn()); },
      [](IXLSWorksheet& s, const TVariant& v) { s.GetOutline()->SetSummaryColumn(v.AsInteger()); });
  // ShowLevels(rowLevels, [columnLevels]): 0 leaves a direction as it is.
  RegisterSheetOperation("Outline.ShowLevels", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(1);
    a.ExpectAtMost(2);
    return Done(s.GetOutline()->ShowLevels(a.Int(0), a.Int(1, 0)));
  });
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
