// The PostgreSQL type table and the reading of the server's text output.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "data/postgres/postgres_values.h"
#include "data/text_values.h"
#include "tablirex/datetime.h"
#include "tablirex/postgres_dataset.h"

namespace tablirex {

namespace {

// Type OIDs are fixed in PostgreSQL's catalog (pg_type.dat); a test checks each
// one against the server's pg_type.
constexpr TPostgresType kTypes[] = {
    {16, "bool", ftBoolean, 5},
    {17, "bytea", ftBlob, 0},
    {18, "char", ftString, 1},
    {19, "name", ftString, 63},
    {20, "int8", ftLargeint, 20},
    {21, "int2", ftSmallint, 6},
    {23, "int4", ftInteger, 11},
    {25, "text", ftString, 0},
    {26, "oid", ftLargeint, 10},
    {114, "json", ftString, 0},
    {142, "xml", ftString, 0},
    {700, "float4", ftFloat, 15},
    {701, "float8", ftFloat, 24},
    {705, "unknown", ftString, 0},
    {790, "money", ftCurrency, 20},
    {1042, "bpchar", ftString, 0},
    {1043, "varchar", ftString, 0},
    {1082, "date", ftDate, 10},
    {1083, "time", ftTime, 8},
    {1114, "timestamp", ftDateTime, 19},
    {1184, "timestamptz", ftDateTime, 19},
    {1186, "interval", ftString, 0},
    {1266, "timetz", ftTime, 8},
    {1700, "numeric", ftBCD, 0},
    {2950, "uuid", ftString, 36},
    {3802, "jsonb", ftString, 0},
};

constexpr std::uint32_t kNumericOid = 1700;
constexpr std::uint32_t kBpcharOid = 1042;
constexpr std::uint32_t kVarcharOid = 1043;
// Type modifiers of varchar, char and numeric carry a 4-byte header length.
constexpr std::int32_t kTypmodHeader = 4;

const TPostgresType* FindType(std::uint32_t oid) noexcept {
  for (const auto& t : kTypes)
    if (t.Oid == oid) return &t;
  return nullptr;
}

// The scale of numeric(p,s) (an 11-bit signed field below the precision).
int NumericScale(std::int32_t typmod) noexcept {
  const int s = (typmod - kTypmodHeader) & 0x7FF;
  return s >= 0x400 ? s - 0x800 : s;
}

}  // namespace

std::span<const TPostgresType> PostgresTypes() noexcept { return kTypes; }

TFieldType PostgresFieldType(std::uint32_t oid, std::int32_t typmod) noexcept {
  if (oid == kNumericOid && typmod >= kTypmodHeader && NumericScale(typmod) == 2)
    return ftCurrency;
  const TPostgresType* t = FindType(oid);
  return t ? t->DataType : ftString;
}

namespace postgres {

namespace {

using data::HexAsBinaryText;

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Reads exactly n digits at pos.
bool ReadDigits(std::string_view t, std::size_t& pos, std::size_t n, int& value) noexcept {
  if (pos + n > t.size()) return false;
  value = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!IsDigit(t[pos + i])) return false;
    value = value * 10 + (t[pos + i] - '0');
  }
  pos += n;
  return true;
}

// "YYYY-MM-DD" within the years a worksheet shows as dates (1900-9999). Years of
// five digits and " BC" dates fail on the separators or the trailing text.
bool ReadDate(std::string_view t, std::size_t& pos, double& serial) noexcept {
  int y = 0, m = 0, d = 0;
  if (!ReadDigits(t, pos, 4, y) || pos >= t.size() || t[pos++] != '-' ||
      !ReadDigits(t, pos, 2, m) || pos >= t.size() || t[pos++] != '-' ||
      !ReadDigits(t, pos, 2, d))
    return false;
  if (y < 1900 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  serial = EncodeDate(y, m, d);
  return true;
}

// "hh:mm:ss[.ffffff]" as a fraction of a day, below 24:00:00.
bool ReadTime(std::string_view t, std::size_t& pos, double& fraction) noexcept {
  int h = 0, m = 0, s = 0;
  if (!ReadDigits(t, pos, 2, h) || pos >= t.size() || t[pos++] != ':' ||
      !ReadDigits(t, pos, 2, m) || pos >= t.size() || t[pos++] != ':' ||
      !ReadDigits(t, pos, 2, s))
    return false;
  if (h > 23 || m > 59 || s > 59) return false;
  // Whole microseconds, so that a time with milliseconds gives exactly the serial
  // EncodeTime gives.
  std::int64_t micros = ((h * 60LL + m) * 60 + s) * 1000000;
  if (pos < t.size() && t[pos] == '.') {
    ++pos;
    std::int64_t scale = 100000;
    std::size_t digits = 0;
    for (; pos < t.size() && IsDigit(t[pos]); ++pos, ++digits) {
      if (digits < 6) micros += (t[pos] - '0') * scale;
      scale /= 10;
    }
    if (digits == 0 || digits > 6) return false;
  }
  fraction = static_cast<double>(micros) / 86400000000.0;
  return true;
}

// A zone offset "+hh[:mm[:ss]]" or "-hh..." that closes the text. It is dropped:
// the server already gave the time in the session's zone.
bool ReadZone(std::string_view t, std::size_t pos) noexcept {
  if (pos == t.size()) return true;
  if (t[pos] != '+' && t[pos] != '-') return false;
  ++pos;
  int part = 0;
  if (!ReadDigits(t, pos, 2, part)) return false;
  while (pos < t.size()) {
    if (t[pos++] != ':' || !ReadDigits(t, pos, 2, part)) return false;
  }
  return true;
}

// Money in the C monetary locale ("$1,234.56", "-$1,234.56") and plain decimals
// ("-1234.56") alike: digits and the point are kept, "$", "," and blanks skipped,
// "-" or parentheses make the amount negative.
bool ReadMoney(std::string_view t, double& value) noexcept {
  char buf[64];
  std::size_t n = 0;
  bool negative = false, digits = false;
  for (const char c : t) {
    if (IsDigit(c) || c == '.') {
      if (n + 1 >= sizeof buf) return false;
      buf[n++] = c;
      digits = digits || IsDigit(c);
    } else if (c == '-' || c == '(' || c == ')') {
      negative = true;
    } else if (c != '$' && c != ',' && c != ' ') {
      return false;
    }
  }
  if (!digits) return false;
  const auto r = std::from_chars(buf, buf + n, value);
  if (r.ec != std::errc() || r.ptr != buf + n) return false;
  if (negative) value = -value;
  return true;
}

bool ReadFinite(std::string_view t, double& value) noexcept {
  const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
  return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(value);
}

template <typename Int>
bool ReadInteger(std::string_view t, Int& value) noexcept {
  const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

// The largest amount a currency value (64-bit, four decimals) holds.
constexpr double kMaxCurrency = 922337203685477.5807;

}  // namespace

TVariant ReadValue(TFieldType type, std::string_view text) {
  switch (type) {
    case ftBoolean:
      if (text == "t") return TVariant(true);
      if (text == "f") return TVariant(false);
      break;
    case ftSmallint:
    case ftInteger: {
      std::int32_t v = 0;
      if (ReadInteger(text, v)) return TVariant(v);
      break;
    }
    case ftLargeint: {
      std::int64_t v = 0;
      if (ReadInteger(text, v)) return TVariant(v);
      break;
    }
    case ftFloat:
    case ftBCD: {
      double v = 0;
      if (ReadFinite(text, v)) return TVariant(v);
      break;
    }
    case ftCurrency: {
      double v = 0;
      if (ReadMoney(text, v) && std::fabs(v) <= kMaxCurrency) return TVariant::Currency(v);
      break;
    }
    case ftDate: {
      std::size_t pos = 0;
      double serial = 0;
      if (ReadDate(text, pos, serial) && pos == text.size()) return TVariant::Date(serial);
      break;
    }
    case ftTime: {
      std::size_t pos = 0;
      double fraction = 0;
      if (ReadTime(text, pos, fraction) && ReadZone(text, pos)) return TVariant::Date(fraction);
      break;
    }
    case ftDateTime: {
      std::size_t pos = 0;
      double serial = 0, fraction = 0;
      if (ReadDate(text, pos, serial) && pos < text.size() && text[pos++] == ' ' &&
          ReadTime(text, pos, fraction) && ReadZone(text, pos))
        return TVariant::Date(serial + fraction);
      break;
    }
    case ftBlob: {
      // bytea as "0x" and upper-case hex digits, as every source gives binary data.
      std::string shown;
      if (HexAsBinaryText(text, shown)) return TVariant(std::move(shown));
      break;
    }
    default:
      break;
  }
  return TVariant(text);
}

std::int32_t DisplayWidth(std::uint32_t oid, std::int32_t typmod) noexcept {
  if (typmod >= kTypmodHeader) {
    if (oid == kBpcharOid || oid == kVarcharOid) return typmod - kTypmodHeader;
    // Digits, the sign and the decimal point.
    if (oid == kNumericOid) return ((typmod - kTypmodHeader) >> 16) + 2;
  }
  const TPostgresType* t = FindType(oid);
  return t ? t->DisplayWidth : 0;
}

}  // namespace postgres

}  // namespace tablirex
