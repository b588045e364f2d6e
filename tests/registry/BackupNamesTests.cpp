#include <gtest/gtest.h>

#include "registry/portable/BackupNames.h"

namespace tw {
namespace {

TEST(BackupNames, NameRuleAndItsParts) {
  const TBackupTime t{2024, 5, 1, 9, 4, 7};
  EXPECT_EQ(BackupFileName("g07-i01", t, 1), "g07-i01 (2024-05-01 09.04.07).bkp");
  EXPECT_EQ(BackupFileName("g07-i01", t, 2), "g07-i01 (2024-05-01 09.04.07) 2.bkp");
  const TBackupNameParts parts = SplitBackupFileName("g07-i01 (2024-05-01 09.04.07) 2.bkp");
  EXPECT_EQ(parts.ItemId, "g07-i01");
  EXPECT_EQ(parts.Caption, "(2024-05-01 09.04.07) 2.bkp");
  EXPECT_EQ(SplitBackupFileName("notes.bkp").ItemId, "");
  EXPECT_EQ(BackupTimeText(t), "2024-05-01 09:04:07");
  for (const char* id : {"g07-i01", "g00-i99"}) EXPECT_TRUE(IsItemId(id)) << id;
  for (const char* id : {"", "g7-i01", "g07-i1", "G07-i01", "g07_i01", "g07-i011"})
    EXPECT_FALSE(IsItemId(id)) << id;
}

TEST(BackupNames, OldMeansMoreThanThirtyDays) {
  const std::int64_t now = 1700000000, day = 86400;
  EXPECT_FALSE(IsOldBackup(now - 30 * day, now));
  EXPECT_TRUE(IsOldBackup(now - 30 * day - 1, now));
  EXPECT_FALSE(IsOldBackup(now + day, now));
  EXPECT_TRUE(IsOldBackup(now - 2 * day, now, 1));
}

}  // namespace
}  // namespace tw
