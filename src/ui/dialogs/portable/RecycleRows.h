#pragma once
// Rows of the string table for recoverable cleaning: the setting and the clean summary's line.

namespace tw {

inline constexpr int kRowMoveToRecycleBin = 274;  // "Move removed files to the Recycle Bin"
inline constexpr int kRowRecycledSummary = 275;   // "%d files (%s) can be restored from the Recycle Bin."

}  // namespace tw
