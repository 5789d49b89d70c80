// What a sheet page shows of the sheet's hyperlinks, conditional formats and
// validations: links as <a href> (web, mail, FTP and places in the workbook
// only), the format of the first condition that holds as the cell's style, a
// validation's prompt as the cell's tip. What a page cannot show is a warning.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tablirex/variant.h"

namespace tablirex {

class IXLSWorksheet;
struct TXLSSheetExtras;
struct TXLSConditionalFormat;
struct TXLSCondition;
struct TXLSHyperlinkData;

/// Whether a condition holds for the cell at (row, col), which shows value; no
/// value when the page cannot tell: operands that are not constants (a number or
/// a string), and formula cells or expressions while no results are worked out
/// (the pages show formula text) or without a result.
std::optional<bool> ConditionHolds(IXLSWorksheet& sheet, const TXLSConditionalFormat& format,
                                   const TXLSCondition& condition, std::uint32_t row, std::uint32_t col,
                                   const TVariant& value);

/// The CSS declarations of what a condition changes ("font-weight: bold; ...").
std::string ConditionCSS(IXLSWorksheet& sheet, const TXLSCondition& condition);

/// A URL made safe inside a double-quoted attribute: control characters, blanks
/// and quotes percent-encoded, & < > as entities.
std::string EscapeURLAttribute(std::string_view url);

/// The page's view of one sheet's extras.
class THTMLExtras {
 public:
  /// allPages: every sheet of the workbook has its page SheetNNN.htm beside this
  /// one (a frameset); otherwise only this sheet is written.
  THTMLExtras(IXLSWorksheet& sheet, bool allPages);
  bool Empty() const noexcept { return extras_ == nullptr && targets_.empty(); }
  /// Attributes for the cell's td (id of a link target, title of a prompt, the
  /// style of a condition that holds), each followed by a blank.
  std::string CellAttributes(std::uint32_t row, std::uint32_t col, const TVariant& value);
  /// The escaped text, in a link when the cell is a link's anchor and its target
  /// may be linked to.
  std::string LinkText(std::uint32_t row, std::uint32_t col, const std::string& escaped);
  /// Records the warnings of what the page left out.
  void Warn();

 private:
  std::string Href(const TXLSHyperlinkData& link);

  IXLSWorksheet& sheet_;
  const TXLSSheetExtras* extras_;
  bool allPages_;
  // Cells of this sheet that links point at, as "A1" texts and positions.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> targets_;
  std::vector<std::uint64_t> undecided_;  // conditions the page could not decide
  std::vector<std::uint64_t> unlinked_;   // links written as text
};

}  // namespace tablirex
