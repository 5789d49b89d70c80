// Defined names as plain data, and the workbook's one table of NAME records:
// built-in names (print areas, print titles, and any other a sheet asks for) and
// the names callers define, in the order the file lists them. A formula's name
// token carries the one-based position of its name in this table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "biff/record_sink.h"
#include "tablirex/object.h"

namespace tablirex {

class TXLSWorkbook;
class IXLSWorksheet;

/// A name a caller defined. refersTo is UTF-8 without its "=".
struct TXLSDefinedName {
  std::uint64_t id = 0;
  std::u16string name;
  std::string refersTo;
  bool hidden = false;
};

/// Longest name.
inline constexpr std::size_t kMaxNameLength = 255;

/// Why a text cannot be a name (see IXLSNames), or empty when it can.
std::string NameProblem(std::u16string_view name);

/// The names of one scope (the workbook, or one sheet), in the order added.
class TXLSNameList {
 public:
  const std::vector<TXLSDefinedName>& Items() const noexcept { return items_; }
  bool Empty() const noexcept { return items_.empty(); }
  /// The name spelt so without regard to case, or nullptr.
  TXLSDefinedName* Find(std::u16string_view name) noexcept;
  const TXLSDefinedName* Find(std::u16string_view name) const noexcept;
  TXLSDefinedName* Find(std::uint64_t id) noexcept;
  /// Appends a name (its id is assigned here); the caller has checked it is new.
  std::uint64_t Add(TXLSDefinedName name);
  bool Remove(std::uint64_t id);
  /// Zero-based position of the name of that id, or -1.
  std::int32_t IndexOf(std::uint64_t id) const noexcept;

 private:
  std::vector<TXLSDefinedName> items_;
  std::uint64_t nextId_ = 1;
};

/// Built-in name codes.
inline constexpr std::uint8_t kBuiltinPrintArea = 0x06;
inline constexpr std::uint8_t kBuiltinPrintTitles = 0x07;
inline constexpr std::uint8_t kBuiltinFilterDatabase = 0x0D;

/// A zero-based cell rectangle of a built-in name.
struct TXLSNameArea {
  std::uint32_t firstRow = 0;
  std::uint32_t lastRow = 0;
  std::uint16_t firstCol = 0;
  std::uint16_t lastCol = 0;
};

/// One NAME record of a save.
struct TXLSNameRecord {
  /// 0 for a defined name, else the built-in code (kBuiltinPrintArea, ...).
  std::uint8_t builtin = 0;
  /// The text of a defined name.
  std::u16string name;
  /// 1-based position of the sheet the name belongs to; 0 for the workbook.
  std::uint16_t sheet = 0;
  bool hidden = false;
  /// Built-in names: the areas of their sheet (one area, or the two of print
  /// titles joined into a list).
  std::vector<TXLSNameArea> areas;
  /// Defined names: the formula and where it came from, for messages.
  std::string refersTo;
  /// The formula's tokens, without their length, once encoded.
  std::vector<std::uint8_t> tokens;
};

/// The NAME record of one entry: body head, the name, then the formula
/// (tokens, or for a built-in name its areas). Records longer than the format
/// allows are refused. Returns the sink's result.
[[nodiscard]] std::int32_t StoreName(const TXLSNameRecord& record, std::uint16_t sheetCount, IRecordSink& sink,
                                     const TRecordContext& ctx);
/// The tokens of a built-in name's areas on its sheet (zero-based s of
/// sheetCount): one 3-D area, or two joined by the list operator.
std::vector<std::uint8_t> BuiltinNameTokens(const TXLSNameRecord& record, std::uint16_t sheetCount,
                                            const TRecordContext& ctx);

/// What the views of the workbook's names hold instead of the workbook: the
/// table clears it when the workbook goes, so a view outliving it finds out.
class TXLSBookLink final : public TXLSObject {
 public:
  explicit TXLSBookLink(TXLSWorkbook* workbook) noexcept : TXLSObject(true), workbook_(workbook) {}
  /// The workbook, or nullptr once it is destroyed.
  TXLSWorkbook* Workbook() const noexcept { return workbook_; }
  void Clear() noexcept { workbook_ = nullptr; }

 private:
  TXLSWorkbook* workbook_;
};

/// The workbook's names and, during a save, the NAME records in file order.
class TXLSNameTable {
 public:
  TXLSNameTable() = default;
  TXLSNameTable(const TXLSNameTable&) = delete;
  TXLSNameTable& operator=(const TXLSNameTable&) = delete;
  ~TXLSNameTable() {
    if (link_) link_->Clear();
  }
  /// The link views of the workbook's names hold (made on first use).
  TXLSBookLink* Link(TXLSWorkbook& workbook) {
    if (!link_) link_ = MakeRef<TXLSBookLink>(&workbook);
    return link_.get();
  }
  /// The workbook's own names.
  TXLSNameList& Globals() noexcept { return globals_; }
  const TXLSNameList& Globals() const noexcept { return globals_; }

  /// Starts a save: lists every NAME record the file will carry, in order: the
  /// print areas of all sheets, their print titles, the other built-in names
  /// (AddBuiltin), then the workbook's names and each sheet's, in sheet order.
  /// biff5: the save is in the Excel 5 format (whose sheets have 16384 rows).
  void BeginSave(TXLSWorkbook& workbook, bool biff5);
  /// A built-in name of the save being prepared, listed after the print titles
  /// (for example a sheet's hidden _FilterDatabase over its filtered cells).
  /// sheet is 1-based.
  void AddBuiltin(std::uint8_t code, std::uint16_t sheet, std::vector<TXLSNameArea> areas, bool hidden);
  /// Encodes the formulas of the defined names in the save's format. Fails,
  /// naming the name, for a formula that can no longer be written (a sheet or a
  /// name it uses is gone).
  std::int32_t EncodeNames(TXLSWorkbook& workbook);
  /// Writes every NAME record of the save.
  [[nodiscard]] std::int32_t Store(IRecordSink& sink, const TRecordContext& ctx, std::uint16_t sheetCount) const;
  /// Ends the save.
  void EndSave() noexcept;
  const std::vector<TXLSNameRecord>& Records() const noexcept { return records_; }

  /// The one-based NAME record a formula on sheet (1-based; 0 none) means by
  /// name: that sheet's own name first, then the workbook's; with localOnly only
  /// the sheet's. Outside a save any positive number when the name exists.
  /// -1 when it does not.
  std::int32_t IndexOf(TXLSWorkbook& workbook, std::string_view name, std::int32_t sheet, bool localOnly) const;
  /// Bumped by every change of any name: tokens that carry name indices and
  /// were kept from an earlier compilation must be made again when it moved.
  std::uint64_t Generation() const noexcept { return generation_; }
  void Changed() noexcept { ++generation_; }

 private:
  TXLSNameList globals_;
  Ref<TXLSBookLink> link_;
  std::vector<TXLSNameRecord> records_;
  bool saving_ = false;
  std::uint64_t generation_ = 0;
};

}  // namespace tablirex
