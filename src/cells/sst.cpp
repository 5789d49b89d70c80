#include "cells/sst.h"

#include <utility>

#include "biff/records.h"
#include "tablirex/result.h"
#include "text/text.h"

namespace tablirex {
namespace {

constexpr std::size_t kInitialSlots = 16;

constexpr bool IsHighSurrogate(char16_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }

// Lays the live strings out in SST, CONTINUE and EXTSST records no longer than the
// record limit, filling one reused record buffer and handing each finished record
// to the sink. The EXTSST records are kept until the SST is complete.
class SSTWriter {
 public:
  SSTWriter(IRecordSink& sink, std::uint16_t maxBody, std::uint32_t streamOffset,
            std::int32_t totalRefs, std::int32_t unique, const TRunFontNumber& fontNumber)
      : sink_(sink),
        fontNumber_(fontNumber),
        cap_(static_cast<std::uint32_t>(maxBody) + 4),
        rec_(cap_),
        pos_(streamOffset),
        totalRefs_(totalRefs),
        unique_(unique),
        bucketSize_(TXLSStringTable::BucketSize(unique)) {}

  // Writes string number n: whole when it fits, otherwise its start here (character
  // count and option byte first, then the run count of a rich text) and the rest in
  // CONTINUE records, each piece of characters opening with the option byte again
  // (its size flag only). A piece never ends between the two halves of a surrogate
  // pair; a start that cannot take its header and one character moves whole into
  // the next record. The formatting runs follow the characters, 4 bytes each, never
  // cut: a run that does not fit opens a CONTINUE record, without an option byte.
  void AddSSTItem(std::uint32_t n, std::u16string_view text, const TXLSRichRuns* runs = nullptr) {
    const bool compressed = IsCompressible(text);
    const std::uint32_t unit = compressed ? 1 : 2;
    const std::uint8_t option = compressed ? 0x00 : 0x01;
    const bool rich = runs && !runs->empty();
    std::size_t done = 0;
    bool start = true;
    while (status_ == xlsOK) {
      if (!open_) OpenRecord();
      const std::uint32_t h = start ? (rich ? 5 : 3) : 1;
      const std::uint32_t room = cap_ - rec_.GetDataSize();
      const std::size_t left = text.size() - done;
      std::size_t k = left;
      if (h + unit * left > room) {
        k = room > h ? (room - h) / unit : 0;
        if (k > 0 && IsHighSurrogate(text[done + k - 1])) --k;
        if (k == 0 && start) {
          CloseRecord();
          continue;
        }
      }
      if (start && n % bucketSize_ == 0) AddExtSSTItem(rec_.GetDataSize(), pos_);
      if (start) rec_.AddWord(static_cast<std::uint16_t>(text.size()));
      rec_.AddByte(start && rich ? static_cast<std::uint8_t>(option | kRichFlag) : option);
      if (start && rich) rec_.AddWord(static_cast<std::uint16_t>(runs->size()));
      const std::u16string_view piece = text.substr(done, k);
      if (compressed) {
        std::uint8_t* out = rec_.GetBuff() + rec_.GetDataSize();
        for (std::size_t i = 0; i < k; ++i) out[i] = static_cast<std::uint8_t>(piece[i]);
        rec_.SetDataSize(rec_.GetDataSize() + static_cast<std::uint32_t>(k));
      } else {
        rec_.AddWideString(piece);
      }
      pos_ += h + unit * static_cast<std::uint32_t>(k);
      done += k;
      if (done == text.size()) break;
      CloseRecord();
      start = false;
    }
    if (!rich) return;
    for (const TXLSRichRun& run : *runs) {
      if (status_ != xlsOK) return;
      if (cap_ - rec_.GetDataSize() < 4) {
        CloseRecord();
        OpenRecord();
      }
      rec_.AddWord(static_cast<std::uint16_t>(run.First));
      rec_.AddWord(fontNumber_ ? fontNumber_(run.Font) : static_cast<std::uint16_t>(run.Font));
      pos_ += 4;
    }
  }

  // Closes the open SST or CONTINUE record and the open EXTSST record, then hands
  // over the EXTSST records.
  std::int32_t Finish() {
    if (open_) CloseRecord();
    if (extOpen_) CloseExt();
    for (TXLSBlob& ext : ext_) {
      if (status_ != xlsOK) break;
      status_ = sink_.AppendRecord(ext);
    }
    return status_;
  }

 private:
  void OpenRecord() {
    rec_.SetDataSize(0);
    if (sstHeaderPending_) {
      rec_.AddWord(RecNo(Rec::SST));
      rec_.AddWord(0);  // body length, written on close
      rec_.AddLong(static_cast<std::uint32_t>(totalRefs_));
      rec_.AddLong(static_cast<std::uint32_t>(unique_));
      sstHeaderPending_ = false;
      pos_ += 12;
    } else {
      rec_.AddWord(RecNo(Rec::CONTINUE));
      rec_.AddWord(0);
      pos_ += 4;
    }
    open_ = true;
  }

  void CloseRecord() {
    open_ = false;
    if (rec_.GetDataSize() <= 4 || status_ != xlsOK) return;
    rec_.SetWord(static_cast<std::uint16_t>(rec_.GetDataSize() - 4), 2);
    status_ = sink_.AppendRecord(rec_);
  }

  // One EXTSST entry: the stream position of the string's first byte, its offset
  // from the first header byte of its record, and a reserved word.
  void AddExtSSTItem(std::uint32_t offsetInRecord, std::uint32_t streamPos) {
    if (extOpen_ && ext_.back().GetDataSize() + 8 > cap_) CloseExt();
    if (!extOpen_) {
      ext_.emplace_back(cap_);
      TXLSBlob& b = ext_.back();
      if (extHeaderPending_) {
        b.AddWord(RecNo(Rec::EXTSST));
        b.AddWord(0);
        b.AddWord(bucketSize_);
        extHeaderPending_ = false;
      } else {
        b.AddWord(RecNo(Rec::CONTINUE));
        b.AddWord(0);
      }
      extOpen_ = true;
    }
    TXLSBlob& b = ext_.back();
    b.AddLong(streamPos);
    b.AddWord(static_cast<std::uint16_t>(offsetInRecord));
    b.AddWord(0);
  }

  void CloseExt() {
    extOpen_ = false;
    TXLSBlob& b = ext_.back();
    b.SetWord(static_cast<std::uint16_t>(b.GetDataSize() - 4), 2);
  }

  static constexpr std::uint8_t kRichFlag = 0x08;

  IRecordSink& sink_;
  const TRunFontNumber& fontNumber_;
  const std::uint32_t cap_;  // record limit + 4 header bytes
  TXLSBlob rec_;
  std::vector<TXLSBlob> ext_;
  std::uint32_t pos_;
  const std::int32_t totalRefs_;
  const std::int32_t unique_;
  const std::uint16_t bucketSize_;
  std::int32_t status_ = xlsOK;
  bool open_ = false;
  bool extOpen_ = false;
  bool sstHeaderPending_ = true;
  bool extHeaderPending_ = true;
};

// Counts the bytes of the records handed to it.
class TSizeCounter final : public IRecordSink {
 public:
  std::int32_t AppendRecord(TXLSBlob& record) override {
    bytes += record.GetDataSize();
    return xlsOK;
  }
  std::uint32_t bytes = 0;
};

}  // namespace

TXLSStringTable::TXLSStringTable() : entries_(1), slots_(kInitialSlots), slotShift_(32 - 4) {}

std::uint32_t TXLSStringTable::Hash(std::u16string_view text) noexcept {
  std::uint32_t h = 0;
  for (const char16_t c : text) h = h * 33 + c;
  return h + (h >> 5);
}

std::size_t TXLSStringTable::SlotOf(std::uint32_t hash) const noexcept {
  // The text hash mixes its last characters weakly; spread it over the slots.
  return static_cast<std::size_t>((hash * 0x9E3779B1u) >> slotShift_);
}

std::int32_t TXLSStringTable::FindIndex(std::u16string_view text, std::uint32_t hash,
                                        const TXLSRichRuns* runs) const noexcept {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = SlotOf(hash);; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.index == 0) return -1;
    if (s.hash != hash || entries_[static_cast<std::size_t>(s.index)].text != text) continue;
    // A text with runs and the same text without them are entries of their own.
    const TXLSRichRuns* own = runs_.empty() ? nullptr : GetRuns(s.index);
    if (runs ? (own && *own == *runs) : !own) return s.index;
  }
}

std::uint32_t TXLSStringTable::RichHash(std::u16string_view text, const TXLSRichRuns& runs) noexcept {
  std::uint32_t h = Hash(text);
  for (const TXLSRichRun& r : runs) h = (h ^ (r.First * 0x9E3779B1u)) * 33 + static_cast<std::uint32_t>(r.Font);
  return h + 1;
}

std::uint32_t TXLSStringTable::EntryHash(std::int32_t index) const noexcept {
  const std::u16string& text = entries_[static_cast<std::size_t>(index)].text;
  const TXLSRichRuns* runs = runs_.empty() ? nullptr : GetRuns(index);
  return runs ? RichHash(text, *runs) : Hash(text);
}

const TXLSRichRuns* TXLSStringTable::GetRuns(std::int32_t index) const noexcept {
  if (runs_.empty()) return nullptr;
  const auto it = runs_.find(index);
  return it == runs_.end() ? nullptr : &it->second;
}

void TXLSStringTable::SetHashValue(std::uint32_t hash, std::int32_t index) {
  if ((slotsUsed_ + 1) * 2 > slots_.size()) ExtendHash();
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = SlotOf(hash);
  while (slots_[i].index != 0) i = (i + 1) & mask;
  slots_[i] = Slot{hash, index};
  ++slotsUsed_;
}

void TXLSStringTable::ExtendHash() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  --slotShift_;
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.index == 0) continue;
    std::size_t i = SlotOf(s.hash);
    while (slots_[i].index != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

// Removes the slot of index, shifting later members of its probe run back so that
// every remaining text is still found without tombstones.
void TXLSStringTable::DeleteKey(std::int32_t index) {
  const std::uint32_t hash = EntryHash(index);
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = SlotOf(hash);
  while (slots_[i].index != index) {
    if (slots_[i].index == 0) return;
    i = (i + 1) & mask;
  }
  for (std::size_t j = (i + 1) & mask; slots_[j].index != 0; j = (j + 1) & mask) {
    const std::size_t home = SlotOf(slots_[j].hash);
    // Slot j may fill the hole at i unless its home lies cyclically in (i, j].
    const bool stays = (i < j) ? (home > i && home <= j) : (home > i || home <= j);
    if (!stays) {
      slots_[i] = slots_[j];
      i = j;
    }
  }
  slots_[i] = Slot{};
  --slotsUsed_;
}

std::int32_t TXLSStringTable::Add(std::u16string_view text) {
  const std::uint32_t hash = Hash(text);
  ++totalRefs_;
  const std::int32_t found = FindIndex(text, hash);
  if (found > 0) {
    ++entries_[static_cast<std::size_t>(found)].refs;
    return found;
  }
  return NewEntry(text, hash);
}

std::int32_t TXLSStringTable::NewEntry(std::u16string_view text, std::uint32_t hash) {
  ++unique_;
  std::int32_t index;
  if (freeIndices_.empty()) {
    index = static_cast<std::int32_t>(entries_.size());
    entries_.emplace_back();
  } else {
    index = freeIndices_.back();
    freeIndices_.pop_back();
  }
  Entry& e = entries_[static_cast<std::size_t>(index)];
  e.refs = 1;
  e.text.assign(text);
  SetHashValue(hash, index);
  return index;
}

std::int32_t TXLSStringTable::AddRich(std::u16string_view text, TXLSRichRuns runs) {
  text = CutUtf16(text, kMaxChars);
  NormalizeRuns(runs, text.size());
  if (runs.empty()) return Add(text);
  const std::uint32_t hash = RichHash(text, runs);
  ++totalRefs_;
  const std::int32_t found = FindIndex(text, hash, &runs);
  if (found > 0) {
    ++entries_[static_cast<std::size_t>(found)].refs;
    return found;
  }
  // The runs go first: the hash slot is found again through them.
  const std::int32_t index = freeIndices_.empty() ? static_cast<std::int32_t>(entries_.size()) : freeIndices_.back();
  runs_[index] = std::move(runs);
  return NewEntry(text, hash);
}

std::vector<std::int32_t> TXLSStringTable::RunFonts() const {
  std::vector<std::int32_t> fonts;
  for (const auto& [index, runs] : runs_)
    for (const TXLSRichRun& r : runs) fonts.push_back(r.Font);
  return fonts;
}

std::int32_t TXLSStringTable::Add(std::string_view utf8) {
  scratch_.clear();
  AppendUtf8AsUtf16(utf8, scratch_);
  return Add(std::u16string_view(scratch_));
}

void TXLSStringTable::Remove(std::int32_t index) {
  if (index < 1 || index > GetCount()) return;
  Entry& e = entries_[static_cast<std::size_t>(index)];
  if (e.refs <= 0) return;  // a free entry holds nothing to release
  --totalRefs_;
  if (--e.refs > 0) return;
  --unique_;
  DeleteKey(index);
  if (!runs_.empty()) runs_.erase(index);
  if (index == GetCount()) {
    entries_.pop_back();
  } else {
    std::u16string().swap(e.text);
    e.extIndex = -1;
    freeIndices_.push_back(index);
  }
}

std::int32_t TXLSStringTable::Replace(std::int32_t index, std::u16string_view text) {
  // Adding first keeps an entry alive that is replaced by its own text.
  const std::int32_t added = Add(text);
  Remove(index);
  return added;
}

void TXLSStringTable::ReplaceIndex(std::int32_t oldIndex, std::int32_t newIndex) {
  if (newIndex >= 1 && newIndex <= GetCount()) {
    Entry& e = entries_[static_cast<std::size_t>(newIndex)];
    if (e.refs > 0) {
      ++e.refs;
      ++totalRefs_;
    }
  }
  if (oldIndex >= 1) Remove(oldIndex);
}

std::u16string_view TXLSStringTable::GetValue(std::int32_t index) const noexcept {
  if (index < 1 || index > GetCount()) return {};
  return entries_[static_cast<std::size_t>(index)].text;
}

std::int32_t TXLSStringTable::GetHashValue(std::u16string_view text) const noexcept {
  return FindIndex(text, Hash(text));
}

std::int32_t TXLSStringTable::GetRefCount(std::int32_t index) const noexcept {
  if (index < 1 || index > GetCount()) return 0;
  return entries_[static_cast<std::size_t>(index)].refs;
}

void TXLSStringTable::InitExtIndex() {
  std::int32_t next = 0;
  for (std::size_t i = 1; i < entries_.size(); ++i) {
    Entry& e = entries_[i];
    e.extIndex = e.refs > 0 ? next++ : -1;
  }
}

std::int32_t TXLSStringTable::GetExtIndex(std::int32_t index) const noexcept {
  if (index < 1 || index > GetCount()) return -1;
  const Entry& e = entries_[static_cast<std::size_t>(index)];
  return e.refs > 0 ? e.extIndex : -1;
}

void TXLSStringTable::SetMaxRecord(std::uint16_t maxBody) noexcept {
  maxRecord_ = maxBody < 16 ? 16 : (maxBody > kDefaultMaxRecord ? kDefaultMaxRecord : maxBody);
}

std::int32_t TXLSStringTable::AddSSTData(IRecordSink& sink, std::uint32_t streamOffset,
                                        const TRunFontNumber& fontNumber) const {
  if (unique_ <= 0) return xlsOK;
  SSTWriter w(sink, maxRecord_, streamOffset, totalRefs_, unique_, fontNumber);
  std::uint32_t n = 0;
  for (std::size_t i = 1; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    if (e.refs <= 0) continue;
    // A text longer than a cell holds goes in cut (its runs with it); its cells warn of it.
    w.AddSSTItem(n++, CutUtf16(e.text, kMaxChars), GetRuns(static_cast<std::int32_t>(i)));
  }
  return w.Finish();
}

std::uint32_t TXLSStringTable::GetSSTDataSize() const {
  TSizeCounter counter;
  (void)AddSSTData(counter, 0);
  return counter.bytes;
}

}  // namespace tablirex
