// The encoder half of TXLSFormula: the size pass and the token writers. The two
// passes must agree byte for byte; GetData checks that they do.
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>
#include <tuple>

#include "formula/formula.h"
#include "tablirex/result.h"
#include "text/text.h"

namespace tablirex {

namespace {

// Token bytes of the parsed-expression form.
namespace ptg {
constexpr std::uint8_t Add = 0x03;
constexpr std::uint8_t Sub = 0x04;
constexpr std::uint8_t Mul = 0x05;
constexpr std::uint8_t Div = 0x06;
constexpr std::uint8_t Power = 0x07;
constexpr std::uint8_t Concat = 0x08;
constexpr std::uint8_t LT = 0x09;
constexpr std::uint8_t LE = 0x0A;
constexpr std::uint8_t EQ = 0x0B;
constexpr std::uint8_t GE = 0x0C;
constexpr std::uint8_t GT = 0x0D;
constexpr std::uint8_t NE = 0x0E;
constexpr std::uint8_t Uplus = 0x12;
constexpr std::uint8_t Uminus = 0x13;
constexpr std::uint8_t Paren = 0x15;
constexpr std::uint8_t Str = 0x17;
constexpr std::uint8_t Num = 0x1F;
constexpr std::uint8_t FuncV = 0x41;     // fixed argument count, value class
constexpr std::uint8_t FuncVarV = 0x42;  // argument count follows, value class
// Operand bases; the class is added as 0x20 * (class + 1).
constexpr std::uint8_t Ref = 0x04;
constexpr std::uint8_t Area = 0x05;
constexpr std::uint8_t Ref3d = 0x1A;
constexpr std::uint8_t Area3d = 0x1B;
}  // namespace ptg

// Largest token data the 16-bit length word can announce.
constexpr std::int32_t kMaxTokenBytes = 0xFFFF;
// The length of a string constant and the argument count of a call are one byte.
constexpr std::size_t kMaxStringLength = 255;
constexpr std::int32_t kMaxArguments = 255;

// Reference types as GetRangeType returns them.
constexpr std::int32_t kCell = 1;
constexpr std::int32_t kCell3d = 2;
constexpr std::int32_t kArea = 3;
constexpr std::int32_t kArea3d = 4;

// Bytes of a reference token by type (1..4), BIFF8 then BIFF5.
constexpr std::int32_t kRefSize[4][2] = {{5, 4}, {7, 18}, {9, 7}, {11, 21}};

constexpr std::uint16_t kRowRelative = 0x8000;
constexpr std::uint16_t kColRelative = 0x4000;

std::uint8_t ClassToken(std::uint8_t base, std::int32_t cls) noexcept {
  if (cls < 0 || cls > 2) cls = 2;
  return static_cast<std::uint8_t>(base + 0x20 * (cls + 1));
}

bool Room(const TXLSBlob& blob, std::uint32_t n) noexcept { return blob.GetBuffSize() - blob.GetDataSize() >= n; }

bool IsAscii(std::string_view s) noexcept {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool IsDigits(std::string_view s) noexcept {
  if (s.empty()) return false;
  for (const char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The operator byte of a binary node, 0 for a node that is not one.
std::uint8_t OperatorToken(TXLSItemKind kind) noexcept {
  switch (kind) {
    case TXLSItemKind::Add: return ptg::Add;
    case TXLSItemKind::Subtract: return ptg::Sub;
    case TXLSItemKind::Multiply: return ptg::Mul;
    case TXLSItemKind::Divide: return ptg::Div;
    case TXLSItemKind::Power: return ptg::Power;
    case TXLSItemKind::Concat: return ptg::Concat;
    case TXLSItemKind::Less: return ptg::LT;
    case TXLSItemKind::LessEqual: return ptg::LE;
    case TXLSItemKind::Equal: return ptg::EQ;
    case TXLSItemKind::GreaterEqual: return ptg::GE;
    case TXLSItemKind::Greater: return ptg::GT;
    case TXLSItemKind::NotEqual: return ptg::NE;
    default: return 0;
  }
}

// Splits at the first occurrence of c; second is empty when there is none.
std::pair<std::string_view, std::string_view> SplitAt(std::string_view s, char c) noexcept {
  const std::size_t i = s.find(c);
  if (i == std::string_view::npos) return {s, std::string_view()};
  return {s.substr(0, i), s.substr(i + 1)};
}

}  // namespace

// ---- sizes ---------------------------------------------------------------------------

std::int32_t TXLSFormula::GetDataSize(const TXLSSyntaxItem* item) const {
  if (item == nullptr) return xlsFail;
  const std::int32_t form = IsBiff5() ? 1 : 0;
  std::int64_t size = 0;
  switch (item->Kind()) {
    case TXLSItemKind::Number:
      size = 9;
      break;
    case TXLSItemKind::String: {
      const std::string_view text = item->Text();
      std::size_t n = text.size();
      if (!IsAscii(text)) n = IsBiff5() ? Utf8ToCodePage(text, ctx_.codePage).size() : Utf8ToUtf16(text).size();
      if (n > kMaxStringLength) return xlsFail;
      size = IsBiff5() ? static_cast<std::int64_t>(n) + 2 : 2 * static_cast<std::int64_t>(n) + 3;
      break;
    }
    case TXLSItemKind::Reference:
      size = kRefSize[GetRangeType(item->Text()) - 1][form];
      break;
    case TXLSItemKind::Function: {
      const THashFuncEntry* f = funcs_.GetValue(item->Text());
      if (f == nullptr) return xlsFail;
      if (f->argCount >= 0 ? item->Count() != f->argCount : item->Count() > kMaxArguments) return xlsFail;
      size = f->argCount >= 0 ? 3 : 4;
      for (std::int32_t i = 1; i <= item->Count(); ++i) {
        const std::int32_t n = GetDataSize(item->GetChild(i));
        if (n <= 0) return xlsFail;
        size += n;
        if (size > kMaxTokenBytes) return xlsFail;
      }
      break;
    }
    default: {
      // Parenthesis, signs and binary operators: the operands and one byte.
      if (item->Count() < 1) return xlsFail;
      size = 1;
      for (std::int32_t i = 1; i <= item->Count(); ++i) {
        const std::int32_t n = GetDataSize(item->GetChild(i));
        if (n <= 0) return xlsFail;
        size += n;
      }
      break;
    }
  }
  return size > kMaxTokenBytes ? xlsFail : static_cast<std::int32_t>(size);
}

// ---- tokens --------------------------------------------------------------------------

std::int32_t TXLSFormula::GetItemData(const TXLSSyntaxItem* item, TXLSBlob& blob, std::int32_t cls) const {
  if (item == nullptr) return xlsFail;
  std::uint8_t op = 0;
  switch (item->Kind()) {
    case TXLSItemKind::Number: return GetNumberData(item->Text(), blob);
    case TXLSItemKind::String: return GetStringData(item->Text(), blob);
    case TXLSItemKind::Function: return GetFuncData(item, blob);
    case TXLSItemKind::Reference: {
      const std::int32_t type = GetRangeType(item->Text());
      if (type == kCell || type == kArea) return GetRangeData(item->Text(), blob, cls);
      return GetRange3DData(item->Text(), type, cls, blob);
    }
    case TXLSItemKind::Paren: op = ptg::Paren; break;
    case TXLSItemKind::UnaryMinus: op = ptg::Uminus; break;
    case TXLSItemKind::UnaryPlus: op = ptg::Uplus; break;
    default:
      op = OperatorToken(item->Kind());
      if (op == 0) return xlsFail;
      break;
  }
  if (item->Count() < 1) return xlsFail;
  // Operands of operators, parentheses and signs are always in array class.
  for (std::int32_t i = 1; i <= item->Count(); ++i) TXLS_RETURN_ON_ERROR(GetItemData(item->GetChild(i), blob, 2));
  if (!Room(blob, 1)) return xlsFail;
  blob.AddByte(op);
  return xlsOK;
}

std::int32_t TXLSFormula::GetNumberData(std::string_view text, TXLSBlob& blob) const {
  // The value is the integer part plus the fraction digits over 10^count; a part
  // that is not a plain run of digits counts as 0 (so 1.2.3 is 1). The text is
  // handed to a correctly rounding conversion in that shape.
  const auto [whole, fraction] = SplitAt(text, '.');
  std::string digits;
  if (IsDigits(whole)) digits.assign(whole);
  if (IsDigits(fraction)) {
    if (digits.empty()) digits.push_back('0');
    digits.push_back('.');
    digits.append(fraction);
  }
  double value = 0.0;
  if (!digits.empty()) {
    const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (res.ec != std::errc() || !std::isfinite(value)) return xlsFail;
  }
  if (!Room(blob, 9)) return xlsFail;
  blob.AddByte(ptg::Num);
  blob.AddDouble(value);
  return xlsOK;
}

std::int32_t TXLSFormula::GetStringData(std::string_view text, TXLSBlob& blob) const {
  if (IsBiff5()) {
    const std::string bytes = IsAscii(text) ? std::string(text) : Utf8ToCodePage(text, ctx_.codePage);
    if (bytes.size() > kMaxStringLength || !Room(blob, static_cast<std::uint32_t>(bytes.size()) + 2)) return xlsFail;
    blob.AddByte(ptg::Str);
    blob.AddByte(static_cast<std::uint8_t>(bytes.size()));
    blob.AddString(bytes);
    return xlsOK;
  }
  const std::u16string units = Utf8ToUtf16(text);
  if (units.size() > kMaxStringLength || !Room(blob, 2 * static_cast<std::uint32_t>(units.size()) + 3))
    return xlsFail;
  blob.AddByte(ptg::Str);
  blob.AddByte(static_cast<std::uint8_t>(units.size()));
  blob.AddByte(0x01);  // option flags: 16-bit characters
  blob.AddWideString(units);
  return xlsOK;
}

std::int32_t TXLSFormula::GetRangeType(std::string_view text) noexcept {
  const std::size_t bang = text.find('!');
  if (bang == std::string_view::npos) return text.find(':') == std::string_view::npos ? kCell : kArea;
  return text.substr(bang + 1).find(':') == std::string_view::npos ? kCell3d : kArea3d;
}

std::int32_t TXLSFormula::CellToRowCol(std::string_view text, std::uint16_t& row, std::uint16_t& column) const {
  const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
  std::size_t i = 0;
  const bool colAbsolute = i < text.size() && text[i] == '$';
  if (colAbsolute) ++i;
  if (i >= text.size() || upper(text[i]) < 'A' || upper(text[i]) > 'Z') return xlsFail;
  std::int32_t col = upper(text[i++]) - 'A' + 1;
  if (i < text.size() && upper(text[i]) >= 'A' && upper(text[i]) <= 'Z') col = col * 26 + (upper(text[i++]) - 'A' + 1);
  const bool rowAbsolute = i < text.size() && text[i] == '$';
  if (rowAbsolute) ++i;
  const std::string_view digits = text.substr(i);
  if (!IsDigits(digits)) return xlsFail;
  std::int32_t r = 0;
  for (const char c : digits) {
    r = r * 10 + (c - '0');
    if (r > 1000000) return xlsFail;  // far past any sheet; stops overflow
  }
  const std::int32_t maxRow = IsBiff5() ? 16384 : 65536;
  if (col < 1 || col > 256 || r < 1 || r > maxRow) return xlsFail;

  std::uint16_t flags = 0;
  if (!rowAbsolute) flags |= kRowRelative;
  if (!colAbsolute) flags |= kColRelative;
  row = static_cast<std::uint16_t>(r - 1);
  column = static_cast<std::uint16_t>(col - 1);
  if (IsBiff5())
    row |= flags;
  else
    column |= flags;
  return xlsOK;
}

std::int32_t TXLSFormula::GetRangeData(std::string_view text, TXLSBlob& blob, std::int32_t cls) const {
  if (GetRangeType(text) == kCell) {
    std::uint16_t row = 0, col = 0;
    TXLS_RETURN_ON_ERROR(CellToRowCol(text, row, col));
    if (!Room(blob, IsBiff5() ? 4 : 5)) return xlsFail;
    blob.AddByte(ClassToken(ptg::Ref, cls));
    blob.AddWord(row);  // 0: row (BIFF5: with the relative flags)
    if (IsBiff5())
      blob.AddByte(static_cast<std::uint8_t>(col));  // 2: column
    else
      blob.AddWord(col);  // 2: column with the relative flags
    return xlsOK;
  }
  // Corners as written, not put in order.
  const auto [first, last] = SplitAt(text, ':');
  std::uint16_t row1 = 0, col1 = 0, row2 = 0, col2 = 0;
  TXLS_RETURN_ON_ERROR(CellToRowCol(first, row1, col1));
  TXLS_RETURN_ON_ERROR(CellToRowCol(last, row2, col2));
  if (!Room(blob, IsBiff5() ? 7 : 9)) return xlsFail;
  blob.AddByte(ClassToken(ptg::Area, cls));
  blob.AddWord(row1);  // 0: first row
  blob.AddWord(row2);  // 2: last row
  if (IsBiff5()) {
    blob.AddByte(static_cast<std::uint8_t>(col1));  // 4: first column
    blob.AddByte(static_cast<std::uint8_t>(col2));  // 5: last column
  } else {
    blob.AddWord(col1);  // 4: first column
    blob.AddWord(col2);  // 6: last column
  }
  return xlsOK;
}

std::int32_t TXLSFormula::SheetPosition(std::string_view name) const {
  if (!ctx_.getSheetIndex) return xlsFail;
  const std::int32_t p = ctx_.getSheetIndex(Utf8ToUtf16(name));
  return p >= 1 ? p : xlsFail;
}

std::int32_t TXLSFormula::GetRange3DData(std::string_view text, std::int32_t kind, std::int32_t cls,
                                         TXLSBlob& blob) const {
  if (kind != kCell3d && kind != kArea3d) return xlsFail;
  const auto [sheets, cells] = SplitAt(text, '!');
  std::string_view firstSheet = sheets, lastSheet = sheets;
  if (sheets.find(':') != std::string_view::npos) std::tie(firstSheet, lastSheet) = SplitAt(sheets, ':');
  const std::int32_t p1 = SheetPosition(firstSheet);
  if (p1 < 1) return xlsFail;
  const std::int32_t p2 = firstSheet == lastSheet ? p1 : SheetPosition(lastSheet);
  if (p2 < 1 || p1 > 0xFFFF || p2 > 0xFFFF) return xlsFail;

  std::uint16_t row1 = 0, col1 = 0, row2 = 0, col2 = 0;
  if (kind == kCell3d) {
    TXLS_RETURN_ON_ERROR(CellToRowCol(cells, row1, col1));
  } else {
    const auto [first, last] = SplitAt(cells, ':');
    TXLS_RETURN_ON_ERROR(CellToRowCol(first, row1, col1));
    TXLS_RETURN_ON_ERROR(CellToRowCol(last, row2, col2));
  }
  const std::uint8_t token = ClassToken(kind == kCell3d ? ptg::Ref3d : ptg::Area3d, cls);

  if (IsBiff5()) {
    if (!Room(blob, static_cast<std::uint32_t>(kRefSize[kind - 1][1]))) return xlsFail;
    blob.AddByte(token);
    // 0: EXTERNSHEET index, negative: the workbook writes one EXTERNSHEET per sheet,
    // in sheet order, so sheet p is entry -p.
    blob.AddWord(static_cast<std::uint16_t>(0x10000 - p1));
    blob.AddLong(0);  // 2: reserved, 8 bytes
    blob.AddLong(0);
    blob.AddWord(static_cast<std::uint16_t>(p1 - 1));  // 10: first sheet, zero-based
    blob.AddWord(static_cast<std::uint16_t>(p2 - 1));  // 12: last sheet
    blob.AddWord(row1);                                // 14: row with the relative flags
    if (kind == kArea3d) blob.AddWord(row2);           // 16: last row
    blob.AddByte(static_cast<std::uint8_t>(col1));     // column(s)
    if (kind == kArea3d) blob.AddByte(static_cast<std::uint8_t>(col2));
    return xlsOK;
  }

  // The EXTERNSHEET record lists the sheets in descending order: reference k names
  // sheet n - 1 - k (zero-based), so one-based sheet p is reference n - p. A range
  // of sheets is written as its first sheet.
  if (!ctx_.getSheetCount) return xlsFail;
  const std::int32_t index = ctx_.getSheetCount() - p1;
  if (index < 0 || index > 0xFFFF) return xlsFail;
  if (!Room(blob, static_cast<std::uint32_t>(kRefSize[kind - 1][0]))) return xlsFail;
  blob.AddByte(token);
  blob.AddWord(static_cast<std::uint16_t>(index));  // 0: reference index
  blob.AddWord(row1);                               // 2: (first) row
  if (kind == kArea3d) blob.AddWord(row2);          // 4: last row
  blob.AddWord(col1);                               // (first) column with the relative flags
  if (kind == kArea3d) blob.AddWord(col2);          // last column
  return xlsOK;
}

std::int32_t TXLSFormula::GetFuncData(const TXLSSyntaxItem* item, TXLSBlob& blob) const {
  const THashFuncEntry* f = funcs_.GetValue(item->Text());
  if (f == nullptr) return xlsFail;
  const std::int32_t argc = item->Count();
  if (f->argCount >= 0 ? argc != f->argCount : argc > kMaxArguments) return xlsFail;
  for (std::int32_t i = 1; i <= argc; ++i) TXLS_RETURN_ON_ERROR(GetItemData(item->GetChild(i), blob, f->argClass));
  if (f->argCount >= 0) {
    if (!Room(blob, 3)) return xlsFail;
    blob.AddByte(ptg::FuncV);
  } else {
    if (!Room(blob, 4)) return xlsFail;
    blob.AddByte(ptg::FuncVarV);
    blob.AddByte(static_cast<std::uint8_t>(argc));
  }
  blob.AddWord(static_cast<std::uint16_t>(f->funcNumber));
  return xlsOK;
}

}  // namespace tablirex
