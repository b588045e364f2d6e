#pragma once
// The summary shown after a scan and after a clean: the caller fills the lines and the figures,
// the dialog highlights the figures and offers "Do not show this dialog again".
#include <memory>
#include <string>
#include <vector>

#include "settings/portable/Settings.h"
#include "ui/dialogs/DialogBase.h"

namespace tw {

class TScanInfoDlg final : public TDialog {
 public:
  // Owner: the window it is shown over; Language: its texts' language; Checks: the settings
  // mirror whose ShowScanDialog or ShowCleanDialog the check box switches off.
  TScanInfoDlg(HWND owner, int language, TCheckSettings& checks);
  // Writes the setting off when "Do not show this dialog again" is ticked.
  ~TScanInfoDlg() override;

  std::string SettingName = "ShowScanDialog";
  std::int32_t Count = 0;
  std::int32_t FailedCount = 0;
  std::string ElapsedText;
  std::string SizeText;
  // The lines of the text box and, for a clean summary, the caption.
  std::vector<std::string> Lines;
  std::string Caption;

  // Fills the text box, highlights, and shows the dialog modally; mrOk from OK or Enter.
  int Execute();
  HWND Text() const { return infoText_; }
  HWND DoNotShow() const { return cbxDoNotShow_; }

 private:
  void Highlight();

  TCheckSettings& checks_;
  std::unique_ptr<THotImage> hotOK_;
  HWND infoText_ = nullptr, cbxDoNotShow_ = nullptr;
};

}  // namespace tw
