#pragma once
// A question or notice written as HTML, with OK and (when the caller shows it) Cancel.
// The page is shown by the system's browser control where one can render it; otherwise the
// same content appears as formatted text.
#include <memory>
#include <string>

#include "ui/dialogs/BrowserHost.h"
#include "ui/dialogs/DialogBase.h"

namespace tw {

class TWarningDlg final : public TDialog {
 public:
  // Language: the owner's language index.
  TWarningDlg(HWND owner, int language);
  ~TWarningDlg() override;
  // The page to show.
  void LoadHtml(const std::string& html);
  void ShowCancel(bool show);
  // OK (1) from hotOK, Cancel (2) from hotCancel or from closing the window.
  int Execute();
  // True when the page is shown as formatted text rather than by a browser control.
  bool ShowsText() const { return !browser_; }
  HWND TextControl() const { return text_; }
  THotImage& HotOk() { return ConfirmButton(); }
  THotImage& HotCancel() { return CancelButton(); }

 private:
  HWND text_ = nullptr;
  std::string html_;
  std::unique_ptr<TBrowserHost> browser_;
};

}  // namespace tw
