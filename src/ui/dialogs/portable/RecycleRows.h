#pragma once
// Rows of the string table for recoverable cleaning: the setting and the clean summary's line.

namespace tw {

inline constexpr int kRowMoveToRecycleBin = 295;  // "Move removed files to the Recycle Bin"
inline constexpr int kRowRecycledSummary = 296;   // "%d files (%s) can be restored from the Recycle Bin."

}  // namespace tw
