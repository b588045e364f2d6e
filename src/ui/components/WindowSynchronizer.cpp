#include "ui/components/WindowSynchronizer.h"

#include "support/Exceptions.h"
#include "support/LogFile.h"

namespace tw {
namespace {

constexpr UINT kWmRunQueued = WM_APP + 1;
constexpr const char* kClassName = "TwSynchronizerWindow";

}  // namespace

TWindowSynchronizer::TWindowSynchronizer() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = kClassName;
  ::RegisterClassA(&wc);  // fails harmlessly when already registered
  window_.reset(::CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr));
  if (!window_) throw EOSError("Cannot create the synchronizer window");
  ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TWindowSynchronizer::~TWindowSynchronizer() {
  Close();
  ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
}

void TWindowSynchronizer::Wake() { ::PostMessageA(window_.get(), kWmRunQueued, 0, 0); }

void TWindowSynchronizer::QueuedCallFailed(std::exception_ptr error) {
  ErrorInfo info = DescribeException(error);
  LogFile().Write("[TWindowSynchronizer.Queue] %s: %s", info.className, info.message);
}

LRESULT CALLBACK TWindowSynchronizer::WindowProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                 LPARAM lParam) noexcept {
  if (msg == kWmRunQueued) {
    auto* self = reinterpret_cast<TWindowSynchronizer*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    try {
      if (self) self->ProcessPending();
    } catch (...) {
      // Nothing leaves a window procedure; queued errors were logged already.
    }
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace tw
