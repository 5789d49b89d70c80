// The styles part: every cell format in use as fonts, fills, borders, number
// formats and cellXfs, each written once.
#include "xlsx/xlsx_styles.h"

#include <iterator>
#include <unordered_map>

#include "formats/font_list.h"
#include "formats/hex_key.h"
#include "formats/palette.h"
#include "formats/xf_list.h"
#include "tablirex/workbook.h"
#include "xlsx/xml_out.h"

namespace tablirex::xlsx {
namespace {

// Palette entries standing for the window's text and background colours.
constexpr std::uint32_t kSystemForeground = 64;
constexpr std::uint32_t kSystemBackground = 65;
// Built-in number formats the package format knows without a text of their own.
constexpr std::int32_t kLastBuiltinFormat = 49;

constexpr const char* kLineNames[] = {"",       "thin",         "medium",        "dashed",  "dotted",
                                      "thick",  "double",       "hair",          "mediumDashed",
                                      "dashDot", "mediumDashDot", "dashDotDot",  "mediumDashDotDot",
                                      "slantDashDot"};
constexpr const char* kPatternNames[] = {
    "none",       "solid",        "mediumGray",     "darkGray",   "lightGray",    "darkHorizontal",
    "darkVertical", "darkDown",   "darkUp",         "darkGrid",   "darkTrellis",  "lightHorizontal",
    "lightVertical", "lightDown", "lightUp",        "lightGrid",  "lightTrellis", "gray125",
    "gray0625"};
constexpr const char* kHorizontal[] = {"general", "left",    "center",           "right",
                                       "fill",    "justify", "centerContinuous", "distributed"};
constexpr const char* kVertical[] = {"top", "center", "bottom", "justify", "distributed"};

// A colour element of a palette index: the system colours by their index, the
// others by their RGB value (a changed palette shows as the caller set it).
void Color(TXmlOut& x, std::string_view element, std::uint32_t palette, const TXLSPalette& colors) {
  x << '<' << element;
  if (palette >= kSystemForeground) {
    // Automatic colours (the window's) by their index.
    x << " indexed=\"";
    x.Int(palette == kSystemBackground ? kSystemBackground : kSystemForeground);
  } else {
    x << " rgb=\"" << ArgbOf(colors.GetPaletteColor(static_cast<std::int32_t>(palette)));
  }
  x << "\"/>";
}

// A number of points as the package writes it (10, 10.5).
void Points(TXmlOut& x, double v) { x.Number(v); }

std::string FontXml(const TXLSFontList& fonts, std::int32_t font, const TXLSPalette& colors, bool run) {
  TXmlOut x;
  x << (run ? "<rPr>" : "<font>");
  if (fonts.GetBold(font)) x << "<b/>";
  if (fonts.GetItalic(font)) x << "<i/>";
  if (fonts.GetStrikethrough(font)) x << "<strike/>";
  if (fonts.GetOutLineFont(font)) x << "<outline/>";
  if (fonts.GetShadow(font)) x << "<shadow/>";
  switch (fonts.GetUnderLine(font)) {
    case 0: break;
    case 2: x << "<u val=\"double\"/>"; break;
    case 0x21: x << "<u val=\"singleAccounting\"/>"; break;
    case 0x22: x << "<u val=\"doubleAccounting\"/>"; break;
    default: x << "<u/>"; break;
  }
  if (fonts.GetSuperScript(font))
    x << "<vertAlign val=\"superscript\"/>";
  else if (fonts.GetSubScript(font))
    x << "<vertAlign val=\"subscript\"/>";
  x << "<sz val=\"";
  Points(x, fonts.GetSize(font));
  x << "\"/>";
  const std::int32_t color = fonts.GetColorIndex(font);
  if (color >= 0 && static_cast<std::uint32_t>(color) != kSystemForeground)
    Color(x, "color", static_cast<std::uint32_t>(color), colors);
  x << (run ? "<rFont val=\"" : "<name val=\"");
  x.Text(fonts.GetName(font), true);
  x << "\"/>";
  if (const auto family = fonts.GetFamily(font); family > 0 && family <= 5) {
    x << "<family val=\"";
    x.Int(family);
    x << "\"/>";
  }
  if (const auto charset = fonts.GetCharSet(font); charset != 0) {
    x << "<charset val=\"";
    x.Int(charset);
    x << "\"/>";
  }
  x << (run ? "</rPr>" : "</font>");
  return x.Take();
}

std::int32_t Intern(std::vector<std::string>& list, std::unordered_map<std::string, std::int32_t>& index,
                    std::string xml) {
  const auto [it, added] = index.emplace(xml, static_cast<std::int32_t>(list.size()));
  if (added) list.push_back(std::move(xml));
  return it->second;
}

}  // namespace

std::string ArgbOf(std::uint32_t rgb) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s = "FF";
  for (const std::uint32_t v : {rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF}) {
    s.push_back(kDigits[v >> 4]);
    s.push_back(kDigits[v & 0xF]);
  }
  return s;
}

std::string RunPropertiesXml(TXLSWorkbook& book, std::int32_t font) {
  return FontXml(book.XFList().GetFontList(), font, book.Palette(), true);
}

TXlsxStyles::TXlsxStyles(TXLSWorkbook& book) : book_(book) {
  const TXLSXFList& list = book.XFList();
  const TXLSFontList& fonts = list.GetFontList();
  const TXLSNumFormatList& formats = list.GetNumFormatList();
  const TXLSPalette& colors = book.Palette();
  std::unordered_map<std::string, std::int32_t> fontIndex, fillIndex, borderIndex, formatIndex, xfIndex;
  Intern(fonts_, fontIndex, FontXml(fonts, 0, colors, false));
  Intern(fills_, fillIndex, "<fill><patternFill patternType=\"none\"/></fill>");
  Intern(fills_, fillIndex, "<fill><patternFill patternType=\"gray125\"/></fill>");
  Intern(borders_, borderIndex, "<border><left/><right/><top/><bottom/><diagonal/></border>");
  std::unordered_map<std::int32_t, std::int32_t> customIds;

  byXF_.assign(static_cast<std::size_t>(list.Count()) + 1, 0);
  for (std::int32_t pos = 0; pos < list.ReferredListCount(); ++pos) {
    const TXLSKeyEntry* e = list.GetReferredItem(pos);
    const std::int32_t xf = e ? e->position : 0;
    if (xf < TXLSXFList::kDefaultXF) continue;  // the style formats have no cells

    // Number format: a built-in one by its number, any other with its text.
    std::int32_t numFmt = list.GetNumFormatIndex(xf);
    const std::u16string& code = formats.GetItem(numFmt);
    if (!code.empty()) {
      const std::int32_t id = numFmt < TXLSNumFormatList::kFirstCustom ? numFmt : numFmt + 1;
      if (customIds.emplace(numFmt, id).second) {
        TXmlOut x;
        x << "<numFmt numFmtId=\"";
        x.Int(id);
        x << "\" formatCode=\"";
        x.Text(code, true);
        x << "\"/>";
        numFmts_.push_back(x.Take());
      }
      numFmt = id;
    } else if (numFmt > kLastBuiltinFormat) {
      numFmt = 0;
    }

    const std::int32_t font = Intern(fonts_, fontIndex, FontXml(fonts, list.GetFontIndex(xf), colors, false));

    std::int32_t fill = 0;
    if (const std::int32_t pattern = list.GetInteriorPattern(xf); pattern > 0 && pattern <= 18) {
      // The pattern's colour and the colour behind it; a solid fill shows the first.
      const auto color = static_cast<std::uint32_t>(list.GetInteriorColorIndex(xf));
      const auto patternColor = static_cast<std::uint32_t>(list.GetInteriorPatternColorIndex(xf));
      const std::uint32_t fore = pattern == 1 ? color : patternColor;
      const std::uint32_t back = pattern == 1 ? patternColor : color;
      TXmlOut x;
      x << "<fill><patternFill patternType=\"" << kPatternNames[pattern] << "\">";
      Color(x, "fgColor", fore, colors);
      Color(x, "bgColor", back, colors);
      x << "</patternFill></fill>";
      fill = Intern(fills_, fillIndex, x.Take());
    }

    const xlsBorderBlock bb = list.GetBorderBlock(xf);
    const std::uint32_t w1 = hexkey::Read(bb.c.data(), 8), w2 = hexkey::Read(bb.c.data() + 8, 8);
    std::int32_t border = 0;
    if ((w1 & 0xFFFF) != 0 || ((w2 >> 21) & 0xF) != 0) {
      TXmlOut x;
      x << "<border";
      const bool down = (w1 >> 30) & 1, up = (w1 >> 31) & 1;
      if (up) x << " diagonalUp=\"1\"";
      if (down) x << " diagonalDown=\"1\"";
      x << '>';
      const auto side = [&](std::string_view name, std::uint32_t line, std::uint32_t color) {
        if (line == 0 || line > 13) {
          x << '<' << name << "/>";
          return;
        }
        x << '<' << name << " style=\"" << kLineNames[line] << "\">";
        Color(x, "color", color, colors);
        x << "</" << name << '>';
      };
      side("left", w1 & 0xF, (w1 >> 16) & 0x7F);
      side("right", (w1 >> 4) & 0xF, (w1 >> 23) & 0x7F);
      side("top", (w1 >> 8) & 0xF, w2 & 0x7F);
      side("bottom", (w1 >> 12) & 0xF, (w2 >> 7) & 0x7F);
      side("diagonal", (up || down) ? (w2 >> 21) & 0xF : 0, (w2 >> 14) & 0x7F);
      x << "</border>";
      border = Intern(borders_, borderIndex, x.Take());
    }

    const xlsAlignBlock ab = list.GetAlignBlock(xf);
    const std::uint32_t align = hexkey::Read(ab.c.data(), 2), rotation = hexkey::Read(ab.c.data() + 2, 2),
                        indent = hexkey::Read(ab.c.data() + 4, 2);
    const std::uint32_t horizontal = align & 7, vertical = (align >> 4) & 7;
    const std::uint8_t protection = list.GetProtection(xf);

    TXmlOut x;
    x << "<xf numFmtId=\"";
    x.Int(numFmt);
    x << "\" fontId=\"";
    x.Int(font);
    x << "\" fillId=\"";
    x.Int(fill);
    x << "\" borderId=\"";
    x.Int(border);
    x << "\" xfId=\"0\"";
    if (numFmt != 0) x << " applyNumberFormat=\"1\"";
    if (font != 0) x << " applyFont=\"1\"";
    if (fill != 0) x << " applyFill=\"1\"";
    if (border != 0) x << " applyBorder=\"1\"";
    const bool aligned = horizontal != 0 || vertical != 2 || (align & 8) || rotation != 0 || (indent & 0x1F);
    if (aligned) x << " applyAlignment=\"1\"";
    if (protection != 1) x << " applyProtection=\"1\"";
    if (!aligned && protection == 1) {
      x << "/>";
    } else {
      x << '>';
      if (aligned) {
        x << "<alignment";
        if (horizontal != 0) x << " horizontal=\"" << kHorizontal[horizontal] << '"';
        if (vertical != 2 && vertical <= 4) x << " vertical=\"" << kVertical[vertical] << '"';
        if (rotation != 0 && (rotation <= 180 || rotation == 255)) {
          x << " textRotation=\"";
          x.Int(rotation);
          x << '"';
        }
        if (align & 8) x << " wrapText=\"1\"";
        if (indent & 0xF) {
          x << " indent=\"";
          x.Int(indent & 0xF);
          x << '"';
        }
        if (indent & 0x10) x << " shrinkToFit=\"1\"";
        x << "/>";
      }
      if (protection != 1) {
        x << "<protection";
        if (!(protection & 1)) x << " locked=\"0\"";
        if (protection & 2) x << " hidden=\"1\"";
        x << "/>";
      }
      x << "</xf>";
    }
    // The referred list is in index order: the default cell format comes first
    // and is cellXfs 0, which cells without a format of their own need not name.
    const std::int32_t id = Intern(xfs_, xfIndex, x.Take());
    if (static_cast<std::size_t>(xf) < byXF_.size()) byXF_[static_cast<std::size_t>(xf)] = id;
  }
  if (xfs_.empty()) xfs_.push_back("<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>");
}

std::string TXlsxStyles::Part(const std::vector<std::string>& dxfs) const {
  TXmlOut x;
  x << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
  const auto list = [&x](std::string_view name, const std::vector<std::string>& items) {
    x << '<' << name << " count=\"";
    x.Int(static_cast<std::int64_t>(items.size()));
    x << "\">";
    for (const std::string& s : items) x << s;
    x << "</" << name << '>';
  };
  if (!numFmts_.empty()) list("numFmts", numFmts_);
  list("fonts", fonts_);
  list("fills", fills_);
  list("borders", borders_);
  x << "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>";
  list("cellXfs", xfs_);
  x << "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>";
  if (!dxfs.empty()) list("dxfs", dxfs);
  x << "</styleSheet>";
  return x.Take();
}

}  // namespace tablirex::xlsx

namespace tablirex::xlsx {

const char* LineStyleName(std::uint32_t line) noexcept {
  return line < std::size(kLineNames) ? kLineNames[line] : kLineNames[0];
}

const char* PatternName(std::uint32_t pattern) noexcept {
  return pattern < std::size(kPatternNames) ? kPatternNames[pattern] : kPatternNames[0];
}

void ColorXml(TXmlOut& x, std::string_view element, std::uint32_t palette, const TXLSPalette& colors) {
  Color(x, element, palette, colors);
}

}  // namespace tablirex::xlsx
