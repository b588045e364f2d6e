#pragma once
// The ids of the scan database's groups and items that code treats apart from the others. Ids
// compare as text ("g00" < "g01" < ... < "g13"), and some rules count on that order.
#include <string_view>

namespace tw {

inline constexpr const char* kGroupRegistry = "g00";       // the registry integrity group
inline constexpr const char* kGroupSystemBrowser = "g01";  // Internet Explorer and its kin
inline constexpr const char* kGroupSafari = "g04";
inline constexpr const char* kGroupMessengers = "g05";     // chat, mail and meeting programs
inline constexpr const char* kGroupChrome = "g13";
inline constexpr const char* kCustomGroupId = "gcustom";   // the user's custom places

// The messengers' items whose icons name no program to close.
inline constexpr std::string_view kItemFirstMessenger = "g05-i01";
inline constexpr std::string_view kItemLastMessenger = "g05-i06";
inline constexpr const char* kItemRecentDocuments = "g07-i02";
inline constexpr const char* kItemUserAssist = "g07-i13";  // values named in ROT13, binary counters
inline constexpr const char* kItemJumpLists = "g07-i14";
inline constexpr const char* kItemOfficeRecent = "g09-i04";

}  // namespace tw
