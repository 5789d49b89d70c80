// Formulas as the package stores them: the text without its "=", arguments
// separated by ",", sheet names spelt as the sheets are named and quoted where
// the name could be read as something else.
#pragma once

#include <string>
#include <string_view>

namespace tablirex {
class TXLSWorkbook;
}

namespace tablirex::xlsx {

/// Appends the stored form of a formula's text (as a cell or name holds it,
/// without "=") to out, escaped for XML. False, with error set, when the text
/// does not lex or names a sheet the workbook lacks.
bool AppendFormula(TXLSWorkbook& book, std::string_view text, std::string& out, std::string& error);

/// The longest formula the spreadsheet application reads from a package, in
/// characters of its stored text (without "=").
inline constexpr std::size_t kMaxFormulaChars = 8192;

/// True when a stored formula text (escaped for XML, as AppendFormula wrote it)
/// is at most kMaxFormulaChars characters; otherwise false with error set.
bool FormulaFits(std::string_view stored, std::string& error);

/// A formula's text for a message: quoted with its "=", the first 60 bytes of
/// a longer one followed by "..." (a character is never split).
std::string FormulaForMessage(std::string_view text);

/// True when a formula's text that compiles is already its stored form: capital
/// letters, digits, "$", ":", ".", "_", parentheses, "," and the operators that
/// need no escaping, without spaces, strings, sheets or error constants.
bool IsStoredFormulaForm(std::string_view text) noexcept;

/// A sheet name as a reference spells it: as it is, or in single quotes (inner
/// quotes doubled) when it holds anything but letters, digits, "_" and ".",
/// begins with a digit, or reads as a cell reference or a boolean.
std::string QuotedSheetName(std::string_view utf8);

}  // namespace tablirex::xlsx
