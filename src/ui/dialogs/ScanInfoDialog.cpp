#include "ui/dialogs/ScanInfoDialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <algorithm>

#include "platform/Text.h"
#include "settings/RegistrySettings.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/Banner.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/portable/ScanInfoHighlights.h"
#include "ui/resources/ResourceNames.h"

namespace tw {
namespace {

enum : int { kIdDoNotShow = 10 };

}  // namespace

TScanInfoDlg::TScanInfoDlg(HWND owner, int language, TCheckSettings& checks) : checks_(checks) {
  Language = language;
  const int l = Language;
  CreateHandle("TScanInfoDlg", std::string(StrRes(kRowScanSummary, l)), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
               WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 0, 0, 480, 360, owner, nullptr);
  HWND h = Handle();
  banner_ = std::make_unique<THotImage>(h, 0, 0);
  banner_->FlipPictures = false;
  const SIZE logo = ShowLogoBanner(*this, *banner_, l);
  const int top = logo.cy > 0 ? logo.cy : 64;
  const int width = std::max(480, static_cast<int>(logo.cx));

  labelScanInfo_ = CreateControl("STATIC", std::string(StrRes(kRowResults, l)), WS_VISIBLE | SS_LEFT, 12, top + 10,
                                 width - 24, 18, h, 0);
  ::SendMessageA(labelScanInfo_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().BoldFont()), 0);
  LoadRichEdit();
  // A Unicode control: the texts of every language show as written.
  infoText_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"",
                                 WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_CENTER, 12, top + 32,
                                 width - 24, 170, h, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ::SendMessageA(infoText_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().Font()), 0);
  const int row = top + 32 + 170 + 12;
  cbxDoNotShow_ = CreateControl("BUTTON", std::string(StrRes(kRowDoNotShowAgain, l)), WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                                12, row + 4, width - 140, 20, h, kIdDoNotShow);
  hotOK_ = std::make_unique<THotImage>(h);
  hotOK_->FlipPictures = false;
  hotOK_->SetPicture(TPicture::FromResource(std::string(res::kBtnOk)));
  hotOK_->SetPictureHot(TPicture::FromResource(std::string(res::kBtnOkOver)));
  hotOK_->FlipPictures = true;
  hotOK_->Cursor = ::LoadCursorA(nullptr, IDC_HAND);
  hotOK_->SetHint("OK");
  const SIZE ok = hotOK_->Size();
  hotOK_->SetPosition(width - 12 - ok.cx, row);
  hotOK_->OnClick = [this] { ModalResult = mrOk; };

  RECT client{0, 0, width, row + std::max(28, static_cast<int>(ok.cy)) + 12};
  ::AdjustWindowRectEx(&client, static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_EXSTYLE)));
  ::SetWindowPos(h, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TScanInfoDlg::~TScanInfoDlg() {
  try {
    if (cbxDoNotShow_ && ::SendMessageA(cbxDoNotShow_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
      TRegistrySettingsStore store;
      WriteBoolSetting(store, SettingName, false);
      if (SettingName == "ShowScanDialog") checks_.ShowScanDialog = false;
      else checks_.ShowCleanDialog = false;
    }
  } catch (...) {
    LogBoundaryError("TScanInfoDlg.~TScanInfoDlg");
  }
}

int TScanInfoDlg::Execute() {
  if (!Caption.empty()) SetCaption(Caption);
  std::string text;
  for (std::size_t i = 0; i < Lines.size(); ++i) text += (i ? "\r\n" : "") + Lines[i];
  ::SetWindowTextW(infoText_, Widen(text).c_str());
  Highlight();
  return ShowModal();
}

void TScanInfoDlg::Highlight() {
  TSummaryFigures figures;
  figures.SettingName = SettingName;
  figures.Count = Count;
  figures.FailedCount = FailedCount;
  figures.ElapsedText = ElapsedText;
  figures.SizeText = SizeText;
  figures.CleanWord = std::string(StrRes(kRowCleanWord, Language));
  auto find = [this](const std::string& what, long start) -> long {
    const std::wstring wide = Widen(what);
    FINDTEXTEXW find{};
    find.chrg.cpMin = start;
    find.chrg.cpMax = -1;
    find.lpstrText = wide.c_str();
    return static_cast<long>(::SendMessageW(infoText_, EM_FINDTEXTEXW, FR_DOWN | FR_WHOLEWORD,
                                            reinterpret_cast<LPARAM>(&find)));
  };
  auto length = [](const std::string& what) { return static_cast<long>(Widen(what).size()); };
  for (const THighlight& h : SummaryHighlights(figures, find, length)) {
    CHARRANGE range{h.Position, h.Position + length(h.Text)};
    ::SendMessageW(infoText_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_COLOR | CFM_SIZE;
    format.dwEffects = CFE_BOLD;
    format.yHeight = 10 * 20;
    format.crTextColor = static_cast<COLORREF>(h.Color);
    ::SendMessageW(infoText_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  }
  CHARRANGE start{0, 0};
  ::SendMessageW(infoText_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
}

LRESULT TScanInfoDlg::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK)) {
      ModalResult = mrOk;
      return 0;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
      ModalResult = mrCancel;
      return 0;
    }
  } catch (...) {
    LogBoundaryError("TScanInfoDlg");
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}

}  // namespace tw
