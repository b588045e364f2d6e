// The main window's side of a scan: starting and aborting it, the status bar and the gauge, the
// results list with its captions, hints, colours and menu, and the end-of-scan summary.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <optional>

#include "database/portable/ItemIds.h"
#include "engine/States.h"
#include "engine/Utility.h"
#include "engine/portable/TextUtility.h"
#include "platform/Gdi.h"
#include "platform/Handles.h"
#include "platform/RegRead.h"
#include "platform/Text.h"
#include "platform/UrlCache.h"
#include "strings/ScanWords.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "support/LogFile.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/CacheEntryText.h"
#include "ui/dialogs/ScanInfoDialog.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowParts.h"

namespace tw {
namespace {

// Tiles of the results list (at 96 dots per inch) and the width a path is compacted to.
constexpr int kResultTileHeight = 36;
constexpr int kCompactWidth = 222;
// The status bar shows a new finding at most this often while findings stream in.
constexpr auto kStatusInterval = std::chrono::milliseconds(100);

std::string ItemIdOf(const TWorkObject& object) {
  return object.ItemNode ? object.ItemNode.AttrOpt("id").value_or(std::string()) : std::string();
}

bool IsRegistry(const TWorkObject& object) { return object.FindingKind() == TFindingKind::Registry; }

std::string AfterLast(const std::string& text, char c) {
  const std::size_t at = text.find_last_of(c);
  return at == std::string::npos ? text : text.substr(at + 1);
}

}  // namespace

using namespace main_window;

// ---- The results list

void TTWMainForm::CreateResultsList() {
  elvResults_ = std::make_unique<TGroupedList>(Handle(), 4);
  TGroupedList& list = *elvResults_;
  ::ShowWindow(list.Handle(), SW_HIDE);
  list.SetCheckBoxes(TCheckBoxes::Shown);
  list.SetTileHeight(kResultTileHeight);
  list.HintPause = 500;
  list.HintShortPause = 500;
  list.HintHidePause = 10000;
  list.HintWidthShare = 0.5;
  list.OnItemCaption = [this](int g, int i) { return ResultItemCaption(g, i); };
  list.OnItemImage = [this](int g, int) { return ScanState == ssScanning ? -1 : elvResults_->GroupImage(g); };
  list.OnItemColor = [this](int g, int i) { return ResultItemColor(g, i); };
  list.OnItemCheckChange = [this](int g, int i) {
    ResultObject(g).Found.Record(i).Checked = elvResults_->ItemChecked(g, i);
  };
  list.OnGroupCheckChange = [this](int g) {
    // The created items have followed the group; the records follow it too.
    const bool checked = elvResults_->GroupChecked(g);
    TFoundList& found = ResultObject(g).Found;
    for (int i = 0; i < found.Count(); ++i) found.Record(i).Checked = checked;
  };
  list.OnGroupExpanding = [this](int g) {
    TGroupedList& results = *elvResults_;
    if (results.ItemCount(g) > 0) return;
    // First expansion: one item per finding, ticked as its record.
    const TFoundList& found = ResultObject(g).Found;
    results.BeginUpdate();
    results.SetItemCount(g, found.Count());
    for (int i = 0; i < found.Count(); ++i)
      if (found.Record(i).Checked) results.SetItemChecked(g, i, true);
    results.EndUpdate();
  };
  list.OnClick = [this](const TListHit& hit) {
    if (hit.Group >= 0) elvResults_->SetHeaderImage(elvResults_->GroupImage(hit.Group));
  };
  list.OnHint = [this](const TListHit& hit) { return ResultHint(hit); };
  list.OnContextMenu = [this](const TListHit& hit, POINT screen) { ResultsContextMenu(hit, screen); };
}

TWorkObject& TTWMainForm::ResultObject(int group) const {
  return *reinterpret_cast<TWorkObject*>(elvResults_->GroupData(group));
}

std::string TTWMainForm::ResultGroupCaption(int group) const {
  const TWorkObject& object = ResultObject(group);
  const std::string name = object.ItemNode ? NodeText(object.ItemNode, "name", Language) : std::string();
  return Format("%s (%d)", name, object.Found.Count());
}

int TTWMainForm::ResultGroupImage(const TWorkObject& object) {
  const std::string id = ItemIdOf(object);
  const TXmlNode group = object.ItemNode ? object.ItemNode.Parent() : TXmlNode();
  const std::string groupId = group ? group.AttrOpt("id").value_or(std::string()) : std::string();
  // The browser group shows the default browser's picture; Firefox and Opera objects show their
  // group's, as the ready list does.
  const bool groupPicture = groupId == kGroupSystemBrowser || object.ShowsGroupPicture();
  if (groupPicture) {
    if (const std::optional<int> shown = readyList_->GroupImage(groupId)) return *shown;
    return database_->IconIndex(groupId);
  }
  const int image = database_->IconIndex(id);
  return image >= 0 ? image : database_->IconIndex(groupId);
}

std::string TTWMainForm::ResultItemCaption(int group, int item) {
  TFindingCaption caption = ResultObject(group).FindingCaption(item);
  if (!caption.Path) return std::move(caption.Text);
  // A path is shortened to the tile's width, measured in the list's font.
  if (!measureDc_) measureDc_.reset(::CreateCompatibleDC(nullptr));
  HFONT font = reinterpret_cast<HFONT>(::SendMessageA(elvResults_->Handle(), WM_GETFONT, 0, 0));
  HGDIOBJ old = ::SelectObject(measureDc_.get(), font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
  std::wstring wide = Widen(caption.Text);
  wide.resize(std::max<std::size_t>(wide.size() + 1, MAX_PATH));
  const int width = MulDiv(kCompactWidth, elvResults_->Dpi(), 96);
  const bool done = ::PathCompactPathW(measureDc_.get(), wide.data(), static_cast<UINT>(width)) != FALSE;
  ::SelectObject(measureDc_.get(), old);
  return done ? Narrow(wide.c_str()) : AfterLast(caption.Text, '\\');
}

COLORREF TTWMainForm::ResultItemColor(int group, int item) {
  const TWorkObject& object = ResultObject(group);
  const std::string id = ItemIdOf(object);
  if (id < kGroupSystemBrowser) return CLR_DEFAULT;
  return ScanWords(Language).IsAdult(object.FindingReadableText(item)) ? RGB(255, 0, 0) : CLR_DEFAULT;
}

std::string TTWMainForm::ResultGroupHintText(const TWorkObject& object) const {
  std::string text;
  if (std::optional<std::string> place = object.PlaceText()) {
    text = std::move(*place);
  } else if (object.ItemNode) {
    text = NodeText(object.ItemNode, "info", Language);
  }
  return ResolvePlaceText(text);
}

TListHint TTWMainForm::ResultHint(const TListHit& hit) {
  TListHint hint;
  if (hit.Group < 0) return hint;
  const TWorkObject& object = ResultObject(hit.Group);
  switch (hit.Kind) {
    case THitKind::GroupIcon:
    case THitKind::GroupCaption:
      hint.Text = ResultGroupHintText(object);
      hint.Image = elvResults_->GroupImage(hit.Group);
      hint.LargeImage = true;
      break;
    case THitKind::ItemIcon:
    case THitKind::ItemText: {
      hint.Text = CutHint(object.FindingHint(hit.Item));
      hint.Image = elvResults_->GroupImage(hit.Group);
      hint.LargeImage = !elvResults_->SmallImages();
      break;
    }
    default:
      break;
  }
  return hint;
}

void TTWMainForm::ResultsContextMenu(const TListHit& hit, POINT screen) {
  if (ScanState != ssResults || hit.Group < 0 || hit.Kind == THitKind::GroupBand) return;
  const int l = Language;
  TGroupedList& list = *elvResults_;
  resultsPopupGroup_ = hit.Group;
  resultsPopupItem_ = hit.OnItem() ? hit.Item : -1;
  const TWorkObject& object = ResultObject(hit.Group);
  const bool registry = IsRegistry(object);
  const bool folder = hit.OnItem() ? !registry : object.OpenPlace(-1).Kind == TOpenPlace::TKind::Folder;
  unique_hmenu menu(::CreatePopupMenu());
  auto add = [&](int id, const std::string& text, bool enabled = true) {
    ::AppendMenuA(menu.get(), MF_STRING | (enabled ? 0 : MF_GRAYED), static_cast<UINT_PTR>(id), text.c_str());
  };
  const int toggle = list.GroupExpanded(hit.Group) ? kRowCollapse : kRowExpand;
  add(kCmdResultToggle, Row(toggle, l) + "\"" + MenuText(list.GroupCaption(hit.Group)) + "\"");
  add(kCmdResultExpandAll, Row(kRowExpandAllGroups, l));
  add(kCmdResultCollapseAll, Row(kRowCollapseAllGroups, l));
  ::AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
  add(kCmdResultSelectAll, Row(kRowMenuSelectAll, l));
  add(kCmdResultUnselectAll, Row(kRowUnselectAll, l));
  add(kCmdResultToggleAll, Row(kRowToggleAllSelections, l));
  add(kCmdResultSelectAllInGroups, Row(kRowSelectAllInGroups, l));
  add(kCmdResultUnselectAllInGroups, Row(kRowUnselectAllInGroups, l));
  ::AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
  add(kCmdOpenFolder, Row(kRowOpenFolderLocation, l), folder);
  add(kCmdOpenRegistryEditor, Row(kRowOpenInRegistryEditor, l), registry);
  ::SetMenuDefaultItem(menu.get(), kCmdResultToggle, FALSE);
  const TOwnerDrawnMenu look(menu.get(), std::string(16, ' ') + Row(kRowGroupMenu, l), popImages_.get());
  ::SetForegroundWindow(Handle());
  ::TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
  ::PostMessageA(Handle(), WM_NULL, 0, 0);
}

void TTWMainForm::CheckResultGroup(int group, bool checked) {
  TGroupedList& list = *elvResults_;
  list.SetGroupChecked(group, checked);
  list.SetItemsChecked(group, checked);
  // The records follow whether or not the items exist: a clean reads the records.
  TFoundList& found = ResultObject(group).Found;
  for (int i = 0; i < found.Count(); ++i) found.Record(i).Checked = checked;
}

void TTWMainForm::ToggleResultGroup(int group) {
  TGroupedList& list = *elvResults_;
  TFoundList& found = ResultObject(group).Found;
  const bool created = list.ItemCount(group) == found.Count() && found.Count() > 0;
  bool any = false;
  for (int i = 0; i < found.Count(); ++i) {
    TChecked& record = found.Record(i);
    record.Checked = !record.Checked;
    any = any || record.Checked;
    if (created) list.SetItemChecked(group, i, record.Checked);
  }
  list.SetGroupChecked(group, any);
}

void TTWMainForm::ResultsCommand(int id) {
  TGroupedList& list = *elvResults_;
  const bool groupValid = resultsPopupGroup_ >= 0 && resultsPopupGroup_ < list.GroupCount();
  if (ScanState != ssResults) return;
  switch (id) {
    case kCmdResultToggle:
      if (groupValid) list.ToggleExpanded(resultsPopupGroup_);
      return;
    case kCmdResultExpandAll:
    case kCmdResultCollapseAll:
      list.BeginUpdate();
      for (int g = 0; g < list.GroupCount(); ++g) list.SetGroupExpanded(g, id == kCmdResultExpandAll);
      list.EndUpdate();
      return;
    case kCmdResultSelectAll:
    case kCmdResultUnselectAll:
      if (groupValid) CheckResultGroup(resultsPopupGroup_, id == kCmdResultSelectAll);
      return;
    case kCmdResultToggleAll:
      if (groupValid) ToggleResultGroup(resultsPopupGroup_);
      return;
    case kCmdResultSelectAllInGroups:
    case kCmdResultUnselectAllInGroups:
      list.BeginUpdate();
      for (int g = 0; g < list.GroupCount(); ++g)
        if (list.GroupVisible(g)) CheckResultGroup(g, id == kCmdResultSelectAllInGroups);
      list.EndUpdate();
      return;
    case kCmdOpenFolder:
      if (groupValid) OpenFolderLocation();
      return;
    case kCmdOpenRegistryEditor:
      if (groupValid) OpenInRegistryEditor();
      return;
    default:
      return;
  }
}

// The place of the line the results menu was opened on, else of its group.
TOpenPlace TTWMainForm::ResultsPopupPlace() const {
  const TWorkObject& object = ResultObject(resultsPopupGroup_);
  const bool onLine = resultsPopupItem_ >= 0 && resultsPopupItem_ < object.Found.Count();
  return object.OpenPlace(onLine ? resultsPopupItem_ : -1);
}

void TTWMainForm::OpenFolderLocation() {
  const TOpenPlace place = ResultsPopupPlace();
  if (place.Kind != TOpenPlace::TKind::Folder) return;
  ::ShellExecuteW(Handle(), L"open", Widen(place.Text).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TTWMainForm::OpenInRegistryEditor() {
  // 1. The key: the root's long name, the subkey, and for a finding that is a key its name.
  const TOpenPlace place = ResultsPopupPlace();
  if (place.Kind != TOpenPlace::TKind::Key) return;
  const std::string& path = place.Text;
  // 2. An open Registry Editor is closed first, so that it opens again at the key.
  const std::string valueName = GetEnvVar("WinDir") + "\\regedit.exe";
  const struct {
    HKEY root;
    const char* key;
  } caches[] = {{HKEY_CLASSES_ROOT, "Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache"},
                {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache"},
                {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\Shell\\MuiCache"},
                {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache"}};
  std::string title;
  for (const auto& cache : caches) {
    const std::optional<TRegData> name = TRegReadKey(cache.root, cache.key).Value(valueName);
    if (name && name->Type == REG_SZ) title = name->Text().value_or("");
    if (!title.empty()) break;
  }
  if (!title.empty())
    if (HWND editor = ::FindWindowA(nullptr, title.c_str())) ::PostMessageA(editor, WM_CLOSE, 0, 0);
  ::Sleep(100);
  // 3. Where it opens: its last key.
  unique_hkey applet;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", 0,
                      KEY_SET_VALUE, applet.put()) == ERROR_SUCCESS) {
    const std::string last = (VistaOrLater(osKind_) ? "Computer\\" : "My Computer\\") + path;
    ::RegSetValueExA(applet.get(), "LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(last.c_str()),
                     static_cast<DWORD>(last.size() + 1));
  }
  ::ShellExecuteA(Handle(), "open", "regedit.exe", nullptr, nullptr, SW_SHOWNORMAL);
}

// ---- The run

void TTWMainForm::HotAbortClick() {
  if (ScanState == ssScanning) scanMgr_->Abort();
}

void TTWMainForm::ScanStarted() {
  ::ShowWindow(elvResults_->Handle(), SW_SHOW);
  ::ShowWindow(readyList_->List().Handle(), SW_HIDE);
  ::SetWindowPos(elvResults_->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  trayIcon_->SetAnimate(true);
  ::SetFocus(elvResults_->Handle());
}

void TTWMainForm::AbortStopped() {
  // A scan that ended on its own before the stop took effect has been handled already.
  if (ScanState != ssScanning) return;
  ::KillTimer(Handle(), kStatusTimer);
  RefreshStatus(true);
  SetPanel(1, " " + ElapsedNow());
  ScanState = ssResults;
  ::InvalidateRect(elvResults_->Handle(), nullptr, FALSE);
  RefreshScanButtons();
  ResetTray();
}

std::string TTWMainForm::ElapsedNow() const {
  const auto elapsed = std::chrono::steady_clock::now() - startTime_;
  return ElapsedText(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
}

void TTWMainForm::SetPanel(int panel, const std::string& text) {
  ::SendMessageW(statusBar_, SB_SETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void TTWMainForm::WMWorkItem(WPARAM wParam, LPARAM lParam) {
  std::unique_ptr<TWorkData> data(reinterpret_cast<TWorkData*>(lParam));
  auto* object = reinterpret_cast<TWorkObject*>(wParam);
  // A finding of a run that has ended (an aborted clean's object, which may be freed by now) is
  // not the scan's: the object is looked at only once it is known to be one of the scan's.
  if (!object || !data || ScanState != ssScanning) return;
  if (object != lastItemObject_ && !IsScanObject(object)) return;
  ++findingsCount_;
  TContribution& contribution = contributions_[object];
  ++contribution.Count;
  if (!IsRegistry(*object) && !object->Found.Empty()) {
    // A name found before counts again, but its size only once.
    const int last = object->Found.Count() - 1;
    if (foundNames_.Add(object->Found, last)) {
      totalSize_ += object->Found.Record(last).Size;
      contribution.Size += object->Found.Record(last).Size;
    }
  }
  lastItemObject_ = object;
  lastItemText_ = std::move(data->Text);
  statusPending_ = true;
  // The status bar follows at a pace the eye can read; the timer shows the last finding of a burst.
  RefreshStatus(false);
  if (statusPending_) ::SetTimer(Handle(), kStatusTimer, 150, nullptr);
}

void TTWMainForm::RefreshStatus(bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastStatus_ < kStatusInterval) return;
  lastStatus_ = now;
  ::KillTimer(Handle(), kStatusTimer);
  if (statusPending_ && lastItemObject_) {
    statusPending_ = false;
    std::string text = lastItemText_;
    text = lastItemObject_->FindingKind() == TFindingKind::CacheEntry ? CacheEntryText(text, Language)
                                                                       : lastItemObject_->ReportedText(text);
    // Panel 0 takes what the other four leave.
    RECT bar{}, panel{};
    ::GetClientRect(statusBar_, &bar);
    int others = 0;
    for (int p = 1; p <= 4; ++p) {
      ::SendMessageA(statusBar_, SB_GETRECT, static_cast<WPARAM>(p), reinterpret_cast<LPARAM>(&panel));
      others += panel.right - panel.left;
    }
    const int width = bar.right - bar.left - others - 8;
    const unique_window_dc windowDc(statusBar_);
    HDC dc = windowDc.get();
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(statusBar_, WM_GETFONT, 0, 0)));
    auto measure = [dc](std::string_view part) {
      const std::wstring wide = Widen(part);
      SIZE size{};
      ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
      return static_cast<int>(size.cx);
    };
    if (measure(text) > width) text = EllipsisFit(text, width, measure);
    ::SelectObject(dc, old);
    SetPanel(0, text);
  }
  SetPanel(1, ElapsedNow());
  SetPanel(2, std::to_string(findingsCount_));
  SetPanel(3, SizeText(totalSize_));
}

bool TTWMainForm::IsScanObject(const TWorkObject* object) const {
  return std::any_of(scanMgr_->WorkObjects.begin(), scanMgr_->WorkObjects.end(),
                     [object](const auto& own) { return own.get() == object; });
}

void TTWMainForm::WMWorkDone(WPARAM wParam) {
  auto* object = reinterpret_cast<TWorkObject*>(wParam);
  // Only a running scan's objects: the completion of an object whose clean was aborted may
  // come after the results were left, when the object is no longer the window's.
  if (!object || ScanState != ssScanning || !IsScanObject(object)) return;
  ++finishedCount_;
  UpdateProgressBar(true, 0, finishedCount_, 0);
  if (object->IsEndMarker()) {
    // The end marker: the scan is complete.
    if (ScanState != ssScanning) return;
    ::KillTimer(Handle(), kStatusTimer);
    RefreshStatus(true);
    elvResults_->SetHeaderImage(-1);
    SetPanel(2, std::to_string(findingsCount_));
    SetPanel(1, ElapsedNow());
    // The status bar keeps saying what could not be scanned while the results are shown.
    if (const std::size_t errors = ErrorLines(false).size())
      SetPanel(0, Format(Row(kRowNotScanned, Language), static_cast<int>(errors)));
    PlayScanSound();
    ScanState = ssResults;
    ::InvalidateRect(elvResults_->Handle(), nullptr, FALSE);
    RefreshScanButtons();
    ResetTray();
    ShowScanCompletedTip();
    if (Checks.ShowScanDialog) ShowScanSummary();
    if (OfferToCloseLockedBrowsers()) return;
    if (elvResults_->GroupCount() == 0) {
      ScanState = ssIdle;
      HotFinishClick();
    }
    return;
  }
  if (!object->ErrorClass.empty()) {
    LogFile().Write("[WMWorkDone] %s: %s", object->ErrorClass, object->ErrorMessage);
    // Its findings are not listed, so they are not counted either.
    if (const auto it = contributions_.find(object); it != contributions_.end()) {
      findingsCount_ -= it->second.Count;
      totalSize_ -= it->second.Size;
      foundNames_.RemoveFrom(object->Found);
      contributions_.erase(it);
      RefreshStatus(true);
    }
    return;
  }
  for (const ErrorInfo& part : object->PartialErrors)
    LogFile().Write("[WMWorkDone] %s: %s", part.className, part.message);
  if (object->Found.Empty()) return;
  TGroupedList& list = *elvResults_;
  list.BeginUpdate();
  const int g = list.AddGroup(std::string(), ResultGroupImage(*object));
  list.SetGroupData(g, reinterpret_cast<std::intptr_t>(object));
  list.SetGroupCaption(g, ResultGroupCaption(g));
  list.SetGroupBold(g, true);
  list.SetGroupChecked(g, true);
  list.SetGroupExpanded(g, false);
  list.EndUpdate();
  list.ScrollToBottom();
  list.SetHeaderImage(list.GroupImage(g));
  object->LogFindings();
  // Groups appear one by one. Whatever the pause lets through may end the results and free the
  // object (the end marker's completion, then a clean started from its results): nothing of it
  // is used after this point.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  while (std::chrono::steady_clock::now() < until && !Application().Terminated) {
    Application().ProcessMessages();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() > 0)
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
  }
}

void TTWMainForm::PlayScanSound() {
  std::string media;
  if (const std::optional<std::string> path =
          TRegReadKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion").Text("MediaPath"))
    media = ExpandEnvPath(*path);
  if (media.empty()) {
    media = WindowsFolder();
    if (!media.empty() && media.back() != '\\') media += '\\';
    media += "Media";
  }
  if (media.back() != '\\') media += '\\';
  ::PlaySoundW(Widen(media + "notify.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP);
}

void TTWMainForm::ShowScanCompletedTip() {
  const int l = Language;
  std::string text;
  if (elvResults_->GroupCount() > 0) {
    const TSizeParts size = SizeParts(totalSize_);
    text = Format(Row(kRowProblemsFound, l) + "\r\n" + Row(kRowDiskSpaceUsed, l), findingsCount_, size.Value, std::string(size.Unit));
  } else {
    text = Row(kRowNoResults, l);
  }
  // What could not be scanned is said, also when nothing was found.
  const std::vector<std::string> errors = ErrorLines(false);
  if (!errors.empty()) text += "\r\n" + Format(Row(kRowNotScanned, l), static_cast<int>(errors.size())) + ".";
  ShowBalloon(Row(kRowScanCompleted, l), text + "\r\n" + Row(kRowReviewAndClean, l), Checks.ShowInfoTips, errors.empty() ? bfInfo : bfWarning);
}

void TTWMainForm::ShowScanSummary() {
  const int l = Language;
  const TSizeParts size = SizeParts(totalSize_);
  const std::string elapsed = ElapsedNow();
  TScanInfoDlg dialog(Handle(), l, Checks);
  dialog.ElapsedText = elapsed;
  dialog.Count = static_cast<std::int32_t>(findingsCount_);
  dialog.SizeText = SizeText(totalSize_);
  dialog.Lines = {"",
                  Format(Row(kRowTotalTimeElapsed, l), elapsed),
                  "",
                  Format(Row(kRowProblemsFound, l), findingsCount_),
                  "",
                  Format(Row(kRowDiskSpaceUsed, l), size.Value, std::string(size.Unit)),
                  "",
                  Row(kRowReviewAndClean, l)};
  if (const std::vector<std::string> errors = ErrorLines(false); !errors.empty()) {
    dialog.Lines.push_back("");
    dialog.Lines.push_back(Format(Row(kRowNotScanned, l), static_cast<int>(errors.size())) + ":");
    dialog.Lines.insert(dialog.Lines.end(), errors.begin(), errors.end());
  }
  CenterOverForm(Handle(), dialog.Handle());
  dialog.Execute();
}

void TTWMainForm::UpdateProgressBar(bool show, int minimum, int position, int maximum) {
  if (!show) {
    ::ShowWindow(progressBar_, SW_HIDE);
    SetPanel(4, std::string());
    return;
  }
  if (position < 1) {
    ::SendMessageA(statusBar_, SB_SETTEXTA, 4 | SBT_OWNERDRAW, 0);
    ::SendMessageA(progressBar_, PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
    ::SendMessageA(progressBar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    ::SetParent(progressBar_, statusBar_);
    LayoutControls();
    ::ShowWindow(progressBar_, SW_SHOW);
    return;
  }
  // The bar itself shows how far the run is; a gauge has no text a user could see.
  ::SendMessageA(progressBar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void TTWMainForm::HotFinishClick() {
  UpdateProgressBar(false, 0, 0, 0);
  ResetResults();
  SetTopButtonsEnabled(true);
  SetModeButtonsEnabled(true);
  RefreshScanButtons();
}

void TTWMainForm::ResetResults() {
  ::KillTimer(Handle(), kStatusTimer);
  totalSize_ = 0;
  findingsCount_ = 0;
  finishedCount_ = 0;
  lastItemObject_ = nullptr;
  lastItemText_.clear();
  statusPending_ = false;
  for (int p = 0; p < 5; ++p) SetPanel(p, std::string());
  elvResults_->BeginUpdate();
  elvResults_->Clear();
  elvResults_->EndUpdate();
  resultsPopupGroup_ = resultsPopupItem_ = -1;
  // The names refer to the objects' lines: they go first. The work objects go through the
  // manager, which keeps them while an aborted run may still hand one of them back.
  foundNames_.Clear();
  contributions_.clear();
  scanMgr_->ReleaseWork();
  ScanState = ssIdle;
  ::ShowWindow(readyList_->List().Handle(), SW_SHOW);
  ::ShowWindow(elvResults_->Handle(), SW_HIDE);
  ::SetFocus(readyList_->List().Handle());
  readyList_->List().SetHeaderImage(-1);
  elvResults_->SetHeaderImage(-1);
}

}  // namespace tw
