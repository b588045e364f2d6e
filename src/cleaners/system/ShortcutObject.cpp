#include "cleaners/system/ShortcutObject.h"

#include <objidl.h>
#include <shlobj.h>

#include "cleaners/portable/SystemRules.h"
#include "platform/FileRemoval.h"
#include "platform/Com.h"
#include "platform/Handles.h"
#include "platform/Text.h"

namespace tw {

namespace {

TTargetState TargetState(const std::string& path) {
  const std::wstring longPath = LongPathW(path);
  if (::GetFileAttributesW(longPath.c_str()) != INVALID_FILE_ATTRIBUTES)
    return TTargetState::Present;
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return TTargetState::Missing;
  // Some entries cannot be asked for their attributes (a file the system holds open) but are
  // still found by a directory search.
  WIN32_FIND_DATAW entry;
  unique_hfind find(::FindFirstFileExW(longPath.c_str(), FindExInfoBasic, &entry,
                                       FindExSearchNameMatch, nullptr, 0));
  return find ? TTargetState::Present : TTargetState::Unknown;
}

bool IsFixedDisk(const std::string& root) { return ::GetDriveTypeW(Utf8ToWide(root).c_str()) == DRIVE_FIXED; }

}  // namespace

void TDeleteShortcutObject::Execute() {
  ComApartment com;
  TFileVariantObject::Execute();
}

bool TDeleteShortcutObject::IsBrokenShortcut(const std::string& path) {
  ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void())))
    return false;
  ComPtr<IPersistFile> file = link.query<IPersistFile>(IID_IPersistFile);
  if (!file || FAILED(file->Load(Utf8ToWide(path).c_str(), STGM_READ))) return false;
  wchar_t target[MAX_PATH] = {};
  if (link->GetPath(target, MAX_PATH, nullptr, SLGP_SHORTPATH) != S_OK) return false;
  return IsBrokenTarget(WideToUtf8(target), TTargetProbe{IsFixedDisk, TargetState});
}

bool TDeleteShortcutObject::FileListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                                       std::uint32_t, std::uint32_t excludeMask) {
  return (entry.dwFileAttributes & excludeMask) == 0 &&
         IsBrokenShortcut(folder + WideToUtf8(entry.cFileName));
}

bool TDeleteShortcutObject::FolderListed(const std::string&, const WIN32_FIND_DATAW&, std::uint32_t,
                                         std::uint32_t) {
  // A folder is not a shortcut, broken or not.
  return false;
}

}  // namespace tw
