#include "platform/FileRemoval.h"

#include <windows.h>
#include <winternl.h>

#include <atomic>

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

namespace {

using TNtCreateFile = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                       PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using TNtStatusToError = ULONG(NTAPI*)(NTSTATUS);

template <typename T>
T NtdllFunction(const char* name) {
  return reinterpret_cast<T>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr ULONG kNonDirectoryFile = 0x00000040;  // FILE_NON_DIRECTORY_FILE
constexpr ULONG kDeleteOnClose = 0x00001000;     // FILE_DELETE_ON_CLOSE
constexpr ULONG kOpenExisting = 1;               // FILE_OPEN
constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS kIsAFolder = static_cast<NTSTATUS>(0xC00000BA);

// Opens Name relative to Folder; the status, with the handle in Handle on success.
NTSTATUS OpenRelative(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG options,
                      HANDLE& handle) {
  static const auto create = NtdllFunction<TNtCreateFile>("NtCreateFile");
  if (!create || name.empty() || name.size() > 0x7FFF) return static_cast<NTSTATUS>(0xC0000002);
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name.data());
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  OBJECT_ATTRIBUTES attributes{};
  attributes.Length = sizeof attributes;
  attributes.RootDirectory = folder;
  attributes.ObjectName = &text;
  attributes.Attributes = OBJ_CASE_INSENSITIVE;
  IO_STATUS_BLOCK io{};
  handle = nullptr;
  return create(&handle, access, &attributes, &io, nullptr, 0,
                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kOpenExisting,
                options | kOpenReparsePoint, nullptr, 0);
}

void SetErrorOf(NTSTATUS status) {
  static const auto toError = NtdllFunction<TNtStatusToError>("RtlNtStatusToDosError");
  ::SetLastError(toError ? toError(status) : ERROR_GEN_FAILURE);
}

std::atomic<int> linksShownOverride{-1};  // -1: the system's answer

}  // namespace

bool FileLinksShowAsLinks() {
  const int forced = linksShownOverride.load(std::memory_order_relaxed);
  if (forced >= 0) return forced != 0;
  static const bool wine = NtdllFunction<void*>("wine_get_version") != nullptr;
  return !wine;
}

void OverrideFileLinksShowAsLinks(std::optional<bool> shown) {
  linksShownOverride.store(shown ? (*shown ? 1 : 0) : -1, std::memory_order_relaxed);
}

unique_hfile OpenFolderOfEntries(const std::wstring& longPath) {
  return unique_hfile(::CreateFileW(longPath.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

TDeleteInFolder DeleteInFolder(HANDLE folder, std::wstring_view name) {
  HANDLE handle = nullptr;
  const NTSTATUS status =
      OpenRelative(folder, name, DELETE, kNonDirectoryFile | kDeleteOnClose, handle);
  if (status >= 0) {
    ::CloseHandle(handle);  // the entry goes with its only handle
    return TDeleteInFolder::Deleted;
  }
  if (status == kNameNotFound || status == kPathNotFound) return TDeleteInFolder::Gone;
  if (status == kIsAFolder) return TDeleteInFolder::Folder;
  return TDeleteInFolder::Refused;
}

unique_hfile OpenInFolder(HANDLE folder, std::wstring_view name, DWORD access) {
  HANDLE handle = nullptr;
  const NTSTATUS status = OpenRelative(folder, name, access, kNonDirectoryFile, handle);
  if (status < 0) {
    SetErrorOf(status);
    return unique_hfile();
  }
  return unique_hfile(handle);
}

}  // namespace tw
