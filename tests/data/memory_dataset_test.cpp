// The in-memory dataset: fields, records, moving and bookmarks.
#include <gtest/gtest.h>

#include "tablirex/memory_dataset.h"
#include "tablirex/result.h"

namespace tablirex {
namespace {

TEST(MemoryDataSet, RecordsFieldsAndBookmarks) {
  TMemoryDataSet ds;
  EXPECT_EQ(ds.AppendRecord({TVariant(1)}), xlsFail);  // no fields yet
  TField* id = ds.AddField("id", ftInteger, 6);
  TField* name = ds.AddField("name", ftString);
  ASSERT_TRUE(id && name);
  EXPECT_EQ(id->GetDisplayWidth(), 6);
  EXPECT_EQ(name->GetDataType(), ftString);
  EXPECT_EQ(ds.FindField("NAME"), name);
  EXPECT_EQ(ds.First(), xlsOK);
  EXPECT_TRUE(ds.Eof());  // empty

  ASSERT_EQ(ds.AppendRecord({TVariant(1), TVariant("one")}), xlsOK);
  ASSERT_EQ(ds.AppendRecord({TVariant(2)}), xlsOK);  // name stays NULL
  ASSERT_EQ(ds.AppendRecord({TVariant(3), TVariant("three")}), xlsOK);
  EXPECT_EQ(ds.AppendRecord({TVariant(4), TVariant("four"), TVariant(5)}), xlsFail);
  EXPECT_NE(ds.GetErrorText().find("3 values for 2 fields"), std::string::npos);
  EXPECT_EQ(ds.AddField("late", ftInteger), nullptr);
  EXPECT_EQ(ds.GetRecordCount(), 3);

  std::vector<std::string> seen;
  for (ds.First(); !ds.Eof(); ds.Next()) seen.push_back(id->GetValue().AsString() + "=" + name->GetValue().AsString());
  EXPECT_EQ(seen, (std::vector<std::string>{"1=one", "2=", "3=three"}));
  EXPECT_TRUE(name->GetValue().IsEmpty());  // past the end

  ds.First();
  ds.Next();
  const TBookmark mark = ds.GetBookmark();
  EXPECT_TRUE(name->IsNull());
  ds.Next();
  EXPECT_EQ(ds.GotoBookmark(mark), xlsOK);
  EXPECT_EQ(id->GetValue(), TVariant(2));
  EXPECT_EQ(ds.GotoBookmark(7), xlsFail);
  EXPECT_EQ(ds.GetRecNo(), 1);
  EXPECT_EQ(ds.GotoBookmark(-1), xlsOK);
  EXPECT_EQ(ds.GetRecNo(), -1);
}

}  // namespace
}  // namespace tablirex
