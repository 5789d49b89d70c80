// Fields, datasets, fonts, colours and the grid model.
#include "tablirex/data.h"

#include <charconv>

#include "tablirex/colors.h"
#include "tablirex/result.h"

namespace tablirex {

namespace {

char Lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view Trim(std::string_view s) noexcept {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// RGB values of the system colours 0..30 of a standard light desktop scheme.
constexpr std::uint32_t kSystemColors[] = {
    0xC8D0D4,  // 0 scroll bar
    0xA56E3A,  // 1 background
    0x6A240A,  // 2 active caption
    0x808080,  // 3 inactive caption
    0xC8D0D4,  // 4 menu
    0xFFFFFF,  // 5 window
    0x000000,  // 6 window frame
    0x000000,  // 7 menu text
    0x000000,  // 8 window text
    0xFFFFFF,  // 9 caption text
    0xC8D0D4,  // 10 active border
    0xC8D0D4,  // 11 inactive border
    0x808080,  // 12 application workspace
    0x6A240A,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xC8D0D4,  // 15 button face
    0x808080,  // 16 button shadow
    0x808080,  // 17 grey text
    0x000000,  // 18 button text
    0xC8D0D4,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x404040,  // 21 3-D dark shadow
    0xC8D0D4,  // 22 3-D light
    0x000000,  // 23 info text
    0xE1FFFF,  // 24 info background
    0xB5B5B5,  // 25
    0x800000,  // 26 hot light
    0xF0CAA6,  // 27 gradient active caption
    0xC0C0C0,  // 28 gradient inactive caption
    0xFF9933,  // 29 menu highlight
    0xC8D0D4,  // 30 menu bar
};

}  // namespace

std::uint32_t ColorToRGB(TColor color) noexcept {
  if (color == clNone) return static_cast<std::uint32_t>(clNone);
  const auto u = static_cast<std::uint32_t>(color);
  if (u & 0x80000000u) {
    const std::uint32_t index = u & 0xFFu;
    return index < std::size(kSystemColors) ? kSystemColors[index] : 0;
  }
  return u & 0xFFFFFFu;
}

bool ParseColor(std::string_view text, TColor& color) noexcept {
  text = Trim(text);
  if (EqualNoCase(text, "none")) {
    color = clNone;
    return true;
  }
  if (text.size() == 7 && text[0] == '#') {
    std::uint32_t rgb = 0;
    const auto r = std::from_chars(text.data() + 1, text.data() + 7, rgb, 16);
    if (r.ec != std::errc() || r.ptr != text.data() + 7) return false;
    // #RRGGBB to red in the low byte
    color = static_cast<TColor>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    return true;
  }
  // Colour names through the palette's own name table.
  static constexpr struct {
    const char* name;
    std::uint32_t rgb;
  } kNames[] = {
      {"black", 0x000000},   {"white", 0xFFFFFF},  {"red", 0x0000FF},     {"lime", 0x00FF00},
      {"green", 0x008000},   {"blue", 0xFF0000},   {"yellow", 0x00FFFF},  {"magenta", 0xFF00FF},
      {"fuchsia", 0xFF00FF}, {"cyan", 0xFFFF00},   {"aqua", 0xFFFF00},    {"brown", 0x000080},
      {"navy", 0x800000},    {"purple", 0x800080}, {"silver", 0xC0C0C0},  {"gray", 0x808080},
      {"grey", 0x808080},    {"orange", 0x0099FF},
  };
  for (const auto& n : kNames)
    if (EqualNoCase(text, n.name)) {
      color = static_cast<TColor>(n.rgb);
      return true;
    }
  return false;
}

bool ParseFont(std::string_view text, TFont& font) {
  // "Name[,size][,style...]": the styles given are the font's styles.
  TFont result = font;
  result.SetStyle(0);
  bool first = true;
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view item = Trim(text.substr(0, comma));
    if (first) {
      if (item.empty()) return false;
      result.SetName(item);
      first = false;
    } else if (!item.empty() && item[0] >= '0' && item[0] <= '9') {
      std::int32_t size = 0;
      const auto r = std::from_chars(item.data(), item.data() + item.size(), size);
      if (r.ec != std::errc() || r.ptr != item.data() + item.size() || size < 1 || size > 409)
        return false;
      result.SetSize(size);
    } else {
      TFontStyles bit = 0;
      if (EqualNoCase(item, "bold")) bit = fsBold;
      else if (EqualNoCase(item, "italic")) bit = fsItalic;
      else if (EqualNoCase(item, "underline")) bit = fsUnderline;
      else if (EqualNoCase(item, "strikeout")) bit = fsStrikeOut;
      else if (!EqualNoCase(item, "regular")) return false;
      result.SetStyle(static_cast<TFontStyles>(result.GetStyle() | bit));
    }
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  font = result;
  return true;
}

const char* FieldTypeName(TFieldType type) noexcept {
  switch (type) {
    case ftUnknown: return "unknown";
    case ftString: return "string";
    case ftSmallint: return "smallint";
    case ftInteger: return "integer";
    case ftWord: return "word";
    case ftBoolean: return "boolean";
    case ftFloat: return "float";
    case ftCurrency: return "currency";
    case ftBCD: return "decimal";
    case ftDate: return "date";
    case ftTime: return "time";
    case ftDateTime: return "datetime";
    case ftBytes: return "bytes";
    case ftBlob: return "blob";
    case ftMemo: return "memo";
    case ftLargeint: return "largeint";
  }
  return "unknown";
}

TField* TDataSet::FindField(std::string_view name) const noexcept {
  for (const auto& f : fields_)
    if (f->GetFieldName() == name) return f.get();
  for (const auto& f : fields_)
    if (EqualNoCase(f->GetFieldName(), name)) return f.get();
  return nullptr;
}

TField* TDataSet::AddField(std::unique_ptr<TField> field) {
  fields_.push_back(std::move(field));
  return fields_.back().get();
}

std::int32_t TDataSet::Fail(std::string message) {
  error_ = std::move(message);
  return xlsFail;
}

TField* TDBGrid::GetColumnField(std::int32_t index) const noexcept {
  if (!dataset_ || index < 0 || index >= GetColumnCount()) return nullptr;
  const std::string& name = columns_[static_cast<std::size_t>(index)].FieldName;
  return name.empty() ? nullptr : dataset_->FindField(name);
}

void TDBGrid::AddDefaultColumns() {
  if (!dataset_) return;
  for (std::int32_t i = 0; i < dataset_->GetFieldCount(); ++i) {
    const TField* f = dataset_->GetField(i);
    TColumn c;
    c.FieldName = f->GetFieldName();
    c.Title.Caption = f->GetFieldName();
    switch (f->GetDataType()) {
      case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency:
      case ftBCD: case ftLargeint:
        c.Alignment = taRightJustify;
        break;
      default:
        break;
    }
    // A grid shows a field at its display width: about 7 pixels a character
    // plus the cell margins.
    const std::int32_t chars = f->GetDisplayWidth() > 0 ? f->GetDisplayWidth() : 10;
    c.Width = chars * 7 + 4;
    columns_.push_back(std::move(c));
  }
}

}  // namespace tablirex
