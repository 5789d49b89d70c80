// Outline grouping: rows and columns grouped into levels 1 … 7, groups
// collapsed and expanded, the sheet's summary settings, and the GUTS and WSBOOL
// records.
//
// A group at level L is a run of neighbouring rows (columns) whose levels are
// all L or deeper. Its summary row is the row right after it (or right before
// it, with summary rows above): collapsing the group hides its rows and marks
// the summary row collapsed, as the file format and the readers expect.
#include "cells/outline.h"

#include <algorithm>
#include <string>

#include "biff/blob.h"
#include "biff/records.h"
#include "cells/rowcol.h"
#include "layout/page_setup.h"
#include "range/range_impl.h"
#include "tablirex/addressing.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

// WSBOOL bits: automatic page breaks shown, outline symbols shown; fit to page;
// summary rows below, summary columns right of their groups.
constexpr std::uint16_t kWsboolBase = 0x0401;
constexpr std::uint16_t kWsboolFitToPage = 0x0100;
constexpr std::uint16_t kWsboolSummaryBelow = 0x0040;
constexpr std::uint16_t kWsboolSummaryRight = 0x0080;
// Width of the outline gutter in pixels: room for the buttons of each level.
constexpr std::uint16_t GutterPixels(std::uint8_t levels) noexcept {
  return levels == 0 ? 0 : static_cast<std::uint16_t>(14 * levels + 15);
}

// The rows or the columns of a sheet, as the outline operations see them.
class TAxis {
 public:
  TAxis(IXLSWorksheet& sheet, bool rows) : sheet_(sheet), rows_(rows) {}

  bool Rows() const noexcept { return rows_; }
  std::int32_t Last() const noexcept { return rows_ ? XLSXMaxRow : XLSXMaxCol; }
  bool SummaryAfter() const noexcept { return rows_ ? sheet_.SummaryRowsBelow() : sheet_.SummaryColumnsRight(); }

  std::uint8_t Level(std::int32_t i) const noexcept {
    if (i < 0 || i > Last()) return 0;
    if (rows_) {
      const TXLSRowInfo* r = sheet_.RowInfo().GetRowInfo(i);
      return r ? r->OutlineLevel : 0;
    }
    const TXLSColumnInfo* c = std::as_const(sheet_.ColumnInfo()).GetColumnInfo(i);
    return c ? c->OutlineLevel : 0;
  }
  bool Collapsed(std::int32_t i) const noexcept {
    if (i < 0 || i > Last()) return false;
    if (rows_) {
      const TXLSRowInfo* r = sheet_.RowInfo().GetRowInfo(i);
      return r && r->Collapsed;
    }
    const TXLSColumnInfo* c = std::as_const(sheet_.ColumnInfo()).GetColumnInfo(i);
    return c && c->Collapsed;
  }
  bool Hidden(std::int32_t i) const noexcept {
    return rows_ ? sheet_.RowInfo().GetHidden(i) : sheet_.ColumnInfo().GetHidden(i);
  }
  void SetLevel(std::int32_t i, std::uint8_t level) {
    if (rows_) {
      if (TXLSRowInfo* r = sheet_.RowInfo().GetOrCreateRowInfo(i)) r->OutlineLevel = level;
    } else if (TXLSColumnInfo* c = sheet_.ColumnInfo().CreateColumnInfo(i)) {
      c->OutlineLevel = level;
    }
  }
  void SetHidden(std::int32_t i, bool hidden) {
    if (Hidden(i) == hidden) return;
    if (rows_)
      sheet_.RowInfo().SetHidden(i, hidden);
    else
      sheet_.ColumnInfo().SetHidden(i, hidden);
  }
  // Marks only rows that exist; clearing never creates a record.
  void SetCollapsed(std::int32_t i, bool collapsed) {
    if (i < 0 || i > Last() || Collapsed(i) == collapsed) return;
    if (rows_) {
      if (TXLSRowInfo* r = sheet_.RowInfo().GetOrCreateRowInfo(i)) r->Collapsed = collapsed;
    } else if (TXLSColumnInfo* c = sheet_.ColumnInfo().CreateColumnInfo(i)) {
      c->Collapsed = collapsed;
    }
  }
  // The rows (columns) with a record: the only ones that can be grouped.
  std::int32_t FirstKept() const noexcept {
    return rows_ ? sheet_.RowInfo().GetFirstRow() : sheet_.ColumnInfo().GetFirstCol();
  }
  std::int32_t LastKept() const noexcept {
    const std::int32_t n = rows_ ? sheet_.RowInfo().GetCount() : sheet_.ColumnInfo().GetCount();
    if (n == 0) return -1;
    return rows_ ? sheet_.RowInfo().GetLastRow() : sheet_.ColumnInfo().GetLastCol();
  }

  // "rows 2 to 5", "column B", as people count them.
  std::string Name(std::int32_t first, std::int32_t last) const {
    const auto one = [&](std::int32_t i) {
      if (rows_) return std::to_string(i + 1);
      std::string ref = EncodeCellRef(0, static_cast<std::uint8_t>(i));
      ref.pop_back();  // the row number 1
      return ref;
    };
    if (first == last) return std::string(rows_ ? "row " : "column ") + one(first);
    return std::string(rows_ ? "rows " : "columns ") + one(first) + " to " + one(last);
  }

 private:
  IXLSWorksheet& sheet_;
  bool rows_;
};

struct TGroup {
  std::int32_t first = -1, last = -1;
  std::int32_t level = 0;
  bool Found() const noexcept { return level > 0; }
};

// The run of level `level` or deeper that holds first … last.
TGroup RunAround(const TAxis& axis, std::int32_t first, std::int32_t last, std::int32_t level) {
  TGroup g{first, last, level};
  while (g.first > 0 && axis.Level(g.first - 1) >= level) --g.first;
  while (g.last < axis.Last() && axis.Level(g.last + 1) >= level) ++g.last;
  return g;
}

// The summary row (column) of a group; -1 when the group reaches the sheet's edge.
std::int32_t SummaryOf(const TAxis& axis, const TGroup& g) {
  const std::int32_t s = axis.SummaryAfter() ? g.last + 1 : g.first - 1;
  return s >= 0 && s <= axis.Last() ? s : -1;
}

// The group an outline operation on first … last acts on: for one summary row,
// the group it summarises; otherwise the shallowest group holding them all.
TGroup GroupOf(const TAxis& axis, std::int32_t first, std::int32_t last) {
  if (first == last) {
    const std::int32_t inner = axis.SummaryAfter() ? first - 1 : first + 1;
    const std::int32_t level = axis.Level(first);
    if (axis.Level(inner) > level) return RunAround(axis, inner, inner, level + 1);
  }
  std::int32_t level = kMaxOutlineLevel;
  for (std::int32_t i = first; i <= last && level > 0; ++i) level = std::min<std::int32_t>(level, axis.Level(i));
  if (level == 0) return TGroup{};
  return RunAround(axis, first, last, level);
}

// Shows the rows of a group of level `level` except those of the deeper groups
// within it that stay collapsed.
void Expand(TAxis& axis, std::int32_t first, std::int32_t last, std::int32_t level) {
  for (std::int32_t i = first; i <= last;) {
    if (axis.Level(i) <= level) {
      axis.SetHidden(i, false);
      ++i;
      continue;
    }
    const TGroup inner = RunAround(axis, i, i, level + 1);
    const std::int32_t end = std::min(inner.last, last);
    const std::int32_t summary = SummaryOf(axis, inner);
    if (summary < 0 || !axis.Collapsed(summary)) Expand(axis, i, end, level + 1);
    i = end + 1;
  }
}

void Collapse(TAxis& axis, const TGroup& g) {
  for (std::int32_t i = g.first; i <= g.last; ++i) axis.SetHidden(i, true);
  axis.SetCollapsed(SummaryOf(axis, g), true);
}

// Shows the levels below `levels` (1 … 8) and collapses every group at that
// level or deeper.
void ShowAxisLevels(TAxis& axis, std::int32_t levels) {
  const std::int32_t first = axis.FirstKept(), last = axis.LastKept();
  if (last < 0) return;
  for (std::int32_t i = first; i <= last; ++i) {
    const std::uint8_t level = axis.Level(i);
    if (level > 0) axis.SetHidden(i, level >= levels);
    axis.SetCollapsed(i, false);
  }
  // A summary row just past the kept rows.
  axis.SetCollapsed(first - 1, false);
  axis.SetCollapsed(last + 1, false);
  for (std::int32_t level = std::max(levels, 1); level <= kMaxOutlineLevel; ++level)
    for (std::int32_t i = first; i <= last; ++i) {
      if (axis.Level(i) < level) continue;
      const TGroup g = RunAround(axis, i, i, level);
      axis.SetCollapsed(SummaryOf(axis, g), true);
      i = g.last;
    }
}

class TXLSOutline final : public IXLSOutline {
 public:
  explicit TXLSOutline(TXLSSheetLink* link) : IXLSOutline(true), link_(link) {}

  std::int32_t GetSummaryRow() override {
    IXLSWorksheet* s = link_->Sheet();
    return !s || s->SummaryRowsBelow() ? xlSummaryBelow : xlSummaryAbove;
  }
  void SetSummaryRow(std::int32_t where) override {
    IXLSWorksheet* s = link_->Sheet();
    if (!s) return;
    if (where != xlSummaryBelow && where != xlSummaryAbove) {
      (void)s->Workbook().Refuse("sheet " + s->GetWorkSheetName() + ": summary row " + std::to_string(where) +
                                 " is neither 1 (below) nor 0 (above)");
      return;
    }
    s->SetSummaryRowsBelow(where == xlSummaryBelow);
  }
  std::int32_t GetSummaryColumn() override {
    IXLSWorksheet* s = link_->Sheet();
    return !s || s->SummaryColumnsRight() ? xlSummaryOnRight : xlSummaryOnLeft;
  }
  void SetSummaryColumn(std::int32_t where) override {
    IXLSWorksheet* s = link_->Sheet();
    if (!s) return;
    if (where != xlSummaryOnRight && where != xlSummaryOnLeft) {
      (void)s->Workbook().Refuse("sheet " + s->GetWorkSheetName() + ": summary column " +
                                 std::to_string(where) + " is neither -4152 (right) nor -4131 (left)");
      return;
    }
    s->SetSummaryColumnsRight(where == xlSummaryOnRight);
  }
  std::int32_t ShowLevels(std::int32_t rowLevels, std::int32_t columnLevels) override {
    IXLSWorksheet* s = link_->Sheet();
    if (!s) return xlsFail;
    for (const std::int32_t n : {rowLevels, columnLevels})
      if (n < 0 || n > kMaxOutlineLevel + 1)
        return s->Workbook().Refuse("sheet " + s->GetWorkSheetName() + ": outline level " + std::to_string(n) +
                                    " to show is outside 0 to 8");
    TAxis rows(*s, true), cols(*s, false);
    if (rowLevels > 0) ShowAxisLevels(rows, rowLevels);
    if (columnLevels > 0) ShowAxisLevels(cols, columnLevels);
    return xlsOK;
  }

 private:
  Ref<TXLSSheetLink> link_;
};

}  // namespace

Ref<IXLSOutline> IXLSWorksheet::GetOutline() { return MakeRef<TXLSOutline>(link_.get()); }

// ---- the range's outline operations -----------------------------------------------

namespace {

// The axis a range's outline operation works on, and its span; false (with the
// reason left) for a range that is neither whole rows nor whole columns.
bool OutlineSpan(TXLSRange& range, const char* operation, bool& rows, std::int32_t& first, std::int32_t& last) {
  const TXLSRangeType kind = range.Kind();
  const std::int32_t type = range.GetRangeType();
  rows = kind == xlRangeRows || (kind == xlRangeCells && type == 2);
  const bool cols = kind == xlRangeColumns || (kind == xlRangeCells && type == 1);
  if (!rows && !cols) {
    range.Refuse(std::string(operation) + " " + range.FirstRef() + ":" + range.LastRef() +
                 ": outlines group whole rows (2:5) or whole columns (B:D)");
    return false;
  }
  first = rows ? range.MinRow() : range.MinCol();
  last = rows ? range.MaxRow() : range.MaxCol();
  return true;
}

}  // namespace

std::int32_t TXLSRange::Group() {
  if (Dead()) return xlsFail;
  bool rows = false;
  std::int32_t first = 0, last = 0;
  if (!OutlineSpan(*this, "Group", rows, first, last)) return xlsFail;
  TAxis axis(*Sheet(), rows);
  for (std::int32_t i = first; i <= last; ++i)
    if (axis.Level(i) >= kMaxOutlineLevel) {
      Refuse("cannot group " + axis.Name(first, last) + ": " + axis.Name(i, i) + " is grouped " +
             std::to_string(kMaxOutlineLevel) + " levels deep already, the most an outline holds");
      return xlsFail;
    }
  for (std::int32_t i = first; i <= last; ++i) axis.SetLevel(i, static_cast<std::uint8_t>(axis.Level(i) + 1));
  return xlsOK;
}

std::int32_t TXLSRange::Ungroup() {
  if (Dead()) return xlsFail;
  bool rows = false;
  std::int32_t first = 0, last = 0;
  if (!OutlineSpan(*this, "Ungroup", rows, first, last)) return xlsFail;
  TAxis axis(*Sheet(), rows);
  bool any = false;
  for (std::int32_t i = first; i <= last && !any; ++i) any = axis.Level(i) > 0;
  if (!any) {
    Refuse("cannot ungroup " + axis.Name(first, last) + ": they are in no group");
    return xlsFail;
  }
  for (std::int32_t i = first; i <= last; ++i)
    if (const std::uint8_t level = axis.Level(i); level > 0) axis.SetLevel(i, static_cast<std::uint8_t>(level - 1));
  return xlsOK;
}

TVariant TXLSRange::GetShowDetail() {
  if (Dead()) return TVariant::Null();
  bool rows = false;
  std::int32_t first = 0, last = 0;
  if (!OutlineSpan(*this, "ShowDetail", rows, first, last)) return TVariant::Null();
  TAxis axis(*Sheet(), rows);
  const TGroup g = GroupOf(axis, first, last);
  if (!g.Found()) {
    Refuse("ShowDetail: " + axis.Name(first, last) +
             (first == last ? " is in no group and summarises none" : " are in no group and summarise none"));
    return TVariant::Null();
  }
  const std::int32_t summary = SummaryOf(axis, g);
  if (summary >= 0) return TVariant(!axis.Collapsed(summary));
  bool shown = false;
  for (std::int32_t i = g.first; i <= g.last && !shown; ++i) shown = !axis.Hidden(i);
  return TVariant(shown);
}

std::int32_t TXLSRange::SetShowDetail(bool show) {
  if (Dead()) return xlsFail;
  bool rows = false;
  std::int32_t first = 0, last = 0;
  if (!OutlineSpan(*this, "ShowDetail", rows, first, last)) return xlsFail;
  TAxis axis(*Sheet(), rows);
  const TGroup g = GroupOf(axis, first, last);
  if (!g.Found()) {
    Refuse("ShowDetail: " + axis.Name(first, last) +
             (first == last ? " is in no group and summarises none" : " are in no group and summarise none"));
    return xlsFail;
  }
  if (!show) {
    Collapse(axis, g);
    return xlsOK;
  }
  axis.SetCollapsed(SummaryOf(axis, g), false);
  Expand(axis, g.first, g.last, g.level);
  return xlsOK;
}

// ---- records --------------------------------------------------------------------------

std::int32_t StoreOutline(IXLSWorksheet& sheet, IRecordSink& sink, const TRecordContext&) {
  std::uint8_t rowLevels = 0, colLevels = 0;
  const TXLSRowInfoList& rows = sheet.RowInfo();
  if (rows.GetCount() > 0)
    for (std::int32_t r = rows.GetFirstRow(); r <= rows.GetLastRow(); ++r)
      if (const TXLSRowInfo* info = rows.GetRowInfo(r)) rowLevels = std::max(rowLevels, info->OutlineLevel);
  const TXLSColumnInfoList& cols = sheet.ColumnInfo();
  if (cols.GetCount() > 0)
    for (std::int32_t c = cols.GetFirstCol(); c <= cols.GetLastCol(); ++c)
      if (const TXLSColumnInfo* info = cols.GetColumnInfo(c)) colLevels = std::max(colLevels, info->OutlineLevel);
  if (rowLevels > 0 || colLevels > 0) {
    // GUTS: gutter sizes, then the levels in use plus one (0: none).
    TXLSBlob b(4 + 8);
    b.AddWord(RecNo(Rec::GUTS));
    b.AddWord(8);
    b.AddWord(GutterPixels(rowLevels));                              // 0: row gutter width
    b.AddWord(GutterPixels(colLevels));                              // 2: column gutter height
    b.AddWord(static_cast<std::uint16_t>(rowLevels ? rowLevels + 1 : 0));  // 4: row levels
    b.AddWord(static_cast<std::uint16_t>(colLevels ? colLevels + 1 : 0));  // 6: column levels
    TXLS_RETURN_ON_ERROR(sink.AppendRecord(b));
  }
  std::uint16_t flags = kWsboolBase;
  if (sheet.PageSetup().FitsToPages()) flags |= kWsboolFitToPage;
  if (sheet.SummaryRowsBelow()) flags |= kWsboolSummaryBelow;
  if (sheet.SummaryColumnsRight()) flags |= kWsboolSummaryRight;
  TXLSBlob b(4 + 2);
  b.AddWord(RecNo(Rec::WSBOOL));
  b.AddWord(2);
  b.AddWord(flags);
  return sink.AppendRecord(b);
}

}  // namespace tablirex
