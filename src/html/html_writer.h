// The HTML writer: a worksheet as one page (a style sheet with a CSS class per
// extended format in use and a table of the used range), and a workbook of
// several sheets as a frameset with a tab strip and one page per sheet.
//
// Pages are UTF-8 text declaring their character set, lines ended with CR LF.
// Builders return the bytes of a page; the Save… functions write them (every
// page of a save in one step) and raise EFileError when a file or directory
// cannot be written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex {

class TXLSWorkbook;
class IXLSWorksheet;
class IXLSRange;
struct TXLSImage;

/// The image files of the pictures of one HTML save: each image once, named
/// image001.png, image002.jpg ... in the order the pages first show them.
class THTMLImages {
 public:
  /// prefix: how the pages reach the folder the files go to ("" when the pages
  /// lie in it, "B.files/" for a single page beside it; already URL-encoded).
  explicit THTMLImages(std::string prefix) : prefix_(std::move(prefix)) {}
  struct TFile {
    std::string name;
    std::shared_ptr<const TXLSImage> image;
  };
  /// The URL a page uses for the image, naming its file on first use.
  std::string UrlOf(const std::shared_ptr<const TXLSImage>& image);
  const std::vector<TFile>& Files() const noexcept { return files_; }

 private:
  std::string prefix_;
  std::vector<TFile> files_;
};

// ---- texts ----------------------------------------------------------------------------

/// How the line breaks of a text (CR LF, CR or LF) are written.
enum class TLineBreaks {
  Break,  ///< as <br>: the text wraps
  Space,  ///< as one space: the text stays on one line
  Entity, ///< as &#10;: a line break inside an attribute (a tooltip)
};
/// Escapes a UTF-8 text for an HTML page: & < > " become entities, line breaks
/// become <br> or a space.
std::string EscapeHTML(std::string_view text, TLineBreaks breaks = TLineBreaks::Break);
/// Six upper-case hexadecimal digits RRGGBB of an RGB value (red in bits 0-7).
std::string HTMLColor(std::uint32_t rgb);
/// CSS width of a border line: "#.#" points of the weight (hairline .1, thin .5,
/// medium 1.5, thick 2), 1.5 more for a double line, then "pt". A double line
/// is never narrower than 2.3pt (3 pixels), the least width that browsers draw
/// as two lines.
std::string HTMLBorderWidth(std::int32_t weight, std::int32_t lineStyle);
/// CSS style word of a line style ("solid", "dashed", "double", "dotted" or "").
std::string_view HTMLBorderStyle(std::int32_t lineStyle);
/// A number with at least three digits: 7 gives "007", 1234 "1234".
std::string SheetNumberText(std::int32_t position);

// ---- the sheet page ------------------------------------------------------------------------

/// The CSS rule (one line, ended with CR LF) of an XF, read through a one-cell
/// range that has it: font, alignment, colours, borders and wrapping.
std::string GetCSSItem(IXLSWorksheet& sheet, std::int32_t xfIndex, IXLSRange& cell);
/// The rule every cell starts from (one line, ended with CR LF): the workbook's
/// default font, bottom alignment, one line, text cut at the cell's edge, and
/// padding that keeps neighbouring texts apart.
std::string DefaultCSSItem(TXLSWorkbook& workbook);
/// The text of a text cell whose parts have fonts of their own, one span per
/// part, escaped as EscapeHTML does; empty for any other cell, or when the
/// shown text (after the number format) is not the cell's text.
std::string RichTextHTML(IXLSWorksheet& sheet, std::int32_t row, std::int32_t col, std::string_view shown,
                         TLineBreaks breaks);
/// The page of a sheet's used range. Hidden rows and columns are left out
/// (merged areas span the visible ones); a text on one line spills over the
/// empty cells beside it, as far as it needs, and is cut at the first cell that
/// is not empty. Hyperlinks, conditional formats and validation prompts show as
/// far as a page can show them (html_extras.h); allPages: every sheet of the
/// workbook has its page SheetNNN.htm beside this one, so links may lead there.
/// A cell's comment is its cell's tooltip (title); with images, the sheet's
/// pictures are drawn from their cells (at their offsets and sizes) and images
/// names their files; a picture whose cell is hidden is left out with a warning.
std::string BuildSheetHTML(IXLSWorksheet& sheet, bool allPages = false, THTMLImages* images = nullptr);

// ---- the frameset ----------------------------------------------------------------------

/// The tab strip page: one link per visible sheet, to SheetNNN.htm in the frame
/// frSheet (hidden sheets have no tab; a tab's colour shows as a bar under it);
/// the tab of the sheet shown is marked (first the active sheet's, then the
/// one last clicked).
std::string BuildNavigateHTML(TXLSWorkbook& workbook);
/// The frameset page: the active sheet's page over the tab strip, both in the
/// folder relativeFolder (a relative URL, already encoded); headLines (the
/// document's title and meta elements) go into its head.
std::string BuildMainHTML(std::string_view relativeFolder, std::int32_t activePosition,
                          std::string_view headLines = {});
/// A path component as a relative URL: bytes other than letters, digits and
/// - . _ ~ become %XX.
std::string EncodeURLComponent(std::string_view utf8);

/// One sheet: its page at fileName. Several: the frameset at fileName, the tab
/// strip and the sheet pages in the folder beside it. A workbook without sheets
/// gets a Sheet1 first, as a workbook file save does. Everything is written
/// in one step (THTMLSave); a file name that names no file (blanks, a NUL
/// character) raises EFileError before anything changes.
void SaveWorkbookAsHTML(TXLSWorkbook& workbook, std::string_view fileName);
/// The formula results the pages show, worked out for their writing (unless the
/// workbook shows formula text, or a save has worked them out already).
class THTMLEvaluation {
 public:
  explicit THTMLEvaluation(TXLSWorkbook& workbook);
  ~THTMLEvaluation();
  THTMLEvaluation(const THTMLEvaluation&) = delete;
  THTMLEvaluation& operator=(const THTMLEvaluation&) = delete;

 private:
  TXLSWorkbook& workbook_;
  bool owned_ = false;
};
/// Writes one sheet as one page (IXLSWorksheet::SaveAsHTML within a save whose
/// warnings have begun). Raises EFileError as that does.
void SaveSheetAsHTML(IXLSWorksheet& sheet, std::string_view fileName);
class THTMLSave;
/// Writes the image files the pages of a save named into its folder.
void SaveImageFiles(THTMLSave& save, const THTMLImages& images);
/// Raises EFileError with the reason when a strict save has met a warning.
void ThrowIfStrictLoss(TXLSWorkbook& workbook, std::string_view fileName);

}  // namespace tablirex
