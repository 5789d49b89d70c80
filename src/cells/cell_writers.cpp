// The worksheet's cell writers: outside a save they store values in the cell store;
// during a save (StoreCells) they emit ROW, BLANK, NUMBER, BOOLERR, LABELSST/LABEL,
// FORMULA and MERGEDCELLS records into the sheet's data list.
#include <algorithm>
#include <vector>

#include "biff/blob.h"
#include "biff/record_sink.h"
#include "biff/records.h"
#include "cells/cell_store.h"
#include "cells/rowcol.h"
#include "cells/rich_text.h"
#include "cells/sst.h"
#include "formats/xf_list.h"
#include "eval/engine.h"
#include "formula/formula.h"
#include "formula/formula_code.h"
#include "tablirex/addressing.h"
#include "tablirex/result.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "text/text.h"

namespace tablirex {

namespace {

// The buffer of a cell record: its header, then the three fields every cell
// record opens with (row, column, format); the caller adds the value.
TXLSBlob StartCellRecord(Rec rec, std::uint32_t body, std::uint32_t row, std::uint16_t col,
                         std::uint16_t xf) {
  TXLSBlob b(4 + body);
  b.AddWord(RecNo(rec));
  b.AddWord(static_cast<std::uint16_t>(body));
  b.AddWord(row);  // 0
  b.AddWord(col);  // 2
  b.AddWord(xf);   // 4
  return b;
}

}  // namespace

std::uint16_t IXLSWorksheet::SaveXF(std::int32_t xf) const {
  // XFs 0 to 14 are style formats, which a cell must not refer to: a cell without
  // a format of its own takes XF 15, the default cell format.
  constexpr std::uint16_t kDefaultCellXF = TXLSXFList::kDefaultXF;
  if (xf <= 0) return kDefaultCellXF;
  const std::int32_t n = workbook_->XFList().GetSaveIndex(xf);
  return n > 0 ? static_cast<std::uint16_t>(n - 1) : kDefaultCellXF;
}

// Gives a cell the caller's XF key, moving the XF reference.
static void SetCellXF(TXLSWorkbook& wb, TXLSCellRef& cell, std::int32_t xf) {
  if (cell.XF == xf) return;
  wb.XFList().ReplaceIndex(cell.XF, xf);
  cell.XF = xf;
}

std::int32_t IXLSWorksheet::StoreFormatted(std::uint32_t row, std::uint16_t col, std::int32_t xf) {
  TXLSCellRef* cell = cells_->GetOrCreateValue(row, col);
  if (!cell) return xlsOutOfRange;
  SetCellXF(*workbook_, *cell, xf);
  return xlsOK;
}

std::int32_t IXLSWorksheet::Write(std::uint32_t row, std::uint16_t col, std::int32_t xf) {
  TXLS_RETURN_ON_ERROR(CheckDimensions(row, col));
  if (!IsSaving()) {
    TXLSCellRef* cell = cells_->GetOrCreateValue(row, col);
    cells_->ClearCellValue(*cell, workbook_->StringTable());
    SetCellXF(*workbook_, *cell, xf);
    return xlsOK;
  }
  TXLSBlob b = StartCellRecord(Rec::BLANK, 6, row, col, SaveXF(xf));
  return AppendData(b);
}

std::int32_t IXLSWorksheet::WriteDouble(std::uint32_t row, std::uint16_t col, double value,
                                        std::int32_t xf, bool isDate) {
  if (!IsCellNumber(value, isDate)) return xlsFail;
  TXLS_RETURN_ON_ERROR(CheckDimensions(row, col));
  if (!IsSaving()) {
    TXLSCellRef* cell = cells_->GetOrCreateValue(row, col);
    cells_->SetCellNumber(*cell, workbook_->StringTable(), value, isDate);
    SetCellXF(*workbook_, *cell, xf);
    return xlsOK;
  }
  TXLSBlob b = StartCellRecord(Rec::NUMBER, 14, row, col, SaveXF(xf));
  b.AddDouble(value);
  return AppendData(b);
}

std::int32_t IXLSWorksheet::WriteBoolean(std::uint32_t row, std::uint16_t col, bool value,
                                         std::int32_t xf) {
  TXLS_RETURN_ON_ERROR(CheckDimensions(row, col));
  if (!IsSaving()) {
    TXLSCellRef* cell = cells_->GetOrCreateValue(row, col);
    cells_->SetCellBoolean(*cell, workbook_->StringTable(), value);
    SetCellXF(*workbook_, *cell, xf);
    return xlsOK;
  }
  // BOOLERR, the same in both versions: the value byte, then 0 for "a boolean".
  TXLSBlob b = StartCellRecord(Rec::BOOLERR, 8, row, col, SaveXF(xf));
  b.AddByte(value ? 1 : 0);
  b.AddByte(0);
  return AppendData(b);
}

std::int32_t IXLSWorksheet::WriteString(std::uint32_t row, std::uint16_t col, std::int32_t sstIndex,
                                        std::int32_t xf) {
  TXLS_RETURN_ON_ERROR(CheckDimensions(row, col));
  TXLSStringTable& sst = workbook_->StringTable();
  if (!IsSaving()) {
    TXLSCellRef* cell = cells_->GetOrCreateValue(row, col);
    // The cell takes its own reference to the caller's entry.
    sst.ReplaceIndex(0, sstIndex);
    cells_->ClearCellValue(*cell, sst);
    cell->ValueType = xlString;
    cell->SSTIndex = sstIndex;
    SetCellXF(*workbook_, *cell, xf);
    return xlsOK;
  }
  if (workbook_->CurrentFormat() != xlExcel5) {
    // The SST record carries a longer text cut to what a cell holds.
    if (const std::size_t n = sst.GetValue(sstIndex).size(); n > TXLSStringTable::kMaxChars)
      TXLS_RETURN_ON_ERROR(workbook_->Warn(
          CellName(row, col, row, col),
          "text of " + std::to_string(n) + " characters cut to 32767 (the Excel 97 cell limit)",
          "texts cut to 32767 characters (the Excel 97 cell limit)"));
    TXLSBlob b = StartCellRecord(Rec::LABELSST, 10, row, col, SaveXF(xf));
    b.AddLong(static_cast<std::uint32_t>(sst.GetExtIndex(sstIndex)));
    return AppendData(b);
  }
  // BIFF5 keeps the text in the cell: line breaks become CR, the text goes to the
  // workbook's code page and is cut to the longest text such a cell holds.
  std::u16string text(sst.GetValue(sstIndex));
  std::u16string fixed;
  fixed.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
      fixed.push_back(u'\r');
      ++i;
    } else if (text[i] == u'\n') {
      fixed.push_back(u'\r');
    } else {
      fixed.push_back(text[i]);
    }
  }
  std::size_t unmapped = 0;
  std::string bytes = Utf16ToCodePage(fixed, workbook_->GetCodePage(), &unmapped);
  if (unmapped > 0) {
    const std::string cp = std::to_string(workbook_->GetCodePage());
    TXLS_RETURN_ON_ERROR(workbook_->Warn(CellName(row, col, row, col),
                                         std::to_string(unmapped) + (unmapped == 1 ? " character" : " characters") +
                                             " outside code page " + cp + " written as \"?\"",
                                         "characters outside code page " + cp + " written as \"?\""));
  }
  if (bytes.size() > XLSStrMax) {
    TXLS_RETURN_ON_ERROR(workbook_->Warn(
        CellName(row, col, row, col),
        "text of " + std::to_string(bytes.size()) + " characters cut to 255 (the Excel 5 cell limit)",
        "texts cut to 255 characters (the Excel 5 cell limit)"));
    bytes.resize(XLSStrMax);
  }
  if (const TXLSRichRuns* runs = sst.GetRuns(sstIndex))
    return StoreRichLabel(*this, row, col, SaveXF(xf), bytes, text, *runs);
  const auto n = static_cast<std::uint16_t>(bytes.size());
  TXLSBlob b = StartCellRecord(Rec::LABEL, 8 + n, row, col, SaveXF(xf));
  b.AddWord(n);
  b.AddString(bytes);
  return AppendData(b);
}

std::string IXLSWorksheet::CellName(std::uint32_t row1, std::uint32_t col1, std::uint32_t row2,
                                    std::uint32_t col2) const {
  const std::string sheet = Utf16ToUtf8(name_);
  bool plain = !sheet.empty();
  for (const char c : sheet)
    plain = plain && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_');
  std::string out;
  if (plain) {
    out = sheet;
  } else {
    out = "'";
    for (const char c : sheet) {
      if (c == '\'') out.push_back('\'');
      out.push_back(c);
    }
    out += "'";
  }
  out += "!";
  const auto r1 = static_cast<std::uint32_t>(row1), r2 = static_cast<std::uint32_t>(row2);
  const auto c1 = static_cast<std::uint16_t>(col1), c2 = static_cast<std::uint16_t>(col2);
  out += row1 == row2 && col1 == col2 ? EncodeCellRef(r1, c1) : EncodeCellRange(r1, c1, r2, c2);
  return out;
}

std::int32_t IXLSWorksheet::CheckFormula(std::string_view text, std::uint32_t row1, std::uint32_t col1,
                                         std::uint32_t row2, std::uint32_t col2) {
  // The cells are named in a refusal only, so the name is made when one is needed.
  if (workbook_->CheckFormula(text, std::string_view(), position_) == xlsOK) return xlsOK;
  return workbook_->Refuse(CellName(row1, col1, row2, col2) + workbook_->GetLastError());
}

std::int32_t IXLSWorksheet::WriteFormula(std::uint32_t row, std::uint16_t col, std::string_view text,
                                         std::int32_t xf) {
  TXLS_RETURN_ON_ERROR(CheckDimensions(row, col));
  if (!IsSaving()) {
    // A formula that cannot be written is refused now; the cell keeps its value.
    TXLS_RETURN_ON_ERROR(CheckFormula(text, row, col, row, col));
    TXLSCellRef* cell = cells_->GetOrCreateValue(row, col);
    cells_->SetCellFormula(*cell, workbook_->StringTable(), text, workbook_->CheckedCode(text));
    SetCellXF(*workbook_, *cell, xf);
    return xlsOK;
  }
  TXLSFormula& compiler = workbook_->InitFormula();
  // The sheet's own names come first.
  compiler.SetSheet(position_);
  // Every formula was checked when its cell took it; what can still fail here is
  // what the save decides: a sheet it names, and the limits of the file format.
  const auto refuse = [&] {
    std::string message = CellName(row, col, row, col) + ": formula \"=";
    message.append(text.substr(0, 60));
    if (text.size() > 60) message += "...";
    message += "\": " + compiler.Error();
    return workbook_->Refuse(std::move(message));
  };
  // A formula written while the sheet saves, with no cell behind it.
  if (compiler.Compile(text, 1) != xlsOK) return refuse();
  TFormulaCode fresh;
  if (!compiler.MakeCode(fresh)) return refuse();
  fresh.source.assign(text);
  return StoreFormula(row, col, xf, fresh, nullptr);
}

std::int32_t IXLSWorksheet::StoreFormulaCell(TXLSCellRef& cell, std::int32_t xf) {
  // The code kept when the cell took the formula, as the evaluation used it.
  const eval::TWorkbookEvaluator* results = workbook_->Evaluation();
  const std::int32_t sheet = position_ - 1;
  const TFormulaCode* code = results ? results->Code(sheet, cell.Row, cell.Col) : nullptr;
  std::string error;
  if (!code) code = workbook_->CellFormulaCode(*this, cell, &error);
  if (!code) {
    std::string message = CellName(cell.Row, cell.Col, cell.Row, cell.Col) + ": formula \"=";
    const std::string& text = cells_->FormulaText(cell);
    message.append(std::string_view(text).substr(0, 60));
    if (text.size() > 60) message += "...";
    message += "\": " + error;
    return workbook_->Refuse(std::move(message));
  }
  return StoreFormula(cell.Row, cell.Col, xf, *code, results ? results->Result(sheet, cell.Row, cell.Col) : nullptr);
}

std::int32_t IXLSWorksheet::StoreFormula(std::uint16_t row, std::uint16_t col, std::int32_t xf,
                                         const TFormulaCode& code, const eval::TFormulaResult* result) {
  TXLSFormula& compiler = workbook_->InitFormula();
  compiler.SetSheet(position_);
  std::vector<std::uint8_t>& tokens = formulaBytes_;
  if (compiler.EncodeCode(code, tokens) != xlsOK) {
    std::string message = CellName(row, col, row, col) + ": formula \"=";
    message.append(std::string_view(code.source).substr(0, 60));
    if (code.source.size() > 60) message += "...";
    message += "\": " + compiler.Error();
    return workbook_->Refuse(std::move(message));
  }
  const bool biff5 = workbook_->CurrentFormat() == xlExcel5;
  // The result the formula had when saved, in the record's marked forms; what
  // may change on opening (or has no result) is worked out again then.
  std::uint16_t flags = 0x0002;  // calculate on load
  std::uint8_t marked[8] = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  double number = 0;
  bool isNumber = false;
  std::u16string text;
  bool isText = false;
  if (result) {
    const eval::TValue& v = result->value;
    flags = result->isVolatile ? 0x0003 : result->recalc || !result->trusted ? 0x0002 : 0x0000;
    switch (v.Kind()) {
      case eval::TValueKind::Number:
        number = v.Num();
        isNumber = true;
        break;
      case eval::TValueKind::Text:
        text = v.Str();
        // An empty text has a mark of its own in the Excel 97 form.
        if (text.empty() && !biff5)
          marked[0] = 3;
        else
          isText = true;
        break;
      case eval::TValueKind::Boolean:
        marked[0] = 1;
        marked[2] = v.Bool() ? 1 : 0;
        break;
      case eval::TValueKind::Error:
        marked[0] = 2;
        marked[2] = static_cast<std::uint8_t>(v.Err());
        break;
      default:
        isNumber = true;
        break;
    }
  } else {
    isNumber = true;
  }
  const auto m = static_cast<std::uint32_t>(tokens.size());  // length word, tokens, array values
  TXLSBlob b = StartCellRecord(Rec::FORMULA, 20 + m, row, col, SaveXF(xf));
  if (isNumber)
    b.AddDouble(number);
  else
    for (const std::uint8_t byte : marked) b.AddByte(byte);
  b.AddWord(flags);
  b.AddLong(0);
  b.AddBytes(tokens.data(), m);
  TXLS_RETURN_ON_ERROR(AppendData(b));
  if (!isText) return xlsOK;
  return StoreStringResult(row, col, text);
}

std::int32_t IXLSWorksheet::StoreStringResult(std::uint16_t row, std::uint16_t col, const std::u16string& text) {
  // STRING follows its FORMULA record: the text result, in one record.
  const bool biff5 = workbook_->CurrentFormat() == xlExcel5;
  if (biff5) {
    std::size_t unmapped = 0;
    std::string bytes = Utf16ToCodePage(text, workbook_->GetCodePage(), &unmapped);
    if (unmapped > 0) {
      const std::string cp = std::to_string(workbook_->GetCodePage());
      TXLS_RETURN_ON_ERROR(workbook_->Warn(CellName(row, col, row, col),
                                           "formula result: " + std::to_string(unmapped) +
                                               (unmapped == 1 ? " character" : " characters") + " outside code page " +
                                               cp + " written as \"?\"",
                                           "characters outside code page " + cp + " written as \"?\""));
    }
    if (bytes.size() > XLSStrMax) {
      TXLS_RETURN_ON_ERROR(workbook_->Warn(
          CellName(row, col, row, col),
          "formula result of " + std::to_string(bytes.size()) + " characters cut to 255 (the Excel 5 limit)",
          "texts cut to 255 characters (the Excel 5 cell limit)"));
      bytes.resize(XLSStrMax);
    }
    const auto n = static_cast<std::uint16_t>(bytes.size());
    TXLSBlob b(4u + 2u + n);
    b.AddWord(RecNo(Rec::STRING));
    b.AddWord(static_cast<std::uint16_t>(2 + n));
    b.AddWord(n);
    b.AddString(bytes);
    return AppendData(b);
  }
  // Characters below 256 are written one byte each; others as UTF-16. Either way
  // the text fits one record.
  bool compressed = true;
  for (const char16_t c : text) compressed = compressed && c < 0x100;
  const std::size_t room = (workbook_->MaxRecordBody() - 3u) / (compressed ? 1u : 2u);
  std::u16string_view t(text);
  if (t.size() > room) {
    TXLS_RETURN_ON_ERROR(workbook_->Warn(CellName(row, col, row, col),
                                         "formula result of " + std::to_string(t.size()) + " characters cut to " +
                                             std::to_string(room) + "; the file works it out again when opened",
                                         "long formula results cut (worked out again when opened)"));
    t = t.substr(0, room);
  }
  const auto n = static_cast<std::uint16_t>(t.size());
  const std::uint32_t body = 3u + (compressed ? n : 2u * n);
  TXLSBlob b(4u + body);
  b.AddWord(RecNo(Rec::STRING));
  b.AddWord(static_cast<std::uint16_t>(body));
  b.AddWord(n);
  b.AddByte(compressed ? 0x00 : 0x01);
  if (compressed)
    for (const char16_t c : t) b.AddByte(static_cast<std::uint8_t>(c));
  else
    b.AddWideString(t);
  return AppendData(b);
}

std::int32_t IXLSWorksheet::MergeCells(std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
                                       std::uint16_t col2) {
  if (row1 > row2) std::swap(row1, row2);
  if (col1 > col2) std::swap(col1, col2);
  if (row2 > XLSXMaxRow || col2 > XLSXMaxCol) return xlsOutOfRange;
  if (IsSaving() && (row2 > XLSMaxRow || col2 > XLSMaxCol)) return xlsOutOfRange;  // past the file's grid
  if (!IsSaving()) {
    // Outside a save the area is recorded on its cells.
    TXLSStringTable& sst = workbook_->StringTable();
    for (std::uint32_t r = row1; r <= row2; ++r)
      for (std::uint32_t c = col1; c <= col2; ++c) {
        TXLSCellRef* cell = cells_->GetOrCreateValue(r, c);
        const bool owner = r == row1 && c == col1;
        if (!owner) cells_->ClearCellValue(*cell, sst);
        cell->IsMerged = true;
        cell->IsMergeOwner = owner;
        TXLSCellExtra& e = cells_->MakeExtra(*cell);
        e.OwnerRow = row1;
        e.OwnerCol = col1;
        if (owner) {
          e.MergeRows = row2 - row1 + 1;
          e.MergeCols = static_cast<std::uint16_t>(col2 - col1 + 1);
        }
      }
    return xlsOK;
  }
  TXLSBlob b(4 + 10);
  b.AddWord(RecNo(Rec::MERGEDCELLS));
  b.AddWord(10);
  b.AddWord(1);
  b.AddWord(row1);
  b.AddWord(row2);
  b.AddWord(col1);
  b.AddWord(col2);
  return AppendData(b);
}

template <class WriteFirst>
std::int32_t IXLSWorksheet::MergeWriteArea(std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
                                           std::uint16_t col2, std::int32_t xf, WriteFirst&& first) {
  if (row1 == row2 && col1 == col2) return first(row1, col1);
  if (row1 > row2) std::swap(row1, row2);
  if (col1 > col2) std::swap(col1, col2);
  TXLS_RETURN_ON_ERROR(first(row1, col1));
  for (std::uint32_t r = row1; r <= row2; ++r)
    for (std::uint32_t c = col1; c <= col2; ++c) {
      if (r == row1 && c == col1) continue;
      const TXLSCellRef* cell = cells_->GetValue(r, c);
      const std::int32_t cellXF = cell ? cell->XF : xf;
      if (IsSaving()) {
        TXLS_RETURN_ON_ERROR(Write(static_cast<std::uint32_t>(r), static_cast<std::uint16_t>(c), cellXF));
      } else {
        TXLS_RETURN_ON_ERROR(CheckDimensions(r, c));
        // Covered cells that did not exist take the area's format.
        if (!cell) TXLS_RETURN_ON_ERROR(StoreFormatted(static_cast<std::uint32_t>(r),
                                                       static_cast<std::uint16_t>(c), xf));
      }
    }
  return MergeCells(row1, col1, row2, col2);
}

std::int32_t IXLSWorksheet::MergeWriteDouble(std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
                                             std::uint16_t col2, double value, std::int32_t xf,
                                             bool isDate) {
  return MergeWriteArea(row1, col1, row2, col2, xf, [&](std::uint16_t r, std::uint16_t c) {
    return WriteDouble(r, c, value, xf, isDate);
  });
}

std::int32_t IXLSWorksheet::MergeWriteNumber(std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
                                             std::uint16_t col2, double value, std::int32_t xf) {
  return MergeWriteDouble(row1, col1, row2, col2, value, xf, false);
}

std::int32_t IXLSWorksheet::MergeWriteDateTime(std::uint32_t row1, std::uint16_t col1,
                                               std::uint32_t row2, std::uint16_t col2, double value,
                                               std::int32_t xf) {
  return MergeWriteDouble(row1, col1, row2, col2, value, xf, true);
}

std::int32_t IXLSWorksheet::MergeWriteString(std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
                                             std::uint16_t col2, std::int32_t sstIndex, std::int32_t xf) {
  return MergeWriteArea(row1, col1, row2, col2, xf, [&](std::uint16_t r, std::uint16_t c) {
    return WriteString(r, c, sstIndex, xf);
  });
}

std::int32_t IXLSWorksheet::MergeWriteFormula(std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
                                              std::uint16_t col2, std::string_view text, std::int32_t xf) {
  return MergeWriteArea(row1, col1, row2, col2, xf, [&](std::uint16_t r, std::uint16_t c) {
    return WriteFormula(r, c, text, xf);
  });
}

std::int32_t IXLSWorksheet::MergeWrite(std::uint32_t row1, std::uint16_t col1, std::uint32_t row2,
                                       std::uint16_t col2, std::int32_t xf) {
  return MergeWriteArea(row1, col1, row2, col2, xf,
                        [&](std::uint16_t r, std::uint16_t c) { return Write(r, c, xf); });
}

std::int32_t IXLSWorksheet::WriteNumber(std::uint32_t row, std::uint16_t col, double value) {
  return WriteNumber(row, col, value, 0);
}
std::int32_t IXLSWorksheet::WriteString(std::uint32_t row, std::uint16_t col, std::int32_t sstIndex) {
  return WriteString(row, col, sstIndex, 0);
}
std::int32_t IXLSWorksheet::WriteFormula(std::uint32_t row, std::uint16_t col, std::string_view text) {
  return WriteFormula(row, col, text, 0);
}
std::int32_t IXLSWorksheet::WriteDateTime(std::uint32_t row, std::uint16_t col, double value) {
  return WriteDateTime(row, col, value, 0);
}
std::int32_t IXLSWorksheet::Write(std::uint32_t row, std::uint16_t col) { return Write(row, col, 0); }
std::int32_t IXLSWorksheet::WriteNumber(std::uint32_t row, std::uint16_t col, double value,
                                        std::int32_t xf) {
  return WriteDouble(row, col, value, xf, false);
}
std::int32_t IXLSWorksheet::WriteDateTime(std::uint32_t row, std::uint16_t col, double value,
                                          std::int32_t xf) {
  return WriteDouble(row, col, value, xf, true);
}

// ---- A1 overloads ---------------------------------------------------------------------

namespace {

template <class F>
std::int32_t WithCell(std::string_view ref, F&& f) {
  std::uint32_t row = 0;
  std::uint16_t col = 0;
  const std::int32_t r = GetCellRef(ref, row, col);
  if (r != xlsOK) return r;
  return f(row, col);
}

template <class F>
std::int32_t WithArea(std::string_view range, F&& f) {
  std::uint32_t r1 = 0, r2 = 0;
  std::uint16_t c1 = 0, c2 = 0;
  const std::int32_t r = GetCellRange(range, r1, c1, r2, c2);
  if (r != xlsOK) return r;
  return f(r1, c1, r2, c2);
}

}  // namespace

std::int32_t IXLSWorksheet::Write(std::string_view ref) {
  return WithCell(ref, [&](std::uint32_t r, std::uint16_t c) { return Write(r, c); });
}
std::int32_t IXLSWorksheet::Write(std::string_view ref, std::int32_t xf) {
  return WithCell(ref, [&](std::uint32_t r, std::uint16_t c) { return Write(r, c, xf); });
}
std::int32_t IXLSWorksheet::WriteNumber(std::string_view ref, double value) {
  return WithCell(ref, [&](std::uint32_t r, std::uint16_t c) { return WriteNumber(r, c, value); });
}
std::int32_t IXLSWorksheet::WriteNumber(std::string_view ref, double value, std::int32_t xf) {
  return WithCell(ref, [&](std::uint32_t r, std::uint16_t c) { return WriteNumber(r, c, value, xf); });
}
std::int32_t IXLSWorksheet::WriteDateTime(std::string_view ref, double value) {
  return WithCell(ref, [&](std::uint32_t r, std::uint16_t c) { return WriteDateTime(r, c, value); });
}
std::int32_t IXLSWorksheet::WriteDateTime(std::string_view ref, double value, std::int32_t xf) {
  return WithCell(ref,
                  [&](std::uint32_t r, std::uint16_t c) { return WriteDateTime(r, c, value, xf); });
}
std::int32_t IXLSWorksheet::WriteString(std::string_view ref, std::int32_t sstIndex) {
  return WithCell(ref, [&](std::uint32_t r, std::uint16_t c) { return WriteString(r, c, sstIndex); });
}
std::int32_t IXLSWorksheet::WriteString(std::string_view ref, std::int32_t sstIndex, std::int32_t xf) {
  return WithCell(ref,
                  [&](std::uint32_t r, std::uint16_t c) { return WriteString(r, c, sstIndex, xf); });
}
std::int32_t IXLSWorksheet::WriteFormula(std::string_view ref, std::string_view text) {
  return WithCell(ref, [&](std::uint32_t r, std::uint16_t c) { return WriteFormula(r, c, text); });
}
std::int32_t IXLSWorksheet::WriteFormula(std::string_view ref, std::string_view text, std::int32_t xf) {
  return WithCell(ref,
                  [&](std::uint32_t r, std::uint16_t c) { return WriteFormula(r, c, text, xf); });
}
std::int32_t IXLSWorksheet::MergeWrite(std::string_view range, std::int32_t xf) {
  return WithArea(range, [&](std::uint32_t r1, std::uint16_t c1, std::uint32_t r2, std::uint16_t c2) {
    return MergeWrite(r1, c1, r2, c2, xf);
  });
}
std::int32_t IXLSWorksheet::MergeWriteNumber(std::string_view range, double value, std::int32_t xf) {
  return WithArea(range, [&](std::uint32_t r1, std::uint16_t c1, std::uint32_t r2, std::uint16_t c2) {
    return MergeWriteNumber(r1, c1, r2, c2, value, xf);
  });
}
std::int32_t IXLSWorksheet::MergeWriteDateTime(std::string_view range, double value, std::int32_t xf) {
  return WithArea(range, [&](std::uint32_t r1, std::uint16_t c1, std::uint32_t r2, std::uint16_t c2) {
    return MergeWriteDateTime(r1, c1, r2, c2, value, xf);
  });
}
std::int32_t IXLSWorksheet::MergeWriteString(std::string_view range, std::int32_t sstIndex,
                                             std::int32_t xf) {
  return WithArea(range, [&](std::uint32_t r1, std::uint16_t c1, std::uint32_t r2, std::uint16_t c2) {
    return MergeWriteString(r1, c1, r2, c2, sstIndex, xf);
  });
}
std::int32_t IXLSWorksheet::MergeWriteFormula(std::string_view range, std::string_view text,
                                              std::int32_t xf) {
  return WithArea(range, [&](std::uint32_t r1, std::uint16_t c1, std::uint32_t r2, std::uint16_t c2) {
    return MergeWriteFormula(r1, c1, r2, c2, text, xf);
  });
}

// ---- the save ---------------------------------------------------------------------------

namespace {

// Hands records to the sheet's cell-data list.
class DataListSink final : public IRecordSink {
 public:
  explicit DataListSink(IXLSWorksheet& sheet) : sheet_(sheet) {}
  std::int32_t AppendRecord(TXLSBlob& record) override { return sheet_.AppendData(record); }

 private:
  IXLSWorksheet& sheet_;
};

// A merged area whose records are written after the cells.
struct TMergedArea {
  std::uint32_t row1, col1, row2, col2;
};

}  // namespace

std::int32_t IXLSWorksheet::StoreCells() {
  TXLSCellHeap& store = *cells_;
  const TXLSColumnInfoList& cols = *cols_;
  const TXLSRowInfoList& rows = *rows_;
  // The ROW records open the cell table (DIMENSIONS, the header list's last record,
  // comes right before), ahead of the cells of their rows. An Excel 5 sheet ends
  // at row 16384.
  DataListSink data(*this);
  TXLS_RETURN_ON_ERROR(
      rows.StoreRows(data, workbook_->CurrentFormat() == xlExcel5 ? kBiff5LastRow : XLSMaxRow));

  // Every cell in row order, and within a row in column order, merged ones
  // included: a merged area's owner holds the value, the cells it covers are
  // BLANK. The merged areas follow the cells.
  std::vector<TMergedArea> merged;
  std::int32_t result = xlsOK;
  store.ForEach([&](TXLSCellRef& cell) {
    if (result != xlsOK) return;
    const std::uint32_t r = cell.Row;
    const std::uint16_t c = cell.Col;
    // A cell without a format of its own shows its column's format, else its row's:
    // the record carries the format the cell shows.
    const std::int32_t xf = ShownXF(cell.XF, r, c, rows, cols);
    // A cell a merged area covers is a BLANK; the area's owner holds the value.
    const bool covered = cell.IsMerged && !cell.IsMergeOwner;
    std::int32_t status = xlsOK;
    if (covered) {
      status = Write(r, c, xf);
    } else {
      switch (cell.ValueType) {
        case xlEmpty: status = Write(r, c, xf); break;
        case xlString: status = WriteString(r, c, cell.SSTIndex, xf); break;
        case xlDoubleNumber: status = WriteDouble(r, c, cell.NumValue, xf, false); break;
        case xlDateTime: status = WriteDouble(r, c, cell.NumValue, xf, true); break;
        case xlFormula:
          status = CheckDimensions(r, c);
          if (status == xlsOK) status = StoreFormulaCell(cell, xf);
          break;
        case xlBoolean: status = WriteBoolean(r, c, cell.NumValue != 0.0, xf); break;
      }
    }
    // A cell below the rows of the Excel 5 form is left out of that form (kept in
    // the Excel 97 form), as the sheet's dimensions already are.
    if (status == xlsOutOfRange) return;
    // The first cell that cannot be written stops the walk and fails the save. A
    // formula's writer names its own failure, and so does a strict save's
    // warning; anything else is named here.
    if (status != xlsOK) {
      result = (cell.ValueType == xlFormula && !covered) || !workbook_->StrictFailure().empty()
                   ? status
                   : workbook_->Refuse(CellName(r, c, r, c) + ": the cell could not be written (" +
                                       ResultName(status) + ")");
      return;
    }
    if (covered || !cell.IsMerged) return;
    const TXLSCellExtra* e = store.Extra(cell);
    const std::int32_t rows2 = e ? e->MergeRows : 1, cols2 = e ? e->MergeCols : 1;
    if (rows2 <= 1 && cols2 <= 1) return;  // an area of one cell is an ordinary cell
    const auto r2 = std::min<std::uint32_t>(r + static_cast<std::uint32_t>(rows2) - 1, XLSXMaxRow);
    const auto c2 = static_cast<std::uint16_t>(std::min<std::int32_t>(c + cols2 - 1, XLSXMaxCol));
    // An area reaching past the rows this file version holds is left out with its cells.
    if (CheckDimensions(r2, c2) == xlsOK) merged.push_back({r, c, r2, c2});
  });
  if (result != xlsOK) return result;
  for (const TMergedArea& a : merged) TXLS_RETURN_ON_ERROR(MergeCells(a.row1, a.col1, a.row2, a.col2));
  return xlsOK;
}

}  // namespace tablirex
