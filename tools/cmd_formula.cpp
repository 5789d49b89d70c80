// tablirex formula: shows what a formula compiles to.
//
//   $ tablirex formula 'SUM(A1:B2;3)'
//   16 00 25 00 00 01 00 00 c0 01 c0 1f 00 00 00 00 00 00 08 40 42 02 04 00
//
// The bytes are those a FORMULA record carries after its fixed fields: the token
// length (16-bit little-endian) and the tokens. --biff5 encodes for Excel 5 files;
// --sheets names the sheets of the workbook, in order, for 3-D references;
// --tree prints the syntax tree first. One leading "=" is dropped, as a cell does.
#include <cstdio>
#include <string>
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

// Why the tree cannot be encoded: the first item, in token order, that fails.
std::string Explain(const TXLSFormula& f, const TXLSSyntaxItem& item) {
  for (std::int32_t i = 1; i <= item.Count(); ++i) {
    std::string why = Explain(f, *item.GetChild(i));
    if (!why.empty()) return why;
  }
  switch (item.Kind()) {
    case TXLSItemKind::Function: {
      const THashFuncEntry* e = f.Functions().GetValue(item.Text());
      if (e == nullptr) return "unknown function " + item.Text();
      if (e->argCount >= 0 && e->argCount != item.Count())
        return item.Text() + " takes " + std::to_string(e->argCount) + " argument(s), not " +
               std::to_string(item.Count());
      if (e->argCount < 0 && item.Count() > 255) return item.Text() + " is given more than 255 arguments";
      break;
    }
    case TXLSItemKind::String:
      if (f.GetDataSize(&item) < 0) return "a string constant is longer than 255 characters";
      break;
    case TXLSItemKind::Reference: {
      TXLSBlob scratch(32);
      if (f.GetItemData(&item, scratch, 2) != 1)
        return "cannot encode the reference " + item.Text() +
               " (not a cell address, out of the sheet, or an unknown sheet)";
      break;
    }
    case TXLSItemKind::Number: {
      TXLSBlob scratch(16);
      if (f.GetNumberData(item.Text(), scratch) != 1) return "the number " + item.Text() + " is out of range";
      break;
    }
    default:
      break;
  }
  return {};
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
  if (!text.empty() && text[0] == '=') text.erase(0, 1);

  TXLSFormulaContext ctx;
  ctx.getSheetIndex = [&sheets](std::u16string_view name) -> std::int32_t {
    for (std::size_t i = 0; i < sheets.size(); ++i)
      if (sheets[i] == name) return static_cast<std::int32_t>(i + 1);
    return -1;
  };
  ctx.getSheetCount = [&sheets] { return static_cast<std::int32_t>(sheets.size()); };
  ctx.format = biff5 ? xlExcel5 : xlExcel97;
  TXLSFormula formula(std::move(ctx));

  if (formula.Compile(text) != 1) {
    TXLSLexer lexer;
    lexer.SetSource(text);
    const bool lexes = lexer.Analyse() == 1;
    std::fprintf(stderr, "tablirex formula: %s\n",
                 lexes ? "not one expression (a missing operand or \")\", or tokens left over)"
                       : "unexpected character, or an unclosed string or quoted sheet name");
    return 1;
  }
  if (tree) std::printf("%s\n", SyntaxToSExpr(*formula.Root()).c_str());

  std::vector<std::uint8_t> bytes;
  if (formula.GetData(bytes) != 1) {
    std::string why = Explain(formula, *formula.Root());
    if (why.empty()) why = "the tokens pass 65535 bytes";
    std::fprintf(stderr, "tablirex formula: cannot encode: %s\n", why.c_str());
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
