// Shared helpers of the workload benchmarks: timing, peak memory, the loop that
// builds and saves a workbook in memory, and a "--once" mode that builds and saves
// one workbook, for measuring the whole process.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "biff/blob.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex::bench {

/// Peak resident set size of the process so far, in bytes.
inline double PeakRssBytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) * 1024.0;
}

/// Current resident set size, in bytes (from /proc).
inline double CurrentRssBytes() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  long pages = 0, resident = 0;
  const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
  std::fclose(f);
  return n == 2 ? static_cast<double>(resident) * 4096.0 : 0.0;
}

inline double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

/// Runs build(out) then save(out) once and prints the figures as one line.
template <class Build, class Save>
int RunOnce(const char* name, double cells, const char* path, Build&& build, Save&& save) {
  const double rss0 = CurrentRssBytes();
  const auto t0 = std::chrono::steady_clock::now();
  auto book = build();
  const auto t1 = std::chrono::steady_clock::now();
  const double rss1 = CurrentRssBytes();
  const int r = save(book, path);
  const auto t2 = std::chrono::steady_clock::now();
  std::printf(
      "%s: build %.3f s (%.2f M cells/s), save %.3f s (%.2f M cells/s), peak RSS %.1f MiB, "
      "%.1f bytes/cell while built, result %d\n",
      name, Seconds(t0, t1), cells / Seconds(t0, t1) / 1e6, Seconds(t1, t2),
      cells / Seconds(t1, t2) / 1e6, PeakRssBytes() / 1048576.0, (rss1 - rss0) / cells, r);
  return r == 1 ? 0 : 1;
}

/// A workbook of one sheet whose rows x cols cells from A1 are each set, through a
/// range of their own, to value(row, col) (both counted from 0).
template <class Value>
Ref<TXLSWorkbook> BookOfCells(int rows, int cols, Value&& value) {
  Ref<TXLSWorkbook> book(new TXLSWorkbook());
  IXLSWorksheet* sheet = book->GetWorksheets()->Add();
  Ref<IXLSRange> cells = sheet->GetCells();
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c)
      cells->GetItem(static_cast<std::uint32_t>(r + 1), static_cast<std::uint16_t>(c + 1))->SetValue(value(r, c));
  return book;
}

/// The saving step of RunOnce: the workbook to the path, its format by the name.
inline int SaveFile(Ref<TXLSWorkbook>& book, const char* path) { return book->SaveAs(path); }

/// The benchmark loop: build() and an Excel 97 save into memory (reserve bytes set
/// aside first), then look(sink) on what was saved; counts units per second under
/// the name unit, and the peak memory.
template <class Build, class Look>
void BuildAndSave(benchmark::State& state, Build&& build, const char* unit, double units, std::size_t reserve,
                  Look&& look) {
  for (auto _ : state) {
    auto book = build();
    TMemorySink sink;
    sink.bytes.reserve(reserve);
    benchmark::DoNotOptimize(book->SaveStream(sink, 2));
    look(sink);
  }
  state.counters[unit] = benchmark::Counter(units, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peakRSS_MiB"] = PeakRssBytes() / 1048576.0;
}

template <class Build>
void BuildAndSave(benchmark::State& state, Build&& build, const char* unit, double units, std::size_t reserve = 0) {
  BuildAndSave(state, build, unit, units, reserve, [](const TMemorySink&) {});
}

/// True when argv asks for the one-shot mode: "--once PATH [VARIANT]".
inline bool OnceMode(int argc, char** argv) { return argc >= 3 && std::strcmp(argv[1], "--once") == 0; }

}  // namespace tablirex::bench
