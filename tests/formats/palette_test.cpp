#include "formats/palette.h"

#include <gtest/gtest.h>

#include "tablirex/colors.h"

namespace tablirex {
namespace {

std::vector<std::uint8_t> Bytes(const TXLSBlob& b) { return {b.GetBuff(), b.GetBuff() + b.GetDataSize()}; }

TEST(Palette, DefaultRecord) {
  TXLSPalette p;
  TRecordCollector sink;
  for (const BiffVersion v : {BiffVersion::Biff5, BiffVersion::Biff8})
    ASSERT_EQ(p.StorePalette(sink, TRecordContext{v, 1252}), 1);
  ASSERT_EQ(sink.records.size(), 2u);
  EXPECT_EQ(sink.records[0], sink.records[1]);  // one form for both versions
  const auto& r = sink.records[0];
  ASSERT_EQ(r.size(), 4u + 226u);
  EXPECT_EQ(std::vector<std::uint8_t>(r.begin(), r.begin() + 18),
            (std::vector<std::uint8_t>{0x92, 0x00, 0xE2, 0x00, 0x38, 0x00, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0,
                                       0xFF, 0, 0, 0}));
  EXPECT_EQ(std::vector<std::uint8_t>(r.end() - 4, r.end()), (std::vector<std::uint8_t>{0x33, 0x33, 0x33, 0}));
  // Entry 24 (colour index 17) is 9999FF: blue in the third byte.
  EXPECT_EQ(std::vector<std::uint8_t>(r.begin() + 6 + 16 * 4, r.begin() + 6 + 17 * 4),
            (std::vector<std::uint8_t>{0x99, 0x99, 0xFF, 0}));
}

TEST(Palette, CustomColorsAndReset) {
  TXLSPalette p;
  p.SetCustomColor(1, 0, 0x0000FF);
  EXPECT_EQ(p.GetCustomColor(1), 0x0000FFu);
  EXPECT_EQ(Bytes(p.GetPaletteBlob())[6], 0xFF);
  EXPECT_EQ(p.GetCustomColor2(1, 99), 0x0000FFu);
  const TXLSBlob before = p.GetPaletteBlob();
  p.SetCustomColor(0, 0, 0x123456);
  p.SetCustomColor(57, 0, 0x123456);
  p.SetCustomColor(-4105, 0, 0x123456);
  EXPECT_EQ(Bytes(p.GetPaletteBlob()), Bytes(before));
  p.ResetColors();
  EXPECT_EQ(p.GetCustomColor(1), 0u);
  EXPECT_EQ(p.GetCustomColor(17), 0xFF9999u);  // 9999FF as red-green-blue
}

TEST(Palette, GetCustomColorByIndex) {
  TXLSPalette p;
  p.SetCustomColor(1, 0x112233);
  struct Case {
    std::int32_t index;
    std::uint32_t rgb;
  };
  const Case cases[] = {
      {0, 0x000000},        // entry 0, not the changed entry 8
      {1, 0x112233},
      {2, 0xFFFFFF},
      {56, 0x333333},
      {57, 0},
      {1000, 0},
      {xlColorIndexNone, 0xFFFFFF},
      {xlColorIndexAutomatic, 0x000000},
  };
  for (const Case& c : cases) EXPECT_EQ(p.GetCustomColor(c.index), c.rgb) << c.index;
  EXPECT_EQ(p.GetPaletteColor(kPaletteSystemForeground), 0u);
  EXPECT_EQ(p.GetPaletteColor(kPaletteSystemBackground), 0xFFFFFFu);
  EXPECT_EQ(p.GetPaletteColor(10), 0x0000FFu);
}

TEST(Palette, NearestColorIndex) {
  TXLSPalette p;
  struct Case {
    std::uint32_t rgb;
    std::int32_t index;
  };
  const Case cases[] = {
      {0x000000, 1},
      {0xFFFFFF, 2},
      {0xFF0000, 5},   // pure blue: entries 12 and 39, the first wins
      {0x818181, 16},  // next to gray 808080 (entry 23)
      {0x000040, 1},   // halfway between black and 800000 (entry 16): the lower entry
      {0x000041, 9},
  };
  for (const Case& c : cases) EXPECT_EQ(p.GetCustomColorIndex(c.rgb), c.index) << std::hex << c.rgb;
  // Entries 0 to 7 are never chosen, even when they match exactly.
  p.SetCustomColor(1, 0xFFFFFF);
  EXPECT_EQ(p.GetCustomColorIndex(0x000000), 51);  // 003300, entry 58
}

TEST(Palette, ColorNames) {
  struct Case {
    std::string_view name;
    std::int32_t index;
  };
  const Case cases[] = {
      {" Red ", 10},   {"RED", 10},     {"\tcyan\r\n", 15}, {"Aqua", 15},   {"black", 8},
      {"blue", 12},    {"brown", 16},   {"fuchsia", 14},    {"magenta", 14}, {"gray", 23},
      {"GREY", 23},    {"green", 17},   {"lime", 11},       {"navy", 18},   {"orange", 53},
      {"purple", 20},  {"silver", 22},  {"white", 9},       {"yellow", 13}, {"teal", 0x7FFF},
      {"", 0x7FFF},    {"r ed", 0x7FFF}, {"redd", 0x7FFF},  {"a very long colour name", 0x7FFF},
  };
  for (const Case& c : cases) EXPECT_EQ(GetColorIndex(c.name), c.index) << "'" << c.name << "'";
}

}  // namespace
}  // namespace tablirex
