#pragma once
// Names of the registry backup files, "g07-i01 (2024-05-01 13.45.12).bkp": the item id of the
// scan database (seven characters), a blank, and the caption the backup manager shows, with
// the local date and time of the backup in parentheses. A second backup of the same item in
// the same second gets " 2" after the parentheses, a third " 3", and so on.
#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

inline constexpr const char* kBackupExtension = ".bkp";
// Backups older than this many days are offered for recycling.
inline constexpr int kBackupRecycleDays = 30;

struct TBackupTime {
  int Year, Month, Day, Hour, Minute, Second;
};

// True for the item id form "g" two digits "-i" two digits.
bool IsItemId(std::string_view id);

// The file name (without folder) of the Number-th backup (from 1) of ItemId at Time.
std::string BackupFileName(std::string_view itemId, const TBackupTime& time, int number);

// The parts of a backup file name: the item id (empty when the name does not start with one)
// and the caption (from the ninth character on, extension included).
struct TBackupNameParts {
  std::string ItemId;
  std::string Caption;
};
TBackupNameParts SplitBackupFileName(std::string_view fileName);

// "2024-05-01 13:45:12".
std::string BackupTimeText(const TBackupTime& time);

// True when a backup last written at FileTime is more than Days whole days older than Now (both
// in seconds on one clock).
bool IsOldBackup(std::int64_t fileTime, std::int64_t now, int days = kBackupRecycleDays);

}  // namespace tw
