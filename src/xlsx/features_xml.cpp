#include "xlsx/features_xml.h"

#include <charconv>

#include "text/text.h"

namespace tablirex::xlsx {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendEscapeCode(std::string& out, unsigned code) {
  out += "_x";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
  out += '_';
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// "_xHHHH_" starts at s[i].
bool StartsEscape(std::string_view s, std::size_t i) {
  if (i + 7 > s.size() || s[i + 1] != 'x' || s[i + 6] != '_') return false;
  for (std::size_t k = i + 2; k < i + 6; ++k)
    if (!IsHex(s[k])) return false;
  return true;
}

void Append(std::string& out, std::string_view s, bool attribute) {
  out.reserve(out.size() + s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '&': out += "&amp;"; continue;
      case '<': out += "&lt;"; continue;
      case '>': out += "&gt;"; continue;
      case '"':
        out += attribute ? "&quot;" : "\"";
        continue;
      case '\t':
        out += attribute ? "&#9;" : "\t";
        continue;
      case '\n':
        out += attribute ? "&#10;" : "\n";
        continue;
      case '_':
        if (StartsEscape(s, i)) AppendEscapeCode(out, '_');
        else out += '_';
        continue;
      default:
        break;
    }
    if (u < 0x20) {
      AppendEscapeCode(out, u);  // carriage return included: readers would fold it away
    } else if (u == 0xEF && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBF &&
               static_cast<unsigned char>(s[i + 2]) >= 0xBE) {
      // U+FFFE and U+FFFF are no XML characters either.
      AppendEscapeCode(out, 0xFFC0u | (static_cast<unsigned char>(s[i + 2]) & 0x3Fu));
      i += 2;
    } else {
      out += c;
    }
  }
}

}  // namespace

void AppendXmlText(std::string& out, std::string_view utf8) { Append(out, utf8, false); }
void AppendXmlText(std::string& out, std::u16string_view text) { Append(out, Utf16ToUtf8(text), false); }

void AppendXmlAttr(std::string& out, std::string_view name, std::string_view utf8) {
  out += ' ';
  out += name;
  out += "=\"";
  Append(out, utf8, true);
  out += '"';
}

void AppendXmlAttr(std::string& out, std::string_view name, std::u16string_view text) {
  AppendXmlAttr(out, name, std::string_view(Utf16ToUtf8(text)));
}

void AppendXmlAttr(std::string& out, std::string_view name, std::int64_t value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  out += ' ';
  out += name;
  out += "=\"";
  out.append(buf, r.ptr);
  out += '"';
}

std::string ArgbText(std::uint32_t rgb) {
  std::string s = "FF";
  for (const unsigned channel : {rgb & 0xFFu, (rgb >> 8) & 0xFFu, (rgb >> 16) & 0xFFu}) {
    s += kHex[channel >> 4];
    s += kHex[channel & 0xF];
  }
  return s;
}

std::string TRelIds::Add(TSheetExtras& out, std::string_view type, std::string target, bool external) {
  std::string id = "rId" + std::to_string(next_++);
  out.relationships.push_back(TRelationship{id, std::string(type), std::move(target), external});
  return id;
}

}  // namespace tablirex::xlsx
