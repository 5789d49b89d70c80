#include <gtest/gtest.h>

#include <vector>

#include "layout/page_breaks.h"
#include "layout/panes.h"

namespace tablirex {
namespace {

TEST(Panes, SettersKeepTheirRanges) {
  TXLSPanes p;
  EXPECT_EQ(p.GetRowTop(), -1);
  EXPECT_EQ(p.GetColLeft(), -1);
  p.SetRowTop(-2);
  p.SetColLeft(16384);
  EXPECT_EQ(p.GetRowTop(), -1);
  EXPECT_EQ(p.GetColLeft(), -1);
  p.SetRowTop(1048575);
  p.SetColLeft(16383);
  EXPECT_EQ(p.GetRowTop(), 1048575);
  EXPECT_EQ(p.GetColLeft(), 16383);
  p.SetRowTop(-1);
  EXPECT_EQ(p.GetRowTop(), -1);
  p.SetRow(-1);
  p.SetRow(1048576);
  p.SetCol(16384);
  EXPECT_EQ(p.GetRow(), 0);
  EXPECT_EQ(p.GetCol(), 0);
  p.SetX(-0.5f);
  p.SetY(2.5f);
  EXPECT_EQ(p.GetX(), 0.0f);
  EXPECT_EQ(p.GetY(), 2.5f);
}

TEST(Panes, FreezeThawClear) {
  TXLSPanes p;
  p.SetX(4);
  p.Freeze(2, 3, 10, 16384);
  EXPECT_TRUE(p.GetFrozen());
  EXPECT_EQ(p.GetRow(), 2);
  EXPECT_EQ(p.GetCol(), 3);
  EXPECT_EQ(p.GetRowTop(), 10);
  EXPECT_EQ(p.GetColLeft(), -1);  // 16384 is no column
  EXPECT_EQ(p.GetX(), 0.0f);
  p.Thaw(1.5f, 20, -1, 4);
  EXPECT_FALSE(p.GetFrozen());
  EXPECT_EQ(p.GetRow(), 0);
  EXPECT_EQ(p.GetCol(), 0);
  EXPECT_EQ(p.GetRowTop(), -1);
  EXPECT_EQ(p.GetColLeft(), 4);
  EXPECT_EQ(p.GetX(), 1.5f);
  EXPECT_EQ(p.GetY(), 20.0f);
  p.Clear();
  EXPECT_EQ(p.GetColLeft(), -1);
  EXPECT_EQ(p.GetY(), 0.0f);
}

TEST(Panes, SheetOperations) {
  std::unique_ptr<TXLSPanes> panes;
  bool frozen = false;
  EXPECT_EQ(FreezeSheetPanes(panes, frozen, 1, 0, 1, 0), 1);
  ASSERT_TRUE(panes);
  EXPECT_TRUE(frozen);
  EXPECT_EQ(panes->GetY(), 1.0f);
  EXPECT_EQ(panes->GetX(), 0.0f);
  TXLSPanes* first = panes.get();
  EXPECT_EQ(ThawSheetPanes(panes, frozen, 30, 2, 5, 1), 1);
  EXPECT_EQ(panes.get(), first);  // created once
  EXPECT_FALSE(frozen);
  EXPECT_EQ(panes->GetY(), 30.0f);
  EXPECT_EQ(panes->GetX(), 2.0f);
  EXPECT_EQ(panes->GetRowTop(), 5);

  std::uint16_t zoom = 100;
  for (const auto& [value, result, after] :
       {std::tuple{9, -1, 100}, {401, -1, 100}, {400, 1, 400}, {10, 1, 10}, {-75, -1, 10}}) {
    EXPECT_EQ(SetSheetZoom(zoom, value), result) << value;
    EXPECT_EQ(zoom, after) << value;
  }
}

std::vector<std::uint16_t> Locations(const TXLSPageBreaks& b) {
  std::vector<std::uint16_t> out;
  for (std::int32_t i = 1; i <= b.GetCount(); ++i) {
    EXPECT_EQ(b.Get(i)->GetPosition(), i);
    out.push_back(b.Get(i)->GetLocationIndex());
  }
  return out;
}

TEST(PageBreaks, SortedUniqueWithPositions) {
  struct Case {
    std::vector<std::uint16_t> adds;
    std::vector<std::uint16_t> want;
  } cases[] = {
      {{20, 5, 10}, {5, 10, 20}}, {{20, 5, 10, 10, 5, 20}, {5, 10, 20}},
      {{1, 2, 3}, {1, 2, 3}},     {{3, 2, 1, 0}, {0, 1, 2, 3}},
      {{65535, 0}, {0, 65535}},
  };
  for (const auto& c : cases) {
    TXLSHPageBreaks h;
    for (const auto at : c.adds) ASSERT_NE(h.Add(at), nullptr);
    EXPECT_EQ(Locations(h), c.want);
  }
}

TEST(PageBreaks, AddAgainReturnsTheExistingBreak) {
  TXLSHPageBreaks h;
  h.Add(std::uint16_t{20});
  TXLSHPageBreak* ten = h.Add(std::uint16_t{10});
  h.Add(std::uint16_t{5});
  EXPECT_EQ(h.Add(std::uint16_t{10}), ten);
  EXPECT_EQ(h.GetCount(), 3);
  EXPECT_EQ(h.GetPageBreak(2), ten);
}

TEST(PageBreaks, DeleteRenumbers) {
  TXLSHPageBreaks h;
  for (const std::uint16_t at : {20, 5, 10}) h.Add(at);
  h.Delete(0);
  h.Delete(4);
  EXPECT_EQ(h.GetCount(), 3);
  h.Delete(1);
  EXPECT_EQ(Locations(h), (std::vector<std::uint16_t>{10, 20}));
  // A break deletes itself through its collection.
  h.GetPageBreak(2)->Delete();
  EXPECT_EQ(Locations(h), (std::vector<std::uint16_t>{10}));
  EXPECT_EQ(h.Get(2), nullptr);
  h.ClearAll();
  EXPECT_EQ(h.GetCount(), 0);
  EXPECT_EQ(h.Get(1), nullptr);
}

TEST(PageBreaks, LocationAreas) {
  TXLSHPageBreaks h;
  TXLSVPageBreaks v;
  h.Add(std::uint32_t{7});
  v.Add(std::uint32_t{4});
  EXPECT_EQ(v.Add(std::uint32_t{16384}), nullptr);  // no such column
  EXPECT_EQ(v.GetCount(), 1);
  const TXLSBreakArea row = h.GetPageBreak(1)->GetLocationArea();
  EXPECT_EQ(row.kind, xlRangeRows);
  EXPECT_EQ(row.firstRow, 7);
  EXPECT_EQ(row.lastRow, 7);
  EXPECT_EQ(row.firstCol, 0);
  EXPECT_EQ(row.lastCol, 16383);
  TXLSBreakArea col;
  ASSERT_TRUE(v.GetLocationArea(1, col));
  EXPECT_EQ(col.kind, xlRangeColumns);
  EXPECT_EQ(col.firstRow, 0);
  EXPECT_EQ(col.lastRow, 1048575);
  EXPECT_EQ(col.firstCol, 4);
  EXPECT_EQ(col.lastCol, 4);
  EXPECT_FALSE(v.GetLocationArea(2, col));
  EXPECT_TRUE(v.IsVertical());
  EXPECT_FALSE(h.IsVertical());
}

}  // namespace
}  // namespace tablirex
