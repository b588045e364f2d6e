#pragma once
// The cleaning modes. The front end keeps the one the user picked and passes it to each scan.
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

}  // namespace tw
