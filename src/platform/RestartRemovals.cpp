#include "platform/RestartRemovals.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/RegRead.h"

namespace tw {

namespace {

// Each operation is a pair of NUL-terminated wide strings (source, then target; an empty target
// is a removal).
std::size_t CountPairs(const TRegReadKey& key, const char* name) {
  const std::optional<TRegData> value = key.Value(name);
  if (!value || value->Type != REG_MULTI_SZ) return 0;
  std::vector<wchar_t> data(value->Bytes.size() / sizeof(wchar_t));
  std::memcpy(data.data(), value->Bytes.data(), data.size() * sizeof(wchar_t));
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
  const TRegReadKey key(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager");
  return CountPairs(key, "PendingFileRenameOperations") +
         CountPairs(key, "PendingFileRenameOperations2");
}

}  // namespace tw
