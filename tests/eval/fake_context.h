// A context for calling worksheet functions directly in tests: cells held in a
// map, a fixed moment, a fixed random sequence.
#pragma once

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "eval/eval_value.h"

namespace tablirex::eval::testing {

class TFakeContext : public TEvalContext {
 public:
  using TKey = std::tuple<std::int32_t, std::int32_t, std::int32_t>;  // sheet, row, col

  void Set(std::int32_t sheet, std::int32_t row, std::int32_t col, TValue v) { cells_[{sheet, row, col}] = std::move(v); }
  /// Fills a column of sheet 0 from row, downwards.
  void Column(std::int32_t col, std::int32_t row, const std::vector<TValue>& values) {
    for (const TValue& v : values) Set(0, row++, col, v);
  }

  TValue CellValue(std::int32_t sheet, std::int32_t row, std::int32_t col) override {
    auto it = cells_.find({sheet, row, col});
    return it == cells_.end() ? TValue() : it->second;
  }
  void ForEachCell(const TArea& a, const std::function<bool(std::int32_t, std::int32_t, std::int32_t,
                                                           const TValue&)>& visit) override {
    for (const auto& [key, v] : cells_) {
      const auto [s, r, c] = key;
      if (s < a.sheetFirst || s > a.sheetLast || r < a.row1 || r > a.row2 || c < a.col1 || c > a.col2) continue;
      if (v.IsEmpty()) continue;
      if (!visit(s, r, c, v)) return;
    }
  }
  std::int32_t CurrentSheet() const override { return sheet; }
  std::int32_t CurrentRow() const override { return row; }
  std::int32_t CurrentCol() const override { return col; }
  std::int32_t SheetCount() const override { return static_cast<std::int32_t>(sheetNames.size()); }
  std::u16string SheetName(std::int32_t s) const override {
    return s >= 0 && s < SheetCount() ? sheetNames[static_cast<std::size_t>(s)] : u"";
  }
  bool Date1904() const override { return date1904; }
  double Now() const override { return now; }
  double Random() override { return random; }
  std::shared_ptr<void>* Memo(std::uint64_t key) override { return &memo_[key]; }
  std::u16string CellFormat(std::int32_t, std::int32_t, std::int32_t) override { return u"General"; }
  void MarkVolatile() override { volatileMarked = true; }
  void MarkUncomputable(std::string_view why) override { uncomputable = std::string(why); }
  TValue ResolveReference(std::u16string_view, bool) override { return TValue::Error(TEvalError::Ref); }
  int IsSubtotalCell(std::int32_t s, std::int32_t r, std::int32_t c) override {
    return subtotalCells.count({s, r, c}) ? 1 : 0;
  }
  int IsRowHidden(std::int32_t s, std::int32_t r) override { return hiddenRows.count({s, r}) ? 1 : 0; }

  std::int32_t sheet = 0, row = 0, col = 0;
  std::vector<std::u16string> sheetNames{u"Sheet1", u"Sheet2"};
  bool date1904 = false;
  double now = 46365.5;  // 2026-12-09 12:00
  double random = 0.5;
  bool volatileMarked = false;
  std::string uncomputable;
  std::set<TKey> subtotalCells;                          // cells whose formulas call SUBTOTAL
  std::set<std::pair<std::int32_t, std::int32_t>> hiddenRows;  // sheet, row

 private:
  std::map<TKey, TValue> cells_;  // ordered: sheet, row, column as ForEachCell visits
  std::map<std::uint64_t, std::shared_ptr<void>> memo_;
};

/// An area value of sheet 0, zero-based inclusive.
inline TValue Area(std::int32_t row1, std::int32_t col1, std::int32_t row2, std::int32_t col2) {
  return TValue::Reference(TArea{0, 0, row1, col1, row2, col2});
}

}  // namespace tablirex::eval::testing
