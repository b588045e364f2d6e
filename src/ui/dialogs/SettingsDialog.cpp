#include "ui/dialogs/SettingsDialog.h"

#include <algorithm>

#include "registry/BackupFiles.h"
#include "strings/StrRows.h"
#include "support/FileIO.h"
#include "support/LogFile.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/BackupManagerDialog.h"
#include "ui/dialogs/CookieManagerDialog.h"
#include "ui/dialogs/DialogParts.h"

namespace tw {
namespace {

enum : int { kIdCheck = 10, kIdReset = 20, kIdCookieMgr = 21, kIdBackupMgr = 22, kIdProtect = 30, kIdCustom = 40 };
constexpr int kCheckRows[TSettingsForm::kChecks] = {kRowRunAtStartup, kRowTrayOnClose, kRowTrayInfoTips, kRowLargeIcons,
                                                   kRowBackupBeforeCleaning, kRowDiagnosticsLog, kRowMoveToRecycleBin};

}  // namespace

bool TSettingsForm::BackupsExist() { return !ListBackups().empty(); }

bool TSettingsForm::CookiesExist(const std::string& keptFile) {
  return FileExists(keptFile) || !ListFoundCookies({}).empty();
}

TSettingsForm::TSettingsForm(HWND owner, int language, TSettingsStore& store, TCheckSettings& checks,
                             const TXMLDatabase* database, TSettingsActions actions, std::string keptFile)
    : TDialog(language), store_(store), checks_(checks), database_(database), actions_(std::move(actions)),
      keptFile_(std::move(keptFile)) {
  CreateDialogWindow("TSettingsForm", RowText(kRowSettings), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                     WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 480, 360, owner);
  HWND h = Handle();
  const TBannerPlace banner = ShowBanner(480);
  const int top = banner.Top;
  hotClose_ = CreateCloseButton(h, Language);
  hotClose_->OnClick = [this] { ModalResult = mrOk; };
  EndOnCommand(IDCANCEL, mrCancel);

  sectionFrame_ = CreateControl("BUTTON", "", WS_VISIBLE | BS_GROUPBOX, 0, 0, 10, 10, h, 0);
  const bool states[kChecks] = {checks_.RunOnWindowsStartup, checks_.SendToTrayOnClose, checks_.ShowInfoTips,
                                actions_.LargeIcons ? actions_.LargeIcons() : true, checks_.MakeRegistryBackups,
                                checks_.WriteDiagnosticsLog, checks_.MoveToRecycleBin};
  // Filled with the handling detached: filling the dialog changes nothing.
  clickHandling_ = false;
  for (int i = 0; i < kChecks; ++i) {
    HWND box = CreateControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 10, 20, h, kIdCheck + i);
    ::SendMessageA(box, BM_SETCHECK, states[i] ? BST_CHECKED : BST_UNCHECKED, 0);
    checkBoxes_[static_cast<std::size_t>(i)] = box;
  }
  clickHandling_ = true;
  for (int i = 0; i < kChecks; ++i)
    ::SetWindowTextA(checkBoxes_[static_cast<std::size_t>(i)], RowText(kCheckRows[i]).c_str());

  btnReset_ =
      CreateControl("BUTTON", RowText(kRowResetSettings), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 26, h, kIdReset);
  SetHint(btnReset_, RowText(kRowResetSettingsHint));
  btnCookieMgr_ = CreateControl("BUTTON", RowText(kRowCookieManager), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 26,
                                h, kIdCookieMgr);
  SetHint(btnCookieMgr_, RowText(kRowCookieManagerHint));
  btnBackupMgr_ = CreateControl("BUTTON", "&" + RowText(kRowRegistryBackupManager), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                0, 0, 10, 26, h, kIdBackupMgr);
  SetHint(btnBackupMgr_, RowText(kRowRegistryBackupManagerHint));
  ::EnableWindow(btnBackupMgr_, BackupsExist());
  ::EnableWindow(btnCookieMgr_, CookiesExist(keptFile_));
  protect_ = std::make_unique<TProtectSection>(h, Language, store_, kIdProtect);
  custom_ = std::make_unique<TCustomSection>(h, Language, store_, kIdCustom);

  // Check boxes in a box on the left, the buttons in a column on the right.
  int boxWidth = 0;
  for (HWND box : checkBoxes_)
    boxWidth = std::max(boxWidth, ControlTextWidth(box) + ::GetSystemMetrics(SM_CXMENUCHECK) + 12);
  int buttonWidth = 150;
  for (HWND button : {btnReset_, btnCookieMgr_, btnBackupMgr_})
    buttonWidth = std::max(buttonWidth, ControlTextWidth(button) + 24);
  const int groupWidth = boxWidth + 24;
  // The protect and custom places sections side by side below.
  constexpr int kSectionWidth = 420;
  const int width = std::max<int>(
      {banner.Width, 12 + groupWidth + 12 + buttonWidth + 12, 12 + 2 * kSectionWidth + 12 + 12});
  const int groupLeft = 12, groupTop = top + 10, groupHeight = kChecks * 24 + 28;
  const int columnLeft = width - 12 - buttonWidth;
  ::MoveWindow(sectionFrame_, groupLeft, groupTop, columnLeft - 12 - groupLeft, groupHeight, TRUE);
  for (int i = 0; i < kChecks; ++i)
    ::MoveWindow(checkBoxes_[static_cast<std::size_t>(i)], groupLeft + 12, groupTop + 20 + i * 24, boxWidth, 20, TRUE);
  int y = groupTop + 6;
  for (HWND button : {btnReset_, btnCookieMgr_, btnBackupMgr_}) {
    ::MoveWindow(button, columnLeft, y, buttonWidth, 26, TRUE);
    y += 26 + 10;
  }
  const int protectTop = groupTop + groupHeight + 12;
  const int sectionWidth = (width - 36) / 2;
  const int protectHeight = std::max(protect_->Place(12, protectTop, sectionWidth),
                                     custom_->Place(24 + sectionWidth, protectTop, sectionWidth));
  const SIZE close = hotClose_->Size();
  const int closeTop = protectTop + protectHeight + 12;
  hotClose_->SetPosition(width - 12 - close.cx, closeTop);
  SetClientSize(h, width, closeTop + std::max<int>(26, close.cy) + 12);
}

void TSettingsForm::CheckClicked(TCheck check) {
  if (!clickHandling_) return;
  const bool on = ::SendMessageA(checkBoxes_[check], BM_GETCHECK, 0, 0) == BST_CHECKED;
  switch (check) {
    case cbxRunStartup: checks_.RunOnWindowsStartup = on; break;
    case cbxSendToTray: checks_.SendToTrayOnClose = on; break;
    case cbxShowInfoTips: checks_.ShowInfoTips = on; break;
    case cbxEnableBackups: checks_.MakeRegistryBackups = on; break;
    case cbxDiagnosticsLog:
      // Takes effect and is kept at once: the log is wanted for what happens next.
      checks_.WriteDiagnosticsLog = on;
      EnableDiagnosticsLog(on);
      WriteBoolSetting(store_, "WriteDiagnosticsLog", on);
      break;
    case cbxMoveToRecycleBin:
      // Kept at once: twcli's clean reads it too.
      checks_.MoveToRecycleBin = on;
      WriteBoolSetting(store_, "MoveToRecycleBin", on);
      break;
    case cbxLargeIcons:
      if (actions_.LargeIcons && actions_.SwitchIconSize && actions_.LargeIcons() != on) actions_.SwitchIconSize();
      break;
  }
}

void TSettingsForm::Reset() {
  // The options on, the diagnostics log and the Recycle Bin back to off.
  for (int i = 0; i < kChecks; ++i) {
    const bool on = i != cbxDiagnosticsLog && i != cbxMoveToRecycleBin;
    ::SendMessageA(checkBoxes_[static_cast<std::size_t>(i)], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    CheckClicked(static_cast<TCheck>(i));
  }
  checks_.ShowCleanWarning = checks_.ShowCleanDialog = checks_.ShowScanDialog = checks_.ShowTipsAtStartup = true;
  checks_.CookiesSortOrder = 0;
  WriteIntegerSetting(store_, "CookiesSortOrder", 0);
  for (const char* name : {"ShowTipsAtStartup", "ShowCleanWarning", "ShowCleanDialog", "ShowScanDialog"})
    WriteBoolSetting(store_, name, true);
}

void TSettingsForm::ShowManager(TWindow& manager) {
  CenterOverForm(Handle(), manager.Handle());
  const RECT bounds = manager.Bounds();
  ::SetWindowPos(manager.Handle(), nullptr, bounds.left, bounds.top - 4, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (OnManagerShown) OnManagerShown(manager);
  manager.ShowModal();
}

void TSettingsForm::OpenCookieManager() {
  {
    TCookieMgrForm manager(Handle(), Language, store_, checks_, database_, actions_.ShowBalloon, keptFile_);
    ShowManager(manager);
  }
  ::EnableWindow(btnCookieMgr_, CookiesExist(keptFile_));
}

void TSettingsForm::OpenBackupManager() {
  {
    TBackupMgrForm manager(Handle(), Language, database_);
    ShowManager(manager);
  }
  ::EnableWindow(btnBackupMgr_, BackupsExist());
}

std::optional<LRESULT> TSettingsForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
  if (msg != WM_COMMAND) return std::nullopt;
  const int id = LOWORD(wParam);
  if (protect_ && protect_->Command(id, HIWORD(wParam))) return 0;
  if (custom_ && custom_->Command(id, HIWORD(wParam))) return 0;
  if (id >= kIdCheck && id < kIdCheck + kChecks) {
    if (HIWORD(wParam) == BN_CLICKED) CheckClicked(static_cast<TCheck>(id - kIdCheck));
    return 0;
  }
  switch (id) {
    case kIdReset: Reset(); return 0;
    case kIdCookieMgr: OpenCookieManager(); return 0;
    case kIdBackupMgr: OpenBackupManager(); return 0;
    default: return std::nullopt;
  }
}

}  // namespace tw
