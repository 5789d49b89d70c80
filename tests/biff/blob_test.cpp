#include "biff/blob.h"

#include <gtest/gtest.h>

#include "biff/records.h"

namespace tablirex {
namespace {

TXLSBlob Record(std::uint16_t type, std::uint32_t body, std::uint8_t fill = 0xAB) {
  TXLSBlob b(4 + body);
  b.AddWord(type);
  b.AddWord(static_cast<std::uint16_t>(body));
  for (std::uint32_t i = 0; i < body; ++i) b.AddByte(static_cast<std::uint8_t>(fill + i));
  return b;
}

TEST(Blob, WritesLittleEndianAndPatches) {
  TXLSBlob b(4 + 15);
  b.AddWord(0x0809);
  b.AddWord(0);
  b.AddByte(0x12);
  b.AddLong(0xA1B2C3D4);
  b.AddDouble(1.0);
  b.AddWord(0xBEEF);
  b.SetWord(15, 2);
  const std::vector<std::uint8_t> want = {0x09, 0x08, 0x0F, 0x00, 0x12, 0xD4, 0xC3, 0xB2, 0xA1, 0,
                                          0,    0,    0,    0,    0,    0xF0, 0x3F, 0xEF, 0xBE};
  ASSERT_EQ(b.GetDataSize(), want.size());
  EXPECT_EQ(std::vector<std::uint8_t>(b.GetBuff(), b.GetBuff() + b.GetDataSize()), want);
  EXPECT_EQ(b.GetLong(5), 0xA1B2C3D4u);
  EXPECT_EQ(b.GetDouble(9), 1.0);
}

TEST(Blob, EmptyBlobAndClampedDataSize) {
  TXLSBlob empty(0);
  EXPECT_EQ(empty.GetBuff(), nullptr);
  TMemorySink sink;
  EXPECT_EQ(empty.Write(sink), 1);
  EXPECT_TRUE(sink.bytes.empty());
  TXLSBlob b(10);
  b.SetDataSize(50);
  EXPECT_EQ(b.GetDataSize(), 10u);
}

TEST(Blob, WideStringsAndAdd) {
  TXLSBlob b(6);
  b.AddWideString(u"\u00e9A\u6570");
  EXPECT_EQ(b.GetWideString(0, 6), u"\u00e9A\u6570");
  EXPECT_EQ(b.GetByte(4), 0x70);
  EXPECT_EQ(b.GetByte(5), 0x65);
  TXLSBlob tail(40);
  tail.AddByte(7);
  b.Add(tail);
  EXPECT_EQ(b.GetBuffSize(), 46u);
  EXPECT_EQ(b.GetDataSize(), 6u);
  EXPECT_EQ(b.GetByte(6), 7);
}

struct PackCase {
  std::vector<std::uint32_t> sizes;
  std::vector<std::uint32_t> blockFill;
};

class BlobListPacking : public ::testing::TestWithParam<PackCase> {};

TEST_P(BlobListPacking, PacksBackToBack) {
  TXLSBlobList list;
  std::vector<std::uint8_t> expect;
  std::uint8_t seed = 1;
  for (const auto n : GetParam().sizes) {
    TXLSBlob b(n);
    for (std::uint32_t i = 0; i < n; ++i) b.AddByte(static_cast<std::uint8_t>(seed + i * 7));
    expect.insert(expect.end(), b.GetBuff(), b.GetBuff() + n);
    EXPECT_EQ(list.Append(b), 1);
    seed = static_cast<std::uint8_t>(seed + 13);
  }
  ASSERT_EQ(list.Count(), GetParam().blockFill.size());
  for (std::size_t i = 0; i < list.Count(); ++i)
    EXPECT_EQ(list.Get(i)->GetDataSize(), GetParam().blockFill[i]) << "block " << i;
  EXPECT_EQ(list.Total(), static_cast<std::int32_t>(expect.size()));
  TMemorySink sink;
  EXPECT_EQ(list.Write(sink), 1);
  EXPECT_EQ(sink.bytes, expect);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlobListPacking,
    ::testing::Values(PackCase{{}, {}}, PackCase{{4048}, {4048}}, PackCase{{4048, 1}, {4048, 1}},
                      PackCase{{4000, 10000}, {4048, 4048, 4048, 1856}},
                      PackCase{{3, 5, 7}, {15}}));

TEST(SplitOversizedRecord, SplitsIntoContinueRecords) {
  struct Case {
    std::uint32_t body;
    std::vector<std::uint32_t> pieces;
  };
  const std::uint16_t m = 8224;
  for (const Case& c : {Case{m, {m}}, Case{m + 1u, {m, 1}}, Case{2u * m + 1u, {m, m, 1}},
                        Case{100, {100}}}) {
    TXLSBlob rec = Record(RecNo(Rec::SST), c.body);
    std::vector<std::uint8_t> body(rec.GetBuff() + 4, rec.GetBuff() + 4 + c.body);
    SplitOversizedRecord(rec, m);
    std::uint32_t at = 0;
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < c.pieces.size(); ++i) {
      EXPECT_EQ(rec.GetWord(at), i == 0 ? RecNo(Rec::SST) : RecNo(Rec::CONTINUE));
      EXPECT_EQ(rec.GetWord(at + 2), c.pieces[i]);
      joined.insert(joined.end(), rec.GetBuff() + at + 4, rec.GetBuff() + at + 4 + c.pieces[i]);
      at += 4 + c.pieces[i];
    }
    EXPECT_EQ(at, rec.GetDataSize()) << c.body;
    EXPECT_EQ(at, rec.GetBuffSize()) << c.body;
    EXPECT_EQ(joined, body);
  }
}

TEST(SplitOversizedRecord, Biff5Limit) {
  TXLSBlob rec = Record(0x0031, 2080 * 2);
  EXPECT_TRUE(SplitOversizedRecord(rec, 2080));
  EXPECT_EQ(rec.GetDataSize(), 2u * (2080 + 4));
}

}  // namespace
}  // namespace tablirex
