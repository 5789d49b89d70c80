// A worksheet's tab in the file: its visibility (the BOUNDSHEET state) and its
// colour (the SHEETEXT record).
#pragma once

#include <cstdint>

#include "biff/record_sink.h"

namespace tablirex {

class IXLSWorksheet;

/// The BOUNDSHEET state of the sheet: 0 visible, 1 hidden, 2 very hidden.
std::uint8_t BoundSheetState(const IXLSWorksheet& sheet) noexcept;

/// The SHEETEXT record of a sheet whose tab has a colour (Excel 97 form); the
/// Excel 5 form has no such record, and the colour becomes a save warning.
/// Returns 1, the sink's failure, or the failure of a strict save's warning.
[[nodiscard]] std::int32_t StoreSheetTab(IXLSWorksheet& sheet, IRecordSink& sink, const TRecordContext& ctx);

}  // namespace tablirex
