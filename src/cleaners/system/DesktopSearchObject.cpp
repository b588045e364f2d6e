#include "cleaners/system/DesktopSearchObject.h"

#include "cleaners/portable/FileAttrMask.h"
#include "cleaners/portable/SystemRules.h"
#include "platform/FileRemoval.h"
#include "engine/Utility.h"
#include "platform/RegRead.h"
#include "platform/Text.h"
#include "support/Format.h"

namespace tw {

namespace {

// True when a spared file lies anywhere below Folder (links are not entered).
bool HoldsSparedFile(const std::string& folder) {
  WIN32_FIND_DATAW entry;
  unique_hfind find(::FindFirstFileExW((LongPathW(folder) + L"\\*").c_str(), FindExInfoBasic,
                                       &entry, FindExSearchNameMatch, nullptr, 0));
  if (!find) return false;
  do {
    const std::string name = WideToUtf8(entry.cFileName);
    if (IsDotEntry(name)) continue;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (IsSparedDataFile(name)) return true;
    } else if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
               HoldsSparedFile(folder + "\\" + name)) {
      return true;
    }
  } while (::FindNextFileW(find.get(), &entry));
  return false;
}

}  // namespace

std::string TDeleteGoogleDesktopDataDir::DataFolder() {
  const std::optional<TRegData> data =
      TRegReadKey(HKEY_CURRENT_USER, "Software\\Google\\Google Desktop").Value("data_dir");
  const std::optional<std::string> text = data ? data->Text() : std::nullopt;
  if (!text) return {};
  std::wstring value = Utf8ToWide(*text);
  if (data->Type == REG_EXPAND_SZ) {
    DWORD n = ::ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
    std::wstring expanded(n, L'\0');
    n = ::ExpandEnvironmentStringsW(value.c_str(), expanded.data(), n);
    if (n == 0) return {};
    expanded.resize(n - 1);
    value = std::move(expanded);
  }
  return WideToUtf8(value);
}

void TDeleteGoogleDesktopDataDir::Execute() {
  const std::string path = DataFolder();
  const std::uint32_t includeMask = AttributeMask(FileAttrib);
  const std::uint32_t excludeMask = AttributeMask(ExcludeAttr);
  if (path.empty() || !IsFolderPath(path))
    throw EDeleteFileError(Format("Path not found! %s", path));
  TPrivilegeScope privilege(CleanMode ? "SeRestorePrivilege" : "SeBackupPrivilege");
  ProcessFolder(WithBackslash(path), includeMask, excludeMask);
}

bool TDeleteGoogleDesktopDataDir::FileListed(const std::string&, const WIN32_FIND_DATAW& entry,
                                             std::uint32_t includeMask, std::uint32_t excludeMask) {
  return AttributesPass(entry.dwFileAttributes, includeMask, excludeMask) &&
         !IsSparedDataFile(WideToUtf8(entry.cFileName));
}

bool TDeleteGoogleDesktopDataDir::FolderListed(const std::string& folder,
                                               const WIN32_FIND_DATAW& entry,
                                               std::uint32_t includeMask,
                                               std::uint32_t excludeMask) {
  return AttributesPass(entry.dwFileAttributes, includeMask, excludeMask) &&
         !HoldsSparedFile(folder + WideToUtf8(entry.cFileName));
}

}  // namespace tw
