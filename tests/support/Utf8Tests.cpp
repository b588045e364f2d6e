#include <gtest/gtest.h>

#include <string>

#include "support/Utf8.h"

namespace tw {
namespace {

TEST(Utf8, DecodesWellFormedSequences) {
  const std::string text = "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80";
  const char32_t expected[] = {U'a', 0xE9, 0x65E5, 0x1F600};
  std::size_t pos = 0;
  for (const char32_t want : expected) {
    char32_t cp = 0;
    ASSERT_TRUE(NextCodePoint(text, pos, cp));
    EXPECT_EQ(cp, want);
  }
  EXPECT_EQ(pos, text.size());
  EXPECT_TRUE(IsValidUtf8(text));
  EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));
  EXPECT_TRUE(IsValidUtf8(""));
}

TEST(Utf8, RejectsWhatIsNotWellFormed) {
  // Cut short, a continuation missing, overlong, a surrogate, above 0x10FFFF, no lead byte.
  for (const char* bad :
       {"\xC3", "\xE9t\xE9", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "\x80"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    std::size_t pos = 0;
    char32_t cp = U'x';
    EXPECT_FALSE(NextCodePoint(bad, pos, cp)) << bad;
    EXPECT_EQ(pos, 0u) << bad;
    EXPECT_EQ(cp, U'x') << bad;
  }
  EXPECT_FALSE(IsValidUtf8("ok \xE6\x97"));
}

}  // namespace
}  // namespace tw
