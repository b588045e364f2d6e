#pragma once
// The About box: product information and the help.
#include <memory>

#include "ui/components/HotImage.h"
#include "ui/components/Window.h"

namespace tw {

class TTWMainForm;

class TAboutForm final : public TWindow {
 public:
  explicit TAboutForm(TTWMainForm& main);
  HWND Memo() const { return memo2_; }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

 private:
  std::unique_ptr<THotImage> image1_, hotClose_;
  HWND label2_ = nullptr, memo2_ = nullptr, btnHelp_ = nullptr;
  unique_hwnd tooltip_;
};

}  // namespace tw
