// Whether a sheet shows, and the colour of its tab.
#include "workbook/sheet_tab.h"

#include "biff/blob.h"
#include "biff/records.h"
#include "formats/palette.h"
#include "tablirex/colors.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "workbook/sheet_collection.h"

namespace tablirex {
namespace {

// Colour index (1 … 56) = palette index - 7.
constexpr std::int32_t kPaletteOffset = 7;
// SHEETEXT's colour when the tab has none.
constexpr std::uint32_t kNoTabColor = 0x7F;

bool Shown(const IXLSWorksheet& s) noexcept { return s.GetVisible() == xlSheetVisible; }

class TXLSTab final : public IXLSTab {
 public:
  explicit TXLSTab(TXLSSheetLink* link) : IXLSTab(true), link_(link) {}

  std::uint32_t GetColor() override {
    IXLSWorksheet* s = link_->Sheet();
    if (!s || s->TabColorIndex() == xlColorIndexNone) return 0;
    return s->Workbook().Palette().GetCustomColor(s->TabColorIndex());
  }
  void SetColor(std::uint32_t rgb) override {
    IXLSWorksheet* s = link_->Sheet();
    if (!s) return;
    if (rgb > 0xFFFFFF) {
      (void)s->Workbook().Refuse("sheet " + s->GetWorkSheetName() + ": tab colour " + std::to_string(rgb) +
                                 " is not an RGB value (0 to 0xFFFFFF)");
      return;
    }
    s->SetTabColorIndex(s->Workbook().Palette().GetCustomColorIndex(rgb));
  }
  std::int32_t GetColorIndex() override {
    IXLSWorksheet* s = link_->Sheet();
    return s ? s->TabColorIndex() : xlColorIndexNone;
  }
  void SetColorIndex(std::int32_t index) override {
    IXLSWorksheet* s = link_->Sheet();
    if (!s) return;
    if (index == xlColorIndexNone || index == xlColorIndexAutomatic) {
      s->SetTabColorIndex(xlColorIndexNone);
    } else if (index >= 1 && index <= 56) {
      s->SetTabColorIndex(index);
    } else {
      (void)s->Workbook().Refuse("sheet " + s->GetWorkSheetName() + ": tab colour index " +
                                 std::to_string(index) + " is outside 1 to 56 (-4142: none)");
    }
  }

 private:
  Ref<TXLSSheetLink> link_;
};

}  // namespace

std::uint8_t BoundSheetState(const IXLSWorksheet& sheet) noexcept {
  switch (sheet.GetVisible()) {
    case xlSheetHidden: return 1;
    case xlSheetVeryHidden: return 2;
    default: return 0;
  }
}

std::int32_t IXLSWorksheet::SetVisible(std::int32_t visible) {
  if (visible != xlSheetVisible && visible != xlSheetHidden && visible != xlSheetVeryHidden)
    return workbook_->Refuse("sheet " + GetWorkSheetName() + ": visibility " + std::to_string(visible) +
                             " is none of -1 (visible), 0 (hidden) and 2 (very hidden)");
  if (visible == visible_) return xlsOK;
  if (visible == xlSheetVisible || !Shown(*this) || !collection_) {
    visible_ = visible;
    return xlsOK;
  }
  // Hiding a visible sheet: another one must stay visible and take over.
  TXLSWorkSheets& sheets = *collection_;
  IXLSWorksheet* heir = nullptr;
  for (std::size_t i = static_cast<std::size_t>(position_); i < sheets.Size() && !heir; ++i)
    if (Shown(sheets.At(i))) heir = &sheets.At(i);
  for (std::size_t i = static_cast<std::size_t>(position_ - 1); i-- > 0 && !heir;)
    if (Shown(sheets.At(i))) heir = &sheets.At(i);
  if (!heir)
    return workbook_->Refuse("sheet " + GetWorkSheetName() +
                             " is the only visible sheet: a workbook keeps at least one");
  visible_ = visible;
  selected_ = false;
  if (sheets.GetActiveSheet() == this) heir->Activate();
  return xlsOK;
}

Ref<IXLSTab> IXLSWorksheet::GetTab() { return MakeRef<TXLSTab>(link_.get()); }

std::int32_t StoreSheetTab(IXLSWorksheet& sheet, IRecordSink& sink, const TRecordContext& ctx) {
  const std::int32_t index = sheet.TabColorIndex();
  if (index == xlColorIndexNone) return xlsOK;
  if (ctx.IsBiff5())
    return sheet.Workbook().Warn("sheet " + sheet.GetWorkSheetName(), "tab colour left out",
                                 "tab colours left out (an Excel 5 file has none)");
  // SHEETEXT: the future-record header (its own number, no flags, 8 reserved
  // bytes), the record's size, then the colour as a palette index.
  constexpr std::uint16_t kBody = 20;
  TXLSBlob b(4u + kBody);
  b.AddWord(RecNo(Rec::SHEETEXT));
  b.AddWord(kBody);
  b.AddWord(RecNo(Rec::SHEETEXT));  // 0: record number again
  b.AddWord(0);                     // 2: flags
  b.AddLong(0);                     // 4: reserved
  b.AddLong(0);                     // 8: reserved
  b.AddLong(kBody);                 // 12: size of the record
  b.AddLong(index >= 1 && index <= 56 ? static_cast<std::uint32_t>(index + kPaletteOffset) : kNoTabColor);  // 16
  return sink.AppendRecord(b);
}

}  // namespace tablirex
