// The object model of data validation: IXLSRange::GetValidation.
#include "tablirex/validation.h"

#include "formula/formula_use.h"
#include "range/range_impl.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/sheet_extras.h"

namespace tablirex {
namespace {

class TXLSValidation final : public IXLSValidation {
 public:
  explicit TXLSValidation(TXLSRange* range) : IXLSValidation(true), range_(range) {}

  std::int32_t Add(std::int32_t type, std::int32_t alertStyle, std::int32_t op, std::string_view formula1,
                   std::string_view formula2) override {
    if (range_->Dead()) return xlsFail;
    IXLSWorksheet& sheet = *range_->Sheet();
    TXLSWorkbook& wb = sheet.Workbook();
    const std::string where = "validation of " + sheet.CellName(range_->MinRow(), range_->MinCol(),
                                                                range_->MaxRow(), range_->MaxCol());
    if (type < xlValidateInputOnly || type > xlValidateCustom)
      return wb.Refuse(where + ": unknown type " + std::to_string(type) + " (0 to 7)");
    if (alertStyle < xlValidAlertStop || alertStyle > xlValidAlertInformation)
      return wb.Refuse(where + ": unknown alert style " + std::to_string(alertStyle) + " (1 to 3)");
    TXLSValidationRule rule;
    rule.areas.push_back(range_->Area());
    rule.type = type;
    rule.alertStyle = alertStyle;
    rule.op = op;
    if (rule.UsesOperator() && (op < xlBetween || op > xlLessEqual))
      return wb.Refuse(where + ": unknown operator " + std::to_string(op) + " (1 to 8)");
    if (!rule.UsesOperator()) rule.op = xlBetween;
    const std::int32_t position = sheet.GetIndex();
    if (type == xlValidateList) {
      const std::string_view text = formula1;
      std::string_view trimmed = text;
      while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
      if (trimmed.empty()) return wb.Refuse(where + ": a list needs its entries or cells");
      if (trimmed.front() == '=') {
        TXLSFormulaUse use(wb, TXLSFormulaUse::Kind::ValidationList, position);
        TXLS_RETURN_ON_ERROR(use.Check(trimmed, where));
        rule.formula1 = std::string(WithoutEquals(trimmed));
      } else {
        const std::u16string items = Utf8ToUtf16(text);
        if (items.size() > kMaxInlineList)
          return wb.Refuse(where + ": a list given inline has at most 255 characters, this one " +
                           std::to_string(items.size()));
        for (const char16_t c : items)
          if (c < 0x20) return wb.Refuse(where + ": a list given inline holds no control characters");
        rule.formula1 = std::string(text);
        rule.inlineList = true;
      }
    } else if (type != xlValidateInputOnly) {
      TXLSFormulaUse use(wb, TXLSFormulaUse::Kind::ValidationValue, position);
      TXLS_RETURN_ON_ERROR(use.Check(formula1, where));
      rule.formula1 = std::string(WithoutEquals(formula1));
      if (rule.UsesFormula2()) {
        TXLS_RETURN_ON_ERROR(use.Check(formula2, where));
        rule.formula2 = std::string(WithoutEquals(formula2));
      }
    }
    sheet.Extras().validations.Add(std::move(rule));
    return xlsOK;
  }
  std::int32_t Delete() override {
    if (range_->Dead()) return xlsFail;
    range_->Sheet()->Extras().validations.RemoveCells(range_->Area());
    return xlsOK;
  }
  bool Exists() override { return Rule() != nullptr; }
  std::int32_t GetType() override {
    const TXLSValidationRule* r = Rule();
    return r ? r->type : 0;
  }
  std::int32_t GetAlertStyle() override {
    const TXLSValidationRule* r = Rule();
    return r ? r->alertStyle : 0;
  }
  std::int32_t GetOperator() override {
    const TXLSValidationRule* r = Rule();
    return r && r->UsesOperator() ? r->op : 0;
  }
  std::string GetFormula1() override {
    const TXLSValidationRule* r = Rule();
    if (!r || r->type == xlValidateInputOnly) return {};
    return r->inlineList ? r->formula1 : "=" + r->formula1;
  }
  std::string GetFormula2() override {
    const TXLSValidationRule* r = Rule();
    return r && r->UsesFormula2() ? "=" + r->formula2 : std::string();
  }
  bool GetIgnoreBlank() override { return Flag(&TXLSValidationRule::ignoreBlank); }
  std::int32_t SetIgnoreBlank(bool v) override { return SetFlag(&TXLSValidationRule::ignoreBlank, v); }
  bool GetInCellDropdown() override { return Flag(&TXLSValidationRule::inCellDropdown); }
  std::int32_t SetInCellDropdown(bool v) override { return SetFlag(&TXLSValidationRule::inCellDropdown, v); }
  bool GetShowInput() override { return Flag(&TXLSValidationRule::showInput); }
  std::int32_t SetShowInput(bool v) override { return SetFlag(&TXLSValidationRule::showInput, v); }
  bool GetShowError() override { return Flag(&TXLSValidationRule::showError); }
  std::int32_t SetShowError(bool v) override { return SetFlag(&TXLSValidationRule::showError, v); }
  std::string GetInputTitle() override { return Text(&TXLSValidationRule::inputTitle); }
  std::int32_t SetInputTitle(std::string_view t) override {
    return SetText(&TXLSValidationRule::inputTitle, t, kMaxValidationTitle, "prompt title");
  }
  std::string GetInputMessage() override { return Text(&TXLSValidationRule::inputMessage); }
  std::int32_t SetInputMessage(std::string_view t) override {
    return SetText(&TXLSValidationRule::inputMessage, t, kMaxInputMessage, "prompt message");
  }
  std::string GetErrorTitle() override { return Text(&TXLSValidationRule::errorTitle); }
  std::int32_t SetErrorTitle(std::string_view t) override {
    return SetText(&TXLSValidationRule::errorTitle, t, kMaxValidationTitle, "alert title");
  }
  std::string GetErrorMessage() override { return Text(&TXLSValidationRule::errorMessage); }
  std::int32_t SetErrorMessage(std::string_view t) override {
    return SetText(&TXLSValidationRule::errorMessage, t, kMaxErrorMessage, "alert message");
  }

 private:
  TXLSValidationRule* Rule() const {
    if (range_->Dead()) return nullptr;
    return range_->Sheet()->Extras().validations.At(range_->MinRow(), range_->MinCol());
  }
  // The rule to change, or nullptr with the reason left with the workbook.
  TXLSValidationRule* RuleToChange() const {
    TXLSValidationRule* r = Rule();
    if (!r && !range_->Dead())
      (void)range_->Sheet()->Workbook().Refuse(
          range_->Sheet()->CellName(range_->MinRow(), range_->MinCol(), range_->MinRow(), range_->MinCol()) +
          " has no validation: add one first");
    return r;
  }
  bool Flag(bool TXLSValidationRule::*flag) const {
    const TXLSValidationRule* r = Rule();
    return r ? r->*flag : false;
  }
  std::int32_t SetFlag(bool TXLSValidationRule::*flag, bool v) {
    TXLSValidationRule* r = RuleToChange();
    if (!r) return xlsFail;
    r->*flag = v;
    return xlsOK;
  }
  std::string Text(std::u16string TXLSValidationRule::*field) const {
    const TXLSValidationRule* r = Rule();
    return r ? Utf16ToUtf8(r->*field) : std::string();
  }
  std::int32_t SetText(std::u16string TXLSValidationRule::*field, std::string_view text, std::size_t most,
                       const char* what) {
    TXLSValidationRule* r = RuleToChange();
    if (!r) return xlsFail;
    std::u16string wide = Utf8ToUtf16(text);
    if (wide.size() > most)
      return range_->Sheet()->Workbook().Refuse(std::string("a validation's ") + what + " has at most " +
                                                std::to_string(most) + " characters, this one " +
                                                std::to_string(wide.size()));
    r->*field = std::move(wide);
    return xlsOK;
  }

  Ref<TXLSRange> range_;
};

}  // namespace

Ref<IXLSValidation> TXLSRange::GetValidation() { return MakeRef<TXLSValidation>(this); }

}  // namespace tablirex
