// W4: 20000 rows with a number in column A, =A{r}*2+1 in column B and
// =SUM(A$1:A{r}) in column C, saved in the Excel 97 format. The formulas are
// compiled during the save.
//   bench_w4_formulas                  Google Benchmark runs
//   bench_w4_formulas --once OUT.xls|OUT.xlsx   one build and save, with figures
#include <benchmark/benchmark.h>

#include <string>

#include "bench_util.h"
#include "biff/blob.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

using namespace tablirex;

namespace {

constexpr int kRows = 20000;

Ref<TXLSWorkbook> Build() {
  Ref<TXLSWorkbook> book(new TXLSWorkbook());
  IXLSWorksheet* sheet = book->GetWorksheets()->Add();
  Ref<IXLSRange> cells = sheet->GetCells();
  std::string f;
  for (int r = 1; r <= kRows; ++r) {
    const std::string row = std::to_string(r);
    cells->GetItem(static_cast<std::uint32_t>(r), 1)->SetValue(TVariant(static_cast<double>(r)));
    f = "=A";
    f += row;
    f += "*2+1";
    cells->GetItem(static_cast<std::uint32_t>(r), 2)->SetValue(TVariant(f));
    f = "=SUM(A$1:A";
    f += row;
    f += ")";
    cells->GetItem(static_cast<std::uint32_t>(r), 3)->SetValue(TVariant(f));
  }
  return book;
}

void BM_W4_Formulas(benchmark::State& state) { bench::BuildAndSave(state, Build, "formulas/s", 2.0 * kRows); }
BENCHMARK(BM_W4_Formulas)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (bench::OnceMode(argc, argv)) {
    const int r = bench::RunOnce("W4 formulas", 3.0 * kRows, argv[2], Build, bench::SaveFile);
    return r;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
