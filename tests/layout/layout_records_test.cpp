#include "layout/layout_records.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "layout/page_breaks.h"
#include "layout/page_setup.h"
#include "layout/panes.h"
#include "layout/protect.h"

namespace tablirex {
namespace {

const TRecordContext kBiff5{BiffVersion::Biff5, 1252};
const TRecordContext kBiff8{BiffVersion::Biff8, 1252};

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string s;
  char buf[4];
  for (const std::uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, "%s%02X", s.empty() ? "" : " ", b);
    s += buf;
  }
  return s;
}

// Runs one builder and returns every record it made, as hex.
using Builder = std::function<std::int32_t(IRecordSink&, const TRecordContext&)>;
std::vector<std::string> Records(const Builder& build, const TRecordContext& ctx) {
  TRecordCollector sink;
  EXPECT_EQ(build(sink, ctx), 1);
  std::vector<std::string> out;
  for (const auto& r : sink.records) out.push_back(Hex(r));
  return out;
}

// Runs a builder of one object (fn(object, sink, ctx)).
template <class Fn, class Obj>
std::vector<std::string> Hexes(Fn fn, const Obj& object, const TRecordContext& ctx) {
  return Records([&](IRecordSink& k, const TRecordContext& x) { return fn(object, k, x); }, ctx);
}

std::vector<std::string> One(std::string hex) { return {std::move(hex)}; }

// The page-setup records of an untouched sheet, in the order the sheet writes them;
// the Excel 5 and Excel 97 forms differ only in HEADER and FOOTER.
TEST(LayoutRecords, DefaultSheetInBothVersions) {
  const TXLSPageSetup setup;
  const TXLSHPageBreaks hBreaks;
  const TXLSVPageBreaks vBreaks;
  const TXLSProtect protect;
  using Fn = std::int32_t (*)(const TXLSPageSetup&, IRecordSink&, const TRecordContext&);
  for (const TRecordContext& ctx : {kBiff5, kBiff8}) {
    TRecordCollector sink;
    for (Fn f : {StorePrintHeaders, StorePrintGridLines, StoreGridSet, StoreWsbool})
      ASSERT_EQ(f(setup, sink, ctx), 1);
    ASSERT_EQ(StoreHBreak(hBreaks, sink, ctx), 1);
    ASSERT_EQ(StoreVBreak(vBreaks, sink, ctx), 1);
    ASSERT_EQ(StoreSetup(setup, sink, ctx), 1);
    ASSERT_EQ(StoreProtection(protect, sink, ctx), 1);
    for (Fn f : {StoreMarginBottom, StoreMarginTop, StoreMarginRight, StoreMarginLeft, StoreVcenter,
                 StoreHcenter, StoreFooter, StoreHeader})
      ASSERT_EQ(f(setup, sink, ctx), 1);
    ASSERT_EQ(StoreZoom(100, sink, ctx), 1);
    std::uint16_t active = 3;
    ASSERT_EQ(StorePanes(nullptr, false, active, sink, ctx), 1);
    EXPECT_EQ(active, 3);

    std::vector<std::string> got;
    for (const auto& r : sink.records) got.push_back(Hex(r));
    std::vector<std::string> want = {
        "2A 00 02 00 00 00",  // PRINTHEADERS 0
        "2B 00 02 00 01 00",  // PRINTGRIDLINES 1
        "82 00 02 00 00 00",  // GRIDSET 0
        "81 00 02 00 C1 04",  // WSBOOL 0x04C1
        // SETUP: paper 0, scale 100, first page 1, fit 0/0, portrait, 600 dpi x2,
        // header and footer margins 0.5, one copy
        "A1 00 22 00 00 00 64 00 01 00 00 00 00 00 02 00 58 02 58 02 "
        "00 00 00 00 00 00 E0 3F 00 00 00 00 00 00 E0 3F 01 00",
        "29 00 08 00 00 00 00 00 00 00 F0 3F",  // BOTTOMMARGIN 1.0
        "28 00 08 00 00 00 00 00 00 00 F0 3F",  // TOPMARGIN 1.0
        "27 00 08 00 00 00 00 00 00 00 E8 3F",  // RIGHTMARGIN 0.75
        "26 00 08 00 00 00 00 00 00 00 E8 3F",  // LEFTMARGIN 0.75
        "84 00 02 00 00 00",                    // VCENTER 0
        "83 00 02 00 00 00",                    // HCENTER 0
    };
    if (ctx.IsBiff5()) {
      want.push_back("15 00 01 00 00");  // FOOTER, empty
      want.push_back("14 00 01 00 00");  // HEADER, empty
    } else {
      want.push_back("15 00 03 00 00 00 01");
      want.push_back("14 00 03 00 00 00 01");
    }
    EXPECT_EQ(got, want) << (ctx.IsBiff5() ? "Excel 5" : "Excel 97");
  }
}

TEST(LayoutRecords, ChangedPageSetupValues) {
  TXLSPageSetup s;
  s.SetPrintHeadings(true);
  s.SetPrintGridlines(false);
  s.SetCenterHorizontally(true);
  s.SetOrientation(xlLandscape);
  s.SetPaperSize(xlPaperA4);
  s.SetFitToPagesWide(TVariant(std::int32_t{1}));
  s.SetFitToPagesTall(TVariant(std::int32_t{2}));
  s.SetZoom(TVariant(false));
  s.SetHeaderMargin(0.25);
  s.SetFooterMargin(2.0);
  s.SetLeftMargin(1.5);

  const struct {
    std::int32_t (*build)(const TXLSPageSetup&, IRecordSink&, const TRecordContext&);
    const char* want;
  } cases[] = {
      {StorePrintHeaders, "2A 00 02 00 01 00"},
      {StorePrintGridLines, "2B 00 02 00 00 00"},
      {StoreGridSet, "82 00 02 00 01 00"},
      {StoreWsbool, "81 00 02 00 C1 05"},
      // paper 9, scale 100 (kept while fitting to pages), first page 1, wide 1,
      // tall 2, landscape, 0.25 and 2.0
      {StoreSetup,
       "A1 00 22 00 09 00 64 00 01 00 01 00 02 00 00 00 58 02 58 02 "
       "00 00 00 00 00 00 D0 3F 00 00 00 00 00 00 00 40 01 00"},
      {StoreMarginLeft, "26 00 08 00 00 00 00 00 00 00 F8 3F"},
      {StoreHcenter, "83 00 02 00 01 00"},
      {StoreVcenter, "84 00 02 00 00 00"},
  };
  for (const auto& c : cases)
    for (const TRecordContext& ctx : {kBiff5, kBiff8})
      EXPECT_EQ(Hexes(c.build, s, ctx), One(c.want));
}

// One fit value alone already switches the sheet to fit-to-page.
TEST(LayoutRecords, WsboolFollowsEitherFitValue) {
  TXLSPageSetup tall, wide;
  tall.SetFitToPagesTall(TVariant::OfInteger(varSmallint, 3));
  wide.SetFitToPagesWide(TVariant(std::int32_t{1}));
  for (const TXLSPageSetup* s : {&tall, &wide})
    EXPECT_EQ(Hexes(StoreWsbool, *s, kBiff8), One("81 00 02 00 C1 05"));
}

TEST(LayoutRecords, HeaderAndFooterTexts) {
  struct Case {
    const char *left, *center, *right;
    TRecordContext ctx;
    const char* want;  // HEADER built from the three parts
  } cases[] = {
      {"Page", "", "", kBiff8, "14 00 0F 00 06 00 01 26 00 4C 00 50 00 61 00 67 00 65 00"},
      {"Page", "", "", kBiff5, "14 00 07 00 06 26 4C 50 61 67 65"},
      {"", "", "x", kBiff8, "14 00 09 00 03 00 01 26 00 52 00 78 00"},
      {"", "", "x", kBiff5, "14 00 04 00 03 26 52 78"},
      {"a", "b", "c", kBiff5, "14 00 0A 00 09 26 4C 61 26 43 62 26 52 63"},
      // Other codes are the caller's text; non-ASCII goes to the code page in
      // Excel 5 and stays UTF-16 in Excel 97.
      {"", "&P \xC3\xA9", "", kBiff5, "14 00 07 00 06 26 43 26 50 20 E9"},
      {"", "\xC3\xA9", "", kBiff8, "14 00 09 00 03 00 01 26 00 43 00 E9 00"},
  };
  for (const auto& c : cases) {
    TXLSPageSetup s;
    s.SetLeftHeader(c.left);
    s.SetCenterHeader(c.center);
    s.SetRightHeader(c.right);
    EXPECT_EQ(Hexes(StoreHeader, s, c.ctx), One(c.want))
        << c.left << "|" << c.center << "|" << c.right;
  }
  // The footer joins its own parts the same way.
  TXLSPageSetup s;
  s.SetRightFooter("x");
  s.SetLeftHeader("ignored by the footer");
  EXPECT_EQ(Hexes(StoreFooter, s, kBiff5), One("15 00 04 00 03 26 52 78"));
}

// A header of 255 characters (section codes included) is the longest; a longer
// one is refused, so the records never need to cut it.
TEST(LayoutRecords, LongestHeader) {
  TXLSPageSetup s;
  s.SetCenterHeader(std::string(253, 'w'));
  s.SetLeftHeader("x");  // would make 258
  TRecordCollector sink;
  ASSERT_EQ(StoreHeader(s, sink, kBiff5), 1);
  ASSERT_EQ(StoreHeader(s, sink, kBiff8), 1);
  ASSERT_EQ(sink.records.size(), 2u);
  EXPECT_EQ(sink.records[0].size(), 4u + 1 + 255);
  EXPECT_EQ(sink.records[0][4], 255);
  EXPECT_EQ(sink.records[1].size(), 4u + 3 + 2 * 255);
  EXPECT_EQ(sink.records[1][4] | sink.records[1][5] << 8, 255);
}

TEST(LayoutRecords, Zoom) {
  EXPECT_TRUE(Hexes(StoreZoom, std::uint16_t{100}, kBiff8).empty());
  EXPECT_EQ(Hexes(StoreZoom, std::uint16_t{75}, kBiff8), One("A0 00 04 00 4B 00 64 00"));
  EXPECT_EQ(Hexes(StoreZoom, std::uint16_t{400}, kBiff5), One("A0 00 04 00 90 01 64 00"));
}

TEST(LayoutRecords, Panes) {
  struct Case {
    const char* what;
    std::function<void(std::unique_ptr<TXLSPanes>&, bool&)> set;
    const char* want;
    std::uint16_t active;
  } cases[] = {
      {"one frozen row", [](auto& p, bool& f) { FreezeSheetPanes(p, f, 1, 0, 1, 0); },
       "41 00 0A 00 00 00 01 00 01 00 00 00 02 00", 2},
      {"frozen column B, default scroll",
       [](auto& p, bool& f) {
         FreezeSheetPanes(p, f, 0, 1, 0, 0);
         p->SetRowTop(-1);
         p->SetColLeft(-1);
       },
       "41 00 0A 00 01 00 00 00 00 00 01 00 01 00", 1},
      {"frozen at C4, scrolled to row 10",
       [](auto& p, bool& f) { FreezeSheetPanes(p, f, 3, 2, 9, 2); },
       "41 00 0A 00 02 00 03 00 09 00 02 00 00 00", 0},
      // Split panes: 15 points high -> 15*20+255 = 555 twips; 2 column widths ->
      // 2*113.879+390 = 617.758 -> 618.
      {"split both ways", [](auto& p, bool& f) { ThawSheetPanes(p, f, 15, 2, -1, -1); },
       "41 00 0A 00 6A 02 2B 02 00 00 00 00 00 00", 0},
      {"horizontal split only", [](auto& p, bool& f) { ThawSheetPanes(p, f, 10, 0, 4, -1); },
       "41 00 0A 00 00 00 C7 01 04 00 00 00 02 00", 2},
      // Halves round to even: 257.5 -> 258 and 262.5 -> 262 twips.
      {"split at 257.5", [](auto& p, bool& f) { ThawSheetPanes(p, f, 0.125f, 0, -1, -1); },
       "41 00 0A 00 00 00 02 01 00 00 00 00 02 00", 2},
      {"split at 262.5", [](auto& p, bool& f) { ThawSheetPanes(p, f, 0.375f, 0, -1, -1); },
       "41 00 0A 00 00 00 06 01 00 00 00 00 02 00", 2},
      {"nothing split", [](auto& p, bool& f) { ThawSheetPanes(p, f, 0, 0, -1, -1); },
       "41 00 0A 00 00 00 00 00 00 00 00 00 03 00", 3},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TXLSPanes> panes;
    bool frozen = false;
    c.set(panes, frozen);
    std::uint16_t active = 99;
    EXPECT_EQ(Records(
                  [&](IRecordSink& k, const TRecordContext& x) {
                    return StorePanes(panes.get(), frozen, active, k, x);
                  },
                  kBiff8),
              One(c.want))
        << c.what;
    EXPECT_EQ(active, c.active) << c.what;
  }
}

TEST(LayoutRecords, PageBreaks) {
  TXLSHPageBreaks h;
  TXLSVPageBreaks v;
  h.Add(std::uint16_t{20});
  h.Add(std::uint16_t{5});
  v.Add(std::uint16_t{3});
  const struct {
    const TXLSPageBreaks* breaks;
    bool vertical;
    TRecordContext ctx;
    const char* want;
  } cases[] = {
      {&h, false, kBiff5, "1B 00 06 00 02 00 05 00 14 00"},
      {&h, false, kBiff8, "1B 00 0E 00 02 00 05 00 00 00 FF 00 14 00 00 00 FF 00"},
      {&v, true, kBiff5, "1A 00 04 00 01 00 03 00"},
      {&v, true, kBiff8, "1A 00 08 00 01 00 03 00 00 00 FF FF"},
  };
  for (const auto& c : cases) {
    auto build = [&](IRecordSink& k, const TRecordContext& x) {
      return c.vertical ? StoreVBreak(*c.breaks, k, x) : StoreHBreak(*c.breaks, k, x);
    };
    EXPECT_EQ(Records(build, c.ctx), One(c.want));
  }
  h.ClearAll();
  EXPECT_TRUE(Hexes(StoreHBreak, h, kBiff8).empty());
}

TEST(LayoutRecords, Protection) {
  TXLSProtect p;
  auto build = [&](IRecordSink& k, const TRecordContext& x) { return StoreProtection(p, k, x); };
  EXPECT_TRUE(Records(build, kBiff8).empty());
  p.Protect("");
  EXPECT_EQ(Records(build, kBiff8),
            (std::vector<std::string>{"12 00 02 00 01 00", "13 00 02 00 00 00"}));
  p.UnProtect("");
  p.Protect("abcdefghij");
  EXPECT_EQ(Records(build, kBiff5),
            (std::vector<std::string>{"12 00 02 00 01 00", "13 00 02 00 F1 FE"}));
}

}  // namespace
}  // namespace tablirex
