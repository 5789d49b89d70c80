// Range formatting: how blocks, whole columns and whole rows move their cells and
// lines from one shared XF to another, the reference counts that decides what is
// written, and the translations of the alignment, rotation, font and fill views.
#include <gtest/gtest.h>

#include <string>

#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "formats/xf_list.h"
#include "range/range_impl.h"
#include "tablirex/colors.h"
#include "tablirex/format_views.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

class RangeFormat : public ::testing::Test {
 protected:
  RangeFormat() : sheet(wb.GetWorksheets()->Add()), xfs(wb.XFList()) {}

  TXLSRange& R(std::string_view a1) {
    held = sheet->Range(a1);
    return static_cast<TXLSRange&>(*held);
  }
  const TXLSCellRef* Cell(std::uint32_t row, std::uint32_t col) { return sheet->Cells().GetValue(row, col); }
  std::int32_t Shown(std::int32_t row, std::int32_t col) {
    bool own;
    Ref<IXLSRange> any = sheet->Range("A1");
    return static_cast<TXLSRange&>(*any).GetXFIndex(row, col, own);
  }

  TXLSWorkbook wb;
  IXLSWorksheet* sheet;
  TXLSXFList& xfs;
  Ref<IXLSRange> held;
};

TEST_F(RangeFormat, BlockCreatesCellsSharingOneXF) {
  R("A1:B2").GetFont()->SetBold(true);
  EXPECT_EQ(sheet->Cells().CellCount(), 4u);
  const std::int32_t xf = Cell(0, 0)->XF;
  EXPECT_GE(xf, TXLSXFList::kPredefined);
  for (std::uint32_t r = 0; r < 2; ++r)
    for (std::uint32_t c = 0; c < 2; ++c) EXPECT_EQ(Cell(r, c)->XF, xf);
  EXPECT_EQ(xfs.GetRefCount(xf), 4);
  EXPECT_TRUE(R("B2").GetFont()->GetBold());
  EXPECT_FALSE(R("C2").GetFont()->GetBold());
}

TEST_F(RangeFormat, RunsOfDifferentXFsConvertEachOnce) {
  R("A2:A3").GetFont()->SetBold(true);
  const std::int32_t bold = Cell(1, 0)->XF;
  R("A1:A4").GetFont()->SetItalic(true);
  const std::int32_t italic = Cell(0, 0)->XF, boldItalic = Cell(1, 0)->XF;
  EXPECT_NE(italic, boldItalic);
  EXPECT_EQ(Cell(2, 0)->XF, boldItalic);
  EXPECT_EQ(Cell(3, 0)->XF, italic);
  EXPECT_EQ(xfs.GetRefCount(italic), 2);
  EXPECT_EQ(xfs.GetRefCount(boldItalic), 2);
  EXPECT_EQ(xfs.GetRefCount(bold), 0);
  EXPECT_TRUE(xfs.GetFontBold(boldItalic) && xfs.GetFontItalic(boldItalic));
}

TEST_F(RangeFormat, CoveredCellsOfMergedAreaKeepTheirFormat) {
  ASSERT_EQ(sheet->MergeCells(0, 0, 1, 1), 1);
  R("A1:C2").GetFont()->SetBold(true);
  EXPECT_TRUE(xfs.GetFontBold(Cell(0, 0)->XF));
  EXPECT_TRUE(xfs.GetFontBold(Cell(0, 2)->XF));
  EXPECT_LE(Cell(0, 1)->XF, 0);
  EXPECT_LE(Cell(1, 1)->XF, 0);
}

TEST_F(RangeFormat, WholeColumnChangesColumnAndExistingCellsOnly) {
  R("A2").SetValue(TVariant(1.0));
  R("A5").SetValue(TVariant(2.0));
  R("B9").SetValue(TVariant(3.0));
  const std::size_t cells = sheet->Cells().CellCount();
  R("A:A").GetFont()->SetBold(true);
  EXPECT_EQ(sheet->Cells().CellCount(), cells);
  const std::int32_t colXF = sheet->ColumnInfo().GetXF(0);
  EXPECT_TRUE(xfs.GetFontBold(colXF));
  EXPECT_EQ(Cell(1, 0)->XF, colXF);
  EXPECT_EQ(Cell(4, 0)->XF, colXF);
  EXPECT_LE(Cell(8, 1)->XF, 0);
  // The column and its two cells hold one reference each.
  EXPECT_EQ(xfs.GetRefCount(colXF), 3);
  // A cell the store lacks shows the column's format.
  EXPECT_TRUE(R("A7").GetFont()->GetBold());
}

TEST_F(RangeFormat, LineFormatsMoveOneReference) {
  // Setting and undoing a column's and a row's format leaves nothing referring
  // to the intermediate formats.
  R("B:B").GetFont()->SetBold(true);
  R("3:3").GetFont()->SetBold(true);
  const std::int32_t bold = sheet->ColumnInfo().GetXF(1);
  EXPECT_EQ(sheet->RowInfo().GetXF(2), bold);
  // The column, the row, and B3, created so that the row's format shows there.
  EXPECT_EQ(xfs.GetRefCount(bold), 3);
  R("B:B").GetFont()->SetItalic(true);
  R("B:B").GetFont()->SetItalic(true);
  const std::int32_t both = sheet->ColumnInfo().GetXF(1);
  EXPECT_EQ(xfs.GetRefCount(bold), 1);
  EXPECT_EQ(xfs.GetRefCount(both), 2);
  R("3:3").GetFont()->SetBold(false);
  EXPECT_EQ(xfs.GetRefCount(bold), 0);
}

TEST_F(RangeFormat, WholeRowLetsRowWinOverColumnFormat) {
  R("B:B").GetFont()->SetBold(true);     // column B has a format of its own
  sheet->ColumnInfo().SetWidth(4, 20.0);  // column E only a width
  R("C3").SetValue(TVariant(1.0));
  R("3:3").GetInterior()->SetColorIndex(6);
  const std::int32_t rowXF = sheet->RowInfo().GetXF(2);
  EXPECT_EQ(xfs.GetInteriorColorIndex(rowXF), 6 + 7);
  // B3 is created: it shows the column's bold and the row's fill.
  ASSERT_NE(Cell(2, 1), nullptr);
  EXPECT_TRUE(xfs.GetFontBold(Cell(2, 1)->XF));
  EXPECT_EQ(xfs.GetInteriorColorIndex(Cell(2, 1)->XF), 13);
  EXPECT_EQ(Cell(2, 2)->XF, rowXF);
  // E3: the column has no format, the cell shows the row's.
  ASSERT_NE(Cell(2, 4), nullptr);
  EXPECT_EQ(Cell(2, 4)->XF, rowXF);
  EXPECT_EQ(Cell(2, 3), nullptr);
  EXPECT_EQ(Cell(2, 5), nullptr);
  EXPECT_EQ(Shown(2, 100), rowXF);
}

TEST_F(RangeFormat, SingleCellViewsOnTopLeft) {
  R("B2").SetNumFormat("0.00%");
  EXPECT_EQ(R("B2:C3").GetNumFormat().AsString(), "0.00%");
  EXPECT_EQ(R("C2").GetNumFormat().AsString(), "");  // built-in format 0 has no text
  R("B2").SetWrapText(TVariant(true));
  EXPECT_TRUE(R("B2:D4").GetWrapText().AsBoolean());
  EXPECT_EQ(R("B2").XFIndex(), Cell(1, 1)->XF);
  EXPECT_EQ(R("Z9").XFIndex(), 0);
}

struct AlignCase {
  const char* what;
  bool vertical;
  std::int64_t constant;  // as the caller passes it
  std::int32_t code;      // -1: ignored
};

class Alignment : public RangeFormat, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(Alignment, TranslatesConstantToCode) {
  const AlignCase& c = GetParam();
  TXLSRange& r = R("B2");
  const TVariant v = TVariant::OfInteger(varInt64, c.constant);
  if (c.vertical)
    r.SetVAlign(v);
  else
    r.SetHAlign(v);
  const std::int32_t xf = Shown(1, 1);
  if (c.code < 0) {
    EXPECT_EQ(Cell(1, 1), nullptr) << "an ignored value creates no cell";
    return;
  }
  EXPECT_EQ(c.vertical ? xfs.GetVerAlign(xf) : xfs.GetHorAlign(xf), c.code);
  const std::int32_t back = (c.vertical ? r.GetVAlign() : r.GetHAlign()).AsInteger();
  EXPECT_EQ(back, static_cast<std::int32_t>(static_cast<std::uint32_t>(c.constant)));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Alignment,
    ::testing::Values(AlignCase{"general", false, 1, 0}, AlignCase{"left", false, -4131, 1},
                      AlignCase{"centre", false, -4108, 2}, AlignCase{"right", false, -4152, 3},
                      AlignCase{"fill", false, 5, 4}, AlignCase{"justify", false, -4130, 5},
                      AlignCase{"across", false, 7, 6}, AlignCase{"distributed", false, -4117, 7},
                      AlignCase{"unsigned right", false, 4294963144LL, 3},
                      AlignCase{"not a constant", false, 3, -1}, AlignCase{"vertical code", false, -4160, -1},
                      AlignCase{"top", true, -4160, 0}, AlignCase{"middle", true, -4108, 1},
                      AlignCase{"bottom", true, -4107, 2}, AlignCase{"v justify", true, -4130, 3},
                      AlignCase{"v distributed", true, -4117, 4}, AlignCase{"v left", true, -4131, -1},
                      AlignCase{"v general", true, 1, -1}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& ch : n)
        if (ch == ' ') ch = '_';
      return n;
    });

TEST_F(RangeFormat, OrientationStoresClockwiseAboveNinety) {
  struct {
    std::int32_t set;
    std::int32_t stored;  // -1: unchanged (no cell)
    std::int32_t read;
  } cases[] = {{45, 45, 45},   {90, 90, 90},   {-45, 135, -45}, {-90, 180, -90}, {255, 255, 255},
               {0, 0, 0},      {200, -1, 0},   {181, -1, 0},    {-91, -1, 0},    {256, -1, 0}};
  int row = 1;
  for (const auto& c : cases) {
    const std::string ref = "A" + std::to_string(row);
    R(ref).SetOrientation(TVariant(c.set));
    if (c.stored < 0) {
      EXPECT_EQ(Cell(static_cast<std::uint32_t>(row - 1), 0), nullptr) << c.set;
    } else {
      EXPECT_EQ(xfs.GetOrientation(Shown(row - 1, 0)), c.stored) << c.set;
    }
    EXPECT_EQ(R(ref).GetOrientation().AsInteger(), c.read) << c.set;
    ++row;
  }
}

TEST_F(RangeFormat, FontViewTranslations) {
  Ref<IXLSFont> f = R("B2").GetFont();
  f->SetColorIndex(3);
  EXPECT_EQ(xfs.GetFontColorIndex(Shown(1, 1)), 10);
  EXPECT_EQ(f->GetColorIndex(), 3);
  EXPECT_EQ(f->GetColor(), 0x0000FFu);  // red
  f->SetColor(0xFF0000);                  // blue: the nearest palette entry, index 5
  EXPECT_EQ(f->GetColorIndex(), 5);
  f->SetColorIndex(xlColorIndexAutomatic);
  EXPECT_EQ(xfs.GetFontColorIndex(Shown(1, 1)), xlColorIndexAutomatic);
  EXPECT_EQ(f->GetColorIndex(), xlColorIndexAutomatic);

  const struct {
    std::int32_t constant;
    std::uint8_t code;
  } underlines[] = {{2, 1}, {-4119, 2}, {4, 0x21}, {5, 0x22}, {-4142, 0}};
  for (const auto& u : underlines) {
    f->SetUnderLine(static_cast<std::uint32_t>(u.constant));
    EXPECT_EQ(xfs.GetFontUnderLine(Shown(1, 1)), u.code);
    EXPECT_EQ(f->GetUnderLine(), u.constant);
  }
  f->SetUnderLine(2);
  f->SetUnderLine(3);  // not a constant: nothing changes
  EXPECT_EQ(f->GetUnderLine(), 2);

  f->SetName("Courier New");
  f->SetSize(10.5f);
  EXPECT_EQ(f->GetName(), "Courier New");
  EXPECT_FLOAT_EQ(f->GetSize(), 10.5f);
}

TEST_F(RangeFormat, InteriorViewTranslations) {
  Ref<IXLSInterior> in = R("B2").GetInterior();
  EXPECT_EQ(in->GetColorIndex(), xlColorIndexNone);
  EXPECT_EQ(in->GetPattern(), xlColorIndexNone);
  EXPECT_EQ(in->GetColor(), 0xFFFFFFu);
  // Automatic colour on an unfilled cell: solid, in the system background.
  in->SetColorIndex(static_cast<std::uint32_t>(xlColorIndexAutomatic));
  EXPECT_EQ(xfs.GetInteriorPattern(Shown(1, 1)), 1);
  EXPECT_EQ(xfs.GetInteriorColorIndex(Shown(1, 1)), 65);
  EXPECT_EQ(in->GetColorIndex(), xlColorIndexAutomatic);
  in->SetColorIndex(6);
  EXPECT_EQ(in->GetColorIndex(), 6);
  EXPECT_EQ(in->GetColor(), 0x00FFFFu);  // yellow
  in->SetColorIndex(57);                  // out of range: ignored
  EXPECT_EQ(in->GetColorIndex(), 6);
  in->SetPatternColorIndex(static_cast<std::uint32_t>(xlColorIndexAutomatic));
  EXPECT_EQ(xfs.GetInteriorPatternColorIndex(Shown(1, 1)), 64);

  const struct {
    std::int32_t constant, pattern, read;
  } patterns[] = {{1, 1, 1},          {-4105, 1, 1},      {-4125, 2, -4125}, {-4126, 3, -4126},
                  {-4124, 4, -4124},  {-4128, 5, -4128},  {-4166, 6, -4166}, {-4121, 7, -4121},
                  {-4162, 8, -4162},  {9, 9, 9},          {18, 18, 18},      {-4142, 0, -4142}};
  for (const auto& p : patterns) {
    in->SetColorIndex(6);
    in->SetPattern(static_cast<std::uint32_t>(p.constant));
    EXPECT_EQ(xfs.GetInteriorPattern(Shown(1, 1)), p.pattern) << p.constant;
    EXPECT_EQ(in->GetPattern(), p.read) << p.constant;
  }
  in->SetColorIndex(6);
  in->SetPattern(19);  // not a pattern: the fill goes
  EXPECT_EQ(in->GetPattern(), xlColorIndexNone);
  in->SetColorIndex(6);
  in->SetColorIndex(0);
  EXPECT_EQ(in->GetColorIndex(), xlColorIndexNone);
}

TEST_F(RangeFormat, ViewKeepsItsRangeAlive) {
  Ref<IXLSFont> f = sheet->Range("C4")->GetFont();
  f->SetItalic(true);
  EXPECT_TRUE(xfs.GetFontItalic(Cell(3, 2)->XF));
}

}  // namespace
}  // namespace tablirex
