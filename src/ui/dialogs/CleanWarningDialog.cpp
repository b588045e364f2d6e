#include "ui/dialogs/CleanWarningDialog.h"

#include <richedit.h>

#include <algorithm>

#include "platform/Text.h"
#include "strings/StrRows.h"
#include "ui/dialogs/DialogParts.h"

namespace tw {
namespace {

constexpr int kWidth = 480;
constexpr int kTextHeight = 190;
enum : int { kIdDoNotAsk = 10 };

}  // namespace

TCleanWarningDlg::TCleanWarningDlg(HWND owner, int language, TSettingsStore& settings, bool& showCleanWarning)
    : TDialog(language), settings_(settings), showCleanWarning_(showCleanWarning) {
  CreateDialogWindow("TCleanWarningDlg", RowText(kRowCaptionWarning), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER,
                     WS_EX_TOPMOST | WS_EX_CONTROLPARENT, kWidth, 380, owner);
  HWND h = Handle();
  const TBannerPlace banner = ShowBanner(kWidth);
  const int top = banner.Top, width = banner.Width;
  AddHeading(kRowCaptionWarning, top + 10, width);
  warningText_ = CreateTextBox(h, ES_CENTER | WS_VSCROLL, 0, 12, top + 32, width - 24, kTextHeight);
  ::SendMessageA(warningText_, EM_SETBKGNDCOLOR, 0, ::GetSysColor(COLOR_BTNFACE));

  const int buttonsTop = top + 32 + kTextHeight + 10;
  cbxDoNotAsk_ = CreateControl("BUTTON", RowText(kRowDoNotAskAgain), WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 12,
                               buttonsTop + 4, 220, 20, h, kIdDoNotAsk);
  const int buttonsHeight = CreateConfirmButtons(TConfirmPicture::Clean);
  ConfirmButton().OnClick = [this] { ModalResult = mrOk; };
  CancelButton().OnClick = [this] { ModalResult = mrAbort; };
  PlaceConfirmButtons(width, buttonsTop);
  EndOnCommand(IDCANCEL, mrAbort);
  SetClientSize(h, width, buttonsTop + buttonsHeight + 12);
  FillText();
}

TCleanWarningDlg::~TCleanWarningDlg() {
  if (cbxDoNotAsk_ && ::SendMessageA(cbxDoNotAsk_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
    WriteBoolSetting(settings_, "ShowCleanWarning", false);
    showCleanWarning_ = false;
  }
}

void TCleanWarningDlg::FillText() {
  const std::wstring text = L"\r\n" + Widen(RowText(kRowBackupExplained));
  ::SetWindowTextW(warningText_, text.c_str());
  // The sentence about how long backups are kept stands out in bold red.
  const std::wstring note = Widen(RowText(kRowBackupKeptDays));
  // The control keeps a paragraph break as one character.
  std::wstring shown(static_cast<std::size_t>(::GetWindowTextLengthW(warningText_)) + 1, L'\0');
  shown.resize(static_cast<std::size_t>(::GetWindowTextW(warningText_, shown.data(), static_cast<int>(shown.size()))));
  std::wstring flat;
  for (std::size_t i = 0; i < shown.size(); ++i)
    if (!(shown[i] == L'\r' && i + 1 < shown.size() && shown[i + 1] == L'\n')) flat += shown[i];
  const std::size_t at = note.empty() ? std::wstring::npos : flat.find(note);
  if (at != std::wstring::npos) {
    ::SendMessageW(warningText_, EM_SETSEL, static_cast<WPARAM>(at), static_cast<LPARAM>(at + note.size()));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_COLOR;
    format.dwEffects = CFE_BOLD;
    format.crTextColor = RGB(255, 0, 0);
    ::SendMessageW(warningText_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  }
  ::SendMessageW(warningText_, EM_SETSEL, 0, 0);
}

int TCleanWarningDlg::Execute() {
  const int result = ShowModal();
  return result == mrOk ? mrOk : mrAbort;
}

}  // namespace tw
