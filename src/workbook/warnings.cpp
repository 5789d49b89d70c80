// The warnings of a save: what it had to shorten, replace or leave out.
#include <string>
#include <string_view>
#include <vector>

#include "tablirex/result.h"
#include "tablirex/workbook.h"

namespace tablirex {
namespace {

// A cause met more often is listed for this many cells, then summed up.
constexpr std::size_t kListedPerCause = 5;

}  // namespace

void TXLSWorkbook::BeginWarnings(bool strict) {
  warnings_.clear();
  strictSave_ = strict || strict_;
}

std::int32_t TXLSWorkbook::Warn(std::string_view where, std::string_view what, std::string_view cause) {
  TXLSWarningGroup* group = nullptr;
  for (TXLSWarningGroup& g : warnings_)
    if (g.cause == cause) {
      group = &g;
      break;
    }
  if (!group) {
    warnings_.push_back(TXLSWarningGroup{std::string(cause), {}, 0});
    group = &warnings_.back();
  }
  ++group->count;
  if (group->listed.size() < kListedPerCause) {
    std::string line(where);
    if (!line.empty()) line += ": ";
    line += what;
    group->listed.push_back(std::move(line));
  }
  if (!strictSave_) return xlsOK;
  return Refuse(StrictFailure());
}

std::uint64_t TXLSWorkbook::WarningCount() const noexcept {
  std::uint64_t n = 0;
  for (const TXLSWarningGroup& g : warnings_) n += g.count;
  return n;
}

std::string TXLSWorkbook::StrictFailure() const {
  if (!strictSave_ || warnings_.empty()) return {};
  return "strict save: " + warnings_.front().listed.front();
}

std::vector<std::string> TXLSWorkbook::GetWarnings() {
  std::vector<std::string> out;
  for (const TXLSWarningGroup& g : warnings_) {
    out.insert(out.end(), g.listed.begin(), g.listed.end());
    if (g.count > g.listed.size())
      out.push_back(g.cause + ": " + std::to_string(g.count - g.listed.size()) + " more, " +
                    std::to_string(g.count) + " in all");
  }
  return out;
}

}  // namespace tablirex
