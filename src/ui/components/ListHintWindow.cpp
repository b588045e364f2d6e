#include "ui/components/ListHintWindow.h"

#include <algorithm>

#include "platform/Gdi.h"
#include "ui/components/ListDrawing.h"
#include "ui/components/Window.h"

namespace tw {

using namespace list_drawing;

namespace {

constexpr const char* kHintClassName = "TwGroupedListHint";
constexpr UINT kHintFormat = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS;
constexpr COLORREF kHintFrame = RGB(118, 118, 118);

}  // namespace

TListHintWindow::~TListHintWindow() {
  if (window_) ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
}

bool TListHintWindow::Show(HWND owner, const TListHint& hint, HIMAGELIST images, HFONT font,
                           int dpi, double widthShare) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_SAVEBITS | CS_DROPSHADOW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kHintClassName;
    return ::RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  if (!window_) {
    window_.reset(::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kHintClassName, "",
                                    WS_POPUP, 0, 0, 10, 10, owner, nullptr, ::GetModuleHandleA(nullptr),
                                    nullptr));
    if (!window_) return false;
    ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  hint_ = hint;
  images_ = images;
  font_ = font;
  dpi_ = dpi;
  POINT cursor{};
  ::GetCursorPos(&cursor);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoA(::MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT work = monitor.rcWork;
  const int pad = ScaleForDpi(4, dpi_);
  const SIZE image = hint_.Image >= 0 ? ImageSize(images_) : SIZE{0, 0};
  const int textLeft = pad + (image.cx > 0 ? image.cx + pad : 0);
  const int maxWidth = std::max(100, static_cast<int>((monitor.rcMonitor.right - monitor.rcMonitor.left) *
                                                      widthShare));
  const unique_window_dc windowDc(window_.get());
  HDC dc = windowDc.get();
  HGDIOBJ old = ::SelectObject(dc, font_);
  const int textWidth = maxWidth - textLeft - pad - 2;
  RECT text{0, 0, textWidth, 0};
  // Words longer than the line (paths, addresses) are broken too.
  DrawText8(dc, hint_.Text, &text, kHintFormat | DT_CALCRECT);
  ::SelectObject(dc, old);
  const int width = textLeft + std::min(textWidth, static_cast<int>(text.right - text.left)) + pad + 2;
  const int height = std::max(static_cast<int>(image.cy), static_cast<int>(text.bottom - text.top)) + 2 * pad + 2;
  int x = cursor.x, y = cursor.y + ::GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = cursor.y - height - 2;
  x = std::max(static_cast<int>(work.left), x);
  y = std::max(static_cast<int>(work.top), y);
  ::SetWindowPos(window_.get(), HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::InvalidateRect(window_.get(), nullptr, TRUE);
  return true;
}

void TListHintWindow::Hide() {
  if (window_) ::ShowWindow(window_.get(), SW_HIDE);
}

void TListHintWindow::Paint() {
  HWND hwnd = window_.get();
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd, &ps);
  RECT r{};
  ::GetClientRect(hwnd, &r);
  FillSolid(dc, r, RGB(255, 255, 255));
  Frame(dc, r, kHintFrame);
  const int pad = ScaleForDpi(4, dpi_);
  const SIZE image = hint_.Image >= 0 ? ImageSize(images_) : SIZE{0, 0};
  if (image.cx > 0) ::ImageList_Draw(images_, hint_.Image, dc, pad + 1, pad + 1, ILD_TRANSPARENT);
  RECT text{pad + 1 + (image.cx > 0 ? image.cx + pad : 0), pad + 1, r.right - pad, r.bottom - pad};
  HGDIOBJ old = ::SelectObject(dc, font_);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(0, 0, 0));
  DrawText8(dc, hint_.Text, &text, kHintFormat);
  ::SelectObject(dc, old);
  ::EndPaint(hwnd, &ps);
}

LRESULT CALLBACK TListHintWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  auto* self = reinterpret_cast<TListHintWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  try {
    switch (msg) {
      case WM_NCHITTEST:
        return HTTRANSPARENT;
      case WM_PAINT:
        self->Paint();
        return 0;
      default:
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
  } catch (...) {
    LogBoundaryError("TListHintWindow");
    return 0;
  }
}

}  // namespace tw
