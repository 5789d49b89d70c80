// Property set streams: the summary streams of a compound document
// ("\005SummaryInformation", "\005DocumentSummaryInformation"), each one
// property set of numbered, typed values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex {

/// The format identifier of a property set, as its 16 bytes are stored.
using TPropertySetId = std::array<std::uint8_t, 16>;

/// The summary information set: title, subject, author, keywords, comments, times.
inline constexpr TPropertySetId kSummaryInformationId = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                                         0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
/// The document summary information set: category, manager, company.
inline constexpr TPropertySetId kDocumentSummaryInformationId = {
    0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10, 0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

/// Property numbers of the summary information set.
enum class TSummaryProperty : std::uint32_t {
  CodePage = 0x01,
  Title = 0x02,
  Subject = 0x03,
  Author = 0x04,
  Keywords = 0x05,
  Comments = 0x06,
  Created = 0x0C,
  LastSaved = 0x0D,
};
/// Property numbers of the document summary information set.
enum class TDocSummaryProperty : std::uint32_t {
  CodePage = 0x01,
  Category = 0x02,
  Manager = 0x0E,
  Company = 0x0F,
};

/// Builds one property set stream. The code page property (number 1) is written
/// first; texts are stored in that code page: 1200 stores them as UTF-16, any
/// other as the 8-bit code page's bytes (the caller makes sure they fit it).
class TPropertySetWriter {
 public:
  TPropertySetWriter(const TPropertySetId& id, std::uint16_t codePage);

  /// A text property (UTF-16 inside, converted to the set's code page).
  void AddText(std::uint32_t id, std::u16string_view text);
  /// A time property: 100-nanosecond ticks since 1601-01-01 00:00 UTC.
  void AddFileTime(std::uint32_t id, std::uint64_t ticks);

  /// The whole stream: the header naming the set, then the set, its
  /// properties in the order they were added, each padded to 4 bytes.
  std::vector<std::uint8_t> Bytes() const;

 private:
  struct TValue {
    std::uint32_t id;
    std::vector<std::uint8_t> bytes;  // type, padding and value, padded to 4
  };
  TPropertySetId id_;
  std::uint16_t codePage_;
  std::vector<TValue> values_;
};

/// Ticks of a FILETIME for a serial day number (taken as UTC), rounded to the
/// millisecond; 0 for a serial before 1601-01-01.
std::uint64_t FileTimeOfSerial(double serial) noexcept;

}  // namespace tablirex
