// Serial day numbers: whole days since 30 December 1899, time of day as the fraction.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tablirex {

struct TDateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

/// Serial day numbers of 1 January of the year 1 and of the day after 31 December
/// 9999: the date-times a cell holds lie between them (the last one excluded).
inline constexpr double kFirstDateSerial = -693593.0;
inline constexpr double kDateSerialEnd = 2958466.0;
/// True when serial is a date-time a cell may hold.
constexpr bool IsDateSerial(double serial) noexcept {
  return serial >= kFirstDateSerial && serial < kDateSerialEnd;
}

/// Serial day number of a calendar date (proleptic Gregorian; 1899-12-30 is 0).
double EncodeDate(int year, int month, int day) noexcept;
/// Fraction of a day for a time of day.
double EncodeTime(int hour, int minute, int second, int millisecond = 0) noexcept;
/// EncodeDate + EncodeTime; the time is added on the positive side, as the file
/// formats count it (serial -1.25 is 1899-12-29 06:00).
double EncodeDateTime(const TDateParts& p) noexcept;
/// Splits a serial day number into its calendar date and time of day, rounded to
/// the millisecond. A serial outside the years 1 to 9999 (or not finite) gives the
/// parts of serial 0.
TDateParts DecodeDateTime(double serial) noexcept;
/// Parses "YYYY-MM-DD", "YYYY-MM-DDThh:mm[:ss[.fff]]" or with a blank instead of T.
std::optional<double> ParseIsoDateTime(std::string_view text) noexcept;
/// "yyyy-mm-dd", followed by " hh:nn:ss" when the time of day is not midnight.
std::string FormatIsoDateTime(double serial);

}  // namespace tablirex
