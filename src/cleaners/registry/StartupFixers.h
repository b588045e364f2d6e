#pragma once
// The fixers of programs started at logon, the Run box history, shared libraries, help files,
// application paths, installer folders, shared folders, fonts and the shell's cache of program
// names: each judges the entries of one key against the file system.
#include "cleaners/registry/RegistryFixObject.h"

namespace tw {

// Values of a Run key: the program (or rundll32's library) a command starts.
TW_REGISTRY_FIXER(TRegFixRun, false)
// Values of the Run box history ("MRUList" left out): the typed program or folder.
TW_REGISTRY_FIXER(TRegFixRunMRU, false)
// Value names of SharedDLLs (REG_DWORD counters): the named file or folder.
TW_REGISTRY_FIXER(TRegFixSharedDLLs, false)
// Values of a Help key: the help file (the name) in its folder (the data).
TW_REGISTRY_FIXER(TRegFixHelp, false)
// Subkeys of App Paths: the program of the default value, or the program in its "Path" folders.
TW_REGISTRY_FIXER(TRegFixAppPaths, true)
// Value names of a folder list (the installer's folders): the folder.
TW_REGISTRY_FIXER(TRegFixFolders, false)
// Values of the shares list: the folder of a disk share ("Type=0").
TW_REGISTRY_FIXER(TRegFixShares, false)
// Values of a Fonts key: the font file, by its path or in a fonts folder.
TW_REGISTRY_FIXER(TRegFixFonts, false)
// Value names of the MUI cache ("LangID" left out): the program or resource file.
TW_REGISTRY_FIXER(TRegFixMUICache, false)

}  // namespace tw
