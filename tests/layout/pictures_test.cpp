// Pictures: bitmap checks, anchors, the OBJ and IMDATA records and where a saved
// sheet puts them. PictureSamples.Write also writes files for
// test_pictures_interop.py (with TABLIREX_PICTURE_SAMPLES set).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../workbook/stream_reader.h"
#include "biff/record_sink.h"
#include "layout/pictures.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"

namespace tablirex {
namespace {

using testing::Find;
using testing::Record;

void PutWord(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutLong(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  PutWord(b, at, static_cast<std::uint16_t>(v));
  PutWord(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// A bottom-up 24-bit bitmap file whose pixel bytes count up from 0.
std::vector<std::uint8_t> MakeBitmap(std::uint32_t width, std::uint32_t height) {
  const std::uint32_t stride = (width * 3 + 3) & ~3u;
  const std::uint32_t size = 54 + stride * height;
  std::vector<std::uint8_t> b(size);
  b[0] = 'B';
  b[1] = 'M';
  PutLong(b, 2, size);
  PutLong(b, 10, 54);  // pixel data offset
  PutLong(b, 14, 40);  // information header size
  PutLong(b, 18, width);
  PutLong(b, 22, height);
  PutWord(b, 26, 1);
  PutWord(b, 28, 24);
  for (std::uint32_t i = 54; i < size; ++i) b[i] = static_cast<std::uint8_t>(i - 54);
  return b;
}

std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("tablirex_pic_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                     "_" + name);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

// The eight anchor words of an OBJ record (header included in bytes).
std::vector<std::uint16_t> Anchor(const std::vector<std::uint8_t>& obj) {
  std::vector<std::uint16_t> out;
  for (std::size_t at = 4 + 10; at < 4 + 26; at += 2)
    out.push_back(static_cast<std::uint16_t>(obj.at(at) | (obj.at(at + 1) << 8)));
  return out;
}

TEST(Pictures, Anchors) {
  struct Case {
    const char* name;
    std::uint32_t row, col, x, y;
    std::uint32_t width, height;
    std::vector<std::uint16_t> want;  // left col, offset, top row, offset, right…, bottom…
  };
  const Case cases[] = {
      {"one cell exactly", 0, 0, 0, 0, 64, 17, {0, 0, 0, 0, 0, 1008, 0, 241}},
      {"across cells with offsets", 2, 1, 10, 5, 100, 40, {1, 160, 2, 75, 2, 720, 4, 151}},
      {"offsets as big as the cell are 0", 0, 0, 64, 17, 64, 17, {0, 0, 0, 0, 0, 1008, 0, 241}},
      {"one pixel", 7, 3, 63, 16, 1, 1, {3, 1008, 7, 241, 3, 1008, 7, 241}},
      {"ends on the next cell's first pixel", 0, 0, 0, 0, 65, 18, {0, 0, 0, 0, 1, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    TRecordCollector sink;
    EXPECT_EQ(PositionImage(sink, c.col, c.row, c.x, c.y, c.width, c.height), 1) << c.name;
    ASSERT_EQ(sink.records.size(), 1u) << c.name;
    EXPECT_EQ(Anchor(sink.records[0]), c.want) << c.name;
  }
}

TEST(Pictures, ScaleChangesTheAnchorNotTheImage) {
  const auto bmp = MakeBitmap(100, 20);
  const std::string path = WriteFile("scale.bmp", bmp);
  struct Case {
    float sx, sy;
    std::uint32_t width, height;
  };
  for (const Case& c : {Case{0.5f, 0.5f, 50, 10}, Case{1.0f, 1.0f, 100, 20}, Case{0.125f, 2.0f, 12, 40},
                        Case{0.375f, 1.0f, 38, 20} /* halves to even */}) {
    TXLSPicture p;
    ASSERT_EQ(MakePicture(path, 0, 0, 0, 0, c.sx, c.sy, p), 1);
    EXPECT_EQ(p.Width, c.width) << c.sx;
    EXPECT_EQ(p.Height, c.height) << c.sy;
    EXPECT_EQ(p.Image.size(), 12u + bmp.size() - 54);
  }
  TXLSPicture p;
  for (const auto& [sx, sy] : {std::pair{0.0f, 1.0f}, std::pair{1.0f, 0.02f}, std::pair{-1.0f, 1.0f},
                               std::pair{1000.0f, 1.0f}})
    EXPECT_EQ(MakePicture(path, 0, 0, 0, 0, sx, sy, p), -1) << sx << " " << sy;
  std::filesystem::remove(path);
}

TEST(Pictures, RejectsFilesThatAreNotPlainBitmaps) {
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> spoil;
    std::int32_t want;
  };
  const Case cases[] = {
      {"plain 24-bit", [](auto&) {}, 1},
      {"32 bits per pixel", [](auto& b) { PutWord(b, 28, 32); }, -1},
      {"compressed", [](auto& b) { PutLong(b, 30, 1); }, -1},
      {"not BM", [](auto& b) { b[1] = 'A'; }, -1},
      {"two planes", [](auto& b) { PutWord(b, 26, 2); }, -1},
      {"negative height", [](auto& b) { PutLong(b, 22, static_cast<std::uint32_t>(-4)); }, -1},
      {"too wide", [](auto& b) { PutLong(b, 18, 65536); }, -1},
      {"headers only", [](auto& b) { b.resize(54); }, -1},
      {"truncated pixels", [](auto& b) { b.resize(b.size() - 1); }, -1},
      {"size field beyond the file", [](auto& b) { PutLong(b, 2, 0xFFFFFFF0u); }, -1},
      {"size field inside the headers", [](auto& b) { PutLong(b, 2, 20); }, -1},
      {"bytes past the size field", [](auto& b) { b.resize(b.size() + 8); }, 1},
      // The header claims more pixels than there are.
      {"size field short of the pixels", [](auto& b) { PutLong(b, 2, 60); }, -1},
      {"65535 x 65535 with 3 bytes", [](auto& b) {
         PutLong(b, 18, 65535);
         PutLong(b, 22, 65535);
         b.resize(57);
         PutLong(b, 2, 57);
       }, -1},
  };
  for (const Case& c : cases) {
    auto bmp = MakeBitmap(4, 4);
    c.spoil(bmp);
    const std::string path = WriteFile("reject.bmp", bmp);
    std::uint32_t w = 0, h = 0, size = 0;
    std::vector<std::uint8_t> image;
    EXPECT_EQ(ProcessBitmap(path, w, h, size, image), c.want) << c.name;
    if (c.want == 1) {
      EXPECT_EQ(size, image.size()) << c.name;
    } else {
      EXPECT_TRUE(image.empty()) << c.name;
    }
    std::filesystem::remove(path);
  }
  std::uint32_t w = 0, h = 0, size = 0;
  std::vector<std::uint8_t> image;
  EXPECT_EQ(ProcessBitmap("/nonexistent/dir/x.bmp", w, h, size, image), -1);
}

TEST(Pictures, ObjRecordBytes) {
  TRecordCollector sink;
  ASSERT_EQ(StoreObjPicture(sink, 1, 160, 2, 75, 2, 720, 4, 151), 1);
  const std::vector<std::uint8_t> want = {
      0x5D, 0x00, 0x3C, 0x00,                          // OBJ, 60 bytes
      0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x01, 0x00,  // count, picture, id
      0x14, 0x06,                                      // flags
      0x01, 0x00, 0xA0, 0x00, 0x02, 0x00, 0x4B, 0x00,  // left, top
      0x02, 0x00, 0xD0, 0x02, 0x04, 0x00, 0x97, 0x00,  // right, bottom
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // macro, reserved
      0x09, 0x09, 0x00, 0x00, 0x08, 0xFF, 0x01, 0x00,  // colours, fill, line
      0x00, 0x00, 0x09, 0x00, 0x00, 0x00,              // frame, bitmap
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00,  // reserved, formula, flags
      0x00, 0x00, 0x00, 0x00,
  };
  ASSERT_EQ(sink.records.size(), 1u);
  EXPECT_EQ(sink.records[0], want);
}

TEST(Pictures, ImDataCarriesTheCoreHeaderAndPixels) {
  const auto bmp = MakeBitmap(3, 2);  // rows of 9 bytes padded to 12
  std::uint32_t w = 0, h = 0, size = 0;
  std::vector<std::uint8_t> image;
  ASSERT_EQ(ParseBitmap(bmp.data(), bmp.size(), w, h, size, image), 1);
  EXPECT_EQ(w, 3u);
  EXPECT_EQ(h, 2u);
  EXPECT_EQ(size, 12u + 24u);
  TRecordCollector sink;
  ASSERT_EQ(StoreImData(sink, image), 1);
  ASSERT_EQ(sink.records.size(), 1u);
  const auto& r = sink.records[0];
  const std::vector<std::uint8_t> head = {
      0x7F, 0x00, 0x2C, 0x00,  // IMDATA, 8 + 36 bytes
      0x09, 0x00, 0x01, 0x00,  // bitmap, Windows
      0x24, 0x00, 0x00, 0x00,  // 36 bytes of image data
      0x0C, 0x00, 0x00, 0x00, 0x03, 0x00, 0x02, 0x00, 0x01, 0x00, 0x18, 0x00,
  };
  ASSERT_EQ(r.size(), 4u + 8u + 36u);
  EXPECT_EQ(std::vector<std::uint8_t>(r.begin(), r.begin() + 24), head);
  EXPECT_TRUE(std::equal(r.begin() + 24, r.end(), bmp.begin() + 54));
}

std::vector<Record> SheetRecords(TXLSWorkbook& wb, std::int32_t format) {
  const auto all = testing::SaveRecords(wb, format);
  const std::size_t from = Find(all, Rec::BOF, 1);
  std::size_t to = from;
  while (to < all.size() && all[to].type != RecNo(Rec::EOF_)) ++to;
  if (from >= all.size()) return {};
  return std::vector<Record>(all.begin() + static_cast<std::ptrdiff_t>(from),
                             all.begin() + static_cast<std::ptrdiff_t>(to));
}

TEST(Pictures, SavedAfterTheCellsAndBeforeTheMargins) {
  const std::string path = WriteFile("small.bmp", MakeBitmap(64, 17));
  TXLSWorkbook wb;
  IXLSWorksheet* sheet = wb.GetWorksheets()->Add();
  sheet->WriteNumber(0, 0, 1.0);
  ASSERT_EQ(sheet->InsertBitmap(2, 1, path, 10, 5), 1);
  EXPECT_EQ(sheet->InsertBitmap(0, 0, path + ".missing"), -1);
  {  // Pictures that would leave the sheet are refused, with a reason.
    const std::string tall = WriteFile("tall.bmp", MakeBitmap(4, 3000));
    const std::string wide = WriteFile("wide.bmp", MakeBitmap(200, 4));
    struct Place {
      std::uint32_t row, col;
      const std::string& file;
      std::int32_t want;
    } places[] = {{65535, 0, tall, -1}, {65535, 0, wide, 1}, {0, 255, wide, -1},
                  {0, 255, tall, 1},    {0, 300, tall, -1},  {65000, 252, wide, 1}};
    TXLSWorkbook other;
    IXLSWorksheet* s = other.GetWorksheets()->Add();
    for (const Place& p : places) {
      other.ClearLastError();
      EXPECT_EQ(s->InsertBitmap(p.row, p.col, p.file), p.want) << p.row << "," << p.col << " " << p.file;
      EXPECT_EQ(other.GetLastError().empty(), p.want == 1) << other.GetLastError();
    }
    EXPECT_FALSE(SheetRecords(other, 2).empty());
    std::filesystem::remove(tall);
    std::filesystem::remove(wide);
  }
  sheet->WriteNumber(5, 5, 2.0);  // written after the picture, saved before it
  for (const std::int32_t format : {2, 1, 2}) {
    const auto rs = SheetRecords(wb, format);
    const std::size_t obj = Find(rs, Rec::OBJ);
    ASSERT_LT(obj + 1, rs.size()) << format;
    EXPECT_EQ(Find(rs, Rec::OBJ, 1), SIZE_MAX) << format;
    if (format == 2) {  // the drawing layer: the shape, then its object
      EXPECT_EQ(rs[obj - 1].Name(), "MSODRAWING");
      EXPECT_EQ(rs[obj - 2].Name(), "NUMBER");
      EXPECT_EQ(rs[obj + 1].Name(), "BOTTOMMARGIN");
      continue;
    }
    EXPECT_EQ(rs[obj - 1].Name(), "NUMBER") << format;
    EXPECT_EQ(rs[obj - 2].Name(), "NUMBER") << format;
    EXPECT_EQ(rs[obj + 1].Name(), "IMDATA") << format;
    std::size_t next = obj + 2;  // the older form's limit splits the image
    while (next < rs.size() && rs[next].type == RecNo(Rec::CONTINUE)) ++next;
    ASSERT_LT(next, rs.size());
    EXPECT_EQ(rs[next].Name(), "BOTTOMMARGIN") << format;
    EXPECT_EQ(rs[obj].Word(10), 1) << format;
    EXPECT_EQ(rs[obj].Word(14), 2) << format;
    EXPECT_EQ(rs[obj + 1].Long(4), 12u + 64u * 3u * 17u) << format;
  }
  std::filesystem::remove(path);
}

TEST(Pictures, LargeImageContinues) {
  const auto bmp = MakeBitmap(200, 60);  // 36000 bytes of pixels
  const std::string path = WriteFile("large.bmp", bmp);
  TXLSWorkbook wb;
  IXLSWorksheet* sheet = wb.GetWorksheets()->Add();
  ASSERT_EQ(sheet->InsertBitmap(0, 0, path, 0, 0, 0.5f, 0.5f), 1);
  // The Excel 5 form; Excel 97 keeps images in the workbook's drawing group.
  for (const auto& [format, limit] : {std::pair{1, 2080u}}) {
    const auto rs = SheetRecords(wb, format);
    const std::size_t im = Find(rs, Rec::IMDATA);
    ASSERT_NE(im, SIZE_MAX) << format;
    std::vector<std::uint8_t> body = rs[im].body;
    EXPECT_EQ(body.size(), limit) << format;
    std::size_t next = im + 1;
    for (; next < rs.size() && rs[next].type == RecNo(Rec::CONTINUE); ++next) {
      EXPECT_LE(rs[next].body.size(), limit) << format;
      body.insert(body.end(), rs[next].body.begin(), rs[next].body.end());
    }
    ASSERT_LT(next, rs.size());
    EXPECT_EQ(rs[next].Name(), "BOTTOMMARGIN") << format;
    const std::uint32_t size = 12 + 36000;
    ASSERT_EQ(body.size(), 8u + size) << format;
    EXPECT_EQ(rs[im].Long(4), size) << format;
    EXPECT_TRUE(std::equal(body.begin() + 20, body.end(), bmp.begin() + 54)) << format;
    // The anchor uses the scaled size: 100 × 30 pixels.
    const Record& obj = rs[im - 1];
    EXPECT_EQ(obj.Word(18), 1) << format;  // right column
    EXPECT_EQ(obj.Word(20), 560) << format;  // 35 of 64 pixels
    EXPECT_EQ(obj.Word(22), 1) << format;  // bottom row
    EXPECT_EQ(obj.Word(24), 181) << format;  // 12 of 17 pixels
  }
  std::filesystem::remove(path);
}

// Two sheets: a picture with cells around it on the first, two pictures and no
// cells on the second.
TEST(PictureSamples, Write) {
  const char* dir = std::getenv("TABLIREX_PICTURE_SAMPLES");
  if (!dir) GTEST_SKIP() << "TABLIREX_PICTURE_SAMPLES not set";
  const std::string small = (std::filesystem::path(dir) / "small.bmp").string();
  const std::string large = (std::filesystem::path(dir) / "large.bmp").string();
  for (const auto& [path, bmp] : {std::pair{small, MakeBitmap(100, 40)}, std::pair{large, MakeBitmap(300, 80)}}) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
  }
  for (const auto& [name, format] : {std::pair{"pictures8.xls", 2}, std::pair{"pictures5.xls", 1}}) {
    TXLSWorkbook wb;
    IXLSWorksheet* s1 = wb.GetWorksheets()->Add();
    IXLSWorksheet* s2 = wb.GetWorksheets()->Add();
    s1->WriteNumber(0, 0, 1.5);
    s1->WriteNumber(9, 3, 2.5);
    ASSERT_EQ(s1->InsertBitmap(2, 1, small, 10, 5), 1);
    ASSERT_EQ(s2->InsertBitmap(0, 0, large), 1);
    ASSERT_EQ(s2->InsertBitmap(20, 2, small, 0, 0, 2.0f, 0.5f), 1);
    const std::string path = (std::filesystem::path(dir) / name).string();
    EXPECT_EQ(wb.SaveAs(path, format), 1);
  }
}

}  // namespace
}  // namespace tablirex
