// A compiled cell formula in a form that belongs to no file format: its items in
// reverse Polish order, references as zero-based 32-bit rows and columns, sheets
// and defined names by their text. Made once when a cell takes a formula; the
// evaluator runs it, and each save writes it in its own format, looking the
// sheets and names up again as the workbook stands then.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex {

class TXLSSyntaxItem;
class THashFunc;

enum class TCodeOp : std::uint8_t {
  Number,   // num
  String,   // text
  Bool,     // num 0 or 1
  Error,    // num: the error code
  Missing,  // an argument left out
  Array,    // row1 rows, col1 columns, row2 the first of its values in consts
  Ref,      // row1, col1 on the formula's own sheet
  Area,     // row1, col1 to row2, col2
  Ref3d,    // as Ref on the sheets texts[text] to texts[text + 1]
  Area3d,   // as Area on those sheets
  Name,     // the defined name texts[text]; texts[text + 1] the sheet it is local to, or ""
  Add, Sub, Mul, Div, Power, Concat, LT, LE, EQ, GE, GT, NE,
  Isect,    // two references: their common cells
  Union,    // two references joined
  Uplus, Uminus, Percent, Paren,
  Func      // row1 the function number, argc arguments
};

/// Flags of an item.
inline constexpr std::uint8_t kCodeRow1Relative = 0x01;
inline constexpr std::uint8_t kCodeCol1Relative = 0x02;
inline constexpr std::uint8_t kCodeRow2Relative = 0x04;
inline constexpr std::uint8_t kCodeCol2Relative = 0x08;
/// An operator below an argument that takes arrays (SUMPRODUCT...): it works on
/// whole arrays instead of the single cell a range stands for.
inline constexpr std::uint8_t kCodeArrayContext = 0x10;
/// A call written with a fixed argument count (FuncV rather than FuncVarV).
inline constexpr std::uint8_t kCodeFixedCount = 0x20;
/// An area written as whole columns (A:C): its rows run from the first to the last
/// the sheet has, whatever the format's grid.
inline constexpr std::uint8_t kCodeWholeColumns = 0x40;
/// An area written as whole rows (1:3): its columns run the width of the sheet.
inline constexpr std::uint8_t kCodeWholeRows = 0x80;

struct TCodeItem {
  TCodeOp op = TCodeOp::Number;
  std::uint8_t cls = 2;     // token class of an operand: 0 reference, 1 value, 2 array
  std::uint8_t flags = 0;
  std::uint8_t argc = 0;    // Func
  std::int32_t row1 = 0, col1 = 0;
  std::int32_t row2 = 0, col2 = 0;  // a Number keeps its value in these 8 bytes
  std::int32_t text = -1;   // index into TFormulaCode::texts
  std::int32_t pos = 0;     // 1-based position in the formula text, for messages

  /// The value of a Number, Bool (0, 1) or Error (its code).
  double Num() const noexcept {
    if (op != TCodeOp::Number) return row1;
    double d;
    std::memcpy(&d, &row2, sizeof d);
    return d;
  }
  void SetNum(double d) noexcept {
    if (op != TCodeOp::Number) {
      row1 = static_cast<std::int32_t>(d);
      return;
    }
    std::memcpy(&row2, &d, sizeof d);
  }
};
static_assert(sizeof(TCodeItem) == 28, "a compiled item stays small: every formula cell keeps its items");

/// One value of an array constant.
struct TCodeConst {
  TCodeOp kind = TCodeOp::Number;  // Number, String, Bool or Error
  double num = 0;
  std::int32_t text = -1;
};

/// A list that most codes leave empty (string constants, sheet and name texts,
/// array values): one pointer until it holds something, since every formula
/// cell keeps its code.
template <class T>
class TRareList {
 public:
  TRareList() = default;
  TRareList(const TRareList& o) : v_(Copy(o)) {}
  TRareList& operator=(const TRareList& o) {
    if (this != &o) v_ = Copy(o);
    return *this;
  }
  TRareList(TRareList&&) noexcept = default;
  TRareList& operator=(TRareList&&) noexcept = default;

  std::size_t size() const noexcept { return v_ ? v_->size() : 0; }
  bool empty() const noexcept { return size() == 0; }
  void clear() noexcept {
    if (v_) v_->clear();
  }
  const T& operator[](std::size_t i) const noexcept { return (*v_)[i]; }
  T& operator[](std::size_t i) noexcept { return (*v_)[i]; }
  void push_back(T value) { List().push_back(std::move(value)); }
  template <class... A>
  T& emplace_back(A&&... args) {
    return List().emplace_back(std::forward<A>(args)...);
  }
  const T* begin() const noexcept { return v_ ? v_->data() : nullptr; }
  const T* end() const noexcept { return v_ ? v_->data() + v_->size() : nullptr; }

 private:
  static std::unique_ptr<std::vector<T>> Copy(const TRareList& o) {
    return o.v_ && !o.v_->empty() ? std::make_unique<std::vector<T>>(*o.v_) : nullptr;
  }
  std::vector<T>& List() {
    if (!v_) v_ = std::make_unique<std::vector<T>>();
    return *v_;
  }
  std::unique_ptr<std::vector<T>> v_;
};

/// The items of a code: a growing list while the code is built, or a fixed run
/// in the same block as the code itself once it is kept for cells (see
/// KeepFormulaCode), which spares every formula cell an allocation of its own.
class TCodeItemList {
 public:
  TCodeItemList() = default;
  TCodeItemList(const TCodeItemList& o) { Assign(o.data_, o.size_); }
  TCodeItemList& operator=(const TCodeItemList& o) {
    if (this != &o) Assign(o.data_, o.size_);
    return *this;
  }
  TCodeItemList(TCodeItemList&& o) noexcept : data_(o.data_), size_(o.size_), cap_(o.cap_) {
    o.data_ = nullptr;
    o.size_ = o.cap_ = 0;
  }
  TCodeItemList& operator=(TCodeItemList&& o) noexcept {
    if (this != &o) {
      Release();
      data_ = o.data_;
      size_ = o.size_;
      cap_ = o.cap_;
      o.data_ = nullptr;
      o.size_ = o.cap_ = 0;
    }
    return *this;
  }
  ~TCodeItemList() { Release(); }

  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  const TCodeItem* begin() const noexcept { return data_; }
  const TCodeItem* end() const noexcept { return data_ + size_; }
  TCodeItem* begin() noexcept { return data_; }
  TCodeItem* end() noexcept { return data_ + size_; }
  const TCodeItem& operator[](std::size_t i) const noexcept { return data_[i]; }
  TCodeItem& operator[](std::size_t i) noexcept { return data_[i]; }
  const TCodeItem& back() const noexcept { return data_[size_ - 1]; }
  TCodeItem& back() noexcept { return data_[size_ - 1]; }
  void clear() noexcept {
    if (cap_ == 0) data_ = nullptr;  // a fixed run is not ours to write over
    size_ = 0;
  }
  void reserve(std::size_t n) {
    if (n > cap_) Grow(n);
  }
  void push_back(const TCodeItem& item) {
    if (size_ == cap_) Grow(cap_ < 8 ? 8 : std::size_t{cap_} * 2);
    data_[size_++] = item;
  }
  /// Takes a run of n items that lives as long as this list and is not freed by it.
  void UseFixed(TCodeItem* items, std::size_t n) noexcept {
    Release();
    data_ = items;
    size_ = static_cast<std::uint32_t>(n);
    cap_ = 0;
  }

 private:
  void Release() noexcept {
    if (cap_) delete[] data_;
    data_ = nullptr;
    size_ = cap_ = 0;
  }
  void Grow(std::size_t n) {
    TCodeItem* grown = new TCodeItem[n];
    if (size_) std::memcpy(static_cast<void*>(grown), data_, size_ * sizeof(TCodeItem));
    const std::uint32_t size = size_;
    Release();
    data_ = grown;
    size_ = size;
    cap_ = static_cast<std::uint32_t>(n);
  }
  void Assign(const TCodeItem* items, std::size_t n) {
    Release();
    if (!n) return;
    Grow(n);
    std::memcpy(static_cast<void*>(data_), items, n * sizeof(TCodeItem));
    size_ = static_cast<std::uint32_t>(n);
  }
  TCodeItem* data_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t cap_ = 0;  // 0 with items: a fixed run
};

struct TFormulaCode {
  std::string source;  // the formula text it was made from, without "="
  TCodeItemList items;
  TRareList<std::string> texts;
  TRareList<TCodeConst> consts;
  bool hasArrays = false;
  /// False for a text a cell keeps before it is compiled (source alone).
  bool compiled = true;
};

/// A copy of code for cells to keep: the code and its items in one block.
std::shared_ptr<const TFormulaCode> KeepFormulaCode(const TFormulaCode& code);

/// Rows and columns a formula may name (the largest sheet any format holds).
inline constexpr std::int32_t kCodeMaxRows = 1048576;
inline constexpr std::int32_t kCodeMaxCols = 16384;

/// Parses one side of a whole-column or whole-row area ($A, c, $3, 17): the
/// zero-based column (wholeColumns) or row, and whether it is relative. False when
/// it is neither or lies outside kCodeMaxRows x kCodeMaxCols.
bool ParseCodeLine(std::string_view text, bool& wholeColumns, std::int32_t& index, bool& relative) noexcept;

/// Turns a parsed formula into its code. topClass: the token class of a reference
/// at the top (2 for cell formulas). Fails (error says why) for an unknown function,
/// a wrong argument count, a malformed address or a number out of range.
bool BuildFormulaCode(const TXLSSyntaxItem& root, const THashFunc& functions, std::int32_t topClass,
                      TFormulaCode& code, std::string& error);

/// The same code straight from the text, for formulas of references, numbers,
/// strings, TRUE, FALSE, operators, parentheses and calls of known functions
/// written without spaces, within the Excel 97 sheet; false (code undefined) for
/// any other text, which the full road then compiles or refuses. offset: as
/// TXLSFormula::Compile takes it, for the positions of the items.
bool QuickFormulaCode(std::string_view text, const THashFunc& functions, std::int32_t topClass, std::int32_t offset,
                      TFormulaCode& code);

/// Parses one cell address (A1, $B$2, xfd1048576): zero-based row and column,
/// whether each is relative. False when it is no address or lies outside
/// kCodeMaxRows x kCodeMaxCols.
bool ParseCodeCell(std::string_view text, std::int32_t& row, std::int32_t& col, bool& rowRelative,
                   bool& colRelative) noexcept;

}  // namespace tablirex
