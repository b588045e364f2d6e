#include "ui/main/MainWindow.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdlib>

#include "cleaners/WorkObjectBuilders.h"
#include "database/DefaultBrowser.h"
#include "database/portable/IconSources.h"
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
#include "support/FileIO.h"
#include "support/Format.h"
#include "support/LogFile.h"
#include "support/Messages.h"
#include "ui/components/FormUtils.h"
#include "ui/components/MessageRows.h"
#include "ui/components/WindowSynchronizer.h"
#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/SettingsDialog.h"
#include "ui/dialogs/TipsDialog.h"
#include "ui/main/portable/ReadyRules.h"
#include "ui/main/portable/StartupOptions.h"
#include "ui/resources/ResourceNames.h"

namespace tw {
namespace {

TTWMainForm* g_mainForm = nullptr;

constexpr COLORREF kMainColor = RGB(83, 83, 83);
constexpr UINT_PTR kTimer1 = 1;
// The product's home page (the build's TW_HOME_PAGE).
constexpr const char* kHomePage = TW_HOME_PAGE;

// The mode of each button of the column, in its order (Quick, Cookie, History, Privacy,
// Complete, Advanced, Registry).
constexpr std::array<int, 7> kModeOfButton = {pmQuick, pmCookie, pmHistory, pmPrivacy,
                                              pmWipeOut, pmAdvanced, pmRegistry};

std::string Row(int row, int language) { return std::string(StrRes(row, language)); }

// A text shown in a menu entry: its ampersands are no mnemonics.
std::string MenuText(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

// The system image list of small or of large icons (the shell keeps it).
HIMAGELIST SystemImageList(bool small) {
  SHFILEINFOA info{};
  return reinterpret_cast<HIMAGELIST>(::SHGetFileInfoA(
      "C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON)));
}

// The path macros the database's icon resolution uses.
TIconEnvironment IconEnvironment() {
  TIconEnvironment env;
  env.ExpandEnvPath = [](const std::string& s) { return ExpandEnvPath(s); };
  env.ResolveFolderMacro = [](const std::string& s) { return ResolveFolderMacro(s); };
  env.ShellNormalizePath = [](const std::string& s) { return ShellNormalizePath(s); };
  env.CsidlFromName = [](const std::string& s) { return CsidlFromName(s); };
  env.WinNT = IsWinNT();
  return env;
}

}  // namespace

TTWMainForm::TTWMainForm(std::vector<std::string> args) : args_(std::move(args)) {
  g_mainForm = this;
  hide_ = HasHideSwitch(args_);
  backgroundBrush_.reset(::CreateSolidBrush(kMainColor));
  CreateHandle("TTWMainForm", "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_APPWINDOW,
               CW_USEDEFAULT, CW_USEDEFAULT, 1000, 660, nullptr,
               static_cast<HBRUSH>(backgroundBrush_.get()));
  Application().MainForm = this;

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
  trayImages_ = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 0);
  for (int id : res::kIconTrayFrames) {
    HICON frame = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                                  IMAGE_ICON, 16, 16, 0));
    if (frame) {
      ::ImageList_AddIcon(trayImages_, frame);
      ::DestroyIcon(frame);
    }
  }
  // The frames animate while a scan or a clean runs; until then the application's icon shows.
  trayIcon_->SetIcons(trayImages_);
  trayIcon_->SetIcon(Application().Icon());
  // Both lists show the system's images.
  systemSmall_ = SystemImageList(true);
  systemLarge_ = SystemImageList(false);
  elvReady_->SetImageLists(systemSmall_, systemLarge_);
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
  database_ = std::make_unique<TXMLDatabase>(
      Handle(), [this](const TXmlNode& group, const TXmlNode* item) { return OnDatabaseNode(group, item); });
  database_->SetIconResolution(Application().Synchronizer(), IconEnvironment());

  // 10. The scan manager, its work run in the main thread through the window synchronizer.
  scanMgr_ = std::make_unique<TScanMgr>(Application().Synchronizer(), Handle(), CleanerBuilders(), 1, true);
  HWND self = Handle();
  scanMgr_->OnScanStart = [this](TScanMgr*) { ScanStarted(); };
  scanMgr_->OnItem = [self](TWorkObject* sender, TWorkDataPtr data) {
    ::PostMessageA(self, WM_WORKITEM, reinterpret_cast<WPARAM>(sender),
                   reinterpret_cast<LPARAM>(data.release()));
    Application().ProcessMessages();
  };
  // The worker waits for this call: no messages are pumped in it, or the end of a scan would be
  // handled inside it and a clean started from the results would wait for that same worker.
  scanMgr_->OnWorkDone = [self](TCustomWorkObject* sender) {
    ::PostMessageA(self, WM_WORKDONE, reinterpret_cast<WPARAM>(sender), 0);
  };
  scanMgr_->OnAbortStopped = [](TWorkThreadPool*) {
    // Worker thread: the window's part happens in the main thread, after everything the pool
    // handed over before it stopped.
    Application().Synchronizer().Queue([] {
      if (g_mainForm) g_mainForm->AbortStopped();
    });
  };
  scanMgr_->OnShutdownStopped = [self](TWorkThreadPool*) {
    LogFile().Write("%s", "### Application.Terminate ###");
    ::PostMessageA(self, WM_TERMINATEAPP, 0, 0);
  };

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
  // FormDestroy. The installed database is never written: the user's state goes to the user's
  // settings.
  SaveUserChoices();
  database_.reset();
  elvResults_.reset();
  elvReady_.reset();
  if (measureDc_) ::DeleteDC(measureDc_);
  Application().OnIdle = nullptr;
  Application().OnHint = nullptr;
  tipsOwner_.reset();
  trayIcon_.reset();
  if (trayImages_) ::ImageList_Destroy(trayImages_);
  if (popImages_) ::ImageList_Destroy(popImages_);
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

  CreateReadyList();
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
  popImages_ = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
  if (const TPicture check = TPicture::FromResource(res::kMenuCheck); !check.Empty())
    ::ImageList_AddMasked(popImages_, check.Bitmap(), RGB(255, 255, 255));
  trayLook_ = std::make_unique<TOwnerDrawnMenu>(trayPopup_.get(), "", popImages_);
  languagePopup_.reset(::CreatePopupMenu());
  for (int id : kLanguageLocaleIds) ::AppendMenuA(languagePopup_.get(), MF_STRING, id, "");
  languageLook_ = std::make_unique<TOwnerDrawnMenu>(languagePopup_.get(), "", popImages_);
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
  ::MoveWindow(elvReady_->Handle(), columnWidth, topHeight, width - columnWidth, panelTop - topHeight, TRUE);
  ::MoveWindow(elvResults_->Handle(), columnWidth, topHeight, width - columnWidth, panelTop - topHeight, TRUE);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void TTWMainForm::LoadPicture(THotImage& image, const std::string& normal, const std::string& hot) {
  image.SetPicture(TPicture::FromResource(normal));
  image.SetPictureHot(hot.empty() ? image.Picture() : TPicture::FromResource(hot));
}

bool TTWMainForm::Closing() {
  std::lock_guard<std::mutex> guard(closingLock_);
  return closingFlag_;
}

void TTWMainForm::UpdateTitle(int language) {
  for (TWindow* form : Application().Forms) form->Language = language;
  std::string title;
  try {
    title = Format("%s - %s %s", Row(0, language), Row(1, language), ProgramFileVersion());
  } catch (...) {
    LogBoundaryError("TTWMainForm.UpdateTitle");
    title = ProgramTitle(language);
  }
  Application().Title = title;
  SetCaption(title);
}

void TTWMainForm::SwitchLanguage(int localeId) {
  // The window is minimised while its pictures change and comes back as it was.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  ::GetWindowPlacement(Handle(), &placement);
  const bool visible = Visible();
  if (visible) {
    ::ShowWindow(Handle(), SW_MINIMIZE);
    Application().ProcessMessages();
  }
  const int language = LanguageFromLocaleId(localeId);
  UpdateTitle(language);
  checkedLanguage_ = language;
  TRegistrySettingsStore store;
  store.WriteString("Locale", LocaleCodeFromLocaleId(localeId));
  LocaleCode = LocaleCodeFromLocaleId(localeId);
  LoadLanguageResources();
  if (visible) {
    ::ShowWindow(Handle(), placement.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_RESTORE);
  }
  idleRefresh_ = true;
  if (tips_ && tips_->Handle()) {
    const bool tipsShown = tips_->Visible();
    tips_->Hide();
    tips_->ShowTexts();
    if (tipsShown) tips_->Show();
  }
}

void TTWMainForm::LoadLanguageResources() {
  const int l = Language;
  RefreshReadyTexts();
  if (elvResults_->GroupCount() > 0) {
    elvResults_->BeginUpdate();
    for (int g = 0; g < elvResults_->GroupCount(); ++g) elvResults_->SetGroupCaption(g, ResultGroupCaption(g));
    elvResults_->EndUpdate();
  }
  // Hints.
  hotScan_->SetHint(Row(43, l));
  hotAbort_->SetHint(Row(44, l));
  hotFinish_->SetHint(Row(45, l));
  hotClean_->SetHint(Row(46, l));
  hotStart_->SetHint(Row(43, l));
  hotLanguage_->SetHint(Row(91, l));
  hotHomePage_->SetHint(Row(92, l));
  hotAbout_->SetHint(Row(94, l));
  hotHelp_->SetHint(Row(95, l));
  hotSettings_->SetHint(Row(96, l));
  hotCancel_->SetHint(Row(12, l));
  hotStop_->SetHint(Row(12, l));
  hotPreset_->SetHint(Row(80, l));
  for (int i = 0; i < 7; ++i) modeButtons_[i]->SetHint(Row(ModeRow(kModeOfButton[i]), l));

  // Pictures, with flipping off while they load.
  std::vector<THotImage*> all = {imgLogo_.get(), hotStart_.get(), hotLanguage_.get(), hotHomePage_.get(),
                                 hotSettings_.get(), hotHelp_.get(), hotAbout_.get(), hotPreset_.get(),
                                 hotScan_.get(), hotAbort_.get(), hotClean_.get(), hotFinish_.get(),
                                 hotCancel_.get(), hotStop_.get()};
  for (auto& b : modeButtons_) all.push_back(b.get());
  for (THotImage* b : all) b->FlipPictures = false;
  imgLogo_->SetPicture(TPicture::FromResource(res::PictureName(res::kTopLogo, l)));
  hotPreset_->SetPicture(TPicture::FromResource(res::PictureName(res::kPreset, l)));
  LoadPicture(*hotScan_, res::PictureName(res::kBtnScan, l), res::PictureName(res::kBtnScanOver, l));
  LoadPicture(*hotAbort_, res::PictureName(res::kBtnAbort, l), res::PictureName(res::kBtnAbortOver, l));
  LoadPicture(*hotClean_, res::PictureName(res::kBtnClean, l), res::PictureName(res::kBtnCleanOver, l));
  LoadPicture(*hotFinish_, res::PictureName(res::kBtnFinish, l), res::PictureName(res::kBtnFinishOver, l));
  LoadPicture(*hotCancel_, res::PictureName(res::kBtnCancel, l), res::PictureName(res::kBtnCancelOver, l));
  LoadPicture(*hotStop_, res::PictureName(res::kCancelNormal, l), res::PictureName(res::kCancelOver, l));
  LoadPicture(*hotHelp_, res::PictureName(res::kHelpNormal, l), res::PictureName(res::kHelpOver, l));
  SetTopButtonsEnabled(topButtonsOn_);
  RefreshScanButtons();
  for (int i = 0; i < 7; ++i) {
    const res::TModeButton button = res::kModeButtons[i];
    const bool current = kModeOfButton[i] == CurrentMode;
    const res::TModeState state =
        current ? res::TModeState::Down : (modeButtonsOn_ ? res::TModeState::Normal : res::TModeState::Grey);
    LoadPicture(*modeButtons_[i], res::ModePictureName(button, state, l),
                res::ModePictureName(button, current ? res::TModeState::Down : res::TModeState::Over, l));
  }
  LayoutControls();
  // Flipping back on.
  for (THotImage* b : {hotScan_.get(), hotAbort_.get(), hotClean_.get(), hotFinish_.get(), hotStart_.get(),
                       hotLanguage_.get(), hotHomePage_.get(), hotAbout_.get(), hotSettings_.get(),
                       hotHelp_.get(), hotCancel_.get(), hotStop_.get()})
    b->FlipPictures = true;
  for (int i = 0; i < 7; ++i) modeButtons_[i]->FlipPictures = modeButtonsOn_ && kModeOfButton[i] != CurrentMode;
  SetHeaderCaption();
}

void TTWMainForm::SetHeaderCaption() {
  elvReady_->SetHeaderCaption(Row(ModeRow(CurrentMode), Language));
  elvResults_->SetHeaderCaption(Row(ModeRow(CurrentMode), Language));
}

void TTWMainForm::SetTopButtonsEnabled(bool on) {
  topButtonsOn_ = on;
  const int l = Language;
  const HCURSOR hand = ::LoadCursorA(nullptr, IDC_HAND), no = ::LoadCursorA(nullptr, IDC_NO);
  hotAbout_->Cursor = on ? ::LoadCursorA(nullptr, IDC_HELP) : no;
  for (THotImage* b : {hotHomePage_.get(), hotLanguage_.get()}) b->Cursor = on ? hand : no;
  for (auto& b : modeButtons_) b->Cursor = on ? hand : no;
  struct {
    THotImage* button;
    res::TLanguagePicture normal, over, faded;
  } const top[] = {{hotAbout_.get(), res::kAboutNormal, res::kAboutOver, res::kAboutFaded},
                   {hotSettings_.get(), res::kSettingsNormal, res::kSettingsOver, res::kSettingsFaded},
                   {hotHomePage_.get(), res::kHomeNormal, res::kHomeOver, res::kHomeFaded},
                   {hotLanguage_.get(), res::kLangNormal, res::kLangOver, res::kLangFaded}};
  for (const auto& t : top) {
    const bool enabled = on;
    const bool flip = t.button->FlipPictures;
    t.button->FlipPictures = false;
    if (enabled)
      LoadPicture(*t.button, res::PictureName(t.normal, l), res::PictureName(t.over, l));
    else
      LoadPicture(*t.button, res::PictureName(t.faded, l), res::PictureName(t.faded, l));
    t.button->FlipPictures = flip;
  }
  hotSettings_->Cursor = on ? hand : no;
  // Disabled while they would ignore a click, so that none is silently dropped.
  for (const auto& t : top) ::EnableWindow(t.button->Handle(), on);
}

void TTWMainForm::SetModeButtonsEnabled(bool on) {
  modeButtonsOn_ = on;
  const int l = Language;
  for (int i = 0; i < 7; ++i) {
    THotImage& b = *modeButtons_[i];
    const int mode = kModeOfButton[i];
    b.FlipPictures = false;
    b.OnClick = on ? std::function<void()>([this, mode] { ModeButtonClick(mode); }) : nullptr;
    const bool current = mode == CurrentMode;
    const res::TModeButton button = res::kModeButtons[i];
    if (on)
      LoadPicture(b, res::ModePictureName(button, current ? res::TModeState::Down : res::TModeState::Normal, l),
                  res::ModePictureName(button, current ? res::TModeState::Down : res::TModeState::Over, l));
    else
      LoadPicture(b, res::ModePictureName(button, current ? res::TModeState::Down : res::TModeState::Grey, l), "");
    b.FlipPictures = on && !current;
    ::EnableWindow(b.Handle(), on);
  }
  SetHeaderCaption();
}

void TTWMainForm::RefreshModeButtons() {
  if (ScanState != ssIdle || !modeButtonsOn_) return;
  SetModeButtonsEnabled(true);
}

void TTWMainForm::ModeButtonClick(int mode) {
  if (ScanState != ssIdle || mode == CurrentMode) return;
  CurrentMode = static_cast<std::uint8_t>(mode);
  RefreshModeButtons();
  BuildReadyList();
}

void TTWMainForm::RefreshScanButtons() {
  const int l = Language;
  hotScan_->SetVisible(ScanState == ssIdle);
  hotAbort_->SetVisible(ScanState == ssScanning);
  hotClean_->SetVisible(ScanState == ssResults);
  hotCancel_->SetVisible(ScanState == ssResults);
  hotStop_->SetVisible(ScanState == ssResults);
  for (THotImage* b : {hotLanguage_.get(), hotHomePage_.get(), hotSettings_.get(), hotAbout_.get()})
    b->SetVisible(ScanState != ssResults);
  res::TLanguagePicture normal = res::kScanNormal, over = res::kScanOver;
  int hint = 43;
  if (ScanState == ssScanning) normal = res::kAbortNormal, over = res::kAbortOver, hint = 44;
  if (ScanState == ssResults) normal = res::kCleanNormal, over = res::kCleanOver, hint = 46;
  if (ScanState == ssCleaning) normal = res::kAbortNormal, over = res::kAbortOver, hint = 44;
  const bool flip = hotStart_->FlipPictures;
  hotStart_->FlipPictures = false;
  LoadPicture(*hotStart_, res::PictureName(normal, l), res::PictureName(over, l));
  hotStart_->FlipPictures = flip;
  hotStart_->SetHint(Row(hint, l));
}

void TTWMainForm::FormShow() {
  std::string title;
  try {
    title = Format("%s %s %s", ProgramTitle(Language), Row(1, Language), ProgramFileVersion());
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
  elvReady_->SetCheckBoxes(ModeHasCheckBoxes(CurrentMode) ? TCheckBoxes::Shown : TCheckBoxes::Space);
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
  BuildReadyList();
  SetTopButtonsEnabled(true);
  SetModeButtonsEnabled(true);
  ::EnableWindow(hotScan_->Handle(), TRUE);
  ::EnableWindow(hotStart_->Handle(), TRUE);
  RefreshScanButtons();
  Application().ProcessMessages();
  ::PostMessageA(Handle(), WM_SHOWTIPS, 0, 0);
  // On a machine fast enough to read the history at start-up, tell the user what it holds.
  if (Checks.ShowInfoTips && RecordedProcessorMHz().value_or(0) > 996) {
    int total = 0, adult = 0;
    scanMgr_->AdultHistoryCount(Language, total, adult);
    ShowBalloon(std::string(StrRes(219, Language)), Format(std::string(StrRes(225, Language)), total, adult),
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
  actions.LargeIcons = [this] { return !elvReady_->SmallImages(); };
  actions.SwitchIconSize = [this] { SetSmallIcons(!elvReady_->SmallImages()); };
  actions.ShowBalloon = [this](const std::string& title, const std::string& text) {
    ShowBalloon(title, text, Checks.ShowInfoTips, bfInfo);
  };
  TRegistrySettingsStore store;
  // The ticks as they are now, for the dialog to move with the custom places it removes.
  if (userStateRead_ && database_->Loaded) WriteUserState(store, CaptureUserState(database_->Document));
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

void TTWMainForm::ResetTray() {
  ::KillTimer(Handle(), kTimer1);
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
  ::SetTimer(Handle(), kTimer1, 2500, nullptr);
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
  ShowBalloon(Row(219, Language), Format(Row(225, Language), total, adult), adult > 0, bfWarning);
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
  ShowBalloon(Row(27, Language), SystemInfoText(), Checks.ShowInfoTips, bfInfo);
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
    trayLook_->SetCaption(kCmdOpenHide, Row(Visible() ? 69 : 70, l));
    trayLook_->SetCaption(kCmdQuickAnalysis, Row(71, l));
    trayLook_->SetCaption(kCmdSysInfo, Row(72, l));
    trayLook_->SetCaption(kCmdSettings, Row(96, l));
    trayLook_->SetCaption(kCmdExit, Row(73, l));
    trayLook_->SetBandCaption(std::string(11, ' ') + Row(67, l));
    const UINT idle = ScanState == ssIdle ? MF_ENABLED : MF_GRAYED;
    for (int id : {kCmdQuickAnalysis, kCmdSysInfo, kCmdSettings}) ::EnableMenuItem(menu, id, MF_BYCOMMAND | idle);
    ::SetMenuDefaultItem(menu, kCmdOpenHide, FALSE);
    BringDialogOrSelfToFront();
  } else if (menu == languagePopup_.get()) {
    for (int i = 0; i < 4; ++i) {
      const int id = kLanguageLocaleIds[i];
      languageLook_->SetCaption(id, Row(23 + i, l));
      ::CheckMenuItem(menu, id, MF_BYCOMMAND | (i == checkedLanguage_ ? MF_CHECKED : MF_UNCHECKED));
    }
    languageLook_->SetBandCaption(Row(74, l));
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
    case kCmdGroupToggle:
    case kCmdExpandAll:
    case kCmdCollapseAll:
    case kCmdSelectAll:
    case kCmdUnselectAll:
    case kCmdSelectAllInGroups:
    case kCmdUnselectAllInGroups:
    case kCmdIconSize: {
      if (!database_->Loaded) return;
      TGroupedList& list = *elvReady_;
      const bool groupValid = popupGroup_ >= 0 && popupGroup_ < list.GroupCount();
      // Ticks belong to the modes in which the user picks items.
      const bool checks = ModeHasCheckBoxes(CurrentMode);
      if (id == kCmdGroupToggle && groupValid) list.ToggleExpanded(popupGroup_);
      if (id == kCmdExpandAll || id == kCmdCollapseAll) {
        list.BeginUpdate();
        for (int g = 0; g < list.GroupCount(); ++g) list.SetGroupExpanded(g, id == kCmdExpandAll);
        list.EndUpdate();
      }
      if ((id == kCmdSelectAll || id == kCmdUnselectAll) && groupValid && checks)
        CheckReadyGroup(popupGroup_, id == kCmdSelectAll);
      if ((id == kCmdSelectAllInGroups || id == kCmdUnselectAllInGroups) && checks) {
        list.BeginUpdate();
        for (int g = 0; g < list.GroupCount(); ++g)
          if (list.GroupVisible(g)) CheckReadyGroup(g, id == kCmdSelectAllInGroups);
        list.EndUpdate();
      }
      if (id == kCmdIconSize) SetSmallIcons(!list.SmallImages());
      return;
    }
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
      for (int localeId : kLanguageLocaleIds)
        if (id == localeId) SwitchLanguage(localeId);
      return;
  }
}

void TTWMainForm::DatabaseUnavailable() {
  // Languages, About and the home page do not need the database.
  SetTopButtonsEnabled(true);
}

void TTWMainForm::HotScanClick() {
  if (ScanState != ssIdle || !modeButtonsOn_) return;
  // The checks of the modes: a mode must be chosen, and the picking modes need a ticked item.
  if (const int row = ScanRefusalRow(CurrentMode, HasCheckedItem())) {
    ShowBalloon(Row(kRowOops, Language), Row(row, Language) + (row == 48 ? "!" : ""), true, bfError);
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
    scanMgr_->Scan(database_->Document, Language);
  } catch (...) {
    // Nothing was queued: the run ends here and the ready list comes back.
    const ErrorInfo error = DescribeException(std::current_exception());
    LogFile().Write("[hotScanClick] %s: %s", error.className, error.message);
    HotFinishClick();
  }
}

// ---- The ready list

void TTWMainForm::CreateReadyList() {
  elvReady_ = std::make_unique<TGroupedList>(Handle(), 1);
  TGroupedList& list = *elvReady_;
  list.HintPause = 500;
  list.HintShortPause = 500;
  list.HintHidePause = 10000;
  list.HintWidthShare = 0.25;
  list.OnItemCaption = [this](int g, int i) {
    return NodeText(ready_[static_cast<std::size_t>(g)].Items[static_cast<std::size_t>(i)], "name");
  };
  list.OnItemDetail = [this](int g, int i) {
    return NodeText(ready_[static_cast<std::size_t>(g)].Items[static_cast<std::size_t>(i)], "info");
  };
  list.OnItemImage = [this](int g, int i) {
    return ready_[static_cast<std::size_t>(g)].ItemImages[static_cast<std::size_t>(i)];
  };
  list.OnItemChecking = [](int, int, bool) { return ModeHasCheckBoxes(CurrentMode); };
  list.OnItemCheckChange = [this](int g, int i) { ReadyItemCheckChange(g, i); };
  list.OnGroupCheckChange = [this](int g) { ReadyGroupCheckChange(g); };
  list.OnGroupExpandChange = [this](int g, bool expanded) {
    if (!fillingReady_) ready_[static_cast<std::size_t>(g)].Node.SetAttr("expanded", expanded ? "true" : "false");
  };
  list.OnClick = [this](const TListHit& hit) { ReadyClick(hit); };
  list.OnHint = [this](const TListHit& hit) { return ReadyHint(hit); };
  list.OnContextMenu = [this](const TListHit& hit, POINT screen) { ReadyContextMenu(hit, screen); };
  list.OnHeaderClick = [this] { ReadyHeaderClick(); };
}

std::string TTWMainForm::NodeText(const TXmlNode& node, const char* attribute) const {
  // The language element of the window's language holds the texts.
  return node.Child(Language).AttrOpt(attribute).value_or(std::string());
}

std::string TTWMainForm::ReadyGroupCaption(int group) const {
  const TReadyGroup& entry = ready_[static_cast<std::size_t>(group)];
  const std::string name = NodeText(entry.Node, "name");
  if (entry.Id != "g01") return name;
  // The browser group names one alternative per kind of default browser.
  std::string chosen = GetField(name, browserKind_);
  return chosen.empty() ? GetField(name, 1) : chosen;
}

int TTWMainForm::ReadyGroupImage(const TXmlNode& group, const std::string& id) {
  if (id == "g01") {
    const std::string icons = group.AttrOpt("icon").value_or(std::string());
    std::string source = GetField(icons, browserKind_);
    if (source.empty()) source = GetField(icons, 1);
    int index = -1;
    switch (IconSourceKindOf(source)) {
      case TIconSourceKind::SpecialFolder: index = SpecialFolderIconIndex(CsidlFromName(source)); break;
      case TIconSourceKind::FolderMacro: index = ShellIconIndex(ResolveFolderMacro(source)); break;
      case TIconSourceKind::Path: index = ShellIconIndex(ExpandEnvPath(source)); break;
    }
    if (index >= 0) return index;
  }
  return database_->IconIndex(id);
}

void TTWMainForm::AddReadyItem(int group, const TXmlNode& item) {
  TGroupedList& list = *elvReady_;
  TReadyGroup& entry = ready_[static_cast<std::size_t>(group)];
  entry.Items.push_back(item);
  entry.ItemImages.push_back(database_->IconIndex(item.AttrOpt("id").value_or(std::string())));
  const int index = list.ItemCount(group);
  list.InsertItems(group, index, 1);
  const bool checked = item.AttrOpt("checked").value_or(std::string()) == "true";
  list.SetItemChecked(group, index, checked);
  if (checked) list.SetGroupChecked(group, true);
  // The item-initialise rule: enabled by the mode.
  list.SetItemEnabled(group, index, ItemEnabledInMode(CurrentMode, item.AttrOpt("mode").value_or(std::string())));
}

bool TTWMainForm::OnDatabaseNode(const TXmlNode& group, const TXmlNode* item) {
  if (Closing()) return false;
  TGroupedList& list = *elvReady_;
  fillingReady_ = true;
  list.BeginUpdate();
  try {
    if (item) {
      // Items follow their group, which is the top one.
      if (!ready_.empty()) AddReadyItem(0, *item);
    } else {
      // Groups come from the last to the first: each goes to the top.
      TReadyGroup entry;
      entry.Node = group;
      entry.Id = group.AttrOpt("id").value_or(std::string());
      if (entry.Id == "g01") browserKind_ = DefaultBrowserKind([](const std::string& p) { return ShellNormalizePath(p); });
      const int image = ReadyGroupImage(group, entry.Id);
      ready_.insert(ready_.begin(), std::move(entry));
      list.InsertGroup(0, ReadyGroupCaption(0), image);
      list.SetGroupBold(0, true);
      list.SetGroupExpanded(0, true);
    }
  } catch (...) {
    list.EndUpdate();
    fillingReady_ = false;
    throw;
  }
  list.EndUpdate();
  fillingReady_ = false;
  return true;
}

void TTWMainForm::BuildReadyList() {
  if (!database_->Loaded) return;
  // A custom place takes part in the modes without check boxes once the user ticked it.
  SyncCustomModes(database_->Document);
  TGroupedList& list = *elvReady_;
  const int mode = CurrentMode;
  // 1. Check boxes by the mode: in the others the space of an item's box is kept.
  list.SetCheckBoxes(ModeHasCheckBoxes(mode) ? TCheckBoxes::Shown : TCheckBoxes::Space);
  fillingReady_ = true;
  list.BeginUpdate();
  try {
    // 2. Everything goes.
    list.Clear();
    ready_.clear();
    list.SetHeaderImage(-1);
    const TXmlNode root = database_->Document.Root();
    // 3. The tile size the document keeps.
    const bool small = root.AttrOpt("smallIcons").value_or(std::string()) == "true";
    list.SetTileHeight(small ? 32 : 42);
    list.SetSmallImages(small);
    browserKind_ = DefaultBrowserKind([](const std::string& p) { return ShellNormalizePath(p); });
    // 4. The groups and their items in document order.
    for (const TXmlNode& child : root.Children()) {
      if (child.Name() != "Group") continue;
      TReadyGroup entry;
      entry.Node = child;
      entry.Id = child.AttrOpt("id").value_or(std::string());
      const int image = ReadyGroupImage(child, entry.Id);
      ready_.push_back(std::move(entry));
      const int g = list.AddGroup(ReadyGroupCaption(static_cast<int>(ready_.size()) - 1), image);
      list.SetGroupBold(g, true);
      for (const TXmlNode& item : child.Children())
        if (item.Name() == "Item") AddReadyItem(g, item);
      list.SetGroupExpanded(g, child.AttrOpt("expanded").value_or(std::string()) == "true");
      if (const std::optional<bool> shown = GroupShownInMode(mode, ready_.back().Id)) list.SetGroupVisible(g, *shown);
    }
  } catch (...) {
    list.EndUpdate();
    fillingReady_ = false;
    throw;
  }
  list.EndUpdate();
  fillingReady_ = false;
}

void TTWMainForm::RefreshReadyTexts() {
  if (ready_.empty()) return;
  browserKind_ = DefaultBrowserKind([](const std::string& p) { return ShellNormalizePath(p); });
  TGroupedList& list = *elvReady_;
  list.BeginUpdate();
  for (int g = 0; g < list.GroupCount(); ++g) list.SetGroupCaption(g, ReadyGroupCaption(g));
  list.EndUpdate();
}

void TTWMainForm::WriteChecked(int group, int item, bool checked) {
  ready_[static_cast<std::size_t>(group)].Items[static_cast<std::size_t>(item)].SetAttr("checked",
                                                                                          checked ? "true" : "false");
}

void TTWMainForm::ReadyItemCheckChange(int group, int item) {
  if (!ModeHasCheckBoxes(CurrentMode)) return;
  TGroupedList& list = *elvReady_;
  const bool checked = list.ItemChecked(group, item);
  WriteChecked(group, item, checked);
  // A group is ticked while any of its items is.
  bool any = checked;
  for (int i = 0; !any && i < list.ItemCount(group); ++i) any = list.ItemChecked(group, i);
  list.SetGroupChecked(group, any);
}

void TTWMainForm::ReadyGroupCheckChange(int group) {
  if (!ModeHasCheckBoxes(CurrentMode)) return;
  // The list has ticked or unticked every item of the group with it.
  const bool checked = elvReady_->GroupChecked(group);
  for (int i = 0; i < elvReady_->ItemCount(group); ++i) WriteChecked(group, i, checked);
}

void TTWMainForm::CheckReadyGroup(int group, bool checked) {
  TGroupedList& list = *elvReady_;
  list.SetGroupChecked(group, checked);
  list.SetItemsChecked(group, checked);
  for (int i = 0; i < list.ItemCount(group); ++i) WriteChecked(group, i, checked);
}

bool TTWMainForm::HasCheckedItem() const {
  const TGroupedList& list = *elvReady_;
  for (int g = 0; g < list.GroupCount(); ++g)
    for (int i = 0; i < list.ItemCount(g); ++i)
      if (list.ItemChecked(g, i)) return true;
  return false;
}

void TTWMainForm::SetSmallIcons(bool small) {
  elvReady_->SetTileHeight(small ? 28 : 42);
  elvReady_->SetSmallImages(small);
  database_->Document.Root().SetAttr("smallIcons", small ? "true" : "false");
}

void TTWMainForm::ReadyClick(const TListHit& hit) {
  TGroupedList& list = *elvReady_;
  if (hit.Group < 0) return;
  int image = list.GroupImage(hit.Group);
  // An item of the first three groups shows its group's image, any other its own (if it has one).
  if (hit.OnItem() && hit.Group >= 3) {
    const int own = ready_[static_cast<std::size_t>(hit.Group)].ItemImages[static_cast<std::size_t>(hit.Item)];
    if (own >= 0) image = own;
  }
  list.SetHeaderImage(image);
}

TListHint TTWMainForm::ReadyHint(const TListHit& hit) {
  TListHint hint;
  const TReadyGroup& entry = ready_[static_cast<std::size_t>(hit.Group)];
  switch (hit.Kind) {
    case THitKind::GroupIcon:
    case THitKind::GroupCaption:
      hint.Text = NodeText(entry.Node, "info");
      hint.Image = elvReady_->GroupImage(hit.Group);
      hint.LargeImage = true;
      break;
    case THitKind::ItemIcon:
    case THitKind::ItemText:
      hint.Text = NodeText(entry.Items[static_cast<std::size_t>(hit.Item)], "info");
      hint.Image = entry.ItemImages[static_cast<std::size_t>(hit.Item)];
      hint.LargeImage = !elvReady_->SmallImages();
      break;
    default:
      break;
  }
  return hint;
}

void TTWMainForm::ReadyContextMenu(const TListHit& hit, POINT screen) {
  const int l = Language;
  TGroupedList& list = *elvReady_;
  const UINT greyed = ModeHasCheckBoxes(CurrentMode) ? 0 : MF_GRAYED;
  unique_hmenu menu(::CreatePopupMenu());
  auto add = [&](int id, const std::string& text, UINT flags = 0) {
    ::AppendMenuA(menu.get(), MF_STRING | flags, static_cast<UINT_PTR>(id), text.c_str());
  };
  const bool onGroup = hit.Group >= 0 && !hit.OnItem() && hit.Kind != THitKind::GroupBand;
  if (onGroup) {
    popupGroup_ = hit.Group;
    const int toggle = list.GroupExpanded(hit.Group) ? 208 : 209;
    add(kCmdGroupToggle, Row(toggle, l) + "\"" + MenuText(list.GroupCaption(hit.Group)) + "\"");
    add(kCmdExpandAll, Row(211, l));
    add(kCmdCollapseAll, Row(210, l));
    add(kCmdSelectAll, Row(212, l), greyed);
    add(kCmdUnselectAll, Row(213, l), greyed);
    add(kCmdSelectAllInGroups, Row(214, l), greyed);
    add(kCmdUnselectAllInGroups, Row(215, l), greyed);
    ::SetMenuDefaultItem(menu.get(), kCmdGroupToggle, FALSE);
  } else {
    add(kCmdScanNow, Row(43, l));
    add(kCmdSelectAllInGroups, Row(214, l), greyed);
    add(kCmdUnselectAllInGroups, Row(215, l), greyed);
    add(kCmdIconSize, Row(list.SmallImages() ? 168 : 169, l));
    ::SetMenuDefaultItem(menu.get(), kCmdScanNow, FALSE);
  }
  const std::string band = onGroup ? std::string(13, ' ') + Row(207, l) : std::string(8, ' ') + Row(204, l);
  const TOwnerDrawnMenu look(menu.get(), band, popImages_);
  ::TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
  ::PostMessageA(Handle(), WM_NULL, 0, 0);
}

void TTWMainForm::ReadyHeaderClick() {
  if (ScanState != ssIdle || !modeButtonsOn_ || elvReady_->LastMouseButton() != TListButton::Left) return;
  CurrentMode = static_cast<std::uint8_t>(NextMode(CurrentMode));
  RefreshModeButtons();
  BuildReadyList();
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
      case WM_PROGRESS:
        WMProgress(wParam, lParam);
        return 0;
      case WM_TIMER:
        if (wParam == kTimer1) ResetTray();
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
    HandleError("AppEventsException");
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}

}  // namespace tw
