#include "ui/dialogs/TipsDialog.h"

#include <commctrl.h>
#include <richedit.h>

#include "platform/Text.h"
#include "strings/StrRows.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/resources/ResourceNames.h"

namespace tw {
namespace {

enum : int { kIdNext = 10, kIdClose = 11, kIdDoNotShow = 12 };

}  // namespace

TTipOfTheDayForm::TTipOfTheDayForm(HWND owner, int language, TXMLDatabase& database,
                                   TCheckSettings& checks,
                                   std::function<void(TTipOfTheDayForm*)> onClosed)
    : TDialog(language), database_(database), checks_(checks), onClosed_(std::move(onClosed)) {
  CreateDialogWindow("TTipOfTheDayForm", "", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                     WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 480, 330, owner);
  HWND h = Handle();
  ShowBanner(480);  // made first: the other controls lie over its band
  lightBulb_ = std::make_unique<THotImage>(h, 12, 80);
  lightBulb_->FlipPictures = false;
  lightBulb_->SetPicture(TPicture::FromResource(res::kLightBulb));
  heading_ = CreateControl("STATIC", "", WS_VISIBLE | SS_LEFT, 70, 80, 380, 18, h, 0);
  ::SendMessageA(heading_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().BoldFont()), 0);
  // A Unicode control, so that the tips' text shows whatever the code page.
  tipText_ = CreateTextBox(h, WS_CLIPSIBLINGS | WS_VSCROLL, WS_EX_CLIENTEDGE, 70, 102, 390, 140);
  cbxDoNotShowTips_ = CreateControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 12, 258,
                                    250, 20, h, kIdDoNotShow);
  btnNextTip_ = CreateControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 270, 254, 95, 26, h, kIdNext);
  btnClose_ = CreateControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 370, 254, 90, 26, h, kIdClose);
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
  SetCaption(RowText(kRowTipOfTheDay));
  ::SetWindowTextA(heading_, RowText(kRowDidYouKnow).c_str());
  ::SetWindowTextA(cbxDoNotShowTips_, RowText(kRowNoTipsAtStartup).c_str());
  ::SetWindowTextA(btnNextTip_, RowText(kRowNextTip).c_str());
  ::SetWindowTextA(btnClose_, RowText(kRowClose).c_str());
  SetHint(btnNextTip_, RowText(kRowNextTip));
  SetHint(btnClose_, RowText(kRowCloseHint));
  // The window is as wide as the logo, at least.
  const TBannerPlace banner = ShowBanner(480);
  const int top = banner.Top, width = banner.Width;
  // The heading sits in the top of the tip's box, on the two empty lines the tip begins with.
  const int boxLeft = 70, boxTop = top + 12, boxWidth = width - 82, boxHeight = 150;
  lightBulb_->SetPosition(12, top + 12);
  ::MoveWindow(tipText_, boxLeft, boxTop, boxWidth, boxHeight, TRUE);
  ::MoveWindow(heading_, boxLeft + 6, boxTop + 5, boxWidth - 12 - ::GetSystemMetrics(SM_CXVSCROLL), 16, TRUE);
  ::SetWindowPos(heading_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
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
  SetClientSize(Handle(), width, row + 26 + 12);
  NextTip();
}

void TTipOfTheDayForm::NextTip() {
  std::string tip;
  database_.GetNextTip(Language, tip);
  const std::wstring text = Widen("\r\n\r\n" + tip);
  ::SetWindowTextW(tipText_, text.c_str());
}

std::optional<LRESULT> TTipOfTheDayForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
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
          checks_.ShowTipsAtStartup = ::SendMessageA(cbxDoNotShowTips_, BM_GETCHECK, 0, 0) != BST_CHECKED;
          return 0;
        default:
          break;
      }
      break;
    case WM_CLOSE:
      ::DestroyWindow(Handle());
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == heading_) {
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
  return std::nullopt;
}

}  // namespace tw
