// A build without the .xlsx writer: the format is refused by name.
#include "tablirex/workbook.h"
#include "xlsx/xlsx_package.h"

namespace tablirex::xlsx {

std::int32_t WritePackage(TXLSWorkbook& book, const TZipOutput&) {
  return book.Refuse("this build of the library has no .xlsx writer");
}

std::int32_t SavePackage(TXLSWorkbook& book, std::string_view fileName) {
  return book.Refuse("cannot save " + std::string(fileName) + ": this build of the library has no .xlsx writer");
}

}  // namespace tablirex::xlsx
