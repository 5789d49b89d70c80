// The interpreter of a formula's code: a value stack over the items in reverse
// Polish order, the operators with the spreadsheet's semantics, references,
// defined names, array constants and calls of the worksheet functions.
#include <algorithm>
#include <cmath>

#include "cells/cell_store.h"
#include "eval/engine_impl.h"
#include "formula/formula.h"
#include "names/name_table.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/sheet_collection.h"
#include "workbook/sheet_extras.h"

namespace tablirex::eval {

namespace {

struct TFunctionName {
  std::int32_t number;
  std::string_view name;
  std::int32_t argClass;  // 0 reference, 1 value, 2 array
};
constexpr TFunctionName kFunctionNames[] = {
#define TXLS_FUNCTION(name, number, least, most, cls) {number, name, cls},
#include "formula/function_table.def"
#undef TXLS_FUNCTION
};

constexpr std::int32_t kFuncSum = 4;
constexpr std::int32_t kFuncAreas = 75;
// Largest range turned into an array for an operator that works on arrays.
constexpr std::int64_t kMaxArrayCells = 1 << 22;
// A SUM down a column at least this long keeps a running total for the next.
constexpr std::int32_t kRunningSumRows = 32;

// A union of references, kept on the stack as an array of references (the
// functions never see it: its members become separate arguments).
bool IsUnion(const TValue& v) noexcept { return v.IsArray() && v.Arr().rows < 0; }

TValue MakeUnion(const TValue& a, const TValue& b) {
  auto u = std::make_shared<TArray>();
  u->rows = -1;
  for (const TValue* v : {&a, &b}) {
    if (IsUnion(*v))
      u->items.insert(u->items.end(), v->Arr().items.begin(), v->Arr().items.end());
    else
      u->items.push_back(*v);
  }
  u->cols = static_cast<std::int32_t>(u->items.size());
  return TValue::MakeArray(std::move(u));
}

bool OppositeSigns(double a, double b) noexcept { return (a < 0 && b > 0) || (a > 0 && b < 0); }

// a + b with the spreadsheet's treatment of a sum that cancels out: a result
// within the last few bits of its operands is 0 (so 0.3-0.2-0.1 is 0).
double ApproxAdd(double a, double b) noexcept {
  const double r = a + b;
  if (OppositeSigns(a, b) && std::fabs(r) < std::max(std::fabs(a), std::fabs(b)) * 0x1p-48) return 0.0;
  return r;
}

TValue Arithmetic(TCodeOp op, const TValue& a, const TValue& b) {
  if (a.IsError()) return a;
  if (b.IsError()) return b;
  const TValue x = ToNumber(a);
  if (x.IsError()) return x;
  const TValue y = ToNumber(b);
  if (y.IsError()) return y;
  const double p = x.Num(), q = y.Num();
  double r = 0;
  switch (op) {
    case TCodeOp::Add: r = ApproxAdd(p, q); break;
    case TCodeOp::Sub: r = ApproxAdd(p, -q); break;
    case TCodeOp::Mul: r = p * q; break;
    case TCodeOp::Div:
      if (q == 0) return TValue::Error(TEvalError::Div0);
      r = p / q;
      break;
    case TCodeOp::Power:
      if (p == 0 && q == 0) return TValue::Error(TEvalError::Num);
      if (p == 0 && q < 0) return TValue::Error(TEvalError::Div0);
      if (p < 0 && q != std::floor(q)) return TValue::Error(TEvalError::Num);
      r = std::pow(p, q);
      break;
    default: return TValue::Error(TEvalError::Value);
  }
  if (!std::isfinite(r)) return TValue::Error(TEvalError::Num);
  return TValue::Number(r);
}

TValue Comparison(TCodeOp op, const TValue& a, const TValue& b) {
  if (a.IsError()) return a;
  if (b.IsError()) return b;
  // Numbers compare as shown: to 15 significant digits.
  const TValue x = a.IsNumber() ? TValue::Number(Round15(a.Num())) : a;
  const TValue y = b.IsNumber() ? TValue::Number(Round15(b.Num())) : b;
  const int c = CompareScalars(x, y);
  switch (op) {
    case TCodeOp::LT: return TValue::Boolean(c < 0);
    case TCodeOp::LE: return TValue::Boolean(c <= 0);
    case TCodeOp::EQ: return TValue::Boolean(c == 0);
    case TCodeOp::GE: return TValue::Boolean(c >= 0);
    case TCodeOp::GT: return TValue::Boolean(c > 0);
    case TCodeOp::NE: return TValue::Boolean(c != 0);
    default: return TValue::Error(TEvalError::Value);
  }
}

TValue Concatenation(const TValue& a, const TValue& b) {
  if (a.IsError()) return a;
  if (b.IsError()) return b;
  const TValue x = ToText(a);
  if (x.IsError()) return x;
  const TValue y = ToText(b);
  if (y.IsError()) return y;
  if (x.Str().size() + y.Str().size() > 32767) return TValue::Error(TEvalError::Value);
  return TValue::Text(x.Str() + y.Str());
}

// One operator on two scalars.
TValue ScalarBinary(TCodeOp op, const TValue& a, const TValue& b) {
  switch (op) {
    case TCodeOp::Concat: return Concatenation(a, b);
    case TCodeOp::LT:
    case TCodeOp::LE:
    case TCodeOp::EQ:
    case TCodeOp::GE:
    case TCodeOp::GT:
    case TCodeOp::NE: return Comparison(op, a, b);
    default: return Arithmetic(op, a, b);
  }
}

TValue ScalarUnary(TCodeOp op, const TValue& a) {
  if (a.IsError()) return a;
  const TValue x = ToNumber(a);
  if (x.IsError()) return x;
  return TValue::Number(op == TCodeOp::Uminus ? -x.Num() : x.Num() / 100.0);
}

}  // namespace

namespace {

constexpr std::int32_t kFuncIf = 1;
constexpr std::int32_t kFuncChoose = 100;

// The arguments (bit i for argument i) a function of values works out item by
// item when given arrays: IF and CHOOSE only their first (whether a range there
// is taken item by item depends on how the cell was entered, so the save leaves
// it to the spreadsheet), NPV its rate; AND, OR, TYPE and the reference and
// information functions take a range as it is.
unsigned LiftedArguments(std::int32_t number) noexcept {
  switch (number) {
    case kFuncIf:
    case kFuncChoose:
    case 11: return 1u;  // NPV
    case 36: case 37: case 83: case 86: case 148: case 150: case 219: case 244: case 267: return 0;
    default: return ~0u;
  }
}

// The token class the function gives its arguments, or -1 for a number it lacks.
std::int32_t ArgClass(std::int32_t number) noexcept {
  for (const TFunctionName& f : kFunctionNames)
    if (f.number == number) return f.argClass;
  return -1;
}

}  // namespace

std::string_view FunctionName(std::int32_t number) noexcept {
  for (const TFunctionName& f : kFunctionNames)
    if (f.number == number) return f.name;
  return {};
}

namespace {

// The values of a reference or an array as an array; a scalar as one item.
std::shared_ptr<const TArray> AsArray(TEvalContext& ctx, const TValue& v) {
  if (v.IsArray()) return std::shared_ptr<const TArray>(std::shared_ptr<const TArray>{}, &v.Arr());
  auto out = std::make_shared<TArray>();
  if (v.IsArea()) {
    const TArea& a = v.Area();
    if (a.sheetFirst != a.sheetLast || a.Rows() * a.Cols() > kMaxArrayCells) {
      out->rows = out->cols = 1;
      out->items.push_back(TValue::Error(TEvalError::Value));
      return out;
    }
    out->rows = static_cast<std::int32_t>(a.Rows());
    out->cols = static_cast<std::int32_t>(a.Cols());
    out->items.reserve(static_cast<std::size_t>(a.Rows() * a.Cols()));
    for (std::int32_t r = a.row1; r <= a.row2; ++r)
      for (std::int32_t c = a.col1; c <= a.col2; ++c) out->items.push_back(ctx.CellValue(a.sheetFirst, r, c));
    return out;
  }
  out->rows = out->cols = 1;
  out->items.push_back(v);
  return out;
}

// True when an operator works item by item on the operand rather than on the one
// value a range stands for.
bool Lifts(const TValue& v, bool arrayContext) noexcept {
  return (v.IsArray() && !IsUnion(v)) || (arrayContext && v.IsArea() && !v.Area().IsCell());
}

}  // namespace

TValue TWorkbookEvaluator::TEngine::CellResult(const TValue& v) {
  TValue s;
  if (IsUnion(v))
    s = TValue::Error(TEvalError::Value);
  else if (v.IsArea() || v.IsArray())
    s = Scalar(*this, v);
  else
    s = v;
  if (s.IsEmpty()) return TValue::Number(0);
  if (s.IsNumber() && !std::isfinite(s.Num())) return TValue::Error(TEvalError::Num);
  if (s.IsText() && s.Str().size() > 32767) return TValue::Error(TEvalError::Value);
  return s;
}

bool TWorkbookEvaluator::TEngine::SheetRange(const TFormulaCode& code, const TCodeItem& item, std::int32_t& first,
                                             std::int32_t& last) {
  const auto position = [&](const std::string& name) {
    auto it = sheetPositions_.find(name);
    if (it == sheetPositions_.end())
      it = sheetPositions_.emplace(name, book_.GetSheetIndexByName(Utf8ToUtf16(name)) - 1).first;
    return it->second;
  };
  first = position(code.texts[static_cast<std::size_t>(item.text)]);
  last = position(code.texts[static_cast<std::size_t>(item.text) + 1]);
  if (first < 0 || last < 0) return false;
  if (first > last) std::swap(first, last);
  return true;
}

TWorkbookEvaluator::TEngine::TNameCode* TWorkbookEvaluator::TEngine::FindName(std::string_view name,
                                                                             std::string_view sheetName,
                                                                             std::int32_t sheet) {
  const std::u16string wide = Utf8ToUtf16(name);
  const TXLSDefinedName* found = nullptr;
  std::int32_t owner = -1;
  TXLSWorkSheets& sheets = book_.Sheets();
  if (!sheetName.empty()) {
    const std::int32_t p = book_.GetSheetIndexByName(Utf8ToUtf16(sheetName));
    if (p < 1) return nullptr;
    sheet = p - 1;
  }
  if (sheet >= 0 && static_cast<std::size_t>(sheet) < sheets.Size())
    if (const TXLSSheetExtras* e = sheets.At(static_cast<std::size_t>(sheet)).ExtrasIfAny())
      if ((found = e->names.Find(wide)) != nullptr) owner = sheet;
  if (!found && sheetName.empty()) found = book_.NameTable().Globals().Find(wide);
  if (!found) return nullptr;
  auto [it, added] = names_.try_emplace(found);
  TNameCode& n = it->second;
  if (added) {
    n.sheet = owner;
    n.code = std::make_shared<TFormulaCode>();
    TXLSFormula& compiler = book_.InitFormula();
    std::string_view text = found->refersTo;
    while (!text.empty() && (text.front() == '=' || text.front() == ' ')) text.remove_prefix(1);
    n.ok = compiler.Compile(text, 1) == xlsOK && compiler.MakeCode(*n.code);
  }
  return &n;
}

TValue TWorkbookEvaluator::TEngine::NameValue(const TFormulaCode& code, const TCodeItem& item, std::int32_t depth) {
  TNameCode* n = FindName(code.texts[static_cast<std::size_t>(item.text)],
                          code.texts[static_cast<std::size_t>(item.text) + 1], curSheet_);
  if (!n || !n->ok) return TValue::Error(TEvalError::Name);
  if (depth >= 16) {
    MarkUncomputable("its names refer to each other too deeply");
    return TValue::Error(TEvalError::Name);
  }
  const std::int32_t saved = curSheet_;
  if (n->sheet >= 0) curSheet_ = n->sheet;
  TValue v = Execute(*n->code, depth + 1);
  curSheet_ = saved;
  return v;
}

TValue TWorkbookEvaluator::TEngine::RunningSum(const TArea& area) {
  TRunningSum& rs = sums_[Key(area.sheetFirst, area.row1, area.col1)];
  if (rs.row2 > area.row2 || rs.row2 < area.row1 - 1) {
    rs = TRunningSum{};
    rs.row2 = area.row1 - 1;
  }
  TXLSCellHeap& store = book_.Sheets().At(static_cast<std::size_t>(area.sheetFirst)).Cells();
  const std::int32_t last = std::min(area.row2, store.LastRow());
  // Added in row order, as SUM adds them: extending the total gives the same sum.
  for (std::int32_t r = rs.row2 + 1; r <= last; ++r) {
    if (!store.GetValue(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(area.col1))) continue;
    const bool wasUntrusted = untrusted_, wasVolatile = dependsVolatile_;
    untrusted_ = dependsVolatile_ = false;
    const TValue v = CellValue(area.sheetFirst, r, area.col1);
    rs.untrusted = rs.untrusted || untrusted_;
    rs.recalc = rs.recalc || dependsVolatile_;
    if (untrusted_ && rs.why.empty()) rs.why = why_;
    untrusted_ = untrusted_ || wasUntrusted;
    dependsVolatile_ = dependsVolatile_ || wasVolatile;
    if (v.IsNumber()) {
      rs.sum += v.Num();
    } else if (v.IsError() && !rs.hasError) {
      rs.hasError = true;
      rs.error = v.Err();
    }
  }
  rs.row2 = area.row2;
  if (rs.untrusted) MarkUncomputable(rs.why);
  if (rs.recalc) dependsVolatile_ = true;
  if (rs.hasError) return TValue::Error(rs.error);
  return TValue::Number(rs.sum);
}

TValue TWorkbookEvaluator::TEngine::Call(const TCodeItem& item, std::vector<TValue>& stack, std::size_t first) {
  const std::int32_t number = item.row1;
  std::span<const TValue> args(stack.data() + first, stack.size() - first);
  bool hasUnion = false;
  for (const TValue& a : args) hasUnion = hasUnion || IsUnion(a);
  std::vector<TValue> expanded;
  if (hasUnion) {
    if (number == kFuncAreas && args.size() == 1) return TValue::Number(args[0].Arr().cols);
    // The members of a union are the function's arguments, one by one.
    if (item.flags & kCodeFixedCount) return TValue::Error(TEvalError::Value);
    for (const TValue& a : args) {
      if (IsUnion(a))
        expanded.insert(expanded.end(), a.Arr().items.begin(), a.Arr().items.end());
      else
        expanded.push_back(a);
    }
    args = std::span<const TValue>(expanded);
  }
  // Below an argument that takes arrays, a function of values given a range
  // works on each of its cells: the range goes in as the array of its values.
  if ((item.flags & kCodeArrayContext) && ArgClass(number) == 1) {
    const unsigned lifted = LiftedArguments(number);
    bool ranges = false;
    for (const TValue& a : args) ranges = ranges || (a.IsArea() && !a.Area().IsCell());
    if (ranges && lifted != 0) {
      if (expanded.empty()) expanded.assign(args.begin(), args.end());
      for (std::size_t i = 0; i < expanded.size(); ++i) {
        TValue& a = expanded[i];
        if (!a.IsArea() || a.Area().IsCell()) continue;
        if (number == kFuncIf || number == kFuncChoose)
          MarkUncomputable(std::string(FunctionName(number)) +
                           " over a range inside an array argument is not worked out by the save");
        else if (i < 32 && ((lifted >> i) & 1u))
          a = TValue::MakeArray(AsArray(*this, a));
      }
      args = std::span<const TValue>(expanded);
    }
  }
  if (number == kFuncSum && args.size() == 1 && args[0].IsArea()) {
    const TArea& a = args[0].Area();
    if (a.sheetFirst == a.sheetLast && a.col1 == a.col2 && a.Rows() >= kRunningSumRows && a.sheetFirst >= 0 &&
        a.sheetFirst < SheetCount())
      return RunningSum(a);
  }
  const TEvalFunction fn = FindFunction(number);
  if (fn == nullptr) {
    const std::string_view name = FunctionName(number);
    MarkUncomputable((name.empty() ? "function " + std::to_string(number) : std::string(name)) +
                     " is not worked out by the save");
    return TValue::Error(TEvalError::NA);
  }
  return fn(*this, args);
}

TValue TWorkbookEvaluator::TEngine::Execute(const TFormulaCode& code, std::int32_t depth) {
  // The operand stack: one an earlier run left, given back at the end (runs nest
  // through names and references made at run time, each with its own).
  struct TLease {
    std::vector<std::vector<TValue>>& spare;
    std::vector<TValue> st;
    explicit TLease(std::vector<std::vector<TValue>>& s) : spare(s) {
      if (!spare.empty()) {
        st = std::move(spare.back());
        spare.pop_back();
      } else {
        st.reserve(8);
      }
    }
    ~TLease() {
      st.clear();
      spare.push_back(std::move(st));
    }
  } lease(spareStacks_);
  std::vector<TValue>& st = lease.st;
  const auto pop = [&] {
    TValue v = std::move(st.back());
    st.pop_back();
    return v;
  };
  for (const TCodeItem& item : code.items) {
    const bool arrayContext = item.flags & kCodeArrayContext;
    switch (item.op) {
      case TCodeOp::Number: st.push_back(TValue::Number(item.Num())); break;
      case TCodeOp::String:
        st.push_back(TValue::Text(Utf8ToUtf16(code.texts[static_cast<std::size_t>(item.text)])));
        break;
      case TCodeOp::Bool: st.push_back(TValue::Boolean(item.Num() != 0)); break;
      case TCodeOp::Error: st.push_back(TValue::Error(static_cast<TEvalError>(static_cast<int>(item.Num())))); break;
      case TCodeOp::Missing: st.push_back(TValue::Missing()); break;
      case TCodeOp::Array: {
        auto a = std::make_shared<TArray>();
        a->rows = item.row1;
        a->cols = item.col1;
        a->items.reserve(static_cast<std::size_t>(item.row1) * static_cast<std::size_t>(item.col1));
        for (std::int32_t k = 0; k < item.row1 * item.col1; ++k) {
          const TCodeConst& c = code.consts[static_cast<std::size_t>(item.row2 + k)];
          switch (c.kind) {
            case TCodeOp::Number: a->items.push_back(TValue::Number(c.num)); break;
            case TCodeOp::String:
              a->items.push_back(TValue::Text(Utf8ToUtf16(code.texts[static_cast<std::size_t>(c.text)])));
              break;
            case TCodeOp::Bool: a->items.push_back(TValue::Boolean(c.num != 0)); break;
            default: a->items.push_back(TValue::Error(static_cast<TEvalError>(static_cast<int>(c.num)))); break;
          }
        }
        st.push_back(TValue::MakeArray(std::move(a)));
        break;
      }
      case TCodeOp::Ref:
      case TCodeOp::Area:
      case TCodeOp::Ref3d:
      case TCodeOp::Area3d: {
        TArea a;
        a.sheetFirst = a.sheetLast = curSheet_;
        if ((item.op == TCodeOp::Ref3d || item.op == TCodeOp::Area3d) && !SheetRange(code, item, a.sheetFirst, a.sheetLast)) {
          st.push_back(TValue::Error(TEvalError::Ref));
          break;
        }
        a.row1 = std::min(item.row1, item.row2);
        a.row2 = std::max(item.row1, item.row2);
        a.col1 = std::min(item.col1, item.col2);
        a.col2 = std::max(item.col1, item.col2);
        st.push_back(TValue::Reference(a));
        break;
      }
      case TCodeOp::Name: st.push_back(NameValue(code, item, depth)); break;
      case TCodeOp::Isect:
      case TCodeOp::Union: {
        if (st.size() < 2) return TValue::Error(TEvalError::Value);
        const TValue b = pop(), a = pop();
        const bool refs = (a.IsArea() || IsUnion(a)) && (b.IsArea() || IsUnion(b));
        if (!refs) {
          st.push_back(a.IsError() ? a : b.IsError() ? b : TValue::Error(TEvalError::Value));
        } else if (item.op == TCodeOp::Union) {
          st.push_back(MakeUnion(a, b));
        } else if (IsUnion(a) || IsUnion(b) || a.Area().sheetFirst != b.Area().sheetFirst ||
                   a.Area().sheetLast != b.Area().sheetLast) {
          st.push_back(TValue::Error(TEvalError::Value));
        } else {
          TArea x = a.Area();
          const TArea& y = b.Area();
          x.row1 = std::max(x.row1, y.row1);
          x.row2 = std::min(x.row2, y.row2);
          x.col1 = std::max(x.col1, y.col1);
          x.col2 = std::min(x.col2, y.col2);
          st.push_back(x.row1 > x.row2 || x.col1 > x.col2 ? TValue::Error(TEvalError::Null) : TValue::Reference(x));
        }
        break;
      }
      case TCodeOp::Uplus:
      case TCodeOp::Paren: break;
      case TCodeOp::Uminus:
      case TCodeOp::Percent: {
        if (st.empty()) return TValue::Error(TEvalError::Value);
        const TValue a = pop();
        if (Lifts(a, arrayContext)) {
          const auto in = AsArray(*this, a);
          auto out = std::make_shared<TArray>();
          out->rows = in->rows;
          out->cols = in->cols;
          out->items.reserve(in->items.size());
          for (const TValue& v : in->items) out->items.push_back(ScalarUnary(item.op, v));
          st.push_back(TValue::MakeArray(std::move(out)));
        } else {
          st.push_back(ScalarUnary(item.op, Scalar(*this, a)));
        }
        break;
      }
      case TCodeOp::Func: {
        if (st.size() < item.argc) return TValue::Error(TEvalError::Value);
        const std::size_t first = st.size() - item.argc;
        TValue r = Call(item, st, first);
        st.resize(first);
        st.push_back(std::move(r));
        break;
      }
      default: {
        // The binary operators.
        if (st.size() < 2) return TValue::Error(TEvalError::Value);
        const TValue b = pop(), a = pop();
        if (!Lifts(a, arrayContext) && !Lifts(b, arrayContext)) {
          st.push_back(ScalarBinary(item.op, Scalar(*this, a), Scalar(*this, b)));
          break;
        }
        const auto x = AsArray(*this, Lifts(a, arrayContext) ? a : Scalar(*this, a));
        const auto y = AsArray(*this, Lifts(b, arrayContext) ? b : Scalar(*this, b));
        // A single row or column stretches over the other operand.
        const std::int32_t rows = x->rows == 1 ? y->rows : y->rows == 1 ? x->rows : std::max(x->rows, y->rows);
        const std::int32_t cols = x->cols == 1 ? y->cols : y->cols == 1 ? x->cols : std::max(x->cols, y->cols);
        auto out = std::make_shared<TArray>();
        out->rows = rows;
        out->cols = cols;
        out->items.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
        for (std::int32_t r = 0; r < rows; ++r)
          for (std::int32_t c = 0; c < cols; ++c) {
            const std::int32_t xr = x->rows == 1 ? 0 : r, xc = x->cols == 1 ? 0 : c;
            const std::int32_t yr = y->rows == 1 ? 0 : r, yc = y->cols == 1 ? 0 : c;
            if (xr >= x->rows || xc >= x->cols || yr >= y->rows || yc >= y->cols)
              out->items.push_back(TValue::Error(TEvalError::NA));
            else
              out->items.push_back(ScalarBinary(item.op, x->At(xr, xc), y->At(yr, yc)));
          }
        st.push_back(TValue::MakeArray(std::move(out)));
        break;
      }
    }
  }
  if (st.size() != 1) return TValue::Error(TEvalError::Value);
  return std::move(st.back());
}

}  // namespace tablirex::eval
