#include "formula/formula_code.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "formula/function_table.h"
#include "formula/parser.h"

namespace tablirex {
namespace {

using I = TXLSItemKind;

struct TErrorName {
  std::string_view name;
  std::uint8_t code;
};
constexpr TErrorName kErrors[] = {{"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17},
                                  {"#NAME?", 0x1D}, {"#NUM!", 0x24},   {"#N/A", 0x2A}};

std::int32_t ErrorCode(std::string_view name) noexcept {
  for (const TErrorName& e : kErrors)
    if (e.name == name) return e.code;
  return -1;
}

bool Number(std::string_view text, double& value) noexcept {
  const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
  return res.ec == std::errc() && res.ptr == text.data() + text.size() && std::isfinite(value);
}

class TBuilder {
 public:
  TBuilder(const THashFunc& functions, TFormulaCode& code, std::string& error)
      : funcs_(functions), code_(code), error_(error) {}

  bool Item(const TXLSSyntaxItem& item, std::int32_t cls, bool arrayContext) {
    TCodeItem out;
    out.cls = static_cast<std::uint8_t>(cls);
    out.pos = item.Pos();
    if (arrayContext) out.flags |= kCodeArrayContext;
    switch (item.Kind()) {
      case I::Number: {
        out.op = TCodeOp::Number;
        double v = 0;
        if (!Number(item.Text(), v)) return Fail("the number " + item.Text() + " is out of range", item);
        out.SetNum(v);
        break;
      }
      case I::String:
        out.op = TCodeOp::String;
        out.text = Text(item.Text());
        break;
      case I::Bool:
        out.op = TCodeOp::Bool;
        out.SetNum(IsTrue(item.Text()) ? 1 : 0);
        break;
      case I::Error:
        out.op = TCodeOp::Error;
        if (ErrorCode(item.Text()) < 0) return Fail("unknown error constant " + item.Text(), item);
        out.SetNum(ErrorCode(item.Text()));
        break;
      case I::Missing: out.op = TCodeOp::Missing; break;
      case I::Array: {
        out.op = TCodeOp::Array;
        out.col1 = item.Columns() > 0 ? item.Columns() : 1;
        out.row1 = item.Count() / out.col1;
        out.row2 = static_cast<std::int32_t>(code_.consts.size());
        code_.hasArrays = true;
        for (std::int32_t i = 1; i <= item.Count(); ++i) {
          const TXLSSyntaxItem& v = *item.GetChild(i);
          TCodeConst c;
          switch (v.Kind()) {
            case I::Number:
              c.kind = TCodeOp::Number;
              if (!Number(v.Text(), c.num)) return Fail("the number " + v.Text() + " is out of range", v);
              break;
            case I::String:
              c.kind = TCodeOp::String;
              c.text = Text(v.Text());
              break;
            case I::Bool:
              c.kind = TCodeOp::Bool;
              c.num = IsTrue(v.Text()) ? 1 : 0;
              break;
            case I::Error:
              c.kind = TCodeOp::Error;
              c.num = ErrorCode(v.Text());
              break;
            default: return Fail("an array constant holds constants only", v);
          }
          code_.consts.push_back(c);
        }
        break;
      }
      case I::Reference:
        if (!Reference(item, out)) return false;
        break;
      case I::Function: {
        const THashFuncEntry* f = funcs_.GetValue(item.Text());
        if (f == nullptr) return Fail("unknown function " + item.Text(), item);
        const std::int32_t argc = item.Count();
        if (argc < f->minArgs || argc > f->maxArgs || argc > 255)
          return Fail(item.Text() + " takes " + std::to_string(f->minArgs) +
                          (f->IsFixed() ? "" : " to " + std::to_string(f->maxArgs)) + " arguments, not " +
                          std::to_string(argc),
                      item);
        // Arguments of a function that takes arrays are worked out as whole arrays.
        const bool inner = arrayContext || f->argClass == 2;
        for (std::int32_t i = 1; i <= argc; ++i)
          if (!Item(*item.GetChild(i), f->argClass, inner)) return false;
        out.op = TCodeOp::Func;
        out.row1 = f->funcNumber;
        out.argc = static_cast<std::uint8_t>(argc);
        if (f->IsFixed()) out.flags |= kCodeFixedCount;
        break;
      }
      case I::Union:
      case I::Intersect:
        if (item.Count() != 2) return Fail("cannot compile \"" + item.Text() + "\"", item);
        if (!Item(*item.GetChild(1), 0, arrayContext) || !Item(*item.GetChild(2), 0, arrayContext)) return false;
        out.op = item.Kind() == I::Union ? TCodeOp::Union : TCodeOp::Isect;
        break;
      default: {
        switch (item.Kind()) {
          case I::Add: out.op = TCodeOp::Add; break;
          case I::Subtract: out.op = TCodeOp::Sub; break;
          case I::Multiply: out.op = TCodeOp::Mul; break;
          case I::Divide: out.op = TCodeOp::Div; break;
          case I::Power: out.op = TCodeOp::Power; break;
          case I::Concat: out.op = TCodeOp::Concat; break;
          case I::Less: out.op = TCodeOp::LT; break;
          case I::LessEqual: out.op = TCodeOp::LE; break;
          case I::Equal: out.op = TCodeOp::EQ; break;
          case I::GreaterEqual: out.op = TCodeOp::GE; break;
          case I::Greater: out.op = TCodeOp::GT; break;
          case I::NotEqual: out.op = TCodeOp::NE; break;
          case I::UnaryPlus: out.op = TCodeOp::Uplus; break;
          case I::UnaryMinus: out.op = TCodeOp::Uminus; break;
          case I::Percent: out.op = TCodeOp::Percent; break;
          case I::Paren: out.op = TCodeOp::Paren; break;
          default: return Fail("cannot compile \"" + item.Text() + "\"", item);
        }
        if (item.Count() < 1) return Fail("cannot compile \"" + item.Text() + "\"", item);
        // Operands of operators, parentheses and signs are in array class.
        for (std::int32_t i = 1; i <= item.Count(); ++i)
          if (!Item(*item.GetChild(i), 2, arrayContext)) return false;
        break;
      }
    }
    code_.items.push_back(out);
    return true;
  }

 private:
  static bool IsTrue(std::string_view word) noexcept { return word.size() == 4; }

  std::int32_t Text(std::string_view s) {
    code_.texts.emplace_back(s);
    return static_cast<std::int32_t>(code_.texts.size() - 1);
  }

  bool Fail(std::string message, const TXLSSyntaxItem& item) {
    if (error_.empty()) error_ = std::move(message) + " at position " + std::to_string(item.Pos());
    return false;
  }

  bool Reference(const TXLSSyntaxItem& item, TCodeItem& out) {
    std::string_view text = item.Text();
    std::string_view sheets;
    if (const std::size_t bang = text.rfind('!'); bang != std::string_view::npos) {
      sheets = text.substr(0, bang);
      text = text.substr(bang + 1);
    }
    const std::size_t colon = text.find(':');
    bool r1 = false, c1 = false, r2 = false, c2 = false;
    bool ok = false;
    if (colon == std::string_view::npos) {
      ok = ParseCodeCell(text, out.row1, out.col1, r1, c1);
      out.row2 = out.row1;
      out.col2 = out.col1;
      r2 = r1;
      c2 = c1;
    } else {
      ok = ParseCodeCell(text.substr(0, colon), out.row1, out.col1, r1, c1) &&
           ParseCodeCell(text.substr(colon + 1), out.row2, out.col2, r2, c2);
      bool cols1 = false, cols2 = false, rel1 = false, rel2 = false;
      std::int32_t i1 = 0, i2 = 0;
      if (!ok && ParseCodeLine(text.substr(0, colon), cols1, i1, rel1) &&
          ParseCodeLine(text.substr(colon + 1), cols2, i2, rel2) && cols1 == cols2) {
        // Whole columns or rows: the other side spans the sheet and has no
        // marker to keep, so it stays absolute.
        ok = true;
        if (cols1) {
          out.row1 = 0;
          out.row2 = kCodeMaxRows - 1;
          out.col1 = i1;
          out.col2 = i2;
          c1 = rel1;
          c2 = rel2;
          r1 = r2 = false;
          out.flags |= kCodeWholeColumns;
        } else {
          out.col1 = 0;
          out.col2 = kCodeMaxCols - 1;
          out.row1 = i1;
          out.row2 = i2;
          r1 = rel1;
          r2 = rel2;
          c1 = c2 = false;
          out.flags |= kCodeWholeRows;
        }
      }
    }
    if (!ok) {
      if (text.find('$') != std::string_view::npos || colon != std::string_view::npos)
        return Fail("\"" + std::string(text) + "\" is not a cell or area address", item);
      // A defined name, of the workbook or (Sheet1!Rate) of one sheet.
      out.op = TCodeOp::Name;
      out.text = Text(text);
      Text(sheets);
      return true;
    }
    out.flags |= (r1 ? kCodeRow1Relative : 0) | (c1 ? kCodeCol1Relative : 0) | (r2 ? kCodeRow2Relative : 0) |
                 (c2 ? kCodeCol2Relative : 0);
    const bool area = colon != std::string_view::npos;
    if (sheets.empty()) {
      out.op = area ? TCodeOp::Area : TCodeOp::Ref;
      return true;
    }
    out.op = area ? TCodeOp::Area3d : TCodeOp::Ref3d;
    const std::size_t range = sheets.find(':');
    const std::string_view first = range == std::string_view::npos ? sheets : sheets.substr(0, range);
    const std::string_view last = range == std::string_view::npos ? sheets : sheets.substr(range + 1);
    if (first.empty() || last.empty()) return Fail("a sheet name is missing before \"!\"", item);
    out.text = Text(first);
    Text(last);
    return true;
  }

  const THashFunc& funcs_;
  TFormulaCode& code_;
  std::string& error_;
};

}  // namespace

bool ParseCodeCell(std::string_view text, std::int32_t& row, std::int32_t& col, bool& rowRelative,
                   bool& colRelative) noexcept {
  std::size_t i = 0;
  colRelative = !(i < text.size() && text[i] == '$');
  if (!colRelative) ++i;
  std::int32_t c = 0, letters = 0;
  while (i < text.size()) {
    char ch = text[i];
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    if (ch < 'A' || ch > 'Z') break;
    c = c * 26 + (ch - 'A' + 1);
    ++i;
    if (++letters > 3) return false;
  }
  if (letters == 0) return false;
  rowRelative = !(i < text.size() && text[i] == '$');
  if (!rowRelative) ++i;
  if (i >= text.size()) return false;
  std::int64_t r = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    r = r * 10 + (text[i] - '0');
    if (r > kCodeMaxRows) return false;
  }
  if (r < 1 || c > kCodeMaxCols) return false;
  row = static_cast<std::int32_t>(r - 1);
  col = c - 1;
  return true;
}

bool ParseCodeLine(std::string_view text, bool& wholeColumns, std::int32_t& index, bool& relative) noexcept {
  std::size_t i = 0;
  relative = !(i < text.size() && text[i] == '$');
  if (!relative) ++i;
  if (i >= text.size()) return false;
  std::int64_t n = 0;
  wholeColumns = (text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z');
  for (std::size_t k = i; k < text.size(); ++k) {
    char ch = text[k];
    if (wholeColumns) {
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
      if (ch < 'A' || ch > 'Z' || k - i >= 3) return false;
      n = n * 26 + (ch - 'A' + 1);
    } else {
      if (ch < '0' || ch > '9') return false;
      n = n * 10 + (ch - '0');
      if (n > kCodeMaxRows) return false;
    }
  }
  if (n < 1 || n > (wholeColumns ? kCodeMaxCols : kCodeMaxRows)) return false;
  index = static_cast<std::int32_t>(n - 1);
  return true;
}

bool BuildFormulaCode(const TXLSSyntaxItem& root, const THashFunc& functions, std::int32_t topClass,
                      TFormulaCode& code, std::string& error) {
  code.items.clear();
  code.texts.clear();
  code.consts.clear();
  code.hasArrays = false;
  error.clear();
  // One item per node: counted first, so that the items take no more room than that.
  std::size_t n = 0;
  std::vector<const TXLSSyntaxItem*> stack{&root};
  while (!stack.empty()) {
    const TXLSSyntaxItem* item = stack.back();
    stack.pop_back();
    ++n;
    if (item->Kind() == I::Array) continue;
    for (std::int32_t i = 1; i <= item->Count(); ++i) stack.push_back(item->GetChild(i));
  }
  code.items.reserve(n);
  TBuilder builder(functions, code, error);
  return builder.Item(root, topClass, false);
}

namespace {

// The room asked for behind the shared code, and where it was given.
struct TTrailingRoom {
  std::size_t bytes = 0;
  void* at = nullptr;
};

// Hands out one block for the shared code and, behind it, room for its items.
// It keeps one pointer, so that the copy the block holds stays small; the block
// is given back whole, without its size.
template <class T>
struct TTrailingAllocator {
  using value_type = T;
  TTrailingRoom* room = nullptr;  // used by allocate alone

  explicit TTrailingAllocator(TTrailingRoom* r) noexcept : room(r) {}
  template <class U>
  TTrailingAllocator(const TTrailingAllocator<U>& o) noexcept : room(o.room) {}

  static constexpr std::size_t Head() noexcept {
    return (sizeof(T) + alignof(TCodeItem) - 1) / alignof(TCodeItem) * alignof(TCodeItem);
  }
  T* allocate(std::size_t n) {
    // Only the shared block itself is asked for, once.
    char* p = static_cast<char*>(::operator new(n * Head() + room->bytes));
    room->at = p + n * Head();
    return reinterpret_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) noexcept { ::operator delete(p); }
  template <class U>
  bool operator==(const TTrailingAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace

std::shared_ptr<const TFormulaCode> KeepFormulaCode(const TFormulaCode& code) {
  const std::size_t n = code.items.size();
  TTrailingRoom room{n * sizeof(TCodeItem), nullptr};
  auto kept = std::allocate_shared<TFormulaCode>(TTrailingAllocator<TFormulaCode>(&room));
  auto* items = static_cast<TCodeItem*>(room.at);
  for (std::size_t i = 0; i < n; ++i) new (items + i) TCodeItem(code.items[i]);
  kept->items.UseFixed(items, n);
  kept->source = code.source;
  kept->texts = code.texts;
  kept->consts = code.consts;
  kept->hasArrays = code.hasArrays;
  kept->compiled = code.compiled;
  return kept;
}

}  // namespace tablirex
