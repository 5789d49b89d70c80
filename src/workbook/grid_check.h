// What of a sheet lies past the grid of a file format: a file of the Excel 97 or
// Excel 5 form holds 65536 (or 16384) rows and 256 columns, while the object model
// holds 1048576 rows and 16384 columns.
#pragma once

#include <cstdint>
#include <string>

namespace tablirex {

class IXLSWorksheet;

/// The first thing of the sheet that lies past row lastRow or column lastCol
/// (zero-based): cells (merged areas and formatted cells included), rows and
/// columns with a height, width or format of their own (unless they are all like
/// the last row or column that fits, as formatting whole columns or rows leaves
/// them), comments, pictures, the autofilter, hyperlinks, validations,
/// conditional formats, the print area and titles, panes and page breaks. Returns
/// false when everything fits; otherwise true with `what` naming the kind ("cells",
/// "a hyperlink") and `where` its first cell in A1 notation.
bool FindPastGrid(IXLSWorksheet& sheet, std::uint32_t lastRow, std::uint32_t lastCol, std::string& what,
                  std::string& where);

}  // namespace tablirex
