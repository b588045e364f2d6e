#include "ui/dialogs/HtmlNoticeDialog.h"

#include <richedit.h>
#include <shellapi.h>

#include "platform/Text.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/dialogs/Banner.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/portable/HtmlText.h"
#include "ui/resources/ResourceNames.h"

namespace tw {
namespace {

constexpr int kWidth = 460;
constexpr int kTextHeight = 150;

}  // namespace

TWarningDlg::TWarningDlg(HWND owner, int language) {
  Language = language;
  const int l = language;
  CreateHandle("TWarningDlg", std::string(StrRes(kRowCaptionWarning, l)), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER,
               WS_EX_TOPMOST | WS_EX_CONTROLPARENT, 0, 0, kWidth, 340, owner, nullptr);
  HWND h = Handle();
  const TWarningTop heading = ShowWarningTop(*this, banner_, l, kWidth);
  const int top = heading.top, width = heading.width;
  labelWarning_ = heading.heading;
  LoadRichEdit();
  text_ = ::CreateWindowExW(0, MSFTEDIT_CLASS, L"",
                            WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, 12, top + 32,
                            width - 24, kTextHeight, h, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  if (!text_)
    text_ = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL,
                              12, top + 32, width - 24, kTextHeight, h, nullptr, ::GetModuleHandleA(nullptr),
                              nullptr);
  ::SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().Font()), 0);
  ::SendMessageA(text_, EM_SETBKGNDCOLOR, 0, ::GetSysColor(COLOR_BTNFACE));
  // The browser control where the system has a browser engine; the text control otherwise.
  const RECT pageBounds{12, top + 32, width - 12, top + 32 + kTextHeight};
  browser_ = TBrowserHost::Create(h, pageBounds);
  if (browser_) ::ShowWindow(text_, SW_HIDE);

  hotOk_ = std::make_unique<THotImage>(h);
  hotOk_->FlipPictures = false;
  hotOk_->SetPicture(TPicture::FromResource(res::kBtnOk));
  hotOk_->SetPictureHot(TPicture::FromResource(res::kBtnOkOver));
  hotOk_->FlipPictures = true;
  hotOk_->SetHint(std::string(StrRes(kRowCleanButton, l)));
  hotOk_->Cursor = ::LoadCursorA(nullptr, IDC_HAND);
  hotOk_->OnClick = [this] { ModalResult = mrOk; };
  hotCancel_ = std::make_unique<THotImage>(h);
  hotCancel_->FlipPictures = false;
  hotCancel_->SetPicture(TPicture::FromResource(res::PictureName(res::kBtnCancel, l)));
  hotCancel_->SetPictureHot(TPicture::FromResource(res::PictureName(res::kBtnCancelOver, l)));
  hotCancel_->FlipPictures = true;
  hotCancel_->SetHint(std::string(StrRes(kRowCancel, l)));
  hotCancel_->Cursor = ::LoadCursorA(nullptr, IDC_HAND);
  hotCancel_->OnClick = [this] { ModalResult = mrCancel; };
  hotCancel_->SetVisible(false);

  const int buttonsTop = top + 32 + kTextHeight + 10;
  const SIZE ok = hotOk_->Size(), cancel = hotCancel_->Size();
  hotCancel_->SetPosition(width - 12 - cancel.cx, buttonsTop);
  hotOk_->SetPosition(width - 12 - cancel.cx - 8 - ok.cx, buttonsTop);
  RECT client{0, 0, width, buttonsTop + std::max(ok.cy, cancel.cy) + 12};
  ::AdjustWindowRectEx(&client, static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_EXSTYLE)));
  ::SetWindowPos(h, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TWarningDlg::~TWarningDlg() = default;

void TWarningDlg::ShowCancel(bool show) {
  hotCancel_->SetVisible(show);
  // OK takes Cancel's place when Cancel is hidden.
  RECT client{};
  ::GetClientRect(Handle(), &client);
  POINT pos{0, 0};
  RECT r{};
  ::GetWindowRect(hotCancel_->Handle(), &r);
  pos = {r.left, r.top};
  ::ScreenToClient(Handle(), &pos);
  const SIZE ok = hotOk_->Size(), cancel = hotCancel_->Size();
  hotOk_->SetPosition(show ? client.right - 12 - cancel.cx - 8 - ok.cx : client.right - 12 - ok.cx, pos.y);
}

void TWarningDlg::LoadHtml(const std::string& html) {
  html_ = html;
  if (browser_) {
    if (browser_->LoadHtml(html)) return;
    browser_.reset();
    ::ShowWindow(text_, SW_SHOW);
  }
  // The page as formatted text: each run with its weight, slant, underline, colour and size.
  ::SetWindowTextW(text_, L"");
  for (const TTextRun& run : HtmlToRuns(html)) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_WEIGHT | CFM_ITALIC | CFM_UNDERLINE | CFM_COLOR;
    format.wWeight = static_cast<WORD>(run.Bold ? FW_BOLD : FW_NORMAL);
    format.dwEffects = (run.Bold ? CFE_BOLD : 0) | (run.Italic ? CFE_ITALIC : 0) |
                       (run.Underline ? CFE_UNDERLINE : 0) | (run.Color ? 0 : CFE_AUTOCOLOR);
    if (run.Color) {
      const std::uint32_t c = *run.Color;
      format.crTextColor = RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
    }
    if (run.SizePx > 0) {
      format.dwMask |= CFM_SIZE;
      format.yHeight = run.SizePx * 15;  // twips at 96 pixels per inch
    }
    ::SendMessageW(text_, EM_SETSEL, -1, -1);
    ::SendMessageW(text_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    const std::wstring text = Widen(run.Text);
    ::SendMessageW(text_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  ::SendMessageW(text_, EM_SETSEL, 0, 0);
}

int TWarningDlg::Execute() {
  ::SetForegroundWindow(Handle());
  return ShowModal();
}

LRESULT TWarningDlg::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    ModalResult = mrCancel;
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}

}  // namespace tw
