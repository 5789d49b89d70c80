// The autofilter's range and the sheet's hyperlinks: links that leave the
// workbook as external relationships, places in it as locations.
#include "drawing/drawing_model.h"
#include "drawing/drawing_records.h"
#include "range/areas.h"
#include "text/text.h"
#include "tablirex/result.h"
#include "tablirex/worksheet.h"
#include "workbook/sheet_extras.h"
#include "xlsx/features.h"

namespace tablirex::xlsx {
namespace {

constexpr std::string_view kHyperlinkType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink";

}  // namespace

void WriteAutoFilter(TFeatureContext& ctx) {
  const TXLSSheetDrawing* drawing = ctx.sheet.DrawingIfAny();
  const TXLSAutoFilter* filter = drawing ? drawing->AutoFilter() : nullptr;
  if (!filter) return;
  ctx.out.autoFilter = "<autoFilter ref=\"" + AreaText(FilterCells(ctx.sheet, *filter)) + "\"/>";
}

std::int32_t WriteHyperlinks(TFeatureContext& ctx) {
  const TXLSSheetExtras* extras = ctx.sheet.ExtrasIfAny();
  if (!extras || extras->hyperlinks.Empty()) return xlsOK;
  TXmlOut x;
  x << "<hyperlinks>";
  for (const TXLSHyperlinkData& l : extras->hyperlinks.Items()) {
    x << "<hyperlink ref=\"" << AreaText(l.anchor) << '"';
    if (l.Kind() != TXLSLinkKind::Place)
      x << " r:id=\"" << ctx.rels.Add(ctx.out, kHyperlinkType, Utf16ToUtf8(l.address), true) << '"';
    if (!l.subAddress.empty()) Attr(x, "location", l.subAddress);
    if (!l.screenTip.empty()) Attr(x, "tooltip", l.screenTip);
    if (!l.textToDisplay.empty()) Attr(x, "display", l.textToDisplay);
    x << "/>";
  }
  x << "</hyperlinks>";
  ctx.out.hyperlinks = x.Take();
  return xlsOK;
}

}  // namespace tablirex::xlsx
