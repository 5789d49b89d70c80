// What the dataset exporter and the grid exporter share: their properties, the
// export itself (placement, header, records, sheet breaks, events) and saving.
// Each exporter says which columns it writes and how their cells look, and passes
// the events on to its own callbacks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tablirex/data.h"
#include "tablirex/dataset2excel.h"
#include "tablirex/object.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {

/// The properties of an exporter. The grid's Original… switches are ignored by
/// the dataset exporter.
/// The highest one-based row a record may take by default in a file of the
/// format: 16384 for Excel 5, 1048576 for .xlsx (4), 65535 for the others.
std::int32_t RowsPerSheetFor(std::int32_t fileFormat) noexcept;
/// The format a file name asks for: 3 for .htm/.html, 4 for .xlsx, else 2.
std::int32_t FileFormatOfName(std::string_view fileName);

struct TExportSettings {
  std::string WorksheetName;
  TFont HeaderFont{"Arial", 10, fsBold, clNone};
  TFont DetailFont{"Arial", 10, 0, clNone};
  TColor HeaderColor = clNone;
  TColor DetailColor = clNone;
  std::uint32_t StartRow = 0;
  std::uint16_t StartCol = 0;
  TBorderStyle HeaderBorderStyle = BorderStyleNone;
  TBorderStyle DetailBorderStyle = BorderStyleNone;
  TColor HeaderBorderColor = clNone;
  TColor DetailBorderColor = clNone;
  /// What the caller set (0: nothing); the rows used are RowsPerSheetFor(FileFormat)
  /// at most.
  std::int32_t RowsPerSheet = 0;
  /// The form the export is saved in: 1 Excel 5, 2 Excel 97, 3 HTML, 4 .xlsx.
  std::int32_t FileFormat = 2;
  bool SetColumnsWidth = true;
  bool AllowFormulas = false;
  bool FreezeHeader = false;
  bool AutoFitColumns = false;
  /// The workbook's title (document property) when it has none yet; empty: the
  /// name of the first sheet exported.
  std::string Title;
  bool AutoFilter = false;
  bool Hyperlinks = false;
  bool OriginalHeaderFont = true;
  bool OriginalDetailFont = true;
  bool OriginalHeaderColor = true;
  bool OriginalDetailColor = true;
};

/// One output column of an export: where its values come from and how its header
/// and detail cells look.
struct TExportColumn {
  /// The index handed to the cell events: the field's (dataset) or the grid
  /// column's (hidden columns counted).
  std::int32_t Index = 0;
  /// The field whose values the column shows; nullptr writes no values (type 0).
  TField* Field = nullptr;
  std::string Caption;
  TFont HeaderFont;
  TColor HeaderColor = clNone;
  TFont DetailFont;
  TColor DetailColor = clNone;
  /// Column width in characters, set from the header cell when SetWidth is true.
  double Width = 0;
  bool SetWidth = false;
  /// Header cells carry the text number format "@".
  bool TextHeader = false;
  /// Horizontal alignment constant of header cells.
  std::int32_t HeaderHAlign = -4108;
  /// Horizontal alignment of detail cells; 0 leaves it alone.
  std::int32_t DetailHAlign = 0;
  /// Dates and times are aligned left.
  bool DatesLeft = true;
};

/// The events of both exporters, by the place they run at.
enum class TExportEvent : std::uint8_t {
  WorksheetCreate,
  HeaderCell,
  DetailCell,
  DetailRow,
  Header,
  Detail,
  Export,
};

/// True for a text the exporters make a link of (SetHyperlinks): a whole
/// http:// or https:// address, or a mailto: one, without blanks.
bool LinkExportAddress(const TVariant& value);

/// The export shared by both exporters.
class TExportCore {
 public:
  explicit TExportCore(TBorderStyle borders);
  virtual ~TExportCore();
  TExportCore(const TExportCore&) = delete;
  TExportCore& operator=(const TExportCore&) = delete;

  const TExportSettings& Settings() const noexcept { return settings_; }
  /// The settings for a change: detail formats remembered so far are forgotten.
  TExportSettings& ChangeSettings() noexcept {
    ++settingsVersion_;
    return settings_;
  }
  void SetRowsPerSheet(std::int32_t rows) noexcept;
  /// The rows a sheet of the export takes: what the caller set, within what the
  /// file format holds.
  std::int32_t RowsPerSheet() const noexcept;
  /// 1 … 4; other values are ignored.
  void SetFileFormat(std::int32_t format) noexcept;

  Ref<IXLSWorkBook> GetWorkbook() const noexcept { return workbook_; }
  void SetWorkbook(Ref<IXLSWorkBook> workbook);
  IXLSWorksheet* CurrentSheet() const noexcept { return sheet_; }
  std::int64_t RecordsExported() const noexcept { return total_; }
  const std::string& ErrorText() const noexcept { return error_; }

  std::int32_t Export(bool newSheet, std::int32_t row, std::int32_t col);
  /// By the name's ending: .htm/.html HTML (every sheet), .xlsx format 4,
  /// anything else BIFF8.
  std::int32_t SaveAs(std::string_view fileName);
  /// fileFormat 1 BIFF5, 2 BIFF8, 3 HTML, 4 .xlsx.
  std::int32_t SaveAs(std::string_view fileName, std::int32_t fileFormat);
  /// Export(true, -1, -1), SaveAs, then the workbook is released.
  std::int32_t ExportAndSave(std::string_view fileName);

  std::int32_t CreateWorkbook();
  std::int32_t CreateWorksheet();
  /// The steps as callers run them one at a time: each looks up the columns first.
  std::int32_t ExportHeaderStep();
  std::int32_t ExportDetailStep();

 protected:
  /// The dataset to read, or nullptr with Fail() called.
  virtual TDataSet* DataSetInUse() = 0;
  /// The output columns of the dataset in use.
  virtual void MakeColumns(TDataSet& dataset, std::vector<TExportColumn>& columns) = 0;
  /// Whether the exporter has a callback for the event.
  virtual bool Assigned(TExportEvent event) const noexcept = 0;
  virtual void RunEvent(TExportEvent event, IXLSRange* range, std::int32_t rowIndex,
                        const TExportColumn* column) = 0;
  virtual void RunWorksheetCreate(IXLSWorksheet* sheet) = 0;

  std::int32_t Fail(std::string message);

 private:
  struct TReuse;

  std::int32_t Prepare();
  std::int32_t ExportHeader();
  std::int32_t ExportDetail();
  std::int32_t WriteRecords(TDataSet& data);
  /// Fails with the dataset's own message.
  std::int32_t SourceFailed(const TDataSet& data);
  void WriteHeaderCell(IXLSRange& cell, const TExportColumn& column);
  void WriteValue(IXLSRange& cell, const TVariant& value);
  void FormatDetailCell(IXLSRange& cell, const TExportColumn& column, std::uint8_t kind);
  void FormatDetailFast(IXLSRange& cell, std::size_t columnNo, const TExportColumn& column,
                        std::uint8_t kind);
  Ref<IXLSRange> Cell(std::int32_t row, std::int32_t col);
  /// The range between two zero-based corners, in the order given.
  Ref<IXLSRange> Block(std::int32_t row1, std::int32_t col1, std::int32_t row2, std::int32_t col2);
  void RangeEvent(TExportEvent event, std::int32_t row1, std::int32_t row2, std::int32_t rowIndex = 0);
  /// What a sheet's block gets once its records are written: fitted columns.
  void FinishBlock(std::int32_t lastRow);

  TExportSettings settings_;
  std::uint64_t settingsVersion_ = 0;
  Ref<IXLSWorkBook> workbook_;
  IXLSWorksheet* sheet_ = nullptr;
  Ref<IXLSRange> cells_;  // the current sheet's cells range
  TDataSet* dataset_ = nullptr;
  std::vector<TExportColumn> columns_;
  std::int32_t headerRow_ = 0;
  std::int32_t startCol_ = 0;
  std::int64_t total_ = 0;
  std::int32_t onSheet_ = 0;
  std::string error_;
  std::unique_ptr<TReuse> reuse_;
};

}  // namespace tablirex
