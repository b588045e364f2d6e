#pragma once
// Running processes and their top-level windows: enumeration, the polite close, the wait and the
// forced end.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Handles.h"

namespace tw {

// One running process: its program's full path as the system reports it (empty when it cannot
// be read) and its id.
struct TRunningProcess {
  std::string Path;
  DWORD ProcessId = 0;
};

// The processes this user may look at, in the system's order. False when the system's list of
// process ids cannot be read (the list is then empty). Processes that cannot be opened for
// querying are left out.
bool EnumerateProcesses(std::vector<TRunningProcess>& list);

// The visible top-level windows of ProcessId in enumeration order; true when there is one.
bool EnumerateWindows(DWORD processId, std::vector<HWND>& handles);

// True while ProcessId can still be opened for querying (it runs and is ours to see).
bool ProcessAlive(DWORD processId);

// How a process met the request to end.
enum class TProcessEnd {
  NotOpened,  // it cannot be opened for waiting and terminating (gone, or not ours to end)
  Ended,      // it ended within the time allowed
  WaitFailed,
  TimedOut,
};

// A process opened for waiting and terminating.
class TProcessHandle {
 public:
  explicit TProcessHandle(DWORD processId);
  bool Opened() const { return static_cast<bool>(handle_); }
  DWORD ProcessId() const { return id_; }
  // Posts Message (both parameters 0) to every visible top-level window of the process, each
  // brought to the front first; returns the windows reached.
  std::vector<HWND> PostToWindows(UINT message) const;
  TProcessEnd Wait(DWORD timeoutMs) const;
  // Ends the process with exit code 0; false when the system refused.
  bool Terminate() const;

 private:
  DWORD id_;
  unique_handle handle_;
};

// Takes the stay-on-top state away from the visible top-level windows of ProcessId and gives it
// back when destroyed.
class TTopmostSuspension {
 public:
  explicit TTopmostSuspension(DWORD processId);
  ~TTopmostSuspension();
  TTopmostSuspension(const TTopmostSuspension&) = delete;
  TTopmostSuspension& operator=(const TTopmostSuspension&) = delete;

 private:
  std::vector<HWND> windows_;
};

}  // namespace tw
