// The workbook: the root of the object model and its save pipeline.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tablirex/document_properties.h"
#include "tablirex/object.h"
#include "tablirex/worksheets.h"

namespace tablirex {

class IXLSWorksheet;
class IXLSNames;

/// The workbook interface callers hold. SaveAs writes format 2 (BIFF8, stream
/// "Workbook", the default), 1 (BIFF5, stream "Book") or 3 (HTML). The document
/// properties (title, author, ...) are in IXLSDocumentProperties.
class IXLSWorkBook : public TXLSObject, public IXLSDocumentProperties {
 public:
  using TXLSObject::TXLSObject;
  /// RGB (red in bits 0-7) of the palette entry for colour index 1 … 56; the second
  /// argument is ignored.
  virtual std::uint32_t GetCustomColor2(std::int32_t index, std::int32_t second) = 0;
  /// Changes the palette entry for colour index 1 … 56; the second argument is ignored.
  virtual void SetCustomColor(std::int32_t index, std::int32_t second, std::uint32_t rgb) = 0;
  /// The sheet collection (owned by the workbook).
  virtual IXLSWorkSheets* GetWorksheets() = 0;
  /// The active sheet, or nullptr when there is none.
  virtual IXLSWorksheet* GetActiveSheet() = 0;
  /// Returns 1; does nothing else.
  virtual std::int32_t Close() = 0;
  /// Restores the default palette.
  virtual void ResetColors() = 0;
  virtual void Protect() = 0;
  virtual void Protect(std::string_view password) = 0;
  /// False when the workbook stays protected (its password is not the empty one).
  virtual bool UnProtect() = 0;
  virtual void UnProtect(std::string_view password) = 0;
  virtual void UnProtect(std::string_view password, std::int32_t unused) = 0;
  /// Saves as .xlsx (format 4) when the name ends in ".xlsx" (any letter case),
  /// in the default format (2) otherwise. Returns 1 on success, -1 on failure; a
  /// failed save leaves any previous file at that path untouched.
  virtual std::int32_t SaveAs(std::string_view fileName) = 0;
  /// Saves in format 1 (BIFF5), 2 (BIFF8), 3 (HTML, as SaveAsHTML) or 4 (an
  /// Office Open XML workbook, .xlsx: a zip package of XML parts). Returns 1 or
  /// -1; never raises for a file that cannot be written. A failure leaves its
  /// reason with GetLastError (TXLSWorkbook). A BIFF5 save fails, naming the sheet,
  /// when a sheet holds cells below row 16384 or its name has characters the code
  /// page lacks: nothing is left out in silence.
  virtual std::int32_t SaveAs(std::string_view fileName, std::int32_t fileFormat) = 0;
  /// Saves as HTML pages in UTF-8: one sheet as one page at fileName; several
  /// as a frameset at fileName (D/B.E) with the tab strip and the pages
  /// Sheet001.htm, Sheet002.htm ... in the folder D/B.files; a workbook without
  /// sheets gets "Sheet1" first, as SaveAs does. The pages and the folder are
  /// written beside their targets and moved into place only when all are
  /// written. Returns 1; raises EFileError (tablirex/file_error.h) when the file
  /// name names no file (blanks, a NUL) or a file or the folder cannot be
  /// written, leaving the earlier pages and folder as they were.
  virtual std::int32_t SaveAsHTML(std::string_view fileName) = 0;
  /// The message of the latest refusal (UTF-8) by this workbook, its sheets,
  /// ranges and their views: a formula refused when a cell was to take it (naming
  /// the cell, what is wrong and where in the formula), an invalid or out-of-range
  /// argument (setters that return nothing report their refusals only here), or a
  /// save that failed (a formula naming a sheet that does not exist, ...).
  /// Operations that succeed leave it as it is; empty when nothing was refused
  /// since the workbook was made or ClearLastError was called.
  virtual std::string GetLastError() = 0;
  virtual void ClearLastError() = 0;
  /// Saves as SaveAs(fileName, fileFormat) does; a strict save (strict true, or
  /// SetStrict(true) on the workbook) fails instead of writing a file that lacks
  /// something the workbook holds: the first warning becomes the reason
  /// (GetLastError), nothing is written and an earlier file stays as it was.
  virtual std::int32_t SaveAs(std::string_view fileName, std::int32_t fileFormat, bool strict) = 0;
  /// What the latest save (of any format) had to shorten, replace or leave out,
  /// one UTF-8 line each, grouped by cause in the order the causes were first met:
  /// "Orders!B2: text of 40000 characters
  /// cut to 32767 (the Excel 97 cell limit)". A cause met many times is listed
  /// for its first cells and then summed up in one line ("... : 99995 more, 100000
  /// in all"). Cleared when the next save starts; empty before the first.
  virtual std::vector<std::string> GetWarnings() = 0;
  /// Makes every save of this workbook strict (false at creation).
  virtual void SetStrict(bool strict) = 0;
  virtual bool GetStrict() = 0;
  /// The author that comments added from now on carry (UTF-8; empty at
  /// creation). Names past 255 characters are cut when saved.
  virtual void SetCommentAuthor(std::string_view author) = 0;
  virtual std::string GetCommentAuthor() = 0;
  /// The workbook's defined names (tablirex/names.h), a view the caller holds.
  virtual Ref<IXLSNames> GetNames() = 0;
  /// HTML pages show a formula cell's result, formatted by the cell's number
  /// format, with the formula in the cell's title (false, at creation); true
  /// shows the formula text ("=SUM(A1:A3)") instead.
  virtual void SetHtmlFormulaText(bool formulaText) = 0;
  virtual bool GetHtmlFormulaText() = 0;
};

/// Creates a new workbook with no sheet (the first save adds "Sheet1").
Ref<IXLSWorkBook> CreateWorkbook();
/// True when a file name ends in ".xlsx" (any letter case): SaveAs(fileName)
/// then writes an Office Open XML workbook.
bool IsXlsxName(std::string_view fileName) noexcept;

}  // namespace tablirex

namespace tablirex {

class TXLSWorkSheets;
class TXLSXFList;
class TXLSPalette;
class TXLSStringTable;
class TXLSProtect;
class TXLSFormula;
class TXLSNameTable;
class TXLSBlob;
class TXLSBlobList;
class TXLSDrawingGroup;
class TCompoundFile;
class IByteSink;
struct TRecordContext;
struct TXLSDocumentProperties;
struct TFormulaCode;
struct TXLSCellRef;
namespace eval {
class TWorkbookEvaluator;
}

/// The workbook. Callers create it with CreateWorkbook (or MakeRef<TXLSWorkbook>())
/// and hold it through Ref; it lives as long as the last reference. The accessors
/// below the public operations serve the library's own subsystems.
class TXLSWorkbook final : public IXLSWorkBook {
 public:
  TXLSWorkbook();
  ~TXLSWorkbook() override;

  std::uint32_t GetCustomColor2(std::int32_t index, std::int32_t second) override;
  void SetCustomColor(std::int32_t index, std::int32_t second, std::uint32_t rgb) override;
  IXLSWorkSheets* GetWorksheets() override;
  IXLSWorksheet* GetActiveSheet() override;
  std::int32_t Close() override;
  void ResetColors() override;
  void Protect() override;
  void Protect(std::string_view password) override;
  bool UnProtect() override;
  void UnProtect(std::string_view password) override;
  void UnProtect(std::string_view password, std::int32_t unused) override;
  std::int32_t SaveAs(std::string_view fileName) override;
  std::int32_t SaveAs(std::string_view fileName, std::int32_t fileFormat) override;
  std::int32_t SaveAsHTML(std::string_view fileName) override;
  std::string GetLastError() override { return lastError_; }
  void ClearLastError() override { lastError_.clear(); }
  /// A save reports only its own failure: it sets the last error aside (the
  /// result) and gives it back with RestoreLastError when it succeeded.
  std::string TakeLastError() noexcept { return std::exchange(lastError_, std::string()); }
  void RestoreLastError(std::string earlier) noexcept {
    if (lastError_.empty()) lastError_ = std::move(earlier);
  }
  std::int32_t SaveAs(std::string_view fileName, std::int32_t fileFormat, bool strict) override;
  std::vector<std::string> GetWarnings() override;
  void SetStrict(bool strict) override { strict_ = strict; }
  bool GetStrict() override { return strict_; }
  std::int32_t SetDocumentProperty(std::int32_t property, const TVariant& value) override;
  TVariant GetDocumentProperty(std::int32_t property) override;
  Ref<IXLSDocumentProperty> BuiltinDocumentProperties(std::string_view name) override;
  void SetCommentAuthor(std::string_view author) override;
  std::string GetCommentAuthor() override;
  const std::u16string& CommentAuthor() const noexcept { return commentAuthor_; }
  /// The images and shape ids of the Excel 97 save in progress (nullptr between saves).
  TXLSDrawingGroup* DrawingGroup() noexcept { return drawingGroup_.get(); }
  Ref<IXLSNames> GetNames() override;
  void SetHtmlFormulaText(bool formulaText) override { htmlFormulaText_ = formulaText; }
  bool GetHtmlFormulaText() override { return htmlFormulaText_; }

  /// Records what the save in progress had to shorten, replace or leave out:
  /// where names the cell or object ("Orders!B2", "Sheet1 picture 2"), what says
  /// what happened to it, cause groups repeats of one kind for the summary (a
  /// short phrase such as "texts cut to 32767 characters (the Excel 97 cell
  /// limit)"). Returns xlsOK, or in a strict save xlsFail with the warning as the
  /// last error: the caller stops the save.
  std::int32_t Warn(std::string_view where, std::string_view what, std::string_view cause);
  /// Warnings recorded by the save in progress (or the latest one), counting
  /// every repeat.
  std::uint64_t WarningCount() const noexcept;
  /// True while a strict save runs.
  bool IsStrictSave() const noexcept { return strictSave_; }
  /// Starts the warnings of a new save: the list is cleared and strict decides
  /// whether a warning fails it (the workbook's setting counts as well).
  void BeginWarnings(bool strict);
  /// The reason a strict save must fail ("strict save: " + the first warning), or
  /// empty when it may be written.
  std::string StrictFailure() const;

  /// Writes the workbook stream (what SaveAs puts in the compound document's one
  /// stream) to a sink, in format 1 (BIFF5) or 2 (BIFF8). Returns 1 or -1.
  std::int32_t SaveStream(IByteSink& stream, std::int32_t fileFormat);
  /// The format SaveAs(fileName) writes: 4 for a name ending in ".xlsx", else
  /// the default format.
  std::int32_t FormatOfName(std::string_view fileName) const noexcept;
  /// Returns -1; temporary directories are not used.
  std::int32_t SetTempDir(std::string_view directory);
  /// Code page of the 8-bit texts of BIFF5 files and HTML pages (1252 at
  /// creation): 1252, 1250, 1251, 28591 or 20127. Returns 1, or -1 (and the
  /// code page stays) for any other.
  std::int32_t SetCodePage(std::uint16_t codePage);
  std::uint16_t GetCodePage() const noexcept { return codePage_; }
  /// Records a refusal for GetLastError (used by the library's subsystems).
  /// Returns xlsFail (-1).
  std::int32_t Refuse(std::string message);
  /// One-based position of the sheet of that name, or -1: a sheet named exactly
  /// so, else the first whose name differs only in letter case.
  std::int32_t GetSheetIndexByName(std::u16string_view name) const;
  /// Checks a formula's text (without its "=") as a cell is about to take it: all
  /// but the existence of the sheets it names, which the save checks. Returns 1,
  /// or -1 with the last error set to "where: formula "=text": what is wrong".
  /// sheet is the 1-based position of the cell's sheet (0: none), whose own names
  /// the formula may use.
  std::int32_t CheckFormula(std::string_view text, std::string_view where, std::int32_t sheet = 0);
  /// The compiled form of the formula the last successful CheckFormula judged,
  /// when it was text (without "="); nullptr otherwise. Cells keep it.
  const std::shared_ptr<const TFormulaCode>& CheckedCode(std::string_view text) const;
  /// The compiled form of a formula cell's formula: the one kept when the cell
  /// took it, or (when the text changed since, or none was kept) compiled now
  /// and kept. nullptr, with error set, when it does not compile.
  const TFormulaCode* CellFormulaCode(IXLSWorksheet& sheet, TXLSCellRef& cell, std::string* error = nullptr);
  /// The results of the formulas while a save or an HTML export runs (nullptr
  /// otherwise).
  eval::TWorkbookEvaluator* Evaluation() noexcept { return evaluation_.get(); }
  /// Works out every formula for the save about to be written: the cells left
  /// without a result are warnings of the save (a strict save fails then).
  std::int32_t BeginEvaluation();
  /// Works out every formula for pages about to be written, which show a
  /// formula's text where it has no result: nothing is lost, nothing to warn of.
  void BeginDisplayEvaluation();
  void EndEvaluation() noexcept;
  /// Creates the formula compiler on first use.
  TXLSFormula& InitFormula();
  TXLSFormula* Formula() noexcept { return formula_.get(); }

  // Access for the library's subsystems.
  TXLSWorkSheets& Sheets() noexcept { return *sheets_; }
  TXLSXFList& XFList() noexcept { return *xfList_; }
  TXLSPalette& Palette() noexcept { return *palette_; }
  TXLSStringTable& StringTable() noexcept { return *sst_; }
  bool HasStringTable() const noexcept { return sst_ != nullptr; }
  TXLSProtect& Protection() noexcept { return *protect_; }
  /// The document properties as the writers read them.
  const TXLSDocumentProperties& DocumentProperties() const noexcept { return *properties_; }
  /// Every NAME record of the file: the workbook's names and, during a save, the
  /// records of all (names/name_table.h).
  TXLSNameTable& NameTable() noexcept { return *names_; }
  /// The format of the save in progress (1 BIFF5, 2 BIFF8); the default 2 between saves.
  std::int32_t CurrentFormat() const noexcept { return currentFormat_; }
  /// Largest record body of the save in progress (2080 BIFF5, 8224 BIFF8).
  std::uint16_t MaxRecordBody() const noexcept { return maxRecord_; }
  /// True while SaveAs runs (the record lists exist only then).
  bool IsSaving() const noexcept { return saving_; }
  const TRecordContext& Context() const noexcept { return *context_; }
  std::uint16_t FirstVisibleTab() const noexcept { return firstTab_; }
  void SetFirstVisibleTab(std::uint16_t tab) noexcept { firstTab_ = tab; }
  const std::u16string& SheetNamePrefix() const noexcept { return sheetPrefix_; }

  /// Appends a globals record to a list, splitting it into CONTINUE records when
  /// it is longer than the limit, and counts its size.
  std::int32_t Append(TXLSBlobList& list, TXLSBlob& blob);

 private:
  /// The code a formula is compiled into before cells keep a copy of it.
  TFormulaCode& ScratchCode();
  /// SaveAsHTML within a save whose warnings have begun.
  std::int32_t SaveHTML(std::string_view fileName);
  std::int32_t StoreWorkbook();
  /// Fails, naming the sheet and the first cell, when a sheet holds cells, formats
  /// or references past the grid of the file being saved (65536 rows, 16384 in
  /// Excel 5, and 256 columns), or its name does not fit an Excel 5 file.
  std::int32_t CheckGridLimits();
  std::int32_t StoreGlobals();
  std::int32_t CalcSheetOffsets();
  std::int32_t StoreOleFile(IByteSink& sink);
  void FreeSaveLists();

  std::u16string sheetPrefix_ = u"Sheet";
  std::u16string commentAuthor_;
  struct TXLSWarningGroup {
    std::string cause;
    std::vector<std::string> listed;  // "where: what" of the first repeats
    std::uint64_t count = 0;
  };
  std::string lastError_;
  std::vector<TXLSWarningGroup> warnings_;
  bool strict_ = false;
  bool strictSave_ = false;
  std::uint16_t codePage_ = 1252;
  std::int32_t runningSize_ = 0;
  std::uint16_t maxRecord_ = 8224;
  std::uint16_t firstTab_ = 0;
  std::uint16_t bofVersion_ = 0x0600;
  std::uint16_t selectedCount_ = 0;
  std::int32_t defaultFormat_ = 2;
  std::int32_t currentFormat_ = 2;
  bool saving_ = false;
  // Ranges of sheets (first, last; 1-based) named by the formulas of the save in
  // progress: each gets a BIFF8 EXTERNSHEET entry after the sheets' own.
  std::vector<std::pair<std::int32_t, std::int32_t>> sheetRanges_;
  std::unique_ptr<TRecordContext> context_;
  std::unique_ptr<TXLSPalette> palette_;
  std::unique_ptr<TXLSProtect> protect_;
  std::unique_ptr<TXLSXFList> xfList_;
  std::unique_ptr<TXLSStringTable> sst_;
  std::unique_ptr<TXLSFormula> formula_;
  std::shared_ptr<const TFormulaCode> checkedCode_;  // of the last formula CheckFormula passed
  std::unique_ptr<TFormulaCode> scratchCode_;  // where formulas are compiled before cells keep them
  std::unique_ptr<eval::TWorkbookEvaluator> evaluation_;
  bool htmlFormulaText_ = false;
  std::unique_ptr<TXLSDocumentProperties> properties_;
  std::unique_ptr<TXLSNameTable> names_;
  std::unique_ptr<TXLSWorkSheets> sheets_;
  std::unique_ptr<TXLSBlobList> first_;
  std::unique_ptr<TXLSBlobList> second_;
  std::unique_ptr<TXLSDrawingGroup> drawingGroup_;
};

}  // namespace tablirex
