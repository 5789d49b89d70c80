// A worksheet's printing settings: what its SETUP, margin, centring, header and
// footer records and the workbook's built-in print names are made from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/page_setup.h"

namespace tablirex {

class TXLSWorkbook;

/// Longest header or footer text, sections and their codes included.
inline constexpr std::size_t kMaxHeaderLength = 255;
/// Margins are refused unless 0 <= margin < this many inches.
inline constexpr double kMarginEnd = 100.0;
/// Largest fit-to-pages count.
inline constexpr std::int32_t kMaxPageCount = 32767;

/// The page setup a worksheet owns. Uncounted: the worksheet holds it in a
/// std::unique_ptr and frees it; IXLSPageSetup references do not keep it alive.
class TXLSPageSetup final : public IXLSPageSetup {
 public:
  TXLSPageSetup() = default;
  /// The workbook that hears of refused settings (TXLSWorkbook::GetLastError).
  void SetWorkbook(TXLSWorkbook* workbook) noexcept { workbook_ = workbook; }

  std::int32_t GetOrientation() const override { return portrait_ ? xlPortrait : xlLandscape; }
  std::int32_t GetPaperSize() const override {
    return paperSize_ == 0 ? std::int32_t{xlPaperUser} : std::int32_t{paperSize_};
  }
  double GetBottomMargin() const override { return bottomMargin_; }
  std::string GetCenterFooter() const override;
  std::string GetCenterHeader() const override;
  bool GetCenterHorizontally() const override { return centerHorizontally_; }
  bool GetCenterVertically() const override { return centerVertically_; }
  TVariant GetFitToPagesTall() const override { return CountOrFalse(fitToPagesTall_); }
  TVariant GetFitToPagesWide() const override { return CountOrFalse(fitToPagesWide_); }
  double GetFooterMargin() const override { return footerMargin_; }
  double GetHeaderMargin() const override { return headerMargin_; }
  std::string GetLeftFooter() const override;
  std::string GetLeftHeader() const override;
  double GetLeftMargin() const override { return leftMargin_; }
  std::string FGetPrintArea() const override { return printAreaText_; }
  bool GetPrintGridlines() const override { return printGridlines_; }
  bool GetPrintHeadings() const override { return printHeadings_; }
  std::string GetPrintTitleColumns() const override;
  std::string GetPrintTitleRows() const override;
  std::string GetRightFooter() const override;
  std::string GetRightHeader() const override;
  double GetRightMargin() const override { return rightMargin_; }
  double GetTopMargin() const override { return topMargin_; }
  TVariant GetZoom() const override { return CountOrFalse(zoomOff_ ? 0 : zoom_); }

  void SetOrientation(std::int32_t value) override;
  void SetPaperSize(std::int32_t value) override;
  void SetBottomMargin(double value) override { SetMargin(value, bottomMargin_); }
  void SetCenterFooter(std::string_view text) override;
  void SetCenterHeader(std::string_view text) override;
  void SetCenterHorizontally(bool value) override { centerHorizontally_ = value; }
  void SetCenterVertically(bool value) override { centerVertically_ = value; }
  void SetFitToPagesTall(const TVariant& value) override { SetPageCount(value, fitToPagesTall_); }
  void SetFitToPagesWide(const TVariant& value) override { SetPageCount(value, fitToPagesWide_); }
  void SetFooterMargin(double value) override { SetMargin(value, footerMargin_); }
  void SetHeaderMargin(double value) override { SetMargin(value, headerMargin_); }
  void SetLeftFooter(std::string_view text) override;
  void SetLeftHeader(std::string_view text) override;
  void SetLeftMargin(double value) override { SetMargin(value, leftMargin_); }
  void FSetPrintArea(std::string_view text) override;
  void SetPrintGridlines(bool value) override { printGridlines_ = value; }
  void SetPrintHeadings(bool value) override { printHeadings_ = value; }
  void SetPrintTitleColumns(std::string_view text) override;
  void SetPrintTitleRows(std::string_view text) override;
  void SetRightFooter(std::string_view text) override;
  void SetRightHeader(std::string_view text) override;
  void SetRightMargin(double value) override { SetMargin(value, rightMargin_); }
  void SetTopMargin(double value) override { SetMargin(value, topMargin_); }
  void SetZoom(const TVariant& value) override;
  void SetPrintArea(std::uint32_t firstRow, std::uint16_t firstColumn, std::uint32_t lastRow,
                    std::uint16_t lastColumn) override;

  // What the record writers read.

  /// True when a print area is set (its first row is ≥ 0).
  bool HasPrintArea() const noexcept { return printFirstRow_ >= 0; }
  /// Print-area corners, zero-based; all −1 when there is no print area.
  std::int32_t GetPrintAreaFirstRow() const noexcept { return printFirstRow_; }
  std::int32_t GetPrintAreaLastRow() const noexcept { return printLastRow_; }
  std::int32_t GetPrintAreaFirstCol() const noexcept { return printFirstCol_; }
  std::int32_t GetPrintAreaLastCol() const noexcept { return printLastCol_; }
  /// Title rows, one-based, first ≤ last; 0 when none are set.
  std::int32_t GetTitleRowFirst() const noexcept { return titleRowFirst_; }
  std::int32_t GetTitleRowLast() const noexcept { return titleRowLast_; }
  /// Title columns, one-based (A = 1), first ≤ last; 0 when none are set.
  std::int32_t GetTitleColFirst() const noexcept { return titleColFirst_; }
  std::int32_t GetTitleColLast() const noexcept { return titleColLast_; }
  bool HasTitleRows() const noexcept { return titleRowFirst_ > 0; }
  bool HasTitleColumns() const noexcept { return titleColFirst_ > 0; }

  bool IsPortrait() const noexcept { return portrait_; }
  /// The paper size as the file stores it: 0 when none was chosen.
  std::uint16_t GetStoredPaperSize() const noexcept { return paperSize_; }
  /// The scaling percentage as the file stores it (10 … 400): the last one set, also
  /// when fitting to pages replaced it.
  std::uint16_t GetStoredZoom() const noexcept { return zoom_; }
  std::uint16_t GetStoredFitToPagesTall() const noexcept { return fitToPagesTall_; }
  std::uint16_t GetStoredFitToPagesWide() const noexcept { return fitToPagesWide_; }
  /// True when the sheet prints fitted to a number of pages.
  bool FitsToPages() const noexcept { return fitToPagesTall_ > 0 || fitToPagesWide_ > 0; }

  /// The header as one text with section codes: "&L" and the left part, "&C" and
  /// the centre part, "&R" and the right part, each only when that part is not empty.
  std::u16string HeaderText() const;
  /// The footer, joined as HeaderText joins the header.
  std::u16string FooterText() const;

 private:
  static TVariant CountOrFalse(std::uint16_t value);
  void SetPageCount(const TVariant& value, std::uint16_t& field);
  void SetMargin(double value, double& field);
  /// Sets one section of the header or footer when the joined text stays within
  /// 255 characters.
  void SetSection(std::string_view text, std::u16string& field, bool header);
  void Refuse(std::string message) const;
  static std::u16string JoinSections(const std::u16string& left, const std::u16string& center,
                                     const std::u16string& right);

  TXLSWorkbook* workbook_ = nullptr;
  std::int32_t printFirstRow_ = -1;
  std::int32_t printLastRow_ = -1;
  std::int32_t printFirstCol_ = -1;
  std::int32_t printLastCol_ = -1;
  bool portrait_ = true;
  std::uint16_t paperSize_ = 0;
  bool printGridlines_ = true;
  bool centerHorizontally_ = false;
  bool centerVertically_ = false;
  bool printHeadings_ = false;
  double headerMargin_ = 0.5;
  double footerMargin_ = 0.5;
  double bottomMargin_ = 1.0;
  double rightMargin_ = 0.75;
  double leftMargin_ = 0.75;
  double topMargin_ = 1.0;
  std::string printAreaText_;
  std::u16string centerHeader_;
  std::u16string rightHeader_;
  std::int32_t titleColFirst_ = 0;
  std::int32_t titleColLast_ = 0;
  std::u16string rightFooter_;
  std::u16string centerFooter_;
  std::int32_t titleRowFirst_ = 0;
  std::int32_t titleRowLast_ = 0;
  std::u16string leftFooter_;
  std::u16string leftHeader_;
  std::uint16_t fitToPagesWide_ = 0;
  std::uint16_t zoom_ = 100;  // the last percentage, 10 … 400, also while switched off
  bool zoomOff_ = false;      // Zoom set to false: the printout is fitted to pages
  std::uint16_t fitToPagesTall_ = 0;
};

}  // namespace tablirex
