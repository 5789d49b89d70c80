// Typed values out of texts: numbers, booleans, ISO dates and times.
#include "data/text_values.h"

#include <charconv>
#include <cmath>

#include "tablirex/datetime.h"

namespace tablirex::data {

namespace {

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Reads exactly n digits at pos; false when any is missing.
bool Digits(std::string_view t, std::size_t pos, std::size_t n, int& value) noexcept {
  if (pos + n > t.size()) return false;
  value = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (!IsDigit(t[i])) return false;
    value = value * 10 + (t[i] - '0');
  }
  return true;
}

char Lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// "hh:mm[:ss[.fraction]]" from pos; the parts and where the time ended.
bool ReadTime(std::string_view t, std::size_t pos, TDateParts& p, std::size_t& end) noexcept {
  if (!Digits(t, pos, 2, p.hour) || pos + 2 >= t.size() || t[pos + 2] != ':' ||
      !Digits(t, pos + 3, 2, p.minute))
    return false;
  pos += 5;
  if (pos < t.size() && t[pos] == ':') {
    if (!Digits(t, pos + 1, 2, p.second)) return false;
    pos += 3;
    if (pos < t.size() && t[pos] == '.') {
      ++pos;
      const std::size_t first = pos;
      double fraction = 0.0, scale = 0.1;
      while (pos < t.size() && IsDigit(t[pos])) {
        fraction += (t[pos] - '0') * scale;
        scale /= 10;
        ++pos;
      }
      if (pos == first) return false;
      p.millisecond = static_cast<int>(std::lround(fraction * 1000.0));
      if (p.millisecond > 999) p.millisecond = 999;
    }
  }
  end = pos;
  return p.hour <= 23 && p.minute <= 59 && p.second <= 59;
}

}  // namespace

bool ParseInteger(std::string_view t, std::int64_t& value) noexcept {
  if (t.empty() || (t[0] != '-' && !IsDigit(t[0]))) return false;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

bool ParseReal(std::string_view t, double& value) noexcept {
  // Plain decimal notation only: no "inf", "nan", hex or a leading '+'.
  std::size_t i = 0, digits = 0;
  if (i < t.size() && t[i] == '-') ++i;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t first = i;
    while (i < t.size() && IsDigit(t[i])) ++i;
    if (i == first) return false;
  }
  if (i != t.size()) return false;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
  return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(value);
}

bool ParseBoolean(std::string_view t, bool& value) noexcept {
  if (EqualNoCase(t, "true")) value = true;
  else if (EqualNoCase(t, "false")) value = false;
  else return false;
  return true;
}

std::optional<double> ParseDateTimeText(std::string_view t, bool* hasTime) noexcept {
  TDateParts p;
  if (t.size() < 10 || t[4] != '-' || t[7] != '-' || !Digits(t, 0, 4, p.year) ||
      !Digits(t, 5, 2, p.month) || !Digits(t, 8, 2, p.day) || p.month < 1 || p.month > 12 ||
      p.day < 1)
    return std::nullopt;
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (p.year % 4 == 0 && p.year % 100 != 0) || p.year % 400 == 0;
  if (p.day > kDays[p.month - 1] || (p.month == 2 && p.day == 29 && !leap)) return std::nullopt;
  std::size_t pos = 10;
  bool timed = false;
  if (pos < t.size()) {
    if ((t[pos] != 'T' && t[pos] != ' ') || !ReadTime(t, pos + 1, p, pos)) return std::nullopt;
    timed = true;
  }
  double serial = EncodeDateTime(p);
  if (timed && pos < t.size()) {
    // A zone: "Z" or "±hh:mm" / "±hhmm"; the serial is taken back to universal time.
    if (t[pos] == 'Z' || t[pos] == 'z') {
      ++pos;
    } else if (t[pos] == '+' || t[pos] == '-') {
      int hh = 0, mm = 0;
      const int sign = t[pos] == '+' ? 1 : -1;
      if (!Digits(t, pos + 1, 2, hh)) return std::nullopt;
      pos += 3;
      if (pos < t.size() && t[pos] == ':') ++pos;
      if (!Digits(t, pos, 2, mm) || hh > 14 || mm > 59) return std::nullopt;
      pos += 2;
      serial -= sign * (hh * 60 + mm) / 1440.0;
    }
  }
  if (pos != t.size()) return std::nullopt;
  if (hasTime) *hasTime = timed;
  return serial;
}

std::optional<double> ParseTimeText(std::string_view t) noexcept {
  TDateParts p;
  std::size_t end = 0;
  if (!ReadTime(t, 0, p, end) || end != t.size()) return std::nullopt;
  return EncodeTime(p.hour, p.minute, p.second, p.millisecond);
}

TextKind ClassifyText(std::string_view t) noexcept {
  if (t.empty()) return TextKind::Empty;
  const char c = t[0];
  if (c == '-' || IsDigit(c)) {
    // A leading zero before another digit marks a code ("007", "01.5"): text.
    const std::size_t d = c == '-' ? 1 : 0;
    const bool leadingZero = t.size() > d + 1 && t[d] == '0' && IsDigit(t[d + 1]);
    std::int64_t i = 0;
    double r = 0;
    if (!leadingZero && ParseInteger(t, i)) return TextKind::Integer;
    if (!leadingZero && ParseReal(t, r)) return TextKind::Real;
    bool timed = false;
    if (ParseDateTimeText(t, &timed)) return timed ? TextKind::DateTime : TextKind::Date;
    if (ParseTimeText(t)) return TextKind::Time;
    return TextKind::Text;
  }
  bool b = false;
  return ParseBoolean(t, b) ? TextKind::Boolean : TextKind::Text;
}

TextKind WidenKind(TextKind a, TextKind b) noexcept {
  if (a == b || b == TextKind::Empty) return a;
  if (a == TextKind::Empty) return b;
  const auto either = [&](TextKind x, TextKind y) {
    return (a == x && b == y) || (a == y && b == x);
  };
  if (either(TextKind::Integer, TextKind::Real)) return TextKind::Real;
  if (either(TextKind::Date, TextKind::DateTime)) return TextKind::DateTime;
  return TextKind::Text;
}

std::size_t Utf8Length(std::string_view text) noexcept {
  std::size_t n = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

std::string BinaryText(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(2 + 2 * bytes.size());
  out += "0x";
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

bool HexAsBinaryText(std::string_view hex, std::string& out) {
  if (hex.size() >= 2 && hex[0] == '\\' && (hex[1] == 'x' || hex[1] == 'X')) hex.remove_prefix(2);
  if (hex.size() % 2 != 0) return false;
  const std::size_t start = out.size();
  out.reserve(start + 2 + hex.size());
  out += "0x";
  for (const char c : hex) {
    if (c >= '0' && c <= '9') out += c;
    else if (c >= 'A' && c <= 'F') out += c;
    else if (c >= 'a' && c <= 'f') out += static_cast<char>(c - 'a' + 'A');
    else {
      out.resize(start);
      return false;
    }
  }
  return true;
}

}  // namespace tablirex::data
