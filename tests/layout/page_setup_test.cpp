#include "layout/page_setup.h"

#include <gtest/gtest.h>

namespace tablirex {
namespace {

TEST(PageSetup, Defaults) {
  TXLSPageSetup s;
  IXLSPageSetup& i = s;
  EXPECT_FALSE(i.IsCounted());
  EXPECT_EQ(i._AddRef(), -1);
  EXPECT_EQ(i.GetOrientation(), xlPortrait);
  EXPECT_EQ(i.GetPaperSize(), 256);
  EXPECT_EQ(i.GetZoom(), TVariant(std::int32_t{100}));
  EXPECT_EQ(i.GetFitToPagesTall(), TVariant(false));
  EXPECT_EQ(i.GetFitToPagesWide(), TVariant(false));
  EXPECT_EQ(i.GetLeftMargin(), 0.75);
  EXPECT_EQ(i.GetRightMargin(), 0.75);
  EXPECT_EQ(i.GetTopMargin(), 1.0);
  EXPECT_EQ(i.GetBottomMargin(), 1.0);
  EXPECT_EQ(i.GetHeaderMargin(), 0.5);
  EXPECT_EQ(i.GetFooterMargin(), 0.5);
  EXPECT_TRUE(i.GetPrintGridlines());
  EXPECT_FALSE(i.GetPrintHeadings());
  EXPECT_FALSE(i.GetCenterHorizontally());
  EXPECT_FALSE(i.GetCenterVertically());
  EXPECT_EQ(i.FGetPrintArea(), "");
  EXPECT_FALSE(s.HasPrintArea());
  EXPECT_EQ(i.GetPrintTitleRows(), "");
  EXPECT_EQ(i.GetPrintTitleColumns(), "");
  EXPECT_TRUE(s.HeaderText().empty());
  EXPECT_TRUE(s.FooterText().empty());
}

TEST(PageSetup, OrientationAndPaper) {
  TXLSPageSetup s;
  s.SetOrientation(3);
  EXPECT_EQ(s.GetOrientation(), xlPortrait);
  s.SetOrientation(xlLandscape);
  EXPECT_EQ(s.GetOrientation(), xlLandscape);
  s.SetOrientation(0);
  EXPECT_EQ(s.GetOrientation(), xlLandscape);
  s.SetPaperSize(xlPaperA4);
  EXPECT_EQ(s.GetPaperSize(), 9);
  EXPECT_EQ(s.GetStoredPaperSize(), 9);
  s.SetPaperSize(xlPaperUser);
  EXPECT_EQ(s.GetPaperSize(), 256);
  EXPECT_EQ(s.GetStoredPaperSize(), 0);
}

// Zoom accepts 16- and 32-bit integers within 10..400 (taken as 16 bits) and the
// boolean false; everything else leaves it alone.
TEST(PageSetup, ZoomVariants) {
  struct Case {
    TVariant value;
    std::uint16_t want;
  } cases[] = {
      {TVariant(std::int32_t{5}), 100},
      {TVariant(std::int32_t{401}), 100},
      {TVariant(std::int32_t{10}), 10},
      {TVariant(std::int32_t{400}), 400},
      {TVariant::OfInteger(varSmallint, 75), 75},
      {TVariant(std::int32_t{65536 + 50}), 100},  // past 400, whatever its low 16 bits
      {TVariant(std::int32_t{-1}), 100},
      {TVariant(true), 100},
      {TVariant(false), 100},  // switched off, the file keeps the last percentage
      {TVariant(75.0), 100},
      {TVariant("75"), 100},
      {TVariant::OfInteger(varByte, 75), 100},
      {TVariant(), 100},
  };
  for (const auto& c : cases) {
    TXLSPageSetup s;
    s.SetZoom(c.value);
    EXPECT_EQ(s.GetStoredZoom(), c.want) << c.value.AsString();
  }
  TXLSPageSetup s;
  s.SetZoom(TVariant(false));
  EXPECT_EQ(s.GetZoom(), TVariant(false));
  s.SetZoom(TVariant(true));
  EXPECT_EQ(s.GetZoom(), TVariant(false));
  s.SetZoom(TVariant(std::int32_t{80}));
  s.SetZoom(TVariant(false));
  EXPECT_EQ(s.GetStoredZoom(), 80);
  EXPECT_EQ(s.GetZoom(), TVariant(false));
  s.SetZoom(TVariant(std::int32_t{90}));
  EXPECT_EQ(s.GetZoom(), TVariant(std::int32_t{90}));
}

TEST(PageSetup, FitToPagesVariants) {
  struct Case {
    TVariant value;
    std::uint16_t want;
  } cases[] = {
      {TVariant(std::int32_t{2}), 2},
      {TVariant::OfInteger(varSmallint, 1000), 1000},  // no range check
      {TVariant(false), 0},
      {TVariant(true), 7},
      {TVariant(1.0), 7},
      {TVariant::Null(), 7},
  };
  for (const auto& c : cases) {
    TXLSPageSetup s;
    s.SetFitToPagesTall(TVariant(std::int32_t{7}));
    s.SetFitToPagesWide(TVariant(std::int32_t{7}));
    s.SetFitToPagesTall(c.value);
    s.SetFitToPagesWide(c.value);
    EXPECT_EQ(s.GetStoredFitToPagesTall(), c.want);
    EXPECT_EQ(s.GetStoredFitToPagesWide(), c.want);
    EXPECT_EQ(s.FitsToPages(), c.want != 0);
  }
  TXLSPageSetup s;
  s.SetFitToPagesWide(TVariant(std::int32_t{3}));
  EXPECT_EQ(s.GetFitToPagesWide(), TVariant(std::int32_t{3}));
}

TEST(PageSetup, PrintArea) {
  struct Case {
    std::uint32_t r1, c1, r2, c2;
    bool stored;
  } cases[] = {
      {5, 0, 2, 3, true},     // last row before first: put in order
      {0, 3, 0, 2, true},     // last column before first
      {0, 0, 0, 16384, false},  // beyond the last column
      {0, 0, 0, 0, true},    {65535, 255, 65535, 255, true},
  };
  for (const auto& c : cases) {
    TXLSPageSetup s;
    s.SetPrintArea(c.r1, c.c1, c.r2, c.c2);
    EXPECT_EQ(s.HasPrintArea(), c.stored) << c.r1 << "," << c.c1 << "," << c.r2 << "," << c.c2;
  }
  TXLSPageSetup s;
  s.SetPrintArea(65535, 255, 65535, 255);
  EXPECT_EQ(s.FGetPrintArea(), "IV65536:IV65536");

  s.FSetPrintArea("A1:D20");
  EXPECT_EQ(s.FGetPrintArea(), "A1:D20");
  EXPECT_EQ(s.GetPrintAreaFirstRow(), 0);
  EXPECT_EQ(s.GetPrintAreaLastRow(), 19);
  EXPECT_EQ(s.GetPrintAreaFirstCol(), 0);
  EXPECT_EQ(s.GetPrintAreaLastCol(), 3);
  // Text that does not parse changes nothing.
  for (const char* bad : {"A1", "junk", "A1:B2:C3", "A$$1:B2", "A1:XFE2"}) {
    s.FSetPrintArea(bad);
    EXPECT_EQ(s.FGetPrintArea(), "A1:D20") << bad;
  }
  // Absolute references and reversed corners name the same area.
  s.FSetPrintArea("$B$2:$C$3");
  EXPECT_EQ(s.FGetPrintArea(), "B2:C3");
  s.FSetPrintArea("D20:A1");
  EXPECT_EQ(s.FGetPrintArea(), "A1:D20");
  s.FSetPrintArea("b2:c3");
  EXPECT_EQ(s.FGetPrintArea(), "B2:C3");
  s.FSetPrintArea("");
  EXPECT_FALSE(s.HasPrintArea());
  EXPECT_EQ(s.FGetPrintArea(), "");
  EXPECT_EQ(s.GetPrintAreaLastCol(), -1);
}

TEST(PageSetup, PrintTitles) {
  TXLSPageSetup s;
  s.SetPrintTitleRows("3:1");
  EXPECT_EQ(s.GetTitleRowFirst(), 1);
  EXPECT_EQ(s.GetTitleRowLast(), 3);
  EXPECT_EQ(s.GetPrintTitleRows(), "$1:$3");
  s.SetPrintTitleRows("1:1048577");
  s.SetPrintTitleRows("no colon");
  EXPECT_EQ(s.GetPrintTitleRows(), "$1:$3");

  s.SetPrintTitleColumns("$C:$a");
  EXPECT_EQ(s.GetTitleColFirst(), 1);
  EXPECT_EQ(s.GetTitleColLast(), 3);
  EXPECT_EQ(s.GetPrintTitleColumns(), "$A:$C");
  s.SetPrintTitleColumns("1:2");
  EXPECT_EQ(s.GetPrintTitleColumns(), "$A:$C");
  EXPECT_TRUE(s.HasTitleRows());
  EXPECT_TRUE(s.HasTitleColumns());
}

TEST(PageSetup, HeaderAndFooterParts) {
  TXLSPageSetup s;
  s.SetLeftHeader("L");
  s.SetCenterHeader("\xE2\x82\xAC");  // the euro sign, kept as UTF-16 inside
  s.SetRightHeader("R");
  s.SetCenterFooter("&P of &N");
  EXPECT_EQ(s.GetCenterHeader(), "\xE2\x82\xAC");
  EXPECT_EQ(s.HeaderText(), u"&LL&C\u20AC&RR");
  EXPECT_EQ(s.FooterText(), u"&C&P of &N");
  s.SetLeftHeader("");
  EXPECT_EQ(s.HeaderText(), u"&C\u20AC&RR");
}

}  // namespace
}  // namespace tablirex
