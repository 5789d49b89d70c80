// The evaluation engine: works out every formula cell of a workbook, in
// dependency order, for the save (the results the FORMULA records carry) and for
// the HTML pages (the results they show).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "eval/eval_value.h"

namespace tablirex {
class TXLSWorkbook;
struct TFormulaCode;
}

namespace tablirex::eval {

/// What the evaluation found for one formula cell.
struct TFormulaResult {
  /// The result: a number, text, boolean or error (never Empty, Area or Array).
  TValue value;
  /// False when there is no result to trust (a circular reference, a function
  /// the engine does not work out, or a cell that depends on one): the value is
  /// #N/A then and the file asks for the formula to be worked out on opening.
  bool trusted = true;
  /// The result depends on the moment or the machine (NOW, RAND...), directly
  /// (volatile) or through other cells (recalc): it is worked out again on opening.
  bool isVolatile = false;
  bool recalc = false;
};

class TWorkbookEvaluator {
 public:
  explicit TWorkbookEvaluator(TXLSWorkbook& book);
  ~TWorkbookEvaluator();
  TWorkbookEvaluator(const TWorkbookEvaluator&) = delete;
  TWorkbookEvaluator& operator=(const TWorkbookEvaluator&) = delete;

  /// Works out every formula cell of every sheet.
  void Run();
  /// Reports the cells Run left without a result through the workbook's Warn (a
  /// strict save fails then: the result is Warn's); 1 otherwise.
  std::int32_t WarnUnresolved();
  /// The result of the formula cell at a zero-based sheet position, row and
  /// column, or nullptr when that cell holds no formula.
  const TFormulaResult* Result(std::int32_t sheet, std::int32_t row, std::int32_t col) const;
  /// The code the formula cell there was worked out from (nullptr: none).
  const TFormulaCode* Code(std::int32_t sheet, std::int32_t row, std::int32_t col) const;
  /// Works out a formula (text without "=") as if it stood in the given cell,
  /// after Run: conditions of conditional formats. Error #VALUE! when it does
  /// not compile.
  /// baseRow, baseCol: the cell its relative references were written for (the
  /// first cell of a conditional format's area); they move with the cell.
  TValue Evaluate(std::string_view formula, std::int32_t sheet, std::int32_t row, std::int32_t col,
                  std::int32_t baseRow, std::int32_t baseCol);

  class TEngine;

 private:
  std::unique_ptr<TEngine> engine_;
};

/// The function-table name of a function number ("SUM"), empty when unknown.
std::string_view FunctionName(std::int32_t number) noexcept;

}  // namespace tablirex::eval
