#include "cells/hash.h"

#include "text/text.h"

namespace tablirex {

THash::THash() : buckets_(8, nullptr) {}

THash::~THash() {
  for (THashEntry* head : buckets_) {
    while (head) {
      THashEntry* next = head->next_;
      delete head;
      head = next;
    }
  }
}

std::uint32_t THash::Hash(std::u16string_view key) noexcept {
  std::uint32_t h = 0;
  for (const char16_t c : key) h = h * 33u + c;
  return h + (h >> 5);
}

void THash::SetCapacity(std::int32_t n) {
  const std::int64_t count = GetCapacity();
  if (count >= n) return;
  // The smallest power of two not below n.
  std::int32_t shift = 0;
  while ((count << shift) < n) ++shift;
  ExtendHash(shift);
}

void THash::SetMaxCapacity(std::int32_t n) noexcept {
  if (n < 0)
    max_ = -1;
  else
    max_ = n < GetCapacity() ? GetCapacity() : n;
}

void THash::ExtendHash(std::int32_t shift) {
  if (shift <= 0) return;
  const std::uint64_t oldCount = static_cast<std::uint64_t>(mask_) + 1;
  if (shift > 30) return;
  const std::uint64_t newCount = oldCount << shift;
  if (newCount > (1u << 30)) return;
  if (max_ != -1 && static_cast<std::uint64_t>(max_) < newCount) return;

  buckets_.resize(static_cast<std::size_t>(newCount), nullptr);
  const std::uint32_t newMask = static_cast<std::uint32_t>(newCount - 1);
  // Entries that change bucket go to the head of a new bucket (numbered oldCount
  // or more, so never walked again here); those that stay keep their order.
  for (std::uint32_t i = 0; i < oldCount; ++i) {
    THashEntry** link = &buckets_[i];
    while (THashEntry* e = *link) {
      const std::uint32_t j = e->hash_ & newMask;
      if (j == i) {
        link = &e->next_;
        continue;
      }
      *link = e->next_;
      e->next_ = buckets_[j];
      buckets_[j] = e;
    }
  }
  mask_ = newMask;
}

THashEntry* THash::FindHashEntry(std::u16string_view key) const noexcept {
  const std::uint32_t h = Hash(key);
  for (THashEntry* e = buckets_[h & mask_]; e; e = e->next_)
    if (e->hash_ == h && e->key_ == key) return e;
  return nullptr;
}

THashEntry* THash::GetHashEntry(std::u16string_view key) {
  if (static_cast<std::int64_t>(mask_) < count_) ExtendHash(1);
  if (THashEntry* e = FindHashEntry(key)) return e;
  std::unique_ptr<THashEntry> made = CreateEntry();
  if (!made) return nullptr;
  THashEntry* e = made.release();
  e->hash_ = Hash(key);
  e->key_.assign(key);
  THashEntry*& head = buckets_[e->hash_ & mask_];
  e->next_ = head;
  head = e;
  ++count_;
  return e;
}

void THash::DeleteKey(std::u16string_view key) noexcept {
  const std::uint32_t h = Hash(key);
  for (THashEntry** link = &buckets_[h & mask_]; *link; link = &(*link)->next_) {
    THashEntry* e = *link;
    if (e->hash_ == h && e->key_ == key) {
      *link = e->next_;
      delete e;
      --count_;
      return;
    }
  }
}

std::vector<std::string> THash::Keys() const { return Keys(std::u16string_view()); }

std::vector<std::string> THash::Keys(std::u16string_view prefix) const {
  std::vector<std::string> out;
  for (const THashEntry* head : buckets_)
    for (const THashEntry* e = head; e; e = e->next_)
      if (std::u16string_view(e->key_).starts_with(prefix)) out.push_back(Utf16ToUtf8(e->key_));
  return out;
}

}  // namespace tablirex
