#pragma once
// The "Custom places" section of the settings dialog: the user's own folders (with a file mask,
// with or without their subfolders) and registry keys (with a filter on value names), the fields
// to type one, and the buttons that add it as a folder or a key or remove the selected place.
// Every change is written to the settings at once, as typed; a removal moves the ticks of the
// places after it with them. The ready list shows the places as the group "Custom".
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "settings/portable/CustomPlaces.h"
#include "settings/portable/Settings.h"

namespace tw {

// The string-table row of a problem's text (-1 for None).
int CustomProblemRow(TCustomProblem problem);

class TCustomSection {
 public:
  enum TButton { btnAddFolder, btnAddKey, btnRemove };

  // Parent: the dialog; its WM_COMMAND messages with ids FirstId to FirstId + 6 are the
  // section's (see Command).
  TCustomSection(HWND parent, int language, TSettingsStore& store, int firstId);

  // Places the section's controls in the rectangle at Left, Top, Width wide; returns its height.
  int Place(int left, int top, int width);
  // Handles a WM_COMMAND of the parent; false when it is not one of the section's.
  bool Command(int id, int code);

  // Adds the place field's text with the pattern field and the subfolders box as a place of
  // Kind: shown, stored and the fields emptied; or, when it cannot be added, its problem shown
  // under the fields and nothing changed.
  bool Add(TCustomKind kind);
  // Removes the selected place; false when none is selected.
  bool RemoveSelected();

  HWND List() const { return list_; }
  HWND Edit() const { return edit_; }
  HWND PatternEdit() const { return pattern_; }
  HWND RecurseBox() const { return recurse_; }
  HWND Button(TButton button) const { return buttons_[button]; }
  HWND Problem() const { return problem_; }
  // The stored lines, in the list's order.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  void Fill();
  void Store();
  void ShowProblem(const std::string& text);

  int language_;
  TSettingsStore& store_;
  int firstId_;
  std::vector<std::string> lines_;
  HWND group_ = nullptr, hint_ = nullptr, list_ = nullptr, edit_ = nullptr, label_ = nullptr,
       pattern_ = nullptr, recurse_ = nullptr, problem_ = nullptr;
  std::array<HWND, 3> buttons_{};
};

}  // namespace tw
