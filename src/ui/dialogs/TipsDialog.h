#pragma once
// The tips window: one tip of the scan database after another, modeless, on top.
#include <functional>
#include <memory>

#include "database/XMLDatabase.h"
#include "settings/portable/Settings.h"
#include "ui/components/PictureButton.h"
#include "ui/dialogs/DialogBase.h"

namespace tw {

class TTipOfTheDayForm final : public TDialog {
 public:
  // Owner: the window it belongs to; Language: the texts' language (the owner's Language); Database:
  // where the tips come from; Checks: whose ShowTipsAtStartup the check box edits; OnClosed: told
  // when the window is closed or freed.
  TTipOfTheDayForm(HWND owner, int language, TXMLDatabase& database, TCheckSettings& checks,
                   std::function<void(TTipOfTheDayForm*)> onClosed);
  ~TTipOfTheDayForm() override;
  // Texts and pictures in the window's language, and the next tip.
  void ShowTexts();
  void NextTip();
  HWND TipText() const { return tipText_; }
  HWND DoNotShow() const { return cbxDoNotShowTips_; }

 protected:
  std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Closing frees the window; the main window forgets it then.
  void Destroying() noexcept override;

 private:
  void NotifyClosed() noexcept;

  TXMLDatabase& database_;
  TCheckSettings& checks_;
  std::function<void(TTipOfTheDayForm*)> onClosed_;
  std::unique_ptr<THotImage> lightBulb_;
  HWND heading_ = nullptr, tipText_ = nullptr, btnNextTip_ = nullptr, btnClose_ = nullptr,
       cbxDoNotShowTips_ = nullptr;
};

}  // namespace tw
