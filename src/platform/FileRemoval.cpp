#include "platform/FileRemoval.h"

#include <windows.h>

#include "platform/Handles.h"
#include "platform/Text.h"

namespace tw {

namespace {

bool IsGone(DWORD error) { return IsGoneError(error); }

DWORD Attributes(const std::wstring& longPath) { return ::GetFileAttributesW(longPath.c_str()); }

void ClearReadOnly(const std::wstring& longPath, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesW(longPath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool DeleteFileScheduling(const std::string& path) {
  const std::wstring longPath = LongPathW(path);
  const DWORD attributes = Attributes(longPath);
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsGone(::GetLastError());
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return DeleteLinkEntry(path);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  ClearReadOnly(longPath, attributes);
  if (::DeleteFileW(longPath.c_str())) return true;
  const DWORD error = ::GetLastError();
  if (IsGone(error)) return true;
  // Locked: the system removes it at the next restart. Any other failure (access denied...)
  // stays a failure; a restart would not cure it.
  ScheduleIfLocked(longPath, error);
  if (attributes & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(longPath.c_str(), attributes);
  ::SetLastError(error);
  return false;
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  std::wstring wa = Utf8ToWide(a), wb = Utf8ToWide(b);
  return ::CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::wstring LongPathW(const std::string& path) {
  std::wstring wide = Utf8ToWide(path);
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  const bool unc = wide.rfind(L"\\\\", 0) == 0;
  const bool drive = wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\';
  if (!unc && !drive) return wide;
  // The "\\?\" form takes the path literally: resolve "." and ".." steps and "/" first.
  DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n) {
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    full.resize(n);
    if (n) wide = std::move(full);
  }
  return unc ? L"\\\\?\\UNC\\" + wide.substr(2) : L"\\\\?\\" + wide;
}

bool IsFolderPath(const std::string& path) {
  DWORD attributes = Attributes(LongPathW(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsInsideWithoutLinks(const std::string& root, const std::string& path) {
  if (root.empty() || root.back() != '\\' || path.size() <= root.size() ||
      !SameTextIgnoreCase(std::string_view(path).substr(0, root.size()), root))
    return false;
  const std::string rest = "\\" + path.substr(root.size()) + "\\";
  if (rest.find("\\..\\") != std::string::npos || rest.find("\\.\\") != std::string::npos ||
      rest.find('/') != std::string::npos)
    return false;
  for (std::size_t slash = path.find('\\', root.size()); slash != std::string::npos;
       slash = path.find('\\', slash + 1)) {
    DWORD attributes = Attributes(LongPathW(path.substr(0, slash)));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return false;
  }
  return true;
}

bool DeleteFileEntry(const std::string& path) { return DeleteFileScheduling(path); }

bool DeleteEmptyFolder(const std::string& path) {
  const std::wstring longPath = LongPathW(path);
  const DWORD attributes = Attributes(longPath);
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsGone(::GetLastError());
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return DeleteLinkEntry(path);
  ClearReadOnly(longPath, attributes);
  if (::RemoveDirectoryW(longPath.c_str())) return true;
  const DWORD error = ::GetLastError();
  if (IsGone(error)) return true;
  ScheduleIfLocked(longPath, error);
  ::SetLastError(error);
  return false;
}

bool DeleteLinkEntry(const std::string& path) { return RemoveLinkItself(LongPathW(path)); }

bool IsGoneError(unsigned long error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsLockedError(unsigned long error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool ScheduleIfLocked(const std::wstring& longPath, unsigned long error) {
  return IsLockedError(error) &&
         ::MoveFileExW(longPath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool ScheduleAtRestart(const std::wstring& longPath) {
  return ::MoveFileExW(longPath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool RemoveLinkItself(const std::wstring& longPath) {
  // Deleted through a handle of the link itself, and only when that handle proves to be the
  // link: where the system opens the target instead (Wine does), removing "the
  // folder" would remove what the link points to.
  unique_hfile link(::CreateFileW(longPath.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr));
  if (!link) return IsGoneError(::GetLastError());
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(link.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
      !(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || tag.ReparseTag == 0)
    return false;
  FILE_DISPOSITION_INFO dispose{TRUE};
  if (!::SetFileInformationByHandle(link.get(), FileDispositionInfo, &dispose, sizeof dispose))
    return false;
  link.reset();
  // Wine may report a removal that the host file system then refuses.
  return ::GetFileAttributesW(longPath.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace tw
