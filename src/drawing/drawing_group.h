// The workbook-wide half of the drawing layer of one Excel 97 save: every
// image once (keyed by its digest), the shape ids of all sheets in one space,
// and the container that the globals' MSODRAWINGGROUP record carries.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "drawing/drawing_model.h"

namespace tablirex {

/// Shape ids come in clusters of 1024; cluster k (from 1) holds the ids
/// k * 1024 to k * 1024 + 1023, and belongs to one drawing (one sheet). A
/// drawing takes a new cluster whenever its current one is full.
class TXLSShapeIds {
 public:
  static constexpr std::uint32_t kClusterSize = 1024;
  struct TCluster {
    std::uint32_t drawing;  ///< the drawing id that owns it
    std::uint32_t used;     ///< ids given out from it
  };
  /// Starts the next sheet's drawing; returns its id (1, 2, ...).
  std::uint32_t BeginDrawing();
  /// The next shape id of the current drawing.
  std::uint32_t Next();
  /// Shapes (and ids) given out so far in the current drawing.
  std::uint32_t DrawingShapes() const noexcept { return drawingShapes_; }
  std::uint32_t LastId() const noexcept { return lastId_; }
  std::uint32_t Drawings() const noexcept { return drawings_; }
  std::uint32_t Shapes() const noexcept { return shapes_; }
  const std::vector<TCluster>& Clusters() const noexcept { return clusters_; }

 private:
  std::vector<TCluster> clusters_;
  std::uint32_t drawings_ = 0, shapes_ = 0, drawingShapes_ = 0, lastId_ = 0;
};

class TXLSDrawingGroup {
 public:
  /// The image's one-based place in the image store, adding it on first use;
  /// every call counts one more picture that shows it.
  std::uint32_t AddImage(const std::shared_ptr<const TXLSImage>& image);
  std::size_t ImageCount() const noexcept { return images_.size(); }
  TXLSShapeIds& ShapeIds() noexcept { return ids_; }
  const TXLSShapeIds& ShapeIds() const noexcept { return ids_; }
  /// True when no sheet has a drawing: no MSODRAWINGGROUP is written.
  bool Empty() const noexcept { return ids_.Drawings() == 0; }
  /// The body of MSODRAWINGGROUP: the drawing group container with the
  /// cluster table, the image store and the default shape properties.
  std::vector<std::uint8_t> Build() const;

 private:
  struct TEntry {
    std::shared_ptr<const TXLSImage> image;
    std::uint32_t references = 0;
  };
  std::vector<TEntry> images_;
  std::map<TDigest, std::uint32_t> byDigest_;
  TXLSShapeIds ids_;
};

}  // namespace tablirex
