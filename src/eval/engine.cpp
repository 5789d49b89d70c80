// The engine's view of the workbook and the order in which the formula cells are
// worked out: each after the cells it names, without recursion, so that a chain
// of any length cannot exhaust the stack; a cell met again on its own path is a
// circular reference.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <tuple>

#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "cells/sst.h"
#include "eval/engine_impl.h"
#include "formats/xf_list.h"
#include "formula/formula.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/sheet_collection.h"

namespace tablirex::eval {

namespace {

// Serial date-time of the moment, local time.
double LocalNow() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  // Days from 1899-12-30 to 1970-01-01: 25569.
  const std::int64_t days = [&] {
    std::int64_t y = tm.tm_year + 1900, m = tm.tm_mon + 1;
    const std::int64_t d = tm.tm_mday;
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;  // days since 1970-01-01
  }();
  return static_cast<double>(days + 25569) + (tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) / 86400.0;
}

}  // namespace

TWorkbookEvaluator::TWorkbookEvaluator(TXLSWorkbook& book) : engine_(std::make_unique<TEngine>(book)) {}
TWorkbookEvaluator::~TWorkbookEvaluator() = default;
void TWorkbookEvaluator::Run() { engine_->Run(); }
std::int32_t TWorkbookEvaluator::WarnUnresolved() { return engine_->WarnUnresolved(); }
const TFormulaResult* TWorkbookEvaluator::Result(std::int32_t sheet, std::int32_t row, std::int32_t col) const {
  return engine_->Result(sheet, row, col);
}
const TFormulaCode* TWorkbookEvaluator::Code(std::int32_t sheet, std::int32_t row, std::int32_t col) const {
  return engine_->Code(sheet, row, col);
}
TValue TWorkbookEvaluator::Evaluate(std::string_view formula, std::int32_t sheet, std::int32_t row,
                                    std::int32_t col, std::int32_t baseRow, std::int32_t baseCol) {
  return engine_->EvaluateText(formula, sheet, row, col, baseRow, baseCol);
}

TWorkbookEvaluator::TEngine::TEngine(TXLSWorkbook& book)
    : book_(book),
      now_(LocalNow()),
      random_(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())) {}

std::int32_t TWorkbookEvaluator::TEngine::SheetCount() const {
  return static_cast<std::int32_t>(book_.Sheets().Size());
}

std::u16string TWorkbookEvaluator::TEngine::SheetName(std::int32_t sheet) const {
  if (sheet < 0 || sheet >= SheetCount()) return {};
  return book_.Sheets().At(static_cast<std::size_t>(sheet)).Name();
}

double TWorkbookEvaluator::TEngine::Random() {
  return std::uniform_real_distribution<double>(0.0, 1.0)(random_);
}

std::u16string TWorkbookEvaluator::TEngine::CellFormat(std::int32_t sheet, std::int32_t row, std::int32_t col) {
  if (sheet < 0 || sheet >= SheetCount()) return u"General";
  const TXLSCellRef* cell = book_.Sheets().At(static_cast<std::size_t>(sheet)).Cells().GetValue(
      static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col));
  if (!cell || cell->XF <= 0) return u"General";
  const std::u16string& f = book_.XFList().GetNumFormat(cell->XF);
  return f.empty() ? u"General" : f;
}

void TWorkbookEvaluator::TEngine::MarkUncomputable(std::string_view why) {
  if (!untrusted_) why_ = std::string(why);
  untrusted_ = true;
}

int TWorkbookEvaluator::TEngine::IsSubtotalCell(std::int32_t sheet, std::int32_t row, std::int32_t col) {
  constexpr std::int32_t kFuncSubtotal = 344;
  const TNode* node = Node(sheet, row, col);
  if (!node || !node->code) return 0;
  for (const TCodeItem& item : node->code->items)
    if (item.op == TCodeOp::Func && item.row1 == kFuncSubtotal) return 1;
  return 0;
}

int TWorkbookEvaluator::TEngine::IsRowHidden(std::int32_t sheet, std::int32_t row) {
  if (sheet < 0 || sheet >= SheetCount()) return 0;
  IXLSWorksheet& ws = book_.Sheets().At(static_cast<std::size_t>(sheet));
  if (!ws.RowInfo().GetHidden(row)) return 0;
  // Under an autofilter a hidden row may count as filtered out, which even
  // SUBTOTAL 1-11 leaves out: that is not for us to tell.
  return ws.AutoFilterMode() ? -1 : 1;
}

// ---- cells ------------------------------------------------------------------------------

void TWorkbookEvaluator::TEngine::Collect() {
  TXLSWorkSheets& sheets = book_.Sheets();
  columns_.assign(sheets.Size(), {});
  std::size_t count = 0;
  for (std::size_t s = 0; s < sheets.Size(); ++s) count += sheets.At(s).Cells().FormulaCount();
  nodes_.reserve(count);
  for (std::size_t s = 0; s < sheets.Size(); ++s) {
    IXLSWorksheet& sheet = sheets.At(s);
    TXLSCellHeap& store = sheet.Cells();
    if (store.FormulaCount() == 0) continue;  // a sheet of values is not walked
    auto& cols = columns_[s];
    store.ForEach([&](TXLSCellRef& cell) {
      if (cell.ValueType != xlFormula || (cell.IsMerged && !cell.IsMergeOwner)) return;
      const auto i = static_cast<std::uint32_t>(nodes_.size());
      TNode& node = nodes_.emplace_back();
      node.sheet = static_cast<std::int32_t>(s);
      node.row = cell.Row;
      node.col = cell.Col;
      node.code = store.FormulaCode(cell);
      if (!node.code) {
        std::string error;
        node.code = book_.CellFormulaCode(sheet, cell, &error);
        if (!node.code) whys_[i] = error.empty() ? "the formula does not compile" : error;
      }
      if (cols.size() <= cell.Col) cols.resize(static_cast<std::size_t>(cell.Col) + 1);
      cols[cell.Col].push_back(i);
    });
  }
}

TWorkbookEvaluator::TEngine::TNode* TWorkbookEvaluator::TEngine::Node(std::int32_t sheet, std::int32_t row,
                                                                     std::int32_t col) {
  if (cursor_ < nodes_.size()) {
    TNode& n = nodes_[cursor_];
    if (n.sheet == sheet && n.row == row && n.col == col) {
      ++cursor_;
      return &n;
    }
  }
  if (sheet < 0 || static_cast<std::size_t>(sheet) >= columns_.size() || col < 0) return nullptr;
  const auto& cols = columns_[static_cast<std::size_t>(sheet)];
  if (static_cast<std::size_t>(col) >= cols.size()) return nullptr;
  const auto& rows = cols[static_cast<std::size_t>(col)];
  const auto it = std::lower_bound(rows.begin(), rows.end(), row,
                                   [&](std::uint32_t i, std::int32_t r) { return nodes_[i].row < r; });
  if (it == rows.end() || nodes_[*it].row != row) return nullptr;
  cursor_ = *it + 1;
  return &nodes_[*it];
}

const TFormulaResult* TWorkbookEvaluator::TEngine::Result(std::int32_t sheet, std::int32_t row, std::int32_t col) {
  const TNode* n = Node(sheet, row, col);
  return n ? &n->result : nullptr;
}

const TFormulaCode* TWorkbookEvaluator::TEngine::Code(std::int32_t sheet, std::int32_t row, std::int32_t col) {
  const std::uint32_t saved = cursor_;
  const TNode* n = Node(sheet, row, col);
  cursor_ = saved;  // the result is asked for next
  return n ? n->code : nullptr;
}

TValue TWorkbookEvaluator::TEngine::PlainCellValue(std::int32_t sheet, std::int32_t row, std::int32_t col,
                                                   bool& isFormula) {
  isFormula = false;
  if (sheet < 0 || sheet >= SheetCount() || row < 0 || col < 0) return {};
  IXLSWorksheet& ws = book_.Sheets().At(static_cast<std::size_t>(sheet));
  const TXLSCellRef* cell = ws.Cells().GetValue(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col));
  if (!cell || (cell->IsMerged && !cell->IsMergeOwner)) return {};
  switch (cell->ValueType) {
    case xlString: return TValue::Text(std::u16string(book_.StringTable().GetValue(cell->SSTIndex)));
    case xlDoubleNumber:
    case xlDateTime: return TValue::Number(cell->NumValue);
    case xlBoolean: return TValue::Boolean(cell->NumValue != 0);
    case xlFormula: isFormula = true; return {};
    default: return {};
  }
}

TValue TWorkbookEvaluator::TEngine::CellValue(std::int32_t sheet, std::int32_t row, std::int32_t col) {
  bool isFormula = false;
  TValue v = PlainCellValue(sheet, row, col, isFormula);
  if (!isFormula) return v;
  TNode* node = Node(sheet, row, col);
  return node ? NodeValue(*node) : TValue();
}

TValue TWorkbookEvaluator::TEngine::NodeValue(TNode& node) {
  if (node.state == kExpanded || node.state == kEvaluating) {
    // Reached again while it is being worked out: a circle the order did not
    // see (a reference made at run time).
    MarkUncomputable("circular reference through a reference made while working it out");
    return TValue::Error(TEvalError::NA);
  }
  if (node.state != kDone) {
    // A cell named at run time (OFFSET, INDIRECT...) that the order has not
    // reached yet: worked out now, to a bounded depth.
    if (nesting_ >= 64) {
      MarkUncomputable("references made at run time nest too deeply");
      return TValue::Error(TEvalError::NA);
    }
    const auto saved = std::make_tuple(curSheet_, curRow_, curCol_, current_, volatile_, dependsVolatile_,
                                       untrusted_, why_);
    ++nesting_;
    Evaluate(static_cast<std::uint32_t>(&node - nodes_.data()));
    --nesting_;
    std::tie(curSheet_, curRow_, curCol_, current_, volatile_, dependsVolatile_, untrusted_, why_) = saved;
  }
  if (!node.result.trusted) MarkUncomputable("it depends on " + book_.Sheets().At(static_cast<std::size_t>(node.sheet))
                                                                 .CellName(static_cast<std::uint32_t>(node.row),
                                                                           static_cast<std::uint32_t>(node.col),
                                                                           static_cast<std::uint32_t>(node.row),
                                                                           static_cast<std::uint32_t>(node.col)) +
                                             ", which has no result");
  if (node.result.isVolatile || node.result.recalc) dependsVolatile_ = true;
  return node.result.value;
}

void TWorkbookEvaluator::TEngine::ForEachCell(
    const TArea& area, const std::function<bool(std::int32_t, std::int32_t, std::int32_t, const TValue&)>& visit) {
  for (std::int32_t s = std::max(0, area.sheetFirst); s <= area.sheetLast && s < SheetCount(); ++s) {
    TXLSCellHeap& store = book_.Sheets().At(static_cast<std::size_t>(s)).Cells();
    if (store.RowCount() <= 0 || store.ColCount() <= 0) continue;
    const std::int32_t r1 = std::max(area.row1, store.FirstRow()), r2 = std::min(area.row2, store.LastRow());
    const std::int32_t c1 = std::max(area.col1, store.FirstCol()), c2 = std::min(area.col2, store.LastCol());
    for (std::int32_t r = r1; r <= r2; ++r)
      for (std::int32_t c = c1; c <= c2; ++c) {
        if (!store.GetValue(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c))) continue;
        const TValue v = CellValue(s, r, c);
        if (v.IsEmpty()) continue;
        if (!visit(s, r, c, v)) return;
      }
  }
}

TValue TWorkbookEvaluator::TEngine::ResolveReference(std::u16string_view text, bool a1) {
  if (!a1) {
    MarkUncomputable("references in R1C1 form are not worked out");
    return TValue::Error(TEvalError::Ref);
  }
  std::string t = Utf16ToUtf8(text);
  std::int32_t sheet = curSheet_;
  if (const std::size_t bang = t.rfind('!'); bang != std::string::npos) {
    std::string name = t.substr(0, bang);
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') {
      std::string unq;
      for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        unq.push_back(name[i]);
        if (name[i] == '\'' && i + 2 < name.size() && name[i + 1] == '\'') ++i;
      }
      name = unq;
    }
    const std::int32_t p = book_.GetSheetIndexByName(Utf8ToUtf16(name));
    if (p < 1) return TValue::Error(TEvalError::Ref);
    sheet = p - 1;
    t = t.substr(bang + 1);
  }
  TArea a;
  a.sheetFirst = a.sheetLast = sheet;
  bool r1 = false, c1 = false;
  const std::size_t colon = t.find(':');
  if (colon == std::string::npos) {
    if (!ParseCodeCell(t, a.row1, a.col1, r1, c1)) return TValue::Error(TEvalError::Ref);
    a.row2 = a.row1;
    a.col2 = a.col1;
  } else if (!ParseCodeCell(t.substr(0, colon), a.row1, a.col1, r1, c1) ||
             !ParseCodeCell(t.substr(colon + 1), a.row2, a.col2, r1, c1)) {
    return TValue::Error(TEvalError::Ref);
  }
  if (a.row1 > a.row2) std::swap(a.row1, a.row2);
  if (a.col1 > a.col2) std::swap(a.col1, a.col2);
  return TValue::Reference(a);
}

// ---- order ----------------------------------------------------------------------------------

template <class F>
void TWorkbookEvaluator::TEngine::FormulaCellsIn(std::int32_t sheet, std::int32_t row1, std::int32_t col1,
                                                 std::int32_t row2, std::int32_t col2, F&& f) {
  if (sheet < 0 || static_cast<std::size_t>(sheet) >= columns_.size()) return;
  const auto& cols = columns_[static_cast<std::size_t>(sheet)];
  if (row1 > row2) std::swap(row1, row2);
  if (col1 > col2) std::swap(col1, col2);
  const std::int32_t last = std::min<std::int32_t>(col2, static_cast<std::int32_t>(cols.size()) - 1);
  for (std::int32_t c = std::max(0, col1); c <= last; ++c) {
    const auto& rows = cols[static_cast<std::size_t>(c)];
    if (rows.empty()) continue;
    auto it = std::lower_bound(rows.begin(), rows.end(), row1,
                               [&](std::uint32_t i, std::int32_t r) { return nodes_[i].row < r; });
    for (; it != rows.end() && nodes_[*it].row <= row2; ++it) f(*it);
  }
}

template <class F>
void TWorkbookEvaluator::TEngine::ForEachDependency(const TFormulaCode& code, std::int32_t sheet,
                                                    std::int32_t depth, F&& f) {
  for (const TCodeItem& item : code.items) {
    switch (item.op) {
      case TCodeOp::Ref:
      case TCodeOp::Area: FormulaCellsIn(sheet, item.row1, item.col1, item.row2, item.col2, f); break;
      case TCodeOp::Ref3d:
      case TCodeOp::Area3d: {
        std::int32_t first = 0, last = 0;
        if (!SheetRange(code, item, first, last)) break;
        for (std::int32_t s = first; s <= last; ++s) FormulaCellsIn(s, item.row1, item.col1, item.row2, item.col2, f);
        break;
      }
      case TCodeOp::Name: {
        if (depth > 16) break;
        TNameCode* n = FindName(code.texts[static_cast<std::size_t>(item.text)],
                                code.texts[static_cast<std::size_t>(item.text) + 1], sheet);
        if (n && n->ok) ForEachDependency(*n->code, n->sheet >= 0 ? n->sheet : sheet, depth + 1, f);
        break;
      }
      default: break;
    }
  }
}

void TWorkbookEvaluator::TEngine::MarkCircle(const std::vector<std::uint32_t>& stack, std::int32_t from) {
  for (std::size_t k = static_cast<std::size_t>(std::max(0, from)); k < stack.size(); ++k)
    if (nodes_[stack[k]].state == kExpanded) nodes_[stack[k]].circular = true;
}

void TWorkbookEvaluator::TEngine::Order() {
  std::vector<std::uint32_t> stack;
  for (std::uint32_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].state == kDone) continue;
    stack.push_back(i);
    while (!stack.empty()) {
      const std::uint32_t x = stack.back();
      TNode& n = nodes_[x];
      if (n.state == kDone) {
        stack.pop_back();
        continue;
      }
      if (n.state == kPending) {
        n.state = kExpanded;
        n.stackPos = static_cast<std::int32_t>(stack.size() - 1);
      }
      const std::size_t before = stack.size();
      if (n.code && !n.circular) {
        ForEachDependency(*n.code, n.sheet, 0, [&](std::uint32_t d) {
          TNode& m = nodes_[d];
          if (m.state == kDone) return;
          if (m.state == kExpanded) {
            MarkCircle(stack, m.stackPos);
            return;
          }
          stack.push_back(d);
        });
      }
      if (stack.size() == before) {
        stack.pop_back();
        Evaluate(x);
      }
    }
  }
}

void TWorkbookEvaluator::TEngine::Evaluate(std::uint32_t index) {
  TNode& n = nodes_[index];
  n.state = kEvaluating;
  TFormulaResult& r = n.result;
  if (n.circular || !n.code) {
    r.value = TValue::Error(TEvalError::NA);
    r.trusted = false;
    r.recalc = true;
    if (n.circular) whys_[index] = "circular reference";
    n.state = kDone;
    n.stackPos = -1;
    return;
  }
  curSheet_ = n.sheet;
  curRow_ = n.row;
  curCol_ = n.col;
  current_ = static_cast<std::int32_t>(index);
  volatile_ = dependsVolatile_ = untrusted_ = false;
  why_.clear();
  const TValue v = CellResult(Execute(*n.code, 0));
  TNode& m = nodes_[index];  // (no reallocation happens, but stay safe)
  m.result.value = v;
  m.result.isVolatile = volatile_;
  m.result.recalc = volatile_ || dependsVolatile_ || untrusted_;
  m.result.trusted = !untrusted_;
  if (untrusted_) {
    m.result.value = TValue::Error(TEvalError::NA);
    whys_[index] = why_;
  }
  m.state = kDone;
  m.stackPos = -1;
  current_ = -1;
}

void TWorkbookEvaluator::TEngine::Run() {
  Collect();
  Order();
  cursor_ = 0;
}

std::int32_t TWorkbookEvaluator::TEngine::WarnUnresolved() {
  TXLSWorkSheets& sheets = book_.Sheets();
  for (std::uint32_t i = 0; i < nodes_.size(); ++i) {
    const TNode& n = nodes_[i];
    if (n.result.trusted) continue;
    const std::string where =
        sheets.At(static_cast<std::size_t>(n.sheet))
            .CellName(static_cast<std::uint32_t>(n.row), static_cast<std::uint32_t>(n.col),
                      static_cast<std::uint32_t>(n.row), static_cast<std::uint32_t>(n.col));
    std::int32_t r = xlsOK;
    if (n.circular)
      r = book_.Warn(where, "circular reference: no result stored; the formula is worked out when the file is opened",
                     "circular references (no result stored)");
    else
      r = book_.Warn(where, "no result stored (" + whys_[i] + "); the formula is worked out when the file is opened",
                     "formulas the save could not work out (no result stored)");
    if (r != xlsOK) return r;
  }
  return xlsOK;
}

TValue TWorkbookEvaluator::TEngine::EvaluateText(std::string_view formula, std::int32_t sheet, std::int32_t row,
                                                 std::int32_t col, std::int32_t baseRow, std::int32_t baseCol) {
  TXLSFormula& compiler = book_.InitFormula();
  auto code = std::make_unique<TFormulaCode>();
  while (!formula.empty() && (formula.front() == '=' || formula.front() == ' ')) formula.remove_prefix(1);
  if (compiler.Compile(formula, 1) != xlsOK || !compiler.MakeCode(*code)) return TValue::Error(TEvalError::Value);
  // Relative references move with the cell from the one they were written for.
  const std::int32_t dr = row - baseRow, dc = col - baseCol;
  for (TCodeItem& item : code->items) {
    if (item.op != TCodeOp::Ref && item.op != TCodeOp::Area && item.op != TCodeOp::Ref3d &&
        item.op != TCodeOp::Area3d)
      continue;
    if (item.flags & kCodeRow1Relative) item.row1 += dr;
    if (item.flags & kCodeCol1Relative) item.col1 += dc;
    if (item.flags & kCodeRow2Relative) item.row2 += dr;
    if (item.flags & kCodeCol2Relative) item.col2 += dc;
    if (std::min({item.row1, item.col1, item.row2, item.col2}) < 0) return TValue::Error(TEvalError::Ref);
  }
  curSheet_ = sheet;
  curRow_ = row;
  curCol_ = col;
  volatile_ = dependsVolatile_ = untrusted_ = false;
  TValue v = CellResult(Execute(*code, 0));
  owned_.push_back(std::move(code));
  return untrusted_ ? TValue::Error(TEvalError::NA) : v;
}

}  // namespace tablirex::eval
