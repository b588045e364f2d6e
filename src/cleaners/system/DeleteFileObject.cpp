#include "cleaners/system/DeleteFileObject.h"

#include "cleaners/system/MachinePlaces.h"
#include "cleaners/system/FileRemover.h"
#include "cleaners/system/LongPaths.h"

#include <windows.h>
#include <shlobj.h>

#include <string_view>
#include <vector>

#include "cleaners/portable/FileAttrMask.h"
#include "engine/Utility.h"
#include "platform/FileRemoval.h"
#include "platform/Handles.h"
#include "platform/RegRead.h"
#include "platform/Text.h"
#include "settings/CustomGroup.h"
#include "support/Format.h"

namespace tw {

using namespace file_clean;

namespace {

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
  const std::optional<std::string> value =
      TRegReadKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList")
          .Text("ProfilesDirectory");
  if (!value) return {};
  wchar_t expanded[MAX_PATH] = {};
  DWORD n = ::ExpandEnvironmentStringsW(Utf8ToWide(*value).c_str(), expanded, MAX_PATH);
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

// True when a folder that "%TEMP%" resolved to is no temporary folder but a place that must never
// be emptied (in any letter case, with or without a trailing "\", in short or long form).
bool IsRefusedTempFolder(const std::string& path) {
  const std::wstring candidate = ComparableFolder(Utf8ToWide(path));
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
  const std::wstring candidate = ComparableFolder(Utf8ToWide(path));
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
  const std::wstring full = FullPath(Utf8ToWide(path));
  if (full.empty() || !IsExistingFolder(full))
    throw EDeleteFileError(Format("Path not found! %s", ShellNormalizePath(path)));
  if (Path == "%TEMP%" && IsRefusedTempFolder(path))
    throw EDeleteFileError(Format("Invalid temp path! %s", path));
  if (IsCustomItem(ItemNode) && IsRefusedCustomFolder(path))
    throw EDeleteFileError(Format("Refused custom folder! %s", path));
  TPrivilegeScope privilege(CleanMode ? "SeRestorePrivilege" : "SeBackupPrivilege");
  ProcessFolder(WideToUtf8(WithBackslash(full)), includeMask, excludeMask);
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
    unique_hfind files(FindFirst(longFolder + Utf8ToWide(filter), entry));
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

TOpenPlace TDeleteFileObject::OpenPlace(int index) const {
  if (index >= 0 && index < Found.Count()) return TWorkObject::OpenPlace(index);
  return {TOpenPlace::TKind::Folder, ResolvePlaceText(Path)};
}

TFindingPlace TDeleteFileObject::FindingPlace(const std::string& text, const TChecked& record) const {
  TFindingPlace place{TFindingPlace::TKind::Path, text, false};
  if (const auto* entry = dynamic_cast<const TEntryChecked*>(&record))
    place.WithContents = (entry->Attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         !(entry->Attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  else  // the variants keep only a size: ask the disk (a link counts as a folder here)
    place.WithContents = IsExistingFolder(Utf8ToWide(text));
  return place;
}

void TDeleteFileObject::CleanFound(const std::string& root) {
  TFileRemover remover(root, [this](int index) { Found.Record(index).CleanSucceeded = false; });
  auto report = [&](int index, bool removed) {
    if (!removed) Found.Record(index).CleanSucceeded = false;
    if (OnItem) ReportItem(Found.Text(index));
  };

  if (SameTextIgnoreCase(Utf8ToWide(root), WithBackslash(ShellFolder(CSIDL_COOKIES)))) {
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
