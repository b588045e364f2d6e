#pragma once
// The About box: product information and the help.
#include <memory>

#include "database/XMLDatabase.h"
#include "ui/components/PictureButton.h"
#include "ui/components/Window.h"

namespace tw {

class TAboutForm final : public TWindow {
 public:
  // Owner: the window it is shown over; Language: the texts' language; Database: whose version
  // it shows (none while the database is not loaded).
  TAboutForm(HWND owner, int language, const TXMLDatabase& database);
  HWND Memo() const { return memo2_; }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

 private:
  std::unique_ptr<THotImage> banner_, hotClose_;
  HWND label2_ = nullptr, memo2_ = nullptr, btnHelp_ = nullptr;
  unique_hwnd tooltip_;
};

}  // namespace tw
