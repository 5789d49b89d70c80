// The parts of a rich text on an HTML page: one span per formatting run.
#include <cmath>
#include <string>

#include "cells/cell_store.h"
#include "cells/rich_text.h"
#include "cells/sst.h"
#include "formats/font_list.h"
#include "formats/palette.h"
#include "html/html_writer.h"
#include "tablirex/colors.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"

namespace tablirex {
namespace {

constexpr std::int32_t kPaletteOffset = 7;

// The style of one run's font; every property is given, so a span shows its
// font whatever the cell's class says.
std::string RunStyle(const TXLSFontList& fonts, const TXLSPalette& palette, std::int32_t font) {
  std::string name;
  for (const char c : Utf16ToUtf8(fonts.GetName(font)))
    if (static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\'' && c != ';' && c != '<' && c != '>' &&
        c != '&' && c != '\\')
      name.push_back(c);
  std::string style = "font-family: " + name + "; font-size: " +
                      std::to_string(static_cast<long long>(std::lround(fonts.GetSize(font)))) + "pt; ";
  style += fonts.GetBold(font) ? "font-weight: bold; " : "font-weight: normal; ";
  style += fonts.GetItalic(font) ? "font-style: italic; " : "font-style: normal; ";
  const bool under = fonts.GetUnderLine(font) != 0, strike = fonts.GetStrikethrough(font);
  if (under || strike)
    style += std::string("text-decoration: ") + (under ? "underline" : "") + (under && strike ? " " : "") +
             (strike ? "line-through" : "") + "; ";
  if (fonts.GetSuperScript(font))
    style += "vertical-align: super; ";
  else if (fonts.GetSubScript(font))
    style += "vertical-align: sub; ";
  const std::int32_t stored = fonts.GetColorIndex(font);
  if (stored != xlColorIndexAutomatic) {
    const std::int32_t index = stored <= kPaletteOffset ? stored : stored - kPaletteOffset;
    style += "color: #" + HTMLColor(palette.GetCustomColor(index)) + "; ";
  }
  style.pop_back();
  return style;
}

}  // namespace

std::string RichTextHTML(IXLSWorksheet& sheet, std::int32_t row, std::int32_t col, std::string_view shown,
                         TLineBreaks breaks) {
  const TXLSCellRef* cell = sheet.Cells().GetValue(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col));
  if (!cell || cell->ValueType != xlString) return {};
  TXLSWorkbook& wb = sheet.Workbook();
  const TXLSStringTable& sst = wb.StringTable();
  const TXLSRichRuns* runs = sst.GetRuns(cell->SSTIndex);
  const std::u16string_view text = sst.GetValue(cell->SSTIndex);
  // A number format that changes the text leaves it without its parts' fonts.
  if (!runs || Utf16ToUtf8(text) != shown) return {};
  const TXLSFontList& fonts = wb.XFList().GetFontList();
  std::string out;
  std::size_t from = 0;
  for (std::size_t k = 0; k <= runs->size(); ++k) {
    const std::size_t to = k < runs->size() ? (*runs)[k].First : text.size();
    if (to > from) {
      const std::string part = EscapeHTML(Utf16ToUtf8(text.substr(from, to - from)), breaks);
      // Characters before the first run show in the cell's font.
      out += k == 0 ? part : "<span style=\"" + RunStyle(fonts, wb.Palette(), (*runs)[k - 1].Font) + "\">" + part + "</span>";
    }
    from = std::max(from, to);
  }
  return out;
}

}  // namespace tablirex
