#include "layout/page_breaks.h"

#include "range/range_impl.h"
#include "tablirex/range.h"

namespace tablirex {

TXLSBreakArea TXLSPageBreak::GetLocationArea() const {
  TXLSBreakArea area;
  owner_->GetLocationArea(position_, area);
  return area;
}

Ref<IXLSRange> TXLSPageBreak::GetLocation() const { return owner_->GetLocation(position_); }

void TXLSPageBreak::Delete() { owner_->Delete(position_); }

TXLSPageBreak* TXLSPageBreaks::AddPageBreak(IXLSRange* range) {
  if (!range) return nullptr;
  const std::int32_t at = vertical_ ? range->GetFirstCol() : range->GetFirstRow();
  return AddPageBreakAt(static_cast<std::uint32_t>(at));
}

TXLSPageBreak* TXLSPageBreaks::AddPageBreakAt(std::uint32_t location) {
  if (vertical_ && location > XLSXMaxCol) return nullptr;
  // Walk back from the last break to the first one at or before the location.
  std::size_t insertAt = breaks_.size();
  while (insertAt > 0) {
    TXLSPageBreak* before = breaks_[insertAt - 1].get();
    if (before->location_ == location) return before;
    if (before->location_ < location) break;
    --insertAt;
  }
  std::unique_ptr<TXLSPageBreak> made = CreatePageBreak();
  if (!made) return nullptr;
  made->location_ = location;
  TXLSPageBreak* result = made.get();
  breaks_.insert(breaks_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(made));
  Renumber(insertAt);
  return result;
}

void TXLSPageBreaks::Delete(std::int32_t index) {
  if (index < 1 || index > GetCount()) return;
  const auto at = static_cast<std::size_t>(index - 1);
  breaks_.erase(breaks_.begin() + static_cast<std::ptrdiff_t>(at));
  Renumber(at);
}

TXLSPageBreak* TXLSPageBreaks::Get(std::int32_t index) const noexcept {
  if (index < 1 || index > GetCount()) return nullptr;
  return breaks_[static_cast<std::size_t>(index - 1)].get();
}

bool TXLSPageBreaks::GetLocationArea(std::int32_t index, TXLSBreakArea& area) const noexcept {
  const TXLSPageBreak* pb = Get(index);
  if (!pb) return false;
  if (vertical_) {
    const auto col = static_cast<std::uint16_t>(pb->location_);
    area = {0, col, XLSXMaxRow, col, xlRangeColumns};
  } else {
    area = {pb->location_, 0, pb->location_, XLSXMaxCol, xlRangeRows};
  }
  return true;
}

Ref<IXLSRange> TXLSPageBreaks::GetLocation(std::int32_t index) const {
  TXLSBreakArea a;
  if (!worksheet_ || !GetLocationArea(index, a)) return nullptr;
  auto range = MakeRef<TXLSRange>(worksheet_, a.firstRow, a.firstCol, a.lastRow, a.lastCol);
  range->SetKind(a.kind);
  return range;
}

void TXLSPageBreaks::Renumber(std::size_t from) noexcept {
  for (std::size_t i = from; i < breaks_.size(); ++i)
    breaks_[i]->position_ = static_cast<std::int32_t>(i + 1);
}

}  // namespace tablirex
