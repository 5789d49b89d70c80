// Record numbers of the workbook stream, from the shared table.
#pragma once

#include <cstdint>

namespace tablirex {

enum class Rec : std::uint16_t {
#define TXLS_RECORD(id, number, text) id = number,
#include "biff/records.def"
#undef TXLS_RECORD
};

constexpr std::uint16_t RecNo(Rec r) noexcept { return static_cast<std::uint16_t>(r); }

/// The record's name ("BOF", "SST", ...) or nullptr when the table lacks it.
const char* RecordName(std::uint16_t number) noexcept;

}  // namespace tablirex
