#include "platform/ShellFolders.h"

#include <shlobj.h>
#include <windows.h>

#include "platform/Text.h"

namespace tw {

std::string SpecialFolderPath(int csidl, bool create) {
  char path[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathA(nullptr, path, csidl, create ? TRUE : FALSE)) return {};
  std::string out = path;
  if (!out.empty() && out.back() != '\\') out += '\\';
  return out;
}

std::string SpecialFolderUtf8(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return {};
  std::string out = WideToUtf8(path);
  if (!out.empty() && out.back() != '\\') out += '\\';
  return out;
}

std::string ProgramFolder() {
  char path[MAX_PATH * 4] = {};
  DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
  std::string out(path, n);
  return out.substr(0, out.find_last_of("\\/") + 1);
}

std::string TidewhiskDataFolder() {
  std::string folder = SpecialFolderPath(CSIDL_COMMON_APPDATA, true) + "Tidewhisk\\";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

}  // namespace tw
