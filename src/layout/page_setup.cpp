#include "layout/page_setup.h"

#include <utility>

#include "tablirex/addressing.h"
#include "tablirex/workbook.h"
#include "tablirex/limits.h"
#include "text/text.h"

namespace tablirex {

std::string TXLSPageSetup::GetCenterFooter() const { return Utf16ToUtf8(centerFooter_); }
std::string TXLSPageSetup::GetCenterHeader() const { return Utf16ToUtf8(centerHeader_); }
std::string TXLSPageSetup::GetLeftFooter() const { return Utf16ToUtf8(leftFooter_); }
std::string TXLSPageSetup::GetLeftHeader() const { return Utf16ToUtf8(leftHeader_); }
std::string TXLSPageSetup::GetRightFooter() const { return Utf16ToUtf8(rightFooter_); }
std::string TXLSPageSetup::GetRightHeader() const { return Utf16ToUtf8(rightHeader_); }

void TXLSPageSetup::Refuse(std::string message) const {
  if (workbook_) (void)workbook_->Refuse(std::move(message));
}

void TXLSPageSetup::SetSection(std::string_view text, std::u16string& field, bool header) {
  std::u16string old = Utf8ToUtf16(text);
  field.swap(old);
  if ((header ? HeaderText() : FooterText()).size() > kMaxHeaderLength) {
    field.swap(old);
    Refuse(std::string(header ? "the header" : "the footer") + " would be longer than " +
           std::to_string(kMaxHeaderLength) + " characters");
  }
}

void TXLSPageSetup::SetCenterFooter(std::string_view text) { SetSection(text, centerFooter_, false); }
void TXLSPageSetup::SetCenterHeader(std::string_view text) { SetSection(text, centerHeader_, true); }
void TXLSPageSetup::SetLeftFooter(std::string_view text) { SetSection(text, leftFooter_, false); }
void TXLSPageSetup::SetLeftHeader(std::string_view text) { SetSection(text, leftHeader_, true); }
void TXLSPageSetup::SetRightFooter(std::string_view text) { SetSection(text, rightFooter_, false); }
void TXLSPageSetup::SetRightHeader(std::string_view text) { SetSection(text, rightHeader_, true); }

void TXLSPageSetup::SetMargin(double value, double& field) {
  if (!(value >= 0.0 && value < kMarginEnd)) {
    Refuse("a margin must be at least 0 and less than 100 inches");
    return;
  }
  field = value;
}

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
  else
    Refuse("the orientation must be 1 (portrait) or 2 (landscape)");
}

void TXLSPageSetup::SetPaperSize(std::int32_t value) {
  if (value < 0 || value > 0xFFFF) {
    Refuse("paper size " + std::to_string(value) + " is outside 0 to 65535");
    return;
  }
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
  if (IsFalse(value)) {
    field = 0;
    return;
  }
  const std::int32_t n = IsSmallOrLongInteger(value) ? value.AsInteger() : -1;
  if (n < 0 || n > kMaxPageCount) {
    Refuse("a page count must be a whole number from 0 to 32767, or false");
    return;
  }
  field = static_cast<std::uint16_t>(n);
}

void TXLSPageSetup::SetZoom(const TVariant& value) {
  if (IsFalse(value)) {
    zoomOff_ = true;  // the percentage is kept for the file, which needs one
    return;
  }
  const std::int32_t zoom = IsSmallOrLongInteger(value) ? value.AsInteger() : -1;
  if (zoom < 10 || zoom > 400) {
    Refuse("the zoom must be a whole number from 10 to 400, or false");
    return;
  }
  zoom_ = static_cast<std::uint16_t>(zoom);
  zoomOff_ = false;
}

void TXLSPageSetup::SetPrintArea(std::uint32_t firstRow, std::uint16_t firstColumn,
                                 std::uint32_t lastRow, std::uint16_t lastColumn) {
  if (firstColumn > XLSXMaxCol || lastColumn > XLSXMaxCol) {
    Refuse("the print area reaches past column XFD");
    return;
  }
  if (firstRow > static_cast<std::uint32_t>(XLSXMaxRow) || lastRow > static_cast<std::uint32_t>(XLSXMaxRow)) {
    Refuse("the print area reaches past row 1048576");
    return;
  }
  if (lastRow < firstRow) std::swap(firstRow, lastRow);
  if (lastColumn < firstColumn) std::swap(firstColumn, lastColumn);
  printFirstRow_ = firstRow;
  printLastRow_ = lastRow;
  printFirstCol_ = firstColumn;
  printLastCol_ = lastColumn;
  printAreaText_ = EncodeCellRange(firstRow, static_cast<std::uint16_t>(firstColumn), lastRow,
                                   static_cast<std::uint16_t>(lastColumn));
}

void TXLSPageSetup::FSetPrintArea(std::string_view text) {
  if (text.empty()) {
    printFirstRow_ = printLastRow_ = printFirstCol_ = printLastCol_ = -1;
    printAreaText_.clear();
    return;
  }
  // Absolute references ($A$1:$C$3) name the same cells.
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool first = i == 0 || text[i - 1] == ':';
    const bool beforeRow = i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9' && i > 0 &&
                           ((text[i - 1] >= 'A' && text[i - 1] <= 'Z') || (text[i - 1] >= 'a' && text[i - 1] <= 'z'));
    if (c == '$' && (first || beforeRow)) continue;
    plain.push_back(c);
  }
  std::uint32_t row1 = 0, row2 = 0;
  std::uint16_t col1 = 0, col2 = 0;
  if (GetCellRange(plain, row1, col1, row2, col2) != 1) {
    Refuse("\"" + std::string(text) + "\" is not a print area (such as A1:D20)");
    return;
  }
  SetPrintArea(row1, col1, row2, col2);
}

void TXLSPageSetup::SetPrintTitleColumns(std::string_view text) {
  std::int32_t first = 0, last = 0;
  if (!ColDiapasonToValues(text, first, last)) {
    Refuse("\"" + std::string(text) + "\" is not a column span (such as $A:$C)");
    return;
  }
  titleColFirst_ = first;
  titleColLast_ = last;
}

void TXLSPageSetup::SetPrintTitleRows(std::string_view text) {
  std::int32_t first = 0, last = 0;
  if (!RowDiapasonToValues(text, first, last)) {
    Refuse("\"" + std::string(text) + "\" is not a row span (such as $1:$3)");
    return;
  }
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
