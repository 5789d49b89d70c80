// Rich text: texts whose parts show in fonts of their own. The formatting runs
// live with the text in the shared string table (a text with runs is an entry
// of its own); the writers read them from there.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "biff/record_sink.h"
#include "formats/xf_list.h"

namespace tablirex {

class IXLSWorksheet;
class TXLSWorkbook;
struct TXLSCellRef;

/// One formatting run: from character First (zero-based, in UTF-16 code units)
/// up to the next run's first character, the text shows font Font (an index of
/// the workbook's font list). Runs cover a text from its first character on.
struct TXLSRichRun {
  std::uint32_t First = 0;
  std::int32_t Font = 0;
  friend bool operator==(const TXLSRichRun&, const TXLSRichRun&) = default;
};
using TXLSRichRuns = std::vector<TXLSRichRun>;

/// The record's font number of a font-list index (the number XF records carry).
using TRunFontNumber = std::function<std::uint16_t(std::int32_t font)>;

/// Runs in their one form: ascending, within the text's length, each starting
/// where its font changes.
void NormalizeRuns(TXLSRichRuns& runs, std::size_t textLength);

/// The Excel 5 cell of a text with runs (RSTRING): the text as it goes into the
/// cell (bytes of the code page, line breaks as CR, at most 255) and, from the
/// text it came from, the runs at their places in it. A run whose font the
/// record cannot number (past 255) makes it a plain text and a save warning.
/// Appends it to the sheet's cell records; returns 1 or the failure of the
/// append or of a strict save's warning.
[[nodiscard]] std::int32_t StoreRichLabel(IXLSWorksheet& sheet, std::uint32_t row, std::uint16_t col,
                                          std::uint16_t savedXF, std::string_view bytes, std::u16string_view text,
                                          const TXLSRichRuns& runs);

/// Applies a change of the whole cell's font (an XF-list font setter and its
/// value, as range formatting makes it) to the runs of a text cell as well:
/// the parts of a rich text follow what is set for the whole cell.
void ApplyFontChangeToRuns(TXLSWorkbook& workbook, TXLSCellRef& cell, TSetXFProperty setter,
                           const TVariant& value);

}  // namespace tablirex
