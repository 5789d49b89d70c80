#include "cells/keylist.h"

#include <gtest/gtest.h>

namespace tablirex {
namespace {

// A list shaped like the font list: base 0, four predefined items on one key.
class FourPredefined : public TXLSKeyList {
 public:
  FourPredefined() {
    SetBaseIndex(0);
    SetPredefinedCount(4);
    SetDefaultKey(u"default");
    for (int i = 0; i < 4; ++i) SetKeyItem(i, u"default");
    SetKeyIndex(u"default", 0);
  }
};

TEST(KeyList, MovingOffAPredefinedItemNeverCountsIt) {
  FourPredefined l;
  EXPECT_EQ(l.GetReferredCount(), 0);
  const std::int32_t a = l.SetKey(2, u"bold");
  EXPECT_EQ(a, 4);
  EXPECT_EQ(l.GetRefCount(2), 0);
  EXPECT_EQ(l.GetRefCount(4), 1);
  EXPECT_EQ(l.GetReferredCount(), 1);
  // A second user of the same key joins the item found through the hash.
  EXPECT_EQ(l.SetKey(0, u"bold"), 4);
  EXPECT_EQ(l.GetRefCount(4), 2);
  EXPECT_EQ(l.GetRefCount(0), 0);
  // Asking for the key of a predefined item found through the hash gives it back
  // uncounted.
  l.SetKeyIndex(u"pre", 3);
  EXPECT_EQ(l.SetKey(4, u"pre"), 3);
  EXPECT_EQ(l.GetRefCount(3), 0);
  EXPECT_EQ(l.GetRefCount(4), 1);
}

TEST(KeyList, HashValueZeroCountsAsAbsent) {
  FourPredefined l;
  // The default key maps to 0: the first request appends a counted copy, and
  // later requests find that copy.
  EXPECT_EQ(l.SetKey(0, u"default"), 4);
  const std::int32_t other = l.SetKey(0, u"other");
  EXPECT_EQ(l.SetKey(other, u"default"), 4);
  EXPECT_EQ(l.GetRefCount(4), 2);
  EXPECT_EQ(l.GetRefCount(other), 0);
  // A predefined item that already carries the key keeps its user.
  EXPECT_EQ(l.SetKey(2, u"default"), 2);
  EXPECT_EQ(l.GetRefCount(4), 2);
}

TEST(KeyList, LastReferenceGoneMeansNotWritten) {
  FourPredefined l;
  const std::int32_t a = l.SetKey(0, u"a");
  const std::int32_t b = l.SetKey(0, u"b");
  EXPECT_EQ(l.GetReferredCount(), 2);
  // The only user of a moves to b.
  EXPECT_EQ(l.SetKey(a, u"b"), b);
  EXPECT_EQ(l.GetReferredCount(), 1);
  EXPECT_EQ(l.GetRefCount(a), 0);
  l.CreateReferredList();
  EXPECT_EQ(l.ReferredListCount(), 5);
  EXPECT_EQ(l.GetReferredCount(), 5);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(l.GetSaveIndex(i), i + 1);
  EXPECT_EQ(l.GetSaveIndex(a), 0);
  EXPECT_EQ(l.GetSaveIndex(b), 5);
  EXPECT_EQ(l.GetReferredItem(4)->key, u"b");
  EXPECT_EQ(l.GetReferredItem(4)->position, b);
  EXPECT_EQ(l.GetSaveIndex(99), 0);
  // A later request for a finds the old item again and it is written once more.
  EXPECT_EQ(l.SetKey(0, u"a"), a);
  l.CreateReferredList();
  EXPECT_EQ(l.GetSaveIndex(a), 5);
  EXPECT_EQ(l.GetSaveIndex(b), 6);
}

TEST(KeyList, SameKeyReturnsIndexUnchanged) {
  FourPredefined l;
  const std::int32_t a = l.SetKey(0, u"a");
  EXPECT_EQ(l.SetKey(a, u"a"), a);
  EXPECT_EQ(l.GetRefCount(a), 1);
}

TEST(KeyList, ReplaceAndIncrementTouchOnlyCountedItems) {
  FourPredefined l;
  const std::int32_t a = l.SetKey(0, u"a");
  const std::int32_t b = l.SetKey(0, u"b");
  struct Step {
    std::int32_t from, to;
    std::int32_t refA, refB, referred;
  };
  const Step steps[] = {
      {a, b, 0, 2, 1},   // a's only user moves to b
      {b, 0, 0, 1, 1},   // one of b's users drops its format
      {0, a, 1, 1, 2},   // a user from a predefined item joins a
      {a, a, 1, 1, 2},   // moving onto the same item changes nothing
      {a, 99, 0, 1, 1},  // an index past the end is ignored
      {b, -3, 0, 0, 0},
      {b, -3, 0, 0, 0},  // never below 0
  };
  for (const Step& s : steps) {
    l.ReplaceIndex(s.from, s.to);
    EXPECT_EQ(l.GetRefCount(a), s.refA) << s.from << "->" << s.to;
    EXPECT_EQ(l.GetRefCount(b), s.refB) << s.from << "->" << s.to;
    EXPECT_EQ(l.GetReferredCount(), s.referred) << s.from << "->" << s.to;
  }
  l.IncReferredCount(2);
  EXPECT_EQ(l.GetRefCount(2), 0);
  l.IncReferredCount(b);
  EXPECT_EQ(l.GetRefCount(b), 1);
  l.ClearAllReferredCount();
  EXPECT_EQ(l.GetRefCount(b), 0);
  EXPECT_EQ(l.GetReferredCount(), 0);
}

TEST(KeyList, DefaultKeyOutsideAndGrowthPastCapacity) {
  FourPredefined l;
  EXPECT_EQ(l.GetKey(4), u"default");
  EXPECT_EQ(l.GetKey(-1), u"default");
  EXPECT_EQ(l.GetItem(4), nullptr);
  std::vector<std::int32_t> got;
  for (int i = 0; i < 130; ++i) got.push_back(l.SetKey(0, u"k" + std::u16string(1, char16_t(u'0' + i % 10)) + char16_t(u'a' + i / 10)));
  for (int i = 0; i < 130; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)], 4 + i);
  EXPECT_EQ(l.Count(), 134);
  EXPECT_EQ(l.FindKey(u"k9m"), 4 + 129);
}

TEST(KeyList, BaseIndexOne) {
  TXLSKeyList l;  // base 1, nothing predefined
  EXPECT_EQ(l.GetBaseIndex(), 1);
  EXPECT_EQ(l.SetKey(0, u"x"), 1);
  EXPECT_EQ(l.SetKey(0, u"y"), 2);
  EXPECT_EQ(l.GetKey(1), u"x");
  EXPECT_EQ(l.GetItem(0), nullptr);
  l.CreateReferredList();
  EXPECT_EQ(l.GetSaveIndex(1), 1);
  EXPECT_EQ(l.GetSaveIndex(2), 2);
}

TEST(ObjList, SameNameTakesTheEarlierSlot) {
  TXLSObjList l;
  EXPECT_EQ(l.AddItem(std::make_unique<TXLSObjEntry>(u"a")), 1);
  EXPECT_EQ(l.AddItem(std::make_unique<TXLSObjEntry>(u"b")), 2);
  auto again = std::make_unique<TXLSObjEntry>(u"a");
  TXLSObjEntry* raw = again.get();
  EXPECT_EQ(l.AddItem(std::move(again)), 1);
  EXPECT_EQ(l.Count(), 2);
  EXPECT_EQ(l.GetItem(1), raw);
  EXPECT_EQ(l.GetItembyName(u"b"), l.GetItem(2));
  EXPECT_EQ(l.GetItembyName(u"c"), nullptr);
  EXPECT_EQ(l.GetItem(0), nullptr);
  EXPECT_EQ(l.GetItem(3), nullptr);
}

TEST(StringList, IndicesFromZero) {
  TXLSStringList l;
  EXPECT_EQ(l.AddValue(u"zero"), 0);
  EXPECT_EQ(l.AddValue(u"one"), 1);
  EXPECT_EQ(l.AddValue(u"zero"), 0);
  EXPECT_EQ(l.GetIndex(u"zero"), 0);
  EXPECT_EQ(l.GetIndex(u"absent"), 0);
  EXPECT_EQ(l.GetIndex(u"one"), 1);
  EXPECT_EQ(l.GetItem(5), u"");
  EXPECT_EQ(l.GetItem(-1), u"");
  l.SetItem(5, u"five");
  EXPECT_EQ(l.Count(), 6);
  EXPECT_EQ(l.GetItem(4), u"");
  EXPECT_EQ(l.GetIndex(u"five"), 5);
  l.SetIndex(u"uno", 1);  // replaces "one"; its mapping stays
  EXPECT_EQ(l.GetItem(1), u"uno");
  EXPECT_EQ(l.GetIndex(u"one"), 1);
  l.SetItem(-2, u"ignored");
  EXPECT_EQ(l.Count(), 6);
  EXPECT_EQ(l.AddValue(u"six"), 6);
}

}  // namespace
}  // namespace tablirex
