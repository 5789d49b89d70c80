#include "names/name_table.h"

#include <algorithm>

#include "biff/records.h"
#include "formula/formula.h"
#include "layout/page_setup.h"
#include "formula/formula_use.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/sheet_collection.h"
#include "workbook/sheet_extras.h"

namespace tablirex {
namespace {

bool IsAsciiLetter(char16_t c) noexcept { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool IsAsciiDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }
char16_t Upper(char16_t c) noexcept { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// True for text that reads as a cell: 1 to 3 letters and a row number, within
// the largest grid a workbook may have (XFD1048576).
bool ReadsAsA1(std::u16string_view s) {
  std::size_t i = 0;
  std::uint32_t col = 0;
  while (i < s.size() && IsAsciiLetter(s[i]) && i < 4) col = col * 26 + (Upper(s[i++]) - u'A' + 1);
  if (i == 0 || i > 3 || i == s.size() || col > 16384) return false;
  std::uint64_t row = 0;
  for (std::size_t j = i; j < s.size(); ++j) {
    if (!IsAsciiDigit(s[j])) return false;
    row = row * 10 + (s[j] - u'0');
    if (row > 1048576) return false;
  }
  return row >= 1;
}

// True for R1C1-style text: R, C, R7, C7, RC, R7C, RC7, R7C7.
bool ReadsAsR1C1(std::u16string_view s) {
  std::size_t i = 0;
  const auto digits = [&] {
    while (i < s.size() && IsAsciiDigit(s[i])) ++i;
  };
  if (i < s.size() && Upper(s[i]) == u'R') {
    ++i;
    digits();
  }
  if (i < s.size() && Upper(s[i]) == u'C') {
    ++i;
    digits();
  }
  return i > 0 && i == s.size();
}

// The 3-D area token of a built-in name: in the Excel 5 form with the words the
// format's own writers put in its reserved bytes.
void AddArea3d(std::vector<std::uint8_t>& t, std::uint16_t sheet, std::uint16_t sheetCount, const TXLSNameArea& a,
               bool twoAreas, const TRecordContext& ctx) {
  const auto word = [&](std::uint16_t w) {
    t.push_back(static_cast<std::uint8_t>(w));
    t.push_back(static_cast<std::uint8_t>(w >> 8));
  };
  t.push_back(0x3B);  // area, 3-D, reference class
  if (ctx.IsBiff5()) {
    word(static_cast<std::uint16_t>(0xFFFF - sheet));  // 1: -(one-based EXTERNSHEET)
    word(0x0000);                                      // 3: reserved
    word(0x0000);
    word(0x1087);
    word(twoAreas ? 0x8008 : 0x8005);
    word(sheet);  // 11: first sheet
    word(sheet);  // 13: last sheet
    word(a.firstRow);
    word(a.lastRow);
    t.push_back(a.firstCol);
    t.push_back(a.lastCol);
  } else {
    // 1: index into the EXTERNSHEET references, which list the sheets last first.
    word(static_cast<std::uint16_t>(sheetCount - 1 - sheet));
    word(a.firstRow);
    word(a.lastRow);
    word(a.firstCol);
    word(a.lastCol);
  }
}

}  // namespace

std::string NameProblem(std::u16string_view name) {
  if (name.empty()) return "a name has at least one character";
  if (name.size() > kMaxNameLength) return "a name has at most 255 characters";
  if (!IsAsciiLetter(name[0]) && name[0] != u'_') return "a name begins with a letter (A to Z) or \"_\"";
  for (const char16_t c : name)
    if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != u'_' && c != u'.')
      return "a name holds letters (A to Z), digits, \"_\" and \".\" only";
  if (ReadsAsA1(name) || ReadsAsR1C1(name)) return "the name reads as a cell reference";
  if (EqualsIgnoringCase(name, u"TRUE") || EqualsIgnoringCase(name, u"FALSE"))
    return "TRUE and FALSE are values, not names";
  return {};
}

// ---- one scope -------------------------------------------------------------------------

TXLSDefinedName* TXLSNameList::Find(std::u16string_view name) noexcept {
  for (TXLSDefinedName& n : items_)
    if (EqualsIgnoringCase(n.name, name)) return &n;
  return nullptr;
}

const TXLSDefinedName* TXLSNameList::Find(std::u16string_view name) const noexcept {
  for (const TXLSDefinedName& n : items_)
    if (EqualsIgnoringCase(n.name, name)) return &n;
  return nullptr;
}

TXLSDefinedName* TXLSNameList::Find(std::uint64_t id) noexcept {
  for (TXLSDefinedName& n : items_)
    if (n.id == id) return &n;
  return nullptr;
}

std::uint64_t TXLSNameList::Add(TXLSDefinedName name) {
  name.id = nextId_++;
  items_.push_back(std::move(name));
  return items_.back().id;
}

bool TXLSNameList::Remove(std::uint64_t id) {
  const std::int32_t i = IndexOf(id);
  if (i < 0) return false;
  items_.erase(items_.begin() + i);
  return true;
}

std::int32_t TXLSNameList::IndexOf(std::uint64_t id) const noexcept {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].id == id) return static_cast<std::int32_t>(i);
  return -1;
}

// ---- records ---------------------------------------------------------------------------

std::vector<std::uint8_t> BuiltinNameTokens(const TXLSNameRecord& r, std::uint16_t sheetCount,
                                            const TRecordContext& ctx) {
  std::vector<std::uint8_t> t;
  if (r.areas.empty() || r.sheet == 0) return t;
  const auto s = static_cast<std::uint16_t>(r.sheet - 1);
  if (r.areas.size() == 1) {
    AddArea3d(t, s, sheetCount, r.areas[0], false, ctx);
    return t;
  }
  // The memory token covers the areas and the list operators that join them.
  const std::size_t area = ctx.IsBiff5() ? 21 : 11;
  const std::size_t listed = r.areas.size() * area + (r.areas.size() - 1);
  t.push_back(0x29);
  t.push_back(static_cast<std::uint8_t>(listed));
  t.push_back(static_cast<std::uint8_t>(listed >> 8));
  for (std::size_t i = 0; i < r.areas.size(); ++i) {
    AddArea3d(t, s, sheetCount, r.areas[i], true, ctx);
    if (i > 0) t.push_back(0x10);  // list operator
  }
  return t;
}

std::int32_t StoreName(const TXLSNameRecord& r, std::uint16_t sheetCount, IRecordSink& sink,
                       const TRecordContext& ctx) {
  const bool biff5 = ctx.IsBiff5();
  const std::vector<std::uint8_t> tokens = r.builtin ? BuiltinNameTokens(r, sheetCount, ctx) : r.tokens;
  std::string name8;
  bool wide = false;
  std::uint32_t nameBytes = 1;
  if (!r.builtin) {
    if (biff5) {
      name8 = Utf16ToCodePage(r.name, ctx.codePage);
      nameBytes = static_cast<std::uint32_t>(name8.size());
    } else {
      wide = !IsCompressible(r.name);
      nameBytes = static_cast<std::uint32_t>(r.name.size()) * (wide ? 2 : 1);
    }
  }
  const std::uint32_t head = biff5 ? 14 : 15;
  const std::uint32_t body = head + nameBytes + static_cast<std::uint32_t>(tokens.size());
  if (body > (biff5 ? 2080u : 8224u) || tokens.size() > 0xFFFF) return xlsFail;
  TXLSBlob b(4 + body);
  b.AddWord(RecNo(Rec::NAME));
  b.AddWord(static_cast<std::uint16_t>(body));
  b.AddWord(static_cast<std::uint16_t>((r.hidden ? 0x0001 : 0) | (r.builtin ? 0x0020 : 0)));  // 0: options
  b.AddByte(0);  // 2: keyboard shortcut
  b.AddByte(static_cast<std::uint8_t>(r.builtin ? 1 : r.name.size()));  // 3: name length in characters
  b.AddWord(static_cast<std::uint16_t>(tokens.size()));                 // 4: formula length
  b.AddWord(r.sheet);  // 6: the sheet's EXTERNSHEET entry (Excel 5), the sheet (Excel 97)
  b.AddWord(r.sheet);  // 8: 1-based sheet of a local name, 0 for the workbook
  b.AddLong(0);        // 10: menu, description, help and status text lengths
  if (!biff5) b.AddByte(wide ? 0x01 : 0x00);  // 14: name string options
  if (r.builtin) {
    b.AddByte(r.builtin);
  } else if (biff5) {
    b.AddString(name8);
  } else if (wide) {
    b.AddWideString(r.name);
  } else {
    for (const char16_t c : r.name) b.AddByte(static_cast<std::uint8_t>(c));
  }
  if (!tokens.empty()) b.AddBytes(tokens.data(), static_cast<std::uint32_t>(tokens.size()));
  return sink.AppendRecord(b);
}

// ---- the table -------------------------------------------------------------------------

void TXLSNameTable::BeginSave(TXLSWorkbook& workbook, bool biff5) {
  records_.clear();
  TXLSWorkSheets& sheets = workbook.Sheets();
  const auto n = static_cast<std::uint16_t>(sheets.Size());
  for (std::uint16_t s = 0; s < n; ++s) {
    const TXLSPageSetup& setup = sheets.At(s).PageSetup();
    if (!setup.HasPrintArea()) continue;
    TXLSNameRecord r;
    r.builtin = kBuiltinPrintArea;
    r.sheet = static_cast<std::uint16_t>(s + 1);
    r.areas.push_back({static_cast<std::uint16_t>(setup.GetPrintAreaFirstRow()),
                       static_cast<std::uint16_t>(setup.GetPrintAreaLastRow()),
                       static_cast<std::uint8_t>(setup.GetPrintAreaFirstCol()),
                       static_cast<std::uint8_t>(setup.GetPrintAreaLastCol())});
    records_.push_back(std::move(r));
  }
  for (std::uint16_t s = 0; s < n; ++s) {
    const TXLSPageSetup& setup = sheets.At(s).PageSetup();
    const bool rows = setup.HasTitleRows(), cols = setup.HasTitleColumns();
    if (!rows && !cols) continue;
    TXLSNameRecord r;
    r.builtin = kBuiltinPrintTitles;
    r.sheet = static_cast<std::uint16_t>(s + 1);
    // The page setup keeps one-based titles; names address zero-based cells.
    // Title columns span all rows, title rows all columns; both give a list of
    // the columns, then the rows.
    if (cols)
      r.areas.push_back({0, static_cast<std::uint16_t>(biff5 ? 0x3FFF : 0xFFFF),
                         static_cast<std::uint8_t>(setup.GetTitleColFirst() - 1),
                         static_cast<std::uint8_t>(setup.GetTitleColLast() - 1)});
    if (rows)
      r.areas.push_back({static_cast<std::uint16_t>(setup.GetTitleRowFirst() - 1),
                         static_cast<std::uint16_t>(setup.GetTitleRowLast() - 1), 0, 0xFF});
    records_.push_back(std::move(r));
  }
  // Further built-in names (AddBuiltin) are listed here, before the defined ones.
  saving_ = true;
  for (const TXLSDefinedName& d : globals_.Items()) {
    TXLSNameRecord r;
    r.name = d.name;
    r.hidden = d.hidden;
    r.refersTo = d.refersTo;
    records_.push_back(std::move(r));
  }
  for (std::uint16_t s = 0; s < n; ++s) {
    const TXLSSheetExtras* extras = sheets.At(s).ExtrasIfAny();
    if (!extras) continue;
    for (const TXLSDefinedName& d : extras->names.Items()) {
      TXLSNameRecord r;
      r.name = d.name;
      r.sheet = static_cast<std::uint16_t>(s + 1);
      r.hidden = d.hidden;
      r.refersTo = d.refersTo;
      records_.push_back(std::move(r));
    }
  }
}

void TXLSNameTable::AddBuiltin(std::uint8_t code, std::uint16_t sheet, std::vector<TXLSNameArea> areas, bool hidden) {
  // Built-in names come before the defined ones, whose positions formulas carry.
  auto at = std::find_if(records_.begin(), records_.end(), [](const TXLSNameRecord& r) { return r.builtin == 0; });
  TXLSNameRecord r;
  r.builtin = code;
  r.sheet = sheet;
  r.hidden = hidden;
  r.areas = std::move(areas);
  records_.insert(at, std::move(r));
}

std::int32_t TXLSNameTable::EncodeNames(TXLSWorkbook& workbook) {
  TXLSWorkSheets& sheets = workbook.Sheets();
  const bool biff5 = workbook.CurrentFormat() == xlExcel5;
  for (TXLSNameRecord& r : records_) {
    if (r.builtin) continue;
    std::string label = "name " + Utf16ToUtf8(r.name);
    if (r.sheet) label += " of sheet " + sheets.At(r.sheet - 1u).GetWorkSheetName();
    TXLSFormulaUse use(workbook, TXLSFormulaUse::Kind::Name, r.sheet);
    if (use.Encode(r.refersTo, r.tokens, label) != xlsOK) return xlsFail;
    const std::size_t body = (biff5 ? 14u : 15u) + r.name.size() * 2 + r.tokens.size();
    if (body > (biff5 ? 2080u : 8224u))
      return workbook.Refuse(label + ": its formula is too long for a NAME record of the " +
                             (biff5 ? "Excel 5" : "Excel 97") + " format");
  }
  return xlsOK;
}

std::int32_t TXLSNameTable::Store(IRecordSink& sink, const TRecordContext& ctx, std::uint16_t sheetCount) const {
  for (const TXLSNameRecord& r : records_) TXLS_RETURN_ON_ERROR(StoreName(r, sheetCount, sink, ctx));
  return xlsOK;
}

void TXLSNameTable::EndSave() noexcept {
  records_.clear();
  saving_ = false;
}

std::int32_t TXLSNameTable::IndexOf(TXLSWorkbook& workbook, std::string_view name, std::int32_t sheet,
                                    bool localOnly) const {
  const std::u16string wide = Utf8ToUtf16(name);
  if (saving_) {
    const auto find = [&](std::uint16_t s) -> std::int32_t {
      for (std::size_t i = 0; i < records_.size(); ++i)
        if (records_[i].builtin == 0 && records_[i].sheet == s && EqualsIgnoringCase(records_[i].name, wide))
          return static_cast<std::int32_t>(i + 1);
      return -1;
    };
    if (sheet > 0)
      if (const std::int32_t i = find(static_cast<std::uint16_t>(sheet)); i > 0) return i;
    return localOnly ? -1 : find(0);
  }
  TXLSWorkSheets& sheets = workbook.Sheets();
  if (sheet > 0 && static_cast<std::size_t>(sheet) <= sheets.Size())
    if (const TXLSSheetExtras* e = sheets.At(static_cast<std::size_t>(sheet - 1)).ExtrasIfAny();
        e && e->names.Find(wide))
      return 1;
  if (localOnly) return -1;
  return globals_.Find(wide) ? 1 : -1;
}

}  // namespace tablirex
