// The dataset exporter: every field of the dataset, in field order.
#include "tablirex/dataset2excel.h"

#include "export/exporter_glue.h"

namespace tablirex {

struct TDataset2Excel::State final : TExportCore {
  explicit State(TDataset2Excel& o) : TExportCore(BorderStyleNone), owner(o) {}

  TDataSet* DataSetInUse() override {
    if (!dataset) Fail("no dataset to export: set Dataset first");
    return dataset;
  }

  void MakeColumns(TDataSet& data, std::vector<TExportColumn>& columns) override {
    const TExportSettings& s = Settings();
    for (std::int32_t i = 0; i < data.GetFieldCount(); ++i) {
      TField* field = data.GetField(i);
      TExportColumn& c = columns.emplace_back();
      c.Index = i;
      c.Field = field;
      c.Caption = field->GetFieldName();
      c.HeaderFont = s.HeaderFont;
      c.HeaderColor = s.HeaderColor;
      c.DetailFont = s.DetailFont;
      c.DetailColor = s.DetailColor;
      c.Width = field->GetDisplayWidth();
      c.SetWidth = s.SetColumnsWidth && field->GetDisplayWidth() > 0;
    }
  }

  bool Assigned(TExportEvent event) const noexcept override { return ExporterEventAssigned(owner, event); }

  void RunEvent(TExportEvent event, IXLSRange* range, std::int32_t rowIndex,
                const TExportColumn* column) override {
    RunExporterEvent(owner, event, range, rowIndex, column ? column->Index : 0,
                     column ? column->Field : nullptr);
  }

  void RunWorksheetCreate(IXLSWorksheet* sheet) override {
    if (owner.OnWorksheetCreate) owner.OnWorksheetCreate(owner, sheet);
  }

  TDataset2Excel& owner;
  TDataSet* dataset = nullptr;
};

TDataset2Excel::TDataset2Excel() : s_(std::make_unique<State>(*this)) {}
TDataset2Excel::~TDataset2Excel() = default;

TDataSet* TDataset2Excel::GetDataset() const noexcept { return s_->dataset; }
void TDataset2Excel::SetDataset(TDataSet* dataset) noexcept { s_->dataset = dataset; }

std::int32_t TDataset2Excel::ExportDataset() { return ExportDataset(true); }
std::int32_t TDataset2Excel::ExportDataset(bool newSheet) { return ExportDataset(newSheet, -1, -1); }
std::int32_t TDataset2Excel::ExportDataset(bool newSheet, std::int32_t row, std::int32_t col) {
  return s_->Export(newSheet, row, col);
}
std::int32_t TDataset2Excel::SaveDatasetAs(std::string_view fileName) { return s_->ExportAndSave(fileName); }

TABLIREX_EXPORTER_COMMON(TDataset2Excel)

}  // namespace tablirex
