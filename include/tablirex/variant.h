// The value type that crosses the object model: empty, null, numbers, currency,
// dates, texts, booleans, errors and arrays of one or two dimensions.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex {

/// Variant type codes. Values follow the usual variant numbering so that callers
/// porting code keep their constants.
enum TVarType : std::uint16_t {
  varEmpty = 0x0000,
  varNull = 0x0001,
  varSmallint = 0x0002,  // 16-bit signed
  varInteger = 0x0003,   // 32-bit signed
  varSingle = 0x0004,
  varDouble = 0x0005,
  varCurrency = 0x0006,  // 64-bit fixed point, four decimals
  varDate = 0x0007,      // serial day number, days since 30 December 1899
  varOleStr = 0x0008,    // wide (UTF-16) text
  varError = 0x000A,
  varBoolean = 0x000B,
  varShortInt = 0x0010,  // 8-bit signed
  varByte = 0x0011,
  varWord = 0x0012,      // 16-bit unsigned
  varLongWord = 0x0013,  // 32-bit unsigned
  varInt64 = 0x0014,
  varString = 0x0100,    // 8-bit text (UTF-8 in this library)
  varArray = 0x2000,     // array of variants
};

/// Raised when a variant cannot be converted to the requested kind.
class EVariantError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TVariantArray;

/// A value of one of the TVarType kinds. Copying an array variant copies the array.
class TVariant {
 public:
  TVariant() noexcept = default;
  TVariant(double v) noexcept : type_(varDouble), d_(v) {}
  TVariant(float v) noexcept : type_(varSingle), d_(v) {}
  TVariant(std::int32_t v) noexcept : type_(varInteger), i_(v) {}
  TVariant(std::int64_t v) noexcept : type_(varInt64), i_(v) {}
  TVariant(bool v) noexcept : type_(varBoolean), i_(v ? 1 : 0) {}
  TVariant(const char* s) : type_(varString), s_(s) {}
  TVariant(std::string s) noexcept : type_(varString), s_(std::move(s)) {}
  TVariant(std::string_view s) : type_(varString), s_(s) {}
  TVariant(std::u16string s) noexcept : type_(varOleStr), w_(std::move(s)) {}
  TVariant(const TVariant& o);
  TVariant(TVariant&& o) noexcept;
  TVariant& operator=(const TVariant& o);
  TVariant& operator=(TVariant&& o) noexcept;
  ~TVariant();

  static TVariant Null() noexcept;
  static TVariant Date(double serial) noexcept;
  static TVariant Currency(double value) noexcept;
  static TVariant Error(std::int32_t code) noexcept;
  /// An integer variant of an explicit kind (varSmallint, varShortInt, varByte,
  /// varWord, varLongWord, varInteger, varInt64).
  static TVariant OfInteger(TVarType kind, std::int64_t value) noexcept;
  /// A one-dimensional array of count empty elements, indices low … low + count − 1.
  static TVariant Array1(std::int32_t low, std::int32_t count);
  /// A two-dimensional array [low1 … low1 + rows − 1, low2 … low2 + cols − 1].
  static TVariant Array2(std::int32_t low1, std::int32_t rows, std::int32_t low2,
                         std::int32_t cols);

  TVarType Type() const noexcept { return type_; }
  bool IsEmpty() const noexcept { return type_ == varEmpty; }
  bool IsNull() const noexcept { return type_ == varNull; }
  bool IsEmptyOrNull() const noexcept { return type_ == varEmpty || type_ == varNull; }
  bool IsArray() const noexcept { return type_ == varArray; }
  bool IsString() const noexcept { return type_ == varString || type_ == varOleStr; }
  bool IsNumeric() const noexcept;

  /// Conversions; each raises EVariantError when the value has no such form
  /// (a text that is not a number, an array, an out-of-range integer, ...).
  double AsDouble() const;
  std::int32_t AsInteger() const;
  std::int64_t AsInt64() const;
  bool AsBoolean() const;
  /// The value as UTF-8 text (numbers in their shortest round-trip form, dates as
  /// yyyy-mm-dd[ hh:nn:ss], booleans as "True"/"False", null and empty as "").
  std::string AsString() const;
  std::u16string AsWideString() const;
  /// The value as a serial day number.
  double AsDate() const;

  /// Direct access for callers that checked the type.
  const std::string& StringRef() const noexcept { return s_; }
  const std::u16string& WideRef() const noexcept { return w_; }
  double DoubleRef() const noexcept { return d_; }

  TVariantArray& Array();
  const TVariantArray& Array() const;

  friend bool operator==(const TVariant& a, const TVariant& b);

 private:
  TVarType type_ = varEmpty;
  double d_ = 0.0;       // double, single, date, currency
  std::int64_t i_ = 0;   // integers, boolean, error
  std::string s_;        // 8-bit text
  std::u16string w_;     // wide text
  std::unique_ptr<TVariantArray> a_;
};

/// Elements of an array variant. Two-dimensional arrays are indexed [row, column].
class TVariantArray {
 public:
  TVariantArray(std::int32_t dims, std::int32_t low1, std::int32_t count1, std::int32_t low2,
                std::int32_t count2);
  std::int32_t DimCount() const noexcept { return dims_; }
  /// Low bound of dimension d (1 or 2).
  std::int32_t Low(std::int32_t d) const noexcept { return d == 1 ? low1_ : low2_; }
  /// High bound of dimension d (1 or 2).
  std::int32_t High(std::int32_t d) const noexcept {
    return d == 1 ? low1_ + count1_ - 1 : low2_ + count2_ - 1;
  }
  /// Element count of dimension d (1 or 2).
  std::int32_t Count(std::int32_t d) const noexcept { return d == 1 ? count1_ : count2_; }
  /// Element at index i of a one-dimensional array (bounds given by Low/High).
  TVariant& At(std::int32_t i);
  const TVariant& At(std::int32_t i) const;
  /// Element at [i, j] of a two-dimensional array.
  TVariant& At(std::int32_t i, std::int32_t j);
  const TVariant& At(std::int32_t i, std::int32_t j) const;
  std::vector<TVariant>& Items() noexcept { return items_; }
  const std::vector<TVariant>& Items() const noexcept { return items_; }

 private:
  std::size_t Offset(std::int32_t i, std::int32_t j) const;
  std::int32_t dims_, low1_, count1_, low2_, count2_;
  std::vector<TVariant> items_;
};

}  // namespace tablirex
