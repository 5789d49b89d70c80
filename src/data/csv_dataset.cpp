// The CSV data source: one pass to check the file and infer column types, then
// records read one at a time.
#include "tablirex/csv_dataset.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "data/csv_decode.h"
#include "data/text_values.h"
#include "tablirex/result.h"
#include "tablirex/variant.h"

namespace tablirex {

namespace {

using data::TextKind;

constexpr std::int32_t kMaxDisplayWidth = 50;
// Every this many records the reader notes where the record starts, so that a
// bookmark is reached by reading at most this many records.
constexpr std::int64_t kCheckpointEvery = 4096;

struct FileCloser {
  void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Where a record starts: its byte offset and physical line (1-based).
struct Position {
  std::int64_t offset = 0;
  std::int64_t line = 1;
};

// Splits a file into records. Field strings are reused from record to record.
class CsvReader {
 public:
  CsvReader(std::FILE* file, char delimiter)
      : file_(file), delimiter_(static_cast<unsigned char>(delimiter)) {}

  enum Result { kRecord, kEnd, kError };

  // Reads the next record (blank lines skipped) into fields[0 .. count-1].
  Result Read(std::vector<std::string>& fields, std::size_t& count) {
    count = 0;
    int c = Peek();
    while (c == '\n' || c == '\r') {
      EndLine(Get());
      c = Peek();
    }
    if (c == EOF) return std::ferror(file_) ? Error("cannot read the file") : kEnd;
    start_ = Here();
    while (true) {
      if (count == fields.size()) fields.emplace_back();
      std::string& field = fields[count++];
      field.clear();
      if (Peek() == '"') {
        Get();
        const std::int64_t opened = line_;
        while (true) {
          AppendUntil(field, '"', '"');
          c = Get();
          if (c == EOF)
            return Error("line " + std::to_string(opened) +
                         ": a quoted field is not closed before the end of the file");
          if (c == '"') {
            if (Peek() != '"') break;
            Get();
            field += '"';
          } else if (c == '\r' || c == '\n') {
            EndLine(c);
            field += '\n';  // line breaks inside a field read as LF, whatever the file uses
          } else {
            field += static_cast<char>(c);
          }
        }
        c = Peek();
        if (c != delimiter_ && c != '\r' && c != '\n' && c != EOF)
          return Error("line " + std::to_string(line_) + ": text after the closing quote of field " +
                       std::to_string(count));
      } else {
        while (true) {
          AppendUntil(field, delimiter_, '"');
          c = Peek();
          if (c == delimiter_ || c == '\r' || c == '\n' || c == EOF) break;
          if (c == '"')
            return Error("line " + std::to_string(line_) + ": a quote inside unquoted field " +
                         std::to_string(count));
          field += static_cast<char>(Get());
        }
      }
      if (c != delimiter_) break;
      Get();
    }
    if (c != EOF) EndLine(Get());
    return kRecord;
  }

  // Takes as delimiter whichever of comma, semicolon and tab the first line holds
  // most often outside quotes (on a tie the first of them; a comma when none).
  char DetectDelimiter() {
    Fill();
    std::size_t counts[3] = {0, 0, 0};
    static constexpr char kCandidates[3] = {',', ';', '\t'};
    bool quoted = false;
    for (std::size_t i = pos_; i < len_; ++i) {
      const char c = buf_[i];
      if (c == '"') quoted = !quoted;
      if (quoted) continue;
      if (c == '\n' || c == '\r') break;
      for (std::size_t k = 0; k < 3; ++k)
        if (c == kCandidates[k]) ++counts[k];
    }
    std::size_t best = 0;
    for (std::size_t k = 1; k < 3; ++k)
      if (counts[k] > counts[best]) best = k;
    delimiter_ = static_cast<unsigned char>(kCandidates[best]);
    return kCandidates[best];
  }

  bool Seek(const Position& p) {
    if (fseeko(file_, static_cast<off_t>(p.offset), SEEK_SET) != 0) return false;
    bufStart_ = p.offset;
    pos_ = len_ = 0;
    line_ = p.line;
    return true;
  }

  Position Here() const noexcept {
    return {bufStart_ + static_cast<std::int64_t>(pos_), line_};
  }
  // Where the record last read starts.
  const Position& RecordStart() const noexcept { return start_; }
  const std::string& ErrorText() const noexcept { return error_; }

 private:
  bool Fill() {
    if (pos_ < len_) return true;
    bufStart_ += static_cast<std::int64_t>(len_);
    pos_ = 0;
    len_ = std::fread(buf_, 1, sizeof buf_, file_);
    return len_ > 0;
  }
  int Peek() { return Fill() ? static_cast<unsigned char>(buf_[pos_]) : EOF; }
  int Get() { return Fill() ? static_cast<unsigned char>(buf_[pos_++]) : EOF; }
  // Appends the bytes up to the next line break, a or b (or the end of the file)
  // to field, a buffer's span at a time.
  void AppendUntil(std::string& field, int a, int b) {
    while (Fill()) {
      std::size_t end = pos_;
      while (end < len_) {
        const int c = static_cast<unsigned char>(buf_[end]);
        if (c == a || c == b || c == '\n' || c == '\r') break;
        ++end;
      }
      field.append(buf_ + pos_, end - pos_);
      const bool stopped = end < len_;
      pos_ = end;
      if (stopped) return;
    }
  }
  // Counts a line break whose first character c was just read (CR LF is one).
  void EndLine(int c) {
    if (c == '\r' && Peek() == '\n') Get();
    ++line_;
  }
  Result Error(std::string message) {
    error_ = std::move(message);
    return kError;
  }

  std::FILE* file_;
  int delimiter_;  // compared with bytes read as unsigned char
  char buf_[1 << 16];
  std::size_t pos_ = 0, len_ = 0;
  std::int64_t bufStart_ = 0;
  std::int64_t line_ = 1;
  Position start_;
  std::string error_;
};

// The current record, which the fields read from.
struct Record {
  std::vector<std::string> fields;
  std::size_t count = 0;
  bool onRow = false;
};

class TCsvField final : public TField {
 public:
  TCsvField(std::string name, TFieldType type, std::int32_t width, const Record& record,
            std::size_t col)
      : TField(std::move(name), type, width), record_(record), col_(col) {}

  TVariant GetValue() const override {
    if (!record_.onRow || col_ >= record_.count) return TVariant::Null();
    const std::string& text = record_.fields[col_];
    if (text.empty()) return TVariant::Null();
    switch (GetDataType()) {
      case ftInteger: case ftLargeint: {
        std::int64_t v = 0;
        if (!data::ParseInteger(text, v)) break;
        if (GetDataType() == ftInteger) return TVariant(static_cast<std::int32_t>(v));
        return TVariant(v);
      }
      case ftFloat: {
        double v = 0;
        if (data::ParseReal(text, v)) return TVariant(v);
        break;
      }
      case ftBoolean: {
        bool v = false;
        if (data::ParseBoolean(text, v)) return TVariant(v);
        break;
      }
      case ftDate: case ftDateTime:
        if (const auto serial = data::ParseDateTimeText(text)) return TVariant::Date(*serial);
        break;
      case ftTime:
        if (const auto serial = data::ParseTimeText(text)) return TVariant::Date(*serial);
        break;
      default:
        break;
    }
    return TVariant(text);
  }

 private:
  const Record& record_;
  std::size_t col_;
};

TFieldType TypeOfKind(TextKind kind, bool fitsInt32) noexcept {
  switch (kind) {
    case TextKind::Empty: return ftUnknown;
    case TextKind::Integer: return fitsInt32 ? ftInteger : ftLargeint;
    case TextKind::Real: return ftFloat;
    case TextKind::Boolean: return ftBoolean;
    case TextKind::Date: return ftDate;
    case TextKind::DateTime: return ftDateTime;
    case TextKind::Time: return ftTime;
    case TextKind::Text: return ftString;
  }
  return ftString;
}

// What making a file's text UTF-8 found: where that text starts in the file the
// reader gets, the warnings for replaced bytes, or the failure.
struct TInvalidBytesReport {
  std::string where;  // "CSV file 'name'"
  std::int64_t start = 0;
  std::vector<std::string> warnings;
  std::string error;
};

std::string Bytes(std::int64_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

// Leaves `file` holding UTF-8 text: a UTF-8 file whose bytes are all valid as it is
// (after its byte order mark), any other through a decoded copy in a temporary
// file, where bytes the encoding does not allow read as U+FFFD with a warning (a
// strict open fails on the first). Returns xlsOK, or xlsFail with report.error.
std::int32_t DecodeFile(FilePtr& file, const TCsvOptions& options, TInvalidBytesReport& report) {
  const auto fail = [&](const std::string& what) {
    report.error = report.where + ": " + what;
    return xlsFail;
  };
  unsigned char head[3] = {};
  const std::size_t n = std::fread(head, 1, sizeof head, file.get());
  const data::TByteOrderMark bom = data::ReadByteOrderMark(head, n, options.Encoding);
  const std::string name = data::EncodingName(bom.encoding);
  const auto seekText = [&] { return fseeko(file.get(), static_cast<off_t>(bom.length), SEEK_SET) == 0; };
  const auto strictError = [&](const data::TInvalidBytes& invalid) {
    report.error = report.where + ", line " + std::to_string(invalid.firstLines.front()) + ": bytes invalid in " +
                   name + " (a strict open replaces nothing)";
    return xlsFail;
  };
  if (!seekText()) return fail(std::string("cannot read the file: ") + std::strerror(errno));
  data::TInvalidBytes invalid;
  if (bom.encoding == TCsvEncoding::Utf8) {
    if (!data::DecodeToUtf8(file.get(), bom.encoding, false, nullptr, true, invalid))
      return fail("cannot read the file");
    if (!invalid.Any()) {
      report.start = static_cast<std::int64_t>(bom.length);
      return xlsOK;
    }
    if (options.Strict) return strictError(invalid);
    invalid = {};
    if (!seekText()) return fail(std::string("cannot read the file: ") + std::strerror(errno));
  }
  FilePtr copy(std::tmpfile());
  if (!copy) return fail(std::string("cannot make a temporary file for its UTF-8 text: ") + std::strerror(errno));
  if (!data::DecodeToUtf8(file.get(), bom.encoding, bom.bigEndian, copy.get(), options.Strict, invalid))
    return fail("cannot read the file or write its UTF-8 text to a temporary file");
  if (options.Strict && invalid.Any()) return strictError(invalid);
  if (std::fseek(copy.get(), 0, SEEK_SET) != 0) return fail("cannot read back its UTF-8 text");
  file = std::move(copy);
  report.start = 0;
  for (std::size_t i = 0; i < invalid.firstLines.size(); ++i)
    report.warnings.push_back(report.where + ", line " + std::to_string(invalid.firstLines[i]) + ": " +
                              Bytes(invalid.firstCounts[i]) + " invalid in " + name + " read as U+FFFD");
  const auto listed = static_cast<std::int64_t>(invalid.firstLines.size());
  if (invalid.lines > listed)
    report.warnings.push_back(report.where + ": lines with bytes invalid in " + name + " read as U+FFFD: " +
                              std::to_string(invalid.lines - listed) + " more, " + std::to_string(invalid.lines) +
                              " in all");
  return xlsOK;
}

}  // namespace

struct TCsvDataSet::Impl {
  FilePtr file;
  std::vector<std::string> warnings;
  char delimiter = ',';
  std::unique_ptr<CsvReader> reader;
  std::string fileName;
  Record record;
  std::size_t columns = 0;
  std::int64_t records = 0;
  std::vector<Position> checkpoints;  // start of record i * kCheckpointEvery
};

TCsvDataSet::TCsvDataSet() : impl_(std::make_unique<Impl>()) {}
TCsvDataSet::~TCsvDataSet() = default;

bool TCsvDataSet::IsOpen() const noexcept { return impl_->reader != nullptr; }
const std::vector<std::string>& TCsvDataSet::GetWarnings() const noexcept { return impl_->warnings; }
char TCsvDataSet::GetDelimiter() const noexcept { return impl_->delimiter; }

bool ParseCsvEncoding(std::string_view name, TCsvEncoding& encoding) noexcept {
  std::string n;
  for (const char c : name) n += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  if (n == "utf-8" || n == "utf8") encoding = TCsvEncoding::Utf8;
  else if (n == "cp1252" || n == "windows-1252") encoding = TCsvEncoding::Cp1252;
  else if (n == "latin-1" || n == "latin1" || n == "iso-8859-1") encoding = TCsvEncoding::Latin1;
  else if (n == "utf-16" || n == "utf16") encoding = TCsvEncoding::Utf16;
  else return false;
  return true;
}
std::int64_t TCsvDataSet::GetRecordCount() const noexcept { return impl_->records; }

void TCsvDataSet::Close() noexcept {
  impl_->record.onRow = false;
  impl_->reader.reset();
  impl_->file.reset();
  SetEof(true);
  SetRecNo(-1);
}

std::int32_t TCsvDataSet::Open(std::string_view fileName, char delimiter) {
  if (delimiter == '\0') {
    ClearError();
    return Fail("CSV: a quote, a line break or NUL cannot separate fields");
  }
  TCsvOptions options;
  options.Delimiter = delimiter;
  return Open(fileName, options);
}

std::int32_t TCsvDataSet::Open(std::string_view fileName, const TCsvOptions& options) {
  ClearError();
  Impl& m = *impl_;
  m.fileName = fileName;
  const std::string where = "CSV file '" + m.fileName + "'";
  if (IsOpen() || GetFieldCount() > 0)
    return Fail("CSV: this dataset is already open; use a new one for another file");
  const char delimiter = options.Delimiter;
  if (delimiter == '"' || delimiter == '\r' || delimiter == '\n')
    return Fail("CSV: a quote or a line break cannot separate fields");

  FilePtr file(std::fopen(m.fileName.c_str(), "rb"));
  if (!file) return Fail("CSV: cannot open '" + m.fileName + "': " + std::strerror(errno));
  TInvalidBytesReport report;
  report.where = where;
  const std::int32_t decoded = DecodeFile(file, options, report);
  if (decoded != xlsOK) return Fail(report.error);
  m.warnings = std::move(report.warnings);
  auto reader = std::make_unique<CsvReader>(file.get(), delimiter);
  if (!reader->Seek(Position{report.start, 1}))
    return Fail("CSV: cannot seek in '" + m.fileName + "': " + std::strerror(errno));
  m.delimiter = delimiter != '\0' ? delimiter : reader->DetectDelimiter();

  std::vector<std::string>& fields = m.record.fields;
  std::size_t count = 0;
  CsvReader::Result r = reader->Read(fields, count);
  if (r == CsvReader::kError) return Fail(where + ", " + reader->ErrorText());
  if (r == CsvReader::kEnd) return Fail(where + " is empty: it has no header row");
  std::vector<std::string> names(fields.begin(), fields.begin() + static_cast<std::ptrdiff_t>(count));
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i].empty()) names[i] = "Column" + std::to_string(i + 1);
  m.columns = count;

  // First pass: the form of every record, each column's kind and widest value.
  std::vector<TextKind> kinds(m.columns, TextKind::Empty);
  std::vector<bool> fitsInt32(m.columns, true);
  std::vector<std::size_t> widths(m.columns, 0);
  const Position dataStart = reader->Here();
  m.records = 0;
  while ((r = reader->Read(fields, count)) == CsvReader::kRecord) {
    if (m.records % kCheckpointEvery == 0) m.checkpoints.push_back(reader->RecordStart());
    if (count != m.columns)
      return Fail(where + ", line " + std::to_string(reader->RecordStart().line) + ": " +
                  std::to_string(count) + (count == 1 ? " field" : " fields") +
                  " where the header has " + std::to_string(m.columns));
    for (std::size_t i = 0; i < count; ++i) {
      const std::string& text = fields[i];
      if (text.empty()) continue;
      const TextKind kind = data::ClassifyText(text);
      if (kind == TextKind::Integer && fitsInt32[i]) {
        std::int64_t v = 0;
        data::ParseInteger(text, v);
        fitsInt32[i] = v >= std::numeric_limits<std::int32_t>::min() &&
                       v <= std::numeric_limits<std::int32_t>::max();
      }
      kinds[i] = data::WidenKind(kinds[i], kind);
      if (widths[i] < kMaxDisplayWidth) widths[i] = std::max(widths[i], data::Utf8Length(text));
    }
    ++m.records;
  }
  if (r == CsvReader::kError) return Fail(where + ", " + reader->ErrorText());

  for (std::size_t i = 0; i < m.columns; ++i) {
    const std::size_t width =
        std::min<std::size_t>(kMaxDisplayWidth, std::max(widths[i], data::Utf8Length(names[i])));
    AddField(std::make_unique<TCsvField>(std::move(names[i]), TypeOfKind(kinds[i], fitsInt32[i]),
                                         static_cast<std::int32_t>(width), m.record, i));
  }
  if (m.checkpoints.empty()) m.checkpoints.push_back(dataStart);
  m.file = std::move(file);
  m.reader = std::move(reader);
  return First();
}

std::int32_t TCsvDataSet::ReadNext() {
  Impl& m = *impl_;
  std::size_t count = 0;
  const CsvReader::Result r = m.reader->Read(m.record.fields, count);
  m.record.count = count;
  m.record.onRow = r == CsvReader::kRecord && count == m.columns;
  if (r == CsvReader::kEnd) {
    SetEof(true);
    return xlsOK;
  }
  SetEof(!m.record.onRow);
  if (r == CsvReader::kError)
    return Fail("CSV file '" + m.fileName + "', " + m.reader->ErrorText());
  if (!m.record.onRow)  // the file changed since it was opened
    return Fail("CSV file '" + m.fileName + "', line " +
                std::to_string(m.reader->RecordStart().line) + ": " + std::to_string(count) +
                " fields where the header has " + std::to_string(m.columns));
  return xlsOK;
}

std::int32_t TCsvDataSet::First() { return GotoBookmark(0 < impl_->records ? 0 : -1); }

std::int32_t TCsvDataSet::Next() {
  if (!IsOpen()) return Fail("CSV: no file is open");
  if (Eof() && GetRecNo() >= 0) return xlsOK;
  TXLS_RETURN_ON_ERROR(ReadNext());
  SetRecNo(GetRecNo() + 1);
  return xlsOK;
}

std::int32_t TCsvDataSet::GotoBookmark(TBookmark bookmark) {
  if (!IsOpen()) return Fail("CSV: no file is open");
  Impl& m = *impl_;
  if (bookmark < -1 || (bookmark >= 0 && bookmark >= m.records))
    return Fail("CSV: bookmark " + std::to_string(bookmark) + " lies outside the " +
                  std::to_string(m.records) + " records of '" + m.fileName + "'");
  if (bookmark == GetRecNo() && m.record.onRow) return xlsOK;
  const std::int64_t checkpoint = std::max<std::int64_t>(bookmark, 0) / kCheckpointEvery;
  const std::int64_t checkpointRecord = checkpoint * kCheckpointEvery;
  // Read on from here when the bookmark lies ahead within reach; else from the
  // nearest checkpoint before it.
  if (bookmark < 0 || bookmark < GetRecNo() || GetRecNo() < checkpointRecord || !m.record.onRow) {
    if (!m.reader->Seek(m.checkpoints[static_cast<std::size_t>(checkpoint)]))
      return Fail("CSV: cannot seek in '" + m.fileName + "': " + std::strerror(errno));
    m.record.onRow = false;
    SetRecNo(checkpointRecord - 1);
    SetEof(m.records == 0);
    if (bookmark < 0) return xlsOK;
  }
  while (GetRecNo() < bookmark) {
    TXLS_RETURN_ON_ERROR(ReadNext());
    SetRecNo(GetRecNo() + 1);
    if (Eof()) return Fail("CSV: '" + m.fileName + "' ended before record " + std::to_string(bookmark));
  }
  return xlsOK;
}

}  // namespace tablirex
