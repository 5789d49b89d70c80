#include "hyperlinks/hyperlink_records.h"

#include <string>

#include "biff/records.h"
#include "tablirex/result.h"
#include "text/text.h"

namespace tablirex {
namespace {

// Class identifiers of the link object and of the two monikers, as stored
// (the first three fields little-endian).
constexpr std::uint8_t kStdLink[16] = {0xD0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                       0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
constexpr std::uint8_t kUrlMoniker[16] = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                          0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
constexpr std::uint8_t kFileMoniker[16] = {0x03, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Option flags of the link object.
constexpr std::uint32_t kHasMoniker = 0x01;
constexpr std::uint32_t kIsAbsolute = 0x02;
constexpr std::uint32_t kHasLocation = 0x08;
constexpr std::uint32_t kHasDisplayName = 0x14;  // given by the site, and present

// A file target as the file moniker stores it: the "..\" steps up, the path in
// the ANSI code page, and the path in UTF-16 when the ANSI form loses characters.
struct TFilePath {
  std::uint16_t up = 0;
  std::string ansi;
  std::u16string wide;  // empty when the ANSI path says it all
};

TFilePath SplitFilePath(std::u16string_view path) {
  TFilePath f;
  while (path.size() >= 3 && path[0] == u'.' && path[1] == u'.' && (path[2] == u'\\' || path[2] == u'/')) {
    ++f.up;
    path.remove_prefix(3);
  }
  f.ansi = Utf16ToCodePage(path, 1252);
  if (CodePageToUtf16(f.ansi, 1252) != path) f.wide = std::u16string(path);
  return f;
}

bool IsAbsolutePath(std::u16string_view p) {
  if (!p.empty() && (p[0] == u'\\' || p[0] == u'/')) return true;
  return p.size() >= 2 && p[1] == u':';
}

std::uint32_t HyperlinkStringSize(std::u16string_view s) { return 4 + 2 * (static_cast<std::uint32_t>(s.size()) + 1); }

// A length-prefixed, NUL-terminated UTF-16 string of the link object.
void AddHyperlinkString(TXLSBlob& b, std::u16string_view s) {
  b.AddLong(static_cast<std::uint32_t>(s.size()) + 1);  // characters, NUL included
  b.AddWideString(s);
  b.AddWord(0);
}

std::uint32_t MonikerSize(const TXLSHyperlinkData& l) {
  switch (l.Kind()) {
    case TXLSLinkKind::Url: return 16 + 4 + 2 * (static_cast<std::uint32_t>(l.address.size()) + 1);
    case TXLSLinkKind::File: {
      const TFilePath f = SplitFilePath(l.address);
      std::uint32_t n = 16 + 2 + 4 + static_cast<std::uint32_t>(f.ansi.size()) + 1 + 2 + 2 + 16 + 4 + 4;
      if (!f.wide.empty()) n += 4 + 2 + 2 * static_cast<std::uint32_t>(f.wide.size());
      return n;
    }
    case TXLSLinkKind::Place: return 0;
  }
  return 0;
}

}  // namespace

std::uint32_t HyperlinkBodySize(const TXLSHyperlinkData& l, bool withText) {
  std::uint32_t n = 8 + 16 + 4 + 4;
  if (withText && !l.textToDisplay.empty()) n += HyperlinkStringSize(l.textToDisplay);
  n += MonikerSize(l);
  if (!l.subAddress.empty()) n += HyperlinkStringSize(l.subAddress);
  return n;
}

std::int32_t StoreHyperlink(const TXLSHyperlinkData& l, bool withText, IRecordSink& sink, const TRecordContext&) {
  const TXLSLinkKind kind = l.Kind();
  const bool text = withText && !l.textToDisplay.empty();
  std::uint32_t flags = 0;
  if (kind != TXLSLinkKind::Place) flags |= kHasMoniker;
  if (kind == TXLSLinkKind::Url || (kind == TXLSLinkKind::File && IsAbsolutePath(l.address))) flags |= kIsAbsolute;
  if (text) flags |= kHasDisplayName;
  if (!l.subAddress.empty()) flags |= kHasLocation;

  const std::uint32_t body = HyperlinkBodySize(l, withText);
  TXLSBlob b(4 + body);
  b.AddWord(RecNo(Rec::HLINK));
  b.AddWord(static_cast<std::uint16_t>(body));
  b.AddWord(static_cast<std::uint16_t>(l.anchor.row1));  // 0: first row
  b.AddWord(static_cast<std::uint16_t>(l.anchor.row2));  // 2: last row
  b.AddWord(static_cast<std::uint16_t>(l.anchor.col1));  // 4: first column
  b.AddWord(static_cast<std::uint16_t>(l.anchor.col2));  // 6: last column
  b.AddBytes(kStdLink, 16);                              // 8: the link object's class
  b.AddLong(2);                                          // 24: stream version
  b.AddLong(flags);                                      // 28: options
  if (text) AddHyperlinkString(b, l.textToDisplay);      // 32: display text
  if (kind == TXLSLinkKind::Url) {
    b.AddBytes(kUrlMoniker, 16);
    b.AddLong(2 * (static_cast<std::uint32_t>(l.address.size()) + 1));  // bytes of the URL, NUL included
    b.AddWideString(l.address);
    b.AddWord(0);
  } else if (kind == TXLSLinkKind::File) {
    const TFilePath f = SplitFilePath(l.address);
    b.AddBytes(kFileMoniker, 16);
    b.AddWord(f.up);                                               // steps up to the parent folder
    b.AddLong(static_cast<std::uint32_t>(f.ansi.size()) + 1);      // ANSI characters, NUL included
    b.AddString(f.ansi);
    b.AddByte(0);
    b.AddWord(0xFFFF);  // not a server path
    b.AddWord(0xDEAD);  // version
    for (int i = 0; i < 4; ++i) b.AddLong(0);  // reserved
    b.AddLong(0);
    if (f.wide.empty()) {
      b.AddLong(0);  // no UTF-16 path follows
    } else {
      const auto bytes = 2 * static_cast<std::uint32_t>(f.wide.size());
      b.AddLong(4 + 2 + bytes);  // what follows
      b.AddLong(bytes);
      b.AddWord(0x0003);  // key value
      b.AddWideString(f.wide);
    }
  }
  if (!l.subAddress.empty()) AddHyperlinkString(b, l.subAddress);  // location in the target
  TXLS_RETURN_ON_ERROR(sink.AppendRecord(b));

  if (l.screenTip.empty()) return xlsOK;
  const std::uint32_t tipBody = 2 + 8 + 2 * (static_cast<std::uint32_t>(l.screenTip.size()) + 1);
  TXLSBlob t(4 + tipBody);
  t.AddWord(RecNo(Rec::HLINKTOOLTIP));
  t.AddWord(static_cast<std::uint16_t>(tipBody));
  t.AddWord(RecNo(Rec::HLINKTOOLTIP));                  // 0: the record's own number
  t.AddWord(static_cast<std::uint16_t>(l.anchor.row1));  // 2: the anchor
  t.AddWord(static_cast<std::uint16_t>(l.anchor.row2));
  t.AddWord(static_cast<std::uint16_t>(l.anchor.col1));
  t.AddWord(static_cast<std::uint16_t>(l.anchor.col2));
  t.AddWideString(l.screenTip);  // 10: the tip, NUL-terminated
  t.AddWord(0);
  return sink.AppendRecord(t);
}

}  // namespace tablirex
