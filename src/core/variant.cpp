#include "tablirex/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "tablirex/datetime.h"
#include "text/text.h"

namespace tablirex {
namespace {

[[noreturn]] void Fail(const char* what, TVarType t) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "variant of type 0x%04X cannot be converted to %s",
                static_cast<unsigned>(t), what);
  throw EVariantError(buf);
}

// Parses a whole text as a number (blanks around it allowed).
bool ParseNumber(std::string_view s, double& out) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  if (s.empty()) return false;
  if (s.front() == '+') s.remove_prefix(1);
  const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string FormatDouble(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d < 0 ? "-INF" : "INF";
  char buf[40];
  const auto r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

}  // namespace

TVariantArray::TVariantArray(std::int32_t dims, std::int32_t low1, std::int32_t count1,
                             std::int32_t low2, std::int32_t count2)
    : dims_(dims),
      low1_(low1),
      count1_(count1 < 0 ? 0 : count1),
      low2_(low2),
      count2_(dims == 2 ? (count2 < 0 ? 0 : count2) : 1) {
  items_.resize(static_cast<std::size_t>(count1_) * static_cast<std::size_t>(count2_));
}

std::size_t TVariantArray::Offset(std::int32_t i, std::int32_t j) const {
  if (i < low1_ || i >= low1_ + count1_ || j < low2_ || j >= low2_ + count2_)
    throw EVariantError("variant array index out of bounds");
  return static_cast<std::size_t>(i - low1_) * static_cast<std::size_t>(count2_) +
         static_cast<std::size_t>(j - low2_);
}

TVariant& TVariantArray::At(std::int32_t i) { return items_[Offset(i, low2_)]; }
const TVariant& TVariantArray::At(std::int32_t i) const { return items_[Offset(i, low2_)]; }
TVariant& TVariantArray::At(std::int32_t i, std::int32_t j) { return items_[Offset(i, j)]; }
const TVariant& TVariantArray::At(std::int32_t i, std::int32_t j) const { return items_[Offset(i, j)]; }

TVariant::TVariant(const TVariant& o)
    : type_(o.type_), d_(o.d_), i_(o.i_), s_(o.s_), w_(o.w_),
      a_(o.a_ ? std::make_unique<TVariantArray>(*o.a_) : nullptr) {}

TVariant::TVariant(TVariant&& o) noexcept
    : type_(o.type_), d_(o.d_), i_(o.i_), s_(std::move(o.s_)), w_(std::move(o.w_)),
      a_(std::move(o.a_)) {
  o.type_ = varEmpty;
}

TVariant& TVariant::operator=(const TVariant& o) {
  if (this != &o) {
    TVariant copy(o);
    *this = std::move(copy);
  }
  return *this;
}

TVariant& TVariant::operator=(TVariant&& o) noexcept {
  if (this != &o) {
    type_ = o.type_;
    d_ = o.d_;
    i_ = o.i_;
    s_ = std::move(o.s_);
    w_ = std::move(o.w_);
    a_ = std::move(o.a_);
    o.type_ = varEmpty;
  }
  return *this;
}

TVariant::~TVariant() = default;

TVariant TVariant::Null() noexcept {
  TVariant v;
  v.type_ = varNull;
  return v;
}

TVariant TVariant::Date(double serial) noexcept {
  TVariant v(serial);
  v.type_ = varDate;
  return v;
}

TVariant TVariant::Currency(double value) noexcept {
  TVariant v(std::round(value * 10000.0) / 10000.0);
  v.type_ = varCurrency;
  return v;
}

TVariant TVariant::Error(std::int32_t code) noexcept {
  TVariant v;
  v.type_ = varError;
  v.i_ = code;
  return v;
}

TVariant TVariant::OfInteger(TVarType kind, std::int64_t value) noexcept {
  TVariant v;
  v.type_ = kind;
  v.i_ = value;
  return v;
}

TVariant TVariant::Array1(std::int32_t low, std::int32_t count) {
  TVariant v;
  v.type_ = varArray;
  v.a_ = std::make_unique<TVariantArray>(1, low, count, 0, 1);
  return v;
}

TVariant TVariant::Array2(std::int32_t low1, std::int32_t rows, std::int32_t low2,
                          std::int32_t cols) {
  TVariant v;
  v.type_ = varArray;
  v.a_ = std::make_unique<TVariantArray>(2, low1, rows, low2, cols);
  return v;
}

bool TVariant::IsNumeric() const noexcept {
  switch (type_) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
    case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
      return true;
    default:
      return false;
  }
}

double TVariant::AsDouble() const {
  switch (type_) {
    case varEmpty: return 0.0;
    case varSingle: case varDouble: case varCurrency: case varDate: return d_;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return static_cast<double>(i_);
    case varBoolean: return i_ ? -1.0 : 0.0;
    case varString: {
      double d = 0;
      if (ParseNumber(s_, d)) return d;
      Fail("a number", type_);
    }
    case varOleStr: {
      double d = 0;
      if (ParseNumber(Utf16ToUtf8(w_), d)) return d;
      Fail("a number", type_);
    }
    default: Fail("a number", type_);
  }
}

std::int64_t TVariant::AsInt64() const {
  switch (type_) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varBoolean:
      return type_ == varBoolean ? (i_ ? -1 : 0) : i_;
    default: {
      const double d = AsDouble();
      if (!std::isfinite(d) || d >= 9.2233720368547758e18 || d < -9.2233720368547758e18)
        Fail("an integer", type_);
      return static_cast<std::int64_t>(std::nearbyint(d));  // round half to even
    }
  }
}

std::int32_t TVariant::AsInteger() const {
  const std::int64_t v = AsInt64();
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    Fail("a 32-bit integer", type_);
  return static_cast<std::int32_t>(v);
}

bool TVariant::AsBoolean() const {
  switch (type_) {
    case varEmpty: return false;
    case varBoolean: return i_ != 0;
    case varString: case varOleStr: {
      const std::string s = type_ == varString ? s_ : Utf16ToUtf8(w_);
      std::string low;
      for (const char c : s) low.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c));
      if (low == "true") return true;
      if (low == "false") return false;
      double d = 0;
      if (ParseNumber(s, d)) return d != 0;
      Fail("a boolean", type_);
    }
    default:
      if (IsNumeric() || type_ == varDate) return AsDouble() != 0;
      Fail("a boolean", type_);
  }
}

std::string TVariant::AsString() const {
  switch (type_) {
    case varEmpty: case varNull: return std::string();
    case varString: return s_;
    case varOleStr: return Utf16ToUtf8(w_);
    case varBoolean: return i_ ? "True" : "False";
    case varDate: return FormatIsoDateTime(d_);
    case varSingle: case varDouble: case varCurrency: return FormatDouble(d_);
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return std::to_string(i_);
    default: Fail("a string", type_);
  }
}

std::u16string TVariant::AsWideString() const {
  if (type_ == varOleStr) return w_;
  return Utf8ToUtf16(AsString());
}

double TVariant::AsDate() const {
  if (type_ == varString || type_ == varOleStr) {
    const std::string s = AsString();
    if (const auto d = ParseIsoDateTime(s)) return *d;
    double d = 0;
    if (ParseNumber(s, d)) return d;
    Fail("a date", type_);
  }
  return AsDouble();
}

TVariantArray& TVariant::Array() {
  if (!a_) throw EVariantError("variant is not an array");
  return *a_;
}

const TVariantArray& TVariant::Array() const {
  if (!a_) throw EVariantError("variant is not an array");
  return *a_;
}

bool operator==(const TVariant& a, const TVariant& b) {
  if (a.type_ != b.type_) return false;
  switch (a.type_) {
    case varEmpty: case varNull: return true;
    case varString: return a.s_ == b.s_;
    case varOleStr: return a.w_ == b.w_;
    case varArray: {
      const auto& x = *a.a_;
      const auto& y = *b.a_;
      return x.DimCount() == y.DimCount() && x.Low(1) == y.Low(1) && x.Low(2) == y.Low(2) &&
             x.Count(1) == y.Count(1) && x.Count(2) == y.Count(2) && x.Items() == y.Items();
    }
    default: return a.d_ == b.d_ && a.i_ == b.i_;
  }
}

}  // namespace tablirex
