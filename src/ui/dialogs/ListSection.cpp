#include "ui/dialogs/ListSection.h"

#include <algorithm>

#include "strings/StrRes.h"
#include "ui/components/Window.h"

namespace tw {
namespace {

enum : int { kIdList, kIdEdit };

}  // namespace

TListSection::TListSection(HWND parent, int language, TSettingsStore& store, int firstId, int titleRow, int hintRow)
    : parent_(parent), language_(language), store_(store), firstId_(firstId) {
  group_ = CreateControl("BUTTON", RowText(titleRow), WS_VISIBLE | BS_GROUPBOX, 0, 0, 10, 10, parent, 0);
  hint_ = CreateControl("STATIC", RowText(hintRow), WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, parent, 0);
  list_ = CreateControl("LISTBOX", "",
                        WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY |
                            LBS_NOINTEGRALHEIGHT,
                        0, 0, 10, 10, parent, firstId_ + kIdList);
  edit_ = CreateControl("EDIT", "", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 10, 22, parent,
                        firstId_ + kIdEdit);
}

std::string TListSection::RowText(int row) const { return std::string(StrRes(row, language_)); }

void TListSection::CreateButtons(std::span<const int> rows, int firstButtonId, std::vector<std::string> lines) {
  firstButtonId_ = firstButtonId;
  for (std::size_t i = 0; i < rows.size(); ++i)
    buttons_.push_back(CreateControl("BUTTON", RowText(rows[i]), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 26,
                                     parent_, firstId_ + firstButtonId + static_cast<int>(i)));
  problem_ = CreateControl("STATIC", "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, parent_, 0);
  lines_ = std::move(lines);
  Fill();
}

int TListSection::Place(int left, int top, int width) {
  const TListSectionLayout layout = PlaceListSection(hint_, list_, buttons_, edit_, left, top, width);
  const int problemTop = PlaceFields(layout);
  ::MoveWindow(problem_, layout.Inner, problemTop, layout.InnerWidth, 32, TRUE);
  const int height = problemTop + 32 + 8 - top;
  ::MoveWindow(group_, left, top, width, height, TRUE);
  return height;
}

bool TListSection::Command(int id, int code) {
  const int lastId = firstId_ + firstButtonId_ + static_cast<int>(buttons_.size()) - 1;
  if (id < firstId_ + kIdList || id > lastId) return false;
  if (code != BN_CLICKED) return true;
  if (id == lastId)
    RemoveSelected();
  else if (id >= firstId_ + firstButtonId_)
    AddClicked(id - firstId_ - firstButtonId_);
  return true;
}

void TListSection::AddLine(const std::string& line, bool known) {
  if (!known) {
    lines_.push_back(line);
    Save();
  }
  ::SetWindowTextA(edit_, "");
}

bool TListSection::RemoveSelected() {
  const LRESULT selected = ::SendMessageA(list_, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR || selected < 0 || static_cast<std::size_t>(selected) >= lines_.size()) return false;
  Removing(static_cast<std::size_t>(selected));
  lines_.erase(lines_.begin() + selected);
  Save();
  const int count = static_cast<int>(lines_.size());
  if (count > 0) ::SendMessageA(list_, LB_SETCURSEL, std::min<int>(static_cast<int>(selected), count - 1), 0);
  return true;
}

void TListSection::Fill() {
  ::SendMessageA(list_, LB_RESETCONTENT, 0, 0);
  for (const std::string& line : lines_) {
    const std::string shown = ShownText(line);
    ::SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  }
  ::EnableWindow(buttons_.back(), !lines_.empty());
}

void TListSection::Save() {
  WriteLines(store_, lines_);
  Fill();
}

void TListSection::ShowProblem(const std::string& text) { ::SetWindowTextA(problem_, text.c_str()); }

}  // namespace tw
