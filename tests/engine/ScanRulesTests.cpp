#include <gtest/gtest.h>

#include "engine/portable/ScanRules.h"

namespace tw {
namespace {

TEST(ScanRules, ItemsTakePartByModeStringOrByTick) {
  struct Case {
    int mode;
    const char* enabled;
    const char* modeText;
    const char* checked;
    bool takesPart;
  };
  const Case cases[] = {
      {1, "true", "1010000", "false", true},
      {2, "true", "1010000", "true", false},   // preset modes ignore the tick
      {3, "true", "1010000", "false", true},
      {7, "true", "1010000", "false", false},  // picked modes ignore the mode string
      {7, "true", "0000000", "true", true},
      {5, "true", "", "true", true},
      {7, "false", "1111111", "true", false},  // disabled: never
      {1, "false", "1111111", "true", false},
      {1, "FALSE", "1000000", "", true},       // case-sensitive: only "false" disables
      {4, "true", "101", "", false},           // too short for position 4
      {0, "true", "1111111", "true", false},
      {6, "true", "0000010", "", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ItemTakesPart(c.mode, c.enabled, c.modeText, c.checked), c.takesPart)
        << "mode " << c.mode << " enabled " << c.enabled << " '" << c.modeText << "' "
        << c.checked;
  }
  EXPECT_TRUE(GroupTakesPart(5, "g00"));
  EXPECT_FALSE(GroupTakesPart(5, "g01"));
  EXPECT_TRUE(GroupTakesPart(7, "g01"));
}

TEST(ScanRules, IconFieldsNameProgramsToClose) {
  EXPECT_EQ(IconProgram("C:\\Program Files\\Mail\\Mail.EXE"), "mail.exe");
  EXPECT_EQ(IconProgram("res:viewer.exe"), "viewer.exe");
  EXPECT_EQ(IconProgram("%SystemRoot%\\system32\\shell32.dll"), "");
  EXPECT_EQ(IconProgram("C:\\x\\MSMSGS.EXE"), "");
  EXPECT_EQ(IconProgram("msascui.exe"), "");
  EXPECT_TRUE(IconProgramsIgnored("g05-i01"));
  EXPECT_TRUE(IconProgramsIgnored("g05-i06"));
  EXPECT_FALSE(IconProgramsIgnored("g05-i07"));
  EXPECT_FALSE(IconProgramsIgnored("g05-i00"));
  EXPECT_FALSE(IconProgramsIgnored("g06-i01"));
}

}  // namespace
}  // namespace tw

namespace tw {
namespace {

TEST(ScanRules, OnlyAMissingPlaceMeansThereWasNothingToScan) {
  const struct {
    const char* message;
    bool absent;
  } cases[] = {
      {"Path not found! C:\\Users\\me\\AppData\\Roaming\\Slack\\Cache", true},
      {"Subkey \"HKEY_CURRENT_USER\\Software\\Gone\" not found.", true},
      {"Opera not found!", true},
      {"Chrome User Data not found!", true},
      {"Invalid temp path! C:\\", false},
      {"Access is denied", false},
      {"database is locked", false},
      {"Field not found in dataset: url", false},
      {"Backup file \"x.bkp\" not found", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorMeansAbsent(c.message), c.absent) << c.message;
}

}  // namespace
}  // namespace tw
