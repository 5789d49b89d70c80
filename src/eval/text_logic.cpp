// Logic (IF AND OR NOT TRUE FALSE CHOOSE) and information functions (IS...,
// NA, TYPE, ERROR.TYPE, T, N, CELL, INFO, COUNTA, COUNTBLANK).
#include <string_view>

#include "eval/text_common.h"

namespace tablirex::eval::text {
namespace {

// A returned argument as a result: an omitted one is 0.
TValue Chosen(const TValue& v) { return v.IsMissing() ? TValue::Number(0) : v; }

TValue If(TEvalContext& ctx, std::span<const TValue> args) {
  const TValue cond = ToBoolean(Arg(ctx, args, 0));
  if (cond.IsError()) return cond;
  if (cond.Bool()) return args.size() > 1 ? Chosen(args[1]) : TValue::Boolean(true);
  return args.size() > 2 ? Chosen(args[2]) : TValue::Boolean(false);
}

// AND and OR: logical values and numbers count; texts and blanks in references
// and arrays are skipped; no value at all is #VALUE!.
template <bool kAnd>
TValue AndOr(TEvalContext& ctx, std::span<const TValue> args) {
  bool any = false, acc = kAnd;
  TValue error;
  auto take = [&](const TValue& v) {
    if (v.IsError()) {
      if (!error.IsError()) error = v;
      return false;
    }
    if (v.IsNumber() || v.IsBoolean()) {
      any = true;
      if (kAnd)
        acc = acc && v.Num() != 0;
      else
        acc = acc || v.Num() != 0;
    }
    return true;
  };
  for (const TValue& a : args) {
    if (a.IsArea()) {
      ctx.ForEachCell(a.Area(), [&](std::int32_t, std::int32_t, std::int32_t, const TValue& v) { return take(v); });
    } else if (a.IsArray()) {
      for (const TValue& v : a.Arr().items)
        if (!take(v)) break;
    } else {
      const TValue b = a.IsMissing() ? TValue::Boolean(false) : ToBoolean(a);
      take(b);
    }
    if (error.IsError()) return error;
  }
  if (!any) return ValueErr();
  return TValue::Boolean(acc);
}

TValue Not(TEvalContext& ctx, std::span<const TValue> args) {
  const TValue b = ToBoolean(Arg(ctx, args, 0));
  return b.IsError() ? b : TValue::Boolean(!b.Bool());
}
TValue True(TEvalContext&, std::span<const TValue>) { return TValue::Boolean(true); }
TValue False(TEvalContext&, std::span<const TValue>) { return TValue::Boolean(false); }

TValue Choose(TEvalContext& ctx, std::span<const TValue> args) {
  double k = 0;
  TValue err;
  if (!NumArg(ctx, args, 0, k, err)) return err;
  k = Trunc(k);
  if (k < 1 || k >= static_cast<double>(args.size())) return ValueErr();
  return Chosen(args[static_cast<std::size_t>(k)]);
}

// ---- information ---------------------------------------------------------------

template <typename TTest>
TValue Is(TEvalContext& ctx, std::span<const TValue> args, TTest test) {
  return TValue::Boolean(test(Arg(ctx, args, 0)));
}

TValue IsNa(TEvalContext& c, std::span<const TValue> a) {
  return Is(c, a, [](const TValue& v) { return v.IsError() && v.Err() == TEvalError::NA; });
}
TValue IsError(TEvalContext& c, std::span<const TValue> a) {
  return Is(c, a, [](const TValue& v) { return v.IsError(); });
}
TValue IsErr(TEvalContext& c, std::span<const TValue> a) {
  return Is(c, a, [](const TValue& v) { return v.IsError() && v.Err() != TEvalError::NA; });
}
TValue IsText(TEvalContext& c, std::span<const TValue> a) {
  return Is(c, a, [](const TValue& v) { return v.IsText(); });
}
TValue IsNonText(TEvalContext& c, std::span<const TValue> a) {
  return Is(c, a, [](const TValue& v) { return !v.IsText(); });
}
TValue IsNumber(TEvalContext& c, std::span<const TValue> a) {
  return Is(c, a, [](const TValue& v) { return v.IsNumber(); });
}
TValue IsLogical(TEvalContext& c, std::span<const TValue> a) {
  return Is(c, a, [](const TValue& v) { return v.IsBoolean(); });
}
TValue IsBlank(TEvalContext& c, std::span<const TValue> a) {
  return Is(c, a, [](const TValue& v) { return v.IsEmpty() && !v.IsMissing(); });
}
TValue IsRef(TEvalContext&, std::span<const TValue> a) { return TValue::Boolean(!a.empty() && a[0].IsArea()); }
TValue Na(TEvalContext&, std::span<const TValue>) { return Err(TEvalError::NA); }

TValue Type(TEvalContext& ctx, std::span<const TValue> args) {
  if (!args.empty() && args[0].IsArray()) return TValue::Number(64);
  const TValue v = Arg(ctx, args, 0);
  switch (v.Kind()) {
    case TValueKind::Text:
      return TValue::Number(2);
    case TValueKind::Boolean:
      return TValue::Number(4);
    case TValueKind::Error:
      return TValue::Number(16);
    default:
      return TValue::Number(1);
  }
}

TValue ErrorType(TEvalContext& ctx, std::span<const TValue> args) {
  const TValue v = Arg(ctx, args, 0);
  if (!v.IsError()) return Err(TEvalError::NA);
  switch (v.Err()) {
    case TEvalError::Null:
      return TValue::Number(1);
    case TEvalError::Div0:
      return TValue::Number(2);
    case TEvalError::Value:
      return TValue::Number(3);
    case TEvalError::Ref:
      return TValue::Number(4);
    case TEvalError::Name:
      return TValue::Number(5);
    case TEvalError::Num:
      return TValue::Number(6);
    case TEvalError::NA:
      return TValue::Number(7);
  }
  return Err(TEvalError::NA);
}

// T and N take one value: the cell of a reference in the formula's row or column.
TValue FirstValue(TEvalContext& ctx, std::span<const TValue> args) {
  return args.empty() ? TValue() : Scalar(ctx, args[0]);
}

TValue T(TEvalContext& ctx, std::span<const TValue> args) {
  const TValue v = FirstValue(ctx, args);
  if (v.IsText() || v.IsError()) return v;
  return TValue::Text(u"");
}

TValue N(TEvalContext& ctx, std::span<const TValue> args) {
  const TValue v = FirstValue(ctx, args);
  if (v.IsNumber() || v.IsError()) return v;
  if (v.IsBoolean()) return TValue::Number(v.Bool() ? 1 : 0);
  return TValue::Number(0);
}

TValue CountA(TEvalContext& ctx, std::span<const TValue> args) {
  double n = 0;
  for (const TValue& a : args) {
    if (a.IsArea()) {
      ctx.ForEachCell(a.Area(), [&](std::int32_t, std::int32_t, std::int32_t, const TValue&) { return ++n, true; });
    } else if (a.IsArray()) {
      for (const TValue& v : a.Arr().items) n += v.IsEmpty() ? 0 : 1;
    } else {
      n += 1;  // a value written in the call, an omitted one included
    }
  }
  return TValue::Number(n);
}

TValue CountBlank(TEvalContext& ctx, std::span<const TValue> args) {
  if (args.empty() || !args[0].IsArea()) return ValueErr();
  const TArea& a = args[0].Area();
  double stored = 0, emptyTexts = 0;
  ctx.ForEachCell(a, [&](std::int32_t, std::int32_t, std::int32_t, const TValue& v) {
    ++stored;
    if (v.IsText() && v.Str().empty()) ++emptyTexts;
    return true;
  });
  const double cells = static_cast<double>(a.Rows() * a.Cols() * (a.sheetLast - a.sheetFirst + 1));
  return TValue::Number(cells - stored + emptyTexts);
}

// CELL's code for the number format of a cell, for the formats the built-in
// list holds; empty when the format is none of them.
std::u16string_view FormatCode(std::u16string_view f) {
  struct TCode {
    std::u16string_view format, code;
  };
  static constexpr TCode kCodes[] = {
      {u"General", u"G"},
      {u"", u"G"},
      {u"0", u"F0"},
      {u"0.00", u"F2"},
      {u"#,##0", u",0"},
      {u"#,##0.00", u",2"},
      {u"#,##0_);(#,##0)", u",0"},
      {u"#,##0_);[Red](#,##0)", u",0-"},
      {u"#,##0.00_);(#,##0.00)", u",2"},
      {u"#,##0.00_);[Red](#,##0.00)", u",2-"},
      {u"$#,##0_);($#,##0)", u"C0"},
      {u"$#,##0_);[Red]($#,##0)", u"C0-"},
      {u"$#,##0.00_);($#,##0.00)", u"C2"},
      {u"$#,##0.00_);[Red]($#,##0.00)", u"C2-"},
      {u"0%", u"P0"},
      {u"0.00%", u"P2"},
      {u"0.00E+00", u"S2"},
      {u"# ?/?", u"G"},
      {u"# ?\?/?\?", u"G"},
      {u"m/d/yy", u"D4"},
      {u"m/d/yy h:mm", u"D4"},
      {u"mm/dd/yy", u"D4"},
      {u"d-mmm-yy", u"D1"},
      {u"dd-mmm-yy", u"D1"},
      {u"d-mmm", u"D2"},
      {u"dd-mmm", u"D2"},
      {u"mmm-yy", u"D3"},
      {u"mm/dd", u"D5"},
      {u"h:mm:ss AM/PM", u"D6"},
      {u"h:mm AM/PM", u"D7"},
      {u"h:mm:ss", u"D8"},
      {u"h:mm", u"D9"},
      {u"@", u"@"},
  };

  for (const TCode& c : kCodes)
    if (c.format == f) return c.code;
  return {};
}

TValue Cell(TEvalContext& ctx, std::span<const TValue> args) {
  ctx.MarkVolatile();
  TValue info, err;
  if (!TextArg(ctx, args, 0, info, err)) return err;
  if (args.size() < 2 || !args[1].IsArea()) {
    if (args.size() >= 2 && !args[1].IsMissing()) return ValueErr();
    ctx.MarkUncomputable("CELL without a reference describes the cell last changed");
    return Err(TEvalError::NA);
  }
  const TArea& a = args[1].Area();
  const std::u16string& what = info.Str();
  auto is = [&](std::u16string_view w) { return CompareTextNoCase(what, w) == 0; };
  if (is(u"row")) return TValue::Number(a.row1 + 1);
  if (is(u"col")) return TValue::Number(a.col1 + 1);
  const TValue v = ctx.CellValue(a.sheetFirst, a.row1, a.col1);
  if (is(u"contents")) return v;
  if (is(u"type")) return TValue::Text(v.IsEmpty() ? u"b" : v.IsText() ? u"l" : u"v");
  if (is(u"address")) {
    if (a.sheetFirst != ctx.CurrentSheet()) {
      ctx.MarkUncomputable("CELL(\"address\") of another sheet names the file");
      return Err(TEvalError::NA);
    }
    std::u16string s = u"$";
    const std::int32_t col = a.col1;
    if (col >= 26) s += static_cast<char16_t>(u'A' + col / 26 - 1);
    s += static_cast<char16_t>(u'A' + col % 26);
    s += u'$';
    AppendNumberText(a.row1 + 1, s);
    return TValue::Text(std::move(s));
  }
  if (is(u"format") || is(u"color") || is(u"parentheses")) {
    const std::u16string format = ctx.CellFormat(a.sheetFirst, a.row1, a.col1);
    const std::u16string_view code = FormatCode(format);
    if (code.empty()) {
      ctx.MarkUncomputable("CELL of a number format outside the built-in list");
      return Err(TEvalError::NA);
    }
    const bool paren = code.ends_with(u"()");
    const std::u16string_view base = paren ? code.substr(0, code.size() - 2) : code;
    if (is(u"color")) return TValue::Number(base.ends_with(u"-") ? 1 : 0);
    if (is(u"parentheses")) return TValue::Number(paren ? 1 : 0);
    return TValue::Text(std::u16string(code));
  }
  if (is(u"prefix") && !v.IsText()) return TValue::Text(u"");
  if (is(u"prefix") || is(u"protect") || is(u"width") || is(u"filename")) {
    ctx.MarkUncomputable("CELL describes the cell's alignment, protection, width or file");
    return Err(TEvalError::NA);
  }
  return ValueErr();
}

TValue Info(TEvalContext& ctx, std::span<const TValue> args) {
  ctx.MarkVolatile();
  TValue info, err;
  if (!TextArg(ctx, args, 0, info, err)) return err;
  static constexpr std::u16string_view kMachine[] = {u"directory", u"numfile",  u"origin",  u"osversion", u"release",
                                                     u"system",    u"memavail", u"memused", u"totmem"};
  if (CompareTextNoCase(info.Str(), u"recalc") == 0) return TValue::Text(u"Automatic");
  for (std::u16string_view k : kMachine)
    if (CompareTextNoCase(info.Str(), k) == 0) {
      ctx.MarkUncomputable("INFO describes the machine that opens the file");
      return Err(TEvalError::NA);
    }
  return ValueErr();
}

constexpr TFunctionDef kLogic[] = {
    {1, Lifted<If, 1u>},
    {36, AndOr<true>},
    {37, AndOr<false>},
    {38, Lifted<Not>},
    {34, True},
    {35, False},
    {100, Lifted<Choose, 1u>},
    {2, Lifted<IsNa>},
    {3, Lifted<IsError>},
    {126, Lifted<IsErr>},
    {127, Lifted<IsText>},
    {190, Lifted<IsNonText>},
    {128, Lifted<IsNumber>},
    {198, Lifted<IsLogical>},
    {129, Lifted<IsBlank>},
    {105, IsRef},
    {10, Na},
    {86, Type},
    {261, Lifted<ErrorType>},
    {130, T},
    {131, N},
    {169, CountA},
    {347, CountBlank},
    {125, Cell},
    {244, Info},
};

}  // namespace

std::span<const TFunctionDef> LogicFunctions() noexcept { return kLogic; }

}  // namespace tablirex::eval::text
