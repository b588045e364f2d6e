#pragma once
// The About box: product information and the help.
#include <memory>

#include "database/XMLDatabase.h"
#include "ui/components/PictureButton.h"
#include "ui/dialogs/DialogBase.h"

namespace tw {

class TAboutForm final : public TDialog {
 public:
  // Owner: the window it is shown over; Language: the texts' language; Database: whose version
  // it shows (none while the database is not loaded).
  TAboutForm(HWND owner, int language, const TXMLDatabase& database);
  HWND Memo() const { return versionText_; }

 protected:
  std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  std::unique_ptr<THotImage> hotClose_;
  HWND versionText_ = nullptr, btnHelp_ = nullptr;
};

}  // namespace tw
