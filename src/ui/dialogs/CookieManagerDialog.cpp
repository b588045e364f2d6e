#include "ui/dialogs/CookieManagerDialog.h"

#include <algorithm>

#include "database/portable/ItemIds.h"
#include "platform/RegRead.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "support/LogFile.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/portable/ManagerRules.h"

namespace tw {
namespace {

enum : int { kIdFound = 10, kIdKept = 11, kIdAdd = 20, kIdAddAll = 21, kIdRemove = 22, kIdRemoveAll = 23,
             kIdSortHits = 30, kIdSortName = 31 };
constexpr int kWidth = 800;

// Told when "cookies.dat" cannot be read, by language.
constexpr std::array<const char*, 4> kDamaged = {
    "The list of cookies to keep (%s) cannot be read. It is left as it is until you save a new "
    "list here; until then no cookie is removed by a clean.",
    "La liste des cookies \xC3\xA0 conserver (%s) est illisible. Elle reste telle quelle tant que vous "
    "n'enregistrez pas une nouvelle liste ici ; d'ici l\xC3\xA0, aucun nettoyage ne supprime de cookie.",
    "Die Liste der zu behaltenden Cookies (%s) ist nicht lesbar. Sie bleibt unver\xC3\xA4ndert, bis Sie "
    "hier eine neue Liste speichern; bis dahin entfernt keine Reinigung ein Cookie.",
    "La lista de cookies que se conservan (%s) no se puede leer. Se deja como est\xC3\xA1 hasta que guarde "
    "aqu\xC3\xAD una lista nueva; mientras tanto, ninguna limpieza elimina cookies."};

std::string TrimRight(std::string text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  return text;
}

}  // namespace

TCookieMgrForm::TCookieMgrForm(HWND owner, int language, TSettingsStore& store, TCheckSettings& checks,
                               const TXMLDatabase* database,
                               std::function<void(const std::string&, const std::string&)> showBalloon,
                               std::string keptFile)
    : TDialog(language), store_(store), checks_(checks), database_(database), showBalloon_(std::move(showBalloon)),
      keptFile_(std::move(keptFile)) {
  CreateDialogWindow("TCookieMgrForm", RowText(kRowCookieManager), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                     WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kWidth, 560, owner);
  HWND h = Handle();
  const TBannerPlace banner = ShowBanner(kWidth);
  top_ = banner.Top;
  lblSelectCookies_ = CreateControl("STATIC", RowText(kRowSelectCookiesToKeep), WS_VISIBLE | SS_LEFT, 12, top_ + 8,
                                    kWidth - 24, 48, h, 0);
  for (auto* view : {&elvFound_, &elvKept_}) {
    *view = std::make_unique<TGroupedList>(h, view == &elvFound_ ? kIdFound : kIdKept);
    TGroupedList& list = **view;
    list.SetShowHeader(false);
    list.SetCheckBoxes(TCheckBoxes::Shown);
    list.SetImageLists(SystemImages(true), SystemImages(false));
    list.MultiSelect = true;
    list.HotTrack = true;
    list.AllowDrag = true;
    list.HintWidthShare = 0.5;
  }
  const int rows[4][2] = {{kRowCookieAdd, kRowCookieAddHint},
                          {kRowCookieAddAll, kRowCookieAddAllHint},
                          {kRowCookieRemove, kRowCookieRemoveHint},
                          {kRowCookieRemoveAll, kRowCookieRemoveAllHint}};
  for (int i = 0; i < 4; ++i) {
    buttons_[static_cast<std::size_t>(i)] = CreateControl("BUTTON", RowText(rows[i][0]), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                                          0, 0, 10, 26, h, kIdAdd + i);
    SetHint(buttons_[static_cast<std::size_t>(i)], RowText(rows[i][1]));
  }
  sortGroup_ = CreateControl("BUTTON", RowText(kRowCookieSortGroup), WS_VISIBLE | BS_GROUPBOX, 0, 0, 10, 10, h, 0);
  const std::vector<std::string> sorts = CommaTextEntries(RowText(kRowCookieSortOrders));
  for (int i = 0; i < 2; ++i)
    sortButtons_[static_cast<std::size_t>(i)] =
        CreateControl("BUTTON", i < static_cast<int>(sorts.size()) ? sorts[static_cast<std::size_t>(i)] : "",
                      WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0), 0, 0, 10, 20, h,
                      kIdSortHits + i);
  sortIndex_ = checks_.CookiesSortOrder == 1 ? 1 : 0;
  ::SendMessageA(sortButtons_[static_cast<std::size_t>(sortIndex_)], BM_SETCHECK, BST_CHECKED, 0);
  hotClose_ = CreateCloseButton(h, Language);
  hotClose_->OnClick = [this] {
    SaveKeptList();
    ModalResult = mrOk;
  };

  ReadPages();
  Banner().SetHint(pagesHint_);
  Banner().OnClick = [this] {
    if (checks_.ShowInfoTips && showBalloon_) showBalloon_(RowText(kRowSystemInformation), pagesHint_);
  };

  const int groupImage = database_ ? database_->IconIndex(kGroupSystemBrowser) : -1;
  for (TGroupedList* view : {elvFound_.get(), elvKept_.get()}) {
    const bool kept = view == elvKept_.get();
    const std::vector<TCookieLine>& lines = kept ? kept_ : found_;
    view->AddGroup("", groupImage);
    view->SetGroupBold(0, true);
    view->OnItemCaption = [&lines](int, int item) {
      return static_cast<std::size_t>(item) < lines.size() ? CookieCaption(lines[static_cast<std::size_t>(item)].Name)
                                                            : std::string();
    };
    view->OnItemDetail = [this, &lines](int, int item) {
      return static_cast<std::size_t>(item) < lines.size()
                 ? Format(RowText(kRowCookieHits), static_cast<int>(lines[static_cast<std::size_t>(item)].Hits))
                 : std::string();
    };
    view->OnItemImage = [groupImage](int, int) { return groupImage; };
    view->OnHint = [this, kept](const TListHit& hit) { return Hint(kept, hit); };
    view->OnItemCheckChange = [this, view](int group, int) {
      bool any = false;
      for (int i = 0; i < view->ItemCount(group) && !any; ++i) any = view->ItemChecked(group, i);
      if (!any) view->SetGroupChecked(group, false);
      UpdateActions();
    };
    view->OnGroupCheckChange = [this](int) { UpdateActions(); };
    view->OnSelectionChange = [this] { UpdateActions(); };
    TGroupedList* other = kept ? elvFound_.get() : elvKept_.get();
    view->OnDragOver = [other](TGroupedList& source) { return &source == other && source.Dragging(); };
    view->OnDragDrop = [this, other, kept](TGroupedList& source) {
      if (&source == other) Move(kept, false);
    };
  }

  // The lists, the first time the dialog is shown.
  try {
    kept_ = RefreshKeptCookies(keptFile_);
  } catch (const EKeptCookiesError&) {
    damaged_ = true;
    kept_.clear();
  }
  found_ = ListFoundCookies(kept_);
  Tell = [this](const std::string& text) { ShowMessageOver(text, TMessageKind::Warning, Handle(), Language); };

  Layout(banner.Width);
  Refresh(false);
  if (damaged_) ::PostMessageA(h, WM_APP + 1014, 0, 0);
}

bool TCookieMgrForm::SaveKeptList() {
  // A damaged file stays until the user has made a new list.
  if (saved_ || (damaged_ && !changed_)) return true;
  saved_ = true;
  try {
    SaveKeptCookies(keptFile_, kept_);
    return true;
  } catch (...) {
    const ErrorInfo error = DescribeException(std::current_exception());
    LogFile().Write("[TCookieMgrForm.SaveKeptList] %s: %s", error.className, error.message);
    if (Tell) Tell(Format(RowText(kRowKeptCookiesNotSaved), keptFile_, error.message));
    return false;
  }
}

TCookieMgrForm::~TCookieMgrForm() {
  // Closed without its close button (the owner went): saved here, where nothing can be shown.
  if (!saved_ && (!damaged_ || changed_)) {
    saved_ = true;
    try {
      SaveKeptCookies(keptFile_, kept_);
    } catch (...) {
      LogBoundaryError("TCookieMgrForm");
    }
  }
  checks_.CookiesSortOrder = sortIndex_;
  try {
    WriteIntegerSetting(store_, "CookiesSortOrder", sortIndex_);
  } catch (...) {
    LogBoundaryError("TCookieMgrForm");
  }
}

void TCookieMgrForm::ReadPages() {
  std::string search, start, secondary;
  const TRegReadKey key(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main");
  search = TrimRight(key.Text("Search Page").value_or(""));
  start = TrimRight(key.Text("Start Page").value_or(""));
  for (const std::string& page : key.Lines("Secondary Start Pages").value_or(std::vector<std::string>()))
    secondary += "\r\n" + TrimRight(page);
  pagesHint_ = RowText(kRowSearchAndStartPages) + "\r\n" + search + "\r\n" + start + secondary;
}

TListHint TCookieMgrForm::Hint(bool kept, const TListHit& hit) const {
  TListHint hint;
  const std::vector<TCookieLine>& lines = kept ? kept_ : found_;
  if (hit.OnItem() && static_cast<std::size_t>(hit.Item) < lines.size()) {
    const TCookieLine& line = lines[static_cast<std::size_t>(hit.Item)];
    hint.Text = Format(RowText(kRowCookieHits), static_cast<int>(line.Hits)) + "\r\n" + line.Name + "\r\n" +
                line.LocalFile;
  } else if (hit.OnGroup()) {
    hint.Text = pagesHint_;
  }
  return hint;
}

void TCookieMgrForm::Move(bool toKept, bool all) {
  TGroupedList& view = toKept ? *elvFound_ : *elvKept_;
  std::vector<TCookieLine>& from = toKept ? found_ : kept_;
  std::vector<TCookieLine>& to = toKept ? kept_ : found_;
  if (all) {
    to.insert(to.end(), from.begin(), from.end());
    from.clear();
  } else {
    std::vector<TCookieLine> stay;
    for (std::size_t i = 0; i < from.size(); ++i) {
      const int item = static_cast<int>(i);
      if (view.ItemChecked(0, item) || view.ItemSelected(0, item))
        to.push_back(from[i]);
      else
        stay.push_back(from[i]);
    }
    if (stay.size() == from.size()) return;
    from = std::move(stay);
  }
  changed_ = true;
  view.SetGroupChecked(0, false);
  ::PostMessageA(Handle(), WM_REFRESHCOOKIES, toKept ? 0 : 1, 0);
}

void TCookieMgrForm::Add() { Move(true, false); }
void TCookieMgrForm::AddAll() { Move(true, true); }
void TCookieMgrForm::Remove() { Move(false, false); }
void TCookieMgrForm::RemoveAll() { Move(false, true); }

void TCookieMgrForm::SetSortIndex(int index) {
  sortIndex_ = index == 1 ? 1 : 0;
  for (int i = 0; i < 2; ++i)
    ::SendMessageA(sortButtons_[static_cast<std::size_t>(i)], BM_SETCHECK, i == sortIndex_ ? BST_CHECKED : BST_UNCHECKED, 0);
  ::PostMessageA(Handle(), WM_REFRESHCOOKIES, 0, 0);
}

void TCookieMgrForm::Refresh(bool keptFirst) {
  for (std::vector<TCookieLine>* lines : {&found_, &kept_}) {
    std::vector<TCookieSortKey> keys;
    for (const TCookieLine& line : *lines) keys.push_back({line.Name, line.Hits});
    std::vector<TCookieLine> sorted;
    for (std::size_t index : CookieOrder(keys, sortIndex_)) sorted.push_back((*lines)[index]);
    *lines = std::move(sorted);
  }
  if (keptFirst) {
    Rebuild(*elvKept_, kept_, kRowCookiesToKeep);
    Rebuild(*elvFound_, found_, kRowCookiesToClean);
  } else {
    Rebuild(*elvFound_, found_, kRowCookiesToClean);
    Rebuild(*elvKept_, kept_, kRowCookiesToKeep);
  }
  UpdateActions();
}

void TCookieMgrForm::Rebuild(TGroupedList& view, const std::vector<TCookieLine>& lines, int captionRow) {
  view.BeginUpdate();
  view.ClearSelection();
  view.SetItemCount(0, 0);
  view.SetItemCount(0, static_cast<int>(lines.size()));
  view.SetGroupCaption(0, Format("%s (%d)", RowText(captionRow), static_cast<int>(lines.size())));
  view.SetGroupChecked(0, false);
  view.SetGroupExpanded(0, true);
  view.EndUpdate();
}

void TCookieMgrForm::UpdateActions() {
  for (int side = 0; side < 2; ++side) {
    TGroupedList& view = side == 0 ? *elvFound_ : *elvKept_;
    bool marked = false;
    for (int i = 0; i < view.ItemCount(0) && !marked; ++i) marked = view.ItemChecked(0, i) || view.ItemSelected(0, i);
    ::EnableWindow(buttons_[static_cast<std::size_t>(side * 2)], marked);
    ::EnableWindow(buttons_[static_cast<std::size_t>(side * 2 + 1)], view.ItemCount(0) > 0);
  }
}

void TCookieMgrForm::Layout(int width) {
  HWND h = Handle();
  const int labelHeight = ControlTextHeight(lblSelectCookies_, width - 24) + 2;
  ::MoveWindow(lblSelectCookies_, 12, top_ + 8, width - 24, labelHeight, TRUE);
  int buttonWidth = 110;
  for (HWND button : buttons_) buttonWidth = std::max(buttonWidth, ControlTextWidth(button) + 24);
  const int listTop = top_ + 8 + labelHeight + 8, listHeight = 300;
  const int listWidth = (width - 24 - buttonWidth - 24) / 2;
  ::MoveWindow(elvFound_->Handle(), 12, listTop, listWidth, listHeight, TRUE);
  ::MoveWindow(elvKept_->Handle(), width - 12 - listWidth, listTop, listWidth, listHeight, TRUE);
  const int buttonLeft = 12 + listWidth + 12;
  int y = listTop + (listHeight - 4 * 26 - 3 * 8 - 16) / 2;
  for (int i = 0; i < 4; ++i) {
    ::MoveWindow(buttons_[static_cast<std::size_t>(i)], buttonLeft, y, buttonWidth, 26, TRUE);
    y += 26 + 8 + (i == 1 ? 16 : 0);
  }
  const int sortTop = listTop + listHeight + 10;
  int radioWidth[2];
  for (int i = 0; i < 2; ++i)
    radioWidth[i] = ControlTextWidth(sortButtons_[static_cast<std::size_t>(i)]) + ::GetSystemMetrics(SM_CXMENUCHECK) + 12;
  const int groupWidth = std::max(ControlTextWidth(sortGroup_) + 24, 12 + radioWidth[0] + 16 + radioWidth[1] + 12);
  ::MoveWindow(sortGroup_, 12, sortTop, groupWidth, 46, TRUE);
  ::MoveWindow(sortButtons_[0], 24, sortTop + 18, radioWidth[0], 20, TRUE);
  ::MoveWindow(sortButtons_[1], 24 + radioWidth[0] + 16, sortTop + 18, radioWidth[1], 20, TRUE);
  const SIZE close = hotClose_->Size();
  hotClose_->SetPosition(width - 12 - close.cx, sortTop + 46 - close.cy);
  SetClientSize(h, width, sortTop + 46 + 12);
}

std::optional<LRESULT> TCookieMgrForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_REFRESHCOOKIES:
      Refresh(wParam == 1);
      return 0;
    case WM_APP + 1014:
      Tell(Format(std::string(kDamaged[static_cast<std::size_t>(Language >= 0 && Language < 4 ? Language : 0)]), keptFile_));
      return 0;
    case WM_HELP:  // F1
      OpenHelp(Handle(), Language);
      return TRUE;
    case WM_CLOSE:
      if (Modal()) SaveKeptList();
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kIdAdd: Add(); return 0;
        case kIdAddAll: AddAll(); return 0;
        case kIdRemove: Remove(); return 0;
        case kIdRemoveAll: RemoveAll(); return 0;
        case kIdSortHits:
        case kIdSortName:
          if (HIWORD(wParam) == BN_CLICKED) SetSortIndex(LOWORD(wParam) - kIdSortHits);
          return 0;
        case IDCANCEL:
          SaveKeptList();
          ModalResult = mrCancel;
          return 0;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return std::nullopt;
}

}  // namespace tw
