#include "ui/components/TrayIcon.h"

#include <algorithm>
#include <cstring>

#include "ui/components/WindowMessages.h"
#include "ui/components/Window.h"

namespace tw {
namespace {

constexpr const char* kClassName = "TwTrayIconWindow";

void CopyText(char* target, std::size_t size, const std::string& text) {
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(target, text.data(), n);
  target[n] = '\0';
}

unsigned KeyboardShift(unsigned button) {
  unsigned shift = button;
  if (::GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (::GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (::GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

}  // namespace

TMyCustomTrayIcon::TMyCustomTrayIcon(TSynchronizer& sync, TShellNotify shell)
    : shell_(std::move(shell)), animateTimer_(sync), clickTimer_(sync) {
  if (!shell_)
    shell_ = [](DWORD message, NOTIFYICONDATAA& data) {
      return ::Shell_NotifyIconA(message, &data) != FALSE;
    };
  taskbarCreated_ = ::RegisterWindowMessageA("TaskbarCreated");
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = StaticProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    return ::RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  // A hidden top-level window: "TaskbarCreated" is broadcast to top-level windows only.
  window_.reset(::CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr));
  if (!window_) throw EOutOfResources("Cannot create the tray icon's window");
  ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

  data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data_.hWnd = window_.get();
  data_.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(window_.get()));
  data_.uFlags = NIF_MESSAGE | NIF_ICON;
  data_.uCallbackMessage = WM_TRAYNOTIFY;
  data_.uTimeout = 10000;
  SetTip(Application().Title);

  animateTimer_.SetInterval(1000);
  animateTimer_.OnTimer = [this] { DoOnAnimate(); };
  clickTimer_.SetInterval(::GetDoubleClickTime());
  clickTimer_.OnTimer = [this] { ClickTimerTick(); };
}

TMyCustomTrayIcon::~TMyCustomTrayIcon() {
  animateTimer_.SetEnabled(false);
  clickTimer_.SetEnabled(false);
  if (visible_) Shell(NIM_DELETE);
  ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
}

void TMyCustomTrayIcon::SetTip(const std::string& text) {
  CopyText(data_.szTip, 128, text);
  if (text.empty())
    data_.uFlags &= ~NIF_TIP;
  else
    data_.uFlags |= NIF_TIP;
}

bool TMyCustomTrayIcon::Shell(DWORD message) { return shell_(message, data_); }

void TMyCustomTrayIcon::ResetCurrentIcon() {
  ownedCurrent_.reset();
  current_ = icon_ ? icon_ : Application().Icon();
}

void TMyCustomTrayIcon::SetCurrentFromList() {
  HICON frame = ::ImageList_GetIcon(icons_, iconIndex_, ILD_NORMAL);
  if (!frame) return;
  ownedCurrent_.reset(frame);
  current_ = frame;
}

void TMyCustomTrayIcon::UpdateIcon() {
  data_.hIcon = current_;
  if (visible_) Shell(NIM_MODIFY);
}

void TMyCustomTrayIcon::SetVisible(bool value) {
  if (value == visible_) return;
  if (!animate_ || !current_) ResetCurrentIcon();
  data_.hIcon = current_;
  if (value) {
    if (!Shell(NIM_ADD)) throw EOutOfResources("Cannot create shell notification icon");
  } else {
    if (!Shell(NIM_DELETE)) throw EOutOfResources("Cannot remove shell notification icon");
  }
  visible_ = value;
  if (animate_) animateTimer_.SetEnabled(value);
}

void TMyCustomTrayIcon::SetIcon(HICON icon) {
  icon_ = icon;
  ownedCurrent_.reset();
  current_ = icon;
  UpdateIcon();
}

void TMyCustomTrayIcon::SetIcons(HIMAGELIST list) {
  if (list == icons_) return;
  icons_ = list;
  if (icons_)
    SetCurrentFromList();
  else
    ResetCurrentIcon();
  UpdateIcon();
}

void TMyCustomTrayIcon::SetIconIndex(int index) {
  if (index == iconIndex_) return;
  iconIndex_ = index;
  if (icons_) SetCurrentFromList();
  UpdateIcon();
}

void TMyCustomTrayIcon::SetHint(const std::string& text) {
  if (text == hint_) return;
  hint_ = text;
  SetTip(text);
  UpdateIcon();
}

void TMyCustomTrayIcon::SetAnimate(bool value) {
  if (value == animate_) return;
  animate_ = value;
  if (visible_ && icons_ && ::ImageList_GetImageCount(icons_) > 0) animateTimer_.SetEnabled(value);
  if (!value && current_) {
    // The frame shown last stays as the icon.
    if (ownedCurrent_) {
      icon_ = ownedCurrent_.get();
      keptFrame_ = std::move(ownedCurrent_);
    } else {
      icon_ = current_;
    }
  }
}

void TMyCustomTrayIcon::SetHideTask(bool value) {
  if (value == hideTask_) return;
  hideTask_ = value;
  if (!TaskWindow) return;
  LONG_PTR ex = ::GetWindowLongPtrA(TaskWindow, GWL_EXSTYLE);
  ex = value ? (ex & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW : (ex & ~WS_EX_TOOLWINDOW) | WS_EX_APPWINDOW;
  ::SetWindowLongPtrA(TaskWindow, GWL_EXSTYLE, ex);
}

void TMyCustomTrayIcon::ShowBalloonHint() {
  data_.uFlags |= NIF_INFO;
  data_.dwInfoFlags = static_cast<DWORD>(BalloonFlags);
  CopyText(data_.szInfo, 256, BalloonHint);
  CopyText(data_.szInfoTitle, 64, BalloonTitle);
  data_.uTimeout = BalloonTimeout;
  balloonShown_ = true;
  Shell(NIM_MODIFY);
  data_.uFlags &= ~NIF_INFO;
}

void TMyCustomTrayIcon::ShowBalloonText(const std::string& text, const std::string& title,
                                        TBalloonFlags flags, unsigned timeout) {
  BalloonHint = text;
  BalloonTitle = title;
  BalloonFlags = flags;
  BalloonTimeout = timeout;
  ShowBalloonHint();
}

void TMyCustomTrayIcon::HideBalloonHint() {
  data_.uFlags |= NIF_INFO;
  data_.dwInfoFlags = static_cast<DWORD>(BalloonFlags);
  BalloonHint.clear();
  BalloonTitle.clear();
  std::memset(data_.szInfo, 0, sizeof data_.szInfo);
  std::memset(data_.szInfoTitle, 0, sizeof data_.szInfoTitle);
  balloonShown_ = false;
  Shell(NIM_MODIFY);
  data_.uFlags &= ~NIF_INFO;
}

void TMyCustomTrayIcon::DoOnAnimate() {
  if (OnAnimate) OnAnimate();
  if (icons_ && ::ImageList_GetImageCount(icons_) - 1 > iconIndex_)
    SetIconIndex(iconIndex_ + 1);
  else
    SetIconIndex(0);
  UpdateIcon();
}

void TMyCustomTrayIcon::ClickTimerTick() {
  clickTimer_.SetEnabled(false);
  if (!doubleClickSeen_ && OnClick) OnClick();
  doubleClickSeen_ = false;
}

LRESULT CALLBACK TMyCustomTrayIcon::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  auto* self = reinterpret_cast<TMyCustomTrayIcon*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  try {
    return self->WindowProc(msg, wParam, lParam);
  } catch (...) {
    LogBoundaryError("TMyCustomTrayIcon.WindowProc");
    return 0;
  }
}

LRESULT TMyCustomTrayIcon::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_QUERYENDSESSION) return 1;
  if (msg == WM_ENDSESSION) {
    if (wParam && visible_) Shell(NIM_DELETE);
    return 0;
  }
  if (msg == taskbarCreated_) {
    if (visible_) Shell(NIM_ADD);
    return 0;
  }
  if (msg != WM_TRAYNOTIFY) return ::DefWindowProcA(window_.get(), msg, wParam, lParam);
  POINT pt{};
  ::GetCursorPos(&pt);
  switch (static_cast<UINT>(lParam)) {
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(KeyboardShift(0), pt.x, pt.y);
      break;
    case WM_LBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(mbLeft, KeyboardShift(ssLeft), pt.x, pt.y);
      clickTimer_.SetEnabled(true);
      break;
    case WM_LBUTTONUP:
      if (OnMouseUp) OnMouseUp(mbLeft, KeyboardShift(ssLeft), pt.x, pt.y);
      break;
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      doubleClickSeen_ = true;
      if (OnDblClick) OnDblClick();
      break;
    case WM_RBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(mbRight, KeyboardShift(ssRight), pt.x, pt.y);
      break;
    case WM_RBUTTONUP:
      if (OnMouseUp) OnMouseUp(mbRight, KeyboardShift(ssRight), pt.x, pt.y);
      if (PopupMenu) {
        HWND owner = PopupOwner ? PopupOwner : window_.get();
        ::SetForegroundWindow(owner);
        Application().ProcessMessages();
        ::TrackPopupMenu(PopupMenu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner, nullptr);
        ::PostMessageA(owner, WM_NULL, 0, 0);
      }
      break;
    case WM_MBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(mbMiddle, KeyboardShift(ssMiddle), pt.x, pt.y);
      break;
    case WM_MBUTTONUP:
      if (OnMouseUp) OnMouseUp(mbMiddle, KeyboardShift(ssMiddle), pt.x, pt.y);
      break;
    case NIN_BALLOONHIDE:
    case NIN_BALLOONTIMEOUT:
      balloonShown_ = false;
      break;
    case NIN_BALLOONUSERCLICK:
      balloonShown_ = false;
      if (OnBalloonClick) OnBalloonClick(mbLeft, KeyboardShift(ssLeft), pt.x, pt.y);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace tw
