// What the sheet features' XML writers share: the declaration, attributes and
// the numbering of a sheet's relationships.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "xlsx/xlsx_parts.h"
#include "xlsx/xml_out.h"

namespace tablirex::xlsx {

inline constexpr std::string_view kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
inline constexpr std::string_view kRelDocument = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

/// Writes ` name="value"`, the value escaped.
template <class Text>
TXmlOut& Attr(TXmlOut& x, std::string_view name, const Text& value) {
  x << ' ' << name << "=\"";
  x.Text(value, true);
  return x << '"';
}
inline TXmlOut& Attr(TXmlOut& x, std::string_view name, std::int64_t value) {
  x << ' ' << name << "=\"";
  x.Int(value);
  return x << '"';
}

/// Gives out the relationship ids of one sheet, from the first the writer left.
class TRelIds {
 public:
  explicit TRelIds(std::int32_t first) : next_(first) {}
  /// Adds a relationship to the sheet and returns its id ("rId3").
  std::string Add(TSheetExtras& out, std::string_view type, std::string target, bool external = false) {
    std::string id = "rId" + std::to_string(next_++);
    out.relationships.push_back(TRelationship{id, std::string(type), std::move(target), external});
    return id;
  }

 private:
  std::int32_t next_;
};

}  // namespace tablirex::xlsx
