// The workbook's built-in document properties: the object model's operations,
// the summary streams of the compound document and the HTML page's head.
#include "workbook/document_properties.h"

#include <algorithm>
#include <cstdio>

#include "cfb/property_set.h"
#include "html/html_writer.h"
#include "tablirex/datetime.h"
#include "tablirex/document_properties.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "text/text.h"

namespace tablirex {
namespace {

constexpr const char* kNames[] = {"Title",    "Subject",  "Author",   "Manager",       "Company",
                                  "Category", "Keywords", "Comments", "Creation Date", "Last Save Time"};
constexpr std::int32_t kLastProperty = xlPropertyLastSaveTime;
constexpr std::int32_t kLastText = xlPropertyComments;

// Where each text goes: its set (true: document summary) and property number.
struct TTextPlace {
  bool documentSummary;
  std::uint32_t id;
};
constexpr TTextPlace kTextPlaces[TXLSDocumentProperties::kTexts] = {
    {false, static_cast<std::uint32_t>(TSummaryProperty::Title)},
    {false, static_cast<std::uint32_t>(TSummaryProperty::Subject)},
    {false, static_cast<std::uint32_t>(TSummaryProperty::Author)},
    {true, static_cast<std::uint32_t>(TDocSummaryProperty::Manager)},
    {true, static_cast<std::uint32_t>(TDocSummaryProperty::Company)},
    {true, static_cast<std::uint32_t>(TDocSummaryProperty::Category)},
    {false, static_cast<std::uint32_t>(TSummaryProperty::Keywords)},
    {false, static_cast<std::uint32_t>(TSummaryProperty::Comments)},
};

// The meta names of the texts on an HTML page (the title has its own element).
constexpr const char* kMetaNames[TXLSDocumentProperties::kTexts] = {
    nullptr, "subject", "author", "manager", "company", "category", "keywords", "description"};

// A time a summary stream can carry: 1601 to 9999.
bool IsPropertyTime(double serial) noexcept { return IsDateSerial(serial) && FileTimeOfSerial(serial) > 0; }

// One property as BuiltinDocumentProperties hands it out.
class TXLSDocumentPropertyView final : public IXLSDocumentProperty {
 public:
  TXLSDocumentPropertyView(TXLSWorkbook* workbook, std::int32_t property)
      : IXLSDocumentProperty(true), workbook_(workbook), property_(property) {}
  std::string GetName() override { return DocumentPropertyName(property_); }
  TVariant GetValue() override { return workbook_->GetDocumentProperty(property_); }
  std::int32_t SetValue(const TVariant& value) override {
    return workbook_->SetDocumentProperty(property_, value);
  }

 private:
  Ref<TXLSWorkbook> workbook_;
  std::int32_t property_;
};

}  // namespace

const char* DocumentPropertyName(std::int32_t property) noexcept {
  if (property < xlPropertyTitle || property > kLastProperty) return nullptr;
  return kNames[property - 1];
}

bool TXLSDocumentProperties::Empty() const noexcept {
  for (const std::string& t : Texts)
    if (!t.empty()) return false;
  return Created == 0 && LastSaved == 0;
}

std::vector<TCompoundStreamData> SummaryStreams(const TXLSDocumentProperties& properties,
                                                std::uint16_t codePage) {
  std::vector<TCompoundStreamData> out;
  if (properties.Empty()) return out;
  std::array<std::u16string, TXLSDocumentProperties::kTexts> wide;
  bool fits = CodePageSupported(codePage) && codePage != 1200;
  bool documentSummary = false;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = Utf8ToUtf16(properties.Texts[i]);
    if (wide[i].empty()) continue;
    documentSummary = documentSummary || kTextPlaces[i].documentSummary;
    std::size_t unmapped = 0;
    (void)Utf16ToCodePage(wide[i], codePage, &unmapped);
    fits = fits && unmapped == 0 && wide[i].find(u'\0') == std::u16string::npos;
  }
  // A text the code page lacks a character of is kept whole as UTF-16.
  const std::uint16_t page = fits ? codePage : 1200;
  TPropertySetWriter summary(kSummaryInformationId, page);
  TPropertySetWriter docSummary(kDocumentSummaryInformationId, page);
  // Properties in the order of their numbers within each set.
  std::array<std::size_t, TXLSDocumentProperties::kTexts> order{};
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [](std::size_t a, std::size_t b) { return kTextPlaces[a].id < kTextPlaces[b].id; });
  for (const std::size_t i : order) {
    if (wide[i].empty()) continue;
    (kTextPlaces[i].documentSummary ? docSummary : summary).AddText(kTextPlaces[i].id, wide[i]);
  }
  if (properties.Created != 0)
    summary.AddFileTime(static_cast<std::uint32_t>(TSummaryProperty::Created), FileTimeOfSerial(properties.Created));
  if (properties.LastSaved != 0)
    summary.AddFileTime(static_cast<std::uint32_t>(TSummaryProperty::LastSaved),
                        FileTimeOfSerial(properties.LastSaved));
  out.push_back(TCompoundStreamData{u"\005SummaryInformation", summary.Bytes()});
  if (documentSummary) out.push_back(TCompoundStreamData{u"\005DocumentSummaryInformation", docSummary.Bytes()});
  return out;
}

std::string DocumentPropertiesHTML(const TXLSDocumentProperties& properties) {
  std::string out;
  if (!properties.Title().empty())
    out += "<title>" + EscapeHTML(properties.Title(), TLineBreaks::Space) + "</title>\r\n";
  for (std::size_t i = 0; i < properties.Texts.size(); ++i) {
    if (!kMetaNames[i] || properties.Texts[i].empty()) continue;
    out += std::string("<meta name=\"") + kMetaNames[i] + "\" content=\"" +
           EscapeHTML(properties.Texts[i], TLineBreaks::Space) + "\">\r\n";
  }
  const auto time = [&](const char* name, double serial) {
    if (serial == 0) return;
    const TDateParts p = DecodeDateTime(serial);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", p.year, p.month, p.day, p.hour, p.minute,
                  p.second);
    out += std::string("<meta name=\"") + name + "\" content=\"" + text + "\">\r\n";
  };
  time("dcterms.created", properties.Created);
  time("dcterms.modified", properties.LastSaved);
  return out;
}

// ---- the workbook's operations ----------------------------------------------------

std::int32_t TXLSWorkbook::SetDocumentProperty(std::int32_t property, const TVariant& value) {
  const char* name = DocumentPropertyName(property);
  if (!name) return Refuse("document property " + std::to_string(property) + " does not exist (1 to 10)");
  const std::string what = std::string("document property \"") + name + "\"";
  TXLSDocumentProperties& p = *properties_;
  if (property <= kLastText) {
    std::string& text = p.Texts[static_cast<std::size_t>(property - 1)];
    if (value.IsEmptyOrNull()) {
      text.clear();
      return xlsOK;
    }
    if (!value.IsString()) return Refuse(what + " takes a text");
    std::string v = value.AsString();
    if (Utf8ToUtf16(v).size() > kMaxDocumentPropertyText)
      return Refuse(what + " holds at most " + std::to_string(kMaxDocumentPropertyText) + " characters");
    text = std::move(v);
    return xlsOK;
  }
  double& time = property == xlPropertyCreationDate ? p.Created : p.LastSaved;
  if (value.IsEmptyOrNull()) {
    time = 0;
    return xlsOK;
  }
  if (value.Type() != varDate && (value.Type() == varBoolean || !value.IsNumeric()))
    return Refuse(what + " takes a date");
  const double serial = value.AsDouble();
  if (!IsPropertyTime(serial)) return Refuse(what + " lies between the years 1601 and 9999");
  time = serial;
  return xlsOK;
}

TVariant TXLSWorkbook::GetDocumentProperty(std::int32_t property) {
  if (!DocumentPropertyName(property)) return TVariant::Null();
  const TXLSDocumentProperties& p = *properties_;
  if (property <= kLastText) {
    const std::string& text = p.Texts[static_cast<std::size_t>(property - 1)];
    return text.empty() ? TVariant::Null() : TVariant(text);
  }
  const double time = property == xlPropertyCreationDate ? p.Created : p.LastSaved;
  return time == 0 ? TVariant::Null() : TVariant::Date(time);
}

Ref<IXLSDocumentProperty> TXLSWorkbook::BuiltinDocumentProperties(std::string_view name) {
  for (std::int32_t i = xlPropertyTitle; i <= kLastProperty; ++i)
    if (EqualIgnoringAsciiCase(name, kNames[i - 1])) return MakeRef<TXLSDocumentPropertyView>(this, i);
  (void)Refuse("no built-in document property is named \"" + std::string(name) +
               "\" (Title, Subject, Author, Manager, Company, Category, Keywords, Comments, Creation "
               "Date, Last Save Time)");
  return nullptr;
}

}  // namespace tablirex
