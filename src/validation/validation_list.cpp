#include "validation/validation_list.h"

#include <algorithm>

namespace tablirex {

bool TXLSValidationRule::UsesOperator() const noexcept {
  return type == 1 || type == 2 || type == 4 || type == 5 || type == 6;
}

bool TXLSValidationRule::UsesFormula2() const noexcept { return UsesOperator() && (op == 1 || op == 2); }

std::uint64_t TXLSValidationList::Add(TXLSValidationRule rule) {
  for (const TXLSArea& a : rule.areas)
    for (TXLSValidationRule& other : items_) SubtractFromList(other.areas, a);
  DropEmpty();
  rule.id = nextId_++;
  items_.push_back(std::move(rule));
  return items_.back().id;
}

TXLSValidationRule* TXLSValidationList::At(std::uint32_t row, std::uint32_t col) noexcept {
  for (TXLSValidationRule& r : items_)
    if (AreasContain(r.areas, row, col)) return &r;
  return nullptr;
}

const TXLSValidationRule* TXLSValidationList::At(std::uint32_t row, std::uint32_t col) const noexcept {
  for (const TXLSValidationRule& r : items_)
    if (AreasContain(r.areas, row, col)) return &r;
  return nullptr;
}

void TXLSValidationList::RemoveCells(const TXLSArea& area) {
  for (TXLSValidationRule& r : items_) SubtractFromList(r.areas, area);
  DropEmpty();
}

void TXLSValidationList::Shift(const TXLSCellShift& shift) {
  for (TXLSValidationRule& r : items_) ShiftList(shift, r.areas, true);
  DropEmpty();
}

std::vector<TXLSValidationRule> TXLSValidationList::Pasted(const TXLSPaste& paste) const {
  std::vector<TXLSValidationRule> out = PastedItems(items_, paste);
  for (TXLSValidationRule& r : out) r.id = 0;
  return out;
}

void TXLSValidationList::DropEmpty() {
  std::erase_if(items_, [](const TXLSValidationRule& r) { return r.areas.empty(); });
}

}  // namespace tablirex
