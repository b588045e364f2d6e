#include "ui/components/FormUtils.h"

#include "platform/Handles.h"
#include "platform/VersionInfo.h"
#include "strings/StrRes.h"
#include "support/FileIO.h"
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

void ShowMessageOver(const std::string& text, TMessageKind kind, HWND owner) {
  UINT icon = MB_ICONINFORMATION;
  const char* caption = "Information";
  switch (kind) {
    case TMessageKind::Warning: icon = MB_ICONWARNING; caption = "Warning"; break;
    case TMessageKind::Error: icon = MB_ICONERROR; caption = "Error"; break;
    case TMessageKind::Confirmation: icon = MB_ICONQUESTION; caption = "Confirm"; break;
    case TMessageKind::Information: break;
  }
  if (owner) {
    g_centerOwner = owner;
    g_centerHook = ::SetWindowsHookExA(WH_CBT, CenterHook, nullptr, ::GetCurrentThreadId());
  }
  // The owner stays usable when it is hidden in the tray: only a visible owner is disabled.
  HWND parent = owner && ::IsWindowVisible(owner) ? owner : nullptr;
  ::MessageBoxA(parent, text.c_str(), caption, MB_OK | icon | (parent ? 0 : MB_TASKMODAL));
  if (g_centerHook) {
    ::UnhookWindowsHookEx(g_centerHook);
    g_centerHook = nullptr;
  }
}

std::string ProgramTitle(int language) { return std::string(StrRes(0, language)); }

namespace {

BOOL CALLBACK FindHelpWindow(HWND hwnd, LPARAM param) {
  auto* wanted = reinterpret_cast<std::pair<std::string, HWND>*>(param);
  char title[512];
  if (::GetWindowTextA(hwnd, title, sizeof title) > 0 && wanted->first == title) {
    wanted->second = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

void OpenHelp(HWND owner, int language) {
  char windir[MAX_PATH] = "";
  ::GetEnvironmentVariableA("WinDir", windir, sizeof windir);
  std::string viewer = std::string(windir) + "\\hh.exe";
  if (!FileExists(viewer)) viewer = std::string(windir) + "\\System32\\hh.exe";
  if (!FileExists(viewer)) {
    ShowMessageOver("File \"HH.EXE\" not found: Microsoft\xC2\xAE HTML Help Executable.",
                    TMessageKind::Error, owner);
    return;
  }
  const std::string program = ProgramFileName();
  const std::size_t slash = program.find_last_of('\\');
  const std::size_t dot = program.find_last_of('.');
  std::string base = program.substr(slash + 1, dot != std::string::npos && dot > slash ? dot - slash - 1 : std::string::npos);
  std::pair<std::string, HWND> wanted{base, nullptr};
  ::EnumWindows(FindHelpWindow, reinterpret_cast<LPARAM>(&wanted));
  if (wanted.second) {
    if (::IsIconic(wanted.second)) ::ShowWindow(wanted.second, SW_RESTORE);
    ::SetForegroundWindow(wanted.second);
    return;
  }
  const std::string stem = dot != std::string::npos && dot > slash ? program.substr(0, dot) : program;
  const std::string helpFile = stem + (language == 1 ? ".fr.chm" : ".en.chm");
  std::string command = viewer + " \"" + helpFile + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    unique_handle thread(pi.hThread), process(pi.hProcess);
  }
}

}  // namespace tw
