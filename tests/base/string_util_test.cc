#include "base/string_util.h"

#include <gtest/gtest.h>

#include <string>

#include "base/utf.h"

namespace nbase {
namespace {

TEST(StringPrintfTest, FormatsNarrowAndWide) {
  EXPECT_EQ(StringPrintf("%d-%s", 42, "x"), "42-x");
  EXPECT_EQ(StringPrintf(L"%ls /D=%ls", L"setup.exe /S", L"C:\\Program Files"),
            L"setup.exe /S /D=C:\\Program Files");
  std::string out = "a";
  StringAppendF(&out, "%03d", 7);
  EXPECT_EQ(out, "a007");
  std::wstring wide = L"[";
  StringAppendF(&wide, L"%u]", 5u);
  EXPECT_EQ(wide, L"[5]");
}

TEST(StringPrintfTest, GrowsPastTheFirstBuffer) {
  // 1023 fits the first 1024-character buffer; 1024 and far more do not.
  for (int width : {1023, 1024, 1025, 5000, 100000}) {
    std::string narrow = StringPrintf("%*s", width, "z");
    ASSERT_EQ(narrow.size(), static_cast<size_t>(width));
    EXPECT_EQ(narrow.back(), 'z');
    std::wstring wide = StringPrintf(L"%*ls", width, L"z");
    ASSERT_EQ(wide.size(), static_cast<size_t>(width));
    EXPECT_EQ(wide.back(), L'z');
  }
}

TEST(StringPrintfTest, GivesUpAtTheCapWithNothingAppended) {
  const int largest = static_cast<int>(kMaxFormatBuffer) - 1;  // leaves room for the null
  EXPECT_EQ(StringPrintf("%*s", largest, "").size(), static_cast<size_t>(largest));
  std::string out = "keep";
  StringAppendF(&out, "%*s", largest + 1, "");
  EXPECT_EQ(out, "keep");
  EXPECT_TRUE(StringPrintf("%*s", largest + 1, "").empty());
}

TEST(UtfTest, RoundTripsAllPlanes) {
  const std::string utf8 = "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";  // A é 中 😀
  std::wstring wide = UTF8ToWide(utf8);
  EXPECT_EQ(wide, L"A\u00E9\u4E2D\U0001F600");
  EXPECT_EQ(WideToUTF8(wide), utf8);
  EXPECT_EQ(wide.size(), sizeof(wchar_t) == 2 ? 5u : 4u);
  EXPECT_TRUE(UTF8ToWide("").empty());
}

TEST(UtfTest, RejectsInvalidOrTruncatedUtf8) {
  const char* bad[] = {
      "\x80",                  // stray continuation
      "ab\xC3",                // ends inside a sequence
      "\xE4\xB8",              // ends inside a sequence
      "\xF0\x9F\x98",          // ends inside a sequence
      "\xC0\xAF",              // overlong '/'
      "\xE0\x80\xAF",          // overlong
      "\xED\xA0\x80",          // encoded surrogate
      "\xF4\x90\x80\x80",      // above U+10FFFF
      "\xC3\x28",              // bad continuation
      "\xFF",
  };
  for (const char* s : bad) EXPECT_TRUE(UTF8ToWide(s).empty()) << "input " << s;
}

TEST(UtfTest, RejectsLoneSurrogatesInWide) {
  std::wstring lone_high = L"a";
  lone_high.push_back(static_cast<wchar_t>(0xD83D));
  EXPECT_TRUE(WideToUTF8(lone_high).empty());  // ends inside a pair on UTF-16
  std::wstring lone_low(1, static_cast<wchar_t>(0xDC00));
  EXPECT_TRUE(WideToUTF8(lone_low).empty());
  std::wstring high_then_letter;
  high_then_letter.push_back(static_cast<wchar_t>(0xD83D));
  high_then_letter.push_back(L'x');
  EXPECT_TRUE(WideToUTF8(high_then_letter).empty());
}

}  // namespace
}  // namespace nbase
