#pragma once
// The "Custom places" section of the settings dialog: the user's own folders (with a file mask,
// with or without their subfolders) and registry keys (with a filter on value names), the fields
// to type one, and the buttons that add it as a folder or a key or remove the selected place.
// Every change is written to the settings at once, as typed; a removal moves the ticks of the
// places after it with them. The ready list shows the places as the group "Custom".
#include <windows.h>

#include <string>
#include <vector>

#include "settings/portable/CustomPlaces.h"
#include "settings/portable/Settings.h"
#include "ui/dialogs/ListSection.h"

namespace tw {

// The string-table row of a problem's text (-1 for None).
int CustomProblemRow(TCustomProblem problem);

class TCustomSection final : public TListSection {
 public:
  enum TButton { btnAddFolder, btnAddKey, btnRemove };

  // Parent: the dialog; its WM_COMMAND messages with ids FirstId to FirstId + 6 are the
  // section's (see Command).
  TCustomSection(HWND parent, int language, TSettingsStore& store, int firstId);

  // Adds the place field's text with the pattern field and the subfolders box as a place of
  // Kind: shown, stored and the fields emptied; or, when it cannot be added, its problem shown
  // under the fields and nothing changed.
  bool Add(TCustomKind kind);

  HWND PatternEdit() const { return pattern_; }
  HWND RecurseBox() const { return recurse_; }
  HWND Button(TButton button) const { return ButtonAt(button); }

 private:
  void AddClicked(int index) override;
  void WriteLines(TSettingsStore& store, const std::vector<std::string>& lines) override;
  std::string ShownText(const std::string& line) const override;
  // A removed place takes its tick with it; the ticks of the places after it move up.
  void Removing(std::size_t at) override;
  int PlaceFields(const TListSectionLayout& layout) override;

  HWND label_ = nullptr, pattern_ = nullptr, recurse_ = nullptr;
};

}  // namespace tw
