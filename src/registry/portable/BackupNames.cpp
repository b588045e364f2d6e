#include "registry/portable/BackupNames.h"

#include "support/Format.h"

namespace tw {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool IsItemId(std::string_view id) {
  return id.size() == 7 && id[0] == 'g' && IsDigit(id[1]) && IsDigit(id[2]) && id[3] == '-' &&
         id[4] == 'i' && IsDigit(id[5]) && IsDigit(id[6]);
}

std::string BackupFileName(std::string_view itemId, const TBackupTime& t, int number) {
  std::string name = Format("%s (%04d-%02d-%02d %02d.%02d.%02d)", itemId, t.Year, t.Month, t.Day,
                            t.Hour, t.Minute, t.Second);
  if (number > 1) name += Format(" %d", number);
  return name + kBackupExtension;
}

TBackupNameParts SplitBackupFileName(std::string_view fileName) {
  TBackupNameParts parts;
  if (fileName.size() >= 7 && IsItemId(fileName.substr(0, 7))) parts.ItemId = fileName.substr(0, 7);
  if (fileName.size() > 8) parts.Caption = fileName.substr(8);
  return parts;
}

std::string BackupTimeText(const TBackupTime& t) {
  return Format("%04d-%02d-%02d %02d:%02d:%02d", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                t.Second);
}

bool IsOldBackup(std::int64_t fileTime, std::int64_t now, int days) {
  return now - fileTime > static_cast<std::int64_t>(days) * 86400;
}

}  // namespace tw
