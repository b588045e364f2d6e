#pragma once
// Writing a "REGEDIT4" text back into the registry: every key of the text is created and every
// value written under it exactly (type and bytes), in the 64-bit view.
//
// Text that is not UTF-8 is the system registry editor's REGEDIT4 export in the system's code
// page and is read as such; so are string data ("hex(1)", "hex(2)", "hex(7)") that are not
// UTF-8.
#include <string>
#include <string_view>
#include <vector>

#include "registry/portable/RegImport.h"

namespace tw {

struct TRestoreEntry {
  std::string Key;     // "HKEY_CURRENT_USER\Software\x"
  std::string Value;   // the value's name; empty for the default value
  bool IsKey = false;  // a key of the text (created), not a value
  bool Restored = false;
  std::string Error;  // why it was not restored
};

struct TRestoreReport {
  std::vector<TRestoreEntry> Entries;
  int Restored = 0, Failed = 0;
  bool AllRestored() const { return Failed == 0; }
};

// Parses the whole Text first (ERegTextError for a damaged one, and nothing is written), then
// writes it. A key or value that cannot be written is reported and the rest still written. A
// key whose one value is a "SymbolicLinkValue" of type REG_LINK is made a registry link again.
TRestoreReport RestoreRegText(std::string_view text);
// The keys Text writes ("HKEY_CURRENT_USER\Software\x"), in its order. Raises ERegTextError.
std::vector<std::string> RestorePlan(std::string_view text);

// Text in the system's ANSI code page as UTF-8.
std::string SystemCodePageToUtf8(std::string_view text);

}  // namespace tw
