// Compiling a formula is on the save path of every formula cell, so it must cost
// microseconds. Each iteration compiles the text and encodes it, as a cell does.
#include <benchmark/benchmark.h>

#include <memory>

#include "formula/formula.h"

namespace {

void CompileAndEncode(benchmark::State& state, const char* text, std::int32_t format) {
  tablirex::TXLSFormula f;
  f.SetFormat(format);
  for (auto _ : state) {
    std::unique_ptr<tablirex::TXLSBlob> blob;
    if (f.Compile(text) != 1 || f.GetData(blob) != 1) {
      state.SkipWithError("formula did not compile");
      break;
    }
    benchmark::DoNotOptimize(blob->GetBuff());
  }
}

// Encoding into a record buffer the caller already has, without a new blob.
void CompileIntoRecord(benchmark::State& state, const char* text) {
  tablirex::TXLSFormula f;
  tablirex::TXLSBlob record(4 + 20 + 64);
  for (auto _ : state) {
    record.SetDataSize(24);
    if (f.Compile(text) != 1 || f.GetData(record) != 1) {
      state.SkipWithError("formula did not compile");
      break;
    }
    benchmark::DoNotOptimize(record.GetBuff());
  }
}

// The cell text is "=A1*2+1"; the cell store hands the compiler what follows "=".
BENCHMARK_CAPTURE(CompileAndEncode, A1_times_2_plus_1_biff8, "A1*2+1", 2);
BENCHMARK_CAPTURE(CompileAndEncode, A1_times_2_plus_1_biff5, "A1*2+1", 1);
BENCHMARK_CAPTURE(CompileAndEncode, SUM_A_1_to_A100_biff8, "SUM(A$1:A100)", 2);
BENCHMARK_CAPTURE(CompileAndEncode, SUM_A_1_to_A100_biff5, "SUM(A$1:A100)", 1);
BENCHMARK_CAPTURE(CompileIntoRecord, A1_times_2_plus_1, "A1*2+1");
BENCHMARK_CAPTURE(CompileIntoRecord, SUM_A_1_to_A100, "SUM(A$1:A100)");
BENCHMARK_CAPTURE(CompileAndEncode, IF_with_strings_biff8,
                  "IF(A1>=10;\"big\";CONCATENATE(\"small \";ROUND(B2/3;2)))", 2);

}  // namespace

BENCHMARK_MAIN();
