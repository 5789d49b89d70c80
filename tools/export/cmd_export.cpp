// tablirex export: a query's result (SQLite, PostgreSQL) or a CSV file exported
// into a formatted workbook, split over sheets when a sheet is full.
//
//   $ tablirex export --sqlite shop.db --query 'SELECT * FROM orders' -o out/orders.xls
//
// The form follows the output's extension: .xlsx a workbook package, .xls an Excel
// 97 workbook (--biff5 for
// Excel 5), .htm/.html HTML pages. --grid GRID.json exports through a grid's columns
// (titles, pixel widths, alignments, fonts, colours, hidden columns). Any failure
// (an unknown option, a missing file, bad SQL, a failed connection, an unwritable
// output) prints the source's own message, exits non-zero and leaves no output file
// (an earlier file at that path stays as it was).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command.h"
#include "export/export_core.h"
#include "export/export_options.h"
#include "tablirex/data.h"
#include "tablirex/dataset2excel.h"
#include "tablirex/dbgrid2excel.h"
#include "tablirex/result.h"

namespace tablirex::tool {
namespace {

// A progress line on a terminal: records written, records per second, sheets.
class Progress {
 public:
  explicit Progress(bool enabled) : enabled_(enabled), start_(Clock::now()), last_(start_) {}

  void Tick(std::int64_t records, std::int32_t sheets) {
    if (!enabled_ || (records & 1023) != 0) return;
    const auto now = Clock::now();
    if (now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    Print(records, sheets, now);
  }
  void Done(std::int64_t records, std::int32_t sheets) {
    if (!enabled_) return;
    Print(records, sheets, Clock::now());
    std::fputc('\n', stderr);
  }

 private:
  using Clock = std::chrono::steady_clock;
  void Print(std::int64_t records, std::int32_t sheets, Clock::time_point now) {
    const double secs = std::chrono::duration<double>(now - start_).count();
    const double rate = secs > 0 ? static_cast<double>(records) / secs : 0.0;
    std::fprintf(stderr, "\rtablirex export: %lld records, %.0f records/s, %d sheet%s   ",
                 static_cast<long long>(records), rate, sheets, sheets == 1 ? "" : "s");
    std::fflush(stderr);
  }
  bool enabled_;
  Clock::time_point start_, last_;
};

std::int32_t SheetCount(const Ref<IXLSWorkBook>& book) {
  return book ? book->GetWorksheets()->GetCount() : 0;
}

// Copies the exporter properties both exporters share.
template <class Exporter>
void ApplyCommon(Exporter& e, const ExportOptions& o) {
  if (!o.sheetName.empty()) e.SetWorksheetName(o.sheetName);
  if (!o.title.empty()) e.SetTitle(o.title);
  e.SetStartRow(o.startRow);
  e.SetStartCol(o.startCol);
  if (o.headerFont) e.SetHeaderFont(*o.headerFont);
  if (o.detailFont) e.SetDetailFont(*o.detailFont);
  if (o.headerColor) e.SetHeaderColor(*o.headerColor);
  if (o.detailColor) e.SetDetailColor(*o.detailColor);
  if (o.headerBorder) e.SetHeaderBorderStyle(*o.headerBorder);
  if (o.detailBorder) e.SetDetailBorderStyle(*o.detailBorder);
  if (o.headerBorderColor) e.SetHeaderBorderColor(*o.headerBorderColor);
  if (o.detailBorderColor) e.SetDetailBorderColor(*o.detailBorderColor);
  e.SetSetColumnsWidth(!o.noColumnWidths);
  e.SetAllowFormulas(o.allowFormulas);
  e.SetFreezeHeader(o.freezeHeader);
  e.SetAutoFitColumns(o.autofit);
  e.SetAutoFilter(o.autoFilter);
  e.SetHyperlinks(o.hyperlinks);
}

template <class Exporter>
int RunExport(Exporter& e, const ExportOptions& o, Progress& progress,
              std::int32_t (Exporter::*exportFn)(bool)) {
  // Sheets break where the output's sheets end (16384 rows in Excel 5, 65535 in
  // Excel 97, 1048576 in .xlsx) unless told otherwise.
  e.SetFileFormat(o.biff5 ? 1 : FileFormatOfName(o.output));
  const std::int32_t most = RowsPerSheetFor(e.GetFileFormat());
  if (o.rowsPerSheet) {
    e.SetRowsPerSheet(*o.rowsPerSheet);
    if (*o.rowsPerSheet > most || e.GetRowsPerSheet() != *o.rowsPerSheet) {
      std::fprintf(stderr,
                   "tablirex export: --rows-per-sheet %d is out of range (it must be more than "
                   "start row + 1 = %d and at most %d, what a sheet of the output holds)\n",
                   *o.rowsPerSheet, o.startRow + 1, most);
      return 2;
    }
  }
  std::int64_t records = 0;
  e.AfterDetailRow = [&](Exporter& sender, IXLSRange*, std::int32_t rowIndex) {
    records = rowIndex;
    progress.Tick(records, SheetCount(sender.GetWorkbook()));
  };
  if ((e.*exportFn)(true) != xlsOK) {
    std::fprintf(stderr, "\ntablirex export: export failed: %s\n", e.GetErrorText().c_str());
    return 1;
  }
  progress.Done(e.GetRecordsExported(), SheetCount(e.GetWorkbook()));
  const std::int32_t sheets = SheetCount(e.GetWorkbook());
  const Ref<IXLSWorkBook> book = e.GetWorkbook();
  if (o.strict && book) book->SetStrict(true);
  const std::int32_t saved = o.biff5 ? e.SaveAs(o.output, 1) : e.SaveAs(o.output);
  if (saved != xlsOK) {
    std::fprintf(stderr, "tablirex export: save failed: %s\n", e.GetErrorText().c_str());
    return 1;
  }
  if (book)
    for (const std::string& w : book->GetWarnings()) std::fprintf(stderr, "tablirex export: warning: %s\n", w.c_str());
  if (!o.quiet)
    std::fprintf(stderr, "tablirex export: wrote %lld records on %d sheet%s to %s\n",
                 static_cast<long long>(e.GetRecordsExported()), sheets, sheets == 1 ? "" : "s",
                 o.output.c_str());
  return 0;
}

int Export(const std::vector<std::string>& args) {
  ExportOptions o;
  std::string error;
  if (!ParseExportOptions(args, o, error)) {
    if (error == ExportHelp()) {
      std::fputs(ExportHelp().c_str(), stdout);
      return 0;
    }
    std::fprintf(stderr, "tablirex export: %s\n", error.c_str());
    return 2;
  }
  std::vector<std::string> sourceWarnings;
  std::unique_ptr<TDataSet> data = OpenSource(o, error, sourceWarnings);
  if (!data) {
    std::fprintf(stderr, "tablirex export: %s\n", error.c_str());
    return 1;
  }
  for (const std::string& w : sourceWarnings) std::fprintf(stderr, "tablirex export: warning: %s\n", w.c_str());
  Progress progress(!o.quiet && isatty(STDERR_FILENO) == 1);
  if (o.gridFile.empty()) {
    TDataset2Excel e;
    e.SetDataset(data.get());
    ApplyCommon(e, o);
    return RunExport(e, o, progress, &TDataset2Excel::ExportDataset);
  }
  TDBGrid grid(data.get());
  if (!LoadGrid(o.gridFile, grid, error)) {
    std::fprintf(stderr, "tablirex export: %s\n", error.c_str());
    return 1;
  }
  TDBGrid2Excel e;
  e.SetDBGrid(&grid);
  ApplyCommon(e, o);
  // Fonts and colours given on the command line replace the grid's own.
  if (o.headerFont) e.SetOriginalHeaderFont(false);
  if (o.detailFont) e.SetOriginalDetailFont(false);
  if (o.headerColor) e.SetOriginalHeaderColor(false);
  if (o.detailColor) e.SetOriginalDetailColor(false);
  return RunExport(e, o, progress, &TDBGrid2Excel::ExportDBGrid);
}

[[maybe_unused]] const bool registered = RegisterCommand(
    {"export",
     "export (--sqlite FILE | --postgres CONNINFO | --csv FILE) [--query SQL] -o OUT.xlsx|OUT.xls|OUT.html "
     "[options]   export a query or CSV file (tablirex export --help)",
     &Export});

}  // namespace
}  // namespace tablirex::tool
