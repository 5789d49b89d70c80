// What a sheet holds besides its cells and layout: hyperlinks, data validations,
// conditional formats and the names local to it. Plain data that every writer
// reads; the sheet makes it on first use.
#pragma once

#include "conditional/condition_list.h"
#include "hyperlinks/hyperlink_list.h"
#include "names/name_table.h"
#include "validation/validation_list.h"

namespace tablirex {

struct TXLSSheetExtras {
  TXLSHyperlinkList hyperlinks;
  TXLSValidationList validations;
  TXLSConditionalFormatList conditions;
  /// Names of this sheet's own.
  TXLSNameList names;

  bool Empty() const noexcept {
    return hyperlinks.Empty() && validations.Empty() && conditions.Empty() && names.Empty();
  }
};

}  // namespace tablirex

namespace tablirex {

class IXLSWorksheet;

/// What an Insert (kind InsertDown, InsertRight) or Delete (DeleteUp,
/// DeleteLeft) of the block does to the sheet's extras: validations and
/// conditional formats move and grow with their cells (inserted cells take those
/// of the cells they take their format from), hyperlinks move with their first
/// cell, and nothing reaches past the sheet.
void ShiftSheetExtras(IXLSWorksheet& sheet, TXLSCellShift::Kind kind, const TXLSArea& block);
/// What a paste of the formats from the source cells (the used part of the
/// source) to the destination does: the extras of the source cells are carried
/// to the destination cells, repeated as the cells are, replacing the
/// destination's own; a move (copy false) takes them from the source cells.
void PasteSheetExtras(IXLSWorksheet& from, IXLSWorksheet& to, const TXLSArea& source, const TXLSArea& dest,
                      bool copy);

}  // namespace tablirex
