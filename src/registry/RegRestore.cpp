#include "registry/RegRestore.h"

#include <windows.h>

#include <cstdlib>

#include "platform/Text.h"
#include "registry/ExRegistry.h"

namespace tw {

namespace {

// The system's ANSI code page (not the process's, which the program sets to UTF-8).
UINT SystemCodePage() {
  char text[16] = {};
  if (::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, text, sizeof text)) {
    const UINT page = static_cast<UINT>(std::strtoul(text, nullptr, 10));
    if (page != 0 && page != CP_UTF8) return page;
  }
  return 1252;
}

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

}  // namespace

std::string SystemCodePageToUtf8(std::string_view text) {
  if (text.empty()) return {};
  const UINT page = SystemCodePage();
  const int n =
      ::MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string wide(static_cast<std::size_t>(n), u'\0');
  ::MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(wide.data()), n);
  std::string out;
  Utf16ToUtf8(wide, out);
  return out;
}

TRestoreReport RestoreRegText(std::string_view text) {
  const std::string utf8 = IsValidUtf8(text) ? std::string(text) : SystemCodePageToUtf8(text);
  const std::vector<TRegTextKey> keys = ParseRegText(utf8);

  TRestoreReport report;
  auto add = [&](TRestoreEntry entry) {
    (entry.Restored ? report.Restored : report.Failed)++;
    report.Entries.push_back(std::move(entry));
  };
  for (const TRegTextKey& key : keys) {
    const std::string keyName = RootKeyName(key.Root) + "\\" + key.Path;
    TExRegistry reg(KEY_SET_VALUE | KEY_QUERY_VALUE);
    reg.RootKey = RootKeyHandle(key.Root);
    TRestoreEntry keyEntry{keyName, {}, true, reg.OpenKey(key.Path, true), {}};
    if (!keyEntry.Restored) keyEntry.Error = SysErrorMessage(::GetLastError());
    const bool opened = keyEntry.Restored;
    add(std::move(keyEntry));
    for (const TRegTextValue& value : key.Values) {
      TRestoreEntry entry{keyName, value.Name, false, false, {}};
      if (!opened) {
        entry.Error = "the key could not be opened";
      } else {
        std::string data = value.Data;
        if (IsStringType(value.Type) && !IsValidUtf8(data)) data = SystemCodePageToUtf8(data);
        try {
          reg.WriteValue(value.Name, value.Type, data);
          entry.Restored = true;
        } catch (const ERegistryException& e) {
          entry.Error = e.what();
        }
      }
      add(std::move(entry));
    }
  }
  return report;
}

}  // namespace tw
