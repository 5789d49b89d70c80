// Exporting what a data grid shows: its visible columns with their titles, widths,
// alignments, fonts and colours, and the records of the dataset behind it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "tablirex/data.h"
#include "tablirex/dataset2excel.h"
#include "tablirex/object.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {

class TDBGrid2Excel;

/// Events. Sender is always the exporter; ranges are views into the current sheet.
/// ColumnIndex is the zero-based index in the grid's column list, hidden columns
/// included.
using TAfterDBGridDetailCell =
    std::function<void(TDBGrid2Excel& Sender, IXLSRange* Cell, std::int32_t RowIndex,
                       std::int32_t ColumnIndex, const TColumn& Column)>;
using TAfterDBGridHeaderCell = std::function<void(TDBGrid2Excel& Sender, IXLSRange* Cell,
                                                  std::int32_t ColumnIndex, const TColumn& Column)>;
using TAfterDBGridDetailRow =
    std::function<void(TDBGrid2Excel& Sender, IXLSRange* Range, std::int32_t RowIndex)>;
using TAfterDBGridHeader = std::function<void(TDBGrid2Excel& Sender, IXLSRange* Range)>;
using TAfterDBGridDetail = std::function<void(TDBGrid2Excel& Sender, IXLSRange* Range)>;
using TAfterDBGridExport = std::function<void(TDBGrid2Excel& Sender, IXLSRange* Range)>;
using TOnDBGridWorksheetCreate =
    std::function<void(TDBGrid2Excel& Sender, IXLSWorksheet* Worksheet)>;

/// Exports the visible columns of a grid and the records of its dataset. Operations
/// that can fail return xlsOK (1) or xlsFail (-1) and keep a message in
/// GetErrorText().
class TDBGrid2Excel {
 public:
  TDBGrid2Excel();
  ~TDBGrid2Excel();
  TDBGrid2Excel(const TDBGrid2Excel&) = delete;
  TDBGrid2Excel& operator=(const TDBGrid2Excel&) = delete;

  // ---- properties (initial values in the comments) ----
  /// The grid to export (not owned; nullptr at first). Its dataset is looked up
  /// at every export.
  TDBGrid* GetDBGrid() const noexcept;
  void SetDBGrid(TDBGrid* grid) noexcept;
  /// Name of the first sheet an export creates (empty: "Sheet1").
  const std::string& GetWorksheetName() const noexcept;
  void SetWorksheetName(std::string_view name);
  /// Arial 10 bold, no colour.
  const TFont& GetHeaderFont() const noexcept;
  void SetHeaderFont(const TFont& font);
  /// Arial 10, no colour.
  const TFont& GetDetailFont() const noexcept;
  void SetDetailFont(const TFont& font);
  /// Use each column title's / column's own font and colour instead of
  /// HeaderFont, DetailFont, HeaderColor, DetailColor; all true at first.
  bool GetOriginalHeaderFont() const noexcept;
  void SetOriginalHeaderFont(bool value) noexcept;
  bool GetOriginalDetailFont() const noexcept;
  void SetOriginalDetailFont(bool value) noexcept;
  bool GetOriginalHeaderColor() const noexcept;
  void SetOriginalHeaderColor(bool value) noexcept;
  bool GetOriginalDetailColor() const noexcept;
  void SetOriginalDetailColor(bool value) noexcept;
  /// Fill colours; clNone at first.
  TColor GetHeaderColor() const noexcept;
  void SetHeaderColor(TColor color) noexcept;
  TColor GetDetailColor() const noexcept;
  void SetDetailColor(TColor color) noexcept;
  /// Zero-based row offset and start column of the header; 0 at first.
  std::uint32_t GetStartRow() const noexcept;
  void SetStartRow(std::uint32_t row) noexcept;
  std::uint16_t GetStartCol() const noexcept;
  void SetStartCol(std::uint16_t col) noexcept;
  /// BorderStyleSingleThin at first.
  TBorderStyle GetHeaderBorderStyle() const noexcept;
  void SetHeaderBorderStyle(TBorderStyle style) noexcept;
  TBorderStyle GetDetailBorderStyle() const noexcept;
  void SetDetailBorderStyle(TBorderStyle style) noexcept;
  /// clNone at first.
  TColor GetHeaderBorderColor() const noexcept;
  void SetHeaderBorderColor(TColor color) noexcept;
  TColor GetDetailBorderColor() const noexcept;
  void SetDetailBorderColor(TColor color) noexcept;
  /// The highest one-based row number that may hold a record on a sheet: by
  /// default what a sheet of the file format holds (65535 for Excel 97 and HTML,
  /// 16384 for Excel 5, 1048576 for .xlsx). A value v is taken only when
  /// StartRow + 1 < v <= 1048576, and used up to the format's rows.
  std::int32_t GetRowsPerSheet() const noexcept;
  void SetRowsPerSheet(std::int32_t rows) noexcept;
  /// The form the export is meant for, which sets where sheets break: 2 (Excel 97,
  /// at first), 1 (Excel 5), 3 (HTML) or 4 (.xlsx); other values are ignored.
  /// Saving by name (SaveDatasetAs, SaveDBGridAs) sets it from the name's ending.
  std::int32_t GetFileFormat() const noexcept;
  void SetFileFormat(std::int32_t format) noexcept;
  /// Header cells set their columns' widths from the grid columns' pixel widths
  /// (pixels x 0.1433 characters); true at first.
  bool GetSetColumnsWidth() const noexcept;
  void SetSetColumnsWidth(bool value) noexcept;
  /// Texts of the data that begin with "=" are written as formulas when true;
  /// false at first, so data is always written as the text it is.
  bool GetAllowFormulas() const noexcept;
  void SetAllowFormulas(bool value) noexcept;
  /// The header row stays in view: every sheet of the export gets a frozen pane
  /// right below its header row (nothing frozen to its left). false at first.
  bool GetFreezeHeader() const noexcept;
  void SetFreezeHeader(bool value) noexcept;
  /// Each exported column becomes as wide as the widest text its header and records
  /// show (see IXLSRange::AutoFit: number formats applied, the header's bold
  /// counted, 2 to 80 characters), instead of the field's display width; every
  /// sheet of the export is fitted to its own rows. false at first.
  bool GetAutoFitColumns() const noexcept;
  void SetAutoFitColumns(bool value) noexcept;
  /// The title (document property) the export gives a workbook that has none:
  /// empty at first, which titles it after the first sheet exported.
  const std::string& GetTitle() const noexcept;
  void SetTitle(std::string_view title);
  /// Puts filter drop-downs on the header row of every sheet the export writes,
  /// over its columns (IXLSRange::AutoFilter); false at first.
  bool GetAutoFilter() const noexcept;
  void SetAutoFilter(bool value) noexcept;
  /// Texts of the data that are whole web or mail addresses (http://, https://,
  /// mailto:, without blanks) become hyperlinks to themselves when true; false
  /// at first.
  bool GetHyperlinks() const noexcept;
  void SetHyperlinks(bool value) noexcept;

  TAfterDBGridDetailCell AfterDetailCell;
  TAfterDBGridHeaderCell AfterHeaderCell;
  TAfterDBGridDetailRow AfterDetailRow;
  TAfterDBGridHeader AfterHeader;
  TAfterDBGridDetail AfterDetail;
  TAfterDBGridExport AfterExport;
  TOnDBGridWorksheetCreate OnWorksheetCreate;

  /// The workbook the exports write into (created by the first export). Setting it
  /// also forgets the current worksheet.
  Ref<IXLSWorkBook> GetWorkbook() const noexcept;
  void SetWorkbook(Ref<IXLSWorkBook> workbook);
  /// The sheet the last export wrote to, or nullptr.
  IXLSWorksheet* GetCurrentWorksheet() const noexcept;

  // ---- operations ----
  std::int32_t ExportDBGrid();
  std::int32_t ExportDBGrid(bool newSheet);
  /// row and col are zero-based; a negative value continues below the used range.
  std::int32_t ExportDBGrid(bool newSheet, std::int32_t row, std::int32_t col);
  /// ".htm"/".html" (any case) saves HTML: every sheet, a frameset when there are
  /// several; ".xlsx" (any case) saves format 4; any other name an Excel 97
  /// workbook. fileFormat 1 saves Excel 5.
  std::int32_t SaveAs(std::string_view fileName);
  std::int32_t SaveAs(std::string_view fileName, std::int32_t fileFormat);
  /// ExportDBGrid(), SaveAs(fileName), then releases the workbook.
  std::int32_t SaveDBGridAs(std::string_view fileName);

  /// Records written by the last export over all its sheets.
  std::int64_t GetRecordsExported() const noexcept;
  const std::string& GetErrorText() const noexcept;

  // The steps of an export, for callers that run them one at a time.
  std::int32_t CreateWorkbook();
  std::int32_t CreateWorksheet();
  std::int32_t ExportHeader();
  std::int32_t ExportDetail();

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace tablirex
