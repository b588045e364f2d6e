// The floor of bench/registry_scan, and its fixture. Under HKEY_CURRENT_USER:
//   bare_reg_walk.exe build PATH N   N keys below PATH: N/4 class keys "{...}", each with the
//                                    subkeys InprocServer32, DefaultIcon and ProgID; one server
//                                    in a hundred names a file that does not exist
//   bare_reg_walk.exe walk PATH      every key below PATH: RegEnumKeyEx, RegOpenKeyEx and
//                                    RegQueryValueEx of its default value, with nothing around
//   bare_reg_walk.exe drop PATH      removes PATH
// The walk prints {"count":keys,"bytes":default value bytes}.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr REGSAM kView = KEY_WOW64_64KEY;

std::wstring Widen(const char* text) {
  std::wstring out;
  while (*text) out += static_cast<wchar_t>(*text++);
  return out;
}

HKEY CreateKey(HKEY parent, const std::wstring& name) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    std::fwprintf(stderr, L"cannot create %ls\n", name.c_str());
    std::exit(1);
  }
  return key;
}

void SetValue(HKEY key, const wchar_t* name, DWORD type, const std::wstring& text) {
  ::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetDefault(HKEY key, DWORD type, const std::wstring& text) {
  SetValue(key, nullptr, type, text);
}

int Build(const std::wstring& path, long keys) {
  // Servers as a registry holds them: full paths, variables, quoted paths with blanks.
  const std::vector<std::pair<DWORD, std::wstring>> servers = {
      {REG_SZ, L"C:\\windows\\system32\\ole32.dll"},
      {REG_EXPAND_SZ, L"%SystemRoot%\\system32\\shell32.dll"},
      {REG_SZ, L"\"C:\\windows\\system32\\oleaut32.dll\""},
      {REG_EXPAND_SZ, L"%windir%\\system32\\comctl32.dll"},
      {REG_SZ, L"C:\\windows\\system32\\urlmon.dll"},
  };
  HKEY root = CreateKey(HKEY_CURRENT_USER, path);
  const long classes = keys / 4;
  for (long i = 0; i < classes; ++i) {
    wchar_t name[64];
    std::swprintf(name, 64, L"{00000000-0000-0000-0000-%012ld}", i);
    HKEY cls = CreateKey(root, name);
    SetDefault(cls, REG_SZ, L"Bench class");
    HKEY server = CreateKey(cls, L"InprocServer32");
    if (i % 100 == 99) {
      wchar_t gone[64];
      std::swprintf(gone, 64, L"C:\\tw_bench_gone\\server%ld.dll", i);
      SetDefault(server, REG_SZ, gone);
    } else {
      const auto& [type, text] = servers[i % servers.size()];
      SetDefault(server, type, text);
    }
    SetValue(server, L"ThreadingModel", REG_SZ, L"Apartment");
    ::RegCloseKey(server);
    HKEY icon = CreateKey(cls, L"DefaultIcon");
    SetDefault(icon, REG_EXPAND_SZ, L"%SystemRoot%\\system32\\shell32.dll,-3");
    ::RegCloseKey(icon);
    HKEY progId = CreateKey(cls, L"ProgID");
    SetDefault(progId, REG_SZ, L"Bench.Class.1");
    ::RegCloseKey(progId);
    ::RegCloseKey(cls);
  }
  ::RegCloseKey(root);
  std::printf("{\"count\":%ld}\n", classes * 4);
  return 0;
}

void Walk(HKEY key, std::int64_t& count, std::int64_t& bytes) {
  std::vector<wchar_t> name(256);
  BYTE data[1024];
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    if (::RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    HKEY child = nullptr;
    if (::RegOpenKeyExW(key, name.data(), 0, KEY_READ | kView, &child) != ERROR_SUCCESS) continue;
    ++count;
    DWORD type = 0, size = sizeof data;
    if (::RegQueryValueExW(child, nullptr, nullptr, &type, data, &size) == ERROR_SUCCESS)
      bytes += size;
    Walk(child, count, bytes);
    ::RegCloseKey(child);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: bare_reg_walk build|walk|drop PATH [N]\n", stderr);
    return 2;
  }
  const std::string mode = argv[1];
  const std::wstring path = Widen(argv[2]);
  if (mode == "build" && argc == 4) return Build(path, std::atol(argv[3]));
  if (mode == "drop")
    return ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()) == ERROR_SUCCESS ? 0 : 1;
  if (mode != "walk") return 2;
  HKEY root = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | kView, &root) != ERROR_SUCCESS)
    return 1;
  std::int64_t count = 0, bytes = 0;
  Walk(root, count, bytes);
  ::RegCloseKey(root);
  std::printf("{\"count\":%lld,\"bytes\":%lld}\n", static_cast<long long>(count),
              static_cast<long long>(bytes));
  return 0;
}
