#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"

namespace tw {
namespace {

TEST(Text, Utf8AndUtf16RoundTrip) {
  const std::string utf8 = "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80";
  const std::wstring wide = L"a\u00e9\u65e5\U0001F600";
  EXPECT_EQ(Utf8ToWide(utf8), wide);
  EXPECT_EQ(WideToUtf8(wide), utf8);
  EXPECT_EQ(Utf8ToWide(""), L"");
  EXPECT_EQ(WideToUtf8(L""), "");
  std::wstring path = L"\\\\?\\";
  AppendWide(path, "C:\\d\xC3\xA9j\xC3\xA0");
  EXPECT_EQ(path, L"\\\\?\\C:\\d\u00e9j\u00e0");
}

TEST(Text, NotUtf8IsReadInTheAnsiCodePage) {
  const std::string latin1 = "\xE9t\xE9";
  EXPECT_EQ(CodePageToWide(1252, latin1), L"\u00e9t\u00e9");
  EXPECT_EQ(Utf8ToWide(latin1), Widen(latin1));
}

TEST(Text, UnpairedSurrogatesBecomeReplacementCharacters) {
  const struct {
    std::wstring wide;
    std::string utf8;
    bool exact;
  } cases[] = {
      {std::wstring{L'a', wchar_t(0xD800), L'b'}, "a\xEF\xBF\xBD" "b", false},
      {std::wstring{L'a', wchar_t(0xDC00)}, "a\xEF\xBF\xBD", false},
      {std::wstring{wchar_t(0xDBFF), wchar_t(0xDBFF), wchar_t(0xDFFF)},
       "\xEF\xBF\xBD\xF4\x8F\xBF\xBF", false},
      {std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, "\xF0\x9F\x98\x80", true},
  };
  for (const auto& c : cases) {
    std::string out = "x";
    EXPECT_EQ(AppendUtf8(out, c.wide), c.exact) << c.utf8;
    EXPECT_EQ(out, "x" + c.utf8);
    EXPECT_EQ(WideToUtf8(c.wide), c.utf8);
  }
}

}  // namespace
}  // namespace tw
