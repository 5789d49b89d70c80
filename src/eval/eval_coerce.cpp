// The semantics every part of the evaluator shares: coercion, comparison,
// criteria and wildcards. These run once per cell visited, so they work on
// views and stack buffers and allocate only for the texts they return.
#include <charconv>
#include <cmath>
#include <cstring>

#include "eval/eval_dates.h"
#include "eval/eval_value.h"

namespace tablirex::eval {

const std::u16string& TValue::Str() const noexcept {
  static const std::u16string kEmpty;
  return kind_ == TValueKind::Text ? *static_cast<const std::u16string*>(ptr_.get()) : kEmpty;
}

// ---- implicit intersection -------------------------------------------------------

TValue Scalar(TEvalContext& ctx, const TValue& v) {
  if (v.IsArray()) {
    const TArray& a = v.Arr();
    return a.items.empty() ? TValue::Error(TEvalError::Value) : a.items.front();
  }
  if (!v.IsArea()) return v;
  const TArea& a = v.Area();
  if (a.sheetFirst != a.sheetLast) return TValue::Error(TEvalError::Value);
  if (a.IsCell()) return ctx.CellValue(a.sheetFirst, a.row1, a.col1);
  if (a.col1 == a.col2) {
    const std::int32_t row = ctx.CurrentRow();
    if (row >= a.row1 && row <= a.row2) return ctx.CellValue(a.sheetFirst, row, a.col1);
  } else if (a.row1 == a.row2) {
    const std::int32_t col = ctx.CurrentCol();
    if (col >= a.col1 && col <= a.col2) return ctx.CellValue(a.sheetFirst, a.row1, col);
  }
  return TValue::Error(TEvalError::Value);
}

// ---- case -----------------------------------------------------------------------

char16_t UpperChar(char16_t c) noexcept {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A: pairs upper/lower, even/odd except 0x139-0x148 and 0x179-0x17E (odd/even).
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : static_cast<char16_t>(c - 1);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 32);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  return c;
}

char16_t LowerChar(char16_t c) noexcept {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c : static_cast<char16_t>(c + 1);
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  return c;
}

int CompareTextNoCase(std::u16string_view a, std::u16string_view b) noexcept {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = UpperChar(a[i]), y = UpperChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// ---- numbers as text -------------------------------------------------------------

double Round15(double v) {
  if (v == 0 || !std::isfinite(v)) return v;
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  double out = v;
  std::from_chars(buf, r.ptr, out);
  return out;
}

void AppendNumberText(double v, std::u16string& out) {
  if (!std::isfinite(v)) {  // never a cell value; shown as the error it would be
    out += u"#NUM!";
    return;
  }
  if (v == 0 || std::fabs(v) < 2.2250738585072014e-308) {  // zero and denormals
    out += u'0';
    return;
  }
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  // buf: [-]d.dddddddddddddde[+-]xx
  const char* p = buf;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[16];
  int nd = 0;
  for (; p < r.ptr && *p != 'e'; ++p)
    if (*p != '.') digits[nd++] = *p;
  int exp = 0;
  std::from_chars(p + 1 + (p[1] == '+'), r.ptr, exp);
  while (nd > 1 && digits[nd - 1] == '0') --nd;
  if (negative) out += u'-';
  // The plain form's length decides: past 20 characters the exponent form is used.
  const int plainLen = exp >= 0 ? (exp + 1 > nd ? exp + 1 : nd + 1) : 1 - exp + nd;
  if (plainLen > 20) {
    // The exponent form keeps to 20 characters too: a three-digit exponent costs a digit.
    const int expDigits = (exp >= 100 || exp <= -100) ? 3 : 2;
    const int maxDigits = 17 - expDigits;  // d.ddd...E+xx: digits + 3 + exponent digits
    if (nd > maxDigits) {
      const auto r2 = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, maxDigits - 1);
      nd = 0;
      for (p = buf + negative; p < r2.ptr && *p != 'e'; ++p)
        if (*p != '.') digits[nd++] = *p;
      std::from_chars(p + 1 + (p[1] == '+'), r2.ptr, exp);
      while (nd > 1 && digits[nd - 1] == '0') --nd;
    }
    out += static_cast<char16_t>(digits[0]);
    if (nd > 1) {
      out += u'.';
      for (int i = 1; i < nd; ++i) out += static_cast<char16_t>(digits[i]);
    }
    out += exp < 0 ? u"E-" : u"E+";
    const int e = exp < 0 ? -exp : exp;
    if (e < 10) out += u'0';
    char eb[8];
    const auto er = std::to_chars(eb, eb + sizeof eb, e);
    for (const char* q = eb; q < er.ptr; ++q) out += static_cast<char16_t>(*q);
    return;
  }
  if (exp >= 0) {
    for (int i = 0; i <= exp; ++i) out += static_cast<char16_t>(i < nd ? digits[i] : '0');
    if (nd > exp + 1) {
      out += u'.';
      for (int i = exp + 1; i < nd; ++i) out += static_cast<char16_t>(digits[i]);
    }
  } else {
    out += u"0.";
    for (int i = 1; i < -exp; ++i) out += u'0';
    for (int i = 0; i < nd; ++i) out += static_cast<char16_t>(digits[i]);
  }
}

std::u16string ErrorText(TEvalError e) {
  switch (e) {
    case TEvalError::Null:
      return u"#NULL!";
    case TEvalError::Div0:
      return u"#DIV/0!";
    case TEvalError::Value:
      return u"#VALUE!";
    case TEvalError::Ref:
      return u"#REF!";
    case TEvalError::Name:
      return u"#NAME?";
    case TEvalError::Num:
      return u"#NUM!";
    case TEvalError::NA:
      return u"#N/A";
  }
  return u"#VALUE!";
}

TValue ToText(const TValue& v) {
  switch (v.Kind()) {
    case TValueKind::Text:
      return v;
    case TValueKind::Error:
      return v;
    case TValueKind::Empty:
      return TValue::Text(u"");
    case TValueKind::Boolean:
      return TValue::Text(v.Bool() ? u"TRUE" : u"FALSE");
    case TValueKind::Number: {
      std::u16string s;
      AppendNumberText(v.Num(), s);
      return TValue::Text(std::move(s));
    }
    default:
      return TValue::Error(TEvalError::Value);
  }
}

// ---- texts as numbers ------------------------------------------------------------

namespace {

bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }
bool IsSpace(char16_t c) noexcept { return c == u' ' || c == 0xA0; }

// A cursor over the trimmed text.
struct TScan {
  std::u16string_view s;
  std::size_t i = 0;
  bool End() const noexcept { return i >= s.size(); }
  char16_t Peek(std::size_t k = 0) const noexcept { return i + k < s.size() ? s[i + k] : u'\0'; }
  bool Eat(char16_t c) noexcept {
    if (Peek() != c) return false;
    ++i;
    return true;
  }
  void Spaces() noexcept {
    while (!End() && IsSpace(s[i])) ++i;
  }
  // Up to maxDigits digits as an integer; the count read in n.
  std::int64_t Int(int& n, int maxDigits = 9) noexcept {
    std::int64_t v = 0;
    n = 0;
    while (!End() && IsDigit(s[i]) && n < maxDigits) v = v * 10 + (s[i++] - u'0'), ++n;
    return v;
  }
};

// The plain number form: [+-][$][+-]digits[,ddd]...[.digits][e[+-]digits][%],
// or the same in parentheses for a negative amount.
TTextNumber ParsePlainNumber(std::u16string_view s, double& out) noexcept {
  TScan sc{s};
  bool negative = false, paren = false, sign = false, currency = false;
  if (sc.Eat(u'(')) paren = true, sc.Spaces();
  for (int k = 0; k < 2; ++k) {
    if (!sign && (sc.Peek() == u'-' || sc.Peek() == u'+')) {
      negative = sc.Peek() == u'-';
      sign = true;
      ++sc.i;
    } else if (!currency && sc.Peek() == u'$') {
      currency = true;
      ++sc.i;
    }
  }
  if (paren && sign) return TTextNumber::NotNumber;
  // Mantissa digits into a buffer for from_chars (commas dropped).
  char buf[64];
  int n = 0;
  int intDigits = 0, groupLen = -1;  // digits since the last comma, -1 before any
  bool badGroup = false;
  while (!sc.End() && (IsDigit(sc.Peek()) || sc.Peek() == u',')) {
    if (sc.Peek() == u',') {
      if (intDigits == 0 || (groupLen >= 0 && groupLen != 3) || (groupLen < 0 && intDigits > 3)) badGroup = true;
      groupLen = 0;
    } else {
      if (n < 40)
        buf[n++] = static_cast<char>(sc.Peek());
      else
        return TTextNumber::NotNumber;
      ++intDigits;
      if (groupLen >= 0) ++groupLen;
    }
    ++sc.i;
  }
  if (groupLen >= 0 && groupLen != 3) badGroup = true;
  int fracDigits = 0;
  if (sc.Eat(u'.')) {
    buf[n++] = '.';
    while (!sc.End() && IsDigit(sc.Peek())) {
      if (n < 60) buf[n++] = static_cast<char>(sc.Peek());
      ++sc.i, ++fracDigits;
    }
  }
  if (intDigits + fracDigits == 0) return TTextNumber::NotNumber;
  if ((sc.Peek() == u'e' || sc.Peek() == u'E') &&
      (IsDigit(sc.Peek(1)) || ((sc.Peek(1) == u'+' || sc.Peek(1) == u'-') && IsDigit(sc.Peek(2))))) {
    if (n > 58) return TTextNumber::NotNumber;
    buf[n++] = 'e';
    ++sc.i;
    if (sc.Peek() == u'+' || sc.Peek() == u'-') buf[n++] = static_cast<char>(sc.s[sc.i++]);
    int ed = 0;
    while (!sc.End() && IsDigit(sc.Peek())) {
      if (ed < 4 && n < 63) buf[n++] = static_cast<char>(sc.Peek());
      ++sc.i, ++ed;
    }
    if (ed > 4) return TTextNumber::NotNumber;
  }
  sc.Spaces();
  const bool percent = sc.Eat(u'%');
  sc.Spaces();
  if (paren) {
    if (!sc.Eat(u')')) return TTextNumber::NotNumber;
    negative = true;
    sc.Spaces();
  }
  if (!sc.End()) return TTextNumber::NotNumber;
  if (badGroup) return TTextNumber::Unsure;
  double v = 0;
  const auto r = std::from_chars(buf, buf + n, v);
  if (r.ec != std::errc() || !std::isfinite(v)) return TTextNumber::NotNumber;
  if (percent) v /= 100;
  out = negative ? -v : v;
  return TTextNumber::Number;
}

constexpr const char16_t* kMonths[] = {u"january", u"february", u"march",     u"april",   u"may",      u"june",
                                       u"july",    u"august",   u"september", u"october", u"november", u"december"};

// A month name, in full or its first three letters, at the cursor: 1..12 or 0.
int MonthName(TScan& sc) noexcept {
  std::size_t len = 0;
  while (sc.i + len < sc.s.size() && ((sc.s[sc.i + len] | 0x20) >= u'a' && (sc.s[sc.i + len] | 0x20) <= u'z')) ++len;
  if (len < 3) return 0;
  for (int m = 0; m < 12; ++m) {
    const std::u16string_view name = kMonths[m];
    if (len > name.size()) continue;
    if (len != 3 && len != name.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < len && same; ++k) same = (sc.s[sc.i + k] | 0x20) == name[k];
    if (same) {
      sc.i += len;
      return m + 1;
    }
  }
  return 0;
}

std::int32_t FullYear(std::int64_t y, int digits) noexcept {
  if (digits <= 2) return static_cast<std::int32_t>(y < 30 ? 2000 + y : 1900 + y);
  return static_cast<std::int32_t>(y);
}

// A time at the cursor: h:mm[:ss[.fff]] [AM|PM] or h AM|PM. Returns false when
// there is none; result is the fraction of a day (hours may pass 24).
TTextNumber ParseTime(TScan& sc, double& frac, bool& found) noexcept {
  found = false;
  const std::size_t start = sc.i;
  int n = 0;
  const std::int64_t h = sc.Int(n, 5);
  if (n == 0) return TTextNumber::NotNumber;
  std::int64_t mi = 0;
  double sec = 0;
  bool colon = false;
  if (sc.Eat(u':')) {
    colon = true;
    mi = sc.Int(n, 2);
    if (n == 0) return TTextNumber::NotNumber;
    if (sc.Eat(u':')) {
      sec = static_cast<double>(sc.Int(n, 2));
      if (n == 0) return TTextNumber::NotNumber;
      if (sc.Eat(u'.')) {
        double scale = 0.1;
        while (!sc.End() && IsDigit(sc.Peek())) sec += scale * (sc.s[sc.i++] - u'0'), scale /= 10;
      }
    } else if (sc.Peek() == u'.') {
      return TTextNumber::Unsure;  // minutes:seconds.fraction
    }
  }
  TScan probe = sc;
  probe.Spaces();
  int ampm = 0;
  if ((probe.Peek() | 0x20) == u'a' || (probe.Peek() | 0x20) == u'p') {
    const bool pm = (probe.Peek() | 0x20) == u'p';
    if ((probe.Peek(1) | 0x20) == u'm' && !((probe.Peek(2) | 0x20) >= u'a' && (probe.Peek(2) | 0x20) <= u'z')) {
      probe.i += 2;
      ampm = pm ? 2 : 1;
      sc = probe;
    }
  }
  if (!colon && ampm == 0) {
    sc.i = start;
    return TTextNumber::NotNumber;
  }
  if (mi > 59 || sec >= 60) return TTextNumber::NotNumber;
  std::int64_t hours = h;
  if (ampm != 0) {
    if (h < 1 || h > 12) return TTextNumber::NotNumber;
    hours = (h % 12) + (ampm == 2 ? 12 : 0);
  }
  frac = (static_cast<double>(hours) * 3600 + static_cast<double>(mi) * 60 + sec) / 86400;
  found = true;
  return TTextNumber::Number;
}

// A date at the cursor, in one of the forms ParseNumberText lists.
TTextNumber ParseDate(TScan& sc, bool date1904, double& serial, bool& found) noexcept {
  found = false;
  const std::size_t start = sc.i;
  std::int32_t y = 0, m = 0, d = 0;
  int n1 = 0;
  if (IsDigit(sc.Peek())) {
    const std::int64_t a = sc.Int(n1, 5);
    const char16_t sep = sc.Peek();
    if (sep == u'.' && IsDigit(sc.Peek(1))) {
      // 31.1.2026: a day.month.year date, read by locale
      TScan probe = sc;
      ++probe.i;
      int nb = 0;
      probe.Int(nb, 2);
      if (probe.Peek() == u'.' && IsDigit(probe.Peek(1))) return TTextNumber::Unsure;
      sc.i = start;
      return TTextNumber::NotNumber;
    }
    if (sep != u'-' && sep != u'/' && !IsSpace(sep)) {
      sc.i = start;
      return TTextNumber::NotNumber;
    }
    ++sc.i;
    if (IsSpace(sep)) sc.Spaces();
    int n2 = 0;
    if (IsDigit(sc.Peek())) {
      if (IsSpace(sep)) {  // "1 1/2", a fraction, which value input reads by its own rules
        TScan probe = sc;
        int nf = 0;
        probe.Int(nf, 5);
        if (probe.Peek() == u'/' && IsDigit(probe.Peek(1))) return TTextNumber::Unsure;
        sc.i = start;
        return TTextNumber::NotNumber;
      }
      const std::int64_t b = sc.Int(n2, 5);
      if (sc.Peek() != sep) {
        // m/d without a year (the current year), or yyyy-mm: depends on the moment
        if (n1 <= 2 && n2 <= 2) return TTextNumber::Unsure;
        if (n1 == 4 && n2 <= 2 && b >= 1 && b <= 12) {  // 2026-01 or 2026/1: the first of the month
          y = static_cast<std::int32_t>(a), m = static_cast<std::int32_t>(b), d = 1;
        } else if (n1 <= 2 && n2 == 4 && a >= 1 && a <= 12) {  // 1/2026
          y = static_cast<std::int32_t>(b), m = static_cast<std::int32_t>(a), d = 1;
        } else {
          return TTextNumber::NotNumber;
        }
      } else {
        ++sc.i;
        int n3 = 0;
        const std::int64_t c = sc.Int(n3, 5);
        if (n3 == 0) return TTextNumber::NotNumber;
        if (n1 == 4) {  // yyyy-mm-dd
          if (n2 > 2 || n3 > 2) return TTextNumber::NotNumber;
          y = static_cast<std::int32_t>(a), m = static_cast<std::int32_t>(b), d = static_cast<std::int32_t>(c);
        } else {  // m/d/y
          if (n1 > 2 || n2 > 2 || (n3 != 2 && n3 != 4 && n3 != 1)) return TTextNumber::NotNumber;
          m = static_cast<std::int32_t>(a), d = static_cast<std::int32_t>(b), y = FullYear(c, n3);
        }
      }
    } else {
      // d-mon[-yy] / d mon yyyy
      const int mon = MonthName(sc);
      if (mon == 0 || n1 > 2) {
        sc.i = start;
        return TTextNumber::NotNumber;
      }
      m = mon, d = static_cast<std::int32_t>(a);
      const char16_t sep2 = sc.Peek();
      if (sep2 == sep && (IsDigit(sc.Peek(1)) || (IsSpace(sep) && true))) {
        ++sc.i;
        if (IsSpace(sep)) sc.Spaces();
        int n3 = 0;
        const std::int64_t c = sc.Int(n3, 5);
        if (n3 == 0 || n3 == 3 || n3 > 4) return TTextNumber::NotNumber;
        y = FullYear(c, n3);
      } else {
        return TTextNumber::Unsure;  // no year: the current one
      }
    }
  } else {
    // mon d, yyyy / month yyyy / mon-yyyy
    const int mon = MonthName(sc);
    if (mon == 0) {
      sc.i = start;
      return TTextNumber::NotNumber;
    }
    m = mon;
    const char16_t sep = sc.Peek();
    if (sep != u'-' && sep != u'/' && !IsSpace(sep)) return TTextNumber::NotNumber;
    ++sc.i;
    sc.Spaces();
    int n2 = 0;
    const std::int64_t b = sc.Int(n2, 5);
    if (n2 == 0) return TTextNumber::NotNumber;
    if (n2 == 4) {
      y = static_cast<std::int32_t>(b), d = 1;
    } else {
      if (n2 > 2) return TTextNumber::NotNumber;
      d = static_cast<std::int32_t>(b);
      TScan probe = sc;
      probe.Eat(u',');
      probe.Spaces();
      int n3 = 0;
      const std::int64_t c = probe.Int(n3, 5);
      if (n3 == 0) return TTextNumber::Unsure;  // "Jan 31", "Jan-26": read against the current year
      if (n3 != 4 && n3 != 2) return TTextNumber::NotNumber;
      if (probe.Peek() == u':') return TTextNumber::Unsure;
      y = FullYear(c, n3);
      sc = probe;
    }
  }
  if (!SerialFromDate(y, m, d, date1904, serial)) return TTextNumber::NotNumber;
  found = true;
  return TTextNumber::Number;
}

}  // namespace

TTextNumber ParseNumberText(std::u16string_view text, bool date1904, double& out) noexcept {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  if (text.empty()) return TTextNumber::NotNumber;
  const TTextNumber plain = ParsePlainNumber(text, out);
  if (plain != TTextNumber::NotNumber) return plain;

  TScan sc{text};
  double serial = 0, frac = 0;
  bool found = false;
  TTextNumber r = ParseDate(sc, date1904, serial, found);
  if (r == TTextNumber::Unsure) return r;
  if (found) {
    sc.Spaces();
    if (sc.End()) {
      out = serial;
      return TTextNumber::Number;
    }
    r = ParseTime(sc, frac, found);
    if (r != TTextNumber::Number) return r;
    if (!sc.End() || frac >= 1) return TTextNumber::NotNumber;
    out = serial + frac;
    return TTextNumber::Number;
  }
  sc.i = 0;
  r = ParseTime(sc, frac, found);
  if (r != TTextNumber::Number) return r;
  sc.Spaces();
  if (sc.End()) {
    out = frac;
    return TTextNumber::Number;
  }
  // A time followed by a date: "12:30 2026-01-31"
  r = ParseDate(sc, date1904, serial, found);
  if (r != TTextNumber::Number) return r;
  sc.Spaces();
  if (!sc.End() || frac >= 1) return TTextNumber::NotNumber;
  out = serial + frac;
  return TTextNumber::Number;
}

TValue ToNumber(const TValue& v, bool date1904) {
  switch (v.Kind()) {
    case TValueKind::Number:
      return v;
    case TValueKind::Error:
      return v;
    case TValueKind::Empty:
      return TValue::Number(0);
    case TValueKind::Boolean:
      return TValue::Number(v.Bool() ? 1 : 0);
    case TValueKind::Text: {
      double d = 0;
      if (ParseNumberText(v.Str(), date1904, d) == TTextNumber::Number) return TValue::Number(d);
      return TValue::Error(TEvalError::Value);
    }
    default:
      return TValue::Error(TEvalError::Value);
  }
}

TValue ToBoolean(const TValue& v) {
  switch (v.Kind()) {
    case TValueKind::Boolean:
      return v;
    case TValueKind::Error:
      return v;
    case TValueKind::Empty:
      return TValue::Boolean(false);
    case TValueKind::Number:
      return TValue::Boolean(v.Num() != 0);
    case TValueKind::Text:
      if (CompareTextNoCase(v.Str(), u"TRUE") == 0) return TValue::Boolean(true);
      if (CompareTextNoCase(v.Str(), u"FALSE") == 0) return TValue::Boolean(false);
      return TValue::Error(TEvalError::Value);
    default:
      return TValue::Error(TEvalError::Value);
  }
}

// ---- comparison ------------------------------------------------------------------

namespace {

int TypeRank(TValueKind k) noexcept {
  switch (k) {
    case TValueKind::Number:
      return 0;
    case TValueKind::Text:
      return 1;
    case TValueKind::Boolean:
      return 2;
    default:
      return 3;
  }
}

int CompareNumbers(double a, double b) noexcept {
  if (a == b) return 0;
  // Only numbers that agree to about 15 digits can be equal once rounded.
  const double scale = std::fmax(std::fabs(a), std::fabs(b));
  if (std::fabs(a - b) > scale * 1e-14) return a < b ? -1 : 1;
  const double ra = Round15(a), rb = Round15(b);
  if (ra == rb) return 0;
  return ra < rb ? -1 : 1;
}

}  // namespace

int CompareScalars(const TValue& a, const TValue& b) {
  TValueKind ka = a.Kind(), kb = b.Kind();
  if (ka == TValueKind::Empty && kb == TValueKind::Empty) return 0;
  if (ka == TValueKind::Empty) ka = kb;
  if (kb == TValueKind::Empty) kb = ka;
  if (ka != kb) return TypeRank(ka) < TypeRank(kb) ? -1 : 1;
  switch (ka) {
    case TValueKind::Number:
      return CompareNumbers(a.Num(), b.Num());
    case TValueKind::Boolean:
      return (a.Num() > b.Num()) - (a.Num() < b.Num());
    case TValueKind::Text:
      return CompareTextNoCase(a.Str(), b.Str());
    default:
      return 0;
  }
}

// ---- wildcards -------------------------------------------------------------------

bool WildcardMatch(std::u16string_view p, std::u16string_view t) {
  // Greedy with one backtrack point: the last star seen.
  std::size_t pi = 0, ti = 0, starP = std::u16string_view::npos, starT = 0;
  while (ti < t.size()) {
    if (pi < p.size()) {
      const char16_t c = p[pi];
      if (c == u'*') {
        starP = ++pi;
        starT = ti;
        continue;
      }
      if (c == u'?') {
        ++pi, ++ti;
        continue;
      }
      const bool escaped =
          c == u'~' && pi + 1 < p.size() && (p[pi + 1] == u'*' || p[pi + 1] == u'?' || p[pi + 1] == u'~');
      const char16_t lit = escaped ? p[pi + 1] : c;
      if (UpperChar(lit) == UpperChar(t[ti])) {
        pi += escaped ? 2 : 1;
        ++ti;
        continue;
      }
    }
    if (starP == std::u16string_view::npos) return false;
    pi = starP;
    ti = ++starT;
  }
  while (pi < p.size() && p[pi] == u'*') ++pi;
  return pi == p.size();
}

// ---- criteria --------------------------------------------------------------------

namespace {

bool HasWildcard(std::u16string_view s) noexcept {
  for (char16_t c : s)
    if (c == u'*' || c == u'?' || c == u'~') return true;
  return false;
}

bool ErrorFromText(std::u16string_view s, TEvalError& e) noexcept {
  static constexpr TEvalError kAll[] = {TEvalError::Null, TEvalError::Div0, TEvalError::Value, TEvalError::Ref,
                                        TEvalError::Name, TEvalError::Num,  TEvalError::NA};
  if (s.empty() || s[0] != u'#') return false;
  for (TEvalError k : kAll)
    if (CompareTextNoCase(s, ErrorText(k)) == 0) return e = k, true;
  return false;
}

}  // namespace

TCriteria::TCriteria(const TValue& criteria) {
  switch (criteria.Kind()) {
    case TValueKind::Number:
    case TValueKind::Boolean:
    case TValueKind::Error:
      operand_ = criteria;
      break;
    case TValueKind::Text: {
      std::u16string_view s = criteria.Str();
      if (s.starts_with(u"<>"))
        op_ = 1, s.remove_prefix(2);
      else if (s.starts_with(u"<="))
        op_ = 3, s.remove_prefix(2);
      else if (s.starts_with(u">="))
        op_ = 5, s.remove_prefix(2);
      else if (s.starts_with(u"="))
        op_ = 0, s.remove_prefix(1), blankOnly_ = s.empty();
      else if (s.starts_with(u"<"))
        op_ = 2, s.remove_prefix(1);
      else if (s.starts_with(u">"))
        op_ = 4, s.remove_prefix(1);
      double d = 0;
      TEvalError e{};
      if (!s.empty() && ParseNumberText(s, false, d) == TTextNumber::Number) {
        operand_ = TValue::Number(d);
      } else if (CompareTextNoCase(s, u"TRUE") == 0 || CompareTextNoCase(s, u"FALSE") == 0) {
        operand_ = TValue::Boolean(CompareTextNoCase(s, u"TRUE") == 0);
      } else if (ErrorFromText(s, e)) {
        operand_ = TValue::Error(e);
      } else {
        operand_ = TValue::Text(std::u16string(s));
        wildcard_ = (op_ == 0 || op_ == 1) && HasWildcard(s);
      }
      break;
    }
    default:
      operand_ = TValue::Number(0);
      break;  // a blank criteria cell
  }
  matchesBlank_ = Matches(TValue());
}

bool TCriteria::Matches(const TValue& cell) const {
  if (blankOnly_) return cell.IsEmpty();
  const bool ne = op_ == 1;
  const TValue& x = operand_;
  if (cell.IsEmpty()) {
    // Blank cells equal only an empty text criterion and differ from everything.
    if (x.IsText() && x.Str().empty()) return op_ == 0;
    return ne;
  }
  int cmp = 0;
  switch (x.Kind()) {
    case TValueKind::Number: {
      double v = 0;
      if (cell.IsNumber()) {
        v = cell.Num();
      } else if (cell.IsText() && !ne && op_ == 0 && ParseNumberText(cell.Str(), false, v) == TTextNumber::Number) {
        // equality with a number also finds texts that read as it
      } else {
        return ne;
      }
      cmp = CompareNumbers(v, x.Num());
      break;
    }
    case TValueKind::Boolean:
      if (!cell.IsBoolean()) return ne;
      cmp = (cell.Num() > x.Num()) - (cell.Num() < x.Num());
      break;
    case TValueKind::Error:
      if (!cell.IsError()) return ne;
      cmp = cell.Err() == x.Err() ? 0 : 1;
      if (op_ > 1) return false;
      break;
    case TValueKind::Text:
      if (!cell.IsText() || (ne && x.Str().empty())) return ne;
      if (wildcard_)
        cmp = WildcardMatch(x.Str(), cell.Str()) ? 0 : 1;
      else
        cmp = CompareTextNoCase(cell.Str(), x.Str());
      break;
    default:
      return false;
  }
  switch (op_) {
    case 0:
      return cmp == 0;
    case 1:
      return cmp != 0;
    case 2:
      return cmp < 0;
    case 3:
      return cmp <= 0;
    case 4:
      return cmp > 0;
    default:
      return cmp >= 0;
  }
}

}  // namespace tablirex::eval
