// Script names of the drawing layer: comments, pictures and the autofilter.
#include <string>

#include "build/registry.h"
#include "tablirex/result.h"

namespace tablirex::tool::build {
namespace {

void Check(std::int32_t result, const char* what) {
  if (result != xlsOK)
    throw ScriptError(std::string(what) + " returned " + std::to_string(result) + " (" + ResultName(result) + ")");
}

[[maybe_unused]] const bool registered = [] {
  // AddComment(text[, visible]) on one cell; ClearComments() on any range.
  RegisterRangeOperation("AddComment", [](IXLSRange& r, const Args& a) {
    a.ExpectAtLeast(1);
    a.ExpectAtMost(2);
    Check(r.AddComment(a.Text(0), a.Bool(1, false)), "AddComment");
    return TVariant();
  });
  RegisterRangeOperation("ClearComments", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    r.ClearComments();
    return TVariant();
  });
  RegisterRangeProperty(
      "Comment", [](IXLSRange& r) { return r.HasComment() ? TVariant(r.GetComment()) : TVariant::Null(); },
      nullptr);
  RegisterRangeOperation("AutoFilter", [](IXLSRange& r, const Args& a) {
    a.ExpectAtMost(0);
    Check(r.AutoFilter(), "AutoFilter");
    return TVariant();
  });
  // InsertPicture(file, cell[, x, y[, scaleX, scaleY]]): pixel offsets within the
  // cell, scale factors 1 when left out.
  RegisterSheetOperation("InsertPicture", [](IXLSWorksheet& s, const Args& a) {
    a.ExpectAtLeast(2);
    a.ExpectAtMost(6);
    const auto word = [&](std::size_t i) {
      const std::int32_t v = a.Int(i, 0);
      if (v < 0 || v > 65535)
        throw ScriptError("InsertPicture: argument " + std::to_string(i + 1) + " is not 0 … 65535");
      return static_cast<std::uint16_t>(v);
    };
    const auto scale = [&](std::size_t i) { return a.Has(i) ? a.Number(i) : 1.0; };
    Check(s.InsertPicture(a.Text(0), a.Text(1), word(2), word(3), scale(4), scale(5)), "InsertPicture");
    return TVariant();
  });
  RegisterSheetProperty(
      "AutoFilterMode", [](IXLSWorksheet& s) { return TVariant(s.AutoFilterMode()); },
      [](IXLSWorksheet& s, const TVariant& v) { s.SetAutoFilterMode(v.AsBoolean()); });
  RegisterSheetProperty(
      "PictureCount", [](IXLSWorksheet& s) { return TVariant(s.GetPictureCount()); }, nullptr);
  RegisterWorkbookProperty(
      "CommentAuthor", [](TXLSWorkbook& wb) { return TVariant(wb.GetCommentAuthor()); },
      [](TXLSWorkbook& wb, const TVariant& v) { wb.SetCommentAuthor(v.AsString()); });
  return true;
}();

}  // namespace
}  // namespace tablirex::tool::build
