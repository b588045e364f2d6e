#include "ui/dialogs/CloseProgramsDialog.h"

#include <shellapi.h>

#include <algorithm>

#include "engine/Utility.h"
#include "platform/Processes.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "support/LogFile.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/HtmlNoticeDialog.h"

namespace tw {
namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr int kWidth = 600;
constexpr int kHeight = 420;

std::string LowerCase(std::string text) {
  ::CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The running processes as the dialog lists them: each path expanded and in its long form, or
// "Unknown (PID = %d)" when it cannot be read.
std::vector<TRunningProcess> RunningApps() {
  std::vector<TRunningProcess> apps;
  EnumerateProcesses(apps);
  for (TRunningProcess& app : apps)
    app.Path = app.Path.empty() ? Format("Unknown (PID = %d)", app.ProcessId)
                                : ShellNormalizePath(ExpandEnvPath(app.Path));
  return apps;
}

int SystemIconIndex(const std::string& path, HIMAGELIST* small, HIMAGELIST* large) {
  SHFILEINFOA info{};
  *large = reinterpret_cast<HIMAGELIST>(
      ::SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
  if (!*large) return -1;
  SHFILEINFOA smallInfo{};
  *small = reinterpret_cast<HIMAGELIST>(
      ::SHGetFileInfoA(path.c_str(), 0, &smallInfo, sizeof smallInfo, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  return info.iIcon;
}

}  // namespace

UINT CloseMessageFor(const std::string& fileName) {
  const std::string name = LowerCase(fileName);
  if (name == "msnmsgr.exe" || name == "msn6.exe" || name == "googletalk.exe" || name == "trillian.exe" ||
      name.starts_with("aim") || name.starts_with("ad-aware"))
    return WM_QUIT;
  return WM_CLOSE;
}

int TerminateApp(const std::string& exePath, DWORD processId, DWORD timeoutMs, UINT message,
                 const TForceQuestion& askForce) {
  const TProcessHandle process(processId);
  if (!process.Opened()) return trNotOpened;
  for (HWND hwnd : process.PostToWindows(message))
    LogFile().Write("[TerminateApp] Handle=%d dwProcessId=%d",
                    static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(hwnd)), processId);
  switch (process.Wait(timeoutMs)) {
    case TProcessEnd::Ended: return trClosed;
    case TProcessEnd::WaitFailed: return trWaitFailed;
    case TProcessEnd::NotOpened: return trNotOpened;
    case TProcessEnd::TimedOut: break;
  }
  const TTopmostSuspension normal(processId);
  if (!askForce || !askForce(processId, exePath)) return trDeclined;
  return process.Terminate() ? trForced : trForceFailed;
}

bool AskForceTermination(HWND owner, int language, DWORD processId, const std::string& exePath) {
  TWarningDlg dialog(owner, language);
  const std::string html =
      "<html><head><title></title></head><body><table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" "
      "width=\"100%\"><tr><td style=\"font-family:Verdana, Tahoma, sans-serif;font-size:12px;font-style:"
      "normal;font-weight:bold\" align=\"center\" valign=\"top\">" +
      Format(std::string(StrRes(kRowTerminationTimeout, language)), processId) +
      Format(std::string(StrRes(kRowForceTermination, language)), exePath) + "</td></tr></table></body></html>";
  dialog.LoadHtml(html);
  dialog.ShowCancel(true);
  if (owner) CenterOverForm(owner, dialog.Handle());
  return dialog.Execute() == mrOk;
}

TTerminateAppDlg::TTerminateAppDlg(HWND owner, int language,
                                   const std::set<std::string, CaseInsensitiveLess>& programs)
    : TDialog(language), programs_(programs) {
  CreateDialogWindow("TTerminateAppDlg", RowText(kRowCaptionWarning), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                     WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kWidth, kHeight, owner);
  HWND h = Handle();
  const TBannerPlace banner = ShowBanner(kWidth);
  const int top = banner.Top, width = banner.Width;
  AddHeading(kRowCaptionWarning, top + 10, width);
  labelCloseApp_ = CreateControl("STATIC", RowText(kRowProgramsToClose), WS_VISIBLE, 12, top + 30, width - 24, 46, h, 0);

  const int buttonsHeight = CreateConfirmButtons(TConfirmPicture::Clean);
  ConfirmButton().OnClick = [this] { CloseChecked(); };
  CancelButton().OnClick = [this] {
    ::KillTimer(Handle(), kRefreshTimer);
    ModalResult = mrAbort;
  };
  EndOnCommand(IDCANCEL, mrAbort);
  const int listTop = top + 82;
  const int buttonsTop = kHeight - 12 - buttonsHeight;
  list_ = std::make_unique<TGroupedList>(h, 100);
  ::SetWindowPos(list_->Handle(), nullptr, 12, listTop, width - 24, std::max(120, buttonsTop - 10 - listTop),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  list_->SetShowHeader(false);
  list_->SetCheckBoxes(TCheckBoxes::Shown);
  list_->OnItemCaption = [this](int group, int item) {
    return WindowTitle(processes_.at(static_cast<std::size_t>(group)).Windows.at(static_cast<std::size_t>(item)));
  };
  list_->OnItemDetail = [](int, int) { return std::string(); };
  list_->OnItemImage = [this](int group, int) { return list_->GroupImage(group); };
  list_->OnHint = [this](const TListHit& hit) {
    TListHint hint;
    if (hit.Group < 0 || hit.Group >= static_cast<int>(processes_.size())) return hint;
    const TProcessInfo& info = processes_[static_cast<std::size_t>(hit.Group)];
    if (hit.OnItem()) {
      HWND hwnd = info.Windows.at(static_cast<std::size_t>(hit.Item));
      hint.Text = Format(RowText(kRowWindowHandle), WindowTitle(hwnd),
                         std::to_string(reinterpret_cast<std::uintptr_t>(hwnd)));
    } else {
      hint.Text = Format(RowText(kRowProcessWindows), info.ProcessId, info.Windows.size());
    }
    hint.Image = list_->GroupImage(hit.Group);
    return hint;
  };
  // Checking a window checks its program.
  list_->OnItemCheckChange = [this](int group, int item) {
    list_->SetGroupChecked(group, list_->ItemChecked(group, item));
    list_->SetItemsChecked(group, list_->GroupChecked(group));
  };
  PlaceConfirmButtons(width, buttonsTop);
  SetClientSize(h, width, kHeight);

  ForceQuestion = [this](DWORD processId, const std::string& exePath) {
    return AskForceTermination(Handle(), Language, processId, exePath);
  };

  const std::vector<TRunningProcess> apps = RunningApps();
  LogFile().Write("AppsRunning.Count = %d", apps.size());
  for (std::size_t i = 0; i < apps.size(); ++i) LogFile().Write("AppsRunning[%d] = %s", i, apps[i].Path);
  list_->BeginUpdate();
  for (const TRunningProcess& app : apps)
    if (programs_.count(FileNameOf(app.Path))) AddProcess(app.Path, app.ProcessId);
  list_->EndUpdate();
  NothingToClose = std::none_of(processes_.begin(), processes_.end(),
                                [](const TProcessInfo& p) { return !p.Windows.empty(); });
}

TTerminateAppDlg::~TTerminateAppDlg() {
  if (Handle()) ::KillTimer(Handle(), kRefreshTimer);
}

std::string TTerminateAppDlg::WindowTitle(HWND hwnd) const {
  char title[261] = {};
  const int length = ::GetWindowTextA(hwnd, title, sizeof title);
  return length > 0 ? std::string(title, static_cast<std::size_t>(length)) : RowText(kRowNoWindowTitle);
}

void TTerminateAppDlg::AddProcess(const std::string& exePath, DWORD processId) {
  TProcessInfo info;
  info.ProcessId = processId;
  info.ExePath = LowerCase(exePath);
  EnumerateWindows(processId, info.Windows);
  HIMAGELIST small = nullptr, large = nullptr;
  const int image = SystemIconIndex(exePath, &small, &large);
  if (large && !largeIcons_) {
    smallIcons_ = small;
    largeIcons_ = large;
    list_->SetImageLists(smallIcons_, largeIcons_);
  }
  const int group = list_->AddGroup(Format(RowText(kRowProcessGroup), FileNameOf(exePath), processId), image);
  list_->SetGroupBold(group, true);
  list_->SetGroupChecked(group, true);
  list_->SetGroupExpanded(group, false);
  list_->SetItemCount(group, static_cast<int>(info.Windows.size()));
  list_->SetItemsChecked(group, true);
  processes_.push_back(std::move(info));
}

void TTerminateAppDlg::Refresh() {
  list_->BeginUpdate();
  // Programs that have ended leave the list.
  for (int group = static_cast<int>(processes_.size()) - 1; group >= 0; --group) {
    if (ProcessAlive(processes_[static_cast<std::size_t>(group)].ProcessId)) continue;
    list_->DeleteGroup(group);
    processes_.erase(processes_.begin() + group);
  }
  for (const TRunningProcess& app : RunningApps()) {
    if (!programs_.count(FileNameOf(app.Path))) continue;
    auto found = std::find_if(processes_.begin(), processes_.end(),
                              [&](const TProcessInfo& p) { return p.ProcessId == app.ProcessId; });
    if (found == processes_.end()) {
      AddProcess(app.Path, app.ProcessId);
      continue;
    }
    const int group = static_cast<int>(found - processes_.begin());
    std::vector<HWND>& windows = found->Windows;
    // Windows hidden or gone leave their group; new ones join it.
    for (int item = static_cast<int>(windows.size()) - 1; item >= 0; --item) {
      HWND hwnd = windows[static_cast<std::size_t>(item)];
      if (::IsWindow(hwnd) && (::GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VISIBLE)) continue;
      list_->DeleteItems(group, item, 1);
      windows.erase(windows.begin() + item);
    }
    std::vector<HWND> now;
    EnumerateWindows(app.ProcessId, now);
    for (HWND hwnd : now) {
      if (std::find(windows.begin(), windows.end(), hwnd) != windows.end()) continue;
      windows.push_back(hwnd);
      list_->InsertItems(group, list_->ItemCount(group), 1);
      list_->SetItemChecked(group, list_->ItemCount(group) - 1, list_->GroupChecked(group));
    }
  }
  list_->EndUpdate();
}

void TTerminateAppDlg::CloseChecked() {
  ::KillTimer(Handle(), kRefreshTimer);
  ::EnableWindow(ConfirmButton().Handle(), FALSE);
  ::EnableWindow(CancelButton().Handle(), FALSE);
  HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  Application().ProcessMessages();
  outcomes_.clear();
  for (int group = 0; group < static_cast<int>(processes_.size()); ++group) {
    if (!list_->GroupChecked(group)) continue;
    const TProcessInfo& info = processes_[static_cast<std::size_t>(group)];
    const std::string fileName = FileNameOf(info.ExePath);
    LogFile().Write("EXE=%s PID=%d", fileName, info.ProcessId);
    const int result = TerminateApp(info.ExePath, info.ProcessId, TerminateTimeout,
                                     CloseMessageFor(fileName), ForceQuestion);
    LogFile().Write("TerminateApp=%d", result);
    outcomes_.push_back({info.ExePath, info.ProcessId, result});
  }
  ::SetCursor(previous);
  ReportUnended();
  ModalResult = mrOk;
}

void TTerminateAppDlg::ReportUnended() {
  // A program this user may not end (another user's, elevated, protected) is named once; the
  // clean goes on without it.
  std::string text;
  for (const TCloseOutcome& outcome : outcomes_) {
    const bool refused = outcome.Result == trForceFailed ||
                         (outcome.Result == trNotOpened && ProcessAlive(outcome.ProcessId));
    if (!refused) continue;
    if (!text.empty()) text += "\r\n\r\n";
    text += Format(RowText(kRowProcessNotEnded), outcome.ProcessId, outcome.ExePath);
  }
  if (!text.empty()) ShowMessageOver(text, TMessageKind::Warning, Handle(), Language);
}

int TTerminateAppDlg::Execute() {
  ::SetTimer(Handle(), kRefreshTimer, 1000, nullptr);
  const int result = ShowModal();
  ::KillTimer(Handle(), kRefreshTimer);
  return result == mrOk ? mrOk : mrAbort;
}

std::optional<LRESULT> TTerminateAppDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_TIMER && wParam == kRefreshTimer) {
    ::KillTimer(Handle(), kRefreshTimer);
    Refresh();
    if (ModalResult == mrNone) ::SetTimer(Handle(), kRefreshTimer, 1000, nullptr);
    return 0;
  }
  return std::nullopt;
}

}  // namespace tw
