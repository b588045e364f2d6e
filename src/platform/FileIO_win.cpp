#include <windows.h>

#include <atomic>
#include <string>

#include "platform/Handles.h"
#include "platform/Text.h"
#include "support/Exceptions.h"
#include "support/FileIO.h"

namespace tw {

bool FileExists(const std::string& fileName) {
  DWORD attr = ::GetFileAttributesA(fileName.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadWholeFile(const std::string& fileName) {
  unique_hfile file(::CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(::GetLastError()));
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) RaiseLastOSError();
  std::string data(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
    DWORD read = 0;
    if (!::ReadFile(file.get(), data.data() + done, chunk, &read, nullptr))
      throw EInOutError("Cannot read file \"" + fileName + "\". " + SysErrorMessage(::GetLastError()));
    if (read == 0) break;
    done += read;
  }
  data.resize(done);
  return data;
}

namespace {

// Writes Data into the new file Temp and flushes it; on failure Temp is gone and the error raised.
void WriteTempFile(const std::string& temp, std::string_view data) {
  unique_hfile file(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    throw EFCreateError("Cannot create file \"" + temp + "\". " +
                        SysErrorMessage(::GetLastError()));
  size_t done = 0;
  bool ok = true;
  while (ok && done < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
    DWORD written = 0;
    ok = ::WriteFile(file.get(), data.data() + done, chunk, &written, nullptr) && written > 0;
    done += written;
  }
  ok = ok && ::FlushFileBuffers(file.get());
  if (!ok) {
    DWORD err = ::GetLastError();
    file.reset();
    ::DeleteFileA(temp.c_str());
    throw EInOutError("Cannot write file \"" + temp + "\". " + SysErrorMessage(err));
  }
}

}  // namespace

void WriteFileAtomic(const std::string& fileName, std::string_view data) {
  const std::string temp = fileName + ".tmp~";
  WriteTempFile(temp, data);
  CommitTempFile(temp, fileName);
}

bool WriteNewFileAtomic(const std::string& fileName, std::string_view data) {
  static std::atomic<unsigned> counter{0};
  const std::string temp = fileName + "." + std::to_string(::GetCurrentProcessId()) + "-" +
                           std::to_string(++counter) + ".tmp~";
  WriteTempFile(temp, data);
  if (::MoveFileExA(temp.c_str(), fileName.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  const DWORD err = ::GetLastError();
  ::DeleteFileA(temp.c_str());
  if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS) return false;
  throw EInOutError("Cannot create file \"" + fileName + "\". " + SysErrorMessage(err));
}

void CommitTempFile(const std::string& temp, const std::string& fileName) {
  if (!::MoveFileExA(temp.c_str(), fileName.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD err = ::GetLastError();
    ::DeleteFileA(temp.c_str());
    throw EInOutError("Cannot replace file \"" + fileName + "\". " + SysErrorMessage(err));
  }
}

}  // namespace tw
