#include "engine/Utility.h"

#include <shlobj.h>

#include <vector>

#include "platform/Com.h"
#include "platform/Handles.h"
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

// NT 4 keeps its service pack as a 16-bit binary value in the registry.
WORD Nt4ServicePack() {
  unique_hkey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Windows", 0,
                      KEY_READ, key.put()) != ERROR_SUCCESS)
    return 0;
  WORD value = 0;
  DWORD type = 0, size = sizeof value;
  if (::RegQueryValueExA(key.get(), "CDSVersion", nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size != 2)
    return 0;
  return value;
}

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
    if (v.platform == VER_PLATFORM_WIN32_NT) {
      if (v.major >= 5 && extended)
        v.servicePack = static_cast<WORD>((ex.wServicePackMajor << 8) | ex.wServicePackMinor);
      else if (v.major == 4)
        v.servicePack = Nt4ServicePack();
    }
    return v;
  }();
  return info;
}

}  // namespace

int OsKind() {
  const VersionInfo& v = Version();
  return OsKindOf(v.platform, v.major, v.minor, v.servicePackText, v.servicePack);
}

bool IsWinNT() { return Version().platform == VER_PLATFORM_WIN32_NT; }

std::string MediaFolder() {
  unique_hkey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_READ, key.put()) != ERROR_SUCCESS)
    return {};
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(key.get(), "MediaPath", nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  std::string value(size, '\0');
  if (::RegQueryValueExA(key.get(), "MediaPath", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
    return {};
  value.resize(std::min<std::size_t>(size, value.size()));
  while (!value.empty() && value.back() == '\0') value.pop_back();
  return WithBackslash(value);
}

DWORD SetPrivilege(const std::string& name, DWORD attributes) {
  if (!IsWinNT()) return 0;
  using OpenProcessTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
  using LookupPrivilegeValueFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, PLUID);
  using AdjustTokenPrivilegesFn =
      BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD);
  unique_hmodule advapi(::LoadLibraryA("advapi32.dll"));
  if (!advapi) return 0;
  auto openToken = reinterpret_cast<OpenProcessTokenFn>(
      ::GetProcAddress(advapi.get(), "OpenProcessToken"));
  auto lookup = reinterpret_cast<LookupPrivilegeValueFn>(
      ::GetProcAddress(advapi.get(), "LookupPrivilegeValueA"));
  auto adjust = reinterpret_cast<AdjustTokenPrivilegesFn>(
      ::GetProcAddress(advapi.get(), "AdjustTokenPrivileges"));
  if (!openToken || !lookup || !adjust) return 0;

  unique_handle token;
  if (!openToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
    RaiseLastOSError();
  TOKEN_PRIVILEGES wanted{};
  wanted.PrivilegeCount = 1;
  if (!lookup(nullptr, name.c_str(), &wanted.Privileges[0].Luid)) RaiseLastOSError();
  wanted.Privileges[0].Attributes = attributes;
  TOKEN_PRIVILEGES previous{};
  DWORD size = sizeof previous;
  if (!adjust(token.get(), FALSE, &wanted, sizeof previous, &previous, &size)) RaiseLastOSError();
  // An adjustment that changed nothing reports no previous state: it was already so.
  return previous.PrivilegeCount == 0 ? attributes : previous.Privileges[0].Attributes;
}

TPrivilegeScope::TPrivilegeScope(std::string name) : name_(std::move(name)) {
  previous_ = SetPrivilege(name_, SE_PRIVILEGE_ENABLED);
  changed_ = IsWinNT();
}

TPrivilegeScope::~TPrivilegeScope() {
  if (!changed_) return;
  try {
    SetPrivilege(name_, previous_);
  } catch (...) {
    ErrorInfo error = DescribeException(std::current_exception());
    LogFile().Write("[SetPrivilege] %s: %s", error.className, error.message);
  }
}

}  // namespace tw
