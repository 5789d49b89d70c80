// The built-in document properties of a workbook: title, subject, author and
// the others a file's summary carries, and the times it was created and saved.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tablirex/object.h"
#include "tablirex/variant.h"

namespace tablirex {

/// The built-in document properties the workbook keeps.
enum TXLSDocumentProperty : std::int32_t {
  xlPropertyTitle = 1,
  xlPropertySubject = 2,
  xlPropertyAuthor = 3,
  xlPropertyManager = 4,
  xlPropertyCompany = 5,
  xlPropertyCategory = 6,
  xlPropertyKeywords = 7,
  xlPropertyComments = 8,
  /// A date-time (serial day number, UTC).
  xlPropertyCreationDate = 9,
  /// A date-time (serial day number, UTC).
  xlPropertyLastSaveTime = 10,
};

/// Longest text a property keeps, in UTF-16 code units: what a summary stream
/// holds in either of its string forms.
inline constexpr std::size_t kMaxDocumentPropertyText = 32766;

/// The property's name as BuiltinDocumentProperties takes it: "Title",
/// "Subject", "Author", "Manager", "Company", "Category", "Keywords",
/// "Comments", "Creation Date", "Last Save Time"; nullptr for another value.
const char* DocumentPropertyName(std::int32_t property) noexcept;

/// One built-in property of a workbook. Keeps the workbook alive.
class IXLSDocumentProperty : public TXLSObject {
 public:
  using TXLSObject::TXLSObject;
  /// The property's name ("Title", "Creation Date", ...).
  virtual std::string GetName() = 0;
  /// The value: a text, a date (for the two times), or null while it is not set.
  virtual TVariant GetValue() = 0;
  /// As IXLSDocumentProperties::SetDocumentProperty.
  virtual std::int32_t SetValue(const TVariant& value) = 0;
};

/// The document-property part of the workbook interface (IXLSWorkBook derives
/// from it). Properties are written into every Excel 97 and Excel 5 file, as the
/// summary streams of the compound document ("\005SummaryInformation" and
/// "\005DocumentSummaryInformation", only when one is set), and into HTML pages
/// as <title> and <meta> elements. Nothing is set at creation; the times in
/// particular are written only when given, so that the same workbook saves to
/// the same bytes.
class IXLSDocumentProperties {
 public:
  /// Sets a property: a text (UTF-8) for the texts, a date or a serial day
  /// number (UTC, from 1601 on) for the times; an empty text, null or empty
  /// clears it. Returns 1, or -1 with the reason left with GetLastError (a
  /// property number that names none, a value of another kind, a text longer
  /// than kMaxDocumentPropertyText, a time before 1601 or past 9999), the
  /// property unchanged.
  virtual std::int32_t SetDocumentProperty(std::int32_t property, const TVariant& value) = 0;
  /// The value: a text, a date, or null while it is not set (null as well for
  /// a number that names no property).
  virtual TVariant GetDocumentProperty(std::int32_t property) = 0;
  /// The property of that name (DocumentPropertyName, letter case ignored), or
  /// nullptr with the reason left with GetLastError.
  virtual Ref<IXLSDocumentProperty> BuiltinDocumentProperties(std::string_view name) = 0;

  // Shorthands for the properties; the setters return what SetDocumentProperty does.
  std::int32_t SetTitle(std::string_view v) { return SetText(xlPropertyTitle, v); }
  std::int32_t SetSubject(std::string_view v) { return SetText(xlPropertySubject, v); }
  std::int32_t SetAuthor(std::string_view v) { return SetText(xlPropertyAuthor, v); }
  std::int32_t SetManager(std::string_view v) { return SetText(xlPropertyManager, v); }
  std::int32_t SetCompany(std::string_view v) { return SetText(xlPropertyCompany, v); }
  std::int32_t SetCategory(std::string_view v) { return SetText(xlPropertyCategory, v); }
  std::int32_t SetKeywords(std::string_view v) { return SetText(xlPropertyKeywords, v); }
  std::int32_t SetComments(std::string_view v) { return SetText(xlPropertyComments, v); }
  /// serial: a serial day number (UTC); 0 clears the time.
  std::int32_t SetCreationDate(double serial) { return SetTime(xlPropertyCreationDate, serial); }
  std::int32_t SetLastSaveTime(double serial) { return SetTime(xlPropertyLastSaveTime, serial); }
  /// The texts, empty while not set.
  std::string GetTitle() { return Text(xlPropertyTitle); }
  std::string GetSubject() { return Text(xlPropertySubject); }
  std::string GetAuthor() { return Text(xlPropertyAuthor); }
  std::string GetManager() { return Text(xlPropertyManager); }
  std::string GetCompany() { return Text(xlPropertyCompany); }
  std::string GetCategory() { return Text(xlPropertyCategory); }
  std::string GetKeywords() { return Text(xlPropertyKeywords); }
  std::string GetComments() { return Text(xlPropertyComments); }
  /// The times as serial day numbers, 0 while not set.
  double GetCreationDate() { return Time(xlPropertyCreationDate); }
  double GetLastSaveTime() { return Time(xlPropertyLastSaveTime); }

 protected:
  IXLSDocumentProperties() = default;
  ~IXLSDocumentProperties() = default;

 private:
  std::int32_t SetText(std::int32_t p, std::string_view v) {
    return SetDocumentProperty(p, v.empty() ? TVariant() : TVariant(std::string(v)));
  }
  std::int32_t SetTime(std::int32_t p, double serial) {
    return SetDocumentProperty(p, serial == 0 ? TVariant() : TVariant::Date(serial));
  }
  std::string Text(std::int32_t p) {
    const TVariant v = GetDocumentProperty(p);
    return v.IsString() ? v.AsString() : std::string();
  }
  double Time(std::int32_t p) {
    const TVariant v = GetDocumentProperty(p);
    return v.Type() == varDate ? v.AsDouble() : 0.0;
  }
};

}  // namespace tablirex
