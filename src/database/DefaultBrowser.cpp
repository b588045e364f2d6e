#include "database/DefaultBrowser.h"

#include <windows.h>

#include <vector>

#include "database/portable/IconSources.h"
#include "platform/Handles.h"

namespace tw {
namespace {

// The default value of Root\Path as text; empty when the key or the value is missing.
std::string DefaultValue(HKEY root, const std::string& path, const char* name = nullptr) {
  unique_hkey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0)
    return {};
  std::vector<char> data(size + 1, '\0');
  if (::RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
      ERROR_SUCCESS)
    return {};
  return std::string(data.data());
}

}  // namespace

std::string DefaultBrowserCommand() {
  // Windows 8 and later keep the user's choice per protocol; its class holds the command.
  const std::string progId = DefaultValue(
      HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice",
      "ProgId");
  if (!progId.empty()) {
    const std::string command = DefaultValue(HKEY_CLASSES_ROOT, progId + "\\shell\\open\\command");
    if (!command.empty()) return command;
  }
  return DefaultValue(HKEY_CLASSES_ROOT, "http\\shell\\open\\command");
}

std::string DefaultBrowserPath(const std::function<std::string(const std::string&)>& normalize) {
  const std::string command = DefaultBrowserCommand();
  if (command.empty()) return {};
  const std::string program = CommandProgram(command);
  if (normalize && ::GetFileAttributesA(program.c_str()) != INVALID_FILE_ATTRIBUTES) return normalize(program);
  return program;
}

int DefaultBrowserKind(const std::function<std::string(const std::string&)>& normalize) {
  return BrowserKindOf(DefaultBrowserPath(normalize));
}

}  // namespace tw
