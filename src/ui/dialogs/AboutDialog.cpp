#include "ui/dialogs/AboutDialog.h"

#include <algorithm>

#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/DialogParts.h"

namespace tw {
namespace {
enum : int { kIdHelp = 10 };
}

TAboutForm::TAboutForm(HWND owner, int language, const TXMLDatabase& database) : TDialog(language) {
  CreateDialogWindow("TAboutForm", RowText(kRowAboutTitle), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                     WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 480, 320, owner);
  HWND h = Handle();
  const TBannerPlace banner = ShowBanner(480);
  const int top = banner.Top, width = banner.Width;

  AddHeading(kRowProductInformation, top + 12, width);
  std::string version;
  const TXmlNode root = database.Loaded ? database.Document.Root() : TXmlNode();
  if (root) version = root.AttrOpt("version").value_or("");
  const std::string text = Format(RowText(kRowDatabaseVersion), version) + "\r\n" + Application().Title;
  versionText_ = CreateControl("EDIT", text, WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 12, top + 34,
                               width - 24, 90, h, 0, WS_EX_CLIENTEDGE);
  btnHelp_ = CreateControl("BUTTON", RowText(kRowHelp), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 12, top + 136, 90, 26, h,
                           kIdHelp);
  hotClose_ = CreateCloseButton(h, Language);
  const SIZE close = hotClose_->Size();
  hotClose_->SetPosition(width - 12 - close.cx, top + 136);
  hotClose_->OnClick = [this] { ModalResult = mrOk; };
  SetHint(btnHelp_, RowText(kRowHelp));
  EndOnCommand(IDCANCEL, mrCancel);
  SetClientSize(h, width, top + 136 + std::max(26, static_cast<int>(close.cy)) + 12);
}

std::optional<LRESULT> TAboutForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_COMMAND && LOWORD(wParam) == kIdHelp) {
    OpenHelp(Handle(), Language);
    return 0;
  }
  return std::nullopt;
}

}  // namespace tw
