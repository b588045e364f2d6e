#include "platform/RestartRemovals.h"

#include <windows.h>

#include <vector>

#include "platform/Handles.h"

namespace tw {

namespace {

// Each operation is a pair of NUL-terminated wide strings (source, then target; an empty target
// is a removal).
std::size_t CountPairs(HKEY key, const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ)
    return 0;
  std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    return 0;
  data.resize(size / sizeof(wchar_t));
  std::size_t strings = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] != L'\0') continue;
    // A source is never empty: an empty string where a source would stand ends the list.
    if (i == start && strings % 2 == 0) break;
    ++strings;
    start = i + 1;
  }
  return strings / 2;
}

}  // namespace

std::size_t PendingRestartRemovals() {
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE,
                      key.put()) != ERROR_SUCCESS)
    return 0;
  return CountPairs(key.get(), L"PendingFileRenameOperations") +
         CountPairs(key.get(), L"PendingFileRenameOperations2");
}

}  // namespace tw
