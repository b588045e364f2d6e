#pragma once
// The GUI's synchronizer: calls handed over by other threads are queued and run by a hidden
// window of the main thread, in whatever message loop the main thread is in (modal dialogs and
// menus included).
#include <windows.h>

#include "platform/CallQueue.h"
#include "platform/Handles.h"

namespace tw {

class TWindowSynchronizer final : public TCallQueueSynchronizer {
 public:
  // The constructing thread is the main thread; it must run a message loop.
  TWindowSynchronizer();
  // Calls still queued are dropped; threads waiting in Synchronize are released with an error.
  ~TWindowSynchronizer() override;

  HWND Handle() const { return window_.get(); }

 protected:
  void Wake() override;
  // Nobody waits for a queued call: its error is logged.
  void QueuedCallFailed(std::exception_ptr error) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

  unique_hwnd window_;
};

}  // namespace tw
