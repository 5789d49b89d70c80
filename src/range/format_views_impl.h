// The font, interior and border views of a range: small counted objects that
// translate the object model's constants and colour numbering into the range's
// formatting operations.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "range/range_impl.h"
#include "tablirex/format_views.h"

namespace tablirex {

class TXLSPalette;

// Conversions between the object model's constants and what formats store.
/// The fill pattern number (0 … 18) of a pattern constant (-4142 none, 1 solid,
/// -4125 gray 50 %, ...; -4105 solid); 0 for an unknown constant.
std::uint16_t PatternOf(std::int32_t constant) noexcept;
/// The constant of a pattern number.
std::int32_t PatternConstant(std::uint16_t pattern) noexcept;
/// The palette index of a fill colour index (1 … 56; 0 and -4142 none = 0;
/// -4105 the given system colour), or -1 for any other.
std::int32_t FillPaletteIndex(std::int32_t index, std::int32_t automatic) noexcept;
/// The colour index of a stored fill palette index (-4142 for none, -4105 for a
/// system colour).
std::int32_t FillColorIndex(std::int32_t stored) noexcept;
/// The RGB a stored fill colour shows.
std::uint32_t FillRgb(TXLSPalette& palette, std::int32_t stored) noexcept;
/// Underline constant (2, -4119, 4, 5, -4142) of a font's underline byte, and the
/// byte of a constant (-1 for an unknown one).
std::int32_t UnderlineConstant(std::uint8_t code) noexcept;
std::int32_t UnderlineCode(std::uint32_t constant) noexcept;

/// The font of a range. Holds a reference to its range, so the view stays usable
/// after the caller drops the range.
class TXLSFont final : public IXLSFont {
 public:
  explicit TXLSFont(TXLSRange* range) : IXLSFont(true), range_(range) {}

  std::string GetName() override;
  float GetSize() override;
  /// 1 … 56 for the changeable colours, 0 … 7 for the built-in ones, -4105 for
  /// the automatic colour.
  std::int32_t GetColorIndex() override;
  std::uint32_t GetColor() override;
  bool GetBold() override;
  bool GetItalic() override;
  bool GetStrikethrough() override;
  bool GetOutLineFont() override;
  bool GetShadow() override;
  /// 2 single, -4119 double, 4 single accounting, 5 double accounting, -4142 none.
  std::int32_t GetUnderLine() override;
  bool GetSubScript() override;
  bool GetSuperScript() override;
  void SetSize(float size) override;
  /// 0 the first built-in colour, 1 … 56 the changeable colours, -4105 automatic.
  void SetColorIndex(std::int32_t index) override;
  void SetColor(std::uint32_t rgb) override;
  void SetBold(bool value) override;
  void SetItalic(bool value) override;
  void SetStrikethrough(bool value) override;
  void SetOutLineFont(bool value) override;
  void SetShadow(bool value) override;
  /// The constants GetUnderLine returns; any other value is ignored.
  void SetUnderLine(std::uint32_t value) override;
  void SetSubScript(bool value) override;
  void SetSuperScript(bool value) override;
  void SetName(std::string_view name) override;

 private:
  Ref<TXLSRange> range_;
};

/// The fill of a range.
class TXLSInterior final : public IXLSInterior {
 public:
  explicit TXLSInterior(TXLSRange* range) : IXLSInterior(true), range_(range) {}

  void SetColor(std::uint32_t rgb) override;
  std::uint32_t GetColor() override;
  void SetPatternColor(std::uint32_t rgb) override;
  std::uint32_t GetPatternColor() override;
  /// 1 … 56; 0 or -4142 removes the fill; -4105 fills in the system background.
  void SetColorIndex(std::uint32_t index) override;
  /// As SetColorIndex; -4105 is the system foreground.
  void SetPatternColorIndex(std::uint32_t index) override;
  /// The object model's pattern constants (-4142 none, 1 solid, ...); any other
  /// value removes the fill.
  void SetPattern(std::uint32_t pattern) override;
  /// -4142 when unfilled, -4105 for a system colour.
  std::int32_t GetColorIndex() override;
  std::int32_t GetPatternColorIndex() override;
  std::int32_t GetPattern() override;

 private:
  Ref<TXLSRange> range_;
};

/// One border index of a range (see TXLSRange's border operations).
class TXLSBorder final : public IXLSBorder {
 public:
  TXLSBorder(TXLSRange* range, std::int32_t index) : IXLSBorder(true), range_(range), index_(index) {}

  std::uint32_t GetColor() override;
  std::int32_t GetColorIndex() override;
  std::int32_t GetLineStyle() override;
  void SetColor(std::uint32_t rgb) override;
  void SetColorIndex(std::uint32_t index) override;
  void SetLineStyle(std::uint32_t style) override;
  std::int32_t GetWeight() override;
  void SetWeight(std::uint32_t weight) override;

 private:
  Ref<TXLSRange> range_;
  std::int32_t index_;
};

/// Every edge and inside line of a range at once. Getters read the top edge;
/// setters draw top, left, bottom, right, inside horizontal and inside vertical.
class TXLSBorders final : public IXLSBorders {
 public:
  explicit TXLSBorders(TXLSRange* range) : IXLSBorders(true), range_(range) {}

  std::uint32_t GetColor() override;
  std::int32_t GetColorIndex() override;
  std::int32_t GetLineStyle() override;
  void SetColor(std::uint32_t rgb) override;
  void SetColorIndex(std::uint32_t index) override;
  void SetLineStyle(std::uint32_t style) override;
  std::int32_t GetWeight() override;
  void SetWeight(std::uint32_t weight) override;
  Ref<IXLSBorder> GetBorder(std::int32_t index) override;

 private:
  template <class F>
  void ForAll(F&& f);
  Ref<TXLSRange> range_;
};

}  // namespace tablirex
