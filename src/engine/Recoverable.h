#pragma once
// Which items are the user's own places, whose removed files may go into the Recycle Bin
// instead of being deleted: items marked recoverable="true" in the scan database (every custom
// place is), and the database's items of the user's recent documents. Temporary and cache files
// are never recoverable: they are always deleted outright.
#include <string_view>

#include "database/XmlDom.h"

namespace tw {

// True for an Item node marked recoverable="true" or named in the table of recoverable items.
bool ItemRecoverable(const TXmlNode& item);

// The database items whose files are the user's recent documents (shortcuts to them, the jump
// lists); true when Id is one of them.
bool RecoverableItemId(std::string_view id);

}  // namespace tw
