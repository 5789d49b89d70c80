// The CSV source: RFC 4180 forms, type inference, malformed files and bookmarks.
#include "../temp_dir.h"
#include "tablirex/csv_dataset.h"

#include <gtest/gtest.h>

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
  TempDir() : TTempDir("tablirex_csv_") {}
};

std::string Describe(const TVariant& v) {
  std::ostringstream s;
  s << "type 0x" << std::hex << v.Type() << std::dec << " '" << v.AsString() << "'";
  return s.str();
}

bool Same(const TVariant& a, const TVariant& b) {
  if (a.Type() != b.Type()) return false;
  if (a.IsNumeric() || a.Type() == varDate) return std::fabs(a.AsDouble() - b.AsDouble()) < 1e-9;
  return a == b;
}

using Row = std::vector<TVariant>;

TEST(CsvDataSetTest, ReadsRecordsAndInfersColumnTypes) {
  const TVariant null = TVariant::Null();
  const double day = EncodeDate(2024, 2, 29);
  const struct {
    const char* what;
    std::string bytes;
    char delimiter;
    std::vector<std::string> names;
    std::vector<TFieldType> types;
    std::vector<Row> rows;
  } cases[] = {
      {"quotes, doubled quotes and the delimiter inside quotes",
       "a,b\n\"x,y\",\"say \"\"hi\"\"\"\n\"\",plain\n", ',', {"a", "b"}, {ftString, ftString},
       {{"x,y", "say \"hi\""}, {null, "plain"}}},
      {"line breaks inside quotes, CRLF records, no final line break",
       "note,n\r\n\"one\r\ntwo\",1\r\n\"three\nfour\",2", ',', {"note", "n"},
       {ftString, ftInteger}, {{"one\ntwo", std::int32_t{1}}, {"three\nfour", std::int32_t{2}}}},
      {"byte order mark, semicolons, blank lines skipped",
       "\xEF\xBB\xBFid;name\n\n1;\xC3\x85sa\n\n2;Bo\n", ';', {"id", "name"},
       {ftInteger, ftString}, {{std::int32_t{1}, "\xC3\x85sa"}, {std::int32_t{2}, "Bo"}}},
      {"CR line ends; a quoted last field at the end of the file", "a,b\r1,\"x\"\r2,\"y\"", ',',
       {"a", "b"}, {ftInteger, ftString}, {{std::int32_t{1}, "x"}, {std::int32_t{2}, "y"}}},
      {"tabs; commas are data", "k\tv\nx\t1,5\n", '\t', {"k", "v"}, {ftString, ftString},
       {{"x", "1,5"}}},
      {"integers widen to real, dates to date-times, NULLs do not count",
       "i,r,d,dt,b,t\n"
       "1,2,2024-02-29,2024-02-29,true,12:30\n"
       ",2.5,,2024-02-29T13:45:30,FALSE,\n"
       "-3,-1e3,2024-03-01,,,08:00:15\n",
       ',', {"i", "r", "d", "dt", "b", "t"},
       {ftInteger, ftFloat, ftDate, ftDateTime, ftBoolean, ftTime},
       {{std::int32_t{1}, 2.0, TVariant::Date(day), TVariant::Date(day), true,
         TVariant::Date(EncodeTime(12, 30, 0))},
        {null, 2.5, null, TVariant::Date(day + EncodeTime(13, 45, 30)), false, null},
        {std::int32_t{-3}, -1000.0, TVariant::Date(day + 1), null, null,
         TVariant::Date(EncodeTime(8, 0, 15))}}},
      {"mixed kinds become text; codes with a leading zero stay text; big integers",
       "mix,code,big,empty\n1,007,5000000000,\ntrue,12,1,\n", ',', {"mix", "code", "big", "empty"},
       {ftString, ftString, ftLargeint, ftUnknown},
       {{"1", "007", std::int64_t{5000000000}, null}, {"true", "12", std::int64_t{1}, null}}},
      {"header only; an empty header name", "a,\n", ',', {"a", "Column2"}, {ftUnknown, ftUnknown},
       {}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TCsvDataSet ds;
    ASSERT_EQ(ds.Open(dir.Write("in.csv", c.bytes), c.delimiter), xlsOK) << ds.GetErrorText();
    ASSERT_EQ(ds.GetFieldCount(), static_cast<std::int32_t>(c.names.size()));
    for (std::int32_t i = 0; i < ds.GetFieldCount(); ++i) {
      EXPECT_EQ(ds.GetField(i)->GetFieldName(), c.names[static_cast<std::size_t>(i)]);
      EXPECT_EQ(ds.GetField(i)->GetDataType(), c.types[static_cast<std::size_t>(i)])
          << c.names[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(ds.GetRecordCount(), static_cast<std::int64_t>(c.rows.size()));
    std::size_t r = 0;
    ASSERT_EQ(ds.First(), xlsOK);
    for (; !ds.Eof(); ++r) {
      ASSERT_LT(r, c.rows.size());
      for (std::int32_t i = 0; i < ds.GetFieldCount(); ++i) {
        const TVariant v = ds.GetField(i)->GetValue();
        const TVariant& want = c.rows[r][static_cast<std::size_t>(i)];
        EXPECT_TRUE(Same(v, want)) << "record " << r << " field " << i << ": " << Describe(v)
                                   << " != " << Describe(want);
      }
      ASSERT_EQ(ds.Next(), xlsOK);
    }
    EXPECT_EQ(r, c.rows.size());
  }
}

TEST(CsvDataSetTest, DisplayWidthIsTheLongestValueCapped) {
  TempDir dir;
  TCsvDataSet ds;
  const std::string file = dir.Write(
      "w.csv", "id,name,description\n1,\xC3\x85sa Berg,short\n22,Bo," + std::string(80, 'x') + "\n");
  ASSERT_EQ(ds.Open(file), xlsOK) << ds.GetErrorText();
  EXPECT_EQ(ds.GetField(0)->GetDisplayWidth(), 2);   // the name's length
  EXPECT_EQ(ds.GetField(1)->GetDisplayWidth(), 8);   // characters, not bytes
  EXPECT_EQ(ds.GetField(2)->GetDisplayWidth(), 50);  // capped
}

TEST(CsvDataSetTest, MalformedFilesNameTheLine) {
  const struct {
    std::string bytes;
    std::string message;
  } cases[] = {
      {"a,b\n1,\"open\nmore\n", "line 2: a quoted field is not closed"},
      {"a,b\n1,x\"y\n", "line 2: a quote inside unquoted field 2"},
      {"a\n\"x\"y\n", "line 2: text after the closing quote of field 1"},
      {"a,b\n1,2\n3\n", "line 3: 1 field where the header has 2"},
      {"a,b\n\"x\ny\",1\n1,2,3\n", "line 4: 3 fields where the header has 2"},
      {"a,b\r\n1,2\r\n\r\n3,4,5\r\n", "line 4: 3 fields"},
      {"", "is empty"},
      {"\n\n", "is empty"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    TCsvDataSet ds;
    const std::string file = dir.Write("bad.csv", c.bytes);
    EXPECT_EQ(ds.Open(file), xlsFail) << c.bytes;
    EXPECT_NE(ds.GetErrorText().find(c.message), std::string::npos)
        << c.bytes << " -> " << ds.GetErrorText();
    EXPECT_NE(ds.GetErrorText().find(file), std::string::npos) << ds.GetErrorText();
  }
  TCsvDataSet missing;
  EXPECT_EQ(missing.Open((dir / "missing.csv").string()), xlsFail);
  EXPECT_NE(missing.GetErrorText().find("No such file"), std::string::npos)
      << missing.GetErrorText();
  TCsvDataSet quote;
  EXPECT_EQ(quote.Open(dir.Write("q.csv", "a\n"), '"'), xlsFail);
}

TEST(CsvDataSetTest, BookmarksReachAnyRecordWhileStreaming) {
  // More records than one checkpoint span, with a quoted line break in some.
  constexpr int kRecords = 10000;
  std::string bytes = "n,text\n";
  for (int i = 0; i < kRecords; ++i)
    bytes += std::to_string(i) + (i % 7 == 0 ? ",\"a\nb\"\n" : ",x\n");
  TempDir dir;
  TCsvDataSet ds;
  ASSERT_EQ(ds.Open(dir.Write("many.csv", bytes)), xlsOK) << ds.GetErrorText();
  TField* n = ds.FindField("n");
  const auto at = [&] { return n->GetValue().AsInteger(); };
  EXPECT_EQ(ds.GetRecordCount(), kRecords);
  EXPECT_EQ(at(), 0);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(ds.Next(), xlsOK);
  EXPECT_EQ(at(), 5);
  ASSERT_EQ(ds.First(), xlsOK);
  EXPECT_EQ(ds.GetRecNo(), 0);
  EXPECT_EQ(at(), 0);
  for (const TBookmark mark : {9000, 5, 4096, 4095, 4097, 9999, 0, 8192}) {
    ASSERT_EQ(ds.GotoBookmark(mark), xlsOK) << mark << ": " << ds.GetErrorText();
    EXPECT_EQ(ds.GetRecNo(), mark);
    EXPECT_EQ(at(), mark);
    EXPECT_EQ(ds.FindField("text")->GetValue().AsString(), mark % 7 == 0 ? "a\nb" : "x");
  }
  ASSERT_EQ(ds.GotoBookmark(9998), xlsOK);
  ASSERT_EQ(ds.Next(), xlsOK);
  ASSERT_EQ(ds.Next(), xlsOK);
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(n->GetValue().IsNull());
  EXPECT_EQ(ds.GotoBookmark(kRecords), xlsFail);
  ASSERT_EQ(ds.GotoBookmark(-1), xlsOK);
  ASSERT_EQ(ds.Next(), xlsOK);
  EXPECT_EQ(at(), 0);
}

// Files as people have them: other encodings, byte order marks, semicolons and
// tabs found from the header, and bytes the encoding does not allow, which are
// read as U+FFFD with a warning naming the line (a strict open fails instead).
TEST(CsvDataSetTest, EncodingsDelimitersAndInvalidBytes) {
  const std::string ete = "\xC3\xA9t\xC3\xA9";  // "été" in UTF-8
  const std::string fffd = "\xEF\xBF\xBD";
  const auto utf16 = [](const std::u16string& text, bool big) {
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
      const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
      out += big ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
  };
  struct Case {
    const char* what;
    std::string bytes;
    TCsvOptions options;
    char delimiter;                        // the one in use
    std::vector<std::string> values;       // the first record's fields
    std::vector<std::string> warnings;     // the prefix "CSV file '<path>'" left out
    const char* error = nullptr;           // a part of the open's error
  };
  const Case cases[] = {
      {"UTF-8 with a mark, comma found", "\xEF\xBB\xBFw,n\n" + ete + ",1\n", {}, ',', {ete, "1"}, {}},
      {"semicolons found", "w;n;x,y\n" + ete + ";1;2\n", {}, ';', {ete, "1", "2"}, {}},
      {"tabs found, quoted semicolons not counted", "w\t\"a;b;c\"\nx\ty\n", {}, '\t', {"x", "y"}, {}},
      {"cp1252", "w;n\n\xE9t\xE9;\x80\n", {0, TCsvEncoding::Cp1252}, ';', {ete, "\xE2\x82\xAC"}, {}},
      {"latin-1", "w\n\xE9t\xE9\n", {0, TCsvEncoding::Latin1}, ',', {ete}, {}},
      {"UTF-16 little-endian by its mark", utf16(u"w;n\r\n\u00E9t\u00E9;\U0001F600\r\n", false), {}, ';',
       {ete, "\xF0\x9F\x98\x80"}, {}},
      {"UTF-16 big-endian by its mark", utf16(u"w,n\n\u00E9t\u00E9,2\n", true), {0, TCsvEncoding::Cp1252}, ',',
       {ete, "2"}, {}},
      {"cp1252 read as UTF-8", "w\n\xE9t\xE9\nok\n\xFF\n", {}, ',', {fffd + "t" + fffd},
       {", line 2: 2 bytes invalid in UTF-8 read as U+FFFD", ", line 4: 1 byte invalid in UTF-8 read as U+FFFD"}},
      {"byte undefined in cp1252", "w\r\nx\r\n\x81\r\n", {0, TCsvEncoding::Cp1252}, ',', {"x"},
       {", line 3: 1 byte invalid in cp1252 read as U+FFFD"}},
      {"many lines summed up", "w\n\xFF\n\xFF\n\xFF\n\xFF\n\xFF\n\xFF\n\xFF\n", {}, ',', {fffd},
       {", line 2: 1 byte invalid in UTF-8 read as U+FFFD", ", line 3: 1 byte invalid in UTF-8 read as U+FFFD",
        ", line 4: 1 byte invalid in UTF-8 read as U+FFFD", ", line 5: 1 byte invalid in UTF-8 read as U+FFFD",
        ", line 6: 1 byte invalid in UTF-8 read as U+FFFD",
        ": lines with bytes invalid in UTF-8 read as U+FFFD: 2 more, 7 in all"}},
      {"strict fails naming the line", "w\nok\n\"a\nb\xE9\"\n", {0, TCsvEncoding::Utf8, true}, ',', {}, {},
       ", line 4: bytes invalid in UTF-8"},
      {"odd UTF-16 ending, strict", utf16(u"w\nx\n", false) + "\x41", {0, TCsvEncoding::Utf8, true}, ',', {}, {},
       ", line 3: bytes invalid in UTF-16"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.Write("enc.csv", c.bytes);
    TCsvDataSet data;
    const std::int32_t result = data.Open(path, c.options);
    if (c.error) {
      EXPECT_EQ(result, xlsFail);
      EXPECT_NE(data.GetErrorText().find(c.error), std::string::npos) << data.GetErrorText();
      continue;
    }
    ASSERT_EQ(result, xlsOK) << data.GetErrorText();
    EXPECT_EQ(data.GetDelimiter(), c.delimiter);
    ASSERT_EQ(data.GetFieldCount(), static_cast<std::int32_t>(c.values.size()));
    for (std::size_t i = 0; i < c.values.size(); ++i)
      EXPECT_EQ(data.GetField(static_cast<std::int32_t>(i))->GetValue().AsString(), c.values[i]) << i;
    std::vector<std::string> expected;
    for (const std::string& w : c.warnings) expected.push_back("CSV file '" + path + "'" + w);
    EXPECT_EQ(data.GetWarnings(), expected);
  }
}

}  // namespace
}  // namespace tablirex
