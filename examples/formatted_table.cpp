// Builds a small formatted table: a merged title, a filled header with white bold
// text, number, date and percentage formats, banded rows, borders, a wrapped
// note and a total row; saves it in both binary formats.
//   example_formatted_table [OUT.xls [OUT-BIFF5.xls]]
#include <cstdio>

#include "tablirex/datetime.h"
#include "tablirex/format_views.h"
#include "tablirex/lines.h"
#include "tablirex/page_setup.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

using namespace tablirex;

namespace {

// Object-model constants used below.
constexpr std::int32_t kCenter = -4108;
constexpr std::int32_t kVCenter = -4108;
constexpr std::int32_t kTop = -4160;
constexpr std::int32_t kOutline = 13;
constexpr std::int32_t kInsideHorizontal = 12;
constexpr std::int32_t kBottomEdge = 9;
constexpr std::int32_t kTopEdge = 8;

struct Line {
  const char* product;
  const char* region;
  int month;
  double units;
  double price;
  double margin;
};

const Line kLines[] = {
    {"Desk lamp", "North", 1, 120, 24.90, 0.31}, {"Office chair", "South", 1, 35, 189.00, 0.27},
    {"Monitor arm", "East", 2, 64, 59.50, 0.35},   {"Standing desk", "West", 2, 18, 449.00, 0.22},
    {"Keyboard", "North", 3, 210, 39.99, 0.41},    {"Headset", "South", 3, 95, 74.00, 0.38},
};

}  // namespace

int main(int argc, char** argv) {
  const char* biff8 = argc > 1 ? argv[1] : "formatted_table.xls";
  const char* biff5 = argc > 2 ? argv[2] : "formatted_table-biff5.xls";

  Ref<IXLSWorkBook> book = CreateWorkbook();
  IXLSWorksheet* sheet = book->GetWorksheets()->Add();
  sheet->SetWorkSheetName("Orders");
  sheet->GetPageSetup()->SetPrintGridlines(false);
  sheet->GetPageSetup()->SetOrientation(2);  // landscape

  // Title over the table's width.
  Ref<IXLSRange> title = sheet->Range("A1:G1");
  title->Merge(false);
  title->SetValue(TVariant("First quarter orders"));
  title->GetFont()->SetSize(16);
  title->GetFont()->SetBold(true);
  title->GetFont()->SetColorIndex(11);  // navy
  title->SetHAlign(TVariant(kCenter));
  title->SetRowHeight(TVariant(26.0));
  title->SetVAlign(TVariant(kVCenter));

  // Header: white bold text on dark blue, centred, wrapped.
  const char* heads[] = {"Product", "Region", "Date", "Units", "Unit price", "Revenue", "Margin"};
  Ref<IXLSRange> header = sheet->Range("A3:G3");
  for (int c = 0; c < 7; ++c) header->GetItem(1, static_cast<std::uint8_t>(c + 1))->SetValue(TVariant(heads[c]));
  header->GetFont()->SetBold(true);
  header->GetFont()->SetColor(0xFFFFFF);
  header->GetInterior()->SetColor(0x663300);  // dark blue, red in the low byte
  header->SetHAlign(TVariant(kCenter));
  header->SetVAlign(TVariant(kVCenter));
  header->SetWrapText(TVariant(true));
  header->SetRowHeight(TVariant(30.0));

  // Rows, banded, with their formats.
  const int n = static_cast<int>(std::size(kLines));
  for (int i = 0; i < n; ++i) {
    const Line& l = kLines[i];
    const auto row = static_cast<std::uint16_t>(4 + i);
    Ref<IXLSRange> cells = sheet->GetCells();
    cells->GetItem(row, 1)->SetValue(TVariant(l.product));
    cells->GetItem(row, 2)->SetValue(TVariant(l.region));
    cells->GetItem(row, 3)->SetValue(TVariant::Date(EncodeDate(2026, l.month, 5 + 7 * i % 20)));
    cells->GetItem(row, 4)->SetValue(TVariant(l.units));
    cells->GetItem(row, 5)->SetValue(TVariant(l.price));
    cells->GetItem(row, 6)->SetValue(TVariant("=D" + std::to_string(row) + "*E" + std::to_string(row)));
    cells->GetItem(row, 7)->SetValue(TVariant(l.margin));
    if (i % 2 == 1) sheet->FGetRange("A" + std::to_string(row), "G" + std::to_string(row))->GetInterior()->SetColor(0xFFFFCC);  // pale turquoise
  }
  const std::string last = std::to_string(3 + n);
  sheet->Range("B4:B" + last)->SetHAlign(TVariant(kCenter));
  sheet->Range("C4:C" + last)->SetNumFormat("dd.mm.yyyy");
  sheet->Range("D4:D" + last)->SetNumFormat("#,##0");
  sheet->Range("E4:F" + last)->SetNumFormat("#,##0.00");
  sheet->Range("G4:G" + last)->SetNumFormat("0.0%");

  // Total row: bold, a double line above.
  const std::string total = std::to_string(4 + n);
  sheet->Range("A" + total)->SetValue(TVariant("Total"));
  sheet->Range("D" + total)->SetValue(TVariant("=SUM(D4:D" + last + ")"));
  sheet->Range("F" + total)->SetValue(TVariant("=SUM(F4:F" + last + ")"));
  Ref<IXLSRange> totals = sheet->Range("A" + total + ":G" + total);
  totals->GetFont()->SetBold(true);
  sheet->Range("D" + total)->SetNumFormat("#,##0");
  sheet->Range("F" + total)->SetNumFormat("#,##0.00");
  totals->GetBorders()->GetBorder(kTopEdge)->SetLineStyle(static_cast<std::uint32_t>(xlDouble));

  // Thin grey lines between the rows, a medium frame around the table.
  Ref<IXLSRange> table = sheet->Range("A3:G" + total);
  table->GetBorders()->GetBorder(kInsideHorizontal)->SetLineStyle(xlContinuous);
  table->GetBorders()->GetBorder(kInsideHorizontal)->SetColorIndex(15);
  sheet->Range("A" + total + ":G" + total)->GetBorders()->GetBorder(kTopEdge)->SetLineStyle(static_cast<std::uint32_t>(xlDouble));
  table->GetBorders()->GetBorder(kOutline)->SetWeight(static_cast<std::uint32_t>(xlMedium));
  header->GetBorders()->GetBorder(kBottomEdge)->SetWeight(static_cast<std::uint32_t>(xlMedium));

  // A wrapped note under the table, a turned label beside it.
  const std::string note = std::to_string(6 + n);
  Ref<IXLSRange> noteRange = sheet->Range("A" + note + ":G" + note);
  noteRange->Merge(false);
  noteRange->SetValue(TVariant("Revenue is units times unit price; margins are before shipping costs "
                               "and are rounded to one decimal."));
  noteRange->SetWrapText(TVariant(true));
  noteRange->SetVAlign(TVariant(kTop));
  noteRange->GetFont()->SetItalic(true);
  noteRange->GetFont()->SetColorIndex(16);  // grey
  noteRange->SetRowHeight(TVariant(28.0));
  Ref<IXLSRange> side = sheet->Range("I3:I" + total);
  side->Merge(false);
  side->SetValue(TVariant("Checked"));
  side->SetOrientation(TVariant(90));
  side->SetHAlign(TVariant(kCenter));
  side->SetVAlign(TVariant(kVCenter));
  side->GetFont()->SetColorIndex(10);  // green
  side->GetFont()->SetBold(true);
  side->GetBorders()->GetBorder(kOutline)->SetLineStyle(static_cast<std::uint32_t>(xlDash));

  const double widths[] = {16, 9, 11, 8, 11, 12, 9, 2, 5};
  for (int c = 0; c < 9; ++c)
    sheet->GetCells()->GetItem(1, static_cast<std::uint8_t>(c + 1))->GetEntireColumn()->SetColumnWidth(TVariant(widths[c]));

  const int r8 = book->SaveAs(biff8);     // Excel 97 format (the default)
  const int r5 = book->SaveAs(biff5, 1);  // Excel 5 format
  std::printf("%s: %s\n%s: %s\n", biff8, r8 == 1 ? "saved" : "FAILED", biff5, r5 == 1 ? "saved" : "FAILED");
  return r8 == 1 && r5 == 1 ? 0 : 1;
}
