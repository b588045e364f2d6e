#include "ui/dialogs/ScanInfoDialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <algorithm>

#include "platform/Text.h"
#include "settings/RegistrySettings.h"
#include "strings/StrRows.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/portable/ScanInfoHighlights.h"
#include "ui/resources/ResourceNames.h"

namespace tw {
namespace {

enum : int { kIdDoNotShow = 10 };

}  // namespace

TScanInfoDlg::TScanInfoDlg(HWND owner, int language, TCheckSettings& checks) : TDialog(language), checks_(checks) {
  CreateDialogWindow("TScanInfoDlg", RowText(kRowScanSummary), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                     WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 480, 360, owner);
  HWND h = Handle();
  const TBannerPlace banner = ShowBanner(480);
  const int top = banner.Top, width = banner.Width;

  AddHeading(kRowResults, top + 10, width);
  // A Unicode control: the texts of every language show as written.
  infoText_ = CreateTextBox(h, ES_CENTER, WS_EX_CLIENTEDGE, 12, top + 32, width - 24, 170);
  const int row = top + 32 + 170 + 12;
  cbxDoNotShow_ = CreateControl("BUTTON", RowText(kRowDoNotShowAgain), WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 12,
                                row + 4, width - 140, 20, h, kIdDoNotShow);
  hotOK_ = CreatePictureButton(h, std::string(res::kBtnOk), std::string(res::kBtnOkOver), "OK");
  const SIZE ok = hotOK_->Size();
  hotOK_->SetPosition(width - 12 - ok.cx, row);
  hotOK_->OnClick = [this] { ModalResult = mrOk; };
  EndOnCommand(IDOK, mrOk);
  EndOnCommand(IDCANCEL, mrCancel);
  SetClientSize(h, width, row + std::max(28, static_cast<int>(ok.cy)) + 12);
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
  figures.CleanWord = RowText(kRowCleanWord);
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

}  // namespace tw
