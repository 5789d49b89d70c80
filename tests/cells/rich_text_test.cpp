// Rich text: runs in the string table and over CONTINUE records, the parts a
// range's Characters view formats, whole-cell fonts carried into the parts, and
// the Excel 5 cell record of a text with runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "biff/records.h"
#include "cells/cell_store.h"
#include "cells/rich_text.h"
#include "cells/sst.h"
#include "formats/font_list.h"
#include "tablirex/characters.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"
#include "../workbook/stream_reader.h"

namespace tablirex {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t Word(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8)); }

struct TString {
  std::u16string text;
  TXLSRichRuns runs;
};

// Reads SST and CONTINUE records by the format's rules, failing the test where
// the writer breaks one: a string's header and first character lie in one
// record; a continued piece of characters starts with an option byte that has
// only the size flag; runs follow the characters, are never cut, and a record
// that starts with runs has no option byte.
std::vector<TString> ReadStrings(const std::vector<Bytes>& recs, std::size_t maxBody) {
  std::vector<TString> out;
  for (const Bytes& r : recs) EXPECT_LE(r.size(), maxBody + 4);
  std::size_t rec = 0, pos = 12;
  const std::uint32_t unique = Word(recs[0], 8) | Word(recs[0], 10) << 16;
  const auto next = [&] {
    ++rec;
    EXPECT_EQ(Word(recs.at(rec), 0), RecNo(Rec::CONTINUE));
    pos = 4;
  };
  for (std::uint32_t n = 0; n < unique; ++n) {
    if (pos == recs[rec].size()) next();
    const Bytes& head = recs[rec];
    TString s;
    const std::size_t count = Word(head, pos);
    const std::uint8_t option = head.at(pos + 2);
    EXPECT_EQ(option & ~0x09, 0);
    const bool rich = option & 0x08;
    const std::size_t runs = rich ? Word(head, pos + 3) : 0;
    pos += rich ? 5 : 3;
    std::size_t unit = option & 1 ? 2 : 1;
    EXPECT_LE(pos + unit, head.size()) << "string " << n << ": its first character moves with its header";
    while (s.text.size() < count) {
      if (pos == recs[rec].size()) {
        next();
        const std::uint8_t piece = recs[rec].at(pos++);
        EXPECT_TRUE(piece == 0 || piece == 1) << "string " << n;
        unit = piece ? 2 : 1;
      }
      const Bytes& r = recs[rec];
      s.text.push_back(static_cast<char16_t>(unit == 2 ? Word(r, pos) : r.at(pos)));
      pos += unit;
    }
    for (std::size_t k = 0; k < runs; ++k) {
      if (pos == recs[rec].size()) next();
      EXPECT_LE(pos + 4, recs[rec].size()) << "string " << n << ": run " << k << " is cut";
      s.runs.push_back({Word(recs[rec], pos), static_cast<std::int32_t>(Word(recs[rec], pos + 2))});
      pos += 4;
    }
    out.push_back(std::move(s));
  }
  return out;
}

TXLSRichRuns Alternating(std::size_t length, std::size_t every) {
  TXLSRichRuns runs;
  for (std::size_t i = 0; i < length; i += every)
    runs.push_back({static_cast<std::uint32_t>(i), static_cast<std::int32_t>(5 + (i / every) % 2)});
  return runs;
}

TEST(RichText, RunsCrossContinueRecordsWhole) {
  struct TCase {
    std::uint16_t maxBody;
    std::size_t length;
    char16_t unit;       // a compressible character or not
    std::size_t every;   // a run every so many characters
  } cases[] = {
      {8224, 9000, u'e', 3}, {8224, 5000, u'\x436', 2}, {100, 37, u'a', 1}, {101, 37, u'\x436', 1},
      {102, 200, u'a', 7},   {103, 64, u'\x436', 5},    {16, 9, u'a', 1},   {17, 9, u'\x436', 4},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.maxBody << " " << c.length << " " << c.every);
    TXLSStringTable t;
    t.SetMaxRecord(c.maxBody);
    std::vector<TString> want;
    // Plain and rich strings in turn, of lengths that move every boundary.
    for (std::size_t i = 0; i < 6; ++i) {
      const std::u16string text(c.length + i, c.unit);
      TXLSRichRuns runs = i % 2 ? TXLSRichRuns{} : Alternating(text.size(), c.every + i);
      i % 2 ? (void)t.Add(text) : (void)t.AddRich(text, runs);
      NormalizeRuns(runs, text.size());
      want.push_back({text, runs});
    }
    TRecordCollector sink;
    ASSERT_EQ(t.AddSSTData(sink, 0), 1);
    std::vector<Bytes> sst;
    for (Bytes& r : sink.records)
      if (Word(r, 0) != RecNo(Rec::EXTSST) && (sst.empty() || Word(r, 0) == RecNo(Rec::CONTINUE))) sst.push_back(r);
    const std::vector<TString> got = ReadStrings(sst, c.maxBody);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_TRUE(got[i].text == want[i].text) << i;
      EXPECT_EQ(got[i].runs, want[i].runs) << i;
    }
  }
}

TEST(RichText, TextsWithRunsAreEntriesOfTheirOwn) {
  TXLSStringTable t;
  const std::int32_t plain = t.Add(u"abc");
  const std::int32_t rich = t.AddRich(u"abc", {{1, 5}, {0, 6}});
  const std::int32_t same = t.AddRich(u"abc", {{0, 6}, {1, 5}, {2, 5}});  // the same runs, another spelling
  EXPECT_NE(plain, rich);
  EXPECT_EQ(rich, same);
  EXPECT_EQ(t.GetRefCount(rich), 2);
  EXPECT_EQ(*t.GetRuns(rich), (TXLSRichRuns{{0, 6}, {1, 5}}));
  EXPECT_EQ(t.GetRuns(plain), nullptr);
  EXPECT_EQ(t.AddRich(u"abc", {{7, 5}}), plain);  // runs past the text: a plain text
  EXPECT_EQ(t.GetHashValue(u"abc"), plain);
  t.Remove(rich);
  t.Remove(rich);
  EXPECT_EQ(t.GetRuns(rich), nullptr);
  EXPECT_EQ(t.RunFonts(), std::vector<std::int32_t>{});
}

// The fonts of each character of a cell's text: 'b' bold, 'i' italic, 'x' both, '.' neither.
std::string Shape(TXLSWorkbook& wb, IXLSWorksheet& s, const char* a1) {
  const Ref<IXLSRange> r = s.Range(a1);
  const TXLSCellRef* cell = s.Cells().GetValue(static_cast<std::uint32_t>(r->GetFirstRow()),
                                               static_cast<std::uint32_t>(r->GetFirstCol()));
  const std::u16string_view text = wb.StringTable().GetValue(cell->SSTIndex);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Ref<IXLSFont> f = r->Characters(static_cast<std::int32_t>(i + 1), 1)->GetFont();
    out.push_back(f->GetBold() ? (f->GetItalic() ? 'x' : 'b') : (f->GetItalic() ? 'i' : '.'));
  }
  return out;
}

TEST(RichText, CharactersFormatPartsOfTexts) {
  struct TStep {
    const char* range;
    std::int32_t start, length;
    char what;  // 'b' bold, 'i' italic, 'n' not bold, 'B' whole cell bold, 'V' a new value
  };
  struct TCase {
    std::vector<TStep> steps;
    const char* shape;
  } cases[] = {
      {{{"A1", 7, 5, 'b'}}, "......bbbbb"},
      {{{"A1", 1, -1, 'b'}}, "bbbbbbbbbbb"},
      {{{"A1", 3, 4, 'b'}, {"A1", 5, 4, 'i'}}, "..bbxxii..."},
      {{{"A1", 1, 5, 'b'}, {"A1", 2, 2, 'n'}}, "b..bb......"},
      {{{"A1", 10, 9, 'i'}}, ".........ii"},                       // cut at the text's end
      {{{"A1", 1, 3, 'i'}, {"A1", 1, 1, 'B'}}, "xxxbbbbbbbb"},       // the whole cell's font reaches the parts
      {{{"A1", 1, 3, 'i'}, {"A1", 1, 1, 'V'}}, "..........."},       // a new value has no parts
      {{{"A1:A2", 2, 2, 'b'}}, ".bb........"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.shape);
    Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
    IXLSWorksheet& s = *wb->GetWorksheets()->Add();
    s.Range("A1")->SetValue(TVariant("Hello World"));
    s.Range("A2")->SetValue(TVariant("Hello World"));
    for (const TStep& st : c.steps) {
      const Ref<IXLSRange> r = s.Range(st.range);
      const Ref<IXLSFont> f = r->Characters(st.start, st.length)->GetFont();
      switch (st.what) {
        case 'b': f->SetBold(true); break;
        case 'n': f->SetBold(false); break;
        case 'i': f->SetItalic(true); break;
        case 'B': r->GetFont()->SetBold(true); break;
        default: r->SetValue(TVariant("Hello World")); break;
      }
    }
    EXPECT_EQ(Shape(*wb, s, "A1"), c.shape);
    // A2 changes only with a range that holds it.
    EXPECT_EQ(Shape(*wb, s, "A2"), std::string_view(c.steps.front().range) == "A1:A2" ? c.shape : "...........");
  }
}

TEST(RichText, CharactersRefuseWhatNoTextHas) {
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  IXLSWorksheet& s = *wb->GetWorksheets()->Add();
  s.Range("A1")->SetValue(TVariant("abc"));
  s.Range("B1")->SetValue(TVariant(5.0));
  const auto refused = [&](const char* a1, std::int32_t start, std::int32_t length) {
    wb->ClearLastError();
    const Ref<IXLSCharacters> c = s.Range(a1)->Characters(start, length);
    c->GetFont()->SetBold(true);
    return !wb->GetLastError().empty() && c->GetCount() == 0;
  };
  EXPECT_TRUE(refused("A1", 4, 1));   // past the text
  EXPECT_TRUE(refused("B1", 1, 1));   // a number has no characters
  EXPECT_TRUE(refused("A1", 0, 1));   // characters count from 1
  EXPECT_FALSE(refused("A1:B1", 3, 5));
  EXPECT_EQ(s.Range("A1")->Characters(2)->GetText(), "bc");
  EXPECT_EQ(s.Range("A1:B1")->Characters(2)->GetCount(), 2);
}

TEST(RichText, Excel5CellCarriesTheRunsAtTheirBytes) {
  Ref<TXLSWorkbook> wb = MakeRef<TXLSWorkbook>();
  IXLSWorksheet& s = *wb->GetWorksheets()->Add();
  // A CR LF pair becomes one CR, a character outside the code page one "?":
  // the runs after them move back.
  s.Range("A1")->SetText("a\r\nb\xF0\x9F\x98\x80" "cd");
  s.Range("A1")->Characters(4, 1)->GetFont()->SetBold(true);   // "b"
  s.Range("A1")->Characters(7, 1)->GetFont()->SetItalic(true);  // "c"
  const auto all = testing::SaveRecords(*wb, 1);
  const std::size_t at = testing::Find(all, Rec::RSTRING);
  ASSERT_NE(at, SIZE_MAX);
  const Bytes& b = all[at].body;
  const Bytes text(b.begin() + 8, b.begin() + 8 + Word(b, 6));
  EXPECT_EQ(text, (Bytes{'a', '\r', 'b', '?', 'c', 'd'}));
  const std::size_t runs = 8 + text.size();
  ASSERT_EQ(b.size(), runs + 1 + 2 * b.at(runs));
  std::vector<std::pair<int, int>> got;
  for (std::size_t k = 0; k < b.at(runs); ++k) got.emplace_back(b.at(runs + 1 + 2 * k), b.at(runs + 2 + 2 * k));
  const TXLSFontList& fonts = wb->XFList().GetFontList();
  ASSERT_EQ(got.size(), 5u);
  std::vector<int> firsts;
  for (const auto& [first, font] : got) firsts.push_back(first);
  EXPECT_EQ(firsts, (std::vector<int>{0, 2, 3, 4, 5}));
  EXPECT_EQ(got[0].second, got[2].second);  // the cell's font around the parts
  EXPECT_EQ(got[2].second, got[4].second);
  EXPECT_NE(got[1].second, got[3].second);
  std::int32_t boldFont = -1;
  for (std::int32_t i = 0; i < fonts.Count(); ++i)
    if (fonts.GetSaveIndex(i) == got[1].second) boldFont = i;
  EXPECT_TRUE(fonts.GetBold(boldFont));
}

}  // namespace
}  // namespace tablirex
