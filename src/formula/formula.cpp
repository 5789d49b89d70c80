#include "formula/formula.h"

#include <utility>

#include "formula/formula_code.h"
#include "tablirex/result.h"

namespace tablirex {

TXLSFormula::TXLSFormula() { InitFuncHash(); }

TXLSFormula::TXLSFormula(TXLSFormulaContext context) : ctx_(std::move(context)) { InitFuncHash(); }

void TXLSFormula::SetContext(TXLSFormulaContext context) { ctx_ = std::move(context); }

void TXLSFormula::InitFuncHash() {
  // 225 entries: size the buckets once so that filling never rehashes.
  funcs_.SetCapacity(256);
#define TXLS_FUNCTION(name, number, least, most, cls) funcs_.SetValue(name, number, least, most, cls);
#include "formula/function_table.def"
#undef TXLS_FUNCTION
}

std::int32_t TXLSFormula::Compile(std::string_view text, std::int32_t offset) {
  // Nothing of an earlier formula survives: the tree goes first, then the tokens
  // it was made from.
  syntax_.Clear();
  error_.clear();
  lexer_.SetSource(text, offset);
  if (lexer_.Analyse() != xlsOK) return Refuse(lexer_.Error());
  syntax_.SetTokens(&lexer_.Tokens());
  if (syntax_.Parse() != xlsOK) return Refuse(syntax_.Error());
  return xlsOK;
}

std::int32_t TXLSFormula::Check(std::string_view text, std::int32_t format, std::int32_t offset) {
  TXLS_RETURN_ON_ERROR(Compile(text, offset));
  const std::int32_t saved = ctx_.format;
  ctx_.format = format;
  const std::int32_t n = GetDataSize();
  ctx_.format = saved;
  return n > 0 ? xlsOK : xlsFail;
}

std::int32_t TXLSFormula::GetData(TXLSBlob& blob) const {
  const std::int32_t size = GetDataSize();
  if (size <= 0) return xlsFail;
  const std::uint32_t start = blob.GetDataSize();
  const std::uint32_t extra = static_cast<std::uint32_t>(GetExtraSize());
  const std::uint32_t total = static_cast<std::uint32_t>(size) + 2 + extra;
  if (blob.GetBuffSize() - start < total) return Refuse("no room for the formula's tokens");
  blob.AddWord(static_cast<std::uint16_t>(size));
  std::int32_t r = GetItemData(syntax_.Root(), blob, ctx_.topClass);
  if (r == xlsOK && extra > 0) r = GetExtraData(blob);
  // The size pass and the encoder must agree to the byte; a formula they disagree
  // on is refused rather than written with a wrong length.
  if (r == xlsOK && blob.GetDataSize() - start != total) r = xlsFail;
  if (r != xlsOK) {
    blob.SetDataSize(start);
    if (error_.empty()) error_ = "cannot encode the formula";
  }
  return r;
}

std::int32_t TXLSFormula::GetData(std::unique_ptr<TXLSBlob>& blob) const {
  blob.reset();
  const std::int32_t size = GetDataSize();
  if (size <= 0) return xlsFail;
  auto out = std::make_unique<TXLSBlob>(static_cast<std::uint32_t>(size) + 2 +
                                        static_cast<std::uint32_t>(GetExtraSize()));
  TXLS_RETURN_ON_ERROR(GetData(*out));
  blob = std::move(out);
  return xlsOK;
}

std::int32_t TXLSFormula::GetData(std::vector<std::uint8_t>& bytes) const {
  bytes.clear();
  std::unique_ptr<TXLSBlob> blob;
  TXLS_RETURN_ON_ERROR(GetData(blob));
  bytes.assign(blob->GetBuff(), blob->GetBuff() + blob->GetDataSize());
  return xlsOK;
}

}  // namespace tablirex

namespace tablirex {

bool TXLSFormula::MakeCode(TFormulaCode& code) const {
  if (syntax_.Root() == nullptr) {
    error_ = "nothing compiled";
    return false;
  }
  return BuildFormulaCode(*syntax_.Root(), funcs_, ctx_.topClass, code, error_);
}

}  // namespace tablirex
