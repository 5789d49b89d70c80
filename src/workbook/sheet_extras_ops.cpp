// The sheet's extras under the structural range operations.
#include "tablirex/limits.h"
#include "tablirex/worksheet.h"
#include "workbook/sheet_extras.h"

namespace tablirex {

void ShiftSheetExtras(IXLSWorksheet& sheet, TXLSCellShift::Kind kind, const TXLSArea& block) {
  if (!sheet.ExtrasIfAny()) return;
  TXLSSheetExtras& x = sheet.Extras();
  const TXLSCellShift shift{kind, block, XLSXMaxRow, XLSXMaxCol};
  x.hyperlinks.Shift(shift);
  x.validations.Shift(shift);
  x.conditions.Shift(shift);
}

void PasteSheetExtras(IXLSWorksheet& from, IXLSWorksheet& to, const TXLSArea& source, const TXLSArea& dest,
                      bool copy) {
  if (!from.ExtrasIfAny() && !to.ExtrasIfAny()) return;
  TXLSSheetExtras& src = from.Extras();
  TXLSSheetExtras& dst = to.Extras();
  // Read what the source holds before anything changes: the destination may
  // overlap it.
  const TXLSPaste paste{source, dest};
  std::vector<TXLSHyperlinkData> links = src.hyperlinks.Pasted(paste);
  std::vector<TXLSValidationRule> rules = src.validations.Pasted(paste);
  std::vector<TXLSConditionalFormat> formats = src.conditions.Pasted(paste);
  if (!copy) {
    src.hyperlinks.RemoveStartingIn(source);
    src.validations.RemoveCells(source);
    src.conditions.RemoveCells(source);
  }
  dst.hyperlinks.RemoveStartingIn(dest);
  dst.validations.RemoveCells(dest);
  dst.conditions.RemoveCells(dest);
  for (TXLSHyperlinkData& l : links) dst.hyperlinks.Add(std::move(l));
  for (TXLSValidationRule& r : rules) dst.validations.Add(std::move(r));
  for (TXLSConditionalFormat& f : formats) dst.conditions.Append(std::move(f));
}

}  // namespace tablirex
