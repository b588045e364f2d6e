#pragma once
// The notification-area icon: tip, balloon tips, animation over an image list, mouse events with
// single and double clicks told apart, a popup menu, and re-adding itself when the shell's
// taskbar is recreated.
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/Handles.h"
#include "ui/components/ThreadedTimer.h"

namespace tw {

enum TBalloonFlags { bfNone = 0, bfInfo = 1, bfWarning = 2, bfError = 3 };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Shift state bits, as read from the keyboard when a notification is handled.
enum : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };

// The shell calls (NIM_ADD, NIM_MODIFY, NIM_DELETE) behind a replaceable function, so that the
// component's own behaviour can be observed.
using TShellNotify = std::function<bool(DWORD message, NOTIFYICONDATAA& data)>;

class TMyCustomTrayIcon {
 public:
  using TMouseEvent = std::function<void(TMouseButton button, unsigned shift, int x, int y)>;

  TMyCustomTrayIcon(TSynchronizer& sync, TShellNotify shell = {});
  virtual ~TMyCustomTrayIcon();
  TMyCustomTrayIcon(const TMyCustomTrayIcon&) = delete;
  TMyCustomTrayIcon& operator=(const TMyCustomTrayIcon&) = delete;

  bool Animate() const { return animate_; }
  void SetAnimate(bool value);
  unsigned AnimateInterval() const { return animateTimer_.Interval(); }
  void SetAnimateInterval(unsigned ms) { animateTimer_.SetInterval(ms); }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& text);
  std::string BalloonHint;   // at most 255 characters are shown
  std::string BalloonTitle;  // at most 63
  unsigned BalloonTimeout = 10000;
  TBalloonFlags BalloonFlags = bfNone;
  HICON Icon() const { return icon_; }
  void SetIcon(HICON icon);
  HIMAGELIST Icons() const { return icons_; }
  void SetIcons(HIMAGELIST list);
  int IconIndex() const { return iconIndex_; }
  virtual void SetIconIndex(int index);
  // A menu that pops up on the right button; its commands go to PopupOwner.
  HMENU PopupMenu = nullptr;
  HWND PopupOwner = nullptr;
  bool HideTask() const { return hideTask_; }
  virtual void SetHideTask(bool value);
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool value);
  // The window whose task-bar presence HideTask governs.
  HWND TaskWindow = nullptr;

  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  std::function<void(unsigned shift, int x, int y)> OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseEvent OnMouseDown;
  std::function<void()> OnAnimate;
  TMouseEvent OnBalloonClick;

  virtual void HideBalloonHint();
  virtual void ShowBalloonHint();
  virtual void ShowBalloonText(const std::string& text, const std::string& title,
                               TBalloonFlags flags, unsigned timeout);
  bool BalloonShown() const { return balloonShown_; }
  HWND Handle() const { return window_.get(); }
  HICON CurrentIcon() const { return current_; }
  const NOTIFYICONDATAA& Data() const { return data_; }
  // The animation timer's and the click timer's ticks (also callable directly).
  virtual void DoOnAnimate();
  void ClickTimerTick();

 protected:
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  void ResetCurrentIcon();
  void SetCurrentFromList();
  void UpdateIcon();
  bool Shell(DWORD message);
  void SetTip(const std::string& text);

  TShellNotify shell_;
  unique_hwnd window_;
  NOTIFYICONDATAA data_{};
  HICON icon_ = nullptr;
  HICON current_ = nullptr;
  unique_hicon ownedCurrent_;  // a frame taken out of the image list
  unique_hicon keptFrame_;     // the last frame, kept as Icon when the animation stops
  HIMAGELIST icons_ = nullptr;
  int iconIndex_ = 0;
  bool animate_ = false;
  bool visible_ = false;
  bool hideTask_ = false;
  bool balloonShown_ = false;
  bool doubleClickSeen_ = false;
  std::string hint_;
  TThreadedTimer animateTimer_;
  TThreadedTimer clickTimer_;
  UINT taskbarCreated_;
};

class TMyTrayIcon final : public TMyCustomTrayIcon {
 public:
  using TMyCustomTrayIcon::TMyCustomTrayIcon;
};

}  // namespace tw
