// Part of the text of a range's cells and its font: the runs of the texts in
// the shared string table, changed through the font list.
#include <algorithm>
#include <functional>
#include <string>

#include "cells/cell_store.h"
#include "cells/rich_text.h"
#include "cells/sst.h"
#include "formats/font_list.h"
#include "formats/palette.h"
#include "range/range_impl.h"
#include "tablirex/characters.h"
#include "tablirex/colors.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"

namespace tablirex {
namespace {

// Colour index (1 … 56) = palette index - 7.
constexpr std::int32_t kPaletteOffset = 7;
// Font sizes a cell's font takes, in points.
constexpr double kMinSize = 1, kMaxSize = 409;

// Underline: the object model's constant and the font's underline byte.
struct TUnderline {
  std::int32_t constant;
  std::uint8_t code;
};
constexpr TUnderline kUnderlines[] = {{2, 0x01}, {-4119, 0x02}, {4, 0x21}, {5, 0x22}, {xlColorIndexNone, 0x00}};

class TXLSCharacters;

// The font of a part of the texts.
class TXLSCharactersFont final : public IXLSFont {
 public:
  explicit TXLSCharactersFont(TXLSCharacters* owner);

  std::string GetName() override { return Utf16ToUtf8(Fonts().GetName(Font())); }
  float GetSize() override { return static_cast<float>(Fonts().GetSize(Font())); }
  std::int32_t GetColorIndex() override {
    const std::int32_t stored = Fonts().GetColorIndex(Font());
    if (stored == xlColorIndexAutomatic) return xlColorIndexAutomatic;
    return stored <= kPaletteOffset ? stored : stored - kPaletteOffset;
  }
  std::uint32_t GetColor() override;
  bool GetBold() override { return Fonts().GetBold(Font()); }
  bool GetItalic() override { return Fonts().GetItalic(Font()); }
  bool GetStrikethrough() override { return Fonts().GetStrikethrough(Font()); }
  bool GetOutLineFont() override { return Fonts().GetOutLineFont(Font()); }
  bool GetShadow() override { return Fonts().GetShadow(Font()); }
  std::int32_t GetUnderLine() override {
    const std::uint8_t code = Fonts().GetUnderLine(Font());
    for (const TUnderline& u : kUnderlines)
      if (u.code == code) return u.constant;
    return xlColorIndexNone;
  }
  bool GetSubScript() override { return Fonts().GetSubScript(Font()); }
  bool GetSuperScript() override { return Fonts().GetSuperScript(Font()); }

  void SetSize(float size) override;
  void SetColorIndex(std::int32_t index) override;
  void SetColor(std::uint32_t rgb) override;
  void SetBold(bool v) override {
    Change([v](TXLSFontList& f, std::int32_t i) { return f.SetBold(i, v); });
  }
  void SetItalic(bool v) override {
    Change([v](TXLSFontList& f, std::int32_t i) { return f.SetItalic(i, v); });
  }
  void SetStrikethrough(bool v) override {
    Change([v](TXLSFontList& f, std::int32_t i) { return f.SetStrikethrough(i, v); });
  }
  void SetOutLineFont(bool v) override {
    Change([v](TXLSFontList& f, std::int32_t i) { return f.SetOutLineFont(i, v); });
  }
  void SetShadow(bool v) override {
    Change([v](TXLSFontList& f, std::int32_t i) { return f.SetShadow(i, v); });
  }
  void SetUnderLine(std::uint32_t value) override;
  void SetSubScript(bool v) override {
    Change([v](TXLSFontList& f, std::int32_t i) { return f.SetSubScript(i, v); });
  }
  void SetSuperScript(bool v) override {
    Change([v](TXLSFontList& f, std::int32_t i) { return f.SetSuperScript(i, v); });
  }
  void SetName(std::string_view name) override;

 private:
  using TChange = std::function<std::int32_t(TXLSFontList&, std::int32_t)>;
  TXLSFontList& Fonts();
  std::int32_t Font();
  void Change(const TChange& change);
  void Refuse(const std::string& why);

  Ref<TXLSCharacters> owner_;
};

class TXLSCharacters final : public IXLSCharacters {
 public:
  TXLSCharacters(TXLSRange* range, std::int32_t start, std::int32_t length)
      : IXLSCharacters(true), range_(range), start_(start), length_(length) {}

  Ref<IXLSFont> GetFont() override { return MakeRef<TXLSCharactersFont>(this); }
  std::string GetText() override {
    TXLSCellRef* cell = TopLeft();
    if (!cell || !Valid()) return {};
    const std::u16string_view text = Sheet()->Workbook().StringTable().GetValue(cell->SSTIndex);
    std::size_t first = 0, end = 0;
    if (!Span(text.size(), first, end)) return {};
    return Utf16ToUtf8(text.substr(first, end - first));
  }
  std::int32_t GetStart() override { return start_; }
  std::int32_t GetLength() override { return length_; }
  std::int32_t GetCount() override {
    if (!Valid()) return 0;
    const TXLSStringTable& sst = Sheet()->Workbook().StringTable();
    std::int64_t n = 0;
    ForEachText([&](const TXLSCellRef& cell) {
      std::size_t first = 0, end = 0;
      if (Span(sst.GetValue(cell.SSTIndex).size(), first, end)) n += static_cast<std::int64_t>(end - first);
    });
    return static_cast<std::int32_t>(std::min<std::int64_t>(n, 0x7FFFFFFF));
  }

  TXLSRange& Range() noexcept { return *range_; }
  IXLSWorksheet* Sheet() const noexcept { return range_->Sheet(); }
  bool Valid() const noexcept { return start_ >= 1 && !range_->Dead(); }
  // "A1:B2 characters 1 to 4", for messages.
  std::string Where() const {
    std::string w = range_->FirstRef();
    if (range_->LastRef() != w) w += ":" + range_->LastRef();
    w += " characters " + std::to_string(start_);
    if (length_ >= 0) w += " to " + std::to_string(start_ + length_ - 1);
    return w;
  }
  // The zero-based span of these characters in a text of n characters; false
  // when the text does not reach them.
  bool Span(std::size_t n, std::size_t& first, std::size_t& end) const noexcept {
    first = static_cast<std::size_t>(start_ - 1);
    end = length_ < 0 ? n : std::min<std::size_t>(n, first + static_cast<std::size_t>(length_));
    return first < end;
  }
  // Calls f(cell) for every text cell of the range that covers nothing of a
  // merged area, walking only the rows and columns that hold cells.
  template <class F>
  void ForEachText(F&& f) const {
    if (range_->Dead()) return;
    TXLSCellHeap& store = Sheet()->Cells();
    if (store.RowCount() <= 0) return;
    const std::int32_t r1 = std::max<std::int32_t>(range_->MinRow(), store.FirstRow());
    const std::int32_t r2 = std::min<std::int32_t>(range_->MaxRow(), store.LastRow());
    const std::int32_t c1 = std::max<std::int32_t>(range_->MinCol(), store.FirstCol());
    const std::int32_t c2 = std::min<std::int32_t>(range_->MaxCol(), store.LastCol());
    for (std::int32_t r = r1; r <= r2; ++r)
      for (std::int32_t c = c1; c <= c2; ++c) {
        TXLSCellRef* cell = store.GetValue(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c));
        if (cell && cell->ValueType == xlString && !(cell->IsMerged && !cell->IsMergeOwner)) f(*cell);
      }
  }
  // The range's first cell when it holds a text.
  TXLSCellRef* TopLeft() const noexcept {
    if (range_->Dead()) return nullptr;
    TXLSCellRef* c = Sheet()->Cells().GetValue(range_->MinRow(), range_->MinCol());
    return c && c->ValueType == xlString && !(c->IsMerged && !c->IsMergeOwner) ? c : nullptr;
  }
  // The font of the cell's format.
  std::int32_t CellFont(const TXLSCellRef& cell) const {
    bool own = false;
    const std::int32_t xf = range_->GetXFIndex(cell.Row, cell.Col, own);
    return Sheet()->Workbook().XFList().GetFontIndex(xf);
  }

 private:
  Ref<TXLSRange> range_;
  std::int32_t start_;
  std::int32_t length_;
};

TXLSCharactersFont::TXLSCharactersFont(TXLSCharacters* owner) : IXLSFont(true), owner_(owner) {}

TXLSFontList& TXLSCharactersFont::Fonts() {
  // A deleted sheet leaves no workbook to ask: its default font is read instead.
  static TXLSFontList none;
  IXLSWorksheet* s = owner_->Sheet();
  return s ? s->Workbook().XFList().GetFontList() : none;
}

// The font of the first of these characters in the range's first cell.
std::int32_t TXLSCharactersFont::Font() {
  TXLSCharacters& c = *owner_;
  if (c.Range().Dead()) return 0;
  if (TXLSCellRef* cell = c.TopLeft()) {
    const TXLSStringTable& sst = c.Sheet()->Workbook().StringTable();
    std::size_t first = 0, end = 0;
    if (const TXLSRichRuns* runs = sst.GetRuns(cell->SSTIndex);
        runs && c.Valid() && c.Span(sst.GetValue(cell->SSTIndex).size(), first, end)) {
      std::int32_t font = -1;
      for (const TXLSRichRun& r : *runs)
        if (r.First <= first) font = r.Font;
      if (font >= 0) return font;
    }
    return c.CellFont(*cell);
  }
  const TXLSCellRef* any = c.Sheet()->Cells().GetValue(c.Range().MinRow(), c.Range().MinCol());
  TXLSCellRef probe;
  probe.Row = c.Range().MinRow();
  probe.Col = c.Range().MinCol();
  return c.CellFont(any ? *any : probe);
}

void TXLSCharactersFont::Refuse(const std::string& why) {
  if (!owner_->Range().Dead()) owner_->Range().Refuse(owner_->Where() + ": " + why);
}

// Gives these characters of every text cell of the range the font change makes
// of the font they show.
void TXLSCharactersFont::Change(const TChange& change) {
  TXLSCharacters& c = *owner_;
  if (!c.Valid()) return;
  IXLSWorksheet& sheet = *c.Sheet();
  TXLSStringTable& sst = sheet.Workbook().StringTable();
  TXLSFontList& fonts = sheet.Workbook().XFList().GetFontList();
  bool reached = false;
  c.ForEachText([&](TXLSCellRef& cellRef) {
      TXLSCellRef* cell = &cellRef;
      const std::u16string text(sst.GetValue(cell->SSTIndex));
      std::size_t first = 0, end = 0;
      if (!c.Span(text.size(), first, end)) return;
      reached = true;
      // The runs over the whole text, from its first character, with run
      // boundaries where these characters begin and end.
      const std::int32_t base = c.CellFont(*cell);
      TXLSRichRuns runs;
      if (const TXLSRichRuns* own = sst.GetRuns(cell->SSTIndex)) runs = *own;
      if (runs.empty() || runs.front().First > 0) runs.insert(runs.begin(), TXLSRichRun{0, base});
      const auto fontAt = [&](std::size_t at) {
        std::int32_t font = base;
        for (const TXLSRichRun& run : runs)
          if (run.First <= at) font = run.Font;
        return font;
      };
      for (const std::size_t cut : {first, end})
        if (cut < text.size()) {
          const TXLSRichRun split{static_cast<std::uint32_t>(cut), fontAt(cut)};
          const auto at = std::lower_bound(runs.begin(), runs.end(), split,
                                           [](const TXLSRichRun& a, const TXLSRichRun& b) { return a.First < b.First; });
          if (at == runs.end() || at->First != split.First) runs.insert(at, split);
        }
      for (TXLSRichRun& run : runs)
        if (run.First >= first && run.First < end) run.Font = change(fonts, run.Font);
      NormalizeRuns(runs, text.size());
      // A text all in its cell's font needs no runs.
      if (runs.size() == 1 && runs.front().Font == base) runs.clear();
      const std::int32_t index = sst.AddRich(text, std::move(runs));
      sst.Remove(cell->SSTIndex);
      cell->SSTIndex = index;
    });
  if (!reached) Refuse("no text of the range reaches these characters");
}

std::uint32_t TXLSCharactersFont::GetColor() {
  IXLSWorksheet* s = owner_->Sheet();
  return s ? s->Workbook().Palette().GetCustomColor(GetColorIndex()) : 0;
}

void TXLSCharactersFont::SetSize(float size) {
  if (!(size >= kMinSize && size <= kMaxSize)) {
    Refuse("font size " + std::to_string(size) + " is outside 1 to 409 points");
    return;
  }
  Change([size](TXLSFontList& f, std::int32_t i) { return f.SetSize(i, size); });
}

void TXLSCharactersFont::SetColorIndex(std::int32_t index) {
  if (index != xlColorIndexAutomatic && (index < 0 || index > 56)) {
    Refuse("font colour index " + std::to_string(index) + " is outside 0 to 56");
    return;
  }
  const std::uint32_t stored = index == xlColorIndexAutomatic ? static_cast<std::uint32_t>(xlColorIndexAutomatic)
                               : index == 0                   ? 0u
                                                              : static_cast<std::uint32_t>(index + kPaletteOffset);
  Change([stored](TXLSFontList& f, std::int32_t i) { return f.SetColorIndex(i, stored); });
}

void TXLSCharactersFont::SetColor(std::uint32_t rgb) {
  IXLSWorksheet* s = owner_->Sheet();
  if (s) SetColorIndex(s->Workbook().Palette().GetCustomColorIndex(rgb));
}

void TXLSCharactersFont::SetUnderLine(std::uint32_t value) {
  for (const TUnderline& u : kUnderlines)
    if (static_cast<std::uint32_t>(u.constant) == value) {
      const std::uint8_t code = u.code;
      Change([code](TXLSFontList& f, std::int32_t i) { return f.SetUnderLine(i, code); });
      return;
    }
  Refuse("underline " + std::to_string(static_cast<std::int32_t>(value)) + " is none of 2, -4119, 4, 5, -4142");
}

void TXLSCharactersFont::SetName(std::string_view name) {
  const std::u16string wide = Utf8ToUtf16(name);
  if (std::string why = TXLSFontList::CheckName(wide); !why.empty()) {
    Refuse(std::move(why));
    return;
  }
  Change([&wide](TXLSFontList& f, std::int32_t i) { return f.SetName(i, wide); });
}

}  // namespace

Ref<IXLSCharacters> TXLSRange::Characters(std::int32_t start, std::int32_t length) {
  auto c = MakeRef<TXLSCharacters>(this, start, length);
  if (start < 1 && !Dead()) Refuse("Characters(" + std::to_string(start) + ", ...): the first character is 1");
  return c;
}

}  // namespace tablirex
