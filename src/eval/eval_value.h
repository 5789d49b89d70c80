// Values of the formula evaluator and the interface between the evaluation
// engine (which walks formulas, resolves references and orders the cells) and the
// worksheet functions (one C++ function per entry of the function table).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex::eval {

/// Error values, numbered as the file formats store them.
enum class TEvalError : std::uint8_t {
  Null = 0x00,   // #NULL!
  Div0 = 0x07,   // #DIV/0!
  Value = 0x0F,  // #VALUE!
  Ref = 0x17,    // #REF!
  Name = 0x1D,   // #NAME?
  Num = 0x24,    // #NUM!
  NA = 0x2A      // #N/A
};

enum class TValueKind : std::uint8_t {
  Empty,    // an empty cell, or an omitted argument (see TValue::Missing)
  Number,
  Text,
  Boolean,
  Error,
  Area,     // a reference: a rectangle of cells on one or more sheets
  Array     // an array constant or an array a function returned
};

/// A rectangle of cells, zero-based and inclusive, on the sheets first..last
/// (zero-based positions in the workbook; first == last for a plain reference).
struct TArea {
  std::int32_t sheetFirst = 0;
  std::int32_t sheetLast = 0;
  std::int32_t row1 = 0;
  std::int32_t col1 = 0;
  std::int32_t row2 = 0;
  std::int32_t col2 = 0;

  std::int64_t Rows() const noexcept { return std::int64_t{row2} - row1 + 1; }
  std::int64_t Cols() const noexcept { return std::int64_t{col2} - col1 + 1; }
  bool IsCell() const noexcept { return row1 == row2 && col1 == col2 && sheetFirst == sheetLast; }
};

struct TArray;

/// One value. Cheap to copy: texts and arrays are shared, immutable.
class TValue {
 public:
  TValue() = default;
  static TValue Number(double v) { TValue r; r.kind_ = TValueKind::Number; r.u_.num = v; return r; }
  static TValue Boolean(bool v) { TValue r; r.kind_ = TValueKind::Boolean; r.u_.num = v ? 1 : 0; return r; }
  static TValue Error(TEvalError e) { TValue r; r.kind_ = TValueKind::Error; r.err_ = e; return r; }
  static TValue Text(std::u16string s) {
    TValue r; r.kind_ = TValueKind::Text; r.ptr_ = std::make_shared<const std::u16string>(std::move(s)); return r;
  }
  static TValue Reference(const TArea& a) { TValue r; r.kind_ = TValueKind::Area; r.u_.area = a; return r; }
  static TValue MakeArray(std::shared_ptr<const TArray> a) {
    TValue r; r.kind_ = TValueKind::Array; r.ptr_ = std::move(a); return r;
  }
  /// An argument left out of a call (",," or a trailing ","): Empty, marked.
  static TValue Missing() { TValue r; r.missing_ = true; return r; }

  TValueKind Kind() const noexcept { return kind_; }
  bool IsEmpty() const noexcept { return kind_ == TValueKind::Empty; }
  bool IsMissing() const noexcept { return kind_ == TValueKind::Empty && missing_; }
  bool IsNumber() const noexcept { return kind_ == TValueKind::Number; }
  bool IsText() const noexcept { return kind_ == TValueKind::Text; }
  bool IsBoolean() const noexcept { return kind_ == TValueKind::Boolean; }
  bool IsError() const noexcept { return kind_ == TValueKind::Error; }
  bool IsArea() const noexcept { return kind_ == TValueKind::Area; }
  bool IsArray() const noexcept { return kind_ == TValueKind::Array; }

  // Number; Boolean as 0/1; 0 for the other kinds.
  double Num() const noexcept { return kind_ == TValueKind::Number || kind_ == TValueKind::Boolean ? u_.num : 0; }
  bool Bool() const noexcept { return Num() != 0; }       // Boolean
  TEvalError Err() const noexcept { return err_; }        // Error
  const std::u16string& Str() const noexcept;             // Text ("" for others)
  const TArea& Area() const noexcept {                    // Area (an empty one for others)
    static constexpr TArea kNone{};
    return kind_ == TValueKind::Area ? u_.area : kNone;
  }
  const TArray& Arr() const noexcept { return *static_cast<const TArray*>(ptr_.get()); }  // Array

 private:
  TValueKind kind_ = TValueKind::Empty;
  bool missing_ = false;
  TEvalError err_ = TEvalError::Value;
  // A number and an area never share a value: they share the place.
  union TScalar {
    double num;
    TArea area;
  } u_{.area = {}};
  // The text (Text) or the array (Array).
  std::shared_ptr<const void> ptr_;
};

/// A rectangular array of scalar values (never Area or Array), row by row.
struct TArray {
  std::int32_t rows = 0;
  std::int32_t cols = 0;
  std::vector<TValue> items;  // rows * cols
  const TValue& At(std::int32_t r, std::int32_t c) const { return items[static_cast<std::size_t>(r) * cols + c]; }
};

/// What a function may ask of the engine. The engine guarantees that a cell
/// asked for has its final value (formula cells are evaluated first, or the cell
/// is reported as part of a circle).
class TEvalContext {
 public:
  virtual ~TEvalContext() = default;

  /// The value of one cell: Empty for a blank cell, never Area or Array.
  virtual TValue CellValue(std::int32_t sheet, std::int32_t row, std::int32_t col) = 0;
  /// Calls visit(row, col, value) for every non-empty cell of the area, sheet by
  /// sheet, row by row, left to right; stops early when visit returns false.
  /// Cheap over whole columns: only stored cells are visited.
  virtual void ForEachCell(const TArea& area,
                           const std::function<bool(std::int32_t sheet, std::int32_t row, std::int32_t col,
                                                    const TValue& v)>& visit) = 0;
  /// The cell the formula being evaluated belongs to (for ROW(), COLUMN() and
  /// implicit intersection).
  virtual std::int32_t CurrentSheet() const = 0;
  virtual std::int32_t CurrentRow() const = 0;
  virtual std::int32_t CurrentCol() const = 0;
  /// Sheet count and a sheet's name (zero-based position), for CELL, INFO, ADDRESS.
  virtual std::int32_t SheetCount() const = 0;
  virtual std::u16string SheetName(std::int32_t sheet) const = 0;
  /// True when the workbook counts dates from 1904.
  virtual bool Date1904() const = 0;
  /// The moment of the save as a serial date-time in local time (NOW, TODAY).
  virtual double Now() const = 0;
  /// Next pseudo-random number in [0, 1) (RAND).
  virtual double Random() = 0;
  /// Storage that lasts one evaluation of the workbook (while the cells' values
  /// cannot change), one slot per key the caller derives from its arguments:
  /// exact lookups keep an index of the searched row or column in it and check
  /// that it is theirs. nullptr when the engine keeps none (lookups then scan).
  virtual std::shared_ptr<void>* Memo(std::uint64_t /*key*/) { return nullptr; }
  /// The number format of a cell, for CELL("format") and TEXT-like needs.
  virtual std::u16string CellFormat(std::int32_t sheet, std::int32_t row, std::int32_t col) = 0;
  /// The result depends on the moment or the machine: the formula is stored with
  /// this result and marked for recalculation on load.
  virtual void MarkVolatile() = 0;
  /// The function cannot compute this result faithfully: the formula is marked
  /// for recalculation and the save warns (the value returned is not trusted).
  virtual void MarkUncomputable(std::string_view why) = 0;
  /// Evaluates a reference given as text (INDIRECT) in A1 or R1C1 form, relative
  /// to the current cell's sheet: an Area value or #REF!.
  virtual TValue ResolveReference(std::u16string_view text, bool a1) = 0;
  /// For SUBTOTAL, which leaves out cells whose formulas call SUBTOTAL (so that
  /// nested subtotals are not counted twice): 1 when the cell's formula calls
  /// SUBTOTAL, 0 when it does not (or the cell holds no formula), -1 when the
  /// engine cannot tell (SUBTOTAL is then marked uncomputable).
  virtual int IsSubtotalCell(std::int32_t /*sheet*/, std::int32_t /*row*/, std::int32_t /*col*/) { return -1; }
  /// For SUBTOTAL: 1 when the row is hidden (101-111 leave it out), 0 when shown,
  /// -1 when the engine cannot tell (a hidden row under an autofilter may count as
  /// filtered out, which 1-11 leave out too): SUBTOTAL is then uncomputable.
  virtual int IsRowHidden(std::int32_t /*sheet*/, std::int32_t /*row*/) { return -1; }
};

/// A worksheet function. Arguments arrive as written, unevaluated for nothing:
/// a reference argument is an Area value (so SUM, INDEX, OFFSET, ROWS... see the
/// area), a constant or computed value arrives as that value, an omitted one as
/// TValue::Missing(). The function applies its own argument rules (implicit
/// intersection of an Area where it wants one value, via Scalar() below).
/// It returns a scalar, an Array, or an Area (INDEX, OFFSET, INDIRECT, CHOOSE,
/// IF may return references).
using TEvalFunction = TValue (*)(TEvalContext& ctx, std::span<const TValue> args);

/// The function of a function-table number (the number the call token carries),
/// or nullptr when the evaluator has none (the formula is then marked for
/// recalculation and the save warns).
TEvalFunction FindFunction(std::int32_t functionNumber) noexcept;

// ---- shared semantics (eval_coerce.cpp) -----------------------------------------

/// One value from an argument: an Area of one cell gives that cell; a larger Area
/// the cell in the current cell's row (a one-column area) or column (a one-row
/// area), else #VALUE!; an Array its first item. Scalars pass through.
TValue Scalar(TEvalContext& ctx, const TValue& v);
/// Number from a scalar as the operators coerce: Empty 0, Boolean 0/1, Text parsed
/// as a number, percentage, date or time ("1,000", "50%", "2026-01-31", "12:30")
/// or #VALUE!; an Error passes through.
TValue ToNumber(const TValue& scalar, bool date1904 = false);
/// Text from a scalar as "&" and the text functions see it: numbers in the
/// General format (up to 15 significant digits; the exponent form "1E+20",
/// "1.5E-12" where the plain form would be longer than 20 characters), TRUE/FALSE,
/// "" for Empty; an Error passes through.
TValue ToText(const TValue& scalar);
/// Appends the General-format text of a number (as ToText) to out.
void AppendNumberText(double v, std::u16string& out);

/// What a text says as a number, as ParseNumberText finds it.
enum class TTextNumber : std::uint8_t {
  Number,     // a number, percentage, currency amount, date or time
  NotNumber,  // plainly no number: coerces to #VALUE!
  Unsure      // a form whose value depends on the machine or moment (a date
              // without a year, a day.month.year date, a fraction "1 1/2"):
              // the caller cannot tell the value faithfully
};
/// Parses a text as the spreadsheet's value input reads it in an English
/// locale, ignoring leading and trailing spaces:
///   numbers "12", "-1.5", ".5", "1e3", "1,000,000" (groups of three only),
///     "(12)" for -12, "$1,000.50", "-$5", "50%";
///   dates "2026-01-31", "2026/1/31", "1/31/2026", "1/31/26" (years 00-29 are
///     2000-2029, 30-99 1930-1999), "31-Jan-2026", "31 January 2026",
///     "Jan 31, 2026", "January 2026" (the first of the month);
///   times "12:30", "12:30:45", "12:30:45.5", "1:30 PM", "25:00" (more than a
///     day, alone only), and a date followed by a time.
/// Everything else is NotNumber, or Unsure for the forms listed above.
TTextNumber ParseNumberText(std::u16string_view text, bool date1904, double& out) noexcept;

/// Upper and lower case of one UTF-16 unit (Latin, Greek and Cyrillic letters;
/// others unchanged), for case-insensitive comparison and UPPER/LOWER/PROPER.
char16_t UpperChar(char16_t c) noexcept;
char16_t LowerChar(char16_t c) noexcept;
/// Compares two texts without regard to case: <0, 0, >0.
int CompareTextNoCase(std::u16string_view a, std::u16string_view b) noexcept;
/// Boolean from a scalar: numbers non-zero, texts "TRUE"/"FALSE" (any case) or
/// #VALUE!, Empty FALSE; an Error passes through.
TValue ToBoolean(const TValue& scalar);
/// The text of an error value ("#DIV/0!" ...).
std::u16string ErrorText(TEvalError e);
/// Compares two scalars as "=", "<" ... do: numbers < texts < booleans, texts
/// without regard to case, Empty as 0, "" or FALSE as the other side's type.
/// Returns <0, 0, >0. (Neither side may be an error.)
int CompareScalars(const TValue& a, const TValue& b);
/// A double rounded to 15 significant digits, as the spreadsheet compares and
/// shows results (0.1+0.2 equals 0.3).
double Round15(double v);

/// Criteria of COUNTIF, SUMIF, AVERAGEIF and the D-functions: ">2", "<>x",
/// "=", "a*b?", a number or boolean value; wildcards * ? and ~ escape.
///   A criteria text "=x", "<>x", "<x", "<=x", ">x", ">=x" or "x" (plain
///   equality) compares with x read as a number (or date) where it reads as
///   one, as TRUE/FALSE, as an error text ("#N/A"), else as a text; equality
///   with a text ignores case and honours the wildcards.
///   Equality with a number also matches texts that read as that number; the
///   orderings < <= > >= only compare like with like (numbers with numbers,
///   texts with texts) and "<>" matches everything that does not equal.
///   "=" alone matches blank cells only, "" matches blank cells and empty texts,
///   "<>" alone matches every cell that is not blank.
///   A criteria value that is a number, boolean or error (not a text) is plain
///   equality with it; an Empty criteria value (a blank cell) means "=0".
/// Matches(TValue()) tells whether blank cells match, so that a caller walking
/// only the stored cells (ForEachCell) can count the blank ones at once.
class TCriteria {
 public:
  explicit TCriteria(const TValue& criteria);
  bool Matches(const TValue& cell) const;
  /// True when blank cells match (the same as Matches(TValue())).
  bool MatchesBlank() const noexcept { return matchesBlank_; }
 private:
  int op_ = 0;  // 0 =, 1 <>, 2 <, 3 <=, 4 >, 5 >=
  TValue operand_;
  bool wildcard_ = false;
  bool blankOnly_ = false;    // "=": blank cells only
  bool matchesBlank_ = false;
};
/// Wildcard match of text (* any run, ? one character, ~ escapes) without regard
/// to case; MATCH with 0, SEARCH, criteria.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view text);

}  // namespace tablirex::eval
