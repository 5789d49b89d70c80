// W1: one sheet of 65536 rows x 16 columns of doubles, set through per-cell ranges
// or through two-dimensional arrays per block of rows, saved in the Excel 97 format.
//   bench_w1_numbers                      Google Benchmark runs
//   bench_w1_numbers --once OUT.xls|OUT.xlsx [cells|arrays]   one build and save, with figures
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench_util.h"
#include "biff/blob.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

using namespace tablirex;

namespace {

constexpr int kRows = 65536;
constexpr int kCols = 16;
constexpr int kBlock = 1024;  // rows per array

Ref<TXLSWorkbook> BuildPerCell() {
  return bench::BookOfCells(kRows, kCols, [](int r, int c) { return TVariant((r * 16.0 + c) / 7.0); });
}

Ref<TXLSWorkbook> BuildArrays() {
  Ref<TXLSWorkbook> book(new TXLSWorkbook());
  IXLSWorksheet* sheet = book->GetWorksheets()->Add();
  Ref<IXLSRange> cells = sheet->GetCells();
  TVariant block = TVariant::Array2(0, kBlock, 0, kCols);
  for (int r0 = 0; r0 < kRows; r0 += kBlock) {
    TVariantArray& a = block.Array();
    for (int i = 0; i < kBlock; ++i)
      for (int c = 0; c < kCols; ++c) a.At(i, c) = TVariant(((r0 + i) * 16.0 + c) / 7.0);
    // The block's rectangle, from its first to its last cell.
    sheet->FGetRange("A" + std::to_string(r0 + 1), "P" + std::to_string(r0 + kBlock))
        ->SetValue(block);
  }
  return book;
}

void BM_W1_PerCellRanges(benchmark::State& state) {
  bench::BuildAndSave(state, BuildPerCell, "cells/s", static_cast<double>(kRows) * kCols, 20u << 20);
}
BENCHMARK(BM_W1_PerCellRanges)->Unit(benchmark::kMillisecond);

void BM_W1_Arrays(benchmark::State& state) {
  bench::BuildAndSave(state, BuildArrays, "cells/s", static_cast<double>(kRows) * kCols, 20u << 20);
}
BENCHMARK(BM_W1_Arrays)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (bench::OnceMode(argc, argv)) {
    const bool arrays = argc > 3 && std::strcmp(argv[3], "arrays") == 0;
    return bench::RunOnce(arrays ? "W1 arrays" : "W1 per-cell ranges", double(kRows) * kCols, argv[2],
                          arrays ? BuildArrays : BuildPerCell, bench::SaveFile);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
