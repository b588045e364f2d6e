#pragma once
// The main window's private messages, numbered from WM_APP (0x8000), and the tray icon's.
namespace tw {

inline constexpr unsigned kWmApp = 0x8000;
// The scan manager's events, posted to the window by the main thread (wParam the work object;
// lParam the TWorkData of a finding, which the window then owns).
inline constexpr unsigned WM_WORKITEM = kWmApp + 1000;
inline constexpr unsigned WM_WORKDONE = kWmApp + 1001;
inline constexpr unsigned WM_TERMINATEAPP = kWmApp + 1002;
inline constexpr unsigned WM_DATABASEREADY = kWmApp + 1008;
inline constexpr unsigned WM_SHOWTIPS = kWmApp + 1009;
// A scan queued its objects: wParam their number, the end marker included.
inline constexpr unsigned WM_SCANQUEUED = kWmApp + 1010;
inline constexpr unsigned WM_TRAYNOTIFY = 0x0400 + 100;  // WM_USER + 100

}  // namespace tw
