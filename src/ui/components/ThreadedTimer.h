#pragma once
// A timer whose waiting runs in a thread of its own; each tick runs OnTimer in the main thread.
#include <windows.h>

#include <functional>
#include <memory>
#include <thread>

#include "platform/Handles.h"
#include "platform/MainThread.h"

namespace tw {

class TThreadedTimer {
 public:
  // Ticks are handed to the main thread through Sync.
  explicit TThreadedTimer(TSynchronizer& sync);
  ~TThreadedTimer();
  TThreadedTimer(const TThreadedTimer&) = delete;
  TThreadedTimer& operator=(const TThreadedTimer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  unsigned Interval() const { return interval_; }
  // A new interval restarts the current wait.
  void SetInterval(unsigned ms);
  // An interval of 0 ticks continuously only when AllowZero is set; otherwise it never ticks.
  bool AllowZero = false;
  int ThreadPriority = THREAD_PRIORITY_NORMAL;
  std::function<void()> OnTimer;

 private:
  // State shared with the thread and with ticks still on their way to the main thread.
  struct TState {
    unique_handle wake;
    unsigned interval = 1000;
    bool allowZero = false;
    bool stop = false;
    unsigned generation = 0;  // changes whenever the timer is stopped: late ticks are dropped
    TThreadedTimer* owner = nullptr;
  };
  void StartThread();
  void StopThread();

  TSynchronizer& sync_;
  std::shared_ptr<TState> state_;
  std::thread thread_;
  bool enabled_ = false;
  unsigned interval_ = 1000;
};

}  // namespace tw
