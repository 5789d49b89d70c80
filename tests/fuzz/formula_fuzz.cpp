// Feeds arbitrary text to the formula compiler and encodes whatever compiles in
// both forms, through every form of GetData. The compiler must never read or
// write outside its buffers, the forms must agree with GetDataSize, and whatever
// compiles must be a well-formed token stream: every token of a known size, the
// operand stack never short and one value at the end, every call given a count
// its function accepts, and no more bytes than a FORMULA record of the form holds.
// A refusal must say why. The fast compile road, where it takes the text, makes
// the code of the full road; and what compiles is worked out in a workbook
// (bounded: no crash, no hang).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "eval/engine.h"
#include "formula/formula.h"
#include "formula/formula_code.h"
#include "tablirex/names.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace {

using tablirex::TXLSBlob;
using tablirex::TXLSFormula;

void Check(bool ok) {
  if (!ok) std::abort();
}

TXLSFormula& Compiler() {
  // One compiler for the whole run, as a workbook keeps one: what one formula
  // leaves behind must not disturb the next.
  static TXLSFormula* f = [] {
    tablirex::TXLSFormulaContext ctx;
    ctx.getSheetIndex = [](std::u16string_view name) -> std::int32_t {
      if (name == u"Sheet1") return 1;
      if (name == u"Sheet2") return 2;
      if (name == u"My Sheet") return 3;
      return -1;
    };
    ctx.getSheetCount = [] { return 3; };
    ctx.getSheetRangeRef = [](std::int32_t first, std::int32_t last) { return 3 + first * 3 + last; };
    return new TXLSFormula(std::move(ctx));
  }();
  return *f;
}

// Argument counts by function number: fewest, most.
const std::map<std::int32_t, std::pair<std::int32_t, std::int32_t>>& Counts() {
  static const auto* counts = [] {
    auto* m = new std::map<std::int32_t, std::pair<std::int32_t, std::int32_t>>;
#define TXLS_FUNCTION(name, number, least, most, cls) (*m)[number] = {least, most};
#include "formula/function_table.def"
#undef TXLS_FUNCTION
    return m;
  }();
  return *counts;
}

// Walks the tokens (after the length word) as a reader would and checks the
// invariants above.
// Returns the number of array constants, whose values follow the tokens.
std::size_t CheckTokens(const std::uint8_t* p, std::size_t n, bool biff5) {
  std::size_t i = 0, arrays = 0;
  std::int32_t depth = 0;
  const auto need = [&](std::size_t k) { Check(i + k <= n); };
  while (i < n) {
    const std::uint8_t t = p[i++];
    switch (t) {
      case 0x03: case 0x04: case 0x05: case 0x06: case 0x07: case 0x08: case 0x09:
      case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x0E: case 0x0F: case 0x10:  // binary operators
        Check(depth >= 2);
        --depth;
        break;
      case 0x12: case 0x13: case 0x14: case 0x15:  // signs, percent, parenthesis
        Check(depth >= 1);
        break;
      case 0x16:  // missing argument
        ++depth;
        break;
      case 0x20: case 0x40: case 0x60:  // array constant: its values come after the tokens
        need(7);
        i += 7;
        ++arrays;
        ++depth;
        break;
      case 0x17: {  // string
        need(1);
        const std::size_t len = p[i++];
        if (!biff5) {
          need(1);
          Check(p[i++] == 0x01);
        }
        need(biff5 ? len : 2 * len);
        i += biff5 ? len : 2 * len;
        ++depth;
        break;
      }
      case 0x1C:  // error constant
      case 0x1D:  // logical constant
        need(1);
        Check(t == 0x1C || p[i] <= 1);
        ++i;
        ++depth;
        break;
      case 0x1F:  // number
        need(8);
        i += 8;
        ++depth;
        break;
      case 0x41: {  // fixed-count call
        need(2);
        const std::int32_t fn = p[i] | p[i + 1] << 8;
        i += 2;
        const auto it = Counts().find(fn);
        Check(it != Counts().end() && it->second.first == it->second.second);
        Check(depth >= it->second.first);
        depth = depth - it->second.first + 1;
        break;
      }
      case 0x42: {  // variable-count call
        need(3);
        const std::int32_t argc = p[i];
        const std::int32_t fn = p[i + 1] | p[i + 2] << 8;
        i += 3;
        const auto it = Counts().find(fn);
        Check(it != Counts().end() && it->second.first < it->second.second);
        Check(argc >= it->second.first && argc <= it->second.second && depth >= argc);
        depth = depth - argc + 1;
        break;
      }
      default: {
        // References in any class: cell, area, 3-D cell, 3-D area.
        const std::uint8_t base = static_cast<std::uint8_t>(t & 0x1F);
        Check(t >= 0x20 && t < 0x80);
        std::size_t size = 0;
        if (base == 0x04) size = biff5 ? 3 : 4;
        else if (base == 0x05) size = biff5 ? 6 : 8;
        else if (base == 0x1A) size = biff5 ? 17 : 6;
        else if (base == 0x1B) size = biff5 ? 20 : 10;
        Check(size > 0);
        need(size);
        if (biff5 && (base == 0x1A || base == 0x1B)) {
          // First sheet not after the last.
          Check((p[i + 10] | p[i + 11] << 8) <= (p[i + 12] | p[i + 13] << 8));
        }
        i += size;
        ++depth;
        break;
      }
    }
  }
  Check(i == n && depth == 1);
  return arrays;
}

// The values of the array constants after the tokens: exactly what is there.
void CheckArrays(const std::uint8_t* p, std::size_t n, std::size_t arrays, bool biff5) {
  std::size_t i = 0;
  const auto need = [&](std::size_t k) { Check(i + k <= n); };
  for (std::size_t a = 0; a < arrays; ++a) {
    need(3);
    const std::size_t cols = biff5 ? (p[i] ? p[i] : 256) : p[i] + 1u;
    const std::size_t rows = biff5 ? static_cast<std::size_t>(p[i + 1] | p[i + 2] << 8)
                                   : static_cast<std::size_t>(p[i + 1] | p[i + 2] << 8) + 1;
    Check(rows >= 1);
    i += 3;
    for (std::size_t k = 0; k < rows * cols; ++k) {
      need(1);
      const std::uint8_t type = p[i++];
      if (type == 0x02) {
        need(biff5 ? 1 : 3);
        const std::size_t len = biff5 ? p[i] : static_cast<std::size_t>(p[i] | p[i + 1] << 8);
        if (!biff5) Check(p[i + 2] == 0x01);
        i += biff5 ? 1 : 3;
        need(biff5 ? len : 2 * len);
        i += biff5 ? len : 2 * len;
      } else {
        Check(type == 0x01 || type == 0x04 || type == 0x10);
        need(8);
        i += 8;
      }
    }
  }
  Check(i == n);
}

// A workbook to work formulas out in: three sheets, a few values, a name.
tablirex::TXLSWorkbook& Book() {
  static tablirex::TXLSWorkbook* book = [] {
    auto* b = new tablirex::TXLSWorkbook();
    b->_AddRef();  // kept for the whole run
    for (const char* name : {"Sheet1", "Sheet2", "My Sheet"}) b->GetWorksheets()->Add()->SetWorkSheetName(name);
    tablirex::IXLSWorksheet* s = b->GetWorksheets()->Get(2);
    for (int r = 1; r <= 5; ++r) s->Range("A" + std::to_string(r))->SetValue(tablirex::TVariant(r * 1.5));
    s->Range("B1")->SetValue(tablirex::TVariant(std::string("text")));
    s->Range("B2")->SetValue(tablirex::TVariant(true));
    s->Range("C1")->SetValue(tablirex::TVariant(std::string("=A1*2")));
    b->GetNames()->Add("Rate", "=Sheet2!$A$2");
    return b;
  }();
  return *book;
}

// Works the formula out as cell D4 of the first sheet (and C2, which it may name).
void Evaluate(std::string_view text) {
  tablirex::TXLSWorkbook& book = Book();
  tablirex::IXLSWorksheet* s = book.GetWorksheets()->Get(1);
  const std::string f = "=" + std::string(text);
  s->Range("D4")->SetValue(tablirex::TVariant(f));
  s->Range("C2")->SetValue(tablirex::TVariant(f));
  book.BeginDisplayEvaluation();
  {
    const tablirex::eval::TFormulaResult* r = book.Evaluation()->Result(0, 3, 3);
    if (r) {
      const tablirex::eval::TValueKind k = r->value.Kind();
      Check(k == tablirex::eval::TValueKind::Number || k == tablirex::eval::TValueKind::Text ||
            k == tablirex::eval::TValueKind::Boolean || k == tablirex::eval::TValueKind::Error);
      Check(r->trusted || r->recalc);
    }
  }
  book.EndEvaluation();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TXLSFormula& f = Compiler();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (f.Compile(text) != 1) {
    Check(f.Root() == nullptr && f.GetDataSize() == -1 && !f.Error().empty());
    return 0;
  }
  for (const std::int32_t format : {1, 2}) {
    f.SetFormat(format);
    f.SetCodePage(format == 1 ? 1251 : 1252);
    const std::int32_t n = f.GetDataSize();
    Check(n == -1 || (n > 0 && n <= f.MaxTokenBytes()));
    Check(n > 0 || !f.Error().empty());

    std::vector<std::uint8_t> bytes;
    const std::int32_t r = f.GetData(bytes);
    Check(r == 1 || r == -1);
    Check(r == 1 ? bytes.size() >= static_cast<std::size_t>(n) + 2 : bytes.empty());
    Check(r == 1 || !f.Error().empty());
    const std::int32_t extra = f.GetExtraSize();
    if (r == 1) {
      Check((bytes[0] | bytes[1] << 8) == n);
      Check(bytes.size() == static_cast<std::size_t>(n) + 2 + static_cast<std::size_t>(extra));
      const std::size_t arrays = CheckTokens(bytes.data() + 2, static_cast<std::size_t>(n), format == 1);
      CheckArrays(bytes.data() + 2 + n, static_cast<std::size_t>(extra), arrays, format == 1);
    }

    std::unique_ptr<TXLSBlob> blob;
    Check(f.GetData(blob) == r && (blob != nullptr) == (r == 1));

    if (n > 0) {
      // Exactly enough room after some fixed fields, then one byte too little.
      TXLSBlob exact(6 + static_cast<std::uint32_t>(n) + 2 + static_cast<std::uint32_t>(extra));
      exact.AddLong(0);
      exact.AddWord(0);
      Check(f.GetData(exact) == r);
      Check(exact.GetDataSize() == (r == 1 ? exact.GetBuffSize() : 6u));
      TXLSBlob tight(6 + static_cast<std::uint32_t>(n) + 1 + static_cast<std::uint32_t>(extra));
      tight.AddLong(0);
      tight.AddWord(0);
      Check(f.GetData(tight) == -1 && tight.GetDataSize() == 6u);
    }
  }
  // The fast road agrees with the full one wherever it goes.
  tablirex::TFormulaCode quick, slow;
  if (tablirex::QuickFormulaCode(text, f.Functions(), 2, 0, quick)) {
    Check(f.MakeCode(slow) && quick.items.size() == slow.items.size());
    for (std::size_t k = 0; k < quick.items.size(); ++k) {
      const tablirex::TCodeItem &a = quick.items[k], &b = slow.items[k];
      Check(a.op == b.op && a.cls == b.cls && a.flags == b.flags && a.argc == b.argc && a.row1 == b.row1 &&
            a.col1 == b.col1 && a.row2 == b.row2 && a.col2 == b.col2 && a.pos == b.pos);
    }
  }
  if (size <= 256) Evaluate(text);
  return 0;
}
