#include <gtest/gtest.h>

#include "strings/ScanWords.h"
#include "strings/StrRes.h"

namespace tw {
namespace {

TEST(ScanWords, ListIsSortedWithoutCaseDuplicatesOrEmptyWords) {
  TScanWords words(",,delta,Alpha,charlie alpha,,bravo,DELTA,");
  EXPECT_EQ(words.Words(), (std::vector<std::string>{"Alpha", "bravo", "charlie", "delta"}));
  EXPECT_EQ(TScanWords("").Count(), 0);
  EXPECT_FALSE(TScanWords("").IsAdult("anything"));
}

TEST(ScanWords, Matching) {
  TScanWords words("porn,xxx,a{b,nackt");
  struct Case {
    const char* text;
    bool adult;
  } cases[] = {
      {"http://www.example.com/PORN/index.html", true},
      {"Visited: user@www.XxX-site.test", true},
      {"A[B", true},        // '[' and '{' differ only in bit 5
      {"a{b", true},
      {"ab", false},
      {"", false},
      {"xx", false},        // shorter than every word
      {"NACKT", true},
      {"p o r n", false},
      {"por", false},
  };
  for (const Case& c : cases) EXPECT_EQ(words.IsAdult(c.text), c.adult) << c.text;
}

TEST(ScanWords, TrialOrderInterleavesTheTwoHalves) {
  // Sorted: a1 b2 c3 d4 e5; h = 2: a1, c3, b2, d4, then e5.
  TScanWords odd("e5,d4,c3,b2,a1");
  EXPECT_EQ(odd.FirstMatch("b2 c3"), "c3");
  EXPECT_EQ(odd.FirstMatch("d4 b2"), "b2");
  EXPECT_EQ(odd.FirstMatch("e5 d4"), "d4");
  EXPECT_EQ(odd.FirstMatch("e5"), "e5");
  EXPECT_EQ(odd.FirstMatch("f6"), std::nullopt);
  // Sorted: a b c d; h = 2: a, c, b, d.
  TScanWords even("d,c,b,a");
  EXPECT_EQ(even.FirstMatch("bc"), "c");
  EXPECT_EQ(even.FirstMatch("db"), "b");
  EXPECT_EQ(TScanWords("solo").FirstMatch("SOLO"), "solo");
}

TEST(ScanWords, BuiltOnceFromTheLanguageOfTheFirstCall) {
  TScanWords& first = ScanWords(3);
  EXPECT_EQ(first.Count(), 149);
  EXPECT_EQ(&ScanWords(0), &first);
  EXPECT_EQ(ScanWords(0).Count(), 149);
  EXPECT_TRUE(first.IsAdult("http://videos.test/PORNOGRATIS/"));
  EXPECT_FALSE(first.IsAdult("http://www.tiempo.test/madrid/manana"));
}

}  // namespace
}  // namespace tw
