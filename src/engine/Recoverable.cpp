#include "engine/Recoverable.h"

namespace tw {

bool ItemRecoverable(const TXmlNode& item) {
  if (!item) return false;
  if (item.AttrOpt("recoverable").value_or("") == "true") return true;
  return RecoverableItemId(item.AttrOpt("id").value_or(""));
}

}  // namespace tw
