#pragma once
// Which places a clean changes for every user of the machine rather than for the current user
// alone: what a process without administrator rights may not change.
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// The folders of this machine the rule needs, full paths without a trailing "\".
struct TMachineFolders {
  std::vector<std::string> Shared;  // the Windows folder, the program files, the common data
  std::string ProfilesRoot;         // the folder of every user's profile ("C:\Users")
  std::string UserProfile;          // the current user's profile
  std::string SystemDrive;          // "C:"
};

// Path itself when it lies in a shared folder, in another user's profile (inside the profiles
// root but outside the current user's), or in a folder of the system drive's root whose name
// begins with "$" (Windows' update and set-up folders); empty otherwise. Letter case does not
// matter; a folder contains itself.
std::string MachineWideFolder(std::string_view path, const TMachineFolders& folders);

// The key's long path ("HKEY_LOCAL_MACHINE\Subkey") when Key names a root shared by every user
// (HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, whose writes land in the machine's classes unless the
// user has the class, HKEY_CURRENT_CONFIG), long or short; empty otherwise.
std::string MachineWideKey(std::string_view key, std::string_view subkey);

}  // namespace tw
