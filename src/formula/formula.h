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

struct TFormulaCode;

/// From a sheet name, compared exactly, to its 1-based position in the workbook,
/// or -1 when no sheet has that name. The workbook binds its GetSheetIndexByName.
using TGetSheetIndex = std::function<std::int32_t(std::u16string_view name)>;
/// The number of sheets in the workbook at the time of the call.
using TGetSheetCount = std::function<std::int32_t()>;
/// The BIFF8 reference index (an EXTERNSHEET entry) covering the sheets first to
/// last (1-based, first < last), or -1 when there is none. The workbook adds such
/// an entry for each range of sheets its formulas name while it saves.
using TGetSheetRangeRef = std::function<std::int32_t(std::int32_t first, std::int32_t last)>;
/// The one-based index of the NAME record a formula on the sheet at 1-based
/// position `sheet` (0: no sheet) means by `name`: the sheet's own name first,
/// then the workbook's; with localOnly the sheet's only. -1 when there is none.
using TGetNameIndex = std::function<std::int32_t(std::string_view name, std::int32_t sheet, bool localOnly)>;

/// What the compiler needs to know of its workbook. It never sees the workbook
/// itself.
struct TXLSFormulaContext {
  /// Resolves the sheet names of 3-D references; without it they fail.
  TGetSheetIndex getSheetIndex;
  /// Sheet count, for the BIFF8 EXTERNSHEET reference index; without it BIFF8 3-D
  /// references fail.
  TGetSheetCount getSheetCount;
  /// Reference entries of ranges of sheets (First:Last!A1), BIFF8 only; without it
  /// such references fail in that form.
  TGetSheetRangeRef getSheetRangeRef;
  /// 1 for the BIFF5 form, any other value for the BIFF8 form (0: never saved).
  std::int32_t format = 0;
  /// Code page of BIFF5 string constants.
  std::uint16_t codePage = 1252;
  /// Resolves defined names; without it a bare word is no name.
  TGetNameIndex getNameIndex;
  /// 1-based position of the sheet the formula belongs to (0: none), whose own
  /// names come first.
  std::int32_t sheet = 0;
  /// References without a sheet are written as 3-D references to `sheet`, as
  /// the formulas of names need them; with no sheet they are refused.
  bool qualifyReferences = false;
  /// Token class of a reference at the top of the formula: 2 array (cells),
  /// 0 reference (names, lists), 1 value.
  std::int32_t topClass = 2;
  /// Zero-based cell that relative references of this sheet are written
  /// relative to (as offsets, the form validations and conditional formats
  /// need); -1: they are written as the cells they name.
  std::int32_t baseRow = -1;
  std::int32_t baseCol = -1;
};

/// Compiles formula text (UTF-8, without the leading "=") into tokens in reverse
/// Polish order, and encodes them in the form selected before GetData.
///
/// Use: Compile(text), then GetData(...). Compile checks the syntax; GetDataSize
/// checks everything else but the sheet names (functions and their argument
/// counts, cell addresses, numbers, string lengths, the length the format allows),
/// and GetData also resolves the sheet names of 3-D references. Check runs the
/// first two, so a formula can be judged before the sheets it names exist. Every
/// operation returns xlsOK or xlsFail; after a failure Error() says what is wrong
/// and, where it can, at which position of the text (1-based).
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
  /// The context of the next compilations: the formula's sheet (1-based, 0 none),
  /// references qualified with it, and the class of a reference at the top.
  void SetSheet(std::int32_t sheet) noexcept { ctx_.sheet = sheet; }
  std::int32_t GetSheet() const noexcept { return ctx_.sheet; }
  void SetQualifyReferences(bool on) noexcept { ctx_.qualifyReferences = on; }
  bool GetQualifyReferences() const noexcept { return ctx_.qualifyReferences; }
  void SetTopClass(std::int32_t cls) noexcept { ctx_.topClass = cls; }
  std::int32_t GetTopClass() const noexcept { return ctx_.topClass; }
  /// The cell relative references are written relative to; -1, -1 for none.
  void SetRelativeBase(std::int32_t row, std::int32_t col) noexcept {
    ctx_.baseRow = row;
    ctx_.baseCol = col;
  }
  std::int32_t GetBaseRow() const noexcept { return ctx_.baseRow; }
  std::int32_t GetBaseCol() const noexcept { return ctx_.baseCol; }
  /// The NAME record index a reference item of the tree names (a defined name,
  /// Sheet1!Name for a sheet's own), or 0 when it names no defined name.
  std::int32_t NameIndexOf(const TXLSSyntaxItem& item) const;

  /// Lexes and parses text, replacing whatever an earlier call compiled. xlsFail
  /// for a character that starts no token, an unclosed string or quoted sheet name,
  /// or text that is not one expression; nothing stays compiled then.
  /// Positions in messages are counted from 1 + offset (1 counts a cell's "=").
  std::int32_t Compile(std::string_view text, std::int32_t offset = 0);
  /// Compile, then GetDataSize in the given form (1 BIFF5, 2 BIFF8): everything
  /// but the sheet names of 3-D references. The compiled tree stays for GetData.
  std::int32_t Check(std::string_view text, std::int32_t format, std::int32_t offset = 0);
  /// Why the last Compile, Check, GetDataSize or GetData failed; empty when the
  /// last of them succeeded.
  const std::string& Error() const noexcept { return error_; }
  /// The tree of the last successful Compile, nullptr otherwise.
  const TXLSSyntaxItem* Root() const noexcept { return syntax_.Root(); }
  /// The tokens of the last Compile (for the tool and tests).
  const TXLSTokens& Tokens() const noexcept { return lexer_.Tokens(); }

  /// Number of token bytes (without the 2-byte length) the compiled formula takes
  /// in the current form, or xlsFail when nothing is compiled, a function is
  /// unknown or given too few or too many arguments, a cell address is malformed
  /// or outside the sheet, a number is out of range, a string constant is longer
  /// than 255 characters, or the tokens pass what a FORMULA record of the form
  /// holds (MaxTokenBytes). Sheet names are not looked up here.
  std::int32_t GetDataSize() const;
  /// The same for one subtree, without the length limit; a subtree of 65536
  /// bytes or more counts as 65536.
  std::int32_t GetDataSize(const TXLSSyntaxItem* item) const;
  /// Bytes the values of the compiled formula's array constants take after its
  /// tokens in the current form (0 without array constants).
  std::int32_t GetExtraSize() const;
  /// Appends those values.
  std::int32_t GetExtraData(TXLSBlob& blob) const;
  /// Most token bytes a cell formula holds in the current form: a FORMULA record
  /// may not be continued, so its record limit bounds the tokens.
  std::int32_t MaxTokenBytes() const noexcept;

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
  /// A range of sheets given last to first is written first to last.
  std::int32_t GetRange3DData(std::string_view text, std::int32_t kind, std::int32_t cls,
                              TXLSBlob& blob) const;
  std::int32_t GetFuncData(const TXLSSyntaxItem* item, TXLSBlob& blob) const;
  /// A defined name's token: its NAME record index in the class asked for.
  std::int32_t GetNameData(std::int32_t index, TXLSBlob& blob, std::int32_t cls) const;

  /// 1 cell, 2 3-D cell, 3 area, 4 3-D area; decided by the last "!" and ":".
  static std::int32_t GetRangeType(std::string_view text) noexcept;
  /// Converts one cell address ($A$1, a1, IV65536) into the row and column words as
  /// the current form writes them: zero-based, with bit 15 set for a relative row
  /// and bit 14 for a relative column, both in the column word (BIFF8) or both in
  /// the row word (BIFF5; the column is then below 256). Columns A to IV; rows 1 to
  /// 65536 in BIFF8 and 1 to 16384 in BIFF5.
  std::int32_t CellToRowCol(std::string_view text, std::uint16_t& row, std::uint16_t& column) const;

  /// The code of the last successful Compile (see formula_code.h): false, with
  /// Error() set, when it cannot be made.
  bool MakeCode(TFormulaCode& code) const;
  /// Writes code in the current form: the length word, the tokens and the values
  /// of its array constants, resolving its sheets and names now. xlsFail, with
  /// Error() set, for a sheet or name that is gone or a form's limit passed.
  std::int32_t EncodeCode(const TFormulaCode& code, std::vector<std::uint8_t>& bytes) const;

  /// Fills the function table from function_table.def.
  void InitFuncHash();
  const THashFunc& Functions() const noexcept { return funcs_; }

 private:
  std::int32_t SheetPosition(std::string_view name) const;
  /// The 3-D token of cells on the sheets at positions p1 to p2 (1-based).
  std::int32_t EncodeRange3D(std::int32_t p1, std::int32_t p2, std::string_view sheets, std::string_view cells,
                             std::int32_t kind, std::int32_t cls, TXLSBlob& blob) const;
  std::int32_t CheckReference(const TXLSSyntaxItem& item) const;
  std::int32_t CheckCell(std::string_view cell, const TXLSSyntaxItem& item) const;
  /// Keeps the first message of a failing operation; returns xlsFail.
  std::int32_t Refuse(std::string message) const;

  TXLSFormulaContext ctx_;
  mutable std::string error_;
  TXLSLexer lexer_;
  TXLSSyntax syntax_;
  THashFunc funcs_;
};

}  // namespace tablirex
