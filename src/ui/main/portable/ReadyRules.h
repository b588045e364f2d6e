#pragma once
// The rules of the cleaning modes for the ready list, free of any window: which groups show,
// which items the user may tick, and the captions of the modes.
#include <optional>
#include <string_view>

namespace tw {

// The string-table row of a mode's header caption and button hint (modes above 7: the one of mode 0).
int ModeRow(int mode);
// Whether a group with GroupId shows in Mode; no answer for modes above 7 (the list keeps what it
// had). Ids are compared as text: in modes 1 to 4 every group after "g00" shows; the custom
// places ("gcustom") show in every mode.
std::optional<bool> GroupShownInMode(int mode, std::string_view groupId);
// Whether an item with the "mode" text ModeText is enabled in Mode: none in mode 0, all in the
// modes where the user ticks items (5 and 7), else those with "1" at the mode's position
// (counted from 1; a shorter text disables).
bool ItemEnabledInMode(int mode, std::string_view modeText);
// The user ticks items in modes 5 and 7 only.
bool ModeHasCheckBoxes(int mode);
// A click on the list's header: the next mode in the order 1, 2, ... 7, 1 (0 goes to 1).
int NextMode(int mode);
// Why a scan cannot start: the string-table row of the refusal's text ("Select Preset
// Mode..." without a mode; "Choose some items to scan and clean" in the modes where the user
// ticks items and none is ticked), or 0 when the scan may start.
int ScanRefusalRow(int mode, bool anyItemChecked);

// Tile heights of the ready list. Large icons take 42 pixels either way. A list built while small
// icons are set takes 32 pixels, while switching to small icons from the menu takes 28: the two
// paths have always differed that way and users see it, so they stay apart until the list is
// given one small size on purpose.
inline constexpr int kReadyTileHeightLarge = 42;
inline constexpr int kReadyTileHeightSmallBuilt = 32;
inline constexpr int kReadyTileHeightSmallSwitched = 28;

}  // namespace tw
