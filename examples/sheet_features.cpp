// An outline, a text with a bold part, a coloured tab, a hidden sheet and the
// document's title, saved in both binary formats (the Excel 5 file warns that it
// has no tab colours).
//   example_sheet_features [OUT.xls [OUT-BIFF5.xls]]
#include <cstdio>
#include <string>

#include "tablirex/characters.h"
#include "tablirex/datetime.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"

using namespace tablirex;

int main(int argc, char** argv) {
  const char* biff8 = argc > 1 ? argv[1] : "sheet_features.xls";
  const char* biff5 = argc > 2 ? argv[2] : "sheet_features-biff5.xls";

  Ref<IXLSWorkBook> book = CreateWorkbook();
  IXLSWorksheet* sheet = book->GetWorksheets()->Add();
  IXLSWorksheet* other = book->GetWorksheets()->Add();
  for (int r = 1; r <= 6; ++r) sheet->Range("B" + std::to_string(r))->SetValue(TVariant(10.0 * r));

  sheet->GetOutline()->SetSummaryRow(xlSummaryAbove);  // summary rows above their groups
  sheet->Range("2:5")->Group();                 // rows 2-5 one outline level deeper (7 at most)
  sheet->Range("2:5")->SetShowDetail(false);    // collapsed: rows hidden, row 1 marked
  sheet->Range("B:C")->Group();                 // columns too
  sheet->Range("A1")->SetValue(TVariant("Total 2026"));
  sheet->Range("A1")->Characters(7, 4)->GetFont()->SetBold(true);  // part of a text
  sheet->GetTab()->SetColorIndex(3);            // or SetColor(rgb): the nearest palette colour
  other->SetVisible(xlSheetHidden);             // or xlSheetVeryHidden; -1 shows it again
  book->SetTitle("Sales 2026");                 // SetAuthor, SetCompany, SetCreationDate, ...
  book->BuiltinDocumentProperties("Keywords")->SetValue(TVariant("sales, 2026"));
  book->SetCreationDate(EncodeDate(2026, 1, 31));

  for (const auto& [path, format] : {std::pair{biff8, 2}, std::pair{biff5, 1}}) {
    if (book->SaveAs(path, format) != 1) {
      std::fprintf(stderr, "cannot save %s: %s\n", path, book->GetLastError().c_str());
      return 1;
    }
    for (const std::string& w : book->GetWarnings()) std::printf("%s: %s\n", path, w.c_str());
  }
  return 0;
}
