// Bytes of the FONT, FORMAT, XF and STYLE records, in both file versions.
#include <gtest/gtest.h>

#include <string>

#include "formats/xf_list.h"

namespace tablirex {
namespace {

using Bytes = std::vector<std::uint8_t>;
const TRecordContext kBiff5{BiffVersion::Biff5, 1252};
const TRecordContext kBiff8{BiffVersion::Biff8, 1252};

std::uint16_t Word(const Bytes& r, std::size_t off) { return static_cast<std::uint16_t>(r[off] | r[off + 1] << 8); }

struct Saved {
  TRecordCollector fonts, formats, xfs, styles;
};

Saved Save(TXLSXFList& l, const TRecordContext& ctx) {
  l.CreateAllReferredList();
  Saved s;
  EXPECT_EQ(l.StoreAllFonts(s.fonts, ctx), 1);
  EXPECT_EQ(l.StoreAllNumFormats(s.formats, ctx), 1);
  EXPECT_EQ(l.StoreAllXFS(s.xfs, ctx), 1);
  EXPECT_EQ(l.StoreAllStyles(s.styles, ctx), 1);
  return s;
}

class FormatRecords : public ::testing::Test {
 protected:
  FormatRecords() { xf.CreateDefault(); }
  TXLSXFList xf;
};

TEST_F(FormatRecords, NewListBiff8) {
  const Saved s = Save(xf, kBiff8);
  const Bytes arial = {0x31, 0x00, 26, 0x00, 0xC8, 0, 0, 0, 0, 0, 0x90, 0x01, 0, 0, 0, 0, 0, 0, 5, 1,
                       'A',  0,    'r', 0,    'i',  0, 'a', 0, 'l', 0};
  ASSERT_EQ(s.fonts.records.size(), 4u);
  for (const Bytes& r : s.fonts.records) EXPECT_EQ(r, arial);

  ASSERT_EQ(s.xfs.records.size(), 16u);
  EXPECT_EQ(s.xfs.records[0], (Bytes{0xE0, 0x00, 20, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0x00, 0x00,
                                     0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20}));
  for (int i = 1; i <= 14; ++i)
    EXPECT_EQ(s.xfs.records[static_cast<std::size_t>(i)],
              (Bytes{0xE0, 0x00, 20, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0x00, 0x00, 0xD0, 0, 0, 0, 0, 0,
                     0, 0, 0, 0xC0, 0x20}))
        << i;
  EXPECT_EQ(s.xfs.records[15], (Bytes{0xE0, 0x00, 20, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x00,
                                      0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20}));

  ASSERT_EQ(s.formats.records.size(), 4u);
  const std::u16string five = u"(\"$\"#,##0_);(\"$\"#,##0)";
  const Bytes& f5 = s.formats.records[0];
  EXPECT_EQ(Word(f5, 0), 0x041E);
  EXPECT_EQ(Word(f5, 2), 5 + 2 * five.size());
  EXPECT_EQ(Word(f5, 4), 5);
  EXPECT_EQ(Word(f5, 6), five.size());
  EXPECT_EQ(f5[8], 1);
  EXPECT_EQ(f5[9], '(');
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(Word(s.formats.records[i], 4), 5 + i);

  ASSERT_EQ(s.styles.records.size(), 1u);
  EXPECT_EQ(s.styles.records[0], (Bytes{0x93, 0x02, 0x04, 0x00, 0x00, 0x80, 0x00, 0xFF}));
}

TEST_F(FormatRecords, NewListBiff5) {
  const Saved s = Save(xf, kBiff5);
  ASSERT_EQ(s.fonts.records.size(), 4u);
  EXPECT_EQ(s.fonts.records[0], (Bytes{0x31, 0x00, 20, 0x00, 0xC8, 0, 0, 0, 0, 0, 0x90, 0x01, 0, 0, 0, 0, 0, 0, 5,
                                       'A', 'r', 'i', 'a', 'l'}));
  ASSERT_EQ(s.xfs.records.size(), 16u);
  EXPECT_EQ(s.xfs.records[0], (Bytes{0xE0, 0x00, 16, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0x00, 0xC0, 0x20,
                                     0, 0, 0, 0, 0, 0}));
  // Flags F4 keep their low six bits (34 hex) in bits 10-15.
  EXPECT_EQ(s.xfs.records[1], (Bytes{0xE0, 0x00, 16, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0xD0, 0xC0, 0x20,
                                     0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.xfs.records[15], (Bytes{0xE0, 0x00, 16, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0xC0, 0x20,
                                      0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(s.formats.records.size(), 4u);
  const std::string eight = "(\"$\"#,##0.00_);[Red](\"$\"#,##0.00)";
  const Bytes& f8 = s.formats.records[3];
  EXPECT_EQ(Word(f8, 2), 3 + eight.size());
  EXPECT_EQ(Word(f8, 4), 8);
  EXPECT_EQ(f8[6], eight.size());
  EXPECT_EQ(std::string(f8.begin() + 7, f8.end()), eight);
  ASSERT_EQ(s.styles.records.size(), 1u);
  EXPECT_EQ(s.styles.records[0], (Bytes{0x93, 0x02, 0x04, 0x00, 0x00, 0x80, 0x00, 0xFF}));
}

TEST_F(FormatRecords, BoldCellGivesXF16AndFontIndex5) {
  const std::int32_t cell = xf.SetFontBold(0, true, false);
  EXPECT_EQ(cell, 16);
  EXPECT_EQ(xf.GetFontIndex(cell), 4);
  const Saved s = Save(xf, kBiff8);
  ASSERT_EQ(s.fonts.records.size(), 5u);
  EXPECT_EQ(Word(s.fonts.records[4], 10), 700);
  ASSERT_EQ(s.xfs.records.size(), 17u);
  EXPECT_EQ(xf.GetSaveIndex(cell) - 1, 16);
  const Bytes& r = s.xfs.records[16];
  EXPECT_EQ(Word(r, 4), 5);    // font index: the save number itself
  EXPECT_EQ(Word(r, 8), 0x0001);  // locked, parent style 0
  EXPECT_EQ(r[13], 0x08);      // font flag (bit 1) times 4
}

TEST_F(FormatRecords, UnusedFormatsAndFontsAreNotWritten) {
  const std::int32_t a = xf.SetFontBold(0, true, false);
  EXPECT_EQ(xf.SetFontBold(0, true, false), a);  // a second bold cell
  const std::int32_t b = xf.SetFontBold(a, false, true);
  EXPECT_EQ(xf.SetFontBold(a, false, true), b);
  EXPECT_NE(a, b);
  const Saved s = Save(xf, kBiff8);
  EXPECT_EQ(xf.GetSaveIndex(a), 0);
  EXPECT_EQ(xf.GetSaveIndex(b) - 1, 16);
  ASSERT_EQ(s.xfs.records.size(), 17u);
  // The bold font is gone; the non-bold copy of the default font follows the
  // predefined four, and is identical to them.
  ASSERT_EQ(s.fonts.records.size(), 5u);
  EXPECT_EQ(s.fonts.records[4], s.fonts.records[0]);
  EXPECT_EQ(Word(s.xfs.records[16], 4), 5);
}

TEST_F(FormatRecords, FontAttributesInTheRecord) {
  struct Case {
    const char* what;
    TSetXFProperty setter;
    TVariant value;
    std::size_t offset;  // in the record, header included
    std::uint16_t expect;
    bool word;
  };
  const Case cases[] = {
      {"italic", &TXLSXFList::SetFontItalic, true, 6, 0x02, true},
      {"strikethrough", &TXLSXFList::SetFontStrikethrough, true, 6, 0x08, true},
      {"outline", &TXLSXFList::SetFontOutLineFont, true, 6, 0x10, true},
      {"shadow", &TXLSXFList::SetFontShadow, true, 6, 0x20, true},
      {"colour", &TXLSXFList::SetFontColorIndex, 10, 8, 10, true},
      {"automatic colour", &TXLSXFList::SetFontColorIndex, -4105, 8, 0x7FFF, true},
      {"automatic colour, unsigned", &TXLSXFList::SetFontColorIndex, std::int64_t{4294963191}, 8, 0x7FFF, true},
      {"superscript", &TXLSXFList::SetFontSuperScript, true, 12, 1, true},
      {"subscript", &TXLSXFList::SetFontSubScript, true, 12, 2, true},
      {"size 10.5", &TXLSXFList::SetFontSize, 10.5, 4, 210, true},
      {"size rounds half to even", &TXLSXFList::SetFontSize, 0.125, 4, 2, true},
      {"size rounds half to even, up", &TXLSXFList::SetFontSize, 0.375, 4, 8, true},
      {"largest size", &TXLSXFList::SetFontSize, 3276.75, 4, 0xFFFF, true},
      {"single accounting underline", &TXLSXFList::SetFontUnderLine, 0x21, 14, 0x21, false},
      {"family", &TXLSXFList::SetFontFamily, 2, 15, 2, false},
      {"character set", &TXLSXFList::SetFontCharSet, 0xA1, 16, 0xA1, false},
  };
  for (const Case& c : cases) {
    TXLSXFList l;
    l.CreateDefault();
    const std::int32_t cell = (l.*c.setter)(0, c.value, false);
    ASSERT_EQ(cell, 16) << c.what;
    TRecordCollector fonts;
    l.CreateAllReferredList();
    ASSERT_EQ(l.StoreAllFonts(fonts, kBiff8), 1);
    ASSERT_EQ(fonts.records.size(), 5u) << c.what;
    const Bytes& r = fonts.records[4];
    EXPECT_EQ(c.word ? Word(r, c.offset) : r[c.offset], c.expect) << c.what;
  }
}

TEST_F(FormatRecords, FontNameSizes) {
  const std::int32_t cell = xf.SetFontName(0, TVariant(std::string("Courier New")), false);
  const Saved s8 = Save(xf, kBiff8);
  EXPECT_EQ(Word(s8.fonts.records[4], 2), 16 + 2 * 11);
  EXPECT_EQ(s8.fonts.records[4][18], 11);
  const Saved s5 = Save(xf, kBiff5);
  EXPECT_EQ(Word(s5.fonts.records[4], 2), 15 + 11);
  EXPECT_EQ(std::string(s5.fonts.records[4].begin() + 19, s5.fonts.records[4].end()), "Courier New");
  EXPECT_EQ(xf.GetFontName(cell), u"Courier New");
}

TEST_F(FormatRecords, FormatRecordSizesAndNumbers) {
  const std::int32_t a = xf.SetNumFormat(0, TVariant("0.00"), false);
  EXPECT_EQ(xf.GetNumFormatIndex(a), 163);
  EXPECT_EQ(xf.SetNumFormat(0, TVariant("0.00"), false), a);  // found through the hash
  EXPECT_EQ(xf.GetRefCount(a), 2);
  const std::int32_t b = xf.SetNumFormat(0, TVariant("(\"$\"#,##0_);[Red](\"$\"#,##0)"), false);
  EXPECT_EQ(xf.GetNumFormatIndex(b), 6);
  const std::int32_t c = xf.SetNumFormat(0, TVariant("#,##0.000"), false);
  EXPECT_EQ(xf.GetNumFormatIndex(c), 164);

  const Saved s8 = Save(xf, kBiff8);
  ASSERT_EQ(s8.formats.records.size(), 6u);
  EXPECT_EQ(s8.formats.records[4],
            (Bytes{0x1E, 0x04, 13, 0, 0xA3, 0x00, 4, 0, 1, '0', 0, '.', 0, '0', 0, '0', 0}));
  EXPECT_EQ(Word(s8.formats.records[5], 4), 164);
  const Saved s5 = Save(xf, kBiff5);
  ASSERT_EQ(s5.formats.records.size(), 6u);
  EXPECT_EQ(s5.formats.records[4], (Bytes{0x1E, 0x04, 7, 0, 0xA3, 0x00, 4, '0', '.', '0', '0'}));
}

TEST_F(FormatRecords, LongFormatIsCutInTheOlderVersion) {
  const std::u16string text(300, u'0');
  xf.SetNumFormat(0, TVariant(text), false);
  const auto b5 = xf.GetNumFormatList().GetNumFormatBlob(163, kBiff5);
  ASSERT_TRUE(b5);
  EXPECT_EQ(b5->GetWord(2), 3 + 255);
  EXPECT_EQ(b5->GetByte(6), 255);
  EXPECT_EQ(b5->GetDataSize(), 4u + 3 + 255);
  const auto b8 = xf.GetNumFormatList().GetNumFormatBlob(163, kBiff8);
  EXPECT_EQ(b8->GetWord(6), 300);
  EXPECT_FALSE(xf.GetNumFormatList().GetNumFormatBlob(0, kBiff8));
  EXPECT_FALSE(xf.GetNumFormatList().GetNumFormatBlob(9999, kBiff8));
}

TEST_F(FormatRecords, UserDefinedStyle) {
  const std::int32_t cell = xf.SetFontBold(0, true, false);
  xf.GetStyles().AddStyle(u"Heading", cell);
  xf.ReplaceIndex(cell, 0);  // the cell goes; the style keeps the format written
  const Saved s8 = Save(xf, kBiff8);
  ASSERT_EQ(s8.styles.records.size(), 2u);
  EXPECT_EQ(s8.styles.records[1], (Bytes{0x93, 0x02, 19, 0, 16, 0, 7, 0, 1, 'H', 0, 'e', 0, 'a', 0, 'd', 0, 'i', 0,
                                         'n', 0, 'g', 0}));
  // The older form carries the name's length byte.
  const Saved s5 = Save(xf, kBiff5);
  EXPECT_EQ(s5.styles.records[1], (Bytes{0x93, 0x02, 10, 0, 16, 0, 7, 'H', 'e', 'a', 'd', 'i', 'n', 'g'}));
  // Adding a style of the same name replaces it in its slot.
  EXPECT_EQ(xf.GetStyles().AddStyle(u"Heading", 0), 1);
  EXPECT_EQ(xf.GetStyles().GetXFIndex(1), 0);
  EXPECT_EQ(xf.GetStyles().GetXFIndex(7), 0);
}

// A sink that fails from its nth record on.
class FailingSink final : public IRecordSink {
 public:
  explicit FailingSink(int okCount) : left_(okCount) {}
  std::int32_t AppendRecord(TXLSBlob&) override {
    ++seen;
    return left_-- > 0 ? 1 : -7;
  }
  int seen = 0;

 private:
  int left_;
};

TEST_F(FormatRecords, WritersStopAtTheFirstFailure) {
  xf.CreateAllReferredList();
  using Writer = std::int32_t (TXLSXFList::*)(IRecordSink&, const TRecordContext&) const;
  for (const Writer w : {&TXLSXFList::StoreAllFonts, &TXLSXFList::StoreAllNumFormats, &TXLSXFList::StoreAllXFS}) {
    FailingSink sink(2);
    EXPECT_EQ((xf.*w)(sink, kBiff8), -7);
    EXPECT_EQ(sink.seen, 3);
  }
  FailingSink sink(0);
  EXPECT_EQ(xf.StoreAllStyles(sink, kBiff8), -7);
  // Lists that yield no record report -1.
  TXLSXFList empty;
  TRecordCollector none;
  empty.CreateAllReferredList();
  EXPECT_EQ(empty.StoreAllNumFormats(none, kBiff8), -1);
  EXPECT_EQ(empty.StoreAllStyles(none, kBiff8), -1);
  EXPECT_TRUE(none.records.empty());
}

}  // namespace
}  // namespace tablirex
