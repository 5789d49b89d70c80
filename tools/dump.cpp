// tablirex dump: the streams of a compound document and every record of its
// workbook stream, as text that people and tests can read.
//
//   streams:
//     Workbook  5893 bytes  regular
//   records of Workbook:
//     00000000  0809  BOF  16
//         0000: 00 06 05 00 af 18 cd 07 c1 00 00 00 06 01 00 00
//
// Each record line gives the stream offset of its header, the record number,
// its name from the shared record table ("?" when the table lacks it) and the
// body length; the body follows in lines of 16 bytes unless --brief is given.
// A blank line precedes every BOF, so each substream stands apart.
#include <cstdio>
#include <string>
#include <vector>

#include "biff/records.h"
#include "cfb/compound_reader.h"
#include "command.h"
#include "tablirex/result.h"

namespace tablirex::tool {
namespace {

constexpr std::size_t kBytesPerLine = 16;

void PrintBody(const std::uint8_t* body, std::size_t n) {
  for (std::size_t line = 0; line < n; line += kBytesPerLine) {
    std::printf("      %04zx:", line);
    for (std::size_t i = line; i < n && i < line + kBytesPerLine; ++i) std::printf(" %02x", body[i]);
    std::printf("\n");
  }
}

// A stream name with its control characters as octal escapes: the summary
// streams' names begin with character 5 ("\005SummaryInformation").
std::string Printable(const std::string& name) {
  std::string out;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\%03o", static_cast<unsigned>(c));
      out += esc;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Prints every record of a workbook stream; false when the stream ends inside a
// record (what was whole is printed first).
bool PrintRecords(const std::vector<std::uint8_t>& s, bool brief, std::string& error) {
  std::size_t at = 0;
  while (at < s.size()) {
    if (s.size() - at < 4) {
      error = "the stream ends inside a record header at offset " + std::to_string(at);
      return false;
    }
    const unsigned number = s[at] | s[at + 1] << 8;
    const std::size_t length = s[at + 2] | s[at + 3] << 8;
    if (s.size() - at - 4 < length) {
      error = "the record at offset " + std::to_string(at) + " claims " + std::to_string(length) +
              " bytes, the stream ends after " + std::to_string(s.size() - at - 4);
      return false;
    }
    const char* name = RecordName(static_cast<std::uint16_t>(number));
    if (number == RecNo(Rec::BOF) && at > 0) std::printf("\n");
    std::printf("  %08zx  %04x  %-20s %5zu\n", at, number, name ? name : "?", length);
    if (!brief) PrintBody(s.data() + at + 4, length);
    at += 4 + length;
  }
  return true;
}

int Dump(const std::vector<std::string>& args) {
  bool brief = false;
  std::string path;
  for (const std::string& a : args) {
    if (a == "--brief") {
      brief = true;
    } else if (path.empty() && !(a.size() > 1 && a[0] == '-')) {
      path = a;
    } else {
      std::fprintf(stderr, "tablirex dump: unexpected argument '%s'\n", a.c_str());
      return 2;
    }
  }
  if (path.empty()) {
    std::fprintf(stderr, "tablirex dump: no file given\nusage: tablirex dump [--brief] FILE.xls\n");
    return 2;
  }
  TCompoundReader reader;
  if (reader.OpenFile(path) != xlsOK) {
    std::fprintf(stderr, "tablirex dump: %s: %s\n", path.c_str(), reader.ErrorText().c_str());
    return 1;
  }
  std::printf("streams:\n");
  for (const TCompoundStream& s : reader.Streams())
    std::printf("  %-20s %10llu bytes  %s\n", Printable(s.path).c_str(), static_cast<unsigned long long>(s.size),
                s.mini ? "mini" : "regular");
  const TCompoundStream* book = reader.Find("Workbook");
  if (!book) book = reader.Find("Book");
  if (!book) {
    std::fprintf(stderr, "tablirex dump: %s: no stream named Workbook or Book\n", path.c_str());
    return 1;
  }
  std::vector<std::uint8_t> bytes;
  if (reader.ReadStream(*book, bytes) != xlsOK) {
    std::fprintf(stderr, "tablirex dump: %s: %s\n", path.c_str(), reader.ErrorText().c_str());
    return 1;
  }
  std::printf("records of %s:\n", book->path.c_str());
  std::string error;
  if (!PrintRecords(bytes, brief, error)) {
    std::fflush(stdout);
    std::fprintf(stderr, "tablirex dump: %s: %s: %s\n", path.c_str(), book->path.c_str(), error.c_str());
    return 1;
  }
  return 0;
}

[[maybe_unused]] const bool registered = RegisterCommand(
    {"dump", "dump [--brief] FILE.xls   list the streams and the records of a workbook file", &Dump});

}  // namespace
}  // namespace tablirex::tool
