// The package: content types, relationships, document properties, the
// workbook, styles and shared strings parts, and one part per sheet with what
// its features add, in one fixed order.
#include "xlsx/xlsx_package.h"

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "cells/rich_text.h"
#include "cells/sst.h"
#include "core/atomic_file.h"
#include "drawing/drawing_model.h"
#include "drawing/drawing_records.h"
#include "formats/xf_list.h"
#include "layout/protect.h"
#include "names/name_table.h"
#include "tablirex/datetime.h"
#include "tablirex/document_properties.h"
#include "tablirex/result.h"
#include "tablirex/sheet_tab.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/document_properties.h"
#include "workbook/sheet_collection.h"
#include "xlsx/xlsx_formula.h"
#include "xlsx/xlsx_parts.h"
#include "xlsx/xlsx_sheet.h"
#include "xlsx/xlsx_styles.h"
#include "xlsx/xml_out.h"

namespace tablirex::xlsx {
namespace {

constexpr char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr char kRelNs[] = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr char kDocRel[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr char kSheetType[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

constexpr const char* kBuiltinNames[] = {
    "Consolidate_Area", "Auto_Open",     "Auto_Close",      "Extract",   "Database",
    "Criteria",         "Print_Area",    "Print_Titles",    "Recorder",  "Data_Form",
    "Auto_Activate",    "Auto_Deactivate", "Sheet_Title",   "_FilterDatabase"};

struct TOverride {
  std::string part;
  std::string type;
};

// A relationships part.
std::string Relationships(const std::vector<TRelationship>& rels) {
  TXmlOut x;
  x << kXmlHead << "<Relationships xmlns=\"" << kRelNs << "\">";
  for (const TRelationship& r : rels) {
    x << "<Relationship Id=\"";
    x.Text(r.id, true);
    x << "\" Type=\"";
    x.Text(r.type, true);
    x << "\" Target=\"";
    x.Text(r.target, true);
    x << '"';
    if (r.external) x << " TargetMode=\"External\"";
    x << "/>";
  }
  x << "</Relationships>";
  return x.Take();
}

// A W3C date-time (UTC) of a serial day number.
std::string W3CDate(double serial) {
  const TDateParts p = DecodeDateTime(serial);
  char b[32];
  std::snprintf(b, sizeof b, "%04d-%02d-%02dT%02d:%02d:%02dZ", p.year, p.month, p.day, p.hour, p.minute, p.second);
  return b;
}

// The length of a character XML cannot carry at utf8[i] (control characters but
// tab and line breaks, U+FFFE, U+FFFF), 0 for any other.
std::size_t UncarriedAt(std::string_view utf8, std::size_t i) noexcept {
  const unsigned char c = static_cast<unsigned char>(utf8[i]);
  if (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D) return 1;
  if (c == 0xEF && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0xBF &&
      (static_cast<unsigned char>(utf8[i + 2]) & 0xFE) == 0xBE)
    return 3;
  return 0;
}

std::size_t UncarriedCount(std::string_view utf8) noexcept {
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i)
    if (const std::size_t k = UncarriedAt(utf8, i)) {
      ++n;
      i += k - 1;
    }
  return n;
}

// A property's text as an element without the characters XML cannot carry: the
// property parts are not spreadsheet markup, so their readers take no _xHHHH_
// escapes. An empty text is left out.
void AppendPropertyText(TXmlOut& x, std::string_view element, std::string_view value) {
  if (value.empty()) return;
  std::string carried;
  carried.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (const std::size_t k = UncarriedAt(value, i)) {
      i += k - 1;
      continue;
    }
    carried.push_back(value[i]);
  }
  x << '<' << element << '>';
  x.Text(carried);
  x << "</" << element << '>';
}

// Each property text holding characters XML cannot carry is a save warning.
std::int32_t WarnPropertyTexts(TXLSWorkbook& book) {
  const TXLSDocumentProperties& p = book.DocumentProperties();
  for (std::size_t i = 0; i < std::size(p.Texts); ++i) {
    const std::size_t dropped = UncarriedCount(p.Texts[i]);
    if (dropped == 0) continue;
    const char* name = DocumentPropertyName(static_cast<std::int32_t>(i + 1));
    TXLS_RETURN_ON_ERROR(book.Warn("document property " + std::string(name ? name : "?"),
                                   std::to_string(dropped) + (dropped == 1 ? " control character" : " control characters") + " left out",
                                   "control characters left out of document properties (XML cannot carry them)"));
  }
  return xlsOK;
}

std::string CorePart(const TXLSDocumentProperties& p) {
  TXmlOut x;
  x << kXmlHead
    << "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
       "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
       "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">";
  const auto text = [&x](std::string_view element, std::string_view value) { AppendPropertyText(x, element, value); };
  // Texts by property: title, subject, author, manager, company, category, keywords, comments.
  text("dc:title", p.Texts[0]);
  text("dc:subject", p.Texts[1]);
  text("dc:creator", p.Texts[2]);
  text("cp:keywords", p.Texts[6]);
  text("dc:description", p.Texts[7]);
  text("cp:category", p.Texts[5]);
  if (p.Created > 0) x << "<dcterms:created xsi:type=\"dcterms:W3CDTF\">" << W3CDate(p.Created) << "</dcterms:created>";
  if (p.LastSaved > 0)
    x << "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">" << W3CDate(p.LastSaved) << "</dcterms:modified>";
  x << "</cp:coreProperties>";
  return x.Take();
}

std::string AppPart(TXLSWorkbook& book) {
  const TXLSDocumentProperties& p = book.DocumentProperties();
  TXmlOut x;
  x << kXmlHead
    << "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
       "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
       "<Application>Tablirex</Application>";
  const auto text = [&x](std::string_view element, std::string_view value) { AppendPropertyText(x, element, value); };
  text("Manager", p.Texts[3]);
  text("Company", p.Texts[4]);
  x << "</Properties>";
  return x.Take();
}

std::string SharedStrings(TXLSWorkbook& book) {
  TXLSStringTable& sst = book.StringTable();
  TXmlOut x;
  x << kXmlHead << "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"";
  x.Int(sst.GetTotalRefs());
  x << "\" uniqueCount=\"";
  x.Int(sst.GetUniqueCount());
  x << "\">";
  const auto plain = [&x](std::u16string_view t) {
    x << (NeedsPreserve(t) ? "<t xml:space=\"preserve\">" : "<t>");
    x.Text(t);
    x << "</t>";
  };
  for (std::int32_t i = 1; i <= sst.GetCount(); ++i) {
    if (sst.GetExtIndex(i) < 0) continue;
    std::u16string_view text = sst.GetValue(i);
    if (text.size() > TXLSStringTable::kMaxChars) {
      text = text.substr(0, TXLSStringTable::kMaxChars);
      if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.remove_suffix(1);
    }
    x << "<si>";
    const TXLSRichRuns* runs = sst.GetRuns(i);
    if (!runs || runs->empty()) {
      plain(text);
    } else {
      if (runs->front().First > 0) {
        x << "<r>";
        plain(text.substr(0, std::min<std::size_t>(runs->front().First, text.size())));
        x << "</r>";
      }
      for (std::size_t k = 0; k < runs->size(); ++k) {
        const std::size_t from = (*runs)[k].First;
        const std::size_t to = k + 1 < runs->size() ? (*runs)[k + 1].First : text.size();
        if (from >= text.size() || to <= from) continue;
        x << "<r>" << RunPropertiesXml(book, (*runs)[k].Font);
        plain(text.substr(from, std::min(to, text.size()) - from));
        x << "</r>";
      }
    }
    x << "</si>";
  }
  x << "</sst>";
  return x.Take();
}

// An area of a built-in name: whole rows, whole columns or cells, all absolute.
void NameArea(TXmlOut& x, const std::string& sheet, const TXLSNameArea& a) {
  const std::uint32_t r1 = a.firstRow, r2 = a.lastRow, c1 = a.firstCol, c2 = a.lastCol;
  x.Text(sheet);
  x << '!';
  const bool allRows = r1 == 0 && r2 >= 0x3FFF && r2 >= XLSMaxRow;
  const bool allCols = c1 == 0 && c2 >= XLSMaxCol;
  if (allRows && !allCols) {
    x << '$';
    x.Column(c1);
    x << ":$";
    x.Column(c2);
  } else if (allCols && !allRows) {
    x << '$';
    x.Int(r1 + 1);
    x << ":$";
    x.Int(r2 + 1);
  } else {
    x << '$';
    x.Column(c1);
    x << '$';
    x.Int(r1 + 1);
    x << ":$";
    x.Column(c2);
    x << '$';
    x.Int(r2 + 1);
  }
}

std::int32_t WorkbookPart(TXLSWorkbook& book, bool uncalculated, std::string& out) {
  TXLSWorkSheets& sheets = book.Sheets();
  TXmlOut x;
  x << kXmlHead
    << "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><workbookPr/>";
  if (const TXLSProtect& p = book.Protection(); p.IsProtected()) {
    x << "<workbookProtection";
    if (p.HasPassword()) {
      x << " workbookPassword=\"";
      x.Hex16(p.GetPasswordHash()) << '"';
    }
    x << " lockStructure=\"1\"/>";
  }
  IXLSWorksheet* active = sheets.GetActiveSheet();
  x << "<bookViews><workbookView";
  if (book.FirstVisibleTab() != 0) {
    x << " firstSheet=\"";
    x.Int(book.FirstVisibleTab());
    x << '"';
  }
  if (active && active->GetIndex() > 1) {
    x << " activeTab=\"";
    x.Int(active->GetIndex() - 1);
    x << '"';
  }
  x << "/></bookViews><sheets>";
  for (std::size_t i = 0; i < sheets.Size(); ++i) {
    IXLSWorksheet& s = sheets.At(i);
    x << "<sheet name=\"";
    x.Text(s.Name(), true);
    x << "\" sheetId=\"";
    x.Int(static_cast<std::int64_t>(i) + 1);
    x << '"';
    if (s.GetVisible() == xlSheetHidden) x << " state=\"hidden\"";
    if (s.GetVisible() == xlSheetVeryHidden) x << " state=\"veryHidden\"";
    x << " r:id=\"rId";
    x.Int(static_cast<std::int64_t>(i) + 1);
    x << "\"/>";
  }
  x << "</sheets>";

  const std::vector<TXLSNameRecord>& names = book.NameTable().Records();
  std::string formula, error;
  bool open = false;
  for (const TXLSNameRecord& r : names) {
    if (!open) x << "<definedNames>";
    open = true;
    x << "<definedName name=\"";
    if (r.builtin) {
      x << "_xlnm." << (r.builtin < std::size(kBuiltinNames) ? kBuiltinNames[r.builtin] : "Unknown");
    } else {
      x.Text(r.name, true);
    }
    x << '"';
    if (r.sheet) {
      x << " localSheetId=\"";
      x.Int(r.sheet - 1);
      x << '"';
    }
    if (r.hidden) x << " hidden=\"1\"";
    x << '>';
    if (r.builtin) {
      const std::string sheet = QuotedSheetName(sheets.At(r.sheet - 1u).GetWorkSheetName());
      for (std::size_t k = 0; k < r.areas.size(); ++k) {
        if (k) x << ',';
        NameArea(x, sheet, r.areas[k]);
      }
    } else {
      formula.clear();
      if (!AppendFormula(book, r.refersTo, formula, error) || !FormulaFits(formula, error)) {
        std::string label = "name " + Utf16ToUtf8(r.name);
        if (r.sheet) label += " of sheet " + sheets.At(r.sheet - 1u).GetWorkSheetName();
        return book.Refuse(label + ": formula " + FormulaForMessage(r.refersTo) + ": " + error);
      }
      x << formula;
    }
    x << "</definedName>";
  }
  if (open) x << "</definedNames>";
  x << (uncalculated ? "<calcPr calcId=\"191029\" fullCalcOnLoad=\"1\"/>" : "<calcPr calcId=\"191029\"/>");
  x << "</workbook>";
  out = x.Take();
  return xlsOK;
}

class TPackageWriter {
 public:
  TPackageWriter(TXLSWorkbook& book, const TZipOutput& out) : book_(book), zip_(out) {}

  std::int32_t Run();

 private:
  std::int32_t Add(std::string_view name, std::string_view data, bool store = false) {
    if (zip_.Add(name, data, store)) return xlsOK;
    return book_.Refuse(zip_.Error());
  }

  TXLSWorkbook& book_;
  TZipWriter zip_;
};

std::int32_t TPackageWriter::Run() {
  TXLSWorkSheets& sheets = book_.Sheets();
  if (sheets.GetCount() == 0) sheets.Add();
  if (sheets.GetCount() == 0) return book_.Refuse("the workbook has no sheet");
  TXLSXFList& xfs = book_.XFList();
  xfs.CreateAllReferredList(book_.StringTable().RunFonts());
  book_.StringTable().InitExtIndex();
  TXlsxStyles styles(book_);

  // The names of the file: print areas and titles, the filters' hidden names
  // and the callers' names; their formulas are checked as a workbook file's are.
  TXLSNameTable& names = book_.NameTable();
  names.BeginSave(book_, false);
  struct TEndSave {
    TXLSNameTable& n;
    ~TEndSave() { n.EndSave(); }
  } endSave{names};
  for (std::size_t i = 0; i < sheets.Size(); ++i) {
    IXLSWorksheet& s = sheets.At(i);
    if (const TXLSSheetDrawing* d = s.DrawingIfAny(); d && d->AutoFilter())
      names.AddBuiltin(kBuiltinFilterDatabase, static_cast<std::uint16_t>(i + 1), {FilterNameArea(s, *d->AutoFilter())},
                       true);
  }
  TXLS_RETURN_ON_ERROR(names.EncodeNames(book_));
  // The results the formula cells carry.
  struct TEndEvaluation {
    TXLSWorkbook& b;
    ~TEndEvaluation() { b.EndEvaluation(); }
  } endEvaluation{book_};
  TXLS_RETURN_ON_ERROR(book_.BeginEvaluation());

  std::vector<TOverride> overrides;
  std::vector<std::pair<std::string, std::string>> defaults;  // extension, content type
  TPackageState state;
  TSheetContext context{styles, false, {}};
  std::string xml;
  for (std::size_t i = 0; i < sheets.Size(); ++i) {
    IXLSWorksheet& sheet = sheets.At(i);
    const auto number = static_cast<std::int32_t>(i + 1);
    TSheetExtras extras;
    std::string error;
    if (!WriteSheetExtras(book_, sheet, number, 1, state, extras, error))
      return book_.Refuse(error.empty() ? "sheet " + sheet.GetWorkSheetName() + " cannot be written" : error);
    // The sheet's XML is deflated in runs while the rest of it is made.
    const std::string part = "xl/worksheets/sheet" + std::to_string(number) + ".xml";
    if (!zip_.Begin(part)) return book_.Refuse(zip_.Error());
    context.drain = [&](std::string& text) {
      const bool fed = zip_.Feed(text);
      text.clear();
      return fed ? xlsOK : book_.Refuse(zip_.Error());
    };
    TXLS_RETURN_ON_ERROR(WriteWorksheet(book_, sheet, extras, context, xml));
    if (!zip_.End(xml)) return book_.Refuse(zip_.Error());
    overrides.push_back({part, kSheetType});
    if (!extras.relationships.empty())
      TXLS_RETURN_ON_ERROR(Add("xl/worksheets/_rels/sheet" + std::to_string(number) + ".xml.rels",
                               Relationships(extras.relationships)));
    for (const TPart& p : extras.parts) {
      TXLS_RETURN_ON_ERROR(Add(p.name, p.data, p.store));
      if (p.defaultExtension) {
        const std::string ext = p.name.substr(p.name.rfind('.') + 1);
        bool known = false;
        for (const auto& d : defaults) known = known || d.first == ext;
        if (!known) defaults.emplace_back(ext, p.contentType);
      } else {
        overrides.push_back({p.name, p.contentType});
      }
    }
  }
  xml = std::string();  // the last sheet's text is not kept for the small parts

  TXLS_RETURN_ON_ERROR(Add("xl/sharedStrings.xml", SharedStrings(book_)));
  TXLS_RETURN_ON_ERROR(Add("xl/styles.xml", styles.Part(state.dxfs)));
  std::string workbook;
  TXLS_RETURN_ON_ERROR(WorkbookPart(book_, context.uncalculated, workbook));
  TXLS_RETURN_ON_ERROR(Add("xl/workbook.xml", workbook));
  std::vector<TRelationship> bookRels;
  for (std::size_t i = 0; i < sheets.Size(); ++i)
    bookRels.push_back({"rId" + std::to_string(i + 1), std::string(kDocRel) + "worksheet",
                        "worksheets/sheet" + std::to_string(i + 1) + ".xml", false});
  const auto n = sheets.Size();
  bookRels.push_back({"rId" + std::to_string(n + 1), std::string(kDocRel) + "styles", "styles.xml", false});
  bookRels.push_back({"rId" + std::to_string(n + 2), std::string(kDocRel) + "sharedStrings", "sharedStrings.xml", false});
  TXLS_RETURN_ON_ERROR(Add("xl/_rels/workbook.xml.rels", Relationships(bookRels)));
  TXLS_RETURN_ON_ERROR(WarnPropertyTexts(book_));
  TXLS_RETURN_ON_ERROR(Add("docProps/core.xml", CorePart(book_.DocumentProperties())));
  TXLS_RETURN_ON_ERROR(Add("docProps/app.xml", AppPart(book_)));
  TXLS_RETURN_ON_ERROR(Add(
      "_rels/.rels",
      Relationships({{"rId1", std::string(kDocRel) + "officeDocument", "xl/workbook.xml", false},
                     {"rId2", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
                      "docProps/core.xml", false},
                     {"rId3", std::string(kDocRel) + "extended-properties", "docProps/app.xml", false}})));

  TXmlOut types;
  types << kXmlHead << "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        << "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        << "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
  for (const auto& [ext, type] : defaults) {
    types << "<Default Extension=\"";
    types.Text(ext, true);
    types << "\" ContentType=\"";
    types.Text(type, true);
    types << "\"/>";
  }
  overrides.push_back({"xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"});
  overrides.push_back({"xl/styles.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"});
  overrides.push_back(
      {"xl/sharedStrings.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"});
  overrides.push_back({"docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml"});
  overrides.push_back({"docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml"});
  for (const TOverride& o : overrides) {
    types << "<Override PartName=\"/";
    types.Text(o.part, true);
    types << "\" ContentType=\"";
    types.Text(o.type, true);
    types << "\"/>";
  }
  types << "</Types>";
  TXLS_RETURN_ON_ERROR(Add("[Content_Types].xml", types.Buffer()));
  if (!zip_.Finish()) return book_.Refuse(zip_.Error());
  return xlsOK;
}

}  // namespace

std::int32_t WritePackage(TXLSWorkbook& book, const TZipOutput& out) {
  TPackageWriter writer(book, out);
  return writer.Run();
}

std::int32_t SavePackage(TXLSWorkbook& book, std::string_view fileName) {
  TAtomicFile file;
  if (!file.Open(std::string(fileName)))
    return book.Refuse("cannot save " + std::string(fileName) + ": " + file.Error());
  std::string earlier = book.TakeLastError();
  // Small pieces are gathered so that the file gets few, large writes.
  std::string pending;
  bool writeFailed = false;
  const auto flush = [&] {
    if (!pending.empty() && !file.Write(pending.data(), pending.size())) writeFailed = true;
    pending.clear();
  };
  const TZipOutput out = [&](const void* data, std::size_t size) {
    if (writeFailed) return false;
    if (size >= (1u << 16)) {
      flush();
      if (!writeFailed && !file.Write(data, size)) writeFailed = true;
    } else {
      pending.append(static_cast<const char*>(data), size);
      if (pending.size() >= (1u << 20)) flush();
    }
    return !writeFailed;
  };
  std::int32_t result = WritePackage(book, out);
  if (result == xlsOK) flush();
  if (result == xlsOK && writeFailed) result = book.Refuse("the file cannot be written");
  if (result != xlsOK) {
    file.Abort();
    return book.Refuse("cannot save " + std::string(fileName) + ": " + book.GetLastError());
  }
  if (const std::string failure = book.StrictFailure(); !failure.empty()) {
    file.Abort();
    return book.Refuse("cannot save " + std::string(fileName) + ": " + failure);
  }
  if (!file.Commit()) return book.Refuse("cannot save " + std::string(fileName) + ": " + file.Error());
  book.RestoreLastError(std::move(earlier));
  return xlsOK;
}

}  // namespace tablirex::xlsx
