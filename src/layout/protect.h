// Protection state of a workbook (its structure) or a worksheet (its contents).
#pragma once

#include <cstdint>
#include <string_view>

namespace tablirex {

/// Whether a workbook or worksheet is protected and the 16-bit hash of its
/// password. The library enforces nothing itself: the state is written as PROTECT
/// and PASSWORD records and the spreadsheet application enforces it.
///
/// Passwords arrive as UTF-8 and are hashed as bytes of an 8-bit code page (1252
/// unless the caller passes the workbook's), one byte per character.
class TXLSProtect {
 public:
  TXLSProtect() = default;

  /// The 15-bit rotation hash of an 8-bit password, 0 for the empty password.
  static std::uint16_t EncodePassword(std::string_view bytes) noexcept;
  /// EncodePassword of a UTF-8 password converted to the code page.
  static std::uint16_t EncodePasswordText(std::string_view password, std::uint16_t codePage = 1252);

  /// Protects, with the password when it is not empty. When a password is already
  /// set, nothing happens unless the same password is given.
  void Protect(std::string_view password, std::uint16_t codePage = 1252);
  /// Removes the protection and returns true, unless check is set and the object
  /// is protected with a password that this one does not match: then nothing
  /// changes and the result is false.
  bool UnProtect(std::string_view password, bool check = true, std::uint16_t codePage = 1252);

  bool IsProtected() const noexcept { return protected_; }
  bool HasPassword() const noexcept { return hasPassword_; }
  /// The stored hash; 0 when there is no password.
  std::uint16_t GetPasswordHash() const noexcept { return hash_; }

 private:
  bool protected_ = false;
  bool hasPassword_ = false;
  std::uint16_t hash_ = 0;
};

}  // namespace tablirex
