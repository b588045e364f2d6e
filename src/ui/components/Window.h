#pragma once
// The small window framework of the program's forms: a window object that keeps `this` in
// GWLP_USERDATA and dispatches to a member function, modal showing, and the application object
// (title, forms, message loop, idle work, the shared font and synchronizer).
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "support/Exceptions.h"

namespace tw {

TW_DECLARE_EXCEPTION(EOutOfResources, Exception)

class TWindowSynchronizer;

// Modal results.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrAbort = 3;

class TWindow {
 public:
  TWindow();
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  HWND Handle() const { return handle_; }
  // The language index of the form (0 English, 1 French, 2 German, 3 Spanish).
  int Language = 0;
  int ModalResult = mrNone;

  // Shows the window modally over the enabled top-level windows of the thread; returns the modal
  // result (Cancel when the window is closed).
  int ShowModal();
  void Show();
  void Hide();
  bool Visible() const;
  void BringToFront();
  void Close();
  RECT Bounds() const;
  void SetBounds(int left, int top, int width, int height);
  void SetCaption(const std::string& text);
  // A band across the top of the client area (behind a logo), painted in its own colour.
  int BannerHeight = 0;
  COLORREF BannerColor = RGB(0, 0, 0);

 protected:
  // Creates the window of a class registered on first use; `this` is attached before
  // WM_NCCREATE is answered.
  void CreateHandle(const char* className, const std::string& caption, DWORD style, DWORD exStyle,
                    int x, int y, int width, int height, HWND parent, HBRUSH background);
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  // Called when the window is being destroyed, before the handle is forgotten.
  virtual void Destroying() noexcept {}
  bool Modal() const { return modal_; }

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  HWND handle_ = nullptr;
  bool modal_ = false;
};

// The process's application object.
class TApplication {
 public:
  static TApplication& Instance();

  std::string Title;
  // Every form that exists, in creation order.
  std::vector<TWindow*> Forms;
  bool Terminated = false;
  // Idle work: called when the message queue has run empty; nothing more to do when it returns.
  std::function<void()> OnIdle;
  // The hint of the control under the mouse (empty when it leaves); the main window shows it.
  std::function<void(const std::string& hint)> OnHint;

  void Run();
  // Handles every waiting message, then returns.
  void ProcessMessages();
  // Ends the message loop.
  void Terminate();
  HFONT Font();
  HFONT BoldFont();
  HICON Icon();
  TWindowSynchronizer& Synchronizer();
  // Keyboard handling of the active dialog-like window; false when the message was not one.
  bool IsDialogMessage(MSG& msg);

 private:
  TApplication() = default;
  unique_hgdiobj font_, boldFont_;
  std::unique_ptr<TWindowSynchronizer> sync_;
};

inline TApplication& Application() { return TApplication::Instance(); }

// Creates a child control of a system class with the application's font.
HWND CreateControl(const char* className, const std::string& text, DWORD style, int x, int y,
                   int width, int height, HWND parent, int id, DWORD exStyle = 0);
// The text of a window.
std::string WindowText(HWND hwnd);
// Logs what an OS callback caught, as every boundary does.
void LogBoundaryError(const char* where) noexcept;

}  // namespace tw
