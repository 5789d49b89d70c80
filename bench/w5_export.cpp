// W5: 200,000 records x 8 fields from a SQLite file (integer, real, currency, date,
// date-time, text with 20,000 distinct values, boolean, text with NULLs) exported
// with header and detail fonts and thin borders, default rows per sheet, saved in
// the Excel 97 format.
//   bench_w5_export                               Google Benchmark runs
//   bench_w5_export --once OUT.xls [DB] [FIT]     one export and save, with the split
//                                                 between reading, building and saving;
//                                                 FIT --autofit fits the columns by the
//                                                 exporter, --fit-range by a range's
//                                                 AutoFit over every sheet afterwards
// The database is made by scripts/make_w5_db.sql when DB does not exist yet; by
// default it is tablirex-w5.db in the system's temporary folder.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "bench_util.h"
#include "tablirex/dataset2excel.h"
#include "tablirex/result.h"
#include "tablirex/sqlite_dataset.h"
#include "tablirex/worksheets.h"

using namespace tablirex;

namespace {

constexpr int kRecords = 200000;
constexpr int kFields = 8;
const char* const kQuery = "SELECT * FROM w5";

std::string DefaultDb() { return (std::filesystem::temp_directory_path() / "tablirex-w5.db").string(); }

// Builds the W5 table with the project's script (the same data every time);
// returns false with SQLite's message.
bool MakeDatabase(const std::string& path) {
  std::ifstream in(std::string(TABLIREX_SOURCE_DIR) + "/scripts/make_w5_db.sql");
  std::stringstream script;
  script << in.rdbuf();
  if (!in || script.str().empty()) {
    std::fprintf(stderr, "w5: cannot read scripts/make_w5_db.sql\n");
    return false;
  }
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    std::fprintf(stderr, "w5: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
    return false;
  }
  char* message = nullptr;
  const int rc = sqlite3_exec(db, script.str().c_str(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) std::fprintf(stderr, "w5: %s\n", message ? message : "failed");
  sqlite3_free(message);
  sqlite3_close(db);
  return rc == SQLITE_OK;
}

bool EnsureDatabase(const std::string& path) {
  return std::filesystem::exists(path) || MakeDatabase(path);
}

// How the columns get their widths.
enum Fit : int { kDisplayWidths = 0, kExporterFit = 1, kRangeFit = 2 };

void Configure(TDataset2Excel& e, TDataSet& data, Fit fit) {
  e.SetDataset(&data);
  e.SetAutoFitColumns(fit == kExporterFit);
  e.SetHeaderFont(TFont("Arial", 10, fsBold));
  e.SetDetailFont(TFont("Arial", 9));
  e.SetHeaderBorderStyle(BorderStyleSingleThin);
  e.SetDetailBorderStyle(BorderStyleSingleThin);
}

// A range's AutoFit over the exported columns of every sheet.
void FitSheets(TDataset2Excel& e) {
  IXLSWorkSheets* sheets = e.GetWorkbook()->GetWorksheets();
  for (std::int32_t i = 1; i <= sheets->GetCount(); ++i) sheets->Get(i)->Range("A:H")->AutoFit();
}

// Reads every value of the source once: the cost of the source alone.
double ReadOnly(const std::string& db) {
  TSQLiteDataSet data;
  const auto t0 = std::chrono::steady_clock::now();
  if (data.Open(db, kQuery) != xlsOK || data.First() != xlsOK) return -1;
  double sink = 0;
  while (!data.Eof()) {
    for (std::int32_t i = 0; i < data.GetFieldCount(); ++i)
      sink += static_cast<double>(data.GetField(i)->GetValue().Type());
    if (data.Next() != xlsOK) return -1;
  }
  benchmark::DoNotOptimize(sink);
  return bench::Seconds(t0, std::chrono::steady_clock::now());
}

int Once(const char* out, const std::string& db, Fit fit) {
  if (!EnsureDatabase(db)) return 1;
  const double read = ReadOnly(db);
  const auto t0 = std::chrono::steady_clock::now();
  TSQLiteDataSet data;
  if (data.Open(db, kQuery) != xlsOK) {
    std::fprintf(stderr, "w5: %s\n", data.GetErrorText().c_str());
    return 1;
  }
  TDataset2Excel e;
  Configure(e, data, fit);
  // The sheets follow the file's grid: one sheet of 200,000 records in .xlsx.
  const std::string_view name(out);
  const bool xlsx = name.size() >= 5 && (name.substr(name.size() - 5) == ".xlsx" || name.substr(name.size() - 5) == ".XLSX");
  if (xlsx) e.SetFileFormat(4);
  if (e.ExportDataset() != xlsOK) {
    std::fprintf(stderr, "w5: %s\n", e.GetErrorText().c_str());
    return 1;
  }
  const auto tf = std::chrono::steady_clock::now();
  if (fit == kRangeFit) FitSheets(e);
  const auto t1 = std::chrono::steady_clock::now();
  if (fit == kRangeFit) std::printf("W5 AutoFit of every sheet's columns: %.3f s\n", bench::Seconds(tf, t1));
  const std::int32_t r = e.SaveAs(out);
  const auto t2 = std::chrono::steady_clock::now();
  const double cells = double(kRecords + 1) * kFields;
  const double exportTime = bench::Seconds(t0, t1);
  std::printf(
      "W5 export: read %.3f s, build %.3f s, save %.3f s, total %.3f s (%.2f M cells/s), "
      "peak RSS %.1f MiB, %lld records, result %d\n",
      read, exportTime - read, bench::Seconds(t1, t2), bench::Seconds(t0, t2),
      cells / bench::Seconds(t0, t2) / 1e6, bench::PeakRssBytes() / 1048576.0,
      static_cast<long long>(e.GetRecordsExported()), r);
  return r == xlsOK ? 0 : 1;
}

void BM_W5_Export(benchmark::State& state) {
  const std::string db = DefaultDb();
  if (!EnsureDatabase(db)) {
    state.SkipWithError("cannot make the W5 database");
    return;
  }
  const std::string out = (std::filesystem::temp_directory_path() / "tablirex-w5.xls").string();
  for (auto _ : state) {
    TSQLiteDataSet data;
    if (data.Open(db, kQuery) != xlsOK) {
      state.SkipWithError(data.GetErrorText().c_str());
      return;
    }
    TDataset2Excel e;
    const auto fit = static_cast<Fit>(state.range(0));
    Configure(e, data, fit);
    benchmark::DoNotOptimize(e.ExportDataset());
    if (fit == kRangeFit) FitSheets(e);
    benchmark::DoNotOptimize(e.SaveAs(out));
  }
  std::filesystem::remove(out);
  state.counters["cells/s"] = benchmark::Counter(double(kRecords + 1) * kFields,
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peakRSS_MiB"] = bench::PeakRssBytes() / 1048576.0;
}
// 0: the fields' display widths, 1: columns fitted by the exporter, 2: by AutoFit.
BENCHMARK(BM_W5_Export)->Arg(kDisplayWidths)->Arg(kExporterFit)->Arg(kRangeFit)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (bench::OnceMode(argc, argv)) {
    std::string db = DefaultDb();
    Fit fit = kDisplayWidths;
    for (int i = 3; i < argc; ++i) {
      const std::string a = argv[i];
      if (a == "--autofit") fit = kExporterFit;
      else if (a == "--fit-range") fit = kRangeFit;
      else db = a;
    }
    return Once(argv[2], db, fit);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
