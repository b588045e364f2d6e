#pragma once
// Driving a program's windows from another process: waiting, finding its windows and controls by
// class and text, clicking. Shared by the program tests and the screenshot tour.
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Handles.h"

namespace tw::drive {

// A path of the build, given as a Unix path: Wine shows it under drive Z:.
inline std::string WinPath(std::string unixPath) {
  for (char& c : unixPath)
    if (c == '/') c = '\\';
  return "Z:" + unixPath;
}

inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

inline std::string Text(HWND hwnd) {
  char text[4096] = "";
  ::GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

// Every visible top-level window, one "class text" line each: what a failed wait was facing.
inline std::string VisibleWindows() {
  std::string windows;
  ::EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        char name[128];
        ::GetClassNameA(hwnd, name, sizeof name);
        if (::IsWindowVisible(hwnd))
          *reinterpret_cast<std::string*>(param) += std::string(name) + " " + Text(hwnd) + "\n";
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// The top-level windows of class ClassName that process Pid owns, in Z order.
inline std::vector<HWND> TopWindows(DWORD pid, const char* className) {
  struct Search {
    DWORD pid;
    const char* className;
    std::vector<HWND> windows;
  } search{pid, className, {}};
  ::EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        char name[128];
        ::GetClassNameA(hwnd, name, sizeof name);
        if (owner == s->pid && std::string(name) == s->className) s->windows.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.windows;
}
inline HWND TopWindow(DWORD pid, const char* className) {
  const std::vector<HWND> all = TopWindows(pid, className);
  return all.empty() ? nullptr : all.front();
}

// The child of Parent of class ClassName whose text is Text.
inline HWND ChildOf(HWND parent, const char* className, const std::string& text) {
  struct Search {
    const char* className;
    std::string text;
    HWND found;
  } search{className, text, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        char name[128];
        ::GetClassNameA(child, name, sizeof name);
        if (std::string(name) == s->className && Text(child) == s->text) {
          s->found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A click of the left button at a client point of a window.
inline void ClickAt(HWND hwnd, int x, int y) {
  ::PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  ::PostMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Starts Command with this process's standard error, where the program's crash report goes
// should it fail; false when it could not start.
inline bool StartProgram(std::string command, PROCESS_INFORMATION& pi) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  pi = {};
  return ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi) != FALSE;
}

// True when something exists at Path.
inline bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Where the program reads its scan database (the shared application data folder, made when
// missing).
inline std::string DatabasePath() {
  char path[MAX_PATH];
  ::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path);
  const std::string folder = std::string(path) + "\\Tidewhisk\\";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "database.dat";
}

// Writes one of the program's settings (HKCU\Software\Tidewhisk) as it stores them; false when
// the key could not be opened or the value not written.
inline bool WriteSetting(const char* name, DWORD type, const std::string& data) {
  unique_hkey key;
  return ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tidewhisk", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                           key.put(), nullptr) == ERROR_SUCCESS &&
         ::RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

// Runs the console program Cli with Args, without a window, for at most a minute; its exit code
// (-1 when it could not start).
inline int RunCli(const std::string& cli, const std::string& args) {
  std::string command = "\"" + cli + "\" " + args;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return -1;
  unique_handle process(pi.hProcess), thread(pi.hThread);
  ::WaitForSingleObject(process.get(), 60000);
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}

// One run of a program started by a test. A program still running when the run ends is
// terminated; with AskToEnd it is first asked to end, as its tray menu's Exit does (the
// registered message "UM_TERMINATE"), and terminated only after 10 s.
class TProgramRun {
 public:
  explicit TProgramRun(const std::string& program, const std::string& args = {}, bool askToEnd = false)
      : askToEnd_(askToEnd) {
    std::string command = "\"" + program + "\"" + (args.empty() ? "" : " " + args);
    PROCESS_INFORMATION pi{};
    if (!StartProgram(command, pi)) return;
    process_.reset(pi.hProcess);
    unique_handle thread(pi.hThread);
    pid_ = pi.dwProcessId;
  }
  ~TProgramRun() {
    if (!Running()) return;
    if (askToEnd_) {
      ::PostMessageA(Main(), ::RegisterWindowMessageA("UM_TERMINATE"), 0, 0);
      if (::WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0) ::TerminateProcess(process_.get(), 99);
    } else {
      ::TerminateProcess(process_.get(), 99);
      ::WaitForSingleObject(process_.get(), 5000);
    }
  }
  TProgramRun(const TProgramRun&) = delete;
  TProgramRun& operator=(const TProgramRun&) = delete;

  bool Started() const { return static_cast<bool>(process_); }
  DWORD Pid() const { return pid_; }
  bool Running() const { return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  // Milliseconds until the process ended, or -1 when it was still running after Timeout.
  long long WaitExit(std::chrono::milliseconds timeout, DWORD* code = nullptr) const {
    const auto start = std::chrono::steady_clock::now();
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return -1;
    if (code) ::GetExitCodeProcess(process_.get(), code);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  }
  HWND Main() const { return TopWindow(pid_, "TTWMainForm"); }
  HWND Find(const char* className) const { return TopWindow(pid_, className); }
  // The window of the class when it is visible.
  HWND Shown(const char* className) const {
    HWND window = Find(className);
    return window && ::IsWindowVisible(window) ? window : nullptr;
  }

 private:
  bool askToEnd_ = false;
  unique_handle process_;
  DWORD pid_ = 0;
};

}  // namespace tw::drive
