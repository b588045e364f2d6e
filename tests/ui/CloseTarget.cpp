// A program for the close-programs tests: shows one window titled by its second argument and
// either closes when asked ("polite") or ignores WM_CLOSE ("stubborn").
#include <windows.h>

#include <cstring>

namespace {
bool polite = true;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      if (polite) ::DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}
}  // namespace

int main(int argc, char** argv) {
  polite = argc < 2 || std::strcmp(argv[1], "stubborn") != 0;
  const char* title = argc >= 3 ? argv[2] : "close target";
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = "TwCloseTarget";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  ::RegisterClassA(&wc);
  HWND hwnd = ::CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                                nullptr, wc.hInstance, nullptr);
  ::ShowWindow(hwnd, SW_SHOW);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}
