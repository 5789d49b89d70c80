// The drawing layer's records: a small tree of containers and atoms, each with
// an 8-byte header (version and instance in one word, the record type, the
// length of what follows). A container's length is the sum of its children's
// sizes, filled in when the tree is written, so a shape is built from the
// inside out without counting bytes by hand.
#pragma once

#include <cstdint>
#include <vector>

namespace tablirex {

/// Record types of the drawing layer.
enum class TEscherType : std::uint16_t {
  DggContainer = 0xF000,
  BStoreContainer = 0xF001,
  DgContainer = 0xF002,
  SpgrContainer = 0xF003,
  SpContainer = 0xF004,
  Dgg = 0xF006,
  Bse = 0xF007,
  Dg = 0xF008,
  Spgr = 0xF009,
  Sp = 0xF00A,
  Opt = 0xF00B,
  ClientTextbox = 0xF00D,
  ClientAnchor = 0xF010,
  ClientData = 0xF011,
  BlipJpeg = 0xF01D,
  BlipPng = 0xF01E,
  BlipDib = 0xF01F,
  SplitMenuColors = 0xF11E,
};

/// One record of the tree. Atoms carry bytes; containers (version 0xF) carry
/// children. Values are written little-endian.
class TEscherRecord {
 public:
  static TEscherRecord Container(TEscherType type, std::uint16_t instance = 0) {
    return TEscherRecord(type, 0xF, instance);
  }
  static TEscherRecord Atom(TEscherType type, std::uint8_t version = 0, std::uint16_t instance = 0) {
    return TEscherRecord(type, version, instance);
  }

  /// Appends a child (containers only) and returns it.
  TEscherRecord& Add(TEscherRecord child) {
    children_.push_back(std::move(child));
    return children_.back();
  }
  TEscherRecord& Word(std::uint16_t v) {
    data_.push_back(static_cast<std::uint8_t>(v));
    data_.push_back(static_cast<std::uint8_t>(v >> 8));
    return *this;
  }
  TEscherRecord& Long(std::uint32_t v) {
    Word(static_cast<std::uint16_t>(v));
    return Word(static_cast<std::uint16_t>(v >> 16));
  }
  TEscherRecord& Bytes(const std::uint8_t* p, std::size_t n) {
    data_.insert(data_.end(), p, p + n);
    return *this;
  }

  /// The length field: the atom's bytes, or the children's sizes together.
  std::uint32_t Length() const noexcept;
  /// Header and length: 8 + Length().
  std::uint32_t Size() const noexcept { return 8 + Length(); }
  const std::vector<TEscherRecord>& Children() const noexcept { return children_; }
  /// Appends the record, header first, then its bytes or children in order.
  void WriteTo(std::vector<std::uint8_t>& out) const;
  /// Appends only the header, with the length given (a container whose
  /// children are written in several pieces).
  void WriteHeader(std::vector<std::uint8_t>& out, std::uint32_t length) const;

 private:
  TEscherRecord(TEscherType type, std::uint8_t version, std::uint16_t instance)
      : verInstance_(static_cast<std::uint16_t>((version & 0x0F) | (instance << 4))),
        type_(static_cast<std::uint16_t>(type)) {}

  std::uint16_t verInstance_;
  std::uint16_t type_;
  std::vector<std::uint8_t> data_;
  std::vector<TEscherRecord> children_;
};

/// A shape property: its number (with the blip and complex flags) and value.
struct TEscherProperty {
  std::uint16_t id;
  std::uint32_t value;
};

/// The property table of a shape or of the drawing defaults, properties in the
/// order given (callers give them sorted by number).
TEscherRecord PropertyTable(std::initializer_list<TEscherProperty> properties);

/// The cell anchor of a shape: from (col1, dx1 / 1024 of its width; row1, dy1 /
/// 256 of its height) to (col2, dx2; row2, dy2). flags: 0 moves and sizes with
/// the cells, 2 moves without sizing, 3 neither.
struct TXLSAnchor {
  std::uint16_t col1 = 0, dx1 = 0;
  std::uint16_t row1 = 0, dy1 = 0;
  std::uint16_t col2 = 0, dx2 = 0;
  std::uint16_t row2 = 0, dy2 = 0;
};
TEscherRecord ClientAnchor(const TXLSAnchor& anchor, std::uint16_t flags);

}  // namespace tablirex
