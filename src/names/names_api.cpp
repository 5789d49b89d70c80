// The object model of defined names: the collections of the workbook and of each
// sheet, and the view of one name.
#include "tablirex/names.h"

#include "formula/formula_use.h"
#include "names/name_table.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/sheet_extras.h"

namespace tablirex {
namespace {

// Where a collection's names live: the workbook's own list, or a sheet's (found
// through the sheet's link, so that a view outliving its sheet finds nothing).
class TNameScope {
 public:
  explicit TNameScope(TXLSWorkbook& workbook) : book_(workbook.NameTable().Link(workbook)) {}
  explicit TNameScope(IXLSWorksheet& sheet) : link_(sheet.Link()) {}

  IXLSWorksheet* Sheet() const noexcept { return link_ ? link_->Sheet() : nullptr; }
  /// The workbook, or nullptr once a sheet scope's sheet is gone.
  TXLSWorkbook* Workbook() const noexcept {
    if (book_) return book_->Workbook();
    IXLSWorksheet* s = Sheet();
    return s ? &s->Workbook() : nullptr;
  }
  /// The list, or nullptr once the sheet is gone.
  TXLSNameList* List() const {
    if (book_) return book_->Workbook() ? &book_->Workbook()->NameTable().Globals() : nullptr;
    IXLSWorksheet* s = Sheet();
    return s ? &s->Extras().names : nullptr;
  }
  /// 1-based position of the sheet, 0 for the workbook.
  std::int32_t Position() const noexcept {
    IXLSWorksheet* s = Sheet();
    return s ? s->GetIndex() : 0;
  }
  std::string Describe() const {
    IXLSWorksheet* s = Sheet();
    return s ? "on sheet " + s->GetWorkSheetName() : "in the workbook";
  }
  void Changed() const {
    if (TXLSWorkbook* wb = Workbook()) wb->NameTable().Changed();
  }

 private:
  Ref<TXLSBookLink> book_;
  Ref<TXLSSheetLink> link_;
};

std::int32_t CheckRefersTo(const TNameScope& scope, std::string_view name, std::string_view refersTo) {
  TXLSWorkbook& wb = *scope.Workbook();
  TXLSFormulaUse use(wb, TXLSFormulaUse::Kind::Name, scope.Position());
  return use.Check(refersTo, "name " + std::string(name));
}

class TXLSName final : public IXLSName {
 public:
  TXLSName(TNameScope scope, std::uint64_t id) : IXLSName(true), scope_(std::move(scope)), id_(id) {}

  std::string GetName() override {
    const TXLSDefinedName* n = Get();
    return n ? Utf16ToUtf8(n->name) : std::string();
  }
  std::string GetRefersTo() override {
    const TXLSDefinedName* n = Get();
    return n ? "=" + n->refersTo : std::string();
  }
  std::int32_t SetRefersTo(std::string_view refersTo) override {
    TXLSDefinedName* n = Get();
    if (!n) return Gone();
    const std::string name = Utf16ToUtf8(n->name);
    TXLS_RETURN_ON_ERROR(CheckRefersTo(scope_, name, refersTo));
    // The check may have made the compiler; the name is found again.
    n = Get();
    n->refersTo = std::string(WithoutEquals(refersTo));
    scope_.Changed();
    return xlsOK;
  }
  bool GetVisible() override {
    const TXLSDefinedName* n = Get();
    return n && !n->hidden;
  }
  std::int32_t SetVisible(bool visible) override {
    TXLSDefinedName* n = Get();
    if (!n) return Gone();
    n->hidden = !visible;
    return xlsOK;
  }
  std::string GetParentSheet() override {
    IXLSWorksheet* s = Get() ? scope_.Sheet() : nullptr;
    return s ? s->GetWorkSheetName() : std::string();
  }
  std::int32_t Delete() override {
    TXLSNameList* list = scope_.List();
    if (!list || !list->Remove(id_)) return Gone();
    scope_.Changed();
    return xlsOK;
  }

 private:
  TXLSDefinedName* Get() const {
    TXLSNameList* list = scope_.List();
    return list ? list->Find(id_) : nullptr;
  }
  std::int32_t Gone() const {
    if (TXLSWorkbook* wb = scope_.Workbook()) return wb->Refuse("the name was deleted");
    return xlsFail;
  }

  TNameScope scope_;
  std::uint64_t id_;
};

class TXLSNames final : public IXLSNames {
 public:
  explicit TXLSNames(TNameScope scope) : IXLSNames(true), scope_(std::move(scope)) {}

  Ref<IXLSName> Add(std::string_view name, std::string_view refersTo) override {
    TXLSNameList* list = scope_.List();
    if (!list) return nullptr;
    TXLSWorkbook& wb = *scope_.Workbook();
    const std::u16string wide = Utf8ToUtf16(name);
    const std::string head = "cannot add the name \"" + std::string(name.substr(0, 60)) + "\": ";
    if (const std::string problem = NameProblem(wide); !problem.empty()) {
      (void)wb.Refuse(head + problem);
      return nullptr;
    }
    if (list->Find(wide)) {
      (void)wb.Refuse(head + "a name spelt so exists already " + scope_.Describe());
      return nullptr;
    }
    if (CheckRefersTo(scope_, std::string(name), refersTo) != xlsOK) return nullptr;
    TXLSDefinedName n;
    n.name = wide;
    n.refersTo = std::string(WithoutEquals(refersTo));
    const std::uint64_t id = scope_.List()->Add(std::move(n));
    scope_.Changed();
    return MakeRef<TXLSName>(scope_, id);
  }
  std::int32_t GetCount() override {
    const TXLSNameList* list = scope_.List();
    return list ? static_cast<std::int32_t>(list->Items().size()) : 0;
  }
  Ref<IXLSName> GetItem(std::int32_t index) override {
    const TXLSNameList* list = scope_.List();
    if (!list) return nullptr;
    if (index < 1 || static_cast<std::size_t>(index) > list->Items().size()) {
      (void)scope_.Workbook()->Refuse("no name at index " + std::to_string(index) + " " + scope_.Describe() +
                                      " (it has " + std::to_string(list->Items().size()) + ")");
      return nullptr;
    }
    return MakeRef<TXLSName>(scope_, list->Items()[static_cast<std::size_t>(index - 1)].id);
  }
  Ref<IXLSName> GetItem(std::string_view name) override {
    TXLSNameList* list = scope_.List();
    const TXLSDefinedName* n = list ? list->Find(Utf8ToUtf16(name)) : nullptr;
    if (!n) return nullptr;
    return MakeRef<TXLSName>(scope_, n->id);
  }
  std::int32_t Delete(std::string_view name) override {
    TXLSNameList* list = scope_.List();
    if (!list) return xlsFail;
    const TXLSDefinedName* n = list->Find(Utf8ToUtf16(name));
    if (!n) return scope_.Workbook()->Refuse("no name \"" + std::string(name) + "\" " + scope_.Describe());
    list->Remove(n->id);
    scope_.Changed();
    return xlsOK;
  }

 private:
  TNameScope scope_;
};

}  // namespace

Ref<IXLSNames> TXLSWorkbook::GetNames() { return MakeRef<TXLSNames>(TNameScope(*this)); }

Ref<IXLSNames> IXLSWorksheet::GetNames() { return MakeRef<TXLSNames>(TNameScope(*this)); }

}  // namespace tablirex
