#pragma once
// Whether this process runs with administrator rights, and starting the program again with them.
#include <string>

namespace tw {

// The variable that overrides the check, for tests (Wine runs every process as an
// administrator): "1" elevated, "0" not; anything else, or unset, asks the system.
inline constexpr const char* kElevationOverride = "TIDEWHISK_TEST_ELEVATED";

// True when the process token is elevated (on systems before user account control: when the
// user belongs to the administrators).
bool ProcessIsElevated();

// Starts Program with Parameters through the shell's "runas" verb, which asks for administrator
// rights. False when it did not start (the user declined, or the shell failed).
bool StartElevated(const std::string& program, const std::string& parameters);

}  // namespace tw
