// The compiler's fast road for the formulas most cells hold: cell and area
// references, numbers, strings, TRUE and FALSE, the arithmetic, text and
// comparison operators, parentheses and calls of known functions, written
// without spaces. It makes the code the full road (lexer, parser, code builder)
// would make, item for item, in one pass over the text and without a tree;
// anything else, and anything the full road would refuse, it leaves to that road.
#include <charconv>
#include <cmath>
#include <system_error>

#include "formula/formula_code.h"
#include "formula/function_table.h"

namespace tablirex {
namespace {

bool IsLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) noexcept { return IsLetter(c) || IsDigit(c) || c == '_'; }

class TQuick {
 public:
  TQuick(std::string_view text, const THashFunc& funcs, TFormulaCode& code, std::int32_t offset)
      : s_(text), funcs_(funcs), code_(code), offset_(offset) {}

  bool Run(std::int32_t topClass) {
    std::int32_t pos = 0;
    if (!Expr(topClass, false, pos)) return false;
    return i_ == s_.size();
  }

 private:
  char At(std::size_t k) const noexcept { return k < s_.size() ? s_[k] : '\0'; }
  std::int32_t Pos(std::size_t k) const noexcept { return static_cast<std::int32_t>(k) + 1 + offset_; }

  void Emit(TCodeOp op, std::int32_t cls, bool arrayContext, std::int32_t pos) {
    TCodeItem item;
    item.op = op;
    item.cls = static_cast<std::uint8_t>(cls);
    item.pos = pos;
    if (arrayContext) item.flags |= kCodeArrayContext;
    code_.items.push_back(item);
  }

  // Comparisons, loosest.
  bool Expr(std::int32_t cls, bool ac, std::int32_t& pos) {
    if (++depth_ > 64) return false;
    const std::size_t mark = code_.items.size();
    if (!Additive(cls, ac, pos)) return false;
    for (;;) {
      TCodeOp op;
      std::size_t n = 1;
      const char c = At(i_), d = At(i_ + 1);
      if (c == '=') op = TCodeOp::EQ;
      else if (c == '<' && d == '>') op = TCodeOp::NE, n = 2;
      else if (c == '<' && d == '=') op = TCodeOp::LE, n = 2;
      else if (c == '>' && d == '=') op = TCodeOp::GE, n = 2;
      else if (c == '<') op = TCodeOp::LT;
      else if (c == '>') op = TCodeOp::GT;
      else break;
      // The left side was compiled for the class asked of the whole; operands of
      // operators are in array class.
      Reclass(mark, cls);
      i_ += n;
      std::int32_t p = 0;
      if (!Additive(2, ac, p)) return false;
      Emit(op, cls, ac, pos);
    }
    --depth_;
    return true;
  }

  bool Additive(std::int32_t cls, bool ac, std::int32_t& pos) {
    const std::size_t mark = code_.items.size();
    if (!Term(cls, ac, pos)) return false;
    for (;;) {
      const char c = At(i_);
      TCodeOp op;
      if (c == '+') op = TCodeOp::Add;
      else if (c == '-') op = TCodeOp::Sub;
      else if (c == '&') op = TCodeOp::Concat;
      else break;
      Reclass(mark, cls);
      ++i_;
      std::int32_t p = 0;
      if (!Term(2, ac, p)) return false;
      Emit(op, cls, ac, pos);
    }
    return true;
  }

  bool Term(std::int32_t cls, bool ac, std::int32_t& pos) {
    const std::size_t mark = code_.items.size();
    if (!Power(cls, ac, pos)) return false;
    for (;;) {
      const char c = At(i_);
      TCodeOp op;
      if (c == '*') op = TCodeOp::Mul;
      else if (c == '/') op = TCodeOp::Div;
      else break;
      Reclass(mark, cls);
      ++i_;
      std::int32_t p = 0;
      if (!Power(2, ac, p)) return false;
      Emit(op, cls, ac, pos);
    }
    return true;
  }

  bool Power(std::int32_t cls, bool ac, std::int32_t& pos) {
    const std::size_t mark = code_.items.size();
    if (!Unary(cls, ac, pos)) return false;
    while (At(i_) == '^') {
      Reclass(mark, cls);
      ++i_;
      std::int32_t p = 0;
      if (!Unary(2, ac, p)) return false;
      Emit(TCodeOp::Power, cls, ac, pos);
    }
    return true;
  }

  // An operand that turned out to be an operator's left side: its top item was
  // compiled with the class of the whole and becomes array class.
  void Reclass(std::size_t mark, std::int32_t cls) {
    if (cls != 2 && code_.items.size() > mark) code_.items.back().cls = 2;
  }

  bool Unary(std::int32_t cls, bool ac, std::int32_t& pos) {
    const char c = At(i_);
    if (c == '-' || c == '+') {
      pos = Pos(i_);
      ++i_;
      if (++depth_ > 64) return false;
      std::int32_t p = 0;
      if (!Unary(2, ac, p)) return false;
      --depth_;
      Emit(c == '-' ? TCodeOp::Uminus : TCodeOp::Uplus, cls, ac, pos);
      return true;
    }
    return Primary(cls, ac, pos);
  }

  bool Primary(std::int32_t cls, bool ac, std::int32_t& pos) {
    const char c = At(i_);
    pos = Pos(i_);
    if (c == '(') {
      ++i_;
      std::int32_t p = 0;
      if (!Expr(2, ac, p) || At(i_) != ')') return false;
      ++i_;
      Emit(TCodeOp::Paren, cls, ac, pos);
      return true;
    }
    if (IsDigit(c) || c == '.') return Number(cls, ac, pos);
    if (c == '"') return String(cls, ac, pos);
    if (IsLetter(c) || c == '$') return Word(cls, ac, pos);
    return false;
  }

  bool Number(std::int32_t cls, bool ac, std::int32_t pos) {
    const std::size_t start = i_;
    std::size_t digits = 0;
    while (IsDigit(At(i_))) ++i_, ++digits;
    if (At(i_) == '.') {
      ++i_;
      while (IsDigit(At(i_))) ++i_, ++digits;
    }
    if (digits == 0) return false;
    if ((At(i_) == 'E' || At(i_) == 'e') &&
        (IsDigit(At(i_ + 1)) || ((At(i_ + 1) == '+' || At(i_ + 1) == '-') && IsDigit(At(i_ + 2))))) {
      i_ += At(i_ + 1) == '+' || At(i_ + 1) == '-' ? 2 : 1;
      while (IsDigit(At(i_))) ++i_;
    }
    if (IsNameChar(At(i_)) || At(i_) == '.' || At(i_) == '$' || At(i_) == ':') return false;
    double v = 0;
    const auto res = std::from_chars(s_.data() + start, s_.data() + i_, v);
    if (res.ec != std::errc() || res.ptr != s_.data() + i_ || !std::isfinite(v)) return false;
    Emit(TCodeOp::Number, cls, ac, pos);
    code_.items.back().SetNum(v);
    return true;
  }

  bool String(std::int32_t cls, bool ac, std::int32_t pos) {
    ++i_;
    std::string text;
    for (;;) {
      if (i_ >= s_.size()) return false;
      const char c = s_[i_++];
      if (static_cast<unsigned char>(c) >= 0x80) return false;  // the full road counts its characters
      if (c == '"') {
        if (At(i_) != '"') break;
        ++i_;
      }
      text.push_back(c);
    }
    if (text.size() > 255) return false;
    code_.texts.push_back(std::move(text));
    Emit(TCodeOp::String, cls, ac, pos);
    code_.items.back().text = static_cast<std::int32_t>(code_.texts.size() - 1);
    return true;
  }

  // A cell: [$]letters[$]digits, within A1:IV65536.
  bool Cell(std::int32_t& row, std::int32_t& col, bool& rowRel, bool& colRel) {
    colRel = At(i_) != '$';
    if (!colRel) ++i_;
    std::int32_t c = 0, letters = 0;
    while (IsLetter(At(i_))) {
      c = c * 26 + ((At(i_) | 0x20) - 'a' + 1);
      ++i_;
      if (++letters > 2) return false;
    }
    if (letters == 0 || c > 256) return false;
    rowRel = At(i_) != '$';
    if (!rowRel) ++i_;
    std::int32_t r = 0, digits = 0;
    while (IsDigit(At(i_))) {
      r = r * 10 + (At(i_) - '0');
      ++i_;
      if (++digits > 5) return false;
    }
    if (digits == 0 || r < 1 || r > 65536) return false;
    row = r - 1;
    col = c - 1;
    return true;
  }

  bool Word(std::int32_t cls, bool ac, std::int32_t pos) {
    const std::size_t start = i_;
    // A call: a name and "(".
    std::size_t k = i_;
    while (IsNameChar(At(k)) || (At(k) == '.' && IsNameChar(At(k + 1)))) ++k;
    if (At(k) == '(' && k > i_ && IsLetter(At(i_))) return Call(s_.substr(i_, k - i_), k, cls, ac, pos);
    const std::string_view word = s_.substr(i_, k - i_);
    if (At(k) != '$' && At(k) != ':' && At(k) != '!' && At(k) != '\'' && word.size() <= 5) {
      const auto is = [&](std::string_view w) {
        if (word.size() != w.size()) return false;
        for (std::size_t j = 0; j < w.size(); ++j)
          if ((word[j] & ~0x20) != w[j]) return false;
        return true;
      };
      if (is("TRUE") || is("FALSE")) {
        i_ = k;
        Emit(TCodeOp::Bool, cls, ac, pos);
        code_.items.back().SetNum(word.size() == 4 ? 1 : 0);
        return true;
      }
    }
    TCodeItem item;
    bool r1 = false, c1 = false, r2 = false, c2 = false;
    if (!Cell(item.row1, item.col1, r1, c1)) return false;
    item.row2 = item.row1;
    item.col2 = item.col1;
    r2 = r1;
    c2 = c1;
    item.op = TCodeOp::Ref;
    if (At(i_) == ':') {
      ++i_;
      if (!Cell(item.row2, item.col2, r2, c2)) return false;
      item.op = TCodeOp::Area;
    }
    // What follows may not continue a reference or a name.
    if (IsNameChar(At(i_)) || At(i_) == '$' || At(i_) == ':' || At(i_) == '!' || At(i_) == '.' || At(i_) == '\'')
      return false;
    (void)start;
    item.cls = static_cast<std::uint8_t>(cls);
    item.pos = pos;
    item.flags = static_cast<std::uint8_t>((ac ? kCodeArrayContext : 0) | (r1 ? kCodeRow1Relative : 0) |
                                           (c1 ? kCodeCol1Relative : 0) | (r2 ? kCodeRow2Relative : 0) |
                                           (c2 ? kCodeCol2Relative : 0));
    code_.items.push_back(item);
    return true;
  }

  bool Call(std::string_view name, std::size_t open, std::int32_t cls, bool ac, std::int32_t pos) {
    (void)cls;
    const THashFuncEntry* f = funcs_.GetValue(name);
    if (f == nullptr) return false;
    i_ = open + 1;
    std::int32_t argc = 0;
    const bool inner = ac || f->argClass == 2;
    if (At(i_) != ')') {
      for (;;) {
        std::int32_t p = 0;
        if (At(i_) == ',' || At(i_) == ';' || At(i_) == ')') return false;  // a missing argument
        if (!Expr(f->argClass, inner, p)) return false;
        ++argc;
        if (At(i_) == ',' || At(i_) == ';') {
          ++i_;
          continue;
        }
        break;
      }
    }
    if (At(i_) != ')') return false;
    ++i_;
    if (argc < f->minArgs || argc > f->maxArgs || argc > 255) return false;
    TCodeItem item;
    item.op = TCodeOp::Func;
    item.cls = static_cast<std::uint8_t>(cls);
    item.pos = pos;
    item.row1 = f->funcNumber;
    item.argc = static_cast<std::uint8_t>(argc);
    item.flags = static_cast<std::uint8_t>((ac ? kCodeArrayContext : 0) | (f->IsFixed() ? kCodeFixedCount : 0));
    code_.items.push_back(item);
    return true;
  }

  std::string_view s_;
  const THashFunc& funcs_;
  TFormulaCode& code_;
  std::int32_t offset_;
  std::size_t i_ = 0;
  std::int32_t depth_ = 0;
};

}  // namespace

bool QuickFormulaCode(std::string_view text, const THashFunc& functions, std::int32_t topClass, std::int32_t offset,
                      TFormulaCode& code) {
  code.items.clear();
  code.texts.clear();
  code.consts.clear();
  code.hasArrays = false;
  if (text.empty() || text.size() > 1024) return false;
  TQuick q(text, functions, code, offset);
  if (!q.Run(topClass)) return false;
  code.source.assign(text);
  return true;
}

}  // namespace tablirex
