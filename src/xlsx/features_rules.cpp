// Data validations and conditional formats: the rules over cells, with their
// formulas as the package writes them and the differential styles (dxf) that
// conditional formats show.
#include <algorithm>

#include "conditional/condition_list.h"
#include "formats/palette.h"
#include "formula/formula_text.h"
#include "range/areas.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "validation/validation_list.h"
#include "workbook/sheet_extras.h"
#include "xlsx/features.h"

namespace tablirex::xlsx {
namespace {

// By TXLSValidationType.
constexpr const char* kValidationTypes[] = {"none", "whole", "decimal", "list", "date", "time", "textLength", "custom"};
// By TXLSValidationAlert.
constexpr const char* kAlertStyles[] = {"", "stop", "warning", "information"};
// By TXLSOperator.
constexpr const char* kOperators[] = {"",         "between",  "notBetween",         "equal",
                                      "notEqual", "greaterThan", "lessThan", "greaterThanOrEqual",
                                      "lessThanOrEqual"};
// By the fill pattern numbers of cell formats (0 none, 1 solid, ...).
constexpr const char* kPatterns[] = {"none",        "solid",        "mediumGray",     "darkGray",   "lightGray",
                                     "darkHorizontal", "darkVertical", "darkDown",     "darkUp",     "darkGrid",
                                     "darkTrellis", "lightHorizontal", "lightVertical", "lightDown", "lightUp",
                                     "lightGrid",   "lightTrellis", "gray125",        "gray0625"};
// By the line codes of cell borders (0 none, 1 thin, ...).
constexpr const char* kLines[] = {"none",   "thin",         "medium",     "dashed",        "dotted",
                                  "thick",  "double",       "hair",       "mediumDashed",  "dashDot",
                                  "mediumDashDot", "dashDotDot", "mediumDashDotDot", "slantDashDot"};
constexpr std::uint8_t kSolid = 1;

template <std::size_t N>
const char* Lookup(const char* const (&table)[N], std::int32_t i) {
  return i >= 0 && static_cast<std::size_t>(i) < N ? table[i] : table[0];
}

void AppendFormula(std::string& x, std::string_view tag, std::string_view formula) {
  x += '<';
  x += tag;
  x += '>';
  AppendXmlText(x, FormulaFileText(formula));
  x += "</";
  x += tag;
  x += '>';
}

// <color .../>: the system foreground as automatic, other palette indices as
// their colour.
void AppendColor(std::string& x, std::string_view tag, std::uint8_t index, const TXLSPalette& palette) {
  x += '<';
  x += tag;
  if (index == kPaletteSystemForeground) {
    x += " auto=\"1\"/>";
    return;
  }
  x += " rgb=\"" + ArgbText(palette.GetPaletteColor(index)) + "\"/>";
}

void AppendFlag(std::string& x, std::string_view tag, const std::optional<bool>& v) {
  if (!v) return;
  x += '<';
  x += tag;
  x += *v ? "/>" : " val=\"0\"/>";
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
  std::string x = "<dxf>";
  if (s.HasFont()) {
    x += "<font>";
    AppendFlag(x, "b", s.bold);
    AppendFlag(x, "i", s.italic);
    AppendFlag(x, "strike", s.strikethrough);
    if (s.underline) x += std::string("<u val=\"") + UnderlineName(*s.underline) + "\"/>";
    if (s.fontColor) AppendColor(x, "color", *s.fontColor, palette);
    x += "</font>";
  }
  if (s.HasFill()) {
    const std::uint8_t pattern = s.pattern.value_or(s.fillColor ? kSolid : 0);
    x += std::string("<fill><patternFill patternType=\"") + Lookup(kPatterns, pattern) + "\">";
    // A solid fill shows its colour in both, as readers differ in the one they
    // take; other patterns draw the pattern colour over the fill colour.
    if (pattern == kSolid && s.fillColor) {
      AppendColor(x, "fgColor", *s.fillColor, palette);
      AppendColor(x, "bgColor", *s.fillColor, palette);
    } else {
      if (s.patternColor) AppendColor(x, "fgColor", *s.patternColor, palette);
      if (s.fillColor) AppendColor(x, "bgColor", *s.fillColor, palette);
    }
    x += "</patternFill></fill>";
  }
  if (s.HasBorder()) {
    x += "<border>";
    static constexpr const char* kEdges[] = {"left", "right", "top", "bottom"};
    for (int e = 0; e < 4; ++e) {
      if (!s.edges[e]) continue;
      x += std::string("<") + kEdges[e];
      if (s.edges[e]->style == 0) {
        x += "/>";
        continue;
      }
      x += std::string(" style=\"") + Lookup(kLines, s.edges[e]->style) + "\">";
      AppendColor(x, "color", s.edges[e]->color, palette);
      x += std::string("</") + kEdges[e] + ">";
    }
    x += "</border>";
  }
  x += "</dxf>";
  return x;
}

std::int32_t WriteValidations(TFeatureContext& ctx) {
  const TXLSSheetExtras* extras = ctx.sheet.ExtrasIfAny();
  if (!extras || extras->validations.Empty()) return xlsOK;
  const auto& rules = extras->validations.Items();
  std::string& x = ctx.out.dataValidations;
  x = "<dataValidations";
  AppendXmlAttr(x, "count", static_cast<std::int64_t>(rules.size()));
  x += '>';
  for (const TXLSValidationRule& r : rules) {
    x += "<dataValidation";
    if (r.type != 0) x += std::string(" type=\"") + Lookup(kValidationTypes, r.type) + "\"";
    if (r.alertStyle != 1) x += std::string(" errorStyle=\"") + Lookup(kAlertStyles, r.alertStyle) + "\"";
    if (r.UsesOperator() && r.op != 1) x += std::string(" operator=\"") + Lookup(kOperators, r.op) + "\"";
    if (r.ignoreBlank) x += " allowBlank=\"1\"";
    // The file's flag means the opposite of its name: set, the list offers no
    // drop-down.
    if (!r.inCellDropdown) x += " showDropDown=\"1\"";
    if (r.showInput) x += " showInputMessage=\"1\"";
    if (r.showError) x += " showErrorMessage=\"1\"";
    if (!r.errorTitle.empty()) AppendXmlAttr(x, "errorTitle", r.errorTitle);
    if (!r.errorMessage.empty()) AppendXmlAttr(x, "error", r.errorMessage);
    if (!r.inputTitle.empty()) AppendXmlAttr(x, "promptTitle", r.inputTitle);
    if (!r.inputMessage.empty()) AppendXmlAttr(x, "prompt", r.inputMessage);
    AppendXmlAttr(x, "sqref", AreaListText(r.areas));
    x += '>';
    if (r.inlineList) {
      // The items as one string constant.
      std::string list = "\"";
      for (const char c : r.formula1) list += c == '"' ? std::string("\"\"") : std::string(1, c);
      list += '"';
      x += "<formula1>";
      AppendXmlText(x, list);
      x += "</formula1>";
    } else if (r.type != 0) {
      AppendFormula(x, "formula1", r.formula1);
      if (r.UsesFormula2()) AppendFormula(x, "formula2", r.formula2);
    }
    x += "</dataValidation>";
  }
  x += "</dataValidations>";
  return xlsOK;
}

std::int32_t WriteConditionalFormats(TFeatureContext& ctx) {
  const TXLSSheetExtras* extras = ctx.sheet.ExtrasIfAny();
  if (!extras || extras->conditions.Empty()) return xlsOK;
  const TXLSPalette& palette = ctx.book.Palette();
  std::string& x = ctx.out.conditionalFormatting;
  std::int64_t priority = 0;  // unique across the sheet, in the order the rules decide
  for (const TXLSConditionalFormat& f : extras->conditions.Items()) {
    if (f.conditions.empty() || f.areas.empty()) continue;
    x += "<conditionalFormatting";
    AppendXmlAttr(x, "sqref", AreaListText(f.areas));
    x += '>';
    for (const TXLSCondition& c : f.conditions) {
      // The package's styles hold each distinct dxf once.
      const std::string dxf = DxfXml(c.style, palette);
      auto it = std::find(ctx.state.dxfs.begin(), ctx.state.dxfs.end(), dxf);
      if (it == ctx.state.dxfs.end()) it = ctx.state.dxfs.insert(ctx.state.dxfs.end(), dxf);
      x += c.type == 2 ? "<cfRule type=\"expression\"" : "<cfRule type=\"cellIs\"";
      AppendXmlAttr(x, "dxfId", static_cast<std::int64_t>(it - ctx.state.dxfs.begin()));
      AppendXmlAttr(x, "priority", ++priority);
      // The first condition that holds decides, as in the Excel 97 form.
      x += " stopIfTrue=\"1\"";
      if (c.type != 2) x += std::string(" operator=\"") + Lookup(kOperators, c.op) + "\"";
      x += '>';
      AppendFormula(x, "formula", c.formula1);
      if (c.UsesFormula2()) AppendFormula(x, "formula", c.formula2);
      x += "</cfRule>";
    }
    x += "</conditionalFormatting>";
  }
  return xlsOK;
}

}  // namespace tablirex::xlsx
