#pragma once
// The registry backup files: "*.bkp" in the common application data folder's
// "Tidewhisk\Backup\", each one packet (compressed and enciphered) holding a REGEDIT4 text,
// named after the scan-database item whose entries it holds (registry/portable/BackupNames.h).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "registry/RegRestore.h"
#include "registry/portable/BackupNames.h"
#include "support/Exceptions.h"

namespace tw {

// A backup that is missing, damaged or not a backup; nothing was written to the registry.
TW_DECLARE_EXCEPTION(EBackupError, Exception)

// The backup folder, ending with "\" (created when missing).
std::string BackupFolder();

// Saves Text as a new backup file of ItemId and returns its full path. Never replaces a file:
// a name already taken gets the next number. Raises EBackupError for an ItemId that cannot
// name a backup, and the file errors.
std::string SaveBackup(const std::string& itemId, std::string_view text);

struct TBackupFile {
  std::string Path;     // full path
  std::string Name;     // file name
  std::string ItemId;   // empty when the name does not start with one
  std::string Caption;  // from the ninth character of the name
  std::int64_t Size = 0;
  std::int64_t Time = 0;  // last write, seconds since 1970 (UTC)
  TBackupTime LocalTime{};
};

// The backup files, oldest first.
std::vector<TBackupFile> ListBackups();
// The backups last written more than Days days ago.
std::vector<TBackupFile> OldBackups(int days = kBackupRecycleDays);

// The REGEDIT4 text of a backup file, or of a plain REGEDIT4 file such as the system registry
// editor writes. Raises EBackupError when the file is missing or damaged.
std::string LoadBackupText(const std::string& path);
// Restores a backup file (see RestoreRegText). Raises EBackupError, before anything is
// written, for a missing or damaged file.
TRestoreReport RestoreBackup(const std::string& path);

// Moves the files into the Recycle Bin; the paths that are still there afterwards.
std::vector<std::string> RecycleFiles(const std::vector<std::string>& paths);

// Seconds since 1970 (UTC), now.
std::int64_t UnixTimeNow();

}  // namespace tw
