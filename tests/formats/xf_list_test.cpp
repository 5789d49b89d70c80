// Extended formats: sharing, inheritance and the property setters.
#include "formats/xf_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tablirex/lines.h"

namespace tablirex {
namespace {

const TRecordContext kBiff5{BiffVersion::Biff5, 1252};

std::uint32_t Hex(std::u16string_view s) {
  std::uint32_t v = 0;
  for (const char16_t c : s) v = v * 16 + static_cast<std::uint32_t>(c <= u'9' ? c - u'0' : c - u'A' + 10);
  return v;
}

class XFList : public ::testing::Test {
 protected:
  XFList() { xf.CreateDefault(); }

  // Line code and colour of one side (0 left, 1 right, 2 top, 3 bottom).
  std::pair<std::uint32_t, std::uint32_t> SideOf(std::int32_t index, int side) const {
    const xlsBorderBlock b = xf.GetBorderBlock(index);
    const std::uint32_t w1 = Hex(b.View().substr(0, 8)), w2 = Hex(b.View().substr(8, 8));
    const std::uint32_t code = (w1 >> (4 * side)) & 0xF;
    const std::uint32_t colors[4] = {(w1 >> 16) & 0x7F, (w1 >> 23) & 0x7F, w2 & 0x7F, (w2 >> 7) & 0x7F};
    return {code, colors[side]};
  }

  TXLSXFList xf;
};

TEST_F(XFList, PredefinedKeysAndHash) {
  EXPECT_EQ(xf.Count(), 16);
  EXPECT_EQ(xf.GetKey(0), u"000000001FFFF20000000000000000000000020C000");
  EXPECT_EQ(xf.GetKey(7), u"000000001FFFF20000000000000000000000020C0F4");
  EXPECT_EQ(xf.GetKey(15), u"000000001000020000000000000000000000020C000");
  EXPECT_EQ(xf.FindKey(xf.GetKey(1)), 14);
  EXPECT_EQ(xf.GetKey(999), xf.GetKey(15));
  EXPECT_EQ(xf.GetFontList().Count(), 4);
  EXPECT_EQ(xf.GetNumFormatList().Count(), 163);
  EXPECT_EQ(xf.GetStyles().GetXFIndex(0), 0);
}

TEST_F(XFList, IndexZeroStandsForTheDefaultCellFormat) {
  const std::int32_t a = xf.SetWrap(0, true, false);
  EXPECT_EQ(a, 16);
  EXPECT_EQ(xf.SetWrap(15, true, false), a);
  EXPECT_EQ(xf.GetRefCount(a), 2);
  // An unchanged key with ReplaceIndex returns the same XF and moves nothing.
  EXPECT_EQ(xf.SetWrap(a, true, true), a);
  EXPECT_EQ(xf.GetRefCount(a), 2);
  // The default format written back on XF 15 is found through the hash.
  const std::int32_t same = xf.SetFontIndex(0, 0, false);
  EXPECT_EQ(xf.GetKey(same).substr(41), u"02");
  EXPECT_EQ(xf.GetVerAlign(0), 2);
  EXPECT_TRUE(xf.GetLocked(0));
}

TEST_F(XFList, GettersFollowTheParentStyle) {
  // Give style XF 0 a bold font: cells without a font of their own show it.
  const std::int32_t bold = xf.GetFontList().SetBold(0, true);
  std::u16string k0 = xf.GetKey(0);
  k0.replace(0, 4, u"0004");
  ASSERT_EQ(bold, 4);
  xf.SetKeyItem(0, k0);
  EXPECT_TRUE(xf.GetFontBold(15));
  EXPECT_TRUE(xf.GetFontBold(0));
  // A setter starts from the effective font: italic on top of the style's bold.
  const std::int32_t cell = xf.SetFontItalic(0, true, false);
  EXPECT_TRUE(xf.GetFontBold(cell));
  EXPECT_TRUE(xf.GetFontItalic(cell));
  EXPECT_FALSE(xf.GetFontItalic(15));
  // Groups other than the font still come from the style.
  EXPECT_EQ(xf.GetVerAlign(cell), 2);
  EXPECT_FALSE(xf.GetBordersDefined(cell));
  const std::int32_t bordered = xf.SetBorderColorIndex(cell, xlsBorderLeft, 3, true);
  EXPECT_TRUE(xf.GetBordersDefined(bordered));
}

TEST_F(XFList, FontProperties) {
  std::int32_t c = xf.SetFontSize(0, 10.5, false);
  EXPECT_EQ(xf.GetFontSize(c), 10.5);
  c = xf.SetFontColorIndex(c, -4105, true);
  EXPECT_EQ(xf.GetFontColorIndex(c), -4105);
  c = xf.SetFontUnderLine(c, 2, true);
  EXPECT_EQ(xf.GetFontUnderLine(c), 2);
  // Superscript does not clear subscript.
  c = xf.SetFontSubScript(c, true, true);
  c = xf.SetFontSuperScript(c, true, true);
  EXPECT_TRUE(xf.GetFontSubScript(c) && xf.GetFontSuperScript(c));
  EXPECT_EQ(xf.GetFontName(c), u"Arial");
  EXPECT_EQ(xf.GetRefCount(c), 1);
}

TEST_F(XFList, InvalidValuesLeaveTheFormat) {
  const std::int32_t cell = xf.SetWrap(0, true, false);
  const std::int32_t fonts = xf.GetFontList().Count();
  struct Case {
    const char* what;
    TSetXFProperty setter;
    TVariant value;
  };
  const Case cases[] = {
      {"height past 65535", &TXLSXFList::SetFontSize, 3276.8},
      {"negative size", &TXLSXFList::SetFontSize, -1.0},
      {"size past single precision", &TXLSXFList::SetFontSize, 1e300},
      {"size infinite", &TXLSXFList::SetFontSize, HUGE_VAL},
      {"size not a number", &TXLSXFList::SetFontSize, "big"},
      {"name of 256 characters", &TXLSXFList::SetFontName, TVariant(std::u16string(256, u'x'))},
      {"bold from text", &TXLSXFList::SetFontBold, "perhaps"},
      {"rotation 256", &TXLSXFList::SetOrientation, 256},
      {"indent 16", &TXLSXFList::SetIndentLevel, 16},
      {"pattern from an array", &TXLSXFList::SetInteriorPattern, TVariant::Array1(0, 2)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ((xf.*c.setter)(cell, c.value, true), cell) << c.what;
    EXPECT_EQ(xf.GetRefCount(cell), 1) << c.what;
    // Without a reference of its own the caller still gets one.
    EXPECT_EQ((xf.*c.setter)(cell, c.value, false), cell) << c.what;
    EXPECT_EQ(xf.GetRefCount(cell), 2) << c.what;
    xf.ReplaceIndex(cell, 0);
  }
  EXPECT_EQ(xf.GetFontList().Count(), fonts);
  EXPECT_EQ(xf.Count(), 17);
  EXPECT_EQ(xf.SetFontName(0, TVariant(std::u16string(255, u'x')), false), 17);
}

TEST_F(XFList, ProtectionSetsAndClears) {
  std::int32_t c = xf.SetLocked(0, false, false);
  EXPECT_FALSE(xf.GetLocked(c));
  c = xf.SetHidden(c, true, true);
  EXPECT_TRUE(xf.GetHidden(c));
  EXPECT_FALSE(xf.GetLocked(c));
  c = xf.SetLocked(c, true, true);
  c = xf.SetHidden(c, false, true);
  EXPECT_TRUE(xf.GetLocked(c));
  EXPECT_FALSE(xf.GetHidden(c));
  EXPECT_EQ(xf.GetProtection(c), 1);
}

TEST_F(XFList, Alignment) {
  struct Case {
    const char* what;
    TSetXFProperty setter;
    TVariant value;
    std::u16string_view block;  // alignment, rotation, indent
  };
  const Case cases[] = {
      {"horizontal", &TXLSXFList::SetHorAlign, 3, u"230000"},
      {"horizontal masked", &TXLSXFList::SetHorAlign, 9, u"210000"},
      {"vertical top", &TXLSXFList::SetVerAlign, 0, u"000000"},
      {"vertical centre", &TXLSXFList::SetVerAlign, 1, u"100000"},
      {"wrap", &TXLSXFList::SetWrap, true, u"280000"},
      {"stacked", &TXLSXFList::SetOrientation, 255, u"20FF00"},
      {"clockwise", &TXLSXFList::SetOrientation, 135, u"208700"},
      {"indent", &TXLSXFList::SetIndentLevel, 15, u"20000F"},
      {"shrink", &TXLSXFList::SetShrinkToFit, true, u"200010"},
  };
  for (const Case& c : cases) {
    const std::int32_t cell = (xf.*c.setter)(0, c.value, false);
    EXPECT_EQ(xf.GetAlignBlock(cell).View(), c.block) << c.what;
  }
  std::int32_t c = xf.SetHorAlign(0, 2, false);
  c = xf.SetWrap(c, true, true);
  c = xf.SetIndentLevel(c, 4, true);
  c = xf.SetShrinkToFit(c, true, true);
  c = xf.SetWrap(c, false, true);
  c = xf.SetIndentLevel(c, 1, true);
  EXPECT_EQ(xf.GetHorAlign(c), 2);
  EXPECT_EQ(xf.GetVerAlign(c), 2);
  EXPECT_FALSE(xf.GetWrap(c));
  EXPECT_EQ(xf.GetIndentLevel(c), 1);
  EXPECT_TRUE(xf.GetShrinkToFit(c));
  EXPECT_EQ(xf.GetOrientation(c), 0);
}

TEST_F(XFList, FillRules) {
  struct Op {
    TSetXFProperty setter;
    std::int32_t value;
  };
  struct Case {
    const char* what;
    std::vector<Op> ops;
    std::u16string_view block;  // pattern, then the colours word
    std::int32_t color, patternColor;
  };
  const auto P = &TXLSXFList::SetInteriorPattern;
  const auto C = &TXLSXFList::SetInteriorColorIndex;
  const auto PC = &TXLSXFList::SetInteriorPatternColorIndex;
  const Case cases[] = {
      {"solid on unfilled swaps to fore 65, back 64", {{P, 1}}, u"012041", 65, 64},
      {"colour on unfilled", {{C, 10}}, u"01200A", 10, 64},
      {"pattern colour on unfilled", {{PC, 10}}, u"010541", 65, 10},
      {"pattern on unfilled keeps the colours", {{P, 3}}, u"0320C0", 65, 64},
      {"colour on a pattern is the background", {{P, 3}, {C, 12}}, u"030640", 12, 64},
      {"pattern colour on a pattern is the foreground", {{P, 3}, {PC, 12}}, u"03208C", 65, 12},
      {"solid to pattern swaps", {{C, 10}, {P, 18}}, u"120540", 10, 64},
      {"solid colour then pattern colour", {{C, 10}, {PC, 20}}, u"010A0A", 10, 20},
      {"pattern masked to 7 bits", {{P, 0x83}}, u"0320C0", 65, 64},
      {"0 clears", {{C, 10}, {P, 0}}, u"0020C0", 0, 0},
      {"colour 0 clears", {{P, 5}, {C, 0}}, u"0020C0", 0, 0},
  };
  for (const Case& c : cases) {
    std::int32_t cell = 0;
    bool own = false;
    for (const Op& op : c.ops) {
      cell = (xf.*op.setter)(cell, op.value, own);
      own = true;
    }
    EXPECT_EQ(xf.GetBackgroundBlock(cell).View(), c.block) << c.what;
    EXPECT_EQ(xf.GetInteriorColorIndex(cell), c.color) << c.what;
    EXPECT_EQ(xf.GetInteriorPatternColorIndex(cell), c.patternColor) << c.what;
  }
  // Bits 14-15 of the colours word are carried through.
  xlsBackgroundBlock b;
  for (std::size_t i = 0; i < 6; ++i) b.c[i] = u"00E0C0"[i];
  std::int32_t cell = xf.SetBackgroundBlock(0, b, false);
  cell = xf.SetInteriorColorIndex(cell, 10, true);
  EXPECT_EQ(xf.GetBackgroundBlock(cell).View(), u"01E00A");
}

TEST_F(XFList, BorderSetters) {
  struct Op {
    TSetXFBorderProperty setter;
    std::int32_t value;
  };
  struct Case {
    const char* what;
    std::vector<Op> ops;
    std::uint32_t code, color;
    std::int32_t style, weight, colorIndex;
  };
  const auto S = &TXLSXFList::SetBorderLineStyle;
  const auto W = &TXLSXFList::SetBorderWeight;
  const auto C = &TXLSXFList::SetBorderColorIndex;
  const Case cases[] = {
      {"colour on a side without a line draws it thin", {{C, 3}}, 1, 10, xlContinuous, xlThin, 3},
      {"colour 0 removes the line", {{S, xlDot}, {C, 0}}, 0, 0, xlLineStyleNone, xlThin, -4142},
      {"colour none removes the line", {{S, xlDot}, {C, -4142}}, 0, 0, xlLineStyleNone, xlThin, -4142},
      {"automatic colour", {{C, -4105}}, 1, 64, xlContinuous, xlThin, -4105},
      {"dash on a medium side", {{W, xlMedium}, {S, xlDash}}, 8, 64, xlDash, xlMedium, -4105},
      {"dash on a side without a line", {{S, xlDash}}, 3, 64, xlDash, xlThin, -4105},
      {"style keeps a colour", {{C, 5}, {S, xlDouble}}, 6, 12, xlDouble, xlThin, 5},
      {"no line clears the colour", {{C, 5}, {S, xlLineStyleNone}}, 0, 0, xlLineStyleNone, xlThin, -4142},
      {"medium on a side without a line", {{W, xlMedium}}, 2, 64, xlContinuous, xlMedium, -4105},
      {"hairline", {{S, xlDashDot}, {W, xlHairline}}, 7, 64, xlContinuous, xlHairline, -4105},
      {"thick", {{S, xlDashDotDot}, {W, xlThick}}, 5, 64, xlContinuous, xlThick, -4105},
      {"medium dash-dot-dot", {{S, xlDashDotDot}, {W, xlMedium}}, 12, 64, xlDashDotDot, xlMedium, -4105},
      {"slanted", {{S, xlSlantDashDot}}, 13, 64, xlSlantDashDot, xlMedium, -4105},
      {"unsigned form of a constant", {{S, static_cast<std::int32_t>(4294963181u)}}, 3, 64, xlDash, xlThin, -4105},
      {"built-in colour reads as itself", {{C, -4105}, {C, 0}, {C, 1}}, 1, 8, xlContinuous, xlThin, 1},
  };
  for (const std::uint8_t mask : {xlsBorderLeft, xlsBorderRight, xlsBorderTop, xlsBorderBottom}) {
    const int side = mask == 1 ? 0 : mask == 2 ? 1 : mask == 4 ? 2 : 3;
    for (const Case& c : cases) {
      std::int32_t cell = 0;
      bool own = false;
      for (const Op& op : c.ops) {
        cell = (xf.*op.setter)(cell, mask, std::int64_t{static_cast<std::uint32_t>(op.value)}, own);
        own = true;
      }
      const auto [code, color] = SideOf(cell, side);
      EXPECT_EQ(code, c.code) << c.what << " side " << side;
      EXPECT_EQ(color, c.color) << c.what << " side " << side;
      EXPECT_EQ(xf.GetBorderLineStyle(cell, mask), c.style) << c.what;
      EXPECT_EQ(xf.GetBorderWeight(cell, mask), c.weight) << c.what;
      EXPECT_EQ(xf.GetBorderColorIndex(cell, mask), c.colorIndex) << c.what;
      // The other sides stay without a line.
      for (int other = 0; other < 4; ++other)
        if (other != side) {
          EXPECT_EQ(SideOf(cell, other), (std::pair<std::uint32_t, std::uint32_t>{0, 0}));
        }
    }
  }
}

TEST_F(XFList, BorderSettersThatChangeNothing) {
  const std::int32_t cell = xf.SetBorderColorIndex(0, xlsBorderLeft | xlsBorderTop, 3, false);
  EXPECT_EQ(xf.SetBorderColorIndex(cell, xlsBorderLeft, 57, true), cell);
  EXPECT_EQ(xf.SetBorderLineStyle(cell, 0x30, xlDash, true), cell);
  EXPECT_EQ(xf.GetRefCount(cell), 1);
  // Removing one side keeps the others.
  const std::int32_t left = xf.SetBorderColorIndex(cell, xlsBorderTop, 0, true);
  EXPECT_EQ(SideOf(left, 0), (std::pair<std::uint32_t, std::uint32_t>{1, 10}));
  EXPECT_EQ(SideOf(left, 2), (std::pair<std::uint32_t, std::uint32_t>{0, 0}));
  EXPECT_EQ(xf.GetRefCount(cell), 0);
  // A mask without side bits reads no line.
  EXPECT_EQ(xf.GetBorderLineStyle(left, 0), xlLineStyleNone);
  EXPECT_EQ(xf.GetBorderColorIndex(left, 0), -4142);
  // The first side in the mask is the one read.
  EXPECT_EQ(xf.GetBorderColorIndex(left, xlsBorderLeft | xlsBorderTop), 3);
}

TEST(LineCodes, Conversions) {
  struct Case {
    std::int32_t code, style, weight, fromWeight;  // fromWeight: code after re-setting the weight
  };
  const Case cases[] = {
      {0, xlLineStyleNone, xlThin, 1},   {1, xlContinuous, xlThin, 1},  {2, xlContinuous, xlMedium, 2},
      {3, xlDash, xlThin, 3},            {4, xlDot, xlThin, 4},         {5, xlContinuous, xlThick, 5},
      {6, xlDouble, xlThin, 6},          {7, xlContinuous, xlHairline, 7}, {8, xlDash, xlMedium, 8},
      {9, xlDashDot, xlThin, 9},         {10, xlDashDot, xlMedium, 10},  {11, xlDashDotDot, xlThin, 11},
      {12, xlDashDotDot, xlMedium, 12},  {13, xlSlantDashDot, xlMedium, 13}, {14, xlLineStyleNone, xlThin, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetLineStyleFromBorderStyle(c.code), c.style) << c.code;
    EXPECT_EQ(GetWeightFromBorderStyle(c.code), c.weight) << c.code;
    if (c.code <= 13) {
      EXPECT_EQ(GetXFBorderLineStyle(c.style, c.weight, true), c.code) << c.code;
    }
    EXPECT_EQ(GetXFBorderLineStyle(c.style, c.weight, false), c.fromWeight) << c.code;
  }
  // Weights that do not fit a style.
  EXPECT_EQ(GetXFBorderLineStyle(xlDot, xlMedium, false), 2);
  EXPECT_EQ(GetXFBorderLineStyle(xlDouble, xlThick, false), 5);
  EXPECT_EQ(GetXFBorderLineStyle(xlDash, 3, false), 0);
  EXPECT_EQ(GetXFBorderLineStyle(xlDot, xlMedium, true), 4);
  EXPECT_EQ(GetXFBorderLineStyle(99, xlThin, true), 0);
}

TEST_F(XFList, OlderVersionRotationCodes) {
  struct Case {
    std::int32_t rotation;
    std::uint16_t orientation;
  };
  const Case cases[] = {{0, 0}, {45, 0}, {46, 2}, {90, 2}, {135, 2}, {136, 3}, {180, 3}, {254, 3}, {255, 1}};
  for (const Case& c : cases) {
    TXLSXFList l;
    l.CreateDefault();
    const std::int32_t cell = l.SetOrientation(0, c.rotation, false);
    l.CreateAllReferredList();
    const TXLSBlob b = l.GetXFBlob(l.GetSaveIndex(cell) - 1, kBiff5);
    const std::uint16_t align = b.GetWord(10);
    EXPECT_EQ((align >> 8) & 3, c.orientation) << c.rotation;
    EXPECT_EQ(align & 0xFF, 0x20);
    EXPECT_EQ(align >> 10, 0x04) << "only the alignment flag";
  }
}

TEST_F(XFList, OlderVersionLinesStayInTheirFields) {
  // Codes 8 to 13 have no place in the 3-bit fields: each becomes the nearest line
  // of the older version, and no bit spills into the neighbouring fields.
  struct Case {
    std::uint32_t code, written;
  };
  const Case cases[] = {{1, 1}, {7, 7}, {8, 2}, {9, 3}, {10, 2}, {11, 4}, {12, 2}, {13, 2}};
  for (const Case& c : cases) {
    // Every side carries the code; colours 0x11 left, 0x22 right, 0x33 top, 0x44 bottom.
    const std::uint32_t w1 = c.code * 0x1111u | (0x11u << 16) | (0x22u << 23);
    const std::uint32_t w2 = 0x33u | (0x44u << 7);
    xlsBorderBlock block;
    const std::u16string digits = u"0123456789ABCDEF";
    for (int i = 0; i < 8; ++i) {
      block.c[static_cast<std::size_t>(i)] = digits[(w1 >> (28 - 4 * i)) & 0xF];
      block.c[static_cast<std::size_t>(8 + i)] = digits[(w2 >> (28 - 4 * i)) & 0xF];
    }
    TXLSXFList l;
    l.CreateDefault();
    std::int32_t cell = l.SetBorderBlock(0, block, false);
    cell = l.SetInteriorPattern(cell, 0x12, true);
    l.CreateAllReferredList();
    const TXLSBlob b = l.GetXFBlob(l.GetSaveIndex(cell) - 1, kBiff5);
    const std::uint16_t bottom = b.GetWord(14), sides = b.GetWord(16), lr = b.GetWord(18);
    EXPECT_EQ(bottom & 0x3F, 0x12) << c.code;
    EXPECT_EQ((bottom >> 6) & 7, c.written) << c.code;
    EXPECT_EQ(bottom >> 9, 0x44) << c.code;
    EXPECT_EQ(sides & 7, c.written) << c.code;
    EXPECT_EQ((sides >> 3) & 7, c.written) << c.code;
    EXPECT_EQ((sides >> 6) & 7, c.written) << c.code;
    EXPECT_EQ(sides >> 9, 0x33) << c.code;
    EXPECT_EQ(lr, 0x11 | (0x22 << 7)) << c.code;
    // The newer version keeps the codes, with the pattern in the top bits of word 2.
    const TXLSBlob b8 = l.GetXFBlob(l.GetSaveIndex(cell) - 1, TRecordContext{});
    EXPECT_EQ(b8.GetLong(14), w1);
    EXPECT_EQ(b8.GetLong(18), w2 | (0x12u << 26));
  }
}

}  // namespace
}  // namespace tablirex
