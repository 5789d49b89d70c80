// The records that carry a sheet's drawing layer. Excel 97: per sheet, one
// MSODRAWING per shape (the first opening the sheet's drawing container) with
// the shape's OBJ after it, a comment's TXO and its text after its OBJ, then
// one NOTE per comment; in the globals one MSODRAWINGGROUP. Excel 5: NOTE
// records with the text itself, OBJ and IMDATA for bitmaps. Both: the
// autofilter's AUTOFILTERINFO, and its hidden _FilterDatabase name (built by
// the workbook's built-in name code).
#pragma once

#include <cstdint>
#include <string>

#include "biff/record_sink.h"

namespace tablirex {

class IXLSWorksheet;
class TXLSDrawingGroup;
class TXLSSheetDrawing;
struct TXLSArea;
struct TXLSAutoFilter;
struct TXLSComment;
struct TXLSNameArea;

/// The cells an autofilter covers at save, on any grid: its header row down to
/// its last row, or, when it was given as the header alone, down to the sheet's
/// last cell.
TXLSArea FilterCells(IXLSWorksheet& sheet, const TXLSAutoFilter& filter);

/// FilterCells, cut to the Excel 97 grid.
TXLSNameArea FilterNameArea(IXLSWorksheet& sheet, const TXLSAutoFilter& filter);

/// The text of the comment at (row, col) as files keep it: line breaks as LF,
/// cut to kMaxCommentText with a warning. Returns 1, or a strict save's failure.
[[nodiscard]] std::int32_t CommentFileText(IXLSWorksheet& sheet, std::uint32_t row, std::uint32_t col,
                                           const TXLSComment& comment, std::u16string& text);

/// AUTOFILTERINFO with the number of drop-downs; nothing without an autofilter.
[[nodiscard]] std::int32_t StoreAutoFilterInfo(const TXLSSheetDrawing* drawing, IRecordSink& sink);

/// The sheet's drawing records after its cells, in the form of the save in
/// progress. Shape ids and images come from the workbook's drawing group (Excel
/// 97). What the form cannot hold is left out with a warning (TXLSWorkbook::
/// Warn): a comment text past 32767 characters is cut; in Excel 5 PNG and JPEG
/// pictures, comment authors and shown comments, and the drop-down arrows of an
/// autofilter. Returns 1, or the failure (a strict save's warning, more objects
/// on the sheet than a file can number).
[[nodiscard]] std::int32_t StoreSheetDrawing(IXLSWorksheet& sheet, IRecordSink& sink);

/// MSODRAWINGGROUP (continued in CONTINUE records past the record limit);
/// nothing when no sheet has a drawing.
[[nodiscard]] std::int32_t StoreDrawingGroup(const TXLSDrawingGroup& group, IRecordSink& sink);

}  // namespace tablirex
