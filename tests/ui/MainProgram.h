#pragma once
// What the tests of the real Tidewhisk.exe share: the program started from outside, the settings
// key it keeps, its ready and results lists read through their messages, and what twcli finds
// in a mode to compare the program's results with.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cleaners/system/KeptCookies.h"
#include "ui/ProgramDriver.h"
#include "platform/Handles.h"
#include "platform/UrlCache.h"
#include "registry/BackupFiles.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "ui/components/WindowMessages.h"
#include "platform/Text.h"
#include "ui/components/GroupedList.h"
#include "ui/main/portable/ReadyRules.h"

namespace tw::main_program {

using namespace std::chrono_literals;

using drive::WinPath;
inline const std::string kProgram = WinPath(TW_PROGRAM);
inline const std::string kDatabaseSource = WinPath(TW_DATABASE);

constexpr const char* kKey = "Software\\Tidewhisk";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The splash window shows 2.5 s + 2 s and lingers 1 s before the database loads.
constexpr auto kStartup = 30s;  // generous: a loaded machine starts Wine slowly

inline std::string DataFolder() {
  char path[MAX_PATH];
  ::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path);
  return std::string(path) + "\\Tidewhisk\\";
}
inline std::string DatabasePath() { return DataFolder() + "database.dat"; }
inline std::string DesktopShortcut() {
  char desktop[MAX_PATH];
  ::SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
  return std::string(desktop) + "\\Tidewhisk.lnk";
}
using drive::ClickAt;
using drive::Exists;
using drive::TopWindow;
using drive::TopWindows;
using drive::Text;
using drive::VisibleWindows;
using drive::WaitFor;

// Registry helpers on the current user's settings.
struct TValue {
  DWORD type = REG_NONE;
  std::string text;
  DWORD number = 0;
  bool exists = false;
};
inline TValue ReadValue(const char* key, const char* name) {
  TValue v;
  unique_hkey k;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS) return v;
  char data[1024];
  DWORD size = sizeof data;
  if (::RegQueryValueExA(k.get(), name, nullptr, &v.type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
    return v;
  v.exists = true;
  if (v.type == REG_DWORD) std::memcpy(&v.number, data, 4);
  else v.text.assign(data, size && data[size - 1] == '\0' ? size - 1 : size);
  return v;
}
inline void WriteString(const char* key, const char* name, const std::string& text) {
  unique_hkey k;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr), ERROR_SUCCESS);
  ::RegSetValueExA(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}
inline void WriteDword(const char* key, const char* name, DWORD value) {
  unique_hkey k;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr), ERROR_SUCCESS);
  ::RegSetValueExA(k.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}
inline void DeleteValue(const char* key, const char* name) {
  unique_hkey k;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS) ::RegDeleteValueA(k.get(), name);
}

// The texts of a window's children, one after another.
inline std::string ChildTexts(HWND hwnd) {
  std::string all;
  ::EnumChildWindows(
      hwnd,
      [](HWND child, LPARAM param) -> BOOL {
        *reinterpret_cast<std::string*>(param) += Text(child) + "\n";
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}
inline std::string Row(int row, int language) { return std::string(StrRes(row, language)); }
// The child of Parent whose class or text is Wanted.
inline HWND Child(HWND parent, const std::string& wanted) {
  std::pair<std::string, HWND> search{wanted, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<std::pair<std::string, HWND>*>(param);
        char name[128];
        ::GetClassNameA(child, name, sizeof name);
        if (::lstrcmpiA(s->first.c_str(), name) == 0 || s->first == Text(child)) {
          s->second = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}
using drive::ChildOf;

// The ready list of the main window, read through its messages.
class TReadyList {
 public:
  explicit TReadyList(HWND main) : list_(::GetDlgItem(main, 1)) {}
  // The results list shares the ready list's place (control id 4).
  static TReadyList Results(HWND main) {
    TReadyList results(main);
    results.list_ = ::GetDlgItem(main, 4);
    return results;
  }
  explicit operator bool() const { return list_ != nullptr; }
  HWND Handle() const { return list_; }
  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) const {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(list_, msg, w, l, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
  }
  int Groups() const { return static_cast<int>(Send(TGL_GETGROUPCOUNT)); }
  int Items(int g) const { return static_cast<int>(Send(TGL_GETITEMCOUNT, g)); }
  LRESULT State(int g, int i = -1) const { return Send(TGL_GETSTATE, g, i); }
  int Image(int g, int i = -1) const { return static_cast<int>(Send(TGL_GETIMAGE, g, i)); }
  LRESULT View() const { return Send(TGL_GETVIEW); }
  RECT Rect(int g, int i = -1) const {
    const auto packed = static_cast<unsigned long long>(Send(TGL_GETRECT, g, i));
    auto edge = [&](int n) { return static_cast<LONG>(static_cast<std::int16_t>((packed >> (16 * n)) & 0xFFFF)); };
    return {edge(0), edge(1), edge(2), edge(3)};
  }
  // The check box of a tile sits at its left, the expand button of a group at the list's left;
  // both are centred vertically (sizes at 96 dots per inch).
  void ClickItemCheck(int g, int i) const {
    const RECT r = Rect(g, i);
    ClickAt(list_, r.left + 3 + 6, (r.top + r.bottom) / 2);
  }
  void ClickExpand(int g) const {
    const RECT r = Rect(g);
    ClickAt(list_, 4 + 5, (r.top + r.bottom) / 2);
  }
  // A group's check box follows its expand button.
  void ClickGroupCheck(int g) const {
    const RECT r = Rect(g);
    ClickAt(list_, 4 + 11 + 6 + 6, (r.top + r.bottom) / 2);
  }

 private:
  HWND list_;
};

// A control's text from another process (asked for, as GetWindowText does not ask controls).
inline std::wstring WideText(HWND hwnd) {
  wchar_t text[4096] = L"";
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &result);
  return text;
}

// One run of the program.
class TProgram : public drive::TProgramRun {
 public:
  explicit TProgram(const std::string& args = {}) : TProgramRun(kProgram, args) {}
  bool WaitMain() const {
    return WaitFor([&] { return Main() != nullptr; }, kStartup);
  }
  bool WaitVisible() const {
    return WaitFor([&] { return Main() && ::IsWindowVisible(Main()); }, kStartup);
  }
  // The database is ready once the tips window (on for a fresh user) is shown.
  HWND WaitTips() const {
    HWND tips = nullptr;
    WaitFor([&] { return (tips = Find("TTipOfTheDayForm")) != nullptr && ::IsWindowVisible(tips); }, kStartup);
    return tips && ::IsWindowVisible(tips) ? tips : nullptr;
  }
  HWND WaitMessageBox() const {
    HWND box = nullptr;
    WaitFor([&] { return (box = Find("#32770")) != nullptr && ::IsWindowVisible(box); }, kStartup);
    return box;
  }
  void Post(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const { ::PostMessageA(Main(), msg, wParam, lParam); }
};

inline UINT Registered(const char* name) { return ::RegisterWindowMessageA(name); }

// Menu commands of the main window.
constexpr WPARAM kCmdOpenHide = 100, kCmdExit = 101, kCmdIconSize = 308;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    DeleteValue(kRunKey, "Tidewhisk.exe");
    ::DeleteFileA(DesktopShortcut().c_str());
    ::CreateDirectoryA(DataFolder().c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(kDatabaseSource.c_str(), DatabasePath().c_str(), FALSE)) << kDatabaseSource;
  }
  void TearDown() override { ::CopyFileA(kDatabaseSource.c_str(), DatabasePath().c_str(), FALSE); }

  static void ExpectStoredDefaults(DWORD mode) {
    const TValue preset = ReadValue(kKey, "PresetScanMode");
    EXPECT_EQ(preset.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(preset.number, mode);
    for (const char* name : {"MakeRegistryBackups", "RunOnWindowsStartup", "SendToTrayOnClose", "ShowInfoTips",
                             "ShowScanDialog", "ShowCleanDialog", "ShowCleanWarning", "ShowTipsAtStartup"}) {
      const TValue v = ReadValue(kKey, name);
      EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ)) << name;
      EXPECT_EQ(v.text, "1") << name;
    }
    EXPECT_EQ(ReadValue(kKey, "CookiesSortOrder").number, 0u);
  }
};
// One work object of twcli's scan: its database item, whether its run failed, and the texts of
// its findings in the order it found them.
struct TCliObject {
  std::string item;
  bool failed = false;
  std::vector<std::string> texts;
};
// What twcli finds in a mode: the number of findings of each object that found something (in
// the order of the objects), the objects themselves and the totals.
struct TCliScan {
  std::vector<int> groups;
  std::vector<TCliObject> objects;
  long long count = -1, size = -1;
};

// The JSON string that starts at At (its opening quote), unescaped; At moves past its end.
inline std::string JsonText(const std::string& json, std::size_t& at) {
  std::string text;
  if (at >= json.size() || json[at] != '"') return text;
  for (++at; at < json.size() && json[at] != '"'; ++at) {
    if (json[at] != '\\' || at + 1 >= json.size()) {
      text += json[at];
      continue;
    }
    switch (json[++at]) {
      case 'n': text += '\n'; break;
      case 'r': text += '\r'; break;
      case 't': text += '\t'; break;
      case 'u':  // only control characters come escaped
        text += static_cast<char>(std::strtol(json.substr(at + 1, 4).c_str(), nullptr, 16));
        at += 4;
        break;
      default: text += json[at];
    }
  }
  ++at;
  return text;
}

inline TCliScan CliScan(int mode) {
  TCliScan scan;
  // Beside the test program: a file in the temporary folder would be one of the findings.
  char self[MAX_PATH];
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string out = self;
  out = out.substr(0, out.find_last_of('\\') + 1) + "tw_cli_scan.json";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  unique_handle file(::CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
  std::string command = "\"" + WinPath(TW_CLI) + "\" scan --json --mode " + std::to_string(mode) +
                        " --database \"" + DatabasePath() + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = file.get();
  si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return scan;
  unique_handle process(pi.hProcess), thread(pi.hThread);
  ::WaitForSingleObject(process.get(), 120000);
  file.reset();
  std::string json;
  {
    unique_handle in(::CreateFileA(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(in.get(), buffer, sizeof buffer, &read, nullptr) && read) json.append(buffer, read);
  }
  ::DeleteFileA(out.c_str());
  // Texts are read as JSON strings, so a quote or bracket inside one never ends a list early.
  for (std::size_t at = json.find("{\"item\":"); at != std::string::npos; at = json.find("{\"item\":", at)) {
    TCliObject object;
    at += 8;
    object.item = JsonText(json, at);
    const std::size_t error = json.find("\"error\":", at);
    object.failed = error != std::string::npos && json.compare(error + 8, 4, "null") != 0;
    at = json.find("\"findings\":[", at);
    if (at == std::string::npos) break;
    at += 12;
    while (at < json.size() && json.compare(at, 8, "{\"text\":") == 0) {
      at += 8;
      object.texts.push_back(JsonText(json, at));
      at = json.find('}', at) + 1;  // past the size: numbers and flags only
      if (at < json.size() && json[at] == ',') ++at;
    }
    if (!object.failed && !object.texts.empty()) scan.groups.push_back(static_cast<int>(object.texts.size()));
    scan.objects.push_back(std::move(object));
  }
  const std::size_t count = json.rfind("\"count\":"), size = json.rfind("\"size\":");
  if (count != std::string::npos) scan.count = std::atoll(json.c_str() + count + 8);
  if (size != std::string::npos) scan.size = std::atoll(json.c_str() + size + 7);
  return scan;
}

inline std::string TempFolder() {
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  return temp;
}

// The program started in Mode without tips, waiting until its database is ready.
inline HWND StartInMode(TProgram& program, int mode) {
  if (!program.Started() || !program.WaitVisible()) return nullptr;
  HWND scan = nullptr;
  WaitFor([&] {
    scan = ChildOf(program.Main(), "TwHotImage", Row(kRowScanNow, 0));
    return scan && ::IsWindowEnabled(scan) && ::IsWindowVisible(scan) &&
           Text(TReadyList(program.Main()).Handle()) == Row(ModeRow(mode), 0);
  }, kStartup);
  return scan;
}

}  // namespace tw::main_program
