#pragma once
// The system's web-browser control inside a window: shows an HTML page given as text, with no
// border, no scroll bars, no context menu, no help menu and no dialog boxes of its own. A link
// that asks for a new window opens in the user's browser instead.
#include <windows.h>

#include <memory>
#include <string>

namespace tw {

class TBrowserHost {
 public:
  // Null when the system cannot render HTML (no browser engine): callers show the page otherwise.
  static std::unique_ptr<TBrowserHost> Create(HWND parent, const RECT& bounds);
  ~TBrowserHost();
  TBrowserHost(const TBrowserHost&) = delete;
  TBrowserHost& operator=(const TBrowserHost&) = delete;

  // Shows Html (text in the program's code page). False when the page could not be handed over.
  bool LoadHtml(const std::string& html);

 private:
  class TSite;
  TBrowserHost() = default;
  TSite* site_ = nullptr;
  std::string pageFile_;
};

// Opens Url with the shell's "open" verb (the user's browser).
void OpenInBrowser(const std::string& url);

}  // namespace tw
