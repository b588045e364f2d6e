#pragma once
// Command-line switches of the program, free of any window.
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// True when an argument is Name after "-" or "/", in any letter case ("-hide", "/Hide").
bool HasSwitch(const std::vector<std::string>& args, std::string_view name);
// The switch that starts the program hidden in the notification area.
inline bool HasHideSwitch(const std::vector<std::string>& args) { return HasSwitch(args, "HIDE"); }
// The switch that asks a running instance to end (and starts nothing).
inline bool HasTerminateSwitch(const std::vector<std::string>& args) { return HasSwitch(args, "TERMINATE"); }

}  // namespace tw
