#include "drawing/drawing_records.h"

#include <algorithm>
#include <string>
#include <vector>

#include "biff/blob.h"
#include "biff/records.h"
#include "cells/cell_store.h"
#include "drawing/drawing_group.h"
#include "drawing/drawing_model.h"
#include "drawing/escher.h"
#include "names/name_table.h"
#include "range/areas.h"
#include "layout/pictures.h"
#include "tablirex/limits.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"

namespace tablirex {
namespace {

// Object types of the common object data.
constexpr std::uint16_t kObjPicture = 0x08;
constexpr std::uint16_t kObjDropDown = 0x14;
constexpr std::uint16_t kObjNote = 0x19;
// Shape types.
constexpr std::uint16_t kShapePicture = 75;
constexpr std::uint16_t kShapeHostControl = 201;
constexpr std::uint16_t kShapeTextBox = 202;
// Shape flags: it has an anchor and a shape type; the group's: group, patriarch.
constexpr std::uint32_t kShapeFlags = 0x0A00;
constexpr std::uint32_t kPatriarchFlags = 0x0005;
// Anchor flags: move and size with the cells, move only, neither.
constexpr std::uint16_t kMoveAndSize = 0, kMoveOnly = 2, kFixed = 3;
// The most objects a sheet can number.
constexpr std::size_t kMaxObjects = 0xFFFF;
// Excel 5 notes hold this many characters a record.
constexpr std::size_t kNoteChunk = 2048;
// Light yellow (blue, green, red from the high byte down) of a comment box.
constexpr std::uint32_t kCommentFill = 0x00E1FFFF;

TXLSBlob Record(Rec rec, std::uint32_t body) {
  TXLSBlob b(4 + body);
  b.AddWord(RecNo(rec));
  b.AddWord(static_cast<std::uint16_t>(body));
  return b;
}

std::int32_t StoreDrawingBytes(const std::vector<std::uint8_t>& bytes, IRecordSink& sink) {
  TXLSBlob b = Record(Rec::MSODRAWING, static_cast<std::uint32_t>(bytes.size()));
  b.AddBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return sink.AppendRecord(b);
}

// The common object data that opens every OBJ record.
void AddCommonObject(TXLSBlob& b, std::uint16_t type, std::uint16_t id, std::uint16_t flags) {
  b.AddWord(0x0015);  // common object data
  b.AddWord(18);
  b.AddWord(type);
  b.AddWord(id);
  b.AddWord(flags);  // locked, printed and the like
  for (int i = 0; i < 3; ++i) b.AddLong(0);
}

std::int32_t StoreObjPicture8(std::uint16_t id, TXLSImageFormat format, IRecordSink& sink) {
  TXLSBlob b = Record(Rec::OBJ, 38);
  AddCommonObject(b, kObjPicture, id, 0x6011);
  b.AddWord(0x0007);  // clipboard format: a bitmap, or a picture of the drawing's own
  b.AddWord(2);
  b.AddWord(format == TXLSImageFormat::Bitmap ? 0x0009 : 0xFFFF);
  b.AddWord(0x0008);  // picture option flags: keeps its aspect ratio
  b.AddWord(2);
  b.AddWord(0x0001);
  b.AddLong(0);  // end
  return sink.AppendRecord(b);
}

std::int32_t StoreObjNote(std::uint16_t id, std::uint16_t sheet, IRecordSink& sink) {
  TXLSBlob b = Record(Rec::OBJ, 52);
  AddCommonObject(b, kObjNote, id, 0x4011);
  b.AddWord(0x000D);  // note structure: an identifier of the comment, not shared
  b.AddWord(22);
  b.AddWord(id);
  b.AddWord(sheet);
  b.AddLong(0x5854424Cu);
  b.AddLong(0x4E4F5445u);
  b.AddLong(0x43535752u);
  b.AddWord(0);  // not shared
  b.AddLong(0);
  b.AddLong(0);  // end
  return sink.AppendRecord(b);
}

std::int32_t StoreObjDropDown(std::uint16_t id, IRecordSink& sink) {
  TXLSBlob b = Record(Rec::OBJ, 74);
  AddCommonObject(b, kObjDropDown, id, 0x2101);
  b.AddWord(0x000C);  // scroll bar data of the list
  b.AddWord(20);
  b.AddLong(0);
  b.AddWord(0);   // value
  b.AddWord(0);   // minimum
  b.AddWord(0);   // maximum
  b.AddWord(1);   // step
  b.AddWord(10);  // page
  b.AddWord(0);   // vertical
  b.AddWord(16);  // width of the bar
  b.AddWord(1);   // drawn
  b.AddWord(0x0013);  // list data; the length field of a drop-down is a fixed mark
  b.AddWord(0x1FEE);
  b.AddWord(0);       // no formula for the items
  b.AddWord(0);       // items
  b.AddWord(0);       // none selected
  b.AddWord(0x0301);  // list kind: an autofilter's
  b.AddWord(0);       // edit box
  b.AddWord(0);       // drop-down style: combo
  b.AddWord(8);       // lines shown
  b.AddWord(0);       // least width
  b.AddWord(0);       // empty text: length, options, and the byte that pads it
  b.AddByte(0);
  b.AddByte(0);
  b.AddLong(0);  // end
  return sink.AppendRecord(b);
}

// The anchor of a comment box: beside its cell, two columns wide and four rows
// high, moved back inside the sheet near its last row or column.
TXLSAnchor CommentAnchor(std::uint32_t row, std::uint32_t col) {
  TXLSAnchor a;
  std::uint32_t c1 = col + 1, r1 = row > 0 ? row - 1 : 0;
  if (c1 + 2 > XLSMaxCol) c1 = XLSMaxCol - 2;
  if (r1 + 4 > XLSMaxRow) r1 = XLSMaxRow - 4;
  a.col1 = static_cast<std::uint16_t>(c1);
  a.dx1 = 15;
  a.row1 = static_cast<std::uint16_t>(r1);
  a.dy1 = 10;
  a.col2 = static_cast<std::uint16_t>(c1 + 2);
  a.dx2 = 15;
  a.row2 = static_cast<std::uint16_t>(r1 + 4);
  a.dy2 = 4;
  return a;
}

TEscherRecord Shape(std::uint16_t shapeType, std::uint32_t id) {
  TEscherRecord sp = TEscherRecord::Container(TEscherType::SpContainer);
  sp.Add(TEscherRecord::Atom(TEscherType::Sp, 2, shapeType)).Long(id).Long(kShapeFlags);
  return sp;
}

// One shape of the sheet and what its OBJ record needs.
struct TShape {
  TEscherRecord sp = TEscherRecord::Container(TEscherType::SpContainer);
  std::uint16_t objType = 0;
  TXLSImageFormat format = TXLSImageFormat::Png;
  const TXLSComment* comment = nullptr;
  std::uint32_t row = 0, col = 0;
};

// TXO, then the text and its formatting runs in CONTINUE records.
std::int32_t StoreTxo(const std::u16string& text, IRecordSink& sink) {
  const auto n = static_cast<std::uint16_t>(text.size());
  TXLSBlob b = Record(Rec::TXO, 18);
  b.AddWord(0x0212);  // left and top aligned, text locked
  b.AddWord(0);       // not rotated
  b.AddWord(0);       // reserved
  b.AddLong(0);
  b.AddWord(n);                  // characters
  b.AddWord(n > 0 ? 16 : 0);     // formatting runs: two of 8 bytes
  b.AddWord(0);                  // font of an empty text
  b.AddWord(0);                  // no formula
  TXLS_RETURN_ON_ERROR(sink.AppendRecord(b));
  if (n == 0) return xlsOK;
  // Each CONTINUE starts with its own option byte; characters are not split.
  const bool compressed = IsCompressible(text);
  const std::size_t perRecord = compressed ? 8223 : 4111;
  std::u16string_view rest(text);
  while (!rest.empty()) {
    const std::u16string_view part = rest.size() <= perRecord ? rest : CutUtf16(rest, perRecord);
    const auto bytes = static_cast<std::uint32_t>(part.size() * (compressed ? 1 : 2));
    TXLSBlob c = Record(Rec::CONTINUE, 1 + bytes);
    c.AddByte(compressed ? 0x00 : 0x01);
    if (compressed)
      for (const char16_t ch : part) c.AddByte(static_cast<std::uint8_t>(ch));
    else
      c.AddWideString(part);
    TXLS_RETURN_ON_ERROR(sink.AppendRecord(c));
    rest.remove_prefix(part.size());
  }
  TXLSBlob runs = Record(Rec::CONTINUE, 16);
  runs.AddWord(0);  // from the first character: the default font
  runs.AddWord(0);
  runs.AddLong(0);
  runs.AddWord(n);  // the end
  runs.AddWord(0);
  runs.AddLong(0);
  return sink.AppendRecord(runs);
}

std::int32_t StoreNote8(std::uint32_t row, std::uint32_t col, std::uint16_t id, const TXLSComment& c,
                        IRecordSink& sink) {
  const std::u16string_view author = CutUtf16(c.author, kMaxCommentAuthor);
  const bool compressed = IsCompressible(author);
  const auto chars = static_cast<std::uint32_t>(author.size());
  const std::uint32_t body = 8 + 3 + chars * (compressed ? 1 : 2) + 1;
  TXLSBlob b = Record(Rec::NOTE, body);
  b.AddWord(static_cast<std::uint16_t>(row));
  b.AddWord(static_cast<std::uint16_t>(col));
  b.AddWord(c.visible ? 0x0002 : 0x0000);  // shown
  b.AddWord(id);                           // the comment's object
  b.AddWord(static_cast<std::uint16_t>(chars));
  b.AddByte(compressed ? 0x00 : 0x01);
  if (compressed)
    for (const char16_t ch : author) b.AddByte(static_cast<std::uint8_t>(ch));
  else
    b.AddWideString(author);
  b.AddByte(0);
  return sink.AppendRecord(b);
}

std::int32_t StoreDrawing8(IXLSWorksheet& sheet, const TXLSSheetDrawing& drawing, IRecordSink& sink) {
  TXLSWorkbook& wb = sheet.Workbook();
  TXLSDrawingGroup& group = *wb.DrawingGroup();
  const std::size_t count = drawing.Pictures().size() + drawing.Comments().size() +
                            (drawing.AutoFilter() ? drawing.AutoFilter()->col2 - drawing.AutoFilter()->col1 + 1 : 0);
  if (count == 0) return xlsOK;
  if (count > kMaxObjects - 1)
    return wb.Refuse("sheet " + sheet.GetWorkSheetName() + " has " + std::to_string(count) +
                     " comments, pictures and filter buttons; a sheet holds at most 65534");
  TXLSShapeIds& ids = group.ShapeIds();
  const std::uint32_t drawingId = ids.BeginDrawing();
  const std::uint32_t patriarchId = ids.Next();

  std::vector<TShape> shapes;
  shapes.reserve(count);
  for (const TXLSSheetPicture& p : drawing.Pictures()) {
    TXLSAnchor anchor;
    if (!ComputeAnchor(static_cast<std::uint16_t>(p.col), static_cast<std::uint16_t>(p.row), p.x, p.y, p.width,
                       p.height, anchor))
      return wb.Refuse("a picture of sheet " + sheet.GetWorkSheetName() + " does not fit on the sheet");
    TShape s;
    s.objType = kObjPicture;
    s.format = p.image->format;
    s.sp = Shape(kShapePicture, ids.Next());
    const std::uint32_t blip = group.AddImage(p.image);
    // Aspect ratio kept; the image; no fill hit-test; no line around it.
    s.sp.Add(PropertyTable({{0x007F, 0x00800080}, {0x4104, blip}, {0x01BF, 0x00010000}, {0x01FF, 0x00080000}}));
    s.sp.Add(ClientAnchor(anchor, kMoveAndSize));
    s.sp.Add(TEscherRecord::Atom(TEscherType::ClientData));
    shapes.push_back(std::move(s));
  }
  if (const TXLSAutoFilter* f = drawing.AutoFilter())
    for (std::uint32_t c = f->col1; c <= f->col2; ++c) {
      TShape s;
      s.objType = kObjDropDown;
      s.sp = Shape(kShapeHostControl, ids.Next());
      // Locked against grouping, text fitted, no line, printed off.
      s.sp.Add(PropertyTable({{0x007F, 0x01040104}, {0x00BF, 0x00080008}, {0x01FF, 0x00080000}, {0x03BF, 0x00020000}}));
      TXLSAnchor a;
      a.col1 = static_cast<std::uint16_t>(c);
      a.row1 = static_cast<std::uint16_t>(f->row1);
      a.col2 = static_cast<std::uint16_t>(std::min<std::uint32_t>(c + 1, XLSMaxCol));
      a.row2 = static_cast<std::uint16_t>(std::min<std::uint32_t>(f->row1 + 1, XLSMaxRow));
      if (c + 1 > XLSMaxCol) a.dx2 = 1023;
      if (f->row1 + 1 > XLSMaxRow) a.dy2 = 255;
      s.sp.Add(ClientAnchor(a, kMoveOnly));
      s.sp.Add(TEscherRecord::Atom(TEscherType::ClientData));
      shapes.push_back(std::move(s));
    }
  for (const auto& [key, comment] : drawing.Comments()) {
    TShape s;
    s.objType = kObjNote;
    s.comment = &comment;
    s.row = TXLSSheetDrawing::RowOf(key);
    s.col = TXLSSheetDrawing::ColOf(key);
    s.sp = Shape(kShapeTextBox, ids.Next());
    s.sp.Add(PropertyTable({{0x00BF, 0x00080008},
                            {0x0181, kCommentFill},
                            {0x0183, kCommentFill},
                            {0x01BF, 0x00100010},
                            {0x0201, 0x00000000},
                            {0x023F, 0x00030003},
                            {0x03BF, comment.visible ? 0x00020000u : 0x00020002u}}));  // hidden unless shown
    s.sp.Add(ClientAnchor(CommentAnchor(s.row, s.col), kFixed));
    s.sp.Add(TEscherRecord::Atom(TEscherType::ClientData));
    s.sp.Add(TEscherRecord::Atom(TEscherType::ClientTextbox));
    shapes.push_back(std::move(s));
  }

  // The drawing's head: its shape count and last id, then the group of all
  // shapes, whose first member is the group itself.
  TEscherRecord dg = TEscherRecord::Atom(TEscherType::Dg, 0, static_cast<std::uint16_t>(drawingId));
  dg.Long(ids.DrawingShapes()).Long(ids.LastId());
  TEscherRecord patriarch = TEscherRecord::Container(TEscherType::SpContainer);
  patriarch.Add(TEscherRecord::Atom(TEscherType::Spgr, 1)).Long(0).Long(0).Long(0).Long(0);
  patriarch.Add(TEscherRecord::Atom(TEscherType::Sp, 2, 0)).Long(patriarchId).Long(kPatriarchFlags);
  std::uint32_t shapesSize = patriarch.Size();
  for (const TShape& s : shapes) shapesSize += s.sp.Size();
  std::vector<std::uint8_t> bytes;
  TEscherRecord::Container(TEscherType::DgContainer).WriteHeader(bytes, dg.Size() + 8 + shapesSize);
  dg.WriteTo(bytes);
  TEscherRecord::Container(TEscherType::SpgrContainer).WriteHeader(bytes, shapesSize);
  patriarch.WriteTo(bytes);

  const auto sheetIndex = static_cast<std::uint16_t>(sheet.GetIndex());
  std::u16string text;
  std::uint16_t id = 0;
  for (const TShape& s : shapes) {
    ++id;
    s.sp.WriteTo(bytes);
    // A comment's text box record goes in a record of its own, after the OBJ.
    if (s.comment) bytes.resize(bytes.size() - 8);
    TXLS_RETURN_ON_ERROR(StoreDrawingBytes(bytes, sink));
    bytes.clear();
    switch (s.objType) {
      case kObjPicture:
        TXLS_RETURN_ON_ERROR(StoreObjPicture8(id, s.format, sink));
        break;
      case kObjDropDown:
        TXLS_RETURN_ON_ERROR(StoreObjDropDown(id, sink));
        break;
      default: {
        TXLS_RETURN_ON_ERROR(StoreObjNote(id, sheetIndex, sink));
        TEscherRecord::Atom(TEscherType::ClientTextbox).WriteTo(bytes);
        TXLS_RETURN_ON_ERROR(StoreDrawingBytes(bytes, sink));
        bytes.clear();
        TXLS_RETURN_ON_ERROR(CommentFileText(sheet, s.row, s.col, *s.comment, text));
        TXLS_RETURN_ON_ERROR(StoreTxo(text, sink));
      }
    }
  }
  id = 0;
  for (const TShape& s : shapes) {
    ++id;
    if (s.comment) TXLS_RETURN_ON_ERROR(StoreNote8(s.row, s.col, id, *s.comment, sink));
  }
  return xlsOK;
}

// ---- Excel 5 ------------------------------------------------------------------------

std::int32_t StoreNote5(IXLSWorksheet& sheet, std::uint32_t row, std::uint32_t col, const TXLSComment& c,
                        IRecordSink& sink) {
  TXLSWorkbook& wb = sheet.Workbook();
  const std::string where = sheet.CellName(row, col, row, col);
  std::u16string text;
  TXLS_RETURN_ON_ERROR(CommentFileText(sheet, row, col, c, text));
  std::size_t unmapped = 0;
  const std::string bytes = Utf16ToCodePage(text, wb.GetCodePage(), &unmapped);
  if (unmapped > 0) {
    const std::string cp = std::to_string(wb.GetCodePage());
    TXLS_RETURN_ON_ERROR(wb.Warn(where,
                                 "comment: " + std::to_string(unmapped) + " characters outside code page " + cp +
                                     " written as \"?\"",
                                 "characters outside code page " + cp + " written as \"?\""));
  }
  if (!c.author.empty())
    TXLS_RETURN_ON_ERROR(wb.Warn(where, "comment author left out",
                                 "comment authors left out (an Excel 5 note has none)"));
  if (c.visible)
    TXLS_RETURN_ON_ERROR(
        wb.Warn(where, "shown comment saved hidden", "shown comments saved hidden (Excel 5 notes are hidden)"));
  // The first record names the cell and the whole length; the rest follow on row -1.
  std::size_t at = 0;
  do {
    const std::size_t n = std::min(kNoteChunk, bytes.size() - at);
    TXLSBlob b = Record(Rec::NOTE, 6 + static_cast<std::uint32_t>(n));
    b.AddWord(at == 0 ? static_cast<std::uint16_t>(row) : 0xFFFF);
    b.AddWord(at == 0 ? static_cast<std::uint16_t>(col) : 0);
    b.AddWord(static_cast<std::uint16_t>(at == 0 ? bytes.size() : n));
    b.AddString(std::string_view(bytes).substr(at, n));
    TXLS_RETURN_ON_ERROR(sink.AppendRecord(b));
    at += n;
  } while (at < bytes.size());
  return xlsOK;
}

std::int32_t StoreDrawing5(IXLSWorksheet& sheet, const TXLSSheetDrawing& drawing, IRecordSink& sink) {
  TXLSWorkbook& wb = sheet.Workbook();
  std::size_t n = 0;
  for (const TXLSSheetPicture& p : drawing.Pictures()) {
    ++n;
    if (p.image->format != TXLSImageFormat::Bitmap) {
      const char* kind = p.image->format == TXLSImageFormat::Png ? "PNG" : "JPEG";
      TXLS_RETURN_ON_ERROR(wb.Warn(sheet.GetWorkSheetName() + " picture " + std::to_string(n),
                                   std::string(kind) + " picture left out",
                                   "PNG and JPEG pictures left out (an Excel 5 file holds bitmaps only)"));
      continue;
    }
    TXLS_RETURN_ON_ERROR(PositionImage(sink, static_cast<std::uint16_t>(p.col), static_cast<std::uint16_t>(p.row),
                                       p.x, p.y, p.width, p.height));
    TXLS_RETURN_ON_ERROR(StoreImData(sink, p.image->imData));
  }
  if (drawing.AutoFilter())
    TXLS_RETURN_ON_ERROR(wb.Warn(sheet.GetWorkSheetName(), "autofilter saved without its drop-down buttons",
                                 "autofilters saved without drop-down buttons (Excel 5 form)"));
  for (const auto& [key, comment] : drawing.Comments())
    TXLS_RETURN_ON_ERROR(StoreNote5(sheet, TXLSSheetDrawing::RowOf(key), TXLSSheetDrawing::ColOf(key), comment, sink));
  return xlsOK;
}

}  // namespace

TXLSArea FilterCells(IXLSWorksheet& sheet, const TXLSAutoFilter& f) {
  std::uint32_t last = f.lastRow;
  if (last == f.row1) {
    const TXLSCellHeap& cells = sheet.Cells();
    if (cells.RowCount() > 0) last = std::max<std::uint32_t>(last, static_cast<std::uint32_t>(cells.LastRow()));
  }
  return TXLSArea{f.row1, f.col1, last, f.col2};
}

std::int32_t CommentFileText(IXLSWorksheet& sheet, std::uint32_t row, std::uint32_t col, const TXLSComment& c,
                            std::u16string& text) {
  text.clear();
  text.reserve(c.text.size());
  for (std::size_t i = 0; i < c.text.size(); ++i) {
    if (c.text[i] == u'\r') {
      if (i + 1 < c.text.size() && c.text[i + 1] == u'\n') ++i;
      text.push_back(u'\n');
    } else {
      text.push_back(c.text[i]);
    }
  }
  if (text.size() <= kMaxCommentText) return xlsOK;
  const std::size_t was = text.size();
  text.resize(CutUtf16(text, kMaxCommentText).size());
  return sheet.Workbook().Warn(sheet.CellName(row, col, row, col),
                               "comment of " + std::to_string(was) + " characters cut to 32767",
                               "comments cut to 32767 characters (the comment limit)");
}

TXLSNameArea FilterNameArea(IXLSWorksheet& sheet, const TXLSAutoFilter& f) {
  const TXLSArea a = FilterCells(sheet, f);
  return {static_cast<std::uint16_t>(a.row1), static_cast<std::uint16_t>(std::min<std::uint32_t>(a.row2, XLSMaxRow)),
          static_cast<std::uint8_t>(a.col1), static_cast<std::uint8_t>(a.col2)};
}

std::int32_t StoreAutoFilterInfo(const TXLSSheetDrawing* drawing, IRecordSink& sink) {
  const TXLSAutoFilter* f = drawing ? drawing->AutoFilter() : nullptr;
  if (!f) return xlsOK;
  TXLSBlob b = Record(Rec::AUTOFILTERINFO, 2);
  b.AddWord(static_cast<std::uint16_t>(f->col2 - f->col1 + 1));  // 0: drop-downs
  return sink.AppendRecord(b);
}

std::int32_t StoreSheetDrawing(IXLSWorksheet& sheet, IRecordSink& sink) {
  const TXLSSheetDrawing* drawing = sheet.DrawingIfAny();
  if (!drawing || drawing->Empty()) return xlsOK;
  if (sheet.Workbook().CurrentFormat() == xlExcel5) return StoreDrawing5(sheet, *drawing, sink);
  return StoreDrawing8(sheet, *drawing, sink);
}

std::int32_t StoreDrawingGroup(const TXLSDrawingGroup& group, IRecordSink& sink) {
  if (group.Empty()) return xlsOK;
  const std::vector<std::uint8_t> bytes = group.Build();
  // A body past the record limit is continued by the sink, which rewrites the length.
  TXLSBlob b = Record(Rec::MSODRAWINGGROUP, static_cast<std::uint32_t>(bytes.size()));
  b.AddBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return sink.AppendRecord(b);
}

}  // namespace tablirex
