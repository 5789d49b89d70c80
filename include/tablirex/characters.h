// Part of the text of a range's cells (IXLSRange::Characters), whose font can
// differ from the rest of the text.
#pragma once

#include <cstdint>
#include <string>

#include "tablirex/format_views.h"
#include "tablirex/object.h"

namespace tablirex {

/// Characters start … start + length - 1 of the texts of a range's cells. Only
/// text cells have characters: numbers, dates, booleans and formulas show in
/// their cell's font alone. The view keeps its range alive.
///
/// The Excel 97 form writes the parts' fonts as the text's formatting runs, the
/// Excel 5 form as well (its texts end at 255 characters, and so do their
/// parts); HTML pages show them as spans. A font set for the whole cell later
/// (the range's Font) goes to every part of its text too, for what it sets.
class IXLSCharacters : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// The font of these characters. Getters read the first of them in the
  /// range's first cell (or its cell's font when it has no such character);
  /// setters change them in every text cell of the range that reaches them, and
  /// refuse, with the reason left with the workbook, when none does or for the
  /// values IXLSFont refuses.
  virtual Ref<IXLSFont> GetFont() = 0;
  /// The characters of the range's first cell (UTF-8); empty when it holds no text.
  virtual std::string GetText() = 0;
  /// One-based first character and count (-1: to the end of each text).
  virtual std::int32_t GetStart() = 0;
  virtual std::int32_t GetLength() = 0;
  /// How many characters these are in the range's texts, over all its text
  /// cells: 0 when no text reaches them.
  virtual std::int32_t GetCount() = 0;
};

}  // namespace tablirex
