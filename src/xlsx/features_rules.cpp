// Data validations and conditional formats: the rules over cells, with their
// formulas as the package stores them and the differential styles (dxf) that
// conditional formats show.
#include <algorithm>

#include "conditional/condition_list.h"
#include "formats/palette.h"
#include "range/areas.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "validation/validation_list.h"
#include "workbook/sheet_extras.h"
#include "xlsx/features.h"
#include "xlsx/xlsx_formula.h"
#include "xlsx/xlsx_styles.h"

namespace tablirex::xlsx {
namespace {

// By TXLSValidationType.
constexpr const char* kValidationTypes[] = {"none", "whole", "decimal", "list", "date", "time", "textLength", "custom"};
// By TXLSValidationAlert.
constexpr const char* kAlertStyles[] = {"", "stop", "warning", "information"};
// By TXLSOperator.
constexpr const char* kOperators[] = {"",         "between",     "notBetween", "equal",
                                      "notEqual", "greaterThan", "lessThan",   "greaterThanOrEqual",
                                      "lessThanOrEqual"};
constexpr std::uint8_t kSolid = 1;

template <std::size_t N>
const char* Lookup(const char* const (&table)[N], std::int32_t i) {
  return i >= 0 && static_cast<std::size_t>(i) < N ? table[i] : table[0];
}

// <tag>formula</tag>, the formula as the package stores it. A formula the
// package cannot spell (a sheet it names is gone) fails the save.
std::int32_t AppendFormulaElement(TFeatureContext& ctx, TXmlOut& x, std::string_view tag, std::string_view formula,
                                  const std::string& where) {
  x << '<' << tag << '>';
  std::string error;
  const std::size_t at = x.Buffer().size();
  if (!AppendFormula(ctx.book, formula, x.Buffer(), error) ||
      !FormulaFits(std::string_view(x.Buffer()).substr(at), error))
    return ctx.book.Refuse(where + ": formula " + FormulaForMessage(formula) + ": " + error);
  x << "</" << tag << '>';
  return xlsOK;
}

void AppendFlag(TXmlOut& x, std::string_view tag, const std::optional<bool>& v) {
  if (v) x << '<' << tag << (*v ? "/>" : " val=\"0\"/>");
}

const char* UnderlineName(std::uint8_t u) {
  switch (u) {
    case 0x01:
      return "single";
    case 0x02:
      return "double";
    case 0x21:
      return "singleAccounting";
    case 0x22:
      return "doubleAccounting";
    default:
      return "none";
  }
}

}  // namespace

std::string DxfXml(const TXLSConditionStyle& s, const TXLSPalette& palette) {
  TXmlOut x;
  x << "<dxf>";
  if (s.HasFont()) {
    x << "<font>";
    AppendFlag(x, "b", s.bold);
    AppendFlag(x, "i", s.italic);
    AppendFlag(x, "strike", s.strikethrough);
    if (s.underline) x << "<u val=\"" << UnderlineName(*s.underline) << "\"/>";
    if (s.fontColor) ColorXml(x, "color", *s.fontColor, palette);
    x << "</font>";
  }
  if (s.HasFill()) {
    const std::uint8_t pattern = s.pattern.value_or(s.fillColor ? kSolid : 0);
    x << "<fill><patternFill patternType=\"" << PatternName(pattern) << "\">";
    // A solid fill shows its colour in both, as readers differ in the one they
    // take; other patterns draw the pattern colour over the fill colour.
    if (pattern == kSolid && s.fillColor) {
      ColorXml(x, "fgColor", *s.fillColor, palette);
      ColorXml(x, "bgColor", *s.fillColor, palette);
    } else {
      if (s.patternColor) ColorXml(x, "fgColor", *s.patternColor, palette);
      if (s.fillColor) ColorXml(x, "bgColor", *s.fillColor, palette);
    }
    x << "</patternFill></fill>";
  }
  if (s.HasBorder()) {
    x << "<border>";
    static constexpr const char* kEdges[] = {"left", "right", "top", "bottom"};
    for (int e = 0; e < 4; ++e) {
      if (!s.edges[e]) continue;
      x << '<' << kEdges[e];
      if (s.edges[e]->style == 0) {
        x << "/>";
        continue;
      }
      x << " style=\"" << LineStyleName(s.edges[e]->style) << "\">";
      ColorXml(x, "color", s.edges[e]->color, palette);
      x << "</" << kEdges[e] << '>';
    }
    x << "</border>";
  }
  x << "</dxf>";
  return x.Take();
}

std::int32_t WriteValidations(TFeatureContext& ctx) {
  const TXLSSheetExtras* extras = ctx.sheet.ExtrasIfAny();
  if (!extras || extras->validations.Empty()) return xlsOK;
  const auto& rules = extras->validations.Items();
  TXmlOut x;
  x << "<dataValidations";
  Attr(x, "count", static_cast<std::int64_t>(rules.size())) << '>';
  for (const TXLSValidationRule& r : rules) {
    const std::string sqref = AreaListText(r.areas);
    x << "<dataValidation";
    if (r.type != 0) x << " type=\"" << Lookup(kValidationTypes, r.type) << '"';
    if (r.alertStyle != 1) x << " errorStyle=\"" << Lookup(kAlertStyles, r.alertStyle) << '"';
    if (r.UsesOperator() && r.op != 1) x << " operator=\"" << Lookup(kOperators, r.op) << '"';
    if (r.ignoreBlank) x << " allowBlank=\"1\"";
    // The file's flag means the opposite of its name: set, the list offers no
    // drop-down.
    if (!r.inCellDropdown) x << " showDropDown=\"1\"";
    if (r.showInput) x << " showInputMessage=\"1\"";
    if (r.showError) x << " showErrorMessage=\"1\"";
    if (!r.errorTitle.empty()) Attr(x, "errorTitle", r.errorTitle);
    if (!r.errorMessage.empty()) Attr(x, "error", r.errorMessage);
    if (!r.inputTitle.empty()) Attr(x, "promptTitle", r.inputTitle);
    if (!r.inputMessage.empty()) Attr(x, "prompt", r.inputMessage);
    x << " sqref=\"" << sqref << "\">";
    if (r.inlineList) {
      // The items as one string constant.
      std::string list = "\"";
      for (const char c : r.formula1) list += c == '"' ? std::string("\"\"") : std::string(1, c);
      list += '"';
      x << "<formula1>";
      x.Text(list);
      x << "</formula1>";
    } else if (r.type != 0) {
      const std::string where = "validation of " + sqref;
      TXLS_RETURN_ON_ERROR(AppendFormulaElement(ctx, x, "formula1", r.formula1, where));
      if (r.UsesFormula2()) TXLS_RETURN_ON_ERROR(AppendFormulaElement(ctx, x, "formula2", r.formula2, where));
    }
    x << "</dataValidation>";
  }
  x << "</dataValidations>";
  ctx.out.dataValidations = x.Take();
  return xlsOK;
}

std::int32_t WriteConditionalFormats(TFeatureContext& ctx) {
  const TXLSSheetExtras* extras = ctx.sheet.ExtrasIfAny();
  if (!extras || extras->conditions.Empty()) return xlsOK;
  const TXLSPalette& palette = ctx.book.Palette();
  TXmlOut x;
  std::int64_t priority = 0;  // unique across the sheet, in the order the rules decide
  for (const TXLSConditionalFormat& f : extras->conditions.Items()) {
    if (f.conditions.empty() || f.areas.empty()) continue;
    const std::string sqref = AreaListText(f.areas);
    x << "<conditionalFormatting sqref=\"" << sqref << "\">";
    for (const TXLSCondition& c : f.conditions) {
      // The package's styles hold each distinct dxf once.
      std::string dxf = DxfXml(c.style, palette);
      auto it = std::find(ctx.state.dxfs.begin(), ctx.state.dxfs.end(), dxf);
      if (it == ctx.state.dxfs.end()) it = ctx.state.dxfs.insert(ctx.state.dxfs.end(), std::move(dxf));
      x << (c.type == 2 ? "<cfRule type=\"expression\"" : "<cfRule type=\"cellIs\"");
      Attr(x, "dxfId", static_cast<std::int64_t>(it - ctx.state.dxfs.begin()));
      Attr(x, "priority", ++priority);
      // The first condition that holds decides, as in the Excel 97 form.
      x << " stopIfTrue=\"1\"";
      if (c.type != 2) x << " operator=\"" << Lookup(kOperators, c.op) << '"';
      x << '>';
      const std::string where = "conditional format of " + sqref;
      TXLS_RETURN_ON_ERROR(AppendFormulaElement(ctx, x, "formula", c.formula1, where));
      if (c.UsesFormula2()) TXLS_RETURN_ON_ERROR(AppendFormulaElement(ctx, x, "formula", c.formula2, where));
      x << "</cfRule>";
    }
    x << "</conditionalFormatting>";
  }
  ctx.out.conditionalFormatting = x.Take();
  return xlsOK;
}

}  // namespace tablirex::xlsx
