#include "registry/BackupFiles.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "database/FileProtect.h"
#include "platform/Handles.h"
#include "platform/ShellFolders.h"
#include "registry/ExRegistry.h"
#include "support/FileIO.h"
#include "support/Format.h"

namespace tw {

namespace {

constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL;

std::int64_t UnixTime(const FILETIME& time) {
  const std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (ticks - kUnixEpochIn100ns) / 10000000;
}

TBackupTime FromSystemTime(const SYSTEMTIME& t) {
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string BackupFolder() {
  const std::string folder = TidewhiskDataFolder() + "Backup\\";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string SaveBackup(const std::string& itemId, std::string_view text) {
  if (!IsItemId(itemId)) throw EBackupError(Format("Item id \"%s\" cannot name a backup", itemId));
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  const std::string folder = BackupFolder();
  for (int number = 1; number < 100000; ++number) {
    const std::string path = folder + BackupFileName(itemId, FromSystemTime(now), number);
    if (TFileProtect::SaveNewFile(path, text)) return path;
  }
  throw EBackupError("No free backup file name in " + folder);
}

std::vector<TBackupFile> ListBackups() {
  const std::string folder = BackupFolder();
  std::vector<TBackupFile> files;
  WIN32_FIND_DATAA entry;
  unique_hfind find(::FindFirstFileA((folder + "*" + kBackupExtension).c_str(), &entry));
  if (!find) return files;
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    TBackupFile file;
    file.Name = entry.cFileName;
    // The pattern also matches longer extensions that begin with ".bkp".
    if (file.Name.size() < 4 || file.Name.compare(file.Name.size() - 4, 4, kBackupExtension) != 0)
      continue;
    file.Path = folder + file.Name;
    const TBackupNameParts parts = SplitBackupFileName(file.Name);
    file.ItemId = parts.ItemId;
    file.Caption = parts.Caption;
    file.Size = static_cast<std::int64_t>((static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) |
                                          entry.nFileSizeLow);
    file.Time = UnixTime(entry.ftLastWriteTime);
    FILETIME local;
    SYSTEMTIME system{};
    ::FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local);
    ::FileTimeToSystemTime(&local, &system);
    file.LocalTime = FromSystemTime(system);
    files.push_back(std::move(file));
  } while (::FindNextFileA(find.get(), &entry));
  std::sort(files.begin(), files.end(), [](const TBackupFile& a, const TBackupFile& b) {
    return a.Time != b.Time ? a.Time < b.Time : a.Name < b.Name;
  });
  return files;
}

std::vector<TBackupFile> OldBackups(int days) {
  const std::int64_t now = UnixTimeNow();
  std::vector<TBackupFile> old;
  for (TBackupFile& file : ListBackups())
    if (IsOldBackup(file.Time, now, days)) old.push_back(std::move(file));
  return old;
}

std::string LoadBackupText(const std::string& path) {
  if (!FileExists(path)) throw EBackupError(Format("Backup file \"%s\" not found", path));
  const std::string content = ReadWholeFile(path);
  if (StartsWith(content, "<DATA")) {
    try {
      return TFileProtect::LoadFile(path);
    } catch (const Exception& e) {
      throw EBackupError(Format("Damaged backup \"%s\": %s", path, e.Message()));
    }
  }
  // A plain REGEDIT4 text, as the system's registry editor writes it.
  if (StartsWith(content, "REGEDIT4") || StartsWith(content, "\xEF\xBB\xBFREGEDIT4"))
    return content;
  throw EBackupError(Format("\"%s\" is not a registry backup", path));
}

TRestoreReport RestoreBackup(const std::string& path) {
  const std::string text = LoadBackupText(path);
  try {
    return RestoreRegText(text);
  } catch (const ERegTextError& e) {
    throw EBackupError(Format("Damaged backup \"%s\": %s", path, e.Message()));
  }
}

std::vector<std::string> RecycleFiles(const std::vector<std::string>& paths) {
  if (paths.empty()) return {};
  std::wstring list;
  for (const std::string& path : paths) {
    list += WideFromUtf8(path);
    list += L'\0';
  }
  list += L'\0';
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = list.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  ::SHFileOperationW(&operation);
  std::vector<std::string> left;
  for (const std::string& path : paths)
    if (FileExists(path)) left.push_back(path);
  return left;
}

std::int64_t UnixTimeNow() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return UnixTime(now);
}

}  // namespace tw
