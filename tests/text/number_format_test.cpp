#include <gtest/gtest.h>

#include "tablirex/datetime.h"
#include "text/number_format.h"

namespace tablirex {
namespace {

struct NumberCase {
  const char* format;
  double value;
  const char* shown;
};

TEST(NumberFormat, NumbersThroughFormats) {
  const NumberCase cases[] = {
      {"0.00", 1234.5, "1234.50"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"0.00", 2.675, "2.68"},  // decimal rounding, not the binary value's
      {"0.00", -2.5, "-2.50"},
      {"0.00", -0.001, "0.00"},  // no sign on a value shown as zero
      {"0", 0.5, "1"},
      {"00000", 42, "00042"},
      {"#.##", 0.5, ".5"},
      {"0.##", 1, "1."},
      {"#,##0", 999, "999"},
      {"#,##0", 1000, "1,000"},
      {"#,##0,", 1234567, "1,235"},  // a trailing comma divides by a thousand
      {"0%", 0.256, "26%"},
      {"0.0%", 0.1234, "12.3%"},
      {"0.00E+00", 12345, "1.23E+04"},
      {"0.00E+00", 0.00012345, "1.23E-04"},
      {"0.00E+00", 9.999, "1.00E+01"},  // the mantissa carries into the exponent
      {"##0.0E+0", 1234.5, "1.2E+3"},
      {"#,##0;(#,##0)", -1234, "(1,234)"},
      {"0;-0;\"zero\"", 0, "zero"},
      {"[Red]0.0", 3.14159, "3.1"},
      {"\"$\"#,##0.00", 12.345, "$12.35"},
      {"[$\xE2\x82\xAC-407] #,##0.00", 5, "\xE2\x82\xAC 5.00"},
      {"0.0 \\k\\g", 2.25, "2.3 kg"},
      {"000-0000", 5551234, "555-1234"},
      {"0.00_)", 1, "1.00 "},
      {"General", 0.1 + 0.2, "0.3"},
      {"?0.0?", 1.5, " 1.5 "},
  };
  for (const NumberCase& c : cases) EXPECT_EQ(FormatFloatPattern(c.format, c.value), c.shown) << c.format;
}

TEST(NumberFormat, Fractions) {
  const NumberCase cases[] = {
      {"# ?/?", 1234.5, "1234 1/2"},
      {"# ?/?", 0.25, "1/4"},
      {"# ?/?", 2.75, "2 3/4"},
      {"# ?/?", -2.75, "-2 3/4"},
      {"# ?/?", 3, "3    "},       // a whole number keeps the fraction's place blank
      {"# ?/?", 0.96, "1    "},     // rounds up into the whole number
      {"# ?/?", 0.01, "0    "},
      {"# ?/?", 0.3333, "1/3"},
      {"# ?\?/??", 3.14159, "3 14/99"},
      {"# ?\?/??", 0.25, " 1/4 "},
      {"# ?/8", 2.75, "2 6/8"},     // a fixed denominator is not reduced
      {"# ?/8", 1234.5, "1234 4/8"},
      {"# ?/8", 0.1, "1/8"},
      {"# ?\?/16", 0.5, " 8/16"},
      {"# ?/10", 0.35, "4/10"},
      {"?/?", 1234.5, "2469/2"},    // no whole number: an improper fraction
      {"?\?/??", 0.75, " 3/4 "},
      {"#,##0 ?/?", 12345.5, "12,345 1/2"},
      {"0 ?/?", 0.5, "0 1/2"},
      {"# ?/?\\ \\m", 1.5, "1 1/2 m"},
      {"# ?/?;(# ?/?)", -1.5, "(1 1/2)"},
  };
  for (const NumberCase& c : cases)
    EXPECT_EQ(FormatFloatPattern(c.format, c.value), c.shown) << c.format << " " << c.value;
  // Dates keep their slashes.
  EXPECT_EQ(FormatFloatPattern("d/m/yyyy", EncodeDate(2024, 3, 5)), "5/3/2024");
}

TEST(NumberFormat, DatesThroughFormats) {
  const double when = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 250);
  const NumberCase cases[] = {
      {"yyyy-mm-dd hh:mm:ss", when, "2024-03-05 14:07:09"},
      {"d mmm yyyy", when, "5 Mar 2024"},
      {"dddd, mmmm d", when, "Tuesday, March 5"},
      {"mm/dd/yy", when, "03/05/24"},
      {"h:mm AM/PM", when, "2:07 PM"},
      {"hh:mm:ss.00", when, "14:07:09.25"},
      {"mmmmm", when, "M"},
      {"[h]:mm", 1.5, "36:00"},
      {"yyyy-mm-dd", EncodeDate(1899, 12, 30), "1899-12-30"},
  };
  for (const NumberCase& c : cases) EXPECT_EQ(FormatDateTimePattern(c.format, c.value), c.shown) << c.format;
  // A number under a date format is a serial day number; a date under a number
  // format its serial number.
  EXPECT_EQ(FormatFloatPattern("yyyy-mm-dd", EncodeDate(2024, 3, 5)), "2024-03-05");
  EXPECT_EQ(FormatDateTimePattern("0.00", 45356.25), "45356.25");
  // No calendar day: the plain number.
  EXPECT_EQ(FormatDateTimePattern("yyyy-mm-dd", 1e300), "1E+300");
  EXPECT_TRUE(IsDateTimeFormat("[h]:mm"));
  EXPECT_FALSE(IsDateTimeFormat("0.00"));
  EXPECT_FALSE(IsDateTimeFormat("\"days\" 0"));
}

TEST(NumberFormat, PlainForms) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{1234.5, "1234.5"}, {0.1 + 0.2, "0.3"}, {-7, "-7"},           {1e20, "1E+20"},
               {-1e-6, "-1E-6"},   {0, "0"},           {123456789012345.0, "123456789012345"},
               {1.0 / 3, "0.333333333333333"}};
  for (const auto& c : cases) EXPECT_EQ(PlainNumberText(c.value), c.text);
  EXPECT_EQ(PlainValueText(TVariant::Date(EncodeDate(2024, 3, 5))), "2024-03-05");
  EXPECT_EQ(PlainValueText(TVariant::Null()), "");
  EXPECT_EQ(FormatCellValue(TVariant(1234.5), "@"), "1234.5");
  EXPECT_EQ(FormatCellValue(TVariant(1234.5), ""), "1234.5");
  EXPECT_EQ(FormatCellValue(TVariant("=A1*2"), "0.00"), "=A1*2");
  EXPECT_EQ(FormatCellValue(TVariant(std::int32_t{7}), "0.0"), "7.0");
}

TEST(NumberFormat, HalvesRoundToEven) {
  const double in[] = {0.5, 1.5, 2.5, -2.5, 2.4999, 16.99575};
  const double out[] = {0, 2, 2, -2, 2, 17};
  for (std::size_t i = 0; i < std::size(in); ++i) EXPECT_EQ(RoundHalfEven(in[i]), out[i]) << in[i];
}

}  // namespace
}  // namespace tablirex

namespace tablirex {
namespace {

// Formats cut short or odd still give a text, never a fault.
TEST(NumberFormat, OddFormats) {
  const NumberCase cases[] = {
      {"\"abc", 1, "abc"}, {"[Red", 1, ""},     {"0\\", 1, "1"},       {";;;", -1, ""},
      {"0.0E+", 12, "1.2E+"}, {"#,,,", 5e9, "5"}, {"E+0", 3, "E+0"}, {"_", 2, " "},
      {"*", 2, ""},        {"0;", -2, ""},     {"@", 2, "@"},        {"[h", 2, "48"},
  };
  for (const NumberCase& c : cases) EXPECT_EQ(FormatFloatPattern(c.format, c.value), c.shown) << c.format;
  const char* dates[] = {"y", "[", "m:s.", ".000", "AM/", "A/", "\"", "dddddd"};
  for (const char* f : dates) EXPECT_NO_THROW(FormatDateTimePattern(f, 45356.75)) << f;
}

}  // namespace
}  // namespace tablirex

#include <algorithm>
#include <cmath>
#include <random>

namespace tablirex {
namespace {

// The shortcuts that fitting columns takes agree with the formatter: the plain
// form's width without its text, and the widest text of a monotone format at the
// extremes of each sign and of a fixed date format at any date.
TEST(NumberFormat, WidthShortcutsAgreeWithTheTexts) {
  std::mt19937_64 rng(11);
  std::vector<double> values = {0.1 + 0.2, 1.0 / 3, 123456789012345.0, 999999999999999.9, 1e-4,
                                0.00012345, 99.995, -0.5, 5e14, 1e15, 123.456, -7.25};
  for (int i = 0; i < 4000; ++i) {
    const double mantissa = std::uniform_real_distribution<double>(-10, 10)(rng);
    const int exponent = std::uniform_int_distribution<int>(-6, 16)(rng);
    double v = mantissa * std::pow(10.0, exponent);
    if (i % 3 == 0) v = std::round(v * 1000) / 1000;  // few decimals, as data has them
    values.push_back(v);
  }
  for (const double v : values) ASSERT_EQ(PlainNumberWidth(v), PlainNumberText(v).size()) << v;

  struct Case {
    const char* format;
    TFormatWidth kind;
  } cases[] = {
      {"", TFormatWidth::Plain},          {"@", TFormatWidth::Plain},
      {"General", TFormatWidth::General}, {"#,##0.00", TFormatWidth::Monotone},
      {"0.0%", TFormatWidth::Monotone},   {"#,##0;[Red](#,##0);\"zero\"", TFormatWidth::Monotone},
      {"?? ???", TFormatWidth::Monotone}, {"0.##", TFormatWidth::Varying},
      {"0.00E+00", TFormatWidth::Varying}, {"# ?/?", TFormatWidth::Varying},
      {"General\" kg\"", TFormatWidth::Varying}, {"dd.mm.yyyy hh:mm:ss", TFormatWidth::Fixed},
      {"yyyy-mm-dd", TFormatWidth::Fixed}, {"ddd, dd mmm yy h AM/PM", TFormatWidth::Varying},
      {"ddd, dd mmm yy hh AM/PM", TFormatWidth::Fixed}, {"d.m.yyyy", TFormatWidth::Varying},
      {"mmmm", TFormatWidth::Varying},    {"[h]:mm", TFormatWidth::Varying},
      {"hh:mm:ss.000", TFormatWidth::Fixed},
  };
  const auto width = [](const char* f, double v) { return FormatFloatPattern(f, v).size(); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(ClassifyFormatWidth(c.format), c.kind);
    if (c.kind != TFormatWidth::Monotone && c.kind != TFormatWidth::Fixed) continue;
    std::size_t widest = 0, predicted = 0;
    double maxPositive = 0, minNegative = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
      // Dates: serials of the years 1900 to 9999.
      const double v = c.kind == TFormatWidth::Fixed ? std::fmod(std::fabs(values[i]), 2958465.0) : values[i];
      widest = std::max(widest, width(c.format, v));
      maxPositive = std::max(maxPositive, v);
      minNegative = std::min(minNegative, v);
    }
    if (c.kind == TFormatWidth::Fixed)
      predicted = width(c.format, 45000.5);
    else
      predicted = std::max({width(c.format, maxPositive), width(c.format, minNegative), width(c.format, 0)});
    EXPECT_EQ(widest, predicted);
  }
}

}  // namespace
}  // namespace tablirex
