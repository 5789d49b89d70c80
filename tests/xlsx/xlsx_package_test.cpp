// The .xlsx writer: formulas in their stored form, texts escaped for XML, the zip
// container read back by a reader of its own (sizes, CRCs, inflated parts), and
// the save as a whole: same bytes every time, by name, atomic, warnings and
// strict saves.
#include <gtest/gtest.h>
#include <libdeflate.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../temp_dir.h"
#include "tablirex/format_views.h"
#include "tablirex/range.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"
#include "xlsx/deflate_join.h"
#include "xlsx/xlsx_formula.h"
#include "xlsx/xlsx_package.h"
#include "xlsx/xml_out.h"
#include "xlsx/zip_writer.h"

namespace tablirex {
namespace {

std::uint32_t Get16(const std::string& s, std::size_t at) {
  return static_cast<std::uint8_t>(s[at]) | static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 1])) << 8;
}
std::uint32_t Get32(const std::string& s, std::size_t at) { return Get16(s, at) | Get16(s, at + 2) << 16; }

// The parts of a zip container, by name, inflated; fails the test on anything
// a strict reader would refuse.
std::map<std::string, std::string> Unzip(const std::string& zip) {
  std::map<std::string, std::string> parts;
  const std::size_t end = zip.size() - 22;
  EXPECT_EQ(Get32(zip, end), 0x06054B50u);
  const std::uint32_t count = Get16(zip, end + 10), dirSize = Get32(zip, end + 12), dirAt = Get32(zip, end + 16);
  EXPECT_EQ(dirAt + dirSize, end);
  std::size_t at = dirAt;
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  for (std::uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(Get32(zip, at), 0x02014B50u);
    const std::uint32_t method = Get16(zip, at + 10), time = Get16(zip, at + 12), date = Get16(zip, at + 14);
    const std::uint32_t crc = Get32(zip, at + 16), packed = Get32(zip, at + 20), size = Get32(zip, at + 24);
    const std::uint32_t nameLength = Get16(zip, at + 28), local = Get32(zip, at + 42);
    const std::string name = zip.substr(at + 46, nameLength);
    EXPECT_EQ(time, 0u) << name;
    EXPECT_EQ(date, 0x21u) << name;  // 1980-01-01
    EXPECT_EQ(Get32(zip, local), 0x04034B50u) << name;
    EXPECT_EQ(Get32(zip, local + 14), crc) << name;
    EXPECT_EQ(zip.substr(local + 30, nameLength), name);
    const std::string body = zip.substr(local + 30 + nameLength + Get16(zip, local + 28), packed);
    std::string data(size, '\0');
    if (method == 8) {
      std::size_t got = 0;
      EXPECT_EQ(libdeflate_deflate_decompress(d, body.data(), body.size(), data.data(), data.size(), &got),
                LIBDEFLATE_SUCCESS)
          << name;
      EXPECT_EQ(got, size) << name;
    } else {
      EXPECT_EQ(method, 0u) << name;
      data = body;
    }
    EXPECT_EQ(xlsx::ZipCrc32(data), crc) << name;
    EXPECT_TRUE(parts.emplace(name, data).second) << name << " twice";
    at += 46 + nameLength + Get16(zip, at + 30) + Get16(zip, at + 32);
  }
  libdeflate_free_decompressor(d);
  return parts;
}

std::string PackageOf(TXLSWorkbook& book) {
  std::string bytes;
  EXPECT_EQ(xlsx::WritePackage(book, [&](const void* p, std::size_t n) {
              bytes.append(static_cast<const char*>(p), n);
              return true;
            }),
            xlsOK)
      << book.GetLastError();
  return bytes;
}

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(XlsxFormula, StoredForms) {
  Ref<TXLSWorkbook> book = MakeRef<TXLSWorkbook>();
  for (const char* name : {"Data", "My Sheet", "O'Brien", "A1", "2026", "R1C1", "True", "Ünit"})
    book->GetWorksheets()->Add()->SetWorkSheetName(name);
  struct Case {
    const char* text;
    const char* stored;
  } cases[] = {
      {"SUM(A1;B2)", "SUM(A1,B2)"},
      {"sum(a1:b2)*2+data!c$3", "SUM(A1:B2)*2+Data!C$3"},
      {"IF(A1>=1;\"yes\";\"no\")", "IF(A1&gt;=1,\"yes\",\"no\")"},
      {"\"say \"\"hi\"\"\"&A1", "\"say \"\"hi\"\"\"&amp;A1"},
      {"data!A1+'Data'!$B$2", "Data!A1+Data!$B$2"},
      {"'my sheet'!A1:B2", "'My Sheet'!A1:B2"},
      {"'O''Brien'!C3", "'O''Brien'!C3"},
      {"'A1'!B2+'2026'!A1+'R1C1'!A1+'True'!A1", "'A1'!B2+'2026'!A1+'R1C1'!A1+'True'!A1"},
      {"'Ünit'!A1", "'Ünit'!A1"},
      {"Data:'My Sheet'!A1", "'Data:My Sheet'!A1"},
      {"A1<>#N/A", "A1&lt;&gt;#N/A"},
      {"-A1^2%+SUM({1,2;3,4})", "-A1^2%+SUM({1,2;3,4})"},
      {"SUM(A1:B2 B1:C3)", "SUM(A1:B2 B1:C3)"},  // the space is the intersection
      {"A1 ~ B1", ""},                            // "~" does not lex
      // Texts the sheet writer stores as they stand, without spelling them again.
      {"A12345*2+1", "A12345*2+1"},
      {"SUM(A$1:A20000)/-$B$2^2%", "SUM(A$1:A20000)/-$B$2^2%"},
      {"ERROR.TYPE(A1)=IF(1E5,.5,_X)", "ERROR.TYPE(A1)=IF(1E5,.5,_X)"},
      {"SUM(A:C,1:3)", "SUM(A:C,1:3)"},
  };
  for (const Case& c : cases) {
    std::string out, error;
    const bool ok = xlsx::AppendFormula(*book, c.text, out, error);
    EXPECT_EQ(ok, *c.stored != '\0') << c.text << ": " << error;
    if (ok) {
      EXPECT_EQ(out, c.stored) << c.text;
    }
    // The plain form is claimed only where spelling it again changes nothing.
    if (xlsx::IsStoredFormulaForm(c.text)) {
      EXPECT_EQ(out, c.text);
    }
  }
  for (const char* plain : {"A12345*2+1", "SUM(A:C,1:3)", "ERROR.TYPE(A1)=IF(1E5,.5,_X)"})
    EXPECT_TRUE(xlsx::IsStoredFormulaForm(plain)) << plain;
  std::string out, error;
  EXPECT_FALSE(xlsx::AppendFormula(*book, "Gone!A1", out, error));
  EXPECT_NE(error.find("\"Gone\""), std::string::npos) << error;
}

TEST(XlsxText, Escapes) {
  struct Case {
    std::u16string text;
    std::size_t max;
    const char* element;
    const char* attribute;
  } cases[] = {
      {u"a&b<c>d\"e", std::u16string::npos, "a&amp;b&lt;c&gt;d\"e", "a&amp;b&lt;c&gt;d&quot;e"},
      {u"tab\tline\nend\r", std::u16string::npos, "tab\tline\nend&#13;", "tab&#9;line&#10;end&#13;"},
      {u"\x01\x1F\x7F", std::u16string::npos, "_x0001__x001F_\x7F", "_x0001__x001F_\x7F"},
      {u"_x0041_ _x41_ _xZZZZ_", std::u16string::npos, "_x005F_x0041_ _x41_ _xZZZZ_", "_x005F_x0041_ _x41_ _xZZZZ_"},
      {u"\xFFFE\xFFFF\xFFFD", std::u16string::npos, "_xFFFE__xFFFF_\xEF\xBF\xBD", "_xFFFE__xFFFF_\xEF\xBF\xBD"},
      {u"\xD83D\xDE00|\xD83D|\xDE00", std::u16string::npos, "\xF0\x9F\x98\x80|\xEF\xBF\xBD|\xEF\xBF\xBD",
       "\xF0\x9F\x98\x80|\xEF\xBF\xBD|\xEF\xBF\xBD"},
      {u"ab\xD83D\xDE00", 3, "ab", "ab"},  // a pair is never split
      {u"\u00E9\u0436", std::u16string::npos, "\xC3\xA9\xD0\xB6", "\xC3\xA9\xD0\xB6"},
  };
  for (const Case& c : cases) {
    xlsx::TXmlOut e, a;
    e.Text(c.text, false, c.max);
    a.Text(c.text, true, c.max);
    EXPECT_EQ(e.Buffer(), c.element);
    EXPECT_EQ(a.Buffer(), c.attribute);
  }
  // UTF-8 texts (names, formulas) escape alike.
  xlsx::TXmlOut u;
  u.Text(std::string_view("\x01_x0041_&\xEF\xBF\xBE\xC3\xA9"));
  EXPECT_EQ(u.Buffer(), "_x0001__x005F_x0041_&amp;_xFFFE_\xC3\xA9");
  xlsx::TXmlOut n;
  n.Number(-0.0).Int(-5) << ' ';
  n.Number(0.1).Number(1e300).Cell(1048575, 16383);
  EXPECT_EQ(n.Buffer(), "0-5 0.11e+300XFD1048576");
}

// Whole numbers and numbers of a few decimals take paths of their own: they
// must give the very characters of the general shortest form, the exponent
// form included where that is shorter.
TEST(XlsxText, NumbersInTheShortestForm) {
  std::vector<double> values{1e15, -1e15, 999999999999999.0, 9007199254740992.0, 0.5, -2.25, 1e-7, 45292.041666666664,
                             99999999999.9999, 1e11 - 0.5, 1.00005, 0.9999, 1.0001, -1047.29, 7.919, 2.675, 1.005};
  for (double p = 1; p < 1e16; p *= 10)
    for (const double m : {1.0, 2.0, 12.0, 120.0, 1001.0, 12345.0, 0.3, 1.25, 3.14159, 1.0 / 3})
      for (const double v : {p * m, p * m - 1, -p * m, p * m + 0.1, p * m + 0.005, p * m - 0.0001}) values.push_back(v);
  // Amounts of cents and measures of up to five decimals, and their neighbours.
  std::uint64_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    const double whole = static_cast<double>(seed >> 20) / std::pow(10.0, static_cast<double>(seed % 6));
    values.push_back(whole);
    values.push_back(std::nextafter(whole, 1e300));
  }
  for (const double v : values) {
    char want[40];
    *std::to_chars(want, want + sizeof want, v).ptr = '\0';
    xlsx::TXmlOut x;
    x.Number(v);
    EXPECT_EQ(x.Buffer(), want) << v;
  }
}

// One workbook with something of every kind, for the checks of whole packages.
Ref<TXLSWorkbook> Sample() {
  Ref<TXLSWorkbook> book = MakeRef<TXLSWorkbook>();
  IXLSWorksheet* data = book->GetWorksheets()->Add();
  data->SetWorkSheetName("Data");
  IXLSWorksheet* more = book->GetWorksheets()->Add();
  more->SetWorkSheetName("More Data");
  data->Range("A1")->SetValue(TVariant("text"));
  data->Range("B1")->SetValue(TVariant(1.5));
  data->Range("C1")->SetValue(TVariant(true));
  data->Range("D1")->SetValue(TVariant("='More Data'!A1*2"));
  data->Range("E1")->SetValue(TVariant(std::string(40000, 'x')));
  data->Range("F1")->SetValue(TVariant("=\"a \"&\"b\""));
  data->Range("G1")->SetValue(TVariant("=B1>1"));
  data->Range("H1")->SetValue(TVariant("=1/0"));
  data->Range("B:B")->SetNumFormat("0.00");
  data->Range("A3:B4")->Merge(false);
  more->Range("A1")->SetValue(TVariant(21.0));
  return book;
}

// Large parts are deflated in pieces joined into one stream: every kind of
// data (blocks with codes of their own, fixed codes, stored blocks) reads back
// whole, and the container's bytes are the same every time.
TEST(XlsxZip, PartsDeflatedInPiecesReadBackWhole) {
  constexpr std::size_t kPiece = xlsx::TZipWriter::kPieceSize;
  std::uint64_t seed = 42;
  const auto random = [&] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<char>(seed >> 56);
  };
  std::string rows, noise, mixed;
  for (int r = 0; rows.size() < 2 * kPiece + kPiece / 2; ++r)
    rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" +
            std::to_string(r * 7 % 1000) + "</v></c></row>";
  for (std::size_t i = 0; i < 2 * kPiece + 17; ++i) noise += random();
  while (mixed.size() < 3 * kPiece) {
    for (int i = 0; i < 70000; ++i) mixed += random();
    mixed += rows.substr(0, 150000);
  }
  const std::vector<std::pair<std::string, std::string>> parts = {
      {"rows.xml", rows},
      {"noise.bin", noise},
      {"mixed.bin", mixed},
      {"same.bin", std::string(2 * kPiece, 'x')},
      {"tail.xml", rows.substr(0, 2 * kPiece + 1)},
      {"small.xml", rows.substr(0, 5000)},
  };
  const auto write = [&] {
    std::string zip;
    xlsx::TZipWriter w([&](const void* p, std::size_t n) {
      zip.append(static_cast<const char*>(p), n);
      return true;
    });
    for (const auto& [name, data] : parts) EXPECT_TRUE(w.Add(name, data)) << name << ": " << w.Error();
    EXPECT_TRUE(w.Finish()) << w.Error();
    return zip;
  };
  const std::string zip = write();
  const std::map<std::string, std::string> read = Unzip(zip);
  ASSERT_EQ(read.size(), parts.size());
  for (const auto& [name, data] : parts) EXPECT_TRUE(read.at(name) == data) << name;
  EXPECT_TRUE(write() == zip);
  // Fed in runs of any length while they are made, with or without a last run
  // given at the end, the entries are the same bytes.
  for (const std::size_t run : {std::size_t{1} << 16, kPiece - 1, kPiece, 3 * kPiece + 5}) {
    std::string fed;
    xlsx::TZipWriter w([&](const void* p, std::size_t n) {
      fed.append(static_cast<const char*>(p), n);
      return true;
    });
    bool lastWhole = false;
    for (const auto& [name, data] : parts) {
      ASSERT_TRUE(w.Begin(name));
      std::size_t at = 0;
      for (; data.size() - at > run; at += run) ASSERT_TRUE(w.Feed(std::string_view(data).substr(at, run)));
      lastWhole = !lastWhole;
      if (lastWhole)
        ASSERT_TRUE(w.End(std::string_view(data).substr(at)));
      else
        ASSERT_TRUE(w.Feed(std::string_view(data).substr(at)) && w.End());
    }
    ASSERT_TRUE(w.Finish());
    EXPECT_TRUE(fed == zip) << run;
  }
  // Pieces cost under 1 % against one stream (rows.xml is the first entry).
  libdeflate_compressor* c = libdeflate_alloc_compressor(5);
  std::vector<unsigned char> whole(libdeflate_deflate_compress_bound(c, rows.size()));
  const std::size_t one = libdeflate_deflate_compress(c, rows.data(), rows.size(), whole.data(), whole.size());
  libdeflate_free_compressor(c);
  EXPECT_EQ(Get16(zip, 8), 8u);
  EXPECT_LT(Get32(zip, 18), one + one / 100);
}

// A stream is opened only when it is one whole deflate stream; anything else
// is left as it is.
TEST(XlsxZip, OnlyWholeStreamsAreOpened) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(5);
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "<c r=\"B" + std::to_string(i) + "\"/>";
  std::vector<unsigned char> packed(libdeflate_deflate_compress_bound(c, text.size()) + xlsx::kJoinSlack);
  const std::size_t n = libdeflate_deflate_compress(c, text.data(), text.size(), packed.data(), packed.size());
  libdeflate_free_compressor(c);
  ASSERT_GT(n, 8u);
  for (const std::size_t cut : {std::size_t{1}, std::size_t{2}, n / 2, n - 1, n + 3}) {
    std::vector<unsigned char> bytes(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(std::min(cut, n)));
    if (cut > n) bytes.insert(bytes.end(), cut - n, 0xAA);  // bytes after the stream
    const std::vector<unsigned char> before = bytes;
    bytes.resize(bytes.size() + xlsx::kJoinSlack);
    std::size_t size = before.size();
    EXPECT_FALSE(xlsx::OpenFinalBlock(bytes.data(), size)) << cut;
    EXPECT_EQ(size, before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), bytes.begin())) << cut;
  }
  // Stored blocks (what a piece falls back to) join whatever follows them:
  // 150,000 bytes in three blocks, then the whole stream.
  const std::string raw(150000, 'q');
  std::vector<unsigned char> joined(xlsx::StoredBound(raw.size()));
  joined.resize(xlsx::PutStoredBlocks(reinterpret_cast<const unsigned char*>(raw.data()), raw.size(), false,
                                      joined.data()));
  EXPECT_EQ(joined.size(), raw.size() + 15);
  joined.insert(joined.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(n));
  std::string out(raw.size() + text.size(), '\0');
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  EXPECT_EQ(libdeflate_deflate_decompress(d, joined.data(), joined.size(), out.data(), out.size(), nullptr),
            LIBDEFLATE_SUCCESS);
  libdeflate_free_decompressor(d);
  EXPECT_TRUE(out == raw + text);
}

TEST(XlsxPackage, PartsAndSameBytesEverySave) {
  Ref<TXLSWorkbook> book = Sample();
  const std::string first = PackageOf(*book);
  EXPECT_EQ(PackageOf(*book), first);  // no time stamp, no order of a hash
  const std::map<std::string, std::string> parts = Unzip(first);
  std::vector<std::string> names;
  for (const auto& [name, data] : parts) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels", "docProps/app.xml",
                                             "docProps/core.xml", "xl/_rels/workbook.xml.rels", "xl/sharedStrings.xml",
                                             "xl/styles.xml", "xl/workbook.xml", "xl/worksheets/sheet1.xml",
                                             "xl/worksheets/sheet2.xml"}));
  const std::string& sheet = parts.at("xl/worksheets/sheet1.xml");
  // Every cell carries its name, the first of a row and those after a gap too.
  for (const char* want : {"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>1.5</v></c>"
                           "<c r=\"C1\" t=\"b\"><v>1</v></c><c r=\"D1\"><f>'More Data'!A1*2</f><v>42</v></c>"
                           "<c r=\"E1\" t=\"s\"><v>1</v></c><c r=\"F1\" t=\"str\"><f>\"a \"&amp;\"b\"</f><v>a b</v></c>"
                           "<c r=\"G1\" t=\"b\"><f>B1&gt;1</f><v>1</v></c><c r=\"H1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c></row>",
                           "<row r=\"3\"><c r=\"A3\"/><c r=\"B3\" s=\"1\"/></row><row r=\"4\"><c r=\"B4\" s=\"1\"/></row>",
                           "<mergeCell ref=\"A3:B4\"/>", "<col min=\"2\" max=\"2\" width=\"9.140625\" style=\"1\"/>"})
    EXPECT_NE(sheet.find(want), std::string::npos) << want << "\n" << sheet;
  // Every formula has its result: nothing is left to work out on opening.
  EXPECT_EQ(parts.at("xl/workbook.xml").find("fullCalcOnLoad"), std::string::npos);
  EXPECT_NE(parts.at("xl/sharedStrings.xml").find("<t>" + std::string(32767, 'x') + "</t>"), std::string::npos);
  const std::vector<std::string> warnings = book->GetWarnings();
  ASSERT_EQ(warnings.size(), 2u);  // once for each save
  EXPECT_EQ(warnings[0], "Data!E1: text of 40000 characters cut to 32767 (the cell limit)");
}

TEST(XlsxPackage, SaveByNameAtomicAndStrict) {
  test::TTempDir dir("tablirex_xlsx_");
  Ref<TXLSWorkbook> book = Sample();
  // The form follows the name: a package (PK) for .xlsx in any case, a compound
  // document for any other.
  ASSERT_EQ(book->SaveAs((dir / "a.XLSX").string()), xlsOK) << book->GetLastError();
  ASSERT_EQ(book->SaveAs((dir / "a.xls").string()), xlsOK);
  EXPECT_EQ(ReadFile(dir / "a.XLSX").substr(0, 4), std::string("PK\x03\x04", 4));
  EXPECT_EQ(ReadFile(dir / "a.xls").substr(0, 4), std::string("\xD0\xCF\x11\xE0", 4));

  const std::string before = ReadFile(dir / "a.XLSX");
  // A strict save of a text past the cell limit fails and leaves the file.
  EXPECT_EQ(book->SaveAs((dir / "a.XLSX").string(), xlOpenXMLWorkbook, true), xlsFail);
  EXPECT_NE(book->GetLastError().find("strict save: Data!E1: text of 40000"), std::string::npos)
      << book->GetLastError();
  // So does a formula naming a sheet that is gone.
  book->GetWorksheets()->Delete(2);
  EXPECT_EQ(book->SaveAs((dir / "a.XLSX").string(), xlOpenXMLWorkbook), xlsFail);
  EXPECT_NE(book->GetLastError().find("Data!D1: formula \"='More Data'!A1*2\""), std::string::npos)
      << book->GetLastError();
  EXPECT_EQ(ReadFile(dir / "a.XLSX"), before);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 2u);  // no temporary left behind
  EXPECT_EQ(book->SaveAs((dir / "missing" / "b.xlsx").string()), xlsFail);
  EXPECT_NE(book->GetLastError().find("cannot save"), std::string::npos);
}

}  // namespace
}  // namespace tablirex
