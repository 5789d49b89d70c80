#include "formula/formula_use.h"

#include "formula/formula.h"
#include "tablirex/limits.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"

namespace tablirex {
namespace {

bool HasSheet(const TXLSSyntaxItem& item) { return item.Text().find('!') != std::string::npos; }
bool IsArea(const TXLSSyntaxItem& item) { return TXLSFormula::GetRangeType(item.Text()) >= 3; }

}  // namespace

std::string_view WithoutEquals(std::string_view text) noexcept {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '=') text.remove_prefix(1);
  return text;
}

TXLSFormulaUse::TXLSFormulaUse(TXLSWorkbook& workbook, Kind kind, std::int32_t sheet, std::int32_t baseRow,
                               std::int32_t baseCol)
    : workbook_(workbook), formula_(workbook.InitFormula()), kind_(kind) {
  savedSheet_ = formula_.GetSheet();
  savedQualify_ = formula_.GetQualifyReferences();
  savedClass_ = formula_.GetTopClass();
  savedRow_ = formula_.GetBaseRow();
  savedCol_ = formula_.GetBaseCol();
  formula_.SetRelativeBase(kind == Kind::Name ? -1 : baseRow, kind == Kind::Name ? -1 : baseCol);
  formula_.SetSheet(sheet);
  formula_.SetQualifyReferences(kind == Kind::Name);
  // Names and lists stand for cells; the bounds and conditions are values.
  formula_.SetTopClass(kind == Kind::Name || kind == Kind::ValidationList ? 0 : 1);
}

TXLSFormulaUse::~TXLSFormulaUse() {
  formula_.SetSheet(savedSheet_);
  formula_.SetQualifyReferences(savedQualify_);
  formula_.SetTopClass(savedClass_);
  formula_.SetRelativeBase(savedRow_, savedCol_);
}

std::int32_t TXLSFormulaUse::Fail(std::string_view text, std::string_view where, const std::string& what) {
  std::string message(where);
  message += ": formula \"=";
  message.append(text.substr(0, 60));
  if (text.size() > 60) message += "...";
  message += "\": ";
  message += what;
  return workbook_.Refuse(std::move(message));
}

std::string TXLSFormulaUse::Restriction() const {
  const TXLSSyntaxItem* root = formula_.Root();
  if (!root) return {};
  if (kind_ == Kind::Name) {
    // A NAME record carries tokens only.
    std::vector<const TXLSSyntaxItem*> stack{root};
    while (!stack.empty()) {
      const TXLSSyntaxItem* item = stack.back();
      stack.pop_back();
      if (item->Kind() == TXLSItemKind::Array) return "a name cannot hold an array constant";
      for (std::int32_t i = 1; i <= item->Count(); ++i) stack.push_back(item->GetChild(i));
    }
    return {};
  }
  const bool list = kind_ == Kind::ValidationList;
  const char* what = kind_ == Kind::Condition ? "a conditional format" : "a validation";
  if (list) {
    // The cells of the list, by reference, name or a function that gives cells.
    const bool cells = (root->Kind() == TXLSItemKind::Reference) || root->Kind() == TXLSItemKind::Function;
    if (!cells)
      return "a list names its cells (=$A$1:$A$5, =Lists!A1:A9, a name) or gives its entries without \"=\" "
             "(Yes,No)";
    if (root->Kind() == TXLSItemKind::Reference && HasSheet(*root) && formula_.NameIndexOf(*root) == 0 &&
        !IsArea(*root))
      return "a list on another sheet is named as an area: write " + root->Text() + ":" +
             root->Text().substr(root->Text().rfind('!') + 1);
  } else if (root->Kind() == TXLSItemKind::Reference && IsArea(*root) && formula_.NameIndexOf(*root) == 0) {
    return std::string(what) + " compares with one value, not the area " + root->Text();
  }
  // Everywhere below the top (and at the top but for a list): no other sheet, no union.
  std::vector<const TXLSSyntaxItem*> stack{root};
  while (!stack.empty()) {
    const TXLSSyntaxItem* item = stack.back();
    stack.pop_back();
    if (item->Kind() == TXLSItemKind::Union) return std::string(what) + " cannot hold a union of references";
    if (item->Kind() == TXLSItemKind::Array) return std::string(what) + " cannot hold an array constant";
    if (item->Kind() == TXLSItemKind::Reference && HasSheet(*item) && formula_.NameIndexOf(*item) == 0 &&
        !(list && item == root))
      return std::string(what) + " cannot refer to another sheet (" + item->Text() +
             "); give those cells a name and use it";
    for (std::int32_t i = 1; i <= item->Count(); ++i) stack.push_back(item->GetChild(i));
  }
  return {};
}

std::int32_t TXLSFormulaUse::Check(std::string_view text, std::string_view where) {
  text = WithoutEquals(text);
  if (text.empty()) return Fail(text, where, "the formula is empty");
  if (formula_.Check(text, xlExcel97, 1) != xlsOK) return Fail(text, where, formula_.Error());
  if (const std::string why = Restriction(); !why.empty()) return Fail(text, where, why);
  return xlsOK;
}

std::int32_t TXLSFormulaUse::Encode(std::string_view text, std::vector<std::uint8_t>& tokens,
                                    std::string_view where) {
  text = WithoutEquals(text);
  tokens.clear();
  if (formula_.Compile(text, 1) != xlsOK) return Fail(text, where, formula_.Error());
  if (const std::string why = Restriction(); !why.empty()) return Fail(text, where, why);
  if (formula_.GetData(tokens) != xlsOK) return Fail(text, where, formula_.Error());
  // The length word leads; the records give the length a field of their own.
  tokens.erase(tokens.begin(), tokens.begin() + 2);
  return xlsOK;
}

}  // namespace tablirex
