// A workbook of several sheets as a frameset: the main page with two frames,
// the tab strip, and one page per sheet in the folder beside the main page.
#include <string>

#include "html/html_files.h"
#include "html/html_writer.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "workbook/sheet_collection.h"

namespace tablirex {

std::string BuildNavigateHTML(TXLSWorkbook& workbook) {
  std::string out =
      "<html>\r\n<head>\r\n<style>\r\n<!--\r\nA {\r\n    text-decoration:none;\r\n    color:#000000;\r\n"
      "    font-size:9pt;\r\n}\r\n-->\r\n</style>\r\n</head>\r\n"
      "<body topmargin=0 leftmargin=0 bgcolor=\"#808080\">\r\n<table border=0 cellspacing=1>\r\n <tr>\r\n";
  TXLSWorkSheets& sheets = workbook.Sheets();
  for (std::size_t i = 0; i < sheets.Size(); ++i) {
    // Sheet names may hold & < > and quotes: they are escaped like cell texts.
    const std::string name = EncodeHTMLText(EscapeHTML(sheets.At(i).GetWorkSheetName()), workbook.GetCodePage());
    out += "<td bgcolor=\"#FFFFFF\" nowrap><b><small><small>&nbsp;<a href=\"Sheet" +
           SheetNumberText(static_cast<std::int32_t>(i + 1)) +
           ".htm\" target=\"frSheet\"><font face=\"Arial\" color=\"#000000\">" + name +
           "</font></a>&nbsp;</small></small></b></td>\r\n";
  }
  out += " </tr>\r\n</table>\r\n</body>\r\n</html>\r\n";
  return out;
}

std::string BuildMainHTML(std::string_view relativeFolder, std::int32_t activePosition) {
  std::string out = "<html>\r\n<head>\r\n</head>\r\n"
                    "<frameset rows=\"*,39\" border=0 width=0 frameborder=no framespacing=0>\r\n";
  out += "<frame src=\"" + std::string(relativeFolder) + "/Sheet" + SheetNumberText(activePosition) +
         ".htm\" name=\"frSheet\">\r\n";
  out += "<frame src=\"" + std::string(relativeFolder) +
         "/tabstrip.htm\" name=\"frTabs\" marginwidth=0 marginheight=0>\r\n"
         "<noframes>\r\n<body>\r\n<p>This page uses the frames. Your brouser does not support frames.</p>\r\n"
         "</body>\r\n</noframes>\r\n</frameset>\r\n</html>\r\n";
  return out;
}

void CreateNavigateHTML(TXLSWorkbook& workbook, const std::string& fileName) {
  WriteHTMLFile(fileName, BuildNavigateHTML(workbook));
}

void CreateMainHTML(TXLSWorkbook& workbook, const std::string& fileName) {
  const IXLSWorksheet* active = workbook.Sheets().GetActiveSheet();
  const std::int32_t position = active ? active->GetIndex() : 1;
  // The folder's name is a relative URL: a base name with blanks, "#" or "%"
  // would otherwise name another file.
  const std::string folder = EncodeURLComponent(HTMLFolderOf(fileName).relativeFolder);
  WriteHTMLFile(fileName, BuildMainHTML(folder, position));
}

void SaveWorkbookAsHTML(TXLSWorkbook& workbook, std::string_view fileName) {
  TXLSWorkSheets& sheets = workbook.Sheets();
  const std::size_t n = sheets.Size();
  if (n == 0) return;
  if (n == 1) {
    sheets.At(0).SaveAsHTML(fileName);
    return;
  }
  const THTMLPaths paths = HTMLFolderOf(fileName);
  ForceHTMLDirectory(paths.folder);
  CreateNavigateHTML(workbook, HTMLPathIn(paths.folder, "tabstrip.htm"));
  for (std::size_t i = 0; i < n; ++i)
    sheets.At(i).SaveAsHTML(
        HTMLPathIn(paths.folder, "Sheet" + SheetNumberText(static_cast<std::int32_t>(i + 1)) + ".htm"));
  CreateMainHTML(workbook, std::string(fileName));
}

}  // namespace tablirex
