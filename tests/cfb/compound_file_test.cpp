#include "cfb/compound_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tablirex/result.h"

namespace tablirex {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kEnd = 0xFFFFFFFEu;
constexpr std::uint32_t kFree = 0xFFFFFFFFu;
constexpr std::uint32_t kFatMark = 0xFFFFFFFDu;
constexpr std::uint32_t kDifMark = 0xFFFFFFFCu;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | std::uint32_t{b.at(at + 3)} << 24;
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
std::size_t SectorAt(std::uint32_t s) { return 512 + std::size_t{s} * 512; }

std::vector<std::uint8_t> Slurp(const fs::path& p) {
  std::vector<std::uint8_t> v(fs::file_size(p));
  std::ifstream in(p, std::ios::binary);
  in.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(v.size()));
  return v;
}

// Every 4-byte word holds its own index (little-endian, each byte xor 0x5A),
// so a misplaced sector shows. test_cfb_interop.py builds the same bytes.
std::vector<std::uint8_t> Pattern(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i)
    v[i] = static_cast<std::uint8_t>(((i / 4) >> ((i % 4) * 8)) ^ 0x5A);
  return v;
}

// A small reader written from the format alone: it finds the FAT through the
// header and DIFAT, checks that every sector is claimed exactly once by a
// chain or marked as FAT, DIFAT or free, and returns the stream's bytes.
struct TReadBack {
  std::vector<std::uint32_t> fat;
  std::vector<std::uint8_t> stream;
  std::u16string name;
};

TReadBack ReadBack(const std::vector<std::uint8_t>& f) {
  TReadBack r;
  EXPECT_EQ(f.size() % 512, 0u);
  const std::uint32_t sectors = static_cast<std::uint32_t>(f.size() / 512 - 1);
  std::vector<std::uint32_t> fatSectors;
  const std::uint32_t nFat = U32(f, 44), nDifat = U32(f, 72);
  for (std::uint32_t i = 0; i < 109 && fatSectors.size() < nFat; ++i) fatSectors.push_back(U32(f, 76 + 4 * i));
  std::vector<std::uint32_t> difatSectors;
  for (std::uint32_t d = U32(f, 68); d != kEnd; d = U32(f, SectorAt(d) + 508)) {
    difatSectors.push_back(d);
    for (std::uint32_t i = 0; i < 127 && fatSectors.size() < nFat; ++i)
      fatSectors.push_back(U32(f, SectorAt(d) + 4 * i));
    if (difatSectors.size() > nDifat) break;
  }
  EXPECT_EQ(difatSectors.size(), nDifat);
  EXPECT_EQ(fatSectors.size(), nFat);
  for (std::uint32_t s : fatSectors)
    for (std::uint32_t i = 0; i < 128; ++i) r.fat.push_back(U32(f, SectorAt(s) + 4 * i));
  EXPECT_GE(r.fat.size(), sectors);

  std::vector<int> claimed(sectors, 0);
  const auto chain = [&](std::uint32_t start) {
    std::vector<std::uint32_t> c;
    for (std::uint32_t s = start; s != kEnd && c.size() <= sectors; s = r.fat.at(s)) {
      c.push_back(s);
      ++claimed.at(s);
    }
    return c;
  };
  for (std::uint32_t s : fatSectors) {
    EXPECT_EQ(r.fat.at(s), kFatMark);
    ++claimed.at(s);
  }
  for (std::uint32_t s : difatSectors) {
    EXPECT_EQ(r.fat.at(s), kDifMark);
    ++claimed.at(s);
  }

  std::vector<std::uint8_t> dir;
  for (std::uint32_t s : chain(U32(f, 48)))
    dir.insert(dir.end(), f.begin() + SectorAt(s), f.begin() + SectorAt(s) + 512);
  std::vector<std::uint8_t> miniStream;
  for (std::uint32_t s : chain(U32(dir, 116)))
    miniStream.insert(miniStream.end(), f.begin() + SectorAt(s), f.begin() + SectorAt(s) + 512);
  std::vector<std::uint32_t> miniFat;
  for (std::uint32_t s : chain(U32(f, 60)))
    for (std::uint32_t i = 0; i < 128; ++i) miniFat.push_back(U32(f, SectorAt(s) + 4 * i));

  const std::uint32_t child = U32(dir, 76);
  if (child != kFree) {
    const std::size_t e = std::size_t{child} * 128;
    for (std::size_t i = 0; i + 1 < U16(dir, e + 64) / 2u; ++i) r.name.push_back(static_cast<char16_t>(U16(dir, e + 2 * i)));
    const std::uint32_t size = U32(dir, e + 120);
    if (size < 4096) {
      for (std::uint32_t m = U32(dir, e + 116); m != kEnd && r.stream.size() < size; m = miniFat.at(m))
        r.stream.insert(r.stream.end(), miniStream.begin() + m * 64, miniStream.begin() + m * 64 + 64);
    } else {
      for (std::uint32_t s : chain(U32(dir, e + 116)))
        r.stream.insert(r.stream.end(), f.begin() + SectorAt(s), f.begin() + SectorAt(s) + 512);
    }
    if (r.stream.size() >= size) r.stream.resize(size);
  }
  for (std::uint32_t s = 0; s < sectors; ++s) {
    EXPECT_EQ(claimed[s], r.fat[s] == kFree ? 0 : 1) << "sector " << s;
  }
  for (std::size_t s = sectors; s < r.fat.size(); ++s) EXPECT_EQ(r.fat[s], kFree) << "past the end " << s;
  return r;
}

TEST(CompoundFile, HeaderAndDirectoryOfSmallStream) {
  const auto f = TCompoundFile::Build(u"Workbook", Pattern(100));
  // Sectors: 0 mini stream, 1 mini FAT, 2 directory, 3 FAT.
  ASSERT_EQ(f.size(), 512u * 5);
  const std::vector<std::uint8_t> sig = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  EXPECT_TRUE(std::equal(sig.begin(), sig.end(), f.begin()));
  for (int i = 8; i < 24; ++i) EXPECT_EQ(f[i], 0) << i;
  EXPECT_EQ(U16(f, 24), 0x3E);
  EXPECT_EQ(U16(f, 26), 3);
  EXPECT_EQ(U16(f, 28), 0xFFFE);
  EXPECT_EQ(U16(f, 30), 9);
  EXPECT_EQ(U16(f, 32), 6);
  for (int i = 34; i < 44; ++i) EXPECT_EQ(f[i], 0) << i;
  EXPECT_EQ(U32(f, 44), 1u);     // FAT sectors
  EXPECT_EQ(U32(f, 48), 2u);     // directory
  EXPECT_EQ(U32(f, 52), 0u);
  EXPECT_EQ(U32(f, 56), 4096u);  // mini stream cutoff
  EXPECT_EQ(U32(f, 60), 1u);     // mini FAT
  EXPECT_EQ(U32(f, 64), 1u);
  EXPECT_EQ(U32(f, 68), kEnd);   // no DIFAT
  EXPECT_EQ(U32(f, 72), 0u);
  EXPECT_EQ(U32(f, 76), 3u);
  for (int i = 1; i < 109; ++i) EXPECT_EQ(U32(f, 76 + 4 * i), kFree) << i;

  // FAT: 0, 1, 2 single-sector chains, 3 the FAT itself, the rest free.
  const std::size_t fat = SectorAt(3);
  EXPECT_EQ(U32(f, fat + 0), kEnd);
  EXPECT_EQ(U32(f, fat + 4), kEnd);
  EXPECT_EQ(U32(f, fat + 8), kEnd);
  EXPECT_EQ(U32(f, fat + 12), kFatMark);
  for (int i = 4; i < 128; ++i) EXPECT_EQ(U32(f, fat + 4 * i), kFree) << i;

  // Mini FAT: two mini sectors chained.
  const std::size_t mfat = SectorAt(1);
  EXPECT_EQ(U32(f, mfat), 1u);
  EXPECT_EQ(U32(f, mfat + 4), kEnd);
  for (int i = 2; i < 128; ++i) EXPECT_EQ(U32(f, mfat + 4 * i), kFree) << i;

  const std::size_t root = SectorAt(2), entry = root + 128;
  const std::u16string rootName = u"Root Entry";
  for (std::size_t i = 0; i < rootName.size(); ++i) EXPECT_EQ(U16(f, root + 2 * i), rootName[i]);
  EXPECT_EQ(U16(f, root + 64), 22);
  EXPECT_EQ(f[root + 66], 5);
  EXPECT_EQ(f[root + 67], 1);
  EXPECT_EQ(U32(f, root + 68), kFree);
  EXPECT_EQ(U32(f, root + 72), kFree);
  EXPECT_EQ(U32(f, root + 76), 1u);
  for (std::size_t i = 80; i < 116; ++i) EXPECT_EQ(f[root + i], 0) << i;  // CLSID, state, times
  EXPECT_EQ(U32(f, root + 116), 0u);
  EXPECT_EQ(U32(f, root + 120), 128u);  // two mini sectors
  EXPECT_EQ(U32(f, root + 124), 0u);

  EXPECT_EQ(U16(f, entry + 64), 18);
  EXPECT_EQ(f[entry + 66], 2);
  EXPECT_EQ(f[entry + 67], 1);
  EXPECT_EQ(U32(f, entry + 68), kFree);
  EXPECT_EQ(U32(f, entry + 72), kFree);
  EXPECT_EQ(U32(f, entry + 76), kFree);
  EXPECT_EQ(U32(f, entry + 116), 0u);
  EXPECT_EQ(U32(f, entry + 120), 100u);
  for (std::size_t e = root + 256; e < root + 512; e += 128)
    for (std::size_t i = 0; i < 128; ++i)
      EXPECT_EQ(f[e + i], (i >= 68 && i < 80) ? 0xFF : 0) << "unused entry byte " << i;

  // Stream bytes, then zeros to the end of the mini stream's sector.
  const auto p = Pattern(100);
  EXPECT_TRUE(std::equal(p.begin(), p.end(), f.begin() + 512));
  for (std::size_t i = 612; i < 1024; ++i) EXPECT_EQ(f[i], 0) << i;
}

TEST(CompoundFile, EmptyStreamHasNoMiniStream) {
  const auto f = TCompoundFile::Build(u"Book", {});
  ASSERT_EQ(f.size(), 512u * 3);  // directory, FAT
  EXPECT_EQ(U32(f, 60), kEnd);
  EXPECT_EQ(U32(f, 64), 0u);
  const std::size_t dir = SectorAt(U32(f, 48));
  EXPECT_EQ(U32(f, dir + 116), kEnd);
  EXPECT_EQ(U32(f, dir + 120), 0u);
  EXPECT_EQ(U32(f, dir + 128 + 116), kEnd);
  EXPECT_EQ(U32(f, dir + 128 + 120), 0u);
}

TEST(CompoundFile, StreamsOfEverySizeClassReadBack) {
  struct TCase {
    std::size_t size;
    bool mini;
  } cases[] = {{1, true},      {63, true},    {64, true},     {65, true},
               {4095, true},   {4096, false}, {4097, false},  {512 * 100 + 3, false},
               {512 * 126, false}, {512 * 127, false}, {512 * 128, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.size);
    const auto data = Pattern(c.size);
    const auto f = TCompoundFile::Build(u"Workbook", data);
    const TReadBack r = ReadBack(f);
    EXPECT_EQ(r.name, u"Workbook");
    EXPECT_TRUE(r.stream == data);
    const std::size_t root = SectorAt(U32(f, 48));
    EXPECT_EQ(U32(f, root + 120), c.mini ? (c.size + 63) / 64 * 64 : 0u);
    EXPECT_EQ(U32(f, 64), c.mini ? 1u : 0u);
  }
}

// The largest stream of whole sectors that fat FAT sectors can map, from the
// format's arithmetic: FAT, DIFAT and the directory sector occupy sectors too,
// and the header holds 109 FAT locations, each DIFAT sector 127 more.
std::size_t LargestStreamFor(std::size_t fat) {
  const std::size_t difat = fat <= 109 ? 0 : (fat - 109 + 126) / 127;
  return (fat * 128 - fat - difat - 1) * 512;
}

TEST(CompoundFile, FatAndDifatGrowAtTheirLimits) {
  struct TCase {
    std::size_t size;
    std::uint32_t fat, difat;
  } cases[] = {
      {LargestStreamFor(108), 108, 0},     {LargestStreamFor(108) + 1, 109, 0},
      {LargestStreamFor(109), 109, 0},     {LargestStreamFor(109) + 1, 110, 1},
      {LargestStreamFor(236), 236, 1},     {LargestStreamFor(236) + 1, 237, 2},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.size);
    const auto data = Pattern(c.size);
    const auto f = TCompoundFile::Build(u"Workbook", data);
    EXPECT_EQ(U32(f, 44), c.fat);
    EXPECT_EQ(U32(f, 72), c.difat);
    if (c.difat == 0) {
      EXPECT_EQ(U32(f, 68), kEnd);
    }
    const TReadBack r = ReadBack(f);
    EXPECT_TRUE(r.stream == data);
    EXPECT_EQ(f.size(), 512 + (c.size + 511) / 512 * 512 + 512 * (1 + c.fat + c.difat));
  }
}

TEST(CompoundFile, RejectsInvalidNames) {
  const std::u16string bad[] = {u"", u"a/b", u"a\\b", u"a:b", u"a!b", std::u16string(32, u'x')};
  for (const auto& n : bad) EXPECT_TRUE(TCompoundFile::Build(n, {}).empty());
  EXPECT_FALSE(TCompoundFile::Build(std::u16string(31, u'x'), {}).empty());
}

class CompoundFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tablirex_cfb_" + std::to_string(::getpid()) + "_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::size_t FilesInDir() { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }

  fs::path dir_;
};

// The save pipeline's pattern: blocks of up to 4048 bytes, then Commit.
TEST_F(CompoundFileOnDisk, BlockWritesGiveTheSameBytesAsBuild) {
  // Also one block larger than the write buffer, which bypasses it.
  for (std::size_t block : {std::size_t{4048}, std::size_t{1} << 20}) {
    for (std::size_t size : {std::size_t{0}, std::size_t{4000}, std::size_t{300000}}) {
      const auto data = Pattern(size);
      const fs::path p = dir_ / "book.xls";
      TCompoundFile cf;
      ASSERT_EQ(cf.Create(p.string()), xlsOK);
      ASSERT_EQ(cf.CreateStream(u"Workbook"), xlsOK);
      for (std::size_t at = 0; at < size; at += block)
        ASSERT_EQ(cf.Write(data.data() + at, std::min(block, size - at)), xlsOK);
      EXPECT_EQ(cf.StreamSize(), size);
      ASSERT_EQ(cf.Commit(), xlsOK);
      EXPECT_TRUE(Slurp(p) == TCompoundFile::Build(u"Workbook", data)) << size << " in blocks of " << block;
      EXPECT_EQ(FilesInDir(), 1u);
    }
  }
}

TEST_F(CompoundFileOnDisk, FailedOrAbandonedSaveKeepsThePreviousFile) {
  const fs::path p = dir_ / "book.xls";
  std::ofstream(p) << "previous";
  const std::uint8_t byte = 7;
  {
    TCompoundFile cf;  // destroyed without Commit
    ASSERT_EQ(cf.Create(p.string()), xlsOK);
    ASSERT_EQ(cf.CreateStream(u"Workbook"), xlsOK);
    ASSERT_EQ(cf.Write(&byte, 1), xlsOK);
    EXPECT_EQ(FilesInDir(), 2u);  // the temporary beside the target
  }
  EXPECT_EQ(FilesInDir(), 1u);
  {
    TCompoundFile cf;
    ASSERT_EQ(cf.Create(p.string()), xlsOK);
    cf.Abort();
    EXPECT_EQ(cf.Commit(), xlsFail);
  }
  {
    TCompoundFile cf;  // a failed write makes Commit fail
    ASSERT_EQ(cf.Create(p.string()), xlsOK);
    ASSERT_EQ(cf.CreateStream(u"Workbook"), xlsOK);
    EXPECT_EQ(cf.Write(nullptr, 5), xlsFail);
    EXPECT_EQ(cf.Write(&byte, 1), xlsFail);
    EXPECT_EQ(cf.Commit(), xlsFail);
  }
  EXPECT_EQ(FilesInDir(), 1u);
  const auto kept = Slurp(p);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous");

  // A target that is a directory is refused at once.
  const fs::path sub = dir_ / "sub";
  fs::create_directory(sub);
  TCompoundFile cf;
  EXPECT_EQ(cf.Create(sub.string()), xlsFail);
  EXPECT_NE(cf.Error().find("not a regular file"), std::string::npos);
  EXPECT_EQ(FilesInDir(), 2u);
  EXPECT_TRUE(fs::is_directory(sub));
}

TEST_F(CompoundFileOnDisk, CommitReplacesTheTarget) {
  const fs::path p = dir_ / "book.xls";
  std::ofstream(p) << "previous";
  TCompoundFile cf;
  ASSERT_EQ(cf.Create(p.string()), xlsOK);
  ASSERT_EQ(cf.CreateStream(u"Book"), xlsOK);
  ASSERT_EQ(cf.Commit(), xlsOK);
  EXPECT_TRUE(Slurp(p) == TCompoundFile::Build(u"Book", {}));
  EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(CompoundFileOnDisk, CommitWithoutStreamWritesOnlyTheRoot) {
  const fs::path p = dir_ / "empty.cfb";
  TCompoundFile cf;
  ASSERT_EQ(cf.Create(p.string()), xlsOK);
  ASSERT_EQ(cf.Commit(), xlsOK);
  const auto f = Slurp(p);
  ASSERT_EQ(f.size(), 512u * 3);
  const TReadBack r = ReadBack(f);
  EXPECT_TRUE(r.name.empty());
  const std::size_t root = SectorAt(U32(f, 48));
  EXPECT_EQ(f[root + 66], 5);
  EXPECT_EQ(U32(f, root + 76), kFree);  // no child
  EXPECT_EQ(f[root + 128 + 66], 0);     // the second entry is unused
}

TEST_F(CompoundFileOnDisk, CallsOutOfOrderFail) {
  const std::uint8_t byte = 1;
  TCompoundFile cf;
  EXPECT_EQ(cf.CreateStream(u"Workbook"), xlsFail);
  EXPECT_EQ(cf.Write(&byte, 1), xlsFail);
  EXPECT_EQ(cf.Commit(), xlsFail);
  EXPECT_EQ(cf.Create((dir_ / "missing" / "book.xls").string()), xlsFail);
  EXPECT_EQ(cf.Create(""), xlsFail);
  ASSERT_EQ(cf.Create((dir_ / "book.xls").string()), xlsOK);
  EXPECT_EQ(cf.Create((dir_ / "other.xls").string()), xlsFail);
  EXPECT_EQ(cf.Write(&byte, 1), xlsFail);
  EXPECT_EQ(cf.CreateStream(u"bad/name"), xlsFail);
  ASSERT_EQ(cf.CreateStream(u"Workbook"), xlsOK);
  EXPECT_EQ(cf.CreateStream(u"Second"), xlsFail);
  cf.Abort();
  EXPECT_EQ(FilesInDir(), 0u);
}

// Writes sample documents through the file API and reads each back. With
// TABLIREX_CFB_SAMPLES set, the files stay in that directory with a manifest
// (file, stream name, size, FAT and DIFAT sector counts per line) for
// test_cfb_interop.py, which checks them with an independent reader.
TEST(CompoundFileSamples, WriteAndReadBack) {
  const char* keep = std::getenv("TABLIREX_CFB_SAMPLES");
  const fs::path dir = keep ? fs::path(keep) : fs::temp_directory_path() / ("tablirex_cfb_samples_" + std::to_string(::getpid()));
  if (!keep) fs::remove_all(dir);
  fs::create_directories(dir);
  struct TCleanup {
    const fs::path& dir;
    bool keep;
    ~TCleanup() {
      if (!keep) fs::remove_all(dir);
    }
  } cleanup{dir, keep != nullptr};
  struct TSample {
    std::size_t size;
    const char16_t* name;
    std::uint32_t fat, difat;
  } samples[] = {
      {0, u"Workbook", 1, 0},
      {1, u"Book", 1, 0},
      {4095, u"Workbook", 1, 0},
      {4096, u"Workbook", 1, 0},
      {4097, u"Workbook", 1, 0},
      {LargestStreamFor(108), u"Workbook", 108, 0},
      {LargestStreamFor(108) + 1, u"Workbook", 109, 0},
      {LargestStreamFor(109) - 1, u"Workbook", 109, 0},
      {LargestStreamFor(109), u"Workbook", 109, 0},
      {LargestStreamFor(109) + 1, u"Workbook", 110, 1},
      {10 * 1024 * 1024 + 777, u"Workbook", 162, 1},
  };
  std::ofstream manifest(dir / "manifest.txt");
  const auto all = Pattern(LargestStreamFor(200));
  for (const TSample& s : samples) {
    SCOPED_TRACE(s.size);
    ASSERT_LE(s.size, all.size());
    const std::string file = "sample_" + std::to_string(s.size) + ".xls";
    TCompoundFile cf;
    ASSERT_EQ(cf.Create((dir / file).string()), xlsOK);
    ASSERT_EQ(cf.CreateStream(s.name), xlsOK);
    for (std::size_t at = 0; at < s.size; at += 4048)
      ASSERT_EQ(cf.Write(all.data() + at, std::min<std::size_t>(4048, s.size - at)), xlsOK);
    ASSERT_EQ(cf.Commit(), xlsOK);

    const auto f = Slurp(dir / file);
    EXPECT_EQ(U32(f, 44), s.fat);
    EXPECT_EQ(U32(f, 72), s.difat);
    const TReadBack r = ReadBack(f);
    EXPECT_EQ(r.name, s.name);
    EXPECT_TRUE(std::equal(r.stream.begin(), r.stream.end(), all.begin()) && r.stream.size() == s.size);
    std::string name;
    for (const char16_t* c = s.name; *c; ++c) name.push_back(static_cast<char>(*c));
    manifest << file << ' ' << name << ' ' << s.size << ' ' << s.fat << ' ' << s.difat << '\n';
  }
}

}  // namespace
}  // namespace tablirex
