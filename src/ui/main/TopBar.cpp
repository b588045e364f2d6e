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

// The main window's top bar and mode column: pictures, title, languages, which buttons are
// enabled, the mode buttons and the run buttons below the lists.

namespace tw {

using namespace main_window;

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
    title = Format("%s - %s %s", Row(kRowProgramName, language), Row(kRowAboutVersion, language), ProgramFileVersion());
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
  readyList_->RefreshTexts();
  if (elvResults_->GroupCount() > 0) {
    elvResults_->BeginUpdate();
    for (int g = 0; g < elvResults_->GroupCount(); ++g) elvResults_->SetGroupCaption(g, ResultGroupCaption(g));
    elvResults_->EndUpdate();
  }
  // Hints.
  hotScan_->SetHint(Row(kRowScanNow, l));
  hotAbort_->SetHint(Row(kRowAbort, l));
  hotFinish_->SetHint(Row(kRowFinish, l));
  hotClean_->SetHint(Row(kRowCleanButton, l));
  hotStart_->SetHint(Row(kRowScanNow, l));
  hotLanguage_->SetHint(Row(kRowSwitchLanguage, l));
  hotHomePage_->SetHint(Row(kRowHomePage, l));
  hotAbout_->SetHint(Row(kRowAbout, l));
  hotHelp_->SetHint(Row(kRowHelp, l));
  hotSettings_->SetHint(Row(kRowSettings, l));
  hotCancel_->SetHint(Row(kRowCancel, l));
  hotStop_->SetHint(Row(kRowCancel, l));
  hotPreset_->SetHint(Row(kRowSelectPresetMode, l));
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
  readyList_->List().SetHeaderCaption(Row(ModeRow(CurrentMode), Language));
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
  readyList_->Fill(CurrentMode);
}

void TTWMainForm::NextModeClick() {
  if (ScanState != ssIdle || !modeButtonsOn_) return;
  CurrentMode = static_cast<std::uint8_t>(NextMode(CurrentMode));
  RefreshModeButtons();
  readyList_->Fill(CurrentMode);
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
  int hint = kRowScanNow;
  if (ScanState == ssScanning) normal = res::kAbortNormal, over = res::kAbortOver, hint = kRowAbort;
  if (ScanState == ssResults) normal = res::kCleanNormal, over = res::kCleanOver, hint = kRowCleanButton;
  if (ScanState == ssCleaning) normal = res::kAbortNormal, over = res::kAbortOver, hint = kRowAbort;
  const bool flip = hotStart_->FlipPictures;
  hotStart_->FlipPictures = false;
  LoadPicture(*hotStart_, res::PictureName(normal, l), res::PictureName(over, l));
  hotStart_->FlipPictures = flip;
  hotStart_->SetHint(Row(hint, l));
}

}  // namespace tw
