#pragma once
// Owners for pieces of the shell and the window station: item identifier lists, the clipboard,
// locked global memory and the process error mode.
#include <objbase.h>
#include <shtypes.h>
#include <windows.h>

#include <optional>
#include <string>

#include "platform/Handles.h"

namespace tw {

namespace detail {
inline void CoTaskMemFreeFn(ITEMIDLIST* p) noexcept { ::CoTaskMemFree(p); }
}  // namespace detail

// An item identifier list from the shell allocator (absolute or relative to its folder).
using unique_pidl = unique_any<ITEMIDLIST*, detail::CoTaskMemFreeFn>;

// Keeps the clipboard open for its lifetime. Another program may hold it for a moment, so the
// constructor tries for a short while; Opened() tells whether it succeeded.
class TClipboardScope {
 public:
  explicit TClipboardScope(HWND owner);
  ~TClipboardScope();
  TClipboardScope(const TClipboardScope&) = delete;
  TClipboardScope& operator=(const TClipboardScope&) = delete;
  bool Opened() const noexcept { return opened_; }

 private:
  bool opened_ = false;
};

// The text on the open clipboard (its Unicode form, which the system also offers for plain
// text); nothing when it holds no text.
std::optional<std::string> ClipboardText(const TClipboardScope& clipboard);
// The same, opening the clipboard for the call; nothing when it cannot be opened.
std::optional<std::string> ReadClipboardText(HWND owner);

// The memory of a global handle, locked for the object's lifetime.
class TGlobalLock {
 public:
  explicit TGlobalLock(HGLOBAL memory) : memory_(memory), data_(::GlobalLock(memory)) {}
  ~TGlobalLock() {
    if (data_) ::GlobalUnlock(memory_);
  }
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  void* Data() const noexcept { return data_; }
  SIZE_T Size() const noexcept { return data_ ? ::GlobalSize(memory_) : 0; }

 private:
  HGLOBAL memory_;
  void* data_;
};

// Sets the process error mode for the object's lifetime and then puts the previous one back.
class TErrorModeScope {
 public:
  explicit TErrorModeScope(UINT mode) : previous_(::SetErrorMode(mode)) {}
  ~TErrorModeScope() { ::SetErrorMode(previous_); }
  TErrorModeScope(const TErrorModeScope&) = delete;
  TErrorModeScope& operator=(const TErrorModeScope&) = delete;

 private:
  UINT previous_;
};

}  // namespace tw
