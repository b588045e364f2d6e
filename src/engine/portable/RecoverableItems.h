#pragma once
// The scan database's items whose files are the user's own (shortcuts to recent documents, the
// jump lists): a clean may move them into the Recycle Bin. Custom places say so themselves
// (recoverable="true"); temporary and cache files are never among them.
#include <span>
#include <string_view>

namespace tw {

// The ids of those items.
std::span<const std::string_view> RecoverableItemIds();

// True when Id is one of them.
bool RecoverableItemId(std::string_view id);

}  // namespace tw
