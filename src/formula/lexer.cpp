#include "formula/lexer.h"

#include "tablirex/result.h"

namespace tablirex {

// ---- token list ----------------------------------------------------------------

void TXLSTokens::AddToken(TXLSTokenKind kind, std::string_view text, std::int32_t pos, bool spaceBefore) {
  items_.push_back(TXLSToken{kind, std::string(text), pos, spaceBefore});
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

// The error constants of formula text, as the file stores them by name.
constexpr std::string_view kErrorConstants[] = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!",
                                                "#NAME?", "#NUM!",   "#N/A"};

// True when text is a number people write: digits with at most one ".", at least
// one digit before the exponent, and an exponent of "E", an optional sign and
// digits.
bool IsWellFormedNumber(std::string_view text) noexcept {
  std::size_t i = 0, digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i == text.size()) return true;
  if (text[i] != 'E' && text[i] != 'e') return false;
  ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size()) return false;
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i == text.size();
}

std::string Quote(std::string_view s) { return "\"" + std::string(s) + "\""; }

}  // namespace

void TXLSLexer::SetSource(std::string_view text, std::int32_t offset) {
  src_.assign(text);
  offset_ = offset;
  pos_ = 1;
  tokens_.Clear();
  error_.clear();
  space_ = false;
}

char TXLSLexer::GetSymbol(std::int32_t offset) const noexcept {
  const std::int64_t i = pos_ + offset;
  if (i < 1 || i > static_cast<std::int64_t>(src_.size())) return '\0';
  return src_[static_cast<std::size_t>(i - 1)];
}

void TXLSLexer::AddSymbolToken(TXLSTokenKind kind) {
  const char c = GetSymbol(0);
  AddToken(kind, std::string_view(&c, 1));
  Next();
}

std::int32_t TXLSLexer::Fail(std::string message, std::int64_t pos) {
  error_ = std::move(message) + " at position " + std::to_string(pos + offset_);
  return xlsFail;
}

std::int32_t TXLSLexer::Analyse() {
  using K = TXLSTokenKind;
  std::string acc;
  LexState state = LexState::Between;
  std::int64_t start = 1;  // where the token being accumulated began
  // Ends the token being accumulated; the current character is looked at again.
  auto emit = [&](K kind) -> std::int32_t {
    if (kind == K::Number && !IsWellFormedNumber(acc)) return Fail("malformed number " + Quote(acc), start);
    tokens_.AddToken(kind, acc, static_cast<std::int32_t>(start) + offset_, space_);
    space_ = false;
    acc.clear();
    state = LexState::Between;
    return xlsOK;
  };
  // Starts a token at the current character.
  auto begin = [&](LexState s) {
    start = pos_;
    state = s;
  };

  for (;;) {
    const char c = GetSymbol(0);
    if (GetEof()) {
      switch (state) {
        case LexState::Between: return xlsOK;
        case LexState::Name: return emit(K::Name);
        case LexState::Number: return emit(K::Number);
        case LexState::Reference: return emit(K::Reference);
        case LexState::SheetReference: return emit(K::SheetReference);
        case LexState::String: return Fail("unclosed string constant", start);
        case LexState::QuotedSheet: return Fail("unclosed quoted sheet name", start);
      }
      return xlsFail;
    }

    if (state == LexState::Between) {
      // Spaces, tabs and line breaks separate tokens (formulas pasted from an
      // editor carry them); the token after them remembers they were there.
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        space_ = true;
        Next();
        continue;
      }
    }
    switch (state) {
      case LexState::Between:
        // A defined name may begin with "_".
        if (IsLetter(c) || c == '_') {
          begin(LexState::Name);
          acc.assign(1, c);
          Next();
        } else if (IsDigit(c) || c == kDecimalSeparator) {
          begin(LexState::Number);
          acc.assign(1, c);
          Next();
        } else if (c == '"') {
          begin(LexState::String);
          acc.clear();
          Next();
        } else if (c == '\'') {
          begin(LexState::QuotedSheet);
          acc.clear();
          Next();
        } else if (c == '$') {
          begin(LexState::Reference);
          acc.assign(1, c);
          Next();
        } else if (c == '#') {
          // An error constant, in any letter case.
          const std::string_view rest = std::string_view(src_).substr(static_cast<std::size_t>(pos_ - 1));
          std::string_view found;
          for (const std::string_view e : kErrorConstants) {
            if (rest.size() < e.size()) continue;
            bool same = true;
            for (std::size_t i = 0; i < e.size() && same; ++i) {
              const char r = rest[i] >= 'a' && rest[i] <= 'z' ? static_cast<char>(rest[i] - 32) : rest[i];
              same = r == e[i];
            }
            if (same) found = e;
          }
          if (found.empty()) return Fail("unknown error constant", pos_);
          AddToken(K::Error, found);
          pos_ += static_cast<std::int64_t>(found.size());
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
            case ',': kind = K::Comma; break;
            case '+': kind = K::Plus; break;
            case '-': kind = K::Minus; break;
            case '*': kind = K::Multiply; break;
            case '/': kind = K::Divide; break;
            case '^': kind = K::Power; break;
            case '=': kind = K::Equal; break;
            case '&': kind = K::Concat; break;
            case '%': kind = K::Percent; break;
            case '{': kind = K::ArrayOpen; break;
            case '}': kind = K::ArrayClose; break;
            default: {
              const unsigned char u = static_cast<unsigned char>(c);
              if (u < 0x20 || u >= 0x80) return Fail("unexpected character (byte " + std::to_string(u) + ")", pos_);
              return Fail("unexpected character " + Quote(std::string_view(&c, 1)), pos_);
            }
          }
          AddSymbolToken(kind);
        }
        break;

      case LexState::Name:
        if (IsLetter(c) || IsDigit(c) || c == '_') {
          acc.push_back(c);
          Next();
        } else if (c == '.' && (IsLetter(GetSymbol(1)) || IsDigit(GetSymbol(1)) || GetSymbol(1) == '_')) {
          // Dotted names: ERROR.TYPE, REGISTER.ID.
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
          TXLS_RETURN_ON_ERROR(emit(K::Name));
        }
        break;

      case LexState::String:
        Next();
        if (c == '"') {
          if (GetSymbol(0) == '"' && !GetEof()) {
            acc.push_back('"');
            Next();
          } else {
            TXLS_RETURN_ON_ERROR(emit(K::String));
          }
        } else {
          acc.push_back(c);
        }
        break;

      case LexState::Number:
        if (IsDigit(c) || c == kDecimalSeparator) {
          acc.push_back(c);
          Next();
        } else if (c == ':' && acc.find_first_not_of("0123456789") == std::string::npos &&
                   (IsDigit(GetSymbol(1)) || GetSymbol(1) == '$')) {
          // Whole rows: 1:3.
          acc.push_back(c);
          Next();
          state = LexState::Reference;
        } else if ((c == 'E' || c == 'e') && acc.find_first_of("Ee") == std::string::npos &&
                   (IsDigit(GetSymbol(1)) ||
                    ((GetSymbol(1) == '+' || GetSymbol(1) == '-') && IsDigit(GetSymbol(2))))) {
          // An exponent: 1E5, 1.5e-3.
          acc.push_back('E');
          Next();
          if (GetSymbol(0) == '+' || GetSymbol(0) == '-') {
            acc.push_back(GetSymbol(0));
            Next();
          }
        } else {
          TXLS_RETURN_ON_ERROR(emit(K::Number));
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
          TXLS_RETURN_ON_ERROR(emit(state == LexState::Reference ? K::Reference : K::SheetReference));
        }
        break;

      case LexState::QuotedSheet:
        Next();
        if (c == '\'') {
          if (GetSymbol(0) == '\'' && !GetEof()) {
            acc.push_back('\'');  // a doubled quote stands for one
            Next();
          } else {
            state = LexState::SheetReference;
          }
        } else {
          acc.push_back(c);
        }
        break;
    }
  }
}

}  // namespace tablirex
