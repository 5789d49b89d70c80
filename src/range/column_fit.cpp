// Fitting columns to the texts their cells show (IXLSRange::AutoFit).
//
// A column's width is its widest shown text. Texts are measured one by one;
// numbers and dates are measured no more often than their number format needs:
// under a format with fixed decimals only the largest magnitude of each sign can
// give the widest text, a date format of fixed-width parts shows every date in
// the same width, and the plain form's width is counted without building the
// text. Only other formats (month names, fractions, ...) format every value.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "cells/sst.h"
#include "formats/xf_list.h"
#include "range/range_impl.h"
#include "tablirex/datetime.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "text/display_width.h"
#include "text/number_format.h"
#include "text/text.h"

namespace tablirex {
namespace {

// Widths a fitted column takes, in characters of the default font.
constexpr double kMinFitWidth = 2;
constexpr double kMaxFitWidth = 80;
// Bold characters are about a tenth wider than regular ones.
constexpr double kBoldFactor = 1.1;
// The size of the default font, whose characters the widths count.
constexpr double kDefaultPoints = 10;
// Serial numbers of calendar dates a date format can show (years 1 to 9999).
constexpr double kFirstDateSerial = -693593, kLastDateSerial = 2958465;

// The cells of one column that show one format: their widest text so far, and
// for the numbers the least the format needs to find theirs.
struct TFormatGroup {
  std::int32_t xf = 0;
  double scale = 1;  // characters of this font per character of the default font
  TFormatWidth kind = TFormatWidth::Plain;
  std::string format;  // UTF-8
  std::size_t widest = 0;
  // Monotone formats: the largest magnitude of each sign, and whether 0 occurs.
  bool positive = false, negative = false, zero = false;
  double maxPositive = 0, minNegative = 0;
  // Fixed formats: one calendar date measured.
  bool dateMeasured = false;

  void Take(std::size_t width) noexcept {
    if (width > widest) widest = width;
  }

  void Number(double v, bool isDate) {
    switch (kind) {
      case TFormatWidth::Plain:
        if (isDate) {
          // The plain form of a date: yyyy-mm-dd, with " hh:nn:ss" when it has a time.
          bool timed = v != std::floor(v);
          if (timed) {
            const TDateParts p = DecodeDateTime(v);
            timed = p.hour != 0 || p.minute != 0 || p.second != 0 || p.millisecond != 0;
          }
          Take(timed ? 19 : 10);
          return;
        }
        [[fallthrough]];
      case TFormatWidth::General:
        Take(PlainNumberWidth(v));
        return;
      case TFormatWidth::Monotone:
        if (v > 0) {
          if (!positive || v > maxPositive) maxPositive = v;
          positive = true;
        } else if (v < 0) {
          if (!negative || v < minNegative) minNegative = v;
          negative = true;
        } else {
          zero = true;
        }
        return;
      case TFormatWidth::Fixed:
        if (v >= kFirstDateSerial && v < kLastDateSerial) {
          if (dateMeasured) return;
          dateMeasured = true;
        }
        [[fallthrough]];
      case TFormatWidth::Varying:
        Take(TextDisplayWidth(Utf8ToUtf16(FormatFloatPattern(format, v))));
        return;
    }
  }

  // The widest text of the group, in characters of the default font.
  double Width() {
    const auto shown = [this](double v) { Take(TextDisplayWidth(Utf8ToUtf16(FormatFloatPattern(format, v)))); };
    if (positive) shown(maxPositive);
    if (negative) shown(minNegative);
    if (zero) shown(0);
    positive = negative = zero = false;
    return static_cast<double>(widest) * scale;
  }
};

// The format groups of every column of a fit.
class TColumnFitter {
 public:
  TColumnFitter(IXLSWorksheet& sheet, std::uint32_t col1, std::uint32_t col2)
      : sheet_(sheet), xfs_(sheet.Workbook().XFList()), sst_(sheet.Workbook().StringTable()), col1_(col1),
        columns_(col2 - col1 + 1) {}

  void Measure(const TXLSCellRef& cell) {
    // Merged areas show their text across several columns: they fit none.
    if (cell.IsMerged) return;
    switch (cell.ValueType) {
      case xlString: Group(cell).Take(TextDisplayWidth(sst_.GetValue(cell.SSTIndex))); return;
      case xlDoubleNumber: Group(cell).Number(cell.NumValue, false); return;
      case xlDateTime: Group(cell).Number(cell.NumValue, true); return;
      case xlBoolean: Group(cell).Take(cell.NumValue != 0.0 ? 4 : 5); return;
      case xlEmpty: case xlFormula: return;  // a formula's result is not known before it is calculated
    }
  }

  void Apply() {
    TXLSColumnInfoList& cols = sheet_.ColumnInfo();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      std::vector<TFormatGroup>& groups = columns_[i].groups;
      if (groups.empty()) continue;
      double width = 0;
      for (TFormatGroup& g : groups) width = std::max(width, g.Width());
      cols.SetWidth(static_cast<std::int32_t>(col1_ + i), std::clamp(width, kMinFitWidth, kMaxFitWidth));
    }
  }

 private:
  struct TColumn {
    std::vector<TFormatGroup> groups;
    std::size_t last = 0;  // the group of the column's last cell
  };

  TFormatGroup& Group(const TXLSCellRef& cell) {
    TColumn& column = columns_[cell.Col - col1_];
    // The format the cell shows: its own, else its column's, else its row's.
    std::int32_t xf = cell.XF;
    if (xf <= 0 && (xf = sheet_.ColumnInfo().GetXF(cell.Col)) == 0) xf = sheet_.RowInfo().GetXF(cell.Row);
    if (column.last < column.groups.size() && column.groups[column.last].xf == xf) return column.groups[column.last];
    for (std::size_t i = 0; i < column.groups.size(); ++i)
      if (column.groups[i].xf == xf) {
        column.last = i;
        return column.groups[i];
      }
    TFormatGroup& g = column.groups.emplace_back();
    column.last = column.groups.size() - 1;
    g.xf = xf;
    g.scale = xfs_.GetFontSize(xf) / kDefaultPoints * (xfs_.GetFontBold(xf) ? kBoldFactor : 1.0);
    g.format = Utf16ToUtf8(xfs_.GetNumFormat(xf));
    g.kind = ClassifyFormatWidth(g.format);
    return g;
  }

  IXLSWorksheet& sheet_;
  TXLSXFList& xfs_;
  TXLSStringTable& sst_;
  std::uint32_t col1_;
  std::vector<TColumn> columns_;
};

}  // namespace

std::int32_t TXLSRange::AutoFit() {
  if (Dead()) return xlsFail;
  IXLSWorksheet& sheet = *Sheet();
  TXLSCellHeap& store = sheet.Cells();
  const std::uint32_t r1 = MinRow(), r2 = MaxRow(), c1 = MinCol(), c2 = MaxCol();
  TColumnFitter fitter(sheet, c1, c2);
  const std::uint64_t area = std::uint64_t{r2 - r1 + 1} * (c2 - c1 + 1);
  if (area <= store.CellCount()) {
    // A small block: its cells are looked up.
    for (std::uint32_t r = r1; r <= r2; ++r)
      for (std::uint32_t c = c1; c <= c2; ++c)
        if (const TXLSCellRef* cell = store.GetValue(r, c)) fitter.Measure(*cell);
  } else {
    store.ForEach([&](const TXLSCellRef& cell) {
      if (cell.Row >= r1 && cell.Row <= r2 && cell.Col >= c1 && cell.Col <= c2) fitter.Measure(cell);
    });
  }
  fitter.Apply();
  return xlsOK;
}

}  // namespace tablirex
