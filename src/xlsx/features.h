// The writers of one sheet's features for the workbook package, each filling
// its share of TSheetExtras. They read the object model through the same
// accessors as the Excel 97 writer and return 1, or -1 with the workbook's last
// error set (a strict save's warning, a feature the package cannot hold).
#pragma once

#include <cstdint>
#include <string>

#include "xlsx/features_xml.h"
#include "xlsx/xlsx_parts.h"

namespace tablirex {
struct TXLSConditionStyle;
class TXLSPalette;
}  // namespace tablirex

namespace tablirex::xlsx {

/// What every feature writer of one sheet shares.
struct TFeatureContext {
  TXLSWorkbook& book;
  IXLSWorksheet& sheet;
  std::int32_t sheetNumber;
  TPackageState& state;
  TSheetExtras& out;
  TRelIds rels;
};

/// commentsN.xml, the vmlDrawingN.vml that shows the comments, <legacyDrawing>.
[[nodiscard]] std::int32_t WriteComments(TFeatureContext& ctx);
/// drawingN.xml with one anchored picture each, its relationships, the images
/// (each stored once per package), <drawing>.
[[nodiscard]] std::int32_t WritePictures(TFeatureContext& ctx);
/// <autoFilter ref=...>.
void WriteAutoFilter(TFeatureContext& ctx);
/// <hyperlinks> and the relationships of links that leave the workbook.
[[nodiscard]] std::int32_t WriteHyperlinks(TFeatureContext& ctx);
/// <dataValidations>.
[[nodiscard]] std::int32_t WriteValidations(TFeatureContext& ctx);
/// <conditionalFormatting> elements, their dxf styles added to the package's.
[[nodiscard]] std::int32_t WriteConditionalFormats(TFeatureContext& ctx);

/// The <dxf> a condition's style becomes: font, fill and border in that order,
/// each only when the condition changes it. Colours come from the palette.
std::string DxfXml(const TXLSConditionStyle& style, const TXLSPalette& palette);

}  // namespace tablirex::xlsx
