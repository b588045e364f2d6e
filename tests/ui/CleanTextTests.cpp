#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/dialogs/portable/CleanText.h"

namespace tw {
namespace {

TEST(CleanSummary, LinesByOutcome) {
  struct Case {
    TCleanCounts counts;
    std::vector<std::string> lines;
  };
  const std::string locked =
      "\r\n\r\n(index.dat or other locked files have been marked for deletion and require a reboot to "
      "complete the task).";
  const Case cases[] = {
      {{5, 0, false},
       {"", "", "", "5 cleaning operations completed successfully.\r\n\r\n0 of 5 items could not be removed."}},
      // Locked files waiting for the restart are named after a colon.
      {{5, 2, true},
       {"", "3 cleaning operations completed successfully.\r\n\r\n2 of 5 items could not be removed:" + locked}},
      // Failures with nothing left for a restart (a registry entry that could not be deleted)
      // say nothing about locked files.
      {{5, 2, false},
       {"", "3 cleaning operations completed successfully.\r\n\r\n2 of 5 items could not be removed."}},
      {{0, 0, false},
       {"", "", "", "0 cleaning operations completed successfully.\r\n\r\n0 of 0 items could not be removed."}},
      // Items left out for want of administrator rights are neither removed nor failed: said apart.
      {{3, 1, false, 4},
       {"", "2 cleaning operations completed successfully.\r\n\r\n1 of 3 items could not be removed.", "",
        "4 items were skipped: they need administrator rights."}},
      // What the protect list kept is neither removed nor failed either.
      {{2, 0, false, 0, 3},
       {"", "", "", "2 cleaning operations completed successfully.\r\n\r\n0 of 2 items could not be removed.", "",
        "3 findings were kept: the protect list names them."}},
      // Files moved into the Recycle Bin are removed; what can be restored is said after.
      {{3, 1, false, 0, 0, 2, 3 * 1024 * 1024 / 2},
       {"", "2 cleaning operations completed successfully.\r\n\r\n1 of 3 items could not be removed.", "",
        "2 files (1.50 MB) can be restored from the Recycle Bin."}},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanSummaryLines(c.counts, 0), c.lines);
  // Other languages take their own rows.
  const std::vector<std::string> german = CleanSummaryLines({4, 1, true}, 2);
  ASSERT_EQ(german.size(), 2u);
  EXPECT_NE(german[1].find(std::string(StrRes(kRowCleaningNeedsReboot, 2))), std::string::npos);
  EXPECT_EQ(german[1].rfind("3 ", 0), 0u);
}

TEST(CleanSummary, FitWithEllipsisKeepsWholeCharactersAndStaysNarrower) {
  // One unit per character (UTF-8 continuation bytes do not count).
  const auto measure = [](std::string_view text) {
    int n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
  };
  EXPECT_EQ(FitWithEllipsis("C:\\short", 20, measure), "C:\\short");
  EXPECT_EQ(FitWithEllipsis("abcdefghij", 10, measure), "abcdef...");  // 9 < 10
  EXPECT_EQ(FitWithEllipsis("abcdefghij", 11, measure), "abcdefghij");
  EXPECT_EQ(FitWithEllipsis("abcdefghij", 3, measure), "");     // "..." alone does not fit
  EXPECT_EQ(FitWithEllipsis("abcdefghij", 4, measure), "...");
  const std::string shown = FitWithEllipsis("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 6, measure);
  EXPECT_EQ(shown, "\xC3\xA9\xC3\xA9...");
  for (int width = 4; width < 40; ++width) {
    const std::string path(60, 'x');
    EXPECT_LT(measure(FitWithEllipsis(path, width, measure)), width);
  }
}

TEST(CleanSummary, BrowserNameInTheCaption) {
  const std::string names = "Internet Explorer;AOL Desktop;AOL Explorer;MSN Explorer";
  EXPECT_EQ(ProgressGroupName("g01", names, kBrowserAolExplorer, false), "AOL Explorer");
  EXPECT_EQ(ProgressGroupName("g01", names, kBrowserAolExplorer, true), names);
  EXPECT_EQ(ProgressGroupName("g02", names, kBrowserAolExplorer, false), names);
}

}  // namespace
}  // namespace tw
