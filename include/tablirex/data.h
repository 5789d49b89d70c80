// The data layer the exporters read from: fields, datasets, fonts, colours and a
// grid model. Any data source (rows in memory, a CSV file, a SQLite or PostgreSQL
// query) stands behind TDataSet; the exporters use nothing else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tablirex/variant.h"

namespace tablirex {

// ---- colours -------------------------------------------------------------------

/// A colour as the exporters take it: an RGB value (red in bits 0-7, green in
/// 8-15, blue in 16-23), or a system colour (0x80000000 | index), or clNone.
using TColor = std::int32_t;

/// No colour: the exporters leave the corresponding format untouched.
inline constexpr TColor clNone = 0x1FFFFFFF;
/// The colour a grid draws by default (the window background, shown as white).
inline constexpr TColor clWindow = static_cast<TColor>(0x80000005);
/// The default text colour of a grid (the window text, shown as black).
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008);
/// The background of a grid's title cells (a button face, shown light grey).
inline constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clSilver = 0xC0C0C0;

/// The RGB value of a colour: RGB values are returned unchanged (masked to 24
/// bits), system colours are mapped to fixed values of a standard light desktop
/// scheme (unknown system indices give black). clNone gives 0x1FFFFFFF unchanged;
/// callers test for clNone before converting.
std::uint32_t ColorToRGB(TColor color) noexcept;

/// Parses a colour given as a name the palette knows ("red", "silver", ...), as
/// "#RRGGBB", or as "none"; returns false for anything else.
bool ParseColor(std::string_view text, TColor& color) noexcept;

// ---- fonts -----------------------------------------------------------------------

enum TFontStyle : std::uint8_t {
  fsBold = 1,
  fsItalic = 2,
  fsUnderline = 4,
  fsStrikeOut = 8,
};
/// A set of TFontStyle bits.
using TFontStyles = std::uint8_t;

/// A font value: name, size in points, style bits and colour. Copies are
/// independent (assignment copies every attribute).
class TFont {
 public:
  TFont() = default;
  TFont(std::string name, std::int32_t size, TFontStyles style = 0, TColor color = clNone)
      : name_(std::move(name)), size_(size), style_(style), color_(color) {}

  const std::string& GetName() const noexcept { return name_; }
  void SetName(std::string_view name) { name_ = name; }
  std::int32_t GetSize() const noexcept { return size_; }
  void SetSize(std::int32_t size) noexcept { size_ = size; }
  TFontStyles GetStyle() const noexcept { return style_; }
  void SetStyle(TFontStyles style) noexcept { style_ = style; }
  TColor GetColor() const noexcept { return color_; }
  void SetColor(TColor color) noexcept { color_ = color; }
  void Assign(const TFont& other) { *this = other; }

  friend bool operator==(const TFont&, const TFont&) = default;

 private:
  std::string name_ = "Arial";
  std::int32_t size_ = 10;
  TFontStyles style_ = 0;
  TColor color_ = clNone;
};

/// Parses a font given as "Name[,size][,style...]" where each style is bold,
/// italic, underline or strikeout (case-insensitive), e.g. "Arial,10,bold".
/// Returns false (and leaves font unchanged) for an empty name, a size outside
/// 1..409 or an unknown style word.
bool ParseFont(std::string_view text, TFont& font);

// ---- fields and datasets -----------------------------------------------------------

/// Data type codes of fields. The exporters give numbers formats by these codes
/// (7 currency, 9 date, 10 time, 11 date and time); the others say what a source
/// found.
enum TFieldType : std::int32_t {
  ftUnknown = 0,   // no declared type, or a column holding only NULLs
  ftString = 1,
  ftSmallint = 2,
  ftInteger = 3,
  ftWord = 4,
  ftBoolean = 5,
  ftFloat = 6,
  ftCurrency = 7,
  ftBCD = 8,       // exact decimal other than money
  ftDate = 9,
  ftTime = 10,
  ftDateTime = 11,
  ftBytes = 12,
  ftBlob = 15,
  ftMemo = 16,     // long text
  ftLargeint = 25, // 64-bit integer
};

/// A short English name of a data type code ("currency", "date", ...).
const char* FieldTypeName(TFieldType type) noexcept;

class TDataSet;

/// One column of a dataset. Its value is the one of the dataset's current record.
/// Fields belong to their dataset and live as long as it does.
class TField {
 public:
  TField(std::string name, TFieldType type, std::int32_t displayWidth = 0)
      : name_(std::move(name)), type_(type), displayWidth_(displayWidth) {}
  virtual ~TField() = default;
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& GetFieldName() const noexcept { return name_; }
  TFieldType GetDataType() const noexcept { return type_; }
  /// Width in characters a grid would show the field with; 0 when unknown.
  std::int32_t GetDisplayWidth() const noexcept { return displayWidth_; }
  void SetDisplayWidth(std::int32_t width) noexcept { displayWidth_ = width; }

  /// The value in the current record: empty or null for NULL, numbers, varCurrency
  /// for money, varDate serials for dates and times, varBoolean, texts (UTF-8), and
  /// binary data as "0x" and upper-case hex digits ("0x00FF"), never as raw bytes.
  /// A value that does not parse as the declared type comes as the text the source
  /// holds, never dropped.
  virtual TVariant GetValue() const = 0;
  /// The value as a serial day number (0 for NULL); raises EVariantError for a value
  /// that is no date.
  virtual double GetAsDateTime() const { return GetValue().AsDate(); }
  bool IsNull() const { return GetValue().IsEmptyOrNull(); }

 protected:
  void SetDataType(TFieldType type) noexcept { type_ = type; }

 private:
  std::string name_;
  TFieldType type_;
  std::int32_t displayWidth_;
};

/// A position in a dataset that GotoBookmark returns to (the zero-based record
/// number; -1 stands for "before the first record").
using TBookmark = std::int64_t;

/// A result set read one record at a time. Sources return xlsOK (1) or xlsFail
/// (-1) from the operations that can fail and keep the source's own message in
/// GetErrorText(). A dataset is used from one thread at a time.
class TDataSet {
 public:
  virtual ~TDataSet() = default;
  TDataSet() = default;
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  std::int32_t GetFieldCount() const noexcept { return static_cast<std::int32_t>(fields_.size()); }
  /// The field at a zero-based index, or nullptr outside 0..count-1.
  TField* GetField(std::int32_t index) const noexcept {
    return index >= 0 && index < GetFieldCount() ? fields_[static_cast<std::size_t>(index)].get()
                                                 : nullptr;
  }
  /// The first field of that name (exact match first, then without regard to
  /// ASCII case), or nullptr.
  TField* FindField(std::string_view name) const noexcept;

  /// Moves to the first record (re-reading the source where it streams); Eof() is
  /// then true for an empty result.
  virtual std::int32_t First() = 0;
  /// Moves to the next record; at the last one Eof() becomes true.
  virtual std::int32_t Next() = 0;
  /// True past the last record (and for an empty result).
  bool Eof() const noexcept { return eof_; }
  /// The zero-based number of the current record (-1 before First).
  std::int64_t GetRecNo() const noexcept { return recNo_; }

  /// A bookmark of the current record.
  virtual TBookmark GetBookmark() { return recNo_; }
  /// Returns to a bookmarked record (streaming sources read again up to it);
  /// a bookmark of -1 leaves the dataset before its first record.
  virtual std::int32_t GotoBookmark(TBookmark bookmark) = 0;
  virtual void FreeBookmark(TBookmark) noexcept {}

  /// Attached controls do not repaint between these calls; here they count the
  /// nesting only (nothing is attached to a dataset of this library).
  void DisableControls() noexcept { ++disabled_; }
  void EnableControls() noexcept {
    if (disabled_ > 0) --disabled_;
  }
  bool ControlsDisabled() const noexcept { return disabled_ > 0; }

  /// The message of the last failure, naming the source's own error text.
  const std::string& GetErrorText() const noexcept { return error_; }

 protected:
  /// Adds a field (sources call this while opening) and returns it.
  TField* AddField(std::unique_ptr<TField> field);
  void SetEof(bool eof) noexcept { eof_ = eof; }
  void SetRecNo(std::int64_t recNo) noexcept { recNo_ = recNo; }
  /// Records a failure message and returns xlsFail.
  std::int32_t Fail(std::string message);
  void ClearError() noexcept { error_.clear(); }

 private:
  std::vector<std::unique_ptr<TField>> fields_;
  std::string error_;
  std::int64_t recNo_ = -1;
  std::int32_t disabled_ = 0;
  bool eof_ = true;
};

// ---- grid model --------------------------------------------------------------------

enum TAlignment : std::uint8_t {
  taLeftJustify = 0,
  taRightJustify = 1,
  taCenter = 2,
};

/// The title of a grid column: its caption and how it is drawn.
struct TColumnTitle {
  std::string Caption;
  TFont Font{"Arial", 10, 0, clWindowText};
  TColor Color = clBtnFace;
  TAlignment Alignment = taLeftJustify;
};

/// A column of a grid: which field it shows (by name, looked up in the grid's
/// dataset at every export; empty for a column without a field) and how.
struct TColumn {
  std::string FieldName;
  bool Visible = true;
  TFont Font{"Arial", 10, 0, clWindowText};
  TColor Color = clWindow;
  TAlignment Alignment = taLeftJustify;
  /// Width in pixels.
  std::int32_t Width = 64;
  TColumnTitle Title;
};

/// What a data-aware grid shows: an ordered list of columns over a dataset. The
/// grid does not own its dataset.
class TDBGrid {
 public:
  TDBGrid() = default;
  explicit TDBGrid(TDataSet* dataset) : dataset_(dataset) {}

  TDataSet* GetDataSet() const noexcept { return dataset_; }
  void SetDataSet(TDataSet* dataset) noexcept { dataset_ = dataset; }

  std::vector<TColumn>& Columns() noexcept { return columns_; }
  const std::vector<TColumn>& Columns() const noexcept { return columns_; }
  std::int32_t GetColumnCount() const noexcept { return static_cast<std::int32_t>(columns_.size()); }
  /// The field a column shows in the current dataset, or nullptr (no dataset, no
  /// field name, or no such field).
  TField* GetColumnField(std::int32_t index) const noexcept;
  /// Appends one column per field of the dataset, titled with the field's name,
  /// numbers right-aligned, as a grid does when no columns are defined.
  void AddDefaultColumns();

 private:
  TDataSet* dataset_ = nullptr;
  std::vector<TColumn> columns_;
};

}  // namespace tablirex
