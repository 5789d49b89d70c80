// Parts of a package and what a sheet's features add to its worksheet part.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tablirex { class TXLSWorkbook; class IXLSWorksheet; }

namespace tablirex::xlsx {

/// One part of the package: its name inside the zip ("xl/comments1.xml"), its
/// content type (for [Content_Types].xml: an Override, or a Default for the
/// extension when `defaultExtension` is set), its bytes.
struct TPart {
  std::string name;
  std::string contentType;
  std::string data;
  bool defaultExtension = false;  // media: "png" -> Default Extension="png"
  bool store = false;             // already compressed (images): stored, not deflated
};

/// A relationship of the worksheet part (xl/worksheets/_rels/sheetN.xml.rels).
struct TRelationship {
  std::string id;        // "rIdN", unique within the sheet's relationships
  std::string type;      // full relationship type URI
  std::string target;    // relative to xl/worksheets/, or an external URL
  bool external = false; // TargetMode="External"
};

/// What one sheet's features put into its worksheet part, each an XML fragment
/// written at its place in the schema's element order (empty: nothing), plus the
/// parts and relationships they need.
struct TSheetExtras {
  std::string autoFilter;              // <autoFilter .../>          after sheetProtection
  std::string conditionalFormatting;   // <conditionalFormatting>... after phoneticPr/mergeCells
  std::string dataValidations;         // <dataValidations>...       after conditionalFormatting
  std::string hyperlinks;              // <hyperlinks>...            after dataValidations
  std::string drawing;                 // <drawing r:id=.../>        after colBreaks
  std::string legacyDrawing;           // <legacyDrawing r:id=.../>  after drawing
  std::vector<TRelationship> relationships;
  std::vector<TPart> parts;
};

/// Shared state of one save: numbers parts across sheets, collects the dxf
/// styles conditional formats use (styles.xml writes them as <dxfs>), and lets
/// the same image be stored once.
struct TPackageState {
  std::int32_t nextComments = 1;   // commentsN.xml / vmlDrawingN.vml
  std::int32_t nextDrawing = 1;    // drawingN.xml
  std::int32_t nextImage = 1;      // mediaN
  std::vector<std::string> dxfs;   // each a <dxf>...</dxf>; a CF rule's dxfId is its index
  std::vector<std::pair<std::string, std::string>> imagesByDigest;  // digest -> part name
  std::int32_t nextShapeBlock = 1;  // the legacy drawings' note shapes: blocks of 1024 ids
};

/// Writes the features of one sheet (comments, pictures, autofilter, hyperlinks,
/// validations, conditional formats); relationship ids start at `firstRelId`.
/// Returns false with `error` set when the sheet cannot be written; what the
/// format cannot hold is reported through the workbook's warnings.
bool WriteSheetExtras(TXLSWorkbook& book, IXLSWorksheet& sheet, std::int32_t sheetNumber,
                      std::int32_t firstRelId, TPackageState& state, TSheetExtras& out,
                      std::string& error);

}  // namespace tablirex::xlsx
