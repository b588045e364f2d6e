#pragma once
// Which items are the user's own places, whose removed files may go into the Recycle Bin
// instead of being deleted: items marked recoverable="true" in the scan database (every custom
// place is), and the database's items named in RecoverableItemIds. Temporary and cache files
// are never recoverable: they are always deleted outright.
#include "database/XmlDom.h"
#include "engine/portable/RecoverableItems.h"

namespace tw {

// True for an Item node marked recoverable="true" or named by RecoverableItemId.
bool ItemRecoverable(const TXmlNode& item);

}  // namespace tw
