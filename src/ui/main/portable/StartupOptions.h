#pragma once
// Command-line switches and window placement rules of the main window, free of any window.
#include <string>
#include <vector>

namespace tw {

// True when an argument is "HIDE" after "-" or "/", in any letter case ("-hide", "/Hide").
bool HasHideSwitch(const std::vector<std::string>& args);

// One axis of placing a dialog over its owner: centred on the owner, kept 20 pixels inside the
// screen when it would leave it on the far side, moved to 20 when it would start off-screen.
int CenterCoordinate(int ownerPos, int ownerSize, int dialogSize, int screenSize);

}  // namespace tw
