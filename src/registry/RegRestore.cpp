#include "registry/RegRestore.h"

#include <windows.h>

#include <cstdlib>

#include "platform/Text.h"
#include "registry/ExRegistry.h"
#include "support/Utf8.h"

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
  return WideToUtf8(CodePageToWide(SystemCodePage(), text));
}

namespace {

std::vector<TRegTextKey> ParseAnyCodePage(std::string_view text) {
  return ParseRegText(IsValidUtf8(text) ? std::string(text) : SystemCodePageToUtf8(text));
}

// A key of the text that is a registry link as it was exported: its one value is the link's
// target.
bool IsLinkKey(const TRegTextKey& key) {
  return key.Values.size() == 1 && key.Values[0].Name == kSymbolicLinkValue &&
         key.Values[0].Type == REG_LINK;
}

}  // namespace

std::vector<std::string> RestorePlan(std::string_view text) {
  std::vector<std::string> names;
  for (const TRegTextKey& key : ParseAnyCodePage(text)) {
    std::string name = RootKeyName(key.Root) + "\\" + key.Path;
    if (names.empty() || names.back() != name) names.push_back(std::move(name));
  }
  return names;
}

TRestoreReport RestoreRegText(std::string_view text) {
  const std::vector<TRegTextKey> keys = ParseAnyCodePage(text);

  TRestoreReport report;
  auto add = [&](TRestoreEntry entry) {
    (entry.Restored ? report.Restored : report.Failed)++;
    report.Entries.push_back(std::move(entry));
  };
  for (const TRegTextKey& key : keys) {
    const std::string keyName = RootKeyName(key.Root) + "\\" + key.Path;
    if (IsLinkKey(key)) {
      // A link comes back as a link to the same place; nothing is written where it points.
      unique_hkey link;
      LONG rc = CreateLinkKey(RootKeyHandle(key.Root), key.Path, KEY_SET_VALUE | KEY_QUERY_VALUE,
                              link);
      const TRegTextValue& target = key.Values[0];
      if (rc == ERROR_SUCCESS)
        rc = ::RegSetValueExW(link.get(), Utf8ToWide(target.Name).c_str(), 0, REG_LINK,
                              reinterpret_cast<const BYTE*>(target.Data.data()),
                              static_cast<DWORD>(target.Data.size()));
      const std::string error = rc == ERROR_SUCCESS ? std::string() : SysErrorMessage(rc);
      add({keyName, {}, true, rc == ERROR_SUCCESS, error});
      add({keyName, target.Name, false, rc == ERROR_SUCCESS, error});
      continue;
    }
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
