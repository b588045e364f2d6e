#include "platform/Shell.h"

#include "platform/Text.h"

namespace tw {

TClipboardScope::TClipboardScope(HWND owner) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (::OpenClipboard(owner)) {
      opened_ = true;
      return;
    }
    ::Sleep(10);
  }
}

TClipboardScope::~TClipboardScope() {
  if (opened_) ::CloseClipboard();
}

std::optional<std::string> ReadClipboardText(HWND owner) {
  if (!::IsClipboardFormatAvailable(CF_UNICODETEXT)) return std::nullopt;
  TClipboardScope clipboard(owner);
  return ClipboardText(clipboard);
}

std::optional<std::string> ClipboardText(const TClipboardScope& clipboard) {
  if (!clipboard.Opened() || !::IsClipboardFormatAvailable(CF_UNICODETEXT)) return std::nullopt;
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  if (!data) return std::nullopt;
  TGlobalLock lock(data);
  if (!lock.Data()) return std::nullopt;
  // The text ends at its first null; never read past the memory block.
  const auto* text = static_cast<const wchar_t*>(lock.Data());
  std::size_t length = 0;
  const std::size_t limit = lock.Size() / sizeof(wchar_t);
  while (length < limit && text[length] != L'\0') ++length;
  return Narrow(std::wstring_view(text, length));
}

}  // namespace tw
