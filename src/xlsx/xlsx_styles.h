// The styles part of a package: the fonts, fills, borders and number formats of
// the cell formats in use, each once, and the cell formats (cellXfs) numbered
// densely in the order the extended-format list chose them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <string_view>

namespace tablirex {
class TXLSPalette;
class TXLSWorkbook;
}

namespace tablirex::xlsx {

class TXlsxStyles {
 public:
  /// Chooses the formats of the save (the extended-format list's referred list
  /// must be made already) and numbers them.
  explicit TXlsxStyles(TXLSWorkbook& book);
  /// The s attribute of a cell, row or column whose XF key is xf (0 or less: the
  /// default format, which needs no attribute).
  std::int32_t StyleOf(std::int32_t xf) const noexcept {
    if (xf <= 0 || static_cast<std::size_t>(xf) >= byXF_.size()) return 0;
    return byXF_[static_cast<std::size_t>(xf)];
  }
  /// styles.xml, with dxfs (each a <dxf>…</dxf>) for the conditional formats.
  std::string Part(const std::vector<std::string>& dxfs) const;

 private:
  TXLSWorkbook& book_;
  std::vector<std::int32_t> byXF_;     // XF key -> cellXfs index
  std::vector<std::string> fonts_, fills_, borders_, numFmts_, xfs_;
};

/// "FFRRGGBB" of an RGB value with red in bits 0-7.
std::string ArgbOf(std::uint32_t rgb);
class TXmlOut;
/// The package's name of a border line code (0 none, 1 thin, ... 13); "" for
/// none and codes past the table.
const char* LineStyleName(std::uint32_t line) noexcept;
/// The package's name of a fill pattern number (0 none, 1 solid, ... 18).
const char* PatternName(std::uint32_t pattern) noexcept;
/// A colour element (<color .../>, <fgColor .../>) of a palette index: the
/// system colours by index, the others by their RGB value.
void ColorXml(TXmlOut& x, std::string_view element, std::uint32_t palette, const TXLSPalette& colors);
/// The <rPr> of a part of a rich text shown in a font of the font list.
std::string RunPropertiesXml(TXLSWorkbook& book, std::int32_t font);

}  // namespace tablirex::xlsx
