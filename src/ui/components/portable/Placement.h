#pragma once
// Placement rules for dialogs, free of any window.

namespace tw {

// One axis of placing a dialog over its owner: centred on the owner, kept 20 pixels inside the
// screen when it would leave it on the far side, moved to 20 when it would start off-screen.
int CenterCoordinate(int ownerPos, int ownerSize, int dialogSize, int screenSize);

}  // namespace tw
