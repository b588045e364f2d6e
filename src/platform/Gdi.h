#pragma once
// Owners for device contexts and image lists, released on every path.
#include <windows.h>
#include <commctrl.h>

#include "platform/Handles.h"

namespace tw {

namespace detail {
inline void DeleteDCFn(HDC dc) noexcept { ::DeleteDC(dc); }
inline void ImageListDestroyFn(HIMAGELIST list) noexcept { ::ImageList_Destroy(list); }
}  // namespace detail

// A memory device context (CreateCompatibleDC).
using unique_hdc = unique_any<HDC, detail::DeleteDCFn>;
// An image list of our own (ImageList_Create); never the system's, which the shell keeps.
using unique_himagelist = unique_any<HIMAGELIST, detail::ImageListDestroyFn>;

// The device context of a window (of the screen for no window), from GetDC, released to it.
class unique_window_dc {
 public:
  explicit unique_window_dc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~unique_window_dc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  unique_window_dc(const unique_window_dc&) = delete;
  unique_window_dc& operator=(const unique_window_dc&) = delete;

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  HDC dc_;
};

}  // namespace tw
