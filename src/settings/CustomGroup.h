#pragma once
// The custom places in the scan database's document: the group "gcustom" put among the groups
// (after the database's own, before the tips), so that the ready list shows it and a scan runs
// its items like any other.
#include <string>
#include <vector>

#include "database/XmlDom.h"
#include "settings/portable/CustomPlaces.h"

namespace tw {

// The group's texts in the four languages, from the string table.
std::array<TCustomTexts, 4> CustomGroupTexts();
// Replaces the document's custom group (if any) by one for Places, Checked naming the ticked
// ones by index; no group at all when Places is empty. Raises EXMLDocError when it cannot.
void PutCustomGroup(TXmlDocument& document, const std::vector<TCustomPlace>& places,
                    const std::vector<bool>& checked = {});
// The same for the user's stored places (every one unticked).
void PutStoredCustomGroup(TXmlDocument& document, TSettingsStore& store);
// Item is an item of the custom group.
bool IsCustomItem(const TXmlNode& item);
// Each custom item's "mode" set from its tick: ticked, it takes part in every mode.
void SyncCustomModes(TXmlDocument& document);

}  // namespace tw
