#pragma once
#include <string>

namespace tw {

// The path of a shell special folder (CSIDL), ending with "\"; Create makes a missing folder.
// Empty when the system has no such folder.
std::string SpecialFolderPath(int csidl, bool create);
// The same folder as UTF-8 (through the wide call, whatever the process code page), ending with
// "\"; empty when the system has none.
std::string SpecialFolderUtf8(int csidl);

// The folder of the running program file, ending with "\".
std::string ProgramFolder();

// The common application data folder's "Tidewhisk\" folder (created), ending with "\".
std::string TidewhiskDataFolder();

}  // namespace tw
