#pragma once
// The settings dialog: the program's options as check boxes, a reset of options and dialogs,
// and the doors to the cookie and backup managers.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "cleaners/system/KeptCookies.h"
#include "database/XMLDatabase.h"
#include "settings/portable/Settings.h"
#include "ui/dialogs/CustomSection.h"
#include "ui/dialogs/DialogBase.h"
#include "ui/dialogs/ProtectSection.h"

namespace tw {

// What the settings dialog asks of the window that opens it.
struct TSettingsActions {
  // Whether the ready list shows the large images, and switching them (the menu entry "Display
  // large icons" / "Display small icons").
  std::function<bool()> LargeIcons;
  std::function<void()> SwitchIconSize;
  // A tray balloon (title, text), for the cookie manager's logo; may be empty.
  std::function<void(const std::string& title, const std::string& text)> ShowBalloon;
};

class TSettingsForm final : public TDialog {
 public:
  enum TCheck {
    cbxRunStartup, cbxSendToTray, cbxShowInfoTips, cbxLargeIcons, cbxEnableBackups, cbxDiagnosticsLog,
    cbxMoveToRecycleBin
  };
  static constexpr int kChecks = 7;

  // Owner: the window it is shown over; Language: the texts' language; Store: where the reset,
  // the diagnostics-log box and the Recycle Bin box write at once; Checks: the options the check boxes edit (the caller writes them at exit);
  // Database: the icons of the managers (may be null); KeptFile: the kept-cookies file.
  TSettingsForm(HWND owner, int language, TSettingsStore& store, TCheckSettings& checks,
                const TXMLDatabase* database, TSettingsActions actions,
                std::string keptFile = KeptCookiesPath());

  HWND CheckBox(TCheck check) const { return checkBoxes_[check]; }
  HWND ResetButton() const { return btnReset_; }
  HWND CookieMgrButton() const { return btnCookieMgr_; }
  HWND BackupMgrButton() const { return btnBackupMgr_; }
  THotImage& CloseButton() { return *hotClose_; }
  TProtectSection& Protect() { return *protect_; }
  TCustomSection& Custom() { return *custom_; }

  void Reset();
  // Shows the manager modally over the dialog, then enables its button by its rule again.
  void OpenCookieManager();
  void OpenBackupManager();
  // Told about a manager once it is created and placed, before it shows (tests drive it here).
  std::function<void(TWindow& manager)> OnManagerShown;

  // The enabling rules of the manager buttons: a backup file exists; the kept-cookies file
  // exists or the URL cache holds a cookie.
  static bool BackupsExist();
  static bool CookiesExist(const std::string& keptFile);

 protected:
  std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void CheckClicked(TCheck check);
  void ShowManager(TWindow& manager);

  TSettingsStore& store_;
  TCheckSettings& checks_;
  const TXMLDatabase* database_;
  TSettingsActions actions_;
  std::string keptFile_;
  std::unique_ptr<THotImage> hotClose_;
  std::unique_ptr<TProtectSection> protect_;
  std::unique_ptr<TCustomSection> custom_;
  std::array<HWND, kChecks> checkBoxes_{};
  HWND sectionFrame_ = nullptr, btnReset_ = nullptr, btnCookieMgr_ = nullptr, btnBackupMgr_ = nullptr;
  bool clickHandling_ = false;
};

}  // namespace tw
