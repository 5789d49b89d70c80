// Cell values as text: a number or date-time shown through a number-format text
// ("#,##0.00", "0%", "yyyy-mm-dd hh:mm"), and the plain form of values that
// carry no format. Deterministic and independent of the process locale: the
// decimal separator is always "." and the thousands separator ",".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/variant.h"

namespace tablirex {

/// Rounds to the nearest integer, a half to the even neighbour (2.5 gives 2).
double RoundHalfEven(double x) noexcept;

/// True when the format (UTF-8) shows date or time parts (y, m, d, h, s, AM/PM,
/// [h] ...) outside quoted texts and brackets.
bool IsDateTimeFormat(std::string_view format);

/// A number shown through a number format, UTF-8. Sections split by ";" serve
/// positive, negative and zero values; digit placeholders 0 # ?, ".", "," (thousands
/// and scaling), %, E+/E-, quoted and escaped literals, [$text-locale], _x spacing
/// and *x fill are understood; colours and conditions in brackets are ignored.
/// "General" gives the plain form (PlainNumberText). A format with date or time
/// parts shows the number as a serial day number (FormatDateTimePattern).
std::string FormatFloatPattern(std::string_view format, double value);

/// A serial day number shown through a date-time format, UTF-8: y yy yyyy, m mm
/// mmm mmmm mmmmm (months, or minutes after an hour or before a second), d dd ddd
/// dddd, h hh, s ss with .0 .00 .000, AM/PM and A/P, [h] [m] [s] elapsed time. A
/// format without date or time parts shows the serial number (FormatFloatPattern).
std::string FormatDateTimePattern(std::string_view format, double serial);

/// A number in its plain form: at most 15 significant digits, no trailing zeros,
/// exponent form ("1.5E+20") outside 1E-5 … 1E15.
std::string PlainNumberText(double value);

/// The length in characters of PlainNumberText(value), found without building the
/// text for the values cells usually hold.
std::size_t PlainNumberWidth(double value);

/// How the width of the text a format shows numbers with varies from number to
/// number: what fitting a column to its widest text needs to look at.
enum class TFormatWidth : std::uint8_t {
  Plain,     // no format or "@": the plain form (PlainValueText)
  General,   // "General": PlainNumberText
  Monotone,  // digit placeholders, fixed decimals: per sign, never narrower for a larger magnitude
  Fixed,     // date and time parts of fixed widths: one width for every calendar date
  Varying,   // anything else (names of months or days, fractions, exponents, ...)
};
TFormatWidth ClassifyFormatWidth(std::string_view format);

/// A value in its plain form, UTF-8: texts as they are, numbers by
/// PlainNumberText, dates as "yyyy-mm-dd" (with " hh:nn:ss" when there is a time),
/// booleans "TRUE"/"FALSE" as a cell shows them, empty and null "".
std::string PlainValueText(const TVariant& value);

/// The text a cell shows for a value and its number format (UTF-8): an empty
/// format or "@" gives the plain form; numbers and dates are formatted; other
/// values (texts, formulas) keep their plain form.
std::string FormatCellValue(const TVariant& value, std::string_view format);

}  // namespace tablirex
