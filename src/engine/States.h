#pragma once
// The two process-wide states that the main window, the scan manager and the dialogs read.
// Both are kept by the main thread; the scan manager reads CurrentMode and never ScanState.
#include <cstdint>

namespace tw {

// The cleaning mode the user picked.
enum TPresetMode : std::uint8_t {
  pmNone = 0,
  pmQuick = 1,
  pmCookie = 2,
  pmHistory = 3,
  pmPrivacy = 4,
  pmRegistry = 5,
  pmWipeOut = 6,
  pmAdvanced = 7,
};

// Where the main window is in a run.
enum TScanState : std::uint8_t {
  ssIdle = 0,
  ssScanning = 1,
  ssResults = 2,
  ssCleaning = 3,
};

extern std::uint8_t CurrentMode;
extern std::uint8_t ScanState;

}  // namespace tw
