#include "drawing/drawing_group.h"

#include "drawing/escher.h"

namespace tablirex {
namespace {

// Image kinds of the image store.
constexpr std::uint8_t kBlipJpeg = 5;
constexpr std::uint8_t kBlipPng = 6;
constexpr std::uint8_t kBlipDib = 7;

struct TBlipKind {
  std::uint8_t code;
  TEscherType type;
  std::uint16_t instance;  // the instance of a record with one digest
};

TBlipKind KindOf(TXLSImageFormat f) {
  switch (f) {
    case TXLSImageFormat::Jpeg:
      return {kBlipJpeg, TEscherType::BlipJpeg, 0x46A};
    case TXLSImageFormat::Bitmap:
      return {kBlipDib, TEscherType::BlipDib, 0x7A8};
    case TXLSImageFormat::Png:
      break;
  }
  return {kBlipPng, TEscherType::BlipPng, 0x6E0};
}

}  // namespace

std::uint32_t TXLSShapeIds::BeginDrawing() {
  ++drawings_;
  clusters_.push_back({drawings_, 0});
  drawingShapes_ = 0;
  lastId_ = 0;
  return drawings_;
}

std::uint32_t TXLSShapeIds::Next() {
  if (clusters_.back().used == kClusterSize) clusters_.push_back({drawings_, 0});
  TCluster& c = clusters_.back();
  lastId_ = static_cast<std::uint32_t>(clusters_.size()) * kClusterSize + c.used;
  ++c.used;
  ++drawingShapes_;
  ++shapes_;
  return lastId_;
}

std::uint32_t TXLSDrawingGroup::AddImage(const std::shared_ptr<const TXLSImage>& image) {
  const auto [it, added] = byDigest_.emplace(image->digest, static_cast<std::uint32_t>(images_.size() + 1));
  if (added) images_.push_back({image, 0});
  ++images_[it->second - 1].references;
  return it->second;
}

std::vector<std::uint8_t> TXLSDrawingGroup::Build() const {
  TEscherRecord dgg = TEscherRecord::Container(TEscherType::DggContainer);
  {
    TEscherRecord& head = dgg.Add(TEscherRecord::Atom(TEscherType::Dgg));
    std::uint32_t maxId = 0;
    for (std::size_t k = 0; k < ids_.Clusters().size(); ++k)
      if (ids_.Clusters()[k].used > 0)
        maxId = static_cast<std::uint32_t>(k + 1) * TXLSShapeIds::kClusterSize + ids_.Clusters()[k].used;
    head.Long(maxId);                                                    // the next free shape id
    head.Long(static_cast<std::uint32_t>(ids_.Clusters().size() + 1));  // clusters + 1
    head.Long(ids_.Shapes());                                            // shapes saved
    head.Long(ids_.Drawings());                                          // drawings saved
    for (const TXLSShapeIds::TCluster& c : ids_.Clusters()) head.Long(c.drawing).Long(c.used);
  }
  if (!images_.empty()) {
    TEscherRecord& store =
        dgg.Add(TEscherRecord::Container(TEscherType::BStoreContainer, static_cast<std::uint16_t>(images_.size())));
    for (const TEntry& e : images_) {
      const TXLSImage& image = *e.image;
      const TBlipKind kind = KindOf(image.format);
      TEscherRecord blip = TEscherRecord::Atom(kind.type, 0, kind.instance);
      blip.Bytes(image.digest.data(), image.digest.size());
      const std::uint8_t tag = 0xFF;
      blip.Bytes(&tag, 1);
      blip.Bytes(image.blip.data(), image.blip.size());
      TEscherRecord& bse = store.Add(TEscherRecord::Atom(TEscherType::Bse, 2, kind.code));
      const std::uint8_t types[2] = {kind.code, kind.code};  // the image's kind on Windows and Mac
      bse.Bytes(types, 2);
      bse.Bytes(image.digest.data(), image.digest.size());
      bse.Word(0x00FF);        // tag
      bse.Long(blip.Size());   // size of the image record
      bse.Long(e.references);  // pictures that show it
      bse.Long(0);             // offset in a delay stream: none, the image follows
      bse.Long(0);             // unused, name length 0, unused, unused
      std::vector<std::uint8_t> bytes;
      bytes.reserve(blip.Size());
      blip.WriteTo(bytes);
      bse.Bytes(bytes.data(), bytes.size());
    }
  }
  // Defaults of new shapes: text fitted to the shape, fill and line colours.
  dgg.Add(PropertyTable({{0x00BF, 0x00080008}, {0x0181, 0x08000041}, {0x01C0, 0x08000040}}));
  TEscherRecord& colours = dgg.Add(TEscherRecord::Atom(TEscherType::SplitMenuColors, 0, 4));
  colours.Long(0x0800000D).Long(0x0800000C).Long(0x08000017).Long(0x100000F7);
  std::vector<std::uint8_t> out;
  out.reserve(dgg.Size());
  dgg.WriteTo(out);
  return out;
}

}  // namespace tablirex
