#include "ui/components/Window.h"

#include <algorithm>
#include <set>

#include "support/LogFile.h"
#include "ui/components/WindowSynchronizer.h"
#include "ui/resources/ResourceNames.h"

namespace tw {

TWindow::TWindow() { Application().Forms.push_back(this); }

TWindow::~TWindow() {
  auto& forms = Application().Forms;
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  if (Application().MainForm == this) Application().MainForm = nullptr;
  if (handle_) {
    HWND h = handle_;
    ::SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    handle_ = nullptr;
    ::DestroyWindow(h);
  }
}

void TWindow::CreateHandle(const char* className, const std::string& caption, DWORD style,
                           DWORD exStyle, int x, int y, int width, int height, HWND parent,
                           HBRUSH background) {
  static std::set<std::string> registered;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  if (!registered.count(className)) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background ? background : ::GetSysColorBrush(COLOR_BTNFACE);
    wc.hIcon = Application().Icon();
    wc.lpszClassName = className;
    if (!::RegisterClassExA(&wc)) throw EOSError(std::string("Cannot register ") + className);
    registered.insert(className);
  }
  ::CreateWindowExA(exStyle, className, caption.c_str(), style, x, y, width, height, parent,
                    nullptr, instance, this);
  if (!handle_) throw EOSError(std::string("Cannot create window ") + className);
}

LRESULT CALLBACK TWindow::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  TWindow* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->handle_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<TWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    self->Destroying();
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  return self->WndProc(msg, wParam, lParam);
}

LRESULT TWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == WM_ERASEBKGND && BannerHeight > 0) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    RECT client{};
    ::GetClientRect(handle_, &client);
    RECT rest = client;
    rest.top = BannerHeight;
    ::FillRect(dc, &rest, reinterpret_cast<HBRUSH>(::GetClassLongPtrA(handle_, GCLP_HBRBACKGROUND)));
    RECT band = client;
    band.bottom = BannerHeight;
    unique_hgdiobj brush(::CreateSolidBrush(BannerColor));
    ::FillRect(dc, &band, static_cast<HBRUSH>(brush.get()));
    return 1;
  }
  if (msg == WM_CLOSE && modal_) {
    if (ModalResult == mrNone) ModalResult = mrCancel;
    return 0;
  }
  return Default(msg, wParam, lParam);
}

LRESULT TWindow::Default(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  return ::DefWindowProcA(handle_, msg, wParam, lParam);
}

int TWindow::ShowModal() {
  // Every enabled top-level window of this thread is disabled while the dialog is up.
  std::vector<HWND> disabled;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        if (::IsWindowVisible(w) && ::IsWindowEnabled(w))
          reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&disabled));
  disabled.erase(std::remove(disabled.begin(), disabled.end(), handle_), disabled.end());
  for (HWND w : disabled) ::EnableWindow(w, FALSE);
  modal_ = true;
  ModalResult = mrNone;
  ::ShowWindow(handle_, SW_SHOW);
  ::SetForegroundWindow(handle_);
  MSG msg;
  bool quit = false;
  while (ModalResult == mrNone && handle_ && !Application().Terminated) {
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = true;
      break;
    }
    if (!Application().IsDialogMessage(msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  for (HWND w : disabled)
    if (::IsWindow(w)) ::EnableWindow(w, TRUE);
  modal_ = false;
  if (handle_) ::ShowWindow(handle_, SW_HIDE);
  if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
  if (ModalResult == mrNone) ModalResult = mrCancel;
  return ModalResult;
}

void TWindow::Show() { ::ShowWindow(handle_, SW_SHOW); }
void TWindow::Hide() { ::ShowWindow(handle_, SW_HIDE); }
bool TWindow::Visible() const { return handle_ && ::IsWindowVisible(handle_); }
void TWindow::BringToFront() {
  ::SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetForegroundWindow(handle_);
}
void TWindow::Close() { ::PostMessageA(handle_, WM_CLOSE, 0, 0); }
RECT TWindow::Bounds() const {
  RECT r{};
  ::GetWindowRect(handle_, &r);
  return r;
}
void TWindow::SetBounds(int left, int top, int width, int height) {
  ::SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}
void TWindow::SetCaption(const std::string& text) { ::SetWindowTextA(handle_, text.c_str()); }

TApplication& TApplication::Instance() {
  static TApplication app;
  return app;
}

void TApplication::Run() {
  MSG msg;
  while (!Terminated) {
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (OnIdle) {
        try {
          OnIdle();
        } catch (...) {
          LogBoundaryError("TApplication.OnIdle");
        }
      }
    }
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) break;
    if (!IsDialogMessage(msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  Terminated = true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      Terminated = true;
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (!IsDialogMessage(msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
}

void TApplication::Terminate() {
  if (!Terminated) ::PostQuitMessage(0);
  Terminated = true;
}

bool TApplication::IsDialogMessage(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND active = ::GetActiveWindow();
  return active && ::IsDialogMessageA(active, &msg);
}

HFONT TApplication::Font() {
  if (!font_) {
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    LOGFONTA lf = ncm.lfMessageFont;
    lf.lfHeight = -11;
    lstrcpyA(lf.lfFaceName, "Tahoma");
    font_.reset(::CreateFontIndirectA(&lf));
    lf.lfWeight = FW_BOLD;
    boldFont_.reset(::CreateFontIndirectA(&lf));
  }
  return static_cast<HFONT>(font_.get());
}

HFONT TApplication::BoldFont() {
  Font();
  return static_cast<HFONT>(boldFont_.get());
}

HICON TApplication::Icon() {
  return ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(res::kIconApplication));
}

TWindowSynchronizer& TApplication::Synchronizer() {
  if (!sync_) sync_ = std::make_unique<TWindowSynchronizer>();
  return *sync_;
}

HWND CreateControl(const char* className, const std::string& text, DWORD style, int x, int y,
                   int width, int height, HWND parent, int id, DWORD exStyle) {
  HWND hwnd = ::CreateWindowExA(exStyle, className, text.c_str(), style | WS_CHILD, x, y, width,
                                height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                ::GetModuleHandleA(nullptr), nullptr);
  if (hwnd) ::SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Application().Font()), 0);
  return hwnd;
}

std::string WindowText(HWND hwnd) {
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

void LogBoundaryError(const char* where) noexcept {
  try {
    ErrorInfo error = DescribeException(std::current_exception());
    LogFile().Write("[%s] %s: %s", where, error.className, error.message);
  } catch (...) {
    // Nothing may leave a window procedure, not even a failing log.
  }
}

}  // namespace tw
