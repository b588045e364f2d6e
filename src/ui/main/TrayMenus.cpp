#include "ui/main/MainWindow.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <cstdlib>
#include "cleaners/WorkObjectBuilders.h"
#include "database/DefaultBrowser.h"
#include "database/portable/IconSources.h"
#include "database/portable/ItemIds.h"
#include "engine/ProtectPlaces.h"
#include "settings/CustomGroup.h"
#include "engine/States.h"
#include "engine/Utility.h"
#include "platform/Com.h"
#include "platform/Handles.h"
#include "platform/SystemInfo.h"
#include "database/DefaultBrowser.h"
#include "engine/Utility.h"
#include "ui/main/portable/SystemInfoText.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"
#include "platform/VersionInfo.h"
#include "settings/DatabaseState.h"
#include "settings/RegistrySettings.h"
#include "strings/Language.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/FileIO.h"
#include "support/Format.h"
#include "support/LogFile.h"
#include "ui/components/FormUtils.h"
#include "ui/components/WindowSynchronizer.h"
#include "ui/components/WindowMessages.h"
#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/SettingsDialog.h"
#include "ui/dialogs/TipsDialog.h"
#include "ui/main/portable/ReadyRules.h"
#include "ui/main/portable/StartupOptions.h"
#include "ui/resources/ResourceNames.h"
#include "ui/main/MainWindowParts.h"

// The main window's tray icon and menus: the tray menu and its entries, the language menu, the
// commands of every menu, and the way out of the program.

namespace tw {

using namespace main_window;

void TTWMainForm::ResetTray() {
  ::KillTimer(Handle(), kExitFallbackTimer);
  if (Closing()) {
    ::PostMessageA(Handle(), WM_TERMINATEAPP, 0, 0);
    return;
  }
  trayIcon_->SetAnimate(false);
  trayIcon_->SetIconIndex(0);
  trayIcon_->SetIcon(Application().Icon());
  trayIcon_->BalloonHint.clear();
  trayIcon_->BalloonTitle.clear();
  trayIcon_->BalloonFlags = bfNone;
  trayIcon_->HideBalloonHint();
}

void TTWMainForm::PopOpenHideClick() {
  const bool visible = Visible();
  trayIcon_->SetHideTask(visible);
  if (visible) {
    Hide();
  } else {
    Show();
    if (::IsIconic(Handle())) ::ShowWindow(Handle(), SW_RESTORE);
  }
  BringDialogOrSelfToFront();
}

void TTWMainForm::PopExitClick() {
  // 1. The settings.
  TRegistrySettingsStore store;
  WriteExitSettings(store, CurrentMode, Checks);
  // 2. The fallback: the application ends 2500 ms from now at the latest.
  ::SetTimer(Handle(), kExitFallbackTimer, 2500, nullptr);
  // 3. Closing from here on.
  {
    std::lock_guard<std::mutex> guard(closingLock_);
    closingFlag_ = true;
  }
  // 4. The scan manager shuts down; its pool posts WM_TERMINATEAPP when drained. It is told
  // once: a second exit request (end of session after its query) waits for the same stop.
  if (exitStarted_) return;
  exitStarted_ = true;
  if (scanMgr_) {
    scanMgr_->Shutdown();
  } else {
    ::PostMessageA(Handle(), WM_TERMINATEAPP, 0, 0);
  }
}

void TTWMainForm::FormCloseQuery() {
  if (Checks.SendToTrayOnClose) {
    PopOpenHideClick();
    return;
  }
  // FormClose: the exit action, then the message loop ends without waiting for the pool.
  PopExitClick();
  Application().Terminate();
}

void TTWMainForm::ShowLanguagePopup() {
  RECT r{};
  ::GetWindowRect(hotLanguage_->Handle(), &r);
  ::SetForegroundWindow(Handle());
  ::TrackPopupMenu(languagePopup_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, r.left,
                   r.bottom, 0, Handle(), nullptr);
  ::PostMessageA(Handle(), WM_NULL, 0, 0);
}

void TTWMainForm::PopPornScanClick() {
  if (ScanState != ssIdle) return;
  int total = 0, adult = 0;
  scanMgr_->AdultHistoryCount(Language, total, adult);
  ShowBalloon(Row(kRowCaptionWarning, Language), Format(Row(kRowAdultHistoryFound, Language), total, adult), adult > 0, bfWarning);
}

std::string TTWMainForm::SystemInfoText() const {
  TSystemInfoValues values;
  if (!DefaultBrowserCommand().empty()) {
    const std::string program = DefaultBrowserPath([](const std::string& path) { return path; });
    values.BrowserCommand = program.empty() ? DefaultBrowserCommand() : program;
    values.BrowserVersion = program.empty() ? std::string() : TVerInfoRes(program).FileVersion();
  }
  const TSystemFacts facts = ReadSystemFacts();
  values.Platform = PlatformName(OsKind(), facts.Major, facts.Minor, facts.Build, facts.Server);
  values.Major = facts.Major;
  values.Minor = facts.Minor;
  values.Build = facts.Build;
  values.MemoryLoad = facts.MemoryLoad;
  values.TotalPhysical = facts.TotalPhysical;
  values.Processors = facts.Processors;
  try {
    values.ProcessorMHz = GetCPUFrequency();
  } catch (const Exception& e) {
    LogFile().Write("[GetCPUFrequency] %s: %s", e.ClassName(), e.Message());
    values.ProcessorMHz = RecordedProcessorMHz();
  }
  return SystemInfoReport(values, Language);
}

void TTWMainForm::PopSysInfoClick() {
  if (ScanState == ssScanning) return;
  ShowBalloon(Row(kRowSystemInformation, Language), SystemInfoText(), Checks.ShowInfoTips, bfInfo);
}

void TTWMainForm::ShowTrayPopup(int x, int y) {
  ::SetForegroundWindow(Handle());
  ::TrackPopupMenu(trayPopup_.get(), TPM_RIGHTBUTTON, x, y, 0, Handle(), nullptr);
  ::PostMessageA(Handle(), WM_NULL, 0, 0);
}

void TTWMainForm::InitMenuPopup(HMENU menu) {
  const int l = Language;
  if (menu == trayPopup_.get()) {
    // Captions live in the menu's look (its entries draw themselves).
    trayLook_->SetCaption(kCmdOpenHide, Row(Visible() ? kRowTrayHide : kRowTrayOpen, l));
    trayLook_->SetCaption(kCmdQuickAnalysis, Row(kRowQuickAnalysis, l));
    trayLook_->SetCaption(kCmdSysInfo, Row(kRowSystemInfo, l));
    trayLook_->SetCaption(kCmdSettings, Row(kRowSettings, l));
    trayLook_->SetCaption(kCmdExit, Row(kRowExit, l));
    trayLook_->SetBandCaption(std::string(11, ' ') + Row(kRowTrayMenu, l));
    const UINT idle = ScanState == ssIdle ? MF_ENABLED : MF_GRAYED;
    for (int id : {kCmdQuickAnalysis, kCmdSysInfo, kCmdSettings}) ::EnableMenuItem(menu, id, MF_BYCOMMAND | idle);
    ::SetMenuDefaultItem(menu, kCmdOpenHide, FALSE);
    BringDialogOrSelfToFront();
  } else if (menu == languagePopup_.get()) {
    for (int i = 0; i < 4; ++i) {
      const int id = kLanguageLocaleIds[i];
      languageLook_->SetCaption(id, Row(kRowLanguageEnglish + i, l));
      ::CheckMenuItem(menu, id, MF_BYCOMMAND | (i == checkedLanguage_ ? MF_CHECKED : MF_UNCHECKED));
    }
    languageLook_->SetBandCaption(Row(kRowLanguages, l));
  }
}

void TTWMainForm::Command(int id) {
  switch (id) {
    case kCmdOpenHide:
      PopOpenHideClick();
      return;
    case kCmdExit:
      PopExitClick();
      return;
    case kCmdQuickAnalysis:
      PopPornScanClick();
      return;
    case kCmdSysInfo:
      PopSysInfoClick();
      return;
    case kCmdSettings:
      if (ScanState == ssIdle) ShowSettings();
      return;
    case kCmdScanNow:
      HotScanClick();
      return;
    case kCmdResultToggle:
    case kCmdResultExpandAll:
    case kCmdResultCollapseAll:
    case kCmdResultSelectAll:
    case kCmdResultUnselectAll:
    case kCmdResultToggleAll:
    case kCmdResultSelectAllInGroups:
    case kCmdResultUnselectAllInGroups:
    case kCmdOpenFolder:
    case kCmdOpenRegistryEditor:
      ResultsCommand(id);
      return;
    default:
      if (readyList_->Command(id)) return;
      for (int localeId : kLanguageLocaleIds)
        if (id == localeId) SwitchLanguage(localeId);
      return;
  }
}

}  // namespace tw
