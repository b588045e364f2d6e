#include "platform/Text.h"

#include <windows.h>

#include "support/Exceptions.h"
#include "support/Format.h"
#include "support/Utf8.h"

namespace tw {

std::wstring CodePageToWide(unsigned page, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring out(text.size(), L'\0');  // never more UTF-16 units than bytes
  const int n = ::MultiByteToWideChar(page, 0, text.data(), size, out.data(), size);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::wstring Widen(std::string_view ansi) { return CodePageToWide(CP_ACP, ansi); }

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  int n = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

void AppendWide(std::wstring& out, std::string_view text) {
  if (text.empty()) return;
  const int size = static_cast<int>(text.size());
  const std::size_t at = out.size();
  out.resize(at + text.size());  // never more UTF-16 units than bytes
  const UINT page = IsValidUtf8(text) ? CP_UTF8 : CP_ACP;
  const int n = ::MultiByteToWideChar(page, 0, text.data(), size, out.data() + at, size);
  out.resize(at + static_cast<std::size_t>(n));
}

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring out;
  AppendWide(out, text);
  return out;
}

bool AppendUtf8(std::string& out, std::wstring_view wide) {
  // Unpaired surrogates are replaced here: what the system makes of them differs between
  // versions.
  bool exact = true;
  std::wstring replaced;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const wchar_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      if (exact) replaced.assign(wide);
      exact = false;
      replaced[i] = 0xFFFD;
    }
  }
  if (!exact) wide = replaced;
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  const std::size_t at = out.size();
  out.resize(at + wide.size() * 3);  // at most three bytes per UTF-16 unit
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data() + at, size * 3,
                                      nullptr, nullptr);
  out.resize(at + static_cast<std::size_t>(n));
  return exact;
}

std::string WideToUtf8(std::wstring_view wide) {
  std::string out;
  AppendUtf8(out, wide);
  return out;
}

std::string SysErrorMessage(unsigned long code) {
  char* buffer = nullptr;
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = n && buffer ? std::string(buffer, n) : std::string();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

void RaiseOSError(unsigned long code) {
  throw EOSError(Format("System Error.  Code: %d.\r\n%s", static_cast<long long>(code),
                        SysErrorMessage(code)));
}

void RaiseLastOSError() { RaiseOSError(::GetLastError()); }

}  // namespace tw
