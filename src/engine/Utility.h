#pragma once
// Path and folder macros, system folders, the Windows version kind and token privileges.
// The text rules live in engine/portable/TextUtility.h; these functions add the platform.
#include <windows.h>

#include <string>

#include "database/IconExtractor.h"
#include "engine/portable/TextUtility.h"
#include "platform/ShellFolders.h"

namespace tw {

// The value of an environment variable; empty when it is not set.
std::string GetEnvVar(const std::string& name);
// Resolves a leading "%NAME%" macro ("%TEMP%", "%WINDIR%\HH.EXE"); other text unchanged.
std::string ExpandEnvPath(const std::string& text);
// The path of shell folder Id (created when missing), ending with "\"; empty for -1 or when the
// system has no such folder.
std::string SpecialFolderPath(int csidl);
// "CSIDL_COOKIES" or "CSIDL_COOKIES\sub": the folder (with "\") followed by the rest.
std::string ResolveFolderMacro(const std::string& text);
// A place as the user reads it: a folder macro ("CSIDL_COOKIES\sub") or a leading "%NAME%"
// resolved; "%TEMP%" is the user's "%LOCALAPPDATA%\Temp" from Vista on. Other text unchanged.
std::string ResolvePlaceText(const std::string& text);
// An existing file's full long path as the shell gives it; anything else unchanged.
std::string ShellNormalizePath(const std::string& path);
// The path macros the database's icon resolution uses, answered by this system.
TIconEnvironment SystemIconEnvironment();
// True when Path is the ProgramFiles, SystemRoot or WinDir folder (exact, case-sensitive).
bool IsSystemFolder(const std::string& path);
// The Windows and system folders, each ending with "\".
std::string WindowsFolder();
std::string SystemFolder();
// The Windows version kind of this system (read once).
int OsKind();
// The system's media folder ("MediaPath"), ending with "\"; empty when it is not recorded.
std::string MediaFolder();

// Gives the process token's privilege Name the Attributes (SE_PRIVILEGE_ENABLED = 2) and
// returns its previous attributes. Raises EOSError when the token cannot be opened, the name
// is unknown or the adjustment fails.
DWORD SetPrivilege(const std::string& name, DWORD attributes);

// Enables a privilege for the lifetime of the object and then puts back its previous state.
class TPrivilegeScope {
 public:
  explicit TPrivilegeScope(std::string name);
  ~TPrivilegeScope();
  TPrivilegeScope(const TPrivilegeScope&) = delete;
  TPrivilegeScope& operator=(const TPrivilegeScope&) = delete;

 private:
  std::string name_;
  DWORD previous_ = 0;
};

}  // namespace tw
