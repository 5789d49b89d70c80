#include "workbook/sheet_collection.h"

#include <algorithm>

#include "tablirex/workbook.h"
#include "text/text.h"

namespace tablirex {

TXLSWorkSheets::TXLSWorkSheets(TXLSWorkbook& workbook) : IXLSWorkSheets(false), workbook_(&workbook) {}

TXLSWorkSheets::~TXLSWorkSheets() = default;

IXLSWorksheet* TXLSWorkSheets::Get(std::int32_t index) {
  if (index < 1 || index > GetCount()) return nullptr;
  return sheets_[static_cast<std::size_t>(index - 1)].get();
}

std::int32_t TXLSWorkSheets::IndexOfName(std::u16string_view name) const {
  for (std::size_t i = 0; i < sheets_.size(); ++i)
    if (sheets_[i]->Name() == name) return static_cast<std::int32_t>(i + 1);
  return -1;
}

std::int32_t TXLSWorkSheets::GetIndexByName(std::string_view name) {
  return IndexOfName(Utf8ToUtf16(name));
}

namespace {

// Upper case for comparing names without regard to case: ASCII, Latin-1, Greek
// and Cyrillic letters, the scripts sheet names mostly use.
char16_t FoldCase(char16_t c) noexcept {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
      (c >= 0x430 && c <= 0x44F))
    return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  return c;
}

bool SameName(std::u16string_view a, std::u16string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

}  // namespace

std::string TXLSWorkSheets::NameProblem(std::int32_t index, std::u16string_view name) const {
  if (name.empty()) return "a sheet name cannot be empty";
  if (name.size() > 31) return "a sheet name has at most 31 characters";
  for (const char16_t c : name) {
    if (c < 0x20 || c == 0x7F) return "a sheet name cannot hold control characters";
    if (c == u'[' || c == u']' || c == u':' || c == u'*' || c == u'?' || c == u'/' || c == u'\\')
      return "a sheet name cannot hold any of []:*?/\\";
  }
  if (name.front() == u'\'' || name.back() == u'\'')
    return "a sheet name cannot begin or end with an apostrophe";
  for (std::size_t i = 0; i < sheets_.size(); ++i) {
    if (static_cast<std::int32_t>(i + 1) == index) continue;
    if (SameName(sheets_[i]->Name(), name)) return "another sheet is named " + Utf16ToUtf8(sheets_[i]->Name());
  }
  return std::string();
}

bool TXLSWorkSheets::CheckName(std::int32_t index, std::u16string_view name) const {
  return NameProblem(index, name).empty();
}

std::u16string TXLSWorkSheets::GetNewName() const {
  std::int32_t n = static_cast<std::int32_t>(sheets_.size()) + 1;
  for (;;) {
    std::u16string candidate = workbook_->SheetNamePrefix();
    for (const char c : std::to_string(n)) candidate.push_back(static_cast<char16_t>(c));
    if (CheckName(0, candidate)) return candidate;
    ++n;
  }
}

void TXLSWorkSheets::Renumber(std::size_t from) {
  for (std::size_t i = from; i < sheets_.size(); ++i)
    sheets_[i]->SetPosition(static_cast<std::int32_t>(i + 1));
}

IXLSWorksheet* TXLSWorkSheets::AddSheet(std::int32_t position) {
  if (position < 1 || position > GetCount() + 1) return nullptr;
  auto sheet = std::make_unique<IXLSWorksheet>(*workbook_);
  sheet->SetNameDirect(GetNewName());
  sheet->SetCollection(this);
  IXLSWorksheet* raw = sheet.get();
  sheets_.insert(sheets_.begin() + (position - 1), std::move(sheet));
  Renumber(static_cast<std::size_t>(position - 1));
  if (sheets_.size() == 1) raw->Activate();
  return raw;
}

IXLSWorksheet* TXLSWorkSheets::Add() { return AddSheet(GetCount() + 1); }

IXLSWorksheet* TXLSWorkSheets::Add(IXLSWorksheet* before, IXLSWorksheet* after, std::int32_t count,
                                   const TVariant& /*type*/) {
  if (count <= 0) return nullptr;
  std::int32_t p = GetCount() + 1;
  if (before)
    p = before->GetIndex();
  else if (after)
    p = after->GetIndex() + 1;
  IXLSWorksheet* last = nullptr;
  for (std::int32_t i = 0; i < count; ++i) last = AddSheet(p + i);
  return last;
}

void TXLSWorkSheets::Delete(std::int32_t index) {
  if (index < 1 || index > GetCount()) return;
  const auto at = static_cast<std::size_t>(index - 1);
  // Hidden sheets may stay only beside a visible one.
  const auto shown = [](const std::unique_ptr<IXLSWorksheet>& s) { return s->GetVisible() == xlSheetVisible; };
  if (shown(sheets_[at]) && std::count_if(sheets_.begin(), sheets_.end(), shown) == 1 && sheets_.size() > 1) {
    (void)workbook_->Refuse("cannot delete sheet " + sheets_[at]->GetWorkSheetName() +
                            ": it is the only visible sheet and a workbook keeps at least one");
    return;
  }
  std::unique_ptr<IXLSWorksheet> gone = std::move(sheets_[at]);
  sheets_.erase(sheets_.begin() + static_cast<std::ptrdiff_t>(at));
  Renumber(at);
  if (active_ == gone.get()) {
    active_ = nullptr;
    const auto first = std::find_if(sheets_.begin(), sheets_.end(), shown);
    if (first != sheets_.end()) (*first)->Activate();
  }
}

void TXLSWorkSheets::Deselect() {
  for (auto& s : sheets_) s->SetSelectedFlag(false);
}

void TXLSWorkSheets::MoveSheet(std::int32_t from, std::int32_t to) {
  if (from == to || from < 1 || to < 1 || from > GetCount() || to > GetCount()) return;
  auto sheet = std::move(sheets_[static_cast<std::size_t>(from - 1)]);
  sheets_.erase(sheets_.begin() + (from - 1));
  sheets_.insert(sheets_.begin() + (to - 1), std::move(sheet));
  Renumber(0);
}

}  // namespace tablirex
