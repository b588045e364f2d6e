#include "ui/dialogs/CustomSection.h"

#include <algorithm>

#include "cleaners/CustomPlaceCheck.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "ui/components/Window.h"
#include "ui/dialogs/DialogParts.h"

namespace tw {
namespace {

enum : int { kIdList, kIdEdit, kIdPattern, kIdRecurse, kIdAddFolder, kIdAddKey, kIdRemove };

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
    : language_(language), store_(store), firstId_(firstId) {
  const int l = language_;
  const auto text = [l](int row) { return std::string(StrRes(row, l)); };
  group_ = CreateControl("BUTTON", text(kRowCustomTitle), WS_VISIBLE | BS_GROUPBOX, 0, 0, 10, 10, parent, 0);
  hint_ = CreateControl("STATIC", text(kRowCustomHint), WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, parent, 0);
  list_ = CreateControl("LISTBOX", "",
                        WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY |
                            LBS_NOINTEGRALHEIGHT,
                        0, 0, 10, 10, parent, firstId_ + kIdList);
  edit_ = CreateControl("EDIT", "", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 10, 22, parent,
                        firstId_ + kIdEdit);
  label_ = CreateControl("STATIC", text(kRowCustomPatternLabel), WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10,
                         parent, 0);
  pattern_ = CreateControl("EDIT", "", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 10, 22, parent,
                           firstId_ + kIdPattern);
  recurse_ = CreateControl("BUTTON", text(kRowCustomRecurse), WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 10,
                           20, parent, firstId_ + kIdRecurse);
  const int rows[3] = {kRowCustomAddFolder, kRowCustomAddKey, kRowCustomRemove};
  for (int i = 0; i < 3; ++i)
    buttons_[static_cast<std::size_t>(i)] = CreateControl("BUTTON", text(rows[i]),
                                                          WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 26,
                                                          parent, firstId_ + kIdAddFolder + i);
  problem_ = CreateControl("STATIC", "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, parent, 0);
  lines_ = ReadCustomLines(store_);
  Fill();
}

int TCustomSection::Place(int left, int top, int width) {
  const TListSectionLayout layout = PlaceListSection(hint_, list_, buttons_, edit_, left, top, width);
  const int inner = layout.Inner, innerWidth = layout.InnerWidth, listWidth = layout.ListWidth;
  const int editTop = layout.EditTop;
  const int labelWidth = std::min(listWidth / 2, ControlTextWidth(label_) + 8);
  const int patternTop = editTop + 28;
  ::MoveWindow(label_, inner, patternTop + 3, labelWidth, 18, TRUE);
  const int patternWidth = std::max(60, (listWidth - labelWidth) / 2);
  ::MoveWindow(pattern_, inner + labelWidth, patternTop, patternWidth, 22, TRUE);
  const int boxLeft = inner + labelWidth + patternWidth + 12;
  ::MoveWindow(recurse_, boxLeft, patternTop + 1, std::max(40, inner + innerWidth - boxLeft), 20, TRUE);
  ::MoveWindow(problem_, inner, patternTop + 26, innerWidth, 32, TRUE);
  const int height = patternTop + 26 + 32 + 8 - top;
  ::MoveWindow(group_, left, top, width, height, TRUE);
  return height;
}

bool TCustomSection::Command(int id, int code) {
  if (id < firstId_ + kIdList || id > firstId_ + kIdRemove) return false;
  if (code != BN_CLICKED) return true;
  switch (id - firstId_) {
    case kIdAddFolder: Add(TCustomKind::Folder); break;
    case kIdAddKey: Add(TCustomKind::Key); break;
    case kIdRemove: RemoveSelected(); break;
    default: break;
  }
  return true;
}

bool TCustomSection::Add(TCustomKind kind) {
  TCustomPlace place;
  place.Kind = kind;
  place.Place = WindowText(edit_);
  place.Pattern = WindowText(pattern_);
  place.Recurse = kind == TCustomKind::Folder && ::SendMessageA(recurse_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  // Judged as it will be cleaned, kept as typed.
  if (const TCustomProblem problem = CustomPlaceProblemHere(place); problem != TCustomProblem::None) {
    const int row = CustomProblemRow(problem);
    ShowProblem(row >= 0 ? std::string(StrRes(row, language_)) : std::string(CustomProblemText(problem)));
    return false;
  }
  ShowProblem("");
  const std::vector<TCustomPlace> places = ParseCustomLines(lines_);
  const bool known = std::any_of(places.begin(), places.end(),
                                 [&](const TCustomPlace& other) { return SameCustomPlace(other, place, true); });
  if (!known) {
    // A tick left from an earlier place of that id does not carry over to the new one.
    ForgetCustomPlaceTick(store_, static_cast<int>(places.size()));
    lines_.push_back(CustomPlaceText(place));
    Store();
  }
  ::SetWindowTextA(edit_, "");
  ::SetWindowTextA(pattern_, "");
  ::SendMessageA(recurse_, BM_SETCHECK, BST_UNCHECKED, 0);
  return true;
}

bool TCustomSection::RemoveSelected() {
  const LRESULT selected = ::SendMessageA(list_, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR || selected < 0 || static_cast<std::size_t>(selected) >= lines_.size()) return false;
  const std::size_t at = static_cast<std::size_t>(selected);
  TCustomPlace place;
  if (ParseCustomPlace(lines_[at], place)) {
    // The item's index among the places (lines that do not parse make no item).
    int index = 0;
    for (std::size_t i = 0; i < at; ++i) index += ParseCustomPlace(lines_[i], place) ? 1 : 0;
    RemoveCustomPlaceTicks(store_, index, static_cast<int>(ParseCustomLines(lines_).size()));
  }
  lines_.erase(lines_.begin() + selected);
  Store();
  const int count = static_cast<int>(lines_.size());
  if (count > 0) ::SendMessageA(list_, LB_SETCURSEL, std::min<int>(static_cast<int>(selected), count - 1), 0);
  return true;
}

void TCustomSection::Fill() {
  ::SendMessageA(list_, LB_RESETCONTENT, 0, 0);
  for (const std::string& line : lines_) {
    TCustomPlace place;
    std::string shown = line;
    if (ParseCustomPlace(line, place)) {
      const int row = place.Kind == TCustomKind::Key ? kRowCustomKeyInfo
                      : place.Recurse                ? kRowCustomFolderTreeInfo
                                                     : kRowCustomFolderInfo;
      shown = Format(std::string(StrRes(row, language_)), CustomPatternList(place), place.Place);
    }
    ::SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  }
  ::EnableWindow(buttons_[btnRemove], !lines_.empty());
}

void TCustomSection::Store() {
  WriteCustomLines(store_, lines_);
  Fill();
}

void TCustomSection::ShowProblem(const std::string& text) { ::SetWindowTextA(problem_, text.c_str()); }

}  // namespace tw
