#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tablirex/range.h"
#include "tablirex/result.h"
#include "tablirex/variant.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "../temp_dir.h"

namespace tablirex {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What each save lost, as the caller reads it afterwards; a strict save of the
// same workbook fails with the first warning and leaves the earlier file.
TEST(SaveWarnings, ListedSummarisedAndStrict) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, std::string>> cells;  // A1 reference, text
    std::int32_t format;
    std::vector<std::string> warnings;
  };
  const std::string long300(300, 'x');
  const std::string long40000(40000, 'y');
  const Case cases[] = {
      {"nothing lost", {{"A1", "short"}, {"A2", "\xC3\xA9t\xC3\xA9"}}, xlExcel5, {}},
      {"Excel 97 keeps both", {{"A1", long300}, {"A2", "\xC5\x81\xC3\xB3" "d\xC5\xBA"}}, xlExcel97, {}},
      {"cut and replaced",
       {{"A1", long300}, {"B2", "\xC5\x81\xC3\xB3" "d\xC5\xBA"}},
       xlExcel5,
       {"Daten!A1: text of 300 characters cut to 255 (the Excel 5 cell limit)",
        "Daten!B2: 2 characters outside code page 1252 written as \"?\""}},
      {"Excel 97 cuts past its cell limit",
       {{"B2", long40000}},
       xlExcel97,
       {"Daten!B2: text of 40000 characters cut to 32767 (the Excel 97 cell limit)"}},
      {"Excel 5 counts the whole text",
       {{"B2", long40000}},
       xlExcel5,
       {"Daten!B2: text of 40000 characters cut to 255 (the Excel 5 cell limit)"}},
      {"repeats summed up",
       {{"A1", long300}, {"A2", long300}, {"A3", long300}, {"A4", long300}, {"A5", long300},
        {"A6", long300}, {"A7", long300}},
       xlExcel5,
       {"Daten!A1: text of 300 characters cut to 255 (the Excel 5 cell limit)",
        "Daten!A2: text of 300 characters cut to 255 (the Excel 5 cell limit)",
        "Daten!A3: text of 300 characters cut to 255 (the Excel 5 cell limit)",
        "Daten!A4: text of 300 characters cut to 255 (the Excel 5 cell limit)",
        "Daten!A5: text of 300 characters cut to 255 (the Excel 5 cell limit)",
        "texts cut to 255 characters (the Excel 5 cell limit): 2 more, 7 in all"}},
  };
  test::TTempDir dir("warnings");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Ref<IXLSWorkBook> book = CreateWorkbook();
    IXLSWorksheet* sheet = book->GetWorksheets()->Add();
    sheet->SetWorkSheetName("Daten");
    for (const auto& [ref, text] : c.cells) sheet->Range(ref)->SetValue(TVariant(text));
    const std::string path = (dir / "book.xls").string();
    ASSERT_EQ(book->SaveAs(path, c.format), xlsOK);
    EXPECT_EQ(book->GetWarnings(), c.warnings);
    const std::string written = ReadFile(path);

    // Strict, by argument and by the workbook's setting.
    for (const bool bySetting : {false, true}) {
      book->SetStrict(bySetting);
      const std::int32_t result = book->SaveAs(path, c.format, !bySetting);
      book->SetStrict(false);
      if (c.warnings.empty()) {
        EXPECT_EQ(result, xlsOK);
        continue;
      }
      EXPECT_EQ(result, xlsFail);
      EXPECT_EQ(book->GetLastError(), "cannot save " + path + ": strict save: " + c.warnings.front());
      EXPECT_EQ(ReadFile(path), written);
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }
    // The next save starts a new list.
    sheet->GetCells()->ClearContents();
    ASSERT_EQ(book->SaveAs(path, xlExcel97), xlsOK);
    EXPECT_TRUE(book->GetWarnings().empty());
  }
}

}  // namespace
}  // namespace tablirex
