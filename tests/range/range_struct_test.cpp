// Merging, inserting, deleting, copying and moving cells: the values, formats,
// merged areas and column widths they leave, and the string and format reference
// counts they must keep exact.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "cells/sst.h"
#include "formats/xf_list.h"
#include "range/range_impl.h"
#include "tablirex/format_views.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "../workbook/stream_reader.h"

namespace tablirex {
namespace {

class RangeStruct : public ::testing::Test {
 protected:
  RangeStruct() : sheet(wb.GetWorksheets()->Add()), sst(wb.StringTable()), xfs(wb.XFList()) {}

  TXLSRange& R(std::string_view a1, IXLSWorksheet* on = nullptr) {
    held.push_back((on ? on : sheet)->Range(a1));
    return static_cast<TXLSRange&>(*held.back());
  }
  void Set(std::string_view a1, const TVariant& v) { R(a1).SetValue(v); }
  std::string Text(std::string_view a1, IXLSWorksheet* on = nullptr) {
    const TVariant v = R(a1, on).GetValue();
    return v.IsEmptyOrNull() ? std::string() : v.AsString();
  }
  const TXLSCellRef* Cell(std::uint32_t row, std::uint32_t col, IXLSWorksheet* on = nullptr) {
    return (on ? on : sheet)->Cells().GetValue(row, col);
  }
  /// A cell that is part of a merged area (no cell is not).
  bool Merged(std::uint32_t row, std::uint32_t col) {
    const TXLSCellRef* c = Cell(row, col);
    return c && c->IsMerged;
  }
  std::int32_t Refs(std::u16string_view text) { return sst.GetRefCount(sst.GetHashValue(text)); }
  /// Own XF of a cell (0 when there is no cell).
  std::int32_t XF(std::uint32_t row, std::uint32_t col, IXLSWorksheet* on = nullptr) {
    const TXLSCellRef* c = Cell(row, col, on);
    return c ? c->XF : 0;
  }
  /// Column A of rows 1..n as texts.
  std::vector<std::string> Column(char col, int n, IXLSWorksheet* on = nullptr) {
    std::vector<std::string> out;
    for (int r = 1; r <= n; ++r) out.push_back(Text(std::string(1, col) + std::to_string(r), on));
    return out;
  }
  /// The merged areas a save writes, as "r1 r2 c1 c2".
  std::vector<std::string> SavedMerges() {
    std::vector<std::string> out;
    for (const auto& rec : testing::SaveRecords(wb, 2))
      if (rec.type == RecNo(Rec::MERGEDCELLS))
        out.push_back(std::to_string(rec.Word(2)) + " " + std::to_string(rec.Word(4)) + " " +
                      std::to_string(rec.Word(6)) + " " + std::to_string(rec.Word(8)));
    return out;
  }
  std::int32_t Bold() {
    R("Z1").GetFont()->SetBold(true);
    const std::int32_t xf = Cell(0, 25)->XF;
    R("Z1").Clear();
    return xf;
  }

  TXLSWorkbook wb;
  IXLSWorksheet* sheet;
  TXLSStringTable& sst;
  TXLSXFList& xfs;
  std::vector<Ref<IXLSRange>> held;
};

// ---- merging ---------------------------------------------------------------------------

TEST_F(RangeStruct, MergeMakesOneAreaAndEmptiesTheCoveredCells) {
  Set("A1", TVariant("top"));
  Set("C2", TVariant("gone"));
  R("A1:C2").Merge(false);
  EXPECT_EQ(Text("A1"), "top");
  EXPECT_EQ(Refs(u"gone"), 0);
  for (std::uint32_t r = 0; r < 2; ++r)
    for (std::uint32_t c = 0; c < 3; ++c) {
      ASSERT_NE(Cell(r, c), nullptr);
      EXPECT_TRUE(Cell(r, c)->IsMerged);
      EXPECT_EQ(Cell(r, c)->IsMergeOwner, r == 0 && c == 0);
    }
  EXPECT_EQ(SavedMerges(), std::vector<std::string>{"0 1 0 2"});
}

TEST_F(RangeStruct, MergeAcrossMakesOneAreaPerRow) {
  R("A1:C2").Merge(true);
  EXPECT_TRUE(Cell(0, 0)->IsMergeOwner);
  EXPECT_TRUE(Cell(1, 0)->IsMergeOwner);
  EXPECT_EQ((std::vector<std::string>{"0 0 0 2", "1 1 0 2"}), SavedMerges());
  // The variant form: a number above 0 means across, 0 does not.
  R("E1:F2").Merge(TVariant(1.0));
  R("H1:I2").Merge(TVariant(0.0));
  EXPECT_TRUE(Cell(1, 4)->IsMergeOwner);
  EXPECT_FALSE(Cell(1, 7)->IsMergeOwner);
}

TEST_F(RangeStruct, MergeGrowsOverAnAreaItTouches) {
  R("A1:B2").Merge(false);
  TXLSRange& r = R("B2:C3");
  r.Merge(false);
  EXPECT_EQ(r.FirstRef() + ":" + r.LastRef(), "A1:C3");
  EXPECT_EQ(SavedMerges(), std::vector<std::string>{"0 2 0 2"});
}

TEST_F(RangeStruct, SingleCellMergeIsSavedAsAPlainCell) {
  Set("B2", TVariant(5.0));
  R("B2").Merge(false);
  EXPECT_TRUE(Cell(1, 1)->IsMergeOwner);
  EXPECT_TRUE(SavedMerges().empty());
}

TEST_F(RangeStruct, UnmergeOnOneCellDissolvesTheWholeArea) {
  Set("A1", TVariant("keep"));
  Set("B1", TVariant("lost"));
  R("A1:B3").Merge(false);
  R("B3").Unmerge();
  for (std::uint32_t r = 0; r < 3; ++r)
    for (std::uint32_t c = 0; c < 2; ++c) EXPECT_FALSE(Merged(r, c));
  // The covered cells held nothing of their own: they are gone, not kept as blanks.
  EXPECT_EQ(sheet->Cells().CellCount(), 1u);
  EXPECT_EQ(Text("A1"), "keep");
  EXPECT_EQ(Text("B1"), "");
  EXPECT_TRUE(SavedMerges().empty());
}

TEST_F(RangeStruct, UnMergeOutgoingRangesDissolvesOnlyAreasCrossingTheBorder) {
  R("A1:B2").Merge(false);  // crosses the top edge of B2:D5
  R("C3:D4").Merge(false);  // inside
  R("D5:E5").Merge(false);  // crosses the right edge
  R("A1").UnMergeOutgoingRanges(1, 1, 4, 3);
  EXPECT_FALSE(Merged(0, 0));
  EXPECT_TRUE(Cell(2, 2)->IsMergeOwner);
  EXPECT_FALSE(Merged(4, 3));
  EXPECT_FALSE(Merged(4, 4));
}

// ---- booleans -------------------------------------------------------------------------

// A boolean is a value of its own kind wherever cells go, and replaces a number or
// a text like any value.
TEST_F(RangeStruct, BooleansKeepTheirKindThroughEveryOperation) {
  Set("A1", TVariant("text"));
  Set("A1", TVariant(true));
  EXPECT_EQ(Refs(u"text"), 0);
  Set("A2", TVariant(3.0));
  Set("A2", TVariant(false));
  R("A1:A2").Copy(&R("B1:B2"));
  R("A1:A2").Copy(&R("C1:C2"), xlPasteValues);
  R("C1:C2").Move(&R("D1:D2"));
  R("1:1").Insert(xlShiftDown);
  R("A3").Delete(xlShiftToLeft);  // B3's false moves into A3
  for (const char* a1 : {"A2", "B2", "D2"}) EXPECT_EQ(R(a1).GetValue(), TVariant(true)) << a1;
  for (const char* a1 : {"A3", "C3"}) EXPECT_EQ(R(a1).GetValue(), TVariant(false)) << a1;
  EXPECT_EQ(Cell(2, 0)->ValueType, xlBoolean);
  EXPECT_EQ(Cell(1, 2), nullptr);  // moved away, nothing left behind
  EXPECT_EQ(sizeof(TXLSCellRef), 24u);  // the kind costs the cell no space
}

// ---- deleting --------------------------------------------------------------------------

struct DeleteCase {
  const char* name;
  const char* range;
  std::int32_t shift;
  // Column A then column B, rows 1..6, after deleting from a sheet where An = "an"
  // and Bn = "bn" for n = 1..6.
  std::vector<std::string> a, b;
};

TEST_F(RangeStruct, DeleteShiftsCellsIntoTheRange) {
  const std::vector<DeleteCase> cases = {
      {"whole row 3", "A3:IV3", 0, {"a1", "a2", "a4", "a5", "a6", ""}, {"b1", "b2", "b4", "b5", "b6", ""}},
      {"block B2, shape decides up", "B2", 0, {"a1", "a2", "a3", "a4", "a5", "a6"}, {"b1", "b3", "b4", "b5", "b6", ""}},
      {"block A2:A3 up", "A2:A3", xlShiftUp, {"a1", "a4", "a5", "a6", "", ""}, {"b1", "b2", "b3", "b4", "b5", "b6"}},
      {"A4 left", "A4", xlShiftToLeft, {"a1", "a2", "a3", "b4", "a5", "a6"}, {"b1", "b2", "b3", "", "b5", "b6"}},
      {"whole column A", "A1:A1048576", 0, {"b1", "b2", "b3", "b4", "b5", "b6"}, {"", "", "", "", "", ""}},
      // More rows deleted than lie below them: the range is emptied all the same.
      {"rows 5..8, past the used area", "A5:B8", xlShiftUp, {"a1", "a2", "a3", "a4", "", ""}, {"b1", "b2", "b3", "b4", "", ""}},
      {"below the used area", "A9:B9", xlShiftUp, {"a1", "a2", "a3", "a4", "a5", "a6"}, {"b1", "b2", "b3", "b4", "b5", "b6"}},
  };
  for (const DeleteCase& c : cases) {
    SCOPED_TRACE(c.name);
    TXLSWorkbook book;
    IXLSWorksheet* s = book.GetWorksheets()->Add();
    for (int r = 1; r <= 6; ++r) {
      s->Range("A" + std::to_string(r))->SetValue(TVariant("a" + std::to_string(r)));
      s->Range("B" + std::to_string(r))->SetValue(TVariant("b" + std::to_string(r)));
    }
    EXPECT_EQ(s->Range(c.range)->Delete(c.shift).AsBoolean(), true);
    std::vector<std::string> a, b;
    for (int r = 1; r <= 6; ++r) {
      const TVariant va = s->Range("A" + std::to_string(r))->GetValue();
      const TVariant vb = s->Range("B" + std::to_string(r))->GetValue();
      a.push_back(va.IsEmptyOrNull() ? "" : va.AsString());
      b.push_back(vb.IsEmptyOrNull() ? "" : vb.AsString());
    }
    EXPECT_EQ(a, c.a);
    EXPECT_EQ(b, c.b);
    // Every text still shown holds exactly one reference; deleted ones none.
    TXLSStringTable& t = book.StringTable();
    for (int r = 1; r <= 6; ++r)
      for (const char* p : {"a", "b"}) {
        const std::string text = p + std::to_string(r);
        const bool shown = std::count(a.begin(), a.end(), text) + std::count(b.begin(), b.end(), text) > 0;
        EXPECT_EQ(t.GetRefCount(t.GetHashValue(std::u16string(text.begin(), text.end()))), shown ? 1 : 0) << text;
      }
  }
}

TEST_F(RangeStruct, DeleteMovesFormatsAndMergedAreasWithTheirCells) {
  const std::int32_t bold = Bold();
  Set("A5", TVariant("owner"));
  R("A5:B6").Merge(false);
  R("A5").GetFont()->SetBold(true);
  R("C1:C3").GetFont()->SetBold(true);
  EXPECT_EQ(xfs.GetRefCount(bold), 4);
  R("A2:IV3").Delete(0);
  EXPECT_EQ(Text("A3"), "owner");
  EXPECT_TRUE(Cell(2, 0)->IsMergeOwner);
  EXPECT_EQ(XF(2, 0), bold);
  EXPECT_EQ(XF(4, 0), 0);
  EXPECT_EQ(SavedMerges(), std::vector<std::string>{"2 3 0 1"});
  // C2 and C3 were deleted; C1 keeps its format.
  EXPECT_EQ(XF(0, 2), bold);
  EXPECT_EQ(XF(1, 2), 0);
  EXPECT_EQ(xfs.GetRefCount(bold), 2);
}

TEST_F(RangeStruct, DeleteDissolvesAnAreaStraddlingTheDeletedBlock) {
  Set("A2", TVariant("x"));
  R("A2:A4").Merge(false);
  R("B2:C6").Merge(false);
  R("A3:C3").Delete(xlShiftUp);
  EXPECT_TRUE(SavedMerges().empty());
  for (std::uint32_t r = 0; r < 6; ++r)
    for (std::uint32_t c = 0; c < 3; ++c)
      if (const TXLSCellRef* cell = Cell(r, c)) {
        EXPECT_FALSE(cell->IsMerged) << r << "," << c;
      }
  EXPECT_EQ(Text("A2"), "x");
}

TEST_F(RangeStruct, DeleteDissolvesAnAreaReachingBelowTheDeletedRows) {
  // A3:B5 starts on the deleted row and lies inside the block that moves up: only
  // the deleted range's own border shows that two of its rows would survive.
  Set("A3", TVariant("gone"));
  Set("A6", TVariant("below"));
  R("A3:B5").Merge(false);
  R("A3:C3").Delete(xlShiftUp);
  EXPECT_TRUE(SavedMerges().empty());
  EXPECT_EQ(Text("A5"), "below");
  EXPECT_EQ(Refs(u"gone"), 0);
  for (std::uint32_t r = 0; r < 6; ++r)
    if (const TXLSCellRef* cell = Cell(r, 0)) {
      EXPECT_FALSE(cell->IsMerged) << r;
    }
}

// ---- inserting -------------------------------------------------------------------------

TEST_F(RangeStruct, InsertRowsMovesCellsDownAndFormatsFromTheRowAbove) {
  const std::int32_t bold = Bold();
  for (int r = 1; r <= 8; ++r) Set("A" + std::to_string(r), TVariant(static_cast<double>(r)));
  R("A4:B4").GetFont()->SetBold(true);
  R("A7:B8").Merge(false);
  EXPECT_EQ(R("A5:IV6").Insert(0).AsBoolean(), true);
  EXPECT_EQ(R("A7").GetValue().AsDouble(), 5.0);
  EXPECT_EQ(R("A9").GetValue().AsDouble(), 7.0);
  EXPECT_TRUE(R("A5").GetValue().IsNull());
  EXPECT_EQ(XF(4, 0), bold);
  EXPECT_EQ(XF(5, 1), bold);
  EXPECT_EQ(XF(4, 2), 0);
  EXPECT_EQ(xfs.GetRefCount(bold), 6);
  EXPECT_EQ(SavedMerges(), std::vector<std::string>{"8 9 0 1"});
}

TEST_F(RangeStruct, InsertShiftsRightAndAtTheFirstColumnTakesThePushedFormat) {
  const std::int32_t bold = Bold();
  Set("A1", TVariant("a"));
  Set("B1", TVariant("b"));
  R("A1").GetFont()->SetBold(true);
  EXPECT_EQ(R("A1").Insert(xlShiftToRight).AsBoolean(), true);
  EXPECT_EQ(Text("B1"), "a");
  EXPECT_EQ(Text("C1"), "b");
  EXPECT_EQ(Text("A1"), "");
  EXPECT_EQ(XF(0, 0), bold);
  EXPECT_EQ(XF(0, 1), bold);
  EXPECT_EQ(xfs.GetRefCount(bold), 2);
  EXPECT_EQ(Refs(u"a"), 1);
}

TEST_F(RangeStruct, InsertPastTheLastRowOrColumnChangesNothing) {
  Set("A1048576", TVariant("bottom"));
  Set("XFD1", TVariant("right"));
  EXPECT_EQ(R("A1").Insert(xlShiftDown).AsBoolean(), false);
  EXPECT_EQ(R("A1").Insert(xlShiftToRight).AsBoolean(), false);
  EXPECT_EQ(Text("A1048576"), "bottom");
  EXPECT_EQ(Text("XFD1"), "right");
  EXPECT_EQ(Refs(u"bottom"), 1);
}

TEST_F(RangeStruct, InsertDissolvesAnAreaThatTheShiftWouldTear) {
  R("A2:A4").Merge(false);
  R("A3").Insert(xlShiftDown);
  EXPECT_TRUE(SavedMerges().empty());
}

// ---- copying and moving ------------------------------------------------------------------

TEST_F(RangeStruct, CopyRepeatsASmallerSourceAndCutsALargerOne) {
  Set("A1", TVariant("one"));
  Set("A2", TVariant("two"));
  Set("A3", TVariant("three"));
  R("A1:A2").Copy(&R("C1:C5"));
  EXPECT_EQ(Column('C', 5), (std::vector<std::string>{"one", "two", "one", "two", "one"}));
  R("A1:A3").Copy(&R("D1:D2"));
  EXPECT_EQ(Column('D', 3), (std::vector<std::string>{"one", "two", ""}));
  EXPECT_EQ(Refs(u"one"), 5);
  EXPECT_EQ(Refs(u"two"), 4);
  EXPECT_EQ(Refs(u"three"), 1);
}

TEST_F(RangeStruct, MoveOntoAnOverlappingRangeDownwards) {
  const std::int32_t bold = Bold();
  Set("A1", TVariant("a1"));
  Set("B1", TVariant("b1"));
  Set("A2", TVariant("a2"));
  R("A1:B2").GetFont()->SetBold(true);
  R("A1:B2").Move(&R("A2:B3"));
  EXPECT_EQ(Column('A', 3), (std::vector<std::string>{"", "a1", "a2"}));
  EXPECT_EQ(Column('B', 3), (std::vector<std::string>{"", "b1", ""}));
  EXPECT_EQ(XF(0, 0), 0);
  EXPECT_EQ(XF(0, 1), 0);
  EXPECT_EQ(XF(2, 1), bold);
  EXPECT_EQ(xfs.GetRefCount(bold), 4);
  EXPECT_EQ(Refs(u"a1"), 1);
}

TEST_F(RangeStruct, OverlappingCopiesAndMovesGiveWhatTheSourceHeld) {
  struct Case {
    const char* name;
    const char* from;
    const char* to;
    bool copy;
    std::vector<std::string> a;  // column A, rows 1..7; A1..A3 start as 1, 2, 3
  };
  const std::vector<Case> cases = {
      // A repeated source overlapping its destination, upwards and downwards.
      {"repeat down", "A1:A3", "A2:A7", true, {"1", "1", "2", "3", "1", "2", "3"}},
      {"repeat up", "A2:A3", "A1:A5", true, {"2", "3", "2", "3", "2", "", ""}},
      // Moving a range onto itself keeps it.
      {"move onto itself", "A1:A3", "A1:A3", false, {"1", "2", "3", "", "", "", ""}},
      {"move up", "A2:A3", "A1:A2", false, {"2", "3", "", "", "", "", ""}},
      // A moved source repeated fills every repetition.
      {"move repeated", "A1", "A3:A5", false, {"", "2", "1", "1", "1", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TXLSWorkbook book;
    IXLSWorksheet* s = book.GetWorksheets()->Add();
    for (int r = 1; r <= 3; ++r) s->Range("A" + std::to_string(r))->SetValue(TVariant(std::to_string(r)));
    Ref<IXLSRange> to = s->Range(c.to);
    if (c.copy) s->Range(c.from)->Copy(to.get());
    else s->Range(c.from)->Move(to.get());
    std::vector<std::string> a;
    for (int r = 1; r <= 7; ++r) {
      const TVariant v = s->Range("A" + std::to_string(r))->GetValue();
      a.push_back(v.IsEmptyOrNull() ? "" : v.AsString());
    }
    EXPECT_EQ(a, c.a);
    TXLSStringTable& t = book.StringTable();
    for (const char* text : {"1", "2", "3"})
      EXPECT_EQ(t.GetRefCount(t.GetHashValue(std::u16string(1, static_cast<char16_t>(text[0])))),
                std::count(a.begin(), a.end(), std::string(text)))
          << text;
  }
}

TEST_F(RangeStruct, PasteFlagsChooseWhatIsCarried) {
  const std::int32_t bold = Bold();
  struct Case {
    std::int32_t flags;
    bool value, format, width, numFormat;
  };
  const std::vector<Case> cases = {
      {xlPasteValues, true, false, false, false},
      {xlPasteFormats, false, true, false, false},
      {xlPasteColumnWidths, false, false, true, false},
      {xlPasteNumberFormats, false, false, false, true},
      {xlPasteDefault, true, true, true, false},
  };
  IXLSWorksheet* other = wb.GetWorksheets()->Add();
  Set("A1", TVariant("src"));
  R("A1").GetFont()->SetBold(true);
  R("A1").SetColumnWidth(TVariant(20.0));
  R("B1").SetNumFormat("0.00");
  Set("B1", TVariant(1.5));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.flags);
    const std::string row = std::to_string(i + 1);
    // The destination already has a value and a number format of its own.
    R("D" + row, other).SetValue(TVariant("old"));
    R("D" + row, other).SetNumFormat("0%");
    R("A1:B1").Copy(&R("C" + row + ":D" + row, other), c.flags);
    EXPECT_EQ(Text("C" + row, other), c.value ? "src" : "");
    EXPECT_EQ(Text("D" + row, other), c.value ? "1.5" : "old");
    EXPECT_EQ(XF(static_cast<std::uint32_t>(i), 2, other) == bold, c.format);
    EXPECT_EQ(other->ColumnInfo().GetWidth(2) == 20.0f, c.width || i > 2);
    EXPECT_EQ(std::u16string(xfs.GetNumFormat(XF(static_cast<std::uint32_t>(i), 3, other))) == u"0.00",
              c.numFormat || c.format);
  }
  // The source is untouched by copies.
  EXPECT_EQ(Text("A1"), "src");
  EXPECT_EQ(XF(0, 0), bold);
  EXPECT_EQ(Refs(u"src"), 3);
  EXPECT_EQ(xfs.GetRefCount(bold), 3);
}

// Merged areas move and copy with their cells; the destination's areas are
// dissolved first; no value is lost in a covered cell.
TEST_F(RangeStruct, MergedAreasTravelWithTheirCells) {
  struct Case {
    const char* name;
    bool copy;
    const char* from;
    const char* to;
    std::vector<std::string> merges;  // saved areas, "r1 r2 c1 c2"
    const char* ownerAt;              // where "owner" ends up
  } cases[] = {
      {"move onto itself, overlapping", false, "A1:C3", "B2:D4", {"2 3 2 3"}, "C3"},
      {"move to a free place", false, "A1:C3", "F1:H3", {"1 2 6 7"}, "G2"},
      {"copy keeps the source's area", true, "A1:C3", "F1:H3", {"1 2 1 2", "1 2 6 7"}, "G2"},
      {"copy repeats the area", true, "B2:C3", "F1:I4", {"1 2 1 2", "0 1 5 6", "0 1 7 8", "2 3 5 6", "2 3 7 8"},
       "H3"},
      {"a source cut short leaves the area out", true, "B2:C3", "F1:F4", {"1 2 1 2"}, "F3"},
  };
  for (const Case& c : cases) {
    TXLSWorkbook book;
    IXLSWorksheet* s = book.GetWorksheets()->Add();
    s->Range("B2")->SetValue(TVariant(std::string("owner")));
    s->Range("B2:C3")->Merge(false);
    // A merged area in the way at the destination is dissolved, its value kept.
    s->Range("I3")->SetValue(TVariant(std::string("other")));
    s->Range("I3:J3")->Merge(false);
    auto from = s->Range(c.from);
    auto to = s->Range(c.to);
    if (c.copy)
      from->Copy(to.get());
    else
      from->Move(to.get());
    EXPECT_EQ(s->Range(c.ownerAt)->GetValue().AsString(), "owner") << c.name;
    std::vector<std::string> saved;
    for (const auto& rec : testing::SaveRecords(book, 2))
      if (rec.type == RecNo(Rec::MERGEDCELLS))
        for (std::size_t k = 0; k < rec.Word(0); ++k)
          saved.push_back(std::to_string(rec.Word(2 + 8 * k)) + " " + std::to_string(rec.Word(4 + 8 * k)) + " " +
                          std::to_string(rec.Word(6 + 8 * k)) + " " + std::to_string(rec.Word(8 + 8 * k)));
    std::vector<std::string> want = c.merges;
    if (std::string(c.to) != "F1:I4") want.push_back("2 2 8 9");  // I3:J3 stays when not in the way
    std::sort(saved.begin(), saved.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(saved, want) << c.name;
    const std::string other = s->Range("I3")->GetValue().IsEmptyOrNull() ? "" : s->Range("I3")->GetValue().AsString();
    if (std::string(c.to) != "F1:I4") {
      EXPECT_EQ(other, "other") << c.name;
    }
  }
}

TEST_F(RangeStruct, MoveToAnotherSheetEmptiesTheSource) {
  const std::int32_t bold = Bold();
  IXLSWorksheet* other = wb.GetWorksheets()->Add();
  Set("A1", TVariant("moved"));
  Set("A2", TVariant("=1+2"));
  R("A1:A2").GetFont()->SetBold(true);
  R("A1:A2").Move(&R("B5:B6", other));
  EXPECT_EQ(Text("B5", other), "moved");
  EXPECT_EQ(Text("B6", other), "=1+2");
  EXPECT_EQ(Text("A1"), "");
  EXPECT_EQ(Text("A2"), "");
  EXPECT_EQ(XF(0, 0), 0);
  EXPECT_EQ(XF(4, 1, other), bold);
  EXPECT_EQ(Refs(u"moved"), 1);
  EXPECT_EQ(xfs.GetRefCount(bold), 2);
}

TEST_F(RangeStruct, RangeOfAnotherWorkbookIsIgnored) {
  TXLSWorkbook book;
  IXLSWorksheet* s = book.GetWorksheets()->Add();
  s->Range("A1")->SetValue(TVariant("elsewhere"));
  s->Range("A1")->Copy(&R("A1"));
  EXPECT_EQ(Text("A1"), "");
  EXPECT_EQ(Refs(u"elsewhere"), 0);
}

// Writes sheets after insert, delete, copy and merge for the xlrd read-back
// (tests/range/test_structural_interop.py) into TABLIREX_STRUCT_SAMPLES.
TEST(RangeStructSamples, Write) {
  const char* dir = std::getenv("TABLIREX_STRUCT_SAMPLES");
  if (!dir) GTEST_SKIP() << "TABLIREX_STRUCT_SAMPLES not set";
  for (const std::int32_t format : {1, 2}) {
    TXLSWorkbook wb;
    IXLSWorksheet* s = wb.GetWorksheets()->Add();
    s->SetWorkSheetName("Ops");
    for (int r = 1; r <= 10; ++r) {
      s->Range("A" + std::to_string(r))->SetValue(TVariant("row " + std::to_string(r)));
      s->Range("B" + std::to_string(r))->SetValue(TVariant(static_cast<double>(r)));
    }
    s->Range("A1:B1")->GetFont()->SetBold(true);
    s->Range("A3:IV3")->Delete(0);                   // rows 4..10 move up: A3 = "row 4"
    s->Range("A5:IV6")->Insert(0);                   // rows 5..9 move down by two
    s->Range("A1:B2")->Copy(s->Range("D1:E5").get());  // repeated: D1..D5 = row 1, row 2, row 1, ...
    s->Range("D7")->SetValue(TVariant("merged"));
    s->Range("D7:E8")->Merge(false);
    s->Range("B1")->SetColumnWidth(TVariant(15.0));
    s->Range("B1")->Copy(s->Range("G1").get(), xlPasteColumnWidths | xlPasteValues);
    IXLSWorksheet* t = wb.GetWorksheets()->Add();
    t->SetWorkSheetName("Moved");
    s->Range("A1:B2")->Move(t->Range("C3:D4").get());
    const std::string path = std::string(dir) + "/struct" + std::to_string(format) + ".xls";
    ASSERT_EQ(wb.SaveAs(path, format), 1) << path;
  }
}

}  // namespace
}  // namespace tablirex
