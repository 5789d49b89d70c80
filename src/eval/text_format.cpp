// Numbers shown through number formats: DOLLAR, FIXED and TEXT, over the
// number-format engine that the HTML writer shows cells with.
#include <cmath>
#include <string>

#include "eval/text_common.h"
#include "text/number_format.h"
#include "text/text.h"

namespace tablirex::eval::text {
namespace {

// Rounds to `decimals` places (negative: to tens, hundreds ...), a half away
// from zero, on the number's 15 significant digits.
double RoundTo(double v, double decimals) {
  const double scale = std::pow(10.0, decimals);
  const double r = Round15(v * scale);
  const double rounded = (r < 0 ? -std::floor(-r + 0.5) : std::floor(r + 0.5)) / scale;
  return Round15(rounded);
}

// "#,##0.00" with `decimals` places, or without the grouping.
std::string FixedPattern(int decimals, bool grouping) {
  std::string p = grouping ? "#,##0" : "0";
  if (decimals > 0) p += '.', p.append(static_cast<std::size_t>(decimals), '0');
  return p;
}

// The number and decimal-count arguments of FIXED and DOLLAR.
bool FixedArgs(TEvalContext& ctx, std::span<const TValue> args, double& v, double& decimals, TValue& err) {
  if (!NumArg(ctx, args, 0, v, err) || !NumArg(ctx, args, 1, decimals, err, 2)) return false;
  decimals = Trunc(decimals);
  if (decimals > 127) {
    err = ValueErr();
    return false;
  }
  if (decimals < -308) decimals = -308;
  v = RoundTo(v, decimals);
  return true;
}

// Amounts of a hundred digits and more are left to the opening application.
TValue HugeAmount(TEvalContext& ctx) {
  ctx.MarkUncomputable("FIXED or DOLLAR of an amount of a hundred digits or more");
  return ValueErr();
}

TValue Fixed(TEvalContext& ctx, std::span<const TValue> args) {
  double v = 0, decimals = 2;
  TValue err;
  bool noCommas = false;
  if (!FixedArgs(ctx, args, v, decimals, err) || !BoolArg(ctx, args, 2, noCommas, err)) return err;
  if (std::fabs(v) >= 1e100) return HugeAmount(ctx);
  const int places = decimals > 0 ? static_cast<int>(decimals) : 0;
  return TValue::Text(Utf8ToUtf16(FormatFloatPattern(FixedPattern(places, !noCommas), v)));
}

// DOLLAR: the currency form of an English locale, "$1,234.57". How a negative
// amount shows ("($1,234.57)" or "-$1,234.57") is a setting of the machine that
// opens the file.
TValue Dollar(TEvalContext& ctx, std::span<const TValue> args) {
  double v = 0, decimals = 2;
  TValue err;
  if (!FixedArgs(ctx, args, v, decimals, err)) return err;
  if (std::fabs(v) >= 1e100) return HugeAmount(ctx);
  const int places = decimals > 0 ? static_cast<int>(decimals) : 0;
  std::u16string s = u"$" + Utf8ToUtf16(FormatFloatPattern(FixedPattern(places, true), std::fabs(v)));
  if (v < 0) {
    ctx.MarkUncomputable("DOLLAR of a negative amount shows as the machine's settings say");
    s = u"(" + s + u")";
  }
  return TValue::Text(std::move(s));
}

// True when the format holds the letter (any case) outside quotes, escapes and brackets.
bool FormatHas(std::string_view f, std::string_view letters) {
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char c = f[i];
    if (c == '"') {
      const std::size_t close = f.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;
    } else if (c == '[') {
      const std::size_t close = f.find(']', i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (letters.find(static_cast<char>(c | 0x20)) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

TValue Text(TEvalContext& ctx, std::span<const TValue> args) {
  const TValue v = Arg(ctx, args, 0);
  if (v.IsError()) return v;
  TValue fmt, err;
  if (!TextArg(ctx, args, 1, fmt, err)) return err;
  const std::string format = Utf16ToUtf8(fmt.Str());
  double num = 0;
  switch (v.Kind()) {
    case TValueKind::Number:
      num = v.Num();
      break;
    case TValueKind::Boolean:
      return ToText(v);
    case TValueKind::Text:
      switch (ParseNumberText(v.Str(), ctx.Date1904(), num)) {
        case TTextNumber::Number:
          break;
        case TTextNumber::Unsure:
          ctx.MarkUncomputable("TEXT of a text read by locale or against the current year");
          return ValueErr();
        case TTextNumber::NotNumber:
          // A text goes through the format's text section, which plain formats lack.
          if (format.find('@') == std::string::npos) {
            std::size_t sections = 1;
            for (char c : format) sections += c == ';';
            if (sections < 4) return v;
          }
          ctx.MarkUncomputable("TEXT of a text through a text section");
          return v;
      }
      break;
    default:
      break;  // Empty: 0
  }
  if (format.empty()) return TValue::Text(u"");
  // Conditions ("[>100]") and locale or calendar codes are not read by the engine.
  for (std::size_t at = format.find('['); at != std::string::npos; at = format.find('[', at + 1)) {
    const char next = at + 1 < format.size() ? format[at + 1] : ']';
    if (next == '<' || next == '>' || next == '=' || (next == '$' && format.find('-', at) < format.find(']', at))) {
      ctx.MarkUncomputable("TEXT with a condition or a locale code in the format");
      return ValueErr();
    }
  }
  if (CompareTextNoCase(fmt.Str(), u"General") == 0) {
    std::u16string s;
    AppendNumberText(num, s);
    if (s.size() > 11) ctx.MarkUncomputable("TEXT in the General format of a number wider than a cell");
    return TValue::Text(std::move(s));
  }
  if (FormatHas(format, "gb")) {
    ctx.MarkUncomputable("TEXT with General inside a format, or an era code");
    return ValueErr();
  }
  if (IsDateTimeFormat(format)) {
    if (num < 0) return ValueErr();
    if (ctx.Date1904()) num += 1462;
    if (num < 61 && FormatHas(format, "dy")) {
      ctx.MarkUncomputable("TEXT of a day before March 1900");
      return ValueErr();
    }
    if (num >= 2958466) return ValueErr();
  }
  return TValue::Text(Utf8ToUtf16(FormatFloatPattern(format, num)));
}

constexpr TFunctionDef kFormat[] = {{13, Lifted<Dollar>}, {14, Lifted<Fixed>}, {48, Lifted<Text>}};

}  // namespace

std::span<const TFunctionDef> FormatFunctions() noexcept { return kFormat; }

}  // namespace tablirex::eval::text
