// The PostgreSQL source against a real server, whose connection string
// tests/data/test_postgres_source.py passes in TABLIREX_PG_CONNINFO.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tablirex/datetime.h"
#include "tablirex/postgres_dataset.h"
#include "tablirex/result.h"

using namespace tablirex;

namespace {

class PostgresDataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* conninfo = std::getenv("TABLIREX_PG_CONNINFO");
    ASSERT_NE(conninfo, nullptr) << "TABLIREX_PG_CONNINFO is not set: run through "
                                    "tests/data/test_postgres_source.py, which starts a server";
    conninfo_ = conninfo;
  }
  std::string conninfo_;
};

// The value of a column as a number, for comparisons of doubles.
double Number(const TField& f) { return f.GetValue().AsDouble(); }

TEST_F(PostgresDataSetTest, TypeTableMatchesCatalogAndDocs) {
  std::string oids;
  for (const TPostgresType& t : PostgresTypes())
    oids += (oids.empty() ? "" : ",") + std::to_string(t.Oid);
  TPostgresDataSet ds;
  ASSERT_EQ(ds.Open(conninfo_,
                    "SELECT oid, typname FROM pg_type WHERE oid IN (" + oids + ") ORDER BY oid"),
            xlsOK)
      << ds.GetErrorText();
  EXPECT_EQ(ds.GetField(0)->GetDataType(), ftLargeint);  // oid
  EXPECT_EQ(ds.GetField(1)->GetDataType(), ftString);    // name
  std::ifstream doc(TABLIREX_SOURCE_DIR "/docs/postgres.md");
  std::stringstream text;
  text << doc.rdbuf();
  std::size_t count = 0;
  for (const TPostgresType& t : PostgresTypes()) {
    ASSERT_FALSE(ds.Eof()) << "no OID " << t.Oid << " in pg_type";
    EXPECT_EQ(ds.GetField(0)->GetValue().AsInt64(), t.Oid);
    EXPECT_EQ(ds.GetField(1)->GetValue().AsString(), t.Name) << "OID " << t.Oid;
    const std::string row = "| " + std::to_string(t.Oid) + " | " + t.Name + " | " +
                            FieldTypeName(t.DataType) + " (" + std::to_string(t.DataType) + ") |";
    EXPECT_NE(text.str().find(row), std::string::npos) << "docs/postgres.md lacks " << row;
    ASSERT_EQ(ds.Next(), xlsOK);
    ++count;
  }
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(count, PostgresTypes().size());
}

// One column per case: the literal cast to the type in the first record, NULL in
// the second.
struct TypeCase {
  const char* type;  // SQL type the literal is cast to; nullptr for a bare NULL
  const char* literal;
  TFieldType fieldType;
  TVariant value;
  std::int32_t width = -1;  // -1: not checked
};

TEST_F(PostgresDataSetTest, TypesValuesAndNulls) {
  const double noon = EncodeTime(12, 0, 0);
  const std::vector<TypeCase> cases = {
      {"numeric(12,2)", "-1234.56", ftCurrency, TVariant::Currency(-1234.56), 14},
      {"numeric", "12345.678", ftBCD, TVariant(12345.678)},
      {"numeric(10,3)", "0.125", ftBCD, TVariant(0.125), 12},
      {"numeric", "NaN", ftBCD, TVariant("NaN")},
      {"money", "-1234.5", ftCurrency, TVariant::Currency(-1234.5)},
      {"money", "92233720368547758.07", ftCurrency, TVariant("$92,233,720,368,547,758.07")},
      {"date", "2024-02-29", ftDate, TVariant::Date(EncodeDate(2024, 2, 29)), 10},
      {"date", "infinity", ftDate, TVariant("infinity")},
      {"date", "1899-12-31", ftDate, TVariant("1899-12-31")},
      {"date", "0044-03-15 BC", ftDate, TVariant("0044-03-15 BC")},
      {"time", "13:45:30.25", ftTime, TVariant::Date(EncodeTime(13, 45, 30, 250))},
      {"time", "24:00:00", ftTime, TVariant("24:00:00")},
      {"timetz", "13:45:30-08", ftTime, TVariant::Date(EncodeTime(13, 45, 30))},
      {"timestamp", "2024-01-31 12:00:00.5", ftDateTime,
       TVariant::Date(EncodeDate(2024, 1, 31) + noon + EncodeTime(0, 0, 0, 500))},
      {"timestamp", "2024-01-31 00:00:00.000001", ftDateTime,
       TVariant::Date(EncodeDate(2024, 1, 31) + 1e-6 / 86400.0)},
      {"timestamp", "-infinity", ftDateTime, TVariant("-infinity")},
      // Shown in the session's zone (Asia/Kolkata, UTC+05:30, set in the conninfo).
      {"timestamptz", "2024-01-01 00:00:00+00", ftDateTime,
       TVariant::Date(EncodeDate(2024, 1, 1) + EncodeTime(5, 30, 0))},
      {"interval", "1 day 2 hours", ftString, TVariant("1 day 02:00:00")},
      {"bool", "true", ftBoolean, TVariant(true)},
      {"bool", "false", ftBoolean, TVariant(false)},
      {"int2", "-32768", ftSmallint, TVariant(std::int32_t{-32768})},
      {"int4", "2147483647", ftInteger, TVariant(std::int32_t{2147483647}), 11},
      {"int8", "-9007199254740993", ftLargeint, TVariant(std::int64_t{-9007199254740993})},
      {"float4", "1.5", ftFloat, TVariant(1.5)},
      {"float8", "-2.5e-300", ftFloat, TVariant(-2.5e-300)},
      {"float8", "NaN", ftFloat, TVariant("NaN")},
      {"float8", "-Infinity", ftFloat, TVariant("-Infinity")},
      {"text", "h\xC3\xA9llo", ftString, TVariant("h\xC3\xA9llo")},
      {"varchar(20)", "ab", ftString, TVariant("ab"), 20},
      {"char(3)", "x", ftString, TVariant("x  "), 3},
      {"bytea", "\\x00ff41", ftBlob, TVariant("0x00FF41")},
      {"uuid", "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11", ftString,
       TVariant("a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11")},
      {"jsonb", "{\"a\": [1, 2]}", ftString, TVariant("{\"a\": [1, 2]}")},
      {"int4[]", "{1,2}", ftString, TVariant("{1,2}")},  // an OID the table lacks
      {nullptr, nullptr, ftString, TVariant::Null()},    // NULL only: text
  };
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const TypeCase& c = cases[i];
    if (i) sql += ", ";
    sql += c.type ? "CASE WHEN i = 1 THEN '" + std::string(c.literal) + "' END::" + c.type : "NULL";
    sql += " AS c" + std::to_string(i);
  }
  sql += " FROM generate_series(1, 2) i ORDER BY i";
  TPostgresDataSet ds;
  ASSERT_EQ(ds.Open(conninfo_ + " options='-c TimeZone=Asia/Kolkata'", sql), xlsOK)
      << ds.GetErrorText();
  ASSERT_EQ(ds.GetFieldCount(), static_cast<std::int32_t>(cases.size()));
  for (int record = 0; record < 2; ++record) {
    ASSERT_FALSE(ds.Eof());
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const TypeCase& c = cases[i];
      SCOPED_TRACE(std::string(c.type ? c.type : "NULL") + " '" + (c.literal ? c.literal : "") +
                   "'");
      const TField& f = *ds.GetField(static_cast<std::int32_t>(i));
      EXPECT_EQ(f.GetFieldName(), "c" + std::to_string(i));
      EXPECT_EQ(f.GetDataType(), c.fieldType);
      if (c.width >= 0) {
        EXPECT_EQ(f.GetDisplayWidth(), c.width);
      }
      const TVariant v = f.GetValue();
      if (record == 1 || !c.type) {
        EXPECT_TRUE(v.IsNull()) << v.AsString();
        continue;
      }
      ASSERT_EQ(v.Type(), c.value.Type()) << v.AsString();
      if (v.IsString())
        EXPECT_EQ(v.AsString(), c.value.AsString());
      else
        EXPECT_DOUBLE_EQ(v.AsDouble(), c.value.AsDouble());
    }
    ASSERT_EQ(ds.Next(), xlsOK);
  }
  EXPECT_TRUE(ds.Eof());
}

TEST_F(PostgresDataSetTest, StreamsRereadsAndReturnsToBookmarks) {
  constexpr std::int64_t kRows = 100000;
  TPostgresDataSet ds;
  ASSERT_EQ(ds.Open(conninfo_, "SELECT i, repeat('x', 50) AS pad FROM generate_series(1, " +
                                   std::to_string(kRows) + ") i"),
            xlsOK)
      << ds.GetErrorText();
  const TField& i = *ds.GetField(0);
  TBookmark mark = -2;
  for (int n = 0; n < 1000; ++n) {
    if (ds.GetRecNo() == 499) mark = ds.GetBookmark();
    ASSERT_EQ(ds.Next(), xlsOK) << ds.GetErrorText();
  }
  EXPECT_EQ(Number(i), 1001);
  // First after a partial read stops the running query and starts over.
  ASSERT_EQ(ds.First(), xlsOK) << ds.GetErrorText();
  EXPECT_EQ(ds.GetRecNo(), 0);
  std::int64_t count = 0, sum = 0;
  while (!ds.Eof()) {
    ++count;
    sum += i.GetValue().AsInt64();
    ASSERT_EQ(ds.Next(), xlsOK) << ds.GetErrorText();
  }
  EXPECT_EQ(count, kRows);
  EXPECT_EQ(sum, kRows * (kRows + 1) / 2);
  EXPECT_TRUE(i.IsNull());  // no record at the end
  ASSERT_EQ(ds.GotoBookmark(mark), xlsOK) << ds.GetErrorText();
  EXPECT_EQ(ds.GetRecNo(), 499);
  EXPECT_EQ(Number(i), 500);
  ASSERT_EQ(ds.GotoBookmark(700), xlsOK);  // forward: reads on
  EXPECT_EQ(Number(i), 701);
  ASSERT_EQ(ds.GotoBookmark(-1), xlsOK);
  EXPECT_EQ(ds.GetRecNo(), -1);
  EXPECT_TRUE(i.IsNull());
  ASSERT_EQ(ds.Next(), xlsOK);
  EXPECT_EQ(Number(i), 1);
  EXPECT_EQ(ds.GotoBookmark(kRows + 5), xlsFail);
  EXPECT_TRUE(ds.Eof());

  // First on the first record reads nothing again; returning to it from further
  // on runs the query again (a new random value).
  TPostgresDataSet random;
  ASSERT_EQ(random.Open(conninfo_, "SELECT random() AS r UNION ALL SELECT 2"), xlsOK);
  const double first = Number(*random.GetField(0));
  ASSERT_EQ(random.First(), xlsOK);
  EXPECT_EQ(Number(*random.GetField(0)), first);
  ASSERT_EQ(random.Next(), xlsOK);
  ASSERT_EQ(random.GotoBookmark(0), xlsOK);
  EXPECT_NE(Number(*random.GetField(0)), first);
}

TEST_F(PostgresDataSetTest, EndlessResultIsStreamedAndStopped) {
  // Two billion rows: reading the whole result before the first record, or
  // draining it instead of stopping it, would never end.
  const auto start = std::chrono::steady_clock::now();
  TPostgresDataSet ds;
  ASSERT_EQ(ds.Open(conninfo_, "SELECT generate_series(1, 2000000000) AS i"), xlsOK)
      << ds.GetErrorText();
  for (int round = 0; round < 3; ++round) {
    for (int n = 0; n < 10; ++n) ASSERT_EQ(ds.Next(), xlsOK) << ds.GetErrorText();
    EXPECT_EQ(Number(*ds.GetField(0)), 11);
    ASSERT_EQ(ds.First(), xlsOK) << ds.GetErrorText();
  }
  ds.Close();
  EXPECT_FALSE(ds.IsOpen());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST_F(PostgresDataSetTest, ErrorsCarryTheServersMessage) {
  struct Case {
    std::string conninfo;
    const char* query;
    std::vector<const char*> expected;
  };
  const std::vector<Case> cases = {
      {conninfo_,
       "SELECT * FROM no_such_table",
       {"PostgreSQL: the query failed", "relation \"no_such_table\" does not exist"}},
      {conninfo_, "SELEC 1", {"syntax error at or near \"SELEC\""}},
      {conninfo_, "SET search_path = public", {"returns no rows"}},
      {conninfo_ + " dbname=no_such_db",
       "SELECT 1",
       {"PostgreSQL: cannot connect", "database \"no_such_db\" does not exist"}},
      {"host=/tmp/tablirex-no-such-dir user=postgres connect_timeout=5",
       "SELECT 1",
       {"PostgreSQL: cannot connect", "/tmp/tablirex-no-such-dir/.s.PGSQL",
        "No such file or directory"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    TPostgresDataSet ds;
    EXPECT_EQ(ds.Open(c.conninfo, c.query), xlsFail);
    for (const char* text : c.expected)
      EXPECT_NE(ds.GetErrorText().find(text), std::string::npos) << ds.GetErrorText();
    EXPECT_TRUE(ds.Eof());
    EXPECT_FALSE(ds.IsOpen());
  }

  // An error in the middle of the rows ends them with the server's message; the
  // connection stays usable and First runs the query again.
  TPostgresDataSet ds;
  ASSERT_EQ(ds.Open(conninfo_, "SELECT i, 1 / (i - 500) AS v FROM generate_series(1, 1000) i"),
            xlsOK)
      << ds.GetErrorText();
  std::int32_t r = xlsOK;
  std::int64_t last = 0;
  while (!ds.Eof() && r == xlsOK) {
    last = ds.GetField(0)->GetValue().AsInt64();
    r = ds.Next();
  }
  EXPECT_EQ(r, xlsFail);
  EXPECT_EQ(last, 499);
  EXPECT_NE(ds.GetErrorText().find("division by zero"), std::string::npos) << ds.GetErrorText();
  EXPECT_NE(ds.GetErrorText().find("after 499 records"), std::string::npos) << ds.GetErrorText();
  EXPECT_TRUE(ds.Eof());
  ASSERT_EQ(ds.First(), xlsOK) << ds.GetErrorText();
  EXPECT_EQ(Number(*ds.GetField(0)), 1);
  EXPECT_EQ(ds.GetFieldTypeOid(0), 23u);  // int4
  EXPECT_EQ(ds.GetFieldTypeOid(2), 0u);
  EXPECT_EQ(ds.Open(conninfo_, "SELECT 1"), xlsFail);  // opened once only
}

}  // namespace
