#pragma once
// Running this thread's message loop in a test: until a condition holds, or for a while.
#include <windows.h>

#include <chrono>
#include <functional>

#include "ui/components/Window.h"

namespace tw {

inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done() && std::chrono::steady_clock::now() < end) {
    Application().ProcessMessages();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return done();
}

inline void Pump(std::chrono::milliseconds time = std::chrono::milliseconds(50)) {
  const auto end = std::chrono::steady_clock::now() + time;
  do {
    Application().ProcessMessages();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (std::chrono::steady_clock::now() < end);
}

}  // namespace tw
