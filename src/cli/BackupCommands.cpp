// twcli backup list|show|restore|recycle: the registry backup files.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "registry/BackupFiles.h"
#include "support/Format.h"

namespace tw {
namespace {

constexpr const char* kBackupUsage =
    "backup list [--json] | backup show FILE | backup restore FILE... [--dry-run] [--json] | "
    "backup recycle [--days N] [--json]";

// A path as given (relative to the current folder), or a bare file name of the backup folder.
std::string BackupPath(const std::string& given) {
  char full[MAX_PATH * 4];
  const DWORD n = ::GetFullPathNameA(given.c_str(), sizeof full, full, nullptr);
  const std::string path = n && n < sizeof full ? std::string(full, n) : given;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES && given.find_first_of("\\/:") == std::string::npos)
    return BackupFolder() + given;
  return path;
}

std::string JsonOrNull(const std::string& text) { return text.empty() ? "null" : JsonString(text); }

int ListBackupsCommand(const CliArgs& args) {
  if (args.positional.size() != 1) throw UsageError(kBackupUsage);
  const std::int64_t now = UnixTimeNow();
  std::string out;
  if (args.Flag("--json")) {
    out += "[";
    bool first = true;
    for (const TBackupFile& file : ListBackups()) {
      out += Format(
          "%s{\"file\":%s,\"item\":%s,\"caption\":%s,\"time\":%s,\"size\":%d,\"old\":%s,"
          "\"shared\":%s}",
          first ? "" : ",", JsonString(file.Path), JsonString(file.ItemId), JsonString(file.Caption),
          JsonString(BackupTimeText(file.LocalTime)), file.Size,
          IsOldBackup(file.Time, now) ? "true" : "false", file.Shared ? "true" : "false");
      first = false;
    }
    out += "]\n";
  } else {
    // The user's folder; files of the shared folder of older versions (this user's) are marked.
    out += Format("Backup folder: %s\n", BackupFolder());
    for (const TBackupFile& file : ListBackups())
      out += Format("%s  %s  %s  %s  %d%s%s\n", file.Name, file.ItemId.empty() ? "-" : file.ItemId,
                    file.Caption, BackupTimeText(file.LocalTime), file.Size,
                    IsOldBackup(file.Time, now) ? "  old" : "",
                    file.Shared ? "  (shared folder: " + SharedBackupFolder() + ")" : std::string());
  }
  std::fputs(out.c_str(), stdout);
  return kExitOk;
}

int ShowBackupCommand(const CliArgs& args) {
  if (args.positional.size() != 2 || args.Flag("--json")) throw UsageError(kBackupUsage);
  const std::string text = LoadBackupText(BackupPath(args.positional[1]));
  // The text byte for byte: no line-ending translation on the way out.
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return kExitOk;
}

// Restores the files in order; --dry-run only shows what each would write. Every file's keys are
// shown before anything of it is written; a file that may not be merged (not this user's,
// damaged) writes nothing and makes the exit status 1.
int RestoreBackupsCommand(const CliArgs& args) {
  if (args.positional.size() < 2) throw UsageError(kBackupUsage);
  const bool json = args.Flag("--json");
  const bool dryRun = args.Flag("--dry-run");
  int restored = 0, failed = 0;
  bool allWhole = true;
  std::string out = json ? Format("{\"dryRun\":%s,\"files\":[", dryRun ? "true" : "false") : "";
  for (std::size_t i = 1; i < args.positional.size(); ++i) {
    const std::string path = BackupPath(args.positional[i]);
    TRestoreReport report;
    std::vector<std::string> keys;
    std::string error;
    try {
      keys = BackupKeys(path);
      if (!json) {
        out += Format("%s: %s\n", path, dryRun ? "would write into" : "writes into");
        for (const std::string& key : keys) out += Format("  [%s]\n", key);
        // Shown before it is written.
        std::fputs(out.c_str(), stdout);
        std::fflush(stdout);
        out.clear();
      }
      if (!dryRun) report = RestoreBackup(path);
    } catch (const Exception& e) {
      error = e.Message();
      allWhole = false;
    }
    restored += report.Restored;
    failed += report.Failed;
    if (json) {
      std::string keyList;
      for (const std::string& key : keys) keyList += (keyList.empty() ? "" : ",") + JsonString(key);
      out += Format("%s{\"file\":%s,\"error\":%s,\"keys\":[%s],\"restored\":%d,\"failed\":%d,"
                    "\"entries\":[",
                    i > 1 ? "," : "", JsonString(path), JsonOrNull(error), keyList,
                    report.Restored, report.Failed);
      bool first = true;
      for (const TRestoreEntry& entry : report.Entries) {
        out += Format("%s{\"key\":%s,\"value\":%s,\"isKey\":%s,\"restored\":%s,\"error\":%s}",
                      first ? "" : ",", JsonString(entry.Key),
                      entry.IsKey ? std::string("null") : JsonString(entry.Value),
                      entry.IsKey ? "true" : "false", entry.Restored ? "true" : "false",
                      JsonOrNull(entry.Error));
        first = false;
      }
      out += "]}";
    } else if (!error.empty()) {
      out += Format("%s: %s; nothing restored\n", path, error);
    } else if (!dryRun) {
      out += Format("%s: %d restored, %d not restored\n", path, report.Restored, report.Failed);
      for (const TRestoreEntry& entry : report.Entries) {
        if (entry.Restored) continue;
        out += Format(
            "  not restored: [%s] %s: %s\n", entry.Key,
            entry.IsKey ? std::string() : (entry.Value.empty() ? std::string("@") : entry.Value),
            entry.Error);
      }
    }
  }
  if (json) out += Format("],\"restored\":%d,\"failed\":%d}\n", restored, failed);
  std::fputs(out.c_str(), stdout);
  return allWhole && failed == 0 ? kExitOk : kExitFailed;
}

int RecycleBackupsCommand(const CliArgs& args) {
  if (args.positional.size() != 1) throw UsageError(kBackupUsage);
  int days = kBackupRecycleDays;
  if (const std::string* text = args.Option("--days")) {
    char* end = nullptr;
    const long n = std::strtol(text->c_str(), &end, 10);
    if (text->empty() || *end != '\0' || n < 0 || n > 100000)
      throw UsageError("--days takes a number of days from 0");
    days = static_cast<int>(n);
  }
  std::vector<std::string> paths;
  for (const TBackupFile& file : OldBackups(days)) paths.push_back(file.Path);
  const std::vector<std::string> left = RecycleFiles(paths);
  std::string out;
  if (args.Flag("--json")) {
    out += Format("{\"days\":%d,\"recycled\":[", days);
    bool first = true;
    for (const std::string& path : paths) {
      if (std::find(left.begin(), left.end(), path) != left.end()) continue;
      out += (first ? "" : ",") + JsonString(path);
      first = false;
    }
    out += "],\"failed\":[";
    first = true;
    for (const std::string& path : left) {
      out += (first ? "" : ",") + JsonString(path);
      first = false;
    }
    out += "]}\n";
  } else {
    out += Format("Backups older than %d days moved to the Recycle Bin: %d\n", days,
                  static_cast<long long>(paths.size() - left.size()));
    for (const std::string& path : left) out += Format("  could not be recycled: %s\n", path);
  }
  std::fputs(out.c_str(), stdout);
  return left.empty() ? kExitOk : kExitFailed;
}

}  // namespace

int RunBackupCommand(const std::vector<std::string>& rawArgs) {
  CliArgs args = ParseArgs(rawArgs, {"--days"}, {"--json", "--dry-run"});
  if (args.positional.empty()) throw UsageError(kBackupUsage);
  const std::string& verb = args.positional[0];
  if (verb != "recycle" && args.Option("--days")) throw UsageError("--days belongs to recycle");
  if (verb != "restore" && args.Flag("--dry-run")) throw UsageError("--dry-run belongs to restore");
  if (verb == "list") return ListBackupsCommand(args);
  if (verb == "show") return ShowBackupCommand(args);
  if (verb == "restore") return RestoreBackupsCommand(args);
  if (verb == "recycle") return RecycleBackupsCommand(args);
  throw UsageError("unknown backup command " + verb);
}

}  // namespace tw
