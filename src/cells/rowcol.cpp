#include "cells/rowcol.h"

#include <algorithm>
#include <cmath>

#include "biff/records.h"
#include "cells/keylist.h"
#include "tablirex/limits.h"
#include "tablirex/result.h"

namespace tablirex {
namespace {

constexpr std::int32_t kMaxRow = static_cast<std::int32_t>(XLSXMaxRow);
constexpr std::int32_t kMaxCol = XLSXMaxCol;
// Highest height a row record can carry (bit 15 of its height field is a flag);
// spreadsheet applications stop at 409.5 points as well.
constexpr double kMaxHeightPoints = 409.5;
// Widths beyond 255 characters do not fit the 16-bit column units.
constexpr double kMaxWidthChars = 255.0;
// The XF written for a row without a format of its own: the default cell format.
constexpr std::uint16_t kDefaultCellXF = 15;
// ROW option flags.
constexpr std::uint16_t kRowAlways = 0x0100;
constexpr std::uint16_t kRowHasXF = 0x0080;
constexpr std::uint16_t kRowHeightSet = 0x0040;
constexpr std::uint16_t kRowHidden = 0x0020;
constexpr std::uint16_t kRowCollapsed = 0x0010;
constexpr std::uint16_t kRowLevelMask = 0x0007;
// COLINFO option flags.
constexpr std::uint16_t kColHidden = 0x0001;
constexpr std::uint16_t kColLevelShift = 8;
constexpr std::uint16_t kColCollapsed = 0x1000;
// ROW height field of a row of default height: 255 twips with the default flag.
constexpr std::uint16_t kRowDefaultHeight = 0x80FF;

// Rounds to the nearest integer, ties to even.
double RoundEven(double x) noexcept { return std::nearbyint(x); }

// The record's XF number of a stored XF key: the default cell format for keys of 0
// or less (XF 0 is a style format, which cells and columns must not refer to), else
// its position among the written formats.
std::uint16_t SavedXF(const TXLSKeyList* xfList, std::int32_t key) {
  if (key <= 0) return kDefaultCellXF;
  if (!xfList) return static_cast<std::uint16_t>(key);
  const std::int32_t save = xfList->GetSaveIndex(key);
  // A key the list does not write cannot be referred to: fall back to the
  // default cell format rather than a number past the XF records.
  return save >= 1 ? static_cast<std::uint16_t>(save - 1) : kDefaultCellXF;
}

TXLSBlob NewRecord(Rec rec, std::uint16_t body) {
  TXLSBlob b(4u + body);
  b.AddWord(RecNo(rec));
  b.AddWord(body);
  return b;
}

}  // namespace

// ---- unit conversions ---------------------------------------------------------

std::int32_t Height2Excel(double points) noexcept {
  const double whole = std::trunc(points);
  const double quarters = RoundEven((points - whole) * 4.0);
  return static_cast<std::int32_t>(RoundEven((whole + quarters / 4.0) * 20.0));
}

float Excel2Height(std::int32_t twips) noexcept {
  return static_cast<float>(RoundEven(twips / 5.0) / 4.0);
}

std::uint16_t Width2Excel(double characters) noexcept {
  const double whole = std::trunc(characters);
  const double frac = characters - whole;
  if (whole >= 1.0) {
    const double units = whole * 256.0 + 182.0 + RoundEven(frac * 256.0);
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(units));
  }
  return static_cast<std::uint16_t>(RoundEven(frac * 256.0 * 1.8));
}

float Excel2Width(std::uint16_t units) noexcept {
  const double chars = units >= 438 ? (units - 182) / 256.0 : units / 460.8;
  return static_cast<float>(RoundEven(chars * 100.0) / 100.0);
}

void TXLSRowInfo::SetHeight(double points) noexcept {
  if (!(points >= 0.0 && points <= kMaxHeightPoints)) return;
  Height = static_cast<std::uint16_t>(Height2Excel(points));
  HeightSet = true;
  Hidden = false;
}

void TXLSColumnInfo::SetWidth(double characters) noexcept {
  if (!(characters >= 0.0 && characters <= kMaxWidthChars)) return;
  Width = Width2Excel(characters);
}

// ---- rows ---------------------------------------------------------------------

TXLSRowInfoList::TXLSRowInfoList(TXLSKeyList* xfList) : xfList_(xfList) { default_.XF = 0; }

TXLSRowInfoList::~TXLSRowInfoList() = default;

TXLSRowInfo* TXLSRowInfoList::GetRowInfo(std::int32_t row) const noexcept {
  if (row < 0 || row > kMaxRow || static_cast<std::size_t>(row >> 8) >= blocks_.size()) return nullptr;
  Block* b = blocks_[static_cast<std::size_t>(row >> 8)].get();
  if (!b || !b->present[static_cast<std::size_t>(row & 0xFF)]) return nullptr;
  return &b->rows[static_cast<std::size_t>(row & 0xFF)];
}

TXLSRowInfo* TXLSRowInfoList::GetOrCreateRowInfo(std::int32_t row) {
  if (row < 0 || row > kMaxRow) return nullptr;
  if (static_cast<std::size_t>(row >> 8) >= blocks_.size()) blocks_.resize(static_cast<std::size_t>(row >> 8) + 1);
  std::unique_ptr<Block>& b = blocks_[static_cast<std::size_t>(row >> 8)];
  if (!b) b = std::make_unique<Block>();
  const std::size_t i = static_cast<std::size_t>(row & 0xFF);
  if (!b->present[i]) {
    b->present[i] = true;
    b->rows[i] = TXLSRowInfo{};
    b->rows[i].Height = default_.Height;
    const auto r = static_cast<std::uint32_t>(row);
    if (count_ == 0 || r < firstRow_) firstRow_ = r;
    if (count_ == 0 || r > lastRow_) lastRow_ = r;
    ++count_;
  }
  return &b->rows[i];
}

float TXLSRowInfoList::GetHeight(std::int32_t row) const noexcept {
  if (row < 0 || row > kMaxRow) return 0.0f;
  const TXLSRowInfo* r = GetRowInfo(row);
  return (r ? *r : default_).GetHeight();
}

bool TXLSRowInfoList::GetHidden(std::int32_t row) const noexcept {
  const TXLSRowInfo* r = GetRowInfo(row);
  return r && r->Hidden;
}

std::int32_t TXLSRowInfoList::GetXF(std::int32_t row) const noexcept {
  if (row < 0 || row > kMaxRow) return 0;
  const TXLSRowInfo* r = GetRowInfo(row);
  return (r ? *r : default_).XF;
}

void TXLSRowInfoList::SetHeight(std::int32_t row, double points) {
  if (TXLSRowInfo* r = GetOrCreateRowInfo(row)) r->SetHeight(points);
}

void TXLSRowInfoList::SetHidden(std::int32_t row, bool hidden) {
  if (TXLSRowInfo* r = GetOrCreateRowInfo(row)) r->Hidden = hidden;
}

void TXLSRowInfoList::SetXF(std::int32_t row, std::int32_t xf) {
  TXLSRowInfo* r = GetOrCreateRowInfo(row);
  if (!r) return;
  if (xfList_) xfList_->ReplaceIndex(r->XF, xf);
  r->XF = xf;
  r->HasXF = true;
}

TXLSBlob TXLSRowInfoList::GetRowInfoBlob(std::int32_t row) const {
  if (row < 0 || row > XLSMaxRow) return TXLSBlob();  // past the rows of the file
  const TXLSRowInfo* r = GetRowInfo(row);
  const TXLSRowInfo none;
  if (!r) r = &none;
  std::uint16_t flags = kRowAlways;
  if (r->HasXF) flags |= kRowHasXF;
  if (r->Hidden) flags |= kRowHidden;
  if (r->HeightSet) flags |= kRowHeightSet;
  if (r->Collapsed) flags |= kRowCollapsed;
  flags |= r->OutlineLevel & kRowLevelMask;
  TXLSBlob b = NewRecord(Rec::ROW, 16);
  b.AddWord(static_cast<std::uint16_t>(row));                  // 0: row
  b.AddWord(0);                                                // 2: first column
  b.AddWord(0);                                                // 4: last column + 1
  b.AddWord(r->HeightSet ? r->Height : kRowDefaultHeight);     // 6: height
  b.AddWord(0);                                                // 8: reserved
  b.AddWord(0);                                                // 10: reserved
  b.AddWord(flags);                                            // 12: option flags
  b.AddWord(r->HasXF ? SavedXF(xfList_, r->XF) : kDefaultCellXF);  // 14: XF
  return b;
}

TXLSBlob TXLSRowInfoList::GetDefRowInfoBlob() const {
  TXLSBlob b = NewRecord(Rec::DEFAULTROWHEIGHT, 4);
  b.AddWord(0);                                                // 0: option flags
  b.AddWord(default_.HeightSet ? default_.Height : 255);       // 2: height in twips
  return b;
}

std::int32_t TXLSRowInfoList::StoreAllRowInfo(IRecordSink& sink, const TRecordContext&) const {
  TXLSBlob def = GetDefRowInfoBlob();
  TXLS_RETURN_ON_ERROR(sink.AppendRecord(def));
  return StoreRows(sink, XLSMaxRow);
}

std::int32_t TXLSRowInfoList::StoreRows(IRecordSink& sink, std::int32_t lastRow) const {
  if (count_ == 0) return xlsOK;
  for (std::int32_t row = firstRow_; row <= std::min<std::int32_t>(lastRow_, lastRow); ++row) {
    if (!GetRowInfo(row)) continue;
    TXLSBlob b = GetRowInfoBlob(row);
    TXLS_RETURN_ON_ERROR(sink.AppendRecord(b));
  }
  return xlsOK;
}

std::int32_t TXLSRowInfoList::SizeRow(std::int32_t) noexcept { return 17; }

bool TXLSRowInfoList::SameAsLastBeyond(std::int32_t lastRow) const noexcept {
  if (count_ == 0 || static_cast<std::int32_t>(lastRow_) <= lastRow) return true;
  const TXLSRowInfo* edge = GetRowInfo(lastRow);
  const TXLSRowInfo& e = edge ? *edge : default_;
  for (std::int32_t row = lastRow + 1; row <= static_cast<std::int32_t>(lastRow_); ++row) {
    const auto bi = static_cast<std::size_t>(row >> 8);
    if (bi >= blocks_.size() || !blocks_[bi]) {
      row |= 0xFF;  // no record in this block
      continue;
    }
    const TXLSRowInfo* r = GetRowInfo(row);
    if (r && (r->Height != e.Height || r->HeightSet != e.HeightSet || r->HasXF != e.HasXF ||
              (r->HasXF && r->XF != e.XF) || r->Hidden != e.Hidden || r->OutlineLevel != e.OutlineLevel ||
              r->Collapsed != e.Collapsed))
      return false;
  }
  return true;
}

// ---- columns ------------------------------------------------------------------

TXLSColumnInfoList::TXLSColumnInfoList(TXLSKeyList* xfList) : xfList_(xfList) { default_.XF = 0; }

TXLSColumnInfoList::~TXLSColumnInfoList() = default;

const TXLSColumnInfo* TXLSColumnInfoList::GetColumnInfo(std::int32_t column) const noexcept {
  if (column < 0 || static_cast<std::size_t>(column >> 8) >= blocks_.size()) return nullptr;
  const Block* b = blocks_[static_cast<std::size_t>(column >> 8)].get();
  if (!b || !b->present[static_cast<std::size_t>(column & 0xFF)]) return nullptr;
  return &b->cols[static_cast<std::size_t>(column & 0xFF)];
}

TXLSColumnInfo* TXLSColumnInfoList::GetColumnInfo(std::int32_t column) noexcept {
  return const_cast<TXLSColumnInfo*>(static_cast<const TXLSColumnInfoList*>(this)->GetColumnInfo(column));
}

TXLSColumnInfo* TXLSColumnInfoList::CreateColumnInfo(std::int32_t column) {
  if (column < 0 || column > kMaxCol) return nullptr;
  const auto bi = static_cast<std::size_t>(column >> 8);
  if (bi >= blocks_.size()) blocks_.resize(bi + 1);
  if (!blocks_[bi]) blocks_[bi] = std::make_unique<Block>();
  Block& block = *blocks_[bi];
  const std::size_t i = static_cast<std::size_t>(column & 0xFF);
  if (!block.present[i]) {
    block.present[i] = true;
    TXLSColumnInfo& c = block.cols[i];
    c = TXLSColumnInfo{};
    // The new column takes the default column's format.
    if (xfList_) xfList_->ReplaceIndex(c.XF, default_.XF);
    c.XF = default_.XF;
    c.Width = default_.Width;
    const auto col = static_cast<std::uint16_t>(column);
    if (count_ == 0 || col < firstCol_) firstCol_ = col;
    if (count_ == 0 || col > lastCol_) lastCol_ = col;
    ++count_;
  }
  return &block.cols[i];
}

float TXLSColumnInfoList::GetWidth(std::int32_t column) const noexcept {
  const TXLSColumnInfo* c = GetColumnInfo(column);
  return (c ? *c : default_).GetWidth();
}

bool TXLSColumnInfoList::GetHidden(std::int32_t column) const noexcept {
  const TXLSColumnInfo* c = GetColumnInfo(column);
  return c && c->Hidden;
}

std::int32_t TXLSColumnInfoList::GetXF(std::int32_t column) const noexcept {
  const TXLSColumnInfo* c = GetColumnInfo(column);
  return (c ? *c : default_).XF;
}

void TXLSColumnInfoList::SetWidth(std::int32_t column, double characters) {
  if (TXLSColumnInfo* c = CreateColumnInfo(column)) c->SetWidth(characters);
}

void TXLSColumnInfoList::SetHidden(std::int32_t column, bool hidden) {
  if (TXLSColumnInfo* c = CreateColumnInfo(column)) c->Hidden = hidden;
}

void TXLSColumnInfoList::SetXF(std::int32_t column, std::int32_t xf) {
  TXLSColumnInfo* c = CreateColumnInfo(column);
  if (!c) return;
  if (xfList_) xfList_->ReplaceIndex(c->XF, xf);
  c->XF = xf;
}

TXLSBlob TXLSColumnInfoList::GetColInfoBlob(std::int32_t column, const TRecordContext& ctx) const {
  if (column < 0 || column > XLSMaxCol) return TXLSBlob();  // past the columns of the file
  const TXLSColumnInfo* c = GetColumnInfo(column);
  if (!c) c = &default_;
  const bool biff5 = ctx.IsBiff5();
  TXLSBlob b = NewRecord(Rec::COLINFO, biff5 ? 12 : 11);
  b.AddWord(static_cast<std::uint16_t>(column));  // 0: first column
  b.AddWord(static_cast<std::uint16_t>(column));  // 2: last column
  b.AddWord(c->Width);                            // 4: width in column units
  b.AddWord(SavedXF(xfList_, c->XF));             // 6: XF
  const auto flags = static_cast<std::uint16_t>((c->Hidden ? kColHidden : 0) | (c->Collapsed ? kColCollapsed : 0) |
                                               (c->OutlineLevel & 7) << kColLevelShift);
  b.AddWord(flags);                               // 8: option flags
  if (biff5)
    b.AddWord(2);  // 10: reserved
  else
    b.AddByte(0);  // 10: reserved
  return b;
}

TXLSBlob TXLSColumnInfoList::GetDefColWidthBlob() const {
  TXLSBlob b = NewRecord(Rec::DEFCOLWIDTH, 2);
  b.AddWord(static_cast<std::uint16_t>(default_.Width >> 8));  // 0: width in characters
  return b;
}

TXLSBlob TXLSColumnInfoList::GetDefColInfoBlob() const {
  TXLSBlob b = NewRecord(Rec::STANDARDWIDTH, 2);
  b.AddWord(default_.Width);  // 0: width in column units
  return b;
}

std::int32_t TXLSColumnInfoList::StoreAllColumnInfo(IRecordSink& sink, const TRecordContext& ctx) const {
  TXLSBlob def = GetDefColWidthBlob();
  TXLS_RETURN_ON_ERROR(sink.AppendRecord(def));
  for (std::int32_t col = 0; col <= XLSMaxCol && count_ > 0; ++col) {
    if (!GetColumnInfo(col)) continue;
    TXLSBlob b = GetColInfoBlob(col, ctx);
    TXLS_RETURN_ON_ERROR(sink.AppendRecord(b));
  }
  return xlsOK;
}

std::int32_t TXLSColumnInfoList::SizeCol(std::int32_t) noexcept { return 64; }

bool TXLSColumnInfoList::SameAsLastBeyond(std::int32_t lastCol) const noexcept {
  if (count_ == 0 || lastCol_ <= lastCol) return true;
  const TXLSColumnInfo* edge = GetColumnInfo(lastCol);
  const TXLSColumnInfo& e = edge ? *edge : default_;
  for (std::int32_t col = lastCol + 1; col <= lastCol_; ++col) {
    const auto bi = static_cast<std::size_t>(col >> 8);
    if (bi >= blocks_.size() || !blocks_[bi]) {
      col |= 0xFF;  // no record in this block
      continue;
    }
    const TXLSColumnInfo* c = GetColumnInfo(col);
    if (c && (c->Width != e.Width || c->XF != e.XF || c->Hidden != e.Hidden ||
              c->OutlineLevel != e.OutlineLevel || c->Collapsed != e.Collapsed))
      return false;
  }
  return true;
}

}  // namespace tablirex
