// Inputs past what a format (or the readers of every format) can hold: refused
// when set where no format holds them, refused at save naming the object where
// one format cannot, or saved with a warning where the loss is small.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tablirex/conditions.h"
#include "tablirex/document_properties.h"
#include "tablirex/names.h"
#include "tablirex/page_setup.h"
#include "tablirex/range.h"
#include "tablirex/result.h"
#include "tablirex/validation.h"
#include "tablirex/variant.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "../temp_dir.h"

namespace tablirex {
namespace {

std::string Repeat(std::string_view s, int n, std::string_view between = "") {
  std::string out;
  for (int i = 0; i < n; ++i) out.append(i ? between : "").append(s);
  return out;
}

// Two names of 255 and 254 characters: 32 of them joined by "+" are 8,191 or
// 8,190 characters, so a formula can be made exactly as long as wanted.
const std::string kName255 = "N" + std::string(254, 'x');
const std::string kName254 = "M" + std::string(253, 'x');
const std::string kAt8192 = Repeat(kName255, 31, "+") + "+" + kName254 + "+1";  // 8,192 characters
const std::string kAt8193 = Repeat(kName255, 32, "+") + "+1";                   // 8,193 characters
const std::string kLongSheet = "A sheet with a long name 12345";

TEST(SaveLimits, RefusedWhereTheFileCannotHoldThem) {
  struct Case {
    const char* name;
    std::function<void(IXLSWorkBook&, IXLSWorksheet&)> build;
    std::string xlsxError;    // empty: the .xlsx save succeeds
    std::string xlsxWarning;  // the first warning of a successful .xlsx save
  };
  const Case cases[] = {
      {"a cell formula of 8192 characters",
       [](IXLSWorkBook&, IXLSWorksheet& s) { s.Range("B1")->SetValue(TVariant("=" + kAt8192)); }, "", ""},
      {"a cell formula of 8193 characters",
       [](IXLSWorkBook&, IXLSWorksheet& s) { s.Range("B1")->SetValue(TVariant("=" + kAt8193)); },
       "Limits!B1: formula \"=" + kAt8193.substr(0, 60) + "...\": the formula is 8193 characters long as stored", ""},
      // Formulas already in their stored form (capitals, no sheets) go the short way.
      {"a plain formula of 8189 characters",
       [](IXLSWorkBook&, IXLSWorksheet& s) { s.Range("B2")->SetValue(TVariant("=" + Repeat("$IV$1000", 910, "+"))); },
       "", ""},
      {"a plain formula of 8198 characters",
       [](IXLSWorkBook&, IXLSWorksheet& s) { s.Range("B2")->SetValue(TVariant("=" + Repeat("$IV$1000", 911, "+"))); },
       "the formula is 8198 characters long as stored", ""},
      // Quoted sheet names make the stored text longer than a compiled one would suggest.
      {"a cell formula naming a sheet 300 times",
       [](IXLSWorkBook&, IXLSWorksheet& s) {
         s.Range("C1")->SetValue(TVariant("=" + Repeat("'" + kLongSheet + "'!A1", 300, "+")));
       },
       "the formula is 10799 characters long as stored", ""},
      {"a name's formula",
       [](IXLSWorkBook& b, IXLSWorksheet&) { ASSERT_TRUE(b.GetNames()->Add("Big", "=" + kAt8193)); },
       "name Big: formula", ""},
      {"a validation's formula",
       [](IXLSWorkBook&, IXLSWorksheet& s) {
         ASSERT_EQ(s.Range("D1")->GetValidation()->Add(xlValidateCustom, xlValidAlertStop, xlBetween,
                                                        "=" + kAt8193 + ">0", ""),
                   xlsOK);
       },
       "the formula is 8195 characters long as stored", ""},
      {"a conditional format's formula",
       [](IXLSWorkBook&, IXLSWorksheet& s) {
         ASSERT_TRUE(s.Range("E1")->GetFormatConditions()->Add(xlExpression, 0, "=" + kAt8193 + ">0", ""));
       },
       "the formula is 8195 characters long as stored", ""},
      {"a title with a control character",
       [](IXLSWorkBook& b, IXLSWorksheet&) {
         ASSERT_EQ(b.SetDocumentProperty(xlPropertyTitle, TVariant("a\x01" "b\x02")), xlsOK);
       },
       "", "document property Title: 2 control characters left out"},
  };
  test::TTempDir dir("limits");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Ref<IXLSWorkBook> book = CreateWorkbook();
    IXLSWorksheet* sheet = book->GetWorksheets()->Add();
    sheet->SetWorkSheetName("Limits");
    book->GetWorksheets()->Add()->SetWorkSheetName(kLongSheet);
    ASSERT_TRUE(book->GetNames()->Add(kName255, "=Limits!$A$1"));
    ASSERT_TRUE(book->GetNames()->Add(kName254, "=Limits!$A$2"));
    c.build(*book, *sheet);
    ASSERT_EQ(book->GetLastError(), "");
    // Excel 97 stores compiled formulas and the properties whole: no loss.
    const std::string xls = (dir / "book.xls").string();
    EXPECT_EQ(book->SaveAs(xls, xlExcel97), xlsOK) << book->GetLastError();
    EXPECT_TRUE(book->GetWarnings().empty());

    const std::string xlsx = (dir / "book.xlsx").string();
    const std::int32_t saved = book->SaveAs(xlsx, xlOpenXMLWorkbook);
    if (c.xlsxError.empty()) {
      EXPECT_EQ(saved, xlsOK) << book->GetLastError();
      const auto warnings = book->GetWarnings();
      EXPECT_EQ(warnings.empty() ? "" : warnings.front(), c.xlsxWarning);
      if (!c.xlsxWarning.empty()) {
        EXPECT_EQ(book->SaveAs(xlsx, xlOpenXMLWorkbook, true), xlsFail);
      }
    } else {
      EXPECT_EQ(saved, xlsFail);
      EXPECT_NE(book->GetLastError().find(c.xlsxError), std::string::npos) << book->GetLastError().substr(0, 300);
      // The strict save fails the same way and nothing is left at the path.
      EXPECT_FALSE(std::filesystem::exists(xlsx));
    }
    std::filesystem::remove(xlsx);
  }
}

// Setters refuse what no format's readers take, with the reason, and keep what
// they held; what is just inside the limit is taken.
TEST(SaveLimits, SettersRefusePastEveryFormat) {
  struct Case {
    const char* name;
    std::function<void(IXLSWorksheet&)> set;
    std::string error;  // empty: taken
  };
  const auto formula = [](std::string text) {
    return [text](IXLSWorksheet& s) { s.Range("A1")->SetValue(TVariant(text)); };
  };
  const auto font = [](std::string name) {
    return [name](IXLSWorksheet& s) { s.Range("A1")->GetFont()->SetName(name); };
  };
  const auto header = [](std::string text) {
    return [text](IXLSWorksheet& s) { s.GetPageSetup()->SetCenterHeader(text); };
  };
  const Case cases[] = {
      {"calls nested 64 deep", formula("=" + Repeat("ABS(", 64) + "1" + Repeat(")", 64)), ""},
      {"calls nested 65 deep", formula("=" + Repeat("ABS(", 65) + "1" + Repeat(")", 65)),
       "functions are nested more than 64 deep"},
      {"a font name of 31 characters", font(std::string(31, 'F')), ""},
      {"a font name of 32 characters", font(std::string(32, 'F')), "a font name has 1 to 31 characters, this one 32"},
      {"a font name with a control character", font("Ari\tal"), "a font name holds no control characters"},
      {"a header of 255 characters", header(std::string(253, 'h')), ""},  // with "&C"
      {"a header of 256 characters", header(std::string(254, 'h')), "the header would be longer than 255 characters"},
      {"an inline list of 256 characters",
       [](IXLSWorksheet& s) {
         (void)s.Range("B1")->GetValidation()->Add(xlValidateList, xlValidAlertStop, xlBetween,
                                                   Repeat("abcdefg", 32, ",") + "ab", "");
       },
       "a list given inline has at most 255 characters"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Ref<IXLSWorkBook> book = CreateWorkbook();
    IXLSWorksheet* sheet = book->GetWorksheets()->Add();
    c.set(*sheet);
    const std::string error = book->GetLastError();
    if (c.error.empty())
      EXPECT_EQ(error, "");
    else
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace tablirex
