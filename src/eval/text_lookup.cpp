// Lookups and references: ROW COLUMN ROWS COLUMNS AREAS INDEX MATCH LOOKUP
// HLOOKUP VLOOKUP OFFSET INDIRECT ADDRESS TRANSPOSE.
//
// Searches over a reference never walk blank cells: exact matches go through
// ForEachCell (stored cells only), approximate ones bisect with CellValue, so a
// lookup over a whole column costs what its data costs.
#include <cmath>
#include <string>
#include <unordered_map>

#include "eval/text_common.h"

namespace tablirex::eval::text {
namespace {

// One row or column of an area or array, item by item.
struct TLine {
  TEvalContext& ctx;
  const TValue& src;
  bool vertical;       // down a column (else along a row)
  std::int64_t fixed;  // the column (vertical) or row index, zero-based within src
  std::int64_t n;

  TValue At(std::int64_t i) const { return vertical ? ItemAt(ctx, src, i, fixed) : ItemAt(ctx, src, fixed, i); }
};

TLine FirstColumn(TEvalContext& ctx, const TValue& t) {
  std::int64_t rows = 0, cols = 0;
  Dimensions(t, rows, cols);
  return TLine{ctx, t, true, 0, rows};
}
TLine FirstRow(TEvalContext& ctx, const TValue& t) {
  std::int64_t rows = 0, cols = 0;
  Dimensions(t, rows, cols);
  return TLine{ctx, t, false, 0, cols};
}

// Equality of a lookup value with an item: same type, texts without regard to
// case and with wildcards when asked for.
bool SameValue(const TValue& x, const TValue& item, bool wild) {
  if (x.Kind() != item.Kind()) return false;
  if (x.IsText() && wild) return WildcardMatch(x.Str(), item.Str());
  if (x.IsError()) return false;
  return CompareScalars(x, item) == 0;
}

// The first position of every value of a row or column of cells, for exact
// lookups repeated over the same cells (a column of VLOOKUPs into one table).
struct TExactIndex {
  TArea slice;
  std::unordered_map<double, std::int64_t> numbers;  // by the value rounded to 15 digits
  std::unordered_map<std::u16string, std::int64_t> texts;  // upper case
  std::int64_t trueAt = -1, falseAt = -1;

  static std::u16string Upper(std::u16string_view s) {
    std::u16string u(s);
    for (char16_t& c : u) c = UpperChar(c);
    return u;
  }
  std::int64_t Find(const TValue& x) const {
    if (x.IsNumber()) {
      const auto it = numbers.find(Round15(x.Num()) + 0.0);
      return it == numbers.end() ? -1 : it->second;
    }
    if (x.IsText()) {
      const auto it = texts.find(Upper(x.Str()));
      return it == texts.end() ? -1 : it->second;
    }
    if (x.IsBoolean()) return x.Bool() ? trueAt : falseAt;
    return -1;
  }
};

bool SameArea(const TArea& a, const TArea& b) {
  return a.sheetFirst == b.sheetFirst && a.sheetLast == b.sheetLast && a.row1 == b.row1 && a.col1 == b.col1 &&
         a.row2 == b.row2 && a.col2 == b.col2;
}

// Slices shorter than this are scanned: an index would not pay.
constexpr std::int64_t kIndexFrom = 128;

// Index of the first item equal to x, or -1.
std::int64_t FindExact(const TLine& line, const TValue& x, bool wildcards) {
  bool wild = false;
  if (wildcards && x.IsText())
    for (char16_t c : x.Str()) wild = wild || c == u'*' || c == u'?' || c == u'~';
  if (line.src.IsArea()) {
    const TArea& a = line.src.Area();
    TArea slice = a;
    slice.sheetLast = a.sheetFirst;
    if (line.vertical)
      slice.col1 = slice.col2 = a.col1 + static_cast<std::int32_t>(line.fixed);
    else
      slice.row1 = slice.row2 = a.row1 + static_cast<std::int32_t>(line.fixed);
    if (!wild && line.n >= kIndexFrom) {
      std::uint64_t key = 0x5EA4C4u;
      for (std::int32_t p : {slice.sheetFirst, slice.row1, slice.col1, slice.row2, slice.col2})
        key = (key ^ static_cast<std::uint32_t>(p)) * 1099511628211ull;
      if (std::shared_ptr<void>* slot = line.ctx.Memo(key)) {
        auto index = std::static_pointer_cast<TExactIndex>(*slot);
        if (!index || !SameArea(index->slice, slice)) {
          index = std::make_shared<TExactIndex>();
          index->slice = slice;
          TExactIndex& ix = *index;
          line.ctx.ForEachCell(slice, [&](std::int32_t, std::int32_t r, std::int32_t c, const TValue& v) {
            const std::int64_t at = line.vertical ? r - a.row1 : c - a.col1;
            if (v.IsNumber()) ix.numbers.emplace(Round15(v.Num()) + 0.0, at);
            else if (v.IsText()) ix.texts.emplace(TExactIndex::Upper(v.Str()), at);
            else if (v.IsBoolean() && (v.Bool() ? ix.trueAt : ix.falseAt) < 0) (v.Bool() ? ix.trueAt : ix.falseAt) = at;
            return true;
          });
          *slot = index;
        }
        return index->Find(x);
      }
    }
    std::int64_t found = -1;
    line.ctx.ForEachCell(slice, [&](std::int32_t, std::int32_t r, std::int32_t c, const TValue& v) {
      if (!SameValue(x, v, wild)) return true;
      found = line.vertical ? r - a.row1 : c - a.col1;
      return false;
    });
    return found;
  }
  for (std::int64_t i = 0; i < line.n; ++i)
    if (SameValue(x, line.At(i), wild)) return i;
  return -1;
}

// Approximate search of sorted items: the last item <= x (ascending) or >= x
// (descending), by bisection. Blank items count as past the end of the data;
// items of another type order as numbers < texts < booleans. The answer is the
// nearest item of x's own type at or before that point; -1 for none.
std::int64_t FindApprox(const TLine& line, const TValue& x, bool descending) {
  auto ok = [&](const TValue& v) {
    if (v.IsEmpty() || v.IsError()) return false;
    const int c = CompareScalars(v, x);
    return descending ? c >= 0 : c <= 0;
  };
  std::int64_t lo = 0, hi = line.n - 1, best = -1;
  while (lo <= hi) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    if (ok(line.At(mid)))
      best = mid, lo = mid + 1;
    else
      hi = mid - 1;
  }
  for (std::int64_t i = best, steps = 0; i >= 0 && steps < 4096; --i, ++steps) {
    const TValue v = line.At(i);
    if (v.Kind() == x.Kind() && ok(v)) return i;
  }
  return -1;
}

// The lookup value: one value, not blank.
bool LookupValue(TEvalContext& ctx, std::span<const TValue> args, TValue& x) {
  x = Arg(ctx, args, 0);
  if (x.IsError()) return false;
  if (x.IsEmpty()) {
    x = Err(TEvalError::NA);
    return false;
  }
  return true;
}

TValue Match(TEvalContext& ctx, std::span<const TValue> args) {
  TValue x, err;
  if (!LookupValue(ctx, args, x)) return x;
  double type = 1;
  if (!NumArg(ctx, args, 2, type, err, 1)) return err;
  if (args.size() > 2 && args[2].IsMissing()) type = 0;
  const TValue& v = args.size() > 1 ? args[1] : x;
  std::int64_t rows = 0, cols = 0;
  Dimensions(v, rows, cols);
  if (v.IsArea() && v.Area().sheetFirst != v.Area().sheetLast) return Err(TEvalError::NA);
  if (rows != 1 && cols != 1) return Err(TEvalError::NA);
  const TLine line = cols == 1 ? FirstColumn(ctx, v) : FirstRow(ctx, v);
  const std::int64_t i = type == 0 ? FindExact(line, x, true) : FindApprox(line, x, type < 0);
  return i < 0 ? Err(TEvalError::NA) : TValue::Number(static_cast<double>(i + 1));
}

// VLOOKUP and HLOOKUP: search the first column (row), return from column (row) k.
template <bool kVertical>
TValue XLookup(TEvalContext& ctx, std::span<const TValue> args) {
  TValue x, err;
  if (!LookupValue(ctx, args, x)) return x;
  double k = 0;
  bool approx = true;
  if (!NumArg(ctx, args, 2, k, err) || !BoolArg(ctx, args, 3, approx, err, true)) return err;
  if (args.size() > 3 && args[3].IsMissing()) approx = false;
  if (args.size() < 2) return ValueErr();
  const TValue& table = args[1];
  if (table.IsArea() && table.Area().sheetFirst != table.Area().sheetLast) return ValueErr();
  if (!table.IsArea() && !table.IsArray()) return Err(TEvalError::NA);
  k = Trunc(k);
  std::int64_t rows = 0, cols = 0;
  Dimensions(table, rows, cols);
  if (k < 1) return ValueErr();
  if (k > static_cast<double>(kVertical ? cols : rows)) return Err(TEvalError::Ref);
  const TLine line = kVertical ? FirstColumn(ctx, table) : FirstRow(ctx, table);
  const std::int64_t i = approx ? FindApprox(line, x, false) : FindExact(line, x, true);
  if (i < 0) return Err(TEvalError::NA);
  const auto j = static_cast<std::int64_t>(k) - 1;
  return kVertical ? ItemAt(ctx, table, i, j) : ItemAt(ctx, table, j, i);
}

TValue Lookup(TEvalContext& ctx, std::span<const TValue> args) {
  TValue x;
  if (!LookupValue(ctx, args, x)) return x;
  if (args.size() < 2) return ValueErr();
  const TValue& look = args[1];
  if (!look.IsArea() && !look.IsArray()) return Err(TEvalError::NA);
  std::int64_t rows = 0, cols = 0;
  Dimensions(look, rows, cols);
  if (args.size() < 3) {
    // The array form: along the longer side, the answer from the last row or column.
    const bool vertical = rows >= cols;
    const TLine line = vertical ? FirstColumn(ctx, look) : FirstRow(ctx, look);
    const std::int64_t i = FindApprox(line, x, false);
    if (i < 0) return Err(TEvalError::NA);
    return vertical ? ItemAt(ctx, look, i, cols - 1) : ItemAt(ctx, look, rows - 1, i);
  }
  if (rows != 1 && cols != 1) return Err(TEvalError::NA);
  const TLine line = cols == 1 ? FirstColumn(ctx, look) : FirstRow(ctx, look);
  const std::int64_t i = FindApprox(line, x, false);
  if (i < 0) return Err(TEvalError::NA);
  const TValue& result = args[2];
  std::int64_t rr = 0, rc = 0;
  Dimensions(result, rr, rc);
  if (!result.IsArea() && !result.IsArray()) return i == 0 ? result : Err(TEvalError::NA);
  if (rr == 1) return i < rc ? ItemAt(ctx, result, 0, i) : Err(TEvalError::NA);
  return i < rr ? ItemAt(ctx, result, i, 0) : Err(TEvalError::NA);
}

// ---- references ----------------------------------------------------------------

TValue RowColumn(TEvalContext& ctx, std::span<const TValue> args, bool row) {
  if (args.empty() || args[0].IsMissing()) return TValue::Number((row ? ctx.CurrentRow() : ctx.CurrentCol()) + 1);
  if (!args[0].IsArea()) return ValueErr();
  const TArea& a = args[0].Area();
  const std::int32_t first = row ? a.row1 : a.col1, last = row ? a.row2 : a.col2;
  if (first == last) return TValue::Number(first + 1);
  std::vector<TValue> items;
  items.reserve(static_cast<std::size_t>(last - first + 1));
  for (std::int32_t i = first; i <= last; ++i) items.push_back(TValue::Number(i + 1));
  const auto n = static_cast<std::int32_t>(items.size());
  return row ? MakeArray(n, 1, std::move(items)) : MakeArray(1, n, std::move(items));
}
TValue Row(TEvalContext& ctx, std::span<const TValue> args) { return RowColumn(ctx, args, true); }
TValue Column(TEvalContext& ctx, std::span<const TValue> args) { return RowColumn(ctx, args, false); }

template <bool kRows>
TValue RowsColumns(TEvalContext&, std::span<const TValue> args) {
  if (args.empty()) return ValueErr();
  if (args[0].IsError()) return args[0];
  std::int64_t rows = 0, cols = 0;
  Dimensions(args[0], rows, cols);
  return TValue::Number(static_cast<double>(kRows ? rows : cols));
}

TValue Areas(TEvalContext& ctx, std::span<const TValue> args) {
  if (args.empty() || !args[0].IsArea()) return ValueErr();
  if (args[0].Area().sheetFirst != args[0].Area().sheetLast) {
    ctx.MarkUncomputable("AREAS of a reference across sheets");
    return ValueErr();
  }
  return TValue::Number(1);
}

TValue Index(TEvalContext& ctx, std::span<const TValue> args) {
  if (args.empty()) return ValueErr();
  TValue err;
  double r = 0, c = 0, area = 1;
  if (!NumArg(ctx, args, 1, r, err) || !NumArg(ctx, args, 2, c, err) || !NumArg(ctx, args, 3, area, err, 1)) return err;
  r = Trunc(r), c = Trunc(c), area = Trunc(area);
  if (r < 0 || c < 0 || area < 1) return ValueErr();
  if (area != 1) return Err(TEvalError::Ref);
  const TValue& src = args[0];
  if (src.IsError()) return src;
  std::int64_t rows = 0, cols = 0;
  Dimensions(src, rows, cols);
  // A single row or column takes one index along it.
  if (!Given(args, 2) && rows == 1 && cols > 1) c = r, r = 1;
  if (!Given(args, 2) && cols == 1) c = 1;
  if (r > static_cast<double>(rows) || c > static_cast<double>(cols)) return Err(TEvalError::Ref);
  const std::int64_t r0 = r == 0 ? 0 : static_cast<std::int64_t>(r) - 1;
  const std::int64_t c0 = c == 0 ? 0 : static_cast<std::int64_t>(c) - 1;
  const std::int64_t nr = r == 0 ? rows : 1, nc = c == 0 ? cols : 1;
  if (src.IsArea()) {
    TArea a = src.Area();
    a.row1 += static_cast<std::int32_t>(r0), a.col1 += static_cast<std::int32_t>(c0);
    a.row2 = a.row1 + static_cast<std::int32_t>(nr) - 1, a.col2 = a.col1 + static_cast<std::int32_t>(nc) - 1;
    return TValue::Reference(a);
  }
  if (!src.IsArray()) return src;
  if (nr == 1 && nc == 1) return ItemAt(ctx, src, r0, c0);
  std::vector<TValue> items;
  for (std::int64_t i = 0; i < nr; ++i)
    for (std::int64_t j = 0; j < nc; ++j) items.push_back(ItemAt(ctx, src, r0 + i, c0 + j));
  return MakeArray(static_cast<std::int32_t>(nr), static_cast<std::int32_t>(nc), std::move(items));
}

TValue Offset(TEvalContext& ctx, std::span<const TValue> args) {
  if (args.empty() || !args[0].IsArea()) return ValueErr();
  const TArea& base = args[0].Area();
  TValue err;
  double dr = 0, dc = 0, h = static_cast<double>(base.Rows()), w = static_cast<double>(base.Cols());
  if (!NumArg(ctx, args, 1, dr, err) || !NumArg(ctx, args, 2, dc, err) ||
      !NumArg(ctx, args, 3, h, err, static_cast<double>(base.Rows())) ||
      !NumArg(ctx, args, 4, w, err, static_cast<double>(base.Cols())))
    return err;
  dr = Trunc(dr), dc = Trunc(dc), h = Trunc(h), w = Trunc(w);
  if (h == 0 || w == 0) return Err(TEvalError::Ref);
  if (h < 0 || w < 0) {
    ctx.MarkUncomputable("OFFSET with a negative height or width");
    return Err(TEvalError::Ref);
  }
  const double r1 = base.row1 + dr, c1 = base.col1 + dc, r2 = r1 + h - 1, c2 = c1 + w - 1;
  if (r1 < 0 || c1 < 0 || r2 > kLastRow || c2 > kLastCol) return Err(TEvalError::Ref);
  TArea a = base;
  a.row1 = static_cast<std::int32_t>(r1), a.col1 = static_cast<std::int32_t>(c1);
  a.row2 = static_cast<std::int32_t>(r2), a.col2 = static_cast<std::int32_t>(c2);
  return TValue::Reference(a);
}

TValue Indirect(TEvalContext& ctx, std::span<const TValue> args) {
  ctx.MarkVolatile();
  TValue t, err;
  bool a1 = true;
  if (!TextArg(ctx, args, 0, t, err) || !BoolArg(ctx, args, 1, a1, err, true)) return err;
  return ctx.ResolveReference(t.Str(), a1);
}

void AppendColumnLetters(std::int64_t col, std::u16string& out) {  // col zero-based
  if (col >= 26) out += static_cast<char16_t>(u'A' + col / 26 - 1);
  out += static_cast<char16_t>(u'A' + col % 26);
}

TValue Address(TEvalContext& ctx, std::span<const TValue> args) {
  TValue err, sheet;
  double row = 0, col = 0, abs = 1;
  bool a1 = true;
  if (!NumArg(ctx, args, 0, row, err) || !NumArg(ctx, args, 1, col, err) || !NumArg(ctx, args, 2, abs, err, 1) ||
      !BoolArg(ctx, args, 3, a1, err, true))
    return err;
  if (Given(args, 4) && !TextArg(ctx, args, 4, sheet, err)) return err;
  row = Trunc(row), col = Trunc(col), abs = Trunc(abs);
  if (abs < 1 || abs > 4 || row < 1 || col < 1 || row > kLastRow + 1 || col > kLastCol + 1) return ValueErr();
  const bool absRow = abs == 1 || abs == 2, absCol = abs == 1 || abs == 3;
  std::u16string out;
  if (sheet.IsText() && !sheet.Str().empty()) {
    const std::u16string& s = sheet.Str();
    bool plain = !(s[0] >= u'0' && s[0] <= u'9');
    for (char16_t c : s)
      plain = plain && ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' ||
                        c == u'.' || c > 0x7F);
    if (plain) {
      out += s;
    } else {
      out += u'\'';
      for (char16_t c : s) {
        out += c;
        if (c == u'\'') out += c;
      }
      out += u'\'';
    }
    out += u'!';
  }
  if (a1) {
    if (absCol) out += u'$';
    AppendColumnLetters(static_cast<std::int64_t>(col) - 1, out);
    if (absRow) out += u'$';
    AppendNumberText(row, out);
  } else {
    out += u'R';
    if (!absRow) out += u'[';
    AppendNumberText(row, out);
    if (!absRow) out += u']';
    out += u'C';
    if (!absCol) out += u'[';
    AppendNumberText(col, out);
    if (!absCol) out += u']';
  }
  return TValue::Text(std::move(out));
}

TValue Transpose(TEvalContext& ctx, std::span<const TValue> args) {
  if (args.empty()) return ValueErr();
  const TValue& src = args[0];
  if (!src.IsArea() && !src.IsArray()) return src;
  std::int64_t rows = 0, cols = 0;
  Dimensions(src, rows, cols);
  if (rows * cols > (1 << 20)) {
    ctx.MarkUncomputable("TRANSPOSE of more than a million cells");
    return ValueErr();
  }
  std::vector<TValue> items(static_cast<std::size_t>(rows * cols));
  if (src.IsArea()) {
    const TArea& a = src.Area();
    TArea one = a;
    one.sheetLast = a.sheetFirst;
    ctx.ForEachCell(one, [&](std::int32_t, std::int32_t r, std::int32_t c, const TValue& v) {
      items[static_cast<std::size_t>((c - a.col1) * rows + (r - a.row1))] = v;
      return true;
    });
  } else {
    for (std::int64_t r = 0; r < rows; ++r)
      for (std::int64_t c = 0; c < cols; ++c) items[static_cast<std::size_t>(c * rows + r)] = ItemAt(ctx, src, r, c);
  }
  return MakeArray(static_cast<std::int32_t>(cols), static_cast<std::int32_t>(rows), std::move(items));
}

constexpr TFunctionDef kLookups[] = {
    {8, Row},       {9, Column},     {76, RowsColumns<true>}, {77, RowsColumns<false>}, {75, Areas},  {29, Index},
    {64, Match},    {28, Lookup},    {101, XLookup<false>},   {102, XLookup<true>},     {78, Offset}, {148, Indirect},
    {219, Address}, {83, Transpose},
};

}  // namespace

std::span<const TFunctionDef> LookupFunctions() noexcept { return kLookups; }

}  // namespace tablirex::eval::text
