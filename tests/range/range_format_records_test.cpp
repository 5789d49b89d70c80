// Formats set through ranges, as the saved records carry them: the XF numbers of
// COLINFO, ROW and cell records, and no XF or FONT record for a format no longer used.
#include <gtest/gtest.h>

#include <vector>

#include "../workbook/stream_reader.h"
#include "tablirex/format_views.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

using testing::Find;
using testing::Record;
using testing::SaveRecords;

std::vector<const Record*> All(const std::vector<Record>& rs, Rec type) {
  std::vector<const Record*> out;
  for (const Record& r : rs)
    if (r.type == RecNo(type)) out.push_back(&r);
  return out;
}

// The FONT record an XF record names (font index 4 is never used, so index n > 4
// is the n-th record).
const Record* FontOf(const std::vector<Record>& rs, const Record& xf) {
  const auto fonts = All(rs, Rec::FONT);
  std::size_t n = xf.Word(0);
  if (n > 4) --n;
  return n < fonts.size() ? fonts[n] : nullptr;
}

constexpr std::uint16_t kWeightBold = 700;

class RangeFormatRecords : public ::testing::TestWithParam<std::int32_t> {
 protected:
  RangeFormatRecords() : sheet(wb.GetWorksheets()->Add()) {}
  TXLSWorkbook wb;
  IXLSWorksheet* sheet;
};

TEST_P(RangeFormatRecords, WholeColumnWritesColinfoAndCellXF) {
  sheet->Range("B2")->SetValue(TVariant(1.0));
  sheet->Range("B:B")->GetFont()->SetBold(true);
  const auto rs = SaveRecords(wb, GetParam());
  const auto xfRecords = All(rs, Rec::XF);
  ASSERT_EQ(xfRecords.size(), 17u);
  const std::size_t col = Find(rs, Rec::COLINFO);
  ASSERT_NE(col, SIZE_MAX);
  EXPECT_EQ(rs[col].Word(0), 1);
  EXPECT_EQ(rs[col].Word(2), 1);
  EXPECT_EQ(rs[col].Word(6), 16);
  const std::size_t num = Find(rs, Rec::NUMBER);
  ASSERT_NE(num, SIZE_MAX);
  EXPECT_EQ(rs[num].Word(4), 16);
  const Record* font = FontOf(rs, *xfRecords[16]);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->Word(6), kWeightBold);
}

TEST_P(RangeFormatRecords, WholeRowWritesRowXF) {
  sheet->Range("4:4")->GetInterior()->SetColorIndex(6);
  const auto rs = SaveRecords(wb, GetParam());
  ASSERT_EQ(All(rs, Rec::XF).size(), 17u);
  const std::size_t row = Find(rs, Rec::ROW);
  ASSERT_NE(row, SIZE_MAX);
  EXPECT_EQ(rs[row].Word(0), 3);
  EXPECT_EQ(rs[row].Word(12), 0x0180);  // always set, own format
  EXPECT_EQ(rs[row].Word(14), 16);
  EXPECT_EQ(Find(rs, Rec::ROW, 1), SIZE_MAX);
  EXPECT_EQ(Find(rs, Rec::BLANK), SIZE_MAX);  // no cell was made
}

TEST_P(RangeFormatRecords, ClearedFormatsLeaveOnlyThePredefinedRecords) {
  Ref<IXLSRange> r = sheet->Range("A1:C3");
  r->GetFont()->SetBold(true);
  r->GetFont()->SetName("Courier New");
  r->GetBorders()->SetLineStyle(1);
  r->GetInterior()->SetColorIndex(3);
  r->SetNumFormat("0.000");
  r->Clear();
  const auto rs = SaveRecords(wb, GetParam());
  EXPECT_EQ(All(rs, Rec::XF).size(), 16u);
  EXPECT_EQ(All(rs, Rec::FONT).size(), 4u);
}

TEST_P(RangeFormatRecords, UndoneBoldWritesNoBoldFont) {
  sheet->Range("A1:B2")->GetFont()->SetBold(true);
  sheet->Range("D:D")->GetFont()->SetBold(true);
  sheet->Range("7:7")->GetFont()->SetBold(true);
  sheet->Range("A1:B2")->GetFont()->SetBold(false);
  sheet->Range("D:D")->GetFont()->SetBold(false);
  sheet->Range("7:7")->GetFont()->SetBold(false);
  const auto rs = SaveRecords(wb, GetParam());
  // One format in use: the cells, column D and row 7 all show the plain font again.
  EXPECT_EQ(All(rs, Rec::XF).size(), 17u);
  for (const Record* f : All(rs, Rec::FONT)) EXPECT_NE(f->Word(6), kWeightBold);
  const std::size_t col = Find(rs, Rec::COLINFO);
  ASSERT_NE(col, SIZE_MAX);
  EXPECT_EQ(rs[col].Word(6), 16);
}

INSTANTIATE_TEST_SUITE_P(Versions, RangeFormatRecords, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "Biff5" : "Biff8"; });

}  // namespace
}  // namespace tablirex
