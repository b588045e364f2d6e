#include "engine/Utility.h"

#include <shlobj.h>

#include <vector>

#include "platform/Com.h"
#include "platform/Handles.h"
#include "platform/RegRead.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "support/LogFile.h"

namespace tw {

std::string GetEnvVar(const std::string& name) {
  std::vector<char> buffer(256);
  for (;;) {
    DWORD n = ::GetEnvironmentVariableA(name.c_str(), buffer.data(),
                                        static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(n + 1);
  }
}

std::string ExpandEnvPath(const std::string& text) { return ExpandEnvPathWith(text, GetEnvVar); }

std::string SpecialFolderPath(int csidl) {
  if (csidl < 0) return {};
  return SpecialFolderPath(csidl, true);
}

std::string ResolveFolderMacro(const std::string& text) {
  return ResolveFolderMacroWith(text, [](int id) { return SpecialFolderPath(id); });
}

std::string ShellNormalizePath(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return path;
  ComPtr<IShellFolder> desktop;
  if (FAILED(::SHGetDesktopFolder(desktop.put()))) return path;
  std::wstring wide = Widen(path);
  unique_pidl pidl;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, pidl.put(), nullptr)))
    return path;
  char buffer[MAX_PATH * 2] = {};
  BOOL ok = ::SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(pidl.get()), buffer);
  return ok ? std::string(buffer) : path;
}

bool IsSystemFolder(const std::string& path) { return IsSystemFolderWith(path, GetEnvVar); }

std::string WindowsFolder() {
  char buffer[MAX_PATH] = {};
  UINT n = ::GetWindowsDirectoryA(buffer, MAX_PATH);
  return WithBackslash(std::string(buffer, n < MAX_PATH ? n : 0));
}

std::string SystemFolder() {
  char buffer[MAX_PATH] = {};
  UINT n = ::GetSystemDirectoryA(buffer, MAX_PATH);
  return WithBackslash(std::string(buffer, n < MAX_PATH ? n : 0));
}

namespace {

struct VersionInfo {
  DWORD platform = 0, major = 0, minor = 0;
  std::string servicePackText;
  WORD servicePack = 0;
};

const VersionInfo& Version() {
  static const VersionInfo info = [] {
    VersionInfo v;
    OSVERSIONINFOEXA ex{};
    ex.dwOSVersionInfoSize = sizeof ex;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    bool extended = ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex)) != FALSE;
    if (!extended) {
      ex.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
      if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex))) return v;
    }
#pragma GCC diagnostic pop
    v.platform = ex.dwPlatformId;
    v.major = ex.dwMajorVersion;
    v.minor = ex.dwMinorVersion;
    std::string text = ex.szCSDVersion;
    std::size_t first = text.find_first_not_of(' ');
    std::size_t last = text.find_last_not_of(' ');
    v.servicePackText = first == std::string::npos ? "" : text.substr(first, last - first + 1);
    if (extended) v.servicePack = static_cast<WORD>((ex.wServicePackMajor << 8) | ex.wServicePackMinor);
    return v;
  }();
  return info;
}

}  // namespace

std::string ResolvePlaceText(const std::string& text) {
  if (text.find("CSIDL_") != std::string::npos) return ResolveFolderMacro(text);
  if (text == "%TEMP%" && VistaOrLater(OsKind())) return ExpandEnvPath("%LOCALAPPDATA%\\Temp");
  return ExpandEnvPath(text);
}

int OsKind() {
  const VersionInfo& v = Version();
  return OsKindOf(v.platform, v.major, v.minor, v.servicePackText, v.servicePack);
}

std::string MediaFolder() {
  const std::optional<std::string> value =
      TRegReadKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion").Text("MediaPath");
  return value ? WithBackslash(*value) : std::string();
}

DWORD SetPrivilege(const std::string& name, DWORD attributes) {
  unique_handle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
    RaiseLastOSError();
  TOKEN_PRIVILEGES wanted{};
  wanted.PrivilegeCount = 1;
  if (!::LookupPrivilegeValueA(nullptr, name.c_str(), &wanted.Privileges[0].Luid)) RaiseLastOSError();
  wanted.Privileges[0].Attributes = attributes;
  TOKEN_PRIVILEGES previous{};
  DWORD size = sizeof previous;
  if (!::AdjustTokenPrivileges(token.get(), FALSE, &wanted, sizeof previous, &previous, &size)) RaiseLastOSError();
  // An adjustment that changed nothing reports no previous state: it was already so.
  return previous.PrivilegeCount == 0 ? attributes : previous.Privileges[0].Attributes;
}

TPrivilegeScope::TPrivilegeScope(std::string name) : name_(std::move(name)) {
  previous_ = SetPrivilege(name_, SE_PRIVILEGE_ENABLED);
}

TPrivilegeScope::~TPrivilegeScope() {
  try {
    SetPrivilege(name_, previous_);
  } catch (...) {
    ErrorInfo error = DescribeException(std::current_exception());
    LogFile().Write("[SetPrivilege] %s: %s", error.className, error.message);
  }
}

TIconEnvironment SystemIconEnvironment() {
  TIconEnvironment env;
  env.ExpandEnvPath = [](const std::string& s) { return ExpandEnvPath(s); };
  env.ResolveFolderMacro = [](const std::string& s) { return ResolveFolderMacro(s); };
  env.ShellNormalizePath = [](const std::string& s) { return ShellNormalizePath(s); };
  env.CsidlFromName = [](const std::string& s) { return CsidlFromName(s); };
  return env;
}

}  // namespace tw
