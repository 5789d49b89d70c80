// Streams added beside the main stream: each lands in the mini stream or in
// sectors of its own by its size, the directory tree finds them all, and the
// file written block by block equals the one built whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cfb/compound_file.h"
#include "cfb/compound_reader.h"
#include "tablirex/result.h"
#include "../temp_dir.h"

namespace tablirex {
namespace {

using test::TTempDir;

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t seed) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return v;
}

TEST(CompoundAddedStreams, EverySizeMixReadsBack) {
  struct TCase {
    std::size_t main;
    std::vector<std::size_t> added;
  } cases[] = {
      {100, {176, 96}},            // all in the mini stream, the main stream first
      {4095, {1, 4095}},           // the mini stream across several sectors
      {4096, {176, 96}},           // a large main stream, then the mini stream
      {70000, {5000, 10, 0}},      // a large added stream, a small and an empty one
      {0, {4096, 63, 64, 65}},     // an empty main stream
      {512 * 130, {300, 300, 300, 300, 300, 300, 300}},  // a second directory sector
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.main);
    std::vector<TCompoundStreamData> added;
    for (std::size_t i = 0; i < c.added.size(); ++i)
      added.push_back({u"S" + std::u16string(i + 1, u'x'), Bytes(c.added[i], static_cast<std::uint8_t>(i))});
    const std::vector<std::uint8_t> main = Bytes(c.main, 99);
    std::vector<std::uint8_t> file = TCompoundFile::Build(u"Workbook", main, added);
    ASSERT_FALSE(file.empty());
    TCompoundReader r;
    ASSERT_EQ(r.Open(file), xlsOK) << r.ErrorText();
    ASSERT_EQ(r.Streams().size(), 1 + added.size());
    std::vector<std::uint8_t> got;
    ASSERT_EQ(r.ReadStream(*r.Find("Workbook"), got), xlsOK) << r.ErrorText();
    EXPECT_TRUE(got == main);
    for (const TCompoundStreamData& a : added) {
      const std::string name(a.name.begin(), a.name.end());
      const TCompoundStream* s = r.Find(name);
      ASSERT_NE(s, nullptr) << name;
      EXPECT_EQ(s->mini, a.bytes.size() < 4096) << name;
      ASSERT_EQ(r.ReadStream(*s, got), xlsOK) << r.ErrorText();
      EXPECT_TRUE(got == a.bytes) << name;
    }
    // The tree walk lists names in the format's order: shorter first.
    for (std::size_t i = 1; i < r.Streams().size(); ++i)
      EXPECT_LE(r.Streams()[i - 1].name.size(), r.Streams()[i].name.size());
  }
}

TEST(CompoundAddedStreams, NamesMustDifferWithoutRegardToCase) {
  const std::vector<std::uint8_t> none;
  EXPECT_TRUE(TCompoundFile::Build(u"Workbook", none, {{u"WORKBOOK", {1}}}).empty());
  EXPECT_TRUE(TCompoundFile::Build(u"Workbook", none, {{u"a", {1}}, {u"A", {2}}}).empty());
  EXPECT_TRUE(TCompoundFile::Build(u"Workbook", none, {{u"a/b", {1}}}).empty());
  EXPECT_FALSE(TCompoundFile::Build(u"Workbook", none, {{u"\005SummaryInformation", {1}}}).empty());

  TTempDir dir("tablirex_cfb_");
  TCompoundFile cf;
  ASSERT_EQ(cf.Create((dir / "x.xls").string()), xlsOK);
  ASSERT_EQ(cf.AddStream(u"Book", {1}), xlsOK);
  EXPECT_EQ(cf.CreateStream(u"book"), xlsFail);  // the main stream's name is taken
  EXPECT_EQ(cf.AddStream(u"BOOK", {2}), xlsFail);
  EXPECT_FALSE(cf.Error().empty());
  cf.Abort();
}

TEST(CompoundAddedStreams, WrittenFileEqualsTheBuiltOne) {
  TTempDir dir("tablirex_cfb_");
  const std::string path = (dir / "book.xls").string();
  const std::vector<std::uint8_t> main = Bytes(9000, 1);
  const std::vector<TCompoundStreamData> added = {{u"\005SummaryInformation", Bytes(176, 2)},
                                                  {u"\005DocumentSummaryInformation", Bytes(96, 3)}};
  TCompoundFile cf;
  ASSERT_EQ(cf.Create(path), xlsOK);
  ASSERT_EQ(cf.CreateStream(u"Workbook"), xlsOK);
  for (std::size_t at = 0; at < main.size(); at += 1000)
    ASSERT_EQ(cf.Write(main.data() + at, std::min<std::size_t>(1000, main.size() - at)), xlsOK);
  for (const TCompoundStreamData& a : added) ASSERT_EQ(cf.AddStream(a.name, a.bytes), xlsOK);
  ASSERT_EQ(cf.Commit(), xlsOK);
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(file == TCompoundFile::Build(u"Workbook", main, added));
}

}  // namespace
}  // namespace tablirex
