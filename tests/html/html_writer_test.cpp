#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "../temp_dir.h"
#include "core/atomic_file.h"
#include "html/html_writer.h"
#include "tablirex/file_error.h"
#include "tablirex/format_views.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"

namespace tablirex {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The table rows of a page, each "  <tr>…</tr>".
std::vector<std::string> Rows(const std::string& page) {
  std::vector<std::string> out;
  std::istringstream in(page);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("  <tr>", 0) == 0) out.push_back(line);
  return out;
}

// A temporary folder of this test.
class TempDir : public test::TTempDir {
 public:
  TempDir() : TTempDir("tablirex_html_") {}
};

class HTMLSheet : public ::testing::Test {
 protected:
  HTMLSheet() : sheet(wb.GetWorksheets()->Add()) {}
  IXLSRange& R(const char* a1) {
    held = sheet->Range(a1);
    return *held;
  }
  std::string Page() { return BuildSheetHTML(*sheet); }

  TXLSWorkbook wb;
  IXLSWorksheet* sheet;
  Ref<IXLSRange> held;
};

TEST_F(HTMLSheet, PageFrameAndColumnWidths) {
  R("A1:B1").SetColumnWidth(TVariant(10.0));
  R("C1").SetColumnWidth(TVariant(2.5));  // 20 pixels
  R("A1").SetValue(TVariant("y"));
  R("C2").SetValue(TVariant("x"));
  R("A1").SetRowHeight(TVariant(15.0));  // 19.995 pixels
  const std::string page = Page();
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n<html><head>\r\n<meta charset=\"utf-8\">\r\n"
                       "<STYLE TYPE=\"text/css\">\r\n<!--\r\n td {font-family: Arial; font-size: 10pt; "
                       "vertical-align: bottom; white-space: nowrap; overflow: hidden; padding: 1px 3px 0px 3px; }\r\n",
                       0),
            0u);
  EXPECT_NE(page.find("-->\r\n</STYLE>\r\n</head><body>\r\n\r\n<table border=0 cellpadding=0 cellspacing=0 "
                      "width=180 style='border-collapse:collapse;table-layout:fixed'>\r\n"
                      "  <col width=80>\r\n  <col width=80>\r\n  <col width=20>\r\n  <tr>"),
            std::string::npos);
  const auto rows = Rows(page);
  ASSERT_EQ(rows.size(), 2u);
  // Only the first td of a row carries its height. A row with a height of its
  // own has a record, whose format is the default cell format, XF 15.
  EXPECT_EQ(rows[0], "  <tr>    <td  height=20  class=f15>y</td>  <td  class=f15>&nbsp;</td>  "
                     "<td  class=f15>&nbsp;</td>  </tr>\r");
  EXPECT_EQ(Count(page, " td.f15 {"), 1u);
  EXPECT_EQ(Count(rows[1], "height="), 1u);
  EXPECT_TRUE(page.ends_with("\r\n\r\n</table></body></html>\r\n"));
}

TEST_F(HTMLSheet, CellTextsAreFormattedAndEscaped) {
  R("A1").SetValue(TVariant(1234.5));
  R("A1").SetNumFormat("0.00");
  R("B1").SetValue(TVariant("\"a < b & c\""));
  R("C1").SetValue(TVariant("=SUM(A1:A2)"));
  R("D1").SetValue(TVariant("one\r\ntwo\rthree\nfour"));
  R("H1").SetValue(TVariant("one\r\ntwo\rthree\nfour"));
  R("H1").SetWrapText(TVariant(true));
  R("E1").SetValue(TVariant(2.0));
  R("E1").SetHAlign(TVariant(-4108));  // centred: no align=right
  R("F1").SetValue(TVariant::Date(45356.5));
  R("F1").SetNumFormat("yyyy-mm-dd hh:mm");
  R("G1").SetValue(TVariant("<script>alert(1)</script>"));
  const std::string r = Page();
  ASSERT_EQ(Rows(r).size(), 1u);
  EXPECT_NE(r.find("align=right  class=f"), std::string::npos);
  EXPECT_NE(r.find(">1234.50</td>"), std::string::npos);
  EXPECT_NE(r.find("class=f0>&quot;a &lt; b &amp; c&quot;</td>"), std::string::npos);
  EXPECT_NE(r.find("class=f0>=SUM(A1:A2)</td>"), std::string::npos);
  // Line breaks: one line unless the cell wraps.
  EXPECT_NE(r.find(">one two three four</td>"), std::string::npos) << r;
  EXPECT_NE(r.find(">one<br>two<br>three<br>four</td>"), std::string::npos) << r;
  EXPECT_EQ(Count(r, "align=right"), 2u);  // the number and the date
  EXPECT_NE(r.find(">2024-03-05 12:00</td>"), std::string::npos);
  // Cell text cannot open an element of its own.
  EXPECT_EQ(r.find("<script"), std::string::npos);
  EXPECT_NE(r.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
}

TEST_F(HTMLSheet, MergedAreaIsOneCell) {
  R("B2:D3").Merge(false);
  R("B2").SetValue(TVariant("area"));
  R("E4").SetValue(TVariant(1.0));
  const auto rows = Rows(Page());
  ASSERT_EQ(rows.size(), 3u);  // rows 2 … 4, columns B … E
  EXPECT_NE(rows[0].find("<td  height=17 colspan=3 rowspan=2 class=f0>area</td>"), std::string::npos) << rows[0];
  EXPECT_EQ(Count(rows[0], "<td"), 2u);  // the area and E2
  EXPECT_EQ(Count(rows[1], "<td"), 1u);  // E3 only, which carries the height as the row's first td
  EXPECT_NE(rows[1].find("<td  height=17  class=f0>"), std::string::npos);
  EXPECT_EQ(Count(rows[2], "<td"), 4u);
}

TEST_F(HTMLSheet, OneRulePerFormatInUse) {
  R("A1:C3").GetFont()->SetBold(true);
  R("A1:C3").SetValue(TVariant(1.0));
  R("D1").SetValue(TVariant(2.0));  // default format: class f0, no rule
  const std::string page = Page();
  const std::smatch m = [&] {
    std::smatch s;
    std::regex_search(page, s, std::regex(" td\\.f(\\d+) \\{"));
    return s;
  }();
  ASSERT_FALSE(m.empty());
  EXPECT_EQ(Count(page, " td.f"), 1u);
  EXPECT_EQ(Count(page, "class=f" + m[1].str() + ">"), 9u);
  EXPECT_EQ(Count(page, "td.f0 "), 0u);
  EXPECT_EQ(Count(page, "class=f0>"), 3u);  // D1, and D2, D3 of the used range
}

TEST_F(HTMLSheet, CSSRuleOfAFormat) {
  IXLSRange& a = R("B2");
  a.SetValue(TVariant("x"));
  a.GetFont()->SetBold(true);
  a.GetFont()->SetItalic(true);
  a.GetFont()->SetSize(10.5f);                         // a half rounds to even: 10
  a.GetFont()->SetColor(0x0000FF);                      // red
  a.SetHAlign(TVariant(-4108));
  a.SetVAlign(TVariant(-4160));
  a.GetInterior()->SetColor(0xFFFF00);                  // cyan
  a.GetInterior()->SetPattern(1);
  a.SetWrapText(TVariant(true));
  const std::string rule = GetCSSItem(*sheet, a.XFIndex(), a);
  EXPECT_EQ(rule, " td.f" + std::to_string(a.XFIndex()) +
                      " {font-family: Arial; font-size: 10pt; font-weight: bold; font-style: italic; "
                      "text-align: center; vertical-align: top; color: #FF0000; background-color: #00FFFF; "
                      "white-space: normal; overflow-wrap: break-word; }\r\n");
}

TEST_F(HTMLSheet, BorderWidthsStylesAndColours) {
  IXLSRange& a = R("B2");
  a.SetValue(TVariant("x"));
  Ref<IXLSBorder> top = a.GetBorders()->GetBorder(8);
  top->SetLineStyle(static_cast<std::uint32_t>(-4119));  // double
  top->SetWeight(2);                                      // thin
  Ref<IXLSBorder> bottom = a.GetBorders()->GetBorder(9);
  bottom->SetLineStyle(1);
  bottom->SetWeight(2);
  bottom->SetColorIndex(3);  // red
  Ref<IXLSBorder> left = a.GetBorders()->GetBorder(7);
  left->SetLineStyle(static_cast<std::uint32_t>(-4118));
  left->SetWeight(2);
  Ref<IXLSBorder> right = a.GetBorders()->GetBorder(10);
  right->SetLineStyle(static_cast<std::uint32_t>(-4115));
  right->SetWeight(static_cast<std::uint32_t>(-4138));
  const std::string rule = GetCSSItem(*sheet, a.XFIndex(), a);
  EXPECT_NE(rule.find("border-top: 2.3pt double #000000; border-bottom: .5pt solid #FF0000; "
                      "border-left: .5pt dotted #000000; border-right: 1.5pt dashed #000000; white-space: nowrap; }"),
            std::string::npos)
      << rule;

  const struct {
    std::int32_t weight, style;
    const char* width;
    const char* word;
  } cases[] = {{1, 1, ".1pt", "solid"},       {2, 1, ".5pt", "solid"},      {-4138, -4115, "1.5pt", "dashed"},
               {4, 4, "2pt", "dashed"},       {4, -4119, "3.5pt", "double"}, {-4138, -4119, "3pt", "double"},
               {1, -4119, "2.3pt", "double"},
               {2, 5, ".5pt", "dashed"},      {2, 13, ".5pt", "dashed"},     {1, -4118, ".1pt", "dotted"},
               {7, 99, "0pt", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(HTMLBorderWidth(c.weight, c.style), c.width) << c.weight << " " << c.style;
    EXPECT_EQ(HTMLBorderStyle(c.style), c.word) << c.style;
  }
}

TEST_F(HTMLSheet, FontNameCannotLeaveTheStyleSheet) {
  R("A1").SetValue(TVariant("x"));
  R("A1").GetFont()->SetName("Ari</STYLE><script>x()</script>");
  const std::string page = Page();
  const std::size_t end = page.find("</STYLE>");
  EXPECT_EQ(Count(page, "</STYLE>"), 1u);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_NE(page.substr(0, end).find("font-family: Ari/STYLEscriptx()/script; "), std::string::npos);
}

TEST_F(HTMLSheet, TextsAreUTF8WhateverTheCodePage) {
  R("A1").SetValue(TVariant("\xE2\x82\xAC 5 \xCE\xA9 Zo\xC3\xAB"));  // euro sign, omega, e diaeresis
  for (const std::uint16_t codePage : {1252, 1251}) {
    ASSERT_EQ(wb.SetCodePage(codePage), 1);
    EXPECT_NE(Rows(Page())[0].find(">\xE2\x82\xAC 5 \xCE\xA9 Zo\xC3\xAB</td>"), std::string::npos) << codePage;
  }
}

TEST_F(HTMLSheet, HiddenRowsAndColumnsAreLeftOut) {
  R("A1:D4").SetValue(TVariant("v"));
  R("B2").SetValue(TVariant("secret"));
  R("C3").SetValue(TVariant("secret"));
  R("2:2").SetHidden(TVariant(true));
  R("C:C").SetHidden(TVariant(true));
  R("A3:B4").Merge(false);  // spans three visible cells: A3, A4 and B3, B4 less nothing hidden
  R("A4:D4").SetValue(TVariant());
  R("D3:D4").Merge(false);
  const std::string page = Page();
  EXPECT_EQ(page.find("secret"), std::string::npos);
  EXPECT_EQ(Count(page, "<col "), 3u);
  const auto rows = Rows(page);
  ASSERT_EQ(rows.size(), 3u);  // rows 1, 3 and 4
  EXPECT_EQ(Count(rows[0], "<td"), 3u);
  EXPECT_NE(rows[1].find("colspan=2 rowspan=2 class=f0>v</td>"), std::string::npos) << rows[1];
  EXPECT_NE(rows[1].find("rowspan=2 class=f0>v</td>  </tr>"), std::string::npos) << rows[1];
  EXPECT_EQ(Count(rows[2], "<td"), 0u);
  // A merged area whose first row and column are hidden shows at its first visible cell.
  IXLSWorksheet* other = wb.GetWorksheets()->Add();
  other->Range("1:1")->SetHidden(TVariant(true));
  other->Range("A:A")->SetHidden(TVariant(true));
  other->Range("A1:B3")->Merge(false);
  other->Range("A1")->SetValue(TVariant("owner"));
  other->Range("C3")->SetValue(TVariant("x"));
  const auto after = Rows(BuildSheetHTML(*other));
  ASSERT_EQ(after.size(), 2u);
  EXPECT_NE(after[0].find("<td  height=17 rowspan=2 class=f15>owner</td>  <td  class=f0>&nbsp;</td>"),
            std::string::npos)
      << after[0];
}

TEST_F(HTMLSheet, LongTextsSpillOverBlankNeighboursOnly) {
  const std::string longText(40, 'x');  // about 300 pixels
  R("A1").SetValue(TVariant(longText));
  R("D1").SetValue(TVariant("stop"));
  R("A2").SetValue(TVariant(longText));
  R("B2").SetValue(TVariant(1.0));
  R("D3").SetValue(TVariant(longText));
  R("D3").SetHAlign(TVariant(-4152));  // right-aligned: spills to the left
  R("B3").GetInterior()->SetPattern(1);  // a formatted empty cell stops it
  R("A4").SetValue(TVariant("short"));
  const auto rows = Rows(Page());
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_NE(rows[0].find("colspan=3  class=f0>" + longText + "</td>  <td  class=f0>stop</td>"), std::string::npos)
      << rows[0];
  EXPECT_EQ(Count(rows[1], "<td"), 4u);  // cut at the number
  EXPECT_NE(rows[2].find("colspan=2  class=f"), std::string::npos) << rows[2];
  EXPECT_EQ(Count(rows[2], "<td"), 3u);
  EXPECT_EQ(Count(rows[3], "<td"), 4u);  // a short text needs no room
}

TEST_F(HTMLSheet, FullWidthSheetReachesTheLastColumn) {
  R("A1").SetValue(TVariant("first"));
  R("IV2").SetValue(TVariant("last"));
  const auto rows = Rows(Page());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Count(rows[0], "<td"), 256u);
  EXPECT_TRUE(rows[1].ends_with("<td  class=f0>last</td>  </tr>\r")) << rows[1].substr(rows[1].size() - 60);
  EXPECT_EQ(Count(rows[0], ">first<"), 1u);
}

TEST_F(HTMLSheet, EmptySheetIsOneEmptyCell) {
  const auto rows = Rows(Page());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], "  <tr>    <td  height=17  class=f0>&nbsp;</td>  </tr>\r");
}

// ---- the workbook -----------------------------------------------------------------------

TEST(HTMLWorkbook, MainPageLines) {
  EXPECT_EQ(BuildMainHTML("book.files", 2),
            "<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n</head>\r\n"
            "<frameset rows=\"*,39\" border=0 width=0 frameborder=no framespacing=0>\r\n"
            "<frame src=\"book.files/Sheet002.htm\" name=\"frSheet\">\r\n"
            "<frame src=\"book.files/tabstrip.htm\" name=\"frTabs\" marginwidth=0 marginheight=0>\r\n"
            "<noframes>\r\n<body>\r\n"
            "<p>This page uses the frames. Your brouser does not support frames.</p>\r\n"
            "</body>\r\n</noframes>\r\n</frameset>\r\n</html>\r\n");
  EXPECT_EQ(SheetNumberText(7), "007");
  EXPECT_EQ(SheetNumberText(1000), "1000");
}

TEST(HTMLWorkbook, TabStripLinksEverySheetAndEscapesNames) {
  TXLSWorkbook wb;
  wb.GetWorksheets()->Add()->SetWorkSheetName("Data");
  wb.GetWorksheets()->Add()->SetWorkSheetName("A&B <\"x\">");
  wb.GetWorksheets()->Get(2)->Activate();
  const std::string page = BuildNavigateHTML(wb);
  EXPECT_EQ(page.rfind("<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n<style>", 0), 0u);
  EXPECT_NE(page.find("\r\n<td class=\"tab\" nowrap><small><small>&nbsp;<a href=\"Sheet001.htm\" "
                      "target=\"frSheet\" onclick=\"show(this)\"><font face=\"Arial\" color=\"#000000\">Data"
                      "</font></a>&nbsp;</small></small></td>\r\n"),
            std::string::npos);
  // The active sheet's tab is marked as the one shown.
  EXPECT_EQ(Count(page, "<td class=\"tab shown\""), 1u);
  EXPECT_NE(page.find("<td class=\"tab shown\" nowrap><small><small>&nbsp;<a href=\"Sheet002.htm\""),
            std::string::npos);
  // Sheet names are escaped like cell texts.
  EXPECT_NE(page.find("<a href=\"Sheet002.htm\" target=\"frSheet\" onclick=\"show(this)\"><font face=\"Arial\" color=\"#000000\">"
                      "A&amp;B &lt;&quot;x&quot;&gt;</font>"),
            std::string::npos);
  EXPECT_TRUE(page.ends_with("</td>\r\n </tr>\r\n</table>\r\n</body>\r\n</html>\r\n"));
}

TEST(HTMLWorkbook, SaveAsFormat3WritesTheFrameset) {
  TempDir dir;
  TXLSWorkbook wb;
  for (int i = 0; i < 3; ++i) wb.GetWorksheets()->Add()->Range("A1")->SetValue(TVariant(std::int32_t{i + 1}));
  wb.GetWorksheets()->Get(2)->Activate();
  ASSERT_EQ(wb.SaveAs((dir / "book.htm").string(), 3), 1);
  EXPECT_EQ(wb.CurrentFormat(), 2);
  for (const char* f : {"book.files/tabstrip.htm", "book.files/Sheet001.htm", "book.files/Sheet002.htm",
                        "book.files/Sheet003.htm"})
    EXPECT_TRUE(fs::is_regular_file(dir / f)) << f;
  EXPECT_NE(ReadFile(dir / "book.htm").find("<frame src=\"book.files/Sheet002.htm\" name=\"frSheet\">"),
            std::string::npos);
  EXPECT_NE(ReadFile(dir / "book.files/Sheet003.htm").find(">3</td>"), std::string::npos);
  // Saving again into the existing folder works, and a BIFF save still follows.
  EXPECT_EQ(wb.SaveAs((dir / "book.htm").string(), 3), 1);
  EXPECT_EQ(wb.SaveAs((dir / "book.xls").string()), 1);
}

TEST(HTMLWorkbook, OneSheetIsOnePageAndNoSheetGetsSheet1) {
  TempDir dir;
  TXLSWorkbook empty;
  // As a workbook file save does, a workbook without sheets gets Sheet1 ...
  EXPECT_EQ(empty.SaveAsHTML((dir / "none.htm").string()), 1);
  EXPECT_EQ(empty.GetWorksheets()->GetCount(), 1);
  EXPECT_EQ(empty.GetWorksheets()->Get(1)->GetWorkSheetName(), "Sheet1");
  EXPECT_NE(ReadFile(dir / "none.htm").find("<td  height=17  class=f0>&nbsp;</td>"), std::string::npos);
  // ... but not for a file name that names no file.
  TXLSWorkbook blank;
  for (const std::string& name : {std::string("   "), std::string(""), (dir / "  ").string(),
                                 (dir / "x.htm").string() + std::string(1, '\0') + ".htm"}) {
    EXPECT_EQ(blank.SaveAs(name, 3), -1) << name;
    EXPECT_THROW(blank.SaveAsHTML(name), EFileError);
  }
  EXPECT_EQ(blank.GetWorksheets()->GetCount(), 0);
  EXPECT_FALSE(fs::exists(dir / "x.htm"));

  TXLSWorkbook wb;
  wb.GetWorksheets()->Add()->Range("A1")->SetValue(TVariant("only"));
  ASSERT_EQ(wb.SaveAs((dir / "one.html").string(), 3), 1);
  EXPECT_FALSE(fs::exists(dir / "one.files"));
  EXPECT_NE(ReadFile(dir / "one.html").find(">only</td>"), std::string::npos);
}

TEST(HTMLWorkbook, FolderNamesAreSafeURLs) {
  TempDir dir;
  TXLSWorkbook wb;
  wb.GetWorksheets()->Add();
  wb.GetWorksheets()->Add();
  fs::create_directories(dir / "a.b");
  ASSERT_EQ(wb.SaveAs((dir / "a.b" / "my book#1").string(), 3), 1);
  EXPECT_TRUE(fs::is_regular_file(dir / "a.b" / "my book#1.files" / "Sheet002.htm"));
  EXPECT_NE(ReadFile(dir / "a.b" / "my book#1").find("<frame src=\"my%20book%231.files/tabstrip.htm\""),
            std::string::npos);
}

TEST(HTMLWorkbook, FailuresRaiseButSaveAsReturnsMinusOne) {
  TempDir dir;
  TXLSWorkbook wb;
  wb.GetWorksheets()->Add();
  const std::string missing = (dir / "no" / "such" / "page.htm").string();
  EXPECT_THROW(wb.SaveAsHTML(missing), EFileError);
  EXPECT_THROW(wb.GetWorksheets()->Get(1)->SaveAsHTML(missing), EFileError);
  EXPECT_EQ(wb.SaveAs(missing, 3), -1);
  EXPECT_EQ(wb.SaveAs("", 3), -1);
  EXPECT_EQ(wb.CurrentFormat(), 2);
  // A file where the folder should go.
  wb.GetWorksheets()->Add();
  std::ofstream(dir / "book.files") << "x";
  EXPECT_EQ(wb.SaveAs((dir / "book.htm").string(), 3), -1);
  try {
    wb.SaveAsHTML((dir / "book.htm").string());
    ADD_FAILURE() << "no exception";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.Path(), (dir / "book.files").string());
  }
}

TEST(HTMLWorkbook, FailedSavesLeaveTheEarlierPagesAsTheyWere) {
  TempDir dir;
  TXLSWorkbook wb;
  for (int i = 0; i < 3; ++i) wb.GetWorksheets()->Add()->Range("A1")->SetValue(TVariant("first"));
  const std::string target = (dir / "book.htm").string();
  ASSERT_EQ(wb.SaveAs(target, 3), 1);
  std::ofstream(dir / "book.files" / "notes.txt") << "mine";  // not a page of ours: it stays
  fs::permissions(dir / "book.htm", fs::perms::owner_read | fs::perms::owner_write);
  const auto snapshot = [&] {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
      files.emplace_back(fs::relative(e.path(), dir.path()).string(),
                         e.is_regular_file() ? ReadFile(e.path()) : std::string("<dir>"));
    std::sort(files.begin(), files.end());
    return files;
  };
  const auto before = snapshot();
  for (int i = 1; i <= 3; ++i) wb.GetWorksheets()->Get(i)->Range("A1")->SetValue(TVariant("second"));
  // The 1st to 5th file of a save (tab strip, three sheets, main page) fail as on a full disk.
  for (int failing = 1; failing <= 5; ++failing) {
    FailNthTemporaryWriteForTesting(failing);
    EXPECT_EQ(wb.SaveAs(target, 3), -1) << failing;
    EXPECT_EQ(snapshot(), before) << failing;
  }
  // A one-sheet page too.
  FailNthTemporaryWriteForTesting(1);
  EXPECT_THROW(wb.GetWorksheets()->Get(1)->SaveAsHTML(target), EFileError);
  EXPECT_EQ(snapshot(), before);
  FailNthTemporaryWriteForTesting(0);

  // Leftovers of a killed save (a process that is gone) are cleaned by the next save.
  std::ofstream(target + ".~tlx999999999-0.tmp") << "torn";
  fs::create_directory((dir / "book.files").string() + ".~tlx999999999-1.tmp");
  ASSERT_EQ(wb.SaveAs(target, 3), 1);
  EXPECT_NE(ReadFile(dir / "book.files" / "Sheet003.htm").find(">second</td>"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "book.files" / "notes.txt"), "mine");
  EXPECT_EQ(fs::status(dir / "book.htm").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  std::size_t entries = 0;
  for (const auto& e : fs::directory_iterator(dir.path())) entries += e.path().filename().string() != "x" ? 1 : 0;
  EXPECT_EQ(entries, 2u);  // book.htm and book.files
}

}  // namespace
}  // namespace tablirex
