#include "cleaners/system/MachinePlaces.h"

#include <windows.h>
#include <shlobj.h>

#include "cleaners/portable/MachineWide.h"
#include "engine/Utility.h"

namespace tw {

namespace {

std::string Trimmed(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

TMachineFolders CurrentMachineFolders() {
  TMachineFolders folders;
  for (int csidl : {CSIDL_WINDOWS, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_COMMON_APPDATA}) {
    std::string folder = Trimmed(SpecialFolderPath(csidl));
    if (!folder.empty()) folders.Shared.push_back(std::move(folder));
  }
  // A 32-bit view of the system may not name the 64-bit program files through the shell.
  for (const char* variable : {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)"}) {
    std::string folder = Trimmed(GetEnvVar(variable));
    if (!folder.empty()) folders.Shared.push_back(std::move(folder));
  }
  folders.UserProfile = Trimmed(GetEnvVar("USERPROFILE"));
  if (const std::size_t slash = folders.UserProfile.find_last_of('\\'); slash != std::string::npos && slash > 2)
    folders.ProfilesRoot = folders.UserProfile.substr(0, slash);
  folders.SystemDrive = GetEnvVar("SystemDrive");
  return folders;
}

}  // namespace

std::string FolderMachinePlace(const std::string& path) {
  return MachineWideFolder(path, CurrentMachineFolders());
}

}  // namespace tw
