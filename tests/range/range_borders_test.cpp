// Range borders: which cell of each pair keeps the line, which neighbour loses its
// half, and how an edge is read back from its first pair.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "cells/cell_store.h"
#include "formats/xf_list.h"
#include "range/range_impl.h"
#include "tablirex/addressing.h"
#include "tablirex/colors.h"
#include "tablirex/format_views.h"
#include "tablirex/lines.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

class RangeBorders : public ::testing::Test {
 protected:
  RangeBorders() : sheet(wb.GetWorksheets()->Add()), xfs(wb.XFList()) {}

  TXLSRange& R(std::string_view a1) {
    held = sheet->Range(a1);
    return static_cast<TXLSRange&>(*held);
  }
  // The line style of one side ('L', 'R', 'T', 'B') of the cell at an A1 text, as
  // the cell's own format holds it; "absent" when the store lacks the cell.
  std::string Side(const std::string& a1, char side) {
    std::uint32_t row;
    std::uint16_t col;
    EXPECT_EQ(GetCellRef(a1, row, col), 1);
    const TXLSCellRef* cell = sheet->Cells().GetValue(row, col);
    if (!cell) return "absent";
    const std::uint8_t mask = side == 'L'   ? xlsBorderLeft
                              : side == 'R' ? xlsBorderRight
                              : side == 'T' ? xlsBorderTop
                                            : xlsBorderBottom;
    return std::to_string(xfs.GetBorderLineStyle(cell->XF, mask));
  }
  // Every cell of A1:D4 with continuous lines on all four sides.
  void FrameEveryCell() {
    for (std::uint32_t r = 0; r < 4; ++r)
      for (std::uint32_t c = 0; c < 4; ++c)
        sheet->Cells().GetOrCreateValue(r, c)->XF =
            xfs.SetBorderLineStyle(0, 0xF, TVariant(static_cast<std::int32_t>(xlContinuous)), false);
  }

  TXLSWorkbook wb;
  IXLSWorksheet* sheet;
  TXLSXFList& xfs;
  Ref<IXLSRange> held;
};

struct EdgeCase {
  std::int32_t index;
  std::set<std::string> drawn;   // cell + side given the new line
  std::set<std::string> erased;  // neighbour halves taken away
};

class BorderPairs : public RangeBorders, public ::testing::WithParamInterface<EdgeCase> {};

// B2:C3 inside a 4 x 4 block of framed cells: each edge puts the dashed line on one
// cell of every pair and takes the other cell's half away; nothing else changes.
TEST_P(BorderPairs, DrawOnOneCellEraseTheOther) {
  const EdgeCase& e = GetParam();
  FrameEveryCell();
  R("B2:C3").SetBorderLineStyle(e.index, static_cast<std::uint32_t>(xlDash));
  for (const char* col : {"A", "B", "C", "D"})
    for (const char* row : {"1", "2", "3", "4"})
      for (const char side : {'L', 'R', 'T', 'B'}) {
        const std::string cell = std::string(col) + row, key = cell + side;
        const std::int32_t want = e.drawn.count(key)    ? xlDash
                                  : e.erased.count(key) ? xlLineStyleNone
                                                        : xlContinuous;
        EXPECT_EQ(Side(cell, side), std::to_string(want)) << "index " << e.index << " at " << key;
      }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, BorderPairs,
    ::testing::Values(EdgeCase{7, {"B2L", "B3L"}, {"A2R", "A3R"}},
                      EdgeCase{8, {"B2T", "C2T"}, {"B1B", "C1B"}},
                      EdgeCase{9, {"B3B", "C3B"}, {"B4T", "C4T"}},
                      EdgeCase{10, {"C2R", "C3R"}, {"D2L", "D3L"}},
                      EdgeCase{11, {"B2R", "B3R"}, {"C2L", "C3L"}},
                      EdgeCase{12, {"B2B", "C2B"}, {"B3T", "C3T"}},
                      EdgeCase{13,
                               {"B2L", "B3L", "B2T", "C2T", "B3B", "C3B", "C2R", "C3R"},
                               {"A2R", "A3R", "B1B", "C1B", "B4T", "C4T", "D2L", "D3L"}},
                      EdgeCase{14, {"B2R", "B3R", "B2B", "C2B"}, {"C2L", "C3L", "B3T", "C3T"}},
                      EdgeCase{5, {}, {}}, EdgeCase{15, {}, {}}));

TEST_F(RangeBorders, LeftEdgeCreatesOnlyTheCellsThatKeepTheLine) {
  R("B2:C3").SetBorderLineStyle(7, xlContinuous);
  EXPECT_EQ(Side("B2", 'L'), std::to_string(xlContinuous));
  EXPECT_EQ(Side("B3", 'L'), std::to_string(xlContinuous));
  EXPECT_EQ(Side("A2", 'R'), "absent");
  EXPECT_EQ(Side("A3", 'R'), "absent");
  EXPECT_EQ(sheet->Cells().CellCount(), 2u);

  // In column A there is no column to the left: only the range's cells change.
  R("A5:A6").SetBorderLineStyle(7, xlContinuous);
  EXPECT_EQ(sheet->Cells().CellCount(), 4u);
  EXPECT_EQ(Side("A5", 'L'), std::to_string(xlContinuous));
}

TEST_F(RangeBorders, OutlineColourDrawsThinLinesAroundOnly) {
  R("B2:C3").SetBorderColorIndex(13, 3);
  for (const char* c : {"B2", "C2", "B3", "C3"}) {
    std::uint32_t row;
    std::uint16_t col;
    ASSERT_EQ(GetCellRef(c, row, col), 1);
    const std::int32_t xf = sheet->Cells().GetValue(row, col)->XF;
    const bool left = c[0] == 'B', top = c[1] == '2';
    EXPECT_EQ(xfs.GetBorderColorIndex(xf, left ? xlsBorderLeft : xlsBorderRight), 3) << c;
    EXPECT_EQ(xfs.GetBorderLineStyle(xf, top ? xlsBorderTop : xlsBorderBottom), xlContinuous) << c;
    EXPECT_EQ(xfs.GetBorderWeight(xf, top ? xlsBorderTop : xlsBorderBottom), xlThin) << c;
    EXPECT_EQ(xfs.GetBorderLineStyle(xf, left ? xlsBorderRight : xlsBorderLeft), xlLineStyleNone) << c;
    EXPECT_EQ(xfs.GetBorderLineStyle(xf, top ? xlsBorderBottom : xlsBorderTop), xlLineStyleNone) << c;
  }
  TXLSRange& r = R("B2:C3");
  for (std::int32_t i : {7, 8, 9, 10, 13}) {
    EXPECT_EQ(r.GetBorderColorIndex(i), 3) << i;
    EXPECT_EQ(r.GetBorderLineStyle(i), xlContinuous) << i;
  }
  for (std::int32_t i : {11, 12, 14}) EXPECT_EQ(r.GetBorderLineStyle(i), xlLineStyleNone) << i;
}

TEST_F(RangeBorders, GetterReadsTheNeighboursHalf) {
  R("A2").SetBorderLineStyle(10, static_cast<std::uint32_t>(xlDash));  // right line of A2
  R("A2").SetBorderColorIndex(10, 5);
  EXPECT_EQ(Side("B2", 'L'), "absent");
  EXPECT_EQ(R("B2").GetBorderLineStyle(7), xlDash);
  EXPECT_EQ(R("B2").GetBorderColorIndex(7), 5);
  EXPECT_EQ(R("B2").GetBorderWeight(7), xlThin);
  // B's own half counts when A has none.
  R("D4").SetBorderLineStyle(7, static_cast<std::uint32_t>(xlDouble));
  EXPECT_EQ(R("C4").GetBorderLineStyle(10), xlDouble);
  EXPECT_EQ(R("C4").GetBorderColorIndex(10), xlColorIndexAutomatic);
  // Nothing on either side.
  EXPECT_EQ(R("F6").GetBorderLineStyle(9), xlLineStyleNone);
  EXPECT_EQ(R("F6").GetBorderColorIndex(9), xlColorIndexNone);
  EXPECT_EQ(R("F6").GetBorderWeight(9), xlThin);
}

TEST_F(RangeBorders, GettersOfMissingPairsAndOtherIndices) {
  TXLSRange& r = R("B2:B5");  // one column: no vertical inside line
  r.SetBorderLineStyle(11, xlContinuous);
  EXPECT_EQ(sheet->Cells().CellCount(), 0u);
  EXPECT_EQ(r.GetBorderColorIndex(11), 0);
  EXPECT_EQ(r.GetBorderLineStyle(11), xlLineStyleNone);
  EXPECT_EQ(r.GetBorderWeight(11), xlThin);
  r.SetBorderWeight(12, static_cast<std::uint32_t>(xlMedium));
  EXPECT_EQ(r.GetBorderWeight(12), xlMedium);
  EXPECT_EQ(r.GetBorderLineStyle(12), xlContinuous);
  EXPECT_EQ(r.GetBorderColorIndex(6), 0);
  EXPECT_EQ(r.GetBorderLineStyle(6), xlLineStyleNone);
  EXPECT_EQ(r.GetBorderWeight(99), xlThin);
}

TEST_F(RangeBorders, RowOneAndLastColumnStayInsideTheSheet) {
  R("A1:IV1").SetBorderLineStyle(13, xlContinuous);
  EXPECT_EQ(Side("IV1", 'R'), std::to_string(xlContinuous));
  EXPECT_EQ(Side("A1", 'T'), std::to_string(xlContinuous));
  EXPECT_EQ(R("IV1").GetBorderLineStyle(10), xlContinuous);
  EXPECT_EQ(R("A1").GetBorderLineStyle(8), xlContinuous);
}

TEST_F(RangeBorders, ViewsSetEveryEdgeAndReadTheTop) {
  Ref<IXLSBorders> b = R("B2:C3").GetBorders();
  b->SetLineStyle(static_cast<std::uint32_t>(xlDot));
  b->SetColor(0x00FF00);  // green: palette entry 11, colour index 4
  EXPECT_EQ(b->GetLineStyle(), xlDot);
  EXPECT_EQ(b->GetColorIndex(), 4);
  EXPECT_EQ(b->GetColor(), 0x00FF00u);
  for (std::int32_t i = 7; i <= 12; ++i) {
    Ref<IXLSBorder> one = b->GetBorder(i);
    EXPECT_EQ(one->GetLineStyle(), xlDot) << i;
    EXPECT_EQ(one->GetColorIndex(), 4) << i;
  }
  b->GetBorder(9)->SetWeight(xlThick);
  EXPECT_EQ(R("B2:C3").GetBorders()->GetBorder(9)->GetWeight(), xlThick);
  EXPECT_EQ(R("B2:C3").GetBorders()->GetBorder(9)->GetLineStyle(), xlContinuous);
  b->SetLineStyle(static_cast<std::uint32_t>(xlLineStyleNone));
  EXPECT_EQ(R("B2:C3").GetBorderLineStyle(13), xlLineStyleNone);
  EXPECT_EQ(R("B2:C3").GetBorderLineStyle(14), xlLineStyleNone);
}

TEST_F(RangeBorders, EdgeOfManyCellsSharesOneFormat) {
  R("B1:B20000").SetBorderLineStyle(7, xlContinuous);
  const std::int32_t xf = sheet->Cells().GetValue(0, 1)->XF;
  EXPECT_EQ(sheet->Cells().GetValue(19999, 1)->XF, xf);
  EXPECT_EQ(xfs.GetRefCount(xf), 20000);
}

}  // namespace
}  // namespace tablirex
