// Feeds arbitrary text to the formula compiler and encodes whatever compiles in
// both forms, through every form of GetData. The compiler must never read or
// write outside its buffers, and the forms must agree with GetDataSize.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "formula/formula.h"

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
    return new TXLSFormula(std::move(ctx));
  }();
  return *f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TXLSFormula& f = Compiler();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (f.Compile(text) != 1) {
    Check(f.Root() == nullptr && f.GetDataSize() == -1);
    return 0;
  }
  for (const std::int32_t format : {1, 2}) {
    f.SetFormat(format);
    f.SetCodePage(format == 1 ? 1251 : 1252);
    const std::int32_t n = f.GetDataSize();
    Check(n == -1 || (n > 0 && n <= 0xFFFF));

    std::vector<std::uint8_t> bytes;
    const std::int32_t r = f.GetData(bytes);
    Check(r == 1 || r == -1);
    Check(r == 1 ? bytes.size() == static_cast<std::size_t>(n) + 2 : bytes.empty());
    if (r == 1) Check((bytes[0] | bytes[1] << 8) == n);

    std::unique_ptr<TXLSBlob> blob;
    Check(f.GetData(blob) == r && (blob != nullptr) == (r == 1));

    if (n > 0) {
      // Exactly enough room after some fixed fields, then one byte too little.
      TXLSBlob exact(6 + static_cast<std::uint32_t>(n) + 2);
      exact.AddLong(0);
      exact.AddWord(0);
      Check(f.GetData(exact) == r);
      Check(exact.GetDataSize() == (r == 1 ? exact.GetBuffSize() : 6u));
      TXLSBlob tight(6 + static_cast<std::uint32_t>(n) + 1);
      tight.AddLong(0);
      tight.AddWord(0);
      Check(f.GetData(tight) == -1 && tight.GetDataSize() == 6u);
    }
  }
  return 0;
}
