// W2: one sheet of 65536 rows x 8 columns of short texts, "item-" followed by
// (row x 8 + col) mod 5000 (5000 distinct strings), saved in the Excel 97 format.
//   bench_w2_texts                  Google Benchmark runs
//   bench_w2_texts --once OUT.xls|OUT.xlsx   one build and save, with figures
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_util.h"
#include "biff/blob.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

using namespace tablirex;

namespace {

constexpr int kRows = 65536;
constexpr int kCols = 8;

Ref<TXLSWorkbook> Build() {
  // The texts are made once, as a caller holding its data would have them.
  std::vector<TVariant> texts;
  texts.reserve(5000);
  for (int i = 0; i < 5000; ++i) texts.emplace_back("item-" + std::to_string(i));
  return bench::BookOfCells(kRows, kCols, [&texts](int r, int c) -> const TVariant& {
    return texts[static_cast<std::size_t>((r * 8 + c) % 5000)];
  });
}

void BM_W2_Texts(benchmark::State& state) {
  bench::BuildAndSave(state, Build, "cells/s", static_cast<double>(kRows) * kCols);
}
BENCHMARK(BM_W2_Texts)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (bench::OnceMode(argc, argv))
    return bench::RunOnce("W2 texts", double(kRows) * kCols, argv[2], Build, bench::SaveFile);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
