// The SQLite source against real database files made in a temporary directory.
#ifdef TABLIREX_HAVE_SQLITE

#include "../temp_dir.h"
#include "tablirex/sqlite_dataset.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tablirex/datetime.h"
#include "tablirex/result.h"

namespace tablirex {
namespace {

namespace fs = std::filesystem;

// A temporary folder of this test.
class TempDir : public test::TTempDir {
 public:
  TempDir() : TTempDir("tablirex_sqlite_") {}
};

// Runs SQL on a new or existing database file; fails the test on an error.
void Exec(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

std::string Describe(const TVariant& v) {
  std::ostringstream s;
  s << "type 0x" << std::hex << v.Type() << std::dec << " '" << v.AsString() << "'";
  return s.str();
}

// Same kind and value (numbers and dates to 1e-9).
bool Same(const TVariant& a, const TVariant& b) {
  if (a.Type() != b.Type()) return false;
  if (a.IsNumeric() || a.Type() == varDate)
    return std::fabs(a.AsDouble() - b.AsDouble()) < 1e-9;
  return a == b;
}

TEST(SQLiteDataSetTest, DeclaredTypesMapToDataTypeCodes) {
  const struct {
    const char* declared;
    TFieldType type;
  } cases[] = {
      {"INTEGER", ftInteger},          {"int", ftInteger},
      {"SMALLINT", ftSmallint},        {"BIGINT", ftLargeint},
      {"unsigned  big   int", ftLargeint},
      {"REAL", ftFloat},               {"Double Precision", ftFloat},
      {"FLOAT", ftFloat},
      {"DECIMAL(12,2)", ftCurrency},   {"numeric( 10 , 2 )", ftCurrency},
      {"NUMERIC(10,3)", ftBCD},        {"DECIMAL(12)", ftBCD},
      {"DECIMAL", ftBCD},              {"MONEY", ftCurrency},
      {"currency", ftCurrency},        {"DATE", ftDate},
      {"TIME", ftTime},                {"DATETIME", ftDateTime},
      {"timestamp", ftDateTime},       {"BOOLEAN", ftBoolean},
      {"BOOL", ftBoolean},             {"TEXT", ftString},
      {"VARCHAR(40)", ftString},       {"character(20)", ftString},
      {"CLOB", ftMemo},                {"BLOB", ftBlob},
      // SQLite's affinity rules for names outside the table
      {"UNSIGNED INTEGER", ftLargeint}, {"LONGTEXT", ftString},
      {"FLOAT8", ftFloat},             {"MEDIUMBLOB", ftBlob},
      // typed by the first row's value
      {"", ftUnknown},                 {"JSON", ftUnknown},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SQLiteDeclaredType(c.declared), c.type) << "'" << c.declared << "'";

  // The documentation lists every row of the type table.
  std::ifstream docs(std::string(TABLIREX_SOURCE_DIR) + "/docs/data_sources.md");
  ASSERT_TRUE(docs.good());
  std::stringstream text;
  text << docs.rdbuf();
  const struct {
    const char* name;
    TFieldType code, codeAtScale2;
  } table[] = {
#define TABLIREX_SQLITE_TYPE(name, code, codeAtScale2) {name, code, codeAtScale2},
#include "data/sqlite/sqlite_types.def"
#undef TABLIREX_SQLITE_TYPE
  };
  for (const auto& row : table) {
    const auto code = [](TFieldType t) {
      return std::string(FieldTypeName(t)) + " (" + std::to_string(t) + ")";
    };
    const std::string line = std::string("| ") + row.name + " | " + code(row.code) + " | " +
                             code(row.codeAtScale2) + " |";
    EXPECT_NE(text.str().find(line), std::string::npos) << "docs lack: " << line;
    EXPECT_EQ(SQLiteDeclaredType(row.name), row.code) << row.name;
  }
}

TEST(SQLiteDataSetTest, StoredValuesReadAsTheirDeclaredTypes) {
  const double day = EncodeDate(2024, 2, 29);  // 45351
  const double afternoon = day + EncodeTime(13, 45, 30);
  const struct {
    const char* declared;  // "" for an expression column
    const char* literal;
    TFieldType type;
    TVariant expected;
  } cases[] = {
      {"DATE", "'2024-02-29'", ftDate, TVariant::Date(day)},
      {"DATE", "2460369.5", ftDate, TVariant::Date(day)},   // Julian day
      {"DATE", "1709164800", ftDate, TVariant::Date(day)},  // Unix time
      {"DATE", "'2023-02-29'", ftDate, TVariant("2023-02-29")},
      {"DATE", "'soon'", ftDate, TVariant("soon")},
      {"DATE", "1e15", ftDate, TVariant(std::int64_t{1000000000000000})},
      {"DATETIME", "1709214330.5", ftDateTime, TVariant::Date(afternoon + 0.5 / 86400)},
      {"DATE", "NULL", ftDate, TVariant::Null()},
      {"DATETIME", "'2024-02-29 13:45:30'", ftDateTime, TVariant::Date(afternoon)},
      {"DATETIME", "'2024-02-29T13:45:30.250Z'", ftDateTime,
       TVariant::Date(day + EncodeTime(13, 45, 30, 250))},
      {"TIMESTAMP", "'2024-02-29T15:45:30+02:00'", ftDateTime, TVariant::Date(afternoon)},
      {"TIMESTAMP", "2460370.0", ftDateTime, TVariant::Date(day + 0.5)},  // stored as INTEGER
      {"TIMESTAMP", "1709214330", ftDateTime, TVariant::Date(afternoon)},
      {"TIME", "'08:30'", ftTime, TVariant::Date(EncodeTime(8, 30, 0))},
      {"TIME", "'2024-02-29 08:30:15'", ftTime, TVariant::Date(EncodeTime(8, 30, 15))},
      {"TIME", "'25:00'", ftTime, TVariant("25:00")},
      {"BOOLEAN", "1", ftBoolean, TVariant(true)},
      {"BOOLEAN", "0", ftBoolean, TVariant(false)},
      {"BOOLEAN", "'true'", ftBoolean, TVariant(true)},
      {"BOOL", "'FALSE'", ftBoolean, TVariant(false)},
      {"BOOLEAN", "2", ftBoolean, TVariant(std::int64_t{2})},
      {"BOOLEAN", "'yes'", ftBoolean, TVariant("yes")},
      {"DECIMAL(12,2)", "1234.5", ftCurrency, TVariant::Currency(1234.5)},
      {"DECIMAL(12,2)", "7", ftCurrency, TVariant::Currency(7)},
      {"MONEY", "'n/a'", ftCurrency, TVariant("n/a")},
      {"NUMERIC(10,4)", "3.1416", ftBCD, TVariant(3.1416)},
      {"INTEGER", "42", ftInteger, TVariant(std::int32_t{42})},
      {"INTEGER", "5000000000", ftInteger, TVariant(std::int64_t{5000000000})},
      {"INTEGER", "2.5", ftInteger, TVariant(2.5)},
      {"INTEGER", "'abc'", ftInteger, TVariant("abc")},
      {"BIGINT", "7", ftLargeint, TVariant(std::int64_t{7})},
      {"REAL", "2", ftFloat, TVariant(2.0)},
      {"TEXT", "'=1+2'", ftString, TVariant("=1+2")},
      {"TEXT", "12", ftString, TVariant("12")},  // TEXT affinity stores the number as text
      {"VARCHAR(10)", "NULL", ftString, TVariant::Null()},
      {"BLOB", "x'00414243'", ftBlob, TVariant("0x00414243")},
      {"TEXT", "x'FF00'", ftString, TVariant("0xFF00")},  // bytes in any column are shown as hex
      {"", "1 + 1", ftLargeint, TVariant(std::int64_t{2})},
      {"", "0.5 * 3", ftFloat, TVariant(1.5)},
      {"", "'a' || 'b'", ftString, TVariant("ab")},
      {"", "NULL", ftUnknown, TVariant::Null()},
  };
  TempDir dir;
  const std::string file = dir / "values.db";
  std::string script = "BEGIN;";
  for (std::size_t i = 0; i < std::size(cases); ++i)
    if (*cases[i].declared)
      script += "CREATE TABLE t" + std::to_string(i) + " (v " + cases[i].declared +
                "); INSERT INTO t" + std::to_string(i) + " VALUES (" + cases[i].literal + ");";
  Exec(file, script + "COMMIT;");

  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(std::string(c.declared) + " " + c.literal);
    const std::string query = *c.declared ? "SELECT v FROM t" + std::to_string(i)
                                          : std::string("SELECT ") + c.literal + " AS v";
    TSQLiteDataSet ds;
    ASSERT_EQ(ds.Open(file, query), xlsOK) << ds.GetErrorText();
    ASSERT_EQ(ds.GetFieldCount(), 1);
    EXPECT_EQ(ds.GetField(0)->GetDataType(), c.type);
    ASSERT_FALSE(ds.Eof());
    const TVariant value = ds.GetField(0)->GetValue();
    EXPECT_TRUE(Same(value, c.expected)) << Describe(value) << " != " << Describe(c.expected);
  }
}

TEST(SQLiteDataSetTest, DisplayWidthsFollowTheDeclarations) {
  TempDir dir;
  const std::string file = dir / "widths.db";
  Exec(file,
       "CREATE TABLE w (name VARCHAR(30), d DATE, t TIME, ts DATETIME, amount DECIMAL(12,2), "
       "flag BOOLEAN, n INTEGER, a_rather_long_column_name INTEGER, notes VARCHAR(4000), "
       "memo TEXT)");
  TSQLiteDataSet ds;
  ASSERT_EQ(ds.Open(file, "SELECT * FROM w"), xlsOK) << ds.GetErrorText();
  EXPECT_TRUE(ds.Eof());
  const std::int32_t expected[] = {30, 10, 8, 19, 14, 5, 10, 25, 50, 10};
  ASSERT_EQ(ds.GetFieldCount(), static_cast<std::int32_t>(std::size(expected)));
  for (std::int32_t i = 0; i < ds.GetFieldCount(); ++i)
    EXPECT_EQ(ds.GetField(i)->GetDisplayWidth(), expected[i]) << ds.GetField(i)->GetFieldName();
}

TEST(SQLiteDataSetTest, FailuresCarrySQLitesMessage) {
  TempDir dir;
  const std::string good = dir / "good.db";
  const std::string text = dir / "text.db";
  Exec(good, "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1)");
  std::ofstream(text) << "this is not a database, only a long enough text file to be read";
  const struct {
    std::string file, query, message;
  } cases[] = {
      {dir / "missing.db", "SELECT 1", "unable to open database file"},
      {text, "SELECT * FROM t", "file is not a database"},
      {good, "SELEC 1", "near \"SELEC\": syntax error"},
      {good, "SELECT * FROM nope", "no such table: nope"},
      {good, "SELECT 1; SELECT 2", "more than one statement"},
      {good, "CREATE TABLE u (b)", "returns no columns"},
      {good, "DELETE FROM t RETURNING a", "attempt to write a readonly database"},
      {good, "", "the query is empty"},
  };
  for (const auto& c : cases) {
    TSQLiteDataSet ds;
    EXPECT_EQ(ds.Open(c.file, c.query), xlsFail) << c.query;
    EXPECT_NE(ds.GetErrorText().find(c.message), std::string::npos)
        << c.query << ": " << ds.GetErrorText();
    EXPECT_FALSE(ds.IsOpen());
    EXPECT_EQ(ds.First(), xlsFail);
  }
  EXPECT_FALSE(fs::exists(dir / "missing.db"));  // a read-only open creates nothing
  TSQLiteDataSet once;
  ASSERT_EQ(once.Open(good, "SELECT a FROM t"), xlsOK);
  EXPECT_EQ(once.Open(good, "SELECT a FROM t"), xlsFail);
}

TEST(SQLiteDataSetTest, StreamsForwardAndRereadsToGoBack) {
  TempDir dir;
  const std::string file = dir / "rows.db";
  Exec(file, "CREATE TABLE r (n INTEGER); "
             "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 10) "
             "INSERT INTO r SELECT i FROM c");
  TSQLiteDataSet ds;
  ASSERT_EQ(ds.Open(file, "SELECT n FROM r ORDER BY n"), xlsOK) << ds.GetErrorText();
  TField* n = ds.FindField("N");
  ASSERT_NE(n, nullptr);
  const auto at = [&] { return n->GetValue().AsInteger(); };

  EXPECT_EQ(ds.GetRecNo(), 0);
  EXPECT_EQ(at(), 1);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(ds.Next(), xlsOK);
  EXPECT_EQ(at(), 4);
  ASSERT_EQ(ds.First(), xlsOK);  // after a partial read
  EXPECT_EQ(ds.GetRecNo(), 0);
  EXPECT_EQ(at(), 1);

  ASSERT_EQ(ds.GotoBookmark(5), xlsOK);
  const TBookmark mark = ds.GetBookmark();
  EXPECT_EQ(at(), 6);
  int seen = 0;
  while (!ds.Eof()) {
    ++seen;
    ASSERT_EQ(ds.Next(), xlsOK);
  }
  EXPECT_EQ(seen, 5);
  EXPECT_TRUE(n->GetValue().IsNull());
  EXPECT_EQ(ds.Next(), xlsOK);  // at the end: stays there
  EXPECT_TRUE(ds.Eof());
  ASSERT_EQ(ds.GotoBookmark(mark), xlsOK);
  EXPECT_EQ(at(), 6);
  ASSERT_EQ(ds.GotoBookmark(2), xlsOK);  // backwards: read again from the start
  EXPECT_EQ(at(), 3);
  ASSERT_EQ(ds.GotoBookmark(-1), xlsOK);
  EXPECT_FALSE(ds.Eof());
  ASSERT_EQ(ds.Next(), xlsOK);
  EXPECT_EQ(at(), 1);
  EXPECT_EQ(ds.GotoBookmark(10), xlsFail);
  EXPECT_NE(ds.GetErrorText().find("past the last record"), std::string::npos);
  ASSERT_EQ(ds.First(), xlsOK);
  EXPECT_EQ(at(), 1);
  ds.Close();
  EXPECT_TRUE(n->GetValue().IsNull());
}

}  // namespace
}  // namespace tablirex

#endif  // TABLIREX_HAVE_SQLITE
