// Writes a compiled cell formula (TFormulaCode) in the token form of the save in
// progress: the sheets and names it uses are looked up as the workbook stands.
#include <algorithm>
#include <cstring>
#include <string>

#include "formula/formula.h"
#include "formula/formula_code.h"
#include "tablirex/result.h"
#include "text/text.h"

namespace tablirex {
namespace {

std::uint8_t OperatorByte(TCodeOp op) noexcept {
  switch (op) {
    case TCodeOp::Add: return 0x03;
    case TCodeOp::Sub: return 0x04;
    case TCodeOp::Mul: return 0x05;
    case TCodeOp::Div: return 0x06;
    case TCodeOp::Power: return 0x07;
    case TCodeOp::Concat: return 0x08;
    case TCodeOp::LT: return 0x09;
    case TCodeOp::LE: return 0x0A;
    case TCodeOp::EQ: return 0x0B;
    case TCodeOp::GE: return 0x0C;
    case TCodeOp::GT: return 0x0D;
    case TCodeOp::NE: return 0x0E;
    case TCodeOp::Isect: return 0x0F;
    case TCodeOp::Union: return 0x10;
    case TCodeOp::Uplus: return 0x12;
    case TCodeOp::Uminus: return 0x13;
    case TCodeOp::Percent: return 0x14;
    case TCodeOp::Paren: return 0x15;
    default: return 0;
  }
}

std::uint8_t Classed(std::uint8_t base, std::uint8_t cls) noexcept {
  return static_cast<std::uint8_t>(base + 0x20 * ((cls > 2 ? 2 : cls) + 1));
}

std::string ColumnName(std::int32_t col) {
  std::string s;
  for (std::int32_t c = col + 1; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
  return s;
}

bool IsAscii(std::string_view s) noexcept {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

class TOut {
 public:
  explicit TOut(std::vector<std::uint8_t>& v) : v_(v) {}
  void Byte(std::uint32_t b) { v_.push_back(static_cast<std::uint8_t>(b)); }
  void Word(std::uint32_t w) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(w & 0xFF), static_cast<std::uint8_t>((w >> 8) & 0xFF)};
    v_.insert(v_.end(), b, b + 2);
  }
  void Double(double d) {
    std::uint64_t u = 0;
    static_assert(sizeof u == sizeof d);
    std::memcpy(&u, &d, sizeof u);
    std::uint8_t b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(u >> (8 * i));
    v_.insert(v_.end(), b, b + 8);
  }
  void Zeros(int n) { v_.insert(v_.end(), static_cast<std::size_t>(n), 0); }
  void Bytes(std::string_view s) { v_.insert(v_.end(), s.begin(), s.end()); }
  void Wide(std::u16string_view s) {
    for (const char16_t c : s) Word(c);
  }
  std::size_t Size() const noexcept { return v_.size(); }

 private:
  std::vector<std::uint8_t>& v_;
};

}  // namespace

std::int32_t TXLSFormula::EncodeCode(const TFormulaCode& code, std::vector<std::uint8_t>& bytes) const {
  error_.clear();
  bytes.clear();
  bytes.reserve(code.items.size() * 9 + 16);
  TOut out(bytes);
  out.Word(0);  // the token length, set at the end
  const bool biff5 = IsBiff5();
  const std::int32_t maxRow = biff5 ? 16384 : 65536;
  const auto at = [](const TCodeItem& item) { return " at position " + std::to_string(item.pos); };
  const auto outside = [&](const TCodeItem& item, std::int32_t row, std::int32_t col) {
    if (row < maxRow && col < 256) return false;
    Refuse("the cell " + ColumnName(col) + std::to_string(row + 1) +
           " lies outside the sheet (columns A to IV, rows 1 to " +
           (biff5 ? "16384 in the Excel 5 format)" : "65536 in the Excel 97 format)") + at(item));
    return true;
  };
  // A corner as the form writes it: BIFF8 the row word and the column with the
  // relative flags; BIFF5 the row with the flags and a column byte.
  const auto rowWord = [&](std::int32_t row, bool rowRel, bool colRel) {
    std::uint32_t w = static_cast<std::uint32_t>(row);
    if (biff5) w |= (rowRel ? 0x8000u : 0) | (colRel ? 0x4000u : 0);
    return w;
  };
  const auto colWord = [&](std::int32_t col, bool rowRel, bool colRel) {
    std::uint32_t w = static_cast<std::uint32_t>(col);
    if (!biff5) w |= (rowRel ? 0x8000u : 0) | (colRel ? 0x4000u : 0);
    return w;
  };

  for (const TCodeItem& source : code.items) {
    // Whole columns or rows take all the rows or columns of this format's grid.
    TCodeItem item = source;
    if (item.flags & kCodeWholeColumns) item.row2 = maxRow - 1;
    if (item.flags & kCodeWholeRows) item.col2 = 255;
    const bool r1 = item.flags & kCodeRow1Relative, c1 = item.flags & kCodeCol1Relative;
    const bool r2 = item.flags & kCodeRow2Relative, c2 = item.flags & kCodeCol2Relative;
    switch (item.op) {
      case TCodeOp::Number:
        out.Byte(0x1F);
        out.Double(item.Num());
        break;
      case TCodeOp::String: {
        const std::string& s = code.texts[static_cast<std::size_t>(item.text)];
        if (biff5) {
          const std::string b = IsAscii(s) ? s : Utf8ToCodePage(s, ctx_.codePage);
          if (b.size() > 255)
            return Refuse("a string constant holds at most 255 characters, this one " + std::to_string(b.size()) +
                          at(item));
          out.Byte(0x17);
          out.Byte(static_cast<std::uint32_t>(b.size()));
          out.Bytes(b);
        } else {
          const std::u16string u = Utf8ToUtf16(s);
          if (u.size() > 255)
            return Refuse("a string constant holds at most 255 characters, this one " + std::to_string(u.size()) +
                          at(item));
          out.Byte(0x17);
          out.Byte(static_cast<std::uint32_t>(u.size()));
          out.Byte(0x01);
          out.Wide(u);
        }
        break;
      }
      case TCodeOp::Bool:
        out.Byte(0x1D);
        out.Byte(item.Num() != 0 ? 1 : 0);
        break;
      case TCodeOp::Error:
        out.Byte(0x1C);
        out.Byte(static_cast<std::uint32_t>(item.Num()));
        break;
      case TCodeOp::Missing: out.Byte(0x16); break;
      case TCodeOp::Array:
        out.Byte(Classed(0x00, item.cls));
        out.Zeros(7);
        break;
      case TCodeOp::Ref:
        if (outside(item, item.row1, item.col1)) return xlsFail;
        out.Byte(Classed(0x04, item.cls));
        out.Word(rowWord(item.row1, r1, c1));
        if (biff5)
          out.Byte(static_cast<std::uint32_t>(item.col1));
        else
          out.Word(colWord(item.col1, r1, c1));
        break;
      case TCodeOp::Area:
        if (outside(item, item.row1, item.col1) || outside(item, item.row2, item.col2)) return xlsFail;
        out.Byte(Classed(0x05, item.cls));
        out.Word(rowWord(item.row1, r1, c1));
        out.Word(rowWord(item.row2, r2, c2));
        if (biff5) {
          out.Byte(static_cast<std::uint32_t>(item.col1));
          out.Byte(static_cast<std::uint32_t>(item.col2));
        } else {
          out.Word(colWord(item.col1, r1, c1));
          out.Word(colWord(item.col2, r2, c2));
        }
        break;
      case TCodeOp::Ref3d:
      case TCodeOp::Area3d: {
        const bool area = item.op == TCodeOp::Area3d;
        if (outside(item, item.row1, item.col1) || (area && outside(item, item.row2, item.col2))) return xlsFail;
        std::int32_t p1 = SheetPosition(code.texts[static_cast<std::size_t>(item.text)]);
        if (p1 < 1) return xlsFail;
        std::int32_t p2 = SheetPosition(code.texts[static_cast<std::size_t>(item.text) + 1]);
        if (p2 < 1) return xlsFail;
        if (p1 > p2) std::swap(p1, p2);
        out.Byte(Classed(area ? 0x1B : 0x1A, item.cls));
        if (biff5) {
          out.Word(static_cast<std::uint32_t>(0x10000 - p1));  // EXTERNSHEET entry of the first sheet
          out.Zeros(8);
          out.Word(static_cast<std::uint32_t>(p1 - 1));
          out.Word(static_cast<std::uint32_t>(p2 - 1));
          out.Word(rowWord(item.row1, r1, c1));
          if (area) out.Word(rowWord(item.row2, r2, c2));
          out.Byte(static_cast<std::uint32_t>(item.col1));
          if (area) out.Byte(static_cast<std::uint32_t>(item.col2));
        } else {
          std::int32_t index = -1;
          if (p1 == p2) {
            if (!ctx_.getSheetCount) return Refuse("no workbook to count the sheets of");
            index = ctx_.getSheetCount() - p1;
          } else {
            if (!ctx_.getSheetRangeRef) return Refuse("no workbook to hold a range of sheets");
            index = ctx_.getSheetRangeRef(p1, p2);
          }
          if (index < 0 || index > 0xFFFF) return Refuse("no reference entry for the sheets" + at(item));
          out.Word(static_cast<std::uint32_t>(index));
          out.Word(rowWord(item.row1, r1, c1));
          if (area) out.Word(rowWord(item.row2, r2, c2));
          out.Word(colWord(item.col1, r1, c1));
          if (area) out.Word(colWord(item.col2, r2, c2));
        }
        break;
      }
      case TCodeOp::Name: {
        const std::string& name = code.texts[static_cast<std::size_t>(item.text)];
        const std::string& sheet = code.texts[static_cast<std::size_t>(item.text) + 1];
        std::int32_t index = -1;
        if (ctx_.getNameIndex) {
          if (sheet.empty()) {
            index = ctx_.getNameIndex(name, ctx_.sheet, false);
          } else if (ctx_.getSheetIndex) {
            const std::int32_t p = ctx_.getSheetIndex(Utf8ToUtf16(sheet));
            if (p > 0) index = ctx_.getNameIndex(name, p, true);
          }
        }
        if (index < 1 || index > 0xFFFF)
          return Refuse("unknown name \"" + (sheet.empty() ? name : sheet + "!" + name) + "\"" + at(item));
        out.Byte(Classed(0x03, item.cls));
        out.Word(static_cast<std::uint32_t>(index));
        out.Zeros(biff5 ? 12 : 2);
        break;
      }
      case TCodeOp::Func:
        if (item.flags & kCodeFixedCount) {
          out.Byte(0x41);
        } else {
          out.Byte(0x42);
          out.Byte(item.argc);
        }
        out.Word(static_cast<std::uint32_t>(item.row1));
        break;
      default: {
        const std::uint8_t op = OperatorByte(item.op);
        if (op == 0) return Refuse("cannot encode the formula");
        out.Byte(op);
        break;
      }
    }
  }
  const std::size_t tokens = out.Size() - 2;
  // The values of the array constants follow the tokens, in the order of theirs.
  if (code.hasArrays) {
    for (const TCodeItem& item : code.items) {
      if (item.op != TCodeOp::Array) continue;
      // Columns and rows: less one in the Excel 97 form, as they are (256 columns
      // as 0) in the Excel 5 form.
      out.Byte(static_cast<std::uint32_t>(biff5 ? item.col1 : item.col1 - 1) & 0xFF);
      out.Word(static_cast<std::uint32_t>(biff5 ? item.row1 : item.row1 - 1));
      for (std::int32_t k = 0; k < item.row1 * item.col1; ++k) {
        const TCodeConst& c = code.consts[static_cast<std::size_t>(item.row2 + k)];
        switch (c.kind) {
          case TCodeOp::Number:
            out.Byte(0x01);
            out.Double(c.num);
            break;
          case TCodeOp::String: {
            const std::string& s = code.texts[static_cast<std::size_t>(c.text)];
            out.Byte(0x02);
            if (biff5) {
              const std::string b = IsAscii(s) ? s : Utf8ToCodePage(s, ctx_.codePage);
              if (b.size() > 255) return Refuse("a string in an array constant holds at most 255 characters" + at(item));
              out.Byte(static_cast<std::uint32_t>(b.size()));
              out.Bytes(b);
            } else {
              const std::u16string u = Utf8ToUtf16(s);
              if (u.size() > 255) return Refuse("a string in an array constant holds at most 255 characters" + at(item));
              out.Word(static_cast<std::uint32_t>(u.size()));
              out.Byte(0x01);
              out.Wide(u);
            }
            break;
          }
          default:
            out.Byte(c.kind == TCodeOp::Bool ? 0x04 : 0x10);
            out.Byte(static_cast<std::uint32_t>(c.num));
            out.Zeros(7);
            break;
        }
      }
    }
  }
  const std::size_t total = out.Size() - 2;
  if (total > static_cast<std::size_t>(MaxTokenBytes()))
    return Refuse("the formula is too long: its tokens take " + std::to_string(total) + " bytes, more than the " +
                  std::to_string(MaxTokenBytes()) + " a cell formula holds in the " +
                  (biff5 ? "Excel 5" : "Excel 97") + " format");
  bytes[0] = static_cast<std::uint8_t>(tokens & 0xFF);
  bytes[1] = static_cast<std::uint8_t>(tokens >> 8);
  return xlsOK;
}

}  // namespace tablirex
