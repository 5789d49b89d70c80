// Record builders for the page layout, view and protection state of a sheet (the
// built-in print names are written by the workbook's name table, names/).
//
// Each builder makes its record(s) from one object and hands them to the sink;
// the file version and code page come from the context. Every builder returns 1
// or the sink's first failure. Builders of records that exist only in some states
// (page breaks, protection, SCL, PANE, built-in names) write nothing and return 1
// when their state says so; the worksheet and the workbook call them in record
// order without checking first.
#pragma once

#include <cstdint>

#include "biff/record_sink.h"

namespace tablirex {

class TXLSPageSetup;
class TXLSPanes;
class TXLSPageBreaks;
class TXLSProtect;

// ---- sheet header records, in the order the worksheet writes them --------------

/// PRINTHEADERS: 1 when row and column headings are printed.
[[nodiscard]] std::int32_t StorePrintHeaders(const TXLSPageSetup& setup, IRecordSink& sink,
                                             const TRecordContext& ctx);
/// PRINTGRIDLINES: 1 when gridlines are printed.
[[nodiscard]] std::int32_t StorePrintGridLines(const TXLSPageSetup& setup, IRecordSink& sink,
                                               const TRecordContext& ctx);
/// GRIDSET: 1 when gridlines are not printed.
[[nodiscard]] std::int32_t StoreGridSet(const TXLSPageSetup& setup, IRecordSink& sink,
                                        const TRecordContext& ctx);
/// WSBOOL: 0x04C1, or 0x05C1 when the sheet prints fitted to pages.
[[nodiscard]] std::int32_t StoreWsbool(const TXLSPageSetup& setup, IRecordSink& sink,
                                       const TRecordContext& ctx);
/// HORIZONTALPAGEBREAKS from the row breaks; nothing when there are none.
[[nodiscard]] std::int32_t StoreHBreak(const TXLSPageBreaks& breaks, IRecordSink& sink,
                                       const TRecordContext& ctx);
/// VERTICALPAGEBREAKS from the column breaks; nothing when there are none.
[[nodiscard]] std::int32_t StoreVBreak(const TXLSPageBreaks& breaks, IRecordSink& sink,
                                       const TRecordContext& ctx);
/// SETUP: paper, scaling, fit to pages, orientation, header and footer margins.
[[nodiscard]] std::int32_t StoreSetup(const TXLSPageSetup& setup, IRecordSink& sink,
                                      const TRecordContext& ctx);

// ---- protection: the same records in the workbook globals and in a sheet -------

/// PROTECT (1); nothing when not protected.
[[nodiscard]] std::int32_t StoreProtect(const TXLSProtect& protect, IRecordSink& sink,
                                        const TRecordContext& ctx);
/// PASSWORD with the stored hash (0 without a password); nothing when not protected.
[[nodiscard]] std::int32_t StorePassword(const TXLSProtect& protect, IRecordSink& sink,
                                         const TRecordContext& ctx);
/// StoreProtect then StorePassword.
[[nodiscard]] std::int32_t StoreProtection(const TXLSProtect& protect, IRecordSink& sink,
                                           const TRecordContext& ctx);

// ---- sheet data-list records, in the order the worksheet writes them -----------

[[nodiscard]] std::int32_t StoreMarginBottom(const TXLSPageSetup& setup, IRecordSink& sink,
                                             const TRecordContext& ctx);
[[nodiscard]] std::int32_t StoreMarginTop(const TXLSPageSetup& setup, IRecordSink& sink,
                                          const TRecordContext& ctx);
[[nodiscard]] std::int32_t StoreMarginRight(const TXLSPageSetup& setup, IRecordSink& sink,
                                            const TRecordContext& ctx);
[[nodiscard]] std::int32_t StoreMarginLeft(const TXLSPageSetup& setup, IRecordSink& sink,
                                           const TRecordContext& ctx);
/// VCENTER: 1 when the page is centred vertically.
[[nodiscard]] std::int32_t StoreVcenter(const TXLSPageSetup& setup, IRecordSink& sink,
                                        const TRecordContext& ctx);
/// HCENTER: 1 when the page is centred horizontally.
[[nodiscard]] std::int32_t StoreHcenter(const TXLSPageSetup& setup, IRecordSink& sink,
                                        const TRecordContext& ctx);
/// FOOTER with the joined footer text; written even when the text is empty.
[[nodiscard]] std::int32_t StoreFooter(const TXLSPageSetup& setup, IRecordSink& sink,
                                       const TRecordContext& ctx);
/// HEADER with the joined header text; written even when the text is empty.
[[nodiscard]] std::int32_t StoreHeader(const TXLSPageSetup& setup, IRecordSink& sink,
                                       const TRecordContext& ctx);
/// SCL with the sheet's zoom over 100; nothing when the zoom is 100.
[[nodiscard]] std::int32_t StoreZoom(std::uint16_t zoom, IRecordSink& sink,
                                     const TRecordContext& ctx);

/// The values PANE carries, worked out from the panes and the sheet's frozen flag.
struct TXLSPaneValues {
  std::uint16_t x = 0;           // frozen columns, or the vertical split line in twips
  std::uint16_t y = 0;           // frozen rows, or the horizontal split line in twips
  std::uint16_t topRow = 0;      // first row of the lower pane
  std::uint16_t leftCol = 0;     // first column of the right pane
  std::uint16_t activePane = 3;  // 0 lower right, 1 upper right, 2 lower left, 3 upper left
};
TXLSPaneValues ComputePaneValues(const TXLSPanes& panes, bool frozen) noexcept;

/// PANE for the sheet's panes; activePane receives the pane SELECTION must name.
/// Nothing is written and activePane is left alone when panes is nullptr (a sheet
/// that never froze or split its window).
[[nodiscard]] std::int32_t StorePanes(const TXLSPanes* panes, bool frozen,
                                      std::uint16_t& activePane, IRecordSink& sink,
                                      const TRecordContext& ctx);

}  // namespace tablirex
