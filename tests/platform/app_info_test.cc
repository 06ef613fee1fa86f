#include "platform/app_info.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/registry.h"
#include "tests/support/fresh_user.h"

TEST(Md5HexTest, KnownDigests) {
  EXPECT_EQ(Md5Hex(L""), L"D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(Md5Hex(L"abc"), L"900150983CD24FB0D6963F7D28E17F72");
  // The UTF-8 bytes are hashed: "é" is C3 A9.
  EXPECT_EQ(Md5Hex(L"\u00e9"), L"66DDCD97CFDEABB2F6FB8A999B4BC76F");
  // Hashing stops at the first zero character.
  EXPECT_EQ(Md5Hex(std::wstring(L"abc\0def", 7)), Md5Hex(L"abc"));
}

TEST(OperatingSystemNameTest, FirstMatchingRowWins) {
  auto upTo = [](int major, int minor, int sp) {
    return [=](int a, int b, int c) {
      return major > a || (major == a && (minor > b || (minor == b && sp >= c)));
    };
  };
  EXPECT_EQ(WindowsNameFromVersionChecks(true, upTo(10, 0, 0)), L"Microsoft Windows Server");
  EXPECT_EQ(WindowsNameFromVersionChecks(false, upTo(10, 0, 0)), L"Microsoft Windows 10");
  EXPECT_EQ(WindowsNameFromVersionChecks(false, upTo(6, 1, 1)), L"Microsoft Windows 7 sp1");
  EXPECT_EQ(WindowsNameFromVersionChecks(false, upTo(6, 0, 3)), L"Microsoft Windows Vista sp2");
  EXPECT_EQ(WindowsNameFromVersionChecks(false, upTo(5, 0, 0)), L"unknown OperatingSystem.");
}

TEST(AppInfoTest, BitnessAndVersionHaveTheirForms) {
  std::wstring bits = BitnessWord();
  EXPECT_TRUE(bits == L"64bit" || bits == L"32bit");
  std::wstring own = OwnFileVersion();
  EXPECT_EQ(std::count(own.begin(), own.end(), L'.'), 3);
}

TEST(UniqueIdTest, CreatedOnceThenReadBack) {
  FreshUser user;
  std::wstring first = UniqueId();
  ASSERT_EQ(first.size(), 32u);
  EXPECT_EQ(first.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"UniqueId"), first);

  // A new process (fresh cache) reads the stored id instead of making one.
  app_info_internal::ResetCachesForTesting();
  ASSERT_TRUE(WriteRegistryString(kAppInfoKey, L"OutputDir", L"marker"));
  EXPECT_EQ(UniqueId(), first);
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"OutputDir"), L"marker");  // nothing rewritten
}

// Any stored id that cannot break a cookie or a report is kept as it is; one
// that could is replaced by a fresh id, which is stored instead.
TEST(UniqueIdTest, StoredIdIsKeptUnlessItCouldBreakACookieOrAReport) {
  {
    FreshUser user;
    ASSERT_TRUE(WriteRegistryString(kAppInfoKey, L"UniqueId", L"x-1 {odd}"));
    EXPECT_EQ(UniqueId(), L"x-1 {odd}");
  }
  for (const wchar_t* bad : {L"a;admin=1", L"a\"b", L"a\r\nX-Evil: 1", L"a\nb", L"a\tb"}) {
    FreshUser user;
    ASSERT_TRUE(WriteRegistryString(kAppInfoKey, L"UniqueId", bad));
    const std::wstring id = UniqueId();
    EXPECT_EQ(id.size(), 32u);
    EXPECT_EQ(id.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);
    EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"UniqueId"), id);
  }
}

TEST(TextTest, ReplaceAllDoesNotRescanReplacements) {
  std::wstring text = L"a-b-c";
  ReplaceAll(&text, L"-", L"--");
  EXPECT_EQ(text, L"a--b--c");
  ReplaceAll(&text, L"", L"x");
  EXPECT_EQ(text, L"a--b--c");
  EXPECT_EQ(SystemCodePageToWide(WideToSystemCodePage(L"plain ASCII")), L"plain ASCII");
}
