// Pictures: the drawingN.xml part with one anchored picture per placement, its
// relationships to the images, and the images themselves, each stored once per
// package however many pictures show it.
#include <vector>

#include "cells/rowcol.h"
#include "drawing/drawing_model.h"
#include "tablirex/result.h"
#include "tablirex/worksheet.h"
#include "xlsx/features.h"

namespace tablirex::xlsx {
namespace {

constexpr std::string_view kDrawingType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing";
constexpr std::string_view kImageType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
constexpr std::string_view kDrawingContent = "application/vnd.openxmlformats-officedocument.drawing+xml";
constexpr std::string_view kRelsContent = "application/vnd.openxmlformats-package.relationships+xml";
// English metric units per pixel at 96 pixels to the inch.
constexpr std::int64_t kEmuPerPixel = 9525;

std::string DigestText(const TDigest& d) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string s;
  for (const std::uint8_t b : d) {
    s += kHex[b >> 4];
    s += kHex[b & 0xF];
  }
  return s;
}

// The extension of a media part: the drawing layer's, but "jpeg" in full.
const char* MediaExtension(TXLSImageFormat f) {
  return f == TXLSImageFormat::Jpeg ? "jpeg" : ImageExtension(f);
}

void PutLong(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The image file a media part holds: PNG and JPEG as they came; a bitmap gets
// back the 14-byte file header its stored form drops.
std::string MediaBytes(const TXLSImage& image) {
  std::string s;
  if (image.format == TXLSImageFormat::Bitmap && image.blip.size() >= 4) {
    const std::uint32_t header = image.blip[0] | image.blip[1] << 8 | image.blip[2] << 16 |
                                 static_cast<std::uint32_t>(image.blip[3]) << 24;
    s.reserve(14 + image.blip.size());
    s += "BM";
    PutLong(s, static_cast<std::uint32_t>(14 + image.blip.size()));  // 2: file size
    PutLong(s, 0);                                                   // 6: reserved
    PutLong(s, 14 + header);                                         // 10: where the pixels start
  }
  s.append(reinterpret_cast<const char*>(image.blip.data()), image.blip.size());
  return s;
}

// The package's part name of an image, added the first time it is met.
const std::string& ImagePart(TFeatureContext& ctx, const TXLSImage& image) {
  const std::string digest = DigestText(image.digest);
  for (const auto& [d, name] : ctx.state.imagesByDigest)
    if (d == digest) return name;
  const char* ext = MediaExtension(image.format);
  std::string name = "xl/media/image" + std::to_string(ctx.state.nextImage++) + "." + ext;
  TPart part{name, image.format == TXLSImageFormat::Jpeg ? "image/jpeg" : std::string("image/") + ext,
             MediaBytes(image)};
  part.defaultExtension = true;
  // PNG and JPEG are compressed already; a bitmap is not.
  part.store = image.format != TXLSImageFormat::Bitmap;
  ctx.out.parts.push_back(std::move(part));
  ctx.state.imagesByDigest.emplace_back(digest, std::move(name));
  return ctx.state.imagesByDigest.back().second;
}

void AppendNumberElement(std::string& x, std::string_view tag, std::int64_t v) {
  x += '<';
  x += tag;
  x += '>';
  x += std::to_string(v);
  x += "</";
  x += tag;
  x += '>';
}

}  // namespace

std::int32_t WritePictures(TFeatureContext& ctx) {
  const TXLSSheetDrawing* drawing = ctx.sheet.DrawingIfAny();
  if (!drawing || drawing->Pictures().empty()) return xlsOK;

  std::string rels(kXmlDeclaration);
  rels += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  std::vector<std::string> targets;  // the drawing's image relationships: rId1, rId2, ...
  std::string x(kXmlDeclaration);
  x += "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
       "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">";
  std::int64_t n = 0;
  for (const TXLSSheetPicture& p : drawing->Pictures()) {
    ++n;
    const std::string target = "../media/" + ImagePart(ctx, *p.image).substr(9);
    std::size_t rel = 0;
    while (rel < targets.size() && targets[rel] != target) ++rel;
    if (rel == targets.size()) {
      targets.push_back(target);
      rels += "<Relationship Id=\"rId" + std::to_string(rel + 1) + "\" Type=\"" + std::string(kImageType) +
              "\" Target=\"" + target + "\"/>";
    }
    // An offset not smaller than the start cell counts as none, as in the
    // Excel 97 anchor.
    const std::int64_t dx = p.x < TXLSColumnInfoList::SizeCol(static_cast<std::int32_t>(p.col)) ? p.x : 0;
    const std::int64_t dy = p.y < TXLSRowInfoList::SizeRow(static_cast<std::int32_t>(p.row)) ? p.y : 0;
    const std::string cx = std::to_string(std::int64_t{p.width} * kEmuPerPixel);
    const std::string cy = std::to_string(std::int64_t{p.height} * kEmuPerPixel);
    x += "<xdr:oneCellAnchor><xdr:from>";
    AppendNumberElement(x, "xdr:col", p.col);
    AppendNumberElement(x, "xdr:colOff", dx * kEmuPerPixel);
    AppendNumberElement(x, "xdr:row", p.row);
    AppendNumberElement(x, "xdr:rowOff", dy * kEmuPerPixel);
    x += "</xdr:from><xdr:ext cx=\"" + cx + "\" cy=\"" + cy + "\"/>";
    x += "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"" + std::to_string(n + 1) + "\" name=\"Picture " +
         std::to_string(n) + "\"/><xdr:cNvPicPr><a:picLocks noChangeAspect=\"1\"/></xdr:cNvPicPr></xdr:nvPicPr>";
    x += "<xdr:blipFill><a:blip xmlns:r=\"" + std::string(kRelDocument) + "\" r:embed=\"rId" +
         std::to_string(rel + 1) + "\"/><a:stretch><a:fillRect/></a:stretch></xdr:blipFill>";
    x += "<xdr:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"" + cx + "\" cy=\"" + cy +
         "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></xdr:spPr></xdr:pic>"
         "<xdr:clientData/></xdr:oneCellAnchor>";
  }
  x += "</xdr:wsDr>";
  rels += "</Relationships>";

  const std::string number = std::to_string(ctx.state.nextDrawing++);
  const std::string id = ctx.rels.Add(ctx.out, kDrawingType, "../drawings/drawing" + number + ".xml");
  ctx.out.drawing = "<drawing r:id=\"" + id + "\"/>";
  ctx.out.parts.push_back(TPart{"xl/drawings/drawing" + number + ".xml", std::string(kDrawingContent), std::move(x)});
  TPart r{"xl/drawings/_rels/drawing" + number + ".xml.rels", std::string(kRelsContent), std::move(rels)};
  r.defaultExtension = true;
  ctx.out.parts.push_back(std::move(r));
  return xlsOK;
}

}  // namespace tablirex::xlsx
