// Criteria functions (COUNTIF, SUMIF) and the database functions (DCOUNT DSUM
// DAVERAGE DMIN DMAX DSTDEV DSTDEVP DVAR DVARP DPRODUCT DCOUNTA DGET), plus CALL
// and REGISTER.ID, which run code outside the workbook.
#include <algorithm>
#include <cmath>
#include <vector>

#include "eval/text_common.h"

namespace tablirex::eval::text {
namespace {

double Cells(const TArea& a) { return static_cast<double>(a.Rows() * a.Cols()); }

TValue CountIf(TEvalContext& ctx, std::span<const TValue> args) {
  if (args.size() < 2) return ValueErr();
  const TValue& range = args[0];
  const TCriteria criteria(Arg(ctx, args, 1));
  double n = 0;
  if (range.IsArea()) {
    const TArea& a = range.Area();
    if (a.sheetFirst != a.sheetLast) return ValueErr();
    double stored = 0;
    ctx.ForEachCell(a, [&](std::int32_t, std::int32_t, std::int32_t, const TValue& v) {
      ++stored;
      if (criteria.Matches(v)) ++n;
      return true;
    });
    if (criteria.MatchesBlank()) n += Cells(a) - stored;
  } else if (range.IsArray()) {
    for (const TValue& v : range.Arr().items) n += criteria.Matches(v) ? 1 : 0;
  } else {
    return ValueErr();
  }
  return TValue::Number(n);
}

TValue SumIf(TEvalContext& ctx, std::span<const TValue> args) {
  if (args.size() < 2 || !args[0].IsArea()) return ValueErr();
  const TArea& a = args[0].Area();
  if (a.sheetFirst != a.sheetLast) return ValueErr();
  const TCriteria criteria(Arg(ctx, args, 1));
  // The cells summed: the range itself, or the area of its size at the sum range's corner.
  TArea s = a;
  if (Given(args, 2)) {
    if (!args[2].IsArea()) return ValueErr();
    const TArea& b = args[2].Area();
    s.sheetFirst = s.sheetLast = b.sheetFirst;
    s.row1 = b.row1, s.col1 = b.col1;
    s.row2 = std::min(kLastRow, b.row1 + (a.row2 - a.row1));
    s.col2 = std::min(kLastCol, b.col1 + (a.col2 - a.col1));
  }
  const std::int32_t dr = s.row1 - a.row1, dc = s.col1 - a.col1;
  double sum = 0;
  TValue error;
  auto add = [&](const TValue& v) {
    if (v.IsNumber())
      sum += v.Num();
    else if (v.IsError() && !error.IsError())
      error = v;
  };
  ctx.ForEachCell(a, [&](std::int32_t, std::int32_t r, std::int32_t c, const TValue& v) {
    if (!criteria.Matches(v)) return true;
    if (dr == 0 && dc == 0 && s.sheetFirst == a.sheetFirst)
      add(v);
    else if (r + dr <= s.row2 && c + dc <= s.col2)
      add(ctx.CellValue(s.sheetFirst, r + dr, c + dc));
    return true;
  });
  if (criteria.MatchesBlank() && (dr != 0 || dc != 0 || s.sheetFirst != a.sheetFirst)) {
    // Blank cells of the range that match: found from the stored cells of the sum range.
    ctx.ForEachCell(s, [&](std::int32_t, std::int32_t r, std::int32_t c, const TValue& v) {
      if (ctx.CellValue(a.sheetFirst, r - dr, c - dc).IsEmpty()) add(v);
      return true;
    });
  }
  if (error.IsError()) return error;
  return TValue::Number(sum);
}

// ---- database functions --------------------------------------------------------

enum class TDbOp { Count, Sum, Average, Min, Max, StDev, StDevP, Var, VarP, Product, CountA, Get };

// One condition of a criteria row: the database column and the test.
struct TCondition {
  std::int32_t column;  // zero-based within the database
  TCriteria test;
};

// A condition cell as the database functions read it: a text without an
// operator that is not a number means "begins with".
TCriteria ConditionOf(const TValue& cell) {
  if (!cell.IsText()) return TCriteria(cell);
  const std::u16string& s = cell.Str();
  const char16_t first = s.empty() ? u'\0' : s[0];
  if (first == u'=' || first == u'<' || first == u'>') return TCriteria(cell);
  double d = 0;
  if (ParseNumberText(s, false, d) == TTextNumber::Number || CompareTextNoCase(s, u"TRUE") == 0 ||
      CompareTextNoCase(s, u"FALSE") == 0 || (!s.empty() && s[0] == u'#'))
    return TCriteria(cell);
  return TCriteria(TValue::Text(s + u"*"));
}

TValue Database(TEvalContext& ctx, std::span<const TValue> args, TDbOp op) {
  if (args.size() < 3 || !args[0].IsArea() || !args[2].IsArea()) return ValueErr();
  const TArea& db = args[0].Area();
  const TArea& cr = args[2].Area();
  if (db.sheetFirst != db.sheetLast || cr.sheetFirst != cr.sheetLast || db.Rows() < 1) return ValueErr();
  const std::int32_t sheet = db.sheetFirst;
  // The field: a heading (any case) or a 1-based column number; DCOUNT and
  // DCOUNTA without one count records.
  std::int32_t field = -1;
  const TValue f = Arg(ctx, args, 1);
  if (f.IsError()) return f;
  if (f.IsText()) {
    for (std::int32_t c = db.col1; c <= db.col2 && field < 0; ++c) {
      const TValue h = ctx.CellValue(sheet, db.row1, c);
      if (h.IsText() && CompareTextNoCase(h.Str(), f.Str()) == 0) field = c - db.col1;
    }
    if (field < 0) return ValueErr();
  } else if (f.IsNumber()) {
    const double k = Trunc(f.Num());
    if (k < 1 || k > static_cast<double>(db.Cols())) return ValueErr();
    field = static_cast<std::int32_t>(k) - 1;
  } else if (!(f.IsEmpty() && (op == TDbOp::Count || op == TDbOp::CountA))) {
    return ValueErr();
  }
  // The criteria rows: conditions under headings that name database columns.
  std::vector<std::vector<TCondition>> rows;
  for (std::int32_t r = cr.row1 + 1; r <= cr.row2; ++r) {
    std::vector<TCondition> row;
    for (std::int32_t c = cr.col1; c <= cr.col2; ++c) {
      const TValue cell = ctx.CellValue(cr.sheetFirst, r, c);
      if (cell.IsEmpty()) continue;
      const TValue h = ctx.CellValue(cr.sheetFirst, cr.row1, c);
      std::int32_t column = -1;
      for (std::int32_t d = db.col1; d <= db.col2 && column < 0 && h.IsText(); ++d) {
        const TValue dh = ctx.CellValue(sheet, db.row1, d);
        if (dh.IsText() && CompareTextNoCase(dh.Str(), h.Str()) == 0) column = d - db.col1;
      }
      if (column < 0) {
        ctx.MarkUncomputable("database criteria computed by a formula or under an unknown heading");
        return ValueErr();
      }
      row.push_back({column, ConditionOf(cell)});
    }
    rows.push_back(std::move(row));
    if (rows.back().empty()) break;  // a blank criteria row lets every record through
  }
  if (rows.empty()) {  // headings without a row of conditions under them
    ctx.MarkUncomputable("database criteria without a row of conditions");
    return ValueErr();
  }

  // The records present: rows of the database below its headings that hold a cell.
  std::vector<std::int32_t> records;
  TArea body = db;
  body.row1 = db.row1 + 1;
  if (body.row1 <= body.row2)
    ctx.ForEachCell(body, [&](std::int32_t, std::int32_t r, std::int32_t, const TValue&) {
      if (records.empty() || records.back() != r) records.push_back(r);
      return true;
    });

  std::vector<double> values;
  double count = 0, product = 1;
  TValue got, error;
  std::size_t matches = 0;
  for (std::int32_t r : records) {
    bool pass = false;
    for (const auto& row : rows) {
      bool all = true;
      for (const TCondition& k : row)
        if (!k.test.Matches(ctx.CellValue(sheet, r, db.col1 + k.column))) {
          all = false;
          break;
        }
      if (all) {
        pass = true;
        break;
      }
    }
    if (!pass) continue;
    ++matches;
    if (field < 0) {
      if (op == TDbOp::Count || op == TDbOp::CountA) ++count;
      continue;
    }
    const TValue v = ctx.CellValue(sheet, r, db.col1 + field);
    if (op == TDbOp::Get) {
      got = v;
      if (matches > 1) return Err(TEvalError::Num);
      continue;
    }
    if (op == TDbOp::CountA) {
      if (!v.IsEmpty()) ++count;
      continue;
    }
    if (v.IsError()) {
      if (op != TDbOp::Count && !error.IsError()) error = v;
      continue;
    }
    if (!v.IsNumber()) continue;
    ++count;
    product *= v.Num();
    values.push_back(v.Num());
  }
  if (op == TDbOp::Get) {
    if (matches == 0) return ValueErr();
    return got.IsEmpty() ? TValue::Number(0) : got;
  }
  if (op == TDbOp::Count || op == TDbOp::CountA) return TValue::Number(count);
  if (error.IsError()) return error;
  const double n = static_cast<double>(values.size());
  double sum = 0;
  for (double v : values) sum += v;
  switch (op) {
    case TDbOp::Sum:
      return NumResult(sum);
    case TDbOp::Product:
      return NumResult(values.empty() ? 0 : product);
    case TDbOp::Average:
      return values.empty() ? Err(TEvalError::Div0) : NumResult(sum / n);
    case TDbOp::Min:
      return TValue::Number(values.empty() ? 0 : *std::min_element(values.begin(), values.end()));
    case TDbOp::Max:
      return TValue::Number(values.empty() ? 0 : *std::max_element(values.begin(), values.end()));
    default:
      break;
  }
  const bool sample = op == TDbOp::StDev || op == TDbOp::Var;
  if (n < (sample ? 2 : 1)) return Err(TEvalError::Div0);
  const double mean = sum / n;
  double ss = 0;
  for (double v : values) ss += (v - mean) * (v - mean);
  const double var = ss / (sample ? n - 1 : n);
  return NumResult(op == TDbOp::StDev || op == TDbOp::StDevP ? std::sqrt(var) : var);
}

template <TDbOp kOp>
TValue Db(TEvalContext& ctx, std::span<const TValue> args) {
  return Database(ctx, args, kOp);
}

// CALL and REGISTER.ID reach code libraries of the machine that opens the file.
TValue External(TEvalContext& ctx, std::span<const TValue>) {
  ctx.MarkUncomputable("CALL and REGISTER.ID run code outside the workbook");
  return ValueErr();
}

constexpr TFunctionDef kDatabase[] = {
    {346, Lifted<CountIf, 2u>}, {345, Lifted<SumIf, 2u>},  {40, Db<TDbOp::Count>},   {41, Db<TDbOp::Sum>},
    {42, Db<TDbOp::Average>},   {43, Db<TDbOp::Min>},      {44, Db<TDbOp::Max>},     {45, Db<TDbOp::StDev>},
    {47, Db<TDbOp::Var>},       {189, Db<TDbOp::Product>}, {195, Db<TDbOp::StDevP>}, {196, Db<TDbOp::VarP>},
    {199, Db<TDbOp::CountA>},   {235, Db<TDbOp::Get>},     {150, External},          {267, External},
};

}  // namespace

std::span<const TFunctionDef> DatabaseFunctions() noexcept { return kDatabase; }

}  // namespace tablirex::eval::text
