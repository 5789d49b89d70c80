#include "formula/function_table.h"

#include <string>

namespace tablirex {

namespace {

// Longest name worth looking up; every function name is far shorter, so a longer
// word is simply unknown and needs no buffer of its own.
constexpr std::size_t kMaxNameLength = 32;

char16_t Upper(char c) noexcept {
  return static_cast<char16_t>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : static_cast<unsigned char>(c));
}

}  // namespace

void THashFunc::SetValue(std::string_view name, std::int32_t funcNumber, std::int32_t minArgs,
                         std::int32_t maxArgs, std::int32_t argClass) {
  std::u16string key;
  key.reserve(name.size());
  for (const char c : name) key.push_back(Upper(c));
  auto* e = static_cast<THashFuncEntry*>(GetHashEntry(key));
  e->funcNumber = funcNumber;
  e->minArgs = minArgs;
  e->maxArgs = maxArgs;
  e->argClass = argClass;
}

const THashFuncEntry* THashFunc::GetValue(std::string_view name) const noexcept {
  if (name.empty() || name.size() > kMaxNameLength) return nullptr;
  char16_t key[kMaxNameLength];
  for (std::size_t i = 0; i < name.size(); ++i) key[i] = Upper(name[i]);
  return static_cast<const THashFuncEntry*>(FindHashEntry(std::u16string_view(key, name.size())));
}

std::int32_t THashFunc::BuiltinCount() noexcept {
  std::int32_t n = 0;
#define TXLS_FUNCTION(name, number, least, most, cls) ++n;
#include "formula/function_table.def"
#undef TXLS_FUNCTION
  return n;
}

}  // namespace tablirex
