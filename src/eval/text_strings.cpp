// Text functions: CONCATENATE LEN LEFT RIGHT MID FIND SEARCH SUBSTITUTE REPLACE
// LOWER UPPER PROPER TRIM CLEAN REPT CHAR CODE EXACT VALUE ROMAN. (DOLLAR, FIXED
// and TEXT, which show numbers through formats, are in text_format.cpp.)
#include <string_view>

#include "eval/text_common.h"
#include "text/text.h"

namespace tablirex::eval::text {
namespace {

constexpr std::size_t kMaxText = 32767;  // the longest text a cell holds

TValue TextResult(std::u16string s) { return s.size() > kMaxText ? ValueErr() : TValue::Text(std::move(s)); }

TValue Concatenate(TEvalContext& ctx, std::span<const TValue> args) {
  std::u16string out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    TValue t, err;
    if (!TextArg(ctx, args, i, t, err)) return err;
    out += t.Str();
    if (out.size() > kMaxText) return ValueErr();
  }
  return TValue::Text(std::move(out));
}

TValue Len(TEvalContext& ctx, std::span<const TValue> args) {
  TValue t, err;
  if (!TextArg(ctx, args, 0, t, err)) return err;
  return TValue::Number(static_cast<double>(t.Str().size()));
}

// LEFT and RIGHT: a count of characters, 1 when left out, #VALUE! below 0.
template <bool kLeft>
TValue LeftRight(TEvalContext& ctx, std::span<const TValue> args) {
  TValue t, err;
  double n = 1;
  if (!TextArg(ctx, args, 0, t, err) || !NumArg(ctx, args, 1, n, err, 1)) return err;
  if (args.size() > 1 && args[1].IsMissing()) n = 0;
  n = Trunc(n);
  if (n < 0) return ValueErr();
  const std::u16string& s = t.Str();
  const std::size_t k = n >= static_cast<double>(s.size()) ? s.size() : static_cast<std::size_t>(n);
  return TValue::Text(kLeft ? s.substr(0, k) : s.substr(s.size() - k));
}

TValue Mid(TEvalContext& ctx, std::span<const TValue> args) {
  TValue t, err;
  double start = 0, n = 0;
  if (!TextArg(ctx, args, 0, t, err) || !NumArg(ctx, args, 1, start, err) || !NumArg(ctx, args, 2, n, err)) return err;
  start = Trunc(start), n = Trunc(n);
  if (start < 1 || n < 0) return ValueErr();
  const std::u16string& s = t.Str();
  if (start > static_cast<double>(s.size())) return TValue::Text(u"");
  const std::size_t from = static_cast<std::size_t>(start) - 1;
  const std::size_t k = n > static_cast<double>(s.size() - from) ? s.size() - from : static_cast<std::size_t>(n);
  return TValue::Text(s.substr(from, k));
}

// FIND (exact case, no wildcards) and SEARCH (any case, wildcards).
template <bool kSearch>
TValue FindSearch(TEvalContext& ctx, std::span<const TValue> args) {
  TValue what, within, err;
  double start = 1;
  if (!TextArg(ctx, args, 0, what, err) || !TextArg(ctx, args, 1, within, err) || !NumArg(ctx, args, 2, start, err, 1))
    return err;
  start = Trunc(start);
  const std::u16string_view w = what.Str(), s = within.Str();
  if (start < 1 || start > static_cast<double>(s.size()) + (w.empty() ? 1 : 0)) return ValueErr();
  const std::size_t from = static_cast<std::size_t>(start) - 1;
  if (w.empty()) return TValue::Number(start);
  if (!kSearch) {
    const std::size_t at = s.find(w, from);
    return at == std::u16string_view::npos ? ValueErr() : TValue::Number(static_cast<double>(at + 1));
  }
  bool wild = false;
  for (char16_t c : w) wild = wild || c == u'*' || c == u'?' || c == u'~';
  if (!wild) {
    for (std::size_t i = from; i + w.size() <= s.size(); ++i)
      if (CompareTextNoCase(s.substr(i, w.size()), w) == 0) return TValue::Number(static_cast<double>(i + 1));
    return ValueErr();
  }
  // A wildcard pattern matches a stretch of the text: the earliest start at
  // which the pattern, followed by anything, matches the rest.
  std::u16string open(w);
  open += u'*';
  for (std::size_t i = from; i < s.size(); ++i)
    if (WildcardMatch(open, s.substr(i))) return TValue::Number(static_cast<double>(i + 1));
  return ValueErr();
}

TValue Substitute(TEvalContext& ctx, std::span<const TValue> args) {
  TValue t, from, to, err;
  double instance = 0;
  if (!TextArg(ctx, args, 0, t, err) || !TextArg(ctx, args, 1, from, err) || !TextArg(ctx, args, 2, to, err) ||
      !NumArg(ctx, args, 3, instance, err))
    return err;
  const bool all = !Given(args, 3);
  instance = Trunc(instance);
  if (!all && instance < 1) return ValueErr();
  const std::u16string& s = t.Str();
  const std::u16string_view f = from.Str(), r = to.Str();
  if (f.empty()) return t;
  std::u16string out;
  std::size_t pos = 0, seen = 0;
  for (;;) {
    const std::size_t at = s.find(f, pos);
    if (at == std::u16string::npos) break;
    ++seen;
    out.append(s, pos, at - pos);
    if (all || static_cast<double>(seen) == instance)
      out += r;
    else
      out += f;
    pos = at + f.size();
    if (!all && static_cast<double>(seen) == instance) break;
  }
  out.append(s, pos, std::u16string::npos);
  return TextResult(std::move(out));
}

TValue Replace(TEvalContext& ctx, std::span<const TValue> args) {
  TValue t, with, err;
  double start = 0, n = 0;
  if (!TextArg(ctx, args, 0, t, err) || !NumArg(ctx, args, 1, start, err) || !NumArg(ctx, args, 2, n, err) ||
      !TextArg(ctx, args, 3, with, err))
    return err;
  start = Trunc(start), n = Trunc(n);
  if (start < 1 || n < 0) return ValueErr();
  const std::u16string& s = t.Str();
  const std::size_t from = start > static_cast<double>(s.size()) ? s.size() : static_cast<std::size_t>(start) - 1;
  const std::size_t k = n > static_cast<double>(s.size() - from) ? s.size() - from : static_cast<std::size_t>(n);
  std::u16string out = s.substr(0, from);
  out += with.Str();
  out.append(s, from + k, std::u16string::npos);
  return TextResult(std::move(out));
}

template <int kMode>  // 0 lower, 1 upper, 2 proper
TValue ChangeCase(TEvalContext& ctx, std::span<const TValue> args) {
  TValue t, err;
  if (!TextArg(ctx, args, 0, t, err)) return err;
  std::u16string s = t.Str();
  bool afterLetter = false;
  for (char16_t& c : s) {
    const bool letter = UpperChar(c) != LowerChar(c);
    if (kMode == 0)
      c = LowerChar(c);
    else if (kMode == 1)
      c = UpperChar(c);
    else
      c = afterLetter ? LowerChar(c) : UpperChar(c);
    afterLetter = letter;
  }
  return TValue::Text(std::move(s));
}

TValue Trim(TEvalContext& ctx, std::span<const TValue> args) {
  TValue t, err;
  if (!TextArg(ctx, args, 0, t, err)) return err;
  std::u16string out;
  bool space = false;
  for (char16_t c : t.Str()) {
    if (c == u' ') {
      space = true;
      continue;
    }
    if (space && !out.empty()) out += u' ';
    space = false;
    out += c;
  }
  return TValue::Text(std::move(out));
}

TValue Clean(TEvalContext& ctx, std::span<const TValue> args) {
  TValue t, err;
  if (!TextArg(ctx, args, 0, t, err)) return err;
  std::u16string out;
  for (char16_t c : t.Str())
    if (c >= 32) out += c;
  return TValue::Text(std::move(out));
}

TValue Rept(TEvalContext& ctx, std::span<const TValue> args) {
  TValue t, err;
  double n = 0;
  if (!TextArg(ctx, args, 0, t, err) || !NumArg(ctx, args, 1, n, err)) return err;
  n = Trunc(n);
  if (n < 0) return ValueErr();
  const std::u16string& s = t.Str();
  if (s.empty() || n == 0) return TValue::Text(u"");
  if (n * static_cast<double>(s.size()) > static_cast<double>(kMaxText)) return ValueErr();
  std::u16string out;
  out.reserve(s.size() * static_cast<std::size_t>(n));
  for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) out += s;
  return TValue::Text(std::move(out));
}

// CHAR and CODE use code page 1252 (western European), the character set of an
// English locale.
constexpr std::uint16_t kCodePage = 1252;

TValue Char(TEvalContext& ctx, std::span<const TValue> args) {
  TValue err;
  double n = 0;
  if (!NumArg(ctx, args, 0, n, err)) return err;
  n = Trunc(n);
  if (n < 1 || n > 255) return ValueErr();
  const std::string byte(1, static_cast<char>(static_cast<unsigned char>(n)));
  return TValue::Text(CodePageToUtf16(byte, kCodePage));
}

TValue Code(TEvalContext& ctx, std::span<const TValue> args) {
  TValue t, err;
  if (!TextArg(ctx, args, 0, t, err)) return err;
  if (t.Str().empty()) return ValueErr();
  const std::string b = Utf16ToCodePage(std::u16string_view(t.Str()).substr(0, 1), kCodePage);
  return TValue::Number(b.empty() ? 63 : static_cast<unsigned char>(b[0]));
}

TValue Exact(TEvalContext& ctx, std::span<const TValue> args) {
  TValue a, b, err;
  if (!TextArg(ctx, args, 0, a, err) || !TextArg(ctx, args, 1, b, err)) return err;
  return TValue::Boolean(a.Str() == b.Str());
}

TValue Value(TEvalContext& ctx, std::span<const TValue> args) {
  const TValue v = Arg(ctx, args, 0);
  if (v.IsNumber() || v.IsError()) return v;
  if (v.IsEmpty()) return TValue::Number(0);
  if (!v.IsText()) return ValueErr();
  double d = 0;
  switch (ParseNumberText(v.Str(), ctx.Date1904(), d)) {
    case TTextNumber::Number:
      return TValue::Number(d);
    case TTextNumber::Unsure:
      ctx.MarkUncomputable("VALUE of a text read by locale or against the current year");
      [[fallthrough]];
    default:
      return ValueErr();
  }
}

// ROMAN: form 0 is the classic numeral; forms 1 to 4 allow ever more concise
// subtractive pairs, a lower symbol up to `form` steps further down the scale
// than the classic pair's (499: CDXCIX, LDVLIV, XDIX, VDIV, ID). The numeral is
// built greedily from the largest symbol or pair that fits.
TValue Roman(TEvalContext& ctx, std::span<const TValue> args) {
  TValue err;
  double n = 0, form = 0;
  if (!NumArg(ctx, args, 0, n, err)) return err;
  if (Given(args, 1)) {
    const TValue f = Arg(ctx, args, 1);
    if (f.IsBoolean())
      form = f.Bool() ? 0 : 4;
    else if (!NumArg(ctx, args, 1, form, err))
      return err;
  }
  n = Trunc(n), form = Trunc(form);
  if (n < 0 || n > 3999 || form < 0 || form > 4) return ValueErr();
  static constexpr char16_t kSym[] = {u'M', u'D', u'C', u'L', u'X', u'V', u'I'};
  static constexpr int kVal[] = {1000, 500, 100, 50, 10, 5, 1};
  // The classic subtractor of each symbol (index into kSym; -1: none).
  static constexpr int kClassic[] = {2, 2, 4, 4, 6, 6, -1};
  int rest = static_cast<int>(n);
  const int steps = static_cast<int>(form);
  std::u16string out;
  while (rest > 0) {
    int bestVal = 0, bestHi = -1, bestLo = -1;
    for (int hi = 0; hi < 7; ++hi) {
      if (kVal[hi] <= rest && kVal[hi] > bestVal) bestVal = kVal[hi], bestHi = hi, bestLo = -1;
      if (kClassic[hi] < 0) continue;
      // Subtractors: the classic one and up to `steps` further down, powers of ten
      // first (I X C), then the fives (V L) that the concise forms allow.
      for (int lo = kClassic[hi]; lo < 7 && lo <= kClassic[hi] + steps; ++lo) {
        const int v = kVal[hi] - kVal[lo];
        if (v <= rest && v > bestVal && kVal[lo] * 2 != kVal[hi]) bestVal = v, bestHi = hi, bestLo = lo;
      }
    }
    if (bestLo >= 0) out += kSym[bestLo];
    out += kSym[bestHi];
    rest -= bestVal;
  }
  return TValue::Text(std::move(out));
}

constexpr TFunctionDef kStrings[] = {
    {336, Lifted<Concatenate>},
    {32, Lifted<Len>},
    {115, Lifted<LeftRight<true>>},
    {116, Lifted<LeftRight<false>>},
    {31, Lifted<Mid>},
    {124, Lifted<FindSearch<false>>},
    {82, Lifted<FindSearch<true>>},
    {120, Lifted<Substitute>},
    {119, Lifted<Replace>},
    {112, Lifted<ChangeCase<0>>},
    {113, Lifted<ChangeCase<1>>},
    {114, Lifted<ChangeCase<2>>},
    {118, Lifted<Trim>},
    {162, Lifted<Clean>},
    {30, Lifted<Rept>},
    {111, Lifted<Char>},
    {121, Lifted<Code>},
    {117, Lifted<Exact>},
    {33, Lifted<Value>},
    {354, Lifted<Roman>},
};

}  // namespace

std::span<const TFunctionDef> StringFunctions() noexcept { return kStrings; }

}  // namespace tablirex::eval::text
