// Values of PostgreSQL's text output read as variants of a field's data type.
#pragma once

#include <string_view>

#include "tablirex/data.h"
#include "tablirex/variant.h"

namespace tablirex::postgres {

/// The value of a non-NULL column in the server's text form, read as `type` says;
/// a text that has no such form (NaN, 'infinity', a date a worksheet cannot show)
/// comes back as the text itself.
TVariant ReadValue(TFieldType type, std::string_view text);

/// The display width of a column: from the type modifier where it gives one
/// (varchar(n), char(n), numeric(p,s)), else the type table's width.
std::int32_t DisplayWidth(std::uint32_t oid, std::int32_t typmod) noexcept;

}  // namespace tablirex::postgres
