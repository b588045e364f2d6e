#pragma once
// Rows of the string table for what a scan or a clean could not do: errors, skipped items, the
// administrator-rights offer and the locked browser database.

namespace tw {

inline constexpr int kRowNotScanned = 265;          // "%d items could not be scanned"
inline constexpr int kRowSkippedForRights = 266;    // "%d items were skipped: they need administrator rights."
inline constexpr int kRowRightsTitle = 267;         // "Administrator rights needed"
inline constexpr int kRowRightsExplained = 268;     // "These items change parts of Windows that every user ..."
inline constexpr int kRowRestartAsAdmin = 269;      // "Restart as administrator"
inline constexpr int kRowCleanTheRest = 270;        // "Clean the rest"
inline constexpr int kRowContinue = 271;            // "Continue"
inline constexpr int kRowBrowserLocked = 272;       // "A browser is running and keeps its database locked..."
inline constexpr int kRowCleanErrors = 273;         // "%d items reported errors during the clean"
inline constexpr int kRowKeptProtected = 274;       // "%d findings were kept: the protect list names them."

}  // namespace tw
