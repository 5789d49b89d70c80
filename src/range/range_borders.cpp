// Range borders. A line between two neighbouring cells is kept on one of the two:
// drawing it there removes the other cell's half, so that the two never disagree.
// Edges are walked cell pair by cell pair; reading an edge looks at its first pair.
#include <cstdint>

#include "cells/cell_store.h"
#include "formats/xf_list.h"
#include "range/range_impl.h"
#include "range/xf_memo.h"
#include "tablirex/colors.h"
#include "tablirex/lines.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {

/// One run along an edge: the conversion of the cells that get the line and of
/// the cells that lose their half of it.
struct TXLSRange::TBorderRun {
  TXFMemo draw;
  TXFMemo erase;
};

namespace {

bool InSheet(std::int32_t row, std::int32_t col) noexcept {
  return row >= 0 && row <= XLSXMaxRow && col >= 0 && col <= XLSXMaxCol;
}

// The side of A and of B that faces the other cell.
std::uint8_t SideOfA(bool vertical) noexcept { return vertical ? xlsBorderRight : xlsBorderBottom; }
std::uint8_t SideOfB(bool vertical) noexcept { return vertical ? xlsBorderLeft : xlsBorderTop; }

// What an edge getter returns when there is no pair to look at.
constexpr std::int32_t kNoColor = 0;
constexpr std::int32_t kNoWeight = xlThin;

enum What { kColor = 0, kStyle = 1, kWeight = 2 };

std::int32_t NoLine(int what) noexcept {
  return what == kColor ? kNoColor : what == kStyle ? xlLineStyleNone : kNoWeight;
}

// The border index of the object model that names one edge, or -1.
std::int32_t EdgeIndex(TXLSEdge e) noexcept {
  switch (e) {
    case TXLSEdge::Left: return 7;
    case TXLSEdge::Top: return 8;
    case TXLSEdge::Bottom: return 9;
    case TXLSEdge::Right: return 10;
    case TXLSEdge::VerticalInside: return 11;
    case TXLSEdge::HorizontalInside: return 12;
  }
  return -1;
}

// The edge a border getter reads for an index (the outline reads its top edge,
// the inside lines their vertical ones); false for an index that names none.
bool EdgeToRead(std::int32_t index, TXLSEdge& edge) noexcept {
  switch (index) {
    case 7: edge = TXLSEdge::Left; return true;
    case 8: case 13: edge = TXLSEdge::Top; return true;
    case 9: edge = TXLSEdge::Bottom; return true;
    case 10: edge = TXLSEdge::Right; return true;
    case 11: case 14: edge = TXLSEdge::VerticalInside; return true;
    case 12: edge = TXLSEdge::HorizontalInside; return true;
    default: return false;
  }
}

}  // namespace

// ---- the cell pair ------------------------------------------------------------------------------

void TXLSRange::SetCellPair(std::int32_t rowA, std::int32_t colA, std::int32_t rowB, std::int32_t colB,
                            bool vertical, bool onA, const TVariant& value, TSetXFBorderProperty setter,
                            TBorderRun& run) {
  if (Dead()) return;
  TXLSXFList& xfs = sheet_->Workbook().XFList();
  TXLSCellHeap& store = sheet_->Cells();
  // The cell that keeps the line, and the one whose half is taken away.
  const std::int32_t rowOn = onA ? rowA : rowB, colOn = onA ? colA : colB;
  const std::int32_t rowOff = onA ? rowB : rowA, colOff = onA ? colB : colA;
  const std::uint8_t sideOn = onA ? SideOfA(vertical) : SideOfB(vertical);
  const std::uint8_t sideOff = onA ? SideOfB(vertical) : SideOfA(vertical);

  if (InSheet(rowOn, colOn)) {
    TXLSCellRef* cell = store.GetOrCreateValue(static_cast<std::uint32_t>(rowOn), static_cast<std::uint32_t>(colOn));
    bool own;
    const std::int32_t shown = ShownXF(*cell, own);
    cell->XF = run.draw.Apply(xfs, shown, own, [&](std::int32_t xf, bool replace) {
      return (xfs.*setter)(xf, sideOn, value, replace);
    });
  }
  if (InSheet(rowOff, colOff)) {
    if (TXLSCellRef* cell = store.GetValue(static_cast<std::uint32_t>(rowOff), static_cast<std::uint32_t>(colOff))) {
      static const TVariant kNone(static_cast<std::int32_t>(xlLineStyleNone));
      bool own;
      const std::int32_t shown = ShownXF(*cell, own);
      cell->XF = run.erase.Apply(xfs, shown, own, [&](std::int32_t xf, bool replace) {
        return xfs.SetBorderLineStyle(xf, sideOff, kNone, replace);
      });
    }
  }
}

void TXLSRange::SetCellXFBorderProperty(std::int32_t rowA, std::int32_t colA, std::int32_t rowB,
                                        std::int32_t colB, bool vertical, bool onA, const TVariant& value,
                                        TSetXFBorderProperty setter) {
  if (Dead()) return;
  TBorderRun run;
  SetCellPair(rowA, colA, rowB, colB, vertical, onA, value, setter, run);
}

void TXLSRange::SetCellBorderColorIndex(std::int32_t rowA, std::int32_t colA, std::int32_t rowB,
                                        std::int32_t colB, bool vertical, bool onA, std::uint32_t value) {
  if (Dead()) return;
  SetCellXFBorderProperty(rowA, colA, rowB, colB, vertical, onA, TVariant::OfInteger(varLongWord, value),
                          &TXLSXFList::SetBorderColorIndex);
}

void TXLSRange::SetCellBorderLineStyle(std::int32_t rowA, std::int32_t colA, std::int32_t rowB,
                                       std::int32_t colB, bool vertical, bool onA, std::uint32_t value) {
  if (Dead()) return;
  SetCellXFBorderProperty(rowA, colA, rowB, colB, vertical, onA, TVariant::OfInteger(varLongWord, value),
                          &TXLSXFList::SetBorderLineStyle);
}

void TXLSRange::SetCellBorderLineWeight(std::int32_t rowA, std::int32_t colA, std::int32_t rowB,
                                        std::int32_t colB, bool vertical, bool onA, std::uint32_t value) {
  if (Dead()) return;
  SetCellXFBorderProperty(rowA, colA, rowB, colB, vertical, onA, TVariant::OfInteger(varLongWord, value),
                          &TXLSXFList::SetBorderWeight);
}

std::int32_t TXLSRange::GetCellBorder(std::int32_t rowA, std::int32_t colA, std::int32_t rowB, std::int32_t colB,
                                      bool vertical, int what) {
  if (Dead()) return {};
  TXLSXFList& xfs = sheet_->Workbook().XFList();
  // A cell takes part when it lies in the sheet and its format carries borders.
  struct Half {
    bool on = false;
    std::int32_t xf = 0;
    std::uint8_t side = 0;
  };
  const auto half = [&](std::int32_t row, std::int32_t col, std::uint8_t side) {
    Half h;
    if (!InSheet(row, col)) return h;
    bool own;
    h.xf = GetXFIndex(row, col, own);
    h.on = xfs.GetBordersDefined(h.xf);
    h.side = side;
    return h;
  };
  const Half a = half(rowA, colA, SideOfA(vertical));
  const Half b = half(rowB, colB, SideOfB(vertical));
  const auto style = [&](const Half& h) { return xfs.GetBorderLineStyle(h.xf, h.side); };
  switch (what) {
    case kStyle:
      if (a.on && style(a) != xlLineStyleNone) return style(a);
      return b.on ? style(b) : xlLineStyleNone;
    case kWeight:
      if (a.on && xfs.GetBorderWeight(a.xf, a.side) != xlThin) return xfs.GetBorderWeight(a.xf, a.side);
      return b.on ? xfs.GetBorderWeight(b.xf, b.side) : xlThin;
    default:
      if (a.on && style(a) != xlLineStyleNone) return xfs.GetBorderColorIndex(a.xf, a.side);
      if (b.on && style(b) != xlLineStyleNone) return xfs.GetBorderColorIndex(b.xf, b.side);
      return xlColorIndexNone;
  }
}

std::int32_t TXLSRange::GetCellBorderColorIndex(std::int32_t rowA, std::int32_t colA, std::int32_t rowB,
                                                std::int32_t colB, bool vertical) {
  if (Dead()) return {};
  return GetCellBorder(rowA, colA, rowB, colB, vertical, kColor);
}

std::int32_t TXLSRange::GetCellBorderLineStyle(std::int32_t rowA, std::int32_t colA, std::int32_t rowB,
                                               std::int32_t colB, bool vertical) {
  if (Dead()) return {};
  return GetCellBorder(rowA, colA, rowB, colB, vertical, kStyle);
}

std::int32_t TXLSRange::GetCellBorderLineWeight(std::int32_t rowA, std::int32_t colA, std::int32_t rowB,
                                                std::int32_t colB, bool vertical) {
  if (Dead()) return {};
  return GetCellBorder(rowA, colA, rowB, colB, vertical, kWeight);
}

// ---- edges --------------------------------------------------------------------------------------

void TXLSRange::SetEdge(TXLSEdge edge, std::uint32_t value, TSetXFBorderProperty setter) {
  if (Dead()) return;
  const TVariant v = TVariant::OfInteger(varLongWord, value);
  const std::int32_t r1 = MinRow(), r2 = MaxRow(), c1 = MinCol(), c2 = MaxCol();
  TBorderRun run;
  switch (edge) {
    case TXLSEdge::Left:
      for (std::int32_t r = r1; r <= r2; ++r) SetCellPair(r, c1 - 1, r, c1, true, false, v, setter, run);
      break;
    case TXLSEdge::Right:
      for (std::int32_t r = r1; r <= r2; ++r) SetCellPair(r, c2, r, c2 + 1, true, true, v, setter, run);
      break;
    case TXLSEdge::Top:
      for (std::int32_t c = c1; c <= c2; ++c) SetCellPair(r1 - 1, c, r1, c, false, false, v, setter, run);
      break;
    case TXLSEdge::Bottom:
      for (std::int32_t c = c1; c <= c2; ++c) SetCellPair(r2, c, r2 + 1, c, false, true, v, setter, run);
      break;
    case TXLSEdge::VerticalInside:
      for (std::int32_t c = c1; c < c2; ++c)
        for (std::int32_t r = r1; r <= r2; ++r) SetCellPair(r, c, r, c + 1, true, true, v, setter, run);
      break;
    case TXLSEdge::HorizontalInside:
      for (std::int32_t r = r1; r < r2; ++r)
        for (std::int32_t c = c1; c <= c2; ++c) SetCellPair(r, c, r + 1, c, false, true, v, setter, run);
      break;
  }
}

void TXLSRange::SetEdgeColorIndex(TXLSEdge edge, std::uint32_t value) {
  if (Dead()) return;
  SetEdge(edge, value, &TXLSXFList::SetBorderColorIndex);
}
void TXLSRange::SetEdgeLineStyle(TXLSEdge edge, std::uint32_t value) {
  if (Dead()) return;
  SetEdge(edge, value, &TXLSXFList::SetBorderLineStyle);
}
void TXLSRange::SetEdgeWeight(TXLSEdge edge, std::uint32_t value) {
  if (Dead()) return;
  SetEdge(edge, value, &TXLSXFList::SetBorderWeight);
}

namespace {

// The first cell pair of an edge: A, B and the direction. False for an inside
// line of a range one column (or one row) wide.
struct Pair {
  std::int32_t rowA, colA, rowB, colB;
  bool vertical;
};

bool FirstPair(TXLSEdge edge, std::int32_t r1, std::int32_t r2, std::int32_t c1, std::int32_t c2, Pair& p) {
  switch (edge) {
    case TXLSEdge::Left: p = {r1, c1 - 1, r1, c1, true}; return true;
    case TXLSEdge::Right: p = {r1, c2, r1, c2 + 1, true}; return true;
    case TXLSEdge::Top: p = {r1 - 1, c1, r1, c1, false}; return true;
    case TXLSEdge::Bottom: p = {r2, c1, r2 + 1, c1, false}; return true;
    case TXLSEdge::VerticalInside:
      p = {r1, c1, r1, c1 + 1, true};
      return c2 > c1;
    case TXLSEdge::HorizontalInside:
      p = {r1, c1, r1 + 1, c1, false};
      return r2 > r1;
  }
  return false;
}

}  // namespace

std::int32_t TXLSRange::GetEdgeColorIndex(TXLSEdge edge) {
  if (Dead()) return {};
  Pair p;
  if (!FirstPair(edge, MinRow(), MaxRow(), MinCol(), MaxCol(), p)) return NoLine(kColor);
  return GetCellBorder(p.rowA, p.colA, p.rowB, p.colB, p.vertical, kColor);
}

std::int32_t TXLSRange::GetEdgeLineStyle(TXLSEdge edge) {
  if (Dead()) return {};
  Pair p;
  if (!FirstPair(edge, MinRow(), MaxRow(), MinCol(), MaxCol(), p)) return NoLine(kStyle);
  return GetCellBorder(p.rowA, p.colA, p.rowB, p.colB, p.vertical, kStyle);
}

std::int32_t TXLSRange::GetEdgeWeight(TXLSEdge edge) {
  if (Dead()) return {};
  Pair p;
  if (!FirstPair(edge, MinRow(), MaxRow(), MinCol(), MaxCol(), p)) return NoLine(kWeight);
  return GetCellBorder(p.rowA, p.colA, p.rowB, p.colB, p.vertical, kWeight);
}

// ---- border indices of the object model ----------------------------------------------------------

namespace {

// The edges a border setter draws for an index, in order; the outline's order
// depends on the property (weights go left first).
template <class F>
void ForEdgesToSet(std::int32_t index, bool weight, F&& f) {
  switch (index) {
    case 13:
      if (weight) {
        f(TXLSEdge::Left);
        f(TXLSEdge::Top);
      } else {
        f(TXLSEdge::Top);
        f(TXLSEdge::Left);
      }
      f(TXLSEdge::Bottom);
      f(TXLSEdge::Right);
      return;
    case 14:
      f(TXLSEdge::VerticalInside);
      f(TXLSEdge::HorizontalInside);
      return;
    default:
      for (const TXLSEdge e : {TXLSEdge::Left, TXLSEdge::Right, TXLSEdge::Top, TXLSEdge::Bottom,
                               TXLSEdge::VerticalInside, TXLSEdge::HorizontalInside})
        if (EdgeIndex(e) == index) f(e);
  }
}

}  // namespace

void TXLSRange::SetBorderColorIndex(std::int32_t index, std::uint32_t value) {
  if (Dead()) return;
  ForEdgesToSet(index, false, [&](TXLSEdge e) { SetEdgeColorIndex(e, value); });
}

void TXLSRange::SetBorderLineStyle(std::int32_t index, std::uint32_t value) {
  if (Dead()) return;
  ForEdgesToSet(index, false, [&](TXLSEdge e) { SetEdgeLineStyle(e, value); });
}

void TXLSRange::SetBorderWeight(std::int32_t index, std::uint32_t value) {
  if (Dead()) return;
  ForEdgesToSet(index, true, [&](TXLSEdge e) { SetEdgeWeight(e, value); });
}

std::int32_t TXLSRange::GetBorderColorIndex(std::int32_t index) {
  if (Dead()) return {};
  TXLSEdge e;
  return EdgeToRead(index, e) ? GetEdgeColorIndex(e) : NoLine(kColor);
}

std::int32_t TXLSRange::GetBorderLineStyle(std::int32_t index) {
  if (Dead()) return {};
  TXLSEdge e;
  return EdgeToRead(index, e) ? GetEdgeLineStyle(e) : NoLine(kStyle);
}

std::int32_t TXLSRange::GetBorderWeight(std::int32_t index) {
  if (Dead()) return {};
  TXLSEdge e;
  return EdgeToRead(index, e) ? GetEdgeWeight(e) : NoLine(kWeight);
}

}  // namespace tablirex
