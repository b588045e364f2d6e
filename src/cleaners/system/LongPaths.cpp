#include "cleaners/system/LongPaths.h"

#include <atomic>

#include "platform/Handles.h"
#include "platform/Text.h"

namespace tw::file_clean {

bool SameTextIgnoreCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring LongPath(std::wstring wide) {
  if (wide.starts_with(kLongPrefix)) return wide;
  if (wide.starts_with(L"\\\\.\\")) return std::wstring(kLongPrefix) + wide.substr(4);
  if (wide.starts_with(L"\\\\")) return std::wstring(kLongUncPrefix) + wide.substr(2);
  return std::wstring(kLongPrefix) + wide;
}

std::wstring LongPath(std::string_view fullPath) { return LongPath(Utf8ToWide(fullPath)); }

std::wstring NormalPath(std::wstring path) {
  if (path.starts_with(kLongUncPrefix)) return L"\\" + path.substr(kLongUncPrefix.size() - 1);
  if (path.starts_with(kLongPrefix) && path.size() >= 6 && path[5] == L':')
    return path.substr(kLongPrefix.size());
  return path;
}

std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return {};
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
    if (n == 0) return path;
    if (n < out.size()) {
      out.resize(n);
      return NormalPath(std::move(out));
    }
    out.resize(n);
  }
}

std::wstring FinalPath(const std::wstring& longPath, DWORD& error) {
  unique_hfile handle(::CreateFileW(longPath.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) {
    error = ::GetLastError();
    return {};
  }
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetFinalPathNameByHandleW(handle.get(), out.data(), static_cast<DWORD>(out.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) {
      error = ::GetLastError();
      return {};
    }
    if (n < out.size()) {
      out.resize(n);
      return NormalPath(std::move(out));
    }
    out.resize(n);
  }
}

std::wstring WithBackslash(std::wstring path) {
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path;
}

std::wstring WithoutBackslash(std::wstring path) {
  while (path.size() > 1 && path.back() == L'\\') path.pop_back();
  return path;
}

HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry) {
  static std::atomic<bool> largeFetch{true};
  if (largeFetch) {
    HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &entry,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_INVALID_PARAMETER) return find;
    largeFetch = false;
  }
  return ::FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &entry, FindExSearchNameMatch,
                            nullptr, 0);
}

}  // namespace tw::file_clean
