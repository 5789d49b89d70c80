// The DVAL and DV records of a sheet's data validations (Excel 97 only).
#pragma once

#include <cstdint>
#include <vector>

#include "biff/record_sink.h"
#include "validation/validation_list.h"

namespace tablirex {

/// A rule with its formulas encoded (tokens without their length).
struct TXLSEncodedRule {
  const TXLSValidationRule* rule = nullptr;
  std::vector<std::uint8_t> formula1;
  std::vector<std::uint8_t> formula2;
};

/// The tokens of an inline list: one string constant with the entries
/// separated by NUL characters.
std::vector<std::uint8_t> InlineListTokens(const TXLSValidationRule& rule);
/// Bytes of the DV body of a rule.
std::uint32_t ValidationBodySize(const TXLSEncodedRule& rule);
/// DVAL with the number of rules, then one DV per rule. Nothing when there are none.
[[nodiscard]] std::int32_t StoreValidations(const std::vector<TXLSEncodedRule>& rules, IRecordSink& sink,
                                            const TRecordContext& ctx);

}  // namespace tablirex
