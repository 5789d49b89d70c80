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

std::int32_t TXLSSyntax::Parse() {
  root_.reset();
  depth_ = 0;
  if (tokens_ == nullptr) return xlsFail;
  tokens_->GoToFirst();
  std::unique_ptr<TXLSSyntaxItem> item;
  std::int32_t r = Parse_expr(item);
  if (r == xlsOK && !tokens_->AtEnd()) r = xlsFail;  // tokens left over
  if (r == xlsOK) root_ = std::move(item);
  return r;
}

std::int32_t TXLSSyntax::Binary(std::unique_ptr<TXLSSyntaxItem>& left, TXLSItemKind kind,
                                std::string_view op, std::unique_ptr<TXLSSyntaxItem> right) {
  auto node = std::make_unique<TXLSSyntaxItem>(kind, op);
  node->AddChild(std::move(left));
  node->AddChild(std::move(right));
  left = std::move(node);
  return left->Height() > kMaxDepth ? xlsFail : xlsOK;
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

std::int32_t TXLSSyntax::Parse_operand(std::unique_ptr<TXLSSyntaxItem>& item) {
  TXLS_RETURN_ON_ERROR(Parse_operand1(item));
  while (tokens_->GetTokenType() == K::Power) {
    const std::string op(tokens_->GetTokenValue());
    tokens_->Next();
    std::unique_ptr<TXLSSyntaxItem> right;
    TXLS_RETURN_ON_ERROR(Parse_operand1(right));
    TXLS_RETURN_ON_ERROR(Binary(item, I::Power, op, std::move(right)));
  }
  return xlsOK;
}

std::int32_t TXLSSyntax::Parse_operand1(std::unique_ptr<TXLSSyntaxItem>& item) {
  DepthGuard guard(depth_);
  if (depth_ > kMaxDepth) return xlsFail;

  const TXLSTokenKind type = tokens_->GetTokenType();
  const std::string_view text = tokens_->GetTokenValue();
  switch (type) {
    case K::Name: {
      const TXLSToken* next = tokens_->GetToken(1);
      if (next == nullptr || next->kind != K::Open) {
        // A bare name: a cell address such as A1, or a word the encoder refuses.
        item = std::make_unique<TXLSSyntaxItem>(I::Reference, text);
        tokens_->Next();
        return xlsOK;
      }
      auto call = std::make_unique<TXLSSyntaxItem>(I::Function, text);
      tokens_->Next();  // the name
      tokens_->Next();  // "("
      if (tokens_->GetTokenType() != K::Close) TXLS_RETURN_ON_ERROR(Parse_exprlist(*call));
      if (tokens_->GetTokenType() != K::Close) return xlsFail;
      tokens_->Next();
      if (call->Height() > kMaxDepth) return xlsFail;
      item = std::move(call);
      return xlsOK;
    }
    case K::Reference:
    case K::SheetReference:
      item = std::make_unique<TXLSSyntaxItem>(I::Reference, text);
      tokens_->Next();
      return xlsOK;
    case K::Number:
      item = std::make_unique<TXLSSyntaxItem>(I::Number, text);
      tokens_->Next();
      return xlsOK;
    case K::String:
      item = std::make_unique<TXLSSyntaxItem>(I::String, text);
      tokens_->Next();
      return xlsOK;
    case K::Open: {
      tokens_->Next();
      std::unique_ptr<TXLSSyntaxItem> inner;
      TXLS_RETURN_ON_ERROR(Parse_expr(inner));
      if (tokens_->GetTokenType() != K::Close) return xlsFail;
      tokens_->Next();
      item = std::make_unique<TXLSSyntaxItem>(I::Paren, "(");
      item->AddChild(std::move(inner));
      return item->Height() > kMaxDepth ? xlsFail : xlsOK;
    }
    case K::Minus:
    case K::Plus: {
      const bool minus = type == K::Minus;
      tokens_->Next();
      std::unique_ptr<TXLSSyntaxItem> operand;
      TXLS_RETURN_ON_ERROR(Parse_operand1(operand));
      item = std::make_unique<TXLSSyntaxItem>(minus ? I::UnaryMinus : I::UnaryPlus, minus ? "-" : "+");
      item->AddChild(std::move(operand));
      return item->Height() > kMaxDepth ? xlsFail : xlsOK;
    }
    default:
      return xlsFail;  // an operator, ")", ";" or the end of the list
  }
}

std::int32_t TXLSSyntax::Parse_exprlist(TXLSSyntaxItem& func) {
  for (;;) {
    std::unique_ptr<TXLSSyntaxItem> arg;
    TXLS_RETURN_ON_ERROR(Parse_expr(arg));
    func.AddChild(std::move(arg));
    if (tokens_->GetTokenType() != K::Separator) return xlsOK;
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
