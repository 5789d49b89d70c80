#include "hyperlinks/hyperlink_list.h"

#include <algorithm>

namespace tablirex {

std::string LinkScheme(std::u16string_view address) {
  const auto letter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  if (address.empty() || !letter(address[0])) return {};
  std::string scheme;
  for (const char16_t c : address) {
    if (c == u':') break;
    if (!letter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.') return {};
    scheme.push_back(static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c));
  }
  // "C:" is a drive letter, and an address without a colon has no scheme.
  if (scheme.size() < 2 || scheme.size() == address.size()) return {};
  return scheme;
}

TXLSLinkKind TXLSHyperlinkData::Kind() const noexcept {
  if (address.empty()) return TXLSLinkKind::Place;
  return LinkScheme(address).empty() ? TXLSLinkKind::File : TXLSLinkKind::Url;
}

std::string TXLSHyperlinkData::Scheme() const { return LinkScheme(address); }

std::uint64_t TXLSHyperlinkList::Add(TXLSHyperlinkData link) {
  RemoveStartingIn(link.anchor);
  link.id = nextId_++;
  items_.push_back(std::move(link));
  return items_.back().id;
}

TXLSHyperlinkData* TXLSHyperlinkList::Find(std::uint64_t id) noexcept {
  for (TXLSHyperlinkData& l : items_)
    if (l.id == id) return &l;
  return nullptr;
}

bool TXLSHyperlinkList::Remove(std::uint64_t id) {
  const auto it = std::find_if(items_.begin(), items_.end(), [&](const TXLSHyperlinkData& l) { return l.id == id; });
  if (it == items_.end()) return false;
  items_.erase(it);
  return true;
}

const TXLSHyperlinkData* TXLSHyperlinkList::At(std::uint32_t row, std::uint32_t col) const noexcept {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it)
    if (it->anchor.Contains(row, col)) return &*it;
  return nullptr;
}

void TXLSHyperlinkList::Shift(const TXLSCellShift& shift) {
  std::vector<TXLSHyperlinkData> kept;
  kept.reserve(items_.size());
  for (TXLSHyperlinkData& l : items_) {
    std::uint32_t row = l.anchor.row1, col = l.anchor.col1;
    if (!ShiftCell(shift, row, col)) continue;
    const std::uint32_t h = l.anchor.row2 - l.anchor.row1, w = l.anchor.col2 - l.anchor.col1;
    l.anchor = {row, col, std::min(row + h, shift.lastRow), std::min(col + w, shift.lastCol)};
    kept.push_back(std::move(l));
  }
  items_ = std::move(kept);
}

void TXLSHyperlinkList::RemoveStartingIn(const TXLSArea& area) {
  std::erase_if(items_, [&](const TXLSHyperlinkData& l) { return area.Contains(l.anchor.row1, l.anchor.col1); });
}

std::vector<TXLSHyperlinkData> TXLSHyperlinkList::Pasted(const TXLSPaste& paste) const {
  std::vector<TXLSHyperlinkData> out;
  for (const TXLSHyperlinkData& l : items_) {
    if (!paste.source.Contains(l.anchor.row1, l.anchor.col1)) continue;
    // The anchor is cut to the source first, so that each copy lies in one repetition.
    TXLSAreaList pieces;
    PasteArea(paste, l.anchor, pieces);
    for (const TXLSArea& a : pieces) {
      TXLSHyperlinkData copy = l;
      copy.id = 0;
      copy.anchor = a;
      out.push_back(std::move(copy));
    }
  }
  return out;
}

}  // namespace tablirex
