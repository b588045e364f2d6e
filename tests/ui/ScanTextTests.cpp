#include <gtest/gtest.h>

#include <map>

#include "support/Format.h"
#include "ui/dialogs/portable/ScanInfoHighlights.h"
#include "ui/main/portable/ScanText.h"

namespace tw {
namespace {

TEST(ScanText, ElapsedTimesAndHints) {
  EXPECT_EQ(ElapsedText(0), "00:00:00");
  EXPECT_EQ(ElapsedText(3 * 3600 + 25 * 60 + 7), "03:25:07");
  EXPECT_EQ(CutHint(std::string(2048, 'a')), std::string(2048, 'a'));
  EXPECT_EQ(CutHint(std::string(3000, 'a')), std::string(2048, 'a') + "\r\n\r\n...");
}

TEST(ScanText, EllipsisFitKeepsTheLongestPrefixThatFits) {
  // Each byte is 10 wide.
  auto measure = [](std::string_view s) { return static_cast<int>(s.size()) * 10; };
  EXPECT_EQ(EllipsisFit("abcdefgh", 80, measure), "abcde...");
  EXPECT_EQ(EllipsisFit("abcdefgh", 30, measure), "...");
  EXPECT_EQ(EllipsisFit("abcdefgh", 29, measure), "");
  // A cut never splits a character of several bytes: "é" is two.
  EXPECT_EQ(EllipsisFit("a\xC3\xA9zzz", 60, measure), "a\xC3\xA9...");
  EXPECT_EQ(EllipsisFit("a\xC3\xA9zzz", 50, measure), "a...");
}

// A text searched as the rich text box does: whole words, without regard to case.
long FindWord(const std::string& text, const std::string& what, long start) {
  if (start < 0) start = 0;
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  const std::string t = lower(text), w = lower(what);
  for (std::size_t at = t.find(w, static_cast<std::size_t>(start)); at != std::string::npos; at = t.find(w, at + 1)) {
    const bool left = at == 0 || !std::isalnum(static_cast<unsigned char>(t[at - 1]));
    const std::size_t end = at + w.size();
    const bool right = end >= t.size() || !std::isalnum(static_cast<unsigned char>(t[end]));
    if (left && right) return static_cast<long>(at);
  }
  return -1;
}

TEST(ScanInfoHighlights, ScanAndCleanSummariesHighlightTheirFigures) {
  const std::string scan =
      "\r\nTotal time elapsed: 00:00:05\r\n\r\nPotential problems or privacy threats found: 12\r\n\r\n"
      "Total disk space used by items: 1.43 MB\r\n\r\nReview results and press Clean to remove threats...";
  auto run = [](const std::string& text, TSummaryFigures figures) {
    std::map<std::string, std::uint32_t> found;
    for (const THighlight& h : SummaryHighlights(
             figures, [&](const std::string& w, long s) { return FindWord(text, w, s); },
             [](const std::string& w) { return static_cast<long>(w.size()); }))
      found[h.Text] = h.Color;
    return found;
  };
  TSummaryFigures figures{"ShowScanDialog", 12, 0, "00:00:05", "1.43 MB", "Clean"};
  EXPECT_EQ(run(scan, figures), (std::map<std::string, std::uint32_t>{{"00:00:05", kHighlightTeal},
                                                                      {"12", kHighlightRed},
                                                                      {"1.43 MB", kHighlightBlue},
                                                                      {"Clean", kHighlightGreen}}));
  // Nothing found: no highlighting at all; an elapsed time that is not there stops the rest.
  figures.Count = 0;
  EXPECT_TRUE(run(scan, figures).empty());
  figures = {"ShowScanDialog", 12, 0, "01:00:00", "1.43 MB", "Clean"};
  EXPECT_TRUE(run(scan, figures).empty());
  // The German summary: the clean word comes after the size.
  const std::string german = "Zeit: 00:00:05\r\nGefunden: 3\r\nGröße: 0.88 KB\r\nKlicken Sie auf reinigen.";
  EXPECT_EQ(run(german, {"ShowScanDialog", 3, 0, "00:00:05", "0.88 KB", "reinigen"}).count("reinigen"), 1u);
  // Clean summary: removed, failed, checked, each searched after the one before.
  const std::string clean = "Removed: 8\r\nFailed: 2\r\nChecked: 10";
  EXPECT_EQ(run(clean, {"ShowCleanDialog", 10, 2, "", "", ""}).size(), 3u);
  EXPECT_TRUE(run(clean, {"Other", 10, 2, "", "", ""}).empty());
}

}  // namespace
}  // namespace tw
