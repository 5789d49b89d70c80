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

// The target of a link that leaves the workbook. A target is read as a URI: an
// absolute path ("C:\docs\a.xls", "\\server\share\a.xls") would read as
// one of the scheme "c" or as nothing, so it is given the file scheme; other
// addresses stay as they are (a relative path is relative to the workbook).
std::string ExternalTarget(const TXLSHyperlinkData& l) {
  std::string t = Utf16ToUtf8(l.address);
  const bool drive = t.size() >= 3 && ((t[0] >= 'A' && t[0] <= 'Z') || (t[0] >= 'a' && t[0] <= 'z')) &&
                     t[1] == ':' && (t[2] == '\\' || t[2] == '/');
  const bool share = t.size() >= 2 && (t[0] == '\\' || t[0] == '/') && t[1] == t[0];
  if (l.Kind() == TXLSLinkKind::File && (drive || share)) t.insert(0, "file:///");
  return t;
}

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
      x << " r:id=\"" << ctx.rels.Add(ctx.out, kHyperlinkType, ExternalTarget(l), true) << '"';
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
