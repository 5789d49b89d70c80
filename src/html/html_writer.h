// The HTML writer: a worksheet as one page (a style sheet with a CSS class per
// extended format in use and a table of the used range), and a workbook of
// several sheets as a frameset with a tab strip and one page per sheet.
//
// Pages are 8-bit text in the workbook's code page, lines ended with CR LF.
// Builders return the bytes of a page; the Create… and Save… functions write
// them and raise EFileError when a file or directory cannot be written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tablirex {

class TXLSWorkbook;
class IXLSWorksheet;
class IXLSRange;

// ---- texts ----------------------------------------------------------------------------

/// Escapes a UTF-8 text for an HTML page: & < > " become entities, CR LF and a
/// lone CR become <br>; a lone LF stays.
std::string EscapeHTML(std::string_view text);
/// UTF-8 text as bytes of the code page; characters the page lacks become
/// numeric character references (&#8364;), so that no character is lost.
std::string EncodeHTMLText(std::string_view text, std::uint16_t codePage);
/// Six upper-case hexadecimal digits RRGGBB of an RGB value (red in bits 0-7).
std::string HTMLColor(std::uint32_t rgb);
/// CSS width of a border line: "#.#" points of the weight (hairline .1, thin .5,
/// medium 1.5, thick 2), 1.5 more for a double line, then "pt".
std::string HTMLBorderWidth(std::int32_t weight, std::int32_t lineStyle);
/// CSS style word of a line style ("solid", "dashed", "double", "dotted" or "").
std::string_view HTMLBorderStyle(std::int32_t lineStyle);
/// A number with at least three digits: 7 gives "007", 1234 "1234".
std::string SheetNumberText(std::int32_t position);

// ---- the sheet page ------------------------------------------------------------------------

/// The CSS rule (one line, ended with CR LF) of an XF, read through a one-cell
/// range that has it: font, alignment, colours, borders and wrapping.
std::string GetCSSItem(IXLSWorksheet& sheet, std::int32_t xfIndex, IXLSRange& cell);
/// The page of a sheet's used range.
std::string BuildSheetHTML(IXLSWorksheet& sheet);

// ---- the frameset ----------------------------------------------------------------------

/// The tab strip page: one link per sheet, to SheetNNN.htm in the frame frSheet.
std::string BuildNavigateHTML(TXLSWorkbook& workbook);
/// The frameset page: the active sheet's page over the tab strip, both in the
/// folder relativeFolder (a relative URL, already encoded).
std::string BuildMainHTML(std::string_view relativeFolder, std::int32_t activePosition);
/// A path component as a relative URL: bytes other than letters, digits and
/// - . _ ~ become %XX.
std::string EncodeURLComponent(std::string_view utf8);

/// Writes the tab strip page to fileName.
void CreateNavigateHTML(TXLSWorkbook& workbook, const std::string& fileName);
/// Writes the frameset page to fileName; its frames refer to the folder
/// B.files beside it (B being fileName's base name).
void CreateMainHTML(TXLSWorkbook& workbook, const std::string& fileName);
/// One sheet: its page at fileName. Several: the frameset at fileName, the tab
/// strip and the sheet pages in the folder beside it. No sheet: nothing.
void SaveWorkbookAsHTML(TXLSWorkbook& workbook, std::string_view fileName);

}  // namespace tablirex
