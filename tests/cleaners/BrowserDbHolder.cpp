// Holds a SQLite database the way a running browser does: exclusive locking mode, its lock taken
// and kept, the file open. Used by the browser cleaner tests as "the browser".
//   browser_db_holder DATABASE READY-FILE STOP-FILE
// Creates READY-FILE once the lock is held; lets go when STOP-FILE appears (or after a minute).
#include <windows.h>

#include <sqlite3.h>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 3;
  if (sqlite3_exec(db, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr,
                   nullptr, nullptr) != SQLITE_OK)
    return 4;
  HANDLE ready = ::CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 5;
  ::CloseHandle(ready);
  for (int i = 0; i < 600 && ::GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES; ++i)
    ::Sleep(100);
  sqlite3_close(db);
  return 0;
}
