#include "ui/dialogs/TipsDialog.h"

#include <commctrl.h>
#include <richedit.h>

#include "platform/Text.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/dialogs/Banner.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/resources/ResourceNames.h"

namespace tw {
namespace {

enum : int { kIdNext = 10, kIdClose = 11, kIdDoNotShow = 12 };

}  // namespace

TTipOfTheDayForm::TTipOfTheDayForm(HWND owner, int language, TXMLDatabase& database,
                                   TCheckSettings& checks,
                                   std::function<void(TTipOfTheDayForm*)> onClosed)
    : database_(database), checks_(checks), onClosed_(std::move(onClosed)) {
  Language = language;
  CreateHandle("TTipOfTheDayForm", "", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
               WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 0, 0, 480, 330,
               owner, nullptr);
  HWND h = Handle();
  banner_ = std::make_unique<THotImage>(h, 0, 0);
  banner_->FlipPictures = false;
  lightBulb_ = std::make_unique<THotImage>(h, 12, 80);
  lightBulb_->FlipPictures = false;
  lightBulb_->SetPicture(TPicture::FromResource(res::kLightBulb));
  labelWarning_ = CreateControl("STATIC", "", WS_VISIBLE | SS_LEFT, 70, 80, 380, 18, h, 0);
  ::SendMessageA(labelWarning_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().BoldFont()), 0);
  LoadRichEdit();
  // A Unicode control, so that the tips' text shows whatever the code page.
  tipText_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_MULTILINE | ES_READONLY | WS_VSCROLL,
                                 70, 102, 390, 140, h, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  if (!tipText_)
    tipText_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_MULTILINE | ES_READONLY | WS_VSCROLL,
                                   70, 102, 390, 140, h, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ::SendMessageA(tipText_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().Font()), 0);
  cbxDoNotShowTips_ = CreateControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 12, 258,
                                    250, 20, h, kIdDoNotShow);
  btnNextTip_ = CreateControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 270, 254, 95, 26, h, kIdNext);
  btnClose_ = CreateControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 370, 254, 90, 26, h, kIdClose);
  tooltip_ = CreateHintWindow(h);
  ::SendMessageA(cbxDoNotShowTips_, BM_SETCHECK, checks_.ShowTipsAtStartup ? BST_UNCHECKED : BST_CHECKED, 0);
  ShowTexts();
}

TTipOfTheDayForm::~TTipOfTheDayForm() { NotifyClosed(); }

void TTipOfTheDayForm::Destroying() noexcept { NotifyClosed(); }

void TTipOfTheDayForm::NotifyClosed() noexcept {
  try {
    if (onClosed_) onClosed_(this);
  } catch (...) {
    LogBoundaryError("TTipOfTheDayForm");
  }
}

void TTipOfTheDayForm::ShowTexts() {
  const int l = Language;
  SetCaption(std::string(StrRes(kRowTipOfTheDay, l)));
  ::SetWindowTextA(labelWarning_, std::string(StrRes(kRowDidYouKnow, l)).c_str());
  ::SetWindowTextA(cbxDoNotShowTips_, std::string(StrRes(kRowNoTipsAtStartup, l)).c_str());
  ::SetWindowTextA(btnNextTip_, std::string(StrRes(kRowNextTip, l)).c_str());
  ::SetWindowTextA(btnClose_, std::string(StrRes(kRowClose, l)).c_str());
  if (tooltip_) {
    SetControlHint(tooltip_.get(), btnNextTip_, std::string(StrRes(kRowNextTip, l)));
    SetControlHint(tooltip_.get(), btnClose_, std::string(StrRes(kRowCloseHint, l)));
  }
  // The window is as wide as the logo, at least.
  const SIZE logo = ShowLogoBanner(*this, *banner_, l);
  const int top = logo.cy > 0 ? logo.cy : 64;
  const int width = std::max(480, static_cast<int>(logo.cx));
  // The heading sits in the top of the tip's box, on the two empty lines the tip begins with.
  const int boxLeft = 70, boxTop = top + 12, boxWidth = width - 82, boxHeight = 150;
  lightBulb_->SetPosition(12, top + 12);
  ::MoveWindow(tipText_, boxLeft, boxTop, boxWidth, boxHeight, TRUE);
  ::MoveWindow(labelWarning_, boxLeft + 6, boxTop + 5, boxWidth - 12 - ::GetSystemMetrics(SM_CXVSCROLL), 16, TRUE);
  ::SetWindowPos(labelWarning_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // The buttons take their texts' widths; the check box goes on a row of its own when it would
  // run into them.
  const int nextWidth = std::max(95, ControlTextWidth(btnNextTip_) + 24);
  const int closeWidth = std::max(90, ControlTextWidth(btnClose_) + 24);
  const int boxText = ControlTextWidth(cbxDoNotShowTips_) + ::GetSystemMetrics(SM_CXMENUCHECK) + 12;
  const int buttonsLeft = width - 12 - closeWidth - 8 - nextWidth;
  int row = boxTop + boxHeight + 12;
  if (12 + boxText + 12 > buttonsLeft) {
    ::MoveWindow(cbxDoNotShowTips_, 12, row, width - 24, 20, TRUE);
    row += 26;
  } else {
    ::MoveWindow(cbxDoNotShowTips_, 12, row + 3, boxText, 20, TRUE);
  }
  ::MoveWindow(btnNextTip_, buttonsLeft, row, nextWidth, 26, TRUE);
  ::MoveWindow(btnClose_, width - 12 - closeWidth, row, closeWidth, 26, TRUE);
  RECT client{0, 0, width, row + 26 + 12};
  ::AdjustWindowRectEx(&client, static_cast<DWORD>(::GetWindowLongPtrA(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(Handle(), GWL_EXSTYLE)));
  ::SetWindowPos(Handle(), nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  NextTip();
}

void TTipOfTheDayForm::NextTip() {
  std::string tip;
  database_.GetNextTip(Language, tip);
  const std::wstring text = Widen("\r\n\r\n" + tip);
  ::SetWindowTextW(tipText_, text.c_str());
}

LRESULT TTipOfTheDayForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    switch (msg) {
      case WM_COMMAND:
        switch (LOWORD(wParam)) {
          case kIdNext:
            NextTip();
            return 0;
          case kIdClose:
          case IDCANCEL:
            ::DestroyWindow(Handle());
            return 0;
          case kIdDoNotShow:
            checks_.ShowTipsAtStartup =
                ::SendMessageA(cbxDoNotShowTips_, BM_GETCHECK, 0, 0) != BST_CHECKED;
            return 0;
          default:
            break;
        }
        break;
      case WM_CLOSE:
        ::DestroyWindow(Handle());
        return 0;
      case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == labelWarning_) {
          // The heading lies on the tip's white box.
          HDC dc = reinterpret_cast<HDC>(wParam);
          ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
          ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
          return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
        }
        break;
      default:
        break;
    }
  } catch (...) {
    LogBoundaryError("TTipOfTheDayForm");
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}

}  // namespace tw
