// The object model of conditional formats: a range's conditions, and the font,
// fill and border views of one condition.
#include "tablirex/conditions.h"

#include "formats/palette.h"
#include "formats/xf_list.h"
#include "formula/formula_use.h"
#include "range/format_views_impl.h"
#include "range/range_impl.h"
#include "tablirex/colors.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "workbook/sheet_extras.h"

namespace tablirex {
namespace {

constexpr std::int32_t kPaletteOffset = 7;
constexpr std::uint8_t kSystemForeground = 64;

// Checks kind, operator and formulas of a condition about to be set.
std::int32_t CheckCondition(IXLSWorksheet& sheet, const std::string& where, std::int32_t type, std::int32_t op,
                            std::string_view formula1, std::string_view formula2, TXLSCondition& out) {
  TXLSWorkbook& wb = sheet.Workbook();
  if (type != xlCellValue && type != xlExpression)
    return wb.Refuse(where + ": unknown condition type " + std::to_string(type) + " (1 cell value, 2 expression)");
  if (type == xlCellValue && (op < xlBetween || op > xlLessEqual))
    return wb.Refuse(where + ": unknown operator " + std::to_string(op) + " (1 to 8)");
  out.type = type;
  out.op = type == xlCellValue ? op : 0;
  TXLSFormulaUse use(wb, TXLSFormulaUse::Kind::Condition, sheet.GetIndex());
  TXLS_RETURN_ON_ERROR(use.Check(formula1, where));
  out.formula1 = std::string(WithoutEquals(formula1));
  out.formula2.clear();
  if (out.UsesFormula2()) {
    TXLS_RETURN_ON_ERROR(use.Check(formula2, where));
    out.formula2 = std::string(WithoutEquals(formula2));
  }
  return xlsOK;
}

// Where a condition is found again: its sheet and its id.
class TConditionRef {
 public:
  TConditionRef(TXLSSheetLink* link, std::uint64_t id) : link_(link), id_(id) {}
  IXLSWorksheet* Sheet() const noexcept { return link_->Sheet(); }
  TXLSCondition* Get() const {
    IXLSWorksheet* s = link_->Sheet();
    return s ? s->Extras().conditions.FindCondition(id_) : nullptr;
  }
  TXLSPalette* Palette() const {
    IXLSWorksheet* s = link_->Sheet();
    return s ? &s->Workbook().Palette() : nullptr;
  }
  /// Refuses a setting the format cannot hold; returns nothing (the setters of
  /// the views return nothing).
  void Refuse(const std::string& what) const {
    if (IXLSWorksheet* s = link_->Sheet()) (void)s->Workbook().Refuse("a conditional format cannot " + what);
  }
  std::uint64_t Id() const noexcept { return id_; }
  TXLSSheetLink* Link() const noexcept { return link_.get(); }

 private:
  Ref<TXLSSheetLink> link_;
  std::uint64_t id_;
};

// A colour index of the object model (1 … 56, -4105) as a palette index, or -1.
std::int32_t PaletteIndexOf(std::int32_t index) noexcept {
  if (index >= 1 && index <= 56) return index + kPaletteOffset;
  if (index == xlColorIndexAutomatic) return kSystemForeground;
  return -1;
}

std::int32_t ColorIndexOf(std::uint8_t stored) noexcept {
  return stored >= 8 && stored <= 63 ? stored - kPaletteOffset : xlColorIndexAutomatic;
}

class TXLSConditionFont final : public IXLSFont {
 public:
  explicit TXLSConditionFont(TConditionRef c) : IXLSFont(true), c_(std::move(c)) {}
  std::string GetName() override { return {}; }
  float GetSize() override { return 0; }
  std::int32_t GetColorIndex() override {
    const TXLSCondition* c = c_.Get();
    return c && c->style.fontColor ? ColorIndexOf(*c->style.fontColor) : xlColorIndexAutomatic;
  }
  std::uint32_t GetColor() override {
    TXLSPalette* p = c_.Palette();
    return p ? p->GetCustomColor(GetColorIndex()) : 0;
  }
  bool GetBold() override { return Flag(&TXLSConditionStyle::bold); }
  bool GetItalic() override { return Flag(&TXLSConditionStyle::italic); }
  bool GetStrikethrough() override { return Flag(&TXLSConditionStyle::strikethrough); }
  bool GetOutLineFont() override { return false; }
  bool GetShadow() override { return false; }
  std::int32_t GetUnderLine() override {
    const TXLSCondition* c = c_.Get();
    return UnderlineConstant(c && c->style.underline ? *c->style.underline : 0);
  }
  bool GetSubScript() override { return false; }
  bool GetSuperScript() override { return false; }
  void SetSize(float) override { c_.Refuse("change the font size"); }
  void SetColorIndex(std::int32_t index) override {
    TXLSCondition* c = c_.Get();
    if (!c) return;
    const std::int32_t p = PaletteIndexOf(index);
    if (p < 0) return c_.Refuse("take the colour index " + std::to_string(index) + " (1 to 56, or -4105)");
    c->style.fontColor = static_cast<std::uint8_t>(p);
  }
  void SetColor(std::uint32_t rgb) override {
    if (TXLSPalette* p = c_.Palette()) SetColorIndex(p->GetCustomColorIndex(rgb));
  }
  void SetBold(bool v) override { SetFlag(&TXLSConditionStyle::bold, v); }
  void SetItalic(bool v) override { SetFlag(&TXLSConditionStyle::italic, v); }
  void SetStrikethrough(bool v) override { SetFlag(&TXLSConditionStyle::strikethrough, v); }
  void SetOutLineFont(bool) override { c_.Refuse("outline the font"); }
  void SetShadow(bool) override { c_.Refuse("shadow the font"); }
  void SetUnderLine(std::uint32_t value) override {
    TXLSCondition* c = c_.Get();
    if (!c) return;
    const std::int32_t code = UnderlineCode(value);
    if (code < 0) return c_.Refuse("take the underline " + std::to_string(static_cast<std::int32_t>(value)));
    c->style.underline = static_cast<std::uint8_t>(code);
  }
  void SetSubScript(bool) override { c_.Refuse("make the font a subscript"); }
  void SetSuperScript(bool) override { c_.Refuse("make the font a superscript"); }
  void SetName(std::string_view) override { c_.Refuse("change the font name"); }

 private:
  bool Flag(std::optional<bool> TXLSConditionStyle::*f) const {
    const TXLSCondition* c = c_.Get();
    return c && (c->style.*f).value_or(false);
  }
  void SetFlag(std::optional<bool> TXLSConditionStyle::*f, bool v) {
    if (TXLSCondition* c = c_.Get()) c->style.*f = v;
  }
  TConditionRef c_;
};

class TXLSConditionInterior final : public IXLSInterior {
 public:
  explicit TXLSConditionInterior(TConditionRef c) : IXLSInterior(true), c_(std::move(c)) {}
  void SetColor(std::uint32_t rgb) override {
    if (TXLSPalette* p = c_.Palette()) SetColorIndex(static_cast<std::uint32_t>(p->GetCustomColorIndex(rgb)));
  }
  std::uint32_t GetColor() override { return Rgb(&TXLSConditionStyle::fillColor); }
  void SetPatternColor(std::uint32_t rgb) override {
    if (TXLSPalette* p = c_.Palette()) SetPatternColorIndex(static_cast<std::uint32_t>(p->GetCustomColorIndex(rgb)));
  }
  std::uint32_t GetPatternColor() override { return Rgb(&TXLSConditionStyle::patternColor); }
  void SetColorIndex(std::uint32_t index) override {
    TXLSCondition* c = c_.Get();
    if (!c) return;
    const std::int32_t p = FillPaletteIndex(static_cast<std::int32_t>(index), kPaletteSystemBackground);
    if (p < 0) return c_.Refuse("take the colour index " + std::to_string(static_cast<std::int32_t>(index)));
    if (p == 0) {  // no fill
      c->style.pattern = 0;
      c->style.fillColor.reset();
      return;
    }
    c->style.fillColor = static_cast<std::uint8_t>(p);
    if (!c->style.pattern || *c->style.pattern == 0) c->style.pattern = 1;
  }
  void SetPatternColorIndex(std::uint32_t index) override {
    TXLSCondition* c = c_.Get();
    if (!c) return;
    const std::int32_t p = FillPaletteIndex(static_cast<std::int32_t>(index), kPaletteSystemForeground);
    if (p <= 0) return c_.Refuse("take the pattern colour index " + std::to_string(static_cast<std::int32_t>(index)));
    c->style.patternColor = static_cast<std::uint8_t>(p);
  }
  void SetPattern(std::uint32_t pattern) override {
    if (TXLSCondition* c = c_.Get()) c->style.pattern = static_cast<std::uint8_t>(PatternOf(static_cast<std::int32_t>(pattern)));
  }
  std::int32_t GetColorIndex() override { return Index(&TXLSConditionStyle::fillColor); }
  std::int32_t GetPatternColorIndex() override { return Index(&TXLSConditionStyle::patternColor); }
  std::int32_t GetPattern() override {
    const TXLSCondition* c = c_.Get();
    return PatternConstant(c && c->style.pattern ? *c->style.pattern : 0);
  }

 private:
  std::int32_t Index(std::optional<std::uint8_t> TXLSConditionStyle::*f) const {
    const TXLSCondition* c = c_.Get();
    return FillColorIndex(c && c->style.*f ? *(c->style.*f) : 0);
  }
  std::uint32_t Rgb(std::optional<std::uint8_t> TXLSConditionStyle::*f) const {
    const TXLSCondition* c = c_.Get();
    TXLSPalette* p = c_.Palette();
    return p ? FillRgb(*p, c && c->style.*f ? *(c->style.*f) : 0) : 0;
  }
  TConditionRef c_;
};

// The edges a border index names: 7 left, 8 top, 9 bottom, 10 right, by the
// order of the style's edges (left, right, top, bottom); -1 for any other.
std::int32_t EdgeOf(std::int32_t index) noexcept {
  switch (index) {
    case 7: return 0;
    case 8: return 2;
    case 9: return 3;
    case 10: return 1;
    default: return -1;
  }
}

class TXLSConditionBorder final : public IXLSBorder {
 public:
  TXLSConditionBorder(TConditionRef c, std::int32_t edge) : IXLSBorder(true), c_(std::move(c)), edge_(edge) {}
  std::uint32_t GetColor() override {
    TXLSPalette* p = c_.Palette();
    return p ? p->GetCustomColor(GetColorIndex()) : 0;
  }
  std::int32_t GetColorIndex() override {
    const TXLSConditionEdge* e = Edge();
    return e ? ColorIndexOf(e->color) : xlColorIndexAutomatic;
  }
  std::int32_t GetLineStyle() override {
    const TXLSConditionEdge* e = Edge();
    return e ? GetLineStyleFromBorderStyle(e->style) : xlColorIndexNone;
  }
  std::int32_t GetWeight() override {
    const TXLSConditionEdge* e = Edge();
    return e ? GetWeightFromBorderStyle(e->style) : 2;
  }
  void SetColor(std::uint32_t rgb) override {
    if (TXLSPalette* p = c_.Palette()) SetColorIndex(static_cast<std::uint32_t>(p->GetCustomColorIndex(rgb)));
  }
  void SetColorIndex(std::uint32_t index) override {
    const std::int32_t p = PaletteIndexOf(static_cast<std::int32_t>(index));
    if (p < 0) return c_.Refuse("take the border colour index " + std::to_string(static_cast<std::int32_t>(index)));
    if (TXLSConditionEdge* e = MakeEdge()) e->color = static_cast<std::uint8_t>(p);
  }
  void SetLineStyle(std::uint32_t style) override {
    if (TXLSConditionEdge* e = MakeEdge())
      e->style = static_cast<std::uint8_t>(
          GetXFBorderLineStyle(static_cast<std::int32_t>(style), GetWeightFromBorderStyle(e->style), true));
  }
  void SetWeight(std::uint32_t weight) override {
    if (TXLSConditionEdge* e = MakeEdge()) {
      const std::int32_t style = e->style ? GetLineStyleFromBorderStyle(e->style) : 1;
      e->style = static_cast<std::uint8_t>(GetXFBorderLineStyle(style, static_cast<std::int32_t>(weight), false));
    }
  }

 private:
  const TXLSConditionEdge* Edge() const {
    const TXLSCondition* c = c_.Get();
    return c && c->style.edges[edge_] ? &*c->style.edges[edge_] : nullptr;
  }
  TXLSConditionEdge* MakeEdge() {
    TXLSCondition* c = c_.Get();
    if (!c) return nullptr;
    if (!c->style.edges[edge_]) c->style.edges[edge_] = TXLSConditionEdge{};
    return &*c->style.edges[edge_];
  }
  TConditionRef c_;
  std::int32_t edge_;
};

class TXLSConditionBorders final : public IXLSBorders {
 public:
  explicit TXLSConditionBorders(TConditionRef c) : IXLSBorders(true), c_(std::move(c)) {}
  std::uint32_t GetColor() override { return Top().GetColor(); }
  std::int32_t GetColorIndex() override { return Top().GetColorIndex(); }
  std::int32_t GetLineStyle() override { return Top().GetLineStyle(); }
  std::int32_t GetWeight() override { return Top().GetWeight(); }
  void SetColor(std::uint32_t rgb) override {
    ForAll([&](TXLSConditionBorder& b) { b.SetColor(rgb); });
  }
  void SetColorIndex(std::uint32_t index) override {
    ForAll([&](TXLSConditionBorder& b) { b.SetColorIndex(index); });
  }
  void SetLineStyle(std::uint32_t style) override {
    ForAll([&](TXLSConditionBorder& b) { b.SetLineStyle(style); });
  }
  void SetWeight(std::uint32_t weight) override {
    ForAll([&](TXLSConditionBorder& b) { b.SetWeight(weight); });
  }
  Ref<IXLSBorder> GetBorder(std::int32_t index) override {
    const std::int32_t edge = EdgeOf(index);
    if (edge < 0) {
      c_.Refuse("draw the border of index " + std::to_string(index) + " (7 left, 8 top, 9 bottom, 10 right only)");
      return nullptr;
    }
    return MakeRef<TXLSConditionBorder>(c_, edge);
  }

 private:
  TXLSConditionBorder Top() { return TXLSConditionBorder(c_, 2); }
  template <class F>
  void ForAll(F&& f) {
    for (std::int32_t e = 0; e < 4; ++e) {
      TXLSConditionBorder b(c_, e);
      f(b);
    }
  }
  TConditionRef c_;
};

class TXLSFormatCondition final : public IXLSFormatCondition {
 public:
  explicit TXLSFormatCondition(TConditionRef c) : IXLSFormatCondition(true), c_(std::move(c)) {}
  std::int32_t GetType() override {
    const TXLSCondition* c = c_.Get();
    return c ? c->type : 0;
  }
  std::int32_t GetOperator() override {
    const TXLSCondition* c = c_.Get();
    return c ? c->op : 0;
  }
  std::string GetFormula1() override {
    const TXLSCondition* c = c_.Get();
    return c ? "=" + c->formula1 : std::string();
  }
  std::string GetFormula2() override {
    const TXLSCondition* c = c_.Get();
    return c && c->UsesFormula2() ? "=" + c->formula2 : std::string();
  }
  std::int32_t Modify(std::int32_t type, std::int32_t op, std::string_view formula1,
                      std::string_view formula2) override {
    if (!c_.Get()) return Gone();
    TXLSCondition checked;
    TXLS_RETURN_ON_ERROR(CheckCondition(*c_.Sheet(), "conditional format", type, op, formula1, formula2, checked));
    TXLSCondition* c = c_.Get();
    c->type = checked.type;
    c->op = checked.op;
    c->formula1 = std::move(checked.formula1);
    c->formula2 = std::move(checked.formula2);
    return xlsOK;
  }
  std::int32_t Delete() override {
    if (!c_.Get()) return Gone();
    c_.Sheet()->Extras().conditions.RemoveCondition(c_.Id());
    return xlsOK;
  }
  Ref<IXLSFont> GetFont() override { return MakeRef<TXLSConditionFont>(c_); }
  Ref<IXLSInterior> GetInterior() override { return MakeRef<TXLSConditionInterior>(c_); }
  Ref<IXLSBorders> GetBorders() override { return MakeRef<TXLSConditionBorders>(c_); }

 private:
  std::int32_t Gone() const {
    IXLSWorksheet* s = c_.Sheet();
    return s ? s->Workbook().Refuse("the condition was deleted") : xlsFail;
  }
  TConditionRef c_;
};

class TXLSFormatConditions final : public IXLSFormatConditions {
 public:
  explicit TXLSFormatConditions(TXLSRange* range) : IXLSFormatConditions(true), range_(range) {}

  Ref<IXLSFormatCondition> Add(std::int32_t type, std::int32_t op, std::string_view formula1,
                               std::string_view formula2) override {
    if (range_->Dead()) return nullptr;
    IXLSWorksheet& sheet = *range_->Sheet();
    const TXLSArea area = range_->Area();
    const std::string where = "conditional format of " + sheet.CellName(area.row1, area.col1, area.row2, area.col2);
    TXLSConditionalFormatList& list = sheet.Extras().conditions;
    TXLSConditionalFormat* format = list.Exact(area);
    if (format && format->conditions.size() >= kMaxConditions) {
      (void)sheet.Workbook().Refuse(where + ": a conditional format holds at most 3 conditions (the Excel 97 "
                                            "format's limit); this one has them already");
      return nullptr;
    }
    TXLSCondition c;
    if (CheckCondition(sheet, where, type, op, formula1, formula2, c) != xlsOK) return nullptr;
    c.id = list.NewConditionId();
    format = list.Exact(area);
    if (!format) format = &list.Make(area);
    format->conditions.push_back(std::move(c));
    return MakeRef<TXLSFormatCondition>(TConditionRef(sheet.Link(), format->conditions.back().id));
  }
  std::int32_t GetCount() override {
    const TXLSConditionalFormat* f = Format();
    return f ? static_cast<std::int32_t>(f->conditions.size()) : 0;
  }
  Ref<IXLSFormatCondition> GetItem(std::int32_t index) override {
    const TXLSConditionalFormat* f = Format();
    const std::size_t n = f ? f->conditions.size() : 0;
    if (index < 1 || static_cast<std::size_t>(index) > n) {
      if (!range_->Dead())
        (void)range_->Sheet()->Workbook().Refuse("no condition " + std::to_string(index) + " in the format of " +
                                                 AreaText(range_->Area()) + " (it has " + std::to_string(n) + ")");
      return nullptr;
    }
    return MakeRef<TXLSFormatCondition>(
        TConditionRef(range_->Sheet()->Link(), f->conditions[static_cast<std::size_t>(index - 1)].id));
  }
  void Delete() override {
    if (!range_->Dead()) range_->Sheet()->Extras().conditions.RemoveCells(range_->Area());
  }

 private:
  const TXLSConditionalFormat* Format() const {
    if (range_->Dead()) return nullptr;
    TXLSConditionalFormatList& list = range_->Sheet()->Extras().conditions;
    if (const TXLSConditionalFormat* f = list.Exact(range_->Area())) return f;
    return list.At(range_->MinRow(), range_->MinCol());
  }
  Ref<TXLSRange> range_;
};

}  // namespace

Ref<IXLSFormatConditions> TXLSRange::GetFormatConditions() { return MakeRef<TXLSFormatConditions>(this); }

}  // namespace tablirex
