// The remembered conversion of a run of cells from one XF to another.
#pragma once

#include <cstdint>

#include "formats/xf_list.h"

namespace tablirex {

/// The last conversion of a run of cells. Setters of the XF list are pure functions
/// of the XF they start from, so cells showing the same XF one after the other get
/// the same result: only the first of them goes through the setter, the others just
/// move their reference (own format) or take a new one (a row's, column's or the
/// default format).
class TXFMemo {
 public:
  /// The XF a cell showing `shown` moves to; convert(shown, own) runs the setter
  /// with ReplaceIndex = own.
  template <class Convert>
  std::int32_t Apply(TXLSXFList& xfs, std::int32_t shown, bool own, Convert&& convert) {
    if (shown != from_) {
      from_ = shown;
      to_ = convert(shown, own);
    } else if (own) {
      xfs.ReplaceIndex(from_, to_);
    } else {
      xfs.IncReferredCount(to_);
    }
    return to_;
  }
  /// Makes a conversion done elsewhere the remembered one.
  void Remember(std::int32_t from, std::int32_t to) noexcept {
    from_ = from;
    to_ = to;
  }
  void Forget() noexcept { from_ = -1; }

 private:
  std::int32_t from_ = -1;
  std::int32_t to_ = 0;
};

}  // namespace tablirex
