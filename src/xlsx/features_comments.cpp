// Comments: the commentsN.xml part with the authors and texts, and the legacy
// drawing vmlDrawingN.vml whose note shapes place the boxes and show or hide them.
#include <algorithm>
#include <vector>

#include "drawing/drawing_model.h"
#include "drawing/drawing_records.h"
#include "tablirex/result.h"
#include "tablirex/worksheet.h"
#include "xlsx/features.h"

namespace tablirex::xlsx {
namespace {

constexpr std::string_view kCommentsType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/comments";
constexpr std::string_view kVmlType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/vmlDrawing";
constexpr std::string_view kCommentsContent = "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml";
constexpr std::string_view kVmlContent = "application/vnd.openxmlformats-officedocument.vmlDrawing";

// The last row and column of the package's grid, where comment boxes stop.
constexpr std::uint32_t kLastRow = 1048575;
constexpr std::uint32_t kLastCol = 16383;
// Note shapes are numbered in blocks of this many per drawing.
constexpr std::int32_t kShapesPerBlock = 1024;

// The box of a comment, as the Excel 97 form places it: beside its cell, two
// columns wide and four rows high, moved back inside the grid at its edges.
// Columns and rows with offsets in pixels.
std::string BoxAnchor(std::uint32_t row, std::uint32_t col) {
  std::uint32_t c1 = col + 1, r1 = row > 0 ? row - 1 : 0;
  c1 = std::min(c1, kLastCol - 2);
  r1 = std::min(r1, kLastRow - 4);
  return std::to_string(c1) + ", 15, " + std::to_string(r1) + ", 10, " + std::to_string(c1 + 2) + ", 15, " +
         std::to_string(r1 + 4) + ", 4";
}

void AppendVmlShape(std::string& x, std::int32_t shapeId, std::int32_t z, std::uint32_t row, std::uint32_t col,
                    bool visible) {
  x += "<v:shape id=\"_x0000_s" + std::to_string(shapeId) +
       "\" type=\"#_x0000_t202\" style=\"position:absolute;margin-left:59.25pt;margin-top:1.5pt;"
       "width:108pt;height:59.25pt;z-index:" +
       std::to_string(z) + (visible ? ";visibility:visible" : ";visibility:hidden") +
       "\" fillcolor=\"#ffffe1\" o:insetmode=\"auto\">"
       "<v:fill color2=\"#ffffe1\"/><v:shadow on=\"t\" color=\"black\" obscured=\"t\"/>"
       "<v:path o:connecttype=\"none\"/><v:textbox style=\"mso-direction-alt:auto\">"
       "<div style=\"text-align:left\"></div></v:textbox>"
       "<x:ClientData ObjectType=\"Note\"><x:MoveWithCells/><x:SizeWithCells/><x:Anchor>" +
       BoxAnchor(row, col) + "</x:Anchor><x:AutoFill>False</x:AutoFill><x:Row>" + std::to_string(row) +
       "</x:Row><x:Column>" + std::to_string(col) + "</x:Column>" + (visible ? "<x:Visible/>" : "") +
       "</x:ClientData></v:shape>";
}

}  // namespace

std::int32_t WriteComments(TFeatureContext& ctx) {
  const TXLSSheetDrawing* drawing = ctx.sheet.DrawingIfAny();
  if (!drawing || drawing->Comments().empty()) return xlsOK;
  const TXLSSheetDrawing::TCommentMap& comments = drawing->Comments();

  // Authors in the order they first appear.
  std::vector<const std::u16string*> authors;
  auto authorId = [&](const std::u16string& a) {
    for (std::size_t i = 0; i < authors.size(); ++i)
      if (*authors[i] == a) return i;
    authors.push_back(&a);
    return authors.size() - 1;
  };
  TXmlOut list;
  std::u16string text;
  for (const auto& [key, c] : comments) {
    const std::uint32_t row = TXLSSheetDrawing::RowOf(key), col = TXLSSheetDrawing::ColOf(key);
    TXLS_RETURN_ON_ERROR(CommentFileText(ctx.sheet, row, col, c, text));
    list << "<comment ref=\"";
    list.Cell(row, col) << '"';
    Attr(list, "authorId", static_cast<std::int64_t>(authorId(c.author)));
    list << "><text><t xml:space=\"preserve\">";
    list.Text(text);
    list << "</t></text></comment>";
  }
  TXmlOut x;
  x << kXmlDeclaration << "<comments xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><authors>";
  for (const std::u16string* a : authors) {
    x << "<author>";
    x.Text(*a);
    x << "</author>";
  }
  x << "</authors><commentList>" << list.Buffer() << "</commentList></comments>";

  // The note shapes take whole blocks of ids, numbered across the package.
  const auto count = static_cast<std::int32_t>(comments.size());
  const std::int32_t blocks = (count + kShapesPerBlock - 1) / kShapesPerBlock;
  const std::int32_t firstBlock = ctx.state.nextShapeBlock;
  ctx.state.nextShapeBlock += blocks;
  std::string idmap;
  for (std::int32_t b = 0; b < blocks; ++b) idmap += (b ? "," : "") + std::to_string(firstBlock + b);
  std::string v =
      "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
      "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">"
      "<o:shapelayout v:ext=\"edit\"><o:idmap v:ext=\"edit\" data=\"" +
      idmap +
      "\"/></o:shapelayout>"
      "<v:shapetype id=\"_x0000_t202\" coordsize=\"21600,21600\" o:spt=\"202\" path=\"m,l,21600r21600,l21600,xe\">"
      "<v:stroke joinstyle=\"miter\"/><v:path gradientshapeok=\"t\" o:connecttype=\"rect\"/></v:shapetype>";
  std::int32_t n = 0;
  for (const auto& [key, c] : comments) {
    AppendVmlShape(v, firstBlock * kShapesPerBlock + 1 + n, n + 1, TXLSSheetDrawing::RowOf(key),
                   TXLSSheetDrawing::ColOf(key), c.visible);
    ++n;
  }
  v += "</xml>";

  const std::string number = std::to_string(ctx.state.nextComments++);
  ctx.rels.Add(ctx.out, kCommentsType, "../comments" + number + ".xml");
  const std::string vmlId = ctx.rels.Add(ctx.out, kVmlType, "../drawings/vmlDrawing" + number + ".vml");
  ctx.out.legacyDrawing = "<legacyDrawing r:id=\"" + vmlId + "\"/>";
  ctx.out.parts.push_back(TPart{"xl/comments" + number + ".xml", std::string(kCommentsContent), x.Take()});
  TPart vml{"xl/drawings/vmlDrawing" + number + ".vml", std::string(kVmlContent), std::move(v)};
  vml.defaultExtension = true;
  ctx.out.parts.push_back(std::move(vml));
  return xlsOK;
}

}  // namespace tablirex::xlsx
