// The printing settings of a worksheet as callers see them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/object.h"
#include "tablirex/variant.h"

namespace tablirex {

/// Values of the Orientation property.
enum TXLSPageOrientation : std::int32_t {
  xlPortrait = 1,
  xlLandscape = 2,
};

/// A few of the paper-size codes the file carries in its SETUP record; any other
/// code of the spreadsheet's numbering may be given as well.
enum TXLSPaperSize : std::int32_t {
  xlPaperLetter = 1,
  xlPaperLegal = 5,
  xlPaperExecutive = 7,
  xlPaperA3 = 8,
  xlPaperA4 = 9,
  xlPaperA5 = 11,
  xlPaperB4 = 12,
  xlPaperB5 = 13,
  /// Reported when no paper size was chosen; setting it clears the choice.
  xlPaperUser = 256,
};

/// Page setup of one worksheet, reached through the worksheet's GetPageSetup.
///
/// The worksheet owns the object: references taken through this interface do not
/// keep it alive, and it lives exactly as long as its worksheet. Texts cross the
/// interface as UTF-8. Margins are in inches. A setter given a value outside its
/// rules changes nothing and leaves the reason with the workbook
/// (TXLSWorkbook::GetLastError): margins must be at least 0 and below 100 inches,
/// the joined header (and footer) at most 255 characters.
class IXLSPageSetup : public TXLSObject {
 public:
  /// 1 (xlPortrait) or 2 (xlLandscape).
  virtual std::int32_t GetOrientation() const = 0;
  /// The chosen paper size, or 256 (xlPaperUser) when none was chosen.
  virtual std::int32_t GetPaperSize() const = 0;
  virtual double GetBottomMargin() const = 0;
  virtual std::string GetCenterFooter() const = 0;
  virtual std::string GetCenterHeader() const = 0;
  virtual bool GetCenterHorizontally() const = 0;
  virtual bool GetCenterVertically() const = 0;
  /// An integer variant with the page count, or the boolean false when it is 0.
  virtual TVariant GetFitToPagesTall() const = 0;
  /// An integer variant with the page count, or the boolean false when it is 0.
  virtual TVariant GetFitToPagesWide() const = 0;
  virtual double GetFooterMargin() const = 0;
  virtual double GetHeaderMargin() const = 0;
  virtual std::string GetLeftFooter() const = 0;
  virtual std::string GetLeftHeader() const = 0;
  virtual double GetLeftMargin() const = 0;
  /// The print area in A1 notation (for example A1:D20), empty when there is none.
  virtual std::string FGetPrintArea() const = 0;
  virtual bool GetPrintGridlines() const = 0;
  virtual bool GetPrintHeadings() const = 0;
  /// The title columns as $A:$C, empty when none are set.
  virtual std::string GetPrintTitleColumns() const = 0;
  /// The title rows as $1:$3, empty when none are set.
  virtual std::string GetPrintTitleRows() const = 0;
  virtual std::string GetRightFooter() const = 0;
  virtual std::string GetRightHeader() const = 0;
  virtual double GetRightMargin() const = 0;
  virtual double GetTopMargin() const = 0;
  /// An integer variant with the scaling percentage, or the boolean false when the
  /// percentage was switched off in favour of fit to pages.
  virtual TVariant GetZoom() const = 0;

  /// 1 portrait, 2 landscape; any other value is refused.
  virtual void SetOrientation(std::int32_t value) = 0;
  /// A paper-size code from 0 to 65535; 256 clears the choice.
  virtual void SetPaperSize(std::int32_t value) = 0;
  virtual void SetBottomMargin(double value) = 0;
  virtual void SetCenterFooter(std::string_view text) = 0;
  virtual void SetCenterHeader(std::string_view text) = 0;
  virtual void SetCenterHorizontally(bool value) = 0;
  virtual void SetCenterVertically(bool value) = 0;
  /// A 16- or 32-bit integer variant from 0 to 32767 stores its value; the boolean
  /// false stores 0; anything else is refused.
  virtual void SetFitToPagesTall(const TVariant& value) = 0;
  /// As SetFitToPagesTall.
  virtual void SetFitToPagesWide(const TVariant& value) = 0;
  virtual void SetFooterMargin(double value) = 0;
  virtual void SetHeaderMargin(double value) = 0;
  virtual void SetLeftFooter(std::string_view text) = 0;
  virtual void SetLeftHeader(std::string_view text) = 0;
  virtual void SetLeftMargin(double value) = 0;
  /// A cell range in A1 notation (A1:D20) sets the print area; the empty text
  /// removes it; absolute references ($A$1:$D$20) and inverted corners (D20:A1)
  /// name the same area; a text that does not parse is refused.
  virtual void FSetPrintArea(std::string_view text) = 0;
  virtual void SetPrintGridlines(bool value) = 0;
  virtual void SetPrintHeadings(bool value) = 0;
  /// A column span such as A:C or $A:$C; text that does not parse is refused.
  virtual void SetPrintTitleColumns(std::string_view text) = 0;
  /// A row span such as 1:3 or $1:$3 (up to 65536); text that does not parse is refused.
  virtual void SetPrintTitleRows(std::string_view text) = 0;
  virtual void SetRightFooter(std::string_view text) = 0;
  virtual void SetRightHeader(std::string_view text) = 0;
  virtual void SetRightMargin(double value) = 0;
  virtual void SetTopMargin(double value) = 0;
  /// A 16- or 32-bit integer variant from 10 to 400 sets the percentage; the boolean
  /// false switches percentage scaling off (fit to pages applies); anything else is
  /// refused.
  virtual void SetZoom(const TVariant& value) = 0;
  /// Sets the print area from zero-based corners, put in order; refused when a
  /// corner lies past XLSXMaxRow or XLSXMaxCol (an Excel 97 save refuses one past
  /// XLSMaxRow or XLSMaxCol).
  virtual void SetPrintArea(std::uint32_t firstRow, std::uint16_t firstColumn,
                            std::uint32_t lastRow, std::uint16_t lastColumn) = 0;

 protected:
  IXLSPageSetup() = default;
};

}  // namespace tablirex
