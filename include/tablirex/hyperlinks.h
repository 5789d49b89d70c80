// Hyperlinks of a worksheet: cells that open a web page, a mail, a file or
// another place in the workbook.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/object.h"
#include "tablirex/range.h"

namespace tablirex {

/// One hyperlink. A counted view: it stays safe to hold after the link, its
/// sheet or the workbook is gone, but then every setter does nothing, every
/// getter returns the empty text, and Delete returns -1. Texts are UTF-8.
class IXLSHyperlink : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// The target outside the workbook: a web or mail address ("https://...",
  /// "mailto:..."), or a file ("report.xls", "C:\data\a.xls"); empty for a
  /// place in this workbook.
  virtual std::string GetAddress() = 0;
  /// A place in the target, for this workbook a cell or area ("'Sheet 2'!A1",
  /// "Data!B2:C4") or a defined name; empty when the link has none.
  virtual std::string GetSubAddress() = 0;
  /// The tip shown when the pointer rests on the link; empty for none.
  virtual std::string GetScreenTip() = 0;
  /// The text the anchor cell shows.
  virtual std::string GetTextToDisplay() = 0;
  /// Set the same fields. Return 1, or -1 with the reason left with the workbook
  /// (GetLastError) for a text longer than 2083 characters or a link left
  /// without address and sub-address. SetTextToDisplay writes the text into the
  /// anchor's first cell.
  virtual std::int32_t SetAddress(std::string_view address) = 0;
  virtual std::int32_t SetSubAddress(std::string_view subAddress) = 0;
  virtual std::int32_t SetScreenTip(std::string_view tip) = 0;
  virtual std::int32_t SetTextToDisplay(std::string_view text) = 0;
  /// The cells the link covers, or nullptr once it is gone.
  virtual Ref<IXLSRange> GetRange() = 0;
  /// Removes the link; the anchor keeps its text and format. Returns 1, or -1
  /// when the link is gone already.
  virtual std::int32_t Delete() = 0;
};

/// The hyperlinks of one worksheet, in the order they were added. A counted view
/// of the sheet's list; once the sheet is deleted it holds nothing and Add fails.
///
/// Links follow their anchor's first cell through Insert and Delete (a link whose
/// first cell is deleted goes with it) and through Move; Copy with formats copies
/// the links of the source cells; a link over cells that another paste or a new
/// link takes is replaced. Anchors are cut to the sheet, never beyond it.
class IXLSHyperlinks : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// Adds a link over the anchor (a range of this sheet): to the address, and
  /// within it to the sub-address (either may be empty, not both). The anchor's
  /// first cell shows textToDisplay, or when that is empty and the cell holds no
  /// value, the address (or the sub-address); it gets the blue, underlined font
  /// of links. A link the anchor replaces (one that began on a cell of it) is
  /// removed. Returns the new link, or nullptr with the reason left with the
  /// workbook (GetLastError): an anchor of another sheet, no target, a text
  /// longer than 2083 characters, or more links than a sheet holds (65536).
  virtual Ref<IXLSHyperlink> Add(IXLSRange* anchor, std::string_view address, std::string_view subAddress,
                                 std::string_view screenTip, std::string_view textToDisplay) = 0;
  virtual std::int32_t GetCount() = 0;
  /// The link at a one-based index, or nullptr (with the reason left with the
  /// workbook) for an index outside 1 … GetCount().
  virtual Ref<IXLSHyperlink> GetItem(std::int32_t index) = 0;
  /// Removes every link of the sheet; the anchors keep their texts.
  virtual void Delete() = 0;
};

}  // namespace tablirex
