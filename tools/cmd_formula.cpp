// tablirex formula: shows what a formula compiles to.
//
//   $ tablirex formula 'SUM(A1:B2;3)'
//   16 00 25 00 00 01 00 00 c0 01 c0 1f 00 00 00 00 00 00 08 40 42 02 04 00
//
// The bytes are those a FORMULA record carries after its fixed fields: the token
// length (16-bit little-endian) and the tokens. --biff5 encodes for Excel 5 files;
// --sheets names the sheets of the workbook, in order, for 3-D references;
// --tree prints the syntax tree first. One leading "=" is dropped, as a cell does.
// Sheet names match in any letter case. A range of sheets (First:Last!A1) gets a
// BIFF8 reference entry after the sheets' own, in order of first use, as a
// workbook's save adds them.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "command.h"
#include "formula/formula.h"
#include "tablirex/limits.h"
#include "text/text.h"

namespace tablirex::tool {
namespace {

std::vector<std::u16string> SplitSheets(const std::string& list) {
  std::vector<std::u16string> names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    names.push_back(Utf8ToUtf16(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) return names;
    start = comma + 1;
  }
}

int Formula(const std::vector<std::string>& args) {
  std::string text;
  bool haveText = false, biff5 = false, tree = false;
  std::vector<std::u16string> sheets;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--biff5") {
      biff5 = true;
    } else if (args[i] == "--tree") {
      tree = true;
    } else if (args[i] == "--sheets" && i + 1 < args.size()) {
      sheets = SplitSheets(args[++i]);
    } else if (!haveText) {
      text = args[i];
      haveText = true;
    } else {
      std::fprintf(stderr, "tablirex formula: unexpected argument '%s'\n", args[i].c_str());
      return 2;
    }
  }
  if (!haveText) {
    std::fprintf(stderr, "usage: tablirex formula TEXT [--biff5] [--sheets Name1,Name2,...] [--tree]\n");
    return 2;
  }
  // Positions in messages count a dropped "=".
  std::int32_t offset = 0;
  if (!text.empty() && text[0] == '=') {
    text.erase(0, 1);
    offset = 1;
  }

  TXLSFormulaContext ctx;
  ctx.getSheetIndex = [&sheets](std::u16string_view name) -> std::int32_t {
    for (std::size_t i = 0; i < sheets.size(); ++i)
      if (sheets[i] == name) return static_cast<std::int32_t>(i + 1);
    for (std::size_t i = 0; i < sheets.size(); ++i)
      if (EqualsIgnoringCase(sheets[i], name)) return static_cast<std::int32_t>(i + 1);
    return -1;
  };
  ctx.getSheetCount = [&sheets] { return static_cast<std::int32_t>(sheets.size()); };
  std::vector<std::pair<std::int32_t, std::int32_t>> ranges;
  ctx.getSheetRangeRef = [&sheets, &ranges](std::int32_t first, std::int32_t last) -> std::int32_t {
    const std::pair<std::int32_t, std::int32_t> r{first, last};
    std::size_t k = 0;
    while (k < ranges.size() && ranges[k] != r) ++k;
    if (k == ranges.size()) ranges.push_back(r);
    return static_cast<std::int32_t>(sheets.size() + k);
  };
  ctx.format = biff5 ? xlExcel5 : xlExcel97;
  TXLSFormula formula(std::move(ctx));

  if (formula.Compile(text, offset) != 1) {
    std::fprintf(stderr, "tablirex formula: %s\n", formula.Error().c_str());
    return 1;
  }
  if (tree) std::printf("%s\n", SyntaxToSExpr(*formula.Root()).c_str());

  std::vector<std::uint8_t> bytes;
  if (formula.GetData(bytes) != 1) {
    std::fprintf(stderr, "tablirex formula: cannot encode: %s\n", formula.Error().c_str());
    return 1;
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) std::printf(i ? " %02x" : "%02x", bytes[i]);
  std::printf("\n");
  return 0;
}

[[maybe_unused]] const bool registered = RegisterCommand(
    {"formula", "formula TEXT [--biff5] [--sheets A,B,...] [--tree]   show the compiled tokens of a formula",
     &Formula});

}  // namespace
}  // namespace tablirex::tool
