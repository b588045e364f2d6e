#pragma once
// The text rules of the shell-trace cleaners (clipboard, Recycle Bin, shortcuts, hotfix folders,
// desktop-search data), apart from the platform: what the system reports comes in as arguments.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "support/LogFile.h"

namespace tw {

// Text without its leading and trailing blanks and control characters (everything up to " ").
std::string TrimBlanks(std::string_view text);

// A hotfix uninstall folder's name holds two "$" signs ("$NtUninstallKB123456$").
bool MatchesHotFixPattern(std::string_view text);

// Files that the desktop-search program keeps as its settings and that a clean of its data
// folder spares: a name holding ".xml", ".txt" or "sidebar" (letter case as written), or
// "uinfo.dat" in any letter case.
bool IsSparedDataFile(std::string_view name);

// What the system can tell about a shortcut's target.
enum class TTargetState { Present, Missing, Unknown };
struct TTargetProbe {
  // True when Root ("C:\") is a fixed disk that is present.
  std::function<bool(const std::string& root)> isFixedDisk;
  std::function<TTargetState(const std::string& path)> state;
};

// A shortcut is broken when its target ("C:\dir\file") is certainly missing from a fixed disk
// that is present. Targets on removable, network or absent drives, network paths (any "\\"),
// relative or empty targets, and targets the system cannot tell about are never broken.
bool IsBrokenTarget(std::string_view target, const TTargetProbe& probe);

// One detail of a recycled item; nothing when it cannot be read. May raise.
using TDetailReader = std::function<std::optional<std::string>()>;

// The text of a Recycle Bin finding: the folder the item was deleted from with a "\" added, then
// the item's name. A detail that cannot be read adds nothing; an error while reading is logged
// as "[GetDetailsEx] class: message" and the text is what was gathered before it. When nothing
// was gathered, ItemPath (the item's own path in the Recycle Bin).
std::string RecycledItemText(const TDetailReader& location, const TDetailReader& name,
                             const std::string& itemPath, TFileLogFile& log = LogFile());

// The number of bytes a size column shows ("300 bytes", "12 KB", "1,234 KB", "1.50 MB",
// "1,5 Mo"): digits with group separators (a separator followed by exactly three digits) and
// at most one decimal separator, then a unit counted in 1024s. Nothing for other text.
std::optional<std::int64_t> SizeFromColumnText(std::string_view text);

}  // namespace tw
