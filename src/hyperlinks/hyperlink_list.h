// The hyperlinks of a sheet as plain data, independent of any file format: the
// .xls, .xlsx and HTML writers all read this list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "range/areas.h"

namespace tablirex {

/// What a hyperlink points at, as the writers tell the kinds apart.
enum class TXLSLinkKind : std::uint8_t {
  Url,    // a scheme and a colon: https:, mailto:, ftp:, ...
  File,   // anything else in the address: a path, relative or absolute
  Place,  // no address: a place (sub-address) in this workbook
};

/// One hyperlink.
struct TXLSHyperlinkData {
  /// Never reused within the sheet; the object-model views find their link by it.
  std::uint64_t id = 0;
  TXLSArea anchor;
  std::u16string address;
  std::u16string subAddress;
  std::u16string screenTip;
  std::u16string textToDisplay;

  TXLSLinkKind Kind() const noexcept;
  /// The scheme of a URL address in lower case ("https"), empty for the others.
  std::string Scheme() const;
};

/// Longest address, sub-address and text of a link, and longest screen tip.
inline constexpr std::size_t kMaxLinkText = 2083;
inline constexpr std::size_t kMaxScreenTip = 255;
/// Most links a sheet holds.
inline constexpr std::size_t kMaxHyperlinks = 65536;

/// The scheme of an address ("https" of "HTTPS://x"), or empty when it has none:
/// letters, digits, + - . after a first letter, then ":", and more than one
/// character, so that "C:\x" is a file.
std::string LinkScheme(std::u16string_view address);

/// The list, in the order the links were added.
class TXLSHyperlinkList {
 public:
  const std::vector<TXLSHyperlinkData>& Items() const noexcept { return items_; }
  bool Empty() const noexcept { return items_.empty(); }
  /// Adds a link (its id is assigned here), first removing every link whose
  /// anchor begins on a cell of the new one. Returns the id.
  std::uint64_t Add(TXLSHyperlinkData link);
  TXLSHyperlinkData* Find(std::uint64_t id) noexcept;
  /// Removes a link; false when there is none with that id.
  bool Remove(std::uint64_t id);
  void Clear() noexcept { items_.clear(); }
  /// The link whose anchor covers the cell, the latest added first; nullptr for none.
  const TXLSHyperlinkData* At(std::uint32_t row, std::uint32_t col) const noexcept;

  // Structural operations of the sheet (see range/areas.h).
  /// Links move with their anchor's first cell; a link whose first cell is
  /// deleted (or pushed off the sheet) goes.
  void Shift(const TXLSCellShift& shift);
  /// Removes the links whose first cell lies in the area.
  void RemoveStartingIn(const TXLSArea& area);
  /// The links whose first cell lies in the source, as the paste places them
  /// (one copy per repetition of the source); their ids are not yet assigned.
  std::vector<TXLSHyperlinkData> Pasted(const TXLSPaste& paste) const;

 private:
  std::vector<TXLSHyperlinkData> items_;
  std::uint64_t nextId_ = 1;
};

}  // namespace tablirex
