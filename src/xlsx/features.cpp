// The sheet features of the workbook package, in one call per sheet.
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "xlsx/features.h"

namespace tablirex::xlsx {

bool WriteSheetExtras(TXLSWorkbook& book, IXLSWorksheet& sheet, std::int32_t sheetNumber, std::int32_t firstRelId,
                      TPackageState& state, TSheetExtras& out, std::string& error) {
  out = TSheetExtras{};
  TFeatureContext ctx{book, sheet, sheetNumber, state, out, TRelIds(firstRelId)};
  WriteAutoFilter(ctx);
  if (WriteConditionalFormats(ctx) == xlsOK && WriteValidations(ctx) == xlsOK && WriteHyperlinks(ctx) == xlsOK &&
      WritePictures(ctx) == xlsOK && WriteComments(ctx) == xlsOK)
    return true;
  error = book.GetLastError();
  return false;
}

}  // namespace tablirex::xlsx
