// The dataset and grid exporters: placement, events, sheet breaks, formats,
// grid columns, literal texts, failures, and the reuse of detail formats.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cells/cell_store.h"
#include "export/export_core.h"
#include "tablirex/addressing.h"
#include "tablirex/dataset2excel.h"
#include "tablirex/datetime.h"
#include "tablirex/dbgrid2excel.h"
#include "tablirex/format_views.h"
#include "tablirex/lines.h"
#include "tablirex/memory_dataset.h"
#include "tablirex/result.h"
#include "tablirex/worksheets.h"

namespace tablirex {
namespace {

namespace fs = std::filesystem;

// id (integer), name (text), price (currency), day (date): record i has id i + 1.
std::unique_ptr<TMemoryDataSet> Orders(int records) {
  auto ds = std::make_unique<TMemoryDataSet>();
  ds->AddField("id", ftInteger, 6);
  ds->AddField("name", ftString, 12);
  ds->AddField("price", ftCurrency);
  ds->AddField("day", ftDate, 10);
  for (int i = 0; i < records; ++i)
    ds->AppendRecord({TVariant(i + 1), TVariant("item " + std::to_string(i + 1)),
                      TVariant::Currency(2.5 * i), TVariant::Date(EncodeDate(2024, 1, 1 + i % 28))});
  return ds;
}

std::string A1(IXLSRange* r) {
  const std::string first = EncodeCellRef(static_cast<std::uint32_t>(r->GetFirstRow()),
                                          static_cast<std::uint16_t>(r->GetFirstCol()));
  if (r->GetFirstRow() == r->GetLastRow() && r->GetFirstCol() == r->GetLastCol()) return first;
  return first + ":" +
         EncodeCellRef(static_cast<std::uint32_t>(r->GetLastRow()), static_cast<std::uint16_t>(r->GetLastCol()));
}

// Runs an export with every event logged and returns the log.
template <class Exporter, class Run>
std::vector<std::string> RunLogged(Exporter& ex, Run&& run) {
  std::vector<std::string> log;
  const auto at = [&ex](IXLSRange* r) { return ex.GetCurrentWorksheet()->GetWorkSheetName() + "!" + A1(r); };
  ex.OnWorksheetCreate = [&](auto&, IXLSWorksheet* s) { log.push_back("Sheet " + s->GetWorkSheetName()); };
  ex.AfterHeaderCell = [&](auto&, IXLSRange* c, std::int32_t i, auto&&) {
    log.push_back("HeaderCell " + at(c) + " " + std::to_string(i));
  };
  ex.AfterDetailCell = [&](auto&, IXLSRange* c, std::int32_t row, std::int32_t i, auto&&) {
    log.push_back("DetailCell " + at(c) + " " + std::to_string(row) + " " + std::to_string(i));
  };
  ex.AfterDetailRow = [&](auto&, IXLSRange* r, std::int32_t row) {
    log.push_back("DetailRow " + at(r) + " " + std::to_string(row));
  };
  ex.AfterHeader = [&](auto&, IXLSRange* r) { log.push_back("Header " + at(r)); };
  ex.AfterDetail = [&](auto&, IXLSRange* r) { log.push_back("Detail " + at(r)); };
  ex.AfterExport = [&](auto&, IXLSRange* r) { log.push_back("Export " + at(r)); };
  EXPECT_EQ(run(), xlsOK) << ex.GetErrorText();
  return log;
}

TEST(Exporters, InitialValues) {
  TDataset2Excel d;
  TDBGrid2Excel g;
  const auto common = [](const auto& e, TBorderStyle borders) {
    EXPECT_EQ(e.GetWorksheetName(), "");
    EXPECT_EQ(e.GetHeaderFont(), TFont("Arial", 10, fsBold, clNone));
    EXPECT_EQ(e.GetDetailFont(), TFont("Arial", 10, 0, clNone));
    for (const TColor c : {e.GetHeaderColor(), e.GetDetailColor(), e.GetHeaderBorderColor(), e.GetDetailBorderColor()})
      EXPECT_EQ(c, clNone);
    EXPECT_EQ(e.GetStartRow(), 0);
    EXPECT_EQ(e.GetStartCol(), 0);
    EXPECT_EQ(e.GetHeaderBorderStyle(), borders);
    EXPECT_EQ(e.GetDetailBorderStyle(), borders);
    EXPECT_EQ(e.GetRowsPerSheet(), 65535);
    EXPECT_TRUE(e.GetSetColumnsWidth());
    EXPECT_FALSE(e.GetAllowFormulas());
    EXPECT_FALSE(e.GetWorkbook());
    EXPECT_EQ(e.GetCurrentWorksheet(), nullptr);
  };
  common(d, BorderStyleNone);
  common(g, BorderStyleSingleThin);
  EXPECT_EQ(d.GetDataset(), nullptr);
  EXPECT_EQ(g.GetDBGrid(), nullptr);
  EXPECT_TRUE(g.GetOriginalHeaderFont() && g.GetOriginalDetailFont() && g.GetOriginalHeaderColor() &&
              g.GetOriginalDetailColor());
}

TEST(Exporters, RowsPerSheetTakesOnlyValuesAboveTheHeader) {
  struct Case {
    std::uint16_t startRow;
    std::int32_t value;
    std::int32_t expected;
  } cases[] = {{0, 1, 65535}, {0, 0, 65535}, {0, 70000, 65535}, {0, 65536, 65535}, {0, 2, 2},
               {0, 65535, 65535}, {5, 6, 65535}, {5, 5, 65535}, {5, 7, 7}};
  for (const Case& c : cases) {
    TDataset2Excel ex;
    ex.SetStartRow(c.startRow);
    ex.SetRowsPerSheet(c.value);
    EXPECT_EQ(ex.GetRowsPerSheet(), c.expected) << c.startRow << " " << c.value;
  }
}

// Without records only the header is written, and the block events still run.
// Sheets break where the sheets of the file format end, unless told otherwise: a
// name's ending chooses the format when saving by name.
TEST(Exporters, RowsPerSheetFollowsTheFileFormat) {
  struct Case {
    std::int32_t format;
    std::int32_t set;     // 0: nothing set
    std::int32_t rows;    // GetRowsPerSheet
    std::int32_t sheets;  // for 70,000 records
  } cases[] = {{2, 0, 65535, 2}, {1, 0, 16384, 5}, {3, 0, 65535, 2}, {4, 0, 1048576, 1},
               {4, 30000, 30000, 3}, {2, 100000, 65535, 2}, {9, 0, 65535, 2}};
  TMemoryDataSet ds;
  ds.AddField("n", ftInteger);
  for (int i = 0; i < 70000; ++i) ds.AppendRecord({TVariant(i)});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.format) + " " + std::to_string(c.set));
    TDataset2Excel ex;
    ex.SetFileFormat(c.format);
    if (c.set) ex.SetRowsPerSheet(c.set);
    EXPECT_EQ(ex.GetRowsPerSheet(), c.rows);
    ex.SetDataset(&ds);
    ASSERT_EQ(ex.ExportDataset(), xlsOK) << ex.GetErrorText();
    EXPECT_EQ(ex.GetWorkbook()->GetWorksheets()->GetCount(), c.sheets);
    EXPECT_EQ(ex.GetRecordsExported(), 70000);
  }
  for (const auto& [name, format] : {std::pair{"a.xlsx", 4}, std::pair{"A.XLSX", 4}, std::pair{"a.xls", 2},
                                     std::pair{"a.htm", 3}, std::pair{"a.HTML", 3}, std::pair{"xlsx", 2}})
    EXPECT_EQ(FileFormatOfName(name), format) << name;
}

// Three records with RowsPerSheet 3: on a new sheet the header takes row 1 and two
// records follow; below a used cell the header goes on row 2 and one record fits.
// RowIndex counts over the whole export; continuation sheets keep default names.
TEST(Exporters, EventsAndSheetBreaks) {
  struct Case {
    const char* name;
    bool prefill;
    int records;
    std::vector<std::string> expected;
  } cases[] = {
      {"no records", false, 0,
       {"Sheet Orders", "HeaderCell Orders!A1 0", "HeaderCell Orders!B1 1", "Header Orders!A1:B1",
        "Detail Orders!A2:B2", "Export Orders!A1:B1"}},
      {"new sheet", false, 3,
       {"Sheet Orders", "HeaderCell Orders!A1 0", "HeaderCell Orders!B1 1", "Header Orders!A1:B1",
        "DetailCell Orders!A2 1 0", "DetailCell Orders!B2 1 1", "DetailRow Orders!A2:B2 1",
        "DetailCell Orders!A3 2 0", "DetailCell Orders!B3 2 1", "DetailRow Orders!A3:B3 2",
        "Detail Orders!A2:B3", "Export Orders!A1:B3", "Sheet Sheet2", "HeaderCell Sheet2!A1 0",
        "HeaderCell Sheet2!B1 1", "Header Sheet2!A1:B1", "DetailCell Sheet2!A2 3 0", "DetailCell Sheet2!B2 3 1",
        "DetailRow Sheet2!A2:B2 3", "Detail Sheet2!A2:B2", "Export Sheet2!A1:B2"}},
      {"below a used cell", true, 3,
       {"HeaderCell Orders!A2 0", "HeaderCell Orders!B2 1", "Header Orders!A2:B2", "DetailCell Orders!A3 1 0",
        "DetailCell Orders!B3 1 1", "DetailRow Orders!A3:B3 1", "Detail Orders!A3:B3", "Export Orders!A2:B3",
        "Sheet Sheet2", "HeaderCell Sheet2!A1 0", "HeaderCell Sheet2!B1 1", "Header Sheet2!A1:B1",
        "DetailCell Sheet2!A2 2 0", "DetailCell Sheet2!B2 2 1", "DetailRow Sheet2!A2:B2 2",
        "DetailCell Sheet2!A3 3 0", "DetailCell Sheet2!B3 3 1", "DetailRow Sheet2!A3:B3 3",
        "Detail Sheet2!A2:B3", "Export Sheet2!A1:B3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryDataSet ds;
    ds.AddField("a", ftInteger);
    ds.AddField("b", ftString);
    for (int i = 1; i <= c.records; ++i) ds.AppendRecord({TVariant(i), TVariant("r" + std::to_string(i))});
    TDataset2Excel ex;
    ex.SetDataset(&ds);
    ex.SetWorksheetName("Orders");
    ex.SetRowsPerSheet(3);
    std::vector<std::string> log;
    if (c.prefill) {
      ASSERT_EQ(ex.CreateWorkbook(), xlsOK);
      ASSERT_EQ(ex.CreateWorksheet(), xlsOK);
      ex.GetCurrentWorksheet()->Range("A1")->SetValue(TVariant("title"));
      log = RunLogged(ex, [&] { return ex.ExportDataset(false); });
    } else {
      log = RunLogged(ex, [&] { return ex.ExportDataset(); });
    }
    EXPECT_EQ(log, c.expected);
    EXPECT_EQ(ex.GetRecordsExported(), c.records);
    EXPECT_EQ(ex.GetWorkbook()->GetWorksheets()->GetCount(), c.records ? 2 : 1);
    EXPECT_EQ(ds.GetRecNo(), -1);  // back where it was
    EXPECT_FALSE(ds.ControlsDisabled());
  }
}

// Where the header goes: StartRow on a sheet without cells, below the used range
// moved down by StartRow otherwise, or at an explicit position.
TEST(Exporters, HeaderPlacement) {
  struct Case {
    const char* name;
    std::uint16_t startRow, startCol;
    int usedRows;  // rows 1..usedRows of column A hold a value before the export
    bool newSheet;
    std::int32_t row, col;
    const char* header;  // the first header cell
  } cases[] = {
      {"new sheet", 0, 0, 0, true, -1, -1, "A1"},
      {"new sheet, StartRow 2, StartCol 1", 2, 1, 0, true, -1, -1, "B3"},
      {"empty current sheet", 0, 0, 0, false, -1, -1, "A1"},
      {"below four used rows", 0, 0, 4, false, -1, -1, "A5"},
      {"below four used rows, StartRow 1", 1, 2, 4, false, -1, -1, "C6"},
      {"explicit position", 1, 1, 4, false, 9, 3, "D10"},
      {"explicit position, one coordinate negative", 1, 1, 4, false, 9, -1, "B6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto ds = Orders(2);
    TDataset2Excel ex;
    ex.SetDataset(ds.get());
    ex.SetStartRow(c.startRow);
    ex.SetStartCol(c.startCol);
    ASSERT_EQ(ex.CreateWorkbook(), xlsOK);
    ASSERT_EQ(ex.CreateWorksheet(), xlsOK);
    for (int r = 1; r <= c.usedRows; ++r) ex.GetCurrentWorksheet()->Range("A" + std::to_string(r))->SetValue(TVariant(r));
    std::string header;
    ex.AfterHeaderCell = [&](TDataset2Excel&, IXLSRange* cell, std::int32_t i, TField*) {
      if (i == 0) header = A1(cell);
    };
    ASSERT_EQ(ex.ExportDataset(c.newSheet, c.row, c.col), xlsOK) << ex.GetErrorText();
    EXPECT_EQ(header, c.header);
  }
  // A second export without a new sheet continues below the first.
  auto ds = Orders(3);
  TDataset2Excel ex;
  ex.SetDataset(ds.get());
  ASSERT_EQ(ex.ExportDataset(), xlsOK);
  ASSERT_EQ(ex.ExportDataset(false), xlsOK);
  EXPECT_EQ(ex.GetCurrentWorksheet()->Range("A5")->GetValue(), TVariant("id"));
  EXPECT_EQ(ex.GetCurrentWorksheet()->Range("A8")->GetValue(), TVariant(3.0));
}

// Number formats and alignment of detail cells by data type, for both exporters:
// the grid keeps each column's own alignment.
TEST(Exporters, DetailFormatsByType) {
  const double day = EncodeDate(2024, 3, 15);
  struct Case {
    TFieldType type;
    TVariant value;
    const char* format;
    std::int32_t datasetAlign;  // -4131 left, 1 general
  } cases[] = {
      {ftInteger, TVariant(7), "", 1},
      {ftFloat, TVariant(2.5), "", 1},
      {ftCurrency, TVariant::Currency(12.5), "#,##0.00", 1},
      {ftDate, TVariant::Date(day), "dd.mm.yyyy", -4131},
      {ftTime, TVariant::Date(EncodeTime(13, 5, 0)), "hh:mm:ss", -4131},
      {ftDateTime, TVariant::Date(day), "dd.mm.yyyy", -4131},
      {ftDateTime, TVariant::Date(day + EncodeTime(0, 0, 0, 1)), "dd.mm.yyyy hh:mm:ss", -4131},
      {ftDateTime, TVariant::Date(day + EncodeTime(18, 30, 0)), "dd.mm.yyyy hh:mm:ss", -4131},
      {ftDateTime, TVariant::Null(), "dd.mm.yyyy", -4131},
      {ftDateTime, TVariant("not a date"), "dd.mm.yyyy", -4131},
      {ftString, TVariant("x"), "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(FieldTypeName(c.type)) + " " + c.value.AsString());
    TMemoryDataSet ds;
    ds.AddField("f", c.type);
    ds.AppendRecord({c.value});
    TDataset2Excel d;
    d.SetDataset(&ds);
    ASSERT_EQ(d.ExportDataset(), xlsOK);
    const Ref<IXLSRange> dc = d.GetCurrentWorksheet()->Range("A2");
    EXPECT_EQ(dc->GetNumFormat().AsString(), c.format);
    EXPECT_EQ(dc->GetHAlign().AsInteger(), c.datasetAlign);

    TDBGrid grid(&ds);
    grid.AddDefaultColumns();
    grid.Columns()[0].Alignment = taRightJustify;
    TDBGrid2Excel g;
    g.SetDBGrid(&grid);
    ASSERT_EQ(g.ExportDBGrid(), xlsOK);
    const Ref<IXLSRange> gc = g.GetCurrentWorksheet()->Range("A2");
    EXPECT_EQ(gc->GetNumFormat().AsString(), c.format);
    EXPECT_EQ(gc->GetHAlign().AsInteger(), -4152);
  }
}

TEST(Exporters, DatasetHeader) {
  struct Case {
    bool setWidths;
    std::int32_t displayWidth;
    double width;  // of column A afterwards
  } cases[] = {{true, 25, 25}, {true, 0, 8.43}, {false, 25, 8.43}};
  for (const Case& c : cases) {
    TMemoryDataSet ds;
    ds.AddField("name", ftString, c.displayWidth);
    TDataset2Excel ex;
    ex.SetDataset(&ds);
    ex.SetSetColumnsWidth(c.setWidths);
    ex.SetHeaderColor(clSilver);
    ex.SetHeaderFont(TFont("Courier New", 12, fsBold | fsItalic, clRed));
    ASSERT_EQ(ex.ExportDataset(), xlsOK);
    const Ref<IXLSRange> h = ex.GetCurrentWorksheet()->Range("A1");
    EXPECT_NEAR(h->GetColumnWidth().AsDouble(), c.width, 0.005);
    EXPECT_EQ(h->GetValue(), TVariant("name"));
    const Ref<IXLSFont> f = h->GetFont();
    EXPECT_EQ(f->GetName(), "Courier New");
    EXPECT_EQ(f->GetSize(), 12);
    EXPECT_TRUE(f->GetBold() && f->GetItalic());
    EXPECT_EQ(f->GetColor(), 0x0000FFu);
    EXPECT_EQ(h->GetInterior()->GetColor(), 0xC0C0C0u);
    EXPECT_EQ(h->GetHAlign().AsInteger(), -4108);
    EXPECT_EQ(h->GetVAlign().AsInteger(), -4108);
  }
}

// Grid columns: A visible, B hidden, C visible gives two output columns side by
// side with ColumnIndex 0 and 2; titles carry "@", their alignment and their own
// font and colour unless the Original switches are off; widths are pixels x 0.1433.
TEST(Exporters, GridColumns) {
  for (const bool original : {true, false}) {
    SCOPED_TRACE(original);
    TMemoryDataSet ds;
    ds.AddField("a", ftInteger);
    ds.AddField("b", ftInteger);
    ds.AddField("c", ftString);
    ds.AppendRecord({TVariant(1), TVariant(2), TVariant("three")});
    TDBGrid grid(&ds);
    grid.AddDefaultColumns();
    grid.Columns()[1].Visible = false;
    TColumn& c = grid.Columns()[2];
    c.Width = 100;
    c.Title.Caption = "Third";
    c.Title.Alignment = taRightJustify;
    c.Title.Font = TFont("Times New Roman", 14, fsUnderline, clBlue);
    c.Title.Color = clRed;
    c.Font = TFont("Courier New", 9, 0, clRed);
    c.Color = clSilver;
    c.Alignment = taCenter;
    TDBGrid2Excel ex;
    ex.SetDBGrid(&grid);
    ex.SetOriginalHeaderFont(original);
    ex.SetOriginalHeaderColor(original);
    ex.SetOriginalDetailFont(original);
    ex.SetOriginalDetailColor(original);
    ex.SetHeaderColor(clWhite);
    std::vector<std::int32_t> indices;
    ex.AfterDetailCell = [&](TDBGrid2Excel&, IXLSRange*, std::int32_t, std::int32_t k, const TColumn& col) {
      indices.push_back(k);
      EXPECT_EQ(col.FieldName, k == 0 ? "a" : "c");
    };
    ASSERT_EQ(ex.ExportDBGrid(), xlsOK);
    EXPECT_EQ(indices, (std::vector<std::int32_t>{0, 2}));
    IXLSWorksheet* s = ex.GetCurrentWorksheet();
    EXPECT_EQ(s->Range("B1")->GetValue(), TVariant("Third"));
    EXPECT_EQ(s->Range("B2")->GetValue(), TVariant("three"));
    EXPECT_TRUE(s->Range("C1")->GetValue().IsNull());
    EXPECT_NEAR(s->Range("B1")->GetColumnWidth().AsDouble(), 14.33, 0.005);
    EXPECT_EQ(s->Range("B1")->GetNumFormat().AsString(), "@");
    EXPECT_EQ(s->Range("B1")->GetHAlign().AsInteger(), -4152);
    EXPECT_EQ(s->Range("B2")->GetHAlign().AsInteger(), -4108);
    const Ref<IXLSFont> hf = s->Range("B1")->GetFont();
    EXPECT_EQ(hf->GetName(), original ? "Times New Roman" : "Arial");
    EXPECT_EQ(hf->GetUnderLine(), original ? 2 : -4142);
    EXPECT_EQ(hf->GetBold(), !original);
    EXPECT_EQ(s->Range("B1")->GetInterior()->GetColor(), original ? 0x0000FFu : 0xFFFFFFu);
    EXPECT_EQ(s->Range("B2")->GetFont()->GetName(), original ? "Courier New" : "Arial");
    if (original)
      EXPECT_EQ(s->Range("B2")->GetInterior()->GetColor(), 0xC0C0C0u);
    else
      EXPECT_EQ(s->Range("B2")->GetInterior()->GetColorIndex(), -4142);
    // Thin borders by default on header and detail cells.
    EXPECT_EQ(s->Range("A2")->GetBorders()->GetBorder(9)->GetWeight(), xlThin);
  }
}

// Texts from the data are never compiled: a value or a field name beginning with
// "=" stays a text unless AllowFormulas is set.
TEST(Exporters, TextsStayTexts) {
  for (const bool allow : {false, true}) {
    TMemoryDataSet ds;
    ds.AddField("=HEADER()", ftString);
    ds.AppendRecord({TVariant("=1+2")});
    TDataset2Excel ex;
    ex.SetDataset(&ds);
    ex.SetAllowFormulas(allow);
    ASSERT_EQ(ex.ExportDataset(), xlsOK);
    TXLSCellHeap& cells = ex.GetCurrentWorksheet()->Cells();
    // "=HEADER()" names no function: even when formulas are allowed it stays a text.
    for (std::uint32_t row : {0u, 1u}) {
      const TXLSCellRef* cell = cells.GetValue(row, 0);
      ASSERT_NE(cell, nullptr);
      EXPECT_EQ(cell->ValueType, allow && row == 1 ? xlFormula : xlString) << row;
    }
    EXPECT_EQ(ex.GetCurrentWorksheet()->Range("A2")->GetValue(), TVariant("=1+2"));
  }
  // Values the sheet refuses are kept as their texts.
  TMemoryDataSet odd;
  odd.AddField("when", ftDate);
  odd.AppendRecord({TVariant::Date(1e300)});
  TDataset2Excel ex;
  ex.SetDataset(&odd);
  ASSERT_EQ(ex.ExportDataset(), xlsOK);
  EXPECT_TRUE(ex.GetCurrentWorksheet()->Range("A2")->GetValue().IsString());
}

// A memory dataset whose Next fails at a record.
class TBrokenDataSet : public TMemoryDataSet {
 public:
  std::int32_t Next() override {
    if (GetRecNo() == 1) return Fail("connection lost at record 2");
    return TMemoryDataSet::Next();
  }
};

TEST(Exporters, Failures) {
  const fs::path dir = fs::temp_directory_path() / "tablirex_export_failures";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string out = (dir / "out.xls").string();
  auto ds = Orders(2);
  TBrokenDataSet broken;
  broken.AddField("x", ftInteger);
  for (int i = 0; i < 4; ++i) broken.AppendRecord({TVariant(i)});
  TMemoryDataSet noFields;
  TDBGrid gridWithout;
  gridWithout.Columns().emplace_back();
  TDBGrid hiddenOnly(ds.get());
  hiddenOnly.AddDefaultColumns();
  for (TColumn& c : hiddenOnly.Columns()) c.Visible = false;

  struct Case {
    const char* name;
    std::function<std::int32_t(std::string&)> run;  // returns the result, fills the error text
    const char* message;
  } cases[] = {
      {"no dataset", [&](std::string& e) { TDataset2Excel x; auto r = x.ExportDataset(); e = x.GetErrorText(); return r; }, "no dataset"},
      {"save before export", [&](std::string& e) { TDataset2Excel x; x.SetDataset(ds.get()); auto r = x.SaveAs(out); e = x.GetErrorText(); return r; }, "nothing to save"},
      {"grid save before export", [&](std::string& e) { TDBGrid2Excel x; auto r = x.SaveAs(out); e = x.GetErrorText(); return r; }, "nothing to save"},
      {"SaveDatasetAs without dataset", [&](std::string& e) { TDataset2Excel x; auto r = x.SaveDatasetAs(out); e = x.GetErrorText(); return r; }, "no dataset"},
      {"no grid", [&](std::string& e) { TDBGrid2Excel x; auto r = x.SaveDBGridAs(out); e = x.GetErrorText(); return r; }, "no grid"},
      {"grid without dataset", [&](std::string& e) { TDBGrid2Excel x; x.SetDBGrid(&gridWithout); auto r = x.ExportDBGrid(); e = x.GetErrorText(); return r; }, "no dataset"},
      {"no visible columns", [&](std::string& e) { TDBGrid2Excel x; x.SetDBGrid(&hiddenOnly); auto r = x.ExportDBGrid(); e = x.GetErrorText(); return r; }, "no columns"},
      {"no fields", [&](std::string& e) { TDataset2Excel x; x.SetDataset(&noFields); auto r = x.SaveDatasetAs(out); e = x.GetErrorText(); return r; }, "no columns"},
      {"source fails", [&](std::string& e) { TDataset2Excel x; x.SetDataset(&broken); auto r = x.SaveDatasetAs(out); e = x.GetErrorText(); return r; }, "connection lost at record 2"},
      {"columns past IV", [&](std::string& e) { TDataset2Excel x; x.SetDataset(ds.get()); x.SetStartCol(254); auto r = x.ExportDataset(); e = x.GetErrorText(); return r; }, "256 columns"},
      {"a font no cell takes", [&](std::string& e) { TDataset2Excel x; x.SetDataset(ds.get()); x.SetDetailFont(TFont(std::string(32, 'F'), 10)); auto r = x.SaveDatasetAs(out); e = x.GetErrorText(); return r; }, "a font name has 1 to 31 characters"},
      {"unknown file format", [&](std::string& e) { TDataset2Excel x; x.SetDataset(ds.get()); x.ExportDataset(); auto r = x.SaveAs(out, 7); e = x.GetErrorText(); return r; }, "unknown file format"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    EXPECT_EQ(c.run(error), xlsFail);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(out));
  }
  EXPECT_FALSE(broken.ControlsDisabled());
  EXPECT_EQ(broken.GetRecNo(), -1);

  // A file that cannot be written.
  TDataset2Excel x;
  x.SetDataset(ds.get());
  ASSERT_EQ(x.ExportDataset(), xlsOK);
  for (const std::string& bad : {(dir / "missing" / "out.xls").string(), (dir / "missing" / "out.html").string()}) {
    EXPECT_EQ(x.SaveAs(bad), xlsFail);
    EXPECT_EQ(x.GetErrorText().rfind("cannot save " + bad + ": ", 0), 0u) << x.GetErrorText();
  }
  fs::remove_all(dir);
}

// Saving: the form by the name's ending, every sheet of a split export in HTML,
// and SaveDatasetAs releasing the workbook.
TEST(Exporters, Saving) {
  const fs::path dir = fs::temp_directory_path() / "tablirex_export_saving";
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto ds = Orders(5);
  ds->First();
  ds->Next();  // the current record is restored after the export
  const std::int64_t before = ds->GetRecNo();
  TDataset2Excel ex;
  ex.SetDataset(ds.get());
  ex.SetRowsPerSheet(3);
  ASSERT_EQ(ex.SaveDatasetAs((dir / "out.HTML").string()), xlsOK) << ex.GetErrorText();
  EXPECT_FALSE(ex.GetWorkbook());
  EXPECT_EQ(ds->GetRecNo(), before);
  for (const char* page : {"out.HTML", "out.files/Sheet001.htm", "out.files/Sheet002.htm", "out.files/Sheet003.htm"})
    EXPECT_TRUE(fs::exists(dir / page)) << page;

  TDBGrid grid(ds.get());
  grid.AddDefaultColumns();
  TDBGrid2Excel g;
  g.SetDBGrid(&grid);
  ASSERT_EQ(g.SaveDBGridAs((dir / "grid.xls").string()), xlsOK);
  EXPECT_TRUE(fs::exists(dir / "grid.xls"));
  EXPECT_FALSE(g.GetWorkbook());

  // SetWorkbook forgets the current sheet: the next export without a new sheet
  // uses the workbook's active sheet.
  Ref<IXLSWorkBook> book = CreateWorkbook();
  book->GetWorksheets()->Add();
  IXLSWorksheet* second = book->GetWorksheets()->Add();
  second->Activate();
  ex.SetWorkbook(book);
  EXPECT_EQ(ex.GetCurrentWorksheet(), nullptr);
  ASSERT_EQ(ex.ExportDataset(false), xlsOK);
  EXPECT_EQ(second->Range("A1")->GetValue(), TVariant("id"));
  EXPECT_EQ(book->GetWorksheets()->GetCount(), 4);  // and two continuation sheets
  fs::remove_all(dir);
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Detail cells take formats remembered from earlier cells. A callback that touches
// a property after every cell makes the exporter forget them, so every cell goes
// through the formatting views: both files must be the same to the byte.
TEST(Exporters, RememberedFormatsMatchCellByCellFormatting) {
  const fs::path dir = fs::temp_directory_path() / "tablirex_export_reuse";
  fs::remove_all(dir);
  fs::create_directories(dir);
  struct Case {
    TBorderStyle header, detail;
    TColor headerBorder, detailBorder, fill, fontColor;
    std::uint16_t startCol;
    bool overExisting;  // export over cells that exist already
  } cases[] = {
      {BorderStyleNone, BorderStyleNone, clNone, clNone, clNone, clNone, 0, false},
      {BorderStyleSingleThin, BorderStyleSingleThin, clNone, clNone, clNone, clNone, 0, false},
      {BorderStyleNone, BorderStyleSingleHair, clNone, clBlue, clSilver, clRed, 2, false},
      {BorderStyleDouble, BorderStyleSingleThick, clRed, clBlue, clNone, clNone, 1, false},
      {BorderStyleNone, BorderStyleNone, clNone, clRed, clNone, clNone, 0, false},
      {BorderStyleNone, BorderStyleSingleThin, clNone, clNone, clSilver, clNone, 1, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n);
    std::string files[2];
    for (const bool cellByCell : {false, true}) {
      TMemoryDataSet ds;
      ds.AddField("i", ftInteger);
      ds.AddField("t", ftString);
      ds.AddField("m", ftCurrency);
      ds.AddField("d", ftDateTime);
      for (int i = 0; i < 20; ++i)
        ds.AppendRecord({TVariant(i), i % 3 ? TVariant("t" + std::to_string(i)) : TVariant::Null(),
                         TVariant::Currency(i / 4.0), TVariant::Date(45000 + i + (i % 2) * 0.5)});
      TDataset2Excel ex;
      ex.SetDataset(&ds);
      ex.SetHeaderBorderStyle(c.header);
      ex.SetDetailBorderStyle(c.detail);
      ex.SetHeaderBorderColor(c.headerBorder);
      ex.SetDetailBorderColor(c.detailBorder);
      ex.SetDetailColor(c.fill);
      ex.SetDetailFont(TFont("Arial", 9, fsItalic, c.fontColor));
      ex.SetStartCol(c.startCol);
      ex.SetRowsPerSheet(9);
      if (cellByCell)
        ex.AfterDetailCell = [](TDataset2Excel& s, IXLSRange*, std::int32_t, std::int32_t, TField*) {
          s.SetDetailColor(s.GetDetailColor());
        };
      if (c.overExisting) {
        ASSERT_EQ(ex.ExportDataset(), xlsOK);
        ex.GetCurrentWorksheet()->Range("A1:F12")->GetBorders()->SetLineStyle(xlDash);
        ASSERT_EQ(ex.ExportDataset(false, 2, 0), xlsOK);
      } else {
        ASSERT_EQ(ex.ExportDataset(), xlsOK);
      }
      const fs::path file = dir / ("reuse" + std::to_string(cellByCell) + ".xls");
      ASSERT_EQ(ex.SaveAs(file.string()), xlsOK);
      files[cellByCell] = Slurp(file);
    }
    EXPECT_FALSE(files[0].empty());
    EXPECT_TRUE(files[0] == files[1]);
    ++n;
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tablirex
