// Serial date numbers: days counted from 30 December 1899 (so 1 is 1 January
// 1900) with the year 1900 taken as a leap year (serial 60 is 29 February 1900,
// a day that never was), or, in the 1904 date system, days from 1 January 1904
// (serial 0) without that quirk. The time of day is the fraction.
#pragma once

#include <cstdint>

namespace tablirex::eval {

/// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar;
/// month and day may lie outside their ranges (2026-13-01 is 2027-01-01).
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) noexcept;
/// The inverse of DaysFromCivil.
void CivilFromDays(std::int64_t days, std::int64_t& y, std::int32_t& m, std::int32_t& d) noexcept;

/// The serial number of a valid day (1 <= m <= 12, 1 <= d <= days of the month,
/// 29 February 1900 included in the 1900 system), or false when the day lies
/// before the first day of the date system or after 9999-12-31.
bool SerialFromDate(std::int32_t y, std::int32_t m, std::int32_t d, bool date1904, double& serial) noexcept;
/// Year, month and day of the whole part of a serial number (0 <= serial <
/// 2958466 in the 1900 system): serial 0 is the "0 January 1900" that DAY,
/// MONTH and YEAR report, 60 is 29 February 1900.
void DateFromSerial(std::int64_t serial, bool date1904, std::int32_t& y, std::int32_t& m, std::int32_t& d) noexcept;
/// The largest serial number that is a date (9999-12-31) in the date system.
double MaxSerial(bool date1904) noexcept;

}  // namespace tablirex::eval
