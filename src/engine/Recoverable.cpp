#include "engine/Recoverable.h"

#include <array>

namespace tw {

namespace {

// Files a user may want back after a clean: shortcuts to recent documents (Explorer's, Office's)
// and the taskbar jump lists, which hold what the user pinned.
constexpr std::array<std::string_view, 3> kRecoverableItems = {
    "g07-i02",  // Recent documents
    "g07-i14",  // Jump lists
    "g09-i04",  // Office recent shortcuts
};

}  // namespace

bool RecoverableItemId(std::string_view id) {
  for (std::string_view known : kRecoverableItems)
    if (known == id) return true;
  return false;
}

bool ItemRecoverable(const TXmlNode& item) {
  if (!item) return false;
  if (item.AttrOpt("recoverable").value_or("") == "true") return true;
  return RecoverableItemId(item.AttrOpt("id").value_or(""));
}

}  // namespace tw
