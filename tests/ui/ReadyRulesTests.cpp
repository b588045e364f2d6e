#include <gtest/gtest.h>

#include "strings/StrRows.h"
#include "ui/main/portable/ReadyRules.h"

namespace tw {
namespace {

TEST(ReadyRules, ModesDecideWhatShowsAndWhatTheUserMayTick) {
  struct Case {
    int mode;
    int row;
    bool registryShown, browserShown, checkBoxes;
  };
  const Case cases[] = {
      {0, kRowSelectPresetMode, true, true, false},
      {1, kRowPresetQuick, false, true, false},
      {2, kRowPresetCookies, false, true, false},
      {3, kRowPresetHistory, false, true, false},
      {4, kRowPresetPrivacy, false, true, false},
      {5, kRowPresetRegistry, true, false, true},
      {6, kRowPresetComplete, true, true, false},
      {7, kRowPresetAdvanced, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(ModeRow(c.mode), c.row);
    EXPECT_EQ(GroupShownInMode(c.mode, "g00"), c.registryShown);
    EXPECT_EQ(GroupShownInMode(c.mode, "g01"), c.browserShown);
    EXPECT_EQ(ModeHasCheckBoxes(c.mode), c.checkBoxes);
  }
  EXPECT_EQ(GroupShownInMode(8, "g00"), std::nullopt);  // the list keeps what it had
  EXPECT_EQ(ModeRow(9), kRowSelectPresetMode);
  // Ids are compared as text.
  EXPECT_EQ(GroupShownInMode(2, "g000"), true);
  EXPECT_EQ(GroupShownInMode(2, "G01"), false);
}

TEST(ReadyRules, ItemsFollowTheirModeText) {
  EXPECT_FALSE(ItemEnabledInMode(0, "1111111"));
  EXPECT_TRUE(ItemEnabledInMode(2, "0100000"));
  EXPECT_FALSE(ItemEnabledInMode(2, "1011111"));
  EXPECT_TRUE(ItemEnabledInMode(6, "0000010"));
  EXPECT_FALSE(ItemEnabledInMode(4, "111"));  // shorter than the position
  EXPECT_TRUE(ItemEnabledInMode(5, ""));
  EXPECT_TRUE(ItemEnabledInMode(7, "0000000"));
  EXPECT_FALSE(ItemEnabledInMode(8, "11111111"));
}

TEST(ReadyRules, HeaderClicksCycleAndScansNeedAModeAndATick) {
  EXPECT_EQ(NextMode(0), 1);
  EXPECT_EQ(NextMode(4), 5);
  EXPECT_EQ(NextMode(7), 1);
  EXPECT_EQ(ScanRefusalRow(0, true), kRowSelectPresetMode);
  EXPECT_EQ(ScanRefusalRow(5, false), kRowChooseItemsToScan);
  EXPECT_EQ(ScanRefusalRow(7, false), kRowChooseItemsToScan);
  EXPECT_EQ(ScanRefusalRow(7, true), 0);
  EXPECT_EQ(ScanRefusalRow(2, false), 0);  // presets pick their items themselves
}

}  // namespace
}  // namespace tw
