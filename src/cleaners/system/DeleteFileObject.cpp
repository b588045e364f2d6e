#include "cleaners/system/DeleteFileObject.h"

#include <windows.h>

#include "cleaners/portable/FileAttrMask.h"
#include "engine/Utility.h"
#include "platform/Handles.h"
#include "support/Format.h"

namespace tw {

namespace {

bool IsExistingFolder(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool SameTextIgnoreCase(const std::string& a, const std::string& b) {
  return ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(),
                          static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

// True when Text lies inside Root (which ends with "\") and no folder between Root and Text is
// a junction or symbolic link: a link put in place after the scan must not lead a clean
// outside the folder it was given.
bool InsideRootWithoutLinks(const std::string& root, const std::string& text) {
  if (text.size() <= root.size() || !SameTextIgnoreCase(text.substr(0, root.size()), root))
    return false;
  for (std::size_t slash = text.find('\\', root.size()); slash != std::string::npos;
       slash = text.find('\\', slash + 1)) {
    DWORD attributes = ::GetFileAttributesA(text.substr(0, slash).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return false;
  }
  return true;
}

// The path the system resolves Path to (links followed, long names), without the "\\?\"
// prefix; empty when it cannot be opened or asked (GetLastError tells why).
std::string FinalPath(const std::string& path) {
  unique_hfile handle(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return {};
  char buffer[MAX_PATH * 4];
  DWORD n = ::GetFinalPathNameByHandleA(handle.get(), buffer, sizeof buffer,
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n == 0 || n >= sizeof buffer) return {};
  std::string out(buffer, n);
  if (out.rfind("\\\\?\\UNC\\", 0) == 0) return "\\" + out.substr(7);
  if (out.rfind("\\\\?\\", 0) == 0) return out.substr(4);
  return out;
}

}  // namespace

std::string TDeleteFileObject::ResolvedPath() const {
  std::string path = Path;
  if (Path == "%TEMP%" && OsKind() > 17) path = "%LOCALAPPDATA%\\Temp";
  path = ExpandEnvPath(path);
  if (Path.starts_with("CSIDL_")) path = ResolveFolderMacro(Path);
  return path;
}

void TDeleteFileObject::Execute() {
  const std::string path = ResolvedPath();
  const std::uint32_t includeMask = AttributeMask(FileAttrib);
  const std::uint32_t excludeMask = AttributeMask(ExcludeAttr);
  if (path.empty() || !IsExistingFolder(path))
    throw EDeleteFileError(Format("Path not found! %s", ShellNormalizePath(path)));
  if (Path == "%TEMP%" && IsSystemFolder(path))
    throw EDeleteFileError(Format("Invalid temp path! %s", path));
  TPrivilegeScope privilege(CleanMode ? "SeRestorePrivilege" : "SeBackupPrivilege");
  ProcessFolder(WithBackslash(path), includeMask, excludeMask);
}

void TDeleteFileObject::ProcessFolder(const std::string& folder, std::uint32_t includeMask,
                                      std::uint32_t excludeMask) {
  if (CleanMode) CleanFound(folder);
  else ScanFolder(folder, includeMask, excludeMask);
}

bool TDeleteFileObject::ScanFolder(const std::string& folder, std::uint32_t includeMask,
                                   std::uint32_t excludeMask) {
  const bool listFolders = FileFilter.starts_with("*.*");
  const int excludedCount = FieldCount(ExcludeFolder);
  auto excluded = [&](const char* name) {
    for (int i = 1; i <= excludedCount; ++i) {
      if (GetField(ExcludeFolder, i) == name) return true;
    }
    return false;
  };

  for (int field = 1, fields = FieldCount(FileFilter); field <= fields; ++field) {
    WIN32_FIND_DATAA entry;
    unique_hfind files(::FindFirstFileA((folder + GetField(FileFilter, field)).c_str(), &entry));
    if (files) {
      do {
        if (Aborted) return false;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            AttributesPass(entry.dwFileAttributes, includeMask, excludeMask))
          AddFinding(folder + entry.cFileName, std::make_unique<TFileChecked>(entry));
      } while (::FindNextFileA(files.get(), &entry));
    }

    unique_hfind folders(::FindFirstFileA((folder + "*.*").c_str(), &entry));
    if (!folders) continue;
    do {
      if (Aborted) return false;
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDotEntry(entry.cFileName))
        continue;
      if (excluded(entry.cFileName)) continue;
      if (listFolders && AttributesPass(entry.dwFileAttributes, includeMask, excludeMask))
        AddFinding(folder + entry.cFileName, std::make_unique<TFileChecked>(entry));
      // A junction or symbolic link is never entered: it may lead anywhere.
      if (Recurse && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ProcessFolder(folder + entry.cFileName + "\\", includeMask, excludeMask);
        if (Aborted) return false;
      }
    } while (::FindNextFileA(folders.get(), &entry));
  }
  return true;
}

void TDeleteFileObject::CleanFound(const std::string& root) {
  std::string finalRoot = FinalPath(root.substr(0, root.size() - 1));
  finalRoot = finalRoot.empty() ? root : WithBackslash(finalRoot);
  auto clean = [&](int index) {
    TChecked& record = Found.Record(index);
    if (!RemoveEntry(root, finalRoot, Found.Text(index))) record.CleanSucceeded = false;
    ReportItem(Found.Text(index));
  };

  if (SameTextIgnoreCase(root, SpecialFolderPath(0x21 /* CSIDL_COOKIES */))) {
    for (int i = Found.Count() - 1; i >= 0; --i) {
      if (Aborted) return;
      if (Found.Record(i).Checked) clean(i);
    }
    return;
  }
  // Files first, then folders: a folder is listed before its contents, so the reverse walk
  // empties the deeper folders first.
  for (bool folders : {false, true}) {
    for (int i = Found.Count() - 1; i >= 0; --i) {
      if (Aborted) return;
      if (Found.Record(i).Checked && IsExistingFolder(Found.Text(i)) == folders) clean(i);
    }
  }
}

bool TDeleteFileObject::RemoveEntry(const std::string& root, const std::string& finalRoot,
                                    const std::string& text) {
  if (!InsideRootWithoutLinks(root, text)) return false;
  const DWORD attributes = ::GetFileAttributesA(text.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsGone(::GetLastError());
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLink(text);
  // A link that does not say it is one (a host file system's link seen through an emulation
  // layer) resolves somewhere else than where it was listed: leave it and what it points to.
  const std::string final = FinalPath(text);
  if (final.empty()) {
    if (IsGone(::GetLastError())) return true;
  } else if (!SameTextIgnoreCase(final, finalRoot + text.substr(root.size()))) {
    return false;
  }

  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    if (attributes & FILE_ATTRIBUTE_READONLY)
      ::SetFileAttributesA(text.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (::RemoveDirectoryA(text.c_str())) return true;
    DWORD error = ::GetLastError();
    if (IsGone(error)) return true;
    if (error == ERROR_SHARING_VIOLATION)
      ::MoveFileExA(text.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return false;
  }

  if (attributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesA(text.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (::DeleteFileA(text.c_str())) return true;
  DWORD error = ::GetLastError();
  if (IsGone(error)) return true;
  // Locked (or otherwise held): the system removes it at the next restart.
  ::MoveFileExA(text.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return false;
}

bool TDeleteFileObject::RemoveLink(const std::string& text) {
  // Deleted through a handle of the link itself, and only when the handle proves to be the
  // link: where the system opens the target instead (some emulation layers do), removing
  // "the folder" would remove what the link points to.
  unique_hfile link(::CreateFileA(text.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr));
  if (!link) return IsGone(::GetLastError());
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(link.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
      !(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || tag.ReparseTag == 0)
    return false;
  FILE_DISPOSITION_INFO dispose{TRUE};
  return ::SetFileInformationByHandle(link.get(), FileDispositionInfo, &dispose,
                                      sizeof dispose) != FALSE;
}

}  // namespace tw
