#pragma once
// The switches with which the program starts itself again with administrator rights: the mode,
// the ticked items (an elevated process may run as another account, whose settings are not the
// user's), a scan at once, and the process to wait for (the instance that restarts).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tw {

struct TRestartOptions {
  std::optional<int> Mode;                         // "-MODE:n", n from 0 to 7
  std::optional<std::vector<std::string>> Items;   // "-ITEMS:id,id..." (may be empty: none ticked)
  bool Scan = false;                               // "-SCAN"
  std::uint32_t WaitPid = 0;                       // "-WAITPID:n"
  bool operator==(const TRestartOptions&) const = default;
};

// The switches of Args (after "-" or "/", names in any letter case, ":" or "=" before a value).
// A value that is not what its switch takes leaves that switch unset.
TRestartOptions ReadRestartOptions(const std::vector<std::string>& args);

// The command-line parameters that ReadRestartOptions reads back as Options.
std::string RestartParameters(const TRestartOptions& options);

}  // namespace tw
