#pragma once
// The machine-wide places of this system (see cleaners/portable/MachineWide.h).
#include <string>

namespace tw {

// Path itself when a clean in it changes what every user of this machine shares; empty when it
// lies among the current user's own files.
std::string FolderMachinePlace(const std::string& path);

}  // namespace tw
