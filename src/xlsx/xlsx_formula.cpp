// Formula texts in the form the package stores them.
#include "xlsx/xlsx_formula.h"

#include <array>

#include "formula/lexer.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/sheet_collection.h"
#include "xlsx/xml_out.h"

namespace tablirex::xlsx {
namespace {

bool IsAsciiLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// "AB12", "R1C1", "RC", "R", "C" and the like: names a reader would take for a reference.
bool LooksLikeReference(std::string_view s) noexcept {
  std::size_t i = 0;
  while (i < s.size() && IsAsciiLetter(s[i])) ++i;
  if (i > 0 && i <= 3 && i < s.size()) {
    std::size_t j = i;
    while (j < s.size() && IsAsciiDigit(s[j])) ++j;
    if (j == s.size()) return true;
  }
  // R1C1 forms.
  std::size_t k = 0;
  const auto part = [&](char letter) {
    if (k < s.size() && (s[k] == letter || s[k] == letter + 32)) {
      ++k;
      while (k < s.size() && IsAsciiDigit(s[k])) ++k;
      return true;
    }
    return false;
  };
  const bool r = part('R');
  const bool c = part('C');
  return (r || c) && k == s.size();
}

// References and function names hold only ASCII letters, digits, "$", ":" and ".".
void AppendUpper(std::string& s, std::string_view text) {
  for (const char c : text) s.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
}

// A1, $B$2, C:D, 3:5, A1:B2: cells, rows or columns (not a name such as "Bonus").
bool IsCellReference(std::string_view s) noexcept {
  std::size_t i = 0;
  while (i < s.size()) {
    if (i < s.size() && s[i] == '$') ++i;
    std::size_t letters = 0, digits = 0;
    while (i < s.size() && IsAsciiLetter(s[i])) ++i, ++letters;
    if (i < s.size() && s[i] == '$') ++i;
    while (i < s.size() && IsAsciiDigit(s[i])) ++i, ++digits;
    if (letters > 3 || letters + digits == 0) return false;
    if (i == s.size()) return true;
    if (s[i++] != ':') return false;
  }
  return false;
}

}  // namespace

std::string QuotedSheetName(std::string_view s) {
  bool quote = s.empty() || IsAsciiDigit(s.front()) || LooksLikeReference(s) || EqualIgnoringAsciiCase(s, "TRUE") ||
               EqualIgnoringAsciiCase(s, "FALSE");
  for (const char c : s)
    if (!(IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_' || c == '.')) quote = true;
  if (!quote) return std::string(s);
  std::string q = "'";
  for (const char c : s) {
    if (c == '\'') q.push_back('\'');
    q.push_back(c);
  }
  q.push_back('\'');
  return q;
}

bool IsStoredFormulaForm(std::string_view text) noexcept {
  static constexpr auto kPlain = [] {
    std::array<bool, 256> t{};
    for (char c = 'A'; c <= 'Z'; ++c) t[static_cast<unsigned char>(c)] = true;
    for (char c = '0'; c <= '9'; ++c) t[static_cast<unsigned char>(c)] = true;
    for (const char c : std::string_view("$:._(),+-*/^=%")) t[static_cast<unsigned char>(c)] = true;
    return t;
  }();
  for (const char c : text)
    if (!kPlain[static_cast<unsigned char>(c)]) return false;
  return true;
}

bool AppendFormula(TXLSWorkbook& book, std::string_view text, std::string& out, std::string& error) {
  TXLSLexer lexer;
  lexer.SetSource(text, 1);
  if (lexer.Analyse() != xlsOK) {
    error = lexer.Error();
    return false;
  }
  TXmlOut x;
  std::string& s = x.Buffer();
  s.swap(out);
  const TXLSTokens& tokens = lexer.Tokens();
  using K = TXLSTokenKind;
  std::int32_t arrays = 0;  // inside an array constant ";" ends a row, as in the file
  for (std::int32_t i = 0; i < tokens.Count(); ++i) {
    const TXLSToken& t = tokens[i];
    // A space between operands is the intersection operator: spaces are kept.
    if (t.spaceBefore && i > 0) s.push_back(' ');
    switch (t.kind) {
      case K::ArrayOpen:
        ++arrays;
        s.push_back('{');
        break;
      case K::ArrayClose:
        --arrays;
        s.push_back('}');
        break;
      case K::Name:
        if (i + 1 < tokens.Count() && tokens[i + 1].kind == K::Open) {
          // Function names in capitals, as the spreadsheet spells them.
          AppendUpper(s, t.value);
        } else {
          x.Text(t.value);
        }
        break;
      case K::String:
        s.push_back('"');
        for (const char c : t.value) {
          if (c == '"') s.push_back('"');
          x.Text(std::string_view(&c, 1));
        }
        s.push_back('"');
        break;
      case K::Separator: s.push_back(arrays > 0 ? ';' : ','); break;
      case K::Comma: s.push_back(','); break;
      case K::SheetReference: {
        const std::size_t bang = t.value.rfind('!');
        const std::string_view sheets = std::string_view(t.value).substr(0, bang);
        const std::string_view ref = std::string_view(t.value).substr(bang + 1);
        // One sheet, or the first and last of a range of sheets.
        std::string spelt;
        std::size_t from = 0;
        bool quote = false;
        std::string names[2];
        int n = 0;
        while (n < 2) {
          const std::size_t colon = n == 0 ? sheets.find(':') : std::string_view::npos;
          const std::string_view name = sheets.substr(from, colon == std::string_view::npos ? sheets.npos : colon - from);
          const std::int32_t index = book.GetSheetIndexByName(Utf8ToUtf16(name));
          if (index < 1) {
            error = "the formula names sheet \"" + std::string(name) + "\", which the workbook does not have";
            s.swap(out);
            return false;
          }
          names[n++] = book.Sheets().At(static_cast<std::size_t>(index - 1)).GetWorkSheetName();
          quote = quote || QuotedSheetName(names[n - 1]).front() == '\'';
          if (colon == std::string_view::npos) break;
          from = colon + 1;
        }
        spelt = names[0];
        if (n == 2) spelt += ":" + names[1];
        if (quote) {
          s.push_back('\'');
          for (const char c : spelt) {
            if (c == '\'') s.push_back('\'');
            x.Text(std::string_view(&c, 1));
          }
          s.push_back('\'');
        } else {
          x.Text(spelt);
        }
        s.push_back('!');
        if (IsCellReference(ref))
          AppendUpper(s, ref);
        else
          x.Text(ref);
        break;
      }
      case K::Reference: AppendUpper(s, t.value); break;
      default: x.Text(t.value); break;
    }
  }
  s.swap(out);
  return true;
}

std::string FormulaForMessage(std::string_view text) {
  constexpr std::size_t kShown = 60;
  if (text.size() <= kShown) return "\"=" + std::string(text) + "\"";
  std::size_t n = kShown;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return "\"=" + std::string(text.substr(0, n)) + "...\"";
}

bool FormulaFits(std::string_view stored, std::string& error) {
  // Characters as the reader counts them: an entity or an escaped _xHHHH_ is
  // one, a character past U+FFFF two. No text counts more characters than bytes.
  if (stored.size() <= kMaxFormulaChars) return true;
  std::size_t n = 0;
  for (std::size_t i = 0; i < stored.size(); ++n) {
    const unsigned char c = static_cast<unsigned char>(stored[i]);
    if (c == '&') {
      const std::size_t semi = stored.find(';', i);
      i = semi == std::string_view::npos ? stored.size() : semi + 1;
    } else if (c == '_' && i + 6 < stored.size() && stored[i + 1] == 'x' && stored[i + 6] == '_') {
      i += 7;
    } else {
      const std::size_t bytes = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      if (bytes == 4) ++n;
      i += bytes;
    }
  }
  if (n <= kMaxFormulaChars) return true;
  error = "the formula is " + std::to_string(n) + " characters long as stored, past the " +
          std::to_string(kMaxFormulaChars) + " an .xlsx file holds";
  return false;
}

}  // namespace tablirex::xlsx
