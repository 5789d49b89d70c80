#include "formula/lexer.h"

#include "tablirex/result.h"

namespace tablirex {

// ---- token list ----------------------------------------------------------------

void TXLSTokens::AddToken(TXLSTokenKind kind, std::string_view text) {
  items_.push_back(TXLSToken{kind, std::string(text)});
  if (items_.size() == 1) cur_ = 0;
}

void TXLSTokens::Clear() noexcept {
  items_.clear();
  cur_ = -1;
}

void TXLSTokens::GoToFirst() noexcept { cur_ = items_.empty() ? -1 : 0; }

void TXLSTokens::Next() noexcept {
  if (cur_ < 0) return;
  ++cur_;
  if (cur_ >= Count()) cur_ = -1;
}

void TXLSTokens::Prev() noexcept {
  if (cur_ < 0) return;
  --cur_;
}

TXLSTokenKind TXLSTokens::GetTokenType() const noexcept {
  return cur_ < 0 ? TXLSTokenKind::None : items_[static_cast<std::size_t>(cur_)].kind;
}

std::string_view TXLSTokens::GetTokenValue() const noexcept {
  return cur_ < 0 ? std::string_view() : std::string_view(items_[static_cast<std::size_t>(cur_)].value);
}

const TXLSToken* TXLSTokens::GetToken(std::int32_t offset) const noexcept {
  if (cur_ < 0) return nullptr;
  const std::int64_t i = static_cast<std::int64_t>(cur_) + offset;
  if (i < 0 || i >= Count()) return nullptr;
  return &items_[static_cast<std::size_t>(i)];
}

// ---- lexer ---------------------------------------------------------------------

namespace {

bool IsLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
// Characters that may continue a reference once "$", ":" or "!" has been seen.
bool IsReferenceChar(char c) noexcept {
  return IsLetter(c) || IsDigit(c) || c == '!' || c == '$' || c == ':' || c == '_';
}

// The states of the lexer's state machine.
enum class LexState { Between, Name, String, Number, Reference, SheetReference, QuotedSheet };

}  // namespace

void TXLSLexer::SetSource(std::string_view text) {
  src_.assign(text);
  pos_ = 1;
  tokens_.Clear();
}

char TXLSLexer::GetSymbol(std::int32_t offset) const noexcept {
  const std::int64_t i = pos_ + offset;
  if (i < 1 || i > static_cast<std::int64_t>(src_.size())) return '\0';
  return src_[static_cast<std::size_t>(i - 1)];
}

void TXLSLexer::AddSymbolToken(TXLSTokenKind kind) {
  const char c = GetSymbol(0);
  tokens_.AddToken(kind, std::string_view(&c, 1));
  Next();
}

std::int32_t TXLSLexer::Analyse() {
  using K = TXLSTokenKind;
  std::string acc;
  LexState state = LexState::Between;
  // Ends the token being accumulated; the current character is looked at again.
  auto emit = [&](K kind) {
    tokens_.AddToken(kind, acc);
    acc.clear();
    state = LexState::Between;
  };

  for (;;) {
    const char c = GetSymbol(0);
    if (GetEof()) {
      switch (state) {
        case LexState::Between: return xlsOK;
        case LexState::Name: emit(K::Name); return xlsOK;
        case LexState::Number: emit(K::Number); return xlsOK;
        case LexState::Reference: emit(K::Reference); return xlsOK;
        case LexState::SheetReference: emit(K::SheetReference); return xlsOK;
        case LexState::String:       // unterminated string constant
        case LexState::QuotedSheet:  // unterminated quoted sheet name
          return xlsFail;
      }
      return xlsFail;
    }

    switch (state) {
      case LexState::Between:
        if (IsLetter(c)) {
          acc.assign(1, c);
          Next();
          state = LexState::Name;
        } else if (IsDigit(c) || c == kDecimalSeparator) {
          acc.assign(1, c);
          Next();
          state = LexState::Number;
        } else if (c == ' ') {
          Next();
        } else if (c == '"') {
          acc.clear();
          Next();
          state = LexState::String;
        } else if (c == '\'') {
          acc.clear();
          Next();
          state = LexState::QuotedSheet;
        } else if (c == '$') {
          acc.assign(1, c);
          Next();
          state = LexState::Reference;
        } else if (c == '>') {
          if (GetSymbol(1) == '=') {
            AddToken(K::GreaterEqual, ">=");
            Next();
            Next();
          } else {
            AddSymbolToken(K::Greater);
          }
        } else if (c == '<') {
          if (GetSymbol(1) == '=') {
            AddToken(K::LessEqual, "<=");
            Next();
            Next();
          } else if (GetSymbol(1) == '>') {
            AddToken(K::NotEqual, "<>");
            Next();
            Next();
          } else {
            AddSymbolToken(K::Less);
          }
        } else {
          K kind;
          switch (c) {
            case '(': kind = K::Open; break;
            case ')': kind = K::Close; break;
            case ';': kind = K::Separator; break;
            case '+': kind = K::Plus; break;
            case '-': kind = K::Minus; break;
            case '*': kind = K::Multiply; break;
            case '/': kind = K::Divide; break;
            case '^': kind = K::Power; break;
            case '=': kind = K::Equal; break;
            case '&': kind = K::Concat; break;
            default: return xlsFail;  // no token starts with this character
          }
          AddSymbolToken(kind);
        }
        break;

      case LexState::Name:
        if (IsLetter(c) || IsDigit(c) || c == '_') {
          acc.push_back(c);
          Next();
        } else if (c == '$' || c == ':') {
          acc.push_back(c);
          Next();
          state = LexState::Reference;
        } else if (c == '!') {
          acc.push_back(c);
          Next();
          state = LexState::SheetReference;
        } else if (c == '\'') {
          Next();
          state = LexState::QuotedSheet;
        } else {
          emit(K::Name);
        }
        break;

      case LexState::String:
        Next();
        if (c == '"') {
          if (GetSymbol(0) == '"' && !GetEof()) {
            acc.push_back('"');
            Next();
          } else {
            emit(K::String);
          }
        } else {
          acc.push_back(c);
        }
        break;

      case LexState::Number:
        if (IsDigit(c) || c == kDecimalSeparator) {
          acc.push_back(c);
          Next();
        } else {
          emit(K::Number);
        }
        break;

      case LexState::Reference:
      case LexState::SheetReference:
        if (IsReferenceChar(c)) {
          acc.push_back(c);
          Next();
        } else if (c == '\'') {
          Next();
          state = LexState::QuotedSheet;
        } else {
          emit(state == LexState::Reference ? K::Reference : K::SheetReference);
        }
        break;

      case LexState::QuotedSheet:
        Next();
        if (c == '\'') {
          state = LexState::SheetReference;
        } else {
          acc.push_back(c);
        }
        break;
    }
  }
}

}  // namespace tablirex
