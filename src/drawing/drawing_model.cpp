#include "drawing/drawing_model.h"

namespace tablirex {
namespace {

bool Inside(std::uint64_t key, std::uint32_t row1, std::uint32_t col1, std::uint32_t row2, std::uint32_t col2) {
  const std::uint32_t r = TXLSSheetDrawing::RowOf(key), c = TXLSSheetDrawing::ColOf(key);
  return r >= row1 && r <= row2 && c >= col1 && c <= col2;
}

using TMovingComments = std::vector<std::pair<std::uint64_t, TXLSComment>>;

// Moves the comments at the keys of moving by rows and cols (each place checked
// to fit): all are taken out first, so that none lands on one not yet moved.
void MoveComments(TXLSSheetDrawing::TCommentMap& comments, TMovingComments& moving, std::int64_t rows, std::int64_t cols) {
  for (auto& [key, comment] : moving) {
    auto node = comments.extract(key);
    comment = std::move(node.mapped());
  }
  for (auto& [key, comment] : moving)
    comments[TXLSSheetDrawing::Key(static_cast<std::uint32_t>(TXLSSheetDrawing::RowOf(key) + rows),
                                   static_cast<std::uint32_t>(TXLSSheetDrawing::ColOf(key) + cols))] =
        std::move(comment);
}

}  // namespace

const TXLSComment* TXLSSheetDrawing::CommentAt(std::uint32_t row, std::uint32_t col) const {
  const auto it = comments_.find(Key(row, col));
  return it == comments_.end() ? nullptr : &it->second;
}

void TXLSSheetDrawing::SetComment(std::uint32_t row, std::uint32_t col, TXLSComment comment) {
  comments_[Key(row, col)] = std::move(comment);
}

std::size_t TXLSSheetDrawing::RemoveComments(std::uint32_t row1, std::uint32_t col1, std::uint32_t row2,
                                             std::uint32_t col2) {
  std::size_t n = 0;
  for (auto it = comments_.lower_bound(Key(row1, 0)); it != comments_.end() && RowOf(it->first) <= row2;) {
    if (Inside(it->first, row1, col1, row2, col2)) {
      it = comments_.erase(it);
      ++n;
    } else {
      ++it;
    }
  }
  return n;
}

TXLSSheetDrawing::TCommentMap TXLSSheetDrawing::TakeComments(std::uint32_t row1, std::uint32_t col1,
                                                             std::uint32_t row2, std::uint32_t col2,
                                                             bool remove) {
  TCommentMap out;
  for (auto it = comments_.lower_bound(Key(row1, 0)); it != comments_.end() && RowOf(it->first) <= row2;) {
    if (!Inside(it->first, row1, col1, row2, col2)) {
      ++it;
      continue;
    }
    out.emplace(Key(RowOf(it->first) - row1, ColOf(it->first) - col1), it->second);
    it = remove ? comments_.erase(it) : std::next(it);
  }
  return out;
}

bool TXLSSheetDrawing::ShiftRows(std::uint32_t col1, std::uint32_t col2, std::uint32_t from, std::int64_t delta,
                                 std::uint32_t lastRow) {
  TMovingComments moving;
  for (auto it = comments_.lower_bound(Key(from, 0)); it != comments_.end(); ++it) {
    const std::uint32_t c = ColOf(it->first);
    if (c < col1 || c > col2) continue;
    const std::int64_t to = static_cast<std::int64_t>(RowOf(it->first)) + delta;
    if (to < 0 || to > lastRow) return false;
    moving.emplace_back(it->first, TXLSComment{});
  }
  MoveComments(comments_, moving, delta, 0);
  return true;
}

bool TXLSSheetDrawing::ShiftCols(std::uint32_t row1, std::uint32_t row2, std::uint32_t from, std::int64_t delta,
                                 std::uint32_t lastCol) {
  TMovingComments moving;
  for (auto it = comments_.lower_bound(Key(row1, 0)); it != comments_.end() && RowOf(it->first) <= row2; ++it) {
    if (ColOf(it->first) < from) continue;
    const std::int64_t to = static_cast<std::int64_t>(ColOf(it->first)) + delta;
    if (to < 0 || to > lastCol) return false;
    moving.emplace_back(it->first, TXLSComment{});
  }
  MoveComments(comments_, moving, 0, delta);
  return true;
}

}  // namespace tablirex
