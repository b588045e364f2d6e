#include "ui/components/ThreadedTimer.h"

#include <mutex>

#include "support/Exceptions.h"

namespace tw {

// The thread reads interval and stop under this lock; they are written by the main thread.
static std::mutex& TimerLock() {
  static std::mutex lock;
  return lock;
}

TThreadedTimer::TThreadedTimer(TSynchronizer& sync) : sync_(sync), state_(std::make_shared<TState>()) {
  state_->wake.reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
  if (!state_->wake) throw EOSError("Cannot create the timer's event");
  state_->owner = this;
}

TThreadedTimer::~TThreadedTimer() {
  StopThread();
  state_->owner = nullptr;
}

void TThreadedTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (value)
    StartThread();
  else
    StopThread();
}

void TThreadedTimer::SetInterval(unsigned ms) {
  if (ms == interval_) return;
  interval_ = ms;
  {
    std::lock_guard<std::mutex> guard(TimerLock());
    state_->interval = ms;
  }
  if (thread_.joinable()) ::SetEvent(state_->wake.get());
}

void TThreadedTimer::StartThread() {
  {
    std::lock_guard<std::mutex> guard(TimerLock());
    state_->stop = false;
    state_->interval = interval_;
    state_->allowZero = AllowZero;
  }
  std::shared_ptr<TState> state = state_;
  const unsigned generation = state_->generation;
  TSynchronizer* sync = &sync_;
  const int priority = ThreadPriority;
  thread_ = std::thread([state, generation, sync, priority] {
    ::SetThreadPriority(::GetCurrentThread(), priority);
    for (;;) {
      unsigned interval;
      bool allowZero;
      {
        std::lock_guard<std::mutex> guard(TimerLock());
        if (state->stop) return;
        interval = state->interval;
        allowZero = state->allowZero;
      }
      const DWORD wait = interval == 0 && !allowZero ? INFINITE : interval;
      if (::WaitForSingleObject(state->wake.get(), wait) != WAIT_TIMEOUT) continue;
      // The tick runs in the main thread, where the owner and its generation are kept.
      sync->Queue([state, generation] {
        TThreadedTimer* owner = state->owner;
        if (!owner || state->generation != generation || !owner->enabled_) return;
        if (owner->OnTimer) owner->OnTimer();
      });
    }
  });
}

void TThreadedTimer::StopThread() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(TimerLock());
    state_->stop = true;
  }
  ++state_->generation;
  ::SetEvent(state_->wake.get());
  thread_.join();
}

}  // namespace tw
