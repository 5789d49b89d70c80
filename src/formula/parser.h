// Formula parser: a recursive-descent parser, one rule per precedence level, that
// turns the lexer's token list into a syntax tree for the encoder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formula/lexer.h"

namespace tablirex {

/// Kinds of syntax-tree nodes. The numbers are stable (tests print them).
enum class TXLSItemKind : std::int32_t {
  Reference = 1,       // cell, area or 3-D reference; no children
  Number = 2,          // no children
  String = 3,          // quotes already removed; no children
  Bool = 4,            // TRUE or FALSE written without parentheses; no children
  Paren = 5,           // "(" expr ")"; one child
  Error = 6,           // error constant (#N/A ...), upper case; no children
  Array = 7,           // array constant {1,2;3,4}: its items row by row as children
                       // (numbers, strings, booleans, errors); Columns() per row
  Missing = 8,         // an argument left out of a call: IF(A1,,2)
  UnaryMinus = 1000,   // one child
  UnaryPlus = 1001,    // one child
  Multiply = 1002,     // binary nodes: two children, left and right
  Divide = 1003,
  Add = 1004,
  Subtract = 1005,
  Concat = 1006,
  Equal = 1007,
  NotEqual = 1008,
  Greater = 1009,
  Less = 1010,
  GreaterEqual = 1011,
  LessEqual = 1012,
  Power = 1013,
  Union = 1014,        // "," between references inside parentheses: (A1,B2:C3)
  Percent = 1015,      // postfix "%"; one child
  Intersect = 1016,    // a space between two references: A1:C3 B2:D4
  Function = 2000      // function call; one child per argument, in order
};

/// One node of the syntax tree. A node owns its children.
class TXLSSyntaxItem {
 public:
  TXLSSyntaxItem(TXLSItemKind kind, std::string_view text, std::int32_t pos = 0)
      : kind_(kind), text_(text), pos_(pos) {}
  TXLSSyntaxItem(const TXLSSyntaxItem&) = delete;
  TXLSSyntaxItem& operator=(const TXLSSyntaxItem&) = delete;
  /// Frees the subtree without recursing, so that a tall tree cannot exhaust the
  /// stack.
  ~TXLSSyntaxItem();

  TXLSItemKind Kind() const noexcept { return kind_; }
  /// The token text the node was made from; for a call, the name as written.
  const std::string& Text() const noexcept { return text_; }
  /// 1-based position in the formula text of the token the node was made from.
  std::int32_t Pos() const noexcept { return pos_; }
  /// Longest path from this node down to a leaf, counted in nodes (a leaf has 1).
  std::int32_t Height() const noexcept { return height_; }
  /// Columns of an array constant (its children are rows * columns items).
  std::int32_t Columns() const noexcept { return columns_; }
  void SetColumns(std::int32_t n) noexcept { columns_ = n; }

  /// Appends a child and becomes its parent.
  void AddChild(std::unique_ptr<TXLSSyntaxItem> item);
  /// The child at 1-based index, nullptr when index < 1 or index > Count().
  TXLSSyntaxItem* GetChild(std::int32_t index) const noexcept;
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(children_.size()); }
  TXLSSyntaxItem* Parent() const noexcept { return parent_; }

 private:
  TXLSItemKind kind_;
  std::string text_;
  std::vector<std::unique_ptr<TXLSSyntaxItem>> children_;
  TXLSSyntaxItem* parent_ = nullptr;
  std::int32_t pos_ = 0;
  std::int32_t height_ = 1;
  std::int32_t columns_ = 0;
};

/// The parser of one formula. It reads the token list through its cursor and does
/// not own it.
///
/// Grammar, loosest first:  expr := expr1 {cmp expr1};  expr1 := expr0 {(+|-|&) expr0};
/// expr0 := operand {(*|/) operand};  operand := postfix {^ postfix};
/// postfix := operand1 {%};
/// operand1 := call | reference {space reference} | number | string | TRUE | FALSE |
///             error constant | array | "(" expr {"," expr} ")" | (-|+) operand1;
/// array := "{" row {";" row} "}";  row := constant {"," constant};
/// exprlist := [expr] {(";"|",") [expr]} (an empty argument is a missing one). Every loop groups to the left. Inside the
/// parentheses of a call "," separates arguments; inside other parentheses it
/// joins references into a union, and every member must be a reference.
class TXLSSyntax {
 public:
  /// Deepest tree accepted. Deeper nesting, or a longer chain of operators, fails
  /// to parse: the encoder walks the tree recursively and the stack is finite.
  static constexpr std::int32_t kMaxDepth = 1000;
  /// Deepest nesting of parentheses, calls and signs: each level is a recursion of
  /// the parser, so it is bounded well within the stack of every build.
  static constexpr std::int32_t kMaxNesting = 250;
  /// Deepest nesting of function calls the spreadsheet application reads (in
  /// either format): a call inside 64 others is refused.
  static constexpr std::int32_t kMaxCallNesting = 64;

  void SetTokens(TXLSTokens* tokens) noexcept { tokens_ = tokens; }
  /// Parses the whole token list as one expression. xlsOK when it forms one
  /// expression with nothing left over; otherwise xlsFail, no tree, and Error()
  /// says what is wrong and where.
  std::int32_t Parse();
  /// What the last failing Parse found wrong, with its position; empty after success.
  const std::string& Error() const noexcept { return error_; }
  /// The tree of the last successful Parse, nullptr otherwise.
  const TXLSSyntaxItem* Root() const noexcept { return root_.get(); }
  /// Drops the tree.
  void Clear() noexcept { root_.reset(); }

  // One rule each; on xlsOK the node built is handed back in item.
  std::int32_t Parse_expr(std::unique_ptr<TXLSSyntaxItem>& item);
  std::int32_t Parse_expr1(std::unique_ptr<TXLSSyntaxItem>& item);
  std::int32_t Parse_expr0(std::unique_ptr<TXLSSyntaxItem>& item);
  std::int32_t Parse_operand(std::unique_ptr<TXLSSyntaxItem>& item);
  std::int32_t Parse_operand1(std::unique_ptr<TXLSSyntaxItem>& item);
  std::int32_t Parse_postfix(std::unique_ptr<TXLSSyntaxItem>& item);
  std::int32_t Parse_array(std::unique_ptr<TXLSSyntaxItem>& item);
  /// After a reference: further references after white space intersect it.
  std::int32_t Parse_intersection(std::unique_ptr<TXLSSyntaxItem>& item);
  /// Parses the arguments of a call and adds them to func.
  std::int32_t Parse_exprlist(TXLSSyntaxItem& func);

 private:
  std::int32_t Binary(std::unique_ptr<TXLSSyntaxItem>& left, TXLSItemKind kind, std::string_view op,
                      std::unique_ptr<TXLSSyntaxItem> right);
  /// Records the first failure of a parse (the innermost rule's, which says most)
  /// and returns xlsFail.
  std::int32_t Fail(std::string_view message);

  TXLSTokens* tokens_ = nullptr;
  std::string error_;
  std::unique_ptr<TXLSSyntaxItem> root_;
  std::int32_t depth_ = 0;
  std::int32_t calls_ = 0;
};

/// The tree as an S-expression, for tests and the tool: (ref A1), (num 2),
/// (str "a""b"), (paren x), (neg x), (pos x), (+ a b) for every binary operator by
/// its text, (call SUM a b).
std::string SyntaxToSExpr(const TXLSSyntaxItem& item);

}  // namespace tablirex
