// The encoder half of TXLSFormula: the size pass and the token writers. The two
// passes must agree byte for byte; GetData checks that they do.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>
#include <tuple>

#include "formula/formula.h"
#include "formula/formula_code.h"
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
constexpr std::uint8_t Union = 0x10;
constexpr std::uint8_t Isect = 0x0F;
constexpr std::uint8_t Percent = 0x14;
constexpr std::uint8_t MissArg = 0x16;
constexpr std::uint8_t ArrayBase = 0x00;  // tArray: 0x20, 0x40, 0x60 by class
constexpr std::uint8_t Paren = 0x15;
constexpr std::uint8_t Err = 0x1C;
constexpr std::uint8_t Bool = 0x1D;
constexpr std::uint8_t Str = 0x17;
constexpr std::uint8_t Num = 0x1F;
constexpr std::uint8_t FuncV = 0x41;     // fixed argument count, value class
constexpr std::uint8_t FuncVarV = 0x42;  // argument count follows, value class
// Operand bases; the class is added as 0x20 * (class + 1).
constexpr std::uint8_t Ref = 0x04;
constexpr std::uint8_t Area = 0x05;
constexpr std::uint8_t Ref3d = 0x1A;
constexpr std::uint8_t Area3d = 0x1B;
constexpr std::uint8_t Name = 0x03;
constexpr std::uint8_t RefN = 0x0C;   // relative to a base cell
constexpr std::uint8_t AreaN = 0x0D;
}  // namespace ptg

// Largest token data of a cell formula: a FORMULA record holds 20 bytes of fixed
// fields, the length word and the tokens, and may not be continued, so the record
// limit of each version bounds the tokens (8224 - 22 in BIFF8, 2080 - 22 in BIFF5).
constexpr std::int32_t kMaxTokenBytesBiff8 = 8224 - 22;
constexpr std::int32_t kMaxTokenBytesBiff5 = 2080 - 22;
// Sizes are counted exactly up to this bound and reported as it beyond.
constexpr std::int32_t kSizeCeiling = 0x10000;
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
// Bytes of a name token: the NAME record index and reserved bytes.
constexpr std::int32_t kNameSize[2] = {5, 15};

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

// Splits a 3-D reference at its last "!": a quoted sheet name may hold "!", a cell
// address never does.
std::pair<std::string_view, std::string_view> SplitSheet(std::string_view s) noexcept {
  const std::size_t i = s.rfind('!');
  if (i == std::string_view::npos) return {std::string_view(), s};
  return {s.substr(0, i), s.substr(i + 1)};
}

// The error constants by name and the code the file stores for each.
struct ErrorCode {
  std::string_view name;
  std::uint8_t code;
};
constexpr ErrorCode kErrorCodes[] = {{"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17},
                                     {"#NAME?", 0x1D}, {"#NUM!", 0x24},   {"#N/A", 0x2A}};

std::int32_t ErrorCodeOf(std::string_view name) noexcept {
  for (const ErrorCode& e : kErrorCodes)
    if (e.name == name) return e.code;
  return -1;
}

bool IsTrue(std::string_view word) noexcept {
  return word.size() == 4 && (word[0] == 'T' || word[0] == 't');
}

// The value of a number token (already of the right shape), or false when it is
// not a finite double.
bool NumberValue(std::string_view text, double& value) noexcept {
  const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
  return res.ec == std::errc() && res.ptr == text.data() + text.size() && std::isfinite(value);
}

// Whole columns (A:C) or rows (1:3) as the corners of all the rows or columns of
// the grid, the spanning side absolute; other areas stay as they are.
void WholeLineCorners(std::string_view& first, std::string_view& last, std::string& corner1, std::string& corner2,
                      bool biff5) {
  bool cols1 = false, cols2 = false, rel = false;
  std::int32_t i1 = 0, i2 = 0;
  if (!ParseCodeLine(first, cols1, i1, rel) || !ParseCodeLine(last, cols2, i2, rel) || cols1 != cols2) return;
  if (cols1) {
    corner1 = std::string(first) + "$1";
    corner2 = std::string(last) + "$" + std::to_string(biff5 ? 16384 : 65536);
  } else {
    corner1 = "$A" + std::string(first);
    corner2 = "$IV" + std::string(last);
  }
  first = corner1;
  last = corner2;
}

std::string At(const TXLSSyntaxItem& item) { return " at position " + std::to_string(item.Pos()); }

}  // namespace

// ---- sizes ---------------------------------------------------------------------------

std::int32_t TXLSFormula::MaxTokenBytes() const noexcept {
  return IsBiff5() ? kMaxTokenBytesBiff5 : kMaxTokenBytesBiff8;
}

std::int32_t TXLSFormula::Refuse(std::string message) const {
  if (error_.empty()) error_ = std::move(message);
  return xlsFail;
}

std::int32_t TXLSFormula::GetDataSize() const {
  error_.clear();
  if (syntax_.Root() == nullptr) return Refuse("nothing compiled");
  const std::int32_t tokens = GetDataSize(syntax_.Root());
  if (tokens < 0) return xlsFail;
  // The values of array constants follow the tokens in the same record.
  const std::int32_t n = std::min(tokens + GetExtraSize(), kSizeCeiling);
  if (n > MaxTokenBytes())
    return Refuse("the formula is too long: its tokens take " +
                  (n >= kSizeCeiling ? "more than " + std::to_string(kSizeCeiling - 1) : std::to_string(n)) +
                  " bytes, more than the " +
                  std::to_string(MaxTokenBytes()) + " a cell formula holds in the " +
                  (IsBiff5() ? "Excel 5" : "Excel 97") + " format");
  return tokens;
}

std::int32_t TXLSFormula::CheckCell(std::string_view cell, const TXLSSyntaxItem& item) const {
  std::uint16_t row = 0, col = 0;
  if (CellToRowCol(cell, row, col) == xlsOK) return xlsOK;
  // Tell a cell outside the sheet from text that is no cell address at all.
  std::size_t i = cell.empty() || cell[0] != '$' ? 0 : 1;
  std::size_t letters = 0;
  while (i < cell.size() && ((cell[i] >= 'A' && cell[i] <= 'Z') || (cell[i] >= 'a' && cell[i] <= 'z'))) ++i, ++letters;
  if (i < cell.size() && cell[i] == '$') ++i;
  const std::string_view digits = cell.substr(i);
  if (letters >= 1 && IsDigits(digits)) {
    return Refuse("the cell " + std::string(cell) + " lies outside the sheet (columns A to " +
                  (ctx_.wideGrid ? "XFD, rows 1 to 1048576)"
                                 : IsBiff5() ? "IV, rows 1 to 16384 in the Excel 5 format)"
                                             : "IV, rows 1 to 65536 in the Excel 97 format)") +
                  At(item));
  }
  return Refuse("\"" + std::string(cell) + "\" is not a cell address" + At(item));
}

std::int32_t TXLSFormula::CheckReference(const TXLSSyntaxItem& item) const {
  const std::string_view text = item.Text();
  const std::int32_t type = GetRangeType(text);
  if (type == kCell && text.find('$') == std::string_view::npos) {
    // A bare word: a function without its parentheses, or an unknown name.
    bool hasDigit = false;
    for (const char c : text) hasDigit = hasDigit || (c >= '0' && c <= '9');
    if (funcs_.GetValue(text) != nullptr)
      return Refuse(std::string(text) + " is a function: write " + std::string(text) + "()" + At(item));
    if (!hasDigit) return Refuse("unknown name \"" + std::string(text) + "\"" + At(item));
  }
  std::string_view cells = text;
  if (type == kCell3d || type == kArea3d) {
    std::string_view sheets;
    std::tie(sheets, cells) = SplitSheet(text);
    const auto [first, last] = SplitAt(sheets, ':');
    if (first.empty() || (sheets.find(':') != std::string_view::npos && last.empty()))
      return Refuse("a sheet name is missing before \"!\"" + At(item));
  }
  if (type == kCell || type == kCell3d) return CheckCell(cells, item);
  const auto [c1, c2] = SplitAt(cells, ':');
  if (c2.find(':') != std::string_view::npos)
    return Refuse("\"" + std::string(cells) + "\" is not a cell or area address" + At(item));
  bool cols1 = false, cols2 = false, rel = false;
  std::int32_t i1 = 0, i2 = 0;
  if (ParseCodeLine(c1, cols1, i1, rel) && ParseCodeLine(c2, cols2, i2, rel) && cols1 == cols2) {
    // Whole columns (A:C) or rows (1:3), within the grid the formula is for.
    const std::int32_t most = cols1 ? (ctx_.wideGrid ? kCodeMaxCols : 256)
                                    : (ctx_.wideGrid ? kCodeMaxRows : IsBiff5() ? 16384 : 65536);
    if (std::max(i1, i2) < most) return xlsOK;
    return Refuse("\"" + std::string(cells) + "\" lies outside the sheet" + At(item));
  }
  TXLS_RETURN_ON_ERROR(CheckCell(c1, item));
  return CheckCell(c2, item);
}

std::int32_t TXLSFormula::GetDataSize(const TXLSSyntaxItem* item) const {
  if (item == nullptr) return xlsFail;
  const std::int32_t form = IsBiff5() ? 1 : 0;
  // A subtree larger than this cannot be part of any formula the format holds;
  // stopping there keeps the sums small.
  const std::int64_t ceiling = kSizeCeiling;
  std::int64_t size = 0;
  switch (item->Kind()) {
    case TXLSItemKind::Number: {
      double value = 0;
      if (!NumberValue(item->Text(), value))
        return Refuse("the number " + item->Text() + " is out of range" + At(*item));
      size = 9;
      break;
    }
    case TXLSItemKind::Bool:
      size = 2;
      break;
    case TXLSItemKind::Missing:
      size = 1;
      break;
    case TXLSItemKind::Array: {
      for (std::int32_t i = 1; i <= item->Count(); ++i)
        if (GetDataSize(item->GetChild(i)) < 0) return xlsFail;
      size = 8;  // the token and 7 unused bytes; the values follow the tokens
      break;
    }
    case TXLSItemKind::Error:
      if (ErrorCodeOf(item->Text()) < 0) return Refuse("unknown error constant " + item->Text() + At(*item));
      size = 2;
      break;
    case TXLSItemKind::String: {
      const std::string_view text = item->Text();
      std::size_t n = text.size();
      if (!IsAscii(text)) n = IsBiff5() ? Utf8ToCodePage(text, ctx_.codePage).size() : Utf8ToUtf16(text).size();
      if (n > kMaxStringLength)
        return Refuse("a string constant holds at most 255 characters, this one " + std::to_string(n) + At(*item));
      size = IsBiff5() ? static_cast<std::int64_t>(n) + 2 : 2 * static_cast<std::int64_t>(n) + 3;
      break;
    }
    case TXLSItemKind::Reference: {
      if (NameIndexOf(*item) > 0) {
        size = kNameSize[form];
        break;
      }
      TXLS_RETURN_ON_ERROR(CheckReference(*item));
      std::int32_t type = GetRangeType(item->Text());
      if (ctx_.qualifyReferences && (type == kCell || type == kArea)) {
        if (ctx_.sheet < 1)
          return Refuse("the reference " + item->Text() + " names no sheet: write Sheet1!" + item->Text() +
                        At(*item));
        ++type;  // the 3-D form of the same cell or area
      }
      size = kRefSize[type - 1][form];
      break;
    }
    case TXLSItemKind::Function: {
      const THashFuncEntry* f = funcs_.GetValue(item->Text());
      if (f == nullptr) return Refuse("unknown function " + item->Text() + At(*item));
      const std::int32_t argc = item->Count();
      if (argc < f->minArgs || argc > f->maxArgs) {
        std::string want = f->IsFixed() ? std::to_string(f->minArgs)
                                        : std::to_string(f->minArgs) + " to " + std::to_string(f->maxArgs);
        return Refuse(item->Text() + " takes " + want + (f->maxArgs == 1 && f->IsFixed() ? " argument" : " arguments") +
                      ", not " + std::to_string(argc) + At(*item));
      }
      size = f->IsFixed() ? 3 : 4;
      for (std::int32_t i = 1; i <= argc; ++i) {
        const std::int32_t n = GetDataSize(item->GetChild(i));
        if (n <= 0) return xlsFail;
        size += n;
        if (size > ceiling) break;
      }
      break;
    }
    default: {
      // Parenthesis, signs and binary operators: the operands and one byte.
      if (item->Count() < 1 || (item->Kind() != TXLSItemKind::Paren && item->Kind() != TXLSItemKind::UnaryMinus &&
                                item->Kind() != TXLSItemKind::UnaryPlus && item->Kind() != TXLSItemKind::Union &&
                                item->Kind() != TXLSItemKind::Intersect && item->Kind() != TXLSItemKind::Percent &&
                                OperatorToken(item->Kind()) == 0))
        return Refuse("cannot encode \"" + item->Text() + "\"" + At(*item));
      size = 1;
      for (std::int32_t i = 1; i <= item->Count(); ++i) {
        const std::int32_t n = GetDataSize(item->GetChild(i));
        if (n <= 0) return xlsFail;
        size += n;
      }
      break;
    }
  }
  return static_cast<std::int32_t>(size > ceiling ? ceiling : size);
}

// ---- tokens --------------------------------------------------------------------------

std::int32_t TXLSFormula::GetItemData(const TXLSSyntaxItem* item, TXLSBlob& blob, std::int32_t cls) const {
  if (item == nullptr) return xlsFail;
  std::uint8_t op = 0;
  switch (item->Kind()) {
    case TXLSItemKind::Number: return GetNumberData(item->Text(), blob);
    case TXLSItemKind::String: return GetStringData(item->Text(), blob);
    case TXLSItemKind::Bool:
      if (!Room(blob, 2)) return xlsFail;
      blob.AddByte(ptg::Bool);
      blob.AddByte(IsTrue(item->Text()) ? 1 : 0);
      return xlsOK;
    case TXLSItemKind::Error: {
      const std::int32_t code = ErrorCodeOf(item->Text());
      if (code < 0 || !Room(blob, 2)) return xlsFail;
      blob.AddByte(ptg::Err);
      blob.AddByte(static_cast<std::uint8_t>(code));
      return xlsOK;
    }
    case TXLSItemKind::Function: return GetFuncData(item, blob);
    case TXLSItemKind::Reference: {
      if (const std::int32_t name = NameIndexOf(*item); name > 0) return GetNameData(name, blob, cls);
      const std::int32_t type = GetRangeType(item->Text());
      if (type == kCell || type == kArea) {
        if (!ctx_.qualifyReferences) return GetRangeData(item->Text(), blob, cls);
        if (ctx_.sheet < 1) return xlsFail;
        return EncodeRange3D(ctx_.sheet, ctx_.sheet, {}, item->Text(), type + 1, cls, blob);
      }
      return GetRange3DData(item->Text(), type, cls, blob);
    }
    case TXLSItemKind::Union:
    case TXLSItemKind::Intersect:
      // The members of a union or an intersection are references, in reference class.
      if (item->Count() != 2) return xlsFail;
      TXLS_RETURN_ON_ERROR(GetItemData(item->GetChild(1), blob, 0));
      TXLS_RETURN_ON_ERROR(GetItemData(item->GetChild(2), blob, 0));
      if (!Room(blob, 1)) return xlsFail;
      blob.AddByte(item->Kind() == TXLSItemKind::Union ? ptg::Union : ptg::Isect);
      return xlsOK;
    case TXLSItemKind::Missing:
      if (!Room(blob, 1)) return xlsFail;
      blob.AddByte(ptg::MissArg);
      return xlsOK;
    case TXLSItemKind::Array:
      if (!Room(blob, 8)) return xlsFail;
      blob.AddByte(ClassToken(ptg::ArrayBase, cls));
      for (int i = 0; i < 7; ++i) blob.AddByte(0);
      return xlsOK;
    case TXLSItemKind::Percent: op = ptg::Percent; break;
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

namespace {

// Bytes one item of an array constant takes after the tokens.
std::int64_t ArrayItemSize(const TXLSSyntaxItem& v, bool biff5, std::uint16_t codePage) {
  if (v.Kind() != TXLSItemKind::String) return 9;
  if (biff5) return 2 + static_cast<std::int64_t>(IsAscii(v.Text()) ? v.Text().size()
                                                                   : Utf8ToCodePage(v.Text(), codePage).size());
  return 4 + 2 * static_cast<std::int64_t>(Utf8ToUtf16(v.Text()).size());
}

// The array constants of a tree in the order their tokens appear.
template <class F>
void ForEachArray(const TXLSSyntaxItem* root, F&& f) {
  std::vector<const TXLSSyntaxItem*> stack{root};
  while (!stack.empty()) {
    const TXLSSyntaxItem* item = stack.back();
    stack.pop_back();
    if (item->Kind() == TXLSItemKind::Array) {
      f(*item);
      continue;
    }
    for (std::int32_t i = item->Count(); i >= 1; --i) stack.push_back(item->GetChild(i));
  }
}

}  // namespace

std::int32_t TXLSFormula::GetExtraSize() const {
  if (syntax_.Root() == nullptr) return 0;
  std::int64_t n = 0;
  ForEachArray(syntax_.Root(), [&](const TXLSSyntaxItem& a) {
    n += 3;
    for (std::int32_t i = 1; i <= a.Count(); ++i) n += ArrayItemSize(*a.GetChild(i), IsBiff5(), ctx_.codePage);
  });
  return static_cast<std::int32_t>(std::min<std::int64_t>(n, kSizeCeiling));
}

std::int32_t TXLSFormula::GetExtraData(TXLSBlob& blob) const {
  std::int32_t r = xlsOK;
  ForEachArray(syntax_.Root(), [&](const TXLSSyntaxItem& a) {
    if (r != xlsOK) return;
    const std::int32_t cols = a.Columns() > 0 ? a.Columns() : 1;
    const std::int32_t rows = a.Count() / cols;
    if (!Room(blob, 3)) {
      r = xlsFail;
      return;
    }
    // Columns and rows: less one in the Excel 97 form, as they are (256 columns
    // as 0) in the Excel 5 form.
    blob.AddByte(static_cast<std::uint8_t>(IsBiff5() ? cols : cols - 1));
    blob.AddWord(static_cast<std::uint16_t>(IsBiff5() ? rows : rows - 1));
    for (std::int32_t i = 1; i <= a.Count() && r == xlsOK; ++i) {
      const TXLSSyntaxItem& v = *a.GetChild(i);
      const auto need = static_cast<std::uint32_t>(ArrayItemSize(v, IsBiff5(), ctx_.codePage));
      if (!Room(blob, need)) {
        r = xlsFail;
        return;
      }
      switch (v.Kind()) {
        case TXLSItemKind::Number: {
          double value = 0;
          NumberValue(v.Text(), value);
          blob.AddByte(0x01);
          blob.AddDouble(value);
          break;
        }
        case TXLSItemKind::Bool:
        case TXLSItemKind::Error:
          blob.AddByte(v.Kind() == TXLSItemKind::Bool ? 0x04 : 0x10);
          blob.AddByte(v.Kind() == TXLSItemKind::Bool ? (IsTrue(v.Text()) ? 1 : 0)
                                                      : static_cast<std::uint8_t>(ErrorCodeOf(v.Text())));
          for (int k = 0; k < 7; ++k) blob.AddByte(0);
          break;
        case TXLSItemKind::String:
          blob.AddByte(0x02);
          if (IsBiff5()) {
            const std::string bytes = IsAscii(v.Text()) ? v.Text() : Utf8ToCodePage(v.Text(), ctx_.codePage);
            blob.AddByte(static_cast<std::uint8_t>(bytes.size()));
            blob.AddString(bytes);
          } else {
            const std::u16string units = Utf8ToUtf16(v.Text());
            blob.AddWord(static_cast<std::uint16_t>(units.size()));
            blob.AddByte(0x01);
            blob.AddWideString(units);
          }
          break;
        default: r = xlsFail; return;
      }
    }
  });
  return r;
}

std::int32_t TXLSFormula::GetNumberData(std::string_view text, TXLSBlob& blob) const {
  // The lexer has checked the shape (digits, one ".", an exponent); the conversion
  // rounds correctly.
  double value = 0.0;
  if (!NumberValue(text, value) || !Room(blob, 9)) return xlsFail;
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
  const std::size_t bang = text.rfind('!');
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
  for (int letters = 1; i < text.size() && upper(text[i]) >= 'A' && upper(text[i]) <= 'Z'; ++letters) {
    if (letters == 3) return xlsFail;  // no column has four letters
    col = col * 26 + (upper(text[i++]) - 'A' + 1);
  }
  const bool rowAbsolute = i < text.size() && text[i] == '$';
  if (rowAbsolute) ++i;
  const std::string_view digits = text.substr(i);
  if (!IsDigits(digits)) return xlsFail;
  std::int32_t r = 0;
  for (const char c : digits) {
    r = r * 10 + (c - '0');
    if (r > 10000000) return xlsFail;  // far past any sheet; stops overflow
  }
  const std::int32_t maxRow = ctx_.wideGrid ? 1048576 : IsBiff5() ? 16384 : 65536;
  const std::int32_t maxCol = ctx_.wideGrid ? 16384 : 256;
  if (col < 1 || col > maxCol || r < 1 || r > maxRow) return xlsFail;

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
  // With a base cell, a relative row or column is written as its distance from
  // the base, in the tokens that say so.
  const bool relative = ctx_.baseRow >= 0 && ctx_.baseCol >= 0;
  const auto offset = [&](std::uint16_t& row, std::uint16_t& col) {
    const std::uint16_t rowRel = IsBiff5() ? row & kRowRelative : col & kRowRelative;
    const std::uint16_t colRel = IsBiff5() ? row & kColRelative : col & kColRelative;
    std::uint16_t r = IsBiff5() ? row & 0x3FFF : row;
    std::uint16_t c = IsBiff5() ? col : col & 0x00FF;
    if (rowRel) r = static_cast<std::uint16_t>(r - ctx_.baseRow) & (IsBiff5() ? 0x3FFF : 0xFFFF);
    if (colRel) c = static_cast<std::uint16_t>(c - ctx_.baseCol) & 0x00FF;
    if (IsBiff5()) {
      row = static_cast<std::uint16_t>(r | rowRel | colRel);
      col = c;
    } else {
      row = r;
      col = static_cast<std::uint16_t>(c | rowRel | colRel);
    }
  };
  if (GetRangeType(text) == kCell) {
    std::uint16_t row = 0, col = 0;
    TXLS_RETURN_ON_ERROR(CellToRowCol(text, row, col));
    if (relative) offset(row, col);
    if (!Room(blob, IsBiff5() ? 4 : 5)) return xlsFail;
    blob.AddByte(ClassToken(relative ? ptg::RefN : ptg::Ref, cls));
    blob.AddWord(row);  // 0: row (BIFF5: with the relative flags)
    if (IsBiff5())
      blob.AddByte(static_cast<std::uint8_t>(col));  // 2: column
    else
      blob.AddWord(col);  // 2: column with the relative flags
    return xlsOK;
  }
  // Corners as written, not put in order.
  auto [first, last] = SplitAt(text, ':');
  std::string corner1, corner2;
  WholeLineCorners(first, last, corner1, corner2, IsBiff5());
  std::uint16_t row1 = 0, col1 = 0, row2 = 0, col2 = 0;
  TXLS_RETURN_ON_ERROR(CellToRowCol(first, row1, col1));
  TXLS_RETURN_ON_ERROR(CellToRowCol(last, row2, col2));
  if (relative) {
    offset(row1, col1);
    offset(row2, col2);
  }
  if (!Room(blob, IsBiff5() ? 7 : 9)) return xlsFail;
  blob.AddByte(ClassToken(relative ? ptg::AreaN : ptg::Area, cls));
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
  if (!ctx_.getSheetIndex) return Refuse("no workbook to find the sheet \"" + std::string(name) + "\" in");
  const std::int32_t p = ctx_.getSheetIndex(Utf8ToUtf16(name));
  if (p < 1) return Refuse("no sheet named \"" + std::string(name) + "\"");
  return p;
}

std::int32_t TXLSFormula::GetRange3DData(std::string_view text, std::int32_t kind, std::int32_t cls,
                                         TXLSBlob& blob) const {
  if (kind != kCell3d && kind != kArea3d) return xlsFail;
  const auto [sheets, cells] = SplitSheet(text);
  std::string_view firstSheet = sheets, lastSheet = sheets;
  if (sheets.find(':') != std::string_view::npos) std::tie(firstSheet, lastSheet) = SplitAt(sheets, ':');
  std::int32_t p1 = SheetPosition(firstSheet);
  if (p1 < 1) return xlsFail;
  std::int32_t p2 = firstSheet == lastSheet ? p1 : SheetPosition(lastSheet);
  if (p2 < 1 || p1 > 0xFFFF || p2 > 0xFFFF) return xlsFail;
  // A range of sheets named last to first covers the same sheets.
  if (p1 > p2) std::swap(p1, p2);

  return EncodeRange3D(p1, p2, sheets, cells, kind, cls, blob);
}

std::int32_t TXLSFormula::EncodeRange3D(std::int32_t p1, std::int32_t p2, std::string_view sheets,
                                        std::string_view cells, std::int32_t kind, std::int32_t cls,
                                        TXLSBlob& blob) const {
  std::uint16_t row1 = 0, col1 = 0, row2 = 0, col2 = 0;
  if (kind == kCell3d) {
    TXLS_RETURN_ON_ERROR(CellToRowCol(cells, row1, col1));
  } else {
    auto [first, last] = SplitAt(cells, ':');
    std::string corner1, corner2;
    WholeLineCorners(first, last, corner1, corner2, IsBiff5());
    TXLS_RETURN_ON_ERROR(CellToRowCol(first, row1, col1));
    TXLS_RETURN_ON_ERROR(CellToRowCol(last, row2, col2));
  }
  const std::uint8_t token = ClassToken(kind == kCell3d ? ptg::Ref3d : ptg::Area3d, cls);

  if (IsBiff5()) {
    if (!Room(blob, static_cast<std::uint32_t>(kRefSize[kind - 1][1]))) return xlsFail;
    blob.AddByte(token);
    // 0: EXTERNSHEET index, negative: the workbook writes one EXTERNSHEET per sheet,
    // in sheet order, so sheet p is entry -p; a range names its first sheet's entry.
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
  // of sheets has an entry of its own, which the workbook adds on request.
  std::int32_t index = -1;
  if (p1 == p2) {
    if (!ctx_.getSheetCount) return Refuse("no workbook to count the sheets of");
    index = ctx_.getSheetCount() - p1;
  } else {
    if (!ctx_.getSheetRangeRef) return Refuse("no workbook to hold the range of sheets " + std::string(sheets));
    index = ctx_.getSheetRangeRef(p1, p2);
  }
  if (index < 0 || index > 0xFFFF) return Refuse("no reference entry for the sheets " + std::string(sheets));
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
  if (argc < f->minArgs || argc > f->maxArgs || argc > kMaxArguments) return xlsFail;
  for (std::int32_t i = 1; i <= argc; ++i) TXLS_RETURN_ON_ERROR(GetItemData(item->GetChild(i), blob, f->argClass));
  if (f->IsFixed()) {
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

std::int32_t TXLSFormula::NameIndexOf(const TXLSSyntaxItem& item) const {
  if (!ctx_.getNameIndex || item.Kind() != TXLSItemKind::Reference) return 0;
  const std::string_view text = item.Text();
  if (text.find('$') != std::string_view::npos || text.find(':') != std::string_view::npos) return 0;
  if (text.find('!') == std::string_view::npos) return std::max(0, ctx_.getNameIndex(text, ctx_.sheet, false));
  // Sheet1!Rate: a name of that sheet's own.
  const auto [sheet, name] = SplitSheet(text);
  if (!ctx_.getSheetIndex || sheet.empty() || name.empty() || sheet.find(':') != std::string_view::npos) return 0;
  const std::int32_t p = ctx_.getSheetIndex(Utf8ToUtf16(sheet));
  if (p < 1) return 0;
  return std::max(0, ctx_.getNameIndex(name, p, true));
}

std::int32_t TXLSFormula::GetNameData(std::int32_t index, TXLSBlob& blob, std::int32_t cls) const {
  if (index < 1 || index > 0xFFFF || !Room(blob, static_cast<std::uint32_t>(kNameSize[IsBiff5() ? 1 : 0])))
    return xlsFail;
  blob.AddByte(ClassToken(ptg::Name, cls));
  blob.AddWord(static_cast<std::uint16_t>(index));  // 0: one-based NAME record
  if (IsBiff5()) {
    blob.AddLong(0);  // 2: reserved, 12 bytes
    blob.AddLong(0);
    blob.AddLong(0);
  } else {
    blob.AddWord(0);  // 2: reserved
  }
  return xlsOK;
}

}  // namespace tablirex
