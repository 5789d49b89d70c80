// The object model of a sheet's hyperlinks.
#include "tablirex/hyperlinks.h"

#include "cells/cell_store.h"
#include "range/range_impl.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/sheet_extras.h"

namespace tablirex {
namespace {

// The font of links: single underline, in the palette's blue (colour index 5).
constexpr std::uint8_t kLinkUnderline = 0x01;
constexpr std::uint32_t kLinkColor = 12;

std::int32_t CheckLength(TXLSWorkbook& wb, const std::u16string& text, std::size_t most, const char* what) {
  if (text.size() <= most) return xlsOK;
  return wb.Refuse(std::string("a hyperlink's ") + what + " has at most " + std::to_string(most) +
                   " characters, this one " + std::to_string(text.size()));
}

// Writes the text into the anchor's first cell.
void ShowText(IXLSWorksheet& sheet, const TXLSArea& anchor, std::string_view text) {
  TXLSRange first(&sheet, static_cast<std::uint32_t>(anchor.row1), static_cast<std::uint16_t>(anchor.col1),
                  static_cast<std::uint32_t>(anchor.row1), static_cast<std::uint16_t>(anchor.col1));
  first.SetText(text);
}

class TXLSHyperlink final : public IXLSHyperlink {
 public:
  TXLSHyperlink(TXLSSheetLink* link, std::uint64_t id) : IXLSHyperlink(true), link_(link), id_(id) {}

  std::string GetAddress() override { return Field(&TXLSHyperlinkData::address); }
  std::string GetSubAddress() override { return Field(&TXLSHyperlinkData::subAddress); }
  std::string GetScreenTip() override { return Field(&TXLSHyperlinkData::screenTip); }
  std::string GetTextToDisplay() override { return Field(&TXLSHyperlinkData::textToDisplay); }

  std::int32_t SetAddress(std::string_view address) override {
    return SetTarget(address, &TXLSHyperlinkData::address, &TXLSHyperlinkData::subAddress, "address");
  }
  std::int32_t SetSubAddress(std::string_view sub) override {
    return SetTarget(sub, &TXLSHyperlinkData::subAddress, &TXLSHyperlinkData::address, "sub-address");
  }
  std::int32_t SetScreenTip(std::string_view tip) override {
    return SetText(&TXLSHyperlinkData::screenTip, tip, kMaxScreenTip, "screen tip");
  }
  std::int32_t SetTextToDisplay(std::string_view text) override {
    TXLS_RETURN_ON_ERROR(SetText(&TXLSHyperlinkData::textToDisplay, text, kMaxLinkText, "text"));
    ShowText(*link_->Sheet(), Get()->anchor, text);
    return xlsOK;
  }
  Ref<IXLSRange> GetRange() override {
    TXLSHyperlinkData* l = Get();
    if (!l) return nullptr;
    const TXLSArea& a = l->anchor;
    return MakeRef<TXLSRange>(link_.get(), static_cast<std::uint32_t>(a.row1), static_cast<std::uint16_t>(a.col1),
                              static_cast<std::uint32_t>(a.row2), static_cast<std::uint16_t>(a.col2));
  }
  std::int32_t Delete() override {
    if (!Get()) return Gone();
    link_->Sheet()->Extras().hyperlinks.Remove(id_);
    return xlsOK;
  }

 private:
  TXLSHyperlinkData* Get() const {
    IXLSWorksheet* s = link_->Sheet();
    return s ? s->Extras().hyperlinks.Find(id_) : nullptr;
  }
  std::int32_t Gone() const {
    IXLSWorksheet* s = link_->Sheet();
    return s ? s->Workbook().Refuse("the hyperlink was deleted") : xlsFail;
  }
  std::string Field(std::u16string TXLSHyperlinkData::*field) const {
    const TXLSHyperlinkData* l = Get();
    return l ? Utf16ToUtf8(l->*field) : std::string();
  }
  std::int32_t SetText(std::u16string TXLSHyperlinkData::*field, std::string_view text, std::size_t most,
                       const char* what) {
    TXLSHyperlinkData* l = Get();
    if (!l) return Gone();
    std::u16string wide = Utf8ToUtf16(text);
    TXLS_RETURN_ON_ERROR(CheckLength(link_->Sheet()->Workbook(), wide, most, what));
    l->*field = std::move(wide);
    return xlsOK;
  }
  std::int32_t SetTarget(std::string_view text, std::u16string TXLSHyperlinkData::*field,
                         std::u16string TXLSHyperlinkData::*other, const char* what) {
    TXLSHyperlinkData* l = Get();
    if (!l) return Gone();
    TXLSWorkbook& wb = link_->Sheet()->Workbook();
    std::u16string wide = Utf8ToUtf16(text);
    TXLS_RETURN_ON_ERROR(CheckLength(wb, wide, kMaxLinkText, what));
    if (wide.empty() && (l->*other).empty()) return wb.Refuse("a hyperlink needs an address or a sub-address");
    l->*field = std::move(wide);
    return xlsOK;
  }

  Ref<TXLSSheetLink> link_;
  std::uint64_t id_;
};

class TXLSHyperlinks final : public IXLSHyperlinks {
 public:
  explicit TXLSHyperlinks(TXLSSheetLink* link) : IXLSHyperlinks(true), link_(link) {}

  Ref<IXLSHyperlink> Add(IXLSRange* anchor, std::string_view address, std::string_view subAddress,
                         std::string_view screenTip, std::string_view textToDisplay) override {
    IXLSWorksheet* sheet = link_->Sheet();
    if (!sheet) return nullptr;
    TXLSWorkbook& wb = sheet->Workbook();
    auto* range = dynamic_cast<TXLSRange*>(anchor);
    if (!range || range->Sheet() != sheet) {
      (void)wb.Refuse("the anchor of a hyperlink is a range of sheet " + sheet->GetWorkSheetName());
      return nullptr;
    }
    TXLSHyperlinkData l;
    l.anchor = range->Area();
    l.address = Utf8ToUtf16(address);
    l.subAddress = Utf8ToUtf16(subAddress);
    l.screenTip = Utf8ToUtf16(screenTip);
    l.textToDisplay = Utf8ToUtf16(textToDisplay);
    if (l.address.empty() && l.subAddress.empty()) {
      (void)wb.Refuse("a hyperlink needs an address or a sub-address");
      return nullptr;
    }
    if (CheckLength(wb, l.address, kMaxLinkText, "address") != xlsOK ||
        CheckLength(wb, l.subAddress, kMaxLinkText, "sub-address") != xlsOK ||
        CheckLength(wb, l.screenTip, kMaxScreenTip, "screen tip") != xlsOK ||
        CheckLength(wb, l.textToDisplay, kMaxLinkText, "text") != xlsOK)
      return nullptr;
    TXLSHyperlinkList& list = sheet->Extras().hyperlinks;
    if (list.Items().size() >= kMaxHyperlinks) {
      (void)wb.Refuse("sheet " + sheet->GetWorkSheetName() + " holds " + std::to_string(kMaxHyperlinks) +
                      " hyperlinks, the most a sheet can");
      return nullptr;
    }
    // The anchor shows the text asked for, else (when empty) the target.
    if (!textToDisplay.empty()) {
      ShowText(*sheet, l.anchor, textToDisplay);
    } else if (!sheet->Cells().GetValue(l.anchor.row1, l.anchor.col1) ||
               sheet->Cells().GetValue(l.anchor.row1, l.anchor.col1)->ValueType == xlEmpty) {
      l.textToDisplay = l.address.empty() ? l.subAddress : l.address;
      ShowText(*sheet, l.anchor, Utf16ToUtf8(l.textToDisplay));
    }
    range->SetFontUnderLine(kLinkUnderline);
    range->SetFontColorIndex(kLinkColor);
    return MakeRef<TXLSHyperlink>(link_.get(), list.Add(std::move(l)));
  }
  std::int32_t GetCount() override {
    IXLSWorksheet* s = link_->Sheet();
    return s ? static_cast<std::int32_t>(s->Extras().hyperlinks.Items().size()) : 0;
  }
  Ref<IXLSHyperlink> GetItem(std::int32_t index) override {
    IXLSWorksheet* s = link_->Sheet();
    if (!s) return nullptr;
    const auto& items = s->Extras().hyperlinks.Items();
    if (index < 1 || static_cast<std::size_t>(index) > items.size()) {
      (void)s->Workbook().Refuse("sheet " + s->GetWorkSheetName() + " has no hyperlink " + std::to_string(index) +
                                 " (it has " + std::to_string(items.size()) + ")");
      return nullptr;
    }
    return MakeRef<TXLSHyperlink>(link_.get(), items[static_cast<std::size_t>(index - 1)].id);
  }
  void Delete() override {
    if (IXLSWorksheet* s = link_->Sheet()) s->Extras().hyperlinks.Clear();
  }

 private:
  Ref<TXLSSheetLink> link_;
};

}  // namespace

Ref<IXLSHyperlinks> IXLSWorksheet::GetHyperlinks() { return MakeRef<TXLSHyperlinks>(link_.get()); }

}  // namespace tablirex
