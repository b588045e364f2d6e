#pragma once
// What the list sections of the settings dialog share: a titled frame, an explanation, the list
// of the lines the section keeps in the settings with its buttons beside it (the last one removes
// the selected line), the entry field under the list and, under the fields, the problem of the
// last entry that could not be added. Every change is written to the settings at once.
#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "settings/portable/Settings.h"
#include "ui/dialogs/DialogParts.h"

namespace tw {

class TListSection {
 public:
  virtual ~TListSection() = default;
  TListSection(const TListSection&) = delete;
  TListSection& operator=(const TListSection&) = delete;

  // Places the section's controls in the rectangle at Left, Top, Width wide; returns its height.
  int Place(int left, int top, int width);
  // Handles a WM_COMMAND of the parent; false when it is not one of the section's.
  bool Command(int id, int code);
  // Removes the selected line; false when none is selected.
  bool RemoveSelected();

  HWND List() const { return list_; }
  HWND Edit() const { return edit_; }
  HWND Problem() const { return problem_; }
  // The stored lines, in the list's order.
  const std::vector<std::string>& Lines() const { return lines_; }

 protected:
  // Parent: the dialog; the section's WM_COMMAND ids are FirstId (the list), FirstId + 1 (the
  // entry field), the ids of the section's own fields, then those of its buttons. TitleRow and
  // HintRow: the frame's title and the explanation.
  TListSection(HWND parent, int language, TSettingsStore& store, int firstId, int titleRow, int hintRow);

  // Makes the buttons (their texts' rows, Remove last) with the ids from FirstButtonId on, then
  // the problem's label; then shows Lines.
  void CreateButtons(std::span<const int> rows, int firstButtonId, std::vector<std::string> lines);
  // Button Index was clicked (not Remove).
  virtual void AddClicked(int index) = 0;
  // Writes the lines to the settings.
  virtual void WriteLines(TSettingsStore& store, const std::vector<std::string>& lines) = 0;
  // How a line shows in the list.
  virtual std::string ShownText(const std::string& line) const { return line; }
  // Line At is about to be removed.
  virtual void Removing(std::size_t /*at*/) {}
  // Places the section's own fields under the entry field; returns where the problem goes.
  virtual int PlaceFields(const TListSectionLayout& layout) { return layout.EditTop + 26; }

  // Row of the string table in the section's language.
  std::string RowText(int row) const;
  // Shows the problem of an entry (empty: none).
  void ShowProblem(const std::string& text);
  // Adds Line (unless Known), stores the lines and empties the entry field.
  void AddLine(const std::string& line, bool known);
  HWND Parent() const { return parent_; }
  HWND ButtonAt(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
  int FirstId() const { return firstId_; }
  TSettingsStore& Settings() { return store_; }

 private:
  void Fill();
  void Save();

  HWND parent_;
  int language_;
  TSettingsStore& store_;
  int firstId_;
  int firstButtonId_ = 0;
  std::vector<std::string> lines_;
  HWND group_ = nullptr, hint_ = nullptr, list_ = nullptr, edit_ = nullptr, problem_ = nullptr;
  std::vector<HWND> buttons_;
};

}  // namespace tw
