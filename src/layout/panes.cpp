#include "layout/panes.h"

#include "tablirex/limits.h"
#include "tablirex/result.h"

namespace tablirex {

void TXLSPanes::SetRow(std::int32_t row) {
  if (row >= 0 && row <= XLSXMaxRow) row_ = row;
}

void TXLSPanes::SetCol(std::int32_t column) {
  if (column >= 0 && column <= XLSXMaxCol) col_ = static_cast<std::int16_t>(column);
}

void TXLSPanes::SetRowTop(std::int32_t row) {
  if (row >= -1 && row <= XLSXMaxRow) rowTop_ = row;
}

void TXLSPanes::SetColLeft(std::int32_t column) {
  if (column >= -1 && column <= XLSXMaxCol) colLeft_ = static_cast<std::int16_t>(column);
}

void TXLSPanes::SetX(float x) {
  if (x >= 0) x_ = x;
}

void TXLSPanes::SetY(float y) {
  if (y >= 0) y_ = y;
}

void TXLSPanes::Freeze(std::int32_t row, std::int32_t column, std::int32_t topRow,
                       std::int32_t leftColumn) {
  SetRow(row);
  SetCol(column);
  SetRowTop(topRow);
  SetColLeft(leftColumn);
  frozen_ = true;
  x_ = 0;
  y_ = 0;
}

void TXLSPanes::Thaw(float x, float y, std::int32_t topRow, std::int32_t leftColumn) {
  row_ = 0;
  col_ = 0;
  SetRowTop(topRow);
  SetColLeft(leftColumn);
  frozen_ = false;
  SetX(x);
  SetY(y);
}

void TXLSPanes::Clear() { *this = TXLSPanes(); }

namespace {

TXLSPanes& Ensure(std::unique_ptr<TXLSPanes>& panes) {
  if (!panes) panes = std::make_unique<TXLSPanes>();
  return *panes;
}

}  // namespace

std::int32_t FreezeSheetPanes(std::unique_ptr<TXLSPanes>& panes, bool& sheetFrozen,
                              std::int32_t rows, std::int32_t columns, std::int32_t topRow,
                              std::int32_t leftColumn) {
  TXLSPanes& p = Ensure(panes);
  p.SetY(static_cast<float>(rows));
  p.SetX(static_cast<float>(columns));
  p.SetRowTop(topRow);
  p.SetColLeft(leftColumn);
  sheetFrozen = true;
  return xlsOK;
}

std::int32_t ThawSheetPanes(std::unique_ptr<TXLSPanes>& panes, bool& sheetFrozen,
                            float verticalSplit, float horizontalSplit, std::int32_t topRow,
                            std::int32_t leftColumn) {
  TXLSPanes& p = Ensure(panes);
  p.SetY(verticalSplit);
  p.SetX(horizontalSplit);
  p.SetRowTop(topRow);
  p.SetColLeft(leftColumn);
  sheetFrozen = false;
  return xlsOK;
}

}  // namespace tablirex
