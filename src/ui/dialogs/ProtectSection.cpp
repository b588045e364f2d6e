#include "ui/dialogs/ProtectSection.h"

#include <algorithm>

#include "engine/ProtectPlaces.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/components/Window.h"
#include "ui/dialogs/DialogParts.h"

namespace tw {
namespace {

enum : int { kIdList, kIdEdit, kIdAddFolder, kIdAddFile, kIdAddKey, kIdRemove };

}  // namespace

int ProtectProblemRow(const std::string& problem) {
  // The English texts of the entry rules, each with its translated row.
  const std::pair<TProtectEntry, int> kProblems[] = {
      {{TProtectKind::Folder, ""}, kRowProtectProblemEmpty},
      {{TProtectKind::Folder, "C:\\*"}, kRowProtectProblemFolderWildcard},
      {{TProtectKind::Folder, "Keep"}, kRowProtectProblemFolderPath},
      {{TProtectKind::File, "Keep\\a.txt"}, kRowProtectProblemFilePath},
      {{TProtectKind::File, "C:\\Keep\\"}, kRowProtectProblemFileEnd},
      {{TProtectKind::Key, "Software\\Keep"}, kRowProtectProblemKeyRoot},
  };
  for (const auto& [entry, row] : kProblems)
    if (ProtectEntryProblem(entry) == problem) return row;
  return -1;
}

TProtectSection::TProtectSection(HWND parent, int language, TSettingsStore& store, int firstId)
    : language_(language), store_(store), firstId_(firstId) {
  const int l = language_;
  group_ = CreateControl("BUTTON", std::string(StrRes(kRowProtectTitle, l)), WS_VISIBLE | BS_GROUPBOX, 0, 0, 10,
                         10, parent, 0);
  hint_ = CreateControl("STATIC", std::string(StrRes(kRowProtectHint, l)), WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0,
                        10, 10, parent, 0);
  list_ = CreateControl("LISTBOX", "",
                        WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY |
                            LBS_NOINTEGRALHEIGHT,
                        0, 0, 10, 10, parent, firstId_ + kIdList);
  edit_ = CreateControl("EDIT", "", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 10, 22, parent,
                        firstId_ + kIdEdit);
  const int rows[4] = {kRowProtectAddFolder, kRowProtectAddFile, kRowProtectAddKey, kRowProtectRemove};
  for (int i = 0; i < 4; ++i)
    buttons_[static_cast<std::size_t>(i)] =
        CreateControl("BUTTON", std::string(StrRes(rows[i], l)), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10,
                      26, parent, firstId_ + kIdAddFolder + i);
  problem_ = CreateControl("STATIC", "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, parent, 0);
  lines_ = ReadProtectLines(store_);
  Fill();
}

int TProtectSection::Place(int left, int top, int width) {
  const TListSectionLayout layout = PlaceListSection(hint_, list_, buttons_, edit_, left, top, width);
  const int inner = layout.Inner, innerWidth = layout.InnerWidth, editTop = layout.EditTop;
  ::MoveWindow(problem_, inner, editTop + 26, innerWidth, 32, TRUE);
  const int height = editTop + 26 + 32 + 8 - top;
  ::MoveWindow(group_, left, top, width, height, TRUE);
  return height;
}

bool TProtectSection::Command(int id, int code) {
  if (id < firstId_ + kIdList || id > firstId_ + kIdRemove) return false;
  if (code != BN_CLICKED) return true;
  switch (id - firstId_) {
    case kIdAddFolder: Add(TProtectKind::Folder); break;
    case kIdAddFile: Add(TProtectKind::File); break;
    case kIdAddKey: Add(TProtectKind::Key); break;
    case kIdRemove: RemoveSelected(); break;
    default: break;
  }
  return true;
}

bool TProtectSection::Add(TProtectKind kind) {
  TProtectEntry entry{kind, WindowText(edit_)};
  // Judged as it will be honoured, kept as typed.
  TProtectEntry expanded = entry;
  expanded.Text = ExpandEnvironment(entry.Text);
  if (const std::string problem = ProtectEntryProblem(expanded); !problem.empty()) {
    const int row = ProtectProblemRow(problem);
    ShowProblem(row >= 0 ? std::string(StrRes(row, language_)) : problem);
    return false;
  }
  ShowProblem("");
  const std::string line = ProtectEntryText(entry);
  const bool known = std::any_of(lines_.begin(), lines_.end(), [&](const std::string& existing) {
    TProtectEntry other;
    return ParseProtectEntry(existing, other) && SameProtectPlace(other, entry);
  });
  if (!known) {
    lines_.push_back(line);
    Store();
  }
  ::SetWindowTextA(edit_, "");
  return true;
}

bool TProtectSection::RemoveSelected() {
  const LRESULT selected = ::SendMessageA(list_, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR || selected < 0 || static_cast<std::size_t>(selected) >= lines_.size()) return false;
  lines_.erase(lines_.begin() + selected);
  Store();
  const int count = static_cast<int>(lines_.size());
  if (count > 0) ::SendMessageA(list_, LB_SETCURSEL, std::min<int>(static_cast<int>(selected), count - 1), 0);
  return true;
}

void TProtectSection::Fill() {
  ::SendMessageA(list_, LB_RESETCONTENT, 0, 0);
  for (const std::string& line : lines_)
    ::SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  ::EnableWindow(buttons_[btnRemove], !lines_.empty());
}

void TProtectSection::Store() {
  WriteProtectLines(store_, lines_);
  Fill();
}

void TProtectSection::ShowProblem(const std::string& text) { ::SetWindowTextA(problem_, text.c_str()); }

}  // namespace tw
