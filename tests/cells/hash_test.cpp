#include "cells/hash.h"

#include <gtest/gtest.h>

#include <string>

namespace tablirex {
namespace {

std::u16string Key(int i) { return u"key" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + char16_t(u'0' + i / 26); }

TEST(Hash, KnownValues) {
  struct Case {
    std::u16string_view key;
    std::uint32_t hash;
  };
  const Case cases[] = {
      {u"", 0},
      {u"A", 67},                  // 65 + (65 >> 5)
      {u"AB", 2280},               // 65 * 33 + 66 = 2211, + 69
      {u"\uFFFF", 65535 + 2047},   // a unit above the 8-bit range
  };
  for (const Case& c : cases) EXPECT_EQ(THash::Hash(c.key), c.hash) << std::string(c.key.begin(), c.key.end());
  // Long keys wrap at 32 bits, the final addition too.
  EXPECT_EQ(THash::Hash(std::u16string(64, u'z')), 1745709108u);
}

TEST(Hash, NinthInsertionDoublesAndKeepsEveryKey) {
  THashInteger h;
  for (int i = 0; i < 8; ++i) h.SetValue(Key(i), i);
  EXPECT_EQ(h.GetCapacity(), 8);
  h.SetValue(Key(8), 8);
  EXPECT_EQ(h.GetCapacity(), 16);
  for (int i = 0; i < 200; ++i) h.SetValue(Key(i), i * 3);
  EXPECT_EQ(h.Count(), 200);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(h.GetValue(Key(i)), i * 3) << i;
}

TEST(Hash, MaximumStopsGrowthButNotLookups) {
  THashInteger h;
  h.SetMaxCapacity(8);
  for (int i = 0; i < 100; ++i) h.SetValue(Key(i), i + 1);
  EXPECT_EQ(h.GetCapacity(), 8);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(h.GetValue(Key(i)), i + 1);
  h.SetMaxCapacity(-5);
  EXPECT_EQ(h.GetMaxCapacity(), -1);
  h.SetValue(u"one more", 1);
  EXPECT_GT(h.GetCapacity(), 8);
}

TEST(Hash, CapacityAndMaximumRules) {
  struct Case {
    std::int32_t request;
    std::int32_t buckets;
  };
  for (const Case c : {Case{4, 8}, Case{8, 8}, Case{9, 16}, Case{16, 16}, Case{17, 32}, Case{1000, 1024}}) {
    THash h;
    h.SetCapacity(c.request);
    EXPECT_EQ(h.GetCapacity(), c.buckets) << c.request;
  }
  THash h;
  h.SetMaxCapacity(3);  // below the bucket count: becomes the bucket count
  EXPECT_EQ(h.GetMaxCapacity(), 8);
  h.ExtendHash(1);
  EXPECT_EQ(h.GetCapacity(), 8);
}

TEST(Hash, AbsentKeysReadEmptyWithoutCreating) {
  THashString s;
  THashPointer p;
  THashSingle f;
  THashBool b;
  THashInteger i;
  EXPECT_EQ(s.GetValue(u"x"), "");
  EXPECT_EQ(p.GetValue(u"x"), nullptr);
  EXPECT_EQ(f.GetValue(u"x"), 0.0f);
  EXPECT_FALSE(b.GetValue(u"x"));
  EXPECT_EQ(i.GetValue(u"x"), 0);
  EXPECT_FALSE(s.KeyExists(u"x") || p.KeyExists(u"x") || f.KeyExists(u"x") || b.KeyExists(u"x") ||
               i.KeyExists(u"x"));
  // The base table makes no entries at all.
  THash base;
  EXPECT_EQ(base.GetHashEntry(u"x"), nullptr);
  EXPECT_EQ(base.Count(), 0);
}

TEST(Hash, KeysCompareExactly) {
  THashInteger h;
  h.SetValue(u"Arial", 1);
  h.SetValue(u"arial", 2);
  h.SetValue(u"Arial ", 3);
  EXPECT_EQ(h.GetValue(u"Arial"), 1);
  EXPECT_EQ(h.GetValue(u"arial"), 2);
  EXPECT_EQ(h.GetValue(u"Arial "), 3);
  h.DeleteKey(u"arial");
  EXPECT_FALSE(h.KeyExists(u"arial"));
  EXPECT_EQ(h.Count(), 2);
  h.DeleteKey(u"absent");
  EXPECT_EQ(h.Count(), 2);
}

TEST(Hash, KeysListsAllOrByPrefix) {
  THashString h;
  h.SetValue(u"F1", "a");
  h.SetValue(u"F2", "b");
  h.SetValue(u"G1", "c");
  h.SetValue(u"\u00e9t\u00e9", "d");
  auto all = h.Keys();
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, (std::vector<std::string>{"F1", "F2", "G1", "\xC3\xA9t\xC3\xA9"}));
  auto f = h.Keys(u"F");
  std::sort(f.begin(), f.end());
  EXPECT_EQ(f, (std::vector<std::string>{"F1", "F2"}));
  EXPECT_TRUE(h.Keys(u"f").empty());
}

TEST(HashArrays, IntegerKeysAreTheirDecimalText) {
  TBoolArray b;
  b.SetValue(1u, true);
  EXPECT_TRUE(b.KeyExists(1u));
  EXPECT_FALSE(b.KeyExists(10u));
  EXPECT_FALSE(b.GetValue(10u));
  b.SetValue(10u, false);
  EXPECT_TRUE(b.KeyExists(10u));
  EXPECT_TRUE(b.GetValue(1u));
  EXPECT_TRUE(b.KeyExists(u"10"));

  TSingleArray s;
  s.SetValue(0u, 1.5f);
  s.SetValue(4294967295u, 2.5f);
  EXPECT_TRUE(s.KeyExists(u"0"));
  EXPECT_TRUE(s.KeyExists(u"4294967295"));
  EXPECT_EQ(s.GetValue(4294967295u), 2.5f);

  int x = 0;
  TPointerArray p;
  p.SetValue(65535u, &x);
  EXPECT_EQ(p.GetValue(65535u), &x);
  EXPECT_EQ(p.GetValue(6553u), nullptr);
}

}  // namespace
}  // namespace tablirex
