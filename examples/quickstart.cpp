// Builds a small workbook and saves it in both binary formats.
//   example_quickstart [OUT.xls [OUT-BIFF5.xls]]
#include <cstdio>

#include "tablirex/datetime.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

using namespace tablirex;

int main(int argc, char** argv) {
  const char* biff8 = argc > 1 ? argv[1] : "quickstart.xls";
  const char* biff5 = argc > 2 ? argv[2] : "quickstart-biff5.xls";

  Ref<IXLSWorkBook> book = CreateWorkbook();
  IXLSWorksheet* sheet = book->GetWorksheets()->Add();
  sheet->SetWorkSheetName("Sales");

  sheet->Range("A1")->SetValue(TVariant("Region"));
  sheet->Range("B1")->SetValue(TVariant("Date"));
  sheet->Range("C1")->SetValue(TVariant("Amount"));
  const char* regions[] = {"North", "South", "East", "West"};
  for (int i = 0; i < 4; ++i) {
    Ref<IXLSRange> row = sheet->GetCells()->GetItem(static_cast<std::uint16_t>(i + 2), 1);
    row->SetValue(TVariant(regions[i]));
    row->GetOffsetRange(0, 1)->SetValue(TVariant::Date(EncodeDate(2026, 1, 1 + i)));
    row->GetOffsetRange(0, 2)->SetValue(TVariant(1000.0 + 250.5 * i));
  }
  sheet->Range("C6")->SetValue(TVariant("=SUM(C2:C5)"));
  sheet->Range("A:A")->SetColumnWidth(TVariant(14.0));

  const int r8 = book->SaveAs(biff8);      // Excel 97 format (the default)
  const int r5 = book->SaveAs(biff5, 1);   // Excel 5 format
  std::printf("%s: %s\n%s: %s\n", biff8, r8 == 1 ? "saved" : "FAILED", biff5,
              r5 == 1 ? "saved" : "FAILED");
  return r8 == 1 && r5 == 1 ? 0 : 1;
}
