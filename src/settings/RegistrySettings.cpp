#include "settings/RegistrySettings.h"

#include <cstring>

namespace tw {

TRegistrySettingsStore::TRegistrySettingsStore(HKEY root, std::string key)
    : root_(root), key_(std::move(key)) {}

TStoredValue TRegistrySettingsStore::Read(std::string_view name) {
  TStoredValue value;
  unique_hkey key;
  if (::RegOpenKeyExA(root_, key_.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return value;
  const std::string valueName(name);
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return value;
  std::string data(size, '\0');
  if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    return value;
  data.resize(size);
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    value.Kind = TStoredValue::TKind::String;
    const std::size_t nul = data.find('\0');
    value.Text = nul == std::string::npos ? data : data.substr(0, nul);
  } else if (type == REG_DWORD && size == sizeof(DWORD)) {
    value.Kind = TStoredValue::TKind::Dword;
    std::memcpy(&value.Number, data.data(), sizeof(DWORD));
  } else {
    value.Kind = TStoredValue::TKind::Other;
  }
  return value;
}

void TRegistrySettingsStore::WriteString(std::string_view name, std::string_view text) {
  unique_hkey key;
  if (::RegCreateKeyExA(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
    return;
  const std::string valueName(name), data(text);
  ::RegSetValueExA(key.get(), valueName.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
}

void TRegistrySettingsStore::WriteDword(std::string_view name, std::uint32_t value) {
  unique_hkey key;
  if (::RegCreateKeyExA(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
    return;
  const std::string valueName(name);
  const DWORD data = value;
  ::RegSetValueExA(key.get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                   sizeof data);
}

std::vector<std::string> TRegistrySettingsStore::ReadLines(std::string_view name) {
  std::vector<std::string> lines;
  unique_hkey key;
  if (::RegOpenKeyExA(root_, key_.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return lines;
  const std::string valueName(name);
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return lines;
  std::string data(size, '\0');
  if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    return lines;
  data.resize(size);
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    data = data.substr(0, data.find('\0'));
    if (!data.empty()) lines.push_back(data);
  } else if (type == REG_MULTI_SZ) {
    // Strings each ended by a NUL, the list by an empty one; a missing last NUL is forgiven.
    for (std::size_t start = 0; start < data.size();) {
      std::size_t end = data.find('\0', start);
      if (end == std::string::npos) end = data.size();
      if (end == start) break;
      lines.push_back(data.substr(start, end - start));
      start = end + 1;
    }
  }
  return lines;
}

void TRegistrySettingsStore::WriteLines(std::string_view name, const std::vector<std::string>& lines) {
  unique_hkey key;
  if (::RegCreateKeyExA(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
    return;
  std::string data;
  for (const std::string& line : lines)
    if (!line.empty()) data += line + '\0';
  data += '\0';
  if (data.size() == 1) data += '\0';  // an empty list is two NULs
  const std::string valueName(name);
  ::RegSetValueExA(key.get(), valueName.c_str(), 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
}

void UpdateRunValue(TRunValueAction action, const std::string& programPath) {
  unique_hkey key;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS)
    return;
  const std::string name = RunValueName(programPath);
  if (action == TRunValueAction::Remove) {
    ::RegDeleteValueA(key.get(), name.c_str());
  } else {
    const std::string data = RunValueData(programPath);
    ::RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>(data.size() + 1));
  }
  ::RegFlushKey(key.get());
}

}  // namespace tw
