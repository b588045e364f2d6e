#include "ui/dialogs/HtmlNoticeDialog.h"

#include <richedit.h>
#include <shellapi.h>

#include "platform/Text.h"
#include "strings/StrRows.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/portable/HtmlText.h"

namespace tw {
namespace {

constexpr int kWidth = 460;
constexpr int kTextHeight = 150;

}  // namespace

TWarningDlg::TWarningDlg(HWND owner, int language) : TDialog(language) {
  CreateDialogWindow("TWarningDlg", RowText(kRowCaptionWarning), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER,
                     WS_EX_TOPMOST | WS_EX_CONTROLPARENT, kWidth, 340, owner);
  HWND h = Handle();
  const TBannerPlace banner = ShowBanner(kWidth);
  const int top = banner.Top, width = banner.Width;
  AddHeading(kRowCaptionWarning, top + 10, width);
  text_ = CreateTextBox(h, WS_VSCROLL, 0, 12, top + 32, width - 24, kTextHeight);
  ::SendMessageA(text_, EM_SETBKGNDCOLOR, 0, ::GetSysColor(COLOR_BTNFACE));
  // The browser control where the system has a browser engine; the text control otherwise.
  const RECT pageBounds{12, top + 32, width - 12, top + 32 + kTextHeight};
  browser_ = TBrowserHost::Create(h, pageBounds);
  if (browser_) ::ShowWindow(text_, SW_HIDE);

  const int buttonsHeight = CreateConfirmButtons(TConfirmPicture::Ok);
  ConfirmButton().OnClick = [this] { ModalResult = mrOk; };
  CancelButton().OnClick = [this] { ModalResult = mrCancel; };
  CancelButton().SetVisible(false);
  const int buttonsTop = top + 32 + kTextHeight + 10;
  PlaceConfirmButtons(width, buttonsTop);
  EndOnCommand(IDCANCEL, mrCancel);
  SetClientSize(h, width, buttonsTop + buttonsHeight + 12);
}

TWarningDlg::~TWarningDlg() = default;

void TWarningDlg::ShowCancel(bool show) {
  CancelButton().SetVisible(show);
  // OK takes Cancel's place when Cancel is hidden.
  RECT client{};
  ::GetClientRect(Handle(), &client);
  RECT cancel{};
  ::GetWindowRect(CancelButton().Handle(), &cancel);
  POINT pos{cancel.left, cancel.top};
  ::ScreenToClient(Handle(), &pos);
  if (show)
    PlaceConfirmButtons(client.right, pos.y);
  else
    ConfirmButton().SetPosition(client.right - 12 - ConfirmButton().Size().cx, pos.y);
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

}  // namespace tw
