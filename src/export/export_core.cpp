// The export both exporters share.
#include "export/export_core.h"

#include "hyperlinks/hyperlink_list.h"
#include "tablirex/hyperlinks.h"
#include "text/text.h"

#include <algorithm>

#include <array>
#include <cmath>

#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "formats/font_list.h"
#include "tablirex/addressing.h"
#include "tablirex/datetime.h"
#include "tablirex/format_views.h"
#include "tablirex/limits.h"
#include "tablirex/lines.h"
#include "tablirex/result.h"
#include "tablirex/worksheets.h"

namespace tablirex {
namespace {

constexpr std::int32_t kCenter = -4108;
constexpr std::int32_t kLeft = -4131;

// Border indices of the formatting views.
constexpr std::int32_t kEdgeLeft = 7;
constexpr std::int32_t kEdgeTop = 8;
constexpr std::int32_t kEdgeBottom = 9;
constexpr std::int32_t kEdgeRight = 10;

// How a detail cell's number is shown, by its field's data type and value.
enum TValueKind : std::uint8_t { kPlain, kMoney, kDate, kTime, kDateTime, kKindCount };

constexpr const char* kNumFormats[kKindCount] = {nullptr, "#,##0.00", "dd.mm.yyyy", "hh:mm:ss",
                                                  "dd.mm.yyyy hh:mm:ss"};

std::uint32_t Model(std::int32_t constant) noexcept { return static_cast<std::uint32_t>(constant); }

// Date-times show their time only when the value has a time of day.
bool HasTimeOfDay(TField& field, const TVariant& value) {
  if (value.IsEmptyOrNull() || value.IsString()) return false;
  double serial = 0;
  try {
    serial = field.GetAsDateTime();
  } catch (const EVariantError&) {
    return false;
  }
  const TDateParts p = DecodeDateTime(serial);
  return p.hour != 0 || p.minute != 0 || p.second != 0 || p.millisecond != 0;
}

TValueKind KindOf(TField* field, const TVariant& value) {
  if (!field) return kPlain;
  switch (field->GetDataType()) {
    case ftCurrency: return kMoney;
    case ftDate: return kDate;
    case ftTime: return kTime;
    case ftDateTime: return HasTimeOfDay(*field, value) ? kDateTime : kDate;
    default: return kPlain;
  }
}

// Draws a border style on some edges of a cell (all edges when edges is empty).
void DrawBorders(IXLSRange& cell, TBorderStyle style, std::initializer_list<std::int32_t> edges) {
  std::int32_t line = xlContinuous, weight = 0;
  switch (style) {
    case BorderStyleNone: return;
    case BorderStyleSingleHair: weight = xlHairline; break;
    case BorderStyleSingleThick: weight = xlThick; break;
    case BorderStyleSingleThin: weight = xlThin; break;
    case BorderStyleDouble: line = xlDouble; break;
  }
  const Ref<IXLSBorders> borders = cell.GetBorders();
  const auto draw = [&](auto& target) {
    target.SetLineStyle(Model(line));
    if (weight != 0) target.SetWeight(Model(weight));
  };
  if (edges.size() == 0) {
    draw(*borders);
    return;
  }
  for (const std::int32_t e : edges) draw(*borders->GetBorder(e));
}

void ApplyFontStyle(IXLSFont& font, TFontStyles style) {
  if (style & fsBold) font.SetBold(true);
  if (style & fsItalic) font.SetItalic(true);
  if (style & fsUnderline) font.SetUnderLine(2);
  if (style & fsStrikeOut) font.SetStrikethrough(true);
}

bool EndsWithHtml(std::string_view name) {
  if (name.size() < 4) return false;
  std::string tail(name.substr(name.size() - 4));
  for (char& ch : tail)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return tail == ".htm" || tail == "html";
}

}  // namespace

// ---- reuse of detail formats -----------------------------------------------------------
//
// A detail cell's formatting is a fixed program of XF-list conversions: of the cell
// itself, and of the neighbours whose half of a border line a drawn edge takes away.
// Each conversion is a pure function of the format the cell shows before it, so a
// cell with the same column, value kind and starting formats as an earlier one ends
// with the same formats. The first such cell runs the program through the
// formatting views; later ones take the recorded results. Neighbours that exist
// and their formats are part of the inputs; merged cells always run the program.
// Changing a property of the exporter (also from a callback) forgets what was
// remembered. Colours are matched to the palette when a format is first made: a
// palette that a callback changes during an export applies from the next export.

struct TExportCore::TReuse {
  // The neighbour on each side of a cell, and the side of it a drawn edge erases.
  enum Side : std::uint8_t { kLeftCell, kRightCell, kCellAbove, kCellBelow, kSides };
  struct Conversion {
    std::int32_t from, to;
  };
  struct SelfConversion {
    std::uint8_t kind;
    std::int32_t from, to;
  };

  std::uint64_t version = ~std::uint64_t{0};
  const IXLSWorkBook* book = nullptr;
  std::uint8_t sides = 0;  // the neighbours the program touches, a bit per side
  std::vector<std::vector<SelfConversion>> self;  // by output column
  std::array<std::vector<Conversion>, kSides> erase;

  static const std::int32_t* Find(const std::vector<Conversion>& list, std::int32_t from) noexcept {
    for (const Conversion& c : list)
      if (c.from == from) return &c.to;
    return nullptr;
  }
  static void Remember(std::vector<Conversion>& list, std::int32_t from, std::int32_t to) {
    if (!Find(list, from)) list.push_back({from, to});
  }
};

namespace {

// The format a stored cell shows: its own, else its column's, else its row's.
std::int32_t ShownXF(IXLSWorksheet& sheet, const TXLSCellRef& cell) noexcept {
  if (cell.XF > 0) return cell.XF;
  if (const std::int32_t xf = sheet.ColumnInfo().GetXF(cell.Col); xf != 0) return xf;
  return sheet.RowInfo().GetXF(cell.Row);
}

}  // namespace

TExportCore::TExportCore(TBorderStyle borders) : reuse_(std::make_unique<TReuse>()) {
  settings_.HeaderBorderStyle = borders;
  settings_.DetailBorderStyle = borders;
}

TExportCore::~TExportCore() = default;

std::int32_t TExportCore::Fail(std::string message) {
  error_ = std::move(message);
  return xlsFail;
}

std::int32_t RowsPerSheetFor(std::int32_t fileFormat) noexcept {
  if (fileFormat == xlExcel5) return 16384;
  if (fileFormat == 4) return XLSXMaxRow + 1;  // .xlsx
  return XLSMaxRow;
}

std::int32_t FileFormatOfName(std::string_view fileName) {
  if (EndsWithHtml(fileName)) return xlHTML;
  return IsXlsxName(fileName) ? xlOpenXMLWorkbook : xlExcel97;
}

void TExportCore::SetRowsPerSheet(std::int32_t rows) noexcept {
  if (static_cast<std::int32_t>(settings_.StartRow) + 1 < rows && rows <= XLSXMaxRow + 1)
    ChangeSettings().RowsPerSheet = rows;
}

std::int32_t TExportCore::RowsPerSheet() const noexcept {
  const std::int32_t most = RowsPerSheetFor(settings_.FileFormat);
  return settings_.RowsPerSheet > 0 && settings_.RowsPerSheet < most ? settings_.RowsPerSheet : most;
}

void TExportCore::SetFileFormat(std::int32_t format) noexcept {
  if (format >= 1 && format <= 4) ChangeSettings().FileFormat = format;
}

void TExportCore::SetWorkbook(Ref<IXLSWorkBook> workbook) {
  workbook_ = std::move(workbook);
  sheet_ = nullptr;
  cells_.reset();
}

// ---- the steps -------------------------------------------------------------------------------

std::int32_t TExportCore::CreateWorkbook() {
  SetWorkbook(tablirex::CreateWorkbook());
  return xlsOK;
}

std::int32_t TExportCore::CreateWorksheet() {
  if (!workbook_) return Fail("no workbook to add a sheet to: create one first");
  sheet_ = workbook_->GetWorksheets()->Add();
  cells_ = sheet_->GetCells();
  if (settings_.WorksheetName.empty()) settings_.WorksheetName = "Sheet1";
  // A name another sheet bears already is refused: the sheet keeps its own.
  sheet_->SetWorkSheetName(settings_.WorksheetName);
  headerRow_ = settings_.StartRow;
  startCol_ = settings_.StartCol;
  RunWorksheetCreate(sheet_);
  return xlsOK;
}

std::int32_t TExportCore::Prepare() {
  error_.clear();
  dataset_ = DataSetInUse();
  if (!dataset_) return xlsFail;
  columns_.clear();
  MakeColumns(*dataset_, columns_);
  if (columns_.empty()) return Fail("nothing to export: no columns to write");
  // A font a cell cannot take would leave its cells in the default font unsaid.
  for (const TExportColumn& column : columns_)
    for (const TFont* font : {&column.HeaderFont, &column.DetailFont})
      if (std::string why = TXLSFontList::CheckName(Utf8ToUtf16(font->GetName())); !why.empty())
        return Fail("the font of column " + column.Caption + ": " + why);
  return xlsOK;
}

Ref<IXLSRange> TExportCore::Cell(std::int32_t row, std::int32_t col) {
  return cells_->GetItem(static_cast<std::uint32_t>(row + 1), static_cast<std::uint16_t>(col + 1));
}

Ref<IXLSRange> TExportCore::Block(std::int32_t row1, std::int32_t col1, std::int32_t row2, std::int32_t col2) {
  return sheet_->GetRange(EncodeCellRef(static_cast<std::uint32_t>(row1), static_cast<std::uint16_t>(col1)),
                          EncodeCellRef(static_cast<std::uint32_t>(row2), static_cast<std::uint16_t>(col2)));
}

void TExportCore::RangeEvent(TExportEvent event, std::int32_t row1, std::int32_t row2, std::int32_t rowIndex) {
  if (!Assigned(event)) return;
  const auto lastCol = startCol_ + static_cast<std::int32_t>(columns_.size()) - 1;
  const Ref<IXLSRange> range = Block(row1, startCol_, row2, lastCol);
  RunEvent(event, range.get(), rowIndex, nullptr);
}

std::int32_t TExportCore::Export(bool newSheet, std::int32_t row, std::int32_t col) {
  TXLS_RETURN_ON_ERROR(Prepare());
  if (!workbook_) {
    TXLS_RETURN_ON_ERROR(CreateWorkbook());
    TXLS_RETURN_ON_ERROR(CreateWorksheet());
  } else if (newSheet) {
    TXLS_RETURN_ON_ERROR(CreateWorksheet());
  } else if (!sheet_) {
    // The active sheet; a workbook that never had one activated gives its first.
    sheet_ = workbook_->GetActiveSheet();
    if (!sheet_) sheet_ = workbook_->GetWorksheets()->Get(1);
    if (sheet_)
      cells_ = sheet_->GetCells();
    else
      TXLS_RETURN_ON_ERROR(CreateWorksheet());
  }
  if (row < 0 || col < 0) {
    startCol_ = settings_.StartCol;
    // Below the used range, moved down by StartRow; a sheet without cells starts
    // at StartRow itself.
    if (sheet_->Cells().CellCount() == 0) {
      headerRow_ = settings_.StartRow;
    } else {
      const Ref<IXLSRange> used = sheet_->GetUsedRange();
      headerRow_ = used->GetLastRow() + 1 + settings_.StartRow;
    }
  } else {
    headerRow_ = row;
    startCol_ = col;
  }
  const auto n = static_cast<std::int32_t>(columns_.size());
  // The grid of the file the export is for: .xlsx sheets are larger.
  const bool wide = settings_.FileFormat == 4;
  const std::int32_t lastRow = wide ? XLSXMaxRow : XLSMaxRow, lastCol = wide ? XLSXMaxCol : XLSMaxCol;
  if (headerRow_ >= lastRow)
    return Fail("no room on the sheet: the header would go on row " + std::to_string(headerRow_ + 1) +
                ", leaving no row of the " + std::to_string(lastRow + 1) + " for records");
  if (startCol_ + n - 1 > lastCol)
    return Fail(std::to_string(n) + " columns from column " + std::to_string(startCol_ + 1) +
                " do not fit the sheet's " + std::to_string(lastCol + 1) + " columns");
  // The workbook is titled after what it shows, unless it has a title already.
  if (workbook_->GetTitle().empty() &&
      workbook_->SetTitle(settings_.Title.empty() ? sheet_->GetWorkSheetName() : settings_.Title) != xlsOK)
    return Fail(workbook_->GetLastError());
  total_ = 0;
  onSheet_ = 0;
  TXLS_RETURN_ON_ERROR(ExportHeader());
  TXLS_RETURN_ON_ERROR(ExportDetail());
  RangeEvent(TExportEvent::Export, headerRow_, headerRow_ + onSheet_);
  FinishBlock(headerRow_ + onSheet_);
  return xlsOK;
}

std::int32_t TExportCore::ExportHeaderStep() {
  TXLS_RETURN_ON_ERROR(Prepare());
  if (!sheet_) return Fail("no worksheet to write the header on: create one first");
  return ExportHeader();
}

std::int32_t TExportCore::ExportDetailStep() {
  TXLS_RETURN_ON_ERROR(Prepare());
  if (!sheet_) return Fail("no worksheet to write the records on: create one first");
  TXLS_RETURN_ON_ERROR(ExportDetail());
  FinishBlock(headerRow_ + onSheet_);
  return xlsOK;
}

void TExportCore::FinishBlock(std::int32_t lastRow) {
  if (!settings_.AutoFitColumns || !sheet_) return;
  const auto lastCol = startCol_ + static_cast<std::int32_t>(columns_.size()) - 1;
  Block(headerRow_, startCol_, lastRow, lastCol)->AutoFit();
}

// ---- header --------------------------------------------------------------------------------------

bool LinkExportAddress(const TVariant& value) {
  const std::string s = value.AsString();
  if (s.size() > kMaxLinkText || s.find_first_of(" \t\r\n") != std::string::npos) return false;
  const std::string scheme = LinkScheme(Utf8ToUtf16(s));
  if (scheme == "mailto") return s.size() > 7 && s.find('@') != std::string::npos;
  return (scheme == "http" || scheme == "https") && s.find("://") == scheme.size() && s.size() > scheme.size() + 3;
}

void TExportCore::WriteValue(IXLSRange& cell, const TVariant& value) {
  if (settings_.Hyperlinks && value.IsString() && LinkExportAddress(value)) {
    cell.SetText(value.AsString());
    if (!sheet_->GetHyperlinks()->Add(&cell, value.AsString(), "", "", "")) error_ = sheet_->Workbook().GetLastError();
    return;
  }
  // Texts of the data stay texts unless the caller asked for formulas.
  if (!settings_.AllowFormulas && value.Type() == varString) {
    cell.SetText(value.StringRef());
    return;
  }
  if (!settings_.AllowFormulas && value.Type() == varOleStr) {
    cell.SetText(value.AsString());
    return;
  }
  // Only a formula text, a date or a floating-point number can be refused by the
  // sheet (a text the compiler cannot read, a date outside the calendar, a number
  // that is no number); such a value is data all the same and is kept as the text
  // it reads as. Other kinds skip the check.
  const TVarType type = value.Type();
  const bool mayBeRefused = type == varDate || type == varDouble || type == varSingle ||
                            (value.IsString() && value.AsString().rfind('=', 0) == 0);
  if (!mayBeRefused) {
    cell.SetValue(value);
    return;
  }
  workbook_->ClearLastError();
  cell.SetValue(value);
  if (!workbook_->GetLastError().empty()) {
    workbook_->ClearLastError();
    cell.SetText(value.AsString());
  }
}

void TExportCore::WriteHeaderCell(IXLSRange& cell, const TExportColumn& column) {
  const TFont& font = column.HeaderFont;
  WriteValue(cell, TVariant(column.Caption));
  const Ref<IXLSFont> view = cell.GetFont();
  view->SetName(font.GetName());
  view->SetSize(static_cast<float>(font.GetSize()));
  if (column.TextHeader) cell.SetNumFormat("@");
  // Fitted columns take their widths from what they show, once the records are in.
  if (column.SetWidth && !settings_.AutoFitColumns) cell.GetEntireColumn()->SetColumnWidth(TVariant(column.Width));
  DrawBorders(cell, settings_.HeaderBorderStyle, {});
  if (settings_.HeaderBorderColor != clNone) cell.GetBorders()->SetColor(ColorToRGB(settings_.HeaderBorderColor));
  if (font.GetColor() != clNone) view->SetColor(ColorToRGB(font.GetColor()));
  cell.SetHAlign(TVariant(column.HeaderHAlign));
  cell.SetVAlign(TVariant(kCenter));
  ApplyFontStyle(*view, font.GetStyle());
  if (column.HeaderColor != clNone) cell.GetInterior()->SetColor(ColorToRGB(column.HeaderColor));
}

std::int32_t TExportCore::ExportHeader() {
  for (const TExportColumn& column : columns_) {
    const auto i = static_cast<std::int32_t>(&column - columns_.data());
    const Ref<IXLSRange> cell = Cell(headerRow_, startCol_ + i);
    WriteHeaderCell(*cell, column);
    if (Assigned(TExportEvent::HeaderCell)) RunEvent(TExportEvent::HeaderCell, cell.get(), 0, &column);
  }
  // The rows down to the header stay in view; the records scroll below them.
  if (settings_.FreezeHeader) sheet_->FreezePanes(headerRow_ + 1, 0, -1, -1);
  if (settings_.AutoFilter && !columns_.empty()) {
    // The header row alone: the filter takes the records below it at save.
    const std::int32_t last = std::min<std::int32_t>(startCol_ + static_cast<std::int32_t>(columns_.size()) - 1,
                                                     XLSXMaxCol);
    const auto row = static_cast<std::uint32_t>(headerRow_);
    if (sheet_->GetRange(EncodeCellRef(row, static_cast<std::uint16_t>(startCol_)),
                         EncodeCellRef(row, static_cast<std::uint16_t>(last)))
            ->AutoFilter() != xlsOK)
      return Fail("no filter drop-downs on the header row: " + workbook_->GetLastError());
  }
  RangeEvent(TExportEvent::Header, headerRow_, headerRow_);
  return xlsOK;
}

// ---- records -----------------------------------------------------------------------------------

void TExportCore::FormatDetailCell(IXLSRange& cell, const TExportColumn& column, std::uint8_t kind) {
  const TFont& font = column.DetailFont;
  const Ref<IXLSFont> view = cell.GetFont();
  view->SetName(font.GetName());
  view->SetSize(static_cast<float>(font.GetSize()));
  if (font.GetColor() != clNone) view->SetColor(ColorToRGB(font.GetColor()));
  if (column.DetailColor != clNone) cell.GetInterior()->SetColor(ColorToRGB(column.DetailColor));
  ApplyFontStyle(*view, font.GetStyle());
  // The top edge belongs to the header's bottom line when the header has one.
  const bool top = settings_.HeaderBorderStyle == BorderStyleNone;
  if (top)
    DrawBorders(cell, settings_.DetailBorderStyle, {kEdgeBottom, kEdgeLeft, kEdgeRight, kEdgeTop});
  else
    DrawBorders(cell, settings_.DetailBorderStyle, {kEdgeBottom, kEdgeLeft, kEdgeRight});
  if (settings_.DetailBorderColor != clNone) {
    const std::uint32_t rgb = ColorToRGB(settings_.DetailBorderColor);
    const Ref<IXLSBorders> borders = cell.GetBorders();
    for (const std::int32_t e : {kEdgeBottom, kEdgeLeft, kEdgeRight}) borders->GetBorder(e)->SetColor(rgb);
    if (top && settings_.HeaderBorderColor == clNone) borders->GetBorder(kEdgeTop)->SetColor(rgb);
  }
  if (column.DetailHAlign != 0) cell.SetHAlign(TVariant(column.DetailHAlign));
  if (const char* format = kNumFormats[kind]) {
    cell.SetNumFormat(format);
    if (column.DatesLeft && kind != kMoney) cell.SetHAlign(TVariant(kLeft));
  }
}

void TExportCore::FormatDetailFast(IXLSRange& cell, std::size_t columnNo, const TExportColumn& column,
                                   std::uint8_t kind) {
  TReuse& reuse = *reuse_;
  if (reuse.version != settingsVersion_ || reuse.book != workbook_.get() || reuse.self.size() != columns_.size()) {
    reuse.version = settingsVersion_;
    reuse.book = workbook_.get();
    reuse.self.assign(columns_.size(), {});
    for (auto& list : reuse.erase) list.clear();
    const TExportSettings& s = settings_;
    const bool top = s.HeaderBorderStyle == BorderStyleNone;
    const bool styled = s.DetailBorderStyle != BorderStyleNone;
    const bool coloured = s.DetailBorderColor != clNone;
    reuse.sides = 0;
    // A drawn edge takes the facing half of the line from the neighbour there.
    if (styled || coloured)
      reuse.sides = (1u << TReuse::kLeftCell) | (1u << TReuse::kRightCell) | (1u << TReuse::kCellBelow);
    if ((styled && top) || (coloured && top && s.HeaderBorderColor == clNone))
      reuse.sides |= 1u << TReuse::kCellAbove;
  }

  IXLSWorksheet& sheet = *sheet_;
  TXLSCellHeap& store = sheet.Cells();
  const std::int32_t row = cell.GetFirstRow(), col = cell.GetFirstCol();
  TXLSCellRef* self = store.GetValue(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col));
  // A cell not made yet (a column without a field) shows its column's or row's format.
  std::int32_t shown = 0;
  if (self)
    shown = ShownXF(sheet, *self);
  else if (shown = sheet.ColumnInfo().GetXF(col); shown == 0)
    shown = sheet.RowInfo().GetXF(row);
  struct Neighbour {
    TXLSCellRef* cell;
    std::int32_t shown;
    const std::int32_t* to;
  };
  std::array<Neighbour, TReuse::kSides> near{};
  bool known = !self || !self->IsMerged;
  const std::int32_t* result = nullptr;
  if (known)
    for (const auto& c : reuse.self[columnNo])
      if (c.kind == kind && c.from == shown) result = &c.to;
  known = known && result;
  static constexpr std::int32_t kDRow[] = {0, 0, -1, 1}, kDCol[] = {-1, 1, 0, 0};
  for (std::uint8_t side = 0; side < TReuse::kSides; ++side) {
    if (!(reuse.sides & (1u << side))) continue;
    const std::int32_t r = row + kDRow[side], c = col + kDCol[side];
    if (r < 0 || r > XLSXMaxRow || c < 0 || c > XLSXMaxCol) continue;
    Neighbour& nb = near[side];
    nb.cell = store.GetValue(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c));
    if (!nb.cell) continue;
    if (nb.cell->IsMerged) known = false;
    nb.shown = ShownXF(sheet, *nb.cell);
    nb.to = TReuse::Find(reuse.erase[side], nb.shown);
    if (!nb.to) known = false;
  }

  if (!known) {
    FormatDetailCell(cell, column, kind);
    if (!self) self = store.GetValue(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col));
    if (self && !self->IsMerged) {
      reuse.self[columnNo].push_back({kind, shown, self->XF});
      for (std::uint8_t side = 0; side < TReuse::kSides; ++side)
        if (near[side].cell && !near[side].cell->IsMerged)
          TReuse::Remember(reuse.erase[side], near[side].shown, near[side].cell->XF);
    }
    return;
  }
  cell.SetXFIndex(*result);
  for (std::uint8_t side = 0; side < TReuse::kSides; ++side)
    if (near[side].cell) {
      const Ref<IXLSRange> other = Cell(row + kDRow[side], col + kDCol[side]);
      other->SetXFIndex(*near[side].to);
    }
}

std::int32_t TExportCore::SourceFailed(const TDataSet& data) {
  const std::string& message = data.GetErrorText();
  return Fail(message.empty() ? std::string("the dataset failed without a message") : message);
}

std::int32_t TExportCore::ExportDetail() {
  TDataSet& data = *dataset_;
  data.DisableControls();
  const TBookmark bookmark = data.GetBookmark();
  const std::int32_t result = WriteRecords(data);
  // Whatever happened, the dataset goes back to its record and its controls repaint.
  data.GotoBookmark(bookmark);
  data.FreeBookmark(bookmark);
  data.EnableControls();
  return result;
}

std::int32_t TExportCore::WriteRecords(TDataSet& data) {
  if (data.First() != xlsOK) return SourceFailed(data);
  std::int32_t r = headerRow_ + 1;
  total_ = 0;
  onSheet_ = 0;
  const auto n = static_cast<std::int32_t>(columns_.size());
  TVariant value;
  while (!data.Eof()) {
    ++total_;
    ++onSheet_;
    const auto rowIndex = static_cast<std::int32_t>(total_);
    for (std::int32_t i = 0; i < n; ++i) {
      const TExportColumn& column = columns_[static_cast<std::size_t>(i)];
      const Ref<IXLSRange> cell = Cell(r, startCol_ + i);
      std::uint8_t kind = kPlain;
      if (column.Field) {
        value = column.Field->GetValue();
        WriteValue(*cell, value);
        kind = KindOf(column.Field, value);
      }
      FormatDetailFast(*cell, static_cast<std::size_t>(i), column, kind);
      if (Assigned(TExportEvent::DetailCell)) RunEvent(TExportEvent::DetailCell, cell.get(), rowIndex, &column);
    }
    RangeEvent(TExportEvent::DetailRow, r, r, rowIndex);
    if (data.Next() != xlsOK) return SourceFailed(data);
    ++r;
    // Sheet break: the next record would lie below RowsPerSheet.
    if (r + 1 > RowsPerSheet() && !data.Eof()) {
      RangeEvent(TExportEvent::Detail, headerRow_ + 1, r - 1);
      RangeEvent(TExportEvent::Export, headerRow_, r - 1);
      FinishBlock(r - 1);
      TXLS_RETURN_ON_ERROR(CreateWorksheet());
      TXLS_RETURN_ON_ERROR(ExportHeader());
      r = headerRow_ + 1;
      onSheet_ = 0;
    }
  }
  // Without records the block is the empty row below the header: ranges put their
  // corners in order, so "header + 1 to header" would take in the header itself.
  RangeEvent(TExportEvent::Detail, headerRow_ + 1, std::max(r - 1, headerRow_ + 1));
  return xlsOK;
}

// ---- saving -----------------------------------------------------------------------------------

std::int32_t TExportCore::SaveAs(std::string_view fileName) { return SaveAs(fileName, FileFormatOfName(fileName)); }

std::int32_t TExportCore::SaveAs(std::string_view fileName, std::int32_t fileFormat) {
  error_.clear();
  if (!workbook_) return Fail("nothing to save: no export has run yet");
  if (fileFormat < 1 || fileFormat > 4)
    return Fail("unknown file format " + std::to_string(fileFormat) + " (1 Excel 5, 2 Excel 97, 3 HTML, 4 .xlsx)");
  // The workbook's own reason names what failed: the file, or in a strict save the
  // first cell that the file cannot hold whole.
  workbook_->ClearLastError();
  if (workbook_->SaveAs(fileName, fileFormat) != xlsOK) {
    const std::string why = workbook_->GetLastError();
    return Fail(why.empty() ? "could not write " + std::string(fileName) : why);
  }
  return xlsOK;
}

std::int32_t TExportCore::ExportAndSave(std::string_view fileName) {
  // The sheets break where the file's sheets end.
  SetFileFormat(FileFormatOfName(fileName));
  std::int32_t result = Export(true, -1, -1);
  if (result == xlsOK) result = SaveAs(fileName);
  SetWorkbook(nullptr);
  return result;
}

}  // namespace tablirex
