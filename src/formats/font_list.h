// The workbook's font table: every distinct font once, identified by a key that
// spells out all its attributes, and the FONT records written from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "biff/blob.h"
#include "biff/record_sink.h"
#include "cells/keylist.h"

namespace tablirex {

/// Fonts, indexed from 0; fonts 0 to 3 are predefined. A font key holds, in
/// upper-case hexadecimal: height in twentieths of a point (4 digits), colour as
/// palette index (4, 7FFF automatic), bold, italic, strikethrough, outline,
/// shadow (1 digit each), underline (2), subscript, superscript (1 each), family
/// (2), character set (2), then the name.
class TXLSFontList : public TXLSKeyList {
 public:
  /// Characters of a key before the name.
  static constexpr std::size_t kFixedLength = 21;
  static constexpr std::int32_t kPredefined = 4;
  /// Longest font name a FONT record can carry.
  static constexpr std::size_t kMaxNameLength = 255;
  /// Longest font name the spreadsheet application takes, in either format.
  static constexpr std::size_t kMaxFaceLength = 31;
  /// Empty when a font name can be set; otherwise why not (1 to 31 characters,
  /// none of them a control character).
  static std::string CheckName(std::u16string_view name);

  TXLSFontList();

  /// The key of the default font, Arial 10 point with every attribute off.
  static std::u16string_view DefaultFontKey() noexcept;

  // Getters read the font's key (an index outside the list reads the default key).
  /// Size in points: height / 20.
  double GetSize(std::int32_t index) const noexcept;
  /// Palette index; the automatic colour (7FFF) reads as -4105.
  std::int32_t GetColorIndex(std::int32_t index) const noexcept;
  bool GetBold(std::int32_t index) const noexcept;
  bool GetItalic(std::int32_t index) const noexcept;
  bool GetStrikethrough(std::int32_t index) const noexcept;
  bool GetOutLineFont(std::int32_t index) const noexcept;
  bool GetShadow(std::int32_t index) const noexcept;
  bool GetSubScript(std::int32_t index) const noexcept;
  bool GetSuperScript(std::int32_t index) const noexcept;
  std::uint8_t GetUnderLine(std::int32_t index) const noexcept;
  std::uint8_t GetFamily(std::int32_t index) const noexcept;
  std::uint8_t GetCharSet(std::int32_t index) const noexcept;
  std::u16string GetName(std::int32_t index) const;

  // Setters return the index of the font whose key differs from font index's in
  // the one field, moving one reference there (SetKey).
  /// Height = size * 20 rounded half to even. A height outside 0 to 65535 (or a
  /// size that is not a number) changes nothing and returns index.
  std::int32_t SetSize(std::int32_t index, float size);
  /// -4105 is stored as 7FFF, any other value by its low 16 bits.
  std::int32_t SetColorIndex(std::int32_t index, std::uint32_t color);
  std::int32_t SetBold(std::int32_t index, bool value);
  std::int32_t SetItalic(std::int32_t index, bool value);
  std::int32_t SetStrikethrough(std::int32_t index, bool value);
  std::int32_t SetOutLineFont(std::int32_t index, bool value);
  std::int32_t SetShadow(std::int32_t index, bool value);
  std::int32_t SetSubScript(std::int32_t index, bool value);
  std::int32_t SetSuperScript(std::int32_t index, bool value);
  std::int32_t SetUnderLine(std::int32_t index, std::uint8_t value);
  std::int32_t SetFamily(std::int32_t index, std::uint8_t value);
  std::int32_t SetCharSet(std::int32_t index, std::uint8_t value);
  /// A name longer than 255 characters changes nothing and returns index.
  std::int32_t SetName(std::int32_t index, std::u16string_view name);

  /// The FONT record of the font at a position of the referred list (not a font
  /// index), in the context's file version.
  TXLSBlob GetFont(std::int32_t position, const TRecordContext& ctx) const;
  /// Hands the FONT records of every written font to sink, in order; returns 1 or
  /// the first failure.
  [[nodiscard]] std::int32_t StoreAllFonts(IRecordSink& sink, const TRecordContext& ctx) const;

 private:
  /// Replaces width characters at offset (zero-based) of font index's key by the
  /// hexadecimal value and moves to the resulting font.
  std::int32_t SetField(std::int32_t index, std::size_t offset, std::size_t width, std::uint32_t value);
  std::uint32_t Field(std::int32_t index, std::size_t offset, std::size_t width) const noexcept;
};

}  // namespace tablirex
