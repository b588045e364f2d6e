#include "cleaners/browsers/BrowserWorkObject.h"

#include <windows.h>

#include <cstring>

#include "cleaners/browsers/portable/BrowserPlaces.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "support/LogFile.h"

namespace tw {

namespace {

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }
bool IsHeld(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// SQLite takes UTF-8 file names.
std::string Utf8(const std::string& text) { return WideToUtf8(Widen(text)); }

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

// A database opened for a scan. Reading never changes the file and never creates one: a
// database in write-ahead-log mode whose log is absent (nothing has it open) is read as
// unchanging, and a shared-memory index that SQLite has to create to read a present log is
// removed again once the connection is closed, unless another program has opened it meanwhile.
class TScanConnection {
 public:
  // Null Database: the file is not there. FirstSql names the statement in a locked message.
  TScanConnection(const std::string& path, const std::string& firstSql) {
    unique_hfile file(::CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    bool wal = false;
    if (!file) {
      const DWORD error = ::GetLastError();
      if (IsGone(error)) return;
      if (IsHeld(error)) throw ESQLiteException(LockedDatabaseMessage(firstSql));
    } else {
      char header[20] = {};
      DWORD read = 0;
      if (::ReadFile(file.get(), header, sizeof header, &read, nullptr) && read == sizeof header &&
          std::memcmp(header, "SQLite format 3", 16) == 0)
        wal = header[18] == 2 || header[19] == 2;
      file.reset();
    }
    TSQLiteOpen mode = TSQLiteOpen::ReadOnly;
    if (wal && !Exists(path + "-wal")) mode = TSQLiteOpen::Unchanging;
    else if (wal && !Exists(path + "-shm")) shm_ = path + "-shm";
    Database = std::make_unique<TSQLiteDatabase>(Utf8(path), mode);
  }
  ~TScanConnection() {
    Database.reset();
    if (!shm_.empty()) ::DeleteFileA(shm_.c_str());  // fails while anyone has it open
  }
  TScanConnection(const TScanConnection&) = delete;
  TScanConnection& operator=(const TScanConnection&) = delete;

  std::unique_ptr<TSQLiteDatabase> Database;

 private:
  std::string shm_;
};

// A database opened for a clean, inside an exclusive transaction; null when the file is gone.
// Raises the locked message when any other program has the file open.
std::unique_ptr<TSQLiteDatabase> OpenForClean(const std::string& path) {
  constexpr const char* kBegin = "BEGIN EXCLUSIVE";
  unique_hfile probe(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!probe) {
    const DWORD error = ::GetLastError();
    if (IsGone(error)) return nullptr;
    if (IsHeld(error)) throw ESQLiteException(LockedDatabaseMessage(kBegin));
  }
  probe.reset();
  auto database = std::make_unique<TSQLiteDatabase>(Utf8(path), TSQLiteOpen::ReadWrite);
  // Removed rows are overwritten, not merely unlinked.
  database->ExecuteScript("PRAGMA secure_delete = ON");
  database->BeginTransaction();
  return database;
}

}  // namespace

std::string LockedDatabaseMessage(const std::string& sql) {
  return SQLiteErrorMessage("Error executing SQL", 5, sql, "database is locked");
}

bool RemoveBrowserFile(const std::string& path) {
  if (IsProtectedBrowserFile(FileName(path))) return false;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsGone(::GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (::DeleteFileA(path.c_str())) return true;
  const DWORD error = ::GetLastError();
  if (IsGone(error)) return true;
  ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return false;
}

TBrowserWorkObject::TBrowserWorkObject(HWND handle, TWorkDoneEvent onWorkDone,
                                       TWorkItemEvent onItem, TXmlNode itemNode)
    : TWorkObject(handle, std::move(onWorkDone), std::move(onItem), std::move(itemNode)),
      Locations(BrowserLocations()) {}

TFindingPlace TBrowserWorkObject::FindingPlace(const std::string& text, const TChecked& record) const {
  if (dynamic_cast<const TRowChecked*>(&record)) return {};
  return {TFindingPlace::TKind::Path, text, false};
}

bool TBrowserWorkObject::ScanNamedFile(const std::string& path, bool& found) {
  found = false;
  WIN32_FIND_DATAA entry;
  unique_hfind find(::FindFirstFileA(path.c_str(), &entry));
  if (!find || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      IsProtectedBrowserFile(entry.cFileName))
    return true;
  found = true;
  if (Aborted) return false;
  AddFinding(path, std::make_unique<TFileChecked>(entry));
  return !Aborted;
}

bool TBrowserWorkObject::ScanFolderFiles(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  unique_hfind find(::FindFirstFileA((folder + "*.*").c_str(), &entry));
  if (!find) return !Aborted;
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (Aborted) return false;
    if (IsProtectedBrowserFile(entry.cFileName)) continue;
    AddFinding(folder + entry.cFileName, std::make_unique<TFileChecked>(entry));
  } while (::FindNextFileA(find.get(), &entry));
  return !Aborted;
}

void TBrowserWorkObject::ScanProfiles(const std::vector<TBrowserProfile>& profiles,
                                      const char* oldFile, std::span<const TRowSource> sources) {
  const bool several = profiles.size() > 1;
  int readable = 0;
  std::exception_ptr firstError;
  for (const TBrowserProfile& profile : profiles) {
    if (oldFile) {
      bool found = false;
      if (!ScanNamedFile(profile.Dir + oldFile, found)) return;
    }
    const std::string prefix = several ? profile.Label + ": " : std::string();
    for (const TRowSource& source : sources) {
      const std::string path = profile.Dir + source.File;
      try {
        TScanConnection connection(
            path, "SELECT name FROM pragma_table_info(" + QuoteName(source.Table) + ")");
        if (!connection.Database) continue;
        ListRows(
            *connection.Database, source,
            [&](std::string&& text, TRowKey&& key) {
              if (Aborted) return false;
              AddFinding(prefix.empty() ? std::move(text) : prefix + text,
                         std::make_unique<TRowChecked>(std::move(key)));
              return true;
            },
            path);
        ++readable;
      } catch (const Exception&) {
        const ErrorInfo error = DescribeException(std::current_exception());
        LogFile().Write("[%s] %s: %s", ClassName(), error.className, error.message);
        if (!firstError) firstError = std::current_exception();
      }
      if (Aborted) return;
    }
  }
  if (firstError && readable == 0) {
    for (int i = 0; i < Found.Count(); ++i) Found.Record(i).Checked = false;
    std::rethrow_exception(firstError);
  }
}

void TBrowserWorkObject::CleanFound() {
  std::exception_ptr firstError;
  auto note = [&](std::exception_ptr error) {
    const ErrorInfo info = DescribeException(error);
    LogFile().Write("[%s] %s: %s", ClassName(), info.className, info.message);
    if (!firstError) firstError = error;
  };

  // The database of the rows being removed: opened at its first ticked row, committed when the
  // walk moves on to another database or ends.
  struct TOpen {
    std::string file;
    std::unique_ptr<TSQLiteDatabase> database;
    bool failed = false;
    std::vector<int> removed;
  } open;
  auto finish = [&]() {
    if (open.database) {
      try {
        open.database->Commit();
      } catch (const Exception&) {
        note(std::current_exception());
        for (int i : open.removed) Found.Record(i).CleanSucceeded = false;
      }
    }
    open = TOpen();
  };

  for (int i = Found.Count() - 1; i >= 0; --i) {
    if (Aborted) break;
    TChecked& record = Found.Record(i);
    if (!record.Checked) continue;
    if (auto* row = dynamic_cast<TRowChecked*>(&record)) {
      if (row->Database() != open.file) {
        finish();
        open.file = row->Database();
        try {
          open.database = OpenForClean(open.file);
        } catch (const Exception&) {
          note(std::current_exception());
          open.failed = true;
        }
      }
      if (open.failed) {
        record.CleanSucceeded = false;
      } else if (open.database) {  // no database: the file is gone, and its rows with it
        try {
          if (RemoveRow(*open.database, row->Key)) open.removed.push_back(i);
          else record.CleanSucceeded = false;
        } catch (const Exception&) {
          note(std::current_exception());
          record.CleanSucceeded = false;
        }
      }
    } else if (!RemoveBrowserFile(Found.Text(i))) {
      record.CleanSucceeded = false;
    }
    ReportItem(Found.Text(i));
  }
  finish();
  if (firstError) std::rethrow_exception(firstError);
}

}  // namespace tw
