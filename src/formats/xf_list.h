// The workbook's extended formats (XF): shared bundles of font, number format,
// protection, alignment, borders and fill that cells, rows and columns refer to by
// index, and the XF records written from them.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "biff/blob.h"
#include "biff/record_sink.h"
#include "cells/keylist.h"
#include "formats/font_list.h"
#include "formats/num_format_list.h"
#include "formats/styles.h"
#include "tablirex/variant.h"

namespace tablirex {

/// A fixed-length run of characters of an XF key.
template <std::size_t N>
struct TXLSKeyBlock {
  std::array<char16_t, N> c{};
  std::u16string_view View() const noexcept { return std::u16string_view(c.data(), N); }
  friend bool operator==(const TXLSKeyBlock&, const TXLSKeyBlock&) = default;
};
/// Alignment byte, rotation byte, indent byte (key characters 14-19).
using xlsAlignBlock = TXLSKeyBlock<6>;
/// Border words 1 and 2 (key characters 20-35).
using xlsBorderBlock = TXLSKeyBlock<16>;
/// Fill pattern and the fill colours word (key characters 36-41).
using xlsBackgroundBlock = TXLSKeyBlock<6>;

/// Bits of BorderMask: the sides a border setter or getter works on.
enum TXLSBorderSide : std::uint8_t {
  xlsBorderLeft = 1,
  xlsBorderRight = 2,
  xlsBorderTop = 4,
  xlsBorderBottom = 8,
};

class TXLSXFList;

/// A property setter of the XF list: (XF, value, ReplaceIndex) -> resulting XF.
using TSetXFProperty = std::int32_t (TXLSXFList::*)(std::int32_t XFIndex, const TVariant& Value,
                                                    bool ReplaceIndex);
/// A border property setter: (XF, BorderMask, value, ReplaceIndex) -> resulting XF.
using TSetXFBorderProperty = std::int32_t (TXLSXFList::*)(std::int32_t XFIndex, std::uint8_t BorderMask,
                                                          const TVariant& Value, bool ReplaceIndex);

/// Line code of a side from a line style and a weight. byStyle true: a style is
/// being set and the side keeps its weight; false: a weight is being set and the
/// side keeps its style.
std::int32_t GetXFBorderLineStyle(std::int32_t lineStyle, std::int32_t weight, bool byStyle) noexcept;
/// Line style (xlContinuous, xlDash, ...) of a line code.
std::int32_t GetLineStyleFromBorderStyle(std::int32_t code) noexcept;
/// Weight (xlHairline, xlThin, xlMedium, xlThick) of a line code.
std::int32_t GetWeightFromBorderStyle(std::int32_t code) noexcept;

/// The extended formats, indexed from 0; XFs 0 to 15 are predefined (0 to 14
/// style XFs, 15 the default cell format). Index 0 given to any getter or setter
/// stands for XF 15.
///
/// Every setter returns the index of the XF whose key differs in the one property,
/// found or appended. With ReplaceIndex true the caller held a reference to XFIndex
/// and it moves to the result; with false the caller held none and takes one on the
/// result. A setter that leaves the format as it is (an invalid value, an empty
/// border mask) returns XFIndex; with ReplaceIndex false it still gives the caller
/// its reference to XFIndex.
class TXLSXFList : public TXLSKeyList {
 public:
  static constexpr std::size_t kKeyLength = 43;
  static constexpr std::int32_t kPredefined = 16;
  /// The default cell format.
  static constexpr std::int32_t kDefaultXF = 15;
  /// Most XF records a file may hold (the predefined ones included): about what
  /// the spreadsheet application accepts.
  static constexpr std::int32_t kMaxXFRecords = 4000;
  /// Most entries of the number-format list (built-in indices included).
  static constexpr std::int32_t kMaxNumFormats = 4000;

  TXLSXFList();
  ~TXLSXFList() override;

  /// Fills the predefined styles, number formats, fonts and XFs.
  void CreateDefault();
  /// True, once, after a setter refused to make a format past kMaxXFRecords or
  /// kMaxNumFormats (the cell then kept its format).
  bool TakeLimitReached() noexcept { return std::exchange(limitReached_, false); }
  /// Chooses and numbers the XFs and fonts to write; run before the Store… writers.
  /// extraFonts are font indices used besides the XFs' (by formatted parts of texts).
  void CreateAllReferredList(const std::vector<std::int32_t>& extraFonts = {});

  /// The XF record of the XF at a position of the referred list.
  TXLSBlob GetXFBlob(std::int32_t position, const TRecordContext& ctx) const;
  // Globals writers; each returns 1 or the first failure. FORMAT and STYLE give -1
  // when their list yields no record.
  [[nodiscard]] std::int32_t StoreAllFonts(IRecordSink& sink, const TRecordContext& ctx) const;
  [[nodiscard]] std::int32_t StoreAllNumFormats(IRecordSink& sink, const TRecordContext& ctx) const;
  [[nodiscard]] std::int32_t StoreAllXFS(IRecordSink& sink, const TRecordContext& ctx) const;
  [[nodiscard]] std::int32_t StoreAllStyles(IRecordSink& sink, const TRecordContext& ctx) const;

  TXLSFontList& GetFontList() noexcept { return *fonts_; }
  const TXLSFontList& GetFontList() const noexcept { return *fonts_; }
  TXLSNumFormatList& GetNumFormatList() noexcept { return *numFormats_; }
  const TXLSNumFormatList& GetNumFormatList() const noexcept { return *numFormats_; }
  TXLSStyles& GetStyles() noexcept { return *styles_; }
  const TXLSStyles& GetStyles() const noexcept { return *styles_; }

  // ---- groups: getters follow the parent style when the XF's own flag is clear
  std::int32_t GetFontIndex(std::int32_t XFIndex) const noexcept;
  std::int32_t SetFontIndex(std::int32_t XFIndex, std::int32_t fontIndex, bool ReplaceIndex);
  std::int32_t GetNumFormatIndex(std::int32_t XFIndex) const noexcept;
  std::int32_t SetNumFormatIndex(std::int32_t XFIndex, std::int32_t formatIndex, bool ReplaceIndex);
  /// Bit 0 locked, bit 1 hidden.
  std::uint8_t GetProtection(std::int32_t XFIndex) const noexcept;
  std::int32_t SetProtection(std::int32_t XFIndex, std::uint8_t protection, bool ReplaceIndex);
  xlsAlignBlock GetAlignBlock(std::int32_t XFIndex) const noexcept;
  std::int32_t SetAlignBlock(std::int32_t XFIndex, const xlsAlignBlock& block, bool ReplaceIndex);
  xlsBorderBlock GetBorderBlock(std::int32_t XFIndex) const noexcept;
  std::int32_t SetBorderBlock(std::int32_t XFIndex, const xlsBorderBlock& block, bool ReplaceIndex);
  xlsBackgroundBlock GetBackgroundBlock(std::int32_t XFIndex) const noexcept;
  std::int32_t SetBackgroundBlock(std::int32_t XFIndex, const xlsBackgroundBlock& block, bool ReplaceIndex);
  /// The border flag of the XF's own key (no inheritance).
  bool GetBordersDefined(std::int32_t XFIndex) const noexcept;

  // ---- property getters
  bool GetFontBold(std::int32_t XFIndex) const noexcept;
  std::uint8_t GetFontCharSet(std::int32_t XFIndex) const noexcept;
  std::int32_t GetFontColorIndex(std::int32_t XFIndex) const noexcept;
  std::uint8_t GetFontFamily(std::int32_t XFIndex) const noexcept;
  bool GetFontItalic(std::int32_t XFIndex) const noexcept;
  std::u16string GetFontName(std::int32_t XFIndex) const;
  bool GetFontOutLineFont(std::int32_t XFIndex) const noexcept;
  bool GetFontShadow(std::int32_t XFIndex) const noexcept;
  double GetFontSize(std::int32_t XFIndex) const noexcept;
  bool GetFontStrikethrough(std::int32_t XFIndex) const noexcept;
  bool GetFontSubScript(std::int32_t XFIndex) const noexcept;
  bool GetFontSuperScript(std::int32_t XFIndex) const noexcept;
  std::uint8_t GetFontUnderLine(std::int32_t XFIndex) const noexcept;
  /// The number-format string (empty for built-in formats without text).
  const std::u16string& GetNumFormat(std::int32_t XFIndex) const noexcept;
  bool GetLocked(std::int32_t XFIndex) const noexcept;
  bool GetHidden(std::int32_t XFIndex) const noexcept;
  std::int32_t GetHorAlign(std::int32_t XFIndex) const noexcept;
  std::int32_t GetVerAlign(std::int32_t XFIndex) const noexcept;
  bool GetWrap(std::int32_t XFIndex) const noexcept;
  /// Rotation byte: 0-90 counter-clockwise, 91-180 clockwise, 255 stacked.
  std::int32_t GetOrientation(std::int32_t XFIndex) const noexcept;
  std::int32_t GetIndentLevel(std::int32_t XFIndex) const noexcept;
  bool GetShrinkToFit(std::int32_t XFIndex) const noexcept;
  /// Of the first side in BorderMask (left, right, top, bottom).
  std::int32_t GetBorderLineStyle(std::int32_t XFIndex, std::uint8_t BorderMask) const noexcept;
  /// -4142 none, -4105 automatic, 1-7 the built-in colours, otherwise palette - 7.
  std::int32_t GetBorderColorIndex(std::int32_t XFIndex, std::uint8_t BorderMask) const noexcept;
  std::int32_t GetBorderWeight(std::int32_t XFIndex, std::uint8_t BorderMask) const noexcept;
  std::int32_t GetInteriorPattern(std::int32_t XFIndex) const noexcept;
  /// Palette indices as stored; 0 when unfilled.
  std::int32_t GetInteriorColorIndex(std::int32_t XFIndex) const noexcept;
  std::int32_t GetInteriorPatternColorIndex(std::int32_t XFIndex) const noexcept;

  // ---- property setters (TSetXFProperty)
  std::int32_t SetFontBold(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontItalic(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontStrikethrough(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontOutLineFont(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontShadow(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontSubScript(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontSuperScript(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontCharSet(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontFamily(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontUnderLine(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  /// Value is a palette index as stored, or -4105 for automatic.
  std::int32_t SetFontColorIndex(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontSize(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetFontName(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetNumFormat(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetLocked(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetHidden(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetHorAlign(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetVerAlign(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetWrap(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetOrientation(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetIndentLevel(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetShrinkToFit(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  /// Value is a pattern (0 none, 1 solid, 2-18).
  std::int32_t SetInteriorPattern(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  /// Value is a palette index as stored; 0 removes the fill.
  std::int32_t SetInteriorColorIndex(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);
  std::int32_t SetInteriorPatternColorIndex(std::int32_t XFIndex, const TVariant& Value, bool ReplaceIndex);

  // ---- border setters (TSetXFBorderProperty)
  /// Value is a line style; xlLineStyleNone removes the side's line.
  std::int32_t SetBorderLineStyle(std::int32_t XFIndex, std::uint8_t BorderMask, const TVariant& Value,
                                  bool ReplaceIndex);
  /// Value is a colour index 1 to 56, 0 or -4142 (no line) or -4105 (automatic).
  std::int32_t SetBorderColorIndex(std::int32_t XFIndex, std::uint8_t BorderMask, const TVariant& Value,
                                   bool ReplaceIndex);
  /// Value is a weight.
  std::int32_t SetBorderWeight(std::int32_t XFIndex, std::uint8_t BorderMask, const TVariant& Value,
                               bool ReplaceIndex);

 private:
  using Key = std::array<char16_t, kKeyLength>;

  /// The XF's own key (XF 0 read as XF 15) copied into a fixed buffer.
  Key OwnKey(std::int32_t XFIndex) const noexcept;
  /// The key whose group field counts for the XF: its own, or its parent style's
  /// when its own flag for the group is clear and the style's is clear too.
  Key EffectiveKey(std::int32_t XFIndex, std::uint8_t flagBit) const noexcept;
  /// Writes count characters of the group at offset into the XF's own key, sets
  /// the group's flag and moves to the resulting XF.
  std::int32_t SetGroup(std::int32_t XFIndex, std::size_t offset, std::u16string_view chars,
                        std::uint8_t flagBit, bool ReplaceIndex);
  /// The result of a setter that changes nothing.
  std::int32_t Unchanged(std::int32_t XFIndex, bool ReplaceIndex) noexcept;
  /// The font or number-format index a group at offset holds, and its setter
  /// (an index past 16 bits changes nothing).
  std::int32_t GetListIndex(std::int32_t XFIndex, std::size_t offset, std::uint8_t flagBit) const noexcept;
  std::int32_t SetListIndex(std::int32_t XFIndex, std::int32_t index, std::size_t offset, std::uint8_t flagBit,
                            bool ReplaceIndex);
  /// The group at offset as a block of its length.
  template <class Block>
  Block GetBlock(std::int32_t XFIndex, std::size_t offset, std::uint8_t flagBit) const noexcept;
  std::int32_t SetFillColorIndex(std::int32_t XFIndex, const TVariant& Value, bool patternColor,
                                bool ReplaceIndex);
  std::int32_t SetAlignField(std::int32_t XFIndex, std::size_t byteNo, std::uint8_t keep, std::uint8_t set,
                             bool ReplaceIndex);

  std::unique_ptr<TXLSStyles> styles_;
  std::unique_ptr<TXLSNumFormatList> numFormats_;
  std::unique_ptr<TXLSFontList> fonts_;
  bool limitReached_ = false;
};

}  // namespace tablirex
