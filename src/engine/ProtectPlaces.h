#pragma once
// The user's protect list as the engine honours it: stored entries ("folder:%USERPROFILE%\Keep")
// parsed, and their environment variables expanded as this process sees them.
#include <string>
#include <vector>

#include "engine/portable/ProtectList.h"

namespace tw {

// Every "%NAME%" of Text that names a set variable replaced by its value; the rest unchanged.
std::string ExpandEnvironment(const std::string& text);
// The entries of Lines that parse, in order, their text as typed (nothing expanded).
std::vector<TProtectEntry> ParseProtectLines(const std::vector<std::string>& lines);
// The two entries name the same place: same kind, same text once expanded, but for letter case,
// "/" or "\" and a trailing separator.
bool SameProtectPlace(const TProtectEntry& a, const TProtectEntry& b);
// The list built from Lines with each entry's variables expanded; a line that does not parse,
// or whose entry still has a problem once expanded, protects nothing.
TProtectList ProtectListFromLines(const std::vector<std::string>& lines);

}  // namespace tw
