#include "cells/rowcol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cells/keylist.h"

namespace tablirex {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(const TXLSBlob& b) { return Bytes(b.GetBuff(), b.GetBuff() + b.GetDataSize()); }

const TRecordContext kBiff8{BiffVersion::Biff8, 1252};
const TRecordContext kBiff5{BiffVersion::Biff5, 1252};

// Shaped like the XF list: base 0, sixteen predefined formats.
class SixteenPredefined : public TXLSKeyList {
 public:
  SixteenPredefined() {
    SetBaseIndex(0);
    SetPredefinedCount(16);
    for (int i = 0; i < 16; ++i) SetKeyItem(i, u"pre");
  }
};

TEST(Units, Conversions) {
  struct H {
    double points;
    std::int32_t twips;
  } heights[] = {{12.75, 255}, {10.1, 200}, {10.2, 205}, {0, 0},      {409.5, 8190},
                 {10.125, 200} /* half a quarter: ties to even */,   {10.375, 210}, {20, 400}};
  for (const auto& c : heights) EXPECT_EQ(Height2Excel(c.points), c.twips) << c.points;
  struct T {
    std::int32_t twips;
    float points;
  } twips[] = {{255, 12.75f}, {200, 10.0f}, {207, 10.25f}, {0, 0.0f}};
  for (const auto& c : twips) EXPECT_FLOAT_EQ(Excel2Height(c.twips), c.points) << c.twips;
  struct W {
    double chars;
    std::uint16_t units;
  } widths[] = {{8.43, 2340}, {1, 438}, {0.5, 230}, {0, 0}, {2.5, 822}, {255, 65462}};
  for (const auto& c : widths) EXPECT_EQ(Width2Excel(c.chars), c.units) << c.chars;
  struct U {
    std::uint16_t units;
    float chars;
  } units[] = {{2340, 8.43f}, {438, 1.0f}, {230, 0.5f}, {0, 0.0f}, {437, 0.95f}};
  for (const auto& c : units) EXPECT_FLOAT_EQ(Excel2Width(c.units), c.chars) << c.units;
}

// Widths given to two decimals and heights in quarter points read back unchanged.
// (Widths from 0.95 to 0.99 characters reach the units of one character and more,
// which read back on the other scale.)
TEST(Units, RoundTrips) {
  for (int hundredths = 0; hundredths <= 3000; ++hundredths) {
    if (hundredths >= 95 && hundredths < 100) continue;
    const double w = hundredths / 100.0;
    EXPECT_FLOAT_EQ(Excel2Width(Width2Excel(w)), static_cast<float>(w)) << w;
  }
  for (int quarters = 0; quarters <= 409 * 4; ++quarters) {
    const double h = quarters / 4.0;
    EXPECT_FLOAT_EQ(Excel2Height(Height2Excel(h)), static_cast<float>(h)) << h;
  }
}

TEST(RowInfo, NothingSetWritesOnlyTheDefaults) {
  TXLSRowInfoList rows(nullptr);
  TXLSColumnInfoList cols(nullptr);
  TRecordCollector sink;
  EXPECT_EQ(cols.StoreAllColumnInfo(sink, kBiff8), 1);
  EXPECT_EQ(rows.StoreAllRowInfo(sink, kBiff8), 1);
  const std::vector<Bytes> want = {{0x55, 0x00, 0x02, 0x00, 0x09, 0x00},
                                   {0x25, 0x02, 0x04, 0x00, 0x00, 0x00, 0xFF, 0x00}};
  EXPECT_EQ(sink.records, want);
  EXPECT_EQ(Of(cols.GetDefColInfoBlob()), (Bytes{0x99, 0x00, 0x02, 0x00, 0x24, 0x09}));
  EXPECT_FLOAT_EQ(rows.GetHeight(0), 12.75f);
  EXPECT_FLOAT_EQ(cols.GetWidth(0), 8.43f);
  EXPECT_EQ(rows.GetXF(10), 0);
  EXPECT_EQ(cols.GetXF(10), 0);
}

// ROW records after a sequence of changes to one row: (height field, flags, XF).
TEST(RowInfo, RowRecordFields) {
  struct Case {
    const char* name;
    void (*apply)(TXLSRowInfoList&);
    std::uint16_t height;
    std::uint16_t flags;
    std::uint16_t xf;
    float readHeight;
    bool hidden;
  } cases[] = {
      {"height 20", [](TXLSRowInfoList& r) { r.SetHeight(4, 20); }, 400, 0x0140, 15, 20.0f, false},
      {"hidden without height", [](TXLSRowInfoList& r) { r.SetHidden(4, true); }, 0x80FF, 0x0120, 15,
       0.0f, true},
      {"a height shows it again",
       [](TXLSRowInfoList& r) {
         r.SetHidden(4, true);
         r.SetHeight(4, 15);
       },
       300, 0x0140, 15, 15.0f, false},
      {"hidden after a height",
       [](TXLSRowInfoList& r) {
         r.SetHeight(4, 15);
         r.SetHidden(4, true);
       },
       300, 0x0160, 15, 0.0f, true},
      {"format only", [](TXLSRowInfoList& r) { r.SetXF(4, 0); }, 0x80FF, 0x0180, 15, 12.75f, false},
      {"height out of range ignored", [](TXLSRowInfoList& r) { r.SetHeight(4, 500); }, 0x80FF, 0x0100,
       15, 12.75f, false},
      {"negative height ignored", [](TXLSRowInfoList& r) { r.SetHeight(4, -1); }, 0x80FF, 0x0100, 15,
       12.75f, false},
  };
  for (const auto& c : cases) {
    TXLSRowInfoList rows(nullptr);
    c.apply(rows);
    const Bytes want = {0x08, 0x02, 0x10, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00,
                        static_cast<std::uint8_t>(c.height), static_cast<std::uint8_t>(c.height >> 8),
                        0x00, 0x00, 0x00, 0x00,
                        static_cast<std::uint8_t>(c.flags), static_cast<std::uint8_t>(c.flags >> 8),
                        static_cast<std::uint8_t>(c.xf), static_cast<std::uint8_t>(c.xf >> 8)};
    EXPECT_EQ(Of(rows.GetRowInfoBlob(4)), want) << c.name;
    EXPECT_FLOAT_EQ(rows.GetHeight(4), c.readHeight) << c.name;
    EXPECT_EQ(rows.GetHidden(4), c.hidden) << c.name;
  }
  // A row without a record is written with every default.
  TXLSRowInfoList rows(nullptr);
  EXPECT_EQ(Of(rows.GetRowInfoBlob(65535)),
            (Bytes{0x08, 0x02, 0x10, 0x00, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0x80, 0, 0, 0, 0, 0x00, 0x01, 0x0F, 0x00}));
}

TEST(RowInfo, RowsOutOfRangeAreIgnored) {
  TXLSRowInfoList rows(nullptr);
  for (const std::int32_t bad : {-1, 1 << 20, 1 << 21}) {
    rows.SetHeight(bad, 20);
    rows.SetHidden(bad, true);
    rows.SetXF(bad, 3);
    EXPECT_FLOAT_EQ(rows.GetHeight(bad), 0.0f);
    EXPECT_FALSE(rows.GetHidden(bad));
    EXPECT_EQ(rows.GetXF(bad), 0);
    EXPECT_EQ(rows.GetRowInfoBlob(bad).GetDataSize(), 0u);
    EXPECT_EQ(rows.GetOrCreateRowInfo(bad), nullptr);
  }
  EXPECT_EQ(rows.GetCount(), 0);
}

TEST(RowInfo, StoreAllWritesRowsAscendingBetweenTheBounds) {
  TXLSRowInfoList rows(nullptr);
  rows.SetHeight(1 << 20, 30);  // past the last row: ignored
  rows.SetHeight(300, 30);
  rows.SetHidden(2, true);
  rows.SetHeight(65535, 10);
  EXPECT_EQ(rows.GetFirstRow(), 2);
  EXPECT_EQ(rows.GetLastRow(), 65535);
  EXPECT_EQ(rows.GetCount(), 3);
  TRecordCollector sink;
  EXPECT_EQ(rows.StoreAllRowInfo(sink, kBiff8), 1);
  ASSERT_EQ(sink.records.size(), 4u);
  EXPECT_EQ(sink.records[0][0], 0x25);
  const std::uint16_t want[] = {2, 300, 65535};
  for (int i = 0; i < 3; ++i) {
    const Bytes& r = sink.records[static_cast<std::size_t>(i) + 1];
    EXPECT_EQ(r[4] | (r[5] << 8), want[i]);
  }
}

TEST(RowInfo, FailingAppendStopsTheRest) {
  struct FailSecond final : IRecordSink {
    std::int32_t AppendRecord(TXLSBlob&) override { return ++calls == 2 ? -1 : 1; }
    int calls = 0;
  };
  TXLSRowInfoList rows(nullptr);
  TXLSColumnInfoList cols(nullptr);
  for (int i = 0; i < 5; ++i) {
    rows.SetHeight(i, 20);
    cols.SetWidth(i, 3);
  }
  FailSecond a, b;
  EXPECT_EQ(rows.StoreAllRowInfo(a, kBiff8), -1);
  EXPECT_EQ(a.calls, 2);
  EXPECT_EQ(cols.StoreAllColumnInfo(b, kBiff8), -1);
  EXPECT_EQ(b.calls, 2);
}

TEST(ColumnInfo, ColInfoRecordsInBothVersions) {
  TXLSColumnInfoList cols(nullptr);
  cols.SetWidth(7, 1);
  cols.SetWidth(2, 8.43);
  cols.SetHidden(7, true);
  TRecordCollector b8, b5;
  EXPECT_EQ(cols.StoreAllColumnInfo(b8, kBiff8), 1);
  EXPECT_EQ(cols.StoreAllColumnInfo(b5, kBiff5), 1);
  const std::vector<Bytes> want8 = {
      {0x55, 0x00, 0x02, 0x00, 0x09, 0x00},
      {0x7D, 0x00, 0x0B, 0x00, 2, 0, 2, 0, 0x24, 0x09, 15, 0, 0, 0, 0},
      {0x7D, 0x00, 0x0B, 0x00, 7, 0, 7, 0, 0xB6, 0x01, 15, 0, 1, 0, 0},
  };
  EXPECT_EQ(b8.records, want8);
  ASSERT_EQ(b5.records.size(), 3u);
  EXPECT_EQ(b5.records[2], (Bytes{0x7D, 0x00, 0x0C, 0x00, 7, 0, 7, 0, 0xB6, 0x01, 15, 0, 1, 0, 2, 0}));
  // The hidden column keeps its width.
  EXPECT_FLOAT_EQ(cols.GetWidth(7), 1.0f);
  EXPECT_TRUE(cols.GetHidden(7));
  EXPECT_EQ(cols.GetFirstCol(), 2);
  EXPECT_EQ(cols.GetLastCol(), 7);
}

TEST(ColumnInfo, WidthsAndColumnsOutOfRange) {
  TXLSColumnInfoList cols(nullptr);
  cols.SetWidth(0, 0);
  EXPECT_EQ(cols.GetColumnInfo(0)->Width, 0);
  EXPECT_FLOAT_EQ(cols.GetWidth(0), 0.0f);
  cols.SetWidth(1, 8.43);
  EXPECT_EQ(cols.GetColumnInfo(1)->Width, 2340);
  EXPECT_FLOAT_EQ(cols.GetWidth(1), 8.43f);
  cols.SetWidth(1, 300);  // too wide for the column units: ignored
  EXPECT_FLOAT_EQ(cols.GetWidth(1), 8.43f);
  cols.SetWidth(16384, 20);
  cols.SetHidden(-1, true);
  EXPECT_FLOAT_EQ(cols.GetWidth(16384), 8.43f);
  EXPECT_FALSE(cols.GetHidden(-1));
  EXPECT_EQ(cols.GetCount(), 2);
  EXPECT_EQ(cols.GetColInfoBlob(256, kBiff8).GetDataSize(), 0u);
}

// Formats of rows and columns move their references in the XF list, and records
// carry the formats' saved numbers.
TEST(RowColumnFormats, ReferencesMoveThroughTheXFList) {
  SixteenPredefined xf;
  const std::int32_t a = xf.SetKey(0, u"a");  // one reference, held by this test
  const std::int32_t b = xf.SetKey(0, u"b");
  TXLSRowInfoList rows(&xf);
  TXLSColumnInfoList cols(&xf);
  rows.SetXF(3, a);
  cols.SetXF(5, a);
  EXPECT_EQ(xf.GetRefCount(a), 3);
  rows.SetXF(3, b);
  EXPECT_EQ(xf.GetRefCount(a), 2);
  EXPECT_EQ(xf.GetRefCount(b), 2);
  cols.SetWidth(9, 2);  // a new column takes the default's predefined format
  EXPECT_EQ(cols.GetXF(9), 0);
  EXPECT_EQ(xf.GetRefCount(a), 2);
  xf.CreateReferredList();
  // Saved numbers: 16 predefined formats, then a (17) and b (18); records count from 0.
  const Bytes row = Of(rows.GetRowInfoBlob(3));
  EXPECT_EQ(row[16] | (row[17] << 8), 0x0180);
  EXPECT_EQ(row[18] | (row[19] << 8), 17);
  const Bytes col = Of(cols.GetColInfoBlob(5, kBiff8));
  EXPECT_EQ(col[10] | (col[11] << 8), 16);
  const Bytes plain = Of(cols.GetColInfoBlob(9, kBiff8));
  EXPECT_EQ(plain[10] | (plain[11] << 8), 15);  // the default cell format, not a style
}

}  // namespace
}  // namespace tablirex
