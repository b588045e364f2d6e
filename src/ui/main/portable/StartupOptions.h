#pragma once
// Command-line switches and window placement rules of the main window, free of any window.
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

// One axis of placing a dialog over its owner: centred on the owner, kept 20 pixels inside the
// screen when it would leave it on the far side, moved to 20 when it would start off-screen.
int CenterCoordinate(int ownerPos, int ownerSize, int dialogSize, int screenSize);

}  // namespace tw
