#pragma once
// The warning before a clean: registry backups, the 30 days they are kept, files that cannot be
// brought back; Clean or Cancel, and "Do not ask again".
#include "settings/portable/Settings.h"
#include "ui/dialogs/DialogBase.h"

namespace tw {

class TCleanWarningDlg final : public TDialog {
 public:
  // Settings: where "ShowCleanWarning" is written; ShowCleanWarning: the caller's copy of that
  // setting, switched off with it when the user ticked "Do not ask again".
  TCleanWarningDlg(HWND owner, int language, TSettingsStore& settings, bool& showCleanWarning);
  // Writes the choice of "Do not ask again".
  ~TCleanWarningDlg() override;
  // OK (1) from Clean; Abort (3) from Cancel or from closing the window.
  int Execute();

  HWND WarningText() const { return warningText_; }
  HWND CbxDoNotAsk() const { return cbxDoNotAsk_; }
  THotImage& HotClean() { return ConfirmButton(); }
  THotImage& HotAbort() { return CancelButton(); }

 private:
  void FillText();

  TSettingsStore& settings_;
  bool& showCleanWarning_;
  HWND warningText_ = nullptr, cbxDoNotAsk_ = nullptr;
};

}  // namespace tw
