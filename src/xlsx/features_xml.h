// Small helpers the sheet features' XML is written with: escaped text and
// attributes, colours, and the numbering of relationships.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "xlsx/xlsx_parts.h"

namespace tablirex::xlsx {

inline constexpr std::string_view kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
inline constexpr std::string_view kRelDocument = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

/// Appends UTF-8 text as element content: & < > as entities, characters XML
/// cannot carry (controls other than tab and line feed, lone surrogates'
/// replacements aside) as _xHHHH_, and an underscore that would start such an
/// escape as _x005F_, so that readers give back exactly the text.
void AppendXmlText(std::string& out, std::string_view utf8);
void AppendXmlText(std::string& out, std::u16string_view text);
/// Appends ` name="value"` with the value escaped as AppendXmlText does, and
/// " tab, line feed and carriage return as character references (attribute
/// values are otherwise normalised by readers).
void AppendXmlAttr(std::string& out, std::string_view name, std::string_view utf8);
void AppendXmlAttr(std::string& out, std::string_view name, std::u16string_view text);
void AppendXmlAttr(std::string& out, std::string_view name, std::int64_t value);

/// An RGB value of the palette (red in bits 0-7) as the package writes it:
/// "FFRRGGBB", opaque.
std::string ArgbText(std::uint32_t rgb);

/// Gives out the relationship ids of one sheet, from the first the writer left.
class TRelIds {
 public:
  explicit TRelIds(std::int32_t first) : next_(first) {}
  /// Adds a relationship to the sheet and returns its id ("rId3").
  std::string Add(TSheetExtras& out, std::string_view type, std::string target, bool external = false);

 private:
  std::int32_t next_;
};

}  // namespace tablirex::xlsx
