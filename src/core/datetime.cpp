#include "tablirex/datetime.h"

#include <cmath>
#include <cstdio>

namespace tablirex {
namespace {

// Civil-calendar day arithmetic over 400-year eras, with years starting on
// 1 March so that the leap day falls last: days since 1970-01-01 for a date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) noexcept {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochShift = -25569;

int ReadInt(std::string_view t, std::size_t pos, std::size_t len, bool& ok) noexcept {
  if (pos + len > t.size()) {
    ok = false;
    return 0;
  }
  int v = 0;
  for (std::size_t i = pos; i < pos + len; ++i) {
    if (t[i] < '0' || t[i] > '9') {
      ok = false;
      return 0;
    }
    v = v * 10 + (t[i] - '0');
  }
  return v;
}

}  // namespace

double EncodeDate(int year, int month, int day) noexcept {
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                           static_cast<unsigned>(day)) -
                             kEpochShift);
}

double EncodeTime(int hour, int minute, int second, int millisecond) noexcept {
  return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / 86400000.0;
}

double EncodeDateTime(const TDateParts& p) noexcept {
  const double date = EncodeDate(p.year, p.month, p.day);
  const double time = EncodeTime(p.hour, p.minute, p.second, p.millisecond);
  return date < 0 ? date - time : date + time;
}

TDateParts DecodeDateTime(double serial) noexcept {
  TDateParts p;
  if (!IsDateSerial(serial)) return p;
  const double whole = std::trunc(serial);
  double frac = std::fabs(serial - whole);
  std::int64_t ms = std::llround(frac * 86400000.0);
  std::int64_t days = static_cast<std::int64_t>(whole);
  if (ms >= 86400000) {
    ms -= 86400000;
    days += serial < 0 ? -1 : 1;
  }
  CivilFromDays(days + kEpochShift, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

std::optional<double> ParseIsoDateTime(std::string_view t) noexcept {
  bool ok = true;
  TDateParts p;
  p.year = ReadInt(t, 0, 4, ok);
  if (t.size() < 10 || t[4] != '-' || t[7] != '-') return std::nullopt;
  p.month = ReadInt(t, 5, 2, ok);
  p.day = ReadInt(t, 8, 2, ok);
  if (t.size() > 10) {
    if ((t[10] != 'T' && t[10] != ' ') || t.size() < 16 || t[13] != ':') return std::nullopt;
    p.hour = ReadInt(t, 11, 2, ok);
    p.minute = ReadInt(t, 14, 2, ok);
    std::size_t pos = 16;
    if (t.size() > pos) {
      if (t[pos] != ':') return std::nullopt;
      p.second = ReadInt(t, pos + 1, 2, ok);
      pos += 3;
      if (t.size() > pos) {
        if (t[pos] != '.' || t.size() != pos + 4) return std::nullopt;
        p.millisecond = ReadInt(t, pos + 1, 3, ok);
      }
    }
  }
  if (!ok || p.month < 1 || p.month > 12 || p.day < 1 || p.day > 31 || p.hour > 23 ||
      p.minute > 59 || p.second > 59)
    return std::nullopt;
  int y = 0, m = 0, d = 0;
  CivilFromDays(DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)),
                y, m, d);
  if (d != p.day || m != p.month) return std::nullopt;  // 31 February and the like
  return EncodeDateTime(p);
}

std::string FormatIsoDateTime(double serial) {
  const TDateParts p = DecodeDateTime(serial);
  char buf[48];
  if (p.hour == 0 && p.minute == 0 && p.second == 0 && p.millisecond == 0)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
  return buf;
}

}  // namespace tablirex
