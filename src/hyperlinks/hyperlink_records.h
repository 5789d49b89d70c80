// The HLINK and HLINKTOOLTIP records of one hyperlink (Excel 97 only).
#pragma once

#include <cstdint>

#include "biff/record_sink.h"
#include "hyperlinks/hyperlink_list.h"

namespace tablirex {

/// Bytes the HLINK body of the link takes (with its display text or without).
std::uint32_t HyperlinkBodySize(const TXLSHyperlinkData& link, bool withText);
/// HLINK over the link's anchor: the standard link object with its display text
/// (withText), its target (a URL, or a file moniker for a path) and its
/// location, then HLINKTOOLTIP when it has a screen tip. Returns the sink's
/// result.
[[nodiscard]] std::int32_t StoreHyperlink(const TXLSHyperlinkData& link, bool withText, IRecordSink& sink,
                                          const TRecordContext& ctx);

}  // namespace tablirex
