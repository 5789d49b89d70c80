// The workbook and its save pipeline.
#include "tablirex/workbook.h"

#include <span>
#include <vector>

#include "biff/blob.h"
#include "biff/record_sink.h"
#include "biff/records.h"
#include "cells/cell_store.h"
#include "cells/sst.h"
#include "cfb/compound_file.h"
#include "drawing/drawing_group.h"
#include "drawing/drawing_model.h"
#include "drawing/drawing_records.h"
#include "formats/palette.h"
#include "formats/xf_list.h"
#include "eval/engine.h"
#include "formula/formula.h"
#include "formula/formula_code.h"
#include "html/html_writer.h"
#include "layout/layout_records.h"
#include "layout/page_setup.h"
#include "layout/protect.h"
#include "names/name_table.h"
#include "tablirex/colors.h"
#include "tablirex/file_error.h"
#include "tablirex/limits.h"
#include "tablirex/result.h"
#include "tablirex/worksheet.h"
#include "text/text.h"
#include "workbook/document_properties.h"
#include "workbook/grid_check.h"
#include "workbook/sheet_collection.h"
#include "workbook/sheet_tab.h"
#include "xlsx/xlsx_package.h"

namespace tablirex {
namespace {

// Routes globals records into one of the workbook's two lists.
class GlobalsSink final : public IRecordSink {
 public:
  GlobalsSink(TXLSWorkbook& wb, TXLSBlobList& list) : wb_(wb), list_(list) {}
  std::int32_t AppendRecord(TXLSBlob& record) override { return wb_.Append(list_, record); }

 private:
  TXLSWorkbook& wb_;
  TXLSBlobList& list_;
};

// Hands the compound document's stream to the record lists.
class StreamSink final : public IByteSink {
 public:
  explicit StreamSink(TCompoundFile& file) : file_(file) {}
  bool Write(const std::uint8_t* data, std::size_t n) override { return file_.Write(data, n) == xlsOK; }

 private:
  TCompoundFile& file_;
};

bool IsBlank(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}

}  // namespace

Ref<IXLSWorkBook> CreateWorkbook() { return Ref<IXLSWorkBook>(new TXLSWorkbook()); }

TXLSWorkbook::TXLSWorkbook()
    : IXLSWorkBook(true),
      context_(std::make_unique<TRecordContext>()),
      palette_(std::make_unique<TXLSPalette>()),
      protect_(std::make_unique<TXLSProtect>()),
      xfList_(std::make_unique<TXLSXFList>()),
      sst_(std::make_unique<TXLSStringTable>()),
      properties_(std::make_unique<TXLSDocumentProperties>()),
      names_(std::make_unique<TXLSNameTable>()) {
  xfList_->CreateDefault();
  sheets_ = std::make_unique<TXLSWorkSheets>(*this);
}

TXLSWorkbook::~TXLSWorkbook() {
  Close();
  // Sheets go first: their cells give their references back to the string table.
  sheets_.reset();
  formula_.reset();
  sst_.reset();
  xfList_.reset();
}

std::uint32_t TXLSWorkbook::GetCustomColor2(std::int32_t index, std::int32_t) {
  if (index > 56 || (index < 0 && index != xlColorIndexNone && index != xlColorIndexAutomatic)) {
    (void)Refuse("colour index " + std::to_string(index) + " is outside 0 to 56");
    return 0;
  }
  return palette_->GetCustomColor(index);
}
void TXLSWorkbook::SetCustomColor(std::int32_t index, std::int32_t, std::uint32_t rgb) {
  if (index < 1 || index > 56) {
    (void)Refuse("colour index " + std::to_string(index) + " is outside 1 to 56");
    return;
  }
  palette_->SetCustomColor(index, rgb);
}
IXLSWorkSheets* TXLSWorkbook::GetWorksheets() { return sheets_.get(); }
IXLSWorksheet* TXLSWorkbook::GetActiveSheet() { return sheets_->GetActiveSheet(); }
std::int32_t TXLSWorkbook::Close() { return xlsOK; }
void TXLSWorkbook::ResetColors() { palette_->ResetColors(); }
void TXLSWorkbook::Protect() { protect_->Protect("", codePage_); }
void TXLSWorkbook::Protect(std::string_view password) { protect_->Protect(password, codePage_); }
bool TXLSWorkbook::UnProtect() { return protect_->UnProtect("", true, codePage_); }
void TXLSWorkbook::UnProtect(std::string_view password) { protect_->UnProtect(password, true, codePage_); }
void TXLSWorkbook::UnProtect(std::string_view password, std::int32_t) { UnProtect(password); }
std::int32_t TXLSWorkbook::Refuse(std::string message) {
  lastError_ = std::move(message);
  return xlsFail;
}

std::int32_t TXLSWorkbook::SetTempDir(std::string_view) { return xlsFail; }

std::int32_t TXLSWorkbook::SetCodePage(std::uint16_t codePage) {
  // Texts in a code page without a table here would be written as another one.
  if (codePage == 1200 || !CodePageSupported(codePage))
    return Refuse("code page " + std::to_string(codePage) + " is not supported");
  codePage_ = codePage;
  return xlsOK;
}

std::int32_t TXLSWorkbook::GetSheetIndexByName(std::u16string_view name) const {
  const std::int32_t exact = sheets_->IndexOfName(name);
  if (exact > 0) return exact;
  // Formulas name sheets without regard to letter case.
  for (std::size_t i = 0; i < sheets_->Size(); ++i)
    if (EqualsIgnoringCase(sheets_->At(i).Name(), name)) return static_cast<std::int32_t>(i + 1);
  return -1;
}

TFormulaCode& TXLSWorkbook::ScratchCode() {
  if (!scratchCode_) scratchCode_ = std::make_unique<TFormulaCode>();
  return *scratchCode_;
}

std::int32_t TXLSWorkbook::CheckFormula(std::string_view text, std::string_view where, std::int32_t sheet) {
  TXLSFormula& f = InitFormula();
  // Most formulas take the fast road straight to their code.
  if (defaultFormat_ != xlExcel5) {
    TFormulaCode& scratch = ScratchCode();
    if (QuickFormulaCode(text, f.Functions(), f.GetTopClass(), 1, scratch)) {
      // A copy of exactly its size is what the cells keep.
      checkedCode_ = KeepFormulaCode(scratch);
      return xlsOK;
    }
  }
  // Judged in the default format; the save judges again in its own (a BIFF5 save
  // has fewer rows and shorter records) and names the sheets.
  const std::int32_t savedSheet = f.GetSheet();
  f.SetSheet(sheet);
  const std::int32_t checked = f.Check(text, defaultFormat_, 1);
  f.SetSheet(savedSheet);
  checkedCode_.reset();
  if (checked == xlsOK) {
    // The compiled form is kept for the cells that take the formula.
    TFormulaCode& scratch = ScratchCode();
    if (f.MakeCode(scratch)) {
      scratch.source.assign(text);
      checkedCode_ = KeepFormulaCode(scratch);
    }
    return xlsOK;
  }
  std::string message(where);
  message += ": formula \"=";
  message.append(text.substr(0, 60));
  if (text.size() > 60) message += "...";
  message += "\": ";
  message += f.Error();
  lastError_ = std::move(message);
  return xlsFail;
}

const std::shared_ptr<const TFormulaCode>& TXLSWorkbook::CheckedCode(std::string_view text) const {
  static const std::shared_ptr<const TFormulaCode> kNone;
  return checkedCode_ && checkedCode_->source == text ? checkedCode_ : kNone;
}

const TFormulaCode* TXLSWorkbook::CellFormulaCode(IXLSWorksheet& sheet, TXLSCellRef& cell, std::string* error) {
  TXLSCellHeap& store = sheet.Cells();
  if (const TFormulaCode* kept = store.FormulaCode(cell)) return kept;
  TXLSFormula& f = InitFormula();
  TFormulaCode& code = ScratchCode();
  const std::string& text = store.FormulaText(cell);
  if (f.Compile(text, 1) != xlsOK || !f.MakeCode(code)) {
    if (error) *error = f.Error();
    return nullptr;
  }
  code.source = text;
  store.SetFormulaCode(cell, KeepFormulaCode(code));
  return store.FormulaCode(cell);
}

std::int32_t TXLSWorkbook::BeginEvaluation() {
  BeginDisplayEvaluation();
  return evaluation_->WarnUnresolved();
}

void TXLSWorkbook::BeginDisplayEvaluation() {
  evaluation_ = std::make_unique<eval::TWorkbookEvaluator>(*this);
  evaluation_->Run();
}

void TXLSWorkbook::EndEvaluation() noexcept { evaluation_.reset(); }

TXLSFormula& TXLSWorkbook::InitFormula() {
  if (!formula_) {
    TXLSFormulaContext ctx;
    ctx.getSheetIndex = [this](std::u16string_view name) { return GetSheetIndexByName(name); };
    ctx.getSheetCount = [this] { return sheets_->GetCount(); };
    ctx.getSheetRangeRef = [this](std::int32_t first, std::int32_t last) -> std::int32_t {
      const std::pair<std::int32_t, std::int32_t> range{first, last};
      std::size_t k = 0;
      while (k < sheetRanges_.size() && sheetRanges_[k] != range) ++k;
      if (k == sheetRanges_.size()) sheetRanges_.push_back(range);
      return sheets_->GetCount() + static_cast<std::int32_t>(k);
    };
    ctx.getNameIndex = [this](std::string_view name, std::int32_t sheet, bool localOnly) {
      return names_->IndexOf(*this, name, sheet, localOnly);
    };
    ctx.format = currentFormat_;
    ctx.codePage = codePage_;
    formula_ = std::make_unique<TXLSFormula>(std::move(ctx));
  }
  return *formula_;
}

std::int32_t TXLSWorkbook::SaveAs(std::string_view fileName) { return SaveAs(fileName, FormatOfName(fileName)); }

bool IsXlsxName(std::string_view fileName) noexcept {
  // A name ending in ".xlsx" (in any letter case) gets the package; an Excel 97
  // stream under that name is a mismatch the spreadsheet application warns about.
  constexpr std::string_view kExt = ".xlsx";
  if (fileName.size() < kExt.size()) return false;
  const std::string_view tail = fileName.substr(fileName.size() - kExt.size());
  for (std::size_t i = 0; i < kExt.size(); ++i) {
    const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] + 32) : tail[i];
    if (c != kExt[i]) return false;
  }
  return true;
}

std::int32_t TXLSWorkbook::FormatOfName(std::string_view fileName) const noexcept {
  return IsXlsxName(fileName) ? xlOpenXMLWorkbook : defaultFormat_;
}

std::int32_t TXLSWorkbook::SaveAsHTML(std::string_view fileName) {
  BeginWarnings(false);
  return SaveHTML(fileName);
}

std::int32_t TXLSWorkbook::SaveHTML(std::string_view fileName) {
  // The file system would take the name only up to a NUL byte: another file.
  if (fileName.find('\0') != std::string_view::npos)
    throw EFileError("the file name contains a NUL character",
                     std::string(fileName.substr(0, fileName.find('\0'))));
  SaveWorkbookAsHTML(*this, fileName);
  return xlsOK;
}

std::int32_t TXLSWorkbook::SaveAs(std::string_view fileName, std::int32_t fileFormat) {
  return SaveAs(fileName, fileFormat, false);
}

std::int32_t TXLSWorkbook::SaveAs(std::string_view fileName, std::int32_t fileFormat, bool strict) {
  BeginWarnings(strict);
  if (fileFormat == xlHTML) {
    // SaveAs reports a failure by its result: the writer's exception stops here.
    try {
      return SaveHTML(fileName);
    } catch (const EFileError& e) {
      return Refuse(std::string("cannot save ") + std::string(fileName) + ": " + e.what());
    }
  }
  if (fileFormat != xlExcel5 && fileFormat != xlExcel97 && fileFormat != xlOpenXMLWorkbook)
    return Refuse("unknown file format " + std::to_string(fileFormat));
  if (IsBlank(fileName)) return Refuse("the file name is blank");
  if (fileFormat == xlOpenXMLWorkbook) return xlsx::SavePackage(*this, fileName);
  TCompoundFile file;
  std::int32_t result = file.Create(std::string(fileName));
  if (result == xlsOK) result = file.CreateStream(fileFormat == xlExcel5 ? u"Book" : u"Workbook");
  for (TCompoundStreamData& s : SummaryStreams(*properties_, codePage_))
    if (result == xlsOK) result = file.AddStream(s.name, std::move(s.bytes));
  if (result == xlsOK) {
    StreamSink sink(file);
    std::string earlier = TakeLastError();
    result = SaveStream(sink, fileFormat);
    // A step of the save that failed left its reason; a failed write leaves it
    // with the file.
    if (result != xlsOK && !lastError_.empty()) {
      file.Abort();
      return Refuse("cannot save " + std::string(fileName) + ": " + lastError_);
    }
    RestoreLastError(std::move(earlier));
  }
  // A strict save writes nothing that lacks what the workbook holds.
  if (const std::string failure = StrictFailure(); result == xlsOK && !failure.empty()) {
    file.Abort();
    return Refuse("cannot save " + std::string(fileName) + ": " + failure);
  }
  if (result == xlsOK) result = file.Commit();
  if (result != xlsOK) {
    const std::string why = file.Error().empty() ? std::string("the file cannot be written") : file.Error();
    file.Abort();
    return Refuse("cannot save " + std::string(fileName) + ": " + why);
  }
  return result;
}

std::int32_t TXLSWorkbook::SaveStream(IByteSink& stream, std::int32_t fileFormat) {
  if (fileFormat != xlExcel5 && fileFormat != xlExcel97) return xlsFail;
  currentFormat_ = fileFormat;
  saving_ = true;
  std::int32_t result = StoreWorkbook();
  if (result == xlsOK) result = StoreOleFile(stream);
  saving_ = false;
  FreeSaveLists();
  currentFormat_ = defaultFormat_;
  return result;
}

std::int32_t TXLSWorkbook::Append(TXLSBlobList& list, TXLSBlob& blob) {
  SplitOversizedRecord(blob, maxRecord_);
  runningSize_ += static_cast<std::int32_t>(blob.GetDataSize());
  return list.Append(blob);
}

void TXLSWorkbook::FreeSaveLists() {
  first_.reset();
  second_.reset();
  drawingGroup_.reset();
  EndEvaluation();
  names_->EndSave();
  for (std::size_t i = 0; i < sheets_->Size(); ++i) sheets_->At(i).EndSave();
}

std::int32_t TXLSWorkbook::StoreWorkbook() {
  first_ = std::make_unique<TXLSBlobList>();
  second_ = std::make_unique<TXLSBlobList>();
  const bool biff5 = currentFormat_ == xlExcel5;
  context_->version = biff5 ? BiffVersion::Biff5 : BiffVersion::Biff8;
  context_->codePage = codePage_;
  if (formula_) {
    formula_->SetFormat(currentFormat_);
    formula_->SetCodePage(codePage_);
  }
  maxRecord_ = biff5 ? 2080 : 8224;
  bofVersion_ = biff5 ? 0x0500 : 0x0600;
  sst_->SetMaxRecord(maxRecord_);
  runningSize_ = 0;
  selectedCount_ = 0;
  sheetRanges_.clear();

  if (sheets_->GetCount() == 0) sheets_->Add();
  if (sheets_->GetCount() == 0) return xlsFail;
  TXLS_RETURN_ON_ERROR(CheckGridLimits());
  for (std::size_t i = 0; i < sheets_->Size(); ++i) {
    IXLSWorksheet& s = sheets_->At(i);
    if (s.IsSelected()) ++selectedCount_;
    s.BeginSave();
  }
  xfList_->CreateAllReferredList(sst_->RunFonts());
  if (xfList_->ReferredListCount() > TXLSXFList::kMaxXFRecords)
    return Refuse("the workbook uses " + std::to_string(xfList_->ReferredListCount()) +
                  " cell formats; a file holds at most " + std::to_string(TXLSXFList::kMaxXFRecords));
  if (!biff5) sst_->InitExtIndex();
  drawingGroup_ = std::make_unique<TXLSDrawingGroup>();
  // Formulas carry the positions of the names they use: the NAME records are
  // listed before any formula is encoded.
  names_->BeginSave(*this, biff5);
  // The autofilters' hidden names, after the print areas and titles.
  for (std::size_t i = 0; i < sheets_->Size(); ++i) {
    IXLSWorksheet& s = sheets_->At(i);
    if (const TXLSSheetDrawing* d = s.DrawingIfAny(); d && d->AutoFilter())
      names_->AddBuiltin(kBuiltinFilterDatabase, static_cast<std::uint16_t>(i + 1), {FilterNameArea(s, *d->AutoFilter())},
                         true);
  }
  // The results the formula records carry.
  TXLS_RETURN_ON_ERROR(BeginEvaluation());
  for (std::size_t i = 0; i < sheets_->Size(); ++i) {
    IXLSWorksheet& s = sheets_->At(i);
    // A cell that cannot be written fails the save: the file would lack it.
    TXLS_RETURN_ON_ERROR(s.StoreCells());
    TXLS_RETURN_ON_ERROR(s.Close());
  }
  // Before the globals: their formulas may ask for references to ranges of sheets.
  TXLS_RETURN_ON_ERROR(names_->EncodeNames(*this));
  return StoreGlobals();
}

std::int32_t TXLSWorkbook::CheckGridLimits() {
  const bool biff5 = currentFormat_ == xlExcel5;
  constexpr std::uint32_t kBiff5LastRow = 16383;
  const std::uint32_t lastRow = biff5 ? kBiff5LastRow : XLSMaxRow;
  // Sheet counts and positions are 16-bit in the globals and in 3-D references.
  constexpr std::size_t kMaxSheets = 0xFFFF;
  if (sheets_->Size() > kMaxSheets)
    return Refuse("the workbook has " + std::to_string(sheets_->Size()) + " sheets, more than the " +
                  std::to_string(kMaxSheets) + " an " + (biff5 ? "Excel 5" : "Excel 97") + " file holds");
  for (std::size_t i = 0; i < sheets_->Size(); ++i) {
    IXLSWorksheet& s = sheets_->At(i);
    // The 8-bit name must come back as it was: a character the code page lacks
    // would turn into "?", which no sheet name may hold.
    if (biff5 && CodePageToUtf16(Utf16ToCodePage(s.Name(), codePage_), codePage_) != s.Name())
      return Refuse("the name of sheet " + s.GetWorkSheetName() + " has characters that code page " +
                    std::to_string(codePage_) + " lacks");
    std::string what, where;
    if (!FindPastGrid(s, lastRow, XLSMaxCol, what, where)) continue;
    return Refuse("sheet " + s.GetWorkSheetName() + " has " + what + " below row " + std::to_string(lastRow + 1) +
                  " or right of column IV, which an " + (biff5 ? "Excel 5" : "Excel 97") +
                  " file cannot hold (the first at " + where + ")");
  }
  return xlsOK;
}

std::int32_t TXLSWorkbook::StoreGlobals() {
  const bool biff5 = currentFormat_ == xlExcel5;
  const TRecordContext& ctx = *context_;
  GlobalsSink first(*this, *first_);
  GlobalsSink second(*this, *second_);
  const std::uint16_t sheetCount = static_cast<std::uint16_t>(sheets_->Size());

  {  // BOF
    const std::uint16_t body = biff5 ? 8 : 16;
    TXLSBlob b(4u + body);
    b.AddWord(RecNo(Rec::BOF));
    b.AddWord(body);
    b.AddWord(bofVersion_);
    b.AddWord(0x0005);  // workbook globals
    b.AddWord(biff5 ? 0x096C : 0x18AF);
    b.AddWord(biff5 ? 0x07C9 : 0x07CD);
    if (!biff5) {
      b.AddLong(0x4041);
      b.AddLong(0x0106);
    }
    TXLS_RETURN_ON_ERROR(first.AppendRecord(b));
  }
  {  // CODEPAGE: BIFF8 texts are UTF-16 whatever the workbook's code page
    TXLSBlob b(4 + 2);
    b.AddWord(RecNo(Rec::CODEPAGE));
    b.AddWord(2);
    b.AddWord(biff5 ? codePage_ : 1200);
    TXLS_RETURN_ON_ERROR(first.AppendRecord(b));
  }
  if (biff5) {
    TXLSBlob count(4 + 2);
    count.AddWord(RecNo(Rec::EXTERNCOUNT));
    count.AddWord(2);
    count.AddWord(sheetCount);
    TXLS_RETURN_ON_ERROR(first.AppendRecord(count));
    for (std::size_t i = 0; i < sheets_->Size(); ++i) {
      std::string name = Utf16ToCodePage(sheets_->At(i).Name(), codePage_);
      if (name.size() > 255) name.resize(255);
      const auto n = static_cast<std::uint16_t>(name.size());
      TXLSBlob b(4u + 2u + n);
      b.AddWord(RecNo(Rec::EXTERNSHEET));
      b.AddWord(static_cast<std::uint16_t>(2 + n));
      b.AddByte(static_cast<std::uint8_t>(n));
      b.AddByte(0x03);
      b.AddString(name);
      TXLS_RETURN_ON_ERROR(first.AppendRecord(b));
    }
    TXLS_RETURN_ON_ERROR(names_->Store(first, ctx, sheetCount));
  }
  {  // WINDOW1
    IXLSWorksheet* active = sheets_->GetActiveSheet();
    TXLSBlob b(4 + 18);
    b.AddWord(RecNo(Rec::WINDOW1));
    b.AddWord(18);
    b.AddWord(0);
    b.AddWord(0);
    b.AddWord(0x25BC);
    b.AddWord(0x1572);
    b.AddWord(0x0038);
    b.AddWord(static_cast<std::uint16_t>(active ? active->GetIndex() - 1 : 0));
    b.AddWord(firstTab_);
    b.AddWord(selectedCount_);
    b.AddWord(0x0258);
    TXLS_RETURN_ON_ERROR(first.AppendRecord(b));
  }
  {  // 1904: the 1900 date system
    TXLSBlob b(4 + 2);
    b.AddWord(RecNo(Rec::DATEMODE1904));
    b.AddWord(2);
    b.AddWord(0);
    TXLS_RETURN_ON_ERROR(first.AppendRecord(b));
  }
  TXLS_RETURN_ON_ERROR(StoreProtection(*protect_, first, ctx));
  TXLS_RETURN_ON_ERROR(xfList_->StoreAllFonts(first, ctx));
  TXLS_RETURN_ON_ERROR(xfList_->StoreAllNumFormats(first, ctx));
  TXLS_RETURN_ON_ERROR(xfList_->StoreAllXFS(first, ctx));
  TXLS_RETURN_ON_ERROR(xfList_->StoreAllStyles(first, ctx));
  TXLS_RETURN_ON_ERROR(palette_->StorePalette(first, ctx));
  if (!biff5) {
    TXLS_RETURN_ON_ERROR(StoreDrawingGroup(*drawingGroup_, first));
    const TXLSFontList& fonts = xfList_->GetFontList();
    TXLS_RETURN_ON_ERROR(sst_->AddSSTData(first, static_cast<std::uint32_t>(runningSize_), [&fonts](std::int32_t font) {
      return static_cast<std::uint16_t>(fonts.GetSaveIndex(font));
    }));
    {  // SUPBOOK: this workbook's own sheets
      TXLSBlob b(4 + 4);
      b.AddWord(RecNo(Rec::SUPBOOK));
      b.AddWord(4);
      b.AddWord(sheetCount);
      b.AddWord(0x0401);
      TXLS_RETURN_ON_ERROR(second.AppendRecord(b));
    }
    {  // EXTERNSHEET: reference k names sheet n-1-k; then the ranges of sheets
      // that formulas name, in the order they were first met
      const std::uint32_t count = sheetCount + static_cast<std::uint32_t>(sheetRanges_.size());
      if (count > 0xFFFF) return xlsFail;
      const std::uint32_t body = 2u + 6u * count;
      TXLSBlob b(4 + body);
      b.AddWord(RecNo(Rec::EXTERNSHEET));
      b.AddWord(0);  // set below; a long record is continued by Append
      b.AddWord(static_cast<std::uint16_t>(count));
      for (std::uint16_t k = 0; k < sheetCount; ++k) {
        const auto s = static_cast<std::uint16_t>(sheetCount - 1 - k);
        b.AddWord(0);
        b.AddWord(s);
        b.AddWord(s);
      }
      for (const auto& [p1, p2] : sheetRanges_) {
        b.AddWord(0);
        b.AddWord(static_cast<std::uint16_t>(p1 - 1));
        b.AddWord(static_cast<std::uint16_t>(p2 - 1));
      }
      b.SetWord(static_cast<std::uint16_t>(body > 0xFFFF ? 0xFFFF : body), 2);
      TXLS_RETURN_ON_ERROR(second.AppendRecord(b));
    }
    TXLS_RETURN_ON_ERROR(names_->Store(second, ctx, sheetCount));
  }
  TXLSBlob eof(4);
  eof.AddWord(RecNo(Rec::EOF_));
  eof.AddWord(0);
  TXLS_RETURN_ON_ERROR(second.AppendRecord(eof));

  runningSize_ = first_->Total() + second_->Total();
  TXLS_RETURN_ON_ERROR(CalcSheetOffsets());
  for (std::size_t i = 0; i < sheets_->Size(); ++i) {
    IXLSWorksheet& s = sheets_->At(i);
    const std::u16string_view wide = CutUtf16(s.Name(), 255);
    if (biff5) {
      const std::string name = Utf16ToCodePage(wide, codePage_);
      const auto n = static_cast<std::uint8_t>(name.size());
      TXLSBlob b(4u + 7u + n);
      b.AddWord(RecNo(Rec::BOUNDSHEET));
      b.AddWord(0);
      b.AddLong(s.StreamOffset());
      b.AddByte(BoundSheetState(s));  // visible, hidden or very hidden
      b.AddByte(0);                   // a worksheet
      b.AddByte(n);
      b.AddString(name);
      b.SetWord(static_cast<std::uint16_t>(7 + n), 2);
      TXLS_RETURN_ON_ERROR(first.AppendRecord(b));
    } else {
      const auto n = static_cast<std::uint8_t>(wide.size());
      TXLSBlob b(4u + 8u + 2u * n);
      b.AddWord(RecNo(Rec::BOUNDSHEET));
      b.AddWord(0);
      b.AddLong(s.StreamOffset());
      b.AddByte(BoundSheetState(s));  // visible, hidden or very hidden
      b.AddByte(0);                   // a worksheet
      b.AddByte(n);
      b.AddByte(0x01);
      b.AddWideString(wide);
      b.SetWord(static_cast<std::uint16_t>(8 + 2 * n), 2);
      TXLS_RETURN_ON_ERROR(first.AppendRecord(b));
    }
  }
  return xlsOK;
}

std::int32_t TXLSWorkbook::CalcSheetOffsets() {
  const bool biff5 = currentFormat_ == xlExcel5;
  std::uint32_t end = static_cast<std::uint32_t>(runningSize_);
  for (std::size_t i = 0; i < sheets_->Size(); ++i) {
    IXLSWorksheet& s = sheets_->At(i);
    const std::u16string_view wide = CutUtf16(s.Name(), 255);
    // The BIFF5 name is as long in bytes as the code-page text (one byte a character).
    const std::size_t n = biff5 ? Utf16ToCodePage(wide, codePage_).size() : wide.size();
    end += biff5 ? 4u + 7u + static_cast<std::uint32_t>(n) : 4u + 8u + 2u * static_cast<std::uint32_t>(n);
  }
  for (std::size_t i = 0; i < sheets_->Size(); ++i) {
    IXLSWorksheet& s = sheets_->At(i);
    s.SetStreamOffset(end);
    end += s.StreamSize();
  }
  return xlsOK;
}

std::int32_t TXLSWorkbook::StoreOleFile(IByteSink& sink) {
  TXLS_RETURN_ON_ERROR(first_->Write(sink));
  TXLS_RETURN_ON_ERROR(second_->Write(sink));
  for (std::size_t i = 0; i < sheets_->Size(); ++i) TXLS_RETURN_ON_ERROR(sheets_->At(i).WriteData(sink));
  return xlsOK;
}

}  // namespace tablirex
