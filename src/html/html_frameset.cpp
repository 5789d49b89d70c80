// A workbook of several sheets as a frameset: the main page with two frames,
// the tab strip, and one page per sheet in the folder beside the main page.
#include <string>

#include "html/html_files.h"
#include "html/html_writer.h"
#include "tablirex/colors.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"
#include "workbook/document_properties.h"
#include "workbook/sheet_collection.h"

namespace tablirex {
namespace {

std::int32_t ActivePosition(TXLSWorkbook& workbook) {
  const IXLSWorksheet* active = workbook.Sheets().GetActiveSheet();
  return active ? active->GetIndex() : 1;
}

}  // namespace

std::string BuildNavigateHTML(TXLSWorkbook& workbook) {
  // The tab of the sheet shown is white, the others grey; a click moves the mark.
  std::string out =
      "<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n<style>\r\n<!--\r\nA {\r\n    text-decoration:none;\r\n"
      "    color:#000000;\r\n    font-size:9pt;\r\n}\r\ntd.tab {\r\n    background-color:#C0C0C0;\r\n"
      "    font-weight:normal;\r\n}\r\ntd.shown {\r\n    background-color:#FFFFFF;\r\n    font-weight:bold;\r\n}\r\n"
      "-->\r\n</style>\r\n<script>\r\nfunction show(link) {\r\n"
      "  var tabs = document.getElementsByTagName(\"td\");\r\n"
      "  for (var i = 0; i < tabs.length; ++i) tabs[i].className = \"tab\";\r\n"
      "  link.closest(\"td\").className = \"tab shown\";\r\n}\r\n</script>\r\n</head>\r\n"
      "<body topmargin=0 leftmargin=0 bgcolor=\"#808080\">\r\n<table border=0 cellspacing=1>\r\n <tr>\r\n";
  TXLSWorkSheets& sheets = workbook.Sheets();
  const std::int32_t shown = ActivePosition(workbook);
  for (std::size_t i = 0; i < sheets.Size(); ++i) {
    IXLSWorksheet& sheet = sheets.At(i);
    // Hidden sheets have no tab; a tab's colour shows as a bar under its name.
    if (sheet.GetVisible() != xlSheetVisible) continue;
    const auto position = static_cast<std::int32_t>(i + 1);
    // Sheet names may hold & < > and quotes: they are escaped like cell texts.
    const std::string name = EscapeHTML(sheet.GetWorkSheetName());
    const Ref<IXLSTab> tab = sheet.GetTab();
    const std::string color = tab->GetColorIndex() == xlColorIndexNone
                                  ? std::string()
                                  : " style=\"border-bottom: 4px solid #" + HTMLColor(tab->GetColor()) + "\"";
    out += std::string("<td class=\"") + (position == shown ? "tab shown" : "tab") + "\"" + color +
           " nowrap><small><small>&nbsp;<a href=\"Sheet" + SheetNumberText(position) +
           ".htm\" target=\"frSheet\" onclick=\"show(this)\"><font face=\"Arial\" color=\"#000000\">" + name +
           "</font></a>&nbsp;</small></small></td>\r\n";
  }
  out += " </tr>\r\n</table>\r\n</body>\r\n</html>\r\n";
  return out;
}

std::string BuildMainHTML(std::string_view relativeFolder, std::int32_t activePosition,
                          std::string_view headLines) {
  std::string out = "<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n";
  out += headLines;
  out += "</head>\r\n<frameset rows=\"*,39\" border=0 width=0 frameborder=no framespacing=0>\r\n";
  out += "<frame src=\"" + std::string(relativeFolder) + "/Sheet" + SheetNumberText(activePosition) +
         ".htm\" name=\"frSheet\">\r\n";
  out += "<frame src=\"" + std::string(relativeFolder) +
         "/tabstrip.htm\" name=\"frTabs\" marginwidth=0 marginheight=0>\r\n"
         "<noframes>\r\n<body>\r\n<p>This page uses the frames. Your brouser does not support frames.</p>\r\n"
         "</body>\r\n</noframes>\r\n</frameset>\r\n</html>\r\n";
  return out;
}

void SaveWorkbookAsHTML(TXLSWorkbook& workbook, std::string_view fileName) {
  CheckHTMLFileName(fileName);
  TXLSWorkSheets& sheets = workbook.Sheets();
  if (sheets.Size() == 0) workbook.GetWorksheets()->Add();
  const THTMLEvaluation results(workbook);
  const std::size_t n = sheets.Size();
  if (n == 1) {
    SaveSheetAsHTML(sheets.At(0), fileName);
    return;
  }
  THTMLSave save(fileName, true);
  save.AddPage("tabstrip.htm", BuildNavigateHTML(workbook));
  THTMLImages images("");  // beside the pages
  for (std::size_t i = 0; i < n; ++i)
    save.AddPage("Sheet" + SheetNumberText(static_cast<std::int32_t>(i + 1)) + ".htm",
                 BuildSheetHTML(sheets.At(i), true, &images));
  SaveImageFiles(save, images);
  ThrowIfStrictLoss(workbook, fileName);
  // The folder's name is a relative URL: a base name with blanks, "#" or "%"
  // would otherwise name another file.
  save.Commit(BuildMainHTML(EncodeURLComponent(save.Paths().relativeFolder), ActivePosition(workbook),
                            DocumentPropertiesHTML(workbook.DocumentProperties())));
}

}  // namespace tablirex
