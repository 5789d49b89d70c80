// The outline of a worksheet in the file: GUTS (the outline levels in use) and
// WSBOOL (where summary rows and columns lie).
#pragma once

#include <cstdint>

#include "biff/record_sink.h"

namespace tablirex {

class IXLSWorksheet;

/// GUTS, when rows or columns are grouped, then WSBOOL. Returns 1 or the sink's
/// failure. The outline levels themselves are in the ROW and COLINFO records.
[[nodiscard]] std::int32_t StoreOutline(IXLSWorksheet& sheet, IRecordSink& sink, const TRecordContext& ctx);

}  // namespace tablirex
