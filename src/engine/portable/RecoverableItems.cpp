#include "engine/portable/RecoverableItems.h"

#include <algorithm>
#include <array>

#include "database/portable/ItemIds.h"

namespace tw {

namespace {

// Files a user may want back after a clean: shortcuts to recent documents (Explorer's, Office's)
// and the taskbar jump lists, which hold what the user pinned.
constexpr std::array<std::string_view, 3> kRecoverableItems = {
    kItemRecentDocuments,
    kItemJumpLists,
    kItemOfficeRecent,
};

}  // namespace

std::span<const std::string_view> RecoverableItemIds() { return kRecoverableItems; }

bool RecoverableItemId(std::string_view id) {
  return std::find(kRecoverableItems.begin(), kRecoverableItems.end(), id) != kRecoverableItems.end();
}

}  // namespace tw
