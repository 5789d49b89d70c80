#include "cells/keylist.h"

namespace tablirex {

// ---- TXLSKeyList ------------------------------------------------------------

TXLSKeyList::TXLSKeyList() { items_.reserve(kCapacityStep); }

TXLSKeyList::~TXLSKeyList() = default;

void TXLSKeyList::CheckCapacity() {
  if (items_.size() == items_.capacity()) items_.reserve(items_.capacity() + kCapacityStep);
}

TXLSKeyEntry* TXLSKeyList::CreateKeyEntry(std::int32_t index, std::u16string_view key) {
  const std::int32_t pos = index - base_;
  if (pos < 0) return nullptr;
  while (Count() <= pos) {
    CheckCapacity();
    items_.push_back(nullptr);
  }
  items_[static_cast<std::size_t>(pos)] = std::make_unique<TXLSKeyEntry>(key);
  return items_[static_cast<std::size_t>(pos)].get();
}

bool TXLSKeyList::IsCounted(std::int32_t index) const noexcept {
  const std::int32_t pos = index - base_;
  return pos >= predefined_ && pos < Count() && items_[static_cast<std::size_t>(pos)] != nullptr;
}

void TXLSKeyList::AddRef(TXLSKeyEntry& e) noexcept {
  if (++e.refCount == 1) ++referredCount_;
}

void TXLSKeyList::DropRef(TXLSKeyEntry& e) noexcept {
  // A count never goes below 0: a caller giving back a reference it never took
  // must not make a used item look unused to others.
  if (e.refCount <= 0) return;
  if (--e.refCount == 0) --referredCount_;
}

TXLSKeyEntry* TXLSKeyList::GetItem(std::int32_t index) const noexcept {
  const std::int32_t pos = index - base_;
  if (pos < 0 || pos >= Count()) return nullptr;
  return items_[static_cast<std::size_t>(pos)].get();
}

const std::u16string& TXLSKeyList::GetKey(std::int32_t index) const noexcept {
  const TXLSKeyEntry* e = GetItem(index);
  return e ? e->key : defaultKey_;
}

std::int32_t TXLSKeyList::GetSaveIndex(std::int32_t index) const noexcept {
  const TXLSKeyEntry* e = GetItem(index);
  return e ? e->saveIndex : 0;
}

std::int32_t TXLSKeyList::GetRefCount(std::int32_t index) const noexcept {
  const TXLSKeyEntry* e = GetItem(index);
  return e ? e->refCount : 0;
}

void TXLSKeyList::SetKeyItem(std::int32_t index, std::u16string_view key) {
  if (TXLSKeyEntry* old = GetItem(index); old && IsCounted(index)) DropRef(*old);
  TXLSKeyEntry* e = CreateKeyEntry(index, key);
  if (!e) return;
  hash_.SetValue(key, index);
  if (IsCounted(index)) AddRef(*e);
}

void TXLSKeyList::SetKeyIndex(std::u16string_view key, std::int32_t index) { hash_.SetValue(key, index); }

std::int32_t TXLSKeyList::SetKey(std::int32_t index, std::u16string_view key) {
  if (index > base_) {
    const TXLSKeyEntry* own = GetItem(index);
    if (own && own->key == key) return index;
  }
  const std::int32_t found = hash_.GetValue(key);
  const bool oldCounted = IsCounted(index);
  if (found <= 0) {
    CheckCapacity();
    const std::int32_t added = Count() + base_;
    items_.push_back(std::make_unique<TXLSKeyEntry>(key));
    hash_.SetValue(key, added);
    if (IsCounted(added)) AddRef(*items_.back());
    if (oldCounted) DropRef(*GetItem(index));
    return added;
  }
  if (oldCounted) DropRef(*GetItem(index));
  if (IsCounted(found)) AddRef(*GetItem(found));
  return found;
}

void TXLSKeyList::ReplaceIndex(std::int32_t oldIndex, std::int32_t newIndex) noexcept {
  if (IsCounted(oldIndex)) DropRef(*GetItem(oldIndex));
  if (IsCounted(newIndex)) AddRef(*GetItem(newIndex));
}

void TXLSKeyList::IncReferredCount(std::int32_t index) noexcept {
  if (IsCounted(index)) AddRef(*GetItem(index));
}

void TXLSKeyList::ClearAllReferredCount() noexcept {
  for (auto& e : items_)
    if (e) e->refCount = 0;
  referredCount_ = 0;
}

void TXLSKeyList::CreateReferredList() {
  referred_.clear();
  referred_.reserve(static_cast<std::size_t>(referredCount_ + predefined_));
  for (std::int32_t pos = 0; pos < Count(); ++pos) {
    TXLSKeyEntry* e = items_[static_cast<std::size_t>(pos)].get();
    if (!e) continue;
    if (pos < predefined_ || e->refCount > 0) {
      referred_.push_back(e);
      e->saveIndex = static_cast<std::int32_t>(referred_.size());
      e->position = pos;
    } else {
      e->saveIndex = 0;
    }
  }
  referredCount_ = static_cast<std::int32_t>(referred_.size());
}

TXLSKeyEntry* TXLSKeyList::GetReferredItem(std::int32_t position) const noexcept {
  if (position < 0 || position >= ReferredListCount()) return nullptr;
  return referred_[static_cast<std::size_t>(position)];
}

// ---- TXLSObjList --------------------------------------------------------------

std::int32_t TXLSObjList::AddItem(std::unique_ptr<TXLSObjEntry> entry) {
  if (!entry) return -1;
  if (const THashEntry* h = hash_.FindHashEntry(entry->name)) {
    const std::int32_t index = static_cast<const THashIntEntry*>(h)->value;
    const std::int32_t pos = index - base_;
    if (pos >= 0 && pos < Count()) {
      items_[static_cast<std::size_t>(pos)] = std::move(entry);
      return index;
    }
  }
  const std::int32_t index = Count() + base_;
  hash_.SetValue(entry->name, index);
  items_.push_back(std::move(entry));
  return index;
}

TXLSObjEntry* TXLSObjList::GetItem(std::int32_t index) const noexcept {
  const std::int32_t pos = index - base_;
  if (pos < 0 || pos >= Count()) return nullptr;
  return items_[static_cast<std::size_t>(pos)].get();
}

TXLSObjEntry* TXLSObjList::GetItembyName(std::u16string_view name) const noexcept {
  const THashEntry* h = hash_.FindHashEntry(name);
  return h ? GetItem(static_cast<const THashIntEntry*>(h)->value) : nullptr;
}

// ---- TXLSStringList -------------------------------------------------------------

std::int32_t TXLSStringList::AddValue(std::u16string_view s) {
  if (const THashEntry* h = hash_.FindHashEntry(s)) return static_cast<const THashIntEntry*>(h)->value;
  const std::int32_t index = Count();
  if (items_.size() == items_.capacity()) items_.reserve(items_.capacity() + 50);
  items_.emplace_back(s);
  hash_.SetValue(s, index);
  return index;
}

const std::u16string& TXLSStringList::GetItem(std::int32_t i) const noexcept {
  static const std::u16string empty;
  if (i < 0 || i >= Count()) return empty;
  return items_[static_cast<std::size_t>(i)];
}

void TXLSStringList::SetItem(std::int32_t i, std::u16string_view s) {
  if (i < 0) return;
  if (i >= Count()) SetCount(i + 1);
  items_[static_cast<std::size_t>(i)].assign(s);
  hash_.SetValue(s, i);
}

void TXLSStringList::SetCount(std::int32_t n) {
  if (n > Count()) items_.resize(static_cast<std::size_t>(n));
}

}  // namespace tablirex
