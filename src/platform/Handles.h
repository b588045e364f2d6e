#pragma once
// One owning wrapper for every kind of Win32 handle, closed on every path.
#include <windows.h>

#include <cstdint>
#include <type_traits>
#include <utility>

namespace tw {

// InvalidValue is the integer value of the "no handle" marker (0, or -1 for file handles).
template <class T, auto Close, std::intptr_t InvalidValue = 0>
class unique_any {
  static T InvalidMarker() noexcept {
    if constexpr (std::is_pointer_v<T>) return reinterpret_cast<T>(InvalidValue);
    else return static_cast<T>(InvalidValue);
  }

 public:
  unique_any() noexcept = default;
  explicit unique_any(T value) noexcept : value_(value) {}
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  unique_any(unique_any&& other) noexcept : value_(std::exchange(other.value_, InvalidMarker())) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, InvalidMarker()));
    return *this;
  }
  ~unique_any() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != InvalidMarker(); }
  void reset(T value = InvalidMarker()) noexcept {
    if (value_ != InvalidMarker()) Close(value_);
    value_ = value;
  }
  [[nodiscard]] T release() noexcept { return std::exchange(value_, InvalidMarker()); }
  // Closes what was held, then hands out the address for an out-parameter.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = InvalidMarker();
};

namespace detail {
inline void CloseHandleFn(HANDLE h) noexcept { ::CloseHandle(h); }
inline void FindCloseFn(HANDLE h) noexcept { ::FindClose(h); }
inline void RegCloseKeyFn(HKEY h) noexcept { ::RegCloseKey(h); }
inline void FreeLibraryFn(HMODULE h) noexcept { ::FreeLibrary(h); }
inline void UnmapViewFn(void* p) noexcept { ::UnmapViewOfFile(p); }
inline void DestroyWindowFn(HWND h) noexcept { ::DestroyWindow(h); }
inline void DeleteObjectFn(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void DestroyIconFn(HICON h) noexcept { ::DestroyIcon(h); }
inline void DestroyMenuFn(HMENU h) noexcept { ::DestroyMenu(h); }
}  // namespace detail

using unique_handle = unique_any<HANDLE, detail::CloseHandleFn>;
using unique_hfile = unique_any<HANDLE, detail::CloseHandleFn, -1>;
using unique_hfind = unique_any<HANDLE, detail::FindCloseFn, -1>;
using unique_hkey = unique_any<HKEY, detail::RegCloseKeyFn>;
using unique_hmodule = unique_any<HMODULE, detail::FreeLibraryFn>;
using unique_mapview = unique_any<void*, detail::UnmapViewFn>;
using unique_hwnd = unique_any<HWND, detail::DestroyWindowFn>;
using unique_hgdiobj = unique_any<HGDIOBJ, detail::DeleteObjectFn>;
using unique_hicon = unique_any<HICON, detail::DestroyIconFn>;
using unique_hmenu = unique_any<HMENU, detail::DestroyMenuFn>;

}  // namespace tw
