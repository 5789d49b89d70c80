// A worksheet: its cells, rows and columns, page layout and its record stream.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>
#include <string_view>

#include "tablirex/object.h"
#include "tablirex/outline.h"
#include "tablirex/range.h"
#include "tablirex/sheet_tab.h"

namespace tablirex {

class TXLSWorkbook;
class TXLSWorkSheets;
class TXLSCellHeap;
class TXLSRowInfoList;
class TXLSColumnInfoList;
class TXLSPageSetup;
class IXLSPageSetup;
class TXLSPanes;
class TXLSHPageBreaks;
class TXLSVPageBreaks;
class TXLSProtect;
class TXLSRange;
class TXLSSheetDrawing;
class TXLSBlob;
class TXLSBlobList;
class IByteSink;
class IXLSWorksheet;
class IXLSHyperlinks;
class IXLSNames;
struct TFormulaCode;
struct TXLSCellRef;
namespace eval {
struct TFormulaResult;
}
struct TXLSSheetExtras;

/// What a sheet's views (ranges and their font, border and interior objects) hold
/// instead of the sheet itself: the sheet clears it when it is destroyed, so a view
/// that outlives its sheet finds out instead of touching freed memory.
class TXLSSheetLink final : public TXLSObject {
 public:
  explicit TXLSSheetLink(IXLSWorksheet* sheet) noexcept : TXLSObject(true), sheet_(sheet) {}
  /// The sheet, or nullptr once it is deleted.
  IXLSWorksheet* Sheet() const noexcept { return sheet_; }
  void Clear() noexcept { sheet_ = nullptr; }

 private:
  IXLSWorksheet* sheet_;
};

/// A worksheet. Sheets are created and owned by the workbook's sheet collection;
/// a pointer stays valid until the sheet is deleted or the workbook destroyed.
/// Rows (0 … 65535) and columns (0 … 255) are zero-based in the numeric writers;
/// the A1 overloads take references such as "B3" or ranges such as "A1:C2".
/// Writers return 1, -1 (invalid request) or -2 (cell outside the sheet).
///
/// The Write… and MergeWrite… families store the value (and the given XF index) in
/// the sheet's cells, like a range would; while the workbook saves they emit the
/// records directly.
class IXLSWorksheet : public TXLSObject {
 public:
  explicit IXLSWorksheet(TXLSWorkbook& workbook);
  ~IXLSWorksheet() override;

  // ---- cell writers -------------------------------------------------------------
  virtual std::int32_t WriteNumber(std::uint16_t row, std::uint16_t col, double value);
  virtual std::int32_t WriteString(std::uint16_t row, std::uint16_t col, std::int32_t sstIndex);
  virtual std::int32_t WriteFormula(std::uint16_t row, std::uint16_t col, std::string_view text);
  virtual std::int32_t WriteDateTime(std::uint16_t row, std::uint16_t col, double value);
  virtual std::int32_t Write(std::uint16_t row, std::uint16_t col);
  virtual std::int32_t WriteNumber(std::uint16_t row, std::uint16_t col, double value, std::int32_t xf);
  virtual std::int32_t WriteString(std::uint16_t row, std::uint16_t col, std::int32_t sstIndex,
                                   std::int32_t xf);
  virtual std::int32_t WriteFormula(std::uint16_t row, std::uint16_t col, std::string_view text,
                                    std::int32_t xf);
  virtual std::int32_t WriteDateTime(std::uint16_t row, std::uint16_t col, double value, std::int32_t xf);
  virtual std::int32_t Write(std::uint16_t row, std::uint16_t col, std::int32_t xf);
  virtual std::int32_t MergeWriteNumber(std::uint16_t row1, std::uint16_t col1, std::uint16_t row2,
                                        std::uint16_t col2, double value, std::int32_t xf);
  virtual std::int32_t MergeWriteString(std::uint16_t row1, std::uint16_t col1, std::uint16_t row2,
                                        std::uint16_t col2, std::int32_t sstIndex, std::int32_t xf);
  virtual std::int32_t MergeWriteFormula(std::uint16_t row1, std::uint16_t col1, std::uint16_t row2,
                                         std::uint16_t col2, std::string_view text, std::int32_t xf);
  virtual std::int32_t MergeWriteDateTime(std::uint16_t row1, std::uint16_t col1, std::uint16_t row2,
                                          std::uint16_t col2, double value, std::int32_t xf);
  virtual std::int32_t MergeWrite(std::uint16_t row1, std::uint16_t col1, std::uint16_t row2,
                                  std::uint16_t col2, std::int32_t xf);
  /// A boolean cell: stores the value (a BOOLERR record while the workbook saves).
  std::int32_t WriteBoolean(std::uint16_t row, std::uint16_t col, bool value, std::int32_t xf = 0);
  /// Makes this sheet the first visible tab of the workbook window. Returns 1.
  virtual std::int32_t SetFirstSheet();
  /// Splits the window: verticalSplit in points, horizontalSplit in column widths,
  /// with the first row of the lower pane and first column of the right pane
  /// (-1: not set). Returns 1.
  virtual std::int32_t ThawPanes(float verticalSplit = 0, float horizontalSplit = 0,
                                 std::int32_t topRow = -1, std::int32_t leftCol = -1);
  /// Freezes the first `rows` rows and `cols` columns, with the first row of the
  /// lower pane and first column of the right pane (-1: right after the frozen ones).
  /// Returns 1.
  virtual std::int32_t FreezePanes(std::int32_t rows, std::int32_t cols, std::int32_t topRow,
                                   std::int32_t leftCol);
  /// Return -1; print titles are set through the page setup.
  virtual std::int32_t RepeatRows(std::int32_t first, std::int32_t last);
  virtual std::int32_t RepeatColumns(std::int32_t first, std::int32_t last);
  /// Zoom in percent: 1 when 10 … 400 (stored), -1 otherwise (unchanged).
  virtual std::int32_t SetZoom(std::int32_t zoom);
  /// Places a picture from a 24-bit uncompressed bitmap file with its top-left
  /// corner x, y pixels into the cell (row, col), zero-based, its size scaled by
  /// scaleX and scaleY (the image itself is not resampled). Offsets not smaller
  /// than the cell are taken as 0. The file is read at once and the picture kept
  /// on the sheet: every later save writes it after the cells. Returns 1, or -1 (with
  /// the reason left with the workbook) when the file is missing, unreadable, not
  /// such a bitmap or shorter than its header says, the scaled size is 0, or the
  /// picture does not fit on the sheet (it would start past column IV or reach past
  /// column IV or row 65536).
  virtual std::int32_t InsertBitmap(std::uint16_t row, std::uint16_t col, std::string_view fileName,
                                    std::uint16_t x, std::uint16_t y, float scaleX, float scaleY);
  /// As above, unscaled (and without offsets).
  std::int32_t InsertBitmap(std::uint16_t row, std::uint16_t col, std::string_view fileName);
  std::int32_t InsertBitmap(std::uint16_t row, std::uint16_t col, std::string_view fileName,
                            std::uint16_t x, std::uint16_t y);
  /// Places a PNG, JPEG or 24-bit bitmap picture read from a file with its
  /// top-left corner x, y pixels into the cell given in A1 form ("B2"). It is
  /// shown at its pixel size at 96 dots per inch (a file that names another
  /// resolution is shown at its size in inches), times scaleX and scaleY. The
  /// file is read at once; each later save writes the picture (Excel 97 and
  /// HTML; an Excel 5 save holds bitmaps only and leaves PNG and JPEG pictures
  /// out with a warning). Pictures of the same bytes share one stored image.
  /// Returns 1, or -1 with the reason left with the workbook (GetLastError):
  /// the file is missing or unreadable, not a PNG, JPEG or such a bitmap, cut
  /// short or its header does not hold together, the image or the scaled size
  /// has no pixels, the cell does not parse, or the picture would reach past
  /// column IV or row 65536. Nothing is added then.
  std::int32_t InsertPicture(std::string_view fileName, std::string_view cell, std::uint16_t x = 0,
                             std::uint16_t y = 0, double scaleX = 1.0, double scaleY = 1.0);
  /// As above, with the file's bytes given in memory (copied).
  std::int32_t InsertPicture(std::span<const std::uint8_t> bytes, std::string_view cell, std::uint16_t x = 0,
                             std::uint16_t y = 0, double scaleX = 1.0, double scaleY = 1.0);
  /// Pictures placed on the sheet.
  std::int32_t GetPictureCount() const noexcept;
  /// True when the sheet has an autofilter (IXLSRange::AutoFilter).
  bool AutoFilterMode() const noexcept;
  /// false removes the sheet's autofilter; true keeps one that exists and is
  /// refused (GetLastError) on a sheet without one: the filter needs its range.
  void SetAutoFilterMode(bool on);

  // A1 overloads; a reference that does not parse returns -1.
  std::int32_t Write(std::string_view ref);
  std::int32_t Write(std::string_view ref, std::int32_t xf);
  std::int32_t WriteNumber(std::string_view ref, double value);
  std::int32_t WriteNumber(std::string_view ref, double value, std::int32_t xf);
  std::int32_t WriteDateTime(std::string_view ref, double value);
  std::int32_t WriteDateTime(std::string_view ref, double value, std::int32_t xf);
  std::int32_t WriteString(std::string_view ref, std::int32_t sstIndex);
  std::int32_t WriteString(std::string_view ref, std::int32_t sstIndex, std::int32_t xf);
  std::int32_t WriteFormula(std::string_view ref, std::string_view text);
  std::int32_t WriteFormula(std::string_view ref, std::string_view text, std::int32_t xf);
  std::int32_t MergeWrite(std::string_view range, std::int32_t xf);
  std::int32_t MergeWriteNumber(std::string_view range, double value, std::int32_t xf);
  std::int32_t MergeWriteDateTime(std::string_view range, double value, std::int32_t xf);
  std::int32_t MergeWriteString(std::string_view range, std::int32_t sstIndex, std::int32_t xf);
  std::int32_t MergeWriteFormula(std::string_view range, std::string_view text, std::int32_t xf);
  /// Marks the rectangle as one merged area. Returns 1, or -2 outside the sheet.
  std::int32_t MergeCells(std::uint16_t row1, std::uint16_t col1, std::uint16_t row2,
                          std::uint16_t col2);

  // ---- the collection's operations ----------------------------------------------
  /// One-based position in the workbook.
  std::int32_t GetIndex() const noexcept { return position_; }
  /// The sheet's name, UTF-8.
  std::string GetWorkSheetName() const;
  const std::u16string& Name() const noexcept { return name_; }
  /// Renames the sheet when the name is valid: 1 to 31 characters, no control
  /// character, none of [ ] : * ? / \, no apostrophe at either end, and unique
  /// without regard to case. Otherwise the name stays and the reason is left with
  /// the workbook (TXLSWorkbook::GetLastError).
  void SetWorkSheetName(std::string_view name);
  void Activate();
  void Select();
  void Select(bool replace);
  void Select(bool replace, std::int32_t unused);
  bool IsSelected() const noexcept { return selected_; }
  /// Deletes this sheet; the object is destroyed: do not use it afterwards. Ranges
  /// (and their font, border and interior views) taken from it stay safe to hold
  /// and release, but every operation on them fails: setters change nothing,
  /// getters return null, 0 or the defaults, and they report no cell.
  void Delete();
  void Delete(std::int32_t unused);
  void Move(IXLSWorksheet* before);
  void Move(IXLSWorksheet* before, IXLSWorksheet* after);
  void Move(IXLSWorksheet* before, IXLSWorksheet* after, std::int32_t unused);
  IXLSWorksheet* GetNextWorkSheet();
  IXLSWorksheet* GetPreviousWorkSheet();
  /// Shows or hides the sheet: xlSheetVisible (-1), xlSheetHidden (0) or
  /// xlSheetVeryHidden (2). A hidden sheet is neither active nor selected: when
  /// the active sheet is hidden the next visible sheet (else the one before it)
  /// becomes active, and Activate and Select refuse a hidden sheet. Returns 1,
  /// or -1 with the reason left with the workbook for another value or for the
  /// last visible sheet (a workbook keeps one). Defined in src/workbook/sheet_tab.cpp.
  std::int32_t SetVisible(std::int32_t visible);
  std::int32_t GetVisible() const noexcept { return visible_; }
  /// The tab's colour (IXLSTab).
  Ref<IXLSTab> GetTab();
  /// The outline settings (IXLSOutline). Defined in src/cells/outline.cpp.
  Ref<IXLSOutline> GetOutline();

  // ---- ranges -------------------------------------------------------------------
  /// A new range over the rectangle between two A1 cell references.
  Ref<IXLSRange> GetRange(std::string_view cell1, std::string_view cell2);
  Ref<IXLSRange> FGetRange(std::string_view cell1, std::string_view cell2);
  /// A new range from an A1 text: "B2", "A1:C3", a row span "3:5" or a column span
  /// "B:D" (kind rows or columns), or nullptr when the text does not parse.
  Ref<IXLSRange> Range(std::string_view a1);
  /// The range of all cells, A1:IV65536 (owned by the sheet).
  Ref<IXLSRange> GetCells();
  /// The used area, or A1 when the sheet holds no cell.
  Ref<IXLSRange> GetUsedRange();
  /// The current selection (A1 at creation).
  Ref<IXLSRange> GetSelection();
  /// Replaces the selection (called by a range's Select).
  void SetSelection(std::uint16_t row1, std::uint8_t col1, std::uint16_t row2, std::uint8_t col2);

  bool GetDisplayGridLines() const noexcept { return gridLines_; }
  void SetDisplayGridLines(bool flag) noexcept { gridLines_ = flag; }
  std::int32_t GetZoom() const noexcept { return zoom_; }

  IXLSPageSetup* GetPageSetup();
  TXLSPageSetup& PageSetup() noexcept { return *pageSetup_; }
  TXLSHPageBreaks& GetHPageBreaks() noexcept { return *hBreaks_; }
  TXLSVPageBreaks& GetVPageBreaks() noexcept { return *vBreaks_; }
  void ResetAllPageBreaks();
  void Protect();
  void Protect(std::string_view password);
  /// False when the sheet stays protected (its password is not the empty one).
  bool UnProtect();
  void UnProtect(std::string_view password);
  void UnProtect(std::string_view password, std::int32_t unused);
  TXLSProtect& Protection() noexcept { return *protect_; }
  TXLSPanes* Panes() noexcept { return panes_.get(); }
  /// True when the panes are frozen (FreezePanes), false when split or none.
  bool IsFrozen() const noexcept { return frozen_; }

  // ---- hyperlinks and names ------------------------------------------------------------
  /// The sheet's hyperlinks (tablirex/hyperlinks.h), a view the caller holds.
  Ref<IXLSHyperlinks> GetHyperlinks();
  /// The names of this sheet's own (tablirex/names.h), a view the caller holds.
  Ref<IXLSNames> GetNames();
  /// Hyperlinks, validations, conditional formats and local names, made on first use.
  TXLSSheetExtras& Extras();
  /// The same, or nullptr while the sheet has none.
  const TXLSSheetExtras* ExtrasIfAny() const noexcept { return extras_.get(); }

  // ---- HTML ---------------------------------------------------------------------------
  /// Writes the used range as one HTML page (UTF-8) with a CSS class per cell
  /// format, replacing any page at fileName in one step. Returns 1; raises
  /// EFileError (tablirex/file_error.h) when the file cannot be written, leaving
  /// the earlier page as it was. Defined in src/html.
  std::int32_t SaveAsHTML(std::string_view fileName);

  // ---- formulas ---------------------------------------------------------------------
  /// Checks a formula's text (without its "=") before the cells row1:col1 to
  /// row2:col2 take it. Returns 1, or -1 with the workbook's last error naming the
  /// cell (or area), the formula and what is wrong in it.
  std::int32_t CheckFormula(std::string_view text, std::uint32_t row1, std::uint32_t col1, std::uint32_t row2,
                            std::uint32_t col2);
  /// The cell or area as formulas and messages name it: Sheet1!B2, 'My Sheet'!A1:B2.
  std::string CellName(std::uint32_t row1, std::uint32_t col1, std::uint32_t row2, std::uint32_t col2) const;

  // ---- the save ---------------------------------------------------------------------
  /// Emits the records of all cells (during a save). Returns 1, or the failure of
  /// the first cell that cannot be written (a formula naming a missing sheet, or
  /// too long for the format), with the workbook's last error naming it. Cells
  /// below the rows of the Excel 5 form are left out of that form.
  std::int32_t StoreCells();
  /// Builds the rest of the sheet's substream, BOF to EOF. Returns 1 or the first failure.
  std::int32_t Close();
  std::int32_t AppendHeader(TXLSBlob& blob);
  std::int32_t AppendData(TXLSBlob& blob);
  /// -2 for a cell outside the sheet; otherwise records it in the written area.
  std::int32_t CheckDimensions(std::uint32_t row, std::uint32_t col);
  /// Writes the header list, then the data list.
  std::int32_t WriteData(IByteSink& stream);

  // ---- access for the library's subsystems -----------------------------------------
  TXLSWorkbook& Workbook() noexcept { return *workbook_; }
  /// The link this sheet's ranges hold (cleared when the sheet is destroyed).
  TXLSSheetLink* Link() const noexcept { return link_.get(); }
  TXLSCellHeap& Cells() noexcept { return *cells_; }
  TXLSRowInfoList& RowInfo() noexcept { return *rows_; }
  TXLSColumnInfoList& ColumnInfo() noexcept { return *cols_; }
  /// The comments, pictures and autofilter of the sheet (made on first use).
  TXLSSheetDrawing& Drawing();
  /// The same, or nullptr when the sheet never had any.
  const TXLSSheetDrawing* DrawingIfAny() const noexcept { return drawing_.get(); }
  void SetPosition(std::int32_t p) noexcept { position_ = p; }
  void SetNameDirect(std::u16string name) { name_ = std::move(name); }
  void SetSelectedFlag(bool s) noexcept { selected_ = s; }
  void SetCollection(TXLSWorkSheets* c) noexcept { collection_ = c; }
  /// Creates the save lists and zeroes the stream size (start of a save).
  void BeginSave();
  /// Frees the save lists (end of a save).
  void EndSave();
  std::uint32_t StreamSize() const noexcept { return streamSize_; }
  std::uint32_t StreamOffset() const noexcept { return streamOffset_; }
  void SetStreamOffset(std::uint32_t off) noexcept { streamOffset_ = off; }
  bool IsSaving() const noexcept { return dataList_ != nullptr; }
  /// The tab's colour index (1 … 56), or -4142 (none).
  std::int32_t TabColorIndex() const noexcept { return tabColor_; }
  void SetTabColorIndex(std::int32_t index) noexcept { tabColor_ = index; }
  /// Summary rows below their groups, summary columns right of theirs.
  bool SummaryRowsBelow() const noexcept { return summaryBelow_; }
  bool SummaryColumnsRight() const noexcept { return summaryRight_; }
  void SetSummaryRowsBelow(bool below) noexcept { summaryBelow_ = below; }
  void SetSummaryColumnsRight(bool right) noexcept { summaryRight_ = right; }

 private:
  // An Excel 5 sheet has 16384 rows.
  static constexpr std::uint16_t kBiff5LastRow = 16383;
  std::int32_t WriteDouble(std::uint16_t row, std::uint16_t col, double value, std::int32_t xf,
                           bool isDate);
  std::int32_t MergeWriteDouble(std::uint16_t row1, std::uint16_t col1, std::uint16_t row2,
                                std::uint16_t col2, double value, std::int32_t xf, bool isDate);
  template <class WriteFirst>
  std::int32_t MergeWriteArea(std::uint16_t row1, std::uint16_t col1, std::uint16_t row2,
                              std::uint16_t col2, std::int32_t xf, WriteFirst&& first);
  std::int32_t AppendTo(TXLSBlobList& list, TXLSBlob& blob);
  std::int32_t StoreDimensions();
  std::int32_t StoreWindow2();
  std::int32_t StoreSelection();
  std::int32_t StoreExterns();
  std::int32_t StoreBof();
  std::int32_t StoreEof();
  /// Conditional formats, hyperlinks and validations (sheet_extras_records.cpp).
  std::int32_t StoreExtras();
  std::int32_t StoreFormatted(std::uint16_t row, std::uint16_t col, std::int32_t xf);
  std::uint16_t SaveXF(std::int32_t xf) const;
  /// A FORMULA record from a formula's code with its result (nullptr: none
  /// known), then its STRING record for a text result.
  std::int32_t StoreFormula(std::uint16_t row, std::uint16_t col, std::int32_t xf, const TFormulaCode& code,
                            const eval::TFormulaResult* result);
  /// The FORMULA record of a formula cell during the save.
  std::int32_t StoreFormulaCell(TXLSCellRef& cell, std::int32_t xf);
  std::int32_t StoreStringResult(std::uint16_t row, std::uint16_t col, const std::u16string& text);

  TXLSWorkbook* workbook_;
  Ref<TXLSSheetLink> link_;
  TXLSWorkSheets* collection_ = nullptr;
  std::unique_ptr<TXLSCellHeap> cells_;
  std::unique_ptr<TXLSRowInfoList> rows_;
  std::unique_ptr<TXLSColumnInfoList> cols_;
  std::unique_ptr<TXLSPageSetup> pageSetup_;
  std::unique_ptr<TXLSPanes> panes_;
  std::unique_ptr<TXLSHPageBreaks> hBreaks_;
  std::unique_ptr<TXLSVPageBreaks> vBreaks_;
  std::unique_ptr<TXLSProtect> protect_;
  std::unique_ptr<TXLSSheetDrawing> drawing_;
  std::unique_ptr<TXLSSheetExtras> extras_;
  Ref<IXLSRange> cellsRange_;
  Ref<IXLSRange> selection_;
  std::unique_ptr<TXLSBlobList> headerList_;
  std::unique_ptr<TXLSBlobList> dataList_;
  std::vector<std::uint8_t> formulaBytes_;  // the encoded formula being written
  std::u16string name_;
  std::uint32_t streamOffset_ = 0;
  std::uint32_t streamSize_ = 0;
  std::int32_t position_ = 0;
  std::int32_t zoom_ = 100;
  std::uint16_t activePane_ = 3;
  bool gridLines_ = true;
  bool frozen_ = false;
  bool selected_ = false;
  std::int32_t visible_ = xlSheetVisible;
  std::int32_t tabColor_ = -4142;  // xlColorIndexNone
  bool summaryBelow_ = true;
  bool summaryRight_ = true;
  // Written-cell area for DIMENSIONS.
  bool used_ = false;
  std::uint16_t firstRow_ = 0, lastRow_ = 0;
  std::uint8_t firstCol_ = 0, lastCol_ = 0;
};

}  // namespace tablirex
