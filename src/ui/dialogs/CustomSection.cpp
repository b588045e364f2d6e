#include "ui/dialogs/CustomSection.h"

#include <algorithm>

#include "cleaners/CustomPlaceCheck.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "ui/components/Window.h"
#include "ui/dialogs/DialogParts.h"

namespace tw {
namespace {

// The section's ids after the list and the entry field.
enum : int { kIdPattern = 2, kIdRecurse, kIdAddFolder };

}  // namespace

int CustomProblemRow(TCustomProblem problem) {
  switch (problem) {
    case TCustomProblem::None: return -1;
    case TCustomProblem::Empty: return kRowCustomProblemEmpty;
    case TCustomProblem::FolderPath: return kRowCustomProblemFolderPath;
    case TCustomProblem::FolderWildcard: return kRowCustomProblemFolderWildcard;
    case TCustomProblem::Mask: return kRowCustomProblemMask;
    case TCustomProblem::FolderRefused: return kRowCustomProblemFolderRefused;
    case TCustomProblem::KeyRoot: return kRowCustomProblemKeyRoot;
    case TCustomProblem::KeyRefused: return kRowCustomProblemKeyRefused;
    case TCustomProblem::Filter: return kRowCustomProblemFilter;
  }
  return -1;
}

TCustomSection::TCustomSection(HWND parent, int language, TSettingsStore& store, int firstId)
    : TListSection(parent, language, store, firstId, kRowCustomTitle, kRowCustomHint) {
  label_ = CreateControl("STATIC", RowText(kRowCustomPatternLabel), WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10,
                         parent, 0);
  pattern_ = CreateControl("EDIT", "", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 10, 22, parent,
                           firstId + kIdPattern);
  recurse_ = CreateControl("BUTTON", RowText(kRowCustomRecurse), WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 10,
                           20, parent, firstId + kIdRecurse);
  const int rows[] = {kRowCustomAddFolder, kRowCustomAddKey, kRowCustomRemove};
  CreateButtons(rows, kIdAddFolder, ReadCustomLines(store));
}

int TCustomSection::PlaceFields(const TListSectionLayout& layout) {
  const int inner = layout.Inner, innerWidth = layout.InnerWidth, listWidth = layout.ListWidth;
  const int labelWidth = std::min(listWidth / 2, ControlTextWidth(label_) + 8);
  const int patternTop = layout.EditTop + 28;
  ::MoveWindow(label_, inner, patternTop + 3, labelWidth, 18, TRUE);
  const int patternWidth = std::max(60, (listWidth - labelWidth) / 2);
  ::MoveWindow(pattern_, inner + labelWidth, patternTop, patternWidth, 22, TRUE);
  const int boxLeft = inner + labelWidth + patternWidth + 12;
  ::MoveWindow(recurse_, boxLeft, patternTop + 1, std::max(40, inner + innerWidth - boxLeft), 20, TRUE);
  return patternTop + 26;
}

void TCustomSection::AddClicked(int index) {
  if (index == btnAddFolder) Add(TCustomKind::Folder);
  if (index == btnAddKey) Add(TCustomKind::Key);
}

void TCustomSection::WriteLines(TSettingsStore& store, const std::vector<std::string>& lines) {
  WriteCustomLines(store, lines);
}

bool TCustomSection::Add(TCustomKind kind) {
  TCustomPlace place;
  place.Kind = kind;
  place.Place = WindowText(Edit());
  place.Pattern = WindowText(pattern_);
  place.Recurse = kind == TCustomKind::Folder && ::SendMessageA(recurse_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  // Judged as it will be cleaned, kept as typed.
  if (const TCustomProblem problem = CustomPlaceProblemHere(place); problem != TCustomProblem::None) {
    const int row = CustomProblemRow(problem);
    ShowProblem(row >= 0 ? RowText(row) : std::string(CustomProblemText(problem)));
    return false;
  }
  ShowProblem("");
  const std::vector<TCustomPlace> places = ParseCustomLines(Lines());
  const bool known = std::any_of(places.begin(), places.end(),
                                 [&](const TCustomPlace& other) { return SameCustomPlace(other, place, true); });
  // A tick left from an earlier place of that id does not carry over to the new one.
  if (!known) ForgetCustomPlaceTick(Settings(), static_cast<int>(places.size()));
  AddLine(CustomPlaceText(place), known);
  ::SetWindowTextA(pattern_, "");
  ::SendMessageA(recurse_, BM_SETCHECK, BST_UNCHECKED, 0);
  return true;
}

void TCustomSection::Removing(std::size_t at) {
  const std::vector<std::string>& lines = Lines();
  TCustomPlace place;
  if (!ParseCustomPlace(lines[at], place)) return;
  // The item's index among the places (lines that do not parse make no item).
  int index = 0;
  for (std::size_t i = 0; i < at; ++i) index += ParseCustomPlace(lines[i], place) ? 1 : 0;
  RemoveCustomPlaceTicks(Settings(), index, static_cast<int>(ParseCustomLines(lines).size()));
}

std::string TCustomSection::ShownText(const std::string& line) const {
  TCustomPlace place;
  if (!ParseCustomPlace(line, place)) return line;
  const int row = place.Kind == TCustomKind::Key ? kRowCustomKeyInfo
                  : place.Recurse                ? kRowCustomFolderTreeInfo
                                                 : kRowCustomFolderInfo;
  return Format(RowText(row), CustomPatternList(place), place.Place);
}

}  // namespace tw
