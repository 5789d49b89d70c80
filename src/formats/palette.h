// The workbook's 64-entry colour table and its PALETTE record.
#pragma once

#include <array>
#include <cstdint>

#include "biff/blob.h"
#include "biff/record_sink.h"

namespace tablirex {

/// Palette indices with a meaning of their own in fonts, borders and fills.
inline constexpr std::int32_t kPaletteSystemForeground = 64;
inline constexpr std::int32_t kPaletteSystemBackground = 65;

/// The colour table. Entries are palette indices as stored in the file: 0 to 7
/// the built-in colours, 8 to 63 the 56 changeable ones, which callers number 1 to
/// 56 (colour index = palette index - 7). RGB values carry red in bits 0-7, green
/// in 8-15 and blue in 16-23.
class TXLSPalette {
 public:
  static constexpr std::int32_t kEntryCount = 64;
  static constexpr std::int32_t kFirstCustom = 8;

  /// Starts with the default colours.
  TXLSPalette() noexcept { SetPaletteXL97(); }

  /// Loads the default colours; returns 1.
  std::int32_t SetPaletteXL97() noexcept;
  /// Loads the default colours.
  void ResetColors() noexcept { SetPaletteXL97(); }
  /// Sets colour index 1 to 56 to rgb; any other index does nothing.
  void SetCustomColor(std::int32_t index, std::uint32_t rgb) noexcept;
  /// The same; the second argument is accepted and ignored.
  void SetCustomColor(std::int32_t index, std::int32_t /*second*/, std::uint32_t rgb) noexcept {
    SetCustomColor(index, rgb);
  }
  /// RGB of colour index 1 to 56; index 0 gives entry 0 (black), an index past 56
  /// gives 0. Of the negative indices, xlColorIndexNone gives white (what an
  /// unfilled cell shows) and every other one, automatic included, black.
  std::uint32_t GetCustomColor(std::int32_t index) const noexcept;
  /// GetCustomColor(index); the second argument is ignored.
  std::uint32_t GetCustomColor2(std::int32_t index, std::int32_t /*second*/) const noexcept {
    return GetCustomColor(index);
  }
  /// The colour index (1 to 56) of the changeable colour nearest to rgb by the
  /// sum of the channel differences; the lowest entry wins a tie.
  std::int32_t GetCustomColorIndex(std::uint32_t rgb) const noexcept;
  /// RGB of a palette index as stored: entries 0 to 63, 64 (system foreground)
  /// black, 65 (system background) white, anything else black.
  std::uint32_t GetPaletteColor(std::int32_t paletteIndex) const noexcept;

  /// The PALETTE record: 56 colours, entries 8 to 63.
  TXLSBlob GetPaletteBlob() const;
  /// Hands the PALETTE record to sink; returns the sink's result. Both file
  /// versions carry the same record.
  [[nodiscard]] std::int32_t StorePalette(IRecordSink& sink, const TRecordContext& ctx) const;

 private:
  std::array<std::uint32_t, kEntryCount> rgb_{};
};

}  // namespace tablirex
