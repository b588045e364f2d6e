#pragma once
// The registry backup files: "*.bkp" in the user's local application data folder's
// "Tidewhisk\Backup\", each one packet (compressed and enciphered) holding a REGEDIT4 text,
// named after the scan-database item whose entries it holds (registry/portable/BackupNames.h).
//
// Backups are private to their user. Each file carries, as a comment line after "REGEDIT4", a
// mark: the user's security identifier and an HMAC-SHA256 of that identifier and the text, keyed
// with a random key of the user's own ("backup.key" in the folder, sealed with the user's
// data-protection key, so that only this user's logon can unseal it). Only a file whose mark
// this user's key confirms is merged. Backups of older versions, kept in the shared "Backup"
// folder of the common application data folder, are listed and merged only for the user who
// owns the file (the file system's owner, which a standard user cannot set to anyone else).
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

// The user's backup folder, ending with "\" (created when missing). When it is made, the kept
// cookies "cookies.dat" of the shared folder of older versions are copied into it if this user
// owns them.
std::string BackupFolder();
// The shared folder older versions kept every user's backups in, ending with "\".
std::string SharedBackupFolder();
// The file Name of the user's backup folder ("cookies.dat").
std::string UserBackupFile(const std::string& name);

// Saves Text (a REGEDIT4 text) as a new backup file of ItemId, with this user's mark, and returns
// its full path. Never replaces a file: a name already taken gets the next number. Raises
// EBackupError for an ItemId that cannot name a backup or a mark that cannot be made, and the
// file errors.
std::string SaveBackup(const std::string& itemId, std::string_view text);

struct TBackupFile {
  std::string Path;     // full path
  std::string Name;     // file name
  std::string ItemId;   // empty when the name does not start with one
  std::string Caption;  // from the ninth character of the name
  std::int64_t Size = 0;
  std::int64_t Time = 0;  // last write, seconds since 1970 (UTC)
  TBackupTime LocalTime{};
  bool Shared = false;  // in the shared folder of older versions (and owned by this user)
};

// The backup files of this user, oldest first: the user's folder, and the files of the shared
// folder that this user owns.
std::vector<TBackupFile> ListBackups();
// The backups last written more than Days days ago.
std::vector<TBackupFile> OldBackups(int days = kBackupRecycleDays);

// The REGEDIT4 text of a backup file, or of a plain REGEDIT4 file such as the system registry
// editor writes. Raises EBackupError when the file is missing or damaged.
std::string LoadBackupText(const std::string& path);
// The text of a backup that may be merged: one this program wrote for this user (its mark), or
// a file of the shared folder this user owns. Raises EBackupError for any other file, and for a
// missing or damaged one.
std::string LoadMergeableBackup(const std::string& path);
// The keys a merge of the backup would write ("HKEY_CURRENT_USER\Software\x"); raises as
// LoadMergeableBackup does, and EBackupError for a damaged text.
std::vector<std::string> BackupKeys(const std::string& path);
// Restores a backup file (see RestoreRegText). Raises EBackupError, before anything is
// written, for a file that may not be merged (LoadMergeableBackup) or a damaged one.
TRestoreReport RestoreBackup(const std::string& path);

// The text with this user's mark added after its first line (what SaveBackup stores), and
// whether a text carries a mark that this user's key confirms.
std::string MarkBackupText(std::string_view text);
bool HasUserMark(std::string_view text);

// Moves the files into the Recycle Bin; the paths that are still there afterwards.
std::vector<std::string> RecycleFiles(const std::vector<std::string>& paths);

// Seconds since 1970 (UTC), now.
std::int64_t UnixTimeNow();

}  // namespace tw
