#include "layout/layout_records.h"

#include <cmath>
#include <string>

#include "biff/records.h"
#include "layout/page_breaks.h"
#include "layout/page_setup.h"
#include "layout/panes.h"
#include "layout/protect.h"
#include "tablirex/result.h"
#include "text/text.h"

namespace tablirex {
namespace {

// Largest record body of the Excel 97 format; longer records would need CONTINUE.
constexpr std::uint32_t kMaxBiff8Body = 8224;

// A record buffer of exactly 4 + body bytes with its header written.
TXLSBlob Begin(Rec rec, std::uint32_t body) {
  TXLSBlob b(4 + body);
  b.AddWord(RecNo(rec));
  b.AddWord(static_cast<std::uint16_t>(body));
  return b;
}

std::int32_t StoreWordRecord(Rec rec, std::uint16_t value, IRecordSink& sink) {
  TXLSBlob b = Begin(rec, 2);
  b.AddWord(value);
  return sink.AppendRecord(b);
}

std::int32_t StoreDoubleRecord(Rec rec, double value, IRecordSink& sink) {
  TXLSBlob b = Begin(rec, 8);
  b.AddDouble(value);
  return sink.AppendRecord(b);
}

// HEADER and FOOTER. The count field limits the Excel 5 text to 255 bytes; the
// Excel 97 text is kept within one record.
std::int32_t StoreHeaderFooter(Rec rec, const std::u16string& text, IRecordSink& sink,
                               const TRecordContext& ctx) {
  if (ctx.IsBiff5()) {
    std::string bytes = Utf16ToCodePage(text, ctx.codePage);
    if (bytes.size() > 255) bytes.resize(255);
    TXLSBlob b = Begin(rec, 1 + static_cast<std::uint32_t>(bytes.size()));
    b.AddByte(static_cast<std::uint8_t>(bytes.size()));  // 0: character count
    b.AddString(bytes);                                  // 1: text
    return sink.AppendRecord(b);
  }
  const std::u16string_view units = CutUtf16(text, (kMaxBiff8Body - 3) / 2);
  TXLSBlob b = Begin(rec, 3 + 2 * static_cast<std::uint32_t>(units.size()));
  b.AddWord(static_cast<std::uint16_t>(units.size()));  // 0: character count
  b.AddByte(0x01);                                      // 2: uncompressed UTF-16
  b.AddWideString(units);                               // 3: text
  return sink.AppendRecord(b);
}

// HORIZONTALPAGEBREAKS and VERTICALPAGEBREAKS: the locations, and in Excel 97 the
// extent of each break across the other dimension.
std::int32_t StoreBreaks(Rec rec, const TXLSPageBreaks& breaks, std::uint16_t acrossLast,
                         IRecordSink& sink, const TRecordContext& ctx) {
  const std::int32_t n = breaks.GetCount();
  if (n == 0) return xlsOK;
  const std::uint32_t each = ctx.IsBiff5() ? 2 : 6;
  TXLSBlob b = Begin(rec, 2 + each * static_cast<std::uint32_t>(n));
  b.AddWord(static_cast<std::uint16_t>(n));  // 0: break count
  for (std::int32_t i = 1; i <= n; ++i) {
    b.AddWord(breaks.Get(i)->GetLocationIndex());  // row or column before which it breaks
    if (!ctx.IsBiff5()) {
      b.AddWord(0);           // first row or column it spans
      b.AddWord(acrossLast);  // last row or column it spans
    }
  }
  return sink.AppendRecord(b);
}

std::uint16_t RoundToWord(double v) noexcept {
  const double r = std::nearbyint(v);  // halves to even in the default rounding mode
  if (!(r > 0)) return 0;
  if (r >= 65535.0) return 0xFFFF;
  return static_cast<std::uint16_t>(r);
}

}  // namespace

std::int32_t StorePrintHeaders(const TXLSPageSetup& setup, IRecordSink& sink,
                               const TRecordContext&) {
  return StoreWordRecord(Rec::PRINTHEADERS, setup.GetPrintHeadings() ? 1 : 0, sink);
}

std::int32_t StorePrintGridLines(const TXLSPageSetup& setup, IRecordSink& sink,
                                 const TRecordContext&) {
  return StoreWordRecord(Rec::PRINTGRIDLINES, setup.GetPrintGridlines() ? 1 : 0, sink);
}

std::int32_t StoreGridSet(const TXLSPageSetup& setup, IRecordSink& sink, const TRecordContext&) {
  return StoreWordRecord(Rec::GRIDSET, setup.GetPrintGridlines() ? 0 : 1, sink);
}

std::int32_t StoreWsbool(const TXLSPageSetup& setup, IRecordSink& sink, const TRecordContext&) {
  // Automatic page breaks shown, summary rows below and columns right of the
  // detail, outline symbols shown; 0x0100 fits the printout to pages.
  return StoreWordRecord(Rec::WSBOOL, setup.FitsToPages() ? 0x05C1 : 0x04C1, sink);
}

std::int32_t StoreHBreak(const TXLSPageBreaks& breaks, IRecordSink& sink,
                         const TRecordContext& ctx) {
  return StoreBreaks(Rec::HORIZONTALPAGEBREAKS, breaks, XLSMaxCol, sink, ctx);
}

std::int32_t StoreVBreak(const TXLSPageBreaks& breaks, IRecordSink& sink,
                         const TRecordContext& ctx) {
  return StoreBreaks(Rec::VERTICALPAGEBREAKS, breaks, XLSMaxRow, sink, ctx);
}

std::int32_t StoreSetup(const TXLSPageSetup& setup, IRecordSink& sink, const TRecordContext&) {
  TXLSBlob b = Begin(Rec::SETUP, 34);
  b.AddWord(setup.GetStoredPaperSize());       // 0: paper size, 0 = none chosen
  b.AddWord(setup.GetStoredZoom());            // 2: scaling percentage
  b.AddWord(1);                                // 4: first page number
  b.AddWord(setup.GetStoredFitToPagesWide());  // 6: fit to pages wide
  b.AddWord(setup.GetStoredFitToPagesTall());  // 8: fit to pages tall
  b.AddWord(setup.IsPortrait() ? 0x0002 : 0);  // 10: option flags: portrait
  b.AddWord(600);                              // 12: print resolution
  b.AddWord(600);                              // 14: vertical print resolution
  b.AddDouble(setup.GetHeaderMargin());        // 16: header margin
  b.AddDouble(setup.GetFooterMargin());        // 24: footer margin
  b.AddWord(1);                                // 32: copies
  return sink.AppendRecord(b);
}

std::int32_t StoreProtect(const TXLSProtect& protect, IRecordSink& sink, const TRecordContext&) {
  if (!protect.IsProtected()) return xlsOK;
  return StoreWordRecord(Rec::PROTECT, 1, sink);
}

std::int32_t StorePassword(const TXLSProtect& protect, IRecordSink& sink, const TRecordContext&) {
  if (!protect.IsProtected()) return xlsOK;
  return StoreWordRecord(Rec::PASSWORD, protect.GetPasswordHash(), sink);
}

std::int32_t StoreProtection(const TXLSProtect& protect, IRecordSink& sink,
                             const TRecordContext& ctx) {
  TXLS_RETURN_ON_ERROR(StoreProtect(protect, sink, ctx));
  return StorePassword(protect, sink, ctx);
}

std::int32_t StoreMarginBottom(const TXLSPageSetup& setup, IRecordSink& sink,
                               const TRecordContext&) {
  return StoreDoubleRecord(Rec::BOTTOMMARGIN, setup.GetBottomMargin(), sink);
}

std::int32_t StoreMarginTop(const TXLSPageSetup& setup, IRecordSink& sink, const TRecordContext&) {
  return StoreDoubleRecord(Rec::TOPMARGIN, setup.GetTopMargin(), sink);
}

std::int32_t StoreMarginRight(const TXLSPageSetup& setup, IRecordSink& sink,
                              const TRecordContext&) {
  return StoreDoubleRecord(Rec::RIGHTMARGIN, setup.GetRightMargin(), sink);
}

std::int32_t StoreMarginLeft(const TXLSPageSetup& setup, IRecordSink& sink, const TRecordContext&) {
  return StoreDoubleRecord(Rec::LEFTMARGIN, setup.GetLeftMargin(), sink);
}

std::int32_t StoreVcenter(const TXLSPageSetup& setup, IRecordSink& sink, const TRecordContext&) {
  return StoreWordRecord(Rec::VCENTER, setup.GetCenterVertically() ? 1 : 0, sink);
}

std::int32_t StoreHcenter(const TXLSPageSetup& setup, IRecordSink& sink, const TRecordContext&) {
  return StoreWordRecord(Rec::HCENTER, setup.GetCenterHorizontally() ? 1 : 0, sink);
}

std::int32_t StoreFooter(const TXLSPageSetup& setup, IRecordSink& sink, const TRecordContext& ctx) {
  return StoreHeaderFooter(Rec::FOOTER, setup.FooterText(), sink, ctx);
}

std::int32_t StoreHeader(const TXLSPageSetup& setup, IRecordSink& sink, const TRecordContext& ctx) {
  return StoreHeaderFooter(Rec::HEADER, setup.HeaderText(), sink, ctx);
}

std::int32_t StoreZoom(std::uint16_t zoom, IRecordSink& sink, const TRecordContext&) {
  if (zoom == 100) return xlsOK;
  TXLSBlob b = Begin(Rec::SCL, 4);
  b.AddWord(zoom);  // 0: numerator
  b.AddWord(100);   // 2: denominator
  return sink.AppendRecord(b);
}

TXLSPaneValues ComputePaneValues(const TXLSPanes& panes, bool frozen) noexcept {
  TXLSPaneValues v;
  if (frozen) {
    v.y = RoundToWord(panes.GetY());
    v.x = RoundToWord(panes.GetX());
    v.topRow = panes.GetRowTop() >= 0 ? static_cast<std::uint16_t>(panes.GetRowTop()) : v.y;
    v.leftCol = panes.GetColLeft() >= 0 ? static_cast<std::uint16_t>(panes.GetColLeft()) : v.x;
  } else {
    v.topRow = panes.GetRowTop() >= 0 ? static_cast<std::uint16_t>(panes.GetRowTop()) : 0;
    v.leftCol = panes.GetColLeft() >= 0 ? static_cast<std::uint16_t>(panes.GetColLeft()) : 0;
    // Split positions go from points and column widths to twips; each split line
    // exists only when its position is above 0.
    if (panes.GetY() > 0) v.y = RoundToWord(static_cast<double>(panes.GetY()) * 20 + 255);
    if (panes.GetX() > 0) v.x = RoundToWord(static_cast<double>(panes.GetX()) * 113.879 + 390);
  }
  if (v.x != 0 && v.y != 0)
    v.activePane = 0;
  else if (v.x != 0)
    v.activePane = 1;
  else if (v.y != 0)
    v.activePane = 2;
  else
    v.activePane = 3;
  return v;
}

std::int32_t StorePanes(const TXLSPanes* panes, bool frozen, std::uint16_t& activePane,
                        IRecordSink& sink, const TRecordContext&) {
  if (!panes) return xlsOK;
  const TXLSPaneValues v = ComputePaneValues(*panes, frozen);
  activePane = v.activePane;
  TXLSBlob b = Begin(Rec::PANE, 10);
  b.AddWord(v.x);           // 0: vertical split position
  b.AddWord(v.y);           // 2: horizontal split position
  b.AddWord(v.topRow);      // 4: first visible row of the lower pane
  b.AddWord(v.leftCol);     // 6: first visible column of the right pane
  b.AddWord(v.activePane);  // 8: active pane
  return sink.AppendRecord(b);
}

}  // namespace tablirex
