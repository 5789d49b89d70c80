// W6: the drawing layer. One sheet with 10,000 cell comments (ten shape-id
// clusters), and a workbook of 100 PNG pictures (20 distinct images, 30 KiB
// each) on 10 sheets, each saved in the Excel 97 format.
//   bench_w6_drawing                          Google Benchmark runs
//   bench_w6_drawing --once OUT.xls comments  one build and save, with figures
//   bench_w6_drawing --once OUT.xls pictures
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "../tests/drawing/sample_images.h"
#include "bench_util.h"
#include "biff/blob.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

using namespace tablirex;

namespace {

constexpr int kComments = 10000;
constexpr int kPictures = 100;

Ref<TXLSWorkbook> BuildComments() {
  Ref<TXLSWorkbook> book(new TXLSWorkbook());
  book->SetCommentAuthor("Bench");
  IXLSWorksheet* sheet = book->GetWorksheets()->Add();
  Ref<IXLSRange> cells = sheet->GetCells();
  for (int i = 0; i < kComments; ++i) {
    Ref<IXLSRange> cell = cells->GetItem(static_cast<std::uint16_t>(i / 10 + 1), static_cast<std::uint8_t>(i % 10 + 1));
    cell->SetValue(TVariant(static_cast<double>(i)));
    cell->AddComment("comment " + std::to_string(i) + ": checked by the night shift");
  }
  return book;
}

Ref<TXLSWorkbook> BuildPictures() {
  std::vector<testing::TBytes> images;
  for (int i = 0; i < 20; ++i) images.push_back(testing::MakePng(100, 100, 0, static_cast<std::uint8_t>(i)));
  Ref<TXLSWorkbook> book(new TXLSWorkbook());
  for (int s = 0; s < 10; ++s) {
    IXLSWorksheet* sheet = book->GetWorksheets()->Add();
    for (int i = 0; i < kPictures / 10; ++i)
      sheet->InsertPicture(images[static_cast<std::size_t>((s * 10 + i) % 20)], "B" + std::to_string(10 * i + 1));
  }
  return book;
}

void BM_W6_Comments(benchmark::State& state) { bench::BuildAndSave(state, BuildComments, "comments/s", kComments); }
BENCHMARK(BM_W6_Comments)->Unit(benchmark::kMillisecond);

void BM_W6_Pictures(benchmark::State& state) { bench::BuildAndSave(state, BuildPictures, "pictures/s", kPictures); }
BENCHMARK(BM_W6_Pictures)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (bench::OnceMode(argc, argv)) {
    if (argc >= 4 && std::strcmp(argv[3], "pictures") == 0)
      return bench::RunOnce("W6 pictures", kPictures, argv[2], BuildPictures, bench::SaveFile);
    return bench::RunOnce("W6 comments", kComments, argv[2], BuildComments, bench::SaveFile);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
