#include "cleaners/system/DeleteFileObject.h"

#include "cleaners/system/MachinePlaces.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cleaners/portable/FileAttrMask.h"
#include "engine/Utility.h"
#include "platform/FileRemoval.h"
#include "platform/Handles.h"
#include "settings/CustomGroup.h"
#include "support/Format.h"

namespace tw {

namespace {

// ---- Text at the edges: UTF-8 towards the program, UTF-16 towards the system.

// Appends UTF-8 Text as UTF-16. Text that is not UTF-8 came from an ANSI call of a system
// without the UTF-8 code page and is read in that code page.
void AppendWide(std::wstring& out, std::string_view text) {
  if (text.empty()) return;
  const int size = static_cast<int>(text.size());
  const std::size_t at = out.size();
  out.resize(at + text.size());  // never more UTF-16 units than bytes
  int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, out.data() + at,
                                size);
  if (n == 0) n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, out.data() + at, size);
  out.resize(at + static_cast<std::size_t>(n));
}

std::wstring Wide(std::string_view text) {
  std::wstring out;
  AppendWide(out, text);
  return out;
}

// Appends UTF-16 Text as UTF-8; false (and nothing appended) when it holds an unpaired
// surrogate, which no UTF-8 text can name.
bool AppendUtf8(std::string& out, std::wstring_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  if (text.empty()) return true;
  const std::size_t at = out.size();
  out.resize(at + text.size() * 3);
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      out.data() + at, static_cast<int>(text.size() * 3), nullptr,
                                      nullptr);
  out.resize(at + static_cast<std::size_t>(n));
  return true;
}

std::string Utf8(std::wstring_view text) {
  std::string out;
  AppendUtf8(out, text);
  return out;
}

bool SameTextIgnoreCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool IsGone(DWORD error) { return IsGoneError(error); }

bool IsLocked(DWORD error) { return IsLockedError(error); }

// ---- Paths

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

// The "\\?\" form of a full path: "C:\x" gives "\\?\C:\x", "\\server\share\x" gives
// "\\?\UNC\server\share\x". Such a path is taken as it is, so it must be full and normal.
std::wstring LongPath(std::wstring wide) {
  if (wide.starts_with(kLongPrefix)) return wide;
  if (wide.starts_with(L"\\\\.\\")) return std::wstring(kLongPrefix) + wide.substr(4);
  if (wide.starts_with(L"\\\\")) return std::wstring(kLongUncPrefix) + wide.substr(2);
  return std::wstring(kLongPrefix) + wide;
}

std::wstring LongPath(std::string_view fullPath) { return LongPath(Wide(fullPath)); }

// A path in its usual form: without "\\?\" where a drive letter or a share follows it.
std::wstring NormalPath(std::wstring path) {
  if (path.starts_with(kLongUncPrefix)) return L"\\" + path.substr(kLongUncPrefix.size() - 1);
  if (path.starts_with(kLongPrefix) && path.size() >= 6 && path[5] == L':')
    return path.substr(kLongPrefix.size());
  return path;
}

// Full path of Path (relative parts, "." and ".." and "/" resolved), in its usual form.
std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return {};
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
    if (n == 0) return path;
    if (n < out.size()) {
      out.resize(n);
      return NormalPath(std::move(out));
    }
    out.resize(n);
  }
}

// The path the system resolves a "\\?\" path to (links followed, long names), in its usual
// form; empty when it cannot be opened or asked, and then Error tells why.
std::wstring FinalPath(const std::wstring& longPath, DWORD& error) {
  unique_hfile handle(::CreateFileW(longPath.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) {
    error = ::GetLastError();
    return {};
  }
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetFinalPathNameByHandleW(handle.get(), out.data(), static_cast<DWORD>(out.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) {
      error = ::GetLastError();
      return {};
    }
    if (n < out.size()) {
      out.resize(n);
      return NormalPath(std::move(out));
    }
    out.resize(n);
  }
}

std::wstring WithBackslash(std::wstring path) {
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path;
}

std::wstring WithoutBackslash(std::wstring path) {
  while (path.size() > 1 && path.back() == L'\\') path.pop_back();
  return path;
}

// True for "C:", "\\server\share" and "\\?\Volume{...}" (written without a trailing "\").
bool IsDriveRoot(std::wstring_view path) {
  if (path.size() == 2 && path[1] == L':') return true;
  if (path.starts_with(kLongPrefix)) return path.find(L'\\', kLongPrefix.size()) == path.npos;
  if (!path.starts_with(L"\\\\")) return false;
  const std::size_t share = path.find(L'\\', 2);
  return share != path.npos && share > 2 && share + 1 < path.size() &&
         path.find(L'\\', share + 1) == path.npos;
}

// A folder written for comparison with another: full, in long names, without a trailing "\".
std::wstring ComparableFolder(const std::wstring& path) {
  if (path.empty()) return {};
  std::wstring full = FullPath(path);
  const std::wstring longForm = LongPath(full);
  std::wstring longNames(longForm.size() + MAX_PATH, L'\0');
  DWORD n = ::GetLongPathNameW(longForm.c_str(), longNames.data(),
                               static_cast<DWORD>(longNames.size()));
  if (n > longNames.size()) {
    longNames.resize(n);
    n = ::GetLongPathNameW(longForm.c_str(), longNames.data(), n);
  }
  if (n != 0 && n < longNames.size()) {
    longNames.resize(n);
    full = NormalPath(std::move(longNames));
  }
  return WithoutBackslash(std::move(full));
}

std::wstring EnvironmentValue(const wchar_t* name) {
  std::wstring value(256, L'\0');
  for (;;) {
    DWORD n = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) return {};
    if (n < value.size()) {
      value.resize(n);
      return value;
    }
    value.resize(n);
  }
}

std::wstring ShellFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  if (::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) return {};
  return buffer;
}

// The folder that holds every user's profile, as the system records it.
std::wstring ProfilesFolder() {
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                      KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return {};
  wchar_t value[MAX_PATH] = {};
  DWORD type = 0, size = sizeof value - sizeof(wchar_t);
  if (::RegQueryValueExW(key.get(), L"ProfilesDirectory", nullptr, &type,
                         reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  wchar_t expanded[MAX_PATH] = {};
  DWORD n = ::ExpandEnvironmentStringsW(value, expanded, MAX_PATH);
  return n == 0 || n > MAX_PATH ? std::wstring() : std::wstring(expanded);
}

// The folders a temporary folder must never be: the Windows folder, the program files
// folders, the user's profile and the profiles root, the Desktop and Documents.
std::vector<std::wstring> RefusedTempFolders() {
  std::vector<std::wstring> folders;
  for (const wchar_t* name : {L"WinDir", L"SystemRoot", L"ProgramFiles", L"ProgramFiles(x86)",
                              L"ProgramW6432", L"USERPROFILE"})
    folders.push_back(EnvironmentValue(name));
  for (int csidl : {CSIDL_WINDOWS, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROFILE,
                    CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL,
                    CSIDL_COMMON_DOCUMENTS})
    folders.push_back(ShellFolder(csidl));
  wchar_t windows[MAX_PATH] = {};
  UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
  if (n > 0 && n < MAX_PATH) folders.emplace_back(windows);
  folders.push_back(ProfilesFolder());
  for (const std::wstring& profile : {EnvironmentValue(L"USERPROFILE"), ShellFolder(CSIDL_PROFILE)}) {
    const std::wstring folder = WithoutBackslash(profile);
    const std::size_t slash = folder.rfind(L'\\');
    if (slash != std::wstring::npos && slash > 2) folders.push_back(folder.substr(0, slash));
  }
  std::vector<std::wstring> out;
  for (const std::wstring& folder : folders) {
    if (!folder.empty()) out.push_back(ComparableFolder(folder));
  }
  return out;
}

// ---- The walk

// FindFirstFileEx with the large-fetch hint where the system knows it (Windows 7 on).
HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry) {
  static std::atomic<bool> largeFetch{true};
  if (largeFetch) {
    HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &entry,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_INVALID_PARAMETER) return find;
    largeFetch = false;
  }
  return ::FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &entry, FindExSearchNameMatch,
                            nullptr, 0);
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

std::int64_t EntrySize(const WIN32_FIND_DATAW& entry) {
  return static_cast<std::int64_t>((std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow);
}

// The scan keeps the attributes of each entry, which tell the clean that a read-only bit is in
// the way before it tries.
bool SeenReadOnly(const TChecked& record) {
  const auto* entry = dynamic_cast<const TEntryChecked*>(&record);
  return entry && (entry->Attributes & FILE_ATTRIBUTE_READONLY);
}

bool IsExistingFolder(const std::wstring& fullPath) {
  DWORD attributes = ::GetFileAttributesW(LongPath(fullPath).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ---- The removal

// Removes the findings of one clean inside one root folder, never through a junction or
// symbolic link: a link put in place after the scan must not lead the clean elsewhere.
//
// Every folder that holds findings is checked once (it lies inside the root, and neither it nor
// a folder between the root and it is a link), with the result kept for its other entries. A
// file is then opened once, as itself: the same handle proves that it resolves to where it was
// listed (a host file system's link seen through Wine may not say it is one) and
// deletes it. Whether the removed files of a folder are really gone is looked up once for the
// folder.
class TFileRemover {
 public:
  enum class TOutcome { Removed, NotRemoved, Folder, Queued };

  // StillThere hears of a file whose removal the system reported but that is still there.
  using TStillThere = std::function<void(int tag)>;

  TFileRemover(const std::string& root, TStillThere stillThere)
      : root_(root), longRoot_(LongPath(root)), stillThere_(std::move(stillThere)) {
    DWORD error = 0;
    std::wstring final = FinalPath(longRoot_, error);
    finalRoot_ = WithBackslash(final.empty() ? NormalPath(longRoot_) : std::move(final));
    unique_hfile folder(::CreateFileW(longRoot_.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder && ObjectName(folder.get())) rootObject_ = WithBackslash(WithoutBackslash(std::wstring(name_)));
    if (folder && rootObject_.empty() && NameOnVolume(folder.get()))
      rootOnVolume_ = WithBackslash(WithoutBackslash(std::wstring(name_)));
  }

  // An entry that is not a folder: deleted (a link as itself, never what it points to), with a
  // read-only bit cleared first when that is what stops it (or, when the scan saw it, before
  // trying), and set again when it still cannot be deleted. A locked file is scheduled for
  // deletion at the next restart. Folder when the entry is an existing folder, left for
  // RemoveFolder. Tag names the entry to StillThere.
  TOutcome RemoveFile(const std::string& text, int tag, bool seenReadOnly) {
    std::string_view relative;
    if (!Inside(text, relative)) return TOutcome::NotRemoved;
    const std::string_view folder = FolderOf(text);
    const TFolderState state = Check(folder);
    if (state == TFolderState::Gone) return TOutcome::Removed;
    const std::wstring& path = LongPathOf(relative);
    if (state == TFolderState::Unsafe) return IsFolder(path) ? TOutcome::Folder : TOutcome::NotRemoved;

    const DWORD access =
        DELETE | FILE_READ_ATTRIBUTES | (seenReadOnly ? FILE_WRITE_ATTRIBUTES : 0);
    unique_hfile file(::CreateFileW(path.c_str(), access,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
      const DWORD error = ::GetLastError();
      if (IsGone(error)) return TOutcome::Removed;
      if (IsFolder(path)) return TOutcome::Folder;
      if (error == ERROR_ACCESS_DENIED && seenReadOnly) return RemoveFile(text, tag, false);
      if (IsLocked(error)) Schedule(path, folder);
      return TOutcome::NotRemoved;
    }
    if (!IsWhereListed(file.get(), path)) return TOutcome::NotRemoved;
    DWORD restore = 0;  // attributes to put back when the file outlives its removal
    FILE_BASIC_INFO basic{};
    if (seenReadOnly &&
        ::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
      FILE_BASIC_INFO cleared{};  // times of 0 stay as they are
      cleared.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
      if (::SetFileInformationByHandle(file.get(), FileBasicInfo, &cleared, sizeof cleared))
        restore = basic.FileAttributes;
    }
    bool disposed = Dispose(file.get());
    if (!disposed && !restore && ::GetLastError() == ERROR_ACCESS_DENIED &&
        ::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) &&
        ::SetFileAttributesW(path.c_str(), basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY)) {
      restore = basic.FileAttributes;  // a read-only bit the scan did not see
      disposed = Dispose(file.get());
    }
    if (!disposed) {
      if (restore) ::SetFileAttributesW(path.c_str(), restore);
      return TOutcome::NotRemoved;
    }
    file.reset();  // the file goes with its last handle
    Unconfirmed(folder, path, tag, restore);
    return TOutcome::Removed;
  }

  // Looks once for the files whose removal the system reported in the folder of the last ones:
  // Wine may report a removal that the host file system then refuses, and the
  // entry stays. Each one still there goes to StillThere and gets its read-only bit back.
  void Confirm() {
    if (unconfirmed_.empty()) return;
    std::unordered_set<std::wstring_view> names;
    for (const TUnconfirmed& entry : unconfirmed_) names.insert(entry.name);
    std::unordered_set<std::wstring_view> present;
    WIN32_FIND_DATAW found;
    unique_hfind find(FindFirst(unconfirmedFolder_ + L"*", found));
    if (find) {
      do {
        auto name = names.find(found.cFileName);
        if (name != names.end()) present.insert(*name);
      } while (::FindNextFileW(find.get(), &found));
    }
    for (const TUnconfirmed& entry : unconfirmed_) {
      if (!present.count(entry.name)) continue;
      if (entry.restore)
        ::SetFileAttributesW((unconfirmedFolder_ + entry.name).c_str(), entry.restore);
      stillThere_(entry.tag);
    }
    unconfirmed_.clear();
  }

  // A folder (removed when it is empty) or a link to one (the link alone is removed). A folder
  // still holding entries that wait for the next restart is scheduled with them.
  bool RemoveFolder(const std::string& text) {
    std::string_view relative;
    if (!Inside(text, relative)) return false;
    const std::string_view folder = FolderOf(text);
    const TFolderState parent = Check(folder);
    if (parent != TFolderState::Safe) return parent == TFolderState::Gone;
    const std::wstring path = LongPathOf(relative);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return IsGone(::GetLastError());
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLink(path);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    DWORD error = 0;
    const std::wstring final = FinalPath(path, error);
    if (final.empty() && IsGone(error)) return true;
    if (!final.empty() && !SameTextIgnoreCase(final, finalRoot_ + path.substr(longRoot_.size())))
      return false;  // not where it was listed: a link that does not say it is one

    DWORD restore = 0;
    bool removed = ::RemoveDirectoryW(path.c_str());
    error = removed ? 0 : ::GetLastError();
    if (!removed && error == ERROR_ACCESS_DENIED && (attributes & FILE_ATTRIBUTE_READONLY) &&
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
      restore = attributes;
      removed = ::RemoveDirectoryW(path.c_str());
      if (!removed) error = ::GetLastError();
    }
    if (removed ? IsRemoved(path) : IsGone(error)) return true;
    if (restore) ::SetFileAttributesW(path.c_str(), restore);
    if (IsLocked(error) || (error == ERROR_DIR_NOT_EMPTY && holdingScheduled_.count(text)))
      Schedule(path, folder);
    return false;
  }

  // Anything: a file, or else a folder.
  bool Remove(const std::string& text, int tag, bool seenReadOnly) {
    switch (RemoveFile(text, tag, seenReadOnly)) {
      case TOutcome::Removed: return true;
      case TOutcome::NotRemoved:
      case TOutcome::Queued: return false;
      case TOutcome::Folder: return RemoveFolder(text);
    }
    return false;
  }

  // The recycling mode's counterpart of RemoveFile: a plain file inside the root, with no link
  // on the way, goes to Batch (Queued), which moves it into the Recycle Bin with the other files
  // of its folder. A link holds no data and is removed itself; a folder is left for RemoveFolder.
  TOutcome RecycleFile(const std::string& text, int tag, TRecycleBatch& batch) {
    std::string_view relative;
    if (!Inside(text, relative)) return TOutcome::NotRemoved;
    const TFolderState state = Check(FolderOf(text));
    if (state == TFolderState::Gone) return TOutcome::Removed;
    const std::wstring& path = LongPathOf(relative);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
      return IsGone(::GetLastError()) ? TOutcome::Removed : TOutcome::NotRemoved;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return TOutcome::Folder;
    if (state == TFolderState::Unsafe) return TOutcome::NotRemoved;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
      return RemoveLink(path) ? TOutcome::Removed : TOutcome::NotRemoved;
    batch.Add(text, tag);
    return TOutcome::Queued;
  }

 private:
  enum class TFolderState : std::uint8_t { Safe, Unsafe, Gone };

  // True when Text names an entry below the root; Relative is then the part after the root,
  // made of plain names only (no empty, "." or ".." parts and no "/", which the "\\?\" form
  // would take literally).
  bool Inside(const std::string& text, std::string_view& relative) const {
    if (text.size() <= root_.size()) return false;
    if (text.compare(0, root_.size(), root_) != 0 &&
        !SameTextIgnoreCase(Wide(std::string_view(text).substr(0, root_.size())), Wide(root_)))
      return false;
    relative = std::string_view(text).substr(root_.size());
    for (std::size_t start = 0;;) {
      const std::size_t end = relative.find('\\', start);
      const std::string_view name = relative.substr(start, end - start);
      if (name.empty() || name == "." || name == ".." || name.find('/') != name.npos) return false;
      if (end == relative.npos) return true;
      start = end + 1;
    }
  }

  // The folder part of an entry's text, without its trailing "\".
  static std::string_view FolderOf(const std::string& text) {
    return std::string_view(text).substr(0, text.rfind('\\'));
  }

  // The "\\?\" form of the root followed by Relative, in a buffer reused from call to call.
  const std::wstring& LongPathOf(std::string_view relative) {
    buffer_.assign(longRoot_);
    AppendWide(buffer_, relative);
    return buffer_;
  }

  // After a removal the system reported as done: true unless the entry is still there
  // (Wine may report a removal that the host file system then refuses).
  static bool IsRemoved(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  }

  static bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  // The path of the open File on its volume (without the drive, "\\folder\\file"), as the
  // system resolves it, in name_; false when the system cannot tell.
  bool NameOnVolume(HANDLE file) {
    for (;;) {
      auto* info = reinterpret_cast<FILE_NAME_INFO*>(nameInfo_.data());
      if (::GetFileInformationByHandleEx(file, FileNameInfo, info,
                                         static_cast<DWORD>(nameInfo_.size() * sizeof(DWORD)))) {
        name_ = std::wstring_view(info->FileName, info->FileNameLength / sizeof(wchar_t));
        return true;
      }
      if (::GetLastError() != ERROR_MORE_DATA || nameInfo_.size() > 0x10000) return false;
      nameInfo_.resize(nameInfo_.size() * 2);
    }
  }

  // The name the system gives the open File, its device and path (a device such as
  // "\\Device\\HarddiskVolume2", or "\\??\\C:" where the system has no such devices, then the
  // path), in name_; false when the system cannot tell. Of the ways to ask, this one needs the
  // least of the system: an emulation layer answers it without the file's host descriptor.
  bool ObjectName(HANDLE file) {
    using TQueryObject = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<TQueryObject>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    if (!query) return false;
    constexpr int kObjectNameInformation = 1;
    struct TObjectName {  // OBJECT_NAME_INFORMATION
      USHORT Length, MaximumLength;
      wchar_t* Buffer;
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
      ULONG needed = 0;
      const LONG status = query(file, kObjectNameInformation, nameInfo_.data(),
                                static_cast<ULONG>(nameInfo_.size() * sizeof(DWORD)), &needed);
      if (status >= 0) {
        const auto* info = reinterpret_cast<const TObjectName*>(nameInfo_.data());
        if (!info->Buffer || info->Length == 0) return false;
        name_ = std::wstring_view(info->Buffer, info->Length / sizeof(wchar_t));
        return true;
      }
      if (needed <= nameInfo_.size() * sizeof(DWORD) || needed > 0x40000) return false;
      nameInfo_.resize(needed / sizeof(DWORD) + 1);
    }
    return false;
  }

  // True when the open File resolves to where Path lies below the root; where the system cannot
  // tell, the folder check made before has to do. The root's name was asked once: each file's
  // is compared with it and the rest of Path, which costs the system less than a full path with
  // the drive would.
  bool IsWhereListed(HANDLE file, const std::wstring& path) {
    const std::wstring_view rest = std::wstring_view(path).substr(longRoot_.size());
    auto sameAs = [&](std::wstring_view root) {
      return name_.size() == root.size() + rest.size() &&
             SameTextIgnoreCase(name_.substr(0, root.size()), root) &&
             SameTextIgnoreCase(name_.substr(root.size()), rest);
    };
    if (!rootObject_.empty() && ObjectName(file)) return sameAs(rootObject_);
    if (!rootOnVolume_.empty() && NameOnVolume(file)) return sameAs(rootOnVolume_);
    DWORD n = ::GetFinalPathNameByHandleW(file, final_.data(), static_cast<DWORD>(final_.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n >= final_.size()) {
      final_.resize(n);
      n = ::GetFinalPathNameByHandleW(file, final_.data(), static_cast<DWORD>(final_.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (n == 0 || n >= final_.size()) return true;
    std::wstring_view final(final_.data(), n);
    std::wstring_view root = finalRoot_;
    if (final.starts_with(kLongUncPrefix)) {  // "\\?\UNC\server\share" is "\\server\share"
      if (!root.starts_with(L"\\\\")) return false;
      final.remove_prefix(kLongUncPrefix.size());
      root.remove_prefix(2);
    } else if (final.starts_with(kLongPrefix)) {
      final.remove_prefix(kLongPrefix.size());
    }
    return final.size() == root.size() + rest.size() &&
           SameTextIgnoreCase(final.substr(0, root.size()), root) &&
           SameTextIgnoreCase(final.substr(root.size()), rest);
  }

  static bool Dispose(HANDLE file) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose) !=
           FALSE;
  }

  // The state of Folder (the root itself or a folder below it, written without a trailing
  // "\"), checked once for all its entries.
  TFolderState Check(std::string_view folder) {
    if (folder.size() + 1 == root_.size()) return TFolderState::Safe;
    if (folder.size() + 1 < root_.size()) return TFolderState::Unsafe;
    if (haveLast_ && folder == lastFolder_) return lastState_;
    std::string key(folder);
    auto known = folders_.find(key);
    TFolderState state;
    if (known != folders_.end()) {
      state = known->second;
    } else {
      state = Check(folder.substr(0, folder.rfind('\\')));
      if (state == TFolderState::Safe) {
        const DWORD attributes = ::GetFileAttributesW((longRoot_ + Wide(folder.substr(root_.size()))).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
          state = IsGone(::GetLastError()) ? TFolderState::Gone : TFolderState::Unsafe;
        else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
                 (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
          state = TFolderState::Unsafe;
      }
      folders_.emplace(key, state);
    }
    lastFolder_ = std::move(key);
    lastState_ = state;
    haveLast_ = true;
    return state;
  }

  // Keeps a removed file of Folder (Path being its "\\?\" form) for Confirm, which runs when
  // the next one lies in another folder.
  void Unconfirmed(std::string_view folder, const std::wstring& path, int tag, DWORD restore) {
    const std::size_t slash = path.rfind(L'\\') + 1;
    if (folder != unconfirmedText_) {
      Confirm();
      unconfirmedText_.assign(folder);
      unconfirmedFolder_.assign(path, 0, slash);
    }
    unconfirmed_.push_back({tag, path.substr(slash), restore});
  }

  void Schedule(const std::wstring& path, std::string_view folder) {
    if (ScheduleAtRestart(path)) holdingScheduled_.emplace(folder);
  }

  static bool RemoveLink(const std::wstring& path) { return RemoveLinkItself(path); }

  const std::string root_;        // "C:\folder\"
  const std::wstring longRoot_;   // "\\?\C:\folder\"
  std::wstring finalRoot_;        // the root as the system resolves it, with its "\"
  std::unordered_map<std::string, TFolderState> folders_;
  std::string lastFolder_;
  TFolderState lastState_ = TFolderState::Unsafe;
  bool haveLast_ = false;
  // Folders left holding entries that are scheduled for deletion at the next restart.
  std::unordered_set<std::string> holdingScheduled_;
  std::wstring buffer_;
  std::wstring final_ = std::wstring(MAX_PATH, L'\0');
  std::wstring rootObject_;    // the root's name as the system gives it, with its "\"; empty: not known
  std::wstring rootOnVolume_;  // the root's path on its volume, with its "\"; empty: not known
  std::vector<DWORD> nameInfo_ = std::vector<DWORD>(1024);  // a name's information, aligned
  std::wstring_view name_;     // in nameInfo_
  // Files reported removed and not yet looked for, all in one folder.
  struct TUnconfirmed {
    int tag;
    std::wstring name;
    DWORD restore;  // attributes to put back if the file is still there; 0 for none
  };
  TStillThere stillThere_;
  std::string unconfirmedText_;
  std::wstring unconfirmedFolder_;  // "\\?\" form, with its "\"
  std::vector<TUnconfirmed> unconfirmed_;
};

// True when a folder that "%TEMP%" resolved to is no temporary folder but a place that must never
// be emptied (in any letter case, with or without a trailing "\", in short or long form).
bool IsRefusedTempFolder(const std::string& path) {
  const std::wstring candidate = ComparableFolder(Wide(path));
  if (candidate.empty()) return false;
  if (IsDriveRoot(candidate)) return true;
  std::vector<std::wstring> forms{candidate};
  DWORD error = 0;
  // Through a junction or link, too ("C:\Documents and Settings" is "C:\Users" on Vista on).
  std::wstring final = FinalPath(LongPath(WithBackslash(candidate)), error);
  if (!final.empty()) forms.push_back(WithoutBackslash(std::move(final)));
  const std::vector<std::wstring> refused = RefusedTempFolders();
  for (const std::wstring& form : forms) {
    if (IsDriveRoot(form)) return true;
    for (const std::wstring& folder : refused) {
      if (SameTextIgnoreCase(form, folder)) return true;
    }
  }
  return false;
}

// The folders (and their parents) that a custom place is refused for.
std::vector<std::wstring> RefusedCustomFolders() {
  std::vector<std::wstring> folders;
  for (const wchar_t* name : {L"WinDir", L"SystemRoot", L"ProgramFiles", L"ProgramFiles(x86)",
                              L"ProgramW6432", L"USERPROFILE"})
    folders.push_back(EnvironmentValue(name));
  for (int csidl : {CSIDL_WINDOWS, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROFILE})
    folders.push_back(ShellFolder(csidl));
  wchar_t windows[MAX_PATH] = {};
  UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
  if (n > 0 && n < MAX_PATH) folders.emplace_back(windows);
  folders.push_back(ProfilesFolder());
  std::vector<std::wstring> out;
  for (const std::wstring& folder : folders)
    if (!folder.empty()) out.push_back(ComparableFolder(folder));
  return out;
}

// Folder is Form, or lies beneath it.
bool SameOrBeneath(std::wstring_view folder, std::wstring_view form) {
  if (folder.size() < form.size()) return false;
  if (!SameTextIgnoreCase(folder.substr(0, form.size()), form)) return false;
  return folder.size() == form.size() || folder[form.size()] == L'\\';
}

}  // namespace

bool IsRefusedCustomFolder(const std::string& path) {
  const std::wstring candidate = ComparableFolder(Wide(path));
  if (candidate.empty()) return true;
  std::vector<std::wstring> forms{candidate};
  DWORD error = 0;
  std::wstring final = FinalPath(LongPath(WithBackslash(candidate)), error);
  if (!final.empty()) forms.push_back(WithoutBackslash(std::move(final)));
  const std::vector<std::wstring> refused = RefusedCustomFolders();
  for (const std::wstring& form : forms) {
    if (IsDriveRoot(form)) return true;
    for (const std::wstring& folder : refused)
      if (SameOrBeneath(folder, form)) return true;
  }
  return false;
}

std::string TDeleteFileObject::ResolvedPath() const {
  std::string path = Path;
  if (Path == "%TEMP%" && VistaOrLater(OsKind()) && !GetEnvVar("LOCALAPPDATA").empty())
    path = "%LOCALAPPDATA%\\Temp";
  path = ExpandEnvPath(path);
  if (Path.starts_with("CSIDL_")) path = ResolveFolderMacro(Path);
  return path;
}

std::string TDeleteFileObject::MachineWidePlace() const {
  const std::string path = ResolvedPath();
  return path.empty() ? std::string() : FolderMachinePlace(path);
}

void TDeleteFileObject::Execute() {
  const std::string path = ResolvedPath();
  const std::uint32_t includeMask = AttributeMask(FileAttrib);
  const std::uint32_t excludeMask = AttributeMask(ExcludeAttr);
  const std::wstring full = FullPath(Wide(path));
  if (full.empty() || !IsExistingFolder(full))
    throw EDeleteFileError(Format("Path not found! %s", ShellNormalizePath(path)));
  if (Path == "%TEMP%" && IsRefusedTempFolder(path))
    throw EDeleteFileError(Format("Invalid temp path! %s", path));
  if (IsCustomItem(ItemNode) && IsRefusedCustomFolder(path))
    throw EDeleteFileError(Format("Refused custom folder! %s", path));
  TPrivilegeScope privilege(CleanMode ? "SeRestorePrivilege" : "SeBackupPrivilege");
  ProcessFolder(Utf8(WithBackslash(full)), includeMask, excludeMask);
}

void TDeleteFileObject::ProcessFolder(const std::string& folder, std::uint32_t includeMask,
                                      std::uint32_t excludeMask) {
  if (CleanMode) CleanFound(folder);
  else ScanFolder(folder, includeMask, excludeMask);
}

bool TDeleteFileObject::ScanFolder(const std::string& folder, std::uint32_t includeMask,
                                   std::uint32_t excludeMask) {
  const bool listFolders = FileFilter.starts_with("*.*");
  std::vector<std::string> excluded;
  for (int i = 1, n = FieldCount(ExcludeFolder); i <= n; ++i)
    excluded.push_back(GetField(ExcludeFolder, i));
  const std::wstring longFolder = LongPath(folder);
  std::string text = folder;  // the folder followed by an entry's name
  auto entryText = [&](const wchar_t* name) {
    text.resize(folder.size());
    return AppendUtf8(text, name);  // false for a name no UTF-8 text can carry
  };

  WIN32_FIND_DATAW entry;
  std::vector<WIN32_FIND_DATAW> subfolders;  // of the folder pass, in enumeration order
  auto keepSubfolder = [&] {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotEntry(entry.cFileName))
      subfolders.push_back(entry);
  };
  for (int field = 1, fields = FieldCount(FileFilter); field <= fields; ++field) {
    const std::string filter = GetField(FileFilter, field);
    // A pattern that matches every name enumerates what the folder pass would enumerate again:
    // its subfolders are taken from this one.
    const bool everyName = filter == "*.*" || filter == "*";
    subfolders.clear();
    unique_hfind files(FindFirst(longFolder + Wide(filter), entry));
    if (files) {
      do {
        if (Aborted) return false;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          if (everyName) keepSubfolder();
        } else if (AttributesPass(entry.dwFileAttributes, includeMask, excludeMask) &&
                   entryText(entry.cFileName)) {
          AddEntryFinding(text, EntrySize(entry), entry.dwFileAttributes);
        }
      } while (::FindNextFileW(files.get(), &entry));
    }
    if (!everyName) {
      unique_hfind folders(FindFirst(longFolder + L"*.*", entry));
      if (folders) {
        do {
          if (Aborted) return false;
          keepSubfolder();
        } while (::FindNextFileW(folders.get(), &entry));
      }
    }

    for (const WIN32_FIND_DATAW& subfolder : subfolders) {
      if (Aborted) return false;
      if (!entryText(subfolder.cFileName)) continue;
      const std::string_view name = std::string_view(text).substr(folder.size());
      bool skip = false;
      for (const std::string& excludedName : excluded) skip = skip || excludedName == name;
      if (skip) continue;
      if (listFolders && AttributesPass(subfolder.dwFileAttributes, includeMask, excludeMask))
        AddEntryFinding(text, EntrySize(subfolder), subfolder.dwFileAttributes);
      // A junction or symbolic link is never entered: it may lead anywhere.
      if (Recurse && !(subfolder.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ProcessFolder(text + "\\", includeMask, excludeMask);
        if (Aborted) return false;
      }
    }
  }
  return true;
}

TFindingPlace TDeleteFileObject::FindingPlace(const std::string& text, const TChecked& record) const {
  TFindingPlace place{TFindingPlace::TKind::Path, text, false};
  if (const auto* entry = dynamic_cast<const TEntryChecked*>(&record))
    place.WithContents = (entry->Attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         !(entry->Attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  else  // the variants keep only a size: ask the disk (a link counts as a folder here)
    place.WithContents = IsExistingFolder(Wide(text));
  return place;
}

void TDeleteFileObject::CleanFound(const std::string& root) {
  TFileRemover remover(root, [this](int index) { Found.Record(index).CleanSucceeded = false; });
  auto report = [&](int index, bool removed) {
    if (!removed) Found.Record(index).CleanSucceeded = false;
    if (OnItem) ReportItem(Found.Text(index));
  };

  if (SameTextIgnoreCase(Wide(root), WithBackslash(ShellFolder(CSIDL_COOKIES)))) {
    for (int i = Found.Count() - 1; i >= 0 && !Aborted; --i) {
      if (Found.Record(i).Checked)
        report(i, remover.Remove(Found.Text(i), i, SeenReadOnly(Found.Record(i))));
    }
    remover.Confirm();
    return;
  }
  // Recycling: each folder's files go to the Recycle Bin together; what cannot go there stays.
  TRecycleBatch batch([&](const TRecycleEntry& entry) {
    TChecked& record = Found.Record(entry.Tag);
    record.Recycled = entry.Outcome == TRecycleOutcome::Recycled;
    report(entry.Tag, entry.Outcome != TRecycleOutcome::NotRecycled);
  });
  // Files first, then folders: a folder is listed before its contents, so the reverse walk
  // empties the deeper folders first.
  std::vector<int> folders;
  for (int i = Found.Count() - 1; i >= 0 && !Aborted; --i) {
    if (!Found.Record(i).Checked) continue;
    const TFileRemover::TOutcome outcome =
        Recycle ? remover.RecycleFile(Found.Text(i), i, batch)
                : remover.RemoveFile(Found.Text(i), i, SeenReadOnly(Found.Record(i)));
    switch (outcome) {
      case TFileRemover::TOutcome::Removed: report(i, true); break;
      case TFileRemover::TOutcome::NotRemoved: report(i, false); break;
      case TFileRemover::TOutcome::Folder: folders.push_back(i); break;
      case TFileRemover::TOutcome::Queued: break;
    }
  }
  remover.Confirm();
  batch.Flush();
  for (std::string& problem : batch.Problems) PartialErrors.push_back({kNotRecycledClass, std::move(problem)});
  for (int i : folders) {
    if (Aborted) return;
    report(i, remover.RemoveFolder(Found.Text(i)));
  }
}

}  // namespace tw
