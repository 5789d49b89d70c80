// Splits a workbook stream into records, for tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "biff/blob.h"
#include "biff/records.h"
#include "tablirex/workbook.h"

namespace tablirex::testing {

struct Record {
  std::uint32_t offset = 0;
  std::uint16_t type = 0;
  std::vector<std::uint8_t> body;
  std::uint16_t Word(std::size_t at) const {
    return static_cast<std::uint16_t>(body.at(at) | (body.at(at + 1) << 8));
  }
  std::uint32_t Long(std::size_t at) const {
    return static_cast<std::uint32_t>(Word(at)) | (static_cast<std::uint32_t>(Word(at + 2)) << 16);
  }
  double Double(std::size_t at) const {
    std::uint64_t u = static_cast<std::uint64_t>(Long(at)) | (static_cast<std::uint64_t>(Long(at + 4)) << 32);
    double d = 0;
    std::memcpy(&d, &u, sizeof d);
    return d;
  }
  std::string Name() const {
    const char* n = RecordName(type);
    return n ? n : "?";
  }
};

inline std::vector<Record> SplitRecords(const std::vector<std::uint8_t>& s) {
  std::vector<Record> out;
  std::size_t at = 0;
  while (at + 4 <= s.size()) {
    Record r;
    r.offset = static_cast<std::uint32_t>(at);
    r.type = static_cast<std::uint16_t>(s[at] | (s[at + 1] << 8));
    const std::size_t len = static_cast<std::size_t>(s[at + 2] | (s[at + 3] << 8));
    r.body.assign(s.begin() + static_cast<std::ptrdiff_t>(at + 4),
                  s.begin() + static_cast<std::ptrdiff_t>(std::min(s.size(), at + 4 + len)));
    out.push_back(std::move(r));
    at += 4 + len;
  }
  return out;
}

inline std::vector<Record> SaveRecords(TXLSWorkbook& wb, std::int32_t format) {
  TMemorySink sink;
  if (wb.SaveStream(sink, format) != 1) return {};
  return SplitRecords(sink.bytes);
}

inline std::vector<std::string> Names(const std::vector<Record>& rs, std::size_t from = 0,
                                      std::size_t to = SIZE_MAX) {
  std::vector<std::string> out;
  for (std::size_t i = from; i < rs.size() && i < to; ++i) out.push_back(rs[i].Name());
  return out;
}

/// Index of the n-th (0-based) record of a type, or SIZE_MAX.
inline std::size_t Find(const std::vector<Record>& rs, Rec type, std::size_t nth = 0) {
  for (std::size_t i = 0; i < rs.size(); ++i)
    if (rs[i].type == RecNo(type) && nth-- == 0) return i;
  return SIZE_MAX;
}

}  // namespace tablirex::testing
