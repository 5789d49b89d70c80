// Serial date numbers in the 1900 and 1904 date systems.
#include "eval/eval_dates.h"

namespace tablirex::eval {
namespace {

// Days from 1970-01-01 to the day before serial 1 (1900 system: 1899-12-31 for
// serials up to 59, 1899-12-30 from 61 on) and to serial 0 (1904 system).
constexpr std::int64_t kEpoch1900 = -25569;  // 1899-12-30
constexpr std::int64_t kEpoch1904 = -24107;  // 1904-01-01

}  // namespace

std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) noexcept {
  // Carry the month into the year first, then count from 1 March of year 0.
  y += (m >= 1 ? (m - 1) / 12 : -((12 - m) / 12));
  m = ((m - 1) % 12 + 12) % 12 + 1;
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, std::int32_t& m, std::int32_t& d) noexcept {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<std::int32_t>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<std::int32_t>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

bool SerialFromDate(std::int32_t y, std::int32_t m, std::int32_t d, bool date1904, double& serial) noexcept {
  if (m < 1 || m > 12 || d < 1 || y > 9999) return false;
  static constexpr std::int32_t kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d > kDays[m - 1]) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (m == 2 && d == 29 && !leap) {
    if (y != 1900 || date1904) return false;
    serial = 60;
    return true;
  }
  const std::int64_t days = DaysFromCivil(y, m, d);
  if (date1904) {
    if (days < kEpoch1904) return false;
    serial = static_cast<double>(days - kEpoch1904);
    return true;
  }
  std::int64_t s = days - kEpoch1900;
  if (s < 61) --s;  // before 1 March 1900 the count lacks the missing leap day
  if (s < 1) return false;
  serial = static_cast<double>(s);
  return true;
}

void DateFromSerial(std::int64_t serial, bool date1904, std::int32_t& y, std::int32_t& m, std::int32_t& d) noexcept {
  std::int64_t year = 0;
  if (date1904) {
    CivilFromDays(serial + kEpoch1904, year, m, d);
  } else if (serial == 0) {
    year = 1900, m = 1, d = 0;
  } else if (serial == 60) {
    year = 1900, m = 2, d = 29;
  } else {
    CivilFromDays(serial + kEpoch1900 + (serial < 60 ? 1 : 0), year, m, d);
  }
  y = static_cast<std::int32_t>(year);
}

double MaxSerial(bool date1904) noexcept { return date1904 ? 2957003 : 2958465; }

}  // namespace tablirex::eval
