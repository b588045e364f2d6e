#pragma once
// The "Protect" section of the settings dialog: the user's protect list (folders, files with
// wildcards, registry keys that no item may touch), an edit field and the buttons that add what
// it holds as a folder, a file or a key, or remove the selected entry. Every change is written
// to the settings at once, as typed (environment variables are expanded when the list is used).
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "engine/portable/ProtectList.h"
#include "settings/portable/Settings.h"

namespace tw {

// The string-table row of a problem text of the protect list (-1 for a text it does not know).
int ProtectProblemRow(const std::string& problem);

class TProtectSection {
 public:
  enum TButton { btnAddFolder, btnAddFile, btnAddKey, btnRemove };

  // Parent: the dialog; its WM_COMMAND messages with ids FirstId to FirstId + 5 are the
  // section's (see Command).
  TProtectSection(HWND parent, int language, TSettingsStore& store, int firstId);

  // Places the section's controls in the rectangle at Left, Top, Width wide; returns its height.
  int Place(int left, int top, int width);
  // Handles a WM_COMMAND of the parent; false when it is not one of the section's.
  bool Command(int id, int code);

  // Adds the edit field's text as an entry of Kind: shown, stored and the field emptied; or,
  // when it cannot be added, its problem shown under the field and nothing changed.
  bool Add(TProtectKind kind);
  // Removes the selected entry; false when none is selected.
  bool RemoveSelected();

  HWND List() const { return list_; }
  HWND Edit() const { return edit_; }
  HWND Button(TButton button) const { return buttons_[button]; }
  HWND Problem() const { return problem_; }
  // The stored lines, as the list shows them.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  void Fill();
  void Store();
  void ShowProblem(const std::string& text);

  int language_;
  TSettingsStore& store_;
  int firstId_;
  std::vector<std::string> lines_;
  HWND group_ = nullptr, hint_ = nullptr, list_ = nullptr, edit_ = nullptr, problem_ = nullptr;
  std::array<HWND, 4> buttons_{};
};

}  // namespace tw
