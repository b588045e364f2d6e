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
#include "ui/main/MainWindowParts.h"
#include "ui/main/portable/ReadyRules.h"
#include "ui/main/portable/StartupOptions.h"
#include "ui/resources/ResourceNames.h"
namespace tw {

using namespace main_window;

namespace {

TTWMainForm* g_mainForm = nullptr;

constexpr COLORREF kMainColor = RGB(83, 83, 83);
// The product's home page (the build's TW_HOME_PAGE).
constexpr const char* kHomePage = TW_HOME_PAGE;
// The recorded processor clock above which the history is counted at start-up: slower machines
// would show the main window late.
constexpr int kStartupHistoryMinMHz = 996;

// The system image list of small or of large icons (the shell keeps it).
HIMAGELIST SystemImageList(bool small) {
  SHFILEINFOA info{};
  return reinterpret_cast<HIMAGELIST>(::SHGetFileInfoA(
      "C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON)));
}


}  // namespace

// The scan manager's events reach the window as posted messages: the manager outlives the
// window, and a pool that is stopping may still raise them after it is gone.
class TMainScanEvents final : public TScanEvents {
 public:
  explicit TMainScanEvents(HWND window) : window_(window) {}

  // Scan runs in the window's own call.
  void OnScanStart(TScanMgr*) override {
    if (g_mainForm) g_mainForm->ScanStarted();
  }
  void OnScanQueued(int count) override { ::PostMessageA(window_, WM_SCANQUEUED, static_cast<WPARAM>(count), 0); }
  void OnItem(TWorkObject* sender, TWorkDataPtr data) override {
    ::PostMessageA(window_, WM_WORKITEM, reinterpret_cast<WPARAM>(sender), reinterpret_cast<LPARAM>(data.release()));
    Application().ProcessMessages();
  }
  // The worker waits for this call: no messages are pumped in it, or the end of a scan would be
  // handled inside it and a clean started from the results would wait for that same worker.
  void OnWorkDone(TCustomWorkObject* sender) override {
    ::PostMessageA(window_, WM_WORKDONE, reinterpret_cast<WPARAM>(sender), 0);
  }
  void OnAbortStopped() override {
    // Worker thread: the window's part happens in the main thread, after everything the pool
    // handed over before it stopped.
    Application().Synchronizer().Queue([] {
      if (g_mainForm) g_mainForm->AbortStopped();
    });
  }
  void OnShutdownStopped() override {
    LogFile().Write("%s", "### Application.Terminate ###");
    ::PostMessageA(window_, WM_TERMINATEAPP, 0, 0);
  }

 private:
  HWND window_;
};

TTWMainForm::TTWMainForm(std::vector<std::string> args) : args_(std::move(args)) {
  g_mainForm = this;
  hide_ = HasHideSwitch(args_);
  backgroundBrush_.reset(::CreateSolidBrush(kMainColor));
  CreateHandle("TTWMainForm", "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_APPWINDOW,
               CW_USEDEFAULT, CW_USEDEFAULT, 1000, 660, nullptr,
               static_cast<HBRUSH>(backgroundBrush_.get()));

  // 1. The instance marker for outside tools (the closing lock is a member).
  mutex_.reset(::CreateMutexA(nullptr, FALSE, "Tidewhisk.exe"));

  CreateControls();

  // 3. Small screens: the window takes the work area.
  RECT bounds = Bounds();
  const int screenW = ::GetSystemMetrics(SM_CXSCREEN), screenH = ::GetSystemMetrics(SM_CYSCREEN);
  if (bounds.bottom - bounds.top >= screenH || bounds.right - bounds.left >= screenW) {
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetBounds(work.left, work.top, work.right - work.left, work.bottom - work.top);
  } else {
    SetBounds((screenW - (bounds.right - bounds.left)) / 2, (screenH - (bounds.bottom - bounds.top)) / 2,
              bounds.right - bounds.left, bounds.bottom - bounds.top);
  }

  // 4. The tray icon with the application icon and its animation frames.
  trayIcon_ = std::make_unique<TMyTrayIcon>(Application().Synchronizer());
  trayIcon_->TaskWindow = Handle();
  trayImages_.reset(::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 0));
  for (int id : res::kIconTrayFrames) {
    HICON frame = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                                  IMAGE_ICON, 16, 16, 0));
    if (frame) {
      ::ImageList_AddIcon(trayImages_.get(), frame);
      ::DestroyIcon(frame);
    }
  }
  // The frames animate while a scan or a clean runs; until then the application's icon shows.
  trayIcon_->SetIcons(trayImages_.get());
  trayIcon_->SetIcon(Application().Icon());
  // Both lists show the system's images.
  systemSmall_ = SystemImageList(true);
  systemLarge_ = SystemImageList(false);
  readyList_->List().SetImageLists(systemSmall_, systemLarge_);
  elvResults_->SetImageLists(systemSmall_, systemLarge_);
  osKind_ = OsKind();
  trayIcon_->PopupMenu = trayPopup_.get();
  trayIcon_->PopupOwner = Handle();
  trayIcon_->OnClick = [this] {
    POINT pt{};
    ::GetCursorPos(&pt);
    ShowTrayPopup(pt.x, pt.y);
  };
  trayIcon_->OnDblClick = [this] { PopOpenHideClick(); };
  trayIcon_->OnBalloonClick = [this](TMouseButton, unsigned, int, int) { ResetTray(); };

  // 6. Settings.
  TRegistrySettingsStore store;
  const TStartupSettings settings = ReadStartupSettings(store);
  LocaleCode = settings.LocaleCode;
  CurrentMode = pmAdvanced;
  readyList_->SetMode(CurrentMode);
  Checks = settings.Checks;
  EnableDiagnosticsLog(Checks.WriteDiagnosticsLog);

  // 7. The language of the stored locale.
  const int language = LanguageFromLocaleCode(LocaleCode);
  if (language == kLanguageEnglish) LocaleCode = "en";
  SwitchLanguage(kLanguageLocaleIds[language]);

  // 8. Picture flipping on for the top and run buttons; the separators.
  for (THotImage* image : {hotScan_.get(), hotAbort_.get(), hotClean_.get(), hotFinish_.get(),
                           hotStart_.get(), hotLanguage_.get(), hotHomePage_.get(), hotAbout_.get(),
                           hotSettings_.get()})
    image->FlipPictures = true;
  const TPicture separator = TPicture::FromResource(res::kSeparator);
  imgFiller_->SetPicture(separator);
  for (auto& filler : fillers_) filler->SetPicture(separator);

  // 9. The scan database, told about this window: its icon resolution hands every group and item
  // to the ready list.
  HWND self = Handle();
  database_ = std::make_unique<TXMLDatabase>(
      [self] { ::PostMessageA(self, WM_DATABASEREADY, 0, 0); },
      [this](const TXmlNode& group, const TXmlNode* item) {
        if (Closing()) return false;
        readyList_->AddNode(group, item);
        return true;
      });
  readyList_->SetDatabase(*database_);
  database_->SetIconResolution(Application().Synchronizer(), SystemIconEnvironment());

  // 10. The scan manager, its work run in the main thread through the window synchronizer.
  scanEvents_ = std::make_unique<TMainScanEvents>(self);
  scanMgr_ = std::make_unique<TScanMgr>(Application().Synchronizer(), *scanEvents_, CleanerBuilders(), 1, true);

  // Idle work: the run buttons are refreshed when asked for; hints go to the status bar.
  Application().OnIdle = [this] {
    if (!idleRefresh_) return;
    idleRefresh_ = false;
    RefreshScanButtons();
  };
  Application().OnHint = [this](const std::string& hint) {
    ::SendMessageA(statusBar_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(hint.c_str()));
  };

  // 11. Until the database is ready the top buttons look faded and the modes ignore clicks.
  SetTopButtonsEnabled(false);
  SetModeButtonsEnabled(false);
  ::EnableWindow(hotScan_->Handle(), FALSE);
  ::EnableWindow(hotStart_->Handle(), FALSE);
  RefreshScanButtons();
  LayoutControls();
}

TTWMainForm::~TTWMainForm() {
  // The installed database is never written: the user's state goes to the user's
  // settings.
  SaveUserChoices();
  database_.reset();
  elvResults_.reset();
  readyList_.reset();
  measureDc_.reset();
  Application().OnIdle = nullptr;
  Application().OnHint = nullptr;
  tipsOwner_.reset();
  trayIcon_.reset();
  trayImages_.reset();
  popImages_.reset();
  g_mainForm = nullptr;
}

void TTWMainForm::CreateControls() {
  HWND h = Handle();
  auto image = [h] { return std::make_unique<THotImage>(h); };
  imgLogo_ = image();
  imgLogo_->FlipPictures = false;
  hotStart_ = image();
  hotLanguage_ = image();
  hotHomePage_ = image();
  hotSettings_ = image();
  hotHelp_ = image();
  hotAbout_ = image();
  hotPreset_ = image();
  hotPreset_->FlipPictures = false;
  imgFiller_ = image();
  imgFiller_->FlipPictures = false;
  for (auto& filler : fillers_) {
    filler = image();
    filler->FlipPictures = false;
  }
  for (auto& button : modeButtons_) {
    button = image();
    button->OnMouseLeave = [this] { RefreshModeButtons(); };
  }
  hotScan_ = image();
  hotAbort_ = image();
  hotClean_ = image();
  hotFinish_ = image();
  hotCancel_ = image();
  hotStop_ = image();
  hotFinish_->SetVisible(false);

  const HCURSOR help = ::LoadCursorA(nullptr, IDC_HELP);
  hotHelp_->Cursor = help;
  hotHelp_->OnClick = [this] { OpenHelp(Handle(), Language); };
  hotAbout_->OnClick = [this] {
    if (ScanState == ssIdle && topButtonsOn_) ShowAbout();
  };
  hotLanguage_->OnClick = [this] {
    if (ScanState == ssIdle && topButtonsOn_) ShowLanguagePopup();
  };
  hotSettings_->OnClick = [this] {
    if (ScanState == ssIdle && topButtonsOn_) ShowSettings();
  };
  hotHomePage_->OnClick = [this] {
    if (ScanState == ssIdle && topButtonsOn_)
      ::ShellExecuteA(Handle(), "open", kHomePage, nullptr, nullptr, SW_SHOWNORMAL);
  };
  // The logo reports the system: as a balloon when clicked, as its hint while the mouse is on it.
  imgLogo_->OnClick = [this] { PopSysInfoClick(); };
  imgLogo_->OnMouseEnter = [this] { imgLogo_->SetHint(SystemInfoText()); };
  imgLogo_->OnMouseLeave = [this] { imgLogo_->SetHint(""); };
  hotScan_->OnClick = [this] { HotScanClick(); };
  hotAbort_->OnClick = [this] { HotAbortClick(); };
  hotClean_->OnClick = [this] {
    if (ScanState == ssResults) StartClean();
  };
  for (THotImage* finish : {hotFinish_.get(), hotCancel_.get(), hotStop_.get()})
    finish->OnClick = [this] {
      if (ScanState == ssResults) HotFinishClick();
    };
  // The top button does what the run state's bottom button does.
  hotStart_->OnClick = [this] {
    switch (ScanState) {
      case ssIdle: HotScanClick(); break;
      case ssScanning: HotAbortClick(); break;
      case ssResults: StartClean(); break;
      default: break;
    }
  };

  readyList_ = std::make_unique<TReadyList>(*this, 1);
  readyList_->OnModeClick = [this] { NextModeClick(); };
  CreateResultsList();

  statusBar_ = CreateControl(STATUSCLASSNAMEA, "", WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, h, 2);
  progressBar_ = CreateControl(PROGRESS_CLASSA, "", PBS_SMOOTH, 0, 0, 10, 10, statusBar_, 3);

  trayPopup_.reset(::CreatePopupMenu());
  ::AppendMenuA(trayPopup_.get(), MF_STRING, kCmdOpenHide, "");
  ::SetMenuDefaultItem(trayPopup_.get(), kCmdOpenHide, FALSE);
  ::AppendMenuA(trayPopup_.get(), MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(trayPopup_.get(), MF_STRING, kCmdQuickAnalysis, "");
  ::AppendMenuA(trayPopup_.get(), MF_STRING, kCmdSysInfo, "");
  ::AppendMenuA(trayPopup_.get(), MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(trayPopup_.get(), MF_STRING, kCmdSettings, "");
  ::AppendMenuA(trayPopup_.get(), MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(trayPopup_.get(), MF_STRING, kCmdExit, "");
  popImages_.reset(::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0));
  if (const TPicture check = TPicture::FromResource(res::kMenuCheck); !check.Empty())
    ::ImageList_AddMasked(popImages_.get(), check.Bitmap(), RGB(255, 255, 255));
  trayLook_ = std::make_unique<TOwnerDrawnMenu>(trayPopup_.get(), "", popImages_.get());
  languagePopup_.reset(::CreatePopupMenu());
  for (int id : kLanguageLocaleIds) ::AppendMenuA(languagePopup_.get(), MF_STRING, id, "");
  languageLook_ = std::make_unique<TOwnerDrawnMenu>(languagePopup_.get(), "", popImages_.get());
  readyList_->MenuImages = popImages_.get();
}

void TTWMainForm::LayoutControls() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int width = client.right, height = client.bottom;
  ::SendMessageA(statusBar_, WM_SIZE, 0, 0);
  RECT sb{};
  ::GetWindowRect(statusBar_, &sb);
  const int statusHeight = sb.bottom - sb.top;
  // Five panels: 60 % and four of 10 %.
  int parts[5];
  const int tenth = width / 10;
  parts[0] = width - 4 * tenth;
  for (int i = 1; i < 5; ++i) parts[i] = parts[0] + i * tenth;
  parts[4] = -1;
  ::SendMessageA(statusBar_, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(parts));
  RECT panel4{};
  ::SendMessageA(statusBar_, SB_GETRECT, 4, reinterpret_cast<LPARAM>(&panel4));
  ::MoveWindow(progressBar_, panel4.left + 1, panel4.top + 1, panel4.right - panel4.left - 2,
               panel4.bottom - panel4.top - 2, TRUE);

  // Top bar: the logo on the left; on the right the run-state button and, left of it, the
  // small buttons in two rows.
  const SIZE logo = imgLogo_->Picture().Empty() ? SIZE{420, 72} : imgLogo_->Picture().Size();
  const int topHeight = logo.cy;
  BannerHeight = topHeight;
  BannerColor = imgLogo_->Picture().Empty() ? kMainColor : imgLogo_->Picture().EdgeColor();
  imgLogo_->SetPosition(0, 0);
  const SIZE start = hotStart_->Size();
  const int startX = width - 8 - start.cx;
  hotStart_->SetPosition(startX, (topHeight - start.cy) / 2);
  // While results are shown, their Cancel stands left of the run-state button (then Clean), where
  // the small buttons that have nothing to do then (all but Help) are hidden.
  const SIZE stop = hotStop_->Size();
  hotStop_->SetPosition(startX - 8 - stop.cx, (topHeight - stop.cy) / 2);
  const SIZE small = hotAbout_->Size();
  const int gridRight = startX - 10;
  const int rowGap = std::max(0, static_cast<int>(topHeight - 2 * small.cy) / 3);
  THotImage* const grid[2][3] = {{hotLanguage_.get(), hotHomePage_.get(), hotSettings_.get()},
                                 {hotHelp_.get(), hotAbout_.get(), nullptr}};
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 3; ++col)
      if (THotImage* b = grid[row][col])
        b->SetPosition(gridRight - (3 - col) * (small.cx + 2), rowGap + row * (small.cy + rowGap));

  // Mode column: the title, then each mode button followed by a separator.
  int columnWidth = hotPreset_->Size().cx;
  for (auto& button : modeButtons_) columnWidth = std::max(columnWidth, static_cast<int>(button->Size().cx));
  int y = topHeight;
  hotPreset_->SetPosition(0, y);
  y += hotPreset_->Size().cy;
  imgFiller_->SetPosition(0, y);
  y += imgFiller_->Size().cy;
  for (int i = 0; i < 7; ++i) {
    modeButtons_[i]->SetPosition(0, y);
    y += modeButtons_[i]->Size().cy;
    fillers_[i]->SetPosition(0, y);
    y += fillers_[i]->Size().cy;
  }

  // Bottom panel with the run buttons, 4 pixels from its right edge.
  int runHeight = 0;
  for (THotImage* b : {hotScan_.get(), hotAbort_.get(), hotClean_.get(), hotCancel_.get(), hotStop_.get()})
    runHeight = std::max(runHeight, static_cast<int>(b->Size().cy));
  const int panelHeight = runHeight + 12;
  const int panelTop = height - statusHeight - panelHeight;
  int right = width - 4;
  for (THotImage* b : {hotScan_.get(), hotAbort_.get(), hotCancel_.get(), hotFinish_.get()}) {
    const SIZE s = b->Size();
    b->SetPosition(right - s.cx, panelTop + (panelHeight - s.cy) / 2);
  }
  // Clean stands left of Cancel while results are shown.
  const SIZE cancel = hotCancel_->Size(), clean = hotClean_->Size();
  hotClean_->SetPosition(right - cancel.cx - 6 - clean.cx, panelTop + (panelHeight - clean.cy) / 2);

  // List area between the column, the top bar and the bottom panel.
  ::MoveWindow(readyList_->List().Handle(), columnWidth, topHeight, width - columnWidth, panelTop - topHeight, TRUE);
  ::MoveWindow(elvResults_->Handle(), columnWidth, topHeight, width - columnWidth, panelTop - topHeight, TRUE);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void TTWMainForm::FormShow() {
  std::string title;
  try {
    title = Format("%s %s %s", ProgramTitle(Language), Row(kRowAboutVersion, Language), ProgramFileVersion());
  } catch (...) {
    LogBoundaryError("TTWMainForm.FormShow");
    title = ProgramTitle(Language);
  }
  Application().Title = title;
  BringDialogOrSelfToFront();
  SetCaption(title);
  trayIcon_->SetHint(title);
  if (!firstShow_) return;
  firstShow_ = false;
  readyList_->SetMode(CurrentMode);
  CreateDesktopShortcut();
  LoadLanguageResources();
  RefreshScanButtons();
  if (Checks.ShowTipsAtStartup && tips_ && tips_->Handle()) {
    RECT r = tips_->Bounds();
    const int w = r.right - r.left, h = r.bottom - r.top;
    tips_->SetBounds((::GetSystemMetrics(SM_CXSCREEN) - w) / 2, (::GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h);
    tips_->Show();
  }
}

void TTWMainForm::CreateDesktopShortcut() {
  const std::string program = ProgramFileName();
  const std::string folder = program.substr(0, program.find_last_of('\\') + 1);
  WIN32_FIND_DATAA data;
  unique_hfind find(::FindFirstFileA((folder + "unins*.exe").c_str(), &data));
  if (find) return;
  const std::string desktop = SpecialFolderPath(CSIDL_DESKTOPDIRECTORY, true);
  if (desktop.empty()) return;
  std::string name = program.substr(folder.size());
  name = name.substr(0, name.find_last_of('.')) + ".lnk";
  try {
    ComPtr<IShellLinkA> link;
    OleCheck(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.put_void()));
    link->SetPath(program.c_str());
    link->SetWorkingDirectory(folder.substr(0, folder.size() - 1).c_str());
    link->SetShowCmd(SW_SHOWNORMAL);
    link->SetDescription(ProgramTitle(Language).c_str());
    ComPtr<IPersistFile> file = link.query<IPersistFile>(IID_IPersistFile);
    if (file) file->Save(Widen(desktop + name).c_str(), TRUE);
  } catch (...) {
    LogBoundaryError("TTWMainForm.FormShow");
  }
}

void TTWMainForm::WMDatabaseReady() {
  if (Closing()) return;
  TRegistrySettingsStore store;
  LocaleCode = ReadLocaleCode(store);
  CurrentMode = static_cast<std::uint8_t>(ReadPresetScanMode(store));
  PutCustomPlaces();
  ApplyUserChoices();
  ApplyRestartOptions();
  readyList_->Fill(CurrentMode);
  SetTopButtonsEnabled(true);
  SetModeButtonsEnabled(true);
  ::EnableWindow(hotScan_->Handle(), TRUE);
  ::EnableWindow(hotStart_->Handle(), TRUE);
  RefreshScanButtons();
  Application().ProcessMessages();
  ::PostMessageA(Handle(), WM_SHOWTIPS, 0, 0);
  // On a machine fast enough to read the history at start-up, tell the user what it holds.
  if (Checks.ShowInfoTips && RecordedProcessorMHz().value_or(0) > kStartupHistoryMinMHz) {
    int total = 0, adult = 0;
    scanMgr_->AdultHistoryCount(Language, total, adult);
    ShowBalloon(std::string(StrRes(kRowCaptionWarning, Language)), Format(std::string(StrRes(kRowAdultHistoryFound, Language)), total, adult),
                adult > 0, bfWarning);
  }
}

void TTWMainForm::WMShowTips() {
  if (!Checks.ShowTipsAtStartup || (tips_ && tips_->Handle())) return;
  tipsOwner_ = std::make_unique<TTipOfTheDayForm>(Handle(), Language, Database(), Checks,
                                                  [this](TTipOfTheDayForm* tips) { TipsClosed(tips); });
  tips_ = tipsOwner_.get();
  CenterOverForm(Handle(), tips_->Handle());
  if (Visible()) tips_->Show();
}

void TTWMainForm::TipsClosed(TTipOfTheDayForm* tips) {
  if (tips == tips_) tips_ = nullptr;
}

void TTWMainForm::ShowSettings() {
  if (settingsOpen_) return;
  settingsOpen_ = true;
  TSettingsActions actions;
  actions.LargeIcons = [this] { return !readyList_->SmallIcons(); };
  actions.SwitchIconSize = [this] { readyList_->SetSmallIcons(!readyList_->SmallIcons()); };
  actions.ShowBalloon = [this](const std::string& title, const std::string& text) {
    ShowBalloon(title, text, Checks.ShowInfoTips, bfInfo);
  };
  TRegistrySettingsStore store;
  // The ticks as they are now, for the dialog to move with the custom places it removes.
  readyList_->SaveTicks(store);
  const std::vector<std::string> customBefore = ReadCustomLines(store);
  try {
    TSettingsForm settings(Handle(), Language, store, Checks, database_->Loaded ? database_.get() : nullptr,
                           std::move(actions));
    CenterOverForm(Handle(), settings.Handle());
    settings.ShowModal();
  } catch (...) {
    settingsOpen_ = false;
    throw;
  }
  settingsOpen_ = false;
  if (ReadCustomLines(store) != customBefore) CustomPlacesChanged();
}

void TTWMainForm::ShowAbout() {
  TAboutForm about(Handle(), Language, Database());
  about_ = &about;
  CenterOverForm(Handle(), about.Handle());
  about.ShowModal();
  about_ = nullptr;
}

void TTWMainForm::BringDialogOrSelfToFront() {
  if (about_ && about_->Handle() && about_->Visible()) {
    about_->BringToFront();
    return;
  }
  if (Visible()) BringToFront();
}

void TTWMainForm::ShowBalloon(const std::string& title, const std::string& text, bool enabled,
                              TBalloonFlags kind) {
  if (!enabled) return;
  trayIcon_->BalloonTitle = title;
  trayIcon_->BalloonHint = text;
  trayIcon_->BalloonFlags = kind;
  trayIcon_->ShowBalloonHint();
}

void TTWMainForm::DatabaseUnavailable() {
  // Languages, About and the home page do not need the database.
  SetTopButtonsEnabled(true);
}

void TTWMainForm::HotScanClick() {
  if (ScanState != ssIdle || !modeButtonsOn_) return;
  // The checks of the modes: a mode must be chosen, and the picking modes need a ticked item.
  if (const int row = ScanRefusalRow(CurrentMode, readyList_->HasCheckedItem())) {
    ShowBalloon(Row(kRowOops, Language), Row(row, Language) + (row == kRowChooseItemsToScan ? "!" : ""), true, bfError);
    return;
  }
  if (!OfferRightsBeforeScan()) return;
  ScanState = ssScanning;
  SetTopButtonsEnabled(false);
  SetModeButtonsEnabled(false);
  RefreshScanButtons();
  ResetTray();
  startTime_ = std::chrono::steady_clock::now();
  try {
    TRegistrySettingsStore protectStore;
    scanMgr_->Protect = ProtectListFromLines(ReadProtectLines(protectStore));
    scanMgr_->Scan(database_->Document, static_cast<TPresetMode>(CurrentMode), Language);
  } catch (...) {
    // Nothing was queued: the run ends here and the ready list comes back.
    const ErrorInfo error = DescribeException(std::current_exception());
    LogFile().Write("[TTWMainForm.HotScanClick] %s: %s", error.className, error.message);
    HotFinishClick();
  }
}

void TTWMainForm::HandleError(const char* where) noexcept { LogBoundaryError(where); }

LRESULT TTWMainForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    const TRegisteredMessages& registered = RegisteredMessages();
    if (msg == registered.Terminate && msg != 0) {
      PopExitClick();
    } else if (msg == registered.ShowWindow && msg != 0) {
      if (!Visible()) PopOpenHideClick();
    }
    switch (msg) {
      case WM_ENDSESSION:
        // The process may end as soon as this returns: everything is written before.
        if (wParam) {
          PopExitClick();
          SaveUserChoices();
        }
        return 0;
      case WM_QUERYENDSESSION:
        PopExitClick();
        SaveUserChoices();
        return 1;
      case WM_TERMINATEAPP:
        Application().Terminate();
        return 0;
      case WM_DATABASEREADY:
        WMDatabaseReady();
        return 0;
      case WM_SHOWTIPS:
        WMShowTips();
        return 0;
      case WM_WORKITEM:
        WMWorkItem(wParam, lParam);
        return 0;
      case WM_WORKDONE:
        WMWorkDone(wParam);
        return 0;
      case WM_SCANQUEUED:
        UpdateProgressBar(true, 0, 0, static_cast<int>(wParam));
        return 0;
      case WM_TIMER:
        if (wParam == kExitFallbackTimer) ResetTray();
        if (wParam == kStatusTimer) RefreshStatus(true);
        return 0;
      case WM_CLOSE:
        FormCloseQuery();
        return 0;
      case WM_SHOWWINDOW:
        if (wParam) {
          const LRESULT result = Default(msg, wParam, lParam);
          FormShow();
          return result;
        }
        break;
      case WM_SIZE:
        if (statusBar_) LayoutControls();
        return 0;
      case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {760, 560};
        return 0;
      }
      case WM_INITMENUPOPUP:
        InitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
      case WM_HELP:  // F1: what the help button does
        OpenHelp(Handle(), Language);
        return TRUE;
      case WM_MEASUREITEM:
        if (TOwnerDrawnMenu::Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
      case WM_DRAWITEM:
        if (TOwnerDrawnMenu::Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
      case WM_COMMAND:
        if (lParam == 0) Command(LOWORD(wParam));
        return 0;
      case WM_CTLCOLORSTATIC:
        break;
      default:
        break;
    }
  } catch (...) {
    HandleError("TTWMainForm.WndProc");
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}

}  // namespace tw
