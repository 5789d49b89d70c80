// Range formatting: how a range moves its cells, rows and columns from one shared
// extended format to another, and the font, fill, alignment, wrapping, rotation and
// number-format properties built on that.
#include <algorithm>
#include <cstdint>
#include <string>

#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "formats/font_list.h"
#include "formats/xf_list.h"
#include "range/format_views_impl.h"
#include "cells/rich_text.h"
#include "range/range_impl.h"
#include "range/xf_memo.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"

namespace tablirex {
namespace {

// A covered cell of a merged area: only the area's top-left cell carries a format.
bool IsCovered(const TXLSCellRef& cell) noexcept { return cell.IsMerged && !cell.IsMergeOwner; }

// An integer of the object model, which may arrive as the unsigned 32-bit pattern
// of a negative constant (4294963165 for -4131). Raises EVariantError for values
// that are no number.
std::int32_t ModelInteger(const TVariant& v) {
  const std::int64_t x = v.AsInt64();
  if (x > INT32_MAX && x <= static_cast<std::int64_t>(UINT32_MAX))
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(x));
  if (x < INT32_MIN || x > INT32_MAX) return INT32_MIN;
  return static_cast<std::int32_t>(x);
}

// Horizontal alignment: the object model's constant at each alignment code.
constexpr std::int32_t kHAlign[] = {1, -4131, -4108, -4152, 5, -4130, 7, -4117};
// Vertical alignment: constant at each code.
constexpr std::int32_t kVAlign[] = {-4160, -4108, -4107, -4130, -4117};

template <std::size_t N>
std::int32_t CodeOf(const std::int32_t (&table)[N], std::int32_t constant) noexcept {
  for (std::size_t i = 0; i < N; ++i)
    if (table[i] == constant) return static_cast<std::int32_t>(i);
  return -1;
}

template <std::size_t N>
std::int32_t ConstantOf(const std::int32_t (&table)[N], std::int32_t code) noexcept {
  return code >= 0 && static_cast<std::size_t>(code) < N ? table[code] : 0;
}

// Rotation byte values: 0-90 counter-clockwise, 91-180 clockwise, 255 stacked.
constexpr std::int32_t kStacked = 255;

// Font sizes in points the spreadsheet offers, and the longest number format.
constexpr float kMinFontSize = 1.0f;
constexpr float kMaxFontSize = 409.0f;
constexpr std::size_t kMaxNumFormatLength = 255;

}  // namespace

// ---- the format a cell shows ------------------------------------------------------------

std::int32_t TXLSRange::GetXFIndex(std::int32_t row, std::int32_t col, bool& own) {
  if (Dead()) return {};
  if (const TXLSCellRef* cell =
          sheet_->Cells().GetValue(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col)))
    return ShownXF(*cell, own);
  own = false;
  if (const std::int32_t xf = sheet_->ColumnInfo().GetXF(col); xf != 0) return xf;
  return sheet_->RowInfo().GetXF(row);
}

std::int32_t TXLSRange::ShownXF(const TXLSCellRef& cell, bool& own) {
  if (Dead()) return {};
  own = cell.XF > 0;
  if (own) return cell.XF;
  // A column's format wins over a row's for a cell without a format of its own.
  if (const std::int32_t xf = sheet_->ColumnInfo().GetXF(cell.Col); xf != 0) return xf;
  return sheet_->RowInfo().GetXF(cell.Row);
}

std::int32_t TXLSRange::TopLeftXF() {
  if (Dead()) return {};
  bool own;
  return GetXFIndex(MinRow(), MinCol(), own);
}

std::int32_t TXLSRange::XFIndex() {
  if (Dead()) return {};
  return TopLeftXF();
}

// ---- applying one property ---------------------------------------------------------------

void TXLSRange::SetXFProperty(const TVariant& value, TSetXFProperty setter) {
  if (Dead()) return;
  TXLSXFList& xfs = sheet_->Workbook().XFList();
  TXLSCellHeap& store = sheet_->Cells();
  TXLSColumnInfoList& cols = sheet_->ColumnInfo();
  TXLSRowInfoList& rows = sheet_->RowInfo();
  TXFMemo memo;
  const auto convert = [&](std::int32_t xf, bool own) { return (xfs.*setter)(xf, value, own); };
  // Gives an existing cell the converted format of what it shows.
  const auto convertCell = [&](TXLSCellRef& cell) {
    bool own;
    const std::int32_t shown = ShownXF(cell, own);
    cell.XF = memo.Apply(xfs, shown, own, convert);
    ApplyFontChangeToRuns(sheet_->Workbook(), cell, setter, value);  // the parts of a rich text
  };
  // A row's or column's own reference moves to the converted format. The setter
  // moves it when told the caller held one, and SetXF moves it again: the setter's
  // move is taken back so that the reference moves once.
  const auto convertLine = [&](std::int32_t xf) {
    const std::int32_t result = (xfs.*setter)(xf, value, true);
    xfs.ReplaceIndex(result, xf);
    return result;
  };

  switch (GetRangeType()) {
    case 1: {  // whole columns: the columns' formats and the cells that exist
      const bool hasCells = store.RowCount() > 0;
      for (std::int32_t c = MinCol(); c <= MaxCol(); ++c) {
        cols.SetXF(c, convertLine(cols.GetXF(c)));
        memo.Forget();
        // Only the columns that hold cells are walked: most of a wide sheet's have none.
        if (!hasCells || c < store.FirstCol() || c > store.LastCol()) continue;
        for (std::int32_t r = store.FirstRow(); r <= store.LastRow(); ++r) {
          TXLSCellRef* cell = store.GetValue(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c));
          if (cell && !IsCovered(*cell)) convertCell(*cell);
        }
      }
      break;
    }
    case 2: {  // whole rows: the rows' formats, the cells that exist, and cells
               // where a column's format would otherwise show through
      std::int32_t c1 = 0, c2 = -1;
      if (store.ColCount() > 0) {
        c1 = store.FirstCol();
        c2 = store.LastCol();
      }
      if (cols.GetCount() > 0) {
        c1 = c2 < c1 ? cols.GetFirstCol() : std::min<std::int32_t>(c1, cols.GetFirstCol());
        c2 = std::max<std::int32_t>(c2, cols.GetLastCol());
      }
      for (std::int32_t r = MinRow(); r <= MaxRow(); ++r) {
        const std::int32_t oldRowXF = rows.GetXF(r);
        rows.SetXF(r, convertLine(oldRowXF));
        memo.Forget();
        for (std::int32_t c = c1; c <= c2; ++c) {
          TXLSCellRef* cell = store.GetValue(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c));
          if (cell) {
            if (!IsCovered(*cell)) convertCell(*cell);
            continue;
          }
          if (!cols.GetColumnInfo(c)) continue;
          // The cell takes the converted format of what it showed before the row
          // changed: the column's format, or the row's old one where the column
          // has none.
          const std::int32_t colXF = cols.GetXF(c);
          const std::int32_t before = colXF != 0 ? colXF : oldRowXF;
          const std::int32_t result = (xfs.*setter)(before, value, false);
          memo.Remember(before, result);
          store.GetOrCreateValue(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c))->XF = result;
        }
      }
      break;
    }
    default:  // a block of cells, each created when missing
      for (std::int32_t r = MinRow(); r <= MaxRow(); ++r)
        for (std::int32_t c = MinCol(); c <= MaxCol(); ++c) {
          TXLSCellRef* cell = store.GetOrCreateValue(r, c);
          if (cell && !IsCovered(*cell)) convertCell(*cell);
        }
      break;
  }
  if (xfs.TakeLimitReached())
    Refuse("the workbook holds as many cell formats as a file can (" + std::to_string(TXLSXFList::kMaxXFRecords) +
           " formats, " + std::to_string(TXLSXFList::kMaxNumFormats) +
           " number formats): cells that needed a new one kept theirs");
}

// ---- font ------------------------------------------------------------------------------------

bool TXLSRange::GetFontBold() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontBold(TopLeftXF());
}
std::u16string TXLSRange::GetFontName() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontName(TopLeftXF());
}
double TXLSRange::GetFontSize() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontSize(TopLeftXF());
}
std::int32_t TXLSRange::GetFontColorIndex() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontColorIndex(TopLeftXF());
}
bool TXLSRange::GetFontItalic() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontItalic(TopLeftXF());
}
bool TXLSRange::GetFontStrikethrough() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontStrikethrough(TopLeftXF());
}
bool TXLSRange::GetFontOutLineFont() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontOutLineFont(TopLeftXF());
}
bool TXLSRange::GetFontShadow() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontShadow(TopLeftXF());
}
std::uint8_t TXLSRange::GetFontUnderLine() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontUnderLine(TopLeftXF());
}
bool TXLSRange::GetFontSubScript() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontSubScript(TopLeftXF());
}
bool TXLSRange::GetFontSuperScript() {
  if (Dead()) return {};
  return sheet_->Workbook().XFList().GetFontSuperScript(TopLeftXF());
}

void TXLSRange::SetFontBold(bool value) {
  if (Dead()) return;
  SetXFProperty(TVariant(value), &TXLSXFList::SetFontBold);
}
void TXLSRange::SetFontItalic(bool value) {
  if (Dead()) return;
  SetXFProperty(TVariant(value), &TXLSXFList::SetFontItalic);
}
void TXLSRange::SetFontStrikethrough(bool value) {
  if (Dead()) return;
  SetXFProperty(TVariant(value), &TXLSXFList::SetFontStrikethrough);
}
void TXLSRange::SetFontOutLineFont(bool value) {
  if (Dead()) return;
  SetXFProperty(TVariant(value), &TXLSXFList::SetFontOutLineFont);
}
void TXLSRange::SetFontShadow(bool value) {
  if (Dead()) return;
  SetXFProperty(TVariant(value), &TXLSXFList::SetFontShadow);
}
void TXLSRange::SetFontSubScript(bool value) {
  if (Dead()) return;
  SetXFProperty(TVariant(value), &TXLSXFList::SetFontSubScript);
}
void TXLSRange::SetFontSuperScript(bool value) {
  if (Dead()) return;
  SetXFProperty(TVariant(value), &TXLSXFList::SetFontSuperScript);
}
void TXLSRange::SetFontColorIndex(std::uint32_t value) {
  if (Dead()) return;
  SetXFProperty(TVariant::OfInteger(varLongWord, value), &TXLSXFList::SetFontColorIndex);
}
void TXLSRange::SetFontName(std::u16string_view name) {
  if (Dead()) return;
  if (std::string why = TXLSFontList::CheckName(name); !why.empty()) {
    Refuse(std::move(why));
    return;
  }
  SetXFProperty(TVariant(std::u16string(name)), &TXLSXFList::SetFontName);
}
void TXLSRange::SetFontSize(float size) {
  if (Dead()) return;
  if (!(size >= kMinFontSize && size <= kMaxFontSize)) {
    Refuse("a font size must be from 1 to 409 points");
    return;
  }
  SetXFProperty(TVariant(size), &TXLSXFList::SetFontSize);
}
void TXLSRange::SetFontUnderLine(std::uint8_t value) {
  if (Dead()) return;
  SetXFProperty(TVariant::OfInteger(varByte, value), &TXLSXFList::SetFontUnderLine);
}

// ---- fill ------------------------------------------------------------------------------------

std::uint16_t TXLSRange::GetInteriorColor() {
  if (Dead()) return {};
  return static_cast<std::uint16_t>(sheet_->Workbook().XFList().GetInteriorColorIndex(TopLeftXF()));
}
std::uint16_t TXLSRange::GetInteriorPattern() {
  if (Dead()) return {};
  return static_cast<std::uint16_t>(sheet_->Workbook().XFList().GetInteriorPattern(TopLeftXF()));
}
std::uint16_t TXLSRange::GetInteriorPatternColor() {
  if (Dead()) return {};
  return static_cast<std::uint16_t>(sheet_->Workbook().XFList().GetInteriorPatternColorIndex(TopLeftXF()));
}
void TXLSRange::SetInteriorColor(std::uint16_t paletteIndex) {
  if (Dead()) return;
  SetXFProperty(TVariant::OfInteger(varWord, paletteIndex), &TXLSXFList::SetInteriorColorIndex);
}
void TXLSRange::SetInteriorPattern(std::uint16_t pattern) {
  if (Dead()) return;
  SetXFProperty(TVariant::OfInteger(varWord, pattern), &TXLSXFList::SetInteriorPattern);
}
void TXLSRange::SetInteriorPatternColor(std::uint16_t paletteIndex) {
  if (Dead()) return;
  SetXFProperty(TVariant::OfInteger(varWord, paletteIndex), &TXLSXFList::SetInteriorPatternColorIndex);
}

// ---- alignment, wrapping, rotation, number format --------------------------------------------

TVariant TXLSRange::GetWrapText() {
  if (Dead()) return TVariant::Null();
  return TVariant(sheet_->Workbook().XFList().GetWrap(TopLeftXF()));
}

void TXLSRange::SetWrapText(const TVariant& value) {
  if (Dead()) return;
  SetXFProperty(value, &TXLSXFList::SetWrap);
}

TVariant TXLSRange::GetOrientation() {
  if (Dead()) return TVariant::Null();
  const std::int32_t r = sheet_->Workbook().XFList().GetOrientation(TopLeftXF());
  // Clockwise rotations (91-180) read as negative angles.
  return TVariant(r != kStacked && r > 90 ? 90 - r : r);
}

void TXLSRange::SetOrientation(const TVariant& value) {
  if (Dead()) return;
  std::int64_t v = ModelInteger(value);
  if (v == INT32_MIN) return;
  if (v < 0) v = 90 - v;  // -1 … -90 degrees clockwise are stored as 91 … 180
  if (v > 180 && v != kStacked) return;
  SetXFProperty(TVariant(static_cast<std::int32_t>(v)), &TXLSXFList::SetOrientation);
}

TVariant TXLSRange::GetNumFormat() {
  if (Dead()) return TVariant::Null();
  return TVariant(Utf16ToUtf8(sheet_->Workbook().XFList().GetNumFormat(TopLeftXF())));
}

void TXLSRange::SetNumFormat(std::string_view text) {
  if (Dead()) return;
  // The FORMAT record counts its characters in 8 bits (BIFF5) and is read as
  // one record: longer texts cannot be saved.
  if (Utf8ToUtf16(text).size() > kMaxNumFormatLength) {
    Refuse("a number format has at most " + std::to_string(kMaxNumFormatLength) + " characters");
    return;
  }
  SetXFProperty(TVariant(std::string(text)), &TXLSXFList::SetNumFormat);
}

TVariant TXLSRange::GetHAlign() {
  if (Dead()) return TVariant::Null();
  return TVariant(ConstantOf(kHAlign, sheet_->Workbook().XFList().GetHorAlign(TopLeftXF())));
}

void TXLSRange::SetHAlign(const TVariant& value) {
  if (Dead()) return;
  const std::int32_t code = CodeOf(kHAlign, ModelInteger(value));
  if (code >= 0) SetXFProperty(TVariant(code), &TXLSXFList::SetHorAlign);
}

TVariant TXLSRange::GetVAlign() {
  if (Dead()) return TVariant::Null();
  return TVariant(ConstantOf(kVAlign, sheet_->Workbook().XFList().GetVerAlign(TopLeftXF())));
}

void TXLSRange::SetVAlign(const TVariant& value) {
  if (Dead()) return;
  const std::int32_t code = CodeOf(kVAlign, ModelInteger(value));
  if (code >= 0) SetXFProperty(TVariant(code), &TXLSXFList::SetVerAlign);
}

// ---- views -----------------------------------------------------------------------------------

Ref<IXLSFont> TXLSRange::GetFont() { return MakeRef<TXLSFont>(this); }
Ref<IXLSInterior> TXLSRange::GetInterior() { return MakeRef<TXLSInterior>(this); }
Ref<IXLSBorders> TXLSRange::GetBorders() { return MakeRef<TXLSBorders>(this); }

}  // namespace tablirex
