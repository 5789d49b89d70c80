// Every case of the formula corpus worked out by the engine, as the save stores it.
#include <gtest/gtest.h>

#include <cmath>

#include "eval/engine.h"
#include "corpus.h"
#include "text/text.h"

namespace tablirex::testing {
namespace {

using eval::TValue;

std::string Show(const eval::TFormulaResult& r) {
  const TValue& v = r.value;
  std::string s;
  switch (v.Kind()) {
    case eval::TValueKind::Number: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "n:%.15g", v.Num());
      s = buf;
      break;
    }
    case eval::TValueKind::Text: s = "s:" + Utf16ToUtf8(v.Str()); break;
    case eval::TValueKind::Boolean: s = v.Bool() ? "b:TRUE" : "b:FALSE"; break;
    case eval::TValueKind::Error: s = "e:" + Utf16ToUtf8(eval::ErrorText(v.Err())); break;
    default: s = "?"; break;
  }
  if (!r.trusted) s += " (no result)";
  if (r.isVolatile) s += " (volatile)";
  return s;
}

// True when the result is what the corpus expects.
bool Matches(const eval::TFormulaResult& r, const std::string& expected) {
  const TValue& v = r.value;
  const std::string kind = expected.substr(0, 2), rest = expected.size() > 2 ? expected.substr(2) : "";
  if (kind == "u:") return !r.trusted && r.recalc;
  if (kind == "v:") return r.trusted && r.isVolatile && r.recalc;
  if (!r.trusted) return false;
  if (kind == "n:") {
    if (!v.IsNumber()) return false;
    const double want = std::strtod(rest.c_str(), nullptr);
    return v.Num() == want || std::fabs(v.Num() - want) <= 1e-9 * std::max(std::fabs(want), 1e-300);
  }
  if (kind == "s:") return v.IsText() && Utf16ToUtf8(v.Str()) == rest;
  if (kind == "b:") return v.IsBoolean() && v.Bool() == (rest == "TRUE");
  if (kind == "e:") return v.IsError() && (rest.empty() || Utf16ToUtf8(eval::ErrorText(v.Err())) == rest);
  return false;
}

TEST(FormulaCorpus, EngineResults) {
  const auto cases = LoadCorpus(std::string(TABLIREX_SOURCE_DIR) + "/tests/eval/corpus");
  ASSERT_FALSE(cases.empty());
  TXLSWorkbook book;
  BuildCorpusFixture(book);
  IXLSWorksheet* calc = book.GetWorksheets()->Get(book.GetWorksheets()->GetIndexByName("Calc"));
  std::vector<std::size_t> placed;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Ref<IXLSRange> cell = calc->Range("A" + std::to_string(i + 1));
    cell->SetValue(TVariant(cases[i].formula));
    EXPECT_EQ(book.GetLastError().find("Calc!A" + std::to_string(i + 1) + ":"), std::string::npos)
        << cases[i].file << ":" << cases[i].line << " " << cases[i].formula << " refused: " << book.GetLastError();
  }
  book.BeginDisplayEvaluation();
  const std::int32_t sheet = calc->GetIndex() - 1;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const TCorpusCase& c = cases[i];
    const eval::TFormulaResult* r = book.Evaluation()->Result(sheet, static_cast<std::int32_t>(i), 0);
    if (!r) {
      ADD_FAILURE() << c.file << ":" << c.line << " " << c.formula << " was not taken";
      continue;
    }
    EXPECT_TRUE(Matches(*r, c.expected)) << c.file << ":" << c.line << " " << c.formula << " gives " << Show(*r)
                                         << ", expected " << c.expected;
  }
  book.EndEvaluation();
}

}  // namespace
}  // namespace tablirex::testing
