// The workbook's shared string table: every text cell holds an index into it,
// equal texts share one reference-counted entry, and a BIFF8 save writes the live
// entries as the SST record (with its CONTINUE records) and the EXTSST index.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "biff/record_sink.h"
#include "cells/rich_text.h"

namespace tablirex {

/// Reference-counted texts with stable indices. Indices start at 1 (0 is never
/// handed out); an index stays with its text as long as one reference is held, and
/// a released index is reused by a later Add before new indices are made. Lookups
/// by text are hash lookups; Add and Remove allocate nothing once the table has
/// grown (apart from the copy of a text seen for the first time).
class TXLSStringTable {
 public:
  /// Strings per EXTSST entry: at least 8, and enough that there are at most 128
  /// entries, so that the EXTSST record stays one record.
  static constexpr std::uint16_t BucketSize(std::int32_t unique) noexcept {
    const std::int32_t perBucket = (unique + kMaxBuckets - 1) / kMaxBuckets;
    return static_cast<std::uint16_t>(perBucket > 8 ? perBucket : 8);
  }
  static constexpr std::int32_t kMaxBuckets = 128;
  /// Longest text an Excel 97 cell holds, in UTF-16 code units. The table keeps
  /// longer texts whole (HTML pages show them); the SST record carries them cut
  /// there (never inside a surrogate pair), and the cell writer warns.
  static constexpr std::size_t kMaxChars = 32767;
  /// Largest record body of the BIFF8 stream, the default record limit.
  static constexpr std::uint16_t kDefaultMaxRecord = 8224;

  TXLSStringTable();
  TXLSStringTable(const TXLSStringTable&) = delete;
  TXLSStringTable& operator=(const TXLSStringTable&) = delete;

  /// Adds one reference to text and returns its index: the index of an equal entry
  /// when there is one, else a reused or new index.
  std::int32_t Add(std::u16string_view text);
  /// Add for UTF-8 text.
  std::int32_t Add(std::string_view utf8);
  /// Adds one reference to a text with formatting runs (runs are normalised;
  /// a text left without runs is a plain entry, as Add makes it). A text with
  /// runs is an entry of its own, apart from the same text without them.
  std::int32_t AddRich(std::u16string_view text, TXLSRichRuns runs);
  /// The runs of index, or nullptr for a plain text (or a free index).
  const TXLSRichRuns* GetRuns(std::int32_t index) const noexcept;
  /// The fonts the runs of the live entries use, each once or more.
  std::vector<std::int32_t> RunFonts() const;
  /// Releases one reference. The last release frees the text and its index. An
  /// index outside 1 … GetCount(), or one whose entry holds no reference, is ignored.
  void Remove(std::int32_t index);
  /// Adds text, then releases index; returns the index of text.
  std::int32_t Replace(std::int32_t index, std::u16string_view text);
  /// Moves one reference from oldIndex to the live entry newIndex: releases oldIndex
  /// when it is 1 or more, and adds a reference to newIndex when that entry is live
  /// (a free or out-of-range newIndex gains nothing).
  void ReplaceIndex(std::int32_t oldIndex, std::int32_t newIndex);

  /// The text of index; empty for a free index or one outside 1 … GetCount(). The
  /// view stays valid until the table changes.
  std::u16string_view GetValue(std::int32_t index) const noexcept;
  /// Index of an entry equal to text, or -1; adds no reference.
  std::int32_t GetHashValue(std::u16string_view text) const noexcept;
  /// References held on index (0 for a free or unknown index).
  std::int32_t GetRefCount(std::int32_t index) const noexcept;

  /// Numbers the live entries 0, 1, 2, … in index order (their positions in the
  /// SST record); free entries get -1. Run before the cells are written.
  void InitExtIndex();
  /// The number InitExtIndex gave index; -1 for a free index or one outside
  /// 1 … GetCount().
  std::int32_t GetExtIndex(std::int32_t index) const noexcept;

  /// The largest record body the writer may produce (8224 for BIFF8). Values are
  /// kept within 16 … 8224.
  void SetMaxRecord(std::uint16_t maxBody) noexcept;
  std::uint16_t GetMaxRecord() const noexcept { return maxRecord_; }

  /// Writes the SST record with the CONTINUE records its size needs, then the
  /// EXTSST record (and its CONTINUE records), into sink. streamOffset is the
  /// absolute position in the workbook stream at which the SST record will start;
  /// the EXTSST entries point at strings by it. Writes nothing when no entry is
  /// live. Returns 1, or the first failing result of the sink. Every record fits
  /// within the record limit, so the sink has nothing to split.
  /// fontNumber gives the runs' font numbers (their font-list indices when empty).
  std::int32_t AddSSTData(IRecordSink& sink, std::uint32_t streamOffset, const TRunFontNumber& fontNumber = {}) const;
  /// Bytes that AddSSTData would write (all headers included); 0 when no entry is live.
  std::uint32_t GetSSTDataSize() const;

  /// Highest index handed out and still held (or free below a held one).
  std::int32_t GetCount() const noexcept { return static_cast<std::int32_t>(entries_.size()) - 1; }
  /// References held by all cells: the SST record's total count.
  std::int32_t GetTotalRefs() const noexcept { return totalRefs_; }
  /// Entries with at least one reference: the SST record's string count.
  std::int32_t GetUniqueCount() const noexcept { return unique_; }

  /// The hash of a text: h = h * 33 + code unit over the text (32-bit), then
  /// h + (h >> 5).
  static std::uint32_t Hash(std::u16string_view text) noexcept;

 private:
  struct Entry {
    std::u16string text;
    std::int32_t extIndex = -1;
    std::int32_t refs = 0;
  };
  // One slot of the open-addressed lookup: the text's hash and its entry index;
  // index 0 marks an empty slot.
  struct Slot {
    std::uint32_t hash = 0;
    std::int32_t index = 0;
  };

  std::size_t SlotOf(std::uint32_t hash) const noexcept;
  /// The entry of text with exactly these runs (nullptr: a plain text), or -1.
  std::int32_t FindIndex(std::u16string_view text, std::uint32_t hash,
                         const TXLSRichRuns* runs = nullptr) const noexcept;
  /// The lookup hash of an entry: the text's, mixed with its runs' when it has any.
  std::uint32_t EntryHash(std::int32_t index) const noexcept;
  static std::uint32_t RichHash(std::u16string_view text, const TXLSRichRuns& runs) noexcept;
  /// Makes a new entry for text with one reference (a free index first).
  std::int32_t NewEntry(std::u16string_view text, std::uint32_t hash);
  void SetHashValue(std::uint32_t hash, std::int32_t index);
  void DeleteKey(std::int32_t index);
  void ExtendHash();

  std::vector<Entry> entries_;          // entries_[0] is never used
  std::vector<std::int32_t> freeIndices_;
  std::vector<Slot> slots_;             // size is a power of two
  std::uint32_t slotShift_ = 0;         // 32 - log2(slots_.size())
  std::size_t slotsUsed_ = 0;
  std::int32_t totalRefs_ = 0;
  std::int32_t unique_ = 0;
  std::uint16_t maxRecord_ = kDefaultMaxRecord;
  std::u16string scratch_;              // UTF-8 conversion buffer of Add
  // The runs of the entries that have them (few, in most workbooks).
  std::unordered_map<std::int32_t, TXLSRichRuns> runs_;
};

}  // namespace tablirex
