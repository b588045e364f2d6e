#include "cleaners/browsers/BrowserWorkObject.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>

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
      if (IsHeld(error)) throw EDatabaseLocked(LockedDatabaseMessage(firstSql));
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

// Raises the locked message when another program has the file at Path open; false when the
// file is not there.
bool ProbeForClean(const std::string& path) {
  unique_hfile probe(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!probe) {
    const DWORD error = ::GetLastError();
    if (IsGone(error)) return false;
    if (IsHeld(error)) throw EDatabaseLocked(LockedDatabaseMessage("BEGIN EXCLUSIVE"));
  }
  return true;
}

// A database opened for a clean, inside an exclusive transaction, with the databases of the
// same folder that its rows' removal reaches attached; null when the file is gone. Raises the
// locked message when any other program has one of the files open.
std::unique_ptr<TSQLiteDatabase> OpenForClean(const std::string& path,
                                              std::span<const TAttachedFile> attached) {
  if (!ProbeForClean(path)) return nullptr;
  const std::string folder = path.substr(0, path.find_last_of('\\') + 1);
  std::vector<const TAttachedFile*> present;
  for (const TAttachedFile& file : attached)
    if (ProbeForClean(folder + file.File)) present.push_back(&file);
  auto database = std::make_unique<TSQLiteDatabase>(Utf8(path), TSQLiteOpen::ReadWrite);
  // Removed rows are overwritten, not merely unlinked; rows that refer to a removed one go with
  // it where the file says so.
  database->ExecuteScript("PRAGMA secure_delete = ON; PRAGMA foreign_keys = ON");
  for (const TAttachedFile* file : present) {
    const TSQLValue name = Utf8(folder + file->File);
    database->Execute("ATTACH DATABASE ?1 AS " + QuoteName(file->Schema), {&name, 1});
    database->ExecuteScript("PRAGMA " + QuoteName(file->Schema) + ".secure_delete = ON");
  }
  database->BeginTransaction();
  return database;
}

// The error of one database file, its message naming the file.
ErrorInfo FileError(const std::string& path, std::exception_ptr error) {
  ErrorInfo info = DescribeException(error);
  info.message = "\"" + path + "\": " + info.message;
  return info;
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
  std::optional<ErrorInfo> firstFailure;
  std::vector<ErrorInfo> failures;  // after the first
  for (const TBrowserProfile& profile : profiles) {
    if (oldFile) {
      bool found = false;
      if (!ScanNamedFile(profile.Dir + oldFile, found)) break;
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
        const ErrorInfo error = FileError(path, std::current_exception());
        LogFile().Write("[%s] %s: %s", ClassName(), error.className, error.message);
        if (firstError) {
          failures.push_back(error);
        } else {
          firstError = std::current_exception();
          firstFailure = error;
        }
      }
      if (Aborted) break;
    }
    if (Aborted) break;
  }
  if (!firstError) return;
  if (readable > 0) {
    // The readable databases' findings stand; each one that could not be read is an error.
    PartialErrors.push_back(*firstFailure);
    PartialErrors.insert(PartialErrors.end(), failures.begin(), failures.end());
    return;
  }
  for (int i = 0; i < Found.Count(); ++i) Found.Record(i).Checked = false;
  PartialErrors.insert(PartialErrors.end(), failures.begin(), failures.end());
  std::rethrow_exception(firstError);
}

void TBrowserWorkObject::CleanFound() {
  // The first error of each database file, in the order met; and how many files were opened.
  std::exception_ptr firstError;
  std::vector<ErrorInfo> failures;
  std::vector<std::string> failedFiles;
  std::vector<std::string> touchedFiles;
  auto note = [&](const std::string& file, std::exception_ptr error) {
    const ErrorInfo info = FileError(file, error);
    LogFile().Write("[%s] %s: %s", ClassName(), info.className, info.message);
    if (std::find(failedFiles.begin(), failedFiles.end(), file) != failedFiles.end()) return;
    failedFiles.push_back(file);
    if (!firstError) firstError = error;
    failures.push_back(info);
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
        note(open.file, std::current_exception());
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
        if (std::find(touchedFiles.begin(), touchedFiles.end(), open.file) == touchedFiles.end())
          touchedFiles.push_back(open.file);
        try {
          open.database = OpenForClean(open.file, row->Key.Source->Attached);
        } catch (const Exception&) {
          note(open.file, std::current_exception());
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
          note(open.file, std::current_exception());
          record.CleanSucceeded = false;
        }
      }
    } else if (!RemoveBrowserFile(Found.Text(i))) {
      record.CleanSucceeded = false;
    }
    ReportItem(Found.Text(i));
  }
  finish();
  if (!firstError) return;
  // Some database was cleaned: each one that failed is an error of its own. None was: the
  // first failure is the object's error, as in a scan.
  if (failedFiles.size() < touchedFiles.size()) {
    PartialErrors.insert(PartialErrors.end(), failures.begin(), failures.end());
    return;
  }
  PartialErrors.insert(PartialErrors.end(), failures.begin() + 1, failures.end());
  std::rethrow_exception(firstError);
}

}  // namespace tw
