// The workbook as an Office Open XML package: the parts in a zip container,
// written in one fixed order from the object model.
#pragma once

#include <cstdint>
#include <string_view>

#include "xlsx/zip_writer.h"

namespace tablirex {
class TXLSWorkbook;
}

namespace tablirex::xlsx {

/// Writes the package of the workbook to out. Returns 1, or -1 with the
/// workbook's last error saying why (a cell or name that cannot be written, a
/// strict save's warning, the container's limits, a failed write).
[[nodiscard]] std::int32_t WritePackage(TXLSWorkbook& book, const TZipOutput& out);

/// Saves the package at fileName in one step (TAtomicFile): a failed save leaves
/// what was there as it was. Returns 1, or -1 with the last error set.
[[nodiscard]] std::int32_t SavePackage(TXLSWorkbook& book, std::string_view fileName);

}  // namespace tablirex::xlsx
