#include "layout/page_setup.h"

#include "tablirex/addressing.h"
#include "tablirex/limits.h"
#include "text/text.h"

namespace tablirex {

std::string TXLSPageSetup::GetCenterFooter() const { return Utf16ToUtf8(centerFooter_); }
std::string TXLSPageSetup::GetCenterHeader() const { return Utf16ToUtf8(centerHeader_); }
std::string TXLSPageSetup::GetLeftFooter() const { return Utf16ToUtf8(leftFooter_); }
std::string TXLSPageSetup::GetLeftHeader() const { return Utf16ToUtf8(leftHeader_); }
std::string TXLSPageSetup::GetRightFooter() const { return Utf16ToUtf8(rightFooter_); }
std::string TXLSPageSetup::GetRightHeader() const { return Utf16ToUtf8(rightHeader_); }

void TXLSPageSetup::SetCenterFooter(std::string_view text) { centerFooter_ = Utf8ToUtf16(text); }
void TXLSPageSetup::SetCenterHeader(std::string_view text) { centerHeader_ = Utf8ToUtf16(text); }
void TXLSPageSetup::SetLeftFooter(std::string_view text) { leftFooter_ = Utf8ToUtf16(text); }
void TXLSPageSetup::SetLeftHeader(std::string_view text) { leftHeader_ = Utf8ToUtf16(text); }
void TXLSPageSetup::SetRightFooter(std::string_view text) { rightFooter_ = Utf8ToUtf16(text); }
void TXLSPageSetup::SetRightHeader(std::string_view text) { rightHeader_ = Utf8ToUtf16(text); }

std::string TXLSPageSetup::GetPrintTitleColumns() const {
  return ValuesToColDiapason(titleColFirst_, titleColLast_);
}

std::string TXLSPageSetup::GetPrintTitleRows() const {
  return ValuesToRowDiapason(titleRowFirst_, titleRowLast_);
}

void TXLSPageSetup::SetOrientation(std::int32_t value) {
  if (value == xlPortrait)
    portrait_ = true;
  else if (value == xlLandscape)
    portrait_ = false;
}

void TXLSPageSetup::SetPaperSize(std::int32_t value) {
  paperSize_ = value == xlPaperUser ? 0 : static_cast<std::uint16_t>(value);
}

TVariant TXLSPageSetup::CountOrFalse(std::uint16_t value) {
  if (value == 0) return TVariant(false);
  return TVariant(static_cast<std::int32_t>(value));
}

namespace {

bool IsSmallOrLongInteger(const TVariant& v) {
  return v.Type() == varSmallint || v.Type() == varInteger;
}

bool IsFalse(const TVariant& v) { return v.Type() == varBoolean && !v.AsBoolean(); }

}  // namespace

void TXLSPageSetup::SetPageCount(const TVariant& value, std::uint16_t& field) {
  if (IsSmallOrLongInteger(value))
    field = static_cast<std::uint16_t>(value.AsInteger());
  else if (IsFalse(value))
    field = 0;
}

void TXLSPageSetup::SetZoom(const TVariant& value) {
  if (IsSmallOrLongInteger(value)) {
    const auto zoom = static_cast<std::uint16_t>(value.AsInteger());
    if (zoom >= 10 && zoom <= 400) {
      zoom_ = zoom;
      zoomOff_ = false;
    }
  } else if (IsFalse(value)) {
    zoomOff_ = true;  // the percentage is kept for the file, which needs one
  }
}

void TXLSPageSetup::SetPrintArea(std::uint16_t firstRow, std::uint16_t firstColumn,
                                 std::uint16_t lastRow, std::uint16_t lastColumn) {
  if (lastRow < firstRow || lastColumn < firstColumn || lastColumn > XLSMaxCol) return;
  printFirstRow_ = firstRow;
  printLastRow_ = lastRow;
  printFirstCol_ = firstColumn;
  printLastCol_ = lastColumn;
  printAreaText_ = EncodeCellRange(firstRow, static_cast<std::uint8_t>(firstColumn), lastRow,
                                   static_cast<std::uint8_t>(lastColumn));
}

void TXLSPageSetup::FSetPrintArea(std::string_view text) {
  if (text.empty()) {
    printFirstRow_ = printLastRow_ = printFirstCol_ = printLastCol_ = -1;
    printAreaText_.clear();
    return;
  }
  std::uint16_t row1 = 0, row2 = 0;
  std::uint8_t col1 = 0, col2 = 0;
  if (GetCellRange(text, row1, col1, row2, col2) == 1) SetPrintArea(row1, col1, row2, col2);
}

void TXLSPageSetup::SetPrintTitleColumns(std::string_view text) {
  std::int32_t first = 0, last = 0;
  if (!ColDiapasonToValues(text, first, last)) return;
  titleColFirst_ = first;
  titleColLast_ = last;
}

void TXLSPageSetup::SetPrintTitleRows(std::string_view text) {
  std::int32_t first = 0, last = 0;
  if (!RowDiapasonToValues(text, first, last)) return;
  titleRowFirst_ = first;
  titleRowLast_ = last;
}

std::u16string TXLSPageSetup::JoinSections(const std::u16string& left, const std::u16string& center,
                                           const std::u16string& right) {
  std::u16string text;
  if (!left.empty()) text.append(u"&L").append(left);
  if (!center.empty()) text.append(u"&C").append(center);
  if (!right.empty()) text.append(u"&R").append(right);
  return text;
}

std::u16string TXLSPageSetup::HeaderText() const {
  return JoinSections(leftHeader_, centerHeader_, rightHeader_);
}

std::u16string TXLSPageSetup::FooterText() const {
  return JoinSections(leftFooter_, centerFooter_, rightFooter_);
}

}  // namespace tablirex
