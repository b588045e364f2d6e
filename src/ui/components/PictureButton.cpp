#include "ui/components/PictureButton.h"

#include <commctrl.h>

#include "platform/Gdi.h"
#include "ui/components/Window.h"

namespace tw {
namespace {
constexpr const char* kClassName = "TwHotImage";
}

TPicture TPicture::FromResource(std::string_view name) {
  TPicture picture;
  const std::string text(name);
  HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), text.c_str(),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  return bitmap ? FromBitmap(bitmap, text) : picture;
}

TPicture TPicture::FromBitmap(HBITMAP bitmap, std::string name) {
  TPicture picture;
  if (!bitmap) return picture;
  picture.bitmap_ = std::make_shared<unique_hgdiobj>(bitmap);
  BITMAP info{};
  ::GetObjectA(bitmap, sizeof info, &info);
  picture.size_ = {info.bmWidth, info.bmHeight};
  picture.name_ = std::move(name);
  return picture;
}

void TPicture::Draw(HDC dc, int x, int y) const {
  if (!bitmap_) return;
  const unique_hdc memoryDc(::CreateCompatibleDC(dc));
  HDC memory = memoryDc.get();
  HGDIOBJ old = ::SelectObject(memory, Bitmap());
  ::BitBlt(dc, x, y, size_.cx, size_.cy, memory, 0, 0, SRCCOPY);
  ::SelectObject(memory, old);
}

COLORREF TPicture::EdgeColor() const {
  if (!bitmap_) return RGB(0, 0, 0);
  const unique_hdc memoryDc(::CreateCompatibleDC(nullptr));
  HDC memory = memoryDc.get();
  HGDIOBJ old = ::SelectObject(memory, Bitmap());
  const COLORREF color = ::GetPixel(memory, size_.cx - 1, 0);
  ::SelectObject(memory, old);
  return color;
}

THotImage::THotImage(HWND parent, int x, int y) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return ::RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  handle_.reset(::CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE, x, y, 40, 20, parent,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr));
  if (!handle_) throw EOSError("Cannot create a picture button");
  ::SetWindowLongPtrA(handle_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

THotImage::~THotImage() {
  if (handle_) ::SetWindowLongPtrA(handle_.get(), GWLP_USERDATA, 0);
}

void THotImage::SetPicture(const TPicture& picture) {
  picture_ = picture;
  if (!picture.Empty())
    ::SetWindowPos(handle_.get(), nullptr, 0, 0, picture.Size().cx, picture.Size().cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(handle_.get(), nullptr, FALSE);
}

void THotImage::SetHint(const std::string& text) {
  hint_ = text;
  // The caption is the window's text too, so that screen readers and automation find the button.
  ::SetWindowTextA(handle_.get(), text.c_str());
  if (!tooltip_) {
    tooltip_.reset(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                     WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle_.get(),
                                     nullptr, ::GetModuleHandleA(nullptr), nullptr));
    if (!tooltip_) return;
    ::SendMessageA(tooltip_.get(), TTM_SETTIPBKCOLOR, RGB(255, 255, 255), 0);
    ::SendMessageA(tooltip_.get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, 3500);
    ::SendMessageA(tooltip_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(Application().BoldFont()), 0);
    // Hints of several lines ("\r\n") break where they say.
    ::SendMessageA(tooltip_.get(), TTM_SETMAXTIPWIDTH, 0, 800);
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = handle_.get();
    ti.uId = reinterpret_cast<UINT_PTR>(handle_.get());
    ti.lpszText = const_cast<char*>(hint_.c_str());
    ::SendMessageA(tooltip_.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    return;
  }
  TOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = handle_.get();
  ti.uId = reinterpret_cast<UINT_PTR>(handle_.get());
  ti.lpszText = const_cast<char*>(hint_.c_str());
  ::SendMessageA(tooltip_.get(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
  // A hint of several lines stays long enough to be read.
  const bool long_ = hint_.find('\n') != std::string::npos;
  ::SendMessageA(tooltip_.get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, long_ ? 15000 : 3500);
}

void THotImage::SetVisible(bool visible) { ::ShowWindow(handle_.get(), visible ? SW_SHOWNA : SW_HIDE); }
bool THotImage::Visible() const {
  return (::GetWindowLongPtrA(handle_.get(), GWL_STYLE) & WS_VISIBLE) != 0;
}
void THotImage::SetPosition(int x, int y) {
  ::SetWindowPos(handle_.get(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
SIZE THotImage::Size() const {
  RECT r{};
  ::GetWindowRect(handle_.get(), &r);
  return {r.right - r.left, r.bottom - r.top};
}

void THotImage::MouseEnter() {
  inside_ = true;
  saved_ = picture_;
  if (FlipPictures) {
    picture_ = pictureHot_;
    ::InvalidateRect(handle_.get(), nullptr, FALSE);
  }
  if (Application().OnHint) Application().OnHint(hint_);
  if (OnMouseEnter) OnMouseEnter();
}

void THotImage::MouseLeave() {
  inside_ = false;
  // A picture loaded while hovering becomes the hot picture.
  pictureHot_ = picture_;
  if (FlipPictures) {
    picture_ = saved_;
    ::InvalidateRect(handle_.get(), nullptr, FALSE);
  }
  if (Application().OnHint) Application().OnHint(std::string());
  if (OnMouseLeave) OnMouseLeave();
}

LRESULT CALLBACK THotImage::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  auto* self = reinterpret_cast<THotImage*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  try {
    return self->Handle(msg, wParam, lParam);
  } catch (...) {
    LogBoundaryError("THotImage");
    return 0;
  }
}

LRESULT THotImage::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = handle_.get();
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      if (picture_.Empty()) {
        RECT r;
        ::GetClientRect(hwnd, &r);
        ::FillRect(dc, &r, reinterpret_cast<HBRUSH>(::GetClassLongPtrA(::GetParent(hwnd), GCLP_HBRBACKGROUND)));
      } else {
        picture_.Draw(dc, 0, 0);
      }
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      if (Cursor && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(Cursor);
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      if (!inside_) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
        ::TrackMouseEvent(&tme);
        MouseEnter();
      }
      return 0;
    case WM_MOUSELEAVE:
      if (inside_) MouseLeave();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressed_ = true;
      ::SetCapture(hwnd);
      return 0;
    case WM_LBUTTONUP: {
      const bool wasPressed = pressed_;
      pressed_ = false;
      ::ReleaseCapture();
      RECT r;
      ::GetClientRect(hwnd, &r);
      POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (wasPressed && ::PtInRect(&r, pt) && OnClick) OnClick();
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace tw
