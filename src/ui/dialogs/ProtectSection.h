#pragma once
// The "Protect" section of the settings dialog: the user's protect list (folders, files with
// wildcards, registry keys that no item may touch), an edit field and the buttons that add what
// it holds as a folder, a file or a key, or remove the selected entry. Every change is written
// to the settings at once, as typed (environment variables are expanded when the list is used).
#include <windows.h>

#include <string>
#include <vector>

#include "engine/portable/ProtectList.h"
#include "settings/portable/Settings.h"
#include "ui/dialogs/ListSection.h"

namespace tw {

// The string-table row of a problem text of the protect list (-1 for a text it does not know).
int ProtectProblemRow(const std::string& problem);

class TProtectSection final : public TListSection {
 public:
  enum TButton { btnAddFolder, btnAddFile, btnAddKey, btnRemove };

  // Parent: the dialog; its WM_COMMAND messages with ids FirstId to FirstId + 5 are the
  // section's (see Command).
  TProtectSection(HWND parent, int language, TSettingsStore& store, int firstId);

  // Adds the edit field's text as an entry of Kind: shown, stored and the field emptied; or,
  // when it cannot be added, its problem shown under the field and nothing changed.
  bool Add(TProtectKind kind);

  HWND Button(TButton button) const { return ButtonAt(button); }

 private:
  void AddClicked(int index) override;
  void WriteLines(TSettingsStore& store, const std::vector<std::string>& lines) override;
};

}  // namespace tw
