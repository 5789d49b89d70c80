// A property set stream:
//
//   0   2   byte order 0xFFFE          20  4   one property set
//   2   2   version 0                  24  16  its format identifier
//   4   4   system: Windows 32-bit     40  4   its offset, 48
//   8   16  class identifier, zero
//
//   set +0  4   size of the set in bytes
//       +4  4   number of properties
//       +8  8n  (property number, offset from the set's start) per property
//       then the values: type (2), padding (2), the value, zeros to 4 bytes
#include "cfb/property_set.h"

#include "tablirex/datetime.h"
#include "text/text.h"

namespace tablirex {
namespace {

constexpr std::uint16_t kTypeI2 = 0x0002;
constexpr std::uint16_t kTypeText = 0x001E;  // a text in the set's code page
constexpr std::uint16_t kTypeFileTime = 0x0040;
constexpr std::uint16_t kUnicodeCodePage = 1200;
constexpr std::uint32_t kHeaderSize = 48;
// Days from 1601-01-01 to 1899-12-30, the serial numbers' day 0.
constexpr std::int64_t kDays1601To1899 = 109205;

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
void Pad4(std::vector<std::uint8_t>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

}  // namespace

TPropertySetWriter::TPropertySetWriter(const TPropertySetId& id, std::uint16_t codePage)
    : id_(id), codePage_(codePage) {
  std::vector<std::uint8_t> v;
  Put16(v, kTypeI2);
  Put16(v, 0);
  Put16(v, codePage);
  Pad4(v);
  values_.push_back(TValue{0x01, std::move(v)});
}

void TPropertySetWriter::AddText(std::uint32_t id, std::u16string_view text) {
  std::vector<std::uint8_t> v;
  Put16(v, kTypeText);
  Put16(v, 0);
  if (codePage_ == kUnicodeCodePage) {
    // The size counts bytes, the terminator included.
    Put32(v, static_cast<std::uint32_t>(2 * (text.size() + 1)));
    for (const char16_t c : text) Put16(v, c);
    Put16(v, 0);
  } else {
    const std::string bytes = Utf16ToCodePage(text, codePage_);
    Put32(v, static_cast<std::uint32_t>(bytes.size() + 1));
    v.insert(v.end(), bytes.begin(), bytes.end());
    v.push_back(0);
  }
  Pad4(v);
  values_.push_back(TValue{id, std::move(v)});
}

void TPropertySetWriter::AddFileTime(std::uint32_t id, std::uint64_t ticks) {
  std::vector<std::uint8_t> v;
  Put16(v, kTypeFileTime);
  Put16(v, 0);
  Put32(v, static_cast<std::uint32_t>(ticks));
  Put32(v, static_cast<std::uint32_t>(ticks >> 32));
  values_.push_back(TValue{id, std::move(v)});
}

std::vector<std::uint8_t> TPropertySetWriter::Bytes() const {
  std::vector<std::uint8_t> out;
  Put16(out, 0xFFFE);
  Put16(out, 0);
  Put32(out, 0x00020000);  // Windows, 32-bit
  out.insert(out.end(), 16, 0);
  Put32(out, 1);
  out.insert(out.end(), id_.begin(), id_.end());
  Put32(out, kHeaderSize);

  const auto count = static_cast<std::uint32_t>(values_.size());
  std::uint32_t offset = 8 + 8 * count;
  std::uint32_t size = offset;
  for (const TValue& v : values_) size += static_cast<std::uint32_t>(v.bytes.size());
  Put32(out, size);
  Put32(out, count);
  for (const TValue& v : values_) {
    Put32(out, v.id);
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(v.bytes.size());
  }
  for (const TValue& v : values_) out.insert(out.end(), v.bytes.begin(), v.bytes.end());
  return out;
}

std::uint64_t FileTimeOfSerial(double serial) noexcept {
  if (!IsDateSerial(serial)) return 0;
  const TDateParts p = DecodeDateTime(serial);
  const auto days = static_cast<std::int64_t>(EncodeDate(p.year, p.month, p.day)) + kDays1601To1899;
  if (days < 0) return 0;
  const std::int64_t ms =
      ((days * 24 + p.hour) * 60 + p.minute) * 60000 + std::int64_t{p.second} * 1000 + p.millisecond;
  return static_cast<std::uint64_t>(ms) * 10000;
}

}  // namespace tablirex
