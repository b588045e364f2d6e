#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "strings/ScanWords.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"

namespace tw {
namespace {

// The format specifiers of Text in order ("%%" included), such as {"%d", "%.0f", "%s"}.
std::vector<std::string> Specifiers(std::string_view text) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    std::size_t j = i + 1;
    while (j < text.size() && std::string_view("-+ #0123456789.").find(text[j]) != std::string_view::npos)
      ++j;
    out.emplace_back(text.substr(i, j + 1 - i));
    i = j;
  }
  return out;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find(separator, start);
    out.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return out;
    start = end + 1;
  }
}

TEST(StrRes, EveryRowInEveryLanguageWithTheSameSpecifiers) {
  for (int row = 0; row < kStrResRows; ++row) {
    const auto english = Specifiers(StrRes(row, 0));
    for (int language = 0; language < kLanguageCount; ++language) {
      std::string_view text = StrRes(row, language);
      EXPECT_FALSE(text.empty()) << "row " << row << " language " << language;
      EXPECT_EQ(Specifiers(text), english) << "row " << row << " language " << language;
      // Line breaks are CR LF pairs, never a lone LF.
      for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
          EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "row " << row;
        }
    }
  }
  EXPECT_EQ(Specifiers("%d of %d: %.0f %% %-20s"),
            (std::vector<std::string>{"%d", "%d", "%.0f", "%%", "%-20s"}));
}

TEST(StrRes, OutOfRangeLookups) {
  EXPECT_EQ(StrRes(kRowScanNow, 7), StrRes(kRowScanNow, 0));
  EXPECT_EQ(StrRes(kRowScanNow, -1), "Scan Now");
  EXPECT_EQ(StrRes(kStrResRows, 0), "");
  EXPECT_EQ(StrRes(-1, 2), "");
}

// Texts whose quoting is easy to get wrong on the way from the translators' files.
TEST(StrRes, EnglishTextsKeepEveryCharacter) {
  struct Case {
    int row;
    const char* text;
  } cases[] = {
      {kRowProgramName, "Tidewhisk"},
      {kRowSummaryCookiesHistory, "Cookies && History Entries"},
      {kRowCleaningCounts, "%d cleaning operations completed successfully.\r\n\r\n%d of %d items could not be removed"},
      {kRowSelectCookiesToKeep, "Select the cookies you do not want cleaned by adding them to the \"Cookies to Keep...\". "
            "Indeed, you may want to preserve cookies coming from your search or start pages, online "
            "banking or other web favourites."},
      {kRowCookieSortGroup, " Sort and organize cookies using "},
      {kRowCookieSortOrders, "Decreasing hit rate,\"Alphabetical order\""},
      {kRowNewerVersion, "Your current  version number is: \"%s\".\r\nThe latest version available is: \"%s\".\r\n"
            "\r\nDo you want to download the update now?"},
      {kRowForceTermination, "<br></br>Do you wish to force the termination of process <font style=\"font-family:Verdana, "
            "Tahoma, sans-serif;font-size:12px;font-style:normal;font-weight:bold;color:red\">%s</font> "
            "anyway?"},
      {kRowBinaryData, "Binary data"},
  };
  for (const Case& c : cases) EXPECT_EQ(StrRes(c.row, 0), c.text) << "row " << c.row;
  EXPECT_EQ(StrRes(kRowLanguageGerman, 2), "Deutsch");
  EXPECT_EQ(StrRes(kRowDatabaseNotFound, 1).substr(0, 16), "Base de donn\xC3\xA9" "es");
}

TEST(StrRes, SortOrderRowIsTwoEntriesOfCommaText) {
  for (int language = 0; language < kLanguageCount; ++language) {
    std::string_view text = StrRes(kRowCookieSortOrders, language);
    auto comma = text.find(',');
    ASSERT_NE(comma, std::string_view::npos) << language;
    EXPECT_EQ(text.find(',', comma + 1), std::string_view::npos) << language;
    std::string_view second = text.substr(comma + 1);
    EXPECT_TRUE(second.size() > 2 && second.front() == '"' && second.back() == '"') << language;
  }
}

// The scan summary highlights the clean button's name in its last line, and the clean button's
// picture shows the same name.
TEST(StrRes, CleanButtonNameAgreesWithTheSummary) {
  for (int language = 0; language < kLanguageCount; ++language) {
    std::string_view name = StrRes(kRowCleanWord, language);
    EXPECT_EQ(StrRes(kRowCleanButton, language), name) << language;
    std::string_view line = StrRes(kRowReviewAndClean, language);
    auto at = line.find(name);
    ASSERT_NE(at, std::string_view::npos) << language;
    auto isLetter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || (c & 0x80); };
    EXPECT_TRUE(at == 0 || !isLetter(line[at - 1])) << language;
    EXPECT_TRUE(at + name.size() == line.size() || !isLetter(line[at + name.size()])) << language;
  }
  EXPECT_EQ(StrRes(kRowCleanWord, 1), "Purger");
  EXPECT_EQ(StrRes(kRowCleanWord, 2), "Reinigen");
}

TEST(StrRes, KeywordRows) {
  const int expected[kLanguageCount] = {355, 94, 133, 149};
  std::set<std::string> lists;
  for (int language = 0; language < kLanguageCount; ++language) {
    std::string_view text = StrRes(kRowAdultWords, language);
    auto words = Split(text, ',');
    EXPECT_EQ(static_cast<int>(words.size()), expected[language]) << language;
    std::set<std::string> unique;
    for (const std::string& word : words) {
      EXPECT_FALSE(word.empty()) << language;
      for (char c : word) {
        EXPECT_FALSE(c >= 'A' && c <= 'Z') << word;
        EXPECT_GT(static_cast<unsigned char>(c), ' ') << word;
      }
      EXPECT_TRUE(unique.insert(word).second) << "duplicate " << word;
    }
    EXPECT_EQ(TScanWords(text).Count(), expected[language]) << language;
    lists.insert(std::string(text));
  }
  EXPECT_EQ(lists.size(), 4u);
}

}  // namespace
}  // namespace tw
