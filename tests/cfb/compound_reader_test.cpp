#include "cfb/compound_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cfb/compound_file.h"
#include "tablirex/result.h"

namespace tablirex {
namespace {

constexpr std::uint32_t kEnd = 0xFFFFFFFEu;
constexpr std::uint32_t kFree = 0xFFFFFFFFu;
constexpr std::uint32_t kFatMark = 0xFFFFFFFDu;

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b.at(at) = static_cast<std::uint8_t>(v);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t seed) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + seed + (i >> 8));
  return v;
}

// A hand-laid version 3 document with a storage, a regular and a mini stream:
//   sector 0 FAT, 1 directory, 2-10 "Workbook" (4500 bytes), 11 mini stream,
//   12 mini FAT; entries 0 root, 1 "Workbook", 2 storage "Sub" (left of
//   Workbook), 3 "Small" (100 bytes in the mini stream) inside Sub.
struct Layout {
  static constexpr std::size_t kFat = 512, kDir = 1024, kMiniFat = 512 * 13;
  static std::size_t Entry(int i) { return kDir + 128 * static_cast<std::size_t>(i); }
  std::vector<std::uint8_t> big = Bytes(4500, 1), small = Bytes(100, 2);
  std::vector<std::uint8_t> file = std::vector<std::uint8_t>(512 * 14, 0);

  void SetEntry(int i, std::u16string_view name, std::uint8_t type, std::uint32_t left, std::uint32_t right,
                std::uint32_t child, std::uint32_t start, std::uint32_t size) {
    const std::size_t e = Entry(i);
    for (std::size_t k = 0; k < name.size(); ++k) Put16(file, e + 2 * k, name[k]);
    Put16(file, e + 0x40, static_cast<std::uint16_t>(2 * name.size() + 2));
    file[e + 0x42] = type;
    Put32(file, e + 0x44, left);
    Put32(file, e + 0x48, right);
    Put32(file, e + 0x4C, child);
    Put32(file, e + 0x74, start);
    Put32(file, e + 0x78, size);
  }

  Layout() {
    const std::uint8_t sig[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(sig), std::end(sig), file.begin());
    Put16(file, 0x18, 0x3E);
    Put16(file, 0x1A, 3);
    Put16(file, 0x1C, 0xFFFE);
    Put16(file, 0x1E, 9);
    Put16(file, 0x20, 6);
    Put32(file, 0x2C, 1);
    Put32(file, 0x30, 1);
    Put32(file, 0x38, 4096);
    Put32(file, 0x3C, 12);
    Put32(file, 0x40, 1);
    Put32(file, 0x44, kEnd);
    Put32(file, 0x4C, 0);
    for (int i = 1; i < 109; ++i) Put32(file, 0x4C + 4 * i, kFree);
    for (int i = 0; i < 128; ++i) Put32(file, kFat + 4 * i, kFree);
    Put32(file, kFat + 0, kFatMark);
    Put32(file, kFat + 4, kEnd);
    for (int s = 2; s < 10; ++s) Put32(file, kFat + 4 * s, s + 1);
    Put32(file, kFat + 40, kEnd);
    Put32(file, kFat + 44, kEnd);
    Put32(file, kFat + 48, kEnd);
    for (int i = 0; i < 4; ++i) SetEntry(i, u"", 0, kFree, kFree, kFree, 0, 0);
    SetEntry(0, u"Root Entry", 5, kFree, kFree, 1, 11, 128);
    SetEntry(1, u"Workbook", 2, 2, kFree, kFree, 2, 4500);
    SetEntry(2, u"Sub", 1, kFree, kFree, 3, 0, 0);
    SetEntry(3, u"Small", 2, kFree, kFree, kFree, 0, 100);
    std::copy(big.begin(), big.end(), file.begin() + 512 * 3);
    std::copy(small.begin(), small.end(), file.begin() + 512 * 12);
    for (int i = 0; i < 128; ++i) Put32(file, kMiniFat + 4 * i, kFree);
    Put32(file, kMiniFat, 1);
    Put32(file, kMiniFat + 4, kEnd);
  }
};

// Reads every stream; returns "" when all went well, else the first error.
std::string ReadAll(TCompoundReader& r) {
  for (const TCompoundStream& s : r.Streams()) {
    std::vector<std::uint8_t> out;
    if (r.ReadStream(s, out) != xlsOK) return r.ErrorText();
    if (out.size() != s.size) return "short read";
  }
  return "";
}

TEST(CompoundReader, ListsAndReadsStorageTree) {
  Layout l;
  TCompoundReader r;
  ASSERT_EQ(r.Open(l.file), xlsOK) << r.ErrorText();
  ASSERT_EQ(r.Streams().size(), 2u);
  // Left sibling first: the storage's stream, then Workbook.
  EXPECT_EQ(r.Streams()[0].path, "Sub/Small");
  EXPECT_TRUE(r.Streams()[0].mini);
  EXPECT_EQ(r.Streams()[1].path, "Workbook");
  EXPECT_FALSE(r.Streams()[1].mini);
  const TCompoundStream* book = r.Find("WORKBOOK");
  ASSERT_NE(book, nullptr);
  EXPECT_EQ(r.Find("Book"), nullptr);
  std::vector<std::uint8_t> out;
  ASSERT_EQ(r.ReadStream(*book, out), xlsOK);
  EXPECT_EQ(out, l.big);
  ASSERT_EQ(r.ReadStream(*r.Find("sub/small"), out), xlsOK);
  EXPECT_EQ(out, l.small);
}

// Documents of our own writer, across the mini-stream cutoff and into the DIFAT.
TEST(CompoundReader, ReadsWhatTheWriterBuilds) {
  struct Case {
    std::size_t size;
    bool mini;
  };
  // 109 FAT sectors cover 13952 sectors; beyond that the DIFAT is needed.
  const Case cases[] = {{0, true}, {1, true}, {64, true}, {4095, true}, {4096, false},
                        {4097, false}, {512 * 128 * 109, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const auto stream = Bytes(c.size, 3);
    TCompoundReader r;
    ASSERT_EQ(r.Open(TCompoundFile::Build(u"Book", stream)), xlsOK) << r.ErrorText();
    ASSERT_EQ(r.Streams().size(), 1u);
    EXPECT_EQ(r.Streams()[0].path, "Book");
    EXPECT_EQ(r.Streams()[0].size, c.size);
    EXPECT_EQ(r.Streams()[0].mini, c.mini);
    std::vector<std::uint8_t> out;
    ASSERT_EQ(r.ReadStream(r.Streams()[0], out), xlsOK) << r.ErrorText();
    EXPECT_TRUE(out == stream);
    if (c.size > 512 * 128 * 108) {
      EXPECT_GT(r.DifatSectorCount(), 0u);
    }
  }
}

TEST(CompoundReader, RejectsDamage) {
  enum Stage { AtOpen, AtRead };
  struct Case {
    const char* what;
    std::function<void(Layout&)> damage;
    Stage stage;
    const char* message;  // part of the error text
  };
  const Case cases[] = {
      {"short file", [](Layout& l) { l.file.resize(100); }, AtOpen, "header"},
      {"signature", [](Layout& l) { l.file[0] = 0; }, AtOpen, "signature"},
      {"version", [](Layout& l) { Put16(l.file, 0x1A, 5); }, AtOpen, "version"},
      {"byte order", [](Layout& l) { Put16(l.file, 0x1C, 0xFEFF); }, AtOpen, "byte-order"},
      {"FAT count", [](Layout& l) { Put32(l.file, 0x2C, 1000); }, AtOpen, "FAT sectors"},
      {"FAT sector outside", [](Layout& l) { Put32(l.file, 0x4C, 500); }, AtOpen, "outside"},
      {"DIFAT missing", [](Layout& l) { Put32(l.file, 0x2C, 110); l.file.resize(512 * 200); }, AtOpen, "DIFAT"},
      {"directory outside", [](Layout& l) { Put32(l.file, 0x30, 99); }, AtOpen, "directory"},
      {"directory loop", [](Layout& l) { Put32(l.file, Layout::kFat + 4, 1); }, AtOpen, "loops"},
      {"root type", [](Layout& l) { l.file[Layout::Entry(0) + 0x42] = 1; }, AtOpen, "root"},
      {"child outside", [](Layout& l) { Put32(l.file, Layout::Entry(0) + 0x4C, 40); }, AtOpen, "does not exist"},
      {"entry twice", [](Layout& l) { Put32(l.file, Layout::Entry(2) + 0x4C, 1); }, AtOpen, "twice"},
      {"name length", [](Layout& l) { Put16(l.file, Layout::Entry(1) + 0x40, 70); }, AtOpen, "name length"},
      {"unused entry in tree", [](Layout& l) { l.file[Layout::Entry(3) + 0x42] = 0; }, AtOpen, "type 0"},
      {"mini stream outside", [](Layout& l) { Put32(l.file, Layout::Entry(0) + 0x74, 300); }, AtOpen, "mini stream"},
      {"mini stream too long", [](Layout& l) { Put32(l.file, Layout::Entry(0) + 0x78, 4096); }, AtOpen, "longer"},
      {"stream loop", [](Layout& l) { Put32(l.file, Layout::kFat + 40, 2); }, AtRead, "loops"},
      {"stream into free", [](Layout& l) { Put32(l.file, Layout::kFat + 20, kFree); }, AtRead, "outside"},
      {"stream too long", [](Layout& l) { Put32(l.file, Layout::Entry(1) + 0x78, 5000); }, AtRead, "claims"},
      {"mini loop", [](Layout& l) { Put32(l.file, Layout::kMiniFat + 4, 0); }, AtRead, "loops"},
      {"mini outside", [](Layout& l) { Put32(l.file, Layout::kMiniFat, 50); }, AtRead, "outside"},
      {"file cut", [](Layout& l) { l.file.resize(512 * 9); }, AtOpen, "outside"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Layout l;
    c.damage(l);
    TCompoundReader r;
    const std::int32_t opened = r.Open(l.file);
    if (c.stage == AtOpen) {
      EXPECT_EQ(opened, xlsFail);
      EXPECT_TRUE(r.Streams().empty());
      EXPECT_NE(r.ErrorText().find(c.message), std::string::npos) << r.ErrorText();
    } else {
      ASSERT_EQ(opened, xlsOK) << r.ErrorText();
      const std::string error = ReadAll(r);
      EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
  }
}

// Every byte of the tables flipped in turn, and the file cut at every 64 bytes:
// the reader answers (either way) without reading out of bounds.
TEST(CompoundReader, SurvivesEveryFlipAndCut) {
  const Layout l;
  const std::size_t tables[][2] = {{0, 512}, {Layout::kFat, Layout::kFat + 1024}, {Layout::kMiniFat, Layout::kMiniFat + 512}};
  for (const auto& t : tables)
    for (std::size_t at = t[0]; at < t[1]; ++at) {
      std::vector<std::uint8_t> f = l.file;
      f[at] ^= 0xFF;
      TCompoundReader r;
      if (r.Open(std::move(f)) == xlsOK) (void)ReadAll(r);
    }
  for (std::size_t n = 0; n < l.file.size(); n += 64) {
    TCompoundReader r;
    if (r.Open(std::vector<std::uint8_t>(l.file.begin(), l.file.begin() + static_cast<std::ptrdiff_t>(n))) ==
        xlsOK)
      (void)ReadAll(r);
  }
}

}  // namespace
}  // namespace tablirex
