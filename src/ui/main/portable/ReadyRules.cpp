#include "ui/main/portable/ReadyRules.h"
#include "database/portable/ItemIds.h"
#include "strings/StrRows.h"

#include <array>

namespace tw {

int ModeRow(int mode) {
  static constexpr std::array<int, 8> kRows = {kRowSelectPresetMode, kRowPresetQuick, kRowPresetCookies, kRowPresetHistory,
                                                 kRowPresetPrivacy, kRowPresetRegistry, kRowPresetComplete, kRowPresetAdvanced};
  return mode >= 0 && mode < 8 ? kRows[static_cast<std::size_t>(mode)] : kRows[0];
}

std::optional<bool> GroupShownInMode(int mode, std::string_view groupId) {
  switch (mode) {
    case 1:
    case 2:
    case 3:
    case 4:
      return groupId > std::string_view(kGroupRegistry);
    case 5:
      return groupId == kGroupRegistry || groupId == kCustomGroupId;  // the custom places show in every mode
    case 0:
    case 6:
    case 7:
      return true;
    default:
      return std::nullopt;
  }
}

bool ItemEnabledInMode(int mode, std::string_view modeText) {
  if (mode == 5 || mode == 7) return true;
  if (mode < 1 || mode > 7) return false;
  return modeText.size() >= static_cast<std::size_t>(mode) && modeText[static_cast<std::size_t>(mode) - 1] == '1';
}

bool ModeHasCheckBoxes(int mode) { return mode == 5 || mode == 7; }

int NextMode(int mode) { return mode >= 1 && mode < 7 ? mode + 1 : 1; }

int ScanRefusalRow(int mode, bool anyItemChecked) {
  if (mode == 0) return kRowSelectPresetMode;
  if (ModeHasCheckBoxes(mode) && !anyItemChecked) return kRowChooseItemsToScan;
  return 0;
}

}  // namespace tw
