// Dates and times: DATE TIME DAY MONTH YEAR HOUR MINUTE SECOND WEEKDAY DAYS360
// DATEVALUE TIMEVALUE NOW TODAY, in the workbook's date system.
#include <cmath>

#include "eval/eval_dates.h"
#include "eval/text_common.h"

namespace tablirex::eval::text {
namespace {

constexpr std::int64_t kEpoch1900 = -25569;  // 1899-12-30, days from 1970-01-01
constexpr std::int64_t kEpoch1904 = -24107;  // 1904-01-01
constexpr double kDays1904 = 1462;           // serial of 1904-01-01 in the 1900 system

TValue Date(TEvalContext& ctx, std::span<const TValue> args) {
  double y = 0, m = 0, d = 0;
  TValue err;
  if (!NumArg(ctx, args, 0, y, err) || !NumArg(ctx, args, 1, m, err) || !NumArg(ctx, args, 2, d, err)) return err;
  y = Trunc(y), m = Trunc(m), d = Trunc(d);
  if (y < 0 || y >= 10000 || std::fabs(m) > 1e6 || std::fabs(d) > 1e8) return Err(TEvalError::Num);
  if (y < 1900) y += 1900;
  const bool d1904 = ctx.Date1904();
  // Carry the month into the year, then count from the first of that month.
  std::int64_t yy = static_cast<std::int64_t>(y), mm = static_cast<std::int64_t>(m);
  yy += (mm >= 1 ? (mm - 1) / 12 : -((12 - mm) / 12));
  mm = ((mm - 1) % 12 + 12) % 12 + 1;
  const std::int64_t first = DaysFromCivil(yy, mm, 1);
  double serial = 0;
  if (d1904) {
    serial = static_cast<double>(first - kEpoch1904) + d - 1;
  } else {
    // Before March 1900 the calendar counts one day less (it has a 29 February 1900).
    std::int64_t s = first - kEpoch1900;
    if (yy < 1900 || (yy == 1900 && mm <= 2)) --s;
    serial = static_cast<double>(s) + d - 1;
  }
  if (serial < 0 || serial > MaxSerial(d1904)) return Err(TEvalError::Num);
  return TValue::Number(serial);
}

TValue Time(TEvalContext& ctx, std::span<const TValue> args) {
  double h = 0, mi = 0, s = 0;
  TValue err;
  if (!NumArg(ctx, args, 0, h, err) || !NumArg(ctx, args, 1, mi, err) || !NumArg(ctx, args, 2, s, err)) return err;
  h = Trunc(h), mi = Trunc(mi), s = Trunc(s);
  if (h > 32767 || mi > 32767 || s > 32767) return Err(TEvalError::Num);
  const double total = h * 3600 + mi * 60 + s;
  if (total < 0) return Err(TEvalError::Num);
  return TValue::Number(std::fmod(total, 86400) / 86400);
}

// The serial-number argument of DAY, MONTH ... : a number (or a date text) in
// the range of the date system.
bool SerialArg(TEvalContext& ctx, std::span<const TValue> args, std::size_t i, double& serial, TValue& err) {
  if (!NumArg(ctx, args, i, serial, err)) return false;
  if (serial < 0 || serial >= MaxSerial(ctx.Date1904()) + 1) {
    err = Err(TEvalError::Num);
    return false;
  }
  return true;
}

template <int kPart>  // 0 day, 1 month, 2 year
TValue DatePart(TEvalContext& ctx, std::span<const TValue> args) {
  double serial = 0;
  TValue err;
  if (!SerialArg(ctx, args, 0, serial, err)) return err;
  std::int32_t y = 0, m = 0, d = 0;
  DateFromSerial(static_cast<std::int64_t>(std::floor(serial)), ctx.Date1904(), y, m, d);
  return TValue::Number(kPart == 0 ? d : kPart == 1 ? m : y);
}

template <int kPart>  // 0 hour, 1 minute, 2 second
TValue TimePart(TEvalContext& ctx, std::span<const TValue> args) {
  double serial = 0;
  TValue err;
  if (!SerialArg(ctx, args, 0, serial, err)) return err;
  // The time of day to the nearest second.
  double secs = std::floor((serial - std::floor(serial)) * 86400 + 0.5);
  if (secs >= 86400) secs = 0;
  const double v = kPart == 0   ? std::floor(secs / 3600)
                   : kPart == 1 ? std::fmod(std::floor(secs / 60), 60)
                                : std::fmod(secs, 60);
  return TValue::Number(v);
}

TValue Weekday(TEvalContext& ctx, std::span<const TValue> args) {
  double serial = 0, type = 1;
  TValue err;
  if (!SerialArg(ctx, args, 0, serial, err) || !NumArg(ctx, args, 1, type, err, 1)) return err;
  type = Trunc(type);
  double day = std::floor(serial) + (ctx.Date1904() ? kDays1904 : 0);
  // Serial 1 of the 1900 calendar is a Sunday (0 here), and so is every seventh day on.
  const int sunday0 = static_cast<int>(std::fmod(day + 6, 7));
  int first = 0, base = 1;  // the weekday numbered `base` (0 Sunday ... 6 Saturday)
  if (type == 1)
    first = 0;
  else if (type == 2)
    first = 1;
  else if (type == 3)
    first = 1, base = 0;
  else if (type >= 11 && type <= 17)
    first = static_cast<int>(type) - 10 == 7 ? 0 : static_cast<int>(type) - 10;
  else
    return Err(TEvalError::Num);
  return TValue::Number(((sunday0 - first + 7) % 7) + base);
}

TValue Days360(TEvalContext& ctx, std::span<const TValue> args) {
  double a = 0, b = 0;
  TValue err;
  bool european = false;
  if (!SerialArg(ctx, args, 0, a, err) || !SerialArg(ctx, args, 1, b, err) || !BoolArg(ctx, args, 2, european, err))
    return err;
  const bool d1904 = ctx.Date1904();
  std::int32_t y1 = 0, m1 = 0, d1 = 0, y2 = 0, m2 = 0, d2 = 0;
  DateFromSerial(static_cast<std::int64_t>(std::floor(a)), d1904, y1, m1, d1);
  DateFromSerial(static_cast<std::int64_t>(std::floor(b)), d1904, y2, m2, d2);
  auto lastOfFebruary = [&](double serial, std::int32_t m) {
    if (m != 2) return false;
    std::int32_t y = 0, mm = 0, dd = 0;
    DateFromSerial(static_cast<std::int64_t>(std::floor(serial)) + 1, d1904, y, mm, dd);
    return mm == 3;
  };
  if (european) {
    if (d1 == 31) d1 = 30;
    if (d2 == 31) d2 = 30;
  } else {
    if (lastOfFebruary(a, m1)) {
      if (lastOfFebruary(b, m2)) d2 = 30;
      d1 = 30;
    }
    if (d2 == 31 && d1 >= 30) d2 = 30;
    if (d1 == 31) d1 = 30;
  }
  return TValue::Number(360.0 * (y2 - y1) + 30.0 * (m2 - m1) + (d2 - d1));
}

// True when a text that reads as a number reads as a date or time rather than
// a plain number ("12", "1e-3", "50%" are not dates).
bool DateLike(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c == u'/' || c == u':') return true;
    const char16_t l = static_cast<char16_t>(c | 0x20);
    if (l >= u'a' && l <= u'z' && l != u'e') return true;
    if (c == u'-' && i > 0 && (s[i - 1] | 0x20) != u'e' && s[i - 1] != u'$' && s[i - 1] != u'(' && s[i - 1] != u' ')
      return true;
  }
  return false;
}

template <bool kDate>
TValue DateTimeValue(TEvalContext& ctx, std::span<const TValue> args) {
  const TValue v = Arg(ctx, args, 0);
  if (v.IsError()) return v;
  if (!v.IsText()) return ValueErr();
  double serial = 0;
  switch (ParseNumberText(v.Str(), ctx.Date1904(), serial)) {
    case TTextNumber::Number:
      if (!DateLike(v.Str())) return ValueErr();
      return TValue::Number(kDate ? std::floor(serial) : serial - std::floor(serial));
    case TTextNumber::Unsure:
      ctx.MarkUncomputable("a date text read by locale or against the current year");
      [[fallthrough]];
    default:
      return ValueErr();
  }
}

// The moment of the save, in the workbook's date system.
double NowSerial(TEvalContext& ctx) { return ctx.Now() - (ctx.Date1904() ? kDays1904 : 0); }

TValue Now(TEvalContext& ctx, std::span<const TValue>) {
  ctx.MarkVolatile();
  return TValue::Number(NowSerial(ctx));
}

TValue Today(TEvalContext& ctx, std::span<const TValue>) {
  ctx.MarkVolatile();
  return TValue::Number(std::floor(NowSerial(ctx)));
}

constexpr TFunctionDef kDates[] = {
    {65, Lifted<Date>},
    {66, Lifted<Time>},
    {67, Lifted<DatePart<0>>},
    {68, Lifted<DatePart<1>>},
    {69, Lifted<DatePart<2>>},
    {71, Lifted<TimePart<0>>},
    {72, Lifted<TimePart<1>>},
    {73, Lifted<TimePart<2>>},
    {70, Lifted<Weekday>},
    {220, Lifted<Days360>},
    {140, Lifted<DateTimeValue<true>>},
    {141, Lifted<DateTimeValue<false>>},
    {74, Now},
    {221, Today},
};

}  // namespace

std::span<const TFunctionDef> DateFunctions() noexcept { return kDates; }

}  // namespace tablirex::eval::text
