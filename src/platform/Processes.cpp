#include "platform/Processes.h"

#include <psapi.h>

namespace tw {

namespace {

constexpr DWORD kQueryAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

// The program path of an open process: the full image name, else the first module's file.
std::string ImagePath(HANDLE process) {
  char buffer[MAX_PATH * 4];
  DWORD size = sizeof buffer;
  if (::QueryFullProcessImageNameA(process, 0, buffer, &size)) return std::string(buffer, size);
  HMODULE module = nullptr;
  DWORD needed = 0;
  if (!::EnumProcessModules(process, &module, sizeof module, &needed) || !module) return {};
  const DWORD length = ::GetModuleFileNameExA(process, module, buffer, sizeof buffer);
  return std::string(buffer, length);
}

struct TWindowSearch {
  DWORD processId;
  std::vector<HWND>* handles;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam) noexcept {
  auto* search = reinterpret_cast<TWindowSearch*>(lParam);
  if (!(::GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VISIBLE)) return TRUE;
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search->processId) search->handles->push_back(hwnd);
  return TRUE;
}

}  // namespace

bool EnumerateProcesses(std::vector<TRunningProcess>& list) {
  list.clear();
  // The list of ids grows until the system's answer leaves room to spare.
  std::vector<DWORD> ids(1024);
  DWORD bytes = 0;
  for (;;) {
    const DWORD capacity = static_cast<DWORD>(ids.size() * sizeof(DWORD));
    if (!::EnumProcesses(ids.data(), capacity, &bytes)) return false;
    if (bytes < capacity) break;
    ids.resize(ids.size() * 2);
  }
  ids.resize(bytes / sizeof(DWORD));
  for (DWORD id : ids) {
    if (id == 0) continue;
    unique_handle process(::OpenProcess(kQueryAccess, FALSE, id));
    if (!process) continue;
    list.push_back({ImagePath(process.get()), id});
  }
  return true;
}

bool EnumerateWindows(DWORD processId, std::vector<HWND>& handles) {
  handles.clear();
  TWindowSearch search{processId, &handles};
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return !handles.empty();
}

bool ProcessAlive(DWORD processId) {
  unique_handle process(::OpenProcess(kQueryAccess, FALSE, processId));
  if (!process) return false;
  DWORD code = 0;
  return ::GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE;
}

TProcessHandle::TProcessHandle(DWORD processId)
    : id_(processId), handle_(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId)) {}

std::vector<HWND> TProcessHandle::PostToWindows(UINT message) const {
  std::vector<HWND> windows;
  EnumerateWindows(id_, windows);
  for (HWND hwnd : windows) {
    ::SetForegroundWindow(hwnd);
    ::PostMessageA(hwnd, message, 0, 0);
  }
  return windows;
}

TProcessEnd TProcessHandle::Wait(DWORD timeoutMs) const {
  if (!handle_) return TProcessEnd::NotOpened;
  // Messages that other threads send to this one are answered while waiting: a closing program
  // may send to our windows (activation moves to them) and would otherwise wait for us.
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  HANDLE process = handle_.get();
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now >= end ? 0 : static_cast<DWORD>(end - now);
    switch (::MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_SENDMESSAGE)) {
      case WAIT_OBJECT_0: return TProcessEnd::Ended;
      case WAIT_OBJECT_0 + 1: {
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        continue;
      }
      case WAIT_TIMEOUT: return TProcessEnd::TimedOut;
      case WAIT_FAILED: return TProcessEnd::WaitFailed;
      default: return TProcessEnd::NotOpened;
    }
  }
}

bool TProcessHandle::Terminate() const {
  if (!handle_ || !::TerminateProcess(handle_.get(), 0)) return false;
  // The end is final only once the process has gone.
  return Wait(5000) == TProcessEnd::Ended;
}

TTopmostSuspension::TTopmostSuspension(DWORD processId) {
  std::vector<HWND> windows;
  EnumerateWindows(processId, windows);
  for (HWND hwnd : windows) {
    if (!(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST)) continue;
    ::SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    windows_.push_back(hwnd);
  }
}

TTopmostSuspension::~TTopmostSuspension() {
  for (HWND hwnd : windows_)
    if (::IsWindow(hwnd))
      ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace tw
