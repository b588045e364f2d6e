#include <gtest/gtest.h>

#include "ui/dialogs/portable/ManagerRules.h"

namespace tw {
namespace {

TBackupStamp Stamp(std::int64_t time, int year, int month, int day, int hour) {
  return {time, {year, month, day, hour, 0, 0}};
}

TEST(BackupDays, DaysRunNewestFirstAndEachDayOldestFirst) {
  // Three backups of 2024-05-02 (given out of order) and one of the day before.
  const std::vector<TBackupStamp> backups = {
      Stamp(200, 2024, 5, 2, 10), Stamp(50, 2024, 5, 1, 23), Stamp(300, 2024, 5, 2, 12),
      Stamp(100, 2024, 5, 2, 0)};
  const auto days = GroupBackupsByDay(backups);
  ASSERT_EQ(days.size(), 2u);
  EXPECT_EQ(days[0].Local.Day, 2);
  EXPECT_EQ(days[0].Local.Hour, 12);  // the newest of the day
  EXPECT_EQ(days[0].Items, (std::vector<std::size_t>{3, 0, 2}));
  EXPECT_EQ(days[1].Items, (std::vector<std::size_t>{1}));
  EXPECT_TRUE(GroupBackupsByDay({}).empty());
  // The same day of another month is another day.
  EXPECT_EQ(GroupBackupsByDay({Stamp(2, 2024, 6, 2, 1), Stamp(1, 2024, 5, 2, 1)}).size(), 2u);
}

TEST(BackupDays, CaptionsInEnglishAndFrench) {
  struct Case {
    TBackupTime Day;
    int Language;
    const char* Caption;
  } cases[] = {
      {{2024, 1, 1}, 0, "Monday January 1st, 2024"},
      {{2024, 5, 22}, 0, "Wednesday May 22nd, 2024"},
      {{2024, 5, 22}, 2, "Wednesday May 22nd, 2024"},  // German and Spanish take the English form
      {{2024, 5, 22}, 3, "Wednesday May 22nd, 2024"},
      {{2024, 3, 23}, 0, "Saturday March 23rd, 2024"},
      {{2024, 3, 31}, 0, "Sunday March 31st, 2024"},
      {{2024, 2, 11}, 0, "Sunday February 11th, 2024"},
      {{2000, 2, 29}, 0, "Tuesday February 29th, 2000"},
      {{2024, 8, 1}, 1, "Jeudi, le 1er ao\xC3\xBBt 2024"},
      {{2024, 2, 12}, 1, "Lundi, le 12 f\xC3\xA9vrier 2024"},
  };
  for (const Case& c : cases) EXPECT_EQ(BackupDayCaption(c.Day, c.Language), c.Caption) << c.Caption;
}

TEST(BackupPreview, LongTextsAreCut) {
  EXPECT_EQ(TrimPreview("REGEDIT4\r\n"), "REGEDIT4\r\n");
  const std::string exact(2048, 'a');
  EXPECT_EQ(TrimPreview(exact), exact);
  const std::string preview = TrimPreview(std::string(3000, 'b'));
  EXPECT_EQ(preview, std::string(2048, 'b') + "\r\n\r\n...");
  // A character of two bytes across the cut is not split.
  const std::string accented = std::string(2047, 'c') + "\xC3\xA9" + "tail";
  EXPECT_EQ(TrimPreview(accented), std::string(2047, 'c') + "\r\n\r\n...");
}

TEST(CookieRules, Captions) {
  EXPECT_EQ(CookieCaption("Cookie:user@example.com/"), "example.com/");
  EXPECT_EQ(CookieCaption("Cookie:user@host/@extra"), "host/");
  EXPECT_EQ(CookieCaption("Cookie:no-at-sign"), "");
  const std::string sixty(60, 'x');
  EXPECT_EQ(CookieCaption("Cookie:u@" + sixty), std::string(47, 'x') + "...");
  EXPECT_EQ(CookieCaption("Cookie:u@" + std::string(47, 'y')), std::string(47, 'y'));
  EXPECT_EQ(CookieCaption("Cookie:u@" + std::string(48, 'y')), std::string(47, 'y') + "...");
}

TEST(CookieRules, SortByHitsOrName) {
  const std::vector<TCookieSortKey> cookies = {{"b", 3}, {"a", 12}, {"C", 3}, {"c", 0}};
  EXPECT_EQ(CookieOrder(cookies, 0), (std::vector<std::size_t>{1, 0, 2, 3}));
  EXPECT_EQ(CookieOrder(cookies, 1), (std::vector<std::size_t>{2, 1, 0, 3}));
  EXPECT_EQ(CommaTextEntries("Decreasing hit rate,\"Alphabetical order\""),
            (std::vector<std::string>{"Decreasing hit rate", "Alphabetical order"}));
}

}  // namespace
}  // namespace tw
