// Drives the real Tidewhisk.exe: start-up, hidden start, second instances, every way out, the
// settings it keeps, languages, and what it does without a usable database.
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

namespace tw {
namespace {

using namespace std::chrono_literals;

using drive::WinPath;
const std::string kProgram = WinPath(TW_PROGRAM);
const std::string kDatabaseSource = WinPath(TW_DATABASE);

constexpr const char* kKey = "Software\\Tidewhisk";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The splash window shows 2.5 s + 2 s and lingers 1 s before the database loads.
constexpr auto kStartup = 30s;  // generous: a loaded machine starts Wine slowly

std::string DataFolder() {
  char path[MAX_PATH];
  ::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path);
  return std::string(path) + "\\Tidewhisk\\";
}
std::string DatabasePath() { return DataFolder() + "database.dat"; }
std::string DesktopShortcut() {
  char desktop[MAX_PATH];
  ::SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
  return std::string(desktop) + "\\Tidewhisk.lnk";
}
bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

using drive::ClickAt;
using drive::TopWindow;
using drive::TopWindows;
using drive::Text;
using drive::WaitFor;

// Registry helpers on the current user's settings.
struct TValue {
  DWORD type = REG_NONE;
  std::string text;
  DWORD number = 0;
  bool exists = false;
};
TValue ReadValue(const char* key, const char* name) {
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
void WriteString(const char* key, const char* name, const std::string& text) {
  unique_hkey k;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr), ERROR_SUCCESS);
  ::RegSetValueExA(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}
void WriteDword(const char* key, const char* name, DWORD value) {
  unique_hkey k;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr), ERROR_SUCCESS);
  ::RegSetValueExA(k.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}
void DeleteValue(const char* key, const char* name) {
  unique_hkey k;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS) ::RegDeleteValueA(k.get(), name);
}

// The texts of a window's children, one after another.
std::string ChildTexts(HWND hwnd) {
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
std::string Row(int row, int language) { return std::string(StrRes(row, language)); }
// The child of Parent whose class or text is Wanted.
HWND Child(HWND parent, const std::string& wanted) {
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
std::wstring WideText(HWND hwnd) {
  wchar_t text[4096] = L"";
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &result);
  return text;
}

// One run of the program.
class TProgram {
 public:
  explicit TProgram(const std::string& args = {}) {
    std::string command = "\"" + kProgram + "\"" + (args.empty() ? "" : " " + args);
    PROCESS_INFORMATION pi{};
    started_ = drive::StartProgram(command, pi);
    if (!started_) return;
    process_.reset(pi.hProcess);
    unique_handle thread(pi.hThread);
    pid_ = pi.dwProcessId;
  }
  ~TProgram() {
    if (process_ && Running()) {
      ::TerminateProcess(process_.get(), 99);
      ::WaitForSingleObject(process_.get(), 5000);
    }
  }
  bool Started() const { return started_; }
  DWORD Pid() const { return pid_; }
  bool Running() const { return ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  // Milliseconds until the process ended, or -1 when it was still running after Timeout.
  long long WaitExit(std::chrono::milliseconds timeout, DWORD* code = nullptr) const {
    const auto start = std::chrono::steady_clock::now();
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return -1;
    if (code) ::GetExitCodeProcess(process_.get(), code);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  }
  HWND Main() const { return TopWindow(pid_, "TTWMainForm"); }
  HWND Find(const char* className) const { return TopWindow(pid_, className); }
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

 private:
  bool started_ = false;
  unique_handle process_;
  DWORD pid_ = 0;
};

UINT Registered(const char* name) { return ::RegisterWindowMessageA(name); }

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

TEST_F(ProgramTest, FirstStartThenTerminateRequest) {
  TProgram program;
  ASSERT_TRUE(program.Started());
  // The splash comes first; the main window shows after 4.5 s and the tips once the database is ready.
  ASSERT_TRUE(WaitFor([&] { return program.Find("TSplashForm") && ::IsWindowVisible(program.Find("TSplashForm")); }, 5s));
  EXPECT_FALSE(::IsWindowVisible(program.Main()));
  EXPECT_NE(program.Find("TwTrayIconWindow"), nullptr);
  ASSERT_TRUE(program.WaitVisible());
  HWND tips = program.WaitTips();
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(Text(tips), Row(kRowTipOfTheDay, 0));
  EXPECT_EQ(Text(program.Main()).rfind(Row(kRowProgramName, 0) + " " + Row(kRowAboutVersion, 0) + " 1.0.0.0", 0), 0u) << Text(program.Main());
  EXPECT_EQ(ReadValue(kKey, "Locale").text, "en");
  EXPECT_FALSE(ReadValue(kKey, "PresetScanMode").exists);  // written at exit only

  program.Post(Registered("UM_TERMINATE"));
  const long long ms = program.WaitExit(5s);
  EXPECT_GE(ms, 0) << "still running after UM_TERMINATE";
  EXPECT_LT(ms, 2600);
  ExpectStoredDefaults(0);  // a fresh user has no mode yet
  const TValue run = ReadValue(kRunKey, "Tidewhisk.exe");
  EXPECT_EQ(run.text, "\"" + kProgram + "\" -HIDE");
  EXPECT_TRUE(Exists(DesktopShortcut()));
}

TEST_F(ProgramTest, HiddenStartSecondInstancesAndTrayExit) {
  for (const char* hideSwitch : {"-HIDE", "/hide"}) {
    SCOPED_TRACE(hideSwitch);
    TProgram program(hideSwitch);
    ASSERT_TRUE(program.WaitMain());
    // Past the splash and the database load, the window is still hidden; the tray icon is there.
    ASSERT_TRUE(WaitFor([&] { return program.Find("TSplashForm") != nullptr; }, kStartup));
    ASSERT_TRUE(WaitFor([&] { return !program.Find("TSplashForm"); }, kStartup));
    std::this_thread::sleep_for(1500ms);
    EXPECT_FALSE(::IsWindowVisible(program.Main()));
    EXPECT_NE(program.Find("TwTrayIconWindow"), nullptr);
    // The first-show work waits until the window is first shown.
    EXPECT_FALSE(Exists(DesktopShortcut()));

    // A second start while hidden shows the first instance and ends without a window of its own.
    {
      TProgram second;
      DWORD code = 1;
      EXPECT_GE(second.WaitExit(10s, &code), 0);
      EXPECT_EQ(code, 0u);
      EXPECT_EQ(second.Main(), nullptr);
    }
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(program.Main()) != FALSE; }, 5s));
    EXPECT_TRUE(WaitFor([] { return Exists(DesktopShortcut()); }, 5s));
    ::DeleteFileA(DesktopShortcut().c_str());
    // The tips made while hidden appear with the window.
    EXPECT_TRUE(WaitFor([&] { return program.Find("TTipOfTheDayForm") && ::IsWindowVisible(program.Find("TTipOfTheDayForm")); }, 5s));
    RECT before{};
    ::GetWindowRect(program.Main(), &before);

    // A second start while visible changes nothing.
    {
      TProgram second;
      EXPECT_GE(second.WaitExit(10s), 0);
    }
    std::this_thread::sleep_for(500ms);
    RECT after{};
    ::GetWindowRect(program.Main(), &after);
    EXPECT_TRUE(::IsWindowVisible(program.Main()));
    EXPECT_TRUE(::EqualRect(&before, &after));

    // Exit from the tray menu ends the program within 2.5 s.
    program.Post(WM_COMMAND, kCmdExit);
    const long long ms = program.WaitExit(5s);
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 2600);
    ExpectStoredDefaults(0);
  }
}

TEST_F(ProgramTest, ClosingHidesToTrayOrEnds) {
  {
    TProgram program;
    ASSERT_TRUE(program.WaitVisible());
    program.Post(WM_CLOSE);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(program.Main()); }, 5s));
    EXPECT_TRUE(program.Running());
    EXPECT_FALSE(ReadValue(kKey, "PresetScanMode").exists);
    // The tray's open/hide entry brings it back.
    program.Post(WM_COMMAND, kCmdOpenHide);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(program.Main()) != FALSE; }, 5s));
    program.Post(Registered("UM_TERMINATE"));
    EXPECT_GE(program.WaitExit(5s), 0);
  }
  // Without sending to the tray, closing writes the settings and ends at once.
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  WriteString(kKey, "SendToTrayOnClose", "0");
  TProgram program;
  ASSERT_TRUE(program.WaitVisible());
  ASSERT_NE(program.WaitTips(), nullptr);
  program.Post(WM_CLOSE);
  const long long ms = program.WaitExit(5s);
  EXPECT_GE(ms, 0);
  EXPECT_LT(ms, 2500);  // at once, not by the fallback
  EXPECT_EQ(ReadValue(kKey, "SendToTrayOnClose").text, "0");
  EXPECT_EQ(ReadValue(kKey, "PresetScanMode").number, 0u);
  EXPECT_TRUE(ReadValue(kRunKey, "Tidewhisk.exe").exists);
}

TEST_F(ProgramTest, EndOfSessionAnswersYesAndEnds) {
  TProgram program;
  ASSERT_TRUE(program.WaitVisible());
  ASSERT_NE(program.WaitTips(), nullptr);
  DWORD_PTR answer = 0;
  ASSERT_TRUE(::SendMessageTimeoutA(program.Main(), WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
  EXPECT_EQ(answer, 1u);
  ::PostMessageA(program.Main(), WM_ENDSESSION, TRUE, 0);
  const long long ms = program.WaitExit(5s);
  EXPECT_GE(ms, 0);
  EXPECT_LT(ms, 2600);
  ExpectStoredDefaults(0);
}

TEST_F(ProgramTest, StoredFormsSurviveAndRunValueIsRemoved) {
  WriteString(kKey, "PresetScanMode", "5");    // another tool's string
  WriteDword(kKey, "ShowInfoTips", 1);          // a boolean as a DWORD
  WriteString(kKey, "RunOnWindowsStartup", "0");
  WriteDword(kKey, "CookiesSortOrder", 1);
  WriteString(kKey, "Locale", "FR");
  WriteString(kRunKey, "Tidewhisk.exe", "\"C:\\elsewhere\\Tidewhisk.exe\" -HIDE");
  TProgram program;
  ASSERT_TRUE(program.WaitVisible());
  HWND tips = program.WaitTips();
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(Text(tips), Row(kRowTipOfTheDay, 1));  // "FR" is French
  program.Post(Registered("UM_TERMINATE"));
  ASSERT_GE(program.WaitExit(5s), 0);
  const TValue preset = ReadValue(kKey, "PresetScanMode");
  EXPECT_EQ(preset.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(preset.text, "5");
  const TValue tipsValue = ReadValue(kKey, "ShowInfoTips");
  EXPECT_EQ(tipsValue.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(tipsValue.text, "1");
  EXPECT_EQ(ReadValue(kKey, "CookiesSortOrder").number, 1u);
  EXPECT_EQ(ReadValue(kKey, "Locale").text, "fr");
  EXPECT_FALSE(ReadValue(kRunKey, "Tidewhisk.exe").exists);
}

TEST_F(ProgramTest, LanguageSwitchIsWrittenAtOnceAndKept) {
  WriteString(kKey, "Locale", "it");  // not one of the four: English
  {
    TProgram program;
    ASSERT_TRUE(program.WaitVisible());
    HWND tips = program.WaitTips();
    ASSERT_NE(tips, nullptr);
    EXPECT_EQ(Text(tips), Row(kRowTipOfTheDay, 0));
    EXPECT_EQ(ReadValue(kKey, "Locale").text, "en");
    program.Post(WM_COMMAND, 1031);  // German from the language menu
    EXPECT_TRUE(WaitFor([] { return ReadValue(kKey, "Locale").text == "de"; }, 5s));
    EXPECT_TRUE(WaitFor([&] { return Text(tips) == Row(kRowTipOfTheDay, 2); }, 5s)) << Text(tips);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(program.Main()) && !::IsIconic(program.Main()); }, 5s));
    program.Post(WM_COMMAND, 1034);  // and Spanish
    EXPECT_TRUE(WaitFor([] { return ReadValue(kKey, "Locale").text == "es"; }, 5s));
    program.Post(Registered("UM_TERMINATE"));
    ASSERT_GE(program.WaitExit(5s), 0);
  }
  TProgram program;
  HWND tips = program.WaitTips();
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(Text(tips), Row(kRowTipOfTheDay, 3));
  program.Post(Registered("UM_TERMINATE"));
  EXPECT_GE(program.WaitExit(5s), 0);
}

TEST_F(ProgramTest, TipsAdvanceAndTheirPlaceAndSwitchAreKept) {
  std::wstring first, second;
  {
    TProgram program;
    HWND tips = program.WaitTips();
    ASSERT_NE(tips, nullptr);
    HWND text = Child(tips, "RICHEDIT50W");
    ASSERT_NE(text, nullptr);
    first = WideText(text);
    EXPECT_EQ(first.rfind(L"\r\n\r\n", 0), 0u);  // two line breaks, then the tip
    EXPECT_GT(first.size(), 4u);
    ::SendMessageA(Child(tips, Row(kRowNextTip, 0)), BM_CLICK, 0, 0);
    second = WideText(text);
    EXPECT_NE(second, first);
    // "Do not show tips at startup" turns the tips off.
    HWND box = Child(tips, Row(kRowNoTipsAtStartup, 0));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ::SendMessageA(box, BM_CLICK, 0, 0);
    program.Post(Registered("UM_TERMINATE"));
    ASSERT_GE(program.WaitExit(5s), 0);
  }
  EXPECT_EQ(ReadValue(kKey, "ShowTipsAtStartup").text, "0");
  {
    // No tips at start now; the database remembers the last tip shown.
    TProgram program;
    ASSERT_TRUE(program.WaitVisible());
    std::this_thread::sleep_for(3s);
    EXPECT_EQ(program.Find("TTipOfTheDayForm"), nullptr);
    program.Post(Registered("UM_TERMINATE"));
    ASSERT_GE(program.WaitExit(5s), 0);
  }
  WriteString(kKey, "ShowTipsAtStartup", "1");
  TProgram program;
  HWND tips = program.WaitTips();
  ASSERT_NE(tips, nullptr);
  const std::wstring third = WideText(Child(tips, "RICHEDIT50W"));
  EXPECT_NE(third, first);
  EXPECT_NE(third, second);
  EXPECT_EQ(::SendMessageA(Child(tips, Row(kRowNoTipsAtStartup, 0)), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  program.Post(Registered("UM_TERMINATE"));
  EXPECT_GE(program.WaitExit(5s), 0);
}

TEST_F(ProgramTest, ReadyListShowsEveryModeAndKeepsTheUsersChoices) {
  {
    TProgram program;
    HWND tips = program.WaitTips();
    ASSERT_NE(tips, nullptr);
    ::PostMessageA(tips, WM_CLOSE, 0, 0);
    const TReadyList list(program.Main());
    ASSERT_TRUE(list);
    // A fresh user has no mode yet: every group shows, every item is greyed, no check boxes.
    EXPECT_EQ(Text(list.Handle()), Row(kRowSelectPresetMode, 0));
    const int groups = list.Groups();
    ASSERT_EQ(groups, 14);
    for (int g = 0; g < groups; ++g) {
      EXPECT_TRUE(list.State(g) & TGL_STATE_VISIBLE) << g;
      EXPECT_GE(list.Image(g), 0) << "group " << g << " has no icon";
      for (int i = 0; i < list.Items(g); ++i) EXPECT_TRUE(list.State(g, i) & TGL_STATE_DISABLED) << g << "." << i;
    }
    EXPECT_EQ(list.View(), 42);
    EXPECT_GE(list.Image(0, 0), 0);

    // Each mode button, found by its caption, shows its mode.
    for (int mode : {1, 2, 3, 4, 6, 5, 7}) {
      SCOPED_TRACE(mode);
      HWND button = ChildOf(program.Main(), "TwHotImage", Row(ModeRow(mode), 0));
      ASSERT_NE(button, nullptr);
      ClickAt(button, 5, 5);
      ASSERT_TRUE(WaitFor([&] { return Text(list.Handle()) == Row(ModeRow(mode), 0); }, 5s));
      int shown = 0, enabled = 0, items = 0;
      for (int g = 0; g < groups; ++g) {
        if (!(list.State(g) & TGL_STATE_VISIBLE)) continue;
        ++shown;
        for (int i = 0; i < list.Items(g); ++i, ++items) enabled += !(list.State(g, i) & TGL_STATE_DISABLED);
      }
      EXPECT_EQ(shown, mode == 5 ? 1 : mode <= 4 ? 13 : 14);
      EXPECT_EQ((list.View() & TGL_VIEW_CHECKBOXES) != 0, mode == 5 || mode == 7);
      if (mode == 5 || mode == 7) EXPECT_EQ(enabled, items);
      else EXPECT_TRUE(enabled > 0 && enabled < items) << enabled << " of " << items;
    }

    // The user's choices: an item unticked in the registry mode, the browser group closed and
    // small icons in the advanced mode.
    ClickAt(ChildOf(program.Main(), "TwHotImage", Row(kRowPresetRegistry, 0)), 5, 5);
    ASSERT_TRUE(WaitFor([&] { return Text(list.Handle()) == Row(kRowPresetRegistry, 0); }, 5s));
    ASSERT_TRUE(list.State(0, 0) & TGL_STATE_CHECKED);
    list.ClickItemCheck(0, 0);
    EXPECT_TRUE(WaitFor([&] { return !(list.State(0, 0) & TGL_STATE_CHECKED); }, 5s));
    ClickAt(ChildOf(program.Main(), "TwHotImage", Row(kRowPresetAdvanced, 0)), 5, 5);
    ASSERT_TRUE(WaitFor([&] { return Text(list.Handle()) == Row(kRowPresetAdvanced, 0); }, 5s));
    ASSERT_TRUE(list.State(1) & TGL_STATE_EXPANDED);
    list.ClickExpand(1);
    EXPECT_TRUE(WaitFor([&] { return !(list.State(1) & TGL_STATE_EXPANDED); }, 5s));
    program.Post(WM_COMMAND, kCmdIconSize);
    EXPECT_TRUE(WaitFor([&] { return list.View() == (28 | TGL_VIEW_SMALLIMAGES | TGL_VIEW_CHECKBOXES); }, 5s));
    program.Post(Registered("UM_TERMINATE"));
    ASSERT_GE(program.WaitExit(5s), 0);
  }
  EXPECT_EQ(ReadValue(kKey, "PresetScanMode").number, 7u);

  // After a restart the document brings them back; rebuilt with small icons, tiles are 32 high.
  TProgram program;
  HWND tips = program.WaitTips();
  ASSERT_NE(tips, nullptr);
  ::PostMessageA(tips, WM_CLOSE, 0, 0);
  const TReadyList list(program.Main());
  EXPECT_EQ(Text(list.Handle()), Row(kRowPresetAdvanced, 0));
  EXPECT_FALSE(list.State(0, 0) & TGL_STATE_CHECKED);
  EXPECT_TRUE(list.State(0, 1) & TGL_STATE_CHECKED);
  EXPECT_FALSE(list.State(1) & TGL_STATE_EXPANDED);
  EXPECT_TRUE(list.State(0) & TGL_STATE_EXPANDED);
  EXPECT_EQ(list.View(), 32 | TGL_VIEW_SMALLIMAGES | TGL_VIEW_CHECKBOXES);
  // In every language the list's header and the picture buttons carry their captions.
  for (int language : {1, 2, 3, 0}) {
    SCOPED_TRACE(language);
    program.Post(WM_COMMAND, static_cast<WPARAM>(std::array<int, 4>{1033, 1036, 1031, 1034}[language]));
    EXPECT_TRUE(WaitFor([&] { return Text(list.Handle()) == Row(kRowPresetAdvanced, language); }, 5s)) << Text(list.Handle());
    for (int row : {kRowPresetQuick, kRowPresetRegistry, kRowHomePage, kRowAbout, kRowScanNow}) EXPECT_NE(ChildOf(program.Main(), "TwHotImage", Row(row, language)), nullptr) << row;
  }
  program.Post(Registered("UM_TERMINATE"));
  EXPECT_GE(program.WaitExit(5s), 0);
}

TEST_F(ProgramTest, MissingOrDamagedDatabaseIsReportedAndTheProgramStaysUp) {
  struct Case {
    const char* name;
    std::function<void()> prepare;
    int row;
  };
  const Case cases[] = {
      {"missing", [] { ::DeleteFileA(DatabasePath().c_str()); }, kRowDatabaseNotFound},
      {"damaged",
       [] {
         unique_hfile file(::CreateFileA(DatabasePath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
         DWORD written = 0;
         ::WriteFile(file.get(), "not a database", 14, &written, nullptr);
       },
       kRowDatabaseCorrupted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.prepare();
    TProgram program;
    ASSERT_TRUE(program.WaitVisible());
    HWND box = program.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(ChildTexts(box).find(Format(Row(c.row, 0), DatabasePath())), std::string::npos) << ChildTexts(box);
    // Centred over the main window.
    RECT main{}, dialog{};
    ::GetWindowRect(program.Main(), &main);
    ::GetWindowRect(box, &dialog);
    EXPECT_NEAR((dialog.left + dialog.right) / 2, (main.left + main.right) / 2, 2);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !program.Find("#32770"); }, 5s));
    // No database: no ready state, no tips; the window stays and the language still switches.
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(program.Find("TTipOfTheDayForm"), nullptr);
    program.Post(WM_COMMAND, 1036);
    EXPECT_TRUE(WaitFor([] { return ReadValue(kKey, "Locale").text == "fr"; }, 5s));
    // The About box, the home page and the settings do not wait for the database; scanning is
    // disabled.
    EXPECT_TRUE(::IsWindowEnabled(ChildOf(program.Main(), "TwHotImage", Row(kRowHomePage, 1))));
    EXPECT_TRUE(::IsWindowEnabled(ChildOf(program.Main(), "TwHotImage", Row(kRowSettings, 1))));
    EXPECT_FALSE(::IsWindowEnabled(ChildOf(program.Main(), "TwHotImage", Row(kRowScanNow, 1))));
    ClickAt(ChildOf(program.Main(), "TwHotImage", Row(kRowAbout, 1)), 5, 5);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = program.Find("TAboutForm")) && ::IsWindowVisible(about); }, 5s));
    EXPECT_EQ(Text(about), Row(kRowAboutTitle, 1));
    ::PostMessageA(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(about); }, 5s));
    program.Post(Registered("UM_TERMINATE"));
    EXPECT_GE(program.WaitExit(5s), 0);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  }
}

}  // namespace
}  // namespace tw

namespace tw {
namespace {

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
std::string JsonText(const std::string& json, std::size_t& at) {
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

TCliScan CliScan(int mode) {
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

std::string TempFolder() {
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  return temp;
}

// The program started in Mode without tips, waiting until its database is ready.
HWND StartInMode(TProgram& program, int mode) {
  if (!program.Started() || !program.WaitVisible()) return nullptr;
  HWND scan = nullptr;
  WaitFor([&] {
    scan = ChildOf(program.Main(), "TwHotImage", Row(kRowScanNow, 0));
    return scan && ::IsWindowEnabled(scan) && ::IsWindowVisible(scan) &&
           Text(TReadyList(program.Main()).Handle()) == Row(ModeRow(mode), 0);
  }, kStartup);
  return scan;
}

class ScanTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteString(kKey, "ShowTipsAtStartup", "0");
    WriteString(kKey, "ShowInfoTips", "0");
    for (int i = 0; i < 5; ++i) {
      const std::string path = TempFolder() + "tw_scan_fixture" + std::to_string(i) + ".tmp";
      files_.push_back(path);
      unique_handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      const std::string data(1000 * (i + 1), 'x');
      DWORD written = 0;
      ::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    }
  }
  void TearDown() override {
    for (const std::string& file : files_) ::DeleteFileA(file.c_str());
    ProgramTest::TearDown();
  }
  std::vector<std::string> files_;
};

TEST_F(ScanTest, ScanInEachModeListsWhatTheCommandLineFinds) {
  for (int mode : {1, 5, 3}) {
    SCOPED_TRACE(mode);
    WriteDword(kKey, "PresetScanMode", static_cast<DWORD>(mode));
    const TCliScan expected = CliScan(mode);
    ASSERT_GE(expected.count, 0);
    TProgram program;
    HWND scan = StartInMode(program, mode);
    ASSERT_NE(scan, nullptr);
    ClickAt(scan, 5, 5);
    // The summary comes at the end with the totals of the command line.
    HWND summary = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (summary = program.Find("TScanInfoDlg")) && ::IsWindowVisible(summary); }, 120s));
    const std::wstring text = WideText(Child(summary, "RICHEDIT50W"));
    EXPECT_NE(text.find(Widen(Format(Row(kRowProblemsFound, 0), expected.count))), std::wstring::npos)
        << Narrow(text) << " (the command line found " << expected.count << ")";
    ::PostMessageA(summary, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return program.Find("TScanInfoDlg") == nullptr; }, 5s));
    const TReadyList results = TReadyList::Results(program.Main());
    ASSERT_TRUE(results);
    if (expected.groups.empty()) {
      // Nothing found: back to the ready list, ready for the next scan.
      EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(results.Handle()) && ::IsWindowVisible(scan); }, 5s));
      EXPECT_EQ(results.Groups(), 0);
    } else {
      EXPECT_TRUE(::IsWindowVisible(results.Handle()));
      EXPECT_TRUE(::IsWindowVisible(ChildOf(program.Main(), "TwHotImage", Row(kRowCleanButton, 0))));
      ASSERT_EQ(results.Groups(), static_cast<int>(expected.groups.size()));
      for (int g = 0; g < results.Groups(); ++g) {
        EXPECT_EQ(results.Items(g), 0) << "items are made when the group first opens";
        EXPECT_TRUE(results.State(g) & TGL_STATE_CHECKED);
        results.ClickExpand(g);
        EXPECT_TRUE(WaitFor([&] { return results.Items(g) == expected.groups[static_cast<std::size_t>(g)]; }, 5s))
            << g << ": " << results.Items(g);
        EXPECT_TRUE(results.State(g, 0) & TGL_STATE_CHECKED);
        EXPECT_GE(results.Image(g, 0), 0);
      }
      // Cancel returns to the ready list with the results gone.
      ClickAt(ChildOf(program.Main(), "TwHotImage", Row(kRowCancel, 0)), 5, 5);
      EXPECT_TRUE(WaitFor([&] { return results.Groups() == 0 && ::IsWindowVisible(scan); }, 5s));
    }
    program.Post(Registered("UM_TERMINATE"));
    EXPECT_GE(program.WaitExit(10s), 0);
  }
}

TEST_F(ScanTest, AbortKeepsWhatWasFoundWithoutSummary) {
  // Enough files that the scan is still running when Abort comes.
  for (int i = 0; i < 3000; ++i) {
    const std::string path = TempFolder() + "tw_abort_fixture" + std::to_string(i) + ".tmp";
    files_.push_back(path);
    unique_handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  WriteDword(kKey, "PresetScanMode", 1);
  TProgram program;
  HWND scan = StartInMode(program, 1);
  ASSERT_NE(scan, nullptr);
  ClickAt(scan, 5, 5);
  HWND abort = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (abort = ChildOf(program.Main(), "TwHotImage", Row(kRowAbort, 0))) && ::IsWindowVisible(abort); }, 10s));
  ClickAt(abort, 5, 5);
  HWND clean = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (clean = ChildOf(program.Main(), "TwHotImage", Row(kRowCleanButton, 0))) && ::IsWindowVisible(clean); }, 30s));
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(program.Find("TScanInfoDlg"), nullptr);
  const TReadyList results = TReadyList::Results(program.Main());
  EXPECT_TRUE(::IsWindowVisible(results.Handle()));
  EXPECT_TRUE(::IsWindowVisible(ChildOf(program.Main(), "TwHotImage", Row(kRowCancel, 0))));
  program.Post(Registered("UM_TERMINATE"));
  EXPECT_GE(program.WaitExit(10s), 0);
}

// ---- Cleaning from the main window

constexpr const char* kTypedUrlsKey = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr const char* kMuiCacheKey = "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kFilePrefix = "tw_e2e_clean_";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The wide strings of the removals waiting for the next restart, sources and targets in turn.
std::vector<std::wstring> PendingRenames() {
  std::vector<std::wstring> strings;
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(kSessionManager).c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return strings;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.get(), L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return strings;
  std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
  ::RegQueryValueExW(key.get(), L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  data.resize(size / sizeof(wchar_t));
  std::size_t start = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] != L'\0') continue;
    if (i == start && strings.size() % 2 == 0) break;  // the list's end
    strings.emplace_back(data.data() + start, i - start);
    start = i + 1;
  }
  return strings;
}
bool PendingRename(const std::string& fileName) {
  for (const std::wstring& s : PendingRenames())
    if (Lower(Narrow(s)).find(Lower(fileName)) != std::string::npos) return true;
  return false;
}
// Takes this test's files off the list of removals at the next restart.
void ForgetPendingRenames() {
  const std::vector<std::wstring> strings = PendingRenames();
  std::wstring kept;
  bool changed = false;
  for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
    if (Lower(Narrow(strings[i])).find(kFilePrefix) != std::string::npos) {
      changed = true;
      continue;
    }
    kept += strings[i] + L'\0' + strings[i + 1] + L'\0';
  }
  if (!changed) return;
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(kSessionManager).c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS)
    return;
  if (kept.empty()) {
    ::RegDeleteValueW(key.get(), L"PendingFileRenameOperations");
    return;
  }
  kept += L'\0';
  ::RegSetValueExW(key.get(), L"PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                   static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
}

// The URL-cache name of the cookie of Host, empty when the cache has none.
std::string CookieEntry(const std::string& host) {
  std::string found;
  for (const char* pattern : {"cookie:", "Cookie:"}) {
    EnumUrlCache(pattern, [&](const INTERNET_CACHE_ENTRY_INFOA& info) {
      const std::string source = info.lpszSourceUrlName ? info.lpszSourceUrlName : "";
      if (Lower(source).find(host) != std::string::npos) found = source;
      return found.empty();
    });
    if (!found.empty()) break;
  }
  return found;
}

// A typed address is a value of a key the history cleaners empty; a program name cache entry is
// one the registry integrity fixers remove when its program is gone.
enum class TKind { File, LockedFile, TypedAddress, ProgramName, Cookie, KeptCookie };

// What a clean may meet: the preset modes that list it ('1' at the mode's place, as the items of
// the shipped database have it), whether the user leaves it ticked, and for registry values the
// database item whose backup holds them.
struct TFixture {
  const char* tag;
  TKind kind;
  const char* modes;
  bool ticked;
  const char* item = "";
};
constexpr TFixture kFixtures[] = {
    {"removed", TKind::File, "1001010", true},
    {"spared", TKind::File, "1001010", false},
    {"locked", TKind::LockedFile, "1001010", true},
    {"typed-removed", TKind::TypedAddress, "0011010", true, "g01-i04"},
    {"typed-spared", TKind::TypedAddress, "0011010", false, "g01-i04"},
    {"mui-removed", TKind::ProgramName, "0000100", true, "g00-i12"},
    {"mui-spared", TKind::ProgramName, "0000100", false, "g00-i12"},
    {"cookie-removed", TKind::Cookie, "0101010", true},
    {"cookie-spared", TKind::Cookie, "0101010", false},
    // Listed and left ticked like any cookie; the clean spares it.
    {"cookie-kept", TKind::KeptCookie, "0101010", true},
};
constexpr std::size_t kFixtureCount = std::size(kFixtures);
std::size_t FixtureIndex(std::string_view tag) {
  for (std::size_t f = 0; f < kFixtureCount; ++f)
    if (tag == kFixtures[f].tag) return f;
  return kFixtureCount;
}

class CleanTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteString(kKey, "ShowTipsAtStartup", "0");
    WriteString(kKey, "ShowInfoTips", "0");
    keptFile_ = KeptCookiesPath();
    keptBefore_ = LoadKeptCookies(keptFile_);
    for (const TBackupFile& file : ListBackups()) backupsBefore_.push_back(file.Path);
    for (std::size_t f = 0; f < kFixtureCount; ++f) {
      const TFixture& fixture = kFixtures[f];
      switch (fixture.kind) {
        case TKind::File:
        case TKind::LockedFile:
          marker_[f] = kFilePrefix + std::string(fixture.tag);
          break;
        case TKind::TypedAddress:
          value_[f] = "url" + std::to_string(9100 + f);
          marker_[f] = Format("tw-e2e-%s.example", fixture.tag);
          break;
        case TKind::ProgramName:
          marker_[f] = Format("tw-e2e-%s", fixture.tag);
          value_[f] = "C:\\" + marker_[f] + "\\program.exe.FriendlyAppName";
          break;
        case TKind::Cookie:
        case TKind::KeptCookie:
          marker_[f] = Format("tw-e2e-%s-%d.example", fixture.tag, static_cast<int>(::GetCurrentProcessId()));
          break;
      }
    }
  }
  void TearDown() override {
    RemoveFixtures();
    SaveKeptCookies(keptFile_, keptBefore_);
    for (const TBackupFile& file : ListBackups())
      if (std::find(backupsBefore_.begin(), backupsBefore_.end(), file.Path) == backupsBefore_.end())
        ::DeleteFileA(file.Path.c_str());
    ProgramTest::TearDown();
  }

  // In the temporary folder the program cleans: the one of current Windows versions.
  std::string FilePath(std::size_t f) const {
    char local[MAX_PATH];
    ::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, local);
    return std::string(local) + "\\Temp\\" + marker_[f] + ".tmp";
  }

  void MakeFixtures() {
    std::vector<TCookieLine> kept = keptBefore_;
    for (std::size_t f = 0; f < kFixtureCount; ++f) {
      switch (kFixtures[f].kind) {
        case TKind::File:
        case TKind::LockedFile: {
          unique_hfile file(::CreateFileA(FilePath(f).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
          ASSERT_TRUE(file) << FilePath(f);
          const std::string data(1000 + 100 * f, 'x');
          DWORD written = 0;
          ::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
          // Held open without sharing, as a running program holds its files.
          if (kFixtures[f].kind == TKind::LockedFile) locked_ = std::move(file);
          break;
        }
        case TKind::TypedAddress:
          WriteString(kTypedUrlsKey, value_[f].c_str(), "http://" + marker_[f] + "/");
          break;
        case TKind::ProgramName:
          WriteString(kMuiCacheKey, value_[f].c_str(), "Program");
          break;
        case TKind::Cookie:
        case TKind::KeptCookie: {
          const std::string url = "http://" + marker_[f] + "/";
          ASSERT_TRUE(::InternetSetCookieA(url.c_str(), "tw", "v; expires=Sat, 01-Jan-2050 00:00:00 GMT"));
          cookie_[f] = CookieEntry(marker_[f]);
          ASSERT_FALSE(cookie_[f].empty()) << marker_[f];
          if (kFixtures[f].kind == TKind::KeptCookie)
            for (const TCookieLine& line : ListFoundCookies({}))
              if (line.Name == cookie_[f]) kept.push_back(line);
          break;
        }
      }
    }
    SaveKeptCookies(keptFile_, kept);
  }
  void RemoveFixtures() {
    locked_.reset();
    for (std::size_t f = 0; f < kFixtureCount; ++f) {
      if (kFixtures[f].kind == TKind::File || kFixtures[f].kind == TKind::LockedFile) ::DeleteFileA(FilePath(f).c_str());
      if (kFixtures[f].kind == TKind::TypedAddress) DeleteValue(kTypedUrlsKey, value_[f].c_str());
      if (kFixtures[f].kind == TKind::ProgramName) DeleteValue(kMuiCacheKey, value_[f].c_str());
      if (!cookie_[f].empty()) RemoveUrlCacheEntry(cookie_[f]);
    }
    ForgetPendingRenames();
  }
  bool Present(std::size_t f) const {
    switch (kFixtures[f].kind) {
      case TKind::File:
      case TKind::LockedFile: return Exists(FilePath(f));
      case TKind::TypedAddress: return ReadValue(kTypedUrlsKey, value_[f].c_str()).exists;
      case TKind::ProgramName: return ReadValue(kMuiCacheKey, value_[f].c_str()).exists;
      default: return FindUrlCacheEntry(cookie_[f]).has_value();
    }
  }
  // The fixture a finding's text names, or kFixtureCount for anything else.
  std::size_t FixtureOf(const std::string& text) const {
    for (std::size_t f = 0; f < kFixtureCount; ++f)
      if (Lower(text).find(Lower(marker_[f])) != std::string::npos) return f;
    return kFixtureCount;
  }

  std::string keptFile_;
  std::vector<TCookieLine> keptBefore_;
  std::vector<std::string> backupsBefore_;
  std::array<std::string, kFixtureCount> marker_, value_, cookie_;
  unique_hfile locked_;
};

// In each preset mode: scan, untick some findings in the results list, clean through the close
// programs and warning dialogs, and compare the summary with what is left on disk, in the
// registry and in the URL cache.
TEST_F(CleanTest, CleanInEachPresetModeRemovesExactlyTheTickedFindings) {
  for (int mode : {1, 2, 3, 4, 5, 6}) {
    SCOPED_TRACE(mode);
    MakeFixtures();
    if (HasFatalFailure()) return;
    WriteDword(kKey, "PresetScanMode", static_cast<DWORD>(mode));
    const TCliScan cli = CliScan(mode);
    ASSERT_GE(cli.count, 0);

    // The groups the results list will show, and which of their findings stay ticked: only this
    // test's own, so that nothing else of the prefix goes.
    struct TPlanGroup {
      std::vector<std::size_t> fixtures;  // per finding; kFixtureCount for others
      bool ours = false;
    };
    std::vector<TPlanGroup> plan;
    std::array<int, kFixtureCount> listed{};
    for (const TCliObject& object : cli.objects) {
      if (object.failed || object.texts.empty()) continue;
      TPlanGroup group;
      for (const std::string& text : object.texts) {
        const std::size_t f = FixtureOf(text);
        group.fixtures.push_back(f);
        if (f < kFixtureCount) {
          ++listed[f];
          group.ours = true;
        }
      }
      plan.push_back(std::move(group));
    }
    // Ticked in the list; of them, the ones the clean handles (all but the kept cookie) and the
    // locked one, which cannot go now.
    int ticked = 0, cleaned = 0, lockedTicked = 0;
    for (std::size_t f = 0; f < kFixtureCount; ++f) {
      const bool inMode = kFixtures[f].modes[mode - 1] == '1';
      EXPECT_EQ(listed[f], inMode ? 1 : 0) << kFixtures[f].tag;
      if (inMode && kFixtures[f].ticked) {
        ++ticked;
        cleaned += kFixtures[f].kind != TKind::KeptCookie;
        lockedTicked += kFixtures[f].kind == TKind::LockedFile;
      }
    }

    // In the first mode a backup past the keeping time waits: after the clean the user is asked
    // whether to recycle it (and says yes).
    std::string oldBackup;
    if (mode == 1) {
      oldBackup = SaveBackup("g07-i01", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\TidewhiskOld]\r\n\"x\"=\"1\"\r\n");
      FILETIME now{};
      ::GetSystemTimeAsFileTime(&now);
      ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
      time.QuadPart -= 40ull * 24 * 3600 * 10000000;
      const FILETIME old{time.LowPart, time.HighPart};
      unique_hfile file(::CreateFileA(oldBackup.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(file && ::SetFileTime(file.get(), nullptr, nullptr, &old));
    }

    TProgram program;
    HWND scan = StartInMode(program, mode);
    ASSERT_NE(scan, nullptr);
    ClickAt(scan, 5, 5);
    HWND summary = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (summary = program.Find("TScanInfoDlg")) && ::IsWindowVisible(summary); }, 120s));
    ::PostMessageA(summary, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return program.Find("TScanInfoDlg") == nullptr; }, 5s));
    const TReadyList results = TReadyList::Results(program.Main());
    ASSERT_EQ(results.Groups(), static_cast<int>(plan.size()));

    // Untick: whole groups of others' findings while collapsed, single findings in ours.
    for (int g = 0; g < results.Groups(); ++g) {
      const TPlanGroup& group = plan[static_cast<std::size_t>(g)];
      const int count = static_cast<int>(group.fixtures.size());
      if (!group.ours) {
        results.ClickGroupCheck(g);
        ASSERT_TRUE(WaitFor([&] { return !(results.State(g) & TGL_STATE_CHECKED); }, 5s)) << g;
        continue;
      }
      results.ClickExpand(g);
      ASSERT_TRUE(WaitFor([&] { return results.Items(g) == count; }, 5s)) << g << ": " << results.Items(g);
      for (int i = 0; i < count; ++i) {
        const std::size_t f = group.fixtures[static_cast<std::size_t>(i)];
        if (f < kFixtureCount && kFixtures[f].ticked) continue;
        results.ClickItemCheck(g, i);
        ASSERT_TRUE(WaitFor([&] { return !(results.State(g, i) & TGL_STATE_CHECKED); }, 5s)) << g << "." << i;
      }
    }
    int shownTicked = 0;
    for (int g = 0; g < results.Groups(); ++g)
      for (int i = 0; i < results.Items(g); ++i) shownTicked += (results.State(g, i) & TGL_STATE_CHECKED) != 0;
    EXPECT_EQ(shownTicked, ticked);

    // Clean: the close-programs dialog when it is shown (its answer does not stop the run), then
    // the warning; nothing goes before the warning is answered.
    HWND clean = ChildOf(program.Main(), "TwHotImage", Row(kRowCleanButton, 0));
    ASSERT_NE(clean, nullptr);
    ClickAt(clean, 5, 5);
    HWND warning = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      if (HWND close = program.Find("TTerminateAppDlg"); close && ::IsWindowVisible(close)) {
        if (HWND cancel = ChildOf(close, "TwHotImage", Row(kRowCancel, 0))) ClickAt(cancel, 5, 5);
      }
      return (warning = program.Find("TCleanWarningDlg")) && ::IsWindowVisible(warning);
    }, 30s)) << [&] {
      std::string windows;
      ::EnumWindows([](HWND hwnd, LPARAM param) -> BOOL {
        char name[128];
        ::GetClassNameA(hwnd, name, sizeof name);
        if (::IsWindowVisible(hwnd)) *reinterpret_cast<std::string*>(param) += std::string(name) + " " + Text(hwnd) + "\n";
        return TRUE;
      }, reinterpret_cast<LPARAM>(&windows));
      return windows;
    }();
    for (std::size_t f = 0; f < kFixtureCount; ++f) EXPECT_TRUE(Present(f)) << kFixtures[f].tag;
    HWND proceed = ChildOf(warning, "TwHotImage", Row(kRowCleanButton, 0));
    ASSERT_NE(proceed, nullptr);
    ClickAt(proceed, 5, 5);

    // The summary counts what happened.
    ASSERT_TRUE(WaitFor([&] {
      return (summary = program.Find("TScanInfoDlg")) && ::IsWindowVisible(summary);
    }, 120s));
    EXPECT_EQ(Text(summary), Row(kRowCleaningCompleted, 0));
    auto flat = [](std::string text) {
      text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }), text.end());
      return text;
    };
    const std::string sentence =
        lockedTicked ? Format(Row(kRowCleaningCounts, 0) + ":" + Row(kRowCleaningNeedsReboot, 0), cleaned - lockedTicked, lockedTicked, cleaned)
                     : Format(Row(kRowCleaningCounts, 0) + ".", cleaned, 0, cleaned);
    const std::string shown = Narrow(WideText(Child(summary, "RICHEDIT50W")));
    EXPECT_NE(flat(shown).find(flat(sentence)), std::string::npos) << shown << "\nexpected: " << sentence;
    ::PostMessageA(summary, WM_COMMAND, IDOK, 0);
    if (!oldBackup.empty()) {
      HWND box = nullptr;
      ASSERT_TRUE(WaitFor([&] { return (box = program.Find("#32770")) && ::IsWindowVisible(box); }, 10s));
      EXPECT_NE(ChildTexts(box).find(Format(Row(kRowRecycleOldBackups, 0), 30.0)), std::string::npos) << ChildTexts(box);
      ::PostMessageA(box, WM_COMMAND, IDYES, 0);
    }
    // Back to the ready list, the results gone.
    EXPECT_TRUE(WaitFor([&] {
      return !program.Find("TScanInfoDlg") && !::IsWindowVisible(results.Handle()) && results.Groups() == 0 &&
             ::IsWindowVisible(TReadyList(program.Main()).Handle()) && ::IsWindowVisible(scan);
    }, 10s));

    // Ticked findings are gone, except the locked file, which waits for the next restart;
    // unticked findings, the kept cookie and whatever the mode does not cover stay.
    for (std::size_t f = 0; f < kFixtureCount; ++f) {
      const TFixture& fixture = kFixtures[f];
      const bool removed = fixture.modes[mode - 1] == '1' && fixture.ticked && fixture.kind != TKind::LockedFile &&
                           fixture.kind != TKind::KeptCookie;
      EXPECT_EQ(Present(f), !removed) << fixture.tag;
      if (fixture.kind == TKind::LockedFile) {
        EXPECT_EQ(PendingRename(marker_[f] + ".tmp"), fixture.modes[mode - 1] == '1') << fixture.tag;
      }
    }
    if (!oldBackup.empty()) EXPECT_FALSE(Exists(oldBackup)) << "recycled after the yes";
    bool stillKept = false;
    for (const TCookieLine& line : LoadKeptCookies(keptFile_)) stillKept |= line.Name == cookie_[FixtureIndex("cookie-kept")];
    EXPECT_TRUE(stillKept);

    // Each item with a removed registry value made one new backup, which holds the value as it was
    // before it went, and none of the spared ones.
    std::vector<TBackupFile> made;
    for (const TBackupFile& file : ListBackups())
      if (std::find(backupsBefore_.begin(), backupsBefore_.end(), file.Path) == backupsBefore_.end())
        made.push_back(file);
    std::vector<std::string> items;
    for (const TFixture& fixture : kFixtures)
      if (*fixture.item && fixture.ticked && fixture.modes[mode - 1] == '1') items.push_back(fixture.item);
    ASSERT_EQ(made.size(), items.size());
    for (const TBackupFile& file : made) {
      SCOPED_TRACE(file.Name);
      EXPECT_NE(std::find(items.begin(), items.end(), file.ItemId), items.end());
      const std::string text = LoadBackupText(file.Path);
      for (std::size_t f = 0; f < kFixtureCount; ++f) {
        if (kFixtures[f].item != file.ItemId) continue;
        EXPECT_EQ(text.find(marker_[f]) != std::string::npos, kFixtures[f].ticked) << kFixtures[f].tag << "\n" << text;
      }
      ::DeleteFileA(file.Path.c_str());
    }

    program.Post(Registered("UM_TERMINATE"));
    EXPECT_GE(program.WaitExit(10s), 0);
    RemoveFixtures();
  }
}

}  // namespace
}  // namespace tw
