#include "layout/protect.h"

#include <string>

#include "text/text.h"

namespace tablirex {

std::uint16_t TXLSProtect::EncodePassword(std::string_view bytes) noexcept {
  if (bytes.empty()) return 0;
  std::uint16_t h = 0;
  std::uint32_t i = 0;
  for (const char ch : bytes) {
    ++i;
    // Each byte is rotated left by its one-based position within 15 bits; bits
    // pushed past bit 29 by long passwords are dropped.
    const std::uint32_t a = static_cast<std::uint32_t>(static_cast<unsigned char>(ch)) << (i % 32);
    const std::uint32_t r = (a & 0x7FFFu) | ((a & 0x3FFF8000u) >> 15);
    h = static_cast<std::uint16_t>(h ^ r);
  }
  h = static_cast<std::uint16_t>(h ^ static_cast<std::uint16_t>(bytes.size()));
  return static_cast<std::uint16_t>(h ^ 0xCE4Bu);
}

std::uint16_t TXLSProtect::EncodePasswordText(std::string_view password, std::uint16_t codePage) {
  return EncodePassword(Utf8ToCodePage(password, codePage));
}

void TXLSProtect::Protect(std::string_view password, std::uint16_t codePage) {
  const std::uint16_t hash = EncodePasswordText(password, codePage);
  if (hasPassword_ && hash != hash_) return;
  protected_ = true;
  hasPassword_ = !password.empty();
  hash_ = hasPassword_ ? hash : 0;
}

bool TXLSProtect::UnProtect(std::string_view password, bool check, std::uint16_t codePage) {
  if (check && protected_ && hasPassword_ && EncodePasswordText(password, codePage) != hash_)
    return false;
  protected_ = false;
  hasPassword_ = false;
  hash_ = 0;
  return true;
}

}  // namespace tablirex
