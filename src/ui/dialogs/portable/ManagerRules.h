#pragma once
// The rules of the cookie and backup managers that need no window: backups grouped by day with
// their captions, cookie captions and sorting, and the trimmed preview of a backup.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "registry/portable/BackupNames.h"

namespace tw {

// ---- Backups

// One backup as the manager groups it: when it was written (seconds on one clock, to sort) and
// its local date.
struct TBackupStamp {
  std::int64_t Time = 0;
  TBackupTime Local{};
};

// One day of backups: the indexes of its backups, oldest first; the days run newest first.
struct TBackupDay {
  TBackupTime Local{};  // the newest backup of the day
  std::vector<std::size_t> Items;
};
std::vector<TBackupDay> GroupBackupsByDay(const std::vector<TBackupStamp>& backups);

// The caption of a day: French for language 1 ("Lundi, le 1er janvier 2024"), English names
// for every other language ("Monday January 22nd, 2024").
std::string BackupDayCaption(const TBackupTime& day, int language);

// 0 Sunday .. 6 Saturday, of the Gregorian calendar.
int DayOfWeek(int year, int month, int day);

// Backups of this size or more get no preview.
inline constexpr std::int64_t kPreviewMaxFileSize = 1048576;
// Texts longer than 2048 characters keep their first 2048 and a line "..." after an empty line.
std::string TrimPreview(std::string_view text);

// ---- Cookies

// The list caption of a cookie's cache entry name: the part after its first "@" up to a further
// "@"; 48 characters or more show their first 47 and "...". No "@": empty.
std::string CookieCaption(std::string_view entryName);

// A cookie as the manager sorts it.
struct TCookieSortKey {
  std::string Name;
  std::uint32_t Hits = 0;
};
// The order of the cookies: by hit rate, highest first, when SortOrder is 0; alphabetically
// (case-sensitive) otherwise. Ties keep their order.
std::vector<std::size_t> CookieOrder(const std::vector<TCookieSortKey>& cookies, int sortOrder);

// Two texts of a comma list such as kRowCookieSortOrders ("Decreasing hit rate,\"Alphabetical order\""):
// the entries, quotes removed.
std::vector<std::string> CommaTextEntries(std::string_view text);

}  // namespace tw
