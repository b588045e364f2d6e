#pragma once
// The splash window: shown while the program starts, it shows the main window (unless started
// hidden) and loads the scan database when it closes.
#include <memory>

#include "ui/components/PictureButton.h"
#include "ui/components/Window.h"

namespace tw {

class TTWMainForm;

class TSplashForm final : public TWindow {
 public:
  explicit TSplashForm(TTWMainForm& main);
  // Shows and paints the window at once and starts its timer.
  void FormShow();

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

 private:
  void SplashTimerTick();
  void FormClose();

  TTWMainForm& main_;
  std::unique_ptr<THotImage> logo_;
  HWND statusLabel_ = nullptr;
  int ticks_ = 0;
};

}  // namespace tw
