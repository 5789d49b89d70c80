// Sheet features of the workbook package: none are written yet.
#include "xlsx/xlsx_parts.h"

namespace tablirex::xlsx {

bool WriteSheetExtras(TXLSWorkbook&, IXLSWorksheet&, std::int32_t, std::int32_t, TPackageState&, TSheetExtras& out,
                      std::string&) {
  out = TSheetExtras{};
  return true;
}

}  // namespace tablirex::xlsx
