#include "ui/dialogs/CleanWarningDialog.h"

#include <richedit.h>

#include <algorithm>

#include "platform/Text.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/dialogs/Banner.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/resources/ResourceNames.h"

namespace tw {
namespace {

constexpr int kWidth = 480;
constexpr int kTextHeight = 190;
enum : int { kIdDoNotAsk = 10 };

}  // namespace

TCleanWarningDlg::TCleanWarningDlg(HWND owner, int language, TSettingsStore& settings, bool& showCleanWarning)
    : settings_(settings), showCleanWarning_(showCleanWarning) {
  Language = language;
  const int l = language;
  CreateHandle("TCleanWarningDlg", std::string(StrRes(kRowCaptionWarning, l)), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER,
               WS_EX_TOPMOST | WS_EX_CONTROLPARENT, 0, 0, kWidth, 380, owner, nullptr);
  HWND h = Handle();
  const TWarningTop heading = ShowWarningTop(*this, banner_, l, kWidth);
  const int top = heading.top, width = heading.width;
  labelWarning_ = heading.heading;
  LoadRichEdit();
  warningText_ = ::CreateWindowExW(0, MSFTEDIT_CLASS, L"",
                                 WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_CENTER | WS_VSCROLL, 12,
                                 top + 32, width - 24, kTextHeight, h, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ::SendMessageA(warningText_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().Font()), 0);
  ::SendMessageA(warningText_, EM_SETBKGNDCOLOR, 0, ::GetSysColor(COLOR_BTNFACE));

  const int buttonsTop = top + 32 + kTextHeight + 10;
  cbxDoNotAsk_ = CreateControl("BUTTON", std::string(StrRes(kRowDoNotAskAgain, l)), WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 12,
                               buttonsTop + 4, 220, 20, h, kIdDoNotAsk);
  hotClean_ = std::make_unique<THotImage>(h);
  hotClean_->FlipPictures = false;
  hotClean_->SetPicture(TPicture::FromResource(res::PictureName(res::kBtnClean, l)));
  hotClean_->SetPictureHot(TPicture::FromResource(res::PictureName(res::kBtnCleanOver, l)));
  hotClean_->FlipPictures = true;
  hotClean_->SetHint(std::string(StrRes(kRowCleanButton, l)));
  hotClean_->Cursor = ::LoadCursorA(nullptr, IDC_HAND);
  hotClean_->OnClick = [this] { ModalResult = mrOk; };
  hotAbort_ = std::make_unique<THotImage>(h);
  hotAbort_->FlipPictures = false;
  hotAbort_->SetPicture(TPicture::FromResource(res::PictureName(res::kBtnCancel, l)));
  hotAbort_->SetPictureHot(TPicture::FromResource(res::PictureName(res::kBtnCancelOver, l)));
  hotAbort_->FlipPictures = true;
  hotAbort_->SetHint(std::string(StrRes(kRowCancel, l)));
  hotAbort_->Cursor = ::LoadCursorA(nullptr, IDC_HAND);
  hotAbort_->OnClick = [this] { ModalResult = mrAbort; };
  const SIZE clean = hotClean_->Size(), cancel = hotAbort_->Size();
  hotAbort_->SetPosition(width - 12 - cancel.cx, buttonsTop);
  hotClean_->SetPosition(width - 12 - cancel.cx - 8 - clean.cx, buttonsTop);

  RECT client{0, 0, width, buttonsTop + std::max(clean.cy, cancel.cy) + 12};
  ::AdjustWindowRectEx(&client, static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_EXSTYLE)));
  ::SetWindowPos(h, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  FillText();
}

TCleanWarningDlg::~TCleanWarningDlg() {
  if (cbxDoNotAsk_ && ::SendMessageA(cbxDoNotAsk_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
    WriteBoolSetting(settings_, "ShowCleanWarning", false);
    showCleanWarning_ = false;
  }
}

void TCleanWarningDlg::FillText() {
  const std::wstring text = L"\r\n" + Widen(std::string(StrRes(kRowBackupExplained, Language)));
  ::SetWindowTextW(warningText_, text.c_str());
  // The sentence about how long backups are kept stands out in bold red.
  const std::wstring note = Widen(std::string(StrRes(kRowBackupKeptDays, Language)));
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

LRESULT TCleanWarningDlg::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    ModalResult = mrAbort;
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}

}  // namespace tw
