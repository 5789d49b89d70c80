// Chained hash tables keyed by wide strings, and sparse arrays keyed by unsigned
// integers built on them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex {

/// One entry of a THash chain. Descendants add the value.
class THashEntry {
 public:
  THashEntry() = default;
  THashEntry(const THashEntry&) = delete;
  THashEntry& operator=(const THashEntry&) = delete;
  virtual ~THashEntry() = default;

  const std::u16string& Key() const noexcept { return key_; }
  std::uint32_t HashValue() const noexcept { return hash_; }

 private:
  friend class THash;
  THashEntry* next_ = nullptr;
  std::uint32_t hash_ = 0;
  std::u16string key_;
};

class THashStringEntry : public THashEntry {
 public:
  std::string value;  // 8-bit text
};
class THashPointerEntry : public THashEntry {
 public:
  void* value = nullptr;
};
class THashSingleEntry : public THashEntry {
 public:
  float value = 0.0f;
};
class THashBoolEntry : public THashEntry {
 public:
  bool value = false;
};
class THashIntEntry : public THashEntry {
 public:
  std::int32_t value = 0;
};

/// A chained hash table keyed by wide strings, compared exactly. Starts with 8
/// buckets and doubles whenever the entries outnumber the buckets, unless a
/// maximum bucket count is set. Owns its entries.
class THash {
 public:
  THash();
  THash(const THash&) = delete;
  THash& operator=(const THash&) = delete;
  virtual ~THash();

  /// The 32-bit hash of a key: h = h * 33 + unit over the UTF-16 units, then
  /// h + (h >> 5).
  static std::uint32_t Hash(std::u16string_view key) noexcept;

  bool KeyExists(std::u16string_view key) const noexcept { return FindHashEntry(key) != nullptr; }
  /// Number of buckets.
  std::int32_t GetCapacity() const noexcept { return static_cast<std::int32_t>(mask_) + 1; }
  /// Grows to the smallest power of two not below n buckets (nothing when there
  /// are that many already).
  void SetCapacity(std::int32_t n);
  /// Limits the bucket count; a negative n means unlimited, a value below the
  /// current bucket count becomes the current count.
  void SetMaxCapacity(std::int32_t n) noexcept;
  std::int32_t GetMaxCapacity() const noexcept { return max_; }
  /// Multiplies the bucket count by 2^shift unless that passes the maximum.
  void ExtendHash(std::int32_t shift);
  std::int32_t Count() const noexcept { return count_; }

  /// The entry for key, created when absent (nullptr only when this table kind
  /// creates no entries).
  THashEntry* GetHashEntry(std::u16string_view key);
  /// The entry for key, or nullptr.
  THashEntry* FindHashEntry(std::u16string_view key) const noexcept;
  /// Removes and frees the entry for key, if any.
  void DeleteKey(std::u16string_view key) noexcept;

  /// All keys as UTF-8 text, in bucket order and within a bucket in chain order.
  std::vector<std::string> Keys() const;
  /// The keys that begin with prefix (case-sensitive), in the same order.
  std::vector<std::string> Keys(std::u16string_view prefix) const;

 protected:
  /// Makes a new entry of the table's kind; the base table makes none.
  virtual std::unique_ptr<THashEntry> CreateEntry() { return nullptr; }

 private:
  std::vector<THashEntry*> buckets_;
  std::uint32_t mask_ = 7;
  std::int32_t count_ = 0;
  std::int32_t max_ = -1;
};

/// A hash table whose entries carry one value of the entry type's kind.
template <class TEntry>
class THashTyped : public THash {
 public:
  using ValueType = decltype(TEntry::value);

  /// The value for key, or the kind's empty value; never creates an entry.
  ValueType GetValue(std::u16string_view key) const {
    const THashEntry* e = FindHashEntry(key);
    return e ? static_cast<const TEntry*>(e)->value : ValueType{};
  }
  /// Sets the value for key, creating the entry when absent.
  void SetValue(std::u16string_view key, ValueType value) {
    static_cast<TEntry*>(GetHashEntry(key))->value = std::move(value);
  }

 protected:
  std::unique_ptr<THashEntry> CreateEntry() override { return std::make_unique<TEntry>(); }
};

class THashString : public THashTyped<THashStringEntry> {};
class THashPointer : public THashTyped<THashPointerEntry> {};
class THashSingle : public THashTyped<THashSingleEntry> {};
class THashBool : public THashTyped<THashBoolEntry> {};
class THashInteger : public THashTyped<THashIntEntry> {};

/// A sparse array keyed by unsigned 32-bit integers: the index's decimal text (no
/// sign, no leading zeros) is the key, so only indices that were set take memory.
template <class TEntry>
class THashIndexed : public THashTyped<TEntry> {
  using Base = THashTyped<TEntry>;

 public:
  using typename Base::ValueType;
  using Base::GetValue;
  using Base::KeyExists;
  using Base::SetValue;

  bool KeyExists(std::uint32_t index) const noexcept {
    char16_t buf[10];
    return Base::KeyExists(IndexKey(index, buf));
  }
  ValueType GetValue(std::uint32_t index) const {
    char16_t buf[10];
    return Base::GetValue(IndexKey(index, buf));
  }
  void SetValue(std::uint32_t index, ValueType value) {
    char16_t buf[10];
    Base::SetValue(IndexKey(index, buf), std::move(value));
  }

  /// The decimal text of index, written into buf (10 units suffice).
  static std::u16string_view IndexKey(std::uint32_t index, char16_t (&buf)[10]) noexcept {
    std::size_t pos = 10;
    do {
      buf[--pos] = static_cast<char16_t>(u'0' + index % 10);
      index /= 10;
    } while (index != 0);
    return std::u16string_view(buf + pos, 10 - pos);
  }
};

class TSingleArray : public THashIndexed<THashSingleEntry> {};
class TPointerArray : public THashIndexed<THashPointerEntry> {};
class TBoolArray : public THashIndexed<THashBoolEntry> {};

}  // namespace tablirex
