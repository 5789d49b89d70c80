#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "formula/formula.h"
#include "formula/formula_code.h"
#include "text/text.h"

namespace tablirex {
namespace {

constexpr std::int32_t kBiff5 = 1;
constexpr std::int32_t kBiff8 = 2;

// A compiler whose workbook holds the given sheets, in order.
struct Book {
  explicit Book(std::vector<std::u16string> names, std::int32_t format = kBiff8, std::uint16_t codePage = 1252)
      : sheets(std::move(names)) {
    TXLSFormulaContext ctx;
    ctx.getSheetIndex = [this](std::u16string_view name) -> std::int32_t {
      for (std::size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i] == name) return static_cast<std::int32_t>(i + 1);
      return -1;
    };
    ctx.getSheetCount = [this] { return static_cast<std::int32_t>(sheets.size()); };
    // Ranges of sheets get entries after the sheets' own, as the workbook adds them.
    ctx.getSheetRangeRef = [this](std::int32_t first, std::int32_t last) {
      const std::pair<std::int32_t, std::int32_t> r{first, last};
      std::size_t k = 0;
      while (k < ranges.size() && ranges[k] != r) ++k;
      if (k == ranges.size()) ranges.push_back(r);
      return static_cast<std::int32_t>(sheets.size() + k);
    };
    ctx.format = format;
    ctx.codePage = codePage;
    formula.SetContext(std::move(ctx));
  }
  std::vector<std::u16string> sheets;
  std::vector<std::pair<std::int32_t, std::int32_t>> ranges;
  TXLSFormula formula;
};

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char buf[4];
  for (const auto b : bytes) {
    std::snprintf(buf, sizeof buf, "%s%02X", out.empty() ? "" : " ", b);
    out += buf;
  }
  return out;
}

// Compiled bytes in hex (length word first), or "FAIL". Checks that GetDataSize
// announces exactly the token bytes written.
std::string Compile(TXLSFormula& f, const std::string& text) {
  if (f.Compile(text) != 1) return "FAIL";
  std::vector<std::uint8_t> bytes;
  if (f.GetData(bytes) != 1) {
    EXPECT_TRUE(bytes.empty());
    return "FAIL";
  }
  EXPECT_EQ(static_cast<std::int32_t>(bytes.size()), f.GetDataSize() + 2) << text;
  // The code a cell keeps encodes to the same bytes.
  TFormulaCode code;
  std::vector<std::uint8_t> kept;
  if (f.MakeCode(code) && f.EncodeCode(code, kept) == 1) {
    EXPECT_EQ(Hex(kept), Hex(bytes)) << text << " (kept code)";
  }
  return Hex(bytes);
}

struct EncodeCase {
  const char* text;
  const char* biff8;
  const char* biff5;
};

class EncoderCases : public ::testing::TestWithParam<EncodeCase> {};

// One workbook of three sheets; each case is compiled once and encoded in both
// forms, since the tree does not depend on the form.
TEST_P(EncoderCases, Bytes) {
  Book book({u"Sheet1", u"Sheet2", u"My Sheet"});
  const EncodeCase& c = GetParam();
  book.formula.SetFormat(kBiff8);
  EXPECT_EQ(Compile(book.formula, c.text), c.biff8) << c.text << " (BIFF8)";
  book.formula.SetFormat(kBiff5);
  EXPECT_EQ(Compile(book.formula, c.text), c.biff5) << c.text << " (BIFF5)";
}

// The cases, as an array: a variadic list of this length costs the compiler minutes.
const EncodeCase kEncodeCases[] = {
        // Cells: the relative bits go into the column word (BIFF8) or the row word
        // (BIFF5); a formula's top-level reference is in array class.
        EncodeCase{"A1", "05 00 64 00 00 00 C0", "04 00 64 00 C0 00"},
        EncodeCase{"$A$1", "05 00 64 00 00 00 00", "04 00 64 00 00 00"},
        EncodeCase{"A$1", "05 00 64 00 00 00 40", "04 00 64 00 40 00"},
        EncodeCase{"$A1", "05 00 64 00 00 00 80", "04 00 64 00 80 00"},
        EncodeCase{"b3", "05 00 64 02 00 01 C0", "04 00 64 02 C0 01"},
        EncodeCase{"AA10", "05 00 64 09 00 1A C0", "04 00 64 09 C0 1A"},
        EncodeCase{"IU1", "05 00 64 00 00 FE C0", "04 00 64 00 C0 FE"},
        EncodeCase{"IV1", "05 00 64 00 00 FF C0", "04 00 64 00 C0 FF"},
        EncodeCase{"A16384", "05 00 64 FF 3F 00 C0", "04 00 64 FF FF 00"},
        EncodeCase{"$A$16384", "05 00 64 FF 3F 00 00", "04 00 64 FF 3F 00"},
        EncodeCase{"A16385", "05 00 64 00 40 00 C0", "FAIL"},
        EncodeCase{"A65536", "05 00 64 FF FF 00 C0", "FAIL"},
        EncodeCase{"A65537", "FAIL", "FAIL"},
        EncodeCase{"A0", "FAIL", "FAIL"},
        EncodeCase{"IW1", "FAIL", "FAIL"},
        EncodeCase{"AAA1", "FAIL", "FAIL"},
        EncodeCase{"A", "FAIL", "FAIL"},
        EncodeCase{"A1B", "FAIL", "FAIL"},
        EncodeCase{"A99999999999999999999", "FAIL", "FAIL"},
        EncodeCase{"PI", "FAIL", "FAIL"},
        // Logical and error constants.
        EncodeCase{"TRUE", "02 00 1D 01", "02 00 1D 01"},
        EncodeCase{"false", "02 00 1D 00", "02 00 1D 00"},
        EncodeCase{"#NULL!", "02 00 1C 00", "02 00 1C 00"},
        EncodeCase{"#DIV/0!", "02 00 1C 07", "02 00 1C 07"},
        EncodeCase{"#VALUE!", "02 00 1C 0F", "02 00 1C 0F"},
        EncodeCase{"#REF!", "02 00 1C 17", "02 00 1C 17"},
        EncodeCase{"#NAME?", "02 00 1C 1D", "02 00 1C 1D"},
        EncodeCase{"#NUM!", "02 00 1C 24", "02 00 1C 24"},
        EncodeCase{"#n/a", "02 00 1C 2A", "02 00 1C 2A"},
        // Areas: corners as written, not put in order.
        EncodeCase{"A1:B2", "09 00 65 00 00 01 00 00 C0 01 C0", "07 00 65 00 C0 01 C0 00 01"},
        EncodeCase{"$B$2:A1", "09 00 65 01 00 00 00 01 00 00 C0", "07 00 65 01 00 00 C0 01 00"},
        EncodeCase{"A1:IV65536", "09 00 65 00 00 FF FF 00 C0 FF C0", "FAIL"},
        EncodeCase{"A1:B2:C3", "FAIL", "FAIL"},
        EncodeCase{"A1:", "FAIL", "FAIL"},
        // Whole columns and rows: all the rows or columns of the format's grid,
        // the spanning side absolute.
        EncodeCase{"A:A", "09 00 65 00 00 FF FF 00 40 00 40", "07 00 65 00 40 FF 7F 00 00"},
        EncodeCase{"$A:$C", "09 00 65 00 00 FF FF 00 00 02 00", "07 00 65 00 00 FF 3F 00 02"},
        EncodeCase{"1:1", "09 00 65 00 00 00 00 00 80 FF 80", "07 00 65 00 80 00 80 00 FF"},
        EncodeCase{"$2:$3", "09 00 65 01 00 02 00 00 00 FF 00", "07 00 65 01 00 02 00 00 FF"},
        EncodeCase{"Sheet2!A:A", "0B 00 7B 01 00 00 00 FF FF 00 40 00 40",
                   "15 00 7B FE FF 00 00 00 00 00 00 00 00 01 00 01 00 00 40 FF 7F 00 00"},
        EncodeCase{"A:IW", "FAIL", "FAIL"},
        EncodeCase{"A:1", "FAIL", "FAIL"},
        EncodeCase{"16384:16385", "09 00 65 FF 3F 00 40 00 80 FF 80", "FAIL"},
        EncodeCase{"1:65537", "FAIL", "FAIL"},
        // 3-D references: BIFF8 reference index n - p; BIFF5 EXTERNSHEET index -p,
        // eight zero bytes, first and last sheet (zero-based).
        EncodeCase{"Sheet2!B3", "07 00 7A 01 00 02 00 01 C0",
                   "12 00 7A FE FF 00 00 00 00 00 00 00 00 01 00 01 00 02 C0 01"},
        EncodeCase{"'My Sheet'!$A$1*2",
                   "11 00 7A 00 00 00 00 00 00 1F 00 00 00 00 00 00 00 40 05",
                   "1C 00 7A FD FF 00 00 00 00 00 00 00 00 02 00 02 00 00 00 00 1F 00 00 00 00 00 00 00 40 05"},
        EncodeCase{"Sheet1!A1:B2", "0B 00 7B 02 00 00 00 01 00 00 C0 01 C0",
                   "15 00 7B FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 C0 01 C0 00 01"},
        EncodeCase{"Sheet1:My Sheet!A1", "FAIL", "FAIL"},  // the lexer ends the name at the blank
        // A range of sheets: BIFF8 names an entry of its own (after the three
        // sheets' entries), BIFF5 gives the first and last sheet; reversed ranges
        // are put in order.
        EncodeCase{"Sheet1:Sheet2!A1", "07 00 7A 03 00 00 00 00 C0",
                   "12 00 7A FF FF 00 00 00 00 00 00 00 00 00 00 01 00 00 C0 00"},
        EncodeCase{"Sheet2:Sheet1!A1", "07 00 7A 03 00 00 00 00 C0",
                   "12 00 7A FF FF 00 00 00 00 00 00 00 00 00 00 01 00 00 C0 00"},
        EncodeCase{"'Sheet1:My Sheet'!A1:A2", "0B 00 7B 03 00 00 00 01 00 00 C0 00 C0",
                   "15 00 7B FF FF 00 00 00 00 00 00 00 00 00 00 02 00 00 C0 01 C0 00 00"},
        EncodeCase{"'My Sheet:Sheet2'!A1", "07 00 7A 03 00 00 00 00 C0",
                   "12 00 7A FE FF 00 00 00 00 00 00 00 00 01 00 02 00 00 C0 00"},
        EncodeCase{"Sheet2:Sheet2!A1", "07 00 7A 01 00 00 00 00 C0",
                   "12 00 7A FE FF 00 00 00 00 00 00 00 00 01 00 01 00 00 C0 00"},
        EncodeCase{"SUM(Sheet2!A1)", "0B 00 3A 01 00 00 00 00 C0 42 01 04 00",
                   "16 00 3A FE FF 00 00 00 00 00 00 00 00 01 00 01 00 00 C0 00 42 01 04 00"},
        EncodeCase{"Sheet4!A1", "FAIL", "FAIL"},
        EncodeCase{"Sheet1:Sheet4!A1", "FAIL", "FAIL"},  // the last sheet must exist too
        EncodeCase{"Sheet1!IW1", "FAIL", "FAIL"},
        EncodeCase{"Sheet1!A1!B2", "FAIL", "FAIL"},
        // Numbers: always a double.
        EncodeCase{"1.5", "09 00 1F 00 00 00 00 00 00 F8 3F", "09 00 1F 00 00 00 00 00 00 F8 3F"},
        EncodeCase{".5", "09 00 1F 00 00 00 00 00 00 E0 3F", "09 00 1F 00 00 00 00 00 00 E0 3F"},
        EncodeCase{"1.2.3", "FAIL", "FAIL"},
        EncodeCase{"1.", "09 00 1F 00 00 00 00 00 00 F0 3F", "09 00 1F 00 00 00 00 00 00 F0 3F"},
        EncodeCase{".", "FAIL", "FAIL"},
        EncodeCase{"1E3", "09 00 1F 00 00 00 00 00 40 8F 40", "09 00 1F 00 00 00 00 00 40 8F 40"},
        EncodeCase{"2.5e-1", "09 00 1F 00 00 00 00 00 00 D0 3F", "09 00 1F 00 00 00 00 00 00 D0 3F"},
        EncodeCase{"1E400", "FAIL", "FAIL"},
        EncodeCase{"0.1", "09 00 1F 9A 99 99 99 99 99 B9 3F", "09 00 1F 9A 99 99 99 99 99 B9 3F"},
        EncodeCase{"1.23", "09 00 1F AE 47 E1 7A 14 AE F3 3F", "09 00 1F AE 47 E1 7A 14 AE F3 3F"},
        EncodeCase{"12345678901", "09 00 1F 00 00 A8 E1 E0 FE 06 42", "09 00 1F 00 00 A8 E1 E0 FE 06 42"},
        // Strings: UTF-16 with option byte 0x01 (BIFF8), code-page bytes (BIFF5).
        EncodeCase{"\"\"", "03 00 17 00 01", "02 00 17 00"},
        EncodeCase{"\"say \"\"hi\"\"\"&A1",
                   "19 00 17 08 01 73 00 61 00 79 00 20 00 22 00 68 00 69 00 22 00 64 00 00 00 C0 08",
                   "0F 00 17 08 73 61 79 20 22 68 69 22 64 00 C0 00 08"},
        EncodeCase{"\"\xC3\xA9\xE2\x82\xAC\"", "07 00 17 02 01 E9 00 AC 20", "04 00 17 02 E9 80"},
        EncodeCase{"\"\xF0\x9F\x98\x80\"", "07 00 17 02 01 3D D8 00 DE", "03 00 17 01 3F"},
        // Operators, operands first; operands of operators are in array class.
        EncodeCase{"1+2*3",
                   "1D 00 1F 00 00 00 00 00 00 F0 3F 1F 00 00 00 00 00 00 00 40 1F 00 00 00 00 00 00 08 40 05 03",
                   "1D 00 1F 00 00 00 00 00 00 F0 3F 1F 00 00 00 00 00 00 00 40 1F 00 00 00 00 00 00 08 40 05 03"},
        EncodeCase{"-A1^A2", "0C 00 64 00 00 00 C0 13 64 01 00 00 C0 07", "0A 00 64 00 C0 00 13 64 01 C0 00 07"},
        EncodeCase{"+(A1)", "07 00 64 00 00 00 C0 15 12", "06 00 64 00 C0 00 15 12"},
        EncodeCase{"A1/B1-C1", "11 00 64 00 00 00 C0 64 00 00 01 C0 06 64 00 00 02 C0 04",
                   "0E 00 64 00 C0 00 64 00 C0 01 06 64 00 C0 02 04"},
        EncodeCase{"A1=B1", "0B 00 64 00 00 00 C0 64 00 00 01 C0 0B", "09 00 64 00 C0 00 64 00 C0 01 0B"},
        EncodeCase{"A1<>B1", "0B 00 64 00 00 00 C0 64 00 00 01 C0 0E", "09 00 64 00 C0 00 64 00 C0 01 0E"},
        EncodeCase{"A1<B1", "0B 00 64 00 00 00 C0 64 00 00 01 C0 09", "09 00 64 00 C0 00 64 00 C0 01 09"},
        EncodeCase{"A1<=B1", "0B 00 64 00 00 00 C0 64 00 00 01 C0 0A", "09 00 64 00 C0 00 64 00 C0 01 0A"},
        EncodeCase{"A1>B1", "0B 00 64 00 00 00 C0 64 00 00 01 C0 0D", "09 00 64 00 C0 00 64 00 C0 01 0D"},
        EncodeCase{"A1>=B1", "0B 00 64 00 00 00 C0 64 00 00 01 C0 0C", "09 00 64 00 C0 00 64 00 C0 01 0C"},
        // Functions: arguments in the class of the function; fixed counts give
        // FuncV, variable counts FuncVarV with the count.
        EncodeCase{"SUM(A1:B2;3)",
                   "16 00 25 00 00 01 00 00 C0 01 C0 1F 00 00 00 00 00 00 08 40 42 02 04 00",
                   "14 00 25 00 C0 01 C0 00 01 1F 00 00 00 00 00 00 08 40 42 02 04 00"},
        EncodeCase{"SUM()", "04 00 42 00 04 00", "04 00 42 00 04 00"},
        EncodeCase{"FIXED(1)", "0D 00 1F 00 00 00 00 00 00 F0 3F 42 01 0E 00",
                   "0D 00 1F 00 00 00 00 00 00 F0 3F 42 01 0E 00"},
        EncodeCase{"sum(a1)", "09 00 24 00 00 00 C0 42 01 04 00", "08 00 24 00 C0 00 42 01 04 00"},
        EncodeCase{"SUM(A1,3)", "12 00 24 00 00 00 C0 1F 00 00 00 00 00 00 08 40 42 02 04 00",
                   "11 00 24 00 C0 00 1F 00 00 00 00 00 00 08 40 42 02 04 00"},
        // A union: members in reference class, then ptgUnion, inside ptgParen.
        EncodeCase{"SUM((A1,B2))", "10 00 24 00 00 00 C0 24 01 00 01 C0 10 15 42 01 04 00",
                   "0E 00 24 00 C0 00 24 01 C0 01 10 15 42 01 04 00"},
        EncodeCase{"ERROR.TYPE(#N/A)", "05 00 1C 2A 41 05 01", "05 00 1C 2A 41 05 01"},
        EncodeCase{"REGISTER.ID(\"a\";\"b\")", "0E 00 17 01 01 61 00 17 01 01 62 00 42 02 0B 01",
                   "0A 00 17 01 61 17 01 62 42 02 0B 01"},
        EncodeCase{"IF(1)", "FAIL", "FAIL"},
        EncodeCase{"IF(1;2;3;4)", "FAIL", "FAIL"},
        EncodeCase{"VLOOKUP(1)", "FAIL", "FAIL"},
        EncodeCase{"'a b'!A1", "FAIL", "FAIL"},
        EncodeCase{"SUM((A1))", "0A 00 64 00 00 00 C0 15 42 01 04 00", "09 00 64 00 C0 00 15 42 01 04 00"},
        EncodeCase{"ABS(A1)", "08 00 44 00 00 00 C0 41 18 00", "07 00 44 00 C0 00 41 18 00"},
        EncodeCase{"ROWS(A1:B2)", "0C 00 25 00 00 01 00 00 C0 01 C0 41 4C 00",
                   "0A 00 25 00 C0 01 C0 00 01 41 4C 00"},
        EncodeCase{"MDETERM(A1:B2)", "0C 00 65 00 00 01 00 00 C0 01 C0 41 A3 00",
                   "0A 00 65 00 C0 01 C0 00 01 41 A3 00"},
        EncodeCase{"PI()", "03 00 41 13 00", "03 00 41 13 00"},
        EncodeCase{"True()", "03 00 41 22 00", "03 00 41 22 00"},
        EncodeCase{"IF(A1>0;\"y\";B1)",
                   "1D 00 64 00 00 00 C0 1F 00 00 00 00 00 00 00 00 0D 17 01 01 79 00 44 00 00 01 C0 42 03 01 00",
                   "19 00 64 00 C0 00 1F 00 00 00 00 00 00 00 00 0D 17 01 79 44 00 C0 01 42 03 01 00"},
        EncodeCase{"ROUND(1)", "FAIL", "FAIL"},
        EncodeCase{"ROUND(1;2;3)", "FAIL", "FAIL"},
        EncodeCase{"PI(1)", "FAIL", "FAIL"},
        EncodeCase{"NOSUCH(1)", "FAIL", "FAIL"},
        EncodeCase{"SUM(1;NOSUCH())", "FAIL", "FAIL"},
        EncodeCase{"SUM(A1;IW1)", "FAIL", "FAIL"}
};

INSTANTIATE_TEST_SUITE_P(
    Formula, EncoderCases,
    ::testing::ValuesIn(kEncodeCases));

TEST(FormulaEncoder, StringArgumentAndLengthLimits) {
  Book book({u"Sheet1"});
  const std::string s255(255, 'x');
  const std::string e255 = [] {
    std::string s;
    for (int i = 0; i < 255; ++i) s += "\xC3\xA9";  // 255 characters, 510 bytes of UTF-8
    return s;
  }();
  const auto repeat = [](const std::string& item, const char* sep, int n) {
    std::string out = item;
    for (int i = 1; i < n; ++i) out += sep + item;
    return out;
  };
  struct Case {
    std::string text;
    std::int32_t biff8Size;  // -1: refused
    std::int32_t biff5Size;
    const char* error;  // the start of the message of a refusal
  };
  const Case cases[] = {
      {"\"" + s255 + "\"", 513, 257, ""},
      {"\"" + s255 + "x\"", -1, -1, "a string constant holds at most 255 characters"},
      {"\"" + e255 + "\"", 513, 257, ""},
      {"\"" + e255 + "\xC3\xA9\"", -1, -1, "a string constant holds at most 255"},
      // At most 30 arguments, as the function table says.
      {"SUM(" + repeat("1", ";", 30) + ")", 30 * 9 + 4, 30 * 9 + 4, ""},
      {"SUM(" + repeat("1", ",", 31) + ")", -1, -1, "SUM takes 0 to 30 arguments, not 31 at position 1"},
      {"CONCATENATE(" + repeat("1", ";", 256) + ")", -1, -1, "CONCATENATE takes 0 to 30 arguments"},
      // The tokens of a FORMULA record: 2058 bytes in BIFF5, 8202 in BIFF8.
      {repeat("1", "+", 205), 2049, 2049, ""},
      {repeat("1", "+", 206), 2059, -1, "the formula is too long: its tokens take 2059 bytes, more than the 2058"},
      {repeat("1", "+", 820), 8199, -1, "the formula is too long"},
      {repeat("1", "+", 821), -1, -1, "the formula is too long: its tokens take 8209 bytes, more than the "},
      {repeat("SUM(" + repeat("1", ";", 30) + ")", "+", 250), -1, -1, "the formula is too long"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(book.formula.Compile(c.text), 1) << c.text.substr(0, 30);
    for (const auto& [format, size] : {std::pair{kBiff8, c.biff8Size}, std::pair{kBiff5, c.biff5Size}}) {
      book.formula.SetFormat(format);
      EXPECT_EQ(book.formula.GetDataSize(), size) << c.text.substr(0, 30) << " format " << format;
      std::unique_ptr<TXLSBlob> blob;
      EXPECT_EQ(book.formula.GetData(blob), size > 0 ? 1 : -1);
      EXPECT_EQ(blob != nullptr, size > 0);
      if (blob) {
        EXPECT_EQ(blob->GetWord(0), size);
      } else {
        EXPECT_EQ(book.formula.Error().rfind(c.error, 0), 0u) << book.formula.Error();
      }
    }
  }
}

// Refusals that only the encoder sees say what is wrong and where.
TEST(FormulaEncoder, RefusalsNameTheFaultAndItsPosition) {
  Book book({u"Sheet1", u"Sheet2"});
  const std::pair<const char*, const char*> cases[] = {
      {"1+NOSUCH(1)", "unknown function NOSUCH at position 3"},
      {"IF(1)", "IF takes 2 to 3 arguments, not 1 at position 1"},
      {"ROUND(1)", "ROUND takes 2 arguments, not 1 at position 1"},
      {"2*ABS()", "ABS takes 1 argument, not 0 at position 3"},
      {"PI*2", "PI is a function: write PI() at position 1"},
      {"Total*2", "unknown name \"Total\" at position 1"},
      {"A1+IW1", "the cell IW1 lies outside the sheet (columns A to IV, rows 1 to 65536 in the Excel 97 format) at position 4"},
      {"A1:B2:C3", "\"A1:B2:C3\" is not a cell or area address at position 1"},
      {"Sheet3!A1", "no sheet named \"Sheet3\""},
      {"Sheet1:Nowhere!A1", "no sheet named \"Nowhere\""},
      {"1E999", "the number 1E999 is out of range at position 1"},
  };
  for (const auto& [text, error] : cases) {
    ASSERT_EQ(book.formula.Compile(text), 1) << text;
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(book.formula.GetData(bytes), -1) << text;
    EXPECT_EQ(book.formula.Error(), error) << text;
  }
  // Check judges all but the sheet names, and cells on the workbook's grid (to
  // XFD1048576); the save's encoding then refuses what lies past its form's grid.
  EXPECT_EQ(book.formula.Check("Sheet3!A1+1", kBiff8), 1);
  const struct {
    const char* text;
    std::int32_t check, biff8, biff5;
  } grid[] = {
      {"A16384", 1, 1, 1},          {"A20000", 1, 1, -1},        {"IV65536", 1, 1, -1},
      {"A65537", 1, -1, -1},        {"IW1", 1, -1, -1},          {"XFD1048576", 1, -1, -1},
      {"SUM(A1:XFD1)", 1, -1, -1},  {"XFE1", -1, -1, -1},        {"A1048577", -1, -1, -1},
  };
  for (const auto& g : grid) {
    EXPECT_EQ(book.formula.Check(g.text, kBiff8), g.check) << g.text;
    for (const auto& [format, want] : {std::pair{kBiff8, g.biff8}, std::pair{kBiff5, g.biff5}}) {
      if (book.formula.Compile(g.text) != 1) continue;
      book.formula.SetFormat(format);
      std::vector<std::uint8_t> bytes;
      EXPECT_EQ(book.formula.GetData(bytes) > 0 ? 1 : -1, want) << g.text << " in form " << format;
      if (want == -1 && g.check == 1) {
        EXPECT_NE(book.formula.Error().find("lies outside the sheet"), std::string::npos) << g.text;
      }
    }
    book.formula.SetFormat(kBiff8);
  }
  EXPECT_EQ(book.formula.Check("SUM(1;2", kBiff8, 1), -1);
  EXPECT_EQ(book.formula.Error(), "expected \")\" to close the call of SUM (at position 2), found the end of the formula");
}

TEST(FormulaEncoder, SheetIndexDependsOnTheSheetCountAndNeedsACallback) {
  Book two({u"Sheet1", u"Sheet2"});
  EXPECT_EQ(Compile(two.formula, "Sheet2!B3"), "07 00 7A 00 00 02 00 01 C0");
  EXPECT_EQ(Compile(two.formula, "Sheet1!B3"), "07 00 7A 01 00 02 00 01 C0");
  two.sheets.push_back(u"Sheet3");  // the count is read at encoding time
  EXPECT_EQ(Compile(two.formula, "Sheet1!B3"), "07 00 7A 02 00 02 00 01 C0");

  TXLSFormula bare;  // no workbook behind it: 3-D references fail, others work
  EXPECT_EQ(Compile(bare, "Sheet1!A1"), "FAIL");
  EXPECT_EQ(Compile(bare, "A1"), "05 00 64 00 00 00 C0");
  bare.SetSheetIndexCallback([](std::u16string_view) { return 1; });
  EXPECT_EQ(Compile(bare, "Sheet1!A1"), "FAIL");  // BIFF8 needs the sheet count
  bare.SetFormat(kBiff5);
  EXPECT_EQ(Compile(bare, "Sheet1!A1"), "12 00 7A FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 C0 00");
  bare.SetFormat(0);  // never saved: BIFF8
  bare.SetSheetCountCallback([] { return 1; });
  EXPECT_EQ(Compile(bare, "Sheet1!A1"), "07 00 7A 00 00 00 00 00 C0");
}

TEST(FormulaEncoder, SheetNamesReachTheCallbackAsUtf16) {
  Book book({u"D\u00e9penses", u"\u6570\u636e"});
  EXPECT_EQ(Compile(book.formula, "'D\xC3\xA9penses'!A1"), "07 00 7A 01 00 00 00 00 C0");
  EXPECT_EQ(Compile(book.formula, "'\xE6\x95\xB0\xE6\x8D\xAE'!A1"), "07 00 7A 00 00 00 00 00 C0");
}

TEST(FormulaEncoder, Biff5StringsUseTheCodePage) {
  Book book({u"Sheet1"}, kBiff5, 1251);
  EXPECT_EQ(Compile(book.formula, "\"\xD0\x96\""), "03 00 17 01 C6");  // Cyrillic Zhe
  book.formula.SetCodePage(1252);
  EXPECT_EQ(Compile(book.formula, "\"\xD0\x96\""), "03 00 17 01 3F");
}

TEST(FormulaEncoder, GetDataFormsAgreeAndFailCleanly) {
  Book book({u"Sheet1"});
  ASSERT_EQ(book.formula.Compile("SUM(A$1:A100)"), 1);
  ASSERT_EQ(book.formula.GetDataSize(), 13);

  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(book.formula.GetData(bytes), 1);
  EXPECT_EQ(Hex(bytes), "0D 00 25 00 00 63 00 00 40 00 C0 42 01 04 00");

  // Appending after a record's fixed fields.
  TXLSBlob record(4 + 15);
  record.AddLong(0xAABBCCDD);
  ASSERT_EQ(book.formula.GetData(record), 1);
  EXPECT_EQ(record.GetDataSize(), 19u);
  EXPECT_EQ(std::vector<std::uint8_t>(record.GetBuff() + 4, record.GetBuff() + 19), bytes);

  // Too little room: refused, write position unchanged.
  TXLSBlob small(4 + 14);
  small.AddLong(0);
  EXPECT_EQ(book.formula.GetData(small), -1);
  EXPECT_EQ(small.GetDataSize(), 4u);

  // An encoding failure after the size pass also restores the write position.
  ASSERT_EQ(book.formula.Compile("SUM(A1;B0)"), 1);
  TXLSBlob room(64);
  EXPECT_EQ(book.formula.GetData(room), -1);
  EXPECT_EQ(room.GetDataSize(), 0u);
  std::unique_ptr<TXLSBlob> blob = std::make_unique<TXLSBlob>(4);
  EXPECT_EQ(book.formula.GetData(blob), -1);
  EXPECT_EQ(blob, nullptr);
}

TEST(FormulaEncoder, AFailedCompileLeavesNothingToEncode) {
  TXLSFormula f;
  ASSERT_EQ(f.Compile("1+1"), 1);
  EXPECT_EQ(f.GetDataSize(), 19);
  EXPECT_EQ(f.Compile("1+"), -1);  // parser failure
  EXPECT_EQ(f.GetDataSize(), -1);
  ASSERT_EQ(f.Compile("1+1"), 1);
  EXPECT_EQ(f.Compile("\"open"), -1);  // lexer failure
  EXPECT_EQ(f.Root(), nullptr);
  std::vector<std::uint8_t> bytes{1, 2};
  EXPECT_EQ(f.GetData(bytes), -1);
  EXPECT_TRUE(bytes.empty());
  TXLSFormula fresh;
  EXPECT_EQ(fresh.GetData(bytes), -1);
}

TEST(FormulaEncoder, RangeTypes) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"A1", 1}, {"A1:B2", 3}, {"S!A1", 2}, {"S!A1:B2", 4}, {"S1:S2!A1", 2}, {"S1:S2!A1:B2", 4}, {"", 1},
  };
  for (const auto& [text, type] : cases) EXPECT_EQ(TXLSFormula::GetRangeType(text), type) << text;
}

// Every entry of the table is found in any letter case and compiles to its own
// number, with the token its argument count calls for, from its fewest to its
// most arguments; one fewer or one more is refused.
TEST(FormulaFunctionTable, EveryEntryCompilesWithinItsArgumentCounts) {
  TXLSFormula f;
  EXPECT_EQ(f.Functions().Count(), THashFunc::BuiltinCount());
  EXPECT_EQ(THashFunc::BuiltinCount(), 225);
  const auto call = [](std::string name, int argc) {
    for (char& ch : name) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
    name += "(";
    for (int i = 0; i < argc; ++i) name += i ? ",1" : "1";
    return name + ")";
  };
  // The table as data, walked by one loop: the entries expanded one by one into
  // this function would make it too large for the optimiser.
  struct Entry {
    const char* name;
    std::int32_t number, least, most;
  };
  static const Entry kEntries[] = {
#define TXLS_FUNCTION(name, number, least, most, cls) {name, number, least, most},
#include "formula/function_table.def"
#undef TXLS_FUNCTION
  };
  std::int32_t checked = 0;
  for (const Entry& entry : kEntries) {
    const char* name = entry.name;
    const std::int32_t number = entry.number, least = entry.least, most = entry.most;
    const THashFuncEntry* e = f.Functions().GetValue(name);
    ASSERT_NE(e, nullptr) << name;
    EXPECT_EQ(e->funcNumber, number) << name;
    EXPECT_LE(least, most) << name;
    EXPECT_LE(most, 30) << name;
    for (const int argc : {least, most}) {
      const std::string text = call(name, argc);
      std::vector<std::uint8_t> bytes;
      ASSERT_EQ(f.Compile(text), 1) << text;
      ASSERT_EQ(f.GetData(bytes), 1) << text << ": " << f.Error();
      const std::size_t n = bytes.size();
      EXPECT_EQ(bytes[n - 2] | bytes[n - 1] << 8, number) << text;
      if (least != most) {
        EXPECT_EQ(bytes[n - 4], 0x42) << text;
        EXPECT_EQ(bytes[n - 3], argc) << text;
      } else {
        EXPECT_EQ(bytes[n - 3], 0x41) << text;
      }
    }
    for (const int argc : {least - 1, most + 1}) {
      if (argc < 0) continue;
      std::vector<std::uint8_t> bytes;
      ASSERT_EQ(f.Compile(call(name, argc)), 1);
      EXPECT_EQ(f.GetData(bytes), -1) << call(name, argc);
    }
    ++checked;
  }
  EXPECT_EQ(checked, 225);
  EXPECT_EQ(f.Functions().GetValue("NOSUCH"), nullptr);
  EXPECT_EQ(f.Functions().GetValue(""), nullptr);
  EXPECT_EQ(f.Functions().GetValue(std::string(100, 'S')), nullptr);
}

}  // namespace
}  // namespace tablirex
