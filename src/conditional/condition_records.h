// The CONDFMT and CF records of a sheet's conditional formats (Excel 97 only).
#pragma once

#include <cstdint>
#include <vector>

#include "biff/record_sink.h"
#include "conditional/condition_list.h"

namespace tablirex {

/// A condition with its formulas encoded (tokens without their length).
struct TXLSEncodedCondition {
  const TXLSCondition* condition = nullptr;
  std::vector<std::uint8_t> formula1;
  std::vector<std::uint8_t> formula2;
};

/// The differential format of a condition: option flags, then the font, border
/// and pattern blocks of what it changes.
std::vector<std::uint8_t> ConditionFormatBytes(const TXLSConditionStyle& style);
/// Bytes of the CONDFMT body of a format over these areas.
std::uint32_t ConditionHeaderSize(const TXLSAreaList& areas);
/// CONDFMT over the areas, then one CF per condition.
[[nodiscard]] std::int32_t StoreConditionalFormat(const TXLSAreaList& areas,
                                                  const std::vector<TXLSEncodedCondition>& conditions,
                                                  IRecordSink& sink, const TRecordContext& ctx);

}  // namespace tablirex
