// The text encodings of CSV files: byte order marks, and the decoding of a file
// into UTF-8, which the CSV reader splits. Bytes a file's encoding does not allow
// are replaced by U+FFFD and reported by line; they are never dropped in silence.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tablirex/csv_dataset.h"

namespace tablirex::data {

/// The encoding a file's first bytes announce, and how many bytes the mark takes:
/// EF BB BF UTF-8, FF FE UTF-16 little-endian, FE FF UTF-16 big-endian. Without a
/// mark the given encoding stays (UTF-16 without a mark is little-endian).
struct TByteOrderMark {
  TCsvEncoding encoding = TCsvEncoding::Utf8;
  bool bigEndian = false;
  std::size_t length = 0;
};
TByteOrderMark ReadByteOrderMark(const unsigned char* bytes, std::size_t size, TCsvEncoding given) noexcept;

/// The lines holding bytes invalid in the encoding, as a CSV reader counts lines
/// (CR, LF and CR LF end one), with the first few line numbers kept.
struct TInvalidBytes {
  static constexpr std::size_t kListed = 5;
  std::int64_t lines = 0;                 // lines with at least one invalid byte
  std::vector<std::int64_t> firstLines;   // the first kListed of them
  std::vector<std::int64_t> firstCounts;  // invalid bytes on each of those
  bool Any() const noexcept { return lines > 0; }
};

/// Reads `in` from its position to its end as text in `encoding` and writes it as
/// UTF-8 to `out` (nullptr only checks it). An invalid byte (or sequence) becomes
/// U+FFFD. With stopAtFirst the reading stops at the first invalid byte. Returns
/// false when reading or writing fails.
bool DecodeToUtf8(std::FILE* in, TCsvEncoding encoding, bool bigEndian, std::FILE* out, bool stopAtFirst,
                  TInvalidBytes& invalid);

/// The name an encoding is given by in messages: "UTF-8", "cp1252", "latin-1", "UTF-16".
const char* EncodingName(TCsvEncoding encoding) noexcept;

}  // namespace tablirex::data
