// Ranges: short-lived views of a rectangle of cells on one worksheet.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/limits.h"
#include "tablirex/object.h"
#include "tablirex/variant.h"

namespace tablirex {

class IXLSFont;
class IXLSInterior;
class IXLSBorders;
class IXLSCharacters;
class IXLSValidation;
class IXLSFormatConditions;

/// Shift codes of IXLSRange::Delete (up, left) and IXLSRange::Insert (down,
/// right): the object model's standard values. Any other value chooses by the
/// range's shape (whole columns shift sideways, anything else vertically).
enum TXLSShift : std::int32_t {
  xlShiftUp = -4162,
  xlShiftToLeft = -4159,
  xlShiftDown = -4121,
  xlShiftToRight = -4161,
};

/// What IXLSRange::PasteFrom, Copy and Move carry over; a bit set.
enum TXLSPasteFlags : std::int32_t {
  xlPasteFormats = 1,
  xlPasteValues = 2,
  xlPasteColumnWidths = 4,
  xlPasteNumberFormats = 8,
  /// What Copy and Move carry without flags: formats, values and column widths.
  xlPasteDefault = 7,
};

/// A rectangle of cells on one worksheet. Ranges own no cells: every operation goes
/// through the worksheet's cell store, the shared string table and the row and
/// column lists. Rows and columns are zero-based in GetFirstRow/GetLastRow/
/// GetFirstCol/GetLastCol and one-based in GetItem, GetRow and GetColumn. A range
/// (and the font, border and interior views taken from it) may outlive its sheet:
/// once the sheet is deleted or the workbook destroyed it touches nothing of
/// theirs, and every operation fails: setters change nothing, getters return
/// null, 0 or false.
class IXLSRange : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;

  /// Pastes the source range's contents here (TXLSPasteFlags select values, formats,
  /// number formats and column widths; copy keeps the source, otherwise the source
  /// cells are emptied). A smaller source is repeated over this range, a larger one
  /// cut to its size; the source may lie on another sheet of the same workbook and
  /// may overlap this range. A source of another workbook is ignored. Merged areas
  /// this range touches are dissolved first (their values stay in their top-left
  /// cells); with formats, the merged areas wholly inside the source are merged
  /// again here, in every repetition that holds them whole; a move dissolves the
  /// areas of the source cells it empties.
  virtual void PasteFrom(IXLSRange* source, std::int32_t flags, bool copy) = 0;
  /// The single cell at (row, col), one-based relative to this range's first corner.
  virtual Ref<IXLSRange> GetItem(std::uint32_t row, std::uint16_t col) = 0;
  /// Sets every cell to the value; arrays of one or two dimensions are spread over
  /// the cells ("#N/D" where an array is too short). Texts beginning with "=" are
  /// formulas: one that cannot be written (a syntax error, an unknown function, a
  /// wrong argument count, a cell outside the sheet ...) is refused, the cells
  /// keep their values, and the workbook's GetLastError names the cell and the fault.
  virtual void SetValue(const TVariant& value) = 0;
  /// The value of a single cell (null when empty), or a two-dimensional array.
  virtual TVariant GetValue() = 0;
  virtual Ref<IXLSRange> GetEntireRow() = 0;
  virtual Ref<IXLSRange> GetEntireColumn() = 0;
  virtual Ref<IXLSRange> GetRows() = 0;
  virtual Ref<IXLSRange> GetColumns() = 0;
  /// A range cached by this range, moved by every call: two calls return the same object.
  virtual Ref<IXLSRange> GetOffsetRange(std::int32_t rowOffset, std::int32_t colOffset) = 0;
  /// Moves the range so that its first corner is (row, col), zero-based.
  virtual void ShiftTo(std::uint32_t row, std::uint16_t col) = 0;
  /// One-based first row and column.
  virtual std::int32_t GetRow() = 0;
  virtual std::int32_t GetColumn() = 0;
  virtual std::int32_t GetCount() = 0;
  virtual Ref<IXLSFont> GetFont() = 0;
  virtual Ref<IXLSInterior> GetInterior() = 0;
  virtual TVariant GetColumnWidth() = 0;
  virtual void SetColumnWidth(const TVariant& value) = 0;
  virtual TVariant GetRowHeight() = 0;
  virtual void SetRowHeight(const TVariant& value) = 0;
  virtual TVariant GetHidden() = 0;
  virtual void SetHidden(const TVariant& value) = 0;
  virtual TVariant GetWrapText() = 0;
  virtual void SetWrapText(const TVariant& value) = 0;
  virtual TVariant GetOrientation() = 0;
  virtual void SetOrientation(const TVariant& value) = 0;
  virtual Ref<IXLSBorders> GetBorders() = 0;
  virtual TVariant GetNumFormat() = 0;
  virtual void SetNumFormat(std::string_view text) = 0;
  virtual TVariant GetHAlign() = 0;
  virtual void SetHAlign(const TVariant& value) = 0;
  virtual TVariant GetVAlign() = 0;
  virtual void SetVAlign(const TVariant& value) = 0;
  virtual Ref<IXLSRange> GetCells() = 0;
  /// Grows the range over the merged areas it touches and merges it into one area
  /// (across: one area per row). The top-left cell (each row's first) keeps its
  /// value; the other cells are emptied and keep their formats.
  virtual void Merge(bool across) = 0;
  /// Makes the range (extended over merged areas) the worksheet's selection.
  virtual void Select() = 0;
  /// Empties every existing cell of the range; formats stay. Creates no cell.
  virtual void ClearContents() = 0;
  /// Empties every existing cell and drops its format. Creates no cell.
  virtual void Clear() = 0;
  /// Inserts empty cells in the range's place, shifting the cells from there to
  /// the end of the used area down or right (TXLSShift). The new cells take the
  /// formats of the row above (column to the left). False, with nothing changed,
  /// when cells would be pushed past row 65536 or column IV.
  virtual TVariant Insert(std::int32_t shift) = 0;
  /// Deletes the range's cells, moving the cells below (to the right) up (left)
  /// into their place (TXLSShift). Merged areas crossing the moved block's border
  /// are dissolved first. Returns true.
  virtual TVariant Delete(std::int32_t shift) = 0;
  /// destination->PasteFrom(this, xlPasteDefault or flags, false / true).
  virtual void Move(IXLSRange* destination) = 0;
  virtual void Copy(IXLSRange* destination) = 0;
  virtual void Move(IXLSRange* destination, std::int32_t flags) = 0;
  virtual void Copy(IXLSRange* destination, std::int32_t flags) = 0;
  /// Zero-based corners, first <= last (a range made from B2:A1 is A1:B2).
  virtual std::int32_t GetFirstCol() = 0;
  virtual std::int32_t GetLastCol() = 0;
  virtual std::int32_t GetFirstRow() = 0;
  virtual std::int32_t GetLastRow() = 0;
  /// Dissolves every merged area with a cell in the range (also the parts outside
  /// it). Covered cells stay empty.
  virtual void Unmerge() = 0;
  /// The XF-list index of the format the top-left cell shows (its own, else its
  /// column's, else its row's; 0 when none).
  virtual std::int32_t XFIndex() = 0;
  /// Sets every cell to the text exactly as given (UTF-8): unlike SetValue, a text
  /// beginning with "=" stays a text and is never compiled as a formula. Use it for
  /// texts that come from data rather than from the program.
  virtual void SetText(std::string_view text) = 0;
  /// Gives every cell of the range (creating the cells) the extended format at that
  /// XF-list index as a format of its own: the index XFIndex() reports, so a format
  /// read from one cell can be given to others without setting its properties one
  /// by one. Covered cells of merged areas are left alone; an index that names no
  /// format is ignored.
  virtual void SetXFIndex(std::int32_t xf) = 0;
  /// Sets each of the range's columns as wide as the widest text its cells in the
  /// range show (whole columns: every cell of the column): texts by their longest
  /// line, numbers, dates and booleans as the sheet shows them through their number
  /// formats, each scaled by its font's size (10 points counting 1) and a tenth more
  /// when bold; at least 2 and at most 80 characters. A column without a value in the
  /// range keeps its width; merged cells and formulas are not measured; row
  /// heights stay. Returns 1, or -1 once the sheet is deleted.
  virtual std::int32_t AutoFit() = 0;

  // ---- outline and rich text ------------------------------------------------------
  /// Groups the range's whole rows (2:5) or whole columns (B:D) one outline level
  /// deeper, 7 levels at most (IXLSWorksheet::GetOutline for the summary
  /// settings). Returns 1, or -1 with the reason left with the workbook (a range
  /// of cells, a row or column grouped 7 levels deep already); nothing changes
  /// then.
  virtual std::int32_t Group() = 0;
  /// Takes the grouped rows (columns) of the range one level up. -1 when none of
  /// them is grouped.
  virtual std::int32_t Ungroup() = 0;
  /// Whether the group the range's rows (columns) belong to is expanded: the
  /// shallowest group holding them all, or, for a single summary row (column),
  /// the group it summarises. Null, with the reason left, when there is none.
  virtual TVariant GetShowDetail() = 0;
  /// Collapses (false: its rows are hidden and its summary row marks it
  /// collapsed) or expands (true: its rows show again, but for those of the
  /// deeper groups that stay collapsed) that group. Returns 1 or -1.
  virtual std::int32_t SetShowDetail(bool show) = 0;
  /// The characters start … start + length - 1 (one-based, counted in UTF-16
  /// code units) of the texts of the range's cells, whose font can differ from
  /// the rest of the text. A length below 0 reaches to the end of each text.
  virtual Ref<IXLSCharacters> Characters(std::int32_t start, std::int32_t length = -1) = 0;
  /// Gives the range's one cell a comment (UTF-8; line breaks as LF or CR LF),
  /// replacing the one it had. It carries the workbook's comment author
  /// (SetCommentAuthor) and is hidden, shown when the mouse is over the cell,
  /// unless visible is true. A text past 32767 characters is cut when saved,
  /// with a warning. Returns 1, or -1 with the reason (GetLastError) when the
  /// range holds more than one cell. Comments move with their cells (Insert,
  /// Delete, Move, and Copy without flags), and go with Clear.
  virtual std::int32_t AddComment(std::string_view text, bool visible) = 0;
  std::int32_t AddComment(std::string_view text) { return AddComment(text, false); }
  /// The comment of the range's top-left cell (UTF-8), or empty when it has none.
  virtual std::string GetComment() = 0;
  /// True when the top-left cell has a comment.
  virtual bool HasComment() = 0;
  /// Removes the comments of every cell of the range.
  virtual void ClearComments() = 0;
  /// Puts filter drop-downs on the range's first row, one per column, replacing
  /// the sheet's autofilter if it had one (a sheet has at most one). A range of
  /// one row is the header of the list below it: the filter covers the rows
  /// down to the sheet's last cell when the workbook is saved; a taller range
  /// is the list itself. No row is hidden and no criterion is set. Returns 1.
  virtual std::int32_t AutoFilter() = 0;
  /// The data validation of the range's cells (tablirex/validation.h).
  virtual Ref<IXLSValidation> GetValidation() = 0;
  /// The conditional formats of the range's cells (tablirex/conditions.h).
  virtual Ref<IXLSFormatConditions> GetFormatConditions() = 0;
};

}  // namespace tablirex
