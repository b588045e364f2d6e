#pragma once
// The user's own state of the ready list: which items are ticked, which groups are open, the
// icon size and the last tip shown. The scan database brings the defaults; what the user chose
// is kept with the user's settings and read over them, so the installed database is never
// written.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "settings/portable/Settings.h"

namespace tw {

struct TUserState {
  std::map<std::string, bool> Checked;   // item id -> ticked
  std::map<std::string, bool> Expanded;  // group id -> open
  std::optional<bool> SmallIcons;
  std::optional<std::string> LastTip;
  bool operator==(const TUserState&) const = default;
};

// "id:1;id:0": ids as they are, in id order. Parsing skips pieces that are not of that form.
std::string StateMapText(const std::map<std::string, bool>& map);
std::map<std::string, bool> ParseStateMap(std::string_view text);

// Values "ItemChecks", "GroupsExpanded", "SmallIcons" and "LastTip"; a missing value is not part
// of the state (the database's default stands).
TUserState ReadUserState(TSettingsStore& store);
void WriteUserState(TSettingsStore& store, const TUserState& state);

}  // namespace tw
