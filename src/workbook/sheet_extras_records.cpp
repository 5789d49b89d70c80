// The records of a sheet's extras, after the window and selection records:
// conditional formats, hyperlinks, then data validations. The Excel 5 format has
// none of them: each is left out with a warning.
#include "conditional/condition_records.h"
#include "formula/formula_use.h"
#include "hyperlinks/hyperlink_records.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "validation/validation_records.h"
#include "workbook/sheet_extras.h"

namespace tablirex {
namespace {

constexpr std::uint32_t kMaxBody = 8224;

// Routes records to the sheet's data list.
class DataSink final : public IRecordSink {
 public:
  explicit DataSink(IXLSWorksheet& sheet) : sheet_(sheet) {}
  std::int32_t AppendRecord(TXLSBlob& record) override { return sheet_.AppendData(record); }

 private:
  IXLSWorksheet& sheet_;
};

std::string Where(IXLSWorksheet& sheet, const TXLSArea& a) {
  return sheet.CellName(a.row1, a.col1, a.row2, a.col2);
}

std::string Where(IXLSWorksheet& sheet, const TXLSAreaList& areas) {
  if (areas.size() == 1) return Where(sheet, areas.front());
  return Where(sheet, areas.front()) + " and " + std::to_string(areas.size() - 1) + " more areas";
}

std::string LinkTarget(const TXLSHyperlinkData& l) {
  std::string t = Utf16ToUtf8(l.address);
  if (!l.subAddress.empty()) t += (t.empty() ? "" : "#") + Utf16ToUtf8(l.subAddress);
  return t.size() > 80 ? t.substr(0, 80) + "..." : t;
}

std::int32_t WarnBiff5(IXLSWorksheet& sheet, const TXLSSheetExtras& x) {
  TXLSWorkbook& wb = sheet.Workbook();
  for (const TXLSConditionalFormat& f : x.conditions.Items())
    TXLS_RETURN_ON_ERROR(wb.Warn(Where(sheet, f.areas), "conditional format left out",
                                 "conditional formats left out (the Excel 5 format has none)"));
  for (const TXLSHyperlinkData& l : x.hyperlinks.Items())
    TXLS_RETURN_ON_ERROR(wb.Warn(Where(sheet, l.anchor), "hyperlink to " + LinkTarget(l) + " left out (the text stays)",
                                 "hyperlinks left out (the Excel 5 format has none)"));
  for (const TXLSValidationRule& r : x.validations.Items())
    TXLS_RETURN_ON_ERROR(wb.Warn(Where(sheet, r.areas), "data validation left out",
                                 "data validations left out (the Excel 5 format has none)"));
  return xlsOK;
}

}  // namespace

std::int32_t IXLSWorksheet::StoreExtras() {
  if (!extras_ || extras_->Empty()) return xlsOK;
  const TXLSSheetExtras& x = *extras_;
  const TRecordContext& ctx = workbook_->Context();
  if (ctx.IsBiff5()) return WarnBiff5(*this, x);
  DataSink sink(*this);

  for (const TXLSConditionalFormat& f : x.conditions.Items()) {
    const std::string where = "conditional format of " + Where(*this, f.areas);
    std::vector<TXLSEncodedCondition> encoded;
    {
      const TXLSArea base = BoundingArea(f.areas);
      TXLSFormulaUse use(*workbook_, TXLSFormulaUse::Kind::Condition, position_, static_cast<std::int32_t>(base.row1),
                         static_cast<std::int32_t>(base.col1));
      for (const TXLSCondition& c : f.conditions) {
        TXLSEncodedCondition e;
        e.condition = &c;
        TXLS_RETURN_ON_ERROR(use.Encode(c.formula1, e.formula1, where));
        if (c.UsesFormula2()) TXLS_RETURN_ON_ERROR(use.Encode(c.formula2, e.formula2, where));
        encoded.push_back(std::move(e));
      }
    }
    // A format over more areas than one record holds, or a condition longer than
    // one, cannot be written whole.
    bool fits = ConditionHeaderSize(f.areas) <= kMaxBody;
    for (const TXLSEncodedCondition& e : encoded)
      fits = fits && 6 + ConditionFormatBytes(e.condition->style).size() + e.formula1.size() + e.formula2.size() <=
                         kMaxBody;
    if (!fits) {
      TXLS_RETURN_ON_ERROR(workbook_->Warn(Where(*this, f.areas),
                                           "conditional format left out",
                                           "conditional formats too large for a record left out"));
      continue;
    }
    TXLS_RETURN_ON_ERROR(StoreConditionalFormat(f.areas, encoded, sink, ctx));
  }

  for (const TXLSHyperlinkData& l : x.hyperlinks.Items()) {
    // The display text is a copy of the cell's: a link too long with it goes
    // without it; one too long even then cannot be written.
    bool withText = HyperlinkBodySize(l, true) <= kMaxBody;
    if (!withText && HyperlinkBodySize(l, false) > kMaxBody) {
      TXLS_RETURN_ON_ERROR(workbook_->Warn(Where(*this, l.anchor), "hyperlink to " + LinkTarget(l) + " left out",
                                           "hyperlinks too long for a record left out"));
      continue;
    }
    TXLS_RETURN_ON_ERROR(StoreHyperlink(l, withText, sink, ctx));
  }

  std::vector<TXLSEncodedRule> rules;
  for (const TXLSValidationRule& r : x.validations.Items()) {
    const std::string where = "validation of " + Where(*this, r.areas);
    TXLSEncodedRule e;
    e.rule = &r;
    if (r.inlineList) {
      e.formula1 = InlineListTokens(r);
    } else if (r.type != 0) {
      const TXLSArea base = BoundingArea(r.areas);
      TXLSFormulaUse use(*workbook_,
                         r.type == 3 ? TXLSFormulaUse::Kind::ValidationList : TXLSFormulaUse::Kind::ValidationValue,
                         position_, static_cast<std::int32_t>(base.row1), static_cast<std::int32_t>(base.col1));
      TXLS_RETURN_ON_ERROR(use.Encode(r.formula1, e.formula1, where));
      if (r.UsesFormula2()) TXLS_RETURN_ON_ERROR(use.Encode(r.formula2, e.formula2, where));
    }
    if (ValidationBodySize(e) > kMaxBody) {
      TXLS_RETURN_ON_ERROR(workbook_->Warn(Where(*this, r.areas),
                                           "data validation over " + std::to_string(r.areas.size()) +
                                               " areas left out",
                                           "data validations too large for a record left out"));
      continue;
    }
    rules.push_back(std::move(e));
  }
  return StoreValidations(rules, sink, ctx);
}

}  // namespace tablirex
