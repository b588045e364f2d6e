#include "database/DefaultBrowser.h"

#include <windows.h>

#include "database/portable/IconSources.h"
#include "platform/RegRead.h"

namespace tw {
namespace {

// The value Name (empty: the default value) of Root\Path as text; empty when the key or the
// value is missing.
std::string DefaultValue(HKEY root, const std::string& path, const char* name = "") {
  return TRegReadKey(root, path).Text(name).value_or("");
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
