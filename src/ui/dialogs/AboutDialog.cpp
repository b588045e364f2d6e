#include "ui/dialogs/AboutDialog.h"

#include <commctrl.h>

#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/Banner.h"
#include "ui/resources/ResourceNames.h"

namespace tw {
namespace {
enum : int { kIdHelp = 10 };
}

TAboutForm::TAboutForm(HWND owner, int language, const TXMLDatabase& database) {
  Language = language;
  const int l = Language;
  CreateHandle("TAboutForm", std::string(StrRes(kRowAboutTitle, l)), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
               WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 0, 0, 480, 320, owner, nullptr);
  HWND h = Handle();
  banner_ = std::make_unique<THotImage>(h, 0, 0);
  banner_->FlipPictures = false;
  const SIZE logo = ShowLogoBanner(*this, *banner_, l);
  const int top = logo.cy > 0 ? logo.cy : 64;
  const int width = std::max(480, static_cast<int>(logo.cx));

  label2_ = CreateControl("STATIC", std::string(StrRes(kRowProductInformation, l)), WS_VISIBLE, 12, top + 12, width - 24, 18, h, 0);
  ::SendMessageA(label2_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().BoldFont()), 0);
  std::string version;
  const TXmlNode root = database.Loaded ? database.Document.Root() : TXmlNode();
  if (root) version = root.AttrOpt("version").value_or("");
  const std::string text =
      Format(std::string(StrRes(kRowDatabaseVersion, l)), version) + "\r\n" + Application().Title;
  memo2_ = CreateControl("EDIT", text, WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 12, top + 34,
                         width - 24, 90, h, 0, WS_EX_CLIENTEDGE);
  btnHelp_ = CreateControl("BUTTON", std::string(StrRes(kRowHelp, l)), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 12,
                           top + 136, 90, 26, h, kIdHelp);
  hotClose_ = std::make_unique<THotImage>(h);
  hotClose_->FlipPictures = false;
  hotClose_->SetPicture(TPicture::FromResource(res::PictureName(res::kBtnClose, l)));
  hotClose_->SetPictureHot(TPicture::FromResource(res::PictureName(res::kBtnCloseOver, l)));
  hotClose_->FlipPictures = true;
  hotClose_->Cursor = ::LoadCursorA(nullptr, IDC_HAND);
  hotClose_->SetHint(std::string(StrRes(kRowCloseHint, l)));
  const SIZE close = hotClose_->Size();
  hotClose_->SetPosition(width - 12 - close.cx, top + 136);
  hotClose_->OnClick = [this] { ModalResult = mrOk; };
  tooltip_.reset(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, h, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr));
  const std::string help(StrRes(kRowHelp, l));
  TOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = h;
  ti.uId = reinterpret_cast<UINT_PTR>(btnHelp_);
  ti.lpszText = const_cast<char*>(help.c_str());
  ::SendMessageA(tooltip_.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));

  RECT client{0, 0, width, top + 136 + std::max(26, static_cast<int>(close.cy)) + 12};
  ::AdjustWindowRectEx(&client, static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_EXSTYLE)));
  ::SetWindowPos(h, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TAboutForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    if (msg == WM_COMMAND && LOWORD(wParam) == kIdHelp) {
      OpenHelp(Handle(), Language);
      return 0;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
      ModalResult = mrCancel;
      return 0;
    }
  } catch (...) {
    LogBoundaryError("TAboutForm");
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}

}  // namespace tw
