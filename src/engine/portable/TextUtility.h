#pragma once
// Text helpers of the path and folder macros and of the scan database, without the platform:
// the platform readings (environment, shell folders, version numbers) come in as arguments.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "support/Fields.h"

namespace tw {

// Letters A-M and N-Z (either case) rotated by 13 places; everything else unchanged.
std::string Rot13(std::string_view text);

// The shell folder id of a "CSIDL_..." name, in any letter case; -1 for any other name.
int CsidlFromName(std::string_view name);

bool IsDotEntry(std::string_view name);

// Text with a trailing "\" (added unless it already ends with one).
std::string WithBackslash(std::string text);

using TGetEnv = std::function<std::string(const std::string& name)>;
using TFolderById = std::function<std::string(int csidl)>;

// "%NAME%\rest" -> value of NAME + "\rest"; "%NAME%" -> value of NAME; anything else unchanged.
std::string ExpandEnvPathWith(const std::string& text, const TGetEnv& getEnv);
// "CSIDL_NAME\rest" -> folder (ending with "\") + "rest"; "CSIDL_NAME" -> folder.
std::string ResolveFolderMacroWith(const std::string& text, const TFolderById& folder);
// Path (with "\" added) equals ProgramFiles, SystemRoot or WinDir (each with "\" added); exact.
bool IsSystemFolderWith(const std::string& path, const TGetEnv& getEnv);

// The version kind of a Windows system (0 not recognised ... 18 Vista, 19 every later Windows:
// 6.1 to 6.3, 10.0 for Windows 10 and 11, and any newer version).
// Platform: 1 the 9x family, 2 the NT family. ServicePackText: the 9x family's text ("A", "B").
// ServicePack: the NT family's service pack, major number in the high byte, minor in the low.
int OsKindOf(unsigned platform, unsigned major, unsigned minor, std::string_view servicePackText,
             std::uint16_t servicePack);
inline constexpr int kOsKindServer2003 = 17;  // 5.2: the last kind before Vista
inline constexpr int kOsKindVista = 18;
inline constexpr int kOsKindAfterVista = 19;  // 6.1 and every later version
// Vista and every later Windows keep the per-user temporary folder under Local AppData, call
// the shell's root "Computer" and show recycled items by name.
inline bool VistaOrLater(int osKind) { return osKind >= kOsKindVista; }

}  // namespace tw
