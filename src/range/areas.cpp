#include "range/areas.h"

#include <algorithm>

#include "tablirex/addressing.h"

namespace tablirex {

std::string AreaText(const TXLSArea& a) {
  const auto r1 = static_cast<std::uint32_t>(a.row1), r2 = static_cast<std::uint32_t>(a.row2);
  const auto c1 = static_cast<std::uint16_t>(a.col1), c2 = static_cast<std::uint16_t>(a.col2);
  return a.row1 == a.row2 && a.col1 == a.col2 ? EncodeCellRef(r1, c1) : EncodeCellRange(r1, c1, r2, c2);
}

std::string AreaListText(const TXLSAreaList& areas) {
  std::string s;
  for (const TXLSArea& a : areas) {
    if (!s.empty()) s += ' ';
    s += AreaText(a);
  }
  return s;
}

TXLSArea BoundingArea(const TXLSAreaList& areas) noexcept {
  TXLSArea b = areas.front();
  for (const TXLSArea& a : areas) {
    b.row1 = std::min(b.row1, a.row1);
    b.col1 = std::min(b.col1, a.col1);
    b.row2 = std::max(b.row2, a.row2);
    b.col2 = std::max(b.col2, a.col2);
  }
  return b;
}

bool AreasContain(const TXLSAreaList& areas, std::uint32_t row, std::uint32_t col) noexcept {
  for (const TXLSArea& a : areas)
    if (a.Contains(row, col)) return true;
  return false;
}

void SubtractArea(const TXLSArea& a, const TXLSArea& cut, TXLSAreaList& out) {
  if (!a.Intersects(cut)) {
    out.push_back(a);
    return;
  }
  // The rows above and below the cut, whole; then the columns left and right of
  // it, within the rows it spans.
  if (a.row1 < cut.row1) out.push_back({a.row1, a.col1, cut.row1 - 1, a.col2});
  if (a.row2 > cut.row2) out.push_back({cut.row2 + 1, a.col1, a.row2, a.col2});
  const std::uint32_t r1 = std::max(a.row1, cut.row1), r2 = std::min(a.row2, cut.row2);
  if (a.col1 < cut.col1) out.push_back({r1, a.col1, r2, cut.col1 - 1});
  if (a.col2 > cut.col2) out.push_back({r1, cut.col2 + 1, r2, a.col2});
}

void SubtractFromList(TXLSAreaList& areas, const TXLSArea& cut) {
  TXLSAreaList out;
  out.reserve(areas.size());
  for (const TXLSArea& a : areas) SubtractArea(a, cut, out);
  areas = std::move(out);
}

namespace {

// The shift along one dimension: positions at or past `from` move by `by`
// (inserting) or positions first..last go and those past them move back.
struct TAxis {
  bool insert;
  std::uint32_t first, last;  // the inserted or deleted span
  std::uint32_t limit;        // last position of the sheet
};

// Maps a span [a, b] of the moving dimension; false when nothing is left of it.
bool MapSpan(const TAxis& x, bool inherit, std::uint32_t& a, std::uint32_t& b) {
  const std::uint32_t f = x.first, n = x.last - x.first + 1;
  if (x.insert) {
    // The position the inserted cells take their format from (before the shift).
    const std::uint32_t from = f > 0 ? f - 1 : f;
    std::uint64_t na = a, nb = b;
    if (a >= f) na += n;
    if (b >= f) nb += n;
    if ((a < f && b >= f) || (inherit && a <= from && b >= from)) {
      na = std::min<std::uint64_t>(na, f);
      nb = std::uint64_t{b} + n;
    }
    if (na > x.limit) return false;
    a = static_cast<std::uint32_t>(na);
    b = static_cast<std::uint32_t>(std::min<std::uint64_t>(nb, x.limit));
    return true;
  }
  if (b < f) return true;
  if (a > x.last) {
    a -= n;
    b -= n;
    return true;
  }
  if (a >= f && b <= x.last) return false;  // wholly deleted
  const std::uint32_t na = a < f ? a : f;
  const std::uint32_t nb = b > x.last ? b - n : f - 1;
  a = na;
  b = nb;
  return true;
}

}  // namespace

bool ShiftCell(const TXLSCellShift& s, std::uint32_t& row, std::uint32_t& col) noexcept {
  const TXLSArea& k = s.block;
  switch (s.kind) {
    case TXLSCellShift::Kind::InsertDown:
      if (col < k.col1 || col > k.col2 || row < k.row1) return true;
      if (std::uint64_t{row} + (k.row2 - k.row1 + 1) > s.lastRow) return false;
      row += k.row2 - k.row1 + 1;
      return true;
    case TXLSCellShift::Kind::InsertRight:
      if (row < k.row1 || row > k.row2 || col < k.col1) return true;
      if (std::uint64_t{col} + (k.col2 - k.col1 + 1) > s.lastCol) return false;
      col += k.col2 - k.col1 + 1;
      return true;
    case TXLSCellShift::Kind::DeleteUp:
      if (col < k.col1 || col > k.col2 || row < k.row1) return true;
      if (row <= k.row2) return false;
      row -= k.row2 - k.row1 + 1;
      return true;
    case TXLSCellShift::Kind::DeleteLeft:
      if (row < k.row1 || row > k.row2 || col < k.col1) return true;
      if (col <= k.col2) return false;
      col -= k.col2 - k.col1 + 1;
      return true;
  }
  return true;
}

void ShiftArea(const TXLSCellShift& s, const TXLSArea& a, bool inherit, TXLSAreaList& out) {
  const bool vertical = s.kind == TXLSCellShift::Kind::InsertDown || s.kind == TXLSCellShift::Kind::DeleteUp;
  const bool insert = s.kind == TXLSCellShift::Kind::InsertDown || s.kind == TXLSCellShift::Kind::InsertRight;
  const TXLSArea& k = s.block;
  // The cross dimension: only the part of a beside the block moves (the block's
  // columns for a vertical shift, its rows for a horizontal one).
  const std::uint32_t across1 = vertical ? k.col1 : k.row1, across2 = vertical ? k.col2 : k.row2;
  const std::uint32_t a1 = vertical ? a.col1 : a.row1, a2 = vertical ? a.col2 : a.row2;
  if (a2 < across1 || a1 > across2) {
    out.push_back(a);
    return;
  }
  const auto make = [&](std::uint32_t x1, std::uint32_t x2, std::uint32_t y1, std::uint32_t y2) {
    // x along the shift, y across it.
    return vertical ? TXLSArea{x1, y1, x2, y2} : TXLSArea{y1, x1, y2, x2};
  };
  const std::uint32_t along1 = vertical ? a.row1 : a.col1, along2 = vertical ? a.row2 : a.col2;
  // The parts beside the block stay as they are.
  if (a1 < across1) out.push_back(make(along1, along2, a1, across1 - 1));
  if (a2 > across2) out.push_back(make(along1, along2, across2 + 1, a2));
  const TAxis axis{insert, vertical ? k.row1 : k.col1, vertical ? k.row2 : k.col2,
                   vertical ? s.lastRow : s.lastCol};
  std::uint32_t x1 = along1, x2 = along2;
  if (MapSpan(axis, inherit, x1, x2)) out.push_back(make(x1, x2, std::max(a1, across1), std::min(a2, across2)));
}

void ShiftList(const TXLSCellShift& s, TXLSAreaList& areas, bool inherit) {
  TXLSAreaList out;
  out.reserve(areas.size());
  for (const TXLSArea& a : areas) ShiftArea(s, a, inherit, out);
  areas = std::move(out);
}

void PasteArea(const TXLSPaste& p, const TXLSArea& a, TXLSAreaList& out) {
  if (!a.Intersects(p.source)) return;
  // The part in the source, relative to its corner.
  const std::uint32_t r1 = std::max(a.row1, p.source.row1) - p.source.row1;
  const std::uint32_t r2 = std::min(a.row2, p.source.row2) - p.source.row1;
  const std::uint32_t c1 = std::max(a.col1, p.source.col1) - p.source.col1;
  const std::uint32_t c2 = std::min(a.col2, p.source.col2) - p.source.col1;
  const std::uint32_t rows = p.source.row2 - p.source.row1 + 1, cols = p.source.col2 - p.source.col1 + 1;
  for (std::uint32_t ti = p.dest.row1; ti <= p.dest.row2; ti += rows)
    for (std::uint32_t tj = p.dest.col1; tj <= p.dest.col2; tj += cols) {
      if (ti + r1 > p.dest.row2 || tj + c1 > p.dest.col2) continue;
      out.push_back({ti + r1, tj + c1, std::min(ti + r2, p.dest.row2), std::min(tj + c2, p.dest.col2)});
    }
}

}  // namespace tablirex
