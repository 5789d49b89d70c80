// Exporting a dataset into a workbook in one call: a header row of field names and
// one formatted row per record, split over sheets when a sheet is full, saved as
// an .xls file or as HTML.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "tablirex/data.h"
#include "tablirex/object.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {

/// Border lines of header and detail cells.
enum TBorderStyle : std::uint8_t {
  BorderStyleNone = 0,
  BorderStyleSingleHair = 1,
  BorderStyleSingleThick = 2,
  BorderStyleSingleThin = 3,
  BorderStyleDouble = 4,
};

class TDataset2Excel;

/// Events. Sender is always the exporter; ranges are views into the current sheet.
using TAfterDetailCell = std::function<void(TDataset2Excel& Sender, IXLSRange* Cell,
                                            std::int32_t RowIndex, std::int32_t FieldIndex,
                                            TField* Field)>;
using TAfterHeaderCell = std::function<void(TDataset2Excel& Sender, IXLSRange* Cell,
                                            std::int32_t FieldIndex, TField* Field)>;
using TAfterDetailRow =
    std::function<void(TDataset2Excel& Sender, IXLSRange* Range, std::int32_t RowIndex)>;
using TAfterHeader = std::function<void(TDataset2Excel& Sender, IXLSRange* Range)>;
using TAfterDetail = std::function<void(TDataset2Excel& Sender, IXLSRange* Range)>;
using TAfterExport = std::function<void(TDataset2Excel& Sender, IXLSRange* Range)>;
using TOnWorksheetCreate = std::function<void(TDataset2Excel& Sender, IXLSWorksheet* Worksheet)>;

/// Exports the records of a dataset. Operations that can fail return xlsOK (1) or
/// xlsFail (-1) and keep a message in GetErrorText().
class TDataset2Excel {
 public:
  TDataset2Excel();
  ~TDataset2Excel();
  TDataset2Excel(const TDataset2Excel&) = delete;
  TDataset2Excel& operator=(const TDataset2Excel&) = delete;

  // ---- properties (initial values in the comments) ----
  /// The dataset to export (not owned; nullptr at first).
  TDataSet* GetDataset() const noexcept;
  void SetDataset(TDataSet* dataset) noexcept;
  /// Name of the first sheet an export creates (empty: "Sheet1").
  const std::string& GetWorksheetName() const noexcept;
  void SetWorksheetName(std::string_view name);
  /// Arial 10 bold, no colour.
  const TFont& GetHeaderFont() const noexcept;
  void SetHeaderFont(const TFont& font);
  /// Arial 10, no colour.
  const TFont& GetDetailFont() const noexcept;
  void SetDetailFont(const TFont& font);
  /// Fill colours; clNone at first.
  TColor GetHeaderColor() const noexcept;
  void SetHeaderColor(TColor color) noexcept;
  TColor GetDetailColor() const noexcept;
  void SetDetailColor(TColor color) noexcept;
  /// Zero-based row offset and start column of the header; 0 at first.
  std::uint16_t GetStartRow() const noexcept;
  void SetStartRow(std::uint16_t row) noexcept;
  std::uint16_t GetStartCol() const noexcept;
  void SetStartCol(std::uint16_t col) noexcept;
  /// BorderStyleNone at first.
  TBorderStyle GetHeaderBorderStyle() const noexcept;
  void SetHeaderBorderStyle(TBorderStyle style) noexcept;
  TBorderStyle GetDetailBorderStyle() const noexcept;
  void SetDetailBorderStyle(TBorderStyle style) noexcept;
  /// clNone at first.
  TColor GetHeaderBorderColor() const noexcept;
  void SetHeaderBorderColor(TColor color) noexcept;
  TColor GetDetailBorderColor() const noexcept;
  void SetDetailBorderColor(TColor color) noexcept;
  /// The highest one-based row number that may hold a record on a sheet; 65535 at
  /// first. A value v is taken only when StartRow + 1 < v <= 65535.
  std::int32_t GetRowsPerSheet() const noexcept;
  void SetRowsPerSheet(std::int32_t rows) noexcept;
  /// Header cells widen their columns to the fields' display widths; true at first.
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

  TAfterDetailCell AfterDetailCell;
  TAfterHeaderCell AfterHeaderCell;
  TAfterDetailRow AfterDetailRow;
  TAfterHeader AfterHeader;
  TAfterDetail AfterDetail;
  TAfterExport AfterExport;
  TOnWorksheetCreate OnWorksheetCreate;

  /// The workbook the exports write into (created by the first export). Setting it
  /// also forgets the current worksheet.
  Ref<IXLSWorkBook> GetWorkbook() const noexcept;
  void SetWorkbook(Ref<IXLSWorkBook> workbook);
  /// The sheet the last export wrote to, or nullptr.
  IXLSWorksheet* GetCurrentWorksheet() const noexcept;

  // ---- operations ----
  std::int32_t ExportDataset();
  std::int32_t ExportDataset(bool newSheet);
  /// row and col are zero-based; a negative value continues below the used range.
  std::int32_t ExportDataset(bool newSheet, std::int32_t row, std::int32_t col);
  /// ".htm"/".html" (any case) saves HTML: every sheet, a frameset when there are
  /// several; ".xlsx" a workbook package; any other name an Excel 97 workbook.
  /// fileFormat 1 saves Excel 5, 4 .xlsx.
  std::int32_t SaveAs(std::string_view fileName);
  std::int32_t SaveAs(std::string_view fileName, std::int32_t fileFormat);
  /// ExportDataset(), SaveAs(fileName), then releases the workbook.
  std::int32_t SaveDatasetAs(std::string_view fileName);

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
