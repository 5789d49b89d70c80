// What the two exporter classes share beyond the export itself: their common
// properties, which they keep in TExportCore's settings, and the passing of events
// to their callbacks (the callbacks have the same names in both classes).
#pragma once

#include "export/export_core.h"

namespace tablirex {

/// Whether the exporter has a callback for the event.
template <class Exporter>
bool ExporterEventAssigned(const Exporter& e, TExportEvent event) noexcept {
  switch (event) {
    case TExportEvent::WorksheetCreate: return static_cast<bool>(e.OnWorksheetCreate);
    case TExportEvent::HeaderCell: return static_cast<bool>(e.AfterHeaderCell);
    case TExportEvent::DetailCell: return static_cast<bool>(e.AfterDetailCell);
    case TExportEvent::DetailRow: return static_cast<bool>(e.AfterDetailRow);
    case TExportEvent::Header: return static_cast<bool>(e.AfterHeader);
    case TExportEvent::Detail: return static_cast<bool>(e.AfterDetail);
    case TExportEvent::Export: return static_cast<bool>(e.AfterExport);
  }
  return false;
}

/// Runs the exporter's callback for a range event, or for a cell event with the
/// column's index and item (a field, or a grid column).
template <class Exporter, class Item>
void RunExporterEvent(Exporter& e, TExportEvent event, IXLSRange* range, std::int32_t rowIndex,
                      std::int32_t index, Item&& item) {
  if (!ExporterEventAssigned(e, event)) return;
  switch (event) {
    case TExportEvent::WorksheetCreate: return;
    case TExportEvent::HeaderCell: e.AfterHeaderCell(e, range, index, item); return;
    case TExportEvent::DetailCell: e.AfterDetailCell(e, range, rowIndex, index, item); return;
    case TExportEvent::DetailRow: e.AfterDetailRow(e, range, rowIndex); return;
    case TExportEvent::Header: e.AfterHeader(e, range); return;
    case TExportEvent::Detail: e.AfterDetail(e, range); return;
    case TExportEvent::Export: e.AfterExport(e, range); return;
  }
}

}  // namespace tablirex

/// Defines the properties and operations both exporter classes have, over their
/// State (a TExportCore) in s_.
#define TABLIREX_EXPORTER_COMMON(Class)                                                                   \
  const std::string& Class::GetWorksheetName() const noexcept { return s_->Settings().WorksheetName; }  \
  void Class::SetWorksheetName(std::string_view name) { s_->ChangeSettings().WorksheetName = name; }     \
  const TFont& Class::GetHeaderFont() const noexcept { return s_->Settings().HeaderFont; }              \
  void Class::SetHeaderFont(const TFont& font) { s_->ChangeSettings().HeaderFont.Assign(font); }        \
  const TFont& Class::GetDetailFont() const noexcept { return s_->Settings().DetailFont; }              \
  void Class::SetDetailFont(const TFont& font) { s_->ChangeSettings().DetailFont.Assign(font); }        \
  TColor Class::GetHeaderColor() const noexcept { return s_->Settings().HeaderColor; }                  \
  void Class::SetHeaderColor(TColor color) noexcept { s_->ChangeSettings().HeaderColor = color; }       \
  TColor Class::GetDetailColor() const noexcept { return s_->Settings().DetailColor; }                  \
  void Class::SetDetailColor(TColor color) noexcept { s_->ChangeSettings().DetailColor = color; }       \
  std::uint32_t Class::GetStartRow() const noexcept { return s_->Settings().StartRow; }                 \
  void Class::SetStartRow(std::uint32_t row) noexcept { s_->ChangeSettings().StartRow = row; }          \
  std::uint16_t Class::GetStartCol() const noexcept { return s_->Settings().StartCol; }                 \
  void Class::SetStartCol(std::uint16_t col) noexcept { s_->ChangeSettings().StartCol = col; }          \
  TBorderStyle Class::GetHeaderBorderStyle() const noexcept { return s_->Settings().HeaderBorderStyle; } \
  void Class::SetHeaderBorderStyle(TBorderStyle style) noexcept {                                       \
    s_->ChangeSettings().HeaderBorderStyle = style;                                                     \
  }                                                                                                     \
  TBorderStyle Class::GetDetailBorderStyle() const noexcept { return s_->Settings().DetailBorderStyle; } \
  void Class::SetDetailBorderStyle(TBorderStyle style) noexcept {                                       \
    s_->ChangeSettings().DetailBorderStyle = style;                                                     \
  }                                                                                                     \
  TColor Class::GetHeaderBorderColor() const noexcept { return s_->Settings().HeaderBorderColor; }      \
  void Class::SetHeaderBorderColor(TColor color) noexcept { s_->ChangeSettings().HeaderBorderColor = color; } \
  TColor Class::GetDetailBorderColor() const noexcept { return s_->Settings().DetailBorderColor; }      \
  void Class::SetDetailBorderColor(TColor color) noexcept { s_->ChangeSettings().DetailBorderColor = color; } \
  std::int32_t Class::GetRowsPerSheet() const noexcept { return s_->RowsPerSheet(); }                   \
  std::int32_t Class::GetFileFormat() const noexcept { return s_->Settings().FileFormat; }               \
  void Class::SetFileFormat(std::int32_t format) noexcept { s_->SetFileFormat(format); }                \
  void Class::SetRowsPerSheet(std::int32_t rows) noexcept { s_->SetRowsPerSheet(rows); }                \
  bool Class::GetSetColumnsWidth() const noexcept { return s_->Settings().SetColumnsWidth; }            \
  void Class::SetSetColumnsWidth(bool value) noexcept { s_->ChangeSettings().SetColumnsWidth = value; } \
  bool Class::GetAllowFormulas() const noexcept { return s_->Settings().AllowFormulas; }                \
  void Class::SetAllowFormulas(bool value) noexcept { s_->ChangeSettings().AllowFormulas = value; }     \
  bool Class::GetFreezeHeader() const noexcept { return s_->Settings().FreezeHeader; }                  \
  void Class::SetFreezeHeader(bool value) noexcept { s_->ChangeSettings().FreezeHeader = value; }       \
  bool Class::GetAutoFitColumns() const noexcept { return s_->Settings().AutoFitColumns; }              \
  void Class::SetAutoFitColumns(bool value) noexcept { s_->ChangeSettings().AutoFitColumns = value; }   \
  const std::string& Class::GetTitle() const noexcept { return s_->Settings().Title; }                  \
  void Class::SetTitle(std::string_view title) { s_->ChangeSettings().Title = title; }                  \
  bool Class::GetAutoFilter() const noexcept { return s_->Settings().AutoFilter; }                      \
  void Class::SetAutoFilter(bool value) noexcept { s_->ChangeSettings().AutoFilter = value; }           \
  bool Class::GetHyperlinks() const noexcept { return s_->Settings().Hyperlinks; }                      \
  void Class::SetHyperlinks(bool value) noexcept { s_->ChangeSettings().Hyperlinks = value; }           \
  Ref<IXLSWorkBook> Class::GetWorkbook() const noexcept { return s_->GetWorkbook(); }                   \
  void Class::SetWorkbook(Ref<IXLSWorkBook> workbook) { s_->SetWorkbook(std::move(workbook)); }         \
  IXLSWorksheet* Class::GetCurrentWorksheet() const noexcept { return s_->CurrentSheet(); }             \
  std::int32_t Class::SaveAs(std::string_view fileName) { return s_->SaveAs(fileName); }                \
  std::int32_t Class::SaveAs(std::string_view fileName, std::int32_t fileFormat) {                      \
    return s_->SaveAs(fileName, fileFormat);                                                            \
  }                                                                                                     \
  std::int64_t Class::GetRecordsExported() const noexcept { return s_->RecordsExported(); }             \
  const std::string& Class::GetErrorText() const noexcept { return s_->ErrorText(); }                   \
  std::int32_t Class::CreateWorkbook() { return s_->CreateWorkbook(); }                                 \
  std::int32_t Class::CreateWorksheet() { return s_->CreateWorksheet(); }                               \
  std::int32_t Class::ExportHeader() { return s_->ExportHeaderStep(); }                                 \
  std::int32_t Class::ExportDetail() { return s_->ExportDetailStep(); }
