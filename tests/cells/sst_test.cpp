#include "cells/sst.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "biff/records.h"

namespace tablirex {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t Word(const Bytes& b, std::size_t off) {
  return static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8));
}
std::uint32_t Long(const Bytes& b, std::size_t off) {
  return static_cast<std::uint32_t>(Word(b, off)) | (static_cast<std::uint32_t>(Word(b, off + 2)) << 16);
}

std::u16string Repeat(char16_t c, std::size_t n) { return std::u16string(n, c); }

// What a reader makes of the SST records: the strings, and for each string every
// piece's (record, first byte in the record, code units) so tests can see splits.
struct Piece {
  std::size_t record;
  std::size_t offset;
  std::size_t units;
  bool compressed;
};
struct ReadSST {
  std::uint32_t total = 0;
  std::uint32_t unique = 0;
  std::vector<std::u16string> strings;
  std::vector<std::vector<Piece>> pieces;
  std::size_t extRecord = 0;  // index of the EXTSST record
};

ReadSST ReadBack(const std::vector<Bytes>& recs) {
  ReadSST out;
  EXPECT_FALSE(recs.empty());
  if (recs.empty()) return out;
  for (const Bytes& r : recs) EXPECT_EQ(Word(r, 2), r.size() - 4);
  EXPECT_EQ(Word(recs[0], 0), RecNo(Rec::SST));
  out.total = Long(recs[0], 4);
  out.unique = Long(recs[0], 8);
  std::size_t rec = 0, pos = 12;
  for (std::uint32_t n = 0; n < out.unique; ++n) {
    if (pos == recs[rec].size()) {
      ++rec;
      pos = 4;
      EXPECT_EQ(Word(recs[rec], 0), RecNo(Rec::CONTINUE));
    }
    const Bytes* r = &recs[rec];
    const std::size_t count = Word(*r, pos);
    pos += 2;
    std::u16string s;
    std::vector<Piece> ps;
    for (;;) {
      const std::uint8_t option = (*r)[pos++];
      EXPECT_TRUE(option == 0 || option == 1);
      const std::size_t unit = option ? 2 : 1;
      std::size_t k = (r->size() - pos) / unit;
      if (k > count - s.size()) k = count - s.size();
      ps.push_back({rec, pos - (ps.empty() ? 3 : 1), k, option == 0});
      for (std::size_t i = 0; i < k; ++i)
        s.push_back(static_cast<char16_t>(unit == 2 ? Word(*r, pos + 2 * i) : (*r)[pos + i]));
      pos += k * unit;
      if (s.size() == count) break;
      EXPECT_EQ(pos, r->size()) << "a string continues only at the end of its record";
      ++rec;
      r = &recs[rec];
      EXPECT_EQ(Word(*r, 0), RecNo(Rec::CONTINUE));
      pos = 4;
    }
    out.strings.push_back(s);
    out.pieces.push_back(ps);
  }
  EXPECT_EQ(pos, recs[rec].size()) << "nothing after the last string";
  out.extRecord = rec + 1;
  EXPECT_LT(out.extRecord, recs.size());
  if (out.extRecord < recs.size()) {
    EXPECT_EQ(Word(recs[out.extRecord], 0), RecNo(Rec::EXTSST));
  }
  return out;
}

std::vector<Bytes> Save(const TXLSStringTable& t, std::uint32_t offset = 0) {
  TRecordCollector sink;
  EXPECT_EQ(t.AddSSTData(sink, offset), 1);
  std::uint32_t size = 0;
  for (const Bytes& r : sink.records) size += static_cast<std::uint32_t>(r.size());
  EXPECT_EQ(t.GetSSTDataSize(), size);
  return sink.records;
}

TEST(StringTable, SharesEqualTextsAndCounts) {
  TXLSStringTable t;
  const std::int32_t a = t.Add(u"apple");
  EXPECT_EQ(a, 1);
  EXPECT_EQ(t.Add(std::string_view("apple")), a);  // the UTF-8 form finds the same entry
  EXPECT_EQ(t.GetRefCount(a), 2);
  EXPECT_EQ(t.GetTotalRefs(), 2);
  EXPECT_EQ(t.GetUniqueCount(), 1);
  EXPECT_EQ(t.Add(u"Apple"), 2);  // case matters
  t.Remove(a);
  EXPECT_EQ(t.GetValue(a), u"apple");
  EXPECT_EQ(t.GetRefCount(a), 1);
  EXPECT_EQ(t.GetTotalRefs(), 2);
}

TEST(StringTable, ReleasedIndicesAreReusedUnlessHighest) {
  TXLSStringTable t;
  for (const char16_t* s : {u"a", u"b", u"c"}) t.Add(s);
  t.Remove(2);
  EXPECT_EQ(t.GetValue(2), u"");
  EXPECT_EQ(t.GetHashValue(u"b"), -1);
  EXPECT_EQ(t.Add(u"d"), 2);  // the freed index first
  t.Remove(3);                // the highest index is dropped ...
  EXPECT_EQ(t.GetCount(), 2);
  EXPECT_EQ(t.Add(u"e"), 3);  // ... and handed out again as a new one
  EXPECT_EQ(t.GetUniqueCount(), 3);
  EXPECT_EQ(t.GetTotalRefs(), 3);
}

// Releasing an entry that holds no reference must not touch the counts nor push
// its index twice on the free stack (two new texts would then share an index).
TEST(StringTable, RemovingAFreeEntryChangesNothing) {
  TXLSStringTable t;
  t.Add(u"a");
  t.Add(u"b");
  t.Add(u"c");
  t.Remove(2);
  for (const std::int32_t bad : {2, 0, -1, 4, 1000}) t.Remove(bad);
  EXPECT_EQ(t.GetTotalRefs(), 2);
  EXPECT_EQ(t.GetUniqueCount(), 2);
  const std::int32_t x = t.Add(u"x");
  const std::int32_t y = t.Add(u"y");
  EXPECT_EQ(x, 2);
  EXPECT_EQ(y, 4);
  EXPECT_EQ(t.GetValue(x), u"x");
}

TEST(StringTable, ReplaceAndReplaceIndex) {
  TXLSStringTable t;
  const std::int32_t a = t.Add(u"a");
  EXPECT_EQ(t.Replace(a, u"a"), a);  // replacing by its own text keeps the entry
  EXPECT_EQ(t.GetRefCount(a), 1);
  const std::int32_t b = t.Replace(a, u"b");
  EXPECT_EQ(t.GetValue(b), u"b");
  EXPECT_EQ(t.GetHashValue(u"a"), -1);
  t.ReplaceIndex(0, b);  // a copied cell takes one more reference
  EXPECT_EQ(t.GetRefCount(b), 2);
  t.ReplaceIndex(b, b);
  EXPECT_EQ(t.GetRefCount(b), 2);
  t.ReplaceIndex(b, 99);  // nothing to gain at an unknown index
  EXPECT_EQ(t.GetRefCount(b), 1);
  EXPECT_EQ(t.GetTotalRefs(), 1);
}

TEST(StringTable, SavedIndicesSkipFreeEntries) {
  TXLSStringTable t;
  t.Add(u"a");
  t.Add(u"gone");
  t.Add(u"b");
  t.Remove(2);
  t.InitExtIndex();
  EXPECT_EQ(t.GetExtIndex(1), 0);
  EXPECT_EQ(t.GetExtIndex(2), -1);
  EXPECT_EQ(t.GetExtIndex(3), 1);
  EXPECT_EQ(t.GetExtIndex(0), -1);
  EXPECT_EQ(t.GetExtIndex(4), -1);
  const ReadSST r = ReadBack(Save(t));
  EXPECT_EQ(r.strings, (std::vector<std::u16string>{u"a", u"b"}));
}

TEST(StringTable, OverlongTextsAreKeptWholeAndWrittenCutWithoutSplittingAPair) {
  TXLSStringTable t;
  const std::int32_t a = t.Add(Repeat(u'x', 40000));
  EXPECT_EQ(t.GetValue(a).size(), 40000u);
  // Texts equal up to the limit stay two entries: the cells keep what they were given.
  EXPECT_NE(t.Add(Repeat(u'x', 50000)), a);
  // A pair straddling the limit is left out whole.
  t.Add(Repeat(u'y', TXLSStringTable::kMaxChars - 1) + u"\U0001F600");
  const ReadSST r = ReadBack(Save(t));
  ASSERT_EQ(r.strings.size(), 3u);
  EXPECT_EQ(r.strings[0], Repeat(u'x', TXLSStringTable::kMaxChars));
  EXPECT_EQ(r.strings[1], Repeat(u'x', TXLSStringTable::kMaxChars));
  EXPECT_EQ(r.strings[2], Repeat(u'y', TXLSStringTable::kMaxChars - 1));
}

// Random adds and removes against a plain model: indices stay with their texts
// and every live text is found after many deletions from the lookup.
TEST(StringTable, AgreesWithAModelUnderChurn) {
  TXLSStringTable t;
  std::map<std::int32_t, std::pair<std::u16string, int>> model;
  std::mt19937 rng(7);
  std::vector<std::int32_t> held;
  for (int step = 0; step < 20000; ++step) {
    if (held.empty() || rng() % 3 != 0) {
      const char16_t a = static_cast<char16_t>(u'a' + rng() % 26);
      const char16_t b = static_cast<char16_t>(0x400 + rng() % 40);
      const std::u16string s{u's', a, b};
      const std::int32_t i = t.Add(s);
      auto& m = model[i];
      if (m.second > 0) {
        ASSERT_EQ(m.first, s);
      }
      m = {s, m.second + 1};
      held.push_back(i);
    } else {
      const std::size_t k = rng() % held.size();
      const std::int32_t i = held[k];
      held[k] = held.back();
      held.pop_back();
      t.Remove(i);
      if (--model[i].second == 0) model.erase(i);
    }
  }
  std::int32_t total = 0;
  for (const auto& [i, m] : model) {
    EXPECT_EQ(t.GetValue(i), m.first);
    EXPECT_EQ(t.GetRefCount(i), m.second);
    EXPECT_EQ(t.GetHashValue(m.first), i);
    total += m.second;
  }
  EXPECT_EQ(t.GetTotalRefs(), total);
  EXPECT_EQ(t.GetUniqueCount(), static_cast<std::int32_t>(model.size()));
}

TEST(StringTable, NothingIsWrittenWithoutLiveStrings) {
  TXLSStringTable t;
  EXPECT_TRUE(Save(t).empty());
  t.Remove(t.Add(u"a"));
  EXPECT_TRUE(Save(t).empty());
}

// Exact bytes of a small table: one compressed and one uncompressed string, and
// the EXTSST entry of string 0.
TEST(StringTable, SmallTableBytes) {
  TXLSStringTable t;
  t.Add(u"ab");
  t.Add(u"ab");
  t.Add(u"\u0436\U0001F600");  // a Cyrillic letter and an emoji: 3 code units
  const std::vector<Bytes> recs = Save(t, 0x1000);
  ASSERT_EQ(recs.size(), 2u);
  const Bytes sst = {0xFC, 0x00, 0x16, 0x00,  // SST, body 22
                     3,    0,    0,    0,     // total references
                     2,    0,    0,    0,     // unique strings
                     2,    0,    0x00, 'a',  'b',              // "ab", compressed
                     3,    0,    0x01, 0x36, 0x04, 0x3D, 0xD8, 0x00, 0xDE};
  EXPECT_EQ(recs[0], sst);
  const Bytes ext = {0xFF, 0x00, 0x0A, 0x00,      // EXTSST, body 10
                     8,    0,                     // strings per entry
                     0x0C, 0x10, 0x00, 0x00,      // stream position 0x1000 + 12
                     12,   0,    0,    0};        // offset in record, reserved
  EXPECT_EQ(recs[1], ext);
}

TEST(StringTable, ExtSSTHasOneEntryPerEightStrings) {
  TXLSStringTable t;
  for (int i = 0; i < 20; ++i) t.Add(std::u16string{u's', static_cast<char16_t>(u'A' + i)});
  const std::uint32_t base = 500;
  const std::vector<Bytes> recs = Save(t, base);
  ASSERT_EQ(recs.size(), 2u);
  const Bytes& ext = recs[1];
  ASSERT_EQ(ext.size(), 4u + 2 + 3 * 8);
  EXPECT_EQ(Word(ext, 4), 8);
  // Each string takes 5 bytes (count, option, two characters) after the 12 of the header.
  for (std::uint32_t e = 0; e < 3; ++e) {
    const std::uint32_t inRecord = 12 + 5 * 8 * e;
    EXPECT_EQ(Long(ext, 6 + 8 * e), base + inRecord);
    EXPECT_EQ(Word(ext, 10 + 8 * e), inRecord);
    EXPECT_EQ(Word(ext, 12 + 8 * e), 0);
  }
}

// Splits at the BIFF8 limit. The first string fills the SST record up to "left"
// free bytes; the second string then starts there.
struct SplitCase {
  const char* name;
  std::size_t left;          // bytes free in the SST record when the second string starts
  std::u16string second;
  std::vector<std::size_t> pieceUnits;  // code units per piece of the second string
  std::size_t firstRecord;   // record of its first piece
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class StringTableSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(StringTableSplit, PiecesFollowTheRecordLimit) {
  const SplitCase& c = GetParam();
  TXLSStringTable t;
  // SST record: 8224 body bytes, 8 of them counts; a compressed filler of n
  // characters takes 3 + n.
  t.Add(Repeat(u'f', 8216 - 3 - c.left));
  t.Add(c.second);
  const std::vector<Bytes> recs = Save(t);
  for (const Bytes& r : recs) EXPECT_LE(r.size(), 8228u);
  const ReadSST r = ReadBack(recs);
  ASSERT_EQ(r.strings.size(), 2u);
  EXPECT_EQ(r.strings[1], c.second);
  std::vector<std::size_t> units;
  for (const Piece& p : r.pieces[1]) units.push_back(p.units);
  EXPECT_EQ(units, c.pieceUnits);
  EXPECT_EQ(r.pieces[1][0].record, c.firstRecord);
  // No piece ends inside a surrogate pair.
  std::size_t end = 0;
  for (const Piece& p : r.pieces[1]) {
    end += p.units;
    if (end > 0 && end < c.second.size()) {
      EXPECT_FALSE(c.second[end - 1] >= 0xD800 && c.second[end - 1] <= 0xDBFF);
    }
  }
}

const std::u16string kZh = Repeat(u'\u0436', 4200);

INSTANTIATE_TEST_SUITE_P(
    Cases, StringTableSplit,
    ::testing::Values(
        // At the start of a CONTINUE record: 4110 characters, then 90 after an option byte.
        SplitCase{"LongAtContinueStart", 0, kZh, {4110, 90}, 1},
        // Four bytes free: the header and one two-byte character do not fit.
        SplitCase{"FourBytesLeftWide", 4, u"\u0436\u0436", {2}, 1},
        // Four bytes free hold the header and one compressed character.
        SplitCase{"FourBytesLeftCompressed", 4, u"ab", {1, 1}, 0},
        // Two bytes free: not even the character count fits.
        SplitCase{"TwoBytesLeft", 2, u"", {0}, 1},
        // A split that would end between the halves of an emoji ends before it.
        SplitCase{"EmojiAtSplit", 0, Repeat(u'\u0436', 4109) + u"\U0001F600z", {4109, 3}, 1},
        // Compressed text splits by bytes: 5 characters in 8 free bytes, the rest continued.
        SplitCase{"CompressedSplit", 8, Repeat(u'q', 4200), {5, 4195}, 0}),
    [](const ::testing::TestParamInfo<SplitCase>& i) { return std::string(i.param.name); });

// The exact bytes around a split: the continued piece begins with the option byte
// and the EXTSST entry of a string that moved points into the CONTINUE record.
TEST(StringTable, ContinuedPieceBytesAndMovedStringPosition) {
  TXLSStringTable t;
  t.SetMaxRecord(16);  // tiny records make every boundary visible
  for (int i = 0; i < 8; ++i) t.Add(std::u16string(1, static_cast<char16_t>(u'0' + i)));
  t.Add(u"\u0436\u0437\u0438\u0439");
  const std::vector<Bytes> recs = Save(t, 100);
  // SST: 8 bytes of counts, then two strings (4 bytes each) fill the 16-byte body.
  ASSERT_GE(recs.size(), 4u);
  EXPECT_EQ(recs[0].size(), 20u);
  // CONTINUE 1: 4 strings; CONTINUE 2: 2 strings and the start of string 8 (3 + 2 + 2 + 2).
  const Bytes& c2 = recs[2];
  EXPECT_EQ(Word(c2, 0), RecNo(Rec::CONTINUE));
  const Bytes tail = {1, 0, 0, '6', 1, 0, 0, '7', 4, 0, 1, 0x36, 0x04, 0x37, 0x04};
  ASSERT_EQ(c2.size(), 4 + tail.size());
  EXPECT_EQ(Bytes(c2.begin() + 4, c2.end()), tail);
  EXPECT_EQ(recs[3], (Bytes{0x3C, 0, 5, 0, 1, 0x38, 0x04, 0x39, 0x04}));
  // EXTSST: string 0 at stream 100 + 12; string 8 at 100 + 20 + 20 + 4 + 8. Its
  // second entry no longer fits the 16-byte body and goes into a CONTINUE record.
  ASSERT_EQ(recs.size(), 6u);
  EXPECT_EQ(recs[4], (Bytes{0xFF, 0, 10, 0, 8, 0, 112, 0, 0, 0, 12, 0, 0, 0}));
  EXPECT_EQ(recs[5], (Bytes{0x3C, 0, 8, 0, 152, 0, 0, 0, 12, 0, 0, 0}));
}

// With many strings every EXTSST entry points at its string's character count in
// the stream, and the EXTSST spills into CONTINUE records within the limit.
TEST(StringTable, ExtSSTPositionsMatchTheStream) {
  TXLSStringTable t;
  t.SetMaxRecord(64);
  std::mt19937 rng(3);
  std::vector<std::u16string> texts;
  for (int i = 0; i < 300; ++i) {
    std::u16string s;
    const std::size_t len = rng() % 40;
    const bool wide = rng() % 2;
    for (std::size_t k = 0; k < len; ++k) {
      if (wide && rng() % 5 == 0) s += u"\U0001F600";
      else s.push_back(static_cast<char16_t>((wide ? 0x430 : 0x41) + rng() % 20));
    }
    // A distinct ending keeps every text its own entry.
    if (wide) s.push_back(static_cast<char16_t>(0x100 + i));
    else s += {static_cast<char16_t>(u'a' + i % 26), static_cast<char16_t>(u'a' + i / 26)};
    texts.push_back(s);
    t.Add(s);
  }
  const std::uint32_t base = 7777;
  const std::vector<Bytes> recs = Save(t, base);
  const ReadSST r = ReadBack(recs);
  EXPECT_EQ(r.strings, texts);
  Bytes stream;
  for (const Bytes& rec : recs) stream.insert(stream.end(), rec.begin(), rec.end());
  std::vector<std::size_t> recStart;
  std::size_t at = 0;
  for (const Bytes& rec : recs) {
    EXPECT_LE(rec.size(), 68u);
    recStart.push_back(at);
    at += rec.size();
  }
  // Collect the EXTSST entries across its CONTINUE records.
  Bytes ext;
  for (std::size_t i = r.extRecord; i < recs.size(); ++i)
    ext.insert(ext.end(), recs[i].begin() + 4 + (i == r.extRecord ? 2 : 0), recs[i].end());
  ASSERT_EQ(ext.size(), 8u * ((texts.size() + 7) / 8));
  for (std::size_t e = 0; e * 8 < texts.size(); ++e) {
    const Piece& first = r.pieces[e * 8][0];
    EXPECT_EQ(Long(ext, 8 * e), base + recStart[first.record] + first.offset) << e;
    EXPECT_EQ(Word(ext, 8 * e + 4), first.offset) << e;
    EXPECT_EQ(Word(stream, recStart[first.record] + first.offset), texts[e * 8].size());
  }
}

TEST(StringTable, SinkFailureStopsTheWriter) {
  struct Failing final : IRecordSink {
    std::int32_t AppendRecord(TXLSBlob&) override { return ++calls == 2 ? -7 : 1; }
    int calls = 0;
  } sink;
  TXLSStringTable t;
  t.SetMaxRecord(16);
  for (int i = 0; i < 40; ++i) t.Add(std::u16string(1, static_cast<char16_t>(u'A' + i)));
  EXPECT_EQ(t.AddSSTData(sink, 0), -7);
  EXPECT_EQ(sink.calls, 2);
}

}  // namespace
}  // namespace tablirex
