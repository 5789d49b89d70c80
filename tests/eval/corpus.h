// The shared formula corpus: tests/eval/corpus/*.tsv, one case a line
// (formula TAB expected), and the fixture workbook its formulas refer to.
#pragma once

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tablirex/names.h"
#include "tablirex/range.h"
#include "tablirex/variant.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex::testing {

struct TCorpusCase {
  std::string file;      // engine.tsv ...
  std::int32_t line = 0;
  std::string formula;   // with its "="
  std::string expected;  // n:3, s:text, b:TRUE, e:#N/A, v:, u:
};

inline std::vector<TCorpusCase> LoadCorpus(const std::string& dir) {
  std::vector<TCorpusCase> out;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ".tsv") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    std::ifstream in(f);
    std::string line;
    std::int32_t n = 0;
    while (std::getline(in, line)) {
      ++n;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      const std::size_t tab = line.find('\t');
      if (tab == std::string::npos) continue;
      std::string expected = line.substr(tab + 1);
      expected = expected.substr(0, expected.find('\t'));  // a note may follow
      TCorpusCase c{f.filename().string(), n, line.substr(0, tab), expected};
      if (c.formula.empty() || c.formula[0] != '=') c.formula = "=" + c.formula;
      out.push_back(std::move(c));
    }
  }
  return out;
}

/// Sheets Data, Data2 and Calc (the cases go in Calc, one a row in column A),
/// filled as tests/eval/corpus/README describes.
inline void BuildCorpusFixture(IXLSWorkBook& book) {
  IXLSWorksheet* data = book.GetWorksheets()->Add();
  data->SetWorkSheetName("Data");
  IXLSWorksheet* data2 = book.GetWorksheets()->Add();
  data2->SetWorkSheetName("Data2");
  IXLSWorksheet* calc = book.GetWorksheets()->Add();
  calc->SetWorkSheetName("Calc");
  const auto set = [](IXLSWorksheet* s, const char* ref, const TVariant& v) { s->Range(ref)->SetValue(v); };
  for (int i = 1; i <= 10; ++i) set(data, ("A" + std::to_string(i)).c_str(), TVariant(static_cast<double>(i)));
  set(data, "B1", TVariant(std::string("apple")));
  set(data, "B2", TVariant(std::string("Banana")));
  set(data, "B3", TVariant(std::string("cherry")));
  set(data, "B4", TVariant(std::string("apple pie")));
  data->Range("B5")->SetValue(TVariant(std::string("")));
  set(data, "C1", TVariant(true));
  set(data, "C2", TVariant(false));
  set(data, "C3", TVariant(0.0));
  set(data, "C4", TVariant(std::string("3")));
  const double d[] = {45292, 45322.5, 0.25, -3.5, 1e20};
  for (int i = 0; i < 5; ++i) set(data, ("D" + std::to_string(i + 1)).c_str(), TVariant(d[i]));
  data->Range("D1")->SetNumFormat("yyyy-mm-dd");
  const char* words[] = {"ten", "twenty", "thirty", "forty"};
  for (int i = 0; i < 4; ++i) {
    set(data, ("E" + std::to_string(i + 1)).c_str(), TVariant(10.0 * (i + 1)));
    set(data, ("F" + std::to_string(i + 1)).c_str(), TVariant(std::string(words[i])));
  }
  set(data, "G1", TVariant(std::string("=1/0")));
  set(data, "G2", TVariant(std::string("=A1*2")));
  for (int i = 1; i <= 3; ++i) set(data2, ("A" + std::to_string(i)).c_str(), TVariant(100.0 * i));
  book.GetNames()->Add("Rate", "=Data!$A$2");
}

}  // namespace tablirex::testing
