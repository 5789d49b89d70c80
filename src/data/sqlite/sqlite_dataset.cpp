// The SQLite data source: a prepared statement stepped one row at a time.
#include "tablirex/sqlite_dataset.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "data/text_values.h"
#include "tablirex/result.h"
#include "tablirex/variant.h"

namespace tablirex {

namespace {

struct DatabaseCloser {
  void operator()(sqlite3* db) const noexcept { sqlite3_close(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};
using DatabasePtr = std::unique_ptr<sqlite3, DatabaseCloser>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

struct TypeEntry {
  std::string_view name;
  TFieldType code;
  TFieldType codeAtScale2;
};

constexpr TypeEntry kTypes[] = {
#define TABLIREX_SQLITE_TYPE(name, code, codeAtScale2) {name, code, codeAtScale2},
#include "data/sqlite/sqlite_types.def"
#undef TABLIREX_SQLITE_TYPE
};

// Widths are capped so that a long declared length (VARCHAR(4000)) does not make
// a sheet column wider than a screen.
constexpr std::int32_t kMaxDisplayWidth = 50;

// A declared type split into its upper-case name (blanks collapsed) and the up
// to two numbers in its parentheses, -1 where absent.
struct Declared {
  std::string name;
  std::int32_t length = -1;  // VARCHAR(n), or the precision of NUMERIC(p,s)
  std::int32_t scale = -1;
};

Declared SplitDeclared(std::string_view text) {
  Declared d;
  const std::size_t paren = text.find('(');
  for (const char c : text.substr(0, paren)) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (!d.name.empty() && d.name.back() != ' ') d.name += ' ';
    } else {
      d.name += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
  }
  if (!d.name.empty() && d.name.back() == ' ') d.name.pop_back();
  if (paren == std::string_view::npos) return d;
  std::int32_t* out[] = {&d.length, &d.scale};
  std::size_t pos = paren + 1;
  for (std::int32_t* value : out) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    const auto r = std::from_chars(text.data() + pos, text.data() + text.size(), *value);
    if (r.ec != std::errc()) break;
    pos = static_cast<std::size_t>(r.ptr - text.data());
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos >= text.size() || text[pos] != ',') break;
    ++pos;
  }
  return d;
}

TFieldType TypeOfDeclared(const Declared& d) noexcept {
  if (d.name.empty()) return ftUnknown;
  for (const TypeEntry& e : kTypes)
    if (e.name == d.name) return d.scale == 2 ? e.codeAtScale2 : e.code;
  // SQLite's affinity rules, in its order.
  const auto has = [&](std::string_view part) { return d.name.find(part) != std::string::npos; };
  if (has("INT")) return ftLargeint;
  if (has("CHAR") || has("CLOB") || has("TEXT")) return ftString;
  if (has("BLOB")) return ftBlob;
  if (has("REAL") || has("FLOA") || has("DOUB")) return ftFloat;
  return ftUnknown;
}

// The type of an undeclared column from the storage class of its first value.
TFieldType TypeOfStorage(int storage) noexcept {
  switch (storage) {
    case SQLITE_INTEGER: return ftLargeint;
    case SQLITE_FLOAT: return ftFloat;
    case SQLITE_TEXT: return ftString;
    case SQLITE_BLOB: return ftBlob;
    default: return ftUnknown;
  }
}

// Display width in characters: a declared length (VARCHAR(n), or NUMERIC(p,s) as
// p digits plus sign and point), else a fixed width for dates (10), times (8),
// date-times (19) and booleans (5), else 10; never narrower than the column's
// name and never wider than kMaxDisplayWidth.
std::int32_t DisplayWidth(TFieldType type, const Declared& d, std::string_view name) {
  std::int32_t width = 10;
  switch (type) {
    case ftDate: width = 10; break;
    case ftTime: width = 8; break;
    case ftDateTime: width = 19; break;
    case ftBoolean: width = 5; break;
    case ftString: case ftMemo:
      if (d.length > 0) width = d.length;
      break;
    case ftCurrency: case ftBCD:
      if (d.length > 0) width = d.length + 1 + (d.scale > 0 ? 1 : 0);
      break;
    default: break;
  }
  width = std::max(width, static_cast<std::int32_t>(data::Utf8Length(name)));
  return std::min(width, kMaxDisplayWidth);
}

// The statement and whether it stands on a row; the fields read through it.
struct Cursor {
  DatabasePtr db;
  StatementPtr stmt;
  bool onRow = false;  // the last step returned a row
  bool done = false;   // the last step reached the end

  sqlite3_stmt* Row() const noexcept { return onRow ? stmt.get() : nullptr; }
};

std::string_view ColumnText(sqlite3_stmt* s, int col) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
  return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(s, col)))
              : std::string_view();
}

// The value as SQLite stores it.
TVariant StoredValue(sqlite3_stmt* s, int col, int storage) {
  switch (storage) {
    case SQLITE_INTEGER: return TVariant(static_cast<std::int64_t>(sqlite3_column_int64(s, col)));
    case SQLITE_FLOAT: return TVariant(sqlite3_column_double(s, col));
    case SQLITE_TEXT: return TVariant(ColumnText(s, col));
    case SQLITE_BLOB: {
      // Bytes as their hexadecimal text: a cell holds text, and NUL or 0xFF bytes
      // taken as text would change in silence.
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, col));
      const auto size = static_cast<std::size_t>(sqlite3_column_bytes(s, col));
      return TVariant(data::BinaryText(bytes ? std::string_view(bytes, size) : std::string_view()));
    }
    default: return TVariant::Null();
  }
}

// A date, time or date-time column's value as a serial: ISO texts, Julian day
// numbers and Unix times. A number between the Julian days of the years 1 and
// 9999 is a Julian day whatever its storage class: SQLite's NUMERIC affinity (that
// of DATE, DATETIME, TIMESTAMP) stores a Julian day at noon as an INTEGER. Other
// numbers are Unix times (seconds since 1970), as far as the year 9999; the
// overlap is Unix times of 20 January to 3 March 1970 only. A time column keeps
// the time of day.
std::optional<double> DateSerial(sqlite3_stmt* s, int col, int storage, TFieldType type) {
  constexpr double kJulianYear1 = 1721425.5;     // 0001-01-01 00:00
  constexpr double kJulianYear9999 = 5373484.5;  // 9999-12-31 00:00
  constexpr double kUnixYear9999 = 253402300799.0;
  std::optional<double> serial;
  if (storage == SQLITE_TEXT) {
    const std::string_view text = ColumnText(s, col);
    serial = data::ParseDateTimeText(text);
    if (!serial && type == ftTime) serial = data::ParseTimeText(text);
  } else if (storage == SQLITE_FLOAT || storage == SQLITE_INTEGER) {
    const double v = storage == SQLITE_FLOAT
                         ? sqlite3_column_double(s, col)
                         : static_cast<double>(sqlite3_column_int64(s, col));
    if (v >= kJulianYear1 && v <= kJulianYear9999) serial = data::SerialFromJulianDay(v);
    else if (std::fabs(v) <= kUnixYear9999) serial = data::SerialFromUnixTime(v);
  }
  if (serial && type == ftTime) serial = *serial - std::floor(*serial);
  return serial;
}

class TSQLiteField final : public TField {
 public:
  TSQLiteField(std::string name, TFieldType type, std::int32_t width, const Cursor& cursor, int col)
      : TField(std::move(name), type, width), cursor_(cursor), col_(col) {}

  void SetType(TFieldType type) noexcept { SetDataType(type); }

  TVariant GetValue() const override {
    sqlite3_stmt* s = cursor_.Row();
    if (!s) return TVariant::Null();
    // The storage class first: the accessors below never convert a value, so it
    // stays the class SQLite holds.
    const int storage = sqlite3_column_type(s, col_);
    if (storage == SQLITE_NULL) return TVariant::Null();
    const bool number = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
    switch (GetDataType()) {
      case ftSmallint: case ftInteger:
        if (storage == SQLITE_INTEGER) {
          const std::int64_t v = sqlite3_column_int64(s, col_);
          if (v >= std::numeric_limits<std::int32_t>::min() &&
              v <= std::numeric_limits<std::int32_t>::max())
            return TVariant(static_cast<std::int32_t>(v));
        }
        break;
      case ftFloat: case ftBCD:
        if (number) return TVariant(sqlite3_column_double(s, col_));
        break;
      case ftCurrency:
        if (number) return TVariant::Currency(sqlite3_column_double(s, col_));
        break;
      case ftDate: case ftTime: case ftDateTime:
        if (const auto serial = DateSerial(s, col_, storage, GetDataType()))
          return TVariant::Date(*serial);
        break;
      case ftBoolean:
        if (number) {
          const double v = sqlite3_column_double(s, col_);
          if (v == 0.0 || v == 1.0) return TVariant(v == 1.0);
        } else if (storage == SQLITE_TEXT) {
          bool b = false;
          if (data::ParseBoolean(ColumnText(s, col_), b)) return TVariant(b);
        }
        break;
      default:
        break;
    }
    return StoredValue(s, col_, storage);
  }

 private:
  const Cursor& cursor_;
  int col_;
};

std::string Message(sqlite3* db) { return db ? sqlite3_errmsg(db) : "out of memory"; }

}  // namespace

struct TSQLiteDataSet::Impl {
  Cursor cursor;
  std::string fileName;
};

TFieldType SQLiteDeclaredType(std::string_view declaredType) noexcept {
  try {
    return TypeOfDeclared(SplitDeclared(declaredType));
  } catch (...) {  // an allocation failure while splitting
    return ftUnknown;
  }
}

TSQLiteDataSet::TSQLiteDataSet() : impl_(std::make_unique<Impl>()) {}
TSQLiteDataSet::~TSQLiteDataSet() = default;

bool TSQLiteDataSet::IsOpen() const noexcept { return impl_->cursor.stmt != nullptr; }

void TSQLiteDataSet::Close() noexcept {
  Cursor& c = impl_->cursor;
  c.onRow = false;
  c.stmt.reset();  // the statement goes before its database
  c.db.reset();
  SetEof(true);
  SetRecNo(-1);
}

std::int32_t TSQLiteDataSet::Open(std::string_view fileName, std::string_view query,
                                  bool readOnly) {
  ClearError();
  if (IsOpen() || GetFieldCount() > 0)
    return Fail("SQLite: this dataset is already open; use a new one for another query");
  Cursor& c = impl_->cursor;
  impl_->fileName = fileName;
  const std::string file(fileName);
  sqlite3* db = nullptr;
  // A dataset is used from one thread at a time: the connection needs no mutex,
  // which would otherwise be taken on every column read.
  const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  const int rc = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
  DatabasePtr owned(db);  // closed on every early return, opened or not
  if (rc != SQLITE_OK)
    return Fail("SQLite: cannot open database '" + file + "': " + Message(db));

  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db, query.data(), static_cast<int>(query.size()), &stmt, &tail) !=
      SQLITE_OK)
    return Fail("SQLite: cannot prepare the query on '" + file + "': " + Message(db));
  StatementPtr owned_stmt(stmt);
  if (!stmt) return Fail("SQLite: the query is empty");
  // A second statement after the first would be ignored without a word: refuse it.
  const std::size_t used = static_cast<std::size_t>(tail - query.data());
  if (used < query.size()) {
    sqlite3_stmt* next = nullptr;
    const int rc2 = sqlite3_prepare_v2(db, tail, static_cast<int>(query.size() - used), &next, nullptr);
    StatementPtr owned_next(next);
    if (rc2 != SQLITE_OK || next)
      return Fail("SQLite: the query holds more than one statement; give one SELECT");
  }
  const int columns = sqlite3_column_count(stmt);
  if (columns == 0) return Fail("SQLite: the query returns no columns (not a SELECT)");

  c.db = std::move(owned);
  c.stmt = std::move(owned_stmt);
  c.onRow = false;
  c.done = false;
  if (Step() != xlsOK) {
    c.stmt.reset();
    c.db.reset();
    return xlsFail;
  }
  SetRecNo(c.onRow ? 0 : -1);
  SetEof(!c.onRow);

  for (int i = 0; i < columns; ++i) {
    const char* name = sqlite3_column_name(stmt, i);
    const char* decl = sqlite3_column_decltype(stmt, i);
    const Declared d = SplitDeclared(decl ? decl : "");
    TFieldType type = TypeOfDeclared(d);
    if (type == ftUnknown && c.onRow) type = TypeOfStorage(sqlite3_column_type(stmt, i));
    const std::string fieldName = name ? name : "";
    auto field = std::make_unique<TSQLiteField>(fieldName, type, DisplayWidth(type, d, fieldName),
                                                c, i);
    AddField(std::move(field));
  }
  return xlsOK;
}

std::int32_t TSQLiteDataSet::Step() {
  Cursor& c = impl_->cursor;
  const int rc = sqlite3_step(c.stmt.get());
  if (rc == SQLITE_ROW) {
    c.onRow = true;
    return xlsOK;
  }
  c.onRow = false;
  c.done = true;
  if (rc == SQLITE_DONE) return xlsOK;
  SetEof(true);
  return Fail("SQLite: reading '" + impl_->fileName + "' failed: " + Message(c.db.get()));
}

std::int32_t TSQLiteDataSet::Rewind() {
  Cursor& c = impl_->cursor;
  // sqlite3_reset repeats the last step's error; that error was reported then.
  sqlite3_reset(c.stmt.get());
  c.onRow = false;
  c.done = false;
  SetRecNo(-1);
  SetEof(false);
  return xlsOK;
}

std::int32_t TSQLiteDataSet::First() {
  if (!IsOpen()) return Fail("SQLite: no query is open");
  Cursor& c = impl_->cursor;
  // Standing on the first row already (just opened): running the query again
  // would give the same row.
  if (GetRecNo() == 0 && c.onRow) return xlsOK;
  Rewind();
  return Next();
}

std::int32_t TSQLiteDataSet::Next() {
  if (!IsOpen()) return Fail("SQLite: no query is open");
  Cursor& c = impl_->cursor;
  if (c.done) {  // stepping past the end would run the query again
    SetEof(true);
    return xlsOK;
  }
  TXLS_RETURN_ON_ERROR(Step());
  SetRecNo(GetRecNo() + 1);
  SetEof(!c.onRow);
  return xlsOK;
}

std::int32_t TSQLiteDataSet::GotoBookmark(TBookmark bookmark) {
  if (!IsOpen()) return Fail("SQLite: no query is open");
  if (bookmark < -1) return Fail("SQLite: invalid bookmark " + std::to_string(bookmark));
  Cursor& c = impl_->cursor;
  if (bookmark == GetRecNo() && (c.onRow || bookmark == -1)) return xlsOK;
  if (bookmark < GetRecNo() || c.done) Rewind();
  while (GetRecNo() < bookmark) {
    TXLS_RETURN_ON_ERROR(Next());
    if (Eof())
      return Fail("SQLite: bookmark " + std::to_string(bookmark) + " lies past the last record");
  }
  return xlsOK;
}

}  // namespace tablirex
