// The formula compiler of a workbook: formula text to the parsed-expression bytes
// that a FORMULA record carries, in the BIFF8 or the BIFF5 form.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "biff/blob.h"
#include "formula/function_table.h"
#include "formula/lexer.h"
#include "formula/parser.h"

namespace tablirex {

/// From a sheet name, compared exactly, to its 1-based position in the workbook,
/// or -1 when no sheet has that name. The workbook binds its GetSheetIndexByName.
using TGetSheetIndex = std::function<std::int32_t(std::u16string_view name)>;
/// The number of sheets in the workbook at the time of the call.
using TGetSheetCount = std::function<std::int32_t()>;

/// What the compiler needs to know of its workbook. It never sees the workbook
/// itself.
struct TXLSFormulaContext {
  /// Resolves the sheet names of 3-D references; without it they fail.
  TGetSheetIndex getSheetIndex;
  /// Sheet count, for the BIFF8 EXTERNSHEET reference index; without it BIFF8 3-D
  /// references fail.
  TGetSheetCount getSheetCount;
  /// 1 for the BIFF5 form, any other value for the BIFF8 form (0: never saved).
  std::int32_t format = 0;
  /// Code page of BIFF5 string constants.
  std::uint16_t codePage = 1252;
};

/// Compiles formula text (UTF-8, without the leading "=") into tokens in reverse
/// Polish order, and encodes them in the form selected before GetData.
///
/// Use: Compile(text), then GetData(...). Compile only checks the syntax; names of
/// functions and their argument counts, cell addresses and sheet names are checked
/// when the tokens are encoded, so GetData and GetDataSize can fail after a
/// successful Compile. Every operation returns xlsOK or xlsFail.
///
/// The encoded data is a 16-bit little-endian token length followed by the tokens.
/// References carry token class "array" at the top of the formula and as operands
/// of operators; a function's arguments carry the class of its table entry.
class TXLSFormula {
 public:
  TXLSFormula();
  explicit TXLSFormula(TXLSFormulaContext context);
  TXLSFormula(const TXLSFormula&) = delete;
  TXLSFormula& operator=(const TXLSFormula&) = delete;

  void SetContext(TXLSFormulaContext context);
  void SetSheetIndexCallback(TGetSheetIndex callback) { ctx_.getSheetIndex = std::move(callback); }
  void SetSheetCountCallback(TGetSheetCount callback) { ctx_.getSheetCount = std::move(callback); }
  /// 1 selects the BIFF5 form, any other value the BIFF8 form. Set before GetData;
  /// the compiled tree does not depend on it.
  void SetFormat(std::int32_t format) noexcept { ctx_.format = format; }
  std::int32_t GetFormat() const noexcept { return ctx_.format; }
  bool IsBiff5() const noexcept { return ctx_.format == 1; }
  void SetCodePage(std::uint16_t codePage) noexcept { ctx_.codePage = codePage; }
  std::uint16_t GetCodePage() const noexcept { return ctx_.codePage; }

  /// Lexes and parses text, replacing whatever an earlier call compiled. xlsFail
  /// for a character that starts no token, an unclosed string or quoted sheet name,
  /// or text that is not one expression; nothing stays compiled then.
  std::int32_t Compile(std::string_view text);
  /// The tree of the last successful Compile, nullptr otherwise.
  const TXLSSyntaxItem* Root() const noexcept { return syntax_.Root(); }
  /// The tokens of the last Compile (for the tool and tests).
  const TXLSTokens& Tokens() const noexcept { return lexer_.Tokens(); }

  /// Number of token bytes (without the 2-byte length) the compiled formula takes
  /// in the current form, or xlsFail when nothing is compiled, a function is
  /// unknown or called with the wrong number of arguments, a string constant is
  /// longer than 255 characters, a call has more than 255 arguments, or the tokens
  /// would pass 65535 bytes. Cell addresses and sheet names are not checked here.
  std::int32_t GetDataSize() const;
  /// The same for one subtree.
  std::int32_t GetDataSize(const TXLSSyntaxItem* item) const;

  /// Encodes the compiled formula into a new blob of exactly GetDataSize() + 2
  /// bytes, which the caller owns. On failure blob is left null.
  std::int32_t GetData(std::unique_ptr<TXLSBlob>& blob) const;
  /// Appends the length word and the tokens at blob's write position. Fails,
  /// leaving the write position where it was, when the blob lacks room for
  /// GetDataSize() + 2 more bytes or the formula cannot be encoded.
  std::int32_t GetData(TXLSBlob& blob) const;
  /// Replaces bytes with the length word and the tokens; empties it on failure.
  std::int32_t GetData(std::vector<std::uint8_t>& bytes) const;

  // ---- the encoder, one operation per kind of item --------------------------
  // Each appends to blob, which must have room for what GetDataSize counted; a
  // write that would pass the blob's capacity fails instead.

  /// Appends the tokens of a subtree; cls is the token class for a reference at
  /// its top (0 reference, 1 value, 2 array).
  std::int32_t GetItemData(const TXLSSyntaxItem* item, TXLSBlob& blob, std::int32_t cls) const;
  std::int32_t GetNumberData(std::string_view text, TXLSBlob& blob) const;
  std::int32_t GetStringData(std::string_view text, TXLSBlob& blob) const;
  /// A cell (A1) or area (A1:B2) reference on the formula's own sheet.
  std::int32_t GetRangeData(std::string_view text, TXLSBlob& blob, std::int32_t cls) const;
  /// A 3-D cell (kind 2) or area (kind 4) reference: Sheet!A1, First:Last!A1:B2.
  std::int32_t GetRange3DData(std::string_view text, std::int32_t kind, std::int32_t cls,
                              TXLSBlob& blob) const;
  std::int32_t GetFuncData(const TXLSSyntaxItem* item, TXLSBlob& blob) const;

  /// 1 cell, 2 3-D cell, 3 area, 4 3-D area; decided by "!" and ":" alone.
  static std::int32_t GetRangeType(std::string_view text) noexcept;
  /// Converts one cell address ($A$1, a1, IV65536) into the row and column words as
  /// the current form writes them: zero-based, with bit 15 set for a relative row
  /// and bit 14 for a relative column, both in the column word (BIFF8) or both in
  /// the row word (BIFF5; the column is then below 256). Columns A to IV; rows 1 to
  /// 65536 in BIFF8 and 1 to 16384 in BIFF5.
  std::int32_t CellToRowCol(std::string_view text, std::uint16_t& row, std::uint16_t& column) const;

  /// Fills the function table from function_table.def.
  void InitFuncHash();
  const THashFunc& Functions() const noexcept { return funcs_; }

 private:
  std::int32_t SheetPosition(std::string_view name) const;

  TXLSFormulaContext ctx_;
  TXLSLexer lexer_;
  TXLSSyntax syntax_;
  THashFunc funcs_;
};

}  // namespace tablirex
