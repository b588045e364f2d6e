#include "engine/portable/ScanRules.h"

#include <cctype>

#include "database/portable/ItemIds.h"

namespace tw {

// The user's custom places ("gcustom") take part in every mode, the registry mode too.
bool GroupTakesPart(int mode, std::string_view groupId) {
  return mode != 5 || groupId == kGroupRegistry || groupId == kCustomGroupId;
}

bool ItemTakesPart(int mode, std::string_view enabled, std::string_view modeText,
                   std::string_view checked) {
  if (enabled == "false") return false;
  if (mode == 5 || mode == 7) return checked == "true";
  if (mode < 1 || static_cast<std::size_t>(mode) > modeText.size()) return false;
  return modeText[mode - 1] == '1';
}

std::string IconProgram(std::string_view iconField) {
  std::size_t cut = iconField.find_last_of("\\:");
  std::string name(cut == std::string_view::npos ? iconField : iconField.substr(cut + 1));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name.find(".exe") == std::string::npos) return {};
  if (name == "msmsgs.exe" || name == "msascui.exe") return {};
  return name;
}

bool IconProgramsIgnored(std::string_view itemId) {
  return itemId >= kItemFirstMessenger && itemId <= kItemLastMessenger;
}

bool ErrorMeansAbsent(std::string_view message) {
  if (message.starts_with("Path not found! ")) return true;
  if (message.starts_with("Subkey \"") && message.ends_with("\" not found.")) return true;
  // "Opera not found!", "Firefox profile not found!", "Chrome User Data not found!"...
  return message.ends_with(" not found!");
}

}  // namespace tw
