// W3: one sheet of 20000 rows x 10 columns of numbers, date-times and texts under
// a bold, filled and ruled header row; every number column formatted "#,##0.00"
// and every date column "dd.mm.yyyy", through whole-column ranges or, in the
// second variant, through one range per cell. Saved in the Excel 97 format.
//   bench_w3_formats                                    Google Benchmark runs
//   bench_w3_formats --once OUT.xls|OUT.xlsx [columns|cells]     one build and save, with
//                                                       figures and the XF count
// Columns cycle number, date-time, text: A, D, G, J numbers; B, E, H dates;
// C, F, I texts.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"
#include "biff/blob.h"
#include "biff/records.h"
#include "cfb/compound_reader.h"
#include "tablirex/format_views.h"
#include "tablirex/lines.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

using namespace tablirex;

namespace {

constexpr int kRows = 20000;  // data rows, below the header
constexpr int kCols = 10;
constexpr double kFirstDay = 45292.0;  // 2024-01-01
const char* const kNumberFormat = "#,##0.00";
const char* const kDateFormat = "dd.mm.yyyy";

enum class Kind { Number, Date, Text };
Kind KindOf(int col) { return static_cast<Kind>(col % 3); }
const char* FormatOf(int col) {
  switch (KindOf(col)) {
    case Kind::Number: return kNumberFormat;
    case Kind::Date: return kDateFormat;
    default: return nullptr;
  }
}

// The value of data row r (0-based) in column c, as the read-back test expects it.
TVariant ValueAt(int r, int c, const std::vector<TVariant>& texts) {
  switch (KindOf(c)) {
    case Kind::Number: return TVariant(r * 10.25 + c);
    case Kind::Date: return TVariant::Date(kFirstDay + r % 3000 + (c * 60 + r % 60) / 1440.0);
    default: return texts[static_cast<std::size_t>((r * kCols + c) % 1000)];
  }
}

Ref<TXLSWorkbook> BuildValues(IXLSWorksheet*& sheet) {
  std::vector<TVariant> texts;
  texts.reserve(1000);
  for (int i = 0; i < 1000; ++i) texts.emplace_back("entry " + std::to_string(i));
  Ref<TXLSWorkbook> book(new TXLSWorkbook());
  sheet = book->GetWorksheets()->Add();
  Ref<IXLSRange> cells = sheet->GetCells();
  for (int c = 0; c < kCols; ++c)
    cells->GetItem(1, static_cast<std::uint16_t>(c + 1))->SetValue(TVariant("Column " + std::to_string(c + 1)));
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c)
      cells->GetItem(static_cast<std::uint32_t>(r + 2), static_cast<std::uint16_t>(c + 1))
          ->SetValue(ValueAt(r, c, texts));
  return book;
}

void FormatHeader(IXLSWorksheet& sheet) {
  Ref<IXLSRange> header = sheet.Range("A1:J1");
  header->GetFont()->SetBold(true);
  header->GetInterior()->SetColor(0xFFCC99);  // pale blue, red in the low byte
  header->GetBorders()->SetLineStyle(xlContinuous);
  header->GetBorders()->GetBorder(9)->SetWeight(static_cast<std::uint32_t>(xlMedium));
}

Ref<TXLSWorkbook> BuildColumns() {
  IXLSWorksheet* sheet;
  Ref<TXLSWorkbook> book = BuildValues(sheet);
  Ref<IXLSRange> cells = sheet->GetCells();
  for (int c = 0; c < kCols; ++c)
    if (const char* f = FormatOf(c)) cells->GetItem(1, static_cast<std::uint16_t>(c + 1))->GetEntireColumn()->SetNumFormat(f);
  FormatHeader(*sheet);
  return book;
}

Ref<TXLSWorkbook> BuildCells() {
  IXLSWorksheet* sheet;
  Ref<TXLSWorkbook> book = BuildValues(sheet);
  Ref<IXLSRange> cells = sheet->GetCells();
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c)
      if (const char* f = FormatOf(c))
        cells->GetItem(static_cast<std::uint32_t>(r + 2), static_cast<std::uint16_t>(c + 1))->SetNumFormat(f);
  FormatHeader(*sheet);
  return book;
}

// XF records in the globals of a workbook stream.
int CountXFRecords(const std::vector<std::uint8_t>& s) {
  int n = 0;
  int bofs = 0;
  for (std::size_t at = 0; at + 4 <= s.size();) {
    const auto type = static_cast<std::uint16_t>(s[at] | (s[at + 1] << 8));
    const std::size_t len = static_cast<std::size_t>(s[at + 2] | (s[at + 3] << 8));
    if (type == RecNo(Rec::BOF) && ++bofs > 1) break;  // the first sheet's substream
    if (type == RecNo(Rec::XF)) ++n;
    at += 4 + len;
  }
  return n;
}

// Opens a saved file again and prints the number of XF records it holds.
int PrintSavedXFCount(const char* path) {
  TCompoundReader reader;
  std::vector<std::uint8_t> stream;
  const TCompoundStream* s = reader.OpenFile(path) == 1 ? reader.Find("Workbook") : nullptr;
  if (!s || reader.ReadStream(*s, stream) != 1) {
    std::printf("the saved file could not be read back: %s\n", reader.ErrorText().c_str());
    return 1;
  }
  std::printf("XF records written: %d\n", CountXFRecords(stream));
  return 0;
}

template <class Build>
void Run(benchmark::State& state, Build build) {
  int xfs = 0;
  bench::BuildAndSave(state, build, "cells/s", static_cast<double>(kRows + 1) * kCols, 8u << 20,
                      [&](const TMemorySink& sink) { xfs = CountXFRecords(sink.bytes); });
  state.counters["XF_records"] = xfs;
}

void BM_W3_WholeColumns(benchmark::State& state) { Run(state, BuildColumns); }
BENCHMARK(BM_W3_WholeColumns)->Unit(benchmark::kMillisecond);

void BM_W3_PerCellRanges(benchmark::State& state) { Run(state, BuildCells); }
BENCHMARK(BM_W3_PerCellRanges)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (bench::OnceMode(argc, argv)) {
    const bool cells = argc > 3 && std::strcmp(argv[3], "cells") == 0;
    const int r = bench::RunOnce(cells ? "W3 per-cell ranges" : "W3 whole columns", double(kRows + 1) * kCols,
                                 argv[2], cells ? BuildCells : BuildColumns, bench::SaveFile);
    const std::string out = argv[2];
    const bool package = out.size() > 5 && out.compare(out.size() - 5, 5, ".xlsx") == 0;
    return r != 0 || package ? r : PrintSavedXFCount(argv[2]);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
