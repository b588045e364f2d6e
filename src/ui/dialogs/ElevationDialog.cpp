#include "ui/dialogs/ElevationDialog.h"

#include <commctrl.h>

#include <iterator>

#include "platform/Text.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/components/FormUtils.h"

namespace tw {

namespace {

constexpr int kRestartButton = 100;
constexpr int kContinueButton = 101;
// More lines than this are summed up with "...".
constexpr std::size_t kMaxLines = 12;

HRESULT CALLBACK ElevationCallback(HWND hwnd, UINT notification, WPARAM, LPARAM, LONG_PTR) {
  if (notification == TDN_CREATED) ::SendMessageW(hwnd, TDM_SET_BUTTON_ELEVATION_REQUIRED_STATE, kRestartButton, TRUE);
  return S_OK;
}

}  // namespace

TElevationChoice AskElevation(HWND owner, int language, const std::vector<std::string>& lines, bool clean) {
  std::string content(StrRes(kRowRightsExplained, language));
  for (std::size_t i = 0; i < lines.size() && i < kMaxLines; ++i) content += "\n\u2022 " + lines[i];
  if (lines.size() > kMaxLines) content += "\n...";
  const std::wstring title = Utf8ToWide(ProgramTitle(language)), heading = Utf8ToWide(StrRes(kRowRightsTitle, language)),
                     text = Utf8ToWide(content), restart = Utf8ToWide(StrRes(kRowRestartAsAdmin, language)),
                     proceed = Utf8ToWide(StrRes(clean ? kRowCleanTheRest : kRowContinue, language));
  const TASKDIALOG_BUTTON buttons[] = {{kRestartButton, restart.c_str()}, {kContinueButton, proceed.c_str()}};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
  config.pszWindowTitle = title.c_str();
  config.pszMainIcon = TD_SHIELD_ICON;
  config.pszMainInstruction = heading.c_str();
  config.pszContent = text.c_str();
  config.cButtons = static_cast<UINT>(std::size(buttons));
  config.pButtons = buttons;
  config.nDefaultButton = kRestartButton;
  config.pfCallback = ElevationCallback;
  // The task dialog comes with version 6 of the common controls (the program's manifest asks for
  // it); without it, a message box asks the same with Yes and No.
  using TTaskDialogIndirect = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
  HMODULE controls = ::GetModuleHandleA("comctl32.dll");
  const auto taskDialog =
      controls ? reinterpret_cast<TTaskDialogIndirect>(::GetProcAddress(controls, "TaskDialogIndirect")) : nullptr;
  int pressed = IDCANCEL;
  if (!taskDialog || FAILED(taskDialog(&config, &pressed, nullptr, nullptr))) {
    const std::wstring question = heading + L"\n\n" + text + L"\n\n" + restart + L"?";
    switch (::MessageBoxW(owner, question.c_str(), title.c_str(), MB_YESNOCANCEL | MB_ICONWARNING)) {
      case IDYES: return TElevationChoice::Restart;
      case IDNO: return TElevationChoice::Continue;
      default: return TElevationChoice::Cancel;
    }
  }
  if (pressed == kRestartButton) return TElevationChoice::Restart;
  if (pressed == kContinueButton) return TElevationChoice::Continue;
  return TElevationChoice::Cancel;
}

}  // namespace tw
