// The font, interior and border views of a range.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/object.h"

namespace tablirex {

/// The font of a range's cells. Getters read the format the range's top-left cell
/// shows; setters change every cell of the range (whole rows and columns included).
/// Colour indices are 1 … 56 (palette entries 8 … 63); colours are RGB with red in
/// bits 0-7. The view keeps its range alive; once the range's sheet is deleted
/// every operation does nothing. A refused value (a size outside 1 … 409 points, a
/// name that is empty or longer than 255 characters, a colour index outside 0 … 56
/// other than -4105) changes nothing and leaves its reason with the workbook
/// (TXLSWorkbook::GetLastError).
class IXLSFont : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  virtual std::string GetName() = 0;
  virtual float GetSize() = 0;
  virtual std::int32_t GetColorIndex() = 0;
  virtual std::uint32_t GetColor() = 0;
  virtual bool GetBold() = 0;
  virtual bool GetItalic() = 0;
  virtual bool GetStrikethrough() = 0;
  virtual bool GetOutLineFont() = 0;
  virtual bool GetShadow() = 0;
  virtual std::int32_t GetUnderLine() = 0;
  virtual bool GetSubScript() = 0;
  virtual bool GetSuperScript() = 0;
  virtual void SetSize(float size) = 0;
  virtual void SetColorIndex(std::int32_t index) = 0;
  virtual void SetColor(std::uint32_t rgb) = 0;
  virtual void SetBold(bool value) = 0;
  virtual void SetItalic(bool value) = 0;
  virtual void SetStrikethrough(bool value) = 0;
  virtual void SetOutLineFont(bool value) = 0;
  virtual void SetShadow(bool value) = 0;
  virtual void SetUnderLine(std::uint32_t value) = 0;
  virtual void SetSubScript(bool value) = 0;
  virtual void SetSuperScript(bool value) = 0;
  virtual void SetName(std::string_view name) = 0;
};

/// The fill of a range's cells.
class IXLSInterior : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  virtual void SetColor(std::uint32_t rgb) = 0;
  virtual std::uint32_t GetColor() = 0;
  virtual void SetPatternColor(std::uint32_t rgb) = 0;
  virtual std::uint32_t GetPatternColor() = 0;
  virtual void SetColorIndex(std::uint32_t index) = 0;
  virtual void SetPatternColorIndex(std::uint32_t index) = 0;
  virtual void SetPattern(std::uint32_t pattern) = 0;
  virtual std::int32_t GetColorIndex() = 0;
  virtual std::int32_t GetPatternColorIndex() = 0;
  virtual std::int32_t GetPattern() = 0;
};

/// One edge (or the inside lines) of a range: border index 7 … 12 (7 left, 8 top,
/// 9 bottom, 10 right, 11 inside vertical, 12 inside horizontal). Diagonal lines
/// (5 and 6) are not kept: they read as no line and setting them does nothing.
class IXLSBorder : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  virtual std::uint32_t GetColor() = 0;
  virtual std::int32_t GetColorIndex() = 0;
  virtual std::int32_t GetLineStyle() = 0;
  virtual void SetColor(std::uint32_t rgb) = 0;
  virtual void SetColorIndex(std::uint32_t index) = 0;
  virtual void SetLineStyle(std::uint32_t style) = 0;
  virtual std::int32_t GetWeight() = 0;
  virtual void SetWeight(std::uint32_t weight) = 0;
};

/// All edges of a range at once, and access to each edge.
class IXLSBorders : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  virtual std::uint32_t GetColor() = 0;
  virtual std::int32_t GetColorIndex() = 0;
  virtual std::int32_t GetLineStyle() = 0;
  virtual void SetColor(std::uint32_t rgb) = 0;
  virtual void SetColorIndex(std::uint32_t index) = 0;
  virtual void SetLineStyle(std::uint32_t style) = 0;
  virtual std::int32_t GetWeight() = 0;
  virtual void SetWeight(std::uint32_t weight) = 0;
  /// The border of index 7 … 14; any other index is refused (the view returned
  /// then changes nothing).
  virtual Ref<IXLSBorder> GetBorder(std::int32_t index) = 0;
};

}  // namespace tablirex
