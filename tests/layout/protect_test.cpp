#include "layout/protect.h"

#include <gtest/gtest.h>

#include <string>

namespace tablirex {
namespace {

TEST(Protect, PasswordHashes) {
  struct Case {
    std::string password;
    std::uint16_t hash;
  } cases[] = {
      {"", 0x0000},
      {"abcdefghij", 0xFEF1},  // the file format's published example
      {"password", 0x83AF},
      {"test", 0xCBEB},
      {"a", 0xCE88},
      // Past 15 characters the same steps go on; from position 32 the shift
      // count starts again at 0.
      {"1234567890123456789012345678901234", 0x80B8},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TXLSProtect::EncodePassword(c.password), c.hash) << c.password;
  // UTF-8 passwords are hashed as bytes of the code page.
  EXPECT_EQ(TXLSProtect::EncodePasswordText("\xC3\xA9", 1252), TXLSProtect::EncodePassword("\xE9"));
}

TEST(Protect, ProtectAndUnprotect) {
  TXLSProtect p;
  EXPECT_FALSE(p.IsProtected());

  p.Protect("");
  EXPECT_TRUE(p.IsProtected());
  EXPECT_FALSE(p.HasPassword());
  EXPECT_EQ(p.GetPasswordHash(), 0);
  // Without a password any call unprotects, and re-protecting may add one.
  p.Protect("secret");
  EXPECT_TRUE(p.HasPassword());
  EXPECT_EQ(p.GetPasswordHash(), TXLSProtect::EncodePassword("secret"));

  // A different password neither re-protects nor unprotects.
  p.Protect("other");
  EXPECT_EQ(p.GetPasswordHash(), TXLSProtect::EncodePassword("secret"));
  EXPECT_FALSE(p.UnProtect("other"));
  EXPECT_FALSE(p.UnProtect(""));
  EXPECT_TRUE(p.IsProtected());
  // The same password keeps it.
  p.Protect("secret");
  EXPECT_TRUE(p.HasPassword());
  EXPECT_TRUE(p.UnProtect("secret"));
  EXPECT_FALSE(p.IsProtected());
  EXPECT_FALSE(p.HasPassword());
  EXPECT_EQ(p.GetPasswordHash(), 0);

  // Without the check the password does not matter.
  p.Protect("secret");
  EXPECT_TRUE(p.UnProtect("wrong", false));
  EXPECT_FALSE(p.IsProtected());

  p.Protect("");
  EXPECT_TRUE(p.UnProtect("anything"));
}

}  // namespace
}  // namespace tablirex
