// Texts of the HTML pages: escaping, colours and border words.
#include <algorithm>
#include <cstdio>
#include <string>

#include "html/html_writer.h"
#include "tablirex/colors.h"
#include "tablirex/lines.h"

namespace tablirex {

std::string EscapeHTML(std::string_view text, TLineBreaks breaks) {
  const std::string_view lineBreak = breaks == TLineBreaks::Break   ? "<br>"
                                     : breaks == TLineBreaks::Space ? " "
                                                                    : "&#10;";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r':
        out += lineBreak;
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        break;
      case '\n': out += lineBreak; break;
      default: out += c;
    }
  }
  return out;
}

std::string HTMLColor(std::uint32_t rgb) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
  return buf;
}

std::string HTMLBorderWidth(std::int32_t weight, std::int32_t lineStyle) {
  // Tenths of a point, so that the sums stay exact.
  int tenths = 0;
  switch (weight) {
    case xlHairline: tenths = 1; break;
    case xlThin: tenths = 5; break;
    case xlMedium: tenths = 15; break;
    case xlThick: tenths = 20; break;
    default: break;
  }
  // Two lines and the gap between them need 3 pixels at least.
  constexpr int kLeastDouble = 23;
  if (lineStyle == xlDouble) tenths = std::max(tenths + 15, kLeastDouble);
  // "#.#": no leading zero, no trailing ".0".
  std::string out = tenths >= 10 ? std::to_string(tenths / 10) : tenths == 0 ? "0" : "";
  if (tenths % 10 != 0) out += "." + std::to_string(tenths % 10);
  return out + "pt";
}

std::string_view HTMLBorderStyle(std::int32_t lineStyle) {
  switch (lineStyle) {
    case xlContinuous: return "solid";
    case xlDash:
    case xlDashDot:
    case xlDashDotDot:
    case xlSlantDashDot: return "dashed";
    case xlDouble: return "double";
    case xlDot: return "dotted";
    default: return "";
  }
}

std::string SheetNumberText(std::int32_t position) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03d", static_cast<int>(position));
  return buf;
}

std::string EncodeURLComponent(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
  return out;
}

}  // namespace tablirex
