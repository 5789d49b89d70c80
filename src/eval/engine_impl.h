// The engine behind TWorkbookEvaluator: the evaluation context over the
// workbook's cells, the order of the formula cells and the interpreter of a
// formula's code.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "eval/engine.h"
#include "eval/eval_value.h"
#include "formula/formula_code.h"

namespace tablirex {
class TXLSCellHeap;
struct TXLSDefinedName;
}

namespace tablirex::eval {

class TWorkbookEvaluator::TEngine final : public TEvalContext {
 public:
  explicit TEngine(TXLSWorkbook& book);

  void Run();
  std::int32_t WarnUnresolved();
  const TFormulaResult* Result(std::int32_t sheet, std::int32_t row, std::int32_t col);
  const TFormulaCode* Code(std::int32_t sheet, std::int32_t row, std::int32_t col);
  TValue EvaluateText(std::string_view formula, std::int32_t sheet, std::int32_t row, std::int32_t col,
                      std::int32_t baseRow, std::int32_t baseCol);

  // TEvalContext
  TValue CellValue(std::int32_t sheet, std::int32_t row, std::int32_t col) override;
  void ForEachCell(const TArea& area,
                   const std::function<bool(std::int32_t, std::int32_t, std::int32_t, const TValue&)>& visit) override;
  std::int32_t CurrentSheet() const override { return curSheet_; }
  std::int32_t CurrentRow() const override { return curRow_; }
  std::int32_t CurrentCol() const override { return curCol_; }
  std::int32_t SheetCount() const override;
  std::u16string SheetName(std::int32_t sheet) const override;
  bool Date1904() const override { return false; }
  double Now() const override { return now_; }
  double Random() override;
  std::u16string CellFormat(std::int32_t sheet, std::int32_t row, std::int32_t col) override;
  void MarkVolatile() override { volatile_ = true; }
  void MarkUncomputable(std::string_view why) override;
  TValue ResolveReference(std::u16string_view text, bool a1) override;
  std::shared_ptr<void>* Memo(std::uint64_t key) override { return &memo_[key]; }
  int IsSubtotalCell(std::int32_t sheet, std::int32_t row, std::int32_t col) override;
  int IsRowHidden(std::int32_t sheet, std::int32_t row) override;

 private:
  enum : std::uint8_t { kPending, kExpanded, kEvaluating, kDone };
  struct TNode {
    const TFormulaCode* code = nullptr;
    TFormulaResult result;
    std::int32_t sheet = 0;
    std::int32_t row = 0;
    std::int32_t stackPos = -1;
    std::uint16_t col = 0;
    std::uint8_t state = kPending;
    bool circular = false;
  };
  static_assert(sizeof(TNode) <= 80, "a node per formula cell stays small");
  // A defined name's compiled formula.
  struct TNameCode {
    std::shared_ptr<TFormulaCode> code;
    std::int32_t sheet = 0;  // the sheet it belongs to (zero-based), -1 for the workbook
    bool ok = false;
  };
  // A running SUM down one column: rows row1..row2 added so far.
  struct TRunningSum {
    std::int32_t row2 = -1;
    double sum = 0;
    bool hasError = false;
    TEvalError error = TEvalError::Value;
    bool untrusted = false;  // a cell added has no result
    bool recalc = false;     // a cell added changes on opening
    std::string why;
  };

  static std::uint64_t Key(std::int32_t sheet, std::int32_t row, std::int32_t col) noexcept {
    return (static_cast<std::uint64_t>(sheet) << 40) | (static_cast<std::uint64_t>(row) << 16) |
           static_cast<std::uint64_t>(col);
  }
  void Collect();
  /// The formula cell there, or nullptr. Cells asked for in the order the save
  /// writes them are found without a search.
  TNode* Node(std::int32_t sheet, std::int32_t row, std::int32_t col);
  /// Calls f(node index) for every formula cell the code names directly or
  /// through defined names.
  template <class F>
  void ForEachDependency(const TFormulaCode& code, std::int32_t sheet, std::int32_t depth, F&& f);
  template <class F>
  void FormulaCellsIn(std::int32_t sheet, std::int32_t row1, std::int32_t col1, std::int32_t row2,
                      std::int32_t col2, F&& f);
  void Order();
  void MarkCircle(const std::vector<std::uint32_t>& stack, std::int32_t from);
  void Evaluate(std::uint32_t index);
  TValue NodeValue(TNode& node);
  TValue PlainCellValue(std::int32_t sheet, std::int32_t row, std::int32_t col, bool& isFormula);

  // The interpreter (eval_interpreter.cpp).
  TValue Execute(const TFormulaCode& code, std::int32_t depth);
  TValue Call(const TCodeItem& item, std::vector<TValue>& stack, std::size_t first);
  TValue NameValue(const TFormulaCode& code, const TCodeItem& item, std::int32_t depth);
  bool SheetRange(const TFormulaCode& code, const TCodeItem& item, std::int32_t& first, std::int32_t& last);
  TValue RunningSum(const TArea& area);
  TNameCode* FindName(std::string_view name, std::string_view sheetName, std::int32_t sheet);
  /// The final value of a formula in a cell: one value, never Empty.
  TValue CellResult(const TValue& v);

  TXLSWorkbook& book_;
  std::vector<TNode> nodes_;
  std::unordered_map<std::uint32_t, std::string> whys_;  // node -> why it has no result
  std::vector<std::vector<TValue>> spareStacks_;  // operand stacks for Execute to reuse
  std::uint32_t cursor_ = 0;  // the node the save's walk of the cells reaches next
  // Per sheet, per column: the formula cells by ascending row.
  std::vector<std::vector<std::vector<std::uint32_t>>> columns_;
  std::unordered_map<const TXLSDefinedName*, TNameCode> names_;
  std::unordered_map<std::string, std::int32_t> sheetPositions_;
  std::unordered_map<std::uint64_t, TRunningSum> sums_;
  std::unordered_map<std::uint64_t, std::shared_ptr<void>> memo_;
  std::vector<std::unique_ptr<TFormulaCode>> owned_;  // codes compiled by the engine
  std::int32_t curSheet_ = 0, curRow_ = 0, curCol_ = 0;
  std::int32_t current_ = -1;  // node being evaluated, -1 none
  bool volatile_ = false;
  bool dependsVolatile_ = false;
  bool untrusted_ = false;
  std::string why_;
  std::int32_t nesting_ = 0;  // evaluations started from inside another
  double now_ = 0;
  std::mt19937_64 random_;
};

}  // namespace tablirex::eval
