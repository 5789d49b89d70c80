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
