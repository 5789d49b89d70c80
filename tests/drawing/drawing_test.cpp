// The drawing layer: image checks, the digest that keys the image store,
// comments through the structural operations, the records of both file forms
// and what a save warns about. DrawingSamples.Write writes the files that
// test_drawing_libreoffice.py reads with independent readers (with
// TABLIREX_DRAWING_SAMPLES set).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "../workbook/stream_reader.h"
#include "drawing/drawing_model.h"
#include "drawing/image_info.h"
#include "drawing/md5.h"
#include "sample_images.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"

namespace tablirex {
namespace {

using testing::Find;
using testing::MakeBmp;
using testing::MakeJpeg;
using testing::MakePng;
using testing::Record;
using testing::TBytes;

std::vector<Record> SheetRecords(TXLSWorkbook& wb, std::int32_t format, std::size_t sheet = 0) {
  std::vector<Record> all = testing::SaveRecords(wb, format), out;
  std::size_t bofs = 0;
  for (Record& r : all) {
    if (r.type == RecNo(Rec::BOF)) ++bofs;
    if (bofs == sheet + 2) out.push_back(std::move(r));
  }
  return out;
}

std::string Hex(const TDigest& d) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (const std::uint8_t b : d) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

TEST(Drawing, Md5KeysMatchThePublishedVectors) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},  // the length spills into a second block
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"}};
  for (const auto& [text, want] : cases)
    EXPECT_EQ(Hex(Md5(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())), want) << text.size();
}

TEST(Drawing, ImageHeadersAreCheckedAndRead) {
  TBytes png = MakePng(100, 50, 192), jpeg = MakeJpeg(32, 16, 300), bmp = MakeBmp(10, 6);
  TBytes cutPng(png.begin(), png.end() - 12);  // IEND lost
  TBytes emptyPng = MakePng(0, 5);
  TBytes longChunk = png;
  longChunk[33 + 3 + 21] = 0xFF;  // the pHYs chunk's length points past the file
  TBytes noEnd(jpeg.begin(), jpeg.end() - 2);
  TBytes noFrame = jpeg;
  noFrame[2 + 18 + 69 + 1] = 0xC4;  // the frame header becomes a table
  TBytes bmp32 = bmp;
  bmp32[28] = 32;
  struct Case {
    const char* name;
    const TBytes& file;
    const char* fault;  // "" when accepted
    TXLSImageFormat format;
    std::uint32_t width, height;
    double dpi;
  } cases[] = {
      {"png", png, "", TXLSImageFormat::Png, 100, 50, 192},
      {"jpeg", jpeg, "", TXLSImageFormat::Jpeg, 32, 16, 300},
      {"bitmap", bmp, "", TXLSImageFormat::Bitmap, 10, 6, 96},
      {"png cut short", cutPng, "the PNG file is cut short", {}, 0, 0, 0},
      {"png without pixels", emptyPng, "the image has no pixels", {}, 0, 0, 0},
      {"png chunk past the end", longChunk, "the PNG file is cut short", {}, 0, 0, 0},
      {"jpeg without end", noEnd, "the JPEG file is cut short", {}, 0, 0, 0},
      {"jpeg without frame", noFrame, "the JPEG file has no frame header before its image data", {}, 0, 0, 0},
      {"32-bit bitmap", bmp32, "not a readable 24-bit uncompressed bitmap with all its pixels", {}, 0, 0, 0},
      {"text", TBytes{'G', 'I', 'F', '8', '9', 'a'}, "not a PNG, JPEG or bitmap file", {}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    TXLSImageInfo info;
    const std::string fault = ProbeImage(c.file.data(), c.file.size(), info);
    EXPECT_EQ(fault, c.fault) << c.name;
    if (!fault.empty()) continue;
    EXPECT_EQ(info.format, c.format) << c.name;
    EXPECT_EQ(info.width, c.width) << c.name;
    EXPECT_EQ(info.height, c.height) << c.name;
    EXPECT_NEAR(info.dpiX, c.dpi, 0.01) << c.name;
  }
}

TEST(Drawing, PicturesAreSizedOrRefused) {
  const TBytes png = MakePng(100, 50, 192), jpeg = MakeJpeg(32, 16, 72), bmp = MakeBmp(64, 17);
  struct Case {
    const char* name;
    const TBytes& file;
    const char* cell;
    double scale;
    std::int32_t want;
    std::uint32_t width, height;
  } cases[] = {
      {"png at 192 dpi is half its pixels", png, "B2", 1.0, 1, 50, 25},
      {"jpeg at 72 dpi grows", jpeg, "A1", 1.0, 1, 43, 21},
      {"bitmap scaled", bmp, "C3", 2.0, 1, 128, 34},
      {"scaled to nothing", png, "B2", 0.001, -1, 0, 0},
      {"past the last row", png, "A65536", 1.0, -1, 0, 0},
      {"past the last column", bmp, "IV1", 2.0, -1, 0, 0},
      {"not a cell", png, "B2:C3", 1.0, -1, 0, 0},
  };
  for (const Case& c : cases) {
    TXLSWorkbook wb;
    IXLSWorksheet* s = wb.GetWorksheets()->Add();
    EXPECT_EQ(s->InsertPicture(c.file, c.cell, 0, 0, c.scale, c.scale), c.want) << c.name;
    EXPECT_EQ(wb.GetLastError().empty(), c.want == 1) << c.name << ": " << wb.GetLastError();
    ASSERT_EQ(s->GetPictureCount(), c.want == 1 ? 1 : 0) << c.name;
    if (c.want != 1) continue;
    const TXLSSheetPicture& p = s->DrawingIfAny()->Pictures()[0];
    EXPECT_EQ(std::make_pair(p.width, p.height), std::make_pair(c.width, c.height)) << c.name;
  }
}

// Comments at B2, B5 and D3, then one operation; where the comments are after it.
TEST(Drawing, CommentsMoveWithTheirCells) {
  using TPlaces = std::set<std::pair<std::uint32_t, std::uint32_t>>;
  struct Case {
    const char* name;
    void (*op)(IXLSWorksheet&);
    TPlaces want;  // zero-based (row, column)
  } cases[] = {
      {"insert a row above", [](IXLSWorksheet& s) { s.Range("1:1")->Insert(xlShiftDown); }, {{2, 1}, {5, 1}, {3, 3}}},
      {"insert cells in B", [](IXLSWorksheet& s) { s.Range("B3")->Insert(xlShiftDown); }, {{1, 1}, {5, 1}, {2, 3}}},
      {"delete row 2", [](IXLSWorksheet& s) { s.Range("2:2")->Delete(xlShiftUp); }, {{3, 1}, {1, 3}}},
      {"delete column A", [](IXLSWorksheet& s) { s.Range("A:A")->Delete(xlShiftToLeft); },
       {{1, 0}, {4, 0}, {2, 2}}},
      {"copy B2:B5 to F1", [](IXLSWorksheet& s) { s.Range("B2:B5")->Copy(s.Range("F1:F4").get()); },
       {{1, 1}, {4, 1}, {2, 3}, {0, 5}, {3, 5}}},
      {"copy values only", [](IXLSWorksheet& s) { s.Range("B2")->Copy(s.Range("F1").get(), xlPasteValues); },
       {{1, 1}, {4, 1}, {2, 3}}},
      {"move D3 to A1, repeated", [](IXLSWorksheet& s) { s.Range("D3")->Move(s.Range("A1:A2").get()); },
       {{1, 1}, {4, 1}, {0, 0}, {1, 0}}},
      {"clear B1:B4", [](IXLSWorksheet& s) { s.Range("B1:B4")->Clear(); }, {{4, 1}, {2, 3}}},
      {"clear contents keeps them", [](IXLSWorksheet& s) { s.Range("B1:B4")->ClearContents(); },
       {{1, 1}, {4, 1}, {2, 3}}},
      {"clear comments", [](IXLSWorksheet& s) { s.Range("A1:C9")->ClearComments(); }, {{2, 3}}},
  };
  for (const Case& c : cases) {
    TXLSWorkbook wb;
    IXLSWorksheet& s = *wb.GetWorksheets()->Add();
    s.Range("B2")->SetValue(TVariant(1.0));
    for (const char* cell : {"B2", "B5", "D3"}) ASSERT_EQ(s.Range(cell)->AddComment(cell), 1);
    c.op(s);
    TPlaces got;
    for (const auto& [key, comment] : s.Drawing().Comments())
      got.emplace(TXLSSheetDrawing::RowOf(key), TXLSSheetDrawing::ColOf(key));
    EXPECT_EQ(got, c.want) << c.name;
  }
  TXLSWorkbook wb;
  IXLSWorksheet& s = *wb.GetWorksheets()->Add();
  ASSERT_EQ(s.Range("B1048576")->AddComment("last row"), 1);
  EXPECT_FALSE(s.Range("1:1")->Insert(xlShiftDown).AsBoolean());  // it would leave the sheet
  EXPECT_EQ(s.Range("B1048576")->GetComment(), "last row");
  EXPECT_EQ(s.Range("A1:B2")->AddComment("x"), -1);
  EXPECT_NE(wb.GetLastError().find("one cell"), std::string::npos);
}

std::vector<std::string> NamesBetween(const std::vector<Record>& rs, Rec from, Rec to) {
  return testing::Names(rs, Find(rs, from) + 1, Find(rs, to));
}

TEST(Drawing, RecordsOfBothForms) {
  TXLSWorkbook wb;
  wb.SetCommentAuthor("Ann");
  IXLSWorksheet& s = *wb.GetWorksheets()->Add();
  s.Range("A1:B1")->SetValue(TVariant(1.0));
  s.Range("A1:B1")->AutoFilter();
  ASSERT_EQ(s.InsertPicture(MakePng(8, 8), "D2"), 1);
  ASSERT_EQ(s.InsertPicture(MakePng(8, 8), "D9"), 1);  // the same image
  ASSERT_EQ(s.Range("C3")->AddComment(std::string(5000, 'x')), 1);

  const std::vector<Record> rs8 = SheetRecords(wb, 2);
  EXPECT_EQ(rs8[Find(rs8, Rec::DIMENSIONS) - 1].Name(), "AUTOFILTERINFO");
  EXPECT_EQ(rs8[Find(rs8, Rec::AUTOFILTERINFO)].Word(0), 2);
  const std::vector<std::string> drawing8 = {
      "MSODRAWING", "OBJ", "MSODRAWING", "OBJ",                                      // two pictures
      "MSODRAWING", "OBJ", "MSODRAWING", "OBJ",                                      // two drop-downs
      "MSODRAWING", "OBJ", "MSODRAWING", "TXO", "CONTINUE", "CONTINUE", "NOTE"};     // the comment
  EXPECT_EQ(NamesBetween(rs8, Rec::NUMBER, Rec::BOTTOMMARGIN).size(), drawing8.size() + 1);
  EXPECT_EQ(testing::Names(rs8, Find(rs8, Rec::MSODRAWING), Find(rs8, Rec::BOTTOMMARGIN)), drawing8);
  const Record& txo = rs8[Find(rs8, Rec::TXO)];
  EXPECT_EQ(txo.Word(10), 5000);
  EXPECT_EQ(rs8[Find(rs8, Rec::TXO) + 1].body.size(), 5001u);  // option byte, compressed text
  const Record& note = rs8[Find(rs8, Rec::NOTE)];
  EXPECT_EQ(note.Word(6), 5);  // the fifth object of the sheet
  EXPECT_EQ(std::string(note.body.begin() + 11, note.body.begin() + 14), "Ann");

  const std::vector<Record> all8 = testing::SaveRecords(wb, 2);
  // In the globals, before the sheets' BOUNDSHEET records.
  ASSERT_NE(Find(all8, Rec::MSODRAWINGGROUP), SIZE_MAX);
  EXPECT_LT(Find(all8, Rec::MSODRAWINGGROUP), Find(all8, Rec::BOUNDSHEET));
  const Record& name = all8[Find(all8, Rec::NAME)];
  EXPECT_EQ(name.Word(0), 0x0021);  // hidden built-in
  EXPECT_EQ(name.body[15], 0x0D);   // _FilterDatabase
  EXPECT_EQ(name.Word(19), 0);      // rows 1 to 1: the header alone, no cells below
  EXPECT_EQ(name.Word(21), 0);

  wb.ClearLastError();
  const std::vector<Record> rs5 = SheetRecords(wb, 1);
  EXPECT_EQ(NamesBetween(rs5, Rec::NUMBER, Rec::BOTTOMMARGIN),
            (std::vector<std::string>{"NUMBER", "NOTE", "NOTE", "NOTE"}));
  const std::size_t n5 = Find(rs5, Rec::NOTE);
  EXPECT_EQ((std::vector<std::uint16_t>{rs5[n5].Word(0), rs5[n5].Word(4), rs5[n5 + 1].Word(0), rs5[n5 + 2].Word(4)}),
            (std::vector<std::uint16_t>{2, 5000, 0xFFFF, 5000 - 2 * 2048}));
  const std::vector<std::string> warnings = wb.GetWarnings();
  ASSERT_EQ(warnings.size(), 4u);  // two pictures, the drop-downs, the author
  EXPECT_NE(warnings[0].find("PNG picture left out"), std::string::npos);
  EXPECT_EQ(wb.SaveAs((std::filesystem::temp_directory_path() / "tablirex_strict5.xls").string(), 1, true), -1);
  EXPECT_NE(wb.GetLastError().find("strict save"), std::string::npos);
}

TEST(Drawing, LongCommentsAreCutWithAWarning) {
  TXLSWorkbook wb;
  IXLSWorksheet& s = *wb.GetWorksheets()->Add();
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "\xC3\xA9";  // é: the wide form
  text += std::string(20000, 'x');
  ASSERT_EQ(s.Range("A1")->AddComment(text), 1);
  const std::vector<Record> rs = SheetRecords(wb, 2);
  const std::size_t txo = Find(rs, Rec::TXO);
  EXPECT_EQ(rs[txo].Word(10), 32767);
  std::size_t chars = 0;
  for (std::size_t i = txo + 1; rs[i].type == RecNo(Rec::CONTINUE) && rs[i].body.size() != 16; ++i) {
    EXPECT_LE(rs[i].body.size(), 8224u);
    chars += rs[i].body[0] ? (rs[i].body.size() - 1) / 2 : rs[i].body.size() - 1;
  }
  EXPECT_EQ(chars, 32767u);
  ASSERT_EQ(wb.GetWarnings().size(), 1u);
  EXPECT_NE(wb.GetWarnings()[0].find("A1: comment of 40000 characters cut to 32767"), std::string::npos);
}

// Comments, pictures on several sheets, an autofilter, and all three on one
// sheet, in both forms, plus the HTML pages of the last.
TEST(DrawingSamples, Write) {
  const char* dir = std::getenv("TABLIREX_DRAWING_SAMPLES");
  if (!dir) GTEST_SKIP() << "TABLIREX_DRAWING_SAMPLES not set";
  const auto path = [&](const std::string& name) { return (std::filesystem::path(dir) / name).string(); };
  const TBytes png = MakePng(120, 60), jpeg = MakeJpeg(64, 32, 96), bmp = MakeBmp(30, 20);
  for (const auto& [name, bytes] : {std::pair{"red.png", png}, std::pair{"grey.jpg", jpeg}, std::pair{"blue.bmp", bmp}}) {
    std::ofstream out(path(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  for (const auto& [suffix, format] : {std::pair{"8", 2}, std::pair{"5", 1}}) {
    {  // comments: 1500 of them, so that one sheet's shape ids need two clusters
      TXLSWorkbook wb;
      wb.SetCommentAuthor("Ann Author");
      IXLSWorksheet& s = *wb.GetWorksheets()->Add();
      s.SetWorkSheetName("Notes");
      s.Range("A1")->SetValue(TVariant("commented"));
      ASSERT_EQ(s.Range("A1")->AddComment("first line\nsecond line"), 1);
      ASSERT_EQ(s.Range("C2")->AddComment("shown", true), 1);
      for (int i = 0; i < 1500; ++i)
        ASSERT_EQ(s.Range("E" + std::to_string(i + 1))->AddComment("note " + std::to_string(i)), 1);
      EXPECT_EQ(wb.SaveAs(path(std::string("comments") + suffix + ".xls"), format), 1);
    }
    {  // pictures on several sheets; the PNG twice
      TXLSWorkbook wb;
      IXLSWorksheet& a = *wb.GetWorksheets()->Add();
      IXLSWorksheet& b = *wb.GetWorksheets()->Add();
      a.Range("A1")->SetValue(TVariant(1.0));
      ASSERT_EQ(a.InsertPicture(path("red.png"), "B2"), 1);
      ASSERT_EQ(a.InsertBitmap(10, 0, path("blue.bmp")), 1);
      ASSERT_EQ(b.InsertPicture(path("grey.jpg"), "C3", 5, 5), 1);
      ASSERT_EQ(b.InsertPicture(png, "F10", 0, 0, 0.5, 0.5), 1);
      ASSERT_EQ(b.InsertPicture(MakePng(300, 100, 0, 90), "H20"), 1);  // continues the drawing group
      EXPECT_EQ(wb.SaveAs(path(std::string("pictures") + suffix + ".xls"), format), 1);
    }
    {  // an autofilter over a header and its records
      TXLSWorkbook wb;
      IXLSWorksheet& s = *wb.GetWorksheets()->Add();
      s.SetWorkSheetName("List");
      s.Range("B2:D2")->SetValue(TVariant("head"));
      s.Range("B3:D9")->SetValue(TVariant(2.0));
      s.Range("B2:D2")->AutoFilter();
      EXPECT_EQ(wb.SaveAs(path(std::string("filter") + suffix + ".xls"), format), 1);
    }
    {  // all three on one sheet, beside a second sheet with a picture
      TXLSWorkbook wb;
      wb.SetCommentAuthor("Bo");
      IXLSWorksheet& s = *wb.GetWorksheets()->Add();
      s.SetWorkSheetName("All");
      IXLSWorksheet& t = *wb.GetWorksheets()->Add();
      s.Range("A1:C1")->SetValue(TVariant("col"));
      s.Range("A2:C5")->SetValue(TVariant(3.0));
      s.Range("A1:C1")->AutoFilter();
      ASSERT_EQ(s.Range("B3")->AddComment("a < b & \"c\""), 1);
      ASSERT_EQ(s.InsertPicture(path("red.png"), "E2"), 1);
      ASSERT_EQ(t.InsertBitmap(0, 0, path("blue.bmp")), 1);
      EXPECT_EQ(wb.SaveAs(path(std::string("all") + suffix + ".xls"), format), 1);
      if (format == 2) {
        EXPECT_EQ(wb.SaveAs(path("all.htm"), 3), 1);
      }
    }
  }
}

}  // namespace
}  // namespace tablirex
