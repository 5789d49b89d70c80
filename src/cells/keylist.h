// Indexed lists whose items are also found by a string key: the reference-counted
// keyed list the font and extended-format lists are built on, a list of named
// objects and a list of strings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cells/hash.h"

namespace tablirex {

/// One item of a TXLSKeyList.
class TXLSKeyEntry {
 public:
  explicit TXLSKeyEntry(std::u16string_view k) : key(k) {}
  std::u16string key;
  /// References held by cells, rows, columns (or, for fonts, by written XFs).
  std::int32_t refCount = 0;
  /// 1, 2, 3 ... for the items chosen by CreateReferredList, 0 for the others.
  std::int32_t saveIndex = 0;
  /// Position of the item in the list, filled in by CreateReferredList.
  std::int32_t position = 0;
};

/// A list of items identified by a key, shared by reference count. Indices are
/// external: the first item has the base index (1 unless a derived list sets
/// another). The first "predefined" items are always written and never counted;
/// every later item is counted and is written only while it has references.
class TXLSKeyList {
 public:
  static constexpr std::int32_t kCapacityStep = 50;

  TXLSKeyList();
  TXLSKeyList(const TXLSKeyList&) = delete;
  TXLSKeyList& operator=(const TXLSKeyList&) = delete;
  virtual ~TXLSKeyList();

  /// Moves a user of item index to the item carrying key (found through the hash,
  /// or appended) and returns that item's index. One reference leaves index (when
  /// it is a counted item) and one joins the result (when counted). A key equal to
  /// the item's own key returns index with no count changed (index above base).
  /// A hash value of 0 or less counts as absent.
  std::int32_t SetKey(std::int32_t index, std::u16string_view key);
  /// Puts a new item with key at exactly index (extending the list when needed)
  /// and maps key to index; a counted item starts with one reference.
  void SetKeyItem(std::int32_t index, std::u16string_view key);
  /// Changes only the hash mapping of key.
  void SetKeyIndex(std::u16string_view key, std::int32_t index);

  /// The item at index, or nullptr.
  TXLSKeyEntry* GetItem(std::int32_t index) const noexcept;
  /// The key of index, or the default key when index is outside the list.
  const std::u16string& GetKey(std::int32_t index) const noexcept;
  /// The external index carrying key, or 0 or less when the hash lacks it.
  std::int32_t FindKey(std::u16string_view key) const noexcept { return hash_.GetValue(key); }
  /// Save number of index (1 for the first written item), 0 when outside the list
  /// or not written. A record refers to a written item as GetSaveIndex - 1.
  std::int32_t GetSaveIndex(std::int32_t index) const noexcept;

  /// Moves one reference from item oldIndex to item newIndex; indices that name no
  /// counted item are ignored.
  void ReplaceIndex(std::int32_t oldIndex, std::int32_t newIndex) noexcept;
  /// Adds one reference to index when it names a counted item.
  void IncReferredCount(std::int32_t index) noexcept;
  /// Sets every item's reference count, and the referred count, to 0.
  void ClearAllReferredCount() noexcept;
  /// Chooses the items to write (the predefined ones and every counted item with
  /// references, in index order) and numbers them 1, 2, 3 ...
  void CreateReferredList();

  /// Number of items.
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }
  /// After CreateReferredList: the number of items chosen; in between, the number
  /// of counted items with references.
  std::int32_t GetReferredCount() const noexcept { return referredCount_; }
  /// Length of the referred list made by the last CreateReferredList (the number
  /// of records to write).
  std::int32_t ReferredListCount() const noexcept { return static_cast<std::int32_t>(referred_.size()); }
  /// The item at a position of the referred list, or nullptr.
  TXLSKeyEntry* GetReferredItem(std::int32_t position) const noexcept;
  std::uint16_t GetBaseIndex() const noexcept { return base_; }
  std::int32_t GetPredefinedCount() const noexcept { return predefined_; }
  const std::u16string& GetDefaultKey() const noexcept { return defaultKey_; }
  /// Reference count of index (0 outside the list).
  std::int32_t GetRefCount(std::int32_t index) const noexcept;

 protected:
  void SetBaseIndex(std::uint16_t base) noexcept { base_ = base; }
  void SetPredefinedCount(std::int32_t n) noexcept { predefined_ = n; }
  void SetDefaultKey(std::u16string_view key) { defaultKey_ = key; }
  /// Grows the reserved slots by kCapacityStep when the count reaches them.
  void CheckCapacity();
  /// Makes the item for key at external index (no hash change, no counting).
  TXLSKeyEntry* CreateKeyEntry(std::int32_t index, std::u16string_view key);

 private:
  /// True when index names an item of the list at or after the predefined ones.
  bool IsCounted(std::int32_t index) const noexcept;
  void AddRef(TXLSKeyEntry& e) noexcept;
  void DropRef(TXLSKeyEntry& e) noexcept;

  std::vector<std::unique_ptr<TXLSKeyEntry>> items_;
  std::vector<TXLSKeyEntry*> referred_;
  THashInteger hash_;
  std::u16string defaultKey_;
  std::int32_t referredCount_ = 0;
  std::int32_t predefined_ = 0;
  std::uint16_t base_ = 1;
};

/// An entry of a TXLSObjList: a named object.
class TXLSObjEntry {
 public:
  explicit TXLSObjEntry(std::u16string_view n) : name(n) {}
  virtual ~TXLSObjEntry() = default;
  std::u16string name;
};

/// A list of named objects, indexed from the base index (1 unless a derived list
/// sets another) and found by name. Owns its entries.
class TXLSObjList {
 public:
  TXLSObjList() = default;
  TXLSObjList(const TXLSObjList&) = delete;
  TXLSObjList& operator=(const TXLSObjList&) = delete;
  virtual ~TXLSObjList() = default;

  /// Adds entry and returns its index; an entry of the same name already present
  /// is replaced in its slot.
  std::int32_t AddItem(std::unique_ptr<TXLSObjEntry> entry);
  /// The entry at index, or nullptr.
  TXLSObjEntry* GetItem(std::int32_t index) const noexcept;
  /// The entry named name, or nullptr.
  TXLSObjEntry* GetItembyName(std::u16string_view name) const noexcept;
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }
  std::uint16_t GetBaseIndex() const noexcept { return base_; }

 protected:
  void SetBaseIndex(std::uint16_t base) noexcept { base_ = base; }

 private:
  std::vector<std::unique_ptr<TXLSObjEntry>> items_;
  THashInteger hash_;
  std::uint16_t base_ = 1;
};

/// A list of wide strings indexed from 0 and found by value.
class TXLSStringList {
 public:
  TXLSStringList() = default;
  TXLSStringList(const TXLSStringList&) = delete;
  TXLSStringList& operator=(const TXLSStringList&) = delete;
  virtual ~TXLSStringList() = default;

  /// The index of s, appended when absent.
  std::int32_t AddValue(std::u16string_view s);
  /// The index of s, 0 when absent (and for the string at index 0).
  std::int32_t GetIndex(std::u16string_view s) const noexcept { return hash_.GetValue(s); }
  /// The string at i, empty when out of range.
  const std::u16string& GetItem(std::int32_t i) const noexcept;
  /// Puts s at i (extending the list to i + 1 when needed) and maps s to i. A
  /// negative i is ignored; the mapping of a replaced string stays.
  void SetItem(std::int32_t i, std::u16string_view s);
  void SetIndex(std::u16string_view s, std::int32_t i) { SetItem(i, s); }
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }

 protected:
  /// Extends the list with empty strings to n items.
  void SetCount(std::int32_t n);

 private:
  std::vector<std::u16string> items_;
  THashInteger hash_;
};

}  // namespace tablirex
