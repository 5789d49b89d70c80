#include "drawing/escher.h"

namespace tablirex {

std::uint32_t TEscherRecord::Length() const noexcept {
  if (children_.empty()) return static_cast<std::uint32_t>(data_.size());
  std::uint32_t n = 0;
  for (const TEscherRecord& c : children_) n += c.Size();
  return n;
}

void TEscherRecord::WriteHeader(std::vector<std::uint8_t>& out, std::uint32_t length) const {
  const std::uint8_t head[8] = {
      static_cast<std::uint8_t>(verInstance_), static_cast<std::uint8_t>(verInstance_ >> 8),
      static_cast<std::uint8_t>(type_),        static_cast<std::uint8_t>(type_ >> 8),
      static_cast<std::uint8_t>(length),       static_cast<std::uint8_t>(length >> 8),
      static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
  out.insert(out.end(), head, head + 8);
}

void TEscherRecord::WriteTo(std::vector<std::uint8_t>& out) const {
  WriteHeader(out, Length());
  out.insert(out.end(), data_.begin(), data_.end());
  for (const TEscherRecord& c : children_) c.WriteTo(out);
}

TEscherRecord PropertyTable(std::initializer_list<TEscherProperty> properties) {
  TEscherRecord opt = TEscherRecord::Atom(TEscherType::Opt, 3, static_cast<std::uint16_t>(properties.size()));
  for (const TEscherProperty& p : properties) opt.Word(p.id).Long(p.value);
  return opt;
}

TEscherRecord ClientAnchor(const TXLSAnchor& a, std::uint16_t flags) {
  TEscherRecord r = TEscherRecord::Atom(TEscherType::ClientAnchor);
  r.Word(flags).Word(a.col1).Word(a.dx1).Word(a.row1).Word(a.dy1);
  r.Word(a.col2).Word(a.dx2).Word(a.row2).Word(a.dy2);
  return r;
}

}  // namespace tablirex
