// Range formatting: to be replaced by the full implementation with the font,
// interior and border views.
#include "range/range_impl.h"
#include "tablirex/format_views.h"

namespace tablirex {

Ref<IXLSFont> TXLSRange::GetFont() { return nullptr; }
Ref<IXLSInterior> TXLSRange::GetInterior() { return nullptr; }
Ref<IXLSBorders> TXLSRange::GetBorders() { return nullptr; }
TVariant TXLSRange::GetWrapText() { return TVariant::Null(); }
void TXLSRange::SetWrapText(const TVariant&) {}
TVariant TXLSRange::GetOrientation() { return TVariant::Null(); }
void TXLSRange::SetOrientation(const TVariant&) {}
TVariant TXLSRange::GetNumFormat() { return TVariant::Null(); }
void TXLSRange::SetNumFormat(std::string_view) {}
TVariant TXLSRange::GetHAlign() { return TVariant::Null(); }
void TXLSRange::SetHAlign(const TVariant&) {}
TVariant TXLSRange::GetVAlign() { return TVariant::Null(); }
void TXLSRange::SetVAlign(const TVariant&) {}
std::int32_t TXLSRange::XFIndex() { return 0; }

}  // namespace tablirex
