#pragma once
// The user's state of the ready list laid over the scan database's document and taken from it.
#include "database/XmlDom.h"
#include "settings/portable/UserState.h"

namespace tw {

// Sets "checked" of every item and "expanded" of every group that State names (by "id"), the
// root's "smallIcons" and the tips' "lastTip" when State has them; the rest keep the defaults.
void ApplyUserState(TXmlDocument& document, const TUserState& state);
// The state as the document holds it now: every item's and group's with an id.
TUserState CaptureUserState(const TXmlDocument& document);

}  // namespace tw
