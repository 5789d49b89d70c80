#include "text/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tablirex/datetime.h"

namespace tablirex {
namespace {

char Lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view word) noexcept {
  if (s.size() - at < word.size() || at > s.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (Lower(s[at + i]) != Lower(word[i])) return false;
  return true;
}

// Steps over the part of a format code at i that is no code character: a quoted
// text, an escaped or padding character and the one after it, a bracket. True
// when there was one, i then on its last character (end when it is not closed).
bool SkipLiteral(std::string_view s, std::size_t& i, std::size_t end) {
  const char c = s[i];
  if (c == '"' || c == '[') {
    const std::size_t close = s.find(c == '"' ? '"' : ']', i + 1);
    i = close == std::string_view::npos ? end : close;
    return true;
  }
  if (c == '\\' || c == '_' || c == '*') {
    ++i;
    return true;
  }
  return false;
}

// Splits a format into its ";" sections, leaving quoted texts, escapes and
// brackets whole.
std::vector<std::string_view> Sections(std::string_view f) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (SkipLiteral(f, i, f.size())) continue;
    if (f[i] == ';') {
      out.push_back(f.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(f.substr(start));
  return out;
}

// ---- tokens ---------------------------------------------------------------------

enum class Tok { Literal, Digit, Decimal, Comma, Percent, Exponent, General, Date, Elapsed };

struct Token {
  Tok kind;
  std::string text;  // literal text, the placeholder, the date code or "+"/"-"
};

// The text of a bracket: "[$€-407]" shows "€"; elapsed-time codes are kept;
// colours and conditions show nothing.
void BracketToken(std::string_view inside, std::vector<Token>& out) {
  if (!inside.empty() && inside[0] == '$') {
    const std::size_t dash = inside.find('-');
    out.push_back({Tok::Literal, std::string(inside.substr(1, dash == std::string_view::npos ? inside.npos : dash - 1))});
    return;
  }
  bool elapsed = !inside.empty();
  for (const char c : inside)
    if (Lower(c) != Lower(inside[0]) || (Lower(c) != 'h' && Lower(c) != 'm' && Lower(c) != 's')) elapsed = false;
  if (elapsed) out.push_back({Tok::Elapsed, std::string(1, Lower(inside[0])) + std::to_string(inside.size())});
}

bool IsDateLetter(char c) noexcept {
  const char l = Lower(c);
  return l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 's';
}

// Tokens of one section. dates: read date and time codes (otherwise those letters
// are literals).
std::vector<Token> Tokenize(std::string_view s, bool dates) {
  std::vector<Token> out;
  const auto literal = [&out](std::string_view t) {
    if (!out.empty() && out.back().kind == Tok::Literal)
      out.back().text += t;
    else
      out.push_back({Tok::Literal, std::string(t)});
  };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      const std::size_t close = s.find('"', i + 1);
      const std::size_t end = close == std::string_view::npos ? s.size() : close;
      literal(s.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '\\') {
      if (i + 1 < s.size()) literal(s.substr(++i, 1));
    } else if (c == '_') {
      if (i + 1 < s.size()) ++i;
      literal(" ");
    } else if (c == '*') {
      if (i + 1 < s.size()) ++i;
    } else if (c == '[') {
      const std::size_t close = s.find(']', i + 1);
      const std::size_t end = close == std::string_view::npos ? s.size() : close;
      BracketToken(s.substr(i + 1, end - i - 1), out);
      i = end;
    } else if (StartsWithNoCase(s, i, "General")) {
      out.push_back({Tok::General, {}});
      i += 6;
    } else if (dates && StartsWithNoCase(s, i, "AM/PM")) {
      out.push_back({Tok::Date, "ampm"});
      i += 4;
    } else if (dates && StartsWithNoCase(s, i, "A/P")) {
      out.push_back({Tok::Date, std::string(1, s[i]) + "/p"});
      i += 2;
    } else if (dates && IsDateLetter(c)) {
      std::size_t j = i;
      while (j < s.size() && Lower(s[j]) == Lower(c)) ++j;
      out.push_back({Tok::Date, std::string(j - i, Lower(c))});
      i = j - 1;
    } else if (dates && c == '.' && i + 1 < s.size() && s[i + 1] == '0') {
      std::size_t j = i + 1;
      while (j < s.size() && s[j] == '0') ++j;
      out.push_back({Tok::Date, "." + std::string(j - i - 1, '0')});
      i = j - 1;
    } else if (!dates && (c == '0' || c == '#' || c == '?')) {
      out.push_back({Tok::Digit, std::string(1, c)});
    } else if (!dates && c == '.') {
      out.push_back({Tok::Decimal, {}});
    } else if (!dates && c == ',') {
      out.push_back({Tok::Comma, {}});
    } else if (!dates && c == '%') {
      out.push_back({Tok::Percent, {}});
    } else if (!dates && (c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
      out.push_back({Tok::Exponent, std::string(1, s[++i])});
    } else {
      literal(s.substr(i, 1));
    }
  }
  return out;
}

// ---- decimal digits -------------------------------------------------------------

// The integer and fraction digits of |value| rounded half away from zero to
// `frac` decimals, from its 15 significant decimal digits (so 2.675 rounds to
// 2.68 as people expect). The integer digits carry no leading zeros ("" for 0).
void DecimalDigits(double value, int frac, std::string& intDigits, std::string& fracDigits) {
  intDigits.clear();
  fracDigits.assign(static_cast<std::size_t>(frac), '0');
  value = std::fabs(value);
  if (value == 0 || !std::isfinite(value)) return;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", value);
  std::string digits;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits.push_back(*p);
  int exp = *p == 'e' ? std::atoi(p + 1) : 0;
  // digits[0] stands for 10^exp; keep the digits down to 10^-frac.
  const long keep = static_cast<long>(exp) + 1 + frac;
  if (keep < 0) return;
  if (keep < static_cast<long>(digits.size())) {
    const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (up) {
      long i = keep - 1;
      for (; i >= 0 && digits[static_cast<std::size_t>(i)] == '9'; --i) digits[static_cast<std::size_t>(i)] = '0';
      if (i >= 0) {
        ++digits[static_cast<std::size_t>(i)];
      } else {
        digits.insert(digits.begin(), '1');
        ++exp;
      }
    }
  }
  const long point = static_cast<long>(exp) + 1;  // digits before the decimal point
  for (long i = 0; i < point; ++i)
    intDigits.push_back(i < static_cast<long>(digits.size()) ? digits[static_cast<std::size_t>(i)] : '0');
  for (int i = 0; i < frac; ++i) {
    const long at = point + i;
    if (at >= 0 && at < static_cast<long>(digits.size()))
      fracDigits[static_cast<std::size_t>(i)] = digits[static_cast<std::size_t>(at)];
  }
  const std::size_t nz = intDigits.find_first_not_of('0');
  intDigits.erase(0, nz == std::string::npos ? intDigits.size() : nz);
}

// Integer digits laid into placeholders from the right: '0' pads with 0, '?' with a
// space, '#' with nothing; digits left over go before the leftmost placeholder.
// Literals between the placeholders stay in place; grouping puts "," every three digits.
std::string LayInteger(const std::vector<Token>& toks, std::size_t first, std::size_t last,
                       const std::string& digits, bool grouping) {
  std::string out;
  std::size_t left = digits.size();  // digits not yet placed
  int emitted = 0;
  const auto put = [&](char d) {
    if (grouping && emitted > 0 && emitted % 3 == 0) out.insert(out.begin(), ',');
    out.insert(out.begin(), d);
    ++emitted;
  };
  for (std::size_t t = last + 1; t-- > first;) {
    const Token& k = toks[t];
    if (k.kind == Tok::Literal) {
      out.insert(0, k.text);
    } else if (k.kind == Tok::Digit) {
      if (left > 0) {
        put(digits[--left]);
      } else if (k.text[0] == '0') {
        put('0');
      } else if (k.text[0] == '?') {
        out.insert(out.begin(), ' ');
      }
      if (t == first)
        while (left > 0) put(digits[--left]);
    }
  }
  return out;
}

std::string FormatNumberSection(const std::vector<Token>& toks, double value) {
  std::size_t dec = toks.size(), exp = toks.size();
  for (std::size_t t = 0; t < toks.size(); ++t) {
    if (toks[t].kind == Tok::Decimal && dec == toks.size() && exp == toks.size()) dec = t;
    if (toks[t].kind == Tok::Exponent && exp == toks.size()) exp = t;
  }
  const std::size_t intEnd = dec < exp ? dec : exp;
  std::size_t firstInt = toks.size(), lastInt = toks.size();
  int nInt = 0, nFrac = 0, percents = 0;
  bool grouping = false;
  double scale = 1;
  for (std::size_t t = 0; t < toks.size(); ++t) {
    const Token& k = toks[t];
    if (k.kind == Tok::Percent) ++percents;
    if (k.kind != Tok::Digit) continue;
    if (t < intEnd) {
      if (firstInt == toks.size()) firstInt = t;
      lastInt = t;
      ++nInt;
    } else if (t > dec && t < exp) {
      ++nFrac;
    }
  }
  // A comma between integer placeholders groups thousands; commas right after the
  // last digit placeholder divide by a thousand each.
  std::size_t lastDigit = toks.size();
  for (std::size_t t = 0; t < toks.size() && t < exp; ++t)
    if (toks[t].kind == Tok::Digit) lastDigit = t;
  for (std::size_t t = 0; t < toks.size(); ++t) {
    if (toks[t].kind != Tok::Comma) continue;
    if (firstInt != toks.size() && t > firstInt && t < lastInt) {
      grouping = true;
    } else if (lastDigit != toks.size() && t > lastDigit) {
      bool adjacent = true;
      for (std::size_t u = lastDigit + 1; u < t; ++u)
        if (toks[u].kind != Tok::Comma && toks[u].kind != Tok::Decimal) adjacent = false;
      if (adjacent) scale /= 1000;
    }
  }
  double v = std::fabs(value) * scale;
  for (int i = 0; i < percents; ++i) v *= 100;

  int exponent = 0;
  if (exp != toks.size() && v != 0 && std::isfinite(v)) {
    const int step = nInt > 0 ? nInt : 1;
    exponent = static_cast<int>(std::floor(std::log10(v)));
    exponent -= ((exponent % step) + step) % step;
    v /= std::pow(10.0, exponent);
    // Rounding may carry into one more integer digit.
    std::string i, f;
    DecimalDigits(v, nFrac, i, f);
    if (static_cast<int>(i.size()) > step) {
      exponent += step;
      v /= std::pow(10.0, step);
    }
  }
  std::string intDigits, fracDigits;
  DecimalDigits(v, nFrac, intDigits, fracDigits);
  // '#' and '?' placeholders at the end of the fraction drop their trailing zeros.
  std::vector<char> fracShown(fracDigits.begin(), fracDigits.end());
  {
    std::vector<char> phs;
    for (std::size_t t = dec + 1; t < exp && t < toks.size(); ++t)
      if (toks[t].kind == Tok::Digit) phs.push_back(toks[t].text[0]);
    for (std::size_t i = phs.size(); i-- > 0;) {
      if (fracShown[i] != '0' || phs[i] == '0') break;
      fracShown[i] = phs[i] == '?' ? ' ' : '\0';
    }
  }

  std::string out;
  std::size_t fracAt = 0;
  for (std::size_t t = 0; t < toks.size(); ++t) {
    const Token& k = toks[t];
    if (t == firstInt) {
      out += LayInteger(toks, firstInt, lastInt, intDigits, grouping);
      t = lastInt;
      continue;
    }
    switch (k.kind) {
      case Tok::Literal: out += k.text; break;
      case Tok::Percent: out += '%'; break;
      case Tok::General: out += PlainNumberText(v); break;
      case Tok::Decimal:
        if (t == dec && firstInt == toks.size()) out += intDigits;
        out += '.';
        break;
      case Tok::Digit:
        if (t > dec && t < exp && fracAt < fracShown.size()) {
          if (fracShown[fracAt]) out += fracShown[fracAt];
          ++fracAt;
        }
        break;
      case Tok::Exponent: {
        out += 'E';
        if (exponent < 0)
          out += '-';
        else if (k.text == "+")
          out += '+';
        std::size_t first = toks.size(), last = toks.size();
        for (std::size_t u = t + 1; u < toks.size(); ++u)
          if (toks[u].kind == Tok::Digit) {
            if (first == toks.size()) first = u;
            last = u;
          }
        if (first != toks.size()) {
          const int e = exponent < 0 ? -exponent : exponent;
          out += LayInteger(toks, first, last, e == 0 ? std::string() : std::to_string(e), false);
          t = last;
        }
        break;
      }
      default: break;
    }
  }
  return out;
}

// ---- fractions ------------------------------------------------------------------

bool IsPlaceholder(char c) noexcept { return c == '0' || c == '#' || c == '?'; }

// The parts of a fraction section ("# ?/?", "# ??/??", "# ?/8", "?/?"):
// whatever comes before the numerator (literals and the whole-number
// placeholders), the numerator's placeholders, the denominator's placeholders
// or fixed digits, and the text after it.
struct TFractionParts {
  std::string_view whole;  // up to the end of the whole-number placeholders (empty without)
  std::string_view gap;    // between the whole number and the numerator
  std::string_view lead;   // literals before the numerator when there is no whole number
  std::string_view numerator;
  std::string_view denominator;
  std::string_view tail;
  std::int64_t fixed = 0;  // a denominator written as a number
};

// Finds the "/" of a fraction outside quotes, escapes and brackets; false when
// the section is not a fraction.
bool SplitFraction(std::string_view s, TFractionParts& out) {
  std::size_t slash = std::string_view::npos;
  for (std::size_t i = 0; i < s.size() && slash == std::string_view::npos; ++i) {
    if (SkipLiteral(s, i, s.size())) continue;
    if (s[i] == '/') slash = i;
  }
  if (slash == std::string_view::npos || slash == 0 || !IsPlaceholder(s[slash - 1])) return false;
  std::size_t numStart = slash;
  while (numStart > 0 && IsPlaceholder(s[numStart - 1])) --numStart;
  std::size_t denEnd = slash + 1;
  while (denEnd < s.size() && (IsPlaceholder(s[denEnd]) || (s[denEnd] >= '1' && s[denEnd] <= '9'))) ++denEnd;
  if (denEnd == slash + 1) return false;
  out.numerator = s.substr(numStart, slash - numStart);
  out.denominator = s.substr(slash + 1, denEnd - slash - 1);
  out.tail = s.substr(denEnd);
  if (out.denominator[0] >= '1' && out.denominator[0] <= '9') {
    for (const char c : out.denominator) {
      if (c < '0' || c > '9') return false;
      if (out.fixed < 1000000000) out.fixed = out.fixed * 10 + (c - '0');
    }
  }
  // Placeholders before the numerator's own make a whole-number part.
  std::size_t wholeEnd = std::string_view::npos;
  for (std::size_t i = 0; i < numStart; ++i) {
    if (SkipLiteral(s, i, numStart)) continue;
    if (IsPlaceholder(s[i]) || (s[i] == ',' && wholeEnd != std::string_view::npos)) wholeEnd = i + 1;
  }
  if (wholeEnd == std::string_view::npos) {
    out.lead = s.substr(0, numStart);
  } else {
    out.whole = s.substr(0, wholeEnd);
    out.gap = s.substr(wholeEnd, numStart - wholeEnd);
  }
  return true;
}

// The literal text of a piece of format (quotes, escapes and spacing resolved).
std::string LiteralText(std::string_view piece) {
  std::string out;
  for (const Token& t : Tokenize(piece, false))
    if (t.kind == Tok::Literal) out += t.text;
  return out;
}

// The best fraction n/d of f (0 <= f) with d up to maxDen: the closest, and of
// equally close ones the smallest denominator.
void NearestFraction(double f, std::int64_t maxDen, std::int64_t& n, std::int64_t& d) {
  n = static_cast<std::int64_t>(std::llround(f));
  d = 1;
  double best = std::fabs(f - static_cast<double>(n));
  for (std::int64_t q = 2; q <= maxDen && best > 1e-12; ++q) {
    const auto p = static_cast<std::int64_t>(std::llround(f * static_cast<double>(q)));
    const double err = std::fabs(f - static_cast<double>(p) / static_cast<double>(q));
    if (err < best - 1e-12) {
      best = err;
      n = p;
      d = q;
    }
  }
}

// Digits laid into placeholders: to the right for a numerator (a '?' pads with
// a space on the left, a '0' with 0), to the left for a denominator (a '?' pads
// on the right).
std::string LayFractionDigits(std::string_view placeholders, std::string digits, bool left) {
  std::string pad;
  for (std::size_t i = digits.size(); i < placeholders.size(); ++i) {
    const char c = placeholders[left ? i : placeholders.size() - 1 - i];
    if (c == '?') pad += ' ';
    else if (c == '0') pad += left ? ' ' : '0';
  }
  return left ? digits + pad : pad + digits;
}

std::string FormatFractionSection(const TFractionParts& f, double value) {
  const double x = std::fabs(value);
  if (!std::isfinite(x) || x >= 1e15) return PlainNumberText(x);
  const bool hasWhole = !f.whole.empty();
  double whole = hasWhole ? std::floor(x) : 0;
  const double part = x - whole;
  std::int64_t n = 0, d = 1;
  if (f.fixed > 0) {
    d = f.fixed;
    n = static_cast<std::int64_t>(std::llround(part * static_cast<double>(d)));
  } else {
    const std::size_t digits = std::min<std::size_t>(f.denominator.size(), 4);
    std::int64_t maxDen = 1;
    for (std::size_t i = 0; i < digits; ++i) maxDen *= 10;
    NearestFraction(part, maxDen - 1, n, d);
  }
  if (hasWhole && n == d) {
    whole += 1;
    n = 0;
  }
  const std::string denominator = f.fixed > 0 ? std::string(f.denominator) : std::string();
  if (!hasWhole)
    return LiteralText(f.lead) + LayFractionDigits(f.numerator, std::to_string(n), false) + "/" +
           (f.fixed > 0 ? denominator : LayFractionDigits(f.denominator, std::to_string(d), true)) +
           LiteralText(f.tail);
  std::string out = FormatNumberSection(Tokenize(f.whole, false), whole);
  bool anyDigit = false;
  for (const char c : out) anyDigit = anyDigit || (c >= '0' && c <= '9');
  if (n == 0) {
    // A whole number: the fraction's place stays blank, so that columns line up.
    if (!anyDigit) out += '0';
    const std::size_t width = LiteralText(f.gap).size() + f.numerator.size() + 1 + f.denominator.size();
    return out + std::string(width, ' ') + LiteralText(f.tail);
  }
  // Without a whole number ("# ?/?" of 0.25) the gap goes too: "1/4".
  if (anyDigit) out += LiteralText(f.gap);
  return out + LayFractionDigits(f.numerator, std::to_string(n), false) + "/" +
         (f.fixed > 0 ? denominator : LayFractionDigits(f.denominator, std::to_string(d), true)) +
         LiteralText(f.tail);
}

// ---- dates ----------------------------------------------------------------------

constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::string Pad(long v, std::size_t width) {
  std::string s = std::to_string(v < 0 ? -v : v);
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return v < 0 ? "-" + s : s;
}

std::string FormatDateSection(const std::vector<Token>& toks, double serial) {
  bool twelveHour = false;
  for (const Token& k : toks)
    if (k.kind == Tok::Date && (k.text == "ampm" || k.text.find('/') != std::string::npos)) twelveHour = true;
  // Fractions of a second shown decide how far the time is rounded.
  int fracDigits = 0;
  for (const Token& k : toks)
    if (k.kind == Tok::Date && k.text[0] == '.') fracDigits = std::max<int>(fracDigits, static_cast<int>(k.text.size()) - 1);
  const double unit = 86400.0 * std::pow(10.0, fracDigits);
  const double ticks = std::floor(serial * unit + 0.5);  // in units of the shown fraction
  const double rounded = ticks / unit;
  const TDateParts p = DecodeDateTime(rounded);
  const double dayTicks = std::floor(rounded) * unit;
  const long long inDay = static_cast<long long>(ticks - dayTicks);
  const long long scale = static_cast<long long>(std::pow(10.0, fracDigits));
  const long long secs = inDay / scale;
  const long long part = inDay % scale;
  const int hour = static_cast<int>(secs / 3600), minute = static_cast<int>(secs / 60 % 60),
            second = static_cast<int>(secs % 60);

  // An "m" right after an hour or right before a second is a minute.
  std::vector<bool> isMinute(toks.size(), false);
  for (std::size_t t = 0; t < toks.size(); ++t) {
    if (toks[t].kind != Tok::Date || toks[t].text[0] != 'm' || toks[t].text.size() > 2) continue;
    for (std::size_t u = t; u-- > 0;) {
      if (toks[u].kind == Tok::Date || toks[u].kind == Tok::Elapsed) {
        isMinute[t] = toks[u].text[0] == 'h';
        break;
      }
    }
    for (std::size_t u = t + 1; u < toks.size(); ++u) {
      if (toks[u].kind == Tok::Date || toks[u].kind == Tok::Elapsed) {
        if (toks[u].text[0] == 's') isMinute[t] = true;
        break;
      }
    }
  }
  std::string out;
  for (std::size_t t = 0; t < toks.size(); ++t) {
    const Token& k = toks[t];
    const std::string& c = k.text;
    if (k.kind == Tok::Literal) {
      out += c;
    } else if (k.kind == Tok::Digit || k.kind == Tok::Decimal || k.kind == Tok::Comma) {
      out += k.kind == Tok::Digit ? c : k.kind == Tok::Decimal ? "." : ",";
    } else if (k.kind == Tok::Percent) {
      out += '%';
    } else if (k.kind == Tok::General) {
      out += PlainNumberText(serial);
    } else if (k.kind == Tok::Elapsed) {
      const double total = ticks / static_cast<double>(scale);  // whole seconds
      const double per = c[0] == 'h' ? 3600 : c[0] == 'm' ? 60 : 1;
      out += Pad(static_cast<long>(std::floor(total / per)), static_cast<std::size_t>(std::stoi(c.substr(1))));
    } else if (c[0] == 'y') {
      out += c.size() <= 2 ? Pad(p.year % 100, 2) : Pad(p.year, 4);
    } else if (c[0] == 'm' && isMinute[t]) {
      out += Pad(minute, c.size());
    } else if (c[0] == 'm') {
      const char* name = kMonths[(p.month + 11) % 12];
      if (c.size() <= 2)
        out += Pad(p.month, c.size());
      else if (c.size() == 3)
        out += std::string(name, 3);
      else if (c.size() == 4)
        out += name;
      else
        out += name[0];
    } else if (c[0] == 'd') {
      if (c.size() <= 2) {
        out += Pad(p.day, c.size());
      } else {
        // 1899-12-30 (serial 0) was a Saturday.
        const long day = static_cast<long>(std::floor(rounded));
        const char* name = kDays[((day % 7) + 7 + 6) % 7];
        out += c.size() == 3 ? std::string(name, 3) : std::string(name);
      }
    } else if (c[0] == 'h') {
      int h = hour;
      if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
      out += Pad(h, std::min<std::size_t>(c.size(), 2));
    } else if (c[0] == 's') {
      out += Pad(second, std::min<std::size_t>(c.size(), 2));
    } else if (c[0] == '.') {
      out += '.' + Pad(part / static_cast<long long>(std::pow(10.0, fracDigits - static_cast<int>(c.size() - 1))),
                       c.size() - 1);
    } else if (c == "ampm") {
      out += hour < 12 ? "AM" : "PM";
    } else if (c.find('/') != std::string::npos) {
      const bool upper = c[0] == 'A';
      out += hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
    }
  }
  return out;
}

bool HasDateParts(std::string_view section) {
  for (const Token& k : Tokenize(section, true))
    // Fractions of a second (".00") count only beside other date or time parts.
    if ((k.kind == Tok::Date && k.text[0] != '.') || k.kind == Tok::Elapsed) return true;
  return false;
}

// Whether a date or time code shows every value in the same number of characters.
bool FixedWidthDatePart(const std::string& c) noexcept {
  switch (c[0]) {
    case 'y': case '.': return true;                    // 2 or 4 digits; fractions of a second
    case 'd': return c.size() == 2 || c.size() == 3;     // dd, ddd (not d, dddd)
    case 'h': case 's': return c.size() >= 2;            // hh, ss (not h, s)
    case 'm': return c.size() != 1 && c.size() != 4;     // mm, mmm, mmmmm (not m, mmmm)
    default: return true;                                // AM/PM, A/P
  }
}

}  // namespace

double RoundHalfEven(double x) noexcept {
  const double f = std::floor(x);
  const double d = x - f;
  if (d > 0.5) return f + 1;
  if (d < 0.5) return f;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

bool IsDateTimeFormat(std::string_view format) {
  for (std::string_view s : Sections(format))
    if (HasDateParts(s)) return true;
  return false;
}

std::string PlainNumberText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  const double a = std::fabs(value);
  char buf[48];
  if (a >= 1e15 || a < 1e-5) {
    std::snprintf(buf, sizeof buf, "%.14E", value);
    std::string s(buf);
    const std::size_t e = s.find('E');
    std::string mant = s.substr(0, e), ex = s.substr(e + 1);
    if (mant.find('.') != std::string::npos) {
      mant.erase(mant.find_last_not_of('0') + 1);
      if (mant.back() == '.') mant.pop_back();
    }
    const char sign = ex[0];
    ex.erase(0, 1);
    ex.erase(0, std::min(ex.find_first_not_of('0'), ex.size() - 1));
    return mant + "E" + sign + ex;
  }
  std::snprintf(buf, sizeof buf, "%.15g", value);
  std::string s(buf);
  if (s.find('e') != std::string::npos) {
    // %.15g chose exponent form for a value within range: write it out in full.
    const int decimals = std::max(0, 14 - static_cast<int>(std::floor(std::log10(a))));
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    s = buf;
  }
  if (s.find('.') != std::string::npos) {
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

std::size_t PlainNumberWidth(double value) {
  if (value == 0) return 1;
  const double a = std::fabs(value);
  // Outside this span the text takes the exponent form or (below 1E-4) more digits
  // than its 15 significant ones: those rare values are written out.
  if (!(a >= 1e-4 && a < 1e15)) return PlainNumberText(value).size();
  static constexpr double kPow10[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,
                                      1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  int e = -4;  // a lies in [10^e, 10^(e+1))
  while (a >= kPow10[e + 5]) ++e;
  if (a == std::floor(a)) return static_cast<std::size_t>((value < 0 ? 1 : 0) + e + 1);  // a whole number
  // The 15 significant digits as one integer, as "%.15g" rounds them. The product
  // is within 1/16 of the exact one (it stays below 2^50, and every scale is exact),
  // so its rounding is the exact one unless it lies near a half: then the digits
  // are made the slow way.
  static constexpr double kScale[] = {1e18, 1e17, 1e16, 1e15, 1e14, 1e13, 1e12, 1e11, 1e10, 1e9,
                                      1e8,  1e7,  1e6,  1e5,  1e4,  1e3,  1e2,  1e1,  1e0};
  const double scaled = a * kScale[e + 4];
  if (std::fabs(scaled - std::floor(scaled) - 0.5) < 0.07) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    return static_cast<std::size_t>(r.ptr - buf);
  }
  auto digits = static_cast<std::int64_t>(std::nearbyint(scaled));
  if (digits >= 1000000000000000LL) {  // rounded up to the next power of ten
    digits /= 10;
    ++e;
  }
  int significant = 15;
  while (digits % 10 == 0) {
    digits /= 10;
    --significant;
  }
  const int intDigits = e >= 0 ? e + 1 : 1;
  const int decimals = e >= 0 ? std::max(0, significant - (e + 1)) : significant - e - 1;
  return static_cast<std::size_t>((value < 0 ? 1 : 0) + intDigits + (decimals > 0 ? 1 + decimals : 0));
}

TFormatWidth ClassifyFormatWidth(std::string_view format) {
  if (format.empty() || format == "@") return TFormatWidth::Plain;
  const std::vector<std::string_view> sections = Sections(format);
  for (std::string_view s : sections) {
    if (!HasDateParts(s)) continue;
    // The first section with date parts shows every number.
    for (const Token& k : Tokenize(s, true)) {
      if (k.kind == Tok::General || k.kind == Tok::Elapsed) return TFormatWidth::Varying;
      if (k.kind != Tok::Date) continue;
      if (!FixedWidthDatePart(k.text)) return TFormatWidth::Varying;
    }
    return TFormatWidth::Fixed;
  }
  if (sections.size() == 1) {
    const std::vector<Token> toks = Tokenize(sections[0], false);
    if (toks.size() == 1 && toks[0].kind == Tok::General) return TFormatWidth::General;
  }
  // Sections for the negative and zero values are chosen by sign alone, so each
  // sign is measured on its own.
  for (std::size_t i = 0; i < sections.size() && i < 3; ++i) {
    TFractionParts fraction;
    if (SplitFraction(sections[i], fraction)) return TFormatWidth::Varying;
    bool decimals = false;
    for (const Token& k : Tokenize(sections[i], false)) {
      if (k.kind == Tok::General || k.kind == Tok::Exponent) return TFormatWidth::Varying;
      if (k.kind == Tok::Decimal) decimals = true;
      // "#" after the point drops trailing zeros: 1.5 is shorter than 1.25.
      if (decimals && k.kind == Tok::Digit && k.text == "#") return TFormatWidth::Varying;
    }
  }
  return TFormatWidth::Monotone;
}

std::string PlainValueText(const TVariant& value) {
  switch (value.Type()) {
    case varEmpty:
    case varNull: return {};
    case varDate: return FormatIsoDateTime(value.AsDate());
    case varDouble:
    case varSingle:
    case varCurrency: return PlainNumberText(value.AsDouble());
    case varBoolean: return value.AsBoolean() ? "TRUE" : "FALSE";  // as a cell shows it
    default: return value.AsString();
  }
}

std::string FormatFloatPattern(std::string_view format, double value) {
  if (IsDateTimeFormat(format)) return FormatDateTimePattern(format, value);
  const std::vector<std::string_view> sections = Sections(format);
  std::string_view section = sections[0];
  bool minus = false;
  if (value < 0 && sections.size() >= 2) {
    section = sections[1];
  } else if (value == 0 && sections.size() >= 3) {
    section = sections[2];
  } else if (value < 0) {
    minus = true;
  }
  TFractionParts fraction;
  std::string out = SplitFraction(section, fraction) ? FormatFractionSection(fraction, value)
                                                     : FormatNumberSection(Tokenize(section, false), value);
  if (minus) {
    // No sign for a value that rounds to zero in this format.
    bool nonZero = false;
    for (const char c : out)
      if (c >= '1' && c <= '9') nonZero = true;
    if (nonZero) out.insert(0, 1, '-');
  }
  return out;
}

std::string FormatDateTimePattern(std::string_view format, double serial) {
  // Serial numbers past the year 9999 (or before year 1) name no calendar day.
  constexpr double kLastSerial = 2958466, kFirstSerial = -693594;
  if (!std::isfinite(serial) || serial >= kLastSerial || serial < kFirstSerial) return PlainNumberText(serial);
  const std::vector<std::string_view> sections = Sections(format);
  for (std::string_view s : sections)
    if (HasDateParts(s)) return FormatDateSection(Tokenize(s, true), serial);
  return FormatFloatPattern(format, serial);
}

std::string FormatCellValue(const TVariant& value, std::string_view format) {
  if (format.empty() || format == "@") return PlainValueText(value);
  if (value.Type() == varDate) return FormatDateTimePattern(format, value.AsDate());
  if (value.IsNumeric()) return FormatFloatPattern(format, value.AsDouble());
  return PlainValueText(value);
}

}  // namespace tablirex
