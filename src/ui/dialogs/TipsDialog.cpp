#include "ui/dialogs/TipsDialog.h"

#include <commctrl.h>
#include <richedit.h>

#include "platform/Text.h"
#include "strings/StrRes.h"
#include "ui/dialogs/Banner.h"
#include "ui/resources/ResourceNames.h"

namespace tw {
namespace {

enum : int { kIdNext = 10, kIdClose = 11, kIdDoNotShow = 12 };

HMODULE RichEditLibrary() {
  static HMODULE library = ::LoadLibraryA("msftedit.dll");
  return library;
}

void AddTip(HWND tooltip, HWND control, const std::string& text) {
  TOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = ::GetParent(control);
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = const_cast<char*>(text.c_str());
  ::SendMessageA(tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  ::SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

}  // namespace

TTipOfTheDayForm::TTipOfTheDayForm(HWND owner, int language, TXMLDatabase& database,
                                   TCheckSettings& checks,
                                   std::function<void(TTipOfTheDayForm*)> onClosed)
    : database_(database), checks_(checks), onClosed_(std::move(onClosed)) {
  Tag = language;
  CreateHandle("TTipOfTheDayForm", "", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
               WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 0, 0, 480, 330,
               owner, nullptr);
  HWND h = Handle();
  image1_ = std::make_unique<THotImage>(h, 0, 0);
  image1_->FlipPictures = false;
  image2_ = std::make_unique<THotImage>(h, 12, 80);
  image2_->FlipPictures = false;
  image2_->SetPicture(TPicture::FromResource(res::kLightBulb));
  labelWarning_ = CreateControl("STATIC", "", WS_VISIBLE | SS_LEFT, 70, 80, 380, 18, h, 0);
  ::SendMessageA(labelWarning_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().BoldFont()), 0);
  RichEditLibrary();
  // A Unicode control, so that the tips' text shows whatever the code page.
  richEdit1_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"",
                                 WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, 70,
                                 102, 390, 140, h, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  if (!richEdit1_)
    richEdit1_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                   WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, 70,
                                   102, 390, 140, h, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ::SendMessageA(richEdit1_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().Font()), 0);
  cbxDoNotShowTips_ = CreateControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 12, 258,
                                    250, 20, h, kIdDoNotShow);
  btnNextTip_ = CreateControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 270, 254, 95, 26, h, kIdNext);
  btnClose_ = CreateControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 370, 254, 90, 26, h, kIdClose);
  tooltip_.reset(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, h, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr));
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
  const int l = Tag;
  SetCaption(std::string(StrRes(191, l)));
  ::SetWindowTextA(labelWarning_, std::string(StrRes(192, l)).c_str());
  ::SetWindowTextA(cbxDoNotShowTips_, std::string(StrRes(193, l)).c_str());
  ::SetWindowTextA(btnNextTip_, std::string(StrRes(194, l)).c_str());
  ::SetWindowTextA(btnClose_, std::string(StrRes(19, l)).c_str());
  if (tooltip_) {
    AddTip(tooltip_.get(), btnNextTip_, std::string(StrRes(194, l)));
    AddTip(tooltip_.get(), btnClose_, std::string(StrRes(20, l)));
  }
  // The window is as wide as the logo, at least.
  const SIZE logo = ShowLogoBanner(*this, *image1_, l);
  const int top = logo.cy > 0 ? logo.cy : 64;
  RECT client{0, 0, std::max(480, static_cast<int>(logo.cx)), top + 230};
  ::AdjustWindowRectEx(&client, static_cast<DWORD>(::GetWindowLongPtrA(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(Handle(), GWL_EXSTYLE)));
  ::SetWindowPos(Handle(), nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const int width = std::max(480, static_cast<int>(logo.cx));
  image2_->SetPosition(12, top + 12);
  ::MoveWindow(labelWarning_, 70, top + 14, width - 82, 18, TRUE);
  ::MoveWindow(richEdit1_, 70, top + 36, width - 82, 140, TRUE);
  ::MoveWindow(cbxDoNotShowTips_, 12, top + 194, width - 250, 20, TRUE);
  ::MoveWindow(btnNextTip_, width - 236, top + 190, 124, 26, TRUE);
  ::MoveWindow(btnClose_, width - 104, top + 190, 92, 26, TRUE);
  NextTip();
}

void TTipOfTheDayForm::NextTip() {
  std::string tip;
  database_.GetNextTip(Tag, tip);
  const std::wstring text = Widen("\r\n\r\n" + tip);
  ::SetWindowTextW(richEdit1_, text.c_str());
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
