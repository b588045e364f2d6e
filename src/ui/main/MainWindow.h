#pragma once
// The main window: its frame (top bar, logo, mode buttons, list area, run buttons, status bar),
// its life from creation to destruction, the tray icon, the settings mirrors and languages.
// Its members live by subject: MainWindow.cpp (creation, layout, dialogs, window procedure),
// TopBar.cpp (top bar and mode column), TrayMenus.cpp (tray and menus), ScanRun.cpp (the scan
// and the results list), CleanRun.cpp, RunChecks.cpp and UserChoices.cpp; the ready list is a
// class of its own (ReadyList.h).
#include <windows.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "database/XMLDatabase.h"
#include "engine/ScanMgr.h"
#include "platform/Gdi.h"
#include "settings/portable/Settings.h"
#include "ui/components/GroupedList.h"
#include "ui/components/PictureButton.h"
#include "ui/components/TrayIcon.h"
#include "ui/components/OwnerDrawnMenu.h"
#include "ui/components/Window.h"
#include "ui/main/ReadyList.h"
#include "ui/main/portable/ScanText.h"

namespace tw {

// Menu commands of the main window (the language entries use their locale ids).
enum : int {
  kCmdOpenHide = 100,
  kCmdExit = 101,
  kCmdQuickAnalysis = 102,
  kCmdSysInfo = 103,
  kCmdSettings = 104,
  // The ready list's group menu and default menu.
  kCmdGroupToggle = 300,
  kCmdExpandAll = 301,
  kCmdCollapseAll = 302,
  kCmdSelectAll = 303,
  kCmdUnselectAll = 304,
  kCmdSelectAllInGroups = 305,
  kCmdUnselectAllInGroups = 306,
  kCmdScanNow = 307,
  kCmdIconSize = 308,
  // The results list's menu.
  kCmdResultToggle = 320,
  kCmdResultExpandAll = 321,
  kCmdResultCollapseAll = 322,
  kCmdResultSelectAll = 323,
  kCmdResultUnselectAll = 324,
  kCmdResultToggleAll = 325,
  kCmdResultSelectAllInGroups = 326,
  kCmdResultUnselectAllInGroups = 327,
  kCmdOpenFolder = 328,
  kCmdOpenRegistryEditor = 329,
};

// Where the main window is in a run.
enum TScanState : std::uint8_t {
  ssIdle = 0,
  ssScanning = 1,
  ssResults = 2,
  ssCleaning = 3,
};

// Shows the last finding in the status bar when findings stop arriving for a moment.
inline constexpr UINT_PTR kStatusTimer = 2;

class TTipOfTheDayForm;
class TAboutForm;
class TMainScanEvents;

class TTWMainForm final : public TWindow {
 public:
  // FormCreate. Args: the command-line arguments after the program name.
  explicit TTWMainForm(std::vector<std::string> args);
  // The Run value, then the database is saved and freed.
  ~TTWMainForm() override;

  // The scan manager with the receiver of its events, created in FormCreate; they outlive the
  // window (freed by the entry, the manager first).
  struct TScanRun {
    std::unique_ptr<TScanEvents> Events;
    std::unique_ptr<TScanMgr> Manager;
  };
  TScanRun TakeScanRun() { return {std::move(scanEvents_), std::move(scanMgr_)}; }

  bool HideSwitch() const { return hide_; }
  TMyTrayIcon& TrayIcon() { return *trayIcon_; }
  TXMLDatabase& Database() { return *database_; }
  // The settings mirrors (the check actions and the cookie sort order).
  TCheckSettings Checks;
  // The cleaning mode the user picked (a TPresetMode), given to each scan; where the window
  // is in a run (a TScanState).
  std::uint8_t CurrentMode = pmNone;
  std::uint8_t ScanState = ssIdle;
  std::string LocaleCode = "en";
  // The language action that is on: 0 English, 1 French, 2 German, 3 Spanish.
  int CheckedLanguage() const { return checkedLanguage_; }

  void SwitchLanguage(int localeId);
  void LoadLanguageResources();
  void UpdateTitle(int language);
  void ShowBalloon(const std::string& title, const std::string& text, bool enabled, TBalloonFlags kind);
  void ResetTray();
  void PopOpenHideClick();
  void PopExitClick();
  // The tray menu's "Quick Analysis" and "System Info" (both only while idle).
  void PopPornScanClick();
  void PopSysInfoClick();
  // The system information report as the balloon and the logo's hint show it.
  std::string SystemInfoText() const;
  bool Closing();
  // Brings to the front the first dialog that is open, else the main window.
  void BringDialogOrSelfToFront();
  void ShowAbout();
  // The settings dialog (and through it the cookie and backup managers), modal.
  void ShowSettings();
  void TipsClosed(TTipOfTheDayForm* tips);
  // The database could not be loaded: the window stays usable without it.
  void DatabaseUnavailable();
  // Refuses with a balloon when the mode cannot scan, else starts a scan.
  void HotScanClick();
  // Stops a running scan; what was found so far stays.
  void HotAbortClick();
  // Leaves the results (or a scan that found nothing) for the ready list.
  void HotFinishClick();
  // The clean of the ticked findings (ssResults).
  void StartClean();
  // Administrator rights for machine-wide items, the restart with them, locked browser
  // databases and the errors a user is told about (RunChecks.cpp).
  // Before a scan: false when the scan is not to start now (the user cancelled, or the program
  // restarts with administrator rights).
  bool OfferRightsBeforeScan();
  // Before a clean: false when the clean is not to go on; Skip gets the objects to leave out.
  bool OfferRightsBeforeClean(std::vector<TWorkObject*>& skip);
  TGroupedList& ReadyList() { return readyList_->List(); }
  TGroupedList& ResultsList() { return *elvResults_; }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

 private:
  friend class TMainScanEvents;
  void CreateControls();
  void LayoutControls();
  void FormShow();
  void WMDatabaseReady();
  void WMShowTips();
  void FormCloseQuery();
  void SetTopButtonsEnabled(bool on);
  void SetModeButtonsEnabled(bool on);
  void RefreshModeButtons();
  void RefreshScanButtons();
  void ModeButtonClick(int mode);
  void SetHeaderCaption();
  // The ready list's header clicked: the next mode, while idle.
  void NextModeClick();
  void ShowLanguagePopup();
  void ShowTrayPopup(int x, int y);
  void InitMenuPopup(HMENU menu);
  void Command(int id);
  void LoadPicture(THotImage& image, const std::string& normal, const std::string& hot);
  void CreateDesktopShortcut();
  // RunChecks.cpp.
  bool RestartAsAdministrator();
  // The mode, ticks and scan the command line asks for (a restart with administrator rights).
  void ApplyRestartOptions();
  // After a scan that met a browser database held by the running browser: offers to close the
  // programs and scans again. True when a new scan was started.
  bool OfferToCloseLockedBrowsers();
  // "name: place" of each object, once per line.
  std::vector<std::string> RightsLines(const std::vector<TWorkObject*>& objects) const;
  // "name: what failed" of each error of the last run.
  std::vector<std::string> ErrorLines(bool cleaning) const;
  void HandleError(const char* where) noexcept;
  // The user's own state of the ready list (over the database's defaults) and the Run value:
  // read when the database is ready, written at exit and when Windows ends the session.
  void ApplyUserChoices();
  void SaveUserChoices() noexcept;
  // The user's custom places as the group "gcustom" of the document, with their icons (before
  // the user's state is read over it). Errors are logged: the other groups stay usable.
  void PutCustomPlaces() noexcept;
  // After the settings dialog changed the custom places: the group again, the user's ticks
  // (which the dialog moved with their places) and the ready list.
  void CustomPlacesChanged();
  // The scan run and the results list.
  void CreateResultsList();
  void ScanStarted();
  void AbortStopped();
  void WMWorkItem(WPARAM wParam, LPARAM lParam);
  // True when Object is one of the current run's work objects (compared, never dereferenced).
  bool IsScanObject(const TWorkObject* object) const;
  void WMWorkDone(WPARAM wParam);
  void UpdateProgressBar(bool show, int minimum, int position, int maximum);
  void ResetResults();
  void ShowScanCompletedTip();
  void ShowScanSummary();
  void PlayScanSound();
  // Panels 0 to 3 from the counters and the last finding (Force: now, else at most every 100 ms).
  void RefreshStatus(bool force);
  void SetPanel(int panel, const std::string& text);
  std::string ElapsedNow() const;
  TWorkObject& ResultObject(int group) const;
  std::string ResultGroupCaption(int group) const;
  int ResultGroupImage(const TWorkObject& object);
  std::string ResultItemCaption(int group, int item);
  COLORREF ResultItemColor(int group, int item);
  TListHint ResultHint(const TListHit& hit);
  std::string ResultGroupHintText(const TWorkObject& object) const;
  void ResultsContextMenu(const TListHit& hit, POINT screen);
  void ResultsCommand(int id);
  void CheckResultGroup(int group, bool checked);
  void ToggleResultGroup(int group);
  TOpenPlace ResultsPopupPlace() const;
  void OpenFolderLocation();
  void OpenInRegistryEditor();

  std::vector<std::string> args_;
  bool hide_ = false;
  int checkedLanguage_ = 0;
  bool firstShow_ = true;
  bool idleRefresh_ = false;
  bool closingFlag_ = false;
  bool exitStarted_ = false;
  std::mutex closingLock_;
  unique_handle mutex_;
  std::unique_ptr<TXMLDatabase> database_;
  std::unique_ptr<TScanEvents> scanEvents_;
  std::unique_ptr<TScanMgr> scanMgr_;
  std::unique_ptr<TMyTrayIcon> trayIcon_;
  unique_himagelist trayImages_;
  unique_hmenu trayPopup_, languagePopup_;
  std::unique_ptr<TOwnerDrawnMenu> trayLook_, languageLook_;
  // Picture 0: the check mark of checked menu entries.
  unique_himagelist popImages_;
  unique_hgdiobj backgroundBrush_;

  // Top bar.
  std::unique_ptr<THotImage> imgLogo_, hotStart_, hotLanguage_, hotHomePage_, hotSettings_,
      hotHelp_, hotAbout_;
  // Mode column.
  std::unique_ptr<THotImage> hotPreset_, imgFiller_;
  std::array<std::unique_ptr<THotImage>, 7> fillers_;
  std::array<std::unique_ptr<THotImage>, 7> modeButtons_;  // in the order of the column
  // Bottom run buttons.
  std::unique_ptr<THotImage> hotScan_, hotAbort_, hotClean_, hotFinish_, hotCancel_, hotStop_;
  std::unique_ptr<TReadyList> readyList_;
  bool settingsOpen_ = false;
  HIMAGELIST systemSmall_ = nullptr, systemLarge_ = nullptr;  // the system's, not ours
  HWND bottomPanel_ = nullptr;
  HWND statusBar_ = nullptr;
  HWND progressBar_ = nullptr;
  bool topButtonsOn_ = false;
  bool modeButtonsOn_ = false;

  // ELVResults: one group per work object that found something (its pointer is the group's data).
  std::unique_ptr<TGroupedList> elvResults_;
  unique_hdc measureDc_;        // for compacting paths in the results list's font
  // FoundNames: the non-registry findings whose size counted, kept as references to their lines.
  TFoundNames foundNames_;
  // What each object of the scan added to the counters, taken back when its scan fails (with
  // the names its list brought).
  struct TContribution {
    std::int64_t Count = 0;
    std::int64_t Size = 0;
  };
  std::unordered_map<const TWorkObject*, TContribution> contributions_;
  std::int64_t findingsCount_ = 0;
  std::int64_t totalSize_ = 0;
  int finishedCount_ = 0;
  std::chrono::steady_clock::time_point startTime_;
  std::chrono::steady_clock::time_point lastStatus_;
  TWorkObject* lastItemObject_ = nullptr;  // the finding panel 0 shows next
  std::string lastItemText_;
  bool statusPending_ = false;
  int resultsPopupGroup_ = -1;
  int resultsPopupItem_ = -1;
  int osKind_ = 0;

  TTipOfTheDayForm* tips_ = nullptr;
  std::unique_ptr<TTipOfTheDayForm> tipsOwner_;
  TAboutForm* about_ = nullptr;
};

}  // namespace tw
