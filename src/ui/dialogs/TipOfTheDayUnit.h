#pragma once
// The tips window: one tip of the scan database after another, modeless, on top.
#include <memory>

#include "ui/components/HotImage.h"
#include "ui/components/Window.h"

namespace tw {

class TTWMainForm;

class TTipOfTheDayForm final : public TWindow {
 public:
  explicit TTipOfTheDayForm(TTWMainForm& main);
  ~TTipOfTheDayForm() override;
  // Texts and pictures in the window's language, and the next tip.
  void ShowTexts();
  void NextTip();
  HWND TipText() const { return richEdit1_; }
  HWND DoNotShow() const { return cbxDoNotShowTips_; }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;
  // Closing frees the window; the main window forgets it then.
  void Destroying() noexcept override;

 private:
  TTWMainForm& main_;
  std::unique_ptr<THotImage> image1_, image2_;
  HWND labelWarning_ = nullptr, richEdit1_ = nullptr, btnNextTip_ = nullptr, btnClose_ = nullptr,
       cbxDoNotShowTips_ = nullptr;
  unique_hwnd tooltip_;
};

}  // namespace tw
