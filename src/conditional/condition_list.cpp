#include "conditional/condition_list.h"

#include <algorithm>

namespace tablirex {

TXLSConditionalFormat* TXLSConditionalFormatList::Exact(const TXLSArea& area) noexcept {
  for (TXLSConditionalFormat& f : items_)
    if (f.areas.size() == 1 && f.areas.front() == area) return &f;
  return nullptr;
}

TXLSConditionalFormat* TXLSConditionalFormatList::At(std::uint32_t row, std::uint32_t col) noexcept {
  for (TXLSConditionalFormat& f : items_)
    if (AreasContain(f.areas, row, col)) return &f;
  return nullptr;
}

TXLSConditionalFormat* TXLSConditionalFormatList::Find(std::uint64_t id) noexcept {
  for (TXLSConditionalFormat& f : items_)
    if (f.id == id) return &f;
  return nullptr;
}

TXLSConditionalFormat& TXLSConditionalFormatList::Make(const TXLSArea& area) {
  TXLSConditionalFormat f;
  f.id = nextId_++;
  f.areas.push_back(area);
  items_.push_back(std::move(f));
  return items_.back();
}

void TXLSConditionalFormatList::Append(TXLSConditionalFormat format) {
  format.id = nextId_++;
  for (TXLSCondition& c : format.conditions) c.id = nextId_++;
  items_.push_back(std::move(format));
}

TXLSCondition* TXLSConditionalFormatList::FindCondition(std::uint64_t id, TXLSConditionalFormat** format) noexcept {
  for (TXLSConditionalFormat& f : items_)
    for (TXLSCondition& c : f.conditions)
      if (c.id == id) {
        if (format) *format = &f;
        return &c;
      }
  return nullptr;
}

bool TXLSConditionalFormatList::RemoveCondition(std::uint64_t id) {
  for (TXLSConditionalFormat& f : items_) {
    const auto it =
        std::find_if(f.conditions.begin(), f.conditions.end(), [&](const TXLSCondition& c) { return c.id == id; });
    if (it == f.conditions.end()) continue;
    f.conditions.erase(it);
    DropEmpty();
    return true;
  }
  return false;
}

void TXLSConditionalFormatList::RemoveCells(const TXLSArea& area) {
  for (TXLSConditionalFormat& f : items_) SubtractFromList(f.areas, area);
  DropEmpty();
}

void TXLSConditionalFormatList::Shift(const TXLSCellShift& shift) {
  for (TXLSConditionalFormat& f : items_) ShiftList(shift, f.areas, true);
  DropEmpty();
}

std::vector<TXLSConditionalFormat> TXLSConditionalFormatList::Pasted(const TXLSPaste& paste) const {
  return PastedItems(items_, paste);
}

void TXLSConditionalFormatList::DropEmpty() {
  std::erase_if(items_, [](const TXLSConditionalFormat& f) { return f.areas.empty() || f.conditions.empty(); });
}

}  // namespace tablirex
