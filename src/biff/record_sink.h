// Where record builders hand their finished records.
#pragma once

#include <cstdint>

#include "biff/blob.h"

namespace tablirex {

/// Receives finished records. The workbook's globals lists and each worksheet's
/// header and data lists implement it: a record longer than the file version's
/// limit is split into CONTINUE records on the way in, and its size is counted.
class IRecordSink {
 public:
  virtual ~IRecordSink() = default;
  /// Takes one finished record (its written bytes). Returns 1, or the failure.
  virtual std::int32_t AppendRecord(TXLSBlob& record) = 0;
};

/// The two file versions a record builder can be asked for.
enum class BiffVersion : std::uint8_t { Biff5, Biff8 };

/// What a record builder needs to know about the save in progress.
struct TRecordContext {
  BiffVersion version = BiffVersion::Biff8;
  /// Code page of 8-bit texts in BIFF5 records.
  std::uint16_t codePage = 1252;
  bool IsBiff5() const noexcept { return version == BiffVersion::Biff5; }
};

/// A sink that keeps every record separately, for tests.
class TRecordCollector final : public IRecordSink {
 public:
  std::int32_t AppendRecord(TXLSBlob& record) override {
    records.emplace_back(record.GetBuff(), record.GetBuff() + record.GetDataSize());
    return 1;
  }
  std::vector<std::vector<std::uint8_t>> records;
};

}  // namespace tablirex
