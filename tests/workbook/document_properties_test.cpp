// Document properties: the property set stream's bytes, the code page its texts
// take, refused values, and the HTML page's head.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cfb/property_set.h"
#include "tablirex/datetime.h"
#include "tablirex/document_properties.h"
#include "tablirex/workbook.h"
#include "workbook/document_properties.h"

namespace tablirex {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Long(const Bytes& b, std::size_t at) {
  return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}

TEST(DocumentProperties, PropertySetStreamLayout) {
  TPropertySetWriter w(kSummaryInformationId, 1252);
  w.AddText(0x02, u"Ab\u00DC");
  w.AddFileTime(0x0C, FileTimeOfSerial(EncodeDate(2026, 1, 31) + 0.5));
  const Bytes b = w.Bytes();
  const Bytes header = {0xFE, 0xFF, 0, 0, 0, 0, 2, 0};
  EXPECT_TRUE(std::equal(header.begin(), header.end(), b.begin()));
  EXPECT_EQ(Long(b, 24), 1u);  // one property set
  EXPECT_TRUE(std::equal(kSummaryInformationId.begin(), kSummaryInformationId.end(), b.begin() + 28));
  EXPECT_EQ(Long(b, 44), 48u);
  const Bytes set(b.begin() + 48, b.end());
  EXPECT_EQ(Long(set, 0), set.size());
  EXPECT_EQ(Long(set, 4), 3u);
  // (number, offset): the code page first, then in the order given.
  EXPECT_EQ((std::vector<std::uint32_t>{Long(set, 8), Long(set, 12), Long(set, 16), Long(set, 20), Long(set, 24),
                                        Long(set, 28)}),
            (std::vector<std::uint32_t>{1, 32, 2, 40, 12, 52}));
  EXPECT_EQ(Bytes(set.begin() + 32, set.end()),
            (Bytes{0x02, 0, 0, 0, 0xE4, 0x04, 0, 0,                // code page 1252, padded
                   0x1E, 0, 0, 0, 4, 0, 0, 0, 'A', 'b', 0xDC, 0,   // text of 3 bytes and its terminator
                   0x40, 0, 0, 0, 0x00, 0x60, 0x1A, 0x20, 0xA9, 0x92, 0xDC, 0x01}));
  EXPECT_EQ(FileTimeOfSerial(EncodeDate(1601, 1, 1) - 1), 0u);
}

TEST(DocumentProperties, TextsKeepTheirCodePageOrBecomeUtf16) {
  struct TCase {
    const char* author;
    const char* company;
    std::uint16_t codePage;
    std::uint16_t stored;
    std::size_t streams;
  } cases[] = {
      {"Finance \xC3\x9Cnit", "", 1252, 1252, 1},  // "Ü" is in the Western page
      {"\xD0\x9E\xD1\x82", "", 1251, 1251, 1},       // Cyrillic in the Cyrillic page
      {"\xD0\x9E\xD1\x82", "", 1252, 1200, 1},       // ... but not in the Western one
      {"a", "ACME", 1252, 1252, 2},                 // the company needs the second stream
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.author);
    TXLSDocumentProperties p;
    p.Texts[xlPropertyAuthor - 1] = c.author;
    p.Texts[xlPropertyCompany - 1] = c.company;
    const auto streams = SummaryStreams(p, c.codePage);
    ASSERT_EQ(streams.size(), c.streams);
    EXPECT_EQ(streams[0].name, u"\005SummaryInformation");
    const Bytes& b = streams[0].bytes;
    const std::size_t codePage = 48 + Long(b, 48 + 12) + 4;  // the first property's value
    EXPECT_EQ(b.at(codePage) | b.at(codePage + 1) << 8, c.stored);
  }
  EXPECT_TRUE(SummaryStreams(TXLSDocumentProperties{}, 1252).empty());
}

TEST(DocumentProperties, RefusedValuesLeaveTheProperty) {
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  ASSERT_EQ(wb->SetTitle("Sales"), 1);
  ASSERT_EQ(wb->SetCreationDate(EncodeDate(2026, 1, 31)), 1);
  struct TCase {
    std::int32_t property;
    TVariant value;
    const char* reason;
  } cases[] = {
      {xlPropertyTitle, TVariant(2.0), "takes a text"},
      {xlPropertyTitle, TVariant(std::string(kMaxDocumentPropertyText + 1, 'x')), "at most 32766 characters"},
      {xlPropertyCreationDate, TVariant("2026-01-31"), "takes a date"},
      {xlPropertyCreationDate, TVariant(true), "takes a date"},
      {xlPropertyCreationDate, TVariant::Date(EncodeDate(1600, 12, 31)), "between the years 1601 and 9999"},
      {11, TVariant("x"), "does not exist"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(wb->SetDocumentProperty(c.property, c.value), -1) << c.reason;
    EXPECT_NE(wb->GetLastError().find(c.reason), std::string::npos) << wb->GetLastError();
  }
  EXPECT_EQ(wb->GetTitle(), "Sales");
  EXPECT_EQ(wb->GetCreationDate(), EncodeDate(2026, 1, 31));
  EXPECT_EQ(wb->BuiltinDocumentProperties("Revision"), nullptr);
  const Ref<IXLSDocumentProperty> p = wb->BuiltinDocumentProperties("creation date");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetName(), "Creation Date");
  EXPECT_EQ(p->GetValue().AsDate(), EncodeDate(2026, 1, 31));
  EXPECT_EQ(p->SetValue(TVariant()), 1);
  EXPECT_EQ(wb->GetCreationDate(), 0);
  EXPECT_EQ(wb->SetTitle(""), 1);
  EXPECT_TRUE(wb->GetDocumentProperty(xlPropertyTitle).IsEmptyOrNull());
}

TEST(DocumentProperties, HtmlHeadEscapesTheTexts) {
  TXLSDocumentProperties p;
  p.Texts[xlPropertyTitle - 1] = "A <b> & \"c\"";
  p.Texts[xlPropertyComments - 1] = "one\ntwo";
  p.LastSaved = EncodeDate(2026, 2, 1) + EncodeTime(9, 30, 15);
  EXPECT_EQ(DocumentPropertiesHTML(p),
            "<title>A &lt;b&gt; &amp; &quot;c&quot;</title>\r\n"
            "<meta name=\"description\" content=\"one two\">\r\n"
            "<meta name=\"dcterms.modified\" content=\"2026-02-01T09:30:15Z\">\r\n");
}

}  // namespace
}  // namespace tablirex
