#include "ui/components/FormUtils.h"

#include <shellapi.h>

#include "platform/Handles.h"
#include "platform/ShellFolders.h"
#include "platform/VersionInfo.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/FileIO.h"
#include "support/Format.h"
#include "ui/components/portable/Placement.h"

namespace tw {

TRegisteredMessages& RegisteredMessages() {
  static TRegisteredMessages messages;
  return messages;
}

void RegisterProgramMessages() {
  TRegisteredMessages& m = RegisteredMessages();
  m.Removal = ::RegisterWindowMessageA("UM_REMOVAL");
  m.Terminate = ::RegisterWindowMessageA("UM_TERMINATE");
  m.ShowWindow = ::RegisterWindowMessageA("UM_SHOWWINDOW");
  m.TaskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
}

void CenterOverForm(HWND owner, HWND dialog) {
  if (!owner || !dialog) return;
  RECT o{}, d{};
  ::GetWindowRect(owner, &o);
  ::GetWindowRect(dialog, &d);
  const int width = d.right - d.left, height = d.bottom - d.top;
  const int left = CenterCoordinate(o.left, o.right - o.left, width, ::GetSystemMetrics(SM_CXSCREEN));
  const int top = CenterCoordinate(o.top, o.bottom - o.top, height, ::GetSystemMetrics(SM_CYSCREEN));
  ::SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

HWND g_centerOwner = nullptr;
HHOOK g_centerHook = nullptr;

// Centres the message box over its owner when it is activated for the first time.
LRESULT CALLBACK CenterHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HCBT_ACTIVATE) {
    CenterOverForm(g_centerOwner, reinterpret_cast<HWND>(wParam));
    ::UnhookWindowsHookEx(g_centerHook);
    g_centerHook = nullptr;
    return 0;
  }
  return ::CallNextHookEx(g_centerHook, code, wParam, lParam);
}

}  // namespace

void ShowMessageOver(const std::string& text, TMessageKind kind, HWND owner, int language) {
  UINT icon = MB_ICONINFORMATION;
  int captionRow = kRowCaptionInformation;
  switch (kind) {
    case TMessageKind::Warning: icon = MB_ICONWARNING; captionRow = kRowCaptionWarning; break;
    case TMessageKind::Error: icon = MB_ICONERROR; captionRow = kRowCaptionError; break;
    case TMessageKind::Confirmation: icon = MB_ICONQUESTION; captionRow = kRowCaptionConfirm; break;
    case TMessageKind::Information: break;
  }
  const std::string caption(StrRes(captionRow, language));
  if (owner) {
    g_centerOwner = owner;
    g_centerHook = ::SetWindowsHookExA(WH_CBT, CenterHook, nullptr, ::GetCurrentThreadId());
  }
  // The owner stays usable when it is hidden in the tray: only a visible owner is disabled.
  HWND parent = owner && ::IsWindowVisible(owner) ? owner : nullptr;
  ::MessageBoxA(parent, text.c_str(), caption.c_str(), MB_OK | icon | (parent ? 0 : MB_TASKMODAL));
  if (g_centerHook) {
    ::UnhookWindowsHookEx(g_centerHook);
    g_centerHook = nullptr;
  }
}

std::string ProgramTitle(int language) { return std::string(StrRes(kRowProgramName, language)); }

std::string HelpFilePath(const std::string& programFolder, int language) {
  return programFolder + "help\\" + (language == 1 ? "fr" : "en") + "\\index.html";
}

void OpenHelp(HWND owner, int language) {
  const std::string page = HelpFilePath(ProgramFolder(), language);
  if (!FileExists(page)) {
    ShowMessageOver(Format(std::string(StrRes(kRowHelpNotFound, language)), page), TMessageKind::Error, owner,
                    language);
    return;
  }
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteA(owner, "open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32)
    ShowMessageOver(Format(std::string(StrRes(kRowNoHelpProgram, language)), page), TMessageKind::Error, owner,
                    language);
}

}  // namespace tw
