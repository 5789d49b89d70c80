#include "formula/parser.h"

#include <utility>

#include "tablirex/result.h"

namespace tablirex {

// ---- syntax items ----------------------------------------------------------------

TXLSSyntaxItem::~TXLSSyntaxItem() {
  // Take the subtree apart from a work list so that a left-deep chain of operators
  // does not turn into a chain of nested destructor calls.
  if (children_.empty()) return;
  std::vector<std::unique_ptr<TXLSSyntaxItem>> pending = std::move(children_);
  while (!pending.empty()) {
    std::unique_ptr<TXLSSyntaxItem> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->children_) pending.push_back(std::move(child));
    node->children_.clear();
  }
}

void TXLSSyntaxItem::AddChild(std::unique_ptr<TXLSSyntaxItem> item) {
  item->parent_ = this;
  if (item->height_ + 1 > height_) height_ = item->height_ + 1;
  children_.push_back(std::move(item));
}

TXLSSyntaxItem* TXLSSyntaxItem::GetChild(std::int32_t index) const noexcept {
  if (index < 1 || index > Count()) return nullptr;
  return children_[static_cast<std::size_t>(index - 1)].get();
}

// ---- parser ------------------------------------------------------------------------

namespace {

using K = TXLSTokenKind;
using I = TXLSItemKind;

// Counts the nesting of Parse_operand1, the one rule through which the parser
// recurses.
class DepthGuard {
 public:
  explicit DepthGuard(std::int32_t& depth) noexcept : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  std::int32_t& depth_;
};

}  // namespace

std::int32_t TXLSSyntax::Fail(std::string_view message) {
  if (!error_.empty()) return xlsFail;  // an inner rule has said what is wrong
  error_.assign(message);
  if (const TXLSToken* t = tokens_ ? tokens_->GetToken(0) : nullptr)
    error_ += " at position " + std::to_string(t->pos);
  else if (message.find("the end of the formula") == std::string_view::npos)
    error_ += " at the end of the formula";
  return xlsFail;
}

namespace {

// How a token is named in messages.
std::string Describe(const TXLSTokens& tokens) {
  if (tokens.AtEnd()) return "the end of the formula";
  return "\"" + std::string(tokens.GetTokenValue()) + "\"";
}

// True when the node yields a reference that a union may join.
bool IsReferenceItem(const TXLSSyntaxItem& item) noexcept {
  switch (item.Kind()) {
    case I::Reference:
    case I::Union:
    case I::Intersect: return true;
    case I::Paren: return item.Count() == 1 && IsReferenceItem(*item.GetChild(1));
    default: return false;
  }
}

bool IsWord(std::string_view text, std::string_view upper) noexcept {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
    if (c != upper[i]) return false;
  }
  return true;
}

}  // namespace

std::int32_t TXLSSyntax::Parse() {
  root_.reset();
  depth_ = 0;
  calls_ = 0;
  error_.clear();
  if (tokens_ == nullptr) return xlsFail;
  tokens_->GoToFirst();
  if (tokens_->AtEnd()) {
    error_ = "empty formula";
    return xlsFail;
  }
  std::unique_ptr<TXLSSyntaxItem> item;
  std::int32_t r = Parse_expr(item);
  if (r == xlsOK && !tokens_->AtEnd()) {
    // Tokens left over after a complete expression.
    if (tokens_->GetTokenType() == K::Comma)
      r = Fail("\",\" outside the arguments of a function (a union of references needs parentheses: (A1,B2))");
    else if (tokens_->GetTokenType() == K::Close)
      r = Fail("\")\" without a matching \"(\"");
    else
      r = Fail("unexpected " + Describe(*tokens_) + " after a complete expression");
  }
  if (r == xlsOK) root_ = std::move(item);
  return r;
}

std::int32_t TXLSSyntax::Binary(std::unique_ptr<TXLSSyntaxItem>& left, TXLSItemKind kind,
                                std::string_view op, std::unique_ptr<TXLSSyntaxItem> right) {
  auto node = std::make_unique<TXLSSyntaxItem>(kind, op, left->Pos());
  node->AddChild(std::move(left));
  node->AddChild(std::move(right));
  left = std::move(node);
  return left->Height() > kMaxDepth ? Fail("the formula is nested too deeply") : xlsOK;
}

std::int32_t TXLSSyntax::Parse_expr(std::unique_ptr<TXLSSyntaxItem>& item) {
  TXLS_RETURN_ON_ERROR(Parse_expr1(item));
  for (;;) {
    TXLSItemKind kind;
    switch (tokens_->GetTokenType()) {
      case K::Equal: kind = I::Equal; break;
      case K::NotEqual: kind = I::NotEqual; break;
      case K::Greater: kind = I::Greater; break;
      case K::Less: kind = I::Less; break;
      case K::GreaterEqual: kind = I::GreaterEqual; break;
      case K::LessEqual: kind = I::LessEqual; break;
      default: return xlsOK;
    }
    const std::string op(tokens_->GetTokenValue());
    tokens_->Next();
    std::unique_ptr<TXLSSyntaxItem> right;
    TXLS_RETURN_ON_ERROR(Parse_expr1(right));
    TXLS_RETURN_ON_ERROR(Binary(item, kind, op, std::move(right)));
  }
}

std::int32_t TXLSSyntax::Parse_expr1(std::unique_ptr<TXLSSyntaxItem>& item) {
  TXLS_RETURN_ON_ERROR(Parse_expr0(item));
  for (;;) {
    TXLSItemKind kind;
    switch (tokens_->GetTokenType()) {
      case K::Plus: kind = I::Add; break;
      case K::Minus: kind = I::Subtract; break;
      case K::Concat: kind = I::Concat; break;
      default: return xlsOK;
    }
    const std::string op(tokens_->GetTokenValue());
    tokens_->Next();
    std::unique_ptr<TXLSSyntaxItem> right;
    TXLS_RETURN_ON_ERROR(Parse_expr0(right));
    TXLS_RETURN_ON_ERROR(Binary(item, kind, op, std::move(right)));
  }
}

std::int32_t TXLSSyntax::Parse_expr0(std::unique_ptr<TXLSSyntaxItem>& item) {
  TXLS_RETURN_ON_ERROR(Parse_operand(item));
  for (;;) {
    TXLSItemKind kind;
    switch (tokens_->GetTokenType()) {
      case K::Multiply: kind = I::Multiply; break;
      case K::Divide: kind = I::Divide; break;
      default: return xlsOK;
    }
    const std::string op(tokens_->GetTokenValue());
    tokens_->Next();
    std::unique_ptr<TXLSSyntaxItem> right;
    TXLS_RETURN_ON_ERROR(Parse_operand(right));
    TXLS_RETURN_ON_ERROR(Binary(item, kind, op, std::move(right)));
  }
}

std::int32_t TXLSSyntax::Parse_postfix(std::unique_ptr<TXLSSyntaxItem>& item) {
  TXLS_RETURN_ON_ERROR(Parse_operand1(item));
  while (tokens_->GetTokenType() == K::Percent) {
    auto node = std::make_unique<TXLSSyntaxItem>(I::Percent, "%", tokens_->GetToken(0)->pos);
    tokens_->Next();
    node->AddChild(std::move(item));
    item = std::move(node);
    if (item->Height() > kMaxDepth) return Fail("the formula is nested too deeply");
  }
  return xlsOK;
}

std::int32_t TXLSSyntax::Parse_operand(std::unique_ptr<TXLSSyntaxItem>& item) {
  TXLS_RETURN_ON_ERROR(Parse_postfix(item));
  while (tokens_->GetTokenType() == K::Power) {
    const std::string op(tokens_->GetTokenValue());
    tokens_->Next();
    std::unique_ptr<TXLSSyntaxItem> right;
    TXLS_RETURN_ON_ERROR(Parse_postfix(right));
    TXLS_RETURN_ON_ERROR(Binary(item, I::Power, op, std::move(right)));
  }
  return xlsOK;
}

std::int32_t TXLSSyntax::Parse_operand1(std::unique_ptr<TXLSSyntaxItem>& item) {
  DepthGuard guard(depth_);
  if (depth_ > kMaxNesting) return Fail("the formula is nested too deeply");

  const TXLSTokenKind type = tokens_->GetTokenType();
  const std::string_view text = tokens_->GetTokenValue();
  const TXLSToken* token = tokens_->GetToken(0);
  const std::int32_t pos = token ? token->pos : 0;
  switch (type) {
    case K::Name: {
      const TXLSToken* next = tokens_->GetToken(1);
      if (next == nullptr || next->kind != K::Open) {
        // A bare name: TRUE, FALSE, a cell address such as A1, or a word the
        // encoder refuses.
        const bool logical = IsWord(text, "TRUE") || IsWord(text, "FALSE");
        item = std::make_unique<TXLSSyntaxItem>(logical ? I::Bool : I::Reference, text, pos);
        tokens_->Next();
        return logical ? xlsOK : Parse_intersection(item);
      }
      DepthGuard calls(calls_);
      if (calls_ > kMaxCallNesting)
        return Fail("functions are nested more than " + std::to_string(kMaxCallNesting) + " deep");
      auto call = std::make_unique<TXLSSyntaxItem>(I::Function, text, pos);
      tokens_->Next();  // the name
      tokens_->Next();  // "("
      if (tokens_->GetTokenType() != K::Close) TXLS_RETURN_ON_ERROR(Parse_exprlist(*call));
      if (tokens_->GetTokenType() != K::Close)
        return Fail("expected \")\" to close the call of " + std::string(text) + " (at position " +
                    std::to_string(pos) + "), found " + Describe(*tokens_));
      tokens_->Next();
      if (call->Height() > kMaxDepth) return Fail("the formula is nested too deeply");
      item = std::move(call);
      return xlsOK;
    }
    case K::Reference:
    case K::SheetReference:
      item = std::make_unique<TXLSSyntaxItem>(I::Reference, text, pos);
      tokens_->Next();
      return Parse_intersection(item);
    case K::ArrayOpen:
      return Parse_array(item);
    case K::Number:
      item = std::make_unique<TXLSSyntaxItem>(I::Number, text, pos);
      tokens_->Next();
      return xlsOK;
    case K::String:
      item = std::make_unique<TXLSSyntaxItem>(I::String, text, pos);
      tokens_->Next();
      return xlsOK;
    case K::Error:
      item = std::make_unique<TXLSSyntaxItem>(I::Error, text, pos);
      tokens_->Next();
      return xlsOK;
    case K::Open: {
      tokens_->Next();
      std::unique_ptr<TXLSSyntaxItem> inner;
      TXLS_RETURN_ON_ERROR(Parse_expr(inner));
      // Inside plain parentheses "," joins references into a union.
      while (tokens_->GetTokenType() == K::Comma) {
        if (!IsReferenceItem(*inner)) return Fail("a union joins references only; \",\" follows a non-reference");
        const std::int32_t commaPos = tokens_->GetToken(0)->pos;
        tokens_->Next();
        std::unique_ptr<TXLSSyntaxItem> right;
        TXLS_RETURN_ON_ERROR(Parse_expr(right));
        if (!IsReferenceItem(*right)) {
          error_ = "a union joins references only; the member after \",\" at position " +
                   std::to_string(commaPos) + " is not one";
          return xlsFail;
        }
        TXLS_RETURN_ON_ERROR(Binary(inner, I::Union, ",", std::move(right)));
      }
      if (tokens_->GetTokenType() != K::Close)
        return Fail("expected \")\" to close the \"(\" at position " + std::to_string(pos) + ", found " +
                    Describe(*tokens_));
      tokens_->Next();
      item = std::make_unique<TXLSSyntaxItem>(I::Paren, "(", pos);
      item->AddChild(std::move(inner));
      return item->Height() > kMaxDepth ? Fail("the formula is nested too deeply") : xlsOK;
    }
    case K::Minus:
    case K::Plus: {
      const bool minus = type == K::Minus;
      tokens_->Next();
      std::unique_ptr<TXLSSyntaxItem> operand;
      TXLS_RETURN_ON_ERROR(Parse_operand1(operand));
      item = std::make_unique<TXLSSyntaxItem>(minus ? I::UnaryMinus : I::UnaryPlus, minus ? "-" : "+", pos);
      item->AddChild(std::move(operand));
      return item->Height() > kMaxDepth ? Fail("the formula is nested too deeply") : xlsOK;
    }
    case K::Separator:
    case K::Comma:
      if (tokens_->GetToken(-1) && (tokens_->GetToken(-1)->kind == K::Open ||
                                    tokens_->GetToken(-1)->kind == K::Separator ||
                                    tokens_->GetToken(-1)->kind == K::Comma))
        return Fail("an argument is missing before " + Describe(*tokens_));
      return Fail("expected an operand, found " + Describe(*tokens_));
    default:
      // An operator, ")" or the end of the list.
      return Fail("expected an operand, found " + Describe(*tokens_));
  }
}

namespace {

bool IsArgumentEnd(TXLSTokenKind kind) noexcept {
  return kind == K::Separator || kind == K::Comma || kind == K::Close;
}

// True when the token can start a reference that intersects the one before it.
bool StartsReference(const TXLSTokens& tokens) noexcept {
  const TXLSToken* t = tokens.GetToken(0);
  if (t == nullptr || !t->spaceBefore) return false;
  if (t->kind == K::Reference || t->kind == K::SheetReference) return true;
  if (t->kind != K::Name) return false;
  const TXLSToken* next = tokens.GetToken(1);
  return (next == nullptr || next->kind != K::Open) && !IsWord(t->value, "TRUE") && !IsWord(t->value, "FALSE");
}

}  // namespace

std::int32_t TXLSSyntax::Parse_intersection(std::unique_ptr<TXLSSyntaxItem>& item) {
  while (StartsReference(*tokens_)) {
    const TXLSToken* t = tokens_->GetToken(0);
    auto right = std::make_unique<TXLSSyntaxItem>(I::Reference, t->value, t->pos);
    tokens_->Next();
    TXLS_RETURN_ON_ERROR(Binary(item, I::Intersect, " ", std::move(right)));
  }
  return xlsOK;
}

std::int32_t TXLSSyntax::Parse_array(std::unique_ptr<TXLSSyntaxItem>& item) {
  const std::int32_t pos = tokens_->GetToken(0)->pos;
  auto array = std::make_unique<TXLSSyntaxItem>(I::Array, "{", pos);
  tokens_->Next();  // "{"
  std::int32_t columns = 0, inRow = 0;
  for (;;) {
    // One constant: a number with its sign, a string, TRUE, FALSE or an error.
    const TXLSToken* t = tokens_->GetToken(0);
    if (t == nullptr) return Fail("the array constant opened at position " + std::to_string(pos) + " is not closed");
    std::unique_ptr<TXLSSyntaxItem> value;
    if (t->kind == K::Minus || t->kind == K::Plus) {
      const TXLSToken* n = tokens_->GetToken(1);
      if (n == nullptr || n->kind != K::Number)
        return Fail("an array constant holds numbers, strings, TRUE, FALSE and error values only");
      value = std::make_unique<TXLSSyntaxItem>(I::Number, (t->kind == K::Minus ? "-" : "") + n->value, t->pos);
      tokens_->Next();
    } else if (t->kind == K::Number) {
      value = std::make_unique<TXLSSyntaxItem>(I::Number, t->value, t->pos);
    } else if (t->kind == K::String) {
      value = std::make_unique<TXLSSyntaxItem>(I::String, t->value, t->pos);
    } else if (t->kind == K::Error) {
      value = std::make_unique<TXLSSyntaxItem>(I::Error, t->value, t->pos);
    } else if (t->kind == K::Name && (IsWord(t->value, "TRUE") || IsWord(t->value, "FALSE"))) {
      value = std::make_unique<TXLSSyntaxItem>(I::Bool, t->value, t->pos);
    } else {
      return Fail("an array constant holds numbers, strings, TRUE, FALSE and error values only, not " +
                  Describe(*tokens_));
    }
    tokens_->Next();
    array->AddChild(std::move(value));
    ++inRow;
    const TXLSTokenKind k = tokens_->GetTokenType();
    if (k == K::Comma) {
      tokens_->Next();
      continue;
    }
    if (k != K::Separator && k != K::ArrayClose)
      return Fail("expected \",\", \";\" or \"}\" in the array constant opened at position " + std::to_string(pos) +
                  ", found " + Describe(*tokens_));
    // The end of a row: every row has as many columns as the first.
    if (columns == 0) columns = inRow;
    if (inRow != columns)
      return Fail("the rows of the array constant opened at position " + std::to_string(pos) +
                  " differ in length");
    inRow = 0;
    tokens_->Next();
    if (k == K::ArrayClose) break;
  }
  const std::int32_t rows = array->Count() / columns;
  if (columns > 256 || rows > 65535)
    return Fail("the array constant opened at position " + std::to_string(pos) + " has " + std::to_string(rows) +
                " rows and " + std::to_string(columns) + " columns; at most 65535 rows and 256 columns fit");
  array->SetColumns(columns);
  item = std::move(array);
  return xlsOK;
}

std::int32_t TXLSSyntax::Parse_exprlist(TXLSSyntaxItem& func) {
  for (;;) {
    std::unique_ptr<TXLSSyntaxItem> arg;
    if (IsArgumentEnd(tokens_->GetTokenType())) {
      // An argument left out: IF(A1,,2), IF(A1,1,).
      const TXLSToken* t = tokens_->GetToken(0);
      arg = std::make_unique<TXLSSyntaxItem>(I::Missing, "", t ? t->pos : 0);
    } else {
      TXLS_RETURN_ON_ERROR(Parse_expr(arg));
    }
    func.AddChild(std::move(arg));
    // ";" and "," both separate arguments.
    if (tokens_->GetTokenType() != K::Separator && tokens_->GetTokenType() != K::Comma) return xlsOK;
    tokens_->Next();
  }
}

// ---- printing ------------------------------------------------------------------------

namespace {

void Print(const TXLSSyntaxItem& item, std::string& out) {
  const auto children = [&] {
    for (std::int32_t i = 1; i <= item.Count(); ++i) {
      out.push_back(' ');
      Print(*item.GetChild(i), out);
    }
    out.push_back(')');
  };
  switch (item.Kind()) {
    case I::Reference:
      out += "(ref " + item.Text() + ")";
      return;
    case I::Number:
      out += "(num " + item.Text() + ")";
      return;
    case I::String:
      out += "(str \"";
      for (const char c : item.Text()) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
      }
      out += "\")";
      return;
    case I::Bool:
      out += "(bool " + item.Text() + ")";
      return;
    case I::Error:
      out += "(err " + item.Text() + ")";
      return;
    case I::Missing:
      out += "(missing)";
      return;
    case I::Array: out += "(array " + std::to_string(item.Columns()); break;
    case I::Percent: out += "(%"; break;
    case I::Intersect: out += "(isect"; break;
    case I::Paren: out += "(paren"; break;
    case I::UnaryMinus: out += "(neg"; break;
    case I::UnaryPlus: out += "(pos"; break;
    case I::Function: out += "(call " + item.Text(); break;
    default: out += "(" + item.Text(); break;
  }
  children();
}

}  // namespace

std::string SyntaxToSExpr(const TXLSSyntaxItem& item) {
  std::string out;
  Print(item, out);
  return out;
}

}  // namespace tablirex
