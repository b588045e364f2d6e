#pragma once
// The GUI's synchronizer: calls handed over by other threads are queued and run by a hidden
// window of the main thread, in whatever message loop the main thread is in (modal dialogs and
// menus included).
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Handles.h"
#include "platform/MainThread.h"

namespace tw {

class TWindowSynchronizer final : public TSynchronizer {
 public:
  // The constructing thread is the main thread; it must run a message loop.
  TWindowSynchronizer();
  // Calls still queued are dropped; threads waiting in Synchronize are released with an error.
  ~TWindowSynchronizer() override;
  TWindowSynchronizer(const TWindowSynchronizer&) = delete;
  TWindowSynchronizer& operator=(const TWindowSynchronizer&) = delete;

  void Synchronize(const std::function<void()>& fn) override;
  void Queue(std::function<void()> fn) override;
  void ProcessPending() override;

  bool InMainThread() const { return std::this_thread::get_id() == mainThread_; }
  HWND Handle() const { return window_.get(); }

 private:
  struct Call {
    std::function<void()> fn;
    bool waited = false;
    bool done = false;
    std::exception_ptr error;
  };
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  void Push(std::shared_ptr<Call> call);

  std::thread::id mainThread_;
  unique_hwnd window_;
  std::mutex lock_;
  std::condition_variable finished_;
  std::deque<std::shared_ptr<Call>> calls_;
  bool closing_ = false;
};

}  // namespace tw
