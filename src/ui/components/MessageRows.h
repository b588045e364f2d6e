#pragma once
// Rows of the string table for the messages of the windows: captions of message boxes, the help
// errors, the diagnostics-log setting, the kept-cookies save failure and URL-cache lookups.
namespace tw {

inline constexpr int kRowCaptionWarning = 219;       // "Warning"
inline constexpr int kRowCaptionError = 243;         // "Error"
inline constexpr int kRowCaptionInformation = 244;   // "Information"
inline constexpr int kRowCaptionConfirm = 245;       // "Confirm"
inline constexpr int kRowHelpNotFound = 246;         // "Help file \"%s\" not found!..."
inline constexpr int kRowNoHelpProgram = 247;        // "No program is set to open \"%s\"."
inline constexpr int kRowDiagnosticsLog = 248;       // "Write a diagnostics log"
inline constexpr int kRowKeptCookiesNotSaved = 249;  // "... could not be saved to %s:\r\n%s"
inline constexpr int kRowCacheEntryNotFound = 250;   // "not found in the cache"
inline constexpr int kRowCacheLookupFailed = 251;    // "the cache could not be read (error %d)"
inline constexpr int kRowOops = 252;                 // "Oops!"

}  // namespace tw
