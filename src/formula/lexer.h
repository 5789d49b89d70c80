// Formula lexer: turns the text of one formula into a list of tokens that the
// parser walks with a cursor. It only classifies characters; names, references
// and function calls are told apart by the parser and the encoder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex {

/// Token kinds. The numbers are stable: tests and the tool print them.
enum class TXLSTokenKind : std::int32_t {
  None = -1,           // the cursor is off the list
  Name = 1,            // a letter or "_" followed by letters, digits, "_" and inner "."
  Number = 2,          // digits, "." and an exponent (1.5E-3), shape checked
  String = 3,          // string constant, quotes removed, doubled quotes reduced
  Open = 4,            // "("
  Close = 5,           // ")"
  Separator = 6,       // ";" (argument separator)
  Plus = 7,            // "+"
  Minus = 8,           // "-"
  Multiply = 9,        // "*"
  Divide = 10,         // "/"
  Reference = 11,      // a name or "$" run that contains "$" or ":"
  Concat = 12,         // "&"
  Equal = 13,          // "="
  NotEqual = 14,       // "<>"
  Greater = 15,        // ">"
  Less = 16,           // "<"
  GreaterEqual = 17,   // ">="
  LessEqual = 18,      // "<="
  Power = 19,          // "^"
  SheetReference = 20, // contains "!"; quotes of a quoted sheet name removed, a
                       // doubled quote inside one reduced to one
  Comma = 21,          // ",": argument separator in a call, union elsewhere
  Error = 22,          // error constant (#N/A, #DIV/0! ...), in upper case
  Percent = 23,        // "%" after an operand
  ArrayOpen = 24,      // "{" opening an array constant
  ArrayClose = 25      // "}"
};

/// One token: its kind, its text (UTF-8) and where it starts in the formula text
/// (1-based byte position, as messages give it).
struct TXLSToken {
  TXLSTokenKind kind = TXLSTokenKind::None;
  std::string value;
  std::int32_t pos = 0;
  /// Spaces, tabs or line breaks stood before the token (between two references
  /// they are the intersection operator).
  bool spaceBefore = false;
};

/// The token list with its cursor. Tokens are kept in one array; the cursor is an
/// index, and "off the list" (the at-end flag) is the state of a cursor that ran
/// past either end or of an empty list.
class TXLSTokens {
 public:
  /// Appends a token. On an empty list the new token becomes current.
  void AddToken(TXLSTokenKind kind, std::string_view text, std::int32_t pos = 0, bool spaceBefore = false);
  /// Empties the list (keeps the storage for the next formula).
  void Clear() noexcept;

  /// Puts the cursor on the first token; at end when the list is empty.
  void GoToFirst() noexcept;
  /// Moves the cursor one token forward; off the list past the last one. Once off
  /// the list the cursor stays off.
  void Next() noexcept;
  /// Moves the cursor one token back; off the list before the first one. Once off
  /// the list the cursor stays off.
  void Prev() noexcept;

  /// True when the cursor is off the list.
  bool AtEnd() const noexcept { return cur_ < 0; }
  /// Kind of the current token, TXLSTokenKind::None when off the list.
  TXLSTokenKind GetTokenType() const noexcept;
  /// Text of the current token, empty when off the list.
  std::string_view GetTokenValue() const noexcept;
  /// The token offset steps after (positive) or before (negative) the current one,
  /// without moving the cursor; nullptr when that runs off the list or the cursor
  /// is already off it.
  const TXLSToken* GetToken(std::int32_t offset) const noexcept;

  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }
  /// The token at zero-based index i (0 <= i < Count()).
  const TXLSToken& operator[](std::int32_t i) const noexcept { return items_[static_cast<std::size_t>(i)]; }
  const TXLSToken* First() const noexcept { return items_.empty() ? nullptr : &items_.front(); }
  const TXLSToken* Last() const noexcept { return items_.empty() ? nullptr : &items_.back(); }

 private:
  std::vector<TXLSToken> items_;
  std::int32_t cur_ = -1;
};

/// The lexer of one formula. Positions are 1-based, as in the formula text a user
/// sees; GetSymbol reads relative to the current position.
class TXLSLexer {
 public:
  /// Stores the text (without a leading "="), rewinds to position 1 and empties the
  /// token list. Positions reported in tokens and messages are counted from
  /// 1 + offset (offset 1 counts the "=" a cell's text begins with).
  void SetSource(std::string_view text, std::int32_t offset = 0);
  /// Runs the lexer over the whole text. xlsOK, or xlsFail for a character that
  /// starts no token, an unclosed string constant or quoted sheet name, a number
  /// of the wrong shape (1.2.3, ".") and an unknown error constant; Error() then
  /// says what and where. Tokens found before a failure stay in the list.
  std::int32_t Analyse();
  /// What the last failing Analyse found wrong, with its position; empty after
  /// success.
  const std::string& Error() const noexcept { return error_; }

  /// The character at position + offset, or '\0' outside 1..length.
  char GetSymbol(std::int32_t offset) const noexcept;
  void Next() noexcept { ++pos_; }
  /// True when the position is past the last character.
  bool GetEof() const noexcept { return pos_ > static_cast<std::int64_t>(src_.size()); }
  /// Appends a token that starts at the current position.
  void AddToken(TXLSTokenKind kind, std::string_view text) {
    tokens_.AddToken(kind, text, static_cast<std::int32_t>(pos_) + offset_, space_);
    space_ = false;
  }
  /// Appends a token whose text is the current character, then advances.
  void AddSymbolToken(TXLSTokenKind kind);

  TXLSTokens& Tokens() noexcept { return tokens_; }
  const TXLSTokens& Tokens() const noexcept { return tokens_; }

  /// The decimal separator of formula text.
  static constexpr char kDecimalSeparator = '.';

 private:
  std::int32_t Fail(std::string message, std::int64_t pos);

  std::string src_;
  std::int64_t pos_ = 1;
  std::int32_t offset_ = 0;
  TXLSTokens tokens_;
  std::string error_;
  bool space_ = false;  // white space before the token being made
};

}  // namespace tablirex
