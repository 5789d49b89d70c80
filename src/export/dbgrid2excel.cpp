// The grid exporter: the visible columns of a grid, packed side by side, with the
// grid's titles, widths, alignments, fonts and colours.
#include "tablirex/dbgrid2excel.h"

#include "export/exporter_glue.h"

namespace tablirex {
namespace {

std::int32_t AlignmentConstant(TAlignment a) noexcept {
  switch (a) {
    case taRightJustify: return -4152;
    case taCenter: return -4108;
    default: return -4131;
  }
}

// Pixels of a grid column to characters of a sheet column.
constexpr double kCharactersPerPixel = 0.1433;

}  // namespace

struct TDBGrid2Excel::State final : TExportCore {
  explicit State(TDBGrid2Excel& o) : TExportCore(BorderStyleSingleThin), owner(o) {}

  TDataSet* DataSetInUse() override {
    if (!grid) {
      Fail("no grid to export: set DBGrid first");
      return nullptr;
    }
    if (!grid->GetDataSet()) Fail("the grid has no dataset to export");
    return grid->GetDataSet();
  }

  void MakeColumns(TDataSet& data, std::vector<TExportColumn>& columns) override {
    const TExportSettings& s = Settings();
    // The grid's columns as they are now, so that the events get stable copies.
    gridColumns = grid->Columns();
    for (std::size_t k = 0; k < gridColumns.size(); ++k) {
      const TColumn& g = gridColumns[k];
      if (!g.Visible) continue;
      TExportColumn& c = columns.emplace_back();
      c.Index = static_cast<std::int32_t>(k);
      c.Field = g.FieldName.empty() ? nullptr : data.FindField(g.FieldName);
      c.Caption = g.Title.Caption;
      c.HeaderFont = s.OriginalHeaderFont ? g.Title.Font : s.HeaderFont;
      c.HeaderColor = s.OriginalHeaderColor ? g.Title.Color : s.HeaderColor;
      c.DetailFont = s.OriginalDetailFont ? g.Font : s.DetailFont;
      c.DetailColor = s.OriginalDetailColor ? g.Color : s.DetailColor;
      c.Width = g.Width * kCharactersPerPixel;
      c.SetWidth = s.SetColumnsWidth;
      c.TextHeader = true;
      c.HeaderHAlign = AlignmentConstant(g.Title.Alignment);
      c.DetailHAlign = AlignmentConstant(g.Alignment);
      c.DatesLeft = false;
    }
  }

  bool Assigned(TExportEvent event) const noexcept override { return ExporterEventAssigned(owner, event); }

  void RunEvent(TExportEvent event, IXLSRange* range, std::int32_t rowIndex,
                const TExportColumn* column) override {
    static const TColumn kNone;
    const std::size_t k = column ? static_cast<std::size_t>(column->Index) : gridColumns.size();
    RunExporterEvent(owner, event, range, rowIndex, column ? column->Index : 0,
                     k < gridColumns.size() ? gridColumns[k] : kNone);
  }

  void RunWorksheetCreate(IXLSWorksheet* sheet) override {
    if (owner.OnWorksheetCreate) owner.OnWorksheetCreate(owner, sheet);
  }

  TDBGrid2Excel& owner;
  TDBGrid* grid = nullptr;
  std::vector<TColumn> gridColumns;
};

TDBGrid2Excel::TDBGrid2Excel() : s_(std::make_unique<State>(*this)) {}
TDBGrid2Excel::~TDBGrid2Excel() = default;

TDBGrid* TDBGrid2Excel::GetDBGrid() const noexcept { return s_->grid; }
void TDBGrid2Excel::SetDBGrid(TDBGrid* grid) noexcept { s_->grid = grid; }

bool TDBGrid2Excel::GetOriginalHeaderFont() const noexcept { return s_->Settings().OriginalHeaderFont; }
void TDBGrid2Excel::SetOriginalHeaderFont(bool value) noexcept { s_->ChangeSettings().OriginalHeaderFont = value; }
bool TDBGrid2Excel::GetOriginalDetailFont() const noexcept { return s_->Settings().OriginalDetailFont; }
void TDBGrid2Excel::SetOriginalDetailFont(bool value) noexcept { s_->ChangeSettings().OriginalDetailFont = value; }
bool TDBGrid2Excel::GetOriginalHeaderColor() const noexcept { return s_->Settings().OriginalHeaderColor; }
void TDBGrid2Excel::SetOriginalHeaderColor(bool value) noexcept { s_->ChangeSettings().OriginalHeaderColor = value; }
bool TDBGrid2Excel::GetOriginalDetailColor() const noexcept { return s_->Settings().OriginalDetailColor; }
void TDBGrid2Excel::SetOriginalDetailColor(bool value) noexcept { s_->ChangeSettings().OriginalDetailColor = value; }

std::int32_t TDBGrid2Excel::ExportDBGrid() { return ExportDBGrid(true); }
std::int32_t TDBGrid2Excel::ExportDBGrid(bool newSheet) { return ExportDBGrid(newSheet, -1, -1); }
std::int32_t TDBGrid2Excel::ExportDBGrid(bool newSheet, std::int32_t row, std::int32_t col) {
  return s_->Export(newSheet, row, col);
}
std::int32_t TDBGrid2Excel::SaveDBGridAs(std::string_view fileName) { return s_->ExportAndSave(fileName); }

TABLIREX_EXPORTER_COMMON(TDBGrid2Excel)

}  // namespace tablirex
