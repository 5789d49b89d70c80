#include "tablirex/addressing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace tablirex {
namespace {

TEST(Addressing, EncodeCellRef) {
  struct Case {
    std::uint32_t row;
    std::uint16_t col;
    const char* want;
  } cases[] = {
      {0, 0, "A1"}, {9, 27, "AB10"}, {65535, 255, "IV65536"}, {0, 25, "Z1"}, {99, 26, "AA100"},
      {0, 51, "AZ1"}, {0, 52, "BA1"}, {0, 701, "ZZ1"}, {0, 702, "AAA1"}, {1048575, 16383, "XFD1048576"},
      {2000000, 20000, "XFD1048576"},  // past the grid: its last cell
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeCellRef(c.row, c.col), c.want);
  EXPECT_EQ(EncodeCellRange(2, 2, 0, 0), "C3:A1");
}

// Every cell reference survives the round trip through its text.
TEST(Addressing, EncodeThenParseRoundTrips) {
  for (std::uint32_t col = 0; col <= 255; ++col) {
    for (const std::uint32_t row : {0, 1, 9, 99, 999, 65534, 65535, 65536, 1048575}) {
      const std::string text = EncodeCellRef(row, static_cast<std::uint16_t>(col));
      std::uint32_t r = 1;
      std::uint16_t c = 1;
      ASSERT_EQ(GetCellRef(text, r, c), 1) << text;
      EXPECT_EQ(r, row);
      EXPECT_EQ(c, col);
    }
  }
}

TEST(Addressing, GetCellRef) {
  struct Case {
    const char* text;
    std::int32_t status;
    std::uint32_t row;
    std::uint16_t col;
  } cases[] = {
      {"iv65536", 1, 65535, 255}, {"A1", 1, 0, 0},      {"b2", 1, 1, 1},       {"A01", 1, 0, 0},
      {"IW1", 1, 0, 256},         {"A0", -1, 0, 0},     {"A65537", 1, 65536, 0}, {"A", -1, 0, 0},
      {"1A", -1, 0, 0},           {"$A$1", -1, 0, 0},   {"AAA1", 1, 0, 702},   {"A1 ", -1, 0, 0},
      {" A1", -1, 0, 0},          {"A-1", -1, 0, 0},    {"A+1", -1, 0, 0},     {"AB", -1, 0, 0},
      {"", -1, 0, 0},             {"ZZ1", 1, 0, 701},   {"A99999999999", -1, 0, 0},
      {"xfd1048576", 1, 1048575, 16383}, {"XFE1", -1, 0, 0}, {"A1048577", -1, 0, 0}, {"AAAA1", -1, 0, 0},
  };
  for (const auto& c : cases) {
    std::uint32_t row = 77;
    std::uint16_t col = 77;
    EXPECT_EQ(GetCellRef(c.text, row, col), c.status) << c.text;
    // A failure leaves the outputs as they were.
    EXPECT_EQ(row, c.status == 1 ? c.row : 77) << c.text;
    EXPECT_EQ(col, c.status == 1 ? c.col : 77) << c.text;
  }
}

TEST(Addressing, GetCellRange) {
  struct Case {
    const char* text;
    std::int32_t status;
    std::uint32_t r1;
    std::uint16_t c1;
    std::uint32_t r2;
    std::uint16_t c2;
  } cases[] = {
      {"A1:C3", 1, 0, 0, 2, 2}, {"C3:A1", 1, 2, 2, 0, 0}, {"A1", -1, 0, 0, 0, 0},
      {":A1", -1, 0, 0, 0, 0},  {"A1:", -1, 0, 0, 0, 0},  {"A1 :B2", -1, 0, 0, 0, 0},
      {"B2:IV65536", 1, 1, 1, 65535, 255}, {"A1:XFD1048576", 1, 0, 0, 1048575, 16383},
      {"A1:XFD1048577", -1, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    std::uint32_t r1 = 0, r2 = 0;
    std::uint16_t c1 = 0, c2 = 0;
    EXPECT_EQ(GetCellRange(c.text, r1, c1, r2, c2), c.status) << c.text;
    if (c.status != 1) continue;
    EXPECT_EQ(r1, c.r1);
    EXPECT_EQ(c1, c.c1);
    EXPECT_EQ(r2, c.r2);
    EXPECT_EQ(c2, c.c2);
  }
}

TEST(Addressing, ColumnNames) {
  struct Case {
    std::int32_t number;
    const char* name;
  } names[] = {{1, "A"},     {26, "Z"},     {27, "AA"},    {52, "AZ"},    {53, "BA"},  {255, "IU"},
               {256, "IV"},  {702, "ZZ"},   {703, "AAA"},  {16384, "XFD"}, {16385, ""}, {0, ""},
               {-3, ""}};
  for (const auto& c : names) EXPECT_EQ(ColIndexToColName(c.number), c.name) << c.number;

  struct Index {
    const char* text;
    std::int32_t number;
  } indices[] = {{"", -1}, {"$", -1}, {"12", -1}, {"ZZ", 702}, {"$B", 2}, {"B5", 2},
                 {"b", 2}, {"iv", 256}, {"A$A", 27}};
  for (const auto& c : indices) EXPECT_EQ(ColNameToColIndex(c.text), c.number) << c.text;
  // Names and numbers agree both ways.
  for (std::int32_t n = 1; n <= 16384; ++n) EXPECT_EQ(ColNameToColIndex(ColIndexToColName(n)), n);
}

TEST(Addressing, RowSpans) {
  struct Case {
    const char* text;
    bool ok;
    std::int32_t first;
    std::int32_t last;
  } cases[] = {
      {" $5 : $2 ", true, 2, 5}, {"$1:$3", true, 1, 3},  {"7:7", true, 7, 7},
      {"\t$ 4:9\n", true, 4, 9}, {"15", false, 0, 0},    {"1:70000", true, 1, 70000},
      {"0:3", false, 0, 0},      {"$-1:3", false, 0, 0}, {"a:3", false, 0, 0},
      {":3", false, 0, 0},       {"$$1:2", false, 0, 0}, {"1:65535", true, 1, 65535},
      {"1:65536", true, 1, 65536}, {"65536:65536", true, 65536, 65536}, {"1:1048576", true, 1, 1048576},
      {"1:1048577", false, 0, 0},
      {"1:2:3", false, 0, 0},    {"1:2:", false, 0, 0},
  };
  for (const auto& c : cases) {
    std::int32_t first = -9, last = -9;
    EXPECT_EQ(RowDiapasonToValues(c.text, first, last), c.ok) << c.text;
    EXPECT_EQ(first, c.ok ? c.first : -9) << c.text;
    EXPECT_EQ(last, c.ok ? c.last : -9) << c.text;
  }
  EXPECT_EQ(ValuesToRowDiapason(1, 3), "$1:$3");
  EXPECT_EQ(ValuesToRowDiapason(9, 2), "$9:$2");
  EXPECT_EQ(ValuesToRowDiapason(0, 3), "");
  EXPECT_EQ(ValuesToRowDiapason(3, -1), "");
}

TEST(Addressing, ColumnSpans) {
  struct Case {
    const char* text;
    bool ok;
    std::int32_t first;
    std::int32_t last;
  } cases[] = {
      {"$A:$C", true, 1, 3}, {" $c : a ", true, 1, 3}, {"B:B", true, 2, 2}, {"$A:$IV", true, 1, 256},
      {"A:IW", true, 1, 257}, {"A:1", false, 0, 0},    {"AC", false, 0, 0}, {"$A:$ZZ", true, 1, 702},
      {"A:XFD", true, 1, 16384}, {"A:XFE", false, 0, 0}, {"A:AAAA", false, 0, 0},
      // Only letters: no third part, no cell references, no digits dropped.
      {"A:A:A", false, 0, 0}, {"A1:B2:C3", false, 0, 0}, {"A1:B", false, 0, 0}, {"A:B2", false, 0, 0},
      {"A B:C", false, 0, 0}, {"ABC:A", true, 1, 731},
  };
  for (const auto& c : cases) {
    std::int32_t first = -9, last = -9;
    EXPECT_EQ(ColDiapasonToValues(c.text, first, last), c.ok) << c.text;
    EXPECT_EQ(first, c.ok ? c.first : -9) << c.text;
    EXPECT_EQ(last, c.ok ? c.last : -9) << c.text;
  }
  EXPECT_EQ(ValuesToColDiapason(1, 3), "$A:$C");
  EXPECT_EQ(ValuesToColDiapason(28, 2), "$AB:$B");
  EXPECT_EQ(ValuesToColDiapason(0, 3), "");
  EXPECT_EQ(ValuesToColDiapason(1, 16384), "$A:$XFD");
  EXPECT_EQ(ValuesToColDiapason(1, 16385), "");
}

TEST(Addressing, DirExists) {
  EXPECT_TRUE(DirExists(TABLIREX_SOURCE_DIR));
  EXPECT_FALSE(DirExists(std::string(TABLIREX_SOURCE_DIR) + "/CMakeLists.txt"));
  EXPECT_FALSE(DirExists(std::string(TABLIREX_SOURCE_DIR) + "/no-such-dir"));
  EXPECT_FALSE(DirExists(""));
}

}  // namespace
}  // namespace tablirex
